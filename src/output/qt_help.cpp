// The Qt Help branch of the build and its project file.

#include "output/qt_help.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/build_driver.h"
#include "output/epub_xhtml.h"
#include "output/output_file.h"
#include "templates/template_apply.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <system_error>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

namespace {

const char* const kProjectName = ".parvane-help.qhp";

std::string Ref(const std::string& url) {
    return XmlEscape(SF::ToForwardSlashes(url));
}

} // namespace

std::string QtHelpNamespace(const TPvx& project) {
    std::string name = SF::Trim(project.ProjectSettings.Title);
    if (name.empty())
        name = Paths::ChangeFileExt(Paths::ExtractFileName(project.FileName), "");
    std::string host;
    for (unsigned char c : name) {
        if (std::isalnum(c))
            host += static_cast<char>(std::tolower(c));
        else if (!host.empty() && host.back() != '-')
            host += '-';
    }
    while (!host.empty() && host.back() == '-')
        host.pop_back();
    return "org.parvane." + (host.empty() ? std::string("help") : host);
}

std::string BuildQtHelpProject(const TContents& contents, const std::string& helpNamespace,
                               const std::vector<std::string>& files) {
    const auto& items = contents.Items;
    // A topic without a page opens the first page below it.
    std::vector<std::string> refs(items.size());
    for (std::size_t i = items.size(); i-- > 0;) {
        if (items[i]->HasContent)
            refs[i] = items[i]->Url;
        else if (items[i]->HasChildren && i + 1 < items.size())
            refs[i] = refs[i + 1];
    }

    std::string qhp = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<QtHelpProject version=\"1.0\">\n"
                      "  <namespace>" +
                      XmlEscape(helpNamespace) +
                      "</namespace>\n"
                      "  <virtualFolder>doc</virtualFolder>\n"
                      "  <filterSection>\n    <toc>\n";
    const std::string title = SF::Trim(contents.Project.ProjectSettings.Title);
    qhp += "      <section title=\"" + XmlEscape(title.empty() ? helpNamespace : title) +
           "\" ref=\"" +
           Ref(SF::Trim(contents.Project.ProjectSettings.DefaultTopic).empty()
                   ? (refs.empty() ? std::string() : refs.front())
                   : SF::Trim(contents.Project.ProjectSettings.DefaultTopic)) +
           "\">\n";
    int depth = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TContentsItem& item = *items[i];
        const int level = std::max(1, item.Level);
        while (depth >= level) {
            qhp += "      </section>\n";
            --depth;
        }
        qhp += "      <section title=\"" + XmlEscape(item.Title) + "\" ref=\"" + Ref(refs[i]) +
               "\">\n";
        depth = level;
    }
    for (; depth > 0; --depth)
        qhp += "      </section>\n";
    qhp += "      </section>\n    </toc>\n    <keywords>\n";

    for (const TKeywordPair& pair : contents.KeywordPairs()) {
        std::string name;
        for (const std::string& part : SplitKeywordParts(pair.Keyword))
            name += (name.empty() ? "" : ", ") + part;
        qhp += "      <keyword name=\"" + XmlEscape(name) + "\" ref=\"" + Ref(pair.Item->Url) +
               "\"/>\n";
    }
    // A context number finds its topic as a keyword id; the first topic with a number
    // keeps it.
    std::set<std::string> ids;
    for (const auto& item : items) {
        const std::string number = SF::Trim(item->ContextNumber);
        if (number.empty() || !item->HasContent || !ids.insert(number).second)
            continue;
        qhp += "      <keyword name=\"" + XmlEscape(item->Title) + "\" id=\"" + XmlEscape(number) +
               "\" ref=\"" + Ref(item->Url) + "\"/>\n";
    }
    qhp += "    </keywords>\n    <files>\n";
    for (const std::string& file : files)
        qhp += "      <file>" + XmlEscape(file) + "</file>\n";
    qhp += "    </files>\n  </filterSection>\n</QtHelpProject>\n";
    return qhp;
}

std::string FindQtHelpGenerator() {
    return FindProgram("PARVANE_QHELPGENERATOR",
                       {"/usr/lib/qt6/libexec/qhelpgenerator", "/usr/lib/qt6/bin/qhelpgenerator",
                        "qhelpgenerator6", "qhelpgenerator"});
}

void BuildQtHelpBranch(TBuildContext& ctx) {
    TPvx& project = ctx.Project;
    TContents& contents = ctx.Contents;
    const TProjectSettings& settings = project.ProjectSettings;
    const std::string root = Paths::IncludeTrailingSlash(project.RootFolder());

    ctx.Host.Info("Preparing files...");
    for (const auto& item : contents.Items) {
        if (!item->HasContent)
            continue;
        const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root, item->Url));
        if (!page.empty())
            CollectFiles(contents, page);
    }
    for (const std::string& extra : {settings.HtmlHelpTemplate, settings.DefaultTopic}) {
        if (SF::Trim(extra).empty())
            continue;
        const std::string page = Paths::ResolveExisting(Paths::UrlToPath(root, SF::Trim(extra)));
        if (!page.empty())
            CollectFiles(contents, page);
    }

    static const TOutputFileKind kind{"Qt Help", ".qch", LooksLikeQtHelp};
    const std::string target = PrepareOutputFile(ctx, ctx.Project.ProjectSettings.QtHelpFile, kind);
    const std::string generator = FindQtHelpGenerator();
    if (generator.empty())
        throw EParvaneError("Qt's help generator \"qhelpgenerator\" was not found, so no .qch "
                            "file was made. Install the Debian package "
                            "\"qt6-documentation-tools\" and build again.");

    const TPrivateFolder work("parvane-qthelp");
    ctx.Host.Info("Copying files...");
    CopyCollectedFiles(ctx, work.Path());

    // The pages wear the HTML Help template, as in the compiled HTML Help.
    const std::string templateSetting = SF::Trim(settings.HtmlHelpTemplate);
    if (!templateSetting.empty()) {
        const std::string templateFile =
            Paths::ResolveExisting(Paths::UrlToPath(root, templateSetting));
        if (templateFile.empty()) {
            ctx.Host.Info("The HTML Help template \"" + templateSetting +
                          "\" doesn't exist; the pages are copied unchanged.");
        } else {
            ctx.Host.Info("Applying template...");
            const TTemplate tpl(templateFile);
            const std::string encoding = SF::Trim(settings.Encoding);
            std::set<std::string> done;
            for (const auto& item : contents.Items) {
                if (!item->HasContent || item->ApplyTemp || Paths::IsAbsolute(item->Url))
                    continue;
                const std::string source =
                    Paths::ResolveExisting(Paths::UrlToPath(root, item->Url));
                if (source.empty() || !SF::StartsWithText(source, root) ||
                    SF::SameText(source, templateFile) || !done.insert(source).second)
                    continue;
                const std::string dest = work.Path() + source.substr(root.size());
                std::string text = ApplyTemplate(tpl.RebasedFor(Paths::ExtractFilePath(source)),
                                                 item->Title, contents.ItemBody(*item));
                std::string charset = TextCodec::DeclaredCharset(text);
                SF::SaveTextFile(text, dest, charset.empty() ? encoding : charset);
            }
        }
    }

    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(work.Path(), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file(ec))
            files.push_back(fs::relative(it->path(), work.Path(), ec).generic_string());
    }
    std::sort(files.begin(), files.end());

    ctx.Host.Info("Writing the Qt help project...");
    // Pages are named in the project by their Url; inside the work folder they carry the
    // names they have on disk, which the case-insensitive lookup may have found.
    TextCodec::WriteFileAtomic(work.Path() + kProjectName,
                               BuildQtHelpProject(contents, QtHelpNamespace(project), files));

    ctx.Host.Info("Compiling...");
    const std::string compiled = work.Path() + ".parvane-help.qch";
    const TProgramRun run = RunProgram({generator, kProjectName, "-o", compiled}, work.Path(),
                                       [&ctx](const std::string& line) {
                                           if (!SF::Trim(line).empty())
                                               ctx.Host.CompilerLine(line);
                                       });
    if (!run.Started)
        throw EParvaneError(run.Error);
    if (run.ExitStatus != 0 || !LooksLikeQtHelp(compiled))
        throw EParvaneError("qhelpgenerator failed (exit status " + std::to_string(run.ExitStatus) +
                            "); no .qch file was made.");
    InstallOutputFile(compiled, target);

    ctx.Host.Info("");
    ctx.Host.Info("Filename: " + target);
    ctx.Host.Info("");
    ctx.Host.Info("Completed.");
    ctx.Result.OutputFile = target;
}

} // namespace parvane
