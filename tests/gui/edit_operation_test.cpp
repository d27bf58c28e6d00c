// The editor's command set on the WYSIWYG component: button and box states following the
// caret, the drop-downs and the buttons that take their entries over, the context menu, the
// modified flag and starting an external editor.

#include "edit_test_support.h"
#include "editor/edit_command_ids.h"
#include "editor/gui/edit_operation.h"
#include "editor/gui/html_edit_component.h"
#include "model/errors.h"
#include "settings/app_options.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
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

THtmlElement FirstByTag(THtmlEditComponent& edit, const std::string& tag) {
    auto result = std::make_shared<std::optional<THtmlElementCollection>>();
    edit.ElementsByTagName(tag, [result](THtmlElementCollection found) { *result = found; });
    WaitFor([&] { return result->has_value(); });
    return result->value_or(THtmlElementCollection()).Item(0);
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

QAction* Entry(QMenu* menu, const QString& caption) {
    for (QAction* action : menu->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

// The context menu's entries as the component shows them: caption and enabled.
QList<QPair<QString, bool>> ContextEntries(THtmlEditComponent& edit) {
    edit.RequestContextMenu(edit.mapToGlobal(QPoint(10, 10)));
    WaitFor([&] { return edit.ContextMenu()->isVisible(); });
    QList<QPair<QString, bool>> entries;
    for (QAction* action : edit.ContextMenu()->actions())
        entries.append({action->text(), action->isEnabled()});
    edit.ContextMenu()->hide();
    return entries;
}

bool EntryEnabled(const QList<QPair<QString, bool>>& entries, const QString& caption) {
    for (const auto& entry : entries)
        if (entry.first == caption)
            return entry.second;
    return false;
}

const char* const kTable = "<p>before</p><table border=\"1\"><tr><td>a1</td><td>a2</td></tr>"
                           "<tr><td>b1</td><td>b2</td></tr></table><p>after</p>";

} // namespace

class EditOperationTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();
    void cleanup();

    void toolbarsCarryTheirIdsAndHints();
    void boldButtonFollowsTheCaret();
    void sizeAndStyleBoxesFollowTheCaret();
    void selectedPictureDisablesLineBreakAndSpecialCharacters();
    void specialCharacterButtonRepeatsTheLastChoice();
    void tableButtonInsertsARowAndTakesOverEntries();
    void colourEntriesApplyAndRecolourTheButton();
    void contextMenuFollowsTheElementUnderTheCaret();
    void typingSetsTheModifiedFlagUntilTheNextLoad();
    void externalEditorGetsThePagePathQuotedOnce();
    void keyboardShortcutsFormatAndSave();
    void toolbarsMayGoBeforeTheOperation();

private:
    std::unique_ptr<THtmlEditComponent> edit_;
    std::unique_ptr<TDHTMLEditOperation> op_;
};

void EditOperationTest::init() {
    edit_ = std::make_unique<THtmlEditComponent>();
    op_ = std::make_unique<TDHTMLEditOperation>(edit_.get());
    edit_->resize(800, 500);
    edit_->show();
    QVERIFY(QTest::qWaitForWindowExposed(edit_.get()));
}

void EditOperationTest::cleanup() {
    op_.reset();
    edit_.reset();
}

void EditOperationTest::toolbarsCarryTheirIdsAndHints() {
    const auto ids = [](QToolBar* bar) {
        QList<int> result;
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) {
                result << 0;
                continue;
            }
            QWidget* widget = bar->widgetForAction(action);
            if (auto* button = qobject_cast<QToolButton*>(widget);
                button && button->defaultAction())
                result << button->defaultAction()->data().toInt();
            else if (auto* box = qobject_cast<QComboBox*>(widget))
                result << box->property("Tag").toInt();
            else
                result << action->data().toInt();
        }
        return result;
    };
    // The drop-downs have taken over their first entries: copyright sign (3), insert row.
    QCOMPARE(ids(op_->Toolbars()->tbEditor1),
             (QList<int>{0, 4106, 0,    4002, 4003, 0, 5049, 5033, 0,    5003, 5002, 5032,
                         0, 4107, 4108, 4102, 4103, 3, 0,    4100, 5021, 0,    5031, 5018}));
    QCOMPARE(ids(op_->Toolbars()->tbEditor2),
             (QList<int>{5044, 5045, 5043, 5034, 0, 5000, 5023, 5048, 0, 5025, 5024, 5026, 0, 5030,
                         5051, 0, 5046, 5042}));
    QCOMPARE(op_->ActionById(EditCmd::Bold)->toolTip(), QStringLiteral("Bold(Ctrl-B)"));
    QCOMPARE(op_->ActionById(4103)->toolTip(), QStringLiteral("Insert Break line(Shift-Enter)"));
    QCOMPARE(op_->cbStyle->toolTip(), QStringLiteral("Style"));
    QCOMPARE(op_->actSpecialChar->toolTip(), QStringLiteral("Copyright"));
    QCOMPARE(op_->actTable->toolTip(), QStringLiteral("Insert Row"));
    QCOMPARE(op_->cbFontSize->currentText(), QStringLiteral("3"));
    QCOMPARE(op_->pmForeColor->actions().size(), 23);
    QCOMPARE(op_->pmForeColor->actions().at(18)->text(), QStringLiteral("MoneyGreen"));
    QCOMPARE(op_->pmForeColor->actions().at(22)->data().toInt(), -1);
    QCOMPARE(TDHTMLEditOperation::ColorToHtml(QColor(0xa6, 0xca, 0xf0)), std::string("#a6caf0"));

    // The font box: the option's fonts and "Edit list...", which issues no font command.
    TAppOptions options;
    options.Fonts = {"Arial", "Verdana"};
    int editList = 0;
    op_->EditFontList = [&] { ++editList; };
    op_->SetOptions(options);
    QCOMPARE(op_->cbFontName->count(), 3);
    QCOMPARE(op_->cbFontName->itemText(2), QStringLiteral("Edit list..."));
    QVERIFY(Load(*edit_, "<p>some text</p>"));
    QVERIFY(Find(*edit_, "some"));
    op_->cbFontName->setCurrentIndex(2);
    emit op_->cbFontName->activated(2);
    QCOMPARE(editList, 1);
    QVERIFY(Settle(*edit_));
    QVERIFY(edit_->BodyOuterHtml().find("Edit list") == std::string::npos);
    op_->cbFontName->setCurrentIndex(1);
    emit op_->cbFontName->activated(1);
    QVERIFY(Settle(*edit_));
    QVERIFY2(edit_->BodyOuterHtml().find("Verdana") != std::string::npos,
             edit_->BodyOuterHtml().c_str());
}

void EditOperationTest::boldButtonFollowsTheCaret() {
    QVERIFY(Load(*edit_, "<p>Hello <b>bold</b> world</p>"));
    QAction* bold = op_->ActionById(EditCmd::Bold);
    QVERIFY(Find(*edit_, "bold"));
    QVERIFY(bold->isEnabled());
    QVERIFY(bold->isChecked());
    QVERIFY(Find(*edit_, "bold world"));
    QVERIFY(bold->isEnabled());
    QVERIFY(!bold->isChecked());
    // The button repeats its command on the selection.
    QVERIFY(Find(*edit_, "Hello"));
    QVERIFY(!bold->isChecked());
    bold->trigger();
    QVERIFY(Settle(*edit_));
    QVERIFY(edit_->BodyOuterHtml().find("<b>Hello") != std::string::npos);
    QVERIFY(bold->isChecked());
}

void EditOperationTest::sizeAndStyleBoxesFollowTheCaret() {
    QVERIFY(Load(*edit_, "<h2>Title</h2><p><font size=\"3\">three</font> and "
                         "<font size=\"5\">five</font> and <font size=\"1\">one</font></p>"));
    QVERIFY(Find(*edit_, "three"));
    QCOMPARE(op_->cbFontSize->currentText(), QStringLiteral("3"));
    QVERIFY(op_->cbFontSize->isEnabled());
    QCOMPARE(op_->cbStyle->currentText(), QStringLiteral("Normal"));
    QVERIFY(Find(*edit_, "three and five"));
    QCOMPARE(op_->cbFontSize->currentText(), QString());
    QVERIFY(op_->cbFontSize->isEnabled());
    QVERIFY(Find(*edit_, "one"));
    QCOMPARE(op_->cbFontSize->currentText(), QString());
    QVERIFY(Find(*edit_, "Title"));
    QCOMPARE(op_->cbStyle->currentText(), QStringLiteral("Heading 2"));
    // The style box lists what the component offers, and applies the entry picked.
    QVERIFY(op_->cbStyle->count() > 7);
    const int heading4 = op_->cbStyle->findText("Heading 4");
    QVERIFY(heading4 > 0);
    op_->cbStyle->setCurrentIndex(heading4);
    emit op_->cbStyle->activated(heading4);
    QVERIFY(Settle(*edit_));
    QVERIFY(edit_->BodyOuterHtml().find("<h4>Title</h4>") != std::string::npos);
}

void EditOperationTest::selectedPictureDisablesLineBreakAndSpecialCharacters() {
    QVERIFY(Load(*edit_, "<p>text <img src=\"none.png\" alt=\"x\" width=\"20\"> more</p>"));
    QVERIFY(Find(*edit_, "text"));
    QVERIFY(op_->ActionById(EditId::InsertLine)->isEnabled());
    QVERIFY(op_->actSpecialChar->isEnabled());
    QVERIFY(!EntryEnabled(ContextEntries(*edit_), "Image properties..."));

    edit_->SelectElement(FirstByTag(*edit_, "img"));
    QVERIFY(Settle(*edit_));
    QVERIFY(op_->IsControlSelection());
    QCOMPARE(op_->GetCurrentElement().TagName(), std::string("IMG"));
    QVERIFY(!op_->ActionById(EditId::InsertLine)->isEnabled());
    QVERIFY(!op_->ActionById(EditId::InsertBreak)->isEnabled());
    QVERIFY(!op_->actSpecialChar->isEnabled());
    QVERIFY(!op_->tbSpecialChar->isEnabled());
    QVERIFY(op_->ActionById(EditId::InsertPicture)->isEnabled());
    QVERIFY(EntryEnabled(ContextEntries(*edit_), "Image properties..."));
}

void EditOperationTest::specialCharacterButtonRepeatsTheLastChoice() {
    QVERIFY(Load(*edit_, "<p>start end</p>"));
    QVERIFY(Find(*edit_, "end"));
    // Before any choice the button inserts the copyright sign.
    op_->actSpecialChar->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(Count(edit_->BodyOuterHtml(), "\u00a9"), 1);

    QAction* pound = Entry(op_->pmSpecialChar, "Pound");
    QVERIFY(pound);
    pound->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(Count(edit_->BodyOuterHtml(), "\u00a3"), 1);
    QCOMPARE(op_->actSpecialChar->toolTip(), QStringLiteral("Pound"));
    QCOMPARE(op_->actSpecialChar->data().toInt(), 7);
    op_->actSpecialChar->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(Count(edit_->BodyOuterHtml(), "\u00a3"), 2);
    QCOMPARE(Count(edit_->BodyOuterHtml(), "\u00a9"), 1);

    // The line and break buttons.
    op_->ActionById(EditId::InsertLine)->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(Count(edit_->BodyOuterHtml(), "<hr>"), 1);
}

void EditOperationTest::tableButtonInsertsARowAndTakesOverEntries() {
    QVERIFY(Load(*edit_, kTable));
    QVERIFY(Find(*edit_, "before"));
    // Outside a table the table button and the append entries are greyed.
    QVERIFY(!op_->actTable->isEnabled());
    QVERIFY(!Entry(op_->pmTable, "Append Row")->isEnabled());
    QVERIFY(Find(*edit_, "b1"));
    QVERIFY(op_->actTable->isEnabled());
    QVERIFY(Entry(op_->pmTable, "Append Row")->isEnabled());
    op_->actTable->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(Count(edit_->BodyOuterHtml(), "<tr"), 3);

    int appended = 0;
    op_->Dialogs.AppendRow = [&] { ++appended; };
    Entry(op_->pmTable, "Append Row")->trigger();
    QCOMPARE(appended, 1);
    QCOMPARE(op_->actTable->toolTip(), QStringLiteral("Append Row"));
    op_->actTable->trigger();
    QCOMPARE(appended, 2);

    QVERIFY(Find(*edit_, "b1"));
    Entry(op_->pmTable, "Delete Rows")->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(Count(edit_->BodyOuterHtml(), "<tr"), 2);
    QCOMPARE(op_->actTable->data().toInt(), EditCmd::DeleteRows);
}

void EditOperationTest::colourEntriesApplyAndRecolourTheButton() {
    QVERIFY(Load(*edit_, "<p>paint me</p>"));
    QVERIFY(Find(*edit_, "paint"));
    const QImage before = op_->actForeColor->icon().pixmap(16, 16).toImage();
    QCOMPARE(before.pixelColor(8, 14), QColor(0xff, 0, 0));
    Entry(op_->pmForeColor, "Blue")->trigger();
    QVERIFY(Settle(*edit_));
    QCOMPARE(op_->ForeColor(), QColor(0, 0, 0xff));
    QCOMPARE(op_->actForeColor->icon().pixmap(16, 16).toImage().pixelColor(8, 14),
             QColor(0, 0, 0xff));
    const std::string body = edit_->BodyOuterHtml();
    QVERIFY2(body.find("#0000ff") != std::string::npos ||
                 body.find("rgb(0, 0, 255)") != std::string::npos,
             body.c_str());

    // A cancelled custom colour changes nothing; a chosen one is applied.
    op_->ColorPrompt = [](QColor&) { return false; };
    Entry(op_->pmBackColor, "Custom...")->trigger();
    QCOMPARE(op_->BackColor(), QColor(0xff, 0xff, 0));
    op_->ColorPrompt = [](QColor& color) {
        color = QColor(0x12, 0x34, 0x56);
        return true;
    };
    Entry(op_->pmBackColor, "Custom...")->trigger();
    QCOMPARE(op_->BackColor(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(op_->actBackColor->icon().pixmap(16, 16).toImage().pixelColor(3, 12),
             QColor(0x12, 0x34, 0x56));
}

void EditOperationTest::contextMenuFollowsTheElementUnderTheCaret() {
    QVERIFY(Load(*edit_, kTable));
    QVERIFY(Find(*edit_, "a2"));
    QCOMPARE(op_->FindAncestor(op_->GetCurrentElement(), "TR").TagName(), std::string("TR"));
    QVERIFY(!op_->FindAncestor(op_->GetCurrentElement(), "TR",
                               TDHTMLEditOperation::TAncestorStop::StopAtBody)
                 .IsNull());
    QVERIFY(op_->FindAncestor(op_->GetCurrentElement(), "HTML",
                              TDHTMLEditOperation::TAncestorStop::StopAtBody)
                .IsNull());
    auto entries = ContextEntries(*edit_);
    QCOMPARE(entries.size(), 12);
    QCOMPARE(entries.at(11).first, QStringLiteral("Page properties..."));
    QVERIFY(EntryEnabled(entries, "Cell properties..."));
    QVERIFY(EntryEnabled(entries, "Table properties..."));
    QVERIFY(!EntryEnabled(entries, "Image properties..."));
    QVERIFY(EntryEnabled(entries, "Copy"));

    edit_->SelectElement(FirstByTag(*edit_, "table"));
    QVERIFY(Settle(*edit_));
    entries = ContextEntries(*edit_);
    QVERIFY(!EntryEnabled(entries, "Cell properties..."));
    QVERIFY(EntryEnabled(entries, "Table properties..."));

    QVERIFY(Find(*edit_, "before"));
    entries = ContextEntries(*edit_);
    QVERIFY(!EntryEnabled(entries, "Table properties..."));

    // Entries without a command of their own run the hooks.
    int pages = 0;
    op_->Dialogs.PageProperties = [&] { ++pages; };
    int pictures = 0, cells = 0;
    op_->Dialogs.PictureProperties = [&] { ++pictures; };
    op_->Dialogs.CellProperties = [&] { ++cells; };
    emit edit_->ContextMenuAction(11);
    emit edit_->ContextMenuAction(8);
    emit edit_->ContextMenuAction(9);
    emit edit_->ContextMenuAction(3); // a separator does nothing
    QCOMPARE(pages, 1);
    QCOMPARE(pictures, 1);
    QCOMPARE(cells, 1);
    emit edit_->ContextMenuAction(4); // Select All
    QVERIFY(Settle(*edit_));
    QVERIFY(op_->GetSelectedText().find("after") != std::string::npos);
}

void EditOperationTest::typingSetsTheModifiedFlagUntilTheNextLoad() {
    QVERIFY(Load(*edit_, "<p>first</p>"));
    QVERIFY(!op_->PageModified());
    QVERIFY(Find(*edit_, "first"));
    QVERIFY(!op_->PageModified());
    edit_->InsertText("second");
    QVERIFY(Settle(*edit_));
    QVERIFY(op_->PageModified());
    op_->ActionById(EditCmd::Undo)->trigger();
    QVERIFY(Settle(*edit_));
    QVERIFY(edit_->BodyOuterHtml().find("first") != std::string::npos);
    QVERIFY(op_->PageModified());
    QVERIFY(Load(*edit_, "<p>third</p>"));
    QVERIFY(!op_->PageModified());
}

void EditOperationTest::externalEditorGetsThePagePathQuotedOnce() {
    QTemporaryDir dir;
    const QString script = dir.filePath("fake editor.sh");
    const QString out = dir.filePath("argv.txt");
    {
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\nfor a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"" + out +
                    ".tmp\"\nmv \"" + out + ".tmp\" \"" + out + "\"\n")
                       .toUtf8());
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QVERIFY(Load(*edit_, "<p>page</p>"));
    const std::string page = dir.filePath("my page.htm").toStdString();
    op_->PagePath = [&] { return page; };
    QList<int> handled;
    op_->ExternalEditorHandler = [&](int entry) { handled << entry; };

    // Until the options are handed over there is no menu; then an empty list still offers
    // its editing.
    QVERIFY(op_->pmExternalEditor->actions().isEmpty());
    op_->SetOptions(TAppOptions());
    QCOMPARE(op_->pmExternalEditor->actions().size(), 1);
    op_->pmExternalEditor->actions().at(0)->trigger();
    QCOMPARE(handled, QList<int>{123});
    handled.clear();

    // Without a default, the button only runs the pane's handler.
    int started = 0;
    const auto realStart = op_->StartProcess;
    op_->StartProcess = [&](const QString&, const QStringList&) { return ++started > 0; };
    TAppOptions options;
    options.Editors = {"\"" + script.toStdString() + "\" \"%1\"", "/no/such/editor"};
    op_->SetOptions(options);
    // The missing program has no entry; "Edit List..." comes last.
    QCOMPARE(op_->pmExternalEditor->actions().size(), 2);
    QCOMPARE(op_->pmExternalEditor->actions().at(0)->data().toInt(), 0);
    QCOMPARE(op_->pmExternalEditor->actions().at(1)->text(), QStringLiteral("Edit List..."));
    op_->actExternalEditor->trigger();
    QCOMPARE(handled, QList<int>{-1});
    QCOMPARE(started, 0);

    // A handler that aborts (the author declined to save) starts nothing.
    op_->ExternalEditorHandler = [&](int entry) {
        handled << entry;
        throw EAbort("Canceled!");
    };
    op_->pmExternalEditor->actions().at(0)->trigger();
    QCOMPARE(started, 0);
    QCOMPARE(op_->actExternalEditor->data().toInt(), EditId::ExternalEditor);

    // The default entry takes the button over and starts the script with the page path.
    bool sawTyping = false;
    op_->ExternalEditorHandler = [&](int entry) {
        handled << entry;
        sawTyping = edit_->BodyOuterHtml().find("typed") != std::string::npos;
    };
    op_->StartProcess = realStart;
    options.DefaultEditor = options.Editors[0];
    op_->SetOptions(options);
    QCOMPARE(op_->actExternalEditor->data().toInt(), 0);
    QVERIFY(op_->actExternalEditor->toolTip().startsWith("Edit with "));
    QVERIFY(Find(*edit_, "page"));
    edit_->InsertText("typed");
    handled.clear();
    op_->actExternalEditor->trigger();
    // The handler runs once the typing is known, so it can offer to save it.
    QVERIFY(WaitFor([&] { return handled == QList<int>{0}; }));
    QVERIFY(sawTyping);
    QVERIFY(WaitFor([&] { return QFile::exists(out); }, 10000));
    QFile result(out);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(result.readAll()), "[" + QString::fromStdString(page) + "]\n");
}

void EditOperationTest::keyboardShortcutsFormatAndSave() {
    QVERIFY(Load(*edit_, "<p>Hello world</p>"));
    QVERIFY(Find(*edit_, "Hello"));
    edit_->activateWindow();
    edit_->FocusDocument();
    QVERIFY(WaitFor([&] { return edit_->DocumentHasFocus(); }));
    QWidget* target = edit_->View()->focusProxy() ? edit_->View()->focusProxy() : edit_->View();
    QSignalSpy save(op_.get(), &TDHTMLEditOperation::SavePageRequested);
    QTest::keyClick(target, Qt::Key_S, Qt::ControlModifier);
    QVERIFY(WaitFor([&] { return save.count() == 1; }));
    QTest::keyClick(target, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(
        WaitFor([&] { return edit_->BodyOuterHtml().find("<b>Hello</b>") != std::string::npos; }));
    QVERIFY(Settle(*edit_));
    QVERIFY(op_->ActionById(EditCmd::Bold)->isChecked());
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(WaitFor([&] { return edit_->BodyOuterHtml().find("<b>") == std::string::npos; }));
}

void EditOperationTest::toolbarsMayGoBeforeTheOperation() {
    auto host = std::make_unique<QWidget>();
    op_->Toolbars()->setParent(host.get());
    host.reset();
    QVERIFY(!op_->Toolbars());
    // The editor keeps reporting changes; nothing is left to update, and nothing breaks.
    QVERIFY(Load(*edit_, "<p>still editing</p>"));
    QVERIFY(Find(*edit_, "still"));
    op_->SetOptions(TAppOptions());
    op_->InsertHtml("<b>x</b>");
    QVERIFY(Settle(*edit_));
    QVERIFY(edit_->BodyOuterHtml().find("<b>x</b>") != std::string::npos);
}

QTEST_MAIN(EditOperationTest)
#include "edit_operation_test.moc"
