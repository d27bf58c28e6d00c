#include "model/topic_tree.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

using namespace parvane;

namespace {

// Records what the tree announces, and checks that every "about to" arrives while the
// tree is still unchanged and every "done" after the change, as a Qt model needs.
class RecordingObserver : public TTreeObserver {
public:
    explicit RecordingObserver(TTopicTree& tree) : tree_(tree) { tree_.SetObserver(this); }
    ~RecordingObserver() override { tree_.SetObserver(nullptr); }

    std::vector<std::string> events;

    void NodesAboutToBeInserted(TTopicNode* parent, int first, int last) override {
        events.push_back("insert " + Name(parent) + " " + std::to_string(first) + ".." +
                         std::to_string(last));
        pendingParent_ = parent;
        countBefore_ = ChildCount(parent);
        treeCountBefore_ = tree_.Count();
    }
    void NodesInserted() override {
        events.push_back("inserted");
        EXPECT_EQ(ChildCount(pendingParent_), countBefore_ + 1);
        EXPECT_EQ(tree_.Count(), treeCountBefore_ + 1);
    }
    void NodesAboutToBeRemoved(TTopicNode* parent, int first, int last) override {
        events.push_back("remove " + Name(parent) + " " + std::to_string(first) + ".." +
                         std::to_string(last));
        pendingParent_ = parent;
        countBefore_ = ChildCount(parent);
        // The rows being removed are still there.
        EXPECT_LT(last, ChildCount(parent));
    }
    void NodesRemoved() override {
        events.push_back("removed");
        EXPECT_EQ(ChildCount(pendingParent_), countBefore_ - 1);
        // The selection never points at a node that is gone.
        for (TTopicNode* node : tree_.Selections())
            EXPECT_NE(node->Parent(), nullptr);
    }
    void StructureAboutToChange() override { events.push_back("structure?"); }
    void StructureChanged() override { events.push_back("structure!"); }
    void NodeChanged(TTopicNode* node) override { events.push_back("changed " + Name(node)); }
    void SelectionChanged() override { events.push_back("selection"); }

private:
    int ChildCount(TTopicNode* parent) const {
        return parent ? parent->Count() : tree_.RootCount();
    }
    static std::string Name(const TTopicNode* node) { return node ? node->Text() : "<top>"; }

    TTopicTree& tree_;
    TTopicNode* pendingParent_ = nullptr;
    int countBefore_ = 0;
    int treeCountBefore_ = 0;
};

std::vector<std::string> Titles(const TTopicNode* parent) {
    std::vector<std::string> out;
    for (int i = 0; i < parent->Count(); ++i)
        out.push_back(parent->Child(i)->Text());
    return out;
}

// Every node's Index agrees with its place in its parent's list.
void ExpectIndexesConsistent(const TTopicTree& tree) {
    int count = 0;
    tree.ForEach([&](TTopicNode* node) {
        ++count;
        if (node->Parent())
            EXPECT_EQ(node->Parent()->Child(node->Index()), node) << node->Text();
        else
            EXPECT_EQ(tree.Root(node->Index()), node) << node->Text();
    });
    EXPECT_EQ(count, tree.Count());
}

class TopicTree : public ::testing::Test {
protected:
    void SetUp() override { tree.CreateRootGroups(); }
    TTopicNode* Toc() { return tree.ContentsRoot(); }

    TTopicTree tree;
};

} // namespace

TEST_F(TopicTree, CreatesThreeRootGroups) {
    ASSERT_EQ(tree.RootCount(), 3);
    EXPECT_EQ(tree.Count(), 3);
    const char* titles[] = {"Table of contents", "Non-contents pages", "Templates"};
    for (int i = 0; i < 3; ++i) {
        const TTopicNode* root = tree.Root(i);
        EXPECT_EQ(root->Text(), titles[i]);
        EXPECT_EQ(root->ImageIndex(), imgRootClosed);
        EXPECT_EQ(root->SelectedIndex(), imgRootClosed);
        EXPECT_EQ(root->Data().Kind, -(i + 1));
        EXPECT_EQ(root->Data().Status, tsUnsaved);
        EXPECT_TRUE(root->Data().Url.empty());
        EXPECT_TRUE(root->IsRoot());
        EXPECT_EQ(root->Level(), 0);
    }
    // Creating the groups again clears every topic and the selection.
    TTopicNode* topic = tree.AddChild(Toc(), "A");
    tree.Select(topic);
    tree.CreateRootGroups();
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_TRUE(tree.Selections().empty());
}

TEST_F(TopicTree, NavigationFollowsPreOrder) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    TTopicNode* a1 = tree.AddChild(a, "A1");
    TTopicNode* a11 = tree.AddChild(a1, "A11");
    TTopicNode* b = tree.AddChild(Toc(), "B");
    TTopicNode* n = tree.AddChild(tree.NonContentsRoot(), "N");

    std::vector<std::string> order;
    tree.ForEach([&](TTopicNode* node) { order.push_back(node->Text()); });
    EXPECT_EQ(order, (std::vector<std::string>{"Table of contents", "A", "A1", "A11", "B",
                                               "Non-contents pages", "N", "Templates"}));
    EXPECT_EQ(tree.Count(), 8);
    EXPECT_EQ(a11->Level(), 3);
    EXPECT_EQ(a11->RootGroup(), Toc());
    EXPECT_EQ(n->RootGroup(), tree.NonContentsRoot());
    EXPECT_TRUE(a11->HasAsParent(a));
    EXPECT_TRUE(a11->HasAsParent(Toc()));
    EXPECT_FALSE(a->HasAsParent(a11));
    EXPECT_FALSE(a->HasAsParent(a));
    EXPECT_EQ(a->NextSibling(), b);
    EXPECT_EQ(b->PrevSibling(), a);
    EXPECT_EQ(a->PrevSibling(), nullptr);
    EXPECT_EQ(b->NextSibling(), nullptr);
    EXPECT_EQ(Toc()->NextSibling(), tree.NonContentsRoot());
    EXPECT_EQ(a11->GetNext(), b);
    EXPECT_EQ(b->GetNext(), tree.NonContentsRoot());
    EXPECT_EQ(tree.TemplatesRoot()->GetNext(), nullptr);
    EXPECT_EQ(a->FirstChild(), a1);
    EXPECT_EQ(Toc()->LastChild(), b);
    EXPECT_EQ(a11->FirstChild(), nullptr);
}

TEST_F(TopicTree, IndexStaysRightAfterInsertsDeletesAndMoves) {
    std::vector<TTopicNode*> nodes;
    for (int i = 0; i < 50; ++i)
        nodes.push_back(tree.AddChild(Toc(), "T" + std::to_string(i)));
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(nodes[static_cast<std::size_t>(i)]->Index(), i);

    // Inserting at the front shifts every sibling; the stale hints must be noticed.
    TTopicNode* front = tree.InsertChild(Toc(), 0, "Front");
    EXPECT_EQ(front->Index(), 0);
    EXPECT_EQ(nodes[0]->Index(), 1);
    EXPECT_EQ(nodes[49]->Index(), 50);

    tree.DeleteNode(nodes[10]);
    EXPECT_EQ(nodes[11]->Index(), 11);
    EXPECT_EQ(nodes[9]->Index(), 10);

    tree.MoveNode(nodes[20], Toc(), 0);
    EXPECT_EQ(nodes[20]->Index(), 0);
    EXPECT_EQ(front->Index(), 1);

    tree.ReorderChildren(nodes[0]->Parent(), [&] {
        std::vector<int> order;
        for (int i = Toc()->Count() - 1; i >= 0; --i)
            order.push_back(i);
        return order;
    }());
    EXPECT_EQ(nodes[20]->Index(), Toc()->Count() - 1);
    ExpectIndexesConsistent(tree);
}

TEST_F(TopicTree, InsertChildClampsTheIndexAndCountsNodes) {
    TTopicNode* a = tree.InsertChild(Toc(), 99, "A");
    TTopicNode* b = tree.InsertChild(Toc(), -5, "B");
    TTopicNode* c = tree.InsertChild(Toc(), 1, "C");
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(tree.Count(), 6);
    tree.AddChild(a, "A1");
    tree.AddChild(a, "A2");
    tree.DeleteNode(a); // with its two children
    EXPECT_EQ(tree.Count(), 5);
    tree.DeleteNode(tree.TemplatesRoot()); // roots refuse
    EXPECT_EQ(tree.RootCount(), 3);
    tree.DeleteChildren(Toc());
    EXPECT_EQ(tree.Count(), 3);
    (void)b;
    (void)c;
}

TEST_F(TopicTree, AddTopicNodePlacesByInsertMode) {
    TTopicNode* a = tree.AddTopicNode(Toc(), "A", imLastChildOfReference, tsLinked, 4, "a.htm");
    TTopicNode* b = tree.AddTopicNode(Toc(), "B", imLastChildOfReference, tsNoLink, 0, "");
    EXPECT_EQ(a->Data().Url, "a.htm");
    EXPECT_EQ(a->Data().Icon, 4);
    EXPECT_EQ(a->Data().Status, tsLinked);
    EXPECT_FALSE(a->Data().ApplyTemp);
    EXPECT_EQ(b->Data().Status, tsNoLink);

    tree.Select(b);
    // Modes 1 to 3 ignore the reference node and use the selected one.
    TTopicNode* before = tree.AddTopicNode(a, "Before", imBeforeSelected, tsUnsaved, 0, "");
    TTopicNode* after = tree.AddTopicNode(a, "After", imAfterSelected, tsUnsaved, 0, "");
    TTopicNode* inside = tree.AddTopicNode(a, "Inside", imLastChildOfSelected, tsUnsaved, 0, "");
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"A", "Before", "B", "After"}));
    EXPECT_EQ(inside->Parent(), b);

    // Mode 2 on the last sibling appends; mode 4 goes before the reference.
    tree.Select(after);
    tree.AddTopicNode(nullptr, "End", imAfterSelected, tsUnsaved, 0, "");
    tree.AddTopicNode(a, "First", imBeforeReference, tsUnsaved, 0, "");
    EXPECT_EQ(Titles(Toc()),
              (std::vector<std::string>{"First", "A", "Before", "B", "After", "End"}));

    // A topic created below another group takes that group's Kind.
    TTopicNode* tpl =
        tree.AddTopicNode(tree.TemplatesRoot(), "T", imLastChildOfReference, tsLinked, 0, "t.htm");
    EXPECT_EQ(tpl->Data().Kind, 2);
    (void)before;
}

TEST_F(TopicTree, AddTopicNodeWithoutSelectionFallsBackToTheReference) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    tree.AddChild(Toc(), "B");
    ASSERT_EQ(tree.Selected(), nullptr);
    tree.AddTopicNode(a, "Before A", imBeforeSelected, tsUnsaved, 0, "");
    tree.AddTopicNode(a, "After A", imAfterSelected, tsUnsaved, 0, "");
    TTopicNode* child = tree.AddTopicNode(a, "In A", imLastChildOfSelected, tsUnsaved, 0, "");
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"Before A", "A", "After A", "B"}));
    EXPECT_EQ(child->Parent(), a);

    // With neither, the topic ends the table of contents.
    TTopicNode* loose = tree.AddTopicNode(nullptr, "Loose", imBeforeSelected, tsUnsaved, 0, "");
    EXPECT_EQ(loose->Parent(), Toc());
    EXPECT_EQ(Toc()->LastChild(), loose);

    // Before or after a root: the topic joins that root, never a fourth root.
    tree.Select(tree.NonContentsRoot());
    tree.AddTopicNode(nullptr, "Beside root", imBeforeSelected, tsUnsaved, 0, "");
    tree.AddTopicNode(nullptr, "After root", imAfterSelected, tsUnsaved, 0, "");
    EXPECT_EQ(tree.RootCount(), 3);
    EXPECT_EQ(Titles(tree.NonContentsRoot()),
              (std::vector<std::string>{"Beside root", "After root"}));
}

TEST_F(TopicTree, ExpandAndCollapseMoveTheImageWithinItsPair) {
    TTopicNode* node = tree.AddChild(Toc(), "A");
    const std::pair<int, int> pairs[] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}, {42, 43}, {44, 45}};
    for (auto [closed, open] : pairs) {
        node->SetImage(closed);
        node->Expand();
        EXPECT_TRUE(node->Expanded());
        EXPECT_EQ(node->ImageIndex(), open);
        EXPECT_EQ(node->SelectedIndex(), open);
        node->Expand(); // already open stays open
        EXPECT_EQ(node->ImageIndex(), open);
        node->Collapse();
        EXPECT_FALSE(node->Expanded());
        EXPECT_EQ(node->ImageIndex(), closed);
        EXPECT_EQ(node->SelectedIndex(), closed);
    }
    for (int other : {8, 9, 41, 46, 47, 48, 49, 50}) {
        node->SetImage(other);
        node->Expand();
        EXPECT_EQ(node->ImageIndex(), other);
        node->Collapse();
        EXPECT_EQ(node->ImageIndex(), other);
    }
    // The raw state leaves the image alone.
    node->SetImage(2);
    node->SetExpanded(true);
    EXPECT_TRUE(node->Expanded());
    EXPECT_EQ(node->ImageIndex(), 2);
}

TEST_F(TopicTree, MoveNodeCountsTheIndexBeforeTakingTheNodeOut) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    TTopicNode* b = tree.AddChild(Toc(), "B");
    tree.AddChild(Toc(), "C");
    TTopicNode* d = tree.AddChild(Toc(), "D");

    tree.MoveNode(a, Toc(), 3); // before D, counted with A still in place
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"B", "C", "A", "D"}));
    tree.MoveNode(d, Toc(), 0);
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"D", "B", "C", "A"}));
    tree.MoveNode(d, Toc(), -1);
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"B", "C", "A", "D"}));

    // Into another parent, with its subtree; never below itself, never a root.
    TTopicNode* b1 = tree.AddChild(b, "B1");
    tree.MoveNode(b, a, 0);
    EXPECT_EQ(b->Parent(), a);
    EXPECT_EQ(b1->Parent(), b);
    EXPECT_EQ(b1->Level(), 3);
    tree.MoveNode(a, b1, 0);
    EXPECT_EQ(a->Parent(), Toc());
    tree.MoveNode(Toc(), a, 0);
    EXPECT_TRUE(Toc()->IsRoot());
    tree.MoveNode(b, tree.TemplatesRoot(), 0);
    EXPECT_EQ(b->RootGroup(), tree.TemplatesRoot());
    EXPECT_EQ(tree.Count(), 8);
    ExpectIndexesConsistent(tree);
}

TEST_F(TopicTree, ReorderChildrenAppliesThePermutation) {
    tree.AddChild(Toc(), "A");
    tree.AddChild(Toc(), "B");
    tree.AddChild(Toc(), "C");
    tree.ReorderChildren(Toc(), {2, 0, 1});
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_THROW(tree.ReorderChildren(Toc(), {0, 0, 1}), std::invalid_argument);
    EXPECT_THROW(tree.ReorderChildren(Toc(), {0, 1}), std::invalid_argument);
    EXPECT_THROW(tree.ReorderChildren(Toc(), {0, 1, 3}), std::invalid_argument);
    EXPECT_EQ(Titles(Toc()), (std::vector<std::string>{"C", "A", "B"}));
}

TEST_F(TopicTree, DeletingNodesRemovesThemFromTheSelection) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    TTopicNode* a1 = tree.AddChild(a, "A1");
    TTopicNode* b = tree.AddChild(Toc(), "B");
    tree.SetSelections({a1, b, a1}, a1);
    EXPECT_EQ(tree.Selections().size(), 2u); // duplicates collapse
    EXPECT_TRUE(tree.IsSelected(a1));
    EXPECT_FALSE(tree.IsSelected(a));

    tree.DeleteNode(a);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(tree.Selections(), std::vector<TTopicNode*>{b});

    TTopicNode* c = tree.AddChild(b, "C");
    tree.SetSelections({b, c}, c);
    tree.DeleteChildren(b);
    EXPECT_EQ(tree.Selected(), nullptr);
    EXPECT_EQ(tree.Selections(), std::vector<TTopicNode*>{b});

    tree.Select(b);
    tree.ClearSelection();
    EXPECT_TRUE(tree.Selections().empty());
}

TEST_F(TopicTree, ReselectingTheOwnSelectionKeepsIt) {
    // The context menu refocuses a node inside the current selection this way.
    TTopicNode* a = tree.AddChild(Toc(), "A");
    TTopicNode* b = tree.AddChild(Toc(), "B");
    tree.SetSelections({a, b}, a);
    tree.SetSelections(tree.Selections(), b);
    EXPECT_EQ(tree.Selections(), (std::vector<TTopicNode*>{a, b}));
    EXPECT_EQ(tree.Selected(), b);
}

TEST_F(TopicTree, NotifiesSingleChangesWithTheirRows) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    RecordingObserver observer(tree);

    TTopicNode* b = tree.InsertChild(Toc(), 0, "B");
    tree.Select(a);
    tree.DeleteNode(a); // selected: the selection change follows the removal
    b->SetText("B2");
    b->SetText("B2"); // no change, no notification
    b->SetImage(5);
    b->SetExpanded(true);
    b->Collapse();
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"insert Table of contents 0..0", "inserted", "selection",
                                        "remove Table of contents 1..1", "removed", "selection",
                                        "changed B2", "changed B2", "changed B2", "changed B2"}));
}

TEST_F(TopicTree, StructuralEditsArriveAsOneStructureChange) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    TTopicNode* b = tree.AddChild(Toc(), "B");
    tree.AddChild(a, "A1");
    RecordingObserver observer(tree);

    tree.MoveNode(b, Toc(), 0);
    tree.ReorderChildren(Toc(), {1, 0});
    tree.DeleteChildren(a);
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"structure?", "structure!", "structure?", "structure!",
                                        "structure?", "structure!"}));

    // Edits that change nothing announce nothing.
    observer.events.clear();
    tree.MoveNode(b, Toc(), b->Index());
    tree.ReorderChildren(Toc(), {0, 1});
    tree.DeleteChildren(a);
    EXPECT_TRUE(observer.events.empty());
}

TEST_F(TopicTree, UpdatesFireOnlyTheOnePairAndLateSelection) {
    TTopicNode* a = tree.AddChild(Toc(), "A");
    RecordingObserver observer(tree);

    tree.BeginUpdate();
    tree.BeginUpdate(); // nested
    TTopicNode* b = tree.AddChild(a, "B");
    b->SetText("B2");
    tree.MoveNode(b, Toc(), 0);
    tree.Select(b);
    tree.EndUpdate();
    EXPECT_EQ(observer.events, std::vector<std::string>{"structure?"});
    tree.DeleteNode(a);
    tree.ReorderChildren(Toc(), {0});
    tree.EndUpdate();
    EXPECT_EQ(observer.events, (std::vector<std::string>{"structure?", "structure!", "selection"}));
    EXPECT_FALSE(tree.Updating());

    // An update without changes is silent; an unmatched EndUpdate is harmless.
    observer.events.clear();
    tree.BeginUpdate();
    tree.EndUpdate();
    tree.EndUpdate();
    EXPECT_TRUE(observer.events.empty());
    tree.AddChild(Toc(), "C");
    EXPECT_EQ(observer.events.size(), 2u);
}

TEST_F(TopicTree, DeepChainsAreBuiltWalkedAndFreedWithoutRecursion) {
    // Deep enough to overflow the stack if any step recursed per level.
    constexpr int depth = 300000;
    TTopicNode* node = Toc();
    for (int i = 0; i < depth; ++i)
        node = tree.AddChild(node, "x");
    EXPECT_EQ(tree.Count(), depth + 3);
    EXPECT_EQ(node->Level(), depth);
    int visited = 0;
    tree.ForEach([&](TTopicNode*) { ++visited; });
    EXPECT_EQ(visited, depth + 3);
    tree.DeleteNode(Toc()->FirstChild());
    EXPECT_EQ(tree.Count(), 3);
    for (int i = 0; i < depth; ++i)
        node = tree.AddChild(i == 0 ? Toc() : node, "y");
    // The tree's destructor frees the second chain.
}
