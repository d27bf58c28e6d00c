// The editor's one undo history on a page with a style sheet: typing, every dialog and
// every table command is one step, Undo gives back exactly the page before it, Redo
// replays it, in order.

#include "edit_page_helpers.h"
#include "editor/edit_command_ids.h"
#include "editor/gui/edit_operation.h"
#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_component.h"
#include "editor/gui/link_picture_dialogs.h"
#include "editor/gui/select_color_frame.h"
#include "editor/gui/table_dialogs.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "test_dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>

using namespace parvane;
using namespace parvane::testing;

namespace {

// Like the sample project's pages: the looks come from a style sheet.
const char* const kPage =
    "<!DOCTYPE html>\n<html><head><title>Undo</title>\n"
    "<style>body { font-size: 10.5pt; font-family: sans-serif; }\n"
    "table { border-collapse: collapse; } td { padding: 2px; }</style></head>\n"
    "<body>\n<h1>Heading</h1>\n<p id=\"p1\">First paragraph with a word.</p>\n"
    "<table border=\"1\"><tr><td>a1</td><td>a2</td></tr><tr><td>b1</td><td>b2</td></tr></table>\n"
    "<p>See <a href=\"old.htm\">the link</a> here and <img src=\"pic.png\" alt=\"p\"> there.</p>\n"
    "</body></html>";

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

template <class T> T& As(QDialog& dialog) {
    return dynamic_cast<T&>(dialog);
}

} // namespace

class EditorUndoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typedWordSurvivesUndoOfACellColour();
    void everyDialogIsOneStepUndoneAndRedoneExactly();
    void everyTableCommandIsOneStepUndoneAndRedoneExactly();
    void fontDialogAndFormattingAreOneStepEach();
    void stepsUndoInOrderAndANewChangeDropsTheRedos();
    void keyboardTypingIsOneStepPerRunAndTheKeysUndoIt();
    void dialogFromTheEditorIsOneStepThroughApplyAndOk();

private:
    TEditorDialogHost Host();
    // Types a word at the end of the first paragraph as its own step.
    void TypeWord(const std::string& word);
    // Runs change, then checks: one Undo gives back the page before it exactly, Redo
    // gives back the page after it; ends with the change done.
    void CheckOneStep(const char* what, const std::function<void()>& change);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<THtmlEditComponent> edit_;
    std::unique_ptr<TTopicTree> tree_;
    std::unique_ptr<TPvx> project_;
    TTestDialogs dialogs_;
    std::string lastPictureFolder_;
};

void EditorUndoTest::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
}

void EditorUndoTest::init() {
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
    QVERIFY(Load(*edit_, kPage, project_->ProjectSettings.RootDir));
}

void EditorUndoTest::cleanup() {
    QVERIFY2(dialogs_.unexpected.isEmpty(), qPrintable(dialogs_.unexpected.join('\n')));
    QVERIFY(dialogs_.execs.isEmpty());
    edit_.reset();
    project_.reset();
    tree_.reset();
    dir_.reset();
}

TEditorDialogHost EditorUndoTest::Host() {
    TEditorDialogHost host;
    host.Editor = edit_.get();
    host.Dialogs = &dialogs_;
    host.Project = project_.get();
    host.TopicStatus = 0;
    host.LastPictureFolder = &lastPictureFolder_;
    return host;
}

void EditorUndoTest::TypeWord(const std::string& word) {
    edit_->PlaceCaret(ElementsByTag(*edit_, "p").Item(0), true);
    edit_->InsertText(word);
    QVERIFY(Settle(*edit_));
    QVERIFY(edit_->DocumentHTML().find(word) != std::string::npos);
}

void EditorUndoTest::CheckOneStep(const char* what, const std::function<void()>& change) {
    THtmlEditComponent& edit = *edit_;
    const std::string before = edit.DocumentHTML();
    change();
    QVERIFY2(Settle(edit), what);
    const std::string after = edit.DocumentHTML();
    QVERIFY2(after != before, what);
    QVERIFY2(RunCommand(edit, EditCmd::Undo), what);
    QVERIFY2(edit.DocumentHTML() == before,
             (std::string(what) + ": undo gave\n" + edit.DocumentHTML() + "\ninstead of\n" + before)
                 .c_str());
    QCOMPARE(edit.QueryStatus(EditCmd::Redo), EditStatus::Enabled);
    QVERIFY2(RunCommand(edit, EditCmd::Redo), what);
    QVERIFY2(edit.DocumentHTML() == after,
             (std::string(what) + ": redo gave\n" + edit.DocumentHTML() + "\ninstead of\n" + after)
                 .c_str());
}

void EditorUndoTest::typedWordSurvivesUndoOfACellColour() {
    THtmlEditComponent& edit = *edit_;
    TypeWord(" Typed");
    const std::string typed = edit.DocumentHTML();
    QVERIFY(FindText(edit, "b2"));
    dialogs_.execs << [](QDialog& dialog) {
        auto& cell = As<TfrmCell>(dialog);
        cell.cbBackcolor->click();
        cell.framBackcolor->SetText("#FF0000");
        cell.btnOK->click();
        return cell.result();
    };
    QVERIFY(RunCellPropertiesDialog(Host()));
    QVERIFY(Settle(edit));
    QVERIFY(edit.DocumentHTML().find("bgcolor=\"#FF0000\"") != std::string::npos);

    // Undo takes the colour back and leaves the word; the next Undo takes the word.
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), typed);
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), std::string(kPage));
    QCOMPARE(edit.QueryStatus(EditCmd::Undo), EditStatus::Disabled);
}

void EditorUndoTest::everyDialogIsOneStepUndoneAndRedoneExactly() {
    THtmlEditComponent& edit = *edit_;
    QDir(dir_->path()).mkpath("img");
    QFile picture(dir_->path() + "/img/new.png");
    QVERIFY(picture.open(QIODevice::WriteOnly));
    picture.write("x");
    picture.close();

    CheckOneStep("insert table", [&] {
        QVERIFY(FindText(edit, "word"));
        dialogs_.execs << [](QDialog& dialog) {
            auto& table = As<TInsertTable>(dialog);
            table.edtRows->setValue(3);
            table.btnOK->click();
            return table.result();
        };
        QVERIFY(RunInsertTableDialog(Host()));
    });
    CheckOneStep("table properties, applied and confirmed", [&] {
        QVERIFY(FindText(edit, "a2"));
        dialogs_.execs << [](QDialog& dialog) {
            auto& table = As<TInsertTable>(dialog);
            table.edtBorder->setText("3");
            table.btnApply->click();
            table.edtPadding->setText("5");
            table.btnOK->click();
            return table.result();
        };
        QVERIFY(RunTablePropertiesDialog(Host()));
    });
    CheckOneStep("cell properties over all cells", [&] {
        QVERIFY(FindText(edit, "a1"));
        dialogs_.execs << [](QDialog& dialog) {
            auto& cell = As<TfrmCell>(dialog);
            cell.rbAllCells->click();
            cell.cbBackcolor->click();
            cell.framBackcolor->SetText("#00FF00");
            cell.btnOK->click();
            return cell.result();
        };
        QVERIFY(RunCellPropertiesDialog(Host()));
    });
    CheckOneStep("insert picture", [&] {
        QVERIFY(FindText(edit, "Heading"));
        dialogs_.multiFiles = {dir_->path() + "/img/new.png"};
        QVERIFY(RunInsertPicture(Host()));
    });
    CheckOneStep("picture properties", [&] {
        edit.SelectElement(ElementsByTag(edit, "img").Item(0));
        QVERIFY(Settle(edit));
        dialogs_.execs << [](QDialog& dialog) {
            auto& picture = As<TfrmPicture>(dialog);
            picture.edtText->setText("Changed");
            picture.seVspace->setText("4");
            picture.btnOK->click();
            return picture.result();
        };
        QVERIFY(RunPicturePropertiesDialog(Host()));
    });
    CheckOneStep("new hyperlink", [&] {
        QVERIFY(FindText(edit, "paragraph"));
        dialogs_.execs << [](QDialog& dialog) {
            auto& link = As<TfrmInsertHyperlink>(dialog);
            link.edtUrl->setText("new.htm");
            link.btnOK->click();
            return link.result();
        };
        QVERIFY(RunHyperlinkDialog(Host()));
    });
    CheckOneStep("link removed", [&] {
        QVERIFY(FindText(edit, "the link"));
        dialogs_.execs << [](QDialog& dialog) {
            auto& link = As<TfrmInsertHyperlink>(dialog);
            link.edtUrl->setText("");
            link.btnOK->click();
            return link.result();
        };
        QVERIFY(RunHyperlinkDialog(Host()));
    });
    CheckOneStep("page properties", [&] {
        dialogs_.execs << [](QDialog& dialog) {
            auto& page = As<TfrmPageProperties>(dialog);
            page.cbBackColor->setChecked(true);
            page.framBackColor->SetText("#FFFFEE");
            page.cbTopMargin->setChecked(true);
            page.seTop->setText("5");
            page.btnOK->click();
            return page.result();
        };
        QVERIFY(RunPagePropertiesDialog(Host()));
    });
}

void EditorUndoTest::everyTableCommandIsOneStepUndoneAndRedoneExactly() {
    THtmlEditComponent& edit = *edit_;
    TypeWord(" Typed");
    const struct {
        const char* Name;
        int Id;
        const char* Value;
    } commands[] = {
        {"insert row", EditCmd::InsertRow, ""},
        {"insert row below", EditCmd::InsertRow, "below"},
        {"insert column", EditCmd::InsertColumn, ""},
        {"delete rows", EditCmd::DeleteRows, ""},
        {"delete columns", EditCmd::DeleteColumns, ""},
    };
    // Each on the table as loaded: the change is undone again after its check.
    for (const auto& command : commands) {
        CheckOneStep(command.Name, [&] {
            QVERIFY(FindText(edit, "b1"));
            QVERIFY(RunCommand(edit, command.Id, QString::fromLatin1(command.Value)));
        });
        QVERIFY(RunCommand(edit, EditCmd::Undo));
    }
    CheckOneStep("append row", [&] {
        QVERIFY(FindText(edit, "b1"));
        QVERIFY(AppendTableRow(edit));
    });
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    CheckOneStep("append column", [&] {
        QVERIFY(FindText(edit, "b1"));
        QVERIFY(AppendTableColumn(edit));
    });
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    // Typing into a new, empty cell replaces the space that keeps it open.
    QVERIFY(FindText(edit, "b1"));
    QVERIFY(RunCommand(edit, EditCmd::InsertRow, QStringLiteral("below")));
    edit.PlaceCaret(ElementsByTag(edit, "td").Item(4)); // the new row's first cell
    QVERIFY(Settle(edit));
    edit.activateWindow();
    edit.FocusDocument();
    QVERIFY(WaitFor([&] { return edit.DocumentHasFocus(); }));
    QTest::keyClicks(edit.View()->focusProxy() ? edit.View()->focusProxy() : edit.View(), "A1");
    QVERIFY2(WaitFor([&] {
                 return Settle(edit) &&
                        edit.DocumentHTML().find("<td>A1</td>") != std::string::npos;
             }),
             edit.DocumentHTML().c_str());
    QVERIFY(edit.DocumentHTML().find("&nbsp;A1") == std::string::npos);
}

void EditorUndoTest::fontDialogAndFormattingAreOneStepEach() {
    THtmlEditComponent& edit = *edit_;
    CheckOneStep("font dialog", [&] {
        QVERIFY(FindText(edit, "paragraph"));
        QFont font(QStringLiteral("Nimbus Sans [urw]"));
        font.setPointSize(14);
        font.setBold(true);
        font.setItalic(true);
        font.setUnderline(true);
        QVERIFY(RunCommand(edit, EditCmd::FontDialog, font, 2));
    });
    // The family went in as the page's style can name it.
    const std::string html = edit.DocumentHTML();
    QVERIFY2(html.find("Nimbus Sans") != std::string::npos &&
                 html.find("[urw]") == std::string::npos,
             html.c_str());
    CheckOneStep("bold", [&] {
        QVERIFY(FindText(edit, "First"));
        QVERIFY(RunCommand(edit, EditCmd::Bold));
    });
    CheckOneStep("bulleted list", [&] {
        QVERIFY(FindText(edit, "First"));
        QVERIFY(RunCommand(edit, EditCmd::UnorderList));
    });
    CheckOneStep("heading format", [&] {
        QVERIFY(FindText(edit, "First"));
        QVERIFY(RunCommand(edit, EditCmd::SetBlockFormat, QStringLiteral("Heading 2")));
    });
}

void EditorUndoTest::stepsUndoInOrderAndANewChangeDropsTheRedos() {
    THtmlEditComponent& edit = *edit_;
    const std::string page0 = edit.DocumentHTML();
    TypeWord(" one");
    const std::string page1 = edit.DocumentHTML();
    QVERIFY(FindText(edit, "a1"));
    QVERIFY(AppendTableRow(edit));
    QVERIFY(Settle(edit));
    const std::string page2 = edit.DocumentHTML();
    TypeWord(" two");
    const std::string page3 = edit.DocumentHTML();

    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), page2);
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), page1);
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), page0);
    QVERIFY(RunCommand(edit, EditCmd::Redo));
    QVERIFY(RunCommand(edit, EditCmd::Redo));
    QVERIFY(RunCommand(edit, EditCmd::Redo));
    QCOMPARE(edit.DocumentHTML(), page3);

    // After an Undo, a new change ends what could be redone.
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    TypeWord(" three");
    QCOMPARE(edit.QueryStatus(EditCmd::Redo), EditStatus::Disabled);
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), page2);
}

void EditorUndoTest::keyboardTypingIsOneStepPerRunAndTheKeysUndoIt() {
    THtmlEditComponent& edit = *edit_;
    const std::string page0 = edit.DocumentHTML();
    edit.PlaceCaret(ElementsByTag(edit, "p").Item(0), true);
    QVERIFY(Settle(edit));
    edit.activateWindow();
    edit.FocusDocument();
    QVERIFY(WaitFor([&] { return edit.DocumentHasFocus(); }));
    QWidget* target = edit.View()->focusProxy() ? edit.View()->focusProxy() : edit.View();
    QTest::keyClicks(target, " two words");
    QVERIFY(WaitFor([&] { return Settle(edit) && Has(edit.DocumentHTML(), "word. two words"); }));
    const std::string page1 = edit.DocumentHTML();
    // A caret move ends the run: what is typed next is a step of its own.
    QTest::keyClick(target, Qt::Key_Left);
    QTest::keyClicks(target, "X");
    QVERIFY(WaitFor([&] { return Settle(edit) && Has(edit.DocumentHTML(), "wordXs"); }));

    // Ctrl+Z in the page undoes through the editor's history, run by run.
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(WaitFor([&] { return Settle(edit) && edit.DocumentHTML() == page1; }));
    QTest::keyClick(target, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY2(WaitFor([&] { return Settle(edit) && edit.DocumentHTML() == page0; }),
             edit.DocumentHTML().c_str());
    QVERIFY(RunCommand(edit, EditCmd::Redo));
    QCOMPARE(edit.DocumentHTML(), page1);
}

void EditorUndoTest::dialogFromTheEditorIsOneStepThroughApplyAndOk() {
    // Opened from the editor's menu, with the event loop running between Apply and OK as
    // it does while the author looks at the dialog.
    THtmlEditComponent& edit = *edit_;
    TDHTMLEditOperation operation(&edit);
    ConnectEditorDialogs(operation, [this] { return Host(); });
    const std::string before = edit.DocumentHTML();
    QVERIFY(FindText(edit, "a1"));
    dialogs_.execs << [&edit](QDialog& dialog) {
        auto& table = As<TInsertTable>(dialog);
        table.edtBorder->setText("3");
        table.btnApply->click();
        WaitFor([] { return false; }, 100);
        Settle(edit);
        table.edtPadding->setText("7");
        table.btnOK->click();
        return table.result();
    };
    operation.Dialogs.TableProperties();
    QVERIFY(Settle(edit));
    QVERIFY(Has(edit.DocumentHTML(), "cellpadding=\"7\"") &&
            Has(edit.DocumentHTML(), "border=\"3\""));
    QVERIFY(RunCommand(edit, EditCmd::Undo));
    QCOMPARE(edit.DocumentHTML(), before);
}

QTEST_MAIN(EditorUndoTest)
#include "editor_undo_test.moc"
