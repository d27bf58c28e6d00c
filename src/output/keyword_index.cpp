#include "output/keyword_index.h"

namespace parvane {

TKeywordTransition KeywordTransition(const std::vector<std::string>& from,
                                     const std::vector<std::string>& to) {
    const std::size_t m = from.size();
    const std::size_t n = to.size();
    std::size_t k = 0; // levels both share
    while (k < m && k < n && from[k] == to[k])
        ++k;
    TKeywordTransition t;
    // The levels of `from` below the shared ones each had a list open beneath them, except
    // its own last level, which is an entry.
    t.Close = m > k + 1 ? m - k - 1 : 0;
    t.NestInPrevious = m > 0 && k == m && n > m;
    t.FirstParent = k;
    t.ParentEnd = n > k + 1 ? n - 1 : k;
    return t;
}

} // namespace parvane
