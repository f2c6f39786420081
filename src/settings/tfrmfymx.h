#pragma once

#include "listdialog.h"

// The list dialog "费用明细维护", editing its shared dataset in place.
class TFrmFymx : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmFymx(QWidget *parent = nullptr);

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
};
