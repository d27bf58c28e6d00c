// The wizard's root folder: refused with a message before anything is left or made, and
// searched for pages in a way that can be dropped.

#include "../support/test_project.h"
#include "model/errors.h"
#include "wizard/root_folder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace parvane {
namespace {

using namespace parvane::testing;

std::string Message(const std::string& text) {
    try {
        MakeRootFolder(text);
    } catch (const EParvaneError& e) {
        return e.what();
    }
    return {};
}

TEST(RootFolder, EmptyOrFileNamesAreRefusedWithTheirMessage) {
    EXPECT_EQ(Message(""), "Please specify the root folder of the project!");
    EXPECT_EQ(Message("   "), "Please specify the root folder of the project!");
    TempDir dir;
    std::ofstream(dir / "page.htm") << "x";
    EXPECT_EQ(Message(dir / "page.htm"), "\"" + (dir / "page.htm") + "\" is a file, not a folder.");
    // Below a file nothing can be made.
    EXPECT_NE(Message(dir / "page.htm/sub").find("Cannot create the root folder"),
              std::string::npos);
}

TEST(RootFolder, MissingFoldersAreMadeWithTheirParents) {
    TempDir dir;
    const std::string made = MakeRootFolder(dir / "a/b/../c");
    EXPECT_EQ(made, (dir / "a/c") + "/");
    EXPECT_TRUE(fs::is_directory(dir / "a/c"));
    EXPECT_FALSE(fs::exists(dir / "a/b"));
    // An existing folder is fine as it is.
    EXPECT_EQ(MakeRootFolder(dir / "a/c/"), (dir / "a/c") + "/");
}

TEST(RootFolder, SearchFindsDeepPagesAndStopsWhenCancelled) {
    TempDir dir;
    fs::create_directories(dir / "x/y/z");
    std::ofstream(dir / "x/notes.txt") << "x";
    std::atomic<bool> cancel{false};
    EXPECT_FALSE(ContainsHtmlFiles(dir.Folder(), cancel));
    std::ofstream(dir / "x/y/z/Page.HTML") << "x";
    EXPECT_TRUE(ContainsHtmlFiles(dir.Folder(), cancel));
    cancel = true;
    EXPECT_FALSE(ContainsHtmlFiles(dir.Folder(), cancel));
    cancel = false;
    EXPECT_FALSE(ContainsHtmlFiles(dir / "missing", cancel));
}

} // namespace
} // namespace parvane
