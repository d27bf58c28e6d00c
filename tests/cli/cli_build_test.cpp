#include "../support/test_project.h"
#include "cli_support.h"
#include "model/paths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

namespace {

// A project made with the command line from a folder of two pages and a picture.
struct CliProject {
    TempDir dir;
    CliProject() {
        WriteFile(dir.Folder() + "docs/index.htm",
                  Page("Start", "<p>Go to the <a href=\"more/next.htm\">next page</a>.</p>"));
        WriteFile(dir.Folder() + "docs/more/next.htm", Page("Next", "<img src=\"pic.png\">"));
        WriteFile(dir.Folder() + "docs/more/pic.png", "PNG");
        const CliRun run = RunCli(
            {"new", "docs", "--output", "help.pvx", "--import", "--encoding", "UTF-8", "--quiet"},
            dir.Folder());
        EXPECT_EQ(run.code, 0) << run.output;
    }
    std::string Folder() const { return dir.Folder(); }
};

} // namespace

TEST(CliBuild, HelpListsTheOutputsAndOptions) {
    const CliRun run = RunCli({"build", "--help"});
    EXPECT_EQ(run.code, 0);
    for (const char* option :
         {"--single-html", "--webhelp", "--htmlhelp", "--out", "--force", "--keep-project",
          "--no-search"})
        EXPECT_THAT(run.output, HasSubstr(option));
}

TEST(CliBuild, BuildsSingleHtmlAndPrintsEveryStep) {
    CliProject p;
    const auto before = Snapshot(p.Folder() + "docs");
    const CliRun run = RunCli({"build", "help.pvx", "--single-html", "--out", "out"}, p.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Reading TOC...\nPreparing files...\nCreating page...\n"
                                      "Output files...\n"));
    EXPECT_THAT(run.output, HasSubstr("Changing hyperlinks...\n\nFilename: " + p.Folder() +
                                      "out/index.htm\n\nCompleted.\n"));
    const std::string page = ReadFile(p.Folder() + "out/index.htm");
    std::smatch next;
    ASSERT_TRUE(
        std::regex_search(page, next, std::regex("<a name=\"(A[0-9]+)\"><h[0-9]>[0-9.]+ Next<")));
    EXPECT_THAT(page, HasSubstr("<a href=\"#" + next[1].str() + "\">next page</a>"));
    EXPECT_THAT(page, HasSubstr("<img src=\"more/pic.png\">"));
    EXPECT_EQ(ReadFile(p.Folder() + "out/more/pic.png"), "PNG");
    EXPECT_EQ(Snapshot(p.Folder() + "docs"), before) << "the project folder is never changed";

    // Built again into its own output: no question, no --force needed.
    EXPECT_EQ(RunCli({"build", "help.pvx", "--single-html", "--out", "out"}, p.Folder()).code, 0);
}

TEST(CliBuild, ForeignFolderNeedsForce) {
    CliProject p;
    WriteFile(p.Folder() + "mine/notes.txt", "keep");
    CliRun run = RunCli({"build", "help.pvx", "--single-html", "--out", "mine"}, p.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("--force"));
    EXPECT_EQ(ReadFile(p.Folder() + "mine/notes.txt"), "keep");

    run = RunCli({"build", "help.pvx", "--single-html", "--out", "mine", "--force"}, p.Folder());
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_FALSE(fs::exists(p.Folder() + "mine/notes.txt"));
    EXPECT_TRUE(fs::exists(p.Folder() + "mine/index.htm"));
}

TEST(CliBuild, NeverEmptiesTheProjectOrHomeFolderEvenWithForce) {
    CliProject p;
    CliRun run =
        RunCli({"build", "help.pvx", "--single-html", "--out", "docs", "--force"}, p.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("root folder"));
    EXPECT_TRUE(fs::exists(p.Folder() + "docs/index.htm"));

    run = RunCli({"build", "help.pvx", "--single-html", "--out", ".", "--force"}, p.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(fs::exists(p.Folder() + "help.pvx"));

    run = RunCli({"build", "help.pvx", "--single-html", "--out", "~", "--force"}, p.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("home folder"));
}

TEST(CliBuild, ReportsUsageErrorsAndFailures) {
    CliProject p;
    CliRun run = RunCli({"build", "help.pvx"}, p.Folder());
    EXPECT_EQ(run.code, 2);
    EXPECT_THAT(run.output, HasSubstr("--single-html, --webhelp or --htmlhelp"));

    run = RunCli({"build", "help.pvx", "--single-html", "--webhelp"}, p.Folder());
    EXPECT_EQ(run.code, 2);

    run = RunCli({"build", "--single-html"}, p.Folder());
    EXPECT_EQ(run.code, 2);
    EXPECT_THAT(run.output, HasSubstr("project file"));

    run = RunCli({"build", "nothere.pvx", "--single-html"}, p.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("nothere.pvx doesn't exist!"));

    WriteFile(p.Folder() + "blocker", "x");
    run = RunCli({"build", "help.pvx", "--single-html", "--out", "blocker/out"}, p.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("Cannot create the output folder"));
}

TEST(CliBuild, OtherOutputsGoThroughTheSameDriver) {
    CliProject p;
    // Whatever their state, the other outputs answer with an exit code and a readable line,
    // never a crash, and never touch the project.
    const auto before = Snapshot(p.Folder() + "docs");
    for (const char* kind : {"--webhelp", "--htmlhelp"}) {
        const std::string out = std::string(kind) == "--webhelp" ? "web" : "help.chm";
        const CliRun run = RunCli({"build", "help.pvx", kind, "--out", out}, p.Folder());
        EXPECT_TRUE(run.code == 0 || run.code == 1) << kind << ": " << run.output;
        EXPECT_THAT(run.output, HasSubstr("Reading TOC...")) << kind;
    }
    EXPECT_EQ(Snapshot(p.Folder() + "docs"), before);
}

TEST(CliBuild, NoSearchLeavesTheWebHelpSearchOutForThisRunOnly) {
    CliProject p;
    const std::string project = ReadFile(p.Folder() + "help.pvx");
    CliRun run = RunCli({"build", "help.pvx", "--webhelp", "--out", "web", "--no-search"},
                        p.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_FALSE(fs::exists(p.Folder() + "web/webhelpsearch.htm"));
    EXPECT_FALSE(fs::exists(p.Folder() + "web/webhelpsearchdata.js"));
    EXPECT_EQ(ReadFile(p.Folder() + "help.pvx"), project) << "the project file is not changed";
    run = RunCli({"build", "help.pvx", "--webhelp", "--out", "web"}, p.Folder());
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(fs::exists(p.Folder() + "web/webhelpsearchdata.js"));
}

TEST(CliBuild, TheSampleProjectBuildsIntoOneCompletePage) {
    const std::string sample = Paths::AppDir() + "/sample.pvx";
    ASSERT_TRUE(fs::exists(sample)) << sample;
    const auto before = Snapshot(Paths::AppDir() + "/sample");
    TempDir dir;
    const CliRun run = RunCli({"build", sample, "--single-html", "--out", dir.Folder() + "single"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("outside the project's root folder")));
    const std::string page = ReadFile(dir.Folder() + "single/index.htm");
    for (const char* heading :
         {"<h1>1. Welcome to Parvane</h1>", "<h1>2. Getting started</h1>",
          "<h2>2.1 \xC3\x9C"
          "berblick: the parts of a project</h2>",
          "<h2>2.4 Notes for your team</h2>", "<h2>6.3 Single HTML</h2>",
          "<h1>8. \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC and other "
          "languages</h1>",
          "<h1>9. Quick reference card</h1>"})
        EXPECT_THAT(page, HasSubstr(heading));
    EXPECT_THAT(page, HasSubstr("<div class=\"toc\">"));
    // Every picture and every local link of the page resolves inside the output folder.
    const std::regex attr(R"re((?:src|href)="([^"#:]+)")re");
    int checked = 0;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), attr);
         it != std::sregex_iterator(); ++it, ++checked)
        EXPECT_TRUE(fs::is_regular_file(dir.Folder() + "single/" + (*it)[1].str())) << (*it)[1];
    EXPECT_GE(checked, 5);
    EXPECT_TRUE(fs::exists(dir.Folder() + "single/reference/placeholders.htm"))
        << "the non-contents page a contents page links to";
    EXPECT_TRUE(fs::exists(dir.Folder() + "single/images/note.gif")) << "named by the style sheet";
    EXPECT_EQ(Snapshot(Paths::AppDir() + "/sample"), before);
}
