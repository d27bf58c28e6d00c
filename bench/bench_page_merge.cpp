// Saving an edited page: the merge of the browser's edits into the page as written, for
// pages of growing size in two forms: as the browser writes them (few differences) and as
// old tools write them (CR LF, upper case, every paragraph and item without its end tag).
// Prints milliseconds per merge; the figures go into docs/PERFORMANCE.md.

#include "bench_support.h"
#include "editor/page_merge.h"

#include <cstdio>
#include <string>

using namespace parvane;
using namespace parvane::bench;

namespace {

struct TPages {
    std::string Page, Loaded, Edited;
};

TPages MakePages(int paragraphs, bool oldStyle) {
    TPages pages;
    pages.Page = oldStyle ? "<HTML><BODY>\r\n" : "<html><head></head><body>\n";
    pages.Loaded = "<html><head></head><body>\n";
    for (int i = 0; i < paragraphs; ++i) {
        const std::string n = std::to_string(i);
        const std::string text = "Paragraph " + n + " with some text &amp; a link to <a href=\"p" +
                                 n + ".htm\">page " + n + "</a>";
        pages.Page += oldStyle ? "<P>" + text + "\r\n<UL><LI>item " + n + "</UL>\r\n"
                               : "<p>" + text + "\n</p><ul><li>item " + n + "</li></ul>\n";
        pages.Loaded += "<p>" + text + "\n</p><ul><li>item " + n + "</li></ul>\n";
    }
    pages.Page += oldStyle ? "</BODY></HTML>\r\n" : "\n</body></html>";
    pages.Loaded += "\n</body></html>";
    pages.Edited = pages.Loaded;
    const std::string mark = "Paragraph " + std::to_string(paragraphs * 2 / 3) + " with";
    pages.Edited.replace(pages.Edited.find(mark), mark.size(), mark + "x");
    return pages;
}

} // namespace

int main() {
    std::printf(
        "| paragraphs | page | form | merge (ms) | cpu (ms) |\n|---:|---:|---|---:|---:|\n");
    for (int paragraphs : {1000, 10000, 40000}) {
        for (bool oldStyle : {false, true}) {
            const TPages pages = MakePages(paragraphs, oldStyle);
            const double cpu = CpuSeconds(RUSAGE_SELF);
            const auto start = Clock::now();
            const std::string merged = MergePageEdits(pages.Page, pages.Loaded, pages.Edited);
            const double wall = Seconds(start);
            if (merged.size() != pages.Page.size() + 1) {
                std::fprintf(stderr, "merge changed more than the edit\n");
                return 1;
            }
            std::printf("| %d | %.1f MB | %s | %.1f | %.1f |\n", paragraphs,
                        static_cast<double>(pages.Page.size()) / 1e6,
                        oldStyle ? "old tools" : "browser's", wall * 1e3,
                        (CpuSeconds(RUSAGE_SELF) - cpu) * 1e3);
        }
    }
    return 0;
}
