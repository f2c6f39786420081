#include "tfrmtxl.h"

#include "components/dbcontrols.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "contactspage.h"
#include "data/lookuplink.h"
#include "data/rowinprogress.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "settings/tfrmrq.h"
#include "tfrmlxrfz.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TFrmTxl::TFrmTxl(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FrmTxl"));
    setWindowTitle(QStringLiteral("通讯录维护"));
    TDM *dm = DM;
    DataSource *contact = dm->DSTxl;
    auto edit = [&](const char *field) {
        return new DBEdit(contact, QLatin1String(field), this);
    };
    DBEdit1 = edit("lxrxm");
    DBComboBox1 = new DBComboBox(contact, QStringLiteral("xb"), {QStringLiteral("男"), QStringLiteral("女")}, this);
    DBComboBox1->setAccessibleName(QStringLiteral("性别"));
    DBLookupComboBox1 = new DBLookupComboBox(dm->LinkFz, this);
    SpeedButton1 = FormWidgets::dotsButton(QStringLiteral("【联系人分组维护】"), this);
    SpeedButton2 = FormWidgets::dotsButton(QStringLiteral("【选择生日】"), this);
    DBEdit7 = edit("qq");
    DBEdit2 = edit("bm");
    DBEdit4 = edit("sjhm");
    DBEdit6 = edit("jtdh");
    DBEdit8 = edit("yx");
    DBEdit9 = edit("wz");
    DBEdit5 = edit("bgdh");
    DBEdit10 = edit("gsmc");
    DBDateTimeEditEh1 = edit("sr");
    DBDateTimeEditEh1->setPlaceholderText(QStringLiteral("例如 1985-03-08"));
    // 1985/3/8, 1985.3.8, 1985年3月8日, 19850308 are stored as 1985-03-08
    DBDateTimeEditEh1->setNormalizer(&FormWidgets::canonicalDate);
    DBEdit11 = edit("jtdz");
    DBEdit13 = edit("txlbz");
    BitBtn1 = new QPushButton(QStringLiteral("保存退出"), this);
    BitBtn2 = new QPushButton(QStringLiteral("继续添加"), this);
    BitBtn3 = new QPushButton(QStringLiteral("取消退出"), this);
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3})
        b->setAutoDefault(false);
    BitBtn1->setDefault(true);
    const QList<QPair<const char *, QWidget *>> named = {{"DBEdit1", DBEdit1},
                                                         {"DBComboBox1", DBComboBox1},
                                                         {"DBLookupComboBox1", DBLookupComboBox1},
                                                         {"SpeedButton1", SpeedButton1},
                                                         {"DBEdit7", DBEdit7},
                                                         {"DBEdit2", DBEdit2},
                                                         {"DBEdit4", DBEdit4},
                                                         {"DBEdit6", DBEdit6},
                                                         {"DBEdit8", DBEdit8},
                                                         {"DBEdit9", DBEdit9},
                                                         {"DBEdit5", DBEdit5},
                                                         {"DBEdit10", DBEdit10},
                                                         {"DBDateTimeEditEh1", DBDateTimeEditEh1},
                                                         {"SpeedButton2", SpeedButton2},
                                                         {"DBEdit11", DBEdit11},
                                                         {"DBEdit13", DBEdit13},
                                                         {"BitBtn1", BitBtn1},
                                                         {"BitBtn2", BitBtn2},
                                                         {"BitBtn3", BitBtn3}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));

    auto *grid = new QGridLayout;
    auto label = [this](const char *text, QWidget *buddy) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    auto pair = [](QWidget *a, QWidget *b) {
        auto *row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(a, 1);
        row->addWidget(b);
        return row;
    };
    grid->addWidget(label("姓名", DBEdit1), 0, 0);
    grid->addLayout(pair(DBEdit1, DBComboBox1), 0, 1);
    grid->addWidget(label("联系人分组", DBLookupComboBox1), 0, 2);
    grid->addLayout(pair(DBLookupComboBox1, SpeedButton1), 0, 3);
    const QList<std::tuple<const char *, DBEdit *, const char *, DBEdit *>> rows
        = {{"QQ", DBEdit7, "网名", DBEdit2},
           {"手机", DBEdit4, "家庭电话", DBEdit6},
           {"电子邮箱", DBEdit8, "网址", DBEdit9},
           {"办公电话", DBEdit5, "工作单位", DBEdit10}};
    int r = 1;
    for (const auto &[leftLabel, left, rightLabel, right] : rows) {
        grid->addWidget(label(leftLabel, left), r, 0);
        grid->addWidget(left, r, 1);
        grid->addWidget(label(rightLabel, right), r, 2);
        grid->addWidget(right, r, 3);
        ++r;
    }
    grid->addWidget(label("生日", DBDateTimeEditEh1), r, 0);
    grid->addLayout(pair(DBDateTimeEditEh1, SpeedButton2), r, 1);
    grid->addWidget(label("家庭住址", DBEdit11), r, 2);
    grid->addWidget(DBEdit11, r, 3);
    ++r;
    grid->addWidget(label("备注", DBEdit13), r, 0);
    grid->addWidget(DBEdit13, r, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(centredRow({BitBtn1, BitBtn2, BitBtn3}));
    resize(520, 300);

    // 姓名, 网名, 手机, 办公电话, 家庭电话, QQ, 电子邮箱, 网址, 工作单位,
    // 家庭住址, 备注, 联系人分组, 生日, gender, then the buttons
    const QList<QWidget *> order
        = {DBEdit1,  DBEdit2,  DBEdit4,  DBEdit5,           DBEdit6,      DBEdit7,           DBEdit8,      DBEdit9,
           DBEdit10, DBEdit11, DBEdit13, DBLookupComboBox1, SpeedButton1, DBDateTimeEditEh1, SpeedButton2, DBComboBox1,
           BitBtn1,  BitBtn2,  BitBtn3};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
    forms().FrmTxl = this;
}

void TFrmTxl::FormShow()
{
    centreOnMainWindow();
    DBEdit1->setFocus();
}

bool TFrmTxl::checkName()
{
    DBEdit1->flush();
    if (!FormWidgets::isBlank(DM->ADOQTxl->asString(QStringLiteral("lxrxm"))))
        return true;
    platform().showMessage(this, QStringLiteral("请输入联系人姓名！"));
    DBEdit1->setFocus();
    return false;
}

void TFrmTxl::BitBtn1Click()
{
    if (!checkName())
        return;
    DM->ADOQTxl->post();
    accept();
}

void TFrmTxl::BitBtn2Click()
{
    if (!checkName())
        return;
    Dataset *contacts = DM->ADOQTxl;
    contacts->post();
    RowInProgress row(contacts);
    presetNewContact();
    row.keep();
    DBEdit1->setFocus();
}

void TFrmTxl::BitBtn3Click()
{
    reject();
}

void TFrmTxl::SpeedButton1Click()
{
    platform().showModal(forms().FrmLxrfz);
}

void TFrmTxl::SpeedButton2Click()
{
    TFrmRQ *dialog = forms().FrmRQ;
    dialog->move(DBDateTimeEditEh1->mapToGlobal(QPoint(0, DBDateTimeEditEh1->height())));
    DBDateTimeEditEh1->flush();
    const QDate current = DM->ADOQTxl->asDate(QStringLiteral("sr"));
    // on the typed birthday, else ten years back (the year is easy to change there)
    dialog->MonthCalendar1->setSelectedDate(current.isValid() ? current : platform().today().addYears(-10));
    platform().showModal(dialog);
    if (dialog->Confirmed == 1)
        DM->ADOQTxl->setValue(QStringLiteral("sr"), dialog->MonthCalendar1->selectedDate());
}

void TFrmTxl::FormClose()
{
    DM->ADOQTxl->cancel();
}
