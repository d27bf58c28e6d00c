// Imports folders of HTML documentation that Debian packages ship (written by others, with
// their own habits) and builds them into one page: every page body, picture and internal
// link must come through intact.

#include "../support/test_project.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "wizard/new_project.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

using namespace parvane;
using namespace parvane::testing;

namespace {

class QuietHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

// The text of some HTML, line breaks included (they separate words and shape <pre>).
std::string StripTags(const std::string& html) {
    std::string out;
    bool inTag = false;
    for (char c : html) {
        if (c == '<')
            inTag = true;
        else if (c == '>')
            inTag = false;
        else if (!inTag)
            out += c;
    }
    return out;
}

// The inner HTML of a page's body, found here independently of the program.
std::string BodyOf(const std::string& html) {
    static const std::regex open(R"re(<body[^>]*>)re", std::regex::icase);
    static const std::regex close(R"re(</body)re", std::regex::icase);
    std::smatch start, end;
    if (!std::regex_search(html, start, open))
        return "";
    const std::string rest = start.suffix();
    if (!std::regex_search(rest, end, close))
        return "";
    return rest.substr(0, static_cast<std::size_t>(end.position(0)));
}

struct Link {
    std::string attribute; // "href" or "src"
    std::string value;
};

std::vector<Link> Links(const std::string& html) {
    static const std::regex attr(R"re(\b(href|src)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>"']+)))re",
                                 std::regex::icase);
    std::vector<Link> out;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), attr);
         it != std::sregex_iterator(); ++it) {
        const auto& m = *it;
        std::string value = m[2].matched ? m[2].str() : m[3].matched ? m[3].str() : m[4].str();
        out.push_back(
            {StringFunc::LowerCase(m[1].str()), StringFunc::ReplaceAll(value, "&amp;", "&")});
    }
    return out;
}

std::set<std::string> AnchorNames(const std::string& html) {
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

bool IsExternal(const std::string& link) {
    const auto colon = link.find(':');
    const auto slash = link.find('/');
    return link.empty() || link[0] == '/' ||
           (colon != std::string::npos && (slash == std::string::npos || colon < slash));
}

std::string WithoutFragment(const std::string& link) {
    return link.substr(0, link.find_first_of("#?"));
}

// Percent-escapes as a browser undoes them in a relative link.
std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() &&
            std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

struct DocFolder {
    const char* folder;
    const char* package;
};

} // namespace

class DebianDocs : public ::testing::TestWithParam<DocFolder> {};

TEST_P(DebianDocs, ImportedAndBuiltIntoOnePageWithEveryBodyPictureAndLinkIntact) {
    const DocFolder doc = GetParam();
    if (!fs::is_directory(doc.folder))
        GTEST_SKIP() << doc.folder << " is missing: install the Debian package " << doc.package
                     << " (scripts/setup does)";
    const std::string root = Paths::IncludeTrailingSlash(doc.folder);
    const auto before = Snapshot(root);

    TempDir tmp;
    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    TNewProjectOptions options;
    options.Title = doc.package;
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
    const std::string out = tmp.Folder() + "out/";
    const std::string page = ReadFile(out + "index.htm");

    // Every page's text, in order, under its own anchor.
    TContents contents(project);
    contents.BuildItems();
    int pages = 0;
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        const std::string anchor = "<a name=\"A" + std::to_string(i) + "\">";
        const std::size_t start = page.find(anchor);
        ASSERT_NE(start, std::string::npos) << item.Url;
        if (item.Status != tsLinked)
            continue;
        ASSERT_TRUE(item.HasContent) << item.Url;
        ++pages;
        const std::size_t bodyStart = page.find("\r\n", start) + 2;
        const std::size_t end = page.find("\r\n<p align=\"right\" class=\"back\">", bodyStart);
        ASSERT_NE(end, std::string::npos) << item.Url;
        const std::string source =
            StringFunc::LoadTextFile(Paths::UrlToPath(root, item.Url), "UTF-8");
        EXPECT_EQ(StripTags(page.substr(bodyStart, end - bodyStart)), StripTags(BodyOf(source)))
            << "body text of " << item.Url;
    }
    EXPECT_GT(pages, 10);

    // Pictures and internal links resolve inside the output, to the same bytes. A link that
    // was broken in the original stays as it was: a fragment that no page defines, or a
    // link of a page in a sub-folder that names nothing from that folder.
    const std::set<std::string> anchors = AnchorNames(page);
    std::set<std::string> originalAnchors;
    for (const auto& item : contents.Items)
        for (const std::string& name : AnchorNames(item->Body))
            originalAnchors.insert(name);
    int pictures = 0, links = 0, fragments = 0;
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        if (!item.HasContent)
            continue;
        const std::size_t start = page.find("<a name=\"A" + std::to_string(i) + "\">");
        const std::size_t end = page.find("<a name=\"A" + std::to_string(i + 1) + "\">");
        const std::string section =
            page.substr(start, end == std::string::npos ? end : end - start);
        const std::string pageFolder = Paths::ExtractFilePath(Paths::UrlToPath(root, item.Url));
        for (const Link& link : Links(section)) {
            if (link.value.rfind("#", 0) == 0) {
                const std::string name = link.value.substr(1);
                if (!originalAnchors.count(name) && !anchors.count(name))
                    continue;
                ++fragments;
                EXPECT_TRUE(anchors.count(name)) << "no anchor for " << link.value;
                continue;
            }
            if (IsExternal(link.value))
                continue;
            const std::string rel = Unescape(WithoutFragment(link.value));
            if (rel.empty())
                continue;
            const std::string source =
                Paths::ResolveExisting(StringFunc::CollapseDotDot(root + rel));
            if (source.empty() || !StringFunc::StartsWithText(source, root))
                continue; // broken in the original, or outside the folder
            const std::string copy = out + rel;
            if (!fs::is_regular_file(copy)) {
                if (Paths::ResolveExisting(StringFunc::CollapseDotDot(pageFolder + rel)).empty())
                    continue; // broken from its own page's folder: left as written
                ADD_FAILURE() << link.attribute << "=\"" << link.value << "\" of " << item.Url
                              << " has no copy in the output";
                continue;
            }
            EXPECT_EQ(ReadFile(copy), ReadFile(source)) << rel;
            (link.attribute == "src" ? pictures : links)++;
        }
    }
    std::cout << "[ " << doc.folder << ": " << pages << " pages, " << fragments << " anchor links, "
              << links << " file links, " << pictures << " pictures ]\n";
    EXPECT_EQ(Snapshot(root), before) << "the build changed the documentation folder";
}

INSTANTIATE_TEST_SUITE_P(Folders, DebianDocs,
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
