#pragma once

#include <QStatusBar>

class QLabel;

// A status bar of fixed-width panels with centred texts.
class StatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit StatusBar(QWidget *parent = nullptr);

    // Adds a panel of the given width in pixels; returns its position.
    int addPanel(int width, const QString &text);
    int panelCount() const { return int(m_panels.size()); }
    QString panelText(int panel) const;
    // Sets a panel's text; a position that does not exist is ignored.
    void setPanelText(int panel, const QString &text);

private:
    QList<QLabel *> m_panels; // children of the status bar
};
