// HTML Help build of a generated project: Parvane's own work (reading the contents,
// collecting, copying, templating, writing the .hhp/.hhc/.hhk/.h) against chmcmd's time,
// both measured in one build of 10,000 topics; and Parvane's part alone at growing sizes
// to show that it is linear (the keyword index with its sorted list included).
//
//   bench_htmlhelp [TOPICS] [--no-compile]
//   (default 10000 topics; the compile is skipped when chmcmd is missing)

#include "bench_support.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"
#include "output/contents.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using namespace parvane;
using namespace parvane::bench;

namespace {

// 100 chapters of topics in sub-folders; every page links the style sheet, a picture and
// its neighbour; keywords: one shared by a whole chapter, a two-level one, and one of the
// topic's own; every tenth topic has a context number.
void MakeProject(const fs::path& root, TPvx& pvx, int topics) {
    TTopicTree& tree = pvx.Tree();
    TProjectSettings& s = pvx.ProjectSettings;
    s.RootDir = root.string() + "/";
    s.Title = "Benchmark";
    s.CompiledFile = "out/bench.chm";
    s.DefaultTopic = "ch0/t0.htm";
    s.HtmlHelpTemplate = "tpl/template.htm";
    s.Encoding = "UTF-8";
    Write(root / "css/style.css", "body { font-family: sans-serif; }\n");
    Write(root / "img/logo.gif", std::string("GIF89a") + std::string(2000, '\x01'));
    Write(
        root / "tpl/template.htm",
        "<html><head><title>($title$)</title><link href=\"../css/style.css\" rel=stylesheet>"
        "</head><body><img src=\"../img/logo.gif\"><h1>($title$)</h1>($content$)</body></html>\n");
    Write(root / "tpl/img/bg.gif", "GIF89a-bg");
    tree.AddChild(pvx.TemplatesRoot(), "Template")->Data().Url = "tpl\\template.htm";

    const int perChapter = 100;
    const std::string prose(1500, 'x');
    TTopicNode* chapter = nullptr;
    for (int i = 0; i < topics; ++i) {
        const int c = i / perChapter;
        if (i % perChapter == 0) {
            chapter = tree.AddChild(pvx.ContentsRoot(), "Chapter " + std::to_string(c));
            chapter->Data().Status = tsNoLink;
        }
        const std::string name = "t" + std::to_string(i) + ".htm";
        const std::string url = "ch" + std::to_string(c) + "\\" + name;
        const std::string next = "t" + std::to_string(i + 1 < topics ? i + 1 : 0) + ".htm";
        Write(
            root / ("ch" + std::to_string(c)) / name,
            "<html><head><title>Topic " + std::to_string(i) +
                "</title><link href=\"../css/style.css\" rel=stylesheet></head><body>\n<h1>Topic " +
                std::to_string(i) + "</h1><img src=\"../img/logo.gif\">\n<p>" + prose +
                " <a href=\"" + next + "\">next</a></p>\n</body></html>\n");
        TTopicNode* node = tree.AddChild(chapter, "Topic " + std::to_string(i));
        TLeftTreeData& d = node->Data();
        d.Url = url;
        d.Status = tsLinked;
        d.Keywords = "Chapter " + std::to_string(c) + "\r\nGroup " + std::to_string(i % 37) +
                     "/Item " + std::to_string(i % 11) + "\r\nTopic " + std::to_string(i);
        if (i % 10 == 0)
            d.ContextNumber = std::to_string(1000 + i);
    }
}

// Times the driver's lines: chmcmd runs from the "Running chmcmd ..." line to the first
// progress line after it.
class TTimingHost : public TBuildHost {
public:
    Clock::time_point CompileStart{}, CompileEnd{};
    void Info(const std::string&) override {
        if (CompileStart != Clock::time_point{} && CompileEnd == Clock::time_point{})
            CompileEnd = Clock::now();
    }
    void CompilerLine(const std::string& text) override {
        if (text.rfind("Running ", 0) == 0 && CompileStart == Clock::time_point{})
            CompileStart = Clock::now();
    }
};

struct TRunFigures {
    double Total = 0, Compiler = 0;     // wall clock
    double OwnCpu = 0, CompilerCpu = 0; // processor time
    bool Ok = false;
    std::string Message;
};

TRunFigures Build(int topics, bool compile, const fs::path& base) {
    const fs::path root = base / ("p" + std::to_string(topics));
    fs::remove_all(root);
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    pvx.ResetToDefaults();
    MakeProject(root, pvx, topics);
    TBuildRequest request;
    request.Kind = OutputKind::HtmlHelp;
    request.Compile = compile;
    request.KeepProjectFolder = (root.string() + "-hhp/");
    TTimingHost host;
    const double self0 = CpuSeconds(RUSAGE_SELF);
    const double children0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto t0 = Clock::now();
    const TBuildResult result = RunBuild(pvx, request, host);
    const auto t1 = Clock::now();
    TRunFigures f;
    f.OwnCpu = CpuSeconds(RUSAGE_SELF) - self0;
    f.CompilerCpu = CpuSeconds(RUSAGE_CHILDREN) - children0;
    f.Total = Seconds(t0, t1);
    f.Ok = result.Ok;
    f.Message = result.Message;
    if (compile && host.CompileStart != Clock::time_point{})
        f.Compiler = Seconds(host.CompileStart,
                             host.CompileEnd == Clock::time_point{} ? t1 : host.CompileEnd);
    fs::remove_all(root);
    fs::remove_all(root.string() + "-hhp");
    return f;
}

// The index text alone: pairs, sorting, transitions.
double IndexSeconds(int topics, const fs::path& base) {
    const fs::path root = base / ("i" + std::to_string(topics));
    fs::remove_all(root);
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    pvx.ResetToDefaults();
    MakeProject(root, pvx, topics);
    TContents contents(pvx);
    contents.BuildItems();
    double best = 1e100;
    std::size_t size = 0;
    for (int run = 0; run < 3; ++run) {
        const auto t0 = Clock::now();
        size = contents.BuildSitemapIndex().size() + contents.BuildSitemapContents().size();
        best = std::min(best, Seconds(t0, Clock::now()));
    }
    fs::remove_all(root);
    return size > 0 ? best : 0;
}

} // namespace

int main(int argc, char** argv) {
    int topics = 10000;
    bool compile = true;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--no-compile")
            compile = false;
        else
            topics = std::max(100, std::atoi(argv[i]));
    }
    const fs::path base = fs::temp_directory_path() / "parvane-bench-htmlhelp";
    fs::create_directories(base);

    std::printf("HTML Help build, generated project (pages of ~1.7 KB, 3 keywords each, "
                "template, 100 topics a chapter)\n\n");
    std::printf("Parvane's part alone (no compile), linearity:\n");
    std::printf("%8s %10s %10s %14s %18s\n", "topics", "wall s", "cpu s", "cpu us/topic",
                "index+toc text s");
    for (int n : {topics / 8, topics / 4, topics / 2, topics}) {
        const TRunFigures f = Build(n, false, base);
        if (!f.Ok) {
            std::printf("build failed: %s\n", f.Message.c_str());
            return 1;
        }
        std::printf("%8d %10.3f %10.3f %14.1f %18.4f\n", n, f.Total, f.OwnCpu, f.OwnCpu / n * 1e6,
                    IndexSeconds(n, base));
    }

    if (!compile)
        return 0;
    if (FindHtmlHelpCompiler().empty()) {
        std::printf("\nchmcmd not found: install fp-utils for the compile figures.\n");
        return 0;
    }
    std::printf("\nOne complete build of %d topics with chmcmd:\n", topics);
    const TRunFigures f = Build(topics, true, base);
    if (!f.Ok) {
        std::printf("build failed: %s\n", f.Message.c_str());
        return 1;
    }
    std::printf("%18s %10s %10s\n", "", "wall s", "cpu s");
    std::printf("%18s %10.2f %10.2f\n", "whole build", f.Total, f.OwnCpu + f.CompilerCpu);
    std::printf("%18s %10.2f %10.2f\n", "chmcmd", f.Compiler, f.CompilerCpu);
    std::printf("%18s %10.2f %10.2f  (%.1f %% of the build's processor time)\n", "Parvane's part",
                f.Total - f.Compiler, f.OwnCpu, f.OwnCpu / (f.OwnCpu + f.CompilerCpu) * 100);
    fs::remove_all(base);
    return 0;
}
