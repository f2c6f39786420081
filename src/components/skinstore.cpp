#include "skinstore.h"

#include <QFile>

// The style sheets live in a resource of this static library; nothing else
// references its initialiser, so it is pulled in explicitly (the macro has to
// be used outside any namespace).
static void initSkinResources()
{
    Q_INIT_RESOURCE(skins);
}

namespace {

// The colours a look's style sheet is designed around. Widgets that the sheets
// deliberately leave uncoloured (labels, edits, item views) take these.
struct LookColours
{
    const char *window;
    const char *windowText;
    const char *base;
    const char *alternateBase;
    const char *text;
    const char *button;
    const char *buttonText;
    const char *highlight;
    const char *highlightedText;
    const char *toolTipBase;
    const char *toolTipText;
    const char *link;
    const char *placeholder;
    const char *disabledText;
};

QPalette makePalette(const LookColours &c)
{
    // Starting from the two-colour constructor fills the bevel roles (Light,
    // Mid, Dark, Shadow) that Fusion uses for the parts no sheet covers.
    QPalette p(QColor(QLatin1String(c.button)), QColor(QLatin1String(c.window)));
    const auto set = [&p](QPalette::ColorRole role, const char *colour) {
        p.setColor(QPalette::All, role, QColor(QLatin1String(colour)));
    };
    set(QPalette::Window, c.window);
    set(QPalette::WindowText, c.windowText);
    set(QPalette::Base, c.base);
    set(QPalette::AlternateBase, c.alternateBase);
    set(QPalette::Text, c.text);
    set(QPalette::Button, c.button);
    set(QPalette::ButtonText, c.buttonText);
    set(QPalette::Highlight, c.highlight);
    set(QPalette::HighlightedText, c.highlightedText);
    set(QPalette::ToolTipBase, c.toolTipBase);
    set(QPalette::ToolTipText, c.toolTipText);
    set(QPalette::Link, c.link);
    set(QPalette::LinkVisited, c.link);
    set(QPalette::PlaceholderText, c.placeholder);
    set(QPalette::BrightText, "#ffffff");
    const QColor disabled(QLatin1String(c.disabledText));
    p.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    p.setColor(QPalette::Disabled, QPalette::Text, disabled);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    p.setColor(QPalette::Disabled, QPalette::Base, QColor(QLatin1String(c.window)));
    return p;
}

// Name and colours of the looks, in the order of their positions.
struct LookDefinition
{
    const char *name;
    LookColours colours;
};

const LookDefinition lookDefinitions[] = {
    // A light office look: cool grey-blue surfaces, soft gradients.
    {"界面风格一",
     {"#eef2f7", "#1f2a37", "#ffffff", "#f3f7fc", "#1a1a1a", "#e9eef5", "#1f2a37", "#c5dcf5", "#102a4c", "#fffbe6",
      "#333333", "#1b5fb4", "#8a96a5", "#9aa3ad"}},
    // Graphite chrome around light working surfaces, amber accents.
    {"界面风格二",
     {"#e4e7eb", "#1e2228", "#fbfbfc", "#eff1f4", "#1b1e23", "#3a4049", "#f1f3f5", "#f2a93b", "#1b1e23", "#2b3038",
      "#f1f3f5", "#b86e00", "#8b929b", "#9ca2aa"}},
    // Warm wood and paper.
    {"界面风格三",
     {"#f5ecd9", "#3d2814", "#fffaf0", "#f8eedb", "#2e1d0c", "#ecd3a6", "#3f2812", "#dcae6a", "#2a1606", "#fff4d8",
      "#3d2814", "#8a4b12", "#a48c6c", "#a8977e"}},
    // Fresh green on white, rounded shapes.
    {"界面风格四",
     {"#f0f7f1", "#1d3b25", "#ffffff", "#f2faf3", "#17301e", "#2e7d32", "#ffffff", "#b9e2bd", "#0f3318", "#f1fbf2",
      "#1d3b25", "#2e7d32", "#8fab95", "#9fb5a4"}},
    // Flat blue-grey with outlined controls.
    {"界面风格五",
     {"#eceff1", "#263238", "#ffffff", "#f5f7f8", "#263238", "#ffffff", "#37474f", "#546e7a", "#ffffff", "#37474f",
      "#eceff1", "#00796b", "#90a4ae", "#a7b4bb"}},
    // Festive Chinese red and gold on cream.
    {"界面风格六",
     {"#fdf3e3", "#4a1410", "#fffdf8", "#fcf0dc", "#3a0f0b", "#c62828", "#fff3c4", "#f6cf6f", "#5a0a06", "#fff8e1",
      "#7a1a12", "#b71c1c", "#b79a86", "#b8a08f"}},
};

QString readSheet(int position)
{
    QFile file(QStringLiteral(":/skins/skin%1.qss").arg(position + 1));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

SkinStore::SkinStore(QObject *parent)
    : QObject(parent)
{
    initSkinResources();
    int position = 0;
    for (const LookDefinition &definition : lookDefinitions) {
        m_looks.append(Look{QString::fromUtf8(definition.name), readSheet(position), makePalette(definition.colours)});
        ++position;
    }
}

int SkinStore::count() const
{
    return int(m_looks.size());
}

QString SkinStore::name(int i) const
{
    return isPosition(i) ? m_looks.at(i).name : QString();
}

QString SkinStore::styleSheet(int i) const
{
    return isPosition(i) ? m_looks.at(i).styleSheet : QString();
}

QPalette SkinStore::palette(int i) const
{
    return isPosition(i) ? m_looks.at(i).palette : QPalette();
}
