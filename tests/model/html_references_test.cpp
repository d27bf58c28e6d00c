#include "model/html_references.h"

#include <gtest/gtest.h>

using namespace parvane;

namespace {

std::vector<std::string> Values(const THtmlReferences& refs) {
    std::vector<std::string> v;
    for (const auto& r : refs.Links)
        v.push_back(r.Value + "@" + std::to_string(r.Line));
    return v;
}

} // namespace

TEST(HtmlReferences, ReadsLinkAttributesOnlyWithTheirLines) {
    THtmlReferences refs;
    ScanHtmlReferences("<html><body>\n"
                       "<a href=\"a.htm#x\">a</a> <IMG SRC='pics/b.gif' alt=\"c.htm\">\n"
                       "<td background=bg.png>text naming d.htm</td>\n"
                       "<pre>path.extname('index.html')</pre>\n"
                       "<script>var u = \"<a href='e.htm'>\";</script>\n"
                       "<!-- <a href=\"f.htm\"> -->\n"
                       "<video poster=\"p.jpg\"></video><object data=\"o.swf\"></object>\n"
                       "<img srcset=\"s1.png 1x, s2.png 2x\">\n"
                       "<a href=\" spaced.htm \">s</a><a href=\"\">empty</a>\n"
                       "<a href=\"x.htm?a=1&amp;b=2\">amp</a>\n"
                       "</body></html>",
                       refs);
    EXPECT_EQ(Values(refs), (std::vector<std::string>{
                                "a.htm#x@2", "pics/b.gif@2", "bg.png@3", "p.jpg@7", "o.swf@7",
                                "s1.png@8", "s2.png@8", "spaced.htm@9", "x.htm?a=1&b=2@10"}));
}

TEST(HtmlReferences, StylesAndRefreshAreReferences) {
    THtmlReferences refs;
    ScanHtmlReferences("<head><style>\n@import \"base.css\";\n"
                       "/* url(commented.png) */ h1 { background: URL( 'h.png' ) }\n"
                       "</style>\n"
                       "<meta http-equiv=\"Refresh\" content=\"0; URL=next.htm\"></head>\n"
                       "<p style=\"background:url(in-style.png)\">x</p>",
                       refs);
    EXPECT_EQ(Values(refs), (std::vector<std::string>{"base.css@2", "h.png@3", "next.htm@5",
                                                      "in-style.png@6"}));
}

TEST(HtmlReferences, AnchorsAreIdsAndNamesOfLinks) {
    THtmlReferences refs;
    ScanHtmlReferences("<h1 id=\"top-1\">t</h1><a name=\"old&amp;name\"></a>"
                       "<input name=\"field\"><div ID=caps></div>",
                       refs);
    EXPECT_EQ(refs.Anchors, (std::vector<std::string>{"top-1", "old&name", "caps"}));
}

TEST(HtmlReferences, MalformedMarkupEndsTheScanSafely) {
    for (const char* text : {"<a href=\"unterminated", "<a href=", "<", "<!--", "<script>x",
                             "<a href='x.htm'", "<style>url(", "<<a>>", "<a =x href=y.htm>"}) {
        THtmlReferences refs;
        ScanHtmlReferences(text, refs);
        EXPECT_LE(refs.Links.size(), 1u) << text;
    }
    THtmlReferences refs;
    ScanHtmlReferences("<a =x href=y.htm>", refs);
    ASSERT_EQ(refs.Links.size(), 1u);
    EXPECT_EQ(refs.Links[0].Value, "y.htm");
}

TEST(HtmlReferences, CssSheetsNumberTheirLines) {
    THtmlReferences refs;
    ScanCssReferences("body {\n  background: url(\"a.png\");\n}\n@import url(b.css);\n", refs);
    EXPECT_EQ(Values(refs), (std::vector<std::string>{"a.png@2", "b.css@4"}));
}

TEST(HtmlReferences, CharacterReferencesDecode) {
    EXPECT_EQ(DecodeCharacterReferences("a&amp;b&#38;c&#x26;d&lt;&unknown;&#xZZ;"),
              "a&b&c&d<&unknown;&#xZZ;");
    EXPECT_EQ(DecodeCharacterReferences("&#233;"), "\xC3\xA9");
}
