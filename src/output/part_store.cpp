#include "output/part_store.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parvane {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder itself when it exists, else its nearest existing parent ("" when none).
std::string NearestFolder(std::string folder) {
    while (!folder.empty()) {
        folder = Paths::ExcludeTrailingSlash(folder);
        if (folder.empty())
            return "/";
        if (IsFolder(folder))
            return folder;
        const std::size_t slash = folder.rfind('/');
        if (slash == std::string::npos)
            return {};
        folder = slash == 0 ? "/" : folder.substr(0, slash);
    }
    return {};
}

int OpenUnnamed(const std::string& folder) {
    if (folder.empty())
        return -1;
#ifdef O_TMPFILE
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
#endif
    std::string name = Paths::IncludeTrailingSlash(folder) + ".parvane-part-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0)
        ::unlink(name.c_str());
    return named;
}

[[noreturn]] void Failed(const char* what, int error) {
    throw EParvaneError(std::string("Cannot ") + what + " the temporary file of the output: " +
                        std::strerror(error));
}

} // namespace

TPartFile::TPartFile(const std::string& folder) {
    fd_ = OpenUnnamed(NearestFolder(Paths::ToNative(folder)));
    if (fd_ < 0)
        fd_ = OpenUnnamed(Paths::ExcludeTrailingSlash(StringFunc::TempFolder()));
    if (fd_ < 0)
        Failed("create", errno);
    buffer_.reserve(kBufferSize);
}

TPartFile::~TPartFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

void TPartFile::Add(std::string_view part) {
    if (buffer_.size() + part.size() > kBufferSize)
        Flush();
    if (part.size() >= kBufferSize) {
        buffer_.assign(part);
        Flush();
    } else {
        buffer_.append(part);
    }
    ends_.push_back(written_ + buffer_.size());
}

void TPartFile::Flush() {
    const char* data = buffer_.data();
    std::size_t left = buffer_.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Failed("write", errno);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    written_ += buffer_.size();
    buffer_.clear();
}

void TPartFile::Seal() {
    Flush();
    std::string().swap(buffer_);
}

std::string TPartFile::Take(std::size_t i) {
    const std::uint64_t begin = i == 0 ? 0 : ends_.at(i - 1);
    const std::uint64_t end = ends_.at(i);
    std::string part(static_cast<std::size_t>(end - begin), '\0');
    std::size_t done = 0;
    while (done < part.size()) {
        const ssize_t n = ::pread(fd_, part.data() + done, part.size() - done,
                                  static_cast<off_t>(begin + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Failed("read", n < 0 ? errno : EIO);
        done += static_cast<std::size_t>(n);
    }
    return part;
}

} // namespace parvane
