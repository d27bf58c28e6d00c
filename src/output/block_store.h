#pragma once
// Storage that grows in blocks that never move. A large site's check keeps hundreds of
// thousands of findings and their links: a vector or a string that doubles copies all of
// them again each time and holds both copies for a moment.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace parvane {

// Values appended one by one and read by index.
template <typename T, std::size_t BlockSize = 8192>
class TBlockList {
public:
    void push_back(const T& value) {
        if (size_ % BlockSize == 0)
            blocks_.push_back(std::make_unique<T[]>(BlockSize));
        blocks_.back()[size_ % BlockSize] = value;
        ++size_;
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T& operator[](std::size_t i) const { return blocks_[i / BlockSize][i % BlockSize]; }
    T& operator[](std::size_t i) { return blocks_[i / BlockSize][i % BlockSize]; }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    std::size_t size_ = 0;
};

// Texts appended one after another, each found again by the place Keep gave it. A text
// never straddles two blocks; one longer than a block gets a block of its own.
class TTextBlocks {
public:
    static constexpr std::size_t kBlock = std::size_t{1} << 20;

    std::uint64_t Keep(std::string_view text) {
        if (blocks_.empty() || used_ + text.size() > capacity_) {
            capacity_ = std::max(kBlock, text.size());
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(capacity_));
            used_ = 0;
        }
        const std::uint64_t at = (static_cast<std::uint64_t>(blocks_.size() - 1) << 32) | used_;
        if (!text.empty())
            std::memcpy(blocks_.back().get() + used_, text.data(), text.size());
        used_ += text.size();
        return at;
    }
    std::string_view Text(std::uint64_t at, std::size_t length) const {
        return {blocks_[at >> 32].get() + (at & 0xFFFFFFFFu), length};
    }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace parvane
