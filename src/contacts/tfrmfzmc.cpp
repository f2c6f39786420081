#include "tfrmfzmc.h"

#include "components/forms.h"
#include "data/tdm.h"

TFrmFzmc::TFrmFzmc(QWidget *parent)
    : NameDialog(QStringLiteral("联系人分组名称"), QStringLiteral("请维护分组名称："), DM->DSLxrfz,
                 QStringLiteral("zm"), parent)
{
    setObjectName(QStringLiteral("FrmFzmc"));
    setBlankNotice(QStringLiteral("组名不能为空，请重新输入！"));
    setCopies(QStringLiteral("txl"), QStringLiteral("fz"), DM->ADOQTxl, QStringLiteral("txlid"));
    forms().FrmFzmc = this;
}
