// The compiled help file never destroys anything: a name that is not an earlier compiled
// file is refused before anything is touched, and the old .chm is replaced only by a
// complete new one.

#include "../support/test_project.h"
#include "output/build_driver.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

class QuietHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A stand-in for chmcmd: writes `bytes` to the compiled file its project names, then
// exits with `status`.
std::string FakeCompiler(const std::string& folder, const std::string& bytes, int status) {
    const std::string path = folder + "fake-chmcmd-" + std::to_string(status);
    WriteFile(path, "#!/bin/sh\nfor a; do hhp=$a; done\n"
                    "out=$(sed -n 's/^Compiled file=//p' \"$hhp\" | tr -d '\\r')\n"
                    "printf '" +
                        bytes + "' > \"$out\"\nexit " + std::to_string(status) + "\n");
    ::chmod(path.c_str(), 0755);
    return path;
}

struct ChmProject {
    TestProject p;
    std::string dir;
    ChmProject() : dir(p.Dir().Folder()) {
        p.Write("index.htm", Page("Index", "<p>index</p>"));
        p.Add("Index", "index.htm");
        p.Add("Later", "later.htm", nullptr, tsUnsaved);
        TPvx& project = p.Project();
        project.ProjectSettings.Title = "Help";
        project.ProjectSettings.CompiledFile = dir + "out/help.chm";
        project.FileName = dir + "help.pvx";
        project.IsUntitled = false;
        WriteFile(project.FileName, "PROJECT-FILE");
    }
    TBuildResult Build(const std::string& out = "") {
        TBuildRequest request;
        request.Kind = OutputKind::HtmlHelp;
        request.OutputOverride = out;
        QuietHost host;
        return RunBuild(p.Project(), request, host);
    }
};

} // namespace

TEST(CompiledFile, ANameThatIsNotAnEarlierCompiledFileIsRefusedBeforeAnythingIsTouched) {
    ChmProject c;
    ScopedEnv compiler("PARVANE_CHMCMD", FakeCompiler(c.dir, "ITSF-new", 0));
    WriteFile(c.dir + ".bashrc", "BASH-SETTINGS");
    WriteFile(c.dir + "notes.chm", "NOT-A-HELP-FILE");
    fs::create_directories(c.dir + "folder.chm");
    fs::create_symlink(c.dir + "nowhere", c.dir + "dangling.chm");
    const auto before = Snapshot(c.dir);

    struct Case {
        std::string out;
        const char* why;
    };
    const Case cases[] = {{c.dir + "help.pvx", "is the project file"},
                          {c.p.Root() + "index.htm", "is the page of the topic \"Index\""},
                          {c.p.Root() + "later.htm", "is the page of the topic \"Later\""},
                          {c.dir + "folder.chm", "names a folder"},
                          {c.dir + ".bashrc", "not a compiled help file"},
                          {c.dir + "notes.chm", "not a compiled help file"},
                          {c.dir + "dangling.chm", "leads nowhere"}};
    for (const Case& test : cases) {
        const TBuildResult result = c.Build(test.out);
        EXPECT_FALSE(result.Ok) << test.out;
        EXPECT_NE(result.Message.find(test.why), std::string::npos) << result.Message;
        EXPECT_EQ(Snapshot(c.dir), before) << test.out;
    }
    // The setting is checked the same way: "..\.bashrc" from the root.
    c.p.Project().ProjectSettings.CompiledFile = "..\\.bashrc";
    EXPECT_FALSE(c.Build().Ok);
    EXPECT_EQ(ReadFile(c.dir + ".bashrc"), "BASH-SETTINGS");
    EXPECT_EQ(Snapshot(c.dir), before);
}

TEST(CompiledFile, AFailedOrMissingCompilerLeavesThePreviousFile) {
    ChmProject c;
    WriteFile(c.dir + "out/help.chm", "ITSF-old");
    {
        // Dies after writing half a file.
        ScopedEnv compiler("PARVANE_CHMCMD", FakeCompiler(c.dir, "ITSF-half", 1));
        EXPECT_FALSE(c.Build().Ok);
        EXPECT_EQ(ReadFile(c.dir + "out/help.chm"), "ITSF-old");
        EXPECT_EQ(EntryNames(c.dir + "out/"), std::vector<std::string>{"help.chm"});
    }
    {
        // Writes no help file at all and says it went well.
        ScopedEnv compiler("PARVANE_CHMCMD", FakeCompiler(c.dir, "garbage", 0));
        EXPECT_FALSE(c.Build().Ok);
        EXPECT_EQ(ReadFile(c.dir + "out/help.chm"), "ITSF-old");
        EXPECT_EQ(EntryNames(c.dir + "out/"), std::vector<std::string>{"help.chm"});
    }
    {
        ScopedEnv compiler("PARVANE_CHMCMD", c.dir + "no-such-chmcmd");
        const TBuildResult result = c.Build();
        EXPECT_FALSE(result.Ok);
        EXPECT_NE(result.Message.find("fp-utils"), std::string::npos);
        EXPECT_EQ(ReadFile(c.dir + "out/help.chm"), "ITSF-old");
    }
}

TEST(CompiledFile, ACompleteNewFileReplacesThePreviousOne) {
    ChmProject c;
    WriteFile(c.dir + "out/help.chm", "ITSF-old");
    ScopedEnv compiler("PARVANE_CHMCMD", FakeCompiler(c.dir, "ITSF-new", 0));
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.KeepProjectFolder = c.dir + "keep/";
    QuietHost host;
    const TBuildResult result = RunBuild(c.p.Project(), request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    EXPECT_EQ(result.OutputFile, c.dir + "out/help.chm");
    EXPECT_EQ(ReadFile(c.dir + "out/help.chm"), "ITSF-new");
    EXPECT_EQ(EntryNames(c.dir + "out/"), std::vector<std::string>{"help.chm"});
    // The kept project names the compiled file itself, for a compile by hand later.
    EXPECT_NE(ReadFile(c.dir + "keep/help.hhp").find("Compiled file=" + c.dir + "out/help.chm\r\n"),
              std::string::npos);
    // A first build, with no earlier file, works the same.
    fs::remove(c.dir + "out/help.chm");
    ASSERT_TRUE(RunBuild(c.p.Project(), request, host).Ok);
    EXPECT_EQ(ReadFile(c.dir + "out/help.chm"), "ITSF-new");
}
