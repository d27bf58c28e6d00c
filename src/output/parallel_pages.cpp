#include "output/parallel_pages.h"

namespace parvane {

int BuildThreads(int requested) {
    if (requested > 0)
        return requested;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}

int PageThreads(int requested, std::size_t work) {
    const int threads = BuildThreads(requested);
    // A thread is worth starting for a few pages, not for one.
    const std::size_t useful = std::max<std::size_t>(1, work / 4);
    return static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), useful));
}

} // namespace parvane
