#include "model/paths.h"

#include "model/folder_cache.h"
#include "model/string_func.h"

#include <climits>
#include <dirent.h>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace parvane::Paths {

namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (IsSep(c)) {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

// The checks behind every existence test, made on the string as it is: a path object
// would split it into names first, for every link of every page.
bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool IsKind(const std::string& path, bool folder) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

} // namespace

bool IsAbsolute(std::string_view path) {
    if (path.empty())
        return false;
    if (path[0] == '/')
        return true;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\')
        return true;
    return path.find(':') != std::string_view::npos;
}

std::string ToNative(std::string_view path) { return StringFunc::ToForwardSlashes(path); }

std::string IncludeTrailingSlash(std::string_view folder) {
    if (folder.empty())
        return {};
    std::string out(folder);
    if (out.back() == '\\')
        out.back() = '/';
    else if (out.back() != '/')
        out += '/';
    return out;
}

std::string ExcludeTrailingSlash(std::string_view folder) {
    std::string out(folder);
    while (out.size() > 1 && IsSep(out.back()))
        out.pop_back();
    return out;
}

std::string ExtractFilePath(std::string_view path) {
    const std::size_t p = path.find_last_of("/\\");
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string ExtractFileName(std::string_view path) {
    const std::size_t p = path.find_last_of("/\\");
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const std::size_t p = path.find_last_of("./\\");
    if (p == std::string_view::npos || path[p] != '.')
        return {};
    return std::string(path.substr(p));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    const std::size_t p = path.find_last_of("./\\");
    std::string out(path);
    if (p != std::string_view::npos && path[p] == '.')
        out.resize(p);
    out.append(ext);
    return out;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home)
        return IncludeTrailingSlash(home);
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return IncludeTrailingSlash(pw->pw_dir);
    return "/";
}

std::string ExpandHome(std::string_view path) {
    if (path == "~")
        return HomeFolder();
    if (path.size() >= 2 && path[0] == '~' && IsSep(path[1]))
        return HomeFolder() + std::string(path.substr(2));
    return std::string(path);
}

std::string RelativePath(std::string_view target, std::string_view fromFolder) {
    const std::string t = StringFunc::CollapseDotDot(target);
    const std::string f = StringFunc::CollapseDotDot(IncludeTrailingSlash(fromFolder));
    if (!IsAbsolute(t) || !IsAbsolute(f))
        return StringFunc::ToForwardSlashes(t);
    const bool targetIsFolder = !t.empty() && IsSep(t.back());
    const auto tp = SplitComponents(t);
    const auto fp = SplitComponents(f);
    std::size_t common = 0;
    while (common < tp.size() && common < fp.size() && StringFunc::SameText(tp[common], fp[common]))
        ++common;
    // Keep the file name itself out of the shared prefix: a/b.htm relative to a/b.htm/ is odd.
    if (common == tp.size() && common > 0 && !targetIsFolder)
        --common;
    std::string out;
    for (std::size_t i = common; i < fp.size(); ++i)
        out += "../";
    for (std::size_t i = common; i < tp.size(); ++i) {
        out += tp[i];
        if (i + 1 < tp.size() || targetIsFolder)
            out += '/';
    }
    return out;
}

std::string UrlToPath(std::string_view root, std::string_view url) {
    if (IsAbsolute(url))
        return ToNative(url);
    return IncludeTrailingSlash(root) + ToNative(url);
}

std::string PathToUrl(std::string_view root, std::string_view path) {
    const std::string native = ToNative(path);
    if (IsBelow(native, root))
        return StringFunc::ToBackslashes(native.substr(IncludeTrailingSlash(ToNative(root)).size()));
    return native;
}

bool IsBelow(std::string_view path, std::string_view folder) {
    const std::string f = IncludeTrailingSlash(ToNative(folder));
    if (f.empty())
        return false;
    return StringFunc::StartsWithText(ToNative(path), f);
}

std::string ResolveExisting(std::string_view path) {
    std::string native = ToNative(path);
    if (native.empty())
        return {};
    if (TFolderCache* cache = TFolderCache::Active())
        if (std::optional<std::string> resolved = cache->Resolve(native))
            return *resolved;
    if (Exists(native))
        return native;
    if (native[0] != '/') {
        std::error_code ec;
        native = (fs::current_path(ec) / native).string();
    }
    // Walk the components, looking each missing one up without regard to case.
    const bool trailing = native.back() == '/';
    std::string resolved = "/";
    for (const std::string& part : SplitComponents(native)) {
        std::string candidate = resolved + part;
        if (part == "." || part == "..") {
            resolved = candidate + "/";
            continue;
        }
        if (!Exists(candidate)) {
            // Several names may match (FAQ.html, faq.html): the first in byte order, so
            // the answer does not depend on the order the folder happens to list them.
            // Read with readdir: every link to a missing file comes here, and the names
            // are only compared.
            std::string best;
            if (DIR* dir = ::opendir(resolved.c_str())) {
                while (const dirent* entry = ::readdir(dir)) {
                    const std::string_view name(entry->d_name);
                    if (name != "." && name != ".." && StringFunc::SameText(name, part) &&
                        (best.empty() || name < best))
                        best = name;
                }
                ::closedir(dir);
            }
            if (best.empty())
                return {};
            candidate = resolved + best;
        }
        resolved = candidate + "/";
    }
    if (!trailing && resolved.size() > 1)
        resolved.pop_back();
    return resolved;
}

bool FileExists(std::string_view path) {
    if (TFolderCache* cache = TFolderCache::Active())
        if (const std::optional<bool> found = cache->Is(ToNative(path), false))
            return *found;
    const std::string resolved = ResolveExisting(path);
    return !resolved.empty() && IsKind(resolved, false);
}

bool FolderExists(std::string_view path) {
    if (TFolderCache* cache = TFolderCache::Active())
        if (const std::optional<bool> found = cache->Is(ToNative(path), true))
            return *found;
    const std::string resolved = ResolveExisting(path);
    return !resolved.empty() && IsKind(resolved, true);
}

std::string AppDir() {
    if (const char* env = std::getenv("PARVANE_DATA_DIR"); env && *env)
        return ExcludeTrailingSlash(env);
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return ExcludeTrailingSlash(fs::current_path(ec).string());
    const fs::path bin = exe.parent_path();
    for (const fs::path& candidate : {bin.parent_path() / "support",
                                      bin.parent_path() / "share" / "parvane"}) {
        if (fs::is_directory(candidate, ec))
            return fs::weakly_canonical(candidate, ec).string();
    }
    return bin.string();
}

std::string UserConfigDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string base = (xdg && *xdg && xdg[0] == '/') ? IncludeTrailingSlash(xdg)
                                                            : HomeFolder() + ".config/";
    return base + "parvane/";
}

} // namespace parvane::Paths
