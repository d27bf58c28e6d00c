// The HTML Help build from a project: the four Workshop files against golden files, the
// copies in the work folder, the work folder's life, and a real compile with chmcmd.

#include "chm_test_support.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"
#include "output/chm_project.h"
#include "templates/template_apply.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>

namespace parvane {
namespace {

using chmtest::Page;
using chmtest::ReadBytes;
using chmtest::TTempDir;
using chmtest::TTestProject;
using chmtest::WriteBytes;
namespace fs = std::filesystem;

// Records what the driver reports; the old-file question is answered by `retry`.
class TRecordingHost : public TBuildHost {
public:
    std::vector<std::string> Lines, CompilerLines, Questions;
    bool Retry = false;
    void Info(const std::string& text) override { Lines.push_back(text); }
    void CompilerLine(const std::string& text) override { CompilerLines.push_back(text); }
    bool AskRetry(const std::string& message) override {
        Questions.push_back(message);
        return Retry;
    }
};

// Sets an environment variable for one scope.
class TScopedEnv {
public:
    TScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~TScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The small project of the golden files: a heading with pages in a sub-folder, keywords
// with a shared parent, "//", titles with the characters HTML reserves, a template in its
// own folder, a page outside the contents that a topic links to, and one that nothing
// links to.
struct TSmallProject : TTestProject {
    explicit TSmallProject(bool withContextNumbers = true) {
        TProjectSettings& s = Pvx->ProjectSettings;
        s.Title = "Small & <Help>";
        s.CompiledFile = "out\\small.chm";
        s.DefaultTopic = "index.htm";
        s.HtmlHelpTemplate = "tpl\\template.htm";
        s.Encoding = "UTF-8";
        Pvx->HelpWindowSettings.Title = "ignored: the build takes the project's title";

        File("index.htm",
             Page("Welcome", "<p>Start <a href=\"extra.htm\">extra</a></p>"
                             "<img src=\"img/logo.gif\"><link href=\"css/style.css\">"));
        File("topics/red.htm", Page("Red", "<p>Red <img src=\"../img/red.gif\"></p>"));
        File("topics/blue.htm", Page("Blue", "<p>Blue</p>"));
        File("topics/raw.htm", "<html><body>Raw\r\n page</body></html>");
        File("extra.htm", Page("Extra", "<p>Extra page</p>"));
        File("orphan.htm", Page("Orphan", "<p>nobody links here</p>"));
        File("img/logo.gif", "GIF89a-logo");
        File("img/red.gif", "GIF89a-red");
        File("css/style.css", "body { color: black; }\r\n");
        File("tpl/template.htm",
             "<html><head><title>($title$)</title></head>\r\n<body background=\"img/bg.gif\">"
             "<h1>($title$)</h1>($content$)</body></html>\r\n");
        File("tpl/img/bg.gif", "GIF89a-bg");

        TTopicNode* contents = Tree.ContentsRoot();
        Add(contents, "Welcome", "index.htm", tsLinked, "A//B\r\nStart",
            withContextNumbers ? " 10 " : "");
        TTopicNode* colours = Add(contents, "Colours", "", tsNoLink);
        Add(colours, "Red", "topics\\red.htm", tsLinked, "Colours/Red\r\n/Colours/",
            withContextNumbers ? "20" : "");
        Add(colours, "Fish & \"Chips\" <b>", "topics\\blue.htm", tsLinked, "Colours/Blue");
        Add(colours, "Raw", "topics\\raw.htm", tsLinked, "Colours/Blue")->Data().ApplyTemp = true;
        Add(Tree.NonContentsRoot(), "Extra page", "extra.htm");
        Add(Tree.NonContentsRoot(), "Orphan", "orphan.htm");
        Add(Tree.TemplatesRoot(), "Template", "tpl\\template.htm");
    }
};

std::string GoldenFolder(const std::string& name) {
    return std::string(PARVANE_TEST_DATA) + "/golden/htmlhelp/" + name + "/";
}

// Compares every file of the golden folder with the file of the same name in actual, with
// the temporary folder's path written as "@TMP@/". PARVANE_UPDATE_GOLDEN=1 rewrites them.
void ExpectGolden(const std::string& name, const std::string& actualFolder, const std::string& tmp,
                  const std::vector<std::string>& files) {
    const std::string golden = GoldenFolder(name);
    const bool update = std::getenv("PARVANE_UPDATE_GOLDEN") != nullptr;
    for (const std::string& file : files) {
        std::string actual = ReadBytes(actualFolder + file);
        actual = StringFunc::ReplaceAll(actual, tmp, "@TMP@/");
        if (update)
            WriteBytes(golden + file, actual);
        EXPECT_EQ(actual, ReadBytes(golden + file)) << name << "/" << file;
    }
    // No file beyond the expected ones (no .h without context numbers, ...).
    std::set<std::string> expected(files.begin(), files.end());
    for (const auto& entry : fs::directory_iterator(actualFolder)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".hhp" || ext == ".hhc" || ext == ".hhk" || ext == ".h") {
            EXPECT_TRUE(expected.count(entry.path().filename().string()))
                << "unexpected " << entry.path();
        }
    }
}

// Builds the Workshop project into keep/ without compiling.
TBuildResult WriteProject(TTestProject& project, TRecordingHost& host) {
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.Compile = false;
    request.KeepProjectFolder = project.Dir.Path() + "keep";
    return RunBuild(*project.Pvx, request, host);
}

TEST(HtmlHelpGolden, SmallProject) {
    TSmallProject project;
    TRecordingHost host;
    const TBuildResult result = WriteProject(project, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.OutputFile, project.Dir.Path() + "keep/small.hhp");
    ExpectGolden("small", project.Dir.Path() + "keep/", project.Dir.Path(),
                 {"small.hhp", "small.hhc", "small.hhk", "small.h"});
}

TEST(HtmlHelpGolden, ContentsAndIndexOffWithoutContextNumbers) {
    TSmallProject project(false);
    project.Pvx->HelpWindowSettings.Content = false;
    project.Pvx->HelpWindowSettings.Index = false;
    TRecordingHost host;
    const TBuildResult result = WriteProject(project, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    ExpectGolden("no_contents_index", project.Dir.Path() + "keep/", project.Dir.Path(),
                 {"small.hhp"});
}

// A project whose titles and keywords are all in one script.
struct TScriptProject : TTestProject {
    TScriptProject(const std::string& language, const std::string& title,
                   const std::vector<std::pair<std::string, std::string>>& topics) {
        TProjectSettings& s = Pvx->ProjectSettings;
        s.Title = title;
        s.Language = language;
        s.CompiledFile = "help.chm";
        s.DefaultTopic = "p0.htm";
        s.Encoding = "UTF-8";
        for (std::size_t i = 0; i < topics.size(); ++i) {
            const std::string file = "p" + std::to_string(i) + ".htm";
            File(file, Page(topics[i].first, "<p>" + topics[i].first + "</p>"));
            Add(Tree.ContentsRoot(), topics[i].first, file, tsLinked, topics[i].second);
        }
    }
};

TEST(HtmlHelpGolden, RussianProjectIsWrittenInWindows1251) {
    TScriptProject project(
        "0x0419", "Справка «Цвета»",
        {{"Введение", "Цвета/Красный\r\nЦвета/Синий"}, {"Синий цвет", "Цвета/Синий"}});
    TRecordingHost host;
    const TBuildResult result = WriteProject(project, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string keep = project.Dir.Path() + "keep/";
    ExpectGolden("russian", keep, project.Dir.Path(), {"help.hhp", "help.hhc", "help.hhk"});
    // «Введение» in Windows-1251.
    EXPECT_NE(ReadBytes(keep + "help.hhc").find("\xC2\xE2\xE5\xE4\xE5\xED\xE8\xE5"),
              std::string::npos);
}

TEST(HtmlHelpGolden, JapaneseProjectIsWrittenInShiftJis) {
    TScriptProject project("0x0411", "ヘルプ", {{"はじめに", "色/赤"}, {"青い色", "色/青"}});
    TRecordingHost host;
    const TBuildResult result = WriteProject(project, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string keep = project.Dir.Path() + "keep/";
    ExpectGolden("japanese", keep, project.Dir.Path(), {"help.hhp", "help.hhc", "help.hhk"});
    // "ヘルプ" in Shift-JIS.
    EXPECT_NE(ReadBytes(keep + "help.hhp").find("Title=\x83\x77\x83\x8B\x83\x76\r\n"),
              std::string::npos);
}

TEST(HtmlHelpBuild, CopiesArePagesWrappedInTheTemplateWithRebasedLinks) {
    TSmallProject project;
    TRecordingHost host;
    ASSERT_TRUE(WriteProject(project, host).Ok);
    const std::string keep = project.Dir.Path() + "keep/";

    const std::string red = ReadBytes(keep + "topics/red.htm");
    EXPECT_EQ(red, ApplyTemplate("<html><head><title>($title$)</title></head>\r\n"
                                 "<body background=\"../tpl/img/bg.gif\"><h1>($title$)</h1>"
                                 "($content$)</body></html>\r\n",
                                 "Red",
                                 PageBody(Page("Red", "<p>Red <img src=\"../img/red.gif\"></p>"))));
    EXPECT_NE(
        ReadBytes(keep + "topics/blue.htm").find("<h1>Fish &amp; &quot;Chips&quot; &lt;b&gt;</h1>"),
        std::string::npos);
    // A page outside the contents that a topic links to is wrapped too, with its node text.
    EXPECT_NE(
        ReadBytes(keep + "extra.htm").find("<h1>Extra page</h1>\r\n<p>Extra page</p>\r\n</body>"),
        std::string::npos);
    // "Don't apply template": the copy is the page byte for byte.
    EXPECT_EQ(ReadBytes(keep + "topics/raw.htm"), ReadBytes(project.Root() + "topics/raw.htm"));
    // What nothing links to stays out; the project's own pages are never changed.
    EXPECT_FALSE(fs::exists(keep + "orphan.htm"));
    EXPECT_EQ(ReadBytes(project.Root() + "extra.htm"), Page("Extra", "<p>Extra page</p>"));
    for (const char* file : {"img/logo.gif", "img/red.gif", "css/style.css", "tpl/img/bg.gif"})
        EXPECT_EQ(ReadBytes(keep + file), ReadBytes(project.Root() + file)) << file;
    // The compiled file's folder below the root is made even when nothing is compiled.
    EXPECT_TRUE(fs::is_directory(project.Root() + "out"));
}

TEST(HtmlHelpBuild, TemplateLinksToTopicPagesAreRebasedForEveryPage) {
    // The topic pages a template links to are written with the other templated pages, so
    // the links are resolved against the project's own files.
    TSmallProject project;
    project.File("tpl/template.htm",
                 "<html><head><title>($title$)</title></head>\r\n<body>"
                 "<a href=\"../index.htm\">Home</a> <a href=\"../topics/blue.htm\">Blue</a>"
                 "($content$)</body></html>\r\n");
    TRecordingHost host;
    ASSERT_TRUE(WriteProject(project, host).Ok);
    const std::string keep = project.Dir.Path() + "keep/";
    const std::string red = ReadBytes(keep + "topics/red.htm");
    EXPECT_NE(red.find("<a href=\"../index.htm\">Home</a> <a href=\"blue.htm\">Blue</a>"),
              std::string::npos)
        << red;
    const std::string index = ReadBytes(keep + "index.htm");
    EXPECT_NE(index.find("<a href=\"index.htm\">Home</a> <a href=\"topics/blue.htm\">Blue</a>"),
              std::string::npos)
        << index;
}

TEST(HtmlHelpBuild, TheTemporaryWorkFolderIsPrivateAndRemovedAfterAFailedCompile) {
    TSmallProject project;
    const std::string tmp = project.Dir.Path() + "tmp/";
    fs::create_directories(tmp);
    const std::string fake = project.Dir.Path() + "fake-chmcmd";
    // Looks at its own folder, prints garbage and fails.
    WriteBytes(fake,
               "#!/bin/sh\nls -ld \"$PWD\" | cut -c1-10\nprintf '\\377\\000junk\\n'\nexit 1\n");
    ::chmod(fake.c_str(), 0755);
    TScopedEnv tmpdir("TMPDIR", tmp);
    TScopedEnv compiler("PARVANE_CHMCMD", fake);

    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    TRecordingHost host;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.OutputFile.empty());
    EXPECT_NE(result.Message.find("exit status 1"), std::string::npos) << result.Message;
    EXPECT_FALSE(fs::exists(project.Root() + "out/small.chm"));
    ASSERT_GE(host.CompilerLines.size(), 3u);
    EXPECT_EQ(host.CompilerLines[1], "drwx------"); // mkdtemp: only the user may look in
    EXPECT_EQ(host.CompilerLines[2], "??junk");
    EXPECT_TRUE(fs::is_empty(tmp)) << "the work folder was left behind";
}

TEST(HtmlHelpBuild, KeptProjectFolderMayNotBeTheRoot) {
    TSmallProject project;
    project.Pvx->ProjectSettings.DeleteProject = true;
    project.Pvx->ProjectSettings.HHPFolder = project.Root();
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.Compile = false;
    TRecordingHost host;
    TBuildResult result = RunBuild(*project.Pvx, request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, "Html Help Workshop project folder cannot be the same as the "
                              "Project Rootfolder. Please specify another one!");

    project.Pvx->ProjectSettings.HHPFolder = "";
    result = RunBuild(*project.Pvx, request, host);
    EXPECT_EQ(result.Message, "Please specify folder name!");

    // The project's own folder for it is used when the request names none.
    project.Pvx->ProjectSettings.HHPFolder = project.Dir.Path() + "hhp";
    result = RunBuild(*project.Pvx, request, host);
    EXPECT_TRUE(result.Ok) << result.Message;
    EXPECT_TRUE(fs::exists(project.Dir.Path() + "hhp/small.hhp"));
}

TEST(HtmlHelpBuild, AKeptProjectFolderHoldingTopicPagesIsNeverEmptied) {
    TSmallProject project;
    // Every page in topics/ is templated (none is copied as it is).
    project.Tree.ContentsRoot()->Child(1)->Child(2)->Data().ApplyTemp = false;
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.Compile = false;
    request.KeepProjectFolder = project.Root() + "topics";
    TRecordingHost host;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("holds files of the project"), std::string::npos)
        << result.Message;
    EXPECT_EQ(ReadBytes(project.Root() + "topics/red.htm"),
              Page("Red", "<p>Red <img src=\"../img/red.gif\"></p>"));
}

TEST(HtmlHelpBuild, ACompiledFileFolderThatCannotBeMadeStopsTheBuild) {
    TSmallProject project;
    project.Pvx->ProjectSettings.CompiledFile = "index.htm/help.chm";
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    TRecordingHost host;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("Cannot create the folder"), std::string::npos) << result.Message;
}

TEST(HtmlHelpBuild, AMissingCompilerFailsWithTheNameOfThePackage) {
    TSmallProject project;
    TScopedEnv compiler("PARVANE_CHMCMD", project.Dir.Path() + "nothing-here");
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.KeepProjectFolder = project.Dir.Path() + "keep";
    TRecordingHost host;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("fp-utils"), std::string::npos);
    EXPECT_NE(result.Message.find(project.Dir.Path() + "keep/"), std::string::npos);
    EXPECT_TRUE(fs::exists(project.Dir.Path() + "keep/small.hhp"));
}

// ---- with the real compiler ----------------------------------------------------------------

// Runs a program and returns what it printed on stdout, or nullopt when it failed.
std::optional<std::string> Output(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return out;
}

std::string Quote(const std::string& s) {
    return "'" + StringFunc::ReplaceAll(s, "'", "'\\''") + "'";
}

// The names a .chm holds, as chmls lists them ("/index.htm", ...).
std::set<std::string> ChmNames(const std::string& chm) {
    std::set<std::string> names;
    const auto listing = Output("chmls -n list " + Quote(chm) + " 2>/dev/null");
    if (!listing)
        return names;
    std::size_t start = 0;
    while (start < listing->size()) {
        std::size_t end = listing->find('\n', start);
        if (end == std::string::npos)
            end = listing->size();
        std::string line = StringFunc::Trim(std::string_view(*listing).substr(start, end - start));
        if (!line.empty() && line[0] == '/')
            names.insert(line);
        start = end + 1;
    }
    return names;
}

// The bytes of one page inside a .chm, through test_chmLib.
std::string ExtractFromChm(const std::string& chm, const std::string& name,
                           const std::string& into) {
    if (!Output("test_chmLib " + Quote(chm) + " " + Quote(name) + " " + Quote(into) +
                " >/dev/null 2>&1"))
        return "<not extracted " + name + ">";
    return ReadBytes(into);
}

bool HaveTools() {
    return !FindHtmlHelpCompiler().empty() && Output("command -v chmls test_chmLib >/dev/null");
}

TEST(HtmlHelpCompile, TheChmHoldsEveryPagePictureAndStyleSheet) {
    if (!HaveTools())
        GTEST_SKIP() << "chmcmd, chmls or test_chmLib missing: install fp-utils and libchm-bin";
    TSmallProject project;
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.KeepProjectFolder = project.Dir.Path() + "keep";
    TRecordingHost host;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string chm = project.Root() + "out/small.chm";
    EXPECT_EQ(result.OutputFile, chm);
    EXPECT_FALSE(host.CompilerLines.empty());

    const std::set<std::string> names = ChmNames(chm);
    for (const char* name : {"/index.htm", "/extra.htm", "/topics/red.htm", "/topics/blue.htm",
                             "/topics/raw.htm", "/img/logo.gif", "/img/red.gif", "/css/style.css",
                             "/tpl/template.htm", "/tpl/img/bg.gif", "/small.hhc", "/small.hhk"})
        EXPECT_TRUE(names.count(name)) << name << " is not in the .chm";
    EXPECT_FALSE(names.count("/orphan.htm"));
    EXPECT_EQ(ExtractFromChm(chm, "/topics/red.htm", project.Dir.Path() + "red.out"),
              ReadBytes(project.Dir.Path() + "keep/topics/red.htm"));

    // A second build replaces the first file.
    const TBuildResult again = RunBuild(*project.Pvx, request, host);
    EXPECT_TRUE(again.Ok) << again.Message;
}

TEST(HtmlHelpCompile, TheSampleProjectCompiles) {
    const std::string sample = std::string(PARVANE_BINARY_DIR) + "/support/sample.pvx";
    if (!HaveTools())
        GTEST_SKIP() << "chmcmd, chmls or test_chmLib missing: install fp-utils and libchm-bin";
    if (!fs::exists(sample))
        GTEST_SKIP() << "no sample project at " << sample;
    TTempDir dir;
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    pvx.LoadFromFile(sample);
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.OutputOverride = dir.Path() + "sample.chm";
    request.KeepProjectFolder = dir.Path() + "keep";
    TRecordingHost host;
    const TBuildResult result = RunBuild(pvx, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;

    // Every file of the Workshop project's folder is inside, the contents and index too.
    const std::set<std::string> names = ChmNames(result.OutputFile);
    std::map<std::string, std::size_t> byExtension;
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path() + "keep")) {
        if (!entry.is_regular_file())
            continue;
        const std::string rel = entry.path().string().substr(dir.Path().size() + 4);
        const std::string ext = StringFunc::AsciiLowerCase(entry.path().extension().string());
        if (ext == ".hhp" || ext == ".h" || ext == ".log" ||
            entry.path().filename() == kOutputMarker)
            continue;
        EXPECT_TRUE(names.count(rel)) << rel << " is not in the .chm";
        ++byExtension[ext];
    }
    EXPECT_GT(byExtension[".htm"], 10u);
    EXPECT_GT(byExtension[".png"] + byExtension[".gif"], 0u);
    EXPECT_GT(byExtension[".css"], 0u);
    EXPECT_TRUE(names.count("/sample.hhc"));
    EXPECT_TRUE(names.count("/sample.hhk"));

    // Every topic page inside is its templated copy, byte for byte.
    TContents contents(pvx);
    contents.BuildItems();
    std::size_t compared = 0;
    for (const auto& item : contents.Items) {
        if (!item->HasContent)
            continue;
        const std::string rel = StringFunc::ToForwardSlashes(item->Url);
        EXPECT_EQ(ExtractFromChm(result.OutputFile, "/" + rel, dir.Path() + "page.out"),
                  ReadBytes(dir.Path() + "keep/" + rel))
            << rel;
        ++compared;
    }
    EXPECT_GT(compared, 10u);
}

} // namespace
} // namespace parvane

namespace parvane {
namespace {

TEST(HtmlHelpCompile, RussianAndJapaneseProjectsKeepTheirTitlesInTheCompiledFile) {
    if (!HaveTools())
        GTEST_SKIP() << "chmcmd, chmls or test_chmLib missing: install fp-utils and libchm-bin";
    struct TCase {
        const char *Language, *Lcid, *CodePage, *Topic, *Keyword;
    };
    for (const TCase& c : {TCase{"0x0419", "1049", "CP1251", "Введение", "Цвета/Красный"},
                           TCase{"0x0411", "1041", "CP932", "はじめに", "色/赤"}}) {
        TScriptProject project(c.Language, "Help", {{c.Topic, c.Keyword}, {"Two", c.Keyword}});
        TBuildRequest request;
        request.Kind = OutputKind::HtmlHelp;
        TRecordingHost host;
        const TBuildResult result = RunBuild(*project.Pvx, request, host);
        ASSERT_TRUE(result.Ok) << result.Message;
        const auto system =
            Output("chmls printsystem " + Quote(result.OutputFile) + " 2>/dev/null");
        ASSERT_TRUE(system);
        EXPECT_NE(system->find(std::string("LCID from HHP file                : ") + c.Lcid),
                  std::string::npos)
            << *system;
        const std::string toc = project.Dir.Path() + "toc.out";
        const std::string index = project.Dir.Path() + "index.out";
        ASSERT_TRUE(Output("chmls extracttoc " + Quote(result.OutputFile) + " " + Quote(toc) +
                           " >/dev/null 2>&1"));
        ASSERT_TRUE(Output("chmls extractindex " + Quote(result.OutputFile) + " " + Quote(index) +
                           " >/dev/null 2>&1"));
        const std::string keyword = SplitKeywordParts(c.Keyword).back();
        EXPECT_NE(ReadBytes(toc).find(TextCodec::FromUtf8(c.Topic, c.CodePage)), std::string::npos)
            << c.Language;
        EXPECT_NE(ReadBytes(index).find(TextCodec::FromUtf8(keyword, c.CodePage)),
                  std::string::npos)
            << c.Language;
    }
}

} // namespace
} // namespace parvane
