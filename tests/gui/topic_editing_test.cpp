// Editing the selected topic in the main window, on the offscreen platform with the web
// engine: loading pages into the tabs, the page-modified flag, the text carried between
// the tabs, saving (titles, new pages, templates, charsets), the switch question, the
// preview with and without the template, outside changes, external editors and pages
// that cannot or must not be edited.

#include "editor/edit_command_ids.h"
#include "editor/gui/edit_operation.h"
#include "editor/gui/html_edit_component.h"
#include "model/paths.h"
#include "test_dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/source_editor.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_preview.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/topic_editing.h"
#include "ui/user_settings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolBar>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <filesystem>
#include <memory>

namespace parvane {

namespace {

constexpr int kTimeout = 30000;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size();
}

TTopicNode* Find(TTopicTree& tree, const QString& title) {
    TTopicNode* found = nullptr;
    tree.ForEach([&](TTopicNode* node) {
        if (!found && QString::fromStdString(node->Text()) == title)
            found = node;
    });
    return found;
}

// Runs a script in the view's own world (the page's scripts are off) and waits for it.
QVariant Evaluate(QWebEngineView* view, const QString& expression) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                                [&](const QVariant& value) {
                                    result = value;
                                    done = true;
                                });
    if (!QTest::qWaitFor([&] { return done; }, kTimeout))
        qWarning("no answer for %s", qPrintable(expression));
    return result;
}

const QByteArray kIntro = "<html><head><title>Old intro</title></head>\r\n"
                          "<body><p id=\"p1\">Intro text</p></body></html>\r\n";
const QByteArray kOther = "<html><head><title>Other</title></head>\r\n"
                          "<body><p>Other text</p></body></html>\r\n";
const QByteArray kCp1252 =
    "<html><head><meta http-equiv=\"Content-Type\" "
    "content=\"text/html; charset=windows-1252\">\r\n"
    "<title>x</title></head>\r\n<body><p>Caf\xE9 cr\xE8me</p></body></html>\r\n";
const QByteArray kTemplate = "<html><head><title>($title$)</title></head>\r\n<body>"
                             "<div class=\"banner\"><img src=\"img/band.png\"> ($title$)</div>\r\n"
                             "($content$)\r\n</body></html>\r\n";
const QByteArray kOwnTemplate = "<html><head><title>($title$)</title></head>\r\n"
                                "<body><h1>($title$)</h1>\r\n($content$)\r\n</body></html>\r\n";
const QByteArray kScripted =
    "<html><head><title>S</title><script>document.title = 'RAN';</script></head>\r\n"
    "<body><p>static</p><script>document.body.insertAdjacentHTML('beforeend', "
    "'<p id=\"ran\">RAN</p>');</script></body></html>\r\n";

} // namespace

class TopicEditingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void typingSetsTheModifiedFlagAndUndoLeavesIt();
    void sourceEditIsCarriedIntoEditAndBack();
    void leavingABusyEditorWaitsForIt();
    void savingRewritesTheTitleOfPagesButNotOfTemplates();
    void templateTagCheckAsksInBothWordings();
    void firstSaveProposesTheTitleAsFileName();
    void switchQuestionCancelKeepsTheSelection();
    void commandsThatMoveTheSelectionAskFirst();
    void previewWithAndWithoutTheTemplate();
    void outsideChangeAsksToReloadOncePerActivation();
    void windows1252PageKeepsItsBytes();
    void editAndSaveCyclesChangeOnlyTheTypedText();
    void pagesThatCannotBeEditedLockTheEditor();
    void pageScriptsDoNotRun();
    void vanishedAndReadOnlyFilesLoseNothing();
    void topicOptionsActOnlyByTheAuthorsHand();
    void droppedTextBecomesTheTitle();
    void externalEditorAsksToSaveFirst();
    void previousAndNextTopic();
    void closingAsksAboutTheChangedPage();
    void monitorWritesTheStatusHints();
    void sourceEditorFindsHighlightsAndNumbersLines();
    void hugePageLoads();
    void windowGoesWhilePagesLoad();

private:
    TTopicEditorPane* Pane() const { return window->EditorPane(); }
    THtmlEditComponent& Edit() const { return *Pane()->edtHTML; }
    TSourceEdit* Source() const { return Pane()->mmSource->Edit(); }
    QString Page(const QString& name) const { return root + name; }
    TTopicNode* Node(const QString& title) const { return Find(window->Tree(), title); }

    void Select(const QString& title) {
        TTopicNode* node = Node(title);
        QVERIFY2(node, qPrintable(title));
        window->Tree().Select(node);
        window->TreeView()->SyncSelectionFromTree();
        QCOMPARE(Pane()->ShownTopic(), node);
    }
    // The page is loaded into the editor and everything sent to it is applied.
    bool EditorSettled() {
        if (!QTest::qWaitFor([&] { return Edit().DocumentLoaded() && !Edit().Busy(); }, kTimeout))
            return false;
        bool done = false;
        Edit().Sync([&] { done = true; });
        return QTest::qWaitFor([&] { return done && !Edit().Busy(); }, kTimeout);
    }
    // Types at the end of the last paragraph. The editor's own insertion is used: synthetic
    // key events do not reach an editable page inside a tab widget on the offscreen
    // platform (the keyboard itself was tried on a real display).
    bool TypeIntoEditor(const std::string& text) {
        THtmlElementCollection paragraphs;
        bool found = false;
        Edit().ElementsByTagName("p", [&](THtmlElementCollection all) {
            paragraphs = std::move(all);
            found = true;
        });
        if (!QTest::qWaitFor([&] { return found; }, kTimeout))
            return false;
        if (paragraphs.Length() > 0)
            Edit().PlaceCaret(paragraphs.Item(paragraphs.Length() - 1), true);
        else
            Edit().PlaceCaret(Edit().Body(), true);
        Edit().InsertText(text);
        return EditorSettled() && Contains(Edit().BodyOuterHtml(), text);
    }
    // Inserts text into the Source box as typing does, just before "</body>".
    void TypeIntoSource(const QString& text) {
        QTextCursor cursor = Source()->document()->find("</body>");
        if (cursor.isNull()) {
            cursor = Source()->textCursor();
            cursor.movePosition(QTextCursor::End);
        }
        cursor.setPosition(cursor.selectionStart());
        Source()->setTextCursor(cursor);
        Source()->insertPlainText(text);
    }
    // The idle-time monitor runs before the author can click a save button.
    void Save(QAction* button) {
        window->MonitorUpdate();
        QVERIFY(button->isEnabled());
        button->trigger();
    }
    void ShowTab(TEditorTab tab) {
        Pane()->setCurrentIndex(static_cast<int>(tab));
        QTRY_COMPARE_WITH_TIMEOUT(Pane()->currentIndex(), static_cast<int>(tab), kTimeout);
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TMemorySettingsStore> store;
    std::unique_ptr<TfrmMain> window;
    QString root;
    QStringList started;
};

void TopicEditingTest::init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    dialogs = std::make_unique<TTestDialogs>();
    store = std::make_unique<TMemorySettingsStore>();
    started.clear();
    root = dir->path() + "/help/";
    QVERIFY(WriteBytes(Page("intro.htm"), kIntro));
    QVERIFY(WriteBytes(Page("other.htm"), kOther));
    QVERIFY(WriteBytes(Page("sub/cp1252.htm"), kCp1252));
    QVERIFY(WriteBytes(Page("templates/t.htm"), kTemplate));
    QVERIFY(WriteBytes(Page("templates/own.htm"), kOwnTemplate));
    QVERIFY(WriteBytes(Page("picture.png"), "\x89PNG not really"));
    QVERIFY(WriteBytes(Page("empty.htm"), ""));
    QVERIFY(WriteBytes(Page("outside.htm"), kOther));
    QVERIFY(WriteBytes(Page("script.htm"), kScripted));
    QImage band(8, 4, QImage::Format_RGB32);
    band.fill(Qt::darkBlue);
    QVERIFY(QDir().mkpath(Page("templates/img")));
    QVERIFY(band.save(Page("templates/img/band.png")));

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.Title = "Editing";
    project.ProjectSettings.RootDir = root.toStdString();
    project.ProjectSettings.Encoding = "UTF-8";
    project.ProjectSettings.HtmlHelpTemplate = "templates\\t.htm";
    TTopicNode* toc = tree.ContentsRoot();
    auto add = [&](TTopicNode* parent, const char* title, int status, const std::string& url) {
        tree.AddTopicNode(parent, title, imLastChildOfReference, status, 0, url);
    };
    add(toc, "Intro", tsLinked, "intro.htm");
    add(toc, "Other", tsLinked, "other.htm");
    add(toc, "Café", tsLinked, "sub\\cp1252.htm");
    add(toc, "A/B: C?", tsUnsaved, "");
    add(toc, "Heading", tsNoLink, "");
    add(toc, "Picture", tsLinked, "picture.png");
    add(toc, "Empty", tsLinked, "empty.htm");
    add(toc, "Absolute", tsLinked, Page("outside.htm").toStdString());
    add(toc, "Scripted", tsLinked, "script.htm");
    add(tree.TemplatesRoot(), "Own template", tsLinked, "templates\\own.htm");
    const QString file = dir->path() + "/editing.pvx";
    project.SaveToFile(file.toStdString());

    window = std::make_unique<TfrmMain>(*dialogs, *store);
    window->EditorPane()->StartProcess = [this](const QString& program, const QStringList& args) {
        started << program + " " + args.join(' ');
        return true;
    };
    window->Start({file});
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->TreeView()->expandAll();
    QVERIFY(Node("Own template"));
    QCOMPARE(Node("Own template")->Data().Kind, 2);
    QCOMPARE(Pane()->currentIndex(), 0);
}

void TopicEditingTest::cleanup() {
    // Nothing may be asked when the window goes: answer the page and project questions.
    if (window) {
        window->EditorPane()->DiscardChanges();
        window->Project().Modified = false;
    }
    window.reset();
    QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    dir.reset();
}

// ---- the page-modified flag and the tabs ------------------------------------------------------

void TopicEditingTest::typingSetsTheModifiedFlagAndUndoLeavesIt() {
    Select("Intro");
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().DocumentHTML(), "Intro text"));
    QVERIFY(!Pane()->IsTopicModified());
    window->MonitorUpdate();
    QVERIFY(!Pane()->btnSaveHTML->isEnabled());

    QVERIFY(TypeIntoEditor("xyz"));
    QVERIFY(Pane()->IsTopicModified());
    window->MonitorUpdate();
    QVERIFY(Pane()->btnSaveHTML->isEnabled());
    QVERIFY(window->Project().Modified);

    // Undo back to the page as loaded: it still counts as changed.
    for (int i = 0; i < 5 && Contains(Edit().BodyOuterHtml(), "xyz"); ++i) {
        Edit().ExecCommand(EditCmd::Undo);
        QVERIFY(EditorSettled());
    }
    QVERIFY(!Contains(Edit().BodyOuterHtml(), "xyz"));
    QVERIFY(Pane()->IsTopicModified());
    window->MonitorUpdate();
    QVERIFY(Pane()->btnSaveHTML->isEnabled());
}

void TopicEditingTest::sourceEditIsCarriedIntoEditAndBack() {
    Select("Intro");
    QVERIFY(EditorSettled());
    ShowTab(TEditorTab::Source);
    QVERIFY(Source()->toPlainText().contains("Intro text"));
    QVERIFY(!Pane()->IsTopicModified()); // filling the box is no change

    TypeIntoSource("<p>From source</p>");
    QVERIFY(Pane()->IsTopicModified());
    ShowTab(TEditorTab::Edit);
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().BodyOuterHtml(), "From source"));
    QVERIFY(Pane()->IsTopicModified());

    QVERIFY(TypeIntoEditor("Typed"));
    ShowTab(TEditorTab::Source);
    QVERIFY(Source()->toPlainText().contains("From source"));
    QVERIFY(Source()->toPlainText().contains("Typed"));
    QVERIFY(Pane()->IsTopicModified());

    // The Topic options tab neither takes nor gives text; Source shows it again after.
    TypeIntoSource("<p>Kept</p>");
    ShowTab(TEditorTab::TopicOptions);
    ShowTab(TEditorTab::Source);
    QVERIFY(Source()->toPlainText().contains("Kept"));
    // Nothing was written.
    QCOMPARE(ReadBytes(Page("intro.htm")), kIntro);
}

void TopicEditingTest::leavingABusyEditorWaitsForIt() {
    Select("Intro");
    QVERIFY(EditorSettled());
    Edit().InsertText("Quick");
    QVERIFY(Edit().Busy());
    Pane()->setCurrentIndex(static_cast<int>(TEditorTab::Source));
    QCOMPARE(Pane()->currentIndex(), static_cast<int>(TEditorTab::Edit)); // refused for now
    QTRY_COMPARE_WITH_TIMEOUT(Pane()->currentIndex(), static_cast<int>(TEditorTab::Source),
                              kTimeout);
    QVERIFY(Source()->toPlainText().contains("Quick"));
    QVERIFY(Pane()->IsTopicModified());
}

// ---- saving -----------------------------------------------------------------------------------

void TopicEditingTest::savingRewritesTheTitleOfPagesButNotOfTemplates() {
    Select("Intro");
    QVERIFY(EditorSettled());
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>Saved text</p>");
    Save(Pane()->btnSaveHTML2);
    const QByteArray saved = ReadBytes(Page("intro.htm"));
    QVERIFY2(saved.contains("<title>Intro</title>"), saved.constData());
    QVERIFY(saved.contains("<p>Saved text</p>"));
    QVERIFY(!saved.contains("Old intro"));
    QVERIFY(!Pane()->IsTopicModified());
    // The box is refilled from the file.
    QVERIFY(Source()->toPlainText().contains("<title>Intro</title>"));

    // From the Edit tab too, with a title that needs escaping.
    ShowTab(TEditorTab::Edit);
    QVERIFY(EditorSettled());
    Node("Intro")->SetText("Q&A");
    QVERIFY(TypeIntoEditor("More"));
    Save(Pane()->btnSaveHTML);
    QVERIFY(ReadBytes(Page("intro.htm")).contains("<title>Q&amp;A</title>"));
    QVERIFY(ReadBytes(Page("intro.htm")).contains("More"));
    QVERIFY(EditorSettled());
    QVERIFY(!Pane()->IsTopicModified());

    // A template keeps its "($title$)".
    Select("Own template");
    QVERIFY(!Pane()->isTabVisible(static_cast<int>(TEditorTab::TopicOptions)));
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>extra</p>");
    Save(Pane()->btnSaveHTML2);
    const QByteArray tpl = ReadBytes(Page("templates/own.htm"));
    QVERIFY(tpl.contains("<title>($title$)</title>"));
    QVERIFY(tpl.contains("<p>extra</p>"));
    QVERIFY(dialogs->questions.isEmpty()); // both tags are there
}

void TopicEditingTest::templateTagCheckAsksInBothWordings() {
    Select("Own template");
    ShowTab(TEditorTab::Source);
    const QString withoutContent = Source()->toPlainText().remove("($content$)");
    Source()->selectAll();
    Source()->insertPlainText(withoutContent);

    dialogs->answers << TAnswer::No;
    Save(Pane()->btnSaveHTML2);
    QCOMPARE(dialogs->questions.size(), 1);
    QVERIFY(dialogs->questions[0].text.startsWith(
        "Cannot find tag \"($content$)\" in the template source code! (Body only)\r\n\r\n"
        "These will likely make the template unable to work.\r\n\r\nWould"));
    QCOMPARE(ReadBytes(Page("templates/own.htm")), kOwnTemplate);
    QVERIFY(Pane()->IsTopicModified());

    // Another command asking for the save is stopped by the No as well.
    dialogs->answers << TAnswer::No;
    QVERIFY(!Pane()->SavePage());
    QCOMPARE(ReadBytes(Page("templates/own.htm")), kOwnTemplate);

    dialogs->answers << TAnswer::Yes;
    Save(Pane()->btnSaveHTML2);
    QVERIFY(!ReadBytes(Page("templates/own.htm")).contains("($content$)"));

    // From the editing view the body is checked and the question explains formatting.
    ShowTab(TEditorTab::Edit);
    QVERIFY(EditorSettled());
    QVERIFY(TypeIntoEditor("z"));
    dialogs->answers << TAnswer::No;
    Save(Pane()->btnSaveHTML);
    QCOMPARE(dialogs->questions.size(), 4);
    QVERIFY(dialogs->questions[3].text.contains(
        "You should keep the tags whole in source code, not only look like whole in editor."));
    QVERIFY(!dialogs->questions[3].text.contains("($title$)\" in")); // the title is in the body
}

void TopicEditingTest::firstSaveProposesTheTitleAsFileName() {
    Select("A/B: C?");
    QVERIFY(EditorSettled());
    QCOMPARE(window->cbUrl->currentText(), QString("(unsaved)"));
    QVERIFY(Contains(Edit().DocumentHTML(), "charset=UTF-8")); // from new.htm
    window->MonitorUpdate();
    QVERIFY(Pane()->btnSaveHTML->isEnabled()); // savable without any change

    Save(Pane()->btnSaveHTML); // the dialog is cancelled
    QCOMPARE(dialogs->proposedNames, QStringList{root + "A_B_ C_.htm"});
    QCOMPARE(Node("A/B: C?")->Data().Status, int(tsUnsaved));
    QVERIFY(!Pane()->SavePage()); // without a sender the cancel stops the caller
    QVERIFY(!QFile::exists(root + "A_B_ C_.htm"));

    window->Project().Modified = false;
    dialogs->saveFiles << root + "A_B_ C_.htm";
    Save(Pane()->btnSaveHTML);
    const QByteArray saved = ReadBytes(root + "A_B_ C_.htm");
    QVERIFY2(saved.contains("<title>A/B: C?</title>"), saved.constData());
    const TLeftTreeData& data = Node("A/B: C?")->Data();
    QCOMPARE(data.Status, int(tsLinked));
    QCOMPARE(QString::fromStdString(data.Url), QString("A_B_ C_.htm"));
    QVERIFY(window->Project().Modified);
    QCOMPARE(window->cbUrl->currentText(), QString("A_B_ C_.htm"));
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().DocumentHTML(), "<title>A/B: C?</title>"));
    QVERIFY(!Pane()->IsTopicModified());
}

void TopicEditingTest::switchQuestionCancelKeepsTheSelection() {
    Select("Intro");
    QVERIFY(EditorSettled());
    QVERIFY(TypeIntoEditor("Edited"));
    TTopicTreeView* view = window->TreeView();
    auto clickOn = [&](const QString& title) {
        const QRect rect = view->visualRect(window->TreeModel()->IndexOf(Node(title)));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    };

    dialogs->answers << TAnswer::Cancel;
    clickOn("Other");
    QCOMPARE(dialogs->questions.size(), 1);
    QCOMPARE(dialogs->questions[0].text, QString("The topic \"Intro\" has been changed, save it?"));
    QCOMPARE(dialogs->questions[0].buttons, TButtons::YesNoCancel);
    QCOMPARE(window->Tree().Selected(), Node("Intro"));
    QCOMPARE(Pane()->ShownTopic(), Node("Intro"));
    QVERIFY(Pane()->IsTopicModified());
    QVERIFY(Contains(Edit().BodyOuterHtml(), "Edited"));

    dialogs->answers << TAnswer::Yes;
    clickOn("Other");
    QCOMPARE(window->Tree().Selected(), Node("Other"));
    QVERIFY(ReadBytes(Page("intro.htm")).contains("Edited"));
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().DocumentHTML(), "Other text"));

    QVERIFY(TypeIntoEditor("Dropped"));
    dialogs->answers << TAnswer::No;
    clickOn("Intro");
    QCOMPARE(window->Tree().Selected(), Node("Intro"));
    QCOMPARE(ReadBytes(Page("other.htm")), kOther);
    QCOMPARE(dialogs->questions.size(), 3);
}

void TopicEditingTest::commandsThatMoveTheSelectionAskFirst() {
    Select("Intro");
    QVERIFY(EditorSettled());
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>pending</p>");
    // Linking the topic to no page: the question of the command, then the page's.
    dialogs->answers << TAnswer::Yes << TAnswer::Yes;
    window->tbNoLink->trigger();
    QCOMPARE(dialogs->questions.size(), 2);
    QCOMPARE(dialogs->questions[1].text, QString("The topic \"Intro\" has been changed, save it?"));
    QVERIFY(ReadBytes(Page("intro.htm")).contains("pending"));
    QCOMPARE(window->cbUrl->currentText(), QString("(no-link)"));
    QVERIFY(Pane()->Locked());
}

// ---- the preview -----------------------------------------------------------------------------

void TopicEditingTest::previewWithAndWithoutTheTemplate() {
    Select("Café");
    QVERIFY(EditorSettled());
    QSignalSpy loaded(Pane()->wbPreview, &TTopicPreview::Loaded);
    ShowTab(TEditorTab::Preview);
    std::string html = Pane()->wbPreview->Html();
    QVERIFY(Contains(html, "<div class=\"banner\">"));
    QVERIFY(Contains(html, "<title>Café</title>"));
    QVERIFY(Contains(html, "<p>Café crème</p>"));
    // The template's picture, rebased from its folder to the page's.
    QVERIFY(Contains(html, "src=\"../templates/img/band.png\""));
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, kTimeout);
    QCOMPARE(loaded.last().at(0).toBool(), true);
    QWebEngineView* view = Pane()->wbPreview->View();
    QCOMPARE(Evaluate(view, "document.querySelector('img').naturalWidth").toInt(), 8);
    QCOMPARE(Evaluate(view, "document.body.textContent.includes('Café crème')").toBool(), true);

    // Without the option the page itself.
    TAppOptions options = Pane()->Options();
    options.PreviewWithTemplate = false;
    Pane()->SetOptions(options);
    Pane()->ShowPreview();
    html = Pane()->wbPreview->Html();
    QVERIFY(!Contains(html, "banner"));
    QVERIFY(Contains(html, "charset=windows-1252"));

    // Not for a page that asks for no template, nor for templates, nor without one set.
    options.PreviewWithTemplate = true;
    Pane()->SetOptions(options);
    Node("Café")->Data().ApplyTemp = true;
    Pane()->ShowPreview();
    QVERIFY(!Contains(Pane()->wbPreview->Html(), "banner"));
    Node("Café")->Data().ApplyTemp = false;
    window->Project().ProjectSettings.HtmlHelpTemplate.clear();
    Pane()->ShowPreview();
    QVERIFY(!Contains(Pane()->wbPreview->Html(), "banner"));
    window->Project().ProjectSettings.HtmlHelpTemplate = "templates\\t.htm";
    Select("Own template");
    QVERIFY(Contains(Pane()->wbPreview->Html(), "<h1>($title$)</h1>"));
    QVERIFY(!Contains(Pane()->wbPreview->Html(), "banner"));

    // An edit in the Source tab is what the preview shows.
    Select("Intro");
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>Fresh</p>");
    ShowTab(TEditorTab::Preview);
    QVERIFY(Contains(Pane()->wbPreview->Html(), "<p>Fresh</p>"));
    QVERIFY(Contains(Pane()->wbPreview->Html(), "banner"));
    QVERIFY(Contains(Pane()->wbPreview->Html(), "src=\"templates/img/band.png\""));
    QVERIFY(Pane()->IsTopicModified());
}

// ---- outside changes ---------------------------------------------------------------------------

void TopicEditingTest::outsideChangeAsksToReloadOncePerActivation() {
    Select("Intro");
    QVERIFY(EditorSettled());
    Pane()->ApplicationActivated();
    QVERIFY(dialogs->questions.isEmpty()); // unchanged

    QVERIFY(WriteBytes(Page("intro.htm"), "<html><body><p>Outside change</p></body></html>"));
    const auto path = Page("intro.htm").toStdString();
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                               std::chrono::seconds(10));

    dialogs->answers << TAnswer::No;
    Pane()->ApplicationActivated();
    QCOMPARE(dialogs->questions.size(), 1);
    QCOMPARE(dialogs->questions[0].text, QString(TopicTexts::ReloadQuestion));
    QCOMPARE(dialogs->questions[0].buttons, TButtons::YesNo);
    Pane()->ApplicationActivated(); // the same activation
    QCOMPARE(dialogs->questions.size(), 1);
    QVERIFY(Contains(Edit().DocumentHTML(), "Intro text"));

    Pane()->ApplicationDeactivated();
    dialogs->answers << TAnswer::Yes;
    Pane()->ApplicationActivated();
    QCOMPARE(dialogs->questions.size(), 2);
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().DocumentHTML(), "Outside change"));

    // The reload took the new time.
    Pane()->ApplicationDeactivated();
    Pane()->ApplicationActivated();
    QCOMPARE(dialogs->questions.size(), 2);

    // Our own save is no outside change.
    QVERIFY(TypeIntoEditor("Mine"));
    Save(Pane()->btnSaveHTML);
    QVERIFY(EditorSettled());
    Pane()->ApplicationDeactivated();
    Pane()->ApplicationActivated();
    QCOMPARE(dialogs->questions.size(), 2);
}

// ---- charsets ----------------------------------------------------------------------------------

void TopicEditingTest::windows1252PageKeepsItsBytes() {
    Select("Café");
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().BodyOuterHtml(), "Café crème"));
    QVERIFY(TypeIntoEditor("süß"));
    Save(Pane()->btnSaveHTML);
    const QByteArray saved = ReadBytes(Page("sub/cp1252.htm"));
    QVERIFY2(saved.contains("<title>Caf\xE9</title>"), saved.constData());
    QVERIFY(saved.contains("Caf\xE9 cr\xE8me"));
    QVERIFY(saved.contains("s\xFC\xDF"));
    QVERIFY(!saved.contains("\xC3")); // nothing in UTF-8
    QVERIFY(saved.contains("charset=windows-1252"));

    // And from the Source tab, with a character the charset lacks.
    QVERIFY(EditorSettled());
    ShowTab(TEditorTab::Source);
    QVERIFY(Source()->toPlainText().contains(QString::fromUtf8("Café crème")));
    TypeIntoSource(QString::fromUtf8("<p>€ ☃</p>"));
    Save(Pane()->btnSaveHTML2);
    const QByteArray again = ReadBytes(Page("sub/cp1252.htm"));
    QVERIFY(again.contains("<p>\x80 &#9731;</p>"));
    QVERIFY(again.contains("s\xFC\xDF"));
}

void TopicEditingTest::editAndSaveCyclesChangeOnlyTheTypedText() {
    // Each cycle types one character and saves; the page is loaded again from the file
    // after every save. Nothing else changes: no blank lines gather before </body>, the
    // line ends stay CR LF, the title is the topic's.
    Select("Intro");
    QByteArray expected = kIntro;
    expected.replace("Old intro", "Intro");
    for (int cycle = 0; cycle < 10; ++cycle) {
        QVERIFY(EditorSettled());
        QVERIFY(TypeIntoEditor("Q"));
        Save(Pane()->btnSaveHTML);
        expected.replace("</p></body>", "Q</p></body>");
        QCOMPARE(ReadBytes(Page("intro.htm")), expected);
    }
}

// ---- bad input ---------------------------------------------------------------------------------

void TopicEditingTest::pagesThatCannotBeEditedLockTheEditor() {
    for (const char* title : {"Picture", "Empty", "Absolute", "Heading"}) {
        Select(title);
        QVERIFY2(Pane()->Locked(), title);
        QVERIFY(!Edit().isEnabled());
        QVERIFY(!Pane()->tbEdit->isEnabled());
        QVERIFY(!Pane()->tbSource->isEnabled());
        QVERIFY(!Pane()->IsTopicModified());
        Pane()->btnSaveHTMLClick(true);
        QVERIFY(Pane()->SavePage()); // nothing to save is no failure
        ShowTab(TEditorTab::Source);
        ShowTab(TEditorTab::Edit);
    }
    QCOMPARE(ReadBytes(Page("picture.png")), QByteArray("\x89PNG not really"));
    QCOMPARE(ReadBytes(Page("empty.htm")), QByteArray());
    QCOMPARE(ReadBytes(Page("outside.htm")), kOther);
    QVERIFY(dialogs->questions.isEmpty());
    QVERIFY(dialogs->errors.isEmpty());
    QCOMPARE(window->cbUrl->currentText(), QString("(no-link)"));

    // A linked page shows again after them.
    Select("Intro");
    QVERIFY(!Pane()->Locked());
    QVERIFY(EditorSettled());
    QVERIFY(Contains(Edit().DocumentHTML(), "Intro text"));
}

void TopicEditingTest::pageScriptsDoNotRun() {
    Select("Scripted");
    QVERIFY(EditorSettled());
    QCOMPARE(Evaluate(Edit().View(), "document.getElementById('ran') === null").toBool(), true);
    QCOMPARE(Evaluate(Edit().View(), "document.title").toString(), QString("S"));
    QSignalSpy loaded(Pane()->wbPreview, &TTopicPreview::Loaded);
    ShowTab(TEditorTab::Preview);
    QTRY_VERIFY_WITH_TIMEOUT(loaded.count() > 0, kTimeout);
    QWebEngineView* view = Pane()->wbPreview->View();
    // Shown in the template: the body's script is there, and does not run.
    QVERIFY(Contains(Pane()->wbPreview->Html(), "insertAdjacentHTML"));
    QCOMPARE(Evaluate(view, "document.getElementById('ran') === null").toBool(), true);
    QCOMPARE(Evaluate(view, "document.title").toString(), QString("Scripted"));
    // Saved, the scripts are still there.
    ShowTab(TEditorTab::Edit);
    QVERIFY(EditorSettled());
    QVERIFY(TypeIntoEditor("q"));
    Save(Pane()->btnSaveHTML);
    const QByteArray saved = ReadBytes(Page("script.htm"));
    QVERIFY(saved.contains("<script>document.title = 'RAN';</script>"));
    QVERIFY(saved.contains("insertAdjacentHTML"));
    QCOMPARE(saved.count("id=\"ran\""), 1); // only inside the script
    QVERIFY(!saved.contains("contenteditable"));
}

void TopicEditingTest::vanishedAndReadOnlyFilesLoseNothing() {
    // The file goes while the page is open: saving writes it again.
    Select("Other");
    QVERIFY(EditorSettled());
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>Back again</p>");
    QVERIFY(QFile::remove(Page("other.htm")));
    Pane()->ApplicationActivated(); // a vanished file is not offered for reload
    QVERIFY(dialogs->questions.isEmpty());
    Save(Pane()->btnSaveHTML2);
    QVERIFY(ReadBytes(Page("other.htm")).contains("Back again"));
    QVERIFY(dialogs->errors.isEmpty());

    // A read-only file is written as the author asked.
    QVERIFY(
        QFile::setPermissions(Page("other.htm"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    TypeIntoSource("<p>Despite read-only</p>");
    Save(Pane()->btnSaveHTML2);
    QVERIFY(ReadBytes(Page("other.htm")).contains("Despite read-only"));
    QVERIFY(dialogs->errors.isEmpty());

    // The whole folder goes: the error is shown and the page stays changed.
    Select("Café");
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>Unwritten</p>");
    QVERIFY(QDir(Page("sub")).removeRecursively());
    Save(Pane()->btnSaveHTML2);
    QCOMPARE(dialogs->errors.size(), 1);
    QVERIFY(dialogs->errors[0].startsWith("Cannot write"));
    QVERIFY(Pane()->IsTopicModified());
    window->MonitorUpdate();
    QVERIFY(Pane()->btnSaveHTML2->isEnabled());
    QVERIFY(Source()->toPlainText().contains("Unwritten"));
    QVERIFY(!Pane()->SavePage());
    QCOMPARE(dialogs->errors.size(), 2);
    QVERIFY(QDir().mkpath(Page("sub")));
    Save(Pane()->btnSaveHTML2);
    QVERIFY(ReadBytes(Page("sub/cp1252.htm")).contains("Unwritten"));
    QVERIFY(!Pane()->IsTopicModified());
}

// ---- the topic's own properties ----------------------------------------------------------------

void TopicEditingTest::topicOptionsActOnlyByTheAuthorsHand() {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    Select("Intro");
    ShowTab(TEditorTab::TopicOptions);
    window->MonitorUpdate();
    QVERIFY(Pane()->edtContextNumber->isEnabled());
    window->Project().Modified = false;

    Pane()->edtContextNumber->setFocus();
    QTest::keyClicks(Pane()->edtContextNumber, "1a2b3");
    QCOMPARE(Pane()->edtContextNumber->text(), QString("123"));
    QCOMPARE(QString::fromStdString(Node("Intro")->Data().ContextNumber), QString("123"));
    QVERIFY(window->Project().Modified);

    Pane()->mmKeywords->setFocus();
    QTest::keyClicks(Pane()->mmKeywords, "alpha");
    QTest::keyClick(Pane()->mmKeywords, Qt::Key_Return);
    QTest::keyClicks(Pane()->mmKeywords, "beta");
    QCOMPARE(QString::fromStdString(Node("Intro")->Data().Keywords), QString("alpha\r\nbeta"));

    QTest::mouseClick(Pane()->cbNoTemplate, Qt::LeftButton, {},
                      QPoint(8, Pane()->cbNoTemplate->height() / 2));
    QVERIFY(Node("Intro")->Data().ApplyTemp);

    // Showing another topic fills the boxes without writing anything back.
    Select("Other");
    QCOMPARE(Pane()->edtContextNumber->text(), QString());
    QCOMPARE(Pane()->mmKeywords->toPlainText(), QString());
    QVERIFY(Node("Other")->Data().Keywords.empty());
    QVERIFY(!Node("Other")->Data().ApplyTemp);
    QCOMPARE(QString::fromStdString(Node("Intro")->Data().ContextNumber), QString("123"));
    Select("Intro");
    QCOMPARE(Pane()->mmKeywords->toPlainText(), QString("alpha\nbeta"));
    QVERIFY(Pane()->cbNoTemplate->isChecked());

    // Only for linked pages with a relative path.
    Select("Heading");
    window->MonitorUpdate();
    QVERIFY(!Pane()->edtContextNumber->isEnabled());
    QVERIFY(!Pane()->mmKeywords->isEnabled());
    QVERIFY(!Pane()->cbNoTemplate->isEnabled());
    Select("Absolute");
    window->MonitorUpdate();
    QVERIFY(!Pane()->edtContextNumber->isEnabled());
}

void TopicEditingTest::droppedTextBecomesTheTitle() {
    Select("Intro");
    TTopicNode* intro = Node("Intro");
    window->Project().Modified = false;
    QMimeData data;
    data.setText("  Dropped\ntitle ");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->edtTitle, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->edtTitle, &drop);
    QCOMPARE(window->edtTitle->text(), QString("Dropped title"));
    QCOMPARE(QString::fromStdString(intro->Text()), QString("Dropped title"));
    QVERIFY(window->Project().Modified);
}

// ---- external editors -------------------------------------------------------------------------

void TopicEditingTest::externalEditorAsksToSaveFirst() {
    TAppOptions options = Pane()->Options();
    options.Editors = {"/no/such/editor", "/bin/echo --page %1"};
    options.DefaultEditor = "/bin/echo --page %1";
    bool listShown = false;
    Pane()->EditEditorList = [&] { listShown = true; };
    Pane()->SetOptions(options);
    QCOMPARE(Pane()->CurrentExternalEditor(), 1);
    const QList<QAction*> entries = Pane()->pmExternalEditor->actions();
    QCOMPARE(entries.size(), 2); // the missing program is left out
    QVERIFY(entries[0]->text().startsWith("Edit with "));
    QCOMPARE(entries[1]->text(), QString("Edit List..."));

    Select("Intro");
    QVERIFY(EditorSettled());
    Pane()->tbExternalEditor->click(); // unchanged: starts at once
    QCOMPARE(started, QStringList{"/bin/echo --page " + Page("intro.htm")});
    QVERIFY(dialogs->questions.isEmpty());

    QVERIFY(TypeIntoEditor("Ext"));
    dialogs->answers << TAnswer::No;
    Pane()->tbExternalEditor->click();
    QCOMPARE(dialogs->questions.size(), 1);
    QCOMPARE(dialogs->questions[0].text,
             QString("The topic \"Intro\" has been changed. If you want to edit it using external "
                     "editors, you should save it firstly. Save and continue?"));
    QCOMPARE(started.size(), 1);
    QVERIFY(!ReadBytes(Page("intro.htm")).contains("Ext"));

    dialogs->answers << TAnswer::Yes;
    Pane()->tbExternalEditor->click();
    QVERIFY(ReadBytes(Page("intro.htm")).contains("Ext"));
    QCOMPARE(started.size(), 2);

    // A new page is saved first, then opened under its new name.
    Select("A/B: C?");
    QVERIFY(EditorSettled());
    dialogs->answers << TAnswer::Yes;
    dialogs->saveFiles << root + "new page.htm";
    Pane()->tbExternalEditor->click();
    QVERIFY(dialogs->questions.last().text.contains("has not been saved"));
    QCOMPARE(started.last(), "/bin/echo --page " + root + "new page.htm");

    // "Edit List..." opens the list and starts nothing.
    entries[1]->trigger();
    QVERIFY(listShown);
    QCOMPARE(started.size(), 3);
}

void TopicEditingTest::previousAndNextTopic() {
    Select("Intro");
    ShowTab(TEditorTab::Preview);
    QVERIFY(Pane()->tbNextTopic->isEnabled());
    Pane()->tbNextTopic->trigger();
    QCOMPARE(window->Tree().Selected(), Node("Other"));
    QCOMPARE(Pane()->ShownTopic(), Node("Other"));
    QVERIFY(Contains(Pane()->wbPreview->Html(), "Other text"));
    Pane()->tbPrevTopic->trigger();
    QCOMPARE(window->Tree().Selected(), Node("Intro"));
    Pane()->tbPrevTopic->trigger(); // the group above is no topic
    QCOMPARE(window->Tree().Selected(), Node("Intro"));

    // The bar serves the table of contents only.
    Select("Own template");
    QVERIFY(!Pane()->tbNextTopic->isEnabled());
}

void TopicEditingTest::closingAsksAboutTheChangedPage() {
    Select("Intro");
    QVERIFY(EditorSettled());
    ShowTab(TEditorTab::Source);
    TypeIntoSource("<p>Unsaved work</p>");
    dialogs->answers << TAnswer::Cancel;
    window->close();
    QVERIFY(window->isVisible());
    QCOMPARE(dialogs->questions.size(), 1);
    QCOMPARE(dialogs->questions[0].text, QString("The topic \"Intro\" has been changed, save it?"));
    QVERIFY(Source()->toPlainText().contains("Unsaved work"));
}

void TopicEditingTest::monitorWritesTheStatusHints() {
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    Select("Intro");
    QVERIFY(EditorSettled());
    window->TreeView()->setFocus();
    window->MonitorUpdate();
    QCOMPARE(window->sbHint->text(), QString(TopicTexts::TreeHint));
    Edit().FocusDocument();
    QTRY_VERIFY_WITH_TIMEOUT(Edit().DocumentHasFocus(), kTimeout);
    window->MonitorUpdate();
    QCOMPARE(window->sbHint->text(), QString(TopicTexts::EditorHint));
    window->edtTitle->setFocus();
    window->MonitorUpdate();
    QCOMPARE(window->sbHint->text(), QString());
    // The link buttons follow what the URL box shows.
    QVERIFY(window->tbLinkNew->isEnabled());
    Select("A/B: C?");
    window->MonitorUpdate();
    QVERIFY(!window->tbLinkNew->isEnabled());
    QVERIFY(window->tbNoLink->isEnabled());
}

// ---- the source editor ------------------------------------------------------------------------

void TopicEditingTest::sourceEditorFindsHighlightsAndNumbersLines() {
    Select("Intro");
    ShowTab(TEditorTab::Source);
    TSourceView* view = Pane()->mmSource;
    TSourceEdit* edit = view->Edit();
    QVERIFY(edit->Highlighted());
    QVERIFY(!edit->document()->firstBlock().layout()->formats().isEmpty());
    QVERIFY(edit->LineNumberAreaWidth() > 0);
    QCOMPARE(edit->viewport()->geometry().left() - edit->contentsRect().left(),
             edit->LineNumberAreaWidth());

    edit->moveCursor(QTextCursor::Start);
    QVERIFY(view->FindNext("intro text"));
    QCOMPARE(edit->textCursor().selectedText(), QString("Intro text"));
    QVERIFY(view->FindNext("<title>", true)); // backwards, wrapping
    QCOMPARE(edit->textCursor().selectedText(), QString("<title>"));
    QVERIFY(!view->FindNext("nowhere"));

    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(view->FindBarVisible());
    QTest::keyClicks(view->FindBox(), "Intro t");
    QCOMPARE(edit->textCursor().selectedText(), QString("Intro t"));
    QTest::keyClick(view->FindBox(), Qt::Key_Escape);
    QVERIFY(!view->FindBarVisible());
    // Searching selects but changes nothing.
    QVERIFY(!Pane()->IsTopicModified());

    view->SetSourceFont("Courier New,12,255,[B]");
    QCOMPARE(edit->font().pointSize(), 12);
    QVERIFY(edit->font().bold());
    QCOMPARE(edit->palette().color(QPalette::Text), QColor(255, 0, 0));
    view->SetSourceFont("");
    QVERIFY(!edit->font().bold());
}

void TopicEditingTest::hugePageLoads() {
    QByteArray page = "<html><head><title>Big</title></head><body>\r\n";
    while (page.size() < 5 * 1024 * 1024)
        page += "<p>A rather long paragraph of the huge page, repeated many times over.</p>\r\n";
    page += "<p>The very end</p></body></html>\r\n";
    QVERIFY(WriteBytes(Page("other.htm"), page));
    Select("Other");
    QVERIFY(EditorSettled());
    QVERIFY(!Pane()->Locked());
    QVERIFY(Contains(Edit().DocumentHTML(), "The very end"));
    ShowTab(TEditorTab::Source);
    QVERIFY(!Source()->Highlighted());
    QVERIFY(Source()->toPlainText().endsWith("The very end</p></body></html>\n") ||
            Source()->toPlainText().contains("The very end"));
    TypeIntoSource("<p>Added at the end</p>");
    Save(Pane()->btnSaveHTML2);
    const QByteArray saved = ReadBytes(Page("other.htm"));
    QVERIFY(saved.size() > page.size());
    QVERIFY(saved.contains("<p>Added at the end</p>"));
}

void TopicEditingTest::windowGoesWhilePagesLoad() {
    // Taking the window down while the editor and the preview are still loading, with the
    // editor hidden behind another tab, once crashed inside the browser's widgets.
    for (int round = 0; round < 3; ++round) {
        if (!window)
            init();
        Select("Intro");
        ShowTab(TEditorTab::Preview);
        Pane()->tbNextTopic->trigger();
        Pane()->tbPrevTopic->trigger();
        Select("Own template");
        window.reset();
    }
}

} // namespace parvane

QTEST_MAIN(parvane::TopicEditingTest)
#include "topic_editing_test.moc"
