#pragma once
// What a page refers to and what it can be linked to, read from its markup: the values of
// link-carrying attributes and CSS url(...) references, and the anchors (id, <a name>).
// Unlike THTMLRefer, which finds paths by their extensions anywhere in the text, this
// reads tags, so text, comments and script bodies never count as links.

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

struct THtmlReference {
    std::string Value; // as written, character references decoded, surrounding blanks trimmed
    int Line = 1;      // 1-based line of the value's start
};

struct THtmlReferences {
    std::vector<THtmlReference> Links;
    std::vector<std::string> Anchors;
};

// Receives what a scan finds, in the order of the text. The values are views that live
// only for the call: a scan of a large site keeps no string per link.
class THtmlReferenceSink {
public:
    virtual ~THtmlReferenceSink() = default;
    // As written, character references decoded, surrounding blanks trimmed; never empty.
    virtual void Link(std::string_view value, int line) = 0;
    virtual void Anchor(std::string_view anchor) = 0; // never empty
};

// Scans an HTML page: href, src, background, poster, data, longdesc, lowsrc, dynsrc,
// every candidate of srcset, <meta http-equiv="refresh"> targets, and url()/@import in
// style attributes and <style> elements. Anchors are every id and every name of <a>.
void ScanHtmlReferences(std::string_view html, THtmlReferences& out);
void ScanHtmlReferences(std::string_view html, THtmlReferenceSink& out);
// Scans a style sheet for url(...) and @import references; firstLine numbers its first line.
void ScanCssReferences(std::string_view css, THtmlReferences& out, int firstLine = 1);
void ScanCssReferences(std::string_view css, THtmlReferenceSink& out, int firstLine = 1);
// Decodes the character references HTML allows in attribute values (&amp; &#38; &#x26; ...).
std::string DecodeCharacterReferences(std::string_view text);

} // namespace parvane
