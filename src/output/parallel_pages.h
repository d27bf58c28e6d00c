#pragma once
// How many threads the per-page work of a build (reading, rewriting links, templating,
// writing) runs on; the work itself is handed out by ForEachInOrderHelping
// (ordered_work.h), which gives everything back in page order on the calling thread.

#include <algorithm>
#include <cstddef>
#include <thread>

namespace parvane {

// The threads a build may use for `requested` (0: one per core).
int BuildThreads(int requested);
// The same, never more than there is work for.
int PageThreads(int requested, std::size_t work);

} // namespace parvane
