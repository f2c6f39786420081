#include "statusbar.h"

#include <QLabel>

StatusBar::StatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    setSizeGripEnabled(true);
}

int StatusBar::addPanel(int width, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedWidth(width);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    addWidget(label);
    m_panels.append(label);
    return int(m_panels.size()) - 1;
}

QString StatusBar::panelText(int panel) const
{
    return panel >= 0 && panel < m_panels.size() ? m_panels[panel]->text() : QString();
}

void StatusBar::setPanelText(int panel, const QString &text)
{
    if (panel >= 0 && panel < m_panels.size())
        m_panels[panel]->setText(text);
}
