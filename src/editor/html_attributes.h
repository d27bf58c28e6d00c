#pragma once
// Plain-data stand-ins for the page elements the editor's dialogs read and write. The
// dialogs compute what to write as lists of attribute operations (TAttrOps); the desktop
// replays them on the live document, the tests on these structures.

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvane {

// An element's attributes in document order. Names compare without regard to case, as
// HTML attribute names do; the spelling of the first Set is kept.
class THtmlAttributes {
public:
    THtmlAttributes() = default;
    THtmlAttributes(std::initializer_list<std::pair<std::string, std::string>> items);

    bool Has(std::string_view name) const;
    // The value, or "" when the attribute is absent (as the document reads it).
    std::string Get(std::string_view name) const;
    void Set(std::string_view name, std::string value);
    void Remove(std::string_view name);
    const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }

    bool operator==(const THtmlAttributes& other) const;

private:
    std::vector<std::pair<std::string, std::string>>::const_iterator
    FindItem(std::string_view name) const;
    std::vector<std::pair<std::string, std::string>> items_;
};

// One write on an element: set Name to *Value, or remove Name when Value is empty.
struct TAttrOp {
    std::string Name;
    std::optional<std::string> Value;

    static TAttrOp SetTo(std::string name, std::string value) {
        return {std::move(name), std::move(value)};
    }
    static TAttrOp Removal(std::string name) { return {std::move(name), std::nullopt}; }
    bool operator==(const TAttrOp& other) const = default;
};
using TAttrOps = std::vector<TAttrOp>;

// Replays ops in order.
void ApplyOps(THtmlAttributes& attributes, const TAttrOps& ops);

// The form in which alignment lists match an attribute value: trimmed, lower case, first
// letter upper case ("  CENTER " -> "Center").
std::string NormaliseAlignText(std::string_view text);
// The entry of list equal to NormaliseAlignText(value): 0 for an empty value (the
// "Default" entry), the matching index, or -1 when no entry matches.
int AlignEntryIndex(const std::vector<std::string>& list, std::string_view value);

} // namespace parvane
