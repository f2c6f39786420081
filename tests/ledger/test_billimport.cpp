// Bills of 支付宝, 微信支付 and banks imported into the ledger: the preview of
// every shared bill file, the import that happens once, the undo of a batch,
// refunds, duplicates, mapped bank layouts, encrypted archives and rules.
#include "app/tfrmmian.h"
#include "bills/billtests.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "data/dberror.h"
#include "data/tdm.h"
#include "ledger/billimport.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmzddr.h"
#include "ledger/tfrmzdgz.h"
#include "support/app/appfixture.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace BillTests;

namespace {

class Bills : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values "
                            "(#2026-3-1#,'支出','交通','打车',0,30,-30,'支付宝','',"
                            "'管理员',#2026-3-1 09:00:00#)"));
        exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('妈妈','')"));
        start(QStringLiteral("妈妈"));
        page = mainWindow->TabSheet1;
        form = forms().FrmZddr;
        mainWindow->ToolButton1->click();
    }

    BillImport::Preview preview(const QString &path, const QString &password = QString())
    {
        ::Bills::ReadStatus status = ::Bills::ReadStatus::Failed;
        QString error;
        BillImport::Preview p = BillImport::read(dm->ADOConnection1, path, password, &status, &error);
        EXPECT_EQ(status, ::Bills::ReadStatus::Ok) << error.toStdString();
        return p;
    }

    // Opens path through the ledger page's 导入账单 and runs script in its preview.
    void throughPage(const QString &path, const std::function<void()> &script)
    {
        platform.chooseFile(path);
        platform.onDialog(QStringLiteral("FrmZddr"), [script](QDialog *) { script(); });
        page->BitBtn7->click();
    }

    static int ticked(const BillImport::Preview &p)
    {
        return int(std::count_if(p.rows.cbegin(), p.rows.cend(), [](const auto &c) { return c.ticked; }));
    }
    static qint64 sum(const BillImport::Preview &p, bool income)
    {
        qint64 total = 0;
        for (const BillImport::Candidate &c : p.rows)
            if (c.ticked && c.income == income)
                total += c.cents;
        return total;
    }
    // The candidate of the bill's line (its line in the file).
    static const BillImport::Candidate &line(const BillImport::Preview &p, int number)
    {
        for (const BillImport::Candidate &c : p.rows)
            if (c.row.line == number)
                return c;
        ADD_FAILURE() << "no row of line " << number;
        return p.rows.constFirst();
    }

    int count(const QString &table) { return scalar(QStringLiteral("select count(*) from ") + table).toInt(); }

    // A bill in the current 支付宝 layout (UTF-8) of rows "time,category,
    // counterparty,goods,direction,amount,method,status,trade,order".
    static QByteArray alipay(const QStringList &rows)
    {
        QString text = QStringLiteral("支付宝交易明细\n导出时间：[2026-12-01 10:00:00]\n\n"
                                      "交易时间,交易分类,交易对方,对方账号,商品说明,收/支,金额,收/付款方式,"
                                      "交易状态,交易订单号,商家订单号,备注,\n");
        for (const QString &r : rows) {
            const QStringList f = r.split(QLatin1Char(','));
            text += QStringLiteral("%1,%2,%3,/,%4,%5,%6,%7,%8,%9\t,%10\t,,\n")
                        .arg(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8])
                        .arg(f[9]);
        }
        return text.toUtf8();
    }
    // A 微信支付 bill of rows "time,type,counterparty,goods,direction,amount,trade".
    static QByteArray wechat(const QStringList &rows)
    {
        QString text = QStringLiteral(
            "微信支付账单明细\n"
            "交易时间,交易类型,交易对方,商品,收/支,金额(元),支付方式,当前状态,交易单号,商户单号,备注\n");
        for (const QString &r : rows) {
            const QStringList f = r.split(QLatin1Char(','));
            text += QStringLiteral("%1,%2,%3,%4,%5,¥%6,零钱,支付成功,%7\t,M%7\t,/\n")
                        .arg(f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
        }
        return text.toUtf8();
    }

    QTemporaryDir dir;
    LedgerPage *page = nullptr;
    TFrmZddr *form = nullptr;
};

} // namespace

TEST_F(Bills, EveryFixtureIsPreviewedWithItsRowsTicksAndSums)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    struct Expected
    {
        const char *file;
        int rows;
        int ticked;
        qint64 income;
        qint64 expense;
    };
    // income and expense rows are ticked; transfers, closed trades and a
    // refund whose purchase is neither in the file nor imported are not
    const Expected all[] = {
        {"alipay-2023.csv", 10, 5, 22222850, 4974 + 2000 + 990 + 8200},
        {"wechat.csv", 27, 16, 35 + 2300 + 7 + 7 + 500, 290453},
        {"wechat.xlsx", 27, 16, 35 + 2300 + 7 + 7 + 500, 290453},
        {"cmb-debit.csv", 5, 4, 123400, 100000 + 300 + 1014},
        // a bank's refund names no order of its purchase: it waits for the
        // user; a fund sold back into the account is the household's own money
        {"icbc-debit.csv", 11, 7, 123456 + 123456 + 3000, 1340 + 50000 + 123456 + 2400},
    };
    for (const Expected &e : all) {
        SCOPED_TRACE(e.file);
        const BillImport::Preview p = preview(fixture(e.file));
        EXPECT_EQ(p.rows.size(), e.rows);
        EXPECT_EQ(ticked(p), e.ticked);
        EXPECT_EQ(sum(p, true), e.income);
        EXPECT_EQ(sum(p, false), e.expense);
        for (const BillImport::Candidate &c : p.rows) {
            EXPECT_FALSE(c.item.isEmpty()) << c.row.line;
            EXPECT_FALSE(c.account.isEmpty()) << c.row.line;
            if (!c.ticked) {
                EXPECT_FALSE(c.note.isEmpty()) << "an unticked row says why: line " << c.row.line;
            }
        }
    }

    const BillImport::Preview a = preview(fixture("alipay-2023.csv"));
    EXPECT_EQ(a.sourceName, QStringLiteral("支付宝"));
    EXPECT_EQ(line(a, 26).account, QStringLiteral("信用卡")); // 交通银行信用卡(7449)
    EXPECT_EQ(line(a, 27).account, QStringLiteral("支付宝")); // 余额
    EXPECT_FALSE(line(a, 28).ticked);
    EXPECT_TRUE(line(a, 28).note.contains(QStringLiteral("没有原付款记录")));
    EXPECT_TRUE(line(a, 28).income);
    EXPECT_TRUE(line(a, 29).note.contains(QStringLiteral("余额宝")));
    // the refund of the closed 一卡通 purchase and the purchase: nothing
    EXPECT_FALSE(line(a, 32).ticked);
    EXPECT_FALSE(line(a, 33).ticked);

    // bank rows: suggested by their words; an income of no known kind is
    // another income, not wages
    const BillImport::Preview icbc = preview(fixture("icbc-debit.csv"));
    const auto byWords = [&icbc](const QString &words) {
        for (const BillImport::Candidate &c : icbc.rows)
            if ((c.row.description + c.row.category).contains(words))
                return c.item + QLatin1Char('/') + c.detail;
        return QString();
    };
    EXPECT_EQ(byWords(QStringLiteral("工资")), QStringLiteral("工资收入/基本工资"));
    EXPECT_EQ(byWords(QStringLiteral("他行汇入")), QStringLiteral("其他收入/投资收益"));
    EXPECT_EQ(byWords(QStringLiteral("麦当劳")), QStringLiteral("餐饮/外出就餐"));

    const BillImport::Preview w = preview(fixture("wechat.csv"));
    EXPECT_EQ(line(w, 19).item, QStringLiteral("其他收入")); // 微信红包
    EXPECT_EQ(line(w, 19).detail, QStringLiteral("礼金收入"));
    EXPECT_EQ(line(w, 18).account, QStringLiteral("微信钱包"));
}

TEST_F(Bills, AnAlipayBillIsImportedOnceListedAtOnceAndUndoneExactly)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    platform.setNow(QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0)));
    const int before = dm->ADOQlsz->recordCount();
    const QString typedId = scalar(QStringLiteral("select max(zbid) from szzb"));

    throughPage(fixture("alipay-2023.csv"), [this] {
        EXPECT_TRUE(form->isVisible());
        EXPECT_FALSE(form->GroupBox1->isVisible()); // a known layout: no mapping
        EXPECT_TRUE(form->Label1->text().contains(QStringLiteral("支付宝")));
        EXPECT_EQ(form->Label2->text(), QStringLiteral("共 10 行，勾选 5 行：收入 222228.50 元，支出 161.64 元"));
        EXPECT_EQ(form->Model->rowCount(), 10);
        EXPECT_EQ(form->Model->index(0, BillRowsModel::Tick).data(Qt::CheckStateRole).toInt(), Qt::Checked);
        EXPECT_EQ(form->Model->index(0, BillRowsModel::Amount).data().toString(), QStringLiteral("49.74"));
        // a tick taken away and given back changes the summary
        form->Model->setData(form->Model->index(0, BillRowsModel::Tick), Qt::Unchecked, Qt::CheckStateRole);
        EXPECT_EQ(form->Label2->text(), QStringLiteral("共 10 行，勾选 4 行：收入 222228.50 元，支出 111.90 元"));
        // and stays so when the rows are prepared again after the rules
        platform.onDialog(QStringLiteral("FrmZdgz"), [](QDialog *) {});
        form->BitBtn3->click();
        EXPECT_EQ(form->Label2->text(), QStringLiteral("共 10 行，勾选 4 行：收入 222228.50 元，支出 111.90 元"));
        form->Model->setData(form->Model->index(0, BillRowsModel::Tick), Qt::Checked, Qt::CheckStateRole);
        form->BitBtn1->click();
        EXPECT_FALSE(form->isVisible());
    });
    EXPECT_EQ(platform.texts(QStringLiteral("message")).value(0),
              QStringLiteral("已导入 5 笔帐目：收入 222228.50 元，支出 161.64 元。\r"
                             "其中 5 笔早于帐本起始日期 %1，流水帐中不列出（可用“条件筛选”查看）。")
                  .arg(dm->startDate(platform.today()).toString(QStringLiteral("yyyy-MM-dd"))));
    EXPECT_EQ(count(QStringLiteral("szzb")), 6);
    EXPECT_EQ(count(QStringLiteral("drjl")), 6); // and the move to 余额宝, with no entry
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from drjl where zbid=0")), QStringLiteral("1"));
    // an imported entry deleted by hand may come in again
    {
        const QString deleted = scalar(QStringLiteral("select zbid from szzb where bz like '%亲情卡%'"));
        exec(QStringLiteral("delete from szzb where zbid=%1").arg(deleted));
        EXPECT_EQ(ticked(preview(fixture("alipay-2023.csv"))), 1);
        exec(QStringLiteral("insert into szzb (zbid,rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values (%1,#2023-2-12#,"
                            "'支出','餐饮','早餐',0,49.74,-49.74,'信用卡','xxxxxxxxxxxx 亲情卡','妈妈',"
                            "#2026-12-10 09:30:00#)")
                 .arg(deleted));
    }
    EXPECT_EQ(dm->ADOQlsz->recordCount(), before); // all before the ledger's start
    EXPECT_EQ(scalar(QStringLiteral("select xm||'/'||mx||'/'||szr||'/'||jzr||'/'||bz||'/'||zc||'/'||jsze||'/'||rq "
                                    "from szzb where bz like '%亲情卡%'")),
              QStringLiteral("餐饮/早餐/信用卡/妈妈/xxxxxxxxxxxx 亲情卡/49.74/-49.74/2023-02-12"));
    // amounts exact to the cent: the sum of the stored doubles is the decimal sum
    EXPECT_EQ(scalar(QStringLiteral("select round(sum(jsze)*100) from szzb where zbid>%1").arg(typedId)),
              QStringLiteral("22206686"));
    EXPECT_EQ(scalar(QStringLiteral("select jzsj from szzb where zbid=(select max(zbid) from szzb)")),
              QStringLiteral("2026-12-10 09:30:00"));

    // again: every row is known, nothing is ticked, nothing is written
    platform.shown.clear();
    throughPage(fixture("alipay-2023.csv"), [this] {
        EXPECT_EQ(form->Label2->text(), QStringLiteral("共 10 行，勾选 0 行：收入 0.00 元，支出 0.00 元"));
        int known = 0;
        for (const BillImport::Candidate &c : form->preview().rows)
            known += c.note == QStringLiteral("已导入") ? 1 : 0;
        EXPECT_EQ(known, 5);
        // and cannot be ticked: never twice
        EXPECT_FALSE(form->Model->flags(form->Model->index(0, BillRowsModel::Tick)) & Qt::ItemIsUserCheckable);
        EXPECT_FALSE(form->Model->setData(form->Model->index(0, BillRowsModel::Tick), Qt::Checked, Qt::CheckStateRole));
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(platform.texts(QStringLiteral("message")).value(0), QStringLiteral("没有勾选要导入的帐目。"));
        // the undo, from the same dialog
        platform.answer(true);
        form->BitBtn2->click();
        EXPECT_TRUE(platform.texts(QStringLiteral("question"))
                        .value(0)
                        .contains(QStringLiteral("2026-12-10 09:30 导入的“alipay-2023.csv”，5 笔帐目")));
        EXPECT_EQ(platform.texts(QStringLiteral("message")).value(1),
                  QStringLiteral("已撤销上次导入，删除了 5 笔帐目。"));
        // and the rows are offered again
        EXPECT_EQ(form->Label2->text(), QStringLiteral("共 10 行，勾选 5 行：收入 222228.50 元，支出 161.64 元"));
    });
    EXPECT_EQ(count(QStringLiteral("szzb")), 1);
    EXPECT_EQ(scalar(QStringLiteral("select zbid from szzb")), typedId); // the typed entry stays
    EXPECT_EQ(count(QStringLiteral("drjl")), 0);
    EXPECT_EQ(count(QStringLiteral("drpc")), 0);
    EXPECT_EQ(dm->ADOQlsz->recordCount(), before);
}

TEST_F(Bills, AMoveOfTheHouseholdsOwnMoneyTickedByHandComesInAsAnEntry)
{
    const QString wx = write(dir, QStringLiteral("wx.csv"),
                             wechat({QStringLiteral("2026-11-09 08:00:00,零钱充值,招商银行(1234),/,/,200.00,W3")}));
    BillImport::Preview p = preview(wx);
    ASSERT_EQ(p.rows.size(), 1);
    ASSERT_FALSE(p.rows.at(0).ticked); // a move, left out unless the household wants it
    p.rows[0].ticked = true;
    const BillImport::Result r = BillImport::import(dm->ADOConnection1, p, QStringLiteral("妈妈"), platform.now());
    EXPECT_EQ(r.entries, 1);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from drjl where zbid<>0")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from drjl where zbid=0")), QStringLiteral("0"));
}

TEST_F(Bills, ARefundNetsItsPurchaseAndAClosedTradeAddsNothing)
{
    const QString first = write(
        dir, QStringLiteral("a.csv"),
        alipay(
            {QStringLiteral("2026-11-01 10:00:00,数码电器,某电器店,洗衣机,支出,3000.00,余额,交易成功,T100,M100"),
             QStringLiteral(
                 "2026-11-05 10:00:00,退款,某电器店,退款-洗衣机,不计收支,2725.42,余额,退款成功,T100_R1,M100"),
             QStringLiteral("2026-11-06 09:00:00,交通出行,一卡通,一卡通充值,支出,50.00,余额,交易关闭,T200,M200"),
             QStringLiteral("2026-11-06 09:01:00,退款,一卡通,退款-一卡通充值,不计收支,50.00,余额,退款成功,T200_R,M200"),
             QStringLiteral("2026-11-07 12:00:00,餐饮美食,某饭店,午饭,支出,18.80,余额,交易成功,T300,M300")}));
    const BillImport::Preview p = preview(first);
    ASSERT_EQ(p.rows.size(), 5);
    const BillImport::Candidate &refund = p.rows.at(1);
    EXPECT_TRUE(refund.ticked);
    EXPECT_TRUE(refund.income);
    EXPECT_EQ(refund.item, p.rows.at(0).item); // on its original's item
    EXPECT_EQ(refund.detail, p.rows.at(0).detail);
    EXPECT_FALSE(p.rows.at(2).ticked);
    EXPECT_FALSE(p.rows.at(3).ticked);
    // a purchase unticked takes its refund along, and back
    {
        BillImport::Preview copy = p;
        BillRowsModel model;
        model.setPreview(&copy);
        model.setData(model.index(0, BillRowsModel::Tick), Qt::Unchecked, Qt::CheckStateRole);
        EXPECT_FALSE(copy.rows.at(1).ticked);
        model.setData(model.index(0, BillRowsModel::Tick), Qt::Checked, Qt::CheckStateRole);
        EXPECT_TRUE(copy.rows.at(1).ticked);
    }
    const BillImport::Result r = BillImport::import(dm->ADOConnection1, p, QStringLiteral("妈妈"), platform.now());
    EXPECT_EQ(r.entries, 3);
    EXPECT_EQ(scalar(QStringLiteral("select round(sum(jsze)*100) from szzb where zbid in (select zbid from drjl) "
                                    "and rq<=#2026-11-05#")),
              QStringLiteral("-27458")); // 3000.00 − 2725.42

    // a refund in a later bill of a purchase imported before: on the item
    // its entry has now
    exec(QStringLiteral("update szzb set xm='人情', mx='请客' where bz like '%午饭%'"));
    const QString later = write(dir, QStringLiteral("b.csv"),
                                alipay({QStringLiteral("2026-11-20 10:00:00,退款,某饭店,退款-午饭,不计收支,18.80,余额,"
                                                       "退款成功,T300_R,M300")}));
    const BillImport::Preview q = preview(later);
    ASSERT_EQ(q.rows.size(), 1);
    EXPECT_TRUE(q.rows.at(0).ticked);
    EXPECT_EQ(q.rows.at(0).note, QStringLiteral("退款，原支出已于以前导入"));
    EXPECT_EQ(q.rows.at(0).item, QStringLiteral("人情"));
    EXPECT_EQ(q.rows.at(0).detail, QStringLiteral("请客"));
}

TEST_F(Bills, AnUnknownBankLayoutIsMappedOnceAndRecognisedAfterwards)
{
    const QString path = write(dir, QStringLiteral("bank.csv"),
                               QStringLiteral("某某银行交易明细\n日期,金额,对方,用途,余额\n"
                                              "2026-11-02,-35.50,某超市,日用品,100.00\n"
                                              "2026-11-03,8000.00,某公司,工资,8100.00\n"
                                              "2026-11-04,abc,某处,坏行,8100.00\n"
                                              "2026-11-05,-999999999999999.99,某处,巨款,1.00\n")
                                   .toUtf8());
    throughPage(path, [this] {
        EXPECT_TRUE(form->GroupBox1->isVisible());
        EXPECT_EQ(form->Model->rowCount(), 0);
        EXPECT_EQ(form->ComboBox1->findText(QStringLiteral("日期")), 1); // after （无）
        form->ComboBox1->setCurrentText(QStringLiteral("日期"));
        form->ComboBox2->setCurrentText(QStringLiteral("金额"));
        form->ComboBox5->setCurrentText(QStringLiteral("对方"));
        form->ComboBox6->setCurrentText(QStringLiteral("用途"));
        form->BitBtn5->click();
        EXPECT_FALSE(form->GroupBox1->isVisible());
        ASSERT_EQ(form->Model->rowCount(), 4);
        EXPECT_EQ(form->Label2->text(), QStringLiteral("共 4 行，勾选 2 行：收入 8000.00 元，支出 35.50 元"));
        // more than an entry may hold: red, with its reason
        EXPECT_TRUE(form->preview().rows.at(3).invalid);
        EXPECT_EQ(form->preview().rows.at(3).note, QStringLiteral("金额太大：一笔帐不能达到一万亿元"));
        // the row that does not read: red, unticked, with its reason
        const QModelIndex bad = form->Model->index(2, BillRowsModel::Note);
        EXPECT_EQ(bad.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
        EXPECT_FALSE(form->preview().rows.at(2).ticked);
        EXPECT_FALSE(bad.data().toString().isEmpty());
        EXPECT_FALSE(form->Model->flags(form->Model->index(2, BillRowsModel::Tick)) & Qt::ItemIsUserCheckable);
    });
    EXPECT_EQ(platform.texts(QStringLiteral("message")).size(), 1); // the notice of an unknown layout
    // left without importing: nothing written, the mapping neither
    EXPECT_EQ(count(QStringLiteral("szzb")), 1);
    EXPECT_EQ(count(QStringLiteral("zdgs")), 0);
    const QString next = write(dir, QStringLiteral("bank2.csv"),
                               QStringLiteral("日期,金额,对方,用途,余额\n2026-12-01,-12.00,某店,早饭,1.00\n").toUtf8());
    EXPECT_EQ(preview(next).source, ::Bills::Source::Unknown);

    // mapped and imported: the mapping is kept with the import
    platform.shown.clear();
    throughPage(path, [this] {
        form->ComboBox1->setCurrentText(QStringLiteral("日期"));
        form->ComboBox2->setCurrentText(QStringLiteral("金额"));
        form->BitBtn5->click();
        form->BitBtn1->click();
    });
    EXPECT_EQ(count(QStringLiteral("szzb")), 3);
    EXPECT_EQ(count(QStringLiteral("zdgs")), 1);

    // the next file of that bank needs no mapping, whatever its rows
    const BillImport::Preview p = preview(next);
    EXPECT_EQ(p.source, ::Bills::Source::Mapped);
    ASSERT_EQ(p.rows.size(), 1);
    EXPECT_EQ(p.rows.at(0).cents, 1200);
    EXPECT_FALSE(p.rows.at(0).income);
    EXPECT_EQ(p.rows.at(0).account, QStringLiteral("银行卡"));

    // a mapping made wrong can be made anew: here the signs turned round
    throughPage(next, [this] {
        EXPECT_FALSE(form->GroupBox1->isVisible());
        ASSERT_TRUE(form->BitBtn6->isVisible());
        form->BitBtn6->click();
        EXPECT_TRUE(form->GroupBox1->isVisible());
        // the columns as they were mapped
        EXPECT_EQ(form->ComboBox1->currentText(), QStringLiteral("日期"));
        EXPECT_EQ(form->ComboBox2->currentText(), QStringLiteral("金额"));
        EXPECT_EQ(form->ComboBox3->currentIndex(), 0);
        EXPECT_FALSE(form->CheckBox1->isChecked());
        form->CheckBox1->setChecked(true); // 正数为支出
        form->BitBtn5->click();
        EXPECT_FALSE(form->GroupBox1->isVisible());
        EXPECT_TRUE(form->preview().rows.at(0).income);
        form->BitBtn1->click();
    });
    EXPECT_TRUE(preview(next).rows.at(0).income);
}

TEST_F(Bills, AnEncryptedArchiveAsksForItsPasswordUntilItOpens)
{
    const QString zip = dir.filePath(QStringLiteral("alipay.zip"));
    ASSERT_TRUE(
        makeZip(zip,
                {{QStringLiteral("alipay_record.csv"),
                  alipay({QStringLiteral("2026-11-07 12:00:00,餐饮美食,某饭店,午饭,支出,18.80,余额,交易成功,T1,M1")})}},
                "246810"));
    platform.typeText(QStringLiteral("111111"));
    platform.typeText(QStringLiteral("246810"));
    const int before = dm->ADOQlsz->recordCount();
    throughPage(zip, [this] {
        EXPECT_EQ(form->Model->rowCount(), 1);
        form->BitBtn1->click();
    });
    // listed at once, and the current row
    EXPECT_EQ(dm->ADOQlsz->recordCount(), before + 1);
    EXPECT_EQ(dm->ADOQlsz->asString(QStringLiteral("bz")), QStringLiteral("某饭店 午饭"));
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("已导入 1 笔帐目：收入 0.00 元，支出 18.80 元。")});
    EXPECT_EQ(platform.texts(QStringLiteral("text question")),
              (QStringList{QStringLiteral("这个压缩账单有密码保护。\n请输入解压密码（支付宝发送账单时告知的密码）："),
                           QStringLiteral("解压密码不对，请重新输入：")}));

    // given up: nothing opens
    platform.shown.clear();
    platform.chooseFile(zip);
    platform.cancelText();
    page->BitBtn7->click();
    EXPECT_EQ(platform.texts(QStringLiteral("text question")).size(), 1);
    EXPECT_EQ(platform.dialogsShown.count(QStringLiteral("FrmZddr")), 1);
    EXPECT_EQ(count(QStringLiteral("szzb")), 2);
}

TEST_F(Bills, TheFileDialogOffersBillsAndRemembersItsFolder)
{
    const QString path = write(dir, QStringLiteral("nothing.csv"), QByteArray("a,b\n1,2\n"));
    platform.cancelFileDialog();
    page->BitBtn7->click();
    ASSERT_EQ(platform.fileRequests.size(), 1);
    EXPECT_EQ(platform.fileRequests.at(0).filter,
              QStringLiteral("账单文件|*.csv;*.xlsx;*.xls|支付宝压缩账单|*.zip|所有文件|*"));
    platform.chooseFile(path);
    platform.onDialog(QStringLiteral("FrmZddr"), [](QDialog *) {});
    page->BitBtn7->click();
    platform.cancelFileDialog();
    page->BitBtn7->click();
    ASSERT_EQ(platform.fileRequests.size(), 3);
    EXPECT_EQ(platform.fileRequests.at(2).directory, dir.path());

    // a file that is not a table at all: a notice, no preview
    const QString junk = write(dir, QStringLiteral("junk.xlsx"), QByteArray("PK\x03\x04 not really", 16));
    platform.shown.clear();
    platform.chooseFile(junk);
    page->BitBtn7->click();
    ASSERT_EQ(platform.texts(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(
        platform.texts(QStringLiteral("message")).at(0).startsWith(QStringLiteral("无法读取账单文件“junk.xlsx”")));
}

TEST_F(Bills, TypedEntriesAndTheOtherBillAreNotCountedTwice)
{
    // an entry typed by hand with the date and amount of a bill row
    exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values "
                        "(#2026-11-02#,'支出','餐饮','午餐',0,35.5,-35.5,'现金','',"
                        "'妈妈',#2026-11-02 13:00:00#)"));
    const QString typedId = scalar(QStringLiteral("select max(zbid) from szzb"));
    const QString wx = write(dir, QStringLiteral("wx.csv"),
                             wechat({QStringLiteral("2026-11-02 12:30:00,商户消费,某面馆,牛肉面,支出,35.50,W1"),
                                     QStringLiteral("2026-11-10 18:00:00,商户消费,某超市,日用品,支出,88.00,W2"),
                                     QStringLiteral("2026-11-09 08:00:00,零钱充值,招商银行(1234),/,/,200.00,W3")}));
    const BillImport::Preview p = preview(wx);
    ASSERT_EQ(p.rows.size(), 3);
    EXPECT_FALSE(p.rows.at(2).ticked) << p.rows.at(2).note.toStdString(); // a move of the household's own money
    EXPECT_FALSE(p.rows.at(0).ticked);
    EXPECT_EQ(p.rows.at(0).duplicateOf, typedId.toLongLong());
    EXPECT_TRUE(
        p.rows.at(0).note.startsWith(QStringLiteral("疑似重复：与第 %1 号帐目（餐饮/午餐 35.50）").arg(typedId)));
    EXPECT_TRUE(p.rows.at(1).ticked);
    BillImport::import(dm->ADOConnection1, p, QStringLiteral("妈妈"), platform.now());

    // the bank's row of that 微信 payment, a day later
    const QString bank
        = write(dir, QStringLiteral("cmb.csv"),
                QStringLiteral("记账日期,货币,交易金额,联机余额,交易摘要,对手信息,客户摘要\n"
                               "2026-11-11,CNY,-88.00,100.00,快捷支付,财付通支付科技有限公司,微信支付-某超市\n"
                               "2026-11-12,CNY,-20.00,80.00,快捷支付,某便利店,\n"
                               "2026-11-09,CNY,-200.00,280.00,快捷支付,财付通支付科技有限公司,微信零钱充值\n"
                               "2026-11-11,CNY,-88.00,12.00,快捷支付,财付通支付科技有限公司,微信支付-某超市\n")
                    .toUtf8());
    const BillImport::Preview q = preview(bank);
    ASSERT_EQ(q.rows.size(), 4);
    EXPECT_FALSE(q.rows.at(0).ticked);
    EXPECT_EQ(q.rows.at(0).note, QStringLiteral("支付宝/微信账单中已有"));
    EXPECT_TRUE(q.rows.at(1).ticked);
    // the top-up of 零钱 from the card: the 微信 bill has it, as a move
    EXPECT_FALSE(q.rows.at(2).ticked);
    EXPECT_EQ(q.rows.at(2).note, QStringLiteral("支付宝/微信账单中已有"));
    // a second payment of the same amount is not the one the 微信 bill has
    EXPECT_TRUE(q.rows.at(3).ticked) << q.rows.at(3).note.toStdString();

    // the other way round: the bank first, then the 微信 bill
    BillImport::undo(dm->ADOConnection1, BillImport::lastBatch(dm->ADOConnection1).id);
    BillImport::Preview bankFirst = preview(bank);
    bankFirst.rows[3].ticked = false; // the second payment left out
    BillImport::import(dm->ADOConnection1, bankFirst, QStringLiteral("妈妈"), platform.now());
    const BillImport::Preview r = preview(wx);
    EXPECT_FALSE(r.rows.at(1).ticked);
    EXPECT_EQ(r.rows.at(1).note, QStringLiteral("银行账单中已有"));
}

TEST_F(Bills, ChoicesBecomeRulesKeptInTheirOwnDialog)
{
    const QString wx = write(dir, QStringLiteral("wx.csv"),
                             wechat({QStringLiteral("2026-11-02 12:30:00,商户消费,美团,外卖订单,支出,35.50,W1"),
                                     QStringLiteral("2026-11-03 12:30:00,商户消费,美团,外卖订单,支出,28.00,W2"),
                                     QStringLiteral("2026-11-04 08:30:00,商户消费,滴滴出行,快车,支出,16.00,W3")}));
    throughPage(wx, [this] {
        BillRowsModel *model = form->Model;
        // a choice offers a rule once a counterparty: the item and then its
        // detail are one question
        EXPECT_EQ(model->index(0, BillRowsModel::Item).data().toString(), QStringLiteral("餐饮"));
        platform.answer(true);
        model->setData(model->index(0, BillRowsModel::Item), QStringLiteral("购物"), Qt::EditRole);
        EXPECT_EQ(model->index(0, BillRowsModel::Detail).data().toString(), QStringLiteral("服装鞋帽"));
        EXPECT_EQ(model->index(1, BillRowsModel::Item).data().toString(), QStringLiteral("购物")); // followed
        model->setData(model->index(0, BillRowsModel::Item), QStringLiteral("餐饮"), Qt::EditRole);
        model->setData(model->index(0, BillRowsModel::Detail), QStringLiteral("外出就餐"), Qt::EditRole);
        // 滴滴出行 is 交通/打车 by its name; another choice declined, and
        // its later choices ask nothing either
        EXPECT_EQ(model->index(2, BillRowsModel::Detail).data().toString(), QStringLiteral("打车"));
        platform.answer(false);
        model->setData(model->index(2, BillRowsModel::Item), QStringLiteral("娱乐"), Qt::EditRole);
        model->setData(model->index(2, BillRowsModel::Item), QStringLiteral("交通"), Qt::EditRole);
        model->setData(model->index(2, BillRowsModel::Detail), QStringLiteral("打车"), Qt::EditRole);
        EXPECT_EQ(platform.texts(QStringLiteral("question")),
                  (QStringList{QStringLiteral("以后“美团”都记为 购物/服装鞋帽？"),
                               QStringLiteral("以后“滴滴出行”都记为 娱乐/旅游？")}));
        // the other row of 美团 follows the rule as it was last chosen
        EXPECT_EQ(model->index(1, BillRowsModel::Item).data().toString(), QStringLiteral("餐饮"));
        EXPECT_EQ(model->index(1, BillRowsModel::Detail).data().toString(), QStringLiteral("外出就餐"));

        // the rules dialog: the rule is there, one is added, one looked at
        platform.onDialog(QStringLiteral("FrmZdgz"), [this](QDialog *) {
            TFrmZdgz *rules = forms().FrmZdgz;
            EXPECT_EQ(rules->ADOQzdgz->recordCount(), 1);
            platform.onDialog(QStringLiteral("FrmGzwh"), [](QDialog *) {
                TFrmGzwh *one = forms().FrmGzwh;
                EXPECT_EQ(one->Edit1->text(), QString());
                one->BitBtn1->click(); // no keyword
                EXPECT_TRUE(one->isVisible());
                one->Edit1->setText(QStringLiteral("  滴滴 "));
                one->ComboBox1->setCurrentText(QStringLiteral("交通"));
                one->ComboBox2->setCurrentText(QStringLiteral("打车"));
                one->BitBtn1->click();
                EXPECT_FALSE(one->isVisible());
            });
            rules->BitBtn1->click();
            EXPECT_EQ(rules->ADOQzdgz->recordCount(), 2);
            platform.onDialog(QStringLiteral("FrmGzwh"), [](QDialog *) {
                TFrmGzwh *one = forms().FrmGzwh;
                EXPECT_EQ(one->Edit1->text(), QStringLiteral("滴滴"));
                EXPECT_EQ(one->ComboBox2->currentText(), QStringLiteral("打车"));
                one->BitBtn2->click(); // changed nothing
            });
            rules->BitBtn2->click();
            EXPECT_FALSE(rules->ADOQzdgz->isEditing());
        });
        form->BitBtn3->click();
        EXPECT_EQ(platform.texts(QStringLiteral("message")),
                  QStringList{QStringLiteral("关键字不能为空，请重新输入！")});
        // the new rule serves the rows the user did not choose for
        EXPECT_EQ(model->index(2, BillRowsModel::Item).data().toString(), QStringLiteral("交通"));
        EXPECT_EQ(model->index(2, BillRowsModel::Detail).data().toString(), QStringLiteral("打车"));
        EXPECT_EQ(model->index(0, BillRowsModel::Detail).data().toString(), QStringLiteral("外出就餐"));
    });
    EXPECT_EQ(scalar(QStringLiteral("select group_concat(gjz||'='||xm||'/'||mx, ';') from zdgz")),
              QStringLiteral("美团=餐饮/外出就餐;滴滴=交通/打车"));

    // a later bill takes the rules at once
    const BillImport::Preview p
        = preview(write(dir, QStringLiteral("wx2.csv"),
                        wechat({QStringLiteral("2026-12-02 12:30:00,商户消费,美团平台商户,外卖,支出,20.00,W9")})));
    EXPECT_EQ(p.rows.at(0).item, QStringLiteral("餐饮"));
    EXPECT_EQ(p.rows.at(0).detail, QStringLiteral("外出就餐"));
    EXPECT_TRUE(p.rows.at(0).fromRule);
}

TEST_F(Bills, AFailedImportWritesNothing)
{
    const QString path
        = write(dir, QStringLiteral("a.csv"),
                alipay({QStringLiteral("2026-11-01 10:00:00,日用百货,某店,纸巾,支出,12.00,余额,交易成功,T1,M1"),
                        QStringLiteral("2026-11-02 10:00:00,日用百货,某店,牙膏,支出,20.00,余额,交易成功,T2,M2")}));
    // the second entry is refused by the database
    exec(QStringLiteral("create trigger refuse before insert on szzb when new.zc=20 "
                        "begin select raise(abort, 'refused'); end"));
    throughPage(path, [this] {
        form->BitBtn1->click();
        EXPECT_TRUE(form->isVisible()); // the failure leaves the preview open
    });
    EXPECT_EQ(platform.errors().size(), 1);
    EXPECT_EQ(count(QStringLiteral("szzb")), 1);
    EXPECT_EQ(count(QStringLiteral("drjl")), 0);
    EXPECT_EQ(count(QStringLiteral("drpc")), 0);
}

TEST_F(Bills, ThePreviewAndTheRulesByKeyboardAndByTheirNames)
{
    if (!haveFixtures())
        GTEST_SKIP() << "the shared bill files are not beside the project";
    // what a screen reader announces for a widget
    const auto announced = [](QWidget *w) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        return a ? a->text(QAccessible::Name) : QString();
    };
    const auto labelledBy = [](QWidget *w) {
        QStringList names;
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(w);
        for (const auto &[other, relation] : a->relations(QAccessible::Label))
            names.append(other->text(QAccessible::Name));
        return names;
    };
    // where a key goes in the window
    const auto focused = [](QWidget *window) {
        QWidget *w = window->focusWidget();
        return w ? w : window;
    };
    throughPage(fixture("alipay-2023.csv"), [&] {
        QApplication::setActiveWindow(form);
        QTableView *rows = form->DBGridEh1;
        EXPECT_EQ(focused(form), static_cast<QWidget *>(rows)); // the rows first
        EXPECT_EQ(announced(rows), QStringLiteral("账单明细"));
        for (auto [button, name] : {std::pair<QPushButton *, const char *>{form->BitBtn1, "导入"},
                                    {form->BitBtn2, "撤销上次导入"},
                                    {form->BitBtn3, "分类规则"},
                                    {form->BitBtn4, "取消"}})
            EXPECT_EQ(announced(button), QString::fromUtf8(name));
        // Space takes the tick away from the current row, and gives it back
        ASSERT_TRUE(form->preview().rows.at(0).ticked);
        QTest::keyClick(rows, Qt::Key_Space);
        EXPECT_FALSE(form->preview().rows.at(0).ticked);
        QTest::keyClick(rows, Qt::Key_Space);
        EXPECT_TRUE(form->preview().rows.at(0).ticked);
        // Tab walks the buttons, none is missed
        QList<QWidget *> walked;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(focused(form), Qt::Key_Tab);
            walked.append(focused(form));
        }
        for (QWidget *b : {static_cast<QWidget *>(form->BitBtn1), static_cast<QWidget *>(form->BitBtn2),
                           static_cast<QWidget *>(form->BitBtn3), static_cast<QWidget *>(form->BitBtn4)})
            EXPECT_TRUE(walked.contains(b)) << announced(b).toStdString();
        // the rules by keyboard: Esc leaves them
        platform.onDialog(QStringLiteral("FrmZdgz"), [&](QDialog *rules) {
            QApplication::setActiveWindow(rules);
            TFrmZdgz *list = forms().FrmZdgz;
            for (auto [button, name] : {std::pair<QPushButton *, const char *>{list->BitBtn1, "增加"},
                                        {list->BitBtn2, "修改"},
                                        {list->BitBtn3, "删除"},
                                        {list->BitBtn4, "退出"}})
                EXPECT_EQ(announced(button), QString::fromUtf8(name));
            platform.onDialog(QStringLiteral("FrmGzwh"), [&](QDialog *one) {
                QApplication::setActiveWindow(one);
                TFrmGzwh *rule = forms().FrmGzwh;
                EXPECT_EQ(announced(rule->BitBtn1), QStringLiteral("确定"));
                // each list is told by its label, whatever entry it shows
                EXPECT_FALSE(labelledBy(rule->ComboBox1).isEmpty());
                EXPECT_FALSE(labelledBy(rule->ComboBox2).isEmpty());
                EXPECT_NE(labelledBy(rule->ComboBox1), labelledBy(rule->ComboBox2));
                QTest::keyClick(focused(one), Qt::Key_Escape);
                EXPECT_FALSE(one->isVisible());
            });
            list->BitBtn1->click();
            QApplication::setActiveWindow(rules);
            QTest::keyClick(focused(rules), Qt::Key_Escape);
            EXPECT_FALSE(rules->isVisible());
        });
        form->BitBtn3->click();
        QApplication::setActiveWindow(form);
        QTest::keyClick(focused(form), Qt::Key_Escape);
        EXPECT_FALSE(form->isVisible());
    });

    // the lists of the mapping are each told by their own group's title
    const QString bank = write(dir, QStringLiteral("bank.csv"),
                               QStringLiteral("日期,金额,对方,用途\n2026-11-02,-35.50,某超市,日用品\n").toUtf8());
    throughPage(bank, [&] {
        QStringList told;
        for (QComboBox *box : {form->ComboBox1, form->ComboBox2, form->ComboBox3, form->ComboBox4, form->ComboBox5,
                               form->ComboBox6, form->ComboBox7})
            told.append(labelledBy(box).value(0));
        EXPECT_EQ(told, (QStringList{QStringLiteral("日期"), QStringLiteral("金额（有正负）"),
                                     QStringLiteral("收入金额"), QStringLiteral("支出金额"), QStringLiteral("交易对方"),
                                     QStringLiteral("说明"), QStringLiteral("交易号")}));
        EXPECT_EQ(focused(form), static_cast<QWidget *>(form->ComboBox1));
        form->BitBtn4->click();
    });
    platform.texts(QStringLiteral("message")); // the notice of an unknown layout
}
