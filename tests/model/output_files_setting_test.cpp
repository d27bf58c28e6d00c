// The PDF, EPUB and Qt Help choices kept in the project file: written only when the author
// set them, read back as written, and values no build could use loaded as the defaults.

#include "model/project_file.h"
#include "model/topic_tree.h"

#include "../support/test_project.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using parvane::testing::TempDir;
using parvane::testing::WriteFile;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kNewKeys[] = {"PdfFile", "PdfPageSize", "PdfMargin", "EpubFile", "QtHelpFile"};

struct OutputFilesSetting : ::testing::Test {
    TempDir dir{"pv-outputs"};
    TTopicTree tree;
    TPvx project{tree};

    // A [GENERAL] section as an older program wrote it, plus extra lines.
    void Load(const std::string& extraLines) {
        const std::string file = dir / "old.pvx";
        WriteFile(file, "[GENERAL]\r\nTitle=Old\r\nRootDir=\r\nCompiledFile=help\\old.chm\r\n" +
                            extraLines + "\r\n[TOPICS]\r\nTitleList=0\r\n");
        project.LoadFromFile(file);
    }
};

} // namespace

TEST_F(OutputFilesSetting, AProjectThatNeverSetThemLoadsTheDefaultsAndSavesAsBefore) {
    Load("");
    const TProjectSettings& s = project.ProjectSettings;
    EXPECT_EQ(s.PdfFile, "");
    EXPECT_EQ(s.PdfPageSize, "A4");
    EXPECT_EQ(s.PdfMargin, 15);
    EXPECT_EQ(s.EpubFile, "");
    EXPECT_EQ(s.QtHelpFile, "");
    const std::string saved = project.SaveToText(project.FileName);
    for (const char* key : kNewKeys)
        EXPECT_THAT(saved, Not(HasSubstr(key))) << key;

    project.ResetToDefaults();
    EXPECT_EQ(project.ProjectSettings.PdfPageSize, "A4");
    EXPECT_EQ(project.ProjectSettings.PdfMargin, 15);
    const std::string fresh = project.SaveToText(dir / "new.pvx");
    for (const char* key : kNewKeys)
        EXPECT_THAT(fresh, Not(HasSubstr(key))) << key << " in a new project";
}

TEST_F(OutputFilesSetting, ChosenValuesRoundTripAsWrittenWithOldBackslashes) {
    Load("");
    TProjectSettings& s = project.ProjectSettings;
    s.PdfFile = "manual\\book.pdf"; // as a project from the other platform holds it
    s.PdfPageSize = "Letter";
    s.PdfMargin = 0; // the smallest margin is a choice too, not "unset"
    s.EpubFile = "/srv/out/book.epub";
    s.QtHelpFile = "qt/help.qch";
    const std::string file = (dir / "sub") + "/project.pvx";
    std::filesystem::create_directories(dir / "sub");
    project.SaveToFile(file);
    const std::string saved = project.SaveToText(file);
    EXPECT_THAT(saved, HasSubstr("\r\nPdfFile=manual\\book.pdf\r\nPdfPageSize=Letter\r\n"
                                 "PdfMargin=0\r\nEpubFile=/srv/out/book.epub\r\n"
                                 "QtHelpFile=qt/help.qch\r\n"));
    // The new keys follow every older one, so an older reader sees its own keys unchanged.
    EXPECT_LT(saved.find("WebHelpSearch="), saved.find("PdfFile="));

    TTopicTree otherTree;
    TPvx loaded(otherTree);
    loaded.LoadFromFile(file);
    const TProjectSettings& l = loaded.ProjectSettings;
    EXPECT_EQ(l.PdfFile, "manual\\book.pdf");
    EXPECT_EQ(l.PdfPageSize, "Letter");
    EXPECT_EQ(l.PdfMargin, 0);
    EXPECT_EQ(l.EpubFile, "/srv/out/book.epub");
    EXPECT_EQ(l.QtHelpFile, "qt/help.qch");
    EXPECT_FALSE(loaded.Modified);
    EXPECT_EQ(loaded.SaveToText(file), saved);
}

TEST_F(OutputFilesSetting, ValuesNoBuildCouldUseLoadAsTheDefaults) {
    struct Case {
        const char* lines;
        const char* pageSize;
        int margin;
    };
    const Case cases[] = {
        {"PdfPageSize=B5\r\nPdfMargin=abc\r\n", "A4", 15},
        {"PdfPageSize=letter\r\nPdfMargin=-4\r\n", "Letter", 15},
        {"PdfPageSize= LETTER \r\nPdfMargin=61\r\n", "Letter", 15},
        {"PdfPageSize=\r\nPdfMargin=99999999999999999999\r\n", "A4", 15},
        {"PdfPageSize=a4\r\nPdfMargin=60\r\n", "A4", 60},
        {"PdfMargin=0x10\r\n", "A4", 16},
        {"PdfMargin=12.5\r\n", "A4", 15},
    };
    for (const Case& c : cases) {
        Load(c.lines);
        EXPECT_EQ(project.ProjectSettings.PdfPageSize, c.pageSize) << c.lines;
        EXPECT_EQ(project.ProjectSettings.PdfMargin, c.margin) << c.lines;
    }
}

TEST(PdfPageSizeName, KnowsTheTwoPapersInAnyCase) {
    EXPECT_EQ(PdfPageSizeName("a4"), "A4");
    EXPECT_EQ(PdfPageSizeName("LeTTer"), "Letter");
    EXPECT_EQ(PdfPageSizeName("A5"), "");
    EXPECT_EQ(PdfPageSizeName(""), "");
}
