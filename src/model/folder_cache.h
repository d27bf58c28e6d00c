#pragma once
// Existence checks for the length of a build. A build asks whether tens of thousands of
// linked files exist, many of them in the same folders of thousands of pages; every miss
// and every link in other letter case would otherwise read a whole folder listing again.
// A TFolderCache lists each folder below the project root once, on first use, and answers
// from the listings what Paths::ResolveExisting, FileExists and FolderExists would answer
// from the disk. It is installed for one thread (and the workers that thread starts) with
// TFolderCacheScope; Paths consults the installed cache through TFolderCache::Active.
//
// The project's folders are taken not to change while a build reads them. Folders the
// build writes into are excluded (Exclude) and always answered from the disk.

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parvane {

class TFolderCache {
public:
    // Answers for paths below root (absolute, native); everything else goes to the disk.
    explicit TFolderCache(std::string_view root);
    ~TFolderCache();
    TFolderCache(const TFolderCache&) = delete;
    TFolderCache& operator=(const TFolderCache&) = delete;

    // A folder the build empties or writes into: paths in it are never answered from the
    // cache, and what was read of it and of its parent is forgotten.
    void Exclude(std::string_view folder);

    // What Paths::ResolveExisting returns for path, or nothing when the cache does not
    // answer for it (outside the root, excluded, relative, holding "." or "..").
    std::optional<std::string> Resolve(std::string_view path);
    // Whether path is a regular file (isFolder false) or a folder (true), or nothing when
    // the cache does not answer for it.
    std::optional<bool> Is(std::string_view path, bool isFolder);

    // The cache installed for the calling thread, or nullptr.
    static TFolderCache* Active();
    // Folder listings read from the disk so far.
    std::size_t FoldersRead() const;

private:
    friend class TFolderCacheScope;
    enum class EntryKind : unsigned char { Unknown, File, Folder, Other };
    struct TListing;
    struct TEntry {
        std::string Name;
        mutable EntryKind Kind = EntryKind::Unknown;
        mutable bool Link = false; // a symbolic link (known once Kind is)
    };
    struct TWalk {
        bool Answered = false;
        bool Found = false;
        bool Trailing = false;               // the path ended in "/"
        const TEntry* Entry = nullptr;       // nullptr: the root itself
        const std::string* Folder = nullptr; // the folder Entry lies in, as on disk, with "/"
        std::string Path() const;            // the path as on disk
    };
    // Heterogeneous look-ups: a path is not copied to be looked up.
    struct TPathHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>{}(s);
        }
    };
    // A folder as written (trailing "/") and what it resolved to: nullptr when the cache
    // does not answer for it, else its listing ("" resolved: no such folder).
    struct TFolderRef {
        bool Answered = false;
        std::string Resolved;
        const TListing* Listing = nullptr;
    };
    bool Covers(std::string_view path) const;
    const TFolderRef& Folder(std::string_view folder);
    TWalk Walk(std::string_view path);
    const TListing& Listing(const std::string& folder);
    EntryKind KindOf(const std::string& folder, const TEntry& entry) const;

    std::string root_;                  // with trailing "/"
    std::vector<std::string> excluded_; // with trailing "/"
    std::unordered_map<std::string, std::unique_ptr<TListing>> listings_;
    // By the folder as written.
    std::unordered_map<std::string, TFolderRef, TPathHash, std::equal_to<>> folders_;
    std::size_t foldersRead_ = 0;
    mutable std::mutex mutex_;
};

// Installs a cache for the calling thread while it lives; restores the previous one.
class TFolderCacheScope {
public:
    explicit TFolderCacheScope(TFolderCache* cache);
    ~TFolderCacheScope();
    TFolderCacheScope(const TFolderCacheScope&) = delete;
    TFolderCacheScope& operator=(const TFolderCacheScope&) = delete;

private:
    TFolderCache* previous_;
};

} // namespace parvane
