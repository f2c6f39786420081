#pragma once

#include <QWidget>

class DBGridEh;
class GridPrinter;
class LineChart;
class QComboBox;
class QDateEdit;
class QPushButton;
class SaveDialog;

// The period comparison: totals of the ledger per day, month or year over a
// date range, optionally for one item and detail, in a grid with sums and as
// two lines (expenses and incomes) over the periods. It reads the ledger only.
class ComparisonPage : public QWidget
{
    Q_OBJECT
public:
    // printer, saveDialog (exports) and pictureDialog (pictures) belong to
    // the main window.
    ComparisonPage(GridPrinter *printer, SaveDialog *saveDialog, SaveDialog *pictureDialog, QWidget *parent = nullptr);

    LineChart *DBChart2;
    DBGridEh *DBGridEh3;
    QPushButton *BitBtn19;      // 打印图片
    QPushButton *BitBtn20;      // 导出图片
    QDateEdit *DateTimePicker3; // from
    QDateEdit *DateTimePicker4; // to
    QComboBox *ComboBox3;       // period
    QComboBox *ComboBox5;       // item
    QComboBox *ComboBox4;       // detail
    QPushButton *BitBtn16;      // 统 计
    QPushButton *BitBtn17;      // 打印表格
    QPushButton *BitBtn18;      // 导出数据

    // The item list, from the rows of ADOQxmls read anew (at start-up).
    // The names of the items, read anew into the item list (ADOQxmls, which
    // is left past its last row); throws the DbError of the reading.
    static QStringList readItems();
    // The item choice: 选择全部, then names.
    void fillItems(const QStringList &names);
    void ComboBox5Change();
    // The statement that 统 计 runs, built from the controls.
    QString statement() const;
    // The labels of every period from from to to: days (period 0, as
    // "yyyy-MM-dd"), months (1, "yyyy-MM") or years (2, "yyyy").
    static QStringList periodLabels(int period, const QDate &from, const QDate &to);
    void BitBtn16Click();
    void BitBtn17Click();
    void BitBtn18Click();
    void BitBtn19Click();
    void BitBtn20Click();

private:
    GridPrinter *m_printer;
    SaveDialog *m_saveDialog;
    SaveDialog *m_pictureDialog;
};
