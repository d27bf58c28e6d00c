#include "../support/test_project.h"
#include "model/errors.h"
#include "model/project_file.h"
#include "templates/template_apply.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

TEST(ApplyTemplate, FillsBothTagsInAnyCase) {
    EXPECT_EQ(ApplyTemplate("<title>($TITLE$)</title><h1>($Title$)</h1><div>($CONTENT$)</div>",
                            "Intro", "<p>x</p>"),
              "<title>Intro</title><h1>Intro</h1><div><p>x</p></div>");
    EXPECT_EQ(ApplyTemplate("a($content$)b($content$)c", "t", "X"), "aXbXc");
}

TEST(ApplyTemplate, EscapesTheTitleButNotTheContent) {
    EXPECT_EQ(ApplyTemplate("<title>($title$)</title>($content$)", "Tom & \"Jerry\" <3 'x'",
                            "<b>&amp;</b>"),
              "<title>Tom &amp; &quot;Jerry&quot; &lt;3 'x'</title><b>&amp;</b>");
}

TEST(ApplyTemplate, LeavesTagsInsideTheContentAlone) {
    // A help page that documents the tags must come through as written.
    EXPECT_EQ(ApplyTemplate("<h1>($title$)</h1>($content$)", "Templates",
                            "Write ($title$) and ($content$)."),
              "<h1>Templates</h1>Write ($title$) and ($content$).");
}

TEST(ApplyTemplate, TemplateWithoutTagsKeepsItsText) {
    EXPECT_EQ(ApplyTemplate("<html>plain</html>", "T", "C"), "<html>plain</html>");
    EXPECT_EQ(ApplyTemplate("<h1>($title$)</h1>", "T", "C"), "<h1>T</h1>");
    EXPECT_EQ(ApplyTemplate("($content$)", "T", ""), "") << "a page without body gives nothing";
}

TEST(CheckTemplateTags, ReportsEachMissingTagWithItsMessage) {
    EXPECT_EQ(CheckTemplateTags("<h1>($TITLE$)</h1>($Content$)"), "");
    EXPECT_EQ(CheckTemplateTags("<h1>($title$)</h1>"),
              "Cannot find tag \"($content$)\" in the template source code! (Body only)\r\n");
    EXPECT_EQ(CheckTemplateTags("($content$)"),
              "Cannot find tag \"($title$)\" in the template source code! (Body only)\r\n");
    EXPECT_EQ(CheckTemplateTags("($title) ($content)"),
              "Cannot find tag \"($title$)\" in the template source code! (Body only)\r\n"
              "Cannot find tag \"($content$)\" in the template source code! (Body only)\r\n");
}

TEST(Template, RebasesLinksForThePageFolder) {
    TestProject p;
    p.Write("tpl/img/a.gif", "GIF89a");
    p.Write("tpl/style.css", "body{}");
    p.Write("tpl/t.htm", "<link href=\"style.css\" rel=\"stylesheet\"><img src=\"img/a.gif\">"
                         "($content$)<a href=\"http://example.org/x.htm\">x</a>\r\n");
    const TTemplate t(p.Root() + "tpl/t.htm");
    EXPECT_FALSE(t.Empty());
    EXPECT_EQ(
        t.RebasedFor(p.Root() + "docs/sub/"),
        "<link href=\"../../tpl/style.css\" rel=\"stylesheet\"><img "
        "src=\"../../tpl/img/a.gif\">($content$)<a href=\"http://example.org/x.htm\">x</a>\r\n")
        << "read as text: lines end in CR LF";
    EXPECT_EQ(t.RebasedFor(p.Root()),
              "<link href=\"tpl/style.css\" rel=\"stylesheet\"><img src=\"tpl/img/a.gif\">"
              "($content$)<a href=\"http://example.org/x.htm\">x</a>\r\n");
    EXPECT_EQ(t.RebasedFor(p.Root() + "tpl"),
              "<link href=\"style.css\" rel=\"stylesheet\"><img src=\"img/a.gif\">"
              "($content$)<a href=\"http://example.org/x.htm\">x</a>\r\n")
        << "a folder without its trailing slash";
}

TEST(Template, MissingTemplateFileIsAClearError) {
    TestProject p;
    try {
        TTemplate t(p.Root() + "nothere.htm");
        FAIL() << "no error";
    } catch (const EParvaneError& e) {
        EXPECT_NE(std::string(e.what()).find("nothere.htm"), std::string::npos);
    }
}

TEST(ReplacePlaceholders, OnePassWithoutRegardToCase) {
    EXPECT_EQ(ReplacePlaceholders("($A$)-($a$)-($B$)", {{"($a$)", "($B$)"}, {"($b$)", "2"}}),
              "($B$)-($B$)-2")
        << "a value is never searched again";
    EXPECT_EQ(ReplacePlaceholders("</HEAD></head>", {{"</head>", "S</head>"}}), "S</head>S</head>");
    EXPECT_EQ(ReplacePlaceholders("none", {{"($x$)", "y"}}), "none");
    EXPECT_EQ(ReplacePlaceholders("", {{"($x$)", "y"}}), "");
}

namespace {

struct WebProject {
    TestProject p;
    WebProject() {
        TProjectSettings& s = p.Project().ProjectSettings;
        s.Title = "Guide <1>";
        s.WebHelpTitle = "Web guide";
        s.Encoding = " Windows-1252 ";
        s.DefaultTopic = "my docs\\it's.htm";
        s.WebHelpDefault = "other.htm";
        s.NavWidth = 300;
        s.WebBackColor = "#003366";
        s.WebFontColor = "#ffffff";
        s.ShowIndex = true;
    }
    TPvx& Project() { return p.Project(); }
};

} // namespace

TEST(WebHelpPages, IndexPageGetsTitleCharsetAndEscapedDefaultPage) {
    WebProject w;
    EXPECT_EQ(FillWebHelpPage("index.htm",
                              "<title>($ProjectTitle$)</title>($CHARSET$)|"
                              "src='scr/($DEFAULTPAGE$)'|($NAVWIDTH$)",
                              w.Project(), "", "", ""),
              "<title>Guide &lt;1&gt;</title>Windows-1252|src='scr/my docs/it\\'s.htm'|"
              "($NAVWIDTH$)");
    w.Project().ProjectSettings.WebHelpTilteSame = false;
    w.Project().ProjectSettings.WebHelpDefaultSame = false;
    EXPECT_EQ(FillWebHelpPage("webhelp/INDEX.HTM", "($PROJECTTITLE$) ($DEFAULTPAGE$)", w.Project(),
                              "", "", ""),
              "Web guide other.htm");
}

TEST(WebHelpPages, FramePageGetsWidthAndColour) {
    WebProject w;
    EXPECT_EQ(FillWebHelpPage("webhelpframe.htm",
                              "($NAVWIDTH$),*|($BACKCOLOR$)|($FONTCOLOR$)|($DEFAULTPAGE$)",
                              w.Project(), "", "", ""),
              "300,*|#003366|($FONTCOLOR$)|my docs/it\\'s.htm");
    EXPECT_EQ(FillWebHelpPage("webhelptop.htm", "($BACKCOLOR$) ($FONTCOLOR$) ($CHARSET$)",
                              w.Project(), "", "", ""),
              "#003366 #ffffff Windows-1252");
}

TEST(WebHelpPages, LeftAndIndexPagesDropTheBarWithoutIndexAndStyleTheHead) {
    WebProject w;
    const std::string left = "<head></HEAD><!--BEGINBAR-->bar<!--ENDBAR-->($NAVIGATION$)"
                             "($INDEXLIST$)($BACKCOLOR$)";
    EXPECT_EQ(FillWebHelpPage("webhelpleft.htm", left, w.Project(), "NAV", "IDX", "<style/>"),
              "<head><style/>\n\r</head><!--BEGINBAR-->bar<!--ENDBAR-->NAV($INDEXLIST$)#003366");
    EXPECT_EQ(FillWebHelpPage("webhelpindex.htm", left, w.Project(), "NAV", "IDX", "<style/>"),
              "<head><style/>\n\r</head><!--BEGINBAR-->bar<!--ENDBAR-->($NAVIGATION$)IDX#003366");
    w.Project().ProjectSettings.ShowIndex = false;
    EXPECT_EQ(FillWebHelpPage("webhelpleft.htm", left, w.Project(), "NAV", "IDX", "S"),
              "<head>S\n\r</head>NAV($INDEXLIST$)#003366");
    EXPECT_EQ(FillWebHelpPage("webhelpleft.htm", "a<!--BEGINBAR-->b", w.Project(), "", "", ""),
              "a<!--BEGINBAR-->b")
        << "a start mark without its end keeps the rest";
}

TEST(WebHelpPages, ScrollStyleAndHeadInsertion) {
    WebProject w;
    EXPECT_EQ(
        FillScrollStyle("<style>body{scrollbar-base-color:($BackColor$)}</style>", w.Project()),
        "<style>body{scrollbar-base-color:#003366}</style>");
    EXPECT_EQ(InsertScrollStyle("<head><title>t</title></Head><body>", "S"),
              "<head><title>t</title>S\n\r</head><body>");
}

TEST(SingleHtmlPage, FillsContentTitleAndCharset) {
    WebProject w;
    EXPECT_EQ(FillSingleHtmlPage("<title>($PROJECTTITLE$)</title>($CHARSET$)|($ALLCONTENT$)",
                                 "<p>($PROJECTTITLE$) stays</p>", w.Project()),
              "<title>Guide &lt;1&gt;</title>Windows-1252|<p>($PROJECTTITLE$) stays</p>");
    w.Project().ProjectSettings.Encoding = "  ";
    EXPECT_EQ(FillSingleHtmlPage("($charset$)", "", w.Project()), "UTF-8")
        << "pages without an encoding are written and declared as UTF-8";
}
