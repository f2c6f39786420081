#pragma once

#include <QWidget>

class DBGridEh;
class GridPrinter;
class QLabel;
class QPushButton;
class SaveDialog;

// The ledger page: the grid of income and expense entries with their totals
// and the commands to add, change, delete, print, export and filter entries.
class LedgerPage : public QWidget
{
    Q_OBJECT
public:
    // printer and saveDialog belong to the main window.
    LedgerPage(GridPrinter *printer, SaveDialog *saveDialog, QWidget *parent = nullptr);

    QLabel *Label1;
    DBGridEh *DBGridEh1;
    QPushButton *BitBtn1; // 增加
    QPushButton *BitBtn2; // 修改
    QPushButton *BitBtn3; // 删除
    QPushButton *BitBtn4; // 打印
    QPushButton *BitBtn5; // 导出数据
    QPushButton *BitBtn6; // 条件筛选
    QPushButton *BitBtn7; // 导入账单
    QPushButton *BitBtn8; // 定期收支

    // Binds the twelve columns of the grid (done once at start-up).
    void bindColumns();

    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void BitBtn6Click();
    // Reads a bill of 支付宝, 微信支付 or a bank chosen by the user (asking
    // for the password of an encrypted archive) and shows its preview; the
    // ledger is read anew when the preview imported or undid anything.
    void BitBtn7Click();
    // The templates of recurring entries; the ledger is read anew when they
    // posted anything.
    void BitBtn8Click();

private:
    GridPrinter *m_printer;
    SaveDialog *m_saveDialog;
};
