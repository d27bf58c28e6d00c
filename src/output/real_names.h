#pragma once
// Links that reach their file only without regard to case, written with the names the
// files have on disk, text by text, while a file is copied or a page is written.

#include "model/link_scanner.h"
#include "model/project_root.h"

#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parvane {

// What TRealNames on several threads share: the root. Its answers given before (nearly
// every link's, since the file collection looked them up) are read by all at once; a new
// look-up waits for the readers and keeps them waiting.
struct TRealNamesShared {
    std::shared_mutex RootLock;
};

class TRealNames {
public:
    explicit TRealNames(TProjectRoot& root, TRealNamesShared* shared = nullptr)
        : root_(root), shared_(shared) {}

    // Rewrites text, a file (or a piece of one) whose links are taken from folder: every
    // link THTMLRefer::SplitLinks finds that reaches a file inside the root only without
    // regard to case. False when nothing changed.
    // With onlyNames ("/" between them), only links whose last name is one of them (or
    // that end in a folder) are looked up: what the file collection found of the text
    // (TContents::ScannedNames); none at all when it is empty.
    bool Rewrite(std::string& text, const std::string& folder,
                 const std::string* onlyNames = nullptr);
    // The same with the links already found on another thread (THTMLRefer::FindLinkSpans
    // of text).
    bool Rewrite(std::string& text, const std::string& folder,
                 const std::vector<THTMLRefer::TLinkSpan>& links,
                 const std::string* onlyNames = nullptr);

private:
    // Writes the names on disk over the chosen links of text.
    bool Replace(std::string& text, const std::string& folder,
                 std::vector<THTMLRefer::TLinkSpan> chosen);
    bool NeedsRealName(const std::string& path);

    TProjectRoot& root_;
    TRealNamesShared* shared_;
    THTMLRefer refer_;
    std::vector<std::string> realLinks_;
    std::vector<THTMLRefer::TLinkSpan> spans_;
    // Whether a link as the pages of one folder (inFolderBase_) spell it needs the name
    // on disk.
    struct TViewHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept {
            return std::hash<std::string_view>()(s);
        }
    };
    std::string inFolderBase_;
    std::unordered_map<std::string, bool, TViewHash, std::equal_to<>> inFolder_;
};

// TRealNames for files written on several threads at once. Each file borrows one of its
// own, with its own memory of the links of a folder's pages (no lock for those); they
// share the root as TRealNamesShared says.
class TRealNamesPool {
public:
    explicit TRealNamesPool(TProjectRoot& root) : root_(root) {}

    class TLease {
    public:
        TLease(TRealNamesPool& pool, std::unique_ptr<TRealNames> names)
            : pool_(pool), names_(std::move(names)) {}
        TLease(const TLease&) = delete;
        TLease& operator=(const TLease&) = delete;
        ~TLease() { pool_.GiveBack(std::move(names_)); }
        TRealNames& operator*() const { return *names_; }
        TRealNames* operator->() const { return names_.get(); }

    private:
        TRealNamesPool& pool_;
        std::unique_ptr<TRealNames> names_;
    };

    TLease Borrow();

private:
    void GiveBack(std::unique_ptr<TRealNames> names);

    TProjectRoot& root_;
    TRealNamesShared shared_;
    std::mutex freeLock_;
    std::vector<std::unique_ptr<TRealNames>> free_;
};

} // namespace parvane
