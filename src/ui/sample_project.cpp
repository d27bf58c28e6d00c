#include "ui/sample_project.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace parvane {

namespace {
constexpr const char* SampleFolderName = "Parvane Sample";
constexpr const char* SampleFileName = "sample.pvx";
constexpr const char* SamplePagesName = "sample";
} // namespace

std::string UserProjectsFolder() {
    return Paths::HomeFolder() + "Parvane Projects/";
}

bool IsProgramSample(const std::string& path, const std::string& programFolder) {
    std::error_code ec;
    const fs::path sample = fs::path(Paths::IncludeTrailingSlash(programFolder)) / SampleFileName;
    const fs::path a = fs::weakly_canonical(fs::path(Paths::ToNative(path)), ec);
    if (ec)
        return false;
    const fs::path b = fs::weakly_canonical(sample, ec);
    return !ec && a == b;
}

std::string UserSampleProject(const std::string& programFolder, const std::string& projectsFolder) {
    const fs::path target =
        fs::path(Paths::IncludeTrailingSlash(projectsFolder)) / SampleFolderName;
    const fs::path project = target / SampleFileName;
    std::error_code ec;
    if (fs::is_regular_file(project, ec))
        return project.string();

    const fs::path program(Paths::IncludeTrailingSlash(programFolder));
    const fs::path source = program / SampleFileName;
    if (!fs::is_regular_file(source, ec))
        throw EParvaneError(source.string() + " doesn't exist!");
    // Made beside its final place and renamed into it: a copy that fails halfway (a full
    // disk) is removed and the next attempt starts afresh.
    const fs::path work = target.parent_path() / (std::string(".") + SampleFolderName + ".part");
    fs::remove_all(work, ec);
    const auto fail = [&](const std::string& why) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
        return EParvaneError("Cannot copy the sample project to \"" + target.string() +
                             "\": " + why);
    };
    fs::create_directories(work, ec);
    if (ec)
        throw fail(ec.message());
    if (fs::is_directory(program / SamplePagesName, ec)) {
        fs::copy(program / SamplePagesName, work / SamplePagesName, fs::copy_options::recursive,
                 ec);
        if (ec)
            throw fail(ec.message());
    }
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx pvx(tree);
    try {
        pvx.LoadFromFile(source.string());
        // Beside the project file, so it is stored relative to it and stays right when the
        // folder is renamed into place (or moved later by the author).
        pvx.ProjectSettings.RootDir =
            Paths::IncludeTrailingSlash((work / SamplePagesName).string());
        pvx.SaveToFile((work / SampleFileName).string());
    } catch (const EParvaneError& e) {
        throw fail(e.what());
    }
    fs::rename(work, target, ec);
    if (ec)
        throw fail(ec.message());
    return project.string();
}

} // namespace parvane
