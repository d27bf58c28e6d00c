// Both keyword indexes nest their entries by one rule: the HTML Help index (.hhk) and the
// Web Help index list must open and close the same lists around the same names.

#include "chm_test_support.h"
#include "output/contents.h"
#include "output/keyword_index.h"

#include <gtest/gtest.h>
#include <random>

namespace parvane {
namespace {

using chmtest::TTestProject;

struct TIndexFixture : ::testing::Test {
    TTestProject project;
    TContents contents{*project.Pvx};

    void Add(const std::string& title, const std::string& keywords) {
        auto item = std::make_unique<TContentsItem>();
        item->Position = static_cast<int>(contents.Items.size());
        item->Level = 1;
        item->Title = title;
        item->Url = title + ".htm";
        item->Keywords = keywords;
        item->Status = tsLinked;
        item->HasContent = true;
        contents.Items.push_back(std::move(item));
    }
};

// The text between `open` at pos and the next `close`.
std::string Between(const std::string& text, std::size_t pos, const std::string& open,
                    const std::string& close) {
    const std::size_t start = text.find(open, pos);
    if (start == std::string::npos)
        return "?";
    const std::size_t end = text.find(close, start + open.size());
    return text.substr(start + open.size(), end - start - open.size());
}

// The shape of an index: "(" and ")" for lists opened and closed, a name for each entry
// or parent, in document order.
std::vector<std::string> Shape(const std::string& text, bool hhk) {
    struct Marker {
        std::string text;
        bool isName;
    };
    const std::vector<Marker> markers =
        hhk ? std::vector<Marker>{{"<UL>", false},
                                  {"</UL>", false},
                                  {"<LI><OBJECT type=\"text/sitemap\">", true},
                                  {"<LI> <OBJECT type=\"text/sitemap\">", true}}
            : std::vector<Marker>{{"<UL>", false},
                                  {"</UL>", false},
                                  {"<LI><a href=", true},
                                  {"<LI>", true}};
    std::vector<std::string> shape;
    for (std::size_t pos = 0; pos < text.size();) {
        bool matched = false;
        for (const Marker& m : markers) {
            if (text.compare(pos, m.text.size(), m.text) != 0)
                continue;
            if (!m.isName)
                shape.push_back(m.text == "<UL>" ? "(" : ")");
            else if (hhk)
                shape.push_back(Between(text, pos, "<param name=\"Name\" value=\"", "\""));
            else if (m.text == "<LI>")
                shape.push_back(Between(text, pos, "<LI>", "</LI>"));
            else
                shape.push_back(Between(text, pos, "]);\">", "</a></li>"));
            pos += m.text.size();
            matched = true;
            break;
        }
        if (!matched)
            ++pos;
    }
    return shape;
}

// Lists are never closed before they are opened, and all are closed at the end.
bool Balanced(const std::vector<std::string>& shape) {
    int depth = 0;
    for (const std::string& s : shape) {
        depth += s == "(" ? 1 : s == ")" ? -1 : 0;
        if (depth < 0)
            return false;
    }
    return depth == 0;
}

TEST_F(TIndexFixture, AKeywordTwoLevelsDeeperNestsInsideThePreviousOne) {
    Add("a", "x");
    Add("b", "x/y/z");
    const std::vector<std::string> expected = {"(", "x", "(", "y", "(", "z", ")", ")", ")"};
    EXPECT_EQ(Shape(contents.BuildSitemapIndex(), true), expected) << contents.BuildSitemapIndex();
    EXPECT_EQ(Shape(contents.BuildIndexList(), false), expected) << contents.BuildIndexList();

    // Three levels deeper, then back to the top.
    contents.Items.clear();
    Add("a", "p");
    Add("b", "p/q/r/s");
    Add("c", "t");
    EXPECT_EQ(Shape(contents.BuildSitemapIndex(), true),
              (std::vector<std::string>{"(", "p", "(", "q", "(", "r", "(", "s", ")", ")", ")",
                                        "t", ")"}));
}

TEST(KeywordTransition, DescribesEveryStepBetweenTwoKeywords) {
    using V = std::vector<std::string>;
    auto t = KeywordTransition({}, {"a", "b", "c"}); // first keyword: two parents to open
    EXPECT_EQ(t.Close, 0u);
    EXPECT_FALSE(t.NestInPrevious);
    EXPECT_EQ(t.FirstParent, 0u);
    EXPECT_EQ(t.ParentEnd, 2u);
    t = KeywordTransition(V{"x"}, V{"x", "y"}); // one level deeper: nest, no parent
    EXPECT_TRUE(t.NestInPrevious);
    EXPECT_EQ(t.ParentEnd - t.FirstParent, 0u);
    t = KeywordTransition(V{"x", "y", "z"}, V{"x", "w"}); // close z's list under y
    EXPECT_EQ(t.Close, 1u);
    EXPECT_FALSE(t.NestInPrevious);
    EXPECT_EQ(t.ParentEnd - t.FirstParent, 0u);
    t = KeywordTransition(V{"x", "y"}, V{"x", "y"}); // the same keyword again
    EXPECT_EQ(t.Close, 0u);
    EXPECT_FALSE(t.NestInPrevious);
    EXPECT_EQ(t.ParentEnd - t.FirstParent, 0u);
    t = KeywordTransition(V{"x", "y", "z"}, {}); // the end: every list of z's path closes
    EXPECT_EQ(t.Close, 2u);
}

TEST_F(TIndexFixture, BothIndexesHaveTheSameBalancedShapeForAnyKeywords) {
    // Lower-case letters and "/" only, where both indexes sort alike.
    std::mt19937 random(20261206);
    const char* const parts[] = {"a", "b", "ab", "c", "ba"};
    for (int round = 0; round < 200; ++round) {
        contents.Items.clear();
        const int topics = 1 + static_cast<int>(random() % 6);
        for (int t = 0; t < topics; ++t) {
            std::string keywords;
            const int count = 1 + static_cast<int>(random() % 3);
            for (int k = 0; k < count; ++k) {
                std::string keyword = parts[random() % 5];
                const int depth = static_cast<int>(random() % 5);
                for (int d = 0; d < depth; ++d)
                    keyword += std::string("/") + parts[random() % 5];
                keywords += keyword + "\r\n";
            }
            Add("t" + std::to_string(t), keywords);
        }
        const std::string hhk = contents.BuildSitemapIndex();
        const std::string web = contents.BuildIndexList();
        const std::vector<std::string> hhkShape = Shape(hhk, true);
        ASSERT_TRUE(Balanced(hhkShape)) << hhk;
        ASSERT_EQ(hhkShape, Shape(web, false)) << hhk << "\n---\n" << web;
    }
}

} // namespace
} // namespace parvane
