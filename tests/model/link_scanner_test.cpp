#include "model/link_scanner.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

class LinkScanner : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "parvane-links-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
        for (const char* name : {"index.htm", "page.htm", "other.htm", "other.html", "style.css",
                                 "img/pic.gif", "Alpha.gif", "zeta.gif", "sub/x.htm",
                                 "Applet.class", "x.htm.htm", "a.gif", "a.gif b.png"})
            Touch(name);
    }
    void TearDown() override { fs::remove_all(root_); }

    void Touch(const std::string& name, const std::string& content = "x") {
        const fs::path path = fs::path(root_) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << content;
    }

    std::vector<std::string> Split(const std::string& text) {
        std::vector<std::string> pieces;
        refer_.SplitText(text, root_, pieces);
        return pieces;
    }

    static std::string Join(const std::vector<std::string>& pieces) {
        std::string text;
        for (const std::string& piece : pieces)
            text += piece;
        return text;
    }

    std::string root_;
    THTMLRefer refer_;
};

using Pieces = std::vector<std::string>;

TEST_F(LinkScanner, PageWithoutLinksToExistingFilesIsOnePiece) {
    const std::string text = "<p>Version 1.2 of the tool, e.g. see missing.gif\" and "
                             "<a href=\"nowhere.htm\">here</a>.</p>\r\n";
    EXPECT_EQ(Split(text), Pieces{text});
    EXPECT_EQ(refer_.LinkCount(), 0);
    EXPECT_EQ(Split(""), Pieces{""});
}

TEST_F(LinkScanner, QuotedPictureInSubfolderGivesThreePieces) {
    const std::string text = "<img src=\"img/pic.gif\" alt=\"x\">";
    EXPECT_EQ(Split(text), (Pieces{"<img src=\"", "img/pic.gif", "\" alt=\"x\">"}));
    ASSERT_EQ(refer_.LinkCount(), 1);
    // 1-based start of the path and the position just behind its extension.
    EXPECT_EQ(refer_.Links()[0], (std::pair<std::size_t, std::size_t>{11, 22}));
}

TEST_F(LinkScanner, FragmentAndQueryStayInPlainText) {
    EXPECT_EQ(Split("<a href=\"page.htm#top\">"), (Pieces{"<a href=\"", "page.htm", "#top\">"}));
    EXPECT_EQ(Split("<a href=\"page.htm?x=1\">"), (Pieces{"<a href=\"", "page.htm", "?x=1\">"}));
}

TEST_F(LinkScanner, ExternalAddressIsNotSplit) {
    const std::string text = "<a href=\"http://example.com/page.htm\">x</a>";
    EXPECT_EQ(Split(text), Pieces{text});
}

TEST_F(LinkScanner, FindsExtensionsOfUpToElevenLettersAndDigits) {
    Touch("fonts/a.woff2");
    Touch("site.webmanifest");
    Touch("x.abcdefghijkl"); // twelve letters
    Touch("y.ab-cd");       // five characters, not all letters and digits
    const std::string text = "<applet code=\"Applet.class\"></applet>"
                             "<link href=\"fonts/a.woff2\"><link href='site.webmanifest'>"
                             "<a href=\"x.abcdefghijkl\">x</a><a href=\"y.ab-cd\">y</a>";
    EXPECT_EQ(Split(text), (Pieces{"<applet code=\"", "Applet.class",
                                   "\"></applet><link href=\"", "fonts/a.woff2",
                                   "\"><link href='", "site.webmanifest",
                                   "'><a href=\"x.abcdefghijkl\">x</a><a href=\"y.ab-cd\">y</a>"}));
    EXPECT_EQ(refer_.Extensions(),
              (std::vector<std::string>{".class", ".woff2", ".webmanifest"}));

    Touch("fonts.css", "@font-face { src: url(fonts/a.woff2) format(\"woff2\"); }");
    std::vector<std::string> files;
    refer_.GetLinkedFiles(root_ + "fonts.css", files);
    EXPECT_EQ(files, (std::vector<std::string>{root_ + "fonts.css", root_ + "fonts/a.woff2"}));
}

TEST_F(LinkScanner, HtmlIsFoundOnlyThroughHtml) {
    const std::string text = "<a href=\"page.htm\">p</a><a href=\"other.html\">o</a>";
    EXPECT_EQ(Split(text),
              (Pieces{"<a href=\"", "page.htm", "\">p</a><a href=\"", "other.html", "\">o</a>"}));
    EXPECT_EQ(refer_.Extensions(), (std::vector<std::string>{".htm", ".html"}));
}

TEST_F(LinkScanner, FindsStyleReferencesInParenthesesAndApostrophes) {
    EXPECT_EQ(Split("<style>body { background: url(img/pic.gif) }</style>"),
              (Pieces{"<style>body { background: url(", "img/pic.gif", ") }</style>"}));
    EXPECT_EQ(Split("<style>@import url('style.css');</style>"),
              (Pieces{"<style>@import url('", "style.css", "');</style>"}));
}

TEST_F(LinkScanner, FindsUnquotedAndSingleQuotedAttributes) {
    EXPECT_EQ(Split("<img src=img/pic.gif alt=x><a href=page.htm>"),
              (Pieces{"<img src=", "img/pic.gif", " alt=x><a href=", "page.htm", ">"}));
    EXPECT_EQ(Split("<a href='page.htm'>"), (Pieces{"<a href='", "page.htm", "'>"}));
    // A value ending in a space that started with a quote ends on the quote.
    EXPECT_EQ(Split("<a title=\"page.htm and more\">"),
              (Pieces{"<a title=\"", "page.htm", " and more\">"}));
}

TEST_F(LinkScanner, MatchesExtensionsAndPathsWithoutRegardToCase) {
    // img/pic.gif exists in lower case only: the look-up falls back to any case.
    const std::string text = "<IMG SRC=\"IMG/Pic.GIF\">";
    EXPECT_EQ(Split(text), (Pieces{"<IMG SRC=\"", "IMG/Pic.GIF", "\">"}));
    EXPECT_EQ(refer_.Extensions(), (std::vector<std::string>{".gif"}));
}

TEST_F(LinkScanner, AcceptsBackslashesAndDotDotInPaths) {
    Touch("sub/deeper/y.htm");
    EXPECT_EQ(Split("<a href=\"img\\pic.gif\">"), (Pieces{"<a href=\"", "img\\pic.gif", "\">"}));
    EXPECT_EQ(Split("<a href=\"sub/deeper/../x.htm\">"),
              (Pieces{"<a href=\"", "sub/deeper/../x.htm", "\">"}));
}

TEST_F(LinkScanner, ExtensionsAreDistinctInOrderOfFirstAppearance) {
    Split("a.css\" b.GIF\" c.gif' d.htm) e.x.y\" f. g.abcd\" h.abcdef\" 3.14 ");
    EXPECT_EQ(refer_.Extensions(),
              (std::vector<std::string>{".css", ".gif", ".htm", ".y", ".abcd", ".abcdef", ".14"}));
}

TEST_F(LinkScanner, CountsExtensionCharactersNotBytes) {
    Split("a.\xC3\xA9\" b.\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\" "
          "c.\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6"
          "\x97\xA5\xE6\x9C\xAC\"");
    EXPECT_EQ(refer_.Extensions(),
              (std::vector<std::string>{".\xC3\xA9", ".\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"}));
    // Stray continuation bytes are one character each: no endless "extension".
    Split("x." + std::string(40, '\x80') + "\" y.\x80\x80\"");
    EXPECT_EQ(refer_.Extensions(), (std::vector<std::string>{".\x80\x80"}));
}

TEST_F(LinkScanner, DoesNotScanBackPastThePreviousOccurrence) {
    // Without the bound the ")" rule would reach "(" and the existing "x.htm.htm".
    const std::string text = "(x.htm.htm)";
    EXPECT_EQ(Split(text), Pieces{text});
    // The character at the bound itself still counts as the delimiter.
    Touch("b.htm");
    EXPECT_EQ(Split("\"b.htm\"page.htm\""), (Pieces{"\"", "b.htm", "\"", "page.htm", "\""}));
}

TEST_F(LinkScanner, OverlappingLinksStillJoinToTheText) {
    // ".gif" ends "a.gif" on the space; ".png" reaches back over it to the quote.
    const std::string text = "<img src=\"a.gif b.png\">";
    const Pieces pieces = Split(text);
    EXPECT_EQ(Join(pieces), text);
    EXPECT_EQ(pieces, (Pieces{"<img src=\"", "a.gif", " b.png\">"}));
}

TEST_F(LinkScanner, PiecesJoinBackToTheText) {
    const std::string text =
        "<html><head><link rel=stylesheet href=\"style.css\"><title>T</title></head>\r\n"
        "<body background='img/pic.gif'><a href=page.htm#a>1</a> <a href=\"other.html\">2</a>\r\n"
        "<a href=\"http://example.com/x.htm\">3</a><div style=\"background:url(zeta.gif)\">"
        "</div>\r\nVersion 2.0. <img src=\"IMG/PIC.GIF\"></body></html>\r\n";
    const Pieces pieces = Split(text);
    EXPECT_EQ(Join(pieces), text);
    EXPECT_EQ(pieces.size(), 2u * 6 + 1);
    EXPECT_EQ(refer_.LinkCount(), 6);
    for (std::size_t i = 1; i < pieces.size(); i += 2) {
        const auto [start, end] = refer_.Links()[i / 2];
        EXPECT_EQ(text.substr(start - 1, end - start), pieces[i]);
    }
}

// The scan as plainly described: one search per extension, every occurrence scanned
// backwards character by character. ASCII input only.
Pieces ReferenceSplit(const std::string& text, const std::string& base) {
    std::string lower = text;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string terminators = "\n\r \"#')<>?";
    std::vector<std::string> extensions;
    for (std::size_t p = 0; p < lower.size(); ++p) {
        if (lower[p] != '.')
            continue;
        // One to four characters of any kind, or up to eleven letters and digits.
        for (std::size_t k = 1; k <= 12 && p + k < lower.size(); ++k) {
            const char c = lower[p + k];
            if (c == '.')
                break;
            if (terminators.find(c) != std::string::npos) {
                const std::string ext = lower.substr(p, k);
                const bool alnum = std::all_of(ext.begin() + 1, ext.end(), [](char x) {
                    return std::isalnum(static_cast<unsigned char>(x)) != 0;
                });
                if (k > 1 && (k <= 5 || alnum) &&
                    std::find(extensions.begin(), extensions.end(), ext) == extensions.end())
                    extensions.push_back(ext);
                break;
            }
        }
    }
    std::vector<std::pair<std::size_t, std::size_t>> links;
    for (const std::string& ext : extensions) {
        std::size_t bound = 0;
        for (std::size_t p = lower.find(ext); p != std::string::npos; p = lower.find(ext, bound)) {
            const std::size_t behind = p + ext.size();
            const char after = behind < lower.size() ? lower[behind] : '\0';
            std::string stops, found;
            if (after == '"')
                stops = "\"<>\n\r", found = "\"";
            else if (after == '>' || after == ' ' || after == '#' || after == '?')
                stops = "=<>'\"\n\r", found = "=\"'";
            else if (after == '\'')
                stops = "'<>\"\n\r", found = "'";
            else if (after == ')')
                stops = "(<>\"\n\r", found = "(";
            for (std::size_t j = p; !stops.empty() && j-- > bound;) {
                if (stops.find(lower[j]) == std::string::npos)
                    continue;
                if (found.find(lower[j]) != std::string::npos) {
                    const std::string path = text.substr(j + 1, behind - j - 1);
                    if (Paths::FileExists(StringFunc::CollapseDotDot(base + path)))
                        links.emplace_back(j + 1, behind);
                }
                break;
            }
            bound = behind;
        }
    }
    std::sort(links.begin(), links.end());
    Pieces pieces;
    std::size_t pos = 0;
    for (const auto& [start, end] : links) {
        if (start < pos)
            continue;
        pieces.push_back(text.substr(pos, start - pos));
        pieces.push_back(text.substr(start, end - start));
        pos = end;
    }
    pieces.push_back(text.substr(pos));
    return pieces;
}

TEST_F(LinkScanner, AgreesWithThePlainScanOnRandomText) {
    for (const char* name : {"b.gif", "ab.gif", "a/b.gif", "a.if", "b/a.GIF", "a b.gif", "b.woff2",
                             "a/b.webmanifest"})
        Touch(name);
    // Link-like fragments (an opening delimiter, a path, an extension, a closing
    // character) mixed with single characters that end or bound the scans.
    const std::vector<std::string> opens = {"\"", "'", "=", "(", "= ", "", "<"};
    const std::vector<std::string> paths = {"b", "ab", "a/b", "B/A", "a b", "a/../b", "x", ""};
    const std::vector<std::string> exts = {".gif", ".GIF", ".if", ".gi", ".g.if", ".woff2",
                                           ".webmanifest", ".gif-x", ".webmanifests"};
    const std::vector<std::string> closes = {"\"", "'", ")", " ", ">", "#x", "?y", "", "\n"};
    const std::vector<std::string> noise = {"a", ".", "\"", "'", "=",    "(", ")", " ",
                                            "#", "?", "<",  ">", "\r\n", "/", "\\"};
    std::mt19937 random(20240601);
    const auto pick = [&](const std::vector<std::string>& v) { return v[random() % v.size()]; };
    int withLinks = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i)
            text +=
                random() % 2 ? pick(opens) + pick(paths) + pick(exts) + pick(closes) : pick(noise);
        const Pieces pieces = Split(text);
        ASSERT_EQ(pieces, ReferenceSplit(text, root_)) << "text: " << text;
        withLinks += pieces.size() > 1;
    }
    EXPECT_GT(withLinks, 400); // the comparison did see links
}

TEST_F(LinkScanner, FindsTheSameLinksWhereverSixteenByteBlocksFall) {
    // The scans look at sixteen bytes at a time: a link split across two blocks, or at the
    // end of the text, is found as it is found anywhere else.
    for (const char* name : {"b.gif", "a/b.gif", "b.woff2"})
        Touch(name);
    const std::vector<std::string> parts = {"<img src=\"b.gif\">", "'a/b.gif'", "(b.woff2)",
                                            "=b.gif ", "e.g. 2.4.1 ", "\"x.gif\"", "\r\n"};
    std::mt19937 random(77);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int i = 0; i < 12; ++i)
            text += parts[random() % parts.size()];
        const Pieces expected = ReferenceSplit(text, root_);
        for (std::size_t shift = 0; shift <= 16; ++shift) {
            const std::string padded = std::string(shift, 'a') + text;
            Pieces pieces = Split(padded);
            ASSERT_EQ(pieces.front().substr(0, shift), std::string(shift, 'a'));
            pieces.front() = pieces.front().substr(shift);
            ASSERT_EQ(pieces, expected) << "shift " << shift << ": " << text;
        }
    }
}

TEST_F(LinkScanner, LinksChosenOnAnotherThreadSplitAsSplitLinksSplits) {
    for (const char* name : {"b.gif", "a/b.gif"})
        Touch(name);
    const std::string text = "<img src=\"b.gif\"><a href='a/b.gif'>x</a> (b.gif) \"nope.gif\" "
                             "<img src=b.gif#f> e.g. 2.4.1 <a href=\"a/../b.gif\">";
    THTMLRefer other;
    std::vector<THTMLRefer::TLinkSpan> spans;
    other.FindLinkSpans(text, spans);
    for (const bool keepAll : {false, true}) {
        const auto keep = [&](const std::string& path) {
            return keepAll || path.size() < root_.size() + 6; // only "b.gif"
        };
        Pieces expected;
        refer_.SplitLinks(text, root_, expected, keep);
        std::vector<THTMLRefer::TLinkSpan> chosen;
        for (const auto& span : spans)
            if (keep(StringFunc::CollapseDotDot(root_ + text.substr(span.Start, span.End - span.Start))))
                chosen.push_back(span);
        Pieces pieces;
        THTMLRefer::SplitAt(text, chosen, pieces);
        EXPECT_EQ(pieces, expected);
        EXPECT_GT(expected.size(), 1u);
    }
}

TEST_F(LinkScanner, ReusedObjectStartsAfresh) {
    Split("<img src=\"img/pic.gif\">");
    EXPECT_EQ(Split("<p>plain</p>"), Pieces{"<p>plain</p>"});
    EXPECT_EQ(refer_.LinkCount(), 0);
    EXPECT_TRUE(refer_.Extensions().empty());
}

TEST_F(LinkScanner, SplitFileResolvesAgainstTheFilesFolder) {
    Touch("sub/page.htm", "<img src=\"../img/pic.gif\">\n<a href=\"x.htm\">x</a>");
    Pieces pieces;
    refer_.SplitFile(root_ + "sub/page.htm", pieces);
    EXPECT_EQ(pieces, (Pieces{"<img src=\"", "../img/pic.gif", "\">\r\n<a href=\"", "x.htm",
                              "\">x</a>\r\n"}));
}

TEST_F(LinkScanner, RelocateLinksWritesOneStepUpWithForwardSlashes) {
    // A template in the root, shown around a page one folder below it.
    Pieces pieces;
    refer_.SplitText("<img src=\"img/pic.gif\"><img src=\"img\\pic.gif\"><a href=\"page.htm\">",
                     root_, pieces);
    ASSERT_EQ(pieces.size(), 7u);
    EXPECT_EQ(RelocateLinks(pieces, root_, root_ + "sub/"),
              "<img src=\"../img/pic.gif\"><img src=\"../img/pic.gif\"><a href=\"../page.htm\">");
    // And back down again, with the ".." collapsed.
    refer_.SplitText("<img src=\"../img/pic.gif\">", root_ + "sub/", pieces);
    EXPECT_EQ(RelocateLinks(pieces, root_ + "sub/", root_), "<img src=\"img/pic.gif\">");
    // Same folder: paths stay as they are.
    refer_.SplitText("<a href=\"sub/x.htm\">", root_, pieces);
    EXPECT_EQ(RelocateLinks(pieces, root_, root_), "<a href=\"sub/x.htm\">");
}

TEST_F(LinkScanner, LinkedFilesAreGroupedByExtensionAndSortedWithinGroups) {
    Touch("index.htm", "<img src=\"zeta.gif\"><a href=\"sub/x.htm\"><link href='style.css'>"
                       "<a href=\"page.htm\"><img src=\"img/pic.gif\"><img src=\"ZETA.GIF\">"
                       "<img src=\"missing.gif\"><a href=\"sub/../other.html\"><img src=Alpha.gif>"
                       "<a href=\"http://example.com/a.htm\">");
    std::vector<std::string> files;
    refer_.GetLinkedFiles(root_ + "index.htm", files);
    EXPECT_EQ(files, (std::vector<std::string>{root_ + "index.htm", root_ + "Alpha.gif",
                                               root_ + "img/pic.gif", root_ + "zeta.gif",
                                               root_ + "page.htm", root_ + "sub/x.htm",
                                               root_ + "style.css", root_ + "other.html"}));
}

TEST_F(LinkScanner, LinkedFilesKeepWhatTheListHeldAndTheWrittenCase) {
    Touch("index.htm", "<img src=\"IMG/PIC.GIF\">");
    std::vector<std::string> files{"/not/there.htm"};
    refer_.GetLinkedFiles(root_ + "index.htm", files);
    EXPECT_EQ(files, (std::vector<std::string>{"/not/there.htm", root_ + "index.htm",
                                               root_ + "IMG/PIC.GIF"}));
}

} // namespace
