// The Single HTML branch of the build: one page with every contents topic, plus the files
// those topics reference at their relative places.

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_writer.h"
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
        const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root, item->Url));
        if (page.empty())
            continue;
        topicPages.push_back(page);
    }
    CollectFiles(contents, topicPages);
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
    const std::string output = folder + fileName;
    const std::string pageText = SF::LoadTextFile(pageFile, "UTF-8");
    // The page file filled around a marker: what comes before and after the contents. The
    // contents are then written straight to the file, topic by topic, instead of being
    // assembled in memory (a large reference makes a page of hundreds of megabytes).
    const std::string marker = "\x01parvane-all-content\x02";
    const std::string frame = FillSingleHtmlPage(pageText, marker, project);
    const std::size_t at = frame.find(marker);
    if (at != std::string::npos && frame.find(marker, at + 1) == std::string::npos &&
        pageText.find(marker) == std::string::npos) {
        TTextFileWriter writer(output, SF::Trim(settings.Encoding));
        writer.Append(std::string_view(frame).substr(0, at));
        if (settings.SingleHtmlHasToc)
            writer.Append(contents.BuildSingleToc());
        contents.WriteSinglePages([&writer](std::string_view piece) { writer.Append(piece); });
        writer.Append(std::string_view(frame).substr(at + marker.size()));
        writer.Commit();
    } else {
        // No place for the contents, or several: the page is filled as a whole.
        std::string allContent;
        if (settings.SingleHtmlHasToc)
            allContent = contents.BuildSingleToc();
        allContent += contents.BuildSinglePages();
        SF::SaveTextFile(FillSingleHtmlPage(pageText, allContent, project), output,
                         SF::Trim(settings.Encoding));
    }

    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + output);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = output;
}

} // namespace parvane
