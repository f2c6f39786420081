// The contacts page, the contact editor, the contact groups and the vCards.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/gridexport.h"
#include "contacts/contactspage.h"
#include "contacts/tfrmfzmc.h"
#include "contacts/tfrmlxrfz.h"
#include "contacts/tfrmtxl.h"
#include "contacts/vcard.h"
#include "data/tdm.h"
#include "settings/tfrmrq.h"
#include "support/app/appfixture.h"
#include "support/python.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

class Contacts : public AppFixture
{
protected:
    void SetUp() override
    {
        const char *rows[] = {
            "('家人','王小明','小明','男','13800000001','010-1','010-2','12345','ming@example.com','','','北京','1990-"
            "05-12','')",
            "('朋友','O''Brien','OB','男','13800000002','','','','','','Acme, Inc.','','1985-11-03','100_')",
            "('同学','李丽',null,'女','','','','','','','','','1992-05-30','1000')",
            "('同事','王芳','芳芳','女','13900000003','','','','','','','','','')",
        };
        for (const char *r : rows)
            exec(QStringLiteral("insert into txl (fz,lxrxm,bm,xb,sjhm,bgdh,jtdh,qq,yx,wz,gsmc,jtdz,sr,txlbz) "
                                "values %1")
                     .arg(QString::fromUtf8(r)));
        start();
        page = mainWindow->TabSheet7;
        editor = forms().FrmTxl;
        contacts = dm->ADOQTxl;
        mainWindow->ToolButton5->click();
    }

    QStringList names() const
    {
        QStringList out;
        for (int row = 0; row < contacts->recordCount(); ++row)
            out.append(contacts->textAt(row, contacts->fieldIndex(QStringLiteral("lxrxm"))));
        out.sort();
        return out;
    }

    void search(const QString &field, const QString &text)
    {
        page->ComboBox7->setCurrentText(field);
        page->Edit5->setText(text);
        Q_EMIT page->Edit5->returnPressed(); // Enter searches as 查询 does
    }

    ContactsPage *page = nullptr;
    TFrmTxl *editor = nullptr;
    Dataset *contacts = nullptr;
};

} // namespace

TEST_F(Contacts, ThePageListsEveryoneAndTheGroupsOfTheStart)
{
    EXPECT_EQ(page->DBGridEh6->columns().size(), 15);
    EXPECT_EQ(page->DBGridEh6->footerText(1), QStringLiteral("共 4 人"));
    EXPECT_EQ(page->ComboBox7->count(), 12);
    EXPECT_EQ(page->ComboBox8->itemText(0), QStringLiteral("全部"));
    EXPECT_EQ(page->ComboBox8->count(), 1 + scalar(QStringLiteral("select count(*) from lxrfz")).toInt());
    // the group list stands on its last group: a new contact gets it
    Dataset *groups = dm->ADOQLxrfz;
    EXPECT_EQ(groups->currentRow(), groups->recordCount() - 1);
}

TEST_F(Contacts, SearchingOneFieldAnywhereAndTheGroupFilter)
{
    EXPECT_EQ(ContactsPage::searchStatement(0, QStringLiteral("王")),
              QStringLiteral("select * from txl where  lxrxm like '%王%' escape '\\'"));
    search(QStringLiteral("姓名"), QStringLiteral(" 王 "));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("王小明"), QStringLiteral("王芳")}));
    search(QStringLiteral("网名"), QString()); // empty: only contacts whose field holds text
    EXPECT_EQ(names(), (QStringList{QStringLiteral("O'Brien"), QStringLiteral("王小明"), QStringLiteral("王芳")}));
    search(QStringLiteral("备注"), QStringLiteral("100_")); // "_" is itself, not any character
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'Brien")});
    search(QStringLiteral("生日"), QStringLiteral("-05-")); // every May birthday
    EXPECT_EQ(names(), (QStringList{QStringLiteral("李丽"), QStringLiteral("王小明")}));
    search(QStringLiteral("姓名"), QStringLiteral("O'Brien"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'Brien")});
    search(QStringLiteral("工作单位"), QStringLiteral("Acme,"));
    EXPECT_EQ(contacts->recordCount(), 1);

    const int friends = page->ComboBox8->findText(QStringLiteral("朋友"));
    page->ComboBox8->setCurrentIndex(friends);
    Q_EMIT page->ComboBox8->activated(friends);
    EXPECT_EQ(contacts->sqlText(), QStringLiteral("select * from txl where fz='朋友'"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("O'Brien")});
    page->ComboBox8->setCurrentIndex(0);
    Q_EMIT page->ComboBox8->activated(0);
    EXPECT_EQ(contacts->recordCount(), 4);
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Contacts, TheEditorStoresContinuesAndDiscards)
{
    const QString lastGroup = dm->ADOQLxrfz->asString(QStringLiteral("zm"));
    platform.onDialog(QStringLiteral("FrmTxl"), [&](QDialog *) {
        EXPECT_EQ(contacts->state(), Dataset::State::Insert);
        EXPECT_EQ(editor->DBComboBox1->currentText(), QStringLiteral("男"));
        EXPECT_EQ(editor->DBLookupComboBox1->currentText(), lastGroup);
        EXPECT_EQ(editor->DBComboBox1->count(), 2);
        editor->DBEdit1->setText(QStringLiteral("  "));
        editor->BitBtn2->click(); // a blank name is no name
        EXPECT_EQ(contacts->state(), Dataset::State::Insert);
        for (const char *name : {"甲", "乙", "丙"}) {
            editor->DBEdit1->setText(QString::fromUtf8(name));
            if (QString::fromUtf8(name) == QStringLiteral("乙")) { // a group chosen goes on to the next
                const int family = editor->DBLookupComboBox1->findText(QStringLiteral("家人"));
                editor->DBLookupComboBox1->setCurrentIndex(family);
                Q_EMIT editor->DBLookupComboBox1->activated(family);
            }
            editor->BitBtn2->click();
        }
        EXPECT_EQ(editor->DBLookupComboBox1->currentText(), QStringLiteral("家人"));
        EXPECT_EQ(editor->DBComboBox1->currentText(), QStringLiteral("男"));
        editor->BitBtn3->click();
    });
    page->BitBtn32->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{QStringLiteral("请输入联系人姓名！")});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from txl")),
              QStringLiteral("7")); // three stored, the fourth dropped
    EXPECT_EQ(scalar(QStringLiteral("select fz from txl where lxrxm='丙'")), QStringLiteral("家人"));
    EXPECT_EQ(scalar(QStringLiteral("select fz from txl where lxrxm='甲'")), lastGroup);

    // 修改, a new phone, the close box: the old phone stays
    contacts->locate(QStringLiteral("lxrxm"), QStringLiteral("王芳"));
    platform.onDialog(QStringLiteral("FrmTxl"), [&](QDialog *) {
        EXPECT_EQ(editor->DBEdit4->text(), QStringLiteral("13900000003"));
        editor->DBEdit4->setText(QStringLiteral("1"));
    });
    page->BitBtn33->click();
    EXPECT_EQ(scalar(QStringLiteral("select sjhm from txl where lxrxm='王芳'")), QStringLiteral("13900000003"));
}

TEST_F(Contacts, ModifyOnAnEmptyListOpensABlankContactAndTheTabOrder)
{
    search(QStringLiteral("姓名"), QStringLiteral("没有这个人"));
    ASSERT_TRUE(contacts->isEmpty());
    platform.onDialog(QStringLiteral("FrmTxl"), [&](QDialog *d) {
        EXPECT_TRUE(contacts->isNull(QStringLiteral("xb")));
        d->activateWindow();
        QApplication::setActiveWindow(d);
        editor->DBEdit1->setFocus();
        QStringList walked;
        for (int i = 0; i < 17; ++i) {
            QWidget *w = QApplication::focusWidget();
            walked.append(w ? w->objectName() : QStringLiteral("-"));
            QTest::keyClick(w ? w : d, Qt::Key_Tab);
        }
        EXPECT_EQ(walked.join(QLatin1Char(' ')),
                  QStringLiteral("DBEdit1 DBEdit2 DBEdit4 DBEdit5 DBEdit6 DBEdit7 DBEdit8 DBEdit9 DBEdit10 DBEdit11 "
                                 "DBEdit13 DBLookupComboBox1 SpeedButton1 DBDateTimeEditEh1 SpeedButton2 DBComboBox1 "
                                 "BitBtn1"));
    });
    page->BitBtn33->click();
    EXPECT_EQ(contacts->state(), Dataset::State::Browse);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from txl")), QStringLiteral("4"));
}

TEST_F(Contacts, GroupsAreNamedNotBlankAndOfferedAtOnceInTheEditor)
{
    TFrmLxrfz *groups = forms().FrmLxrfz;
    platform.onDialog(QStringLiteral("FrmTxl"), [&](QDialog *) {
        platform.onDialog(QStringLiteral("FrmLxrfz"), [&](QDialog *) {
            platform.onDialog(QStringLiteral("FrmFzmc"), [&](QDialog *) {
                forms().FrmFzmc->DBEdit1->setText(QStringLiteral(" \t "));
                forms().FrmFzmc->BitBtn1->click();
                EXPECT_TRUE(forms().FrmFzmc->isVisible());
                forms().FrmFzmc->DBEdit1->setText(QStringLiteral("朋友's"));
                forms().FrmFzmc->BitBtn1->click();
            });
            groups->BitBtn1->click();
            EXPECT_EQ(dm->ADOQLxrfz->asString(QStringLiteral("zm")), QStringLiteral("朋友's")); // now current
            groups->BitBtn4->click();
        });
        editor->SpeedButton1->click();
        EXPECT_NE(editor->DBLookupComboBox1->findText(QStringLiteral("朋友's")), -1);
        editor->BitBtn3->click();
    });
    page->BitBtn32->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{QStringLiteral("组名不能为空，请重新输入！")});
    EXPECT_EQ(page->ComboBox8->findText(QStringLiteral("朋友's")), -1); // only from the next start

    // renaming a group in use asks; No leaves its contacts with the old name
    dm->ADOQLxrfz->locate(QStringLiteral("zm"), QStringLiteral("家人"));
    platform.answer(false);
    platform.onDialog(QStringLiteral("FrmFzmc"), [&](QDialog *) {
        forms().FrmFzmc->DBEdit1->setText(QStringLiteral("亲人"));
        forms().FrmFzmc->BitBtn1->click();
    });
    groups->BitBtn2Click();
    EXPECT_EQ(platform.texts(QStringLiteral("question")).last(),
              QStringLiteral("是否把使用“家人”的 1 条记录一并改为“亲人”？"));
    EXPECT_EQ(scalar(QStringLiteral("select fz from txl where lxrxm='王小明'")), QStringLiteral("家人"));
    // and Yes takes them along, so that the group still finds them
    exec(QStringLiteral("update lxrfz set zm='家人' where zm='亲人'"));
    dm->ADOQLxrfz->close();
    dm->ADOQLxrfz->open();
    dm->ADOQLxrfz->locate(QStringLiteral("zm"), QStringLiteral("家人"));
    platform.answer(true);
    platform.onDialog(QStringLiteral("FrmFzmc"), [&](QDialog *) {
        forms().FrmFzmc->DBEdit1->setText(QStringLiteral("亲人"));
        forms().FrmFzmc->BitBtn1->click();
    });
    groups->BitBtn2Click();
    EXPECT_EQ(scalar(QStringLiteral("select fz from txl where lxrxm='王小明'")), QStringLiteral("亲人"));
    EXPECT_EQ(dm->ADOQTxl->asString(QStringLiteral("fz")).isEmpty(), false);

    destroy();
    start();
    EXPECT_NE(mainWindow->TabSheet7->ComboBox8->findText(QStringLiteral("朋友's")), -1);
    const int index = mainWindow->TabSheet7->ComboBox8->findText(QStringLiteral("朋友's"));
    mainWindow->TabSheet7->ComboBox8->setCurrentIndex(index);
    Q_EMIT mainWindow->TabSheet7->ComboBox8->activated(index);
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Contacts, ExportsCoverTheListedRowsAndVCardsReadBack)
{
    search(QStringLiteral("姓名"), QStringLiteral("王"));
    platform.chooseFile(db->dir() + QStringLiteral("通讯录"), 1);
    page->BitBtn36->click();
    ASSERT_EQ(platform.fileRequests.size(), 1);
    EXPECT_EQ(platform.fileRequests[0].fileName, QStringLiteral("家庭通讯录"));
    EXPECT_TRUE(platform.fileRequests[0].filter.endsWith(QStringLiteral("|vcf （电子名片）|vcf")));
    EXPECT_EQ(mainWindow->SaveDialog1->filter.count(QStringLiteral("vcf")), 0); // the other pages keep theirs
    QFile xls(db->dir() + QStringLiteral("通讯录.xls"));
    ASSERT_TRUE(xls.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(xls.readAll()).count(QStringLiteral("\r\n")), 4); // titles, two rows, footer

    page->ComboBox8->setCurrentIndex(0);
    Q_EMIT page->ComboBox8->activated(0);
    exec(QStringLiteral("update txl set txlbz='第一行;第二行\\还有' || char(10) || '换行,逗号"
                        "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十' where lxrxm='李丽'"));
    contacts->close();
    contacts->open();
    const int vcf = int(platform.fileRequests[0].filter.count(QLatin1Char('|')) + 1) / 2;
    platform.chooseFile(db->dir() + QStringLiteral("phone"), vcf);
    page->BitBtn36->click();
    QFile file(db->dir() + QStringLiteral("phone.vcf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    for (const QByteArray &line : bytes.split('\n')) {
        EXPECT_LE(line.size(), 76) << line.toStdString(); // 75 octets and the CR
        EXPECT_TRUE(QString::fromUtf8(line).toUtf8() == line) << "a character was split";
    }
    const QString python = systemPython();
    if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import vobject")}) != 0)
        GTEST_SKIP() << "python3-vobject is not installed";
    const char *script = R"PY(
import sys, vobject
for card in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    tels = ','.join(sorted(t.value for t in card.contents.get('tel', [])))
    note = card.note.value if 'note' in card.contents else ''
    org = card.org.value[0] if 'org' in card.contents else ''
    bday = card.bday.value if 'bday' in card.contents else ''
    cat = ','.join(card.categories.value) if 'categories' in card.contents else ''
    name = card.n.value.family + '/' + card.n.value.given
    print('|'.join([card.fn.value, name, tels, org, bday, cat, note.replace('\n', '/')]))
)PY";
    QProcess reader;
    reader.start(python, {QStringLiteral("-c"), QString::fromUtf8(script), file.fileName()});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QStringList cards
        = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(cards.size(), 4) << QString::fromUtf8(reader.readAllStandardError()).toStdString();
    EXPECT_TRUE(cards.contains(QStringLiteral("王小明|王/小明|010-1,010-2,13800000001||1990-05-12|家人|")))
        << cards.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(cards.contains(QStringLiteral("O'Brien|O'Brien/|13800000002|Acme, Inc.|1985-11-03|朋友|100_")))
        << cards.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(cards.contains(QStringLiteral("李丽|李/丽|||1992-05-30|同学|第一行;第二行\\还有/换行,逗号"
                                              "一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十")))
        << cards.join(QLatin1Char('\n')).toStdString();
}

TEST_F(Contacts, BirthdaysAreTakenAsAHouseholdTypesThem)
{
    const QStringList typed
        = {QStringLiteral("1985-3-8"),     QStringLiteral("1985/3/8"), QStringLiteral("1985.3.8"),
           QStringLiteral("1985年3月8日"), QStringLiteral("19850308"), QStringLiteral("１９８５－３－８")};
    int n = 0;
    for (const QString &birthday : typed) {
        const QString name = QStringLiteral("生日%1").arg(++n);
        platform.onDialog(QStringLiteral("FrmTxl"), [&](QDialog *) {
            EXPECT_EQ(editor->DBDateTimeEditEh1->placeholderText(), QStringLiteral("例如 1985-03-08"));
            editor->DBEdit1->setText(name);
            editor->DBDateTimeEditEh1->setText(birthday);
            editor->DBDateTimeEditEh1->flush();
            editor->BitBtn1->click(); // 保存退出
        });
        page->BitBtn32->click();
        EXPECT_EQ(scalar(QStringLiteral("select sr from txl where lxrxm='%1'").arg(name)), QStringLiteral("1985-03-08"))
            << birthday.toStdString();
    }
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    // what was typed finds them
    search(QStringLiteral("生日"), QStringLiteral("1985-3-8"));
    EXPECT_EQ(contacts->recordCount(), typed.size());
    search(QStringLiteral("生日"), QStringLiteral("1985年3月8日"));
    EXPECT_EQ(contacts->recordCount(), typed.size());

    // the calendar opens on the typed birthday, else ten years back
    TFrmRQ *calendar = forms().FrmRQ;
    for (const auto &[birthday, shown] : QList<QPair<QString, QDate>>{{QStringLiteral("1990/5/3"), QDate(1990, 5, 3)},
                                                                      {QString(), QDate(2016, 12, 9)}}) {
        platform.onDialog(QStringLiteral("FrmTxl"), [&](QDialog *) {
            editor->DBEdit1->setText(QStringLiteral("日历"));
            editor->DBDateTimeEditEh1->setText(birthday);
            platform.onDialog(QStringLiteral("FrmRQ"), [&](QDialog *) {
                EXPECT_EQ(calendar->MonthCalendar1->selectedDate(), shown) << birthday.toStdString();
            });
            editor->SpeedButton2->click();
        });
        page->BitBtn32->click();
    }
}

TEST(VCardNames, AChineseNameIsSplitAfterItsFamilyName)
{
    const QList<QPair<QString, QPair<QString, QString>>> cases = {
        {QStringLiteral("王小明"), {QStringLiteral("王"), QStringLiteral("小明")}},
        {QStringLiteral("李丽"), {QStringLiteral("李"), QStringLiteral("丽")}},
        {QStringLiteral("欧阳修"), {QStringLiteral("欧阳"), QStringLiteral("修")}},
        {QStringLiteral("诸葛孔明"), {QStringLiteral("诸葛"), QStringLiteral("孔明")}},
        {QStringLiteral("司马相如"), {QStringLiteral("司马"), QStringLiteral("相如")}},
        {QStringLiteral("欧阳"), {QStringLiteral("欧"), QStringLiteral("阳")}}, // two characters: 欧 is the family
        {QStringLiteral("O'Brien"), {QStringLiteral("O'Brien"), QString()}},
        {QStringLiteral("Anna 王"), {QStringLiteral("Anna 王"), QString()}},
    };
    for (const auto &[name, parts] : cases)
        EXPECT_EQ(VCard::splitName(name), parts) << name.toStdString();
}
