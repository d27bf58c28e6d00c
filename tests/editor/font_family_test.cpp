// Font names from Qt's font list as the page's style can use them.

#include "editor/font_family.h"

#include <gtest/gtest.h>

using namespace parvane;

TEST(FontFamily, FoundrySuffixIsNoPartOfTheFamily) {
    EXPECT_EQ(CssFontFamily("Nimbus Sans [urw]"), "Nimbus Sans");
    EXPECT_EQ(CssFontFamily("  DejaVu Sans Mono [PfEd] "), "DejaVu Sans Mono");
    EXPECT_EQ(CssFontFamily("Arial"), "Arial");
    EXPECT_EQ(CssFontFamily("[urw]"), "");
}

TEST(FontFamily, OfferedNamesAreFamiliesOnceAndUsable) {
    const std::vector<std::string> offered =
        ApplicableFontNames({"Nimbus Sans [urw]", "Nimbus Sans [UKWN]", "nimbus sans", "Verdana",
                             "", "Bad\"Name", "Tahoma; color: red", "Verdana"});
    EXPECT_EQ(offered, (std::vector<std::string>{"Nimbus Sans", "Verdana"}));
}
