#pragma once
// The navigation pane's commands as the author reaches them: the pane's toolbar, the
// context menu pmLeft, drag and drop, the icon box and the link buttons of the property
// bar. The rules are the core's (ui/toc_commands.h); this class asks the questions,
// shows the dialogs and keeps the widgets' enabling in step.

#include "ui/toc_commands.h"
#include "ui/toc_undo.h"

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace parvane {

class TfrmMain;

class TTreeCommands : public QObject {
    Q_OBJECT
public:
    explicit TTreeCommands(TfrmMain& main);

    // entry: toolbar 0, "Add before" 1 .. "Add end" 4, "Add pages to TOC..." 10,
    // "Add unvisible pages..." 11, "Add templates..." 12.
    void tbAddClick(int entry);
    void tbDeleteClick();
    void tbMoveUpClick();
    void tbMoveDownClick();
    void tbMoveLeftClick();
    void tbMoveRightClick();
    void tbMoveRightAndAddHeadingClick();
    void DropSelection(TTopicNode* target, DropMode mode);
    void SortClick(bool allLevels);
    void ExpandClick();
    void CollapseClick();
    void ChangeTitleClick();
    void mnuSetDefaultClick();
    void tbLinkNewClick();
    void tbNoLinkClick();
    void tbLinkExistentPageClick();
    void IconChosen(int icon);
    // Renames a topic as one step of the undo history; typing into one box in a row
    // (mergeKey) is one step.
    bool Rename(TTopicNode* node, const std::string& title, const std::string& mergeKey = {});
    // Changes a topic's link through the URL box, as one step per box.
    void ChangeUrl(TTopicNode* node, const std::function<bool()>& change);
    void UndoClick();
    void RedoClick();
    // Enter on a topic: its page in the editor, with the keyboard there.
    void OpenInEditorClick();
    // The commands with project (false: none of them can be used, whatever the selection).
    void SetProjectOpen(bool open);
    // A project was left: its history goes with it.
    void ClearHistory();
    // The selection moved on: typing a title afterwards starts a new step.
    void SelectionMoved() { undo_.CloseMerge(); }
    TTocUndoStack& History() { return undo_; }
    // The keys that act on the tree while it has the focus (Insert, Delete, F2, Ctrl+arrows,
    // Ctrl+Z, Ctrl+Y, Enter).
    void AttachShortcuts(QWidget* tree);

    // Shows pmLeft for the node at a point of the pane's viewport.
    void pmLeftPopup(const QPoint& viewportPos);
    // Sets the visibility of pmLeft's entries for the selected node.
    void UpdatePopup();

    // The pane's toolbar.
    QAction* tbAdd;
    QAction* tbDelete;
    QAction* tbMoveUp;
    QAction* tbMoveDown;
    QAction* tbMoveLeft;
    QAction* tbMoveRight;
    QAction* tbMoveRightAndAddHeading;
    QAction* actUndo;
    QAction* actRedo;
    QAction* actOpenInEditor;
    // pmLeft.
    QMenu* pmLeft;
    QAction* mnuAddBefore;
    QAction* mnuAddAfter;
    QAction* mnuAddChild;
    QAction* mnuAddEnd;
    QAction* mnuAddToc;
    QAction* mnuAddNonContents;
    QAction* mnuAddTemplates;
    QAction* mnuChangeTitle;
    QAction* mnuCollapse;
    QAction* mnuExpand;
    QAction* mnuSortAll;
    QAction* mnuSortFirst;
    QAction* mnuDelete;
    QAction* mnuSetDefault;
    QAction* mnuSetHtmlHelpTemplate;
    QAction* mnuSetWebHelpTemplate;
    QAction* mnuNoTemplate;

private:
    // Runs a command as one step of the history (see TTocUndoStack::Record) and refreshes
    // the widgets that depend on the tree.
    template <typename Fn>
    void Structural(const char* name, const std::vector<TTopicNode*>& scope, bool withChildren,
                    Fn command);
    template <typename Fn> void TemplateCommand(const char* name, Fn command);
    void UpdateHistoryActions();

    TfrmMain& main_;
    TTocUndoStack undo_;
    bool projectOpen_ = false;
};

} // namespace parvane
