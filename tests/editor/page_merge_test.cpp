// Saving an edited page: the edits between the browser's two serialisations land in the
// page as it was written, and nothing else of it changes.

#include "editor/page_merge.h"

#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace parvane;

namespace {

// A page as an old tool writes it, and what the browser makes of it.
const std::string kOld =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
    "<HTML>\r\n<HEAD>\r\n<META http-equiv=Content-Type content=\"text/html; charset=utf-8\">\r\n"
    "<TITLE>Caf&eacute;</TITLE>\r\n</HEAD>\r\n"
    "<BODY BGCOLOR=#ffffff>\r\n"
    "<H1 CLASS=top>Caf&eacute; &amp; more</H1>\r\n"
    "<P>One line\r\nand the next&nbsp;one.</P>\r\n"
    "<!-- keep me -->\r\n"
    "<PRE>\r\n  code &lt;here&gt;\r\n</PRE>\r\n"
    "<TABLE BORDER=1><TR><TD>a1<TD>a2</TR></TABLE>\r\n"
    "<x-note data-k=1>unknown</x-note>\r\n"
    "</BODY>\r\n</HTML>\r\n";

const std::string kOldSerialised =
    "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\n"
    "<html><head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n"
    "<title>Café</title>\n</head>\n"
    "<body bgcolor=\"#ffffff\">\n"
    "<h1 class=\"top\">Café &amp; more</h1>\n"
    "<p>One line\nand the next&nbsp;one.</p>\n"
    "<!-- keep me -->\n"
    "<pre>  code &lt;here&gt;\n</pre>\n"
    "<table border=\"1\"><tbody><tr><td>a1</td><td>a2</td></tr></tbody></table>\n"
    "<x-note data-k=\"1\">unknown</x-note>\n"
    "\n\n</body></html>";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(PageMerge, UnchangedPageComesBackByteForByte) {
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, kOldSerialised), kOld);
}

TEST(PageMerge, TypedCharacterIsTheOnlyChange) {
    // In a paragraph that spans lines, next to a reference, in a heading with references.
    EXPECT_EQ(
        MergePageEdits(kOld, kOldSerialised, Replace(kOldSerialised, "line\nand", "lines\nand")),
        Replace(kOld, "line\r\nand", "lines\r\nand"));
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised,
                             Replace(kOldSerialised, "next&nbsp;one", "next&nbsp;ones")),
              Replace(kOld, "next&nbsp;one", "next&nbsp;ones"));
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised,
                             Replace(kOldSerialised, "Café &amp; more", "Café &amp; moire")),
              Replace(kOld, "Caf&eacute; &amp; more", "Caf&eacute; &amp; moire"));
    // Deleting a character, and typing in a cell whose end tag the page leaves out.
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, Replace(kOldSerialised, "unknown", "unknow")),
              Replace(kOld, "unknown", "unknow"));
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised,
                             Replace(kOldSerialised, "<td>a2</td>", "<td>a2x</td>")),
              Replace(kOld, "<TD>a2</TR>", "<TD>a2x</TR>"));
    // In preformatted text whose first line end the parser drops.
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, Replace(kOldSerialised, "  code", "  codes")),
              Replace(kOld, "  code", "  codes"));
}

TEST(PageMerge, WhitespaceAfterTheBodyDoesNotMoveIntoIt) {
    // A paragraph added at the end of the body: the page keeps its own line ends around
    // </body> and </html> instead of the three blank lines the browser reports.
    const std::string edited =
        Replace(kOldSerialised, "unknown</x-note>\n", "unknown</x-note>\n<p>new</p>");
    const std::string merged = MergePageEdits(kOld, kOldSerialised, edited);
    EXPECT_EQ(merged, Replace(kOld, "unknown</x-note>\r\n", "unknown</x-note>\r\n<p>new</p>"));
    EXPECT_NE(merged.find("</BODY>\r\n</HTML>\r\n"), std::string::npos);
}

TEST(PageMerge, ChangedElementsAreRewrittenAloneWithThePagesLineEnds) {
    // An attribute set by a dialog: the tag keeps the page's spelling of the rest.
    std::string edited =
        Replace(kOldSerialised, "<h1 class=\"top\">", "<h1 class=\"top\" align=\"center\">");
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, edited),
              Replace(kOld, "<H1 CLASS=top>", "<H1 CLASS=top align=\"center\">"));
    // Changed and removed attributes.
    edited = Replace(kOldSerialised, "<body bgcolor=\"#ffffff\">", "<body text=\"#000\">");
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, edited),
              Replace(kOld, "<BODY BGCOLOR=#ffffff>", "<BODY text=\"#000\">"));
    edited = Replace(kOldSerialised, "<x-note data-k=\"1\">", "<x-note data-k=\"2\" id=\"n\">");
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, edited),
              Replace(kOld, "<x-note data-k=1>", "<x-note data-k=\"2\" id=\"n\">"));
    // A row appended to a table without tbody in the page: no tbody is added.
    edited = Replace(kOldSerialised, "<td>a2</td></tr></tbody>",
                     "<td>a2</td></tr><tr><td>b1</td><td>b2</td></tr></tbody>");
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, edited),
              Replace(kOld, "<TD>a2</TR>", "<TD>a2</TR><tr><td>b1</td><td>b2</td></tr>"));
    // A new paragraph of two lines gets the page's CR LF.
    edited = Replace(kOldSerialised, "<!-- keep me -->\n", "<!-- keep me -->\n<p>x\ny</p>\n");
    EXPECT_EQ(MergePageEdits(kOld, kOldSerialised, edited),
              Replace(kOld, "<!-- keep me -->\r\n", "<!-- keep me -->\r\n<p>x\r\ny</p>\r\n"));
    // A paragraph removed: the comment, the head and the doctype stay as written.
    edited = Replace(kOldSerialised, "<p>One line\nand the next&nbsp;one.</p>\n", "");
    const std::string merged = MergePageEdits(kOld, kOldSerialised, edited);
    EXPECT_EQ(merged.find("One line"), std::string::npos);
    EXPECT_EQ(merged.substr(0, merged.find("<BODY")), kOld.substr(0, kOld.find("<BODY")));
    EXPECT_NE(merged.find("<!-- keep me -->\r\n<PRE>"), std::string::npos);
}

TEST(PageMerge, PageInTheBrowsersOwnFormTakesEveryEditExactly) {
    // When the page already reads as the browser writes it, the merge must give exactly
    // the browser's text, whatever the edits: random insertions and deletions of text and
    // markup over a page of a few dozen elements.
    std::string page = "<!DOCTYPE html>\n<html><head><title>t</title></head>\n<body>\n";
    for (int i = 0; i < 30; ++i)
        page += "<p id=\"p" + std::to_string(i) + "\">Para <b>" + std::to_string(i) +
                "</b> text &amp; more</p>\n";
    page += "</body></html>";
    const std::string pieces[] = {"x", "<i>", "</i>", "<p>n</p>", "\n", "&amp;", "é", " ", " a=\"1\""};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string edited = page;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % edited.size();
            if (random() % 2) {
                edited.insert(at, pieces[random() % std::size(pieces)]);
            } else {
                std::size_t length = 1 + random() % 12;
                // Keep UTF-8 whole: never cut into "é".
                while (at + length < edited.size() &&
                       (static_cast<unsigned char>(edited[at + length]) & 0xC0) == 0x80)
                    ++length;
                if ((static_cast<unsigned char>(edited[at]) & 0xC0) != 0x80)
                    edited.erase(at, length);
            }
        }
        ASSERT_EQ(MergePageEdits(page, page, edited), edited) << "round " << round;
    }
}

TEST(PageMerge, PageWithThousandsOfOmittedEndTagsKeepsItsText) {
    // Every paragraph and item without its end tag: the browser's text differs from the
    // page in thousands of places, and an edit still changes one character only.
    std::string page = "<HTML><BODY>\r\n";
    std::string serialised = "<html><head></head><body>\n";
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        page += "<P>Paragraph " + n + "\r\n<UL><LI>item " + n + "</UL>\r\n";
        serialised += "<p>Paragraph " + n + "\n</p><ul><li>item " + n + "</li></ul>\n";
    }
    page += "</BODY></HTML>\r\n";
    serialised += "\n</body></html>";
    const std::string edited = Replace(serialised, "Paragraph 2500\n", "Paragraph 2500x\n");
    EXPECT_EQ(MergePageEdits(page, serialised, edited),
              Replace(page, "Paragraph 2500\r\n", "Paragraph 2500x\r\n"));
}
