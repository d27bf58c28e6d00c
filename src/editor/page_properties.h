#pragma once
// The widget-free rules of the picture-properties and page-properties dialogs: what each
// shows for an element's attributes, how the controls follow their check boxes, and what
// OK writes (as attribute operations, in writing order).

#include "editor/html_attributes.h"

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// ---- picture properties ------------------------------------------------------------------

namespace PictureTexts {
inline constexpr const char* Caption = "Picture properties";
inline const std::vector<std::string> Alignments = {"Default", "Left",      "Right",     "Top",
                                                    "Texttop", "Middle",    "Absmiddle", "Baseline",
                                                    "Bottom",  "Absbottom", "Center"};
// The seven alignment buttons in toolbar order, as entries of Alignments.
inline const std::vector<int> ButtonEntries = {1, 2, 9, 6, 3, 8, 5};
inline constexpr const char* LeftButtonHint =
    "Aligns the object to the left of the surrounding text. All preceding and subsequent text "
    "flows to the right of the object. ";
inline constexpr const char* RightButtonHint =
    "Aligns the object to the right of the surrounding text. All subsequent text flows to the "
    "left of the object. ";
} // namespace PictureTexts

struct TPictureProperties {
    std::string Source;  // "Picture Source:"
    std::string AltText; // "Alternative text:"
    int Align = 0;       // index into PictureTexts::Alignments, -1 for none
    std::string Border, Hspace, Vspace;
};

// The dialog loaded from a picture's attributes ("-1" horizontal spacing shows as "0").
TPictureProperties LoadPictureProperties(const THtmlAttributes& img);
// The alignment button that shows pressed for an entry (index into ButtonEntries), or -1.
int PressedAlignButton(int alignEntry);
// OK: src, alt (also when empty), border (removed when empty), align (removed for
// "Default", left when no entry is selected), hspace ("0" is written as "-1"), vspace.
TAttrOps PictureApplyOps(const TPictureProperties& picture);

// ---- page properties ---------------------------------------------------------------------

namespace PageTexts {
inline constexpr const char* Caption = "Page properties";
// Margins the page has without any set: they leave their boxes unchecked.
inline constexpr const char* DefaultTopMargin = "15";
inline constexpr const char* DefaultLeftMargin = "10";
} // namespace PageTexts

struct TColorSetting {
    bool Checked = false;
    std::string Color; // the colour field's text
    bool operator==(const TColorSetting&) const = default;
};

struct TPageProperties {
    bool HasBackground = false;
    std::string BackgroundPicture;
    bool Fixed = false;
    TColorSetting BackColor, Text, Link, VisitedLink, ActiveLink;
    bool SpecifyTop = false;
    std::string Top;
    bool SpecifyLeft = false;
    std::string Left;
};

// The dialog loaded from the body element's attributes.
TPageProperties LoadPageProperties(const THtmlAttributes& body);
// The controls following their check boxes: no background picture empties the picture box;
// an unchecked colour empties its field. (Margin boxes keep their text while disabled.)
void FollowPageChecks(TPageProperties& page);
// What the controls enable: the picture box, its "..." and "Fixed" follow "Has background
// picture"; every colour field and margin box follows its own check box.
struct TPageEnabling {
    bool BackgroundPicture = false; // picture box, "..." and "Fixed"
    bool BackColor = false, Text = false, Link = false, VisitedLink = false, ActiveLink = false;
    bool Top = false, Left = false;
};
TPageEnabling PageEnabling(const TPageProperties& page);
// OK, in writing order: background, bgproperties, bgcolor, text, link, vlink, alink,
// topmargin and marginheight, leftmargin and marginwidth.
TAttrOps PageApplyOps(const TPageProperties& page);

} // namespace parvane
