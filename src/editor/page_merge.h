#pragma once
// Saving an edited page without the browser's rewriting of everything the author did not
// touch. The browser gives the page back in its own serialisation: line ends become LF,
// entities become characters, tags lower case, attributes quoted, implied elements appear
// and the whitespace after </body> moves into the body. Only the edits are wanted from it.
//
// The merge compares three texts: the page as it was loaded, the browser's serialisation
// of it right after loading, and the browser's serialisation now. What changed between
// the two serialisations is applied to the loaded text at the matching places; the rest of
// the loaded text stays byte for byte, its line ends included.

#include <string>
#include <string_view>

namespace parvane {

// The loaded page with the edits that lead from loadedSerialised to editedSerialised.
// When both serialisations are equal the loaded page comes back unchanged.
std::string MergePageEdits(std::string_view loaded, std::string_view loadedSerialised,
                           std::string_view editedSerialised);

} // namespace parvane
