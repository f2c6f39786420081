// The test double of the platform fails a test that scripted what never
// happened or left an error box unread, whatever the test remembered to look at.
#include "support/scriptedplatform.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

TEST(ScriptedPlatformChecks, WhatATestLeftUnusedOrUnreadFailsIt)
{
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPlatform p;
            p.showGeneralError(QStringLiteral("出错了"));
        },
        "an error box nobody looked at (general error): 出错了");
    EXPECT_NONFATAL_FAILURE(
        {
            // forgetting what was shown does not read it
            ScriptedPlatform p;
            p.showError(nullptr, QStringLiteral("数据备份失败"), QStringLiteral("提示"));
            p.clearShown();
        },
        "an error box nobody looked at (error): 数据备份失败");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPlatform p;
            p.answer(true);
        },
        "answer(s) to questions never asked");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPlatform p;
            p.onDialog(QStringLiteral("FrmNowhere"), [](QDialog *) {});
        },
        "the dialog FrmNowhere was never shown");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPlatform p;
            p.chooseFile(QStringLiteral("a.qhd"));
        },
        "file dialog choice(s) never used");
    // what a test read passes
    {
        ScriptedPlatform p;
        p.showError(nullptr, QStringLiteral("数据恢复失败"), QStringLiteral("提示"));
        p.showGeneralError(QStringLiteral("出错了"));
        EXPECT_EQ(p.texts(QStringLiteral("error")), QStringList{QStringLiteral("数据恢复失败")});
        EXPECT_EQ(p.errors(), QStringList{QStringLiteral("出错了")});
    }
}
