#include "model/topic_tree.h"

#include "model/errors.h"

#include <algorithm>
#include <stdexcept>

namespace parvane {

namespace {

// Expanding moves a closed image of a pair to its open partner; collapsing the reverse.
int OpenImageOf(int image) {
    switch (image) {
    case 0:
    case 2:
    case 4:
    case 6:
    case imgRootClosed:
    case imgGroupClosed:
        return image + 1;
    default:
        return image;
    }
}

int ClosedImageOf(int image) {
    switch (image) {
    case 1:
    case 3:
    case 5:
    case 7:
    case imgRootOpen:
    case imgGroupOpen:
        return image - 1;
    default:
        return image;
    }
}

} // namespace

// ---- TTopicNode -------------------------------------------------------------------------

int TTopicNode::Level() const {
    int level = 0;
    for (const TTopicNode* p = parent_; p; p = p->parent_)
        ++level;
    return level;
}

int TTopicNode::Index() const {
    const auto& siblings = parent_ ? parent_->children_ : owner_->roots_;
    const auto hint = static_cast<std::size_t>(indexHint_);
    if (indexHint_ >= 0 && hint < siblings.size() && siblings[hint].get() == this)
        return indexHint_;
    // The hint went stale (a sibling was inserted or removed before us): refresh every
    // sibling's hint at once, so the next calls on all of them are O(1) again.
    int found = -1;
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        siblings[i]->indexHint_ = static_cast<int>(i);
        if (siblings[i].get() == this)
            found = static_cast<int>(i);
    }
    return found;
}

TTopicNode* TTopicNode::FirstChild() const {
    return children_.empty() ? nullptr : children_.front().get();
}

TTopicNode* TTopicNode::LastChild() const {
    return children_.empty() ? nullptr : children_.back().get();
}

TTopicNode* TTopicNode::NextSibling() const {
    const auto& siblings = parent_ ? parent_->children_ : owner_->roots_;
    const auto next = static_cast<std::size_t>(Index() + 1);
    return next < siblings.size() ? siblings[next].get() : nullptr;
}

TTopicNode* TTopicNode::PrevSibling() const {
    const auto& siblings = parent_ ? parent_->children_ : owner_->roots_;
    const int index = Index();
    return index > 0 ? siblings[static_cast<std::size_t>(index - 1)].get() : nullptr;
}

TTopicNode* TTopicNode::GetNext() const {
    if (!children_.empty())
        return children_.front().get();
    for (const TTopicNode* node = this; node; node = node->parent_) {
        if (TTopicNode* next = node->NextSibling())
            return next;
    }
    return nullptr;
}

TTopicNode* TTopicNode::RootGroup() const {
    const TTopicNode* node = this;
    while (node->parent_)
        node = node->parent_;
    return const_cast<TTopicNode*>(node);
}

bool TTopicNode::HasAsParent(const TTopicNode* ancestor) const {
    if (!ancestor)
        return false;
    for (const TTopicNode* p = parent_; p; p = p->parent_) {
        if (p == ancestor)
            return true;
    }
    return false;
}

void TTopicNode::SetText(std::string text) {
    if (text == text_)
        return;
    owner_->BeforeChange();
    text_ = std::move(text);
    owner_->NotifyNodeChanged(this);
}

void TTopicNode::SetImage(int index) {
    // Notifying only real changes keeps an image update over a large tree quiet.
    if (index == imageIndex_ && index == selectedIndex_)
        return;
    owner_->BeforeChange();
    imageIndex_ = index;
    selectedIndex_ = index;
    owner_->NotifyNodeChanged(this);
}

void TTopicNode::SetExpanded(bool expanded) {
    if (expanded == expanded_)
        return;
    owner_->BeforeChange();
    expanded_ = expanded;
    owner_->NotifyNodeChanged(this);
}

void TTopicNode::Expand() {
    const int image = OpenImageOf(imageIndex_);
    if (expanded_ && image == imageIndex_ && image == selectedIndex_)
        return;
    owner_->BeforeChange();
    expanded_ = true;
    imageIndex_ = image;
    selectedIndex_ = image;
    owner_->NotifyNodeChanged(this);
}

void TTopicNode::Collapse() {
    const int image = ClosedImageOf(imageIndex_);
    if (!expanded_ && image == imageIndex_ && image == selectedIndex_)
        return;
    owner_->BeforeChange();
    expanded_ = false;
    imageIndex_ = image;
    selectedIndex_ = image;
    owner_->NotifyNodeChanged(this);
}

// ---- TTopicTree -------------------------------------------------------------------------

TTopicTree::TTopicTree() = default;

TTopicTree::~TTopicTree() {
    DestroyNodes(roots_);
}

void TTopicTree::DestroyNodes(std::vector<std::unique_ptr<TTopicNode>>& nodes) {
    std::vector<std::unique_ptr<TTopicNode>> work;
    work.reserve(nodes.size());
    for (auto& node : nodes)
        work.push_back(std::move(node));
    nodes.clear();
    while (!work.empty()) {
        std::unique_ptr<TTopicNode> node = std::move(work.back());
        work.pop_back();
        for (auto& child : node->children_)
            work.push_back(std::move(child));
        node->children_.clear();
        // node is freed here with no children left, so no destructor recursion.
    }
}

int TTopicTree::SubtreeSize(const TTopicNode* node) {
    int size = 0;
    std::vector<const TTopicNode*> work{node};
    while (!work.empty()) {
        const TTopicNode* n = work.back();
        work.pop_back();
        ++size;
        for (const auto& child : n->children_)
            work.push_back(child.get());
    }
    return size;
}

std::vector<std::unique_ptr<TTopicNode>>& TTopicTree::SiblingsOf(TTopicNode* parent) {
    return parent ? parent->children_ : roots_;
}

void TTopicTree::BeforeChange() {
    if (updateDepth_ > 0 && !changedWhileUpdating_) {
        changedWhileUpdating_ = true;
        if (observer_)
            observer_->StructureAboutToChange();
    }
}

void TTopicTree::NotifyNodeChanged(TTopicNode* node) {
    if (updateDepth_ == 0 && observer_)
        observer_->NodeChanged(node);
}

void TTopicTree::NotifySelectionChanged() {
    if (updateDepth_ > 0)
        selectionChangedWhileUpdating_ = true;
    else if (observer_)
        observer_->SelectionChanged();
}

void TTopicTree::BeginUpdate() {
    ++updateDepth_;
}

void TTopicTree::EndUpdate() {
    if (updateDepth_ == 0)
        return;
    if (--updateDepth_ > 0)
        return;
    if (changedWhileUpdating_) {
        changedWhileUpdating_ = false;
        if (observer_)
            observer_->StructureChanged();
    }
    // A selection change inside the update is delivered once, after the structure, so a
    // view that rebuilt itself can take the new selection over.
    if (selectionChangedWhileUpdating_) {
        selectionChangedWhileUpdating_ = false;
        if (observer_)
            observer_->SelectionChanged();
    }
}

void TTopicTree::CreateRootGroups() {
    static const char* const kTitles[] = {"Table of contents", "Non-contents pages", "Templates"};
    BeginUpdate();
    BeforeChange();
    if (selected_ || !selections_.empty()) {
        selected_ = nullptr;
        selections_.clear();
        selectedSet_.clear();
        NotifySelectionChanged();
    }
    DestroyNodes(roots_);
    count_ = 0;
    for (int i = 0; i < 3; ++i) {
        TTopicNode* root = InsertChild(nullptr, i, kTitles[i]);
        root->imageIndex_ = imgRootClosed;
        root->selectedIndex_ = imgRootClosed;
        root->data_.Kind = -(i + 1);
        root->data_.Status = tsUnsaved;
    }
    EndUpdate();
}

TTopicNode* TTopicTree::InsertChild(TTopicNode* parent, int index, const std::string& title) {
    auto& siblings = SiblingsOf(parent);
    const int size = static_cast<int>(siblings.size());
    if (index < 0 || index > size)
        index = size;
    std::unique_ptr<TTopicNode> node(new TTopicNode(this, title));
    node->parent_ = parent;
    node->indexHint_ = index;
    TTopicNode* raw = node.get();

    const bool updating = updateDepth_ > 0;
    if (updating)
        BeforeChange();
    else if (observer_)
        observer_->NodesAboutToBeInserted(parent, index, index);
    siblings.insert(siblings.begin() + index, std::move(node));
    ++count_;
    if (!updating && observer_)
        observer_->NodesInserted();
    return raw;
}

TTopicNode* TTopicTree::AddChild(TTopicNode* parent, const std::string& title) {
    return InsertChild(parent, -1, title);
}

// Modes 1 to 3 work on the selected node. With nothing selected they fall back to the
// reference node (before it, after it, as its last child), and with no reference either
// to the end of the table of contents. A root has no siblings a topic may join: "before"
// or "after" a root appends the topic to that root instead.
TTopicNode* TTopicTree::AddTopicNode(TTopicNode* reference, const std::string& title,
                                     int insertMode, int status, int icon, const std::string& url) {
    TTopicNode* target = reference;
    if (insertMode >= imBeforeSelected && insertMode <= imLastChildOfSelected && selected_)
        target = selected_;
    if (!target) {
        if (roots_.empty())
            throw EParvaneError("The topic tree has no groups to add a topic to.");
        target = ContentsRoot();
        insertMode = imLastChildOfReference;
    }

    TTopicNode* parent = target;
    int index = -1;
    switch (insertMode) {
    case imBeforeSelected:
    case imBeforeReference:
        if (!target->IsRoot()) {
            parent = target->parent_;
            index = target->Index();
        }
        break;
    case imAfterSelected:
        if (!target->IsRoot()) {
            parent = target->parent_;
            index = target->Index() + 1;
        }
        break;
    default: // last child of the reference or of the selected node
        break;
    }

    TTopicNode* node = InsertChild(parent, index, title);
    TLeftTreeData& data = node->data_;
    data.Url = url;
    data.Icon = icon;
    data.Status = status;
    data.ApplyTemp = false;
    data.Kind = node->RootGroup()->Index();
    return node;
}

void TTopicTree::MoveNode(TTopicNode* node, TTopicNode* newParent, int index) {
    // Roots stay where they are, and a node cannot go below itself.
    if (!node || node->IsRoot() || !newParent || node->owner_ != this ||
        newParent->owner_ != this || newParent == node || newParent->HasAsParent(node))
        return;
    TTopicNode* oldParent = node->parent_;
    const int oldIndex = node->Index();
    const int size = newParent->Count();
    if (index < 0 || index > size)
        index = size;
    if (newParent == oldParent) {
        if (index == oldIndex || index == oldIndex + 1)
            return;
        if (index > oldIndex)
            --index;
    }

    BeginUpdate();
    BeforeChange();
    auto& from = oldParent->children_;
    std::unique_ptr<TTopicNode> owned = std::move(from[static_cast<std::size_t>(oldIndex)]);
    from.erase(from.begin() + oldIndex);
    owned->parent_ = newParent;
    owned->indexHint_ = index;
    newParent->children_.insert(newParent->children_.begin() + index, std::move(owned));
    EndUpdate();
}

void TTopicTree::DeleteNode(TTopicNode* node) {
    if (!node || node->IsRoot() || node->owner_ != this)
        return;
    TTopicNode* parent = node->parent_;
    const int index = node->Index();
    const bool updating = updateDepth_ > 0;
    if (updating)
        BeforeChange();
    else if (observer_)
        observer_->NodesAboutToBeRemoved(parent, index, index);

    const bool selectionChanged = PurgeSelection(node, true);
    count_ -= SubtreeSize(node);
    std::vector<std::unique_ptr<TTopicNode>> doomed;
    doomed.push_back(std::move(parent->children_[static_cast<std::size_t>(index)]));
    parent->children_.erase(parent->children_.begin() + index);
    DestroyNodes(doomed);

    if (!updating && observer_)
        observer_->NodesRemoved();
    if (selectionChanged)
        NotifySelectionChanged();
}

void TTopicTree::DeleteChildren(TTopicNode* parent) {
    if (!parent || parent->owner_ != this || parent->children_.empty())
        return;
    BeginUpdate();
    BeforeChange();
    const bool selectionChanged = PurgeSelection(parent, false);
    count_ -= SubtreeSize(parent) - 1;
    DestroyNodes(parent->children_);
    if (selectionChanged)
        NotifySelectionChanged();
    EndUpdate();
}

void TTopicTree::ReorderChildren(TTopicNode* parent, const std::vector<int>& newOrder) {
    if (!parent || parent->owner_ != this)
        return;
    auto& children = parent->children_;
    const std::size_t size = children.size();
    if (newOrder.size() != size)
        throw std::invalid_argument("ReorderChildren: not a permutation of the children");
    std::vector<bool> seen(size, false);
    bool identity = true;
    for (std::size_t i = 0; i < size; ++i) {
        const int from = newOrder[i];
        if (from < 0 || static_cast<std::size_t>(from) >= size ||
            seen[static_cast<std::size_t>(from)])
            throw std::invalid_argument("ReorderChildren: not a permutation of the children");
        seen[static_cast<std::size_t>(from)] = true;
        identity = identity && static_cast<std::size_t>(from) == i;
    }
    if (identity)
        return;

    BeginUpdate();
    BeforeChange();
    std::vector<std::unique_ptr<TTopicNode>> reordered(size);
    for (std::size_t i = 0; i < size; ++i) {
        reordered[i] = std::move(children[static_cast<std::size_t>(newOrder[i])]);
        reordered[i]->indexHint_ = static_cast<int>(i);
    }
    children = std::move(reordered);
    EndUpdate();
}

// ---- selection --------------------------------------------------------------------------

void TTopicTree::Select(TTopicNode* node) {
    selected_ = node;
    selections_.clear();
    selectedSet_.clear();
    if (node) {
        selections_.push_back(node);
        selectedSet_.insert(node);
    }
    NotifySelectionChanged();
}

bool TTopicTree::IsSelected(const TTopicNode* node) const {
    return node && selectedSet_.count(node) != 0;
}

void TTopicTree::SetSelections(std::vector<TTopicNode*> nodes, TTopicNode* focused) {
    selections_.clear();
    selectedSet_.clear();
    selections_.reserve(nodes.size());
    for (TTopicNode* node : nodes) {
        if (node && selectedSet_.insert(node).second)
            selections_.push_back(node);
    }
    selected_ = focused;
    NotifySelectionChanged();
}

void TTopicTree::ClearSelection() {
    if (!selected_ && selections_.empty())
        return;
    selected_ = nullptr;
    selections_.clear();
    selectedSet_.clear();
    NotifySelectionChanged();
}

void TTopicTree::Unselect(const TTopicNode* subtree) {
    if (PurgeSelection(subtree, true))
        NotifySelectionChanged();
}

bool TTopicTree::PurgeSelection(const TTopicNode* ancestor, bool includeSelf) {
    auto doomed = [&](const TTopicNode* n) {
        return (includeSelf && n == ancestor) || n->HasAsParent(ancestor);
    };
    bool changed = false;
    if (selected_ && doomed(selected_)) {
        selected_ = nullptr;
        changed = true;
    }
    const auto end = std::remove_if(selections_.begin(), selections_.end(), doomed);
    if (end != selections_.end()) {
        selections_.erase(end, selections_.end());
        selectedSet_ = {selections_.begin(), selections_.end()};
        changed = true;
    }
    return changed;
}

void TTopicTree::ForEach(const std::function<void(TTopicNode*)>& fn) const {
    for (TTopicNode* node = GetFirstNode(); node; node = node->GetNext())
        fn(node);
}

} // namespace parvane
