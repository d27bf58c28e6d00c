#include "model/text_writer.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace parvane {

namespace {

constexpr std::size_t kFlushBytes = 1 << 20;

// Charsets whose output depends on what came before (a byte-order mark, shift states):
// converting piece by piece would not give the bytes of one conversion.
bool HasState(const std::string& charset) {
    const std::string lower = StringFunc::AsciiLowerCase(charset);
    for (const char* name : {"utf-16", "utf16", "utf-32", "utf32", "ucs", "2022", "utf-7", "utf7"})
        if (lower.find(name) != std::string::npos)
            return true;
    return false;
}

} // namespace

TTextFileWriter::TTextFileWriter(const std::string& fileName, const std::string& charset)
    : target_(Paths::ToNative(fileName)), charset_(charset), wholeAtOnce_(HasState(charset)) {
    std::string folder = Paths::ExtractFilePath(target_);
    if (folder.empty())
        folder = "./";
    temporary_ = folder + "." + Paths::ExtractFileName(target_) + ".XXXXXX";
    fd_ = ::mkstemp(temporary_.data());
    if (fd_ < 0)
        throw EParvaneError("Cannot write \"" + fileName + "\": " + std::strerror(errno));
}

TTextFileWriter::TTextFileWriter(TInPlace, const std::string& fileName, const std::string& charset,
                                 int fd)
    : target_(fileName), temporary_(fileName), charset_(charset), wholeAtOnce_(HasState(charset)),
      fd_(fd), inPlace_(true) {}

TTextFileWriter::~TTextFileWriter() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporary_.c_str());
    }
}

void TTextFileWriter::Fail(const std::string& reason) {
    ::close(fd_);
    ::unlink(temporary_.c_str());
    fd_ = -1;
    throw EParvaneError("Cannot write \"" + target_ + "\": " + reason);
}

void TTextFileWriter::Append(std::string_view text) {
    if (fd_ < 0)
        return;
    std::size_t i = 0;
    if (afterCr_ && !text.empty() && text[0] == '\n')
        i = 1;
    afterCr_ = false;
    while (i < text.size()) {
        std::size_t end = StringFunc::FindLineBreak(text, i);
        if (end == std::string_view::npos)
            end = text.size();
        if (end == text.size()) {
            pending_.append(text.substr(i));
            openLine_ = true;
            break;
        }
        pending_.append(text.substr(i, end - i));
        pending_ += "\r\n";
        openLine_ = false;
        if (text[end] == '\r' && end + 1 == text.size())
            afterCr_ = true;
        i = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    if (!wholeAtOnce_ && pending_.size() >= kFlushBytes)
        Flush();
}

void TTextFileWriter::Flush() {
    const std::string bytes = TextCodec::FromUtf8(pending_, charset_);
    pending_.clear();
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t w = ::write(fd_, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            Fail(std::strerror(errno));
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
}

void TTextFileWriter::Commit() {
    if (fd_ < 0)
        throw EParvaneError("Cannot write \"" + target_ + "\": the file was abandoned.");
    if (openLine_)
        pending_ += "\r\n";
    Flush();
    if (inPlace_) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            const std::string reason = std::strerror(errno);
            ::unlink(target_.c_str());
            throw EParvaneError("Cannot write \"" + target_ + "\": " + reason);
        }
        return;
    }
    // As SaveTextFile: the permissions of the file replaced, made writable; a new file gets
    // the usual ones.
    struct stat st {};
    mode_t mode = 0666;
    if (::stat(target_.c_str(), &st) == 0) {
        mode = (st.st_mode & 07777) | S_IWUSR;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(fd_, mode);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary_.c_str());
        throw EParvaneError("Cannot write \"" + target_ + "\": " + reason);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temporary_.c_str());
        throw EParvaneError("Cannot write \"" + target_ + "\": " + reason);
    }
}

void SaveNewTextFile(std::string_view text, const std::string& fileName,
                     const std::string& charset) {
    const std::string native = Paths::ToNative(fileName);
    const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) {
            StringFunc::SaveTextFile(text, fileName, charset);
            return;
        }
        throw EParvaneError("Cannot write \"" + fileName + "\": " + std::strerror(errno));
    }
    TTextFileWriter writer(TTextFileWriter::TInPlace{}, native, charset, fd);
    writer.Append(text);
    writer.Commit();
}

} // namespace parvane
