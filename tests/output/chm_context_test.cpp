// Context numbers travel from the topics through the .hhp's [ALIAS] and [MAP] into the
// compiled file, where context-sensitive help looks them up.

#include "chm_test_support.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/wait.h>

namespace parvane {
namespace {

using chmtest::Page;
using chmtest::ReadBytes;
using chmtest::TTestProject;
namespace fs = std::filesystem;

class TQuietHost : public TBuildHost {
public:
    std::vector<std::string> Lines;
    void Info(const std::string& text) override { Lines.push_back(text); }
};

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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string Quote(const std::string& s) {
    return "'" + StringFunc::ReplaceAll(s, "'", "'\\''") + "'";
}

// Context number -> the page it opens, as `chmls extractalias` reads them from a .chm.
// chmls writes its NAME.ali and NAME.h into the working folder and beside nothing else
// only when it runs on a copy in a folder of its own.
std::map<std::string, std::string> ExtractAliases(const std::string& chm,
                                                  const std::string& folder) {
    fs::create_directories(folder);
    fs::copy_file(chm, folder + "help.chm", fs::copy_options::overwrite_existing);
    Output("cd " + Quote(folder) + " && chmls extractalias help.chm >/dev/null 2>&1");
    std::map<std::string, std::string> aliases;
    const std::string ali = ReadBytes(folder + "help.ali");
    const std::string header = ReadBytes(folder + "help.h");
    // help.ali: "symbol=page"; help.h: "#define symbol number".
    std::map<std::string, std::string> pageOf;
    for (const std::string& line : Lines(ali)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            pageOf[StringFunc::Trim(line.substr(0, eq))] = StringFunc::Trim(line.substr(eq + 1));
    }
    for (const std::string& line : Lines(header)) {
        char symbol[256], number[64];
        if (std::sscanf(line.c_str(), "#define %255s %63s", symbol, number) == 2)
            aliases[number] = pageOf[symbol];
    }
    return aliases;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct TContextProject : TTestProject {
    TContextProject() {
        Pvx->ProjectSettings.CompiledFile = "help files\\context help.chm";
        Pvx->ProjectSettings.DefaultTopic = "start.htm";
        File("start.htm", Page("Start", "<p>start</p>"));
        File("sub dir/deep/page.htm", Page("Deep", "<p>deep</p>"));
        File("plain.htm", Page("Plain", "<p>plain</p>"));
        TTopicNode* contents = Tree.ContentsRoot();
        Add(contents, "Start", "start.htm", tsLinked, "", "10");
        TTopicNode* chapter = Add(contents, "Chapter", "", tsNoLink);
        Add(chapter, "Deep", "sub dir\\deep\\page.htm", tsLinked, "", "0x20");
        Add(chapter, "Plain", "plain.htm");
    }
};

TEST(HtmlHelpContext, TheProjectNamesTheMapUnquotedAndAliasesWithForwardSlashes) {
    TContextProject project;
    TQuietHost host;
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.Compile = false;
    request.KeepProjectFolder = project.Dir.Path() + "keep";
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string hhp = ReadBytes(project.Dir.Path() + "keep/context help.hhp");
    // chmcmd passes over a quoted header name, and matches aliases against the packed
    // files by their "/" names.
    EXPECT_NE(hhp.find("[MAP]\r\n#include context help.h\r\n"), std::string::npos) << hhp;
    EXPECT_NE(hhp.find("[ALIAS]\r\nIDH_ID10=start.htm\r\nIDH_ID0x20=sub dir/deep/page.htm\r\n"),
              std::string::npos)
        << hhp;
    EXPECT_EQ(ReadBytes(project.Dir.Path() + "keep/context help.h"),
              "#define IDH_ID10 10\r\n#define IDH_ID0x20 0x20\r\n\r\n");
}

TEST(HtmlHelpContext, ContextNumbersReachTheCompiledFile) {
    if (FindHtmlHelpCompiler().empty() || !Output("command -v chmls >/dev/null"))
        GTEST_SKIP() << "chmcmd or chmls missing: install fp-utils";
    TContextProject project;
    TQuietHost host;
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::map<std::string, std::string> aliases =
        ExtractAliases(result.OutputFile, project.Dir.Path() + "aliases/");
    ASSERT_EQ(aliases.size(), 2u) << "no context numbers in " << result.OutputFile;
    // chmcmd stores each alias's page with the folder it compiled in before the name.
    ASSERT_TRUE(aliases.count("10"));
    EXPECT_TRUE(EndsWith(aliases.at("10"), "/start.htm")) << aliases.at("10");
    ASSERT_TRUE(aliases.count("32")) << "0x20 is read as hexadecimal";
    EXPECT_TRUE(EndsWith(aliases.at("32"), "/sub dir/deep/page.htm")) << aliases.at("32");
}

TEST(HtmlHelpContext, AContextNumberOfAPageOutsideTheRootIsLeftOutSoTheCompileSucceeds) {
    if (FindHtmlHelpCompiler().empty() || !Output("command -v chmls >/dev/null"))
        GTEST_SKIP() << "chmcmd or chmls missing: install fp-utils";
    TContextProject project;
    chmtest::WriteBytes(project.Dir.Path() + "outside.htm", Page("Outside", "<p>x</p>"));
    project.Add(project.Tree.ContentsRoot(), "Outside", "..\\outside.htm", tsLinked, "", "30");
    TQuietHost host;
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    const TBuildResult result = RunBuild(*project.Pvx, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const auto aliases = ExtractAliases(result.OutputFile, project.Dir.Path() + "aliases/");
    EXPECT_EQ(aliases.size(), 2u);
    EXPECT_FALSE(aliases.count("30"));
    bool reported = false;
    for (const std::string& line : host.Lines)
        reported = reported || line.find("context number 30") != std::string::npos;
    EXPECT_TRUE(reported);
}

} // namespace
} // namespace parvane
