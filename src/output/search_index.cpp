// The Web Help's search data: reading text, words and the compact word counts the search
// page turns into its search library's index.

#include "output/search_index.h"
#include "model/text_file.h"

#include "model/string_func.h"
#include "output/contents.h"
#include "output/ordered_work.h"
#include "output/web_help.h"

#include <absl/container/flat_hash_map.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvane {

namespace SF = StringFunc;

namespace {

// ---- UTF-8 --------------------------------------------------------------------------------

constexpr char32_t kReplacement = 0xFFFD;

// The code point at i, and i moved past it; a byte that starts no valid sequence reads
// as U+FFFD and is passed over alone.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80) {
        ++i;
        return b;
    }
    int extra = 0;
    char32_t cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        extra = 1;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        extra = 2;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        extra = 3;
        cp = b & 0x07;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char c = byte(i + static_cast<std::size_t>(k));
        if ((c & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

// ---- what a word is -----------------------------------------------------------------------
//
// The same ranges stand in webhelp.js (PV_SEPARATORS, PV_CJK): change both together.

struct TRange {
    char32_t From, To;
};

// Punctuation, symbols, spaces and controls outside ASCII. Everything else from U+0080 up
// is part of a word: letters, marks and digits of every script.
constexpr TRange kSeparators[] = {
    {0x0080, 0x00A9}, {0x00AB, 0x00B1}, {0x00B4, 0x00B4}, {0x00B6, 0x00B8},   {0x00BB, 0x00BB},
    {0x00BF, 0x00BF}, {0x00D7, 0x00D7}, {0x00F7, 0x00F7}, {0x037E, 0x037E},   {0x0387, 0x0387},
    {0x055A, 0x055F}, {0x0589, 0x058A}, {0x05BE, 0x05BE}, {0x05C0, 0x05C0},   {0x05C3, 0x05C3},
    {0x05C6, 0x05C6}, {0x05F3, 0x05F4}, {0x0609, 0x060D}, {0x061B, 0x061B},   {0x061D, 0x061F},
    {0x066A, 0x066D}, {0x06D4, 0x06D4}, {0x0964, 0x0965}, {0x0E4F, 0x0E4F},   {0x0E5A, 0x0E5B},
    {0x10FB, 0x10FB}, {0x1360, 0x1368}, {0x1680, 0x1680}, {0x17D4, 0x17DA},   {0x1800, 0x180A},
    {0x2000, 0x2BFF}, {0x2E00, 0x2E7F}, {0x3000, 0x303F}, {0x30FB, 0x30FB},   {0xD800, 0xF8FF},
    {0xFE10, 0xFE1F}, {0xFE30, 0xFE6F}, {0xFEFF, 0xFEFF}, {0xFF00, 0xFF0F},   {0xFF1A, 0xFF20},
    {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65}, {0xFFF0, 0xFFFF}, {0x1F000, 0x1FAFF},
};

// Scripts written without spaces between words: each character is a word.
constexpr TRange kCjk[] = {
    {0x2E80, 0x2FDF}, {0x3040, 0x30FF}, {0x3100, 0x31FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
    {0xA960, 0xA97F}, {0xAC00, 0xD7AF}, {0xF900, 0xFAFF}, {0xFF66, 0xFF9F}, {0x20000, 0x3134F},
};

template <std::size_t N> bool InRanges(const TRange (&ranges)[N], char32_t cp) {
    for (const TRange& r : ranges)
        if (cp >= r.From && cp <= r.To)
            return true;
    return false;
}

enum class TCharKind { Separator, Word, Cjk };

constexpr TCharKind KindOf(char32_t cp) {
    if (cp < 0x80) {
        const bool alnum =
            (cp >= '0' && cp <= '9') || (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
        return alnum ? TCharKind::Word : TCharKind::Separator;
    }
    // Separators first: the Katakana middle dot lies inside a CJK range.
    if (InRanges(kSeparators, cp) || cp == kReplacement)
        return TCharKind::Separator;
    if (InRanges(kCjk, cp))
        return TCharKind::Cjk;
    return TCharKind::Word;
}

// ---- reading text -------------------------------------------------------------------------

// Words are kept as written except that ASCII letters are lower-cased, which merges the
// commonest variants before they reach the page: ASCII letters lower-cased, every other
// byte as it is.
constexpr std::array<char, 256> kLowerAscii = [] {
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<char>(b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b);
    return table;
}();

char Lower(char c) {
    return kLowerAscii[static_cast<unsigned char>(c)];
}

// Bytes by what they are to the reading text; looked up once per byte of a page.
enum TByteClass : unsigned char {
    bcPlain,  // printable ASCII other than "&" and "<": part of a run taken at once
    bcSpace,  // the white space of HTML
    bcOther,  // everything else: controls, "&", "<" and the bytes of UTF-8 sequences
};

constexpr std::array<unsigned char, 256> kByteClass = [] {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b) {
        if (b == ' ' || b == '\n' || b == '\t' || b == '\r' || b == '\f')
            table[b] = bcSpace;
        else if (b > ' ' && b < 0x7F && b != '&' && b != '<')
            table[b] = bcPlain;
        else
            table[b] = bcOther;
    }
    return table;
}();

TByteClass ClassOf(char c) {
    return static_cast<TByteClass>(kByteClass[static_cast<unsigned char>(c)]);
}

// The end of the run of text from `from` made of printable ASCII other than "&" and "<",
// with no two spaces in a row: the run stops before any other byte and before a second
// space. Text between tags is mostly such runs, taken here sixteen bytes at a time.
std::size_t CleanRunEnd(std::string_view s, std::size_t from) {
    std::size_t i = from;
    bool lastSpace = false; // s[i - 1] is a space of the run
    const auto stopAt = [&](std::size_t k) {
        for (; k < s.size(); ++k) {
            const char c = s[k];
            if (ClassOf(c) != bcPlain && (c != ' ' || lastSpace))
                return k;
            lastSpace = c == ' ';
        }
        return k;
    };
#if defined(__SSE2__)
    const __m128i lt = _mm_set1_epi8('<');
    const __m128i amp = _mm_set1_epi8('&');
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i del = _mm_set1_epi8(0x7F);
    for (; i + 16 <= s.size(); i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
        // Bytes from 0x80 compare as negative: below the space, with the controls.
        const __m128i other = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(block, lt), _mm_cmpeq_epi8(block, amp)),
            _mm_or_si128(_mm_cmplt_epi8(block, space), _mm_cmpeq_epi8(block, del)));
        const auto spaces = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, space)));
        const unsigned twice = spaces & ((spaces << 1) | (lastSpace ? 1u : 0u));
        if (_mm_movemask_epi8(other) != 0 || twice != 0)
            return stopAt(i); // the block's bytes one by one, to the exact end
        lastSpace = (spaces & 0x8000u) != 0;
    }
#endif
    return stopAt(i);
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view prefix) {
    if (s.size() - at < prefix.size())
        return false;
    for (std::size_t k = 0; k < prefix.size(); ++k)
        if (Lower(s[at + k]) != prefix[k])
            return false;
    return true;
}

// Position after the first "</name" ... ">" at or after `from`, or the end of the text.
std::size_t SkipPastClosingTag(std::string_view s, std::size_t from, std::string_view name) {
    for (std::size_t at = s.find("</", from); at != std::string_view::npos;
         at = s.find("</", at + 2)) {
        if (!StartsWithNoCase(s, at + 2, name))
            continue;
        const std::size_t after = at + 2 + name.size();
        if (after < s.size() && (std::isalnum(static_cast<unsigned char>(s[after])) != 0))
            continue;
        const std::size_t gt = s.find('>', after);
        return gt == std::string_view::npos ? s.size() : gt + 1;
    }
    return s.size();
}

// The end of a tag that starts at `lt`: the ">" outside quoted attribute values.
std::size_t TagEnd(std::string_view s, std::size_t lt) {
    char quote = 0;
    for (std::size_t k = lt + 1; k < s.size(); ++k) {
        const char c = s[k];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return k;
        }
    }
    return std::string_view::npos;
}

// Elements whose content a reader never reads as text.
bool IsHiddenElement(std::string_view name) {
    static constexpr std::string_view kHidden[] = {"script", "style",  "noscript", "template",
                                                   "head",   "title",  "iframe",   "object",
                                                   "svg",    "textarea"};
    return std::find(std::begin(kHidden), std::end(kHidden), name) != std::end(kHidden);
}

// Elements inside a run of text: they do not separate the words around them.
// Every page passes each of its tags here: the names, none longer than eight bytes, are
// compared as numbers.
constexpr std::uint64_t ShortName(std::string_view name) {
    std::uint64_t packed = 0;
    for (std::size_t k = 0; k < name.size(); ++k)
        packed |= std::uint64_t{static_cast<unsigned char>(name[k])} << (8 * k);
    return packed;
}

bool IsInlineElement(std::string_view name) {
    static constexpr std::string_view kInline[] = {
        "a",    "abbr",  "b",    "bdi",    "bdo",    "cite",  "code",   "data", "del",
        "dfn",  "em",    "font", "i",      "ins",    "kbd",   "mark",   "q",    "s",
        "samp", "small", "span", "strike", "strong", "sub",   "sup",    "time", "tt",
        "u",    "var",   "big",  "nobr",   "wbr",    "label", "acronym"};
    static constexpr auto kPacked = [] {
        std::array<std::uint64_t, std::size(kInline)> packed{};
        for (std::size_t k = 0; k < packed.size(); ++k)
            packed[k] = ShortName(kInline[k]);
        return packed;
    }();
    if (name.empty() || name.size() > 8)
        return false;
    return std::find(kPacked.begin(), kPacked.end(), ShortName(name)) != kPacked.end();
}

// The named references a help page is likely to hold: markup, typography, Latin-1 and
// Greek letters. Anything else is left as it is written.
const std::unordered_map<std::string_view, char32_t>& NamedReferences() {
    static const std::unordered_map<std::string_view, char32_t> table = [] {
        std::unordered_map<std::string_view, char32_t> t = {
            {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},
            {"apos", '\''},    {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026},
            {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"sbquo", 0x201A}, {"ldquo", 0x201C},
            {"rdquo", 0x201D}, {"bdquo", 0x201E}, {"bull", 0x2022},  {"trade", 0x2122},
            {"euro", 0x20AC},  {"larr", 0x2190},  {"rarr", 0x2192},  {"thinsp", 0x2009},
            {"ensp", 0x2002},  {"emsp", 0x2003},  {"zwnj", 0x200C},  {"zwj", 0x200D},
            {"OElig", 0x152},  {"oelig", 0x153},  {"Scaron", 0x160}, {"scaron", 0x161},
            {"Yuml", 0x178},   {"fnof", 0x192},   {"minus", 0x2212}, {"dagger", 0x2020},
        };
        // U+00A0 to U+00FF in order.
        static const char* const latin1[] = {
            "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",
            "uml",    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",
            "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",  "para",   "middot",
            "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest",
            "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil",
            "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",
            "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",   "times",
            "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",
            "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
            "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",
            "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
            "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};
        for (char32_t k = 0; k < 96; ++k)
            t.emplace(latin1[k], 0xA0 + k);
        // Greek capitals U+0391..U+03A9 and small letters U+03B1..U+03C9 (U+03A2 is unused).
        static const char* const greek[] = {
            "Alpha", "Beta",   "Gamma",   "Delta", "Epsilon", "Zeta",    "Eta",  "Theta", "Iota",
            "Kappa", "Lambda", "Mu",      "Nu",    "Xi",      "Omicron", "Pi",   "Rho",   "",
            "Sigma", "Tau",    "Upsilon", "Phi",   "Chi",     "Psi",     "Omega"};
        static const char* const greekSmall[] = {
            "alpha", "beta",   "gamma",   "delta", "epsilon", "zeta",    "eta",  "theta", "iota",
            "kappa", "lambda", "mu",      "nu",    "xi",      "omicron", "pi",   "rho",   "sigmaf",
            "sigma", "tau",    "upsilon", "phi",   "chi",     "psi",     "omega"};
        for (char32_t k = 0; k < 25; ++k) {
            if (*greek[k])
                t.emplace(greek[k], 0x391 + k);
            t.emplace(greekSmall[k], 0x3B1 + k);
        }
        return t;
    }();
    return table;
}

// Decodes the character reference at s[amp] == '&'; returns 0 when there is none, else
// the code point with `length` set to the reference's length.
char32_t DecodeReference(std::string_view s, std::size_t amp, std::size_t& length) {
    std::size_t k = amp + 1;
    if (k < s.size() && s[k] == '#') {
        ++k;
        const bool hex = k < s.size() && (s[k] == 'x' || s[k] == 'X');
        if (hex)
            ++k;
        const std::size_t digits = k;
        std::uint32_t value = 0;
        while (k < s.size() && k - digits < 8) {
            const char c = s[k];
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0)
                break;
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            ++k;
        }
        if (k == digits)
            return 0;
        if (k < s.size() && s[k] == ';')
            ++k;
        length = k - amp;
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return kReplacement;
        return value;
    }
    while (k < s.size() && k - amp <= 10 && std::isalnum(static_cast<unsigned char>(s[k])))
        ++k;
    if (k >= s.size() || s[k] != ';' || k == amp + 1)
        return 0;
    const auto& table = NamedReferences();
    const auto found = table.find(s.substr(amp + 1, k - amp - 1));
    if (found == table.end())
        return 0;
    length = k + 1 - amp;
    return found->second;
}

// Builds reading text one character at a time, collapsing white space.
class TTextBuilder {
public:
    explicit TTextBuilder(std::size_t reserve) { out_.reserve(reserve); }

    void Space() { pendingSpace_ = !out_.empty(); }
    void Put(char32_t cp) {
        if (cp == 0x00AD || cp == 0x200C || cp == 0x200D || cp == 0xFEFF)
            return; // soft hyphens and joiners sit inside words
        if (cp == ' ' || cp == '\t' || cp == '\r' || cp == '\n' || cp == '\f' || cp == 0xA0 ||
            cp == 0x200B || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x3000) {
            Space();
            return;
        }
        if (cp < 0x20 || cp == 0x7F)
            return;
        if (pendingSpace_) {
            out_ += ' ';
            pendingSpace_ = false;
        }
        TextCodec::AppendUtf8(out_, cp);
    }
    // A run of printable ASCII without two spaces in a row (CleanRunEnd): what Put does for
    // each of its bytes.
    void PutClean(std::string_view run) {
        if (run.front() == ' ') {
            Space();
            run.remove_prefix(1);
        }
        const bool trailingSpace = !run.empty() && run.back() == ' ';
        if (trailingSpace)
            run.remove_suffix(1);
        if (run.empty())
            return;
        if (pendingSpace_) {
            out_ += ' ';
            pendingSpace_ = false;
        }
        out_.append(run);
        if (trailingSpace)
            Space();
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
    bool pendingSpace_ = false;
};

} // namespace

std::string PageText(std::string_view html) {
    TTextBuilder text(html.size() / 2);
    std::size_t i = 0;
    // A whole page: only its body is read.
    for (std::size_t at = html.find('<'); at != std::string_view::npos;
         at = html.find('<', at + 1)) {
        if (StartsWithNoCase(html, at + 1, "body") && at + 5 < html.size() &&
            !std::isalnum(static_cast<unsigned char>(html[at + 5]))) {
            const std::size_t gt = TagEnd(html, at);
            i = gt == std::string_view::npos ? html.size() : gt + 1;
            break;
        }
    }
    while (i < html.size()) {
        const char c = html[i];
        if (c == '&') {
            std::size_t length = 0;
            const char32_t cp = DecodeReference(html, i, length);
            if (cp != 0) {
                text.Put(cp);
                i += length;
                continue;
            }
            text.Put('&');
            ++i;
            continue;
        }
        if (c != '<') {
            // Most of a page's text: taken a run at a time, not a character at a time.
            if (const std::size_t end = CleanRunEnd(html, i); end > i) {
                text.PutClean(html.substr(i, end - i));
                i = end;
                continue;
            }
            if (ClassOf(c) == bcSpace) {
                text.Space();
                ++i;
                continue;
            }
            text.Put(NextCodePoint(html, i));
            continue;
        }
        if (html.compare(i, 4, "<!--") == 0) {
            const std::size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const char next = i + 1 < html.size() ? html[i + 1] : '\0';
        if (next == '!' || next == '?') {
            const std::size_t end = html.find('>', i);
            i = end == std::string_view::npos ? html.size() : end + 1;
            continue;
        }
        const bool closing = next == '/';
        const std::size_t nameStart = i + (closing ? 2 : 1);
        std::size_t nameEnd = nameStart;
        while (nameEnd < html.size() &&
               (std::isalnum(static_cast<unsigned char>(html[nameEnd])) || html[nameEnd] == '-'))
            ++nameEnd;
        if (nameEnd == nameStart || !std::isalpha(static_cast<unsigned char>(html[nameStart]))) {
            text.Put('<'); // a "<" of the text, not a tag
            ++i;
            continue;
        }
        // Lower-cased in place; a longer name is in neither list and stays empty.
        char lowered[12];
        std::string_view name;
        if (nameEnd - nameStart <= sizeof lowered) {
            for (std::size_t k = nameStart; k < nameEnd; ++k)
                lowered[k - nameStart] = Lower(html[k]);
            name = std::string_view(lowered, nameEnd - nameStart);
        }
        const std::size_t end = TagEnd(html, i);
        if (end == std::string_view::npos)
            break;
        i = end + 1;
        if (!closing && IsHiddenElement(name) && html[end - 1] != '/') {
            i = SkipPastClosingTag(html, i, name);
            text.Space();
            continue;
        }
        if (!IsInlineElement(name))
            text.Space();
    }
    return text.Take();
}

namespace {

// Calls visit(word) for each word of text, in order (see SearchWords).
template <typename TVisit> void ForEachSearchWord(std::string_view text, TVisit&& visit) {
    std::size_t start = std::string_view::npos;
    std::size_t i = 0;
    static constexpr auto kAsciiWord = [] {
        std::array<bool, 256> table{};
        for (int b = 0; b < 0x80; ++b)
            table[b] = KindOf(static_cast<char32_t>(b)) == TCharKind::Word;
        return table;
    }();
    const auto asciiWord = [](unsigned char b) { return kAsciiWord[b]; };
    // One character at i.
    const auto step = [&] {
        const std::size_t at = i;
        const auto byte = static_cast<unsigned char>(text[i]);
        TCharKind kind;
        if (byte < 0x80) {
            ++i;
            kind = asciiWord(byte) ? TCharKind::Word : TCharKind::Separator;
        } else {
            kind = KindOf(NextCodePoint(text, i));
        }
        if (kind == TCharKind::Word) {
            if (start == std::string_view::npos)
                start = at;
            return;
        }
        if (start != std::string_view::npos) {
            visit(text.substr(start, at - start));
            start = std::string_view::npos;
        }
        if (kind == TCharKind::Cjk)
            visit(text.substr(at, i - at));
    };
#if defined(__SSE2__)
    // Sixteen bytes of ASCII at a time: the words are the runs of letters and digits in
    // the block's mask. A block with other bytes goes character by character.
    while (i + 16 <= text.size()) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
        if (_mm_movemask_epi8(block) != 0) {
            const std::size_t end = i + 16;
            while (i < end) // step() moves i on
                step();
            continue;
        }
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('0' - 1)),
                                            _mm_cmplt_epi8(block, _mm_set1_epi8('9' + 1)));
        const __m128i folded = _mm_or_si128(block, _mm_set1_epi8(0x20));
        const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)),
                                             _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
        const auto inWord = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(digit, letter)));
        const unsigned outOfWord = ~inWord | 0x10000u; // a stop past the block
        unsigned pos = 0;
        while (pos < 16) {
            if (start != std::string_view::npos) {
                pos += static_cast<unsigned>(__builtin_ctz(outOfWord >> pos));
                if (pos < 16) {
                    visit(text.substr(start, i + pos - start));
                    start = std::string_view::npos;
                }
            } else {
                const unsigned ahead = inWord >> pos;
                if (ahead == 0)
                    break;
                pos += static_cast<unsigned>(__builtin_ctz(ahead));
                start = i + pos;
            }
        }
        i += 16;
    }
#endif
    while (i < text.size())
        step();
    if (start != std::string_view::npos)
        visit(text.substr(start));
}

} // namespace

std::vector<std::string_view> SearchWords(std::string_view text) {
    std::vector<std::string_view> words;
    ForEachSearchWord(text, [&](std::string_view word) { words.push_back(word); });
    return words;
}

std::vector<std::string> SearchAddresses(const TContents& contents) {
    std::vector<std::string> addresses(contents.Items.size());
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < contents.Items.size(); ++i) {
        const TContentsItem& item = *contents.Items[i];
        if (!item.HasContent)
            continue;
        std::string address = contents.CachedWebAddress(item);
        if (seen.insert(address).second)
            addresses[i] = std::move(address);
    }
    return addresses;
}

std::vector<TSearchDoc> SearchDocs(const TContents& contents) {
    std::vector<TSearchDoc> docs;
    const std::vector<std::string> addresses = SearchAddresses(contents);
    // The pages' text is taken on all cores, in topic order.
    ForEachInOrderHelping<std::string>(
        contents.Items.size(), contents.Threads,
        [&](std::size_t i) {
            if (addresses[i].empty())
                return std::string();
            return PageText(contents.ItemBody(*contents.Items[i]));
        },
        [&](std::size_t i, std::string&& text) {
            if (addresses[i].empty())
                return;
            const TContentsItem& item = *contents.Items[i];
            docs.push_back({item.Title, "scr/" + addresses[i], item.Position, std::move(text)});
        });
    return docs;
}

// ---- the data script --------------------------------------------------------------------

namespace {

// Numbers are written in a base-32 code of 64 letters: the lower 32 letters end a number,
// the upper 32 carry five more bits (least significant first). The page reads them back
// in pvReadNumber.
const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

void AppendNumber(std::string& out, std::uint32_t value) {
    while (value >= 32) {
        out += kDigits[32 + (value & 31)];
        value >>= 5;
    }
    out += kDigits[value];
}

// A JSON string; text that is not valid UTF-8 is mended on the way.
void AppendJsonString(std::string& out, std::string_view s) {
    out += '"';
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b >= 0x20 && b < 0x80 && b != '"' && b != '\\') {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        const char32_t cp = NextCodePoint(s, i);
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp < 0x20 || cp == 0x2028 || cp == 0x2029) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += hex[(cp >> shift) & 0xF];
        } else {
            TextCodec::AppendUtf8(out, cp);
        }
    }
    out += '"';
}

struct TPosting {
    std::uint32_t Doc;
    std::uint32_t Count;
};

constexpr std::size_t kMinExcerpt = 160;
constexpr std::size_t kMaxExcerpt = 600;

// The beginning of a text, at most `limit` bytes, cut after a whole word when one ends
// near the limit.
std::string_view Excerpt(std::string_view text, std::size_t limit) {
    if (text.size() <= limit)
        return text;
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    const std::size_t space = text.rfind(' ', cut);
    if (space != std::string_view::npos && space > limit * 3 / 4)
        cut = space;
    return text.substr(0, cut);
}

// The most bytes of text each document keeps so that all of them together stay within
// `budget`: short texts are kept whole, the rest cut to one common length.
std::size_t ExcerptLimit(std::vector<std::size_t> sizes, std::size_t budget) {
    std::sort(sizes.begin(), sizes.end());
    std::size_t left = budget;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        const std::size_t share = left / (sizes.size() - k);
        if (sizes[k] > share)
            return share;
        left -= sizes[k];
    }
    return sizes.empty() ? 0 : sizes.back();
}

} // namespace

struct TSearchData::TState {
    // What a document keeps: enough of the beginning of its text for any excerpt.
    struct TDoc {
        std::string Title;
        std::string Url;
        int Node = 0;
        std::uint32_t Lengths[2] = {0, 0};
        std::string Start;
    };
    std::vector<TDoc> Docs;
    std::vector<std::size_t> TextSizes;
    std::size_t TextBytes = 0;

    // Field 0 is the title, field 1 the text. Every distinct word of every page is looked
    // up here on the build's thread, in page order: a flat table, one probe per word.
    absl::flat_hash_map<std::string, std::uint32_t> TermIds;
    std::vector<std::string> Terms;
    std::vector<std::vector<TPosting>> Postings[2];
};

namespace {



// A word of at most 16 bytes, its ASCII letters lower-cased, as two numbers (zero bytes
// after its end: a word holds no NUL); a longer word is held as 0, 0, which no short word
// is. Most words are short: they are lowered, hashed and compared a block at a time
// instead of a byte at a time.
struct TShortWord {
    std::uint64_t Low = 0, High = 0;
};

constexpr std::size_t kShortWord = 16;

std::uint64_t MixShort(const TShortWord& w) {
    std::uint64_t h = w.Low * 0x9E3779B97F4A7C15ull + w.High * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 31;
    h *= 0xD6E8FEB86659FD93ull;
    return h ^ (h >> 29);
}

#if defined(__SSE2__) && defined(__x86_64__)
// The word at text[at, at + length), length 1 to 16, lowered.
inline __attribute__((always_inline)) TShortWord LowerShort(std::string_view text, std::size_t at,
                                                          std::size_t length) {
    alignas(16) static constexpr unsigned char kKeep[32] = {
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    __m128i block;
    if (at + kShortWord <= text.size()) {
        block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    } else { // near the end of the text: no reading past it
        alignas(16) char copy[kShortWord] = {};
        std::memcpy(copy, text.data() + at, length);
        block = _mm_load_si128(reinterpret_cast<const __m128i*>(copy));
    }
    // Bytes from 0x80 compare as negative: never taken for capitals.
    const __m128i upper = _mm_and_si128(_mm_cmpgt_epi8(block, _mm_set1_epi8('A' - 1)),
                                        _mm_cmplt_epi8(block, _mm_set1_epi8('Z' + 1)));
    block = _mm_add_epi8(block, _mm_and_si128(upper, _mm_set1_epi8(32)));
    // kKeep from 16 - length on: length bytes 0xFF, then zeros.
    block = _mm_and_si128(block, _mm_loadu_si128(reinterpret_cast<const __m128i*>(
                                     kKeep + kShortWord - length)));
    TShortWord w;
    w.Low = static_cast<std::uint64_t>(_mm_cvtsi128_si64(block));
    w.High = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(block, block)));
    return w;
}
#else
inline __attribute__((always_inline)) TShortWord LowerShort(std::string_view text, std::size_t at,
                                                          std::size_t length) {
    unsigned char bytes[kShortWord] = {};
    for (std::size_t k = 0; k < length; ++k)
        bytes[k] =
            static_cast<unsigned char>(kLowerAscii[static_cast<unsigned char>(text[at + k])]);
    TShortWord w;
    std::memcpy(&w.Low, bytes, 8);
    std::memcpy(&w.High, bytes + 8, 8);
    return w;
}
#endif

// The distinct words of one field and their counts, in the order first met; gives how
// many words there are. Pages are counted on many threads at once and each word of each
// page passes here: a table of its own per thread, open addressing, no copy of a word
// met before. The table grows with the distinct words, which are far fewer than the words.
// `counted` is empty on entry.
std::uint32_t CountPageWords(std::string_view source,
                             std::vector<std::pair<std::string, std::uint32_t>>& counted) {
    thread_local std::vector<std::uint32_t> slots; // the index in counted plus one, 0 free
    thread_local std::vector<std::uint64_t> hashes; // of each word in counted
    thread_local std::vector<TShortWord> shorts;    // of each word in counted
    thread_local std::string lowered;
    slots.assign(256, 0);
    hashes.clear();
    shorts.clear();
    std::size_t mask = slots.size() - 1;
    const auto place = [&](std::uint64_t hash, std::uint32_t slot) {
        std::size_t at = hash & mask;
        while (slots[at] != 0)
            at = (at + 1) & mask;
        slots[at] = slot;
    };
    // A word met for the first time: rare next to the words met again, kept out of line.
    const auto add = [&](std::string_view lower, std::uint64_t hash,
                         const TShortWord& shortWord) __attribute__((noinline)) {
        counted.emplace_back(lower, 1);
        hashes.push_back(hash);
        shorts.push_back(shortWord);
        if (counted.size() * 2 > slots.size()) {
            slots.assign(slots.size() * 2, 0);
            mask = slots.size() - 1;
            for (std::size_t k = 0; k < counted.size(); ++k)
                place(hashes[k], static_cast<std::uint32_t>(k + 1));
        } else {
            place(hash, static_cast<std::uint32_t>(counted.size()));
        }
    };
    // A word longer than 16 bytes: lowered and hashed (FNV-1a) a byte at a time.
    const auto countLong = [&](std::string_view word) __attribute__((noinline)) {
        if (lowered.size() < word.size())
            lowered.resize(word.size() * 2);
        std::uint64_t hash = 14695981039346656037ull;
        char* const into = lowered.data();
        for (std::size_t k = 0; k < word.size(); ++k) {
            const char c = kLowerAscii[static_cast<unsigned char>(word[k])];
            into[k] = c;
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        const std::string_view lower(into, word.size());
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const std::uint32_t slot = slots[at];
            if (slot == 0)
                break;
            if (hashes[slot - 1] == hash && counted[slot - 1].first == lower) {
                ++counted[slot - 1].second;
                return;
            }
        }
        add(lower, hash, TShortWord{});
    };
    std::uint32_t words = 0;
    ForEachSearchWord(source, [&](std::string_view word) __attribute__((always_inline)) {
        ++words;
        if (word.size() > kShortWord) {
            countLong(word);
            return;
        }
        const auto at = static_cast<std::size_t>(word.data() - source.data());
        const TShortWord w = LowerShort(source, at, word.size());
        const std::uint64_t hash = MixShort(w);
        for (std::size_t k = hash & mask;; k = (k + 1) & mask) {
            const std::uint32_t slot = slots[k];
            if (slot == 0)
                break;
            const TShortWord& known = shorts[slot - 1];
            if (known.Low == w.Low && known.High == w.High) {
                ++counted[slot - 1].second;
                return;
            }
        }
        alignas(8) char bytes[kShortWord];
        std::memcpy(bytes, &w.Low, 8);
        std::memcpy(bytes + 8, &w.High, 8);
        add(std::string_view(bytes, word.size()), hash, w);
    });
    return words;
}

} // namespace

TSearchData::TSearchData() : state_(std::make_unique<TState>()) {}

TSearchData::~TSearchData() = default;

TSearchData::TPage TSearchData::Page(const std::string& title, const std::string& url, int node,
                                     std::string_view text) {
    TPage page;
    page.Title = title;
    page.Url = url;
    page.Node = node;
    page.Lengths[0] = CountPageWords(title, page.Words[0]);
    page.Lengths[1] = CountPageWords(text, page.Words[1]);
    // An excerpt is at most kMaxExcerpt bytes and looks one byte further to cut.
    page.Start.assign(text.substr(0, kMaxExcerpt + 1));
    page.TextSize = text.size();
    return page;
}

void TSearchData::Add(TPage&& page) {
    TState& s = *state_;
    const auto d = static_cast<std::uint32_t>(s.Docs.size());
    // New words take the next numbers in the order met, the title's first.
    for (int field = 0; field < 2; ++field) {
        for (auto& [word, count] : page.Words[field]) {
            auto found = s.TermIds.find(word);
            if (found == s.TermIds.end()) {
                found = s.TermIds.emplace(word, static_cast<std::uint32_t>(s.Terms.size())).first;
                s.Terms.push_back(std::move(word));
                s.Postings[0].emplace_back();
                s.Postings[1].emplace_back();
            }
            // Each word's list stays in document order: documents are added in order.
            s.Postings[field][found->second].push_back({d, count});
        }
    }
    TState::TDoc doc;
    doc.Title = std::move(page.Title);
    doc.Url = std::move(page.Url);
    doc.Node = page.Node;
    doc.Lengths[0] = page.Lengths[0];
    doc.Lengths[1] = page.Lengths[1];
    doc.Start = std::move(page.Start);
    s.Docs.push_back(std::move(doc));
    s.TextSizes.push_back(page.TextSize);
    s.TextBytes += page.TextSize;
}

void TSearchData::Add(const std::string& title, const std::string& url, int node,
                      std::string_view text) {
    Add(Page(title, url, node, text));
}

std::string TSearchData::Script() const {
    const TState& s = *state_;
    const std::vector<std::string>& terms = s.Terms;

    // Words in byte order, so that the page can find every word that begins with what the
    // reader is typing by bisection.
    std::vector<std::uint32_t> order(terms.size());
    for (std::uint32_t t = 0; t < order.size(); ++t)
        order[t] = t;
    std::sort(order.begin(), order.end(),
              [&](std::uint32_t a, std::uint32_t b) { return terms[a] < terms[b]; });

    // Each posting: the gap to the previous document (less one) doubled, plus one when the
    // word occurs more than once, followed then by the count less two.
    std::string encoded[2];
    for (int field = 0; field < 2; ++field) {
        std::string& out = encoded[field];
        for (std::size_t k = 0; k < order.size(); ++k) {
            const std::uint32_t t = order[k];
            if (k > 0)
                out += ' ';
            std::int64_t previous = -1;
            for (const TPosting& p : s.Postings[field][t]) {
                const auto gap = static_cast<std::uint32_t>(p.Doc - previous - 1);
                AppendNumber(out, gap * 2 + (p.Count > 1 ? 1 : 0));
                if (p.Count > 1)
                    AppendNumber(out, p.Count - 2);
                previous = p.Doc;
            }
        }
    }

    std::string head = "pvSearchData({\"version\":1,\"terms\":[";
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0)
            head += ',';
        AppendJsonString(head, terms[order[k]]);
    }
    head += "],\n\"title\":\"" + encoded[0] + "\",\n\"text\":\"" + encoded[1] + "\",\n\"docs\":[";

    std::string docsJson;
    for (std::size_t d = 0; d < s.Docs.size(); ++d) {
        const TState::TDoc& doc = s.Docs[d];
        docsJson += d > 0 ? ",\n[" : "[";
        AppendJsonString(docsJson, doc.Title);
        docsJson += ',';
        AppendJsonString(docsJson, doc.Url);
        docsJson += ',' + std::to_string(doc.Node) + ',' + std::to_string(doc.Lengths[0]) + ',' +
                    std::to_string(doc.Lengths[1]) + ',';
        // The excerpt is added below, once its length is known.
        docsJson += '\x01';
        docsJson += ']';
    }

    // What is left of a third of the text goes to the excerpts: at least a line per page,
    // at most a paragraph (what a snippet shows; more would only cost loading time).
    const std::size_t fixed = head.size() + docsJson.size() + s.Docs.size() * 2 + 16;
    const std::size_t allowance = s.TextBytes / 3;
    const std::size_t budget = allowance > fixed ? allowance - fixed : 0;
    const std::size_t limit =
        std::clamp<std::size_t>(ExcerptLimit(s.TextSizes, budget), kMinExcerpt, kMaxExcerpt);

    std::string out;
    out.reserve(fixed + budget + s.Docs.size() * 170);
    out += head;
    std::size_t d = 0, from = 0;
    for (std::size_t at = docsJson.find('\x01'); at != std::string::npos;
         at = docsJson.find('\x01', from)) {
        out.append(docsJson, from, at - from);
        AppendJsonString(out, Excerpt(s.Docs[d++].Start, limit));
        from = at + 1;
    }
    out.append(docsJson, from);
    out += "]});\n";
    return out;
}

std::string SearchDataScript(const std::vector<TSearchDoc>& docs) {
    TSearchData data;
    for (const TSearchDoc& doc : docs)
        data.Add(doc.Title, doc.Url, doc.Node, doc.Text);
    return data.Script();
}

} // namespace parvane
