#include "components/skindata.h"
#include "components/skinstore.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleFactory>
#include <QTableView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// WCAG contrast ratio of two colours.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

// Every test leaves the application without a look, whatever it did.
class SkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_styleBefore = QApplication::style()->name();
        m_windowBefore = QApplication::palette().color(QPalette::Window);
    }
    void TearDown() override
    {
        m_engine.setActive(false);
        qApp->setStyleSheet(QString());
        QApplication::setPalette(QPalette());
        if (QApplication::style()->name() != m_styleBefore)
            QApplication::setStyle(QStyleFactory::create(m_styleBefore));
    }

    SkinStore m_store;
    SkinData m_engine;
    QString m_styleBefore;
    QColor m_windowBefore;
};

// ---- the store ----

TEST_F(SkinTest, StoreHoldsTheSixLooksInOrder)
{
    const QStringList expected
        = {QStringLiteral("界面风格一"), QStringLiteral("界面风格二"), QStringLiteral("界面风格三"),
           QStringLiteral("界面风格四"), QStringLiteral("界面风格五"), QStringLiteral("界面风格六")};
    ASSERT_EQ(m_store.count(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(m_store.name(i), expected.at(i)) << i;
    EXPECT_TRUE(m_store.name(-1).isEmpty());
    EXPECT_TRUE(m_store.name(6).isEmpty());
    EXPECT_TRUE(m_store.styleSheet(6).isEmpty());
    EXPECT_TRUE(m_store.styleSheet(-1).isEmpty());
}

TEST_F(SkinTest, StyleSheetsAreCompletePairwiseDifferentAndParse)
{
    // Every look has to cover all the widget classes the program shows.
    const QStringList classes = {"QMainWindow",
                                 "QDialog",
                                 "QPushButton:hover",
                                 "QPushButton:pressed",
                                 "QPushButton:disabled",
                                 "QToolBar",
                                 "QToolButton",
                                 "QLineEdit",
                                 "readOnly",
                                 "QPlainTextEdit",
                                 "QComboBox",
                                 "QDateEdit",
                                 "QCalendarWidget",
                                 "QGroupBox",
                                 "QTabWidget::pane",
                                 "QTabBar::tab",
                                 "QTableView",
                                 "QHeaderView::section",
                                 "QStatusBar",
                                 "QScrollBar",
                                 "QMenu",
                                 "QToolTip",
                                 "QMessageBox"};
    for (int i = 0; i < m_store.count(); ++i) {
        const QString sheet = m_store.styleSheet(i);
        EXPECT_GT(sheet.size(), 4000) << i;
        for (const QString &name : classes)
            EXPECT_TRUE(sheet.contains(name)) << "look " << i << " lacks " << name.toStdString();
        for (int j = 0; j < i; ++j)
            EXPECT_NE(sheet, m_store.styleSheet(j)) << i << " and " << j;
    }

    // Qt reports a sheet it cannot parse with a warning when it is applied.
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &message) { warnings << message; });
    QWidget sample;
    auto *layout = new QVBoxLayout(&sample);
    layout->addWidget(new QPushButton(QStringLiteral("确定")));
    layout->addWidget(new QLineEdit);
    for (int i = 0; i < m_store.count(); ++i) {
        qApp->setStyleSheet(m_store.styleSheet(i));
        sample.ensurePolished();
        sample.grab();
    }
    qInstallMessageHandler(previous);
    for (const QString &w : warnings)
        EXPECT_FALSE(w.contains(QLatin1String("parse"), Qt::CaseInsensitive)) << w.toStdString();
}

TEST_F(SkinTest, ImagesNamedBySheetsExist)
{
    const QRegularExpression url(QStringLiteral("url\\(([^)]+)\\)"));
    for (int i = 0; i < m_store.count(); ++i) {
        int found = 0;
        auto it = url.globalMatch(m_store.styleSheet(i));
        while (it.hasNext()) {
            const QString path = it.next().captured(1).trimmed();
            ++found;
            EXPECT_FALSE(QImage(path).isNull()) << "look " << i << ": " << path.toStdString();
            // A sharp variant for high-density screens sits beside each image.
            QString sharp = path;
            sharp.insert(sharp.lastIndexOf(QLatin1Char('.')), QLatin1String("@2x"));
            const QImage big(sharp);
            EXPECT_EQ(big.size(), QImage(path).size() * 2) << sharp.toStdString();
        }
        EXPECT_GT(found, 0) << i;
    }
}

TEST_F(SkinTest, PalettesAreDistinctAndReadable)
{
    QSet<QRgb> windows;
    QSet<QRgb> highlights;
    for (int i = 0; i < m_store.count(); ++i) {
        const QPalette p = m_store.palette(i);
        windows.insert(p.color(QPalette::Window).rgb());
        highlights.insert(p.color(QPalette::Highlight).rgb());
        EXPECT_GE(contrast(p.color(QPalette::WindowText), p.color(QPalette::Window)), 7.0) << i;
        EXPECT_GE(contrast(p.color(QPalette::Text), p.color(QPalette::Base)), 7.0) << i;
        EXPECT_GE(contrast(p.color(QPalette::HighlightedText), p.color(QPalette::Highlight)), 4.5) << i;
        EXPECT_GE(contrast(p.color(QPalette::ButtonText), p.color(QPalette::Button)), 4.5) << i;
        EXPECT_GE(contrast(p.color(QPalette::ToolTipText), p.color(QPalette::ToolTipBase)), 4.5) << i;
        // Default red and blue label text, as the program uses, stays legible.
        EXPECT_GE(contrast(Qt::red, p.color(QPalette::Window)), 3.0) << i;
        EXPECT_GE(contrast(Qt::blue, p.color(QPalette::Window)), 4.5) << i;
    }
    EXPECT_EQ(windows.size(), 6);
    EXPECT_EQ(highlights.size(), 6);
}

TEST_F(SkinTest, SheetsNeverColourLabelsOrEdits)
{
    // A text colour given to these classes in the application sheet would
    // beat the colours the program sets on single widgets through palettes.
    const QRegularExpression rule(QStringLiteral("([^{}]+)\\{([^}]*)\\}"));
    const QRegularExpression guarded(
        QStringLiteral("(^|[\\s,])(QLabel|QLineEdit|QPlainTextEdit|QTextEdit)([\\s:\\[,]|$)"));
    const QRegularExpression colour(QStringLiteral("(^|[;\\s])color\\s*:"));
    for (int i = 0; i < m_store.count(); ++i) {
        QString sheet = m_store.styleSheet(i);
        sheet.remove(QRegularExpression(QStringLiteral("/\\*.*?\\*/"), QRegularExpression::DotMatchesEverythingOption));
        auto it = rule.globalMatch(sheet);
        while (it.hasNext()) {
            const auto match = it.next();
            const QString selectors = match.captured(1).trimmed();
            for (const QString &selector : selectors.split(QLatin1Char(','))) {
                const QString last = selector.trimmed().split(QLatin1Char(' ')).last();
                if (guarded.match(last).hasMatch()) {
                    EXPECT_FALSE(colour.match(match.captured(2)).hasMatch())
                        << "look " << i << " colours " << selector.trimmed().toStdString();
                }
            }
        }
    }
}

// ---- the engine ----

TEST_F(SkinTest, LoadingEachIndexAppliesThatLook)
{
    QSignalSpy applied(&m_engine, &SkinData::applied);
    m_engine.setActive(true);
    EXPECT_EQ(applied.count(), 0) << "nothing loaded yet, nothing to apply";
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    for (int i = 0; i < m_store.count(); ++i) {
        m_engine.loadFromCollection(&m_store, i);
        EXPECT_EQ(m_engine.index(), i);
        EXPECT_EQ(m_engine.name(), m_store.name(i));
        EXPECT_EQ(qApp->styleSheet(), m_store.styleSheet(i)) << i;
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_store.palette(i).color(QPalette::Window));
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), m_store.palette(i).color(QPalette::Highlight));
    }
    EXPECT_EQ(applied.count(), m_store.count());
    EXPECT_EQ(qApp->styleSheet(), m_store.styleSheet(5));
}

TEST_F(SkinTest, IndexOutsideTheCollectionFallsBackToTheFirstLook)
{
    m_engine.setActive(true);
    for (int index : {-1, 6, 1000}) {
        m_engine.loadFromCollection(&m_store, 3);
        m_engine.loadFromCollection(&m_store, index);
        EXPECT_EQ(m_engine.index(), 0) << index;
        EXPECT_EQ(qApp->styleSheet(), m_store.styleSheet(0)) << index;
    }
    m_engine.loadFromCollection(nullptr, 4);
    EXPECT_EQ(m_engine.index(), 0) << "a missing store changes nothing";
}

TEST_F(SkinTest, InactiveEngineLeavesTheApplicationAlone)
{
    m_engine.loadFromCollection(&m_store, 2);
    EXPECT_EQ(m_engine.index(), 2);
    EXPECT_FALSE(m_engine.isActive());
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_windowBefore);

    m_engine.setActive(true);
    EXPECT_TRUE(m_engine.isActive());
    EXPECT_EQ(qApp->styleSheet(), m_store.styleSheet(2));

    m_engine.setActive(false);
    EXPECT_FALSE(m_engine.isActive());
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_windowBefore);
    EXPECT_EQ(QApplication::style()->name(), m_styleBefore);
    EXPECT_EQ(m_engine.index(), 2) << "the loaded look is kept for the next activation";

    m_engine.setActive(true);
    EXPECT_EQ(qApp->styleSheet(), m_store.styleSheet(2));
}

TEST_F(SkinTest, LooksDrawOnFusionAndGiveTheOriginalStyleBack)
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    ASSERT_EQ(QApplication::style()->name().toLower(), QStringLiteral("windows"));
    m_engine.loadFromCollection(&m_store, 4);
    m_engine.setActive(true);
    // Under a style sheet Qt wraps the base style; taking the sheet off
    // uncovers the base the engine chose.
    qApp->setStyleSheet(QString());
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    m_engine.setActive(false);
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("windows"));
}

TEST_F(SkinTest, OpenAndNewWindowsFollowTheLookWhileRunning)
{
    QWidget before;
    before.show();
    m_engine.loadFromCollection(&m_store, 1);
    m_engine.setActive(true);
    EXPECT_EQ(before.palette().color(QPalette::Window), m_store.palette(1).color(QPalette::Window));

    m_engine.loadFromCollection(&m_store, 3);
    EXPECT_EQ(before.palette().color(QPalette::Window), m_store.palette(3).color(QPalette::Window));
    QWidget after;
    EXPECT_EQ(after.palette().color(QPalette::Window), m_store.palette(3).color(QPalette::Window));

    m_engine.setActive(false);
    EXPECT_EQ(before.palette().color(QPalette::Window), m_windowBefore);
}

TEST_F(SkinTest, ColoursSetOnSingleWidgetsSurviveEveryLook)
{
    QWidget page;
    auto *layout = new QVBoxLayout(&page);
    auto *banner = new QLabel(QStringLiteral("本月支出已超过预算"));
    banner->setStyleSheet(QStringLiteral("color: red;"));
    auto *caption = new QLabel(QStringLiteral("日期："));
    QPalette blue = caption->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    caption->setPalette(blue);
    auto *amount = new QLineEdit(QStringLiteral("128.50"));
    QPalette green = amount->palette();
    green.setColor(QPalette::Text, QColor(0, 128, 0));
    amount->setPalette(green);
    layout->addWidget(banner);
    layout->addWidget(caption);
    layout->addWidget(amount);
    page.show();

    m_engine.setActive(true);
    for (int i = 0; i < m_store.count(); ++i) {
        m_engine.loadFromCollection(&m_store, i);
        page.ensurePolished();
        EXPECT_EQ(banner->palette().color(QPalette::WindowText), QColor(Qt::red)) << i;
        EXPECT_EQ(caption->palette().color(QPalette::WindowText), QColor(Qt::blue)) << i;
        EXPECT_EQ(amount->palette().color(QPalette::Text), QColor(0, 128, 0)) << i;
    }
}

TEST_F(SkinTest, LooksRenderDifferently)
{
    // The same small page, grabbed in every look: the looks must be visible.
    QWidget page;
    page.resize(260, 160);
    auto *layout = new QVBoxLayout(&page);
    auto *model = new QStandardItemModel(2, 2, &page);
    model->setHorizontalHeaderLabels({QStringLiteral("日期"), QStringLiteral("金额")});
    auto *view = new QTableView;
    view->setModel(model);
    layout->addWidget(view);
    layout->addWidget(new QPushButton(QStringLiteral("增加")));
    page.show();

    m_engine.setActive(true);
    QList<QImage> shots;
    for (int i = 0; i < m_store.count(); ++i) {
        m_engine.loadFromCollection(&m_store, i);
        shots << page.grab().toImage();
        for (int j = 0; j < i; ++j)
            EXPECT_NE(shots.at(i), shots.at(j)) << i << " and " << j;
    }
}

} // namespace
