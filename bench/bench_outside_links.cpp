// A build depends only on what lies inside the project's root: a small book whose pages
// link into a large neighbouring manual (pages that link each other) is built into Single
// HTML, Web Help and an HTML Help project (without compiling) with the manual beside it,
// and again with the manual moved away. The two times should be the same.
//
//   bench_outside_links [MANUAL_PAGES]     (default: 3000)

#include "bench_support.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace parvane;
using namespace parvane::bench;
namespace fs = std::filesystem;

namespace {

class SilentHost : public TBuildHost {
public:
    void Info(const std::string&) override {}
};

std::string Page(const std::string& title, const std::string& body) {
    return "<html><head><title>" + title + "</title></head>\n<body>\n" + body +
           "\n</body></html>\n";
}

void WriteManual(const std::string& folder, int pages) {
    for (int i = 0; i < pages; ++i) {
        std::string body;
        for (int k = 1; k <= 5; ++k)
            body += "<p><a href=\"x" + std::to_string((i * 7 + k * 131) % pages) +
                    ".htm\">more</a></p>\n";
        body += "<img src=\"pic.gif\"><link rel=\"stylesheet\" href=\"style.css\">\n";
        while (body.size() < 3800)
            body += "<p>Text of a neighbouring manual that the book links to.</p>\n";
        Write(folder + "x" + std::to_string(i) + ".htm", Page("x" + std::to_string(i), body));
    }
    Write(folder + "pic.gif", std::string(1024, 'g'));
    Write(folder + "style.css", "body { background: url(pic.gif) }\n");
}

// The median of five builds of one output, in CPU seconds of this process.
double MedianBuild(TPvx& project, OutputKind kind, const std::string& out) {
    std::vector<double> runs;
    for (int r = 0; r < 5; ++r) {
        TBuildRequest request;
        request.Kind = kind;
        request.Compile = false;
        if (kind == OutputKind::HtmlHelp)
            request.KeepProjectFolder = out;
        else
            request.OutputOverride = out;
        SilentHost host;
        const double start = CpuSeconds(RUSAGE_SELF);
        const TBuildResult result = RunBuild(project, request, host);
        runs.push_back(CpuSeconds(RUSAGE_SELF) - start);
        if (!result.Ok) {
            std::fprintf(stderr, "build failed: %s\n", result.Message.c_str());
            std::exit(1);
        }
    }
    std::sort(runs.begin(), runs.end());
    return runs[2];
}

} // namespace

int main(int argc, char** argv) {
    const int manualPages = argc > 1 ? std::atoi(argv[1]) : 3000;
    std::string base = (fs::temp_directory_path() / "pv-bench-outside-XXXXXX").string();
    if (!::mkdtemp(base.data()))
        return 1;
    base += "/";
    const std::string root = base + "book/";
    WriteManual(base + "manual/", manualPages);

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    project.ResetToDefaults();
    project.ProjectSettings.RootDir = root;
    project.ProjectSettings.Title = "Book";
    project.ProjectSettings.SingleHtmlFilename = "book.htm";
    const int bookPages = 20;
    for (int i = 0; i < bookPages; ++i) {
        const std::string name = "page" + std::to_string(i) + ".htm";
        Write(root + name,
              Page("Page", "<p><a href=\"page" + std::to_string((i + 1) % bookPages) +
                               ".htm\">next</a> and the manual's <a href=\"../manual/x" +
                               std::to_string(i * 97 % manualPages) + ".htm\">page</a></p>"));
        tree.AddTopicNode(project.ContentsRoot(), "Page " + std::to_string(i),
                          imLastChildOfReference, tsLinked, 0, name);
    }

    std::printf("A book of %d pages linking into a manual of %d pages beside it (CPU, median of "
                "five builds)\n",
                bookPages, manualPages);
    const std::pair<OutputKind, const char*> outputs[] = {
        {OutputKind::SingleHtml, "Single HTML"},
        {OutputKind::WebHelp, "Web Help"},
        {OutputKind::HtmlHelp, "HTML Help project"}};
    for (const auto& [kind, name] : outputs) {
        const std::string out = base + "out/";
        const double with = MedianBuild(project, kind, out);
        fs::rename(base + "manual", base + "away");
        const double without = MedianBuild(project, kind, out);
        fs::rename(base + "away", base + "manual");
        std::printf("%-18s with the manual %7.1f ms   without it %7.1f ms\n", name, with * 1000,
                    without * 1000);
    }
    std::error_code ec;
    fs::remove_all(base, ec);
    return 0;
}
