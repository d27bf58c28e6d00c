#include "editor/table_logic.h"

#include "model/errors.h"
#include "model/string_func.h"

#include <algorithm>
#include <cstdio>

namespace parvane {

namespace SF = StringFunc;

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string ColumnLine(int number, std::string_view width) {
    return "Col" + std::to_string(number) + " : \"" + std::string(width) + "\"";
}

// The whole-number parse of a dialog box, with the message the author sees.
int ParseCount(const std::string& text) {
    const std::string t = SF::Trim(text);
    bool ok = !t.empty();
    long value = 0;
    for (std::size_t i = 0; ok && i < t.size(); ++i) {
        const char c = t[i];
        if (i == 0 && (c == '-' || c == '+') && t.size() > 1)
            continue;
        if (c < '0' || c > '9')
            ok = false;
        else if (value < 100000)
            value = value * 10 + (c - '0');
    }
    if (!ok)
        throw EParvaneError("'" + text + "' is not a valid integer value");
    if (t[0] == '-')
        value = -value;
    return static_cast<int>(std::clamp(value, 1L, 999L));
}

const TTableCell* CellAt(const TTableModel& table, const TCellPosition& pos) {
    if (pos.Row < 0 || pos.Row >= static_cast<int>(table.Rows.size()))
        return nullptr;
    const auto& cells = table.Rows[static_cast<std::size_t>(pos.Row)].Cells;
    if (pos.Cell < 0 || pos.Cell >= static_cast<int>(cells.size()))
        return nullptr;
    return &cells[static_cast<std::size_t>(pos.Cell)];
}

// The check state and boxes a collected width or height shows.
void ShowSize(TSizeControl& control, const std::string& value) {
    if (value == kNotSame) {
        control.Check = TCheckState::Greyed;
    } else if (!value.empty()) {
        control.Check = TCheckState::Checked;
        const TWidthText split = SplitWidthText(value);
        control.Number = split.Number;
        control.Percent = split.Percent;
    } else {
        control.Check = TCheckState::Unchecked;
    }
}

void SizeOp(TAttrOps& ops, const char* name, const TSizeControl& control) {
    switch (control.Check) {
    case TCheckState::Checked: {
        const std::string number = SF::Trim(control.Number);
        if (number.empty())
            ops.push_back(TAttrOp::Removal(name));
        else
            ops.push_back(TAttrOp::SetTo(name, control.Percent ? number + "%" : number));
        break;
    }
    case TCheckState::Unchecked:
        ops.push_back(TAttrOp::Removal(name));
        break;
    case TCheckState::Greyed:
        break;
    }
}

void AlignOp(TAttrOps& ops, const char* name, const std::vector<std::string>& entries, int index) {
    if (index == 0)
        ops.push_back(TAttrOp::Removal(name));
    else if (index > 0 && index < static_cast<int>(entries.size()))
        ops.push_back(TAttrOp::SetTo(name, entries[static_cast<std::size_t>(index)]));
}

} // namespace

// ---- the colour field ------------------------------------------------------------------

std::optional<TRgb> ColorFieldToRgb(std::string_view text) {
    std::string s(text);
    if (!s.empty() && s[0] == '#')
        s.erase(std::remove(s.begin(), s.end(), '#'), s.end());
    if (s.size() < 6)
        return std::nullopt;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = HexDigit(s[static_cast<std::size_t>(i)]);
        if (v[i] < 0)
            return std::nullopt;
    }
    return TRgb{v[0] * 16 + v[1], v[2] * 16 + v[3], v[4] * 16 + v[5]};
}

std::string RgbToColorField(const TRgb& color) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%.2X%.2X%.2X", std::clamp(color.Red, 0, 255),
                  std::clamp(color.Green, 0, 255), std::clamp(color.Blue, 0, 255));
    return buf;
}

// ---- width texts -----------------------------------------------------------------------

TWidthText SplitWidthText(std::string_view text) {
    const std::string t = SF::Trim(text);
    std::size_t digits = 0;
    while (digits < t.size() && t[digits] >= '0' && t[digits] <= '9')
        ++digits;
    if (digits == 0)
        return {};
    // The digits as a decimal integer: no leading zeros.
    std::size_t first = 0;
    while (first + 1 < digits && t[first] == '0')
        ++first;
    return {t.substr(first, digits - first), t.substr(digits) == "%"};
}

// ---- the column-width list ---------------------------------------------------------------

void TColumnWidthList::SetColumnCount(int count) {
    lines_.clear();
    for (int i = 1; i <= count; ++i)
        lines_.push_back(ColumnLine(i, ""));
    selected_ = lines_.empty() ? -1 : 0;
}

void TColumnWidthList::LoadWidths(const std::vector<std::string>& widths) {
    lines_.clear();
    for (std::size_t i = 0; i < widths.size(); ++i)
        lines_.push_back(ColumnLine(static_cast<int>(i) + 1, widths[i]));
    selected_ = lines_.empty() ? -1 : 0;
}

std::string TColumnWidthList::Name(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = lines_[static_cast<std::size_t>(index)];
    return line.substr(0, line.find(':'));
}

std::string TColumnWidthList::Width(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = lines_[static_cast<std::size_t>(index)];
    const std::size_t colon = line.find(':');
    std::string value = SF::Trim(colon == std::string::npos ? "" : line.substr(colon + 1));
    if (!value.empty() && value.front() == '"')
        value.erase(0, 1);
    if (!value.empty() && value.back() == '"')
        value.pop_back();
    return value;
}

void TColumnWidthList::Select(int index) {
    if (index >= 0 && index < Count())
        selected_ = index;
}

TColumnWidthList::TColumnBox TColumnWidthList::SelectedBox() const {
    if (selected_ < 0)
        return {};
    const TWidthText split = SplitWidthText(Width(selected_));
    return {Name(selected_), split.Number, split.Percent};
}

void TColumnWidthList::SetSelectedWidth(std::string_view boxText, bool percent) {
    if (selected_ < 0)
        return;
    std::string width = SF::Trim(boxText);
    if (!width.empty() && percent)
        width += '%';
    lines_[static_cast<std::size_t>(selected_)] = ColumnLine(selected_ + 1, width);
}

// ---- insert ------------------------------------------------------------------------------

std::string BuildInsertTableHtml(const TTableDialogValues& values,
                                 const TColumnWidthList& columns) {
    const int rows = ParseCount(values.Rows);
    const int cols = ParseCount(values.Cols);
    // The boxes are numbers and colours; encoding keeps a stray quote from breaking the tag.
    const auto attr = [](const std::string& s) { return SF::HtmlEncode(s); };
    std::string html = "<table border=\"" + attr(values.Border) + "\" cellPadding=\"" +
                       attr(values.Padding) + "\" cellspacing=\"" + attr(values.Spacing) +
                       "\" style=\"border-collapse: collapse\" bordercolor=\"" +
                       attr(values.BorderColor) + "\" width=\"" + attr(values.Width) +
                       attr(values.Unit) + "\"  bgcolor=\"" + attr(values.BackColor) + "\">";
    std::string row = "<tr>";
    for (int n = 0; n < cols; ++n) {
        const std::string width = columns.Width(n);
        if (width.empty())
            row += "<td>&nbsp;</td>";
        else
            row += "<td width=\"" + attr(width) + "\">&nbsp;</td>";
    }
    row += "</tr>";
    html.reserve(html.size() + row.size() * static_cast<std::size_t>(rows) + 8);
    for (int r = 0; r < rows; ++r)
        html += row;
    html += "</table>";
    return html;
}

// ---- table properties ----------------------------------------------------------------------

TTableProperties LoadTableProperties(const TTableModel& table) {
    TTableProperties p;
    TTableDialogValues& v = p.Values;
    v.Rows = std::to_string(table.Rows.size());
    std::vector<std::string> widths;
    if (!table.Rows.empty()) {
        for (const TTableCell& cell : table.Rows.front().Cells)
            widths.push_back(cell.Attrs.Get("width"));
    }
    v.Cols = std::to_string(widths.size());
    p.Columns.LoadWidths(widths);
    v.Spacing = table.Attrs.Get("cellspacing");
    v.Padding = table.Attrs.Get("cellpadding");
    v.Border = table.Attrs.Get("border");
    v.BorderColor = table.Attrs.Get("bordercolor");
    v.BackColor = table.Attrs.Get("bgcolor");
    const TWidthText width = SplitWidthText(table.Attrs.Get("width"));
    v.Width = width.Number;
    v.Unit = width.Percent ? TableTexts::UnitPercent : TableTexts::UnitPixels;
    return p;
}

TTableApply TablePropertiesApply(const TTableDialogValues& values,
                                 const TColumnWidthList& columns) {
    TTableApply apply;
    const auto box = [&](const char* name, const std::string& text) {
        const std::string t = SF::Trim(text);
        apply.Table.push_back(t.empty() ? TAttrOp::Removal(name) : TAttrOp::SetTo(name, t));
    };
    box("border", values.Border);
    box("bordercolor", values.BorderColor);
    box("bgcolor", values.BackColor);
    box("cellspacing", values.Spacing);
    box("cellpadding", values.Padding);
    const std::string width = SF::Trim(values.Width);
    if (width.empty()) {
        apply.Table.push_back(TAttrOp::Removal("width"));
    } else {
        const bool percent = values.Unit == TableTexts::UnitPercent;
        apply.Table.push_back(TAttrOp::SetTo("width", percent ? width + "%" : width));
        apply.StyleWidth = width + values.Unit;
    }
    for (int n = 0; n < columns.Count(); ++n) {
        const std::string w = columns.Width(n);
        apply.CellWidths.push_back(w.empty() ? TAttrOp::Removal("width")
                                             : TAttrOp::SetTo("width", w));
    }
    return apply;
}

void ApplyTableProperties(TTableModel& table, const TTableApply& apply) {
    ApplyOps(table.Attrs, apply.Table);
    if (apply.StyleWidth)
        table.StyleWidth = *apply.StyleWidth;
    for (TTableRow& row : table.Rows) {
        const std::size_t n = std::min(row.Cells.size(), apply.CellWidths.size());
        for (std::size_t i = 0; i < n; ++i)
            ApplyOps(row.Cells[i].Attrs, {apply.CellWidths[i]});
    }
}

// ---- cell properties ------------------------------------------------------------------------

TCheckState NextCheckState(TCheckState state) {
    switch (state) {
    case TCheckState::Unchecked:
        return TCheckState::Checked;
    case TCheckState::Checked:
        return TCheckState::Greyed;
    case TCheckState::Greyed:
        break;
    }
    return TCheckState::Unchecked;
}

std::vector<TCellPosition> CellsInScope(const TTableModel& table,
                                        const std::optional<TCellPosition>& current, int scope) {
    std::vector<TCellPosition> cells;
    if (!current || !CellAt(table, *current))
        return cells;
    const TCellPosition c = *current;
    switch (scope) {
    case csThisCell:
        cells.push_back(c);
        break;
    case csRow: {
        const auto& row = table.Rows[static_cast<std::size_t>(c.Row)];
        for (std::size_t i = 0; i < row.Cells.size(); ++i)
            cells.push_back({c.Row, static_cast<int>(i)});
        break;
    }
    case csColumn:
        for (std::size_t r = 0; r < table.Rows.size(); ++r) {
            if (c.Cell < static_cast<int>(table.Rows[r].Cells.size()))
                cells.push_back({static_cast<int>(r), c.Cell});
        }
        break;
    case csAllCells:
        for (std::size_t r = 0; r < table.Rows.size(); ++r) {
            for (std::size_t i = 0; i < table.Rows[r].Cells.size(); ++i)
                cells.push_back({static_cast<int>(r), static_cast<int>(i)});
        }
        break;
    default:
        break;
    }
    return cells;
}

bool ScopeCoversPictureCell(int scope, int row, int column) {
    switch (scope) {
    case csThisCell:
        return row == 0 && column == 0;
    case csRow:
        return row == 0;
    case csColumn:
        return column == 0;
    case csAllCells:
        return true;
    default:
        return false;
    }
}

std::string CollectAttribute(const TTableModel& table, const TCellPosition& current, int scope,
                             std::string_view name) {
    std::string collected;
    bool first = true;
    for (const TCellPosition& pos : CellsInScope(table, current, scope)) {
        std::string value = CellAt(table, pos)->Attrs.Get(name);
        if (first) {
            collected = std::move(value);
            first = false;
        } else if (value != collected) {
            return kNotSame;
        }
    }
    return collected;
}

TCellDialogState LoadCellDialog(const TTableModel& table,
                                const std::optional<TCellPosition>& current, int scope) {
    TCellDialogState state;
    state.Scope = scope;
    state.Width.Visible = scope == csColumn || scope == csAllCells;
    state.Height.Visible = scope == csRow || scope == csAllCells;
    state.Width.Check = state.Width.Visible ? TCheckState::Unchecked : TCheckState::Greyed;
    state.Height.Check = state.Height.Visible ? TCheckState::Unchecked : TCheckState::Greyed;
    if (current && CellAt(table, *current)) {
        const auto collect = [&](const char* name) {
            return CollectAttribute(table, *current, scope, name);
        };
        const std::string bgcolor = collect("bgcolor");
        const std::string width = collect("width");
        const std::string height = collect("height");
        const std::string valign = collect("valign");
        const std::string align = collect("align");

        state.Halign = align == kNotSame ? -1 : AlignEntryIndex(CellTexts::Halign, align);
        state.Valign = valign == kNotSame ? -1 : AlignEntryIndex(CellTexts::Valign, valign);
        if (bgcolor == kNotSame) {
            state.BackcolorCheck = TCheckState::Greyed;
        } else if (!bgcolor.empty()) {
            state.BackcolorCheck = TCheckState::Checked;
            state.Backcolor = bgcolor;
        } else {
            state.BackcolorCheck = TCheckState::Unchecked;
        }
        if (state.Width.Visible)
            ShowSize(state.Width, width);
        if (state.Height.Visible)
            ShowSize(state.Height, height);
    }
    FollowCellChecks(state);
    return state;
}

void FollowCellChecks(TCellDialogState& state) {
    for (TSizeControl* size : {&state.Width, &state.Height}) {
        if (size->Check != TCheckState::Checked) {
            size->Number.clear();
            size->Percent = false;
        }
    }
    if (state.BackcolorCheck != TCheckState::Checked)
        state.Backcolor.clear();
}

TAttrOps CellApplyOps(const TCellDialogState& state) {
    TAttrOps ops;
    AlignOp(ops, "align", CellTexts::Halign, state.Halign);
    AlignOp(ops, "valign", CellTexts::Valign, state.Valign);
    switch (state.BackcolorCheck) {
    case TCheckState::Checked: {
        const std::string color = SF::Trim(state.Backcolor);
        ops.push_back(color.empty() ? TAttrOp::Removal("bgcolor")
                                    : TAttrOp::SetTo("bgcolor", color));
        break;
    }
    case TCheckState::Unchecked:
        ops.push_back(TAttrOp::Removal("bgcolor"));
        break;
    case TCheckState::Greyed:
        break;
    }
    SizeOp(ops, "width", state.Width);
    SizeOp(ops, "height", state.Height);
    return ops;
}

void ApplyCellProperties(TTableModel& table, const std::optional<TCellPosition>& current,
                         const TCellDialogState& state) {
    const TAttrOps ops = CellApplyOps(state);
    for (const TCellPosition& pos : CellsInScope(table, current, state.Scope)) {
        auto& row = table.Rows[static_cast<std::size_t>(pos.Row)];
        ApplyOps(row.Cells[static_cast<std::size_t>(pos.Cell)].Attrs, ops);
    }
}

// ---- append row and column ------------------------------------------------------------------

THtmlAttributes CopiedCellAttributes(const THtmlAttributes& source) {
    THtmlAttributes copy;
    for (const std::string& name : kCopiedCellAttributes) {
        if (source.Has(name))
            copy.Set(name, source.Get(name));
    }
    return copy;
}

void AppendRow(TTableModel& table) {
    TTableRow row;
    if (!table.Rows.empty()) {
        for (const TTableCell& source : table.Rows.back().Cells)
            row.Cells.push_back({CopiedCellAttributes(source.Attrs)});
    }
    table.Rows.push_back(std::move(row));
}

void AppendColumn(TTableModel& table) {
    for (TTableRow& row : table.Rows) {
        TTableCell cell;
        if (!row.Cells.empty())
            cell.Attrs = CopiedCellAttributes(row.Cells.back().Attrs);
        row.Cells.push_back(std::move(cell));
    }
}

} // namespace parvane
