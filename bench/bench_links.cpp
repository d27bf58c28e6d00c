// Link scanner throughput: SplitText and GetLinkedFiles on a generated page of 10 MB with
// 100,000 links (to a handful of existing files and to external addresses), and on a
// page a tenth of that size to show that the time grows linearly.
#include "model/link_scanner.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <time.h>
#include <vector>

namespace fs = std::filesystem;
using parvane::THTMLRefer;

namespace {

// A page of about `bytes` with `links` links in all the forms the scanner knows.
std::string MakePage(std::size_t bytes, std::size_t links) {
    static const char* const kLinks[] = {
        "<a href=\"page%zu.htm\">Page</a> ",                   // missing local page
        "<img src=\"img/pic.gif\" alt=\"picture\"> ",          // existing, quoted
        "<a href=topic.htm#part>Topic</a> ",                   // existing, unquoted with fragment
        "<a href='sub/other.html'>Other</a> ",                 // existing, single quotes
        "<div style=\"background:url(img/Back.PNG)\"></div> ", // existing, ")" rule, other case
        "<a href=\"http://example.com/x%zu.htm\">Site</a> ",   // external
        "<link rel=stylesheet href=\"style.css\"> ",           // existing
        "<a href=\"sub/../topic.htm?q=1\">Again</a> ",         // existing through ".."
    };
    const std::string filler = "Version 1.2 of the text, e.g. 3.14 and more words of plain prose. ";
    std::string page = "<html><head><title>Bench</title></head><body>\r\n";
    page.reserve(bytes + 4096);
    const std::size_t perLink = bytes / links;
    char buf[256];
    for (std::size_t i = 0; i < links; ++i) {
        const std::size_t target = page.size() + perLink;
        std::snprintf(buf, sizeof buf, kLinks[i % (sizeof kLinks / sizeof kLinks[0])], i);
        page += buf;
        while (page.size() + filler.size() < target)
            page += filler;
        page.append(target > page.size() ? target - page.size() : 0, ' ');
        if (i % 8 == 7)
            page += "\r\n";
    }
    page += "</body></html>\r\n";
    return page;
}

// Best of several runs, in CPU time of this thread: on a shared machine the wall clock
// mostly measures the other processes.
template <typename F> double BestSeconds(int runs, F&& f) {
    const auto now = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    };
    double best = 1e100;
    for (int i = 0; i < runs; ++i) {
        const double t0 = now();
        f();
        best = std::min(best, now() - t0);
    }
    return best;
}

struct Figures {
    double split;
    double linked;
    int links;
    std::size_t files;
};

Figures Measure(const std::string& folder, std::size_t bytes, std::size_t links, int runs) {
    const std::string page = MakePage(bytes, links);
    const std::string file = folder + "bench.htm";
    std::ofstream(file, std::ios::binary) << page;
    THTMLRefer refer;
    std::vector<std::string> pieces;
    std::vector<std::string> files;
    Figures f{};
    f.split = BestSeconds(runs, [&] { refer.SplitText(page, folder, pieces); });
    f.links = refer.LinkCount();
    f.linked = BestSeconds(runs, [&] {
        files.clear();
        refer.GetLinkedFiles(file, files);
    });
    f.files = files.size();
    const double mb = static_cast<double>(page.size()) / 1e6;
    std::printf("%6.1f MB, %7zu links written: SplitText %7.1f ms (%6.1f MB/s, %d links split), "
                "GetLinkedFiles %7.1f ms (%6.1f MB/s, %zu files)\n",
                mb, links, f.split * 1e3, mb / f.split, f.links, f.linked * 1e3, mb / f.linked,
                f.files);
    return f;
}

// The hard case for a scan per extension: every link has an extension of its own.
double MeasureDistinctExtensions(const std::string& folder, std::size_t bytes) {
    static const char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string page;
    page.reserve(bytes + 64);
    for (std::size_t i = 0; page.size() < bytes; ++i) {
        std::string ext;
        for (std::size_t k = i, d = 0; d < 4; ++d, k /= 36)
            ext += kDigits[k % 36];
        page += "<a href=\"file." + ext + "\">x</a> ";
    }
    THTMLRefer refer;
    std::vector<std::string> pieces;
    const double t = BestSeconds(3, [&] { refer.SplitText(page, folder, pieces); });
    const double mb = static_cast<double>(page.size()) / 1e6;
    std::printf("%6.1f MB, %zu distinct extensions: SplitText %7.1f ms (%6.1f MB/s)\n", mb,
                refer.Extensions().size(), t * 1e3, mb / t);
    return t;
}

} // namespace

int main() {
    std::string pattern = (fs::temp_directory_path() / "parvane-bench-links-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return 1;
    const std::string folder = pattern + "/";
    for (const char* name :
         {"img/pic.gif", "img/back.png", "topic.htm", "sub/other.html", "style.css"}) {
        const fs::path path = fs::path(folder) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }

    const Figures small = Measure(folder, 1'000'000, 10'000, 9);
    const Figures large = Measure(folder, 10'000'000, 100'000, 5);
    std::printf("10 MB / 1 MB time ratio: SplitText %.1f, GetLinkedFiles %.1f (linear: about 10)\n",
                large.split / small.split, large.linked / small.linked);
    const double fewer = MeasureDistinctExtensions(folder, 1'000'000);
    const double more = MeasureDistinctExtensions(folder, 10'000'000);
    std::printf("10 MB / 1 MB time ratio with distinct extensions: %.1f\n", more / fewer);

    fs::remove_all(folder);
    return 0;
}
