// TCHMProject: window figures, style values, the files of the Workshop project and the
// compile step with a stand-in compiler.

#include "chm_test_support.h"
#include "model/errors.h"
#include "output/chm_compiler.h"
#include "output/chm_project.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace parvane {
namespace {

using chmtest::ReadBytes;
using chmtest::TTempDir;
using chmtest::WriteBytes;
namespace fs = std::filesystem;

// The part of the window definition after the three file names and the three topics.
std::string FiguresOf(const std::string& definition) {
    std::size_t p = 0;
    for (int commas = 0; commas < 9; ++commas)
        p = definition.find(',', p) + 1;
    return definition.substr(p);
}

TEST(CHMProject, NewObjectHasTheDefaultWindowFigures) {
    TCHMProject chm;
    EXPECT_EQ(chm.Top, 70);
    EXPECT_EQ(chm.Left, 100);
    EXPECT_EQ(chm.Height, 420);
    EXPECT_EQ(chm.Width, 600);
    EXPECT_EQ(chm.PaneWidth, 200);
    EXPECT_FALSE(chm.AutoSync);
    EXPECT_TRUE(chm.IncludeFolderFiles);
    EXPECT_EQ(chm.ContentsFont, ",8,0");
    chm.ComputeStyles();
    EXPECT_EQ(chm.NavFlags, 0x23420u);
    EXPECT_EQ(chm.ButtonFlags, 0x387Eu);
    EXPECT_EQ(chm.WindowStyle, 0xB0000u);
    EXPECT_EQ(chm.ExWindowStyle, 0u);
    EXPECT_EQ(chm.TreeStyle, 0x27u);
    EXPECT_EQ(chm.TreeExStyle, 0u);
    EXPECT_EQ(FiguresOf(chm.WindowDefinition()),
              "0x23420,200,0x387E,[100,70,700,490],0xB0000,0x0,,0,0,,0,");
}

TEST(CHMProject, EveryFlagAddsItsBit) {
    TCHMProject chm;
    for (bool* flag :
         {&chm.ShowMSDNMenu, &chm.HideToolbar, &chm.HideToolbarText, &chm.AutoShowHide,
          &chm.AutoSync, &chm.SavePosition, &chm.Jump1, &chm.Jump2, &chm.Maximize, &chm.StayOnTop,
          &chm.AutoTrack, &chm.SelectRow, &chm.AutoExpand, &chm.Border, &chm.DialogFrame,
          &chm.RightToLeft, &chm.LeftScroll, &chm.RaisedEdge, &chm.SunkenEdge})
        *flag = true;
    chm.ShowPane = false;
    chm.DefaultTab = 2;
    chm.ComputeStyles();
    EXPECT_EQ(chm.ButtonFlags, 0xC387Eu);
    EXPECT_EQ(chm.NavFlags, 0x7B561u);
    EXPECT_EQ(chm.WindowStyle, 0x10B0000u);
    EXPECT_EQ(chm.ExWindowStyle, 0x8u);
    EXPECT_EQ(chm.TreeStyle, 0xC01627u);
    EXPECT_EQ(chm.TreeExStyle, 0x6300u);
    EXPECT_EQ(FiguresOf(chm.WindowDefinition()),
              "0x7B561,200,0xC387E,[100,70,700,490],0x10B0000,0x8,,1,2,,0,");

    // With everything off only the title-change bit and the base window style remain.
    TCHMProject none;
    for (bool* flag :
         {&none.ShowPanesToolbar, &none.Search, &none.Favorite, &none.Hide, &none.Locate,
          &none.Back, &none.bForward, &none.Stop, &none.Refresh, &none.Home, &none.Print,
          &none.Option, &none.PlusMinus, &none.ShowSelection, &none.ShowRoot, &none.DrawLines})
        *flag = false;
    none.ComputeStyles();
    EXPECT_EQ(none.NavFlags, 0x2000u);
    EXPECT_EQ(none.ButtonFlags, 0u);
    EXPECT_EQ(none.TreeStyle, 0u);
}

TEST(CHMProject, AssignCopiesTheWindowSettingsOnly) {
    THelpWindowSettings settings;
    settings.ResetToDefaults();
    settings.Top = 5;
    settings.Title = "Copied";
    settings.SunkenEdge = true;
    TCHMProject chm;
    chm.WorkFolder = "/work/";
    chm.Files = {"a.htm"};
    chm.Assign(settings);
    EXPECT_EQ(chm.Top, 5);
    EXPECT_EQ(chm.Title, "Copied");
    EXPECT_TRUE(chm.SunkenEdge);
    EXPECT_EQ(chm.WorkFolder, "/work/");
    EXPECT_EQ(chm.Files.size(), 1u);
}

TEST(CHMProject, FileNamesFollowTheCompiledFile) {
    TCHMProject chm;
    chm.CompiledFile = "/out/dir.x/Help.chm";
    chm.MapText = "#define IDH_ID1 1\r\n";
    chm.ComputeFileNames();
    EXPECT_EQ(chm.ProjectFileName, "Help.hhp");
    EXPECT_EQ(chm.ContentsFileName, "Help.hhc");
    EXPECT_EQ(chm.IndexFileName, "Help.hhk");
    EXPECT_EQ(chm.MapFileName, "Help.h");
    EXPECT_EQ(chm.LogFileName, "Help.log");

    chm.CompiledFile = "my.help.chm";
    chm.Content = false;
    chm.Index = false;
    chm.MapText.clear();
    chm.ComputeFileNames();
    EXPECT_EQ(chm.ProjectFileName, "my.help.hhp");
    EXPECT_EQ(chm.ContentsFileName, "");
    EXPECT_EQ(chm.IndexFileName, "");
    EXPECT_EQ(chm.MapFileName, "");

    chm.CompiledFile = "noext";
    chm.ComputeFileNames();
    EXPECT_EQ(chm.ProjectFileName, "noext.hhp");
}

TEST(CHMProject, ScanListsEveryFileButTheProjectsOwnKindsInNameOrder) {
    TTempDir dir;
    for (const char* name :
         {"b.htm", "A.htm", "pic.GIF", "old.HHP", "x.Chm", "y.hhc", "z.hhk", "build.LOG", "map.h",
          "keep.hh", "sub/c.htm", "sub/deeper/d.css", "sub/e.H", ".parvane-output"})
        WriteBytes(dir.Path() + name, "x");
    fs::create_directories(dir.Path() + "empty");
    TCHMProject chm;
    chm.WorkFolder = dir.Path();
    chm.ScanFiles();
    EXPECT_EQ(chm.Files, (std::vector<std::string>{"A.htm", "b.htm", "keep.hh", "pic.GIF",
                                                   "sub\\c.htm", "sub\\deeper\\d.css"}));

    chm.SubFolder = "sub/";
    chm.ScanFiles();
    EXPECT_EQ(chm.Files, (std::vector<std::string>{"sub\\c.htm", "sub\\deeper\\d.css"}));
}

TEST(CHMProject, ScanDoesNotFollowALinkToAFolder) {
    TTempDir dir;
    WriteBytes(dir.Path() + "sub/a.htm", "x");
    fs::create_directory_symlink(dir.Path(), dir.Path() + "sub/loop");
    TCHMProject chm;
    chm.WorkFolder = dir.Path();
    chm.ScanFiles();
    EXPECT_EQ(chm.Files, std::vector<std::string>{"sub\\a.htm"});
}

TEST(CHMProject, WindowTitleCannotEndItsQuotedFieldEarly) {
    TCHMProject chm;
    chm.Title = "Say \"hi\", all";
    chm.DefaultTopic = "docs\\start.htm";
    chm.ContentsFileName = "h.hhc";
    chm.ComputeStyles();
    const std::string def = chm.WindowDefinition();
    EXPECT_EQ(def.substr(0, def.find(",0x")),
              "\"Say 'hi', all\",\"h.hhc\",\"\",\"docs/start.htm\",\"docs/start.htm\","
              "\"docs/start.htm\",\"\",,");
}

TEST(CHMProject, CompiledFileOfAProjectLiesBelowItsRootUnlessAbsolute) {
    chmtest::TTestProject project;
    TProjectSettings& s = project.Pvx->ProjectSettings;
    s.CompiledFile = "help\\out.chm";
    EXPECT_EQ(CompiledFilePath(*project.Pvx), project.Root() + "help/out.chm");
    s.CompiledFile = "sub\\..\\..\\up.chm";
    EXPECT_EQ(CompiledFilePath(*project.Pvx), project.Dir.Path() + "up.chm");
    s.CompiledFile = "/elsewhere/h.chm";
    EXPECT_EQ(CompiledFilePath(*project.Pvx), "/elsewhere/h.chm");
    s.CompiledFile = " ";
    EXPECT_EQ(CompiledFilePath(*project.Pvx), "");
    s.CompiledFile = "C:\\Help\\h.chm"; // made on another system
    EXPECT_THROW(CompiledFilePath(*project.Pvx), EParvaneError);
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A work folder with one page, ready for Build.
struct TBuildFixture : ::testing::Test {
    TTempDir dir;
    TCHMProject chm;
    std::vector<std::string> lines;

    void SetUp() override {
        WriteBytes(dir.Path() + "index.htm", "<html><body>Hi</body></html>");
        chm.WorkFolder = dir.Path();
        chm.CompiledFile = dir.Path() + "out/Help.chm";
        chm.Title = "Help";
        chm.Language = "0x0409";
        chm.DefaultTopic = "index.htm";
        chm.ContentsBody = "<UL></UL>";
        chm.IndexBody = "<UL></UL>";
        chm.OnLog = [this](const std::string& line) { lines.push_back(line); };
        fs::create_directories(dir.Path() + "out");
    }

    // A stand-in compiler: a shell script with the given body.
    std::string FakeCompiler(const std::string& body) {
        const std::string path = dir.Path() + "bin/fake-chmcmd";
        WriteBytes(path, "#!/bin/sh\n" + body + "\n");
        ::chmod(path.c_str(), 0755);
        return path;
    }
    std::string Target() const { return dir.Path() + "out/Help.chm"; }
    // Shell words that write bytes to the compiled file the project ("$2") names, as
    // chmcmd does.
    static std::string WriteChm(const std::string& bytes) {
        return "printf '" + bytes + "' > \"$(sed -n 's/^Compiled file=//p' \"$2\" | tr -d '\\r')\"";
    }
};

TEST_F(TBuildFixture, WithoutContentsIndexOrContextNumbersThoseFilesAreNotWritten) {
    chm.Content = false;
    chm.Index = false;
    const TCHMBuildResult result = chm.Build(false, false, false);
    EXPECT_EQ(result.Outcome, CompileOutcome::NotRequested);
    EXPECT_TRUE(fs::exists(dir.Path() + "Help.hhp"));
    EXPECT_FALSE(fs::exists(dir.Path() + "Help.hhc"));
    EXPECT_FALSE(fs::exists(dir.Path() + "Help.hhk"));
    EXPECT_FALSE(fs::exists(dir.Path() + "Help.h"));
    const std::string hhp = ReadBytes(dir.Path() + "Help.hhp");
    EXPECT_NE(hhp.find("\r\nContents file=\r\n"), std::string::npos);
    EXPECT_NE(hhp.find("\r\nIndex file=\r\n"), std::string::npos);
    EXPECT_NE(hhp.find("main=\"Help\",\"\",\"\",\"index.htm\""), std::string::npos);
    EXPECT_EQ(hhp.find("[ALIAS]"), std::string::npos);
    EXPECT_EQ(hhp.find("[MAP]"), std::string::npos);
    EXPECT_NE(hhp.find("[FILES]\r\nindex.htm\r\n\r\n"), std::string::npos);
}

TEST_F(TBuildFixture, DeletingIntermediateFilesKeepsThePages) {
    chm.MapText = "#define IDH_ID1 1";
    chm.AliasText = "IDH_ID1=index.htm\r\n";
    chm.Build(false, false, true);
    for (const char* name : {"Help.hhp", "Help.hhc", "Help.hhk", "Help.h"})
        EXPECT_FALSE(fs::exists(dir.Path() + name)) << name;
    EXPECT_TRUE(fs::exists(dir.Path() + "index.htm"));
}

TEST_F(TBuildFixture, TitlesAndTextGoIntoTheCodePageOfTheLanguage) {
    chm.Language = "0x0419";
    chm.Title = "Справка 日";
    chm.ContentsBody = "<UL><LI><OBJECT type=\"text/sitemap\">\r\n"
                       "<param name=\"Name\" value=\"Ёж 日\">\r\n"
                       "<param name=\"Local\" value=\"ёж.htm\">\r\n"
                       "</OBJECT>\r\n</UL>";
    chm.Build(false, false, false);
    const std::string hhp = ReadBytes(dir.Path() + "Help.hhp");
    // CP1251: С=D1 п=EF р=F0 а=E0 в=E2 к=EA; the Japanese sign has no place in it.
    EXPECT_NE(hhp.find("Title=\xD1\xEF\xF0\xE0\xE2\xEA\xE0 ?\r\n"), std::string::npos);
    EXPECT_NE(hhp.find("main=\"\xD1\xEF\xF0\xE0\xE2\xEA\xE0 ?\""), std::string::npos);
    const std::string hhc = ReadBytes(dir.Path() + "Help.hhc");
    EXPECT_NE(hhc.find("value=\"\xA8\xE6 &#26085;\""), std::string::npos);
    // A file name stays the bytes the file system knows.
    EXPECT_NE(hhc.find("value=\"ёж.htm\""), std::string::npos);
}

TEST_F(TBuildFixture, CompiledFileWithoutFolderIsTakenBelowTheWorkFolder) {
    chm.CompiledFile = "rel.chm";
    EXPECT_EQ(chm.TargetFile(), dir.Path() + "rel.chm");
    WriteBytes(dir.Path() + "rel.chm", "ITSF old");
    chm.CompilerPath = FakeCompiler(WriteChm("ITSF new"));
    EXPECT_EQ(chm.Build(true, false, true).Outcome, CompileOutcome::Compiled);
    EXPECT_EQ(ReadBytes(dir.Path() + "rel.chm"), "ITSF new");
}

TEST_F(TBuildFixture, ACompilerThatMakesNoFileIsAFailure) {
    WriteBytes(Target(), "ITSF old compiled file");
    chm.CompilerPath =
        FakeCompiler("echo 'Note: all fine'; printf 'bad \\001\\377 bytes\\r\\n'; exit 0");
    const TCHMBuildResult result = chm.Build(true, false, true);
    EXPECT_EQ(result.Outcome, CompileOutcome::Failed);
    EXPECT_NE(result.Message.find("did not make"), std::string::npos);
    EXPECT_EQ(ReadBytes(Target()), "ITSF old compiled file"); // left as it was
    EXPECT_EQ(lines, (std::vector<std::string>{"Running " + chm.CompilerPath + " " + dir.Path() +
                                                   "Help.hhp",
                                               "Note: all fine", "bad ?? bytes"}));
}

TEST_F(TBuildFixture, ACompilerThatFailsLeavesNoHalfWrittenFile) {
    chm.CompilerPath = FakeCompiler("echo writing; " + WriteChm("ITSF") + "; exit 217");
    const TCHMBuildResult result = chm.Build(true, false, true);
    EXPECT_EQ(result.Outcome, CompileOutcome::Failed);
    EXPECT_NE(result.Message.find("exit status 217"), std::string::npos);
    EXPECT_FALSE(fs::exists(Target()));
}

TEST_F(TBuildFixture, AFileThatIsNoCompiledHelpIsAFailure) {
    chm.CompilerPath = FakeCompiler(WriteChm("garbage"));
    EXPECT_EQ(chm.Build(true, false, true).Outcome, CompileOutcome::Failed);
    EXPECT_FALSE(fs::exists(Target()));
}

TEST_F(TBuildFixture, TheCompilerRunsInTheWorkFolderOnTheProjectFile) {
    bool viewed = false;
    chm.OnView = [&](const std::string& file) { viewed = file == Target(); };
    chm.CompilerPath =
        FakeCompiler("pwd; echo \"$1\"; echo \"$2\"; test -f \"$2\" && " + WriteChm("ITSF..."));
    const TCHMBuildResult result = chm.Build(true, true, true);
    EXPECT_EQ(result.Outcome, CompileOutcome::Compiled) << result.Message;
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(fs::path(lines[1]), fs::path(dir.Path()).parent_path());
    // The compiler adds nothing the project does not list (it would follow links anywhere).
    EXPECT_EQ(lines[2], "--no-html-scan");
    EXPECT_EQ(lines[3], dir.Path() + "Help.hhp");
    EXPECT_EQ(ReadBytes(Target()), "ITSF...");
    EXPECT_TRUE(viewed);
}

TEST_F(TBuildFixture, ACrashWhileIndexingTheTextIsRetriedWithoutFullTextSearch) {
    chm.CompilerPath = FakeCompiler("if grep -q 'Full-text search=Yes' \"$2\"; then\n"
                                    "  echo 'EAccessViolation: Access violation'; exit 217\n"
                                    "fi\n" +
                                    WriteChm("ITSF"));
    const TCHMBuildResult result = chm.Build(true, false, false);
    EXPECT_EQ(result.Outcome, CompileOutcome::Compiled) << result.Message;
    EXPECT_TRUE(result.WithoutFullTextSearch);
    EXPECT_TRUE(result.Message.empty());
    EXPECT_NE(ReadBytes(dir.Path() + "Help.hhp").find("Full-text search=No\r\n"),
              std::string::npos);

    // A compiler that refuses the project (no crash) is not run a second time.
    lines.clear();
    chm.CompilerPath = FakeCompiler("echo refused; exit 1");
    EXPECT_EQ(chm.Build(true, false, false).Outcome, CompileOutcome::Failed);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "refused");
    EXPECT_NE(ReadBytes(dir.Path() + "Help.hhp").find("Full-text search=Yes\r\n"),
              std::string::npos);
}

TEST_F(TBuildFixture, AMissingCompilerStillWritesTheProjectAndSaysWhatToInstall) {
    ::setenv("PARVANE_CHMCMD", (dir.Path() + "no-such-compiler").c_str(), 1);
    bool viewed = false;
    chm.OnView = [&](const std::string&) { viewed = true; };
    const TCHMBuildResult result = chm.Build(true, true, false);
    ::unsetenv("PARVANE_CHMCMD");
    EXPECT_EQ(result.Outcome, CompileOutcome::CompilerMissing);
    EXPECT_NE(result.Message.find("\"fp-utils\""), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.Path() + "Help.hhp"));
    EXPECT_FALSE(viewed);
}

TEST_F(TBuildFixture, AnOldFileThatCannotBeDeletedAsksForRetry) {
    // A folder put in the way while compiling cannot be replaced like a file.
    chm.CompilerPath = FakeCompiler(WriteChm("ITSF") + "; mkdir -p \"" + Target() + "/inside\"");
    std::vector<std::string> asked;
    chm.OnRetry = [&](const std::string& message) {
        asked.push_back(message);
        return false;
    };
    TCHMBuildResult result = chm.Build(true, false, true);
    EXPECT_EQ(result.Outcome, CompileOutcome::Aborted);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0],
              "\"" + Target() +
                  "\" access denied! It's probably been opend. Please close it and Retry.");
    EXPECT_EQ(result.Message, asked[0]);
    EXPECT_FALSE(fs::exists(dir.Path() + "Help.hhp")); // the intermediate files still go

    EXPECT_TRUE(fs::is_directory(Target()));
    EXPECT_EQ(Entries(dir.Path() + "out/"), std::vector<std::string>{"Help.chm"}) << "litter";

    // Retry after the author cleared the way: the new file takes its place.
    fs::remove_all(Target());
    chm.OnRetry = [&](const std::string&) {
        fs::remove_all(Target());
        return true;
    };
    result = chm.Build(true, false, true);
    EXPECT_EQ(result.Outcome, CompileOutcome::Compiled) << result.Message;
    EXPECT_EQ(ReadBytes(Target()), "ITSF");
}

TEST_F(TBuildFixture, AnEmptyCompiledFileIsRefused) {
    chm.CompiledFile = "  ";
    EXPECT_THROW(chm.Build(false, false, false), EParvaneError);
}

TEST(CompilerRun, LinesArriveWhateverTheirEnds) {
    TTempDir dir;
    const std::string script = dir.Path() + "talk";
    WriteBytes(script, "#!/bin/sh\nprintf 'one\\r\\ntwo\\rthree\\nfour' ; printf 'err\\n' >&2; "
                       "head -c 10000 /dev/zero | tr '\\0' x\nexit 3\n");
    ::chmod(script.c_str(), 0755);
    std::vector<std::string> lines;
    const TCompilerRun run = RunHtmlHelpCompiler(script, "x.hhp", dir.Path(),
                                                 [&](const std::string& l) { lines.push_back(l); });
    EXPECT_TRUE(run.Started);
    EXPECT_EQ(run.ExitStatus, 3);
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], "three");
    EXPECT_EQ(lines[3], "fourerr");
    // An endless line is cut into pieces instead of filling the memory.
    for (std::size_t i = 4; i < lines.size(); ++i)
        EXPECT_LE(lines[i].size(), 4096u);
}

TEST(CompilerRun, AProgramThatCannotStartIsReported) {
    const TCompilerRun run = RunHtmlHelpCompiler("/nonexistent/chmcmd", "x.hhp", "/", {});
    EXPECT_FALSE(run.Started);
    EXPECT_NE(run.Error.find("/nonexistent/chmcmd"), std::string::npos);
}

TEST(CompilerRun, TheCompilerIsFoundThroughTheEnvironmentOrThePath) {
    TTempDir dir;
    const std::string fake = dir.Path() + "mychm";
    WriteBytes(fake, "#!/bin/sh\n");
    ::chmod(fake.c_str(), 0755);
    ::setenv("PARVANE_CHMCMD", fake.c_str(), 1);
    EXPECT_EQ(FindHtmlHelpCompiler(), fake);
    ::setenv("PARVANE_CHMCMD", "mychm", 1);
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir.Path() + ":/usr/bin").c_str(), 1);
    EXPECT_EQ(FindHtmlHelpCompiler(), dir.Path() + "/mychm");
    ::unsetenv("PARVANE_CHMCMD");
    WriteBytes(dir.Path() + "chmcmd", "not executable");
    ::setenv("PATH", dir.Path().c_str(), 1);
    EXPECT_EQ(FindHtmlHelpCompiler(), "");
    ::setenv("PATH", oldPath.c_str(), 1);
}

TEST(CompilerLineFilter, ShowsALineOnlyWhenNewAndNotBlank) {
    TCompilerLineFilter filter;
    EXPECT_FALSE(filter.Accept(""));
    EXPECT_FALSE(filter.Accept("   "));
    EXPECT_TRUE(filter.Accept("Writing CHM"));
    EXPECT_FALSE(filter.Accept("Writing CHM"));
    EXPECT_TRUE(filter.Accept("writing chm"));
    EXPECT_FALSE(filter.Accept(" "));
    EXPECT_TRUE(filter.Accept("Writing CHM"));
}

} // namespace
} // namespace parvane
