#pragma once

#include <QLabel>

// A label that acts as a link: a hand cursor, a click (or Enter or Space
// while it has the keyboard focus, which Tab gives it) announces clicked().
class ClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
