#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

class QDialog;
class QWidget;

// The program's name on the task bar and the caption of every plain notice.
inline const QString ApplicationTitle = QStringLiteral("青禾家庭doz V 2.0");
// Caption of every question before a destructive or far-reaching action.
inline const QString WarningCaption = QStringLiteral("警告！！！");
// Caption of the information and error boxes.
inline const QString HintCaption = QStringLiteral("提示");

struct FileDialogRequest
{
    QString title;
    // Entries as "description|pattern|description|pattern"; a pattern may be
    // a bare word ("xls") or a wildcard ("*.mdb").
    QString filter;
    QString defaultExtension; // with or without the leading "."
    QString fileName;         // proposed name
    QString directory;        // folder shown first (when fileName has none)
    int filterIndex = 1;      // 1-based entry chosen first
};

struct FileDialogResult
{
    bool accepted = false;
    QString fileName;    // full path as the user gave it
    int filterIndex = 1; // 1-based entry chosen
};

// The operating-system services the program uses: message boxes, file
// dialogs, modal showing, the clock, files beside the program and the
// desktop's document viewer. Every screen calls these instead of Qt's static
// functions, so that tests can answer and record them.
class Platform
{
public:
    virtual ~Platform() = default;

    // A question with Yes and No and no icon; true when the answer is Yes.
    virtual bool askYesNo(QWidget *owner, const QString &text, const QString &caption = WarningCaption) = 0;
    // A question with one button for each of choices (at least one), the
    // first of them the default; Esc and the close box choose the last.
    // Returns the position of the button chosen.
    virtual int askChoice(QWidget *owner, const QString &text, const QStringList &choices,
                          const QString &caption = WarningCaption)
        = 0;
    // A plain notice with OK whose caption is the application title.
    virtual void showMessage(QWidget *owner, const QString &text) = 0;
    // An information box with OK.
    virtual void showInformation(QWidget *owner, const QString &text, const QString &caption = HintCaption) = 0;
    // An error box with OK.
    virtual void showError(QWidget *owner, const QString &text, const QString &caption = HintCaption) = 0;
    // The program's general error box: the text of an error that ended a command.
    virtual void showGeneralError(const QString &text) = 0;

    // Asks for a line of text (secret: shown as dots, a password); false when
    // the user cancelled, else *text holds what was typed.
    virtual bool askText(QWidget *owner, const QString &title, const QString &label, bool secret, QString *text) = 0;

    virtual FileDialogResult saveFile(QWidget *owner, const FileDialogRequest &request) = 0;
    virtual FileDialogResult openFile(QWidget *owner, const FileDialogRequest &request) = 0;

    // Shows the dialog modally; returns its result code when it has closed.
    virtual int showModal(QDialog *dialog) = 0;

    // Today's date (no time) and the current date and time.
    virtual QDate today() = 0;
    virtual QDateTime now() = 0;

    // The directory of the running program, ending in "/".
    virtual QString programDirectory() = 0;
    // Whether the program may make files in folder (an existing folder the
    // user can write to, on a file system that is not read-only).
    virtual bool canWriteIn(const QString &folder) = 0;
    // Copies a file, replacing an existing target; false when it failed.
    virtual bool copyFile(const QString &from, const QString &to) = 0;
    // Deletes a file; false when it failed.
    virtual bool deleteFile(const QString &path) = 0;
    // Opens a document with the desktop's viewer; false when none could.
    virtual bool openDocument(const QString &path) = 0;
    // Ends the program at once, without asking.
    virtual void terminate() = 0;
};

// The platform in use (the desktop one unless a test installed another).
Platform &platform();
// Installs p (not owned; nullptr restores the desktop platform).
void setPlatform(Platform *p);

// Runs fn; an exception it throws ends the command and is shown in the
// general error box. No exception leaves guard().
void guard(const std::function<void()> &fn);

// Wraps fn for connecting to a signal: the handler runs inside guard() and
// the signal's arguments are ignored.
template<typename Fn> auto guarded(Fn fn)
{
    return [fn](auto &&...) {
        guard(fn);
    };
}
