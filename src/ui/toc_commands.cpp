#include "ui/toc_commands.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <locale>
#include <unordered_map>
#include <unordered_set>

namespace parvane {

namespace {

// One repaint per command: everything between construction and destruction reaches the
// view as a single structure change.
class TTreeUpdate {
public:
    explicit TTreeUpdate(TTopicTree& tree) : tree_(tree) { tree_.BeginUpdate(); }
    ~TTreeUpdate() { tree_.EndUpdate(); }
    TTreeUpdate(const TTreeUpdate&) = delete;
    TTreeUpdate& operator=(const TTreeUpdate&) = delete;

private:
    TTopicTree& tree_;
};

// Sibling indexes from the root down: comparing two of them orders nodes as the tree
// lists them from top to bottom.
std::vector<int> TreePath(const TTopicNode* node) {
    std::vector<int> path;
    for (; node; node = node->Parent())
        path.push_back(node->Index());
    std::reverse(path.begin(), path.end());
    return path;
}

void SortInTreeOrder(std::vector<TTopicNode*>& nodes) {
    std::vector<std::pair<std::vector<int>, TTopicNode*>> keyed;
    keyed.reserve(nodes.size());
    for (TTopicNode* node : nodes)
        keyed.emplace_back(TreePath(node), node);
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < keyed.size(); ++i)
        nodes[i] = keyed[i].second;
}

// Groups the movable nodes by parent, keeping tree order inside each group.
std::vector<std::pair<TTopicNode*, std::vector<TTopicNode*>>>
ByParent(const std::vector<TTopicNode*>& movable) {
    std::vector<std::pair<TTopicNode*, std::vector<TTopicNode*>>> groups;
    std::unordered_map<TTopicNode*, std::size_t> slot;
    for (TTopicNode* node : movable) {
        auto [it, added] = slot.emplace(node->Parent(), groups.size());
        if (added)
            groups.emplace_back(node->Parent(), std::vector<TTopicNode*>{});
        groups[it->second].second.push_back(node);
    }
    return groups;
}

void FinishCommand(TPvx& project, const TMovableSelection& selection, TTopicNode* focused) {
    TTopicTree& tree = project.Tree();
    TTopicNode* focus = nullptr;
    if (focused &&
        std::find(selection.Full.begin(), selection.Full.end(), focused) != selection.Full.end())
        focus = focused;
    else if (!selection.Full.empty())
        focus = selection.Full.front();
    tree.SetSelections(selection.Full, focus);
    project.UpdateTopicImages();
    project.Modified = true;
}

void MoveRight(TTopicTree& tree, const std::vector<TTopicNode*>& movable) {
    // The node above a topic in the whole tree is its parent (then it is a first child and
    // stays) or the last descendant of its previous sibling, whose level-mate is that
    // previous sibling: the topic becomes that sibling's last child.
    for (TTopicNode* node : movable) {
        if (TTopicNode* previous = node->PrevSibling())
            tree.MoveNode(node, previous, -1);
    }
}

// What is selected after the movable nodes are deleted: the sibling after the first of
// them that stays, else the one before it, else its parent.
TTopicNode* TopicAfterDeletion(const std::vector<TTopicNode*>& movable) {
    if (movable.empty())
        return nullptr;
    const std::unordered_set<const TTopicNode*> going(movable.begin(), movable.end());
    TTopicNode* first = movable.front();
    for (TTopicNode* next = first->NextSibling(); next; next = next->NextSibling())
        if (!going.count(next))
            return next;
    for (TTopicNode* previous = first->PrevSibling(); previous; previous = previous->PrevSibling())
        if (!going.count(previous))
            return previous;
    return first->Parent();
}

} // namespace

std::string TocTexts::OutsideRootQuestion(const std::string& path) {
    return "\"" + path +
           "\" is out of project root folder, so it cannot be packd into chm file. Continue?";
}

// ---- selection -------------------------------------------------------------------------

TMovableSelection CollectMovableSelection(const TTopicTree& tree) {
    TMovableSelection result;
    for (TTopicNode* node : tree.Selections()) {
        if (node && !node->IsRoot())
            result.Full.push_back(node);
    }
    SortInTreeOrder(result.Full);
    // In tree order a node's descendants follow it directly, so a node lies below an
    // earlier kept node exactly when it lies below the last kept one.
    TTopicNode* lastKept = nullptr;
    for (TTopicNode* node : result.Full) {
        if (lastKept && node->HasAsParent(lastKept))
            continue;
        result.Movable.push_back(node);
        lastKept = node;
    }
    return result;
}

void RestoreSelection(TTopicTree& tree, const std::vector<TTopicNode*>& nodes) {
    tree.SetSelections(nodes, nodes.empty() ? nullptr : nodes.front());
}

// ---- structure -------------------------------------------------------------------------

int DeleteSelection(TPvx& project) {
    TTopicTree& tree = project.Tree();
    const TMovableSelection selection = CollectMovableSelection(tree);
    if (selection.Movable.empty())
        return 0;
    TTreeUpdate update(tree);
    TTopicNode* next = TopicAfterDeletion(selection.Movable);
    for (TTopicNode* node : selection.Movable)
        tree.DeleteNode(node);
    // The author goes on where the topics were rather than with nothing selected.
    if (next)
        tree.Select(next);
    project.UpdateTopicImages();
    project.Modified = true;
    return static_cast<int>(selection.Movable.size());
}

namespace {

// Moves every selected topic one place among its siblings (step -1 up, +1 down), swapping
// it with an unselected neighbour: topics are taken in the direction of the move, so every
// run of selected siblings moves as a block and a run already at the end stays. Each
// parent's children are rearranged in a plain array and applied once.
void MoveSelectionBy(TPvx& project, int step) {
    TTopicTree& tree = project.Tree();
    const TMovableSelection selection = CollectMovableSelection(tree);
    if (selection.Movable.empty())
        return;
    TTopicNode* focused = tree.Selected();
    const std::unordered_set<const TTopicNode*> full(selection.Full.begin(), selection.Full.end());
    TTreeUpdate update(tree);
    for (auto& [parent, nodes] : ByParent(selection.Movable)) {
        std::vector<TTopicNode*> order;
        std::unordered_map<const TTopicNode*, int> position;
        for (int i = 0; i < parent->Count(); ++i) {
            order.push_back(parent->Child(i));
            position[parent->Child(i)] = i;
        }
        const int count = static_cast<int>(order.size());
        const auto moveOne = [&](TTopicNode* node) {
            const int i = position[node];
            const int target = i + step;
            if (target < 0 || target >= count ||
                full.count(order[static_cast<std::size_t>(target)]))
                return;
            TTopicNode* neighbour = order[static_cast<std::size_t>(target)];
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(target)]);
            position[node] = target;
            position[neighbour] = i;
        };
        if (step < 0)
            std::for_each(nodes.begin(), nodes.end(), moveOne);
        else
            std::for_each(nodes.rbegin(), nodes.rend(), moveOne);
        std::vector<int> newOrder;
        newOrder.reserve(order.size());
        for (TTopicNode* node : order)
            newOrder.push_back(node->Index());
        tree.ReorderChildren(parent, newOrder);
    }
    FinishCommand(project, selection, focused);
}

} // namespace

void MoveSelectionUp(TPvx& project) {
    MoveSelectionBy(project, -1);
}

void MoveSelectionDown(TPvx& project) {
    MoveSelectionBy(project, +1);
}

void MoveSelectionRight(TPvx& project) {
    TTopicTree& tree = project.Tree();
    const TMovableSelection selection = CollectMovableSelection(tree);
    if (selection.Movable.empty())
        return;
    TTopicNode* focused = tree.Selected();
    TTreeUpdate update(tree);
    MoveRight(tree, selection.Movable);
    FinishCommand(project, selection, focused);
}

void MoveSelectionLeft(TPvx& project) {
    TTopicTree& tree = project.Tree();
    const TMovableSelection selection = CollectMovableSelection(tree);
    if (selection.Movable.empty())
        return;
    TTopicNode* focused = tree.Selected();
    TTreeUpdate update(tree);
    // Last first, so several siblings land after their parent in their own order.
    for (auto it = selection.Movable.rbegin(); it != selection.Movable.rend(); ++it) {
        TTopicNode* node = *it;
        if (node->Level() <= 1)
            continue; // directly below a group
        TTopicNode* parent = node->Parent();
        tree.MoveNode(node, parent->Parent(), parent->Index() + 1);
    }
    FinishCommand(project, selection, focused);
}

TTopicNode* MoveRightAndAddHeading(TPvx& project) {
    TTopicTree& tree = project.Tree();
    const TMovableSelection selection = CollectMovableSelection(tree);
    if (selection.Movable.empty())
        return nullptr;
    TTopicNode* focused = tree.Selected();
    TTreeUpdate update(tree);
    TTopicNode* heading = tree.AddTopicNode(selection.Movable.front(), TocTexts::NewItem,
                                            imBeforeReference, tsNoLink, 0, "");
    MoveRight(tree, selection.Movable);
    FinishCommand(project, selection, focused);
    return heading;
}

DropMode DropModeAt(const TTopicNode* target, int rowY, int rowHeight) {
    if (!target || target->IsRoot())
        return DropMode::AsChild;
    if (rowHeight <= 0)
        rowHeight = 16;
    const int r = ((rowY % rowHeight) + rowHeight) % rowHeight;
    if (r * 16 < 4 * rowHeight)
        return DropMode::Before;
    if (r * 16 >= 11 * rowHeight)
        return DropMode::After;
    return DropMode::AsChild;
}

bool CanDropOn(const TTopicTree& tree, const TTopicNode* target) {
    if (!target || tree.IsSelected(target))
        return false;
    const TTopicNode* focused = tree.Selected();
    return focused && !focused->IsRoot();
}

bool DropSelection(TPvx& project, TTopicNode* target, DropMode mode) {
    TTopicTree& tree = project.Tree();
    if (!target)
        return false;
    if (target->IsRoot())
        mode = DropMode::AsChild;
    const TMovableSelection selection = CollectMovableSelection(tree);
    if (selection.Movable.empty())
        return false;
    TTopicNode* focused = tree.Selected();
    const std::unordered_set<const TTopicNode*> movable(selection.Movable.begin(),
                                                        selection.Movable.end());
    // The place "after" the target, fixed before anything moves: its next sibling that
    // is not itself being moved (a moved one would reverse the order of the selection).
    TTopicNode* after = target->NextSibling();
    while (after && movable.count(after))
        after = after->NextSibling();

    TTreeUpdate update(tree);
    bool moved = false;
    for (TTopicNode* node : selection.Movable) {
        if (node == target || target->HasAsParent(node))
            continue; // never into its own subtree
        switch (mode) {
        case DropMode::Before:
            tree.MoveNode(node, target->Parent(), target->Index());
            break;
        case DropMode::AsChild:
            tree.MoveNode(node, target, -1);
            break;
        case DropMode::After:
            if (after)
                tree.MoveNode(node, after->Parent(), after->Index());
            else
                tree.MoveNode(node, target->Parent(), -1);
            break;
        }
        moved = true;
    }
    FinishCommand(project, selection, focused);
    return moved;
}

int AutoScrollDirection(int x, int y, int width, int height, const TScrollRoom& room) {
    if (y > height - 40 && room.Down)
        return sdDown;
    if (y < 24 && room.Up)
        return sdUp;
    if (x < 40 && room.Left)
        return sdLeft;
    if (x > width - 24 && room.Right)
        return sdRight;
    return sdNone;
}

void SortChildren(TPvx& project, TTopicNode* node, bool allLevels, const TitleCompare& compare) {
    if (!node)
        return;
    TTopicTree& tree = *node->Owner();
    TTreeUpdate update(tree);
    std::vector<TTopicNode*> work{node};
    while (!work.empty()) {
        TTopicNode* parent = work.back();
        work.pop_back();
        std::vector<int> order(static_cast<std::size_t>(parent->Count()));
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = static_cast<int>(i);
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            return compare(parent->Child(a)->Text(), parent->Child(b)->Text()) < 0;
        });
        tree.ReorderChildren(parent, order);
        if (allLevels) {
            for (int i = 0; i < parent->Count(); ++i)
                work.push_back(parent->Child(i));
        }
    }
    project.Modified = true;
}

int LocaleCompare(const std::string& a, const std::string& b) {
    static const std::locale locale = [] {
        try {
            return std::locale("");
        } catch (const std::exception&) {
            return std::locale::classic();
        }
    }();
    // The C locales collate by code point, which puts every capital before "a".
    const std::string name = locale.name();
    if (name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0)
        return StringFunc::CompareText(a, b);
    const auto& collate = std::use_facet<std::collate<char>>(locale);
    return collate.compare(a.data(), a.data() + a.size(), b.data(), b.data() + b.size());
}

namespace {
template <typename Fn> void ForSubtree(TTopicNode* node, Fn fn) {
    std::vector<TTopicNode*> work{node};
    while (!work.empty()) {
        TTopicNode* n = work.back();
        work.pop_back();
        fn(n);
        for (int i = 0; i < n->Count(); ++i)
            work.push_back(n->Child(i));
    }
}
} // namespace

void ExpandAll(TTopicNode* node) {
    if (!node)
        return;
    TTreeUpdate update(*node->Owner());
    ForSubtree(node, [](TTopicNode* n) { n->Expand(); });
}

void CollapseAll(TTopicNode* node) {
    if (!node)
        return;
    TTreeUpdate update(*node->Owner());
    ForSubtree(node, [](TTopicNode* n) { n->Collapse(); });
}

bool RenameTopic(TPvx& project, TTopicNode* node, const std::string& title) {
    if (!node || node->IsRoot())
        return false;
    if (node->Text() != title) {
        node->SetText(title);
        project.Modified = true;
    }
    return true;
}

void SetAsDefaultTopic(TPvx& project, TTopicNode* node) {
    if (!node)
        return;
    if (node->Data().Status == tsUnsaved)
        throw EParvaneError(TocTexts::RefuseUnsavedDefault);
    if (node->Data().Status == tsNoLink)
        throw EParvaneError(TocTexts::RefuseNoLinkDefault);
    project.ProjectSettings.DefaultTopic = node->Data().Url;
    project.Modified = true;
}

void SetIconOfSelection(TPvx& project, int icon) {
    TTopicTree& tree = project.Tree();
    TTreeUpdate update(tree);
    bool changed = false;
    for (TTopicNode* node : tree.Selections()) {
        if (node && !node->IsRoot()) {
            node->Data().Icon = icon;
            changed = true;
        }
    }
    if (!changed)
        return;
    project.UpdateTopicImages();
    project.Modified = true;
}

int CommonIconOfSelection(const TTopicTree& tree) {
    int icon = -1;
    bool first = true;
    for (const TTopicNode* node : tree.Selections()) {
        if (!node || node->IsRoot())
            continue;
        if (first) {
            icon = node->Data().Icon;
            first = false;
        } else if (node->Data().Icon != icon) {
            return -1;
        }
    }
    return icon;
}

// ---- links ---------------------------------------------------------------------------------

void LinkToBlankPage(TPvx& project, TTopicNode* node) {
    if (!node || node->IsRoot())
        return;
    node->Data().Status = tsUnsaved;
    project.Modified = true;
}

void MakeNoLink(TPvx& project, TTopicNode* node) {
    if (!node || node->IsRoot())
        return;
    node->Data().Status = tsNoLink;
    project.Modified = true;
}

TExistingPageLink ExistingPageLink(const std::string& rootFolder, const std::string& path) {
    TExistingPageLink link;
    if (!rootFolder.empty() && StringFunc::StartsWithText(path, rootFolder)) {
        link.Url = Paths::PathToUrl(rootFolder, path);
    } else {
        link.Url = path;
        link.Outside = true;
    }
    return link;
}

void LinkToExistingPage(TPvx& project, TTopicNode* node, const std::string& url) {
    if (!node || node->IsRoot())
        return;
    node->Data().Status = tsLinked;
    node->Data().Url = url;
    project.Modified = true;
}

// ---- add ------------------------------------------------------------------------------------

namespace {
// The group index (0..2) a node lies in.
int GroupOf(const TTopicNode* node) {
    return node->RootGroup()->Index();
}
} // namespace

TAddDialogPreset AddDialogPreset(const TTopicTree& tree, int entry) {
    TAddDialogPreset preset;
    const TTopicNode* selected = tree.Selected();
    if (selected)
        preset.HomeKind = selected->IsRoot() ? -(GroupOf(selected) + 1) : GroupOf(selected);
    if (entry >= 10 && entry <= 12) {
        preset.Page = entry - 10;
    } else {
        preset.Page = selected ? GroupOf(selected) : 0;
        switch (entry) {
        case 1:
            preset.InsertMode = aimBefore;
            break;
        case 2:
            preset.InsertMode = aimAfter;
            break;
        case 3:
            preset.InsertMode = aimChild;
            break;
        case 4:
            preset.InsertMode = aimEnd;
            break;
        default:
            break;
        }
    }
    return preset;
}

bool AddModesEnabled(int homeKind, int page) {
    return homeKind >= 0 && homeKind == page;
}

std::string TitleOfFile(const std::string& path, int titleMode) {
    const std::string name = Paths::ExtractFileName(path);
    switch (titleMode) {
    case 2: {
        const std::string ext = Paths::ExtractFileExt(name);
        return name.substr(0, name.size() - ext.size());
    }
    case 3:
        return name;
    default:
        try {
            return StringFunc::GetHtmlTitle(StringFunc::LoadTextFile(path));
        } catch (const EParvaneError&) {
            return StringFunc::GetHtmlTitle("");
        }
    }
}

std::vector<TTopicNode*> AddTopics(TPvx& project, const TAddRequest& request) {
    TTopicTree& tree = project.Tree();
    std::vector<TTopicNode*> added;
    const int page = std::clamp(request.Page, 0, 2);
    TTopicNode* group = tree.Root(page);
    TTopicNode* selected = tree.Selected();
    TTopicNode* reference = group;
    int mode = imLastChildOfReference;
    if (selected && !selected->IsRoot() && selected->RootGroup() == group) {
        reference = selected->Parent();
        mode = std::clamp(request.InsertMode, 0, 3);
    }
    const std::string title = page == 2 ? TocTexts::NewTemplate : TocTexts::NewItem;

    TTreeUpdate update(tree);
    switch (request.ItemType) {
    case AddItemType::BlankPages:
    case AddItemType::NoLink: {
        const int status = request.ItemType == AddItemType::NoLink ? tsNoLink : tsUnsaved;
        const int count = std::clamp(request.Count, 1, 999);
        for (int i = 0; i < count; ++i)
            added.push_back(tree.AddTopicNode(reference, title, mode, status, 0, ""));
        break;
    }
    case AddItemType::ExistingFiles: {
        const std::string root = project.RootFolder();
        for (const std::string& file : request.Files) {
            // Pages outside the root keep a relative address with ".." steps.
            const std::string url =
                Paths::IsBelow(file, root)
                    ? Paths::PathToUrl(root, file)
                    : StringFunc::ToBackslashes(Paths::RelativePath(file, root));
            added.push_back(tree.AddTopicNode(reference, TitleOfFile(file, request.TitleMode), mode,
                                              tsLinked, 0, url));
        }
        break;
    }
    }
    if (!added.empty()) {
        project.Modified = true;
        project.UpdateTopicImages();
        std::vector<TTopicNode*> inTreeOrder = added;
        SortInTreeOrder(inTreeOrder);
        tree.SetSelections(inTreeOrder, added.front());
    }
    return added;
}

// ---- enabling ---------------------------------------------------------------------------------

TSelectionState CheckMultiSelectionStatus(const TTopicTree& tree) {
    TSelectionState state;
    const auto& selections = tree.Selections();
    const TTopicNode* focused = tree.Selected();
    state.MoveButtons = !selections.empty();
    if (focused && !focused->IsRoot() && !selections.empty()) {
        if (selections.size() == 1) {
            state.TitleAndUrl = true;
            state.ClearTitleAndUrl = false;
            state.LinkButtons = true;
            state.GreyLabels = false;
            state.IconBox = true;
            state.CommonIcon = selections.front()->IsRoot() ? -1 : selections.front()->Data().Icon;
            state.LockEditor = false;
            if (!selections.front()->IsRoot())
                state.ShowTopic = selections.front();
        } else {
            state.IconBox = true;
            state.CommonIcon = CommonIconOfSelection(tree);
        }
    }
    const bool tocTopic = focused && !focused->IsRoot() && GroupOf(focused) == 0;
    if (!tocTopic)
        state.IconBox = false;
    state.PreviewBar = tocTopic;
    return state;
}

TPopupState PopupState(const TTopicNode* selected) {
    TPopupState state;
    if (!selected)
        return state;
    const int group = GroupOf(selected);
    if (selected->IsRoot()) {
        state.AddToc = group == 0;
        state.AddNonContents = group == 1;
        state.AddTemplates = group == 2;
        state.NoTemplate = group == 2;
        return state;
    }
    state.AddRelative = true;
    state.Delete = true;
    if (group == 2) {
        state.SetHtmlHelpTemplate = true;
        state.SetWebHelpTemplate = true;
        state.NoTemplate = true;
    } else {
        state.SetDefault = true;
    }
    return state;
}

std::string TemplateHint(const TTopicNode* node) {
    if (!node || node->IsRoot() || GroupOf(node) != 2)
        return "";
    switch (node->ImageIndex()) {
    case imgHtmlHelpTemplate:
        return "For HTML Help";
    case imgWebHelpTemplate:
        return "For Web Help";
    case imgBothTemplates:
        return "For HTML Help and Web Help";
    default:
        return "";
    }
}

} // namespace parvane
