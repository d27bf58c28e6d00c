// Times the tree commands on a 10,000-topic table of contents with 1,000 topics selected,
// and counts how often each command notifies a view (it should be once).
//
//     build/bin/bench_tree_commands

#include "model/project_file.h"
#include "ui/toc_commands.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace parvane;

namespace {

class TCountingObserver : public TTreeObserver {
public:
    void StructureChanged() override { ++notifications; }
    void NodesInserted() override { ++notifications; }
    void NodesRemoved() override { ++notifications; }
    void NodeChanged(TTopicNode*) override { ++notifications; }
    int notifications = 0;
};

// chapters x pages topics below the table of contents.
void Fill(TTopicTree& tree, int chapters, int pages) {
    tree.BeginUpdate();
    for (int c = 0; c < chapters; ++c) {
        TTopicNode* chapter = tree.AddChild(tree.ContentsRoot(), "Chapter " + std::to_string(c));
        for (int p = 0; p < pages; ++p)
            tree.AddChild(chapter, "Page " + std::to_string(c) + "." + std::to_string(p));
    }
    tree.EndUpdate();
}

std::vector<TTopicNode*> EveryNth(TTopicTree& tree, int n, int count) {
    std::vector<TTopicNode*> nodes;
    int i = 0;
    tree.ForEach([&](TTopicNode* node) {
        if (node->Level() == 2 && i++ % n == 0 && static_cast<int>(nodes.size()) < count)
            nodes.push_back(node);
    });
    return nodes;
}

void Time(const char* layout, const char* name, TPvx& project, TCountingObserver& observer,
          const std::vector<TTopicNode*>& selection, const std::function<void()>& command) {
    project.Tree().SetSelections(selection, selection.front());
    observer.notifications = 0;
    const auto start = std::chrono::steady_clock::now();
    command();
    const auto end = std::chrono::steady_clock::now();
    std::printf("%-34s %-28s %8.2f ms  %d view update(s)\n", layout, name,
                std::chrono::duration<double, std::milli>(end - start).count(),
                observer.notifications);
}

void Run(const char* layout, int chapters, int pages, int nth) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    Fill(tree, chapters, pages);
    TCountingObserver observer;
    tree.SetObserver(&observer);
    const auto selection = EveryNth(tree, nth, 1000);
    Time(layout, "move up", project, observer, selection, [&] { MoveSelectionUp(project); });
    Time(layout, "move down", project, observer, selection, [&] { MoveSelectionDown(project); });
    Time(layout, "move right", project, observer, selection, [&] { MoveSelectionRight(project); });
    Time(layout, "move left", project, observer, selection, [&] { MoveSelectionLeft(project); });
    Time(layout, "move right + heading", project, observer, selection,
         [&] { MoveRightAndAddHeading(project); });
    TTopicNode* target = tree.ContentsRoot()->Child(0);
    Time(layout, "drop after first chapter", project, observer, selection,
         [&] { DropSelection(project, target, DropMode::After); });
    Time(layout, "drop into templates", project, observer, selection,
         [&] { DropSelection(project, tree.TemplatesRoot(), DropMode::AsChild); });
    Time(layout, "sort all levels", project, observer, {tree.ContentsRoot()},
         [&] { SortChildren(project, tree.ContentsRoot(), true, LocaleCompare); });
    Time(layout, "delete", project, observer, EveryNth(tree, nth, 1000),
         [&] { DeleteSelection(project); });
    tree.SetObserver(nullptr);
}

} // namespace

int main() {
    std::printf("10,000 topics, 1,000 selected\n");
    Run("100 chapters x 100, every 10th", 100, 99, 10);
    Run("1 chapter x 10,000, every 10th", 1, 10000, 10);
    Run("1 chapter x 10,000, a block", 1, 10000, 1);
    return 0;
}
