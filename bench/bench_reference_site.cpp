// The three builds of a large generated API reference (see reference_site.h), each measured
// against `cp -r` of the same site folder in the same run, with the build's peak memory.
//
//   bench_reference_site [PAGES ...] [--dir DIR] [--threads LIST] [--only KIND] [--keep]
//
// PAGES defaults to 5000; the scale figures use `bench_reference_site 5000 50000`. The site
// is imported with `parvane-cli new --import` (found beside this program). Each build runs
// in a child process, as `parvane-cli build` would (loading the project included), so its
// processor time and peak resident memory come from wait4. HTML Help stops before chmcmd:
// the figure is Parvane's own part (collecting, copying, the Workshop project files).
// --threads 1,2 runs every build once per thread count (0: one thread per core); --only
// single|web|chm|check runs one of the builds, or only `parvane-cli check` of the project,
// which is measured the same way after the builds.

#include "bench_support.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"
#include "reference_site.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace parvane;
using namespace parvane::bench;

namespace {

struct TChildFigures {
    bool Ok = false;
    double Wall = 0;
    double Cpu = 0;
    double MaxRssMb = 0;
};

// Runs fn in a child process and measures it from here.
template <typename Fn> TChildFigures InChild(Fn fn) {
    std::fflush(stdout);
    std::fflush(stderr);
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(fn() ? 0 : 1);
    TChildFigures f;
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return f;
    f.Wall = Seconds(t0);
    auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    f.Cpu = sec(usage.ru_utime) + sec(usage.ru_stime);
    f.MaxRssMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    f.Ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return f;
}

TChildFigures Run(const std::vector<std::string>& argv) {
    return InChild([&] {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        // Quiet: the figures are what this program prints.
        if (std::FILE* null = std::fopen("/dev/null", "w"))
            ::dup2(fileno(null), 1);
        ::execvp(args[0], args.data());
        std::perror(args[0]);
        return false;
    });
}

class TQuietHost : public TBuildHost {
public:
    void Info(const std::string&) override {}
};

TChildFigures Build(const fs::path& projectFile, OutputKind kind, const fs::path& out,
                    int threads) {
    return InChild([&] {
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.LoadFromFile(projectFile.string());
        TBuildRequest request;
        request.Kind = kind;
        request.Threads = threads;
        if (kind == OutputKind::HtmlHelp) {
            request.OutputOverride = (out / "help.chm").string();
            request.KeepProjectFolder = (out / "hhp").string() + "/";
            request.Compile = false;
        } else {
            request.OutputOverride = out.string() + "/";
        }
        TQuietHost host;
        const TBuildResult result = RunBuild(project, request, host);
        if (!result.Ok)
            std::fprintf(stderr, "build failed: %s\n", result.Message.c_str());
        return result.Ok;
    });
}

double FolderMb(const fs::path& folder) {
    std::error_code ec;
    std::uintmax_t bytes = 0;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            bytes += it->file_size(ec);
    return static_cast<double>(bytes) / 1e6;
}

const char* KindName(OutputKind kind) {
    switch (kind) {
    case OutputKind::SingleHtml:
        return "Single HTML";
    case OutputKind::WebHelp:
        return "Web Help";
    case OutputKind::HtmlHelp:
        return "HTML Help (no chmcmd)";
    case OutputKind::Pdf:
        return "PDF";
    case OutputKind::Epub:
        return "EPUB";
    case OutputKind::QtHelp:
        return "Qt Help";
    }
    return "";
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    std::vector<int> threadCounts = {0};
    std::string parent;
    bool keep = false;
    std::vector<OutputKind> kinds = {OutputKind::SingleHtml, OutputKind::WebHelp,
                                     OutputKind::HtmlHelp};
    bool check = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--dir" && i + 1 < argc) {
            parent = argv[++i];
        } else if (a == "--threads" && i + 1 < argc) {
            threadCounts.clear();
            const std::string list = argv[++i];
            for (std::size_t p = 0; p <= list.size();) {
                const std::size_t comma = std::min(list.find(',', p), list.size());
                threadCounts.push_back(std::atoi(list.substr(p, comma - p).c_str()));
                p = comma + 1;
            }
        } else if (a == "--only" && i + 1 < argc) {
            const std::string kind = argv[++i];
            check = kind == "check";
            kinds.clear();
            if (!check)
                kinds = {kind == "web"   ? OutputKind::WebHelp
                         : kind == "chm" ? OutputKind::HtmlHelp
                                         : OutputKind::SingleHtml};
        } else if (a == "--keep") {
            keep = true;
        } else {
            sizes.push_back(std::max(100, std::atoi(a.c_str())));
        }
    }
    if (sizes.empty())
        sizes.push_back(5000);
    if (parent.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        parent = tmp && *tmp ? tmp : "/tmp";
    }
    std::error_code ec;
    const fs::path cli = fs::read_symlink("/proc/self/exe", ec).parent_path() / "parvane-cli";

    std::printf("Builds of a generated API reference in %s, each against cp -r of the site "
                "measured just before it.\n(wall s, cpu s = user + system; ratio = build / cp; "
                "rss = peak resident memory of the build)\n",
                parent.c_str());
    std::vector<std::pair<int, std::vector<double>>> cpuBySize; // per size: build cpu per row
    for (const int pages : sizes) {
        std::string tmpl = parent + "/parvane-bench-site-XXXXXX";
        if (!::mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        const fs::path base(tmpl);
        const fs::path root = base / "site";
        const fs::path project = base / "site.pvx";
        const auto g0 = Clock::now();
        const TReferenceSite site = MakeReferenceSite(root, pages);
        std::printf("\n%lld pages in %zu folders, %.0f MB of pages, %.1f MB in all; %lld links "
                    "(%lld missing, %lld in other letter case); generated in %.1f s\n",
                    site.Pages, site.Folders.size(), static_cast<double>(site.Bytes) / 1e6,
                    FolderMb(root), site.Links, site.MissingLinks, site.CaseLinks, Seconds(g0));
        const TChildFigures import =
            Run({cli.string(), "new", root.string(), "--output", project.string(), "--import",
                 "--quiet", "--encoding", "UTF-8"});
        std::printf("parvane-cli new --import: %.2f s wall, %.2f s cpu, %.0f MB rss%s\n",
                    import.Wall, import.Cpu, import.MaxRssMb, import.Ok ? "" : "  FAILED");

        std::printf("%-22s %7s | %8s %8s %6s | %8s %8s %6s | %7s\n", "build", "threads", "build s",
                    "cp -r s", "ratio", "cpu s", "cp cpu s", "ratio", "rss MB");
        std::vector<double> cpus;
        for (const OutputKind kind : kinds) {
            for (const int threads : threadCounts) {
                const fs::path copy = base / "copy";
                const TChildFigures cp = Run({"cp", "-r", root.string(), copy.string()});
                fs::remove_all(copy, ec);
                const fs::path out = base / "out";
                const TChildFigures b = Build(project, kind, out, threads);
                fs::remove_all(out, ec);
                std::printf("%-22s %7d | %8.2f %8.2f %6.2f | %8.2f %8.2f %6.2f | %7.0f%s\n",
                            KindName(kind), threads, b.Wall, cp.Wall, b.Wall / cp.Wall, b.Cpu,
                            cp.Cpu, b.Cpu / cp.Cpu, b.MaxRssMb, b.Ok && cp.Ok ? "" : "  FAILED");
                cpus.push_back(b.Cpu);
            }
        }
        if (check) {
            // The machine may be shared: its load when the pair is measured goes with it.
            double load[3] = {-1, -1, -1};
            if (FILE* f = std::fopen("/proc/loadavg", "r")) {
                if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
                    load[0] = -1;
                std::fclose(f);
            }
            std::printf("load average (1, 5, 15 min) before the check's pair: %.2f %.2f %.2f\n",
                        load[0], load[1], load[2]);
            // The site has missing targets on purpose: the check's exit status 1 is its
            // answer, not a failure.
            const fs::path copy = base / "copy";
            const TChildFigures cp = Run({"cp", "-r", root.string(), copy.string()});
            fs::remove_all(copy, ec);
            const TChildFigures c = Run({cli.string(), "check", project.string(), "--format",
                                         "json", "--output", (base / "check.json").string()});
            const bool answered = fs::exists(base / "check.json");
            std::printf("%-22s %7s | %8.2f %8.2f %6.2f | %8.2f %8.2f %6.2f | %7.0f%s\n",
                        "parvane-cli check", "1", c.Wall, cp.Wall, c.Wall / cp.Wall, c.Cpu,
                        cp.Cpu, c.Cpu / cp.Cpu, c.MaxRssMb, answered && cp.Ok ? "" : "  FAILED");
            cpus.push_back(c.Cpu);
        }
        cpuBySize.emplace_back(pages, cpus);
        if (keep)
            std::printf("kept: %s\n", base.c_str());
        else
            fs::remove_all(base, ec);
    }
    if (cpuBySize.size() >= 2) {
        const auto& [p0, c0] = cpuBySize.front();
        const auto& [p1, c1] = cpuBySize.back();
        std::printf("\nGrowth of the build's cpu time from %d to %d pages (rows in order):", p0,
                    p1);
        for (std::size_t i = 0; i < c0.size() && i < c1.size(); ++i)
            std::printf(" %.1f", c1[i] / c0[i]);
        std::printf("\n");
    }
    return 0;
}
