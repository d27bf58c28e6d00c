// parvane-cli check: reports what would break in the outputs of a project.

#include "cli/commands.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/text_file.h"
#include "model/topic_tree.h"
#include "output/project_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace parvane::cli {

namespace {

const char* const kCheckUsage =
    "Usage: parvane-cli check PROJECT.pvx [--format text|json] [--output FILE] [--external]\n"
    "\n"
    "Checks a project before it ships: missing pages and pictures, links to missing\n"
    "fragments, names that match only when letter case is ignored, references that leave\n"
    "the project's root folder, pages no topic reaches, context numbers, keywords and\n"
    "templates. Reads every page once; writes nothing but the report.\n"
    "\n"
    "Options:\n"
    "  --format text|json   one line per finding (default), or a JSON report\n"
    "  --output FILE        write the report into FILE instead of the standard output\n"
    "                       (FILE is replaced only once the report is complete)\n"
    "  --external           list the external addresses too (they are never fetched)\n"
    "  --help               show this help\n"
    "\n"
    "Exit status: 0 when there is no error (warnings and notes allowed), 1 when there is\n"
    "at least one error or the project cannot be read, 2 on a usage error.\n";

int Usage(const std::string& message) {
    std::fprintf(stderr, "parvane-cli check: %s\nRun 'parvane-cli check --help' for the options.\n",
                 message.c_str());
    return 2;
}

} // namespace

int CmdCheck(const Args& args) {
    std::string projectPath;
    std::string format = "text";
    std::string outputFile;
    bool hasOutput = false;
    TCheckOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kCheckUsage, stdout);
            return 0;
        } else if (a == "--format") {
            if (i + 1 >= args.size())
                return Usage("--format needs text or json.");
            format = args[++i];
            if (format != "text" && format != "json")
                return Usage("--format takes text or json, not '" + format + "'.");
        } else if (a == "--output" || a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Usage("--output needs a file name.");
            outputFile = args[++i];
            hasOutput = true;
        } else if (a == "--external") {
            options.ListExternal = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option '" + a + "'.");
        } else if (projectPath.empty()) {
            projectPath = a;
        } else {
            return Usage("only one project file can be given ('" + a + "' is one too many).");
        }
    }
    if (projectPath.empty())
        return Usage("please name the project file (PROJECT.pvx) to check.");

    // The project and the findings stay until the process ends, which frees them at once:
    // freeing a large project's topics and findings piece by piece only delays the exit.
    struct TKept {
        TTopicTree Tree;
        TPvx Project{Tree};
        std::optional<TCheckResult> Result;
    };
    static TKept* const kept = new TKept;
    TTopicTree& tree = kept->Tree;
    tree.CreateRootGroups();
    TPvx& project = kept->Project;
    try {
        std::error_code ec;
        const std::string path =
            std::filesystem::absolute(Paths::ExpandHome(projectPath), ec).lexically_normal().string();
        project.LoadFromFile(ec ? projectPath : path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parvane-cli check: %s\n", e.what());
        return 1;
    }

    // The report is written as it is formatted (a large site's is hundreds of megabytes);
    // into a file that replaces FILE only once it is complete, so a failed write leaves an
    // earlier report as it was. The file is made first: a check of a large site is not
    // run only to find that its report cannot be written.
    std::optional<TextCodec::TAtomicFileWriter> file;
    try {
        if (hasOutput)
            file.emplace(Paths::ExpandHome(outputFile));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "parvane-cli check: %s\n", e.what());
        return 1;
    }
    // The findings stay compact until they are written: a large site has many.
    options.ProcessEndsAfter = true;
    const TCheckResult& result = kept->Result.emplace(RunCheck(project, options));
    const TCheckResult::TWrite write = [&](std::string_view part) {
        if (file) {
            file->Write(part);
        } else if (std::fwrite(part.data(), 1, part.size(), stdout) != part.size()) {
            throw EParvaneError(std::string("Cannot write the report to the standard output: ") +
                                std::strerror(errno));
        }
    };
    try {
        if (format == "json")
            result.WriteJson(write);
        else
            result.WriteText(write);
        if (file)
            file->Commit();
        else if (std::fflush(stdout) != 0)
            throw EParvaneError(std::string("Cannot write the report to the standard output: ") +
                                std::strerror(errno));
    } catch (const std::exception& e) {
        file.reset(); // nothing of a half report stays
        std::fprintf(stderr, "parvane-cli check: %s\n", e.what());
        return 1;
    }
    if (file && format == "text") // the summary line still reaches the terminal
        std::fputs(result.TextSummary().c_str(), stdout);
    return result.Errors() > 0 ? 1 : 0;
}

} // namespace parvane::cli
