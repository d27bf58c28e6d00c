// Undo and redo of the tree commands, checked on the project file the tree would be saved
// as: after undo the file is the one before the command, after redo the one after it.

#include "templates/template_library.h"
#include "tree_builder.h"
#include "ui/toc_commands.h"
#include "ui/toc_undo.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>

namespace parvane {
namespace {

using ::testing::ElementsAre;
using namespace parvane::testing;

class TocUndo : public ::testing::Test {
protected:
    void SetUp() override {
        tree.CreateRootGroups();
        project = std::make_unique<TPvx>(tree);
        project->ProjectSettings.RootDir = "/srv/help/";
        BuildTopics(tree, tree.ContentsRoot(), "A(A1,A2(A21),A3),B,C(C1),D");
        BuildTopics(tree, tree.NonContentsRoot(), "N1,N2");
        BuildTopics(tree, tree.TemplatesRoot(), "T1");
        project->UpdateTopicImages();
        Find("A")->Data().Keywords = "alpha\r\nfirst";
        Find("B")->Data().ContextNumber = "12";
    }
    TTopicNode* Find(const std::string& title) { return FindTopic(tree, title); }
    void Select(const std::vector<std::string>& titles) { SelectTopics(tree, titles); }
    std::string File() const { return project->SaveToText("/srv/help/help.pvx"); }

    // Runs command through the stack, then checks undo and redo against the file.
    void RoundTrip(const std::string& name, const std::vector<TTopicNode*>& scope,
                   bool withChildren, const std::function<void()>& command) {
        SCOPED_TRACE(name);
        const std::string before = File();
        const std::size_t steps = stack.Count();
        ASSERT_TRUE(stack.Record(*project, name, scope, withChildren, command));
        EXPECT_EQ(stack.Count(), steps + 1);
        const std::string after = File();
        ASSERT_NE(before, after);
        EXPECT_EQ(stack.UndoName(), name);
        ASSERT_TRUE(stack.Undo(*project));
        EXPECT_EQ(File(), before);
        ASSERT_TRUE(stack.Redo(*project));
        EXPECT_EQ(File(), after);
        ASSERT_TRUE(stack.Undo(*project));
        EXPECT_EQ(File(), before);
        ASSERT_TRUE(stack.Redo(*project));
    }

    TTopicTree tree;
    std::unique_ptr<TPvx> project;
    TTocUndoStack stack;
};

TEST_F(TocUndo, EveryStructuralCommandUndoesAndRedoes) {
    Select({"A2", "C"});
    RoundTrip("Delete", ParentsOfSelection(tree), true, [&] { DeleteSelection(*project); });
    Select({"B"});
    RoundTrip("Move up", ParentsOfSelection(tree), true, [&] { MoveSelectionUp(*project); });
    Select({"B"});
    RoundTrip("Move down", ParentsOfSelection(tree), true, [&] { MoveSelectionDown(*project); });
    Select({"A3"});
    RoundTrip("Move left", GrandparentsOfSelection(tree), true,
              [&] { MoveSelectionLeft(*project); });
    Select({"D"});
    RoundTrip("Move right", ParentsOfSelection(tree), true, [&] { MoveSelectionRight(*project); });
    Select({"A1", "A3"});
    RoundTrip("Heading", ParentsOfSelection(tree), true, [&] { MoveRightAndAddHeading(*project); });
    for (DropMode mode : {DropMode::Before, DropMode::After, DropMode::AsChild}) {
        Select({"A1", "N2"});
        TTopicNode* target = Find("T1");
        RoundTrip("Drop", DropScope(tree, target, mode == DropMode::AsChild), true,
                  [&] { DropSelection(*project, target, mode); });
    }
    Select({"B"});
    RoundTrip("Add", AddScope(tree, 0), true, [&] {
        TAddRequest request;
        request.InsertMode = aimChild;
        request.Count = 3;
        AddTopics(*project, request);
    });
    Select({"B"});
    RoundTrip("Add to templates", AddScope(tree, 2), true, [&] {
        TAddRequest request;
        request.Page = 2;
        request.ItemType = AddItemType::NoLink;
        AddTopics(*project, request);
    });
    const auto reverse = [](const std::string& a, const std::string& b) { return b.compare(a); };
    RoundTrip("Sort", {tree.ContentsRoot()}, true,
              [&] { SortChildren(*project, tree.ContentsRoot(), true, reverse); });
    // The reverse sort left A's children backwards: sorting them forwards changes them.
    const auto forward = [](const std::string& a, const std::string& b) { return a.compare(b); };
    RoundTrip("Sort first level", {Find("A")}, true,
              [&] { SortChildren(*project, Find("A"), false, forward); });
}

TEST_F(TocUndo, RecordChangesUndoAndRedo) {
    RoundTrip("Rename", {Find("B")}, false, [&] { RenameTopic(*project, Find("B"), "Bee"); });
    RoundTrip("Default topic", {}, false, [&] { SetAsDefaultTopic(*project, Find("C")); });
    RoundTrip("Blank page", {Find("C")}, false, [&] { LinkToBlankPage(*project, Find("C")); });
    RoundTrip("No link", {Find("D")}, false, [&] { MakeNoLink(*project, Find("D")); });
    RoundTrip("Existing page", {Find("A1")}, false,
              [&] { LinkToExistingPage(*project, Find("A1"), "other\\page.htm"); });
    Select({"A", "B", "D"});
    RoundTrip("Icon", tree.Selections(), false, [&] { SetIconOfSelection(*project, 7); });
    RoundTrip("HTML Help template", {}, false,
              [&] { SetAsHtmlHelpTemplate(*project, Find("T1")); });
}

TEST_F(TocUndo, FiveHundredDeletedTopicsComeBackInOneStep) {
    for (int i = 0; i < 600; ++i)
        tree.AddChild(i % 2 ? Find("A2") : tree.ContentsRoot(), "P" + std::to_string(i));
    project->UpdateTopicImages();
    std::vector<TTopicNode*> chosen;
    tree.ForEach([&](TTopicNode* node) {
        if (node->Text()[0] == 'P' && chosen.size() < 500)
            chosen.push_back(node);
    });
    tree.SetSelections(chosen, chosen.front());
    const std::string focused = chosen.front()->Text();
    const std::string before = File();
    const int count = tree.Count();
    stack.Record(*project, "Delete", ParentsOfSelection(tree), true,
                 [&] { DeleteSelection(*project); });
    EXPECT_EQ(tree.Count(), count - 500);
    EXPECT_EQ(stack.Count(), 1u);
    ASSERT_TRUE(stack.Undo(*project));
    EXPECT_EQ(File(), before);
    EXPECT_EQ(tree.Selections().size(), 500u);
    EXPECT_EQ(tree.Selected()->Text(), focused);
    EXPECT_FALSE(stack.CanUndo());
}

TEST_F(TocUndo, ALongSessionUndoesToTheStartAndRedoesToTheEnd) {
    std::vector<std::string> files{File()};
    for (int round = 0; round < 15; ++round) {
        Select({round % 2 ? "B" : "C1"});
        switch (round % 5) {
        case 0:
            stack.Record(*project, "Up", ParentsOfSelection(tree), true,
                         [&] { MoveSelectionUp(*project); });
            break;
        case 1:
            stack.Record(*project, "Right", ParentsOfSelection(tree), true,
                         [&] { MoveSelectionRight(*project); });
            break;
        case 2:
            stack.Record(*project, "Rename", {tree.Selected()}, false, [&] {
                RenameTopic(*project, tree.Selected(), "R" + std::to_string(round));
            });
            break;
        case 3:
            stack.Record(*project, "Add", AddScope(tree, 0), true, [&] {
                TAddRequest request;
                request.InsertMode = aimAfter;
                AddTopics(*project, request);
            });
            break;
        default:
            stack.Record(*project, "Left", GrandparentsOfSelection(tree), true,
                         [&] { MoveSelectionLeft(*project); });
            break;
        }
        if (File() != files.back())
            files.push_back(File());
    }
    ASSERT_EQ(stack.Count(), files.size() - 1);
    for (std::size_t i = files.size() - 1; i > 0; --i) {
        ASSERT_TRUE(stack.Undo(*project));
        EXPECT_EQ(File(), files[i - 1]) << "after undoing step " << i;
    }
    EXPECT_FALSE(stack.Undo(*project));
    for (std::size_t i = 1; i < files.size(); ++i) {
        ASSERT_TRUE(stack.Redo(*project));
        EXPECT_EQ(File(), files[i]) << "after redoing step " << i;
    }
    EXPECT_FALSE(stack.Redo(*project));
}

TEST_F(TocUndo, AStepKeepsOnlyTheChildrenThatChanged) {
    // A book of 200 chapters of 10 pages: moving one chapter keeps two chapters per side,
    // not the book.
    TTopicNode* book = tree.AddChild(tree.ContentsRoot(), "Book");
    for (int c = 0; c < 200; ++c) {
        TTopicNode* chapter = tree.AddChild(book, "Chapter " + std::to_string(c));
        for (int p = 0; p < 10; ++p)
            tree.AddChild(chapter, "Page " + std::to_string(c) + "." + std::to_string(p));
    }
    project->UpdateTopicImages();
    const std::string before = File();
    Select({"Chapter 100"});
    stack.Record(*project, "Up", ParentsOfSelection(tree), true,
                 [&] { MoveSelectionUp(*project); });
    const std::string after = File();
    EXPECT_LE(stack.RecordCount(), 2u * (1 + 2 * 11));
    // A page far from the move edited meanwhile keeps its edit through undo and redo.
    Find("Page 3.4")->Data().Keywords = "edited";
    Find("Chapter 100")->Data().ContextNumber = "7";
    stack.Undo(*project);
    EXPECT_EQ(book->Child(100)->Text(), "Chapter 100");
    EXPECT_EQ(Find("Page 3.4")->Data().Keywords, "edited");
    EXPECT_EQ(Find("Chapter 100")->Data().ContextNumber, "7");
    Find("Page 3.4")->Data().Keywords.clear();
    Find("Chapter 100")->Data().ContextNumber.clear();
    EXPECT_EQ(File(), before);
    stack.Redo(*project);
    EXPECT_EQ(File(), after);

    // Deleting every tenth chapter keeps the run from the first to the last of them.
    std::vector<TTopicNode*> chosen;
    for (int c = 5; c < 200; c += 10)
        chosen.push_back(book->Child(c));
    tree.SetSelections(chosen, chosen.front());
    const std::string full = File();
    stack.Record(*project, "Delete", ParentsOfSelection(tree), true,
                 [&] { DeleteSelection(*project); });
    EXPECT_EQ(book->Count(), 180);
    stack.Undo(*project);
    EXPECT_EQ(File(), full);
    stack.Redo(*project);
    EXPECT_EQ(book->Count(), 180);
}

TEST_F(TocUndo, CommandsThatChangeNothingKeepNoStep) {
    Select({"A"});
    EXPECT_FALSE(stack.Record(*project, "Up", ParentsOfSelection(tree), true,
                              [&] { MoveSelectionUp(*project); }));
    Select({"A1"});
    EXPECT_FALSE(stack.Record(*project, "Right", ParentsOfSelection(tree), true,
                              [&] { MoveSelectionRight(*project); }));
    EXPECT_EQ(stack.Count(), 0u);
    EXPECT_FALSE(stack.CanUndo());
}

TEST_F(TocUndo, TypingATitleIsOneStepUntilTheAuthorMovesOn) {
    const std::string before = File();
    tree.Select(Find("A1"));
    for (const char* title : {"X", "Xy", "Xyz"})
        stack.Record(
            *project, "Rename", {tree.Selected()}, false,
            [&] { RenameTopic(*project, tree.Selected(), title); }, "title");
    EXPECT_EQ(stack.Count(), 1u);
    stack.CloseMerge();
    tree.Select(Find("Xyz"));
    stack.Record(
        *project, "Rename", {Find("Xyz")}, false,
        [&] { RenameTopic(*project, Find("Xyz"), "Final"); }, "title");
    EXPECT_EQ(stack.Count(), 2u);
    stack.Undo(*project);
    EXPECT_EQ(Find("Xyz")->Parent(), Find("A"));
    stack.Undo(*project);
    EXPECT_EQ(File(), before);
}

TEST_F(TocUndo, NewCommandAfterUndoDropsTheStepsThatCouldBeRedone) {
    Select({"B"});
    stack.Record(*project, "Up", ParentsOfSelection(tree), true,
                 [&] { MoveSelectionUp(*project); });
    stack.Undo(*project);
    Select({"D"});
    stack.Record(*project, "Up", ParentsOfSelection(tree), true,
                 [&] { MoveSelectionUp(*project); });
    EXPECT_EQ(stack.Count(), 1u);
    EXPECT_FALSE(stack.CanRedo());
    EXPECT_EQ(Shape(tree.ContentsRoot()), "A(A1,A2(A21),A3),B,D,C(C1)");
}

TEST_F(TocUndo, EditsMadeBetweenStepsSurviveUndoAndRedo) {
    Select({"B"});
    stack.Record(*project, "Up", ParentsOfSelection(tree), true,
                 [&] { MoveSelectionUp(*project); });
    // Typed into the topic options and saved as a new page after the move.
    Find("B")->Data().Keywords = "bee";
    Find("C1")->Data().Status = tsLinked;
    Find("C1")->Data().Url = "c1.htm";
    project->ProjectSettings.DefaultTopic = "c1.htm";
    stack.Undo(*project);
    EXPECT_EQ(Shape(tree.ContentsRoot()), "A(A1,A2(A21),A3),B,C(C1),D");
    EXPECT_EQ(Find("B")->Data().Keywords, "bee");
    EXPECT_EQ(Find("C1")->Data().Url, "c1.htm");
    EXPECT_EQ(project->ProjectSettings.DefaultTopic, "c1.htm");
    Find("A")->Data().ContextNumber = "99";
    stack.Redo(*project);
    EXPECT_EQ(Shape(tree.ContentsRoot()), "B,A(A1,A2(A21),A3),C(C1),D");
    EXPECT_EQ(Find("B")->Data().Keywords, "bee");
    EXPECT_EQ(Find("A")->Data().ContextNumber, "99");
    EXPECT_EQ(Find("A")->Data().Keywords, "alpha\r\nfirst");
}

TEST_F(TocUndo, UndoRestoresTheSelectionOfEachSide) {
    Select({"A1", "A3"});
    stack.Record(*project, "Delete", ParentsOfSelection(tree), true,
                 [&] { DeleteSelection(*project); });
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("A2"));
    stack.Undo(*project);
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("A1", "A3"));
    EXPECT_EQ(tree.Selected(), Find("A1"));
    EXPECT_TRUE(project->Modified);
    stack.Redo(*project);
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("A2"));
}

TEST_F(TocUndo, DeletingTopicsLeavesTheirPagesOnDisk) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("parvane-undo-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    project->ProjectSettings.RootDir = folder.string() + "/";
    std::ofstream(folder / "B.htm") << "<html><title>B</title></html>";
    Select({"B"});
    stack.Record(*project, "Delete", ParentsOfSelection(tree), true,
                 [&] { DeleteSelection(*project); });
    EXPECT_EQ(Find("B"), nullptr);
    EXPECT_TRUE(std::filesystem::exists(folder / "B.htm"));
    stack.Undo(*project);
    EXPECT_EQ(Find("B")->Data().Url, "B.htm");
    std::filesystem::remove_all(folder);
}

TEST_F(TocUndo, PathsFindTheirNodes) {
    EXPECT_EQ(PathOf(Find("A21")), (TNodePath{0, 0, 1, 0}));
    EXPECT_EQ(NodeAtPath(tree, {0, 0, 1, 0}), Find("A21"));
    EXPECT_EQ(NodeAtPath(tree, {2, 0}), Find("T1"));
    EXPECT_EQ(NodeAtPath(tree, {0, 9}), nullptr);
    EXPECT_EQ(NodeAtPath(tree, {3}), nullptr);
    EXPECT_EQ(NodeAtPath(tree, {}), nullptr);
}

} // namespace
} // namespace parvane
