#include "../support/test_project.h"
#include "model/project_file.h"
#include "wizard/new_project.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

// The table of contents written out: one line per topic, indented two blanks per level,
// "title" for a heading without page, "title = url" for a topic with a page.
std::string Outline(const TTopicNode* node, int depth = 0) {
    std::string out;
    for (int i = 0; i < node->Count(); ++i) {
        const TTopicNode* child = node->Child(i);
        out += std::string(static_cast<std::size_t>(depth) * 2, ' ') + child->Text();
        if (child->Data().Status == tsLinked)
            out += " = " + child->Data().Url;
        out += "\n";
        out += Outline(child, depth + 1);
    }
    return out;
}

std::string Import(TestProject& p, bool keepStructure = true, bool folderIndex = false) {
    ImportFolder(p.Project(), p.Project().ContentsRoot(), p.Root(), 0, tmNameWithoutExtension,
                 keepStructure, folderIndex);
    return Outline(p.Project().ContentsRoot());
}

// Creates the files (and empty folders, names ending in "/") in the given order.
void Create(TestProject& p, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (name.back() == '/')
            fs::create_directories(p.Root() + name);
        else
            p.Write(name, Page(name, "x"));
    }
}

const std::vector<std::string> kMixedFolder{
    "page10.htm", "Zeta.html", "alpha.htm", "sub2/b.htm", "Beta.htm", "sub10/a.htm",
    "page2.htm",  "page1.htm", "Sub1/z.htm", "notes.txt",  "img/logo.png", "fonts/",
    "css/site.css", "deep/er/still/page.htm"};

const char* const kMixedOutline = "alpha = alpha.htm\n"
                                  "Beta = Beta.htm\n"
                                  "deep\n"
                                  "  er\n"
                                  "    still\n"
                                  "      page = deep\\er\\still\\page.htm\n"
                                  "page1 = page1.htm\n"
                                  "page2 = page2.htm\n"
                                  "page10 = page10.htm\n"
                                  "Sub1\n"
                                  "  z = Sub1\\z.htm\n"
                                  "sub2\n"
                                  "  b = sub2\\b.htm\n"
                                  "sub10\n"
                                  "  a = sub10\\a.htm\n"
                                  "Zeta = Zeta.html\n";

} // namespace

TEST(ImportOrder, NameOrderIgnoresCaseCountsNumbersAndMixesFilesAndFolders) {
    TestProject p;
    Create(p, kMixedFolder);
    EXPECT_EQ(Import(p), kMixedOutline)
        << "folders without any page (img, fonts, css) make no heading";
}

TEST(ImportOrder, TheSameFolderCreatedInAnotherOrderImportsIdentically) {
    TestProject first;
    Create(first, kMixedFolder);
    TestProject second;
    Create(second, std::vector<std::string>(kMixedFolder.rbegin(), kMixedFolder.rend()));
    EXPECT_EQ(Import(first), Import(second));
}

TEST(ImportOrder, FlatImportListsEveryPageInFolderOrder) {
    TestProject p;
    Create(p, {"b.htm", "A/2.htm", "A/10.htm", "a.htm", "c/"});
    EXPECT_EQ(Import(p, false), "2 = A\\2.htm\n"
                                "10 = A\\10.htm\n"
                                "a = a.htm\n"
                                "b = b.htm\n");
}

TEST(ImportOrder, FirstImportedPageBecomesTheDefaultTopicOnlyWhenThereIsNone) {
    TestProject p;
    Create(p, {"z.htm", "a/", "b/page.htm"});
    Import(p);
    EXPECT_EQ(p.Project().ProjectSettings.DefaultTopic, "b\\page.htm");

    TestProject kept;
    Create(kept, {"a.htm", "b.htm"});
    kept.Project().ProjectSettings.DefaultTopic = "b.htm";
    Import(kept);
    EXPECT_EQ(kept.Project().ProjectSettings.DefaultTopic, "b.htm");

    TestProject none;
    Create(none, {"css/site.css"});
    EXPECT_EQ(Import(none), "");
    EXPECT_EQ(none.Project().ProjectSettings.DefaultTopic, "");
}

TEST(ImportOrder, FolderIndexPageBecomesTheHeadingsPage) {
    TestProject p;
    Create(p, {"index.html", "guide/intro.htm", "guide/INDEX.HTML", "guide/index.htm",
               "guide/part/index.html", "api/index.htm", "api/calls.htm", "empty/"});
    EXPECT_EQ(Import(p, true, true),
              "api = api\\index.htm\n"
              "  calls = api\\calls.htm\n"
              "guide = guide\\index.htm\n"
              "  INDEX = guide\\INDEX.HTML\n"
              "  intro = guide\\intro.htm\n"
              "  part = guide\\part\\index.html\n"
              "index = index.html\n")
        << "the first index page in name order is the folder's; the root's own index stays a "
           "topic";
    EXPECT_EQ(p.Project().ProjectSettings.DefaultTopic, "api\\index.htm");

    TestProject off;
    Create(off, {"guide/index.html", "guide/a.htm"});
    EXPECT_EQ(Import(off), "guide\n"
                           "  a = guide\\a.htm\n"
                           "  index = guide\\index.html\n")
        << "without the option an index page is a topic like the others";
}

TEST(ImportOrder, NewProjectPassesTheFolderIndexChoice) {
    TestProject p;
    Create(p, {"doc/index.htm", "doc/more.htm"});
    TNewProjectOptions options;
    options.RootFolder = p.Root();
    options.Import = true;
    options.TitleMode = tmFileName;
    options.FolderIndex = true;
    NewProject(p.Project(), options);
    EXPECT_EQ(Outline(p.Project().ContentsRoot()), "doc = doc\\index.htm\n"
                                                   "  more.htm = doc\\more.htm\n");
    EXPECT_EQ(p.Project().ProjectSettings.DefaultTopic, "doc\\index.htm");
}
