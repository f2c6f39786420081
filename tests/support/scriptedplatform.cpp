#include "scriptedplatform.h"

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

ScriptedPlatform::ScriptedPlatform()
    : m_now(QDate(2026, 12, 9), QTime(10, 30, 15))
{
    setPlatform(this);
}

ScriptedPlatform::~ScriptedPlatform()
{
    setPlatform(nullptr);
    // what a test scripted happened, and what went wrong was looked at
    for (const auto &script : m_scripts)
        ADD_FAILURE() << "the dialog " << script.first.toStdString() << " was never shown for its script";
    if (!m_answers.empty())
        ADD_FAILURE() << m_answers.size() << " answer(s) to questions never asked";
    if (!m_choices.empty())
        ADD_FAILURE() << m_choices.size() << " choice(s) never offered";
    if (!m_files.empty())
        ADD_FAILURE() << m_files.size() << " file dialog choice(s) never used";
    if (!m_texts.empty())
        ADD_FAILURE() << m_texts.size() << " typed text(s) never asked for";
    for (const Shown &s : std::as_const(m_unread))
        ADD_FAILURE() << "an error box nobody looked at (" << s.kind.toStdString() << "): " << s.text.toStdString();
}

void ScriptedPlatform::chooseFile(const QString &fileName, int filterIndex)
{
    m_files.push_back({true, fileName, filterIndex});
}

void ScriptedPlatform::cancelFileDialog()
{
    m_files.push_back({false, QString(), 1});
}

void ScriptedPlatform::onDialog(const QString &objectName, DialogScript script)
{
    m_scripts.emplace_back(objectName, std::move(script));
}

QStringList ScriptedPlatform::texts(const QString &kind) const
{
    QStringList result;
    for (const Shown &s : shown)
        if (s.kind == kind)
            result.append(s.text);
    // a test that reads them has seen them
    m_unread.removeIf([&kind](const Shown &s) { return s.kind == kind; });
    return result;
}

bool ScriptedPlatform::hasPendingScripts() const
{
    return !m_scripts.empty();
}

bool ScriptedPlatform::askText(QWidget *, const QString &title, const QString &label, bool, QString *text)
{
    shown.append({QStringLiteral("text question"), title, label});
    if (m_texts.empty()) {
        ADD_FAILURE() << "unexpected question for a text: " << label.toStdString();
        return false;
    }
    const auto [typed, value] = m_texts.front();
    m_texts.pop_front();
    if (typed)
        *text = value;
    return typed;
}

bool ScriptedPlatform::askYesNo(QWidget *, const QString &text, const QString &caption)
{
    shown.append({QStringLiteral("question"), caption, text});
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return false;
    }
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

int ScriptedPlatform::askChoice(QWidget *, const QString &text, const QStringList &choices, const QString &caption)
{
    shown.append({QStringLiteral("choice"), caption,
                  text + QStringLiteral(" [") + choices.join(QLatin1Char('|')) + QLatin1Char(']')});
    if (m_choices.empty()) {
        ADD_FAILURE() << "unexpected choice: " << text.toStdString();
        return int(choices.size()) - 1;
    }
    const QString choice = m_choices.front();
    m_choices.pop_front();
    const int position = int(choices.indexOf(choice));
    if (position < 0) {
        ADD_FAILURE() << "no button " << choice.toStdString() << " among "
                      << choices.join(QLatin1Char('|')).toStdString();
        return int(choices.size()) - 1;
    }
    return position;
}

bool ScriptedPlatform::canWriteIn(const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    for (const QString &f : m_unwritable)
        if (QDir::cleanPath(f) == clean)
            return false;
    return QFileInfo(folder).isDir() && QFileInfo(folder).isWritable();
}

void ScriptedPlatform::showMessage(QWidget *, const QString &text)
{
    shown.append({QStringLiteral("message"), ApplicationTitle, text});
}

void ScriptedPlatform::showInformation(QWidget *, const QString &text, const QString &caption)
{
    shown.append({QStringLiteral("information"), caption, text});
}

void ScriptedPlatform::showError(QWidget *, const QString &text, const QString &caption)
{
    shown.append({QStringLiteral("error"), caption, text});
    m_unread.append(shown.last());
}

void ScriptedPlatform::showGeneralError(const QString &text)
{
    shown.append({QStringLiteral("general error"), ApplicationTitle, text});
    m_unread.append(shown.last());
}

FileDialogResult ScriptedPlatform::nextFile(const FileDialogRequest &request)
{
    fileRequests.append(request);
    if (m_files.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << request.title.toStdString();
        return {};
    }
    const FileDialogResult r = m_files.front();
    m_files.pop_front();
    return r;
}

FileDialogResult ScriptedPlatform::saveFile(QWidget *, const FileDialogRequest &request)
{
    return nextFile(request);
}

FileDialogResult ScriptedPlatform::openFile(QWidget *, const FileDialogRequest &request)
{
    return nextFile(request);
}

int ScriptedPlatform::showModal(QDialog *dialog)
{
    dialogsShown.append(dialog->objectName());
    dialog->setResult(0);
    dialog->show();
    QApplication::processEvents();
    // the first script waiting for this dialog, in the order they were given
    const auto it = std::find_if(m_scripts.begin(), m_scripts.end(),
                                 [dialog](const auto &s) { return s.first == dialog->objectName(); });
    if (it != m_scripts.end()) {
        DialogScript script = std::move(it->second);
        m_scripts.erase(it);
        script(dialog);
    }
    if (dialog->isVisible())
        dialog->close(); // as by the close box
    return dialog->result();
}

bool ScriptedPlatform::copyFile(const QString &from, const QString &to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

bool ScriptedPlatform::deleteFile(const QString &path)
{
    return QFile::remove(path);
}

bool ScriptedPlatform::openDocument(const QString &path)
{
    openedDocuments.append(path);
    return !noDocumentViewer && QFile::exists(path);
}
