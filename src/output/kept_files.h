#pragma once
// The bytes of pages the file collection has read, kept for the step that writes them, so
// that a page is read from disk once in a build. What is kept is bounded: pages beyond the
// limit are read again when they are written, as they always were.

#include <absl/container/flat_hash_map.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace parvane {

class TKeptFiles {
public:
    // What a Web Help build keeps at most: all the pages of a project of ordinary size,
    // and a small share of a large reference, within the build's memory goal.
    static constexpr std::size_t kPagesLimit = std::size_t{64} << 20;

    // Keeps nothing until a limit is set.
    TKeptFiles() = default;
    TKeptFiles(const TKeptFiles&) = delete;
    TKeptFiles& operator=(const TKeptFiles&) = delete;

    void SetLimit(std::size_t bytes) {
        limit_ = bytes;
        wanted_.store(used_ < limit_, std::memory_order_relaxed);
    }
    // Whether more files may still be kept: readers on other threads ask before they hand
    // their bytes over (a late answer only costs a page that is not kept).
    bool Wanted() const { return wanted_.load(std::memory_order_relaxed); }

    // Keeps the bytes of path when there is room; a path kept before keeps its first bytes.
    // On one thread, before any Take.
    void Keep(const std::string& path, std::string&& bytes);

    // The bytes kept for path, handed out once: a later Take of the same path, or of a path
    // never kept, finds nothing and the caller reads the file. Safe on several threads at
    // once, as long as nothing is kept meanwhile.
    std::optional<std::string> Take(const std::string& path);

    std::size_t KeptBytes() const { return used_; }

private:
    struct TEntry {
        std::string Bytes;
        std::atomic<bool> Taken{false};
    };
    absl::flat_hash_map<std::string, std::unique_ptr<TEntry>> files_;
    std::size_t limit_ = 0;
    std::size_t used_ = 0;
    std::atomic<bool> wanted_{false};
};

} // namespace parvane
