#include "tfrmjslxwh.h"

#include "components/forms.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmjslxmc.h"

TFrmJslxwh::TFrmJslxwh(QWidget *parent)
    : ListDialog(QStringLiteral("记事类型维护"), DM->DSJslx, QStringLiteral("记事类型"), QStringLiteral("lxmc"),
                 QStringLiteral("共 0 项"), parent)
{
    setObjectName(QStringLiteral("FrmJslxwh"));
    forms().FrmJslxwh = this;
}

void TFrmJslxwh::BitBtn1Click()
{
    DM->ADOTJslx->append();
    platform().showModal(forms().FrmJslxmc);
}

void TFrmJslxwh::BitBtn2Click()
{
    DM->ADOTJslx->edit();
    platform().showModal(forms().FrmJslxmc);
}

void TFrmJslxwh::BitBtn3Click()
{
    if (platform().askYesNo(this, QStringLiteral("   是否确认删除？  ")))
        DM->ADOTJslx->remove();
}
