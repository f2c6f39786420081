#pragma once

#include <QList>
#include <QObject>
#include <QPalette>
#include <QString>

// The collection of application looks the program ships with, in a fixed
// order: position 0 is "界面风格一" and so on up to "界面风格六". Each look is a
// style sheet (compiled into the program as a resource) together with a
// colour palette that the style sheet is designed for.
class SkinStore : public QObject
{
    Q_OBJECT
public:
    explicit SkinStore(QObject *parent = nullptr);

    // Number of looks in the collection; always six.
    int count() const;
    // Display name of look i; an empty string when i is not a position.
    QString name(int i) const;
    // Complete style sheet of look i; an empty string when i is not a position.
    QString styleSheet(int i) const;
    // Colour palette of look i; a default palette when i is not a position.
    QPalette palette(int i) const;

private:
    struct Look
    {
        QString name;
        QString styleSheet;
        QPalette palette;
    };

    bool isPosition(int i) const { return i >= 0 && i < m_looks.size(); }

    QList<Look> m_looks;
};
