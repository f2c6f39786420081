#pragma once

#include <QObject>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The settings page's groups of the data's care: "数据库管理" (backup and
// restore of the database file), "1.0旧版本帐本数据移植" (the import of the
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
    // The help document beside the program: the compiled one when it is
    // there, else the HTML one; "" when neither is.
    static QString helpDocument();

    void BitBtn38Click();
    void BitBtn39Click();
    void BitBtn41Click();
    void Button2Click();
    void BitBtn40Click();

private:
    QWidget *m_page;
};
