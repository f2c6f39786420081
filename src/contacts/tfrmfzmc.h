#pragma once

#include "settings/namedialog.h"

// The name dialog "联系人分组名称" of one contact group; a blank name is refused.
class TFrmFzmc : public NameDialog
{
    Q_OBJECT
public:
    explicit TFrmFzmc(QWidget *parent = nullptr);
};
