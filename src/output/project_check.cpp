#include "output/project_check.h"

#include "model/errors.h"
#include "model/html_links.h"
#include "model/html_references.h"
#include "model/paths.h"
#include "model/project_root.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "output/contents.h"
#include "output/ordered_work.h"
#include "model/text_file.h"
#include "templates/template_apply.h"

#include "output/block_store.h"
#include "output/check_folders.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

namespace parvane {

namespace fs = std::filesystem;
namespace SF = StringFunc;
using namespace std::string_view_literals;

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
std::string SchemeOf(std::string_view link) {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    std::size_t i = 0;
    if (link.empty() || !letter(link[0]))
        return {};
    while (i < link.size() && (letter(link[i]) || (link[i] >= '0' && link[i] <= '9') ||
                               link[i] == '+' || link[i] == '-' || link[i] == '.'))
        ++i;
    if (i >= link.size() || link[i] != ':')
        return {};
    return SF::AsciiLowerCase(link.substr(0, i));
}

bool IsDriveLetterPath(std::string_view link) {
    return link.size() >= 3 && std::isalpha(static_cast<unsigned char>(link[0])) &&
           link[1] == ':' && (link[2] == '\\' || link[2] == '/');
}

// A finding's fields, wherever they are kept.
struct TFindingView {
    CheckSeverity Severity = CheckSeverity::Error;
    std::string_view Code;
    std::string_view Page;
    int Line = 0;
    std::string_view Topic;
    std::string_view Target;
    std::string_view Message;
    std::string_view Suggestion;
};

constexpr std::uint32_t kProject = UINT32_MAX; // a finding about the project, not a page
constexpr std::uint32_t kNoPage = UINT32_MAX;

// How a finding's message is made: from the strings given, or from its kind, the link it
// is about and one more piece (the exact name, the target page).
enum class TForm : unsigned char { Given, MissingFile, LeavesRoot, CaseOnly, NoFragment, LocalPath, External };

} // namespace

// One finding, compact: a large site has hundreds of thousands of them.
struct TFindingRecord {
    std::uint64_t Target = 0; // where TData::Texts keeps the link as written
    std::uint64_t Aux = 0;    // Given: index in Given; CaseOnly: offset of the exact name; NoFragment: target page
    std::uint32_t TargetLength = 0;
    std::uint32_t AuxLength = 0;
    std::uint32_t Page = kProject;
    int Line = 0;
    const char* Code = "";
    CheckSeverity Severity = CheckSeverity::Error;
    TForm Form = TForm::Given;
};

struct TCheckResult::TData {
    std::string ProjectFile;
    std::string RootFolder;
    int PagesRead = 0;
    int Counts[3] = {0, 0, 0};
    std::deque<std::string> PageNames; // by page id, relative to the root
    TTextBlocks Texts;                  // the links of the findings, one after another
    TBlockList<TFindingRecord> Records; // in the order found
    std::vector<std::uint32_t> Order;    // the records by index, sorted for the report
    const TFindingRecord& Sorted(std::size_t i) const { return Records[Order[i]]; }
    std::vector<TCheckFinding> Given;

    std::string_view Text(std::uint64_t offset, std::uint32_t length) const {
        return Texts.Text(offset, length);
    }
    std::string_view TargetOf(const TFindingRecord& r) const {
        return r.Form == TForm::Given ? std::string_view(Given[r.Aux].Target)
                                      : Text(r.Target, r.TargetLength);
    }
    // The finding's fields; message is the storage for a message made from the kind.
    // withMessage false: no message for a record whose message is made of the link.
    TFindingView View(const TFindingRecord& r, std::string& message,
                      bool withMessage = true) const;
    // Whether the record's message is made of the link and is written by AppendJsonMessage.
    static bool MessageOfLink(const TFindingRecord& r) {
        return r.Form == TForm::MissingFile || r.Form == TForm::NoFragment;
    }
    // The message of such a record as a JSON string, the same bytes as that of View's
    // message, written without making the message first.
    void AppendJsonMessage(std::string& out, const TFindingRecord& r) const;
};

namespace {

// Where a local reference leads, as TProjectRoot answers it.
struct TTarget {
    enum State { Missing, Exact, CaseOnly, Outside } State = Missing;
    std::string Real; // the path on disk (its real letters), for Exact and CaseOnly
    bool IsFolder = false;
    std::uint32_t Page = kNoPage; // its page, once a link reached it
    // What kind of file it is, when a listing told (else it is told by the name of Real).
    bool KindKnown = false;
    bool IsPage = false;
    bool IsStyleSheet = false;
};

struct TPageInfo {
    std::string Rel; // below the root, "/" separators
    std::uint32_t Folder = TCheckFolders::kNone; // its folder, when the listings answer for it
    // Hashes of the page's ids and names, sorted: a large site has millions of them.
    std::vector<std::size_t> Anchors;
    bool Unreadable = false;
    bool InContents = false; // a page of the table of contents
    std::string TemplateTitle; // the topic's title when the page is a template
};

// A link with a fragment to a page not read yet, checked once every page is.
struct TFragmentLink {
    std::uint64_t Text = 0; // where TData::Texts keeps the link as written
    std::uint32_t TextLength = 0;
    std::uint32_t Target = 0;
    std::uint32_t From = 0;
    int Line = 0;
    std::size_t Hash = 0;    // of the decoded fragment
    std::size_t RawHash = 0; // of the fragment as written
};

// A link of a page, sorted out on the thread that read the page.
struct TLink {
    enum TKind : unsigned char { Fragment, File, LocalPath, OtherHost, External };
    TKind Kind = File;
    bool HasFragment = false; // a fragment that names an anchor (not "", not "top")
    int Line = 0;
    std::uint32_t Written = 0; // in TRead::Values: the link as written
    std::uint32_t WrittenLength = 0;
    std::uint32_t Path = 0; // in TRead::Values: the path, percent-decoded, "/" separators
    std::uint32_t PathLength = 0;
    std::size_t FragmentHash = 0;    // of the decoded fragment
    std::size_t RawFragmentHash = 0; // of the fragment as written
    // Where a File link leads, as far as the worker could tell from what the listings knew
    // (Later: the thread that follows the links walks it).
    TCheckFolders::TAnswer Answer;
    std::uint32_t ExactLink = 0; // in TRead::Values, for an answer that is not Exact
    std::uint32_t ExactLinkLength = 0;
    bool HasExactLink = false;
};

// Many readers or one writer. A waiting writer goes first: the thread that follows the
// links must not wait while workers take turns reading.
class TGate {
public:
    void lock_shared() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !writing_ && waiting_ == 0; });
        ++readers_;
    }
    void unlock_shared() {
        std::lock_guard lock(mutex_);
        if (--readers_ == 0)
            changed_.notify_all();
    }
    void lock() {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait(lock, [&] { return !writing_ && readers_ == 0; });
        --waiting_;
        writing_ = true;
    }
    void unlock() {
        {
            std::lock_guard lock(mutex_);
            writing_ = false;
        }
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int readers_ = 0;
    int waiting_ = 0;
    bool writing_ = false;
};

// A page read and scanned on a worker thread.
struct TRead {
    std::string Error;
    std::string Values; // the links as written and their decoded paths
    std::vector<TLink> Links;
    std::vector<std::size_t> Anchors; // sorted hashes
    std::string MissingTags;          // of a template
};

std::size_t HashOf(std::string_view s) {
    return std::hash<std::string_view>()(s);
}

// The hashes of the fragment decoded and as written, or nothing for a fragment that needs
// no anchor ("#top" scrolls to the top in every browser, anchor or not).
bool FragmentHash(std::string_view fragment, std::size_t& hash, std::size_t& raw) {
    if (fragment.find('%') != std::string_view::npos) {
        const std::string decoded = PercentDecode(fragment);
        if (decoded.empty() || SF::SameText(decoded, "top"))
            return false;
        hash = HashOf(decoded);
        raw = HashOf(fragment);
        return true;
    }
    if (fragment.empty() || SF::SameText(fragment, "top"))
        return false;
    hash = raw = HashOf(fragment);
    return true;
}

// Whether a page of these anchors (sorted hashes) has the fragment. A browser looks for an
// id spelled as the fragment is written first, then for one spelled as it decodes: API
// references write ids with percent escapes in them (id="impl-From%3CT%3E").
bool HasAnchor(const std::vector<std::size_t>& anchors, std::size_t hash, std::size_t raw) {
    return std::binary_search(anchors.begin(), anchors.end(), hash) ||
           (raw != hash && std::binary_search(anchors.begin(), anchors.end(), raw));
}

// Sorts out each link as the scan finds it: what can be told without the other pages.
class TLinkSorter final : public THtmlReferenceSink {
public:
    TLinkSorter(TRead& read, bool listExternal) : read_(read), listExternal_(listExternal) {}

    void Anchor(std::string_view anchor) override { read_.Anchors.push_back(HashOf(anchor)); }

    void Link(std::string_view link, int line) override {
        TLink out;
        out.Line = line;
        if (link[0] == '#') {
            if (link.size() > 1 &&
                FragmentHash(link.substr(1), out.FragmentHash, out.RawFragmentHash))
                Keep(out, TLink::Fragment, link);
            return;
        }
        const std::string scheme = SchemeOf(link);
        if (IsDriveLetterPath(link) || scheme == "file" || link[0] == '/' || link[0] == '\\') {
            if (link.starts_with("//") && scheme.empty()) { // "//host/x": another site
                if (listExternal_)
                    Keep(out, TLink::OtherHost, link);
                return;
            }
            Keep(out, TLink::LocalPath, link);
            return;
        }
        if (!scheme.empty()) {
            static const std::unordered_set<std::string> kQuiet = {
                "javascript", "data", "about", "blob", "mk", "ms-its", "its"};
            if (listExternal_ && !kQuiet.count(scheme))
                Keep(out, TLink::External, link);
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
        out.HasFragment = !fragment.empty() &&
                          FragmentHash(fragment, out.FragmentHash, out.RawFragmentHash);
        if (written.empty()) { // "?x" or "#": the page itself
            if (out.HasFragment)
                Keep(out, TLink::Fragment, link);
            return;
        }
        Keep(out, TLink::File, link);
        TLink& kept = read_.Links.back();
        kept.Path = kept.Written;
        kept.PathLength = static_cast<std::uint32_t>(written.size());
        if (written.find('%') != std::string_view::npos ||
            written.find('\\') != std::string_view::npos) {
            const std::string path = SF::ToForwardSlashes(PercentDecode(written));
            kept.Path = static_cast<std::uint32_t>(read_.Values.size());
            kept.PathLength = static_cast<std::uint32_t>(path.size());
            read_.Values += path;
        }
    }

private:
    void Keep(TLink& link, TLink::TKind kind, std::string_view written) {
        link.Kind = kind;
        link.Written = static_cast<std::uint32_t>(read_.Values.size());
        link.WrittenLength = static_cast<std::uint32_t>(written.size());
        read_.Values += written;
        read_.Links.push_back(link);
    }

    TRead& read_;
    bool listExternal_;
};

class TChecker {
public:
    TChecker(const TPvx& project, const TCheckOptions& options, const CheckProgress& progress)
        : project_(project), options_(options), progress_(progress),
          data_(std::make_unique<TCheckResult::TData>()) {}

    std::unique_ptr<TCheckResult::TData> Run();

private:
    void Add(CheckSeverity severity, const char* code, std::uint32_t page, int line,
             std::string topic, std::string target, std::string message,
             std::string suggestion = {}) {
        TFindingRecord r;
        r.Severity = severity;
        r.Code = code;
        r.Page = page;
        r.Line = line;
        r.Form = TForm::Given;
        r.Aux = data_->Given.size();
        data_->Given.push_back({severity, code, {}, line, std::move(topic), std::move(target),
                                std::move(message), std::move(suggestion)});
        Keep(r);
    }
    // A finding about a link, its message made when it is written.
    void AddLink(CheckSeverity severity, const char* code, TForm form, std::uint32_t page,
                 int line, std::string_view written, std::uint64_t aux = 0,
                 std::uint32_t auxLength = 0) {
        TFindingRecord r;
        r.Severity = severity;
        r.Code = code;
        r.Form = form;
        r.Page = page;
        r.Line = line;
        r.Target = data_->Texts.Keep(written);
        r.TargetLength = static_cast<std::uint32_t>(written.size());
        r.Aux = aux;
        r.AuxLength = auxLength;
        Keep(r);
    }
    void Keep(const TFindingRecord& r) {
        ++data_->Counts[static_cast<int>(r.Severity)];
        data_->Records.push_back(r);
    }
    std::uint64_t KeepText(std::string_view text) { return data_->Texts.Keep(text); }
    void Progress(const std::string& text) const {
        if (progress_)
            progress_(text);
    }

    TTarget& Resolve(const std::string& absolutePath);
    TTarget ResolveFromRoot(const std::string& url);
    std::string RelativeToRoot(const std::string& real) const;
    // folder: the id of the folder the page lies in, when the caller knows it.
    std::uint32_t PageId(const std::string& real, std::uint32_t folder = TCheckFolders::kNone);
    std::uint32_t PageOf(TCheckFolders::TAnswer& answer);
    void Enqueue(std::uint32_t page);

    void CheckTopics();
    void CheckTemplates();
    // The page to read, as the workers see it: nothing that changes while they run.
    struct TWaveItem {
        std::string Real;
        std::uint32_t Folder = TCheckFolders::kNone;
        bool IsTemplate = false;
    };
    void ReadAndScan(const TWaveItem& item, const std::string& charset, TRead& read);
    void WalkLinks(std::uint32_t folder, TRead& read);
    void ScanPages();
    void TakeScan(std::uint32_t id, TRead& read);
    void CheckLink(std::uint32_t id, const TRead& read, const TLink& link);
    void AddFragment(std::uint32_t target, std::uint32_t from, const TRead& read,
                     const TLink& link);
    void CheckFragments();
    void KeepMissingFragment(const TFragmentLink& f);
    std::vector<std::string> PageFilesOnDisk() const;
    void CheckOrphans(const std::vector<std::string>& onDisk);
    void SortFindings();

    const TPvx& project_;
    TCheckOptions options_;
    CheckProgress progress_;
    std::unique_ptr<TCheckResult::TData> data_;
    std::string root_; // as the project names it, trailing "/"
    std::unique_ptr<TProjectRoot> projectRoot_;
    std::unique_ptr<TCheckFolders> folders_;
    // Workers walk the listings while this thread follows the links of the pages before.
    TGate gate_;
    // Answers of TProjectRoot for what the listings do not answer (topics, templates and
    // links through symbolic links), by collapsed path.
    std::unordered_map<std::string, TTarget> targets_;
    std::deque<TPageInfo> pages_; // by page id; elements never move
    // What every link asks of its target page, by page id, close together in memory.
    enum : unsigned char { kQueued = 1, kRead = 2, kLinked = 4 }; // kRead: anchors known
    std::vector<unsigned char> flags_;
    std::unordered_map<std::string_view, std::uint32_t> pageIds_; // by Rel
    std::vector<std::uint32_t> pending_;
    TBlockList<TFragmentLink> fragments_;
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
    const bool spelledInside =
        key.starts_with(root_) || key.starts_with(projectRoot_->Folder());
    if (resolved.Found()) {
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
            target.Real = key;
        }
    }
    return targets_.emplace(key, std::move(target)).first->second;
}

// A topic's or a template's page: through the listings when they can answer.
TTarget TChecker::ResolveFromRoot(const std::string& url) {
    const std::string path = Paths::UrlToPath(root_, url);
    const std::string& folder = projectRoot_->Folder();
    if (root_ != folder || !path.starts_with(folder) ||
        path.find('\\') != std::string::npos)
        return Resolve(path);
    TCheckFolders::TAnswer answer =
        folders_->Walk(TCheckFolders::kRoot, std::string_view(path).substr(folder.size()));
    TTarget target;
    switch (answer.What) {
    case TCheckFolders::Outcome::Ask:
    case TCheckFolders::Outcome::Later: // never for a walk that may change what is known
        return Resolve(path);
    case TCheckFolders::Outcome::Missing:
        break;
    case TCheckFolders::Outcome::Folder:
        target.State = TTarget::Exact;
        target.IsFolder = true;
        target.Real = SF::CollapseDotDot(path);
        break;
    case TCheckFolders::Outcome::File:
        target.State = answer.Exact ? TTarget::Exact : TTarget::CaseOnly;
        target.Real = folders_->Path(answer.In) + std::string(answer.Entry->Name);
        target.Page = PageOf(answer);
        target.KindKnown = true;
        target.IsPage = answer.Entry->IsPage;
        target.IsStyleSheet = answer.Entry->IsStyleSheet;
        break;
    }
    return target;
}

std::string TChecker::RelativeToRoot(const std::string& real) const {
    const std::string& folder = projectRoot_->Folder();
    return real.starts_with(folder) ? real.substr(folder.size()) : real;
}

std::uint32_t TChecker::PageId(const std::string& real, std::uint32_t folder) {
    std::string rel = RelativeToRoot(real);
    if (const auto found = pageIds_.find(rel); found != pageIds_.end())
        return found->second;
    const auto id = static_cast<std::uint32_t>(pages_.size());
    TPageInfo& page = pages_.emplace_back();
    flags_.push_back(0);
    page.Rel = std::move(rel);
    if (folder != TCheckFolders::kNone) {
        page.Folder = folder;
    } else {
        const std::lock_guard lock(gate_); // workers may be walking the listings
        page.Folder = folders_->FolderOf(Paths::ExtractFilePath(real));
    }
    pageIds_.emplace(page.Rel, id);
    return id;
}

// The page of a file the listings found; one look-up by name for each file, ever.
std::uint32_t TChecker::PageOf(TCheckFolders::TAnswer& answer) {
    if (answer.Entry->Page == TCheckFolders::kNone)
        answer.Entry->Page =
            PageId(folders_->Path(answer.In) + std::string(answer.Entry->Name), answer.In);
    return answer.Entry->Page;
}

void TChecker::Enqueue(std::uint32_t id) {
    if (flags_[id] & kQueued)
        return;
    flags_[id] |= kQueued; // read once
    pending_.push_back(id);
}

void TChecker::CheckTopics() {
    std::unordered_map<std::string, std::string> contextOwners; // number -> first topic
    // The topics of every page, by page id, in the order of the tree: only pages with two
    // or more need their titles.
    std::vector<std::pair<std::uint32_t, const TTopicNode*>> pageTopics;
    std::vector<TTopicNode*> nodes;
    project_.Tree().ForEach([&](TTopicNode* node) {
        if (!node->IsRoot())
            nodes.push_back(node);
    });
    pageIds_.reserve(nodes.size());
    for (TTopicNode* node : nodes) {
        const TLeftTreeData& data = node->Data();
        const std::string& title = node->Text();
        if (data.Status == tsUnsaved) {
            Add(CheckSeverity::Note, "unsaved-topic", kProject, 0, title, "",
                "The topic " + Quote(title) + " has no saved page yet.");
        } else if (data.Status == tsNoLink) {
            if (data.Kind == 0)
                Add(CheckSeverity::Note, "no-link-topic", kProject, 0, title, "",
                    "The topic " + Quote(title) + " is a heading without a page.");
        } else {
            const std::string url = SF::Trim(data.Url);
            if (url.empty()) {
                Add(CheckSeverity::Error, "missing-page", kProject, 0, title, "",
                    "The topic " + Quote(title) + " is linked to no page.");
            } else {
                const TTarget target = ResolveFromRoot(url);
                if (target.State == TTarget::Missing) {
                    Add(CheckSeverity::Error, "missing-page", kProject, 0, title, url,
                        "The page of the topic " + Quote(title) + " doesn't exist.");
                } else if (target.State == TTarget::Outside) {
                    Add(CheckSeverity::Error, "outside-root", kProject, 0, title, url,
                        "The page of the topic " + Quote(title) +
                            " lies outside the project's root folder; no output includes it.");
                } else if (target.IsFolder) {
                    Add(CheckSeverity::Error, "missing-page", kProject, 0, title, url,
                        "The page of the topic " + Quote(title) + " is a folder.");
                } else {
                    if (target.State == TTarget::CaseOnly) {
                        const std::string exact =
                            SF::ToBackslashes(RelativeToRoot(target.Real));
                        Add(CheckSeverity::Warning, "case-mismatch", kProject, 0, title, url,
                            "The page of the topic " + Quote(title) +
                                " is found only when letter case is ignored.",
                            exact);
                    }
                    const std::uint32_t id =
                        target.Page != kNoPage ? target.Page : PageId(target.Real);
                    TPageInfo& page = pages_[id];
                    if (data.Kind == 0)
                        page.InContents = true;
                    if (data.Kind != 2)
                        pageTopics.emplace_back(id, node);
                    if (target.KindKnown ? target.IsPage || target.IsStyleSheet
                                         : IsPageFile(target.Real) || IsStyleSheet(target.Real))
                        Enqueue(id);
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
                Add(CheckSeverity::Error, "bad-context-number", kProject, 0, title, number,
                    "The context number " + Quote(number) + " of the topic " + Quote(title) +
                        " is not a whole number.");
            } else {
                const std::string canonical = std::to_string(std::stol(number));
                auto [it, inserted] = contextOwners.emplace(canonical, title);
                if (!inserted)
                    Add(CheckSeverity::Error, "duplicate-context-number", kProject, 0, title, number,
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
                    Add(CheckSeverity::Warning, "empty-keyword-level", kProject, 0, title, keyword,
                        "The keyword " + Quote(keyword) + " of the topic " + Quote(title) +
                            " has an empty level; the index leaves it out.");
            }
        }
    }
    std::vector<std::uint32_t> topicCount(pages_.size(), 0);
    for (const auto& [id, node] : pageTopics)
        ++topicCount[id];
    std::unordered_map<std::uint32_t, std::vector<const TTopicNode*>> shared;
    for (const auto& [id, node] : pageTopics)
        if (topicCount[id] > 1)
            shared[id].push_back(node);
    for (const auto& [id, node] : pageTopics) { // in the order of each page's first topic
        if (topicCount[id] < 2)
            continue;
        topicCount[id] = 0; // reported once
        const std::vector<const TTopicNode*>& topics = shared[id];
        std::string names;
        for (const TTopicNode* t : topics)
            names += (names.empty() ? "" : ", ") + Quote(t->Text());
        Add(CheckSeverity::Warning, "shared-page", id, 0, topics[1]->Text(), "",
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
        const TTarget target = ResolveFromRoot(use.Url);
        if (target.State == TTarget::Missing || target.IsFolder) {
            std::string affected;
            if (use.Setting != "page for new topics")
                affected = " " + std::to_string(templated) + " topic(s) use it.";
            Add(CheckSeverity::Error, "missing-template", kProject, 0, "", use.Url,
                "The " + use.Setting + " " + Quote(use.Url) + " doesn't exist." + affected);
        } else if (target.State == TTarget::Outside) {
            Add(CheckSeverity::Error, "outside-root", kProject, 0, "", use.Url,
                "The " + use.Setting + " " + Quote(use.Url) +
                    " lies outside the project's root folder.");
        } else if (IsPageFile(target.Real)) {
            Enqueue(PageId(target.Real));
        }
    }
}

void TChecker::ReadAndScan(const TWaveItem& item, const std::string& charset, TRead& read) {
    const std::string& real = item.Real;
    thread_local std::string buffer;
    std::string decoded;
    std::string_view text;
    try {
        text = TextCodec::ReadFileInto(real, buffer);
        // Links and ids are found in the bytes; only a page that is no UTF-8 is converted.
        if (!TextCodec::IsValidUtf8(text)) {
            decoded = TextCodec::DecodePage(text, charset);
            text = decoded;
        }
    } catch (const std::exception& e) {
        read.Error = e.what();
        return;
    }
    // Room for the links a page of this size usually has (about one in 300 bytes), so
    // that they are not copied again and again as they are found.
    read.Links.reserve(std::min<std::size_t>(text.size() / 256 + 8, 1024));
    read.Values.reserve(std::min<std::size_t>(text.size() / 4 + 64, std::size_t{1} << 16));
    TLinkSorter sorter(read, options_.ListExternal);
    if (IsStyleSheet(real))
        ScanCssReferences(text, sorter);
    else
        ScanHtmlReferences(text, sorter);
    std::sort(read.Anchors.begin(), read.Anchors.end());
    if (item.IsTemplate)
        read.MissingTags = CheckTemplateTags(text);
    // The buffer outlives the check on the calling thread: an unusually large page is not
    // kept in memory after it.
    if (buffer.capacity() > (std::size_t{1} << 22))
        std::string().swap(buffer);
    WalkLinks(item.Folder, read);
}

// On the worker, what the listings know already: after the first pages of a folder, that
// is nearly every link.
void TChecker::WalkLinks(std::uint32_t folder, TRead& read) {
    if (folder == TCheckFolders::kNone)
        return;
    const std::shared_lock lock(gate_);
    thread_local std::vector<std::string_view> paths;
    paths.clear();
    for (const TLink& link : read.Links)
        if (link.Kind == TLink::File)
            paths.push_back(std::string_view(read.Values).substr(link.Path, link.PathLength));
    folders_->Prefetch(folder, paths);
    if (paths.capacity() > (std::size_t{1} << 16)) // not kept after an unusually large page
        std::vector<std::string_view>().swap(paths);
    for (TLink& link : read.Links) {
        if (link.Kind != TLink::File)
            continue;
        const std::string_view path =
            std::string_view(read.Values).substr(link.Path, link.PathLength);
        link.Answer = folders_->Walk(folder, path, false);
        if (link.Answer.What != TCheckFolders::Outcome::File || link.Answer.Exact)
            continue;
        if (const std::optional<std::string> exact = folders_->RealLink(folder, path, false)) {
            link.ExactLink = static_cast<std::uint32_t>(read.Values.size());
            link.ExactLinkLength = static_cast<std::uint32_t>(exact->size());
            link.HasExactLink = true;
            read.Values += *exact;
        }
    }
}

// Wave by wave: the files found so far are read and scanned on every core, then their
// links are followed here, in order, which finds the next wave.
void TChecker::ScanPages() {
    const std::string charset = SF::Trim(project_.ProjectSettings.Encoding);
    const std::string& folder = projectRoot_->Folder();
    std::size_t done = 0;
    while (!pending_.empty()) {
        std::vector<std::uint32_t> wave;
        wave.swap(pending_);
        // The workers see only what does not change while they run.
        std::vector<TWaveItem> files;
        files.reserve(wave.size());
        for (const std::uint32_t id : wave)
            files.push_back({folder + pages_[id].Rel, pages_[id].Folder,
                             !pages_[id].TemplateTitle.empty()});
        // A few pages to each hand-over: one per page kept the threads waking each other
        // tens of thousands of times.
        const std::size_t group = std::clamp<std::size_t>(wave.size() / 64, 1, 8);
        ForEachInOrderHelping<std::vector<TRead>>(
            (wave.size() + group - 1) / group, 0,
            [&](std::size_t g) {
                const std::size_t begin = g * group;
                std::vector<TRead> reads(std::min(wave.size(), begin + group) - begin);
                for (std::size_t i = 0; i < reads.size(); ++i)
                    ReadAndScan(files[begin + i], charset, reads[i]);
                return reads;
            },
            [&](std::size_t g, std::vector<TRead>&& reads) {
                for (std::size_t i = 0; i < reads.size(); ++i) {
                    TakeScan(wave[g * group + i], reads[i]);
                    if (++done % 1000 == 0)
                        Progress("Checked " + std::to_string(done) + " files...");
                }
            });
    }
}

void TChecker::TakeScan(std::uint32_t id, TRead& read) {
    TPageInfo& page = pages_[id];
    flags_[id] |= kRead;
    if (!read.Error.empty()) {
        page.Unreadable = true;
        Add(CheckSeverity::Error, "unreadable-page", id, 0, "", "",
            "The file cannot be read: " + read.Error);
        return;
    }
    ++data_->PagesRead;
    if (!page.TemplateTitle.empty() && !read.MissingTags.empty())
        Add(CheckSeverity::Error, "template-tags", id, 0, page.TemplateTitle, "",
            "The template " + Quote(page.TemplateTitle) + " lacks a tag: " +
                SF::Trim(SF::ReplaceTextW(read.MissingTags, "\r\n", "; ")) + ".");
    page.Anchors = std::move(read.Anchors);
    // The anchors of the pages that fragment links name are looked up below, each in
    // another page: they are asked of the memory first, all together.
    auto targetOf = [&](const TLink& link) {
        return link.Kind == TLink::File && link.HasFragment &&
                       link.Answer.What == TCheckFolders::Outcome::File &&
                       link.Answer.Entry->Page != TCheckFolders::kNone
                   ? link.Answer.Entry->Page
                   : kNoPage;
    };
    for (const TLink& link : read.Links)
        if (const std::uint32_t target = targetOf(link); target != kNoPage)
            __builtin_prefetch(&pages_[target]);
    for (const TLink& link : read.Links)
        if (const std::uint32_t target = targetOf(link);
            target != kNoPage && (flags_[target] & kRead)) {
            const std::vector<std::size_t>& anchors = pages_[target].Anchors;
            if (!anchors.empty())
                __builtin_prefetch(&anchors[anchors.size() / 2]);
        }
    for (const TLink& link : read.Links)
        CheckLink(id, read, link);
}

void TChecker::CheckLink(std::uint32_t id, const TRead& read, const TLink& link) {
    const std::string_view written =
        std::string_view(read.Values).substr(link.Written, link.WrittenLength);
    switch (link.Kind) {
    case TLink::Fragment:
        AddFragment(id, id, read, link);
        return;
    case TLink::OtherHost:
    case TLink::External:
        AddLink(CheckSeverity::Note, "external", TForm::External, id, link.Line, written);
        return;
    case TLink::LocalPath:
        AddLink(CheckSeverity::Error, "absolute-path", TForm::LocalPath, id, link.Line, written);
        return;
    case TLink::File:
        break;
    }
    const std::string_view path =
        std::string_view(read.Values).substr(link.Path, link.PathLength);
    TPageInfo& page = pages_[id];
    std::uint32_t target = kNoPage;
    bool isPage = false;
    TCheckFolders::TAnswer answer = link.Answer;
    if (answer.What == TCheckFolders::Outcome::Later) {
        const std::lock_guard lock(gate_);
        answer = folders_->Walk(page.Folder, path);
    }
    switch (answer.What) {
    case TCheckFolders::Outcome::Missing:
        AddLink(CheckSeverity::Error, "missing-target", TForm::MissingFile, id, link.Line, written);
        return;
    case TCheckFolders::Outcome::Folder:
        return;
    case TCheckFolders::Outcome::File:
        if (!answer.Exact) {
            std::string_view exact;
            std::string walked;
            if (link.HasExactLink) {
                exact = std::string_view(read.Values).substr(link.ExactLink, link.ExactLinkLength);
            } else {
                const std::lock_guard lock(gate_);
                walked = *folders_->RealLink(page.Folder, path);
                exact = walked;
            }
            AddLink(CheckSeverity::Warning, "case-mismatch", TForm::CaseOnly, id, link.Line,
                    written, KeepText(exact), static_cast<std::uint32_t>(exact.size()));
        }
        isPage = answer.Entry->IsPage;
        if (isPage || answer.Entry->IsStyleSheet)
            target = PageOf(answer);
        break;
    case TCheckFolders::Outcome::Later: // walked above
    case TCheckFolders::Outcome::Ask: {
        const std::string folder =
            projectRoot_->Folder() + Paths::ExtractFilePath(pages_[id].Rel);
        TTarget& resolved = Resolve(folder + std::string(path));
        switch (resolved.State) {
        case TTarget::Missing:
            AddLink(CheckSeverity::Error, "missing-target", TForm::MissingFile, id, link.Line,
                    written);
            return;
        case TTarget::Outside:
            AddLink(CheckSeverity::Error, "outside-root", TForm::LeavesRoot, id, link.Line,
                    written);
            return;
        case TTarget::CaseOnly: {
            const std::string exact = projectRoot_->RealLink(folder, path);
            AddLink(CheckSeverity::Warning, "case-mismatch", TForm::CaseOnly, id, link.Line,
                    written, KeepText(exact), static_cast<std::uint32_t>(exact.size()));
            break;
        }
        case TTarget::Exact:
            break;
        }
        if (resolved.IsFolder)
            return;
        isPage = IsPageFile(resolved.Real);
        if (resolved.Page == kNoPage && (isPage || IsStyleSheet(resolved.Real)))
            resolved.Page = PageId(resolved.Real);
        target = resolved.Page;
        break;
    }
    }
    if (target != kNoPage && target != id) {
        flags_[target] |= kLinked;
        Enqueue(target);
    }
    if (link.HasFragment && isPage)
        AddFragment(target, id, read, link);
}

// Checked at once when the target's anchors are known, else when every page is read.
void TChecker::AddFragment(std::uint32_t target, std::uint32_t from, const TRead& read,
                           const TLink& link) {
    const std::string_view written =
        std::string_view(read.Values).substr(link.Written, link.WrittenLength);
    if (flags_[target] & kRead) {
        const TPageInfo& page = pages_[target];
        if (!page.Unreadable &&
            !HasAnchor(page.Anchors, link.FragmentHash, link.RawFragmentHash))
            AddLink(CheckSeverity::Warning, "missing-fragment", TForm::NoFragment, from,
                    link.Line, written, target);
        return;
    }
    fragments_.push_back({KeepText(written), link.WrittenLength, target, from, link.Line,
                          link.FragmentHash, link.RawFragmentHash});
}

void TChecker::CheckFragments() {
    // The anchors are looked up on every core (a large site has hundreds of thousands of
    // these links, each a look into another page); the findings are kept in order here.
    constexpr std::size_t kBlock = 4096;
    ForEachInOrderHelping<std::vector<std::uint32_t>>(
        (fragments_.size() + kBlock - 1) / kBlock, 0,
        [&](std::size_t block) {
            std::vector<std::uint32_t> missing;
            const std::size_t end = std::min(fragments_.size(), (block + 1) * kBlock);
            for (std::size_t i = block * kBlock; i < end; ++i) {
                const TFragmentLink& f = fragments_[i];
                const TPageInfo& target = pages_[f.Target];
                if (!target.Unreadable && !HasAnchor(target.Anchors, f.Hash, f.RawHash))
                    missing.push_back(static_cast<std::uint32_t>(i));
            }
            return missing;
        },
        [&](std::size_t, std::vector<std::uint32_t>&& missing) {
            for (const std::uint32_t i : missing)
                KeepMissingFragment(fragments_[i]);
        });
    fragments_ = {};
}

void TChecker::KeepMissingFragment(const TFragmentLink& f) {
    TFindingRecord r;
    r.Severity = CheckSeverity::Warning;
    r.Code = "missing-fragment";
    r.Form = TForm::NoFragment;
    r.Page = f.From;
    r.Line = f.Line;
    r.Target = f.Text;
    r.TargetLength = f.TextLength;
    r.Aux = f.Target;
    Keep(r);
}

// The page files below the root, sorted: the candidates for orphans. Earlier outputs,
// hidden folders and symbolic links are no part of the help.
std::vector<std::string> TChecker::PageFilesOnDisk() const {
    std::error_code ec;
    std::vector<std::string> files;
    fs::recursive_directory_iterator it(fs::path(projectRoot_->Folder()),
                                        fs::directory_options::skip_permission_denied, ec);
    for (fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code sec;
        if (entry.is_directory(sec)) {
            const std::string name = entry.path().filename().string();
            // Earlier outputs and hidden folders (.git, ...) are no part of the help.
            if ((!name.empty() && name[0] == '.') ||
                fs::exists(entry.path() / ".parvane-output", sec))
                it.disable_recursion_pending();
            continue;
        }
        if (entry.is_symlink(sec) || !entry.is_regular_file(sec))
            continue;
        std::string path = entry.path().string();
        if (IsPageFile(path))
            files.push_back(std::move(path));
    }
    std::sort(files.begin(), files.end());
    return files;
}

void TChecker::CheckOrphans(const std::vector<std::string>& onDisk) {
    const std::size_t known = pages_.size();
    const std::string& folder = projectRoot_->Folder();
    for (const std::string& path : onDisk)
        if (!pageIds_.count(path.starts_with(folder) ? std::string_view(path).substr(folder.size())
                                                     : std::string_view(path)))
            Add(CheckSeverity::Warning, "orphan-page", PageId(path), 0, "", "",
            "No topic lists this page and no page of the help links to it.");
    for (std::uint32_t id = 0; id < known; ++id)
        if (pages_[id].InContents && !(flags_[id] & kLinked))
            Add(CheckSeverity::Note, "contents-only", id, 0, "", "",
                "Only the table of contents leads to this page; no other page links to it.");
}

// By page, line, severity, code and target; findings alike in all of these keep the order
// they were found in.
void TChecker::SortFindings() {
    TCheckResult::TData& d = *data_;
    // The names side by side with their ids: sorting looks at nothing else.
    std::vector<std::pair<std::string_view, std::uint32_t>> order(pages_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = {pages_[i].Rel, i};
    std::sort(order.begin(), order.end()); // names are unique
    std::vector<std::uint32_t> rank(pages_.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        rank[order[i].second] = i + 1; // 0: the project (no page) comes first
    auto rankOf = [&](std::uint32_t page) { return page == kProject ? 0u : rank[page]; };
    // Findings are grouped by page first (counting, no comparisons), then each page's few
    // findings are sorted, and the records are moved once.
    struct TKey {
        std::uint32_t Rank;
        int Line;
        std::uint32_t Index;
    };
    std::vector<std::size_t> start(pages_.size() + 2, 0);
    for (std::size_t i = 0; i < d.Records.size(); ++i)
        ++start[rankOf(d.Records[i].Page) + 1];
    for (std::size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<TKey> keys(d.Records.size());
    {
        std::vector<std::size_t> next(start.begin(), start.end() - 1);
        for (std::uint32_t i = 0; i < d.Records.size(); ++i) {
            const std::uint32_t rank = rankOf(d.Records[i].Page);
            keys[next[rank]++] = {rank, d.Records[i].Line, i};
        }
    }
    auto before = [&](const TKey& ka, const TKey& kb) {
        if (ka.Line != kb.Line)
            return ka.Line < kb.Line;
        const TFindingRecord& a = d.Records[ka.Index];
        const TFindingRecord& b = d.Records[kb.Index];
        if (a.Severity != b.Severity)
            return a.Severity < b.Severity;
        if (const int c = std::strcmp(a.Code, b.Code); c != 0)
            return c < 0;
        if (const int c = d.TargetOf(a).compare(d.TargetOf(b)); c != 0)
            return c < 0;
        return ka.Index < kb.Index; // alike: in the order found
    };
    // Each page's findings are a range of their own: the ranges are sorted on every core.
    constexpr std::size_t kRanks = 1024;
    const std::size_t ranks = start.size() - 1;
    ForEachInOrderHelping<bool>(
        (ranks + kRanks - 1) / kRanks, 0,
        [&](std::size_t block) {
            for (std::size_t rank = block * kRanks; rank < std::min(ranks, (block + 1) * kRanks);
                 ++rank)
                std::sort(keys.begin() + static_cast<std::ptrdiff_t>(start[rank]),
                          keys.begin() + static_cast<std::ptrdiff_t>(start[rank + 1]), before);
            return true;
        },
        [](std::size_t, bool&&) {});
    // The records stay where they are (a large site has hundreds of thousands); the report
    // takes them in this order.
    d.Order.resize(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        d.Order[i] = keys[i].Index;
}

std::unique_ptr<TCheckResult::TData> TChecker::Run() {
    data_->ProjectFile = project_.FileName;
    root_ = Paths::IncludeTrailingSlash(project_.RootFolder());
    data_->RootFolder = root_;
    std::error_code ec;
    if (SF::Trim(project_.RootFolder()).empty() || !fs::is_directory(fs::path(root_), ec)) {
        Add(CheckSeverity::Error, "missing-root", kProject, 0, "", project_.RootFolder(),
            "The project's root folder " + Quote(project_.RootFolder()) + " doesn't exist.");
        SortFindings();
        return std::move(data_);
    }
    projectRoot_ = std::make_unique<TProjectRoot>(root_);
    folders_ = std::make_unique<TCheckFolders>(projectRoot_->Folder());
    // The files on disk are listed for the orphans while the topics are looked at and the
    // pages read: the listing needs nothing but the root.
    std::vector<std::string> onDisk;
    std::exception_ptr walkFailed;
    std::jthread walk([&] {
        try {
            onDisk = PageFilesOnDisk();
        } catch (...) {
            walkFailed = std::current_exception();
        }
    });
    Progress("Checking topics...");
    CheckTopics();
    CheckTemplates();
    Progress("Checking pages...");
    ScanPages();
    CheckFragments();
    Progress("Looking for pages no topic reaches...");
    walk.join();
    if (walkFailed)
        std::rethrow_exception(walkFailed);
    CheckOrphans(onDisk);
    SortFindings();
    for (TPageInfo& page : pages_)
        data_->PageNames.push_back(std::move(page.Rel));
    Progress("Checked " + std::to_string(data_->PagesRead) + " files.");
    return std::move(data_);
}

// The bytes a JSON string holds as they are.
constexpr std::array<bool, 256> kPlainJson = [] {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c)
        plain[c] = c >= 0x20 && c != '"' && c != '\\';
    return plain;
}();

// Whether any of eight bytes is a control character, '"' or '\\'.
bool AnyToEscape(std::uint64_t bytes) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    auto anyZero = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    const std::uint64_t below20 = (bytes - kOnes * 0x20) & ~bytes & kHighs;
    return (anyZero(bytes ^ (kOnes * '"')) | anyZero(bytes ^ (kOnes * '\\')) | below20) != 0;
}

// The characters of a JSON string, escaped, without its quotes.
void AppendJsonChars(std::string& out, std::string_view s) {
    std::size_t run = 0; // start of the characters that need no escape
    for (std::size_t i = 0; i < s.size(); ++i) {
        // Sixteen or eight bytes at a time while none needs an escape: reports are mostly
        // plain text.
#if defined(__SSE2__)
        while (i + 16 <= s.size()) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
            const __m128i low = _mm_set1_epi8(0x1F);
            const __m128i control = _mm_cmpeq_epi8(_mm_max_epu8(v, low), low); // below 0x20
            const __m128i special = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')),
                                                 _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')));
            const int found = _mm_movemask_epi8(_mm_or_si128(control, special));
            if (found != 0) {
                i += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(found)));
                break;
            }
            i += 16;
        }
#endif
        while (i + 8 <= s.size()) {
            std::uint64_t bytes;
            std::memcpy(&bytes, s.data() + i, 8);
            if (AnyToEscape(bytes))
                break;
            i += 8;
        }
        if (i >= s.size())
            break;
        const auto c = static_cast<unsigned char>(s[i]);
        if (kPlainJson[c])
            continue;
        out.append(s, run, i - run);
        run = i + 1;
        switch (c) {
        case '"':
            out += "\\\""sv;
            break;
        case '\\':
            out += "\\\\"sv;
            break;
        case '\n':
            out += "\\n"sv;
            break;
        case '\r':
            out += "\\r"sv;
            break;
        case '\t':
            out += "\\t"sv;
            break;
        default: {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        }
        }
    }
    out.append(s, run, s.size() - run);
}

void AppendJsonString(std::string& out, std::string_view s) {
    out += '"';
    AppendJsonChars(out, s);
    out += '"';
}

// The JSON string of the last page written, kept: a page's findings follow each other.
struct TJsonPage {
    const char* Data = nullptr;
    std::size_t Size = 0;
    std::string Json;
    void Append(std::string& out, std::string_view page) {
        if (page.data() != Data || page.size() != Size) {
            Json.clear();
            AppendJsonString(Json, page);
            Data = page.data();
            Size = page.size();
        }
        out += Json;
    }
};

TFindingView ViewOf(const TCheckFinding& f) {
    return {f.Severity, f.Code, f.Page, f.Line, f.Topic, f.Target, f.Message, f.Suggestion};
}

// A line number without a temporary string: reports have hundreds of thousands.
void AppendNumber(std::string& out, int n) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    out.append(digits, end);
}

void AppendText(std::string& out, const TFindingView& f, std::string_view projectFile) {
    out += SeverityName(f.Severity);
    out += ": "sv;
    if (!f.Page.empty()) {
        out += f.Page;
        if (f.Line > 0) {
            out += ':';
            AppendNumber(out, f.Line);
        }
    } else if (!f.Topic.empty()) {
        out += "topic \""sv;
        out += f.Topic;
        out += '"';
    } else {
        out += Paths::ExtractFileName(projectFile);
    }
    out += ": "sv;
    out += f.Code;
    out += ": "sv;
    out += f.Message;
    if (!f.Target.empty()) {
        out += " ["sv;
        out += f.Target;
        out += ']';
    }
    if (!f.Suggestion.empty()) {
        out += " Use \""sv;
        out += f.Suggestion;
        out += "\"."sv;
    }
    out += '\n';
}

void AppendTextSummary(std::string& out, int errors, int warnings, int notes, int pagesRead) {
    auto plural = [](int n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    out += plural(errors, "error") + ", " + plural(warnings, "warning") + ", " +
           plural(notes, "note") + "; " + plural(pagesRead, "file") + " read.\n";
}

void AppendJsonHead(std::string& out, std::string_view projectFile, std::string_view rootFolder,
                    int errors, int warnings, int notes, int pagesRead) {
    out += "{\n  \"format\": 1,\n  \"project\": ";
    AppendJsonString(out, projectFile);
    out += ",\n  \"root\": ";
    AppendJsonString(out, rootFolder);
    out += ",\n  \"summary\": {\"errors\": " + std::to_string(errors) +
           ", \"warnings\": " + std::to_string(warnings) + ", \"notes\": " +
           std::to_string(notes) + ", \"files_read\": " + std::to_string(pagesRead) +
           "},\n  \"findings\": [";
}

// message(out) appends the message as a JSON string.
template <typename Message>
void AppendJson(std::string& out, const TFindingView& f, bool first, TJsonPage& page,
                const Message& message) {
    out += first ? "\n    {\"severity\": \""sv : ",\n    {\"severity\": \""sv;
    out += SeverityName(f.Severity); // one of three plain words
    out += "\", \"code\": "sv;
    AppendJsonString(out, f.Code);
    out += ", \"page\": "sv;
    page.Append(out, f.Page);
    out += ", \"line\": "sv;
    AppendNumber(out, f.Line);
    out += ", \"topic\": "sv;
    AppendJsonString(out, f.Topic);
    out += ", \"target\": "sv;
    AppendJsonString(out, f.Target);
    out += ", \"message\": "sv;
    message(out);
    out += ", \"suggestion\": "sv;
    AppendJsonString(out, f.Suggestion);
    out += "}"sv;
}

void AppendJson(std::string& out, const TFindingView& f, bool first, TJsonPage& page) {
    AppendJson(out, f, first, page, [&](std::string& to) { AppendJsonString(to, f.Message); });
}

void AppendJsonTail(std::string& out, bool empty) {
    out += empty ? "]\n}\n" : "\n  ]\n}\n";
}

// The path part of a link as written: what is before "#" and "?".
std::string_view PathPart(std::string_view link) {
    link = link.substr(0, link.find('#'));
    return link.substr(0, link.find('?'));
}

} // namespace

TFindingView TCheckResult::TData::View(const TFindingRecord& r, std::string& message,
                                       bool withMessage) const {
    if (r.Form == TForm::Given) {
        TFindingView view = ViewOf(Given[r.Aux]);
        if (r.Page != kProject)
            view.Page = PageNames[r.Page];
        return view;
    }
    TFindingView view;
    view.Severity = r.Severity;
    view.Code = r.Code;
    view.Page = PageNames[r.Page];
    view.Line = r.Line;
    view.Target = Text(r.Target, r.TargetLength);
    message.clear();
    if (!withMessage && MessageOfLink(r))
        return view;
    switch (r.Form) {
    case TForm::MissingFile: {
        std::string_view path = PathPart(view.Target);
        std::string decoded;
        if (path.find('%') != std::string_view::npos || path.find('\\') != std::string_view::npos) {
            decoded = SF::ToForwardSlashes(PercentDecode(path));
            path = decoded;
        }
        message += "The file \""sv;
        message += path;
        message += "\" doesn't exist."sv;
        break;
    }
    case TForm::LeavesRoot:
        view.Message = "The link leaves the project's root folder; no output includes its target.";
        return view;
    case TForm::CaseOnly:
        view.Message = "The file is found only when letter case is ignored; readers on Linux and "
                       "on web servers won't find it.";
        view.Suggestion = Text(r.Aux, r.AuxLength);
        return view;
    case TForm::NoFragment: {
        std::string_view fragment = view.Target.substr(view.Target.find('#') + 1);
        std::string decoded;
        if (fragment.find('%') != std::string_view::npos) {
            decoded = PercentDecode(fragment);
            fragment = decoded;
        }
        message += "The page \""sv;
        message += PageNames[r.Aux];
        message += "\" has no id or name \""sv;
        message += fragment;
        message += "\"."sv;
        break;
    }
    case TForm::LocalPath:
        view.Message = "The link names a place in the local file system; it won't exist where "
                       "the help is read. Link relative to the page instead.";
        return view;
    case TForm::External:
        view.Message = "External address (not fetched).";
        return view;
    case TForm::Given:
        break;
    }
    view.Message = message;
    return view;
}

void TCheckResult::TData::AppendJsonMessage(std::string& out, const TFindingRecord& r) const {
    const std::string_view target = Text(r.Target, r.TargetLength);
    std::string decoded;
    if (r.Form == TForm::MissingFile) {
        std::string_view path = PathPart(target);
        if (path.find('%') != std::string_view::npos || path.find('\\') != std::string_view::npos) {
            decoded = SF::ToForwardSlashes(PercentDecode(path));
            path = decoded;
        }
        out += "\"The file \\\""sv;
        AppendJsonChars(out, path);
        out += "\\\" doesn't exist.\""sv;
        return;
    }
    std::string_view fragment = target.substr(target.find('#') + 1);
    if (fragment.find('%') != std::string_view::npos) {
        decoded = PercentDecode(fragment);
        fragment = decoded;
    }
    out += "\"The page \\\""sv;
    AppendJsonChars(out, PageNames[r.Aux]);
    out += "\\\" has no id or name \\\""sv;
    AppendJsonChars(out, fragment);
    out += "\\\".\""sv;
}

TCheckResult::TCheckResult(std::unique_ptr<TData> data) : data_(std::move(data)) {}
TCheckResult::TCheckResult(TCheckResult&&) noexcept = default;
TCheckResult& TCheckResult::operator=(TCheckResult&&) noexcept = default;
TCheckResult::~TCheckResult() = default;

std::size_t TCheckResult::Size() const {
    return data_->Order.size();
}

int TCheckResult::PagesRead() const {
    return data_->PagesRead;
}

int TCheckResult::Count(CheckSeverity severity) const {
    return data_->Counts[static_cast<int>(severity)];
}

TCheckFinding TCheckResult::Finding(std::size_t index) const {
    std::string message;
    const TFindingView v = data_->View(data_->Sorted(index), message);
    return {v.Severity,          std::string(v.Code),   std::string(v.Page),
            v.Line,              std::string(v.Topic),  std::string(v.Target),
            std::string(v.Message), std::string(v.Suggestion)};
}

TCheckReport TCheckResult::Report() const {
    TCheckReport report;
    report.ProjectFile = data_->ProjectFile;
    report.RootFolder = data_->RootFolder;
    report.PagesRead = data_->PagesRead;
    report.Findings.reserve(Size());
    for (std::size_t i = 0; i < Size(); ++i)
        report.Findings.push_back(Finding(i));
    return report;
}

namespace {

// Formats the findings in blocks on every core and hands them to write in order, while
// the next blocks are being formatted; only a few blocks are in memory at any time.
template <typename Format>
void FormatInBlocks(const TCheckResult::TWrite& write, std::size_t count, const Format& format) {
    constexpr std::size_t kBlock = 1024;
    ForEachInOrderHelping<std::string>(
        (count + kBlock - 1) / kBlock, 0,
        [&](std::size_t block) {
            std::string part;
            part.reserve(kBlock * 320);
            format(part, block * kBlock, std::min(count, (block + 1) * kBlock));
            return part;
        },
        [&](std::size_t, std::string&& part) { write(part); });
}

} // namespace

void TCheckResult::WriteText(const TWrite& write) const {
    FormatInBlocks(write, Size(), [&](std::string& part, std::size_t begin, std::size_t end) {
        std::string message;
        for (std::size_t i = begin; i < end; ++i)
            AppendText(part, data_->View(data_->Sorted(i), message), data_->ProjectFile);
    });
    write(TextSummary());
}

std::string TCheckResult::TextSummary() const {
    std::string out;
    AppendTextSummary(out, Count(CheckSeverity::Error), Count(CheckSeverity::Warning),
                      Count(CheckSeverity::Note), data_->PagesRead);
    return out;
}

void TCheckResult::WriteJson(const TWrite& write) const {
    std::string head;
    AppendJsonHead(head, data_->ProjectFile, data_->RootFolder, Count(CheckSeverity::Error),
                   Count(CheckSeverity::Warning), Count(CheckSeverity::Note), data_->PagesRead);
    write(head);
    FormatInBlocks(write, Size(), [&](std::string& part, std::size_t begin, std::size_t end) {
        const TData& d = *data_;
        std::string message;
        TJsonPage page;
        for (std::size_t i = begin; i < end; ++i) {
            const TFindingRecord& r = d.Sorted(i);
            const TFindingView view = d.View(r, message, false);
            if (TData::MessageOfLink(r))
                AppendJson(part, view, i == 0, page,
                           [&](std::string& to) { d.AppendJsonMessage(to, r); });
            else
                AppendJson(part, view, i == 0, page);
        }
    });
    std::string tail;
    AppendJsonTail(tail, Size() == 0);
    write(tail);
}

std::string TCheckResult::Text() const {
    std::string out;
    WriteText([&](std::string_view part) { out += part; });
    return out;
}

std::string TCheckResult::Json() const {
    std::string out;
    WriteJson([&](std::string_view part) { out += part; });
    return out;
}

TCheckResult RunCheck(const TPvx& project, const TCheckOptions& options,
                      const CheckProgress& progress) {
    if (options.ProcessEndsAfter) {
        // Reachable from here until the process ends: a large site's listings, pages and
        // anchors are hundreds of thousands of pieces.
        static auto* const kept = new std::vector<std::unique_ptr<TChecker>>();
        static std::mutex keeping;
        TChecker* checker;
        {
            const std::lock_guard lock(keeping);
            checker = kept->emplace_back(std::make_unique<TChecker>(project, options, progress))
                          .get();
        }
        return TCheckResult(checker->Run());
    }
    return TCheckResult(TChecker(project, options, progress).Run());
}

TCheckReport CheckProject(const TPvx& project, const TCheckOptions& options,
                          const CheckProgress& progress) {
    return RunCheck(project, options, progress).Report();
}

std::string FormatCheckText(const TCheckReport& report) {
    std::string out;
    for (const TCheckFinding& f : report.Findings)
        AppendText(out, ViewOf(f), report.ProjectFile);
    AppendTextSummary(out, report.Errors(), report.Warnings(), report.Notes(), report.PagesRead);
    return out;
}

std::string FormatCheckJson(const TCheckReport& report) {
    std::string out;
    AppendJsonHead(out, report.ProjectFile, report.RootFolder, report.Errors(),
                   report.Warnings(), report.Notes(), report.PagesRead);
    bool first = true;
    TJsonPage page;
    for (const TCheckFinding& f : report.Findings) {
        AppendJson(out, ViewOf(f), first, page);
        first = false;
    }
    AppendJsonTail(out, first);
    return out;
}

} // namespace parvane
