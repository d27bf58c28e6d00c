// The editor's table, cell, picture, hyperlink and page dialogs on the offscreen platform,
// writing into a live editing component. Dialogs run through TTestDialogs, whose Exec hands
// each dialog to the test, which sets its controls and presses its buttons.

#include "edit_test_support.h"
#include "editor/address_rules.h"
#include "editor/gui/edit_operation.h"
#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_component.h"
#include "editor/gui/link_picture_dialogs.h"
#include "editor/gui/select_color_frame.h"
#include "editor/gui/table_dialogs.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "test_dialogs.h"
#include "ui/gui/select_topic_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>
#include <string>

using namespace parvane;
using namespace parvane::testing;

namespace {

constexpr int kTimeout = kEditTimeout;

bool Find(THtmlEditComponent& edit, const std::string& text) {
    auto found = std::make_shared<bool>(false);
    edit.FindText(text, [found](bool ok) { *found = ok; });
    return Settle(edit) && *found;
}

THtmlElementCollection ByTag(THtmlEditComponent& edit, const std::string& tag) {
    auto result = std::make_shared<std::optional<THtmlElementCollection>>();
    edit.ElementsByTagName(tag,
                           [result](THtmlElementCollection found) { *result = std::move(found); });
    WaitFor([&] { return result->has_value(); });
    return result->value_or(THtmlElementCollection());
}

// Evaluates an expression in the editor's script world.
QVariant Evaluate(THtmlEditComponent& edit, const QString& expression) {
    auto result = std::make_shared<std::optional<QVariant>>();
    edit.View()->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                                       [result](const QVariant& value) { *result = value; });
    WaitFor([&] { return result->has_value(); });
    return result->value_or(QVariant());
}

// One attribute of every cell of the first table, row by row: "a,b|c,d" ("-" when absent).
QString CellAttributes(THtmlEditComponent& edit, const QString& name) {
    return Evaluate(edit, QStringLiteral("Array.from(document.querySelector('table').rows, r => "
                                         "Array.from(r.cells, c => c.hasAttribute('%1') ? "
                                         "c.getAttribute('%1') : '-').join(',')).join('|')")
                              .arg(name))
        .toString();
}

QString TableAttribute(THtmlEditComponent& edit, const QString& name) {
    return Evaluate(edit, QStringLiteral("(t => t.hasAttribute('%1') ? t.getAttribute('%1') : "
                                         "'-')(document.querySelector('table'))")
                              .arg(name))
        .toString();
}

QString Body(THtmlEditComponent& edit) {
    return QString::fromStdString(edit.BodyOuterHtml());
}

template <class T> T& As(QDialog& dialog) {
    return dynamic_cast<T&>(dialog);
}

void WriteFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("x");
}

} // namespace

class EditorDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void colourFieldShowsAndWritesColours();
    void insertedTableReadsBackFromTheDocument();
    void tablePropertiesRoundTrip();
    void allCellsScopeColoursEveryCellOrKeepsThemWhenGreyed();
    void cellScopesSeeDifferentlyCasedValuesAsDifferent();
    void appendRowAndColumnCopyTheCellProperties();
    void linkEditedKeepsItsFormattingAndEmptyAddressRemovesIt();
    void linkedPictureIsEditedNotNested();
    void internalPageLinksThroughTheTopicPicker();
    void picturesInsertBelowTheRootWithOneWarning();
    void picturesOutsideTheRootAreCopiedOrLinked();
    void unsavedTopicOpensNoFileDialog();
    void browseButtonsPreselectAndAddressTheChosenFile();
    void picturePropertiesWriteSpacingAndAlignment();
    void pageMarginsOfFifteenAndTenStayUnchecked();
    void editingOperationsRunTheCommandsThroughTheirHooks();

private:
    TEditorDialogHost Host();
    std::string Root() const { return QDir(dir_->path()).absolutePath().toStdString() + "/"; }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<THtmlEditComponent> edit_;
    std::unique_ptr<TTopicTree> tree_;
    std::unique_ptr<TPvx> project_;
    TTestDialogs dialogs_;
    std::string lastPictureFolder_;
    int topicStatus_ = 0;
};

void EditorDialogsTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void EditorDialogsTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    tree_ = std::make_unique<TTopicTree>();
    tree_->CreateRootGroups();
    project_ = std::make_unique<TPvx>(*tree_);
    project_->ProjectSettings.RootDir = Root();
    dialogs_ = TTestDialogs();
    lastPictureFolder_.clear();
    topicStatus_ = 0;
    edit_ = std::make_unique<THtmlEditComponent>();
    edit_->resize(800, 600);
    edit_->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit_.get()));
}

void EditorDialogsTest::cleanup() {
    QVERIFY2(dialogs_.unexpected.isEmpty(), qPrintable(dialogs_.unexpected.join('\n')));
    QVERIFY(dialogs_.execs.isEmpty());
    edit_.reset();
    project_.reset();
    tree_.reset();
    dir_.reset();
}

TEditorDialogHost EditorDialogsTest::Host() {
    TEditorDialogHost host;
    host.Editor = edit_.get();
    host.Dialogs = &dialogs_;
    host.Project = project_.get();
    host.TopicStatus = topicStatus_;
    host.LastPictureFolder = &lastPictureFolder_;
    return host;
}

void EditorDialogsTest::colourFieldShowsAndWritesColours() {
    TframSelectColor field;
    field.SetText("#00ff80");
    QCOMPARE(field.Color(), std::optional<QColor>(QColor(0, 255, 128)));
    field.SetText("#12345");
    QVERIFY(!field.Color());
    field.SetText("blue");
    QVERIFY(!field.Color());

    // The chooser's answer is written in upper case; a cancelled chooser changes nothing.
    QColor offered;
    field.SetText("#102030");
    field.SetColorPrompt([&](const QColor& initial) -> std::optional<QColor> {
        offered = initial;
        return QColor(255, 0, 10);
    });
    field.btnColor->click();
    QCOMPARE(offered, QColor(0x10, 0x20, 0x30));
    QCOMPARE(field.Text(), QStringLiteral("#FF000A"));
    field.SetColorPrompt([](const QColor&) { return std::nullopt; });
    field.btnColor->click();
    QCOMPARE(field.Text(), QStringLiteral("#FF000A"));

    field.SetFieldEnabled(false);
    QVERIFY(field.Text().isEmpty());
    QVERIFY(!field.edtColor->isEnabled() && !field.btnColor->isEnabled());
    field.SetFieldEnabled(true);
    QVERIFY(field.edtColor->isEnabled() && field.btnColor->isEnabled());
}

void EditorDialogsTest::insertedTableReadsBackFromTheDocument() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>before</p><p>REPLACE</p><p>after</p>"));
    QVERIFY(Find(edit, "REPLACE"));

    dialogs_.execs << [](QDialog& dialog) {
        auto& table = As<TInsertTable>(dialog);
        if (table.windowTitle() != "Insert table" || table.btnApply->isEnabled() ||
            table.lbCols->count() != 2 || table.lbCols->item(1)->text() != "Col2 : \"\"" ||
            table.framBorderColor->Text() != "#000000")
            return int(QDialog::Rejected);
        table.edtRows->setValue(3);
        // A width typed, then the column count changed: the widths start over.
        table.lbCols->setCurrentRow(1);
        table.seWidth->setText("40");
        table.edtCol->setValue(3);
        if (table.lbCols->item(1)->text() != "Col2 : \"\"" || table.gbCol->title() != "Col1 ")
            return int(QDialog::Rejected);
        table.seWidth->setText("30");
        table.rbPercent->setChecked(true);
        table.lbCols->setCurrentRow(2);
        table.seWidth->setText("120");
        table.framTableBack->SetText("#FFFF00");
        table.btnOK->click();
        return table.result();
    };
    QVERIFY(RunInsertTableDialog(Host()));
    QVERIFY(Settle(edit));

    QVERIFY2(!Body(edit).contains("REPLACE"), qPrintable(Body(edit)));
    QCOMPARE(TableAttribute(edit, "border"), QStringLiteral("1"));
    QCOMPARE(TableAttribute(edit, "cellpadding"), QStringLiteral("2"));
    QCOMPARE(TableAttribute(edit, "cellspacing"), QStringLiteral("0"));
    QCOMPARE(TableAttribute(edit, "bordercolor"), QStringLiteral("#000000"));
    QCOMPARE(TableAttribute(edit, "width"), QStringLiteral("100%"));
    QCOMPARE(TableAttribute(edit, "bgcolor"), QStringLiteral("#FFFF00"));
    QCOMPARE(TableAttribute(edit, "style"), QStringLiteral("border-collapse: collapse"));
    QCOMPARE(CellAttributes(edit, "width"), QStringLiteral("30%,-,120|30%,-,120|30%,-,120"));
    QVERIFY(Body(edit).contains("<td>&nbsp;</td>"));
    QVERIFY(Body(edit).indexOf("before") < Body(edit).indexOf("<table"));
    QVERIFY(Body(edit).indexOf("</table>") < Body(edit).indexOf("after"));
}

void EditorDialogsTest::tablePropertiesRoundTrip() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<table border=\"2\" cellpadding=\"4\" width=\"80%\" bgcolor=\"#EEEEEE\">"
                       "<tr><td width=\"25%\">a</td><td>b</td><td width=\"10\">c</td></tr>"
                       "<tr><td>d</td><td>e</td><td>f</td><td>extra</td></tr></table>"));
    QVERIFY(Find(edit, "e"));

    dialogs_.execs << [](QDialog& dialog) {
        auto& table = As<TInsertTable>(dialog);
        QStringList lines;
        for (int i = 0; i < table.lbCols->count(); ++i)
            lines << table.lbCols->item(i)->text();
        const bool shown = table.windowTitle() == "Table properties" && table.PropertiesMode() &&
                           table.btnApply->isEnabled() && !table.edtRows->isEnabled() &&
                           !table.edtCol->isEnabled() && table.edtRows->value() == 2 &&
                           table.edtCol->value() == 3 && table.edtWidth->text() == "80" &&
                           table.cbUnit->currentText() == "%" && table.edtBorder->text() == "2" &&
                           table.edtPadding->text() == "4" && table.edtSpacing->text().isEmpty() &&
                           table.framTableBack->Text() == "#EEEEEE" &&
                           lines == QStringList{"Col1 : \"25%\"", "Col2 : \"\"", "Col3 : \"10\""} &&
                           table.seWidth->text() == "25" && table.rbPercent->isChecked();
        if (!shown)
            return int(QDialog::Rejected);
        table.edtBorder->clear();
        table.edtWidth->setText("600");
        table.cbUnit->setCurrentText("px");
        table.lbCols->setCurrentRow(0);
        table.seWidth->clear();
        table.lbCols->setCurrentRow(1);
        table.seWidth->setText("50");
        table.btnOK->click();
        return table.result();
    };
    QVERIFY(RunTablePropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(TableAttribute(edit, "border"), QStringLiteral("-"));
    QCOMPARE(TableAttribute(edit, "width"), QStringLiteral("600"));
    QCOMPARE(TableAttribute(edit, "cellpadding"), QStringLiteral("4"));
    QCOMPARE(TableAttribute(edit, "cellspacing"), QStringLiteral("-"));
    QCOMPARE(Evaluate(edit, "document.querySelector('table').style.width").toString(),
             QStringLiteral("600px"));
    // A row longer than the first keeps the width of its extra cell untouched.
    QCOMPARE(CellAttributes(edit, "width"), QStringLiteral("-,50,10|-,50,10,-"));

    // Opened again, the px width shows as a bare number with "px"; a cleared width is
    // removed without touching the inline style.
    QVERIFY(Find(edit, "b"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& table = As<TInsertTable>(dialog);
        if (table.edtWidth->text() != "600" || table.cbUnit->currentText() != "px" ||
            !table.edtBorder->text().isEmpty())
            return int(QDialog::Rejected);
        table.edtWidth->clear();
        table.btnApply->click();
        table.reject();
        return table.result();
    };
    QVERIFY(RunTablePropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(TableAttribute(edit, "width"), QStringLiteral("-"));
    QCOMPARE(Evaluate(edit, "document.querySelector('table').style.width").toString(),
             QStringLiteral("600px"));
}

void EditorDialogsTest::allCellsScopeColoursEveryCellOrKeepsThemWhenGreyed() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<table border=\"1\"><tr><td bgcolor=\"#FF0000\">a</td>"
                       "<td bgcolor=\"#00FF00\" width=\"20\">b</td></tr>"
                       "<tr><td>c</td><td width=\"20\" height=\"9\">d</td></tr></table>"));
    QVERIFY(Find(edit, "d"));

    // Greyed back colour: only the alignment chosen is written.
    dialogs_.execs << [](QDialog& dialog) {
        auto& cell = As<TfrmCell>(dialog);
        if (cell.Scope() != csThisCell || !cell.rbThisCell->isChecked() || !cell.HasCell() ||
            !cell.cbWidth->isHidden() || cell.cbBackcolor->State() != TCheckState::Unchecked ||
            cell.framBackcolor->edtColor->isEnabled() || cell.cbHalign->currentIndex() != 0)
            return int(QDialog::Rejected);
        cell.rbAllCells->click();
        if (cell.Scope() != csAllCells || cell.cbWidth->isHidden() ||
            cell.cbBackcolor->State() != TCheckState::Greyed ||
            cell.cbWidth->State() != TCheckState::Greyed || cell.seWidth->isEnabled() ||
            cell.cbHalign->currentIndex() != 0)
            return int(QDialog::Rejected);
        cell.cbHalign->setCurrentIndex(3); // "Center"
        cell.btnOK->click();
        return cell.result();
    };
    QVERIFY(RunCellPropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(CellAttributes(edit, "bgcolor"), QStringLiteral("#FF0000,#00FF00|-,-"));
    QCOMPARE(CellAttributes(edit, "align"), QStringLiteral("Center,Center|Center,Center"));
    QCOMPARE(CellAttributes(edit, "width"), QStringLiteral("-,20|-,20"));

    // Checked with a colour: every cell takes it. The column's width, shown checked,
    // is written in percent.
    QVERIFY(Find(edit, "b"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& cell = As<TfrmCell>(dialog);
        cell.rbColumn->click();
        if (cell.cbWidth->State() != TCheckState::Checked || cell.seWidth->text() != "20" ||
            cell.cbWidthUnit->currentIndex() != 0 || !cell.cbHeight->isHidden())
            return int(QDialog::Rejected);
        cell.cbWidthUnit->setCurrentIndex(1);
        cell.btnApply->click();
        cell.rbAllCells->click();
        // Clicking a greyed box unchecks it, clicking again checks it.
        cell.cbBackcolor->click();
        if (cell.cbBackcolor->State() != TCheckState::Unchecked)
            return int(QDialog::Rejected);
        cell.cbBackcolor->click();
        if (cell.cbBackcolor->State() != TCheckState::Checked ||
            !cell.framBackcolor->edtColor->isEnabled())
            return int(QDialog::Rejected);
        cell.framBackcolor->SetText("#0000FF");
        cell.btnOK->click();
        return cell.result();
    };
    QVERIFY(RunCellPropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(CellAttributes(edit, "bgcolor"), QStringLiteral("#0000FF,#0000FF|#0000FF,#0000FF"));
    QCOMPARE(CellAttributes(edit, "width"), QStringLiteral("-,20%|-,20%"));
    QCOMPARE(CellAttributes(edit, "height"), QStringLiteral("-,-|-,9"));
}

void EditorDialogsTest::cellScopesSeeDifferentlyCasedValuesAsDifferent() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<table><tr><td align=\"center\">a <b>bold</b></td>"
                       "<td align=\"CENTER\">b</td></tr></table>"));
    // The caret in bold text inside the cell still finds the cell.
    QVERIFY(Find(edit, "bold"));
    QCOMPARE(edit.CurrentElement().TagName(), std::string("B"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& cell = As<TfrmCell>(dialog);
        if (!cell.HasCell() || cell.cbHalign->currentIndex() != 3)
            return int(QDialog::Rejected);
        cell.rbRow->click();
        if (cell.cbHalign->currentIndex() != -1 || cell.cbValign->currentIndex() != 0)
            return int(QDialog::Rejected);
        cell.cbValign->setCurrentIndex(1); // "Top"
        cell.btnOK->click();
        return cell.result();
    };
    QVERIFY(RunCellPropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(CellAttributes(edit, "align"), QStringLiteral("center,CENTER"));
    QCOMPARE(CellAttributes(edit, "valign"), QStringLiteral("Top,Top"));
    QVERIFY(!Body(edit).contains("<b align") && !Body(edit).contains("<b valign"));
}

void EditorDialogsTest::appendRowAndColumnCopyTheCellProperties() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>before</p><table border=\"1\"><tr><td>a</td><td>b</td><td>c</td></tr>"
                       "<tr><td bgcolor=\"#FF0000\">d</td>"
                       "<td colspan=\"2\" width=\"50%\" align=\"right\">e</td></tr></table>"));
    QVERIFY(Find(edit, "before"));
    QVERIFY(!AppendTableRow(edit));
    QVERIFY(!AppendTableColumn(edit));

    QVERIFY(Find(edit, "a"));
    QVERIFY(AppendTableRow(edit));
    QVERIFY(Settle(edit));
    QCOMPARE(CellAttributes(edit, "colspan"), QStringLiteral("-,-,-|-,2|-,2"));
    QCOMPARE(CellAttributes(edit, "width"), QStringLiteral("-,-,-|-,50%|-,50%"));
    QCOMPARE(CellAttributes(edit, "align"), QStringLiteral("-,-,-|-,right|-,right"));
    QCOMPARE(CellAttributes(edit, "bgcolor"), QStringLiteral("-,-,-|#FF0000,-|#FF0000,-"));
    QCOMPARE(Evaluate(edit, "document.querySelector('table').rows[2].textContent").toString(),
             QString());

    QVERIFY(Find(edit, "d"));
    QVERIFY(AppendTableColumn(edit));
    QVERIFY(Settle(edit));
    QCOMPARE(CellAttributes(edit, "colspan"), QStringLiteral("-,-,-,-|-,2,2|-,2,2"));
    QCOMPARE(CellAttributes(edit, "align"), QStringLiteral("-,-,-,-|-,right,right|-,right,right"));
}

void EditorDialogsTest::linkEditedKeepsItsFormattingAndEmptyAddressRemovesIt() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>see <a href=\"old.htm\" target=\"_BLANK\">li<b>nk</b></a> end</p>"));
    QVERIFY(Find(edit, "nk"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        if (link.windowTitle() != "Insert Hyperlink" || !link.EditingLink() ||
            link.edtText->text() != "link" || link.edtUrl->text() != "old.htm" ||
            !link.cbNewWin->isChecked())
            return int(QDialog::Rejected);
        link.edtUrl->setText("new.htm ");
        link.cbNewWin->setChecked(false);
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(Body(edit).contains("<a href=\"new.htm \">li<b>nk</b></a>"), qPrintable(Body(edit)));

    // A changed text replaces the link's content.
    QVERIFY(Find(edit, "li"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        link.edtText->setText("a <new> text");
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(Body(edit).contains("<a href=\"new.htm \">a &lt;new&gt; text</a>"),
             qPrintable(Body(edit)));

    // An address emptied (spaces only) removes the link and keeps what it held.
    QVERIFY(Load(edit, "<p>see <a href=\"old.htm\">li<b>nk</b></a> end</p>"));
    QVERIFY(Find(edit, "nk"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        link.edtUrl->setText("  ");
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(Body(edit).contains("<p>see li<b>nk</b> end</p>"), qPrintable(Body(edit)));

    // "Remove link" does the same at once.
    QVERIFY(Load(edit, "<p>see <a href=\"old.htm\">here</a> end</p>"));
    QVERIFY(Find(edit, "here"));
    dialogs_.execs << [](QDialog& dialog) {
        As<TfrmInsertHyperlink>(dialog).btnRemoveLink->click();
        return dialog.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(Body(edit).contains("<p>see here end</p>"), qPrintable(Body(edit)));

    // A new link takes the selected text; "Internet address" and "Email address" fill in.
    QVERIFY(Find(edit, "end"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        if (link.EditingLink() || link.edtText->text() != "end")
            return int(QDialog::Rejected);
        link.btnEmail->click();
        if (link.edtUrl->text() != "mailto:name@domain" ||
            link.edtUrl->selectedText() != "name@domain")
            return int(QDialog::Rejected);
        link.btnInternet->click();
        if (link.edtUrl->text() != "http://" || link.edtUrl->cursorPosition() != 7)
            return int(QDialog::Rejected);
        link.edtUrl->insert("example.org");
        link.cbNewWin->setChecked(true);
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(Body(edit).contains("<a href=\"http://example.org\" target=\"_blank\">end</a>"),
             qPrintable(Body(edit)));
}

void EditorDialogsTest::linkedPictureIsEditedNotNested() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p>pic <img src=\"p.png\" alt=\"P\"> end</p>"));
    edit.SelectElement(ByTag(edit, "img").Item(0));
    QVERIFY(Settle(edit));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        if (!link.OnPicture() || link.EditingLink() || link.edtText->isEnabled())
            return int(QDialog::Rejected);
        link.edtUrl->setText("a.htm");
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(
        Body(edit).contains("<a href=\"a.htm\"><img src=\"p.png\" alt=\"P\" border=\"0\"></a>"),
        qPrintable(Body(edit)));

    edit.SelectElement(ByTag(edit, "img").Item(0));
    QVERIFY(Settle(edit));
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        if (!link.OnPicture() || !link.EditingLink() || link.edtUrl->text() != "a.htm")
            return int(QDialog::Rejected);
        link.edtUrl->setText("b.htm");
        link.cbNewWin->setChecked(true);
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(Evaluate(edit, "document.querySelectorAll('a').length").toInt(), 1);
    QVERIFY2(
        Body(edit).contains(
            "<a href=\"b.htm\" target=\"_blank\"><img src=\"p.png\" alt=\"P\" border=\"0\"></a>"),
        qPrintable(Body(edit)));
}

void EditorDialogsTest::internalPageLinksThroughTheTopicPicker() {
    THtmlEditComponent& edit = *edit_;
    TTopicNode* topic = tree_->AddChild(tree_->ContentsRoot(), "Getting started");
    topic->Data().Url = "guide\\start.htm";
    const std::string pages = Root() + "pages/";
    QVERIFY(Load(edit, "<p>text</p>", pages));
    QVERIFY(Find(edit, "text"));
    edit.PlaceCaret(edit.CurrentElement(), true);
    QVERIFY(Settle(edit));

    QString offered;
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        link.edtUrl->setText("../guide/other.htm");
        link.btnInternalPage->click();
        link.btnOK->click();
        return link.result();
    };
    dialogs_.execs << [&offered](QDialog& dialog) {
        auto& picker = As<TfrmSelectTopic>(dialog);
        offered = picker.Url();
        const QModelIndex contents = picker.tvTopics->model()->index(0, 0);
        picker.tvTopics->setCurrentIndex(picker.tvTopics->model()->index(0, 0, contents));
        picker.accept();
        return picker.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(offered, QStringLiteral("guide\\other.htm"));
    QVERIFY2(Body(edit).contains("<a href=\"../guide/start.htm\">Getting started</a>"),
             qPrintable(Body(edit)));
}

void EditorDialogsTest::picturesInsertBelowTheRootWithOneWarning() {
    THtmlEditComponent& edit = *edit_;
    const QString root = QString::fromStdString(Root());
    WriteFile(root + "img/a.png");
    WriteFile(root + "img/b c.png");
    WriteFile(root + "IMG2/d e.png");
    QVERIFY(Load(edit, "<p>one</p>", Root() + "pages/"));
    QVERIFY(Find(edit, "one"));

    dialogs_.multiFiles = {root + "img/a.png", root + "img/b c.png", root + "IMG2/d e.png"};
    QVERIFY(RunInsertPicture(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(dialogs_.openFolders, QStringList{root});
    QCOMPARE(dialogs_.errors, QStringList{AddressTexts::BlankSpacesPlural});
    QCOMPARE(Evaluate(edit, "Array.from(document.images, i => i.getAttribute('src')).join('|')")
                 .toString(),
             QStringLiteral("../img/a.png|../img/b c.png|../IMG2/d e.png"));
    QVERIFY(!Body(edit).contains("one"));
    QCOMPARE(QString::fromStdString(lastPictureFolder_), root + "img/");

    // The next insertion starts in that folder.
    dialogs_.multiFiles.clear();
    QVERIFY(!RunInsertPicture(Host()));
    QCOMPARE(dialogs_.openFolders.last(), root + "img/");
}

void EditorDialogsTest::picturesOutsideTheRootAreCopiedOrLinked() {
    THtmlEditComponent& edit = *edit_;
    QTemporaryDir outside;
    const QString elsewhere = QDir(outside.path()).absolutePath() + "/";
    WriteFile(elsewhere + "x.png");
    WriteFile(elsewhere + "y.png");
    const std::string pages = Root() + "pages/";
    QDir().mkpath(QString::fromStdString(pages));
    QVERIFY(Load(edit, "<p>one</p>", pages));
    QVERIFY(Find(edit, "one"));

    // No: the pictures are addressed where they are.
    dialogs_.multiFiles = {elsewhere + "x.png", elsewhere + "y.png"};
    dialogs_.answers << TAnswer::No;
    QVERIFY(RunInsertPicture(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(dialogs_.questions.size(), 1);
    QCOMPARE(dialogs_.questions[0].text, QString(AddressTexts::PicturesOutsideRoot));
    QCOMPARE(Evaluate(edit, "Array.from(document.images, i => i.getAttribute('src')).join('|')")
                 .toString(),
             "file://" + elsewhere + "x.png|file://" + elsewhere + "y.png");

    // Yes: each is copied through the save dialog, proposed in the page's folder.
    QVERIFY(Load(edit, "<p>two</p>", pages));
    QVERIFY(Find(edit, "two"));
    const QString copy = QString::fromStdString(pages) + "pics/x copy.png";
    QDir().mkpath(QString::fromStdString(pages) + "pics");
    dialogs_.answers << TAnswer::Yes;
    dialogs_.saveFiles << copy;
    dialogs_.multiFiles = {elsewhere + "x.png"};
    QVERIFY(RunInsertPicture(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(dialogs_.proposedNames, QStringList{QString::fromStdString(pages) + "x.png"});
    QVERIFY(QFileInfo::exists(copy));
    QCOMPARE(Evaluate(edit, "document.images[0].getAttribute('src')").toString(),
             QStringLiteral("pics/x copy.png"));
    QCOMPARE(dialogs_.errors, QStringList{AddressTexts::BlankSpacesPlural});
}

void EditorDialogsTest::unsavedTopicOpensNoFileDialog() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<p><img src=\"p.png\"> text</p>"));
    topicStatus_ = 1;
    dialogs_.multiFiles = {QString::fromStdString(Root()) + "a.png"};
    QVERIFY(!RunInsertPicture(Host()));
    QVERIFY(dialogs_.openFolders.isEmpty());
    QCOMPARE(dialogs_.errors, QStringList{AddressTexts::UnsavedTopic});

    edit.SelectElement(ByTag(edit, "img").Item(0));
    QVERIFY(Settle(edit));
    dialogs_.execs << [](QDialog& dialog) {
        auto& picture = As<TfrmPicture>(dialog);
        picture.btnBrowser->click();
        return int(QDialog::Rejected);
    };
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        link.btnHtmlFile->click();
        link.btnInternalPage->click();
        return int(QDialog::Rejected);
    };
    QVERIFY(!RunPicturePropertiesDialog(Host()));
    QVERIFY(!RunHyperlinkDialog(Host()));
    QVERIFY(dialogs_.openFolders.isEmpty());
    QCOMPARE(dialogs_.errors.size(), 4);
    QVERIFY(dialogs_.dialogNames.filter("SelectTopic").isEmpty());
}

void EditorDialogsTest::browseButtonsPreselectAndAddressTheChosenFile() {
    THtmlEditComponent& edit = *edit_;
    const QString root = QString::fromStdString(Root());
    WriteFile(root + "img/b c.png");
    WriteFile(root + "pages/other.htm");
    QTemporaryDir outside;
    const QString elsewhere = QDir(outside.path()).absolutePath() + "/";
    WriteFile(elsewhere + "x.png");
    QVERIFY(Load(edit, "<p>x <img src=\"../img/b c.png\"> <a href=\"other.htm\">y</a></p>",
                 Root() + "pages/"));
    edit.SelectElement(ByTag(edit, "img").Item(0));
    QVERIFY(Settle(edit));

    // "Browser" opens at the picture the box names; outside the root, No links it in place.
    dialogs_.openFiles << elsewhere + "x.png";
    dialogs_.answers << TAnswer::No;
    dialogs_.execs << [](QDialog& dialog) {
        auto& picture = As<TfrmPicture>(dialog);
        picture.btnBrowser->click();
        picture.btnOK->click();
        return picture.result();
    };
    QVERIFY(RunPicturePropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(dialogs_.openFolders, QStringList{root + "img/b c.png"});
    QCOMPARE(dialogs_.questions.size(), 1);
    QCOMPARE(dialogs_.questions[0].text, QString(AddressTexts::PictureOutsideRoot));
    QCOMPARE(Evaluate(edit, "document.images[0].getAttribute('src')").toString(),
             "file://" + elsewhere + "x.png");
    QVERIFY(dialogs_.errors.isEmpty());

    // The page's "..." takes a picture below the root without the blank-space warning.
    dialogs_.openFiles << root + "img/b c.png";
    dialogs_.execs << [](QDialog& dialog) {
        auto& page = As<TfrmPageProperties>(dialog);
        page.cbHasback->setChecked(true);
        page.btnBackPic->click();
        page.btnOK->click();
        return page.result();
    };
    QVERIFY(RunPagePropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY2(Body(edit).contains("background=\"../img/b c.png\""), qPrintable(Body(edit)));
    QVERIFY(dialogs_.errors.isEmpty());

    // "HTML file" opens at the linked page and links the chosen one relative to the page.
    QVERIFY(Find(edit, "y"));
    dialogs_.openFiles << root + "index.htm";
    dialogs_.execs << [](QDialog& dialog) {
        auto& link = As<TfrmInsertHyperlink>(dialog);
        link.btnHtmlFile->click();
        link.btnOK->click();
        return link.result();
    };
    QVERIFY(RunHyperlinkDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(dialogs_.openFolders.last(), root + "pages/other.htm");
    QVERIFY2(Body(edit).contains("<a href=\"../index.htm\">y</a>"), qPrintable(Body(edit)));
}

void EditorDialogsTest::picturePropertiesWriteSpacingAndAlignment() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit,
                 "<p>x <img src=\"p.png\" hspace=\"-1\" align=\"ABSMIDDLE\" border=\"3\"> y</p>"));
    edit.SelectElement(ByTag(edit, "img").Item(0));
    QVERIFY(Settle(edit));
    dialogs_.execs << [](QDialog& dialog) {
        auto& picture = As<TfrmPicture>(dialog);
        if (!picture.HasPicture() || picture.windowTitle() != "Picture properties" ||
            picture.edtPicSource->text() != "p.png" || picture.seHspace->text() != "0" ||
            picture.cbAlign->currentText() != "Absmiddle" ||
            !picture.AlignButtons[3]->isChecked() || picture.AlignButtons[0]->isChecked())
            return int(QDialog::Rejected);
        picture.AlignButtons[1]->click(); // "Right"
        if (picture.cbAlign->currentText() != "Right" || picture.AlignButtons[3]->isChecked())
            return int(QDialog::Rejected);
        picture.seBorder->clear();
        picture.seVspace->setText("4");
        picture.edtText->setText("A picture");
        picture.btnOK->click();
        return picture.result();
    };
    QVERIFY(RunPicturePropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QCOMPARE(Evaluate(edit, "(i => [i.getAttribute('hspace'), i.getAttribute('vspace'), "
                            "i.getAttribute('align'), i.hasAttribute('border'), "
                            "i.getAttribute('alt')].join('|'))(document.images[0])")
                 .toString(),
             QStringLiteral("-1|4|Right|false|A picture"));
}

void EditorDialogsTest::pageMarginsOfFifteenAndTenStayUnchecked() {
    THtmlEditComponent& edit = *edit_;
    QVERIFY(Load(edit, "<html><body topmargin=\"15\" leftmargin=\"10\" marginwidth=\"10\" "
                       "bgcolor=\"#FFFFEE\" link=\"#0000FF\"><p>page</p></body></html>"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& page = As<TfrmPageProperties>(dialog);
        if (page.cbTopMargin->isChecked() || page.cbLeftMargin->isChecked() ||
            page.seTop->isEnabled() || !page.cbBackColor->isChecked() ||
            page.framBackColor->Text() != "#FFFFEE" || !page.cbHyperlink->isChecked() ||
            page.cbText->isChecked() || page.framText->edtColor->isEnabled() ||
            page.cbHasback->isChecked() || page.edtBackPic->isEnabled())
            return int(QDialog::Rejected);
        page.cbTopMargin->setChecked(true);
        page.seTop->setText("5");
        page.cbBackColor->setChecked(false);
        page.cbText->setChecked(true);
        page.framText->SetText("#333333");
        page.btnOK->click();
        return page.result();
    };
    QVERIFY(RunPagePropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    const QString body = Body(edit);
    QVERIFY2(body.contains("topmargin=\"5\"") && body.contains("marginheight=\"5\"") &&
                 body.contains("text=\"#333333\"") && body.contains("link=\"#0000FF\""),
             qPrintable(body));
    QVERIFY2(!body.contains("bgcolor") && !body.contains("leftmargin") &&
                 !body.contains("marginwidth"),
             qPrintable(body));
}

void EditorDialogsTest::editingOperationsRunTheCommandsThroughTheirHooks() {
    THtmlEditComponent& edit = *edit_;
    TDHTMLEditOperation operation(&edit, &dialogs_);
    ConnectEditorDialogs(operation, [this] {
        TEditorDialogHost host = Host();
        host.Editor = nullptr;
        host.LastPictureFolder = nullptr;
        return host;
    });
    const QString root = QString::fromStdString(Root());
    WriteFile(root + "img/a.png");
    QVERIFY(Load(edit, "<table><tr><td>a</td><td colspan=\"2\">b</td></tr></table>", Root()));
    QVERIFY(Find(edit, "a"));

    operation.Dialogs.AppendRow();
    QVERIFY(Settle(edit));
    QCOMPARE(CellAttributes(edit, "colspan"), QStringLiteral("-,2|-,2"));

    dialogs_.execs << [](QDialog& dialog) { return dialog.result(); };
    dialogs_.execs << [](QDialog& dialog) { return dialog.result(); };
    operation.Dialogs.InsertTable();
    operation.Dialogs.CellProperties();
    QCOMPARE(dialogs_.dialogNames, (QStringList{"InsertTable", "frmCell"}));

    QVERIFY(Find(edit, "b"));
    dialogs_.multiFiles = {root + "img/a.png"};
    operation.Dialogs.InsertPicture();
    QCOMPARE(QString::fromStdString(operation.LastPictureFolder), root + "img/");
    QVERIFY(Settle(edit));
    QCOMPARE(Evaluate(edit, "document.images[0].getAttribute('src')").toString(),
             QStringLiteral("img/a.png"));
}

QTEST_MAIN(EditorDialogsTest)
#include "editor_dialogs_test.moc"
