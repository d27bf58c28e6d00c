#include "editor/page_properties.h"

#include <gtest/gtest.h>

using namespace parvane;

TEST(PageProperties, DefaultMarginsLeaveBothBoxesUnchecked) {
    const TPageProperties p =
        LoadPageProperties(THtmlAttributes({{"topmargin", "15"}, {"leftmargin", "10"}}));
    EXPECT_FALSE(p.SpecifyTop);
    EXPECT_FALSE(p.SpecifyLeft);
    const TAttrOps ops = PageApplyOps(p);
    EXPECT_EQ(ops[7], TAttrOp::Removal("topmargin"));
    EXPECT_EQ(ops[8], TAttrOp::Removal("marginheight"));
}

TEST(PageProperties, EmptyMarginChecksItsBoxAndOkRemovesIt) {
    const TPageProperties p = LoadPageProperties(THtmlAttributes({{"leftmargin", "0"}}));
    EXPECT_TRUE(p.SpecifyTop);
    EXPECT_EQ(p.Top, "");
    EXPECT_TRUE(p.SpecifyLeft);
    EXPECT_EQ(p.Left, "0");
    THtmlAttributes body({{"topmargin", ""}, {"marginheight", "3"}, {"leftmargin", "0"}});
    ApplyOps(body, PageApplyOps(p));
    EXPECT_FALSE(body.Has("topmargin"));
    EXPECT_FALSE(body.Has("marginheight"));
    EXPECT_EQ(body.Get("leftmargin"), "0");
    EXPECT_EQ(body.Get("marginwidth"), "0");
}

TEST(PageProperties, UncheckingTopMarginRemovesBothItsAttributes) {
    THtmlAttributes body({{"topmargin", "20"}, {"marginheight", "20"}});
    TPageProperties p = LoadPageProperties(body);
    ASSERT_TRUE(p.SpecifyTop);
    EXPECT_EQ(p.Top, "20");
    p.SpecifyTop = false;
    ApplyOps(body, PageApplyOps(p));
    EXPECT_FALSE(body.Has("topmargin"));
    EXPECT_FALSE(body.Has("marginheight"));
}

TEST(PageProperties, BackgroundAndColoursLoadAndWriteInOrder) {
    TPageProperties p = LoadPageProperties(THtmlAttributes({{"background", "img/bg.png"},
                                                            {"bgproperties", "FIXED"},
                                                            {"bgcolor", "#FFFFFF"},
                                                            {"link", "#0000FF"},
                                                            {"topmargin", "15"},
                                                            {"leftmargin", "10"}}));
    EXPECT_TRUE(p.HasBackground);
    EXPECT_EQ(p.BackgroundPicture, "img/bg.png");
    EXPECT_TRUE(p.Fixed);
    EXPECT_EQ(p.BackColor, (TColorSetting{true, "#FFFFFF"}));
    EXPECT_EQ(p.Text, (TColorSetting{false, ""}));
    EXPECT_EQ(p.Link, (TColorSetting{true, "#0000FF"}));

    p.Text = {true, ""}; // checked but empty: removed
    EXPECT_EQ(
        PageApplyOps(p),
        (TAttrOps{TAttrOp::SetTo("background", "img/bg.png"),
                  TAttrOp::SetTo("bgproperties", "fixed"), TAttrOp::SetTo("bgcolor", "#FFFFFF"),
                  TAttrOp::Removal("text"), TAttrOp::SetTo("link", "#0000FF"),
                  TAttrOp::Removal("vlink"), TAttrOp::Removal("alink"),
                  TAttrOp::Removal("topmargin"), TAttrOp::Removal("marginheight"),
                  TAttrOp::Removal("leftmargin"), TAttrOp::Removal("marginwidth")}));

    p.HasBackground = false;
    p.BackColor.Checked = false;
    FollowPageChecks(p);
    EXPECT_EQ(p.BackgroundPicture, "");
    EXPECT_EQ(p.BackColor.Color, "");
    EXPECT_EQ(PageApplyOps(p)[0], TAttrOp::Removal("background"));
    EXPECT_FALSE(PageEnabling(p).BackgroundPicture);
    EXPECT_TRUE(PageEnabling(p).Link);
}

TEST(PictureProperties, MinusOneHspaceShowsAsZeroAndZeroIsWrittenAsMinusOne) {
    TPictureProperties p = LoadPictureProperties(THtmlAttributes(
        {{"src", "a.png"}, {"alt", "A"}, {"align", "absMiddle"}, {"hspace", "-1"}}));
    EXPECT_EQ(p.Hspace, "0");
    EXPECT_EQ(p.Align, 6);
    EXPECT_EQ(PressedAlignButton(p.Align), 3);

    p.AltText = "";
    p.Border = "";
    p.Vspace = "2";
    EXPECT_EQ(PictureApplyOps(p),
              (TAttrOps{TAttrOp::SetTo("src", "a.png"), TAttrOp::SetTo("alt", ""),
                        TAttrOp::Removal("border"), TAttrOp::SetTo("align", "Absmiddle"),
                        TAttrOp::SetTo("hspace", "-1"), TAttrOp::SetTo("vspace", "2")}));

    p.Hspace = "5";
    p.Align = 0;
    TAttrOps ops = PictureApplyOps(p);
    EXPECT_EQ(ops[3], TAttrOp::Removal("align"));
    EXPECT_EQ(ops[4], TAttrOp::SetTo("hspace", "5"));
    p.Align = -1; // no entry: align is left as it is
    ops = PictureApplyOps(p);
    EXPECT_EQ(ops.size(), 5u);
    EXPECT_EQ(ops[3].Name, "hspace");
}

TEST(PictureProperties, EmptySpacingBoxesRemoveTheirAttributes) {
    TPictureProperties p = LoadPictureProperties(
        THtmlAttributes({{"src", "a.png"}, {"hspace", "4"}, {"vspace", "6"}}));
    p.Hspace = " ";
    p.Vspace = "";
    const TAttrOps ops = PictureApplyOps(p);
    EXPECT_EQ(ops[ops.size() - 2], TAttrOp::Removal("hspace"));
    EXPECT_EQ(ops.back(), TAttrOp::Removal("vspace"));
}

TEST(PictureProperties, AlignmentButtonsStandForSevenEntries) {
    EXPECT_EQ(PressedAlignButton(1), 0);
    EXPECT_EQ(PressedAlignButton(2), 1);
    EXPECT_EQ(PressedAlignButton(9), 2);
    EXPECT_EQ(PressedAlignButton(0), -1);
    EXPECT_EQ(PressedAlignButton(10), -1);
    EXPECT_EQ(LoadPictureProperties(THtmlAttributes()).Align, 0);
    EXPECT_EQ(LoadPictureProperties(THtmlAttributes({{"align", "sideways"}})).Align, -1);
}
