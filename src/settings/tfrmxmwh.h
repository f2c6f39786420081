#pragma once

#include "namedialog.h"

// The name dialog "项目名称".
class TFrmXmwh : public NameDialog
{
    Q_OBJECT
public:
    explicit TFrmXmwh(QWidget *parent = nullptr);
};
