#pragma once
// The one INI reader of the program (project file, options.ini, templates.ini).
// Every line is stripped of blanks and control characters at both ends; empty lines and
// ";" comments are skipped; "[name]" starts a section; other lines split at the first
// "=". Sections and keys match without regard to case; of two equal keys the first
// counts; lines before the first section are ignored. Lookups are hashed, so loading is
// linear in the size of the text.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace parvane {

class TIniFile {
public:
    TIniFile();
    static TIniFile FromText(std::string_view utf8Text);
    // Reads a file: UTF-8, with lines that are not valid UTF-8 taken as Windows-1252.
    // Throws EParvaneError when it cannot be read.
    static TIniFile FromFile(const std::string& path);

    bool HasSection(std::string_view section) const;
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // The stored value without a copy (valid while this object or a copy of it lives), or
    // nothing when the key is missing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    // Find for keys read in file order: hint (start it at 0) remembers where the last key
    // stood, and a key that stands right there costs no hash lookup.
    std::optional<std::string_view> FindNear(std::string_view section, std::string_view key,
                                             std::size_t& hint) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Decimal or "0x" hexadecimal; anything else gives def.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    // Any integer other than 0 is true; text that is not an integer gives def.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    // Calls fn with every key of a section in file order (the first of equal names only),
    // without copying anything.
    void ForEachKey(std::string_view section,
                    const std::function<void(std::string_view key)>& fn) const;
    // Calls fn(key, value) for every key line of a section in file order without making the
    // section's index: for a reader of a large section that parses its keys itself. A
    // later line of a name said before may come too (the first is the one that counts).
    template <typename Fn> void ForEachKeyLine(std::string_view section, Fn&& fn) const {
        ForEachKeyLineRaw(
            section,
            [](void* context, std::string_view key, std::string_view value) {
                (*static_cast<std::remove_reference_t<Fn>*>(context))(key, value);
            },
            const_cast<void*>(static_cast<const void*>(&fn)));
    }
    // The bytes this reader holds: the text, the keys and the indexes made so far.
    std::size_t MemoryUsed() const;

    // Section names and the key/value pairs of one section, in file order.
    const std::vector<std::string>& Sections() const;
    std::vector<std::pair<std::string, std::string>> SectionValues(std::string_view section) const;

private:
    // The text, the sections and their keys as offsets into the text, and flat hash
    // tables over them: a project of 100,000 topics has a million keys, and one heap block
    // per key would dominate the load. Immutable once read, so copies share it.
    struct Data;
    static TIniFile FromOwnedText(std::string text);
    using KeyLineFn = void (*)(void* context, std::string_view key, std::string_view value);
    void ForEachKeyLineRaw(std::string_view section, KeyLineFn fn, void* context) const;

    std::shared_ptr<const Data> data_;
};

// Parses an integer the way the INI reader does: decimal or "0x" hexadecimal.
std::optional<int> ParseIniInteger(std::string_view text);

} // namespace parvane
