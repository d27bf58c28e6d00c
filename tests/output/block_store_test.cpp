#include "output/block_store.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace parvane;

TEST(BlockStore, ValuesStayWhereTheyWereAcrossBlocks) {
    TBlockList<int, 4> list; // tiny blocks: every edge is crossed many times
    EXPECT_TRUE(list.empty());
    std::vector<const int*> places;
    for (int i = 0; i < 103; ++i) {
        list.push_back(i * 7);
        places.push_back(&list[list.size() - 1]);
    }
    ASSERT_EQ(list.size(), 103u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i], static_cast<int>(i) * 7) << i;
        EXPECT_EQ(&list[i], places[i]) << i << " moved";
    }
    list[50] = -1;
    EXPECT_EQ(list[50], -1);
    EXPECT_EQ(list[51], 51 * 7);
}

TEST(BlockStore, TextsAreFoundAgainWhereverTheyFell) {
    TTextBlocks texts;
    std::vector<std::pair<std::uint64_t, std::string>> kept;
    // Texts of every length up to past a block, an empty one, and enough of them to fill
    // several blocks: a text that does not fit starts the next block whole.
    const std::string big(TTextBlocks::kBlock + 10, 'x');
    kept.emplace_back(texts.Keep(""), "");
    for (int i = 0; kept.size() < 40000; ++i) {
        std::string text = std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'a' + i % 26);
        kept.emplace_back(texts.Keep(text), text);
        if (i == 7000)
            kept.emplace_back(texts.Keep(big), big);
    }
    for (const auto& [at, text] : kept)
        ASSERT_EQ(texts.Text(at, text.size()), text);
    EXPECT_GT(kept.back().first >> 32, 2u); // several blocks were used
}
