#include "model/string_func.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/text_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace fs = std::filesystem;

namespace parvane::StringFunc {

namespace {

// Lower-case mapping of one code point. Every mapping keeps the UTF-8 length, so a
// lower-cased text has the same byte positions as the original.
char32_t FoldCodePoint(char32_t c) {
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 0x20;
    if (c >= 0x100 && c <= 0x137)
        return c | 1;
    if (c >= 0x139 && c <= 0x148)
        return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177)
        return c | 1;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x179 && c <= 0x17E)
        return (c & 1) ? c + 1 : c;
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2)
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF))
        return c | 1;
    if (c >= 0x4C1 && c <= 0x4CE)
        return (c & 1) ? c + 1 : c;
    return c;
}

// Decodes one UTF-8 sequence at s[i]; returns its length (1 for a stray byte, which is
// taken as the code point of that byte so nothing is lost).
std::size_t DecodeAt(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    auto cont = [&](std::size_t k) {
        return i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    };
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    if ((b0 & 0xE0) == 0xC0 && b0 >= 0xC2 && cont(1)) {
        cp = ((b0 & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
        return 2;
    }
    if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
        cp = ((b0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(s[i + 2]) & 0x3Fu);
        return 3;
    }
    if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
        cp = ((b0 & 0x07u) << 18) | ((static_cast<unsigned char>(s[i + 1]) & 0x3Fu) << 12) |
             ((static_cast<unsigned char>(s[i + 2]) & 0x3Fu) << 6) |
             (static_cast<unsigned char>(s[i + 3]) & 0x3Fu);
        return 4;
    }
    cp = 0xFFFFFFFF; // stray byte: compared as itself
    return 1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

std::string RemoveLineBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (!IsLineBreak(c))
            out += c;
    return out;
}

// Splits text into lines at CR LF, lone CR or lone LF and ends each one with CR LF.
// The next CR or LF at or after i, or npos. (find_first_of looks each character up in the
// set with a call of its own, which made this the costliest step of reading a page.)
std::size_t FindLineEnd(std::string_view text, std::size_t i) {
    const char* s = text.data();
    const std::size_t n = text.size();
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr)));
        if (hits != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(hits)));
    }
#endif
    for (; i < n; ++i)
        if (s[i] == '\n' || s[i] == '\r')
            return i;
    return std::string_view::npos;
}

} // namespace

std::string NormaliseLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 32 + 2);
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = FindLineEnd(text, i);
        if (end == std::string_view::npos) {
            out.append(text.substr(i));
            out += "\r\n";
            break;
        }
        out.append(text.substr(i, end - i));
        out += "\r\n";
        i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return out;
}

// ---- searching and replacing -------------------------------------------------------

std::size_t PosFrom(std::string_view sub, std::string_view s, std::size_t offset) {
    if (offset < 1)
        offset = 1;
    if (sub.empty() || offset > s.size())
        return 0;
    const std::size_t p = s.find(sub, offset - 1);
    return p == std::string_view::npos ? 0 : p + 1;
}

std::string ReplaceTextW(std::string_view s, std::string_view oldText, std::string_view newText) {
    if (oldText.empty())
        return std::string(s);
    const std::string lowerS = LowerCase(s);
    const std::string lowerOld = LowerCase(oldText);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    for (;;) {
        const std::size_t p = lowerS.find(lowerOld, i);
        if (p == std::string::npos)
            break;
        out.append(s.substr(i, p - i));
        out.append(newText);
        i = p + lowerOld.size();
    }
    out.append(s.substr(i));
    return out;
}

std::string ReplaceAll(std::string_view s, std::string_view oldText, std::string_view newText) {
    if (oldText.empty())
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    for (;;) {
        const std::size_t p = s.find(oldText, i);
        if (p == std::string_view::npos)
            break;
        out.append(s.substr(i, p - i));
        out.append(newText);
        i = p + oldText.size();
    }
    out.append(s.substr(i));
    return out;
}

std::string RemoveBetween(std::string_view s, std::string_view startMark, std::string_view endMark) {
    if (startMark.empty() || endMark.empty())
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    for (;;) {
        const std::size_t start = s.find(startMark, i);
        if (start == std::string_view::npos)
            break;
        const std::size_t end = s.find(endMark, start + startMark.size());
        if (end == std::string_view::npos)
            break; // no end mark: the rest stays
        out.append(s.substr(i, start - i));
        i = end + endMark.size();
    }
    out.append(s.substr(i));
    return out;
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return std::string(s.substr(b, e - b));
}

std::vector<std::string> SplitTrimmed(std::string_view s, std::string_view separator) {
    std::vector<std::string> out;
    if (s.empty())
        return out;
    if (separator.empty()) {
        out.push_back(Trim(s));
        return out;
    }
    std::size_t i = 0;
    for (;;) {
        const std::size_t p = s.find(separator, i);
        if (p == std::string_view::npos) {
            out.push_back(Trim(s.substr(i)));
            break;
        }
        out.push_back(Trim(s.substr(i, p - i)));
        i = p + separator.size();
    }
    return out;
}

// ---- case ----------------------------------------------------------------------------

std::string AsciiLowerCase(std::string_view s) {
    std::string out;
    AsciiLowerCase(s, out);
    return out;
}

namespace {

inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool MatchesAsciiNoCase(std::string_view s, std::size_t at, std::string_view lower) {
    for (std::size_t k = 0; k < lower.size(); ++k)
        if (LowerAscii(s[at + k]) != lower[k])
            return false;
    return true;
}

} // namespace

std::size_t FindAsciiNoCase(std::string_view s, std::string_view lower, std::size_t from) {
    if (lower.empty())
        return from <= s.size() ? from : std::string_view::npos;
    if (s.size() < lower.size())
        return std::string_view::npos;
    const std::size_t last = s.size() - lower.size();
    const char first = lower[0];
    const bool letter = first >= 'a' && first <= 'z';
    for (std::size_t at = from; at <= last; ++at) {
        if (!letter) {
            // Markup searched for starts with "<": jump from one to the next.
            const void* hit = std::memchr(s.data() + at, first, last + 1 - at);
            if (!hit)
                return std::string_view::npos;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - s.data());
        } else if (LowerAscii(s[at]) != first) {
            continue;
        }
        if (MatchesAsciiNoCase(s, at + 1, lower.substr(1)))
            return at;
    }
    return std::string_view::npos;
}

std::size_t FindLineBreak(std::string_view s, std::size_t from) {
    return FindLineEnd(s, from);
}

std::size_t RFindAsciiNoCase(std::string_view s, std::string_view lower) {
    if (s.size() < lower.size())
        return std::string_view::npos;
    for (std::size_t at = s.size() - lower.size() + 1; at-- > 0;)
        if (MatchesAsciiNoCase(s, at, lower))
            return at;
    return std::string_view::npos;
}

void AsciiLowerCase(std::string_view s, std::string& out) {
    out.resize(s.size());
    const char* from = s.data();
    char* to = out.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    // Pages are lowered whole before they are scanned: sixteen bytes at a time. Bytes
    // from 0x80 compare as negative, so they are never taken for letters.
    const __m128i beforeA = _mm_set1_epi8('A' - 1);
    const __m128i afterZ = _mm_set1_epi8('Z' + 1);
    const __m128i toLower = _mm_set1_epi8(32);
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i upper =
            _mm_and_si128(_mm_cmpgt_epi8(block, beforeA), _mm_cmplt_epi8(block, afterZ));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_add_epi8(block, _mm_and_si128(upper, toLower)));
    }
#endif
    for (; i < n; ++i) {
        const char c = from[i];
        to[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
}

std::string LowerCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out += (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 32) : static_cast<char>(b);
            ++i;
            continue;
        }
        char32_t cp;
        const std::size_t n = DecodeAt(s, i, cp);
        if (cp == 0xFFFFFFFF) {
            out += s[i];
        } else {
            const char32_t folded = FoldCodePoint(cp);
            if (folded == cp)
                out.append(s.substr(i, n));
            else
                AppendUtf8(out, folded);
        }
        i += n;
    }
    return out;
}

int CompareText(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // Two ASCII characters (most of any title or keyword) need no decoding.
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[j]);
        if ((x | y) < 0x80) {
            if (x != y) {
                const char32_t fx = FoldCodePoint(x), fy = FoldCodePoint(y);
                if (fx != fy)
                    return fx < fy ? -1 : 1;
            }
            ++i;
            ++j;
            continue;
        }
        char32_t ca, cb;
        i += DecodeAt(a, i, ca);
        j += DecodeAt(b, j, cb);
        if (ca == 0xFFFFFFFF)
            ca = static_cast<unsigned char>(a[i - 1]);
        if (cb == 0xFFFFFFFF)
            cb = static_cast<unsigned char>(b[j - 1]);
        ca = FoldCodePoint(ca);
        cb = FoldCodePoint(cb);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false; // folding keeps lengths, so texts of different sizes differ
    return CompareText(a, b) == 0;
}

bool StartsWithText(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

// ---- HTML text ---------------------------------------------------------------------

std::string HtmlEncode(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 16);
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string JsAttrEscape(std::string_view s) {
    std::string escaped;
    escaped.reserve(s.size() + 8);
    for (char c : s) {
        if (c == '\\' || c == '\'')
            escaped += '\\';
        escaped += c;
    }
    return HtmlEncode(escaped);
}

std::string GetHtmlTitle(std::string_view html) {
    const std::string lower = AsciiLowerCase(html);
    std::string title;
    const std::size_t open = lower.find("<title>");
    if (open != std::string::npos) {
        const std::size_t close = lower.find("</title>", open + 7);
        if (close != std::string::npos)
            title = RemoveLineBreaks(html.substr(open + 7, close - open - 7));
    }
    return title.empty() ? "No title" : title;
}

std::string SetHtmlTitle(std::string_view html, std::string_view title) {
    const std::string normalised =
        ReplaceTextW(ReplaceTextW(html, "<title>", "<title>"), "</title>", "</title>");
    const std::size_t open = normalised.find("<title>");
    if (open == std::string::npos)
        return std::string(html);
    const std::size_t close = normalised.find("</title>", open + 7);
    if (close == std::string::npos)
        return std::string(html);
    std::string out = normalised.substr(0, open + 7);
    out.append(title);
    out.append(normalised.substr(close));
    return out;
}

std::string GetHtmlBody(std::string_view html) {
    const std::string lower = AsciiLowerCase(html);
    const std::size_t body = lower.find("<body");
    if (body == std::string::npos)
        return {};
    const std::size_t gt = lower.find('>', body);
    const std::size_t close = lower.find("</body");
    if (gt == std::string::npos || close == std::string::npos || gt >= close)
        return {};
    return RemoveLineBreaks(html.substr(gt + 1, close - gt - 1));
}

std::string InsertAfterBodyTag(std::string_view html, std::string_view text) {
    const std::size_t body = FindAsciiNoCase(html, "<body");
    if (body == std::string::npos)
        return {};
    const std::size_t gt = html.find('>', body);
    if (gt == std::string::npos)
        return {};
    // Only the tag's letters are normalised, as the rest of the page must stay as it is.
    std::string out(html.substr(0, gt + 1));
    out.replace(body, 5, "<body");
    out.append(text);
    out.append(html.substr(gt + 1));
    return out;
}

// ---- paths and file names ------------------------------------------------------------

std::string ValidFileName(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
            c == '>' || c == '|')
            c = '_';
    return out;
}

std::string ToForwardSlashes(std::string_view s) {
    std::string out(s);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

std::string ToBackslashes(std::string_view s) {
    std::string out(s);
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

namespace {

// Calls visit(name, slash) for each name of path from pos on, split at "/" and "\\";
// slash tells whether a separator follows the name.
template <typename TVisit>
void ForEachPathName(std::string_view path, std::size_t pos, TVisit visit) {
    while (pos < path.size()) {
        std::size_t end = pos;
        while (end < path.size() && path[end] != '/' && path[end] != '\\')
            ++end;
        const bool slash = end < path.size();
        visit(path.substr(pos, end - pos), slash);
        pos = slash ? end + 1 : end;
    }
}

} // namespace

bool IsCollapsed(std::string_view path) {
    if (path.empty() || path.front() != '/' || path.find('\\') != std::string_view::npos)
        return false;
    for (std::size_t slash = 0; slash + 1 < path.size();) {
        const std::size_t next = std::min(path.find('/', slash + 1), path.size());
        const std::string_view name = path.substr(slash + 1, next - slash - 1);
        if (name.empty() || name == "." || name == "..")
            return false;
        slash = next;
    }
    return true;
}

std::string CollapseDotDot(std::string_view path) {
    // Nearly every path has nothing to collapse: builds call this for every link. The
    // result is never longer than the path, so it is written into place in one buffer.
    std::string out(path.size(), '\0');
    char* const into = out.data();
    std::size_t length = 0;
    // Segments keep their trailing "/"; the last one may have none. A ".." takes back the
    // nearest segment kept before it; one with nothing to take back is dropped. A leading
    // "/" is the file system's root and never climbed over.
    const bool absolute = !path.empty() && (path[0] == '/' || path[0] == '\\');
    std::size_t kept[64];              // where the segments kept so far start in out
    std::vector<std::size_t> moreKept; // beyond the 64 first
    std::size_t keptCount = 0;
    if (absolute)
        into[length++] = '/';
    ForEachPathName(path, absolute ? 1 : 0, [&](std::string_view name, bool slash) {
        if (name == "..") {
            if (keptCount > 0) {
                --keptCount;
                length = keptCount < 64 ? kept[keptCount] : moreKept[keptCount - 64];
                if (keptCount >= 64)
                    moreKept.pop_back();
            }
        } else if (name == "." || (absolute && name.empty())) {
            // "." names the folder itself; "//" inside an absolute path is one "/"
        } else {
            if (keptCount < 64)
                kept[keptCount] = length;
            else
                moreKept.push_back(length);
            ++keptCount;
            std::memcpy(into + length, name.data(), name.size());
            length += name.size();
            if (slash)
                into[length++] = '/';
        }
    });
    out.resize(length);
    return out;
}

std::string CollapseDotDot(std::string_view folder, std::string_view path) {
    // Pages of one folder come one after the other: its check is remembered.
    thread_local std::string lastFolder;
    thread_local bool lastCollapsed = false;
    if (folder != lastFolder) {
        lastFolder.assign(folder);
        lastCollapsed = IsCollapsed(folder) && folder.back() == '/';
    }
    if (!lastCollapsed) {
        std::string joined(folder);
        joined += path;
        return CollapseDotDot(joined);
    }
    std::string out;
    out.reserve(folder.size() + path.size());
    out.append(folder);
    ForEachPathName(path, 0, [&out](std::string_view name, bool slash) {
        if (name == "..") {
            // out ends in "/" here; the root is never climbed over.
            if (out.size() > 1) {
                out.pop_back();
                out.resize(out.rfind('/') + 1);
            }
        } else if (!name.empty() && name != ".") {
            out.append(name);
            if (slash)
                out += '/';
        }
    });
    return out;
}

std::string TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = (tmp && *tmp) ? tmp : "/tmp";
    return Paths::IncludeTrailingSlash(folder);
}

std::string SafeTempFolder() { return TempFolder(); }

// ---- files -------------------------------------------------------------------------

std::string LoadTextFile(const std::string& fileName, const std::string& charset) {
    return TextOfBytes(TextCodec::ReadFileBytes(fileName), charset);
}

std::string TextOfBytes(std::string_view bytes, const std::string& charset) {
    return NormaliseLineEnds(TextCodec::DecodePage(bytes, charset));
}

bool SaveTextFile(std::string_view text, const std::string& fileName, const std::string& charset) {
    const std::string native = Paths::ToNative(fileName);
    std::error_code ec;
    const auto status = fs::status(native, ec);
    if (!ec && fs::exists(status)) {
        // Clear a read-only permission, as the author asked for the file to be written.
        fs::permissions(native, fs::perms::owner_write, fs::perm_options::add, ec);
    }
    TextCodec::WriteFileAtomic(native, TextCodec::FromUtf8(NormaliseLineEnds(text), charset));
    return true;
}

bool DeleteFolder(const std::string& path) {
    if (path.empty())
        return false;
    std::error_code ec;
    fs::remove_all(Paths::ToNative(path), ec);
    return !ec && !fs::exists(Paths::ToNative(path), ec);
}

bool CopyFolder(const std::string& from, const std::string& to) {
    std::error_code ec;
    const fs::path source = Paths::ToNative(from);
    fs::path target = Paths::ToNative(to);
    if (fs::is_directory(source, ec)) {
        fs::create_directories(target, ec);
        fs::copy(source, target,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        return !ec;
    }
    if (!fs::is_regular_file(source, ec))
        return false;
    if (fs::is_directory(target, ec))
        target /= source.filename();
    else if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    return fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) && !ec;
}

} // namespace parvane::StringFunc
