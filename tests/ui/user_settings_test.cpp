#include "ui/project_naming.h"
#include "ui/recent_projects.h"
#include "ui/user_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parvane {
namespace {

using ::testing::ElementsAre;

TEST(RecentProjects, ElevenProjectsLeaveTheTenMostRecent) {
    TMemorySettingsStore store;
    for (int i = 1; i <= 11; ++i)
        AddRecentProject(store, "/p/project" + std::to_string(i) + ".pvx");
    const auto entries = ReadRecentProjects(store);
    ASSERT_EQ(entries.size(), 10u);
    EXPECT_EQ(entries.front(), "/p/project11.pvx");
    EXPECT_EQ(entries.back(), "/p/project2.pvx");
    EXPECT_EQ(store.ReadInteger("RecentFilesCount"), 10);
}

TEST(RecentProjects, APathDifferingOnlyInCaseMovesToTheFront) {
    TMemorySettingsStore store;
    AddRecentProject(store, "/p/Manual.pvx");
    AddRecentProject(store, "/p/other.pvx");
    AddRecentProject(store, "/P/manual.PVX");
    EXPECT_THAT(ReadRecentProjects(store), ElementsAre("/P/manual.PVX", "/p/other.pvx"));
}

TEST(RecentProjects, TheSampleProjectStandsInForAnEmptyList) {
    TMemorySettingsStore store;
    EXPECT_THAT(RecentProjectEntries(store, "/app/sample.pvx"), ElementsAre("/app/sample.pvx"));
    store.Write("RecentFilesCount", "0");
    EXPECT_THAT(RecentProjectEntries(store, "/app/sample.pvx"), ElementsAre("/app/sample.pvx"));
    AddRecentProject(store, "/p/a.pvx");
    EXPECT_THAT(RecentProjectEntries(store, "/app/sample.pvx"), ElementsAre("/p/a.pvx"));
}

TEST(RecentProjects, MissingOrDamagedValuesAreSkipped) {
    TMemorySettingsStore store;
    store.Write("RecentFilesCount", "3");
    store.Write("RecentFile1", "/p/a.pvx");
    store.Write("RecentFile3", "/p/c.pvx");
    EXPECT_THAT(ReadRecentProjects(store), ElementsAre("/p/a.pvx", "/p/c.pvx"));
    AddRecentProject(store, "/p/new.pvx");
    EXPECT_THAT(ReadRecentProjects(store), ElementsAre("/p/new.pvx", "/p/a.pvx", "/p/c.pvx"));
    store.Write("RecentFilesCount", "lots");
    EXPECT_TRUE(ReadRecentProjects(store).empty());
}

TEST(WindowState, ReadingStopsAtTheFirstMissingValue) {
    TMemorySettingsStore store;
    EXPECT_FALSE(LoadWindowState(store).HasBounds);
    store.Write("Left", "10");
    store.Write("Top", "20");
    store.Write("Width", "900");
    store.Write("NavWidth", "300");
    // Height is missing: nothing after it counts, the pane width included.
    TWindowState state = LoadWindowState(store);
    EXPECT_FALSE(state.HasBounds);
    EXPECT_FALSE(state.HasNavWidth);
    EXPECT_EQ(state.NavWidth, DesignNavWidth);
    store.Write("Height", "700");
    store.Write("ShowDetail", "true");
    state = LoadWindowState(store);
    EXPECT_TRUE(state.HasBounds);
    EXPECT_EQ(state.Left, 10);
    EXPECT_EQ(state.Height, 700);
    EXPECT_EQ(state.NavWidth, 300);
    EXPECT_FALSE(state.HasShowBorder);
    EXPECT_FALSE(state.HasShowDetail);
}

TEST(WindowState, SavesAPaneWidthOfAtLeastOne) {
    TMemorySettingsStore store;
    TWindowState state;
    state.Left = 5;
    state.Top = 6;
    state.Width = 800;
    state.Height = 600;
    state.NavWidth = 0;
    state.ShowBorder = true;
    SaveWindowState(store, state);
    const TWindowState back = LoadWindowState(store);
    EXPECT_EQ(back.NavWidth, 1);
    EXPECT_TRUE(back.ShowBorder);
    EXPECT_FALSE(back.ShowDetail);
    EXPECT_TRUE(back.HasShowDetail);
    EXPECT_EQ(back.Width, 800);
}

class ProjectNaming : public ::testing::Test {
protected:
    void SetUp() override {
        tree.CreateRootGroups();
        project = std::make_unique<TPvx>(tree);
        project->ResetToDefaults();
    }
    TTopicTree tree;
    std::unique_ptr<TPvx> project;
};

TEST_F(ProjectNaming, CaptionShowsTheProjectFileName) {
    EXPECT_EQ(MainCaption(false, *project), "Parvane v3.2");
    EXPECT_EQ(MainCaption(true, *project), "Parvane v3.2 - unnamed.pvx");
    project->FileName = "/docs/manual.pvx";
    project->IsUntitled = false;
    EXPECT_EQ(MainCaption(true, *project), "Parvane v3.2 - manual.pvx");
}

TEST_F(ProjectNaming, SaveAsProposesTheTitleOrACopyName) {
    project->ProjectSettings.Title = "Help/Guide: one";
    EXPECT_EQ(ProposeSaveAsName(*project), "Help_Guide_ one.pvx");
    project->ProjectSettings.Title = "";
    EXPECT_EQ(ProposeSaveAsName(*project), "unnamed.pvx");
    project->FileName = "/docs/manual.pvx";
    project->IsUntitled = false;
    EXPECT_EQ(ProposeSaveAsName(*project), "/docs/copy of manual.pvx");
}

TEST_F(ProjectNaming, FirstSaveNamesTheCompiledFile) {
    project->ProjectSettings.CompiledFile = "unnamed.chm";
    project->ProjectSettings.Title = "A/B: C";
    EXPECT_EQ(CompiledFileAfterSaveAs(*project, "/x/help.pvx"), "A_B_ C.chm");
    project->ProjectSettings.Title = "";
    EXPECT_EQ(CompiledFileAfterSaveAs(*project, "/x/help.pvx"), "help.chm");
    project->ProjectSettings.CompiledFile = "mine.chm";
    EXPECT_EQ(CompiledFileAfterSaveAs(*project, "/x/help.pvx"), "mine.chm");
    project->ProjectSettings.CompiledFile = "unnamed.chm";
    project->IsUntitled = false;
    EXPECT_EQ(CompiledFileAfterSaveAs(*project, "/x/help.pvx"), "unnamed.chm");
}

} // namespace
} // namespace parvane
