#include "tfrmrq.h"

#include "components/forms.h"
#include "platform/platform.h"

#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TFrmRQ::TFrmRQ(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("FrmRQ"));
    setWindowTitle(QStringLiteral("选择日期"));
    setStyleSheet(QStringLiteral("TFrmRQ { border: 1px solid palette(dark); }"));
    MonthCalendar1 = new QCalendarWidget(this);
    MonthCalendar1->setObjectName(QStringLiteral("MonthCalendar1"));
    MonthCalendar1->setGridVisible(true);
    MonthCalendar1->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    auto *buttons = centredRow({BitBtn1, BitBtn2});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(MonthCalendar1);
    layout->addLayout(buttons);
    setFixedSize(300, 260);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    // A double click on a day confirms it.
    connect(MonthCalendar1, &QCalendarWidget::activated, this, guarded([this] { BitBtn1Click(); }));
    forms().FrmRQ = this;
}

void TFrmRQ::BitBtn1Click()
{
    m_confirming = true;
    Confirmed = 1;
    accept();
    m_confirming = false;
}

void TFrmRQ::BitBtn2Click()
{
    Confirmed = 0;
    reject();
}

void TFrmRQ::FormClose()
{
    // Closed any other way than by "确定" (Esc, the system's close command):
    // a cancel, never the flag of an earlier showing.
    if (!m_confirming)
        Confirmed = 0;
}
