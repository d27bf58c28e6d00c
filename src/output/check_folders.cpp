#include "output/check_folders.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace parvane {

namespace SF = StringFunc;

namespace {

std::size_t HashOf(std::string_view s) {
    return std::hash<std::string_view>()(s);
}

// Heterogeneous look-ups: a folder part is not copied to be looked up.
struct TTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return HashOf(s); }
};

} // namespace

struct TCheckFolders::TFolder {
    std::string Path; // on disk, trailing "/"
    std::uint32_t Parent = kNone;
    bool Listed = false;
    bool Readable = false;
    std::vector<TEntry> Entries; // never grows once listed
    std::string Names;           // every name, one after another: close together in memory
    // The entries by name: open addressing, each slot the upper half of the name's hash
    // and the entry's index + 1 (0: empty), so a look-up rarely touches another entry.
    std::vector<std::uint64_t> Slots;
    // The answers for the folder parts of the links written in this folder: pages of one
    // folder name the same few folders again and again.
    std::unordered_map<std::string, TFolderAnswer, TTextHash, std::equal_to<>> Folders;
    // Lower-case name -> the entries it matches, in byte order of their names; made on
    // the first name that is not found as written.
    bool FoldedMade = false;
    std::unordered_map<std::string, std::vector<std::uint32_t>> Folded;
};

namespace {

bool HasExtension(std::string_view name, std::initializer_list<std::string_view> extensions) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    const std::string ext = SF::AsciiLowerCase(std::string(name.substr(dot)));
    return std::find(extensions.begin(), extensions.end(), ext) != extensions.end();
}

} // namespace

TCheckFolders::TCheckFolders(std::string rootOnDisk) {
    auto root = std::make_unique<TFolder>();
    root->Path = Paths::IncludeTrailingSlash(rootOnDisk);
    folders_.push_back(std::move(root));
}

TCheckFolders::~TCheckFolders() = default;

const std::string& TCheckFolders::Path(std::uint32_t folder) const {
    return folders_[folder]->Path;
}

TCheckFolders::TFolder& TCheckFolders::List(std::uint32_t id) {
    TFolder& folder = *folders_[id];
    if (folder.Listed)
        return folder;
    folder.Listed = true;
    DIR* dir = ::opendir(folder.Path.c_str());
    if (!dir)
        return folder;
    folder.Readable = true;
    std::vector<std::pair<std::size_t, std::size_t>> names; // in Names: where, how long
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..")
            continue;
        TEntry entry;
        names.emplace_back(folder.Names.size(), name.size());
        folder.Names += name;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) { // some file systems leave it to a stat
            struct stat st {};
            const std::string path = folder.Path + std::string(name);
            type = ::lstat(path.c_str(), &st) != 0 ? DT_UNKNOWN
                   : S_ISLNK(st.st_mode)            ? DT_LNK
                   : S_ISREG(st.st_mode)            ? DT_REG
                   : S_ISDIR(st.st_mode)            ? DT_DIR
                                                    : DT_UNKNOWN;
        }
        // A symbolic link is for TProjectRoot to follow: it decides whether it stays inside.
        entry.Kind = type == DT_REG   ? EntryKind::File
                     : type == DT_DIR ? EntryKind::Folder
                     : type == DT_LNK ? EntryKind::Link
                                      : EntryKind::Other;
        if (entry.Kind == EntryKind::File) {
            entry.IsPage =
                HasExtension(name, {".htm", ".html", ".xhtml", ".shtml", ".shtm", ".sht"});
            entry.IsStyleSheet = HasExtension(name, {".css"});
        }
        folder.Entries.push_back(entry);
    }
    ::closedir(dir);
    for (std::size_t i = 0; i < names.size(); ++i)
        folder.Entries[i].Name = std::string_view(folder.Names).substr(names[i].first, names[i].second);
    std::size_t slots = 8;
    while (slots < 2 * folder.Entries.size())
        slots *= 2;
    folder.Slots.assign(slots, 0);
    const std::size_t mask = slots - 1;
    for (std::uint32_t i = 0; i < folder.Entries.size(); ++i) {
        const std::size_t hash = HashOf(folder.Entries[i].Name);
        std::size_t at = hash & mask;
        while (folder.Slots[at] != 0)
            at = (at + 1) & mask;
        folder.Slots[at] = (static_cast<std::uint64_t>(hash >> 32) << 32) | (i + 1);
    }
    return folder;
}

TCheckFolders::TEntry* TCheckFolders::Named(TFolder& folder, std::string_view name) {
    if (folder.Slots.empty())
        return nullptr;
    const std::size_t hash = HashOf(name);
    const std::uint64_t high = static_cast<std::uint64_t>(hash >> 32);
    const std::size_t mask = folder.Slots.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint64_t slot = folder.Slots[at];
        if (slot == 0)
            return nullptr;
        if ((slot >> 32) == high) {
            TEntry& entry = folder.Entries[(slot & 0xFFFFFFFFu) - 1];
            if (entry.Name == name)
                return &entry;
        }
    }
}

std::uint32_t TCheckFolders::Child(std::uint32_t id, TEntry& entry) {
    if (entry.Folder == kNone) {
        auto child = std::make_unique<TFolder>();
        child->Path = folders_[id]->Path + std::string(entry.Name) + "/";
        child->Parent = id;
        entry.Folder = static_cast<std::uint32_t>(folders_.size());
        folders_.push_back(std::move(child));
    }
    return entry.Folder;
}

TCheckFolders::TEntry* TCheckFolders::Find(TFolder& folder, std::string_view name,
                                           EntryKind kind, bool change, bool& exact, bool& ask,
                                           bool& later) {
    if (TEntry* found = Named(folder, name)) {
        TEntry& entry = *found;
        if (entry.Kind == EntryKind::Link) {
            ask = true;
            return nullptr;
        }
        if (entry.Kind == kind)
            return &entry;
    }
    if (!folder.FoldedMade) {
        if (!change) {
            later = true;
            return nullptr;
        }
        folder.FoldedMade = true;
        for (std::uint32_t i = 0; i < folder.Entries.size(); ++i)
            folder.Folded[SF::LowerCase(folder.Entries[i].Name)].push_back(i);
        for (auto& [key, entries] : folder.Folded)
            std::sort(entries.begin(), entries.end(), [&](std::uint32_t a, std::uint32_t b) {
                return folder.Entries[a].Name < folder.Entries[b].Name;
            });
    }
    const auto candidates = folder.Folded.find(SF::LowerCase(name));
    if (candidates == folder.Folded.end())
        return nullptr;
    for (const std::uint32_t i : candidates->second) {
        TEntry& entry = folder.Entries[i];
        if (entry.Kind == EntryKind::Link) {
            ask = true;
            return nullptr;
        }
        if (entry.Kind == kind) {
            exact = exact && entry.Name == name;
            return &entry;
        }
    }
    return nullptr;
}

TCheckFolders::TAnswer TCheckFolders::Walk(std::uint32_t from, std::string_view link,
                                           bool change) {
    TAnswer answer;
    if (from == kNone || link.empty() || link[0] == '/' ||
        link.find('\0') != std::string_view::npos)
        return answer;
    const std::size_t slash = link.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? link : link.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") // a folder: only the disk can tell
        return answer;
    std::uint32_t folder = from;
    if (slash != std::string_view::npos) {
        const TFolderAnswer path = WalkFolders(from, link.substr(0, slash + 1), change);
        if (path.What != Outcome::Folder) {
            answer.What = path.What;
            return answer;
        }
        folder = path.Folder;
        answer.Exact = path.Exact;
    }
    if (!change && !folders_[folder]->Listed) {
        answer.What = Outcome::Later;
        return answer;
    }
    TFolder& listing = List(folder);
    if (!listing.Readable)
        return answer;
    bool ask = false, later = false;
    TEntry* entry = Find(listing, name, EntryKind::File, change, answer.Exact, ask, later);
    if (later)
        answer.What = Outcome::Later;
    if (ask || later)
        return answer;
    answer.In = folder;
    if (entry) {
        answer.What = Outcome::File;
        answer.Entry = entry;
        return answer;
    }
    // A folder written exactly is no missing file: servers answer it with its index.
    const TEntry* named = Named(listing, name);
    answer.What = answer.Exact && named && named->Kind == EntryKind::Folder ? Outcome::Folder
                                                                           : Outcome::Missing;
    return answer;
}

void TCheckFolders::Prefetch(std::uint32_t from, const std::vector<std::string_view>& links) const {
    if (from == kNone || from >= folders_.size())
        return;
    struct TProbe {
        const TFolder* Folder;
        std::size_t Hash;
    };
    thread_local std::vector<TProbe> probes;
    probes.clear();
    // First the slots of the names, then the entries they lead to, then the names
    // themselves: each round asks for all links' lines before the next needs them.
    for (const std::string_view link : links) {
        const std::size_t slash = link.rfind('/');
        const TFolder* folder = folders_[from].get();
        if (slash != std::string_view::npos) {
            const auto found = folder->Folders.find(link.substr(0, slash + 1));
            if (found == folder->Folders.end() || found->second.What != Outcome::Folder)
                continue;
            folder = folders_[found->second.Folder].get();
        }
        if (!folder->Listed || folder->Slots.empty())
            continue;
        const std::size_t hash =
            HashOf(slash == std::string_view::npos ? link : link.substr(slash + 1));
        __builtin_prefetch(&folder->Slots[hash & (folder->Slots.size() - 1)]);
        probes.push_back({folder, hash});
    }
    auto entryOf = [](const TProbe& probe) -> const TEntry* {
        const TFolder& folder = *probe.Folder;
        const std::uint64_t high = static_cast<std::uint64_t>(probe.Hash >> 32);
        const std::size_t mask = folder.Slots.size() - 1;
        for (std::size_t at = probe.Hash & mask;; at = (at + 1) & mask) {
            const std::uint64_t slot = folder.Slots[at];
            if (slot == 0)
                return nullptr;
            if ((slot >> 32) == high)
                return &folder.Entries[(slot & 0xFFFFFFFFu) - 1];
        }
    };
    for (const TProbe& probe : probes)
        if (const TEntry* entry = entryOf(probe))
            __builtin_prefetch(entry);
    for (const TProbe& probe : probes)
        if (const TEntry* entry = entryOf(probe))
            __builtin_prefetch(entry->Name.data());
    if (probes.capacity() > (std::size_t{1} << 16)) // not kept after an unusually large page
        std::vector<TProbe>().swap(probes);
}

TCheckFolders::TFolderAnswer TCheckFolders::WalkFolders(std::uint32_t from,
                                                        std::string_view folders, bool change) {
    auto& known = folders_[from]->Folders;
    if (const auto found = known.find(folders); found != known.end())
        return found->second;
    TFolderAnswer answer;
    if (!change) {
        answer.What = Outcome::Later;
        return answer;
    }
    std::uint32_t folder = from;
    bool named = false; // ".." after a name is collapsed as text: the disk decides that
    std::size_t pos = 0;
    for (;;) {
        if (pos == folders.size()) {
            answer.What = Outcome::Folder;
            answer.Folder = folder;
            break;
        }
        const std::size_t slash = folders.find('/', pos);
        const std::string_view name = folders.substr(pos, slash - pos);
        pos = slash + 1;
        if (name.empty()) // "a//b"
            break;
        if (name == ".")
            continue;
        if (name == "..") {
            if (named || folder == kRoot)
                break;
            folder = folders_[folder]->Parent;
            continue;
        }
        named = true;
        TFolder& listing = List(folder);
        if (!listing.Readable)
            break;
        bool ask = false, later = false;
        TEntry* entry = Find(listing, name, EntryKind::Folder, change, answer.Exact, ask, later);
        if (ask)
            break;
        if (!entry) {
            // "missing/../x" collapses to "x": only the disk can tell what it is.
            if (folders.find("..", pos) == std::string_view::npos)
                answer.What = Outcome::Missing;
            break;
        }
        folder = Child(folder, *entry);
    }
    return folders_[from]->Folders.emplace(std::string(folders), answer).first->second;
}

std::optional<std::string> TCheckFolders::RealLink(std::uint32_t from, std::string_view link,
                                                   bool change) {
    std::string out;
    std::uint32_t folder = from;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t slash = link.find('/', pos);
        const bool last = slash == std::string_view::npos;
        const std::string_view name = link.substr(pos, last ? std::string_view::npos : slash - pos);
        pos = slash + 1;
        if (name == "..") {
            folder = folders_[folder]->Parent;
            out += name;
        } else if (name.empty() || name == ".") {
            out += name;
        } else {
            if (!change && !folders_[folder]->Listed)
                return std::nullopt;
            bool exact = true, ask = false, later = false;
            TEntry* entry = Find(List(folder), name, last ? EntryKind::File : EntryKind::Folder,
                                 change, exact, ask, later);
            if (later || (!last && !change && entry && entry->Folder == kNone))
                return std::nullopt;
            if (!entry || ask) // never for a link Walk answered
                return std::string(link);
            out += entry->Name;
            if (!last)
                folder = Child(folder, *entry);
        }
        if (last)
            return out;
        out += '/';
    }
}

std::uint32_t TCheckFolders::FolderOf(std::string_view path) {
    const std::string& root = folders_[kRoot]->Path;
    if (path.size() < root.size() || path.compare(0, root.size(), root) != 0 || path.back() != '/')
        return kNone;
    std::uint32_t folder = kRoot;
    std::size_t pos = root.size();
    while (pos < path.size()) {
        const std::size_t slash = path.find('/', pos);
        const std::string_view name = path.substr(pos, slash - pos);
        pos = slash + 1;
        TEntry* entry = Named(List(folder), name);
        if (!entry || entry->Kind != EntryKind::Folder)
            return kNone;
        folder = Child(folder, *entry);
    }
    return folder;
}

} // namespace parvane
