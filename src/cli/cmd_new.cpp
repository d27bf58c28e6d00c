// parvane-cli new: the new-project wizard without windows.

#include "cli/commands.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/topic_tree.h"
#include "wizard/new_project.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace parvane::cli {

namespace {

const char* const kNewUsage =
    "Usage: parvane-cli new ROOT --output PROJECT.pvx [OPTIONS]\n"
    "\n"
    "Creates a help project whose pages live in the folder ROOT (created when missing) and\n"
    "saves it to PROJECT.pvx. Without --import the table of contents gets the starter\n"
    "topics; with --import every .htm/.html page below ROOT becomes a topic.\n"
    "\n"
    "Options:\n"
    "  --output FILE      the project file to write (required)\n"
    "  --title TEXT       project title (default \"New HTML Help\")\n"
    "  --encoding NAME    character set of the pages, e.g. UTF-8 (default Windows-1252)\n"
    "  --import           turn the pages found below ROOT into the table of contents, in\n"
    "                     name order (case ignored, page2 before page10); the first page\n"
    "                     becomes the default topic\n"
    "  --flat             with --import: no headings for sub-folders, all pages side by side\n"
    "  --folder-index     with --import: a sub-folder's index.html (or index.htm) becomes the\n"
    "                     page of the folder's heading instead of a topic below it\n"
    "  --title-from MODE  with --import, where titles come from: title (the page's <title>,\n"
    "                     the default), name (file name without extension) or filename\n"
    "  --force            replace PROJECT.pvx when it exists\n"
    "  --quiet            do not list the imported pages\n"
    "  --help             show this help\n";

int Fail(const std::string& message) {
    std::fprintf(stderr, "parvane-cli new: %s\n", message.c_str());
    return 1;
}

// A command line that is not understood: exit status 2, as every command gives.
int UsageError(const std::string& message) {
    Fail(message);
    return 2;
}

int CountTopics(const TTopicNode* node) {
    int n = 0;
    for (int i = 0; i < node->Count(); ++i)
        n += 1 + CountTopics(node->Child(i));
    return n;
}

} // namespace

int CmdNew(const Args& args) {
    TNewProjectOptions options;
    std::string output;
    bool force = false;
    bool quiet = false;
    bool haveRoot = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // The value after an option, or nullptr when the option ends the line.
        auto value = [&]() -> const std::string* {
            return i + 1 < args.size() ? &args[++i] : nullptr;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kNewUsage, stdout);
            return 0;
        } else if (a == "--output" || a == "-o") {
            const std::string* v = value();
            if (!v)
                return UsageError("--output needs a file name.");
            output = *v;
        } else if (a == "--title") {
            const std::string* v = value();
            if (!v)
                return UsageError("--title needs a text.");
            options.Title = *v;
        } else if (a == "--encoding") {
            const std::string* v = value();
            if (!v)
                return UsageError("--encoding needs a character set name, e.g. UTF-8.");
            options.Encoding = *v;
        } else if (a == "--import") {
            options.Import = true;
        } else if (a == "--flat") {
            options.KeepStructure = false;
        } else if (a == "--folder-index") {
            options.FolderIndex = true;
        } else if (a == "--title-from") {
            const std::string* v = value();
            if (!v)
                return UsageError("--title-from needs one of: title, name, filename.");
            if (*v == "title")
                options.TitleMode = tmHtmlTitle;
            else if (*v == "name")
                options.TitleMode = tmNameWithoutExtension;
            else if (*v == "filename")
                options.TitleMode = tmFileName;
            else
                return UsageError("--title-from takes title, name or filename, not '" + *v + "'.");
        } else if (a == "--force") {
            force = true;
        } else if (a == "--quiet" || a == "-q") {
            quiet = true;
        } else if (!a.empty() && a[0] == '-') {
            return UsageError("unknown option '" + a + "'. Run 'parvane-cli new --help'.");
        } else if (!haveRoot) {
            options.RootFolder = a;
            haveRoot = true;
        } else {
            return UsageError("only one root folder can be given ('" + a + "' is one too many).");
        }
    }
    if (!haveRoot) {
        std::fputs(kNewUsage, stderr);
        return 2;
    }
    if (output.empty())
        return UsageError("please name the project file to write with --output PROJECT.pvx.");
    if (options.FolderIndex && !options.KeepStructure)
        return UsageError("--folder-index makes index pages the pages of the folders' headings; "
                          "with --flat there are no such headings.");

    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string projectFile = fs::absolute(fs::path(output), ec).lexically_normal().string();
    if (fs::exists(projectFile, ec) && !force)
        return Fail("\"" + projectFile + "\" already exists; use --force to replace it.");
    const fs::path projectFolder = fs::path(projectFile).parent_path();
    if (!fs::is_directory(projectFolder, ec))
        return Fail("the folder \"" + projectFolder.string() + "\" of the project file doesn't " +
                    "exist.");
    options.RootFolder = fs::absolute(fs::path(Paths::ExpandHome(options.RootFolder)), ec)
                             .lexically_normal()
                             .string();

    try {
        TTopicTree tree;
        tree.CreateRootGroups();
        TPvx project(tree);
        int imported = 0;
        NewProject(project, options, [&](const std::string& file) {
            ++imported;
            if (!quiet)
                std::printf("Searching %s\n", file.c_str());
        });
        project.FileName = projectFile;
        project.SaveToFile(projectFile);
        std::printf("Created %s: root folder %s, %d topic(s) in the table of contents.\n",
                    projectFile.c_str(), project.RootFolder().c_str(),
                    CountTopics(project.ContentsRoot()));
        if (options.Import && imported == 0)
            std::printf("No .htm or .html page was found below the root folder.\n");
    } catch (const EParvaneError& e) {
        return Fail(e.what());
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
    return 0;
}

} // namespace parvane::cli
