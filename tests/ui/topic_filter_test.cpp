// Find in the tree: what stays visible for a text.

#include "tree_builder.h"
#include "ui/topic_filter.h"

#include <gtest/gtest.h>

namespace parvane {
namespace {

using namespace parvane::testing;

class TopicFilter : public ::testing::Test {
protected:
    void SetUp() override {
        tree.CreateRootGroups();
        BuildTopics(tree, tree.ContentsRoot(), "Guide(Install(Linux,Windows),Usage),Index");
        BuildTopics(tree, tree.TemplatesRoot(), "Layout");
        FindTopic(tree, "Usage")->Data().Keywords = "first steps\r\nOpening Files";
        FindTopic(tree, "Index")->Data().Url = "reference\\all.htm";
    }
    std::string Visible(const std::string& text) {
        const auto visible = VisibleForFind(tree, text);
        std::string titles;
        tree.ForEach([&](TTopicNode* node) {
            if (visible.count(node))
                titles += (titles.empty() ? "" : ",") + node->Text();
        });
        return titles;
    }
    TTopicTree tree;
};

TEST_F(TopicFilter, TitlesMatchWithoutRegardToCaseAndKeepTheirAncestors) {
    EXPECT_EQ(Visible("WIND"), "Table of contents,Guide,Install,Windows");
    // "Opening" is a keyword of Usage.
    EXPECT_EQ(Visible("in"), "Table of contents,Guide,Install,Linux,Windows,Usage,Index");
    // A group's own name is no match.
    EXPECT_EQ(Visible("templates"), "");
}

TEST_F(TopicFilter, PageAddressesAndSingleKeywordsMatch) {
    EXPECT_EQ(Visible("REFERENCE\\ALL"), "Table of contents,Index");
    EXPECT_EQ(Visible("opening"), "Table of contents,Guide,Usage");
    // "steps" and "Opening" are two keywords: no match across the line break.
    EXPECT_EQ(Visible("steps\r\nopening"), "");
    EXPECT_EQ(Visible("stepsopening"), "");
}

TEST_F(TopicFilter, NothingMatchesOrNothingTyped) {
    EXPECT_EQ(Visible("zzz"), "");
    EXPECT_TRUE(VisibleForFind(tree, "").empty());
    // Every topic below a kept match is only kept when it matches itself.
    EXPECT_EQ(Visible("guide"), "Table of contents,Guide");
}

TEST_F(TopicFilter, TemplatesAndHiddenPagesAreSearchedToo) {
    EXPECT_EQ(Visible("lay"), "Templates,Layout");
}

} // namespace
} // namespace parvane
