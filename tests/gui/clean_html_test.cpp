// What the editor leaves in a page that uses a style sheet, read back with libxml2's HTML
// parser: inserts carry no style of the page, blocks never sit inside paragraphs, no line
// break or non-breaking space appears that the author did not type; pasted rich text keeps
// its structure and drops the foreign rest; font names and the style box.

#include "edit_html_checks.h"
#include "edit_page_helpers.h"
#include "editor/edit_command_ids.h"
#include "editor/gui/edit_operation.h"
#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_component.h"
#include "editor/gui/link_picture_dialogs.h"
#include "editor/gui/table_dialogs.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "settings/app_options.h"
#include "test_dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <string>

using namespace parvane;
using namespace parvane::testing;

namespace {

const char* const kStyledPage =
    "<!DOCTYPE html>\n<html><head><title>Clean</title>\n"
    "<style>body { font-size: 10.5pt; font-family: sans-serif; }\n"
    "table { border-collapse: collapse; } a { color: #036; }</style></head>\n"
    "<body>\n<h1>Heading</h1>\n<p>First paragraph with a word.</p>\n<p>Second one.</p>\n"
    "</body></html>";

// A fragment as a word processor puts it on the clipboard (Word's HTML).
const char* const kWordFragment =
    "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><head>"
    "<meta name=Generator content=\"Microsoft Word 15\"><style><!-- p.MsoNormal "
    "{mso-style-unhide:no;"
    " font-size:11.0pt;} --></style></head><body lang=EN-US style='tab-interval:36.0pt'>"
    "<!--StartFragment-->"
    "<h1 style='mso-outline-level:1'><span style='font-family:\"Calibri Light\"'>Setup</span></h1>"
    "<p class=MsoNormal>Run the <b><span style='mso-bidi-font-weight:normal'>installer</span></b>"
    " and <i>wait</i>.<o:p></o:p></p>"
    "<p class=MsoListParagraphCxSpFirst style='text-indent:-18.0pt;mso-list:l0 level1 lfo1'>"
    "<![if !supportLists]><span style='font-family:Symbol'>\xC2\xB7<span style='font:7.0pt \"Times "
    "New Roman\"'>"
    "&nbsp;&nbsp; </span></span><![endif]>First point<o:p></o:p></p>"
    "<p class=MsoListParagraphCxSpLast style='text-indent:-18.0pt;mso-list:l0 level1 lfo1'>"
    "<![if !supportLists]><span style='font-family:Symbol'>\xC2\xB7<span style='font:7.0pt \"Times "
    "New Roman\"'>"
    "&nbsp;&nbsp; </span></span><![endif]>Second point<o:p></o:p></p>"
    "<p class=MsoListParagraphCxSpFirst style='mso-list:l1 level1 lfo2'><!--[if !supportLists]-->"
    "<span>1.<span style='font:7.0pt'>&nbsp; </span></span><!--[endif]-->Step one</p>"
    "<table class=MsoTableGrid border=1 style='border-collapse:collapse;mso-yfti-tbllook:1184'>"
    "<tr><td width=100 style='width:75pt;padding:0cm 5.4pt'><p class=MsoNormal>Cell"
    "<o:p></o:p></p></td></tr></table>"
    "<p class=MsoNormal><a href=\"http://example.org/\"><span style='color:#0563C1'>Link</span></a>"
    "<font face=Arial>x</font></p>"
    "<!--EndFragment--></body></html>";

// A fragment of a web page: classes, styles, scripts, layout boxes.
const char* const kWebFragment =
    "<meta charset='utf-8'><div class=\"article\" style=\"margin:0 auto\">"
    "<h2 class=\"title\" id=\"x\" style=\"color:red\">News</h2>"
    "<script>alert('no')</script><style>.a{}</style>"
    "<div class=\"lead\">A <span style=\"font-weight:700\">bold</span> claim and "
    "<span style=\"font-style:italic\">a slanted</span> one, "
    "<a href=\"javascript:alert(1)\" onclick=\"x()\">bad link</a> and "
    "<a class=\"ext\" href=\"https://example.org/a\" target=\"_blank\" rel=\"nofollow\">good</a>."
    "</div><ul class=\"list\"><li style=\"color:blue\">one</li><li>two</li></ul>"
    "<img src=\"https://example.org/p.png\" alt=\"pic\" class=\"wide\" style=\"width:100%\" "
    "onerror=\"x()\"></div>";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string BodyOf(const std::string& html) {
    const std::size_t start = html.find("<body");
    const std::size_t end = html.rfind("</body>");
    return start == std::string::npos || end == std::string::npos ? html
                                                                  : html.substr(start, end - start);
}

template <class T> T& As(QDialog& dialog) {
    return dynamic_cast<T&>(dialog);
}

} // namespace

class CleanHtmlTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dialogInsertsCarryNoStyleOfThePage();
    void listStartedOnANewParagraphIsNoPartOfIt();
    void blocksPastedIntoAParagraphSplitIt();
    void wordProcessorPasteKeepsStructureOnly();
    void webPagePasteKeepsStructureOnly();
    void clipboardPasteIsCleanedAndPlainTextPasteHasNoFormatting();
    void richTextDroppedFromAnotherProgramIsCleaned();
    void styleBoxShowsTheHeadingRightAfterLoading();
    void fontBoxOffersFamiliesThePageCanUse();

private:
    TEditorDialogHost Host();
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<THtmlEditComponent> edit_;
    std::unique_ptr<TTopicTree> tree_;
    std::unique_ptr<TPvx> project_;
    TTestDialogs dialogs_;
    std::string lastPictureFolder_;
};

void CleanHtmlTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void CleanHtmlTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    tree_ = std::make_unique<TTopicTree>();
    tree_->CreateRootGroups();
    project_ = std::make_unique<TPvx>(*tree_);
    project_->ProjectSettings.RootDir = QDir(dir_->path()).absolutePath().toStdString() + "/";
    dialogs_ = TTestDialogs();
    edit_ = std::make_unique<THtmlEditComponent>();
    edit_->resize(800, 600);
    edit_->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit_.get()));
    QVERIFY(Load(*edit_, kStyledPage, project_->ProjectSettings.RootDir));
}

void CleanHtmlTest::cleanup() {
    QVERIFY2(dialogs_.unexpected.isEmpty(), qPrintable(dialogs_.unexpected.join('\n')));
    QVERIFY(dialogs_.execs.isEmpty());
    edit_.reset();
    project_.reset();
    tree_.reset();
    dir_.reset();
}

TEditorDialogHost CleanHtmlTest::Host() {
    TEditorDialogHost host;
    host.Editor = edit_.get();
    host.Dialogs = &dialogs_;
    host.Project = project_.get();
    host.TopicStatus = 0;
    host.LastPictureFolder = &lastPictureFolder_;
    return host;
}

void CleanHtmlTest::dialogInsertsCarryNoStyleOfThePage() {
    THtmlEditComponent& edit = *edit_;
    QFile picture(QString::fromStdString(project_->ProjectSettings.RootDir) + "pic.png");
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.close();

    QVERIFY(FindText(edit, "word"));
    dialogs_.multiFiles = {picture.fileName()};
    QVERIFY(RunInsertPicture(Host()));
    QVERIFY(Settle(edit));
    QVERIFY(FindText(edit, "paragraph"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        link.edtUrl->setText("other.htm");
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY(FindText(edit, "Second"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& table = As<TInsertTable>(dialog);
        table.btnOK->click();
        return table.result();
    };
    QVERIFY(RunInsertTableDialog(Host()));
    QVERIFY(Settle(edit));

    const std::string html = edit.DocumentHTML();
    const std::string body = BodyOf(html);
    QVERIFY2(Has(body, "<img src=\"pic.png\">") && Has(body, "<a href=\"other.htm\">paragraph</a>"),
             body.c_str());
    // The only style is the one the table insert writes itself, whole.
    QVERIFY2(Has(body, "style=\"border-collapse: collapse\""), body.c_str());
    const THtmlFindings findings = ParseFindings(html);
    QCOMPARE(findings.Styles, 1);
    QCOMPARE(findings.LineBreaks, 0);
    QVERIFY2(findings.NonBreakingSpaces == 4, body.c_str()); // the new table's four empty cells
    QVERIFY(findings.Misnested.empty());
    QCOMPARE(CountParsed(html, "table"), 1);
    QCOMPARE(CountParsed(html, "p"),
             EvaluateInEditor(edit, "document.querySelectorAll('p').length").toInt());
}

void CleanHtmlTest::listStartedOnANewParagraphIsNoPartOfIt() {
    THtmlEditComponent& edit = *edit_;
    edit.PlaceCaret(ElementsByTag(edit, "p").Item(0), true);
    QVERIFY(Settle(edit));
    edit.activateWindow();
    edit.FocusDocument();
    QVERIFY(WaitFor([&] { return edit.DocumentHasFocus(); }));
    QWidget* target = edit.View()->focusProxy() ? edit.View()->focusProxy() : edit.View();
    QTest::keyClick(target, Qt::Key_Return);
    QVERIFY(Settle(edit));
    QVERIFY(RunCommand(edit, EditCmd::UnorderList));
    QTest::keyClicks(target, "item");
    QVERIFY(WaitFor([&] { return Settle(edit) && Has(edit.DocumentHTML(), "item"); }));
    QVERIFY(RunCommand(edit, EditCmd::OrderList));

    const std::string html = edit.DocumentHTML();
    QCOMPARE(EvaluateInEditor(edit, "document.querySelectorAll('p ul, p ol').length").toInt(), 0);
    QCOMPARE(CountParsed(html, "ol") + CountParsed(html, "ul"), 1);
    QCOMPARE(CountParsed(html, "p"),
             EvaluateInEditor(edit, "document.querySelectorAll('p').length").toInt());
    const THtmlFindings findings = ParseFindings(html);
    QVERIFY2(findings.Styles == 0 && findings.NonBreakingSpaces == 0, BodyOf(html).c_str());
}

void CleanHtmlTest::blocksPastedIntoAParagraphSplitIt() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(FindText(edit, "with"));
    edit.PasteHtml("<ul><li>one</li></ul><table><tr><td>c</td></tr></table>");
    QVERIFY(Settle(edit));
    const std::string body = BodyOf(edit.DocumentHTML());
    QVERIFY2(Has(body, "<p>First paragraph </p><ul><li>one</li></ul>"
                       "<table><tbody><tr><td>c</td></tr></tbody></table><p> a word.</p>"),
             body.c_str());
    // An empty paragraph the block lands in goes altogether.
    QVERIFY(Load(edit, "<p>a</p><p></p><p>b</p>"));
    edit.PlaceCaret(ElementsByTag(edit, "p").Item(1));
    QVERIFY(Settle(edit));
    edit.PasteHtml("<hr>");
    QVERIFY(Settle(edit));
    QVERIFY2(Has(edit.BodyOuterHtml(), "<p>a</p><hr><p>b</p>"), edit.BodyOuterHtml().c_str());
}

void CleanHtmlTest::wordProcessorPasteKeepsStructureOnly() {
    THtmlEditComponent& edit = *edit_;
    edit.PlaceCaret(edit.Body(), true);
    QVERIFY(Settle(edit));
    edit.PasteCleanHtml(kWordFragment);
    QVERIFY(Settle(edit));
    const std::string html = edit.DocumentHTML();
    const std::string body = BodyOf(html);
    QVERIFY2(
        Has(body, "<h1>Setup</h1>") &&
            Has(body, "<p>Run the <b>installer</b> and <i>wait</i>.</p>") &&
            Has(body, "<ul><li>First point</li><li>Second point</li></ul>") &&
            Has(body, "<ol><li>Step one</li></ol>") &&
            Has(body, "<table border=\"1\"><tbody><tr><td><p>Cell</p></td></tr></tbody></table>") &&
            Has(body, "<p><a href=\"http://example.org/\">Link</a>x</p>"),
        body.c_str());
    for (const char* foreign : {"class=", "style=", "mso", "<font", "o:p", "<span", "<!--",
                                "Symbol", "\xC2\xB7", "&nbsp;"})
        QVERIFY2(!Has(body, foreign), (std::string(foreign) + " in " + body).c_str());
    QVERIFY(ParseFindings(html).Misnested.empty());
}

void CleanHtmlTest::webPagePasteKeepsStructureOnly() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(FindText(edit, "Second one."));
    edit.PasteCleanHtml(kWebFragment);
    QVERIFY(Settle(edit));
    const std::string body = BodyOf(edit.DocumentHTML());
    QVERIFY2(Has(body, "<h2>News</h2>") &&
                 Has(body, "<p>A <b>bold</b> claim and <i>a slanted</i> one, bad link and "
                           "<a href=\"https://example.org/a\" target=\"_blank\">good</a>.</p>") &&
                 Has(body, "<ul><li>one</li><li>two</li></ul>") &&
                 Has(body, "<img src=\"https://example.org/p.png\" alt=\"pic\">"),
             body.c_str());
    for (const char* foreign : {"class=", "style=", "script", "alert", "onclick", "onerror",
                                "id=\"x\"", "rel=", "<div", "<span", "<meta"})
        QVERIFY2(!Has(body, foreign), (std::string(foreign) + " in " + body).c_str());
    // One undo takes the whole paste back.
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), std::string(kStyledPage));
}

void CleanHtmlTest::clipboardPasteIsCleanedAndPlainTextPasteHasNoFormatting() {
    THtmlEditComponent& edit = *edit_;
    auto* mime = new QMimeData;
    mime->setHtml("<p style=\"color:red\" class=\"c\">Pasted <b>text</b></p>");
    mime->setText("Pasted text");
    QGuiApplication::clipboard()->setMimeData(mime);
    QVERIFY(FindText(edit, "Second one."));
    QVERIFY(RunCommand(edit, EditCmd::Paste));
    QVERIFY2(WaitFor([&] { return Settle(edit) && Has(edit.BodyOuterHtml(), "Pasted"); }),
             edit.BodyOuterHtml().c_str());
    QVERIFY2(Has(edit.BodyOuterHtml(), "<p>Pasted <b>text</b></p>") &&
                 !Has(edit.BodyOuterHtml(), "color") && !Has(edit.BodyOuterHtml(), "class"),
             edit.BodyOuterHtml().c_str());

    // As plain text: one line goes into the paragraph, lines become paragraphs.
    QGuiApplication::clipboard()->setText("plain words");
    QVERIFY(FindText(edit, "word."));
    edit.PasteAsPlainText();
    QVERIFY(Settle(edit));
    QVERIFY2(Has(edit.BodyOuterHtml(), "<p>First paragraph with a plain words</p>"),
             edit.BodyOuterHtml().c_str());
    QGuiApplication::clipboard()->setText("line one\r\nline <two>\r\n");
    QVERIFY(FindText(edit, "Heading"));
    edit.PasteAsPlainText();
    QVERIFY(Settle(edit));
    QVERIFY2(Has(edit.BodyOuterHtml(), "<p>line one</p><p>line &lt;two&gt;</p>") &&
                 !Has(edit.BodyOuterHtml(), "<h1></h1>"),
             edit.BodyOuterHtml().c_str());
}

void CleanHtmlTest::richTextDroppedFromAnotherProgramIsCleaned() {
    THtmlEditComponent& edit = *edit_;
    const std::string before = edit.DocumentHTML();
    QWidget* target = edit.View()->focusProxy() ? edit.View()->focusProxy() : edit.View();
    QMimeData mime;
    mime.setHtml("<p class=\"x\" style=\"font-size:30px\">Dropped <i>in</i></p>");
    mime.setText("Dropped in");
    const QPoint at(400, 580); // below the text: the end of the page
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    WaitFor([] { return false; }, 300);
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY2(WaitFor([&] { return Settle(edit) && Has(edit.BodyOuterHtml(), "Dropped"); }),
             edit.BodyOuterHtml().c_str());
    QVERIFY2(Has(edit.BodyOuterHtml(), "<p>Dropped <i>in</i></p>") &&
                 !Has(edit.BodyOuterHtml(), "30px") && !Has(edit.BodyOuterHtml(), "class"),
             edit.BodyOuterHtml().c_str());
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), before);
}

void CleanHtmlTest::styleBoxShowsTheHeadingRightAfterLoading() {
    THtmlEditComponent& edit = *edit_;
    // No click, no key: the caret is where the page starts, in its heading.
    QCOMPARE(edit.ExecCommand(EditCmd::GetBlockFormat, 2).toString(), QStringLiteral("Heading 1"));
    TDHTMLEditOperation operation(&edit);
    QVERIFY(Load(edit, "<html><body>\n  <h2>Second level</h2><p>text</p></body></html>"));
    QCOMPARE(operation.cbStyle->currentText(), QStringLiteral("Heading 2"));
}

void CleanHtmlTest::fontBoxOffersFamiliesThePageCanUse() {
    THtmlEditComponent& edit = *edit_;
    TDHTMLEditOperation operation(&edit);
    TAppOptions options;
    options.Fonts = {"Nimbus Sans [urw]", "Nimbus Sans [UKWN]", "Bad\"Name", "DejaVu Serif"};
    operation.SetOptions(options);
    QStringList items;
    for (int i = 0; i < operation.cbFontName->count(); ++i)
        items << operation.cbFontName->itemText(i);
    QCOMPARE(items, (QStringList{"Nimbus Sans", "DejaVu Serif", "Edit list..."}));

    QVERIFY(FindText(edit, "word"));
    operation.cbFontName->setCurrentIndex(0);
    emit operation.cbFontName->activated(0);
    QVERIFY(Settle(edit));
    QVERIFY2(Has(edit.BodyOuterHtml(), "face=\"Nimbus Sans\">word"), edit.BodyOuterHtml().c_str());
    QCOMPARE(EvaluateInEditor(edit, "getComputedStyle(document.querySelector('font')).fontFamily")
                 .toString(),
             QStringLiteral("\"Nimbus Sans\""));
}

QTEST_MAIN(CleanHtmlTest)
#include "clean_html_test.moc"
