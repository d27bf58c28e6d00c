#include "editor/table_logic.h"
#include "model/errors.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace parvane;

namespace {

TTableCell Cell(std::initializer_list<std::pair<std::string, std::string>> attrs) {
    return TTableCell{THtmlAttributes(attrs)};
}

// A table of rows of cells, each cell given by its attributes.
TTableModel Table(std::vector<std::vector<TTableCell>> rows) {
    TTableModel table;
    for (auto& cells : rows)
        table.Rows.push_back(TTableRow{std::move(cells)});
    return table;
}

std::vector<std::string> OpNames(const TAttrOps& ops) {
    std::vector<std::string> names;
    for (const TAttrOp& op : ops)
        names.push_back(op.Name);
    return names;
}

} // namespace

// ---- insert ---------------------------------------------------------------------------------

TEST(TableInsert, DefaultInsertIsTheExactString) {
    TColumnWidthList columns;
    columns.SetColumnCount(2);
    EXPECT_EQ(BuildInsertTableHtml(TTableDialogValues(), columns),
              "<table border=\"1\" cellPadding=\"2\" cellspacing=\"0\" style=\"border-collapse: "
              "collapse\" bordercolor=\"#000000\" width=\"100%\"  bgcolor=\"\">"
              "<tr><td>&nbsp;</td><td>&nbsp;</td></tr>"
              "<tr><td>&nbsp;</td><td>&nbsp;</td></tr></table>");
}

TEST(TableInsert, WidthOnFirstColumnOnlyGivesEveryRowAWideFirstCell) {
    TColumnWidthList columns;
    columns.SetColumnCount(2);
    columns.Select(0);
    columns.SetSelectedWidth("30", true);
    EXPECT_EQ(columns.Lines(), (std::vector<std::string>{"Col1 : \"30%\"", "Col2 : \"\""}));

    TTableDialogValues values;
    values.Rows = "3";
    values.Unit = "px";
    values.Width = "600";
    const std::string html = BuildInsertTableHtml(values, columns);
    const std::string row = "<tr><td width=\"30%\">&nbsp;</td><td>&nbsp;</td></tr>";
    EXPECT_NE(html.find("width=\"600px\""), std::string::npos);
    EXPECT_NE(html.find(">" + row + row + row + "</table>"), std::string::npos) << html;
}

TEST(TableInsert, CountsThatAreNotWholeNumbersAreRefused) {
    TColumnWidthList columns;
    columns.SetColumnCount(2);
    TTableDialogValues values;
    values.Rows = "2.5";
    try {
        BuildInsertTableHtml(values, columns);
        FAIL() << "expected a refusal";
    } catch (const EParvaneError& e) {
        EXPECT_STREQ(e.what(), "'2.5' is not a valid integer value");
    }
    values.Rows = "2";
    values.Cols = "";
    EXPECT_THROW(BuildInsertTableHtml(values, columns), EParvaneError);
}

TEST(TableInsert, AColourWithAQuoteCannotBreakTheStartTag) {
    TColumnWidthList columns;
    columns.SetColumnCount(1);
    TTableDialogValues values;
    values.BackColor = "red\" onclick=\"x";
    const std::string html = BuildInsertTableHtml(values, columns);
    EXPECT_NE(html.find("bgcolor=\"red&quot; onclick=&quot;x\">"), std::string::npos) << html;
}

// ---- the column-width list -----------------------------------------------------------------

TEST(ColumnWidthList, ChangingTheColumnCountDiscardsWidths) {
    TColumnWidthList columns;
    columns.SetColumnCount(2);
    columns.Select(1);
    columns.SetSelectedWidth("50", true);
    ASSERT_EQ(columns.Width(1), "50%");

    columns.SetColumnCount(3);
    EXPECT_EQ(columns.Lines(),
              (std::vector<std::string>{"Col1 : \"\"", "Col2 : \"\"", "Col3 : \"\""}));
    EXPECT_EQ(columns.Selected(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(columns.Width(i), "");
}

TEST(ColumnWidthList, SelectingALineShowsItsNameNumberAndUnit) {
    TColumnWidthList columns;
    columns.LoadWidths({"50%", "120px", ""});
    EXPECT_EQ(columns.Selected(), 0);
    auto box = columns.SelectedBox();
    EXPECT_EQ(box.Caption, "Col1 ");
    EXPECT_EQ(box.Number, "50");
    EXPECT_TRUE(box.Percent);

    columns.Select(1);
    box = columns.SelectedBox();
    EXPECT_EQ(box.Caption, "Col2 ");
    EXPECT_EQ(box.Number, "120");
    EXPECT_FALSE(box.Percent);

    columns.Select(2);
    EXPECT_EQ(columns.SelectedBox().Number, "");
    // An empty box clears the width whatever the unit; pixels write the bare number.
    columns.SetSelectedWidth("", true);
    EXPECT_EQ(columns.Lines()[2], "Col3 : \"\"");
    columns.SetSelectedWidth("40", false);
    EXPECT_EQ(columns.Width(2), "40");
}

TEST(WidthText, SplitsIntoNumberAndPercentFlag) {
    EXPECT_EQ(SplitWidthText("80%"), (TWidthText{"80", true}));
    EXPECT_EQ(SplitWidthText("600"), (TWidthText{"600", false}));
    EXPECT_EQ(SplitWidthText("600px"), (TWidthText{"600", false}));
    EXPECT_EQ(SplitWidthText(""), (TWidthText{"", false}));
    EXPECT_EQ(SplitWidthText("x"), (TWidthText{"", false}));
    // Trimmed first; only an exact "%" after the digits is a percentage.
    EXPECT_EQ(SplitWidthText("  75% "), (TWidthText{"75", true}));
    EXPECT_EQ(SplitWidthText("75 %"), (TWidthText{"75", false}));
    EXPECT_EQ(SplitWidthText("007%"), (TWidthText{"7", true}));
}

// ---- the colour field ----------------------------------------------------------------------

TEST(ColorField, ReadsSixHexDigitsAfterRemovingHashes) {
    EXPECT_EQ(ColorFieldToRgb("#ff0000"), (TRgb{255, 0, 0}));
    EXPECT_EQ(ColorFieldToRgb("##12#3456"), (TRgb{0x12, 0x34, 0x56}));
    EXPECT_EQ(ColorFieldToRgb("A0B0C0D0"), (TRgb{0xA0, 0xB0, 0xC0}));
    EXPECT_FALSE(ColorFieldToRgb("#FF00"));
    EXPECT_FALSE(ColorFieldToRgb("#GG0000"));
    EXPECT_FALSE(ColorFieldToRgb(""));
    EXPECT_EQ(RgbToColorField({255, 0, 16}), "#FF0010");
}

// ---- table properties ------------------------------------------------------------------------

TEST(TableProperties, LoadShowsTheWidthSplitIntoNumberAndUnit) {
    TTableModel table = Table({{Cell({{"width", "30%"}}), Cell({})}, {Cell({}), Cell({})}});
    table.Attrs = THtmlAttributes({{"border", "2"},
                                   {"cellPadding", "4"},
                                   {"cellspacing", "1"},
                                   {"borderColor", "#00FF00"},
                                   {"width", "80%"}});
    TTableProperties p = LoadTableProperties(table);
    EXPECT_EQ(p.Values.Rows, "2");
    EXPECT_EQ(p.Values.Cols, "2");
    EXPECT_EQ(p.Values.Border, "2");
    EXPECT_EQ(p.Values.Padding, "4");
    EXPECT_EQ(p.Values.Spacing, "1");
    EXPECT_EQ(p.Values.BorderColor, "#00FF00");
    EXPECT_EQ(p.Values.BackColor, "");
    EXPECT_EQ(p.Values.Width, "80");
    EXPECT_EQ(p.Values.Unit, "%");
    EXPECT_EQ(p.Columns.Lines(), (std::vector<std::string>{"Col1 : \"30%\"", "Col2 : \"\""}));

    table.Attrs.Set("width", "600");
    p = LoadTableProperties(table);
    EXPECT_EQ(p.Values.Width, "600");
    EXPECT_EQ(p.Values.Unit, "px");

    table.Attrs.Remove("width");
    p = LoadTableProperties(table);
    EXPECT_EQ(p.Values.Width, "");
    EXPECT_EQ(p.Values.Unit, "px");
}

TEST(TableProperties, ApplyWritesInOrderAndRemovesEmptyBoxes) {
    TTableDialogValues values;
    values.Border = "";
    values.BackColor = "#FFFFFF";
    values.Width = "100";
    values.Unit = "px";
    TColumnWidthList columns;
    columns.SetColumnCount(2);
    const TTableApply apply = TablePropertiesApply(values, columns);
    EXPECT_EQ(OpNames(apply.Table),
              (std::vector<std::string>{"border", "bordercolor", "bgcolor", "cellspacing",
                                        "cellpadding", "width"}));
    EXPECT_EQ(apply.Table[0], TAttrOp::Removal("border"));
    EXPECT_EQ(apply.Table[2], TAttrOp::SetTo("bgcolor", "#FFFFFF"));
    // Pixels: a bare number in the attribute, "px" in the inline style.
    EXPECT_EQ(apply.Table[5], TAttrOp::SetTo("width", "100"));
    EXPECT_EQ(apply.StyleWidth, "100px");

    values.Unit = "%";
    const TTableApply percent = TablePropertiesApply(values, columns);
    EXPECT_EQ(percent.Table[5], TAttrOp::SetTo("width", "100%"));
    EXPECT_EQ(percent.StyleWidth, "100%");

    TTableModel table = Table({{Cell({})}});
    table.Attrs = THtmlAttributes({{"border", "1"}});
    ApplyTableProperties(table, apply);
    EXPECT_FALSE(table.Attrs.Has("border"));
    EXPECT_EQ(table.StyleWidth, "100px");
}

TEST(TableProperties, EmptyWidthRemovesTheAttributeAndLeavesTheStyle) {
    TTableDialogValues values;
    values.Width = "";
    TColumnWidthList columns;
    const TTableApply apply = TablePropertiesApply(values, columns);
    EXPECT_EQ(apply.Table.back(), TAttrOp::Removal("width"));
    EXPECT_FALSE(apply.StyleWidth);

    TTableModel table;
    table.Attrs.Set("width", "50%");
    table.StyleWidth = "50%";
    ApplyTableProperties(table, apply);
    EXPECT_FALSE(table.Attrs.Has("width"));
    EXPECT_EQ(table.StyleWidth, "50%");
}

TEST(TableProperties, ColumnWidthsReachEveryRowAndLeaveCellsBeyondTheList) {
    TTableModel table = Table({{Cell({}), Cell({{"width", "70%"}})},
                               {Cell({}), Cell({{"width", "70%"}}), Cell({{"width", "9"}})}});
    TColumnWidthList columns = LoadTableProperties(table).Columns;
    columns.Select(0);
    columns.SetSelectedWidth("30", true);
    columns.Select(1);
    columns.SetSelectedWidth("", true);
    ApplyTableProperties(table, TablePropertiesApply(TTableDialogValues(), columns));
    for (const TTableRow& row : table.Rows) {
        EXPECT_EQ(row.Cells[0].Attrs.Get("width"), "30%");
        EXPECT_FALSE(row.Cells[1].Attrs.Has("width"));
    }
    EXPECT_EQ(table.Rows[1].Cells[2].Attrs.Get("width"), "9");
}

// ---- cell properties ---------------------------------------------------------------------------

TEST(CellScope, CoversTheCellItsRowItsColumnOrEverything) {
    const TTableModel table =
        Table({{Cell({}), Cell({}), Cell({})}, {Cell({})}, {Cell({}), Cell({})}});
    const TCellPosition current{2, 1};
    EXPECT_EQ(CellsInScope(table, current, csThisCell), (std::vector<TCellPosition>{{2, 1}}));
    EXPECT_EQ(CellsInScope(table, current, csRow), (std::vector<TCellPosition>{{2, 0}, {2, 1}}));
    // The middle row has no cell at index 1 and is skipped.
    EXPECT_EQ(CellsInScope(table, current, csColumn), (std::vector<TCellPosition>{{0, 1}, {2, 1}}));
    EXPECT_EQ(CellsInScope(table, current, csAllCells).size(), 6u);
    EXPECT_TRUE(CellsInScope(table, std::nullopt, csAllCells).empty());
    EXPECT_TRUE(CellsInScope(table, TCellPosition{1, 1}, csThisCell).empty());

    EXPECT_TRUE(ScopeCoversPictureCell(csRow, 0, 2));
    EXPECT_FALSE(ScopeCoversPictureCell(csRow, 1, 0));
    EXPECT_TRUE(ScopeCoversPictureCell(csColumn, 3, 0));
    EXPECT_FALSE(ScopeCoversPictureCell(csThisCell, 0, 1));
}

TEST(CellScope, CaseDifferencesCountAsDifferentValues) {
    TTableModel table = Table({{Cell({{"align", "center"}}), Cell({{"align", "CENTER"}})}});
    EXPECT_EQ(CollectAttribute(table, {0, 0}, csRow, "align"), kNotSame);
    EXPECT_EQ(CollectAttribute(table, {0, 0}, csThisCell, "align"), "center");

    TCellDialogState state = LoadCellDialog(table, TCellPosition{0, 0}, csRow);
    EXPECT_EQ(state.Halign, -1);
    // Applying without picking an entry leaves both spellings as they were.
    const TAttrOps ops = CellApplyOps(state);
    EXPECT_TRUE(
        std::none_of(ops.begin(), ops.end(), [](const TAttrOp& op) { return op.Name == "align"; }));
    ApplyCellProperties(table, TCellPosition{0, 0}, state);
    EXPECT_EQ(table.Rows[0].Cells[0].Attrs.Get("align"), "center");
    EXPECT_EQ(table.Rows[0].Cells[1].Attrs.Get("align"), "CENTER");
}

TEST(CellScope, AbsentAttributeCountsAsEmptyText) {
    const TTableModel table =
        Table({{Cell({}), Cell({{"bgcolor", ""}})}, {Cell({}), Cell({{"bgcolor", "#FFF"}})}});
    EXPECT_EQ(CollectAttribute(table, {0, 0}, csRow, "bgcolor"), "");
    EXPECT_EQ(CollectAttribute(table, {0, 1}, csColumn, "bgcolor"), kNotSame);
    EXPECT_EQ(CollectAttribute(table, {0, 0}, csAllCells, "bgcolor"), kNotSame);
}

TEST(CellDialog, ScopeSetsVisibilityAndInitialCheckStates) {
    const TTableModel table = Table({{Cell({})}});
    struct Case {
        int scope;
        bool widthShown, heightShown;
    };
    for (const Case& c : {Case{csThisCell, false, false}, Case{csRow, false, true},
                          Case{csColumn, true, false}, Case{csAllCells, true, true}}) {
        const TCellDialogState s = LoadCellDialog(table, std::nullopt, c.scope);
        EXPECT_EQ(s.Width.Visible, c.widthShown) << c.scope;
        EXPECT_EQ(s.Height.Visible, c.heightShown) << c.scope;
        EXPECT_EQ(s.Width.Check, c.widthShown ? TCheckState::Unchecked : TCheckState::Greyed);
        EXPECT_EQ(s.Height.Check, c.heightShown ? TCheckState::Unchecked : TCheckState::Greyed);
    }
}

TEST(CellDialog, LoadedValuesSetEntriesChecksAndNumbers) {
    const TTableModel table = Table({{Cell({{"align", "  RIGHT "},
                                            {"valign", "top"},
                                            {"bgcolor", "#ABCDEF"},
                                            {"width", "25%"},
                                            {"height", "40"}}),
                                      Cell({{"align", "  RIGHT "},
                                            {"valign", "top"},
                                            {"bgcolor", "#ABCDEF"},
                                            {"width", "25%"},
                                            {"height", "41"}})}});
    const TCellDialogState s = LoadCellDialog(table, TCellPosition{0, 1}, csAllCells);
    EXPECT_EQ(s.Halign, 2); // "Right": lower-cased, trimmed, first letter raised
    EXPECT_EQ(s.Valign, 1); // "Top"
    EXPECT_EQ(s.BackcolorCheck, TCheckState::Checked);
    EXPECT_EQ(s.Backcolor, "#ABCDEF");
    EXPECT_EQ(s.Width.Check, TCheckState::Checked);
    EXPECT_EQ(s.Width.Number, "25");
    EXPECT_TRUE(s.Width.Percent);
    EXPECT_EQ(s.Height.Check, TCheckState::Greyed);
    EXPECT_EQ(s.Height.Number, "");

    const TTableModel odd = Table({{Cell({{"align", "middle"}})}});
    EXPECT_EQ(LoadCellDialog(odd, TCellPosition{0, 0}, csThisCell).Halign, -1);
    const TTableModel none = Table({{Cell({})}});
    const TCellDialogState empty = LoadCellDialog(none, TCellPosition{0, 0}, csAllCells);
    EXPECT_EQ(empty.Halign, 0);
    EXPECT_EQ(empty.BackcolorCheck, TCheckState::Unchecked);
    EXPECT_EQ(empty.Width.Check, TCheckState::Unchecked);
}

TEST(CellDialog, ApplyFollowsTheWritingRules) {
    TCellDialogState s;
    s.Halign = 0;
    s.Valign = 2;
    s.BackcolorCheck = TCheckState::Unchecked;
    s.Width = {true, TCheckState::Checked, "50", true};
    s.Height = {true, TCheckState::Checked, "", false};
    EXPECT_EQ(CellApplyOps(s),
              (TAttrOps{TAttrOp::Removal("align"), TAttrOp::SetTo("valign", "Middle"),
                        TAttrOp::Removal("bgcolor"), TAttrOp::SetTo("width", "50%"),
                        TAttrOp::Removal("height")}));

    s.Halign = -1;
    s.Valign = -1;
    s.BackcolorCheck = TCheckState::Checked;
    s.Backcolor = "  #00FF00 ";
    s.Width = {true, TCheckState::Greyed, "", false};
    s.Height = {true, TCheckState::Checked, "30", false};
    EXPECT_EQ(CellApplyOps(s),
              (TAttrOps{TAttrOp::SetTo("bgcolor", "#00FF00"), TAttrOp::SetTo("height", "30")}));
}

TEST(CellDialog, AllCellsWithBackcolorColoursEveryCellAndGreyedKeepsEach) {
    const TTableModel original = Table(
        {{Cell({{"bgcolor", "#111111"}}), Cell({})}, {Cell({{"bgcolor", "#222222"}}), Cell({})}});
    TTableModel table = original;
    TCellDialogState s = LoadCellDialog(table, TCellPosition{0, 0}, csAllCells);
    ASSERT_EQ(s.BackcolorCheck, TCheckState::Greyed);
    ApplyCellProperties(table, TCellPosition{0, 0}, s);
    EXPECT_EQ(table.Rows[0].Cells[0].Attrs.Get("bgcolor"), "#111111");
    EXPECT_EQ(table.Rows[1].Cells[0].Attrs.Get("bgcolor"), "#222222");
    EXPECT_FALSE(table.Rows[1].Cells[1].Attrs.Has("bgcolor"));

    s.BackcolorCheck = TCheckState::Checked;
    s.Backcolor = "#FF0000";
    ApplyCellProperties(table, TCellPosition{0, 0}, s);
    for (const TTableRow& row : table.Rows) {
        for (const TTableCell& cell : row.Cells)
            EXPECT_EQ(cell.Attrs.Get("bgcolor"), "#FF0000");
    }
}

TEST(CellDialog, HiddenSizeControlsNeverRewriteTheCell) {
    TTableModel table = Table({{Cell({{"width", "10em"}, {"height", "auto"}})}});
    TCellDialogState s = LoadCellDialog(table, TCellPosition{0, 0}, csThisCell);
    EXPECT_EQ(s.Width.Check, TCheckState::Greyed);
    EXPECT_EQ(s.Height.Check, TCheckState::Greyed);
    s.BackcolorCheck = TCheckState::Checked;
    s.Backcolor = "#000000";
    ApplyCellProperties(table, TCellPosition{0, 0}, s);
    EXPECT_EQ(table.Rows[0].Cells[0].Attrs.Get("width"), "10em");
    EXPECT_EQ(table.Rows[0].Cells[0].Attrs.Get("height"), "auto");
}

TEST(CellDialog, WithoutACellNothingIsLoadedOrWritten) {
    TTableModel table = Table({{Cell({{"align", "left"}})}});
    TCellDialogState s = LoadCellDialog(table, std::nullopt, csThisCell);
    EXPECT_EQ(s.Halign, -1);
    s.Halign = 0;
    ApplyCellProperties(table, std::nullopt, s);
    EXPECT_EQ(table.Rows[0].Cells[0].Attrs.Get("align"), "left");
}

TEST(CellDialog, ControlsFollowTheirCheckBoxes) {
    TCellDialogState s;
    s.Width = {true, TCheckState::Unchecked, "20", true};
    s.Height = {true, TCheckState::Checked, "20", true};
    s.BackcolorCheck = TCheckState::Greyed;
    s.Backcolor = "#123456";
    FollowCellChecks(s);
    EXPECT_EQ(s.Width.Number, "");
    EXPECT_FALSE(s.Width.Percent);
    EXPECT_EQ(s.Height.Number, "20");
    EXPECT_TRUE(s.Height.Percent);
    EXPECT_EQ(s.Backcolor, "");

    EXPECT_EQ(NextCheckState(TCheckState::Unchecked), TCheckState::Checked);
    EXPECT_EQ(NextCheckState(TCheckState::Checked), TCheckState::Greyed);
    EXPECT_EQ(NextCheckState(TCheckState::Greyed), TCheckState::Unchecked);
}

// ---- append row and column ---------------------------------------------------------------------

TEST(AppendRow, NewCellsCopyTheSevenPropertiesOfTheLastRow) {
    TTableModel table =
        Table({{Cell({{"width", "1"}})},
               {Cell({{"colSpan", "2"}, {"bgcolor", "#EEE"}, {"id", "a"}, {"class", "c"}}),
                Cell({{"width", "10"},
                      {"height", "5"},
                      {"align", "left"},
                      {"valign", "top"},
                      {"rowspan", "3"}})}});
    AppendRow(table);
    ASSERT_EQ(table.Rows.size(), 3u);
    const TTableRow& added = table.Rows[2];
    ASSERT_EQ(added.Cells.size(), 2u);
    EXPECT_EQ(added.Cells[0].Attrs, THtmlAttributes({{"bgcolor", "#EEE"}, {"colspan", "2"}}));
    EXPECT_EQ(added.Cells[1].Attrs, THtmlAttributes({{"width", "10"},
                                                     {"height", "5"},
                                                     {"align", "left"},
                                                     {"valign", "top"},
                                                     {"rowspan", "3"}}));
}

TEST(AppendColumn, NewLastCellCopiesTheCellBeforeIt) {
    TTableModel table = Table({{Cell({{"width", "20%"}, {"title", "t"}})}, {}});
    AppendColumn(table);
    ASSERT_EQ(table.Rows[0].Cells.size(), 2u);
    EXPECT_EQ(table.Rows[0].Cells[1].Attrs, THtmlAttributes({{"width", "20%"}}));
    ASSERT_EQ(table.Rows[1].Cells.size(), 1u);
    EXPECT_TRUE(table.Rows[1].Cells[0].Attrs.Empty());
}
