#include "../support/test_project.h"
#include "cli_support.h"
#include "model/project_file.h"
#include "model/topic_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

namespace {

struct Loaded {
    TTopicTree tree;
    TPvx project;
    explicit Loaded(const std::string& file) : project((tree.CreateRootGroups(), tree)) {
        project.LoadFromFile(file);
    }
    std::vector<std::string> ContentsTitles() {
        std::vector<std::string> out;
        for (TTopicNode* n = tree.ContentsRoot()->FirstChild();
             n && n->RootGroup() == tree.ContentsRoot(); n = n->GetNext())
            out.push_back(std::string(static_cast<std::size_t>(n->Level() - 1) * 2, ' ') +
                          n->Text());
        return out;
    }
};

} // namespace

TEST(CliNew, HelpNamesEveryOption) {
    const CliRun run = RunCli({"new", "--help"});
    EXPECT_EQ(run.code, 0);
    for (const char* option :
         {"--output", "--title", "--encoding", "--import", "--flat", "--title-from"})
        EXPECT_THAT(run.output, HasSubstr(option));
}

TEST(CliNew, CreatesTheRootAndTheStarterContents) {
    TempDir dir;
    const CliRun run = RunCli({"new", "help/pages", "--output", "help.pvx"}, dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("help.pvx"));
    EXPECT_TRUE(fs::is_directory(dir.Folder() + "help/pages"));
    const std::string text = ReadFile(dir.Folder() + "help.pvx");
    EXPECT_THAT(text, HasSubstr("[GENERAL]\r\nTitle=New HTML Help\r\nRootDir=help\\pages\\\r\n"));
    Loaded loaded(dir.Folder() + "help.pvx");
    EXPECT_EQ(loaded.ContentsTitles(),
              (std::vector<std::string>{"New Item", "New Item", "  New Item", "  New Item"}));
    EXPECT_EQ(loaded.project.ProjectSettings.Encoding, "Windows-1252");
}

TEST(CliNew, ImportsFlatWithTitlesFromFileNames) {
    TempDir dir;
    WriteFile(dir.Folder() + "docs/a.htm", Page("Alpha", "a"));
    WriteFile(dir.Folder() + "docs/sub/b.html", Page("Beta", "b"));
    const CliRun run = RunCli({"new", "docs", "-o", "p.pvx", "--import", "--flat", "--title-from",
                               "name", "--title", "Docs", "--encoding", "UTF-8"},
                              dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    Loaded loaded(dir.Folder() + "p.pvx");
    std::vector<std::string> titles = loaded.ContentsTitles();
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(loaded.project.ProjectSettings.Title, "Docs");
    EXPECT_EQ(loaded.project.ProjectSettings.Encoding, "UTF-8");
}

TEST(CliNew, ImportKeepsStructureAndReadsTitles) {
    TempDir dir;
    WriteFile(dir.Folder() + "docs/sub/b.html", Page("Beta &amp; more", "b"));
    const CliRun run = RunCli({"new", "docs", "--output", "p.pvx", "--import"}, dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Searching " + dir.Folder() + "docs/sub/b.html"));
    Loaded loaded(dir.Folder() + "p.pvx");
    EXPECT_EQ(loaded.ContentsTitles(), (std::vector<std::string>{"sub", "  Beta & more"}));
}

TEST(CliNew, RefusesBadArgumentsWithReadableMessages) {
    TempDir dir;
    // A command line that is not understood gives 2, a failure 1, as the other commands do.
    CliRun run = RunCli({"new", "docs"}, dir.Folder());
    EXPECT_EQ(run.code, 2);
    EXPECT_THAT(run.output, HasSubstr("--output"));

    run = RunCli({"new", "docs", "--output", "p.pvx", "--title-from", "body"}, dir.Folder());
    EXPECT_EQ(run.code, 2);
    EXPECT_THAT(run.output, HasSubstr("title, name or filename"));

    run = RunCli({"new", "docs", "--output", "p.pvx", "--frobnicate"}, dir.Folder());
    EXPECT_EQ(run.code, 2);
    EXPECT_THAT(run.output, HasSubstr("unknown option '--frobnicate'"));

    run = RunCli({"new", "docs", "--output", "missing/folder/p.pvx"}, dir.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("doesn't exist"));
    EXPECT_FALSE(fs::exists(dir.Folder() + "docs")) << "nothing made before the check";
}

TEST(CliNew, ReplacesAnExistingProjectFileOnlyWithForce) {
    TempDir dir;
    WriteFile(dir.Folder() + "p.pvx", "keep me");
    CliRun run = RunCli({"new", "docs", "--output", "p.pvx"}, dir.Folder());
    EXPECT_NE(run.code, 0);
    EXPECT_THAT(run.output, HasSubstr("--force"));
    EXPECT_EQ(ReadFile(dir.Folder() + "p.pvx"), "keep me");
    run = RunCli({"new", "docs", "--output", "p.pvx", "--force"}, dir.Folder());
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(ReadFile(dir.Folder() + "p.pvx"), HasSubstr("[TOPICS]"));
}
