// The Single HTML branch of the build: one page with every contents topic, plus the files
// those topics reference at their relative places.

#include "model/errors.h"
#include "model/paths.h"
#include "model/project_root.h"
#include "model/string_func.h"
#include "model/text_writer.h"
#include "output/build_driver.h"
#include "output/part_store.h"
#include "output/real_names.h"
#include "output/single_pages.h"
#include "templates/template_apply.h"

#include <unordered_set>

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

// The pages' scripts and style sheets go at the end of the head, after the page file's
// own style, so a page's rules still win over the defaults as they did in the page.
std::string InsertIntoHead(const std::string& page, const std::string& resources) {
    if (resources.empty())
        return page;
    const std::string lower = SF::AsciiLowerCase(page);
    std::size_t at = lower.find("</head");
    if (at == std::string::npos) {
        at = lower.find("<body");
        if (at == std::string::npos)
            at = 0;
    }
    return page.substr(0, at) + resources + page.substr(at);
}

// Each topic of the page sits in a box of its own, so that the page's style can let the
// browser lay out only the topics on screen: a book of hundreds of topics opens in a
// fraction of the time, and its pages' fixed headers stay inside their topic.
const char* const kTopicStart = "<div class=\"topic\">";
const char* const kTopicEnd = "</div>\r\n";

std::string Joined(const std::string& first, const std::vector<std::string>& rest) {
    std::size_t size = first.size();
    for (const std::string& part : rest)
        size += part.size();
    std::string text;
    text.reserve(size);
    text += first;
    for (const std::string& part : rest)
        text += part;
    return text;
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
    std::vector<std::size_t> topicOf; // the item of each entry of topicPages
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        if (!item.HasContent)
            continue;
        const TResolvedTarget page = contents.Root().Resolve(Paths::UrlToPath(root, item.Url));
        if (!page.InsideRoot)
            continue;
        topicPages.push_back(page.Path);
        topicOf.push_back(i);
    }
    // Each topic's page is read once: scanned for the files it links to and rewritten for
    // the single page in the same reading, by the first topic that has it. The rewritten
    // topics wait in a file beside the output until the page's head is known.
    TFileCollector collector(contents);
    std::vector<std::string> scanOf(contents.Items.size());
    {
        std::unordered_set<std::string> toScan;
        for (std::string& page : collector.AddPages(topicPages))
            toScan.insert(std::move(page));
        for (std::size_t k = 0; k < topicPages.size(); ++k) {
            const std::string page = contents.Root().Resolve(topicPages[k]).Path;
            if (toScan.erase(page))
                scanOf[topicOf[k]] = page;
        }
    }
    TPartFile store(folder);
    TSinglePages pages(contents, store);
    pages.Prepare(scanOf, [&collector](const std::vector<std::string_view>& linked,
                                       const std::string& error) {
        collector.AddScan(linked, error);
    });
    collector.Finish();
    // Their text goes into the single page; only what they reference is copied.
    for (const std::string& page : topicPages)
        contents.Files.erase(page);

    PrepareOutputFolder(ctx, folder);

    ctx.Host.Info("Creating page...");
    // Links reached only in another letter case are written with the names on disk as
    // each file is copied and each piece of the page written, not in a pass afterwards.
    TRealNamesPool realNamesPool(contents.Root());
    CopyCollectedFiles(ctx, folder, false, {}, &realNamesPool);
    // The page is written on this thread.
    const TRealNamesPool::TLease realNames = realNamesPool.Borrow();

    ctx.Host.Info("Output files...");
    const std::string pageFile =
        contents.ProgramFolder + (settings.SingleHtmlHasToc ? "singleb.htm" : "singlehtml.htm");
    if (!Paths::FileExists(pageFile))
        throw EParvaneError("The page file \"" + pageFile + "\" of the program is missing.");
    const std::string output = folder + fileName;
    // The page's links are relative to the root, as are the copies around it.
    const bool writeRealNames = contents.LinksNeedRealNames && IsWebTextFile(output);
    const std::string rootFolder = contents.Root().Folder();
    auto realNamed = [&](std::string text) {
        if (writeRealNames)
            realNames->Rewrite(text, rootFolder);
        return text;
    };
    const std::string toc = settings.SingleHtmlHasToc ? contents.BuildSingleToc() : std::string();
    const std::string& headResources = pages.Head();
    const std::string pageText = SF::LoadTextFile(pageFile, "UTF-8");
    // The page file filled around a marker: what comes before and after the contents, with
    // the pages' scripts and style sheets in its head. The contents are then written
    // straight to the file instead of being filled into the page and converted as further
    // whole copies (a large reference makes a page of hundreds of megabytes).
    const std::string marker = "\x01parvane-all-content\x02";
    const std::string frame = FillSingleHtmlPage(pageText, marker, project);
    const std::size_t at = frame.find(marker);
    const bool headBeforeContents =
        at != std::string::npos &&
        SF::AsciiLowerCase(std::string_view(frame).substr(0, at)).find("</head") !=
            std::string::npos;
    if (at != std::string::npos && frame.find(marker, at + 1) == std::string::npos &&
        pageText.find(marker) == std::string::npos &&
        (headResources.empty() || headBeforeContents)) {
        const std::string framed = InsertIntoHead(frame, headResources);
        const std::size_t content = framed.find(marker);
        std::string before = framed.substr(0, content);
        std::string after = framed.substr(content + marker.size());
        // The pieces are looked at for links one by one, which finds what a look at the
        // whole page finds: every piece of the contents starts with "<" and ends with a
        // line end or ">", where no link begins or ends. Only a page with no contents at
        // all joins the frame's two halves.
        if (toc.empty() && contents.Items.empty() && pages.Tail().empty()) {
            before = realNamed(before + after);
            after.clear();
        } else {
            before = realNamed(std::move(before));
            after = realNamed(std::move(after));
        }
        TTextFileWriter writer(output, SF::Trim(settings.Encoding));
        writer.Append(before);
        writer.Append(realNamed(toc));
        // The topics' links are given the names on disk on the threads that settle them.
        auto rename = [&](TSinglePages::TPart& part) {
            realNamesPool.Borrow()->Rewrite(part.Text, rootFolder, part.Links);
        };
        pages.WriteParts(
            writeRealNames,
            [&](TSinglePages::TPart&& part) {
                writer.Append(kTopicStart);
                writer.Append(part.Text);
                writer.Append(kTopicEnd);
            },
            writeRealNames ? std::function<void(TSinglePages::TPart&)>(rename) : nullptr);
        writer.Append(realNamed(pages.Tail()));
        writer.Append(after);
        writer.Commit();
    } else {
        // No place for the contents, several, or no head before them: filled as a whole.
        std::vector<std::string> parts;
        pages.WriteParts(false, [&](TSinglePages::TPart&& part) {
            parts.push_back(kTopicStart + std::move(part.Text) + kTopicEnd);
        });
        parts.push_back(pages.Tail());
        SF::SaveTextFile(
            realNamed(InsertIntoHead(FillSingleHtmlPage(pageText, Joined(toc, parts), project),
                                     headResources)),
            output, SF::Trim(settings.Encoding));
    }

    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + output);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = output;
}

} // namespace parvane
