#pragma once
// Links that reach their file only without regard to case, written with the names the
// files have on disk, text by text, while a file is copied or a page is written.

#include "model/link_scanner.h"
#include "model/project_root.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace parvane {

class TRealNames {
public:
    explicit TRealNames(TProjectRoot& root) : root_(root) {}

    // Rewrites text, a file (or a piece of one) whose links are taken from folder: every
    // link THTMLRefer::SplitLinks finds that reaches a file inside the root only without
    // regard to case. False when nothing changed.
    bool Rewrite(std::string& text, const std::string& folder);
    // The same with the links already found on another thread (THTMLRefer::FindLinkSpans
    // of text).
    bool Rewrite(std::string& text, const std::string& folder,
                 const std::vector<THTMLRefer::TLinkSpan>& links);

private:
    bool Join(std::string& text, const std::string& folder);
    bool NeedsRealName(const std::string& path);

    TProjectRoot& root_;
    THTMLRefer refer_;
    std::vector<std::string> pieces_;
    // Whether a link as spelled from its folder needs the name on disk.
    std::unordered_map<std::string, bool> known_;
};

} // namespace parvane
