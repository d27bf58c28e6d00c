#pragma once
// Strings side by side in one buffer. A list made on one thread and read on another costs
// one allocation to hand over and one to free, not one per string (and frees on another
// thread than the one that allocated contend with it for its memory arena).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TPackedStrings {
public:
    TPackedStrings() = default;
    explicit TPackedStrings(const std::vector<std::string>& strings) {
        std::size_t size = 0;
        for (const std::string& s : strings)
            size += s.size();
        bytes_.reserve(size);
        ends_.reserve(strings.size());
        for (const std::string& s : strings) {
            bytes_ += s;
            ends_.push_back(bytes_.size());
        }
    }

    std::size_t Size() const { return ends_.size(); }
    std::string_view operator[](std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(bytes_).substr(start, ends_[i] - start);
    }
    std::vector<std::string_view> Views() const {
        std::vector<std::string_view> views;
        views.reserve(Size());
        for (std::size_t i = 0; i < Size(); ++i)
            views.push_back((*this)[i]);
        return views;
    }

private:
    std::string bytes_;
    std::vector<std::size_t> ends_;
};

} // namespace parvane
