#pragma once

#include <QObject>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QWidget;

// The settings page's groups of the data's care: "数据库管理" (backup and
// restore of the database file), "自动备份" (the backups kept at the exit,
// each of which can be restored), "1.0旧版本帐本数据移植" (the import of the
// books of version 1.0) and "版本信息" (the version banner and the help
// document).
class MaintenanceGroups : public QObject
{
    Q_OBJECT
public:
    // The groups are made as children of parent (the settings page).
    explicit MaintenanceGroups(QWidget *parent);

    QGroupBox *databaseGroup;
    QPushButton *BitBtn38; // 数据备份
    QPushButton *BitBtn39; // 数据恢复
    QGroupBox *autoBackupGroup;
    QTreeWidget *ListView1; // the automatic backups: time and size, newest first
    QLabel *Label20;        // where they are kept and which
    QPushButton *BitBtn42;  // 恢复 the chosen one
    QGroupBox *versionGroup;
    QLabel *Image2;        // the banner
    QPushButton *BitBtn41; // 帮助文档
    QGroupBox *importGroup;
    QPushButton *Button2;  // choose the 1.0 file
    QLineEdit *Edit6;      // its path
    QPushButton *BitBtn40; // 导入1.0旧版帐本数据

    // The name the backup proposes: today in the short date format and
    // "帐本备份.qhd".
    static QString proposedBackupName();
    // The help document beside the program (the compiled one when it is
    // there, else the HTML one), else the one an installation keeps in
    // "../share/doc/doz/help/" beside the program's folder; "" when none is.
    static QString helpDocument();

    // Lists the automatic backups of the ledger that is open (none when it
    // is not open).
    void fillAutoBackups();
    // The restore of 数据恢复 once a file is chosen: asks first, copies file
    // beside the ledger and checks the copy, keeps the replaced ledger as a
    // safety copy, puts the copy in its place and ends the program. Every
    // failure is told and leaves the ledger as it was.
    void restoreFrom(const QString &file);
    // For a ledger opened read-only: the commands that would change it
    // (restore, import, restore of an automatic backup) are turned off.
    void setReadOnly(bool readOnly);

    void BitBtn38Click();
    void BitBtn39Click();
    void BitBtn41Click();
    void Button2Click();
    void BitBtn40Click();
    void BitBtn42Click();

private:
    QWidget *m_page;
    bool m_readOnly = false;
};
