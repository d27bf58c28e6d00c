// Single HTML build speed: generated projects of 1,000 and 10,000 topics (4 KB pages with
// links between them, a shared style sheet, shared pictures, pages in sub-folders), each
// compared with `cp -r` of the same project folder in the same run; then the largest
// folder of real HTML documentation found on the machine, imported and built.
//
//   bench_single_html [TOPICS...]      (default: 1000 10000)
//   bench_single_html --keep DIR N     only writes a project of N topics to DIR/project.pvx,
//                                      for profiling a build with parvane-cli

#include "bench_support.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"
#include "wizard/new_project.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/time.h>
#include <vector>

using namespace parvane;
namespace fs = std::filesystem;
using namespace parvane::bench;

namespace {

// Records when each step of the build began.
class TimingHost : public TBuildHost {
public:
    void Info(const std::string& text) override {
        if (text == "Preparing files..." || text == "Creating page..." ||
            text == "Output files..." || text == "Changing hyperlinks..." || text == "Completed.")
            marks.emplace_back(text, Clock::now());
    }
    std::vector<std::pair<std::string, Clock::time_point>> marks;
};

std::string FolderOf(int i) {
    return "part" + std::to_string(i / 100) + "/";
}
std::string PageOf(int i) {
    return FolderOf(i) + "topic" + std::to_string(i) + ".htm";
}

// A project of n topics below root: chapters of ten topics, pages in folders of a hundred.
void Generate(const std::string& root, int n, TPvx& project) {
    Write(root + "css/help.css", "body { background: url(../img/back.png); }\n");
    for (int p = 0; p < 20; ++p)
        Write(root + "img/pic" + std::to_string(p) + ".png",
              std::string(2048, static_cast<char>(p)));
    Write(root + "img/back.png", std::string(512, 'b'));

    TTopicTree& tree = project.Tree();
    TTopicNode* chapter = nullptr;
    for (int i = 0; i < n; ++i) {
        std::string body;
        body += "<h2>Topic " + std::to_string(i) + "</h2>\n";
        body +=
            "<p><img src=\"../img/pic" + std::to_string(i % 20) + ".png\" alt=\"figure\"></p>\n";
        for (int k = 1; k <= 5; ++k) {
            const int target = (i * 7 + k * 131) % n;
            std::string rel = FolderOf(target) == FolderOf(i)
                                  ? "topic" + std::to_string(target) + ".htm"
                                  : "../" + PageOf(target);
            body += "<p>See <a href=\"" + rel + (k == 3 ? "#sec" : "") + "\">topic " +
                    std::to_string(target) + "</a> for more.</p>\n";
        }
        body += "<h3><a name=\"sec\">Details</a></h3>\n";
        while (body.size() < 3800)
            body += "<p>Lorem text of a generated topic, long enough to make the page about four "
                    "kilobytes like a real help page.</p>\n";
        Write(root + PageOf(i),
              "<html><head><title>Topic " + std::to_string(i) +
                  "</title><link rel=\"stylesheet\" href=\"../css/help.css\"></head>\n<body>\n" +
                  body + "</body></html>\n");
        const std::string url =
            "part" + std::to_string(i / 100) + "\\topic" + std::to_string(i) + ".htm";
        if (i % 10 == 0)
            chapter = tree.AddTopicNode(project.ContentsRoot(), "Chapter " + std::to_string(i / 10),
                                        imLastChildOfReference, tsLinked, 0, url);
        else
            tree.AddTopicNode(chapter, "Topic " + std::to_string(i), imLastChildOfReference,
                              tsLinked, 0, url);
    }
}

struct Timing {
    double build = 0; // wall clock
    double copy = 0;
    double buildCpu = 0; // user + system
    double copyCpu = 0;
    std::map<std::string, double> steps;
    std::size_t pageBytes = 0;
};

Timing BuildAndCopy(TPvx& project, const std::string& work) {
    Timing t;
    TimingHost host;
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;
    request.OutputOverride = work + "out/";
    const double cpuStart = CpuSeconds(RUSAGE_SELF);
    const auto start = Clock::now();
    const TBuildResult result = RunBuild(project, request, host);
    t.build = Seconds(start);
    t.buildCpu = CpuSeconds(RUSAGE_SELF) - cpuStart;
    if (!result.Ok) {
        std::fprintf(stderr, "build failed: %s\n", result.Message.c_str());
        std::exit(1);
    }
    t.pageBytes = fs::file_size(result.OutputFile);
    auto previous = start;
    std::string previousName = "Reading TOC...";
    for (const auto& [name, when] : host.marks) {
        t.steps[previousName] = std::chrono::duration<double>(when - previous).count();
        previous = when;
        previousName = name;
    }
    const std::string cp = "cp -r '" + project.RootFolder() + "' '" + work + "copy'";
    const double childCpuStart = CpuSeconds(RUSAGE_CHILDREN);
    const auto copyStart = Clock::now();
    if (std::system(cp.c_str()) != 0)
        std::fprintf(stderr, "cp -r failed\n");
    t.copy = Seconds(copyStart);
    t.copyCpu = CpuSeconds(RUSAGE_CHILDREN) - childCpuStart;
    return t;
}

void Report(const std::string& label, int topics, const Timing& t) {
    std::printf("%-20s %6d topics  build %6.2f s (cpu %5.2f s)  cp -r %6.2f s (cpu %5.2f s)  "
                "page %5.1f MB\n",
                label.c_str(), topics, t.build, t.buildCpu, t.copy, t.copyCpu,
                static_cast<double>(t.pageBytes) / 1e6);
    std::printf("    steps:");
    for (const char* step : {"Reading TOC...", "Preparing files...", "Creating page...",
                             "Output files...", "Changing hyperlinks..."})
        std::printf("  %s %.3f", step, t.steps.count(step) ? t.steps.at(step) : 0.0);
    std::printf("\n");
}

std::uintmax_t HtmlBytes(const std::string& folder) {
    std::uintmax_t bytes = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string ext = it->path().extension().string();
        if (it->is_regular_file(ec) && (ext == ".html" || ext == ".htm"))
            bytes += it->file_size(ec);
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--keep") {
        const std::string dir = Paths::IncludeTrailingSlash(argv[2]);
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.ProjectSettings.RootDir = dir + "root/";
        project.ProjectSettings.Encoding = "UTF-8";
        project.ProjectSettings.SingleHtmlHasToc = true;
        project.ProjectSettings.SingleHtmlFilename = "index.htm";
        Generate(project.RootFolder(), std::atoi(argv[3]), project);
        project.FileName = dir + "project.pvx";
        project.SaveToFile(project.FileName);
        std::printf("%s\n", project.FileName.c_str());
        return 0;
    }
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {1000, 10000};

    std::string tmpl = (fs::temp_directory_path() / "pv-bench-single-XXXXXX").string();
    const std::string work = std::string(mkdtemp(tmpl.data())) + "/";

    for (int n : sizes) {
        const std::string base = work + std::to_string(n) + "/";
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.ProjectSettings.RootDir = base + "root/";
        project.ProjectSettings.Encoding = "UTF-8";
        project.ProjectSettings.SingleHtmlHasToc = true;
        project.ProjectSettings.SingleHtmlFilename = "index.htm";
        Generate(project.RootFolder(), n, project);
        Report("generated project", n, BuildAndCopy(project, base));
        fs::remove_all(base);
    }

    // The largest folder of real documentation among those Debian packages ship here.
    std::string largest;
    std::uintmax_t largestBytes = 0;
    for (const char* folder : {"/usr/share/doc/nodejs/api", "/usr/share/doc/valgrind/html",
                               "/usr/share/doc/libxslt1-dev/html", "/usr/share/doc/libffi8/html"}) {
        if (!fs::is_directory(folder))
            continue;
        const std::uintmax_t bytes = HtmlBytes(folder);
        if (bytes > largestBytes) {
            largestBytes = bytes;
            largest = folder;
        }
    }
    if (!largest.empty()) {
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        TNewProjectOptions options;
        options.RootFolder = largest;
        options.Encoding = "UTF-8";
        options.Import = true;
        const auto importStart = Clock::now();
        NewProject(project, options);
        const double import = Seconds(importStart);
        project.ProjectSettings.SingleHtmlHasToc = true;
        project.ProjectSettings.SingleHtmlFilename = "index.htm";
        int topics = 0;
        tree.ForEach([&](TTopicNode* node) {
            if (!node->IsRoot() && node->Data().Status == tsLinked)
                ++topics;
        });
        const std::string base = work + "real/";
        fs::create_directories(base);
        std::printf("%s: %.1f MB of HTML, import %.3f s\n", largest.c_str(),
                    static_cast<double>(largestBytes) / 1e6, import);
        Report("real documentation", topics, BuildAndCopy(project, base));
    } else {
        std::printf("no folder of real documentation found; skipped\n");
    }
    fs::remove_all(work);
    return 0;
}
