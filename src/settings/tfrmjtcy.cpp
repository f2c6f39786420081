#include "tfrmjtcy.h"

#include "components/forms.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmcywh.h"

TFrmJtcy::TFrmJtcy(QWidget *parent)
    : ListDialog(QStringLiteral("收支帐户维护"), DM->DSJtcyrr, QStringLiteral("帐户名称"), QStringLiteral("cyxm"),
                 QStringLiteral("共 0 个帐户"), parent)
{
    setObjectName(QStringLiteral("FrmJtcy"));
    setSizeGripEnabled(true); // the account list may be resized
    forms().FrmJtcy = this;
}

void TFrmJtcy::BitBtn1Click()
{
    DM->ADOQjtcyrr->append();
    platform().showModal(forms().FrmCywh);
}

void TFrmJtcy::BitBtn2Click()
{
    DM->ADOQjtcyrr->edit();
    platform().showModal(forms().FrmCywh);
}

void TFrmJtcy::BitBtn3Click()
{
    if (platform().askYesNo(this, QStringLiteral("   删除该项后将不能恢复，是否确认删除？  \r"
                                                 "   （不会删除该帐户的帐本记录）")))
        DM->ADOQjtcyrr->remove();
}
