#include "model/natural_order.h"

#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Compares two folded names: a run of digits against a run of digits by value (leading
// zeros do not count), everything else byte by byte, which for UTF-8 is the order of the
// code points. A digit run against another character compares as its first digit does,
// so the order stays consistent.
int CompareFolded(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && IsDigit(a[ei]))
                ++ei;
            while (ej < b.size() && IsDigit(b[ej]))
                ++ej;
            std::size_t si = i, sj = j; // behind the leading zeros
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            const std::size_t li = ei - si, lj = ej - sj;
            if (li != lj)
                return li < lj ? -1 : 1;
            const int c = a.substr(si, li).compare(b.substr(sj, lj));
            if (c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

int Sign(int c) {
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

} // namespace

int CompareNames(std::string_view a, std::string_view b) {
    const int folded = CompareFolded(StringFunc::LowerCase(a), StringFunc::LowerCase(b));
    return folded != 0 ? folded : Sign(a.compare(b));
}

TNameKey NameKey(std::string_view name) {
    return {StringFunc::LowerCase(name), name};
}

bool NameKeyLess(const TNameKey& a, const TNameKey& b) {
    const int folded = CompareFolded(a.Folded, b.Folded);
    return folded != 0 ? folded < 0 : a.Name < b.Name;
}

void SortNames(std::vector<std::string>& names) {
    std::vector<TNameKey> keys;
    keys.reserve(names.size());
    for (const std::string& name : names)
        keys.push_back(NameKey(name));
    std::sort(keys.begin(), keys.end(), NameKeyLess);
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const TNameKey& key : keys)
        sorted.emplace_back(key.Name);
    names.swap(sorted);
}

} // namespace parvane
