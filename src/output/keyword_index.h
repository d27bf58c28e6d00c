#pragma once
// The one rule both keyword indexes (HTML Help's .hhk and Web Help's index list) follow
// to nest their entries: a keyword is a path of levels ("Colours/Red"), and between two
// consecutive keywords of the sorted list the nested lists change as described here.

#include <cstddef>
#include <string>
#include <vector>

namespace parvane {

struct TKeywordTransition {
    // Lists of the previous keyword to close, innermost first.
    std::size_t Close = 0;
    // The previous keyword is a whole leading part of the next one ("x" then "x/y/z"):
    // the next levels open a list inside the previous keyword's own entry.
    bool NestInPrevious = false;
    // The parent levels of the next keyword that the previous one did not have, each an
    // entry of its own followed by a list: next[FirstParent] up to next[ParentEnd - 1].
    std::size_t FirstParent = 0;
    std::size_t ParentEnd = 0;
};

// From keyword `from` to keyword `to` (their levels; an empty list stands before the first
// and after the last keyword). Over a whole sorted list the lists opened and closed
// balance, however many levels one keyword goes deeper than the one before.
TKeywordTransition KeywordTransition(const std::vector<std::string>& from,
                                     const std::vector<std::string>& to);

} // namespace parvane
