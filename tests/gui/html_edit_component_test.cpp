// The WYSIWYG editing component on the offscreen platform: loading, commands and their
// statuses, selection, elements, tables, and what it returns for saving.

#include "edit_test_support.h"
#include "editor/edit_command_ids.h"
#include "editor/gui/html_edit_component.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <csignal>
#include <functional>
#include <memory>
#include <optional>
#include <string>

using namespace parvane;
using namespace parvane::testing;

namespace {

constexpr int kTimeout = kEditTimeout;

const char* const kPage =
    "<!DOCTYPE html>\n<html><head><title>orig</title></head>\n"
    "<body><p id=\"p1\">Hello <b>bold</b> world</p><p id=\"p2\">Second line</p></body></html>";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void Pause(int ms) {
    WaitFor([] { return false; }, ms);
}

bool Find(THtmlEditComponent& edit, const std::string& text) {
    auto found = std::make_shared<bool>(false);
    edit.FindText(text, [found](bool ok) { *found = ok; });
    return Settle(edit) && *found;
}

THtmlElementCollection ByTag(THtmlEditComponent& edit, const std::string& tag) {
    auto result = std::make_shared<std::optional<THtmlElementCollection>>();
    edit.ElementsByTagName(tag,
                           [result](THtmlElementCollection found) { *result = std::move(found); });
    if (!WaitFor([&] { return result->has_value(); }, kTimeout))
        qWarning("no answer for elements %s", tag.c_str());
    return result->value_or(THtmlElementCollection());
}

// Runs a command and waits for its end; false when it was not issued or failed.
bool Exec(THtmlEditComponent& edit, int id, const QVariant& value = {}, int option = 0) {
    QSignalSpy finished(&edit, &THtmlEditComponent::CommandFinished);
    if (!edit.ExecCommand(id, option, value).toBool())
        return false;
    if (!WaitFor([&] { return finished.count() > 0; }, kTimeout))
        return false;
    const bool ok = finished.takeFirst().at(1).toBool();
    return Settle(edit) && ok;
}

// Evaluates an expression in the editor's script world (the page's own scripts are off).
QVariant Evaluate(THtmlEditComponent& edit, const QString& expression) {
    auto result = std::make_shared<std::optional<QVariant>>();
    edit.View()->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                                       [result](const QVariant& value) { *result = value; });
    if (!WaitFor([&] { return result->has_value(); }, kTimeout))
        qWarning("no answer for %s", qPrintable(expression));
    return result->value_or(QVariant());
}

std::string TableHtml() {
    return "<html><body><p>before</p><table id=\"t\" border=\"1\">"
           "<tr><td>a1</td><td>a2</td></tr>"
           "<tr><td>b1</td><td>b2</td></tr></table><p>after</p></body></html>";
}

// The cell texts of the first table, row by row, as "a1,a2|b1,b2".
QString TableLayout(THtmlEditComponent& edit) {
    return Evaluate(edit,
                    QStringLiteral("Array.from(document.querySelector('table').rows, r => "
                                   "Array.from(r.cells, c => c.textContent.trim() + "
                                   "(c.colSpan > 1 ? '^' + c.colSpan : '') + "
                                   "(c.rowSpan > 1 ? 'v' + c.rowSpan : '')).join(',')).join('|')"))
        .toString();
}

} // namespace

class HtmlEditComponentTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void boldIsLatchedAndMixedOverAHalfBoldSelection();
    void typingChangesTheBodyAndUndoRestoresIt();
    void keyboardTypingReachesTheDocument();
    void everyCommandRunsWithoutFailing();
    void formattingCommandsChangeTheDocument();
    void blockFormatsComeFromTheNamesHolder();
    void insertedFragmentsLandAtTheSelection();
    void tableRowAndColumnCommands();
    void tableCommandsKeepSpanningCellsWhole();
    void tablesRowsAndCellsThroughElements();
    void pictureSelectionIsAControlSelection();
    void textRangeFindsTheElementUnderTheSelection();
    void elementWritesReachThePage();
    void pageScriptsDoNotRun();
    void relativePicturesResolveFromThePageFolder();
    void largePageLoads();
    void nonHtmlAndEmptyDocumentsLoad();
    void documentForSavingHasNoArtefacts();
    void displayOptionsSurviveNewDocuments();
    void contextMenuShowsTheEntriesSet();
    void changingTheBaseKeepsTheEdits();
    void documentCompleteBringsTheNewPageOnly();
    void crashedRendererReloadsTheLastReportedPage();

private:
    std::unique_ptr<THtmlEditComponent> edit_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void HtmlEditComponentTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void HtmlEditComponentTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    edit_ = std::make_unique<THtmlEditComponent>();
    edit_->resize(800, 600);
    edit_->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit_.get()));
}

void HtmlEditComponentTest::cleanup() {
    edit_.reset();
    dir_.reset();
}

void HtmlEditComponentTest::boldIsLatchedAndMixedOverAHalfBoldSelection() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    QVERIFY(Find(edit, "Hello"));
    QCOMPARE(edit.SelectionType(), TSelectionType::Text);
    QCOMPARE(edit.SelectedText(), std::string("Hello"));
    QCOMPARE(edit.QueryStatus(EditCmd::Bold), EditStatus::Enabled);
    QVERIFY(Exec(edit, EditCmd::Bold));
    QCOMPARE(edit.QueryStatus(EditCmd::Bold), EditStatus::Latched);
    QVERIFY(Contains(edit.BodyOuterHtml(), "<b>Hello</b>"));

    QVERIFY(Find(edit, "bold world"));
    QCOMPARE(edit.QueryStatus(EditCmd::Bold), EditStatus::Indeterminate);
    QCOMPARE(edit.QueryStatus(EditCmd::Italic), EditStatus::Enabled);

    // Mixed italics and font sizes are reported the same way.
    QVERIFY(Find(edit, "world"));
    QVERIFY(Exec(edit, EditCmd::Italic));
    QVERIFY(Exec(edit, EditCmd::SetFontSize, QStringLiteral("5")));
    QVERIFY(Find(edit, "bold world"));
    QCOMPARE(edit.QueryStatus(EditCmd::Italic), EditStatus::Indeterminate);
    QCOMPARE(edit.QueryStatus(EditCmd::SetFontSize), EditStatus::Indeterminate);
    QCOMPARE(edit.ExecCommand(EditCmd::GetFontSize, 2).toInt(), 0);
    QVERIFY(Find(edit, "world"));
    QCOMPARE(edit.QueryStatus(EditCmd::Italic), EditStatus::Latched);
    QCOMPARE(edit.ExecCommand(EditCmd::GetFontSize, 2).toInt(), 5);
}

void HtmlEditComponentTest::typingChangesTheBodyAndUndoRestoresIt() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    // What the editing operations keep: the body at load, and a flag set at the first
    // display change that finds it different.
    const std::string snapshot = edit.BodyOuterHtml();
    QVERIFY(Contains(snapshot, "Second line"));
    bool modified = false;
    connect(&edit, &THtmlEditComponent::DisplayChanged, this, [&] {
        if (!edit.Busy() && edit.BodyOuterHtml() != snapshot)
            modified = true;
    });

    const THtmlElementCollection paragraphs = ByTag(edit, "p");
    QCOMPARE(paragraphs.Length(), 2);
    edit.PlaceCaret(paragraphs.Item(1), true);
    edit.InsertText("xyz");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "Second linexyz"));
    QVERIFY(modified);
    QVERIFY(Contains(edit.DocumentHTML(), "Second linexyz"));

    QCOMPARE(edit.QueryStatus(EditCmd::Undo), EditStatus::Enabled);
    QVERIFY(Exec(edit, EditCmd::Undo));
    QCOMPARE(edit.BodyOuterHtml(), snapshot);
    QVERIFY(modified);
    QCOMPARE(edit.QueryStatus(EditCmd::Redo), EditStatus::Enabled);
    QVERIFY(Exec(edit, EditCmd::Redo));
    QVERIFY(Contains(edit.BodyOuterHtml(), "Second linexyz"));
}

void HtmlEditComponentTest::keyboardTypingReachesTheDocument() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    const std::string snapshot = edit.BodyOuterHtml();
    edit.PlaceCaret(ByTag(edit, "p").Item(1), true);
    QVERIFY(Settle(edit));
    edit.activateWindow();
    edit.FocusDocument();
    QWidget* target = edit.View()->focusProxy() ? edit.View()->focusProxy() : edit.View();
    QVERIFY(WaitFor([&] { return edit.DocumentHasFocus(); }));
    QTest::keyClicks(target, "kbd");
    QVERIFY(WaitFor([&] { return Contains(edit.BodyOuterHtml(), "Second linekbd"); }));
    QVERIFY(edit.BodyOuterHtml() != snapshot);
    // At the end of the body, after the last paragraph, as a click below the text does.
    edit.PlaceCaret(edit.Body(), true);
    QVERIFY(Settle(edit));
    QTest::keyClicks(target, "end");
    QVERIFY2(WaitFor([&] { return Contains(edit.BodyOuterHtml(), "end"); }),
             edit.BodyOuterHtml().c_str());
}

void HtmlEditComponentTest::everyCommandRunsWithoutFailing() {
    THtmlEditComponent& edit = *edit_;
    edit.SetFontPrompt([](QFont& font) {
        font.setBold(true);
        return true;
    });
    for (int id : EditCmd::ComponentCommands()) {
        QVERIFY(Load(edit, TableHtml()));
        QVERIFY(Find(edit, "b1"));
        QVERIFY2(edit.QueryStatus(id) >= EditStatus::Disabled, qPrintable(QString::number(id)));
        QVariant value;
        if (id == EditCmd::SetForeColor || id == EditCmd::SetBackColor)
            value = QStringLiteral("#00ff00");
        else if (id == EditCmd::SetFontName)
            value = QStringLiteral("Courier New");
        else if (id == EditCmd::SetFontSize)
            value = QStringLiteral("2");
        else if (id == EditCmd::SetBlockFormat)
            value = QStringLiteral("Heading 3");
        if (EditCmd::IsQueryCommand(id)) {
            QVERIFY2(edit.ExecCommand(id, 2).isValid(), qPrintable(QString::number(id)));
            continue;
        }
        const bool enabled = edit.QueryStatus(id) >= EditStatus::Enabled;
        const bool ran = Exec(edit, id, value);
        // Undo and redo have nothing to do on a fresh page; everything else does.
        QVERIFY2(ran == enabled, qPrintable(QString::number(id)));
        QVERIFY2(edit.DocumentLoaded() && !edit.Busy(), qPrintable(QString::number(id)));
    }
    QCOMPARE(edit.QueryStatus(4100), EditStatus::NotSupported);
    QCOMPARE(edit.ExecCommand(4100).toBool(), false);
}

void HtmlEditComponentTest::formattingCommandsChangeTheDocument() {
    THtmlEditComponent& edit = *edit_;
    struct TCase {
        int Id;
        QVariant Value;
        const char* Expected;
    };
    const TCase cases[] = {
        {EditCmd::Italic, {}, "<i>world</i>"},
        {EditCmd::Underline, {}, "<u>world</u>"},
        {EditCmd::SetFontName, QStringLiteral("Arial"), "face=\"Arial\""},
        {EditCmd::SetFontSize, QStringLiteral("6"), "size=\"6\""},
        {EditCmd::SetForeColor, QStringLiteral("#ff0000"), "color=\"#ff0000\""},
        {EditCmd::SetBackColor, QStringLiteral("#ffff00"), "background-color"},
        {EditCmd::OrderList, {}, "<ol><li>"},
        {EditCmd::UnorderList, {}, "<ul><li>"},
        {EditCmd::Indent, {}, "<blockquote"},
        {EditCmd::JustifyCenter, {}, "center"},
        {EditCmd::JustifyRight, {}, "right"},
        {EditCmd::Delete, {}, "<p id=\"p1\">Hello <b>bold</b> </p>"},
    };
    for (const auto& test : cases) {
        QVERIFY(Load(edit, kPage));
        QVERIFY(Find(edit, "world"));
        QVERIFY2(Exec(edit, test.Id, test.Value), test.Expected);
        QVERIFY2(Contains(edit.BodyOuterHtml(), test.Expected), edit.BodyOuterHtml().c_str());
    }

    // Latched states follow the caret; the query ids answer what was set.
    QVERIFY(Load(edit, kPage));
    QVERIFY(Find(edit, "world"));
    QVERIFY(Exec(edit, EditCmd::SetFontName, QStringLiteral("Arial")));
    QCOMPARE(edit.ExecCommand(EditCmd::GetFontName, 2).toString(), QStringLiteral("Arial"));
    QVERIFY(Exec(edit, EditCmd::OrderList));
    QCOMPARE(edit.QueryStatus(EditCmd::OrderList), EditStatus::Latched);
    QCOMPARE(edit.QueryStatus(EditCmd::UnorderList), EditStatus::Enabled);
    QVERIFY(Find(edit, "Second"));
    QCOMPARE(edit.QueryStatus(EditCmd::OrderList), EditStatus::Enabled);
    QVERIFY(Find(edit, "world"));
    QVERIFY(Exec(edit, EditCmd::RemoveFormat));
    QVERIFY(!Contains(edit.BodyOuterHtml(), "face=\"Arial\""));

    // The font dialog applies what the author chose.
    QVERIFY(Load(edit, kPage));
    QVERIFY(Find(edit, "Second"));
    QFont chosen(QStringLiteral("Courier New"));
    chosen.setPointSize(18);
    chosen.setItalic(true);
    chosen.setUnderline(true);
    QVERIFY(Exec(edit, EditCmd::FontDialog, chosen, 2));
    const std::string body = edit.BodyOuterHtml();
    QVERIFY2(Contains(body, "face=\"Courier New\"") && Contains(body, "size=\"5\"") &&
                 Contains(body, "<i>") && Contains(body, "<u>"),
             body.c_str());
    bool asked = false;
    edit.SetFontPrompt([&](QFont&) {
        asked = true;
        return false;
    });
    QVERIFY(Find(edit, "Hello"));
    const std::string before = edit.BodyOuterHtml();
    edit.ExecCommand(EditCmd::FontDialog);
    QVERIFY(asked);
    QVERIFY(Settle(edit));
    QCOMPARE(edit.BodyOuterHtml(), before);
}

void HtmlEditComponentTest::blockFormatsComeFromTheNamesHolder() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    QCOMPARE(edit.QueryStatus(EditCmd::GetBlockFormatNames), EditStatus::Enabled);
    TDEGetBlockFmtNamesParam holder;
    QVERIFY(edit.ExecCommand(EditCmd::GetBlockFormatNames, 0, holder));
    QVERIFY(holder.Names.size() >= 7);
    QCOMPARE(holder.Names.front(), std::string("Normal"));
    TDEGetBlockFmtNamesParam viaVariant;
    edit.ExecCommand(EditCmd::GetBlockFormatNames, 0, QVariant::fromValue(&viaVariant));
    QCOMPARE(viaVariant.Names, holder.Names);

    QVERIFY(Find(edit, "world"));
    QCOMPARE(edit.ExecCommand(EditCmd::GetBlockFormat, 2).toString(), QStringLiteral("Normal"));
    for (const std::string& name : holder.Names) {
        QVERIFY(Find(edit, "world"));
        QVERIFY2(Exec(edit, EditCmd::SetBlockFormat, QString::fromStdString(name)), name.c_str());
        QCOMPARE(edit.ExecCommand(EditCmd::GetBlockFormat, 2).toString().toStdString(), name);
    }
    QVERIFY(Find(edit, "world"));
    QVERIFY(Exec(edit, EditCmd::SetBlockFormat, QStringLiteral("Heading 2")));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<h2"));
    QCOMPARE(
        edit.ExecCommand(EditCmd::SetBlockFormat, 0, QStringLiteral("No such format")).toBool(),
        false);

    // A selection over two formats is mixed.
    QVERIFY(Find(edit, "world"));
    QCOMPARE(edit.QueryStatus(EditCmd::SetBlockFormat), EditStatus::Enabled);
    QVERIFY(Find(edit, "worldSecond"));
    QCOMPARE(edit.QueryStatus(EditCmd::SetBlockFormat), EditStatus::Indeterminate);
}

void HtmlEditComponentTest::insertedFragmentsLandAtTheSelection() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    QVERIFY(Find(edit, "world"));
    edit.PasteHtml("<img src=\"pic.png\" alt=\"p\">");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<img src=\"pic.png\" alt=\"p\"></p>"));
    QVERIFY(Find(edit, "Second"));
    edit.CreateTextRange().PasteHtml("<a href=\"x.htm\">link</a>");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<p id=\"p2\"><a href=\"x.htm\">link</a> line"));
    QVERIFY(Find(edit, "line"));
    THtmlTextRange range = edit.CreateTextRange();
    range.Collapse(false);
    range.PasteHtml("<hr>");
    QVERIFY(Settle(edit));
    QVERIFY2(Contains(edit.BodyOuterHtml(), "line</p><hr>") ||
                 Contains(edit.BodyOuterHtml(), "line<hr>"),
             edit.BodyOuterHtml().c_str());
}

void HtmlEditComponentTest::tableRowAndColumnCommands() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, TableHtml()));
    QVERIFY(Find(edit, "before"));
    QCOMPARE(edit.QueryStatus(EditCmd::InsertRow), EditStatus::Disabled);
    QCOMPARE(edit.QueryStatus(EditCmd::DeleteColumns), EditStatus::Disabled);

    QVERIFY(Find(edit, "a1"));
    QCOMPARE(edit.QueryStatus(EditCmd::InsertRow), EditStatus::Enabled);
    QVERIFY(Exec(edit, EditCmd::InsertRow));
    QCOMPARE(TableLayout(edit), QStringLiteral(",|a1,a2|b1,b2"));
    QVERIFY(Exec(edit, EditCmd::InsertRow, QStringLiteral("below")));
    QCOMPARE(TableLayout(edit), QStringLiteral(",|a1,a2|,|b1,b2"));
    QVERIFY(Exec(edit, EditCmd::InsertColumn));
    QCOMPARE(TableLayout(edit), QStringLiteral(",,|,a1,a2|,,|,b1,b2"));
    QVERIFY(Exec(edit, EditCmd::InsertColumn, QStringLiteral("right")));
    QCOMPARE(TableLayout(edit), QStringLiteral(",,,|,a1,,a2|,,,|,b1,,b2"));
    QVERIFY(Exec(edit, EditCmd::DeleteRows));
    QCOMPARE(TableLayout(edit), QStringLiteral(",,,|,,,|,b1,,b2"));
    QVERIFY(Find(edit, "b1"));
    QVERIFY(Exec(edit, EditCmd::DeleteColumns));
    QCOMPARE(TableLayout(edit), QStringLiteral(",,|,,|,,b2"));

    // A selection over several cells deletes all their rows; the last row takes the table.
    QVERIFY(Load(edit, TableHtml()));
    QVERIFY(Find(edit, "a2b1"));
    QVERIFY(Exec(edit, EditCmd::DeleteRows));
    QVERIFY(!Contains(edit.BodyOuterHtml(), "<table"));
    QVERIFY(Contains(edit.BodyOuterHtml(), "after"));
}

void HtmlEditComponentTest::tableCommandsKeepSpanningCellsWhole() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<table border=1><tr><td colspan=\"2\">w</td><td rowspan=\"2\">t</td></tr>"
                       "<tr><td>x</td><td>y</td></tr></table>"));
    QCOMPARE(TableLayout(edit), QStringLiteral("w^2,tv2|x,y"));
    QVERIFY(Find(edit, "y"));
    QVERIFY(Exec(edit, EditCmd::InsertColumn)); // between x and y: through w
    QCOMPARE(TableLayout(edit), QStringLiteral("w^3,tv2|x,,y"));
    QVERIFY(Find(edit, "x"));
    QVERIFY(Exec(edit, EditCmd::InsertRow)); // between the rows: through t
    QCOMPARE(TableLayout(edit), QStringLiteral("w^3,tv3|,,|x,,y"));
    QVERIFY(Find(edit, "w"));
    QVERIFY(Exec(edit, EditCmd::DeleteRows)); // t moves down into the next row
    QCOMPARE(TableLayout(edit), QStringLiteral(",,,tv2|x,,y"));
    QVERIFY(Find(edit, "t"));
    QVERIFY(Exec(edit, EditCmd::DeleteColumns));
    QCOMPARE(TableLayout(edit), QStringLiteral(",,|x,,y"));
}

void HtmlEditComponentTest::tablesRowsAndCellsThroughElements() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<table border=\"1\" cellpadding=\"2\" width=\"80%\">"
                       "<tr><td width=\"30%\" bgcolor=\"#ff0000\" colspan=\"2\">a</td></tr>"
                       "<tr><td>b</td><td align=\"center\">c</td></tr></table>"));
    QVERIFY(Find(edit, "c"));
    const THtmlElement cell = edit.CurrentElement();
    QCOMPARE(cell.TagName(), std::string("TD"));
    QCOMPARE(cell.CellIndex(), 1);
    QCOMPARE(cell.GetAttribute("ALIGN"), std::string("center"));
    THtmlElement table = cell.Parent();
    while (table && table.TagName() != "TABLE")
        table = table.Parent();
    QVERIFY(table);
    QCOMPARE(table.GetAttribute("cellPadding"), std::string("2"));
    QCOMPARE(table.GetAttribute("width"), std::string("80%"));
    const THtmlElementCollection rows = table.Rows();
    QCOMPARE(rows.Length(), 2);
    QCOMPARE(rows.Item(0).Cells().Length(), 1);
    QCOMPARE(rows.Item(1).Cells().Length(), 2);
    const THtmlElement first = rows.Item(0).Cells().Item(0);
    QCOMPARE(first.ColSpan(), 2);
    QCOMPARE(first.RowSpan(), 1);
    QCOMPARE(first.GetAttribute("bgColor"), std::string("#ff0000"));
    QVERIFY(!rows.Item(5));

    // A row appended the way the append command does it, copying the last row's cells.
    THtmlElement row = table.InsertRow(-1);
    QCOMPARE(table.Rows().Length(), 3);
    const THtmlElementCollection source = rows.Item(1).Cells();
    for (int i = 0; i < source.Length(); ++i) {
        THtmlElement added = row.InsertCell(i);
        QCOMPARE(added.CellIndex(), i);
        if (source.Item(i).HasAttribute("align"))
            added.SetAttribute("align", source.Item(i).GetAttribute("align"));
        added.SetInnerText("n" + std::to_string(i));
    }
    QCOMPARE(row.Cells().Length(), 2);
    QCOMPARE(row.Cells().Item(1).GetAttribute("align"), std::string("center"));
    QVERIFY(Settle(edit));
    QCOMPARE(TableLayout(edit), QStringLiteral("a^2|b,c|n0,n1"));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<td align=\"center\">n1</td>"));
    table.SetStyleWidth("600px");
    table.RemoveAttribute("cellpadding");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "style=\"width: 600px;\""));
    QVERIFY(!Contains(edit.BodyOuterHtml(), "cellpadding"));
}

void HtmlEditComponentTest::pictureSelectionIsAControlSelection() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>text <img src=\"none.png\" alt=\"x\" width=\"20\"> more</p>"
                       "<table border=0><tr><td>c</td></tr></table>"));
    QCOMPARE(edit.SelectionType(), TSelectionType::None);
    QVERIFY(!edit.CreateControlRange().CommonParentElement());
    const THtmlElementCollection pictures = ByTag(edit, "img");
    QCOMPARE(pictures.Length(), 1);
    edit.SelectElement(pictures.Item(0));
    QVERIFY(Settle(edit));
    QCOMPARE(edit.SelectionType(), TSelectionType::Control);
    QCOMPARE(edit.SelectionTypeName(), std::string("Control"));
    QCOMPARE(edit.CurrentElement().TagName(), std::string("IMG"));
    QVERIFY(edit.CreateControlRange().CommonParentElement() == pictures.Item(0));
    QCOMPARE(edit.CreateControlRange().Length(), 1);
    QVERIFY(edit.CreateTextRange().IsNull());
    QCOMPARE(edit.CurrentElement().GetAttribute("alt"), std::string("x"));
    QVERIFY(Contains(edit.CurrentElement().OuterHtml(), "<img src=\"none.png\""));

    const THtmlElementCollection tables = ByTag(edit, "table");
    edit.SelectElement(tables.Item(0));
    QVERIFY(Settle(edit));
    QCOMPARE(edit.SelectionType(), TSelectionType::Control);
    QCOMPARE(edit.CurrentElement().TagName(), std::string("TABLE"));
    QCOMPARE(edit.QueryStatus(EditCmd::InsertRow), EditStatus::Disabled);
}

void HtmlEditComponentTest::textRangeFindsTheElementUnderTheSelection() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>plain <a href=\"x.htm\" target=\"_blank\">li<b>nk</b></a> tail</p>"));
    QVERIFY(Find(edit, "nk"));
    QCOMPARE(edit.CurrentElement().TagName(), std::string("B"));
    QVERIFY(Find(edit, "link"));
    THtmlTextRange range = edit.CreateTextRange();
    QCOMPARE(range.Text(), std::string("link"));
    QCOMPARE(range.ParentElement().TagName(), std::string("A"));
    range.Collapse(true);
    QVERIFY(range.MoveStart("character", 1));
    const THtmlElement link = range.ParentElement();
    QCOMPARE(link.TagName(), std::string("A"));
    QCOMPARE(link.InnerText(), std::string("link"));
    QCOMPARE(link.InnerHtml(), std::string("li<b>nk</b>"));
    QCOMPARE(link.GetAttribute("target"), std::string("_blank"));
    QCOMPARE(link.Parent().TagName(), std::string("P"));
    QCOMPARE(link.Parent().Parent().TagName(), std::string("BODY"));
    QCOMPARE(link.Parent().Parent().Parent().TagName(), std::string("HTML"));
    QVERIFY(!link.Parent().Parent().Parent().Parent());

    // A collapsed selection is "None" and its element is the one at the caret.
    edit.PlaceCaret(link);
    QVERIFY(Settle(edit));
    QCOMPARE(edit.SelectionType(), TSelectionType::None);
    QCOMPARE(edit.CreateTextRange().Text(), std::string());
    QCOMPARE(edit.CurrentElement().TagName(), std::string("A"));
}

void HtmlEditComponentTest::elementWritesReachThePage() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>x <a href=\"a.htm\">keep <i>this</i></a> y</p>"));
    QVERIFY(Find(edit, "keep"));
    THtmlElement link = edit.CurrentElement();
    QCOMPARE(link.TagName(), std::string("A"));
    link.SetAttribute("href", "b.htm");
    link.SetAttribute("target", "_blank");
    QCOMPARE(link.GetAttribute("href"), std::string("b.htm")); // at once
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<a href=\"b.htm\" target=\"_blank\">"));
    link.RemoveAttribute("target");
    QVERIFY(!link.HasAttribute("target"));
    // Removing the link keeps its content.
    link.SetOuterHtml(link.InnerHtml());
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<p>x keep <i>this</i> y</p>"));

    // Elements of an earlier document read empty and write nothing.
    const std::string body = edit.Body().OuterHtml();
    QVERIFY(Contains(body, "<body>"));
    THtmlElement old = edit.Body();
    QVERIFY(Load(edit, kPage));
    QVERIFY(!old);
    QCOMPARE(old.TagName(), std::string());
    old.SetAttribute("bgcolor", "#000000");
    QVERIFY(Settle(edit));
    QVERIFY(!Contains(edit.BodyOuterHtml(), "bgcolor"));
    edit.Body().SetAttribute("bgcolor", "#00ff00");
    QVERIFY(Settle(edit));
    QCOMPARE(edit.Body().GetAttribute("bgcolor"), std::string("#00ff00"));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<body bgcolor=\"#00ff00\">"));

    // Writes sent in a row whose last one changes nothing: the page text still shows the
    // first one (it used to be dropped with the earlier reply, and a save lost it).
    THtmlElement bodyElement = edit.Body();
    bodyElement.SetAttribute("text", "#123456");
    bodyElement.RemoveAttribute("no-such-attribute");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "text=\"#123456\""));
    QVERIFY(Contains(edit.DocumentHTML(), "text=\"#123456\""));
}

void HtmlEditComponentTest::pageScriptsDoNotRun() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<html><head><title>orig</title>"
                       "<meta http-equiv=\"refresh\" content=\"0; url=elsewhere.htm\"></head>"
                       "<body onload=\"document.title='onload'\"><p>text</p>"
                       "<script>document.title='ran'; document.body.setAttribute('data-ran','1');"
                       "</script><img src=\"missing.png\" onerror=\"document.title='onerror'\">"
                       "</body></html>"));
    Pause(300);
    QCOMPARE(edit.View()->page()->title(), QStringLiteral("orig"));
    QVERIFY(!Contains(edit.BodyOuterHtml(), "data-ran=\"1\""));
    QVERIFY(edit.View()->page()->url().path().endsWith(QLatin1String(".parvane-document.htm")));
    // The editor's own script still runs: the page is editable.
    QVERIFY(Find(edit, "text"));
    QVERIFY(Exec(edit, EditCmd::Bold));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<b>text</b>"));
    QVERIFY(Contains(edit.DocumentHTML(), "<script>document.title='ran';"));
}

void HtmlEditComponentTest::relativePicturesResolveFromThePageFolder() {
    THtmlEditComponent& edit = *edit_;
    QDir folder(dir_->path());
    QVERIFY(folder.mkpath(QStringLiteral("images")));
    QImage picture(24, 12, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(folder.filePath(QStringLiteral("images/pic.png"))));
    QVERIFY(picture.save(folder.filePath(QStringLiteral("abs pic.png"))));
    const std::string page =
        "<p><img id=\"a\" src=\"images/pic.png\"><img id=\"b\" src=\"IMAGES/Pic.PNG\">"
        "<img id=\"c\" src=\"" +
        QUrl::fromLocalFile(folder.filePath(QStringLiteral("abs pic.png")))
            .toString()
            .toStdString() +
        "\"><img id=\"d\" src=\"images/none.png\"></p>";
    QVERIFY(Load(edit, page, dir_->path().toStdString()));
    QCOMPARE(edit.BaseURL(), dir_->path().toStdString() + "/");
    const QString widths = QStringLiteral(
        "Array.from(document.images, i => i.complete ? String(i.naturalWidth) : '?').join(',')");
    QString seen;
    QVERIFY2(WaitFor([&] {
                 seen = Evaluate(edit, widths).toString();
                 return seen == QLatin1String("24,24,24,0");
             }),
             qPrintable(seen));
}

void HtmlEditComponentTest::largePageLoads() {
    THtmlEditComponent& edit = *edit_;
    std::string page = "<html><head><title>big</title></head><body>";
    for (int i = 0; page.size() < 3 * 1024 * 1024; ++i)
        page += "<p>Paragraph " + std::to_string(i) + " with some text to fill the page.</p>\n";
    page += "<p>THE END</p></body></html>";
    QVERIFY(Load(edit, page));
    QVERIFY(edit.BodyOuterHtml().size() > 3u * 1024 * 1024);
    QCOMPARE(edit.DocumentHTML(), page); // unchanged: the text as it was given
    QVERIFY(Find(edit, "THE END"));
    edit.InsertText("FIN");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<p>FIN</p>"));
    QVERIFY(Contains(edit.DocumentHTML(), "Paragraph 1000 with"));
    QVERIFY(Contains(edit.DocumentHTML(), "<p>FIN</p>"));
}

void HtmlEditComponentTest::nonHtmlAndEmptyDocumentsLoad() {
    THtmlEditComponent& edit = *edit_;
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 7919) % 256);
    QVERIFY(Load(edit, binary));
    QVERIFY(edit.Body());
    QVERIFY(Settle(edit));
    QCOMPARE(edit.DocumentHTML(), binary);

    QVERIFY(Load(edit, ""));
    QVERIFY(Contains(edit.BodyOuterHtml(), "<body>"));
    QCOMPARE(edit.QueryStatus(EditCmd::SelectAll), EditStatus::Enabled);
    edit.InsertText("typed");
    QVERIFY(Settle(edit));
    QVERIFY(Contains(edit.DocumentHTML(), "typed"));

    QVERIFY(Load(edit, "{ \"json\": true, \"not\": \"html\" }"));
    QVERIFY(Contains(edit.BodyOuterHtml(), "json"));
    edit.NewDocument();
    QVERIFY(edit.Busy());
    QVERIFY(WaitFor([&] { return edit.DocumentLoaded() && !edit.Busy(); }));
    QCOMPARE(edit.BodyOuterHtml(), std::string("<body></body>"));
}

void HtmlEditComponentTest::documentForSavingHasNoArtefacts() {
    THtmlEditComponent& edit = *edit_;
    const std::string page = "<!DOCTYPE html>\n<html lang=\"en\"><head><title>t</title></head>"
                             "<body><table border=\"0\"><tr><td>cell</td></tr></table>"
                             "<p>x <img src=\"a.png\"></p></body></html>";
    QVERIFY(Load(edit, page));
    QCOMPARE(edit.DocumentHTML(), page); // unchanged: as it was set
    edit.SetShowBorders(true);
    edit.SetShowDetails(true);
    const THtmlElementCollection all = ByTag(edit, "*");
    QVERIFY(all.Length() >= 8);
    edit.SelectElement(ByTag(edit, "img").Item(0));
    QVERIFY(Find(edit, "cell"));
    QVERIFY(Exec(edit, EditCmd::Bold));
    const std::string saved = edit.DocumentHTML();
    QVERIFY(Contains(saved, "<!DOCTYPE html>\n<html lang=\"en\"><head><title>t</title></head>"));
    QVERIFY(Contains(saved, "<td><b>cell</b></td>"));
    for (const char* artefact : {"contenteditable", "data-parvane", "parvane-", "spellcheck"})
        QVERIFY2(!Contains(saved, artefact), artefact);
}

void HtmlEditComponentTest::displayOptionsSurviveNewDocuments() {
    THtmlEditComponent& edit = *edit_;
    const std::string page = "<table border=\"0\"><tr><td>c</td></tr></table><p>para</p>";
    QVERIFY(Load(edit, page));
    const QString outline =
        QStringLiteral("getComputedStyle(document.querySelector('td')).outlineStyle");
    QCOMPARE(Evaluate(edit, outline).toString(), QStringLiteral("none"));
    edit.SetShowBorders(true);
    QVERIFY(Settle(edit));
    QCOMPARE(Evaluate(edit, outline).toString(), QStringLiteral("dashed"));
    QVERIFY(Load(edit, page));
    QVERIFY(edit.ShowBorders());
    QCOMPARE(Evaluate(edit, outline).toString(), QStringLiteral("dashed"));
    const QString mark =
        QStringLiteral("getComputedStyle(document.querySelector('p'), '::after').content");
    QCOMPARE(Evaluate(edit, mark).toString(), QStringLiteral("none"));
    edit.SetShowDetails(true);
    QVERIFY(Settle(edit));
    QVERIFY(Evaluate(edit, mark).toString().contains(QChar(0x00b6)));
    edit.SetShowBorders(false);
    QVERIFY(Settle(edit));
    QCOMPARE(Evaluate(edit, outline).toString(), QStringLiteral("none"));
    QVERIFY(!Contains(edit.DocumentHTML(), "dashed"));
}

void HtmlEditComponentTest::contextMenuShowsTheEntriesSet() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    QString elementTag;
    connect(&edit, &THtmlEditComponent::ShowContextMenu, this, [&] {
        elementTag = QString::fromStdString(edit.CurrentElement().TagName());
        edit.SetContextMenu({QStringLiteral("Cut"), QStringLiteral("Copy"), QString(),
                             QStringLiteral("Select All")},
                            {2, 0, 0, 0});
    });
    QSignalSpy actions(&edit, &THtmlEditComponent::ContextMenuAction);
    QVERIFY(Find(edit, "bold"));
    edit.RequestContextMenu(edit.mapToGlobal(QPoint(20, 20)));
    QVERIFY(WaitFor([&] { return edit.ContextMenu()->isVisible(); }));
    QCOMPARE(elementTag, QStringLiteral("B"));
    const QList<QAction*> entries = edit.ContextMenu()->actions();
    QCOMPARE(entries.size(), 4);
    QVERIFY(!entries[0]->isEnabled());
    QVERIFY(entries[1]->isEnabled());
    QVERIFY(entries[2]->isSeparator());
    entries[3]->trigger();
    QCOMPARE(actions.count(), 1);
    QCOMPARE(actions.first().at(0).toInt(), 3);
    edit.ContextMenu()->hide();

    // A right click in the page asks for the menu too.
    QSignalSpy requestedByClick(&edit, &THtmlEditComponent::ShowContextMenu);
    QWidget* target = edit.View()->focusProxy() ? edit.View()->focusProxy() : edit.View();
    QTest::mouseClick(target, Qt::RightButton, {}, QPoint(30, 15));
    QVERIFY(WaitFor([&] { return requestedByClick.count() > 0; }));
    QVERIFY(WaitFor([&] { return edit.ContextMenu()->isVisible(); }));
    edit.ContextMenu()->hide();

    // Without entries no menu is shown.
    disconnect(&edit, &THtmlEditComponent::ShowContextMenu, this, nullptr);
    QSignalSpy requested(&edit, &THtmlEditComponent::ShowContextMenu);
    edit.RequestContextMenu(edit.mapToGlobal(QPoint(20, 20)));
    QVERIFY(WaitFor([&] { return requested.count() == 1; }));
    QVERIFY(!edit.ContextMenu()->isVisible());
}

void HtmlEditComponentTest::changingTheBaseKeepsTheEdits() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage, dir_->path().toStdString()));
    QVERIFY(Find(edit, "Second"));
    edit.InsertText("First");
    QVERIFY(Settle(edit));
    QSignalSpy complete(&edit, &THtmlEditComponent::DocumentComplete);
    edit.SetBaseURL(QDir::tempPath().toStdString());
    QVERIFY(edit.Busy());
    QVERIFY(Contains(edit.DocumentHTML(), "First line")); // while loading: the text set
    QVERIFY(WaitFor([&] { return complete.count() == 1 && !edit.Busy(); }));
    QVERIFY(Contains(edit.BodyOuterHtml(), "First line"));
    QCOMPARE(edit.BaseURL(), QDir::tempPath().toStdString() + "/");
}

void HtmlEditComponentTest::documentCompleteBringsTheNewPageOnly() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    int completions = 0;
    int namesStatus = 0;
    std::string body;
    connect(&edit, &THtmlEditComponent::DocumentComplete, this, [&] {
        ++completions;
        namesStatus = edit.QueryStatus(EditCmd::GetBlockFormatNames);
        body = edit.BodyOuterHtml();
    });
    // Two pages in a row: the first is never shown; what is sent meanwhile goes to the last.
    edit.SetDocumentHTML("<p>first page</p>");
    QVERIFY(edit.Busy());
    QCOMPARE(edit.DocumentHTML(), std::string("<p>first page</p>"));
    QCOMPARE(edit.BodyOuterHtml(), std::string());
    QCOMPARE(edit.QueryStatus(EditCmd::Bold), EditStatus::Disabled);
    edit.SetDocumentHTML("<p>second page</p>");
    edit.InsertText("early ");
    QVERIFY(WaitFor([&] { return completions > 0 && !edit.Busy(); }));
    QVERIFY(Settle(edit));
    QCOMPARE(completions, 1);
    QCOMPARE(namesStatus, EditStatus::Enabled);
    QCOMPARE(body, std::string("<body><p>second page</p></body>"));
    QVERIFY(Contains(edit.BodyOuterHtml(), "early second page"));
    QVERIFY(!Contains(edit.DocumentHTML(), "first"));
}

void HtmlEditComponentTest::crashedRendererReloadsTheLastReportedPage() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, kPage));
    QVERIFY(Find(edit, "Second"));
    edit.InsertText("Kept ");
    QVERIFY(Settle(edit));
    QSignalSpy complete(&edit, &THtmlEditComponent::DocumentComplete);
    const qint64 pid = edit.View()->page()->renderProcessPid();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
    QVERIFY(WaitFor([&] { return complete.count() > 0 && !edit.Busy(); }));
    QVERIFY(edit.View()->page()->renderProcessPid() != pid);
    QVERIFY2(Contains(edit.BodyOuterHtml(), "Kept&nbsp; line"), edit.BodyOuterHtml().c_str());
    QVERIFY(Find(edit, "Hello"));
    QVERIFY(Exec(edit, EditCmd::Bold));
    QVERIFY(Contains(edit.DocumentHTML(), "<b>Hello</b>"));
}

QTEST_MAIN(HtmlEditComponentTest)
#include "html_edit_component_test.moc"
