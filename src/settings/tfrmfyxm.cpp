#include "tfrmfyxm.h"

#include "components/forms.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmxmwh.h"

TFrmFyxm::TFrmFyxm(QWidget *parent)
    : ListDialog(QStringLiteral("费用项目维护"), DM->DSFyxmrr, QStringLiteral("项目名称"), QStringLiteral("xmmc"),
                 QStringLiteral("共 0 项"), parent)
{
    setObjectName(QStringLiteral("FrmFyxm"));
    forms().FrmFyxm = this;
}

void TFrmFyxm::BitBtn1Click()
{
    DM->ADOQFyxmrr->append();
    platform().showModal(forms().FrmXmwh);
}

void TFrmFyxm::BitBtn2Click()
{
    DM->ADOQFyxmrr->edit();
    platform().showModal(forms().FrmXmwh);
}

void TFrmFyxm::BitBtn3Click()
{
    if (platform().askYesNo(this, QStringLiteral("   删除该项后，其所属费用名细也将全部删除，是否确认删除？  \r"
                                                 "       （不会删除该类项目的帐本记录）")))
        DM->ADOQFyxmrr->remove(); // the database deletes the item's details with it
}
