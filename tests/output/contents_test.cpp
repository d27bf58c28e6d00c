#include "../support/test_project.h"
#include "model/string_func.h"
#include "output/contents.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

// Items with only levels set, numbered.
void Numbered(TContents& contents, std::initializer_list<int> levels) {
    contents.Items.clear();
    for (int level : levels) {
        auto item = std::make_unique<TContentsItem>();
        item->Level = level;
        item->Position = static_cast<int>(contents.Items.size());
        contents.Items.push_back(std::move(item));
    }
    contents.NumberItems();
}

std::vector<std::string> Numbers(const TContents& contents) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < contents.Items.size(); ++i)
        out.push_back(contents.ItemNumber(i));
    return out;
}

} // namespace

TEST(Contents, NumbersTopLevelWithDotAndChildrenWithout) {
    TestProject p;
    TContents contents(p.Project());
    Numbered(contents, {1, 2, 2, 1});
    EXPECT_EQ(Numbers(contents), (std::vector<std::string>{"1.", "1.1", "1.2", "2."}));

    Numbered(contents, {1, 2, 3, 3, 2, 1, 2});
    EXPECT_EQ(Numbers(contents),
              (std::vector<std::string>{"1.", "1.1", "1.1.1", "1.1.2", "1.2", "2.", "2.1"}));
}

TEST(Contents, SetsIsLastAndHasChildren) {
    TestProject p;
    TContents contents(p.Project());
    //            0  1  2  3  4  5
    Numbered(contents, {1, 2, 3, 2, 1, 1});
    const auto& it = contents.Items;
    EXPECT_TRUE(it[0]->HasChildren);
    EXPECT_FALSE(it[0]->IsLast) << "a later top-level sibling follows its subtree";
    EXPECT_TRUE(it[1]->HasChildren);
    EXPECT_FALSE(it[1]->IsLast);
    EXPECT_FALSE(it[2]->HasChildren);
    EXPECT_TRUE(it[2]->IsLast) << "the next item is shallower";
    EXPECT_TRUE(it[3]->IsLast);
    EXPECT_FALSE(it[4]->IsLast);
    EXPECT_TRUE(it[5]->IsLast) << "the last item of the list";
    EXPECT_FALSE(it[5]->HasChildren);

    Numbered(contents, {1});
    EXPECT_TRUE(contents.Items[0]->IsLast);
    EXPECT_FALSE(contents.Items[0]->HasChildren);

    Numbered(contents, {1, 2, 3});
    EXPECT_TRUE(contents.Items[0]->IsLast) << "nothing at level 1 after its subtree";
}

TEST(Contents, NumbersAPathologicallyDeepListWithoutTrouble) {
    TestProject p;
    TContents contents(p.Project());
    for (int level = 1; level <= 3000; ++level) {
        auto item = std::make_unique<TContentsItem>();
        item->Level = level;
        contents.Items.push_back(std::move(item));
    }
    contents.NumberItems();
    EXPECT_EQ(contents.ItemNumber(0), "1.");
    EXPECT_EQ(contents.ItemNumber(2), "1.1.1");
    EXPECT_TRUE(contents.Items.back()->IsLast);
}

TEST(Contents, BuildItemsReadsBodiesOfLinkedPagesOnly) {
    TestProject p;
    p.Write("a.htm", Page("A", "line one\r\nline two"));
    p.Write("sub dir/b.htm", Page("B", "<p>b</p>"));
    p.Write("nobody.htm", "<html><head><title>x</title></head>no body tags</html>");
    TTopicNode* a = p.Add("Alpha", "a.htm");
    p.Add("Beta", "sub dir\\b.htm", a);
    p.Add("Unsaved", "", nullptr, tsUnsaved);
    p.Add("Heading", "a.htm", nullptr, tsNoLink);
    p.Add("Missing", "missing.htm");
    p.Add("No body", "nobody.htm");
    p.Tree().AddTopicNode(p.Project().NonContentsRoot(), "Elsewhere", imLastChildOfReference,
                          tsLinked, 0, "a.htm");
    a->Data().Keywords = "k";
    a->Data().ContextNumber = "7";
    a->Data().ApplyTemp = true;

    TContents contents(p.Project());
    contents.BuildItems();
    const auto& it = contents.Items;
    ASSERT_EQ(it.size(), 6u) << "only the table of contents";
    EXPECT_EQ(it[0]->Title, "Alpha");
    EXPECT_EQ(it[0]->Body, "\r\nline one\r\nline two\r\n") << "line breaks kept";
    EXPECT_TRUE(it[0]->HasContent);
    EXPECT_EQ(it[0]->Keywords, "k");
    EXPECT_EQ(it[0]->ContextNumber, "7");
    EXPECT_TRUE(it[0]->ApplyTemp);
    EXPECT_EQ(it[1]->Level, 2);
    EXPECT_EQ(it[1]->Url, "sub dir\\b.htm");
    EXPECT_EQ(it[1]->Body, "\r\n<p>b</p>\r\n");
    EXPECT_TRUE(it[1]->HasContent);
    EXPECT_FALSE(it[2]->HasContent) << "unsaved";
    EXPECT_FALSE(it[3]->HasContent) << "no-link, even with a Url";
    EXPECT_TRUE(it[3]->Body.empty());
    EXPECT_FALSE(it[4]->HasContent) << "missing page";
    EXPECT_TRUE(it[5]->HasContent) << "a page without body tags is still read";
    EXPECT_EQ(it[5]->Body, "");
    for (std::size_t i = 0; i < it.size(); ++i)
        EXPECT_EQ(it[i]->Position, static_cast<int>(i));
    EXPECT_EQ(contents.ItemNumber(0), "1.");
    EXPECT_EQ(contents.ItemNumber(1), "1.1");
    EXPECT_EQ(contents.ItemNumber(2), "2.");
}

TEST(Contents, BuildItemsFindsPagesWhoseCaseDiffersOnDisk) {
    TestProject p;
    p.Write("Docs/Intro.htm", Page("I", "intro"));
    p.Add("Intro", "docs\\intro.HTM");
    TContents contents(p.Project());
    contents.BuildItems();
    ASSERT_EQ(contents.Items.size(), 1u);
    EXPECT_TRUE(contents.Items[0]->HasContent);
    EXPECT_EQ(contents.Items[0]->Body, "\r\nintro\r\n");
}

TEST(Contents, BuildItemsReadsPagesInTheirOwnCharset) {
    TestProject p;
    p.Project().ProjectSettings.Encoding = "Windows-1252";
    // "café" in Windows-1252 without a declaration, and in ISO-8859-7 with one.
    p.Write("w.htm", "<html><body>caf\xE9</body></html>");
    p.Write("g.htm",
            "<html><head><meta charset=\"iso-8859-7\"></head><body>\xE1\xE2</body></html>");
    p.Add("W", "w.htm");
    p.Add("G", "g.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    EXPECT_EQ(contents.Items[0]->Body, "caf\xC3\xA9");
    EXPECT_EQ(contents.Items[1]->Body, "\xCE\xB1\xCE\xB2") << "alpha beta";
}

TEST(Contents, KeywordPairsAreTrimmedSortedWithoutCaseAndOnlyForExistingPages) {
    TestProject p;
    p.Write("a.htm", Page("A", "a"));
    p.Write("b.htm", Page("B", "b"));
    TTopicNode* a = p.Add("A", "a.htm");
    TTopicNode* b = p.Add("B", "b.htm");
    TTopicNode* gone = p.Add("Gone", "gone.htm");
    TTopicNode* heading = p.Add("Heading", "a.htm", nullptr, tsNoLink);
    a->Data().Keywords = "  zebra \r\n\r\nApple\r\n";
    b->Data().Keywords = "apple\r\nMango";
    gone->Data().Keywords = "ghost";
    heading->Data().Keywords = "ghost";

    TContents contents(p.Project());
    contents.BuildItems();
    const auto pairs = contents.KeywordPairs();
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_TRUE(StringFunc::SameText(pairs[0].Keyword, "apple"));
    EXPECT_TRUE(StringFunc::SameText(pairs[1].Keyword, "apple"));
    EXPECT_EQ(pairs[0].Item->Title, "A") << "equal keywords keep tree order";
    EXPECT_EQ(pairs[2].Keyword, "Mango");
    EXPECT_EQ(pairs[2].Item->Title, "B");
    EXPECT_EQ(pairs[3].Keyword, "zebra");
}

TEST(Contents, KeywordPartsSplitAtSlashWithDoubleSlashLiteral) {
    EXPECT_EQ(SplitKeywordParts("Colours/Red"), (std::vector<std::string>{"Colours", "Red"}));
    EXPECT_EQ(SplitKeywordParts("A//B"), (std::vector<std::string>{"A/B"}));
    EXPECT_EQ(SplitKeywordParts("a//b/c"), (std::vector<std::string>{"a/b", "c"}));
    EXPECT_EQ(SplitKeywordParts("plain"), (std::vector<std::string>{"plain"}));
    EXPECT_TRUE(SplitKeywordParts("").empty());
    EXPECT_EQ(SplitKeywordParts("a/"), (std::vector<std::string>{"a", ""}));
}

TEST(Contents, PageBodyKeepsLineBreaksSoWordsAndPreformattedTextSurvive) {
    EXPECT_EQ(PageBody("<html><BODY class=\"x\">one\r\ntwo<pre>a\r\n  b</pre></Body></html>"),
              "one\r\ntwo<pre>a\r\n  b</pre>");
    EXPECT_EQ(PageBody("<html>no body</html>"), "");
    EXPECT_EQ(PageBody("<body>open only"), "");
    EXPECT_EQ(PageBody("</body><body>"), "") << "end before start";
}

TEST(Contents, TextLessIgnoresCase) {
    std::set<std::string, TextLess> files{"/p/A.htm", "/p/a.HTM", "/p/b.htm"};
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files.count("/P/A.HTM"), 1u);
}
