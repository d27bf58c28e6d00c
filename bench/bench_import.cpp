// Folder import speed: a generated site of N pages (default 50,000; 4 KB pages with a title,
// in nested folders with numbered, mixed-case names, plus pictures and style sheets that
// the import skips) imported as the wizard does (keep structure, titles read from the
// pages), compared with `cp -r` of the same folder in the same run. The folder is written
// in shuffled order so the file system's own listing order is no help.
//
//   bench_import [PAGES...]      (default: 50000)

#include "bench_support.h"
#include "model/natural_order.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "wizard/new_project.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

using namespace parvane;
namespace fs = std::filesystem;
using namespace parvane::bench;

namespace {

// Relative paths of the site's files: 50 sections of folders of at most 100 pages.
std::vector<std::string> SiteFiles(int pages) {
    std::vector<std::string> files;
    for (int i = 0; i < pages; ++i) {
        const int section = i % 50;
        const int folder = i / 5000;
        files.push_back((section % 2 ? "Section" : "section") + std::to_string(section) + "/part" +
                        std::to_string(folder) + "/" + (i % 3 ? "Page" : "page") +
                        std::to_string(i) + ".html");
        if (i % 10 == 0)
            files.push_back("section" + std::to_string(section) + "/img/pic" + std::to_string(i) +
                            ".png");
    }
    for (int i = 0; i < 200; ++i)
        files.push_back("assets/fonts/font" + std::to_string(i) + ".woff2");
    return files;
}

std::string PageText(const std::string& name) {
    std::string text = "<html><head><title>" + name +
                       "</title><link rel=\"stylesheet\" href=\"../../site.css\"></head><body>\n";
    while (text.size() < 4000)
        text += "<p>Some words of the page " + name + ", long enough to look like a page.</p>\n";
    return text + "</body></html>\n";
}

struct TTimes {
    double import = 0, importCpu = 0, copy = 0, copyCpu = 0;
    int topics = 0;
};

TTimes Run(const std::string& work, int pages) {
    const std::string root = work + "site/";
    std::vector<std::string> files = SiteFiles(pages);
    std::shuffle(files.begin(), files.end(), std::mt19937(1));
    for (const std::string& f : files)
        Write(root + f, f.ends_with(".html") ? PageText(fs::path(f).stem().string()) : "binary");

    TTimes t;
    // Best of two runs each, alternating, so neither gets only a cold cache.
    for (int round = 0; round < 2; ++round) {
        fs::remove_all(work + "copy");
        const double childCpu = CpuSeconds(RUSAGE_CHILDREN);
        const auto copyStart = Clock::now();
        const std::string cp = "cp -r '" + root + "' '" + work + "copy'";
        if (std::system(cp.c_str()) != 0)
            std::fprintf(stderr, "cp -r failed\n");
        const double copy = Seconds(copyStart);
        const double copyCpu = CpuSeconds(RUSAGE_CHILDREN) - childCpu;

        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        project.ProjectSettings.RootDir = root;
        project.ProjectSettings.Encoding = "UTF-8";
        const double cpu = CpuSeconds(RUSAGE_SELF);
        const auto start = Clock::now();
        tree.BeginUpdate();
        ImportFolder(project, project.ContentsRoot(), root, 0, tmHtmlTitle, true);
        tree.EndUpdate();
        const double import = Seconds(start);
        const double importCpu = CpuSeconds(RUSAGE_SELF) - cpu;
        if (round == 0 || import < t.import) {
            t.import = import;
            t.importCpu = importCpu;
        }
        if (round == 0 || copy < t.copy) {
            t.copy = copy;
            t.copyCpu = copyCpu;
        }
        t.topics = tree.Count();
    }
    fs::remove_all(work);
    return t;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {50000};
    // The sort alone: every name of the largest site in one list, the worst case (a real
    // import sorts one folder at a time).
    for (int pages : sizes) {
        std::vector<std::string> names;
        for (const std::string& f : SiteFiles(pages))
            names.push_back(fs::path(f).filename().string());
        std::shuffle(names.begin(), names.end(), std::mt19937(2));
        const auto start = Clock::now();
        SortNames(names);
        std::printf("name order of %zu names in one list: %.1f ms\n", names.size(),
                    Seconds(start) * 1000);
        std::fflush(stdout);
    }
    std::printf("| pages | topics | import s (cpu) | cp -r s (cpu) | import / cp -r |\n");
    std::printf("|---:|---:|---:|---:|---:|\n");
    for (int pages : sizes) {
        std::string work = (fs::temp_directory_path() / "parvane-bench-import-XXXXXX").string();
        if (!::mkdtemp(work.data()))
            return 1;
        const TTimes t = Run(work + "/", pages);
        std::printf("| %d | %d | %.2f (%.2f) | %.2f (%.2f) | %.2f |\n", pages, t.topics, t.import,
                    t.importCpu, t.copy, t.copyCpu, t.import / t.copy);
        std::fflush(stdout);
    }
    return 0;
}
