#pragma once
// Font names as the page's style can use them. Qt names a family that several foundries
// make with the foundry in brackets ("Nimbus Sans [urw]"); a style sheet and the browser
// know only the family ("Nimbus Sans").

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// The CSS family name of a font name: without a foundry suffix, trimmed; "" when nothing
// of a family is left.
std::string CssFontFamily(std::string_view name);

// The names worth offering for the font box, in order: each as its CSS family, once, and
// none that is empty or holds characters a family name cannot (quotes, semicolons, braces).
std::vector<std::string> ApplicableFontNames(const std::vector<std::string>& names);

} // namespace parvane
