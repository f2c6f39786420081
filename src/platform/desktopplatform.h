#pragma once

#include "platform.h"

#include <QMessageBox>

#include <memory>

// The platform of a real desktop session, over Qt's dialogs and services.
class DesktopPlatform : public Platform
{
public:
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
    QDate today() override;
    QDateTime now() override;
    QString programDirectory() override;
    bool canWriteIn(const QString &folder) override;
    bool copyFile(const QString &from, const QString &to) override;
    bool deleteFile(const QString &path) override;
    bool openDocument(const QString &path) override;
    void terminate() override;

    // "xls （EXCEL电子表格）|xls|txt （文本文件）|txt" as Qt's name filters:
    // "xls （EXCEL电子表格） (*.xls)" and so on; a bare word is an extension,
    // a pattern with "*", "?" or "." stays as it is.
    static QStringList nameFilters(const QString &filter);
    // The box of askYesNo(): the buttons Yes and No, No the default and
    // escape button, no icon.
    static std::unique_ptr<QMessageBox> questionBox(QWidget *owner, const QString &text, const QString &caption);
    // The box of askChoice(): a button for each choice in their order, the
    // first the default, the last the escape button, no icon.
    static std::unique_ptr<QMessageBox> choiceBox(QWidget *owner, const QString &text, const QStringList &choices,
                                                  const QString &caption);
};
