#include "ui/gui/tree_commands.h"

#include "editor/gui/html_edit_component.h"
#include "model/errors.h"
#include "model/paths.h"
#include "templates/gui/template_commands.h"
#include "ui/gui/add_topic_dialog.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/source_editor.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"

#include <QAction>
#include <QCollator>
#include <QMenu>
#include <QWidget>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TTreeCommands::TTreeCommands(TfrmMain& main) : QObject(&main), main_(main) {
    const auto action = [this](const QString& text, const QString& hint, auto slot) {
        auto* a = new QAction(text, this);
        if (!hint.isEmpty())
            a->setToolTip(hint);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    tbAdd = action("Add", "Add new item(s)", [this] { tbAddClick(0); });
    tbDelete = action("Delete", "Delete selection", [this] { tbDeleteClick(); });
    tbMoveUp = action("Up", "Move selection up", [this] { tbMoveUpClick(); });
    tbMoveDown = action("Down", "Move selection down", [this] { tbMoveDownClick(); });
    tbMoveLeft = action("Left", "Move selection left", [this] { tbMoveLeftClick(); });
    tbMoveRight = action("Right", "Move selection right", [this] { tbMoveRightClick(); });
    tbMoveRightAndAddHeading = action("Heading", "Move to right and add a heading",
                                      [this] { tbMoveRightAndAddHeadingClick(); });
    tbAdd->setObjectName("tbAdd");
    tbDelete->setObjectName("tbDelete");
    tbMoveUp->setObjectName("tbMoveUp");
    tbMoveDown->setObjectName("tbMoveDown");
    tbMoveLeft->setObjectName("tbMoveLeft");
    tbMoveRight->setObjectName("tbMoveRight");
    tbMoveRightAndAddHeading->setObjectName("tbMoveRightAndAddHeading");
    actUndo = action("Undo", {}, [this] { UndoClick(); });
    actRedo = action("Redo", {}, [this] { RedoClick(); });
    actOpenInEditor = action("Open in editor", "Edit the page of the selected topic",
                             [this] { OpenInEditorClick(); });
    actUndo->setObjectName("actUndo");
    actRedo->setObjectName("actRedo");
    actOpenInEditor->setObjectName("actOpenInEditor");

    pmLeft = new QMenu(&main);
    pmLeft->setObjectName("pmLeft");
    mnuAddBefore = pmLeft->addAction("Add before", this, [this] { tbAddClick(1); });
    mnuAddAfter = pmLeft->addAction("Add after", this, [this] { tbAddClick(2); });
    mnuAddChild = pmLeft->addAction("Add child", this, [this] { tbAddClick(3); });
    mnuAddEnd = pmLeft->addAction("Add end", this, [this] { tbAddClick(4); });
    mnuAddToc = pmLeft->addAction("Add pages to TOC...", this, [this] { tbAddClick(10); });
    mnuAddNonContents =
        pmLeft->addAction("Add unvisible pages...", this, [this] { tbAddClick(11); });
    mnuAddTemplates = pmLeft->addAction("Add templates...", this, [this] { tbAddClick(12); });
    pmLeft->addSeparator();
    mnuChangeTitle = pmLeft->addAction("Change title", this, [this] { ChangeTitleClick(); });
    pmLeft->addSeparator();
    mnuCollapse = pmLeft->addAction("Collaps", this, [this] { CollapseClick(); });
    mnuExpand = pmLeft->addAction("Expend", this, [this] { ExpandClick(); });
    QMenu* sort = pmLeft->addMenu("Sort");
    mnuSortAll = sort->addAction("All Subitems", this, [this] { SortClick(true); });
    mnuSortFirst = sort->addAction("First level subitems", this, [this] { SortClick(false); });
    pmLeft->addSeparator();
    mnuDelete = pmLeft->addAction("Delete", this, [this] { tbDeleteClick(); });
    pmLeft->addSeparator();
    mnuSetDefault =
        pmLeft->addAction("Set as default topic", this, [this] { mnuSetDefaultClick(); });
    mnuSetHtmlHelpTemplate = pmLeft->addAction("Set as HTML help template", this, [this] {
        TemplateCommand("HTML Help template",
                        [this] { mnuSetCHMTempClick(main_.Project(), main_.Dialogs()); });
    });
    mnuSetWebHelpTemplate = pmLeft->addAction("Set as Web help template", this, [this] {
        TemplateCommand("Web Help template",
                        [this] { mnuSetWebTempClick(main_.Project(), main_.Dialogs()); });
    });
    mnuNoTemplate = pmLeft->addAction("Don't use any template", this, [this] {
        TemplateCommand("No template", [this] { mnuDontuseClick(main_.Project()); });
    });
    SetProjectOpen(false);
}

void TTreeCommands::AttachShortcuts(QWidget* tree) {
    const auto key = [tree](QAction* action, QList<QKeySequence> keys) {
        action->setShortcuts(keys);
        // Only while the tree itself has the focus: the same keys edit the page, and the
        // box of an in-place rename keeps Enter, Delete and the arrows.
        action->setShortcutContext(Qt::WidgetShortcut);
        tree->addAction(action);
    };
    key(tbAdd, {QKeySequence(Qt::Key_Insert)});
    key(tbDelete, {QKeySequence(Qt::Key_Delete)});
    key(mnuChangeTitle, {QKeySequence(Qt::Key_F2)});
    key(tbMoveUp, {QKeySequence(Qt::CTRL | Qt::Key_Up)});
    key(tbMoveDown, {QKeySequence(Qt::CTRL | Qt::Key_Down)});
    key(tbMoveLeft, {QKeySequence(Qt::CTRL | Qt::Key_Left)});
    key(tbMoveRight, {QKeySequence(Qt::CTRL | Qt::Key_Right)});
    key(actUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    key(actRedo,
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    key(actOpenInEditor, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
}

void TTreeCommands::SetProjectOpen(bool open) {
    projectOpen_ = open;
    // Without a project nothing may change a tree that belongs to none, nor write a file
    // anywhere: the menus, the toolbar, the context menu and the keys all go dark.
    for (QAction* a : {tbAdd, actOpenInEditor, mnuAddBefore, mnuAddAfter, mnuAddChild, mnuAddEnd,
                       mnuAddToc, mnuAddNonContents, mnuAddTemplates, mnuChangeTitle, mnuCollapse,
                       mnuExpand, mnuSortAll, mnuSortFirst, mnuSetDefault, mnuSetHtmlHelpTemplate,
                       mnuSetWebHelpTemplate, mnuNoTemplate})
        a->setEnabled(open);
    if (!open) {
        for (QAction* a : {tbDelete, mnuDelete, tbMoveUp, tbMoveDown, tbMoveLeft, tbMoveRight,
                           tbMoveRightAndAddHeading})
            a->setEnabled(false);
    }
    UpdateHistoryActions();
}

void TTreeCommands::ClearHistory() {
    undo_.Clear();
    UpdateHistoryActions();
}

void TTreeCommands::UpdateHistoryActions() {
    actUndo->setEnabled(projectOpen_ && undo_.CanUndo());
    actRedo->setEnabled(projectOpen_ && undo_.CanRedo());
    actUndo->setText(undo_.CanUndo() ? "Undo " + Q(undo_.UndoName()) : QString("Undo"));
    actRedo->setText(undo_.CanRedo() ? "Redo " + Q(undo_.RedoName()) : QString("Redo"));
}

template <typename Fn> void TTreeCommands::TemplateCommand(const char* name, Fn command) {
    if (!projectOpen_)
        return;
    undo_.Record(main_.Project(), name, {}, false, command);
    UpdateHistoryActions();
    // The template images (and the hints) of the topics follow the project's settings.
    main_.Project().UpdateTopicImages();
    main_.TreeView()->viewport()->update();
    main_.CheckMultiSelectionStatus();
}

template <typename Fn>
void TTreeCommands::Structural(const char* name, const std::vector<TTopicNode*>& scope,
                               bool withChildren, Fn command) {
    if (!projectOpen_)
        return;
    try {
        undo_.Record(main_.Project(), name, scope, withChildren, [&] { command(main_.Project()); });
    } catch (const EParvaneError& e) {
        main_.Dialogs().Error(Q(e.what()));
    }
    UpdateHistoryActions();
    main_.CheckMultiSelectionStatus();
}

void TTreeCommands::tbAddClick(int entry) {
    if (!projectOpen_)
        return;
    TTopicTree& tree = main_.Tree();
    const TAddDialogPreset preset = AddDialogPreset(tree, entry);
    TfrmAddNewTopic dialog(preset, &main_);
    if (main_.Dialogs().Exec(dialog) != QDialog::Accepted)
        return;
    TAddRequest request = dialog.Request();
    // The new topics become the selection: the changed page is saved or dropped first.
    if (!main_.ProjectCommands().AskSaveTopic())
        return;
    if (dialog.PrebuiltTemplate()) {
        if (const TTemplateEntry* entry = dialog.ChosenTemplate()) {
            undo_.Record(main_.Project(), "Add template", AddScope(tree, 2), true, [&] {
                AddPrebuiltTemplateClick(&main_, main_.Project(), main_.Dialogs(), *entry,
                                         dialog.LibraryFolder(), request.InsertMode);
                main_.Project().UpdateTopicImages();
            });
            UpdateHistoryActions();
        }
        main_.CheckMultiSelectionStatus();
        return;
    }
    if (request.ItemType == AddItemType::ExistingFiles) {
        const QStringList files = main_.Dialogs().OpenFiles(
            "Select HTML files", Q(main_.Project().RootFolder()), Filters::Html);
        if (files.isEmpty())
            return;
        for (const QString& file : files)
            request.Files.push_back(file.toStdString());
    }
    Structural("Add", AddScope(tree, request.Page), true, [&](TPvx& project) {
        AddTopics(project, request);
        project.UpdateTopicImages();
    });
}

void TTreeCommands::tbDeleteClick() {
    if (!projectOpen_)
        return;
    if (main_.Dialogs().Ask(TocTexts::AskDelete, TButtons::YesNo) != TAnswer::Yes)
        return;
    if (!main_.ProjectCommands().AskSaveTopic())
        return;
    Structural("Delete", ParentsOfSelection(main_.Tree()), true,
               [](TPvx& project) { DeleteSelection(project); });
}

void TTreeCommands::tbMoveUpClick() {
    Structural("Move up", ParentsOfSelection(main_.Tree()), true,
               [](TPvx& project) { MoveSelectionUp(project); });
}

void TTreeCommands::tbMoveDownClick() {
    Structural("Move down", ParentsOfSelection(main_.Tree()), true,
               [](TPvx& project) { MoveSelectionDown(project); });
}

void TTreeCommands::tbMoveLeftClick() {
    Structural("Move left", GrandparentsOfSelection(main_.Tree()), true,
               [](TPvx& project) { MoveSelectionLeft(project); });
}

void TTreeCommands::tbMoveRightClick() {
    Structural("Move right", ParentsOfSelection(main_.Tree()), true,
               [](TPvx& project) { MoveSelectionRight(project); });
}

void TTreeCommands::tbMoveRightAndAddHeadingClick() {
    Structural("Add heading", ParentsOfSelection(main_.Tree()), true,
               [](TPvx& project) { MoveRightAndAddHeading(project); });
}

void TTreeCommands::DropSelection(TTopicNode* target, DropMode mode) {
    Structural("Drag and drop", DropScope(main_.Tree(), target, mode == DropMode::AsChild), true,
               [&](TPvx& project) { parvane::DropSelection(project, target, mode); });
}

void TTreeCommands::SortClick(bool allLevels) {
    TTopicNode* node = main_.Tree().Selected();
    if (!node)
        return;
    // The desktop's collation of the user's language.
    QCollator collator;
    collator.setNumericMode(true);
    Structural("Sort", {node}, true, [&](TPvx& project) {
        SortChildren(project, node, allLevels,
                     [&collator](const std::string& a, const std::string& b) {
                         return collator.compare(Q(a), Q(b));
                     });
    });
}

void TTreeCommands::ExpandClick() {
    if (TTopicNode* node = main_.Tree().Selected(); node && projectOpen_)
        ExpandAll(node);
}

void TTreeCommands::CollapseClick() {
    if (TTopicNode* node = main_.Tree().Selected(); node && projectOpen_)
        CollapseAll(node);
}

void TTreeCommands::ChangeTitleClick() {
    if (projectOpen_)
        main_.TreeView()->EditSelectedTitle();
}

bool TTreeCommands::Rename(TTopicNode* node, const std::string& title,
                           const std::string& mergeKey) {
    if (!projectOpen_ || !node || node->IsRoot())
        return false;
    bool renamed = false;
    undo_.Record(
        main_.Project(), "Rename", {node}, false,
        [&] { renamed = RenameTopic(main_.Project(), node, title); }, mergeKey);
    UpdateHistoryActions();
    return renamed;
}

void TTreeCommands::ChangeUrl(TTopicNode* node, const std::function<bool()>& change) {
    if (!projectOpen_ || !node || node->IsRoot())
        return;
    undo_.Record(
        main_.Project(), "Link change", {node}, false,
        [&] {
            if (change())
                main_.Project().Modified = true;
        },
        "url");
    UpdateHistoryActions();
}

void TTreeCommands::UndoClick() {
    if (!projectOpen_ || !undo_.CanUndo() || !main_.ProjectCommands().AskSaveTopic())
        return;
    // The shown topic may be rebuilt: the pane lets go of it first.
    main_.EditorPane()->ResetTopic();
    undo_.Undo(main_.Project());
    UpdateHistoryActions();
    main_.CheckMultiSelectionStatus();
}

void TTreeCommands::RedoClick() {
    if (!projectOpen_ || !undo_.CanRedo() || !main_.ProjectCommands().AskSaveTopic())
        return;
    main_.EditorPane()->ResetTopic();
    undo_.Redo(main_.Project());
    UpdateHistoryActions();
    main_.CheckMultiSelectionStatus();
}

void TTreeCommands::OpenInEditorClick() {
    TTopicTree& tree = main_.Tree();
    TTopicNode* node = tree.Selected();
    if (!projectOpen_ || !node || node->IsRoot() || tree.Selections().size() != 1)
        return;
    TTopicEditorPane* pane = main_.EditorPane();
    if (pane->ShownTopic() != node)
        pane->ShowTopic(node);
    // The page is edited in the editor or its source; the other tabs only show it.
    if (pane->ActiveTab() != TEditorTab::Source)
        pane->setCurrentIndex(static_cast<int>(TEditorTab::Edit));
    QWidget* view = pane->ActiveTab() == TEditorTab::Source ? static_cast<QWidget*>(pane->mmSource)
                                                            : static_cast<QWidget*>(pane->edtHTML);
    view->setFocus(Qt::OtherFocusReason);
}

void TTreeCommands::mnuSetDefaultClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!projectOpen_ || !node || node->IsRoot())
        return;
    try {
        undo_.Record(main_.Project(), "Default topic", {}, false,
                     [&] { SetAsDefaultTopic(main_.Project(), node); });
    } catch (const EParvaneError& e) {
        main_.Dialogs().Error(Q(e.what()));
    }
    UpdateHistoryActions();
    main_.TreeView()->viewport()->update();
}

void TTreeCommands::tbLinkNewClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!projectOpen_ || !node || node->IsRoot())
        return;
    if (node->Data().Status == tsLinked &&
        main_.Dialogs().Ask(TocTexts::AskLinkNew, TButtons::YesNo) != TAnswer::Yes)
        return;
    undo_.Record(main_.Project(), "Link to a blank page", {node}, false,
                 [&] { LinkToBlankPage(main_.Project(), node); });
    UpdateHistoryActions();
    main_.ShowTopicProperties(node);
    main_.EditorPane()->ShowTopic(node);
}

void TTreeCommands::tbNoLinkClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!projectOpen_ || !node || node->IsRoot())
        return;
    if (node->Data().Status == tsLinked &&
        main_.Dialogs().Ask(TocTexts::AskNoLink, TButtons::YesNo) != TAnswer::Yes)
        return;
    undo_.Record(main_.Project(), "No link", {node}, false,
                 [&] { MakeNoLink(main_.Project(), node); });
    UpdateHistoryActions();
    main_.ShowTopicProperties(node);
    main_.EditorPane()->ShowTopic(node);
}

void TTreeCommands::tbLinkExistentPageClick() {
    TTopicNode* node = main_.Tree().Selected();
    if (!projectOpen_ || !node || node->IsRoot())
        return;
    TPvx& project = main_.Project();
    const QString file = main_.Dialogs().OpenFile({}, Q(project.RootFolder()), Filters::Html);
    if (!file.isEmpty()) {
        const TExistingPageLink link = ExistingPageLink(project.RootFolder(), file.toStdString());
        if (!link.Outside ||
            main_.Dialogs().Ask(Q(TocTexts::OutsideRootQuestion(file.toStdString())),
                                TButtons::YesNo) == TAnswer::Yes) {
            undo_.Record(project, "Link to a page", {node}, false,
                         [&] { LinkToExistingPage(project, node, link.Url); });
            UpdateHistoryActions();
            main_.ShowTopicProperties(node);
            main_.EditorPane()->ShowTopic(node);
        }
    }
    project.Modified = true;
}

void TTreeCommands::IconChosen(int icon) {
    Structural("Icon", main_.Tree().Selections(), false,
               [icon](TPvx& project) { SetIconOfSelection(project, icon); });
}

void TTreeCommands::UpdatePopup() {
    const TPopupState state = PopupState(main_.Tree().Selected());
    for (QAction* a : {mnuAddBefore, mnuAddAfter, mnuAddChild, mnuAddEnd})
        a->setVisible(state.AddRelative);
    mnuAddToc->setVisible(state.AddToc);
    mnuAddNonContents->setVisible(state.AddNonContents);
    mnuAddTemplates->setVisible(state.AddTemplates);
    mnuDelete->setEnabled(state.Delete && projectOpen_);
    tbDelete->setEnabled(state.Delete && projectOpen_);
    mnuSetDefault->setVisible(state.SetDefault);
    mnuSetHtmlHelpTemplate->setVisible(state.SetHtmlHelpTemplate);
    mnuSetWebHelpTemplate->setVisible(state.SetWebHelpTemplate);
    mnuNoTemplate->setVisible(state.NoTemplate);
}

void TTreeCommands::pmLeftPopup(const QPoint& viewportPos) {
    if (!projectOpen_)
        return;
    TTopicTreeView* view = main_.TreeView();
    TTopicNode* node = view->NodeAt(viewportPos);
    // The node under the pointer becomes the focused one; a selection it belongs to
    // stays, so the menu's Delete acts on all of it.
    if (node && !main_.Tree().IsSelected(node))
        main_.Tree().Select(node);
    else if (node)
        main_.Tree().SetSelections(main_.Tree().Selections(), node);
    UpdatePopup();
    pmLeft->popup(view->viewport()->mapToGlobal(viewportPos));
}

} // namespace parvane
