#include "desktopplatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include <cstdlib>

namespace {

int messageBox(QWidget *owner, QMessageBox::Icon icon, const QString &caption, const QString &text,
               QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons, owner);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec();
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
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.fileName = dialog.selectedFiles().constFirst();
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
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        result.append(parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return result;
}

bool DesktopPlatform::askYesNo(QWidget *owner, const QString &text, const QString &caption)
{
    return messageBox(owner, QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
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

bool DesktopPlatform::copyFile(const QString &from, const QString &to)
{
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath() && QFileInfo::exists(to))
        return true;
    const QString temp = to + QStringLiteral(".copying");
    QFile::remove(temp);
    if (!QFile::copy(from, temp))
        return false;
    QFile::remove(to);
    return QFile::rename(temp, to);
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
