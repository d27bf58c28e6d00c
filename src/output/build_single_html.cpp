// The Single HTML branch of the build: one page with every contents topic, plus the files
// those topics reference at their relative places.

#include "model/errors.h"
#include "model/paths.h"
#include "model/project_root.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "templates/template_apply.h"

namespace parvane {

namespace SF = StringFunc;

namespace {

// The page's file name must stay inside the output folder.
std::string CheckedFileName(const std::string& setting) {
    const std::string name = SF::Trim(setting);
    if (name.empty())
        throw EParvaneError("Please specify File name!");
    if (name.find_first_of("/\\") != std::string::npos || name == "." || name == ".." ||
        name == kOutputMarker)
        throw EParvaneError("The Single HTML file name \"" + name +
                            "\" must be a plain file name, without a folder.");
    return name;
}

} // namespace

void BuildSingleHtmlBranch(TBuildContext& ctx) {
    TPvx& project = ctx.Project;
    TContents& contents = ctx.Contents;
    const TProjectSettings& settings = project.ProjectSettings;
    const std::string root = project.RootFolder();

    const std::string folderSetting = ctx.Request.OutputOverride.empty()
                                          ? settings.SingleHtmlOutputFolder
                                          : ctx.Request.OutputOverride;
    if (SF::Trim(folderSetting).empty())
        throw EParvaneError("Please specify Output folder!");
    const std::string folder =
        Paths::IncludeTrailingSlash(ResolveOutputPath(project, folderSetting));
    const std::string fileName = CheckedFileName(settings.SingleHtmlFilename);

    ctx.Host.Info("Preparing files...");
    std::vector<std::string> topicPages;
    for (const auto& item : contents.Items) {
        if (!item->HasContent)
            continue;
        const TResolvedTarget page = contents.Root().Resolve(Paths::UrlToPath(root, item->Url));
        if (!page.InsideRoot)
            continue;
        CollectFiles(contents, page.Path);
        topicPages.push_back(page.Path);
    }
    // Their text goes into the single page; only what they reference is copied.
    for (const std::string& page : topicPages)
        contents.Files.erase(page);

    PrepareOutputFolder(ctx, folder);

    ctx.Host.Info("Creating page...");
    CopyCollectedFiles(ctx, folder);

    ctx.Host.Info("Output files...");
    const std::string pageFile =
        contents.ProgramFolder + (settings.SingleHtmlHasToc ? "singleb.htm" : "singlehtml.htm");
    if (!Paths::FileExists(pageFile))
        throw EParvaneError("The page file \"" + pageFile + "\" of the program is missing.");
    std::string allContent;
    if (settings.SingleHtmlHasToc)
        allContent = contents.BuildSingleToc();
    allContent += contents.BuildSinglePages();
    const std::string page =
        FillSingleHtmlPage(SF::LoadTextFile(pageFile, "UTF-8"), allContent, project);

    const std::string output = folder + fileName;
    SF::SaveTextFile(page, output, SF::Trim(settings.Encoding));
    // The page's links are relative to the root, as are the copies around it.
    WriteRealNames(ctx, folder);

    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + output);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = output;
}

} // namespace parvane
