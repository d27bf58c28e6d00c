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
    if (shared_)
        turn = std::unique_lock(shared_->RootTurns);
    const TResolvedTarget target = root_.Resolve(path);
    return target.Match == TargetMatch::CaseFallback && target.InsideRoot;
}

bool TRealNames::Weigh(std::string&& path) {
    if (!shared_) {
        if (known_.size() >= kKnownLinks)
            known_.clear();
        auto [known, first] = known_.try_emplace(std::move(path), false);
        if (first)
            known->second = NeedsRealName(known->first);
        return known->second;
    }
    {
        const std::shared_lock read(shared_->KnownLock);
        if (const auto known = shared_->Known.find(path); known != shared_->Known.end())
            return known->second;
    }
    const bool needed = NeedsRealName(path);
    const std::unique_lock write(shared_->KnownLock);
    if (shared_->Known.size() >= 2 * kKnownLinks)
        shared_->Known.clear();
    shared_->Known.emplace(std::move(path), needed);
    return needed;
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
    // Pages of one folder write the same links again and again (style sheets, scripts,
    // pictures, their neighbours), and pages come folder by folder: each link is weighed
    // once while its folder's pages come, by its spelling, and once while remembered by
    // the file it reaches. A site of random links would fill the memory: what is
    // remembered is forgotten now and then.
    if (base != inFolderBase_ || inFolder_.size() >= kKnownLinks) {
        inFolder_.clear();
        inFolderBase_ = base;
    }
    std::vector<THTMLRefer::TLinkSpan> chosen;
    for (const THTMLRefer::TLinkSpan& link : links) {
        const std::string_view path(text.data() + link.Start, link.End - link.Start);
        auto it = inFolder_.find(path);
        if (it == inFolder_.end()) {
            bool needed = false;
            // A NUL would cut the path short at the file-system call and name another file.
            if (path.find('\0') == std::string_view::npos) {
                spelled_.assign(base);
                spelled_ += path;
                needed = Weigh(StringFunc::CollapseDotDot(spelled_));
            }
            it = inFolder_.emplace(std::string(path), needed).first;
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
    if (shared_)
        turn = std::unique_lock(shared_->RootTurns);
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
    return TLease(*this, std::make_unique<TRealNames>(root_, &shared_));
}

void TRealNamesPool::GiveBack(std::unique_ptr<TRealNames> names) {
    if (!names)
        return;
    const std::lock_guard lock(freeLock_);
    free_.push_back(std::move(names));
}

} // namespace parvane
