#include "model/errors.h"
#include "model/string_func.h"
#include "tree_builder.h"
#include "ui/toc_commands.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace parvane {
namespace {

using ::testing::ElementsAre;
using namespace parvane::testing;

class TocCommands : public ::testing::Test {
protected:
    void SetUp() override {
        tree.CreateRootGroups();
        project = std::make_unique<TPvx>(tree);
        project->Modified = false;
    }
    TTopicNode* Toc() { return tree.ContentsRoot(); }
    TTopicNode* Find(const std::string& title) { return FindTopic(tree, title); }
    void Select(const std::vector<std::string>& titles) { SelectTopics(tree, titles); }

    TTopicTree tree;
    std::unique_ptr<TPvx> project;
};

// Counts how often the tree tells its observer about changes.
class TCountingObserver : public TTreeObserver {
public:
    void StructureChanged() override { ++structureChanges; }
    void NodesInserted() override { ++singleChanges; }
    void NodesRemoved() override { ++singleChanges; }
    void NodeChanged(TTopicNode*) override { ++singleChanges; }
    int structureChanges = 0;
    int singleChanges = 0;
};

// ---- the movable selection ------------------------------------------------------------

TEST_F(TocCommands, MovableSelectionIsTreeOrderedAndDropsDescendantsAndGroups) {
    BuildTopics(tree, Toc(), "A(B,C(D)),E");
    Select({"E", "D", "A", "Table of contents", "C"});
    const TMovableSelection selection = CollectMovableSelection(tree);
    std::vector<std::string> full, movable;
    for (auto* n : selection.Full)
        full.push_back(n->Text());
    for (auto* n : selection.Movable)
        movable.push_back(n->Text());
    EXPECT_THAT(full, ElementsAre("A", "C", "D", "E"));
    EXPECT_THAT(movable, ElementsAre("A", "E"));
}

// ---- move up and down -----------------------------------------------------------------

TEST_F(TocCommands, MoveUpShiftsASelectedBlockByOnePlace) {
    BuildTopics(tree, Toc(), "A,B,C,D");
    Select({"B", "C"});
    MoveSelectionUp(*project);
    EXPECT_EQ(Shape(Toc()), "B,C,A,D");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("B", "C"));
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, BlocksAtTheEndsDoNotMove) {
    BuildTopics(tree, Toc(), "A,B,C,D");
    Select({"A", "B"});
    MoveSelectionUp(*project);
    EXPECT_EQ(Shape(Toc()), "A,B,C,D");
    Select({"C", "D"});
    MoveSelectionDown(*project);
    EXPECT_EQ(Shape(Toc()), "A,B,C,D");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("C", "D"));
}

TEST_F(TocCommands, MoveDownShiftsABlockAndEachSeparateTopic) {
    BuildTopics(tree, Toc(), "A,B,C,D,E");
    Select({"B", "C"});
    MoveSelectionDown(*project);
    EXPECT_EQ(Shape(Toc()), "A,D,B,C,E");
    Select({"A", "B"});
    MoveSelectionDown(*project);
    EXPECT_EQ(Shape(Toc()), "D,A,C,B,E");
}

TEST_F(TocCommands, MoveDownMovesEachSelectedRunAsABlock) {
    BuildTopics(tree, Toc(), "A,B,C,S,D,T,U");
    Select({"A", "B", "C", "D"});
    MoveSelectionDown(*project);
    EXPECT_EQ(Shape(Toc()), "S,A,B,C,T,D,U");
}

TEST_F(TocCommands, MovesWorkInsideEachParentSeparately) {
    BuildTopics(tree, Toc(), "A(A1,A2),B(B1,B2)");
    Select({"A2", "B2"});
    MoveSelectionUp(*project);
    EXPECT_EQ(Shape(Toc()), "A(A2,A1),B(B2,B1)");
}

TEST_F(TocCommands, ParentAndChildSelectedMovesOnlyTheParent) {
    BuildTopics(tree, Toc(), "X,A(B,C)");
    Select({"A", "C"});
    MoveSelectionUp(*project);
    EXPECT_EQ(Shape(Toc()), "A(B,C),X");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("A", "C"));
}

// ---- move right and left --------------------------------------------------------------

TEST_F(TocCommands, SiblingsMovedRightThenLeftComeBackInOrder) {
    BuildTopics(tree, Toc(), "A,B,C,D");
    Select({"B", "C"});
    MoveSelectionRight(*project);
    EXPECT_EQ(Shape(Toc()), "A(B,C),D");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("B", "C"));
    MoveSelectionLeft(*project);
    EXPECT_EQ(Shape(Toc()), "A,B,C,D");
}

TEST_F(TocCommands, MoveRightAppendsBelowExistingChildrenWithSubtrees) {
    BuildTopics(tree, Toc(), "A(A1(A11)),B(B1)");
    Select({"B"});
    MoveSelectionRight(*project);
    EXPECT_EQ(Shape(Toc()), "A(A1(A11),B(B1))");
}

TEST_F(TocCommands, FirstChildAndTopLevelTopicsStayPut) {
    BuildTopics(tree, Toc(), "A(B,C),D");
    Select({"B"});
    MoveSelectionRight(*project);
    Select({"A"});
    MoveSelectionLeft(*project);
    EXPECT_EQ(Shape(Toc()), "A(B,C),D");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("A"));
}

TEST_F(TocCommands, MoveLeftPlacesTheTopicRightAfterItsParent) {
    BuildTopics(tree, Toc(), "A(B,C(C1),D),E");
    Select({"C"});
    MoveSelectionLeft(*project);
    // C's own children come along; its later siblings stay with A.
    EXPECT_EQ(Shape(Toc()), "A(B,D),C(C1),E");
}

TEST_F(TocCommands, MoveRightAndAddHeadingPutsTheSelectionUnderANewNoLinkHeading) {
    BuildTopics(tree, Toc(), "A,B,C,D");
    Select({"B", "C"});
    TTopicNode* heading = MoveRightAndAddHeading(*project);
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(Shape(Toc()), "A,New Item(B,C),D");
    EXPECT_EQ(heading->Data().Status, tsNoLink);
    EXPECT_TRUE(heading->Data().Url.empty());
    EXPECT_FALSE(tree.IsSelected(heading));
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("B", "C"));
}

TEST_F(TocCommands, MoveRightAndAddHeadingWithoutSelectionDoesNothing) {
    BuildTopics(tree, Toc(), "A");
    tree.ClearSelection();
    EXPECT_EQ(MoveRightAndAddHeading(*project), nullptr);
    EXPECT_EQ(Shape(Toc()), "A");
    EXPECT_FALSE(project->Modified);
}

TEST_F(TocCommands, EachMoveReachesTheViewAsOneStructureChange) {
    BuildTopics(tree, Toc(), "A,B,C,D,E,F");
    TCountingObserver observer;
    tree.SetObserver(&observer);
    Select({"B", "D", "F"});
    MoveSelectionRight(*project);
    MoveSelectionLeft(*project);
    MoveSelectionDown(*project);
    MoveSelectionUp(*project);
    tree.SetObserver(nullptr);
    EXPECT_EQ(observer.structureChanges, 4);
    EXPECT_EQ(observer.singleChanges, 0);
}

// ---- drag and drop --------------------------------------------------------------------

TEST_F(TocCommands, DropModeFollowsTheBandsOfTheRow) {
    BuildTopics(tree, Toc(), "A");
    TTopicNode* a = Find("A");
    EXPECT_EQ(DropModeAt(a, 3, 16), DropMode::Before);
    EXPECT_EQ(DropModeAt(a, 4, 16), DropMode::AsChild);
    EXPECT_EQ(DropModeAt(a, 10, 16), DropMode::AsChild);
    EXPECT_EQ(DropModeAt(a, 11, 16), DropMode::After);
    // Taller rows keep the same proportions.
    EXPECT_EQ(DropModeAt(a, 7, 32), DropMode::Before);
    EXPECT_EQ(DropModeAt(a, 21, 32), DropMode::AsChild);
    EXPECT_EQ(DropModeAt(a, 22, 32), DropMode::After);
    // A group only ever takes children.
    EXPECT_EQ(DropModeAt(Toc(), 1, 16), DropMode::AsChild);
    EXPECT_EQ(DropModeAt(Toc(), 15, 16), DropMode::AsChild);
}

TEST_F(TocCommands, DropOnTheLowerThirdInsertsAfterTheRowInOrder) {
    BuildTopics(tree, Toc(), "A,B,C,D,E");
    Select({"D", "E"});
    EXPECT_TRUE(DropSelection(*project, Find("A"), DropModeAt(Find("A"), 14, 16)));
    EXPECT_EQ(Shape(Toc()), "A,D,E,B,C");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("D", "E"));
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, DropAfterKeepsOrderWhenTheNextSiblingIsSelected) {
    BuildTopics(tree, Toc(), "A,B,C,D");
    Select({"B", "D"});
    DropSelection(*project, Find("A"), DropMode::After);
    EXPECT_EQ(Shape(Toc()), "A,B,D,C");
}

TEST_F(TocCommands, DropBeforeAndAsChild) {
    BuildTopics(tree, Toc(), "A,B(B1),C");
    Select({"C"});
    DropSelection(*project, Find("A"), DropMode::Before);
    EXPECT_EQ(Shape(Toc()), "C,A,B(B1)");
    Select({"A"});
    DropSelection(*project, Find("B"), DropMode::AsChild);
    EXPECT_EQ(Shape(Toc()), "C,B(B1,A)");
}

TEST_F(TocCommands, DropOnAGroupAppendsToItAndChangesTheKind) {
    BuildTopics(tree, Toc(), "A,B,C");
    BuildTopics(tree, tree.TemplatesRoot(), "T1");
    Select({"A", "C"});
    DropSelection(*project, tree.TemplatesRoot(), DropMode::Before);
    EXPECT_EQ(Shape(Toc()), "B");
    EXPECT_EQ(Shape(tree.TemplatesRoot()), "T1,A,C");
    EXPECT_EQ(Find("A")->Data().Kind, 2);
    EXPECT_EQ(Find("C")->Data().Kind, 2);
}

TEST_F(TocCommands, ANodeIsNeverDroppedIntoItsOwnSubtree) {
    BuildTopics(tree, Toc(), "A(B(C)),D");
    Select({"A", "D"});
    DropSelection(*project, Find("C"), DropMode::AsChild);
    // A is skipped; D is still moved.
    EXPECT_EQ(Shape(Toc()), "A(B(C(D)))");
    Select({"A"});
    DropSelection(*project, Find("B"), DropMode::After);
    EXPECT_EQ(Shape(Toc()), "A(B(C(D)))");
}

TEST_F(TocCommands, DropIsRefusedOnSelectedNodesAndWhenAGroupHasTheFocus) {
    BuildTopics(tree, Toc(), "A,B");
    Select({"A"});
    EXPECT_FALSE(CanDropOn(tree, Find("A")));
    EXPECT_TRUE(CanDropOn(tree, Find("B")));
    EXPECT_TRUE(CanDropOn(tree, tree.TemplatesRoot()));
    EXPECT_FALSE(CanDropOn(tree, nullptr));
    tree.SetSelections({tree.NonContentsRoot(), Find("A")}, tree.NonContentsRoot());
    EXPECT_FALSE(CanDropOn(tree, Find("B")));
}

TEST_F(TocCommands, AutoScrollUsesTheMarginsOnlyWhereTheTreeCanScroll) {
    TScrollRoom all{true, true, true, true};
    EXPECT_EQ(AutoScrollDirection(100, 170, 200, 200, all), sdDown);
    EXPECT_EQ(AutoScrollDirection(100, 10, 200, 200, all), sdUp);
    EXPECT_EQ(AutoScrollDirection(10, 100, 200, 200, all), sdLeft);
    EXPECT_EQ(AutoScrollDirection(190, 100, 200, 200, all), sdRight);
    EXPECT_EQ(AutoScrollDirection(100, 100, 200, 200, all), sdNone);
    TScrollRoom upOnly{false, true, false, false};
    EXPECT_EQ(AutoScrollDirection(100, 170, 200, 200, upOnly), sdNone);
}

// ---- delete ------------------------------------------------------------------------------

TEST_F(TocCommands, DeletingOnlyAGroupDeletesNothing) {
    BuildTopics(tree, Toc(), "A,B");
    tree.Select(Toc());
    EXPECT_EQ(DeleteSelection(*project), 0);
    EXPECT_EQ(Shape(Toc()), "A,B");
    EXPECT_FALSE(project->Modified);
}

TEST_F(TocCommands, DeleteRemovesSubtreesAndSelectsTheNextTopic) {
    BuildTopics(tree, Toc(), "A(B,C),D,E");
    Select({"A", "C", "E"});
    EXPECT_EQ(DeleteSelection(*project), 2);
    EXPECT_EQ(Shape(Toc()), "D");
    EXPECT_EQ(tree.Count(), 4);
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("D"));
    EXPECT_EQ(tree.Selected(), Find("D"));
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, DeleteSelectsThePreviousTopicElseTheParent) {
    BuildTopics(tree, Toc(), "A(B,C,D),E");
    // The last children: the one before them.
    Select({"C", "D"});
    DeleteSelection(*project);
    EXPECT_EQ(Shape(Toc()), "A(B),E");
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("B"));
    // An only child: its parent.
    Select({"B"});
    DeleteSelection(*project);
    EXPECT_THAT(SelectedTitles(tree), ElementsAre("A"));
    // Every topic of a group: the group.
    Select({"A", "E"});
    DeleteSelection(*project);
    EXPECT_EQ(tree.Selected(), Toc());
}

// ---- add -----------------------------------------------------------------------------------

TEST_F(TocCommands, ThreeBlankPagesInsertedAfterFollowTheSelectedTopic) {
    BuildTopics(tree, Toc(), "A,B");
    Select({"A"});
    TAddRequest request;
    request.InsertMode = aimAfter;
    request.Count = 3;
    const auto added = AddTopics(*project, request);
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(Shape(Toc()), "A,New Item,New Item,New Item,B");
    for (TTopicNode* node : added) {
        EXPECT_EQ(node->Data().Status, tsUnsaved);
        EXPECT_TRUE(tree.IsSelected(node));
    }
    EXPECT_EQ(tree.Selections().size(), 3u);
    // Inserted one after another right behind A: the first created stands last.
    EXPECT_EQ(added.front()->Index(), 3);
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, AddModesPlaceNoLinkTopicsRelativeToTheSelection) {
    BuildTopics(tree, Toc(), "A(A1),B");
    TAddRequest request;
    request.ItemType = AddItemType::NoLink;
    Select({"A1"});
    request.InsertMode = aimEnd;
    AddTopics(*project, request);
    Select({"A1"});
    request.InsertMode = aimBefore;
    AddTopics(*project, request);
    Select({"B"});
    request.InsertMode = aimChild;
    AddTopics(*project, request);
    EXPECT_EQ(Shape(Toc()), "A(New Item,A1,New Item),B(New Item)");
    EXPECT_EQ(Find("New Item")->Data().Status, tsNoLink);
}

TEST_F(TocCommands, AddingIntoAnotherGroupAlwaysAppends) {
    BuildTopics(tree, Toc(), "A,B");
    BuildTopics(tree, tree.NonContentsRoot(), "N1,N2");
    Select({"A"});
    TAddRequest request;
    request.Page = 1;
    request.InsertMode = aimBefore;
    AddTopics(*project, request);
    EXPECT_EQ(Shape(Toc()), "A,B");
    EXPECT_EQ(Shape(tree.NonContentsRoot()), "N1,N2,New Item");
    request.Page = 2;
    AddTopics(*project, request);
    EXPECT_EQ(Shape(tree.TemplatesRoot()), "New Template");
}

TEST_F(TocCommands, AddWithAGroupSelectedAppendsToIt) {
    BuildTopics(tree, Toc(), "A");
    tree.Select(Toc());
    TAddRequest request;
    request.InsertMode = aimChild; // the greyed "Append"
    AddTopics(*project, request);
    EXPECT_EQ(Shape(Toc()), "A,New Item");
}

class AddExistingFiles : public TocCommands {
protected:
    void SetUp() override {
        TocCommands::SetUp();
        root =
            std::filesystem::temp_directory_path() / ("parvane-add-" + std::to_string(::getpid()));
        std::filesystem::create_directories(root / "sub");
        Write(root / "a.htm", "<html><head><TITLE>Alpha</TITLE></head><body></body></html>");
        Write(root / "sub" / "b.html", "<html><body>no title</body></html>");
        Write(root.parent_path() / ("parvane-outside-" + std::to_string(::getpid()) + ".htm"),
              "<title>Out</title>");
        project->ProjectSettings.RootDir = root.string() + "/";
    }
    void TearDown() override {
        std::filesystem::remove_all(root);
        std::filesystem::remove(Outside());
    }
    static void Write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path) << text;
    }
    std::string Outside() const {
        return (root.parent_path() / ("parvane-outside-" + std::to_string(::getpid()) + ".htm"))
            .string();
    }
    std::filesystem::path root;
};

TEST_F(AddExistingFiles, InsertAfterReversesTheFilesAndTitlesComeFromThePages) {
    BuildTopics(tree, Toc(), "X,Y");
    Select({"X"});
    TAddRequest request;
    request.ItemType = AddItemType::ExistingFiles;
    request.InsertMode = aimAfter;
    request.Files = {(root / "a.htm").string(), (root / "sub" / "b.html").string()};
    AddTopics(*project, request);
    EXPECT_EQ(Shape(Toc()), "X,No title,Alpha,Y");
    EXPECT_EQ(Find("Alpha")->Data().Url, "a.htm");
    EXPECT_EQ(Find("No title")->Data().Url, "sub\\b.html");
    EXPECT_EQ(Find("Alpha")->Data().Status, tsLinked);
}

TEST_F(AddExistingFiles, TitleModesAndPagesOutsideTheRoot) {
    tree.Select(Toc());
    TAddRequest request;
    request.ItemType = AddItemType::ExistingFiles;
    request.TitleMode = 2;
    request.Files = {(root / "sub" / "b.html").string(), Outside()};
    AddTopics(*project, request);
    request.TitleMode = 3;
    request.Files = {(root / "a.htm").string()};
    tree.Select(Toc());
    AddTopics(*project, request);
    const std::string outsideName = std::filesystem::path(Outside()).stem().string();
    EXPECT_EQ(Shape(Toc()), "b," + outsideName + ",a.htm");
    EXPECT_EQ(Find(outsideName)->Data().Url, "..\\" + outsideName + ".htm");
}

TEST_F(TocCommands, AddDialogOpensOnThePageOfTheEntryOrTheSelection) {
    BuildTopics(tree, tree.NonContentsRoot(), "N");
    Select({"N"});
    TAddDialogPreset preset = AddDialogPreset(tree, 2);
    EXPECT_EQ(preset.Page, 1);
    EXPECT_EQ(preset.HomeKind, 1);
    EXPECT_EQ(preset.InsertMode, aimAfter);
    EXPECT_EQ(AddDialogPreset(tree, 4).InsertMode, aimEnd);
    EXPECT_EQ(AddDialogPreset(tree, 0).InsertMode, aimBefore);
    EXPECT_EQ(AddDialogPreset(tree, 12).Page, 2);
    tree.Select(tree.TemplatesRoot());
    preset = AddDialogPreset(tree, 0);
    EXPECT_EQ(preset.Page, 2);
    EXPECT_EQ(preset.HomeKind, -3);
    EXPECT_FALSE(AddModesEnabled(preset.HomeKind, preset.Page));
    EXPECT_TRUE(AddModesEnabled(1, 1));
    EXPECT_FALSE(AddModesEnabled(0, 1));
}

// ---- sort, expand, rename ----------------------------------------------------------------

TEST_F(TocCommands, SortAllLevelsOrOnlyTheFirst) {
    BuildTopics(tree, Toc(), "c(z,y),a,B(x,w)");
    const auto compare = [](const std::string& a, const std::string& b) {
        return StringFunc::CompareText(a, b);
    };
    SortChildren(*project, Toc(), false, compare);
    EXPECT_EQ(Shape(Toc()), "a,B(x,w),c(z,y)");
    SortChildren(*project, Toc(), true, compare);
    EXPECT_EQ(Shape(Toc()), "a,B(w,x),c(y,z)");
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, LocaleCompareOrdersLettersBeforeCaseMatters) {
    EXPECT_LT(LocaleCompare("apple", "Banana"), 0);
    EXPECT_GT(LocaleCompare("cherry", "Banana"), 0);
}

TEST_F(TocCommands, ExpandAndCollapseAllSwitchImagesWithinTheirPairs) {
    BuildTopics(tree, Toc(), "A(B(C)),D");
    Find("A")->SetImage(0);
    Find("B")->SetImage(44);
    Find("C")->SetImage(9);
    ExpandAll(Toc());
    EXPECT_EQ(Toc()->ImageIndex(), imgRootOpen);
    EXPECT_EQ(Find("A")->ImageIndex(), 1);
    EXPECT_EQ(Find("B")->ImageIndex(), 45);
    EXPECT_EQ(Find("C")->ImageIndex(), 9);
    EXPECT_TRUE(Find("B")->Expanded());
    CollapseAll(Find("A"));
    EXPECT_EQ(Find("A")->ImageIndex(), 0);
    EXPECT_EQ(Find("B")->ImageIndex(), 44);
    EXPECT_FALSE(Find("A")->Expanded());
    EXPECT_TRUE(Toc()->Expanded());
}

TEST_F(TocCommands, GroupsRefuseRenaming) {
    BuildTopics(tree, Toc(), "A");
    EXPECT_FALSE(RenameTopic(*project, Toc(), "Other"));
    EXPECT_EQ(Toc()->Text(), "Table of contents");
    EXPECT_FALSE(project->Modified);
    EXPECT_TRUE(RenameTopic(*project, Find("A"), "Renamed"));
    EXPECT_EQ(Shape(Toc()), "Renamed");
    EXPECT_TRUE(project->Modified);
}

// ---- default topic, icons, links --------------------------------------------------------

TEST_F(TocCommands, OnlyLinkedTopicsBecomeTheDefault) {
    BuildTopics(tree, Toc(), "A,B,C");
    Find("B")->Data().Status = tsUnsaved;
    Find("C")->Data().Status = tsNoLink;
    EXPECT_THROW(
        {
            try {
                SetAsDefaultTopic(*project, Find("B"));
            } catch (const EParvaneError& e) {
                EXPECT_STREQ(e.what(), "Cannot set an unsaved topic as default.");
                throw;
            }
        },
        EParvaneError);
    EXPECT_THROW(
        {
            try {
                SetAsDefaultTopic(*project, Find("C"));
            } catch (const EParvaneError& e) {
                EXPECT_STREQ(e.what(), "Cannot set a no-link topic as default.");
                throw;
            }
        },
        EParvaneError);
    EXPECT_TRUE(project->ProjectSettings.DefaultTopic.empty());
    EXPECT_FALSE(project->Modified);
    SetAsDefaultTopic(*project, Find("A"));
    EXPECT_EQ(project->ProjectSettings.DefaultTopic, "A.htm");
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, IconOfSeveralTopicsAndTheirCommonIcon) {
    BuildTopics(tree, Toc(), "A,B,C");
    Select({"A", "B"});
    SetIconOfSelection(*project, 5);
    EXPECT_EQ(Find("A")->Data().Icon, 5);
    EXPECT_EQ(Find("B")->Data().Icon, 5);
    EXPECT_EQ(Find("C")->Data().Icon, 0);
    EXPECT_EQ(CommonIconOfSelection(tree), 5);
    Select({"A", "C"});
    EXPECT_EQ(CommonIconOfSelection(tree), -1);
}

TEST_F(TocCommands, LinkCommandsSetTheStatusAndKeepTheAddress) {
    BuildTopics(tree, Toc(), "A");
    TTopicNode* a = Find("A");
    LinkToBlankPage(*project, a);
    EXPECT_EQ(a->Data().Status, tsUnsaved);
    EXPECT_EQ(a->Data().Url, "A.htm");
    MakeNoLink(*project, a);
    EXPECT_EQ(a->Data().Status, tsNoLink);
    LinkToExistingPage(*project, a, "sub\\b.htm");
    EXPECT_EQ(a->Data().Status, tsLinked);
    EXPECT_EQ(a->Data().Url, "sub\\b.htm");
    EXPECT_TRUE(project->Modified);
}

TEST_F(TocCommands, ExistingPagesOutsideTheRootNeedAQuestion) {
    TExistingPageLink inside = ExistingPageLink("/proj/", "/PROJ/sub/page.htm");
    EXPECT_FALSE(inside.Outside);
    EXPECT_EQ(inside.Url, "sub\\page.htm");
    TExistingPageLink outside = ExistingPageLink("/proj/", "/elsewhere/page.htm");
    EXPECT_TRUE(outside.Outside);
    EXPECT_EQ(outside.Url, "/elsewhere/page.htm");
    EXPECT_EQ(TocTexts::OutsideRootQuestion("/elsewhere/page.htm"),
              "\"/elsewhere/page.htm\" is out of project root folder, so it cannot be packd "
              "into chm file. Continue?");
}

// ---- enabling ---------------------------------------------------------------------------------

TEST_F(TocCommands, OneSelectedTopicEnablesThePropertyBar) {
    BuildTopics(tree, Toc(), "A,B");
    Find("A")->Data().Icon = 7;
    Select({"A"});
    const TSelectionState state = CheckMultiSelectionStatus(tree);
    EXPECT_TRUE(state.MoveButtons);
    EXPECT_TRUE(state.TitleAndUrl);
    EXPECT_FALSE(state.ClearTitleAndUrl);
    EXPECT_TRUE(state.LinkButtons);
    EXPECT_FALSE(state.GreyLabels);
    EXPECT_TRUE(state.IconBox);
    EXPECT_EQ(state.CommonIcon, 7);
    EXPECT_FALSE(state.LockEditor);
    EXPECT_TRUE(state.PreviewBar);
    EXPECT_EQ(state.ShowTopic, Find("A"));
}

TEST_F(TocCommands, SeveralSelectedTopicsLeaveOnlyTheIconBox) {
    BuildTopics(tree, Toc(), "A,B");
    Select({"A", "B"});
    const TSelectionState state = CheckMultiSelectionStatus(tree);
    EXPECT_TRUE(state.MoveButtons);
    EXPECT_FALSE(state.TitleAndUrl);
    EXPECT_TRUE(state.ClearTitleAndUrl);
    EXPECT_FALSE(state.LinkButtons);
    EXPECT_TRUE(state.GreyLabels);
    EXPECT_TRUE(state.LockEditor);
    EXPECT_TRUE(state.IconBox);
    EXPECT_EQ(state.CommonIcon, 0);
    EXPECT_EQ(state.ShowTopic, nullptr);
}

TEST_F(TocCommands, GroupsAndTopicsOutsideTheContentsDisableTheIconBox) {
    BuildTopics(tree, tree.NonContentsRoot(), "N");
    tree.Select(Toc());
    TSelectionState state = CheckMultiSelectionStatus(tree);
    EXPECT_TRUE(state.MoveButtons);
    EXPECT_FALSE(state.IconBox);
    EXPECT_FALSE(state.TitleAndUrl);
    EXPECT_FALSE(state.PreviewBar);
    Select({"N"});
    state = CheckMultiSelectionStatus(tree);
    EXPECT_TRUE(state.TitleAndUrl);
    EXPECT_FALSE(state.IconBox);
    EXPECT_FALSE(state.PreviewBar);
    tree.ClearSelection();
    state = CheckMultiSelectionStatus(tree);
    EXPECT_FALSE(state.MoveButtons);
    EXPECT_FALSE(state.IconBox);
}

TEST_F(TocCommands, ContextMenuShowsTheEntriesOfTheSelectedKind) {
    BuildTopics(tree, Toc(), "A");
    BuildTopics(tree, tree.TemplatesRoot(), "T");
    TPopupState s = PopupState(Toc());
    EXPECT_TRUE(s.AddToc);
    EXPECT_FALSE(s.AddRelative || s.AddNonContents || s.AddTemplates || s.Delete || s.SetDefault ||
                 s.NoTemplate);
    s = PopupState(tree.NonContentsRoot());
    EXPECT_TRUE(s.AddNonContents);
    EXPECT_FALSE(s.AddToc || s.Delete || s.NoTemplate);
    s = PopupState(tree.TemplatesRoot());
    EXPECT_TRUE(s.AddTemplates && s.NoTemplate);
    EXPECT_FALSE(s.Delete || s.SetHtmlHelpTemplate);
    s = PopupState(Find("A"));
    EXPECT_TRUE(s.AddRelative && s.Delete && s.SetDefault);
    EXPECT_FALSE(s.SetHtmlHelpTemplate || s.SetWebHelpTemplate || s.NoTemplate || s.AddToc);
    s = PopupState(Find("T"));
    EXPECT_TRUE(s.AddRelative && s.Delete && s.SetHtmlHelpTemplate && s.SetWebHelpTemplate &&
                s.NoTemplate);
    EXPECT_FALSE(s.SetDefault);
}

TEST_F(TocCommands, TemplateTopicsHintTheirRoleByImage) {
    BuildTopics(tree, tree.TemplatesRoot(), "T");
    BuildTopics(tree, Toc(), "A");
    Find("T")->SetImage(imgHtmlHelpTemplate);
    EXPECT_EQ(TemplateHint(Find("T")), "For HTML Help");
    Find("T")->SetImage(imgWebHelpTemplate);
    EXPECT_EQ(TemplateHint(Find("T")), "For Web Help");
    Find("T")->SetImage(imgBothTemplates);
    EXPECT_EQ(TemplateHint(Find("T")), "For HTML Help and Web Help");
    Find("A")->SetImage(imgBothTemplates);
    EXPECT_EQ(TemplateHint(Find("A")), "");
}

} // namespace
} // namespace parvane
