#pragma once
// A set of strings, each with a number, for the look-ups a build makes per link: the keys
// lie side by side in one buffer and the table is one array of slots, so a look-up touches
// one slot and one key instead of a list node, its key and a bucket spread over the heap.
// Tens of thousands of pages make tables that no longer fit in the caches otherwise.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TStringIndex {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    void Reserve(std::size_t count) {
        while (slots_.size() < 2 * count + 2)
            Grow();
    }
    std::size_t Size() const { return count_; }

    // The number of key, or npos.
    std::size_t Find(std::string_view key) const {
        if (slots_.empty())
            return npos;
        const std::uint64_t hash = Hash(key);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const TSlot& slot = slots_[i];
            if (slot.Length == kEmpty)
                return npos;
            if (slot.Hash == hash && Key(slot) == key)
                return slot.Value;
        }
    }
    // Adds key with value unless it is there; returns its number and whether it was added.
    std::pair<std::size_t, bool> Insert(std::string_view key, std::size_t value) {
        if (2 * (count_ + 1) > slots_.size())
            Grow();
        const std::uint64_t hash = Hash(key);
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            TSlot& slot = slots_[i];
            if (slot.Length == kEmpty) {
                slot = {hash, keys_.size(), key.size(), value};
                keys_.append(key);
                ++count_;
                return {value, true};
            }
            if (slot.Hash == hash && Key(slot) == key)
                return {slot.Value, false};
        }
    }

private:
    static constexpr std::size_t kEmpty = static_cast<std::size_t>(-1);
    struct TSlot {
        std::uint64_t Hash = 0;
        std::size_t Offset = 0;
        std::size_t Length = kEmpty;
        std::size_t Value = 0;
    };

    static std::uint64_t Hash(std::string_view key) { return std::hash<std::string_view>{}(key); }
    std::string_view Key(const TSlot& slot) const {
        return std::string_view(keys_).substr(slot.Offset, slot.Length);
    }
    void Grow() {
        std::vector<TSlot> old;
        old.swap(slots_);
        slots_.resize(old.empty() ? 64 : 2 * old.size());
        mask_ = slots_.size() - 1;
        for (const TSlot& slot : old) {
            if (slot.Length == kEmpty)
                continue;
            std::size_t i = slot.Hash & mask_;
            while (slots_[i].Length != kEmpty)
                i = (i + 1) & mask_;
            slots_[i] = slot;
        }
    }

    std::vector<TSlot> slots_;
    std::string keys_;
    std::size_t count_ = 0;
    std::size_t mask_ = 0;
};

} // namespace parvane
