// Every error box is Chinese; the engine's own words stay on a second line.
#include "platform/errortext.h"
#include "platform/platform.h"
#include "support/scriptedplatform.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ErrorText, EnginesWordsGetAChineseSentenceFirst)
{
    const QList<QPair<QString, QString>> cases = {
        {QStringLiteral("CHECK constraint failed: yhkl_size"), QStringLiteral("输入的内容超过了允许的长度")},
        {QStringLiteral("attempt to write a readonly database"), QStringLiteral("帐本数据文件是只读的")},
        {QStringLiteral("The INSERT INTO statement contains the following unknown field name: 'foo'."),
         QStringLiteral("本程序不认识的字段")},
        {QStringLiteral("database is locked"), QStringLiteral("正被另一个程序使用")},
        {QStringLiteral("file is encrypted or is not a database"), QStringLiteral("口令不符")},
        {QStringLiteral(
             "Row cannot be located for updating. Some values may have been changed since it was last read."),
         QStringLiteral("请重新查询后再试")},
        {QStringLiteral("something nobody foresaw"), QStringLiteral("操作未能完成")},
    };
    for (const auto &[english, chinese] : cases) {
        const QString shown = errorText(english);
        const QStringList lines = shown.split(QLatin1Char('\r'));
        ASSERT_EQ(lines.size(), 2) << shown.toStdString();
        EXPECT_TRUE(lines[0].contains(chinese)) << shown.toStdString();
        EXPECT_TRUE(lines[1].contains(english)) << "the detail is kept: " << shown.toStdString();
    }
    // what is Chinese already stays as it is
    EXPECT_EQ(errorText(QStringLiteral("'abc' 不是有效的日期")), QStringLiteral("'abc' 不是有效的日期"));
}

TEST(ErrorText, TheGeneralErrorBoxShowsIt)
{
    ScriptedPlatform scripted;
    guard([] { throw std::runtime_error("database or disk is full"); });
    guard([] { throw 42; });
    ASSERT_EQ(scripted.errors().size(), 2);
    EXPECT_TRUE(scripted.errors()[0].startsWith(QStringLiteral("磁盘空间已满"))) << scripted.errors()[0].toStdString();
    EXPECT_TRUE(scripted.errors()[0].contains(QStringLiteral("database or disk is full")));
    EXPECT_EQ(scripted.errors()[1], QStringLiteral("发生了未知的错误，操作未能完成。"));
}
