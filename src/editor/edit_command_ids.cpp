#include "editor/edit_command_ids.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace parvane {

namespace {

constexpr std::array<int, 32> kComponentCommands = {
    EditCmd::Bold,          EditCmd::Copy,           EditCmd::Cut,
    EditCmd::Delete,        EditCmd::DeleteColumns,  EditCmd::DeleteRows,
    EditCmd::FontDialog,    EditCmd::GetBlockFormat, EditCmd::GetBlockFormatNames,
    EditCmd::GetFontName,   EditCmd::GetFontSize,    EditCmd::Indent,
    EditCmd::InsertColumn,  EditCmd::InsertRow,      EditCmd::Italic,
    EditCmd::JustifyCenter, EditCmd::JustifyLeft,    EditCmd::JustifyRight,
    EditCmd::OrderList,     EditCmd::Outdent,        EditCmd::Paste,
    EditCmd::Redo,          EditCmd::RemoveFormat,   EditCmd::SelectAll,
    EditCmd::SetBackColor,  EditCmd::SetBlockFormat, EditCmd::SetFontName,
    EditCmd::SetFontSize,   EditCmd::SetForeColor,   EditCmd::Underline,
    EditCmd::Undo,          EditCmd::UnorderList,
};

constexpr std::array<TBlockFormat, 11> kBlockFormats = {{
    {"Normal", "p"},
    {"Heading 1", "h1"},
    {"Heading 2", "h2"},
    {"Heading 3", "h3"},
    {"Heading 4", "h4"},
    {"Heading 5", "h5"},
    {"Heading 6", "h6"},
    {"Formatted", "pre"},
    {"Address", "address"},
    {"Numbered List", "ol"},
    {"Bulleted List", "ul"},
}};

// Pixel sizes of the HTML font sizes 1..7 as browsers render them, in points (px * 3/4).
constexpr std::array<double, 7> kPoints = {7.5, 10, 12, 13.5, 18, 24, 36};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

std::span<const int> EditCmd::ComponentCommands() {
    return kComponentCommands;
}

bool EditCmd::IsComponentCommand(int id) {
    return std::binary_search(kComponentCommands.begin(), kComponentCommands.end(), id);
}

bool EditCmd::IsQueryCommand(int id) {
    return id == GetBlockFormat || id == GetBlockFormatNames || id == GetFontName ||
           id == GetFontSize;
}

std::span<const TBlockFormat> BlockFormats() {
    return kBlockFormats;
}

std::string BlockFormatName(std::string_view tag) {
    const std::string lower = Lower(tag);
    for (const auto& format : kBlockFormats)
        if (lower == format.Tag)
            return format.Name;
    return kBlockFormats.front().Name;
}

std::string BlockFormatTag(std::string_view name) {
    for (const auto& format : kBlockFormats)
        if (name == format.Name)
            return format.Tag;
    return {};
}

int HtmlFontSizeFromPoints(double points) {
    int best = 1;
    for (int size = 1; size <= 7; ++size)
        if (std::fabs(kPoints[size - 1] - points) < std::fabs(kPoints[best - 1] - points))
            best = size;
    return best;
}

double PointsFromHtmlFontSize(int size) {
    return kPoints[std::clamp(size, 1, 7) - 1];
}

} // namespace parvane
