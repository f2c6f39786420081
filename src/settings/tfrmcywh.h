#pragma once

#include "namedialog.h"

// The name dialog "帐户名称".
class TFrmCywh : public NameDialog
{
    Q_OBJECT
public:
    explicit TFrmCywh(QWidget *parent = nullptr);
};
