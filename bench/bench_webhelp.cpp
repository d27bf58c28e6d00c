// Web Help build of a generated project: the whole build (contents, collecting, copying,
// the pages with their script, images, tree and index) at growing sizes to show that it is
// linear, each against `cp -r` of the same project folder measured in the same run. Each
// figure is the best of three runs: the work is mostly file-system calls, whose cost on a
// shared machine swings with everybody else's.
//
//   bench_webhelp [TOPICS [FOLDER]]   (default 10000 topics in $TMPDIR or /tmp; also runs a
//                                     quarter and a half of it)
//   bench_webhelp --write FOLDER TOPICS
//                                     only writes the project (FOLDER/project.pvx and its
//                                     pages), for a profiler or to compare outputs
//   bench_webhelp --build PROJECT.pvx OUT [THREADS]
//                                     only loads the project and builds its Web Help into
//                                     OUT with THREADS threads (default: one per core)

#include "bench_support.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"
#include "output/contents.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace parvane;
using namespace parvane::bench;

namespace {

// CPU seconds (user + system) of this process, or of its finished children: on a shared
// machine the wall clock also measures everybody else.
// Chapters of 100 topics in sub-folders, three levels deep in places; every page links the
// style sheet, a picture and its neighbour; keywords: one per chapter, a two-level one and
// one of the topic's own.
void MakeProject(const fs::path& root, TPvx& pvx, int topics) {
    TTopicTree& tree = pvx.Tree();
    TProjectSettings& s = pvx.ProjectSettings;
    s.RootDir = root.string() + "/";
    s.Title = "Benchmark";
    s.DefaultTopic = "ch0/t0.htm";
    s.Encoding = "UTF-8";
    Write(root / "css/style.css", "body { font-family: sans-serif; }\n");
    Write(root / "img/logo.gif", std::string("GIF89a") + std::string(2000, '\x01'));

    const int perChapter = 100;
    const std::string prose(1500, 'x');
    TTopicNode* chapter = nullptr;
    TTopicNode* section = nullptr;
    for (int i = 0; i < topics; ++i) {
        const int c = i / perChapter;
        if (i % perChapter == 0) {
            chapter = tree.AddChild(pvx.ContentsRoot(), "Chapter " + std::to_string(c));
            chapter->Data().Status = tsNoLink;
        }
        const std::string name = "t" + std::to_string(i) + ".htm";
        const std::string next = "t" + std::to_string(i + 1 < topics ? i + 1 : 0) + ".htm";
        Write(
            root / ("ch" + std::to_string(c)) / name,
            "<html><head><title>Topic " + std::to_string(i) +
                "</title><link href=\"../css/style.css\" rel=stylesheet></head><body>\n<h1>Topic " +
                std::to_string(i) + "</h1><img src=\"../img/logo.gif\">\n<p>" + prose +
                " <a href=\"" + next + "\">next</a></p>\n</body></html>\n");
        // Every tenth topic opens a section that holds the next nine.
        TTopicNode* parent = (i % 10 == 0 || !section) ? chapter : section;
        TTopicNode* node = tree.AddChild(parent, "Topic " + std::to_string(i) + " \"it's\" <&>");
        if (i % 10 == 0)
            section = node;
        TLeftTreeData& d = node->Data();
        d.Url = "ch" + std::to_string(c) + "\\" + name;
        d.Status = tsLinked;
        d.Keywords = "Chapter " + std::to_string(c) + "\r\nGroup " + std::to_string(i % 37) +
                     "/Item " + std::to_string(i % 11) + "\r\nTopic " + std::to_string(i);
    }
    pvx.UpdateTopicImages();
}

class TQuietHost : public TBuildHost {
public:
    void Info(const std::string&) override {}
};

struct TFigures {
    double Build = 0, Copy = 0;       // wall clock
    double BuildCpu = 0, CopyCpu = 0; // CPU
    double NavigationBytes = 0;
};

TFigures Run(int topics, const fs::path& base) {
    const fs::path root = base / ("p" + std::to_string(topics));
    const fs::path out = base / ("web" + std::to_string(topics));
    const fs::path copy = base / ("cp" + std::to_string(topics));
    fs::remove_all(root);
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    pvx.ResetToDefaults();
    MakeProject(root, pvx, topics);

    TFigures f;
    const double children0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto c0 = Clock::now();
    const std::string command = "cp -r '" + root.string() + "' '" + copy.string() + "'";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "cp -r failed\n");
    f.Copy = Seconds(c0, Clock::now());
    f.CopyCpu = CpuSeconds(RUSAGE_CHILDREN) - children0;

    TBuildRequest request;
    request.Kind = OutputKind::WebHelp;
    request.OutputOverride = out.string() + "/";
    TQuietHost host;
    const double self0 = CpuSeconds(RUSAGE_SELF);
    const auto t0 = Clock::now();
    const TBuildResult result = RunBuild(pvx, request, host);
    f.Build = Seconds(t0, Clock::now());
    f.BuildCpu = CpuSeconds(RUSAGE_SELF) - self0;
    if (!result.Ok) {
        // No figures for a build that did not happen (a folder of the system, such as
        // /dev/shm, is refused as a project's root: mount a tmpfs of your own instead).
        std::fprintf(stderr, "build failed: %s\n", result.Message.c_str());
        fs::remove_all(base);
        std::exit(1);
    }
    std::error_code ec;
    f.NavigationBytes = static_cast<double>(fs::file_size(out / "webhelpleft.htm", ec));
    fs::remove_all(root);
    fs::remove_all(out);
    fs::remove_all(copy);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--write") {
        const fs::path root = fs::absolute(argv[2]);
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx pvx(tree);
        pvx.ResetToDefaults();
        MakeProject(root, pvx, std::max(1, std::atoi(argv[3])));
        pvx.SaveToFile((root / "project.pvx").string());
        return 0;
    }
    if (argc >= 4 && std::string(argv[1]) == "--build") {
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx pvx(tree);
        pvx.LoadFromFile(fs::absolute(argv[2]).string());
        TBuildRequest request;
        request.Kind = OutputKind::WebHelp;
        request.OutputOverride = fs::absolute(argv[3]).string() + "/";
        request.Threads = argc >= 5 ? std::atoi(argv[4]) : 0;
        TQuietHost host;
        const double cpu0 = CpuSeconds(RUSAGE_SELF);
        const auto t0 = Clock::now();
        const TBuildResult result = RunBuild(pvx, request, host);
        std::printf("build %.3f s (%.3f s CPU)\n", Seconds(t0), CpuSeconds(RUSAGE_SELF) - cpu0);
        if (!result.Ok)
            std::fprintf(stderr, "build failed: %s\n", result.Message.c_str());
        return result.Ok ? 0 : 1;
    }
    const int topics = argc > 1 ? std::max(100, std::atoi(argv[1])) : 10000;
    const char* tmp = std::getenv("TMPDIR");
    std::string parent = argc > 2 ? argv[2] : (tmp && *tmp ? tmp : "/tmp");
    std::string tmpl = parent + "/parvane-bench-webhelp-XXXXXX";
    const char* dir = mkdtemp(tmpl.data());
    if (!dir) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path base(dir);

    std::printf("Web Help build of a generated project (pages of about 1.7 KB, 3 keywords each) "
                "in %s\n",
                parent.c_str());
    std::printf("(wall clock, then CPU time; ratio = build / cp -r of the project folder)\n");
    std::printf("%7s %9s %8s %9s %7s | %9s %8s %9s %7s | %8s\n", "topics", "build s", "us/topic",
                "cp -r s", "ratio", "cpu s", "us/topic", "cp cpu s", "ratio", "tree KB");
    for (const int n : {topics / 4, topics / 2, topics}) {
        TFigures f = Run(n, base);
        for (int again = 0; again < 2; ++again) {
            const TFigures g = Run(n, base);
            f.Build = std::min(f.Build, g.Build);
            f.Copy = std::min(f.Copy, g.Copy);
            f.BuildCpu = std::min(f.BuildCpu, g.BuildCpu);
            f.CopyCpu = std::min(f.CopyCpu, g.CopyCpu);
        }
        std::printf("%7d %9.3f %8.1f %9.3f %7.2f | %9.3f %8.1f %9.3f %7.2f | %8.0f\n", n, f.Build,
                    f.Build * 1e6 / n, f.Copy, f.Build / f.Copy, f.BuildCpu, f.BuildCpu * 1e6 / n,
                    f.CopyCpu, f.BuildCpu / f.CopyCpu, f.NavigationBytes / 1024);
    }
    fs::remove_all(base);
    return 0;
}
