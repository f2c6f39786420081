#pragma once

#include <QWidget>

class BudgetView;
class DBGridEh;
class GridPrinter;
class PieChart;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;
class SaveDialog;

// The category summary: totals of the ledger over a date range by item,
// detail, account or type, in a grid with sums and in a three-dimensional
// pie that can be turned, zoomed, tilted, printed and saved as a picture.
// It reads the ledger only.
class SummaryPage : public QWidget
{
    Q_OBJECT
public:
    // printer, saveDialog (exports) and pictureDialog (pictures) belong to
    // the main window.
    SummaryPage(GridPrinter *printer, SaveDialog *saveDialog, SaveDialog *pictureDialog, QWidget *parent = nullptr);

    QLabel *Label2;
    DBGridEh *DBGridEh2;
    QDateEdit *DateTimePicker1; // from
    QDateEdit *DateTimePicker2; // to
    QComboBox *ComboBox1;       // grouping
    QComboBox *ComboBox2;       // type
    QComboBox *ComboBox9;       // account
    QPushButton *BitBtn7;       // 统 计
    QPushButton *BitBtn8;       // 打印
    QPushButton *BitBtn9;       // 导出数据
    PieChart *DBChart1;
    QPushButton *BitBtn10; // 旋转
    QPushButton *BitBtn11; // 放大
    QPushButton *BitBtn12; // 缩小
    QPushButton *BitBtn13; // 翻转
    QPushButton *BitBtn14; // 打印
    QPushButton *BitBtn15; // 导出图片
    // 分类汇总 (the grid and the pie) or 预算执行
    QTabBar *TabBar1;
    QStackedWidget *Views;
    BudgetView *BudgetView1;

    // The label of a group whose key is empty (entries without the item,
    // detail or account).
    static QString emptyKeyLabel();

    void TabSheet2Show();
    void ComboBox1Change();
    // The statement that 统 计 runs, built from the controls.
    QString statement() const;
    void BitBtn7Click();
    void BitBtn8Click();
    void BitBtn9Click();
    void BitBtn10Click();
    void BitBtn11Click();
    void BitBtn12Click();
    void BitBtn13Click();
    void BitBtn14Click();
    void BitBtn15Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    GridPrinter *m_printer;
    SaveDialog *m_saveDialog;
    SaveDialog *m_pictureDialog;
};
