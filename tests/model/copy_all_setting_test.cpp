#include "model/project_file.h"
#include "model/topic_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace parvane;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(CopyAllFilesSetting, IsWrittenOnlyWhenSetAndReadBack) {
    const std::string file = (std::filesystem::temp_directory_path() / "pv-copy-all.pvx").string();
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    EXPECT_FALSE(project.ProjectSettings.CopyAllFiles);
    EXPECT_THAT(project.SaveToText(file), Not(HasSubstr("CopyAllFiles")))
        << "a project without it is saved as before";

    project.ProjectSettings.CopyAllFiles = true;
    project.SaveToFile(file);
    EXPECT_THAT(project.SaveToText(file), HasSubstr("\r\nCopyAllFiles=1\r\n"));
    TTopicTree other;
    other.CreateRootGroups();
    TPvx loaded(other);
    loaded.LoadFromFile(file);
    EXPECT_TRUE(loaded.ProjectSettings.CopyAllFiles);
    std::filesystem::remove(file);
}
