#include "../support/test_project.h"
#include "output/build_driver.h"
#include "output/epub.h"
#include "output/epub_xhtml.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>

using namespace parvane;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Links pass through unchanged; pictures named "missing*" cannot come along.
TXhtmlLinks Identity() {
    TXhtmlLinks links;
    links.Hyperlink = [](const std::string& href) { return href; };
    links.Resource = [](const std::string& src) {
        return src.rfind("missing", 0) == 0 ? std::string() : "res/" + src;
    };
    return links;
}

// True when text parses as XML (the body wrapped in one element).
bool WellFormed(const std::string& body) {
    const std::string doc = "<div xmlns=\"http://www.w3.org/1999/xhtml\">" + body + "</div>";
    xmlDocPtr parsed = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "x.xml", "UTF-8",
                                     XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const bool ok = parsed != nullptr;
    xmlFreeDoc(parsed);
    return ok;
}

class TQuietBuildHost : public TBuildHost {
public:
    void Info(const std::string&) override {}
};

} // namespace

TEST(EpubXhtml, TagSoupBecomesWellFormedXhtml) {
    const std::string html = "<html><head><title>T &amp; more</title></head><body>"
                             "<P>one<br>two<P>three &copy; &nbsp;<IMG SRC=a.gif><hr>"
                             "<ul><li>x<li>y</ul><table><tr><td>c<td>d</table>"
                             "<p>a & b < c</p>\x01\x0c</body></html>";
    const TXhtmlPage page = ConvertToXhtml(html, Identity());
    EXPECT_EQ(page.Title, "T & more");
    EXPECT_TRUE(WellFormed(page.Body)) << page.Body;
    EXPECT_THAT(page.Body, HasSubstr("<br/>"));
    EXPECT_THAT(page.Body, HasSubstr("<hr/>"));
    EXPECT_THAT(page.Body, HasSubstr("<img src=\"res/a.gif\" alt=\"\"/>"));
    EXPECT_THAT(page.Body, HasSubstr("<li>x</li><li>y</li>"));
    EXPECT_THAT(page.Body, HasSubstr("a &amp; b &lt; c"));
    EXPECT_THAT(page.Body, HasSubstr("\xC2\xA9")); // &copy; as the character itself
}

TEST(EpubXhtml, OldPresentationalMarkupBecomesStyles) {
    const std::string html =
        "<body><center>mid</center><font color=red face='Arial' size=5>big red</font>"
        "<p align=RIGHT>r</p><table align=center bgcolor=#ffeecc border=2 cellspacing=3 "
        "width=80%><tr valign=top><td nowrap width=40 bgcolor=\"ff0000\">c</td></tr></table>"
        "<tt>mono</tt><strike>gone</strike></body>";
    const std::string body = ConvertToXhtml(html, Identity()).Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<div style=\"text-align:center\">mid</div>"));
    EXPECT_THAT(body,
                HasSubstr("<span style=\"color:red;font-family:Arial;font-size:x-large\">big red"));
    EXPECT_THAT(body, HasSubstr("<p style=\"text-align:right\">r</p>"));
    EXPECT_THAT(body, HasSubstr("border=\"1\""));
    EXPECT_THAT(body, HasSubstr("margin-left:auto;margin-right:auto"));
    EXPECT_THAT(body, HasSubstr("background-color:#ffeecc"));
    EXPECT_THAT(body, HasSubstr("border-spacing:3px"));
    EXPECT_THAT(body, HasSubstr("width:80%"));
    EXPECT_THAT(body, HasSubstr("vertical-align:top"));
    EXPECT_THAT(body, HasSubstr("white-space:nowrap"));
    EXPECT_THAT(body, HasSubstr("background-color:#ff0000"));
    EXPECT_THAT(body, HasSubstr("<code>mono</code>"));
    EXPECT_THAT(body, HasSubstr("<s>gone</s>"));
    for (const char* old :
         {"<center", "<font", "align=", "bgcolor", "cellspacing", "<td nowrap", "<tt", "<strike"})
        EXPECT_THAT(body, Not(HasSubstr(old))) << old;
}

TEST(EpubXhtml, ScriptsHandlersAndUnknownElementsGoTheirTextStays) {
    const std::string html =
        "<body onload=\"x()\"><script>alert(1)</script><p onclick=\"evil()\" "
        "class=\"note\" target=_blank>kept</p><blink2>inner <b>bold</b></blink2>"
        "<noscript>fallback</noscript><iframe src=x.htm>frame</iframe>"
        "<img src=\"missing.bmp\" alt=\"A picture\"><object>obj</object></body>";
    const std::string body = ConvertToXhtml(html, Identity()).Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<p class=\"note\">kept</p>"));
    EXPECT_THAT(body, HasSubstr("inner <b>bold</b>"));
    EXPECT_THAT(body, HasSubstr("fallback"));
    EXPECT_THAT(body, HasSubstr("<span>A picture</span>"));
    for (const char* gone : {"script", "alert", "onclick", "onload", "target", "blink2", "iframe",
                             "frame<", "obj", "missing"})
        EXPECT_THAT(body, Not(HasSubstr(gone))) << gone;
}

TEST(EpubXhtml, IdsAreXmlNamesAndUniqueAndAnchorNamesBecomeIds) {
    const std::string html =
        "<body><a name=\"2 Intro\">x</a><p id=\"2 Intro\">dup</p><h2 id=\"ok-1.a\">h</h2>"
        "<a name=\"see:also\" href=\"#2 Intro\">y</a></body>";
    const std::string body = ConvertToXhtml(html, Identity()).Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<a id=\"_2_Intro\">x</a>"));
    EXPECT_THAT(body, HasSubstr("<p>dup</p>")) << "the second use of an id is dropped";
    EXPECT_THAT(body, HasSubstr("<h2 id=\"ok-1.a\">"));
    EXPECT_THAT(body, HasSubstr("id=\"see_also\""));
    EXPECT_EQ(XhtmlIdsOf(html), (std::set<std::string>{"_2_Intro", "ok-1.a", "see_also"}));
    EXPECT_EQ(XhtmlId("#frag ment"), "_frag_ment");
}

TEST(EpubXhtml, ListsHoldOnlyItems) {
    const std::string body =
        ConvertToXhtml("<body><ul>stray <b>text</b><li>one</li><p>para</p></ul></body>", Identity())
            .Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<ul><li>stray <b>text</b></li><li>one</li><li><p>para</p></li>"
                                "</ul>"));
}

TEST(EpubXhtml, StyleSheetsAndUrlsGoThroughTheResourceMap) {
    const std::string html =
        "<html><head><link rel=stylesheet href=\"s.css\"><link rel=icon href=i.ico>"
        "<style>p { background: url('bg.png') } q { background: url(missing.png) }</style>"
        "</head><body><p style=\"background-image:url(p.gif)\">x</p></body></html>";
    const TXhtmlPage page = ConvertToXhtml(html, Identity());
    EXPECT_THAT(page.Head, HasSubstr("<link rel=\"stylesheet\" type=\"text/css\" "
                                     "href=\"res/s.css\"/>"));
    EXPECT_THAT(page.Head, Not(HasSubstr("i.ico")));
    EXPECT_THAT(page.Head, HasSubstr("url(&quot;res/bg.png&quot;)"));
    EXPECT_THAT(page.Head, HasSubstr("background: none"));
    EXPECT_THAT(page.Body, HasSubstr("style=\"background-image:url(&quot;res/p.gif&quot;)\""));
}

TEST(EpubNames, LanguageIdentifierAndPackagePaths) {
    EXPECT_EQ(EpubLanguage("0x0409"), "en-US");
    EXPECT_EQ(EpubLanguage("0x0419"), "ru-RU");
    EXPECT_EQ(EpubLanguage("0X0407"), "de-DE");
    EXPECT_EQ(EpubLanguage("de-CH"), "de-CH");
    EXPECT_EQ(EpubLanguage(""), "en");
    EXPECT_EQ(EpubLanguage("0x9999"), "en");
    EXPECT_EQ(EpubLanguage("1 <x>"), "en");

    EXPECT_EQ(EpubSafeName("my page#1.htm"), "my_page_1.htm");
    EXPECT_EQ(EpubSafeName("caf\xC3\xA9.htm"), "caf\xC3\xA9.htm");
    EXPECT_EQ(EpubSafeName(".."), "_..");

    EXPECT_EQ(EpubRelative("content/a/", "content/a/b.xhtml"), "b.xhtml");
    EXPECT_EQ(EpubRelative("content/a/", "content/img/x.png"), "../img/x.png");
    EXPECT_EQ(EpubRelative("content/ab/", "content/a/x.xhtml"), "../a/x.xhtml");
    EXPECT_EQ(EpubRelative("", "content/x.xhtml"), "content/x.xhtml");
}

TEST(EpubXhtml, DefinitionListsAndTableColumnsFollowTheContentModel) {
    // Seen in the libxslt and valgrind manuals: a last term without its description, and
    // columns straight inside the table.
    const std::string body =
        ConvertToXhtml("<body><dl><dt>a</dt><dd>b</dd><dt>lonely</dt></dl>"
                       "<dl><dt>t</dt><p>stray</p><dt>u</dt><dd>v</dd></dl>"
                       "<table><col width=10><col><tr><td>x</td></tr></table>"
                       "<dl><a name=opt1></a><dt>OPT</dt><dd>d</dd></dl><dl><dd>only</dd></dl>"
                       "</body>",
                       Identity())
            .Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<dt>lonely</dt><dd></dd></dl>"));
    EXPECT_THAT(body, HasSubstr("<dt>t</dt><dd><p>stray</p></dd><dt>u</dt><dd>v</dd>"));
    // Seen in SQLite's manual: an anchor before the first term, a description first.
    EXPECT_THAT(body, HasSubstr("<dl><dt><a id=\"opt1\"></a></dt><dt>OPT</dt><dd>d</dd></dl>"));
    EXPECT_THAT(body, HasSubstr("<dl><dt></dt><dd>only</dd></dl>"));
    EXPECT_THAT(body, HasSubstr("<table><colgroup><col style=\"width:10px\"/><col/></colgroup>"
                                "<tr><td>x</td></tr></table>"));
}

TEST(EpubXhtml, TermsAndItemsOutsideTheirListGetOne) {
    // The shape of gtk-doc's indexes and glossaries: terms and descriptions straight in a
    // div, between the letters' headings. A stray list item gets a list too.
    const std::string body = ConvertToXhtml("<body><div class=index><a name=idxA></a><h3>A</h3>\n"
                                            "<dt>a1</dt>\n<dd></dd>\n<dt>a2</dt>\n<dd>two</dd>\n"
                                            "<a name=idxB></a><h3>B</h3>\n<dt>b1</dt>\n</div>"
                                            "<div><li>one</li> <!-- c --> <li>two</li>after</div>"
                                            "<ul><x-item><li>nested</li></x-item></ul></body>",
                                            Identity())
                                 .Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<h3>A</h3>\n<dl><dt>a1</dt>\n<dd></dd>\n<dt>a2</dt>\n"
                                "<dd>two</dd></dl>\n<a id=\"idxB\"></a>"));
    EXPECT_THAT(body, HasSubstr("<h3>B</h3>\n<dl><dt>b1</dt><dd></dd></dl>\n</div>"));
    EXPECT_THAT(body, HasSubstr("<div><ul><li>one</li>  <li>two</li></ul>after</div>"));
    EXPECT_THAT(body, HasSubstr("<ul><li><ul><li>nested</li></ul></li></ul>"));
}

TEST(EpubXhtml, LinksInLinksAndBlocksInParagraphsEndAsInABrowser) {
    // PostgreSQL's glossary terms are a link inside a link; SQLite's architecture page
    // leaves an unknown element open, which the parser makes hold the rest of the page.
    const std::string body =
        ConvertToXhtml("<body><p>a <a class=t href=\"g.html#D\"><em><a class=t href=\"g.html#D\" "
                       "title=D>domain</a></em></a> over <a href=x.html>x <a name=in></a></a></p>"
                       "<p>the file <file>tokenize.c</b>.<p>Note that<h1>Parser</h1><p>Last"
                       "</body>",
                       Identity())
            .Body;
    EXPECT_TRUE(WellFormed(body)) << body;
    EXPECT_THAT(body, HasSubstr("<a class=\"t\" href=\"g.html#D\"><em><span class=\"t\" "
                                "title=\"D\">domain</span></em></a> over "
                                "<a href=\"x.html\">x </a><a id=\"in\"></a>"));
    EXPECT_THAT(body, HasSubstr("<p>the file tokenize.c.</p><p>Note that</p><h1>Parser</h1>"
                                "<p>Last</p>"));
}

// A fragment keeps its way to the id a browser would find: the one spelled as the fragment
// is written (API references put percent escapes in ids), else the one it decodes to.
TEST(EpubBook, FragmentsFindIdsAsABrowserDoesWithPercentEscapes) {
    parvane::testing::TestProject p;
    p.Write("a.htm", parvane::testing::Page("A", "<h2 id=\"impl-From%3CT%3E\">F</h2>"
                                                 "<h2 id=\"sec 1\">S</h2>"
                                                 "<a href=\"#impl-From%3CT%3E\">0</a>"));
    p.Write("b.htm", parvane::testing::Page("B", "<a href=\"a.htm#impl-From%3CT%3E\">1</a>"
                                                 "<a href=\"a.htm#sec%201\">2</a>"
                                                 "<a href=\"a.htm#impl-From%3CU%3E\">3</a>"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    TBuildRequest request;
    request.Kind = OutputKind::Epub;
    request.OutputOverride = p.Dir().Folder() + "book.epub";
    TQuietBuildHost host;
    const TBuildResult result = RunBuild(p.Project(), request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const auto member = [&](const std::string& name) {
        std::string out;
        const std::string command = "unzip -p '" + request.OutputOverride + "' " + name;
        if (FILE* pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                out.append(buffer, n);
            pclose(pipe);
        }
        return out;
    };
    EXPECT_THAT(member("OEBPS/content/a.xhtml"), HasSubstr("<a href=\"#impl-From_3CT_3E\">0</a>"));
    EXPECT_THAT(member("OEBPS/content/b.xhtml"),
                HasSubstr("<a href=\"a.xhtml#impl-From_3CT_3E\">1</a>"
                          "<a href=\"a.xhtml#sec_1\">2</a><a href=\"a.xhtml\">3</a>"));
}
