#pragma once

#include "listdialog.h"

// The list dialog "收支帐户维护", editing its shared dataset in place.
class TFrmJtcy : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmJtcy(QWidget *parent = nullptr);

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
};
