#pragma once

// The program's windows, created once each at start-up and kept until the
// end; every window reaches the others through this registry. The program
// entry fills it in the order of creation.
class TFrmMian;
class TFrmLog;
class TFrmDz;
class TFrmZbcx;
class TFrmFyxm;
class TFrmXmwh;
class TFrmFymx;
class TFrmMxwh;
class TFrmJtcy;
class TFrmCywh;
class TFrmyhwh;
class TFrmJstx;
class TFrmJslxwh;
class TFrmJslxmc;
class TFrmJssx;
class TFrmTxl;
class TFrmLxrfz;
class TFrmFzmc;
class TFrmRQ;
class TFrmZddr;
class TFrmZdgz;
class TFrmGzwh;
class TFrmYssz;
class TFrmYsxg;
class TFrmDqsz;
class TFrmDqxg;
class TFrmDqjz;

struct Forms
{
    TFrmMian *FrmMian = nullptr;
    TFrmLog *FrmLog = nullptr;
    TFrmDz *FrmDz = nullptr;
    TFrmZbcx *FrmZbcx = nullptr;
    TFrmFyxm *FrmFyxm = nullptr;
    TFrmXmwh *FrmXmwh = nullptr;
    TFrmFymx *FrmFymx = nullptr;
    TFrmMxwh *FrmMxwh = nullptr;
    TFrmJtcy *FrmJtcy = nullptr;
    TFrmCywh *FrmCywh = nullptr;
    TFrmyhwh *Frmyhwh = nullptr;
    TFrmJstx *FrmJstx = nullptr;
    TFrmJslxwh *FrmJslxwh = nullptr;
    TFrmJslxmc *FrmJslxmc = nullptr;
    TFrmJssx *FrmJssx = nullptr;
    TFrmTxl *FrmTxl = nullptr;
    TFrmLxrfz *FrmLxrfz = nullptr;
    TFrmFzmc *FrmFzmc = nullptr;
    TFrmRQ *FrmRQ = nullptr;
    TFrmZddr *FrmZddr = nullptr;
    TFrmZdgz *FrmZdgz = nullptr;
    TFrmGzwh *FrmGzwh = nullptr;
    TFrmYssz *FrmYssz = nullptr;
    TFrmYsxg *FrmYsxg = nullptr;
    TFrmDqsz *FrmDqsz = nullptr;
    TFrmDqxg *FrmDqxg = nullptr;
    TFrmDqjz *FrmDqjz = nullptr;
};

Forms &forms();

// Set by a successful login; while it is clear, activating the main window
// shows the login dialog and closing the login dialog ends the program.
extern bool LoginDone;
