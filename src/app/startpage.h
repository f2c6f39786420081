#pragma once

#include <QWidget>

// The start page: one picture stretched over the whole page.
class StartPage : public QWidget
{
    Q_OBJECT
public:
    explicit StartPage(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture; // drawn once, stretched on every paint
};
