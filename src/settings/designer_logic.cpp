#include "settings/designer_logic.h"

#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace SF = StringFunc;

const char* const DesignerTexts::Explanation =
    "Use the panel at the bottom of this window to set the properties of the CHM window. The "
    "other elements in the interface (e.g. Menus, Toolbar) have no real functions.  They only "
    "show you the window style visually. But there are some exceptions:\n"
    "\n"
    "1. Move and resize this window to set the default position and size of the window. \n"
    "2. Drag the splitter to set the width of the navigation pane on the left of the window. \n"
    "\n"
    "Click OK to save the settings and close this designer. \n"
    "Click NO to close this designer without any changes.\n"
    "\n"
    "Asterisk means the properties cannot be shown visually.";

const std::vector<TDesignerCheck>& DesignerChecks() {
    using S = THelpWindowSettings;
    using P = TDesignerPage;
    static const std::vector<TDesignerCheck> checks = {
        {"Show MSDN menu", &S::ShowMSDNMenu, false, P::Interface},
        {"With navigation pane, topic pane and button", &S::ShowPanesToolbar, false, P::Interface},
        {"Show Toolbar", &S::HideToolbar, true, P::Interface},
        {"", &S::HideToolbarText, true, P::Interface},
        {"Show Navigation Pane", &S::ShowPane, false, P::Interface},
        {"Hide/Show", &S::Hide, false, P::Toolbar},
        {"Locate", &S::Locate, false, P::Toolbar},
        {"Back", &S::Back, false, P::Toolbar},
        {"Forward", &S::bForward, false, P::Toolbar},
        {"Stop", &S::Stop, false, P::Toolbar},
        {"Refresh", &S::Refresh, false, P::Toolbar},
        {"Home", &S::Home, false, P::Toolbar},
        {"Print", &S::Print, false, P::Toolbar},
        {"Option", &S::Option, false, P::Toolbar},
        {"", &S::Jump1, false, P::Toolbar},
        {"", &S::Jump2, false, P::Toolbar},
        {"Contents", &S::Content, false, P::Nav},
        {"Index", &S::Index, false, P::Nav},
        {"Search", &S::Search, false, P::Nav},
        {"Favorite", &S::Favorite, false, P::Nav},
        {"Auto Sync*", &S::AutoSync, false, P::Nav},
        {"Auto Show/Hide*", &S::AutoShowHide, false, P::Nav},
        {"Use folders instead of books", &S::UseFolder, false, P::Toc},
        {"Automatically track selection", &S::AutoTrack, false, P::Toc},
        {"Select entire row", &S::SelectRow, false, P::Toc},
        {"Plus/Minus squares", &S::PlusMinus, false, P::Toc},
        {"Show selection when focus lost", &S::ShowSelection, false, P::Toc},
        {"Start line from the root", &S::ShowRoot, false, P::Toc},
        {"Draw lines between items", &S::DrawLines, false, P::Toc},
        {"Only expand a single heading", &S::AutoExpand, false, P::Toc},
        {"Right-to-left reading order*", &S::RightToLeft, false, P::Toc},
        {"Scroll bar on left side*", &S::LeftScroll, false, P::Toc},
        {"Border*", &S::Border, false, P::Toc},
        {"Dialog Frame*", &S::DialogFrame, false, P::Toc},
        {"Raised edge*", &S::RaisedEdge, false, P::Toc},
        {"Sunken edge*", &S::SunkenEdge, false, P::Toc},
        {"Save Position*", &S::SavePosition, false, P::Other},
        {"Stay on top*", &S::StayOnTop, false, P::Other},
        {"Maximize(Called by other programs only)", &S::Maximize, false, P::Other},
    };
    return checks;
}

bool CheckState(const THelpWindowSettings& settings, const TDesignerCheck& check) {
    return settings.*check.Setting != check.Inverted;
}

void SetCheckState(THelpWindowSettings& settings, const TDesignerCheck& check, bool checked) {
    settings.*check.Setting = checked != check.Inverted;
}

namespace {

bool AnyTab(const THelpWindowSettings& s) {
    return s.Content || s.Index || s.Search || s.Favorite;
}

} // namespace

TMockup MockupOf(const THelpWindowSettings& s) {
    TMockup m;
    const bool panes = s.ShowPanesToolbar;
    const bool paneShown = s.ShowPane && AnyTab(s);
    m.MenuBar = s.ShowMSDNMenu;
    m.Toolbar = panes && !s.HideToolbar;
    m.ToolbarText = !s.HideToolbarText;
    m.Pane = panes && paneShown;
    m.HideShowCaption = paneShown ? "Hide" : "Show";
    m.HideCheckEnabled = AnyTab(s);
    m.LocateCheckEnabled = s.Content;
    m.ToolbarPage = panes;
    m.NavPage = panes;
    m.TocPage = panes && s.Content;
    m.Buttons = {s.Hide, s.Locate, s.Back,   s.bForward, s.Stop, s.Refresh,
                 s.Home, s.Print,  s.Option, s.Jump1,    s.Jump2};
    m.Tabs = {s.Content, s.Index, s.Search, s.Favorite};
    return m;
}

void ApplyMockupRules(THelpWindowSettings& s) {
    if (!AnyTab(s))
        s.Hide = false;
    if (!s.Content)
        s.Locate = false;
}

int SampleNodeImage(bool useFolders, bool expanded) {
    return (useFolders ? 2 : 0) + (expanded ? 1 : 0);
}

// ---- the designer's state ---------------------------------------------------------------------

void TDesignerModel::ClassToControl(const THelpWindowSettings& settings) {
    controls_ = settings;
    rect_ = {settings.Left, settings.Top, settings.Width, settings.Height};
}

void TDesignerModel::ControlToClass(THelpWindowSettings& settings) const {
    // Settings the designer does not show (title, language, default topic...) stay.
    for (const TDesignerCheck& check : DesignerChecks())
        settings.*check.Setting = controls_.*check.Setting;
    settings.DefaultTab = controls_.DefaultTab;
    settings.PaneWidth = controls_.PaneWidth;
    settings.ContentsFont = controls_.ContentsFont;
    settings.IndexFont = controls_.IndexFont;
    settings.Left = rect_.Left;
    settings.Top = rect_.Top;
    settings.Width = rect_.Width;
    settings.Height = rect_.Height;
}

void TDesignerModel::CaptureRect(const TDesignerRect& windowBounds, bool maximised) {
    if (!maximised)
        rect_ = windowBounds;
}

std::string TDesignerModel::Title() const {
    return std::string(DesignerTexts::Caption) + " - [L:" + std::to_string(rect_.Left) +
           ",T:" + std::to_string(rect_.Top) + ",W:" + std::to_string(rect_.Width) +
           ",H:" + std::to_string(rect_.Height) + "]";
}

int TDesignerModel::CheckToTable(std::string_view tabName) {
    const auto& tabs = DesignerTexts::DefaultTabs;
    const auto it = std::find(tabs.begin(), tabs.end(), tabName);
    if (it == tabs.end())
        return -1;
    controls_.DefaultTab = static_cast<int>(it - tabs.begin());
    return controls_.DefaultTab;
}

std::string TDesignerModel::TableToCheck(int tabIndex) {
    const auto& tabs = DesignerTexts::DefaultTabs;
    if (tabIndex < 0 || tabIndex >= static_cast<int>(tabs.size()))
        return {};
    controls_.DefaultTab = tabIndex;
    return tabs[static_cast<std::size_t>(tabIndex)];
}

// ---- the font dialog ------------------------------------------------------------------------

const std::vector<std::string>& FontCharsetList() {
    // clang-format off
    static const std::vector<std::string> list = {
        "0   ANSI",
        "1   DEFAULT",
        "2   SYMBOL",
        "77  MAC",
        "128 SHIFTJIS - Japanese",
        "129 HANGEUL - KOREAN",
        "130 JOHAB - KOREAN",
        "134 GB2312 - (PRC) Chinese (Simplified)",
        "136 CHINESE BIG5 - Chinese (Traditional)",
        "161 GREEK",
        "162 TURKISH",
        "163 VIETNAMESE",
        "177 HEBREW",
        "178 ARABIC Simplified",
        "179 ARABIC Traditional",
        "180 ARABIC user",
        "181 HEBREW user",
        "186 BALTIC",
        "204 RUSSIAN",
        "222 THAI",
        "238 EASTEUROPE",
        "254 PC437",
        "255 OEM",
    };
    // clang-format on
    return list;
}

std::string CharsetNumberOf(std::string_view entry) {
    return std::string(entry.substr(0, entry.find(' ')));
}

TFontChoice ParseDesignerFont(std::string_view text) {
    TFontChoice choice;
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.emplace_back(
            text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() < 3)
        return choice;
    choice.Face = parts[0];
    const std::string size = SF::Trim(parts[1]);
    if (!size.empty() && size.size() <= 3 &&
        std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const int value = std::stoi(size);
        if (value >= 1)
            choice.Size = value;
    }
    const std::string charset = SF::Trim(parts[2]);
    const auto& list = FontCharsetList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (CharsetNumberOf(list[i]) == charset) {
            choice.CharsetIndex = static_cast<int>(i);
            break;
        }
    }
    return choice;
}

std::string DesignerFontString(const TFontChoice& choice) {
    const auto& list = FontCharsetList();
    const int index = std::clamp(choice.CharsetIndex, 0, static_cast<int>(list.size()) - 1);
    return choice.Face + "," + std::to_string(std::clamp(choice.Size, 1, 999)) + "," +
           CharsetNumberOf(list[static_cast<std::size_t>(index)]);
}

std::string SampleFaceOf(std::string_view face) {
    return face.empty() ? DesignerTexts::SampleFace : std::string(face);
}

} // namespace parvane
