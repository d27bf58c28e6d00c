#pragma once
// Name order for folder listings: the same on every machine, whatever order the file
// system returns. Names compare without regard to case, runs of digits by their value
// ("page2" before "page10"); names that still tie are ordered by their exact bytes, so the
// order is total and two different names never compare equal.

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// <0, 0 or >0. Zero only for identical names.
int CompareNames(std::string_view a, std::string_view b);

// The same order, for sorting: LowerCase each name once (NameKey) and compare the keys
// with CompareNameKeys, which falls back to the exact names on a tie.
struct TNameKey {
    std::string Folded; // StringFunc::LowerCase of the name
    std::string_view Name;
};
TNameKey NameKey(std::string_view name);
bool NameKeyLess(const TNameKey& a, const TNameKey& b);

// Sorts names in place into name order.
void SortNames(std::vector<std::string>& names);

} // namespace parvane
