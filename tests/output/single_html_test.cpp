#include "../support/test_project.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "output/contents.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos;
         pos = text.find(part, pos + 1))
        ++n;
    return n;
}

} // namespace

TEST(SingleHtml, TableOfContentsIndentsByLevelAndLinksAnchors) {
    TestProject p;
    p.Write("a.htm", Page("a", "a"));
    TTopicNode* a = p.Add("Start", "a.htm");
    p.Add("Tom & \"Jerry\" <b>", "", a, tsNoLink);
    TContents contents(p.Project());
    contents.BuildItems();
    EXPECT_EQ(contents.BuildSingleToc(),
              "<div class=\"toc\"><a name=\"toc\">\r\n"
              "1. <a href=\"#A0\">Start</a><BR>\r\n"
              "&nbsp;&nbsp;&nbsp;&nbsp;1.1 <a href=\"#A1\">Tom &amp; &quot;Jerry&quot; "
              "&lt;b&gt;</a><BR>\r\n"
              "</div>");
}

TEST(SingleHtml, PagesHaveAnchorHeadingBodyAndBackLink) {
    TestProject p;
    p.Project().ProjectSettings.SingleHtmlHasToc = true;
    p.Write("a.htm", Page("a", "<p>first</p>"));
    TTopicNode* a = p.Add("First", "a.htm");
    p.Add("Heading only", "", a, tsNoLink);
    p.Add("Not saved yet", "", nullptr, tsUnsaved);
    std::vector<std::string> info;
    TContents contents(p.Project(), [&](const std::string& t) { info.push_back(t); });
    contents.BuildItems();
    EXPECT_EQ(contents.BuildSinglePages(),
              "<a name=\"A0\"><h1>1. First</h1>\r\n"
              "\r\n<p>first</p>\r\n\r\n"
              "<p align=\"right\" class=\"back\">[<a href=\"#toc\">TOP</a>]</p>\r\n"
              "<a name=\"A1\"><h2>1.1 Heading only</h2>\r\n"
              "<a name=\"A2\"><h1>2. Not saved yet</h1>\r\n");
    EXPECT_EQ(info, (std::vector<std::string>{"a.htm", "Changing hyperlinks..."}));

    p.Project().ProjectSettings.SingleHtmlHasToc = false;
    EXPECT_EQ(Count(contents.BuildSinglePages(), "TOP"), 0u);
}

TEST(SingleHtml, HeadingLevelFollowsDepthBeyondSix) {
    TestProject p;
    TTopicNode* parent = nullptr;
    for (int i = 0; i < 7; ++i)
        parent = p.Add("L" + std::to_string(i + 1), "", parent, tsNoLink);
    TContents contents(p.Project());
    contents.BuildItems();
    EXPECT_NE(contents.BuildSinglePages().find("<h7>1.1.1.1.1.1.1 L7</h7>"), std::string::npos);
}

TEST(SingleHtml, LinksToTopicsBecomeAnchorsAndFragmentsStay) {
    TestProject p;
    p.Write("a.htm", Page("a", "<a href=\"sub/page.htm\">plain</a> "
                               "<a href=\"SUB/Page.htm#part\">frag</a> "
                               "<a href=\"b.htm\">b</a> <img src=\"pic.gif\"> "
                               "<a href=\"other.htm\">not a topic</a> "
                               "<a href=\"missing.htm\">missing</a> "
                               "<a href=\"http://example.org/a.htm\">web</a>"));
    p.Write("b.htm", Page("b", "<a href=\"a.htm\">back</a><a href=\"a.htm#top\">top</a>"));
    p.Write("sub/page.htm", Page("p", "<a name=\"part\"></a>sub"));
    p.Write("pic.gif", "GIF89a");
    p.Write("other.htm", Page("o", "other"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    p.Add("Page", "sub\\page.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    const std::string pages = contents.BuildSinglePages();
    EXPECT_NE(pages.find("<a href=\"#A2\">plain</a>"), std::string::npos) << pages;
    EXPECT_NE(pages.find("<a href=\"#A2_part\">frag</a>"), std::string::npos) << pages;
    EXPECT_NE(pages.find("<a href=\"#A1\">b</a>"), std::string::npos);
    EXPECT_NE(pages.find("<img src=\"pic.gif\">"), std::string::npos);
    EXPECT_NE(pages.find("<a href=\"other.htm\">not a topic</a>"), std::string::npos);
    EXPECT_NE(pages.find("<a href=\"missing.htm\">missing</a>"), std::string::npos);
    EXPECT_NE(pages.find("<a href=\"http://example.org/a.htm\">web</a>"), std::string::npos);
    EXPECT_NE(pages.find("<a href=\"#A0\">back</a><a href=\"#A0\">top</a>"), std::string::npos)
        << "a fragment the page does not hold leads to the topic's start";
}

TEST(SingleHtml, PagesInSubFoldersHaveTheirLinksMadeRelativeToTheRoot) {
    TestProject p;
    p.Write("docs/sub/page.htm",
            Page("p", "<img src=\"img/x.gif\"><img src=\"../../shared/y.png\">"
                      "<a href=\"../../top.htm\">top</a><a href=\"../other.htm#k\">o</a>"));
    p.Write("docs/sub/img/x.gif", "GIF89a");
    p.Write("shared/y.png", "PNG");
    p.Write("top.htm", Page("t", "top"));
    p.Write("docs/other.htm", Page("o", "other"));
    p.Add("Top", "top.htm");
    p.Add("Page", "docs\\sub\\page.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    const std::string pages = contents.BuildSinglePages();
    EXPECT_NE(pages.find("<img src=\"docs/sub/img/x.gif\"><img src=\"shared/y.png\">"
                         "<a href=\"#A0\">top</a><a href=\"docs/other.htm#k\">o</a>"),
              std::string::npos)
        << pages;
}

TEST(SingleHtml, FirstTopicOfAnAddressOwnsTheAnchor) {
    TestProject p;
    p.Write("a.htm", Page("a", "<a href=\"a.htm\">self</a>"));
    p.Add("A", "a.htm");
    p.Add("A again", "a.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    const std::string pages = contents.BuildSinglePages();
    EXPECT_EQ(Count(pages, "<a href=\"#A0\">self</a>"), 2u);
    EXPECT_EQ(Count(pages, "#A1"), 0u);
}

// ---- golden files: a small project's whole output, byte for byte -------------------------
// Set PARVANE_UPDATE_GOLDEN=1 to rewrite the expected files after an intended change, then
// read the difference before committing it.

namespace {

class QuietHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

std::string FirstDifference(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    const std::size_t from = i < 40 ? 0 : i - 40;
    return "at byte " + std::to_string(i) + ":\n  got:      " + a.substr(from, 100) +
           "\n  expected: " + b.substr(from, 100);
}

} // namespace

class SingleHtmlGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(SingleHtmlGolden, OutputMatchesTheExpectedFilesByteForByte) {
    const std::string caseDir =
        std::string(PARVANE_TEST_DATA) + "/golden/single/" + GetParam() + "/";
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.LoadFromFile(caseDir + "project.pvx");
    const auto pagesBefore = Snapshot(caseDir + "pages");

    TempDir tmp;
    QuietHost host;
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;
    request.OutputOverride = tmp.Folder() + "out/";
    const TBuildResult result = RunBuild(project, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;

    const auto actual = Snapshot(tmp.Folder() + "out/");
    if (std::getenv("PARVANE_UPDATE_GOLDEN")) {
        fs::remove_all(caseDir + "expected");
        fs::copy(tmp.Folder() + "out/", caseDir + "expected", fs::copy_options::recursive);
    }
    ASSERT_TRUE(fs::is_directory(caseDir + "expected")) << "no expected output for " << GetParam();
    const auto expected = Snapshot(caseDir + "expected");
    std::vector<std::string> actualNames, expectedNames;
    for (const auto& [name, bytes] : actual)
        actualNames.push_back(name);
    for (const auto& [name, bytes] : expected)
        expectedNames.push_back(name);
    EXPECT_EQ(actualNames, expectedNames);
    for (const auto& [name, bytes] : expected) {
        const auto found = actual.find(name);
        if (found != actual.end() && found->second != bytes)
            ADD_FAILURE() << name << " differs " << FirstDifference(found->second, bytes);
    }
    EXPECT_EQ(Snapshot(caseDir + "pages"), pagesBefore) << "the build changed the project";
}

INSTANTIATE_TEST_SUITE_P(Cases, SingleHtmlGolden,
                         ::testing::Values("nested_toc_utf8", "flat_windows1252"));

TEST(SingleHtml, TitlesThatLookLikeLinksStayText) {
    TestProject p;
    p.Write("a.htm", Page("a", "<a href='./a.htm'>dot</a>"));
    p.Add("Open 'a.htm' first", "a.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    const std::string pages = contents.BuildSinglePages();
    EXPECT_NE(pages.find("<h1>1. Open 'a.htm' first</h1>"), std::string::npos) << pages;
}
