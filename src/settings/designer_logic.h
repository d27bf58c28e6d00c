#pragma once
// The widget-free side of the help window designer: which control edits which window
// setting, the mock-up rules (what shows, what is enabled, what is forced off), the window
// rectangle capture with its title, the default-tab list, and the font dialog's string
// format with its character-set list.
//
// The designer edits a working copy of THelpWindowSettings: ClassToControl loads it,
// every check box writes into it (through DesignerChecks), ApplyMockupRules runs after each
// change, MockupOf tells the widgets what to show, and ControlToClass writes it back on OK.

#include "model/help_window_settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

namespace DesignerTexts {
inline constexpr const char* Caption = "Help window designer";
inline const std::vector<std::string> DefaultTabs = {"Contents", "Index", "Search", "Favorites"};
inline constexpr const char* SampleFace = "MS Sans Serif"; // the sample's face for an empty one
inline constexpr const char* SampleText = "AaBbYyZz";
inline constexpr const char* ContentsFontTitle = "Font of Contents";
inline constexpr const char* IndexFontTitle = "Font of Index";
// The read-only text of the mock topic pane, lines separated by "\n".
extern const char* const Explanation;
} // namespace DesignerTexts

// The panel page a check box lies on.
enum class TDesignerPage { Interface, Toolbar, Nav, Toc, Other };

// One check box of the panel and the setting it edits (inverted: checked means false).
struct TDesignerCheck {
    const char* Caption; // "" for the tool bar's show-text box and the two jump buttons
    bool THelpWindowSettings::*Setting;
    bool Inverted;
    TDesignerPage Page;
};
// Every check box, page by page; the TOC page's entries in their list order.
const std::vector<TDesignerCheck>& DesignerChecks();
bool CheckState(const THelpWindowSettings& settings, const TDesignerCheck& check);
void SetCheckState(THelpWindowSettings& settings, const TDesignerCheck& check, bool checked);

// The window rectangle the designer edits.
struct TDesignerRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TDesignerRect&) const = default;
};

// What the mock-up shows for the current settings.
struct TMockup {
    bool MenuBar = false;        // "Show MSDN menu"
    bool Toolbar = false;        // the tool bar
    bool ToolbarText = false;    // captions under the tool buttons
    bool Pane = false;           // navigation pane and splitter
    std::string HideShowCaption; // "Hide", or "Show" while the pane is hidden
    bool HideCheckEnabled = false;
    bool LocateCheckEnabled = false;
    bool ToolbarPage = false, NavPage = false, TocPage = false; // pages of the panel
    // Visible tool buttons in tool bar order: Hide/Show, Locate, Back, Forward, Stop,
    // Refresh, Home, Print, Option, Jump 1, Jump 2.
    std::vector<bool> Buttons;
    // Visible navigation tabs: Contents, Index, Search, Favorites.
    std::vector<bool> Tabs;
};
TMockup MockupOf(const THelpWindowSettings& settings);
// The forced states: "Hide/Show" cleared when no tab is left, "Locate" cleared without
// "Contents".
void ApplyMockupRules(THelpWindowSettings& settings);
// The image of a sample tree node: 0 closed book, 1 open book, 2 closed folder, 3 open
// folder.
int SampleNodeImage(bool useFolders, bool expanded);

// The designer's state between ClassToControl and ControlToClass.
class TDesignerModel {
public:
    // Loads the controls, the rectangle (Left, Top, Width, Height), the pane width and
    // the two font strings from settings.
    void ClassToControl(const THelpWindowSettings& settings);
    // Writes every setting back; the rectangle is the last one captured, not the window's
    // bounds at this moment.
    void ControlToClass(THelpWindowSettings& settings) const;

    THelpWindowSettings& Controls() { return controls_; }
    const THelpWindowSettings& Controls() const { return controls_; }
    const TDesignerRect& Rect() const { return rect_; }
    int PaneWidth() const { return controls_.PaneWidth; }
    void SetPaneWidth(int width) { controls_.PaneWidth = width; }

    // The 500 ms timer: copies the window's bounds unless it is maximised.
    void CaptureRect(const TDesignerRect& windowBounds, bool maximised);
    // "Help window designer - [L:left,T:top,W:width,H:height]" of the captured rectangle.
    std::string Title() const;

    // The default-tab list changed: the navigation tab to activate (-1 for an unknown name).
    int CheckToTable(std::string_view tabName);
    // The author switched navigation tab: the entry of the default-tab list to select.
    std::string TableToCheck(int tabIndex);
    int DefaultTab() const { return controls_.DefaultTab; }

private:
    THelpWindowSettings controls_;
    TDesignerRect rect_;
};

// ---- the font dialog ------------------------------------------------------------------------

// The character sets of the font dialog: the number, blanks and a name ("0   ANSI").
const std::vector<std::string>& FontCharsetList();
// The leading number of a character-set entry ("128 SHIFTJIS - Japanese" -> "128").
std::string CharsetNumberOf(std::string_view entry);

struct TFontChoice {
    std::string Face;     // "" for the default face
    int Size = 8;         // 1..999
    int CharsetIndex = 0; // index into FontCharsetList
    bool operator==(const TFontChoice&) const = default;
};
// Opening: "face,size,charset"; a string of fewer than three parts, a size that is not a
// number in 1..999 or an unknown character set leaves the defaults of that part.
TFontChoice ParseDesignerFont(std::string_view text);
// OK: face + "," + size + "," + the character set's number ("Arial,10,0").
std::string DesignerFontString(const TFontChoice& choice);
// The face the sample (and the mock-up's tree or list) is drawn in.
std::string SampleFaceOf(std::string_view face);

} // namespace parvane
