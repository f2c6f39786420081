// The ledger filter.
#include "app/tfrmmian.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmzbcx.h"
#include "support/app/appfixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class Filter : public AppFixture
{
protected:
    void SetUp() override
    {
        const char *rows[] = {
            "(#2025-6-1#,'支出','餐饮','午餐',0,150,-150,'现金')",
            "(#2026-2-1#,'支出','餐饮','晚餐',0,100,-100,'现金')",
            "(#2026-2-2#,'支出','交通','打车',0,99.5,-99.5,'O''Brien卡')",
            "(#2026-2-3#,'收入','工资收入','奖金',100,0,100,'银行卡')",
            "(#2026-2-4#,'收入','工资收入','补贴',99,0,99,'银行卡')",
        };
        for (const char *r : rows)
            exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr) values ") + QString::fromUtf8(r));
        exec(QStringLiteral("insert into jtcy (cyxm) values ('O''Brien卡')"));
        start();
        filter = forms().FrmZbcx;
        ledger = dm->ADOQlsz;
    }

    // Shows the filter, runs script in it, and closes it with 退出.
    void withFilter(const std::function<void()> &script)
    {
        platform.onDialog(QStringLiteral("FrmZbcx"), [this, script](QDialog *) {
            script();
            filter->BitBtn2->click();
        });
        mainWindow->TabSheet1->BitBtn6->click();
    }

    TFrmZbcx *filter = nullptr;
    Dataset *ledger = nullptr;
};

} // namespace

TEST_F(Filter, DefaultsAndTheStatementOfDefaults)
{
    EXPECT_EQ(filter->DateTimePicker1->date(), QDate(2026, 1, 1));
    EXPECT_EQ(filter->DateTimePicker2->date(), QDate(2026, 12, 9));
    withFilter([this] {
        EXPECT_EQ(filter->ComboBox3->currentText(), QStringLiteral("全部"));
        EXPECT_EQ(filter->ComboBox5->currentText(), QStringLiteral("选择全部"));
        EXPECT_EQ(filter->ComboBox5->count(), 13); // "选择全部" and the twelve items
        EXPECT_EQ(filter->ComboBox6->currentText(), QStringLiteral("全部"));
        EXPECT_EQ(filter->ComboBox6->count(), 7);
        EXPECT_EQ(filter->statement(),
                  QStringLiteral("select * from szzb where  rq >= #2026-01-01# and rq <= #2026-12-09#     "));
        filter->DateTimePicker1->setDate(QDate(2025, 1, 1));
        filter->BitBtn1->click();
        EXPECT_TRUE(filter->isVisible());    // it stays open
        EXPECT_EQ(ledger->recordCount(), 5); // also before the start date
        EXPECT_EQ(ledger->currentRow(), 0);
    });
    EXPECT_EQ(mainWindow->TabSheet1->DBGridEh1->footerText(3), QStringLiteral("共5条记录"));
}

TEST_F(Filter, EachConditionAlone)
{
    withFilter([this] {
        filter->ComboBox3->setCurrentText(QStringLiteral("收入"));
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 2);
        filter->ComboBox3->setCurrentText(QStringLiteral("全部"));
        filter->ComboBox5->setCurrentText(QStringLiteral("餐饮"));
        EXPECT_EQ(filter->ComboBox4->count(), 7); // "选择全部" and its six details
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 1);
        filter->ComboBox4->setCurrentText(QStringLiteral("晚餐"));
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 1);
        filter->ComboBox5->setCurrentText(QStringLiteral("选择全部"));
        EXPECT_EQ(filter->ComboBox4->count(), 1);
        filter->ComboBox6->setCurrentText(QStringLiteral("银行卡"));
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 2);
        EXPECT_EQ(mainWindow->TabSheet1->DBGridEh1->footerText(5), QStringLiteral("199.00"));
    });
}

TEST_F(Filter, AmountRanges)
{
    withFilter([this] {
        filter->Edit2->setText(QStringLiteral("-100")); // expenses of 100 or more
        EXPECT_TRUE(filter->statement().endsWith(QStringLiteral(" and jsze>=-999999999 and jsze<=-100")));
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 1);
        filter->Edit1->setText(QStringLiteral("100")); // incomes of 100 or more
        filter->Edit2->setText(QStringLiteral("999999999"));
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 1);
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QStringLiteral("奖金"));
        filter->Edit1->setText(QStringLiteral("-999999999"));
        EXPECT_TRUE(filter->statement().endsWith(QStringLiteral("#     ")));
    });
}

TEST_F(Filter, TheBoundsAdmitOnlyNumberCharacters)
{
    withFilter([this] {
        filter->Edit1->clear();
        QTest::keyClicks(filter->Edit1, QStringLiteral("1 or 1=1;e5"));
        EXPECT_EQ(filter->Edit1->text(), QStringLiteral("1115"));
        filter->Edit1->clear();
        filter->Edit1->insert(QStringLiteral("0 or 1=1")); // pasted text is held to the same rule
        EXPECT_EQ(filter->Edit1->text(), QString());
        // what is not a number is refused before any statement is built; the list stays
        const int listed = ledger->recordCount();
        for (const char *bad : {"1.2.3", "200--", "--", "-", ".", "1-2", ""}) {
            filter->Edit1->setText(QString::fromLatin1(bad));
            filter->BitBtn1->click();
            EXPECT_TRUE(ledger->isActive()) << bad;
            EXPECT_EQ(ledger->recordCount(), listed) << bad;
        }
        EXPECT_EQ(platform.texts(QStringLiteral("message")).size(), 7);
        EXPECT_EQ(platform.texts(QStringLiteral("message")).at(1),
                  QStringLiteral("净收支额的范围“200--”不是数字，请重新输入！"));
        EXPECT_TRUE(platform.errors().isEmpty());
        for (const char *good : {"-.5", "200", "-3.", "0.25"}) {
            filter->Edit1->setText(QString::fromLatin1(good));
            filter->BitBtn1->click();
            EXPECT_TRUE(filter->statement().contains(QStringLiteral(" and jsze>=%1 ").arg(QLatin1String(good))));
        }
        EXPECT_EQ(platform.texts(QStringLiteral("message")).size(), 7);
        EXPECT_TRUE(platform.errors().isEmpty());
        filter->BitBtn3->click(); // 选择全部 lists every entry
        EXPECT_EQ(ledger->recordCount(), 5);
        EXPECT_EQ(ledger->sqlText(), QStringLiteral("select * from szzb"));
    });
}

TEST_F(Filter, QuotesAndUnknownItems)
{
    withFilter([this] {
        filter->ComboBox6->setCurrentText(QStringLiteral("O'Brien卡"));
        filter->BitBtn1->click();
        EXPECT_TRUE(platform.errors().isEmpty());
        EXPECT_EQ(ledger->recordCount(), 1);
        filter->ComboBox6->setCurrentText(QStringLiteral("全部"));
        filter->ComboBox5->setEditText(QStringLiteral("不存在的'项目"));
        EXPECT_EQ(filter->ComboBox4->count(), 1);
        filter->BitBtn1->click();
        EXPECT_TRUE(platform.errors().isEmpty());
        EXPECT_EQ(ledger->recordCount(), 0);
    });
}

TEST_F(Filter, TheDetailIsKeptAfterReopening)
{
    withFilter([this] {
        filter->ComboBox5->setCurrentText(QStringLiteral("餐饮"));
        filter->ComboBox4->setCurrentText(QStringLiteral("晚餐"));
    });
    withFilter([this] {
        EXPECT_EQ(filter->ComboBox5->currentText(), QStringLiteral("选择全部"));
        EXPECT_EQ(filter->ComboBox4->currentText(), QStringLiteral("晚餐"));
        filter->BitBtn1->click();
        EXPECT_EQ(ledger->recordCount(), 1);
        EXPECT_EQ(ledger->asString(QStringLiteral("mx")), QStringLiteral("晚餐"));
    });
}
