#pragma once
// The steps the one-file outputs (PDF, EPUB, Qt Help) share: where the file goes, whether
// an existing file there may be replaced, a private work folder, running a helper program,
// and putting the finished file in place.

#include "output/build_driver.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace parvane {

// What a one-file output is, for the checks on its target.
struct TOutputFileKind {
    const char* Name;      // "PDF", for messages
    const char* Extension; // ".pdf"
    // True when the file at path is an earlier file of this kind (by its first bytes).
    bool (*IsSameKind)(const std::string& path);
};

bool LooksLikePdf(const std::string& path);
bool LooksLikeEpub(const std::string& path);
bool LooksLikeQtHelp(const std::string& path);

// The target file of a one-file output: the request's override, else setting, else the
// compiled help file's name with the kind's extension. Checks that it may be written and
// creates its folder. A file there is replaced only when it is an earlier output of the
// same kind or the host agrees; a file of the project (a page, a collected file, the
// project file) and anything in the program folder are never replaced.
std::string PrepareOutputFile(TBuildContext& ctx, const std::string& setting,
                              const TOutputFileKind& kind);

// The file of a one-file output when the author names none: the compiled help file's name
// with the kind's extension ("" when there is no compiled file either).
std::string DefaultOutputFile(const TPvx& project, const char* extension);

// The build dialog's checks of the PDF, EPUB and Qt Help pages: the file is named and is not
// a folder.
std::optional<TBuildValidationError> ValidateOutputFile(const TBuildDialogValues& values);

// The Yes/No question of the dialog before it replaces a file that is no earlier output of
// the page's kind ("" when there is nothing to ask). Relative names are taken below
// projectRoot.
std::string OutputFileWarning(const TBuildDialogValues& values, const std::string& projectRoot);

// Moves (or copies) a finished file over target in one rename, so a failed build leaves the
// old file whole.
void InstallOutputFile(const std::string& finished, const std::string& target);

// A folder private to this build (mkdtemp), removed with everything in it at the end.
class TPrivateFolder {
public:
    explicit TPrivateFolder(const std::string& prefix);
    ~TPrivateFolder();
    TPrivateFolder(const TPrivateFolder&) = delete;
    TPrivateFolder& operator=(const TPrivateFolder&) = delete;
    const std::string& Path() const { return path_; } // with trailing "/"

private:
    std::string path_;
};

struct TProgramRun {
    bool Started = false;
    int ExitStatus = -1; // exit code, or 128 + signal
    std::string Error;
};

// Runs argv[0] (a path) with its arguments in folder cwd, stdin from /dev/null; every line
// it prints (stdout and stderr) goes to onLine. Never throws.
TProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                       const std::function<void(const std::string&)>& onLine);

// An executable: environment variable envName when set (path or name on PATH), else the
// first of candidates that exists (absolute paths, or names looked up on PATH). "" if none.
std::string FindProgram(const char* envName, const std::vector<std::string>& candidates);

// The folder of the running executable, with trailing "/".
std::string ExecutableFolder();

// A program by name: as given when it names a path, else the first executable of that name
// in $PATH (an empty entry stands for the current folder); "" when there is none.
std::string FindProgram(const std::string& name);

} // namespace parvane
