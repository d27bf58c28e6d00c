#include "model/project_root.h"
#include "../support/test_project.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

// What the editor and the preview may show of the disk for a page of the project.
TEST(ServableFile, OnlyTheRootAndTheProgramFolderAreShown) {
    TempDir dir("pv-servable");
    WriteFile(dir / "root/pics/Logo.png", "png");
    WriteFile(dir / "root/page.htm", "<p>");
    WriteFile(dir / "program/webhelp/icon.gif", "gif");
    WriteFile(dir / "elsewhere/secret.txt", "secret");
    fs::create_symlink(dir / "elsewhere/secret.txt", dir / "root/key.txt");
    const std::string root = dir / "root/";
    const std::string program = dir / "program/";
    bool refused = true;

    EXPECT_EQ(ServableFile(dir / "root/page.htm", root, program, &refused), dir / "root/page.htm");
    EXPECT_FALSE(refused);
    // Letter case is a fallback inside the root, and the file's own name is served.
    EXPECT_EQ(ServableFile(dir / "root/pics/logo.png", root, program), dir / "root/pics/Logo.png");
    EXPECT_EQ(ServableFile(dir / "program/webhelp/icon.gif", root, program),
              dir / "program/webhelp/icon.gif");

    // Outside: by its spelling, and through a symbolic link inside the root.
    EXPECT_EQ(ServableFile(dir / "root/../elsewhere/secret.txt", root, program, &refused), "");
    EXPECT_TRUE(refused);
    EXPECT_EQ(ServableFile(dir / "root/key.txt", root, program, &refused), "");
    EXPECT_TRUE(refused);
    EXPECT_EQ(ServableFile("/etc/hostname", root, program, &refused), "");
    EXPECT_EQ(refused, fs::exists("/etc/hostname"));

    // Missing inside the root: not found, not refused.
    EXPECT_EQ(ServableFile(dir / "root/none.png", root, program, &refused), "");
    EXPECT_FALSE(refused);

    // Without a project there is no limit (the editor's own tests, a blank page).
    EXPECT_EQ(ServableFile(dir / "elsewhere/secret.txt", "", program, &refused),
              dir / "elsewhere/secret.txt");
    EXPECT_FALSE(refused);
}
