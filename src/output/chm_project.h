#pragma once
// TCHMProject writes an HTML Help Workshop project (.hhp, .hhc, .hhk, .h) into a work
// folder and compiles it with chmcmd. Its window settings are a copy of the project's
// help-window settings; the rest is the state of one build.

#include "model/help_window_settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace parvane {

class TPvx;

enum class CompileOutcome {
    NotRequested,    // compile was false: only the project files were written
    Compiled,        // the compiler ran and the .chm exists
    Failed,          // the compiler failed or made no .chm
    CompilerMissing, // no chmcmd: the project files are written, nothing compiled
    Aborted,         // the old .chm could not be deleted and the author gave up
};

struct TCHMBuildResult {
    CompileOutcome Outcome = CompileOutcome::NotRequested;
    std::string Target;  // full path of the .chm
    std::string Message; // why no .chm was made (empty when compiled or not requested)
    // Compiled, but chmcmd crashed while indexing the text, so the file was compiled again
    // without full-text search.
    bool WithoutFullTextSearch = false;
};

class TCHMProject : public THelpWindowSettings {
public:
    using LineCallback = std::function<void(const std::string&)>;
    using ProgressCallback = std::function<int(const std::string&)>;
    using RetryCallback = std::function<bool(const std::string&)>;

    // The window figures of a newly created object (a new project sets its own).
    TCHMProject();

    // ---- build inputs, set by the driver --------------------------------------------
    bool IncludeFolderFiles = true;
    LineCallback OnLog;
    ProgressCallback OnProgress; // its result is ignored: the compiler runs to its end
    // The old compiled file cannot be deleted: true = try again, false = abort. Unset: abort.
    RetryCallback OnRetry;
    // Opens the compiled file with its viewer (only called when the file exists).
    LineCallback OnView;
    std::string WorkFolder; // trailing "/"
    std::string SubFolder;  // below WorkFolder, scanned for [FILES]
    std::string CompiledFile;
    std::string ContentsBody, IndexBody, AliasText, MapText;
    // The compiler to run; empty: FindHtmlHelpCompiler().
    std::string CompilerPath;

    // ---- computed by the build -------------------------------------------------------
    std::uint32_t ButtonFlags = 0, NavFlags = 0, WindowStyle = 0, ExWindowStyle = 0, TreeStyle = 0,
                  TreeExStyle = 0;
    std::vector<std::string> Files;
    std::string ProjectFileName, ContentsFileName, IndexFileName, MapFileName, LogFileName;

    // Only the window settings; the build state stays as it is.
    void Assign(const THelpWindowSettings& source) { THelpWindowSettings::Assign(source); }

    void ComputeStyles();
    // Fills Files with every file below WorkFolder + SubFolder except the project's own
    // kinds (.hhp .hhc .hhk .log .chm .h): relative, "\" separated, sorted by folder.
    void ScanFiles();
    // Names the files of this build after CompiledFile.
    void ComputeFileNames();

    // The four files as bytes, exactly as Build writes them: text in the Windows code
    // page of Language (characters it lacks become "&#N;", or "?" in the .hhp), file
    // paths as they are on disk (UTF-8), lines ended by CR LF.
    std::string WindowDefinition() const; // UTF-8, the value after "main="
    std::string ProjectFileText() const;
    std::string ContentsFileText() const;
    std::string IndexFileText() const;
    std::string MapFileText() const;

    // The whole build: styles, file scan, the project files, then (when compile) the old
    // .chm deleted and the compiler run, (when view) the viewer, and (when
    // deleteIntermediate) the project files removed again, also after a failure.
    // Failing to write a file throws EParvaneError.
    TCHMBuildResult Build(bool compile, bool view, bool deleteIntermediate);

    // The .chm the compiler writes: CompiledFile when absolute, else below WorkFolder.
    std::string TargetFile() const;

private:
    std::string CodePage() const;
    void Log(const std::string& line) const;
    // One compiler run on the written project; true when it made a .chm. crashed tells
    // whether the compiler died (rather than refused the project).
    bool Compile(const std::string& compiler, TCHMBuildResult& result, bool& crashed);

    bool fullTextSearch_ = true;
    std::string compileTo_; // while compiling: the new file the compiler writes
};

// The compiled file of a project: CompiledFile when absolute, else below the project
// root (".." resolved); "" when unset. What "View HTML Help" opens. Throws
// EParvaneError for a path of another system (a drive letter).
std::string CompiledFilePath(const TPvx& project);
// Asked by "View HTML Help" when CompiledFilePath does not exist.
extern const char* const kHtmlHelpNotCreatedQuestion;

// "0x" and upper-case hexadecimal digits without leading zeros ("0x0" for zero).
std::string HexFlags(std::uint32_t value);

} // namespace parvane
