// parvane-cli build --htmlhelp --out never turns a file that is not a compiled help file
// into one, whatever the compiler would do.

#include "../support/test_project.h"
#include "cli_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace parvane::testing;

TEST(CliCompiledFile, OutNamingTheProjectFileOrAPageIsRefusedAndLeavesThemAlone) {
    TempDir dir;
    WriteFile(dir.Folder() + "docs/index.htm", Page("Start", "<p>start</p>"));
    ASSERT_EQ(
        RunCli({"new", "docs", "--output", "p.pvx", "--import", "--quiet"}, dir.Folder()).code, 0);
    // A compiler that would happily write whatever the project names.
    const std::string fake = dir.Folder() + "fake-chmcmd";
    WriteFile(fake, "#!/bin/sh\nfor a; do hhp=$a; done\n"
                    "out=$(sed -n 's/^Compiled file=//p' \"$hhp\" | tr -d '\\r')\n"
                    "printf 'ITSF' > \"$out\"\n");
    ::chmod(fake.c_str(), 0755);
    ::setenv("PARVANE_CHMCMD", fake.c_str(), 1);
    const auto before = Snapshot(dir.Folder());

    for (const char* out : {"p.pvx", "docs/index.htm", "docs"}) {
        const CliRun run = RunCli({"build", "p.pvx", "--htmlhelp", "--out", out}, dir.Folder());
        EXPECT_NE(run.code, 0) << out << "\n" << run.output;
        EXPECT_EQ(run.output.find("Completed."), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("left as it is"), std::string::npos) << run.output;
        EXPECT_EQ(Snapshot(dir.Folder()), before) << out;
    }
    // A new name is fine.
    const CliRun run = RunCli({"build", "p.pvx", "--htmlhelp", "--out", "p.chm"}, dir.Folder());
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(ReadFile(dir.Folder() + "p.chm"), "ITSF");
    ::unsetenv("PARVANE_CHMCMD");
}
