// Sites whose scripts load files by name: with the copy-all choice every file below the
// root reaches Web Help and HTML Help, not only what the pages link to.

#include "../support/test_project.h"
#include "output/build_driver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class LinesHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

// A page whose search script loads index parts that no page names.
struct ScriptLoadingSite {
    TestProject p;
    ScriptLoadingSite() {
        p.Write("index.htm", Page("Home", "<script src=\"search.js\"></script>"));
        p.Write("search.js", "for (let i = 0; i < 2; i++) load('search/part' + i + '.js');");
        p.Write("search/part0.js", "part0");
        p.Write("search/part1.js", "part1");
        p.Write(".git/config", "hidden");
        p.Write("old-out/.parvane-output", "earlier output");
        p.Write("old-out/stale.htm", "stale");
        p.Add("Home", "index.htm");
        p.Project().ProjectSettings.DefaultTopic = "index.htm";
    }
    TBuildResult Build(OutputKind kind, bool copyAll, LinesHost& host) {
        TBuildRequest request;
        request.Kind = kind;
        request.CopyAll = copyAll;
        if (kind == OutputKind::WebHelp) {
            request.OutputOverride = p.Dir().Folder() + "web/";
        } else {
            request.Compile = false;
            request.KeepProjectFolder = p.Dir().Folder() + "keep/";
        }
        return RunBuild(p.Project(), request, host);
    }
};

} // namespace

TEST(CopyAllFiles, WebHelpGetsScriptLoadedFilesOnlyWhenAsked) {
    ScriptLoadingSite site;
    LinesHost host;
    ASSERT_TRUE(site.Build(OutputKind::WebHelp, false, host).Ok);
    const std::string scr = site.p.Dir().Folder() + "web/scr/";
    EXPECT_TRUE(fs::exists(scr + "search.js"));
    EXPECT_FALSE(fs::exists(scr + "search/part0.js")) << "by default only linked files";

    site.p.Project().ProjectSettings.CopyAllFiles = true;
    LinesHost again;
    ASSERT_TRUE(site.Build(OutputKind::WebHelp, false, again).Ok);
    EXPECT_EQ(ReadFile(scr + "search/part0.js"), "part0") << "the project setting";
    EXPECT_EQ(ReadFile(scr + "search/part1.js"), "part1");
    EXPECT_FALSE(fs::exists(scr + ".git/config")) << "hidden files stay out";
    EXPECT_FALSE(fs::exists(scr + "old-out/stale.htm")) << "earlier output stays out";
}

TEST(CopyAllFiles, HtmlHelpListsThemUnderFiles) {
    ScriptLoadingSite site;
    LinesHost host;
    const TBuildResult result = site.Build(OutputKind::HtmlHelp, true, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string hhp = ReadFile(result.OutputFile);
    EXPECT_THAT(hhp, HasSubstr("[FILES]\r\nindex.htm\r\nsearch\\part0.js\r\nsearch\\part1.js\r\n"
                               "search.js\r\n\r\n"));
    EXPECT_THAT(hhp, Not(HasSubstr("stale.htm")));
    EXPECT_THAT(hhp, Not(HasSubstr("config")));
}
