#pragma once

#include "support/scriptedplatform.h"
#include "support/testdb.h"

#include <gtest/gtest.h>

#include <memory>

class TDM;
class TFrmMian;

// The whole program over a fresh database in a temporary directory: the
// data module and every window created in their order, the platform
// scripted. start() shows the main window and logs in as "管理员" unless a
// test scripts the login itself.
class AppFixture : public ::testing::Test
{
protected:
    AppFixture();
    ~AppFixture() override;

    // Creates the data module and the windows (the main window's creation
    // opens the database).
    void create();
    // Ends what create() made, as the end of the program would.
    void destroy();
    // create(), shows the main window and logs in with name and password.
    void start(const QString &name = QStringLiteral("管理员"), const QString &password = QString());
    // Runs a statement (on the program's connection once it exists).
    void exec(const QString &sql);
    // The first value of sql, read on the program's own connection.
    QString scalar(const QString &sql);

    ScriptedPlatform platform;
    std::unique_ptr<TempDatabase> db;
    TFrmMian *mainWindow = nullptr;
    TDM *dm = nullptr;
};
