#include "model/html_references.h"
#include "model/text_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace parvane {

using namespace std::string_view_literals;

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsNameChar(char c) {
    return !IsSpace(c) && c != '>' && c != '/' && c != '=' && c != '<' && c != '"' && c != '\'';
}

std::string LowerCopy(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = Lower(c);
    return r;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Case-insensitive search of an ASCII needle (given in lower case).
std::size_t FindNoCase(std::string_view hay, std::string_view lowerNeedle, std::size_t from) {
    if (lowerNeedle.empty() || hay.size() < lowerNeedle.size())
        return std::string_view::npos;
    const char first = lowerNeedle[0];
    for (std::size_t i = from; i + lowerNeedle.size() <= hay.size(); ++i) {
        if (Lower(hay[i]) != first)
            continue;
        std::size_t k = 1;
        while (k < lowerNeedle.size() && Lower(hay[i + k]) == lowerNeedle[k])
            ++k;
        if (k == lowerNeedle.size())
            return i;
    }
    return std::string_view::npos;
}

// Counts lines as the scan moves forward through the text; positions only grow.
class TLineCounter {
public:
    TLineCounter(std::string_view text, int firstLine) : text_(text), line_(firstLine) {}
    int At(std::size_t pos) {
        pos = std::min(pos, text_.size());
        if (pos < pos_) { // a step back (never expected): count again from the start
            pos_ = 0;
            line_ = first_;
        }
        // Lines are long next to the bytes of a page: memchr jumps from one to the next.
        const char* at = text_.data() + pos_;
        const char* const end = text_.data() + pos;
        while ((at = static_cast<const char*>(std::memchr(at, '\n', end - at))) != nullptr) {
            ++line_;
            ++at;
        }
        pos_ = pos;
        return line_;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    int line_;
    int first_ = line_;
};

void AddLink(THtmlReferenceSink& out, std::string_view value, int line) {
    value = Trim(value);
    if (value.find('&') == std::string_view::npos) { // nearly every link: no copy
        if (!value.empty())
            out.Link(value, line);
        return;
    }
    const std::string decoded = DecodeCharacterReferences(value);
    const std::string_view trimmed = Trim(decoded);
    if (!trimmed.empty())
        out.Link(trimmed, line);
}

// srcset: comma-separated candidates, each a URL and an optional descriptor.
void AddSrcset(THtmlReferenceSink& out, std::string_view value, int line) {
    const std::string decoded = DecodeCharacterReferences(value);
    std::string_view rest(decoded);
    while (!rest.empty()) {
        while (!rest.empty() && (IsSpace(rest.front()) || rest.front() == ','))
            rest.remove_prefix(1);
        std::size_t end = 0;
        while (end < rest.size() && !IsSpace(rest[end]))
            ++end;
        std::string_view url = rest.substr(0, end);
        // A URL may end in commas that separate it from the next candidate.
        while (!url.empty() && url.back() == ',')
            url.remove_suffix(1);
        if (!url.empty())
            out.Link(url, line);
        const std::size_t comma = rest.find(',', end);
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
}

// <meta http-equiv="refresh" content="5; url=next.htm">
void AddRefresh(THtmlReferenceSink& out, std::string_view content, int line) {
    const std::string decoded = DecodeCharacterReferences(content);
    const std::size_t at = FindNoCase(decoded, "url", 0);
    if (at == std::string::npos)
        return;
    std::string_view rest = std::string_view(decoded).substr(at + 3);
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=')
        return;
    rest = Trim(rest.substr(1));
    if (!rest.empty() && (rest.front() == '\'' || rest.front() == '"')) {
        const char q = rest.front();
        rest.remove_prefix(1);
        const std::size_t close = rest.find(q);
        if (close != std::string_view::npos)
            rest = rest.substr(0, close);
    }
    AddLink(out, rest, line);
}

struct TAttribute {
    std::string Name; // lower case
    std::string_view Value;
    std::size_t ValuePos = 0;
};

// Reads the attributes of a start tag from pos (just behind its name) to its ">"; returns
// the position behind the tag.
std::size_t ReadAttributes(std::string_view text, std::size_t pos, std::vector<TAttribute>& attrs) {
    attrs.clear();
    const std::size_t n = text.size();
    while (pos < n) {
        while (pos < n && (IsSpace(text[pos]) || text[pos] == '/'))
            ++pos;
        if (pos >= n)
            break;
        if (text[pos] == '>')
            return pos + 1;
        const std::size_t nameStart = pos;
        while (pos < n && IsNameChar(text[pos]))
            ++pos;
        if (pos == nameStart) { // a stray quote or "<": skip it
            ++pos;
            continue;
        }
        TAttribute attr;
        attr.Name = LowerCopy(text.substr(nameStart, pos - nameStart));
        std::size_t look = pos;
        while (look < n && IsSpace(text[look]))
            ++look;
        if (look < n && text[look] == '=') {
            pos = look + 1;
            while (pos < n && IsSpace(text[pos]))
                ++pos;
            if (pos < n && (text[pos] == '"' || text[pos] == '\'')) {
                const char quote = text[pos];
                const std::size_t close = text.find(quote, pos + 1);
                const std::size_t end = close == std::string_view::npos ? n : close;
                attr.ValuePos = pos + 1;
                attr.Value = text.substr(pos + 1, end - pos - 1);
                pos = end == n ? n : end + 1;
            } else {
                const std::size_t start = pos;
                while (pos < n && !IsSpace(text[pos]) && text[pos] != '>')
                    ++pos;
                attr.ValuePos = start;
                attr.Value = text.substr(start, pos - start);
            }
        }
        attrs.push_back(std::move(attr));
    }
    return n;
}

bool IsLinkAttribute(std::string_view name) {
    static constexpr std::string_view kNames[] = {"href",     "src",    "background", "poster",
                                                  "longdesc", "lowsrc", "dynsrc"};
    return std::any_of(std::begin(kNames), std::end(kNames),
                       [&](std::string_view k) { return name == k; });
}

void ScanCss(std::string_view css, THtmlReferenceSink& out, TLineCounter& lines,
             std::size_t offset) {
    const std::size_t n = css.size();
    std::size_t pos = 0;
    while (pos < n) {
        const char c = css[pos];
        if (c == '/' && pos + 1 < n && css[pos + 1] == '*') {
            const std::size_t end = css.find("*/", pos + 2);
            pos = end == std::string_view::npos ? n : end + 2;
            continue;
        }
        if ((c == 'u' || c == 'U') && pos + 4 <= n && Lower(css[pos + 1]) == 'r' &&
            Lower(css[pos + 2]) == 'l' && css[pos + 3] == '(') {
            const std::size_t start = pos + 4;
            const std::size_t close = css.find(')', start);
            if (close == std::string_view::npos)
                break;
            std::string_view value = Trim(css.substr(start, close - start));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            AddLink(out, value, lines.At(offset + start));
            pos = close + 1;
            continue;
        }
        if (c == '@' && FindNoCase(css.substr(pos, 7), "@import", 0) == 0) {
            std::size_t p = pos + 7;
            while (p < n && IsSpace(css[p]))
                ++p;
            if (p < n && (css[p] == '"' || css[p] == '\'')) {
                const std::size_t close = css.find(css[p], p + 1);
                if (close == std::string_view::npos)
                    break;
                AddLink(out, css.substr(p + 1, close - p - 1), lines.At(offset + p));
                pos = close + 1;
                continue;
            }
            pos = p; // "@import url(...)" is read by the url( rule
            continue;
        }
        ++pos;
    }
}

// Keeps what a scan finds as strings.
class TCollect final : public THtmlReferenceSink {
public:
    explicit TCollect(THtmlReferences& out) : out_(out) {}
    void Link(std::string_view value, int line) override {
        out_.Links.push_back({std::string(value), line});
    }
    void Anchor(std::string_view anchor) override { out_.Anchors.emplace_back(anchor); }

private:
    THtmlReferences& out_;
};

} // namespace

std::string DecodeCharacterReferences(std::string_view text) {
    if (text.find('&') == std::string_view::npos)
        return std::string(text);
    static const struct {
        const char* name;
        const char* value;
    } kNamed[] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"},
                  {"nbsp", "\xC2\xA0"}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            out += text[i++];
            continue;
        }
        const std::size_t semi = text.find(';', i + 1);
        if (semi == std::string_view::npos || semi - i > 12) {
            out += text[i++];
            continue;
        }
        const std::string_view ref = text.substr(i + 1, semi - i - 1);
        bool done = false;
        if (!ref.empty() && ref[0] == '#') {
            std::uint32_t cp = 0;
            bool ok = ref.size() > 1;
            const bool hex = ref.size() > 1 && (ref[1] == 'x' || ref[1] == 'X');
            for (std::size_t k = hex ? 2 : 1; ok && k < ref.size(); ++k) {
                const char c = ref[k];
                int digit = -1;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && Lower(c) >= 'a' && Lower(c) <= 'f')
                    digit = Lower(c) - 'a' + 10;
                if (digit < 0 || cp > 0x10FFFF)
                    ok = false;
                else
                    cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (ok && ref.size() > (hex ? 2u : 1u)) {
                TextCodec::AppendUtf8(out, cp);
                done = true;
            }
        } else {
            for (const auto& named : kNamed) {
                if (ref == named.name) {
                    out += named.value;
                    done = true;
                    break;
                }
            }
        }
        if (done) {
            i = semi + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

void ScanCssReferences(std::string_view css, THtmlReferenceSink& out, int firstLine) {
    TLineCounter lines(css, firstLine);
    ScanCss(css, out, lines, 0);
}

void ScanCssReferences(std::string_view css, THtmlReferences& out, int firstLine) {
    TCollect collect(out);
    ScanCssReferences(css, collect, firstLine);
}

void ScanHtmlReferences(std::string_view html, THtmlReferences& out) {
    TCollect collect(out);
    ScanHtmlReferences(html, collect);
}

void ScanHtmlReferences(std::string_view html, THtmlReferenceSink& out) {
    TLineCounter lines(html, 1);
    std::vector<TAttribute> attrs;
    const std::size_t n = html.size();
    std::size_t pos = 0;
    while (pos < n) {
        const std::size_t lt = html.find('<', pos);
        if (lt == std::string_view::npos || lt + 1 >= n)
            break;
        const char next = html[lt + 1];
        if (next == '!') {
            if (html.compare(lt, 4, "<!--") == 0) {
                const std::size_t end = html.find("-->", lt + 4);
                pos = end == std::string_view::npos ? n : end + 3;
            } else {
                const std::size_t end = html.find('>', lt + 2);
                pos = end == std::string_view::npos ? n : end + 1;
            }
            continue;
        }
        if (next == '/' || next == '?') {
            const std::size_t end = html.find('>', lt + 2);
            pos = end == std::string_view::npos ? n : end + 1;
            continue;
        }
        if (!((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) {
            pos = lt + 1;
            continue;
        }
        std::size_t p = lt + 1;
        while (p < n && IsNameChar(html[p]))
            ++p;
        const std::string tag = LowerCopy(html.substr(lt + 1, p - lt - 1));
        pos = ReadAttributes(html, p, attrs);

        std::string_view refreshContent;
        bool isRefresh = false;
        for (const TAttribute& a : attrs) {
            if (IsLinkAttribute(a.Name) || (a.Name == "data"sv && tag == "object"sv)) {
                if (tag != "base")
                    AddLink(out, a.Value, lines.At(a.ValuePos));
            } else if (a.Name == "srcset"sv) {
                AddSrcset(out, a.Value, lines.At(a.ValuePos));
            } else if (a.Name == "style"sv) {
                ScanCss(a.Value, out, lines, a.ValuePos);
            } else if (a.Name == "id"sv || (a.Name == "name"sv && tag == "a"sv)) {
                if (a.Value.find('&') == std::string_view::npos) {
                    if (!a.Value.empty())
                        out.Anchor(a.Value);
                } else if (const std::string anchor = DecodeCharacterReferences(a.Value);
                           !anchor.empty()) {
                    out.Anchor(anchor);
                }
            } else if (tag == "meta"sv && a.Name == "http-equiv"sv) {
                isRefresh = LowerCopy(Trim(a.Value)) == "refresh";
            } else if (tag == "meta"sv && a.Name == "content"sv) {
                refreshContent = a.Value;
            }
        }
        if (isRefresh) {
            for (const TAttribute& a : attrs)
                if (a.Name == "content"sv)
                    AddRefresh(out, refreshContent, lines.At(a.ValuePos));
        }

        // Raw text elements: their content is no markup. A style element's rules may
        // still refer to files.
        if (tag == "script"sv || tag == "style"sv || tag == "textarea"sv || tag == "title"sv ||
            tag == "xmp"sv) {
            const std::size_t close = FindNoCase(html, "</" + tag, pos);
            const std::size_t end = close == std::string_view::npos ? n : close;
            if (tag == "style"sv)
                ScanCss(html.substr(pos, end - pos), out, lines, pos);
            pos = end;
        }
    }
}

} // namespace parvane
