#include "output/kept_files.h"

#include <algorithm>

namespace parvane {

void TKeptFiles::Keep(const std::string& path, std::string&& bytes) {
    if (limit_ == 0)
        return;
    const auto [it, added] = files_.try_emplace(path);
    if (!added)
        return;
    if (bytes.size() > limit_ - std::min(used_, limit_)) {
        files_.erase(it);
        wanted_.store(false, std::memory_order_relaxed); // full: the rest are read again
        return;
    }
    used_ += bytes.size();
    it->second = std::make_unique<TEntry>();
    it->second->Bytes = std::move(bytes);
}

std::optional<std::string> TKeptFiles::Take(const std::string& path) {
    const auto it = files_.find(path);
    if (it == files_.end() || it->second->Taken.exchange(true, std::memory_order_acq_rel))
        return std::nullopt;
    // The one taker owns the bytes now; the memory goes with the page it is written into.
    return std::move(it->second->Bytes);
}

} // namespace parvane
