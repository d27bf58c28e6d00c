#pragma once
// The build driver: collects every file the topics need, empties the output folder
// safely, copies, applies templates and runs the generator of the chosen output. It
// knows no widget: the desktop application and the command line both call RunBuild and
// answer the driver's few questions through TBuildHost.

#include "model/project_file.h"
#include "model/string_index.h"
#include "output/contents.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TRealNamesPool;

enum class OutputKind { HtmlHelp = 0, WebHelp = 1, SingleHtml = 2, Pdf = 3, Epub = 4, QtHelp = 5 };

// What the caller of a build is asked or told while it runs.
class TBuildHost {
public:
    virtual ~TBuildHost() = default;
    // A progress line ("Reading TOC...", "Completed.", a copied file, ...).
    virtual void Info(const std::string& text) = 0;
    // A line printed by the HTML Help compiler (already de-duplicated by the driver).
    virtual void CompilerLine(const std::string& text) { Info(text); }
    // The old compiled file could not be deleted: true = retry, false = abort.
    virtual bool AskRetry(const std::string& /*message*/) { return false; }
    // The output folder exists, is not empty and holds no earlier Parvane output: may it
    // be emptied? (The command line answers with --force.)
    virtual bool ConfirmEmptyForeignFolder(const std::string& /*folder*/) { return false; }
    // The target of a one-file output (PDF, EPUB, Qt Help) exists and is no earlier file of
    // that kind: may it be replaced? (The command line answers with --force.)
    virtual bool ConfirmReplaceForeignFile(const std::string& /*file*/) { return false; }
};

struct TBuildRequest {
    OutputKind Kind = OutputKind::SingleHtml;
    // Replaces the project's output folder (Web Help, Single HTML) or file (HTML Help, PDF,
    // EPUB, Qt Help) for this run; the project settings are not changed.
    std::string OutputOverride;
    // HTML Help: keep the Workshop project in this folder (overrides HHPFolder).
    std::string KeepProjectFolder;
    bool Compile = true; // HTML Help: run the compiler after writing the project
    // Threads for the per-page work (reading, rewriting, writing pages): 0 = one per core.
    // The output is the same whatever the number.
    int Threads = 0;
    // Web Help, HTML Help: copy every file below the root (as the CopyAllFiles setting).
    bool CopyAll = false;
    // HTML Help: keep the compiler's whole output beside the compiled file (<name>.log).
    bool KeepCompilerLog = false;

    // PDF: "A4" or "Letter" and the margin in millimetres; empty / negative: the project's.
    std::string PdfPageSize;
    int PdfMargin = -1;
    // PDF: topics per printed part (0: the default); tests print small books in parts.
    std::size_t PdfTopicsPerPart = 0;
};

struct TBuildResult {
    bool Ok = false;
    std::string OutputFile; // the page, index.htm or .chm that was produced
    std::string Message;    // the failure, for the caller to show
};

// Everything one build's branch works with.
struct TBuildContext {
    TPvx& Project;
    TContents& Contents;
    TBuildHost& Host;
    TBuildRequest Request;
    TBuildResult Result;
};

// Runs a whole build. Never throws: failures come back in the result.
TBuildResult RunBuild(TPvx& project, const TBuildRequest& request, TBuildHost& host);

// Shared steps of the branches.
// Adds page and, recursively through pages, scripts and style sheets, every existing local
// file it references, each by its name on disk. Already listed files are not visited
// again. A file outside the project's root (on real paths) is reported once as not
// copied and is never read, so nothing it links to is followed.
void CollectFiles(TContents& contents, const std::string& page);
// The same for several pages at once, reading and scanning them on contents.Threads threads.
void CollectFiles(TContents& contents, const std::vector<std::string>& pages);
// CollectFiles in steps, for a branch that reads the pages of the first wave itself and
// hands over what they link to (Single HTML scans each topic page while it rewrites it).
class TFileCollector {
public:
    explicit TFileCollector(TContents& contents);
    // Lists pages and returns the ones to scan (the web pages among them not listed before,
    // by their names on disk): the caller scans them and hands each scan to AddScan in
    // that order, or leaves them to Finish.
    std::vector<std::string> AddPages(const std::vector<std::string>& pages);
    // What the scan of a listed page found (THTMLRefer::GetLinkedPaths), or why the page
    // could not be read ("Cannot read PAGE: reason", reported). True when some link
    // reaches a file inside the root only in another letter case; the last names of those
    // links are added to otherCase, each after a "/".
    bool AddScan(const std::vector<std::string_view>& linked, const std::string& error,
                 std::string* otherCase = nullptr);
    // Scans the pages given (from AddPages), then what is found, wave by wave, until
    // nothing new is found.
    void Finish(std::vector<std::string> unscanned = {});

private:
    bool Admit(const TResolvedTarget& target);
    // Notes in the contents' ExactScans what the scan of file found (otherCase as AddScan
    // gives it).
    void RememberExactScan(const std::string& file, bool needsNames, const std::string& otherCase);

    TContents& contents_;
    TStringIndex seen_; // links looked up so far, as written: 1 for a case fallback
    std::vector<std::string> next_;        // listed, to be scanned
};
// With the request's CopyAll or the project's CopyAllFiles: adds every file below the
// project root to the list (collect_all_files.cpp). Hidden files and folders, the project
// file, folders that hold output of a build and the folder given as skipFolder are left
// out; links to folders are not followed.
void CollectAllFiles(TBuildContext& ctx, const std::string& skipFolder);
// Empties (or creates) an output folder and leaves the marker file in it. Refuses "/" and
// the folders directly below it, the home folder, the project root or one of its ancestors,
// the program folder (its ancestors and what lies in it), and any folder that holds the
// project file or a collected file; throws EParvaneError with the reason. A folder that is
// not empty and holds no earlier output is emptied only when the host confirms.
void PrepareOutputFolder(TBuildContext& ctx, const std::string& folder);
// Copies every collected file below the project root to the same relative place under
// targetFolder, byte for byte; files outside the root are reported and skipped. With
// reportEach, each file's path is reported before it is copied. Files in writtenLater (as
// on disk) are the branch's to write: reported, not copied. With realNames, the web pages,
// scripts and style sheets whose links reach a file inside the root only without regard to
// case are copied with those links naming the files as they are on disk.
void CopyCollectedFiles(TBuildContext& ctx, const std::string& targetFolder,
                        bool reportEach = false,
                        const std::vector<std::string>& writtenLater = {},
                        TRealNamesPool* realNames = nullptr);
// Whether a file is a web page, script or style sheet: the files whose links are followed
// and written with the names on disk.
bool IsWebTextFile(const std::string& path);
// An output location from a setting or an override: trimmed, "~" expanded, "\" made
// "/", relative paths taken below the project root, ".." resolved. A path with a drive
// letter (a project made on another system) is refused with a message.
std::string ResolveOutputPath(const TPvx& project, const std::string& path);
// True when folder holds output of an earlier build (the marker file, or a Web Help).
bool IsEarlierOutput(const std::string& folder);
// The marker file written into every output folder.
inline constexpr const char* kOutputMarker = ".parvane-output";

// The branches, one file each.
void BuildHtmlHelpBranch(TBuildContext& ctx);   // build_htmlhelp.cpp
void BuildWebHelpBranch(TBuildContext& ctx);    // build_webhelp.cpp
void BuildSingleHtmlBranch(TBuildContext& ctx); // build_single_html.cpp
void BuildPdfBranch(TBuildContext& ctx);        // pdf_output.cpp
void BuildEpubBranch(TBuildContext& ctx);       // epub_output.cpp
void BuildQtHelpBranch(TBuildContext& ctx);     // qt_help.cpp

// ---- the build dialog's checks ----------------------------------------------------------
struct TBuildDialogValues {
    int Page = 0; // 0 HTML Help, 1 Web Help, 2 Single HTML, 3 PDF, 4 EPUB, 5 Qt Help
    std::string CompiledFile;
    bool DeleteProject = false;
    std::string HHPFolder;
    std::string WebHelpOutputFolder;
    std::string SingleHtmlOutputFolder;
    std::string SingleHtmlFilename;
    bool ViewCompiledFile = true;
    // The one-file outputs: their files (for this build) and the PDF's paper and margins.
    std::string PdfFile;
    std::string PdfPageSize = kDefaultPdfPageSize;
    int PdfMargin = kDefaultPdfMargin;
    std::string EpubFile;
    std::string QtHelpFile;
};

enum class BuildField { CompiledFile, HHPFolder, WebHelpOutputFolder, SingleHtmlOutputFolder,
                        SingleHtmlFilename, PdfFile, EpubFile, QtHelpFile };

struct TBuildValidationError {
    std::string Message;
    BuildField Field;
};

// The first failing check of the active page, or nothing.
std::optional<TBuildValidationError> ValidateBuildDialog(const TBuildDialogValues& values,
                                                         const std::string& projectRoot);
// The folder the build will empty for the active page ("" when none).
std::string FolderToEmpty(const TBuildDialogValues& values);
// The Yes/No warnings for that folder, in order (exists; may be a drive's root).
std::vector<std::string> FolderWarnings(const std::string& folder);

} // namespace parvane
