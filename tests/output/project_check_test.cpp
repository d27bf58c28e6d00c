#include "output/project_check.h"

#include "model/project_file.h"
#include "model/topic_tree.h"
#include "../support/test_project.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

using namespace parvane;
using namespace parvane::testing;

namespace {

using TKey = std::tuple<std::string, std::string, std::string, int, std::string, std::string>;

TKey KeyOf(const TCheckFinding& f) {
    return {SeverityName(f.Severity), f.Code, f.Page, f.Line, f.Topic, f.Target};
}

std::string Describe(const std::multiset<TKey>& keys) {
    std::string out;
    for (const TKey& k : keys)
        out += std::get<0>(k) + " " + std::get<1>(k) + " " + std::get<2>(k) + ":" +
               std::to_string(std::get<3>(k)) + " topic=" + std::get<4>(k) +
               " target=" + std::get<5>(k) + "\n";
    return out;
}

// The committed project with one planted fault of each kind, copied beside a file that
// lies outside its root and with a symbolic link inside the root that leads there.
class PlantedFaults : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(std::string(PARVANE_TEST_DATA) + "/projects/check", dir_.Path(),
                 fs::copy_options::recursive);
        WriteFile(dir_ / "outside.htm", Page("Outside", "<p>outside</p>"));
        WriteFile(dir_ / "outside-secret.txt", "secret");
        fs::create_symlink("../outside-secret.txt", dir_ / "pages/secret.txt");
        tree_.CreateRootGroups();
        project_.LoadFromFile(dir_ / "faults.pvx");
    }
    TempDir dir_{"pv-check"};
    TTopicTree tree_;
    TPvx project_{tree_};
};

// The targets of the missing-fragment findings, in the report's order.
std::vector<std::string> MissingFragments(const TCheckReport& report) {
    std::vector<std::string> missing;
    for (const TCheckFinding& f : report.Findings)
        if (f.Code == "missing-fragment")
            missing.push_back(f.Target);
    return missing;
}

} // namespace

TEST_F(PlantedFaults, ReportsExactlyThePlantedFindings) {
    const TCheckReport report = CheckProject(project_);
    std::multiset<TKey> got;
    for (const TCheckFinding& f : report.Findings)
        got.insert(KeyOf(f));
    const std::multiset<TKey> expected = {
        {"error", "missing-target", "index.htm", 5, "", "missing.htm"},
        {"warning", "case-mismatch", "index.htm", 6, "", "img/logo.gif"},
        {"warning", "missing-fragment", "index.htm", 7, "", "guide.htm#nowhere"},
        {"error", "outside-root", "index.htm", 8, "", "../outside.htm"},
        {"error", "absolute-path", "index.htm", 9, "", "file:///etc/hostname"},
        {"error", "outside-root", "index.htm", 11, "", "secret.txt"},
        {"warning", "shared-page", "guide.htm", 0, "Guide again", ""},
        {"note", "contents-only", "lonely.htm", 0, "", ""},
        {"warning", "orphan-page", "orphan.htm", 0, "", ""},
        {"error", "template-tags", "template.htm", 0, "Template", ""},
        {"error", "missing-page", "", 0, "Gone", "gone.htm"},
        {"warning", "case-mismatch", "", 0, "Case", "CASE.htm"},
        {"error", "duplicate-context-number", "", 0, "Glossary", "10"},
        {"warning", "empty-keyword-level", "", 0, "Glossary", "term/"},
        {"error", "bad-context-number", "", 0, "Lonely", "12a"},
        {"note", "unsaved-topic", "", 0, "Draft", ""},
        {"note", "no-link-topic", "", 0, "Part", ""},
        {"error", "missing-template", "", 0, "", "nothere.htm"},
    };
    EXPECT_EQ(got, expected) << "got:\n" << Describe(got) << "expected:\n" << Describe(expected);
    EXPECT_EQ(report.Errors(), 9);
    EXPECT_EQ(report.Warnings(), 6);
    EXPECT_EQ(report.Notes(), 3);
    // index, guide, glossary, lonely, case, template and the style sheet, each once.
    EXPECT_EQ(report.PagesRead, 7);

    // The exact names to use go with the case findings.
    for (const TCheckFinding& f : report.Findings) {
        if (f.Code == "case-mismatch" && f.Page == "index.htm") {
            EXPECT_EQ(f.Suggestion, "img/Logo.gif");
        }
        if (f.Code == "case-mismatch" && f.Topic == "Case") {
            EXPECT_EQ(f.Suggestion, "case.htm");
        }
    }
}

TEST_F(PlantedFaults, ExternalAddressesAreListedOnlyWhenAsked) {
    TCheckOptions options;
    options.ListExternal = true;
    const TCheckReport report = CheckProject(project_, options);
    std::vector<std::string> external;
    for (const TCheckFinding& f : report.Findings)
        if (f.Code == "external")
            external.push_back(f.Target);
    EXPECT_EQ(external, (std::vector<std::string>{"https://example.org/", "mailto:a@example.org"}));
    EXPECT_EQ(report.Errors(), 9); // notes only: the exit status does not change
}

TEST_F(PlantedFaults, TextAndJsonCarryEveryFinding) {
    const TCheckReport report = CheckProject(project_);
    const std::string text = FormatCheckText(report);
    EXPECT_NE(text.find("error: index.htm:5: missing-target: The file \"missing.htm\" doesn't "
                        "exist. [missing.htm]\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("warning: index.htm:6: case-mismatch:"), std::string::npos);
    EXPECT_NE(text.find("Use \"img/Logo.gif\"."), std::string::npos);
    EXPECT_NE(text.find("error: topic \"Gone\": missing-page:"), std::string::npos);
    EXPECT_NE(text.find("error: faults.pvx: missing-template:"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              static_cast<long>(report.Findings.size()) + 1);
    EXPECT_NE(text.find("9 errors, 6 warnings, 3 notes; 7 files read.\n"), std::string::npos);

    const std::string json = FormatCheckJson(report);
    EXPECT_NE(json.find("\"summary\": {\"errors\": 9, \"warnings\": 6, \"notes\": 3, "
                        "\"files_read\": 7}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"severity\": \"error\", \"code\": \"missing-target\", \"page\": "
                        "\"index.htm\", \"line\": 5, \"topic\": \"\", \"target\": "
                        "\"missing.htm\", \"message\": \"The file \\\"missing.htm\\\" doesn't "
                        "exist.\", \"suggestion\": \"\"}"),
              std::string::npos)
        << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '{'),
              static_cast<long>(report.Findings.size()) + 2);
}

TEST(ProjectCheck, CleanProjectHasNoFindingsAndOutputsAreNoOrphans) {
    TestProject p;
    p.Write("a.htm", Page("A", "<a href=\"sub/b.htm#x\">b</a> <img src=\"pic%20one.png\">"));
    p.Write("sub/b.htm", Page("B", "<h2 id=\"x\">x</h2><a href=\"../a.htm\">a</a>"));
    p.Write("pic one.png", "png");
    // An earlier build inside the root and a hidden folder are not pages of the help.
    p.Write("out/.parvane-output", "");
    p.Write("out/index.htm", Page("Out", ""));
    p.Write(".git/x.htm", Page("Git", ""));
    p.Add("A", "a.htm");
    p.Add("B", "sub\\b.htm");
    const TCheckReport report = CheckProject(p.Project());
    EXPECT_TRUE(report.Findings.empty()) << FormatCheckText(report);
    EXPECT_EQ(report.PagesRead, 2);
}

TEST(ProjectCheck, TwoPagesDifferingOnlyInCaseAreTwoPages) {
    TestProject p;
    p.Write("FAQ.html", Page("FAQ", "<a href=\"faq.html\">lower</a>"));
    p.Write("faq.html", Page("faq", "<a href=\"FAQ.html\">upper</a>"));
    p.Add("FAQ", "FAQ.html");
    p.Add("faq", "faq.html");
    const TCheckReport report = CheckProject(p.Project());
    EXPECT_TRUE(report.Findings.empty()) << FormatCheckText(report);
    EXPECT_EQ(report.PagesRead, 2);
}

TEST(ProjectCheck, NothingOutsideTheRootIsRead) {
    TestProject p;
    // A linked folder inside the root that leads out of it, and a page outside that would
    // be read if the check followed links there.
    WriteFile(p.Dir() / "elsewhere/x.htm", Page("X", "<a href=\"missing-outside.htm\">m</a>"));
    fs::create_directory_symlink(p.Dir() / "elsewhere", p.Root() + "linked");
    p.Write("a.htm", Page("A", "<a href=\"linked/x.htm\">x</a> <a href=\"../elsewhere/x.htm\">y</a>"));
    p.Add("A", "a.htm");
    const TCheckReport report = CheckProject(p.Project());
    std::vector<std::string> outside;
    for (const TCheckFinding& f : report.Findings)
        if (f.Code == "outside-root")
            outside.push_back(f.Target);
    EXPECT_EQ(outside, (std::vector<std::string>{"../elsewhere/x.htm", "linked/x.htm"}));
    EXPECT_EQ(report.Errors(), 2) << FormatCheckText(report);
    EXPECT_EQ(report.PagesRead, 1); // x.htm was never read: its broken link is not reported
}

TEST(ProjectCheck, MissingRootIsOneError) {
    TestProject p;
    p.Project().ProjectSettings.RootDir = p.Dir().Folder() + "nowhere/";
    const TCheckReport report = CheckProject(p.Project());
    ASSERT_EQ(report.Findings.size(), 1u);
    EXPECT_EQ(report.Findings[0].Code, "missing-root");
    EXPECT_EQ(report.Errors(), 1);
}

TEST(ProjectCheck, FragmentsAreCheckedAgainstIdsAndNamesOfTheTarget) {
    TestProject p;
    p.Write("a.htm", Page("A", "<p id=\"Here\">x</p><a name=\"old\"></a>"
                               "<a href=\"#Here\">1</a><a href=\"#here\">2</a>"
                               "<a href=\"#old\">3</a><a href=\"b.htm#sec%201\">4</a>"
                               "<a href=\"b.htm#top\">5</a><a href=\"#\">6</a>"));
    p.Write("b.htm", Page("B", "<div id=\"sec 1\"></div><span name=\"span\"></span>"
                               "<a href=\"b.htm#span\">7</a><a href=\"a.htm\">a</a>"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    std::vector<std::string> missing = MissingFragments(CheckProject(p.Project()));
    // Fragments are case-sensitive; "name" counts only on <a>.
    EXPECT_EQ(missing, (std::vector<std::string>{"#here", "b.htm#span"}));
}

// API references spell ids with percent escapes in them; a browser finds such an id by the
// fragment as written before it tries the decoded one, so both spellings land.
TEST(ProjectCheck, IdsSpelledWithPercentEscapesAreFoundAsWrittenOrDecoded) {
    TestProject p;
    p.Write("a.htm", Page("A", "<section id=\"impl-From%3CT%3E\"></section><p id=\"x<y\"></p>"
                               "<a href=\"#impl-From%3CT%3E\">1</a><a href=\"#x%3Cy\">2</a>"
                               "<a href=\"#impl-From<T>\">3</a>"
                               "<a href=\"b.htm#impl-Into%3CU%3E\">4</a>"
                               "<a href=\"b.htm#impl-Into%3CV%3E\">5</a>"));
    p.Write("b.htm", Page("B", "<section id=\"impl-Into%3CU%3E\"></section>"
                               "<a href=\"a.htm#impl-From%3CT%3E\">6</a>"
                               "<a href=\"a.htm#impl-From%253CT%253E\">7</a>"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    std::vector<std::string> missing = MissingFragments(CheckProject(p.Project()));
    // An id is never decoded ("impl-From<T>" is not the id); a fragment is decoded once,
    // so "%253C" finds the id spelled "%3C".
    std::sort(missing.begin(), missing.end());
    EXPECT_EQ(missing, (std::vector<std::string>{"#impl-From<T>", "b.htm#impl-Into%3CV%3E"}));
}

// Every way a link can be written resolves as the builds resolve it: "." and ".." steps,
// doubled separators, percent escapes, backslashes, folders, queries, names and folders in
// other letter case (the suggestion names every step as on disk), names that exist twice
// in different case, a file where a folder is meant, and symbolic links inside the root.
TEST(ProjectCheck, EveryShapeOfLinkResolvesAsTheBuildsResolveIt) {
    TestProject p;
    p.Write("a.htm", Page("A", "<a href=\"./b.htm\">1</a>\n"
                               "<a href=\"sub/./c.htm\">2</a>\n"
                               "<a href=\"sub//c.htm\">3</a>\n"
                               "<a href=\"nothere/../b.htm\">4</a>\n"
                               "<a href=\"SUB/c.htm\">5</a>\n"
                               "<a href=\"Sub/Deep/D.HTM#d\">6</a>\n"
                               "<a href=\"sub/\">7</a> <a href=\"sub\">8</a> <a href=\"SUB/\">9</a>\n"
                               "<a href=\"../root/b.htm\">10</a> <a href=\"../../x.htm\">11</a>\n"
                               "<a href=\"sub/c.htm?x=1#gone\">12</a> <a href=\"%73ub/c.htm\">13</a>\n"
                               "<a href=\"sub\\c.htm\">14</a> <a href=\"sub/missing.htm\">15</a>\n"
                               "<a href=\"missing/x.htm\">16</a> <a href=\"lnk/c.htm\">17</a>\n"
                               "<a href=\"lnk2.htm#b\">18</a> <a href=\"B.htm#b\">19</a>\n"
                               "<a href=\"Faq.htm\">20</a> <a href=\"docs/x.htm\">21</a>\n"
                               "<a href=\"sub/deep/../c.htm\">22</a> <a href=\"sub/./deep/\">23</a>\n"
                               "<a href=\"?q\">24</a> <a href=\"b.htm?q#b\">25</a>\n"
                               "<a href=\"sub/c.htm/\">26</a> <a href=\"sub/%2e%2e/b.htm\">27</a>\n"
                               "<link rel=\"stylesheet\" href=\"Style.CSS\">"));
    p.Write("b.htm", Page("B", "<p id=\"b\">b</p><a href=\"sub/deep/d.htm#nod\">d</a>"));
    p.Write("sub/c.htm", Page("C", "<a href=\"../B.HTM#b\">b</a> <a href=\"deep/../../a.htm\">a</a>"
                                   "<a href=\"../../root/a.htm\">a</a> <a href=\"..\\b.htm\">b</a>"));
    p.Write("sub/deep/d.htm", Page("D", "<p id=\"d\"></p><a href=\"../../../x.htm\">x</a>"
                                        "<a href=\"../../SUB/DEEP/d.htm\">self</a>"));
    p.Write("FAQ.htm", Page("FAQ", ""));
    p.Write("faq.htm", Page("faq", ""));
    p.Write("docs", "a file, not a folder");
    p.Write("DOCS/x.htm", Page("X", "<img src=\"../IMG/Pic.PNG\"> <img src=\"../img/none.png\">"));
    p.Write("img/pic.png", "png");
    p.Write("style.css", "body{background:url(IMG/PIC.png)} @import \"Sub/c.htm\";");
    fs::create_directory_symlink("sub", p.Root() + "lnk");
    fs::create_symlink("b.htm", p.Root() + "lnk2.htm");
    p.Add("A", "a.htm");
    const TCheckReport report = CheckProject(p.Project());
    const std::string expected =
        "error: DOCS/x.htm:3: missing-target: The file \"../img/none.png\" doesn't exist. [../img/none.png]\n"
        "warning: DOCS/x.htm:3: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [../IMG/Pic.PNG] Use \"../img/pic.png\".\n"
        "warning: a.htm:7: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [SUB/c.htm] Use \"sub/c.htm\".\n"
        "warning: a.htm:8: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [Sub/Deep/D.HTM#d] Use \"sub/deep/d.htm\".\n"
        "error: a.htm:9: missing-target: The file \"SUB/\" doesn't exist. [SUB/]\n"
        "error: a.htm:10: outside-root: The link leaves the project's root folder; no output includes its target. [../../x.htm]\n"
        "warning: a.htm:11: missing-fragment: The page \"sub/c.htm\" has no id or name \"gone\". [sub/c.htm?x=1#gone]\n"
        "error: a.htm:12: missing-target: The file \"sub/missing.htm\" doesn't exist. [sub/missing.htm]\n"
        "error: a.htm:13: missing-target: The file \"missing/x.htm\" doesn't exist. [missing/x.htm]\n"
        "warning: a.htm:14: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [B.htm#b] Use \"b.htm\".\n"
        "warning: a.htm:15: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [Faq.htm] Use \"FAQ.htm\".\n"
        "warning: a.htm:15: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [docs/x.htm] Use \"DOCS/x.htm\".\n"
        "error: a.htm:18: missing-target: The file \"sub/c.htm/\" doesn't exist. [sub/c.htm/]\n"
        "warning: a.htm:19: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [Style.CSS] Use \"style.css\".\n"
        "warning: b.htm:3: missing-fragment: The page \"sub/deep/d.htm\" has no id or name \"nod\". [sub/deep/d.htm#nod]\n"
        "warning: faq.htm: orphan-page: No topic lists this page and no page of the help links to it.\n"
        "warning: lnk/c.htm:3: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [../B.HTM#b] Use \"../b.htm\".\n"
        "warning: lnk2.htm:3: missing-fragment: The page \"sub/deep/d.htm\" has no id or name \"nod\". [sub/deep/d.htm#nod]\n"
        "warning: style.css:1: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [IMG/PIC.png] Use \"img/pic.png\".\n"
        "warning: style.css:1: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [Sub/c.htm] Use \"sub/c.htm\".\n"
        "warning: sub/c.htm:3: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [../B.HTM#b] Use \"../b.htm\".\n"
        "error: sub/deep/d.htm:3: outside-root: The link leaves the project's root folder; no output includes its target. [../../../x.htm]\n"
        "warning: sub/deep/d.htm:3: case-mismatch: The file is found only when letter case is ignored; readers on Linux and on web servers won't find it. [../../SUB/DEEP/d.htm] Use \"../../sub/deep/d.htm\".\n"
        "7 errors, 16 warnings, 0 notes; 9 files read.\n";
    EXPECT_EQ(FormatCheckText(report), expected);
}

// The command line writes the compact findings as they are kept; the dialog gets them
// formatted one by one. Both give the same bytes, also when the report is formatted in
// several blocks.
TEST_F(PlantedFaults, CompactFindingsAreWrittenAsTheReport) {
    TCheckOptions options;
    options.ListExternal = true;
    const TCheckResult result = RunCheck(project_, options);
    const TCheckReport report = result.Report();
    ASSERT_EQ(result.Size(), report.Findings.size());
    EXPECT_EQ(result.Text(), FormatCheckText(report));
    EXPECT_EQ(result.Json(), FormatCheckJson(report));
}

TEST(ProjectCheck, ManyFindingsAreWrittenInOrderAndOnce) {
    TestProject p;
    std::string body;
    for (int i = 0; i < 9000; ++i)
        body += "<a href=\"gone" + std::to_string(i) + ".htm#x%20" + std::to_string(i) +
                "\">g</a><a href=\"b.htm#n" + std::to_string(i) + "\">b</a>\n";
    p.Write("a.htm", Page("A", body));
    p.Write("b.htm", Page("B", "<a href=\"a.htm\">a</a>"));
    p.Add("A", "a.htm");
    p.Add("B", "b.htm");
    const TCheckResult result = RunCheck(p.Project());
    const TCheckReport report = result.Report();
    ASSERT_EQ(report.Findings.size(), 18000u);
    EXPECT_EQ(report.Errors(), 9000);
    // By line: the missing file (an error) before the missing fragment (a warning).
    EXPECT_EQ(report.Findings[0].Target, "gone0.htm#x%200");
    EXPECT_EQ(report.Findings[0].Message, "The file \"gone0.htm\" doesn't exist.");
    EXPECT_EQ(report.Findings[1].Message, "The page \"b.htm\" has no id or name \"n0\".");
    EXPECT_EQ(report.Findings[17999].Target, "b.htm#n8999");
    EXPECT_EQ(result.Json(), FormatCheckJson(report));
    EXPECT_EQ(result.Text(), FormatCheckText(report));
}

// Fragment links to a page not read yet are checked once every page is, on every core in
// blocks: each missing anchor is reported once and in order, whichever thread looked it up.
TEST(ProjectCheck, FragmentsCheckedAfterTheScanKeepTheirOrder) {
    TestProject p;
    constexpr int kLinks = 50000; // many blocks of the look-ups
    std::string links, ids;
    for (int i = 0; i < kLinks; ++i) {
        links += "<a href=\"b.htm#n" + std::to_string(i) + "\">b</a>\n";
        if (i % 3 == 0 || i % 7 == 0)
            ids += "<i id=\"n" + std::to_string(i) + "\"></i>";
    }
    p.Write("a.htm", Page("A", links));
    p.Write("b.htm", Page("B", ids));
    p.Add("A", "a.htm"); // read first: b.htm is not read yet when its links are followed
    p.Add("B", "b.htm");
    const TCheckReport report = CheckProject(p.Project());
    std::vector<const TCheckFinding*> missing;
    for (const TCheckFinding& f : report.Findings)
        if (f.Code == "missing-fragment")
            missing.push_back(&f);
    std::vector<int> expected;
    for (int i = 0; i < kLinks; ++i)
        if (i % 3 != 0 && i % 7 != 0)
            expected.push_back(i);
    ASSERT_EQ(missing.size(), expected.size());
    const int firstLine = missing[0]->Line - 1; // the line of link 0
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const int i = expected[k];
        ASSERT_EQ(missing[k]->Target, "b.htm#n" + std::to_string(i)) << k;
        ASSERT_EQ(missing[k]->Line, firstLine + i) << k;
        ASSERT_EQ(missing[k]->Page, "a.htm");
    }
}

// Enough pages that their findings are sorted on every core: by page name (not the order of
// the topics), then line, severity, code and target.
TEST(ProjectCheck, FindingsOfManyPagesAreSortedByPageThenLineThenKind) {
    TestProject p;
    constexpr int kPages = 9000;
    auto name = [](int i) {
        std::string digits = std::to_string(i);
        return "p" + std::string(5 - digits.size(), '0') + digits + ".htm";
    };
    for (int i = kPages - 1; i >= 0; --i) { // topics in the reverse order of the names
        p.Write(name(i), Page("P", "<a href=\"zz.htm\">z</a><a href=\"#nope\">n</a>"
                                   "<a href=\"aa.htm\">a</a>"));
        p.Add("P" + std::to_string(i), name(i));
    }
    const TCheckReport report = CheckProject(p.Project());
    std::vector<std::string> got;
    for (const TCheckFinding& f : report.Findings)
        if (f.Code != "contents-only")
            got.push_back(f.Page + " " + f.Code + " " + f.Target);
    ASSERT_EQ(got.size(), 3u * kPages);
    for (int i = 0; i < kPages; ++i) {
        ASSERT_EQ(got[3 * i], name(i) + " missing-target aa.htm") << i;
        ASSERT_EQ(got[3 * i + 1], name(i) + " missing-target zz.htm") << i;
        ASSERT_EQ(got[3 * i + 2], name(i) + " missing-fragment #nope") << i;
    }
}

// Quotes, backslashes and control characters are escaped wherever they fall in a long text.
TEST(ProjectCheck, JsonEscapesEveryCharacterThatNeedsIt) {
    TestProject p;
    p.Write("a.htm", Page("A", "<a href='gone\"quote\\back\x01slash\ttab-and-a-long-tail.htm'>g</a>"));
    p.Add("A", "a.htm");
    const TCheckResult result = RunCheck(p.Project());
    const std::string json = result.Json();
    EXPECT_NE(json.find("\"target\": \"gone\\\"quote\\\\back\\u0001slash\\ttab-and-a-long-tail.htm\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"message\": \"The file \\\"gone\\\"quote/back\\u0001slash\\ttab-and-a-"
                        "long-tail.htm\\\" doesn't exist.\""),
              std::string::npos)
        << json;
    EXPECT_EQ(json, FormatCheckJson(result.Report()));
}

// The message of a missing anchor names the page and the anchor; both are escaped, and the
// anchor is the one the link means once its %-escapes are decoded.
TEST(ProjectCheck, JsonEscapesThePageAndTheAnchorOfAMissingFragment) {
    TestProject p;
    p.Write("a.htm", Page("A", "<a href='q%22uote.htm#x%22y\\z%09'>q</a>"
                               "<a href='q%22uote.htm#there'>q</a>"));
    p.Write("q\"uote.htm", Page("Q", "<p id='there'>q</p><a href='a.htm'>a</a>"));
    p.Add("A", "a.htm");
    const TCheckResult result = RunCheck(p.Project());
    const std::string json = result.Json();
    EXPECT_NE(json.find("\"target\": \"q%22uote.htm#x%22y\\\\z%09\", \"message\": \"The page "
                        "\\\"q\\\"uote.htm\\\" has no id or name \\\"x\\\"y\\\\z\\t\\\".\""),
              std::string::npos)
        << json;
    EXPECT_EQ(result.Report().Findings.size(), 1u) << json; // "#there" is found
    EXPECT_EQ(json, FormatCheckJson(result.Report()));
    EXPECT_EQ(result.Text(), FormatCheckText(result.Report()));
}

// A large report is handed over piece by piece as it is formatted, never whole, with the
// same bytes; a piece that cannot be written stops the writing there.
TEST(ProjectCheck, LargeReportsAreWrittenInPieces) {
    TestProject p;
    std::string body;
    for (int i = 0; i < 6000; ++i)
        body += "<a href=\"gone" + std::to_string(i) + ".htm\">g</a>\n";
    p.Write("a.htm", Page("A", body));
    p.Add("A", "a.htm");
    const TCheckResult result = RunCheck(p.Project());
    const TCheckReport report = result.Report();
    ASSERT_EQ(report.Findings.size(), 6001u); // and the page reached only through the contents
    for (const bool json : {true, false}) {
        const std::string whole = json ? FormatCheckJson(report) : FormatCheckText(report);
        std::string joined;
        std::size_t pieces = 0, largest = 0;
        const TCheckResult::TWrite write = [&](std::string_view piece) {
            joined += piece;
            ++pieces;
            largest = std::max(largest, piece.size());
        };
        json ? result.WriteJson(write) : result.WriteText(write);
        EXPECT_TRUE(joined == whole);
        EXPECT_GT(pieces, 3u);
        EXPECT_LT(largest, whole.size() / 3);

        std::size_t written = 0;
        const TCheckResult::TWrite failing = [&](std::string_view) {
            if (++written == 3)
                throw std::runtime_error("disk full");
        };
        EXPECT_THROW(json ? result.WriteJson(failing) : result.WriteText(failing),
                     std::runtime_error);
        EXPECT_EQ(written, 3u);
    }
}

// Topics on one page are named together once, in the order of the tree, also when one of
// them spells the page in other letter case; a page of one topic is no finding.
TEST(ProjectCheck, TopicsSharingAPageAreNamedTogetherOnce) {
    TestProject p;
    p.Write("a.htm", Page("A", "<a href=\"b.htm\">b</a>"));
    p.Write("b.htm", Page("B", "<a href=\"a.htm\">a</a>"));
    p.Add("One", "a.htm");
    p.Add("Alone", "b.htm");
    p.Add("Two", "a.htm");
    p.Add("Three", "A.HTM");
    const TCheckReport report = CheckProject(p.Project());
    std::vector<TCheckFinding> shared;
    for (const TCheckFinding& f : report.Findings)
        if (f.Code == "shared-page")
            shared.push_back(f);
    ASSERT_EQ(shared.size(), 1u) << FormatCheckText(report);
    EXPECT_EQ(shared[0].Page, "a.htm");
    EXPECT_EQ(shared[0].Topic, "Two");
    EXPECT_EQ(shared[0].Message, "The topics \"One\", \"Two\", \"Three\" share one page.");
}
