#pragma once
// The commands on the topic tree: add, delete, the four moves, drag and drop, sort,
// expand and collapse, rename, the default topic, the link commands, and the rules that
// enable the tree pane's buttons and menu entries. No widget here: the navigation pane
// asks its questions, then calls these, so every rule is tested without a display.
//
// Every structural command runs inside one BeginUpdate/EndUpdate of the tree, so a view
// repaints once, and is linear in the number of topics it touches.

#include "model/project_file.h"

#include <functional>
#include <string>
#include <vector>

namespace parvane {

// The questions and refusals of the tree commands, as the author reads them.
namespace TocTexts {
inline constexpr const char* AskDelete = "Are you sure to delete the selections?";
inline constexpr const char* AskLinkNew = "Are you sure to link to a blank page?";
inline constexpr const char* AskNoLink = "Are you sure to make this topic no-link?";
inline constexpr const char* RefuseUnsavedDefault = "Cannot set an unsaved topic as default.";
inline constexpr const char* RefuseNoLinkDefault = "Cannot set a no-link topic as default.";
inline constexpr const char* NewItem = "New Item";
inline constexpr const char* NewTemplate = "New Template";
// The question for a linked page outside the root folder.
std::string OutsideRootQuestion(const std::string& path);
} // namespace TocTexts

// ---- selection -------------------------------------------------------------------------

struct TMovableSelection {
    // Every selected topic (groups left out), in tree order: the selection a command
    // restores when it is done.
    std::vector<TTopicNode*> Full;
    // The topmost of them: those without a selected ancestor. Each carries its subtree.
    std::vector<TTopicNode*> Movable;
};

TMovableSelection CollectMovableSelection(const TTopicTree& tree);

// Sets the tree's selection to nodes, focusing the first (or nothing).
void RestoreSelection(TTopicTree& tree, const std::vector<TTopicNode*>& nodes);

// ---- structure -------------------------------------------------------------------------

// Deletes every movable selected topic with its subtree (page files stay on disk).
// Returns the number of topics removed from the selection's top level.
int DeleteSelection(TPvx& project);

void MoveSelectionUp(TPvx& project);
void MoveSelectionDown(TPvx& project);
void MoveSelectionRight(TPvx& project);
void MoveSelectionLeft(TPvx& project);
// Inserts a no-link "New Item" before the first selected topic and moves the selection
// under it. Returns the heading, or nullptr when nothing was selected.
TTopicNode* MoveRightAndAddHeading(TPvx& project);

enum class DropMode { AsChild = 0, Before = 1, After = 2 };

// The drop mode for a pointer rowY pixels below the top of target's row. The bands are
// 4 and 11 pixels of a 16-pixel row, scaled to the actual row height.
DropMode DropModeAt(const TTopicNode* target, int rowY, int rowHeight);
// Whether a drag of the tree's selection may end on target.
bool CanDropOn(const TTopicTree& tree, const TTopicNode* target);
// Moves the movable selection before, after or into target, keeping its order. A node is
// never moved into its own subtree. Returns whether anything moved.
bool DropSelection(TPvx& project, TTopicNode* target, DropMode mode);

// Auto-scroll while dragging: 0 none, 1 down, 2 up, 3 left, 4 right.
enum ScrollDirection { sdNone = 0, sdDown = 1, sdUp = 2, sdLeft = 3, sdRight = 4 };
struct TScrollRoom {
    bool Down = false, Up = false, Left = false, Right = false;
};
int AutoScrollDirection(int x, int y, int width, int height, const TScrollRoom& room);

// Sorts the children of node by title with compare (<0, 0, >0); all levels or only the
// first. Stable, so equal titles keep their order.
using TitleCompare = std::function<int(const std::string&, const std::string&)>;
void SortChildren(TPvx& project, TTopicNode* node, bool allLevels, const TitleCompare& compare);
// The locale's collation (std::collate of the user's locale), falling back to a
// comparison without regard to case when the locale is unusable.
int LocaleCompare(const std::string& a, const std::string& b);

// Expands or collapses node and every node below it; the images follow.
void ExpandAll(TTopicNode* node);
void CollapseAll(TTopicNode* node);

// Renames a topic (groups refuse, returning false) and marks the project modified.
bool RenameTopic(TPvx& project, TTopicNode* node, const std::string& title);

// Throws EParvaneError with the refusal for an unsaved or no-link topic.
void SetAsDefaultTopic(TPvx& project, TTopicNode* node);

// Writes icon into every selected topic and updates the images.
void SetIconOfSelection(TPvx& project, int icon);
// The icon common to all selected topics, or -1 when they differ or none is selected.
int CommonIconOfSelection(const TTopicTree& tree);

// ---- the link commands of the property bar ---------------------------------------------

void LinkToBlankPage(TPvx& project, TTopicNode* node);
void MakeNoLink(TPvx& project, TTopicNode* node);
struct TExistingPageLink {
    std::string Url;      // what the topic's Url becomes
    bool Outside = false; // the page lies outside the root: ask first
};
TExistingPageLink ExistingPageLink(const std::string& rootFolder, const std::string& path);
void LinkToExistingPage(TPvx& project, TTopicNode* node, const std::string& url);

// ---- the Add dialog ----------------------------------------------------------------------

enum class AddItemType { BlankPages = 0, ExistingFiles = 1, NoLink = 2 };

// Insert modes as the dialog lists them: end, before, after, child ("Append" when the
// box is greyed).
enum AddInsertMode { aimEnd = 0, aimBefore = 1, aimAfter = 2, aimChild = 3 };

// How the dialog opens for a given entry (toolbar 0, "Add before" 1 ... "Add end" 4,
// "Add pages to TOC..." 10, "Add unvisible pages..." 11, "Add templates..." 12).
struct TAddDialogPreset {
    int HomeKind = -1; // the selected node's Kind (-1..-3 for a group)
    int Page = 0;      // 0 contents, 1 non-contents, 2 templates
    int InsertMode = aimBefore;
};
TAddDialogPreset AddDialogPreset(const TTopicTree& tree, int entry);
// Whether the insert-mode box offers the four modes (true) or shows a greyed "Append".
bool AddModesEnabled(int homeKind, int page);

struct TAddRequest {
    int Page = 0;
    int InsertMode = aimBefore;
    AddItemType ItemType = AddItemType::BlankPages;
    int Count = 1;                  // blank pages and no-link headings, 1 to 999
    std::vector<std::string> Files; // existing pages, absolute, in the dialog's order
    int TitleMode = 1;              // 1 <title>, 2 name without extension, 3 file name
};

// Adds the requested topics and selects exactly them. Returns them in creation order.
std::vector<TTopicNode*> AddTopics(TPvx& project, const TAddRequest& request);
// A page's title by title mode (the import's rules).
std::string TitleOfFile(const std::string& path, int titleMode);

// ---- enabling -----------------------------------------------------------------------------

struct TSelectionState {
    bool MoveButtons = false; // the four moves, move-right-with-heading and Delete
    bool TitleAndUrl = false; // the title box and the URL box
    bool ClearTitleAndUrl = true;
    bool LinkButtons = false;
    bool GreyLabels = true;
    bool IconBox = false;
    int CommonIcon = -1; // shown in the icon box when it is enabled; -1 shows nothing
    bool LockEditor = true;
    bool PreviewBar = false;
    TTopicNode* ShowTopic = nullptr; // exactly one topic selected: show it
};
TSelectionState CheckMultiSelectionStatus(const TTopicTree& tree);

struct TPopupState {
    bool AddRelative = false;    // "Add before", "Add after", "Add child", "Add end"
    bool AddToc = false;         // "Add pages to TOC..."
    bool AddNonContents = false; // "Add unvisible pages..."
    bool AddTemplates = false;   // "Add templates..."
    bool Delete = false;
    bool SetDefault = false;
    bool SetHtmlHelpTemplate = false;
    bool SetWebHelpTemplate = false;
    bool NoTemplate = false;
};
TPopupState PopupState(const TTopicNode* selected);

// The hint shown by a template topic's image, or "".
std::string TemplateHint(const TTopicNode* node);

} // namespace parvane
