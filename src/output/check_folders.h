#pragma once
// The folders below a project's root as the project check walks them. Each folder is
// listed once, on first use, and has an id; a relative link is answered name by name from
// its page's folder through these listings, so what the check keeps grows with the files
// of the site, never with its links.
//
// The answers are those of TProjectRoot (exact name first, the first name in byte order
// when letter case is ignored, "inside" on real paths) for every link the listings can
// answer alone. What they cannot (a symbolic link on the way, a step above the root, "."
// or ".." after a name, a folder written with a trailing "/", an unreadable folder) is
// answered "Ask": the caller asks TProjectRoot.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parvane {

class TCheckFolders {
public:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    static constexpr std::uint32_t kRoot = 0;

    enum class EntryKind : unsigned char { File, Folder, Other, Link };
    struct TEntry {
        std::string_view Name; // as on disk, kept in its folder's listing
        EntryKind Kind = EntryKind::Other;
        bool IsPage = false;       // an HTML page by its extension
        bool IsStyleSheet = false; // a .css file
        std::uint32_t Folder = kNone; // its id once a walk went into it
        std::uint32_t Page = kNone;   // the caller's id for the file, once it has one
    };

    // Later: the answer needs a folder listed or looked at for the first time, which only
    // a walk that may change what is known (change = true) does.
    enum class Outcome { Ask, Missing, Folder, File, Later };
    struct TAnswer {
        Outcome What = Outcome::Ask;
        bool Exact = true;        // every name was found as written
        TEntry* Entry = nullptr;  // the file, for File
        std::uint32_t In = kNone; // the folder it lies in
    };

    // rootOnDisk: the root with its names as on disk and a trailing "/".
    explicit TCheckFolders(std::string rootOnDisk);
    ~TCheckFolders();
    TCheckFolders(const TCheckFolders&) = delete;
    TCheckFolders& operator=(const TCheckFolders&) = delete;

    // Where link (percent-decoded, "/" separators, not absolute) leads from folder `from`.
    // Walks with change = false only read what is known: several threads may make them at
    // once, while no walk with change = true runs.
    TAnswer Walk(std::uint32_t from, std::string_view link, bool change = true);
    // Asks the memory for what walking these links (as Walk takes them) will read, all of
    // them at once: a large site's listings do not fit in the processor's cache, and
    // walking one link after the other would wait for the memory at every name. Reads
    // only what is known, as a walk with change = false does.
    void Prefetch(std::uint32_t from, const std::vector<std::string_view>& links) const;
    // The link with each name as on disk, for an answer that was not Exact; with change
    // false, nothing when that needs a walk that may change what is known.
    std::optional<std::string> RealLink(std::uint32_t from, std::string_view link,
                                        bool change = true);
    // The id of a folder given by its path on disk (trailing "/"), when every step of it
    // is a real folder below the root; kNone otherwise.
    std::uint32_t FolderOf(std::string_view path);
    // The folder's path on disk, with a trailing "/".
    const std::string& Path(std::uint32_t folder) const;

private:
    struct TFolder;
    // Where the folder part of a link ("../../api/", ending in "/") leads from a folder.
    struct TFolderAnswer {
        Outcome What = Outcome::Ask; // Folder, Missing or Ask
        bool Exact = true;
        std::uint32_t Folder = kNone;
    };
    TFolderAnswer WalkFolders(std::uint32_t from, std::string_view folders, bool change);
    TFolder& List(std::uint32_t folder);
    TEntry* Named(TFolder& folder, std::string_view name);
    std::uint32_t Child(std::uint32_t folder, TEntry& entry);
    // The entry `name` means in a listed folder, looking for a folder or a file: nullptr
    // when there is none; asked set when only the disk can tell.
    // later set when that needs what only a changing walk may do.
    TEntry* Find(TFolder& folder, std::string_view name, EntryKind kind, bool change, bool& exact,
                 bool& ask, bool& later);

    std::vector<std::unique_ptr<TFolder>> folders_;
};

} // namespace parvane
