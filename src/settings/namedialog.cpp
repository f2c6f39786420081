#include "namedialog.h"

#include "components/dbcontrols.h"
#include "components/formwidgets.h"
#include "data/dataset.h"
#include "platform/platform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

NameDialog::NameDialog(const QString &caption, const QString &prompt, DataSource *source, const QString &field,
                       QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_source(source)
    , m_field(field)
{
    setWindowTitle(caption);
    Label1 = new QLabel(prompt, this);
    Label1->setStyleSheet(QStringLiteral("color: blue;"));
    DBEdit1 = new DBEdit(source, field, this);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(DBEdit1);
    layout->addLayout(buttons);
    setFixedSize(280, 120);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
}

void NameDialog::FormShow()
{
    centreOnMainWindow();
    auto focus = [this] {
        DBEdit1->setFocus();
        DBEdit1->selectAll();
    };
    focus();
    // Again once the dialog is active: the activation moves the focus
    // around, and a line edit that loses it drops its selection.
    QMetaObject::invokeMethod(this, focus, Qt::QueuedConnection);
}

void NameDialog::BitBtn1Click()
{
    DBEdit1->flush();
    const QString name = m_source->dataset()->asString(m_field);
    if (!m_blankNotice.isEmpty()) {
        if (FormWidgets::isBlank(name)) {
            platform().showMessage(this, m_blankNotice);
            DBEdit1->setFocus();
            return;
        }
    }
    if (!nameAccepted(name)) {
        DBEdit1->setFocus();
        return;
    }
    m_source->dataset()->post(); // an error keeps the dialog open with the row pending
    accept();
}

void NameDialog::BitBtn2Click()
{
    reject();
}

void NameDialog::FormClose()
{
    m_source->dataset()->cancel();
}
