#include "output/epub_xhtml.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace parvane {

namespace {

// ---- text ------------------------------------------------------------------------------

// Appends the UTF-8 text, escaped; code points XML 1.0 cannot hold are dropped.
void AppendEscaped(std::string& out, std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = s[i];
        switch (c) {
        case '&':
            out += "&amp;";
            continue;
        case '<':
            out += "&lt;";
            continue;
        case '>':
            out += "&gt;";
            continue;
        case '"':
            out += "&quot;";
            continue;
        default:
            break;
        }
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            continue;
        if (c == 0xEF && i + 2 < n && s[i + 1] == 0xBF && (s[i + 2] == 0xBE || s[i + 2] == 0xBF)) {
            i += 2; // U+FFFE, U+FFFF
            continue;
        }
        out += static_cast<char>(c);
    }
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string TrimAscii(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

bool AllDigits(std::string_view s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// A length attribute ("120", "50%", "120px") as a CSS length, or "".
std::string CssLength(std::string_view value) {
    std::string v = TrimAscii(value);
    if (v.size() > 2 && Lower(v.substr(v.size() - 2)) == "px")
        v.resize(v.size() - 2);
    if (AllDigits(v))
        return v + "px";
    if (v.size() > 1 && v.back() == '%' && AllDigits(std::string_view(v).substr(0, v.size() - 1)))
        return v;
    return {};
}

// A colour attribute ("#ff0000", "red") as a CSS colour, or "".
std::string CssColour(std::string_view value) {
    const std::string v = TrimAscii(value);
    if (v.empty() || v.size() > 32)
        return {};
    const bool hash = v[0] == '#';
    for (std::size_t i = hash ? 1 : 0; i < v.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(v[i])))
            return {};
    if (hash) {
        const std::size_t digits = v.size() - 1;
        if (digits != 3 && digits != 6)
            return {};
        for (std::size_t i = 1; i < v.size(); ++i)
            if (!std::isxdigit(static_cast<unsigned char>(v[i])))
                return {};
        return v;
    }
    // An old page may write a colour without its "#".
    if (v.size() == 6 &&
        std::all_of(v.begin(), v.end(),
                    [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }) &&
        std::any_of(v.begin(), v.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        return "#" + v;
    return v;
}

// A font face list kept to characters that cannot break out of the style.
std::string CssFontFamily(std::string_view value) {
    std::string out;
    for (char c : value)
        if (std::isalnum(static_cast<unsigned char>(c)) || c == ' ' || c == ',' || c == '-' ||
            c == '_')
            out += c;
    return TrimAscii(out);
}

// ---- libxml2 helpers -----------------------------------------------------------------

std::string Name(const xmlNode* node) {
    return node->name ? Lower(reinterpret_cast<const char*>(node->name)) : std::string();
}

struct XmlFree {
    void operator()(xmlChar* p) const { xmlFree(p); }
};

std::string Attr(const xmlNode* node, const char* name) {
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        if (a->name && Lower(reinterpret_cast<const char*>(a->name)) == name) {
            std::unique_ptr<xmlChar, XmlFree> v(xmlNodeListGetString(node->doc, a->children, 1));
            return v ? reinterpret_cast<const char*>(v.get()) : std::string();
        }
    }
    return {};
}

bool HasAttr(const xmlNode* node, const char* name) {
    for (const xmlAttr* a = node->properties; a; a = a->next)
        if (a->name && Lower(reinterpret_cast<const char*>(a->name)) == name)
            return true;
    return false;
}

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

DocPtr Parse(std::string_view html) {
    // The parser's size argument is an int; a page is far below that.
    const int size = static_cast<int>(std::min<std::size_t>(html.size(), 0x7fffffff));
    return DocPtr(htmlReadMemory(html.data(), size, "page.htm", "UTF-8",
                                 HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                     HTML_PARSE_NONET | HTML_PARSE_COMPACT));
}

const xmlNode* FindElement(const xmlNode* node, const char* name) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (Name(node) == name)
            return node;
        if (const xmlNode* found = FindElement(node->children, name))
            return found;
    }
    return nullptr;
}

std::string TextOf(const xmlNode* node) {
    std::unique_ptr<xmlChar, XmlFree> text(xmlNodeGetContent(node));
    return text ? reinterpret_cast<const char*>(text.get()) : std::string();
}

// ---- the element rules -----------------------------------------------------------------

// Elements of today's HTML that are written as they are (attributes filtered).
const std::set<std::string>& KeptElements() {
    static const std::set<std::string> kept = {
        "a",          "abbr",  "address", "article", "aside", "b",    "bdi",        "bdo",
        "blockquote", "br",    "caption", "cite",    "code",  "col",  "colgroup",   "dd",
        "del",        "dfn",   "div",     "dl",      "dt",    "em",   "figcaption", "figure",
        "footer",     "h1",    "h2",      "h3",      "h4",    "h5",   "h6",         "header",
        "hr",         "i",     "img",     "ins",     "kbd",   "li",   "mark",       "ol",
        "p",          "pre",   "q",       "rp",      "rt",    "ruby", "s",          "samp",
        "section",    "small", "span",    "strong",  "sub",   "sup",  "table",      "tbody",
        "td",         "tfoot", "th",      "thead",   "tr",    "u",    "ul",         "var",
        "wbr"};
    return kept;
}

// Old elements written as a modern one (the style is added where they had a look).
struct Renamed {
    const char* To;
    const char* Style;
};
const std::map<std::string, Renamed>& RenamedElements() {
    static const std::map<std::string, Renamed> renamed = {
        {"center", {"div", "text-align:center"}},
        {"font", {"span", ""}},
        {"big", {"span", "font-size:larger"}},
        {"tt", {"code", ""}},
        {"strike", {"s", ""}},
        {"acronym", {"abbr", ""}},
        {"dir", {"ul", ""}},
        {"menu", {"ul", ""}},
        {"nobr", {"span", "white-space:nowrap"}},
        {"xmp", {"pre", ""}},
        {"listing", {"pre", ""}},
        {"plaintext", {"pre", ""}},
        {"main", {"div", ""}},
        {"nav", {"div", ""}},
        {"blink", {"span", ""}},
        {"marquee", {"div", ""}},
        {"time", {"span", ""}},
        {"label", {"span", ""}},
        {"button", {"span", ""}},
        {"legend", {"p", ""}},
        {"fieldset", {"div", ""}},
        {"form", {"div", ""}},
        {"details", {"div", ""}},
        {"summary", {"p", ""}},
    };
    return renamed;
}

// Dropped with everything inside.
bool IsDropped(const std::string& name) {
    static const std::set<std::string> dropped = {
        "script", "style",    "head",   "title",  "meta",  "link",     "base",
        "object", "embed",    "applet", "iframe", "frame", "frameset", "input",
        "select", "textarea", "option", "map",    "area",  "audio",    "video",
        "source", "track",    "canvas", "param",  "svg",   "math",     "template"};
    return dropped.count(name) != 0;
}

bool IsVoid(const std::string& name) {
    return name == "br" || name == "hr" || name == "img" || name == "col" || name == "wbr";
}

bool IsListContainer(const std::string& name) {
    return name == "ul" || name == "ol";
}

std::string FontSize(const std::string& value) {
    static const char* const sizes[] = {"x-small", "small",    "medium",  "large",
                                        "x-large", "xx-large", "xx-large"};
    std::string v = TrimAscii(value);
    int size = 3;
    if (!v.empty() && (v[0] == '+' || v[0] == '-') && AllDigits(v.substr(1)))
        size = 3 + (v[0] == '+' ? 1 : -1) * std::stoi(v.substr(1));
    else if (AllDigits(v) && v.size() < 3)
        size = std::stoi(v);
    else
        return {};
    size = std::max(1, std::min(7, size));
    return std::string("font-size:") + sizes[size - 1];
}

class TWriter {
public:
    TWriter(const TXhtmlLinks* links) : links_(links) {}

    std::string Body;
    std::set<std::string> Ids;

    // Writes the node and its siblings. Terms, descriptions and list items standing outside
    // any list (gtk-doc writes its indexes and glossaries as dt and dd straight in a div)
    // get one around each run of them.
    void Children(const xmlNode* node) {
        while (node) {
            const StrayList list = StrayListOf(node);
            if (list == StrayList::None) {
                Node(node);
                node = node->next;
                continue;
            }
            const xmlNode* end = node->next; // just after the run's last item
            for (const xmlNode* n = node->next; n && (IsBlank(n) || StrayListOf(n) == list);
                 n = n->next)
                if (!IsBlank(n))
                    end = n->next;
            EndParagraph();
            if (list == StrayList::Definitions) {
                Body += "<dl>";
                DefinitionItems(node, end);
                Body += "</dl>";
            } else {
                Body += "<ul>";
                ListItems(node, end);
                Body += "</ul>";
            }
            node = end;
        }
    }

private:
    void Node(const xmlNode* node) {
        switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (node->content)
                AppendEscaped(Body, reinterpret_cast<const char*>(node->content));
            return;
        case XML_ELEMENT_NODE:
            Element(node);
            return;
        default:
            return; // comments, processing instructions
        }
    }

    void Element(const xmlNode* node) {
        const std::string name = Name(node);
        if (IsDropped(name))
            return;
        if (name == "noscript" || name == "html" || name == "body") {
            Children(node->children);
            return;
        }
        std::string out = name;
        std::string style;
        if (const auto renamed = RenamedElements().find(name); renamed != RenamedElements().end()) {
            out = renamed->second.To;
            style = renamed->second.Style;
        } else if (!KeptElements().count(name)) {
            Children(node->children); // an unknown element: keep what it holds
            return;
        }
        if (name == "font") {
            const std::string colour = CssColour(Attr(node, "color"));
            if (!colour.empty())
                AddStyle(style, "color:" + colour);
            const std::string face = CssFontFamily(Attr(node, "face"));
            if (!face.empty())
                AddStyle(style, "font-family:" + face);
            if (HasAttr(node, "size"))
                AddStyle(style, FontSize(Attr(node, "size")));
        }

        // A link inside a link ends the outer one in a browser; here the inner one keeps
        // its words, id and class and leaves its address to the outer one.
        if (out == "a" && std::find(open_.begin(), open_.end(), "a") != open_.end())
            out = "span";
        if (IsBlock(out))
            EndParagraph();

        std::string attrs;
        if (out == "img" && !Picture(node, attrs))
            return;
        Attributes(node, name, out, attrs, style);
        if (!style.empty())
            attrs += " style=\"" + XmlEscape(style) + "\"";

        Body += "<" + out + attrs;
        if (IsVoid(out)) {
            Body += "/>";
            return;
        }
        Body += ">";
        open_.push_back(out);
        if (IsListContainer(out))
            ListItems(node->children);
        else if (out == "dl")
            DefinitionItems(node->children);
        else if (out == "table")
            TableParts(node->children);
        else
            Children(node->children);
        const bool ended = open_.back().empty();
        open_.pop_back();
        if (!ended)
            Body += "</" + out + ">";
    }

    // Elements a paragraph cannot hold.
    static bool IsBlock(const std::string& out) {
        static const std::set<std::string> blocks = {
            "address", "article", "aside", "blockquote", "div",   "dl", "figure", "footer",
            "h1",      "h2",      "h3",    "h4",         "h5",    "h6", "header", "hr",
            "ol",      "p",       "pre",   "section",    "table", "ul"};
        return blocks.count(out) != 0;
    }

    // A block starting straight inside a paragraph ends it, as in a browser. The parser
    // leaves it inside when an unknown element stands between them, left open by the page
    // ("<p>the file <file>tokenize.c</b>. <p>Next"), and that element is not written.
    void EndParagraph() {
        if (open_.empty() || open_.back() != "p")
            return;
        Body += "</p>";
        open_.back().clear(); // ended: its closing tag is not written again
    }

    enum class StrayList { None, Definitions, Items };

    // The list a node needs when it stands outside one (a dt, dd or li written here).
    static StrayList StrayListOf(const xmlNode* node) {
        if (node->type != XML_ELEMENT_NODE)
            return StrayList::None;
        const std::string name = Name(node);
        if (name == "dt" || name == "dd")
            return StrayList::Definitions;
        return name == "li" ? StrayList::Items : StrayList::None;
    }

    // ul and ol hold only li: anything else between them goes into an li of its own.
    void ListItems(const xmlNode* child, const xmlNode* end = nullptr) {
        bool open = false;
        for (; child != end; child = child->next) {
            const bool isItem = child->type == XML_ELEMENT_NODE && Name(child) == "li";
            const bool blank =
                child->type == XML_TEXT_NODE &&
                TrimAscii(child->content ? reinterpret_cast<const char*>(child->content) : "")
                    .empty();
            const bool silent = child->type == XML_COMMENT_NODE ||
                                (child->type == XML_ELEMENT_NODE && IsDropped(Name(child)));
            if (isItem || blank || silent) {
                if (isItem && open) {
                    Body += "</li>";
                    open = false;
                }
                Node(child);
                continue;
            }
            if (!open) {
                Body += "<li>";
                open = true;
            }
            Node(child);
        }
        if (open)
            Body += "</li>";
    }

    static bool IsBlank(const xmlNode* node) {
        return (node->type == XML_TEXT_NODE &&
                TrimAscii(node->content ? reinterpret_cast<const char*>(node->content) : "")
                    .empty()) ||
               node->type == XML_COMMENT_NODE ||
               (node->type == XML_ELEMENT_NODE && IsDropped(Name(node)));
    }

    // dl holds groups of dt followed by dd: a term left without its description gets an
    // empty one, a description without a term before it an empty term, and anything else
    // goes into a description, or into a term of its own before the first one (SQLite's
    // manual puts each option's anchor there).
    void DefinitionItems(const xmlNode* child, const xmlNode* end = nullptr) {
        bool started = false;   // a term or description written
        bool termOpen = false;  // a term written, no description after it yet
        std::string_view stray; // "dt" or "dd" holding what is neither
        for (; child != end; child = child->next) {
            const std::string name = child->type == XML_ELEMENT_NODE ? Name(child) : "";
            if (name == "dt" || name == "dd" || IsBlank(child)) {
                if (!stray.empty() && !IsBlank(child)) {
                    Body += "</" + std::string(stray) + ">";
                    stray = {};
                }
                if (name == "dd" && !started)
                    Body += "<dt></dt>";
                if (name == "dt" || name == "dd") {
                    termOpen = name == "dt";
                    started = true;
                }
                Node(child);
                continue;
            }
            if (stray.empty()) {
                stray = started ? "dd" : "dt";
                Body += "<" + std::string(stray) + ">";
                termOpen = !started;
                started = true;
            }
            Node(child);
        }
        if (!stray.empty())
            Body += "</" + std::string(stray) + ">";
        if (termOpen)
            Body += "<dd></dd>";
    }

    // col elements of a table belong in a colgroup.
    void TableParts(const xmlNode* child) {
        bool groupOpen = false;
        for (; child; child = child->next) {
            const bool col = child->type == XML_ELEMENT_NODE && Name(child) == "col";
            if (col && !groupOpen) {
                Body += "<colgroup>";
                groupOpen = true;
            } else if (!col && groupOpen && !IsBlank(child)) {
                Body += "</colgroup>";
                groupOpen = false;
            }
            Node(child);
        }
        if (groupOpen)
            Body += "</colgroup>";
    }

    bool Picture(const xmlNode* node, std::string& attrs) {
        const std::string src = TrimAscii(Attr(node, "src"));
        const std::string mapped = src.empty() || !links_ ? std::string() : links_->Resource(src);
        if (mapped.empty()) {
            // The picture cannot come along: its text stands in for it.
            const std::string alt = Attr(node, "alt");
            if (!alt.empty()) {
                Body += "<span>";
                AppendEscaped(Body, alt);
                Body += "</span>";
            }
            return false;
        }
        attrs += " src=\"" + XmlEscape(mapped) + "\" alt=\"" + XmlEscape(Attr(node, "alt")) + "\"";
        return true;
    }

    static void AddStyle(std::string& style, const std::string& rule) {
        if (rule.empty())
            return;
        if (!style.empty())
            style += ';';
        style += rule;
    }

    void Attributes(const xmlNode* node, const std::string& name, const std::string& out,
                    std::string& attrs, std::string& style) {
        std::string id = HasAttr(node, "id") ? XhtmlId(TrimAscii(Attr(node, "id"))) : "";
        if (id.empty() && name == "a" && HasAttr(node, "name"))
            id = XhtmlId(TrimAscii(Attr(node, "name")));
        if (!id.empty() && Ids.insert(id).second)
            attrs += " id=\"" + XmlEscape(id) + "\"";

        std::string ownStyle;
        for (const xmlAttr* a = node->properties; a; a = a->next) {
            if (!a->name)
                continue;
            const std::string attr = Lower(reinterpret_cast<const char*>(a->name));
            const std::string value = Attr(node, attr.c_str());
            const std::string trimmed = TrimAscii(value);
            const std::string lower = Lower(trimmed);
            if (attr == "class" || attr == "title") {
                if (!trimmed.empty())
                    attrs += " " + attr + "=\"" + XmlEscape(value) + "\"";
            } else if (attr == "lang") {
                if (!trimmed.empty() && trimmed.find_first_of(" \"'<>&") == std::string::npos)
                    attrs += " lang=\"" + XmlEscape(trimmed) + "\"";
            } else if (attr == "dir") {
                if (lower == "ltr" || lower == "rtl" || lower == "auto")
                    attrs += " dir=\"" + lower + "\"";
            } else if (attr == "style") {
                ownStyle = links_ ? RewriteCssUrls(value, links_->Resource) : value;
            } else if (attr == "href" && out == "a") {
                const std::string href = links_ ? links_->Hyperlink(trimmed) : std::string();
                if (!href.empty())
                    attrs += " href=\"" + XmlEscape(href) + "\"";
            } else if (attr == "alt" || attr == "src") {
                // written with the picture
            } else if ((attr == "width" || attr == "height") && out == "img") {
                if (AllDigits(trimmed))
                    attrs += " " + attr + "=\"" + trimmed + "\"";
                else
                    AddStyle(style,
                             CssLength(trimmed).empty() ? "" : attr + ":" + CssLength(trimmed));
            } else if (attr == "width" || attr == "height") {
                const std::string length = CssLength(trimmed);
                if (!length.empty())
                    AddStyle(style, attr + ":" + length);
            } else if ((attr == "colspan" || attr == "rowspan") && (out == "td" || out == "th")) {
                if (AllDigits(trimmed) && std::stol(trimmed.substr(0, 6)) > 0)
                    attrs += " " + attr + "=\"" + trimmed + "\"";
            } else if (attr == "scope" && out == "th") {
                if (lower == "row" || lower == "col" || lower == "rowgroup" || lower == "colgroup")
                    attrs += " scope=\"" + lower + "\"";
            } else if (attr == "span" && (out == "col" || out == "colgroup")) {
                if (AllDigits(trimmed) && std::stol(trimmed.substr(0, 6)) > 0)
                    attrs += " span=\"" + trimmed + "\"";
            } else if (attr == "start" && out == "ol") {
                if (AllDigits(trimmed))
                    attrs += " start=\"" + trimmed + "\"";
            } else if (attr == "type" && out == "ol") {
                if (trimmed == "1" || trimmed == "a" || trimmed == "A" || trimmed == "i" ||
                    trimmed == "I")
                    attrs += " type=\"" + trimmed + "\"";
            } else if (attr == "value" && out == "li") {
                if (AllDigits(trimmed))
                    attrs += " value=\"" + trimmed + "\"";
            } else if (attr == "border" && out == "table") {
                if (AllDigits(trimmed) && std::stol(trimmed.substr(0, 6)) > 0)
                    attrs += " border=\"1\"";
            } else if (attr == "border" && out == "img") {
                if (AllDigits(trimmed))
                    AddStyle(style, "border:" + trimmed + "px solid");
            } else if (attr == "cellspacing" && out == "table") {
                if (AllDigits(trimmed))
                    AddStyle(style, "border-spacing:" + trimmed + "px");
            } else if (attr == "bgcolor") {
                const std::string colour = CssColour(trimmed);
                if (!colour.empty())
                    AddStyle(style, "background-color:" + colour);
            } else if (attr == "valign") {
                if (lower == "top" || lower == "middle" || lower == "bottom" || lower == "baseline")
                    AddStyle(style, "vertical-align:" + lower);
            } else if (attr == "nowrap" && (out == "td" || out == "th")) {
                AddStyle(style, "white-space:nowrap");
            } else if (attr == "align") {
                Align(out, lower, style);
            }
            // Every other attribute (event handlers, target, name, ...) is left out.
        }
        AddStyle(style, TrimAscii(ownStyle));
    }

    static void Align(const std::string& out, const std::string& value, std::string& style) {
        if (out == "img") {
            if (value == "left" || value == "right")
                AddStyle(style, "float:" + value);
            else if (value == "top" || value == "middle" || value == "bottom")
                AddStyle(style, "vertical-align:" + value);
        } else if (out == "table") {
            if (value == "center")
                AddStyle(style, "margin-left:auto;margin-right:auto");
            else if (value == "left" || value == "right")
                AddStyle(style, "float:" + value);
        } else if (value == "left" || value == "right" || value == "center" || value == "justify") {
            AddStyle(style, "text-align:" + value);
        }
    }

    const TXhtmlLinks* links_;
    std::vector<std::string> open_; // elements written and not yet closed; "" once ended
};

void CollectIds(const xmlNode* node, std::set<std::string>& ids) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        const std::string name = Name(node);
        if (IsDropped(name))
            continue;
        std::string id = HasAttr(node, "id") ? XhtmlId(TrimAscii(Attr(node, "id"))) : "";
        if (id.empty() && name == "a" && HasAttr(node, "name"))
            id = XhtmlId(TrimAscii(Attr(node, "name")));
        // Ids of elements that are written (kept, renamed) survive; unknown elements are
        // unwrapped and lose theirs.
        if (!id.empty() && (KeptElements().count(name) || RenamedElements().count(name)))
            ids.insert(id);
        CollectIds(node->children, ids);
    }
}

const xmlNode* BodyOrRoot(const xmlDoc* doc) {
    const xmlNode* root = xmlDocGetRootElement(doc);
    if (!root)
        return nullptr;
    const xmlNode* body = FindElement(root, "body");
    return body ? body : root;
}

} // namespace

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    AppendEscaped(out, text);
    return out;
}

std::string XhtmlId(std::string_view raw) {
    std::string id;
    for (unsigned char c : raw) {
        if (std::isalnum(c) || c == '_' || c == '-' || c == '.' || c >= 0x80)
            id += static_cast<char>(c);
        else
            id += '_';
    }
    if (!id.empty() && !(std::isalpha(static_cast<unsigned char>(id[0])) || id[0] == '_' ||
                         static_cast<unsigned char>(id[0]) >= 0x80))
        id.insert(id.begin(), '_');
    return id;
}

std::set<std::string> XhtmlIdsOf(std::string_view html) {
    std::set<std::string> ids;
    const DocPtr doc = Parse(html);
    if (doc)
        CollectIds(xmlDocGetRootElement(doc.get()), ids);
    return ids;
}

TXhtmlPage ConvertToXhtml(std::string_view html, const TXhtmlLinks& links) {
    TXhtmlPage page;
    const DocPtr doc = Parse(html);
    if (!doc)
        return page;
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (const xmlNode* title = FindElement(root, "title"))
        page.Title = TrimAscii(TextOf(title));
    // Style sheets and styles of the head (and any stray ones in the body) go to the head.
    std::vector<const xmlNode*> pending{root};
    while (!pending.empty()) {
        const xmlNode* node = pending.back();
        pending.pop_back();
        for (; node; node = node->next) {
            if (node->type != XML_ELEMENT_NODE)
                continue;
            const std::string name = Name(node);
            if (name == "link" && Lower(TrimAscii(Attr(node, "rel"))) == "stylesheet") {
                const std::string href =
                    links.Resource ? links.Resource(TrimAscii(Attr(node, "href"))) : std::string();
                if (!href.empty())
                    page.Head += "<link rel=\"stylesheet\" type=\"text/css\" href=\"" +
                                 XmlEscape(href) + "\"/>\n";
            } else if (name == "style") {
                const std::string css =
                    links.Resource ? RewriteCssUrls(TextOf(node), links.Resource) : TextOf(node);
                page.Head += "<style>" + XmlEscape(css) + "</style>\n";
            } else if (!IsDropped(name) || name == "head") {
                pending.push_back(node->children);
            }
        }
    }
    TWriter writer(&links);
    if (const xmlNode* body = BodyOrRoot(doc.get()))
        writer.Children(
            body == root && Name(root) != "body" && Name(root) != "html" ? body : body->children);
    page.Body = std::move(writer.Body);
    return page;
}

std::string RewriteCssUrls(std::string_view css,
                           const std::function<std::string(const std::string&)>& resource) {
    std::string out;
    out.reserve(css.size());
    std::size_t pos = 0;
    const std::string lower = Lower(css);
    for (;;) {
        const std::size_t found = lower.find("url(", pos);
        if (found == std::string::npos)
            break;
        const std::size_t close = css.find(')', found + 4);
        if (close == std::string::npos)
            break;
        out.append(css, pos, found - pos);
        std::string target = TrimAscii(css.substr(found + 4, close - found - 4));
        if (target.size() >= 2 && (target[0] == '"' || target[0] == '\'') &&
            target.back() == target[0])
            target = target.substr(1, target.size() - 2);
        const std::string mapped = target.empty() ? std::string() : resource(target);
        if (mapped.empty())
            out += "none";
        else
            out += "url(\"" + mapped + "\")";
        pos = close + 1;
    }
    out.append(css, pos, std::string_view::npos);
    return out;
}

std::string XhtmlDocument(const std::string& title, const std::string& language,
                          const std::string& head, const std::string& body, bool epubNamespace) {
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE html>\n"
                      "<html xmlns=\"http://www.w3.org/1999/xhtml\"";
    if (epubNamespace)
        doc += " xmlns:epub=\"http://www.idpf.org/2007/ops\"";
    if (!language.empty())
        doc += " lang=\"" + XmlEscape(language) + "\" xml:lang=\"" + XmlEscape(language) + "\"";
    doc += ">\n<head>\n<title>" + XmlEscape(title) + "</title>\n" + head + "</head>\n<body>\n" +
           body + "\n</body>\n</html>\n";
    return doc;
}

} // namespace parvane
