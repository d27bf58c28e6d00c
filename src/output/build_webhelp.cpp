// The Web Help branch of the build: the topic pages and what they reference under "scr",
// the navigation images under "icons", the script and the five frame pages filled in.

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "output/web_help.h"
#include "templates/template_apply.h"

#include <filesystem>
#include <system_error>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

const char* const kWebHelpNotCreatedQuestion = "Web Help hasn't been created, create it?";

namespace {

// The frame pages in the order they are written.
const char* const kFramePages[] = {"index.htm", "webhelpframe.htm", "webhelptop.htm",
                                   "webhelpleft.htm", "webhelpindex.htm"};
// Files of the site that are copied as they are.
const char* const kSiteFiles[] = {"webhelp.js", "webhelp.css"};

// Colours land in style sheets and attributes: anything but a colour is refused.
std::string CheckedColour(const std::string& value, const char* setting) {
    const std::string colour = SF::Trim(value);
    bool ok = !colour.empty();
    for (char c : colour) {
        const bool allowed = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                             (c >= 'A' && c <= 'Z') || c == '#' || c == '(' || c == ')' ||
                             c == ',' || c == '.' || c == '%' || c == ' ';
        ok = ok && allowed;
    }
    if (!ok)
        throw EParvaneError(std::string("The Web Help colour ") + setting + " \"" + value +
                            "\" is not a colour. Please choose it again in the project settings.");
    return colour;
}

std::string ProjectPage(const std::string& root, const std::string& url) {
    const std::string trimmed = SF::Trim(url);
    if (trimmed.empty())
        return {};
    // ".." is resolved first, so an address leading out of the root is seen to be outside.
    return Paths::ResolveExisting(
        fs::path(Paths::UrlToPath(root, trimmed)).lexically_normal().string());
}

} // namespace

std::string WebHelpIndexFile(const TPvx& project) {
    const std::string folder = project.ProjectSettings.WebHelpOutputFolder;
    if (SF::Trim(folder).empty())
        return {};
    return Paths::IncludeTrailingSlash(ResolveOutputPath(project, folder)) + "index.htm";
}

void BuildWebHelpBranch(TBuildContext& ctx) {
    TPvx& project = ctx.Project;
    TContents& contents = ctx.Contents;
    const TProjectSettings& s = project.ProjectSettings;
    const std::string root = project.RootFolder();

    const std::string folderSetting =
        ctx.Request.OutputOverride.empty() ? s.WebHelpOutputFolder : ctx.Request.OutputOverride;
    if (SF::Trim(folderSetting).empty())
        throw EParvaneError("Please specify Output folder!");
    const std::string folder =
        Paths::IncludeTrailingSlash(ResolveOutputPath(project, folderSetting));
    const std::string backColor = CheckedColour(s.WebBackColor, "WebBackColor");
    const std::string fontColor = CheckedColour(s.WebFontColor, "WebFontColor");

    // Everything the program folder must provide, checked before the output is emptied.
    const std::string support = contents.ProgramFolder + "webhelp/";
    for (const char* name : kFramePages)
        if (!Paths::FileExists(support + name))
            throw EParvaneError("The page file \"" + support + name +
                                "\" of the program is missing.");

    ctx.Host.Info("Preparing files...");
    std::vector<std::string> pages;
    for (const auto& item : contents.Items) {
        if (!item->HasContent)
            continue;
        const std::string page = ProjectPage(root, item->Url);
        if (!page.empty())
            pages.push_back(page);
    }
    CollectFiles(contents, pages);
    const std::string templateUrl = s.WebHelpTemplateSame ? s.HtmlHelpTemplate : s.WebHelpTemplate;
    std::string templateFile;
    if (!SF::Trim(templateUrl).empty()) {
        templateFile = ProjectPage(root, templateUrl);
        if (templateFile.empty() || !Paths::FileExists(templateFile))
            throw EParvaneError("The template page \"" + SF::Trim(templateUrl) +
                                "\" doesn't exist!");
        CollectFiles(contents, templateFile);
    }
    const std::string defaultUrl = s.WebHelpDefaultSame ? s.DefaultTopic : s.WebHelpDefault;
    const std::string defaultPage = ProjectPage(root, defaultUrl);
    if (!defaultPage.empty() && Paths::FileExists(defaultPage))
        CollectFiles(contents, defaultPage);

    PrepareOutputFolder(ctx, folder);

    const std::string scrollStyle = ReplacePlaceholders(
        SF::LoadTextFile(support + "scrollstyle.txt", "UTF-8"), {{"($BACKCOLOR$)", backColor}});

    ctx.Host.Info("Copying files...");
    CopyCollectedFiles(ctx, folder + "scr/", true,
                       WebPagesWrittenOver(contents, folder, !templateFile.empty()));
    contents.WriteWebPages(folder, templateFile, scrollStyle);
    contents.CopyWebImages(folder);
    for (const char* name : kSiteFiles) {
        std::error_code ec;
        fs::copy_file(support + name, folder + name, fs::copy_options::overwrite_existing, ec);
        if (ec)
            throw EParvaneError("Cannot copy \"" + support + name + "\" to \"" + folder +
                                "\": " + ec.message());
    }

    ctx.Host.Info("Creating navigation...");
    const std::vector<std::pair<std::string, std::string>> colours = {{"($BACKCOLOR$)", backColor},
                                                                      {"($FONTCOLOR$)", fontColor}};
    const std::string charset = SF::Trim(s.Encoding);
    for (const char* name : kFramePages) {
        const std::string nameText = name;
        std::string navigation, indexList;
        if (nameText == "webhelpleft.htm")
            navigation = contents.BuildNavigation();
        else if (nameText == "webhelpindex.htm")
            indexList = contents.BuildIndexList();
        const std::string text =
            ReplacePlaceholders(SF::LoadTextFile(support + name, "UTF-8"), colours);
        SF::SaveTextFile(FillWebHelpPage(name, text, project, navigation, indexList, scrollStyle),
                         folder + name, charset);
    }

    const std::string indexFile = folder + "index.htm";
    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + indexFile);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = indexFile;
}

} // namespace parvane
