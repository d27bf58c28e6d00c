// The main window on the offscreen platform: the start dialog, the project commands
// with their questions, recent projects, window state, the no-project state and the
// navigation pane's drag and drop.

#include "model/paths.h"
#include "test_dialogs.h"
#include "ui/gui/add_topic_dialog.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/select_topic_dialog.h"
#include "ui/gui/start_dialog.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/recent_projects.h"
#include "wizard/gui/new_project_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDragMoveEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
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
            // The folder holds pages: the search is offered.
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
        QCOMPARE(dialogs->proposedNames, QStringList{"A_B_ C.pvx"});
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
