// Single HTML on pages as real sites write them: code that names pages, query strings, ids
// that several pages use, scripts and style sheets in every page.

#include "../support/test_project.h"
#include "output/build_driver.h"
#include "output/contents.h"

#include <algorithm>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <vector>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos;
         pos = text.find(part, pos + 1))
        ++n;
    return n;
}

std::string Pages(TestProject& p, std::string* head = nullptr) {
    TContents contents(p.Project());
    contents.BuildItems();
    std::string resources;
    std::string pages = contents.BuildSinglePages(resources);
    if (head)
        *head = resources;
    return pages;
}

class QuietHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

} // namespace

TEST(SingleHtmlLinks, CodeSamplesCommentsAndScriptsKeepEveryCharacter) {
    TestProject p;
    const std::string sample =
        "<pre><code>const ext = path.extname('index.html');\r\n"
        "request.url = '/index.html?page=12';</code></pre>\r\n"
        "<p>Open index.html in a browser; see \"other.htm\".</p>\r\n"
        "<!-- old: <a href=\"index.html\">home</a> -->";
    const std::string script = "<script>if (location.hash) location.href = 'index.html';</script>";
    p.Write("index.html", Page("Home", sample + script + "<a href=\"index.html\">self</a>"));
    p.Write("other.htm", Page("Other", "<a href=\"index.html\">home</a>"));
    p.Add("Home", "index.html");
    p.Add("Other", "other.htm");
    const std::string pages = Pages(p);
    EXPECT_THAT(pages, HasSubstr(sample));
    EXPECT_THAT(pages, HasSubstr(script));
    EXPECT_THAT(pages, HasSubstr("<a href=\"#A0\">self</a>"));
    EXPECT_THAT(pages, HasSubstr("<a href=\"#A0\">home</a>"));
}

TEST(SingleHtmlLinks, QueryStringGoesWithThePageName) {
    TestProject p;
    p.Write("index.html", Page("Home", "<h2 id=\"top\">Top</h2>"));
    p.Write("b.htm", Page("B", "<a href=\"index.html?lang=en#top\">1</a>"
                               "<a href=\"index.html?lang=en\">2</a>"
                               "<a href=\"INDEX.html?x#nowhere\">3</a>"
                               "<a href=\"b.htm?q=1#\">4</a>"
                               "<a href=\"http://example.org/index.html?lang=en\">5</a>"
                               "<a href=\"pic.png?v=2\">6</a>"));
    p.Write("pic.png", "PNG");
    p.Add("Home", "index.html");
    p.Add("B", "b.htm");
    const std::string pages = Pages(p);
    EXPECT_THAT(pages, HasSubstr("<a href=\"#A0_top\">1</a><a href=\"#A0\">2</a>"
                                 "<a href=\"#A0\">3</a><a href=\"#A1\">4</a>"
                                 "<a href=\"http://example.org/index.html?lang=en\">5</a>"
                                 "<a href=\"pic.png?v=2\">6</a>"))
        << "a fragment the page does not hold goes to the topic's start";
}

TEST(SingleHtmlLinks, IdsSharedByTwoTopicsLandInTheRightChapter) {
    TestProject p;
    p.Write("ch1.htm", Page("One", "<h2 id=\"examples\">Examples</h2><a name=\"intro\"></a>"
                                   "<a href=\"#examples\">here</a><a href=\"#intro\">i</a>"
                                   "<label for=\"examples\">l</label>"));
    p.Write("sub/ch2.htm", Page("Two", "<h2 id=\"examples\">Examples</h2>"
                                       "<a href=\"../ch1.htm#examples\">one's</a>"
                                       "<a href=\"#examples\">mine</a>"
                                       "<a href=\"ch2.htm#examples\">mine again</a>"));
    p.Write("ch3.htm", Page("Three", "<a href=\"sub/ch2.htm#examples\">two's</a>"
                                     "<a href=\"ch1.htm#intro\">intro</a>"));
    p.Add("One", "ch1.htm");
    p.Add("Two", "sub\\ch2.htm");
    p.Add("Three", "ch3.htm");
    const std::string pages = Pages(p);
    EXPECT_THAT(pages, HasSubstr("<h2 id=\"A0_examples\">Examples</h2><a name=\"A0_intro\"></a>"
                                 "<a href=\"#A0_examples\">here</a><a href=\"#A0_intro\">i</a>"
                                 "<label for=\"A0_examples\">l</label>"));
    EXPECT_THAT(pages, HasSubstr("<h2 id=\"A1_examples\">Examples</h2>"
                                 "<a href=\"#A0_examples\">one's</a>"
                                 "<a href=\"#A1_examples\">mine</a>"
                                 "<a href=\"#A1_examples\">mine again</a>"));
    EXPECT_THAT(pages, HasSubstr("<a href=\"#A1_examples\">two's</a>"
                                 "<a href=\"#A0_intro\">intro</a>"));
    for (const char* anchor : {"<a name=\"A0\"><h1>", "<a name=\"A1\"><h1>", "<a name=\"A2\"><h1>"})
        EXPECT_EQ(Count(pages, anchor), 1u) << "the contents' anchors stay as they are";
}

TEST(SingleHtmlLinks, ScriptsAndStyleSheetsOfEveryPageAreKeptOnce) {
    TestProject p;
    const std::string head = "<link rel=\"stylesheet\" href=\"css/site.css\">"
                             "<script src=\"js/app.js\"></script>"
                             "<script>var theme = 'light';</script>";
    p.Write("a.htm", Page("A", "<p>a</p><script src=\"js/late.js\"></script>", head));
    p.Write("b.htm", Page("B", "<p>b</p><script src=\"js/late.js\"></script>"
                               "<style>p.b { color: red }</style>",
                          head));
    p.Write("sub/c.htm", Page("C", "<p>c</p><script src=\"../js/late.js\"></script>",
                              "<link rel=\"stylesheet\" href=\"../css/site.css\">"
                              "<script src=\"../js/app.js\"></script>"
                              "<script src=\"../js/only-c.js\"></script>"));
    p.Write("css/site.css", "p {}");
    p.Write("js/app.js", "app()");
    p.Write("js/late.js", "late()");
    p.Write("js/only-c.js", "c()");
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    p.Add("C", "sub\\c.htm");
    std::string resources;
    const std::string pages = Pages(p, &resources);
    EXPECT_EQ(resources, "<link rel=\"stylesheet\" href=\"css/site.css\">\r\n"
                         "<script src=\"js/app.js\"></script>\r\n"
                         "<script>var theme = 'light';</script>\r\n"
                         "<style>p.b { color: red }</style>\r\n"
                         "<script src=\"js/only-c.js\"></script>\r\n");
    EXPECT_EQ(Count(pages, "<script"), 1u) << pages;
    const std::string late = "<script src=\"js/late.js\"></script>\r\n";
    ASSERT_GE(pages.size(), late.size());
    EXPECT_EQ(pages.substr(pages.size() - late.size()), late)
        << "a body's scripts run after all the content";
    EXPECT_THAT(pages, HasSubstr("<p>a</p>"));
    EXPECT_THAT(pages, HasSubstr("<p>c</p>"));
}

// A book with one copy of its scripts per edition folder: in one page each copy would run
// over the whole document again.
TEST(SingleHtmlLinks, CopiesOfTheSameFileInOtherFoldersAreOneScript) {
    TestProject p;
    p.Write("book.js", "hljs()");
    p.Write("old/book.js", "hljs()");
    p.Write("old/extra.js", "hljs(); extra()");
    p.Write("old/style.css", "p {}");
    p.Write("style.css", "p {}");
    p.Write("a.htm", Page("A", "<p>a</p>",
                          "<link rel=\"stylesheet\" href=\"style.css\"><script src=\"book.js\"></script>"));
    p.Write("old/b.htm", Page("B", "<p>b</p>",
                              "<link rel=\"stylesheet\" href=\"style.css\">"
                              "<script src=\"book.js\"></script><script src=\"extra.js\"></script>"
                              "<script src=\"missing.js\"></script>"));
    p.Write("old/c.htm", Page("C", "<p>c</p>", "<script src=\"../missing.js\"></script>"
                                               "<script src=\"book.js?v=2\"></script>"));
    p.Add("A", "a.htm");
    p.Add("B", "old\\b.htm");
    p.Add("C", "old\\c.htm");
    std::string resources;
    Pages(p, &resources);
    EXPECT_EQ(resources, "<link rel=\"stylesheet\" href=\"style.css\">\r\n"
                         "<script src=\"book.js\"></script>\r\n"
                         "<script src=\"old/extra.js\"></script>\r\n"
                         "<script src=\"old/missing.js\"></script>\r\n"
                         "<script src=\"missing.js\"></script>\r\n"
                         "<script src=\"old/book.js?v=2\"></script>\r\n")
        << "files with other bytes, files that cannot be read and other queries stay apart";
}

TEST(SingleHtmlLinks, BuiltPageHoldsTheResourcesInItsHeadAndGetsTheFonts) {
    TestProject p;
    p.Write("a.htm", Page("A", "<p>a</p>", "<link rel=\"stylesheet\" href=\"css/font.css\">"));
    p.Write("css/font.css", "@font-face { src: url(../fonts/body.woff2) format('woff2'); }");
    p.Write("fonts/body.woff2", "wOF2");
    p.Add("A", "a.htm");
    TProjectSettings& s = p.Project().ProjectSettings;
    s.SingleHtmlFilename = "one.htm";
    s.SingleHtmlHasToc = true;
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;
    request.OutputOverride = p.Dir().Folder() + "out/";
    QuietHost host;
    const TBuildResult result = RunBuild(p.Project(), request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string page = ReadFile(p.Dir().Folder() + "out/one.htm");
    const std::size_t link = page.find("<link rel=\"stylesheet\" href=\"css/font.css\">");
    ASSERT_NE(link, std::string::npos) << page;
    EXPECT_LT(page.find("</style>"), link) << "after the page file's own style";
    EXPECT_LT(link, page.find("</head>"));
    EXPECT_EQ(ReadFile(p.Dir().Folder() + "out/fonts/body.woff2"), "wOF2");
}

TEST(SingleHtmlLinks, LinksToFragmentsWaitForTheIdsOfLaterTopics) {
    // A link is rewritten before the ids of the topics after it (and those further down its
    // own page) are known: what it becomes, quotes included, still depends on them.
    TestProject p;
    p.Write("a.htm", Page("A", "<a href=b.htm#x=1>q</a><a href=b.htm#none>n</a>"
                               "<a href=\"b.htm#sec\">s</a><a href=#own>o</a><p id=own></p>"));
    p.Write("b.htm", Page("B", "<h2 id=\"x=1\">X</h2><h2 id=sec>S</h2>"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    const std::string pages = Pages(p);
    EXPECT_THAT(pages, HasSubstr("<a href=\"#A1_x=1\">q</a><a href=#A1>n</a>"
                                 "<a href=\"#A1_sec\">s</a><a href=#A0_own>o</a><p id=A0_own></p>"));
    EXPECT_THAT(pages, HasSubstr("<h2 id=\"A1_x=1\">X</h2><h2 id=A1_sec>S</h2>"));
    EXPECT_THAT(pages, Not(HasSubstr("\xFF")));
}

// A fragment lands where a browser would take it: on the id spelled as the fragment is
// written, else on the id spelled as it decodes. Ids are never decoded, entities aside.
TEST(SingleHtmlLinks, FragmentsFindIdsAsABrowserDoesWithPercentEscapes) {
    TestProject p;
    p.Write("a.htm", Page("A", "<h2 id=\"impl-From%3CT%3E\">F</h2><h2 id=\"x&lt;y\">X</h2>"));
    p.Write("b.htm", Page("B", "<a href=\"a.htm#impl-From%3CT%3E\">1</a>"
                               "<a href=\"a.htm#impl-From%253CT%253E\">2</a>"
                               "<a href=\"a.htm#impl-From&lt;T&gt;\">3</a>"
                               "<a href=\"a.htm#x%3Cy\">4</a><a href=\"a.htm#x&lt;y\">5</a>"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    const std::string pages = Pages(p);
    EXPECT_THAT(pages, HasSubstr("<a href=\"#A0_impl-From%3CT%3E\">1</a>"
                                 "<a href=\"#A0_impl-From%253CT%253E\">2</a>"
                                 "<a href=\"#A0\">3</a>"
                                 "<a href=\"#A0_x%3Cy\">4</a><a href=\"#A0_x&lt;y\">5</a>"));
}

TEST(SingleHtmlLinks, StyleElementsThatNameIdsAreSettledBeforeTheyAreKeptOnce) {
    TestProject p;
    const std::string style = "<style>.g{fill:url(#grad)}</style>";
    const std::string gradient = "<svg><linearGradient id=\"grad\"/></svg>";
    p.Write("a.htm", Page("A", style + "<p>a</p>" + gradient));
    p.Write("b.htm", Page("B", style + "<p>b</p>"));
    p.Write("c.htm", Page("C", style + "<p>c</p>" + gradient));
    p.Write("d.htm", Page("D", style + "<p>d</p>"));
    for (const char* page : {"a.htm", "b.htm", "c.htm", "d.htm"})
        p.Add(page, page);
    std::string head;
    const std::string pages = Pages(p, &head);
    EXPECT_EQ(head, "<style>.g{fill:url(#A0_grad)}</style>\r\n"
                    "<style>.g{fill:url(#grad)}</style>\r\n"
                    "<style>.g{fill:url(#A2_grad)}</style>\r\n")
        << "each topic's own gradient; a page without one keeps the address, once";
    EXPECT_THAT(pages, HasSubstr("<linearGradient id=\"A2_grad\"/>"));
    EXPECT_THAT(pages, Not(HasSubstr("<style")));
}

TEST(SingleHtmlLinks, TheBuiltPageIsTheSameAsTheOneMadeInMemory) {
    // The build keeps the rewritten topics in a file until the head is known; the page it
    // writes holds exactly the topics made in memory, and nothing is left beside it.
    TestProject p;
    for (int i = 0; i < 40; ++i) {
        const std::string next = "p" + std::to_string((i + 7) % 40) + ".htm";
        p.Write("p" + std::to_string(i) + ".htm",
                Page("P", "<h2 id=s" + std::to_string(i) + ">S</h2><a href=" + next + "#s" +
                              std::to_string((i + 7) % 40) + ">next</a><style>i{x:url(#s1)}</style>"));
        p.Add("P" + std::to_string(i), "p" + std::to_string(i) + ".htm");
    }
    p.Project().ProjectSettings.SingleHtmlFilename = "all.htm";
    std::string head;
    const std::string inMemory = Pages(p, &head);
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;
    request.OutputOverride = p.Dir().Folder() + "out/";
    QuietHost host;
    const TBuildResult result = RunBuild(p.Project(), request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    std::string page = ReadFile(p.Dir().Folder() + "out/all.htm");
    // Each topic sits in a box of its own in the file; without the boxes it is the page
    // made in memory.
    std::size_t boxes = 0;
    for (const std::string box : {"<div class=\"topic\">", "</div>\r\n"}) {
        for (std::size_t at = page.find(box); at != std::string::npos; at = page.find(box, at)) {
            page.erase(at, box.size());
            ++boxes;
        }
    }
    EXPECT_EQ(boxes, 80u);
    EXPECT_THAT(page, HasSubstr(inMemory.substr(0, inMemory.size() - 2)));
    EXPECT_THAT(page, HasSubstr(head));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(p.Dir().Folder() + "out"))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".parvane-output", "all.htm"}));
}
