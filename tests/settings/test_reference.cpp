// Items, details and accounts maintained from the entry form.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmdz.h"
#include "settings/tfrmcywh.h"
#include "settings/tfrmfymx.h"
#include "settings/tfrmfyxm.h"
#include "settings/tfrmjtcy.h"
#include "settings/tfrmmxwh.h"
#include "settings/tfrmxmwh.h"
#include "support/app/appfixture.h"

#include <QPushButton>
#include <QToolButton>

namespace {

class Reference : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral(
            "insert into szzb (rq,lx,xm,mx,zc,jsze,szr) values (#2026-3-1#,'支出','通讯','手机话费',50,-50,'现金')"));
        start();
        form = forms().FrmDz;
    }

    // Opens the entry form on a new entry, runs script in it, cancels it.
    void inEntryForm(const std::function<void()> &script)
    {
        platform.onDialog(QStringLiteral("FrmDz"), [this, script](QDialog *) {
            script();
            form->BitBtn2->click();
        });
        mainWindow->TabSheet1->BitBtn1->click();
    }

    // Types name into a name dialog and confirms it.
    void nameIt(const char *dialog, const QString &name)
    {
        platform.onDialog(QLatin1String(dialog), [name](QDialog *d) {
            auto *n = static_cast<NameDialog *>(d);
            EXPECT_EQ(n->DBEdit1->selectedText(), n->DBEdit1->text()) << n->DBEdit1->text().toStdString();
            n->DBEdit1->setText(name);
            n->BitBtn1->click();
        });
    }

    TFrmDz *form = nullptr;
};

} // namespace

TEST_F(Reference, ItemsReachTheEntryFormAtOnce)
{
    inEntryForm([this] {
        TFrmFyxm *items = forms().FrmFyxm;
        platform.onDialog(QStringLiteral("FrmFyxm"), [this, items](QDialog *) {
            EXPECT_EQ(items->DBGridEh1->footerText(0), QStringLiteral("共 12 项"));
            nameIt("FrmXmwh", QStringLiteral("宠物"));
            items->BitBtn1->click();
            EXPECT_EQ(items->DBGridEh1->footerText(0), QStringLiteral("共 13 项"));
            EXPECT_GE(form->DBLookupComboBox1->findText(QStringLiteral("宠物")), 0);
            // renaming the item of the entry
            dm->ADOQFyxmrr->locate(QStringLiteral("xmmc"), QStringLiteral("通讯"));
            nameIt("FrmXmwh", QStringLiteral("通信"));
            items->BitBtn2->click();
            items->BitBtn4->click();
        });
        form->SpeedButton1->click();
        EXPECT_GE(form->DBLookupComboBox1->findText(QStringLiteral("通信")), 0);
        EXPECT_LT(form->DBLookupComboBox1->findText(QStringLiteral("通讯")), 0);
    });
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fyxm where xmmc='宠物'")), QStringLiteral("1"));
    // the entry keeps the old name
    EXPECT_EQ(scalar(QStringLiteral("select xm from szzb where zbid=1")), QStringLiteral("通讯"));
}

TEST_F(Reference, DeletingAnItemDeletesItsDetailsButNoEntry)
{
    const QString id = scalar(QStringLiteral("select xmid from fyxm where xmmc='通讯'"));
    inEntryForm([this] {
        platform.onDialog(QStringLiteral("FrmFyxm"), [this](QDialog *) {
            dm->ADOQFyxmrr->locate(QStringLiteral("xmmc"), QStringLiteral("通讯"));
            platform.answer(false);
            forms().FrmFyxm->BitBtn3->click();
            platform.answer(true);
            forms().FrmFyxm->BitBtn3->click();
        });
        form->SpeedButton1->click();
    });
    EXPECT_EQ(
        platform.texts(QStringLiteral("question")).first(),
        QStringLiteral(
            "   删除该项后，其所属费用名细也将全部删除，是否确认删除？  \r       （不会删除该类项目的帐本记录）"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fyxm where xmmc='通讯'")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fymx where dyxmid=") + id), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where xm='通讯'")), QStringLiteral("1"));
}

TEST_F(Reference, TheCloseBoxAfterAddLeavesNoRow)
{
    inEntryForm([this] {
        platform.onDialog(QStringLiteral("FrmFyxm"), [this](QDialog *) {
            platform.onDialog(QStringLiteral("FrmXmwh"), [](QDialog *d) {
                static_cast<NameDialog *>(d)->DBEdit1->setText(QStringLiteral("半截"));
                d->close();
            });
            forms().FrmFyxm->BitBtn1->click();
            EXPECT_EQ(dm->ADOQFyxmrr->state(), Dataset::State::Browse);
            EXPECT_EQ(dm->ADOQFyxmrr->recordCount(), 12);
        });
        form->SpeedButton1->click();
    });
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fyxm")), QStringLiteral("12"));
}

TEST_F(Reference, ANameHoldsNoMoreThanItsColumnAllows)
{
    inEntryForm([this] {
        platform.onDialog(QStringLiteral("FrmFyxm"), [this](QDialog *) {
            platform.onDialog(QStringLiteral("FrmXmwh"), [this](QDialog *d) {
                auto *n = static_cast<NameDialog *>(d);
                EXPECT_EQ(n->DBEdit1->maxLength(), 50);
                n->DBEdit1->setText(QString(60, QLatin1Char('x')));
                EXPECT_EQ(n->DBEdit1->text().size(), 50);
                n->DBEdit1->setText(QStringLiteral("短名"));
                n->BitBtn1->click();
                EXPECT_FALSE(n->isVisible());
                EXPECT_TRUE(platform.errors().isEmpty());
            });
            forms().FrmFyxm->BitBtn1->click();
        });
        form->SpeedButton1->click();
    });
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fyxm where xmmc='短名'")), QStringLiteral("1"));
}

TEST_F(Reference, DetailsBelongToTheCurrentItem)
{
    inEntryForm([this] {
        // the entry form stands on the entry's item 通讯 and lists its details
        EXPECT_EQ(dm->ADOQFymxrr->recordCount(), 3);
        platform.onDialog(QStringLiteral("FrmFymx"), [this](QDialog *) {
            nameIt("FrmMxwh", QStringLiteral("流量包"));
            forms().FrmFymx->BitBtn1->click();
            EXPECT_EQ(forms().FrmFymx->DBGridEh1->footerText(0), QStringLiteral("共 4 项"));
            platform.onDialog(QStringLiteral("FrmMxwh"), [](QDialog *d) {
                static_cast<NameDialog *>(d)->DBEdit1->setText(QStringLiteral("不要"));
                static_cast<NameDialog *>(d)->BitBtn2->click();
            });
            forms().FrmFymx->BitBtn2->click();
            platform.answer(true);
            dm->ADOQFymxrr->first();
            forms().FrmFymx->BitBtn3->click();
        });
        form->SpeedButton2->click();
        EXPECT_GE(form->DBLookupComboBox2->findText(QStringLiteral("流量包")), 0);
    });
    const QString id = scalar(QStringLiteral("select xmid from fyxm where xmmc='通讯'"));
    EXPECT_EQ(scalar(QStringLiteral("select dyxmid from fymx where mxmc='流量包'")), id);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fymx where dyxmid=") + id), QStringLiteral("3"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from fymx where mxmc='手机话费'")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where mx='手机话费'")), QStringLiteral("1"));
    EXPECT_EQ(platform.texts(QStringLiteral("question")).first(),
              QStringLiteral("   删除后将不能恢复，是否确认删除？  \r       （不会删除该类费用的帐本记录）"));
}

TEST_F(Reference, ModifyOnAnEmptyDetailListAddsToTheItem)
{
    exec(QStringLiteral("insert into fyxm (xmmc) values ('宠物')"));
    dm->ADOQFyxmrr->requery(QStringLiteral("select * from fyxm"));
    inEntryForm([this] {
        Q_EMIT form->DBLookupComboBox1->activated(form->DBLookupComboBox1->findText(QStringLiteral("宠物")));
        ASSERT_EQ(dm->ADOQFymxrr->recordCount(), 0);
        platform.onDialog(QStringLiteral("FrmFymx"), [this](QDialog *) {
            nameIt("FrmMxwh", QStringLiteral("猫粮"));
            forms().FrmFymx->BitBtn2->click();
        });
        form->SpeedButton2->click();
    });
    EXPECT_EQ(scalar(QStringLiteral("select dyxmid from fymx where mxmc='猫粮'")),
              scalar(QStringLiteral("select xmid from fyxm where xmmc='宠物'")));
}

TEST_F(Reference, Accounts)
{
    inEntryForm([this] {
        TFrmJtcy *accounts = forms().FrmJtcy;
        platform.onDialog(QStringLiteral("FrmJtcy"), [this, accounts](QDialog *) {
            EXPECT_EQ(accounts->DBGridEh1->footerText(0), QStringLiteral("共 5 个帐户"));
            nameIt("FrmCywh", QStringLiteral("全部"));
            accounts->BitBtn1->click();
            EXPECT_EQ(accounts->DBGridEh1->footerText(0), QStringLiteral("共 6 个帐户"));
            EXPECT_GE(form->DBLookupComboBox3->findText(QStringLiteral("全部")), 0);
            dm->ADOQjtcyrr->locate(QStringLiteral("cyxm"), QStringLiteral("现金"));
            platform.answer(true);
            accounts->BitBtn3->click();
            EXPECT_LT(form->DBLookupComboBox3->findText(QStringLiteral("现金")), 0);
            platform.onDialog(QStringLiteral("FrmCywh"), [](QDialog *d) { d->close(); });
            accounts->BitBtn1->click(); // closed without 确定: nothing left
        });
        form->SpeedButton3->click();
    });
    EXPECT_EQ(platform.texts(QStringLiteral("question")).first(),
              QStringLiteral("   删除该项后将不能恢复，是否确认删除？  \r   （不会删除该帐户的帐本记录）"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jtcy")), QStringLiteral("5"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jtcy where cyxm='全部'")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select szr from szzb where zbid=1")), QStringLiteral("现金"));
}

TEST_F(Reference, TheListGridsPrintThroughTheMainWindowsPrinter)
{
    for (DBGridEh *g : {forms().FrmFyxm->DBGridEh1, forms().FrmJtcy->DBGridEh1})
        EXPECT_EQ(g->printer(), mainWindow->PrintDBGridEh1);
}
