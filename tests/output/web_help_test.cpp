#include "../support/test_project.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "output/contents.h"
#include "output/search_index.h"
#include "output/web_help.h"

#include <gtest/gtest.h>
#include <random>
#include <regex>

using namespace parvane;
using namespace parvane::testing;

namespace {

std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(part); pos != std::string::npos;
         pos = text.find(part, pos + 1))
        ++n;
    return n;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Compares with tests/data/golden/webhelp/NAME byte for byte; PARVANE_UPDATE_GOLDEN=1
// rewrites the file instead.
void ExpectGolden(const std::string& actual, const std::string& name) {
    const std::string file = std::string(PARVANE_TEST_DATA) + "/golden/webhelp/" + name;
    if (std::getenv("PARVANE_UPDATE_GOLDEN"))
        WriteFile(file, actual);
    ASSERT_TRUE(fs::exists(file)) << "no golden file " << file;
    const std::string expected = ReadFile(file);
    if (actual == expected)
        return;
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    const std::size_t from = i < 60 ? 0 : i - 60;
    ADD_FAILURE() << name << " differs at byte " << i
                  << "\n  got:      " << actual.substr(from, 160)
                  << "\n  expected: " << expected.substr(from, 160);
}

TTopicNode* AddTopic(TestProject& p, const std::string& title, const std::string& url,
                     TTopicNode* parent = nullptr, int status = tsLinked, int icon = 0) {
    return p.Tree().AddTopicNode(parent ? parent : p.Tree().ContentsRoot(), title,
                                 imLastChildOfReference, status, icon, url);
}

// The tree the navigation goldens are made from: a page folder three levels deep that
// ends with two levels closing at once, a heading without a page, an external address, an
// unsaved topic, a page in a folder that is missing, and titles that need escaping.
void MakeNavigationProject(TestProject& p) {
    p.Write("intro.htm", Page("Intro", "<p>intro</p>"));
    p.Write("guide/start.htm", Page("Start", "<p>start</p>"));
    p.Write("guide/deep/one.htm", Page("One", "<p>one</p>"));
    p.Write("it's.htm", Page("Quotes", "<p>quotes</p>"));
    AddTopic(p, "Introduction", "intro.htm");
    TTopicNode* guide = AddTopic(p, "User's \"guide\"", "guide\\start.htm");
    AddTopic(p, "Not saved", "", guide, tsUnsaved);
    TTopicNode* chapter = AddTopic(p, "Chapter <1> & more", "", guide, tsNoLink, 3);
    AddTopic(p, "One\\two", "guide\\deep\\one.htm", chapter, tsLinked, 12);
    AddTopic(p, "Web site", "https://example.org/help?x=1&y=2", chapter, tsLinked, 16);
    AddTopic(p, "Quotes: it's \xc3\xa9t\xc3\xa9", "it's.htm");
    AddTopic(p, "Gone", "missing\\page.htm");
    p.Project().UpdateTopicImages();
}

std::string Navigation(TestProject& p) {
    TContents contents(p.Project());
    contents.BuildItems();
    return contents.BuildNavigation();
}

std::string IndexList(TestProject& p) {
    TContents contents(p.Project());
    contents.BuildItems();
    return contents.BuildIndexList();
}

} // namespace

// ---- images -------------------------------------------------------------------------------

TEST(WebHelpImages, FolderImagesComeInClosedOpenPairs) {
    auto folder = [](int n) {
        const TWebNodeImages images = WebNodeImages(n, true, false);
        return images.Closed + "," + images.Open;
    };
    EXPECT_EQ(folder(1), "1.gif,2.gif");
    EXPECT_EQ(folder(2), "1.gif,2.gif");
    EXPECT_EQ(folder(7), "7.gif,8.gif");
    EXPECT_EQ(folder(8), "7.gif,8.gif");
    EXPECT_EQ(folder(9), "9.gif,9.gif");
    EXPECT_EQ(folder(42), "42.gif,42.gif");
    EXPECT_EQ(folder(0), "1.gif,2.gif");
    EXPECT_EQ(folder(-3), "5.gif,6.gif");
}

TEST(WebHelpImages, LeafImagesAndRealColourIcons) {
    auto leaf = [](int n, bool real) {
        const TWebNodeImages images = WebNodeImages(n, false, real);
        return images.Closed + "," + images.Open;
    };
    EXPECT_EQ(leaf(4, false), "4.gif,4.gif");
    EXPECT_EQ(leaf(0, false), "9.gif,9.gif");
    EXPECT_EQ(leaf(-1, false), "11.gif,11.gif");
    EXPECT_EQ(leaf(4, true), "11.gif,11.gif");
    const TWebNodeImages realFolder = WebNodeImages(30, true, true);
    EXPECT_EQ(realFolder.Closed + "," + realFolder.Open, "1.gif,2.gif");
}

TEST(WebHelpImages, TreeLinesFollowThePositionAmongSiblings) {
    EXPECT_EQ(WebTreePosition(0, false), 0);
    EXPECT_EQ(WebTreePosition(0, true), 3);
    EXPECT_EQ(WebTreePosition(5, false), 1);
    EXPECT_EQ(WebTreePosition(5, true), 2);

    const char* leaves[] = {"downangle.gif", "tshaped.gif", "upangle.gif", "sline.gif"};
    const char* closed[] = {"daplus.gif", "tplus.gif", "uaplus.gif", "splus.gif"};
    const char* open[] = {"daminus.gif", "tminus.gif", "uaminus.gif", "sminus.gif"};
    for (int p = 0; p < 4; ++p) {
        EXPECT_EQ(WebTreeLineImage(TWebLineKind::Leaf, p, true), leaves[p]);
        EXPECT_EQ(WebTreeLineImage(TWebLineKind::ClosedFolder, p, true), closed[p]);
        EXPECT_EQ(WebTreeLineImage(TWebLineKind::OpenFolder, p, true), open[p]);
        EXPECT_EQ(WebTreeLineImage(TWebLineKind::Leaf, p, false), "blank.gif");
        EXPECT_EQ(WebTreeLineImage(TWebLineKind::ClosedFolder, p, false), "plus.gif");
        EXPECT_EQ(WebTreeLineImage(TWebLineKind::OpenFolder, p, false), "minus.gif");
    }
    EXPECT_EQ(WebIndentImage(true, true), "line.gif");
    EXPECT_EQ(WebIndentImage(false, true), "blank.gif");
    EXPECT_EQ(WebIndentImage(true, false), "blank.gif");
}

TEST(WebHelpImages, EveryImageTheOutputNamesIsShipped) {
    const std::string support = std::string(PARVANE_SOURCE_DIR) + "/support/webhelp/";
    for (const char* name :
         {"downangle", "tshaped", "upangle", "sline", "daplus", "tplus", "uaplus", "splus",
          "daminus", "tminus", "uaminus", "sminus", "plus", "minus", "blank", "line"})
        EXPECT_TRUE(fs::is_regular_file(support + "imgs/" + name + ".gif")) << name;
    for (int n = 1; n <= 42; ++n) {
        const std::string name = std::to_string(n) + ".gif";
        for (const char* folder : {"icons/", "ricons/"}) {
            const std::string bytes = ReadFile(support + folder + name);
            EXPECT_EQ(bytes.substr(0, 6), "GIF89a") << folder << name;
            // 16 x 16: the desktop tree shows the same images.
            ASSERT_GE(bytes.size(), 10u);
            EXPECT_EQ(bytes.substr(6, 4), std::string("\x10\x00\x10\x00", 4)) << folder << name;
        }
    }
}

TEST(WebHelpImages, CopiesTheLineImagesAndOnlyTheTopicImagesInUse) {
    TestProject p;
    p.Write("a.htm", Page("a", "a"));
    TTopicNode* book = AddTopic(p, "Book", "a.htm", nullptr, tsLinked, 4);
    AddTopic(p, "Page", "a.htm", book, tsLinked, 12);
    AddTopic(p, "Auto", "a.htm", book);
    p.Project().UpdateTopicImages();
    TContents contents(p.Project());
    contents.BuildItems();
    const std::string out = p.Dir().Folder() + "out/";
    contents.CopyWebImages(out);

    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(out + "icons"))
        names.insert(entry.path().filename().string());
    for (const char* line : {"tplus.gif", "minus.gif", "blank.gif", "line.gif"})
        EXPECT_TRUE(names.count(line)) << line;
    // the book pair 3/4, the chosen page image and the automatic page image (11, NoChild 10)
    for (const char* used : {"3.gif", "4.gif", "12.gif", "11.gif"})
        EXPECT_TRUE(names.count(used)) << used;
    for (const char* unused : {"1.gif", "2.gif", "5.gif", "13.gif", "42.gif"})
        EXPECT_FALSE(names.count(unused)) << unused;

    p.Project().ProjectSettings.RealColorIcon = true;
    const std::string real = p.Dir().Folder() + "real/";
    contents.CopyWebImages(real);
    const std::string ricons = contents.ProgramFolder + "webhelp/ricons/";
    for (int n = 1; n <= 42; ++n) {
        const std::string name = std::to_string(n) + ".gif";
        EXPECT_EQ(ReadFile(real + "icons/" + name), ReadFile(ricons + name)) << name;
    }
}

// ---- synchronisation script -------------------------------------------------------------

TEST(WebHelpScript, SelectsTheNodeInsideTheFramesAndLinksBackWhenAlone) {
    EXPECT_EQ(WebSyncScript(7, "intro.htm"),
              "<script language=\"JavaScript\" type=\"text/JavaScript\">\r\n"
              "function syn(){\r\n"
              " try{\r\n"
              " if(parent.nav.loaded){\r\n"
              "  parent.nav.selectNode(7);\r\n"
              " }else{\r\n"
              "  setTimeout(\"syn()\",500);\r\n"
              " }\r\n"
              " }catch(e){\r\n"
              "  parent.postMessage({parvaneSync:7},\"*\");\r\n"
              "}}\r\n"
              "if(parent!=self){\r\n"
              "  setTimeout(\"syn()\",100);\r\n"
              "}else{\r\n"
              "  document.write('<BR><table width=\"35%\" border=\"0\" align=\"center\" "
              "cellpadding=\"5\" cellspacing=\"1\" bgcolor=\"#666666\" "
              "style=\"position:relative;z-index:2147483647\"><tr><td align=\"center\" "
              "bgcolor=\"#FFFFFF\">');\r\n"
              "  document.write('<a href=\"../index.htm#page=scr/intro.htm\">Show Navigation "
              "Frame</a>'); \r\n"
              "  document.write('</td></tr></table><BR>');\r\n"
              "}\r\n"
              "</script> \r\n");
}

TEST(WebHelpScript, LinkClimbsOutOfSubFoldersAndEscapesTheAddress) {
    const std::string script = WebSyncScript(2, "docs\\sub\\it's \"new\".htm");
    EXPECT_TRUE(Contains(script, "<a href=\"../../../index.htm#page=scr/docs/sub/it\\'s "
                                 "&quot;new&quot;.htm\">Show Navigation Frame</a>"))
        << script;
    EXPECT_TRUE(Contains(script, "parent.nav.selectNode(2);"));
}

TEST(WebHelpScript, MarkScriptIsFoundFromEveryFolderAndStandsBeforeTheBodyEnds) {
    EXPECT_EQ(WebMarkScript("intro.htm"), "<script src=\"../webhelpmark.js\" async></script>");
    EXPECT_EQ(WebMarkScript("docs\\sub\\it's.htm"),
              "<script src=\"../../../webhelpmark.js\" async></script>");
    EXPECT_EQ(InsertMarkScript("<p>a</p></BODY></html>", "a.htm"),
              "<p>a</p><script src=\"../webhelpmark.js\" async></script></BODY></html>");
    // The last closing tag counts: an earlier one may stand in a script's text.
    EXPECT_EQ(InsertMarkScript("<script>s='</body>'</script></body>", "a.htm"),
              "<script>s='</body>'</script><script src=\"../webhelpmark.js\" async></script>"
              "</body>");
    EXPECT_EQ(InsertMarkScript("<p>no end", "a.htm"),
              "<p>no end<script src=\"../webhelpmark.js\" async></script>");
}

// ---- navigation tree -----------------------------------------------------------------------

TEST(WebHelpNavigation, MatchesGoldenWithLinesFromTheRoot) {
    TestProject p;
    MakeNavigationProject(p);
    ExpectGolden(Navigation(p), "nav_lines_from_root.htm");
}

TEST(WebHelpNavigation, MatchesGoldenWithoutLinesBelowTheRoot) {
    TestProject p;
    MakeNavigationProject(p);
    TProjectSettings& s = p.Project().ProjectSettings;
    s.DrawLines = false;
    s.StartFromRoot = false;
    s.AutoCollapse = true;
    s.RealColorIcon = true;
    ExpectGolden(Navigation(p), "nav_plain_below_root.htm");
}

TEST(WebHelpNavigation, BlocksNestAndDivlistNamesEveryFolder) {
    TestProject p;
    MakeNavigationProject(p);
    const std::string nav = Navigation(p);
    // "User's guide" (1) holds a block; so does its last child, the chapter (3), whose
    // block and the guide's close at once before "Quotes".
    EXPECT_TRUE(Contains(nav, "<script>divlist = [1,3]</script>"));
    EXPECT_TRUE(
        Contains(nav, "</nobr></div>\r\n<div id=\"d1\" style=\"display:none\"><div><nobr>"));
    EXPECT_TRUE(Contains(nav, "</div></div><div><nobr><img src=\"icons/tshaped.gif\" class=\"p\">"
                              "<a href=\"scr/it's.htm\""));
    EXPECT_EQ(CountOf(nav, "<div"), CountOf(nav, "</div>"));
    // Each block follows the row of its folder.
    const std::regex block("<div id=\"d(\\d+)\"");
    for (std::sregex_iterator it(nav.begin(), nav.end(), block), end; it != end; ++it) {
        const std::string id = (*it)[1];
        const std::size_t row = nav.find("id=\"l" + id + "\"");
        EXPECT_LT(row, static_cast<std::size_t>(it->position())) << id;
    }
}

TEST(WebHelpNavigation, TopicsWithoutPagesAndExternalAddresses) {
    TestProject p;
    MakeNavigationProject(p);
    const std::string nav = Navigation(p);
    // A heading folder links nowhere and says it has no page.
    EXPECT_TRUE(Contains(nav, "<a href=\"#\" onclick=\"return LinkClick('3',true,false)\""));
    // An unsaved leaf neither: no link into "scr/".
    EXPECT_TRUE(Contains(nav, "<a href=\"#\" onclick=\"return LinkClick('2',false,false)\""));
    EXPECT_FALSE(Contains(nav, "href=\"scr/\""));
    // An external address is linked as it is, its "&" written for an attribute.
    EXPECT_TRUE(Contains(nav, "<a href=\"https://example.org/help?x=1&amp;y=2\" "
                              "onclick=\"return LinkClick('5',false,true)\""));
    // A page whose file is missing still points into "scr".
    EXPECT_TRUE(Contains(nav, "<a href=\"scr/missing/page.htm\""));
}

TEST(WebHelpNavigation, TitlesAreEscapedForTextAttributesAndScript) {
    TestProject p;
    MakeNavigationProject(p);
    const std::string nav = Navigation(p);
    EXPECT_TRUE(Contains(nav, "title=\"User's &quot;guide&quot;\" "
                              "onmousemove=\"window.status='User\\'s &quot;guide&quot;'\""));
    EXPECT_TRUE(
        Contains(nav, "<span id=\"l1\" class=\"unselected\">User's &quot;guide&quot;</span>"));
    EXPECT_TRUE(Contains(nav, ">Chapter &lt;1&gt; &amp; more</span>"));
    EXPECT_TRUE(Contains(nav, "window.status='One\\\\two'"));
    EXPECT_TRUE(Contains(nav, ">Quotes: it's \xc3\xa9t\xc3\xa9</span>"));
    EXPECT_FALSE(Contains(nav, "<1>"));
    EXPECT_FALSE(Contains(nav, "\\\"guide"));
}

TEST(WebHelpNavigation, SingleTopicHasNoExpanderBelowTheRoot) {
    TestProject p;
    p.Write("a.htm", Page("a", "a"));
    AddTopic(p, "Only", "a.htm");
    p.Project().UpdateTopicImages();
    p.Project().ProjectSettings.StartFromRoot = false;
    EXPECT_EQ(Navigation(p),
              "<script>SetEnv(0,false)</script><div><nobr><a href=\"scr/a.htm\" "
              "onclick=\"return LinkClick('0',false,true)\" target=\"content\" title=\" Only\" "
              "onmousemove=\"window.status='Only'\"><img src=\"icons/11.gif\" class=\"p\"> <span "
              "id=\"l0\" class=\"unselected\">Only</span></a></nobr></div>\r\n"
              "<script>divlist = []</script>");
    p.Project().ProjectSettings.StartFromRoot = true;
    EXPECT_TRUE(Contains(Navigation(p), "<div><nobr><img src=\"icons/sline.gif\" class=\"p\"><a "));
}

TEST(WebHelpNavigation, EmptyContentsGivesAnEmptyTreeAndIndex) {
    TestProject p;
    EXPECT_EQ(Navigation(p), "<script>SetEnv(0,false)</script><script>divlist = []</script>");
    EXPECT_EQ(IndexList(p), "<UL></UL>");
}

TEST(WebHelpNavigation, LinksUseTheLetterCaseOfTheFileOnDisk) {
    TestProject p;
    p.Write("docs/page.htm", Page("a", "a"));
    AddTopic(p, "Mixed case", "Docs\\Page.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    ASSERT_TRUE(contents.Items[0]->HasContent);
    EXPECT_TRUE(Contains(contents.BuildNavigation(), "<a href=\"scr/docs/page.htm\""));
}

// ---- keyword index -------------------------------------------------------------------------

TEST(WebHelpIndex, MatchesGoldenWithLevelsSharedKeywordsAndEscaping) {
    TestProject p;
    p.Write("a.htm", Page("a", "a"));
    p.Write("sub/it's.htm", Page("b", "b"));
    p.Write("c.htm", Page("c", "c"));
    TTopicNode* a = AddTopic(p, "Alpha \"A\"", "a.htm");
    a->Data().Keywords = "Setup\r\nSetup/Linux\r\nSetup/Windows\r\n  \r\nfile//folder";
    TTopicNode* b = AddTopic(p, "Beta's <b>", "sub\\it's.htm");
    b->Data().Keywords = "setup/linux\r\nSetup/Linux\r\nZeta/Deep/Deeper\r\n\\ back";
    TTopicNode* c = AddTopic(p, "Gamma", "c.htm");
    c->Data().Keywords = "Zeta\r\n<tag> & more/child";
    AddTopic(p, "Heading", "", nullptr, tsNoLink)->Data().Keywords = "Setup";
    AddTopic(p, "Missing", "gone.htm")->Data().Keywords = "Setup";
    ExpectGolden(IndexList(p), "index_levels.htm");
}

TEST(WebHelpIndex, OneEntryPerKeywordOffersAllItsTopics) {
    TestProject p;
    p.Write("a.htm", Page("a", "a"));
    p.Write("b.htm", Page("b", "b"));
    AddTopic(p, "First", "a.htm")->Data().Keywords = "Shared\r\nOwn";
    AddTopic(p, "Second", "b.htm")->Data().Keywords = "Shared";
    const std::string index = IndexList(p);
    EXPECT_EQ(CountOf(index, ">Shared</a>"), 1u);
    EXPECT_TRUE(Contains(index, "writepage([['First','scr/a.htm'],['Second','scr/b.htm']]);\">"
                                "Shared</a></li>"));
    EXPECT_TRUE(Contains(index, "writepage([['First','scr/a.htm']]);\">Own</a></li>"));
}

TEST(WebHelpIndex, ListsStayBalancedWhateverTheKeywordLevels) {
    // A keyword followed by one two levels deeper under it used to leave a list open.
    std::mt19937 random(12345);
    const char* parts[] = {"a", "b", "c"};
    for (int round = 0; round < 200; ++round) {
        TestProject p;
        p.Write("a.htm", Page("a", "a"));
        std::string keywords;
        const int count = 1 + static_cast<int>(random() % 6);
        for (int k = 0; k < count; ++k) {
            const int depth = 1 + static_cast<int>(random() % 4);
            std::string keyword;
            for (int d = 0; d < depth; ++d)
                keyword += (d ? "/" : "") + std::string(parts[random() % 3]);
            keywords += keyword + "\r\n";
        }
        AddTopic(p, "T", "a.htm")->Data().Keywords = keywords;
        const std::string index = IndexList(p);
        int depth = 0;
        bool negative = false;
        for (std::size_t pos = 0; pos < index.size(); ++pos) {
            if (index.compare(pos, 4, "<UL>") == 0)
                ++depth;
            else if (index.compare(pos, 5, "</UL>") == 0 && --depth < 0)
                negative = true;
        }
        EXPECT_EQ(depth, 0) << keywords << index;
        EXPECT_FALSE(negative) << keywords << index;
        // Every level of every keyword is on the page, each entry under its parent.
        EXPECT_EQ(CountOf(index, "<LI>"), CountOf(index, "</LI>") + CountOf(index, "</li>"));
    }
}

TEST(WebHelpIndex, DeeperKeywordNestsUnderItsParentEntry) {
    TestProject p;
    p.Write("a.htm", Page("a", "a"));
    AddTopic(p, "T", "a.htm")->Data().Keywords = "a\r\na/b/c";
    EXPECT_EQ(IndexList(p),
              "<UL><LI><a href=\"#\" target=\"content\" onclick=\"return writepage([['T','scr/"
              "a.htm']]);\">a</a></li><UL>\r\n"
              "<LI>b</LI>\r\n"
              "<UL>\r\n"
              "<LI><a href=\"#\" target=\"content\" onclick=\"return writepage([['T','scr/"
              "a.htm']]);\">c</a></li></UL>\r\n"
              "</UL>\r\n"
              "</UL>");
}

// ---- page step ------------------------------------------------------------------------------

namespace {

class LinesHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

TBuildResult BuildWeb(TestProject& p, LinesHost& host, const std::string& out) {
    TBuildRequest request;
    request.Kind = OutputKind::WebHelp;
    request.OutputOverride = out;
    return RunBuild(p.Project(), request, host);
}

} // namespace

TEST(WebHelpPages, WithoutTemplateTheScriptFollowsTheBodyTag) {
    TestProject p;
    p.Write("a.htm",
            "<html><head><title>A</title></head><BODY class=\"x\">\r\n<p>a</p>\r\n</BODY></html>");
    p.Write("sub/nobody.htm", "<html><head><title>B</title></head><p>no body tag</p></html>");
    AddTopic(p, "A", "a.htm");
    AddTopic(p, "B", "sub\\nobody.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    const TBuildResult result = BuildWeb(p, host, out);
    ASSERT_TRUE(result.Ok) << result.Message;

    const std::string a = ReadFile(out + "scr/a.htm");
    EXPECT_EQ(a.substr(0, a.find("<script")),
              "<html><head><title>A</title></head><body class=\"x\">");
    EXPECT_TRUE(Contains(a, "parent.nav.selectNode(0);"));
    EXPECT_TRUE(Contains(a, "</script> \r\n\r\n<p>a</p>"));
    // A page without an opening body tag is written empty.
    EXPECT_EQ(ReadFile(out + "scr/sub/nobody.htm"), "");
    // The project's pages are untouched.
    EXPECT_FALSE(Contains(ReadFile(p.Root() + "a.htm"), "syn()"));
}

TEST(WebHelpPages, PagesKeepTheCharsetTheyDeclare) {
    TestProject p;
    p.Project().ProjectSettings.Encoding = "UTF-8";
    p.Write("latin.htm", "<html><head><meta charset=\"windows-1252\"><title>L</title></head>"
                         "<body>caf\xe9</body></html>");
    p.Write("utf.htm", "<html><head><title>U</title></head><body>caf\xc3\xa9</body></html>");
    AddTopic(p, "L", "latin.htm");
    AddTopic(p, "U", "utf.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    ASSERT_TRUE(BuildWeb(p, host, out).Ok);
    const std::string mark = "<script src=\"../webhelpmark.js\" async></script>";
    EXPECT_TRUE(Contains(ReadFile(out + "scr/latin.htm"), "caf\xe9" + mark + "</body>"));
    EXPECT_TRUE(Contains(ReadFile(out + "scr/utf.htm"), "caf\xc3\xa9" + mark + "</body>"));
}

TEST(WebHelpPages, TemplateWrapsContentsAndLinkedNonContentsPages) {
    TestProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.HtmlHelpTemplate = "tpl\\web.htm";
    s.WebHelpTemplateSame = true;
    s.WebBackColor = "#123456";
    p.Write("tpl/web.htm", "<html><head><title>($title$)</title></HEAD><body>"
                           "<img src=\"logo.gif\">($CONTENT$)</body></html>");
    p.Write("tpl/logo.gif", "GIF");
    p.Write("docs/a.htm", Page("A", "<p>a</p><a href=\"../extra.htm\">extra</a>"));
    p.Write("keep.htm", Page("K", "<p>kept</p>"));
    p.Write("extra.htm", Page("E", "<p>extra</p>"));
    p.Write("lonely.htm", Page("L", "<p>lonely</p>"));
    AddTopic(p, "Tom & <Jerry>", "docs\\a.htm");
    AddTopic(p, "Kept", "keep.htm")->Data().ApplyTemp = true;
    TTopicTree& tree = p.Tree();
    tree.AddTopicNode(p.Project().NonContentsRoot(), "Extra page", imLastChildOfReference, tsLinked,
                      0, "extra.htm");
    tree.AddTopicNode(p.Project().NonContentsRoot(), "Lonely", imLastChildOfReference, tsLinked, 0,
                      "lonely.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    const TBuildResult result = BuildWeb(p, host, out);
    ASSERT_TRUE(result.Ok) << result.Message;

    const std::string a = ReadFile(out + "scr/docs/a.htm");
    EXPECT_TRUE(Contains(a, "<title>Tom &amp; &lt;Jerry&gt;</title>")) << a;
    EXPECT_TRUE(Contains(a, "<img src=\"../tpl/logo.gif\"><script language=\"JavaScript\""));
    EXPECT_TRUE(Contains(a, "</script> \r\n\r\n<p>a</p>")) << a;
    // The scroll style, coloured, stands before the end of the head.
    EXPECT_TRUE(Contains(a, "#123456"));
    EXPECT_LT(a.find("#123456"), a.find("</HEAD>"));
    EXPECT_TRUE(fs::exists(out + "scr/tpl/logo.gif"));
    // Not templated: copied byte for byte.
    EXPECT_EQ(ReadFile(out + "scr/keep.htm"), ReadFile(p.Root() + "keep.htm"));
    // A linked non-contents page is templated without script or scroll style.
    const std::string extra = ReadFile(out + "scr/extra.htm");
    EXPECT_TRUE(Contains(extra, "<title>Extra page</title>"));
    EXPECT_TRUE(Contains(extra, "<img src=\"tpl/logo.gif\">\r\n<p>extra</p>"));
    EXPECT_FALSE(Contains(extra, "syn()"));
    EXPECT_FALSE(Contains(extra, "#123456"));
    // Nothing links to the lonely page: it is not in the output at all.
    EXPECT_FALSE(fs::exists(out + "scr/lonely.htm"));
}

TEST(WebHelpPages, AMissingTemplateStopsBeforeTheOutputIsTouched) {
    TestProject p;
    p.Project().ProjectSettings.HtmlHelpTemplate = "nowhere.htm";
    p.Write("a.htm", Page("A", "a"));
    AddTopic(p, "A", "a.htm");
    const std::string out = p.Dir().Folder() + "out/";
    WriteFile(out + "index.htm", "old");
    WriteFile(out + "webhelpframe.htm", "old");
    LinesHost host;
    const TBuildResult result = BuildWeb(p, host, out);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(Contains(result.Message, "nowhere.htm")) << result.Message;
    EXPECT_EQ(ReadFile(out + "index.htm"), "old");
}

TEST(WebHelpPages, AddressesLeavingTheRootAreNotWrittenOutsideTheOutput) {
    TestProject p;
    p.Write("a.htm", Page("A", "a"));
    WriteFile(p.Dir().Folder() + "outside.htm", Page("O", "o"));
    AddTopic(p, "A", "a.htm");
    AddTopic(p, "Out", "..\\outside.htm");
    AddTopic(p, "Far", "..\\..\\..\\outside.htm");
    const std::string out = p.Dir().Folder() + "deep/out/";
    LinesHost host;
    ASSERT_TRUE(BuildWeb(p, host, out).Ok);
    EXPECT_FALSE(fs::exists(out + "outside.htm"));
    EXPECT_FALSE(fs::exists(p.Dir().Folder() + "deep/outside.htm"));
    EXPECT_EQ(ReadFile(p.Dir().Folder() + "outside.htm"), Page("O", "o"));
}

// ---- the whole branch --------------------------------------------------------------------

TEST(WebHelpBuild, WritesFramePagesScriptImagesAndReportsInOrder) {
    TestProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.Title = "Help & <more>";
    s.DefaultTopic = "docs\\it's.htm";
    s.NavWidth = 321;
    s.WebBackColor = "#003366";
    s.WebFontColor = "#ffffff";
    s.WebHelpOutputFolder = p.Dir().Folder() + "setting/";
    p.Write("docs/it's.htm", Page("A", "a"));
    AddTopic(p, "A", "docs\\it's.htm")->Data().Keywords = "key";
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    const TBuildResult result = BuildWeb(p, host, out);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.OutputFile, out + "index.htm");
    EXPECT_FALSE(fs::exists(s.WebHelpOutputFolder)) << "the override replaces the setting";

    for (const char* name :
         {"index.htm", "webhelpframe.htm", "webhelptop.htm", "webhelpleft.htm", "webhelpindex.htm",
          "webhelp.js", "webhelp.css", "icons/1.gif", "icons/tshaped.gif", "scr/docs/it's.htm"})
        EXPECT_TRUE(fs::is_regular_file(out + name)) << name;
    for (const char* name : {"index.htm", "webhelpframe.htm", "webhelptop.htm", "webhelpleft.htm",
                             "webhelpindex.htm"}) {
        const std::string page = ReadFile(out + name);
        EXPECT_FALSE(Contains(page, "($")) << name << " keeps a placeholder";
        EXPECT_TRUE(Contains(page, "Help &amp; &lt;more&gt;")) << name;
    }
    EXPECT_TRUE(Contains(ReadFile(out + "webhelpframe.htm"), "'docs/it\\'s.htm', '321'"));
    EXPECT_TRUE(Contains(ReadFile(out + "webhelptop.htm"), "background: #003366; color: #ffffff"));
    EXPECT_TRUE(Contains(ReadFile(out + "webhelpleft.htm"),
                         "<span id=\"l0\" class=\"unselected\">A</span>"));
    EXPECT_TRUE(Contains(ReadFile(out + "webhelpindex.htm"),
                         "writepage([['A','scr/docs/it\\'s.htm']]);\">key<"));
    EXPECT_TRUE(Contains(ReadFile(out + "webhelpindex.htm"), "<!--BEGINBAR-->"));

    const std::vector<std::string> expected = {"Reading TOC...",
                                               "Preparing files...",
                                               "Copying files...",
                                               p.Root() + "docs/it's.htm",
                                               "Creating navigation...",
                                               "Creating search...",
                                               "",
                                               "Filename: " + out + "index.htm",
                                               "",
                                               "Completed."};
    EXPECT_EQ(host.lines, expected);
}

TEST(WebHelpBuild, HiddenIndexBarAndRefusedColours) {
    TestProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.ShowIndex = false;
    p.Write("a.htm", Page("A", "a"));
    AddTopic(p, "A", "a.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    ASSERT_TRUE(BuildWeb(p, host, out).Ok);
    // The index tab goes; the search stays reachable.
    for (const char* name : {"webhelpleft.htm", "webhelpindex.htm", "webhelpsearch.htm"}) {
        const std::string page = ReadFile(out + name);
        EXPECT_FALSE(Contains(page, "BEGINBAR")) << name;
        EXPECT_FALSE(Contains(page, "href=\"webhelpindex.htm\"")) << name;
        EXPECT_TRUE(Contains(page, "href=\"webhelpsearch.htm\"")) << name;
    }

    s.WebBackColor = "red\"><script>alert(1)</script>";
    const TBuildResult refused = BuildWeb(p, host, out);
    EXPECT_FALSE(refused.Ok);
    EXPECT_TRUE(Contains(refused.Message, "WebBackColor")) << refused.Message;
    EXPECT_TRUE(fs::exists(out + "webhelpleft.htm")) << "the earlier output stays";
}

TEST(WebHelpBuild, ViewOpensIndexInTheOutputFolder) {
    TestProject p;
    p.Project().ProjectSettings.WebHelpOutputFolder = p.Dir().Folder() + "web";
    EXPECT_EQ(WebHelpIndexFile(p.Project()), p.Dir().Folder() + "web/index.htm");
    p.Project().ProjectSettings.WebHelpOutputFolder = "  ";
    EXPECT_EQ(WebHelpIndexFile(p.Project()), "");
    EXPECT_STREQ(kWebHelpNotCreatedQuestion, "Web Help hasn't been created, create it?");
}

// ---- search -------------------------------------------------------------------------------

TEST(WebHelpSearch, WritesTheSearchPageItsDataAndMarkableTopicPages) {
    TestProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.Title = "Search & find";
    s.WebBackColor = "#224466";
    p.Write("a.htm", Page("A", "<p>Configuring the network</p>"));
    p.Write("sub/b.htm", "<html><body><p>B\xc3\xa9ta page</p></body></html>");
    p.Write("nobody.htm", "<html><p>no body tag</p></html>");
    AddTopic(p, "Network \"setup\"", "a.htm");
    AddTopic(p, "B", "sub\\b.htm");
    AddTopic(p, "Again", "a.htm");
    AddTopic(p, "No body", "nobody.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    ASSERT_TRUE(BuildWeb(p, host, out).Ok);

    const std::string support = Paths::IncludeTrailingSlash(Paths::AppDir()) + "webhelp/";
    for (const char* name : {"minisearch.js", "porter2.js", "webhelpmark.js"})
        EXPECT_EQ(ReadFile(out + name), ReadFile(support + name)) << name;

    const std::string page = ReadFile(out + "webhelpsearch.htm");
    EXPECT_FALSE(Contains(page, "($")) << "a placeholder is left";
    EXPECT_TRUE(Contains(page, "Search &amp; find"));
    EXPECT_TRUE(Contains(page, "--accent: #224466"));
    EXPECT_TRUE(Contains(page, "webhelpsearchdata.js"));
    for (const char* name : {"webhelpleft.htm", "webhelpindex.htm"})
        EXPECT_TRUE(Contains(ReadFile(out + name), "href=\"webhelpsearch.htm\"")) << name;

    const std::string data = ReadFile(out + "webhelpsearchdata.js");
    EXPECT_EQ(data.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8, said so to the browser";
    EXPECT_TRUE(Contains(data, "pvSearchData({"));
    EXPECT_TRUE(Contains(data, "\"configuring\""));
    EXPECT_TRUE(Contains(data, "\"b\xc3\xa9ta\"")) << "ASCII letters lower-cased, others kept";
    // A page shown by two topics is found once, under the first; the page without a body
    // has nothing to find.
    EXPECT_EQ(CountOf(data, "\"scr/a.htm\""), 1u);
    EXPECT_TRUE(Contains(data, "[\"Network \\\"setup\\\"\",\"scr/a.htm\",0,"));
    EXPECT_TRUE(Contains(data, "[\"B\",\"scr/sub/b.htm\",1,"));

    EXPECT_TRUE(Contains(ReadFile(out + "scr/a.htm"),
                         "</p>\r\n<script src=\"../webhelpmark.js\" async></script></body>"));
    EXPECT_TRUE(Contains(ReadFile(out + "scr/sub/b.htm"),
                         "<script src=\"../../webhelpmark.js\" async></script></body>"));
}

TEST(WebHelpSearch, TemplatedPagesCarryTheMarkScriptAndOnlyTheirOwnText) {
    TestProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.HtmlHelpTemplate = "tpl.htm";
    p.Write("tpl.htm", "<html><head><title>($title$)</title></head><body><div>Boilerplate "
                       "footer</div>($content$)</body></html>");
    p.Write("a.htm", Page("A", "<p>own words</p>"));
    AddTopic(p, "A", "a.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    ASSERT_TRUE(BuildWeb(p, host, out).Ok);
    const std::string page = ReadFile(out + "scr/a.htm");
    EXPECT_TRUE(Contains(page, "<p>own words</p>\r\n<script src=\"../webhelpmark.js\" async>"))
        << page;
    const std::string data = ReadFile(out + "webhelpsearchdata.js");
    EXPECT_TRUE(Contains(data, "\"own\""));
    EXPECT_FALSE(Contains(data, "\"boilerplate\"")) << "the template's text is not the page's";
}

TEST(WebHelpSearch, TheBuildFindsWhatTheSearchDocumentsOfTheContentsHold) {
    // The build adds each page to the search data as it writes it; what it writes must be
    // the data of the contents' documents taken on their own: each page once under its
    // first topic, pages the step does not write (a page shown by two topics, a topic
    // spelt in another case, one left untemplated) read for the search all the same.
    for (const bool withTemplate : {false, true}) {
        for (const int threads : {1, 3}) {
            TestProject p;
            TProjectSettings& s = p.Project().ProjectSettings;
            if (withTemplate)
                s.HtmlHelpTemplate = "tpl.htm";
            p.Write("tpl.htm", "<html><body><p>frame words</p>($content$)</body></html>");
            p.Write("a.htm", Page("A", "<p>alpha apple</p>"));
            p.Write("sub/B.htm", Page("B", "<p>beta <b>banana</b></p>"));
            p.Write("c.htm", Page("C", "<p>gamma cherry</p>"));
            p.Write("d.htm", Page("D", "<p>delta date</p>"));
            for (int i = 0; i < 20; ++i)
                p.Write("m" + std::to_string(i) + ".htm",
                        Page("M", "<p>many word" + std::to_string(i) + "</p>"));
            AddTopic(p, "A", "a.htm");
            AddTopic(p, "B", "Sub\\b.htm");
            AddTopic(p, "A again", "a.htm");
            AddTopic(p, "C kept", "c.htm")->Data().ApplyTemp = true;
            AddTopic(p, "Missing", "gone.htm");
            AddTopic(p, "Heading", "", nullptr, tsNoLink);
            AddTopic(p, "D", "d.htm");
            for (int i = 0; i < 20; ++i)
                AddTopic(p, "M" + std::to_string(i), "m" + std::to_string(i) + ".htm");
            LinesHost host;
            const std::string out = p.Dir().Folder() + "out/";
            TBuildRequest request;
            request.Kind = OutputKind::WebHelp;
            request.OutputOverride = out;
            request.Threads = threads;
            ASSERT_TRUE(RunBuild(p.Project(), request, host).Ok);

            TContents contents(p.Project());
            contents.BuildItems();
            const std::vector<TSearchDoc> docs = SearchDocs(contents);
            ASSERT_EQ(docs.size(), 24u);
            EXPECT_EQ(docs[1].Url, "scr/sub/B.htm");
            EXPECT_EQ(ReadFile(out + "webhelpsearchdata.js"),
                      "\xEF\xBB\xBF" + SearchDataScript(docs))
                << "template " << withTemplate << ", " << threads << " threads";
        }
    }
}

TEST(WebHelpSearch, TheProjectSettingLeavesTheSearchOut) {
    TestProject p;
    p.Project().ProjectSettings.WebHelpSearch = false;
    p.Write("a.htm", Page("A", "<p>a</p>"));
    AddTopic(p, "A", "a.htm");
    LinesHost host;
    const std::string out = p.Dir().Folder() + "out/";
    ASSERT_TRUE(BuildWeb(p, host, out).Ok);
    for (const char* name : {"webhelpsearch.htm", "webhelpsearchdata.js", "minisearch.js",
                             "porter2.js", "webhelpmark.js"})
        EXPECT_FALSE(fs::exists(out + name)) << name;
    for (const char* name : {"webhelpleft.htm", "webhelpindex.htm"}) {
        const std::string page = ReadFile(out + name);
        EXPECT_FALSE(Contains(page, "webhelpsearch.htm")) << name;
        EXPECT_FALSE(Contains(page, "BEGINSEARCH")) << name;
        EXPECT_TRUE(Contains(page, "href=\"webhelpindex.htm\"")) << name;
    }
    EXPECT_FALSE(Contains(ReadFile(out + "scr/a.htm"), "webhelpmark.js"));
    EXPECT_EQ(std::count(host.lines.begin(), host.lines.end(), "Creating search..."), 0);
}
