#pragma once
// Where a path or a link leads, and whether that lies inside the project's root folder.
// Every output, the preview and the project check decide it the same way:
// - file systems here are case-sensitive: a file of exactly the name written wins, and a
//   look-up without regard to case is only the fallback (for projects made on a case-blind
//   system); the fallback picks, among several candidates, the first in byte order;
// - "inside the root" is decided on real paths, symbolic links resolved, with exact case,
//   so a link inside the root that points outside, or a sibling folder whose name differs
//   from the root's only in case, is outside;
// - nothing outside the root is ever opened or listed to answer: a path that leaves the
//   root is only looked up by its exact name (one stat), and it counts as outside.

#include <absl/container/flat_hash_map.h>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parvane {

enum class TargetMatch {
    Missing,      // no regular file there, not even without regard to case
    Exact,        // the file has exactly the name written
    CaseFallback, // found only without regard to case; the name differs on disk
};

struct TResolvedTarget {
    TargetMatch Match = TargetMatch::Missing;
    // Absolute, with the names the folders and the file have on disk (symbolic links are
    // not resolved: this is where a copy of the file belongs). Empty when missing.
    std::string Path;
    // The file's real path lies below the root's real path.
    bool InsideRoot = false;

    bool Found() const { return Match != TargetMatch::Missing; }
};

// The root folder of one project, with the answers it has looked up so far. Meant to live
// for one build or one check: files that appear or vanish meanwhile may be missed.
class TProjectRoot {
public:
    explicit TProjectRoot(std::string_view rootFolder);

    bool Exists() const { return !realRoot_.empty(); }
    // The root with the names it has on disk, trailing "/" (the folder as given when it
    // does not exist).
    const std::string& Folder() const { return root_; }

    // An absolute path ("/" or "\" separators); ".." steps are taken lexically.
    TResolvedTarget Resolve(std::string_view path);
    // Resolve's answer for a path it has answered before, or nullptr. It changes nothing:
    // several threads may ask at once, while no thread calls the other functions.
    const TResolvedTarget* Answered(std::string_view path) const;
    // Whether path, as Resolve takes it, lies below the root by its spelling: only such a
    // path can ever be found without regard to case. Changes nothing, as Answered.
    bool SpelledBelowRoot(std::string_view path) const;
    // The two questions above with the path made ready once: AnswerKey(path) changes
    // nothing and needs no lock; "" for a path that names no file.
    std::string AnswerKey(std::string_view path) const;
    const TResolvedTarget* AnsweredKey(const std::string& key) const;
    bool KeyBelowRoot(const std::string& key) const;
    // A link as a page in pageFolder writes it: relative to that folder, or absolute.
    // Addresses with a scheme or a drive (":") are never local files: missing.
    TResolvedTarget ResolveLink(std::string_view pageFolder, std::string_view link);
    // The link with every name written as it is on disk ("Img/Logo.gif" for
    // "img/logo.gif"), keeping its separators and "." and ".." steps. Unchanged when the
    // link has the right names already, or leads to no file inside the root.
    std::string RealLink(std::string_view pageFolder, std::string_view link);
    // The path of a file inside the root relative to Folder() ("/" separators).
    std::string Relative(const TResolvedTarget& target) const;

private:
    struct TName {
        std::string Name;
        unsigned char Type; // as the listing gave it (DT_REG, DT_LNK, ...)
    };
    struct TFolder {
        bool Inside = false; // its real path is the root's or lies below it
        bool Listed = false;
        // Lower-case name -> the names on disk that match it, in byte order.
        std::unordered_map<std::string, std::vector<TName>> Names;
    };

    TFolder& FolderInfo(const std::string& folder);
    // The names in folder that match name without regard to case (folders inside the
    // root only); nullptr for none.
    const std::vector<TName>* Candidates(const std::string& folder, std::string_view name);
    std::string ChildFolder(const std::string& folder, std::string_view name);
    // link, when given, tells whether the file found is a symbolic link.
    std::string ChildFile(const std::string& folder, std::string_view name,
                          bool* link = nullptr);
    std::string FolderOnDisk(const std::string& spelled);
    bool RealPathInside(const std::string& path) const;
    TResolvedTarget Outside(const std::string& path) const;
    static const TResolvedTarget kNoFile;

    std::string spelledRoot_; // as given, trailing "/"
    std::string root_;        // names as on disk, trailing "/"
    std::string realRoot_;    // symbolic links resolved, trailing "/"; "" when missing
    std::unordered_map<std::string, TFolder> folders_;       // by on-disk folder
    std::unordered_map<std::string, std::string> onDisk_;    // spelled folder -> on-disk, or ""
    // Collapsed path -> answer: looked up for every link of every page, from every core.
    absl::flat_hash_map<std::string, TResolvedTarget> files_;
};

// Why a folder cannot be a project's root folder, or "" when it can: the top of the file
// system, the home folder or one that holds it, and the system's own folders. A build
// takes what the pages link to from anywhere below the root, so such a root would let a
// page reach every file of the computer.
std::string RootFolderProblem(std::string_view rootFolder);

// The file that the editor or the preview of a page in this project may show for an
// absolute path: one inside the root folder (on real paths, exact name first) or inside
// the program's own folder. "" when there is none; refused tells whether a file exists
// there but lies outside both. An empty root folder sets no limit.
std::string ServableFile(std::string_view path, std::string_view rootFolder,
                         std::string_view programFolder, bool* refused = nullptr);

} // namespace parvane
