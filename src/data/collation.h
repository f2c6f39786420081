#pragma once

#include "columnstore.h"

#include <cstdint>
#include <vector>

// The program's order of texts: Chinese, with runs of digits compared by
// their value — the order of QCollator for zh_CN in numeric mode, made from
// the same collation tables of ICU, without a QString or QByteArray per text.
namespace Collation {

// The rank of each text of the pool by id: rank[a] < rank[b] when text a
// sorts before text b, and Null (id 0) before every text. Texts that the
// order finds equal are ranked by their bytes. Sort keys are made once per
// text, on two threads when there are many. Throws DbError when ICU cannot
// open its Chinese collation.
std::vector<std::uint32_t> ranks(const StringPool &pool);

} // namespace Collation
