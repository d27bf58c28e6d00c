#include "editor/html_attributes.h"

#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace SF = StringFunc;

THtmlAttributes::THtmlAttributes(std::initializer_list<std::pair<std::string, std::string>> items) {
    for (const auto& [name, value] : items)
        Set(name, value);
}

std::vector<std::pair<std::string, std::string>>::const_iterator
THtmlAttributes::FindItem(std::string_view name) const {
    return std::find_if(items_.begin(), items_.end(),
                        [&](const auto& item) { return SF::SameText(item.first, name); });
}

bool THtmlAttributes::Has(std::string_view name) const {
    return FindItem(name) != items_.end();
}

std::string THtmlAttributes::Get(std::string_view name) const {
    const auto it = FindItem(name);
    return it == items_.end() ? std::string() : it->second;
}

void THtmlAttributes::Set(std::string_view name, std::string value) {
    const auto it = FindItem(name);
    if (it == items_.end())
        items_.emplace_back(std::string(name), std::move(value));
    else
        items_[static_cast<std::size_t>(it - items_.begin())].second = std::move(value);
}

void THtmlAttributes::Remove(std::string_view name) {
    const auto it = FindItem(name);
    if (it != items_.end())
        items_.erase(it);
}

bool THtmlAttributes::operator==(const THtmlAttributes& other) const {
    if (items_.size() != other.items_.size())
        return false;
    for (const auto& [name, value] : items_) {
        const auto it = other.FindItem(name);
        if (it == other.items_.end() || it->second != value)
            return false;
    }
    return true;
}

void ApplyOps(THtmlAttributes& attributes, const TAttrOps& ops) {
    for (const TAttrOp& op : ops) {
        if (op.Value)
            attributes.Set(op.Name, *op.Value);
        else
            attributes.Remove(op.Name);
    }
}

std::string NormaliseAlignText(std::string_view text) {
    std::string out = SF::AsciiLowerCase(SF::Trim(text));
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z')
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

int AlignEntryIndex(const std::vector<std::string>& list, std::string_view value) {
    const std::string text = NormaliseAlignText(value);
    if (text.empty())
        return 0;
    const auto it = std::find(list.begin(), list.end(), text);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

} // namespace parvane
