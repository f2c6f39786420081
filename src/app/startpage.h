#pragma once

#include <QPixmap>
#include <QWidget>

// The start page: one picture over the whole page, painted at the page's
// size when it is first shown (and again after a resize), and let go when
// the page is left: a household sees it at the start only.
class StartPage : public QWidget
{
    Q_OBJECT
public:
    explicit StartPage(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QPixmap m_picture; // at the page's size and the screen's pixel ratio
};
