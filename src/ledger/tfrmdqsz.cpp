#include "tfrmdqsz.h"

#include "billimport.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/dataset.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "stats/budgets.h"
#include "tfrmdqjz.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QString EmptyList = QStringLiteral("select 0 as dqid, '' as lx, '' as xm, '' as mx, 0.0 as je, '' as gz, "
                                         "'' as ms, '' as xc where 0");

DataSource *templateSource()
{
    auto *list = new Dataset(DM->ADOConnection1);
    list->setObjectName(QStringLiteral("ADOQDqsz"));
    list->addSql(EmptyList);
    return new DataSource(list, list);
}

// The list's statement: one row per template, its rule in words and its
// next date computed here.
QString listStatement(Connection *connection, const QList<Recurring::Template> &all, const QDate &today)
{
    QStringList rows;
    for (const Recurring::Template &t : all) {
        const QDate next = Recurring::nextDue(connection, t, today);
        rows.append(
            QStringLiteral("select %1 as dqid, '%2' as lx, '%3' as xm, '%4' as mx, %5 as je, '%6' as gz, "
                           "'%7' as ms, '%8' as xc")
                .arg(t.id)
                .arg(sqlText(t.type), sqlText(t.item), sqlText(t.detail),
                     QString::number(double(t.cents) / 100.0, 'f', 2) + QString(), sqlText(t.ruleText()),
                     t.mode == Recurring::Mode::Automatic ? QStringLiteral("自动记帐") : QStringLiteral("提醒确认"),
                     next.isValid() ? next.toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("已结束")));
    }
    return rows.isEmpty() ? EmptyList : rows.join(QStringLiteral(" union all "));
}

} // namespace

TFrmDqsz::TFrmDqsz(QWidget *parent)
    : ListDialog(QStringLiteral("定期收支"), templateSource(), QStringLiteral("费用项目"), QStringLiteral("xm"),
                 QStringLiteral("共 0 项"), parent)
{
    setObjectName(QStringLiteral("FrmDqsz"));
    ADOQDqsz = DBGridEh1->dataSource()->dataset();
    ADOQDqsz->setParent(this);
    DBGridEh1->setColumns({
        GridColumn::of(QStringLiteral("收支"), QStringLiteral("lx"), 40, Qt::AlignCenter)
            .counting(QStringLiteral("共 0 项"), QColor(128, 0, 0)),
        GridColumn::of(QStringLiteral("费用项目"), QStringLiteral("xm"), 80),
        GridColumn::of(QStringLiteral("费用明细"), QStringLiteral("mx"), 80),
        GridColumn::amount(QStringLiteral("金额"), QStringLiteral("je"), 80, QColor(0, 0, 255)),
        GridColumn::of(QStringLiteral("规则"), QStringLiteral("gz"), 200),
        GridColumn::of(QStringLiteral("方式"), QStringLiteral("ms"), 70, Qt::AlignCenter),
        GridColumn::of(QStringLiteral("下次日期"), QStringLiteral("xc"), 84, Qt::AlignCenter),
    });
    BitBtn5 = new QPushButton(QStringLiteral("以此帐目为模板"), this);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    BitBtn5->setAutoDefault(false);
    BitBtn5->setToolTip(QStringLiteral("以流水帐中选中的帐目为模板，每月同一天记一笔"));
    static_cast<QBoxLayout *>(BitBtn4->parentWidget()->layout()->itemAt(1)->layout())->insertWidget(3, BitBtn5);
    setTabOrder(BitBtn3, BitBtn5);
    setTabOrder(BitBtn5, BitBtn4);
    connect(BitBtn5, &QPushButton::clicked, this, guarded([this] { BitBtn5Click(); }));
    setSizeGripEnabled(true);
    resize(820, 380);
    new TFrmDqxg(this);
    forms().FrmDqsz = this;
}

void TFrmDqsz::FormShow()
{
    ListDialog::FormShow();
    reread();
}

void TFrmDqsz::reread(qint64 id)
{
    Connection *connection = DM->ADOConnection1;
    ADOQDqsz->requery(listStatement(connection, Recurring::templates(connection), platform().today()));
    if (id)
        ADOQDqsz->locate(QStringLiteral("dqid"), id);
}

void TFrmDqsz::edit(const Recurring::Template &t)
{
    TFrmDqxg *form = forms().FrmDqxg;
    form->setTemplate(t);
    if (platform().showModal(form) == QDialog::Accepted)
        reread(form->storedTemplate().id);
}

void TFrmDqsz::BitBtn1Click()
{
    Recurring::Template t;
    t.first = platform().today();
    t.day = t.first.day();
    edit(t);
}

void TFrmDqsz::BitBtn2Click()
{
    if (ADOQDqsz->isEmpty()) {
        BitBtn1Click();
        return;
    }
    const Recurring::Template t
        = Recurring::templateOf(DM->ADOConnection1, ADOQDqsz->asInteger(QStringLiteral("dqid")));
    if (t.id)
        edit(t);
}

void TFrmDqsz::BitBtn3Click()
{
    if (ADOQDqsz->isEmpty())
        return;
    if (!platform().askYesNo(this, QStringLiteral("   删除该定期收支后将不能恢复，是否确认删除？  \r"
                                                  "   （已经记入帐本的帐目不会删除）")))
        return;
    Recurring::remove(DM->ADOConnection1, ADOQDqsz->asInteger(QStringLiteral("dqid")));
    reread();
}

void TFrmDqsz::BitBtn5Click()
{
    Dataset *ledger = DM->ADOQlsz;
    if (!ledger->isActive() || ledger->isEmpty()) {
        platform().showMessage(this, QStringLiteral("流水帐中没有选中的帐目。"));
        return;
    }
    Recurring::Template t;
    t.type = ledger->asString(QStringLiteral("lx")) == QStringLiteral("收入") ? QStringLiteral("收入")
                                                                              : QStringLiteral("支出");
    t.item = ledger->asString(QStringLiteral("xm"));
    t.detail = ledger->asString(QStringLiteral("mx"));
    t.account = ledger->asString(QStringLiteral("szr"));
    t.remark = ledger->asString(QStringLiteral("bz"));
    const double amount
        = std::fabs(ledger->asFloat(t.type == QStringLiteral("收入") ? QStringLiteral("sr") : QStringLiteral("zc")));
    t.cents = qint64(std::llround(amount * 100.0));
    // the entry is the first time; the template goes on a month later
    const QDate date = ledger->asDate(QStringLiteral("rq"));
    t.day = date.isValid() ? date.day() : platform().today().day();
    const QDate next = date.isValid() ? date.addMonths(1) : platform().today();
    t.first = QDate(next.year(), next.month(), std::min(t.day, next.daysInMonth()));
    edit(t);
}

// --- one template -----------------------------------------------------------------------

TFrmDqxg::TFrmDqxg(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmDqxg"));
    setWindowTitle(QStringLiteral("定期收支模板"));
    const auto combo = [this](const char *name, const QString &accessible) {
        auto *box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        box->setAccessibleName(accessible);
        return box;
    };
    const auto spin = [this](const char *name, const QString &accessible, int low, int high) {
        auto *box = new QSpinBox(this);
        box->setObjectName(QLatin1String(name));
        box->setAccessibleName(accessible);
        box->setRange(low, high);
        return box;
    };
    ComboBox1 = combo("ComboBox1", QStringLiteral("收支类型"));
    ComboBox1->addItems({QStringLiteral("支出"), QStringLiteral("收入")});
    ComboBox2 = combo("ComboBox2", QStringLiteral("费用项目"));
    ComboBox3 = combo("ComboBox3", QStringLiteral("费用明细"));
    ComboBox4 = combo("ComboBox4", QStringLiteral("收支帐户"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("金额"));
    CheckBox1 = new QCheckBox(QStringLiteral("估计金额，记帐前询问实际金额(&E)"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setAccessibleName(QStringLiteral("备注"));
    ComboBox5 = combo("ComboBox5", QStringLiteral("重复方式"));
    ComboBox5->addItems({QStringLiteral("按月"), QStringLiteral("按年"), QStringLiteral("按天")});
    SpinEdit1 = spin("SpinEdit1", QStringLiteral("间隔"), 1, 999);
    SpinEdit2 = spin("SpinEdit2", QStringLiteral("日"), 1, 31);
    DateEdit1 = FormWidgets::datePicker(this);
    DateEdit1->setObjectName(QStringLiteral("DateEdit1"));
    DateEdit1->setAccessibleName(QStringLiteral("首次日期"));
    ComboBox6 = combo("ComboBox6", QStringLiteral("结束"));
    ComboBox6->addItems({QStringLiteral("不结束"), QStringLiteral("到某日为止"), QStringLiteral("共几次")});
    DateEdit2 = FormWidgets::datePicker(this);
    DateEdit2->setObjectName(QStringLiteral("DateEdit2"));
    DateEdit2->setAccessibleName(QStringLiteral("结束日期"));
    SpinEdit3 = spin("SpinEdit3", QStringLiteral("次数"), 1, 9999);
    ComboBox7 = combo("ComboBox7", QStringLiteral("方式"));
    ComboBox7->addItems({QStringLiteral("提醒确认"), QStringLiteral("自动记帐")});
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setDefault(true);

    auto *amount = new QHBoxLayout;
    amount->addWidget(Edit1, 1);
    amount->addWidget(CheckBox1);
    auto *rule = new QHBoxLayout;
    rule->addWidget(ComboBox5);
    rule->addWidget(new QLabel(QStringLiteral("每"), this));
    rule->addWidget(SpinEdit1);
    auto *unit = new QLabel(this);
    unit->setObjectName(QStringLiteral("Unit"));
    rule->addWidget(unit);
    rule->addWidget(SpinEdit2);
    rule->addWidget(new QLabel(QStringLiteral("日"), this));
    rule->addStretch();
    auto *end = new QHBoxLayout;
    end->addWidget(ComboBox6);
    end->addWidget(DateEdit2);
    end->addWidget(SpinEdit3);
    end->addStretch();
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("收支类型(&T)："), ComboBox1);
    fields->addRow(QStringLiteral("费用项目(&I)："), ComboBox2);
    fields->addRow(QStringLiteral("费用明细(&D)："), ComboBox3);
    fields->addRow(QStringLiteral("收支帐户(&C)："), ComboBox4);
    fields->addRow(QStringLiteral("金额(&A)："), amount);
    fields->addRow(QStringLiteral("备注(&B)："), Edit2);
    fields->addRow(QStringLiteral("重复(&R)："), rule);
    fields->addRow(QStringLiteral("首次日期(&F)："), DateEdit1);
    fields->addRow(QStringLiteral("结束(&N)："), end);
    fields->addRow(QStringLiteral("方式(&M)："), ComboBox7);
    for (auto [row, buddy] : {std::pair<QLayout *, QWidget *>{amount, Edit1}, {rule, ComboBox5}, {end, ComboBox6}})
        static_cast<QLabel *>(fields->labelForField(row))->setBuddy(buddy);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(centredRow({BitBtn1, BitBtn2}));
    resize(460, 380);

    connect(ComboBox2, &QComboBox::currentTextChanged, this, [this] { guard([this] { itemChanged(); }); });
    connect(ComboBox5, &QComboBox::currentIndexChanged, this, [this, unit] {
        ruleChanged();
        unit->setText(ComboBox5->currentIndex() == 2   ? QStringLiteral("天")
                      : ComboBox5->currentIndex() == 1 ? QStringLiteral("年")
                                                       : QStringLiteral("个月的第"));
    });
    connect(ComboBox6, &QComboBox::currentIndexChanged, this, [this] { ruleChanged(); });
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    unit->setText(QStringLiteral("个月的第"));
    forms().FrmDqxg = this;
}

void TFrmDqxg::itemChanged()
{
    const QString detail = ComboBox3->currentText();
    ComboBox3->clear();
    ComboBox3->addItems(BillImport::detailsOf(DM->ADOConnection1, ComboBox2->currentText()));
    if (const int i = ComboBox3->findText(detail); i >= 0)
        ComboBox3->setCurrentIndex(i);
}

void TFrmDqxg::ruleChanged()
{
    SpinEdit1->setEnabled(ComboBox5->currentIndex() != 1);
    SpinEdit2->setEnabled(ComboBox5->currentIndex() == 0);
    DateEdit2->setEnabled(ComboBox6->currentIndex() == 1);
    SpinEdit3->setEnabled(ComboBox6->currentIndex() == 2);
}

void TFrmDqxg::FormShow()
{
    centreOnMainWindow();
    const Recurring::Template &t = m_template;
    const auto choose = [](QComboBox *box, const QString &text) {
        int i = box->findText(text);
        if (i < 0 && !text.isEmpty()) {
            box->addItem(text); // a name no longer listed stays as it was
            i = box->count() - 1;
        }
        box->setCurrentIndex(std::max(0, i));
    };
    ComboBox1->setCurrentText(t.type);
    {
        const QSignalBlocker quiet(ComboBox2);
        FormWidgets::fillList(ComboBox2, QString(), QStringLiteral("select xmmc from fyxm"), QStringLiteral("xmmc"));
        choose(ComboBox2, t.item);
    }
    ComboBox3->clear();
    itemChanged();
    choose(ComboBox3, t.detail);
    FormWidgets::fillList(ComboBox4, QString(), QStringLiteral("select cyxm from jtcy"), QStringLiteral("cyxm"));
    choose(ComboBox4, t.account);
    Edit1->setText(t.cents ? Budgets::yuan(t.cents).remove(QLatin1Char(' ')) : QString());
    CheckBox1->setChecked(t.estimated);
    Edit2->setText(t.remark);
    ComboBox5->setCurrentIndex(int(t.rule));
    SpinEdit1->setValue(t.every);
    SpinEdit2->setValue(t.day);
    DateEdit1->setDate(t.first.isValid() ? t.first : platform().today());
    ComboBox6->setCurrentIndex(t.until.isValid() ? 1 : t.count > 0 ? 2 : 0);
    DateEdit2->setDate(t.until.isValid() ? t.until : platform().today().addYears(1));
    SpinEdit3->setValue(std::max(1, t.count));
    ComboBox7->setCurrentIndex(int(t.mode));
    ruleChanged();
    ComboBox1->setFocus();
}

void TFrmDqxg::BitBtn1Click()
{
    Recurring::Template t = m_template;
    t.type = ComboBox1->currentText();
    t.item = ComboBox2->currentText();
    t.detail = ComboBox3->currentText();
    t.account = ComboBox4->currentText();
    if (t.item.isEmpty()) {
        platform().showMessage(this, QStringLiteral("请选择费用项目！"));
        ComboBox2->setFocus();
        return;
    }
    QString why;
    if (!Budgets::parseAmount(Edit1->text(), &t.cents, &why)) {
        platform().showMessage(this, why);
        Edit1->setFocus();
        Edit1->selectAll();
        return;
    }
    t.estimated = CheckBox1->isChecked();
    t.remark = Edit2->text();
    t.rule = Recurring::Rule(ComboBox5->currentIndex());
    t.every = t.rule == Recurring::Rule::Yearly ? 1 : SpinEdit1->value();
    t.day = SpinEdit2->value();
    t.first = DateEdit1->date();
    t.until = ComboBox6->currentIndex() == 1 ? DateEdit2->date() : QDate();
    t.count = ComboBox6->currentIndex() == 2 ? SpinEdit3->value() : 0;
    t.mode = Recurring::Mode(ComboBox7->currentIndex());
    if (t.until.isValid() && t.until < t.first) {
        platform().showMessage(this, QStringLiteral("结束日期不能早于首次日期！"));
        DateEdit2->setFocus();
        return;
    }
    const bool isNew = t.id == 0;
    Connection *connection = DM->ADOConnection1;
    t.id = Recurring::save(connection, t);
    m_template = t;
    accept();
    // a new template that began in the past: its occurrences before today
    if (!isNew)
        return;
    // those before today (today's own is due at the next login as any other)
    QList<Recurring::Occurrence> past = Recurring::dueOf(connection, t.id, platform().today());
    past.erase(std::remove_if(past.begin(), past.end(),
                              [](const Recurring::Occurrence &o) { return o.date >= platform().today(); }),
               past.end());
    if (past.isEmpty())
        return;
    const QString question = QStringLiteral("   首次日期在今天以前，今天以前已有 %1 次（%2 至 %3）。  \r"
                                            "   是否现在记入帐本？（选“否”则这几次不再记入）  ")
                                 .arg(past.size())
                                 .arg(past.first().date.toString(QStringLiteral("yyyy-MM-dd")),
                                      past.last().date.toString(QStringLiteral("yyyy-MM-dd")));
    if (platform().askYesNo(parentWidget(), question))
        TFrmDqjz::offerPast(past);
    else
        Recurring::pass(connection, past);
}
