// Tables of contents far deeper than any manual: nothing may recurse once per level or keep
// a copy of the whole path per topic, and a build deeper than the outputs can show is
// refused with a message instead of crashing or running out of memory.

#include "../support/test_project.h"
#include "model/errors.h"
#include "model/project_file.h"
#include "output/build_driver.h"
#include "output/contents.h"

#include <gtest/gtest.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

class TQuietHost : public TBuildHost {
public:
    void Info(const std::string&) override {}
};

// A chain of `depth` topics, each one level deeper than the one before; the first has a
// page, the others are headings.
std::string ChainProject(int depth) {
    std::string text = "[GENERAL]\r\nRootDir=root\\\r\nSingleHtmlFilename=index.htm\r\nCompiledFile=deep.chm\r\n\r\n[TOPICS]\r\nTitleList=" +
                       std::to_string(depth) + "\r\n";
    text.reserve(static_cast<std::size_t>(depth) * 80);
    for (int i = 0; i < depth; ++i) {
        const std::string n = std::to_string(i);
        text += "TitleList.Title." + n + "=T" + n + "\r\nTitleList.Level." + n + "=" + n +
                "\r\nTitleList.Url." + n + "=" + (i == 0 ? "page.htm" : "") +
                "\r\nTitleList.Status." + n + "=" + (i == 0 ? "0" : "2") + "\r\n";
    }
    return text;
}

TBuildResult Build(TPvx& project, OutputKind kind, const std::string& out) {
    TQuietHost host;
    TBuildRequest request;
    request.Kind = kind;
    request.Compile = false;
    if (kind == OutputKind::HtmlHelp)
        request.KeepProjectFolder = out;
    else
        request.OutputOverride = out;
    return RunBuild(project, request, host);
}

} // namespace

TEST(DeepTree, AHundredThousandLevelsLoadSaveAndAreRefusedByEveryBuild) {
    constexpr int kDepth = 100000;
    TempDir dir("pv-deep");
    WriteFile(dir / "root/page.htm", Page("Page", "<p>top</p>"));
    WriteFile(dir / "deep.pvx", ChainProject(kDepth));

    TTopicTree tree;
    TPvx project(tree);
    project.LoadFromFile(dir / "deep.pvx");
    ASSERT_EQ(tree.Count(), kDepth + 3);
    const TTopicNode* deepest = tree.ContentsRoot();
    while (deepest->HasChildren())
        deepest = deepest->FirstChild();
    EXPECT_EQ(deepest->Text(), "T" + std::to_string(kDepth - 1));
    EXPECT_EQ(deepest->Level(), kDepth);

    project.SaveToFile(dir / "again.pvx");
    EXPECT_NE(ReadFile(dir / "again.pvx").find("TitleList.Level.99999=99999\r\n"),
              std::string::npos);

    for (const OutputKind kind : {OutputKind::HtmlHelp, OutputKind::WebHelp, OutputKind::SingleHtml}) {
        const TBuildResult result = Build(project, kind, dir / "out");
        EXPECT_FALSE(result.Ok);
        EXPECT_EQ(result.Message, TooDeepMessage("T256")) << static_cast<int>(kind);
    }
    EXPECT_NE(TooDeepMessage("T256").find("more than 256 levels deep"), std::string::npos);

    // The tree frees itself without recursion too.
    project.ClearTopics();
    EXPECT_EQ(tree.Count(), 3);
}

TEST(DeepTree, TheDeepestTableTheOutputsShowBuildsAllThree) {
    TempDir dir("pv-deep-ok");
    WriteFile(dir / "root/page.htm", Page("Page", "<p>top</p>"));
    WriteFile(dir / "ok.pvx", ChainProject(kMaxContentsDepth));
    TTopicTree tree;
    TPvx project(tree);
    project.LoadFromFile(dir / "ok.pvx");

    const TBuildResult web = Build(project, OutputKind::WebHelp, dir / "web/");
    ASSERT_TRUE(web.Ok) << web.Message;
    const TBuildResult single = Build(project, OutputKind::SingleHtml, dir / "single/");
    ASSERT_TRUE(single.Ok) << single.Message;
    const std::string page = ReadFile(single.OutputFile);
    std::string deepest = "1";
    for (int i = 1; i < kMaxContentsDepth; ++i)
        deepest += ".1";
    EXPECT_NE(page.find(">" + deepest + " T255</h256>"), std::string::npos);
    const TBuildResult chm = Build(project, OutputKind::HtmlHelp, dir / "hhp");
    ASSERT_TRUE(chm.Ok) << chm.Message;
}

TEST(DeepTree, NumberingADeepListNeitherRecursesNorStoresEveryPath) {
    TestProject p;
    TContents contents(p.Project());
    constexpr int kDepth = 200000;
    for (int level = 1; level <= kDepth; ++level) {
        auto item = std::make_unique<TContentsItem>();
        item->Level = level;
        item->Position = level - 1;
        contents.Items.push_back(std::move(item));
    }
    contents.NumberItems(); // recursing per level would overflow the stack here
    EXPECT_EQ(contents.ItemNumber(0), "1.");
    EXPECT_EQ(contents.ItemNumber(3), "1.1.1.1");
    EXPECT_EQ(contents.ItemNumber(kDepth - 1).size(), 2u * kDepth - 1);
    EXPECT_TRUE(contents.Items[kDepth - 2]->HasChildren);
    EXPECT_TRUE(contents.Items[kDepth - 2]->IsLast);
    EXPECT_TRUE(contents.Items.back()->IsLast);
    EXPECT_FALSE(contents.Items.back()->HasChildren);
}

TEST(DeepTree, BuildItemsCountsLevelsAlongTheWalk) {
    TestProject p;
    p.Write("a.htm", Page("A", "a"));
    TTopicNode* a = p.Add("A", "a.htm");
    TTopicNode* b = p.Add("B", "", a, tsNoLink);
    p.Add("C", "", b, tsNoLink);
    p.Add("D", "", a, tsNoLink);
    p.Add("E", "", nullptr, tsNoLink);
    TContents contents(p.Project());
    contents.BuildItems();
    std::vector<int> levels;
    std::vector<std::string> numbers;
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        levels.push_back(contents.Items[i]->Level);
        numbers.push_back(contents.ItemNumber(i));
    }
    EXPECT_EQ(levels, (std::vector<int>{1, 2, 3, 2, 1}));
    EXPECT_EQ(numbers, (std::vector<std::string>{"1.", "1.1", "1.1.1", "1.2", "2."}));
}
