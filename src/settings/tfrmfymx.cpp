#include "tfrmfymx.h"

#include "components/forms.h"
#include "data/rowinprogress.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmmxwh.h"

TFrmFymx::TFrmFymx(QWidget *parent)
    : ListDialog(QStringLiteral("费用明细维护"), DM->DSFymxrr, QStringLiteral("费用明细名称"), QStringLiteral("mxmc"),
                 QStringLiteral("共 0 项"), parent)
{
    setObjectName(QStringLiteral("FrmFymx"));
    forms().FrmFymx = this;
}

void TFrmFymx::BitBtn1Click()
{
    Dataset *items = DM->ADOQFyxmrr;
    // A detail always belongs to an item: without one there is nothing to add to.
    if (!items->isActive() || items->isEmpty()) {
        platform().showMessage(this, QStringLiteral("请先增加费用项目！"));
        return;
    }
    Dataset *details = DM->ADOQFymxrr;
    if (!details->isActive()) { // not loaded yet: the details of the current item
        details->setParameter(QStringLiteral("bl_xmid"), items->value(QStringLiteral("xmid")));
        details->open();
    }
    RowInProgress row(details);
    details->setValue(QStringLiteral("dyxmid"), items->asInteger(QStringLiteral("xmid")));
    row.keep();
    platform().showModal(forms().FrmMxwh);
}

void TFrmFymx::BitBtn2Click()
{
    Dataset *details = DM->ADOQFymxrr;
    // Changing in an empty list adds a detail to the current item instead,
    // so that no detail is stored without its owning item.
    if (!details->isActive() || details->isEmpty()) {
        BitBtn1Click();
        return;
    }
    details->edit();
    platform().showModal(forms().FrmMxwh);
}

void TFrmFymx::BitBtn3Click()
{
    if (platform().askYesNo(this, QStringLiteral("   删除后将不能恢复，是否确认删除？  \r"
                                                 "       （不会删除该类费用的帐本记录）")))
        DM->ADOQFymxrr->remove();
}
