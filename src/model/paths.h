#pragma once
// Path helpers for this platform. Folders in memory are native absolute paths ending in
// "/". A topic Url keeps the project-file form: relative to the root with "\" separators.

#include <string>
#include <string_view>

namespace parvane::Paths {

// Absolute: begins with "/" or "\\", or holds ":" (a drive letter or a URL scheme).
bool IsAbsolute(std::string_view path);
std::string ToNative(std::string_view path); // every "\" becomes "/"
std::string IncludeTrailingSlash(std::string_view folder);
std::string ExcludeTrailingSlash(std::string_view folder);
std::string ExtractFilePath(std::string_view path); // folder with trailing "/", or ""
std::string ExtractFileName(std::string_view path);
std::string ExtractFileExt(std::string_view path); // ".htm", or ""
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string ExpandHome(std::string_view path); // "~/x" -> "$HOME/x"
std::string HomeFolder();                      // with trailing "/"

// The shortest relative path from folder `fromFolder` to `target` (both absolute),
// with "../" steps where needed and "/" separators. Case-insensitive on folder names.
// Returns target unchanged when the two share no root.
std::string RelativePath(std::string_view target, std::string_view fromFolder);

// Absolute native path of a topic Url below root (an absolute Url stays as it is).
std::string UrlToPath(std::string_view root, std::string_view url);
// Url form of a file below root ("\" separators), or the absolute path when outside.
std::string PathToUrl(std::string_view root, std::string_view path);
// True when path lies below folder, compared without regard to case.
bool IsBelow(std::string_view path, std::string_view folder);

// Existence with the case-insensitive fallback: when the path does not exist as
// written, each component is looked up without regard to case. Returns the path as it
// exists on disk, or "" when there is none. Of several matching names the first in byte
// order is taken. Links and the project's root: see TProjectRoot (project_root.h).
std::string ResolveExisting(std::string_view path);
bool FileExists(std::string_view path);   // a regular file, through ResolveExisting
bool FolderExists(std::string_view path); // a directory, through ResolveExisting

// The program folder (support data) without trailing separator: $PARVANE_DATA_DIR, else
// <exe>/../support (build tree), else <exe>/../share/parvane (installed).
std::string AppDir();
// The user's configuration folder for Parvane: $XDG_CONFIG_HOME/parvane/ (trailing "/").
std::string UserConfigDir();

} // namespace parvane::Paths
