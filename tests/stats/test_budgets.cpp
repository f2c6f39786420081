// Budgets: the arithmetic of a month (and of a year), rolling over, the
// 预算执行 view and its dialogs, the notice of an expense that goes over,
// and the dashed line of the comparison.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/linechart.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmdz.h"
#include "stats/budgets.h"
#include "stats/budgetview.h"
#include "stats/comparisonpage.h"
#include "stats/summarypage.h"
#include "stats/tfrmyssz.h"
#include "support/app/appfixture.h"

#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>

#include <cmath>

namespace {

const QDate Today(2026, 12, 10);

class Budget : public AppFixture
{
protected:
    void SetUp() override
    {
        platform.setNow(QDateTime(Today, QTime(9, 0)));
        start();
    }

    void expense(const QString &date, const QString &item, const QString &amount)
    {
        exec(
            QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr) values (#%1#,'支出','%2','',0,%3,-%3,'现金')")
                .arg(date, item, amount));
    }
    void income(const QString &date, const QString &item, const QString &amount)
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr) values (#%1#,'收入','%2','',%3,0,%3,'现金')")
                 .arg(date, item, amount));
    }
    // a budget set up in the month start (January 2026 unless said)
    void budget(const QString &item, const QString &period, const QString &amount, bool rollover = false,
                const QString &start = QStringLiteral("2026-01"))
    {
        exec(QStringLiteral("insert into yszb (xm,zq,je,jz,ksyf) values ('%1','%2',%3,%4,'%5')")
                 .arg(item, period, amount)
                 .arg(rollover ? 1 : 0)
                 .arg(start));
    }
    Budgets::Line lineOf(const QDate &month, const QString &item)
    {
        for (const Budgets::Line &l : Budgets::execution(dm->ADOConnection1, month))
            if (l.item == item)
                return l;
        ADD_FAILURE() << "no budget line of " << item.toStdString();
        return {};
    }
};

} // namespace

TEST_F(Budget, AMonthToTheCentWithRefundsOverridesYearsAndRollingOver)
{
    budget(QStringLiteral("餐饮"), Budgets::Monthly, QStringLiteral("2000"));
    budget(QStringLiteral("餐饮"), QStringLiteral("2026-11"), QStringLiteral("3000.5"));
    budget(QStringLiteral("金融保险"), Budgets::Yearly, QStringLiteral("6000"));
    budget(QStringLiteral("交通"), Budgets::Monthly, QStringLiteral("500"), true);
    budget(Budgets::AllExpenses, Budgets::Monthly, QStringLiteral("2500"));
    // 餐饮 in December: 0.1 + 0.2 kinds of amounts add up to the cent
    expense(QStringLiteral("2026-12-1"), QStringLiteral("餐饮"), QStringLiteral("1234.56"));
    expense(QStringLiteral("2026-12-2"), QStringLiteral("餐饮"), QStringLiteral("765.43"));
    expense(QStringLiteral("2026-12-3"), QStringLiteral("餐饮"), QStringLiteral("0.1"));
    expense(QStringLiteral("2026-12-4"), QStringLiteral("餐饮"), QStringLiteral("0.2"));
    income(QStringLiteral("2026-12-5"), QStringLiteral("餐饮"), QStringLiteral("0.29"));     // a refund
    income(QStringLiteral("2026-12-5"), QStringLiteral("工资收入"), QStringLiteral("9000")); // an income item
    expense(QStringLiteral("2027-1-1"), QStringLiteral("餐饮"), QStringLiteral("99"));       // another month
    // 金融保险 by the year
    expense(QStringLiteral("2026-3-1"), QStringLiteral("金融保险"), QStringLiteral("2000"));
    expense(QStringLiteral("2026-11-20"), QStringLiteral("金融保险"), QStringLiteral("4500"));
    expense(QStringLiteral("2025-12-20"), QStringLiteral("金融保险"), QStringLiteral("800")); // last year
    // 交通 rolls over: January left 200, February overspent 100
    expense(QStringLiteral("2026-1-10"), QStringLiteral("交通"), QStringLiteral("300"));
    expense(QStringLiteral("2026-2-10"), QStringLiteral("交通"), QStringLiteral("600"));

    const Budgets::Line food = lineOf(Today, QStringLiteral("餐饮"));
    EXPECT_EQ(food.budgetCents, 200000);
    EXPECT_EQ(food.spentCents, 123456 + 76543 + 10 + 20 - 29);
    EXPECT_EQ(food.leftCents(), 0);
    EXPECT_DOUBLE_EQ(food.percent(), 100.0);
    EXPECT_FALSE(food.yearly);
    // November has a budget of its own; a month with no entries spent nothing
    EXPECT_EQ(lineOf(QDate(2026, 11, 1), QStringLiteral("餐饮")).budgetCents, 300050);
    EXPECT_EQ(lineOf(QDate(2026, 11, 1), QStringLiteral("餐饮")).spentCents, 0);
    EXPECT_EQ(lineOf(QDate(2026, 11, 1), QStringLiteral("餐饮")).percent(), 0.0);

    const Budgets::Line insurance = lineOf(QDate(2026, 11, 30), QStringLiteral("金融保险"));
    EXPECT_TRUE(insurance.yearly);
    EXPECT_EQ(insurance.spentCents, 650000); // the year to the month's end
    EXPECT_EQ(insurance.leftCents(), -50000);
    EXPECT_EQ(lineOf(QDate(2026, 2, 1), QStringLiteral("金融保险")).spentCents, 0);

    EXPECT_EQ(lineOf(QDate(2026, 1, 1), QStringLiteral("交通")).budgetCents, 50000);
    const Budgets::Line march = lineOf(QDate(2026, 3, 1), QStringLiteral("交通"));
    EXPECT_EQ(march.carriedCents, 20000 - 10000);
    EXPECT_EQ(march.budgetCents, 60000);
    // on into the next year: ten more months of 500 left each
    EXPECT_EQ(lineOf(QDate(2027, 1, 1), QStringLiteral("交通")).carriedCents, 10000 + 10 * 50000);
    // a budget set up in November rolls over nothing from the months before it
    budget(QStringLiteral("居住"), Budgets::Monthly, QStringLiteral("600"), true, QStringLiteral("2026-11"));
    expense(QStringLiteral("2026-6-1"), QStringLiteral("居住"), QStringLiteral("100"));
    expense(QStringLiteral("2026-11-1"), QStringLiteral("居住"), QStringLiteral("500"));
    const Budgets::Line home = lineOf(Today, QStringLiteral("居住"));
    EXPECT_EQ(home.carriedCents, 10000);
    EXPECT_EQ(home.budgetCents, 70000);

    // all expenses: what every item spent, income items aside
    const Budgets::Line all = lineOf(Today, Budgets::AllExpenses);
    EXPECT_EQ(all.spentCents, 200000);
    EXPECT_EQ(all.budgetCents, 250000);
    // items without a budget have none; the order of the item list, all last
    QStringList items;
    for (const Budgets::Line &l : Budgets::execution(dm->ADOConnection1, Today))
        items.append(l.item);
    EXPECT_EQ(items, (QStringList{QStringLiteral("餐饮"), QStringLiteral("交通"), QStringLiteral("居住"),
                                  QStringLiteral("金融保险"), Budgets::AllExpenses}));
}

TEST(BudgetFigures, AmountsColoursAndWhatIsTyped)
{
    EXPECT_EQ(Budgets::yuan(235000), QStringLiteral("2 350.00"));
    EXPECT_EQ(Budgets::yuan(-35001), QStringLiteral("-350.01"));
    EXPECT_EQ(Budgets::yuan(123456789012), QStringLiteral("1 234 567 890.12"));
    EXPECT_EQ(BudgetView::barColor(80.0), BudgetView::barColor(0));
    EXPECT_NE(BudgetView::barColor(80.01), BudgetView::barColor(80.0));
    EXPECT_EQ(BudgetView::barColor(100.0), BudgetView::barColor(80.01));
    EXPECT_NE(BudgetView::barColor(100.01), BudgetView::barColor(100.0));
    qint64 cents = 0;
    QString why;
    EXPECT_TRUE(Budgets::parseAmount(QStringLiteral(" 2,000.5 "), &cents, &why));
    EXPECT_EQ(cents, 200050);
    EXPECT_TRUE(Budgets::parseAmount(QStringLiteral("0.07"), &cents, &why));
    EXPECT_EQ(cents, 7);
    EXPECT_TRUE(Budgets::parseAmount(QStringLiteral("1,234,567.8"), &cents, &why));
    EXPECT_EQ(cents, 123456780);
    for (const char *bad : {"", "abc", "-5", "1.234", "0", "0.00", "1e3", "1,5", "2,3,1.7", "12,34", ",100"})
        EXPECT_FALSE(Budgets::parseAmount(QString::fromUtf8(bad), &cents, &why)) << bad;
    EXPECT_FALSE(Budgets::parseAmount(QStringLiteral("1000000000000"), &cents, &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("金额太大"))) << why.toStdString();
}

TEST_F(Budget, AnExpenseThatGoesOverSaysSoAndIsSavedAllTheSame)
{
    budget(QStringLiteral("餐饮"), Budgets::Monthly, QStringLiteral("100"));
    budget(Budgets::AllExpenses, Budgets::Monthly, QStringLiteral("2050"));
    expense(QStringLiteral("2026-12-1"), QStringLiteral("交通"), QStringLiteral("1950"));
    mainWindow->ToolButton1->click();
    TFrmDz *form = forms().FrmDz;
    const auto add = [&](const QString &amount, QPushButton *TFrmDz::*button) {
        platform.onDialog(QStringLiteral("FrmDz"), [form, amount, button](QDialog *) {
            form->DBLookupComboBox1->setCurrentIndex(form->DBLookupComboBox1->findText(QStringLiteral("餐饮")));
            Q_EMIT form->DBLookupComboBox1->activated(form->DBLookupComboBox1->currentIndex());
            form->DBEdit2->setText(amount);
            (form->*button)->click();
            if (button == &TFrmDz::BitBtn3) { // 继续增加: the next one is left
                EXPECT_TRUE(form->isVisible());
                form->BitBtn2->click();
            }
        });
        mainWindow->TabSheet1->BitBtn1->click();
    };
    add(QStringLiteral("80"), &TFrmDz::BitBtn1);
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty()); // within the budget
    add(QStringLiteral("50"), &TFrmDz::BitBtn3);
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("本月“餐饮”已支出 130.00 元，超出预算 30.00 元；\r"
                                         "本月全部支出 2 080.00 元，超出总预算 30.00 元")});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where xm='餐饮'")), QStringLiteral("2"));

    // a change that adds nothing to the month says nothing; a raised amount does
    const auto change = [&](int amount, const std::function<void()> &what) {
        platform.shown.clear();
        Dataset *ledger = dm->ADOQlsz;
        ASSERT_TRUE(ledger->locate(QStringLiteral("zc"), amount));
        platform.onDialog(QStringLiteral("FrmDz"), [form, what](QDialog *) {
            what();
            form->BitBtn1->click();
        });
        mainWindow->TabSheet1->BitBtn2->click();
    };
    change(50, [form] { form->DBMemo1->setPlainText(QStringLiteral("和同事聚餐")); });
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty())
        << platform.texts(QStringLiteral("message")).join(' ').toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select bz from szzb where zc=50")), QStringLiteral("和同事聚餐"));
    change(50, [form] { form->DBEdit2->setText(QStringLiteral("45")); });
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty()); // less than before
    change(45, [form] { form->DBEdit2->setText(QStringLiteral("50")); });
    EXPECT_EQ(platform.texts(QStringLiteral("message")).size(), 1);
    // an income says nothing, however far over the month is
    platform.shown.clear();
    platform.onDialog(QStringLiteral("FrmDz"), [form](QDialog *) {
        form->DBComboBox1->setCurrentText(QStringLiteral("收入"));
        Q_EMIT form->DBComboBox1->activated(form->DBComboBox1->currentIndex());
        form->DBEdit3->setText(QStringLiteral("500"));
        form->BitBtn1->click();
    });
    mainWindow->TabSheet1->BitBtn1->click();
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where sr=500")), QStringLiteral("1"));

    // an expense of another month names it
    platform.shown.clear();
    expense(QStringLiteral("2026-11-1"), QStringLiteral("餐饮"), QStringLiteral("99"));
    EXPECT_EQ(Budgets::overrunNotice(dm->ADOConnection1, QStringLiteral("餐饮"), QDate(2026, 11, 1), Today), QString());
    expense(QStringLiteral("2026-11-2"), QStringLiteral("餐饮"), QStringLiteral("2"));
    EXPECT_EQ(Budgets::overrunNotice(dm->ADOConnection1, QStringLiteral("餐饮"), QDate(2026, 11, 2), Today),
              QStringLiteral("2026年11月“餐饮”已支出 101.00 元，超出预算 1.00 元"));
}

TEST_F(Budget, TheViewOnTheSummaryPageAndTheDialogsThatSetBudgets)
{
    expense(QStringLiteral("2026-12-1"), QStringLiteral("餐饮"), QStringLiteral("1700"));
    expense(QStringLiteral("2026-12-2"), QStringLiteral("交通"), QStringLiteral("120"));
    mainWindow->ToolButton2->click();
    SummaryPage *page = mainWindow->TabSheet2;
    page->TabBar1->setCurrentIndex(1);
    BudgetView *view = page->BudgetView1;
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(view->DateTimePicker5->date(), Today); // this month
    EXPECT_EQ(view->ADOQYszx->recordCount(), 0);
    EXPECT_TRUE(view->Label6->text().startsWith(QStringLiteral("还没有设置预算")));

    platform.onDialog(QStringLiteral("FrmYssz"), [this](QDialog *) {
        TFrmYssz *list = forms().FrmYssz;
        const auto add = [this, list](const QString &item, const QString &amount, bool expectStored) {
            platform.onDialog(QStringLiteral("FrmYsxg"), [item, amount, expectStored](QDialog *) {
                TFrmYsxg *one = forms().FrmYsxg;
                one->ComboBox1->setCurrentText(item);
                one->Edit1->setText(amount);
                one->BitBtn1->click();
                EXPECT_EQ(one->isVisible(), !expectStored) << item.toStdString() << amount.toStdString();
            });
            list->BitBtn1->click();
        };
        add(QStringLiteral("餐饮"), QStringLiteral("abc"), false); // refused, the dialog stays
        add(QStringLiteral("餐饮"), QStringLiteral("2000"), true);
        add(QStringLiteral("餐饮"), QStringLiteral("1500"), false); // a second monthly budget
        add(QStringLiteral("交通"), QStringLiteral("100"), true);
        add(Budgets::AllExpenses, QStringLiteral("3000"), true);
        EXPECT_EQ(list->ADOQYszb->recordCount(), 3);
        // 修改: the amount changed
        list->ADOQYszb->locate(QStringLiteral("xm"), QStringLiteral("交通"));
        platform.onDialog(QStringLiteral("FrmYsxg"), [](QDialog *) {
            TFrmYsxg *one = forms().FrmYsxg;
            EXPECT_EQ(one->ComboBox1->currentText(), QStringLiteral("交通"));
            EXPECT_EQ(one->Edit1->text(), QStringLiteral("100.00"));
            one->Edit1->setText(QStringLiteral("150"));
            one->BitBtn1->click();
        });
        list->BitBtn2->click();
        EXPECT_EQ(list->ADOQYszb->asString(QStringLiteral("xm")), QStringLiteral("交通"));
        EXPECT_EQ(list->ADOQYszb->asFloat(QStringLiteral("je")), 150.0);
    });
    view->BitBtn17->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              (QStringList{QStringLiteral("请输入金额（元，最多两位小数），例如 2000 或 350.50！"),
                           QStringLiteral("“餐饮”已有这一周期的预算，请修改原来那一条！")}));
    // the view follows at once: 餐饮 85 % (amber), 交通 80 % (green), their total
    ASSERT_EQ(view->ADOQYszx->recordCount(), 3);
    EXPECT_EQ(view->ADOQYszx->textAt(0, 0), QStringLiteral("餐饮"));
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(0, 5).toDouble(), 85.0);
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(1, 5).toDouble(), 80.0);
    EXPECT_EQ(view->ADOQYszx->textAt(2, 0), QStringLiteral("合计（每月预算）"));
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(2, 2).toDouble(), 2150.0);
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(2, 3).toDouble(), 1820.0);
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(2, 4).toDouble(), 330.0);
    EXPECT_EQ(view->Label6->text(),
              QStringLiteral("全部支出：预算 3 000.00 元，已支出 1 820.00 元，剩余 1 180.00 元（60.7%）"));
    // what is left of a budget gone over shows in red
    expense(QStringLiteral("2026-12-3"), QStringLiteral("交通"), QStringLiteral("100"));
    view->DateTimePicker5->setDate(QDate(2026, 12, 2)); // read again
    const QAbstractItemModel *cells = view->DBGridEh4->view()->model();
    ASSERT_EQ(view->ADOQYszx->textAt(1, 0), QStringLiteral("交通"));
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(1, 4).toDouble(), -70.0);
    EXPECT_EQ(cells->data(cells->index(1, 4), Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    EXPECT_EQ(cells->data(cells->index(0, 4), Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
    // another month: nothing spent
    view->DateTimePicker5->setDate(QDate(2026, 10, 1));
    EXPECT_DOUBLE_EQ(view->ADOQYszx->valueAt(0, 3).toDouble(), 0.0);
    // the summary is as it was
    page->TabBar1->setCurrentIndex(0);
    EXPECT_TRUE(page->DBGridEh2->isVisible());
}

TEST_F(Budget, TheComparisonOfOneItemByMonthDrawsItsBudgetDashed)
{
    budget(QStringLiteral("餐饮"), Budgets::Monthly, QStringLiteral("500"));
    budget(QStringLiteral("餐饮"), QStringLiteral("2026-11"), QStringLiteral("800"));
    expense(QStringLiteral("2026-10-3"), QStringLiteral("餐饮"), QStringLiteral("420"));
    mainWindow->ToolButton3->click();
    ComparisonPage *page = mainWindow->TabSheet3;
    page->DateTimePicker3->setDate(QDate(2026, 10, 1));
    page->DateTimePicker4->setDate(QDate(2026, 12, 31));
    page->ComboBox3->setCurrentIndex(1); // 按月汇总
    page->ComboBox5->setCurrentText(QStringLiteral("餐饮"));
    page->BitBtn16->click();
    QLineSeries *budgetLine = page->DBChart2->Series4;
    EXPECT_TRUE(budgetLine->isVisible());
    EXPECT_EQ(budgetLine->pen().style(), Qt::DashLine);
    ASSERT_EQ(budgetLine->points().size(), 3);
    EXPECT_EQ(budgetLine->points().at(0).y(), 500.0);
    EXPECT_EQ(budgetLine->points().at(1).y(), 800.0);
    EXPECT_EQ(budgetLine->points().at(2).y(), 500.0);
    // all items, or an item without a budget: no such line
    for (const QString &item : {QStringLiteral("交通"), QStringLiteral("选择全部")}) {
        page->ComboBox5->setCurrentText(QStringLiteral("餐饮"));
        page->BitBtn16->click();
        ASSERT_TRUE(budgetLine->isVisible());
        page->ComboBox5->setCurrentText(item);
        page->BitBtn16->click();
        EXPECT_FALSE(budgetLine->isVisible()) << item.toStdString();
        EXPECT_FALSE(page->DBChart2->chart()->legend()->markers(budgetLine).value(0)->isVisible());
    }
}

TEST_F(Budget, AnOlderLedgerWithoutTheTableHasNoBudgets)
{
    // as a ledger of an earlier version opened read-only, which is not given the table
    exec(QStringLiteral("drop table yszb"));
    EXPECT_TRUE(Budgets::execution(dm->ADOConnection1, Today).isEmpty());
    EXPECT_EQ(Budgets::monthBudget(dm->ADOConnection1, QStringLiteral("餐饮"), Today), -1);
    EXPECT_EQ(Budgets::overrunNotice(dm->ADOConnection1, QStringLiteral("餐饮"), Today, Today), QString());
}
