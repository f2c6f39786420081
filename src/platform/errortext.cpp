#include "errortext.h"

#include <QList>
#include <QRegularExpression>

namespace {

struct Known
{
    const char *pattern; // a case-insensitive regular expression
    const char *summary;
};

// The first pattern that matches wins: the more particular ones first.
const QList<Known> &knownMessages()
{
    static const QList<Known> known = {
        {"CHECK constraint failed: \\w+_size", "输入的内容超过了允许的长度，未能保存。"},
        {"CHECK constraint failed", "输入的数据不符合要求，未能保存。"},
        {"UNIQUE constraint failed", "数据重复，未能保存。"},
        {"NOT NULL constraint failed", "缺少必须填写的数据，未能保存。"},
        {"FOREIGN KEY constraint failed", "数据之间的关联不符，未能保存。"},
        {"readonly database|read-only|attempt to write", "帐本数据文件是只读的，无法写入。"},
        {"database is locked|database table is locked|busy", "帐本数据文件正被另一个程序使用，请稍后再试。"},
        {"database or disk is full|disk full|No space left", "磁盘空间已满，无法写入。"},
        {"disk I/O error", "读写磁盘时出错。"},
        {"file is (encrypted or is )?not a database|Not a valid password",
         "文件不是本程序的帐本数据文件，或者口令不符。"},
        {"malformed|corrupt", "数据文件已损坏。"},
        {"Could not find file|unable to open database file|No such file", "找不到或无法打开文件。"},
        {"Could not create file|Could not replace file", "无法写入文件。"},
        {"already exists", "文件已经存在。"},
        {"Row cannot be located|current record has been deleted|no current record",
         "要修改的记录已不存在或已被改动，请重新查询后再试。"},
        {"unknown field name|no such column|has no column named|Field '.*' not found", "数据中有本程序不认识的字段。"},
        {"no such table|cannot find the input table", "数据文件中缺少所需的数据表。"},
        {"Syntax error in date", "日期的写法有误。"},
        {"syntax error|incomplete input|Invalid SQL|Characters found after|unrecognized token", "查询语句有误。"},
        {"No value given for one or more required parameters", "查询缺少参数。"},
        {"interrupted|cancel", "操作已取消。"},
        {"out of memory|bad_alloc|memory", "内存不足。"},
        {"closed dataset|object is closed|not in edit or insert mode|not allowed", "当前无法进行这项操作。"},
    };
    return known;
}

bool isChinese(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff)
            return true;
    }
    return false;
}

} // namespace

QString errorSummary(const QString &message)
{
    if (isChinese(message))
        return QString();
    for (const Known &k : knownMessages()) {
        const QRegularExpression re(QString::fromUtf8(k.pattern), QRegularExpression::CaseInsensitiveOption);
        if (re.match(message).hasMatch())
            return QString::fromUtf8(k.summary);
    }
    return QStringLiteral("操作未能完成。");
}

QString errorText(const QString &message)
{
    const QString summary = errorSummary(message);
    if (summary.isEmpty())
        return message;
    if (message.trimmed().isEmpty())
        return summary;
    return summary + QLatin1Char('\r') + QStringLiteral("（") + message.trimmed() + QStringLiteral("）");
}
