#include "model/link_scanner.h"

#include "model/folder_cache.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/string_index.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvane {
namespace {

// An extension is a dot and one to four characters of any kind (at most four UTF-8 bytes
// each), or five to eleven ASCII letters and digits (".woff2", ".xhtml", ".webmanifest").
constexpr int kMaxAnyExtensionChars = 4;
constexpr int kMaxExtensionChars = 11;
constexpr std::size_t kMaxExtensionBytes = 1 + 4 * kMaxAnyExtensionChars;

bool IsAsciiAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Characters that may follow an extension; the characters before one of them (behind a
// ".") make an extension.
constexpr std::array<bool, 256> MakeTerminatorTable() {
    std::array<bool, 256> t{};
    for (const char c : {'\n', '\r', ' ', '"', '#', '\'', ')', '<', '>', '?'})
        t[static_cast<unsigned char>(c)] = true;
    return t;
}
constexpr std::array<bool, 256> kTerminators = MakeTerminatorTable();

bool IsTerminator(unsigned char c) {
    return kTerminators[c];
}

// The backward scans, chosen by the character right behind an extension.
enum ScanRule : int { ruleQuote, ruleEquals, ruleApostrophe, ruleParen, ruleCount, ruleNone };

ScanRule RuleBehind(unsigned char c) {
    switch (c) {
    case '"':
        return ruleQuote;
    case '>':
    case ' ':
    case '#':
    case '?':
        return ruleEquals;
    case '\'':
        return ruleApostrophe;
    case ')':
        return ruleParen;
    default:
        return ruleNone;
    }
}

// Bit r set: the character ends the backward scan of rule r.
constexpr std::array<std::uint8_t, 256> MakeStopTable() {
    std::array<std::uint8_t, 256> t{};
    constexpr std::uint8_t all =
        (1u << ruleQuote) | (1u << ruleEquals) | (1u << ruleApostrophe) | (1u << ruleParen);
    t['<'] = all;
    t['>'] = all;
    t['\n'] = all;
    t['\r'] = all;
    t['"'] = all; // the delimiter itself for the first rule
    t['='] = 1u << ruleEquals;
    t['\''] = (1u << ruleEquals) | (1u << ruleApostrophe);
    t['('] = 1u << ruleParen;
    return t;
}
constexpr std::array<std::uint8_t, 256> kStops = MakeStopTable();

// The characters that stop some scan: with the dot, the only ones FindLinks looks at.
constexpr std::array<char, 8> kStopChars = {'<', '>', '\n', '\r', '"', '=', '\'', '('};
constexpr bool StopsAreListed() {
    int listed = 0;
    for (const char c : kStopChars)
        listed += kStops[static_cast<unsigned char>(c)] != 0;
    int all = 0;
    for (const std::uint8_t stops : kStops)
        all += stops != 0;
    return listed == all && all == static_cast<int>(kStopChars.size());
}
static_assert(StopsAreListed());

// Which bytes ForEachOf looks for.
struct DotOnly {};
struct StopsAndDots {};

// Calls visit(i) for every position i of s[0, n) that holds a byte of the kind asked for,
// in order. Most of a page is words and blanks: sixteen bytes are looked at at a time.
template <typename Kind, typename Visit>
void ForEachOf(const char* s, std::size_t n, Kind, Visit&& visit) {
    constexpr bool stops = std::is_same_v<Kind, StopsAndDots>;
    auto wanted = [](unsigned char c) { return c == '.' || (stops && kStops[c] != 0); };
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i dot = _mm_set1_epi8('.');
    __m128i stopChars[kStopChars.size()];
    for (std::size_t k = 0; k < kStopChars.size(); ++k)
        stopChars[k] = _mm_set1_epi8(kStopChars[k]);
    for (; i + 16 <= n; i += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        __m128i hits = _mm_cmpeq_epi8(block, dot);
        if constexpr (stops)
            for (const __m128i& c : stopChars)
                hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, c));
        for (auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits)); mask != 0;
             mask &= mask - 1)
            visit(i + static_cast<std::size_t>(__builtin_ctz(mask)));
    }
#endif
    for (; i < n; ++i)
        if (wanted(static_cast<unsigned char>(s[i])))
            visit(i);
}

// Whether a scan that stopped on c found the delimiter it looked for.
bool EndsOnDelimiter(ScanRule rule, unsigned char c) {
    switch (rule) {
    case ruleQuote:
        return c == '"';
    case ruleEquals:
        return c == '=' || c == '"' || c == '\'';
    case ruleApostrophe:
        return c == '\'';
    case ruleParen:
        return c == '(';
    default:
        return false;
    }
}

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Existence of link targets for one scan. A large page names a few files many times and
// many files that are not there (external addresses, missing pages); each of those would
// cost a walk of the path and a listing of its folder. Folders are resolved once, and a
// folder's listing is read once, after its first miss, to answer the misses that follow;
// every file that may exist is still confirmed by Paths::FileExists. Callers ask for each
// distinct path once.
class TExistenceCache {
public:
    bool FileExists(const std::string& path) {
        // A build's cache has read each folder once for all pages: its answers cost no call.
        if (TFolderCache::Active())
            return Paths::FileExists(path);
        const std::string folderName = Paths::ExtractFilePath(path);
        const std::string name = path.substr(folderName.size());
        if (folderName.empty() || name.empty())
            return Paths::FileExists(path);
        TFolder& folder = Folder(folderName);
        if (folder.resolved.empty())
            return false;
        // Without regard to case an ASCII name can only match an ASCII name.
        const bool ascii = IsAscii(name);
        if (ascii && folder.listed && !folder.asciiNames.count(StringFunc::AsciiLowerCase(name)))
            return false;
        if (Paths::FileExists(folder.resolved + name))
            return true;
        if (ascii && !folder.listed)
            List(folder);
        return false;
    }

private:
    struct TFolder {
        std::string resolved; // as on disk, "" when there is no such folder
        bool listed = false;
        std::unordered_set<std::string> asciiNames; // lower case
    };

    TFolder& Folder(const std::string& folderName) {
        auto [it, added] = folders_.try_emplace(folderName);
        if (added && Paths::FolderExists(folderName))
            it->second.resolved = Paths::IncludeTrailingSlash(Paths::ResolveExisting(folderName));
        return it->second;
    }

    static void List(TFolder& folder) {
        folder.listed = true;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder.resolved, ec), end; !ec && it != end;
             it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (IsAscii(name))
                folder.asciiNames.insert(StringFunc::AsciiLowerCase(name));
        }
        if (ec) // an unreadable folder answers nothing from the listing
            folder.listed = false;
    }

    std::unordered_map<std::string, TFolder> folders_;
};

// Sorts without regard to case and drops case-insensitive duplicates, keeping the first
// of equal paths. ASCII paths, nearly all of them, compare through lower-case keys made
// once instead of being decoded again at every comparison.
void SortWithoutCaseDuplicates(std::vector<std::string_view>& paths) {
    if (std::all_of(paths.begin(), paths.end(), IsAscii)) {
        std::vector<std::pair<std::string, std::size_t>> keys; // key, first appearance
        keys.reserve(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i)
            keys.emplace_back(StringFunc::AsciiLowerCase(paths[i]), i);
        std::sort(keys.begin(), keys.end());
        const auto last = std::unique(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return a.first == b.first;
        });
        std::vector<std::string_view> sorted;
        sorted.reserve(static_cast<std::size_t>(last - keys.begin()));
        for (auto it = keys.begin(); it != last; ++it)
            sorted.push_back(paths[it->second]);
        paths.swap(sorted);
        return;
    }
    std::stable_sort(paths.begin(), paths.end(), [](std::string_view a, std::string_view b) {
        return StringFunc::CompareText(a, b) < 0;
    });
    paths.erase(std::unique(paths.begin(), paths.end(),
                            [](std::string_view a, std::string_view b) {
                                return StringFunc::CompareText(a, b) == 0;
                            }),
                paths.end());
}

} // namespace

void THTMLRefer::SetText(std::string_view text, const std::string& baseFolder) {
    text_.assign(text);
    StartScan(baseFolder);
}

void THTMLRefer::SetText(std::string&& text, const std::string& baseFolder) {
    text_ = std::move(text);
    StartScan(baseFolder);
}

void THTMLRefer::StartScan(const std::string& baseFolder) {
    // Lowered into the buffer of the previous page: a large page is not allocated and
    // faulted in afresh on every call. ASCII only, so positions stay.
    StringFunc::AsciiLowerCase(text_, lowerText_);
    baseFolder_ = baseFolder.empty() ? baseFolder : Paths::IncludeTrailingSlash(baseFolder);
    links_.clear();
    extensions_.clear();
}

// A page may hold as many distinct "extensions" as it has dots (numbers, abbreviations),
// and every dot is looked up. Keys of up to seven bytes, which is every ASCII extension,
// are packed with their length into one integer in an open-addressing table, so a look-up
// touches one slot instead of chasing list nodes and key bytes; longer keys use a map.
class THTMLRefer::TExtensionIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // The index of ext, after adding it as `next` when it is new.
    std::size_t Insert(std::string_view ext, std::size_t next) {
        if (ext.size() > kPackedBytes)
            return long_.try_emplace(ext, next).first->second;
        if (2 * (count_ + 1) > slots_.size())
            Grow();
        const std::uint64_t key = Pack(ext);
        for (std::size_t i = Slot(key);; i = (i + 1) & mask_) {
            if (slots_[i].first == key)
                return slots_[i].second;
            if (slots_[i].first == 0) {
                slots_[i] = {key, next};
                ++count_;
                return next;
            }
        }
    }

    std::size_t Find(std::string_view ext) const {
        if (ext.size() > kPackedBytes) {
            const auto it = long_.find(ext);
            return it == long_.end() ? npos : it->second;
        }
        if (slots_.empty())
            return npos;
        const std::uint64_t key = Pack(ext);
        for (std::size_t i = Slot(key);; i = (i + 1) & mask_) {
            if (slots_[i].first == key)
                return slots_[i].second;
            if (slots_[i].first == 0)
                return npos;
        }
    }

private:
    static constexpr std::size_t kPackedBytes = 7;

    // Never 0, the empty slot: the length (at least 2) sits in the top byte.
    static std::uint64_t Pack(std::string_view ext) {
        std::uint64_t key = 0;
        std::memcpy(&key, ext.data(), ext.size());
        return key | (static_cast<std::uint64_t>(ext.size()) << 56);
    }
    std::size_t Slot(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
    }
    void Grow() {
        std::vector<std::pair<std::uint64_t, std::size_t>> old;
        old.swap(slots_);
        const std::size_t size = old.empty() ? 64 : 2 * old.size();
        slots_.assign(size, {0, 0});
        mask_ = size - 1;
        shift_ = 64;
        for (std::size_t s = size; s > 1; s >>= 1)
            --shift_;
        for (const auto& slot : old) {
            if (slot.first == 0)
                continue;
            std::size_t i = Slot(slot.first);
            while (slots_[i].first != 0)
                i = (i + 1) & mask_;
            slots_[i] = slot;
        }
    }

    std::vector<std::pair<std::uint64_t, std::size_t>> slots_;
    std::size_t count_ = 0;
    std::size_t mask_ = 0;
    int shift_ = 64;
    std::unordered_map<std::string_view, std::size_t> long_; // views into lowerText_
};

void THTMLRefer::FindExtensions(TExtensionIndex& index) {
    const char* s = lowerText_.data();
    const std::size_t n = lowerText_.size();
    auto atDot = [&](std::size_t p) {
        // Look at the characters behind the dot up to the terminator. A UTF-8 sequence is
        // one character; a stray continuation byte counts as one, as text comparison takes it.
        int chars = 0;
        int pending = 0; // continuation bytes the current sequence still expects
        bool alnum = true; // every character so far an ASCII letter or digit
        std::size_t i = p + 1;
        // Letters and digits, what nearly every extension is made of, taken without the
        // bookkeeping below (which they would pass through unchanged).
        while (i < n && chars <= kMaxExtensionChars &&
               IsAsciiAlnum(static_cast<unsigned char>(s[i]))) {
            ++chars;
            ++i;
        }
        for (; i < n; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if ((c & 0xC0) == 0x80 && pending > 0) {
                --pending;
                continue;
            }
            pending = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
            if (++chars > kMaxExtensionChars + 1 || c == '.')
                break;
            if (IsTerminator(c)) {
                const int length = chars - 1;
                if (length >= 1 && (length <= kMaxAnyExtensionChars || alnum) &&
                    i - p <= kMaxExtensionBytes) {
                    const std::string_view ext(s + p, i - p);
                    if (index.Insert(ext, extensions_.size()) == extensions_.size())
                        extensions_.emplace_back(ext);
                }
                break;
            }
            alnum = alnum && IsAsciiAlnum(c);
            if (!alnum && chars > kMaxAnyExtensionChars)
                break;
        }
    };
    // Prose has a dot every few words: the dots are found sixteen bytes at a time, and one
    // that is followed by a terminator (the end of a sentence) makes no extension.
    ForEachOf(s, n, DotOnly{}, [&](std::size_t p) {
        if (p + 1 < n && !IsTerminator(static_cast<unsigned char>(s[p + 1])))
            atDot(p);
    });
}

// For each extension the search walks its occurrences left to right and never scans back
// past the end of the previous occurrence of the same extension. Doing this for all
// extensions at once while remembering, per scan rule, the last character that stops it
// gives the same links as one backward scan per occurrence, in time linear in the text
// however many extensions there are.
void THTMLRefer::FindLinks(const TExtensionIndex& index, std::vector<TFoundLink>& out) const {
    if (extensions_.empty())
        return;
    std::array<bool, 256> secondByte{};
    static_assert(kMaxExtensionBytes < 32);
    std::uint32_t lengths = 0; // bit k: some extension is k bytes long
    std::size_t maxLength = 0;
    for (std::size_t e = 0; e < extensions_.size(); ++e) {
        const std::string& ext = extensions_[e];
        secondByte[static_cast<unsigned char>(ext[1])] = true;
        lengths |= 1u << ext.size();
        maxLength = std::max(maxLength, ext.size());
    }
    std::vector<std::size_t> lowerBound(extensions_.size(), 0);
    std::array<std::size_t, ruleCount> lastStop;
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    lastStop.fill(none);

    const char* s = lowerText_.data();
    const std::size_t n = lowerText_.size();
    // A dot may end an extension; kept out of the loop below, which mostly meets stops.
    const auto atDot = [&](std::size_t i) __attribute__((noinline)) {
        // An extension holds no terminator and no second dot: none is longer than the
        // characters up to the first of those.
        std::size_t longest = 1;
        while (longest < maxLength && i + longest < n) {
            const auto next = static_cast<unsigned char>(s[i + longest]);
            if (next == '.' || IsTerminator(next))
                break;
            ++longest;
        }
        for (std::size_t len = 2; len <= longest; ++len) {
            if (!(lengths & (1u << len)))
                continue;
            const std::size_t e = index.Find(std::string_view(s + i, len));
            if (e == TExtensionIndex::npos)
                continue;
            const std::size_t behind = i + len;
            const std::size_t bound = lowerBound[e];
            lowerBound[e] = behind;
            if (behind >= n)
                continue;
            const ScanRule rule = RuleBehind(static_cast<unsigned char>(s[behind]));
            if (rule == ruleNone)
                continue;
            // lastStop holds positions before i: a dot never stops a scan.
            const std::size_t q = lastStop[static_cast<std::size_t>(rule)];
            if (q == none || q < bound || !EndsOnDelimiter(rule, static_cast<unsigned char>(s[q])))
                continue;
            out.push_back({q + 1, behind, e});
        }
    };
    // A stop remembers its place; a dot may end an extension. No other character changes
    // anything, so only these are visited.
    const auto visit = [&](std::size_t i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (const std::uint8_t stops = kStops[c]) {
            if (stops & (1u << ruleQuote))
                lastStop[ruleQuote] = i;
            if (stops & (1u << ruleEquals))
                lastStop[ruleEquals] = i;
            if (stops & (1u << ruleApostrophe))
                lastStop[ruleApostrophe] = i;
            if (stops & (1u << ruleParen))
                lastStop[ruleParen] = i;
        } else if (i + 1 < n && secondByte[static_cast<unsigned char>(s[i + 1])]) {
            atDot(i);
        }
    };
    ForEachOf(s, n, StopsAndDots{}, visit);
}

void THTMLRefer::SplitText(std::string_view text, const std::string& baseFolder,
                           std::vector<std::string>& pieces) {
    TExistenceCache cache;
    SplitLinks(text, baseFolder, pieces,
               [&cache](const std::string& path) { return cache.FileExists(path); });
}

void THTMLRefer::FindLinkSpans(std::string_view text, std::vector<TLinkSpan>& spans) {
    // Only the lower-case copy is scanned: the text itself need not be kept.
    text_.clear();
    StringFunc::AsciiLowerCase(text, lowerText_);
    baseFolder_.clear();
    links_.clear();
    extensions_.clear();
    TExtensionIndex index;
    FindExtensions(index);
    std::vector<TFoundLink> found;
    FindLinks(index, found);
    spans.clear();
    spans.reserve(found.size());
    for (const TFoundLink& link : found)
        spans.push_back({link.start, link.end});
}

void THTMLRefer::SplitAt(std::string_view text, std::vector<TLinkSpan> chosen,
                         std::vector<std::string>& pieces) {
    const auto byStart = [](const TLinkSpan& a, const TLinkSpan& b) {
        return a.Start != b.Start ? a.Start < b.Start : a.End < b.End;
    };
    if (!std::is_sorted(chosen.begin(), chosen.end(), byStart))
        std::sort(chosen.begin(), chosen.end(), byStart);
    pieces.clear();
    pieces.reserve(2 * chosen.size() + 1);
    std::size_t pos = 0;
    for (const TLinkSpan& link : chosen) {
        // Scans of different rules can reach over each other's links; the pieces must
        // still join to the text, so a link that overlaps the one before is left as text.
        if (link.Start < pos)
            continue;
        pieces.emplace_back(text.substr(pos, link.Start - pos));
        pieces.emplace_back(text.substr(link.Start, link.End - link.Start));
        pos = link.End;
    }
    pieces.emplace_back(text.substr(pos));
}

void THTMLRefer::SplitLinks(std::string_view text, const std::string& baseFolder,
                            std::vector<std::string>& pieces,
                            const std::function<bool(const std::string&)>& keep) {
    SetText(text, baseFolder);
    TExtensionIndex index;
    FindExtensions(index);
    std::vector<TFoundLink> found;
    FindLinks(index, found);

    // A page names the same few files again and again: look each path up once.
    std::unordered_map<std::string_view, bool> exists;
    std::vector<TLinkSpan> kept;
    kept.reserve(found.size());
    for (const TFoundLink& link : found) {
        const std::string_view path(text_.data() + link.start, link.end - link.start);
        auto [it, added] = exists.try_emplace(path, false);
        // A NUL would cut the path short at the file-system call and name another file.
        if (added && path.find('\0') == std::string_view::npos)
            it->second = keep(StringFunc::CollapseDotDot(baseFolder_, path));
        if (it->second)
            kept.push_back({link.start, link.end});
    }
    SplitAt(text_, std::move(kept), pieces);
    links_.reserve(pieces.size() / 2);
    std::size_t at = 0;
    for (std::size_t i = 0; i + 1 < pieces.size(); i += 2) {
        at += pieces[i].size();
        links_.emplace_back(at + 1, at + pieces[i + 1].size() + 1);
        at += pieces[i + 1].size();
    }
}

void THTMLRefer::SplitFile(const std::string& fileName, std::vector<std::string>& pieces) {
    SplitText(StringFunc::LoadTextFile(fileName), Paths::ExtractFilePath(fileName), pieces);
}

void THTMLRefer::GetLinkedFiles(const std::string& fileName, std::vector<std::string>& files) {
    SetText(StringFunc::LoadTextFile(fileName), Paths::ExtractFilePath(fileName));
    TExtensionIndex index;
    FindExtensions(index);
    std::vector<TFoundLink> found;
    FindLinks(index, found);

    // Exact duplicates go first, cheaply; the sorted, case-insensitive pass below then
    // works on the few distinct paths. First appearance wins among equal paths.
    std::vector<std::vector<std::string_view>> groups(extensions_.size());
    std::unordered_set<std::string_view> seen;
    for (const TFoundLink& link : found) {
        const std::string_view path(text_.data() + link.start, link.end - link.start);
        // A NUL would cut the path short at the file-system call and name another file.
        if (path.find('\0') == std::string_view::npos && seen.insert(path).second)
            groups[link.ext].push_back(path);
    }
    links_.reserve(found.size());
    for (const TFoundLink& link : found)
        links_.emplace_back(link.start + 1, link.end + 1);
    linksSorted_ = false;

    const std::size_t first = files.size();
    files.push_back(fileName);
    for (std::vector<std::string_view>& group : groups) {
        // All paths share the base folder, so sorting the part behind it is enough.
        SortWithoutCaseDuplicates(group);
        for (std::string_view path : group)
            files.push_back(StringFunc::CollapseDotDot(baseFolder_, path));
    }
    // Only the entries added here are checked; a caller may be collecting into the list.
    TExistenceCache cache;
    const auto missing =
        std::remove_if(files.begin() + static_cast<std::ptrdiff_t>(first), files.end(),
                       [&](const std::string& f) { return !cache.FileExists(f); });
    files.erase(missing, files.end());
}

void THTMLRefer::GetLinkedPaths(const std::string& fileName, std::vector<std::string>& paths) {
    GetTextLinkedPaths(StringFunc::LoadTextFile(fileName), Paths::ExtractFilePath(fileName),
                       paths);
}

void THTMLRefer::GetTextLinkedPaths(std::string&& text, const std::string& baseFolder,
                                    std::vector<std::string>& paths) {
    SetText(std::move(text), baseFolder);
    TExtensionIndex index;
    FindExtensions(index);
    std::vector<TFoundLink> found;
    FindLinks(index, found);

    links_.reserve(found.size());
    for (const TFoundLink& link : found)
        links_.emplace_back(link.start + 1, link.end + 1);
    linksSorted_ = false;

    // Grouped by extension (in order of first appearance), alphabetical without regard to
    // case within a group, then by bytes: two links that differ only in case may name two
    // files, so only exact duplicates go.
    struct TEntry {
        std::size_t Ext;
        std::string_view Path;
        std::size_t Key; // where its ASCII lower case starts in lowered
    };
    std::vector<TEntry> entries;
    entries.reserve(found.size());
    std::string lowered;
    // A page names the same files again and again: each path is taken once.
    TStringIndex seen;
    for (const TFoundLink& link : found) {
        const std::string_view path(text_.data() + link.start, link.end - link.start);
        if (path.find('\0') != std::string_view::npos || !seen.Insert(path, 0).second)
            continue;
        entries.push_back({link.ext, path, lowered.size()});
        lowered.append(lowerText_, link.start, link.end - link.start);
    }
    // Without regard to case ASCII compares as its lower case; a group that holds other
    // text is put in order again below.
    const auto key = [&lowered](const TEntry& e) {
        return std::string_view(lowered).substr(e.Key, e.Path.size());
    };
    std::sort(entries.begin(), entries.end(), [&key](const TEntry& a, const TEntry& b) {
        if (a.Ext != b.Ext)
            return a.Ext < b.Ext;
        const std::string_view x = key(a);
        const std::string_view y = key(b);
        return x != y ? x < y : a.Path < b.Path;
    });
    const auto textLess = [](const TEntry& a, const TEntry& b) {
        const int c = StringFunc::CompareText(a.Path, b.Path);
        return c != 0 ? c < 0 : a.Path < b.Path;
    };
    // The paths added here, by what they collapse to.
    TStringIndex added;
    for (auto group = entries.begin(); group != entries.end();) {
        const auto end = std::find_if(group, entries.end(),
                                      [&](const TEntry& e) { return e.Ext != group->Ext; });
        if (!std::all_of(group, end, [](const TEntry& e) { return IsAscii(e.Path); }))
            std::sort(group, end, textLess);
        for (auto it = group; it != end; ++it) {
            std::string full = StringFunc::CollapseDotDot(baseFolder_, it->Path);
            if (added.Insert(full, 0).second)
                paths.push_back(std::move(full));
        }
        group = end;
    }
}

std::string RelocateLinks(const std::vector<std::string>& pieces, const std::string& fromFolder,
                          const std::string& toFolder) {
    const std::string from =
        fromFolder.empty() ? fromFolder : Paths::IncludeTrailingSlash(fromFolder);
    const std::string to = toFolder.empty() ? toFolder : Paths::IncludeTrailingSlash(toFolder);
    std::size_t size = 0;
    for (const std::string& piece : pieces)
        size += piece.size();
    std::string result;
    result.reserve(size + size / 8);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i % 2 == 0) {
            result += pieces[i];
            continue;
        }
        const std::string target = StringFunc::CollapseDotDot(from + pieces[i]);
        result += StringFunc::ToForwardSlashes(Paths::RelativePath(target, to));
    }
    return result;
}

} // namespace parvane
