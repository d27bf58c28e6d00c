// Saving and loading project files of 10,000 and 100,000 topics, against a plain copy of
// the same file (in this process, and as the `cp` command). Prints one table; the figures
// go to docs/PERFORMANCE.md. A load is timed as `parvane-cli` does it: a new tree, its
// root groups, the project and LoadFromFile (freeing the tree afterwards is not timed).
//
//   bench_project                      the table
//   bench_project --write FILE TOPICS  only writes a generated project file
//   bench_project --load FILE [RUNS]   only loads FILE RUNS times (for a profiler)

#include "bench_support.h"
#include "model/ini_file.h"
#include "model/project_file.h"
#include "model/text_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

const char* const kWords[] = {"Configuring",
                              "the",
                              "network",
                              "adapter",
                              "Installing",
                              "printer",
                              "drivers",
                              "Using",
                              "advanced",
                              "search",
                              "options",
                              "Troubleshooting",
                              "startup",
                              "problems",
                              "Managing",
                              "user",
                              "accounts",
                              "Exporting",
                              "reports",
                              "to",
                              "PDF",
                              "Keyboard",
                              "shortcuts",
                              "Backing",
                              "up",
                              "your",
                              "data",
                              "Caf\xC3\xA9",
                              "r\xC3\xA9sum\xC3\xA9",
                              "\xC3\xBC"
                              "berblick",
                              "settings",
                              "overview"};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

// A table of contents shaped like a real manual: chapters, sections, pages, down to
// depth 8, with keywords on most pages and context numbers on some.
void BuildProject(TPvx& project, int topics, unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto words = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i)
                s += ' ';
            s += kWords[pick(kWordCount)];
        }
        return s;
    };
    TTopicTree& tree = project.Tree();
    tree.BeginUpdate();
    std::vector<TTopicNode*> path{project.ContentsRoot()};
    for (int n = 0; n < topics; ++n) {
        // Mostly stay, sometimes go deeper (up to 8 levels), sometimes climb.
        const int move = pick(10);
        if (move < 3 && path.size() < 9 && path.back()->HasChildren())
            path.push_back(path.back()->LastChild());
        else if (move >= 8 && path.size() > 1)
            path.resize(
                std::max<std::size_t>(1, path.size() - 1 - static_cast<std::size_t>(pick(2))));
        TTopicNode* parent = path.back();
        const int status = pick(20) == 0 ? tsNoLink : (pick(50) == 0 ? tsUnsaved : tsLinked);
        const std::string url = status == tsLinked ? "chapter" + std::to_string(n / 500) +
                                                         "\\section" + std::to_string(n / 50) +
                                                         "\\topic_" + std::to_string(n) + ".htm"
                                                   : "";
        TTopicNode* node =
            tree.AddTopicNode(parent, words(2 + pick(5)) + " " + std::to_string(n),
                              imLastChildOfReference, status, pick(4) ? 0 : 1 + pick(42), url);
        TLeftTreeData& data = node->Data();
        for (int k = pick(4); k > 0; --k)
            data.Keywords += (data.Keywords.empty() ? "" : "\r\n") + words(1 + pick(2));
        if (pick(3) == 0)
            data.ContextNumber = std::to_string(1000 + n);
        if (pick(5) == 0)
            node->SetExpanded(true);
    }
    for (int n = 0; n < topics / 100; ++n)
        tree.AddTopicNode(project.NonContentsRoot(), "Extra " + std::to_string(n), 0, tsLinked, 0,
                          "extra\\page" + std::to_string(n) + ".htm");
    tree.EndUpdate();
    project.UpdateTopicImages();
}

// The best of several runs, as wall-clock time and as this thread's processor time (the
// second stays meaningful when other work shares the machine).
struct Timing {
    double wall = 1e9;
    double cpu = 1e9;
};

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

template <typename Fn> Timing Best(int runs, Fn&& fn) {
    Timing best;
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        fn();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best.wall = std::min(best.wall, took.count());
        best.cpu = std::min(best.cpu, ThreadCpuSeconds() - cpuStart);
    }
    return best;
}

// The `cp` command, as a person would copy the file: wall clock, and its processor time
// (the child's user + system time).
Timing BestCp(int runs, const std::string& from, const std::string& to) {
    Timing best;
    const std::string command = "cp '" + from + "' '" + to + "'";
    for (int i = 0; i < runs; ++i) {
        const double cpuStart = parvane::bench::CpuSeconds(RUSAGE_CHILDREN);
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "cp failed\n");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best.wall = std::min(best.wall, took.count());
        best.cpu =
            std::min(best.cpu, parvane::bench::CpuSeconds(RUSAGE_CHILDREN) - cpuStart);
    }
    return best;
}

// Loads path as `parvane-cli` does; the number of nodes, or -1 when the load failed.
int LoadFresh(const std::string& path, Timing* timing) {
    std::unique_ptr<TTopicTree> tree;
    std::unique_ptr<TPvx> project;
    const double cpuStart = ThreadCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    tree = std::make_unique<TTopicTree>();
    tree->CreateRootGroups();
    project = std::make_unique<TPvx>(*tree);
    try {
        project->LoadFromFile(path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return -1;
    }
    if (timing) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        timing->wall = std::min(timing->wall, took.count());
        timing->cpu = std::min(timing->cpu, ThreadCpuSeconds() - cpuStart);
    }
    return tree->Count();
}

struct Figures {
    int topics;
    std::uintmax_t bytes;
    Timing save, load, parse, copy, cp;
    Timing load1252; // the same file in Windows-1252, as the 8-bit platform writes it
};

Figures Measure(const fs::path& folder, int topics) {
    TTopicTree tree;
    TPvx project(tree);
    BuildProject(project, topics, 2024);
    project.ProjectSettings.RootDir = folder.string() + "/";
    const std::string path = (folder / ("bench" + std::to_string(topics) + ".pvx")).string();
    const std::string copyPath = path + ".copy";

    Figures f{};
    f.topics = tree.Count() - 3;
    f.save = Best(5, [&] { project.SaveToFile(path); });
    f.bytes = fs::file_size(path);

    for (int i = 0; i < 5; ++i) {
        const int loaded = LoadFresh(path, &f.load);
        if (loaded != tree.Count()) {
            std::fprintf(stderr, "loaded %d nodes, saved %d\n", loaded, tree.Count());
            std::exit(1);
        }
    }
    f.parse = Best(5, [&] { (void)TIniFile::FromFile(path); });
    f.copy = Best(5, [&] { fs::copy_file(path, copyPath, fs::copy_options::overwrite_existing); });
    f.cp = BestCp(5, path, copyPath);

    const std::string ansiPath = path + ".1252.pvx";
    TextCodec::WriteFileAtomic(
        ansiPath, TextCodec::FromUtf8(TextCodec::ReadFileBytes(path), "WINDOWS-1252", false));
    for (int i = 0; i < 5; ++i) {
        const int loaded = LoadFresh(ansiPath, &f.load1252);
        if (loaded != tree.Count()) {
            std::fprintf(stderr, "loaded %d nodes from Windows-1252\n", loaded);
            std::exit(1);
        }
    }
    return f;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--write") {
        TTopicTree tree;
        TPvx project(tree);
        BuildProject(project, std::atoi(argv[3]), 2024);
        project.ProjectSettings.RootDir = fs::absolute(argv[2]).parent_path().string() + "/";
        project.SaveToFile(argv[2]);
        return 0;
    }
    if (argc >= 3 && std::string(argv[1]) == "--load") {
        const int runs = argc >= 4 ? std::max(1, std::atoi(argv[3])) : 1;
        Timing t;
        int nodes = 0;
        for (int i = 0; i < runs; ++i)
            nodes = LoadFresh(argv[2], &t);
        std::printf("%d nodes, best load %.1f ms (%.1f ms processor)\n", nodes, t.wall * 1e3,
                    t.cpu * 1e3);
        return nodes < 0 ? 1 : 0;
    }
    std::string pattern = (fs::temp_directory_path() / "parvane-bench-project-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = pattern;

    std::printf("wall-clock ms (processor ms), best of 5\n");
    std::printf("%-8s %8s %18s %18s %18s %18s %18s\n", "topics", "file MB", "save", "load",
                "(of it: parse)", "copy", "cp");
    auto cell = [](const Timing& t) {
        static char buffer[8][40];
        static int next = 0;
        char* out = buffer[next++ % 8];
        std::snprintf(out, 40, "%.1f (%.1f)", t.wall * 1e3, t.cpu * 1e3);
        return out;
    };
    std::vector<Figures> all;
    for (int topics : {10000, 100000}) {
        const Figures f = Measure(folder, topics);
        all.push_back(f);
        std::printf("%-8d %8.1f %18s %18s %18s %18s %18s\n", f.topics,
                    static_cast<double>(f.bytes) / 1e6, cell(f.save), cell(f.load), cell(f.parse),
                    cell(f.copy), cell(f.cp));
    }
    std::printf("the 100k file in Windows-1252: load %s\n", cell(all[1].load1252));
    const Figures& big = all[1];
    std::printf("load of the 100k file / copy: %.1f (%.1f); / cp: %.1f (%.1f)\n",
                big.load.wall / big.copy.wall, big.load.cpu / big.copy.cpu,
                big.load.wall / big.cp.wall, big.load.cpu / big.cp.cpu);
    std::printf("ratio 100k/10k (10.0 is linear): save %.1f (%.1f), load %.1f (%.1f)\n",
                all[1].save.wall / all[0].save.wall, all[1].save.cpu / all[0].save.cpu,
                all[1].load.wall / all[0].load.wall, all[1].load.cpu / all[0].load.cpu);
    fs::remove_all(folder);
    return 0;
}
