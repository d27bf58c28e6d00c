#pragma once
// The navigation pane's commands as the author reaches them: the pane's toolbar, the
// context menu pmLeft, drag and drop, the icon box and the link buttons of the property
// bar. The rules are the core's (ui/toc_commands.h); this class asks the questions,
// shows the dialogs and keeps the widgets' enabling in step.

#include "ui/toc_commands.h"

#include <QObject>

class QAction;
class QMenu;

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
    // Runs a structural command and refreshes the widgets that depend on the tree.
    template <typename Fn> void Structural(Fn command);
    template <typename Fn> void TemplateCommand(Fn command);

    TfrmMain& main_;
};

} // namespace parvane
