#pragma once
// Pieces of an output kept between two steps of a build: the single page of a large
// reference runs to hundreds of megabytes, which need not stay in memory until the page's
// head is known. TPartFile keeps them in an unnamed temporary file beside the output.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TPartStore {
public:
    virtual ~TPartStore() = default;
    // Adds the next part (numbered from 0).
    virtual void Add(std::string_view part) = 0;
    // Called once every part is added: from then on Take may be called from any thread,
    // once for each part.
    virtual void Seal() {}
    virtual std::string Take(std::size_t i) = 0;
};

class TMemoryParts : public TPartStore {
public:
    void Add(std::string_view part) override { parts_.emplace_back(part); }
    std::string Take(std::size_t i) override { return std::move(parts_.at(i)); }

private:
    std::vector<std::string> parts_;
};

class TPartFile : public TPartStore {
public:
    // A file in folder, or in its nearest existing parent when folder does not exist yet;
    // without a name where the file system allows (else named, and removed at once), so
    // nothing is left behind whatever happens, and no name appears in the folder. Falls
    // back to the temporary folder; throws EParvaneError when no file can be made.
    explicit TPartFile(const std::string& folder);
    ~TPartFile() override;
    TPartFile(const TPartFile&) = delete;
    TPartFile& operator=(const TPartFile&) = delete;

    void Add(std::string_view part) override;
    void Seal() override;
    std::string Take(std::size_t i) override;

private:
    void Flush();

    int fd_ = -1;
    std::uint64_t written_ = 0;        // bytes in the file
    std::vector<std::uint64_t> ends_;  // where each part ends
    std::string buffer_;               // not yet written
};

} // namespace parvane
