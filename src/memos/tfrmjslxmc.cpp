#include "tfrmjslxmc.h"

#include "components/forms.h"
#include "data/tdm.h"

TFrmJslxmc::TFrmJslxmc(QWidget *parent)
    : NameDialog(QStringLiteral("记事类型类型名称"), QStringLiteral("请维护类型名称："), DM->DSJslx,
                 QStringLiteral("lxmc"), parent)
{
    setObjectName(QStringLiteral("FrmJslxmc"));
    setBlankNotice(QStringLiteral("类型名称不能为空，请重新输入！"));
    setCopies(QStringLiteral("jstx"), QStringLiteral("jslxmc"), DM->ADOQjs, QStringLiteral("jsid"));
    forms().FrmJslxmc = this;
}
