#include "tfrmyssz.h"

#include "budgets.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/statement.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <sqlite3.h>

namespace {

const QString ListSql = QStringLiteral(
    "select ysid, xm, zq, je, case when jz=1 and zq='每月' then '结转' else '' end as jzsm from yszb order by ysid");
const QString OneMonth = QStringLiteral("仅某月");

// monthly, yearly and total budgets do not add up
GridColumn unsummed(GridColumn c)
{
    c.footer = FooterKind::None;
    return c;
}

DataSource *budgetSource()
{
    auto *budgets = new Dataset(DM->ADOConnection1);
    budgets->setObjectName(QStringLiteral("ADOQYszb"));
    budgets->addSql(ListSql);
    return new DataSource(budgets, budgets);
}

} // namespace

TFrmYssz::TFrmYssz(QWidget *parent)
    : ListDialog(QStringLiteral("设置预算"), budgetSource(), QStringLiteral("费用项目"), QStringLiteral("xm"),
                 QStringLiteral("共 0 项预算"), parent)
{
    setObjectName(QStringLiteral("FrmYssz"));
    ADOQYszb = DBGridEh1->dataSource()->dataset();
    ADOQYszb->setParent(this);
    DBGridEh1->setColumns({
        GridColumn::of(QStringLiteral("费用项目"), QStringLiteral("xm"), 110)
            .counting(QStringLiteral("共 0 项预算"), QColor(128, 0, 0)),
        GridColumn::of(QStringLiteral("周期"), QStringLiteral("zq"), 70, Qt::AlignCenter),
        unsummed(GridColumn::amount(QStringLiteral("金额"), QStringLiteral("je"), 90, QColor(0, 0, 255))),
        GridColumn::of(QStringLiteral("结转"), QStringLiteral("jzsm"), 50, Qt::AlignCenter),
    });
    setSizeGripEnabled(true);
    resize(420, 360);
    new TFrmYsxg(this);
    forms().FrmYssz = this;
}

void TFrmYssz::FormShow()
{
    ListDialog::FormShow();
    reread();
}

void TFrmYssz::reread(qint64 ysid)
{
    ADOQYszb->requery(ListSql);
    if (ysid)
        ADOQYszb->locate(QStringLiteral("ysid"), ysid);
}

void TFrmYssz::BitBtn1Click()
{
    TFrmYsxg *one = forms().FrmYsxg;
    one->setBudget(0);
    if (platform().showModal(one) == QDialog::Accepted)
        reread(one->budget());
}

void TFrmYssz::BitBtn2Click()
{
    if (ADOQYszb->isEmpty()) {
        BitBtn1Click();
        return;
    }
    TFrmYsxg *one = forms().FrmYsxg;
    one->setBudget(ADOQYszb->asInteger(QStringLiteral("ysid")));
    if (platform().showModal(one) == QDialog::Accepted)
        reread(one->budget());
}

void TFrmYssz::BitBtn3Click()
{
    if (ADOQYszb->isEmpty())
        return;
    if (!platform().askYesNo(this, QStringLiteral("   删除该预算后将不能恢复，是否确认删除？  ")))
        return;
    DM->ADOConnection1->execute(
        QStringLiteral("delete from yszb where ysid=%1").arg(ADOQYszb->asInteger(QStringLiteral("ysid"))));
    reread();
}

// --- one budget -------------------------------------------------------------------------

TFrmYsxg::TFrmYsxg(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmYsxg"));
    setWindowTitle(QStringLiteral("预算"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("费用项目"));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setAccessibleName(QStringLiteral("周期"));
    ComboBox2->addItems({Budgets::Monthly, Budgets::Yearly, OneMonth});
    DateEdit1 = new QDateEdit(this);
    DateEdit1->setObjectName(QStringLiteral("DateEdit1"));
    DateEdit1->setAccessibleName(QStringLiteral("月份"));
    DateEdit1->setDisplayFormat(QStringLiteral("yyyy年MM月"));
    DateEdit1->setCalendarPopup(true);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("金额"));
    Edit1->setPlaceholderText(QStringLiteral("例如 2000"));
    CheckBox1 = new QCheckBox(QStringLiteral("每月剩余（或超支）结转到下月(&R)"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setDefault(true);

    auto *period = new QHBoxLayout;
    period->addWidget(ComboBox2);
    period->addWidget(DateEdit1);
    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("费用项目(&I)："), ComboBox1);
    fields->addRow(QStringLiteral("周期(&P)："), period);
    fields->addRow(QStringLiteral("金额(&A)："), Edit1);
    fields->addRow(QString(), CheckBox1);
    static_cast<QLabel *>(fields->labelForField(period))->setBuddy(ComboBox2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(centredRow({BitBtn1, BitBtn2}));
    resize(360, 170);

    connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this] { periodChanged(); });
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    forms().FrmYsxg = this;
}

void TFrmYsxg::periodChanged()
{
    DateEdit1->setEnabled(ComboBox2->currentText() == OneMonth);
    CheckBox1->setEnabled(ComboBox2->currentText() == Budgets::Monthly);
}

void TFrmYsxg::FormShow()
{
    centreOnMainWindow();
    FormWidgets::fillList(ComboBox1, Budgets::AllExpenses, QStringLiteral("select xmmc from fyxm"),
                          QStringLiteral("xmmc"));
    DateEdit1->setDate(platform().today());
    ComboBox2->setCurrentIndex(0);
    Edit1->clear();
    CheckBox1->setChecked(false);
    if (m_id) {
        Statement st = DM->ADOConnection1->prepareSqlite(
            QStringLiteral("SELECT xm, zq, CAST(round(je*100) AS INTEGER), coalesce(jz,0) FROM yszb WHERE ysid=?"));
        st.bind(1, m_id);
        if (st.step()) {
            const int item = ComboBox1->findText(st.text(0));
            if (item < 0)
                ComboBox1->addItem(st.text(0)); // an item no longer listed keeps its budget
            ComboBox1->setCurrentIndex(item < 0 ? ComboBox1->count() - 1 : item);
            const QString period = st.text(1);
            if (period == Budgets::Monthly || period == Budgets::Yearly) {
                ComboBox2->setCurrentText(period);
            } else {
                ComboBox2->setCurrentText(OneMonth);
                DateEdit1->setDate(QDate::fromString(period + QStringLiteral("-01"), Qt::ISODate));
            }
            Edit1->setText(Budgets::yuan(st.integer(2)).remove(QLatin1Char(' ')));
            CheckBox1->setChecked(st.integer(3) != 0);
        }
    }
    periodChanged();
    ComboBox1->setFocus();
}

void TFrmYsxg::BitBtn1Click()
{
    const QString item = ComboBox1->currentText().trimmed();
    if (item.isEmpty()) {
        platform().showMessage(this, QStringLiteral("请选择费用项目！"));
        ComboBox1->setFocus();
        return;
    }
    qint64 cents = 0;
    QString why;
    if (!Budgets::parseAmount(Edit1->text(), &cents, &why)) {
        platform().showMessage(this, why);
        Edit1->setFocus();
        Edit1->selectAll();
        return;
    }
    const QString period = ComboBox2->currentText() == OneMonth ? DateEdit1->date().toString(QStringLiteral("yyyy-MM"))
                                                                : ComboBox2->currentText();
    Connection *connection = DM->ADOConnection1;
    // one budget per item and period; an item is budgeted by the month or by the year
    Statement other = connection->prepareSqlite(
        QStringLiteral("SELECT zq FROM yszb WHERE xm=? AND ysid<>? AND (zq=? OR (zq IN ('每月','每年') AND ? IN "
                       "('每月','每年')))"));
    other.bind(1, item);
    other.bind(2, m_id);
    other.bind(3, period);
    other.bind(4, period);
    if (other.step()) {
        const QString taken = other.text(0);
        platform().showMessage(
            this, taken == period
                      ? QStringLiteral("“%1”已有这一周期的预算，请修改原来那一条！").arg(item)
                      : QStringLiteral("“%1”已有%2的预算：一个项目按月或按年设预算，只能选一种！").arg(item, taken));
        return;
    }
    const bool rollover = period == Budgets::Monthly && CheckBox1->isChecked();
    connection->inTransaction([&] {
        // a budget applies (and rolls over) from the month it was set up in
        Statement st = connection->prepareSqlite(
            m_id ? QStringLiteral("UPDATE yszb SET xm=?, zq=?, je=?, jz=?, ksyf=coalesce(ksyf, ?) WHERE ysid=?")
                 : QStringLiteral("INSERT INTO yszb (xm, zq, je, jz, ksyf) VALUES (?,?,?,?,?)"));
        st.bind(1, item);
        st.bind(2, period);
        st.bind(3, double(cents) / 100.0);
        st.bind(4, rollover ? 1 : 0);
        st.bind(5, platform().today().toString(QStringLiteral("yyyy-MM")));
        if (m_id)
            st.bind(6, m_id);
        st.run();
        if (!m_id)
            m_id = sqlite3_last_insert_rowid(connection->handle());
    });
    accept();
}
