#include "../support/test_project.h"
#include "model/errors.h"
#include "model/paths.h"
#include "wizard/new_project.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

// Titles of the children of node, in order.
std::vector<std::string> Titles(const TTopicNode* node) {
    std::vector<std::string> out;
    for (int i = 0; i < node->Count(); ++i)
        out.push_back(node->Child(i)->Text());
    return out;
}

} // namespace

TEST(SuggestProjectFolder, ProposesTheFirstFreeNumber) {
    TempDir dir;
    const std::string projects = dir.Folder() + "Parvane Projects/";
    EXPECT_EQ(SuggestProjectFolder(projects), projects + "Project1");
    fs::create_directories(projects + "Project1");
    fs::create_directories(projects + "Project3");
    EXPECT_EQ(SuggestProjectFolder(projects), projects + "Project2");
    WriteFile(projects + "Project2", "a file takes the name too");
    EXPECT_EQ(SuggestProjectFolder(projects), projects + "Project4");
}

TEST(SuggestProjectFolder, LivesBelowTheUsersProjectsFolder) {
    EXPECT_EQ(SuggestProjectFolder().rfind(Paths::HomeFolder() + "Parvane Projects/Project", 0),
              0u);
}

TEST(ContainsHtmlFiles, SearchesSubFoldersAndIgnoresOtherFiles) {
    TempDir dir;
    EXPECT_FALSE(ContainsHtmlFiles(dir.Folder()));
    WriteFile(dir / "notes.txt", "x");
    WriteFile(dir / "page.htm.bak", "x");
    EXPECT_FALSE(ContainsHtmlFiles(dir.Folder()));
    WriteFile(dir / "deep/deeper/Page.HTML", "x");
    EXPECT_TRUE(ContainsHtmlFiles(dir.Folder())) << "pages only in a sub-folder still count";
    EXPECT_FALSE(ContainsHtmlFiles(dir / "missing"));
}

namespace {

// A folder holding a lower-case .htm page, a capitalised .HTML page, a text file and a
// sub-folder with one page.
struct ImportFolderFixture {
    TestProject p;
    ImportFolderFixture() {
        p.Write("first.htm", Page("First page", "1"));
        p.Write("SECOND.HTML", "<html><body>no title</body></html>");
        p.Write("readme.txt", "not a page");
        p.Write("sub/inner.htm", Page("Inner", "i"));
    }
};

} // namespace

TEST(ImportFolder, KeepsStructureWithNoLinkFolderTopicsInNameOrder) {
    ImportFolderFixture f;
    std::vector<std::string> seen;
    ImportFolder(f.p.Project(), f.p.Project().ContentsRoot(), f.p.Root(), 0, tmNameWithoutExtension,
                 true, [&](const std::string& s) { seen.push_back(s); });
    TTopicNode* contents = f.p.Project().ContentsRoot();
    EXPECT_EQ(Titles(contents), (std::vector<std::string>{"first", "SECOND", "sub"}));
    for (int i = 0; i < contents->Count(); ++i) {
        const TTopicNode* node = contents->Child(i);
        if (node->Text() == "sub") {
            EXPECT_EQ(node->Data().Status, tsNoLink);
            EXPECT_EQ(node->Data().Url, "");
            EXPECT_EQ(Titles(node), (std::vector<std::string>{"inner"}));
            EXPECT_EQ(node->Child(0)->Data().Url, "sub\\inner.htm");
            EXPECT_EQ(node->Child(0)->Data().Status, tsLinked);
        } else {
            EXPECT_EQ(node->Data().Status, tsLinked);
            EXPECT_EQ(node->Data().Icon, 0);
            EXPECT_EQ(node->Data().Kind, 0);
        }
    }
    EXPECT_EQ(seen.size(), 3u) << "each page is shown while searching";
    EXPECT_NE(std::find(seen.begin(), seen.end(), f.p.Root() + "sub/inner.htm"), seen.end());
}

TEST(ImportFolder, WithoutStructureSubFolderPagesJoinTheParent) {
    ImportFolderFixture f;
    ImportFolder(f.p.Project(), f.p.Project().ContentsRoot(), f.p.Root(), 0, tmFileName, false);
    std::vector<std::string> titles = Titles(f.p.Project().ContentsRoot());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"SECOND.HTML", "first.htm", "inner.htm"}));
}

TEST(ImportFolder, TitleModeOneReadsTheTitleElement) {
    ImportFolderFixture f;
    f.p.Write("sub/entities.htm", "<html><head><title>\r\n  Tom &amp; Jerry &#8211;\r\n  &lt;b&gt;"
                                  "</title></head><body></body></html>");
    ImportFolder(f.p.Project(), f.p.Project().ContentsRoot(), f.p.Root(), 0, tmHtmlTitle, false);
    std::vector<std::string> titles = Titles(f.p.Project().ContentsRoot());
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"First page", "Inner", "No title",
                                                "Tom & Jerry \xE2\x80\x93 <b>"}))
        << "a page without a title is \"No title\"; references and line breaks are cleaned";
}

TEST(ImportFolder, FolderWithoutAnyPageGivesNoTopic) {
    TestProject p;
    fs::create_directories(p.Root() + "empty");
    p.Write("fonts/a.woff2", "font");
    p.Write("css/deeper/site.css", "p {}");
    ImportFolder(p.Project(), p.Project().ContentsRoot(), p.Root(), 0, tmHtmlTitle, true);
    EXPECT_EQ(p.Project().ContentsRoot()->Count(), 0);
}

TEST(ImportFolder, ASymbolicLinkLoopIsImportedOnce) {
    TestProject p;
    p.Write("a/page.htm", Page("P", "p"));
    fs::create_directory_symlink(p.Root() + "a", p.Root() + "a/loop");
    ImportFolder(p.Project(), p.Project().ContentsRoot(), p.Root(), 0, tmHtmlTitle, false);
    EXPECT_EQ(p.Project().ContentsRoot()->Count(), 1);
}

TEST(ImportFolder, FileNamesWithSpacesAndNonAsciiLetters) {
    TestProject p;
    p.Write("my pages/\xC3\x9C"
            "bersicht.htm",
            Page("\xC3\x9C"
                 "bersicht",
                 "x"));
    ImportFolder(p.Project(), p.Project().ContentsRoot(), p.Root(), 0, tmNameWithoutExtension,
                 false);
    ASSERT_EQ(p.Project().ContentsRoot()->Count(), 1);
    const TTopicNode* node = p.Project().ContentsRoot()->Child(0);
    EXPECT_EQ(node->Text(), "\xC3\x9C"
                            "bersicht");
    EXPECT_EQ(node->Data().Url, "my pages\\\xC3\x9C"
                                "bersicht.htm");
}

// ---- NewProject ----------------------------------------------------------------------------

TEST(NewProject, CopiesTheAnswersAndCreatesTheStarterContents) {
    TestProject p;
    p.Project().ProjectSettings.Title = "old";
    TNewProjectOptions o;
    o.Title = "My help";
    o.RootFolder = p.Dir().Folder() + "new/root";
    o.DefaultTemplate = false;
    o.CustomTemplate = "/tmp/start.htm";
    NewProject(p.Project(), o);
    const TProjectSettings& s = p.Project().ProjectSettings;
    EXPECT_EQ(s.Title, "My help");
    EXPECT_EQ(s.RootDir, p.Dir().Folder() + "new/root/") << "trailing slash added";
    EXPECT_TRUE(fs::is_directory(s.RootDir)) << "created with its parents";
    EXPECT_FALSE(s.DefaultTemplate);
    EXPECT_EQ(s.CustomTemplate, "/tmp/start.htm");
    EXPECT_EQ(s.Encoding, " Windows-1252") << "the list entry's text after the semicolon";
    EXPECT_TRUE(p.Project().Modified);
    EXPECT_TRUE(p.Project().IsUntitled);

    TTopicNode* contents = p.Project().ContentsRoot();
    ASSERT_EQ(Titles(contents), (std::vector<std::string>{"New Item", "New Item"}));
    EXPECT_EQ(contents->Child(0)->Data().Status, tsUnsaved);
    TTopicNode* heading = contents->Child(1);
    EXPECT_EQ(heading->Data().Status, tsNoLink);
    ASSERT_EQ(heading->Count(), 2);
    EXPECT_EQ(heading->Child(0)->Data().Status, tsUnsaved);
    EXPECT_EQ(heading->Child(1)->Data().Status, tsUnsaved);
    EXPECT_TRUE(heading->Expanded());
    EXPECT_EQ(heading->Child(0)->Data().Url, "");
    EXPECT_EQ(p.Tree().Selected(), contents);
    EXPECT_TRUE(contents->Expanded());
}

TEST(NewProject, ImportsInsteadOfTheStarterContents) {
    TestProject p;
    p.Write("a.htm", Page("A page", "a"));
    TNewProjectOptions o;
    o.RootFolder = p.Root();
    o.Import = true;
    int shown = 0;
    NewProject(p.Project(), o, [&](const std::string&) { ++shown; });
    EXPECT_EQ(Titles(p.Project().ContentsRoot()), (std::vector<std::string>{"A page"}));
    EXPECT_EQ(shown, 1);
}

TEST(NewProject, EncodingBlanksDisappearAfterSaveAndLoad) {
    TestProject p;
    TNewProjectOptions o;
    o.RootFolder = p.Root();
    o.Encoding = " ";
    NewProject(p.Project(), o);
    const std::string file = p.Dir().Folder() + "p.pvx";
    p.Project().FileName = file;
    p.Project().SaveToFile(file);
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx loaded(tree);
    loaded.LoadFromFile(file);
    EXPECT_EQ(loaded.ProjectSettings.Encoding, "");
    EXPECT_EQ(loaded.ProjectSettings.RootDir, p.Root());
    EXPECT_EQ(tree.ContentsRoot()->Count(), 2);
}

TEST(NewProject, RootFolderThatCannotBeCreatedIsAClearError) {
    TestProject p;
    WriteFile(p.Dir() / "file", "x");
    TNewProjectOptions o;
    o.RootFolder = p.Dir() / "file/root";
    try {
        NewProject(p.Project(), o);
        FAIL() << "no error";
    } catch (const EParvaneError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot create the root folder"), std::string::npos);
    }
}
