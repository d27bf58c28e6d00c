// The contents model: the table of contents flattened into items in tree order, with
// page bodies, outline numbers and the keyword pairs of the indexes.

#include "output/contents.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/parallel_pages.h"

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
    const std::string lower = SF::AsciiLowerCase(html);
    const std::size_t body = lower.find("<body");
    if (body == std::string::npos)
        return {};
    const std::size_t gt = lower.find('>', body);
    const std::size_t close = lower.find("</body");
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
    const std::string root = Project.RootFolder();
    const std::string charset = PageCharset(Project);
    TTopicNode* contentsRoot = Project.ContentsRoot();
    if (!contentsRoot)
        return;
    // Pre-order walk of the contents root's subtree without recursion: deep trees are fine.
    for (TTopicNode* node = contentsRoot->FirstChild(); node;) {
        auto item = std::make_unique<TContentsItem>();
        const TLeftTreeData& data = node->Data();
        item->Position = static_cast<int>(Items.size());
        item->Title = node->Text();
        item->Url = data.Url;
        item->Level = node->Level();
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
            continue;
        }
        while (node && node != contentsRoot && !node->NextSibling())
            node = node->Parent();
        node = (node && node != contentsRoot) ? node->NextSibling() : nullptr;
    }

    // The pages, read on all cores; a page that cannot be read is reported in item order.
    struct TRead {
        bool HasContent = false;
        std::string Body;
        std::string Error;
    };
    ForEachPageInOrder<TRead>(
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

namespace {

// Numbers one run of siblings at level `level` starting at index i; returns the index of
// the first item after the run.
std::size_t NumberRun(std::vector<std::unique_ptr<TContentsItem>>& items, std::size_t i, int level,
                      const std::string& parentNumber) {
    const std::size_t n = items.size();
    int k = 0;
    while (i < n && items[i]->Level == level) {
        TContentsItem& item = *items[i];
        ++k;
        const std::string kText = std::to_string(k);
        item.Number =
            parentNumber.empty() ? (level == 1 ? kText + "." : kText) : parentNumber + "." + kText;
        if (i + 1 == n) {
            item.HasChildren = false;
            item.IsLast = true;
            return n;
        }
        const TContentsItem& next = *items[i + 1];
        if (next.Level > level) {
            item.HasChildren = true;
            const std::string childParent = parentNumber.empty() ? kText : item.Number;
            const std::size_t after = NumberRun(items, i + 1, next.Level, childParent);
            item.IsLast = !(after < n && items[after]->Level == level);
            i = after;
        } else {
            item.HasChildren = false;
            item.IsLast = next.Level != level;
            ++i;
        }
    }
    return i;
}

} // namespace

void TContents::NumberItems() {
    std::size_t i = 0;
    // A list made from the tree starts at level 1 and one top-level run covers it all; a
    // hand-made list that starts deeper still gets every item numbered.
    while (i < Items.size())
        i = NumberRun(Items, i, Items[i]->Level, "");
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
