#include "output/output_file.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

namespace {

std::string FirstBytes(const std::string& path, std::size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(n, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(n));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::string CanonicalOrSelf(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::weakly_canonical(fs::path(path), ec);
    return ec ? path : p.string();
}


// Text a helper prints, made safe to show: control characters become "?".
std::string Printable(std::string line) {
    for (char& c : line)
        if ((static_cast<unsigned char>(c) < 32 && c != '\t') || c == 127)
            c = '?';
    return line;
}

} // namespace

bool LooksLikePdf(const std::string& path) {
    return FirstBytes(path, 5) == "%PDF-";
}

bool LooksLikeEpub(const std::string& path) {
    // A zip whose first entry is the stored "mimetype" naming EPUB.
    const std::string head = FirstBytes(path, 58);
    return head.size() == 58 && head.compare(0, 4, "PK\x03\x04") == 0 &&
           head.compare(30, 8, "mimetype") == 0 &&
           head.compare(38, 20, "application/epub+zip") == 0;
}

bool LooksLikeQtHelp(const std::string& path) {
    return FirstBytes(path, 16) == std::string("SQLite format 3\0", 16);
}

namespace {

struct TPageFile {
    const TOutputFileKind* Kind;
    std::string File;
    BuildField Field;
};

const TOutputFileKind kPdfKind{"PDF", ".pdf", LooksLikePdf};
const TOutputFileKind kEpubKind{"EPUB", ".epub", LooksLikeEpub};
const TOutputFileKind kQtHelpKind{"Qt Help", ".qch", LooksLikeQtHelp};

std::optional<TPageFile> PageFile(const TBuildDialogValues& values) {
    switch (values.Page) {
    case 3:
        return TPageFile{&kPdfKind, values.PdfFile, BuildField::PdfFile};
    case 4:
        return TPageFile{&kEpubKind, values.EpubFile, BuildField::EpubFile};
    case 5:
        return TPageFile{&kQtHelpKind, values.QtHelpFile, BuildField::QtHelpFile};
    default:
        return std::nullopt;
    }
}

} // namespace

std::string DefaultOutputFile(const TPvx& project, const char* extension) {
    const std::string chm = SF::Trim(project.ProjectSettings.CompiledFile);
    return chm.empty() ? std::string() : Paths::ChangeFileExt(chm, extension);
}

std::optional<TBuildValidationError> ValidateOutputFile(const TBuildDialogValues& values) {
    const auto page = PageFile(values);
    if (!page)
        return std::nullopt;
    const std::string file = SF::Trim(page->File);
    if (file.empty())
        return TBuildValidationError{
            std::string("Please specify the ") + page->Kind->Name + " file!", page->Field};
    if (file.back() == '/' || file.back() == '\\' || Paths::FolderExists(Paths::ExpandHome(file)))
        return TBuildValidationError{"\"" + file + "\" is a folder; please name a file.",
                                     page->Field};
    return std::nullopt;
}

std::string OutputFileWarning(const TBuildDialogValues& values, const std::string& projectRoot) {
    const auto page = PageFile(values);
    if (!page || SF::Trim(page->File).empty())
        return {};
    std::string file = Paths::ToNative(Paths::ExpandHome(SF::Trim(page->File)));
    if (file[0] != '/')
        file = Paths::IncludeTrailingSlash(projectRoot) + file;
    if (!Paths::FileExists(file) || page->Kind->IsSameKind(file))
        return {};
    return "The file \"" + file + "\" exists and is not a " + page->Kind->Name +
           " file made by Parvane. Replace it?";
}

std::string PrepareOutputFile(TBuildContext& ctx, const std::string& setting,
                              const TOutputFileKind& kind) {
    std::string chosen = !ctx.Request.OutputOverride.empty() ? ctx.Request.OutputOverride : setting;
    if (SF::Trim(chosen).empty()) {
        // Beside the compiled help file, under its name: one place for the project's outputs.
        chosen = DefaultOutputFile(ctx.Project, kind.Extension);
        if (chosen.empty())
            throw EParvaneError(std::string("Please specify the ") + kind.Name + " file!");
    }
    const std::string target = ResolveOutputPath(ctx.Project, chosen);
    if (target.empty() || target.back() == '/' || Paths::ExtractFileName(target).empty())
        throw EParvaneError(std::string("The ") + kind.Name + " file \"" + chosen +
                            "\" names a folder; please name a file.");

    const std::string real = CanonicalOrSelf(target);
    const std::string never =
        std::string(" A build never replaces it; please choose another ") + kind.Name + " file.";
    auto same = [&real](const std::string& file) { return CanonicalOrSelf(file) == real; };
    if (!ctx.Project.IsUntitled && same(ctx.Project.FileName))
        throw EParvaneError("\"" + target + "\" is the project file." + never);
    const std::string root = Paths::IncludeTrailingSlash(ctx.Project.RootFolder());
    for (const auto& item : ctx.Contents.Items)
        if (item->HasContent && same(Paths::UrlToPath(root, item->Url)))
            throw EParvaneError("\"" + target + "\" is a page of the project." + never);
    for (const std::string& file : ctx.Contents.Files)
        if (same(file))
            throw EParvaneError("\"" + target + "\" is a file the project uses." + never);
    const std::string appDir = Paths::AppDir();
    if (!appDir.empty()) {
        const std::string app = CanonicalOrSelf(appDir);
        if (SF::StartsWithText(real, app + "/"))
            throw EParvaneError("\"" + target + "\" lies in the program's folder." + never);
    }

    std::error_code ec;
    const fs::path file(target);
    if (fs::exists(fs::symlink_status(file, ec))) {
        if (fs::is_directory(file, ec))
            throw EParvaneError("\"" + target + "\" is a folder." + never);
        if (!kind.IsSameKind(target) && !ctx.Host.ConfirmReplaceForeignFile(target))
            throw EParvaneError("\"" + target + "\" exists and is not a " + kind.Name +
                                " file made before; it was left as it is. Choose another "
                                "file name.");
    }
    fs::create_directories(file.parent_path(), ec);
    if (ec || !fs::is_directory(file.parent_path(), ec))
        throw EParvaneError("Cannot create the folder \"" + file.parent_path().string() + "\"" +
                            (ec ? ": " + ec.message() : std::string(".")));
    return target;
}

void InstallOutputFile(const std::string& finished, const std::string& target) {
    const fs::path dest(target);
    const std::string temp =
        (dest.parent_path() / ("." + dest.filename().string() + ".part")).string();
    std::error_code ec;
    fs::copy_file(finished, temp, fs::copy_options::overwrite_existing, ec);
    if (!ec)
        fs::rename(temp, dest, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        throw EParvaneError("Cannot write \"" + target + "\": " + ec.message());
    }
}

TPrivateFolder::TPrivateFolder(const std::string& prefix) {
    std::string templ = SF::TempFolder() + prefix + "-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr)
        throw EParvaneError("Cannot create a temporary folder in \"" + SF::TempFolder() +
                            "\": " + std::strerror(errno));
    path_ = Paths::IncludeTrailingSlash(templ);
}

TPrivateFolder::~TPrivateFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

TProgramRun RunProgram(const std::vector<std::string>& argvIn, const std::string& cwd,
                       const std::function<void(const std::string&)>& onLine) {
    TProgramRun run;
    if (argvIn.empty()) {
        run.Error = "No program to run.";
        return run;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        run.Error = std::string("Cannot start \"") + argvIn[0] + "\": " + std::strerror(errno);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    if (!cwd.empty())
        posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<std::string> args = argvIn;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        run.Error = "Cannot start \"" + argvIn[0] + "\": " + std::strerror(rc);
        return run;
    }
    run.Started = true;

    std::string line;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (c == '\n' || c == '\r' || line.size() >= 4096) {
                if (!line.empty() && onLine)
                    onLine(Printable(line));
                line.clear();
                if (c == '\n' || c == '\r')
                    continue;
            }
            line += c;
        }
    }
    if (!line.empty() && onLine)
        onLine(Printable(line));
    ::close(fds[0]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            run.Error =
                std::string("Lost the program \"") + argvIn[0] + "\": " + std::strerror(errno);
            return run;
        }
    }
    if (WIFEXITED(status))
        run.ExitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.ExitStatus = 128 + WTERMSIG(status);
    return run;
}

std::string FindProgram(const char* envName, const std::vector<std::string>& candidates) {
    if (const char* env = std::getenv(envName); env && *env)
        return FindProgram(env);
    for (const std::string& candidate : candidates) {
        const std::string found = FindProgram(candidate);
        if (!found.empty())
            return found;
    }
    return {};
}

std::string ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : Paths::IncludeTrailingSlash(exe.parent_path().string());
}

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindProgram(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return IsExecutableFile(name) ? name : std::string();
    const char* pathEnv = std::getenv("PATH");
    const std::string path = pathEnv ? pathEnv : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string dir = end > start ? path.substr(start, end - start) : std::string(".");
        if (IsExecutableFile(dir + "/" + name))
            return dir + "/" + name;
        start = end + 1;
    }
    return {};
}

} // namespace parvane
