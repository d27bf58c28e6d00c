#include "editor/edit_command_ids.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <set>

using namespace parvane;

TEST(EditCommandIds, ComponentCommandsAreSortedUniqueAndExcludeProgramCommands) {
    const auto ids = EditCmd::ComponentCommands();
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size());
    for (int id : {5000, 5004, 5012, 5035, 5051})
        EXPECT_TRUE(EditCmd::IsComponentCommand(id)) << id;
    for (int id : {4000, 4002, 4100, 4110, 5001, 5016, 5017, 5050})
        EXPECT_FALSE(EditCmd::IsComponentCommand(id)) << id;
    EXPECT_TRUE(EditCmd::IsQueryCommand(5013));
    EXPECT_FALSE(EditCmd::IsQueryCommand(5043));
}

TEST(EditCommandIds, BlockFormatsMapBothWays) {
    ASSERT_GE(BlockFormats().size(), 7u);
    EXPECT_STREQ(BlockFormats()[0].Name, "Normal");
    EXPECT_STREQ(BlockFormats()[1].Name, "Heading 1");
    EXPECT_STREQ(BlockFormats()[6].Name, "Heading 6");
    for (const auto& format : BlockFormats()) {
        EXPECT_EQ(BlockFormatName(format.Tag), format.Name);
        EXPECT_EQ(BlockFormatTag(format.Name), format.Tag);
    }
    EXPECT_EQ(BlockFormatName("H2"), "Heading 2");
    EXPECT_EQ(BlockFormatName("div"), "Normal");
    EXPECT_EQ(BlockFormatName(""), "Normal");
    EXPECT_EQ(BlockFormatTag("heading 2"), ""); // names are exact
}

TEST(EditCommandIds, FontSizesRoundTripAndClamp) {
    for (int size = 1; size <= 7; ++size)
        EXPECT_EQ(HtmlFontSizeFromPoints(PointsFromHtmlFontSize(size)), size);
    EXPECT_EQ(HtmlFontSizeFromPoints(12), 3);
    EXPECT_EQ(HtmlFontSizeFromPoints(11.5), 3);
    EXPECT_EQ(HtmlFontSizeFromPoints(10.5), 2);
    EXPECT_EQ(HtmlFontSizeFromPoints(1), 1);
    EXPECT_EQ(HtmlFontSizeFromPoints(200), 7);
    EXPECT_EQ(PointsFromHtmlFontSize(0), PointsFromHtmlFontSize(1));
    EXPECT_EQ(PointsFromHtmlFontSize(9), PointsFromHtmlFontSize(7));
}
