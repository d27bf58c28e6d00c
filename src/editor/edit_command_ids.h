#pragma once
// The command vocabulary of the WYSIWYG editing component: the numeric ids its callers
// issue, the statuses QueryStatus answers, the block formats that 5043 accepts and 5011
// reports, and the HTML font sizes 1..7. Shared by the component and the code that drives
// its toolbars, so both sides agree without a widget in between.

#include <span>
#include <string>
#include <string_view>

namespace parvane {

namespace EditCmd {
inline constexpr int Bold = 5000;
inline constexpr int Copy = 5002;
inline constexpr int Cut = 5003;
inline constexpr int Delete = 5004; // deletes the selection; issued by code only
inline constexpr int DeleteColumns = 5006;
inline constexpr int DeleteRows = 5007;
inline constexpr int FontDialog = 5009;
inline constexpr int GetBlockFormat = 5011;      // query: the block format name at the caret
inline constexpr int GetBlockFormatNames = 5012; // query: fills a names holder
inline constexpr int GetFontName = 5013;         // query
inline constexpr int GetFontSize = 5014;         // query: 1..7, 0 when mixed
inline constexpr int Indent = 5018;
inline constexpr int InsertColumn = 5020;
inline constexpr int InsertRow = 5021;
inline constexpr int Italic = 5023;
inline constexpr int JustifyCenter = 5024;
inline constexpr int JustifyLeft = 5025;
inline constexpr int JustifyRight = 5026;
inline constexpr int OrderList = 5030;
inline constexpr int Outdent = 5031;
inline constexpr int Paste = 5032;
inline constexpr int Redo = 5033;
inline constexpr int RemoveFormat = 5034;
inline constexpr int SelectAll = 5035;
inline constexpr int SetBackColor = 5042;
inline constexpr int SetBlockFormat = 5043;
inline constexpr int SetFontName = 5044;
inline constexpr int SetFontSize = 5045;
inline constexpr int SetForeColor = 5046;
inline constexpr int Underline = 5048;
inline constexpr int Undo = 5049;
inline constexpr int UnorderList = 5051;

// Every id the component itself performs, in ascending order.
std::span<const int> ComponentCommands();
bool IsComponentCommand(int id);
// The query commands answer a value instead of changing the document.
bool IsQueryCommand(int id);
} // namespace EditCmd

namespace EditStatus {
inline constexpr int NotSupported = 0;
inline constexpr int Disabled = 1;
inline constexpr int Enabled = 3;
inline constexpr int Latched = 7;        // the format is on at the caret
inline constexpr int Indeterminate = 11; // the selection is mixed
} // namespace EditStatus

// A paragraph format the style box offers: its display name and the element it makes.
struct TBlockFormat {
    const char* Name;
    const char* Tag; // lower case; "ol"/"ul" are the two list formats
};

// In display order; the first ("Normal") is the plain paragraph.
std::span<const TBlockFormat> BlockFormats();
// The name for the element a block is made of; "Normal" for elements that are no format
// of their own (div, td, body, ...). The tag is compared without regard to case.
std::string BlockFormatName(std::string_view tag);
// The element for a format name (exact text), or "" for an unknown name.
std::string BlockFormatTag(std::string_view name);

// HTML font sizes 1..7 and the point sizes a font dialog shows for them.
int HtmlFontSizeFromPoints(double points);
double PointsFromHtmlFontSize(int size);

} // namespace parvane
