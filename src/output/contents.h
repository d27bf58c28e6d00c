#pragma once
// TContents: the flat, ordered model of the table of contents every output is generated
// from. Its methods are spread over the generator files: contents.cpp (items, numbering,
// keyword pairs), single_html.cpp, web_help.cpp and chm_sitemap.cpp.

#include "model/project_file.h"
#include "model/project_root.h"
#include "model/string_index.h"
#include "output/kept_files.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace parvane {

// Orders strings without regard to case (StringFunc::CompareText).
class TRealNamesPool;
class TSearchData;

struct TextLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

// Common base of the generator objects; adds nothing.
class TVyrObject {
public:
    virtual ~TVyrObject() = default;
};

struct TContentsItem {
    int Position = 0;
    std::string Title;
    std::string Url;  // relative to the project root, "\" separators as stored
    std::string Body; // PageBody of the page (line breaks kept); empty unless HasContent
    std::string File; // the page as on disk, inside the root; empty unless HasContent
    int Level = 1;    // top-level topics have 1
    int ImageNumber = 0;
    int Status = 0;
    std::string Keywords;
    std::string ContextNumber;
    // Its place among its siblings (from 1) and the position of its parent item (-1 at the
    // top): TContents::ItemNumber spells the outline number "1.", "1.2", ... from them.
    int Ordinal = 0;
    int Parent = -1;
    bool IsLast = false;
    bool HasChildren = false;
    bool HasContent = false;
    bool ApplyTemp = false;
};

// One (keyword, item) pair of the keyword index, shared by the HTML Help and Web Help
// indexes: items with Status 0 whose page exists, trimmed non-empty keyword lines,
// sorted without regard to case.
struct TKeywordPair {
    std::string Keyword;
    const TContentsItem* Item = nullptr;
};

// The inner HTML of a page's body, as GetHtmlBody finds it, but with its line breaks kept
// (as CR LF): removing them would join the words on either side of a break and flatten
// every <pre> block. Empty when either body tag is missing.
std::string PageBody(std::string_view html);

// Splits a keyword into its levels: "/" separates, "//" stands for a literal "/".
std::vector<std::string> SplitKeywordParts(const std::string& keyword);

// The deepest table of contents the outputs are built for. Each output repeats a topic's
// depth in what it writes for it (the indent images of the Web Help tree, the outline
// number of Single HTML), so a chain of 100,000 topics would need gigabytes; a build of a
// deeper table is refused with TooDeepMessage. No manual comes near it.
inline constexpr int kMaxContentsDepth = 256;
std::string TooDeepMessage(const std::string& title);

// Where the Web Help page step writes a contents item's page (web_help.cpp).
struct TWebPagePlan {
    std::string Address; // relative to "scr", "/" separators
    std::string Dest;    // "" when the item writes no page
    std::string Source;  // the project's page, as on disk
};

class TContents : public TVyrObject {
public:
    using InfoCallback = std::function<void(const std::string&)>;

    explicit TContents(TPvx& project, InfoCallback onInfo = {});

    InfoCallback OnInfo;
    std::string ProgramFolder; // with trailing "/"
    TPvx& Project;
    std::vector<std::unique_ptr<TContentsItem>> Items;
    // Absolute paths, as on disk, of the files to copy. Two names that differ only in
    // case are two files.
    std::set<std::string> Files;
    // Files outside the project's root that a page or topic leads to: reported once as
    // not copied, and never read.
    std::set<std::string> OutsideFiles;
    // Some collected file links to a file only through a different letter case: the
    // copies need their links written with the names on disk.
    bool LinksNeedRealNames = false;
    // The files the collection scanned from bytes that are their text as they are (UTF-8
    // or the like, no byte-order mark), with what their links need: 0 when every link
    // names its file as it is on disk, k when the links whose last names are listed in
    // OtherCaseNames[k - 1] ("/" between the names) may reach theirs only in another
    // letter case. Writing or copying such a file looks up names on disk for those links
    // alone. Read-only once the collection is over.
    TStringIndex ExactScans;
    std::vector<std::string> OtherCaseNames;
    // What ExactScans says of file written from linkFolder with text decoded as charset:
    // nullptr when that is not the text scanned or not the folder its links were looked up
    // from, else the last names of the links that need names on disk (empty: none).
    const std::string* ScannedNames(const std::string& file, std::string_view linkFolder,
                                    std::string_view charset) const;

    // How paths are looked up in this build (made on first use for the project's root).
    // Not safe to share between threads: the per-page workers never call it; what they
    // need is looked up before they start or after they hand their result back.
    TProjectRoot& Root() const;
    // Reports path once as not copied because it lies outside the root.
    void ReportOutside(const std::string& path);

    // Whether BuildItems keeps every page's body in memory (Body). Without it a page is only
    // checked to be readable and ItemBody reads the body when a generator needs it: a
    // project of tens of thousands of pages would otherwise hold them all at once.
    bool KeepBodies = true;
    // Threads for the per-page work (0: one per core); the output does not depend on it.
    int Threads = 0;
    // Pages the file collection read, for the page step to write without reading them
    // again (keeps nothing unless a branch sets a limit).
    TKeptFiles KeptPages;

    void Info(const std::string& text) const {
        if (OnInfo)
            OnInfo(text);
    }
    // The item's Body, read from its page when the bodies are not kept ("" without content
    // or when the page can no longer be read).
    std::string ItemBody(const TContentsItem& item) const;

    // Items from the table of contents, bodies of existing pages, numbering. Throws
    // EParvaneError (TooDeepMessage) for a table deeper than kMaxContentsDepth.
    void BuildItems();
    void NumberItems();
    // The outline number of Items[index]: "1." for a top-level item, "1.2.3" below.
    std::string ItemNumber(std::size_t index) const;
    std::vector<TKeywordPair> KeywordPairs() const;

    // Single HTML.
    std::string BuildSingleToc() const;
    std::string BuildSinglePages() const;
    // The same, and the distinct scripts and style sheets of the pages for the page's
    // head (their addresses relative to the root). The pages are read and rewritten on
    // Threads threads.
    std::string BuildSinglePages(std::string& headResources) const;
    // The same text in pieces, in order: a large reference makes a page of hundreds of
    // megabytes, which need not be joined (and grown) as one string to be written.
    std::vector<std::string> SinglePagesParts(std::string& headResources) const;

    // Web Help (web_help.cpp); outputFolder has a trailing "/". WriteWebPages writes the
    // topic pages with their script (templateFile: absolute, "" for none) over the copies
    // the driver has made in "scr".
    // With realNames, links that reach their file only in another letter case are written
    // with the names on disk. With search, every page of the contents is added to the
    // search data, in tree order, from the reading made to write it where there is one.
    void WriteWebPages(const std::string& outputFolder, const std::string& templateFile,
                       const std::string& scrollStyle, TRealNamesPool* realNames = nullptr,
                       TSearchData* search = nullptr);
    void CopyWebImages(const std::string& outputFolder) const;
    std::string BuildNavigation() const;
    std::string BuildIndexList() const;

    // HTML Help.
    std::string BuildSitemapContents() const;
    std::string BuildSitemapIndex() const;
    void BuildAliasAndMap(std::string& aliasText, std::string& mapText) const;

    // WebAddress(*this, item), looked up once per item: the page step, the tree, the index
    // and the search all need it. On the build's thread only, except after
    // CacheWebAddresses, which looks up every item's: then any thread may read them.
    const std::string& CachedWebAddress(const TContentsItem& item) const;
    void CacheWebAddresses() const;
    // Where the page step writes each item's page, for the folder scr (with a trailing
    // "/"): worked out once per build, as the copying needs it first. On the build's thread.
    const std::vector<TWebPagePlan>& WebPagePlan(const std::string& scr, bool withTemplate) const;

private:
    mutable std::unique_ptr<TProjectRoot> root_;
    // Per item: its Url when looked up, and the address.
    mutable std::unordered_map<const TContentsItem*, std::pair<std::string, std::string>>
        webAddresses_;
    mutable std::string webPlanFor_; // the folder and template choice of webPlan_
    mutable std::vector<TWebPagePlan> webPlan_;
};

} // namespace parvane
