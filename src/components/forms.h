#pragma once

#include <functional>

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

// One window of the registry. Using it (->, or as a pointer) makes the
// window through the slot's maker if it has not been made yet; once the
// maker is withdrawn (the windows are being destroyed) a window that was not
// made stays null.
template<typename T> class FormSlot
{
public:
    FormSlot &operator=(T *form)
    {
        m_form = form;
        return *this;
    }
    void setMaker(std::function<void()> maker) { m_maker = std::move(maker); }
    void withdrawMaker() { m_maker = nullptr; }
    // Whether the window exists, without making it.
    bool made() const { return m_form != nullptr; }
    T *get()
    {
        if (!m_form && m_maker && !m_making) {
            // a window whose constructor reaches its own slot finds null
            m_making = true;
            struct Reset
            {
                bool &flag;
                ~Reset() { flag = false; }
            } reset{m_making};
            m_maker();
        }
        return m_form;
    }
    T *operator->() { return get(); }
    operator T *() { return get(); }

private:
    T *m_form = nullptr;
    std::function<void()> m_maker;
    bool m_making = false;
};

struct Forms
{
    TFrmMian *FrmMian = nullptr;
    TFrmLog *FrmLog = nullptr;
    FormSlot<TFrmDz> FrmDz;
    FormSlot<TFrmZbcx> FrmZbcx;
    FormSlot<TFrmFyxm> FrmFyxm;
    FormSlot<TFrmXmwh> FrmXmwh;
    FormSlot<TFrmFymx> FrmFymx;
    FormSlot<TFrmMxwh> FrmMxwh;
    FormSlot<TFrmJtcy> FrmJtcy;
    FormSlot<TFrmCywh> FrmCywh;
    FormSlot<TFrmyhwh> Frmyhwh;
    FormSlot<TFrmJstx> FrmJstx;
    FormSlot<TFrmJslxwh> FrmJslxwh;
    FormSlot<TFrmJslxmc> FrmJslxmc;
    FormSlot<TFrmJssx> FrmJssx;
    FormSlot<TFrmTxl> FrmTxl;
    FormSlot<TFrmLxrfz> FrmLxrfz;
    FormSlot<TFrmFzmc> FrmFzmc;
    FormSlot<TFrmRQ> FrmRQ;
    FormSlot<TFrmZddr> FrmZddr;
    FormSlot<TFrmZdgz> FrmZdgz;
    FormSlot<TFrmGzwh> FrmGzwh;
    FormSlot<TFrmYssz> FrmYssz;
    FormSlot<TFrmYsxg> FrmYsxg;
    FormSlot<TFrmDqsz> FrmDqsz;
    FormSlot<TFrmDqxg> FrmDqxg;
    FormSlot<TFrmDqjz> FrmDqjz;

    // Withdraws every maker: called when the main window goes, so that
    // nothing made during the destruction outlives it.
    void withdrawMakers();
};

Forms &forms();

// Set by a successful login; while it is clear, activating the main window
// shows the login dialog and closing the login dialog ends the program.
extern bool LoginDone;
