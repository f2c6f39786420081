#include "namedialog.h"

#include "components/dbcontrols.h"
#include "components/formwidgets.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/sqltext.h"
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

void NameDialog::setCopies(const QString &table, const QString &column, Dataset *refresh, const QString &keyField)
{
    m_copiesTable = table;
    m_copiesColumn = column;
    m_refresh = refresh;
    m_refreshKey = keyField;
}

void NameDialog::FormShow()
{
    centreOnMainWindow();
    Dataset *d = m_source->dataset();
    m_oldName = d->state() == Dataset::State::Edit ? d->asString(m_field) : QString();
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
    Dataset *d = m_source->dataset();
    if (!m_copiesTable.isEmpty() && d->state() == Dataset::State::Edit && !m_oldName.isEmpty() && name != m_oldName) {
        Connection *connection = d->connection();
        Dataset copies(connection);
        copies.addSql(QStringLiteral("select count(*) from %1 where %2='%3'")
                          .arg(m_copiesTable, m_copiesColumn, sqlText(m_oldName)));
        copies.open();
        const qint64 count = copies.isEmpty() ? 0 : copies.valueAt(0, 0).toLongLong();
        if (count > 0
            && platform().askYesNo(
                this, QStringLiteral("是否把使用“%1”的 %2 条记录一并改为“%3”？").arg(m_oldName).arg(count).arg(name))) {
            // the copies and the name, or neither
            connection->inTransaction([&] {
                connection->execute(QStringLiteral("update %1 set %2='%3' where %2='%4'")
                                        .arg(m_copiesTable, m_copiesColumn, sqlText(name), sqlText(m_oldName)));
                d->post();
            });
            if (m_refresh && m_refresh->isActive() && !m_refresh->isEditing()) {
                const QVariant key
                    = m_refreshKey.isEmpty() || m_refresh->isEmpty() ? QVariant() : m_refresh->value(m_refreshKey);
                m_refresh->close();
                m_refresh->open();
                if (key.isValid())
                    m_refresh->locate(m_refreshKey, key);
            }
            afterPost();
            accept();
            return;
        }
    }
    d->post(); // an error keeps the dialog open with the row pending
    afterPost();
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
