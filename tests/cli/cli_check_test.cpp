#include "../support/test_project.h"
#include "cli_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <strings.h>

using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

struct CheckedFolder {
    TempDir dir{"pv-cli-check"};
    CheckedFolder() {
        WriteFile(dir / "docs/index.htm",
                  Page("Start", "<p><a href=\"more/next.htm#part\">next</a></p>"));
        WriteFile(dir / "docs/more/next.htm",
                  Page("Next", "<h2 id=\"part\">p</h2><a href=\"../index.htm\">back</a>"));
        const CliRun run =
            RunCli({"new", "docs", "--output", "help.pvx", "--import", "--quiet"}, dir.Folder());
        EXPECT_EQ(run.code, 0) << run.output;
    }
};

} // namespace

TEST(CliCheck, CleanProjectExitsZeroAndBrokenOneExitsOne) {
    CheckedFolder f;
    CliRun run = RunCli({"check", "help.pvx"}, f.dir.Folder());
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("0 errors, 0 warnings"));

    // A picture that goes missing is an error: exit status 1, and the line names it.
    WriteFile(f.dir / "docs/more/next.htm",
              Page("Next", "<h2 id=\"part\">p</h2><a href=\"../index.htm\">b</a>\n"
                           "<img src=\"gone.png\">"));
    run = RunCli({"check", "help.pvx"}, f.dir.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("error: more/next.htm:4: missing-target: The file "
                                      "\"gone.png\" doesn't exist. [gone.png]\n"));
    EXPECT_THAT(run.output, HasSubstr("1 error, 0 warnings"));
}

TEST(CliCheck, JsonReportGoesIntoTheOutputFile) {
    CheckedFolder f;
    WriteFile(f.dir / "docs/index.htm", Page("Start", "<a href=\"more/NEXT.htm\">n</a>"));
    const CliRun run =
        RunCli({"check", "help.pvx", "--format", "json", "--output", "report.json"}, f.dir.Folder());
    EXPECT_EQ(run.code, 0) << run.output; // a case mismatch is a warning
    EXPECT_THAT(run.output, Not(HasSubstr("\"findings\"")));
    const std::string json = ReadFile(f.dir / "report.json");
    EXPECT_THAT(json, HasSubstr("\"summary\": {\"errors\": 0, \"warnings\": 1"));
    EXPECT_THAT(json, HasSubstr("\"code\": \"case-mismatch\", \"page\": \"index.htm\""));
    EXPECT_THAT(json, HasSubstr("\"suggestion\": \"more/next.htm\""));
}

TEST(CliCheck, UsageErrorsExitTwoAndUnreadableProjectsOne) {
    CheckedFolder f;
    EXPECT_EQ(RunCli({"check"}, f.dir.Folder()).code, 2);
    EXPECT_EQ(RunCli({"check", "help.pvx", "--format", "xml"}, f.dir.Folder()).code, 2);
    EXPECT_EQ(RunCli({"check", "help.pvx", "--output"}, f.dir.Folder()).code, 2);
    EXPECT_EQ(RunCli({"check", "help.pvx", "--frobnicate"}, f.dir.Folder()).code, 2);
    EXPECT_EQ(RunCli({"check", "a.pvx", "b.pvx"}, f.dir.Folder()).code, 2);
    const CliRun missing = RunCli({"check", "nothere.pvx"}, f.dir.Folder());
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.output, HasSubstr("nothere.pvx"));
    const CliRun help = RunCli({"check", "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_THAT(help.output, HasSubstr("--format text|json"));
}

// A real manual from Debian: every error the check reports must be true (its target is
// missing in every spelling), and none is about anything but missing files.
TEST(CliCheck, RealManualHasNoFalseErrors) {
    const std::string manual = "/usr/share/doc/valgrind/html";
    if (!fs::exists(manual + "/index.html"))
        GTEST_SKIP() << "valgrind's HTML manual is not installed";
    TempDir dir{"pv-cli-check-real"};
    fs::copy(manual, dir / "vg", fs::copy_options::recursive);
    ASSERT_EQ(RunCli({"new", "vg", "--output", "vg.pvx", "--import", "--quiet"}, dir.Folder()).code, 0);
    const CliRun run = RunCli({"check", "vg.pvx"}, dir.Folder());
    const std::regex errorLine(R"(^error: ([^:]+):\d+: missing-target: .* \[(.+)\]$)");
    int errors = 0;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("error:", 0) != 0)
            continue;
        ++errors;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, errorLine)) << line;
        const fs::path target = (fs::path(dir / "vg") / m[1].str()).parent_path() / m[2].str();
        EXPECT_FALSE(fs::exists(target)) << line;
        // Nor under another spelling of its name.
        bool other = false;
        for (const auto& e : fs::directory_iterator(target.parent_path()))
            other |= strcasecmp(e.path().filename().c_str(), target.filename().c_str()) == 0;
        EXPECT_FALSE(other) << line;
    }
    EXPECT_EQ(run.code, errors > 0 ? 1 : 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("files read."));
}

namespace {

// A project whose report is large enough to be written in several pieces.
struct ManyFindings {
    TempDir dir{"pv-cli-check-many"};
    ManyFindings() {
        std::string body;
        for (int i = 0; i < 5000; ++i)
            body += "<a href=\"gone" + std::to_string(i) + ".htm\">g</a>\n";
        WriteFile(dir / "docs/index.htm", Page("Start", body));
        const CliRun run =
            RunCli({"new", "docs", "--output", "help.pvx", "--import", "--quiet"}, dir.Folder());
        EXPECT_EQ(run.code, 0) << run.output;
    }
};

} // namespace

// The report on the standard output is the report in the file, in both formats.
TEST(CliCheck, StandardOutputCarriesTheSameReportAsTheFile) {
    ManyFindings f;
    const CliRun json = RunCli({"check", "help.pvx", "--format", "json"}, f.dir.Folder());
    EXPECT_EQ(json.code, 1);
    const CliRun jsonFile = RunCli(
        {"check", "help.pvx", "--format", "json", "--output", "r.json"}, f.dir.Folder());
    EXPECT_EQ(jsonFile.code, 1);
    EXPECT_EQ(jsonFile.output, "");
    EXPECT_EQ(json.output, ReadFile(f.dir / "r.json"));
    // A pipe named as the output is written into (CI writes "--output /dev/stdout").
    const CliRun piped = RunCli(
        {"check", "help.pvx", "--format", "json", "--output", "/dev/stdout"}, f.dir.Folder());
    EXPECT_EQ(piped.code, 1);
    EXPECT_TRUE(piped.output == json.output) << piped.output.substr(0, 300);
    // Not cut short: the last finding and the end of the object are there.
    EXPECT_NE(json.output.find("\"target\": \"gone4999.htm\""), std::string::npos);
    EXPECT_EQ(json.output.substr(json.output.size() - 7), "\n  ]\n}\n");

    const CliRun text = RunCli({"check", "help.pvx"}, f.dir.Folder());
    const CliRun textFile = RunCli({"check", "help.pvx", "--output", "r.txt"}, f.dir.Folder());
    EXPECT_EQ(text.output, ReadFile(f.dir / "r.txt"));
    // Only the summary line (the page is reached through the contents alone: a note).
    EXPECT_EQ(textFile.output, "5000 errors, 0 warnings, 1 note; 1 file read.\n");
    EXPECT_TRUE(text.output.ends_with("\n" + textFile.output));
    EXPECT_EQ(std::count(text.output.begin(), text.output.end(), '\n'), 5002);
}

// A report that cannot be written completely (here the file size limit, as a full disk
// would) is an error, and the earlier report stays as it was, with nothing beside it.
TEST(CliCheck, AFailedWriteKeepsTheEarlierReport) {
    ManyFindings f;
    WriteFile(f.dir / "out/report.json", "earlier report");
    const std::string command = "cd " + ShellQuote(f.dir.Folder()) +
                                " && ulimit -f 64 && trap '' XFSZ && " + ShellQuote(PARVANE_CLI) +
                                " check help.pvx --format json --output out/report.json 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(output, HasSubstr("Cannot write \"out/report.json\""));
    EXPECT_EQ(ReadFile(f.dir / "out/report.json"), "earlier report");
    EXPECT_EQ(EntryNames(f.dir / "out"), std::vector<std::string>{"report.json"});

    // An output folder that does not exist is refused before the check runs.
    const CliRun run = RunCli({"check", "help.pvx", "--output", "nowhere/r.txt"}, f.dir.Folder());
    EXPECT_EQ(run.code, 1);
    EXPECT_THAT(run.output, HasSubstr("Cannot write \"nowhere/r.txt\""));
}
