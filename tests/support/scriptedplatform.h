#pragma once

#include "support/printers.h"

#include "platform/platform.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// A platform for tests: it answers questions and file dialogs from queues,
// runs a test's script against each modal dialog when it is shown, keeps a
// date and time set by the test, and records every text shown. At its end
// (the test's) it fails the test for a script whose dialog never showed, an
// answer or file choice never used, and an error box the test never read.
class ScriptedPlatform : public Platform
{
public:
    struct Shown
    {
        QString kind; // "question", "choice", "message", "information", "error", "general error"
        QString caption;
        QString text;
    };
    using DialogScript = std::function<void(QDialog *)>;

    ScriptedPlatform();
    ~ScriptedPlatform() override;

    // --- what the test scripts -------------------------------------------------
    void answer(bool yes) { m_answers.push_back(yes); }
    // The next askChoice() gets the button whose text is choice.
    void choose(const QString &choice) { m_choices.push_back(choice); }
    // canWriteIn() says no for folder (as for a folder of the system), and
    // asks the file system for any other.
    void makeUnwritable(const QString &folder) { m_unwritable.append(folder); }
    void chooseFile(const QString &fileName, int filterIndex = 1);
    // The next askText() gets text (typeText) or is cancelled (cancelText).
    void typeText(const QString &text) { m_texts.push_back({true, text}); }
    void cancelText() { m_texts.push_back({false, QString()}); }
    void cancelFileDialog();
    // The script for the next showing of the dialog named objectName (the
    // scripts of one dialog run in the order given, whatever other dialogs
    // show in between). A dialog still open when its script returns is
    // closed as by its close box.
    void onDialog(const QString &objectName, DialogScript script);
    void setToday(const QDate &d) { m_now = QDateTime(d, m_now.time()); }
    void setNow(const QDateTime &t) { m_now = t; }
    void setProgramDirectory(const QString &dir) { m_dir = dir; }

    // --- what the test reads back ------------------------------------------------
    QList<Shown> shown;
    QList<FileDialogRequest> fileRequests;
    QStringList dialogsShown; // object names, in order
    QStringList openedDocuments;
    bool noDocumentViewer = false; // openDocument() finds no program to open with
    int terminated = 0;
    // Texts of every box of the given kind, in order.
    QStringList texts(const QString &kind) const;
    QStringList errors() const { return texts(QStringLiteral("general error")); }
    bool hasPendingScripts() const;
    // Forgets what was shown; an error box among it that the test never read
    // still fails the test at its end.
    void clearShown() { shown.clear(); }

    // --- Platform ---------------------------------------------------------------
    bool askYesNo(QWidget *owner, const QString &text, const QString &caption) override;
    int askChoice(QWidget *owner, const QString &text, const QStringList &choices, const QString &caption) override;
    void showMessage(QWidget *owner, const QString &text) override;
    void showInformation(QWidget *owner, const QString &text, const QString &caption) override;
    void showError(QWidget *owner, const QString &text, const QString &caption) override;
    void showGeneralError(const QString &text) override;
    bool askText(QWidget *owner, const QString &title, const QString &label, bool secret, QString *text) override;
    FileDialogResult saveFile(QWidget *owner, const FileDialogRequest &request) override;
    FileDialogResult openFile(QWidget *owner, const FileDialogRequest &request) override;
    int showModal(QDialog *dialog) override;
    QDate today() override { return m_now.date(); }
    QDateTime now() override { return m_now; }
    QString programDirectory() override { return m_dir; }
    bool canWriteIn(const QString &folder) override;
    bool copyFile(const QString &from, const QString &to) override;
    bool deleteFile(const QString &path) override;
    bool openDocument(const QString &path) override;
    // The real platform ends the process here, without unwinding: what a
    // handler leaves for its destructors never happens then.
    void terminate() override
    {
        ++terminated;
        if (atTerminate)
            atTerminate();
    }
    std::function<void()> atTerminate;

private:
    FileDialogResult nextFile(const FileDialogRequest &request);

    std::deque<bool> m_answers;
    std::deque<QString> m_choices;
    QStringList m_unwritable;
    std::deque<FileDialogResult> m_files;
    std::deque<std::pair<bool, QString>> m_texts;
    std::deque<std::pair<QString, DialogScript>> m_scripts;
    QDateTime m_now;
    // error boxes (general and others) shown and not yet read by texts() of
    // their kind, kept apart from shown so that clearing it loses none
    mutable QList<Shown> m_unread;
    QString m_dir;
};
