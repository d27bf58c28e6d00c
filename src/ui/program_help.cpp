#include "ui/program_help.h"

#include "model/paths.h"
#include "settings/app_options.h"

#include <filesystem>

namespace parvane {

std::string ProgramHelpFile(const std::string& appDir, bool canShowCompiledHelp) {
    const std::string folder = Paths::IncludeTrailingSlash(appDir);
    const std::string compiled = folder + HelpFileName;
    const std::string web = folder + WebHelpStartPage;
    std::error_code error;
    const bool hasCompiled = std::filesystem::is_regular_file(compiled, error);
    const bool hasWeb = std::filesystem::is_regular_file(web, error);
    if (hasCompiled && (canShowCompiledHelp || !hasWeb))
        return compiled;
    if (hasWeb)
        return web;
    return {};
}

bool DesktopShowsCompiledHelp() {
    for (const char* type : {"application/vnd.ms-htmlhelp", "application/x-chm"})
        if (!ReadDesktopApps(type).empty())
            return true;
    return false;
}

} // namespace parvane
