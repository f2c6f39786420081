#include "tfrmyhwh.h"

#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmlog.h"

TFrmyhwh::TFrmyhwh(QWidget *parent)
    : NameDialog(QStringLiteral("操作用户维护"), QStringLiteral("请维护用户名称："), DM->DSczyh, QStringLiteral("yhmc"),
                 parent)
{
    setObjectName(QStringLiteral("Frmyhwh"));
    setBlankNotice(QStringLiteral("用户名称不能为空，请重新输入！"));
    forms().Frmyhwh = this;
}

void TFrmyhwh::FormShow()
{
    NameDialog::FormShow();
    Dataset *users = DM->ADOQczyh;
    m_ownName = users->state() == Dataset::State::Edit ? TFrmLog::foldedName(users->asString(QStringLiteral("yhmc")))
                                                       : QString();
    Dataset *log = DM->ADOQLog;
    m_editsOperator = !m_ownName.isEmpty() && log->isActive() && !log->isEmpty()
                      && users->asString(QStringLiteral("yhmc")) == log->asString(QStringLiteral("yhmc"));
}

bool TFrmyhwh::nameAccepted(const QString &name)
{
    const QString wanted = TFrmLog::foldedName(name);
    Dataset users(DM->ADOConnection1); // the users as stored now
    users.requery(QStringLiteral("select yhmc from czyh"));
    Dataset *scratch = &users;
    int same = 0;
    for (int row = 0; row < scratch->recordCount(); ++row)
        if (TFrmLog::foldedName(scratch->textAt(row, 0)) == wanted)
            ++same;
    // an edited user keeping (a spelling of) its own name counts itself once
    if (same > (!m_ownName.isEmpty() && m_ownName == wanted ? 1 : 0)) {
        platform().showMessage(this, QStringLiteral("已有名为“%1”的操作用户，请换一个用户名称！").arg(name));
        return false;
    }
    // a name is stored without blanks at either end: "管理员 " is no second 管理员
    const QString stored = FormWidgets::trimmed(name);
    if (stored != name)
        DM->ADOQczyh->setValue(QStringLiteral("yhmc"), stored);
    return true;
}

void TFrmyhwh::afterPost()
{
    // the operator who renamed himself keeps his row for the password change
    if (m_editsOperator)
        DM->ADOQLog->requery(QStringLiteral("select * from czyh where yhmc='")
                             + sqlText(DM->ADOQczyh->asString(QStringLiteral("yhmc"))) + QStringLiteral("'"));
}
