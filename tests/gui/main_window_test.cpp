// The main window on the offscreen platform: the start dialog, the project commands
// with their questions, recent projects, window state, the no-project state and the
// navigation pane's drag and drop.

#include "model/paths.h"
#include "templates/gui/template_commands.h"
#include "test_dialogs.h"
#include "ui/gui/add_topic_dialog.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/select_topic_dialog.h"
#include "ui/gui/start_dialog.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/recent_projects.h"
#include "ui/topic_editing.h"
#include "wizard/gui/new_project_dialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragMoveEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QTreeView>

namespace parvane {

namespace {

// The children of parent as "A(B,C),D".
QString Shape(const TTopicNode* parent) {
    QStringList parts;
    for (int i = 0; i < parent->Count(); ++i) {
        const TTopicNode* child = parent->Child(i);
        QString part = QString::fromStdString(child->Text());
        if (child->HasChildren())
            part += "(" + Shape(child) + ")";
        parts << part;
    }
    return parts.join(',');
}

// Writes a project whose table of contents holds the given top-level titles.
QString WriteProject(const QString& folder, const QString& name, const QStringList& titles) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.Title = name.toStdString();
    project.ProjectSettings.RootDir = folder.toStdString() + "/";
    for (const QString& title : titles)
        tree.AddTopicNode(tree.ContentsRoot(), title.toStdString(), imLastChildOfReference,
                          tsLinked, 0, title.toStdString() + ".htm");
    const QString path = folder + "/" + name + ".pvx";
    project.SaveToFile(path.toStdString());
    return path;
}

TTopicNode* Find(TTopicTree& tree, const QString& title) {
    TTopicNode* found = nullptr;
    tree.ForEach([&](TTopicNode* node) {
        if (!found && QString::fromStdString(node->Text()) == title)
            found = node;
    });
    return found;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<TTestDialogs>();
        store = std::make_unique<TMemorySettingsStore>();
    }

    void cleanup() {
        window.reset();
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    }

    void firstStartOffersTheSampleProjectAndCancelLeavesNoProject() {
        QStringList entries;
        bool listFollowsChoice = false;
        dialogs->execs << [&](QDialog& dialog) {
            auto* start = qobject_cast<TfrmSelectWhenStart*>(&dialog);
            if (!start)
                return int(QDialog::Rejected);
            for (int i = 0; i < start->lbRecent->count(); ++i)
                entries << start->lbRecent->item(i)->text();
            const bool recentDefault = start->rbRecent->isChecked() && start->lbRecent->isEnabled();
            start->rbNew->setChecked(true);
            listFollowsChoice = recentDefault && !start->lbRecent->isEnabled();
            return int(QDialog::Rejected);
        };
        MakeWindow();
        window->Start({});
        QCOMPARE(entries, QStringList{QString::fromStdString(SampleProjectPath())});
        QVERIFY(listFollowsChoice);
        QVERIFY(window->NoProject());
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2"));
        QCOMPARE(window->size(), QSize(816, 536));
        // The no-project state: nothing that needs a project can be used.
        QVERIFY(!window->ProjectCommands().actSave->isEnabled());
        QVERIFY(!window->ProjectCommands().actSaveAs->isEnabled());
        QVERIFY(!window->ProjectCommands().actClose->isEnabled());
        QVERIFY(!window->actBuild->isEnabled());
        QVERIFY(!window->actViewWebHelp->isEnabled());
        QVERIFY(!window->actBrowse->isEnabled());
        QVERIFY(!window->TreeView()->isEnabled());
        QVERIFY(!window->tbNavigation->isEnabled());
        QVERIFY(!window->tbIcons->isEnabled());
        QVERIFY(window->ProjectCommands().actNew->isEnabled());
        QVERIFY(window->ProjectCommands().actOpen->isEnabled());
        VerifyTreeCommandsOff();
    }

    void closingAProjectTurnsOffEveryTreeCommand() {
        MakeWindow();
        QVERIFY(window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), "p", {"A"})));
        window->Tree().Select(Find(window->Tree(), "A"));
        QVERIFY(window->TreeCommands().tbAdd->isEnabled());
        QVERIFY(window->ProjectCommands().CloseProject());
        VerifyTreeCommandsOff();

        // Reached anyway (a key, a stale menu): nothing is added, asked or written.
        TTreeCommands& t = window->TreeCommands();
        t.tbAdd->trigger();
        t.tbAddClick(12);
        t.mnuAddEnd->trigger();
        t.tbMoveRightAndAddHeading->trigger();
        t.pmLeftPopup(QPoint(5, 5));
        QVERIFY(dialogs->dialogNames.isEmpty());
        QCOMPARE(window->Tree().Count(), 3);
        QVERIFY(!window->Project().Modified);
        QVERIFY(!t.pmLeft->isVisible());

        // The prebuilt template copy refuses a project without a root folder of its own.
        const QString cwd = QDir::currentPath();
        QTemporaryDir work;
        QDir::setCurrent(work.path());
        TTemplateEntry entry;
        entry.Name = "Plain";
        entry.Path = "plain";
        QVERIFY(!AddPrebuiltTemplateClick(window.get(), window->Project(), *dialogs, entry,
                                          Paths::AppDir() + "/templates", 0));
        QDir::setCurrent(cwd);
        QCOMPARE(QDir(work.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
        QCOMPARE(dialogs->errors.size(), 1);
        QVERIFY(dialogs->dialogNames.isEmpty());

        // Exit has nothing to ask about.
        QVERIFY(window->close());
    }

    void wizardRefusesAMissingRootFolderAndStaysOpen() {
        MakeWindow();
        window->show();
        QVERIFY(
            window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), "keep", {"K"})));
        QString firstError;
        bool stayedOpen = false;
        bool focused = false;
        QString typedTitle;
        const QString root = dir->path() + "/made/here";
        dialogs->execs << [&](QDialog& dialog) {
            auto* wizard = qobject_cast<TfrmNew*>(&dialog);
            if (!wizard)
                return int(QDialog::Rejected);
            wizard->show();
            wizard->activateWindow();
            (void)QTest::qWaitForWindowActive(wizard);
            wizard->edtTitle->setText("Typed");
            wizard->edtRootFolder->setText("   ");
            wizard->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            firstError = dialogs->errors.value(0);
            stayedOpen = wizard->isVisible() && wizard->result() != QDialog::Accepted;
            focused = wizard->edtRootFolder->hasFocus();
            // The author's entries are still there to be corrected.
            typedTitle = wizard->edtTitle->text();
            wizard->edtRootFolder->setText(root);
            wizard->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            return wizard->result();
        };
        QVERIFY(window->ProjectCommands().NewProject());
        QCOMPARE(firstError, QString("Please specify the root folder of the project!"));
        QVERIFY(stayedOpen);
        QVERIFY(focused);
        QCOMPARE(typedTitle, QString("Typed"));
        QVERIFY(QFileInfo(root).isDir());
        QCOMPARE(window->Project().ProjectSettings.Title, std::string("Typed"));

        // A wizard answer that cannot be made leaves the open project as it was.
        window->Project().Modified = false;
        QVERIFY(
            window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), "kept", {"K2"})));
        dialogs->errors.clear();
        dialogs->execs << [&](QDialog& dialog) {
            qobject_cast<TfrmNew*>(&dialog)->edtRootFolder->setText(dir->path() + "/kept.pvx");
            return int(QDialog::Accepted);
        };
        QVERIFY(!window->ProjectCommands().NewProject());
        QCOMPARE(dialogs->errors.size(), 1);
        QVERIFY(dialogs->errors[0].endsWith("is a file, not a folder."));
        QCOMPARE(Shape(window->Tree().ContentsRoot()), QString("K2"));
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - kept.pvx"));
        QVERIFY(window->TreeView()->isEnabled());
    }

    void wizardSearchesTheRootFolderAfterTypingPauses() {
        const QString pages = dir->path() + "/pages";
        QDir().mkpath(pages + "/deep/er");
        WriteFile(pages + "/deep/er/a.htm", "<html></html>");
        const QString empty = dir->path() + "/empty";
        QDir().mkpath(empty);
        TfrmNew wizard(*dialogs);
        QVERIFY(!wizard.cbSearch->isChecked());
        // Typing does not search: the box answers at once and the search comes later.
        QElapsedTimer typing;
        typing.start();
        for (int i = 1; i <= pages.size(); ++i)
            wizard.edtRootFolder->setText(pages.left(i));
        QVERIFY(wizard.Scanning());
        QVERIFY(!wizard.cbSearch->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(wizard.cbSearch->isChecked(), 5000);
        QVERIFY(!wizard.Scanning());
        QVERIFY(wizard.cbKeepStructure->isEnabled());
        // A search overtaken by newer typing is not taken.
        wizard.edtRootFolder->setText(pages + "/deep");
        wizard.edtRootFolder->setText(empty);
        QTRY_VERIFY_WITH_TIMEOUT(!wizard.Scanning(), 5000);
        QTest::qWait(TfrmNew::ScanDelay + 100);
        QVERIFY(!wizard.cbSearch->isChecked());
        // A folder that does not exist clears it at once.
        wizard.edtRootFolder->setText(pages);
        QTRY_VERIFY_WITH_TIMEOUT(wizard.cbSearch->isChecked(), 5000);
        wizard.edtRootFolder->setText(dir->path() + "/nowhere");
        QVERIFY(!wizard.cbSearch->isChecked());
        QVERIFY(!wizard.Scanning());
    }

    void plainClickOnOneOfSeveralSelectedTopicsSelectsOnlyIt() {
        MakeWindow();
        window->resize(800, 600);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->ProjectCommands().OpenProjectFile(
            WriteProject(dir->path(), "click", {"A", "B", "C"})));
        TTopicTreeView* view = window->TreeView();
        TTopicTreeModel* model = window->TreeModel();
        TTopicTree& tree = window->Tree();
        tree.SetSelections({Find(tree, "A"), Find(tree, "B")}, Find(tree, "A"));
        const QRect b = view->visualRect(model->IndexOf(Find(tree, "B")));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, b.center());
        QTest::qWait(QApplication::doubleClickInterval() + 200);
        QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(tree.Selections(), std::vector<TTopicNode*>{Find(tree, "B")});
        QVERIFY(!view->Editing());
        QCOMPARE(window->edtTitle->text(), QString("B"));
        // A second click on the one selected topic renames it.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, b.center());
        QTRY_VERIFY(view->Editing());
    }

    void newProjectForgetsTheTopicOptionsOfTheLastOne() {
        MakeWindow();
        const QString path = WriteProject(dir->path(), "opts", {"A"});
        QVERIFY(window->ProjectCommands().OpenProjectFile(path));
        TTopicNode* a = Find(window->Tree(), "A");
        a->Data().Keywords = "old keyword";
        a->Data().ContextNumber = "42";
        window->Project().Modified = false;
        window->Tree().Select(a);
        QCOMPARE(window->EditorPane()->mmKeywords->toPlainText(), QString("old keyword"));
        QCOMPARE(window->EditorPane()->edtContextNumber->text(), QString("42"));
        dialogs->execs << [&](QDialog& dialog) {
            qobject_cast<TfrmNew*>(&dialog)->edtRootFolder->setText(dir->path() + "/next");
            return int(QDialog::Accepted);
        };
        QVERIFY(window->ProjectCommands().NewProject());
        QVERIFY(window->EditorPane()->mmKeywords->toPlainText().isEmpty());
        QVERIFY(window->EditorPane()->edtContextNumber->text().isEmpty());
    }

    void topicOptionsTabComesBackAfterATemplateTopic() {
        MakeWindow();
        const QString path = WriteProject(dir->path(), "tabs", {"A"});
        QVERIFY(window->ProjectCommands().OpenProjectFile(path));
        TTopicTree& tree = window->Tree();
        TTopicNode* layout = tree.AddTopicNode(tree.TemplatesRoot(), "Layout",
                                               imLastChildOfReference, tsNoLink, 0, "");
        window->Project().UpdateTopicImages();
        const int options = int(TEditorTab::TopicOptions);
        TTopicEditorPane* pane = window->EditorPane();
        tree.Select(layout);
        QVERIFY(!pane->isTabVisible(options));
        tree.Select(Find(tree, "A"));
        QVERIFY(pane->isTabVisible(options));
        // Leaving for a group, several topics or another project brings it back too.
        tree.Select(layout);
        tree.Select(tree.ContentsRoot());
        QVERIFY(pane->isTabVisible(options));
        tree.Select(layout);
        tree.SetSelections({layout, Find(tree, "A")}, layout);
        QVERIFY(pane->isTabVisible(options));
        tree.Select(layout);
        window->Project().Modified = false;
        QVERIFY(window->ProjectCommands().CloseProject());
        QVERIFY(pane->isTabVisible(options));
    }

    void deletingSelectsTheNextTopic() {
        MakeWindow();
        const QString path = WriteProject(dir->path(), "del", {"A", "B", "C"});
        WriteFile(dir->path() + "/B.htm", "<html><title>B</title></html>");
        WriteFile(dir->path() + "/C.htm", "<html><title>C</title></html>");
        QVERIFY(window->ProjectCommands().OpenProjectFile(path));
        TTopicTree& tree = window->Tree();
        tree.Select(Find(tree, "B"));
        dialogs->answers << TAnswer::Yes;
        window->TreeCommands().tbDelete->trigger();
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A,C"));
        QCOMPARE(tree.Selected(), Find(tree, "C"));
        QCOMPARE(window->edtTitle->text(), QString("C"));
        QCOMPARE(window->EditorPane()->ShownTopic(), Find(tree, "C"));
        // The page of a deleted topic stays on disk.
        QVERIFY(QFileInfo::exists(dir->path() + "/B.htm"));
        dialogs->answers << TAnswer::Yes;
        window->TreeCommands().tbDelete->trigger();
        QCOMPARE(tree.Selected(), Find(tree, "A"));
    }

    void theSampleOpensAsTheUsersOwnCopy() {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        const QString copy = home.path() + "/Parvane Projects/Parvane Sample/sample.pvx";
        const QString program = QString::fromStdString(Paths::AppDir());
        const QByteArray welcome = ReadFile(program + "/sample/welcome.htm");

        // From the start dialog's sample entry.
        dialogs->execs << [&](QDialog& dialog) {
            auto* start = qobject_cast<TfrmSelectWhenStart*>(&dialog);
            start->lbRecent->setCurrentRow(0);
            return int(QDialog::Accepted);
        };
        MakeWindow();
        window->Start({});
        QCOMPARE(QString::fromStdString(window->Project().FileName), copy);
        const QString root = QString::fromStdString(window->Project().RootFolder());
        QVERIFY2(root.startsWith(home.path() + "/"), qPrintable(root));
        QVERIFY(!root.startsWith(program));
        QCOMPARE(ReadFile(root + "welcome.htm"), welcome);

        // Changes are the copy's: the program's page is untouched, the copy kept.
        WriteFile(root + "welcome.htm", "<html><body>mine</body></html>");
        window->actOpenSample->trigger();
        QCOMPARE(QString::fromStdString(window->Project().FileName), copy);
        QCOMPARE(ReadFile(root + "welcome.htm"), QByteArray("<html><body>mine</body></html>"));
        QCOMPARE(ReadFile(program + "/sample/welcome.htm"), welcome);

        // From the command line (what `make run` passes).
        window.reset();
        MakeWindow();
        window->Start({program + "/sample.pvx"});
        QVERIFY(dialogs->errors.isEmpty());
        QCOMPARE(QString::fromStdString(window->Project().FileName), copy);
        qputenv("HOME", oldHome);
    }

    void startDialogOpensTheChosenRecentProject() {
        const QString a = WriteProject(dir->path(), "alpha", {"A1", "A2"});
        const QString b = WriteProject(dir->path(), "beta", {"B1"});
        AddRecentProject(*store, a.toStdString());
        AddRecentProject(*store, b.toStdString());
        QStringList entries;
        dialogs->execs << [&](QDialog& dialog) {
            auto* start = qobject_cast<TfrmSelectWhenStart*>(&dialog);
            for (int i = 0; i < start->lbRecent->count(); ++i)
                entries << start->lbRecent->item(i)->text();
            start->lbRecent->setCurrentRow(1);
            return int(QDialog::Accepted);
        };
        MakeWindow();
        window->Start({});
        QCOMPARE(entries, (QStringList{b, a}));
        QVERIFY(!window->NoProject());
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - alpha.pvx"));
        QCOMPARE(Shape(window->Tree().ContentsRoot()), QString("A1,A2"));
        QVERIFY(window->TreeView()->isEnabled());
    }

    void commandLineArgumentOpensTheProjectOrReportsIt() {
        const QString path = WriteProject(dir->path(), "manual", {"Intro"});
        MakeWindow();
        window->Start({path});
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - manual.pvx"));
        QVERIFY(dialogs->dialogNames.isEmpty()); // no start dialog

        window.reset();
        MakeWindow();
        window->Start({dir->path() + "/missing.pvx"});
        QCOMPARE(dialogs->errors, QStringList{dir->path() + "/missing.pvx doesn't exist!"});
        QVERIFY(!window->NoProject());
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - unnamed.pvx"));
    }

    void newProjectAsksFirstAndBuildsTheStarterContents() {
        MakeWindow();
        window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), "old", {"X"}));
        window->Project().Modified = true;

        // Cancel at the project question: nothing changes.
        dialogs->answers << TAnswer::Cancel;
        QVERIFY(!window->ProjectCommands().NewProject());
        QCOMPARE(dialogs->questions.size(), 1);
        QCOMPARE(dialogs->questions[0].text,
                 QString("The project has changed.\nDo you want to save the changes?"));
        QCOMPARE(dialogs->questions[0].title, QString("Confirm"));
        QCOMPARE(dialogs->questions[0].buttons, TButtons::YesNoCancel);
        QCOMPARE(Shape(window->Tree().ContentsRoot()), QString("X"));

        // No, then the wizard on an empty folder: the starter table of contents.
        const QString root = dir->path() + "/fresh";
        bool searchOff = false;
        dialogs->answers << TAnswer::No;
        dialogs->execs << [&](QDialog& dialog) {
            auto* wizard = qobject_cast<TfrmNew*>(&dialog);
            if (!wizard)
                return int(QDialog::Rejected);
            wizard->edtTitle->setText("Fresh");
            wizard->edtRootFolder->setText(root);
            searchOff = !wizard->cbSearch->isChecked() && !wizard->cbKeepStructure->isEnabled();
            return int(QDialog::Accepted);
        };
        QVERIFY(window->ProjectCommands().NewProject());
        QVERIFY(searchOff);
        QVERIFY(QFileInfo(root).isDir());
        QCOMPARE(Shape(window->Tree().ContentsRoot()),
                 QString("New Item,New Item(New Item,New Item)"));
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - unnamed.pvx"));
        QVERIFY(window->Project().Modified);
        QVERIFY(window->Project().IsUntitled);
        // The project left behind is remembered.
        QCOMPARE(window->RecentEntries().front(), dir->path() + "/old.pvx");
    }

    void newProjectImportsAnExistingFolderOfPages() {
        const QString root = dir->path() + "/pages";
        QDir().mkpath(root + "/sub");
        WriteFile(root + "/a.htm", "<html><title>Alpha</title></html>");
        WriteFile(root + "/sub/b.html", "<html><title>Beta</title></html>");
        MakeWindow();
        dialogs->execs << [&](QDialog& dialog) {
            auto* wizard = qobject_cast<TfrmNew*>(&dialog);
            wizard->edtRootFolder->setText(root);
            // The folder holds pages: the search is offered once the folder is searched.
            (void)QTest::qWaitFor([&] { return wizard->cbSearch->isChecked(); }, 5000);
            return int(wizard->cbSearch->isChecked() ? QDialog::Accepted : QDialog::Rejected);
        };
        QVERIFY(window->ProjectCommands().NewProject());
        const QString shape = Shape(window->Tree().ContentsRoot());
        QVERIFY2(shape == "Alpha,sub(Beta)" || shape == "sub(Beta),Alpha", qPrintable(shape));
    }

    void openingAMissingRecentProjectKeepsTheEntry() {
        const QString missing = dir->path() + "/gone.pvx";
        AddRecentProject(*store, missing.toStdString());
        MakeWindow();
        QVERIFY(!window->ProjectCommands().OpenProjectFile(missing));
        QCOMPARE(dialogs->errors, QStringList{missing + " doesn't exist!"});
        QCOMPARE(window->RecentEntries(), QStringList{missing});
        QVERIFY(window->NoProject());
    }

    void openAsksAboutTheChangedProject() {
        MakeWindow();
        window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), "one", {"A"}));
        window->Project().Modified = true;
        dialogs->answers << TAnswer::No;
        dialogs->openFiles << WriteProject(dir->path(), "two", {"B"});
        QVERIFY(window->ProjectCommands().OpenProject());
        QCOMPARE(dialogs->questions.size(), 1);
        QCOMPARE(dialogs->openFolders.front(), dir->path() + "/");
        QCOMPARE(Shape(window->Tree().ContentsRoot()), QString("B"));
        QVERIFY(!window->Project().Modified);
    }

    void cancelAtExitKeepsTheWindowOpen() {
        MakeWindow();
        window->show();
        window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), "keep", {"A"}));
        window->Project().Modified = true;
        dialogs->answers << TAnswer::Cancel;
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QVERIFY(!window->NoProject());
        QVERIFY(window->Project().Modified);
        QCOMPARE(Shape(window->Tree().ContentsRoot()), QString("A"));

        // Yes saves before closing.
        window->Tree().AddTopicNode(window->Tree().ContentsRoot(), "B", imLastChildOfReference,
                                    tsNoLink, 0, "");
        dialogs->answers << TAnswer::Yes;
        QVERIFY(window->close());
        QVERIFY(window->NoProject());
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx reread(tree);
        reread.LoadFromFile((dir->path() + "/keep.pvx").toStdString());
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A,B"));
    }

    void elevenProjectsLeaveTenRecentEntries() {
        MakeWindow();
        QStringList paths;
        for (int i = 1; i <= 11; ++i) {
            paths << WriteProject(dir->path(), QString("p%1").arg(i), {"T"});
            QVERIFY(window->ProjectCommands().OpenProjectFile(paths.back()));
        }
        QVERIFY(window->ProjectCommands().CloseProject());
        const QStringList entries = window->RecentEntries();
        QCOMPARE(entries.size(), 10);
        QCOMPARE(entries.front(), paths[10]);
        QCOMPARE(entries.back(), paths[1]);
        QCOMPARE(window->mnuRecent->actions().size(), 10);
        QCOMPARE(window->pmRecent->actions().front()->text(), paths[10]);
    }

    void saveAsProposesNamesAndNamesTheCompiledFile() {
        MakeWindow();
        dialogs->execs << [&](QDialog& dialog) {
            auto* wizard = qobject_cast<TfrmNew*>(&dialog);
            wizard->edtTitle->setText("A/B: C");
            wizard->edtRootFolder->setText(dir->path() + "/root");
            return int(QDialog::Accepted);
        };
        QVERIFY(window->ProjectCommands().NewProject());
        const QString chosen = dir->path() + "/help.pvx";
        dialogs->saveFiles << chosen;
        QVERIFY(window->ProjectCommands().SaveProject()); // untitled: Save As
        // Beside the new project's pages, not in the program's working folder.
        QCOMPARE(dialogs->proposedNames, QStringList{dir->path() + "/root/A_B_ C.pvx"});
        QCOMPARE(window->Project().ProjectSettings.CompiledFile, std::string("A_B_ C.chm"));
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - help.pvx"));
        QVERIFY(!window->Project().Modified);
        QVERIFY(QFileInfo::exists(chosen));

        // A project with a file proposes a copy beside it; cancelling saves nothing.
        QVERIFY(!window->ProjectCommands().SaveProjectAs());
        QCOMPARE(dialogs->proposedNames.back(), dir->path() + "/copy of help.pvx");
        QCOMPARE(window->windowTitle(), QString("Parvane v3.2 - help.pvx"));
    }

    void maximisedWindowReopensAtItsNormalSize() {
        MakeWindow();
        window->setGeometry(60, 50, 700, 480);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->showMaximized();
        QTest::qWait(50);
        QVERIFY(window->close());
        QCOMPARE(store->ReadInteger("Width"), 700);
        QCOMPARE(store->ReadInteger("Height"), 480);

        window.reset();
        MakeWindow();
        QVERIFY(!window->isMaximized());
        QCOMPARE(window->geometry(), QRect(60, 50, 700, 480));
    }

    void dropsThroughTheViewMoveTheSelection() {
        MakeWindow();
        window->resize(800, 600);
        window->show();
        QVERIFY(window->ProjectCommands().OpenProjectFile(
            WriteProject(dir->path(), "dnd", {"A", "B", "C", "D"})));
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        TTopicTreeView* view = window->TreeView();
        TTopicTreeModel* model = window->TreeModel();
        TTopicTree& tree = window->Tree();

        // Select C and D through the view, as Ctrl+click would.
        view->selectionModel()->setCurrentIndex(model->IndexOf(Find(tree, "C")),
                                                QItemSelectionModel::ClearAndSelect);
        view->selectionModel()->select(model->IndexOf(Find(tree, "D")),
                                       QItemSelectionModel::Select);
        QCOMPARE(tree.Selections().size(), std::size_t(2));

        // Onto the lower part of A's row: after A.
        const QRect row = view->visualRect(model->IndexOf(Find(tree, "A")));
        Drop(view, QPoint(row.left() + 10, row.bottom() - 1));
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A,C,D,B"));
        QVERIFY(window->Project().Modified);
        QVERIFY(view->selectionModel()->isSelected(model->IndexOf(Find(tree, "C"))));

        // Onto a group: appended to it, and the topics change kind.
        const QRect group = view->visualRect(model->IndexOf(tree.NonContentsRoot()));
        Drop(view, QPoint(group.left() + 10, group.top() + 2));
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A,B"));
        QCOMPARE(Shape(tree.NonContentsRoot()), QString("C,D"));
        QCOMPARE(Find(tree, "C")->Data().Kind, 1);

        // Onto the middle of a row: as its last child; the line is gone afterwards.
        view->selectionModel()->setCurrentIndex(model->IndexOf(Find(tree, "B")),
                                                QItemSelectionModel::ClearAndSelect);
        const QRect a = view->visualRect(model->IndexOf(Find(tree, "A")));
        Drop(view, a.center());
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A(B)"));
        QVERIFY(view->InsertionLine().isNull());
    }

    void toolbarCommandsActOnTheSelectionAndDeleteAsksFirst() {
        MakeWindow();
        QVERIFY(window->ProjectCommands().OpenProjectFile(
            WriteProject(dir->path(), "cmds", {"A", "B", "C"})));
        TTopicTree& tree = window->Tree();
        tree.SetSelections({Find(tree, "B"), Find(tree, "C")}, Find(tree, "B"));
        TTreeCommands& commands = window->TreeCommands();
        QVERIFY(commands.tbMoveRight->isEnabled());
        QVERIFY(!window->edtTitle->isEnabled());
        commands.tbMoveRight->trigger();
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A(B,C)"));
        // The view follows the tree: A is expanded and its children selected.
        TTopicTreeView* view = window->TreeView();
        QVERIFY(view->selectionModel()->isSelected(window->TreeModel()->IndexOf(Find(tree, "C"))));

        dialogs->answers << TAnswer::No << TAnswer::Yes;
        commands.tbDelete->trigger();
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A(B,C)"));
        commands.tbDelete->trigger();
        QCOMPARE(dialogs->questions.back().text, QString("Are you sure to delete the selections?"));
        QCOMPARE(Shape(tree.ContentsRoot()), QString("A"));
        QCOMPARE(window->TreeModel()->rowCount(window->TreeModel()->IndexOf(Find(tree, "A"))), 0);

        // One selected topic fills the property bar; groups refuse the move buttons.
        tree.Select(Find(tree, "A"));
        QVERIFY(window->edtTitle->isEnabled());
        QCOMPARE(window->edtTitle->text(), QString("A"));
        QCOMPARE(window->cbUrl->currentText(), QString("A.htm"));
        tree.Select(tree.ContentsRoot());
        QVERIFY(!commands.tbMoveUp->isEnabled());
        QVERIFY(!commands.tbDelete->isEnabled());
    }

    void addDialogGreysTheModeForAnotherGroup() {
        TAddDialogPreset preset;
        preset.HomeKind = 0;
        preset.Page = 0;
        preset.InsertMode = aimAfter;
        TfrmAddNewTopic dialog(preset);
        QVERIFY(dialog.cbInsertMode->isEnabled());
        QCOMPARE(dialog.cbInsertMode->currentText(), QString("Insert after"));
        dialog.SetPage(1);
        QVERIFY(!dialog.cbInsertMode->isEnabled());
        QCOMPARE(dialog.cbInsertMode->currentText(), QString("Append"));
        dialog.SetPage(0);
        QCOMPARE(dialog.cbInsertMode->currentText(), QString("Insert after"));
        dialog.rbExisting->setChecked(true);
        QCOMPARE(dialog.Request().ItemType, AddItemType::ExistingFiles);
        QCOMPARE(dialog.Request().InsertMode, int(aimAfter));
    }

    void topicPickerOffersTheGroupsOfItsMode() {
        MakeWindow();
        QVERIFY(window->ProjectCommands().OpenProjectFile(
            WriteProject(dir->path(), "pick", {"A", "B"})));
        TfrmSelectTopic contents(window->Project(), window->Images(), *dialogs, "B.htm", 1);
        QCOMPARE(contents.windowTitle(), QString("Select a topic"));
        QCOMPARE(contents.tvTopics->model()->rowCount(), 2);
        QCOMPARE(contents.tvTopics->currentIndex().data().toString(), QString("B"));
        QVERIFY(contents.btnOK->isEnabled());
        contents.edtUrl->setText("  ");
        QVERIFY(!contents.btnOK->isEnabled());
        contents.tvTopics->setCurrentIndex(
            contents.tvTopics->model()->index(0, 0, contents.tvTopics->model()->index(0, 0)));
        QCOMPARE(contents.Url(), QString("A.htm"));
        contents.btnNone->click();
        QCOMPARE(contents.result(), int(QDialog::Accepted));
        QVERIFY(contents.Url().isEmpty());

        TfrmSelectTopic templates(window->Project(), window->Images(), *dialogs, "", 2);
        QCOMPARE(templates.tvTopics->model()->rowCount(), 1);
        QCOMPARE(templates.tvTopics->model()->index(0, 0).data().toString(), QString("Templates"));
    }

private:
    void MakeWindow() { window = std::make_unique<TfrmMain>(*dialogs, *store); }

    void VerifyTreeCommandsOff() {
        TTreeCommands& t = window->TreeCommands();
        for (QAction* a : {t.tbAdd,
                           t.tbDelete,
                           t.tbMoveUp,
                           t.tbMoveDown,
                           t.tbMoveLeft,
                           t.tbMoveRight,
                           t.tbMoveRightAndAddHeading,
                           t.actUndo,
                           t.actRedo,
                           t.actOpenInEditor,
                           t.mnuAddBefore,
                           t.mnuAddAfter,
                           t.mnuAddChild,
                           t.mnuAddEnd,
                           t.mnuAddToc,
                           t.mnuAddNonContents,
                           t.mnuAddTemplates,
                           t.mnuChangeTitle,
                           t.mnuSortAll,
                           t.mnuSortFirst,
                           t.mnuDelete,
                           t.mnuSetDefault,
                           t.mnuSetHtmlHelpTemplate,
                           t.mnuSetWebHelpTemplate,
                           t.mnuNoTemplate})
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        QVERIFY(!window->edtFind->isEnabled());
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static void WriteFile(const QString& path, const QByteArray& text) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    static void Drop(TTopicTreeView* view, const QPoint& pos) {
        QMimeData mime;
        mime.setData(TopicMimeType, "1");
        QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(QPointF(pos), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &drop);
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TMemorySettingsStore> store;
    std::unique_ptr<TfrmMain> window;
};

} // namespace parvane

QTEST_MAIN(parvane::MainWindowTest)
#include "main_window_test.moc"
