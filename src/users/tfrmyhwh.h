#pragma once

#include "settings/namedialog.h"

// The name dialog "操作用户维护" of one operator user. A blank name, or one
// that equals another user's name as the login compares names, is refused:
// two users of one name could never both log in.
class TFrmyhwh : public NameDialog
{
    Q_OBJECT
public:
    explicit TFrmyhwh(QWidget *parent = nullptr);

protected:
    void FormShow() override;
    bool nameAccepted(const QString &name) override;
    void afterPost() override;

private:
    QString m_ownName;            // the edited user's name as it was, folded; "" for a new user
    bool m_editsOperator = false; // the user being renamed is the one logged in
};
