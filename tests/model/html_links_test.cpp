#include "model/html_links.h"

#include <gtest/gtest.h>

#include <random>

using namespace parvane;

namespace {

// Rewrites every reference to "[KIND:value]", so the test sees what was taken for what.
std::string Marked(const std::string& html) {
    return RewriteHtmlRefs(html, [](THtmlRefKind kind, std::string_view value, std::string& out) {
        static const char* const names[] = {"L", "ID", "NAME", "REF", "CSS"};
        out = std::string("[") + names[static_cast<int>(kind)] + ":" + std::string(value) + "]";
        return true;
    });
}

} // namespace

TEST(HtmlRefs, TextCommentsScriptsAndCodeAreNeverLinks) {
    const std::string html =
        "<p>Call path.extname('index.html') or open index.html?page=12.</p>\r\n"
        "<pre>request.url = '/index.html?page=12'; <a href=\"pre.htm\">in pre</a></pre>\r\n"
        "<code>href=\"x.htm\"</code><!-- <a href=\"old.htm\"> -->\r\n"
        "<script>location.href = 'index.html'; var s = '<a href=\"s.htm\">';</script>\r\n"
        "<textarea><img src=\"t.png\"></textarea><title><a href=\"t.htm\"></title>"
        "<p>5 < 6 and a <b >bold</b> word</p>";
    EXPECT_EQ(Marked(html),
              "<p>Call path.extname('index.html') or open index.html?page=12.</p>\r\n"
              "<pre>request.url = '/index.html?page=12'; <a href=\"[L:pre.htm]\">in pre</a></pre>\r\n"
              "<code>href=\"x.htm\"</code><!-- <a href=\"old.htm\"> -->\r\n"
              "<script>location.href = 'index.html'; var s = '<a href=\"s.htm\">';</script>\r\n"
              "<textarea><img src=\"t.png\"></textarea><title><a href=\"t.htm\"></title>"
              "<p>5 < 6 and a <b >bold</b> word</p>");
}

TEST(HtmlRefs, FindsEveryKindOfReferenceInAttributes) {
    EXPECT_EQ(Marked("<A HREF='a.htm#x' id=top NAME=\"n\"><img SRC=p.png title=\"a.htm\">"),
              "<A HREF='[L:a.htm#x]' id=[ID:top] NAME=\"[NAME:n]\"><img SRC=[L:p.png] "
              "title=\"a.htm\">");
    EXPECT_EQ(Marked("<td background=\"b.gif\" headers=\"h1  h2\"><label for=f>"
                     "<input name=q form=f1><map name=m><object data=\"o.swf\">"),
              "<td background=\"[L:b.gif]\" headers=\"[REF:h1]  [REF:h2]\"><label for=[REF:f]>"
              "<input name=q form=[REF:f1]><map name=[NAME:m]><object data=\"[L:o.swf]\">");
    EXPECT_EQ(Marked("<img srcset=\"a.png 1x, b/c.png 2x,d.png\">"),
              "<img srcset=\"[L:a.png] 1x, [L:b/c.png] 2x,[L:d.png]\">");
    EXPECT_EQ(Marked("<div style=\"background: URL( 'i/x.gif' ) , url(y.png)\">"),
              "<div style=\"background: URL( '[CSS:i/x.gif]' ) , url([CSS:y.png])\">");
    EXPECT_EQ(Marked("<style>p { background: url(\"s.gif\") } /* a.htm */</style>"),
              "<style>p { background: url(\"[CSS:s.gif]\") } /* a.htm */</style>");
}

TEST(HtmlRefs, KeepsEverythingElseByteForByte) {
    const std::string html = "<!DOCTYPE html>\r\n<?xml x?><a\r\n href = \"a.htm\" >x</a "
                             "><br/><a href=\"unterminated.htm";
    const std::string same = RewriteHtmlRefs(html, [](THtmlRefKind, std::string_view, std::string&) {
        return false;
    });
    EXPECT_EQ(same, html);
    EXPECT_EQ(Marked(html), "<!DOCTYPE html>\r\n<?xml x?><a\r\n href = \"[L:a.htm]\" >x</a "
                            "><br/><a href=\"unterminated.htm")
        << "a tag without its end is text";
}

TEST(HtmlRefs, UnquotedValueGetsQuotesWhenTheReplacementNeedsThem) {
    const std::string out = RewriteHtmlRefs(
        "<a href=a.htm>", [](THtmlRefKind, std::string_view, std::string& r) {
            r = "my page.htm";
            return true;
        });
    EXPECT_EQ(out, "<a href=\"my page.htm\">");
}

TEST(HtmlRefs, ExtractsScriptsStylesAndStyleSheetLinksOnly) {
    std::vector<std::string> found;
    const std::string rest = ExtractResourceElements(
        "<p>a</p><SCRIPT src=\"x.js\"></SCRIPT><script>if (a < b) x('</p>');</script>"
        "<link rel=\"icon\" href=\"i.ico\"><link REL=\"Stylesheet\" href=\"s.css\">"
        "<style>p{}</style><script src=\"y.js\"/><pre><script>z()</script></pre><p>b</p>",
        found);
    EXPECT_EQ(rest, "<p>a</p><link rel=\"icon\" href=\"i.ico\"><pre></pre><p>b</p>");
    EXPECT_EQ(found, (std::vector<std::string>{
                         "<SCRIPT src=\"x.js\"></SCRIPT>", "<script>if (a < b) x('</p>');</script>",
                         "<link REL=\"Stylesheet\" href=\"s.css\">", "<style>p{}</style>",
                         "<script src=\"y.js\"/>", "<script>z()</script>"}));

    found.clear();
    EXPECT_EQ(ExtractResourceElements("<p>x</p><script>never closed", found),
              "<p>x</p><script>never closed");
    EXPECT_TRUE(found.empty());
}

TEST(HtmlRefs, PageHeadIsBetweenTheHeadTags) {
    EXPECT_EQ(PageHead("<html><HEAD lang=en><script></script></head><body><header>h</header>"),
              "<script></script>");
    EXPECT_EQ(PageHead("<title>t</title><body><header>x</header></body>"), "<title>t</title>");
    EXPECT_EQ(PageHead("<p>no head, no body</p>"), "");
    EXPECT_EQ(PageHead("<html><head><title>t</title><body>no end of the head"), "<title>t</title>");
}

TEST(HtmlRefs, DecodesTheReferencesOfAddresses) {
    EXPECT_EQ(DecodeBasicEntities("a&amp;b&#35;c&#x3F;&lt;&unknown;&"), "a&b#c?<&unknown;&");
    EXPECT_EQ(PercentDecode("my%20page%2Ehtm%zz%4"), "my page.htm%zz%4");
}

TEST(HtmlRefs, RandomTextComesBackWholeWhenNothingIsReplaced) {
    // Fragments that open and close tags, quotes, comments and raw-text elements at random.
    const std::vector<std::string> parts{"<",       ">",      "\"",      "'",       "=",
                                         " ",       "a",      "<a ",     "href",    "id=",
                                         "</",      "<!--",   "-->",     "<script", "</script>",
                                         "<style>", "url(",   ")",       "srcset=", "#x",
                                         ",",       "\r\n",   "<link rel=stylesheet", "/>"};
    std::mt19937 random(11);
    for (int round = 0; round < 2000; ++round) {
        std::string html;
        const int n = static_cast<int>(random() % 40);
        for (int k = 0; k < n; ++k)
            html += parts[random() % parts.size()];
        const std::string same =
            RewriteHtmlRefs(html, [](THtmlRefKind, std::string_view, std::string&) { return false; });
        ASSERT_EQ(same, html) << "round " << round;
        std::vector<std::string> resources;
        const std::string rest = ExtractResourceElements(html, resources);
        std::size_t size = rest.size();
        for (const std::string& r : resources)
            size += r.size();
        ASSERT_EQ(size, html.size()) << "nothing is lost or doubled: " << html;
    }
}
