// The Web Help branch of the build: the topic pages and what they reference under "scr",
// the navigation images under "icons", the script and the five frame pages filled in.

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/parallel_pages.h"
#include "output/real_names.h"
#include "output/search_index.h"
#include "output/web_help.h"
#include "templates/template_apply.h"

#include <filesystem>
#include <future>
#include <string_view>
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
// The search page, written only when the help has search, with the files it needs: the
// search library, the stemmer and the script that marks the words found in a topic.
const char* const kSearchPage = "webhelpsearch.htm";
const char* const kSearchFiles[] = {"minisearch.js", "porter2.js", "webhelpmark.js"};
const char* const kSearchData = "webhelpsearchdata.js";

// The navigation pages link the search page between these marks; without search the
// link goes.
std::string RemoveSearchTab(const std::string& page) {
    return SF::RemoveBetween(page, "<!--BEGINSEARCH-->", "<!--ENDSEARCH-->");
}

void CopySupportFile(const std::string& support, const std::string& folder, const char* name) {
    std::error_code ec;
    fs::copy_file(support + name, folder + name, fs::copy_options::overwrite_existing, ec);
    if (ec)
        throw EParvaneError("Cannot copy \"" + support + name + "\" to \"" + folder +
                            "\": " + ec.message());
}

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
    const bool search = s.WebHelpSearch;
    std::vector<const char*> required(std::begin(kFramePages), std::end(kFramePages));
    if (search) {
        required.push_back(kSearchPage);
        required.insert(required.end(), std::begin(kSearchFiles), std::end(kSearchFiles));
    }
    for (const char* name : required)
        if (!Paths::FileExists(support + name))
            throw EParvaneError("The page file \"" + support + name +
                                "\" of the program is missing.");

    ctx.Host.Info("Preparing files...");
    // A page with content was found inside the root, by its name on disk.
    std::vector<std::string> pages;
    for (const auto& item : contents.Items)
        if (item->HasContent)
            pages.push_back(item->File);
    // The topic pages are read here and again when they are written: as many as there is
    // room for are kept from the first reading.
    contents.KeptPages.SetLimit(TKeptFiles::kPagesLimit);
    CollectFiles(contents, pages);
    contents.KeptPages.SetLimit(0);
    const std::string templateUrl = s.WebHelpTemplateSame ? s.HtmlHelpTemplate : s.WebHelpTemplate;
    std::string templateFile;
    if (!SF::Trim(templateUrl).empty()) {
        templateFile = ProjectPage(root, templateUrl);
        if (templateFile.empty() || !Paths::FileExists(templateFile))
            throw EParvaneError("The template page \"" + SF::Trim(templateUrl) +
                                "\" doesn't exist!");
        if (!contents.Root().Resolve(templateFile).InsideRoot)
            throw EParvaneError("The template page \"" + SF::Trim(templateUrl) +
                                "\" lies outside the project's root folder; a build takes "
                                "nothing from outside it.");
        CollectFiles(contents, templateFile);
    }
    const std::string defaultUrl = s.WebHelpDefaultSame ? s.DefaultTopic : s.WebHelpDefault;
    const std::string defaultPage = ProjectPage(root, defaultUrl);
    if (!defaultPage.empty() && Paths::FileExists(defaultPage))
        CollectFiles(contents, defaultPage);
    CollectAllFiles(ctx, folder);

    PrepareOutputFolder(ctx, folder);

    const std::string scrollStyle = ReplacePlaceholders(
        SF::LoadTextFile(support + "scrollstyle.txt", "UTF-8"), {{"($BACKCOLOR$)", backColor}});
    const std::vector<std::pair<std::string, std::string>> colours = {{"($BACKCOLOR$)", backColor},
                                                                      {"($FONTCOLOR$)", fontColor}};
    const std::string charset = SF::Trim(s.Encoding);
    auto writeFramePage = [&](const char* name, const std::string& navigation,
                              const std::string& indexList) {
        const std::string text =
            ReplacePlaceholders(SF::LoadTextFile(support + name, "UTF-8"), colours);
        std::string page = FillWebHelpPage(name, text, project, navigation, indexList, scrollStyle);
        if (!search)
            page = RemoveSearchTab(page);
        SF::SaveTextFile(page, folder + name, charset);
    };
    // The tree and the keyword index only read the contents (every address looked up
    // first): with a core to spare they are made and written while the files are copied
    // and the topic pages written, else in their place among the frame pages.
    contents.CacheWebAddresses();
    const std::launch side =
        BuildThreads(contents.Threads) > 1 ? std::launch::async : std::launch::deferred;
    std::future<void> treePages = std::async(side, [&] {
        writeFramePage("webhelpleft.htm", contents.BuildNavigation(), {});
        writeFramePage("webhelpindex.htm", {}, contents.BuildIndexList());
    });

    ctx.Host.Info("Copying files...");
    // Links reached only in another letter case are written with the names on disk as
    // each file is copied and each page written, not in a pass afterwards.
    TRealNamesPool realNames(contents.Root());
    CopyCollectedFiles(ctx, folder + "scr/", true,
                       WebPagesWrittenOver(contents, folder, !templateFile.empty()), &realNames);
    TSearchData searchData;
    contents.WriteWebPages(folder, templateFile, scrollStyle, &realNames,
                           search ? &searchData : nullptr);
    // The search data is made beside the last frame pages.
    std::future<std::string> searchScript = std::async(
        side, [&searchData, search] { return search ? searchData.Script() : std::string(); });
    contents.CopyWebImages(folder);
    for (const char* name : kSiteFiles)
        CopySupportFile(support, folder, name);

    ctx.Host.Info("Creating navigation...");
    for (const std::string_view name : kFramePages)
        if (name != "webhelpleft.htm" && name != "webhelpindex.htm")
            writeFramePage(name.data(), {}, {});
    treePages.get();
    if (search) {
        ctx.Host.Info("Creating search...");
        for (const char* name : kSearchFiles)
            CopySupportFile(support, folder, name);
        std::string page =
            ReplacePlaceholders(SF::LoadTextFile(support + kSearchPage, "UTF-8"), colours);
        page = InsertScrollStyle(FillWebHelpPage(kSearchPage, page, project, {}, {}, scrollStyle),
                                 scrollStyle);
        if (!s.ShowIndex)
            page = RemoveIndexBar(page);
        SF::SaveTextFile(page, folder + kSearchPage, charset);
        // Always UTF-8, whatever the pages' charset: the mark in front says so to every
        // browser, and the search page names it too.
        TextCodec::WriteFileAtomic(Paths::ToNative(folder + kSearchData),
                                   "\xEF\xBB\xBF" + searchScript.get());
    }

    const std::string indexFile = folder + "index.htm";
    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + indexFile);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = indexFile;
}

} // namespace parvane
