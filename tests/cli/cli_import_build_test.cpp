#include "../support/test_project.h"
#include "cli_support.h"
#include "model/project_file.h"
#include "model/topic_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kNoDefaultTopic = "You have not specified a default topic";

} // namespace

TEST(CliImport, FolderIndexPagesBecomeHeadingsAndTheFirstPageTheDefaultTopic) {
    TempDir dir;
    WriteFile(dir.Folder() + "docs/page10.htm", Page("Ten", "10"));
    WriteFile(dir.Folder() + "docs/page2.htm", Page("Two", "2"));
    WriteFile(dir.Folder() + "docs/Guide/index.html", Page("Guide", "g"));
    WriteFile(dir.Folder() + "docs/Guide/step.htm", Page("Step", "s"));
    WriteFile(dir.Folder() + "docs/fonts/a.woff2", "font");
    const CliRun run = RunCli({"new", "docs", "-o", "p.pvx", "--import", "--folder-index",
                               "--title-from", "name", "--quiet"},
                              dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.LoadFromFile(dir.Folder() + "p.pvx");
    std::vector<std::string> outline;
    for (TTopicNode* n = tree.ContentsRoot()->FirstChild();
         n && n->RootGroup() == tree.ContentsRoot(); n = n->GetNext())
        outline.push_back(std::string(static_cast<std::size_t>(n->Level() - 1) * 2, ' ') +
                          n->Text() + " = " + n->Data().Url);
    EXPECT_EQ(outline, (std::vector<std::string>{"Guide = Guide\\index.html", "  step = Guide\\step.htm",
                                                 "page2 = page2.htm", "page10 = page10.htm"}));
    EXPECT_EQ(project.ProjectSettings.DefaultTopic, "Guide\\index.html");

    const CliRun flat =
        RunCli({"new", "docs", "-o", "q.pvx", "--import", "--folder-index", "--flat"}, dir.Folder());
    EXPECT_EQ(flat.code, 2);
    EXPECT_THAT(flat.output, HasSubstr("--flat"));
}

TEST(CliBuild, WarnsWhenTheProjectHasNoDefaultTopic) {
    TempDir dir;
    WriteFile(dir.Folder() + "docs/a.htm", Page("A", "a"));
    ASSERT_EQ(RunCli({"new", "docs", "-o", "imported.pvx", "--import"}, dir.Folder()).code, 0);
    const CliRun withDefault =
        RunCli({"build", "imported.pvx", "--single-html", "--out", "one/"}, dir.Folder());
    ASSERT_EQ(withDefault.code, 0) << withDefault.output;
    EXPECT_THAT(withDefault.output, Not(HasSubstr(kNoDefaultTopic)));

    ASSERT_EQ(RunCli({"new", "empty", "-o", "starter.pvx"}, dir.Folder()).code, 0);
    const CliRun without =
        RunCli({"build", "starter.pvx", "--single-html", "--out", "two/"}, dir.Folder());
    EXPECT_EQ(without.code, 0) << "a warning, not a failure";
    EXPECT_THAT(without.output, HasSubstr(kNoDefaultTopic));
}

TEST(CliBuild, HelpNamesTheCopyAndLogOptions) {
    const CliRun run = RunCli({"build", "--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_THAT(run.output, HasSubstr("--copy-all"));
    EXPECT_THAT(run.output, HasSubstr("--compiler-log"));
}
