// parvane-cli build: runs the build driver on a project and prints its progress.

#include "cli/commands.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace parvane::cli {

namespace {

const char* const kBuildUsage =
    "Usage: parvane-cli build PROJECT.pvx --single-html|--webhelp|--htmlhelp|--pdf|--epub|\n"
    "                                     --qthelp [OPTIONS]\n"
    "\n"
    "Builds one output of a project and prints every progress line.\n"
    "\n"
    "Outputs (choose one):\n"
    "  --single-html        one page holding every topic (SingleHtmlOutputFolder)\n"
    "  --webhelp            a Web Help site (WebHelpOutputFolder)\n"
    "  --htmlhelp           a compiled HTML Help file (CompiledFile)\n"
    "  --pdf                a printable PDF manual (PdfFile): title page, numbered\n"
    "                       contents, bookmarks and page numbers (printed with parvane-pdf)\n"
    "  --epub               an EPUB 3 e-book (EpubFile)\n"
    "  --qthelp             a Qt help file (.qch) for Qt Assistant and QHelpEngine, made\n"
    "                       with qhelpgenerator; context numbers are keyword ids (QtHelpFile)\n"
    "                       (when the project names no PDF, EPUB or Qt Help file, it is\n"
    "                       written beside the compiled help file, under its name)\n"
    "\n"
    "Options:\n"
    "  --out DIR|FILE       build into DIR (Single HTML, Web Help) or FILE (.chm, .pdf,\n"
    "                       .epub, .qch) for this run instead of the project's setting\n"
    "  --page-size A4|Letter  PDF: the paper for this run (else PdfPageSize, A4)\n"
    "  --margin MM          PDF: the margins in mm for this run (else PdfMargin, 15)\n"
    "  --force              empty an output folder that is not empty and holds no earlier\n"
    "                       output of Parvane (the home folder, the project's folders and the\n"
    "                       program's folder are never emptied), or replace a file that is\n"
    "                       no earlier PDF, EPUB or Qt help file (never a project's file)\n"
    "  --keep-project DIR   HTML Help: keep the HTML Help Workshop project files in DIR\n"
    "  --compiler-log       HTML Help: keep every line the compiler prints in a .log file\n"
    "                       beside the .chm (the progress shows each kind of warning once)\n"
    "  --copy-all           Web Help, HTML Help: copy every file below the root folder, not\n"
    "                       only the files the pages link to (for sites whose scripts load\n"
    "                       files by name); the project setting CopyAllFiles does the same\n"

    "  --no-search          Web Help: leave out the full-text search (WebHelpSearch)\n"
    "  --help               show this help\n"
    "\n"
    "Exit status: 0 when the output was built, 1 when the build failed, 2 on a usage error.\n";

int Usage(const std::string& message) {
    std::fprintf(stderr, "parvane-cli build: %s\nRun 'parvane-cli build --help' for the options.\n",
                 message.c_str());
    return 2;
}

// Prints the driver's lines; answers its question about a foreign folder with --force.
// A large build prints a line per file, tens of thousands in a second: the lines are
// written in batches, and a watcher writes what waits at least every 100 ms, so a line
// before a long silent step (the compiler's run) still shows at once.
class TConsoleHost : public TBuildHost {
public:
    explicit TConsoleHost(bool force) : force_(force), watcher_([this] { Watch(); }) {}
    ~TConsoleHost() override { Finish(); }

    void Info(const std::string& text) override {
        std::fputs(text.c_str(), stdout);
        std::fputc('\n', stdout);
        waiting_.store(true, std::memory_order_relaxed);
    }
    bool ConfirmEmptyForeignFolder(const std::string& folder) override {
        if (force_) {
            std::printf("Emptying \"%s\" (--force).\n", folder.c_str());
            return true;
        }
        std::fflush(stdout); // the lines before it come first
        std::fprintf(stderr,
                     "parvane-cli build: \"%s\" is not empty and was not made by Parvane.\n"
                     "Choose another folder with --out, or add --force to empty it.\n",
                     folder.c_str());
        return false;
    }
    bool ConfirmReplaceForeignFile(const std::string& file) override {
        if (force_) {
            std::printf("Replacing \"%s\" (--force).\n", file.c_str());
            return true;
        }
        std::fflush(stdout);
        std::fprintf(stderr,
                     "parvane-cli build: \"%s\" exists and was not made by Parvane.\n"
                     "Choose another file with --out, or add --force to replace it.\n",
                     file.c_str());
        return false;
    }

    // Stops the watcher and writes every line that waits.
    void Finish() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        if (watcher_.joinable())
            watcher_.join();
        std::fflush(stdout);
    }

private:
    void Watch() {
        std::unique_lock lock(mutex_);
        while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; }))
            if (waiting_.exchange(false, std::memory_order_relaxed))
                std::fflush(stdout); // stdio locks the stream against the printing thread
    }

    bool force_;
    std::atomic<bool> waiting_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread watcher_; // last: it starts once the rest is ready
};

bool Blank(const std::string& s) {
    return s.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Settings the desktop's build dialog would insist on before starting. With no one to ask,
// the command line builds with the defaults and says so.
void UseDefaultsForEmptySettings(TPvx& project, OutputKind kind) {
    TProjectSettings& s = project.ProjectSettings;
    auto warn = [](const std::string& text) {
        std::printf("Warning: %s\n", text.c_str());
    };
    if (kind == OutputKind::SingleHtml && Blank(s.SingleHtmlFilename)) {
        s.SingleHtmlFilename = "index.htm";
        warn("the project names no Single HTML file; writing \"index.htm\".");
    }
    if (kind == OutputKind::WebHelp) {
        // The defaults come in pairs that read well together: white on dark blue, black on
        // light grey; an empty colour takes the partner of the other one's pair.
        const bool darkBack = StringFunc::SameText(StringFunc::Trim(s.WebBackColor), "#003366");
        const bool whiteFont = StringFunc::SameText(StringFunc::Trim(s.WebFontColor), "#ffffff");
        if (Blank(s.WebFontColor)) {
            s.WebFontColor = darkBack ? "#ffffff" : "#000000";
            warn("the project sets no Web Help font colour; using " + s.WebFontColor + ".");
        }
        if (Blank(s.WebBackColor)) {
            s.WebBackColor = whiteFont ? "#003366" : "#DCDBD6";
            warn("the project sets no Web Help background colour; using " + s.WebBackColor +
                 ".");
        }
    }
}

std::string Absolute(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string expanded = Paths::ExpandHome(path);
    const fs::path abs = fs::absolute(fs::path(expanded), ec).lexically_normal();
    std::string result = ec ? expanded : abs.string();
    // Keep a folder's trailing "/" as given.
    if (!path.empty() && path.back() == '/' && !result.empty() && result.back() != '/')
        result += '/';
    return result;
}

} // namespace

int CmdBuild(const Args& args) {
    std::string projectPath;
    std::optional<OutputKind> kind;
    TBuildRequest request;
    bool force = false;
    bool noSearch = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto setKind = [&](OutputKind k) {
            if (kind && *kind != k)
                return false;
            kind = k;
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kBuildUsage, stdout);
            return 0;
        } else if (a == "--single-html") {
            if (!setKind(OutputKind::SingleHtml))
                return Usage("choose one output only.");
        } else if (a == "--webhelp") {
            if (!setKind(OutputKind::WebHelp))
                return Usage("choose one output only.");
        } else if (a == "--htmlhelp") {
            if (!setKind(OutputKind::HtmlHelp))
                return Usage("choose one output only.");
        } else if (a == "--pdf" || a == "--epub" || a == "--qthelp") {
            const OutputKind k = a == "--pdf"    ? OutputKind::Pdf
                                 : a == "--epub" ? OutputKind::Epub
                                                 : OutputKind::QtHelp;
            if (!setKind(k))
                return Usage("choose one output only.");
        } else if (a == "--page-size") {
            if (i + 1 >= args.size())
                return Usage("--page-size needs A4 or Letter.");
            request.PdfPageSize = args[++i];
            if (PdfPageSizeName(request.PdfPageSize).empty())
                return Usage("--page-size is A4 or Letter.");
        } else if (a == "--margin") {
            if (i + 1 >= args.size())
                return Usage("--margin needs millimetres.");
            const std::string value = args[++i];
            if (value.empty() || value.size() > 2 ||
                value.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(value) > kMaxPdfMargin)
                return Usage("--margin takes whole millimetres from 0 to 60.");
            request.PdfMargin = std::stoi(value);
        } else if (a == "--out" || a == "-o") {
            // An empty name would silently fall back to the project's setting.
            if (i + 1 >= args.size() || Blank(args[i + 1]))
                return Usage("--out needs a folder (or a file for --htmlhelp, --pdf, --epub, "
                             "--qthelp).");
            request.OutputOverride = Absolute(args[++i]);
        } else if (a == "--keep-project") {
            if (i + 1 >= args.size() || Blank(args[i + 1]))
                return Usage("--keep-project needs a folder.");
            request.KeepProjectFolder = Absolute(args[++i]);
        } else if (a == "--force") {
            force = true;
        } else if (a == "--copy-all") {
            request.CopyAll = true;
        } else if (a == "--compiler-log") {
            request.KeepCompilerLog = true;

        } else if (a == "--no-search") {
            noSearch = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option '" + a + "'.");
        } else if (projectPath.empty()) {
            projectPath = a;
        } else {
            return Usage("only one project file can be given ('" + a + "' is one too many).");
        }
    }
    if (projectPath.empty())
        return Usage("please name the project file (PROJECT.pvx) to build.");
    if (!kind)
        return Usage("please choose the output: --single-html, --webhelp, --htmlhelp, --pdf, "
                     "--epub or --qthelp.");
    request.Kind = *kind;
    if (request.Kind == OutputKind::HtmlHelp && !request.OutputOverride.empty() &&
        request.OutputOverride.back() == '/')
        return Usage("for --htmlhelp, --out names the .chm file to write.");
    if ((request.Kind == OutputKind::Pdf || request.Kind == OutputKind::Epub ||
         request.Kind == OutputKind::QtHelp) &&
        !request.OutputOverride.empty() && request.OutputOverride.back() == '/')
        return Usage("for --pdf, --epub and --qthelp, --out names the file to write.");
    if ((!request.PdfPageSize.empty() || request.PdfMargin >= 0) && request.Kind != OutputKind::Pdf)
        return Usage("--page-size and --margin are options of --pdf.");

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    try {
        project.LoadFromFile(Absolute(projectPath));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parvane-cli build: %s\n", e.what());
        return 1;
    }
    UseDefaultsForEmptySettings(project, request.Kind);
    // The build goes on: the help only opens on no page, which the author should know.
    if (StringFunc::Trim(project.ProjectSettings.DefaultTopic).empty())
        std::fputs("Warning: You have not specified a default topic. Right-clicking a topic and "
                   "selecting \"Set as default topic\" can set a topic as default.\n",
                   stderr);

    // For this run only: the project file is not written.
    if (noSearch)
        project.ProjectSettings.WebHelpSearch = false;
    TConsoleHost host(force);
    const TBuildResult result = RunBuild(project, request, host);
    host.Finish();
    if (!result.Ok) {
        std::fprintf(stderr, "parvane-cli build: the build failed: %s\n", result.Message.c_str());
        return 1;
    }
    return 0;
}

} // namespace parvane::cli
