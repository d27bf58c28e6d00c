#pragma once
// The references of an HTML text found the way a browser finds them: values of the
// attributes that carry a link, ids and anchor names, and url(...) in style rules. Text,
// comments and the bodies of scripts are never taken for links, unlike the extension scan
// of THTMLRefer. Rewriting keeps every other byte of the text as it was.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// What a value is.
enum class THtmlRefKind {
    Link,   // an address: href, src, background, action, poster, ... and each srcset entry
    Id,     // the value of an id attribute
    Name,   // the name of an <a> or <map>: a target of fragment links like an id
    IdRef,  // one id named by for, headers, form, list or an aria-* reference attribute
    CssUrl, // the address inside url(...) of a style attribute or <style> element
};

// Called with each value as written in the text (entities not decoded, quotes removed, CSS
// quotes removed). Returns true with replacement set to change it.
using THtmlRefVisitor =
    std::function<bool(THtmlRefKind kind, std::string_view value, std::string& replacement)>;

// The text with every reference the visitor replaced rewritten. An unquoted attribute
// value whose replacement needs quotes gets double quotes.
std::string RewriteHtmlRefs(std::string_view html, const THtmlRefVisitor& visit);

// How a value is read: by its attribute (an address, an id, a list of ids, a srcset, a
// style) or as the text of a <style> element.
enum class THtmlValueRule : char {
    None = 'x',
    Link = 'L',
    Id = 'I',
    Name = 'N',
    IdRefs = 'R',
    Srcset = 'S',
    Style = 'C',
    StyleText = 'T',
};

// A value whose rewriting waits until the visitor can answer for it (a link to a fragment
// of a page not read yet, say): the whole value of the attribute, or the whole text of
// the <style> element, that the reference belongs to.
struct THtmlDeferredValue {
    THtmlValueRule Rule = THtmlValueRule::None;
    char Quote = 0; // the attribute's quote: '"', '\'' or 0 (unquoted; always 0 for style text)
    std::string_view Value; // as written
};

// Lets a visitor put values off. After each value it has visited, Pending tells (and
// forgets) whether it could not answer for some reference in it; the value is then handed
// to Write, which puts into the text whatever stands for it.
struct THtmlRefDeferral {
    std::function<bool()> Pending;
    std::function<void(std::string& out, const THtmlDeferredValue& value)> Write;
};

// RewriteHtmlRefs with values put off as the deferral decides.
std::string RewriteHtmlRefs(std::string_view html, const THtmlRefVisitor& visit,
                            const THtmlRefDeferral& deferral);
// Appends to out the bytes RewriteHtmlRefs would have written for the value, with visit
// answering for every reference now: the same whether a value was put off or not.
void RewriteDeferredValue(const THtmlDeferredValue& value, const THtmlRefVisitor& visit,
                          std::string& out);

// Takes the scripts, the style elements and the style-sheet links out of the text, in
// order: each element's whole text (start tag to end tag) goes to resources, and the text
// without them is returned.
std::string ExtractResourceElements(std::string_view html, std::vector<std::string>& resources);

// The part of a page between its head tags (or from the start up to <body> when it has no
// <head>); empty when it has neither.
std::string_view PageHead(std::string_view html);

// Decodes the character references &amp; &lt; &gt; &quot; &apos; and numeric ones, the
// few that appear in addresses and ids.
std::string DecodeBasicEntities(std::string_view s);
// Decodes %XX escapes; a malformed escape stays as written.
std::string PercentDecode(std::string_view s);

} // namespace parvane
