#include "model/help_window_settings.h"

#include "model/ini_file.h"

namespace parvane {

namespace {

using S = THelpWindowSettings;

constexpr const char* kSection = "CHMSetting";
constexpr const char* kDefaultFont = ",8,0";

// The keys in file order, by kind.
struct IntKey {
    const char* name;
    int S::*field;
};
struct BoolKey {
    const char* name;
    bool S::*field;
};
struct StringKey {
    const char* name;
    std::string S::*field;
};

constexpr IntKey kIntKeys[] = {
    {"Top", &S::Top},     {"Left", &S::Left},           {"Height", &S::Height},
    {"Width", &S::Width}, {"PaneWidth", &S::PaneWidth}, {"DefaultTab", &S::DefaultTab},
};

constexpr BoolKey kBoolKeys[] = {
    {"ShowMSDNMenu", &S::ShowMSDNMenu},
    {"ShowPanesToolbar", &S::ShowPanesToolbar},
    {"ShowPane", &S::ShowPane},
    {"HideToolbar", &S::HideToolbar},
    {"HideToolbarText", &S::HideToolbarText},
    {"StayOnTop", &S::StayOnTop},
    {"Maximize", &S::Maximize},
    {"Hide", &S::Hide},
    {"Locate", &S::Locate},
    {"Back", &S::Back},
    {"bForward", &S::bForward},
    {"Stop", &S::Stop},
    {"Refresh", &S::Refresh},
    {"Home", &S::Home},
    {"Print", &S::Print},
    {"Option", &S::Option},
    {"Jump1", &S::Jump1},
    {"Jump2", &S::Jump2},
    {"AutoShowHide", &S::AutoShowHide},
    {"AutoSync", &S::AutoSync},
    {"Content", &S::Content},
    {"Index", &S::Index},
    {"Search", &S::Search},
    {"Favorite", &S::Favorite},
    {"UseFolder", &S::UseFolder},
    {"AutoTrack", &S::AutoTrack},
    {"SelectRow", &S::SelectRow},
    {"PlusMinus", &S::PlusMinus},
    {"ShowSelection", &S::ShowSelection},
    {"ShowRoot", &S::ShowRoot},
    {"DrawLines", &S::DrawLines},
    {"AutoExpand", &S::AutoExpand},
    {"RightToLeft", &S::RightToLeft},
    {"LeftScroll", &S::LeftScroll},
    {"Border", &S::Border},
    {"DialogFrame", &S::DialogFrame},
    {"RaisedEdge", &S::RaisedEdge},
    {"SunkenEdge", &S::SunkenEdge},
    {"SavePosition", &S::SavePosition},
};

constexpr StringKey kStringKeys[] = {
    {"ContentsFont", &S::ContentsFont},
    {"IndexFont", &S::IndexFont},
    {"Title", &S::Title},
    {"Language", &S::Language},
    {"Font", &S::Font},
    {"DefaultTopic", &S::DefaultTopic},
};

} // namespace

void THelpWindowSettings::ResetToDefaults() {
    // UseFolder is left alone: a new project keeps the choice of the project before.
    const bool useFolder = UseFolder;
    *this = THelpWindowSettings();
    Top = 50;
    Left = 50;
    Height = 500;
    Width = 700;
    PaneWidth = 250;
    DefaultTab = 0;
    ShowMSDNMenu = HideToolbar = HideToolbarText = StayOnTop = Maximize = Jump1 = Jump2 =
        AutoShowHide = AutoTrack = SelectRow = AutoExpand = RightToLeft = LeftScroll = Border =
            DialogFrame = RaisedEdge = SunkenEdge = SavePosition = false;
    ShowPanesToolbar = ShowPane = Hide = Locate = Back = bForward = Stop = Refresh = Home = Print =
        Option = AutoSync = Content = Index = Search = Favorite = PlusMinus = ShowSelection =
            ShowRoot = DrawLines = true;
    ContentsFont = kDefaultFont;
    IndexFont = kDefaultFont;
    Title.clear();
    Language.clear();
    Font.clear();
    DefaultTopic.clear();
    UseFolder = useFolder;
}

void THelpWindowSettings::ReadFrom(const TIniFile& ini) {
    for (const IntKey& key : kIntKeys)
        this->*key.field = ini.ReadInteger(kSection, key.name, 0);
    for (const BoolKey& key : kBoolKeys)
        this->*key.field = ini.ReadBool(kSection, key.name, false);
    for (const StringKey& key : kStringKeys) {
        const bool isFont = key.field == &S::ContentsFont || key.field == &S::IndexFont;
        this->*key.field = ini.ReadString(kSection, key.name, isFont ? kDefaultFont : "");
    }
}

void THelpWindowSettings::WriteTo(std::vector<std::string>& lines) const {
    lines.emplace_back("[CHMSetting]");
    for (const IntKey& key : kIntKeys)
        lines.push_back(std::string(key.name) + "=" + std::to_string(this->*key.field));
    for (const BoolKey& key : kBoolKeys)
        lines.push_back(std::string(key.name) + "=" + (this->*key.field ? "1" : "0"));
    for (const StringKey& key : kStringKeys)
        lines.push_back(std::string(key.name) + "=" + this->*key.field);
    lines.emplace_back();
}

} // namespace parvane
