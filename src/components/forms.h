#pragma once

#include "onfirstuse.h"

// The program's windows, kept until the end; every window reaches the others
// through this registry. The main window and the login are made at start-up;
// every other window is made the first time it is used (most are never
// opened in a session, and each costs its widgets' memory and the glyphs of
// its texts). A window enters itself into its slot in its constructor.
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
    OnFirstUse<TFrmDz> FrmDz;
    OnFirstUse<TFrmZbcx> FrmZbcx;
    OnFirstUse<TFrmFyxm> FrmFyxm;
    OnFirstUse<TFrmXmwh> FrmXmwh;
    OnFirstUse<TFrmFymx> FrmFymx;
    OnFirstUse<TFrmMxwh> FrmMxwh;
    OnFirstUse<TFrmJtcy> FrmJtcy;
    OnFirstUse<TFrmCywh> FrmCywh;
    OnFirstUse<TFrmyhwh> Frmyhwh;
    OnFirstUse<TFrmJstx> FrmJstx;
    OnFirstUse<TFrmJslxwh> FrmJslxwh;
    OnFirstUse<TFrmJslxmc> FrmJslxmc;
    OnFirstUse<TFrmJssx> FrmJssx;
    OnFirstUse<TFrmTxl> FrmTxl;
    OnFirstUse<TFrmLxrfz> FrmLxrfz;
    OnFirstUse<TFrmFzmc> FrmFzmc;
    OnFirstUse<TFrmRQ> FrmRQ;
    OnFirstUse<TFrmZddr> FrmZddr;
    OnFirstUse<TFrmZdgz> FrmZdgz;
    OnFirstUse<TFrmGzwh> FrmGzwh;
    OnFirstUse<TFrmYssz> FrmYssz;
    OnFirstUse<TFrmYsxg> FrmYsxg;
    OnFirstUse<TFrmDqsz> FrmDqsz;
    OnFirstUse<TFrmDqxg> FrmDqxg;
    OnFirstUse<TFrmDqjz> FrmDqjz;
};

Forms &forms();

// Set by a successful login; while it is clear, activating the main window
// shows the login dialog and closing the login dialog ends the program.
extern bool LoginDone;
