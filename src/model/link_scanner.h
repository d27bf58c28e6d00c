#pragma once
// THTMLRefer finds references to local files in a page's text without parsing the HTML:
// it looks for file extensions and works outward to the delimiters around them.

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvane {

class THTMLRefer {
public:
    // Pieces of text: even positions plain text, odd positions link paths; joining all
    // pieces gives back the text. Only links that reach an existing file are split out.
    void SplitText(std::string_view text, const std::string& baseFolder,
                   std::vector<std::string>& pieces);
    void SplitFile(const std::string& fileName, std::vector<std::string>& pieces);
    // Appends the file itself, then the full paths of every existing local file it refers
    // to, grouped by extension in order of first appearance, alphabetical within a group.
    // Paths keep the letters the page wrote; Paths::ResolveExisting gives the one on disk.
    // SplitFile and GetLinkedFiles throw EParvaneError when the file cannot be read.
    void GetLinkedFiles(const std::string& fileName, std::vector<std::string>& files);
    // Every local path the page links to, made absolute from its folder with ".." taken,
    // whether it exists or not, each once: nothing but the page itself is read, so the
    // caller decides (TProjectRoot) what to look at. Same order as GetLinkedFiles.
    void GetLinkedPaths(const std::string& fileName, std::vector<std::string>& paths);
    // GetLinkedPaths of a page's text as StringFunc::LoadTextFile reads it, the page lying
    // in baseFolder: for a caller that reads the page for more than its links.
    void GetTextLinkedPaths(std::string&& text, const std::string& baseFolder,
                            std::vector<std::string>& paths);
    // SplitText with the caller's choice of links: keep gets the absolute path (".."
    // taken) of each distinct link found and tells whether it is split out.
    void SplitLinks(std::string_view text, const std::string& baseFolder,
                    std::vector<std::string>& pieces,
                    const std::function<bool(const std::string&)>& keep);

    // SplitLinks in two steps, for a caller that chooses the links elsewhere (on another
    // thread): FindLinkSpans gives every link SplitLinks weighs, in no particular order;
    // SplitAt then gives the pieces SplitLinks gives when exactly the chosen ones are kept.
    struct TLinkSpan {
        std::size_t Start = 0; // in the text
        std::size_t End = 0;   // just behind the extension
    };
    void FindLinkSpans(std::string_view text, std::vector<TLinkSpan>& spans);
    static void SplitAt(std::string_view text, std::vector<TLinkSpan> chosen,
                        std::vector<std::string>& pieces);

    // Read access for tests and callers that want the raw scan. Links: the 1-based start
    // of each path and the position just behind its extension; after SplitText the links
    // split out, after GetLinkedFiles every link found. Extensions in lower case.
    const std::vector<std::pair<std::size_t, std::size_t>>& Links() const {
        // Sorted only when asked for: builds scan tens of thousands of pages and never ask.
        if (!linksSorted_) {
            std::sort(links_.begin(), links_.end());
            linksSorted_ = true;
        }
        return links_;
    }
    const std::vector<std::string>& Extensions() const { return extensions_; }
    int LinkCount() const { return static_cast<int>(links_.size()); }

private:
    struct TFoundLink {
        std::size_t start; // 0-based, in text_
        std::size_t end;   // just behind the extension
        std::size_t ext;   // index in extensions_
    };
    void SetText(std::string_view text, const std::string& baseFolder);
    void SetText(std::string&& text, const std::string& baseFolder);
    void StartScan(const std::string& baseFolder);
    class TExtensionIndex; // extension -> its index in extensions_
    void FindExtensions(TExtensionIndex& index);
    // Every link of every extension, in one pass over the text, in order of the
    // extensions' positions (not necessarily of the links' starts).
    void FindLinks(const TExtensionIndex& index, std::vector<TFoundLink>& out) const;

    std::string text_;
    std::string lowerText_; // ASCII lower case: same byte positions as text_
    std::string baseFolder_;
    mutable std::vector<std::pair<std::size_t, std::size_t>> links_;
    mutable bool linksSorted_ = true;
    std::vector<std::string> extensions_;
};

// Joins pieces made by SplitText, rewriting every link piece from fromFolder to toFolder:
// made absolute, collapsed, made relative to toFolder, with "/" separators.
std::string RelocateLinks(const std::vector<std::string>& pieces, const std::string& fromFolder,
                          const std::string& toFolder);

} // namespace parvane
