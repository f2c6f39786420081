#include "tfrmjssx.h"

#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "duememos.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString ChooseAll = QStringLiteral("选择全部");
const QString Everyone = QStringLiteral("全部");

} // namespace

TFrmJssx::TFrmJssx(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FrmJssx"));
    setWindowTitle(QStringLiteral("条件筛选记事提醒记录"));
    Label1 = new QLabel(QStringLiteral("请设置筛选条件："), this);
    Label1->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    DateTimePicker1 = FormWidgets::datePicker(this);
    DateTimePicker2 = FormWidgets::datePicker(this);
    DateTimePicker3 = FormWidgets::datePicker(this);
    DateTimePicker4 = FormWidgets::datePicker(this);
    ComboBox5 = new QComboBox(this);
    ComboBox5->setEditable(true);
    ComboBox5->setInsertPolicy(QComboBox::NoInsert);
    // the states the editor stores
    ComboBox5->addItems(QStringList{ChooseAll} + DueMemos::states());
    ComboBox4 = new QComboBox(this);
    ComboBox4->setEditable(true);
    ComboBox4->setInsertPolicy(QComboBox::NoInsert);
    ComboBox6 = new QComboBox(this);
    BitBtn1 = new QPushButton(QStringLiteral("确定条件"), this);
    BitBtn3 = new QPushButton(QStringLiteral("选择全部"), this);
    Button1 = new QPushButton(QStringLiteral("退出"), this);
    for (QPushButton *b : {BitBtn1, BitBtn3, Button1})
        b->setAutoDefault(false);
    BitBtn1->setDefault(true);
    const QList<QPair<const char *, QWidget *>> named = {{"Label1", Label1},
                                                         {"DateTimePicker1", DateTimePicker1},
                                                         {"DateTimePicker2", DateTimePicker2},
                                                         {"ComboBox5", ComboBox5},
                                                         {"ComboBox4", ComboBox4},
                                                         {"ComboBox6", ComboBox6},
                                                         {"DateTimePicker3", DateTimePicker3},
                                                         {"DateTimePicker4", DateTimePicker4},
                                                         {"BitBtn1", BitBtn1},
                                                         {"BitBtn3", BitBtn3},
                                                         {"Button1", Button1}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));

    auto *grid = new QGridLayout;
    grid->addWidget(FormWidgets::group(QStringLiteral("记事日期"),
                                       {DateTimePicker1, new QLabel(QStringLiteral("至"), this), DateTimePicker2},
                                       this),
                    0, 0, 1, 3);
    grid->addWidget(FormWidgets::group(QStringLiteral("提醒方式"), {ComboBox5}, this), 1, 0);
    grid->addWidget(FormWidgets::group(QStringLiteral("记事类型"), {ComboBox4}, this), 1, 1);
    grid->addWidget(FormWidgets::group(QStringLiteral("记事人"), {ComboBox6}, this), 1, 2);
    grid->addWidget(FormWidgets::group(QStringLiteral("提醒日期"),
                                       {DateTimePicker3, new QLabel(QStringLiteral("至"), this), DateTimePicker4},
                                       this),
                    2, 0, 1, 3);
    auto *buttons = centredRow({BitBtn1, BitBtn3, Button1});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(470, 260);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(Button1, &QPushButton::clicked, this, guarded([this] { Button1Click(); }));
    forms().FrmJssx = this;
    guard([this] { FormCreate(); });
}

void TFrmJssx::FormCreate()
{
    const QDate today = platform().today();
    DateTimePicker1->setDate(DM->startDate(today));
    DateTimePicker2->setDate(today);
    DateTimePicker3->setDate(today);
    DateTimePicker4->setDate(today.addDays(365));
}

void TFrmJssx::FormShow()
{
    centreOnMainWindow();
    TDM *dm = DM;
    FormWidgets::fillList(ComboBox6, Everyone, QStringLiteral("select * from czyh"), QStringLiteral("yhmc"));
    // the type table is left on its last row: a new memo takes that type
    FormWidgets::fillList(ComboBox4, ChooseAll, dm->ADOTJslx, QStringLiteral("lxmc"));
}

QString TFrmJssx::statement() const
{
    QString s = QStringLiteral("select * from jstx where");
    s += QStringLiteral(" jsrq >=") + QStringLiteral(" #") + sqlDate(DateTimePicker1->date()) + QStringLiteral("#");
    s += QStringLiteral(" and jsrq <=") + QStringLiteral(" #") + sqlDate(DateTimePicker2->date()) + QStringLiteral("#");
    if (ComboBox4->currentText() != ChooseAll)
        s += QStringLiteral(" and jslxmc='") + sqlText(ComboBox4->currentText()) + QStringLiteral("'");
    if (ComboBox5->currentText() != ChooseAll)
        s += QStringLiteral(" and txfs='") + sqlText(ComboBox5->currentText()) + QStringLiteral("'");
    if (ComboBox6->currentText() != Everyone)
        s += QStringLiteral(" and jsr='") + sqlText(ComboBox6->currentText()) + QStringLiteral("'");
    s += QStringLiteral(" and txqsrq >=") + QStringLiteral(" #") + sqlDate(DateTimePicker3->date())
         + QStringLiteral("#");
    s += QStringLiteral(" and txqsrq <=") + QStringLiteral(" #") + sqlDate(DateTimePicker4->date())
         + QStringLiteral("#");
    return s;
}

void TFrmJssx::BitBtn1Click()
{
    Dataset *memos = DM->ADOQjs;
    memos->requery(statement());
}

void TFrmJssx::BitBtn3Click()
{
    DM->ADOQjs->requery(QStringLiteral("select * from jstx"));
}

void TFrmJssx::Button1Click()
{
    close();
}
