// The HTML Help branch of the build: the pages and what they reference are copied into a
// work folder, wrapped in the HTML Help template, described by a Workshop project and
// compiled into a .chm with chmcmd.

#include "model/errors.h"
#include "model/folder_cache.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"
#include "output/chm_project.h"
#include "templates/template_apply.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <system_error>
#include <unistd.h>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

namespace {

// The folder the Workshop project is written to. A temporary one is private to this build
// (mkdtemp) and removed when the build ends, however it ends.
class TWorkFolder {
public:
    explicit TWorkFolder(TBuildContext& ctx, const std::string& keepFolder) {
        if (!keepFolder.empty()) {
            path_ = keepFolder;
            PrepareOutputFolder(ctx, path_);
            return;
        }
        std::string templ = SF::TempFolder() + "parvane-chm-XXXXXX";
        if (::mkdtemp(templ.data()) == nullptr)
            throw EParvaneError("Cannot create a temporary folder in \"" + SF::TempFolder() +
                                "\": " + std::strerror(errno));
        path_ = Paths::IncludeTrailingSlash(templ);
        temporary_ = true;
        if (TFolderCache* cache = TFolderCache::Active())
            cache->Exclude(path_);
    }
    ~TWorkFolder() {
        if (temporary_) {
            std::error_code ec;
            fs::remove_all(path_, ec);
        }
    }
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;

    const std::string& Path() const { return path_; }
    bool Temporary() const { return temporary_; }

private:
    std::string path_;
    bool temporary_ = false;
};

// A project page below the root: its path on disk, or "" (missing, or outside the root
// and so never copied).
std::string PageBelowRoot(const std::string& root, const std::string& url) {
    if (SF::Trim(url).empty() || Paths::IsAbsolute(url))
        return {};
    const std::string source = Paths::ResolveExisting(Paths::UrlToPath(root, url));
    if (source.empty() || !SF::StartsWithText(source, root) || source.size() == root.size())
        return {};
    return source;
}

// The copy is written in the charset its own head declares (the template's), so the
// browser reads what was written; else in the project's encoding.
void WriteTemplatedPage(const std::string& file, const std::string& text,
                        const std::string& encoding) {
    std::string charset = TextCodec::DeclaredCharset(text);
    if (charset.empty())
        charset = encoding;
    SF::SaveTextFile(text, file, charset);
}

// A page that goes into the work folder wrapped in the template.
struct TTemplatedPage {
    std::string Source;                  // the project's page
    std::string Title;                   // the topic's node text
    const TContentsItem* Item = nullptr; // its body is read already when set
};

// The pages the template wraps: contents topics with a page, then topics outside the
// contents that some collected page brought in, neither marked "don't apply template".
// They are taken out of the file list: each is written once, templated, instead of being
// copied first and overwritten.
class TTemplatePlan {
public:
    TTemplatePlan(TBuildContext& ctx, const std::string& root) : root_(root) {
        const TPvx& project = ctx.Project;
        const std::string setting = SF::Trim(project.ProjectSettings.HtmlHelpTemplate);
        if (setting.empty())
            return;
        templateSource_ = Paths::ResolveExisting(Paths::UrlToPath(root, setting));
        if (templateSource_.empty() || !Paths::FileExists(templateSource_)) {
            ctx.Host.Info("The HTML Help template \"" + setting +
                          "\" doesn't exist; the pages are copied unchanged.");
            templateSource_.clear();
            return;
        }
        TContents& contents = ctx.Contents;
        std::set<std::string, TextLess> planned;
        auto plan = [&](const std::string& url, const std::string& title,
                        const TContentsItem* item) {
            const std::string source = PageBelowRoot(root, url);
            if (source.empty() || SF::SameText(source, templateSource_) ||
                !contents.Files.count(source) || !planned.insert(source).second)
                return;
            pages_.push_back({source, title, item});
        };
        for (const auto& item : contents.Items)
            if (item->HasContent && !item->ApplyTemp)
                plan(item->Url, item->Title, item.get());

        std::vector<const TTopicNode*> pending;
        const TTopicNode* nonContents = project.NonContentsRoot();
        for (int i = nonContents->Count() - 1; i >= 0; --i)
            pending.push_back(nonContents->Child(i));
        while (!pending.empty()) {
            const TTopicNode* node = pending.back();
            pending.pop_back();
            for (int i = node->Count() - 1; i >= 0; --i)
                pending.push_back(node->Child(i));
            const TLeftTreeData& data = node->Data();
            if (data.Status == tsLinked && !data.ApplyTemp)
                plan(data.Url, node->Text(), nullptr);
        }
        for (const TTemplatedPage& page : pages_)
            contents.Files.erase(page.Source);
    }

    // Writes the planned pages below workFolder, after the other files were copied.
    void Write(TBuildContext& ctx, const std::string& workFolder) const {
        if (templateSource_.empty())
            return;
        ctx.Host.Info("Applying template...");
        // Rebased from the original for each page's own folder: the work folder mirrors the
        // root, and only there do the template's links to other topic pages find their files
        // (the templated pages are not in the work folder yet).
        const TTemplate tpl(templateSource_);
        const std::string encoding = SF::Trim(ctx.Project.ProjectSettings.Encoding);
        for (const TTemplatedPage& page : pages_) {
            const std::string dest = workFolder + page.Source.substr(root_.size());
            const std::string body = page.Item ? ctx.Contents.ItemBody(*page.Item)
                                               : PageBody(SF::LoadTextFile(page.Source, encoding));
            std::error_code ec;
            fs::create_directories(fs::path(dest).parent_path(), ec);
            const std::string text =
                ApplyTemplate(tpl.RebasedFor(Paths::ExtractFilePath(page.Source)), page.Title, body);
            WriteTemplatedPage(dest, text, encoding);
        }
    }

private:
    std::string root_;
    std::string templateSource_;
    std::vector<TTemplatedPage> pages_;
};

void CreateFolderOf(const std::string& file) {
    const fs::path folder = fs::path(file).parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        throw EParvaneError("Cannot create the folder \"" + folder.string() +
                            "\" for the compiled file" + (ec ? ": " + ec.message() : "."));
}

} // namespace

void BuildHtmlHelpBranch(TBuildContext& ctx) {
    TPvx& project = ctx.Project;
    TContents& contents = ctx.Contents;
    const TProjectSettings& settings = project.ProjectSettings;
    const std::string root = Paths::IncludeTrailingSlash(project.RootFolder());

    // The compiled file's folder first: a folder that cannot be made stops the build
    // before any work is done.
    const std::string compiledSetting =
        ctx.Request.OutputOverride.empty() ? settings.CompiledFile : ctx.Request.OutputOverride;
    if (SF::Trim(compiledSetting).empty())
        throw EParvaneError("Please specify Compiled file!");
    const std::string compiledFile = ResolveOutputPath(project, compiledSetting);
    if (compiledFile.back() == '/')
        throw EParvaneError("The compiled file \"" + compiledSetting + "\" names a folder.");
    CreateFolderOf(compiledFile);

    std::string keepFolder = !ctx.Request.KeepProjectFolder.empty() ? ctx.Request.KeepProjectFolder
                             : settings.DeleteProject               ? settings.HHPFolder
                                                                    : std::string();
    if (settings.DeleteProject && ctx.Request.KeepProjectFolder.empty() &&
        SF::Trim(keepFolder).empty())
        throw EParvaneError("Please specify folder name!");
    if (!SF::Trim(keepFolder).empty()) {
        keepFolder = Paths::IncludeTrailingSlash(ResolveOutputPath(project, keepFolder));
        if (SF::SameText(keepFolder, root))
            throw EParvaneError("Html Help Workshop project folder cannot be the same as the "
                                "Project Rootfolder. Please specify another one!");
    }

    ctx.Host.Info("Preparing files...");
    std::vector<std::string> pages;
    for (const auto& item : contents.Items) {
        if (!item->HasContent)
            continue;
        const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root, item->Url));
        if (!page.empty())
            pages.push_back(page);
    }
    CollectFiles(contents, pages);
    for (const std::string& extra : {settings.HtmlHelpTemplate, settings.DefaultTopic}) {
        if (SF::Trim(extra).empty())
            continue;
        const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root, SF::Trim(extra)));
        if (!page.empty())
            CollectFiles(contents, page);
    }

    // The work folder first: emptying a kept one refuses a folder that holds any collected
    // file, so the list must still be whole.
    const TWorkFolder work(ctx, keepFolder);
    const TTemplatePlan templated(ctx, root);
    ctx.Host.Info("Copying files...");
    CopyCollectedFiles(ctx, work.Path());
    templated.Write(ctx, work.Path());

    TCHMProject chm;
    chm.Assign(project.HelpWindowSettings);
    chm.WorkFolder = work.Path();
    chm.SubFolder.clear();
    chm.Title = settings.HtmlHelpTitleSame ? settings.Title : settings.HtmlHelpTitle;
    chm.CompiledFile = compiledFile;
    chm.DefaultTopic = settings.DefaultTopic;
    chm.Language = settings.Language;
    chm.Font.clear();
    chm.IncludeFolderFiles = true;
    ctx.Host.Info("Writing the HTML Help project...");
    chm.ContentsBody = contents.BuildSitemapContents();
    chm.IndexBody = contents.BuildSitemapIndex();
    contents.BuildAliasAndMap(chm.AliasText, chm.MapText);

    TCompilerLineFilter filter;
    auto showLine = [&ctx, &filter](const std::string& line) {
        if (filter.Accept(line))
            ctx.Host.CompilerLine(line);
    };
    chm.OnLog = showLine;
    chm.OnProgress = [showLine](const std::string& line) {
        showLine(line);
        return -1;
    };
    chm.OnRetry = [&ctx](const std::string& message) { return ctx.Host.AskRetry(message); };

    if (ctx.Request.Compile)
        ctx.Host.Info("Compiling...");
    const TCHMBuildResult built = chm.Build(ctx.Request.Compile, false, work.Temporary());

    switch (built.Outcome) {
    case CompileOutcome::Compiled:
        if (built.WithoutFullTextSearch)
            ctx.Host.Info("Note: chmcmd failed while indexing the text of the pages, so the help "
                          "file has no full-text search.");
        ctx.Host.Info("");
        ctx.Host.Info("Filename: " + built.Target);
        ctx.Host.Info("");
        ctx.Host.Info("Completed.");
        ctx.Result.OutputFile = built.Target;
        break;
    case CompileOutcome::NotRequested:
        // Only a kept project is left to show; a temporary one is gone with its folder.
        if (!work.Temporary()) {
            ctx.Host.Info("");
            ctx.Host.Info("Filename: " + work.Path() + chm.ProjectFileName);
            ctx.Result.OutputFile = work.Path() + chm.ProjectFileName;
        }
        ctx.Host.Info("");
        ctx.Host.Info("Completed.");
        break;
    case CompileOutcome::CompilerMissing:
        throw EParvaneError(work.Temporary()
                                ? built.Message
                                : built.Message + " The HTML Help Workshop project is in \"" +
                                      work.Path() + "\".");
    case CompileOutcome::Failed:
    case CompileOutcome::Aborted:
        throw EParvaneError(built.Message);
    }
}

} // namespace parvane
