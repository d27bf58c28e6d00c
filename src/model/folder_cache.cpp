#include "model/folder_cache.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <dirent.h>
#include <sys/stat.h>

namespace parvane {

namespace {

thread_local TFolderCache* activeCache = nullptr;

} // namespace

struct TFolderCache::TListing {
    bool Readable = false;
    std::vector<TEntry> Entries; // in the order the folder gives them
    std::unordered_map<std::string_view, std::size_t> Exact;  // name -> entry
    std::unordered_map<std::string, std::size_t> Folded;       // folded name -> first entry
};

TFolderCache::TFolderCache(std::string_view root)
    : root_(Paths::IncludeTrailingSlash(Paths::ToNative(root))) {}

TFolderCache::~TFolderCache() = default;

TFolderCache* TFolderCache::Active() { return activeCache; }

std::size_t TFolderCache::FoldersRead() const {
    std::lock_guard lock(mutex_);
    return foldersRead_;
}

void TFolderCache::Exclude(std::string_view folderIn) {
    const std::string folder = Paths::IncludeTrailingSlash(Paths::ToNative(folderIn));
    if (folder.empty())
        return;
    std::lock_guard lock(mutex_);
    excluded_.push_back(folder);
    // The build may create the folder or change what is in it.
    const std::string parent = Paths::ExtractFilePath(Paths::ExcludeTrailingSlash(folder));
    for (auto it = listings_.begin(); it != listings_.end();) {
        if (StringFunc::StartsWithText(it->first, folder) || it->first == parent)
            it = listings_.erase(it);
        else
            ++it;
    }
}

bool TFolderCache::Covers(std::string_view path) const {
    if (root_.size() < 2 || path.size() < root_.size() - 1)
        return false;
    // The root itself, with or without its "/", or a path below it.
    if (path.compare(0, root_.size() - 1, root_, 0, root_.size() - 1) != 0)
        return false;
    if (path.size() > root_.size() - 1 && path[root_.size() - 1] != '/')
        return false;
    for (const std::string& folder : excluded_) {
        if (StringFunc::StartsWithText(path, folder) ||
            StringFunc::SameText(path, std::string_view(folder).substr(0, folder.size() - 1)))
            return false;
    }
    return true;
}

const TFolderCache::TListing& TFolderCache::Listing(const std::string& folder) {
    auto [it, added] = listings_.try_emplace(folder);
    if (!added)
        return *it->second;
    it->second = std::make_unique<TListing>();
    TListing& listing = *it->second;
    ++foldersRead_;
    if (DIR* dir = ::opendir(folder.c_str())) {
        listing.Readable = true;
        while (const dirent* e = ::readdir(dir)) {
            const std::string_view name(e->d_name);
            if (name == "." || name == "..")
                continue;
            TEntry entry;
            entry.Name.assign(name);
            switch (e->d_type) {
            case DT_REG:
                entry.Kind = EntryKind::File;
                break;
            case DT_DIR:
                entry.Kind = EntryKind::Folder;
                break;
            case DT_LNK:
            case DT_UNKNOWN:
                entry.Kind = EntryKind::Unknown; // asked of the disk when it matters
                break;
            default:
                entry.Kind = EntryKind::Other;
                break;
            }
            listing.Entries.push_back(std::move(entry));
        }
        ::closedir(dir);
    }
    listing.Exact.reserve(listing.Entries.size());
    listing.Folded.reserve(listing.Entries.size());
    for (std::size_t i = 0; i < listing.Entries.size(); ++i) {
        const std::string& name = listing.Entries[i].Name;
        listing.Exact.emplace(name, i);
        listing.Folded.emplace(StringFunc::LowerCase(name), i);
    }
    return listing;
}

TFolderCache::EntryKind TFolderCache::KindOf(const std::string& folder, const TEntry& entry) const {
    if (entry.Kind == EntryKind::Unknown) {
        // A symbolic link counts as what it points to, as the checks on the disk take it.
        struct stat st {};
        if (::stat((folder + entry.Name).c_str(), &st) != 0)
            entry.Kind = EntryKind::Other;
        else
            entry.Kind = S_ISREG(st.st_mode)   ? EntryKind::File
                         : S_ISDIR(st.st_mode) ? EntryKind::Folder
                                               : EntryKind::Other;
    }
    return entry.Kind;
}

TFolderCache::TWalk TFolderCache::Walk(std::string_view path) {
    TWalk walk;
    if (!Covers(path))
        return walk;
    const bool trailing = path.back() == '/';
    std::string resolved = root_;
    std::size_t pos = root_.size();
    const TEntry* entry = nullptr;
    std::string folder;
    while (pos < path.size()) {
        std::size_t end = path.find('/', pos);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(pos, end - pos);
        // Empty, "." and ".." components are left to the disk: they do not name an entry.
        if (part.empty() || part == "." || part == "..")
            return walk;
        for (const std::string& excluded : excluded_)
            if (StringFunc::StartsWithText(resolved, excluded))
                return walk;
        if (entry && KindOf(folder, *entry) != EntryKind::Folder) {
            walk.Answered = true; // a file cannot hold anything
            return walk;
        }
        const TListing& listing = Listing(resolved);
        if (!listing.Readable) {
            if (resolved == root_)
                return walk; // no root: the disk's own walk may still find it in other case
            walk.Answered = true;
            return walk;
        }
        std::size_t index;
        if (const auto exact = listing.Exact.find(part); exact != listing.Exact.end()) {
            index = exact->second;
        } else if (const auto folded = listing.Folded.find(StringFunc::LowerCase(part));
                   folded != listing.Folded.end()) {
            index = folded->second;
        } else {
            walk.Answered = true;
            return walk;
        }
        folder = resolved;
        entry = &listing.Entries[index];
        resolved += entry->Name;
        resolved += '/';
        pos = end + 1;
    }
    if (!entry && !Listing(root_).Readable)
        return walk; // the root itself, which is not there as written
    if (!trailing && resolved.size() > 1)
        resolved.pop_back();
    walk.Answered = true;
    walk.Resolved = std::move(resolved);
    walk.Entry = entry;
    walk.Folder = std::move(folder);
    return walk;
}

std::optional<std::string> TFolderCache::Resolve(std::string_view path) {
    std::lock_guard lock(mutex_);
    TWalk walk = Walk(path);
    if (!walk.Answered)
        return std::nullopt;
    return std::move(walk.Resolved);
}

std::optional<bool> TFolderCache::Is(std::string_view path, bool isFolder) {
    std::lock_guard lock(mutex_);
    const TWalk walk = Walk(path);
    if (!walk.Answered)
        return std::nullopt;
    if (walk.Resolved.empty())
        return false;
    if (!walk.Entry)
        return isFolder; // the root itself
    const EntryKind kind = KindOf(walk.Folder, *walk.Entry);
    return isFolder ? kind == EntryKind::Folder : kind == EntryKind::File;
}

TFolderCacheScope::TFolderCacheScope(TFolderCache* cache) : previous_(activeCache) {
    activeCache = cache;
}

TFolderCacheScope::~TFolderCacheScope() { activeCache = previous_; }

} // namespace parvane
