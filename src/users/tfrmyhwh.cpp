#include "tfrmyhwh.h"

#include "components/forms.h"
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
}

bool TFrmyhwh::nameAccepted(const QString &name)
{
    const QString wanted = TFrmLog::foldedName(name);
    Dataset *scratch = DM->ADOQls;
    scratch->requery(QStringLiteral("select yhmc from czyh"));
    int same = 0;
    for (int row = 0; row < scratch->recordCount(); ++row)
        if (TFrmLog::foldedName(scratch->textAt(row, 0)) == wanted)
            ++same;
    // an edited user keeping (a spelling of) its own name counts itself once
    if (same > (!m_ownName.isEmpty() && m_ownName == wanted ? 1 : 0)) {
        platform().showMessage(this, QStringLiteral("已有名为“%1”的操作用户，请换一个用户名称！").arg(name));
        return false;
    }
    return true;
}
