#include "output/real_names.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace parvane {

namespace {
constexpr std::size_t kKnownLinks = 1 << 17;
}

bool TRealNames::NeedsRealName(const std::string& path) {
    const auto needs = [](const TResolvedTarget& target) {
        return target.Match == TargetMatch::CaseFallback && target.InsideRoot;
    };
    // The root remembers every answer it gave.
    if (!shared_)
        return needs(root_.Resolve(path));
    // Scripts write addresses that only look like paths, page by page: what lies outside
    // the root by its spelling is never looked up, so no thread waits for its look-up.
    const std::string key = root_.AnswerKey(path);
    if (!root_.KeyBelowRoot(key))
        return false;
    {
        const std::shared_lock read(shared_->RootLock);
        if (const TResolvedTarget* answered = root_.AnsweredKey(key))
            return needs(*answered);
    }
    const std::unique_lock write(shared_->RootLock);
    return needs(root_.Resolve(path));
}

bool TRealNames::Rewrite(std::string& text, const std::string& folder,
                         const std::string* onlyNames) {
    if (onlyNames && onlyNames->empty())
        return false;
    // SplitLinks in its two steps, so that the links weighed are remembered.
    refer_.FindLinkSpans(text, spans_);
    return Rewrite(text, folder, spans_, onlyNames);
}

namespace {

// Whether a link of this spelling may be one of names ("/" between them) by its last name.
bool MayBeNamed(std::string_view path, std::string_view names) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (last.empty() || last == "." || last == "..")
        return true;
    for (std::size_t start = 0; start <= names.size();) {
        const std::size_t end = std::min(names.find('/', start), names.size());
        if (names.substr(start, end - start) == last)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

bool TRealNames::Rewrite(std::string& text, const std::string& folder,
                         const std::vector<THTMLRefer::TLinkSpan>& links,
                         const std::string* onlyNames) {
    // The choice SplitLinks makes: each distinct path looked up once, from the folder.
    const std::string base = folder.empty() ? folder : Paths::IncludeTrailingSlash(folder);
    // Pages of one folder write the same links again and again (style sheets, scripts,
    // pictures, their neighbours), and pages come folder by folder: each link is weighed
    // once by its spelling while its folder's pages come (a site of random links would
    // fill the memory: that is forgotten now and then), the root remembering the answer
    // for the file it reaches.
    if (base != inFolderBase_ || inFolder_.size() >= kKnownLinks) {
        inFolder_.clear();
        inFolderBase_ = base;
    }
    std::vector<THTMLRefer::TLinkSpan> chosen;
    for (const THTMLRefer::TLinkSpan& link : links) {
        const std::string_view path(text.data() + link.Start, link.End - link.Start);
        if (onlyNames && !MayBeNamed(path, *onlyNames))
            continue;
        auto it = inFolder_.find(path);
        if (it == inFolder_.end()) {
            bool needed = false;
            // A NUL would cut the path short at the file-system call and name another file.
            if (path.find('\0') == std::string_view::npos)
                needed = NeedsRealName(StringFunc::CollapseDotDot(base, path));
            it = inFolder_.emplace(std::string(path), needed).first;
        }
        if (it->second)
            chosen.push_back(link);
    }
    if (chosen.empty())
        return false;
    return Replace(text, folder, std::move(chosen));
}

bool TRealNames::Replace(std::string& text, const std::string& folder,
                         std::vector<THTMLRefer::TLinkSpan> chosen) {
    // THTMLRefer::SplitAt's pieces without the copies: in order, and a link that overlaps
    // the one before (scans of different rules can reach over each other's links) is left
    // as text.
    const auto byStart = [](const THTMLRefer::TLinkSpan& a, const THTMLRefer::TLinkSpan& b) {
        return a.Start != b.Start ? a.Start < b.Start : a.End < b.End;
    };
    if (!std::is_sorted(chosen.begin(), chosen.end(), byStart))
        std::sort(chosen.begin(), chosen.end(), byStart);
    std::size_t end = 0;
    std::erase_if(chosen, [&end](const THTMLRefer::TLinkSpan& link) {
        if (link.Start < end)
            return true;
        end = link.End;
        return false;
    });
    // The root is asked with the other threads waiting; the text is joined after.
    realLinks_.resize(chosen.size());
    {
        std::unique_lock<std::shared_mutex> turn;
        if (shared_)
            turn = std::unique_lock(shared_->RootLock);
        for (std::size_t k = 0; k < chosen.size(); ++k)
            realLinks_[k] = root_.RealLink(
                folder, std::string_view(text).substr(chosen[k].Start,
                                                      chosen[k].End - chosen[k].Start));
    }
    std::string joined;
    joined.reserve(text.size() + 16);
    std::size_t pos = 0;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        joined.append(text, pos, chosen[k].Start - pos);
        joined += realLinks_[k];
        pos = chosen[k].End;
    }
    joined.append(text, pos);
    if (joined == text)
        return false;
    text.swap(joined);
    return true;
}

TRealNamesPool::TLease TRealNamesPool::Borrow() {
    {
        const std::lock_guard lock(freeLock_);
        if (!free_.empty()) {
            std::unique_ptr<TRealNames> names = std::move(free_.back());
            free_.pop_back();
            return TLease(*this, std::move(names));
        }
    }
    return TLease(*this, std::make_unique<TRealNames>(root_, &shared_));
}

void TRealNamesPool::GiveBack(std::unique_ptr<TRealNames> names) {
    if (!names)
        return;
    const std::lock_guard lock(freeLock_);
    free_.push_back(std::move(names));
}

} // namespace parvane
