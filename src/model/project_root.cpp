#include "model/project_root.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>

namespace parvane {

namespace SF = StringFunc;

namespace {

enum class Kind { None, File, Folder, Other };

// What a path names, symbolic links followed; `link` tells whether the path itself is one.
Kind KindOf(const std::string& path, bool* link = nullptr) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return Kind::None;
    const bool isLink = S_ISLNK(st.st_mode);
    if (link)
        *link = isLink;
    if (isLink && ::stat(path.c_str(), &st) != 0)
        return Kind::None;
    return S_ISREG(st.st_mode) ? Kind::File : S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
}

// What a name of a folder's listing names: the listing's type when it tells, else the disk.
Kind ListedKind(const std::string& folder, const std::string& name, unsigned char type,
                bool* link = nullptr) {
    if (type == DT_REG || type == DT_DIR) {
        if (link)
            *link = false;
        return type == DT_REG ? Kind::File : Kind::Folder;
    }
    return KindOf(folder + name, link);
}

// The real path (symbolic links resolved), or "" when it cannot be found.
std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

bool HasPrefix(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

std::string ParentFolder(const std::string& folder) {
    if (folder.size() <= 1)
        return folder;
    const std::size_t slash = folder.rfind('/', folder.size() - 2);
    return slash == std::string::npos ? std::string("/") : folder.substr(0, slash + 1);
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

TProjectRoot::TProjectRoot(std::string_view rootFolder) {
    spelledRoot_ = Paths::IncludeTrailingSlash(Paths::ToNative(rootFolder));
    if (!spelledRoot_.empty() && spelledRoot_[0] == '/')
        spelledRoot_ = SF::CollapseDotDot(spelledRoot_);
    root_ = spelledRoot_;
    const std::string onDisk = Paths::ResolveExisting(spelledRoot_);
    if (onDisk.empty() || KindOf(onDisk) != Kind::Folder)
        return;
    root_ = Paths::IncludeTrailingSlash(onDisk);
    const std::string real = RealPath(root_);
    if (!real.empty())
        realRoot_ = Paths::IncludeTrailingSlash(real);
}

const TResolvedTarget TProjectRoot::kNoFile{};

bool TProjectRoot::RealPathInside(const std::string& path) const {
    if (realRoot_.empty())
        return false;
    const std::string real = RealPath(path);
    return !real.empty() && (real + "/" == realRoot_ || HasPrefix(real, realRoot_));
}

TProjectRoot::TFolder& TProjectRoot::FolderInfo(const std::string& folder) {
    auto [it, added] = folders_.try_emplace(folder);
    if (added)
        it->second.Inside = RealPathInside(folder);
    return it->second;
}

// Only folders inside the root are ever listed.
const std::vector<TProjectRoot::TName>* TProjectRoot::Candidates(const std::string& folder,
                                                                 std::string_view name) {
    TFolder& info = FolderInfo(folder);
    if (!info.Inside)
        return nullptr;
    if (!info.Listed) {
        info.Listed = true;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) {
                std::string entryName = entry->d_name;
                if (entryName != "." && entryName != "..")
                    info.Names[SF::LowerCase(entryName)].push_back(
                        {std::move(entryName), entry->d_type});
            }
            ::closedir(dir);
        }
        for (auto& [key, names] : info.Names)
            std::sort(names.begin(), names.end(),
                      [](const TName& a, const TName& b) { return a.Name < b.Name; });
    }
    const auto found = info.Names.find(SF::LowerCase(name));
    return found == info.Names.end() ? nullptr : &found->second;
}

std::string TProjectRoot::ChildFolder(const std::string& folder, std::string_view name) {
    const std::string exact = folder + std::string(name);
    if (KindOf(exact) == Kind::Folder)
        return exact + "/";
    if (const auto* names = Candidates(folder, name))
        for (const TName& candidate : *names)
            if (ListedKind(folder, candidate.Name, candidate.Type) == Kind::Folder)
                return folder + candidate.Name + "/";
    return {};
}

std::string TProjectRoot::ChildFile(const std::string& folder, std::string_view name,
                                    bool* link) {
    // Every file a build reads is asked for here first: in a folder inside the root the
    // listing says whether the name is a file without a call to the disk. What it does not
    // show is asked of the disk, which may know of it since the listing.
    const std::vector<TName>* names = Candidates(folder, name);
    if (names)
        for (const TName& candidate : *names)
            if (candidate.Name == name && candidate.Type == DT_REG) {
                if (link)
                    *link = false;
                return folder + candidate.Name;
            }
    const std::string exact = folder + std::string(name);
    if (KindOf(exact, link) == Kind::File)
        return exact;
    if (names)
        for (const TName& candidate : *names)
            if (ListedKind(folder, candidate.Name, candidate.Type, link) == Kind::File)
                return folder + candidate.Name;
    return {};
}

// A folder below (or at) the root with its names as on disk, or "" when there is none.
std::string TProjectRoot::FolderOnDisk(const std::string& spelled) {
    if (spelled == root_)
        return Exists() ? root_ : std::string();
    if (const auto found = onDisk_.find(spelled); found != onDisk_.end())
        return found->second;
    const std::string parent = FolderOnDisk(ParentFolder(spelled));
    std::string result;
    if (!parent.empty()) {
        const std::string name = spelled.substr(ParentFolder(spelled).size());
        result = ChildFolder(parent, std::string_view(name).substr(0, name.size() - 1));
    }
    onDisk_.emplace(spelled, result);
    return result;
}

TResolvedTarget TProjectRoot::Outside(const std::string& path) const {
    TResolvedTarget target;
    if (KindOf(path) == Kind::File) {
        target.Match = TargetMatch::Exact;
        target.Path = path;
    }
    return target;
}

// The path as the answers are kept under: ".." steps taken, the root's part named as on
// disk; "" for what names no file.
std::string TProjectRoot::AnswerKey(std::string_view pathIn) const {
    // Links resolved from their page's folder come collapsed already.
    std::string path = SF::IsCollapsed(pathIn) ? std::string(pathIn)
                                               : SF::CollapseDotDot(Paths::ToNative(pathIn));
    if (path.empty() || path[0] != '/' || path.back() == '/' ||
        path.find('\0') != std::string::npos)
        return {};
    if (HasPrefix(path, spelledRoot_) && spelledRoot_ != root_)
        path = root_ + path.substr(spelledRoot_.size());
    return path;
}

const TResolvedTarget* TProjectRoot::Answered(std::string_view path) const {
    return AnsweredKey(AnswerKey(path));
}

const TResolvedTarget* TProjectRoot::AnsweredKey(const std::string& key) const {
    if (key.empty())
        return &kNoFile;
    const auto found = files_.find(key);
    return found == files_.end() ? nullptr : &found->second;
}

bool TProjectRoot::SpelledBelowRoot(std::string_view path) const {
    return KeyBelowRoot(AnswerKey(path));
}

bool TProjectRoot::KeyBelowRoot(const std::string& key) const {
    return Exists() && !key.empty() && HasPrefix(key, root_);
}

TResolvedTarget TProjectRoot::Resolve(std::string_view pathIn) {
    std::string path = AnswerKey(pathIn);
    if (path.empty())
        return {};
    // Pages link the same style sheets and pictures again and again.
    const auto [cached, added] = files_.try_emplace(path);
    if (!added)
        return cached->second;
    TResolvedTarget& target = cached->second;
    // What leaves the root by its spelling is outside, whatever a link there leads to:
    // nothing beyond one exact look-up is done for it.
    if (!Exists() || !HasPrefix(path, root_))
        return target = Outside(path);
    const std::size_t slash = path.rfind('/');
    const std::string folder = FolderOnDisk(path.substr(0, slash + 1));
    if (folder.empty())
        return target;
    bool link = false;
    target.Path = ChildFile(folder, std::string_view(path).substr(slash + 1), &link);
    if (target.Path.empty())
        return target;
    target.Match = target.Path == path ? TargetMatch::Exact : TargetMatch::CaseFallback;
    target.InsideRoot = FolderInfo(folder).Inside && (!link || RealPathInside(target.Path));
    return target;
}

TResolvedTarget TProjectRoot::ResolveLink(std::string_view pageFolder, std::string_view link) {
    if (link.empty() || link.find(':') != std::string_view::npos)
        return {};
    if (IsSeparator(link[0]))
        return Resolve(link);
    return Resolve(Paths::IncludeTrailingSlash(Paths::ToNative(pageFolder)) + std::string(link));
}

std::string TProjectRoot::RealLink(std::string_view pageFolder, std::string_view link) {
    const TResolvedTarget target = ResolveLink(pageFolder, link);
    if (target.Match != TargetMatch::CaseFallback || !target.InsideRoot)
        return std::string(link);
    // Walk the link name by name from the page's folder, taking each name as it is on disk.
    std::string folder = "/";
    if (!IsSeparator(link[0])) {
        std::string spelled =
            SF::CollapseDotDot(Paths::IncludeTrailingSlash(Paths::ToNative(pageFolder)));
        spelled = Paths::IncludeTrailingSlash(spelled);
        if (HasPrefix(spelled, spelledRoot_) && spelledRoot_ != root_)
            spelled = root_ + spelled.substr(spelledRoot_.size());
        folder = HasPrefix(spelled, root_) ? FolderOnDisk(spelled) : spelled;
        if (folder.empty())
            return std::string(link);
    }
    std::string out;
    std::size_t pos = 0;
    while (pos < link.size()) {
        std::size_t end = pos;
        while (end < link.size() && !IsSeparator(link[end]))
            ++end;
        const std::string_view name = link.substr(pos, end - pos);
        const bool last = end == link.size();
        if (name == "..") {
            folder = ParentFolder(folder);
            out += name;
        } else if (name.empty() || name == ".") {
            out += name;
        } else {
            const std::string found = last ? ChildFile(folder, name) : ChildFolder(folder, name);
            if (found.empty())
                return std::string(link);
            const std::string trimmed = last ? found : found.substr(0, found.size() - 1);
            out += trimmed.substr(folder.size());
            if (!last)
                folder = found;
        }
        if (!last)
            out += link[end];
        pos = last ? end : end + 1;
    }
    return out;
}

std::string TProjectRoot::Relative(const TResolvedTarget& target) const {
    return HasPrefix(target.Path, root_) ? target.Path.substr(root_.size()) : target.Path;
}

std::string RootFolderProblem(std::string_view rootFolder) {
    const std::string real = RealPath(Paths::ToNative(rootFolder));
    if (rootFolder.empty() || real.empty())
        return {}; // a missing root is reported by whoever needs it
    const std::string quoted = "\"" + std::string(rootFolder) + "\"";
    const std::string why = " A build takes what the pages link to from anywhere below the root "
                            "folder, so it must be a folder of the project's own. Please keep "
                            "the pages in a folder of their own and choose that as the root "
                            "folder.";
    if (real == "/")
        return "The project's root folder " + quoted + " is the top of the file system." + why;
    const std::string home = RealPath(Paths::ExcludeTrailingSlash(Paths::HomeFolder()));
    if (!home.empty() && home != "/") {
        if (real == home)
            return "The project's root folder " + quoted + " is your home folder." + why;
        if (HasPrefix(home, real + "/"))
            return "The project's root folder " + quoted + " holds your home folder." + why;
    }
    // Folders directly below "/" (/usr, /etc, /home, /tmp, /mnt, ...), the first level of
    // /usr, /usr/local and /var, and everything below the folders of the system itself.
    static const char* const kSystemTrees[] = {
        "/bin",      "/boot",        "/dev",     "/etc",       "/lib",       "/lib32",
        "/lib64",    "/libx32",      "/proc",    "/run",       "/sbin",      "/sys",
        "/usr/bin",  "/usr/include", "/usr/lib", "/usr/lib32", "/usr/lib64", "/usr/libexec",
        "/usr/sbin", "/var/cache",   "/var/lib", "/var/log"};
    const std::size_t depth = static_cast<std::size_t>(std::count(real.begin(), real.end(), '/'));
    const std::string parent = real.substr(0, real.rfind('/'));
    bool system = depth <= 1 || (depth == 2 && (parent == "/usr" || parent == "/var")) ||
                  (depth == 3 && parent == "/usr/local");
    for (const char* tree : kSystemTrees)
        system = system || real == tree || HasPrefix(real, std::string(tree) + "/");
    // The documentation of every package; one package's folder below it is fine.
    system = system || real == "/usr/share/doc";
    if (system)
        return "The project's root folder " + quoted + " is a folder of the system." + why;
    return {};
}

std::string ServableFile(std::string_view path, std::string_view rootFolder,
                         std::string_view programFolder, bool* refused) {
    if (refused)
        *refused = false;
    if (rootFolder.empty())
        return Paths::ResolveExisting(path);
    bool exists = false;
    for (const std::string_view folder : {rootFolder, programFolder}) {
        if (folder.empty())
            continue;
        TProjectRoot root(folder);
        const TResolvedTarget target = root.Resolve(path);
        if (target.Found() && target.InsideRoot)
            return target.Path;
        exists = exists || target.Found();
    }
    if (refused)
        *refused = exists;
    return {};
}

} // namespace parvane
