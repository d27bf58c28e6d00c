// The command line where a desktop dialog would ask: a project folder made on demand, no
// silent fallback for an empty output name, and defaults with a warning for settings the
// build dialog would insist on.

#include "../support/test_project.h"
#include "cli_support.h"
#include "model/string_func.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

namespace {

const std::string kProjects = std::string(PARVANE_TEST_DATA) + "/projects/";

// A project made by `new` in a fresh folder, with one project setting replaced.
struct CliProject {
    TempDir dir;
    CliProject() {
        WriteFile(dir / "docs/index.htm", Page("Start", "<p>start</p>"));
        const CliRun run = RunCli({"new", "docs", "--output", "help.pvx", "--import", "--quiet"},
                                  dir.Folder());
        EXPECT_EQ(run.code, 0) << run.output;
    }
    void Set(const std::string& key, const std::string& value) {
        std::string text = ReadFile(dir / "help.pvx");
        const std::size_t at = text.find("\r\n" + key + "=");
        ASSERT_NE(at, std::string::npos) << key;
        const std::size_t end = text.find("\r\n", at + 2);
        text.replace(at + 2, end - at - 2, key + "=" + value);
        WriteFile(dir / "help.pvx", text);
    }
};

} // namespace

TEST(CliNewRoot, AMissingRootIsMadeWhenTheProjectFileGoesIntoIt) {
    TempDir dir;
    const CliRun run = RunCli({"new", "manual", "--output", "manual/help.pvx"}, dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(fs::is_regular_file(dir / "manual/help.pvx"));

    // Any other missing folder of the project file is still refused, and nothing is made.
    const CliRun other = RunCli({"new", "pages", "--output", "elsewhere/help.pvx"}, dir.Folder());
    EXPECT_EQ(other.code, 1);
    EXPECT_THAT(other.output, HasSubstr("elsewhere\" of the project file doesn't exist"));
    EXPECT_FALSE(fs::exists(dir / "pages"));
}

TEST(CliBuildSettings, AnEmptyOutputNameIsAnErrorNotTheProjectsFolder) {
    CliProject p;
    for (const char* kind : {"--single-html", "--webhelp", "--htmlhelp"}) {
        const CliRun run = RunCli({"build", "help.pvx", kind, "--out", ""}, p.dir.Folder());
        EXPECT_EQ(run.code, 2) << kind;
        EXPECT_THAT(run.output, HasSubstr("--out needs a folder"));
    }
    const CliRun keep =
        RunCli({"build", "help.pvx", "--htmlhelp", "--keep-project", " "}, p.dir.Folder());
    EXPECT_EQ(keep.code, 2);
    EXPECT_FALSE(fs::exists(p.dir / "docs/index.chm"));
}

TEST(CliBuildSettings, AnEmptySingleHtmlFileNameBuildsIndexHtmWithAWarning) {
    CliProject p;
    p.Set("SingleHtmlFilename", "");
    const CliRun run = RunCli({"build", "help.pvx", "--single-html", "--out", "out"}, p.dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output,
                HasSubstr("Warning: the project names no Single HTML file; writing \"index.htm\"."));
    EXPECT_THAT(ReadFile(p.dir / "out/index.htm"), HasSubstr("start"));
}

TEST(CliBuildSettings, EmptyWebHelpColoursBuildWithTheDefaultsAndAWarning) {
    CliProject p;
    p.Set("WebFontColor", "");
    p.Set("WebBackColor", " ");
    const CliRun run = RunCli({"build", "help.pvx", "--webhelp", "--out", "web"}, p.dir.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Warning: the project sets no Web Help font colour; using "
                                      "#000000."));
    EXPECT_THAT(run.output, HasSubstr("Warning: the project sets no Web Help background colour; "
                                      "using #DCDBD6."));
    EXPECT_THAT(ReadFile(p.dir / "web/webhelptop.htm"), HasSubstr("#DCDBD6"));

    // One colour left: the other takes its partner, so the text stays readable.
    p.Set("WebBackColor", "#003366");
    const CliRun dark = RunCli({"build", "help.pvx", "--webhelp", "--out", "web"}, p.dir.Folder());
    ASSERT_EQ(dark.code, 0) << dark.output;
    EXPECT_THAT(dark.output, HasSubstr("font colour; using #ffffff."));
    EXPECT_THAT(dark.output, ::testing::Not(HasSubstr("background colour")));
}

TEST(CliDeepTree, AChainDeeperThanTheOutputsShowIsListedButRefusedByTheBuild) {
    TempDir dir;
    fs::copy_file(kProjects + "deep_chain.pvx", dir / "deep.pvx");
    const CliRun tree = RunCli({"tree", "deep.pvx"}, dir.Folder());
    ASSERT_EQ(tree.code, 0) << tree.output.substr(0, 500);
    EXPECT_THAT(tree.output, HasSubstr("Level 600"));
    for (const char* kind : {"--single-html", "--webhelp", "--htmlhelp"}) {
        const CliRun run = RunCli({"build", "deep.pvx", kind, "--out",
                                   std::string(kind) == "--htmlhelp" ? "deep.chm" : "out"},
                                  dir.Folder());
        EXPECT_EQ(run.code, 1) << kind;
        EXPECT_THAT(run.output, HasSubstr("is more than 256 levels deep at the topic \"Level 257\""))
            << run.output;
    }
}
