// The data grid: number formats, footers, following the current row both
// ways, sorting by the titles, frozen columns, the layout menu entries.
#include "components/dbgrideh.h"
#include "components/gridprinter.h"
#include "support/scriptedplatform.h"
#include "support/testdb.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

TEST(FormatNumber, PatternsAndRounding)
{
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), 1234.5), QStringLiteral("1234.50"));
    EXPECT_EQ(formatNumber(QStringLiteral("共0条记录"), 25), QStringLiteral("共25条记录"));
    EXPECT_EQ(formatNumber(QStringLiteral("共 0 项"), 3), QStringLiteral("共 3 项"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), 0), QStringLiteral("0.00"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), -12.5), QStringLiteral("-12.50"));
    // rounding half away from zero on the shown digits, no "-0.00"
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), 2.675), QStringLiteral("2.68"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), -2.675), QStringLiteral("-2.68"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), 9.995), QStringLiteral("10.00"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), -0.001), QStringLiteral("0.00"));
    EXPECT_EQ(formatNumber(QStringLiteral("0"), 2.5), QStringLiteral("3"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.00"), 123456789012.345), QStringLiteral("123456789012.35"));
    // optional digits and grouping
    EXPECT_EQ(formatNumber(QStringLiteral("#,##0.00"), 1234567.891), QStringLiteral("1,234,567.89"));
    EXPECT_EQ(formatNumber(QStringLiteral("#,##0.00"), -999.999), QStringLiteral("-1,000.00"));
    EXPECT_EQ(formatNumber(QStringLiteral("0.0#"), 1.256), QStringLiteral("1.26"));
    EXPECT_EQ(formatNumber(QStringLiteral("#.##"), 0.5), QStringLiteral(".5"));
    // literal text around the number, dots and commas outside it stay text
    EXPECT_EQ(formatNumber(QStringLiteral("合计：0.00元"), 8), QStringLiteral("合计：8.00元"));
    EXPECT_EQ(formatNumber(QStringLiteral("No. 0"), 8), QStringLiteral("No. 8"));
    EXPECT_EQ(formatNumber(QString(), 12.5), QStringLiteral("12.5"));
    EXPECT_EQ(formatNumber(QStringLiteral("约"), 3), QStringLiteral("约3"));
}

namespace {

GridColumn column(const char *title, const char *field, int width = 80)
{
    GridColumn c;
    c.title = QString::fromUtf8(title);
    c.field = QString::fromUtf8(field);
    c.width = width;
    return c;
}

class GridTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const struct
        {
            int day;
            const char *item;
            double income;
            double expense;
        } rows[] = {{3, "餐饮", 0, 30.5}, {1, "工资收入", 5000, 0}, {2, "交通", 0, 12.25}};
        for (const auto &r : rows)
            db.exec(QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,bz) values (#2026-3-%1#,'支出','%2',%3,%4,null)")
                        .arg(r.day)
                        .arg(QString::fromUtf8(r.item))
                        .arg(r.income)
                        .arg(r.expense));
        ledger = std::make_unique<Dataset>(db.connection());
        ledger->addSql(QStringLiteral("select * from szzb where zbid>0 order by zbid"));
        ledger->open();
        source = std::make_unique<DataSource>(ledger.get());

        GridColumn date = column("日期", "rq", 90);
        date.footer = FooterKind::Count;
        date.footerFormat = QStringLiteral("共0条记录");
        GridColumn income = column("收入", "sr");
        income.displayFormat = QStringLiteral("0.00");
        income.alignment = Qt::AlignRight | Qt::AlignVCenter;
        income.footer = FooterKind::Sum;
        income.footerFormat = QStringLiteral("0.00");
        GridColumn expense = income;
        expense.title = QStringLiteral("支出");
        expense.field = QStringLiteral("zc");
        expense.color = Qt::red;
        grid.setObjectName(QStringLiteral("lszGrid"));
        grid.setColumns({date, column("项目", "xm"), income, expense, column("备注", "bz", 200)});
        grid.setDataSource(source.get());
        grid.resize(400, 300);
        grid.show();
        QApplication::processEvents();
    }

    QHeaderView *titles() const { return grid.view()->horizontalHeader(); }
    int viewRow() const { return grid.view()->selectionModel()->currentIndex().row(); }
    void clickRow(QTableView *view, int row, int column)
    {
        const QRect cell = view->visualRect(view->model()->index(row, column));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    }
    void clickTitle(int column)
    {
        const int x = titles()->sectionViewportPosition(column) + titles()->sectionSize(column) / 2;
        QTest::mouseClick(titles()->viewport(), Qt::LeftButton, {}, QPoint(x, titles()->height() / 2));
    }
    QStringList footers() const
    {
        QStringList result;
        for (int c = 0; c < grid.columns().size(); ++c)
            result.append(grid.footerText(c));
        return result;
    }
    QString currentItem() const { return ledger->asString(QStringLiteral("xm")); }

    ScriptedPlatform scripted;
    TempDatabase db;
    std::unique_ptr<Dataset> ledger;
    std::unique_ptr<DataSource> source;
    DBGridEh grid;
};

} // namespace

TEST_F(GridTest, CellsShowTheColumnsFormatsAndAlignment)
{
    EXPECT_EQ(grid.cellText(0, 0), QStringLiteral("2026-03-03"));
    EXPECT_EQ(grid.cellText(1, 2), QStringLiteral("5000.00"));
    EXPECT_EQ(grid.cellText(2, 3), QStringLiteral("12.25"));
    EXPECT_EQ(grid.cellText(0, 2), QStringLiteral("0.00"));
    EXPECT_EQ(grid.cellText(0, 4), QString()); // Null shows as nothing, not as a format
    EXPECT_EQ(grid.cellText(3, 0), QString()); // past the last row
    EXPECT_EQ(grid.cellText(0, 5), QString()); // no such column

    const QAbstractItemModel *model = grid.view()->model();
    EXPECT_EQ(model->index(1, 2).data().toString(), QStringLiteral("5000.00")); // what the view paints
    EXPECT_EQ(model->index(1, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(model->index(1, 3).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_FALSE(model->index(1, 2).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("项目"));
    EXPECT_EQ(titles()->defaultAlignment(), Qt::AlignCenter);
    EXPECT_EQ(grid.view()->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(grid.view()->columnWidth(4), grid.scaledWidth(200));

    // the footer row sits between the rows and the scroll bar, as wide as the rows
    auto *footer = grid.view()->findChild<QWidget *>(QStringLiteral("DBGridEhFooter"));
    ASSERT_NE(footer, nullptr);
    const QRect rows = grid.view()->viewport()->geometry();
    EXPECT_EQ(footer->geometry(), QRect(rows.left(), rows.bottom() + 1, rows.width(), footer->height()));
    EXPECT_GT(footer->height(), 0);

    grid.setHint(QStringLiteral("双击修改记录"));
    EXPECT_EQ(grid.toolTip(), QStringLiteral("双击修改记录"));
    EXPECT_EQ(model->index(0, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("双击修改记录"));
}

TEST_F(GridTest, FootersFollowEveryChangeOfTheList)
{
    EXPECT_EQ(footers(), (QStringList{"共3条记录", "", "5000.00", "42.75", ""}));

    ledger->append();
    ledger->setValue(QStringLiteral("zc"), 7.25);
    EXPECT_EQ(grid.footerText(0), QStringLiteral("共3条记录")); // a row not yet posted does not count
    ledger->post();
    EXPECT_EQ(footers(), (QStringList{"共4条记录", "", "5000.00", "50.00", ""}));

    ledger->moveTo(0);
    ledger->remove();
    EXPECT_EQ(footers(), (QStringList{"共3条记录", "", "5000.00", "19.50", ""}));

    ledger->moveTo(1); // 交通
    ledger->edit();
    ledger->setValue(QStringLiteral("sr"), 100);
    ledger->post();
    EXPECT_EQ(grid.footerText(2), QStringLiteral("5100.00"));

    ledger->requery(QStringLiteral("select * from szzb where zc>10"));
    EXPECT_EQ(footers(), (QStringList{"共1条记录", "", "100.00", "12.25", ""}));

    ledger->requery(QStringLiteral("select * from szzb where zc>1000"));
    EXPECT_EQ(footers(), (QStringList{"共0条记录", "", "0.00", "0.00", ""}));
    ledger->close();
    EXPECT_EQ(footers(), (QStringList{"共0条记录", "", "0.00", "0.00", ""}));
    EXPECT_EQ(grid.view()->model()->rowCount(), 0);
}

TEST_F(GridTest, CurrentRowFollowsTheDatasetAndTheClicks)
{
    EXPECT_EQ(viewRow(), 0);
    ledger->moveTo(2);
    EXPECT_EQ(viewRow(), 2);
    EXPECT_TRUE(grid.view()->selectionModel()->isRowSelected(2, QModelIndex()));

    clickRow(grid.view(), 1, 1);
    EXPECT_EQ(ledger->currentRow(), 1);
    EXPECT_EQ(currentItem(), QStringLiteral("工资收入"));

    QSignalSpy doubles(&grid, &DBGridEh::doubleClicked);
    const QRect cell = grid.view()->visualRect(grid.view()->model()->index(0, 1));
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, cell.center()); // a double click starts as one
    EXPECT_EQ(doubles.count(), 0);
    QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(doubles.count(), 1);
    EXPECT_EQ(ledger->currentRow(), 0);

    grid.view()->setFocus();
    QTest::keyClick(grid.view(), Qt::Key_Down); // the keyboard moves the dataset as well
    EXPECT_EQ(ledger->currentRow(), 1);
    grid.setColumns(grid.columns()); // new columns, same current row
    EXPECT_EQ(viewRow(), 1);

    // appending shows the new row and makes it current in the view too
    ledger->append();
    EXPECT_EQ(grid.view()->model()->rowCount(), 4);
    EXPECT_EQ(viewRow(), 3);
    ledger->cancel();
    EXPECT_EQ(viewRow(), 1);
}

TEST_F(GridTest, AClickThatCannotLeaveThePendingRowLeavesBoth)
{
    ledger->moveTo(0);
    ledger->edit();
    ledger->setValue(QStringLiteral("xm"), QString(51, QLatin1Char('x'))); // too long for the column
    clickRow(grid.view(), 2, 1);
    ASSERT_EQ(scripted.errors().size(), 1); // shown by the guard, nothing thrown out of the click
    EXPECT_EQ(ledger->currentRow(), 0);
    EXPECT_EQ(ledger->state(), Dataset::State::Edit);
    QApplication::processEvents();
    EXPECT_EQ(viewRow(), 0);
    EXPECT_TRUE(grid.view()->selectionModel()->isRowSelected(0, QModelIndex()));
    EXPECT_FALSE(grid.view()->selectionModel()->isRowSelected(2, QModelIndex()));
    ledger->cancel();
}

TEST_F(GridTest, TitleClicksSortInMemoryBothWaysKeepingTheCurrentRecord)
{
    ledger->moveTo(2); // 交通 12.25
    clickTitle(3);     // 支出
    EXPECT_EQ((QStringList{grid.cellText(0, 3), grid.cellText(1, 3), grid.cellText(2, 3)}),
              (QStringList{"0.00", "12.25", "30.50"}));
    EXPECT_EQ(currentItem(), QStringLiteral("交通"));
    EXPECT_EQ(viewRow(), ledger->currentRow());
    EXPECT_TRUE(titles()->isSortIndicatorShown());
    EXPECT_EQ(titles()->sortIndicatorSection(), 3);
    EXPECT_EQ(titles()->sortIndicatorOrder(), Qt::AscendingOrder);

    clickTitle(3);
    EXPECT_EQ((QStringList{grid.cellText(0, 3), grid.cellText(1, 3), grid.cellText(2, 3)}),
              (QStringList{"30.50", "12.25", "0.00"}));
    EXPECT_EQ(currentItem(), QStringLiteral("交通"));
    EXPECT_EQ(viewRow(), ledger->currentRow());
    EXPECT_EQ(titles()->sortIndicatorOrder(), Qt::DescendingOrder);

    clickTitle(0); // another column starts ascending again
    EXPECT_EQ(grid.cellText(0, 0), QStringLiteral("2026-03-01"));
    EXPECT_EQ(titles()->sortIndicatorSection(), 0);
    EXPECT_EQ(titles()->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(footers().at(3), QStringLiteral("42.75"));

    ledger->requery(QStringLiteral("select * from szzb where zbid>0 order by zbid")); // a new result is unsorted
    EXPECT_FALSE(titles()->isSortIndicatorShown());
}

TEST_F(GridTest, FrozenColumnsStayWhileTheRestScrolls)
{
    grid.setFrozenColumns(1);
    auto *frozen = grid.view()->findChild<QTableView *>(QStringLiteral("DBGridEhFrozenView"));
    ASSERT_NE(frozen, nullptr);
    EXPECT_TRUE(frozen->isVisible());
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(frozen->isColumnHidden(c), c != 0) << c;
    EXPECT_EQ(frozen->width(), grid.view()->columnWidth(0));
    EXPECT_EQ(frozen->selectionModel(), grid.view()->selectionModel()); // one selection for both

    QScrollBar *sideways = grid.view()->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);
    const QPoint place = frozen->pos();
    sideways->setValue(sideways->maximum());
    QApplication::processEvents();
    EXPECT_EQ(frozen->pos(), place);
    EXPECT_EQ(frozen->horizontalHeader()->sectionViewportPosition(0), 0);

    clickRow(frozen, 2, 0); // a click on the frozen part moves the dataset too
    EXPECT_EQ(ledger->currentRow(), 2);

    // the frozen columns are the leading visible ones in display order
    titles()->moveSection(titles()->visualIndex(1), 0);
    EXPECT_FALSE(frozen->isColumnHidden(1));
    EXPECT_TRUE(frozen->isColumnHidden(0));
    grid.setColumnVisible(1, false);
    EXPECT_FALSE(frozen->isColumnHidden(0));
    grid.view()->setColumnWidth(0, 120);
    EXPECT_EQ(frozen->columnWidth(0), 120);
    EXPECT_EQ(frozen->width(), 120);
    grid.setFrozenColumns(0);
    EXPECT_FALSE(frozen->isVisible());
}

TEST_F(GridTest, AFillingColumnTakesTheRoomUntilTheWidthsAreTheHouseholds)
{
    QList<GridColumn> columns = grid.columns();
    columns[2].fills = true; // a remark in the middle
    grid.setColumns(columns);
    grid.resize(1400, 300);
    grid.show();
    QApplication::processEvents();
    QTableView *view = grid.view();
    int others = 0;
    for (int c : grid.visibleColumns())
        if (c != 2)
            others += view->columnWidth(c);
    EXPECT_EQ(view->columnWidth(2), view->viewport()->width() - others);
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    // a narrow grid: never narrower than its width, the rest scrolls
    grid.resize(200, 300);
    QApplication::processEvents();
    EXPECT_EQ(view->columnWidth(2), columns[2].width);
    EXPECT_GT(view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(grid.neededWidth() - view->width() + view->viewport()->width(),
              others + columns[2].width + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view)
                  + (view->verticalHeader()->isVisible() ? view->verticalHeader()->width() : 0));
    // a stored layout is the household's: its widths stay as stored
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("doz-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("grid-filling"));
    grid.saveLayout(); // with the remark at its own width
    grid.restoreLayout();
    grid.resize(1400, 300);
    QApplication::processEvents();
    EXPECT_EQ(view->columnWidth(2), columns[2].width);
    grid.hide();
}

TEST_F(GridTest, LayoutIsSavedAndRestoredUnderTheGridsName)
{
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("doz-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("grid-layout"));

    titles()->moveSection(titles()->visualIndex(3), 0); // 支出 first
    grid.view()->setColumnWidth(1, 150);
    grid.setColumnVisible(4, false);
    const QList<int> arranged = grid.visibleColumns();
    EXPECT_EQ(arranged, (QList<int>{3, 0, 1, 2}));
    grid.saveLayout();

    grid.setColumns(grid.columns()); // back to the columns as given
    EXPECT_EQ(grid.visibleColumns(), (QList<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(grid.view()->columnWidth(1), grid.scaledWidth(80));

    grid.restoreLayout();
    EXPECT_EQ(grid.visibleColumns(), arranged);
    EXPECT_EQ(grid.view()->columnWidth(1), 150);
    EXPECT_FALSE(grid.isColumnVisible(4));
    grid.setColumnVisible(4, true);
    EXPECT_EQ(grid.view()->columnWidth(4), grid.scaledWidth(200)); // a hidden column keeps its width

    // another grid's name keeps its own layout (none yet)
    DBGridEh other;
    other.setObjectName(QStringLiteral("otherGrid"));
    other.setColumns(grid.columns());
    other.restoreLayout();
    EXPECT_EQ(other.visibleColumns(), (QList<int>{0, 1, 2, 3, 4}));

    // grids of one name in two windows keep their own layouts
    QMainWindow ledgerWindow;
    QDialog listWindow;
    auto *inLedger = new DBGridEh(&ledgerWindow);
    auto *inList = new DBGridEh(&listWindow);
    for (DBGridEh *g : {inLedger, inList}) {
        g->setObjectName(QStringLiteral("DBGridEh1"));
        g->setColumns(grid.columns());
    }
    EXPECT_EQ(inLedger->layoutKey(), QStringLiteral("QMainWindow/DBGridEh1"));
    EXPECT_EQ(inList->layoutKey(), QStringLiteral("QDialog/DBGridEh1"));
    inLedger->setColumnVisible(0, false);
    inLedger->saveLayout();
    inList->saveLayout();
    inLedger->setColumnVisible(0, true);
    inLedger->restoreLayout();
    inList->restoreLayout();
    EXPECT_FALSE(inLedger->isColumnVisible(0));
    EXPECT_TRUE(inList->isColumnVisible(0));
}

TEST_F(GridTest, EveryGridPrintsThroughTheSharedPrinter)
{
    EXPECT_EQ(grid.printer(), nullptr);
    GridPrinter shared;
    DBGridEh::setSharedPrinter(&shared);
    EXPECT_EQ(grid.printer(), &shared);
    GridPrinter own;
    grid.setPrinter(&own);
    EXPECT_EQ(grid.printer(), &own);
    grid.setPrinter(nullptr);
    EXPECT_EQ(grid.printer(), &shared);
    DBGridEh::setSharedPrinter(nullptr);
    EXPECT_EQ(grid.printer(), nullptr);
}

TEST_F(GridTest, TheColumnsDialogShowsAndHidesColumns)
{
    auto *menu = grid.findChild<QMenu *>(QStringLiteral("DBGridEhMenu"));
    ASSERT_NE(menu, nullptr);
    QAction *choose = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("显示/隐藏列"))
            choose = a;
    ASSERT_NE(choose, nullptr);

    QString caption;
    QStringList listed;
    scripted.onDialog(QStringLiteral("DBGridEhColumnsDialog"), [&](QDialog *dialog) {
        caption = dialog->windowTitle();
        auto *list = dialog->findChild<QListWidget *>();
        ASSERT_NE(list, nullptr);
        for (int i = 0; i < list->count(); ++i)
            listed.append(list->item(i)->text());
        list->item(4)->setCheckState(Qt::Unchecked); // 备注
        list->item(1)->setCheckState(Qt::Unchecked); // 项目
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    choose->trigger();
    EXPECT_EQ(caption, QStringLiteral("设置表格列属性"));
    EXPECT_EQ(listed, (QStringList{"日期", "项目", "收入", "支出", "备注"}));
    EXPECT_EQ(grid.visibleColumns(), (QList<int>{0, 2, 3}));

    // cancelling changes nothing; unchecking everything is refused
    bool okEnabled = true;
    scripted.onDialog(QStringLiteral("DBGridEhColumnsDialog"), [&](QDialog *dialog) {
        auto *list = dialog->findChild<QListWidget *>();
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(Qt::Unchecked);
        okEnabled = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled();
        dialog->reject();
    });
    choose->trigger();
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(grid.visibleColumns(), (QList<int>{0, 2, 3}));
    EXPECT_FALSE(scripted.hasPendingScripts());
    EXPECT_EQ(ledger->recordCount(), 3); // nothing in the menu touches the data
}

TEST_F(GridTest, PrintEntryUsesTheGivenPrinterWithTodaysDate)
{
    auto *menu = grid.findChild<QMenu *>(QStringLiteral("DBGridEhMenu"));
    ASSERT_NE(menu, nullptr);
    QAction *print = nullptr;
    for (QAction *a : menu->actions())
        if (a->text() == QStringLiteral("打印表格"))
            print = a;
    ASSERT_NE(print, nullptr);
    EXPECT_FALSE(print->isVisible()); // no printer: no entry

    GridPrinter printer;
    printer.pageHeaderCentre() = QStringList{QStringLiteral("旧标题"), QStringLiteral("第二行")};
    grid.setPrinter(&printer);
    EXPECT_TRUE(print->isVisible());
    scripted.setToday(QDate(2027, 2, 5));
    bool previewed = false;
    scripted.onDialog(QStringLiteral("PrintPreview"), [&](QDialog *) { previewed = true; });
    ledger->moveTo(1);
    print->trigger();
    EXPECT_TRUE(previewed);
    EXPECT_EQ(printer.grid(), &grid);
    EXPECT_EQ(printer.pageHeaderCentre(), QStringList{QStringLiteral("2027-02-05")});
    EXPECT_EQ(ledger->currentRow(), 1);
    EXPECT_TRUE(scripted.errors().isEmpty());

    grid.setPrinter(nullptr);
    EXPECT_FALSE(print->isVisible());
}

TEST(GridWidths, GrowWithTheFontSoThatDatesFit)
{
    DBGridEh grid;
    QFont big = grid.view()->font();
    big.setPixelSize(24);
    grid.view()->setFont(big);
    EXPECT_GT(grid.scaledWidth(65), 65);
    EXPECT_GE(grid.scaledWidth(65), grid.view()->fontMetrics().horizontalAdvance(QStringLiteral("2026-12-09")));
    QFont tiny = big;
    tiny.setPixelSize(6);
    grid.view()->setFont(tiny);
    EXPECT_EQ(grid.scaledWidth(65), 65); // never narrower than given
}
