#pragma once
// Help pages as EPUB content documents: a page is parsed with libxml2's HTML parser (which
// copes with what browsers cope with) and written again as well-formed XHTML, keeping the
// elements and attributes of today's HTML and turning the old presentational ones (font,
// center, align, bgcolor, ...) into styles. Links and pictures pass through callbacks that
// map them into the package.

#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace parvane {

// Text for XML content or a double-quoted attribute: & < > " escaped, characters XML
// cannot hold dropped.
std::string XmlEscape(std::string_view text);

// An id as XHTML in an EPUB accepts it (an XML name without colons): other characters
// become "_", and a name that cannot start one gets a leading "_". The same mapping is
// applied to the fragments of links, so links keep finding their targets.
std::string XhtmlId(std::string_view raw);

struct TXhtmlLinks {
    // A hyperlink's href as written in the page -> the href to write, "" to drop it.
    std::function<std::string(const std::string& href)> Hyperlink;
    // A picture's src, a style sheet's href or a url() in a style -> the reference to
    // write, "" to leave the picture (or url) out.
    std::function<std::string(const std::string& src)> Resource;
};

struct TXhtmlPage {
    std::string Title; // of the page's <title>, as text
    std::string Head;  // <link> and <style> elements for the document's head
    std::string Body;  // the content of <body>, well-formed XHTML
};

// The ids a page's XHTML will carry (sanitised with XhtmlId; "a name" counts).
std::set<std::string> XhtmlIdsOf(std::string_view html);

// Converts a whole page (or a fragment) given as UTF-8.
TXhtmlPage ConvertToXhtml(std::string_view html, const TXhtmlLinks& links);

// Replaces every url(...) of a style sheet through resource ("" becomes "none").
std::string RewriteCssUrls(std::string_view css,
                           const std::function<std::string(const std::string&)>& resource);

// A complete XHTML content document.
std::string XhtmlDocument(const std::string& title, const std::string& language,
                          const std::string& head, const std::string& body,
                          bool epubNamespace = false);

} // namespace parvane
