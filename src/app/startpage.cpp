#include "startpage.h"

#include "components/artwork.h"

#include <QPainter>

StartPage::StartPage(QWidget *parent)
    : QWidget(parent)
    , m_picture(Artwork::startPicture(QSize(1400, 1000)))
{}

void StartPage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(rect(), m_picture);
}
