// The sample project opens as the user's own copy, made once, never the program's files.

#include "../support/test_project.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "ui/sample_project.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace parvane {
namespace {

using namespace parvane::testing;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Topics(const std::string& project) {
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    pvx.LoadFromFile(project);
    return tree.Count();
}

TEST(SampleProject, FirstOpeningCopiesItBelowTheUsersProjects) {
    const std::string program = Paths::AppDir();
    TempDir home;
    const std::string projects = home / "Parvane Projects";
    const std::string copy = UserSampleProject(program, projects);
    EXPECT_EQ(copy, projects + "/Parvane Sample/sample.pvx");

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    pvx.LoadFromFile(copy);
    EXPECT_EQ(pvx.RootFolder(), projects + "/Parvane Sample/sample/");
    EXPECT_EQ(tree.Count(), Topics(program + "/sample.pvx"));
    EXPECT_EQ(Read(projects + "/Parvane Sample/sample/welcome.htm"),
              Read(program + "/sample/welcome.htm"));
    // Nothing half-made is left beside it.
    EXPECT_FALSE(fs::exists(projects + "/.Parvane Sample.part"));
}

TEST(SampleProject, LaterOpeningsKeepTheAuthorsChanges) {
    TempDir home;
    const std::string projects = home / "projects";
    const std::string copy = UserSampleProject(Paths::AppDir(), projects);
    std::ofstream(projects + "/Parvane Sample/sample/welcome.htm")
        << "<html><body>mine</body></html>";
    EXPECT_EQ(UserSampleProject(Paths::AppDir(), projects), copy);
    EXPECT_EQ(Read(projects + "/Parvane Sample/sample/welcome.htm"),
              "<html><body>mine</body></html>");
}

TEST(SampleProject, OnlyTheProgramsSampleIsRedirected) {
    const std::string program = Paths::AppDir();
    EXPECT_TRUE(IsProgramSample(program + "/sample.pvx", program));
    EXPECT_TRUE(IsProgramSample(program + "/sample/../sample.pvx", program));
    TempDir home;
    const std::string copy = UserSampleProject(program, home.Folder());
    EXPECT_FALSE(IsProgramSample(copy, program));
    EXPECT_FALSE(IsProgramSample(program + "/other.pvx", program));
}

TEST(SampleProject, ACopyThatCannotBeMadeIsReportedAndLeavesNothing) {
    TempDir home;
    std::ofstream(home / "file") << "x";
    EXPECT_THROW(UserSampleProject(Paths::AppDir(), home / "file"), EParvaneError);
    TempDir empty;
    EXPECT_THROW(UserSampleProject(empty.Folder(), home / "projects"), EParvaneError);
    EXPECT_FALSE(fs::exists(home / "projects/Parvane Sample"));
}

} // namespace
} // namespace parvane
