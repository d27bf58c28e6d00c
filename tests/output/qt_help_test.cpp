#include "../support/test_project.h"
#include "output/contents.h"
#include "output/qt_help.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

using namespace parvane;
using namespace parvane::testing;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// The (depth, title, ref) of every section of a .qhp, in document order, read back with an
// XML parser.
struct Section {
    int Depth;
    std::string Title;
    std::string Ref;
    bool operator==(const Section&) const = default;
};

void Walk(xmlNode* node, int depth, std::vector<Section>& out) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        const std::string name = reinterpret_cast<const char*>(node->name);
        int childDepth = depth;
        if (name == "section") {
            xmlChar* title = xmlGetProp(node, BAD_CAST "title");
            xmlChar* ref = xmlGetProp(node, BAD_CAST "ref");
            out.push_back({depth, reinterpret_cast<char*>(title), reinterpret_cast<char*>(ref)});
            xmlFree(title);
            xmlFree(ref);
            childDepth = depth + 1;
        }
        Walk(node->children, childDepth, out);
    }
}

std::vector<Section> Sections(const std::string& qhp) {
    std::vector<Section> out;
    xmlDocPtr doc =
        xmlReadMemory(qhp.data(), static_cast<int>(qhp.size()), "p.qhp", nullptr, XML_PARSE_NONET);
    if (!doc)
        return out;
    Walk(xmlDocGetRootElement(doc), 0, out);
    xmlFreeDoc(doc);
    return out;
}

} // namespace

TEST(QtHelpProject, ContentsKeywordsWithContextIdsAndFiles) {
    TestProject p;
    p.Project().ProjectSettings.Title = "Tom & Jerry's \"Help\"";
    p.Write("a.htm", Page("A", "a"));
    p.Write("sub/b.htm", Page("B", "b"));
    p.Write("c.htm", Page("C", "c"));
    TTopicNode* a = p.Add("Intro <1>", "a.htm");
    a->Data().Keywords = "start\r\nmenus/file//save";
    a->Data().ContextNumber = "1001";
    TTopicNode* heading = p.Add("Heading", "", nullptr, tsNoLink);
    TTopicNode* b = p.Add("B", "sub\\b.htm", heading);
    b->Data().ContextNumber = "1002";
    b->Data().Keywords = "start";
    TTopicNode* c = p.Add("C", "c.htm");
    c->Data().ContextNumber = "1001"; // the same number again: the first topic keeps it

    TContents contents(p.Project());
    contents.BuildItems();
    const std::string qhp = BuildQtHelpProject(contents, QtHelpNamespace(p.Project()),
                                               {"a.htm", "sub/b.htm", "c.htm", "img/x y.png"});

    EXPECT_THAT(qhp, HasSubstr("<namespace>org.parvane.tom-jerry-s-help</namespace>"));
    // The title section holds the contents; a heading without a page opens its first child.
    EXPECT_EQ(Sections(qhp), (std::vector<Section>{{0, "Tom & Jerry's \"Help\"", "a.htm"},
                                                   {1, "Intro <1>", "a.htm"},
                                                   {1, "Heading", "sub/b.htm"},
                                                   {2, "B", "sub/b.htm"},
                                                   {1, "C", "c.htm"}}));
    EXPECT_THAT(qhp, HasSubstr("<keyword name=\"menus, file/save\" ref=\"a.htm\"/>"));
    EXPECT_THAT(qhp, HasSubstr("<keyword name=\"start\" ref=\"a.htm\"/>"));
    EXPECT_THAT(qhp, HasSubstr("<keyword name=\"start\" ref=\"sub/b.htm\"/>"));
    EXPECT_THAT(qhp, HasSubstr("<keyword name=\"Intro &lt;1&gt;\" id=\"1001\" ref=\"a.htm\"/>"));
    EXPECT_THAT(qhp, HasSubstr("<keyword name=\"B\" id=\"1002\" ref=\"sub/b.htm\"/>"));
    EXPECT_THAT(qhp, Not(HasSubstr("ref=\"c.htm\"/>\n      <keyword name=\"C\" id")));
    EXPECT_THAT(qhp, Not(HasSubstr("name=\"C\" id=\"1001\"")));
    EXPECT_THAT(qhp, HasSubstr("<file>img/x y.png</file>"));
}

TEST(QtHelpProject, NamespaceFallsBackToTheFileNameAndStaysAHostName) {
    TestProject p;
    p.Project().ProjectSettings.Title = "";
    p.Project().FileName = "/x/My Manual.pvx";
    EXPECT_EQ(QtHelpNamespace(p.Project()), "org.parvane.my-manual");
    p.Project().ProjectSettings.Title = "\xD0\x9F\xD0\xBE";
    EXPECT_EQ(QtHelpNamespace(p.Project()), "org.parvane.help");
}
