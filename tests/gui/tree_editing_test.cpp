// The navigation pane as authors drive it from the keyboard: undo and redo of every tree
// command (checked on the project file the tree would be saved as), the keys of the tree
// and their menu entries, and find in the tree.

#include "editor/gui/html_edit_component.h"
#include "model/paths.h"
#include "test_dialogs.h"
#include "ui/gui/add_topic_dialog.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/recent_projects.h"
#include "ui/topic_editing.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace parvane {

namespace {

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

TTopicNode* Find(TTopicTree& tree, const QString& title) {
    TTopicNode* found = nullptr;
    tree.ForEach([&](TTopicNode* node) {
        if (!found && QString::fromStdString(node->Text()) == title)
            found = node;
    });
    return found;
}

// Top-level topics with pages; "A>x>y" gives A the children x and y.
QString WriteProject(const QString& folder, const QStringList& titles, int extra = 0) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.RootDir = folder.toStdString() + "/";
    for (const QString& entry : titles) {
        const QStringList parts = entry.split('>');
        TTopicNode* node =
            tree.AddTopicNode(tree.ContentsRoot(), parts[0].toStdString(), imLastChildOfReference,
                              tsLinked, 0, parts[0].toStdString() + ".htm");
        for (int i = 1; i < parts.size(); ++i)
            tree.AddTopicNode(node, parts[i].toStdString(), imLastChildOfReference, tsLinked, 0,
                              parts[i].toStdString() + ".htm");
    }
    for (int i = 0; i < extra; ++i)
        tree.AddTopicNode(tree.NonContentsRoot(), "Extra " + std::to_string(i),
                          imLastChildOfReference, tsNoLink, 0, "");
    tree.AddTopicNode(tree.TemplatesRoot(), "Layout", imLastChildOfReference, tsLinked, 0,
                      "layout.htm");
    const QString path = folder + "/tree.pvx";
    project.SaveToFile(path.toStdString());
    return path;
}

} // namespace

class TreeEditingTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        dialogs = std::make_unique<TTestDialogs>();
        store = std::make_unique<TMemorySettingsStore>();
        window = std::make_unique<TfrmMain>(*dialogs, *store);
        window->resize(900, 700);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() {
        if (window)
            window->Project().Modified = false;
        window.reset();
        QVERIFY2(dialogs->unexpected.isEmpty(), qPrintable(dialogs->unexpected.join(" | ")));
    }

    void everyTreeCommandUndoesAndRedoesThroughTheKeys() {
        Open({"A>a1>a2", "B", "C", "D"});
        TTreeCommands& t = window->TreeCommands();
        const auto step = [&](const char* what, const std::function<void()>& command) {
            const std::string before = File();
            command();
            const std::string after = File();
            QVERIFY2(before != after, what);
            FocusTree();
            QTest::keyClick(window->TreeView(), Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(File() == before, what);
            QTest::keyClick(window->TreeView(), Qt::Key_Y, Qt::ControlModifier);
            QVERIFY2(File() == after, what);
            QTest::keyClick(window->TreeView(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(File() == after, what); // Ctrl+Shift+Z redoes too: nothing left to redo
        };
        step("add", [&] {
            Select({"B"});
            dialogs->execs << [](QDialog& d) {
                auto* add = qobject_cast<TfrmAddNewTopic*>(&d);
                add->cbInsertMode->setCurrentIndex(aimAfter);
                return int(QDialog::Accepted);
            };
            t.tbAdd->trigger();
        });
        step("delete", [&] {
            Select({"C", "a1"});
            dialogs->answers << TAnswer::Yes;
            t.tbDelete->trigger();
        });
        step("move up", [&] {
            Select({"D"});
            t.tbMoveUp->trigger();
        });
        step("move down", [&] {
            Select({"A"});
            t.tbMoveDown->trigger();
        });
        step("move right", [&] {
            Select({"D"});
            t.tbMoveRight->trigger();
        });
        step("move left", [&] {
            Select({"a2"});
            t.tbMoveLeft->trigger();
        });
        step("heading", [&] {
            Select({"a2"});
            t.tbMoveRightAndAddHeading->trigger();
        });
        step("drag and drop", [&] {
            Select({"D"});
            const QRect b = Row("B");
            Drop(QPoint(b.left() + 10, b.top() + 1));
        });
        QCOMPARE(Shape(Tree().ContentsRoot()), QString("D,B,A,New Item(a2),New Item"));
        step("sort", [&] {
            Select({"Table of contents"});
            t.mnuSortAll->trigger();
        });
        step("rename in place", [&] {
            window->TreeModel()->setData(window->TreeModel()->IndexOf(Find(Tree(), "B")), "Bee");
        });
        step("default topic", [&] {
            Select({"D"});
            t.mnuSetDefault->trigger();
        });
        step("no link", [&] {
            Select({"D"});
            dialogs->answers << TAnswer::Yes;
            window->tbNoLink->trigger();
        });
        step("icon", [&] {
            Select({"A", "D"});
            window->TreeCommands().IconChosen(5);
        });
        step("template", [&] {
            Select({"Layout"});
            t.mnuSetWebHelpTemplate->trigger();
        });
        // The whole session goes back to the file as it was opened.
        while (t.actUndo->isEnabled())
            t.actUndo->trigger();
        QCOMPARE(QString::fromStdString(File()), QString::fromStdString(opened));
        QVERIFY(t.actRedo->isEnabled());
    }

    void typingATitleIsOneStep() {
        Open({"A", "B"});
        Select({"A"});
        const std::string before = File();
        window->edtTitle->setFocus();
        QTest::keyClicks(window->edtTitle, "xyz");
        QCOMPARE(QString::fromStdString(Find(Tree(), "Axyz")->Text()), QString("Axyz"));
        // Ctrl+Z in the title box is the box's own; the tree's undo is in the tree.
        FocusTree();
        QTest::keyClick(window->TreeView(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(File(), before);
        QCOMPARE(window->edtTitle->text(), QString("A"));
        QVERIFY(!window->TreeCommands().actUndo->isEnabled());
    }

    void fiveHundredDeletedTopicsComeBackWithOneUndo() {
        QStringList titles;
        for (int i = 0; i < 520; ++i)
            titles << QString("T%1").arg(i);
        Open(titles);
        std::vector<TTopicNode*> chosen;
        for (int i = 10; i < 510; ++i)
            chosen.push_back(Tree().ContentsRoot()->Child(i));
        Tree().SetSelections(chosen, chosen.front());
        const std::string before = File();
        dialogs->answers << TAnswer::Yes;
        FocusTree();
        QTest::keyClick(window->TreeView(), Qt::Key_Delete);
        QCOMPARE(Tree().ContentsRoot()->Count(), 20);
        // The next topic is selected, and no page is deleted with its topic.
        QCOMPARE(QString::fromStdString(Tree().Selected()->Text()), QString("T510"));
        QTest::keyClick(window->TreeView(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(File(), before);
        QCOMPARE(Tree().Selections().size(), std::size_t(500));
        QVERIFY(!window->TreeCommands().actUndo->isEnabled());
    }

    void theKeysOfTheTreeAndTheirMenuEntries() {
        QFile page(dir->path() + "/B.htm");
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><head><title>B</title></head><body><p>Page B</p></body></html>");
        page.close();
        Open({"A>a1", "B", "C"});
        TTreeCommands& t = window->TreeCommands();
        QMenu* topics = nullptr;
        for (QAction* menu : window->menuBar()->actions())
            if (menu->text() == "&Topics")
                topics = menu->menu();
        QVERIFY(topics);
        const QList<QAction*> entries = topics->actions();
        const auto listed = [&](QAction* a, const QKeySequence& key) {
            return entries.contains(a) && a->shortcuts().contains(key);
        };
        QVERIFY(listed(t.tbAdd, QKeySequence(Qt::Key_Insert)));
        QVERIFY(listed(t.tbDelete, QKeySequence(Qt::Key_Delete)));
        QVERIFY(listed(t.mnuChangeTitle, QKeySequence(Qt::Key_F2)));
        QVERIFY(listed(t.tbMoveUp, QKeySequence(Qt::CTRL | Qt::Key_Up)));
        QVERIFY(listed(t.tbMoveDown, QKeySequence(Qt::CTRL | Qt::Key_Down)));
        QVERIFY(listed(t.tbMoveLeft, QKeySequence(Qt::CTRL | Qt::Key_Left)));
        QVERIFY(listed(t.tbMoveRight, QKeySequence(Qt::CTRL | Qt::Key_Right)));
        QVERIFY(listed(t.actUndo, QKeySequence(Qt::CTRL | Qt::Key_Z)));
        QVERIFY(listed(t.actRedo, QKeySequence(Qt::CTRL | Qt::Key_Y)));
        QVERIFY(listed(t.actOpenInEditor, QKeySequence(Qt::Key_Return)));

        TTopicTreeView* view = window->TreeView();
        Select({"B"});
        FocusTree();
        QTest::keyClick(view, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(Shape(Tree().ContentsRoot()), QString("B,A(a1),C"));
        QTest::keyClick(view, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(view, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(Shape(Tree().ContentsRoot()), QString("A(a1,B),C"));
        QTest::keyClick(view, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(Shape(Tree().ContentsRoot()), QString("A(a1),B,C"));

        // Delete asks first; No keeps everything.
        dialogs->answers << TAnswer::No;
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(dialogs->questions.back().text, QString("Are you sure to delete the selections?"));
        QCOMPARE(Shape(Tree().ContentsRoot()), QString("A(a1),B,C"));

        // Insert opens the add dialog.
        QTest::keyClick(view, Qt::Key_Insert);
        QCOMPARE(dialogs->dialogNames.back(), QString("frmAddNewTopic"));

        // F2 renames in place; Enter there ends the rename and stays in the tree.
        QTest::keyClick(view, Qt::Key_F2);
        QVERIFY(view->Editing());
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != view);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, "Renamed");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!view->Editing());
        QVERIFY(Find(Tree(), "Renamed"));
        QVERIFY(!window->EditorPane()->isAncestorOf(QApplication::focusWidget()));

        // Enter on a topic opens its page with the keyboard in the editor.
        FocusTree();
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(window->EditorPane()->ActiveTab(), TEditorTab::Edit);
        QCOMPARE(window->EditorPane()->ShownTopic(), Find(Tree(), "Renamed"));
        QTRY_VERIFY(window->EditorPane()->isAncestorOf(QApplication::focusWidget()));
        QVERIFY(!view->hasFocus());
    }

    void findNarrowsTheTreeToMatchesAndTheirAncestors() {
        Open({"Intro", "Guide>Install>Usage", "Index"}); // Guide(Install,Usage)
        Find(Tree(), "Usage")->Data().Keywords = "first steps\r\nopening files";
        TTopicTreeView* view = window->TreeView();
        TTopicTreeModel* model = window->TreeModel();
        const auto hidden = [&](const QString& title) {
            const QModelIndex index = model->IndexOf(Find(Tree(), title));
            return view->isRowHidden(index.row(), index.parent());
        };
        QVERIFY(!view->isExpanded(model->IndexOf(Find(Tree(), "Guide"))));

        window->edtFind->setFocus();
        QTest::keyClicks(window->edtFind, "OPENING");
        QTRY_COMPARE(view->Filter(), QString("OPENING"));
        QVERIFY(hidden("Intro") && hidden("Index") && hidden("Layout") && hidden("Install"));
        QVERIFY(!hidden("Guide") && !hidden("Usage"));
        QVERIFY(view->isExpanded(model->IndexOf(Find(Tree(), "Guide"))));
        // The topics keep their own expanded state (saved with the project).
        QVERIFY(!Find(Tree(), "Guide")->Expanded());

        // File names match too.
        window->edtFind->setText("index.htm");
        QTRY_COMPARE(view->Filter(), QString("index.htm"));
        QVERIFY(!hidden("Index") && hidden("Guide") && hidden("Intro"));

        // Cleared: the whole tree as it was.
        window->edtFind->clear();
        QTRY_VERIFY(view->Filter().isEmpty());
        for (const char* title : {"Intro", "Guide", "Install", "Usage", "Index", "Layout"})
            QVERIFY2(!hidden(title), title);
        QVERIFY(!view->isExpanded(model->IndexOf(Find(Tree(), "Guide"))));

        // A tree command while a find is on keeps the tree narrowed.
        window->edtFind->setText("tro");
        QTRY_COMPARE(view->Filter(), QString("tro"));
        Select({"Index"});
        window->TreeCommands().tbMoveUp->trigger();
        QCOMPARE(Shape(Tree().ContentsRoot()), QString("Intro,Index,Guide(Install,Usage)"));
        // The moved topic is the author's selection: it stays in sight.
        QVERIFY(!hidden("Intro") && !hidden("Index") && hidden("Guide"));
        Select({"Intro"});
        window->edtFind->setText("tr");
        QTRY_COMPARE(view->Filter(), QString("tr"));
        QVERIFY(hidden("Index") && hidden("Guide"));
    }

private:
    TTopicTree& Tree() { return window->Tree(); }
    std::string File() const { return window->Project().SaveToText("/srv/tree.pvx"); }

    void Open(const QStringList& titles) {
        QVERIFY(window->ProjectCommands().OpenProjectFile(WriteProject(dir->path(), titles)));
        opened = File();
    }

    void Select(const QStringList& titles) {
        std::vector<TTopicNode*> nodes;
        for (const QString& title : titles)
            nodes.push_back(Find(Tree(), title));
        Tree().SetSelections(nodes, nodes.front());
    }

    void FocusTree() {
        window->TreeView()->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY(window->TreeView()->hasFocus());
    }

    QRect Row(const QString& title) {
        return window->TreeView()->visualRect(window->TreeModel()->IndexOf(Find(Tree(), title)));
    }

    void Drop(const QPoint& pos) {
        QWidget* viewport = window->TreeView()->viewport();
        QMimeData mime;
        mime.setData(TopicMimeType, "1");
        QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        QDropEvent drop(QPointF(pos), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<TTestDialogs> dialogs;
    std::unique_ptr<TMemorySettingsStore> store;
    std::unique_ptr<TfrmMain> window;
    std::string opened;
};

} // namespace parvane

QTEST_MAIN(parvane::TreeEditingTest)
#include "tree_editing_test.moc"
