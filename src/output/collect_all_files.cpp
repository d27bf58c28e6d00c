// Copying every file below the root: for sites whose scripts load files (search indexes,
// fonts, data) that no page names, so the link scan cannot find them.

#include "model/paths.h"
#include "model/string_func.h"
#include "output/build_driver.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace parvane {

namespace fs = std::filesystem;

void CollectAllFiles(TBuildContext& ctx, const std::string& skipFolder) {
    if (!ctx.Request.CopyAll && !ctx.Project.ProjectSettings.CopyAllFiles)
        return;
    const std::string root = Paths::IncludeTrailingSlash(ctx.Project.RootFolder());
    const std::string skip =
        skipFolder.empty() ? std::string() : Paths::IncludeTrailingSlash(skipFolder);
    const std::string projectFile = ctx.Project.IsUntitled ? std::string() : ctx.Project.FileName;
    std::size_t added = 0;
    std::vector<fs::path> pending{fs::path(root)};
    while (!pending.empty()) {
        const fs::path folder = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (name.empty() || name[0] == '.')
                continue; // .git, .cache and the like are no part of the help
            const std::string path = it->path().string();
            std::error_code typeError;
            if (it->is_directory(typeError)) {
                if (it->is_symlink(typeError) || IsEarlierOutput(path) ||
                    (!skip.empty() && StringFunc::SameText(Paths::IncludeTrailingSlash(path), skip)))
                    continue;
                pending.push_back(it->path());
            } else if (it->is_regular_file(typeError) && path != projectFile) {
                if (ctx.Contents.Files.insert(path).second)
                    ++added;
            }
        }
    }
    ctx.Host.Info("Copying every file below the root folder: " + std::to_string(added) +
                  " file(s) more.");
}

} // namespace parvane
