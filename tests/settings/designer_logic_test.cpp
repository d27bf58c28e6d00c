#include "settings/designer_logic.h"

#include <gtest/gtest.h>
#include <set>

using namespace parvane;

namespace {

const TDesignerCheck& Check(const std::string& caption) {
    for (const TDesignerCheck& c : DesignerChecks()) {
        if (caption == c.Caption)
            return c;
    }
    throw std::runtime_error("no check box " + caption);
}

} // namespace

TEST(DesignerFont, StringIsFaceSizeAndCharsetNumber) {
    EXPECT_EQ(DesignerFontString({"Arial", 10, 0}), "Arial,10,0");
    EXPECT_EQ(ParseDesignerFont("Arial,10,0"), (TFontChoice{"Arial", 10, 0}));
    const TFontChoice russian = ParseDesignerFont("Tahoma,9,204");
    EXPECT_EQ(FontCharsetList()[static_cast<std::size_t>(russian.CharsetIndex)], "204 RUSSIAN");
    EXPECT_EQ(DesignerFontString(russian), "Tahoma,9,204");
    EXPECT_EQ(ParseDesignerFont(",8,0"), (TFontChoice{"", 8, 0}));
}

TEST(DesignerFont, ShortOrOddStringsLeaveTheDefaults) {
    EXPECT_EQ(ParseDesignerFont("Arial,10"), TFontChoice());
    EXPECT_EQ(ParseDesignerFont(""), TFontChoice());
    EXPECT_EQ(ParseDesignerFont("Arial,huge,99"), (TFontChoice{"Arial", 8, 0}));
    EXPECT_EQ(ParseDesignerFont("Arial,0,77"), (TFontChoice{"Arial", 8, 3}));
    EXPECT_EQ(SampleFaceOf(""), "MS Sans Serif");
    EXPECT_EQ(SampleFaceOf("Arial"), "Arial");
}

TEST(DesignerFont, CharsetListHasTheTwentyThreeEntries) {
    const auto& list = FontCharsetList();
    ASSERT_EQ(list.size(), 23u);
    EXPECT_EQ(list.front(), "0   ANSI");
    EXPECT_EQ(list.back(), "255 OEM");
    EXPECT_EQ(CharsetNumberOf("128 SHIFTJIS - Japanese"), "128");
    EXPECT_EQ(CharsetNumberOf(list[3]), "77");
}

TEST(DesignerChecks, EveryCheckBoxEditsItsOwnSetting) {
    // Member pointers have no order: tell them apart by the field each one reaches.
    const THelpWindowSettings probe;
    std::set<const bool*> fields;
    for (const TDesignerCheck& c : DesignerChecks())
        EXPECT_TRUE(fields.insert(&(probe.*c.Setting)).second) << c.Caption;
    EXPECT_EQ(fields.size(), 39u);

    std::vector<std::string> toc;
    for (const TDesignerCheck& c : DesignerChecks()) {
        if (c.Page == TDesignerPage::Toc)
            toc.push_back(c.Caption);
    }
    EXPECT_EQ(toc.size(), 14u);
    EXPECT_EQ(toc.front(), "Use folders instead of books");
    EXPECT_EQ(toc.back(), "Sunken edge*");

    THelpWindowSettings s;
    s.HideToolbar = true;
    EXPECT_FALSE(CheckState(s, Check("Show Toolbar")));
    SetCheckState(s, Check("Show Toolbar"), true);
    EXPECT_FALSE(s.HideToolbar);
}

TEST(DesignerMockup, ClearingAllTabsHidesThePaneAndDisablesHideShow) {
    THelpWindowSettings s;
    s.Content = s.Index = s.Search = s.Favorite = false;
    s.Hide = true;
    ApplyMockupRules(s);
    EXPECT_FALSE(s.Hide);
    const TMockup m = MockupOf(s);
    EXPECT_FALSE(m.Pane);
    EXPECT_EQ(m.HideShowCaption, "Show");
    EXPECT_FALSE(m.HideCheckEnabled);

    s.Index = true;
    EXPECT_TRUE(MockupOf(s).Pane);
    EXPECT_EQ(MockupOf(s).HideShowCaption, "Hide");
    s.ShowPane = false;
    EXPECT_FALSE(MockupOf(s).Pane);
    EXPECT_EQ(MockupOf(s).HideShowCaption, "Show");
}

TEST(DesignerMockup, ClearingContentsClearsLocateAndHidesTheTocPage) {
    THelpWindowSettings s;
    ASSERT_TRUE(s.Locate);
    EXPECT_TRUE(MockupOf(s).TocPage);
    s.Content = false;
    ApplyMockupRules(s);
    EXPECT_FALSE(s.Locate);
    const TMockup m = MockupOf(s);
    EXPECT_FALSE(m.LocateCheckEnabled);
    EXPECT_FALSE(m.TocPage);
    EXPECT_EQ(m.Tabs, (std::vector<bool>{false, true, true, true}));
}

TEST(DesignerMockup, WithoutPanesOnlyTheTopicPaneShows) {
    THelpWindowSettings s;
    s.ShowPanesToolbar = false;
    const TMockup m = MockupOf(s);
    EXPECT_FALSE(m.Toolbar);
    EXPECT_FALSE(m.Pane);
    EXPECT_FALSE(m.ToolbarPage);
    EXPECT_FALSE(m.NavPage);
    EXPECT_FALSE(m.TocPage);
    s.ShowPanesToolbar = true;
    s.HideToolbar = true;
    EXPECT_FALSE(MockupOf(s).Toolbar);
    EXPECT_TRUE(MockupOf(s).Pane);
    EXPECT_EQ(SampleNodeImage(true, true), 3);
    EXPECT_EQ(SampleNodeImage(false, false), 0);
}

TEST(DesignerModel, MaximisingDoesNotChangeTheStoredRectangle) {
    THelpWindowSettings s;
    s.Left = 10;
    s.Top = 20;
    s.Width = 600;
    s.Height = 400;
    TDesignerModel model;
    model.ClassToControl(s);
    EXPECT_EQ(model.Title(), "Help window designer - [L:10,T:20,W:600,H:400]");
    model.CaptureRect({0, 0, 1920, 1080}, true);
    EXPECT_EQ(model.Rect(), (TDesignerRect{10, 20, 600, 400}));
    model.CaptureRect({30, 40, 700, 500}, false);
    EXPECT_EQ(model.Title(), "Help window designer - [L:30,T:40,W:700,H:500]");

    THelpWindowSettings out;
    out.Title = "kept";
    model.SetPaneWidth(180);
    model.Controls().Search = false;
    model.Controls().IndexFont = "Arial,10,0";
    model.ControlToClass(out);
    EXPECT_EQ(out.Left, 30);
    EXPECT_EQ(out.Top, 40);
    EXPECT_EQ(out.Width, 700);
    EXPECT_EQ(out.Height, 500);
    EXPECT_EQ(out.PaneWidth, 180);
    EXPECT_FALSE(out.Search);
    EXPECT_EQ(out.IndexFont, "Arial,10,0");
    EXPECT_EQ(out.Title, "kept");
}

TEST(DesignerModel, DefaultTabListAndTabsFollowEachOther) {
    TDesignerModel model;
    model.ClassToControl(THelpWindowSettings());
    EXPECT_EQ(model.CheckToTable("Search"), 2);
    EXPECT_EQ(model.DefaultTab(), 2);
    EXPECT_EQ(model.TableToCheck(1), "Index");
    EXPECT_EQ(model.DefaultTab(), 1);
    EXPECT_EQ(model.CheckToTable("Nowhere"), -1);
    EXPECT_EQ(model.DefaultTab(), 1);
}
