#pragma once
// The HTML Help compiler: chmcmd from Debian's fp-utils, run as a child process on the
// .hhp of a work folder. Its output reaches the caller line by line.

#include <functional>
#include <string>

namespace parvane {

// Shown when no compiler can be found; the project files are still written.
extern const char* const kCompilerMissingMessage;

// The compiler to run: $PARVANE_CHMCMD when set (a path, or a name looked up on PATH),
// else "chmcmd" on PATH. "" when there is no such executable.
std::string FindHtmlHelpCompiler();

struct TCompilerRun {
    bool Started = false; // false: the program could not be started (Error says why)
    int ExitStatus = -1;  // the exit code, or 128 + the signal that ended it
    std::string Error;
};

// Runs `compiler projectFile` with workFolder as its current folder, stdin from /dev/null.
// Every line it prints on stdout or stderr (in the order printed) goes to onLine without
// its line end, as valid UTF-8 with control characters removed. Never throws.
TCompilerRun RunHtmlHelpCompiler(const std::string& compiler, const std::string& projectFile,
                                 const std::string& workFolder,
                                 const std::function<void(const std::string&)>& onLine);

// The compiling window's rule for the compiler's lines: a line is shown when it is not
// blank and differs from the last line shown.
class TCompilerLineFilter {
public:
    bool Accept(const std::string& text);

private:
    std::string last_;
};

} // namespace parvane
