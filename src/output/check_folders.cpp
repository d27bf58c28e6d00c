#include "output/check_folders.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace parvane {

namespace SF = StringFunc;

struct TCheckFolders::TFolder {
    std::string Path; // on disk, trailing "/"
    std::uint32_t Parent = kNone;
    bool Listed = false;
    bool Readable = false;
    std::vector<TEntry> Entries; // never grows once listed: Exact holds views of the names
    std::unordered_map<std::string_view, std::uint32_t> Exact;
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
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..")
            continue;
        TEntry entry;
        entry.Name.assign(name);
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) { // some file systems leave it to a stat
            struct stat st {};
            const std::string path = folder.Path + entry.Name;
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
                HasExtension(entry.Name, {".htm", ".html", ".xhtml", ".shtml", ".shtm", ".sht"});
            entry.IsStyleSheet = HasExtension(entry.Name, {".css"});
        }
        folder.Entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    folder.Exact.reserve(folder.Entries.size());
    for (std::uint32_t i = 0; i < folder.Entries.size(); ++i)
        folder.Exact.emplace(folder.Entries[i].Name, i);
    return folder;
}

std::uint32_t TCheckFolders::Child(std::uint32_t id, TEntry& entry) {
    if (entry.Folder == kNone) {
        auto child = std::make_unique<TFolder>();
        child->Path = folders_[id]->Path + entry.Name + "/";
        child->Parent = id;
        entry.Folder = static_cast<std::uint32_t>(folders_.size());
        folders_.push_back(std::move(child));
    }
    return entry.Folder;
}

TCheckFolders::TEntry* TCheckFolders::Find(TFolder& folder, std::string_view name,
                                           EntryKind kind, bool& exact, bool& ask) {
    if (const auto found = folder.Exact.find(name); found != folder.Exact.end()) {
        TEntry& entry = folder.Entries[found->second];
        if (entry.Kind == EntryKind::Link) {
            ask = true;
            return nullptr;
        }
        if (entry.Kind == kind)
            return &entry;
    }
    if (!folder.FoldedMade) {
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

TCheckFolders::TAnswer TCheckFolders::Walk(std::uint32_t from, std::string_view link) {
    TAnswer answer;
    if (from == kNone || link.empty() || link[0] == '/' ||
        link.find('\0') != std::string_view::npos)
        return answer;
    std::uint32_t folder = from;
    bool named = false; // ".." after a name is collapsed as text: the disk decides that
    std::size_t pos = 0;
    for (;;) {
        const std::size_t slash = link.find('/', pos);
        const bool last = slash == std::string_view::npos;
        const std::string_view name = link.substr(pos, last ? std::string_view::npos : slash - pos);
        pos = slash + 1;
        if (name.empty()) // "a//b", or a folder written "sub/"
            return answer;
        if (name == ".") {
            if (last)
                return answer;
            continue;
        }
        if (name == "..") {
            if (named || last || folder == kRoot)
                return answer;
            folder = folders_[folder]->Parent;
            continue;
        }
        named = true;
        TFolder& listing = List(folder);
        if (!listing.Readable)
            return answer;
        bool ask = false;
        if (!last) {
            TEntry* entry = Find(listing, name, EntryKind::Folder, answer.Exact, ask);
            if (ask)
                return answer;
            if (!entry) {
                // "missing/../x" collapses to "x": only the disk can tell what it is.
                if (link.find("..", pos) == std::string_view::npos)
                    answer.What = Outcome::Missing;
                return answer;
            }
            folder = Child(folder, *entry);
            continue;
        }
        TEntry* entry = Find(listing, name, EntryKind::File, answer.Exact, ask);
        if (ask)
            return answer;
        answer.In = folder;
        if (entry) {
            answer.What = Outcome::File;
            answer.Entry = entry;
            return answer;
        }
        // A folder written exactly is no missing file: servers answer it with its index.
        const auto found = listing.Exact.find(name);
        answer.What = answer.Exact && found != listing.Exact.end() &&
                              listing.Entries[found->second].Kind == EntryKind::Folder
                          ? Outcome::Folder
                          : Outcome::Missing;
        return answer;
    }
}

std::string TCheckFolders::RealLink(std::uint32_t from, std::string_view link) {
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
            bool exact = true, ask = false;
            TEntry* entry = Find(List(folder), name, last ? EntryKind::File : EntryKind::Folder,
                                 exact, ask);
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
        TFolder& listing = List(folder);
        const auto found = listing.Exact.find(name);
        if (found == listing.Exact.end() ||
            listing.Entries[found->second].Kind != EntryKind::Folder)
            return kNone;
        folder = Child(folder, listing.Entries[found->second]);
    }
    return folder;
}

} // namespace parvane
