// The main window's links to its dialogs and to the editor's command set: project settings
// (from the Tools menu and from a build dialog), the environment options and what the editor
// takes from them, the template commands of the tree's menu, a prebuilt template added from
// the add dialog, the help command and the about box.

#include "editor/gui/edit_operation.h"
#include "editor/gui/html_edit_component.h"
#include "model/paths.h"
#include "output/build_driver.h"
#include "output/gui/build_commands.h"
#include "settings/app_options.h"
#include "settings/gui/options_dialog.h"
#include "settings/gui/settings_dialog.h"
#include "settings/settings_lists.h"
#include "test_dialogs.h"
#include "ui/gui/add_topic_dialog.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/source_editor.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/user_settings.h"
#include "wizard/gui/new_project_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace parvane {

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QAction* MenuEntry(QMenuBar* bar, const QString& text) {
    for (QAction* menu : bar->actions())
        if (menu->menu())
            for (QAction* entry : menu->menu()->actions())
                if (entry->text() == text)
                    return entry;
    return nullptr;
}

template <typename Dialog, typename Fn> std::function<int(QDialog&)> Answer(Fn fill) {
    return [fill](QDialog& d) {
        auto* dialog = qobject_cast<Dialog*>(&d);
        if (!dialog)
            return int(QDialog::Rejected);
        return fill(*dialog) ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
}

} // namespace

class WindowCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        // The options file goes to a folder of this test alone.
        config = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", config->path().toUtf8());
    }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        root = dir->path() + "/";
        dialogs = std::make_unique<TTestDialogs>();
        store = std::make_unique<TMemorySettingsStore>();
        WriteFile(root + "intro.htm", "<html><head><title>Intro</title></head><body><p>Intro "
                                      "text</p><table><tr><td>1</td></tr></table></body></html>");
        WriteFile(root + "layout.htm", "<html><head><title>($title$)</title></head><body>"
                                       "($content$)</body></html>");
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.ResetToDefaults();
        project.ProjectSettings.Title = "Window";
        project.ProjectSettings.RootDir = root.toStdString();
        tree.AddTopicNode(tree.ContentsRoot(), "Intro", imLastChildOfReference, tsLinked, 0,
                          "intro.htm");
        tree.AddTopicNode(tree.TemplatesRoot(), "Layout", imLastChildOfReference, tsLinked, 0,
                          "layout.htm");
        file = root + "window.pvx";
        project.SaveToFile(file.toStdString());

        window = std::make_unique<TfrmMain>(*dialogs, *store);
        QVERIFY(window->ProjectCommands().OpenProjectFile(file));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() {
        if (window) {
            window->EditorPane()->DiscardChanges();
            window->Project().Modified = false;
        }
        window.reset();
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
        QFile::remove(QString::fromStdString(UserOptionsFile()));
    }

    void projectSettingsFromTheMenuAndFromTheBuildDialog() {
        QAction* entry = MenuEntry(window->menuBar(), "Project Settings...");
        QVERIFY(entry);
        QVERIFY(entry->isEnabled());

        dialogs->execs << Answer<TfrmSettings>([](TfrmSettings& d) {
            d.edtTitle->setText("Renamed help");
            return true;
        });
        entry->trigger();
        QCOMPARE(dialogs->dialogNames, QStringList{"frmSettings"});
        QCOMPARE(window->Project().ProjectSettings.Title, std::string("Renamed help"));
        QVERIFY(window->Project().Modified);

        // Cancel changes nothing.
        dialogs->execs << Answer<TfrmSettings>([](TfrmSettings& d) {
            d.edtTitle->setText("Not taken");
            return false;
        });
        entry->trigger();
        QCOMPARE(window->Project().ProjectSettings.Title, std::string("Renamed help"));

        // The build dialog's Options button opens the Web Help page and gets the edits back.
        QVERIFY(window->BuildCommands().OpenProjectSettings);
        TBuildDialogValues values;
        values.WebHelpOutputFolder = root.toStdString() + "typed/";
        int page = -1;
        dialogs->execs << Answer<TfrmSettings>([&](TfrmSettings& d) {
            page = d.pcSettings->currentIndex();
            if (d.edtWebHelpOutputFolder->text() != root + "typed/")
                return false;
            d.edtWebHelpOutputFolder->setText(root + "chosen/");
            return true;
        });
        QVERIFY(window->BuildCommands().OpenProjectSettings(1, values));
        QCOMPARE(page, int(spWebHelp));
        QCOMPARE(values.WebHelpOutputFolder, root.toStdString() + "chosen/");
    }

    void environmentOptionsReachTheEditor() {
        QAction* entry = MenuEntry(window->menuBar(), "Environment Options...");
        QVERIFY(entry);
        const bool before = window->EditorPane()->Options().PreviewWithTemplate;
        dialogs->execs << Answer<TfrmOptions>([](TfrmOptions& d) {
            d.cbPreviewWithTemplate->setChecked(!d.cbPreviewWithTemplate->isChecked());
            return true;
        });
        entry->trigger();
        QCOMPARE(dialogs->dialogNames, QStringList{"frmOptions"});
        QCOMPARE(window->EditorPane()->Options().PreviewWithTemplate, !before);
        QCOMPARE(LoadOptions().PreviewWithTemplate, !before);

        // "Edit List..." of the editor's drop-down opens the options on the editors' page.
        TDHTMLEditOperation* op = window->EditorPane()->editOp;
        QAction* list = op->pmExternalEditor->actions().last();
        QCOMPARE(list->text(), QString("Edit List..."));
        int page = -1;
        dialogs->execs << Answer<TfrmOptions>([&](TfrmOptions& d) {
            page = d.pcOptions->currentIndex();
            return false;
        });
        window->TreeView()->expandAll();
        SelectTopic("Intro");
        list->trigger();
        QCOMPARE(page, int(TfrmOptions::pgEditors));
    }

    void editorCommandSetSitsInTheEditTab() {
        TTopicEditorPane* pane = window->EditorPane();
        QVERIFY(pane->widget(0)->isAncestorOf(pane->tbEdit));
        QVERIFY(pane->tbEdit->isAncestorOf(pane->editOp->Toolbars()->tbEditor2));
        SelectTopic("Intro");
        QTRY_VERIFY_WITH_TIMEOUT(pane->edtHTML->DocumentLoaded(), 20000);
        QVERIFY(pane->tbEdit->isEnabled());
        // The table button opens the insert-table dialog (declined here).
        QAction* table = pane->editOp->ActionById(EditId::InsertTable);
        QVERIFY(table);
        table->trigger();
        QCOMPARE(dialogs->dialogNames, QStringList{"InsertTable"});
        QVERIFY(!pane->IsTopicModified());

        // The folder of the last pictures belongs to the project it was used in.
        pane->editOp->LastPictureFolder = root.toStdString() + "pictures/";
        QVERIFY(window->ProjectCommands().OpenProjectFile(file));
        QVERIFY(pane->editOp->LastPictureFolder.empty());
    }

    void ctrlSSavesThePageWhileItHasTheFocusElseTheProject() {
        TTopicEditorPane* pane = window->EditorPane();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        SelectTopic("Intro");
        pane->setCurrentIndex(int(TEditorTab::Source));
        QTRY_COMPARE(pane->currentIndex(), int(TEditorTab::Source));
        QPlainTextEdit* source = pane->mmSource->Edit();
        QTextCursor cursor = source->document()->find("</body>");
        QVERIFY(!cursor.isNull());
        cursor.setPosition(cursor.selectionStart());
        source->setTextCursor(cursor);
        source->insertPlainText("<p>Saved by keys</p>");
        source->setFocus();
        QTRY_VERIFY(pane->PageHasFocus());
        window->Project().Modified = true;
        QTest::keyClick(source, Qt::Key_S, Qt::ControlModifier);
        QFile page(root + "intro.htm");
        QVERIFY(page.open(QIODevice::ReadOnly));
        QVERIFY(page.readAll().contains("Saved by keys"));
        // The project was not saved by the same keys.
        QVERIFY(window->Project().Modified);

        window->TreeView()->setFocus();
        QTRY_VERIFY(!pane->PageHasFocus());
        QTest::keyClick(window->TreeView(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!window->Project().Modified);
    }

    void templateCommandsOfTheTreeMenu() {
        SelectTopic("Layout");
        TTreeCommands& commands = window->TreeCommands();
        commands.UpdatePopup();
        QVERIFY(commands.mnuSetHtmlHelpTemplate->isVisible());
        QVERIFY(commands.mnuSetHtmlHelpTemplate->isEnabled());
        commands.mnuSetHtmlHelpTemplate->trigger();
        QCOMPARE(window->Project().ProjectSettings.HtmlHelpTemplate, std::string("layout.htm"));
        commands.mnuSetWebHelpTemplate->trigger();
        QCOMPARE(window->Project().ProjectSettings.WebHelpTemplate, std::string("layout.htm"));
        QVERIFY(window->Project().Modified);
        commands.UpdatePopup();
        commands.mnuNoTemplate->trigger();
        QVERIFY(window->Project().ProjectSettings.HtmlHelpTemplate.empty());
        QVERIFY(window->Project().ProjectSettings.WebHelpTemplate.empty());
    }

    void prebuiltTemplateFromTheAddDialog() {
        SelectTopic("Intro");
        dialogs->execs << Answer<TfrmAddNewTopic>([](TfrmAddNewTopic& d) {
            d.SetPage(2);
            d.rbPrebuilt->setChecked(true);
            d.lbTemplates->setCurrentRow(0);
            return d.ChosenTemplate() != nullptr;
        });
        dialogs->execs << [](QDialog& d) {
            qobject_cast<QInputDialog*>(&d)->setTextValue("look");
            return int(QDialog::Accepted);
        };
        dialogs->answers << TAnswer::Yes;
        window->TreeCommands().tbAddClick(0);
        QCOMPARE(dialogs->dialogNames, (QStringList{"frmAddNewTopic", "dlgTemplateFolder"}));
        TTopicNode* added = window->Tree().Selected();
        QVERIFY(added);
        QCOMPARE(added->Parent(), window->Tree().TemplatesRoot());
        const QString url = QString::fromStdString(added->Data().Url);
        QVERIFY(url.startsWith("look\\"));
        QVERIFY(QFileInfo::exists(root + QString(url).replace('\\', '/')));
        QCOMPARE(window->Project().ProjectSettings.HtmlHelpTemplate, added->Data().Url);
        // The new template is shown as the selected topic.
        QCOMPARE(window->EditorPane()->ShownTopic(), added);
        QCOMPARE(window->TreeView()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(window->edtTitle->text(), QString::fromStdString(added->Text()));

        // The template commands leave it selected and shown.
        window->TreeCommands().UpdatePopup();
        window->TreeCommands().mnuSetWebHelpTemplate->trigger();
        QCOMPARE(window->Tree().Selected(), added);
        QCOMPARE(window->EditorPane()->ShownTopic(), added);
        QCOMPARE(window->TreeView()->selectionModel()->selectedRows().size(), 1);
    }

    void helpOpensTheGuideTheDesktopCanShow() {
        QTemporaryDir program;
        qputenv("PARVANE_DATA_DIR", program.path().toUtf8());
        window->actHelp->trigger();
        QCOMPARE(dialogs->errors.size(), 1);
        QVERIFY(dialogs->errors[0].contains("parvane.chm"));
        QVERIFY(dialogs->opened.isEmpty());

        WriteFile(program.path() + "/help/index.htm", "<html></html>");
        window->actHelp->trigger();
        QCOMPARE(dialogs->opened, QStringList{program.path() + "/help/index.htm"});
        qunsetenv("PARVANE_DATA_DIR");
    }

    void wizardOffersTheEncodingsOfTheProjectSettings() {
        TfrmNew wizard(*dialogs);
        const std::vector<std::string>& settings = EncodingList();
        QCOMPARE(wizard.cbEncoding->count(), 28);
        QCOMPARE(std::size_t(wizard.cbEncoding->count()), settings.size());
        for (int i = 0; i < wizard.cbEncoding->count(); ++i)
            QCOMPARE(wizard.cbEncoding->itemText(i).toStdString(), settings[std::size_t(i)]);
        // Charset names a browser knows.
        QCOMPARE(wizard.cbEncoding->itemText(1), QString("Baltic (ISO); iso-8859-4"));
    }

    void aboutBoxNamesTheProgram() {
        QString caption;
        dialogs->execs << [&](QDialog& d) {
            caption = d.windowTitle();
            return int(QDialog::Rejected);
        };
        window->actAbout->trigger();
        QCOMPARE(dialogs->dialogNames, QStringList{"frmAbout"});
        QCOMPARE(caption, QString("About Parvane v3.2"));
    }

private:
    void SelectTopic(const QString& title) {
        TTopicNode* found = nullptr;
        window->Tree().ForEach([&](TTopicNode* node) {
            if (!found && QString::fromStdString(node->Text()) == title)
                found = node;
        });
        QVERIFY(found);
        window->Tree().Select(found);
        window->TreeView()->SyncSelectionFromTree();
        window->CheckMultiSelectionStatus();
    }

    std::unique_ptr<QTemporaryDir> config;
    std::unique_ptr<QTemporaryDir> dir;
    QString root;
    QString file;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TMemorySettingsStore> store;
    std::unique_ptr<TfrmMain> window;
};

} // namespace parvane

QTEST_MAIN(parvane::WindowCommandsTest)
#include "window_commands_test.moc"
