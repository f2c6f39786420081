#pragma once

#include "namedialog.h"

// The name dialog "费用明细名称".
class TFrmMxwh : public NameDialog
{
    Q_OBJECT
public:
    explicit TFrmMxwh(QWidget *parent = nullptr);

    void BitBtn2Click() override;
};
