// The one-file outputs take their file, paper and margins from the project unless the
// request names them for one run.

#include "../support/test_project.h"
#include "output/build_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

namespace {

struct Host : TBuildHost {
    void Info(const std::string& text) override { lines += text + "\n"; }
    std::string lines;
};

struct OneFileProject : TestProject {
    OneFileProject() {
        Write("a.htm", Page("A", "<p>a</p>"));
        Add("A", "a.htm");
        Project().ProjectSettings.DefaultTopic = "a.htm";
        Project().ProjectSettings.CompiledFile = "help.chm";
    }
    TBuildResult Build(OutputKind kind, const std::string& out = "") {
        TBuildRequest request;
        request.Kind = kind;
        request.OutputOverride = out;
        return RunBuild(Project(), request, host);
    }
    Host host;
};

} // namespace

TEST(OneFileOutputSettings, TheProjectsFileIsTakenBelowTheRootWithOldBackslashes) {
    OneFileProject p;
    p.Project().ProjectSettings.EpubFile = "books\\guide.epub";
    TBuildResult result = p.Build(OutputKind::Epub);
    ASSERT_TRUE(result.Ok) << result.Message << "\n" << p.host.lines;
    EXPECT_EQ(result.OutputFile, p.Root() + "books/guide.epub");
    EXPECT_EQ(ReadFile(p.Root() + "books/guide.epub").substr(0, 2), "PK");
    EXPECT_FALSE(fs::exists(p.Root() + "help.epub"));

    // The request's file is for one run; the setting stays.
    result = p.Build(OutputKind::Epub, p.Dir() / "once.epub");
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.OutputFile, p.Dir() / "once.epub");
    EXPECT_EQ(p.Project().ProjectSettings.EpubFile, "books\\guide.epub");

    // Without a setting: beside the compiled help file, under its name.
    p.Project().ProjectSettings.EpubFile.clear();
    result = p.Build(OutputKind::Epub);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.OutputFile, p.Root() + "help.epub");
}

TEST(OneFileOutputSettings, PdfChecksThePaperAndMarginsItIsGivenBeforeAnythingIsWritten) {
    // Values set by a program (a file's are made usable when it is loaded) are refused with
    // a message, and the request's own values win over them.
    OneFileProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.PdfFile = "manual.pdf";
    s.PdfPageSize = "B5";
    TBuildResult result = p.Build(OutputKind::Pdf);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, "The page size \"B5\" is not known; choose A4 or Letter.");

    s.PdfPageSize = "Letter";
    s.PdfMargin = 75;
    result = p.Build(OutputKind::Pdf);
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("A margin of 75 mm"));

    TBuildRequest request;
    request.Kind = OutputKind::Pdf;
    request.PdfMargin = 75;
    s.PdfMargin = 10;
    s.PdfPageSize = "B5";
    request.PdfPageSize = "letter";
    result = RunBuild(p.Project(), request, p.host);
    EXPECT_THAT(result.Message, HasSubstr("A margin of 75 mm")) << "the page size passed";
    EXPECT_FALSE(fs::exists(p.Root() + "manual.pdf"));
}
