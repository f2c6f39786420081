// The text pool of the dataset's columns.
#include "data/columnstore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string textOf(std::size_t length, char fill)
{
    std::string text(length, fill);
    if (length > 0)
        text.back() = char('A' + length % 26); // texts of one length and fill differ from others'
    return text;
}

} // namespace

TEST(StringPool, HoldsEveryTextWhateverItsLengthAndKeepsOneIdPerText)
{
    StringPool pool;
    // lengths about the blocks' sizes, and beyond the largest
    const std::vector<std::size_t> lengths = {0,    1,     7,     1000,  1023,  1024,  1025,  2047, 3000, 4096,
                                              8191, 16383, 16384, 16385, 40000, 65536, 70000, 3,    900,  12000};
    std::vector<std::uint32_t> ids;
    std::vector<std::string> texts;
    for (int round = 0; round < 3; ++round) {
        for (std::size_t length : lengths) {
            texts.push_back(textOf(length, char('a' + round)));
            ids.push_back(pool.intern(texts.back().data(), texts.back().size()));
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(pool.view(ids[i]), texts[i]) << "text " << i;
        EXPECT_EQ(pool.find(texts[i].data(), texts[i].size()), texts[i].empty() ? pool.find("", 0) : ids[i]);
        // the same text again is the same id
        EXPECT_EQ(pool.intern(texts[i].data(), texts[i].size()), ids[i]);
    }
    EXPECT_EQ(pool.find("absent", 6), 0u);
    EXPECT_TRUE(pool.string(0).isNull()); // id 0 is Null
}

TEST(StringPool, AShortListHoldsLittleAndALongOneFewBlocks)
{
    StringPool few;
    for (int i = 0; i < 100; ++i) {
        const std::string text = "餐饮" + std::to_string(i % 12);
        few.intern(text.data(), text.size());
    }
    EXPECT_LT(few.bytes(), std::size_t(8 * 1024));

    StringPool many;
    std::size_t stored = 0;
    for (int i = 0; i < 200000; ++i) {
        const std::string text = "备注 " + std::to_string(i);
        many.intern(text.data(), text.size());
        stored += text.size();
    }
    // the texts in their blocks (the last one partly filled), the entries
    // and the hash slots as their vectors grew
    const std::size_t entries = 2 * many.count() * 16;
    const std::size_t hashSlots = 4 * many.count() * 4;
    EXPECT_LT(many.bytes(), stored + 64 * 1024 + entries + hashSlots);
    // an emptied pool gives its memory back
    many.clear();
    EXPECT_EQ(many.count(), 1u);
    EXPECT_LT(many.bytes(), std::size_t(1024));
}
