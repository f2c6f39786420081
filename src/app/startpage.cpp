#include "startpage.h"

#include "components/artwork.h"

#include <QPainter>

StartPage::StartPage(QWidget *parent)
    : QWidget(parent)
{}

void StartPage::paintEvent(QPaintEvent *)
{
    if (m_picture.deviceIndependentSize().toSize() != size() || m_picture.devicePixelRatio() != devicePixelRatioF())
        m_picture = Artwork::startPicture(size(), devicePixelRatioF());
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

void StartPage::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_picture = QPixmap();
}
