#include "model/ini_file.h"

#include "model/errors.h"
#include "model/string_func.h"
#include "model/text_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>

namespace parvane {

namespace {

// Blanks and control characters (C0 and DEL); bytes of multi-byte UTF-8 are never stripped.
inline bool IsStripped(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u <= 0x20 || u == 0x7F;
}

std::string_view Strip(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsStripped(s[begin]))
        ++begin;
    while (end > begin && IsStripped(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

// Section and key names are ASCII in every file the program reads; folding only ASCII
// keeps the lookups cheap.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Eight bytes at once: ASCII capitals get their 0x20 bit, every other byte (those of
// multi-byte UTF-8 included) stays as it is.
inline std::uint64_t FoldWord(std::uint64_t w) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    const std::uint64_t low7 = w & (0x7F * kOnes);
    const std::uint64_t atLeastA = low7 + (0x80 - 'A') * kOnes;
    const std::uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t capitals = (atLeastA ^ aboveZ) & ~w & (0x80 * kOnes);
    return w | (capitals >> 2);
}

// A hash of the folded name, a word at a time: a large project has a million keys, and a
// byte-at-a-time hash was a tenth of loading it.
std::uint32_t NameHash(std::string_view s) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t h = s.size() * kMul;
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, s.data() + i, 8);
        h = (((h << 5) | (h >> 59)) ^ FoldWord(w)) * kMul;
    }
    if (i < s.size()) {
        std::uint64_t w = 0;
        std::memcpy(&w, s.data() + i, s.size() - i);
        h = (((h << 5) | (h >> 59)) ^ FoldWord(w)) * kMul;
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return static_cast<std::uint32_t>(h);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    if (std::memcmp(a.data(), b.data(), a.size()) == 0)
        return true; // the usual case: written as asked
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// An open-addressing table of entry numbers (linear probing, at most half full); the names
// live with the entries and are reached through keyOf, so a slot is two words.
class NameIndex {
public:
    // Sizes the table for n names at once, so that it never grows while filled.
    void Reserve(std::size_t n) {
        std::size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        if (size > slots_.size())
            Rehash(size);
    }

    std::size_t Mask() const { return slots_.size() - 1; }
    std::size_t Bytes() const { return slots_.capacity() * sizeof(Slot); }

    // The number of the entry named key, or `entry` after recording it under that name.
    template <typename KeyOf>
    std::uint32_t FindOrInsert(std::string_view key, std::uint32_t hash, std::uint32_t entry,
                               KeyOf&& keyOf) {
        if ((used_ + 1) * 2 > slots_.size())
            Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        const std::size_t mask = Mask();
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.entry == 0) {
                slot = {hash, entry + 1};
                ++used_;
                return entry;
            }
            if (slot.hash == hash && SameName(keyOf(slot.entry - 1), key))
                return slot.entry - 1;
        }
    }

    // Records entry under hash unless an entry for which same(entry) holds is there
    // already; false then.
    template <typename Same> bool Insert(std::uint32_t hash, std::uint32_t entry, Same&& same) {
        if ((used_ + 1) * 2 > slots_.size())
            Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        const std::size_t mask = Mask();
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot& slot = slots_[i];
            if (slot.entry == 0) {
                slot = {hash, entry + 1};
                ++used_;
                return true;
            }
            if (slot.hash == hash && same(slot.entry - 1))
                return false;
        }
    }

    template <typename KeyOf>
    std::optional<std::uint32_t> Find(std::string_view key, KeyOf&& keyOf) const {
        if (slots_.empty())
            return std::nullopt;
        const std::uint32_t hash = NameHash(key);
        const std::size_t mask = Mask();
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.entry == 0)
                return std::nullopt;
            if (slot.hash == hash && SameName(keyOf(slot.entry - 1), key))
                return slot.entry - 1;
        }
    }

private:
    struct Slot {
        std::uint32_t hash;
        std::uint32_t entry; // entry number + 1; 0 is a free slot
    };

    void Rehash(std::size_t size) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(size, Slot{0, 0});
        const std::size_t mask = Mask();
        for (const Slot& slot : old) {
            if (slot.entry == 0)
                continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].entry != 0)
                i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

// Offsets into the text: a file is refused above 4 GB, so 32 bits hold them and an entry
// stays at 20 bytes. A file of very short lines has many entries per byte; their size is
// what bounds the reader's memory to a small multiple of the file's.
struct Span {
    std::uint32_t pos = 0;
    std::uint32_t len = 0;
};

struct Entry {
    Span key;
    Span value;
    std::uint32_t hash = 0;
    // A later key of a name already seen (the first counts): kept out of the index.
    bool Duplicate() const { return (key.len & kDuplicateBit) != 0; }
    void MarkDuplicate() { key.len |= kDuplicateBit; }
    static constexpr std::uint32_t kDuplicateBit = 0x80000000u;
};
static_assert(sizeof(Entry) == 20);

// Remembers the last key seen in each of a fixed number of hash buckets while the lines are
// read, so a name that comes back soon (a file of one line repeated, a few keys in turn)
// is dropped at once instead of costing an entry and an index slot each time.
class RecentKeys {
public:
    explicit RecentKeys(std::size_t textSize) {
        const std::size_t slots = textSize > (1u << 20) ? (1u << 16) : (1u << 8);
        slots_.assign(slots, Slot{});
    }
    // True when the section already has a key of this name among the recent ones;
    // otherwise remembers (section, entry) under the name's hash.
    template <typename KeyOf>
    bool SeenOrRemember(std::uint32_t section, std::uint32_t entry, std::uint32_t hash,
                        std::string_view key, KeyOf&& keyOf) {
        Slot& slot = slots_[hash & (slots_.size() - 1)];
        if (slot.section == section + 1 && slot.hash == hash && SameName(keyOf(slot.entry), key))
            return true;
        slot = {section + 1, entry, hash};
        return false;
    }

private:
    struct Slot {
        std::uint32_t section = 0; // section number + 1; 0 is free
        std::uint32_t entry = 0;
        std::uint32_t hash = 0;
    };
    std::vector<Slot> slots_;
};

// The first CR or LF at or after p, or end.
const char* FindLineEnd(const char* p, const char* const end) {
    const std::size_t at = StringFunc::FindLineBreak(std::string_view(p, end - p));
    return at == std::string_view::npos ? end : p + at;
}

// Calls fn for every line of text; CR LF, lone CR and lone LF all end a line.
template <typename Fn> void ForEachLine(std::string_view text, Fn&& fn) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* stop = FindLineEnd(p, end);
        fn(std::string_view(p, static_cast<std::size_t>(stop - p)));
        if (stop == end)
            return;
        p = stop + 1;
        if (*stop == '\r' && p < end && *p == '\n')
            ++p;
    }
}

struct HashedEntry {
    std::uint32_t hash;
    std::uint32_t entry;
};

// The entries with their hashes, in the order of the table slots their names land on (a
// stable radix sort by slot, so equal names keep file order). Filled in this order the
// table is written front to back instead of at random, and the sort itself never touches
// the entries, which matters once they outgrow the caches.
std::vector<HashedEntry> SlotOrder(const std::vector<Entry>& entries, std::size_t mask) {
    const std::size_t n = entries.size();
    std::vector<HashedEntry> order(n), spare(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = {entries[i].hash, static_cast<std::uint32_t>(i)};
    int bits = 0;
    while ((std::size_t{1} << bits) <= mask)
        ++bits;
    constexpr int kDigit = 11;
    std::vector<std::size_t> counts(std::size_t{1} << kDigit);
    for (int shift = 0; shift < bits; shift += kDigit) {
        std::fill(counts.begin(), counts.end(), 0);
        auto digit = [&](const HashedEntry& e) {
            return ((e.hash & mask) >> shift) & ((1u << kDigit) - 1);
        };
        for (const HashedEntry& e : order)
            ++counts[digit(e)];
        std::size_t sum = 0;
        for (std::size_t& c : counts)
            sum += std::exchange(c, sum);
        for (const HashedEntry& e : order)
            spare[counts[digit(e)]++] = e;
        order.swap(spare);
    }
    return order;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

} // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (base == 16) {
        // Hexadecimal spells a 32-bit pattern: 0xFFFFFFFF is -1.
        if (value > 0xFFFFFFFFull)
            return std::nullopt;
        const auto bits =
            static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
        const std::int64_t result = negative ? -bits : bits;
        if (result < INT32_MIN || result > INT32_MAX)
            return std::nullopt;
        return static_cast<int>(result);
    }
    if (value > 0x80000000ull)
        return std::nullopt;
    const std::int64_t signedValue =
        negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    if (signedValue < INT32_MIN || signedValue > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(signedValue);
}

struct TIniFile::Data {
    struct Section {
        Span name;
        // In file order. The index (and the duplicates' marks) is made on the first look-up
        // by name: a reader that only walks a large section never pays for it.
        mutable std::vector<Entry> entries;
        mutable NameIndex index; // names to entries; duplicates left out
        std::unique_ptr<std::once_flag> indexed = std::make_unique<std::once_flag>();
    };

    std::string text;
    std::vector<Section> sections;
    std::vector<std::string> sectionNames;
    NameIndex sectionIndex;

    std::string_view View(Span span) const {
        return std::string_view(text).substr(span.pos, span.len & ~Entry::kDuplicateBit);
    }
    const Section* FindSection(std::string_view name) const {
        const auto found =
            sectionIndex.Find(name, [this](std::uint32_t i) { return View(sections[i].name); });
        return found ? &sections[*found] : nullptr;
    }
    // The section with its index made (once, whichever thread asks first).
    const Section* IndexedSection(std::string_view name) const {
        const Section* section = FindSection(name);
        if (section)
            std::call_once(*section->indexed, [&] { BuildIndex(*section); });
        return section;
    }

    // Indexes a section's keys; the first of two equal names wins.
    void BuildIndex(const Section& section) const {
        std::vector<Entry>& entries = section.entries;
        section.index.Reserve(entries.size());
        auto enter = [&](std::uint32_t hash, std::uint32_t e) {
            // Names are compared only when the hashes agree, so the entries themselves are
            // rarely read here.
            auto same = [&](std::uint32_t other) {
                return SameName(View(entries[other].key), View(entries[e].key));
            };
            if (!section.index.Insert(hash, e, same))
                entries[e].MarkDuplicate();
        };
        constexpr std::size_t kSmall = 4096; // fits the caches: no need to order the writes
        if (entries.size() < kSmall) {
            for (std::uint32_t e = 0; e < entries.size(); ++e)
                enter(entries[e].hash, e);
        } else {
            for (const HashedEntry& e : SlotOrder(entries, section.index.Mask()))
                enter(e.hash, e.entry);
        }
    }
};

TIniFile::TIniFile() = default;

TIniFile TIniFile::FromText(std::string_view utf8Text) {
    return FromOwnedText(std::string(utf8Text));
}

TIniFile TIniFile::FromOwnedText(std::string text) {
    if (text.size() >= Entry::kDuplicateBit)
        throw EParvaneError("The file is too large to be read as settings (" +
                            std::to_string(text.size() / (1024 * 1024)) + " MB).");
    auto data = std::make_shared<Data>();
    data->text = std::move(text);
    std::string_view all(data->text);
    if (all.substr(0, kUtf8Bom.size()) == kUtf8Bom)
        all.remove_prefix(kUtf8Bom.size());
    const char* const base = data->text.data();
    auto spanOf = [base](std::string_view part) {
        return Span{static_cast<std::uint32_t>(part.data() - base),
                    static_cast<std::uint32_t>(part.size())};
    };
    RecentKeys recent(data->text.size());

    // One pass collects the lines in file order, a second indexes each section.
    Data& d = *data;
    std::size_t current = SIZE_MAX; // no section yet
    ForEachLine(all, [&](std::string_view raw) {
        const std::string_view line = Strip(raw);
        if (line.empty() || line.front() == ';')
            return;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            const std::string_view name = Strip(line.substr(1, line.size() - 2));
            const auto next = static_cast<std::uint32_t>(d.sections.size());
            // A section named again continues the first one (whose keys still win).
            current = d.sectionIndex.FindOrInsert(name, NameHash(name), next, [&](std::uint32_t i) {
                return d.View(d.sections[i].name);
            });
            if (current == next) {
                d.sections.push_back(Data::Section{spanOf(name), {}, {}});
                d.sectionNames.emplace_back(name);
            }
            return;
        }
        if (current == SIZE_MAX)
            return; // before the first section
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return; // not a key line
        const std::string_view key = Strip(line.substr(0, eq));
        std::vector<Entry>& entries = d.sections[current].entries;
        const std::uint32_t hash = NameHash(key);
        const auto entry = static_cast<std::uint32_t>(entries.size());
        if (recent.SeenOrRemember(static_cast<std::uint32_t>(current), entry, hash, key,
                                  [&](std::uint32_t e) { return d.View(entries[e].key); }))
            return;
        entries.push_back(Entry{spanOf(key), spanOf(Strip(line.substr(eq + 1))), hash});
    });
    TIniFile ini;
    ini.data_ = std::move(data);
    return ini;
}

TIniFile TIniFile::FromFile(const std::string& path) {
    std::string bytes = TextCodec::ReadFileBytes(path);
    if (TextCodec::IsValidUtf8(bytes))
        return FromOwnedText(std::move(bytes));
    // Files from the 8-bit platform: each line that is not UTF-8 is Windows-1252. Such
    // lines are converted a batch at a time (joined by LF, which the code page keeps as it
    // is), then put back in place; line ends stay as they were. Batches keep the memory
    // this takes bounded, whatever the number of lines.
    const std::string_view view(bytes);
    struct Line {
        std::size_t pos, len;
        bool convert;
    };
    constexpr std::size_t kBatchLines = 16384;
    std::vector<Line> pending;
    pending.reserve(std::min(kBatchLines, bytes.size() / 8 + 1)); // grows up to a batch
    std::string batch;
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    auto flush = [&] {
        const std::string converted = TextCodec::ToUtf8(batch, "WINDOWS-1252");
        std::size_t next = 0;
        for (const Line& line : pending) {
            if (line.convert) {
                std::size_t stop = converted.find('\n', next);
                if (stop == std::string::npos)
                    stop = converted.size();
                text.append(converted, next, stop - next);
                next = stop + 1;
            } else {
                text.append(view.substr(line.pos, line.len));
            }
            if (line.pos + line.len < view.size())
                text.push_back(view[line.pos + line.len]);
        }
        pending.clear();
        batch.clear();
    };
    std::size_t pos = 0;
    while (pos <= view.size()) {
        std::size_t end = pos;
        while (end < view.size() && view[end] != '\r' && view[end] != '\n')
            ++end;
        const std::string_view line = view.substr(pos, end - pos);
        const bool convert = !TextCodec::IsValidUtf8(line);
        pending.push_back({pos, line.size(), convert});
        if (convert) {
            batch.append(line);
            batch.push_back('\n');
        }
        if (pending.size() == kBatchLines)
            flush();
        pos = end + 1;
    }
    flush();
    std::string().swap(bytes);
    return FromOwnedText(std::move(text));
}

std::size_t TIniFile::MemoryUsed() const {
    if (!data_)
        return 0;
    std::size_t bytes = sizeof(Data) + data_->text.capacity();
    for (const Data::Section& section : data_->sections)
        bytes += section.entries.capacity() * sizeof(Entry) + section.index.Bytes();
    bytes += data_->sections.capacity() * sizeof(Data::Section) + data_->sectionIndex.Bytes();
    for (const std::string& name : data_->sectionNames)
        bytes += sizeof(std::string) + name.capacity();
    return bytes;
}

void TIniFile::ForEachKey(std::string_view section,
                          const std::function<void(std::string_view key)>& fn) const {
    const Data::Section* s = data_ ? data_->IndexedSection(section) : nullptr;
    if (!s)
        return;
    for (const Entry& entry : s->entries) {
        if (!entry.Duplicate())
            fn(data_->View(entry.key));
    }
}

void TIniFile::ForEachKeyLineRaw(std::string_view section, KeyLineFn fn, void* context) const {
    const Data::Section* s = data_ ? data_->FindSection(section) : nullptr;
    if (!s)
        return;
    for (const Entry& entry : s->entries)
        fn(context, data_->View(entry.key), data_->View(entry.value));
}

bool TIniFile::HasSection(std::string_view section) const {
    return data_ && data_->FindSection(section) != nullptr;
}

std::optional<std::string_view> TIniFile::Find(std::string_view section,
                                               std::string_view key) const {
    std::size_t hint = SIZE_MAX;
    return FindNear(section, key, hint);
}

std::optional<std::string_view> TIniFile::FindNear(std::string_view section, std::string_view key,
                                                   std::size_t& hint) const {
    if (!data_)
        return std::nullopt;
    const Data::Section* s = data_->IndexedSection(section);
    if (!s)
        return std::nullopt;
    const std::vector<Entry>& entries = s->entries;
    if (hint < entries.size() && !entries[hint].Duplicate() &&
        SameName(data_->View(entries[hint].key), key))
        return data_->View(entries[hint++].value);
    const auto found =
        s->index.Find(key, [&](std::uint32_t i) { return data_->View(entries[i].key); });
    if (!found)
        return std::nullopt;
    hint = *found + 1;
    return data_->View(entries[*found].value);
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const {
    if (const auto value = Find(section, key))
        return std::string(*value);
    return std::nullopt;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
    return std::string(Find(section, key).value_or(def));
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const auto value = Find(section, key);
    if (!value)
        return def;
    return ParseIniInteger(*value).value_or(def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    const auto value = Find(section, key);
    if (!value)
        return def;
    const std::optional<int> number = ParseIniInteger(*value);
    return number ? *number != 0 : def;
}

const std::vector<std::string>& TIniFile::Sections() const {
    static const std::vector<std::string> none;
    return data_ ? data_->sectionNames : none;
}

std::vector<std::pair<std::string, std::string>>
TIniFile::SectionValues(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> out;
    const Data::Section* s = data_ ? data_->IndexedSection(section) : nullptr;
    if (!s)
        return out;
    out.reserve(s->entries.size());
    for (const Entry& entry : s->entries) {
        if (!entry.Duplicate())
            out.emplace_back(data_->View(entry.key), data_->View(entry.value));
    }
    return out;
}

} // namespace parvane
