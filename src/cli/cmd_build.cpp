// parvane-cli build: runs the build driver on a project and prints its progress.

#include "cli/commands.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace parvane::cli {

namespace {

const char* const kBuildUsage =
    "Usage: parvane-cli build PROJECT.pvx --single-html|--webhelp|--htmlhelp [OPTIONS]\n"
    "\n"
    "Builds one output of a project and prints every progress line.\n"
    "\n"
    "Outputs (choose one):\n"
    "  --single-html        one page holding every topic (SingleHtmlOutputFolder)\n"
    "  --webhelp            a Web Help site (WebHelpOutputFolder)\n"
    "  --htmlhelp           a compiled HTML Help file (CompiledFile)\n"
    "\n"
    "Options:\n"
    "  --out DIR|FILE.chm   build into DIR (Single HTML, Web Help) or FILE.chm (HTML Help)\n"
    "                       for this run instead of the project's setting\n"
    "  --force              empty an output folder that is not empty and holds no earlier\n"
    "                       output of Parvane (the home folder, the project's folders and the\n"
    "                       program's folder are never emptied)\n"
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
class TConsoleHost : public TBuildHost {
public:
    explicit TConsoleHost(bool force) : force_(force) {}
    void Info(const std::string& text) override {
        std::fputs(text.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    bool ConfirmEmptyForeignFolder(const std::string& folder) override {
        if (force_) {
            std::printf("Emptying \"%s\" (--force).\n", folder.c_str());
            return true;
        }
        std::fprintf(stderr,
                     "parvane-cli build: \"%s\" is not empty and was not made by Parvane.\n"
                     "Choose another folder with --out, or add --force to empty it.\n",
                     folder.c_str());
        return false;
    }

private:
    bool force_;
};

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
        } else if (a == "--out" || a == "-o") {
            if (i + 1 >= args.size())
                return Usage("--out needs a folder (or a .chm file for --htmlhelp).");
            request.OutputOverride = Absolute(args[++i]);
        } else if (a == "--keep-project") {
            if (i + 1 >= args.size())
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
        return Usage("please choose the output: --single-html, --webhelp or --htmlhelp.");
    request.Kind = *kind;
    if (request.Kind == OutputKind::HtmlHelp && !request.OutputOverride.empty() &&
        request.OutputOverride.back() == '/')
        return Usage("for --htmlhelp, --out names the .chm file to write.");

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    try {
        project.LoadFromFile(Absolute(projectPath));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parvane-cli build: %s\n", e.what());
        return 1;
    }
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
    if (!result.Ok) {
        std::fprintf(stderr, "parvane-cli build: the build failed: %s\n", result.Message.c_str());
        return 1;
    }
    return 0;
}

} // namespace parvane::cli
