#include "../support/test_project.h"
#include "model/errors.h"
#include "model/string_func.h"
#include "model/text_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

using namespace parvane;
using namespace parvane::StringFunc;
namespace fs = std::filesystem;

namespace {

using parvane::testing::TempDir;

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
    return TextCodec::ReadFileBytes(path);
}

} // namespace

TEST(StringFunc, FilesAreReadWholeWhateverSizeTheySay) {
    TempDir dir;
    for (const std::size_t size : {0u, 1u, 4095u, 4096u, 65537u, 1000003u}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 131 + size) % 251);
        const std::string file = dir / ("f" + std::to_string(size));
        WriteBytes(file, bytes);
        ASSERT_EQ(ReadBytes(file), bytes) << size;
    }
    // The kernel's files say they are empty and are not.
    EXPECT_NE(ReadBytes("/proc/self/status").find("Name:"), std::string::npos);
}

TEST(StringFunc, PosFromIsOneBasedAndStartsAtOffset) {
    EXPECT_EQ(PosFrom("b", "abcb", 1), 2u);
    EXPECT_EQ(PosFrom("b", "abcb", 3), 4u);
    EXPECT_EQ(PosFrom("b", "abcb", 5), 0u);
    EXPECT_EQ(PosFrom("B", "abcb", 1), 0u) << "case-sensitive";
    EXPECT_EQ(PosFrom("", "abc", 1), 0u);
}

TEST(StringFunc, ReplaceTextIgnoresCaseAndKeepsTheRest) {
    EXPECT_EQ(ReplaceTextW("($Title$) and ($TITLE$) and ($title$)", "($title$)", "X"),
              "X and X and X");
    EXPECT_EQ(ReplaceTextW("aaa", "aa", "b"), "ba") << "matches never overlap";
    EXPECT_EQ(ReplaceTextW("Grüße ÜBER über", "über", "x"), "Grüße x x");
    EXPECT_EQ(ReplaceTextW("ΑΒΓ αβγ", "αβγ", "-"), "- -");
    EXPECT_EQ(ReplaceTextW("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceTextW("a\xff"
                           "B",
                           "b", "c"),
              "a\xff"
              "c")
        << "invalid UTF-8 passes through";
}

TEST(StringFunc, RemoveBetweenKeepsAnUnclosedTail) {
    EXPECT_EQ(RemoveBetween("a<!--B-->x<!--E-->b<!--B-->y<!--E-->c", "<!--B-->", "<!--E-->"),
              "abc");
    EXPECT_EQ(RemoveBetween("a<!--B-->x<!--E-->b<!--B-->rest", "<!--B-->", "<!--E-->"),
              "ab<!--B-->rest");
    EXPECT_EQ(RemoveBetween("a<!--E-->b", "<!--B-->", "<!--E-->"), "a<!--E-->b");
}

TEST(StringFunc, SplitTrimmedKeepsEmptyPieces) {
    EXPECT_EQ(SplitTrimmed(" a ;  ; b", ";"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitTrimmed("a;", ";"), (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(SplitTrimmed("", ";").empty());
    EXPECT_EQ(SplitTrimmed("\t x \r\n", ";"), (std::vector<std::string>{"x"}));
}

TEST(StringFunc, CaseInsensitiveComparisons) {
    EXPECT_TRUE(SameText("Index.HTM", "index.htm"));
    EXPECT_TRUE(SameText("ÄÖÜ", "äöü"));
    EXPECT_TRUE(SameText("ПРИВЕТ", "привет"));
    EXPECT_FALSE(SameText("abc", "abd"));
    EXPECT_LT(CompareText("apple", "Banana"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_EQ(CompareText("", ""), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    // Letters compare as lower case, also against the signs between "Z" and "a".
    EXPECT_LT(CompareText("[", "A"), 0);
    EXPECT_GT(CompareText("Ab_", "aB["), 0);
    EXPECT_EQ(CompareText("Key 12.Html", "KEY 12.htmL"), 0);
    // ASCII beside other scripts, and a byte that is not UTF-8 (taken as its value).
    EXPECT_LT(CompareText("Zz", "zä"), 0);
    EXPECT_LT(CompareText("\xc3\x89t\xc3\xa9", "\xc3\xa9T\xc3\x89" "a"), 0);
    EXPECT_GT(CompareText("\xc3\x89t\xc3\xa9z", "\xc3\xa9T\xc3\x89" "a"), 0);
    EXPECT_GT(CompareText("a\xff", "A\xc3\xa4"), 0);
    EXPECT_LT(CompareText("a\x7f", "A\xc3\xa4"), 0);
    EXPECT_EQ(LowerCase("ÀÉÎ Straße ЁЖ"), "àéî straße ёж");
    EXPECT_EQ(LowerCase("ÀÉ").size(), std::string("ÀÉ").size());
}

TEST(StringFunc, HtmlEncodeEncodesExistingEntitiesAgain) {
    EXPECT_EQ(HtmlEncode("a & \"b\" <c> &amp;"), "a &amp; &quot;b&quot; &lt;c&gt; &amp;amp;");
    EXPECT_EQ(JsAttrEscape("it's a \\ \"q\""), "it\\'s a \\\\ &quot;q&quot;");
}

TEST(StringFunc, GetHtmlTitle) {
    EXPECT_EQ(GetHtmlTitle("<HTML><HEAD><TITLE>Hello</TITLE></HEAD>"), "Hello");
    EXPECT_EQ(GetHtmlTitle("<title>Two\r\nlines</title>"), "Twolines");
    EXPECT_EQ(GetHtmlTitle("<title> spaced </title>"), " spaced ") << "not trimmed";
    EXPECT_EQ(GetHtmlTitle("<html><body>none</body></html>"), "No title");
    EXPECT_EQ(GetHtmlTitle("<title></title>"), "No title");
    EXPECT_EQ(GetHtmlTitle("</title><title>x"), "No title");
    EXPECT_EQ(GetHtmlTitle("<title lang=en>x</title>"), "No title") << "attributes are not matched";
}

TEST(StringFunc, SetHtmlTitle) {
    EXPECT_EQ(SetHtmlTitle("<head><TITLE>Old</TITLE></head>", "New & <b>"),
              "<head><title>New & <b></title></head>");
    EXPECT_EQ(SetHtmlTitle("<head></head>", "New"), "<head></head>");
    EXPECT_EQ(SetHtmlTitle("<title>only open", "New"), "<title>only open");
}

TEST(StringFunc, GetHtmlBody) {
    EXPECT_EQ(GetHtmlBody("<HTML><BODY class=\"x\">\r\nline one\r\nline two\r\n</BODY></HTML>"),
              "line oneline two");
    EXPECT_EQ(GetHtmlBody("<p>no body tags</p>"), "");
    EXPECT_EQ(GetHtmlBody("text</body>"), "");
    EXPECT_EQ(GetHtmlBody("<body>"), "");
    EXPECT_EQ(GetHtmlBody("<body>a</body>b</body>"), "a");
}

TEST(StringFunc, InsertAfterBodyTag) {
    EXPECT_EQ(InsertAfterBodyTag("<html><BODY bgcolor=red><p>x</p></BODY>", "<script/>"),
              "<html><body bgcolor=red><script/><p>x</p></BODY>");
    EXPECT_EQ(InsertAfterBodyTag("<p>no body</p>", "x"), "");
}

TEST(StringFunc, FileNamesAndSlashes) {
    EXPECT_EQ(ValidFileName("A/B: C?*\"<>|\\"), "A_B_ C_______");
    EXPECT_EQ(ToForwardSlashes("a\\b\\c.htm"), "a/b/c.htm");
    EXPECT_EQ(ToBackslashes("a/b/c.htm"), "a\\b\\c.htm");
}

TEST(StringFunc, CollapseDotDot) {
    EXPECT_EQ(CollapseDotDot("a\\b\\..\\c.htm"), "a/c.htm");
    EXPECT_EQ(CollapseDotDot("a/b/../../c.htm"), "c.htm");
    EXPECT_EQ(CollapseDotDot("../../c.htm"), "c.htm") << "climbing above the start is dropped";
    EXPECT_EQ(CollapseDotDot("/root/p/../../../x.htm"), "/x.htm") << "never climbs over /";
    EXPECT_EQ(CollapseDotDot("/root/./sub/./x.htm"), "/root/sub/x.htm");
    EXPECT_EQ(CollapseDotDot("/root/sub/"), "/root/sub/");
}

namespace {

// What CollapseDotDot means, spelled the slow way: the segments (each with its "/") read
// from the end, every ".." taking back the nearest segment before it.
std::string CollapsedTheSlowWay(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    std::vector<std::string> segments;
    for (std::size_t pos = 0; pos < path.size();) {
        const std::size_t slash = path.find('/', pos);
        const std::size_t end = slash == std::string::npos ? path.size() : slash + 1;
        segments.push_back(path.substr(pos, end - pos));
        pos = end;
    }
    const bool absolute = !path.empty() && path[0] == '/';
    std::vector<std::string> kept;
    int up = 0;
    for (std::size_t i = segments.size(); i-- > (absolute ? 1u : 0u);) {
        const std::string& seg = segments[i];
        if (seg == "../" || seg == "..")
            ++up;
        else if (seg == "./" || seg == "." || (absolute && seg == "/"))
            continue;
        else if (up > 0)
            --up;
        else
            kept.push_back(seg);
    }
    std::string out = absolute ? "/" : "";
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
        out += *it;
    return out;
}

} // namespace

namespace {

// Every path of one to four of these names, joined by either separator.
std::vector<std::string> JoinedNames(const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    std::vector<std::string> level = {""};
    for (int depth = 0; depth < 4; ++depth) {
        std::vector<std::string> longer;
        for (const std::string& start : level)
            for (const std::string& name : names)
                for (const char* sep : {"/", "\\"})
                    longer.push_back(start + (depth == 0 ? "" : sep) + name);
        paths.insert(paths.end(), longer.begin(), longer.end());
        level = std::move(longer);
    }
    return paths;
}

} // namespace

TEST(StringFunc, CollapseDotDotAgreesWithTheSlowWayOnEveryShortPath) {
    // Every path of up to four names from these, with either separator, absolute or not.
    std::vector<std::string> paths = {"", "/", "\\"};
    for (const std::string& p : JoinedNames({"a", "B", ".", "..", "", "..x", ".a"})) {
        paths.push_back(p);
        paths.push_back("/" + p);
        paths.push_back(p + "/");
    }
    std::size_t checked = 0;
    for (const std::string& p : paths) {
        ASSERT_EQ(CollapseDotDot(p), CollapsedTheSlowWay(p)) << "path: " << p;
        // What needs no collapsing is known without doing it.
        if (!p.empty() && p[0] == '/' && p.find('\\') == std::string::npos)
            ASSERT_EQ(IsCollapsed(p), CollapseDotDot(p) == p) << "path: " << p;
        else
            ASSERT_FALSE(IsCollapsed(p)) << "path: " << p;
        ++checked;
    }
    EXPECT_GT(checked, 50000u);
    // Deeper than the segments kept on the stack.
    std::string deep = "/r";
    for (int i = 0; i < 100; ++i)
        deep += "/d" + std::to_string(i);
    for (const std::string& p : {deep + "/../../x.htm", deep + std::string(150, '.') + "/x",
                                 "rel" + deep + "/../../../../../../../../../../../../y.htm"}) {
        std::string climbed = p;
        for (int i = 0; i < 90; ++i)
            climbed += "/..";
        EXPECT_EQ(CollapseDotDot(p), CollapsedTheSlowWay(p));
        EXPECT_EQ(CollapseDotDot(climbed), CollapsedTheSlowWay(climbed));
    }
}

TEST(StringFunc, CollapseDotDotFromAFolderIsTheWholePathCollapsed) {
    // Folders collapsed already and not, every short path after each of them.
    const std::vector<std::string> folders = {"/",        "/r/",     "/r/s/",  "/r/s",
                                              "r/s/",     "/r//s/",  "/r/./s/", "/r/../s/",
                                              "\\r\\s\\", "/r/..s/", "/r.s/"};
    std::vector<std::string> paths = JoinedNames({"a", "..", ".", "", "x.htm"});
    paths.push_back("");
    for (const std::string& folder : folders)
        for (const std::string& path : paths)
            ASSERT_EQ(CollapseDotDot(folder, path), CollapseDotDot(folder + path))
                << "folder: " << folder << " path: " << path;
}

TEST(StringFunc, LoadTextFileEndsEveryLineWithCrLf) {
    TempDir dir;
    WriteBytes(dir / "a.txt", "one\ntwo\rthree\r\nfour");
    EXPECT_EQ(LoadTextFile(dir / "a.txt"), "one\r\ntwo\r\nthree\r\nfour\r\n");
    WriteBytes(dir / "b.txt", "x\r\n");
    EXPECT_EQ(LoadTextFile(dir / "b.txt"), "x\r\n");
    WriteBytes(dir / "c.txt", "");
    EXPECT_EQ(LoadTextFile(dir / "c.txt"), "");
    WriteBytes(dir / "d.txt", "\n\n");
    EXPECT_EQ(LoadTextFile(dir / "d.txt"), "\r\n\r\n");
    EXPECT_THROW(LoadTextFile(dir / "missing.txt"), EParvaneError);
}

TEST(StringFunc, LoadTextFileDecodesThePageCharset) {
    TempDir dir;
    WriteBytes(dir / "w.htm", "<meta charset=\"windows-1252\"><p>caf\xe9</p>");
    EXPECT_EQ(LoadTextFile(dir / "w.htm"), "<meta charset=\"windows-1252\"><p>café</p>\r\n");
    WriteBytes(dir / "u.htm", "<p>caf\xc3\xa9</p>");
    EXPECT_EQ(LoadTextFile(dir / "u.htm"), "<p>café</p>\r\n");
    WriteBytes(dir / "guess.htm", "<p>caf\xe9</p>");
    EXPECT_EQ(LoadTextFile(dir / "guess.htm"), "<p>café</p>\r\n") << "not UTF-8: Windows-1252";
    WriteBytes(dir / "ru.htm", "<p>\xcf\xf0\xe8\xe2\xe5\xf2</p>");
    EXPECT_EQ(LoadTextFile(dir / "ru.htm", "Windows-1251"), "<p>Привет</p>\r\n");
}

TEST(StringFunc, SaveTextFileWritesCharsetAtomicallyAndClearsReadOnly) {
    TempDir dir;
    const std::string file = dir / "page.htm";
    SaveTextFile("a\nb", file);
    EXPECT_EQ(ReadBytes(file), "a\r\nb\r\n");

    SaveTextFile("café €", file, "Windows-1252");
    EXPECT_EQ(ReadBytes(file), "caf\xe9 \x80\r\n");
    SaveTextFile("日本", file, "Windows-1252");
    EXPECT_EQ(ReadBytes(file), "&#26085;&#26412;\r\n") << "unmappable: decimal references";

    chmod(file.c_str(), 0444);
    EXPECT_TRUE(SaveTextFile("new", file));
    EXPECT_EQ(ReadBytes(file), "new\r\n");

    const std::string blocked = dir / "no-such-folder/x.htm";
    EXPECT_THROW(SaveTextFile("x", blocked), EParvaneError);
    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(dir.Folder()))
        leftovers += entry.path().filename().string().rfind(".page.htm", 0) == 0;
    EXPECT_EQ(leftovers, 0) << "no temporary files are left behind";
}

TEST(StringFunc, DeleteAndCopyFolders) {
    TempDir dir;
    fs::create_directories(dir / "src/sub");
    WriteBytes(dir / "src/a.htm", "A");
    WriteBytes(dir / "src/sub/b.gif", "B");
    EXPECT_TRUE(CopyFolder(dir / "src", dir / "dst"));
    EXPECT_EQ(ReadBytes(dir / "dst/sub/b.gif"), "B");
    EXPECT_TRUE(CopyFolder(dir / "src/a.htm", dir / "dst/sub"));
    EXPECT_EQ(ReadBytes(dir / "dst/sub/a.htm"), "A");
    EXPECT_FALSE(CopyFolder(dir / "nothing", dir / "dst2"));
    EXPECT_TRUE(DeleteFolder(dir / "dst"));
    EXPECT_FALSE(fs::exists(dir / "dst"));
    EXPECT_FALSE(DeleteFolder(""));
}

TEST(StringFunc, FindsWithoutRegardToAsciiCaseAsTheLowerCaseCopyWould) {
    const std::vector<std::string> pages = {
        "<HTML><Body class=x>text</BODY></html>", "<body><b>bold</b></body><BODY>", "no tags",
        "<bod<body", "</BODY", "", "\xC3\x9C<bodyx<BODY>", "<Ebody <body>"};
    for (const std::string& page : pages) {
        const std::string lower = StringFunc::AsciiLowerCase(page);
        for (const std::string needle : {"<body", "</body", "body", "<", "x", "<meta"}) {
            for (std::size_t from = 0; from <= page.size() + 1; ++from)
                EXPECT_EQ(StringFunc::FindAsciiNoCase(page, needle, from), lower.find(needle, from))
                    << page << " " << needle << " " << from;
            EXPECT_EQ(StringFunc::RFindAsciiNoCase(page, needle), lower.rfind(needle))
                << page << " " << needle;
        }
    }
}

TEST(StringFunc, LineEndsAreNormalisedAtEveryPlaceOfALongText) {
    // Line ends are looked for eight bytes at a time: each kind at every offset.
    for (const std::string end : {"\r\n", "\r", "\n", "\n\r"}) {
        std::string text, expected;
        for (int i = 0; i < 20; ++i) {
            text += std::string(static_cast<std::size_t>(i), 'a') + end;
            expected += std::string(static_cast<std::size_t>(i), 'a') + (end == "\n\r" ? "\r\n\r\n" : "\r\n");
        }
        const TempDir dir("pv-line-ends");
        const std::string path = dir / "page.txt";
        WriteBytes(path, text);
        EXPECT_EQ(StringFunc::LoadTextFile(path, "UTF-8"), expected) << ::testing::PrintToString(end);
    }
}
