#include "tfrmdz.h"

#include "components/dbcontrols.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/lookuplink.h"
#include "data/rowinprogress.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "settings/tfrmfymx.h"
#include "settings/tfrmfyxm.h"
#include "settings/tfrmjtcy.h"
#include "settings/tfrmrq.h"
#include "stats/budgets.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The general number format: up to 15 significant digits, no thousands
// separators, no trailing zeros.
// Amounts are money: their size is kept well inside what a double holds to
// the cent, so sums always balance.
constexpr double MaxAmount = 1e12;

QString generalNumber(double v)
{
    return v == 0 ? QStringLiteral("0") : QString::number(v, 'g', 15);
}

} // namespace

TFrmDz::TFrmDz(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FrmDz"));
    setWindowTitle(QStringLiteral("记帐维护"));
    TDM *dm = DM;

    // The amount boxes come before the net box, so that a new row shows its
    // net amount empty until an amount is typed.
    DBEdit1 = new DBEdit(dm->DSlsz, QStringLiteral("rq"), this);
    SpeedButton4 = FormWidgets::dotsButton(QStringLiteral("【选择帐目发生日期】"), this);
    DBLookupComboBox1 = new DBLookupComboBox(dm->LinkXm, this);
    SpeedButton1 = FormWidgets::dotsButton(QStringLiteral("【费用项目维护】"), this);
    DBLookupComboBox2 = new DBLookupComboBox(dm->LinkMx, this);
    SpeedButton2 = FormWidgets::dotsButton(QStringLiteral("【费用明细维护】"), this);
    DBLookupComboBox3 = new DBLookupComboBox(dm->LinkSzr, this);
    SpeedButton3 = FormWidgets::dotsButton(QStringLiteral("【收支帐户维护】"), this);
    DBMemo1 = new DBMemo(dm->DSlsz, QStringLiteral("bz"), this);
    DBComboBox1
        = new DBComboBox(dm->DSlsz, QStringLiteral("lx"), {QStringLiteral("支出"), QStringLiteral("收入")}, this);
    DBEdit3 = new DBEdit(dm->DSlsz, QStringLiteral("sr"), this);
    DBEdit3->setTextColor(QColor(0, 128, 0));
    DBEdit2 = new DBEdit(dm->DSlsz, QStringLiteral("zc"), this);
    DBEdit2->setTextColor(QColor(255, 0, 0));
    for (DBEdit *amount : {DBEdit2, DBEdit3})
        amount->setValidator(new NumberCharsValidator(amount));
    DBEdit4 = new DBEdit(dm->DSlsz, QStringLiteral("jsze"), this);
    DBEdit4->setTextColor(QColor(0, 0, 255));
    DBEdit4->setLocked(true);
    DBEdit6 = new DBEdit(dm->DSlsz, QStringLiteral("jzr"), this);
    DBEdit6->setLocked(true);
    DBEdit7 = new DBEdit(dm->DSlsz, QStringLiteral("jzsj"), this);
    DBEdit7->setLocked(true);
    BitBtn1 = new QPushButton(QStringLiteral("保存退出"), this);
    BitBtn3 = new QPushButton(QStringLiteral("继续增加"), this);
    BitBtn2 = new QPushButton(QStringLiteral("取消退出"), this);
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3})
        b->setAutoDefault(false);
    BitBtn1->setDefault(true); // Enter in a field stores the entry

    const QList<QPair<const char *, QWidget *>> named = {{"DBEdit1", DBEdit1},
                                                         {"SpeedButton4", SpeedButton4},
                                                         {"DBLookupComboBox1", DBLookupComboBox1},
                                                         {"SpeedButton1", SpeedButton1},
                                                         {"DBLookupComboBox2", DBLookupComboBox2},
                                                         {"SpeedButton2", SpeedButton2},
                                                         {"DBLookupComboBox3", DBLookupComboBox3},
                                                         {"SpeedButton3", SpeedButton3},
                                                         {"DBMemo1", DBMemo1},
                                                         {"DBComboBox1", DBComboBox1},
                                                         {"DBEdit3", DBEdit3},
                                                         {"DBEdit2", DBEdit2},
                                                         {"DBEdit4", DBEdit4},
                                                         {"DBEdit6", DBEdit6},
                                                         {"DBEdit7", DBEdit7},
                                                         {"BitBtn1", BitBtn1},
                                                         {"BitBtn3", BitBtn3},
                                                         {"BitBtn2", BitBtn2}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));

    auto withButton = [this](QWidget *field, QWidget *button) {
        auto *row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(field, 1);
        if (button)
            row->addWidget(button);
        return row;
    };
    auto withUnit = [this, &withButton](QWidget *field) {
        auto *row = withButton(field, nullptr);
        row->addWidget(new QLabel(QStringLiteral("元"), this));
        return row;
    };
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    auto label = [this](const char *text) {
        return new QLabel(QString::fromUtf8(text), this);
    };
    grid->addWidget(label("发生日期"), 0, 0);
    grid->addLayout(withButton(DBEdit1, SpeedButton4), 0, 1);
    grid->addWidget(label("费用项目"), 1, 0);
    grid->addLayout(withButton(DBLookupComboBox1, SpeedButton1), 1, 1);
    grid->addWidget(label("费用明细"), 2, 0);
    grid->addLayout(withButton(DBLookupComboBox2, SpeedButton2), 2, 1);
    grid->addWidget(label("收支帐户"), 3, 0);
    grid->addLayout(withButton(DBLookupComboBox3, SpeedButton3), 3, 1);
    grid->addWidget(label("备注"), 4, 0, Qt::AlignTop);
    grid->addWidget(DBMemo1, 4, 1, 2, 1);
    grid->addWidget(label("费用类型"), 0, 2);
    grid->addWidget(DBComboBox1, 0, 3);
    grid->addWidget(label("收入金额"), 1, 2);
    grid->addLayout(withUnit(DBEdit3), 1, 3);
    grid->addWidget(label("支出金额"), 2, 2);
    grid->addLayout(withUnit(DBEdit2), 2, 3);
    grid->addWidget(label("净收支额"), 3, 2);
    grid->addLayout(withUnit(DBEdit4), 3, 3);
    grid->addWidget(label("记帐人"), 4, 2);
    grid->addWidget(DBEdit6, 4, 3);
    grid->addWidget(label("修改时间"), 5, 2);
    grid->addWidget(DBEdit7, 5, 3);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    DBMemo1->setFixedHeight(60);
    auto *buttons = centredRow({BitBtn1, BitBtn3, BitBtn2});
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    resize(560, 250);

    // The keyboard walks the left column, then the right one, then the
    // buttons; locked boxes are passed by.
    const QList<QWidget *> order = {DBEdit1,      SpeedButton4,      DBLookupComboBox1, SpeedButton1, DBLookupComboBox2,
                                    SpeedButton2, DBLookupComboBox3, SpeedButton3,      DBMemo1,      DBComboBox1,
                                    DBEdit3,      DBEdit2,           BitBtn1,           BitBtn3,      BitBtn2};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(DBLookupComboBox1, &DBLookupComboBox::clicked, this, guarded([this] { DBLookupComboBox1Click(); }));
    connect(DBComboBox1, &DBComboBox::changed, this, guarded([this] { DBComboBox1Change(); }));
    connect(DBEdit2, &QLineEdit::textChanged, this, guarded([this] { DBEdit2Change(); }));
    connect(DBEdit3, &QLineEdit::textChanged, this, guarded([this] { DBEdit3Change(); }));
    connect(DBEdit2, &DBEdit::clicked, this, guarded([this] { DBEdit2Click(); }));
    connect(DBEdit3, &DBEdit::clicked, this, guarded([this] { DBEdit3Click(); }));
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
    connect(SpeedButton3, &QToolButton::clicked, this, guarded([this] { SpeedButton3Click(); }));
    connect(SpeedButton4, &QToolButton::clicked, this, guarded([this] { SpeedButton4Click(); }));
    forms().FrmDz = this;
}

void TFrmDz::reloadDetails()
{
    Dataset *items = DM->ADOQFyxmrr;
    Dataset *details = DM->ADOQFymxrr;
    details->close();
    details->setParameter(QStringLiteral("bl_xmid"),
                          items->isActive() && !items->isEmpty() ? items->value(QStringLiteral("xmid")) : QVariant());
    details->open();
}

void TFrmDz::FormShow()
{
    rememberEntryAsItWas();
    centreOnMainWindow();
    reloadDetails();
    DBEdit1->setFocus(); // every showing starts at the date
}

void TFrmDz::DBLookupComboBox1Click()
{
    reloadDetails();
    // The first detail of the item: the reopened list may already stand on a
    // detail of the same name as the entry's old one.
    Dataset *details = DM->ADOQFymxrr;
    if (!details->isEmpty())
        DM->ADOQlsz->setValue(QStringLiteral("mx"), details->valueAt(0, details->requireField(QStringLiteral("mxmc"))));
}

void TFrmDz::DBComboBox1Change()
{
    Dataset *ledger = DM->ADOQlsz;
    if (DBComboBox1->currentText() == QStringLiteral("收入")) {
        DBEdit3->setLocked(false);
        DBEdit2->setLocked(true);
        ledger->setValue(QStringLiteral("zc"), 0);
    } else {
        DBEdit2->setLocked(false);
        DBEdit3->setLocked(true);
        ledger->setValue(QStringLiteral("sr"), 0);
    }
}

void TFrmDz::keepNetAmount()
{
    if (m_computing)
        return;
    m_computing = true;
    auto amount = [](DBEdit *box, bool *ok) {
        if (box->text().isEmpty()) {
            box->setText(QStringLiteral("0"));
            return 0.0;
        }
        bool good = false;
        const double v = QLocale::c().toDouble(box->text(), &good);
        *ok = *ok && good && std::isfinite(v);
        return v;
    };
    bool ok = true;
    const double expense = amount(DBEdit2, &ok);
    const double income = amount(DBEdit3, &ok);
    // A text that is not a number (a lone "-" while typing) leaves the net
    // amount as it was; saving such a box is refused with a conversion error.
    if (ok)
        DBEdit4->setText(generalNumber(income - expense));
    m_computing = false;
}

void TFrmDz::DBEdit2Change()
{
    keepNetAmount();
}

void TFrmDz::DBEdit3Change()
{
    keepNetAmount();
}

void TFrmDz::DBEdit2Click()
{
    DBEdit2->selectAll();
}

void TFrmDz::DBEdit3Click()
{
    DBEdit3->selectAll();
}

bool TFrmDz::checkEntry()
{
    // What the boxes hold reaches the row first; a text that is not a date
    // or a number is refused here with its conversion error.
    DBEdit1->flush();
    DBEdit2->flush();
    DBEdit3->flush();
    Dataset *ledger = DM->ADOQlsz;
    if (ledger->isNull(QStringLiteral("rq"))) {
        platform().showMessage(this, QStringLiteral("请输入帐目发生日期！"));
        DBEdit1->setFocus();
        return false;
    }
    const double income = ledger->asFloat(QStringLiteral("sr"));
    const double expense = ledger->asFloat(QStringLiteral("zc"));
    if (std::fabs(income) >= MaxAmount || std::fabs(expense) >= MaxAmount) {
        platform().showMessage(this, QStringLiteral("金额太大：请输入小于一万亿（1000000000000）元的金额！"));
        return false;
    }
    const QString type = DBComboBox1->currentText();
    if (type == QStringLiteral("收入") && ledger->asFloat(QStringLiteral("sr")) == 0) {
        platform().showMessage(this, QStringLiteral("没收入一分钱，有必要记帐吗？！"));
        return false;
    }
    if (type == QStringLiteral("支出") && ledger->asFloat(QStringLiteral("zc")) == 0) {
        platform().showMessage(this, QStringLiteral("没花一分钱，有必要记帐吗？！"));
        return false;
    }
    // The net amount from the amounts themselves, not from the text shown.
    ledger->setValue(QStringLiteral("jsze"), income - expense);
    return true;
}

void TFrmDz::BitBtn1Click()
{
    if (!checkEntry())
        return;
    const SavedExpense saved = savedExpense();
    DM->ADOQlsz->post();
    accept();
    tellOverrun(saved);
}

void TFrmDz::rememberEntryAsItWas()
{
    Dataset *ledger = DM->ADOQlsz;
    m_before = {};
    if (ledger->state() != Dataset::State::Edit)
        return; // a new entry was nothing before
    m_before.expense = ledger->asString(QStringLiteral("lx")) == QStringLiteral("支出");
    m_before.item = ledger->asString(QStringLiteral("xm"));
    m_before.date = ledger->asDate(QStringLiteral("rq"));
    m_before.amount = ledger->asFloat(QStringLiteral("zc"));
}

TFrmDz::SavedExpense TFrmDz::savedExpense() const
{
    Dataset *ledger = DM->ADOQlsz;
    SavedExpense saved;
    const double amount = ledger->asFloat(QStringLiteral("zc"));
    if (ledger->asString(QStringLiteral("lx")) != QStringLiteral("支出") || amount <= 0)
        return saved;
    const QString item = ledger->asString(QStringLiteral("xm"));
    const QDate date = ledger->asDate(QStringLiteral("rq"));
    const bool sameMonth = m_before.date.isValid() && date.isValid() && m_before.date.year() == date.year()
                           && m_before.date.month() == date.month();
    if (m_before.expense && m_before.item == item && sameMonth && amount <= m_before.amount)
        return saved; // the month spent no more than before
    saved.item = item;
    saved.date = date;
    return saved;
}

void TFrmDz::tellOverrun(const SavedExpense &saved)
{
    if (!saved.date.isValid())
        return;
    // the entry is saved all the same; the household is told
    const QString notice = Budgets::overrunNotice(DM->ADOConnection1, saved.item, saved.date, platform().today());
    if (!notice.isEmpty())
        platform().showMessage(isVisible() ? static_cast<QWidget *>(this) : parentWidget(), notice);
}

void TFrmDz::presetNewEntry(const QDate &date, bool freshDetails)
{
    TDM *dm = DM;
    Dataset *ledger = dm->ADOQlsz;
    Dataset *items = dm->ADOQFyxmrr;
    Dataset *accounts = dm->ADOQjtcyrr;
    Dataset *details = dm->ADOQFymxrr;
    ledger->setValue(QStringLiteral("rq"), date);
    // Item and account from where their lists stand; empty lists leave
    // them empty and the entry form opens as usual.
    if (items->isActive() && !items->isEmpty())
        ledger->setValue(QStringLiteral("xm"), items->value(QStringLiteral("xmmc")));
    if (accounts->isActive() && !accounts->isEmpty())
        ledger->setValue(QStringLiteral("szr"), accounts->value(QStringLiteral("cyxm")));
    ledger->setValue(QStringLiteral("jzsj"), platform().now());
    // the first detail of the item, or the detail just used; an empty
    // detail list leaves the detail empty
    if (freshDetails)
        reloadDetails();
    if (details->isActive() && !details->isEmpty())
        ledger->setValue(QStringLiteral("mx"), details->value(QStringLiteral("mxmc")));
    ledger->setValue(QStringLiteral("jzr"), dm->ADOQLog->value(QStringLiteral("yhmc")));
    ledger->setValue(QStringLiteral("lx"), QStringLiteral("支出"));
    DBEdit2->setLocked(false);
    DBEdit3->setLocked(true);
    ledger->setValue(QStringLiteral("sr"), 0);
}

void TFrmDz::BitBtn3Click()
{
    if (!checkEntry())
        return;
    Dataset *ledger = DM->ADOQlsz;
    const QDate date = ledger->asDate(QStringLiteral("rq"));
    const SavedExpense saved = savedExpense();
    RowInProgress row(ledger); // saves the entry being edited first
    presetNewEntry(date, false);
    row.keep();
    m_before = {}; // the next one is new
    tellOverrun(saved);
}

void TFrmDz::BitBtn2Click()
{
    DM->ADOQlsz->cancel();
    reject();
}

void TFrmDz::FormClose()
{
    DM->ADOQlsz->cancel();
}

void TFrmDz::SpeedButton4Click()
{
    TFrmRQ *dialog = forms().FrmRQ;
    dialog->move(frameGeometry().left() + 76, frameGeometry().top() + 68);
    const QDate current = DM->ADOQlsz->asDate(QStringLiteral("rq"));
    dialog->MonthCalendar1->setSelectedDate(current.isValid() ? current : platform().today());
    platform().showModal(dialog);
    if (dialog->Confirmed == 1)
        DM->ADOQlsz->setValue(QStringLiteral("rq"), dialog->MonthCalendar1->selectedDate());
}

void TFrmDz::SpeedButton1Click()
{
    platform().showModal(forms().FrmFyxm);
}

void TFrmDz::SpeedButton2Click()
{
    platform().showModal(forms().FrmFymx);
}

void TFrmDz::SpeedButton3Click()
{
    platform().showModal(forms().FrmJtcy);
}
