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

// Runs `compiler --no-html-scan projectFile` with workFolder as its current folder, stdin from
// /dev/null. Every line it prints on stdout or stderr (in the order printed) goes to onLine without
// its line end, as valid UTF-8 with control characters removed. Never throws.
TCompilerRun RunHtmlHelpCompiler(const std::string& compiler, const std::string& projectFile,
                                 const std::string& workFolder,
                                 const std::function<void(const std::string&)>& onLine);

// Why a compiled help file may not be written at target, or "" when it may: target is a
// folder, or an existing file that is not an earlier compiled help file (those start with
// "ITSF"). Nothing may be lost to a mistyped name.
std::string CompiledFileTargetProblem(const std::string& target);

// A compiled file is made beside its target, in a private folder, and put in the target's
// place only once it is complete: a failed or missing compiler leaves the old file as it
// was. What is not put in place is removed with its folder.
class TCompiledFileReplacement {
public:
    // Throws EParvaneError when the private folder cannot be made.
    explicit TCompiledFileReplacement(const std::string& target);
    ~TCompiledFileReplacement();
    TCompiledFileReplacement(const TCompiledFileReplacement&) = delete;
    TCompiledFileReplacement& operator=(const TCompiledFileReplacement&) = delete;

    // Where the compiler writes: the target's name in the private folder.
    const std::string& NewFile() const { return newFile_; }
    // Renames the new file over the target; false (with the reason) when that fails.
    bool Replace(std::string& error);

private:
    std::string target_;
    std::string folder_; // the private folder, trailing "/"
    std::string newFile_;
};

// The compiling window's rule for the compiler's lines: a line is shown when it is not
// blank and differs from the last line shown.
class TCompilerLineFilter {
public:
    bool Accept(const std::string& text);

private:
    std::string last_;
};

} // namespace parvane
