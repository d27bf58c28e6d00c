// Real manuals from Debian packages imported and built into one page: every link to a
// place in a page must land on that place in that page's chapter, even where several
// pages use the same ids.

#include "../support/test_project.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "wizard/new_project.h"

#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>

using namespace parvane;
using namespace parvane::testing;

namespace {

class QuietHost : public TBuildHost {
public:
    void Info(const std::string&) override {}
};

// The href values of some HTML in order, found here independently of the program.
std::vector<std::string> Hrefs(const std::string& html) {
    static const std::regex attr(R"re(<a\s[^>]*?\bhref\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>"']+)))re",
                                 std::regex::icase);
    std::vector<std::string> out;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), attr);
         it != std::sregex_iterator(); ++it)
        out.push_back((*it)[1].matched   ? (*it)[1].str()
                      : (*it)[2].matched ? (*it)[2].str()
                                         : (*it)[3].str());
    return out;
}

std::set<std::string> Targets(const std::string& html) {
    static const std::regex attr(R"re(\b(?:name|id)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>"']+)))re",
                                 std::regex::icase);
    std::set<std::string> out;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), attr);
         it != std::sregex_iterator(); ++it)
        out.insert((*it)[1].matched   ? (*it)[1].str()
                   : (*it)[2].matched ? (*it)[2].str()
                                      : (*it)[3].str());
    return out;
}

struct DocFolder {
    const char* folder;
    const char* package;
};

} // namespace

class ManualFragments : public ::testing::TestWithParam<DocFolder> {};

TEST_P(ManualFragments, EveryFragmentLinkLandsInItsOwnTopic) {
    const DocFolder doc = GetParam();
    if (!fs::is_directory(doc.folder))
        GTEST_SKIP() << doc.folder << " is missing: install the Debian package " << doc.package;
    const std::string root = Paths::IncludeTrailingSlash(doc.folder);
    TempDir tmp;
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    TNewProjectOptions options;
    options.RootFolder = root;
    options.Encoding = "UTF-8";
    options.Import = true;
    NewProject(project, options);
    project.ProjectSettings.SingleHtmlHasToc = true;
    project.ProjectSettings.SingleHtmlFilename = "index.htm";
    QuietHost host;
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;
    request.OutputOverride = tmp.Folder() + "out/";
    const TBuildResult result = RunBuild(project, request, host);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::string page = ReadFile(tmp.Folder() + "out/index.htm");

    TContents contents(project);
    contents.BuildItems();
    std::map<std::string, std::size_t> topicOf; // lower-case absolute path -> first topic
    std::vector<std::string> sections(contents.Items.size());
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        if (item.HasContent)
            topicOf.emplace(StringFunc::LowerCase(Paths::UrlToPath(root, item.Url)), i);
        const std::size_t start = page.find("<a name=\"A" + std::to_string(i) + "\">");
        const std::size_t end = page.find("<a name=\"A" + std::to_string(i + 1) + "\">");
        ASSERT_NE(start, std::string::npos);
        sections[i] = page.substr(start, end == std::string::npos ? end : end - start);
    }

    std::vector<std::set<std::string>> bodyTargets, sectionTargets;
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        bodyTargets.push_back(Targets(contents.Items[i]->Body));
        sectionTargets.push_back(Targets(sections[i]));
    }

    int checked = 0;
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        if (!item.HasContent)
            continue;
        const std::vector<std::string> before = Hrefs(item.Body);
        std::vector<std::string> after = Hrefs(sections[i]);
        ASSERT_FALSE(after.empty());
        after.pop_back(); // the link back to the table of contents
        ASSERT_EQ(before.size(), after.size()) << item.Url;
        const std::string folder = Paths::ExtractFilePath(Paths::UrlToPath(root, item.Url));
        for (std::size_t k = 0; k < before.size(); ++k) {
            const std::string& link = before[k];
            const std::size_t hash = link.find('#');
            if (hash == std::string::npos || link.find(':') != std::string::npos)
                continue;
            const std::string file = link.substr(0, std::min(hash, link.find('?')));
            const std::string fragment = link.substr(hash + 1);
            const auto target = topicOf.find(StringFunc::LowerCase(
                file.empty() ? Paths::UrlToPath(root, item.Url)
                             : StringFunc::CollapseDotDot(folder + file)));
            if (target == topicOf.end() || fragment.empty())
                continue;
            const std::size_t j = target->second;
            if (!bodyTargets[j].count(fragment))
                continue; // broken in the original
            const std::string expected = "A" + std::to_string(j) + "_" + fragment;
            EXPECT_EQ(after[k], "#" + expected) << link << " in " << item.Url;
            EXPECT_TRUE(sectionTargets[j].count(expected))
                << expected << " is not in the chapter of " << contents.Items[j]->Url;
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
    std::cout << "[ " << doc.folder << ": " << checked << " fragment links land in their topic ]\n";
}

INSTANTIATE_TEST_SUITE_P(Folders, ManualFragments,
                         ::testing::Values(DocFolder{"/usr/share/doc/valgrind/html", "valgrind"},
                                           DocFolder{"/usr/share/doc/libxslt1-dev/html",
                                                     "libxslt1-dev"},
                                           DocFolder{"/usr/share/doc/libffi8/html", "libffi8"}),
                         [](const ::testing::TestParamInfo<DocFolder>& info) {
                             std::string name = info.param.package;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });
