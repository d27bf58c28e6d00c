#include "ui/user_settings.h"

#include "model/ini_file.h"
#include "model/string_func.h"

namespace parvane {

std::optional<int> TSettingsStore::ReadInteger(const std::string& key) const {
    const auto text = Read(key);
    if (!text)
        return std::nullopt;
    return ParseIniInteger(StringFunc::Trim(*text));
}

std::optional<bool> TSettingsStore::ReadBool(const std::string& key) const {
    const auto text = Read(key);
    if (!text)
        return std::nullopt;
    const std::string value = StringFunc::AsciiLowerCase(StringFunc::Trim(*text));
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    if (const auto number = ParseIniInteger(value))
        return *number != 0;
    return std::nullopt;
}

std::optional<std::string> TMemorySettingsStore::Read(const std::string& key) const {
    const auto it = values.find(key);
    if (it == values.end())
        return std::nullopt;
    return it->second;
}

TWindowState LoadWindowState(const TSettingsStore& store) {
    TWindowState state;
    const auto left = store.ReadInteger("Left");
    const auto top = left ? store.ReadInteger("Top") : std::nullopt;
    const auto height = top ? store.ReadInteger("Height") : std::nullopt;
    const auto width = height ? store.ReadInteger("Width") : std::nullopt;
    if (!width)
        return state;
    state.Left = *left;
    state.Top = *top;
    state.Height = *height;
    state.Width = *width;
    state.HasBounds = true;

    const auto nav = store.ReadInteger("NavWidth");
    if (!nav)
        return state;
    state.NavWidth = *nav < 1 ? 1 : *nav;
    state.HasNavWidth = true;

    const auto border = store.ReadBool("ShowBorder");
    if (!border)
        return state;
    state.ShowBorder = *border;
    state.HasShowBorder = true;

    const auto detail = store.ReadBool("ShowDetail");
    if (!detail)
        return state;
    state.ShowDetail = *detail;
    state.HasShowDetail = true;
    return state;
}

void SaveWindowState(TSettingsStore& store, const TWindowState& state) {
    store.WriteInteger("Top", state.Top);
    store.WriteInteger("Left", state.Left);
    store.WriteInteger("Height", state.Height);
    store.WriteInteger("Width", state.Width);
    store.WriteBool("ShowBorder", state.ShowBorder);
    store.WriteBool("ShowDetail", state.ShowDetail);
    store.WriteInteger("NavWidth", state.NavWidth <= 0 ? 1 : state.NavWidth);
}

} // namespace parvane
