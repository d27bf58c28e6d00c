#pragma once
// The widget-free rules of the editor's table commands: the colour field's text, width
// texts, the insert-table dialog (column-width list, the HTML of an insert, table
// properties), the cell-properties dialog (scopes, values collected over a scope, what
// Apply writes) and appending a row or a column.
//
// Tables appear here as plain data (TTableModel). The desktop either reads the live table
// into one, or asks for the operations (TTableApply, CellApplyOps, CellsInScope) and
// replays them on the document itself.

#include "editor/html_attributes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// ---- the colour field ------------------------------------------------------------------

struct TRgb {
    int Red = 0, Green = 0, Blue = 0;
    bool operator==(const TRgb&) const = default;
};

// The colour a colour field's text stands for: a leading "#" drops every "#" in the text,
// then the first six characters are read as red, green and blue in hexadecimal; fewer
// than six characters, or characters that are not hexadecimal, give no colour.
std::optional<TRgb> ColorFieldToRgb(std::string_view text);
// The text the colour chooser's result is written as: "#" and six upper-case digits.
std::string RgbToColorField(const TRgb& color);

// ---- width texts -----------------------------------------------------------------------

// A width or height as the page holds it ("80%", "600", "600px") split for the dialogs.
struct TWidthText {
    std::string Number;   // the leading digits as a decimal integer, or "" when there are none
    bool Percent = false; // exactly "%" follows the digits
    bool operator==(const TWidthText&) const = default;
};
TWidthText SplitWidthText(std::string_view text);

// ---- the insert-table dialog -------------------------------------------------------------

namespace TableTexts {
inline constexpr const char* InsertCaption = "Insert table";
inline constexpr const char* PropertiesCaption = "Table properties";
inline constexpr const char* UnitPercent = "%";
inline constexpr const char* UnitPixels = "px";
} // namespace TableTexts

// The column-width list: one line per column, Col<n> : "<width>", for example
// Col2 : "50%" or Col2 : "" for a column without a width.
class TColumnWidthList {
public:
    // Rebuilds the list with count lines without widths and selects the first line; any
    // widths set before are gone.
    void SetColumnCount(int count);
    // Properties mode: one line per cell of the table's first row, with its width.
    void LoadWidths(const std::vector<std::string>& widths);

    int Count() const { return static_cast<int>(lines_.size()); }
    const std::vector<std::string>& Lines() const { return lines_; }
    // Everything before the ":" (with the blank before it), e.g. "Col1 ".
    std::string Name(int index) const;
    // The width of a column without its double quotes; "" means no width.
    std::string Width(int index) const;

    int Selected() const { return selected_; } // -1 when the list is empty
    void Select(int index);

    // What the column box shows for the selected line.
    struct TColumnBox {
        std::string Caption;  // the line's name
        std::string Number;   // the width box
        bool Percent = false; // "Percent (%)" checked, else "Pixel (px)"
    };
    TColumnBox SelectedBox() const;
    // The width box or a radio button changed: the selected line's width becomes the box's
    // text, with "%" when it is not empty and percent is checked; an empty box clears it.
    void SetSelectedWidth(std::string_view boxText, bool percent);

private:
    std::vector<std::string> lines_;
    int selected_ = -1;
};

// The boxes of the insert-table dialog as text, with the defaults of a new table.
struct TTableDialogValues {
    std::string Rows = "2";
    std::string Cols = "2";
    std::string Width = "100";
    std::string Unit = TableTexts::UnitPercent; // "%" or "px"
    std::string Border = "1";
    std::string Padding = "2";
    std::string Spacing = "0";
    std::string BorderColor = "#000000";
    std::string BackColor;
};

// The HTML an insert pastes, on one line. Throws EParvaneError ("'x' is not a valid
// integer value") when rows or columns are not whole numbers; counts are held to 1..999.
std::string BuildInsertTableHtml(const TTableDialogValues& values, const TColumnWidthList& columns);

// ---- tables as plain data -----------------------------------------------------------------

struct TTableCell {
    THtmlAttributes Attrs;
};
struct TTableRow {
    std::vector<TTableCell> Cells;
};
struct TTableModel {
    THtmlAttributes Attrs;
    std::string StyleWidth; // the inline style's width ("" when unset)
    std::vector<TTableRow> Rows;
};

// What the dialog shows for an existing table: rows, columns (cells of the first row),
// the column widths of the first row, border, padding, spacing, the two colours, and the
// width split into number and unit.
struct TTableProperties {
    TTableDialogValues Values;
    TColumnWidthList Columns;
};
TTableProperties LoadTableProperties(const TTableModel& table);

// What Apply writes in properties mode.
struct TTableApply {
    // border, bordercolor, bgcolor, cellspacing, cellpadding, width, in this order; an
    // empty box removes its attribute.
    TAttrOps Table;
    // The inline style width to set ("100px", "100%"); none leaves the style alone.
    std::optional<std::string> StyleWidth;
    // Operation on "width" for cell n of every row; cells beyond the list are left alone
    // (the list is built from the first row only).
    TAttrOps CellWidths;
};
TTableApply TablePropertiesApply(const TTableDialogValues& values, const TColumnWidthList& columns);
void ApplyTableProperties(TTableModel& table, const TTableApply& apply);

// ---- the cell-properties dialog ------------------------------------------------------------

enum TCellScope { csThisCell = 1, csRow = 2, csColumn = 3, csAllCells = 4 };
enum class TCheckState { Unchecked, Checked, Greyed };

// The marker of values that differ among the cells of a scope.
inline constexpr const char* kNotSame = "#$NOTSAME$#";

namespace CellTexts {
inline constexpr const char* Caption = "Cell properties";
inline const std::vector<std::string> Scopes = {"This cell", "Cells of this row",
                                                "Cells of this column", "All cells"};
inline const std::vector<std::string> Halign = {"Default", "Left", "Right", "Center", "Justify"};
inline const std::vector<std::string> Valign = {"Default", "Top", "Middle", "Baseline", "Bottom"};
inline const std::vector<std::string> Units = {"In pixels", "In percent"};
} // namespace CellTexts

// A three-state check box clicked: unchecked -> checked -> greyed -> unchecked.
TCheckState NextCheckState(TCheckState state);

// A cell by its row index in the table and its index in the row.
struct TCellPosition {
    int Row = 0;
    int Cell = 0;
    bool operator==(const TCellPosition&) const = default;
};

// The cells a scope covers, in visiting order: the cell itself; the cells of its row;
// in every row the cell at its index (rows without one skipped); every cell. Nothing when
// the current element is not a cell (no position) or the position is outside the table.
std::vector<TCellPosition> CellsInScope(const TTableModel& table,
                                        const std::optional<TCellPosition>& current, int scope);
// Whether the scope picture (a table of four rows of three cells, current cell first)
// shades the cell at row, column.
bool ScopeCoversPictureCell(int scope, int row, int column);

// The attribute's value over the scope: the first cell's text, or kNotSame as soon as a
// cell's text differs from the one before (compared exactly; absent counts as "").
std::string CollectAttribute(const TTableModel& table, const TCellPosition& current, int scope,
                             std::string_view name);

struct TSizeControl {
    bool Visible = false;
    TCheckState Check = TCheckState::Greyed;
    std::string Number;   // the number box
    bool Percent = false; // "In percent", else "In pixels"
};

struct TCellDialogState {
    int Scope = csThisCell;
    int Halign = -1; // index into CellTexts::Halign, -1 selects nothing (leave align)
    int Valign = -1; // index into CellTexts::Valign
    TSizeControl Width, Height;
    TCheckState BackcolorCheck = TCheckState::Greyed;
    std::string Backcolor;
};

// Choosing a scope: the size controls' visibility and initial check states, then the
// values of the cell's scope when the current element is a cell. Size controls that the
// scope hides stay greyed, so applying never rewrites a width or height the author could
// not see (e.g. "10em" read back as "10").
TCellDialogState LoadCellDialog(const TTableModel& table,
                                const std::optional<TCellPosition>& current, int scope);
// The controls following the check boxes: an unchecked or greyed size has an empty number
// and "In pixels"; an unchecked or greyed back colour an empty colour field.
void FollowCellChecks(TCellDialogState& state);
// What Apply writes on every cell of the scope: align, valign, bgcolor, width, height.
TAttrOps CellApplyOps(const TCellDialogState& state);
// Writes the ops onto every cell of the scope.
void ApplyCellProperties(TTableModel& table, const std::optional<TCellPosition>& current,
                         const TCellDialogState& state);

// ---- append row and column ------------------------------------------------------------------

// The properties a new cell takes from its source cell, in copying order.
inline const std::vector<std::string> kCopiedCellAttributes = {
    "width", "height", "align", "valign", "bgcolor", "rowspan", "colspan"};
THtmlAttributes CopiedCellAttributes(const THtmlAttributes& source);

// A row at the end of the table with one empty cell per cell of the last row, each taking
// the seven properties of the cell above it.
void AppendRow(TTableModel& table);
// A cell at the end of every row taking the seven properties of the cell before it; a row
// without cells gets a cell without properties.
void AppendColumn(TTableModel& table);

} // namespace parvane
