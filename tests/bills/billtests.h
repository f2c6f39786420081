#pragma once

// What the tests of the bill reader share: the fixture files beside the
// project, files written into a temporary folder, archives made with libzip.

#include "bills/billfile.h"
#include "bills/billrows.h"
#include "support/printers.h"

#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <zip.h>

#include <gtest/gtest.h>

// Failed comparisons print the names of verdicts, sources and statuses.
namespace Bills {
inline void PrintTo(Verdict verdict, std::ostream *os)
{
    *os << verdictName(verdict).toStdString();
}
inline void PrintTo(Direction direction, std::ostream *os)
{
    *os << directionName(direction).toStdString();
}
inline void PrintTo(Source source, std::ostream *os)
{
    *os << sourceName(source).toStdString();
}
inline void PrintTo(ReadStatus status, std::ostream *os)
{
    const char *const names[] = {"Ok", "NeedsPassword", "WrongPassword", "Failed"};
    *os << names[int(status)];
}
} // namespace Bills

namespace BillTests {

// A bill file of the shared test data.
inline QString fixture(const char *name)
{
    return QStringLiteral(DOZ_FIXTURES "/bills/") + QLatin1String(name);
}

inline bool haveFixtures()
{
    return QFileInfo::exists(fixture("alipay-2023.csv"));
}

inline QByteArray gbk(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QString write(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

struct Member
{
    QString name;
    QByteArray content;
};

// A zip archive of members, each encrypted with password by method when a
// password is given; written at path.
inline bool makeZip(const QString &path, const QList<Member> &members, const char *password = nullptr,
                    zip_uint16_t method = ZIP_EM_AES_256)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    for (const Member &m : members) {
        zip_source_t *source = zip_source_buffer(archive, m.content.constData(), zip_uint64_t(m.content.size()), 0);
        const zip_int64_t index = zip_file_add(archive, m.name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        if (password && zip_file_set_encryption(archive, zip_uint64_t(index), method, password) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0; // the buffers are read here, so they must live until now
}

// A bill in the older 支付宝 layout, as its exports were written: GBK,
// notes before the header, cells padded with blanks, notes after the table.
inline QByteArray olderAlipayBill()
{
    return gbk(QStringLiteral(
        "支付宝交易记录明细查询\r\n"
        "账号:[xxx@example.com]\r\n"
        "起始日期:[2018-01-01 00:00:00]    终止日期:[2018-02-01 00:00:00]\r\n"
        "---------------------------------交易记录明细列表------------------------------------\r\n"
        "交易号                  ,商户订单号               ,交易创建时间              ,付款时间                ,"
        "最近修改时间              ,交易来源地     ,类型              ,交易对方            ,商品名称                ,"
        "金额（元）   ,收/支     ,交易状态    ,服务费（元）   ,成功退款（元）  ,备注                  ,资金状态     "
        ",\r\n"
        "2018012821001004010012345678\t,T200P1234\t,2018-01-28 12:00:01 ,2018-01-28 12:00:05 ,2018-01-28 12:00:05 ,"
        "其他（包括阿里巴巴和外部商家）,即时到账交易 ,某面馆 ,午饭 ,25.50 ,支出 ,交易成功 ,0.00 ,0.00 , ,已支出 ,\r\n"
        "2018012721001004010012345679\t, ,2018-01-27 09:00:00 ,2018-01-27 09:00:00 ,2018-01-27 09:00:00 ,"
        "支付宝网站 ,转账 ,张三 ,还钱 ,100.00 ,收入 ,交易成功 ,0.00 ,0.00 , ,已收入 ,\r\n"
        "20180126200040011100010012345680\t, ,2018-01-26 08:00:00 , ,2018-01-26 08:00:00 ,"
        "支付宝网站 ,其他 ,余额宝 ,余额宝-单次转入 ,500.00 , ,交易成功 ,0.00 ,0.00 , ,资金转移 ,\r\n"
        "2018012521001004010012345681\t,T200P1235\t,2018-01-25 20:00:00 ,2018-01-25 20:00:02 ,2018-01-26 10:00:00 ,"
        "淘宝 ,支付宝担保交易 ,某网店 ,衣服 ,80.00 ,支出 ,交易关闭 ,0.00 ,80.00 , ,已支出 ,\r\n"
        "2018012421001004010012345682\t,T200P1236\t,2018-01-24 20:00:00 ,2018-01-24 20:00:02 ,2018-01-29 10:00:00 ,"
        "淘宝 ,支付宝担保交易 ,某网店 ,鞋两双 ,60.00 ,支出 ,交易成功 ,0.00 ,20.00 , ,已支出 ,\r\n"
        "2018012321001004010012345683\t, ,2018-01-23 10:00:00 ,2018-01-23 10:00:00 ,2018-01-23 10:00:00 ,"
        "支付宝网站 ,即时到账交易 ,某客户 ,货款 ,200.00 ,收入 ,交易成功 ,1.20 ,0.00 , ,已收入 ,\r\n"
        "------------------------------------------------------------------------------------\r\n"
        "共6笔记录\r\n"
        "已收入:2笔,300.00元\r\n"
        "待收入:0笔,0.00元\r\n"
        "导出时间:[2018-02-01 10:00:00]    用户:xxx@example.com\r\n"));
}

// The sum in cents of the rows of table with verdict.
inline qint64 sumOf(const Bills::BillTable &table, Bills::Verdict verdict)
{
    qint64 sum = 0;
    for (const Bills::BillRow &row : table.rows) {
        if (row.verdict == verdict)
            sum += row.amountCents;
    }
    return sum;
}

inline int countOf(const Bills::BillTable &table, Bills::Verdict verdict)
{
    int n = 0;
    for (const Bills::BillRow &row : table.rows)
        n += row.verdict == verdict ? 1 : 0;
    return n;
}

// The document of path (failing the test when it does not read) and its
// bill rows.
inline Bills::BillTable billsOf(const QString &path, Bills::Source expected)
{
    const Bills::ReadResult read = Bills::readFile(path);
    EXPECT_TRUE(read.ok()) << read.error.toStdString();
    const Bills::Recognition recognition = Bills::recognise(read.document);
    EXPECT_EQ(recognition.source, expected) << Bills::sourceName(recognition.source).toStdString();
    return Bills::billRows(read.document, recognition);
}

} // namespace BillTests
