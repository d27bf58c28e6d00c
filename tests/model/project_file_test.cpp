#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/text_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

const std::string kProjects = std::string(PARVANE_TEST_DATA) + "/projects/";

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size())
        s.replace(pos, from.size(), to);
    return s;
}

// A project file of the given [TOPICS] lines, with nothing else.
std::string TopicsFile(const std::string& topicLines) {
    return "[GENERAL]\r\n\r\n[TOPICS]\r\n" + topicLines;
}

// One topic's lines; the other keys are left out and take their defaults.
std::string TopicLines(int n, const std::string& title, int level, int kind = 0,
                       const std::string& url = "") {
    const std::string i = std::to_string(n);
    return "TitleList.Title." + i + "=" + title + "\r\nTitleList.Level." + i + "=" +
           std::to_string(level) + "\r\nTitleList.Kind." + i + "=" + std::to_string(kind) +
           "\r\nTitleList.Url." + i + "=" + url + "\r\n";
}

// Lines "title@depth" of every topic in tree order, roots as "#title".
std::vector<std::string> Outline(const TTopicTree& tree) {
    std::vector<std::string> out;
    tree.ForEach([&](TTopicNode* node) {
        out.push_back(node->IsRoot() ? "#" + node->Text()
                                     : node->Text() + "@" + std::to_string(node->Level()));
    });
    return out;
}

class ProjectFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = (fs::temp_directory_path() /
                  ("parvane-pvx-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                     .string() +
                 "/";
        fs::remove_all(folder);
        fs::create_directories(folder);
        tree.CreateRootGroups();
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& bytes) {
        WriteBytes(folder + name, bytes);
        return folder + name;
    }

    std::string folder; // with trailing "/"
    TTopicTree tree;
    TPvx project{tree};
};

} // namespace

// ---- defaults and the exact layout -------------------------------------------------------

TEST_F(ProjectFile, NewProjectHasTheNewProjectValues) {
    project.ProjectSettings.Title = "old";
    project.HelpWindowSettings.UseFolder = true;
    project.HelpWindowSettings.Top = 1;
    tree.AddChild(project.ContentsRoot(), "old topic");
    project.Modified = true;
    project.ResetToDefaults();

    const TProjectSettings& s = project.ProjectSettings;
    EXPECT_EQ(s.Title, "");
    EXPECT_EQ(s.CompiledFile, "unnamed.chm");
    EXPECT_EQ(s.Encoding, "Windows-1252");
    EXPECT_EQ(s.Language, "0x0409");
    EXPECT_EQ(s.WebHelpOutputFolder, Paths::HomeFolder() + "WebHelp/");
    EXPECT_EQ(s.SingleHtmlOutputFolder, Paths::HomeFolder() + "SingleHTML/");
    EXPECT_EQ(s.SingleHtmlFilename, "index.htm");
    EXPECT_EQ(s.WebFontColor, "#000000");
    EXPECT_EQ(s.WebBackColor, "#DCDBD6");
    EXPECT_FALSE(s.DeleteProject);
    EXPECT_FALSE(s.AutoCollapse);
    EXPECT_FALSE(s.SingleHtmlHasToc);
    EXPECT_TRUE(s.DefaultTemplate);
    EXPECT_EQ(s.NoChild, 10);
    EXPECT_EQ(project.HelpWindowSettings.Top, 50);
    EXPECT_EQ(project.HelpWindowSettings.Width, 700);
    EXPECT_TRUE(project.HelpWindowSettings.AutoSync);
    EXPECT_EQ(project.HelpWindowSettings.ContentsFont, ",8,0");
    // UseFolder keeps the value of the project before.
    EXPECT_TRUE(project.HelpWindowSettings.UseFolder);
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_FALSE(project.Modified);
    EXPECT_EQ(project.FileName, "unnamed.pvx");
    EXPECT_TRUE(project.IsUntitled);
}

TEST_F(ProjectFile, NewProjectSavedIntoItsOwnFolderWritesTheGoldenFile) {
    project.ProjectSettings.RootDir = folder;
    project.Modified = true;
    project.SaveToFile(folder + "new.pvx");

    const std::string written = ReadBytes(folder + "new.pvx");
    EXPECT_EQ(written.rfind("[GENERAL]\r\nTitle=\r\nRootDir=\r\nDefaultTopic=\r\n"
                            "CompiledFile=unnamed.chm\r\nCustomTemplate=\r\nDefaultTemplate=1\r\n"
                            "Encoding=Windows-1252\r\nLanguage=0x0409\r\n",
                            0),
              0u);
    const std::string golden =
        ReplaceAll(ReadBytes(kProjects + "new_project.golden.pvx"), "@HOME@/", Paths::HomeFolder());
    EXPECT_EQ(written, golden);
    EXPECT_FALSE(project.Modified);
    EXPECT_EQ(project.FileName, folder + "new.pvx");
    EXPECT_FALSE(project.IsUntitled);
}

TEST_F(ProjectFile, TopicsAreWrittenExactlyAsTheGoldenFile) {
    project.ProjectSettings.Title = "Projet \xC3\xA9";
    project.ProjectSettings.RootDir = folder + "pages/";
    project.ProjectSettings.DefaultTopic = "sub\\child.htm";
    TTopicNode* toc = project.ContentsRoot();
    tree.AddTopicNode(toc, "New Item", imLastChildOfReference, tsUnsaved, 0, "");
    TTopicNode* heading =
        tree.AddTopicNode(toc, "Heading", imLastChildOfReference, tsNoLink, 0, "");
    heading->Data().Keywords = "alpha\r\nbeta";
    heading->Data().ContextNumber = "42";
    tree.AddTopicNode(heading, "Child \xC3\xA9", imLastChildOfReference, tsLinked, 5,
                      "sub\\child.htm");
    heading->Expand();
    TTopicNode* extra = tree.AddTopicNode(project.NonContentsRoot(), "Extra",
                                          imLastChildOfReference, tsLinked, 0, "extra.htm");
    extra->Data().ApplyTemp = true;
    tree.AddTopicNode(project.TemplatesRoot(), "Tpl", imLastChildOfReference, tsLinked, 0,
                      "templates\\t.htm");
    // Level and Kind are written from the position, whatever the records say.
    extra->Data().Level = 7;
    extra->Data().Kind = 0;

    project.SaveToFile(folder + "topics.pvx");
    const std::string golden =
        ReplaceAll(ReadBytes(kProjects + "topics.golden.pvx"), "@HOME@/", Paths::HomeFolder());
    EXPECT_EQ(ReadBytes(folder + "topics.pvx"), golden);
}

TEST_F(ProjectFile, LoadAndSaveKeepEverything) {
    // Every setting away from both default columns, then through a file and back.
    TProjectSettings& s = project.ProjectSettings;
    s.Title = "T = x";
    s.RootDir = folder + "root/";
    s.DefaultTopic = "a.htm";
    s.CompiledFile = "out\\help.chm";
    s.CustomTemplate = "custom.htm";
    s.DefaultTemplate = false;
    s.Encoding = "UTF-8";
    s.Language = "0x0419";
    s.DeleteProject = true;
    s.ViewCompiledFile = false;
    s.HasChild = 4;
    s.NoChild = 11;
    s.HtmlHelpTemplate = "t1.htm";
    s.HtmlHelpTitle = "HH";
    s.HtmlHelpTitleSame = false;
    s.WebHelpDefault = "w.htm";
    s.WebHelpOutputFolder = "/srv/web/";
    s.WebHelpTemplate = "t2.htm";
    s.WebHelpTitle = "WH";
    s.WebHelpDefaultSame = s.WebHelpTemplateSame = s.WebHelpTilteSame = false;
    s.StartFromRoot = false;
    s.AutoCollapse = true;
    s.DrawLines = false;
    s.SingleHtmlFilename = "one.html";
    s.SingleHtmlOutputFolder = "/srv/single/";
    s.SingleHtmlTitle = "SH";
    s.SingleHtmlHasToc = true;
    s.SingleHtmlSame = false;
    s.HeadProperties = 0;
    s.PageProperties = 0;
    s.RealColorIcon = true;
    s.ShowIndex = false;
    s.NavWidth = 321;
    s.WebFontColor = "#abcdef";
    s.WebBackColor = "#fedcba";
    s.HHPFolder = "/srv/hhp/";
    s.WebHelpSearch = false;
    THelpWindowSettings& w = project.HelpWindowSettings;
    w.Top = -5;
    w.DefaultTab = 3;
    w.ShowMSDNMenu = true;
    w.ShowPane = false;
    w.SavePosition = true;
    w.UseFolder = true;
    w.ContentsFont = "Arial,10,0";
    w.IndexFont = "Tahoma,9,1";
    w.Title = "Window";
    w.Language = "0x0409";
    w.Font = "Verdana,8,0";
    w.DefaultTopic = "d.htm";

    TTopicNode* a = tree.AddTopicNode(project.ContentsRoot(), "A", 0, tsLinked, 3, "a.htm");
    a->Data().Keywords = "k1\r\nk2\r\n";
    a->Data().ContextNumber = "0x10";
    TTopicNode* b = tree.AddTopicNode(a, "B", 0, tsNoLink, 0, "old.htm");
    tree.AddTopicNode(b, "C", 0, tsUnsaved, 42, "");
    tree.AddTopicNode(project.ContentsRoot(), "D", 0, tsLinked, 0, "..\\outside\\d.htm");
    tree.AddTopicNode(project.TemplatesRoot(), "T1", 0, tsLinked, 0, "t1.htm")->Data().ApplyTemp =
        true;
    a->SetExpanded(true);
    b->SetExpanded(true);
    project.UpdateTopicImages();

    const std::string path = folder + "all.pvx";
    project.SaveToFile(path);
    const std::string first = ReadBytes(path);

    TTopicTree tree2;
    TPvx loaded(tree2);
    loaded.LoadFromFile(path);
    EXPECT_EQ(loaded.SaveToText(path), first);
    EXPECT_EQ(loaded.ProjectSettings.RootDir, folder + "root/");
    EXPECT_EQ(loaded.HelpWindowSettings.Top, -5);
    EXPECT_TRUE(loaded.HelpWindowSettings.UseFolder);
    EXPECT_EQ(Outline(tree2), Outline(tree));
    const TTopicNode* a2 = tree2.ContentsRoot()->Child(0);
    EXPECT_EQ(a2->Data().Keywords, "k1\r\nk2\r\n");
    EXPECT_EQ(a2->Data().ContextNumber, "0x10");
    EXPECT_TRUE(a2->Expanded());
    EXPECT_EQ(a2->ImageIndex(), 3); // icon 3, open
    EXPECT_EQ(a2->Child(0)->Data().Url, "old.htm");
    EXPECT_EQ(a2->Child(0)->Data().Status, tsNoLink);
    EXPECT_TRUE(tree2.TemplatesRoot()->Child(0)->Data().ApplyTemp);
    EXPECT_FALSE(loaded.ProjectSettings.WebHelpSearch);
}

// ---- reading ----------------------------------------------------------------------------

TEST_F(ProjectFile, MissingKeysTakeTheLoadingDefaults) {
    const std::string path = Write("bare.pvx", "[GENERAL]\r\nTitle=Bare\r\n");
    project.LoadFromFile(path);
    const TProjectSettings& s = project.ProjectSettings;
    EXPECT_EQ(s.Title, "Bare");
    EXPECT_EQ(s.RootDir, folder);
    EXPECT_EQ(s.CompiledFile, "");
    EXPECT_EQ(s.Encoding, "");
    EXPECT_EQ(s.Language, "");
    EXPECT_EQ(s.WebHelpOutputFolder, "");
    EXPECT_EQ(s.SingleHtmlFilename, "");
    EXPECT_TRUE(s.DeleteProject);
    EXPECT_TRUE(s.AutoCollapse);
    EXPECT_TRUE(s.SingleHtmlHasToc);
    EXPECT_FALSE(s.RealColorIcon);
    EXPECT_TRUE(s.ShowIndex);
    EXPECT_TRUE(s.WebHelpSearch);
    EXPECT_EQ(s.NoChild, 10);
    EXPECT_EQ(s.NavWidth, 250);
    EXPECT_EQ(s.HeadProperties, 1);
    EXPECT_EQ(s.WebFontColor, "#ffffff");
    EXPECT_EQ(s.WebBackColor, "#003366");
    const THelpWindowSettings& w = project.HelpWindowSettings;
    EXPECT_EQ(w.Top, 0);
    EXPECT_EQ(w.Width, 0);
    EXPECT_FALSE(w.ShowPane);
    EXPECT_FALSE(w.AutoSync);
    EXPECT_EQ(w.ContentsFont, ",8,0");
    EXPECT_EQ(w.IndexFont, ",8,0");
    EXPECT_EQ(w.Title, "");
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_FALSE(project.Modified);
    EXPECT_EQ(project.FileName, path);
    EXPECT_FALSE(project.IsUntitled);
}

TEST_F(ProjectFile, RootDirIsReadRelativeToTheProjectFileOrAbsolute) {
    const std::string appDir = folder + "app";
    fs::create_directories(appDir);
    const char* oldDataDir = std::getenv("PARVANE_DATA_DIR");
    const std::string saved = oldDataDir ? oldDataDir : "";
    ::setenv("PARVANE_DATA_DIR", appDir.c_str(), 1);

    const std::pair<std::string, std::string> cases[] = {
        {"", folder},
        {"pages\\", folder + "pages/"},
        {"pages\\sub", folder + "pages/sub/"},
        {"..\\shared\\", fs::path(folder).parent_path().parent_path().string() + "/shared/"},
        {"/srv/help", "/srv/help/"},
        {"C:\\Help\\", "C:/Help/"},
        {"\\\\server\\share\\help", "//server/share/help/"},
        {"$AppDir$\\sub", appDir + "/sub/"},
        {"$appdir$", appDir + "/"},
    };
    for (const auto& [stored, expected] : cases) {
        project.LoadFromFile(Write("root.pvx", "[GENERAL]\r\nRootDir=" + stored + "\r\n"));
        EXPECT_EQ(project.ProjectSettings.RootDir, expected) << stored;
    }
    if (oldDataDir)
        ::setenv("PARVANE_DATA_DIR", saved.c_str(), 1);
    else
        ::unsetenv("PARVANE_DATA_DIR");
}

TEST_F(ProjectFile, RootDirIsWrittenRelativeBelowTheProjectFolderAndAbsoluteElsewhere) {
    auto storedFor = [&](const std::string& root) {
        project.ProjectSettings.RootDir = root;
        const std::string text = project.SaveToText(folder + "p.pvx");
        const std::size_t begin = text.find("RootDir=") + 8;
        return text.substr(begin, text.find("\r\n", begin) - begin);
    };
    EXPECT_EQ(storedFor(folder), "");
    EXPECT_EQ(storedFor(folder + "pages/"), "pages\\");
    EXPECT_EQ(storedFor(folder + "a/b"), "a\\b\\");
    EXPECT_EQ(storedFor("/elsewhere/help/"), "/elsewhere/help/");
    // The folder is matched without regard to case.
    std::string upper = folder;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(storedFor(upper + "Pages/"), "Pages\\");

    // And what is written reads back as the same folder.
    for (const std::string& root : {folder, folder + "pages/", std::string("/elsewhere/help/")}) {
        project.ProjectSettings.RootDir = root;
        project.SaveToFile(folder + "p.pvx");
        project.LoadFromFile(folder + "p.pvx");
        EXPECT_EQ(project.ProjectSettings.RootDir, root);
    }
}

TEST_F(ProjectFile, ReadsFilesOfThe8BitPlatform) {
    // Written by tests/data/write_pvx.py: Windows-1252, CR LF, backslash paths.
    project.LoadFromFile(kProjects + "reference.pvx");
    const TProjectSettings& s = project.ProjectSettings;
    EXPECT_EQ(s.Title, "Manuel d'aide");
    EXPECT_EQ(s.RootDir, kProjects + "pages/");
    EXPECT_EQ(s.CompiledFile, "..\\out\\manuel.chm");
    EXPECT_EQ(s.NoChild, 10); // written "0x0A"
    EXPECT_EQ(s.HasChild, 2);
    EXPECT_EQ(s.WebFontColor, "#123456");
    EXPECT_EQ(s.WebHelpOutputFolder, "c:\\WebHelp");
    EXPECT_EQ(project.HelpWindowSettings.Top, 70);
    EXPECT_TRUE(project.HelpWindowSettings.UseFolder);
    EXPECT_EQ(project.HelpWindowSettings.ContentsFont, "Tahoma,8,0");

    EXPECT_EQ(Outline(tree),
              (std::vector<std::string>{
                  "#Table of contents", "Introduction@1", "Caf\xC3\xA9 cr\xC3\xA8me@1",
                  "R\xC3\xA9sum\xC3\xA9@2", "New page@2", "Deep = deeper@3", "Last@1",
                  "#Non-contents pages", "Glossary@1", "#Templates", "Main template@1"}));
    const TTopicNode* intro = project.ContentsRoot()->Child(0);
    EXPECT_EQ(intro->Data().Keywords, "d\xC3\xA9"
                                      "but\r\nstart");
    EXPECT_EQ(intro->Data().ContextNumber, "100");
    const TTopicNode* resume = project.ContentsRoot()->Child(1)->Child(0);
    EXPECT_EQ(resume->Data().Url, "sub\\r\xC3\xA9sum\xC3\xA9.htm");
    EXPECT_EQ(project.TopicFileName(resume), kProjects + "pages/sub/r\xC3\xA9sum\xC3\xA9.htm");
    EXPECT_TRUE(project.ContentsRoot()->Child(1)->Child(1)->Child(0)->Data().ApplyTemp);
    // Both template settings name the page, in different letter case.
    EXPECT_EQ(project.TemplatesRoot()->Child(0)->ImageIndex(), imgBothTemplates);
    EXPECT_EQ(project.NonContentsRoot()->Child(0)->Data().Kind, 1);

    // Saved here, the same project is UTF-8.
    project.SaveToFile(folder + "converted.pvx");
    const std::string text = ReadBytes(folder + "converted.pvx");
    EXPECT_NE(text.find("TitleList.Title.1=Caf\xC3\xA9 cr\xC3\xA8me\r\n"), std::string::npos);
    EXPECT_NE(text.find("TitleList.Keywords.0=d\xC3\xA9"
                        "but`\\start\r\n"),
              std::string::npos);
}

TEST_F(ProjectFile, LoadExpandsOnlyTheContentsAndSelectsIt) {
    struct Observer : TTreeObserver {
        std::vector<std::string> events;
        void NodesAboutToBeInserted(TTopicNode*, int, int) override { events.push_back("insert"); }
        void NodeChanged(TTopicNode*) override { events.push_back("changed"); }
        void StructureAboutToChange() override { events.push_back("structure?"); }
        void StructureChanged() override { events.push_back("structure!"); }
        void SelectionChanged() override { events.push_back("selection"); }
    } observer;
    project.NonContentsRoot()->Expand();
    tree.SetObserver(&observer);
    project.LoadFromFile(kProjects + "reference.pvx");
    tree.SetObserver(nullptr);

    // One structure change for the whole load, then the selection: nothing per topic.
    EXPECT_EQ(observer.events, (std::vector<std::string>{"structure?", "structure!", "selection"}));
    EXPECT_TRUE(project.ContentsRoot()->Expanded());
    EXPECT_EQ(project.ContentsRoot()->ImageIndex(), imgRootOpen);
    EXPECT_FALSE(project.NonContentsRoot()->Expanded());
    EXPECT_EQ(project.NonContentsRoot()->ImageIndex(), imgRootClosed);
    EXPECT_EQ(tree.Selected(), project.ContentsRoot());
    // Topics stored as expanded come back expanded.
    EXPECT_TRUE(project.ContentsRoot()->Child(1)->Expanded());
    EXPECT_FALSE(project.ContentsRoot()->Child(0)->Expanded());
}

TEST_F(ProjectFile, TopicsFollowTheLevelRules) {
    // A jump from 0 to 3 goes one level below the topic before it; coming back to 0
    // returns to the root of the topic's Kind.
    project.LoadFromFile(Write(
        "levels.pvx", TopicsFile("TitleList=6\r\n" + TopicLines(0, "A", 0) + TopicLines(1, "B", 3) +
                                 TopicLines(2, "C", 3) + TopicLines(3, "D", 4) +
                                 TopicLines(4, "E", 0, 2) + TopicLines(5, "F", 1, 2))));
    EXPECT_EQ(Outline(tree),
              (std::vector<std::string>{"#Table of contents", "A@1", "B@2", "C@2", "D@3",
                                        "#Non-contents pages", "#Templates", "E@1", "F@2"}));
}

TEST_F(ProjectFile, TitlesKeepEqualsSignsButNotOuterBlanksOrLineBreaks) {
    TTopicNode* a = tree.AddTopicNode(project.ContentsRoot(), "a = b", 0, tsLinked, 0, "a.htm");
    tree.AddTopicNode(project.ContentsRoot(), "  lead and trail  ", 0, tsLinked, 0, "b.htm");
    // A line break in a title must not forge the next line of the file.
    tree.AddTopicNode(project.ContentsRoot(), "x\r\nTitleList.Url.2=evil.htm", 0, tsLinked, 0,
                      "c.htm");
    project.ProjectSettings.Title = "Two\nlines";
    a->Data().Keywords = "one\ntwo\rthree\r\nfour";
    project.SaveToFile(folder + "t.pvx");
    project.LoadFromFile(folder + "t.pvx");
    const TTopicNode* toc = project.ContentsRoot();
    ASSERT_EQ(toc->Count(), 3);
    EXPECT_EQ(toc->Child(0)->Text(), "a = b");
    EXPECT_EQ(toc->Child(1)->Text(), "lead and trail");
    EXPECT_EQ(toc->Child(2)->Text(), "x  TitleList.Url.2=evil.htm");
    EXPECT_EQ(toc->Child(2)->Data().Url, "c.htm");
    EXPECT_EQ(project.ProjectSettings.Title, "Two lines");
    // Any line break of the record separates keywords.
    EXPECT_EQ(toc->Child(0)->Data().Keywords, "one\r\ntwo\r\nthree\r\nfour");
    EXPECT_NE(ReadBytes(folder + "t.pvx").find("TitleList.Keywords.0=one`\\two`\\three`\\four\r\n"),
              std::string::npos);
}

TEST_F(ProjectFile, ACountOfZeroLeavesOnlyTheRoots) {
    project.LoadFromFile(
        Write("zero.pvx", TopicsFile("TitleList=0\r\n" + TopicLines(0, "Ignored", 0))));
    EXPECT_EQ(tree.Count(), 3);
    project.LoadFromFile(Write("none.pvx", "[GENERAL]\r\nTitle=x\r\n"));
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_NE(project.SaveToText(folder + "none.pvx").find("[TOPICS]\r\nTitleList=0\r\n\r\n"),
              std::string::npos);
}

// ---- damaged and hostile files -----------------------------------------------------------

TEST_F(ProjectFile, DamagedFileLoadsWithDefaultsAndSanePlacement) {
    // Written by tests/data/write_pvx.py: count 99999999 over five topics, a first topic at
    // level 2, a jump, a climb above the roots, Kind 7 and words where numbers belong.
    project.LoadFromFile(kProjects + "damaged.pvx");
    EXPECT_EQ(Outline(tree),
              (std::vector<std::string>{"#Table of contents", "Orphan@1", "Jump@2", "Climb@1",
                                        "Stray@1", "#Non-contents pages", "Odd@1", "#Templates"}));
    EXPECT_EQ(project.ProjectSettings.NoChild, 10);
    EXPECT_EQ(project.ProjectSettings.NavWidth, 250);
    EXPECT_TRUE(project.ProjectSettings.ViewCompiledFile);
    EXPECT_EQ(project.HelpWindowSettings.Top, 0);
    EXPECT_EQ(project.HelpWindowSettings.Width, 0);
    const TTopicNode* odd = project.NonContentsRoot()->Child(0);
    EXPECT_EQ(odd->Data().Icon, 0);
    EXPECT_EQ(odd->Data().Status, tsLinked);
    // What was placed sanely saves as a well-formed file.
    project.SaveToFile(folder + "repaired.pvx");
    EXPECT_NE(ReadBytes(folder + "repaired.pvx").find("TitleList=5\r\n"), std::string::npos);
}

TEST_F(ProjectFile, HostileLevelsAndCountsNeitherCrashNorExplode) {
    const std::string lines = "TitleList=2147483647\r\n" + TopicLines(0, "A", 0) +
                              TopicLines(1, "B", 2147483647) + TopicLines(2, "C", -2147483647 - 1) +
                              TopicLines(3, "D", 1, -5) +
                              "TitleList.Title.4=only a title\r\n"
                              // a gap: topic 5 is missing, so 6 is never read
                              "TitleList.Title.6=after the gap\r\n";
    project.LoadFromFile(Write("hostile.pvx", TopicsFile(lines)));
    EXPECT_EQ(Outline(tree),
              (std::vector<std::string>{"#Table of contents", "A@1", "B@2", "C@1", "D@2",
                                        "only a title@1", "#Non-contents pages", "#Templates"}));

    const std::string negative = TopicsFile("TitleList=-3\r\n" + TopicLines(0, "A", 0));
    project.LoadFromFile(Write("negative.pvx", negative));
    EXPECT_EQ(tree.Count(), 3);
}

TEST_F(ProjectFile, BinaryTruncatedAndOverlongFilesLoad) {
    std::string binary;
    for (int i = 0; i < 65536; ++i)
        binary.push_back(static_cast<char>((i * 7919 + 13) % 256));
    project.LoadFromFile(Write("binary.pvx", binary));
    EXPECT_EQ(tree.RootCount(), 3);

    const std::string full = ReadBytes(kProjects + "reference.pvx");
    for (std::size_t cut : {full.size() / 3, full.size() / 2, full.size() - 40}) {
        project.LoadFromFile(Write("cut.pvx", full.substr(0, cut)));
        EXPECT_EQ(tree.RootCount(), 3);
        EXPECT_FALSE(project.ProjectSettings.RootDir.empty());
    }

    std::string longTitle(10 * 1024 * 1024, 'x');
    project.LoadFromFile(Write(
        "long.pvx",
        TopicsFile("TitleList=2\r\n" + TopicLines(0, longTitle, 0) + TopicLines(1, "after", 0))));
    ASSERT_EQ(project.ContentsRoot()->Count(), 2);
    EXPECT_EQ(project.ContentsRoot()->Child(0)->Text().size(), longTitle.size());
    EXPECT_EQ(project.ContentsRoot()->Child(1)->Text(), "after");
}

// ---- failures ---------------------------------------------------------------------------

TEST_F(ProjectFile, MissingFileFailsAndChangesNothing) {
    project.ProjectSettings.Title = "kept";
    tree.AddChild(project.ContentsRoot(), "kept topic");
    project.Modified = true;
    const std::string path = folder + "missing.pvx";
    try {
        project.LoadFromFile(path);
        FAIL() << "no error for a missing file";
    } catch (const EParvaneError& e) {
        EXPECT_EQ(std::string(e.what()), path + " doesn't exist!");
    }
    EXPECT_THROW(project.LoadFromFile(folder), EParvaneError); // a folder is no file
    EXPECT_EQ(project.ProjectSettings.Title, "kept");
    EXPECT_EQ(tree.Count(), 4);
    EXPECT_TRUE(project.Modified);
    EXPECT_TRUE(project.IsUntitled);
}

TEST_F(ProjectFile, FailedSaveKeepsTheStateAndTheOldFile) {
    project.Modified = true;
    EXPECT_THROW(project.SaveToFile(folder + "no/such/folder/p.pvx"), EParvaneError);
    EXPECT_TRUE(project.Modified);
    EXPECT_EQ(project.FileName, "unnamed.pvx");
    EXPECT_TRUE(project.IsUntitled);

    // Saving over a file replaces it whole and leaves no temporary file behind.
    const std::string path = Write("p.pvx", "old contents");
    project.SaveToFile(path);
    EXPECT_EQ(ReadBytes(path).rfind("[GENERAL]\r\n", 0), 0u);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

// ---- images and addresses ----------------------------------------------------------------

TEST_F(ProjectFile, TopicImagesFollowIconsDefaultsAndGroups) {
    TTopicNode* toc = project.ContentsRoot();
    auto parentWithIcon = [&](int icon) {
        TTopicNode* node = tree.AddTopicNode(toc, "P", 0, tsLinked, icon, "");
        tree.AddChild(node, "child");
        return node;
    };
    auto images = [&](TTopicNode* node) {
        node->SetExpanded(false);
        const int closed = project.TopicImageIndex(node, 0);
        node->SetExpanded(true);
        const int open = project.TopicImageIndex(node, 0);
        return std::make_pair(closed, open);
    };
    EXPECT_EQ(images(parentWithIcon(1)), std::make_pair(0, 1));
    EXPECT_EQ(images(parentWithIcon(2)), std::make_pair(0, 1));
    EXPECT_EQ(images(parentWithIcon(3)), std::make_pair(2, 3));
    EXPECT_EQ(images(parentWithIcon(8)), std::make_pair(6, 7));
    EXPECT_EQ(images(parentWithIcon(9)), std::make_pair(8, 8));
    EXPECT_EQ(images(parentWithIcon(42)), std::make_pair(41, 41));

    TTopicNode* automatic = parentWithIcon(0);
    project.ProjectSettings.HasChild = 3;
    EXPECT_EQ(images(automatic), std::make_pair(2, 3));
    project.ProjectSettings.HasChild = 10;
    EXPECT_EQ(images(automatic), std::make_pair(10, 10));
    project.ProjectSettings.HasChild = -1;
    EXPECT_EQ(images(automatic), std::make_pair(-1, -1));

    TTopicNode* leaf = tree.AddTopicNode(toc, "L", 0, tsLinked, 0, "");
    project.ProjectSettings.NoChild = 12;
    EXPECT_EQ(project.TopicImageIndex(leaf, 0), 12);
    leaf->Data().Icon = 5;
    EXPECT_EQ(project.TopicImageIndex(leaf, 0), 4);
    EXPECT_EQ(project.TopicImageIndex(leaf, 1), imgNonContentsPage);
    EXPECT_EQ(project.TopicImageIndex(leaf, 2), imgTemplatePage);
    automatic->SetExpanded(false);
    EXPECT_EQ(project.TopicImageIndex(automatic, 1), imgGroupClosed);
    automatic->SetExpanded(true);
    EXPECT_EQ(project.TopicImageIndex(automatic, 2), imgGroupOpen);
}

TEST_F(ProjectFile, ImageUpdateSetsKindsAndMarksTemplates) {
    TTopicNode* page =
        tree.AddTopicNode(project.NonContentsRoot(), "Page", 0, tsLinked, 0, "p.htm");
    TTopicNode* html = tree.AddTopicNode(project.TemplatesRoot(), "H", 0, tsLinked, 0, "T\\H.htm");
    TTopicNode* web = tree.AddTopicNode(project.TemplatesRoot(), "W", 0, tsLinked, 0, "t/w.htm");
    TTopicNode* plain = tree.AddTopicNode(project.TemplatesRoot(), "New", 0, tsUnsaved, 0, "");
    project.ProjectSettings.HtmlHelpTemplate = "t\\h.htm";
    project.ProjectSettings.WebHelpTemplate = "T\\W.HTM";
    project.UpdateTopicImages();
    EXPECT_EQ(page->ImageIndex(), imgNonContentsPage);
    EXPECT_EQ(page->Data().Kind, 1);
    EXPECT_EQ(html->ImageIndex(), imgHtmlHelpTemplate);
    EXPECT_EQ(web->ImageIndex(), imgWebHelpTemplate);
    EXPECT_EQ(plain->ImageIndex(), imgTemplatePage); // an empty setting marks nothing
    EXPECT_EQ(plain->SelectedIndex(), imgTemplatePage);
    project.ProjectSettings.WebHelpTemplate = "T/H.htm";
    project.UpdateTopicImages();
    EXPECT_EQ(html->ImageIndex(), imgBothTemplates);

    // Moved into the contents, the page takes Kind 0 and the contents' image rule.
    tree.MoveNode(page, project.ContentsRoot(), -1);
    project.UpdateTopicImages();
    EXPECT_EQ(page->Data().Kind, 0);
    EXPECT_EQ(page->ImageIndex(), project.ProjectSettings.NoChild);
}

TEST_F(ProjectFile, FindsTopicsByUrlWithoutRegardToCase) {
    project.ProjectSettings.RootDir = folder;
    TTopicNode* a = tree.AddTopicNode(project.ContentsRoot(), "A", 0, tsLinked, 0, "Sub\\Page.htm");
    TTopicNode* b = tree.AddTopicNode(a, "B", 0, tsLinked, 0, "b.htm");
    tree.AddTopicNode(project.TemplatesRoot(), "dup", 0, tsLinked, 0, "SUB\\PAGE.HTM");
    TTopicNode* none = tree.AddTopicNode(project.ContentsRoot(), "N", 0, tsNoLink, 0, "");

    EXPECT_EQ(project.FindTopicByUrl("sub/page.htm"), a); // the first in tree order
    EXPECT_EQ(project.FindTopicByUrl("B.HTM"), b);
    EXPECT_EQ(project.FindTopicByUrl("missing.htm"), nullptr);
    EXPECT_EQ(project.FindTopicByUrl(""), nullptr);
    const TTopicUrlIndex index(tree);
    EXPECT_EQ(index.Find("SUB/page.htm"), a);
    EXPECT_EQ(index.Find("b.htm"), b);
    EXPECT_EQ(index.Find(""), nullptr);

    project.ProjectSettings.DefaultTopic = "sub/PAGE.htm";
    EXPECT_TRUE(project.IsDefaultTopic(a));
    EXPECT_FALSE(project.IsDefaultTopic(b));
    EXPECT_FALSE(project.IsDefaultTopic(project.ContentsRoot()));
    project.ProjectSettings.DefaultTopic.clear();
    EXPECT_FALSE(project.IsDefaultTopic(none));

    EXPECT_EQ(project.TopicFileName(a), folder + "Sub/Page.htm");
    EXPECT_EQ(project.TopicFileName(none), "");
}
