#include "tfrmcywh.h"

#include "components/forms.h"
#include "data/tdm.h"

TFrmCywh::TFrmCywh(QWidget *parent)
    : NameDialog(QStringLiteral("帐户名称"), QStringLiteral("请维护帐户名称："), DM->DSJtcyrr, QStringLiteral("cyxm"),
                 parent)
{
    setObjectName(QStringLiteral("FrmCywh"));
    forms().FrmCywh = this;
}
