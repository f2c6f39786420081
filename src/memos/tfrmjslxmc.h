#pragma once

#include "settings/namedialog.h"

// The name dialog "记事类型类型名称" of one memo type.
class TFrmJslxmc : public NameDialog
{
    Q_OBJECT
public:
    explicit TFrmJslxmc(QWidget *parent = nullptr);
};
