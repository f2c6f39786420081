// Commands that may take a while on a big ledger show that the program is
// working and keep its windows painted: the ledger taken at login, the
// filter, the category summary, the period comparison and a new start date.
// Each reading is held back on its worker until the main thread has looked
// at the cursor from inside its event loop.
#include "app/tfrmmian.h"
#include "components/forms.h"
#include "data/dataset.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmzbcx.h"
#include "settings/settingspage.h"
#include "stats/comparisonpage.h"
#include "stats/summarypage.h"
#include "support/app/appfixture.h"
#include "users/tfrmlog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QTimer>
#include <QToolButton>

#include <atomic>

namespace {

// Holds every background reading until the main thread's event loop has
// run a timer (or three seconds have passed), and records the cursor the
// timer saw.
class Watch
{
public:
    Watch()
    {
        Dataset::setBackgroundReadHook([this] {
            m_started.release();
            // a program that blocks its event loop meanwhile would never let
            // it go: the reading goes on after a while and the look fails
            m_go.tryAcquire(1, 3000);
        });
    }
    ~Watch() { Dataset::setBackgroundReadHook({}); }

    // Arms a look at the cursor once a reading has begun.
    void arm()
    {
        m_cursor = -1;
        auto *timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
            if (!m_started.tryAcquire())
                return;
            const QCursor *c = QApplication::overrideCursor();
            m_cursor = c ? int(c->shape()) : int(Qt::ArrowCursor);
            m_go.release();
            timer->deleteLater();
        });
        timer->start();
    }
    // The cursor seen while the reading was held: Qt::WaitCursor when the
    // program showed it is busy, -1 when its event loop never ran meanwhile.
    int cursor() const { return m_cursor; }

private:
    QSemaphore m_started;
    QSemaphore m_go;
    int m_cursor = -1;
};

class SignsOfLife : public AppFixture
{
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 30; ++i)
            exec(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr) values "
                                "(#2026-%1-%2#,'支出','餐饮','午餐',0,%3,-%3,'现金')")
                     .arg(1 + i % 12)
                     .arg(1 + i % 28)
                     .arg(i));
    }
};

} // namespace

TEST_F(SignsOfLife, EveryLongReadingShowsTheWaitCursorWithTheWindowPainted)
{
    Watch watch;
    // the login takes the ledger read meanwhile
    create();
    mainWindow->show();
    platform.onDialog(QStringLiteral("FrmLog"), [&watch](QDialog *d) {
        watch.arm();
        static_cast<TFrmLog *>(d)->BitBtn1->click();
    });
    mainWindow->FormActivate();
    ASSERT_TRUE(LoginDone);
    EXPECT_EQ(watch.cursor(), int(Qt::WaitCursor)) << "login";
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 30);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // the filter's 确定 and 全部显示
    mainWindow->ToolButton1->click();
    platform.onDialog(QStringLiteral("FrmZbcx"), [&watch](QDialog *) {
        watch.arm();
        forms().FrmZbcx->BitBtn1->click();
        EXPECT_EQ(watch.cursor(), int(Qt::WaitCursor)) << "filter";
        watch.arm();
        forms().FrmZbcx->BitBtn3->click();
        EXPECT_EQ(watch.cursor(), int(Qt::WaitCursor)) << "all";
    });
    mainWindow->TabSheet1->BitBtn6->click();
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 30);

    // the summary and the comparison
    mainWindow->ToolButton2->click();
    watch.arm();
    mainWindow->TabSheet2->BitBtn7->click();
    EXPECT_EQ(watch.cursor(), int(Qt::WaitCursor)) << "summary";
    mainWindow->ToolButton3->click();
    watch.arm();
    mainWindow->TabSheet3->BitBtn16->click();
    EXPECT_EQ(watch.cursor(), int(Qt::WaitCursor)) << "comparison";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
}
