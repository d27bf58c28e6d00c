#include "../support/test_project.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/build_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;

namespace {

// Records the driver's lines and answers its question as told.
class RecordingHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    bool ConfirmEmptyForeignFolder(const std::string& folder) override {
        asked.push_back(folder);
        return allowForeign;
    }
    bool Has(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool HasPart(const std::string& part) const {
        for (const auto& l : lines)
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }
    std::vector<std::string> lines;
    std::vector<std::string> asked;
    bool allowForeign = false;
};

// A project with a contents page that links a style sheet (which links a picture), a
// picture in a sub-folder, a non-contents page, and a page of its own sub-folder.
struct SmallProject {
    TestProject p;
    SmallProject() {
        p.Write("intro.htm", Page("Intro",
                                  "<img src=\"img/logo.png\"><a href=\"extra.htm\">more</a>"
                                  "<a href=\"guide/use.htm\">use</a>",
                                  "<link rel=\"stylesheet\" href=\"css/site.css\">"));
        p.Write("css/site.css", "body{background:url(../img/back.gif)}");
        p.Write("img/logo.png", "PNG-bytes");
        p.Write("img/back.gif", "GIF-bytes");
        p.Write("img/unused.gif", "GIF-unused");
        p.Write("extra.htm", Page("Extra", "<a href=\"intro.htm\">back</a>"));
        p.Write("lonely.htm", Page("Lonely", "nobody links me"));
        p.Write("guide/use.htm", Page("Use", "<img src=\"shot.png\">"));
        p.Write("guide/shot.png", "SHOT");
        TTopicNode* intro = p.Add("Intro", "intro.htm");
        p.Add("Use", "guide\\use.htm", intro);
        TTopicTree& tree = p.Tree();
        tree.AddTopicNode(p.Project().NonContentsRoot(), "Extra", imLastChildOfReference, tsLinked,
                          0, "extra.htm");
        tree.AddTopicNode(p.Project().NonContentsRoot(), "Lonely", imLastChildOfReference, tsLinked,
                          0, "lonely.htm");
        TProjectSettings& s = p.Project().ProjectSettings;
        s.Title = "Small";
        s.SingleHtmlFilename = "index.htm";
        s.SingleHtmlOutputFolder = p.Dir().Folder() + "out/";
    }
    std::string Out() { return p.Dir().Folder() + "out/"; }
    TBuildResult Build(RecordingHost& host, const std::string& overrideFolder = "") {
        TBuildRequest request;
        request.Kind = OutputKind::SingleHtml;
        request.OutputOverride = overrideFolder;
        return RunBuild(p.Project(), request, host);
    }
};

std::string Rel(const std::string& root, const std::string& path) {
    return path.substr(root.size());
}

} // namespace

// ---- collecting -------------------------------------------------------------------------

TEST(CollectFiles, FollowsPagesAndStyleSheetsButNotPictures) {
    SmallProject s;
    TContents contents(s.p.Project());
    CollectFiles(contents, s.p.Root() + "intro.htm");
    std::vector<std::string> rel;
    for (const auto& f : contents.Files)
        rel.push_back(Rel(s.p.Root(), f));
    EXPECT_THAT(rel, ::testing::UnorderedElementsAre("intro.htm", "css/site.css", "img/back.gif",
                                                     "img/logo.png", "extra.htm", "guide/use.htm",
                                                     "guide/shot.png"));
}

TEST(CollectFiles, CyclesEndAndEachFileIsListedOnce) {
    TestProject p;
    p.Write("a.htm", Page("a", "<a href=\"b.htm\">b</a><a href=\"A.HTM\">self</a>"));
    p.Write("b.htm", Page("b", "<a href=\"c.htm\">c</a>"));
    p.Write("c.htm", Page("c", "<a href=\"a.htm\">a</a><script src=\"s.js\"></script>"));
    p.Write("s.js", "document.write('<a href=\"a.htm\">x</a>');load('d.htm');");
    p.Write("d.htm", Page("d", "reached through the script"));
    TContents contents(p.Project());
    CollectFiles(contents, p.Root() + "a.htm");
    CollectFiles(contents, p.Root() + "b.htm");
    EXPECT_EQ(contents.Files.size(), 5u);
    EXPECT_EQ(contents.Files.count(p.Root() + "d.htm"), 1u);
}

TEST(CollectFiles, DoesNotScanFilesThatAreNotPagesScriptsOrStyleSheets) {
    TestProject p;
    p.Write("a.htm", Page("a", "<a href=\"notes.txt\">notes</a>"));
    p.Write("notes.txt", "see \"b.htm\"");
    p.Write("b.htm", Page("b", "b"));
    TContents contents(p.Project());
    CollectFiles(contents, p.Root() + "a.htm");
    EXPECT_EQ(contents.Files.size(), 2u);
    EXPECT_EQ(contents.Files.count(p.Root() + "b.htm"), 0u);
}

// ---- the Single HTML build end to end ------------------------------------------------------

TEST(SingleHtmlBuild, ReportsTheStepsAndWritesThePage) {
    SmallProject s;
    RecordingHost host;
    const TBuildResult result = s.Build(host);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.OutputFile, s.Out() + "index.htm");
    const std::vector<std::string> expected = {"Reading TOC...",
                                               "Preparing files...",
                                               "Creating page...",
                                               "Output files...",
                                               "intro.htm",
                                               "guide\\use.htm",
                                               "Changing hyperlinks...",
                                               "",
                                               "Filename: " + s.Out() + "index.htm",
                                               "",
                                               "Completed."};
    EXPECT_EQ(host.lines, expected);
    const std::string page = ReadFile(s.Out() + "index.htm");
    EXPECT_THAT(page, HasSubstr("<title>Small</title>"));
    EXPECT_THAT(page,
                HasSubstr("<a name=\"A1\"><h2>1.1 Use</h2>\r\n\r\n<img src=\"guide/shot.png\">"));
    EXPECT_THAT(page, HasSubstr("<a href=\"#A1\">use</a>"));
    EXPECT_THAT(page, HasSubstr("charset=UTF-8"));
}

TEST(SingleHtmlBuild, CopiesWhatTopicsReferenceButNotTheTopicPages) {
    SmallProject s;
    RecordingHost host;
    ASSERT_TRUE(s.Build(host).Ok);
    std::set<std::string> files;
    for (const auto& [rel, bytes] : Snapshot(s.Out()))
        if (bytes != "<dir>")
            files.insert(rel);
    EXPECT_EQ(files, (std::set<std::string>{".parvane-output", "css/site.css", "extra.htm",
                                            "guide/shot.png", "img/back.gif", "img/logo.png",
                                            "index.htm"}));
    EXPECT_EQ(ReadFile(s.Out() + "img/logo.png"), "PNG-bytes") << "copied byte for byte";
}

TEST(SingleHtmlBuild, NeverChangesTheProjectFolder) {
    SmallProject s;
    s.p.Project().ProjectSettings.SingleHtmlHasToc = true;
    const auto before = Snapshot(s.p.Root());
    RecordingHost host;
    ASSERT_TRUE(s.Build(host).Ok);
    ASSERT_TRUE(s.Build(host).Ok) << "a second build into its own output";
    EXPECT_EQ(Snapshot(s.p.Root()), before);
}

TEST(SingleHtmlBuild, OutputOverrideLeavesTheSettingAlone) {
    SmallProject s;
    RecordingHost host;
    const std::string other = s.p.Dir().Folder() + "elsewhere/";
    ASSERT_TRUE(s.Build(host, other).Ok);
    EXPECT_TRUE(fs::exists(other + "index.htm"));
    EXPECT_FALSE(fs::exists(s.Out()));
    EXPECT_EQ(s.p.Project().ProjectSettings.SingleHtmlOutputFolder, s.Out());
}

TEST(SingleHtmlBuild, RebuildEmptiesItsOwnEarlierOutputWithoutAsking) {
    SmallProject s;
    RecordingHost host;
    ASSERT_TRUE(s.Build(host).Ok);
    WriteFile(s.Out() + "stale.txt", "old");
    ASSERT_TRUE(s.Build(host).Ok);
    EXPECT_FALSE(fs::exists(s.Out() + "stale.txt"));
    EXPECT_TRUE(host.asked.empty());
}

TEST(SingleHtmlBuild, ForeignFolderIsEmptiedOnlyWhenConfirmed) {
    SmallProject s;
    WriteFile(s.Out() + "precious.txt", "mine");
    RecordingHost host;
    TBuildResult result = s.Build(host);
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("not empty"));
    EXPECT_EQ(host.asked, (std::vector<std::string>{s.Out()}));
    EXPECT_EQ(ReadFile(s.Out() + "precious.txt"), "mine");

    host.allowForeign = true;
    result = s.Build(host);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_FALSE(fs::exists(s.Out() + "precious.txt"));
}

TEST(SingleHtmlBuild, AWebHelpFolderCountsAsEarlierOutput) {
    SmallProject s;
    WriteFile(s.Out() + "index.htm", "x");
    WriteFile(s.Out() + "webhelpframe.htm", "x");
    RecordingHost host;
    EXPECT_TRUE(s.Build(host).Ok);
    EXPECT_TRUE(host.asked.empty());
}

TEST(SingleHtmlBuild, FilesOutsideTheRootAreReportedNotCopied) {
    SmallProject s;
    WriteFile(s.p.Dir().Folder() + "outside.png", "OUT");
    s.p.Write("intro.htm", Page("Intro", "<img src=\"../outside.png\">"));
    RecordingHost host;
    ASSERT_TRUE(s.Build(host).Ok);
    EXPECT_TRUE(
        host.HasPart("outside the project's root folder: " + s.p.Dir().Folder() + "outside.png"));
    for (const auto& [rel, bytes] : Snapshot(s.Out()))
        EXPECT_NE(bytes, "OUT") << rel;
}

TEST(CopyCollectedFiles, DotDotStepsNeverLeadOutOfTheTargetFolder) {
    SmallProject s;
    WriteFile(s.p.Dir().Folder() + "outside.png", "OUT");
    RecordingHost host;
    TContents contents(s.p.Project());
    // A file below the root named through a detour, and one that climbs out of it.
    CollectFiles(contents, s.p.Root() + "guide/../img/logo.png");
    contents.Files.insert(s.p.Root() + "img/../../outside.png");
    EXPECT_TRUE(contents.Files.count(s.p.Root() + "img/logo.png"));
    TBuildContext ctx{s.p.Project(), contents, host, {}, {}};
    const std::string target = s.p.Dir().Folder() + "target/sub/";
    CopyCollectedFiles(ctx, target);
    EXPECT_EQ(ReadFile(target + "img/logo.png"), "PNG-bytes");
    EXPECT_FALSE(fs::exists(s.p.Dir().Folder() + "target/outside.png"));
    EXPECT_FALSE(fs::exists(target + "outside.png"));
    EXPECT_TRUE(host.HasPart("outside the project's root folder"));
}

TEST(SingleHtmlBuild, BadInputStillGivesACorrectPage) {
    TestProject p;
    TProjectSettings& s = p.Project().ProjectSettings;
    s.Encoding = "Windows-1252";
    s.SingleHtmlFilename = "all.htm";
    s.SingleHtmlOutputFolder = p.Dir().Folder() + "out";
    s.Title = "T & <T>";
    p.Write("no body.htm", "<html><head><title>x</title></head>just text</html>");
    p.Write("links.htm", Page("l", "<a href=\"gone.htm\">gone</a><img src=\"gone.png\">"
                                   "<a href=\"../../../../../../../../x.htm\">up</a>"
                                   "<a href=\"no%20body.htm\">escaped</a>"
                                   "<a href=\"no body.htm\">spaced</a>"));
    p.Add("Quotes 'single' & \"double\" <tag>", "no body.htm");
    p.Add("\xC3\x9C"
          "berblick \xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC",
          "links.htm");
    p.Add("Missing page", "not there.htm");
    RecordingHost host;
    TBuildRequest request;
    const TBuildResult result = RunBuild(p.Project(), request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string page = ReadFile(p.Dir().Folder() + "out/all.htm");
    EXPECT_THAT(page, HasSubstr("<title>T &amp; &lt;T&gt;</title>"));
    EXPECT_THAT(page,
                HasSubstr("<h1>1. Quotes 'single' &amp; &quot;double&quot; &lt;tag&gt;</h1>"));
    EXPECT_THAT(page, HasSubstr("<h1>2. \xDC"
                                "berblick &#917;&#955;&#955;&#951;&#957;&#953;&#954;&#940;</h1>"))
        << "Windows-1252 output: Greek as character references";
    EXPECT_THAT(page, HasSubstr("<a href=\"gone.htm\">gone</a><img src=\"gone.png\">"));
    EXPECT_THAT(page, HasSubstr("<a href=\"#A0\">spaced</a>"));
    EXPECT_THAT(page, HasSubstr("<h1>3. Missing page</h1>"));
    EXPECT_FALSE(fs::exists(p.Dir().Folder() + "out/gone.png"));
}

TEST(SingleHtmlBuild, FileNameMustStayInsideTheOutputFolder) {
    SmallProject s;
    s.p.Project().ProjectSettings.SingleHtmlFilename = "../escape.htm";
    RecordingHost host;
    const TBuildResult result = s.Build(host);
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("plain file name"));
    EXPECT_FALSE(fs::exists(s.p.Dir().Folder() + "escape.htm"));
}

TEST(SingleHtmlBuild, OutputFolderThatCannotBeCreatedGivesAClearMessage) {
    SmallProject s;
    WriteFile(s.p.Dir().Folder() + "a-file", "x");
    RecordingHost host;
    const TBuildResult result = s.Build(host, s.p.Dir().Folder() + "a-file/out/");
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("Cannot create the output folder"));
    EXPECT_THAT(result.Message, HasSubstr("a-file/out/"));
}

TEST(SingleHtmlBuild, MissingRootFolderFailsWithAMessage) {
    SmallProject s;
    s.p.Project().ProjectSettings.RootDir = s.p.Dir().Folder() + "no-such-root/";
    RecordingHost host;
    const TBuildResult result = s.Build(host);
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("doesn't exist"));
}

// ---- dangerous folders -------------------------------------------------------------------

namespace {

std::string Refusal(SmallProject& s, const std::string& folder) {
    RecordingHost host;
    host.allowForeign = true; // even --force must not help
    TContents contents(s.p.Project());
    CollectFiles(contents, s.p.Root() + "intro.htm");
    TBuildContext ctx{s.p.Project(), contents, host, {}, {}};
    try {
        PrepareOutputFolder(ctx, folder);
    } catch (const EParvaneError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(PrepareOutputFolder, RefusesFoldersThatMustNeverBeEmptied) {
    SmallProject s;
    const std::string root = s.p.Root();
    EXPECT_THAT(Refusal(s, "/"), HasSubstr("top folder of the system"));
    EXPECT_THAT(Refusal(s, "/usr"), HasSubstr("top folder of the system"));
    EXPECT_THAT(Refusal(s, Paths::HomeFolder()), HasSubstr("home folder"));
    EXPECT_THAT(Refusal(s, root), HasSubstr("root folder"));
    EXPECT_THAT(Refusal(s, root + "../"), HasSubstr("root folder"));
    EXPECT_THAT(Refusal(s, s.p.Dir().Folder()), HasSubstr("root folder")) << "an ancestor";
    EXPECT_THAT(Refusal(s, root + "guide"), HasSubstr("holds files of the project"));
    EXPECT_THAT(Refusal(s, Paths::AppDir()), HasSubstr("program's folder"));
    EXPECT_THAT(Refusal(s, Paths::AppDir() + "/webhelp/"), HasSubstr("program's folder"));
    for (const auto& f : {"intro.htm", "guide/use.htm", "img/logo.png"})
        EXPECT_TRUE(fs::exists(root + f)) << f;
}

TEST(SingleHtmlBuild, NeverEmptiesAFolderOfTopicPagesEvenWhenConfirmed) {
    SmallProject s;
    // Only the topic page itself lies there: its text goes into the single page, so it is
    // not among the files to copy, and the folder must still be refused.
    s.p.Write("guide/use.htm", Page("Use", "no pictures"));
    RecordingHost host;
    host.allowForeign = true;
    const TBuildResult result = s.Build(host, s.p.Root() + "guide/");
    EXPECT_FALSE(result.Ok);
    EXPECT_THAT(result.Message, HasSubstr("holds files of the project"));
    EXPECT_EQ(ReadFile(s.p.Root() + "guide/use.htm"), Page("Use", "no pictures"));
    EXPECT_TRUE(host.asked.empty()) << "refused before any question";
}

TEST(PrepareOutputFolder, RefusesTheFolderOfTheProjectFile) {
    SmallProject s;
    s.p.Project().IsUntitled = false;
    s.p.Project().FileName = s.p.Dir().Folder() + "pvx/help.pvx";
    WriteFile(s.p.Project().FileName, "[GENERAL]");
    EXPECT_THAT(Refusal(s, s.p.Dir().Folder() + "pvx"), HasSubstr("project file"));
    EXPECT_TRUE(fs::exists(s.p.Project().FileName));
}

TEST(PrepareOutputFolder, RefusesASymbolicLinkToTheHomeFolder) {
    SmallProject s;
    fs::create_directories(Paths::HomeFolder());
    fs::create_directory_symlink(Paths::HomeFolder(), s.p.Dir().Folder() + "link");
    EXPECT_THAT(Refusal(s, s.p.Dir().Folder() + "link/"), HasSubstr("home folder"));
}

TEST(PrepareOutputFolder, AcceptsASubFolderOfTheRootWithoutProjectFiles) {
    SmallProject s;
    EXPECT_EQ(Refusal(s, s.p.Root() + "build-output/"), "");
    EXPECT_TRUE(fs::exists(s.p.Root() + "build-output/.parvane-output"));
}

// ---- output locations --------------------------------------------------------------------

TEST(ResolveOutputPath, ExpandsHomeAndTakesRelativePathsBelowTheRoot) {
    SmallProject s;
    EXPECT_EQ(ResolveOutputPath(s.p.Project(), "~/SingleHTML/"),
              Paths::HomeFolder() + "SingleHTML/");
    EXPECT_EQ(ResolveOutputPath(s.p.Project(), " out\\single\\ "), s.p.Root() + "out/single/");
    EXPECT_EQ(ResolveOutputPath(s.p.Project(), "/a/b/../c"), "/a/c");
    EXPECT_THROW(ResolveOutputPath(s.p.Project(), "c:\\SingleHTML"), EParvaneError);
}

// ---- the build dialog's checks --------------------------------------------------------------

TEST(ValidateBuildDialog, ChecksTheActivePageInOrder) {
    TBuildDialogValues v;
    v.Page = 0;
    v.DeleteProject = true;
    v.HHPFolder = "  ";
    v.CompiledFile = "";
    auto e = ValidateBuildDialog(v, "/p/root/");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message, "Please specify folder name!");
    EXPECT_EQ(e->Field, BuildField::HHPFolder);

    v.HHPFolder = "/P/Root";
    e = ValidateBuildDialog(v, "/p/root/");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message, "Html Help Workshop project folder cannot be the same as the Project "
                          "Rootfolder. Please specify another one!");

    v.HHPFolder = "/p/hhp";
    e = ValidateBuildDialog(v, "/p/root/");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message, "Please specify Compiled file!");
    EXPECT_EQ(e->Field, BuildField::CompiledFile);

    v.DeleteProject = false;
    v.HHPFolder = "";
    v.CompiledFile = "help.chm";
    EXPECT_FALSE(ValidateBuildDialog(v, "/p/root/")) << "the folder matters only when kept";

    v.Page = 1;
    e = ValidateBuildDialog(v, "/p/root/");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message, "Please specify Output folder!");
    EXPECT_EQ(e->Field, BuildField::WebHelpOutputFolder);

    v.Page = 2;
    e = ValidateBuildDialog(v, "/p/root/");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message, "Please specify Output folder!");
    EXPECT_EQ(e->Field, BuildField::SingleHtmlOutputFolder);
    v.SingleHtmlOutputFolder = "/out";
    e = ValidateBuildDialog(v, "/p/root/");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->Message, "Please specify File name!");
    EXPECT_EQ(e->Field, BuildField::SingleHtmlFilename);
    v.SingleHtmlFilename = "index.htm";
    EXPECT_FALSE(ValidateBuildDialog(v, "/p/root/"));
}

TEST(ValidateBuildDialog, FolderToEmptyAndItsWarnings) {
    TBuildDialogValues v;
    v.HHPFolder = "/hhp";
    v.WebHelpOutputFolder = "/web";
    v.SingleHtmlOutputFolder = "/single";
    v.Page = 0;
    EXPECT_EQ(FolderToEmpty(v), "");
    v.DeleteProject = true;
    EXPECT_EQ(FolderToEmpty(v), "/hhp");
    v.Page = 1;
    EXPECT_EQ(FolderToEmpty(v), "/web");
    v.Page = 2;
    EXPECT_EQ(FolderToEmpty(v), "/single");

    TempDir dir;
    EXPECT_EQ(FolderWarnings(dir.Folder()),
              (std::vector<std::string>{"Before output, the folder \"" + dir.Folder() +
                                        "\" will be emptied! Continue?"}));
    EXPECT_TRUE(FolderWarnings(dir.Folder() + "new-one").empty());
    EXPECT_EQ(FolderWarnings("/x"),
              (std::vector<std::string>{
                  "The folder \"/x\" may be a HARD DRIVER root folder. Really continue?"}));
    EXPECT_EQ(FolderWarnings("/").size(), 2u) << "exists and is short";
}
