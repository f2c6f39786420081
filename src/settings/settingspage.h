#pragma once

#include <QWidget>

class DBEdit;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class SkinData;
class SkinStore;

// The settings page: the ledger start date and the appearance style, and
// the room where the groups of users, backup, import and help stand.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    // store and engine belong to the main window.
    SettingsPage(SkinStore *store, SkinData *engine, QWidget *parent = nullptr);

    QGroupBox *startDateGroup;
    QLabel *Label9;
    DBEdit *DBEdit1;
    QPushButton *BitBtn25;
    QLabel *Label10;
    QGroupBox *styleGroup;
    QLabel *Label11;
    QComboBox *ComboBox6;
    QPushButton *BitBtn26;

    // Where further groups are placed (rows 1 and 2 of column 0 hold the
    // start date and the style).
    QGridLayout *groups() const { return m_groups; }

    void BitBtn25Click();
    void BitBtn26Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void storeStartDate();

    SkinStore *m_store;
    SkinData *m_engine;
    QGridLayout *m_groups;
};
