#include "forms.h"

bool LoginDone = false;

Forms &forms()
{
    static Forms registry;
    return registry;
}

void Forms::withdrawMakers()
{
    FrmDz.withdrawMaker();
    FrmZbcx.withdrawMaker();
    FrmFyxm.withdrawMaker();
    FrmXmwh.withdrawMaker();
    FrmFymx.withdrawMaker();
    FrmMxwh.withdrawMaker();
    FrmJtcy.withdrawMaker();
    FrmCywh.withdrawMaker();
    Frmyhwh.withdrawMaker();
    FrmJstx.withdrawMaker();
    FrmJslxwh.withdrawMaker();
    FrmJslxmc.withdrawMaker();
    FrmJssx.withdrawMaker();
    FrmTxl.withdrawMaker();
    FrmLxrfz.withdrawMaker();
    FrmFzmc.withdrawMaker();
    FrmRQ.withdrawMaker();
    FrmZddr.withdrawMaker();
    FrmZdgz.withdrawMaker();
    FrmGzwh.withdrawMaker();
    FrmYssz.withdrawMaker();
    FrmYsxg.withdrawMaker();
    FrmDqsz.withdrawMaker();
    FrmDqxg.withdrawMaker();
    FrmDqjz.withdrawMaker();
}
