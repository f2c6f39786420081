#include "appfixture.h"

#include "app/application.h"
#include "app/tfrmmian.h"
#include "components/forms.h"
#include "data/tdm.h"
#include "users/tfrmlog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

AppFixture::AppFixture()
    : db(std::make_unique<TempDatabase>())
{
    db->connection()->close();
    platform.setProgramDirectory(db->dir());
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, db->dir() + QStringLiteral("settings"));
}

AppFixture::~AppFixture()
{
    destroy();
}

void AppFixture::destroy()
{
    delete mainWindow;
    mainWindow = nullptr;
    delete dm;
    dm = nullptr;
    forms() = Forms();
    LoginDone = false;
    qApp->setStyleSheet(QString());
}

void AppFixture::create()
{
    dm = createApplicationWindows();
    mainWindow = forms().FrmMian;
}

void AppFixture::start(const QString &name, const QString &password)
{
    create();
    mainWindow->show();
    platform.onDialog(QStringLiteral("FrmLog"), [name, password](QDialog *d) {
        auto *log = static_cast<TFrmLog *>(d);
        log->ComboBox1->setEditText(name);
        log->Edit1->setText(password);
        log->BitBtn1->click();
    });
    mainWindow->FormActivate();
    ASSERT_TRUE(LoginDone);
}

void AppFixture::exec(const QString &sql)
{
    (dm ? dm->ADOConnection1 : db->connection())->execute(sql);
}

QString AppFixture::scalar(const QString &sql)
{
    Dataset d(dm ? dm->ADOConnection1 : db->connection());
    d.addSql(sql);
    d.open();
    return d.isEmpty() ? QString() : d.textAt(0, 0);
}
