#include "output/real_names.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <string_view>
#include <unordered_map>

namespace parvane {

namespace {
constexpr std::size_t kKnownLinks = 1 << 17;
}

bool TRealNames::NeedsRealName(const std::string& path) {
    std::unique_lock<std::mutex> turn;
    if (rootTurns_)
        turn = std::unique_lock(*rootTurns_);
    const TResolvedTarget target = root_.Resolve(path);
    return target.Match == TargetMatch::CaseFallback && target.InsideRoot;
}

bool TRealNames::Rewrite(std::string& text, const std::string& folder) {
    // SplitLinks in its two steps, so that the links weighed are remembered.
    refer_.FindLinkSpans(text, spans_);
    return Rewrite(text, folder, spans_);
}

bool TRealNames::Rewrite(std::string& text, const std::string& folder,
                         const std::vector<THTMLRefer::TLinkSpan>& links) {
    // The choice SplitLinks makes: each distinct path looked up once, from the folder.
    const std::string base = folder.empty() ? folder : Paths::IncludeTrailingSlash(folder);
    std::unordered_map<std::string_view, bool> needs;
    std::vector<THTMLRefer::TLinkSpan> chosen;
    for (const THTMLRefer::TLinkSpan& link : links) {
        const std::string_view path(text.data() + link.Start, link.End - link.Start);
        auto [it, added] = needs.try_emplace(path, false);
        // A NUL would cut the path short at the file-system call and name another file.
        if (added && path.find('\0') == std::string_view::npos) {
            // Pages of one folder write the same links again and again (style sheets,
            // scripts, pictures, their neighbours): each is weighed once while it is
            // remembered. A site of random links would fill the memory: what is
            // remembered is forgotten now and then.
            if (known_.size() >= kKnownLinks)
                known_.clear();
            spelled_.assign(base);
            spelled_ += path;
            // Remembered by the file reached: the links of a folder's pages to one file
            // are one entry, however each page spells its way there.
            auto [known, first] = known_.try_emplace(StringFunc::CollapseDotDot(spelled_), false);
            if (first)
                known->second = NeedsRealName(known->first);
            it->second = known->second;
        }
        if (it->second)
            chosen.push_back(link);
    }
    if (chosen.empty())
        return false;
    THTMLRefer::SplitAt(text, std::move(chosen), pieces_);
    return Join(text, folder);
}

bool TRealNames::Join(std::string& text, const std::string& folder) {
    if (pieces_.size() < 2)
        return false;
    std::string joined;
    joined.reserve(text.size() + 16);
    std::unique_lock<std::mutex> turn;
    if (rootTurns_)
        turn = std::unique_lock(*rootTurns_);
    for (std::size_t i = 0; i < pieces_.size(); ++i)
        joined += i % 2 == 0 ? pieces_[i] : root_.RealLink(folder, pieces_[i]);
    if (turn)
        turn.unlock();
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
    return TLease(*this, std::make_unique<TRealNames>(root_, &rootTurns_));
}

void TRealNamesPool::GiveBack(std::unique_ptr<TRealNames> names) {
    if (!names)
        return;
    const std::lock_guard lock(freeLock_);
    free_.push_back(std::move(names));
}

} // namespace parvane
