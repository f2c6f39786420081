#pragma once

#include "billfile.h"

#include <QHash>

#include <array>

// Recognising where a bill comes from by the names in its header row, never
// by the position of its columns, and the mapping of columns to meanings.
namespace Bills {

enum class Source {
    Unknown,      // no known layout: the user maps its columns (ColumnMapping)
    Alipay,       // 支付宝 交易明细, the layout used since 2023
    AlipayLegacy, // 支付宝 交易记录明细 of earlier years (交易号, 交易创建时间, 金额（元）…)
    WeChat,       // 微信支付账单明细, as CSV or as workbook
    CmbDebit,     // 招商银行 debit card statement
    IcbcDebit,    // 工商银行 debit card statement
    Mapped        // a layout whose columns the user mapped
};

// The Chinese name of a source ("支付宝", "微信支付", "招商银行借记卡", …).
QString sourceName(Source source);

// The meanings a column can have.
enum class Field {
    Date,            // date, or date and time
    Time,            // time of day, when a layout keeps it apart from the date
    Amount,          // one amount: with the Direction column unsigned, else signed
    Income,          // the amount received, when income and expense have columns of their own
    Expense,         // the amount paid out
    Direction,       // 收/支: 收入, 支出, or neither (不计收支, "/")
    Counterparty,    // 交易对方, 对方户名, …
    Description,     // goods or description: 商品说明, 商品, 交易场所, …
    Category,        // the layout's own type: 交易分类, 交易类型, 摘要, …
    Method,          // payment method: 收/付款方式, 支付方式
    Status,          // 交易状态, 当前状态
    TransactionNo,   // the service's or bank's transaction number
    MerchantOrderNo, // the merchant's order number
    Remark,          // 备注 and the like
    Currency,        // 货币, 记账币种
    Fee,             // a service fee (older 支付宝 layout)
    Refunded         // the amount already refunded (older 支付宝 layout)
};
constexpr int FieldCount = int(Field::Refunded) + 1;

// The Chinese name of a field, for the dialog that maps columns.
QString fieldName(Field field);

// Which header names hold which fields. A user's mapping of an unknown
// layout names at least the date column and either one signed amount
// column or an income and an expense column (or one of them).
struct ColumnMapping
{
    std::array<QString, FieldCount> columns; // header names as written; empty for none
    bool positiveIsExpense = false;          // a signed Amount column counts spending as positive (credit cards)

    QString column(Field field) const { return columns[size_t(field)]; }
    void setColumn(Field field, const QString &name) { columns[size_t(field)] = name; }

    // Whether the mapping can turn rows into bill rows: a date column, and
    // one signed amount column or income and expense columns, not both
    // kinds. *why (when given) says what is missing, in Chinese.
    bool isUsable(QString *why = nullptr) const;

    // The mapping as a short text to store (compact JSON of the columns
    // named), read back by fromText.
    QString toText() const;
    // Reads text written by toText into *mapping. Returns false, with *why
    // (when given) in Chinese and *mapping unchanged, for text that is not
    // such a mapping or not a usable one. Names it does not know are left
    // aside, so that mappings written by later versions still read.
    static bool fromText(const QString &text, ColumnMapping *mapping, QString *why = nullptr);

    bool operator==(const ColumnMapping &other) const
    {
        return columns == other.columns && positiveIsExpense == other.positiveIsExpense;
    }
    bool operator!=(const ColumnMapping &other) const { return !(*this == other); }
};

// What a Document is: its source, which sheet and row hold the header and
// which column holds each field.
struct Recognition
{
    Source source = Source::Unknown;
    int sheet = -1;                      // index in Document::sheets
    int headerRow = -1;                  // index in Sheet::rows; for Unknown the row that looks most like a header
    QString layoutKey;                   // of the header row: how the caller remembers a mapping for it
    ColumnMapping mapping;               // the header names of the fields found
    std::array<int, FieldCount> columns; // per field its index in the rows, -1 for none

    Recognition() { columns.fill(-1); }
    int column(Field field) const { return columns[size_t(field)]; }
    bool isKnown() const { return source != Source::Unknown; }
};

// A header name compared without regard to width (full-width brackets and
// letters as ASCII) and to blanks inside it.
QString normalisedName(QStringView name);

// A short key (16 hexadecimal digits) of a header row that depends only on
// the set of its names as normalisedName gives them: not on their order,
// blanks, width, repetitions or empty cells. The same bank layout gives the
// same key in every export; a layout that adds or renames a column gives
// another.
QString layoutKey(const QStringList &header);

// Recognises the first sheet of document whose header (its first row, among
// the first 200, that holds every name a built-in layout requires, or whose
// layoutKey is a key of mappings) is known; built-in layouts before mappings.
// When no sheet is known, gives Source::Unknown with the first sheet that
// has rows, the row guessHeaderRow() takes for its header and that row's
// layoutKey, so that the caller can let the user map its columns.
Recognition recognise(const Document &document, const QHash<QString, ColumnMapping> &mappings = {});

// The row among the first 200 of sheet that looks most like a header: the
// first of at least three cells with text, most of them without digits,
// nearly as wide as the widest row. 0 when none does; -1 for an empty sheet.
int guessHeaderRow(const Sheet &sheet);

// Applies mapping to the header row headerRow of sheets[sheet] of document:
// fills *recognition as Source::Mapped. Returns false, with *why in
// Chinese, when the mapping is not usable or names a column the header
// does not have.
bool applyMapping(const Document &document, int sheet, int headerRow, const ColumnMapping &mapping,
                  Recognition *recognition, QString *why);

} // namespace Bills
