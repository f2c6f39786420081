#include "tfrmzdgz.h"

#include "billimport.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/dataset.h"
#include "data/rowinprogress.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The rules' own dataset and its source, made before the list is built on
// them; both belong to the dialog afterwards.
DataSource *rulesSource()
{
    auto *rules = new Dataset(DM->ADOConnection1);
    rules->setObjectName(QStringLiteral("ADOQzdgz"));
    rules->addSql(QStringLiteral("select * from zdgz"));
    return new DataSource(rules, rules);
}

} // namespace

TFrmZdgz::TFrmZdgz(QWidget *parent)
    : ListDialog(QStringLiteral("账单分类规则"), rulesSource(), QStringLiteral("关键字"), QStringLiteral("gjz"),
                 QStringLiteral("共 0 条规则"), parent)
{
    setObjectName(QStringLiteral("FrmZdgz"));
    ADOQzdgz = DBGridEh1->dataSource()->dataset();
    ADOQzdgz->setParent(this);
    DBGridEh1->setColumns({
        GridColumn::of(QStringLiteral("关键字"), QStringLiteral("gjz"), 150)
            .counting(QStringLiteral("共 0 条规则"), QColor(128, 0, 0)),
        GridColumn::of(QStringLiteral("费用项目"), QStringLiteral("xm"), 90),
        GridColumn::of(QStringLiteral("费用明细"), QStringLiteral("mx"), 90),
    });
    setSizeGripEnabled(true);
    resize(420, 360);
    new TFrmGzwh(ADOQzdgz, this);
    forms().FrmZdgz = this;
}

void TFrmZdgz::FormShow()
{
    ListDialog::FormShow();
    ADOQzdgz->requery(QStringLiteral("select * from zdgz"));
}

void TFrmZdgz::BitBtn1Click()
{
    RowInProgress row(ADOQzdgz);
    row.keep();
    platform().showModal(forms().FrmGzwh);
}

void TFrmZdgz::BitBtn2Click()
{
    if (ADOQzdgz->isEmpty()) {
        BitBtn1Click();
        return;
    }
    RowInProgress row(ADOQzdgz, RowInProgress::Start::Edit);
    row.keep();
    platform().showModal(forms().FrmGzwh);
}

void TFrmZdgz::BitBtn3Click()
{
    if (ADOQzdgz->isEmpty())
        return;
    if (platform().askYesNo(this, QStringLiteral("   删除该规则后将不能恢复，是否确认删除？  ")))
        ADOQzdgz->remove();
}

// --- one rule ---------------------------------------------------------------------------

TFrmGzwh::TFrmGzwh(Dataset *rules, QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_rules(rules)
{
    setObjectName(QStringLiteral("FrmGzwh"));
    setWindowTitle(QStringLiteral("分类规则"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("关键字"));
    Edit1->setPlaceholderText(QStringLiteral("例如 美团"));
    FormWidgets::limitLength(Edit1, Schema::maxLength(QStringLiteral("zdgz"), QStringLiteral("gjz")));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("费用项目"));
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setAccessibleName(QStringLiteral("费用明细"));
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setDefault(true);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("交易对方或商品中含有(&K)："), Edit1);
    fields->addRow(QStringLiteral("记为费用项目(&I)："), ComboBox1);
    fields->addRow(QStringLiteral("费用明细(&D)："), ComboBox2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(centredRow({BitBtn1, BitBtn2}));
    resize(340, 150);

    connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { guard([this] { fillDetails(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    forms().FrmGzwh = this;
}

void TFrmGzwh::FormShow()
{
    centreOnMainWindow();
    Edit1->setText(m_rules->asString(QStringLiteral("gjz")));
    const QString item = m_rules->asString(QStringLiteral("xm"));
    const QString detail = m_rules->asString(QStringLiteral("mx"));
    {
        const QSignalBlocker quiet(ComboBox1);
        FormWidgets::fillList(ComboBox1, QString(), QStringLiteral("select xmmc from fyxm"), QStringLiteral("xmmc"));
        ComboBox1->setCurrentIndex(qMax(0, ComboBox1->findText(item)));
    }
    fillDetails();
    if (!detail.isEmpty())
        ComboBox2->setCurrentIndex(qMax(0, ComboBox2->findText(detail)));
    Edit1->setFocus();
    Edit1->selectAll();
}

void TFrmGzwh::fillDetails()
{
    ComboBox2->clear();
    ComboBox2->addItems(BillImport::detailsOf(DM->ADOConnection1, ComboBox1->currentText()));
}

void TFrmGzwh::BitBtn1Click()
{
    const QString keyword = Edit1->text().trimmed();
    if (keyword.isEmpty()) {
        platform().showMessage(this, QStringLiteral("关键字不能为空，请重新输入！"));
        Edit1->setFocus();
        return;
    }
    if (ComboBox1->currentText().isEmpty()) {
        platform().showMessage(this, QStringLiteral("请选择费用项目！"));
        ComboBox1->setFocus();
        return;
    }
    m_rules->setValue(QStringLiteral("gjz"), keyword);
    m_rules->setValue(QStringLiteral("xm"), ComboBox1->currentText());
    m_rules->setValue(QStringLiteral("mx"), ComboBox2->currentText());
    m_rules->post();
    accept();
}

void TFrmGzwh::FormClose()
{
    if (m_rules->isEditing())
        m_rules->cancel();
}
