#pragma once

#include "billrows.h"

// What the ledger should do with each row of a bill, by the rules of its
// source.
namespace Bills::Classification {

// Sets row's verdict, counted, reason, channel, fee (微信 零钱提现) and the
// numbers of a refund's original from its other fields. row must have a
// date and an amount (not Verdict::Invalid).
void classify(Source source, BillRow *row);

// Links each refund of rows to its original in rows (see billRows for how)
// and leaves a refund whose original is Closed uncounted.
void linkRefunds(Source source, QList<BillRow> *rows);

} // namespace Bills::Classification
