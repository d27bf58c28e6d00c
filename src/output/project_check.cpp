#include "output/project_check.h"

#include "model/errors.h"
#include "model/html_links.h"
#include "model/html_references.h"
#include "model/paths.h"
#include "model/project_root.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "output/contents.h"
#include "output/parallel_pages.h"
#include "model/text_file.h"
#include "templates/template_apply.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;

int TCheckReport::Count(CheckSeverity severity) const {
    return static_cast<int>(std::count_if(Findings.begin(), Findings.end(),
                                          [&](const TCheckFinding& f) { return f.Severity == severity; }));
}

const char* SeverityName(CheckSeverity severity) {
    switch (severity) {
    case CheckSeverity::Error:
        return "error";
    case CheckSeverity::Warning:
        return "warning";
    case CheckSeverity::Note:
        return "note";
    }
    return "error";
}

namespace {

std::string Quote(const std::string& s) {
    return "\"" + s + "\"";
}

bool IsPageFile(const std::string& path) {
    const std::string ext = SF::AsciiLowerCase(Paths::ExtractFileExt(path));
    return ext == ".htm" || ext == ".html" || ext == ".xhtml" || ext == ".shtml" ||
           ext == ".shtm" || ext == ".sht";
}

bool IsStyleSheet(const std::string& path) {
    return SF::AsciiLowerCase(Paths::ExtractFileExt(path)) == ".css";
}

// The scheme of an address ("http", "mailto", ...), lower case, or "" when it has none.
std::string SchemeOf(const std::string& link) {
    std::size_t i = 0;
    if (link.empty() || !std::isalpha(static_cast<unsigned char>(link[0])))
        return {};
    while (i < link.size() && (std::isalnum(static_cast<unsigned char>(link[i])) ||
                               link[i] == '+' || link[i] == '-' || link[i] == '.'))
        ++i;
    if (i >= link.size() || link[i] != ':')
        return {};
    return SF::AsciiLowerCase(link.substr(0, i));
}

bool IsDriveLetterPath(const std::string& link) {
    return link.size() >= 3 && std::isalpha(static_cast<unsigned char>(link[0])) &&
           link[1] == ':' && (link[2] == '\\' || link[2] == '/');
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

// Where a local reference leads.
struct TTarget {
    enum State { Missing, Exact, CaseOnly, Outside } State = Missing;
    std::string Found; // the path on disk (its real letters), for Exact and CaseOnly
    std::string Real;  // Found with symbolic links resolved
    bool IsFolder = false;
    struct TPageInfo* Page = nullptr; // its page record, once a link reached it
};

struct TPageInfo {
    std::string Rel;            // below the real root, "/" separators
    // Hashes of the page's ids and names, sorted: a large site has millions of them.
    std::vector<std::size_t> Anchors;
    bool Scanned = false;
    bool Unreadable = false;
    bool InContents = false;    // a page of the table of contents
    std::string TemplateTitle;  // the topic's title when the page is a template
    bool LinkedByOtherPage = false;
};

// A link with a fragment, checked once every page is read. Pages live in an unordered
// map whose elements never move, so pointers to them stay valid.
struct TFragmentLink {
    const TPageInfo* Target = nullptr;
    const TPageInfo* From = nullptr;
    std::size_t Hash = 0; // of the decoded fragment
    int Line = 0;
    std::string Written;
};

class TChecker {
public:
    TChecker(const TPvx& project, const TCheckOptions& options, const CheckProgress& progress)
        : project_(project), options_(options), progress_(progress) {}

    TCheckReport Run();

private:
    void Add(CheckSeverity severity, std::string code, std::string page, int line,
             std::string topic, std::string target, std::string message,
             std::string suggestion = {}) {
        report_.Findings.push_back({severity, std::move(code), std::move(page), line,
                                    std::move(topic), std::move(target), std::move(message),
                                    std::move(suggestion)});
    }
    void Progress(const std::string& text) const {
        if (progress_)
            progress_(text);
    }

    TTarget& Resolve(const std::string& absolutePath);
    std::string RelativeToRoot(const std::string& real) const;
    TPageInfo& Page(const std::string& real);
    void Enqueue(const std::string& real);
    void Enqueue(TPageInfo& page, const std::string& real);

    void CheckTopics();
    void CheckTemplates();
    // One page being checked: where its links resolve from, and the answers for the links
    // its folder has seen (pages of one folder write the same relative links again and
    // again, so the full path is collapsed and hashed once per folder and link).
    struct TScan {
        TPageInfo* Info = nullptr;
        std::string Folder;
        std::unordered_map<std::string, TTarget*>* Links = nullptr;
    };
    // A page read and scanned on a worker thread.
    struct TRead {
        std::string Text;
        THtmlReferences Refs;
        std::string Error;
    };
    static TRead ReadAndScan(const std::string& real, const std::string& charset);
    void ScanPages();
    void TakeScan(const std::string& real, TRead& read);
    void CheckLink(TScan& page, const THtmlReference& ref);
    void AddFragment(TPageInfo* target, TPageInfo* from, std::string_view fragment,
                     const THtmlReference& ref);
    void CheckFragments();
    void CheckOrphans();

    const TPvx& project_;
    TCheckOptions options_;
    CheckProgress progress_;
    TCheckReport report_;
    std::string root_; // as the project names it, trailing "/"
    std::unique_ptr<TProjectRoot> projectRoot_;
    std::unordered_map<std::string, TTarget> targets_;
    std::unordered_map<std::string, std::unordered_map<std::string, TTarget*>> linksByFolder_;
    std::unordered_map<std::string, TPageInfo> pages_;
    std::vector<std::string> pending_;
    std::vector<TFragmentLink> fragments_;
    std::unordered_set<std::string> externalSeen_;
};

// The same rules as the builds: an exact name wins, letter case is only a fallback, and
// "inside the root" is decided on real paths. A folder inside the root ("sub/", "../") is
// no missing file: web servers answer it with its index page.
TTarget& TChecker::Resolve(const std::string& absolutePath) {
    const std::string key = SF::CollapseDotDot(absolutePath);
    auto it = targets_.find(key);
    if (it != targets_.end())
        return it->second;
    TTarget target;
    const TResolvedTarget resolved = projectRoot_->Resolve(key);
    const bool spelledInside = StartsWith(key, root_) || StartsWith(key, projectRoot_->Folder());
    if (resolved.Found()) {
        target.Found = resolved.Path;
        target.Real = resolved.Path;
        target.State = !resolved.InsideRoot                     ? TTarget::Outside
                       : resolved.Match == TargetMatch::Exact ? TTarget::Exact
                                                               : TTarget::CaseOnly;
    } else if (!spelledInside) {
        target.State = TTarget::Outside;
    } else {
        std::error_code ec;
        if (fs::is_directory(fs::path(key), ec)) {
            target.State = TTarget::Exact;
            target.IsFolder = true;
            target.Found = target.Real = key;
        }
    }
    return targets_.emplace(key, target).first->second;
}

std::string TChecker::RelativeToRoot(const std::string& real) const {
    const std::string& folder = projectRoot_->Folder();
    return StartsWith(real, folder) ? real.substr(folder.size()) : real;
}

TPageInfo& TChecker::Page(const std::string& real) {
    auto [it, inserted] = pages_.try_emplace(real);
    if (inserted)
        it->second.Rel = RelativeToRoot(real);
    return it->second;
}

void TChecker::Enqueue(const std::string& real) {
    Enqueue(Page(real), real);
}

void TChecker::Enqueue(TPageInfo& page, const std::string& real) {
    if (page.Scanned)
        return;
    page.Scanned = true; // marks it as queued; read once
    pending_.push_back(real);
}

void TChecker::CheckTopics() {
    std::unordered_map<std::string, std::string> contextOwners; // number -> first topic
    std::unordered_map<std::string, std::vector<std::string>> topicsOfPage; // real -> titles
    std::vector<std::string> pageOrder;
    std::vector<TTopicNode*> nodes;
    project_.Tree().ForEach([&](TTopicNode* node) {
        if (!node->IsRoot())
            nodes.push_back(node);
    });
    for (TTopicNode* node : nodes) {
        const TLeftTreeData& data = node->Data();
        const std::string title = node->Text();
        if (data.Status == tsUnsaved) {
            Add(CheckSeverity::Note, "unsaved-topic", "", 0, title, "",
                "The topic " + Quote(title) + " has no saved page yet.");
        } else if (data.Status == tsNoLink) {
            if (data.Kind == 0)
                Add(CheckSeverity::Note, "no-link-topic", "", 0, title, "",
                    "The topic " + Quote(title) + " is a heading without a page.");
        } else {
            const std::string url = SF::Trim(data.Url);
            if (url.empty()) {
                Add(CheckSeverity::Error, "missing-page", "", 0, title, "",
                    "The topic " + Quote(title) + " is linked to no page.");
            } else {
                const TTarget& target = Resolve(Paths::UrlToPath(root_, url));
                if (target.State == TTarget::Missing) {
                    Add(CheckSeverity::Error, "missing-page", "", 0, title, url,
                        "The page of the topic " + Quote(title) + " doesn't exist.");
                } else if (target.State == TTarget::Outside) {
                    Add(CheckSeverity::Error, "outside-root", "", 0, title, url,
                        "The page of the topic " + Quote(title) +
                            " lies outside the project's root folder; no output includes it.");
                } else if (target.IsFolder) {
                    Add(CheckSeverity::Error, "missing-page", "", 0, title, url,
                        "The page of the topic " + Quote(title) + " is a folder.");
                } else {
                    if (target.State == TTarget::CaseOnly) {
                        const std::string exact =
                            SF::ToBackslashes(RelativeToRoot(target.Real));
                        Add(CheckSeverity::Warning, "case-mismatch", "", 0, title, url,
                            "The page of the topic " + Quote(title) +
                                " is found only when letter case is ignored.",
                            exact);
                    }
                    TPageInfo& page = Page(target.Real);
                    if (data.Kind == 0)
                        page.InContents = true;
                    if (data.Kind != 2) {
                        auto& titles = topicsOfPage[target.Real];
                        if (titles.empty())
                            pageOrder.push_back(target.Real);
                        titles.push_back(title);
                    }
                    if (IsPageFile(target.Real) || IsStyleSheet(target.Real))
                        Enqueue(target.Real);
                    if (data.Kind == 2 && page.TemplateTitle.empty())
                        page.TemplateTitle = title; // its tags are checked when it is read
                }
            }
        }

        const std::string number = SF::Trim(data.ContextNumber);
        if (!number.empty()) {
            const bool numeric =
                number.size() <= 9 && std::all_of(number.begin(), number.end(), [](char c) {
                    return c >= '0' && c <= '9';
                });
            if (!numeric) {
                Add(CheckSeverity::Error, "bad-context-number", "", 0, title, number,
                    "The context number " + Quote(number) + " of the topic " + Quote(title) +
                        " is not a whole number.");
            } else {
                const std::string canonical = std::to_string(std::stol(number));
                auto [it, inserted] = contextOwners.emplace(canonical, title);
                if (!inserted)
                    Add(CheckSeverity::Error, "duplicate-context-number", "", 0, title, number,
                        "The context number " + number + " of the topic " + Quote(title) +
                            " is already the number of " + Quote(it->second) + ".");
            }
        }

        if (!data.Keywords.empty()) {
            for (const std::string& line : SF::SplitTrimmed(data.Keywords, "\n")) {
                const std::string keyword = SF::Trim(line);
                if (keyword.empty())
                    continue;
                const std::vector<std::string> parts = SplitKeywordParts(keyword);
                if (std::any_of(parts.begin(), parts.end(),
                                [](const std::string& p) { return SF::Trim(p).empty(); }))
                    Add(CheckSeverity::Warning, "empty-keyword-level", "", 0, title, keyword,
                        "The keyword " + Quote(keyword) + " of the topic " + Quote(title) +
                            " has an empty level; the index leaves it out.");
            }
        }
    }
    for (const std::string& real : pageOrder) {
        const auto& titles = topicsOfPage[real];
        if (titles.size() < 2)
            continue;
        std::string names;
        for (const std::string& t : titles)
            names += (names.empty() ? "" : ", ") + Quote(t);
        Add(CheckSeverity::Warning, "shared-page", RelativeToRoot(real), 0, titles[1], "",
            "The topics " + names + " share one page.");
    }
}

void TChecker::CheckTemplates() {
    const TProjectSettings& s = project_.ProjectSettings;
    struct TUse {
        std::string Setting;
        std::string Url;
    };
    std::vector<TUse> uses;
    if (!SF::Trim(s.HtmlHelpTemplate).empty())
        uses.push_back({"HTML Help template", SF::Trim(s.HtmlHelpTemplate)});
    if (!s.WebHelpTemplateSame && !SF::Trim(s.WebHelpTemplate).empty())
        uses.push_back({"Web Help template", SF::Trim(s.WebHelpTemplate)});
    if (!s.DefaultTemplate && !SF::Trim(s.CustomTemplate).empty())
        uses.push_back({"page for new topics", SF::Trim(s.CustomTemplate)});
    if (uses.empty())
        return;
    int templated = 0;
    project_.Tree().ForEach([&](TTopicNode* node) {
        if (!node->IsRoot() && node->Data().Kind != 2 && node->Data().Status == tsLinked &&
            !node->Data().ApplyTemp)
            ++templated;
    });
    for (const TUse& use : uses) {
        const TTarget& target = Resolve(Paths::UrlToPath(root_, use.Url));
        if (target.State == TTarget::Missing || target.IsFolder) {
            std::string affected;
            if (use.Setting != "page for new topics")
                affected = " " + std::to_string(templated) + " topic(s) use it.";
            Add(CheckSeverity::Error, "missing-template", "", 0, "", use.Url,
                "The " + use.Setting + " " + Quote(use.Url) + " doesn't exist." + affected);
        } else if (target.State == TTarget::Outside) {
            Add(CheckSeverity::Error, "outside-root", "", 0, "", use.Url,
                "The " + use.Setting + " " + Quote(use.Url) +
                    " lies outside the project's root folder.");
        } else if (IsPageFile(target.Real)) {
            Enqueue(target.Real);
        }
    }
}

TChecker::TRead TChecker::ReadAndScan(const std::string& real, const std::string& charset) {
    TRead read;
    try {
        std::string bytes = TextCodec::ReadFileBytes(real);
        // Links and ids are found in the bytes; only a page that is no UTF-8 is converted.
        read.Text = TextCodec::IsValidUtf8(bytes) ? std::move(bytes)
                                                  : TextCodec::DecodePage(bytes, charset);
    } catch (const std::exception& e) {
        read.Error = e.what();
        return read;
    }
    if (IsStyleSheet(real))
        ScanCssReferences(read.Text, read.Refs);
    else
        ScanHtmlReferences(read.Text, read.Refs);
    return read;
}

// Wave by wave: the files found so far are read and scanned on every core, then their
// links are followed here, in order, which finds the next wave.
void TChecker::ScanPages() {
    const std::string charset = SF::Trim(project_.ProjectSettings.Encoding);
    std::size_t done = 0;
    while (!pending_.empty()) {
        std::vector<std::string> wave;
        wave.swap(pending_);
        ForEachPageInOrder<TRead>(
            wave.size(), 0, [&](std::size_t i) { return ReadAndScan(wave[i], charset); },
            [&](std::size_t i, TRead&& read) {
                TakeScan(wave[i], read);
                if (++done % 1000 == 0)
                    Progress("Checked " + std::to_string(done) + " files...");
            });
    }
}

void TChecker::TakeScan(const std::string& real, TRead& read) {
    TPageInfo& page = Page(real);
    if (!read.Error.empty()) {
        page.Unreadable = true;
        Add(CheckSeverity::Error, "unreadable-page", page.Rel, 0, "", "",
            "The file cannot be read: " + read.Error);
        return;
    }
    ++report_.PagesRead;
    if (!page.TemplateTitle.empty()) {
        const std::string missing = CheckTemplateTags(read.Text);
        if (!missing.empty())
            Add(CheckSeverity::Error, "template-tags", page.Rel, 0, page.TemplateTitle, "",
                "The template " + Quote(page.TemplateTitle) + " lacks a tag: " +
                    SF::Trim(SF::ReplaceTextW(missing, "\r\n", "; ")) + ".");
    }
    page.Anchors.reserve(read.Refs.Anchors.size());
    for (const std::string& anchor : read.Refs.Anchors)
        page.Anchors.push_back(std::hash<std::string>()(anchor));
    std::sort(page.Anchors.begin(), page.Anchors.end());

    TScan scan;
    scan.Info = &page;
    scan.Folder = Paths::ExtractFilePath(real);
    scan.Links = &linksByFolder_[scan.Folder];
    for (const THtmlReference& ref : read.Refs.Links)
        CheckLink(scan, ref);
}

void TChecker::CheckLink(TScan& page, const THtmlReference& ref) {
    const std::string& link = ref.Value;
    const std::string& from = page.Info->Rel;
    if (link[0] == '#') {
        if (link.size() > 1)
            AddFragment(page.Info, page.Info, std::string_view(link).substr(1), ref);
        return;
    }
    const std::string scheme = SchemeOf(link);
    if (IsDriveLetterPath(link) || scheme == "file" || link[0] == '/' || link[0] == '\\') {
        if (StartsWith(link, "//") && scheme.empty()) { // "//host/x": another site
            if (options_.ListExternal)
                Add(CheckSeverity::Note, "external", from, ref.Line, "", link,
                    "External address (not fetched).");
            return;
        }
        Add(CheckSeverity::Error, "absolute-path", from, ref.Line, "", link,
            "The link names a place in the local file system; it won't exist where the "
            "help is read. Link relative to the page instead.");
        return;
    }
    if (!scheme.empty()) {
        static const std::unordered_set<std::string> kQuiet = {"javascript", "data", "about",
                                                              "blob", "mk", "ms-its", "its"};
        if (options_.ListExternal && !kQuiet.count(scheme))
            Add(CheckSeverity::Note, "external", from, ref.Line, "", link,
                "External address (not fetched).");
        return;
    }
    std::string_view written(link);
    std::string_view fragment;
    const std::size_t hash = written.find('#');
    if (hash != std::string_view::npos) {
        fragment = written.substr(hash + 1);
        written = written.substr(0, hash);
    }
    const std::size_t query = written.find('?');
    if (query != std::string_view::npos)
        written = written.substr(0, query);
    if (written.empty()) { // "?x" or "#": the page itself
        if (!fragment.empty())
            AddFragment(page.Info, page.Info, fragment, ref);
        return;
    }
    const std::string key(written);
    auto known = page.Links->find(key);
    if (known == page.Links->end()) {
        const std::string path = SF::ToForwardSlashes(PercentDecode(written));
        known = page.Links->emplace(key, &Resolve(page.Folder + path)).first;
    }
    TTarget& target = *known->second;
    switch (target.State) {
    case TTarget::Missing:
        Add(CheckSeverity::Error, "missing-target", from, ref.Line, "", link,
            "The file " + Quote(SF::ToForwardSlashes(PercentDecode(written))) +
                " doesn't exist.");
        return;
    case TTarget::Outside:
        Add(CheckSeverity::Error, "outside-root", from, ref.Line, "", link,
            "The link leaves the project's root folder; no output includes its target.");
        return;
    case TTarget::CaseOnly: {
        const std::string exact =
            projectRoot_->RealLink(page.Folder, SF::ToForwardSlashes(PercentDecode(written)));
        Add(CheckSeverity::Warning, "case-mismatch", from, ref.Line, "", link,
            "The file is found only when letter case is ignored; readers on Linux and on web "
            "servers won't find it.",
            exact);
        break;
    }
    case TTarget::Exact:
        break;
    }
    if (target.IsFolder)
        return;
    const bool isPage = IsPageFile(target.Real);
    if (!target.Page && (isPage || IsStyleSheet(target.Real)))
        target.Page = &Page(target.Real);
    if (target.Page && target.Page != page.Info) {
        target.Page->LinkedByOtherPage = true;
        Enqueue(*target.Page, target.Real);
    }
    if (!fragment.empty() && isPage)
        AddFragment(target.Page, page.Info, fragment, ref);
}

void TChecker::AddFragment(TPageInfo* target, TPageInfo* from, std::string_view fragment,
                           const THtmlReference& ref) {
    const std::string decoded = PercentDecode(fragment);
    // "#top" scrolls to the top in every browser, anchor or not.
    if (decoded.empty() || SF::SameText(decoded, "top"))
        return;
    fragments_.push_back({target, from, std::hash<std::string>()(decoded), ref.Line, ref.Value});
}

void TChecker::CheckFragments() {
    for (const TFragmentLink& f : fragments_) {
        if (f.Target->Unreadable)
            continue;
        const auto& anchors = f.Target->Anchors;
        if (std::binary_search(anchors.begin(), anchors.end(), f.Hash))
            continue;
        const std::string fragment = PercentDecode(f.Written.substr(f.Written.find('#') + 1));
        Add(CheckSeverity::Warning, "missing-fragment", f.From->Rel, f.Line, "", f.Written,
            "The page " + Quote(f.Target->Rel) + " has no id or name " + Quote(fragment) + ".");
    }
}

void TChecker::CheckOrphans() {
    std::error_code ec;
    std::vector<std::string> orphans;
    fs::recursive_directory_iterator it(fs::path(projectRoot_->Folder()),
                                        fs::directory_options::skip_permission_denied, ec);
    for (fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        std::error_code sec;
        if (entry.is_directory(sec)) {
            // Earlier outputs and hidden folders (.git, ...) are no part of the help.
            if ((!name.empty() && name[0] == '.') ||
                fs::exists(entry.path() / ".parvane-output", sec))
                it.disable_recursion_pending();
            continue;
        }
        if (entry.is_symlink(sec) || !entry.is_regular_file(sec))
            continue;
        const std::string path = entry.path().string();
        if (!IsPageFile(path))
            continue;
        if (!pages_.count(path))
            orphans.push_back(path);
    }
    std::sort(orphans.begin(), orphans.end());
    for (const std::string& path : orphans)
        Add(CheckSeverity::Warning, "orphan-page", RelativeToRoot(path), 0, "", "",
            "No topic lists this page and no page of the help links to it.");
    for (const auto& [real, page] : pages_)
        if (page.InContents && !page.LinkedByOtherPage)
            Add(CheckSeverity::Note, "contents-only", page.Rel, 0, "", "",
                "Only the table of contents leads to this page; no other page links to it.");
}

TCheckReport TChecker::Run() {
    report_.ProjectFile = project_.FileName;
    root_ = Paths::IncludeTrailingSlash(project_.RootFolder());
    report_.RootFolder = root_;
    std::error_code ec;
    if (SF::Trim(project_.RootFolder()).empty() || !fs::is_directory(fs::path(root_), ec)) {
        Add(CheckSeverity::Error, "missing-root", "", 0, "", project_.RootFolder(),
            "The project's root folder " + Quote(project_.RootFolder()) + " doesn't exist.");
        return report_;
    }
    projectRoot_ = std::make_unique<TProjectRoot>(root_);
    Progress("Checking topics...");
    CheckTopics();
    CheckTemplates();
    Progress("Checking pages...");
    ScanPages();
    CheckFragments();
    Progress("Looking for pages no topic reaches...");
    CheckOrphans();
    std::stable_sort(report_.Findings.begin(), report_.Findings.end(),
                     [](const TCheckFinding& a, const TCheckFinding& b) {
                         return std::tie(a.Page, a.Line, a.Severity, a.Code, a.Target) <
                                std::tie(b.Page, b.Line, b.Severity, b.Code, b.Target);
                     });
    Progress("Checked " + std::to_string(report_.PagesRead) + " files.");
    return report_;
}

void AppendJsonString(std::string& out, const std::string& s) {
    out += '"';
    for (const char ch : s) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

std::string Location(const TCheckFinding& f, const TCheckReport& report) {
    if (!f.Page.empty())
        return f.Line > 0 ? f.Page + ":" + std::to_string(f.Line) : f.Page;
    if (!f.Topic.empty())
        return "topic " + Quote(f.Topic);
    return Paths::ExtractFileName(report.ProjectFile);
}

} // namespace

TCheckReport CheckProject(const TPvx& project, const TCheckOptions& options,
                          const CheckProgress& progress) {
    return TChecker(project, options, progress).Run();
}

std::string FormatCheckText(const TCheckReport& report) {
    std::string out;
    for (const TCheckFinding& f : report.Findings) {
        out += SeverityName(f.Severity);
        out += ": " + Location(f, report) + ": " + f.Code + ": " + f.Message;
        if (!f.Target.empty())
            out += " [" + f.Target + "]";
        if (!f.Suggestion.empty())
            out += " Use " + Quote(f.Suggestion) + ".";
        out += '\n';
    }
    auto plural = [](int n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    out += plural(report.Errors(), "error") + ", " + plural(report.Warnings(), "warning") +
           ", " + plural(report.Notes(), "note") + "; " + plural(report.PagesRead, "file") +
           " read.\n";
    return out;
}

std::string FormatCheckJson(const TCheckReport& report) {
    std::string out = "{\n  \"format\": 1,\n  \"project\": ";
    AppendJsonString(out, report.ProjectFile);
    out += ",\n  \"root\": ";
    AppendJsonString(out, report.RootFolder);
    out += ",\n  \"summary\": {\"errors\": " + std::to_string(report.Errors()) +
           ", \"warnings\": " + std::to_string(report.Warnings()) +
           ", \"notes\": " + std::to_string(report.Notes()) +
           ", \"files_read\": " + std::to_string(report.PagesRead) + "},\n  \"findings\": [";
    bool first = true;
    for (const TCheckFinding& f : report.Findings) {
        out += first ? "\n    {" : ",\n    {";
        first = false;
        out += "\"severity\": ";
        AppendJsonString(out, SeverityName(f.Severity));
        out += ", \"code\": ";
        AppendJsonString(out, f.Code);
        out += ", \"page\": ";
        AppendJsonString(out, f.Page);
        out += ", \"line\": " + std::to_string(f.Line) + ", \"topic\": ";
        AppendJsonString(out, f.Topic);
        out += ", \"target\": ";
        AppendJsonString(out, f.Target);
        out += ", \"message\": ";
        AppendJsonString(out, f.Message);
        out += ", \"suggestion\": ";
        AppendJsonString(out, f.Suggestion);
        out += "}";
    }
    out += first ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

} // namespace parvane
