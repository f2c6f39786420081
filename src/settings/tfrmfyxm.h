#pragma once

#include "listdialog.h"

// The list dialog "费用项目维护", editing its shared dataset in place.
class TFrmFyxm : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmFyxm(QWidget *parent = nullptr);

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
};
