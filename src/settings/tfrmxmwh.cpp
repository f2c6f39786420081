#include "tfrmxmwh.h"

#include "components/forms.h"
#include "data/tdm.h"

TFrmXmwh::TFrmXmwh(QWidget *parent)
    : NameDialog(QStringLiteral("项目名称"), QStringLiteral("请维护项目名称："), DM->DSFyxmrr, QStringLiteral("xmmc"),
                 parent)
{
    setObjectName(QStringLiteral("FrmXmwh"));
    forms().FrmXmwh = this;
}
