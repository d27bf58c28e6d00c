#include "../support/test_project.h"
#include "output/contents.h"
#include "output/search_index.h"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <thread>

using namespace parvane;
using namespace parvane::testing;

namespace {

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> out;
    for (std::string_view w : SearchWords(text))
        out.emplace_back(w);
    return out;
}

// The part of the data between `"name":"` and the next quote: the encoded postings of one
// field, one space-separated segment per term.
std::vector<std::string> FieldSegments(const std::string& data, const std::string& name) {
    const std::string key = "\"" + name + "\":\"";
    const std::size_t from = data.find(key);
    EXPECT_NE(from, std::string::npos) << name;
    const std::size_t start = from + key.size();
    const std::string field = data.substr(start, data.find('"', start) - start);
    std::vector<std::string> segments;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t space = field.find(' ', pos);
        segments.push_back(field.substr(pos, space - pos));
        if (space == std::string::npos)
            break;
        pos = space + 1;
    }
    return segments;
}

// Reads postings back the way the search page does: document -> count.
std::map<int, int> Decode(const std::string& segment) {
    static const std::string digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::size_t i = 0;
    auto number = [&] {
        long value = 0, scale = 1;
        for (;;) {
            const long d = static_cast<long>(digits.find(segment.at(i++)));
            if (d >= 32) {
                value += (d - 32) * scale;
                scale *= 32;
            } else {
                return value + d * scale;
            }
        }
    };
    std::map<int, int> postings;
    int doc = -1;
    while (i < segment.size()) {
        const long n = number();
        doc += static_cast<int>(n / 2) + 1;
        postings[doc] = n % 2 ? static_cast<int>(number()) + 2 : 1;
    }
    return postings;
}

// The terms of the data in their order.
std::vector<std::string> Terms(const std::string& data) {
    const std::size_t from = data.find("\"terms\":[") + 9;
    const std::size_t to = data.find("],", from);
    std::vector<std::string> terms;
    std::string current;
    bool inString = false;
    for (std::size_t i = from; i < to; ++i) {
        const char c = data[i];
        if (!inString) {
            if (c == '"')
                inString = true;
            continue;
        }
        if (c == '\\') {
            current += data[++i];
        } else if (c == '"') {
            terms.push_back(current);
            current.clear();
            inString = false;
        } else {
            current += c;
        }
    }
    return terms;
}

} // namespace

TEST(SearchText, KeepsOnlyWhatAReaderReads) {
    EXPECT_EQ(PageText("<p>One</p><p>two</p>"), "One two");
    // Inline markup does not split a word; a line break in the source is a space.
    EXPECT_EQ(PageText("<b>W</b>ord and<i>more</i>\r\nline<br>break"), "Word andmore line break");
    EXPECT_EQ(PageText("a<script>var x = '<p>no</p>';</script>b<style>p{}</style>c"
                       "<!-- hidden <p>x</p> -->d<noscript>n</noscript>e<template>t</template>f"),
              "a b cd e f");
    EXPECT_EQ(PageText("<SCRIPT type=x>if (a</b) {}</SCRIPT >after"), "after");
    EXPECT_EQ(PageText("<a title=\"x > y\" href='q>r'>link</a>"), "link");
    EXPECT_EQ(PageText("caf&eacute; &amp; cr&#232;me &#x3b1;&beta; &unknown; a&b"),
              "caf\xc3\xa9 & cr\xc3\xa8me \xce\xb1\xce\xb2 &unknown; a&b");
    EXPECT_EQ(PageText("1 < 2 and 3<4 <> ok"), "1 < 2 and 3<4 <> ok");
    EXPECT_EQ(PageText("  spaced \t\r\n  out&nbsp;&nbsp;here  "), "spaced out here");
    // Soft hyphens stay inside their word.
    EXPECT_EQ(PageText("hy&shy;phen"), "hyphen");
    // A whole page: the head is not text.
    EXPECT_EQ(PageText("<html><head><title>Title</title><style>s</style></head>"
                       "<body class=\"b\"><h1>Heading</h1></body></html>"),
              "Heading");
    // Cut short anywhere, it still ends.
    EXPECT_EQ(PageText("text <script>never closed"), "text");
    EXPECT_EQ(PageText("text <a href=\"unterminated"), "text");
    EXPECT_EQ(PageText("bad \xff\xfe bytes"), "bad \xef\xbf\xbd\xef\xbf\xbd bytes");
    // Names longer than any listed element, or only starting like one, are neither hidden
    // nor inline; a form feed is white space, other controls are dropped.
    EXPECT_EQ(PageText("<Custom-Element-With-A-Long-Name>in</custom-element-with-a-long-name>"
                       "side <scripts>shown</scripts> <SPANNER>x</SPANNER>y"),
              "in side shown x y");
    EXPECT_EQ(PageText("a\fb\vc"), "a bc");
}

TEST(SearchText, WhiteSpaceRunsBecomeOneSpaceWhereverTheyFall) {
    // Random text of words, runs of white space, inline tags, references and accented
    // letters, long enough to cross every place a run of text can be cut; the reading text
    // is known as it is made: each run of white space between two pieces of text is one
    // space, none at the ends.
    std::mt19937 random(7);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (int round = 0; round < 300; ++round) {
        std::string html, expected;
        bool pending = false;
        const auto text = [&](std::string_view written, std::string_view read) {
            html += written;
            if (pending)
                expected += ' ';
            pending = false;
            expected += read;
        };
        for (int piece = 0; piece < 40; ++piece) {
            switch (pick(6)) {
            case 0:
            case 1: {
                std::string word;
                for (int k = 1 + pick(24); k > 0; --k)
                    word += "abcXYZ019.,;:!?-_()'\"/"[pick(22)];
                text(word, word);
                break;
            }
            case 2: {
                const char* blanks[] = {" ", "  ", "\n", " \r\n ", "\t", "   ", "\f "};
                html += blanks[pick(7)];
                pending = !expected.empty();
                break;
            }
            case 3:
                html += pick(2) ? "<b>" : "</span>"; // inline: no space
                break;
            case 4:
                text("&amp;", "&");
                break;
            default:
                text("\xc3\xa9", "\xc3\xa9");
                break;
            }
        }
        ASSERT_EQ(PageText(html), expected) << html;
    }
    // Two spaces at every place of a long run, so that some fall on both sides of a cut.
    for (std::size_t before = 0; before < 40; ++before) {
        const std::string first(before + 1, 'x'), second(20, 'y');
        ASSERT_EQ(PageText("<p>" + first + "  " + second + "</p>"), first + " " + second);
        ASSERT_EQ(PageText("<p>" + first + " " + second + "   z</p>"), first + " " + second + " z");
    }
}

TEST(SearchText, WordsOfEveryScript) {
    EXPECT_EQ(Words("Hello, w\xc3\xb6rld! l'\xc3\xa9t\xc3\xa9 3.14 e-mail snake_case"),
              (std::vector<std::string>{"Hello", "w\xc3\xb6rld", "l", "\xc3\xa9t\xc3\xa9", "3",
                                        "14", "e", "mail", "snake", "case"}));
    // Greek with its question mark and middle dot, Cyrillic with a dash between words.
    EXPECT_EQ(Words("\xce\x9a\xce\xb1\xce\xbb\xce\xb7\xce\xbc\xce\xad\xcf\x81\xce\xb1;"
                    "\xce\xba\xcf\x8c\xcf\x83\xce\xbc\xce\xb5\xce\x87 "
                    "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\xe2\x80\x94\xd0\xbc\xd0\xb8"
                    "\xd1\x80"),
              (std::vector<std::string>{
                  "\xce\x9a\xce\xb1\xce\xbb\xce\xb7\xce\xbc\xce\xad\xcf\x81\xce\xb1",
                  "\xce\xba\xcf\x8c\xcf\x83\xce\xbc\xce\xb5",
                  "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82", "\xd0\xbc\xd0\xb8\xd1\x80"}));
    // Chinese and Japanese: one word per character, the Japanese full stop and the
    // katakana middle dot separate; Latin next to them stays a word.
    EXPECT_EQ(Words("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x80\x82\xe3\x83\x86\xe3\x83\xbb"
                    "API\xe6\x96\x87"),
              (std::vector<std::string>{"\xe6\x97\xa5", "\xe6\x9c\xac", "\xe8\xaa\x9e",
                                        "\xe3\x83\x86", "API", "\xe6\x96\x87"}));
    // A combining accent belongs to its letter; symbols and emoji separate.
    EXPECT_EQ(Words("cafe\xcc\x81\xe2\x82\xac" "5 a\xc2\xb7" "b x\xf0\x9f\x98\x80y"),
              (std::vector<std::string>{"cafe\xcc\x81", "5", "a", "b", "x", "y"}));
    EXPECT_TRUE(Words("").empty());
    EXPECT_TRUE(Words(" ,.;!?\xc2\xa0\xe2\x80\x94 ").empty());
    // Long texts, read in blocks: words of every length cut anywhere, next to letters of
    // other scripts, Chinese characters and separators of both kinds.
    std::mt19937 random(5);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string letters[] = {"a", "Z", "0", "9", "\xc3\xa9", "\xd0\x96", "e\xcc\x81"};
    const std::string separators[] = {" ", ",", "@", "[",           "`",
                                      "{", "/", "\xe2\x80\x94", "\xc2\xa0", "\n"};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::vector<std::string> expected;
        for (int piece = pick(60); piece > 0; --piece) {
            if (pick(5) == 0) {
                expected.emplace_back("\xe4\xb8\xad"); // a word of its own, whatever is next to it
                text += expected.back();
                continue;
            }
            std::string word;
            for (int k = 1 + pick(40); k > 0; --k)
                word += letters[pick(7)];
            expected.push_back(word);
            text += word;
            for (int k = 1 + pick(3); k > 0; --k)
                text += separators[pick(10)];
        }
        ASSERT_EQ(Words(text), expected) << text;
    }
}

TEST(SearchData, CountsEachWordPerPageAndField) {
    const std::vector<TSearchDoc> docs = {
        {"Apple pie", "scr/a.htm", 0, "Apple apple banana"},
        {"Nothing", "scr/b.htm", 3, "cherry"},
        {"Other", "scr/c.htm", 7, "banana APPLE banana banana"},
    };
    const std::string data = SearchDataScript(docs);
    ASSERT_EQ(data.substr(0, 14), "pvSearchData({");
    ASSERT_EQ(data.substr(data.size() - 4), "});\n");
    // ASCII letters are lower-cased; every word once, in byte order.
    const std::vector<std::string> terms = Terms(data);
    EXPECT_EQ(terms, (std::vector<std::string>{"apple", "banana", "cherry", "nothing", "other",
                                               "pie"}));
    const std::vector<std::string> title = FieldSegments(data, "title");
    const std::vector<std::string> text = FieldSegments(data, "text");
    ASSERT_EQ(title.size(), terms.size());
    ASSERT_EQ(text.size(), terms.size());
    EXPECT_EQ(Decode(title[0]), (std::map<int, int>{{0, 1}}));
    EXPECT_EQ(Decode(text[0]), (std::map<int, int>{{0, 2}, {2, 1}}));
    EXPECT_EQ(Decode(text[1]), (std::map<int, int>{{0, 1}, {2, 3}}));
    EXPECT_EQ(Decode(text[2]), (std::map<int, int>{{1, 1}}));
    EXPECT_EQ(Decode(title[4]), (std::map<int, int>{{2, 1}}));
    EXPECT_EQ(text[5], "") << "\"pie\" is only in a title";
    // Title, address, node, the number of words of title and text, the beginning of the
    // text.
    EXPECT_NE(data.find("[\"Apple pie\",\"scr/a.htm\",0,2,3,\"Apple apple banana\"]"),
              std::string::npos);
    EXPECT_NE(data.find("[\"Other\",\"scr/c.htm\",7,1,4,\"banana APPLE banana banana\"]"),
              std::string::npos);
}

TEST(SearchData, ManyDistinctWordsKeepTheirOrderAndCounts) {
    // Thousands of distinct words, each met 1 to 3 times in changing letter case.
    std::string text;
    const int distinct = 5000;
    for (int round = 0; round < 3; ++round)
        for (int w = 0; w < distinct; ++w)
            if (w % 3 >= round)
                text += (round == 1 ? "Word" : "wORD") + std::to_string(w) + " ";
    const TSearchData::TPage page = TSearchData::Page("Title title TITLE", "scr/a.htm", 1, text);
    ASSERT_EQ(page.Words[0].size(), 1u);
    EXPECT_EQ(page.Words[0][0], (std::pair<std::string, std::uint32_t>("title", 3)));
    EXPECT_EQ(page.Lengths[0], 3u);
    ASSERT_EQ(page.Words[1].size(), static_cast<std::size_t>(distinct));
    std::uint32_t total = 0;
    for (int w = 0; w < distinct; ++w) {
        const auto& [word, count] = page.Words[1][static_cast<std::size_t>(w)];
        ASSERT_EQ(word, "word" + std::to_string(w));
        ASSERT_EQ(count, static_cast<std::uint32_t>(w % 3 + 1)) << word;
        total += count;
    }
    EXPECT_EQ(page.Lengths[1], total);
}

TEST(SearchData, CountsAgreeWithTheWordsOfTheText) {
    // Words of every length around 16 bytes, letters of other scripts, capitals, and
    // words that end the text: each page's counts are those of SearchWords, lower-cased.
    std::mt19937 random(11);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string letters[] = {"a",        "B",        "z",        "Q",           "7",
                                   "\xc3\xa9", "\xc3\x89", "\xd0\x96", "\xe4\xb8\xad"};
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> vocabulary;
        for (int v = 0; v < 30; ++v) {
            std::string word;
            for (int k = 1 + pick(20); k > 0; --k)
                word += letters[pick(9)];
            vocabulary.push_back(word);
        }
        std::string text;
        for (int w = pick(300); w > 0; --w)
            text += vocabulary[static_cast<std::size_t>(pick(30))] + (pick(4) ? " " : ", ");
        if (pick(2))
            text += vocabulary[0]; // a word right at the end
        std::vector<std::pair<std::string, std::uint32_t>> expected;
        std::map<std::string, std::size_t> at;
        for (std::string_view word : SearchWords(text)) {
            std::string lower(word);
            for (char& c : lower)
                if (c >= 'A' && c <= 'Z')
                    c = static_cast<char>(c - 'A' + 'a');
            const auto [it, added] = at.emplace(lower, expected.size());
            if (added)
                expected.emplace_back(lower, 0);
            ++expected[it->second].second;
        }
        const TSearchData::TPage page = TSearchData::Page("", "scr/a.htm", 1, text);
        ASSERT_EQ(page.Words[1], expected) << text;
        ASSERT_EQ(page.Lengths[1], SearchWords(text).size());
    }
}

TEST(SearchData, LargeGapsAndCountsSurviveTheCode) {
    std::vector<TSearchDoc> docs(5000);
    for (int d = 0; d < 5000; ++d)
        docs[d] = {"T", "scr/p.htm", d, d == 4999 ? "rare" : "common"};
    docs[0].Text = "rare";
    docs[1].Text = std::string("common ") + std::string(70000 * 7, ' ');
    for (int k = 0; k < 70000; ++k)
        docs[1].Text += "common ";
    const std::string data = SearchDataScript(docs);
    const std::vector<std::string> terms = Terms(data);
    ASSERT_EQ(terms, (std::vector<std::string>{"common", "rare", "t"}));
    const std::vector<std::string> text = FieldSegments(data, "text");
    EXPECT_EQ(Decode(text[1]), (std::map<int, int>{{0, 1}, {4999, 1}}));
    const std::map<int, int> common = Decode(text[0]);
    EXPECT_EQ(common.size(), 4998u);
    EXPECT_EQ(common.at(1), 70001);
    EXPECT_EQ(common.at(4998), 1);
}

TEST(SearchData, PagesCountedOnSeveralThreadsAtOnceGiveTheSameData) {
    // Builds count each page's words on the page's own thread and add the pages in order
    // on theirs: the data must be what one thread makes, word for word and count for count.
    std::vector<TSearchDoc> docs;
    for (int d = 0; d < 400; ++d) {
        std::string text;
        for (int w = 0; w < 300; ++w)
            text += "Word" + std::to_string((d * 31 + w * w) % 997) + (w % 5 ? " " : " W\u00e9 ");
        docs.push_back({"Title " + std::to_string(d % 13), "scr/p" + std::to_string(d) + ".htm",
                        d, text});
    }
    std::vector<TSearchData::TPage> pages(docs.size());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (std::size_t d = t; d < docs.size(); d += 4)
                pages[d] = TSearchData::Page(docs[d].Title, docs[d].Url, docs[d].Node,
                                             docs[d].Text);
        });
    for (std::thread& thread : threads)
        thread.join();
    TSearchData data;
    for (TSearchData::TPage& page : pages)
        data.Add(std::move(page));
    const std::string script = data.Script();
    EXPECT_EQ(script, SearchDataScript(docs));
    const std::vector<std::string> terms = Terms(script);
    EXPECT_EQ(terms.size(), 997u + 1 + 13 + 1) << "every word, \"w\u00e9\", the titles' numbers, \"title\"";
}

TEST(SearchData, EscapesTextAndMendsBrokenBytes) {
    const std::vector<TSearchDoc> docs = {
        {"Say \"hi\" \\ to\nall \xe2\x80\xa8 bad\xff", "scr/it's.htm", 0, "x"}};
    const std::string data = SearchDataScript(docs);
    EXPECT_NE(data.find("[\"Say \\\"hi\\\" \\\\ to\\u000aall \\u2028 bad\xef\xbf\xbd\","
                        "\"scr/it's.htm\""),
              std::string::npos)
        << data;
    EXPECT_EQ(data.find('\n', 0), data.find("\n\"title\""));
}

TEST(SearchData, StaysUnderHalfTheTextAndKeepsABeginningOfEachPage) {
    // Pages of prose from a vocabulary of a few thousand words, as a manual has them.
    std::vector<std::string> vocabulary;
    for (int k = 0; k < 3000; ++k) {
        std::string word;
        for (int n = k; word.size() < 4 || n > 0; n /= 7)
            word += static_cast<char>('a' + (n * 5 + word.size() * 3) % 26);
        vocabulary.push_back(word);
    }
    std::vector<TSearchDoc> docs;
    std::size_t textBytes = 0;
    unsigned seed = 7;
    for (int d = 0; d < 400; ++d) {
        std::string text;
        for (int w = 0; w < 300; ++w) {
            seed = seed * 1103515245u + 12345u;
            // Frequent words more often than rare ones.
            const unsigned r = (seed >> 8) % 3000;
            text += vocabulary[(r * r) / 3000] + (w % 12 == 11 ? ". " : " ");
        }
        textBytes += text.size();
        docs.push_back({"Topic " + std::to_string(d), "scr/t.htm", d, text});
    }
    docs.push_back({"Short", "scr/s.htm", 400, "A short page keeps all its words."});
    const std::string data = SearchDataScript(docs);
    EXPECT_LE(data.size(), textBytes / 2);
    EXPECT_NE(data.find("\"A short page keeps all its words.\"]"), std::string::npos);
    // A long page keeps a beginning that ends with a whole word.
    const std::string start = docs[0].Text.substr(0, 100);
    const std::size_t at = data.find(start);
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = data.find('"', at);
    EXPECT_GE(end - at, 120u);
    EXPECT_LT(end - at, docs[0].Text.size());
    EXPECT_EQ(docs[0].Text[end - at], ' ') << "cut after a whole word";
}

TEST(SearchData, OneDocumentPerPageOfTheContents) {
    TestProject p;
    p.Write("a.htm", Page("A", "<p>alpha</p>"));
    p.Write("b.htm", Page("B", "<p>beta <script>hidden()</script></p>"));
    TTopicTree& tree = p.Tree();
    TTopicNode* root = tree.ContentsRoot();
    tree.AddTopicNode(root, "First", imLastChildOfReference, tsLinked, 0, "a.htm");
    tree.AddTopicNode(root, "Heading", imLastChildOfReference, tsNoLink, 0, "");
    tree.AddTopicNode(root, "Unsaved", imLastChildOfReference, tsUnsaved, 0, "");
    tree.AddTopicNode(root, "Again", imLastChildOfReference, tsLinked, 0, "A.htm");
    tree.AddTopicNode(root, "Second", imLastChildOfReference, tsLinked, 0, "b.htm");
    tree.AddTopicNode(root, "Missing", imLastChildOfReference, tsLinked, 0, "gone.htm");
    TContents contents(p.Project());
    contents.BuildItems();
    const std::vector<TSearchDoc> docs = SearchDocs(contents);
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(docs[0].Title, "First");
    EXPECT_EQ(docs[0].Url, "scr/a.htm");
    EXPECT_EQ(docs[0].Node, 0);
    EXPECT_EQ(docs[0].Text, "alpha");
    EXPECT_EQ(docs[1].Title, "Second");
    EXPECT_EQ(docs[1].Node, 4);
    EXPECT_EQ(docs[1].Text, "beta");
}
