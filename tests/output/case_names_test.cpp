// Names on a case-sensitive file system in every output: two pages whose names differ
// only in case are two pages, and a link or topic that reaches its file only without
// regard to case is written with the name the file has on disk.

#include "../support/test_project.h"
#include "chm_listing.h"
#include "model/project_root.h"
#include "output/build_driver.h"
#include "output/real_names.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

class LinesHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A manual made on a case-blind system: its links and one topic spell names in another
// case than the files have, and it ships FAQ.html beside faq.html.
struct CaseProject {
    TestProject p;
    CaseProject() {
        p.Write("index.htm", Page("Index",
                                  "<img src=\"img/logo.gif\"><a href=\"B.HTM\">b</a>"
                                  "<a href=\"FAQ.html\">upper</a><a href=\"faq.html\">lower</a>",
                                  "<link rel=\"stylesheet\" href=\"CSS/Site.css\">"));
        p.Write("css/site.css", "body { background: url(../IMG/BACK.GIF) }");
        p.Write("Img/Logo.gif", "LOGO");
        p.Write("Img/Back.gif", "BACK");
        p.Write("b.htm", Page("B", "<p>bee</p>"));
        p.Write("FAQ.html", Page("FAQ", "<p>UPPER-FAQ</p>"));
        p.Write("faq.html", Page("faq", "<p>lower-faq</p>"));
        p.Add("Index", "index.htm");
        p.Add("B", "B.HTM");
        p.Add("FAQ", "FAQ.html");
        p.Add("faq", "faq.html");
        TProjectSettings& s = p.Project().ProjectSettings;
        s.Title = "Case";
        s.DefaultTopic = "INDEX.HTM";
        s.SingleHtmlFilename = "single.htm";
        s.SingleHtmlOutputFolder = p.Dir().Folder() + "single/";
        s.WebHelpOutputFolder = p.Dir().Folder() + "web/";
        s.CompiledFile = p.Dir().Folder() + "chm/case.chm";
    }
    TBuildResult Build(OutputKind kind, bool compile = false) {
        TBuildRequest request;
        request.Kind = kind;
        request.Compile = compile;
        if (kind == OutputKind::HtmlHelp)
            request.KeepProjectFolder = p.Dir().Folder() + "keep/";
        LinesHost host;
        return RunBuild(p.Project(), request, host);
    }
    std::string Out(const std::string& rel) { return ReadFile(p.Dir().Folder() + rel); }
};

} // namespace

TEST(CaseNames, SingleHtmlKeepsBothPagesAndWritesTheNamesOnDisk) {
    CaseProject c;
    const TBuildResult result = c.Build(OutputKind::SingleHtml);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string page = c.Out("single/single.htm");
    EXPECT_TRUE(Contains(page, "<img src=\"Img/Logo.gif\">")) << page;
    EXPECT_FALSE(Contains(page, "img/logo.gif"));
    EXPECT_TRUE(Contains(page, "UPPER-FAQ"));
    EXPECT_TRUE(Contains(page, "lower-faq"));
    // Each link goes to its own topic's anchor: B is topic 1, FAQ 2, faq 3.
    EXPECT_TRUE(Contains(page, "<a href=\"#A1\">b</a>")) << page;
    EXPECT_TRUE(Contains(page, "<a href=\"#A2\">upper</a>")) << page;
    EXPECT_TRUE(Contains(page, "<a href=\"#A3\">lower</a>")) << page;
    EXPECT_EQ(c.Out("single/Img/Logo.gif"), "LOGO");
    EXPECT_EQ(c.Out("single/css/site.css"), "body { background: url(../Img/Back.gif) }");
}

TEST(CaseNames, WebHelpKeepsBothPagesAndWritesTheNamesOnDisk) {
    CaseProject c;
    const TBuildResult result = c.Build(OutputKind::WebHelp);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string index = c.Out("web/scr/index.htm");
    EXPECT_TRUE(Contains(index, "<img src=\"Img/Logo.gif\">")) << index;
    EXPECT_TRUE(Contains(index, "<a href=\"b.htm\">b</a>")) << index;
    EXPECT_TRUE(Contains(index, "href=\"css/site.css\"")) << index;
    EXPECT_TRUE(Contains(index, "<a href=\"FAQ.html\">upper</a><a href=\"faq.html\">lower</a>"));
    EXPECT_TRUE(Contains(c.Out("web/scr/FAQ.html"), "UPPER-FAQ"));
    EXPECT_TRUE(Contains(c.Out("web/scr/faq.html"), "lower-faq"));
    EXPECT_EQ(c.Out("web/scr/css/site.css"), "body { background: url(../Img/Back.gif) }");
    EXPECT_EQ(c.Out("web/scr/Img/Back.gif"), "BACK");
    // The default page, set as "INDEX.HTM", opens by its name on disk.
    EXPECT_TRUE(Contains(c.Out("web/webhelpframe.htm"), "pvInitFrame('index.htm'"));
    const std::string nav = c.Out("web/webhelpleft.htm");
    EXPECT_TRUE(Contains(nav, "scr/b.htm")) << nav;
    EXPECT_FALSE(Contains(nav, "B.HTM"));
}

TEST(CaseNames, HtmlHelpStagesBothPagesAndWritesTheNamesOnDisk) {
    CaseProject c;
    const TBuildResult result = c.Build(OutputKind::HtmlHelp);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_TRUE(Contains(c.Out("keep/FAQ.html"), "UPPER-FAQ"));
    EXPECT_TRUE(Contains(c.Out("keep/faq.html"), "lower-faq"));
    const std::string index = c.Out("keep/index.htm");
    EXPECT_TRUE(Contains(index, "<img src=\"Img/Logo.gif\"><a href=\"b.htm\">b</a>")) << index;
    EXPECT_EQ(c.Out("keep/css/site.css"), "body { background: url(../Img/Back.gif) }");
    const std::string hhc = c.Out("keep/case.hhc");
    EXPECT_TRUE(Contains(hhc, "<param name=\"Local\" value=\"b.htm\">")) << hhc;
    EXPECT_TRUE(Contains(hhc, "<param name=\"Local\" value=\"FAQ.html\">"));
    EXPECT_TRUE(Contains(hhc, "<param name=\"Local\" value=\"faq.html\">"));
    EXPECT_FALSE(Contains(hhc, "B.HTM"));
    EXPECT_TRUE(Contains(c.Out("keep/case.hhp"), "Default topic=index.htm\r\n"));
}

TEST(CaseNames, TheCompiledFileHoldsBothPagesUnderTheirNames) {
    if (!chmtest::HaveChmTools())
        GTEST_SKIP() << "chmcmd or chmls missing: install fp-utils";
    CaseProject c;
    const TBuildResult result = c.Build(OutputKind::HtmlHelp, true);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::set<std::string> names = chmtest::ChmNames(c.p.Dir().Folder() + "chm/case.chm");
    for (const char* name : {"/FAQ.html", "/faq.html", "/b.htm", "/Img/Logo.gif", "/Img/Back.gif",
                             "/css/site.css", "/index.htm"})
        EXPECT_TRUE(names.count(name)) << name << " is not in the .chm";
}

TEST(CaseNames, TemplateLinksAreWrittenWithTheNamesOnDiskForEveryPage) {
    CaseProject c;
    c.p.Write("tpl/template.htm", "<html><head><title>($title$)</title></head>"
                                  "<body background=\"IMG/BG.GIF\">($content$)</body></html>");
    c.p.Write("tpl/img/bg.gif", "BG");
    c.p.Write("sub/deep.htm", Page("Deep", "<p>deep</p>"));
    c.p.Add("Deep", "sub\\deep.htm");
    c.p.Project().ProjectSettings.HtmlHelpTemplate = "tpl\\template.htm";
    ASSERT_TRUE(c.Build(OutputKind::HtmlHelp).Ok);
    EXPECT_TRUE(Contains(c.Out("keep/index.htm"), "background=\"tpl/img/bg.gif\""))
        << c.Out("keep/index.htm");
    EXPECT_TRUE(Contains(c.Out("keep/sub/deep.htm"), "background=\"../tpl/img/bg.gif\""))
        << c.Out("keep/sub/deep.htm");
    ASSERT_TRUE(c.Build(OutputKind::WebHelp).Ok);
    EXPECT_TRUE(Contains(c.Out("web/scr/sub/deep.htm"), "background=\"../tpl/img/bg.gif\""))
        << c.Out("web/scr/sub/deep.htm");
}

TEST(CaseNames, WebHelpWritesTheNamesOnDiskInEveryKindOfPage) {
    // Pages templated by the page step, a page left as it is, a page outside the contents
    // templated on its own, and the copies of style sheets: all get the names on disk.
    CaseProject c;
    c.p.Write("tpl/template.htm", "<html><head><title>($title$)</title></head>"
                                  "<body background=\"IMG/BG.GIF\">($content$)</body></html>");
    c.p.Write("tpl/img/bg.gif", "BG");
    c.p.Write("kept.htm", Page("Kept", "<a href=\"B.HTM\">b</a>"));
    c.p.Write("extra.htm", Page("Extra", "<img src=\"IMG/LOGO.GIF\">"));
    c.p.Add("Kept", "kept.htm")->Data().ApplyTemp = true;
    c.p.Tree().AddTopicNode(c.p.Project().NonContentsRoot(), "Extra", imLastChildOfReference,
                            tsLinked, 0, "extra.htm");
    c.p.Write("index.htm", Page("Index", "<a href=\"EXTRA.HTM\">extra</a><a href=\"KEPT.htm\">k</a>",
                                "<link rel=\"stylesheet\" href=\"CSS/Site.css\">"));
    c.p.Project().ProjectSettings.HtmlHelpTemplate = "tpl\\template.htm";
    ASSERT_TRUE(c.Build(OutputKind::WebHelp).Ok);
    const std::string index = c.Out("web/scr/index.htm");
    EXPECT_TRUE(Contains(index, "background=\"tpl/img/bg.gif\"")) << index;
    EXPECT_TRUE(Contains(index, "<a href=\"extra.htm\">extra</a><a href=\"kept.htm\">k</a>"))
        << index;
    EXPECT_TRUE(Contains(c.Out("web/scr/kept.htm"), "<a href=\"b.htm\">b</a>"));
    const std::string extra = c.Out("web/scr/extra.htm");
    EXPECT_TRUE(Contains(extra, "<img src=\"Img/Logo.gif\">")) << extra;
    EXPECT_TRUE(Contains(extra, "background=\"tpl/img/bg.gif\"")) << extra;
    EXPECT_EQ(c.Out("web/scr/css/site.css"), "body { background: url(../Img/Back.gif) }");
}

TEST(CaseNames, OnlyFilesNamingAFileInOtherCaseAreRewrittenButEachOfThemIs) {
    // Pages and style sheets are looked up file by file: two pages naming the same file in
    // another case both get its name on disk (the second finds the name looked up already),
    // a page and a style sheet naming their files exactly stay as they are, and a page the
    // contents do not list is rewritten when it is copied. Within a file, a link with the
    // last name of one that needs the name on disk is written as it is when it is right.
    TestProject p;
    p.Write("Img/Logo.gif", "LOGO");
    p.Write("Img/Back.gif", "BACK");
    p.Write("one.htm", Page("One",
                            "<img src=\"IMG/LOGO.GIF\"><a href=\"more.htm\">m</a>"
                            "<a href=\"Sub/DEEP.htm\">d</a>",
                            "<link rel=\"stylesheet\" href=\"exact.css\">"));
    p.Write("two.htm", Page("Two", "<img src=\"IMG/LOGO.GIF\">"));
    p.Write("exact.htm", Page("Exact", "<img src=\"Img/Logo.gif\">",
                              "<link rel=\"stylesheet\" href=\"other.css\">"));
    p.Write("more.htm", Page("More", "<img src=\"img/logo.gif\">"));
    p.Write("sub/deep.htm", Page("Deep", "<img src=\"../IMG/Back.gif\">"
                                         "<img src=\"../Img/Back.gif\">"
                                         "<a href=\"../Exact.htm\">e</a>"));
    p.Write("exact.css", "body { background: url(Img/Back.gif) }\n");
    p.Write("other.css", "body { background: url(img/BACK.gif) }\n");
    p.Add("One", "one.htm");
    p.Add("Two", "two.htm");
    p.Add("Exact", "exact.htm");
    p.Project().ProjectSettings.WebHelpOutputFolder = p.Dir().Folder() + "web/";
    for (const OutputKind kind : {OutputKind::WebHelp, OutputKind::HtmlHelp}) {
        TBuildRequest request;
        request.Kind = kind;
        request.Compile = false;
        request.KeepProjectFolder = p.Dir().Folder() + "keep/";
        LinesHost host;
        const TBuildResult result = RunBuild(p.Project(), request, host);
        ASSERT_TRUE(result.Ok) << result.Message;
        const std::string out =
            p.Dir().Folder() + (kind == OutputKind::WebHelp ? "web/scr/" : "keep/");
        for (const char* page : {"one.htm", "two.htm", "exact.htm"}) {
            const std::string text = ReadFile(out + page);
            EXPECT_TRUE(Contains(text, "<img src=\"Img/Logo.gif\">")) << page << ": " << text;
        }
        EXPECT_TRUE(Contains(ReadFile(out + "more.htm"), "<img src=\"Img/Logo.gif\">"));
        EXPECT_TRUE(Contains(ReadFile(out + "one.htm"), "<a href=\"sub/deep.htm\">d</a>"));
        const std::string deep = ReadFile(out + "sub/deep.htm");
        EXPECT_TRUE(Contains(deep, "<img src=\"../Img/Back.gif\"><img src=\"../Img/Back.gif\">"
                                   "<a href=\"../exact.htm\">e</a>"))
            << deep;
        EXPECT_EQ(ReadFile(out + "exact.css"), "body { background: url(Img/Back.gif) }\n");
        EXPECT_EQ(ReadFile(out + "other.css"), "body { background: url(Img/Back.gif) }\n");
    }
}

TEST(CaseNames, LinksFoundElsewhereAreWrittenInOrderAndOverlapsLeftAsText) {
    TestProject p;
    p.Write("Guide/Intro.html", "x");
    p.Write("Guide/intro.HTML.bak", "x");
    p.Write("Img/Logo.gif", "x");
    TProjectRoot root(p.Root());
    TRealNames names(root);
    std::string text = "<img src=\"img/logo.gif\"><a href=\"guide/intro.html.bak\">a</a>"
                       "<a href=\"missing.html\">m</a><a href=\"guide/INTRO.HTML\">b</a>";
    const auto span = [&](const std::string& link, std::size_t from = 0) {
        const std::size_t at = text.find(link, from);
        return THTMLRefer::TLinkSpan{at, at + link.size()};
    };
    const std::size_t bak = text.find("guide/intro.html.bak");
    // Out of order, and two spans over one address: the one ending first is kept, so the
    // longer name is never looked up.
    const std::vector<THTMLRefer::TLinkSpan> links = {
        span("guide/INTRO.HTML"), span("guide/intro.html.bak"), span("missing.html"),
        THTMLRefer::TLinkSpan{bak, bak + std::string("guide/intro.html").size()},
        span("img/logo.gif")};
    ASSERT_TRUE(names.Rewrite(text, p.Root(), links));
    EXPECT_EQ(text, "<img src=\"Img/Logo.gif\"><a href=\"Guide/Intro.html.bak\">a</a>"
                    "<a href=\"missing.html\">m</a><a href=\"Guide/Intro.html\">b</a>");
    // Links written as the files are named: false, and the text as it was.
    std::string exact = "<img src=\"Img/Logo.gif\"><a href=\"Guide/Intro.html\">";
    const std::string before = exact;
    const std::vector<THTMLRefer::TLinkSpan> exactLinks = {{10, 22}, {33, 49}};
    EXPECT_FALSE(names.Rewrite(exact, p.Root(), exactLinks));
    EXPECT_EQ(exact, before);
}
