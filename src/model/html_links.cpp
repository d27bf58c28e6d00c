#include "model/html_links.h"

#include "model/string_func.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace parvane {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool EqualsLower(std::string_view s, std::string_view lower) {
    return s.size() == lower.size() &&
           std::equal(s.begin(), s.end(), lower.begin(), [](char a, char b) { return Lower(a) == b; });
}

// A case-insensitive search for an ASCII lower-case needle.
std::size_t FindLower(std::string_view s, std::string_view lower, std::size_t from) {
    if (lower.empty() || from > s.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + lower.size() <= s.size(); ++i) {
        if (Lower(s[i]) == lower[0] && EqualsLower(s.substr(i, lower.size()), lower))
            return i;
    }
    return std::string_view::npos;
}

struct TAttribute {
    std::string_view Name;
    std::size_t ValueBegin = 0; // in the text; the value without its quotes
    std::size_t ValueEnd = 0;
    char Quote = 0; // '"', '\'' or 0 (unquoted)
    bool HasValue = false;
};

struct TToken {
    enum Kind { Text, Markup, StartTag, EndTag, RawText };
    Kind Type = Text;
    std::size_t Begin = 0;
    std::size_t End = 0;
    std::string Name; // tags: lower case
    std::vector<TAttribute> Attributes;
};

// Elements whose content is text up to their end tag, never markup.
bool IsRawTextElement(std::string_view name) {
    static constexpr std::array<std::string_view, 8> raw{
        "script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes"};
    return std::find(raw.begin(), raw.end(), name) != raw.end();
}

// Splits an HTML text into tokens as a browser's tokenizer would in the respects that
// matter for references: tags with their attributes, comments and declarations, the
// content of raw-text elements, and text. Never fails: what is not a tag is text.
class TTokenizer {
public:
    explicit TTokenizer(std::string_view html) : s_(html) {}

    bool Next(TToken& t) {
        t.Attributes.clear();
        t.Name.clear();
        if (pos_ >= s_.size())
            return false;
        t.Begin = pos_;
        if (!rawEnd_.empty()) {
            // Inside a raw-text element: everything up to its end tag.
            std::size_t end = pos_;
            for (;;) {
                end = FindLower(s_, rawEnd_, end);
                if (end == std::string_view::npos) {
                    end = s_.size();
                    break;
                }
                const std::size_t after = end + rawEnd_.size();
                if (after >= s_.size() || IsSpace(s_[after]) || s_[after] == '>' ||
                    s_[after] == '/')
                    break;
                ++end;
            }
            rawEnd_.clear();
            if (end > pos_) {
                t.Type = TToken::RawText;
                t.End = pos_ = end;
                return true;
            }
        }
        if (s_[pos_] == '<' && TryMarkup(t))
            return true;
        // Text up to the next "<" that may start markup.
        std::size_t end = pos_ + 1;
        while (end < s_.size() && s_[end] != '<')
            ++end;
        t.Type = TToken::Text;
        t.End = pos_ = end;
        return true;
    }

private:
    bool TryMarkup(TToken& t) {
        const std::size_t start = pos_;
        const std::string_view rest = s_.substr(start);
        if (rest.size() < 2)
            return false;
        if (rest.substr(0, 4) == "<!--") {
            const std::size_t close = s_.find("-->", start + 4);
            t.Type = TToken::Markup;
            t.End = pos_ = close == std::string_view::npos ? s_.size() : close + 3;
            return true;
        }
        if (rest[1] == '!' || rest[1] == '?') {
            const std::size_t close = s_.find('>', start + 2);
            t.Type = TToken::Markup;
            t.End = pos_ = close == std::string_view::npos ? s_.size() : close + 1;
            return true;
        }
        const bool endTag = rest[1] == '/';
        const std::size_t nameStart = start + (endTag ? 2 : 1);
        if (nameStart >= s_.size() || !IsAsciiLetter(s_[nameStart]))
            return false;
        std::size_t i = nameStart;
        while (i < s_.size() && !IsSpace(s_[i]) && s_[i] != '/' && s_[i] != '>')
            ++i;
        t.Name.assign(s_.substr(nameStart, i - nameStart));
        std::transform(t.Name.begin(), t.Name.end(), t.Name.begin(), Lower);
        // Attributes up to the ">" that is not inside a quoted value.
        while (i < s_.size() && s_[i] != '>') {
            if (IsSpace(s_[i]) || s_[i] == '/') {
                ++i;
                continue;
            }
            TAttribute a;
            const std::size_t n = i;
            ++i; // a name may begin with "="
            while (i < s_.size() && !IsSpace(s_[i]) && s_[i] != '/' && s_[i] != '>' &&
                   s_[i] != '=')
                ++i;
            a.Name = s_.substr(n, i - n);
            std::size_t j = i;
            while (j < s_.size() && IsSpace(s_[j]))
                ++j;
            if (j < s_.size() && s_[j] == '=') {
                ++j;
                while (j < s_.size() && IsSpace(s_[j]))
                    ++j;
                a.HasValue = true;
                if (j < s_.size() && (s_[j] == '"' || s_[j] == '\'')) {
                    a.Quote = s_[j];
                    const std::size_t close = s_.find(a.Quote, j + 1);
                    if (close == std::string_view::npos)
                        return false; // an unterminated tag is text
                    a.ValueBegin = j + 1;
                    a.ValueEnd = close;
                    i = close + 1;
                } else {
                    a.ValueBegin = j;
                    while (j < s_.size() && !IsSpace(s_[j]) && s_[j] != '>')
                        ++j;
                    a.ValueEnd = j;
                    i = j;
                }
            }
            if (!endTag)
                t.Attributes.push_back(a);
        }
        if (i >= s_.size())
            return false;
        t.Type = endTag ? TToken::EndTag : TToken::StartTag;
        t.End = pos_ = i + 1;
        if (!endTag && IsRawTextElement(t.Name) && s_[i - 1] != '/')
            rawEnd_ = "</" + t.Name;
        return true;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
    std::string rawEnd_; // "</script" while inside a script, ...
};

// Attributes whose value is one address.
bool IsLinkAttribute(std::string_view tag, std::string_view name) {
    static constexpr std::array<std::string_view, 16> links{
        "href",   "src",      "background", "action",  "cite",    "poster",
        "longdesc", "usemap", "formaction", "codebase", "lowsrc", "dynsrc",
        "manifest", "icon",   "profile",    "xlink:href"};
    if (std::find_if(links.begin(), links.end(),
                     [&](std::string_view l) { return EqualsLower(name, l); }) != links.end())
        return true;
    return tag == "object" && EqualsLower(name, "data");
}

// Attributes whose value is a list of ids separated by blanks.
bool IsIdRefAttribute(std::string_view name) {
    static constexpr std::array<std::string_view, 12> refs{
        "for",           "headers",      "form",           "list",
        "aria-labelledby", "aria-describedby", "aria-controls", "aria-owns",
        "aria-activedescendant", "aria-flowto", "aria-details", "aria-errormessage"};
    return std::find_if(refs.begin(), refs.end(),
                        [&](std::string_view r) { return EqualsLower(name, r); }) != refs.end();
}

bool IsSrcsetAttribute(std::string_view name) {
    return EqualsLower(name, "srcset") || EqualsLower(name, "imagesrcset");
}

// Writes value, or its replacement, into out.
void Emit(std::string& out, THtmlRefKind kind, std::string_view value,
          const THtmlRefVisitor& visit) {
    std::string replacement;
    if (visit(kind, value, replacement))
        out += replacement;
    else
        out += value;
}

// Every url(...) of a style text.
std::string RewriteCss(std::string_view css, const THtmlRefVisitor& visit) {
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t u = FindLower(css, "url(", pos);
        if (u == std::string_view::npos)
            break;
        std::size_t b = u + 4;
        while (b < css.size() && IsSpace(css[b]))
            ++b;
        char quote = 0;
        if (b < css.size() && (css[b] == '"' || css[b] == '\''))
            quote = css[b++];
        std::size_t e = quote ? css.find(quote, b) : css.find(')', b);
        if (e == std::string_view::npos)
            break;
        std::size_t valueEnd = e;
        if (!quote)
            while (valueEnd > b && IsSpace(css[valueEnd - 1]))
                --valueEnd;
        out.append(css.substr(pos, b - pos));
        Emit(out, THtmlRefKind::CssUrl, css.substr(b, valueEnd - b), visit);
        pos = valueEnd;
    }
    out.append(css.substr(pos));
    return out;
}

// The entries of a srcset: "address [descriptor]" separated by commas.
std::string RewriteSrcset(std::string_view value, const THtmlRefVisitor& visit) {
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        const std::size_t start = i;
        while (i < value.size() && (IsSpace(value[i]) || value[i] == ','))
            ++i;
        out.append(value.substr(start, i - start));
        const std::size_t url = i;
        while (i < value.size() && !IsSpace(value[i]))
            ++i;
        std::size_t urlEnd = i;
        // A comma that ends the address belongs to the list, not to it.
        while (urlEnd > url && value[urlEnd - 1] == ',')
            --urlEnd;
        if (urlEnd > url)
            Emit(out, THtmlRefKind::Link, value.substr(url, urlEnd - url), visit);
        out.append(value.substr(urlEnd, i - urlEnd));
        // The descriptor, up to the next comma.
        const std::size_t d = i;
        while (i < value.size() && value[i] != ',')
            ++i;
        out.append(value.substr(d, i - d));
    }
    return out;
}

std::string RewriteIdRefs(std::string_view value, const THtmlRefVisitor& visit) {
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        if (IsSpace(value[i])) {
            out += value[i++];
            continue;
        }
        const std::size_t start = i;
        while (i < value.size() && !IsSpace(value[i]))
            ++i;
        Emit(out, THtmlRefKind::IdRef, value.substr(start, i - start), visit);
    }
    return out;
}

bool NeedsQuotes(std::string_view value) {
    return value.empty() || std::any_of(value.begin(), value.end(), [](char c) {
               return IsSpace(c) || c == '"' || c == '\'' || c == '=' || c == '<' || c == '>' ||
                      c == '`';
           });
}

// How an attribute's value is read, by tag and attribute name.
THtmlValueRule RuleOf(std::string_view tag, std::string_view name) {
    if (IsLinkAttribute(tag, name))
        return THtmlValueRule::Link;
    if (EqualsLower(name, "id"))
        return THtmlValueRule::Id;
    if (EqualsLower(name, "name") && (tag == "a" || tag == "map"))
        return THtmlValueRule::Name;
    if (IsIdRefAttribute(name))
        return THtmlValueRule::IdRefs;
    if (IsSrcsetAttribute(name))
        return THtmlValueRule::Srcset;
    if (EqualsLower(name, "style"))
        return THtmlValueRule::Style;
    return THtmlValueRule::None;
}

// The rewritten value of an attribute and whether it changed.
bool RewriteAttributeValue(THtmlValueRule rule, std::string_view value,
                           const THtmlRefVisitor& visit, std::string& rewritten) {
    switch (rule) {
    case THtmlValueRule::Link:
        return visit(THtmlRefKind::Link, value, rewritten);
    case THtmlValueRule::Id:
        return visit(THtmlRefKind::Id, value, rewritten);
    case THtmlValueRule::Name:
        return visit(THtmlRefKind::Name, value, rewritten);
    case THtmlValueRule::IdRefs:
        rewritten = RewriteIdRefs(value, visit);
        return rewritten != value;
    case THtmlValueRule::Srcset:
        rewritten = RewriteSrcset(value, visit);
        return rewritten != value;
    case THtmlValueRule::Style:
        rewritten = RewriteCss(value, visit);
        return rewritten != value;
    case THtmlValueRule::None:
    case THtmlValueRule::StyleText:
        break;
    }
    return false;
}

// Appends what stands in the text for a changed value: quoted when an unquoted value
// could not stand as it is.
void AppendRewritten(std::string& out, char quote, const std::string& rewritten) {
    if (quote == 0 && NeedsQuotes(rewritten)) {
        out += '"';
        out += rewritten;
        out += '"';
    } else {
        out += rewritten;
    }
}

std::string Rewrite(std::string_view html, const THtmlRefVisitor& visit,
                    const THtmlRefDeferral* deferral) {
    std::string out;
    out.reserve(html.size() + html.size() / 16);
    TTokenizer tokens(html);
    TToken t;
    std::string lastStartTag;
    // Whether the visitor put off a reference of the value just rewritten.
    auto putOff = [&] { return deferral && deferral->Pending(); };
    while (tokens.Next(t)) {
        if (t.Type == TToken::RawText && lastStartTag == "style") {
            const std::string_view css = html.substr(t.Begin, t.End - t.Begin);
            std::string rewritten = RewriteCss(css, visit);
            if (putOff())
                deferral->Write(out, {THtmlValueRule::StyleText, 0, css});
            else
                out += rewritten;
            continue;
        }
        if (t.Type == TToken::StartTag)
            lastStartTag = t.Name;
        if (t.Type != TToken::StartTag) {
            out.append(html.substr(t.Begin, t.End - t.Begin));
            continue;
        }
        std::size_t pos = t.Begin;
        for (const TAttribute& a : t.Attributes) {
            if (!a.HasValue)
                continue;
            const THtmlValueRule rule = RuleOf(t.Name, a.Name);
            if (rule == THtmlValueRule::None)
                continue;
            const std::string_view value = html.substr(a.ValueBegin, a.ValueEnd - a.ValueBegin);
            std::string rewritten;
            const bool changed = RewriteAttributeValue(rule, value, visit, rewritten);
            if (putOff()) {
                out.append(html.substr(pos, a.ValueBegin - pos));
                deferral->Write(out, {rule, a.Quote, value});
                pos = a.ValueEnd;
                continue;
            }
            if (!changed)
                continue;
            out.append(html.substr(pos, a.ValueBegin - pos));
            AppendRewritten(out, a.Quote, rewritten);
            pos = a.ValueEnd;
        }
        out.append(html.substr(pos, t.End - pos));
    }
    return out;
}

} // namespace

std::string RewriteHtmlRefs(std::string_view html, const THtmlRefVisitor& visit) {
    return Rewrite(html, visit, nullptr);
}

std::string RewriteHtmlRefs(std::string_view html, const THtmlRefVisitor& visit,
                            const THtmlRefDeferral& deferral) {
    return Rewrite(html, visit, &deferral);
}

void RewriteDeferredValue(const THtmlDeferredValue& value, const THtmlRefVisitor& visit,
                          std::string& out) {
    if (value.Rule == THtmlValueRule::StyleText) {
        out += RewriteCss(value.Value, visit);
        return;
    }
    std::string rewritten;
    if (RewriteAttributeValue(value.Rule, value.Value, visit, rewritten))
        AppendRewritten(out, value.Quote, rewritten);
    else
        out += value.Value;
}

std::string ExtractResourceElements(std::string_view html, std::vector<std::string>& resources) {
    std::string out;
    out.reserve(html.size());
    TTokenizer tokens(html);
    TToken t;
    std::size_t open = std::string_view::npos; // start of a script or style element
    std::string openName;
    while (tokens.Next(t)) {
        if (open != std::string_view::npos) {
            if (t.Type == TToken::EndTag && t.Name == openName) {
                resources.emplace_back(html.substr(open, t.End - open));
                open = std::string_view::npos;
            } else if (t.Type != TToken::RawText) {
                // No end tag where one must be: leave the text as it was.
                out.append(html.substr(open, t.Begin - open));
                open = std::string_view::npos;
            }
            if (open != std::string_view::npos || t.Type == TToken::EndTag)
                continue;
        }
        if (t.Type == TToken::StartTag && (t.Name == "script" || t.Name == "style")) {
            if (html[t.End - 2] == '/') { // <script src="x.js"/>
                resources.emplace_back(html.substr(t.Begin, t.End - t.Begin));
                continue;
            }
            open = t.Begin;
            openName = t.Name;
            continue;
        }
        if (t.Type == TToken::StartTag && t.Name == "link") {
            const auto rel = std::find_if(t.Attributes.begin(), t.Attributes.end(),
                                          [](const TAttribute& a) { return EqualsLower(a.Name, "rel"); });
            if (rel != t.Attributes.end() &&
                FindLower(html.substr(rel->ValueBegin, rel->ValueEnd - rel->ValueBegin),
                          "stylesheet", 0) != std::string_view::npos) {
                resources.emplace_back(html.substr(t.Begin, t.End - t.Begin));
                continue;
            }
        }
        out.append(html.substr(t.Begin, t.End - t.Begin));
    }
    if (open != std::string_view::npos)
        out.append(html.substr(open));
    return out;
}

std::string_view PageHead(std::string_view html) {
    std::size_t head = FindLower(html, "<head", 0);
    while (head != std::string_view::npos && head + 5 < html.size() &&
           !IsSpace(html[head + 5]) && html[head + 5] != '>')
        head = FindLower(html, "<head", head + 1); // <header> is no head
    const std::size_t body = FindLower(html, "<body", 0);
    if (head == std::string_view::npos || (body != std::string_view::npos && head > body))
        return body == std::string_view::npos ? std::string_view() : html.substr(0, body);
    const std::size_t gt = html.find('>', head);
    if (gt == std::string_view::npos)
        return {};
    std::size_t close = FindLower(html, "</head", gt);
    if (close == std::string_view::npos)
        close = body == std::string_view::npos || body < gt ? html.size() : body;
    return html.substr(gt + 1, close - gt - 1);
}

std::string DecodeBasicEntities(std::string_view s) {
    if (s.find('&') == std::string_view::npos)
        return std::string(s);
    static constexpr std::array<std::pair<std::string_view, char>, 5> named{
        {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t semi = s[i] == '&' ? s.find(';', i) : std::string_view::npos;
        if (semi != std::string_view::npos && semi - i <= 8) {
            const std::string_view ref = s.substr(i + 1, semi - i - 1);
            if (ref.size() > 1 && ref[0] == '#') {
                const bool hex = ref[1] == 'x' || ref[1] == 'X';
                const std::string digits(ref.substr(hex ? 2 : 1));
                char* end = nullptr;
                const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
                if (!digits.empty() && end && *end == '\0' && cp > 0 && cp < 0x80) {
                    out += static_cast<char>(cp);
                    i = semi;
                    continue;
                }
            }
            const auto found = std::find_if(named.begin(), named.end(),
                                            [&](const auto& n) { return n.first == ref; });
            if (found != named.end()) {
                out += found->second;
                i = semi;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

std::string PercentDecode(std::string_view s) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

} // namespace parvane
