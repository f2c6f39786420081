#include "tfrmlxrfz.h"

#include "components/forms.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmfzmc.h"

TFrmLxrfz::TFrmLxrfz(QWidget *parent)
    : ListDialog(QStringLiteral("联系人分组维护"), DM->DSLxrfz, QStringLiteral("联系人组名"), QStringLiteral("zm"),
                 QStringLiteral("共 0 组"), parent)
{
    setObjectName(QStringLiteral("FrmLxrfz"));
    forms().FrmLxrfz = this;
}

void TFrmLxrfz::BitBtn1Click()
{
    DM->ADOQLxrfz->append();
    platform().showModal(forms().FrmFzmc);
}

void TFrmLxrfz::BitBtn2Click()
{
    DM->ADOQLxrfz->edit();
    platform().showModal(forms().FrmFzmc);
}

void TFrmLxrfz::BitBtn3Click()
{
    if (platform().askYesNo(this, QStringLiteral("   是否确认删除？  ")))
        DM->ADOQLxrfz->remove();
}
