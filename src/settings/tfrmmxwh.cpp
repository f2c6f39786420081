#include "tfrmmxwh.h"

#include "components/forms.h"
#include "data/tdm.h"

TFrmMxwh::TFrmMxwh(QWidget *parent)
    : NameDialog(QStringLiteral("费用明细名称"), QStringLiteral("请维护费用明细名称："), DM->DSFymxrr,
                 QStringLiteral("mxmc"), parent)
{
    setObjectName(QStringLiteral("FrmMxwh"));
    forms().FrmMxwh = this;
}

void TFrmMxwh::BitBtn2Click()
{
    DM->ADOQFymxrr->cancel();
    reject();
}
