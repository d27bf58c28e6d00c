#pragma once
// The data behind the Web Help's full-text search: the reading text of every page of the
// contents, split into words, counted per page and written as one script
// ("webhelpsearchdata.js") that the search page hands to its search library. Words are
// written as they appear (only ASCII letters lower-cased): folding case and accents and
// stemming happen once in the browser, with the same code that reads the reader's query,
// so a page and a query can never disagree about a word.

#include <optional>
#include <string>
#include <string_view>
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

// One document per page of the table of contents, in tree order; a page that several
// topics show is found once, under its first topic.
// pageTexts, when given, holds the reading text of the pages already read (see
// TContents::WriteWebPages); the others are read here.
std::vector<TSearchDoc> SearchDocs(const TContents& contents,
                                   std::vector<std::optional<std::string>>* pageTexts = nullptr);

// The search data of the documents as a script: "pvSearchData({...});". Besides the
// word counts it carries a beginning of each page's text for the result snippets, cut so
// that the whole stays within a third of the size of the pages' text (pages of a few
// words keep a line each however small their text).
std::string SearchDataScript(const std::vector<TSearchDoc>& docs);

} // namespace parvane
