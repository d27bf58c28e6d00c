// The HTML Help branch of the build: the pages and what they reference are copied into a
// work folder, wrapped in the HTML Help template, described by a Workshop project and
// compiled into a .chm with chmcmd.

#include "model/errors.h"
#include "model/folder_cache.h"
#include "model/paths.h"
#include "model/project_root.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/chm_compiler.h"
#include "output/chm_project.h"
#include "output/compiler_log.h"
#include "output/ordered_work.h"
#include "output/real_names.h"
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
std::string PageBelowRoot(TProjectRoot& root, const std::string& url) {
    if (SF::Trim(url).empty() || Paths::IsAbsolute(url))
        return {};
    const TResolvedTarget source = root.Resolve(Paths::UrlToPath(root.Folder(), url));
    return source.InsideRoot ? source.Path : std::string();
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
    explicit TTemplatePlan(TBuildContext& ctx) : root_(ctx.Contents.Root().Folder()) {
        const TPvx& project = ctx.Project;
        TProjectRoot& root = ctx.Contents.Root();
        const std::string setting = SF::Trim(project.ProjectSettings.HtmlHelpTemplate);
        if (setting.empty())
            return;
        const TResolvedTarget found = root.Resolve(Paths::UrlToPath(root_, setting));
        if (!found.Found() || !found.InsideRoot) {
            ctx.Host.Info(
                "The HTML Help template \"" + setting +
                (found.Found() ? "\" lies outside the project's root folder" : "\" doesn't exist") +
                "; the pages are copied unchanged.");
            return;
        }
        templateSource_ = found.Path;
        TContents& contents = ctx.Contents;
        std::set<std::string> planned;
        auto plan = [&](const std::string& url, const std::string& title,
                        const TContentsItem* item) {
            const std::string source = PageBelowRoot(root, url);
            if (source.empty() || source == templateSource_ || !contents.Files.count(source) ||
                !planned.insert(source).second)
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
    // Links reached only in another letter case are written with the names on disk.
    void Write(TBuildContext& ctx, const std::string& workFolder,
               TRealNamesPool& realNames) const {
        if (templateSource_.empty())
            return;
        ctx.Host.Info("Applying template...");
        // Rebased from the original for each page's own folder: the work folder mirrors the
        // root, and only there do the template's links to other topic pages find their files
        // (the templated pages are not in the work folder yet).
        const TTemplate tpl(templateSource_);
        const std::string encoding = SF::Trim(ctx.Project.ProjectSettings.Encoding);
        // The pages on every core; they are distinct files.
        ForEachInOrderHelping<bool>(
            pages_.size(), ctx.Contents.Threads,
            [&](std::size_t i) {
                const TTemplatedPage& page = pages_[i];
                const std::string dest = workFolder + page.Source.substr(root_.size());
                const std::string body =
                    page.Item ? ctx.Contents.ItemBody(*page.Item)
                              : PageBody(SF::LoadTextFile(page.Source, encoding));
                std::error_code ec;
                fs::create_directories(fs::path(dest).parent_path(), ec);
                const std::string folder = Paths::ExtractFilePath(page.Source);
                std::string text = ApplyTemplate(tpl.RebasedFor(folder), page.Title, body);
                if (ctx.Contents.LinksNeedRealNames)
                    realNames.Borrow()->Rewrite(text, folder);
                WriteTemplatedPage(dest, text, encoding);
                return true;
            },
            [](std::size_t, bool) {});
    }

private:
    std::string root_;
    std::string templateSource_;
    std::vector<TTemplatedPage> pages_;
};

// The compiled file may only replace an earlier compiled file: never the project file, a
// topic's page (even one not written yet), a folder or any other file. Checked before
// anything is emptied or written.
void RefuseCompiledFileTarget(TBuildContext& ctx, const std::string& compiledFile) {
    std::error_code ec;
    const fs::path target = fs::weakly_canonical(compiledFile, ec);
    auto same = [&target](const std::string& path) {
        if (!SF::SameText(fs::path(path).filename().string(), target.filename().string()))
            return false;
        std::error_code error;
        return fs::weakly_canonical(path, error) == target && !error;
    };
    const std::string quoted = "\"" + compiledFile + "\"";
    if (!ctx.Project.IsUntitled && same(ctx.Project.FileName))
        throw EParvaneError("The compiled file " + quoted +
                            " is the project file; it was left as it is. Please choose another "
                            "compiled file.");
    const std::string root = Paths::IncludeTrailingSlash(ctx.Project.RootFolder());
    // Every topic of the three groups, in one walk of the whole tree.
    for (const TTopicNode* node = ctx.Project.ContentsRoot(); node; node = node->GetNext()) {
        const TLeftTreeData& data = node->Data();
        if (!node->IsRoot() && data.Status != tsNoLink && !SF::Trim(data.Url).empty() &&
            same(Paths::UrlToPath(root, data.Url)))
            throw EParvaneError("The compiled file " + quoted + " is the page of the topic \"" +
                                node->Text() +
                                "\"; it was left as it is. Please choose "
                                "another compiled file.");
    }
    if (const std::string problem = CompiledFileTargetProblem(compiledFile); !problem.empty())
        throw EParvaneError(problem);
}

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
    RefuseCompiledFileTarget(ctx, compiledFile);
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
    for (const auto& item : contents.Items)
        if (item->HasContent)
            pages.push_back(Paths::UrlToPath(root, item->Url));
    for (const std::string& extra : {settings.HtmlHelpTemplate, settings.DefaultTopic})
        if (!SF::Trim(extra).empty())
            pages.push_back(Paths::UrlToPath(root, SF::Trim(extra)));
    CollectFiles(contents, pages);
    CollectAllFiles(ctx, keepFolder);

    // The work folder first: emptying a kept one refuses a folder that holds any collected
    // file, so the list must still be whole.
    const TWorkFolder work(ctx, keepFolder);
    const TTemplatePlan templated(ctx);
    ctx.Host.Info("Copying files...");
    // The names on disk are written while each file is copied and each page templated, not
    // in a pass over the work folder afterwards.
    TRealNamesPool realNames(contents.Root());
    CopyCollectedFiles(ctx, work.Path(), false, {}, &realNames);
    templated.Write(ctx, work.Path(), realNames);

    TCHMProject chm;
    chm.Assign(project.HelpWindowSettings);
    chm.WorkFolder = work.Path();
    chm.SubFolder.clear();
    chm.Title = settings.HtmlHelpTitleSame ? settings.Title : settings.HtmlHelpTitle;
    chm.CompiledFile = compiledFile;
    chm.DefaultTopic = contents.Root().RealLink(root, settings.DefaultTopic);
    chm.Language = settings.Language;
    chm.Font.clear();
    chm.IncludeFolderFiles = true;
    ctx.Host.Info("Writing the HTML Help project...");
    chm.ContentsBody = contents.BuildSitemapContents();
    chm.IndexBody = contents.BuildSitemapIndex();
    contents.BuildAliasAndMap(chm.AliasText, chm.MapText);

    TCompilerLineFilter filter;
    TCompilerLog log(ctx.Request.KeepCompilerLog ? Paths::ChangeFileExt(compiledFile, ".log")
                                                 : std::string());
    auto showLine = [&ctx, &filter, &log](const std::string& line) {
        if (filter.Accept(line) && log.Add(line))
            ctx.Host.CompilerLine(line);
    };
    chm.OnLog = [&log, showLine](const std::string& line) {
        log.Record(line);
        showLine(line);
    };
    chm.OnProgress = [showLine](const std::string& line) {
        showLine(line);
        return -1;
    };
    chm.OnRetry = [&ctx](const std::string& message) { return ctx.Host.AskRetry(message); };

    if (ctx.Request.Compile)
        ctx.Host.Info("Compiling...");
    const TCHMBuildResult built = chm.Build(ctx.Request.Compile, false, work.Temporary());
    for (const std::string& line : log.Summary())
        ctx.Host.CompilerLine(line);

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
