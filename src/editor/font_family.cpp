#include "editor/font_family.h"

#include <algorithm>
#include <cctype>

namespace parvane {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::string CssFontFamily(std::string_view name) {
    name = Trim(name);
    if (!name.empty() && name.back() == ']') {
        const std::size_t open = name.rfind('[');
        if (open != std::string_view::npos)
            name = Trim(name.substr(0, open));
    }
    return std::string(name);
}

std::vector<std::string> ApplicableFontNames(const std::vector<std::string>& names) {
    std::vector<std::string> result;
    std::vector<std::string> seen;
    for (const std::string& name : names) {
        const std::string family = CssFontFamily(name);
        if (family.empty() || family.find_first_of("\"';{}<>\\[]") != std::string::npos)
            continue;
        const std::string key = Lower(family);
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            continue;
        seen.push_back(key);
        result.push_back(family);
    }
    return result;
}

} // namespace parvane
