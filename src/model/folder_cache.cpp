#include "model/folder_cache.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <dirent.h>
#include <sys/stat.h>

namespace parvane {

namespace {

thread_local TFolderCache* activeCache = nullptr;

// StartsWithText, quick on the ASCII paths nearly every check has: asked for every path.
bool StartsWithFolder(std::string_view path, std::string_view folder) {
    if (path.size() < folder.size())
        return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        const auto a = static_cast<unsigned char>(path[i]);
        const auto b = static_cast<unsigned char>(folder[i]);
        if (a >= 0x80 || b >= 0x80)
            return StringFunc::StartsWithText(path, folder);
        if (a != b && (a | 0x20) != (b | 0x20))
            return false;
        if (a != b && !((a | 0x20) >= 'a' && (a | 0x20) <= 'z'))
            return false;
    }
    return true;
}

} // namespace

struct TFolderCache::TListing {
    bool Readable = false;
    std::vector<TEntry> Entries;                             // in the order the folder gives them
    std::unordered_map<std::string_view, std::size_t> Exact; // name -> entry
    std::unordered_map<std::string, std::size_t> Folded;     // folded name -> first entry
};

TFolderCache::TFolderCache(std::string_view root)
    : root_(Paths::IncludeTrailingSlash(Paths::ToNative(root))) {}

TFolderCache::~TFolderCache() = default;

TFolderCache* TFolderCache::Active() {
    return activeCache;
}

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
    folders_.clear();
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
        const std::string_view bare = std::string_view(folder).substr(0, folder.size() - 1);
        if (StartsWithFolder(path, folder) ||
            (path.size() == bare.size() && StartsWithFolder(path, bare)))
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
                entry.Link = true;
                entry.Kind = EntryKind::Unknown; // asked of the disk when it matters
                break;
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
        // Several names may match without regard to case: the first in byte order, as on
        // the disk (Paths::ResolveExisting).
        const auto [folded, added] = listing.Folded.try_emplace(StringFunc::LowerCase(name), i);
        if (!added && name < listing.Entries[folded->second].Name)
            folded->second = i;
    }
    return listing;
}

TFolderCache::EntryKind TFolderCache::KindOf(const std::string& folder, const TEntry& entry) const {
    if (entry.Kind == EntryKind::Unknown) {
        // A symbolic link counts as what it points to, as the checks on the disk take it.
        struct stat st {};
        const std::string path = folder + entry.Name;
        if (!entry.Link && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            entry.Link = true;
        if (::stat(path.c_str(), &st) != 0)
            entry.Kind = EntryKind::Other;
        else
            entry.Kind = S_ISREG(st.st_mode)   ? EntryKind::File
                         : S_ISDIR(st.st_mode) ? EntryKind::Folder
                                               : EntryKind::Other;
    }
    return entry.Kind;
}

std::string TFolderCache::TWalk::Path() const {
    if (!Found)
        return {};
    std::string path = *Folder;
    if (Entry)
        path += Entry->Name;
    if (Entry && Trailing)
        path += '/';
    if (!Entry && !Trailing)
        path.pop_back();
    return path;
}

const TFolderCache::TFolderRef& TFolderCache::Folder(std::string_view folder) {
    if (const auto found = folders_.find(folder); found != folders_.end())
        return found->second;
    TFolderRef ref;
    if (folder == root_) {
        const TListing& listing = Listing(root_);
        // No root as written: the disk's own walk may still find it in other case.
        if (listing.Readable) {
            ref.Answered = true;
            ref.Resolved = root_;
            ref.Listing = &listing;
        }
    } else {
        const TWalk walk = Walk(folder);
        ref.Answered = walk.Answered;
        // A folder reached through a symbolic link may lie outside the root: it is never
        // listed here, and what lies in it is asked of the disk by its exact name first.
        if (walk.Found && walk.Entry && KindOf(*walk.Folder, *walk.Entry) == EntryKind::Folder &&
            walk.Entry->Link) {
            ref.Answered = false;
        } else if (walk.Found && walk.Entry &&
                   KindOf(*walk.Folder, *walk.Entry) == EntryKind::Folder) {
            ref.Resolved = walk.Path();
            ref.Listing = &Listing(ref.Resolved);
            if (!ref.Listing->Readable)
                ref.Resolved.clear();
        }
    }
    return folders_.emplace(std::string(folder), std::move(ref)).first->second;
}

TFolderCache::TWalk TFolderCache::Walk(std::string_view path) {
    TWalk walk;
    if (!Covers(path))
        return walk;
    walk.Trailing = path.back() == '/';
    const std::string_view body = walk.Trailing ? path.substr(0, path.size() - 1) : path;
    if (body.size() < root_.size()) { // the root itself
        const TFolderRef& root = Folder(root_);
        if (!root.Answered)
            return walk;
        walk.Answered = walk.Found = true;
        walk.Folder = &root.Resolved;
        return walk;
    }
    const std::size_t slash = body.rfind('/');
    const std::string_view name = body.substr(slash + 1);
    // Empty, "." and ".." components are left to the disk: they do not name an entry.
    if (name.empty() || name == "." || name == "..")
        return walk;
    const TFolderRef& folder = Folder(body.substr(0, slash + 1));
    if (!folder.Answered)
        return walk;
    walk.Answered = true;
    if (folder.Resolved.empty())
        return walk; // no such folder, or a file where a folder is asked for
    const TListing& listing = *folder.Listing;
    std::size_t index;
    if (const auto exact = listing.Exact.find(name); exact != listing.Exact.end()) {
        index = exact->second;
    } else if (const auto folded = listing.Folded.find(StringFunc::LowerCase(name));
               folded != listing.Folded.end()) {
        index = folded->second;
    } else {
        return walk;
    }
    walk.Found = true;
    walk.Entry = &listing.Entries[index];
    walk.Folder = &folder.Resolved;
    return walk;
}

std::optional<std::string> TFolderCache::Resolve(std::string_view path) {
    std::lock_guard lock(mutex_);
    const TWalk walk = Walk(path);
    if (!walk.Answered)
        return std::nullopt;
    return walk.Path();
}

std::optional<bool> TFolderCache::Is(std::string_view path, bool isFolder) {
    std::lock_guard lock(mutex_);
    const TWalk walk = Walk(path);
    if (!walk.Answered)
        return std::nullopt;
    if (!walk.Found)
        return false;
    if (!walk.Entry)
        return isFolder; // the root itself
    const EntryKind kind = KindOf(*walk.Folder, *walk.Entry);
    return isFolder ? kind == EntryKind::Folder : kind == EntryKind::File;
}

TFolderCacheScope::TFolderCacheScope(TFolderCache* cache) : previous_(activeCache) {
    activeCache = cache;
}

TFolderCacheScope::~TFolderCacheScope() {
    activeCache = previous_;
}

} // namespace parvane
