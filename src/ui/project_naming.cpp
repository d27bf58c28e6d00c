#include "ui/project_naming.h"

#include "model/paths.h"
#include "model/string_func.h"

namespace parvane {

std::string ApplicationTitle() {
    return std::string(ProductName) + " " + VersionText;
}

std::string MainCaption(bool projectOpen, const TPvx& project) {
    if (!projectOpen)
        return ApplicationTitle();
    const std::string name =
        project.IsUntitled ? std::string("unnamed.pvx") : Paths::ExtractFileName(project.FileName);
    return ApplicationTitle() + " - " + name;
}

std::string ProposeSaveAsName(const TPvx& project) {
    if (project.IsUntitled) {
        const std::string& title = project.ProjectSettings.Title;
        return title.empty() ? std::string("unnamed.pvx")
                             : StringFunc::ValidFileName(title) + ".pvx";
    }
    return Paths::ExtractFilePath(project.FileName) + "copy of " +
           Paths::ExtractFileName(project.FileName);
}

std::string CompiledFileAfterSaveAs(const TPvx& project, const std::string& chosenPath) {
    const std::string& compiled = project.ProjectSettings.CompiledFile;
    if (!project.IsUntitled || compiled != "unnamed.chm")
        return compiled;
    const std::string& title = project.ProjectSettings.Title;
    if (!title.empty())
        return StringFunc::ValidFileName(title) + ".chm";
    return Paths::ChangeFileExt(Paths::ExtractFileName(chosenPath), ".chm");
}

} // namespace parvane
