#include "tfrmzbcx.h"

#include "components/busy.h"
#include "components/dbcontrols.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace {

// A bound of the net amount: only "-", "." and digits can be typed or pasted.
class BoundEdit : public QLineEdit
{
public:
    BoundEdit(const QString &text, QWidget *parent)
        : QLineEdit(text, parent)
    {
        setValidator(new NumberCharsValidator(this, false));
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QLineEdit::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton)
            selectAll(); // a click selects all, so typing replaces the bound
    }
};

QGroupBox *group(const QString &title, QWidget *content, QWidget *parent)
{
    auto *box = new QGroupBox(title, parent);
    box->setAccessibleName(title);
    FormWidgets::nameByGroup(title, {content});
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    layout->addWidget(content);
    return box;
}

} // namespace

TFrmZbcx::TFrmZbcx(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FrmZbcx"));
    setWindowTitle(QStringLiteral("条件筛选家庭帐目"));
    Label1 = new QLabel(QStringLiteral("请设置筛选条件："), this);
    Label1->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
    DateTimePicker1 = new QDateEdit(this);
    DateTimePicker2 = new QDateEdit(this);
    for (QDateEdit *d : {DateTimePicker1, DateTimePicker2}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    ComboBox3 = new QComboBox(this);
    ComboBox3->addItems({QStringLiteral("全部"), QStringLiteral("收入"), QStringLiteral("支出")});
    ComboBox5 = new QComboBox(this);
    ComboBox5->setEditable(true);
    ComboBox5->setInsertPolicy(QComboBox::NoInsert);
    ComboBox5->addItem(QStringLiteral("选择全部"));
    ComboBox4 = new QComboBox(this);
    ComboBox4->setEditable(true);
    ComboBox4->setInsertPolicy(QComboBox::NoInsert);
    ComboBox4->addItem(QStringLiteral("选择全部"));
    ComboBox6 = new QComboBox(this);
    ComboBox6->addItem(QStringLiteral("全部"));
    Edit1 = new BoundEdit(QStringLiteral("-999999999"), this);
    Edit2 = new BoundEdit(QStringLiteral("999999999"), this);
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn3 = new QPushButton(QStringLiteral("选择全部"), this);
    BitBtn2 = new QPushButton(QStringLiteral("退出"), this);
    const QList<QPair<const char *, QWidget *>> named = {{"DateTimePicker1", DateTimePicker1},
                                                         {"DateTimePicker2", DateTimePicker2},
                                                         {"ComboBox3", ComboBox3},
                                                         {"ComboBox5", ComboBox5},
                                                         {"ComboBox4", ComboBox4},
                                                         {"ComboBox6", ComboBox6},
                                                         {"Edit1", Edit1},
                                                         {"Edit2", Edit2},
                                                         {"BitBtn1", BitBtn1},
                                                         {"BitBtn3", BitBtn3},
                                                         {"BitBtn2", BitBtn2}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3})
        b->setAutoDefault(false);
    BitBtn1->setDefault(true); // Enter in a condition applies them

    auto *dates = new QWidget(this);
    auto *dateRow = new QHBoxLayout(dates);
    dateRow->setContentsMargins(0, 0, 0, 0);
    auto *datesTo = new QLabel(QStringLiteral("至"), dates);
    dateRow->addWidget(DateTimePicker1, 1);
    dateRow->addWidget(datesTo);
    dateRow->addWidget(DateTimePicker2, 1);
    auto *amounts = new QWidget(this);
    auto *amountRow = new QHBoxLayout(amounts);
    amountRow->setContentsMargins(0, 0, 0, 0);
    amountRow->addWidget(Edit1, 1);
    amountRow->addWidget(new QLabel(QStringLiteral("元"), amounts));
    auto *amountsTo = new QLabel(QStringLiteral("至"), amounts);
    amountRow->addWidget(amountsTo);
    amountRow->addWidget(Edit2, 1);
    amountRow->addWidget(new QLabel(QStringLiteral("元"), amounts));
    FormWidgets::nameByGroup(QStringLiteral("日期"), {DateTimePicker1, datesTo, DateTimePicker2});
    FormWidgets::nameByGroup(QStringLiteral("净收支额"), {Edit1, amountsTo, Edit2});

    auto *conditions = new QGridLayout;
    conditions->addWidget(group(QStringLiteral("日期"), dates, this), 0, 0, 1, 2);
    conditions->addWidget(group(QStringLiteral("类型"), ComboBox3, this), 1, 0);
    conditions->addWidget(group(QStringLiteral("收支帐户"), ComboBox6, this), 1, 1);
    conditions->addWidget(group(QStringLiteral("费用项目"), ComboBox5, this), 2, 0);
    conditions->addWidget(group(QStringLiteral("项目明细"), ComboBox4, this), 2, 1);
    conditions->addWidget(group(QStringLiteral("净收支额"), amounts, this), 3, 0, 1, 2);
    auto *left = new QVBoxLayout;
    left->addWidget(Label1);
    left->addLayout(conditions);
    auto *buttons = new QVBoxLayout;
    buttons->addSpacing(24);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    buttons->addWidget(BitBtn2);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);
    resize(470, 290);

    connect(ComboBox5, &QComboBox::currentTextChanged, this, guarded([this] { ComboBox5Change(); }));
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    forms().FrmZbcx = this;
    guard([this] { FormCreate(); });
}

void TFrmZbcx::FormCreate()
{
    DateTimePicker2->setDate(platform().today());
    if (DM->ADOTXtcs->isActive())
        DateTimePicker1->setDate(DM->ADOTXtcs->asDate(QStringLiteral("qsny")));
}

void TFrmZbcx::FormShow()
{
    centreOnMainWindow();
    Dataset *names = DM->ADOQxmls;
    names->requery(QStringLiteral("select * from fyxm"));
    {
        // Rebuilding the item list does not rebuild the detail list.
        const QSignalBlocker blocker(ComboBox5);
        FormWidgets::fillList(ComboBox5, QStringLiteral("选择全部"), names, QStringLiteral("xmmc"));
    }
    FormWidgets::fillList(ComboBox6, QStringLiteral("全部"), QStringLiteral("select * from jtcy"),
                          QStringLiteral("cyxm"));
}

void TFrmZbcx::ComboBox5Change()
{
    FormWidgets::fillDetailList(ComboBox4, ComboBox5->currentText());
}

QString TFrmZbcx::statement() const
{
    QString s = QStringLiteral("select * from szzb where ");
    s += QStringLiteral(" rq >=") + QStringLiteral(" #") + sqlDate(DateTimePicker1->date()) + QStringLiteral("#");
    s += QStringLiteral(" and rq <=") + QStringLiteral(" #") + sqlDate(DateTimePicker2->date()) + QStringLiteral("#");
    auto condition = [](const QString &text, const QString &all, const char *column) {
        if (text == all)
            return QStringLiteral(" ");
        return QStringLiteral(" and ") + QLatin1String(column) + QStringLiteral("='") + sqlText(text)
               + QStringLiteral("'");
    };
    s += condition(ComboBox3->currentText(), QStringLiteral("全部"), "lx");
    s += condition(ComboBox5->currentText(), QStringLiteral("选择全部"), "xm");
    s += condition(ComboBox4->currentText(), QStringLiteral("选择全部"), "mx");
    s += condition(ComboBox6->currentText(), QStringLiteral("全部"), "szr");
    // The bounds go in as typed, once checkBounds() found them numbers.
    if (Edit1->text() != QStringLiteral("-999999999") || Edit2->text() != QStringLiteral("999999999"))
        s += QStringLiteral(" and jsze>=") + Edit1->text() + QStringLiteral(" and jsze<=") + Edit2->text();
    else
        s += QStringLiteral(" ");
    return s;
}

// A bound is a number: digits with at most one "." and one leading "-".
bool TFrmZbcx::checkBounds()
{
    static const QRegularExpression number(QStringLiteral(R"(^-?(\d+\.?\d*|\.\d+)$)"));
    for (QLineEdit *bound : {Edit1, Edit2}) {
        if (!number.match(bound->text()).hasMatch()) {
            platform().showMessage(this, QStringLiteral("净收支额的范围“%1”不是数字，请重新输入！").arg(bound->text()));
            bound->setFocus();
            bound->selectAll();
            return false;
        }
    }
    return true;
}

void TFrmZbcx::BitBtn1Click()
{
    if (!checkBounds())
        return;
    Dataset *ledger = DM->ADOQlsz;
    requeryShowingProgress(this, ledger, statement(), QStringLiteral("正在筛选流水帐……"));
}

void TFrmZbcx::BitBtn3Click()
{
    requeryShowingProgress(this, DM->ADOQlsz, QStringLiteral("select * from szzb"), QStringLiteral("正在读取流水帐……"));
}

void TFrmZbcx::BitBtn2Click()
{
    close();
}
