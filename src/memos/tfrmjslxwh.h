#pragma once

#include "settings/listdialog.h"

// The list dialog "记事类型维护" of the memo types, editing the shared type
// table in place.
class TFrmJslxwh : public ListDialog
{
    Q_OBJECT
public:
    explicit TFrmJslxwh(QWidget *parent = nullptr);

    void BitBtn1Click() override;
    void BitBtn2Click() override;
    void BitBtn3Click() override;
};
