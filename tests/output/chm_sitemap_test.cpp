// The sitemap texts of the HTML Help project: contents tree, keyword index, alias and map.

#include "chm_test_support.h"
#include "output/contents.h"

#include <gtest/gtest.h>

namespace parvane {
namespace {

using chmtest::TTestProject;

// A contents model filled by hand: each item is (level, title, url, keywords).
struct TSitemapFixture : ::testing::Test {
    TTestProject project;
    std::vector<std::string> info;
    TContents contents{*project.Pvx, [this](const std::string& t) { info.push_back(t); }};

    TContentsItem& Add(int level, const std::string& title, const std::string& url,
                       const std::string& keywords = "", int status = tsLinked) {
        auto item = std::make_unique<TContentsItem>();
        item->Position = static_cast<int>(contents.Items.size());
        item->Level = level;
        item->Title = title;
        item->Url = url;
        item->Keywords = keywords;
        item->Status = status;
        item->HasContent = status == tsLinked;
        item->ImageNumber = -1;
        contents.Items.push_back(std::move(item));
        return *contents.Items.back();
    }
};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

TEST_F(TSitemapFixture, ContentsNestsListsByLevelAndClosesEveryOpenList) {
    Add(1, "One", "one.htm").ImageNumber = 1;
    Add(2, "Two", "sub\\two.htm");
    Add(3, "Three", "sub\\deep\\three.htm").ImageNumber = 11;
    EXPECT_EQ(contents.BuildSitemapContents(),
              "<UL><LI><OBJECT type=\"text/sitemap\">\r\n"
              "<param name=\"Name\" value=\"One\">\r\n"
              "<param name=\"Local\" value=\"one.htm\">\r\n"
              "<param name=\"ImageNumber\" value=\"1\">\r\n"
              "</OBJECT>\r\n"
              "<UL><LI><OBJECT type=\"text/sitemap\">\r\n"
              "<param name=\"Name\" value=\"Two\">\r\n"
              "<param name=\"Local\" value=\"sub/two.htm\">\r\n"
              "</OBJECT>\r\n"
              "<UL><LI><OBJECT type=\"text/sitemap\">\r\n"
              "<param name=\"Name\" value=\"Three\">\r\n"
              "<param name=\"Local\" value=\"sub/deep/three.htm\">\r\n"
              "<param name=\"ImageNumber\" value=\"11\">\r\n"
              "</OBJECT>\r\n"
              "</UL></UL></UL>");
}

TEST_F(TSitemapFixture, ContentsClimbsSeveralLevelsAtOnce) {
    Add(1, "A", "a.htm");
    Add(2, "B", "b.htm");
    Add(3, "C", "c.htm");
    Add(1, "D", "d.htm");
    const std::string text = contents.BuildSitemapContents();
    EXPECT_NE(text.find("</OBJECT>\r\n</UL></UL><LI><OBJECT type=\"text/sitemap\">\r\n"
                        "<param name=\"Name\" value=\"D\">"),
              std::string::npos)
        << text;
    EXPECT_EQ(Count(text, "<UL>"), Count(text, "</UL>"));
    const std::string end = "</OBJECT>\r\n</UL>";
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST_F(TSitemapFixture, ContentsEscapesTitlesAndAddresses) {
    Add(1, "Fish & \"Chips\" <b>", "a&b.htm");
    const std::string text = contents.BuildSitemapContents();
    EXPECT_NE(text.find("value=\"Fish &amp; &quot;Chips&quot; &lt;b&gt;\""), std::string::npos);
    EXPECT_NE(text.find("value=\"a&amp;b.htm\""), std::string::npos);
}

TEST_F(TSitemapFixture, ContentsOfUnsavedAndNoLinkTopics) {
    Add(1, "Unsaved", "", "", tsUnsaved);
    Add(1, "Heading", "", "", tsNoLink);
    project.Pvx->ProjectSettings.DefaultTemplate = true;
    std::string text = contents.BuildSitemapContents();
    EXPECT_NE(
        text.find("<param name=\"Local\" value=\"file://" + contents.ProgramFolder + "new.htm\">"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("<param name=\"Name\" value=\"Heading\">\r\n"
                        "<param name=\"Local\" value=\"\">"),
              std::string::npos);

    project.Pvx->ProjectSettings.DefaultTemplate = false;
    project.Pvx->ProjectSettings.CustomTemplate = "/home/me/blank.htm";
    text = contents.BuildSitemapContents();
    EXPECT_NE(text.find("<param name=\"Local\" value=\"/home/me/blank.htm\">"), std::string::npos);
}

TEST_F(TSitemapFixture, EmptyContentsIsOneEmptyList) {
    EXPECT_EQ(contents.BuildSitemapContents(), "<UL></UL>");
    EXPECT_EQ(contents.BuildSitemapIndex(), "<UL></UL>");
}

TEST_F(TSitemapFixture, KeywordsWithACommonParentShareOneParentEntry) {
    Add(1, "Red page", "red.htm", "Colours/Red");
    Add(1, "Blue page", "blue.htm", "Colours/Blue");
    EXPECT_EQ(contents.BuildSitemapIndex(), "<UL><LI> <OBJECT type=\"text/sitemap\">\r\n"
                                            "<param name=\"Name\" value=\"Colours\">\r\n"
                                            "<param name=\"See Also\" value=\"Colours\">\r\n"
                                            "</OBJECT>\r\n"
                                            "<UL>\r\n"
                                            "<LI><OBJECT type=\"text/sitemap\">\r\n"
                                            "<param name=\"Name\" value=\"Blue\">\r\n"
                                            "<param name=\"Name\" value=\"Blue page\">\r\n"
                                            "<param name=\"Local\" value=\"blue.htm\">\r\n"
                                            "</OBJECT><LI><OBJECT type=\"text/sitemap\">\r\n"
                                            "<param name=\"Name\" value=\"Red\">\r\n"
                                            "<param name=\"Name\" value=\"Red page\">\r\n"
                                            "<param name=\"Local\" value=\"red.htm\">\r\n"
                                            "</OBJECT></UL>\r\n"
                                            "</UL>");
}

TEST_F(TSitemapFixture, KeywordFollowedByItsOwnSubKeywordOpensANestedList) {
    Add(1, "Colours page", "c.htm", "Colours\r\nColours/Red");
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_NE(text.find("<param name=\"Name\" value=\"Colours\">\r\n"
                        "<param name=\"Name\" value=\"Colours page\">\r\n"
                        "<param name=\"Local\" value=\"c.htm\">\r\n"
                        "</OBJECT><UL>\r\n"
                        "<LI><OBJECT type=\"text/sitemap\">\r\n"
                        "<param name=\"Name\" value=\"Red\">"),
              std::string::npos)
        << text;
    EXPECT_EQ(Count(text, "See Also"), 0u);
    EXPECT_EQ(Count(text, "<UL>"), Count(text, "</UL>"));
}

TEST_F(TSitemapFixture, DoubleSlashIsALiteralSlashInsideOneLevel) {
    Add(1, "Either", "e.htm", "A//B");
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_NE(text.find("<param name=\"Name\" value=\"A/B\">"), std::string::npos) << text;
    EXPECT_EQ(Count(text, "See Also"), 0u);
    EXPECT_EQ(Count(text, "<UL>"), 1u);
}

TEST_F(TSitemapFixture, EmptyKeywordLevelsAreDropped) {
    // "/" at either end or a lone "/" between two "//" runs would make nameless entries.
    Add(1, "P1", "p1.htm", "/Colours/\r\n/\r\n  \r\nColours//Red/");
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_EQ(Count(text, "value=\"\""), 0u) << text;
    EXPECT_EQ(Count(text, "<param name=\"Name\" value=\"Colours\">"), 1u) << text;
    EXPECT_EQ(Count(text, "<param name=\"Name\" value=\"Colours/Red\">"), 1u) << text;
    EXPECT_EQ(Count(text, "<UL>"), Count(text, "</UL>"));
}

TEST_F(TSitemapFixture, ManyTopicsSharingAKeywordFormOneEntryInContentsOrder) {
    for (int i = 0; i < 300; ++i)
        Add(1, "Topic " + std::to_string(i), "t" + std::to_string(i) + ".htm", "Shared");
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_EQ(Count(text, "<param name=\"Name\" value=\"Shared\">"), 1u);
    EXPECT_EQ(Count(text, "<OBJECT"), 1u);
    EXPECT_EQ(Count(text, "<param name=\"Local\""), 300u);
    EXPECT_LT(text.find("value=\"t0.htm\""), text.find("value=\"t1.htm\""));
    EXPECT_LT(text.find("value=\"t1.htm\""), text.find("value=\"t299.htm\""));
}

TEST_F(TSitemapFixture, ParentsDifferingInCaseStayTogether) {
    Add(1, "P1", "p1.htm", "a/x");
    Add(1, "P2", "p2.htm", "A/y");
    Add(1, "P3", "p3.htm", "a/z");
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_EQ(Count(text, "<param name=\"See Also\" value=\"a\">"), 1u) << text;
    EXPECT_EQ(Count(text, "<param name=\"See Also\" value=\"A\">"), 1u) << text;
    EXPECT_EQ(Count(text, "<UL>"), Count(text, "</UL>"));
}

TEST_F(TSitemapFixture, IndexEscapesKeywordsAndTitles) {
    Add(1, "Salt & <Pepper>", "s.htm", "R&D/\"Quotes\"");
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_NE(text.find("value=\"R&amp;D\""), std::string::npos) << text;
    EXPECT_NE(text.find("value=\"&quot;Quotes&quot;\""), std::string::npos);
    EXPECT_NE(text.find("value=\"Salt &amp; &lt;Pepper&gt;\""), std::string::npos);
}

TEST_F(TSitemapFixture, IndexLeavesOutTopicsWithoutAPage) {
    Add(1, "Linked", "l.htm", "Key");
    Add(1, "Heading", "", "Key", tsNoLink);
    Add(1, "Unsaved", "", "Key", tsUnsaved);
    const std::string text = contents.BuildSitemapIndex();
    EXPECT_EQ(Count(text, "<param name=\"Local\""), 1u) << text;
}

TEST_F(TSitemapFixture, AliasAndMapListTrimmedContextNumbers) {
    Add(1, "One", "one.htm").ContextNumber = " 10 ";
    Add(1, "Two", "sub\\two.htm").ContextNumber = "0x1F";
    Add(1, "Three", "three.htm");
    Add(1, "Heading", "", "", tsNoLink).ContextNumber = "30";
    std::string alias, map;
    contents.BuildAliasAndMap(alias, map);
    EXPECT_EQ(alias, "IDH_ID10=one.htm\r\nIDH_ID0x1F=sub/two.htm\r\n") << "the compiler wants \"/\"";
    EXPECT_EQ(map, "#define IDH_ID10 10\r\n#define IDH_ID0x1F 0x1F\r\n");
}

TEST_F(TSitemapFixture, ContextNumbersThatAreNoNumbersOrRepeatAreReportedAndLeftOut) {
    Add(1, "Blank inside", "a.htm").ContextNumber = "1 2";
    Add(1, "Word", "b.htm").ContextNumber = "abc";
    Add(1, "First", "c.htm").ContextNumber = "7";
    Add(1, "Again", "d.htm").ContextNumber = "7";
    std::string alias = "old", map = "old";
    contents.BuildAliasAndMap(alias, map);
    EXPECT_EQ(alias, "IDH_ID7=c.htm\r\n");
    EXPECT_EQ(map, "#define IDH_ID7 7\r\n");
    ASSERT_EQ(info.size(), 3u);
    EXPECT_NE(info[0].find("\"1 2\""), std::string::npos);
    EXPECT_NE(info[2].find("Again"), std::string::npos);
}

TEST_F(TSitemapFixture, NoContextNumbersGiveEmptyAliasAndMap) {
    Add(1, "One", "one.htm");
    std::string alias = "x", map = "y";
    contents.BuildAliasAndMap(alias, map);
    EXPECT_TRUE(alias.empty());
    EXPECT_TRUE(map.empty());
}

} // namespace
} // namespace parvane
