// The build driver: the steps every output shares (contents, file collection, a safe
// output folder, copying) and the checks of the build dialog.

#include "output/build_driver.h"

#include "model/errors.h"
#include "model/folder_cache.h"
#include "model/link_scanner.h"
#include "model/packed_strings.h"
#include "model/paths.h"
#include "model/project_root.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/output_file.h"
#include "output/real_names.h"

#include "output/ordered_work.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <unordered_set>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

TBuildResult RunBuild(TPvx& project, const TBuildRequest& request, TBuildHost& host) {
    TBuildResult result;
    try {
        host.Info("Reading TOC...");
        const std::string root = project.RootFolder();
        if (root.empty() || !Paths::FolderExists(root))
            throw EParvaneError("The project's root folder \"" + root + "\" doesn't exist!");
        if (const std::string problem = RootFolderProblem(root); !problem.empty())
            throw EParvaneError(problem);
        // Every existence check of this build below the root is answered from folder
        // listings read once each (see folder_cache.h).
        TFolderCache folders(root);
        const TFolderCacheScope cacheScope(&folders);
        TContents contents(project, [&host](const std::string& text) { host.Info(text); });
        contents.KeepBodies = false;
        contents.Threads = request.Threads;
        contents.BuildItems();
        TBuildContext ctx{project, contents, host, request, {}};
        switch (request.Kind) {
        case OutputKind::HtmlHelp:
            BuildHtmlHelpBranch(ctx);
            break;
        case OutputKind::WebHelp:
            BuildWebHelpBranch(ctx);
            break;
        case OutputKind::SingleHtml:
            BuildSingleHtmlBranch(ctx);
            break;
        case OutputKind::Pdf:
            BuildPdfBranch(ctx);
            break;
        case OutputKind::Epub:
            BuildEpubBranch(ctx);
            break;
        case OutputKind::QtHelp:
            BuildQtHelpBranch(ctx);
            break;
        }
        result = ctx.Result;
        result.Ok = true;
    } catch (const EAbort& e) {
        result.Ok = false;
        result.Message = e.what();
    } catch (const std::exception& e) {
        result.Ok = false;
        result.Message = e.what();
    }
    return result;
}

// ---- collecting ------------------------------------------------------------------------

bool IsWebTextFile(const std::string& path) {
    const std::string ext = SF::AsciiLowerCase(Paths::ExtractFileExt(path));
    return ext == ".html" || ext == ".htm" || ext == ".js" || ext == ".css" || ext == ".shtml" ||
           ext == ".shtm" || ext == ".sht";
}

void CollectFiles(TContents& contents, const std::string& page) {
    CollectFiles(contents, std::vector<std::string>{page});
}

void CollectFiles(TContents& contents, const std::vector<std::string>& pages) {
    TFileCollector collector(contents);
    collector.Finish(collector.AddPages(pages));
}

TFileCollector::TFileCollector(TContents& contents) : contents_(contents) {}

bool TFileCollector::Admit(const TResolvedTarget& target) {
    // Each file is listed by its name on disk, so one file is listed once and every copy
    // lands where its path says. Nothing outside the root is read or followed.
    if (!target.Found())
        return false;
    if (!target.InsideRoot) {
        contents_.ReportOutside(target.Path);
        return false;
    }
    return contents_.Files.insert(target.Path).second;
}

std::vector<std::string> TFileCollector::AddPages(const std::vector<std::string>& pages) {
    TProjectRoot& root = contents_.Root();
    std::vector<std::string> wave;
    for (const std::string& pageIn : pages) {
        if (SF::Trim(pageIn).empty())
            continue;
        const TResolvedTarget page = root.Resolve(pageIn);
        if (Admit(page) && IsWebTextFile(page.Path))
            wave.push_back(page.Path);
    }
    return wave;
}

bool TFileCollector::AddScan(const std::vector<std::string_view>& linked,
                             const std::string& error, std::string* otherCase) {
    // Most links are written as another page wrote them already: those are passed over by
    // one look-up.
    if (!error.empty())
        contents_.Info(error);
    TProjectRoot& root = contents_.Root();
    bool fallback = false;
    const auto found = [&](std::string_view link) {
        fallback = true;
        if (otherCase)
            otherCase->append("/").append(link.substr(link.rfind('/') + 1));
    };
    for (std::string_view link : linked) {
        if (const std::size_t known = seen_.Find(link); known != TStringIndex::npos) {
            if (known != 0)
                found(link);
            continue;
        }
        const TResolvedTarget target = root.Resolve(link);
        const bool needsName = target.Match == TargetMatch::CaseFallback && target.InsideRoot;
        seen_.Insert(link, needsName ? 1 : 0);
        if (needsName) {
            contents_.LinksNeedRealNames = true;
            found(link);
        }
        if (Admit(target) && IsWebTextFile(target.Path))
            next_.push_back(target.Path);
    }
    return fallback;
}

void TFileCollector::RememberExactScan(const std::string& file, bool needsNames,
                                       const std::string& otherCase) {
    if (!needsNames) {
        contents_.ExactScans.Insert(file, 0);
        return;
    }
    // A link whose last name tells nothing of its file (a folder's) leaves the file to a
    // look-up of all its links.
    std::string names = otherCase.substr(1);
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find('/', start), names.size());
        const std::string_view name = std::string_view(names).substr(start, end - start);
        if (name.empty() || name == "." || name == "..")
            return;
        start = end + 1;
    }
    contents_.OtherCaseNames.push_back(std::move(names));
    contents_.ExactScans.Insert(file, contents_.OtherCaseNames.size());
}

void TFileCollector::Finish(std::vector<std::string> unscanned) {
    // Wave by wave through the pages, scripts and style sheets: the files of one wave are
    // read and scanned on all cores, and what they link is looked up and listed on this
    // thread in the wave's order, so the list and the lines reported do not depend on the
    // threads (and the root's look-ups are never shared between threads). A file is
    // scanned once, when it first enters the list, so cycles end and every file is read at
    // most once. The pages handed in are the ones a branch goes on to write: their bytes are
    // kept for it (TContents::KeptPages) as far as there is room.
    struct TScan {
        TPackedStrings Linked;
        std::string Error;
        std::string Bytes; // to keep
        bool AsIs = false; // the bytes are the text scanned, but for the line ends
    };
    next_.insert(next_.begin(), unscanned.begin(), unscanned.end());
    TKeptFiles& kept = contents_.KeptPages;
    for (bool firstWave = true; !next_.empty(); firstWave = false) {
        std::vector<std::string> wave;
        wave.swap(next_);
        ForEachInOrderHelping<TScan>(
            wave.size(), contents_.Threads,
            [&wave, &kept, firstWave](std::size_t i) {
                TScan scan;
                THTMLRefer refer;
                std::vector<std::string> linked;
                try {
                    std::string bytes = TextCodec::ReadFileBytesAsSpelled(wave[i]);
                    // SF::TextOfBytes in its two steps.
                    const std::string decoded = TextCodec::DecodePage(bytes, "");
                    scan.AsIs = decoded == bytes;
                    refer.GetTextLinkedPaths(SF::NormaliseLineEnds(decoded),
                                             Paths::ExtractFilePath(wave[i]), linked);
                    if (firstWave && kept.Wanted())
                        scan.Bytes = std::move(bytes);
                } catch (const std::exception& e) {
                    linked.clear();
                    scan.Error = "Cannot read " + wave[i] + ": " + e.what();
                }
                scan.Linked = TPackedStrings(linked);
                return scan;
            },
            [&](std::size_t i, TScan&& scan) {
                std::string otherCase;
                const bool needsNames = AddScan(scan.Linked.Views(), scan.Error, &otherCase);
                if (scan.Error.empty() && scan.AsIs)
                    RememberExactScan(wave[i], needsNames, otherCase);
                if (!scan.Bytes.empty())
                    kept.Keep(wave[i], std::move(scan.Bytes));
            });
    }
}

namespace {

// Writes bytes to a file of a folder the build has just emptied: in place when no file of
// that name exists (a half-written file can only be a new one), else replacing the file as
// WriteFileAtomic does.
void WriteNewFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) {
            TextCodec::WriteFileAtomic(path, bytes);
            return;
        }
        throw EParvaneError("Cannot write \"" + path + "\": " + std::strerror(errno));
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(path.c_str());
            throw EParvaneError("Cannot write \"" + path + "\": " + std::strerror(error));
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        throw EParvaneError("Cannot write \"" + path + "\": " + std::strerror(error));
    }
}

// Writes the copy of a web page, script or style sheet with the names on disk when some
// link of it needs them; false when it is to be copied as it is. Links are looked up from
// linkFolder, the file's place below the root (with onlyNames as TRealNames::Rewrite
// takes them).
bool CopyWithRealNames(TRealNames& realNames, const std::string& source,
                       const std::string& linkFolder, const std::string& dest,
                       const std::string* onlyNames) {
    std::string bytes;
    try {
        bytes = TextCodec::ReadFileBytesAsSpelled(source);
    } catch (const std::exception&) {
        return false; // the copy says what is wrong
    }
    if (!realNames.Rewrite(bytes, linkFolder, onlyNames))
        return false;
    WriteNewFile(dest, bytes);
    // The permissions a copy rewritten afterwards would have: the file's own, writable.
    std::error_code ec;
    const fs::perms perms = fs::status(source, ec).permissions();
    if (!ec)
        fs::permissions(dest, perms | fs::perms::owner_write, ec);
    return true;
}

} // namespace

// ---- output folder -----------------------------------------------------------------------

namespace {

// Canonical form for comparisons: absolute, symbolic links and ".." resolved as far as
// the path exists, no trailing "/" (except for "/" itself).
std::string Canonical(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::path(Paths::ToNative(path)), ec);
    if (ec)
        p = fs::absolute(fs::path(Paths::ToNative(path)), ec).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// a equals b or lies below it, both canonical, without regard to case.
bool SameOrBelow(const std::string& a, const std::string& b) {
    if (b == "/")
        return true;
    return SF::SameText(a, b) || SF::StartsWithText(a, b + "/");
}

std::string Quoted(const std::string& folder) {
    return "\"" + folder + "\"";
}

void RefuseDangerousFolder(const TBuildContext& ctx, const std::string& folder) {
    const std::string target = Canonical(folder);
    const std::string never = " A build never empties it; please choose another output folder.";
    if (target == "/")
        throw EParvaneError("The output folder " + Quoted(folder) +
                            " is a top folder of the system." + never);
    const std::string home = Canonical(Paths::HomeFolder());
    if (SameOrBelow(home, target))
        throw EParvaneError("The output folder " + Quoted(folder) +
                            " is your home folder or holds it." + never);
    if (target.find('/', 1) == std::string::npos)
        throw EParvaneError("The output folder " + Quoted(folder) +
                            " is a top folder of the system." + never);
    const std::string root = ctx.Project.RootFolder();
    if (!root.empty() && SameOrBelow(Canonical(root), target))
        throw EParvaneError("The output folder " + Quoted(folder) +
                            " is the project's root folder or holds it." + never);
    const std::string appDir = Paths::AppDir();
    if (!appDir.empty()) {
        const std::string app = Canonical(appDir);
        if (SameOrBelow(app, target) || SameOrBelow(target, app))
            throw EParvaneError("The output folder " + Quoted(folder) +
                                " is, holds or lies in the program's folder." + never);
    }
    if (!ctx.Project.IsUntitled && SameOrBelow(Canonical(ctx.Project.FileName), target))
        throw EParvaneError("The output folder " + Quoted(folder) + " holds the project file." +
                            never);
    // A folder inside the root may hold the author's own pages: refuse any folder that holds
    // a topic page or a file the build reads.
    const std::string rootSlash = Paths::IncludeTrailingSlash(root);
    const std::string canonicalRoot = root.empty() ? std::string() : Canonical(root);
    auto refuseIfInside = [&](const std::string& file) {
        // Files below the root are mapped onto the canonical root without a look at the disk
        // each; only the few outside it are resolved one by one.
        const std::string canonicalFile = !root.empty() && SF::StartsWithText(file, rootSlash)
                                              ? canonicalRoot + "/" + file.substr(rootSlash.size())
                                              : Canonical(file);
        if (SameOrBelow(canonicalFile, target))
            throw EParvaneError("The output folder " + Quoted(folder) +
                                " holds files of the project (" + file + ")." + never);
    };
    for (const auto& item : ctx.Contents.Items)
        if (item->HasContent)
            refuseIfInside(Paths::UrlToPath(rootSlash, item->Url));
    for (const std::string& file : ctx.Contents.Files)
        refuseIfInside(file);
}

bool FolderIsEmpty(const fs::path& folder) {
    std::error_code ec;
    return fs::directory_iterator(folder, ec) == fs::directory_iterator();
}

} // namespace

bool IsEarlierOutput(const std::string& folder) {
    const fs::path f(Paths::ToNative(folder));
    std::error_code ec;
    if (fs::is_regular_file(f / kOutputMarker, ec))
        return true;
    return fs::is_regular_file(f / "index.htm", ec) &&
           fs::is_regular_file(f / "webhelpframe.htm", ec);
}

void PrepareOutputFolder(TBuildContext& ctx, const std::string& folderIn) {
    const std::string folder = Paths::IncludeTrailingSlash(Paths::ToNative(SF::Trim(folderIn)));
    if (SF::Trim(folderIn).empty())
        throw EParvaneError("Please specify Output folder!");
    RefuseDangerousFolder(ctx, folder);
    if (TFolderCache* cache = TFolderCache::Active())
        cache->Exclude(folder);

    const fs::path path(folder);
    std::error_code ec;
    if (fs::exists(path, ec)) {
        if (!fs::is_directory(path, ec))
            throw EParvaneError("The output folder " + Quoted(folder) +
                                " exists and is not a folder.");
        if (!FolderIsEmpty(path)) {
            if (!IsEarlierOutput(folder) && !ctx.Host.ConfirmEmptyForeignFolder(folder))
                throw EParvaneError("The output folder " + Quoted(folder) +
                                    " is not empty and holds no earlier output of Parvane; it "
                                    "was left as it is. Choose an empty or a new folder.");
            // Empty it, keeping the folder itself (and a symbolic link to it) in place.
            for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
                std::error_code removeError;
                fs::remove_all(it->path(), removeError);
                if (removeError)
                    throw EParvaneError("Cannot empty the output folder " + Quoted(folder) + ": " +
                                        removeError.message());
            }
            if (ec)
                throw EParvaneError("Cannot empty the output folder " + Quoted(folder) + ": " +
                                    ec.message());
        }
    } else {
        fs::create_directories(path, ec);
        if (ec || !fs::is_directory(path))
            throw EParvaneError("Cannot create the output folder " + Quoted(folder) + ": " +
                                (ec ? ec.message() : std::string("not a folder")));
    }
    try {
        TextCodec::WriteFileAtomic(
            folder + kOutputMarker,
            "Made by Parvane: the next build into this folder empties it.\n");
    } catch (const std::exception& e) {
        throw EParvaneError("Cannot write into the output folder " + Quoted(folder) + ": " +
                            e.what());
    }
}

void CopyCollectedFiles(TBuildContext& ctx, const std::string& targetFolder, bool reportEach,
                        const std::vector<std::string>& writtenLater, TRealNamesPool* realNames) {
    TProjectRoot& root = ctx.Contents.Root();
    const std::string target = Paths::IncludeTrailingSlash(targetFolder);
    const std::unordered_set<std::string> skip(writtenLater.begin(), writtenLater.end());
    const bool renaming = realNames && ctx.Contents.LinksNeedRealNames;

    // First, on this thread: where each file goes, its folder made (once per folder), what
    // is to be said about it. The root's look-ups are this thread's alone here.
    struct TCopy {
        std::string Line; // the progress line, "" for none
        std::string Source;
        std::string Dest; // "" when the file is not copied
        std::string LinkFolder; // where its links are looked up from, when renaming
        const std::string* OnlyNames = nullptr; // the links to look up (TRealNames::Rewrite)
    };
    std::vector<TCopy> copies;
    copies.reserve(ctx.Contents.Files.size());
    std::unordered_set<std::string> made;
    for (const std::string& file : ctx.Contents.Files) {
        const TResolvedTarget found = root.Resolve(file);
        if (!found.Found())
            continue; // vanished since it was collected: the copy is simply missing
        if (!found.InsideRoot) {
            if (ctx.Contents.OutsideFiles.insert(found.Path).second)
                copies.push_back({"Not copied, it lies outside the project's root folder: " +
                                      found.Path,
                                  {}, {}, {}});
            continue;
        }
        TCopy copy;
        if (reportEach)
            copy.Line = file;
        if (!skip.count(found.Path)) {
            const std::string relative = root.Relative(found);
            const fs::path dest(target + relative);
            std::error_code ec;
            if (made.insert(dest.parent_path().string()).second) {
                fs::create_directories(dest.parent_path(), ec);
                if (ec)
                    throw EParvaneError("Cannot create the folder \"" +
                                        dest.parent_path().string() + "\": " + ec.message());
            }
            copy.Dest = dest.string();
            if (renaming && IsWebTextFile(found.Path)) {
                const std::string folder = Paths::ExtractFilePath(root.Folder() + relative);
                copy.OnlyNames = ctx.Contents.ScannedNames(found.Path, folder, "");
                if (!copy.OnlyNames || !copy.OnlyNames->empty())
                    copy.LinkFolder = folder;
            }
            copy.Source = found.Path;
        }
        if (!copy.Line.empty() || !copy.Dest.empty())
            copies.push_back(std::move(copy));
    }

    // Then the copies on every core, each line said in the list's order as its copy is
    // done (the first copy that fails stops the build, as with one thread).
    ForEachInOrderHelping<bool>(
        copies.size(), ctx.Contents.Threads,
        [&](std::size_t i) {
            const TCopy& copy = copies[i];
            if (copy.Dest.empty())
                return true;
            if (!copy.LinkFolder.empty()) {
                const TRealNamesPool::TLease names = realNames->Borrow();
                if (CopyWithRealNames(*names, copy.Source, copy.LinkFolder, copy.Dest,
                                      copy.OnlyNames))
                    return true;
            }
            std::error_code ec;
            fs::copy_file(copy.Source, copy.Dest, fs::copy_options::overwrite_existing, ec);
            if (ec && fs::exists(copy.Source))
                throw EParvaneError("Cannot copy \"" + copy.Source + "\" to \"" + copy.Dest +
                                    "\": " + ec.message());
            return true;
        },
        [&](std::size_t i, bool) {
            if (!copies[i].Line.empty())
                ctx.Host.Info(copies[i].Line);
        });
}

std::string ResolveOutputPath(const TPvx& project, const std::string& pathIn) {
    std::string path = SF::Trim(pathIn);
    if (path.empty())
        return path;
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        throw EParvaneError("The output location \"" + path +
                            "\" names a drive of another system. Please specify a folder of "
                            "this computer.");
    path = Paths::ToNative(Paths::ExpandHome(path));
    if (path.empty() || path[0] != '/')
        path = Paths::IncludeTrailingSlash(project.RootFolder()) + path;
    const bool folder = path.back() == '/';
    path = fs::path(path).lexically_normal().string();
    if (folder)
        path = Paths::IncludeTrailingSlash(path);
    return path;
}

// ---- the build dialog --------------------------------------------------------------------

std::optional<TBuildValidationError> ValidateBuildDialog(const TBuildDialogValues& values,
                                                         const std::string& projectRoot) {
    switch (values.Page) {
    case 0: {
        if (values.DeleteProject) {
            const std::string folder = SF::Trim(values.HHPFolder);
            if (folder.empty())
                return TBuildValidationError{"Please specify folder name!", BuildField::HHPFolder};
            const std::string withSlash = Paths::IncludeTrailingSlash(Paths::ToNative(folder));
            if (SF::SameText(withSlash, Paths::IncludeTrailingSlash(Paths::ToNative(projectRoot))))
                return TBuildValidationError{
                    "Html Help Workshop project folder cannot be the same as the Project "
                    "Rootfolder. Please specify another one!",
                    BuildField::HHPFolder};
        }
        if (SF::Trim(values.CompiledFile).empty())
            return TBuildValidationError{"Please specify Compiled file!", BuildField::CompiledFile};
        break;
    }
    case 1:
        if (SF::Trim(values.WebHelpOutputFolder).empty())
            return TBuildValidationError{"Please specify Output folder!",
                                         BuildField::WebHelpOutputFolder};
        break;
    case 2:
        if (SF::Trim(values.SingleHtmlOutputFolder).empty())
            return TBuildValidationError{"Please specify Output folder!",
                                         BuildField::SingleHtmlOutputFolder};
        if (SF::Trim(values.SingleHtmlFilename).empty())
            return TBuildValidationError{"Please specify File name!",
                                         BuildField::SingleHtmlFilename};
        break;
    case 3:
    case 4:
    case 5:
        return ValidateOutputFile(values);
    default:
        break;
    }
    return std::nullopt;
}

std::string FolderToEmpty(const TBuildDialogValues& values) {
    switch (values.Page) {
    case 0:
        return values.DeleteProject ? values.HHPFolder : std::string();
    case 1:
        return values.WebHelpOutputFolder;
    case 2:
        return values.SingleHtmlOutputFolder;
    default:
        return {};
    }
}

std::vector<std::string> FolderWarnings(const std::string& folder) {
    std::vector<std::string> warnings;
    const std::string trimmed = SF::Trim(folder);
    if (trimmed.empty())
        return warnings;
    if (Paths::FolderExists(Paths::ExpandHome(trimmed)))
        warnings.push_back("Before output, the folder \"" + folder +
                           "\" will be emptied! Continue?");
    if (trimmed.size() < 4)
        warnings.push_back("The folder \"" + folder +
                           "\" may be a HARD DRIVER root folder. Really continue?");
    return warnings;
}

} // namespace parvane
