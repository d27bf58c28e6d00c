#include "editor/editor_artefacts.h"

#include <gtest/gtest.h>
#include <string>

using namespace parvane;

TEST(EditorArtefacts, PageWithoutArtefactsIsCopiedByteForByte) {
    const std::string page =
        "<!DOCTYPE html>\r\n<HTML><Head><TITLE>A &lt; b</TITLE></Head>\r\n"
        "<BODY bgcolor=#ffffff  topmargin='15'>\r\n<p class=\"note big\" style=\"color:red\">"
        "x &amp; y</p><br/><img src=a.png alt=\"a>b\">\r\n<td nowrap>c</td></BODY></HTML>\r\n";
    EXPECT_EQ(RemoveEditorArtefacts(page), page);
    EXPECT_EQ(RemoveEditorArtefacts(""), "");
    EXPECT_EQ(RemoveEditorArtefacts("plain text, no tags"), "plain text, no tags");
}

TEST(EditorArtefacts, BodyLosesEditingSwitchAndSpellCheckOnly) {
    EXPECT_EQ(RemoveEditorArtefacts("<body contenteditable=\"true\" bgcolor=\"#fff\">x</body>"),
              "<body bgcolor=\"#fff\">x</body>");
    EXPECT_EQ(RemoveEditorArtefacts("<BODY ContentEditable spellcheck='false'>x</BODY>"),
              "<BODY>x</BODY>");
    // Elsewhere both are the author's own.
    const std::string inner = "<div contenteditable=\"false\" spellcheck=\"true\">x</div>";
    EXPECT_EQ(RemoveEditorArtefacts("<body contenteditable>" + inner + "</body>"),
              "<body>" + inner + "</body>");
}

TEST(EditorArtefacts, HandleAttributesGoFromEveryElement) {
    EXPECT_EQ(RemoveEditorArtefacts("<table data-parvane-h=\"3\" border=1><tr DATA-PARVANE-H=4>"
                                    "<td data-parvane-x data-id=\"7\">a</td></tr></table>"),
              "<table border=1><tr><td data-id=\"7\">a</td></tr></table>");
    // A value holding ">" does not end the tag early.
    EXPECT_EQ(RemoveEditorArtefacts("<a title=\"a>b\" data-parvane-h='2' href=x.htm>l</a>"),
              "<a title=\"a>b\" href=x.htm>l</a>");
}

TEST(EditorArtefacts, EditorStyleSheetIsRemovedWithItsRules) {
    EXPECT_EQ(RemoveEditorArtefacts("<head><title>t</title><style id=\"parvane-edit-style\">"
                                    "table { outline: 1px dashed } </style>"
                                    "<style>p{color:red}</style></head>"),
              "<head><title>t</title><style>p{color:red}</style></head>");
    EXPECT_EQ(RemoveEditorArtefacts("<STYLE data-parvane-edit>td{}</STYLE><p>x</p>"), "<p>x</p>");
}

TEST(EditorArtefacts, EditorClassNamesGoAndOthersStay) {
    EXPECT_EQ(RemoveEditorArtefacts("<table class=\"grid parvane-borders\">"),
              "<table class=\"grid\">");
    EXPECT_EQ(RemoveEditorArtefacts("<p class='parvane-details'>x</p>"), "<p>x</p>");
    EXPECT_EQ(RemoveEditorArtefacts("<p class=\"myparvane-x\">x</p>"),
              "<p class=\"myparvane-x\">x</p>");
}

TEST(EditorArtefacts, EmptyStyleAttributesLeftByEditingGo) {
    EXPECT_EQ(RemoveEditorArtefacts("<span style=\"\">a</span><b style=\" \">b</b>"),
              "<span>a</span><b>b</b>");
    EXPECT_EQ(RemoveEditorArtefacts("<span style=\"color:red\">a</span>"),
              "<span style=\"color:red\">a</span>");
}

TEST(EditorArtefacts, CommentsScriptsAndRawTextAreNotTouched) {
    const std::string page = "<!-- <body contenteditable data-parvane-h=1> -->"
                             "<script>var s = '<b data-parvane-h=1>';</script>"
                             "<textarea><p style=\"\"></textarea>"
                             "<title><span class=parvane-x></title>";
    EXPECT_EQ(RemoveEditorArtefacts(page), page);
    // The tag after a raw-text element is cleaned again.
    EXPECT_EQ(RemoveEditorArtefacts("<SCRIPT>x<y</SCRIPT><i data-parvane-h=1>z</i>"),
              "<SCRIPT>x<y</SCRIPT><i>z</i>");
}

TEST(EditorArtefacts, MalformedMarkupIsCopiedWithoutCrash) {
    EXPECT_EQ(RemoveEditorArtefacts("a < b and c<d"), "a < b and c<d");
    EXPECT_EQ(RemoveEditorArtefacts("<p title=\"unclosed data-parvane-h=1>x"),
              "<p title=\"unclosed data-parvane-h=1>x");
    EXPECT_EQ(RemoveEditorArtefacts("<!-- never closed <b data-parvane-h=1>"),
              "<!-- never closed <b data-parvane-h=1>");
    EXPECT_EQ(RemoveEditorArtefacts("<script>no end <b data-parvane-h=1>"),
              "<script>no end <b data-parvane-h=1>");
    EXPECT_EQ(RemoveEditorArtefacts("<"), "<");
    EXPECT_EQ(RemoveEditorArtefacts("<b"), "<b");
    const char binary[] = "\0<\xff\xfe<b data-parvane-h=1>";
    const char expected[] = "\0<\xff\xfe<b>";
    EXPECT_EQ(RemoveEditorArtefacts(std::string(binary, sizeof binary - 1)),
              std::string(expected, sizeof expected - 1));
}

TEST(EditorArtefacts, LargePageIsCleanedInOnePass) {
    std::string page = "<html><body contenteditable=\"true\">";
    std::string cleaned = "<html><body>";
    for (int i = 0; i < 50000; ++i) {
        page += "<p data-parvane-h=\"" + std::to_string(i) + "\">line</p>\n";
        cleaned += "<p>line</p>\n";
    }
    page += "</body></html>";
    cleaned += "</body></html>";
    EXPECT_EQ(RemoveEditorArtefacts(page), cleaned);
}
