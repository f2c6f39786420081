#include "desktopplatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// A carriage return in the program's texts is a line break.
QString shownText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

int messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
               QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, shownText(text), buttons, owner);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
}

// The folder of the last file chosen, where a dialog proposing a bare name opens.
QString &lastFolder()
{
    static QString folder;
    return folder;
}

FileDialogResult runFileDialog(QWidget *owner, const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = DesktopPlatform::nameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(qBound(1, request.filterIndex, int(filters.size())) - 1));
    }
    QString ext = request.defaultExtension;
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    if (!ext.isEmpty())
        dialog.setDefaultSuffix(ext);
    if (QFileInfo(request.fileName).isRelative() && !request.directory.isEmpty()
        && QFileInfo(request.directory).isDir())
        dialog.setDirectory(request.directory);
    else if (QFileInfo(request.fileName).isRelative() && !lastFolder().isEmpty())
        dialog.setDirectory(lastFolder());
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.fileName = dialog.selectedFiles().constFirst();
    lastFolder() = QFileInfo(result.fileName).absolutePath();
    result.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (result.filterIndex < 1)
        result.filterIndex = 1;
    return result;
}

} // namespace

QStringList DesktopPlatform::nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : patterns) {
            p = p.trimmed();
            if (!p.contains(QLatin1Char('*')) && !p.contains(QLatin1Char('?')) && !p.contains(QLatin1Char('.')))
                p = QStringLiteral("*.") + p; // a bare extension
        }
        result.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return result;
}

std::unique_ptr<QMessageBox> DesktopPlatform::questionBox(QWidget *owner, const QString &text, const QString &caption)
{
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, caption, shownText(text),
                                             QMessageBox::Yes | QMessageBox::No, owner);
    box->setWindowModality(Qt::ApplicationModal);
    // A stray Enter never confirms what cannot be undone.
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    return box;
}

std::unique_ptr<QMessageBox> DesktopPlatform::choiceBox(QWidget *owner, const QString &text, const QStringList &choices,
                                                        const QString &caption)
{
    auto box
        = std::make_unique<QMessageBox>(QMessageBox::NoIcon, caption, shownText(text), QMessageBox::NoButton, owner);
    box->setWindowModality(Qt::ApplicationModal);
    for (int i = 0; i < choices.size(); ++i) {
        QPushButton *button = box->addButton(choices.at(i), QMessageBox::ActionRole);
        button->setObjectName(QStringLiteral("choice%1").arg(i));
        if (i == 0)
            box->setDefaultButton(button);
        if (i == choices.size() - 1)
            box->setEscapeButton(button);
    }
    return box;
}

int DesktopPlatform::askChoice(QWidget *owner, const QString &text, const QStringList &choices, const QString &caption)
{
    if (choices.isEmpty())
        return -1;
    const std::unique_ptr<QMessageBox> box = choiceBox(owner, text, choices, caption);
    box->exec();
    const QAbstractButton *clicked = box->clickedButton();
    for (int i = 0; clicked && i < choices.size(); ++i) {
        if (clicked->objectName() == QStringLiteral("choice%1").arg(i))
            return i;
    }
    return int(choices.size()) - 1; // closed: as by Esc
}

bool DesktopPlatform::askYesNo(QWidget *owner, const QString &text, const QString &caption)
{
    return questionBox(owner, text, caption)->exec() == QMessageBox::Yes;
}

void DesktopPlatform::showMessage(QWidget *owner, const QString &text)
{
    messageBox(owner, QMessageBox::NoIcon, ApplicationTitle, text, QMessageBox::Ok);
}

void DesktopPlatform::showInformation(QWidget *owner, const QString &text, const QString &caption)
{
    messageBox(owner, QMessageBox::Information, caption, text, QMessageBox::Ok);
}

void DesktopPlatform::showError(QWidget *owner, const QString &text, const QString &caption)
{
    messageBox(owner, QMessageBox::Critical, caption, text, QMessageBox::Ok);
}

void DesktopPlatform::showGeneralError(const QString &text)
{
    messageBox(QApplication::activeWindow(), QMessageBox::Critical, ApplicationTitle, text, QMessageBox::Ok);
}

bool DesktopPlatform::askText(QWidget *owner, const QString &title, const QString &label, bool secret, QString *text)
{
    QInputDialog dialog(owner);
    dialog.setObjectName(QStringLiteral("TextQuestion"));
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setTextEchoMode(secret ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *text = dialog.textValue();
    return true;
}

FileDialogResult DesktopPlatform::saveFile(QWidget *owner, const FileDialogRequest &request)
{
    return runFileDialog(owner, request, QFileDialog::AcceptSave);
}

FileDialogResult DesktopPlatform::openFile(QWidget *owner, const FileDialogRequest &request)
{
    return runFileDialog(owner, request, QFileDialog::AcceptOpen);
}

int DesktopPlatform::showModal(QDialog *dialog)
{
    return dialog->exec();
}

QDate DesktopPlatform::today()
{
    return QDate::currentDate();
}

QDateTime DesktopPlatform::now()
{
    const QDateTime t = QDateTime::currentDateTime();
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
}

QString DesktopPlatform::programDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

bool DesktopPlatform::canWriteIn(const QString &folder)
{
    return QFileInfo(folder).isDir() && ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

bool DesktopPlatform::copyFile(const QString &from, const QString &to)
{
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath() && QFileInfo::exists(to))
        return true;
    // Copied under a temporary name, then renamed over the target in one step.
    const QString temp = to + QStringLiteral(".copying");
    QFile::remove(temp);
    if (!QFile::copy(from, temp))
        return false;
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(to).constData()) != 0) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

bool DesktopPlatform::deleteFile(const QString &path)
{
    return QFile::remove(path);
}

bool DesktopPlatform::openDocument(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void DesktopPlatform::terminate()
{
    std::exit(0);
}
