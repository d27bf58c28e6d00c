#pragma once
// The settings of the compiled help window: the [CHMSetting] section of a project. The
// HTML Help writer (output/chm_project.h) builds from a copy of them.

#include <string>
#include <vector>

namespace parvane {

class TIniFile;

struct THelpWindowSettings {
    int Top = 50, Left = 50, Height = 500, Width = 700, PaneWidth = 250, DefaultTab = 0;
    bool ShowMSDNMenu = false, ShowPanesToolbar = true, ShowPane = true, HideToolbar = false,
         HideToolbarText = false, StayOnTop = false, Maximize = false, Hide = true, Locate = true,
         Back = true, bForward = true, Stop = true, Refresh = true, Home = true, Print = true,
         Option = true, Jump1 = false, Jump2 = false, AutoShowHide = false, AutoSync = true,
         Content = true, Index = true, Search = true, Favorite = true, UseFolder = false,
         AutoTrack = false, SelectRow = false, PlusMinus = true, ShowSelection = true,
         ShowRoot = true, DrawLines = true, AutoExpand = false, RightToLeft = false,
         LeftScroll = false, Border = false, DialogFrame = false, RaisedEdge = false,
         SunkenEdge = false, SavePosition = false;
    std::string ContentsFont = ",8,0", IndexFont = ",8,0", Title, Language, Font, DefaultTopic;

    // New-project values (UseFolder keeps its value, as the project before had it).
    void ResetToDefaults();
    void Assign(const THelpWindowSettings& other) { *this = other; }
    // Reads [CHMSetting]; a missing key gives 0, false, ",8,0" for fonts, "" otherwise.
    void ReadFrom(const TIniFile& ini);
    // Appends the "[CHMSetting]" line, one line per key in file order, and an empty line.
    void WriteTo(std::vector<std::string>& lines) const;
};

} // namespace parvane
