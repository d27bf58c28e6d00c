#include "ui/program_help.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace parvane {
namespace {

namespace fs = std::filesystem;

class ProgramHelp : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/parvane-help-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }
    void Touch(const std::string& name) {
        fs::create_directories(fs::path(folder + "/" + name).parent_path());
        std::ofstream(folder + "/" + name) << "x";
    }
    std::string folder;
};

TEST_F(ProgramHelp, CompiledHelpWhereTheDesktopShowsItElseTheWebHelp) {
    Touch("parvane.chm");
    Touch("help/index.htm");
    EXPECT_EQ(ProgramHelpFile(folder, true), folder + "/parvane.chm");
    EXPECT_EQ(ProgramHelpFile(folder + "/", false), folder + "/help/index.htm");
}

TEST_F(ProgramHelp, TheFormThatExistsWhateverTheDesktopShows) {
    EXPECT_EQ(ProgramHelpFile(folder, true), "");
    Touch("help/index.htm");
    EXPECT_EQ(ProgramHelpFile(folder, true), folder + "/help/index.htm");
    fs::remove_all(folder + "/help");
    Touch("parvane.chm");
    EXPECT_EQ(ProgramHelpFile(folder, false), folder + "/parvane.chm");
    // A folder of that name is no help file.
    fs::remove(folder + "/parvane.chm");
    fs::create_directories(folder + "/parvane.chm");
    EXPECT_EQ(ProgramHelpFile(folder, true), "");
}

} // namespace
} // namespace parvane
