#include "editor/page_merge.h"

#include "editor/named_entities.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <functional>
#include <vector>

namespace parvane {

namespace {

// ---- tokens ------------------------------------------------------------------------------

enum class TKind { Text, StartTag, EndTag, Comment, Other };

// How the content of an element is parsed: markup, text with character references
// (title, textarea), or text taken as it is (script, style).
enum class TContent { Markup, Escapable, Raw };

struct TToken {
    TKind Kind = TKind::Text;
    TContent Text = TContent::Markup; // for text tokens: how their characters read
    std::size_t Begin = 0, End = 0;
    std::string Key; // what the token means, whatever its spelling
    std::size_t Hash = 0;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The character reference at s[pos] == '&': its length and code point, or 0.
std::size_t ReadReference(std::string_view s, std::size_t pos, std::uint32_t& cp) {
    const std::size_t semi = s.find(';', pos + 1);
    if (semi == std::string_view::npos || semi - pos > 33)
        return 0;
    const std::string_view body = s.substr(pos + 1, semi - pos - 1);
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8)
            return 0;
        std::uint32_t value = 0;
        for (char c : digits) {
            const int d =
                std::isdigit(static_cast<unsigned char>(c))
                    ? c - '0'
                    : (hex && std::isxdigit(static_cast<unsigned char>(c)) ? Lower(c) - 'a' + 10
                                                                           : -1);
            if (d < 0)
                return 0;
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
        }
        if (value == 0 || value > 0x10FFFF)
            return 0;
        cp = value;
        return semi + 1 - pos;
    }
    const auto* end = std::end(kNamedEntities);
    const auto* it = std::lower_bound(
        std::begin(kNamedEntities), end, body,
        [](const TNamedEntity& entity, std::string_view name) { return entity.Name < name; });
    if (it == end || it->Name != body)
        return 0;
    cp = it->CodePoint;
    return semi + 1 - pos;
}

// The characters of a piece of text as the parser reads them, one entry per character with
// where it starts in the text; line ends read as one LF.
struct TReading {
    std::string Chars;
    std::vector<std::size_t> Starts; // raw offset of each character, then the raw length
};

TReading Read(std::string_view raw, bool references) {
    TReading reading;
    std::size_t i = 0;
    while (i < raw.size()) {
        reading.Starts.push_back(i);
        const char c = raw[i];
        if (c == '\r') {
            reading.Chars += '\n';
            i += i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
            continue;
        }
        if (c == '&' && references) {
            std::uint32_t cp = 0;
            if (const std::size_t length = ReadReference(raw, i, cp)) {
                AppendUtf8(reading.Chars, cp);
                i += length;
                continue;
            }
        }
        // One UTF-8 character.
        std::size_t length = 1;
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0xF0)
            length = 4;
        else if (byte >= 0xE0)
            length = 3;
        else if (byte >= 0xC0)
            length = 2;
        length = std::min(length, raw.size() - i);
        reading.Chars.append(raw.substr(i, length));
        i += length;
    }
    reading.Starts.push_back(raw.size());
    return reading;
}

std::string CollapseSpaces(std::string_view s) {
    std::string out;
    bool space = false;
    for (char c : s) {
        if (IsSpace(c)) {
            space = true;
            continue;
        }
        if (space && !out.empty())
            out += ' ';
        space = false;
        out += Lower(c);
    }
    return out;
}

TContent ContentOf(std::string_view name) {
    if (name == "script" || name == "style" || name == "xmp" || name == "iframe" ||
        name == "noembed" || name == "noframes" || name == "plaintext")
        return TContent::Raw;
    if (name == "title" || name == "textarea")
        return TContent::Escapable;
    return TContent::Markup;
}

// One attribute of a start tag: where it stands, from the white space before it to the end
// of its value, and what it means.
struct TTagAttribute {
    std::size_t Lead = 0, Begin = 0, End = 0;
    std::string Name; // lower case
    std::string Value; // with references read
};

struct TStartTag {
    std::string Name; // lower case
    std::size_t NameEnd = 0;
    std::vector<TTagAttribute> Attributes;
    std::string Key;
};

// Reads the start tag at s[pos] == '<' followed by a letter; returns one past its ">" or
// npos when it never closes.
std::size_t ReadStartTag(std::string_view s, std::size_t pos, TStartTag& tag) {
    std::size_t i = pos + 1;
    const std::size_t nameStart = i;
    while (i < s.size() && !IsSpace(s[i]) && s[i] != '>' && s[i] != '/')
        ++i;
    tag.Name = LowerCase(s.substr(nameStart, i - nameStart));
    tag.NameEnd = i;
    tag.Key = "s" + tag.Name;
    while (true) {
        const std::size_t lead = i;
        while (i < s.size() && (IsSpace(s[i]) || s[i] == '/'))
            ++i;
        if (i >= s.size())
            return std::string_view::npos;
        if (s[i] == '>')
            return i + 1;
        TTagAttribute attribute;
        attribute.Lead = lead;
        attribute.Begin = i;
        while (i < s.size() && !IsSpace(s[i]) && s[i] != '>' && s[i] != '=' &&
               (s[i] != '/' || i == attribute.Begin))
            ++i;
        attribute.Name = LowerCase(s.substr(attribute.Begin, i - attribute.Begin));
        std::size_t j = i;
        while (j < s.size() && IsSpace(s[j]))
            ++j;
        if (j < s.size() && s[j] == '=') {
            i = j + 1;
            while (i < s.size() && IsSpace(s[i]))
                ++i;
            if (i >= s.size())
                return std::string_view::npos;
            std::string_view value;
            if (s[i] == '"' || s[i] == '\'') {
                const std::size_t close = s.find(s[i], i + 1);
                if (close == std::string_view::npos)
                    return std::string_view::npos;
                value = s.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < s.size() && !IsSpace(s[i]) && s[i] != '>')
                    ++i;
                value = s.substr(valueStart, i - valueStart);
            }
            attribute.Value = Read(value, true).Chars;
        }
        attribute.End = i;
        tag.Key += '\x01' + attribute.Name + '\x02' + attribute.Value;
        tag.Attributes.push_back(std::move(attribute));
    }
}

std::size_t FindNoCase(std::string_view s, std::string_view needle, std::size_t from) {
    for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < needle.size() && same; ++k)
            same = Lower(s[i + k]) == needle[k];
        if (same)
            return i;
    }
    return std::string_view::npos;
}

std::vector<TToken> Tokenize(std::string_view s) {
    std::vector<TToken> tokens;
    const auto add = [&](TKind kind, std::size_t begin, std::size_t end, std::string key,
                         TContent text = TContent::Markup) {
        TToken token;
        token.Kind = kind;
        token.Text = text;
        token.Begin = begin;
        token.End = end;
        token.Key = std::move(key);
        token.Hash = std::hash<std::string>()(token.Key);
        tokens.push_back(std::move(token));
    };
    const auto addText = [&](std::size_t begin, std::size_t end, TContent content) {
        if (end <= begin)
            return;
        const std::string_view text = s.substr(begin, end - begin);
        bool blank = content == TContent::Markup;
        for (std::size_t k = 0; k < text.size() && blank; ++k)
            blank = IsSpace(text[k]);
        // White space between elements matches white space of any length: the browser
        // moves what follows </body> and </html> into the body.
        add(TKind::Text, begin, end, blank ? "w" : "t" + Read(text, content != TContent::Raw).Chars,
            content);
    };
    std::size_t i = 0;
    std::size_t textStart = 0;
    while (i < s.size()) {
        if (s[i] != '<') {
            ++i;
            continue;
        }
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("<!--")) {
            addText(textStart, i, TContent::Markup);
            const std::size_t close = s.find("-->", i + 4);
            const std::size_t end = close == std::string_view::npos ? s.size() : close + 3;
            add(TKind::Comment, i, end, "c" + Read(s.substr(i, end - i), false).Chars);
            i = textStart = end;
            continue;
        }
        if (rest.starts_with("<!") || rest.starts_with("<?")) {
            addText(textStart, i, TContent::Markup);
            const std::size_t close = s.find('>', i);
            const std::size_t end = close == std::string_view::npos ? s.size() : close + 1;
            add(TKind::Other, i, end, "d" + CollapseSpaces(s.substr(i, end - i)));
            i = textStart = end;
            continue;
        }
        if (rest.size() > 2 && rest[1] == '/' && IsAlpha(rest[2])) {
            addText(textStart, i, TContent::Markup);
            const std::size_t close = s.find('>', i);
            const std::size_t end = close == std::string_view::npos ? s.size() : close + 1;
            std::size_t n = i + 2;
            while (n < end && !IsSpace(s[n]) && s[n] != '>' && s[n] != '/')
                ++n;
            add(TKind::EndTag, i, end, "e" + LowerCase(s.substr(i + 2, n - i - 2)));
            i = textStart = end;
            continue;
        }
        if (rest.size() > 1 && IsAlpha(rest[1])) {
            TStartTag tag;
            const std::size_t end = ReadStartTag(s, i, tag);
            if (end == std::string_view::npos) {
                ++i;
                continue;
            }
            const std::string name = tag.Name;
            addText(textStart, i, TContent::Markup);
            add(TKind::StartTag, i, end, std::move(tag.Key));
            i = textStart = end;
            if (name == "pre" || name == "listing" || name == "textarea") {
                // The parser drops a line end right after the start tag.
                const std::size_t skip = s.substr(i).starts_with("\r\n")                    ? 2
                                         : (i < s.size() && (s[i] == '\n' || s[i] == '\r')) ? 1
                                                                                            : 0;
                if (skip) {
                    add(TKind::Other, i, i + skip, "n");
                    i = textStart = i + skip;
                }
            }
            const TContent content = ContentOf(name);
            if (content != TContent::Markup) {
                const std::size_t close = FindNoCase(s, "</" + name, i);
                const std::size_t stop = close == std::string_view::npos ? s.size() : close;
                addText(i, stop, content);
                i = textStart = stop;
            }
            continue;
        }
        ++i;
    }
    addText(textStart, s.size(), TContent::Markup);
    return tokens;
}

// ---- matching two token sequences ---------------------------------------------------------

bool SameToken(const TToken& a, const TToken& b) {
    return a.Hash == b.Hash && a.Key == b.Key;
}

bool SameSpelling(std::string_view sa, const TToken& a, std::string_view sb, const TToken& b) {
    return a.End - a.Begin == b.End - b.Begin &&
           sa.substr(a.Begin, a.End - a.Begin) == sb.substr(b.Begin, b.End - b.Begin);
}

// Beyond this many differing tokens the middle of two texts counts as one difference:
// tracing the differences keeps about its square in memory.
constexpr int kMaxDifferences = 2000;

// Matches two long, mostly equal sequences in one pass: equal tokens pair up; where they
// differ, the nearest point within a few tokens where both go on equally is looked for
// (a page without end tags differs from the browser's text in thousands of such places,
// each one token long).
void MatchGreedily(int n, int m, const std::function<bool(int, int)>& eq,
                   const std::function<void(int, int)>& pair) {
    constexpr int kWindow = 12;
    const auto resumes = [&](int x, int y) {
        return x < n && y < m && eq(x, y) && (x + 1 >= n || y + 1 >= m || eq(x + 1, y + 1));
    };
    int x = 0, y = 0;
    while (x < n && y < m) {
        if (eq(x, y)) {
            pair(x++, y++);
            continue;
        }
        bool found = false;
        for (int step = 1; step <= 2 * kWindow && !found; ++step) {
            for (int dx = std::max(0, step - kWindow); dx <= std::min(step, kWindow); ++dx) {
                if (resumes(x + dx, y + step - dx)) {
                    x += dx;
                    y += step - dx;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            ++x;
            ++y;
        }
    }
}

// For each token of a, the index of the token of b it matches in a shortest edit script
// (or, for sequences too different for that, a close one), or -1.
std::vector<int> MatchTokens(std::size_t na, std::size_t nb,
                             const std::function<bool(std::size_t, std::size_t)>& same) {
    std::vector<int> match(na, -1);
    std::size_t head = 0;
    while (head < na && head < nb && same(head, head)) {
        match[head] = static_cast<int>(head);
        ++head;
    }
    std::size_t tail = 0;
    while (tail < na - head && tail < nb - head && same(na - 1 - tail, nb - 1 - tail)) {
        match[na - 1 - tail] = static_cast<int>(nb - 1 - tail);
        ++tail;
    }
    const int n = static_cast<int>(na - head - tail);
    const int m = static_cast<int>(nb - head - tail);
    if (n == 0 || m == 0)
        return match;
    const auto eq = [&](int x, int y) {
        return same(head + static_cast<std::size_t>(x), head + static_cast<std::size_t>(y));
    };
    const int maxD = std::min(n + m, kMaxDifferences);
    const int offset = maxD + 1;
    std::vector<int> v(static_cast<std::size_t>(2 * maxD + 3), 0);
    std::vector<std::vector<int>> trace;
    const auto at = [&](std::vector<int>& vec, int k) -> int& {
        return vec[static_cast<std::size_t>(k + offset)];
    };
    int found = -1;
    for (int d = 0; d <= maxD && found < 0; ++d) {
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && at(v, k - 1) < at(v, k + 1))) ? at(v, k + 1)
                                                                         : at(v, k - 1) + 1;
            int y = x - k;
            while (x < n && y < m && eq(x, y)) {
                ++x;
                ++y;
            }
            at(v, k) = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
        trace.emplace_back(v.begin() + offset - d, v.begin() + offset + d + 1);
    }
    if (found < 0) {
        MatchGreedily(n, m, eq, [&](int x, int y) {
            match[head + static_cast<std::size_t>(x)] = static_cast<int>(head) + y;
        });
        return match;
    }
    int x = n, y = m;
    for (int d = found; d > 0; --d) {
        const std::vector<int>& prev = trace[static_cast<std::size_t>(d - 1)];
        const auto prevAt = [&](int k) { return prev[static_cast<std::size_t>(k + d - 1)]; };
        const int k = x - y;
        const int prevK = (k == -d || (k != d && prevAt(k - 1) < prevAt(k + 1))) ? k + 1 : k - 1;
        const int prevX = prevAt(prevK);
        const int prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            --x;
            --y;
            match[head + static_cast<std::size_t>(x)] = static_cast<int>(head) + y;
        }
        x = prevX;
        y = prevY;
    }
    while (x > 0 && y > 0) {
        --x;
        --y;
        match[head + static_cast<std::size_t>(x)] = static_cast<int>(head) + y;
    }
    return match;
}

// ---- the merge ----------------------------------------------------------------------------

struct THunk {
    std::size_t A, B; // tokens [A, B) of the loaded serialisation
    std::size_t C, D; // are replaced by tokens [C, D) of the edited one
};

struct TReplacement {
    std::size_t Begin, End; // in the loaded page
    std::string Text;
};

bool UsesCrLf(std::string_view s) {
    std::size_t crlf = 0, lf = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n')
            (i > 0 && s[i - 1] == '\r' ? crlf : lf)++;
    return crlf > lf;
}

std::string WithLineEnds(std::string_view text, bool crlf) {
    if (!crlf)
        return std::string(text);
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r'))
            out += '\r';
        out += text[i];
    }
    return out;
}

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string MergePageEdits(std::string_view loaded, std::string_view loadedSerialised,
                           std::string_view editedSerialised) {
    if (loadedSerialised == editedSerialised)
        return std::string(loaded);
    const std::vector<TToken> page = Tokenize(loaded);
    const std::vector<TToken> before = Tokenize(loadedSerialised);
    const std::vector<TToken> after = Tokenize(editedSerialised);

    // What the author changed, between the two serialisations of the browser.
    const std::vector<int> kept = MatchTokens(before.size(), after.size(), [&](auto a, auto b) {
        return SameToken(before[a], after[b]) &&
               SameSpelling(loadedSerialised, before[a], editedSerialised, after[b]);
    });
    // Where each token of the first serialisation stands in the page as loaded.
    const std::vector<int> inPage = MatchTokens(
        before.size(), page.size(), [&](auto a, auto b) { return SameToken(before[a], page[b]); });

    std::vector<THunk> hunks;
    {
        std::size_t a = 0, c = 0;
        for (std::size_t i = 0; i <= before.size(); ++i) {
            const bool end = i == before.size();
            if (!end && kept[i] < 0)
                continue;
            const std::size_t j = end ? after.size() : static_cast<std::size_t>(kept[i]);
            if (i > a || j > c)
                hunks.push_back({a, i, c, j});
            a = i + 1;
            c = j + 1;
        }
    }

    const bool crlf = UsesCrLf(loaded);
    const auto pageBegin = [&](std::size_t i) {
        return i < before.size() ? page[static_cast<std::size_t>(inPage[i])].Begin : loaded.size();
    };
    const auto pageEnd = [&](std::size_t i) {
        return page[static_cast<std::size_t>(inPage[i])].End;
    };
    const auto editedText = [&](std::size_t c, std::size_t d) {
        if (c >= d)
            return std::string();
        return WithLineEnds(
            editedSerialised.substr(after[c].Begin, after[d - 1].End - after[c].Begin), crlf);
    };

    // Each replacement with the change it came from, so that a later change that widens
    // into it can take it over.
    std::vector<std::pair<THunk, TReplacement>> done;
    const auto push = [&](const THunk& hunk, std::size_t begin, std::size_t end, std::string text) {
        done.push_back({hunk, TReplacement{begin, end, std::move(text)}});
    };
    for (std::size_t h = 0; h < hunks.size();) {
        THunk cur = hunks[h++];
        // A text changed within itself, or split by new markup: change only what differs.
        if (cur.B - cur.A == 1 && cur.D > cur.C && inPage[cur.A] >= 0 &&
            before[cur.A].Kind == TKind::Text) {
            const TToken& was = before[cur.A];
            const TToken& own = page[static_cast<std::size_t>(inPage[cur.A])];
            const std::string_view wasText =
                loadedSerialised.substr(was.Begin, was.End - was.Begin);
            const std::string_view nowText = editedSerialised.substr(
                after[cur.C].Begin, after[cur.D - 1].End - after[cur.C].Begin);
            std::size_t prefix = 0;
            while (prefix < wasText.size() && prefix < nowText.size() &&
                   wasText[prefix] == nowText[prefix])
                ++prefix;
            std::size_t suffix = 0;
            while (suffix < wasText.size() - prefix && suffix < nowText.size() - prefix &&
                   wasText[wasText.size() - 1 - suffix] == nowText[nowText.size() - 1 - suffix])
                ++suffix;
            const bool references = was.Text != TContent::Raw;
            const TReading wasChars = Read(wasText, references);
            const TReading ownChars =
                Read(loaded.substr(own.Begin, own.End - own.Begin), references);
            // Widen the change to whole characters of the first serialisation.
            const auto& starts = wasChars.Starts;
            const std::size_t first = static_cast<std::size_t>(
                std::upper_bound(starts.begin(), starts.end(), prefix) - starts.begin() - 1);
            const std::size_t last = static_cast<std::size_t>(
                std::lower_bound(starts.begin(), starts.end(), wasText.size() - suffix) -
                starts.begin());
            const std::size_t from = starts[first];
            const std::size_t to = starts[last];
            const std::size_t nowTo = nowText.size() - (wasText.size() - to);
            if (from <= nowTo && !(from < nowText.size() && IsContinuationByte(nowText[from])) &&
                !(nowTo < nowText.size() && IsContinuationByte(nowText[nowTo]))) {
                // The same characters, except runs of white space that may differ in length
                // (the browser moves the white space after </body> into the body).
                const std::size_t wasCount = starts.size() - 1;
                const std::size_t ownCount = ownChars.Starts.size() - 1;
                const std::size_t ownFrom = std::min(first, ownCount);
                const std::size_t ownTo =
                    std::max(ownFrom, ownCount - std::min(wasCount - last, ownCount));
                push(cur, own.Begin + ownChars.Starts[ownFrom], own.Begin + ownChars.Starts[ownTo],
                     WithLineEnds(nowText.substr(from, nowTo - from), crlf));
                continue;
            }
        }
        // A start tag whose attributes changed: the attributes that stayed keep the page's
        // spelling, the new and changed ones take the browser's.
        if (cur.B - cur.A == 1 && cur.D - cur.C == 1 && inPage[cur.A] >= 0 &&
            before[cur.A].Kind == TKind::StartTag && after[cur.C].Kind == TKind::StartTag) {
            const TToken& own = page[static_cast<std::size_t>(inPage[cur.A])];
            const std::string_view ownText = loaded.substr(own.Begin, own.End - own.Begin);
            const std::string_view wasText =
                loadedSerialised.substr(before[cur.A].Begin, before[cur.A].End - before[cur.A].Begin);
            const std::string_view nowText =
                editedSerialised.substr(after[cur.C].Begin, after[cur.C].End - after[cur.C].Begin);
            TStartTag ownTag, wasTag, nowTag;
            ReadStartTag(ownText, 0, ownTag);
            ReadStartTag(wasText, 0, wasTag);
            ReadStartTag(nowText, 0, nowTag);
            if (ownTag.Name == nowTag.Name &&
                ownTag.Attributes.size() == wasTag.Attributes.size()) {
                const auto find = [](const TStartTag& tag, const std::string& name) {
                    for (const TTagAttribute& attribute : tag.Attributes)
                        if (attribute.Name == name)
                            return &attribute;
                    return static_cast<const TTagAttribute*>(nullptr);
                };
                const auto spelling = [](std::string_view tag, const TTagAttribute& attribute) {
                    return tag.substr(attribute.Lead, attribute.End - attribute.Lead);
                };
                const auto tailOf = [](std::string_view tag, const TStartTag& parsed) {
                    return tag.substr(parsed.Attributes.empty() ? parsed.NameEnd
                                                                : parsed.Attributes.back().End);
                };
                std::string text(ownText.substr(0, ownTag.NameEnd));
                for (const TTagAttribute& attribute : nowTag.Attributes) {
                    const TTagAttribute* ownAttribute = find(ownTag, attribute.Name);
                    const TTagAttribute* wasAttribute = find(wasTag, attribute.Name);
                    const bool untouched =
                        ownAttribute && wasAttribute &&
                        spelling(wasText, *wasAttribute) == spelling(nowText, attribute);
                    text += untouched ? spelling(ownText, *ownAttribute)
                                      : spelling(nowText, attribute);
                }
                text += tailOf(wasText, wasTag) == tailOf(nowText, nowTag)
                            ? tailOf(ownText, ownTag)
                            : tailOf(nowText, nowTag);
                push(cur, own.Begin, own.End, std::move(text));
                continue;
            }
        }
        // An insertion next to a token the page has: it goes right there.
        if (cur.A == cur.B) {
            if (cur.A > 0 && inPage[cur.A - 1] >= 0) {
                const std::size_t at = pageEnd(cur.A - 1);
                push(cur, at, at, editedText(cur.C, cur.D));
                continue;
            }
            if (cur.A < before.size() && inPage[cur.A] >= 0) {
                const std::size_t at = pageBegin(cur.A);
                push(cur, at, at, editedText(cur.C, cur.D));
                continue;
            }
        }
        // Otherwise widen the change to tokens the page has on both sides, and replace what
        // the page holds between them.
        while (cur.A > 0 && inPage[cur.A - 1] < 0) {
            if (!done.empty() && done.back().first.B == cur.A) {
                cur.A = done.back().first.A;
                cur.C = done.back().first.C;
                done.pop_back();
                continue;
            }
            --cur.A;
            --cur.C;
        }
        while (cur.B < before.size() && inPage[cur.B] < 0) {
            if (h < hunks.size() && hunks[h].A == cur.B) {
                cur.B = hunks[h].B;
                cur.D = hunks[h].D;
                ++h;
                continue;
            }
            ++cur.B;
            ++cur.D;
        }
        const std::size_t begin = cur.A > 0 ? pageEnd(cur.A - 1) : 0;
        const std::size_t end = pageBegin(cur.B);
        push(cur, begin, std::max(begin, end), editedText(cur.C, cur.D));
    }

    std::string out;
    out.reserve(loaded.size() + editedSerialised.size() / 8);
    std::size_t at = 0;
    for (const auto& [hunk, r] : done) {
        if (r.Begin < at)
            continue; // cannot happen with monotonic matches; never write a part twice
        out.append(loaded.substr(at, r.Begin - at));
        out += r.Text;
        at = r.End;
    }
    out.append(loaded.substr(at));
    return out;
}

} // namespace parvane
