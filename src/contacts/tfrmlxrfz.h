#pragma once

#include "settings/listdialog.h"

// The list dialog "联系人分组维护" of the contact groups, editing the shared
// group list in place; its current group is the preset of new contacts.
class TFrmLxrfz : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmLxrfz(QWidget *parent = nullptr);

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
};
