// A new project without windows: the folder proposal, the search for pages, the folder
// import and the steps that copy the wizard's answers into the project.

#include "wizard/new_project.h"

#include "model/errors.h"
#include "model/natural_order.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

std::string SuggestProjectFolder() {
    return SuggestProjectFolder(Paths::HomeFolder() + "Parvane Projects/");
}

std::string SuggestProjectFolder(const std::string& projectsFolder) {
    const std::string base = Paths::IncludeTrailingSlash(projectsFolder) + "Project";
    for (int n = 1; n <= 99999; ++n) {
        const std::string candidate = base + std::to_string(n);
        std::error_code ec;
        if (!fs::exists(fs::path(candidate), ec))
            return candidate;
    }
    return {};
}

namespace {

bool IsPageFile(const fs::path& file) {
    const std::string ext = SF::AsciiLowerCase(file.extension().string());
    return ext == ".htm" || ext == ".html";
}

} // namespace

bool ContainsHtmlFiles(const std::string& folder) {
    std::error_code ec;
    // Does not follow symbolic links to folders, so a loop of links cannot trap it.
    fs::recursive_directory_iterator it(fs::path(Paths::ToNative(folder)),
                                        fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (IsPageFile(it->path()) && it->is_regular_file(typeError))
            return true;
    }
    return false;
}

namespace {

// Named and numeric character references of a title, so the tree holds plain text (the
// outputs escape titles again when they write them).
std::string DecodeEntities(const std::string& s) {
    static const std::pair<const char*, const char*> named[] = {
        {"amp", "&"},
        {"lt", "<"},
        {"gt", ">"},
        {"quot", "\""},
        {"apos", "'"},
        {"nbsp", "\xC2\xA0"},
        {"copy", "\xC2\xA9"},
        {"reg", "\xC2\xAE"},
        {"ndash", "\xE2\x80\x93"},
        {"mdash", "\xE2\x80\x94"},
        {"hellip", "\xE2\x80\xA6"},
        {"laquo", "\xC2\xAB"},
        {"raquo", "\xC2\xBB"},
        {"lsquo", "\xE2\x80\x98"},
        {"rsquo", "\xE2\x80\x99"},
        {"ldquo", "\xE2\x80\x9C"},
        {"rdquo", "\xE2\x80\x9D"},
        {"trade", "\xE2\x84\xA2"},
    };
    auto utf8 = [](unsigned long cp) {
        std::string out;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        return out;
    };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t semi = s[i] == '&' ? s.find(';', i + 1) : std::string::npos;
        if (semi == std::string::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        const std::string name = s.substr(i + 1, semi - i - 1);
        std::string value;
        if (name.size() > 1 && name[0] == '#') {
            char* endp = nullptr;
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const char* digits = name.c_str() + (hex ? 2 : 1);
            const unsigned long cp = std::strtoul(digits, &endp, hex ? 16 : 10);
            if (endp && *endp == '\0' && endp != digits && cp > 0 && cp <= 0x10FFFF &&
                !(cp >= 0xD800 && cp <= 0xDFFF))
                value = utf8(cp);
        } else {
            for (const auto& [key, text] : named)
                if (name == key)
                    value = text;
        }
        if (value.empty()) {
            out += s[i];
            continue;
        }
        out += value;
        i = semi;
    }
    return out;
}

// A title as the tree shows it: references decoded, runs of white space made one blank.
std::string CleanTitle(const std::string& raw) {
    std::string decoded = DecodeEntities(raw);
    std::string out;
    bool blank = false;
    for (char c : decoded) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !out.empty())
            out += ' ';
        blank = false;
        out += c;
    }
    return out.empty() ? "No title" : out;
}

std::string ImportTitle(const fs::path& file, int titleMode, const std::string& charset) {
    const std::string name = file.filename().string();
    switch (titleMode) {
    case tmNameWithoutExtension:
        return file.stem().string();
    case tmFileName:
        return name;
    default:
        try {
            return CleanTitle(SF::GetHtmlTitle(SF::LoadTextFile(file.string(), charset)));
        } catch (const std::exception&) {
            return "No title";
        }
    }
}

// One entry of a folder listing, with its key of the name order.
struct TListedEntry {
    std::string Name;
    std::string Folded;
    bool IsFolder = false;
};

// The folder's entries in name order (files and folders mixed): the same on every machine,
// whatever order the file system lists them in.
std::vector<TListedEntry> ListInNameOrder(const fs::path& folder) {
    std::vector<TListedEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const bool isFolder = it->is_directory(typeError);
        if (!isFolder && !(IsPageFile(it->path()) && it->is_regular_file(typeError)))
            continue; // other files are ignored: no need to sort them
        std::string name = it->path().filename().string();
        std::string folded = SF::LowerCase(name);
        entries.push_back({std::move(name), std::move(folded), isFolder});
    }
    std::sort(entries.begin(), entries.end(), [](const TListedEntry& a, const TListedEntry& b) {
        return NameKeyLess({a.Folded, a.Name}, {b.Folded, b.Name});
    });
    return entries;
}

bool IsIndexPage(const TListedEntry& entry) {
    return !entry.IsFolder && (entry.Folded == "index.htm" || entry.Folded == "index.html");
}

// A folder's heading, made only when the first page below the folder is imported, so a
// folder without any page leaves no empty heading behind.
struct TPendingHeading {
    TPendingHeading* Outer = nullptr; // the heading of the folder around, if still pending
    TTopicNode* Parent = nullptr;     // where the heading goes once Outer exists
    std::string Title;
    TTopicNode* Node = nullptr;
};

class TFolderImport {
public:
    TFolderImport(TPvx& project, int titleMode, bool keepStructure, bool folderIndex,
                  const ImportProgress& progress)
        : tree_(project.Tree()), root_(project.RootFolder()),
          charset_(SF::Trim(project.ProjectSettings.Encoding)), titleMode_(titleMode),
          keepStructure_(keepStructure), folderIndex_(folderIndex), progress_(progress) {}

    // Imports folder below parent; heading, when set, is the folder's own pending heading.
    void Import(TTopicNode* parent, const fs::path& folder, TPendingHeading* heading) {
        // A folder reached twice (a symbolic link back up the tree) is imported once.
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(folder, ec);
        if (!visited_.insert(ec ? folder : canonical).second)
            return;

        const std::vector<TListedEntry> entries = ListInNameOrder(folder);
        const TListedEntry* indexPage = nullptr;
        if (heading && folderIndex_) {
            const auto found = std::find_if(entries.begin(), entries.end(), IsIndexPage);
            if (found != entries.end()) {
                indexPage = &*found;
                TTopicNode* node = Materialize(*heading);
                TLeftTreeData& data = node->Data();
                data.Status = tsLinked;
                data.Url = Paths::PathToUrl(root_, (folder / found->Name).string());
                Imported(folder / found->Name);
            }
        }
        for (const TListedEntry& entry : entries) {
            if (&entry == indexPage)
                continue;
            const fs::path path = folder / entry.Name;
            if (entry.IsFolder) {
                if (!keepStructure_) {
                    Import(parent, path, nullptr);
                    continue;
                }
                TPendingHeading sub{heading && !heading->Node ? heading : nullptr,
                                    heading && heading->Node ? heading->Node : parent, entry.Name};
                Import(parent, path, &sub);
                continue;
            }
            TTopicNode* target = heading ? Materialize(*heading) : parent;
            tree_.AddTopicNode(target, ImportTitle(path, titleMode_, charset_),
                               imLastChildOfReference, tsLinked, 0,
                               Paths::PathToUrl(root_, path.string()));
            Imported(path);
        }
    }

    const std::string& FirstPage() const { return firstPage_; }

private:
    TTopicNode* Materialize(TPendingHeading& heading) {
        if (!heading.Node) {
            TTopicNode* parent = heading.Outer ? Materialize(*heading.Outer) : heading.Parent;
            heading.Node = tree_.AddTopicNode(parent, heading.Title, imLastChildOfReference,
                                              tsNoLink, 0, "");
        }
        return heading.Node;
    }

    void Imported(const fs::path& path) {
        if (firstPage_.empty())
            firstPage_ = Paths::PathToUrl(root_, path.string());
        if (progress_)
            progress_(path.string());
    }

    TTopicTree& tree_;
    std::string root_;
    std::string charset_;
    int titleMode_;
    bool keepStructure_;
    bool folderIndex_;
    const ImportProgress& progress_;
    std::set<fs::path> visited_;
    std::string firstPage_;
};

} // namespace

void ImportFolder(TPvx& project, TTopicNode* parent, const std::string& folder, int depth,
                  int titleMode, bool keepStructure, const ImportProgress& progress) {
    ImportFolder(project, parent, folder, depth, titleMode, keepStructure, false, progress);
}

void ImportFolder(TPvx& project, TTopicNode* parent, const std::string& folder, int /*depth*/,
                  int titleMode, bool keepStructure, bool folderIndex,
                  const ImportProgress& progress) {
    TFolderImport import(project, titleMode, keepStructure, folderIndex, progress);
    import.Import(parent, fs::path(Paths::ToNative(folder)), nullptr);
    // A project without a default topic opens on its first page.
    std::string& defaultTopic = project.ProjectSettings.DefaultTopic;
    if (SF::Trim(defaultTopic).empty() && !import.FirstPage().empty())
        defaultTopic = import.FirstPage();
    // One image update for the whole import rather than one per folder.
    project.UpdateTopicImages();
}

void NewProject(TPvx& project, const TNewProjectOptions& options, const ImportProgress& progress) {
    project.ResetToDefaults();
    TProjectSettings& s = project.ProjectSettings;
    s.Title = options.Title;
    std::string root = Paths::ToNative(Paths::ExpandHome(SF::Trim(options.RootFolder)));
    if (root.empty())
        throw EParvaneError("Please specify the root folder of the project!");
    if (root[0] != '/') {
        std::error_code ec;
        root = fs::absolute(fs::path(root), ec).string();
    }
    root = fs::path(root).lexically_normal().string();
    s.RootDir = Paths::IncludeTrailingSlash(root);
    s.DefaultTemplate = options.DefaultTemplate;
    s.Encoding = options.Encoding;
    s.CustomTemplate = options.CustomTemplate;

    std::error_code ec;
    fs::create_directories(fs::path(s.RootDir), ec);
    if (ec || !fs::is_directory(fs::path(s.RootDir)))
        throw EParvaneError("Cannot create the root folder \"" + s.RootDir + "\": " +
                            (ec ? ec.message() : std::string("a file of that name exists")));

    TTopicTree& tree = project.Tree();
    TTopicNode* contents = project.ContentsRoot();
    tree.BeginUpdate();
    if (options.Import) {
        ImportFolder(project, contents, s.RootDir, 0, options.TitleMode, options.KeepStructure,
                     options.FolderIndex, progress);
    } else {
        tree.AddTopicNode(contents, "New Item", imLastChildOfReference, tsUnsaved, 0, "");
        TTopicNode* heading =
            tree.AddTopicNode(contents, "New Item", imLastChildOfReference, tsNoLink, 0, "");
        tree.AddTopicNode(heading, "New Item", imLastChildOfReference, tsUnsaved, 0, "");
        tree.AddTopicNode(heading, "New Item", imLastChildOfReference, tsUnsaved, 0, "");
        project.UpdateTopicImages();
        for (TTopicNode* node = contents->FirstChild(); node; node = node->GetNext()) {
            if (node->RootGroup() != contents)
                break;
            if (node->HasChildren())
                node->Expand();
        }
        tree.Select(contents->FirstChild());
    }
    tree.EndUpdate();
    project.Modified = true;
    tree.Select(contents);
    contents->Expand();
}

} // namespace parvane
