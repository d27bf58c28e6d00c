#pragma once
// The data behind the Web Help's full-text search: the reading text of every page of the
// contents, split into words, counted per page and written as one script
// ("webhelpsearchdata.js") that the search page hands to its search library. Words are
// written as they appear (only ASCII letters lower-cased): folding case and accents and
// stemming happen once in the browser, with the same code that reads the reader's query,
// so a page and a query can never disagree about a word.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvane {

class TContents;

// The reading text of a page body (or a whole page): no markup, no scripts, styles,
// comments or other text a reader never sees; character references decoded; every run of
// white space one space. UTF-8 in, UTF-8 out.
std::string PageText(std::string_view html);

// The words of a UTF-8 text, in order: runs of letters, marks and digits of any script;
// each Chinese, Japanese or Korean character is a word of its own, since those languages
// do not separate words. The search page splits the reader's query by the same rules.
std::vector<std::string_view> SearchWords(std::string_view text);

struct TSearchDoc {
    std::string Title; // the topic's title
    std::string Url;   // the page relative to the output folder ("scr/...")
    int Node = 0;      // the topic's node in the navigation tree
    std::string Text;  // the page's reading text (PageText)
};

// For each item of the contents, the address (below "scr") under which the search finds
// its page, or "" when it finds it under an earlier topic or the item has no page: each
// page is found once, under its first topic.
std::vector<std::string> SearchAddresses(const TContents& contents);

// One document per page of the table of contents, in tree order (see SearchAddresses).
std::vector<TSearchDoc> SearchDocs(const TContents& contents);

// The search data built page by page: each page's words are counted as it is added and
// only the beginning of its text is kept, so a build never holds the text of all its
// pages at once. Script() gives what SearchDataScript gives for the same documents.
class TSearchData {
public:
    TSearchData();
    ~TSearchData();
    TSearchData(const TSearchData&) = delete;
    TSearchData& operator=(const TSearchData&) = delete;

    // What Add takes of one page: its words counted, the beginning of its text. Made on
    // any thread, so that the words of many pages are counted at once.
    struct TPage {
        std::string Title;
        std::string Url;
        int Node = 0;
        // Per field (0: the title, 1: the text): how many words, and each distinct word
        // (ASCII letters lower-cased) with its count, in the order first met.
        std::uint32_t Lengths[2] = {0, 0};
        std::vector<std::pair<std::string, std::uint32_t>> Words[2];
        std::string Start;
        std::size_t TextSize = 0;
    };
    static TPage Page(const std::string& title, const std::string& url, int node,
                      std::string_view text);

    // Pages are added in the order of the search's documents.
    void Add(TPage&& page);
    void Add(const std::string& title, const std::string& url, int node, std::string_view text);
    std::string Script() const;

private:
    struct TState;
    std::unique_ptr<TState> state_;
};

// The search data of the documents as a script: "pvSearchData({...});". Besides the
// word counts it carries a beginning of each page's text for the result snippets, cut so
// that the whole stays within a third of the size of the pages' text (pages of a few
// words keep a line each however small their text).
std::string SearchDataScript(const std::vector<TSearchDoc>& docs);

} // namespace parvane
