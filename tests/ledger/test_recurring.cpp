// Recurring entries: the dates of each rule, every missed occurrence, an
// occurrence never posted twice (a crash, another copy, the clock going
// back), the login's confirmation after the memos, and the templates'
// dialogs.
#include "app/tfrmmian.h"
#include "components/forms.h"
#include "data/dataset.h"
#include "data/dberror.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/recurring.h"
#include "ledger/tfrmdqjz.h"
#include "ledger/tfrmdqsz.h"
#include "memos/duememos.h"
#include "support/app/appfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

namespace {

const QDate Today(2026, 12, 10);

Recurring::Template monthly(const QDate &first, int day, int every = 1)
{
    Recurring::Template t;
    t.type = QStringLiteral("支出");
    t.item = QStringLiteral("居住");
    t.detail = QStringLiteral("房租");
    t.account = QStringLiteral("银行卡");
    t.cents = 350000;
    t.rule = Recurring::Rule::Months;
    t.every = every;
    t.day = day;
    t.first = first;
    return t;
}

QStringList texts(const QList<QDate> &dates)
{
    QStringList out;
    for (const QDate &d : dates)
        out.append(d.toString(Qt::ISODate));
    return out;
}

class Recurrings : public AppFixture
{
protected:
    void startAt(const QDate &today)
    {
        platform.setNow(QDateTime(today, QTime(8, 30)));
        start();
        mainWindow->ToolButton1->click();
    }
    qint64 store(const Recurring::Template &t) { return Recurring::save(dm->ADOConnection1, t); }
    QList<Recurring::Occurrence> due(const QDate &today) { return Recurring::due(dm->ADOConnection1, today); }
    void postAll(const QList<Recurring::Occurrence> &occurrences)
    {
        QList<Recurring::Posting> postings;
        for (const Recurring::Occurrence &o : occurrences)
            postings.append({o, o.t.cents});
        Recurring::post(dm->ADOConnection1, postings, QStringLiteral("管理员"), platform.now());
    }
    int count(const QString &table) { return scalar(QStringLiteral("select count(*) from ") + table).toInt(); }
};

} // namespace

TEST(RecurringDates, TheLastDayOfShortMonthsLeapYearsEveryNDaysAndTheEnd)
{
    // on the 31st: the last day where the month is shorter, back to the 31st after
    Recurring::Template rent = monthly(QDate(2027, 12, 31), 31);
    EXPECT_EQ(texts(rent.occurrences(QDate(2028, 5, 31))),
              (QStringList{"2027-12-31", "2028-01-31", "2028-02-29", "2028-03-31", "2028-04-30", "2028-05-31"}));
    // a first date after the month's day: the next month's
    EXPECT_EQ(texts(monthly(QDate(2026, 1, 20), 15).occurrences(QDate(2026, 3, 31))),
              (QStringList{"2026-02-15", "2026-03-15"}));
    // every three months
    EXPECT_EQ(texts(monthly(QDate(2026, 1, 31), 31, 3).occurrences(QDate(2026, 12, 31))),
              (QStringList{"2026-01-31", "2026-04-30", "2026-07-31", "2026-10-31"}));
    // yearly on 29 February
    Recurring::Template leap = monthly(QDate(2028, 2, 29), 29);
    leap.rule = Recurring::Rule::Yearly;
    EXPECT_EQ(texts(leap.occurrences(QDate(2032, 12, 31))),
              (QStringList{"2028-02-29", "2029-02-28", "2030-02-28", "2031-02-28", "2032-02-29"}));
    // every fourteen days, ended by a date; and by a count
    Recurring::Template fortnight = monthly(QDate(2026, 11, 1), 1, 14);
    fortnight.rule = Recurring::Rule::Days;
    fortnight.until = QDate(2026, 12, 12);
    EXPECT_EQ(texts(fortnight.occurrences(QDate(2027, 12, 31))),
              (QStringList{"2026-11-01", "2026-11-15", "2026-11-29"}));
    EXPECT_EQ(fortnight.nextAfter(QDate(2026, 11, 29)), QDate());
    fortnight.until = QDate();
    fortnight.count = 2;
    EXPECT_EQ(texts(fortnight.occurrences(QDate(2027, 12, 31))), (QStringList{"2026-11-01", "2026-11-15"}));
    EXPECT_EQ(rent.nextAfter(QDate(2028, 2, 1)), QDate(2028, 2, 29));
    EXPECT_EQ(rent.ruleText(), QStringLiteral("每月 31 日（月小取月末）"));
    EXPECT_EQ(fortnight.ruleText(), QStringLiteral("每 14 天，共 2 次"));
}

TEST_F(Recurrings, EveryMissedOccurrenceOnceAndNeverTwice)
{
    startAt(Today);
    const qint64 id = store(monthly(QDate(2026, 8, 15), 15));
    // a quarter without the program: every missed month is listed
    QList<Recurring::Occurrence> missed = due(Today);
    ASSERT_EQ(missed.size(), 4);
    EXPECT_EQ(missed.first().date, QDate(2026, 8, 15));
    EXPECT_EQ(missed.last().date, QDate(2026, 11, 15));
    postAll(missed.mid(0, 2));
    EXPECT_EQ(due(Today).size(), 2);
    // another copy of the program posting the same ones again: passed over
    postAll(missed);
    EXPECT_EQ(count(QStringLiteral("szzb")), 4);
    EXPECT_EQ(scalar(QStringLiteral("select count(distinct rq) from szzb where xm='居住'")), QStringLiteral("4"));
    EXPECT_TRUE(due(Today).isEmpty());
    // the clock set back, then forward again: nothing new
    EXPECT_TRUE(due(QDate(2026, 10, 1)).isEmpty());
    EXPECT_TRUE(due(Today).isEmpty());
    EXPECT_EQ(due(QDate(2026, 12, 15)).size(), 1);
    // each entry as typed: the amount, the account, the operator
    EXPECT_EQ(scalar(QStringLiteral("select lx||'/'||xm||'/'||mx||'/'||szr||'/'||zc||'/'||jsze||'/'||jzr from szzb "
                                    "where rq=#2026-9-15#")),
              QStringLiteral("支出/居住/房租/银行卡/3500.0/-3500.0/管理员"));
    // removing the template keeps its entries
    Recurring::remove(dm->ADOConnection1, id);
    EXPECT_EQ(count(QStringLiteral("szzb")), 4);
    EXPECT_EQ(count(QStringLiteral("dqjl")), 0);
}

TEST_F(Recurrings, ADailyTemplateOfManyYearsStillFallsDue)
{
    startAt(Today);
    Recurring::Template daily = monthly(QDate(2008, 1, 1), 1);
    daily.rule = Recurring::Rule::Days;
    daily.every = 1;
    const qint64 id = store(daily);
    // every day done up to the day before yesterday, almost nineteen years
    exec(QStringLiteral("with recursive d(x) as (select date('2008-01-01') union all select date(x, '+1 day') from d "
                        "where x < '2026-12-08') insert into dqjl (dqid, rq, zbid) select %1, x, 0 from d")
             .arg(id));
    ASSERT_GT(count(QStringLiteral("dqjl")), 6900);
    const QList<Recurring::Occurrence> left = due(Today);
    ASSERT_EQ(left.size(), 2);
    EXPECT_EQ(left.first().date, QDate(2026, 12, 9));
    EXPECT_EQ(left.last().date, Today);
}

TEST_F(Recurrings, ACrashBetweenPostingAndMarkingLeavesBothUndone)
{
    startAt(Today);
    store(monthly(QDate(2026, 10, 5), 5));
    // the marking of the second occurrence fails after its entry was written
    exec(QStringLiteral("create trigger fail after update on dqjl when new.rq='2026-11-05' "
                        "begin select raise(abort, 'power cut'); end"));
    EXPECT_THROW(postAll(due(Today)), DbError);
    EXPECT_EQ(count(QStringLiteral("szzb")), 0);
    EXPECT_EQ(count(QStringLiteral("dqjl")), 0);
    exec(QStringLiteral("drop trigger fail"));
    EXPECT_EQ(due(Today).size(), 3);
    postAll(due(Today));
    EXPECT_EQ(count(QStringLiteral("szzb")), 3);
}

TEST_F(Recurrings, AtLoginAfterTheMemosOneListAutomaticOnesDoneEstimatesAskedFor)
{
    exec(QStringLiteral("insert into jstx (jsrq,zt,jsr,txfs,txqsrq,nr,jsczsj) values "
                        "(#2026-12-1#,'交房租','管理员','%1',#2026-12-1#,'',#2026-12-1 08:00:00#)")
             .arg(DueMemos::Once));
    platform.setNow(QDateTime(Today, QTime(8, 30)));
    Recurring::Template salary = monthly(QDate(2026, 11, 10), 10);
    salary.type = QStringLiteral("收入");
    salary.item = QStringLiteral("工资收入");
    salary.detail = QStringLiteral("基本工资");
    salary.cents = 860000;
    salary.mode = Recurring::Mode::Automatic;
    Recurring::Template power = monthly(QDate(2026, 12, 1), 1);
    power.item = QStringLiteral("居住");
    power.detail = QStringLiteral("电费");
    power.cents = 20000;
    power.estimated = true;
    power.mode = Recurring::Mode::Automatic; // asked for all the same
    Recurring::Template rent = monthly(QDate(2026, 12, 5), 5);
    // templates made before the login, straight into the file
    for (const Recurring::Template &t : {salary, power, rent})
        Recurring::save(db->connection(), t);

    QStringList order;
    platform.onDialog(QStringLiteral("FrmJstx"), [&order](QDialog *) { order.append(QStringLiteral("memo")); });
    platform.onDialog(QStringLiteral("FrmDqjz"), [&order, this](QDialog *) {
        order.append(QStringLiteral("recurring"));
        TFrmDqjz *form = forms().FrmDqjz;
        OccurrencesModel *model = form->Model;
        ASSERT_EQ(model->rowCount(), 4);
        // the salary of November and December posted by themselves, shown done
        EXPECT_TRUE(model->rows().at(0).done);
        EXPECT_TRUE(model->rows().at(1).done);
        EXPECT_EQ(model->index(0, OccurrencesModel::Note).data().toString(), QStringLiteral("自动记帐，已记入帐本"));
        // the electricity: no amount, no tick until it is given
        const int power = 2;
        EXPECT_EQ(model->rows().at(power).occurrence.t.detail, QStringLiteral("电费"));
        EXPECT_FALSE(model->rows().at(power).ticked);
        EXPECT_EQ(model->index(power, OccurrencesModel::Amount).data().toString(), QString());
        EXPECT_TRUE(model->index(power, OccurrencesModel::Note).data().toString().startsWith(QStringLiteral("估计")));
        model->setData(model->index(power, OccurrencesModel::Tick), Qt::Checked, Qt::CheckStateRole);
        EXPECT_FALSE(model->rows().at(power).ticked);
        model->setData(model->index(power, OccurrencesModel::Amount), QStringLiteral("231.7"), Qt::EditRole);
        EXPECT_TRUE(model->rows().at(power).ticked);
        // the rent: ticked
        EXPECT_TRUE(model->rows().at(3).ticked);
        EXPECT_EQ(form->Label2->text(), QStringLiteral("勾选 2 笔；2 笔已自动记帐"));
        form->BitBtn1->click();
        EXPECT_FALSE(form->isVisible());
    });
    start();
    EXPECT_EQ(order, (QStringList{QStringLiteral("memo"), QStringLiteral("recurring")}));
    EXPECT_EQ(
        scalar(QStringLiteral("select group_concat(mx||'='||(sr+zc), ',') from (select * from szzb order by rq, mx)")),
        QStringLiteral("基本工资=8600.0,电费=231.7,房租=3500.0,基本工资=8600.0"));
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 4); // the ledger lists them at once
    // the next login: nothing due
    destroy();
    platform.onDialog(QStringLiteral("FrmJstx"), [](QDialog *) {});
    start();
    EXPECT_EQ(platform.dialogsShown.count(QStringLiteral("FrmDqjz")), 1);
}

TEST_F(Recurrings, LaterLeavesThemForTheNextLogin)
{
    platform.setNow(QDateTime(Today, QTime(8, 30)));
    Recurring::save(db->connection(), monthly(QDate(2026, 12, 5), 5));
    platform.onDialog(QStringLiteral("FrmDqjz"), [](QDialog *) { forms().FrmDqjz->BitBtn2->click(); });
    start();
    EXPECT_EQ(count(QStringLiteral("szzb")), 0);
    EXPECT_EQ(due(Today).size(), 1);
}

TEST_F(Recurrings, ATemplateFromTheSelectedEntryWithItsPastOccurrencesOffered)
{
    exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz) values "
                        "(#2026-8-31#,'支出','通讯','宽带网费',0,99.5,-99.5,'银行卡','电信宽带')"));
    startAt(Today);
    platform.onDialog(QStringLiteral("FrmDqsz"), [this](QDialog *) {
        TFrmDqsz *list = forms().FrmDqsz;
        EXPECT_EQ(list->ADOQDqsz->recordCount(), 0);
        platform.onDialog(QStringLiteral("FrmDqxg"), [](QDialog *) {
            TFrmDqxg *one = forms().FrmDqxg;
            EXPECT_EQ(one->ComboBox2->currentText(), QStringLiteral("通讯"));
            EXPECT_EQ(one->ComboBox3->currentText(), QStringLiteral("宽带网费"));
            EXPECT_EQ(one->ComboBox4->currentText(), QStringLiteral("银行卡"));
            EXPECT_EQ(one->Edit1->text(), QStringLiteral("99.50"));
            EXPECT_EQ(one->Edit2->text(), QStringLiteral("电信宽带"));
            EXPECT_EQ(one->SpinEdit2->value(), 31);
            EXPECT_EQ(one->DateEdit1->date(), QDate(2026, 9, 30)); // a month after the entry
            one->BitBtn1->click();
        });
        // the three months since: offered, and posted through the confirmation
        platform.answer(true);
        platform.onDialog(QStringLiteral("FrmDqjz"), [](QDialog *) {
            EXPECT_EQ(forms().FrmDqjz->Model->rowCount(), 3);
            forms().FrmDqjz->BitBtn1->click();
        });
        list->BitBtn5->click();
        ASSERT_EQ(list->ADOQDqsz->recordCount(), 1);
        EXPECT_EQ(list->ADOQDqsz->asString(QStringLiteral("gz")), QStringLiteral("每月 31 日（月小取月末）"));
        EXPECT_EQ(list->ADOQDqsz->asString(QStringLiteral("xc")), QStringLiteral("2026-12-31"));

        // a second one, begun in the past too: declined, so never posted
        platform.onDialog(QStringLiteral("FrmDqxg"), [](QDialog *) {
            TFrmDqxg *one = forms().FrmDqxg;
            one->ComboBox2->setCurrentText(QStringLiteral("教育"));
            one->Edit1->setText(QStringLiteral("1200"));
            one->ComboBox5->setCurrentIndex(2); // 按天
            one->SpinEdit1->setValue(7);
            one->DateEdit1->setDate(QDate(2026, 11, 26));
            one->ComboBox6->setCurrentIndex(2);
            one->SpinEdit3->setValue(10);
            one->BitBtn1->click();
        });
        platform.answer(false);
        list->BitBtn1->click();
        EXPECT_EQ(list->ADOQDqsz->recordCount(), 2);
        EXPECT_EQ(list->ADOQDqsz->asString(QStringLiteral("gz")), QStringLiteral("每 7 天，共 10 次"));
        EXPECT_EQ(list->ADOQDqsz->asString(QStringLiteral("xc")), QStringLiteral("2026-12-10"));
        // deleted, after the question
        platform.answer(true);
        list->BitBtn3->click();
        EXPECT_EQ(list->ADOQDqsz->recordCount(), 1);
    });
    mainWindow->TabSheet1->BitBtn8->click();
    const QStringList questions = platform.texts(QStringLiteral("question"));
    ASSERT_EQ(questions.size(), 3);
    EXPECT_TRUE(questions.at(0).contains(QStringLiteral("已有 3 次（2026-09-30 至 2026-11-30）")));
    EXPECT_TRUE(questions.at(1).contains(QStringLiteral("已有 2 次（2026-11-26 至 2026-12-03）")));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where xm='通讯'")), QStringLiteral("4"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where xm='教育'")), QStringLiteral("0"));
    EXPECT_TRUE(due(Today).isEmpty());
}

TEST_F(Recurrings, AChangedRuleNeverBringsBackMonthsPostedAndTodayIsNotThePast)
{
    startAt(Today);
    Recurring::Template rent = monthly(QDate(2026, 8, 31), 31);
    rent.id = store(rent);
    postAll(due(Today)); // August to November
    ASSERT_EQ(count(QStringLiteral("szzb")), 4);
    // the 15th from now on: September to November on the 15th were paid on the 31st
    rent.day = 15;
    store(rent);
    EXPECT_TRUE(due(Today).isEmpty());
    EXPECT_EQ(Recurring::nextDue(dm->ADOConnection1, rent, Today), QDate(2026, 12, 15));
    EXPECT_EQ(due(QDate(2026, 12, 15)).size(), 1);

    // a new template from today: nothing in the past to offer, today's due at login
    platform.onDialog(QStringLiteral("FrmDqsz"), [this](QDialog *) {
        platform.onDialog(QStringLiteral("FrmDqxg"), [](QDialog *) {
            TFrmDqxg *one = forms().FrmDqxg;
            EXPECT_EQ(one->DateEdit1->date(), Today);
            one->Edit1->setText(QStringLiteral("50"));
            one->BitBtn1->click();
        });
        forms().FrmDqsz->BitBtn1->click();
        EXPECT_EQ(forms().FrmDqsz->ADOQDqsz->asString(QStringLiteral("xc")), QStringLiteral("2026-12-10"));
    });
    mainWindow->TabSheet1->BitBtn8->click();
    EXPECT_TRUE(platform.texts(QStringLiteral("question")).isEmpty());
    EXPECT_EQ(due(Today).size(), 1);
}
