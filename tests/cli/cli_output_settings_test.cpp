// parvane-cli build --pdf, --epub and --qthelp without --out: the files, paper and margins
// the project keeps.

#include "../support/test_project.h"
#include "cli_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

namespace {

const std::string kSupport = std::string(PARVANE_BINARY_DIR) + "/support/";

// The sample project with its pages copied into a temporary folder, its settings changed by
// edit and saved as p.pvx there.
struct SampleCopy {
    TempDir dir{"pv-cli-settings"};
    std::string pvx = dir / "p.pvx";
    std::string root = dir.Folder() + "sample/";

    template <typename Edit> explicit SampleCopy(Edit edit) {
        fs::copy(kSupport + "sample", dir / "sample", fs::copy_options::recursive);
        TTopicTree tree;
        TPvx project(tree);
        project.LoadFromFile(kSupport + "sample.pvx");
        project.ProjectSettings.RootDir = root;
        // Relative: below the root, never in the home folder.
        project.ProjectSettings.CompiledFile = "help\\sample.chm";
        edit(project.ProjectSettings);
        project.SaveToFile(pvx);
    }
};

bool IsEpub(const std::string& path) {
    const std::string bytes = ReadFile(path);
    return bytes.size() > 58 && bytes.compare(0, 2, "PK") == 0 &&
           bytes.compare(38, 20, "application/epub+zip") == 0;
}

} // namespace

TEST(CliOutputSettings, EpubAndQtHelpGoWhereTheProjectSays) {
    TempDir elsewhere{"pv-cli-qch"};
    SampleCopy sample([&elsewhere](TProjectSettings& s) {
        s.EpubFile = "books\\guide.epub"; // an old project's backslashes
        s.QtHelpFile = elsewhere / "sample.qch";
    });
    EXPECT_THAT(ReadFile(sample.pvx), HasSubstr("\r\nEpubFile=books\\guide.epub\r\n"));

    CliRun run = RunCli({"build", sample.pvx, "--epub"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(IsEpub(sample.root + "books/guide.epub")) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Filename: " + sample.root + "books/guide.epub\n"));
    EXPECT_FALSE(fs::exists(sample.root + "help/sample.epub"));

    run = RunCli({"build", sample.pvx, "--qthelp"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(ReadFile(elsewhere / "sample.qch").substr(0, 15), "SQLite format 3");

    // --out still names the file of one run, and the project file is not rewritten.
    const std::string before = ReadFile(sample.pvx);
    run = RunCli({"build", sample.pvx, "--epub", "--out", elsewhere / "once.epub"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(IsEpub(elsewhere / "once.epub"));
    EXPECT_EQ(ReadFile(sample.pvx), before);
}

TEST(CliOutputSettings, AProjectThatNamesNoFileBuildsBesideTheCompiledFile) {
    SampleCopy sample([](TProjectSettings&) {});
    const CliRun run = RunCli({"build", sample.pvx, "--epub"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_TRUE(IsEpub(sample.root + "help/sample.epub")) << run.output;
}

TEST(CliOutputSettings, PdfTakesPaperAndMarginsFromTheProjectUnlessGivenForOneRun) {
    SampleCopy sample([](TProjectSettings& s) {
        s.PdfFile = "print/manual.pdf";
        s.PdfPageSize = "Letter";
        s.PdfMargin = 22;
    });
    // The page size from the project, the margin from the option.
    const CliRun run = RunCli({"build", sample.pvx, "--pdf", "--margin", "10"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_THAT(run.output, HasSubstr("Printing (Letter, margins 10 mm)...\n"));
    const std::string pdf = sample.root + "print/manual.pdf";
    EXPECT_EQ(ReadFile(pdf).substr(0, 5), "%PDF-");
    EXPECT_THAT(ReadFile(sample.pvx), HasSubstr("\r\nPdfMargin=22\r\n"));
}
