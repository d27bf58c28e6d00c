#include "model/natural_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace parvane;

TEST(NameOrder, IgnoresCaseAndComparesDigitRunsByValue) {
    std::vector<std::string> names{"page10", "Zeta", "page1", "Beta", "alpha", "page2"};
    SortNames(names);
    EXPECT_EQ(names,
              (std::vector<std::string>{"alpha", "Beta", "page1", "page2", "page10", "Zeta"}));
}

TEST(NameOrder, IsTotalAndTheSameWhateverTheStartingOrder) {
    // Names that fold or count alike still get one fixed place each.
    const std::vector<std::string> names{
        "-x", "007.htm", "7.htm", "a", "A1", "a1", "a01b", "a1b", "a2", "a10", "a10a",
        "a10B", "a10b", "a100", "b.htm", "b0", "b", "\xC3\x9C" "ber", "\xC3\xBC" "ber",
        "99999999999999999999998", "99999999999999999999999"};
    // The two 20-digit names are larger than any number a machine word holds.
    std::vector<std::string> shuffled = names;
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        std::vector<std::string> sorted = shuffled;
        SortNames(sorted);
        ASSERT_EQ(sorted, (std::vector<std::string>{
                              "-x", "007.htm", "7.htm", "99999999999999999999998",
                              "99999999999999999999999", "a", "A1", "a1", "a01b", "a1b", "a2",
                              "a10", "a10a", "a10B", "a10b", "a100", "b", "b.htm", "b0",
                              "\xC3\x9C" "ber", "\xC3\xBC" "ber"}))
            << "round " << round;
    }
}

TEST(NameOrder, CompareNamesIsZeroOnlyForTheSameName) {
    EXPECT_EQ(CompareNames("Page2", "Page2"), 0);
    EXPECT_LT(CompareNames("page2", "Page10"), 0);
    EXPECT_GT(CompareNames("Page10", "page2"), 0);
    EXPECT_NE(CompareNames("A", "a"), 0);
    EXPECT_EQ(CompareNames("A", "a"), -CompareNames("a", "A"));
    EXPECT_NE(CompareNames("a01", "a1"), 0);
    EXPECT_EQ(CompareNames("a01", "a1"), -CompareNames("a1", "a01"));
}
