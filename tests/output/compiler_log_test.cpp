#include "../support/test_project.h"
#include "output/compiler_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

TEST(CompilerLog, KindsOfMessagesIgnoreTheNamesTheyMention) {
    EXPECT_EQ(TCompilerLog::KindOf("Warning: Found file missing1.htm while scanning p1.htm, but "
                                   "couldn't find it on disk"),
              "Warning: Found file * while scanning *, but couldn't find it on disk");
    EXPECT_EQ(TCompilerLog::KindOf("Error: Anchor a/b.htm#x undefined; first use c.htm"),
              "Error: Anchor * undefined; first use *");
    EXPECT_EQ(TCompilerLog::KindOf("Error: Anchor p1.htm#nope undefined; first use p2.htm"),
              TCompilerLog::KindOf("Error: Anchor a/b.htm#x undefined; first use c.htm"));
    EXPECT_EQ(TCompilerLog::KindOf("Warning: Duplicate anchor definitions with ID introduction "
                                   "found while scanning all.html"),
              TCompilerLog::KindOf("Warning: Duplicate anchor definitions with ID err_no_icu "
                                   "found while scanning errors.html"));
    EXPECT_EQ(TCompilerLog::KindOf("Writing CHM t.chm"), "") << "not a warning or an error";
}

TEST(CompilerLog, ThousandsOfWarningsShowAsAFewLinesWithTheirCounts) {
    TCompilerLog log;
    std::size_t shown = 0;
    EXPECT_TRUE(log.Add("Writing CHM help.chm"));
    for (int i = 0; i < 200000; ++i) {
        const std::string page = "p" + std::to_string(i) + ".htm";
        shown += log.Add("Warning: Found file gone.png while scanning " + page +
                         ", but couldn't find it on disk");
        if (i % 2 == 0)
            shown += log.Add("Error: Anchor x.htm#a" + std::to_string(i) + " undefined; first use " +
                             page);
    }
    EXPECT_EQ(shown, 2u) << "the first message of each kind";
    const std::vector<std::string> summary = log.Summary();
    ASSERT_EQ(summary.size(), 4u);
    EXPECT_EQ(summary[1], "Warning: Found file gone.png while scanning p0.htm, but couldn't find "
                          "it on disk [200000 times]");
    EXPECT_EQ(summary[2], "Error: Anchor x.htm#a0 undefined; first use p0.htm [100000 times]");
    EXPECT_THAT(summary[3], HasSubstr("log kept"));
}

TEST(CompilerLog, OtherLinesAreCappedAndTheWholeLogIsKeptWhenAsked) {
    TempDir dir;
    const std::string file = dir / "help.log";
    {
        TCompilerLog log(file);
        std::size_t shown = 0;
        for (int i = 0; i < 1000; ++i) {
            const std::string line = "Compiling topic " + std::to_string(i);
            log.Record(line);
            shown += log.Add(line);
        }
        EXPECT_EQ(shown, TCompilerLog::kMaxShownLines);
        const std::vector<std::string> summary = log.Summary();
        ASSERT_EQ(summary.size(), 2u);
        EXPECT_EQ(summary[0], "800 more line(s) of the compiler were not shown.");
        EXPECT_EQ(summary[1], "The compiler's whole output is in \"" + file + "\".");
    }
    const std::string text = ReadFile(file);
    EXPECT_THAT(text, HasSubstr("Compiling topic 0\nCompiling topic 1\n"));
    EXPECT_THAT(text, HasSubstr("Compiling topic 999\n"));

    TCompilerLog quiet;
    EXPECT_TRUE(quiet.Add("Writing CHM help.chm"));
    EXPECT_TRUE(quiet.Summary().empty()) << "nothing held back, nothing to add";
    EXPECT_THROW(TCompilerLog(dir / "no/such/folder/x.log"), std::exception);
}
