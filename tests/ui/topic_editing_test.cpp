#include "model/errors.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "templates/template_apply.h"
#include "tree_builder.h"
#include "ui/topic_editing.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace parvane {
namespace {

namespace fs = std::filesystem;
namespace SF = StringFunc;
using namespace parvane::testing;

bool SameCharset(const std::string& a, const std::string& b) {
    return SF::SameText(a, b);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A private folder per test, removed afterwards.
class TopicEditingFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "topicedit-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern + "/";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    void Write(const std::string& name, const std::string& bytes) {
        fs::create_directories(fs::path(folder + name).parent_path());
        std::ofstream(folder + name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) {
        std::ifstream in(folder + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string folder;
};

// ---- addresses, names and boxes ------------------------------------------------------------

TEST(TopicEditing, ProposedFileNameReplacesTheNineForbiddenCharacters) {
    EXPECT_EQ(ProposedPageFileName("A/B: C?"), "A_B_ C_.htm");
    EXPECT_EQ(ProposedPageFileName("a\\b/c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j.htm");
    EXPECT_EQ(ProposedPageFileName("Überblick"), "Überblick.htm");
    EXPECT_EQ(ProposedPageFileName("  "), "untitled.htm");
}

TEST(TopicEditing, OnlyHtmAndHtmlPagesAreEdited) {
    EXPECT_TRUE(IsHtmlPagePath("/r/a.htm"));
    EXPECT_TRUE(IsHtmlPagePath("/r/A.HTML"));
    EXPECT_FALSE(IsHtmlPagePath("/r/a.txt"));
    EXPECT_FALSE(IsHtmlPagePath("/r/a.htm.bak"));
    EXPECT_FALSE(IsHtmlPagePath("/r/readme"));
    EXPECT_FALSE(IsHtmlPagePath("/r/picture.png"));
}

TEST(TopicEditing, PagePathJoinsRelativeUrlsAndKeepsAbsoluteOnes) {
    EXPECT_EQ(TopicPagePath("/root/", "sub\\page.htm"), "/root/sub/page.htm");
    EXPECT_EQ(TopicPagePath("/root/", "/elsewhere/page.htm"), "/elsewhere/page.htm");
    EXPECT_EQ(TopicPagePath("/root/", "http://example.com/a.htm"), "http://example.com/a.htm");
}

TEST(TopicEditing, UrlBoxTextsSetTheStatus) {
    TLeftTreeData data;
    data.Url = "a.htm";
    EXPECT_EQ(UrlBoxText(data), "a.htm");
    EXPECT_FALSE(ApplyUrlBoxText(data, "a.htm"));

    EXPECT_TRUE(ApplyUrlBoxText(data, "(unsaved)"));
    EXPECT_EQ(data.Status, tsUnsaved);
    EXPECT_EQ(data.Url, "");
    EXPECT_EQ(UrlBoxText(data), "(unsaved)");
    EXPECT_FALSE(ApplyUrlBoxText(data, "(unsaved)"));

    EXPECT_TRUE(ApplyUrlBoxText(data, "(no-link)"));
    EXPECT_EQ(data.Status, tsNoLink);
    EXPECT_EQ(UrlBoxText(data), "(no-link)");

    EXPECT_TRUE(ApplyUrlBoxText(data, "b\\c.htm"));
    EXPECT_EQ(data.Status, tsLinked);
    EXPECT_EQ(data.Url, "b\\c.htm");
}

TEST(TopicEditing, TopicOptionsNeedALinkedPageWithARelativePath) {
    EXPECT_TRUE(TopicOptionsEnabled(tsLinked, "a.htm"));
    EXPECT_FALSE(TopicOptionsEnabled(tsLinked, ""));
    EXPECT_FALSE(TopicOptionsEnabled(tsLinked, "c:\\a.htm"));
    EXPECT_FALSE(TopicOptionsEnabled(tsLinked, "/home/me/a.htm"));
    EXPECT_TRUE(TopicOptionsEnabled(tsLinked, "sub\\a.htm"));
    EXPECT_FALSE(TopicOptionsEnabled(tsLinked, "http://x/a.htm"));
    EXPECT_FALSE(TopicOptionsEnabled(tsUnsaved, "(unsaved)"));
    EXPECT_FALSE(TopicOptionsEnabled(tsNoLink, "a.htm"));
}

TEST(TopicEditing, ContextNumberKeepsDigitsAndKeywordsKeepTheirLines) {
    EXPECT_EQ(DigitsOnly("12a3 -4"), "1234");
    EXPECT_EQ(DigitsOnly("abc"), "");
    EXPECT_EQ(KeywordsFromBox("one\ntwo\r\nthree"), "one\r\ntwo\r\nthree");
    EXPECT_EQ(KeywordsToBox("one\r\ntwo"), "one\ntwo");
    EXPECT_EQ(KeywordsFromBox(KeywordsToBox("a\r\nb\r\n")), "a\r\nb\r\n");
}

TEST(TopicEditing, QuestionTexts) {
    EXPECT_EQ(TopicTexts::SwitchQuestion("Intro"),
              "The topic \"Intro\" has been changed, save it?");
    EXPECT_EQ(TopicTexts::ExternalEditorQuestion("Intro", true),
              "The topic \"Intro\" has not been saved. If you want to edit it using external "
              "editors, you should save it firstly. Save and continue?");
    EXPECT_EQ(TopicTexts::ExternalEditorQuestion("Intro", false),
              "The topic \"Intro\" has been changed. If you want to edit it using external "
              "editors, you should save it firstly. Save and continue?");

    const std::string missing = CheckTemplateTags("<body>($title$)</body>");
    const std::string source = TopicTexts::TemplateTagQuestion(missing, true);
    EXPECT_EQ(source, "Cannot find tag \"($content$)\" in the template source code! (Body "
                      "only)\r\n\r\nThese will likely make the template unable to work.\r\n\r\n"
                      "Would you like to save the template?");
    const std::string editor = TopicTexts::TemplateTagQuestion(missing, false);
    EXPECT_TRUE(Contains(editor, "unable to work. You should keep the tags whole in source code, "
                                 "not only look like whole in editor. When you format a tag, you "
                                 "should select the whole tag not a part of it!\r\n\r\nWould"));
}

// ---- reading and saving in the page's charset ----------------------------------------------

TEST_F(TopicEditingFiles, PagesAreReadInTheirDeclaredCharsetElseTheProjectsElseByTheirBytes) {
    Write("declared.htm", "<html><head><meta charset=\"windows-1252\"><title>Caf\xE9</title>"
                          "</head><body>\xE9</body></html>");
    const TPageFile declared = ReadPageFile(folder + "declared.htm", "UTF-8");
    EXPECT_TRUE(Contains(declared.Text, "Caf\xC3\xA9"));
    EXPECT_TRUE(SameCharset(declared.Charset, "windows-1252"));

    Write("plain.htm", "<html><body>Gr\xFC\xDF</body></html>");
    EXPECT_TRUE(
        SameCharset(ReadPageFile(folder + "plain.htm", "ISO-8859-2").Charset, "ISO-8859-2"));
    const TPageFile guessed = ReadPageFile(folder + "plain.htm", "");
    EXPECT_TRUE(SameCharset(guessed.Charset, "Windows-1252"));
    EXPECT_TRUE(Contains(guessed.Text, "Gr\xC3\xBC\xC3\x9F"));

    Write("utf8.htm", "<html><body>\xC3\xA9</body></html>");
    EXPECT_EQ(ReadPageFile(folder + "utf8.htm", "").Charset, "UTF-8");
    // A wrong declaration of UTF-8 falls back to the byte-based guess, as the reader does.
    Write("lying.htm", "<meta charset=\"utf-8\"><body>\xE9</body>");
    EXPECT_TRUE(SameCharset(ReadPageFile(folder + "lying.htm", "").Charset, "Windows-1252"));

    EXPECT_THROW(ReadPageFile(folder + "missing.htm", ""), EParvaneError);
}

TEST(TopicEditing, SaveCharsetPrefersTheTextsDeclarationThenTheReadOneThenTheProjects) {
    EXPECT_EQ(PageSaveCharset("<meta charset=\"ISO-8859-2\">", "windows-1252", "UTF-8"),
              "ISO-8859-2");
    EXPECT_EQ(PageSaveCharset("<p>no meta</p>", "windows-1252", "UTF-8"), "windows-1252");
    EXPECT_EQ(PageSaveCharset("<p>no meta</p>", "", "KOI8-R"), "KOI8-R");
    EXPECT_EQ(PageSaveCharset("<meta charset=\"no-such-set\">", "", " "), "UTF-8");
    EXPECT_EQ(PageSaveCharset("", "", ""), "UTF-8");
}

TEST_F(TopicEditingFiles, AWindows1252PageEditedAndSavedKeepsItsBytes) {
    const std::string original =
        "<html><head><meta http-equiv=\"Content-Type\" "
        "content=\"text/html; charset=windows-1252\">\r\n"
        "<title>old</title></head><body>Caf\xE9 cr\xE8me</body></html>\r\n";
    Write("page.htm", original);
    const TPageFile page = ReadPageFile(folder + "page.htm", "UTF-8");
    std::string edited =
        SF::ReplaceAll(page.Text, "</body>", " na\xC3\xAFve \xE2\x82\xAC \xE2\x98\x83</body>");
    edited = PageTextForSaving(edited, "R\xC3\xA9sum\xC3\xA9", false);
    SF::SaveTextFile(edited, folder + "page.htm", PageSaveCharset(edited, page.Charset, "UTF-8"));

    const std::string bytes = Read("page.htm");
    EXPECT_TRUE(Contains(bytes, "<title>R\xE9sum\xE9</title>"));
    EXPECT_TRUE(Contains(bytes, "Caf\xE9 cr\xE8me na\xEFve \x80 &#9731;</body>"));
    EXPECT_FALSE(Contains(bytes, "\xC3")); // no UTF-8 sequence crept in
    EXPECT_FALSE(TextCodec::IsValidUtf8(bytes));
}

TEST(TopicEditing, SavingRewritesTheTitleOfPagesButNotOfTemplates) {
    const std::string page = "<HTML><HEAD><TITLE>Old</TITLE></HEAD><BODY>x</BODY></HTML>";
    EXPECT_TRUE(Contains(PageTextForSaving(page, "New", false), "<title>New</title>"));
    EXPECT_TRUE(
        Contains(PageTextForSaving(page, "Q&A <1>", false), "<title>Q&amp;A &lt;1&gt;</title>"));
    EXPECT_EQ(PageTextForSaving(page, "New", true), page);
    const std::string untitled = "<html><body>no title</body></html>";
    EXPECT_EQ(PageTextForSaving(untitled, "New", false), untitled);
}

TEST_F(TopicEditingFiles, FileTimeIsMissingForMissingFilesAndFollowsWrites) {
    EXPECT_FALSE(PageFileTime(folder + "none.htm"));
    EXPECT_FALSE(PageFileTime(folder)); // a folder is no page
    Write("a.htm", "x");
    const auto first = PageFileTime(folder + "a.htm");
    ASSERT_TRUE(first);
    fs::last_write_time(folder + "a.htm", *first + std::chrono::seconds(5));
    EXPECT_NE(*PageFileTime(folder + "a.htm"), *first);
}

// ---- new pages --------------------------------------------------------------------------------

TEST_F(TopicEditingFiles, BlankPagesComeFromTheStarterFiles) {
    Write("app/new.htm", "<meta charset=($charset$)><title>($title$)</title>");
    Write("app/newtemp.htm", "<meta charset=($CHARSET$)>($content$)");
    Write("root/custom/start.htm", "<p>custom ($CHARSET$)</p>");
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ProjectSettings.RootDir = folder + "root/";
    project.ProjectSettings.Encoding = "Windows-1252";

    TBlankPage page = BlankPageText(project, false, folder + "app");
    EXPECT_EQ(page.Text, "<meta charset=Windows-1252><title>($title$)</title>\r\n");
    EXPECT_EQ(page.BaseFolder, folder + "app/");

    project.ProjectSettings.Encoding = "";
    page = BlankPageText(project, true, folder + "app");
    EXPECT_EQ(page.Text, "<meta charset=UTF-8>($content$)\r\n");

    project.ProjectSettings.DefaultTemplate = false;
    project.ProjectSettings.CustomTemplate = "custom\\start.htm";
    page = BlankPageText(project, false, folder + "app");
    EXPECT_EQ(page.Text, "<p>custom ($CHARSET$)</p>\r\n"); // taken as it is
    EXPECT_EQ(page.BaseFolder, folder + "root/custom/");
    // Templates always start from the program's starter.
    EXPECT_TRUE(Contains(BlankPageText(project, true, folder + "app").Text, "($content$)"));

    project.ProjectSettings.CustomTemplate = "custom/gone.htm";
    EXPECT_THROW(BlankPageText(project, false, folder + "app"), EParvaneError);
    project.ProjectSettings.CustomTemplate = "";
    EXPECT_THROW(BlankPageText(project, false, folder + "app"), EParvaneError);
}

// ---- the preview -----------------------------------------------------------------------------

TEST(TopicEditing, PreviewUsesTheTemplateOnlyForOrdinaryPagesWithATemplateSet) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ProjectSettings.HtmlHelpTemplate = "t.htm";
    TLeftTreeData data;
    EXPECT_TRUE(PreviewUsesTemplate(true, data, project));
    EXPECT_FALSE(PreviewUsesTemplate(false, data, project));
    data.ApplyTemp = true;
    EXPECT_FALSE(PreviewUsesTemplate(true, data, project));
    data.ApplyTemp = false;
    data.Kind = 2;
    EXPECT_FALSE(PreviewUsesTemplate(true, data, project));
    data.Kind = 1;
    EXPECT_TRUE(PreviewUsesTemplate(true, data, project));
    project.ProjectSettings.HtmlHelpTemplate = " ";
    EXPECT_FALSE(PreviewUsesTemplate(true, data, project));
}

TEST_F(TopicEditingFiles, PreviewTemplateIsRebasedToThePageFolderAndFilled) {
    Write("root/templates/t.htm", "<html><head><title>($title$)</title>"
                                  "<link href=\"css/t.css\" rel=\"stylesheet\"></head>"
                                  "<body><img src=\"img/band.png\">($CONTENT$)</body></html>");
    Write("root/templates/css/t.css", "p {}");
    Write("root/templates/img/band.png", "png");
    const TTemplate htmlHelpTemplate(folder + "root/templates/t.htm");
    const std::string result = PreviewWithTemplate(
        htmlHelpTemplate,
        "<html><head><title>x</title></head><body><p>Page ($title$)</p></body></html>",
        "Fish & Chips", folder + "root/sub/");
    EXPECT_TRUE(Contains(result, "<title>Fish &amp; Chips</title>"));
    EXPECT_TRUE(Contains(result, "href=\"../templates/css/t.css\""));
    EXPECT_TRUE(Contains(result, "src=\"../templates/img/band.png\""));
    // The body goes in once; a tag inside it is the page's own text.
    EXPECT_TRUE(Contains(result, "<p>Page ($title$)</p></body>"));
}

TEST(TopicEditing, PreviewBodyKeepsItsLineBreaks) {
    EXPECT_EQ(PageBodyText("<HTML><BODY class=\"x\">one\r\ntwo<pre>a\nb</pre></Body></html>"),
              "one\r\ntwo<pre>a\nb</pre>");
    EXPECT_EQ(PageBodyText("<html>no body</html>"), "");
    EXPECT_EQ(PageBodyText("</body><body>"), "");
}

// ---- previous and next ---------------------------------------------------------------------

TEST(TopicEditing, PreviousAndNextWalkTheWholeTreeButNeverOntoGroups) {
    TTopicTree tree;
    tree.CreateRootGroups();
    BuildTopics(tree, tree.ContentsRoot(), "A(B(C),D),E");
    BuildTopics(tree, tree.NonContentsRoot(), "F");
    auto text = [](const TTopicNode* node) { return node ? node->Text() : std::string("-"); };
    EXPECT_EQ(text(PreviousTopic(FindTopic(tree, "D"))), "C");
    EXPECT_EQ(text(PreviousTopic(FindTopic(tree, "E"))), "D");
    EXPECT_EQ(text(PreviousTopic(FindTopic(tree, "B"))), "A");
    EXPECT_EQ(text(PreviousTopic(FindTopic(tree, "A"))), "-");
    EXPECT_EQ(text(PreviousTopic(FindTopic(tree, "F"))), "-");
    EXPECT_EQ(text(NextTopic(FindTopic(tree, "A"))), "B");
    EXPECT_EQ(text(NextTopic(FindTopic(tree, "C"))), "D");
    EXPECT_EQ(text(NextTopic(FindTopic(tree, "E"))), "-");
    EXPECT_EQ(text(NextTopic(FindTopic(tree, "F"))), "-");
    EXPECT_EQ(text(NextTopic(nullptr)), "-");
}

// ---- the open topic ---------------------------------------------------------------------------

TEST(OpenTopic, ModifiedFollowsTheActiveTabsOwnFlag) {
    TOpenTopic topic;
    topic.Reset(tsLinked, "/r/a.htm");
    EXPECT_FALSE(topic.IsTopicModified(TEditorTab::Edit));
    topic.EditorModified = true;
    EXPECT_TRUE(topic.IsTopicModified(TEditorTab::Edit));
    EXPECT_FALSE(topic.IsTopicModified(TEditorTab::Source));
    EXPECT_FALSE(topic.IsTopicModified(TEditorTab::Preview));
    topic.EditorModified = false;
    topic.SourceChanged = true;
    EXPECT_TRUE(topic.IsTopicModified(TEditorTab::Source));
    EXPECT_FALSE(topic.IsTopicModified(TEditorTab::Edit));
    topic.PageModified = true;
    EXPECT_TRUE(topic.IsTopicModified(TEditorTab::TopicOptions));
    topic.Reset(tsLinked, "/r/b.htm");
    EXPECT_FALSE(topic.IsTopicModified(TEditorTab::Source));
}

TEST(OpenTopic, TextCarriedBetweenTabsTakesTheirChangeAlong) {
    TOpenTopic topic;
    topic.Reset(tsLinked, "/r/a.htm");
    topic.TakeFromSource("<p>unchanged</p>");
    EXPECT_EQ(topic.PageText, "<p>unchanged</p>");
    EXPECT_FALSE(topic.PageModified);
    topic.SourceChanged = true;
    topic.TakeFromSource("<p>typed</p>");
    EXPECT_TRUE(topic.PageModified);

    topic.Reset(tsLinked, "/r/a.htm");
    topic.TakeFromEditor("<p>from editor</p>");
    EXPECT_FALSE(topic.PageModified);
    topic.EditorModified = true;
    topic.TakeFromEditor("<p>edited</p>");
    EXPECT_EQ(topic.PageText, "<p>edited</p>");
    EXPECT_TRUE(topic.PageModified);
    topic.MarkSaved();
    EXPECT_FALSE(topic.PageModified);
    EXPECT_FALSE(topic.SourceChanged);

    EXPECT_TRUE(topic.EntersTab(true));
    EXPECT_FALSE(topic.EntersTab(false));
    topic.Reset(tsNoLink, "");
    EXPECT_FALSE(topic.EntersTab(true));
}

TEST(OpenTopic, EditorFlagIsSetByABodyChangeAndStaysAfterUndo) {
    TOpenTopic topic;
    topic.Reset(tsLinked, "/r/a.htm");
    topic.DocumentCompleted("<body>a</body>");
    int asked = 0;
    std::string body = "<body>a</body>";
    auto current = [&] {
        ++asked;
        return body;
    };
    topic.DisplayChanged(false, current);
    EXPECT_FALSE(topic.EditorModified);
    body = "<body>ab</body>";
    topic.DisplayChanged(true, current); // busy: the body is left alone
    EXPECT_FALSE(topic.EditorModified);
    EXPECT_EQ(asked, 1);
    topic.DisplayChanged(false, current);
    EXPECT_TRUE(topic.EditorModified);
    body = "<body>a</body>"; // undone
    topic.DisplayChanged(false, current);
    EXPECT_TRUE(topic.EditorModified);
    EXPECT_EQ(asked, 2); // once set, the body is not compared again
    topic.DocumentCompleted("<body>new</body>");
    EXPECT_FALSE(topic.EditorModified);
}

TEST(OpenTopic, MonitorTakesTheActiveTabsChangeAndEnablesSaving) {
    TOpenTopic topic;
    topic.Reset(tsLinked, "/r/a.htm");
    TOpenTopic::TMonitorResult result = topic.Monitor(TEditorTab::Edit, false);
    EXPECT_FALSE(result.SaveButtons);

    topic.EditorModified = true;
    result = topic.Monitor(TEditorTab::Edit, true); // busy: not read yet
    EXPECT_FALSE(topic.PageModified);
    EXPECT_FALSE(result.SaveButtons);
    result = topic.Monitor(TEditorTab::Source, false); // another tab's flag does not count
    EXPECT_FALSE(topic.PageModified);
    result = topic.Monitor(TEditorTab::Edit, false);
    EXPECT_TRUE(topic.PageModified);
    EXPECT_TRUE(result.SaveButtons);
    EXPECT_TRUE(result.MarkProjectModified);

    // The Source box is read even while the editor is busy with something else.
    topic.Reset(tsLinked, "/r/a.htm");
    topic.SourceChanged = true;
    EXPECT_TRUE(topic.Monitor(TEditorTab::Source, true).SaveButtons);

    // A new page can always be saved, even unchanged.
    topic.Reset(tsUnsaved, "/r/");
    result = topic.Monitor(TEditorTab::Preview, false);
    EXPECT_TRUE(result.SaveButtons);
    EXPECT_FALSE(result.MarkProjectModified);
}

TEST(OpenTopic, StatusHintAndExternalEditorRule) {
    EXPECT_EQ(StatusHint(true, true, false, true), TopicTexts::TreeHint);
    EXPECT_EQ(StatusHint(false, true, false, true), TopicTexts::EditorHint);
    EXPECT_EQ(StatusHint(false, true, true, true), "");
    EXPECT_EQ(StatusHint(false, false, false, true), "");
    EXPECT_EQ(StatusHint(false, true, false, false), "");

    EXPECT_FALSE(ExternalEditorNeedsSave(tsLinked, false));
    EXPECT_TRUE(ExternalEditorNeedsSave(tsLinked, true));
    EXPECT_TRUE(ExternalEditorNeedsSave(tsUnsaved, false));
}

TEST(OpenTopic, ReloadIsOfferedOncePerActivationForAChangedLinkedPage) {
    const TFileTime loaded = TFileTime::clock::now();
    const TFileTime later = loaded + std::chrono::seconds(2);
    TOpenTopic topic;
    topic.Reset(tsLinked, "/r/a.htm");
    topic.PageFileTime = loaded;
    TReloadWatch watch;

    EXPECT_FALSE(watch.Activated(topic, true, loaded)); // unchanged
    EXPECT_TRUE(watch.Activated(topic, true, later));
    EXPECT_FALSE(watch.Activated(topic, true, later)); // the same activation
    watch.Deactivated();
    EXPECT_TRUE(watch.Activated(topic, true, later)); // "No" asks again next time
    watch.Deactivated();

    EXPECT_FALSE(watch.Activated(topic, false, later));       // locked editor
    EXPECT_FALSE(watch.Activated(topic, true, std::nullopt)); // the file vanished
    topic.PageFileTime.reset();
    EXPECT_FALSE(watch.Activated(topic, true, later)); // never loaded from a file
    topic.Reset(tsUnsaved, "/r/");
    topic.PageFileTime = loaded;
    EXPECT_FALSE(watch.Activated(topic, true, later));
}

} // namespace
} // namespace parvane
