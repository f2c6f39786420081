// The ledger page and the entry form.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmdz.h"
#include "settings/tfrmrq.h"
#include "support/app/appfixture.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

class Entry : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values "
                            "(#2026-3-1#,'支出','交通','打车',0,30,-30,'支付宝','',"
                            "'管理员',#2026-3-1 09:00:00#)"));
        exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values "
                            "(#2026-3-2#,'收入','工资收入','奖金',500,0,500,'银行卡','年终',"
                            "'管理员',#2026-3-2 09:00:00#)"));
        exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('妈妈','')"));
        start(QStringLiteral("妈妈"));
        page = mainWindow->TabSheet1;
        form = forms().FrmDz;
        ledger = dm->ADOQlsz;
        mainWindow->ToolButton1->click();
    }

    QString footer(int column) const { return page->DBGridEh1->footerText(column); }

    LedgerPage *page = nullptr;
    TFrmDz *form = nullptr;
    Dataset *ledger = nullptr;
};

} // namespace

TEST_F(Entry, AddingAnExpenseEndToEnd)
{
    platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(14, 15, 16)));
    ASSERT_EQ(ledger->currentRow(), 1); // the newest row: 工资收入 / 银行卡
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        // the presets
        EXPECT_EQ(ledger->state(), Dataset::State::Insert);
        EXPECT_EQ(form->DBEdit1->text(), QStringLiteral("2026-12-09"));
        EXPECT_EQ(form->DBLookupComboBox1->currentText(), QStringLiteral("工资收入"));
        EXPECT_EQ(form->DBLookupComboBox2->currentText(), QStringLiteral("基本工资")); // the item's first detail
        EXPECT_EQ(form->DBLookupComboBox3->currentText(), QStringLiteral("银行卡"));
        EXPECT_EQ(form->DBComboBox1->currentText(), QStringLiteral("支出"));
        EXPECT_EQ(form->DBEdit3->text(), QStringLiteral("0"));
        EXPECT_TRUE(form->DBEdit3->isReadOnly());
        EXPECT_FALSE(form->DBEdit2->isReadOnly());
        EXPECT_EQ(form->DBEdit2->text(), QStringLiteral("0"));
        EXPECT_EQ(form->DBEdit4->text(), QString());
        EXPECT_EQ(form->DBEdit6->text(), QStringLiteral("妈妈"));
        EXPECT_EQ(form->DBEdit7->text(), QStringLiteral("2026-12-09 14:15:16"));
        // another item takes its first detail
        form->DBLookupComboBox1->setCurrentIndex(0);
        Q_EMIT form->DBLookupComboBox1->activated(0);
        EXPECT_EQ(ledger->asString(QStringLiteral("xm")), QStringLiteral("餐饮"));
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QStringLiteral("早餐"));
        form->DBEdit2->setFocus();
        form->DBEdit2->selectAll();
        QTest::keyClicks(form->DBEdit2, QStringLiteral("12.5"));
        EXPECT_EQ(form->DBEdit4->text(), QStringLiteral("-12.5"));
        form->BitBtn1->click();
        EXPECT_FALSE(form->isVisible());
    });
    page->BitBtn1->click();
    ASSERT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->recordCount(), 3);
    EXPECT_EQ(ledger->currentRow(), 2); // the new entry stands selected at the bottom
    EXPECT_EQ(page->DBGridEh1->view()->currentIndex().row(), 2);
    EXPECT_EQ(footer(3), QStringLiteral("共3条记录"));
    EXPECT_EQ(footer(6), QStringLiteral("42.50"));
    EXPECT_EQ(footer(7), QStringLiteral("457.50"));
    EXPECT_EQ(scalar(QStringLiteral("select zc from szzb where xm='餐饮'")), QStringLiteral("12.5"));
    EXPECT_EQ(scalar(QStringLiteral("select jsze from szzb where xm='餐饮'")), QStringLiteral("-12.5"));
    EXPECT_EQ(scalar(QStringLiteral("select sr from szzb where xm='餐饮'")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select jzsj from szzb where xm='餐饮'")), QStringLiteral("2026-12-09 14:15:16"));
    EXPECT_EQ(scalar(QStringLiteral("select rq from szzb where xm='餐饮'")), QStringLiteral("2026-12-09"));
    EXPECT_EQ(scalar(QStringLiteral("select jzr from szzb where xm='餐饮'")), QStringLiteral("妈妈"));
}

TEST_F(Entry, AZeroAmountIsRefused)
{
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible());
        form->DBComboBox1->setCurrentIndex(1);
        Q_EMIT form->DBComboBox1->activated(1);
        form->BitBtn3->click();
        EXPECT_TRUE(form->isVisible());
        form->DBEdit3->setText(QStringLiteral("-3")); // a negative amount passes
        form->BitBtn1->click();
    });
    page->BitBtn1->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              (QStringList{QStringLiteral("没花一分钱，有必要记帐吗？！"),
                           QStringLiteral("没收入一分钱，有必要记帐吗？！")}));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("select jsze from szzb where zbid=3")), QStringLiteral("-3"));
}

TEST_F(Entry, SwitchingTheTypeMovesTheAmount)
{
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->DBEdit2->setText(QStringLiteral("20"));
        EXPECT_EQ(form->DBEdit4->text(), QStringLiteral("-20"));
        form->DBComboBox1->setCurrentIndex(1); // 收入
        Q_EMIT form->DBComboBox1->activated(1);
        EXPECT_EQ(form->DBEdit2->text(), QStringLiteral("0"));
        EXPECT_TRUE(form->DBEdit2->isReadOnly());
        EXPECT_FALSE(form->DBEdit3->isReadOnly());
        form->DBEdit3->setText(QStringLiteral("8"));
        EXPECT_EQ(form->DBEdit4->text(), QStringLiteral("8"));
        form->DBComboBox1->setCurrentIndex(0); // back to 支出
        Q_EMIT form->DBComboBox1->activated(0);
        EXPECT_EQ(form->DBEdit3->text(), QStringLiteral("0"));
        form->DBEdit3->clear(); // emptying a box puts "0" back
        EXPECT_EQ(form->DBEdit3->text(), QStringLiteral("0"));
        form->BitBtn2->click();
        EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    });
    page->BitBtn1->click();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("2"));
    EXPECT_EQ(int(ledger->state()), 1);
    EXPECT_EQ(ledger->recordCount(), 2);
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
}

TEST_F(Entry, ATextThatIsNotANumberCannotBeSaved)
{
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->DBEdit2->setFocus();
        form->DBEdit2->selectAll();
        QTest::keyClicks(form->DBEdit2, QStringLiteral("x-y"));
        EXPECT_EQ(form->DBEdit2->text(), QStringLiteral("-")); // letters are not taken
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(ledger->state(), Dataset::State::Insert);
        form->BitBtn2->click();
    });
    page->BitBtn1->click();
    ASSERT_EQ(platform.errors().size(), 1);
    EXPECT_EQ(platform.errors().first(), QStringLiteral("'-' 不是有效的数值"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("2"));
}

TEST_F(Entry, ModifyKeepsTheTimeStampAndSetsTheBookkeeper)
{
    ledger->first(); // 交通, booked by 管理员
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        EXPECT_EQ(ledger->state(), Dataset::State::Edit);
        EXPECT_FALSE(form->DBEdit2->isReadOnly());
        EXPECT_TRUE(form->DBEdit3->isReadOnly());
        EXPECT_EQ(form->DBEdit4->text(), QStringLiteral("-30"));
        form->DBMemo1->setFocus();
        QTest::keyClicks(form->DBMemo1, QStringLiteral("taxi"));
        form->BitBtn1->click();
    });
    page->BitBtn2->click();
    EXPECT_EQ(scalar(QStringLiteral("select jzr from szzb where zbid=1")), QStringLiteral("妈妈"));
    EXPECT_EQ(scalar(QStringLiteral("select jzsj from szzb where zbid=1")), QStringLiteral("2026-03-01 09:00:00"));
    EXPECT_EQ(scalar(QStringLiteral("select bz from szzb where zbid=1")), QStringLiteral("taxi"));
    EXPECT_EQ(scalar(QStringLiteral("select jsze from szzb where zbid=1")), QStringLiteral("-30"));
    EXPECT_EQ(ledger->currentRow(), 0); // changed in place

    // an income entry unlocks the income box; the grid's double click modifies too
    ledger->last();
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        EXPECT_TRUE(form->DBEdit2->isReadOnly());
        EXPECT_FALSE(form->DBEdit3->isReadOnly());
        form->BitBtn1->click(); // nothing changed, still saved with the bookkeeper
    });
    Q_EMIT page->DBGridEh1->doubleClicked();
    EXPECT_EQ(scalar(QStringLiteral("select jzr from szzb where zbid=2")), QStringLiteral("妈妈"));
}

TEST_F(Entry, SaveAndNextStartsTheNextEntry)
{
    platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 0)));
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        ledger->setValue(QStringLiteral("rq"), QDate(2026, 5, 6));
        form->DBLookupComboBox2->setCurrentIndex(2);
        Q_EMIT form->DBLookupComboBox2->activated(2); // 加班费
        form->DBEdit2->setText(QStringLiteral("7"));
        platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0, 30)));
        form->BitBtn3->click();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(ledger->state(), Dataset::State::Insert);
        EXPECT_EQ(form->DBEdit1->text(), QStringLiteral("2026-05-06"));
        EXPECT_EQ(form->DBLookupComboBox1->currentText(), QStringLiteral("工资收入"));
        EXPECT_EQ(form->DBLookupComboBox2->currentText(), QStringLiteral("加班费"));
        EXPECT_EQ(form->DBLookupComboBox3->currentText(), QStringLiteral("银行卡"));
        EXPECT_EQ(form->DBComboBox1->currentText(), QStringLiteral("支出"));
        EXPECT_EQ(form->DBEdit2->text(), QStringLiteral("0"));
        EXPECT_EQ(form->DBEdit7->text(), QStringLiteral("2026-12-09 10:00:30"));
        EXPECT_TRUE(form->DBMemo1->toPlainText().isEmpty());
        form->close(); // the close box drops the second entry
    });
    page->BitBtn1->click();
    EXPECT_EQ(ledger->recordCount(), 3);
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("select mx from szzb where zbid=3")), QStringLiteral("加班费"));
}

TEST_F(Entry, APresetThatFailsLeavesNoRowPending)
{
    // a clock the time stamp cannot hold: the presets fail half-way
    platform.setNow(QDateTime(QDate(999, 1, 1), QTime(10, 0)));
    page->BitBtn1->click();
    EXPECT_EQ(platform.errors().size(), 1);
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->recordCount(), 2);
    EXPECT_FALSE(platform.dialogsShown.contains(QStringLiteral("FrmDz")));

    // the same for the next entry of 继续增加: the one typed is kept
    platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->DBEdit2->setText(QStringLiteral("12"));
        platform.setNow(QDateTime(QDate(999, 1, 1), QTime(10, 0)));
        form->BitBtn3->click();
        EXPECT_EQ(platform.errors().size(), 2);
        EXPECT_EQ(ledger->state(), Dataset::State::Browse);
        form->close();
    });
    page->BitBtn1->click();
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->recordCount(), 3);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("select zc from szzb where zbid=3")), QStringLiteral("12"));
}

TEST_F(Entry, TheCloseBoxDiscardsChanges)
{
    ledger->first();
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->DBEdit2->setText(QStringLiteral("99"));
        ledger->setValue(QStringLiteral("bz"), QStringLiteral("不要"));
    });
    page->BitBtn2->click();
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->asString(QStringLiteral("zc")), QStringLiteral("30"));
    EXPECT_EQ(scalar(QStringLiteral("select zc from szzb where zbid=1")), QStringLiteral("30"));
    EXPECT_EQ(scalar(QStringLiteral("select bz from szzb where zbid=1")), QString());
}

TEST_F(Entry, AnItemWithoutDetailsKeepsTheDetail)
{
    exec(QStringLiteral("insert into fyxm (xmmc) values ('宠物')"));
    dm->ADOQFyxmrr->requery(QStringLiteral("select * from fyxm"));
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        const int pets = form->DBLookupComboBox1->findText(QStringLiteral("宠物"));
        ASSERT_GE(pets, 0);
        Q_EMIT form->DBLookupComboBox1->activated(pets);
        EXPECT_EQ(ledger->asString(QStringLiteral("xm")), QStringLiteral("宠物"));
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QStringLiteral("基本工资"));
        EXPECT_EQ(dm->ADOQFymxrr->recordCount(), 0);
        form->DBEdit2->setText(QStringLiteral("5"));
        form->BitBtn3->click(); // the next entry: an empty detail list leaves the detail empty
        EXPECT_TRUE(platform.errors().isEmpty());
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QString());
        form->BitBtn2->click();
    });
    page->BitBtn1->click();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("3"));
}

TEST_F(Entry, AddingWithEmptyListsOpensTheFormAsUsual)
{
    exec(QStringLiteral("delete from fyxm"));
    exec(QStringLiteral("delete from jtcy"));
    dm->ADOQFyxmrr->requery(QStringLiteral("select * from fyxm"));
    dm->ADOQjtcyrr->requery(QStringLiteral("select * from jtcy"));
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        EXPECT_EQ(ledger->asString(QStringLiteral("xm")), QString());
        EXPECT_EQ(ledger->asString(QStringLiteral("szr")), QString());
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QString());
        form->DBEdit2->setText(QStringLiteral("1"));
        form->BitBtn1->click();
    });
    page->BitBtn1->click();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("3"));
}

TEST_F(Entry, TheDateDialog)
{
    TFrmRQ *rq = forms().FrmRQ;
    ledger->first();
    platform.onDialog(QStringLiteral("FrmDz"), [this, rq](QDialog *) {
        platform.onDialog(QStringLiteral("FrmRQ"), [rq](QDialog *) {
            EXPECT_EQ(rq->MonthCalendar1->selectedDate(), QDate(2026, 3, 1));
            rq->MonthCalendar1->setSelectedDate(QDate(2026, 4, 2));
            rq->BitBtn1->click();
        });
        form->SpeedButton4->click();
        EXPECT_EQ(form->DBEdit1->text(), QStringLiteral("2026-04-02"));
        EXPECT_EQ(rq->pos(), form->frameGeometry().topLeft() + QPoint(76, 68));
        platform.onDialog(QStringLiteral("FrmRQ"), [rq](QDialog *) {
            rq->MonthCalendar1->setSelectedDate(QDate(2026, 5, 5));
            rq->BitBtn2->click();
        });
        form->SpeedButton4->click();
        EXPECT_EQ(form->DBEdit1->text(), QStringLiteral("2026-04-02"));
        platform.onDialog(QStringLiteral("FrmRQ"), [rq](QDialog *) {
            rq->MonthCalendar1->setSelectedDate(QDate(2026, 6, 6));
            rq->close(); // the system's close command counts as 取消
        });
        form->SpeedButton4->click();
        EXPECT_EQ(form->DBEdit1->text(), QStringLiteral("2026-04-02"));
        form->BitBtn1->click();
    });
    page->BitBtn2->click();
    EXPECT_EQ(scalar(QStringLiteral("select rq from szzb where zbid=1")), QStringLiteral("2026-04-02"));
}

TEST_F(Entry, DeletingAsksAndMovesToTheFollowingRow)
{
    ledger->first();
    platform.answer(false);
    page->BitBtn3->click();
    EXPECT_EQ(ledger->recordCount(), 2);
    platform.answer(true);
    page->BitBtn3->click();
    EXPECT_EQ(platform.texts(QStringLiteral("question")).last(),
              QStringLiteral("   删除后将不能恢复，是否确认删除？  "));
    EXPECT_EQ(ledger->recordCount(), 1);
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 2);
    EXPECT_EQ(footer(3), QStringLiteral("共1条记录"));
    platform.answer(true);
    page->BitBtn3->click();
    EXPECT_EQ(footer(3), QStringLiteral("共0条记录"));
    EXPECT_EQ(footer(5), QStringLiteral("0.00"));
    platform.answer(true);
    page->BitBtn3->click(); // an empty list: the error, nothing else
    EXPECT_EQ(platform.errors().size(), 1);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("0"));
}

TEST_F(Entry, ModifyOnAnEmptyListStartsANewEntry)
{
    exec(QStringLiteral("delete from szzb"));
    ledger->requery(QStringLiteral("select * from szzb"));
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        EXPECT_EQ(ledger->state(), Dataset::State::Insert);
        EXPECT_EQ(form->DBEdit6->text(), QStringLiteral("妈妈"));
        EXPECT_FALSE(form->DBEdit2->isReadOnly());
    });
    page->BitBtn2->click();
    EXPECT_EQ(ledger->recordCount(), 0);
}

TEST_F(Entry, TheCurrentRowIsInViewAboveTheFooter)
{
    for (int i = 0; i < 60; ++i)
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,jsze) values (#2026-4-%1#,'支出','餐饮',1,-1)")
                 .arg(1 + i % 28));
    ledger->requery(QStringLiteral("select * from szzb where rq>=#2026-01-01#"));
    mainWindow->ToolButton4->click();
    ledger->last(); // moved while the page is hidden
    mainWindow->resize(800, 600);
    mainWindow->ToolButton1->click();
    QApplication::processEvents();
    QTableView *view = page->DBGridEh1->view();
    const QRect cell = view->visualRect(view->model()->index(ledger->currentRow(), 1));
    EXPECT_TRUE(view->viewport()->rect().contains(cell))
        << cell.y() << " of " << view->viewport()->height() << " value " << view->verticalScrollBar()->value()
        << " max " << view->verticalScrollBar()->maximum() << " rows " << view->model()->rowCount() << " mode "
        << int(view->verticalScrollMode()) << " len " << view->verticalHeader()->length() << " cur "
        << view->currentIndex().row() << " ds " << ledger->currentRow();
    auto *footer = page->DBGridEh1->findChild<QWidget *>(QStringLiteral("DBGridEhFooter"));
    ASSERT_NE(footer, nullptr);
    const QRect onScreen(view->viewport()->mapTo(page->DBGridEh1, cell.topLeft()), cell.size());
    EXPECT_FALSE(footer->geometry().intersects(onScreen));
}

TEST_F(Entry, AnEntryWithoutADateIsNotStored)
{
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->DBEdit2->setText(QStringLiteral("8"));
        form->DBEdit1->setText(QString()); // the date cleared
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(ledger->state(), Dataset::State::Insert);
        form->DBEdit1->setText(QStringLiteral("202-1-1")); // a year of three digits is no date
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(ledger->state(), Dataset::State::Insert);
        form->DBEdit1->setText(QStringLiteral("2026-12-01"));
        form->BitBtn1->click();
        EXPECT_FALSE(form->isVisible());
    });
    page->BitBtn1->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{QStringLiteral("请输入帐目发生日期！")});
    EXPECT_EQ(platform.errors(), QStringList{QStringLiteral("'202-1-1' 不是有效的日期")});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where rq is null")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where rq='2026-12-01'")), QStringLiteral("1"));
}

TEST_F(Entry, ChoosingAnItemTakesItsFirstDetailEvenWhenItSharesANameWithTheOldOne)
{
    // 交通 and 餐饮 both have a detail named 其他; 餐饮's first detail is 早餐
    exec(QStringLiteral("insert into fymx (dyxmid,mxmc) select xmid,'其他' from fyxm where xmmc in ('交通','餐饮')"));
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        const int traffic = form->DBLookupComboBox1->findText(QStringLiteral("交通"));
        form->DBLookupComboBox1->setCurrentIndex(traffic);
        Q_EMIT form->DBLookupComboBox1->activated(traffic);
        ledger->setValue(QStringLiteral("mx"), QStringLiteral("其他"));
        const int food = form->DBLookupComboBox1->findText(QStringLiteral("餐饮"));
        form->DBLookupComboBox1->setCurrentIndex(food);
        Q_EMIT form->DBLookupComboBox1->activated(food);
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QStringLiteral("早餐"));
        form->BitBtn2->click();
    });
    page->BitBtn1->click();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Entry, TheNetAmountIsComputedFromTheAmountsAndHugeAmountsAreRefused)
{
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->DBEdit2->setText(QStringLiteral("1e12")); // a trillion yuan is no household's expense
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible());
        form->DBEdit2->setText(QStringLiteral("999999999999.99"));
        form->BitBtn1->click();
        EXPECT_FALSE(form->isVisible());
    });
    page->BitBtn1->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("金额太大：请输入小于一万亿（1000000000000）元的金额！")});
    // every cent reaches the net amount, so the footers balance
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where zc=999999999999.99 and jsze=-999999999999.99")),
              QStringLiteral("1"));
    EXPECT_EQ(footer(6), QStringLiteral("1000000000029.99")); // expenses: 30 and the new one
    EXPECT_EQ(footer(7), QStringLiteral("-999999999529.99")); // net: 500 - 30 - the new one
}

TEST_F(Entry, TheKeyboardWalksTheFormInReadingOrderAndEnterStores)
{
    platform.onDialog(QStringLiteral("FrmDz"), [this](QDialog *) {
        form->activateWindow();
        QApplication::setActiveWindow(form);
        form->DBEdit1->setFocus(Qt::TabFocusReason);
        QStringList walked;
        for (int i = 0; i < 15; ++i) {
            QWidget *focused = QApplication::focusWidget();
            walked.append(focused ? focused->objectName() : QStringLiteral("-"));
            QTest::keyClick(focused ? focused : form, Qt::Key_Tab);
        }
        EXPECT_EQ(walked.join(QLatin1Char(' ')),
                  QStringLiteral("DBEdit1 SpeedButton4 DBLookupComboBox1 SpeedButton1 DBLookupComboBox2 "
                                 "SpeedButton2 DBLookupComboBox3 SpeedButton3 DBMemo1 DBComboBox1 DBEdit2 "
                                 "BitBtn1 BitBtn3 BitBtn2 DBEdit1"));
        // a tab is typed with Ctrl+Tab; Tab alone leaves the remark
        form->DBMemo1->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(form->DBMemo1, QStringLiteral("a"));
        QTest::keyClick(form->DBMemo1, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClicks(form->DBMemo1, QStringLiteral("b"));
        EXPECT_EQ(form->DBMemo1->toPlainText(), QStringLiteral("a\tb"));
        QTest::keyClick(form->DBMemo1, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(form->DBComboBox1));
        // the expense typed, Enter stores the entry
        form->DBEdit2->setFocus(Qt::TabFocusReason);
        form->DBEdit2->selectAll();
        QTest::keyClicks(form->DBEdit2, QStringLiteral("7"));
        QTest::keyClick(form->DBEdit2, Qt::Key_Return);
        EXPECT_FALSE(form->isVisible());
    });
    page->BitBtn1->click();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select bz from szzb where zc=7")), QStringLiteral("a\tb"));
}
