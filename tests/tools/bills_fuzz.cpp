// fuzz_bills [--seconds N] [--first SEED] BILL-FILE...
// fuzz_bills --make SEED BILL-FILE OUT   (writes one damaged copy)
// Runs the bill reader on damaged copies of the given bill files (and of an
// encrypted archive made of the first of them) for N seconds (default 60):
// read, recognised, mapped when no layout is known, and turned into rows,
// in this process. A copy is made again from its number, so every finding
// can be repeated. Under AddressSanitizer any report ends the run; a copy on
// which the reader does not finish within ten seconds ends it too, with the
// number of the copy. At the end it counts what the copies got.
#include "bills/billfile.h"
#include "bills/billrows.h"
#include "bills/layouts.h"
#include "support/mutants.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <zip.h>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t currentSeed = 0;

void tooLong(int)
{
    char text[96];
    const int n = std::snprintf(text, sizeof text, "fuzz_bills: copy %ld did not finish in 10 s\n", long(currentSeed));
    if (n > 0)
        (void)!write(2, text, std::size_t(n));
    _exit(2);
}

// What text bills are damaged with besides bits and bytes: the characters
// their syntax is made of, and values at the edges of what a cell holds.
const char *const Tokens[] = {"\"",
                              ",",
                              "\n",
                              "\r",
                              "\t",
                              "\"\"",
                              "¥",
                              "-",
                              "99999999999999999999.99",
                              "1e308",
                              "2023-02-30",
                              "0000-00-00",
                              "PK\x03\x04",
                              "<table>",
                              "<td>",
                              "&#x10FFFF;",
                              "\xef\xbb\xbf",
                              "\xff\xfe",
                              "交易时间",
                              "金额",
                              "收/支",
                              "交易订单号",
                              "微信支付账单明细",
                              "记账日期",
                              "交易金额",
                              "退款",
                              "/",
                              "--",
                              "\x00"};

QByteArray mutate(const QByteArray &original, quint64 seed, QString *what)
{
    Mutants::Random random(seed);
    // binary files (workbooks, archives) get the damage of a paged file
    if (original.startsWith("PK"))
        return Mutants::mutate(original, seed, 512, what);
    QByteArray data = original;
    QStringList done;
    const int steps = 1 + int(random.below(6));
    for (int s = 0; s < steps; ++s) {
        const qint64 at = random.below(data.size() + 1);
        switch (random.below(6)) {
        case 0: { // a token put in
            const char *token = Tokens[random.below(qint64(std::size(Tokens)))];
            data.insert(int(at), token, int(qMax<std::size_t>(1, std::strlen(token))));
            done.append(QStringLiteral("insert %1").arg(at));
            break;
        }
        case 1: { // a token written over
            const char *token = Tokens[random.below(qint64(std::size(Tokens)))];
            const int n = int(qMax<std::size_t>(1, std::strlen(token)));
            if (at + n <= data.size())
                data.replace(int(at), n, token, n);
            done.append(QStringLiteral("over %1").arg(at));
            break;
        }
        case 2: { // a range removed
            const qint64 n = random.below(qMin<qint64>(200, data.size() - at) + 1);
            data.remove(int(at), int(n));
            done.append(QStringLiteral("cut %1+%2").arg(at).arg(n));
            break;
        }
        case 3: { // a range repeated
            const qint64 n = random.below(qMin<qint64>(400, data.size() - at) + 1);
            const QByteArray piece = data.mid(int(at), int(n));
            const int times = 1 + int(random.below(random.below(10) ? 3 : 2000));
            for (int i = 0; i < times; ++i)
                data.insert(int(at), piece);
            done.append(QStringLiteral("repeat %1+%2x%3").arg(at).arg(n).arg(times));
            break;
        }
        case 4: { // bits flipped
            if (at < data.size())
                data[int(at)] = char(data[int(at)] ^ (1 << random.below(8)));
            done.append(QStringLiteral("flip %1").arg(at));
            break;
        }
        default: // cut short
            data.truncate(int(at));
            done.append(QStringLiteral("truncate %1").arg(at));
            break;
        }
    }
    if (what)
        *what = done.join(QStringLiteral(", "));
    return data;
}

// An archive of the bill encrypted with password "246810", as the phone's
// 支付宝 sends it.
QByteArray archiveOf(const QByteArray &bill)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return QByteArray();
    zip_source_t *source = zip_source_buffer(archive, bill.constData(), zip_uint64_t(bill.size()), 0);
    const zip_int64_t index = zip_file_add(archive, "alipay_record.csv", source, ZIP_FL_ENC_UTF_8);
    if (index < 0 || zip_file_set_encryption(archive, zip_uint64_t(index), ZIP_EM_AES_256, "246810") != 0) {
        zip_discard(archive);
        return QByteArray();
    }
    if (zip_close(archive) != 0)
        return QByteArray();
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads data through everything the program does with a bill file; the
// outcome's name.
QString run(const QByteArray &data)
{
    const Bills::ReadResult read = Bills::readData(data, QStringLiteral("246810"));
    if (!read.ok())
        return read.status == Bills::ReadStatus::WrongPassword
                   ? QStringLiteral("wrong password")
                   : QStringLiteral("refused: ")
                         + QString(read.error).remove(QRegularExpression(QStringLiteral("[0-9“”].*"))).left(10);
    Bills::Recognition recognised = Bills::recognise(read.document);
    if (!recognised.isKnown()) {
        if (recognised.sheet < 0 || recognised.headerRow < 0)
            return QStringLiteral("no table");
        // the user maps the first columns as date and amount
        const QStringList header = read.document.sheets.at(recognised.sheet).rows.value(recognised.headerRow);
        Bills::ColumnMapping mapping;
        mapping.setColumn(Bills::Field::Date, header.value(0));
        mapping.setColumn(Bills::Field::Amount, header.value(1));
        QString why;
        if (!Bills::applyMapping(read.document, recognised.sheet, recognised.headerRow, mapping, &recognised, &why))
            return QStringLiteral("unknown layout, not mapped");
    }
    const Bills::BillTable table = Bills::billRows(read.document, recognised);
    int invalid = 0;
    for (const Bills::BillRow &row : table.rows)
        invalid += row.verdict == Bills::Verdict::Invalid ? 1 : 0;
    return invalid ? QStringLiteral("rows, some unreadable") : QStringLiteral("rows");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int seconds = 60;
    quint64 first = 1;
    if (args.value(0) == QLatin1String("--make") && args.size() == 4) {
        QFile in(args[2]);
        QFile out(args[3]);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
            return 1;
        QString what;
        out.write(mutate(in.readAll(), args[1].toULongLong(), &what));
        std::printf("%s\n", qPrintable(what));
        return 0;
    }
    while (args.size() >= 2 && args[0].startsWith(QLatin1String("--"))) {
        if (args[0] == QLatin1String("--seconds"))
            seconds = args[1].toInt();
        else if (args[0] == QLatin1String("--first"))
            first = args[1].toULongLong();
        args = args.mid(2);
    }
    QList<QByteArray> originals;
    for (const QString &name : std::as_const(args)) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "fuzz_bills: cannot read %s\n", qPrintable(name));
            return 1;
        }
        originals.append(file.readAll());
    }
    if (originals.isEmpty()) {
        std::fprintf(stderr, "usage: fuzz_bills [--seconds N] [--first SEED] BILL-FILE...\n");
        return 1;
    }
    const QByteArray archive = archiveOf(originals.first());
    if (!archive.isEmpty())
        originals.append(archive);

    std::signal(SIGALRM, tooLong);
    QMap<QString, int> outcomes;
    QElapsedTimer clock;
    clock.start();
    quint64 seed = first;
    for (; clock.elapsed() < qint64(seconds) * 1000; ++seed) {
        currentSeed = std::sig_atomic_t(seed);
        const QByteArray &original = originals.at(int(seed % quint64(originals.size())));
        alarm(10);
        ++outcomes[run(mutate(original, seed, nullptr))];
        alarm(0);
    }
    std::printf("fuzz_bills: %llu damaged copies (%llu..%llu) in %d s\n", seed - first, first, seed - 1, seconds);
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        std::printf("  %-28s %d\n", qPrintable(it.key()), it.value());
    return 0;
}
