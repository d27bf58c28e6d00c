// Build time of the PDF, EPUB and Qt Help outputs on the generated benchmark projects (the
// same projects as bench_single_html: 4 KB pages with links, pictures and a style sheet),
// with the Single HTML build of the same project as the yardstick. Processor time of the
// helper programs (parvane-pdf, qhelpgenerator) is counted separately.
//
//   bench_one_file_outputs [--only OUTPUT] [TOPICS...]   (default: 1000 10000; OUTPUT is
//                                                        single-html, epub, qthelp or pdf)

#include "bench_support.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"
#include "output/output_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace parvane;
using namespace parvane::bench;
namespace fs = std::filesystem;

namespace {

class QuietHost : public TBuildHost {
public:
    void Info(const std::string& text) override { last = text; }
    bool ConfirmReplaceForeignFile(const std::string&) override { return true; }
    std::string last;
};

struct Figures {
    double wall = 0, cpu = 0, children = 0;
    std::uintmax_t bytes = 0;
    bool ok = false;
    std::string message;
};

Figures Build(TPvx& project, OutputKind kind, const std::string& out) {
    TBuildRequest request;
    request.Kind = kind;
    request.OutputOverride = out;
    QuietHost host;
    const double cpu0 = CpuSeconds(RUSAGE_SELF), child0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto start = Clock::now();
    const TBuildResult result = RunBuild(project, request, host);
    Figures f;
    f.wall = Seconds(start);
    f.cpu = CpuSeconds(RUSAGE_SELF) - cpu0;
    f.children = CpuSeconds(RUSAGE_CHILDREN) - child0;
    f.ok = result.Ok;
    f.message = result.Message;
    std::error_code ec;
    if (fs::is_regular_file(result.OutputFile, ec))
        f.bytes = fs::file_size(result.OutputFile, ec);
    else if (fs::is_directory(out, ec))
        for (const auto& entry : fs::recursive_directory_iterator(out, ec))
            if (entry.is_regular_file(ec))
                f.bytes += entry.file_size(ec);
    return f;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--only" && i + 1 < argc)
            only = argv[++i];
        else
            sizes.push_back(std::atoi(argv[i]));
    }
    if (sizes.empty())
        sizes = {1000, 10000};
    const std::string generator = ExecutableFolder() + "bench_single_html";

    std::printf("%-8s %-12s %9s %9s %9s %10s\n", "topics", "output", "wall s", "cpu s", "helper s",
                "MB");
    for (const int n : sizes) {
        const TPrivateFolder dir("pv-bench-outputs");
        const std::string command =
            "'" + generator + "' --keep '" + dir.Path() + "' " + std::to_string(n) + " >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "cannot generate the project with %s\n", generator.c_str());
            return 1;
        }
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.LoadFromFile(dir.Path() + "project.pvx");
        const struct {
            const char* name;
            OutputKind kind;
            std::string out;
        } outputs[] = {{"single-html", OutputKind::SingleHtml, dir.Path() + "single/"},
                       {"epub", OutputKind::Epub, dir.Path() + "out.epub"},
                       {"qthelp", OutputKind::QtHelp, dir.Path() + "out.qch"},
                       {"pdf", OutputKind::Pdf, dir.Path() + "out.pdf"}};
        for (const auto& output : outputs) {
            if (!only.empty() && only != output.name)
                continue;
            const Figures f = Build(project, output.kind, output.out);
            if (!f.ok) {
                std::printf("%-8d %-12s failed: %s\n", n, output.name, f.message.c_str());
                continue;
            }
            std::printf("%-8d %-12s %9.2f %9.2f %9.2f %10.1f\n", n, output.name, f.wall, f.cpu,
                        f.children, static_cast<double>(f.bytes) / 1e6);
            std::fflush(stdout);
        }
    }
    return 0;
}
