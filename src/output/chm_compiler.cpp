#include "output/chm_compiler.h"
#include "output/output_file.h"

#include "model/errors.h"
#include "model/string_func.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace parvane {

const char* const kCompilerMissingMessage =
    "The HTML Help compiler \"chmcmd\" was not found, so no .chm file was made. Install the "
    "Debian package \"fp-utils\" (sudo apt-get install fp-utils) and build again.";

namespace {

// Keeps the valid UTF-8 sequences of a line and tabs; any other byte below 32, DEL and
// every byte of a malformed sequence become "?", so garbage from a broken compiler still
// shows as a readable line.
std::string CleanLine(const std::string& raw) {
    std::string out;
    out.reserve(raw.size());
    const auto* s = reinterpret_cast<const unsigned char*>(raw.data());
    const std::size_t n = raw.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            out += (c >= 32 && c != 127) || c == '\t' ? static_cast<char>(c) : '?';
            ++i;
            continue;
        }
        std::size_t len = 0;
        unsigned int cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        }
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values above U+10FFFF are malformed too.
        if (ok && ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                   (cp >= 0xD800 && cp <= 0xDFFF)))
            ok = false;
        if (ok) {
            out.append(raw, i, len);
            i += len;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

// Splits the compiler's output into lines at LF, CR LF or a lone CR.
class TLineSplitter {
public:
    explicit TLineSplitter(const std::function<void(const std::string&)>& onLine)
        : onLine_(onLine) {}

    void Feed(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            const char c = data[i];
            if (c == '\n' && lastWasCr_) {
                lastWasCr_ = false;
                continue;
            }
            lastWasCr_ = c == '\r';
            if (c == '\n' || c == '\r') {
                Emit();
            } else {
                line_ += c;
                // A compiler that never ends its line must not fill the memory.
                if (line_.size() >= kMaxLine)
                    Emit();
            }
        }
    }
    void Finish() {
        if (!line_.empty())
            Emit();
    }

private:
    static constexpr std::size_t kMaxLine = 4096;
    void Emit() {
        if (onLine_)
            onLine_(CleanLine(line_));
        line_.clear();
    }

    const std::function<void(const std::string&)>& onLine_;
    std::string line_;
    bool lastWasCr_ = false;
};

} // namespace

std::string FindHtmlHelpCompiler() {
    if (const char* env = std::getenv("PARVANE_CHMCMD"); env && *env)
        return FindProgram(env);
    return FindProgram("chmcmd");
}

TCompilerRun RunHtmlHelpCompiler(const std::string& compiler, const std::string& projectFile,
                                 const std::string& workFolder,
                                 const std::function<void(const std::string&)>& onLine) {
    TCompilerRun run;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        run.Error = std::string("Cannot start the HTML Help compiler: ") + std::strerror(errno);
        return run;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    if (!workFolder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workFolder.c_str());

    // chmcmd adds on its own every file a page links to, wherever it lies ("../../etc/x");
    // the project's [FILES] list already holds every file of the work folder, so it is
    // told not to look further.
    std::string arg0 = compiler;
    std::string arg1 = "--no-html-scan";
    std::string arg2 = projectFile;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, compiler.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        run.Error =
            "Cannot start the HTML Help compiler \"" + compiler + "\": " + std::strerror(rc);
        return run;
    }
    run.Started = true;

    TLineSplitter splitter(onLine);
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
        if (got > 0) {
            splitter.Feed(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            break;
        }
    }
    splitter.Finish();
    ::close(fds[0]);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            run.ExitStatus = -1;
            run.Error = std::string("Lost the HTML Help compiler: ") + std::strerror(errno);
            return run;
        }
    }
    if (WIFEXITED(status))
        run.ExitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.ExitStatus = 128 + WTERMSIG(status);
    return run;
}

std::string CompiledFileTargetProblem(const std::string& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0)
        return {};
    const std::string quoted = "\"" + target + "\"";
    if (S_ISLNK(st.st_mode) && ::stat(target.c_str(), &st) != 0)
        return "The compiled file " + quoted +
               " is a symbolic link that leads nowhere; it was left as it is. Please choose "
               "another compiled file.";
    if (S_ISDIR(st.st_mode))
        return "The compiled file " + quoted +
               " names a folder; it was left as it is. Please choose a file name.";
    char signature[4] = {};
    const int fd = S_ISREG(st.st_mode) ? ::open(target.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    const bool helpFile =
        fd >= 0 && ::read(fd, signature, 4) == 4 && std::string_view(signature, 4) == "ITSF";
    if (fd >= 0)
        ::close(fd);
    if (!helpFile)
        return "The compiled file " + quoted +
               " names an existing file that is not a compiled help file; it was left as it "
               "is. Please choose another compiled file.";
    return {};
}

TCompiledFileReplacement::TCompiledFileReplacement(const std::string& target) : target_(target) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string("./") : target.substr(0, slash + 1);
    std::string templ = folder + ".parvane-chm-XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr)
        throw EParvaneError("Cannot create a folder for the new compiled file in \"" + folder +
                            "\": " + std::strerror(errno));
    folder_ = templ + "/";
    // The same name as the target: the compiled file records its own name.
    newFile_ = folder_ + target.substr(slash == std::string::npos ? 0 : slash + 1);
}

TCompiledFileReplacement::~TCompiledFileReplacement() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

bool TCompiledFileReplacement::Replace(std::string& error) {
    if (::rename(newFile_.c_str(), target_.c_str()) == 0)
        return true;
    error = std::strerror(errno);
    return false;
}

bool TCompilerLineFilter::Accept(const std::string& text) {
    if (text == last_ || StringFunc::Trim(text).empty())
        return false;
    last_ = text;
    return true;
}

} // namespace parvane
