// The contents model: the table of contents flattened into items in tree order, with
// page bodies, outline numbers and the keyword pairs of the indexes.

#include "output/contents.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "output/ordered_work.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace parvane {

namespace SF = StringFunc;

bool TextLess::operator()(const std::string& a, const std::string& b) const {
    return SF::CompareText(a, b) < 0;
}

std::vector<std::string> SplitKeywordParts(const std::string& keyword) {
    std::vector<std::string> parts;
    if (keyword.empty())
        return parts;
    // "//" is a literal "/" inside a part; scanning left to right pairs the slashes the
    // same way as replacing "//" by a marker before splitting.
    std::string part;
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        if (keyword[i] != '/') {
            part += keyword[i];
        } else if (i + 1 < keyword.size() && keyword[i + 1] == '/') {
            part += '/';
            ++i;
        } else {
            parts.push_back(std::move(part));
            part.clear();
        }
    }
    parts.push_back(std::move(part));
    return parts;
}

std::string PageBody(std::string_view html) {
    const std::size_t body = SF::FindAsciiNoCase(html, "<body");
    if (body == std::string::npos)
        return {};
    const std::size_t gt = html.find('>', body);
    const std::size_t close = SF::FindAsciiNoCase(html, "</body");
    if (gt == std::string::npos || close == std::string::npos || gt >= close)
        return {};
    return std::string(html.substr(gt + 1, close - gt - 1));
}

TContents::TContents(TPvx& project, InfoCallback onInfo)
    : OnInfo(std::move(onInfo)), ProgramFolder(Paths::IncludeTrailingSlash(Paths::AppDir())),
      Project(project) {}

TProjectRoot& TContents::Root() const {
    if (!root_)
        root_ = std::make_unique<TProjectRoot>(Project.RootFolder());
    return *root_;
}

void TContents::ReportOutside(const std::string& path) {
    if (OutsideFiles.insert(path).second)
        Info("Not copied, it lies outside the project's root folder: " + path);
}

namespace {

// The charset a page is read with when it declares none.
std::string PageCharset(const TPvx& project) {
    return SF::Trim(project.ProjectSettings.Encoding);
}

} // namespace

void TContents::BuildItems() {
    Items.clear();
    webAddresses_.clear();
    webPlanFor_.clear();
    webPlan_.clear();
    const std::string root = Project.RootFolder();
    const std::string charset = PageCharset(Project);
    TTopicNode* contentsRoot = Project.ContentsRoot();
    if (!contentsRoot)
        return;
    // Pre-order walk of the contents root's subtree without recursion, keeping the level
    // along the way (asking each node for its depth would climb to the root every time).
    int level = 1;
    for (TTopicNode* node = contentsRoot->FirstChild(); node;) {
        if (level > kMaxContentsDepth)
            throw EParvaneError(TooDeepMessage(node->Text()));
        auto item = std::make_unique<TContentsItem>();
        const TLeftTreeData& data = node->Data();
        item->Position = static_cast<int>(Items.size());
        item->Title = node->Text();
        item->Url = data.Url;
        item->Level = level;
        item->ImageNumber = node->ImageIndex() + 1;
        item->Status = data.Status;
        item->Keywords = data.Keywords;
        item->ContextNumber = data.ContextNumber;
        item->ApplyTemp = data.ApplyTemp;
        if (data.Status == tsLinked && !data.Url.empty()) {
            // A page outside the root is never read; one found only without regard to case
            // is named in every output as it is on disk.
            const TResolvedTarget page = Root().Resolve(Paths::UrlToPath(root, data.Url));
            if (page.Found() && !page.InsideRoot)
                ReportOutside(page.Path);
            if (page.Match == TargetMatch::CaseFallback && page.InsideRoot &&
                !Paths::IsAbsolute(data.Url))
                item->Url = SF::ToBackslashes(Root().Relative(page));
            if (page.Found() && page.InsideRoot)
                item->File = page.Path; // read below, on all cores
        }
        Items.push_back(std::move(item));

        // Next node in pre-order, never leaving the contents root.
        if (node->HasChildren()) {
            node = node->FirstChild();
            ++level;
            continue;
        }
        while (node && node != contentsRoot && !node->NextSibling()) {
            node = node->Parent();
            --level;
        }
        node = (node && node != contentsRoot) ? node->NextSibling() : nullptr;
    }

    // The pages, read on all cores; a page that cannot be read is reported in item order.
    struct TRead {
        bool HasContent = false;
        std::string Body;
        std::string Error;
    };
    ForEachInOrderHelping<TRead>(
        Items.size(), Threads,
        [&](std::size_t i) {
            TRead read;
            const TContentsItem& item = *Items[i];
            const std::string& file = item.File;
            if (file.empty())
                return read;
            try {
                if (KeepBodies) {
                    read.Body = PageBody(SF::LoadTextFile(file, charset));
                } else if (::access(file.c_str(), R_OK) != 0) {
                    throw EParvaneError(std::strerror(errno));
                }
                read.HasContent = true;
            } catch (const std::exception& e) {
                read.Error = std::string("Cannot read ") + file + ": " + e.what();
            }
            return read;
        },
        [&](std::size_t i, TRead&& read) {
            Items[i]->HasContent = read.HasContent;
            Items[i]->Body = std::move(read.Body);
            if (!read.HasContent)
                Items[i]->File.clear();
            if (!read.Error.empty())
                Info(read.Error);
        });
    NumberItems();
}

std::string TooDeepMessage(const std::string& title) {
    return "The table of contents is more than " + std::to_string(kMaxContentsDepth) +
           " levels deep at the topic \"" + title + "\". The outputs show at most " +
           std::to_string(kMaxContentsDepth) +
           " levels: move the deeper topics up before building.";
}

const std::string* TContents::ScannedNames(const std::string& file, std::string_view linkFolder,
                                           std::string_view charset) const {
    // The collection read its files without a fallback charset, which UTF-8 as the
    // fallback does not change.
    static const std::string kNone;
    if (!TextCodec::NamesUtf8(charset) || Paths::ExtractFilePath(file) != linkFolder)
        return nullptr;
    const std::size_t found = ExactScans.Find(file);
    if (found == TStringIndex::npos)
        return nullptr;
    return found == 0 ? &kNone : &OtherCaseNames[found - 1];
}

std::string TContents::ItemBody(const TContentsItem& item) const {
    if (!item.HasContent)
        return {};
    if (KeepBodies)
        return item.Body;
    try {
        return PageBody(SF::LoadTextFile(item.File, PageCharset(Project)));
    } catch (const std::exception&) {
        return {}; // gone since the contents were read
    }
}

// The walk of the item list that the recursive description gives (one call per run of
// siblings), with the runs that are open kept on a stack instead of the call stack. An
// item's outline number is not stored: its place among its siblings and its parent are
// enough to spell it when an output needs it (ItemNumber), so a deep list costs no more
// than a flat one.
void TContents::NumberItems() {
    struct Run {
        int level;
        int count;        // siblings numbered so far
        int parent;       // the item the run lies below, -1 at the top
        std::size_t last; // the run's latest item
    };
    std::vector<Run> runs;
    const std::size_t n = Items.size();
    for (std::size_t i = 0; i < n; ++i) {
        TContentsItem& item = *Items[i];
        const int level = item.Level;
        // Runs deeper than this item have ended: their last item was the last sibling.
        while (!runs.empty() && runs.back().level > level)
            runs.pop_back();
        if (!runs.empty() && runs.back().level == level) {
            Run& run = runs.back();
            item.Ordinal = ++run.count;
            item.Parent = run.parent;
            run.last = i;
        } else {
            const int parent = runs.empty() ? -1 : static_cast<int>(runs.back().last);
            item.Ordinal = 1;
            item.Parent = parent;
            runs.push_back({level, 1, parent, i});
        }
        // Links to the next item decide the flags.
        if (i + 1 == n) {
            item.HasChildren = false;
            item.IsLast = true;
            continue;
        }
        const int next = Items[i + 1]->Level;
        item.HasChildren = next > level;
        if (!item.HasChildren)
            item.IsLast = next != level;
    }
    // A parent is the last of its siblings when no item of its level follows its subtree
    // before a shallower one: settled from the end backwards, with the levels still open to
    // the items before on an increasing stack.
    std::vector<int> later;
    for (std::size_t i = n; i-- > 0;) {
        TContentsItem& item = *Items[i];
        while (!later.empty() && later.back() > item.Level)
            later.pop_back();
        const bool sibling = !later.empty() && later.back() == item.Level;
        if (item.HasChildren)
            item.IsLast = !sibling;
        if (!sibling)
            later.push_back(item.Level);
    }
}

std::string TContents::ItemNumber(std::size_t index) const {
    std::vector<int> ordinals;
    int top = static_cast<int>(index);
    for (int i = top; i >= 0; i = Items[static_cast<std::size_t>(i)]->Parent) {
        ordinals.push_back(Items[static_cast<std::size_t>(i)]->Ordinal);
        top = i;
    }
    std::string number;
    for (auto it = ordinals.rbegin(); it != ordinals.rend(); ++it) {
        if (!number.empty())
            number += '.';
        number += std::to_string(*it);
    }
    // A top-level item alone carries a dot: "1." but "1.2".
    if (ordinals.size() == 1 && Items[static_cast<std::size_t>(top)]->Level == 1)
        number += '.';
    return number;
}

std::vector<TKeywordPair> TContents::KeywordPairs() const {
    std::vector<TKeywordPair> pairs;
    for (const auto& item : Items) {
        if (item->Status != tsLinked || !item->HasContent || item->Keywords.empty())
            continue;
        const std::string& text = item->Keywords;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find_first_of("\r\n", start);
            if (end == std::string::npos)
                end = text.size();
            std::string keyword = SF::Trim(std::string_view(text).substr(start, end - start));
            if (!keyword.empty())
                pairs.push_back({std::move(keyword), item.get()});
            if (end >= text.size())
                break;
            start = end + 1;
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(), [](const TKeywordPair& a, const TKeywordPair& b) {
        return SF::CompareText(a.Keyword, b.Keyword) < 0;
    });
    return pairs;
}

} // namespace parvane
