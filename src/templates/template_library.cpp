#include "templates/template_library.h"

#include "model/errors.h"
#include "model/ini_file.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/string_func.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace parvane {

namespace SF = StringFunc;
namespace fs = std::filesystem;

namespace {

std::string Slashed(const std::string& folder) {
    return Paths::IncludeTrailingSlash(Paths::ToNative(folder));
}

// The entries of a folder, in name order so that collisions and copies are reproducible.
std::vector<fs::directory_entry> Entries(const std::string& folder) {
    std::vector<fs::directory_entry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(Paths::ToNative(folder), ec), end; !ec && it != end;
         it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path() < b.path(); });
    return entries;
}

void Touch(TPvx& project) {
    project.UpdateTopicImages();
    project.Modified = true;
}

} // namespace

// ---- the library -----------------------------------------------------------------------------

std::string TemplateLibraryFolder() {
    return Paths::AppDir() + "/templates/";
}

std::vector<TTemplateEntry> ParseTemplateIndex(const TIniFile& ini) {
    std::vector<TTemplateEntry> entries;
    for (int n = 1;; ++n) {
        const std::string section = "Template" + std::to_string(n);
        if (!ini.HasSection(section))
            break;
        TTemplateEntry e;
        e.Name = ini.ReadString(section, "Name", TemplateTexts::NoName);
        e.Img = ini.ReadString(section, "Img", "");
        e.Path = ini.ReadString(section, "Path", "");
        e.FileName = ini.ReadString(section, "FileName", TemplateTexts::DefaultFileName);
        entries.push_back(std::move(e));
    }
    return entries;
}

std::vector<TTemplateEntry> LoadTemplateLibrary(const std::string& libraryFolder) {
    const std::string index = Slashed(libraryFolder) + "templates.ini";
    std::error_code ec;
    if (!fs::is_regular_file(index, ec))
        return {};
    try {
        return ParseTemplateIndex(TIniFile::FromFile(index));
    } catch (const EParvaneError&) {
        return {};
    }
}

std::string TemplatePreviewFile(const std::string& libraryFolder, const TTemplateEntry& entry) {
    if (SF::Trim(entry.Img).empty())
        return {};
    return Slashed(libraryFolder) + Paths::ToNative(entry.Img);
}

// ---- copying ---------------------------------------------------------------------------------

std::string FindCopyCollision(const std::string& source, const std::string& target) {
    const std::string to = Slashed(target);
    for (const fs::directory_entry& entry : Entries(source)) {
        const std::string name = entry.path().filename().string();
        std::error_code ec;
        if (entry.is_directory(ec)) {
            std::string found = FindCopyCollision(entry.path().string(), to + name);
            if (!found.empty())
                return found;
        } else if (fs::exists(to + name, ec)) {
            return to + name;
        }
    }
    return {};
}

void CopyFolderTree(const std::string& source, const std::string& target) {
    const std::string to = Slashed(target);
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec)
        throw EParvaneError("Cannot create the folder \"" + to + "\": " + ec.message());
    for (const fs::directory_entry& entry : Entries(source)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(ec)) {
            CopyFolderTree(entry.path().string(), to + name);
            continue;
        }
        fs::copy_file(entry.path(), to + name, fs::copy_options::overwrite_existing, ec);
        if (ec)
            throw EParvaneError("Cannot copy \"" + entry.path().string() + "\" to \"" + to + name +
                                "\": " + ec.message());
    }
}

std::string ReplaceCharsetTag(std::string_view text, std::string_view encoding) {
    std::string charset = SF::Trim(encoding);
    if (charset.empty())
        charset = "UTF-8";
    return SF::ReplaceTextW(text, "($charset$)", charset);
}

std::string CopyTemplatePrompt(const std::string& rootFolder) {
    return "Copy template to:\n" + rootFolder;
}

bool IsFolderNameInsideRoot(std::string_view folderName) {
    const std::string name = SF::Trim(folderName);
    if (name.empty() || Paths::IsAbsolute(name))
        return false;
    std::size_t start = 0;
    const std::string native = Paths::ToNative(name);
    for (;;) {
        const std::size_t slash = native.find('/', start);
        if (native.substr(start, slash == std::string::npos ? slash : slash - start) == "..")
            return false;
        if (slash == std::string::npos)
            return true;
        start = slash + 1;
    }
}

std::optional<std::string> AskTemplateFolder(const std::string& source,
                                             const std::string& rootFolder,
                                             const TFolderQuestion& ask, const TMessageBox& show) {
    std::string proposal = TemplateTexts::ProposedFolder;
    for (;;) {
        std::optional<std::string> answer = ask(proposal);
        if (!answer)
            return std::nullopt;
        proposal = *answer;
        const std::string name = SF::Trim(*answer);
        if (!IsFolderNameInsideRoot(name)) {
            show(TemplateTexts::FolderOutsideRoot);
            continue;
        }
        if (!FindCopyCollision(source, Slashed(rootFolder) + Paths::ToNative(name)).empty()) {
            show(TemplateTexts::Collision);
            continue;
        }
        return name;
    }
}

std::string CopyTemplateToProject(const TTemplateEntry& entry, const std::string& libraryFolder,
                                  const std::string& rootFolder, const std::string& folderName,
                                  const std::string& encoding) {
    const std::string source = Slashed(Slashed(libraryFolder) + Paths::ToNative(entry.Path));
    const std::string target = Slashed(Slashed(rootFolder) + Paths::ToNative(folderName));
    CopyFolderTree(source, target);
    const std::string mainPage = Paths::ToNative(entry.FileName);
    // The library's pages are the program's own (UTF-8); the copy is written in the
    // project's encoding, which its <meta> now names.
    const std::string page = ReplaceCharsetTag(SF::LoadTextFile(source + mainPage), encoding);
    SF::SaveTextFile(page, target + mainPage, SF::Trim(encoding));
    return SF::ToBackslashes(Paths::ExcludeTrailingSlash(Paths::ToNative(SF::Trim(folderName))) +
                             "/" + mainPage);
}

TTopicNode* AddPrebuiltTemplate(TPvx& project, const TTemplateEntry& entry,
                                const std::string& libraryFolder, const std::string& folderName,
                                int insertMode) {
    const std::string url = CopyTemplateToProject(entry, libraryFolder, project.RootFolder(),
                                                  folderName, project.ProjectSettings.Encoding);
    TTopicTree& tree = project.Tree();
    TTopicNode* group = project.TemplatesRoot();
    const TTopicNode* selected = tree.Selected();
    const bool relative = insertMode >= imBeforeSelected && insertMode <= imLastChildOfSelected;
    if (relative && (!selected || selected->RootGroup() != group))
        insertMode = imLastChildOfReference;
    TTopicNode* node = tree.AddTopicNode(group, entry.Name, insertMode, tsLinked, 0, url);
    Touch(project);
    return node;
}

// ---- the template commands -------------------------------------------------------------------

std::string TemplateRefusal(const TTopicNode* node) {
    if (!node || node->IsRoot())
        return TemplateTexts::RefuseNoLink;
    switch (node->Data().Status) {
    case tsUnsaved:
        return TemplateTexts::RefuseUnsaved;
    case tsNoLink:
        return TemplateTexts::RefuseNoLink;
    default:
        return {};
    }
}

bool CanBeTemplate(const TTopicNode* node) {
    return TemplateRefusal(node).empty();
}

void SetAsHtmlHelpTemplate(TPvx& project, TTopicNode* node) {
    if (const std::string refusal = TemplateRefusal(node); !refusal.empty())
        throw EParvaneError(refusal);
    project.ProjectSettings.HtmlHelpTemplate = node->Data().Url;
    Touch(project);
}

void SetAsWebHelpTemplate(TPvx& project, TTopicNode* node) {
    if (const std::string refusal = TemplateRefusal(node); !refusal.empty())
        throw EParvaneError(refusal);
    project.ProjectSettings.WebHelpTemplateSame = false;
    project.ProjectSettings.WebHelpTemplate = node->Data().Url;
    Touch(project);
}

void DontUseAnyTemplate(TPvx& project) {
    project.ProjectSettings.HtmlHelpTemplate.clear();
    project.ProjectSettings.WebHelpTemplate.clear();
    Touch(project);
}

} // namespace parvane
