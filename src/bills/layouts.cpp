#include "layouts.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace Bills {
namespace {

// Rows searched for a header: the notes before it are never this long.
constexpr int HeaderSearchRows = 200;

struct FieldNames
{
    Field field;
    QStringList names; // any of them, as normalisedName gives them
    bool required;
};

struct Layout
{
    Source source;
    QList<FieldNames> fields;
};

const char *const FieldKeys[FieldCount]
    = {"date",        "time",     "amount",  "income", "expense",       "direction",       "counterparty",
       "description", "category", "method",  "status", "transactionNo", "merchantOrderNo", "remark",
       "currency",    "fee",      "refunded"};

const QList<Layout> &layouts()
{
    static const QList<Layout> all = [] {
        auto f = [](Field field, std::initializer_list<const char16_t *> names, bool required) {
            FieldNames n{field, {}, required};
            for (const char16_t *name : names)
                n.names.append(normalisedName(QStringView(name)));
            return n;
        };
        QList<Layout> l;
        l.append(
            {Source::Alipay,
             {f(Field::Date, {u"交易时间"}, true), f(Field::Category, {u"交易分类"}, true),
              f(Field::Counterparty, {u"交易对方"}, true), f(Field::Description, {u"商品说明"}, true),
              f(Field::Direction, {u"收/支"}, true), f(Field::Amount, {u"金额"}, true),
              f(Field::Method, {u"收/付款方式"}, false), f(Field::Status, {u"交易状态"}, true),
              f(Field::TransactionNo, {u"交易订单号"}, true),
              f(Field::MerchantOrderNo, {u"商家订单号", u"商户订单号"}, false), f(Field::Remark, {u"备注"}, false)}});
        l.append({Source::AlipayLegacy,
                  {f(Field::TransactionNo, {u"交易号"}, true),
                   f(Field::MerchantOrderNo, {u"商家订单号", u"商户订单号"}, false),
                   f(Field::Date, {u"交易创建时间"}, true), f(Field::Category, {u"类型"}, false),
                   f(Field::Counterparty, {u"交易对方"}, true), f(Field::Description, {u"商品名称"}, true),
                   f(Field::Amount, {u"金额（元）"}, true), f(Field::Direction, {u"收/支"}, true),
                   f(Field::Status, {u"交易状态"}, true), f(Field::Fee, {u"服务费（元）"}, false),
                   f(Field::Refunded, {u"成功退款（元）"}, false), f(Field::Remark, {u"备注"}, false)}});
        l.append({Source::WeChat,
                  {f(Field::Date, {u"交易时间"}, true), f(Field::Category, {u"交易类型"}, true),
                   f(Field::Counterparty, {u"交易对方"}, true), f(Field::Description, {u"商品"}, true),
                   f(Field::Direction, {u"收/支"}, true), f(Field::Amount, {u"金额(元)"}, true),
                   f(Field::Method, {u"支付方式"}, false), f(Field::Status, {u"当前状态"}, true),
                   f(Field::TransactionNo, {u"交易单号"}, true), f(Field::MerchantOrderNo, {u"商户单号"}, false),
                   f(Field::Remark, {u"备注"}, false)}});
        l.append({Source::CmbDebit,
                  {f(Field::Date, {u"记账日期"}, true), f(Field::Currency, {u"货币"}, false),
                   f(Field::Amount, {u"交易金额"}, true), f(Field::Category, {u"交易摘要"}, true),
                   f(Field::Counterparty, {u"对手信息"}, true), f(Field::Description, {u"客户摘要"}, false)}});
        l.append({Source::IcbcDebit,
                  {f(Field::Date, {u"交易日期"}, true), f(Field::Category, {u"摘要"}, true),
                   f(Field::Remark, {u"交易详情"}, false), f(Field::Description, {u"交易场所"}, false),
                   f(Field::Income, {u"记账金额(收入)"}, true), f(Field::Expense, {u"记账金额(支出)"}, true),
                   f(Field::Currency, {u"记账币种"}, false), f(Field::Counterparty, {u"对方户名"}, true)}});
        return l;
    }();
    return all;
}

// Per normalised name, the first column that has it.
QHash<QString, int> columnsByName(const QStringList &row)
{
    QHash<QString, int> names;
    for (int i = 0; i < row.size(); ++i) {
        if (row.at(i).isEmpty())
            continue;
        const QString name = normalisedName(row.at(i));
        if (!names.contains(name))
            names.insert(name, i);
    }
    return names;
}

// The built-in layout whose required names row holds (the one matching
// most names when several do), filled into *recognition.
bool matchBuiltIn(const QStringList &row, Recognition *recognition)
{
    const QHash<QString, int> names = columnsByName(row);
    int bestScore = 0;
    for (const Layout &layout : layouts()) {
        Recognition candidate;
        int score = 0;
        bool complete = true;
        for (const FieldNames &field : layout.fields) {
            int index = -1;
            for (const QString &name : field.names) {
                index = names.value(name, -1);
                if (index >= 0)
                    break;
            }
            if (index < 0) {
                complete = complete && !field.required;
                continue;
            }
            candidate.columns[size_t(field.field)] = index;
            candidate.mapping.setColumn(field.field, row.at(index));
            ++score;
        }
        if (complete && score > bestScore) {
            bestScore = score;
            candidate.source = layout.source;
            *recognition = candidate;
        }
    }
    return bestScore > 0;
}

bool resolve(const QStringList &row, const ColumnMapping &mapping, Recognition *recognition, QString *why)
{
    if (!mapping.isUsable(why))
        return false;
    const QHash<QString, int> names = columnsByName(row);
    Recognition r;
    for (int f = 0; f < FieldCount; ++f) {
        const QString &name = mapping.columns[size_t(f)];
        if (name.isEmpty())
            continue;
        const int index = names.value(normalisedName(name), -1);
        if (index < 0) {
            if (why)
                *why = QStringLiteral("表头里没有“%1”列").arg(name);
            return false;
        }
        r.columns[size_t(f)] = index;
    }
    r.mapping = mapping;
    r.source = Source::Mapped;
    *recognition = r;
    return true;
}

bool hasDigit(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isDigit(); });
}

} // namespace

QString sourceName(Source source)
{
    switch (source) {
    case Source::Unknown:
        return QStringLiteral("未知格式");
    case Source::Alipay:
        return QStringLiteral("支付宝");
    case Source::AlipayLegacy:
        return QStringLiteral("支付宝（旧版账单）");
    case Source::WeChat:
        return QStringLiteral("微信支付");
    case Source::CmbDebit:
        return QStringLiteral("招商银行借记卡");
    case Source::IcbcDebit:
        return QStringLiteral("工商银行借记卡");
    case Source::Mapped:
        return QStringLiteral("自定义格式");
    }
    return QString();
}

QString fieldName(Field field)
{
    static const char16_t *const names[FieldCount]
        = {u"日期",     u"时间",     u"金额",   u"收入金额",   u"支出金额", u"收/支", u"交易对方", u"说明",  u"类别",
           u"支付方式", u"交易状态", u"交易号", u"商户订单号", u"备注",     u"币种",  u"服务费",   u"已退款"};
    return QString::fromUtf16(names[int(field)]);
}

bool ColumnMapping::isUsable(QString *why) const
{
    auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (column(Field::Date).isEmpty())
        return fail(QStringLiteral("没有选择日期列"));
    const bool signedAmount = !column(Field::Amount).isEmpty();
    const bool separate = !column(Field::Income).isEmpty() || !column(Field::Expense).isEmpty();
    if (signedAmount && separate)
        return fail(QStringLiteral("金额列只能选一种：一列带正负号的金额，或者收入、支出各一列"));
    if (!signedAmount && !separate)
        return fail(QStringLiteral("没有选择金额列"));
    return true;
}

QString ColumnMapping::toText() const
{
    QJsonObject o;
    o.insert(QStringLiteral("v"), 1);
    for (int f = 0; f < FieldCount; ++f) {
        if (!columns[size_t(f)].isEmpty())
            o.insert(QLatin1String(FieldKeys[f]), columns[size_t(f)]);
    }
    if (positiveIsExpense)
        o.insert(QStringLiteral("positiveIsExpense"), true);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

bool ColumnMapping::fromText(const QString &text, ColumnMapping *mapping, QString *why)
{
    const QString unreadable = QStringLiteral("保存的列对应关系无法读取");
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        if (why)
            *why = unreadable;
        return false;
    }
    const QJsonObject o = document.object();
    ColumnMapping m;
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        if (it.key() == u"v") {
            if (it.value().toInt() != 1) {
                if (why)
                    *why = unreadable;
                return false;
            }
        } else if (it.key() == u"positiveIsExpense") {
            m.positiveIsExpense = it.value().toBool();
        } else {
            for (int f = 0; f < FieldCount; ++f) {
                if (it.key() != QLatin1String(FieldKeys[f]))
                    continue;
                if (!it.value().isString()) {
                    if (why)
                        *why = unreadable;
                    return false;
                }
                m.columns[size_t(f)] = it.value().toString();
            }
        }
    }
    if (!m.isUsable(why))
        return false;
    *mapping = m;
    return true;
}

QString normalisedName(QStringView name)
{
    QString n = name.toString().normalized(QString::NormalizationForm_KC);
    n.removeIf([](QChar c) { return c.isSpace(); });
    return n;
}

QString layoutKey(const QStringList &header)
{
    QStringList names;
    for (const QString &cell : header) {
        const QString n = normalisedName(cell);
        if (!n.isEmpty())
            names.append(n);
    }
    names.sort();
    names.removeDuplicates();
    const QByteArray hash
        = QCryptographicHash::hash(names.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha1).toHex();
    return QString::fromLatin1(hash.left(16));
}

int guessHeaderRow(const Sheet &sheet)
{
    if (sheet.rows.isEmpty())
        return -1;
    const int searched = std::min<int>(HeaderSearchRows, int(sheet.rows.size()));
    auto filled = [&](int r) {
        return int(std::count_if(sheet.rows.at(r).cbegin(), sheet.rows.at(r).cend(),
                                 [](const QString &c) { return !c.isEmpty(); }));
    };
    int widest = 0;
    for (int r = 0; r < searched; ++r)
        widest = std::max(widest, filled(r));
    for (int r = 0; r < searched; ++r) {
        const int n = filled(r);
        if (n < 3 || n * 10 < widest * 8)
            continue;
        const auto plain = std::count_if(sheet.rows.at(r).cbegin(), sheet.rows.at(r).cend(),
                                         [](const QString &c) { return !c.isEmpty() && !hasDigit(c); });
        if (plain * 10 >= n * 8)
            return r;
    }
    return 0;
}

Recognition recognise(const Document &document, const QHash<QString, ColumnMapping> &mappings)
{
    for (int s = 0; s < document.sheets.size(); ++s) {
        const Sheet &sheet = document.sheets.at(s);
        const int searched = std::min<int>(HeaderSearchRows, int(sheet.rows.size()));
        for (int r = 0; r < searched; ++r) {
            const QStringList &row = sheet.rows.at(r);
            Recognition recognition;
            bool known = matchBuiltIn(row, &recognition);
            if (!known && !mappings.isEmpty()) {
                const auto it = mappings.constFind(layoutKey(row));
                known = it != mappings.cend() && resolve(row, *it, &recognition, nullptr);
            }
            if (known) {
                recognition.sheet = s;
                recognition.headerRow = r;
                recognition.layoutKey = layoutKey(row);
                return recognition;
            }
        }
    }
    Recognition unknown;
    for (int s = 0; s < document.sheets.size(); ++s) {
        const Sheet &sheet = document.sheets.at(s);
        if (sheet.rows.isEmpty())
            continue;
        unknown.sheet = s;
        unknown.headerRow = guessHeaderRow(sheet);
        unknown.layoutKey = layoutKey(sheet.rows.at(unknown.headerRow));
        break;
    }
    return unknown;
}

bool applyMapping(const Document &document, int sheet, int headerRow, const ColumnMapping &mapping,
                  Recognition *recognition, QString *why)
{
    if (sheet < 0 || sheet >= document.sheets.size() || headerRow < 0
        || headerRow >= document.sheets.at(sheet).rows.size()) {
        if (why)
            *why = QStringLiteral("没有这一行表头");
        return false;
    }
    const QStringList &row = document.sheets.at(sheet).rows.at(headerRow);
    if (!resolve(row, mapping, recognition, why))
        return false;
    recognition->sheet = sheet;
    recognition->headerRow = headerRow;
    recognition->layoutKey = layoutKey(row);
    return true;
}

} // namespace Bills
