#pragma once

#include <QObject>
#include <QPalette>
#include <QString>

class SkinStore;

// The skin engine: holds one look taken from a SkinStore and, while active,
// imposes it on the whole application (base style, palette and style sheet),
// so that every open window and every window created later shows it.
class SkinData : public QObject
{
    Q_OBJECT
public:
    explicit SkinData(QObject *parent = nullptr);

    // Takes look `index` from `store`; an index outside the store falls back
    // to look 0. When active, the new look replaces the old one at once.
    // Does nothing when store is null or empty.
    void loadFromCollection(SkinStore *store, int index);
    // Turns the engine on (applies the loaded look to the application) or off
    // (restores the style the application had, its default palette and no
    // style sheet). Turning on before any look is loaded applies nothing yet.
    void setActive(bool on);
    // Position of the loaded look, -1 while none has been loaded.
    int index() const { return m_index; }
    // Name of the loaded look, empty while none has been loaded.
    QString name() const { return m_name; }
    // Whether the engine currently governs the application's appearance.
    bool isActive() const { return m_active; }

signals:
    // Emitted after a look has been put on or taken off the application.
    void applied();

protected:
    // Gives every drop-down list, while a look is on, entries that the look's
    // sheet draws (its highlighted entry legible).
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    void restore();

    int m_index = -1;
    QString m_name;
    QString m_styleSheet;
    QPalette m_palette;
    bool m_active = false;
    bool m_applied = false;
    QString m_originalStyle;
};
