#pragma once
// The topic tree: three fixed groups (table of contents, non-contents pages, templates)
// and the topics below them, each with its record. The desktop navigation pane is a
// view of this structure; it learns about changes through TTreeObserver.

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace parvane {

struct TLeftTreeData {
    int Level = 0;
    std::string Url;
    int Icon = 0;
    int Status = 0; // 0 linked, 1 unsaved, 2 no-link
    std::string Keywords; // one per line, lines separated by CR LF
    std::string ContextNumber;
    bool ApplyTemp = false; // true: the project template is NOT applied to this page
    bool Expanded = false;
    int Kind = 0; // 0, 1, 2 for topics; -1, -2, -3 on the three roots
};

enum TopicStatus { tsLinked = 0, tsUnsaved = 1, tsNoLink = 2 };

// Image indexes of the navigation pane (0..41 are the 42 topic images).
enum TreeImage {
    imgRootClosed = 42,
    imgRootOpen = 43,
    imgGroupClosed = 44,
    imgGroupOpen = 45,
    imgNonContentsPage = 46,
    imgTemplatePage = 47,
    imgHtmlHelpTemplate = 48,
    imgWebHelpTemplate = 49,
    imgBothTemplates = 50,
    TreeImageCount = 51,
};

// Insert modes of AddTopicNode.
enum InsertMode {
    imLastChildOfReference = 0,
    imBeforeSelected = 1,
    imAfterSelected = 2,
    imLastChildOfSelected = 3,
    imBeforeReference = 4,
};

class TTopicTree;

class TTopicNode {
public:
    const std::string& Text() const { return text_; }
    TTopicNode* Parent() const { return parent_; }
    TTopicTree* Owner() const { return owner_; }
    bool IsRoot() const { return parent_ == nullptr; }
    int Level() const;     // depth: roots 0, their children 1, ...
    int Index() const;     // position among its siblings (amortised O(1))
    int Count() const { return static_cast<int>(children_.size()); }
    bool HasChildren() const { return !children_.empty(); }
    TTopicNode* Child(int i) const { return children_[static_cast<std::size_t>(i)].get(); }
    TTopicNode* FirstChild() const;
    TTopicNode* LastChild() const;
    TTopicNode* NextSibling() const;
    TTopicNode* PrevSibling() const;
    TTopicNode* GetNext() const; // the next node in pre-order, or nullptr
    // The root group this node lies in (itself for a root).
    TTopicNode* RootGroup() const;
    // True when ancestor is this node's parent, grandparent, ...
    bool HasAsParent(const TTopicNode* ancestor) const;

    bool Expanded() const { return expanded_; }
    int ImageIndex() const { return imageIndex_; }
    int SelectedIndex() const { return selectedIndex_; }
    TLeftTreeData& Data() { return data_; }
    const TLeftTreeData& Data() const { return data_; }

    // Changes that notify the observer (NodeChanged).
    void SetText(std::string text);
    void SetImage(int index); // image and selected index together
    void SetExpanded(bool expanded); // raw state, image untouched
    // The author expanding or collapsing: the image moves within its open/closed pair.
    void Expand();
    void Collapse();

private:
    friend class TTopicTree;
    TTopicNode(TTopicTree* owner, std::string text) : owner_(owner), text_(std::move(text)) {}

    TTopicTree* owner_;
    TTopicNode* parent_ = nullptr;
    std::string text_;
    std::vector<std::unique_ptr<TTopicNode>> children_;
    bool expanded_ = false;
    int imageIndex_ = 0;
    int selectedIndex_ = 0;
    mutable int indexHint_ = 0;
    TLeftTreeData data_;
};

// Receives the tree's changes; a Qt item model maps them to its own signals. Each "about
// to" call comes while the tree is unchanged, its partner right after the change (parent
// nullptr stands for the top level). MoveNode, ReorderChildren, DeleteChildren and all
// changes made between BeginUpdate and EndUpdate (nested) arrive as one
// StructureAboutToChange/StructureChanged pair and nothing else; a selection change made
// inside an update is delivered once after StructureChanged. An update that changes
// nothing is silent.
class TTreeObserver {
public:
    virtual ~TTreeObserver() = default;
    virtual void NodesAboutToBeInserted(TTopicNode* /*parent*/, int /*first*/, int /*last*/) {}
    virtual void NodesInserted() {}
    virtual void NodesAboutToBeRemoved(TTopicNode* /*parent*/, int /*first*/, int /*last*/) {}
    virtual void NodesRemoved() {}
    virtual void StructureAboutToChange() {}
    virtual void StructureChanged() {}
    virtual void NodeChanged(TTopicNode* /*node*/) {}
    virtual void SelectionChanged() {}
};

class TTopicTree {
public:
    TTopicTree();
    ~TTopicTree();
    TTopicTree(const TTopicTree&) = delete;
    TTopicTree& operator=(const TTopicTree&) = delete;

    // Clears everything, then appends "Table of contents", "Non-contents pages" and
    // "Templates" with image 42, Kind -1/-2/-3 and Status 1.
    void CreateRootGroups();
    int RootCount() const { return static_cast<int>(roots_.size()); }
    TTopicNode* Root(int i) const { return roots_[static_cast<std::size_t>(i)].get(); }
    TTopicNode* ContentsRoot() const { return Root(0); }
    TTopicNode* NonContentsRoot() const { return Root(1); }
    TTopicNode* TemplatesRoot() const { return Root(2); }
    int Count() const { return count_; } // all nodes, roots included
    TTopicNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_[0].get(); }

    // The one operation that creates a topic (see InsertMode). Modes 1 to 3 fall back to
    // the reference node when nothing is selected, and to the end of the table of contents
    // when there is no reference either; "before" or "after" a root appends to that root.
    TTopicNode* AddTopicNode(TTopicNode* reference, const std::string& title, int insertMode,
                             int status, int icon, const std::string& url);
    // Structure edits used by the commands and the loader.
    TTopicNode* AddChild(TTopicNode* parent, const std::string& title); // appended
    TTopicNode* InsertChild(TTopicNode* parent, int index, const std::string& title);
    // Moves node (with its subtree) to be child number index of newParent (index counted
    // before the node is taken out; -1 appends). Roots never move and a node never goes
    // below itself: such a move does nothing.
    void MoveNode(TTopicNode* node, TTopicNode* newParent, int index);
    // A topic and its subtree, which also leave the selection; roots refuse.
    void DeleteNode(TTopicNode* node);
    void DeleteChildren(TTopicNode* parent);
    // Reorders the children of parent: child i becomes the old child newOrder[i]. Throws
    // std::invalid_argument when newOrder is no permutation of the children.
    void ReorderChildren(TTopicNode* parent, const std::vector<int>& newOrder);

    // Selection: one focused node (Selected) and a set of selected nodes.
    TTopicNode* Selected() const { return selected_; }
    void Select(TTopicNode* node); // focuses node and makes it the only selection
    const std::vector<TTopicNode*>& Selections() const { return selections_; }
    bool IsSelected(const TTopicNode* node) const;
    // nodes is taken by value: the tree's own Selections() may be passed.
    void SetSelections(std::vector<TTopicNode*> nodes, TTopicNode* focused);
    void ClearSelection();

    // Pre-order over all nodes (roots included).
    void ForEach(const std::function<void(TTopicNode*)>& fn) const;

    void SetObserver(TTreeObserver* observer) { observer_ = observer; }
    TTreeObserver* Observer() const { return observer_; }
    void BeginUpdate();
    void EndUpdate();
    bool Updating() const { return updateDepth_ > 0; }

private:
    friend class TTopicNode;
    void NotifyNodeChanged(TTopicNode* node);
    void Unselect(const TTopicNode* subtree);
    // Inside an update: announces the one StructureAboutToChange before the first change.
    void BeforeChange();
    void NotifySelectionChanged();
    // Removes from the selection every node strictly below ancestor (and ancestor itself
    // when includeSelf); true when the selection changed.
    bool PurgeSelection(const TTopicNode* ancestor, bool includeSelf);
    std::vector<std::unique_ptr<TTopicNode>>& SiblingsOf(TTopicNode* parent);
    // Frees whole subtrees without recursion, so a pathologically deep tree cannot
    // exhaust the stack.
    static void DestroyNodes(std::vector<std::unique_ptr<TTopicNode>>& nodes);
    static int SubtreeSize(const TTopicNode* node);

    std::vector<std::unique_ptr<TTopicNode>> roots_;
    int count_ = 0;
    TTopicNode* selected_ = nullptr;
    std::vector<TTopicNode*> selections_;
    std::unordered_set<const TTopicNode*> selectedSet_; // the same nodes, for lookups
    TTreeObserver* observer_ = nullptr;
    int updateDepth_ = 0;
    bool changedWhileUpdating_ = false;
    bool selectionChangedWhileUpdating_ = false;
};

} // namespace parvane
