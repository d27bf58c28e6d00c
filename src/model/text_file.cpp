#include "model/text_file.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace parvane::TextCodec {

namespace {

// Names as pages and the new-project list write them, mapped to what iconv knows.
std::string IconvName(std::string_view charset) {
    const std::string c = StringFunc::AsciiLowerCase(StringFunc::Trim(charset));
    struct Alias {
        const char* name;
        const char* iconv;
    };
    static const Alias aliases[] = {
        {"iso-8869-4", "ISO-8859-4"},  {"x-euc-jp", "EUC-JP"},        {"ks_c_5601", "CP949"},
        {"ks_c_5601-1987", "CP949"},   {"unicode-1-1-utf-7", "UTF-7"}, {"gb2312", "GBK"},
        {"shift_jis", "CP932"},        {"x-sjis", "CP932"},           {"windows-874", "CP874"},
        {"utf8", "UTF-8"},             {"latin1", "ISO-8859-1"},      {"iso-8859-1", "CP1252"},
        {"us-ascii", "CP1252"},        {"ascii", "CP1252"},
    };
    for (const Alias& a : aliases)
        if (c == a.name)
            return a.iconv;
    return c;
}

bool IsUtf8Name(std::string_view charset) {
    const std::string c = StringFunc::AsciiLowerCase(StringFunc::Trim(charset));
    return c.empty() || c == "utf-8" || c == "utf8";
}

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (Valid())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Handle() const { return cd_; }

private:
    iconv_t cd_;
};

bool KnownCharset(std::string_view charset) {
    if (IsUtf8Name(charset))
        return true;
    Iconv cd("UTF-8", IconvName(charset));
    return cd.Valid();
}

std::size_t Utf8SequenceLength(std::string_view s, std::size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t n = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 1;
    if (i + n > s.size())
        n = 1;
    cp = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (std::size_t k = 1; k < n; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return n;
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidUtf8(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        // Pages are mostly ASCII: 32, then eight bytes at a time while none has its high
        // bit set.
        while (i + 32 <= n) {
            std::uint64_t words[4];
            std::memcpy(words, s.data() + i, 32);
            if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ull)
                break;
            i += 32;
        }
        while (i + 8 <= n) {
            std::uint64_t word;
            std::memcpy(&word, s.data() + i, 8);
            if (word & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        char32_t min;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        char32_t cp = c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string DeclaredCharset(std::string_view bytes) {
    // The declaration sits in the head; looking at the start keeps this cheap on huge pages.
    // Searched without regard to case in place: a lower-case copy of every page read was a
    // large part of a build.
    const std::string_view head = bytes.substr(0, 64 * 1024);
    std::size_t pos = 0;
    while ((pos = StringFunc::FindAsciiNoCase(head, "<meta", pos)) != std::string::npos) {
        const std::size_t end = head.find('>', pos);
        if (end == std::string::npos)
            break;
        // Within the tag only ("charset" holds no ">").
        const std::size_t cs = StringFunc::FindAsciiNoCase(head.substr(0, end), "charset", pos);
        if (cs != std::string::npos && cs < end) {
            std::size_t i = cs + 7;
            while (i < end && (head[i] == ' ' || head[i] == '='))
                ++i;
            while (i < end && (head[i] == '"' || head[i] == '\''))
                ++i;
            const std::size_t start = i;
            while (i < end && head[i] != '"' && head[i] != '\'' && head[i] != ';' &&
                   head[i] != ' ' && head[i] != '/' && head[i] != '>')
                ++i;
            if (i > start)
                return std::string(bytes.substr(start, i - start));
        }
        pos = end;
    }
    return {};
}

std::string ToUtf8(std::string_view bytes, std::string_view charset) {
    if (IsUtf8Name(charset)) {
        if (IsValidUtf8(bytes))
            return std::string(bytes);
        return ToUtf8(bytes, "CP1252");
    }
    Iconv cd("UTF-8", IconvName(charset));
    if (!cd.Valid())
        throw EParvaneError("Unknown character set \"" + std::string(charset) + "\".");
    std::string out;
    out.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd.Handle(), &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // An invalid or incomplete sequence: keep going with a replacement character.
            if (out.size() - used < 4)
                out.resize(out.size() * 2);
            std::memcpy(out.data() + used, "\xEF\xBF\xBD", 3);
            used += 3;
            ++in;
            --inLeft;
        }
    }
    out.resize(used);
    return out;
}

bool NamesUtf8(std::string_view charset) {
    return IsUtf8Name(charset);
}

std::string DecodePage(std::string_view bytes, std::string_view fallback) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
        if (IsValidUtf8(bytes))
            return std::string(bytes);
    }
    const std::string declared = DeclaredCharset(bytes);
    for (const std::string_view charset : {std::string_view(declared), fallback}) {
        if (StringFunc::Trim(charset).empty() || !KnownCharset(charset))
            continue;
        if (IsUtf8Name(charset) && !IsValidUtf8(bytes))
            break; // a wrong declaration: fall through to the byte-based guess
        return ToUtf8(bytes, charset);
    }
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return ToUtf8(bytes, "CP1252");
}

std::string FromUtf8(std::string_view utf8, std::string_view charset, bool htmlReferences) {
    if (IsUtf8Name(charset))
        return std::string(utf8);
    Iconv cd(IconvName(charset), "UTF-8");
    if (!cd.Valid())
        throw EParvaneError("Unknown character set \"" + std::string(charset) + "\".");
    std::string out;
    out.resize(utf8.size() + 64);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    std::size_t used = 0;
    auto appendRaw = [&](const std::string& text) {
        if (out.size() - used < text.size() + 16)
            out.resize(out.size() * 2 + text.size());
        std::memcpy(out.data() + used, text.data(), text.size());
        used += text.size();
    };
    for (;;) {
        char* outPtr = out.data() + used;
        std::size_t outLeft = out.size() - used;
        const std::size_t r = iconv(cd.Handle(), inLeft ? &in : nullptr, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // A character the charset cannot hold: return the converter to its initial
        // state, then write a reference in plain ASCII.
        for (;;) {
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            if (iconv(cd.Handle(), nullptr, nullptr, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
                break;
            out.resize(out.size() * 2);
        }
        used = out.size() - outLeft;
        char32_t cp;
        const std::size_t len = Utf8SequenceLength(
            std::string_view(in, inLeft), 0, cp);
        appendRaw(htmlReferences ? "&#" + std::to_string(cp) + ";" : std::string("?"));
        in += len;
        inLeft -= len;
        if (inLeft == 0) {
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            iconv(cd.Handle(), nullptr, nullptr, &outPtr, &outLeft);
            used = out.size() - outLeft;
            break;
        }
    }
    out.resize(used);
    return out;
}

std::string CodePageOfLanguage(std::string_view language) {
    const std::string text = StringFunc::Trim(language);
    unsigned long lcid = 0x0409;
    if (!text.empty()) {
        char* end = nullptr;
        const unsigned long v = std::strtoul(text.c_str(), &end, 0);
        if (end && *end == '\0')
            lcid = v;
    }
    switch (lcid) {
    case 0x0804: case 0x1004: return "CP936";                         // Chinese, simplified
    case 0x0404: case 0x0C04: case 0x1404: return "CP950";            // Chinese, traditional
    case 0x0C1A: case 0x1C1A: case 0x0843: return "CP1251";           // Cyrillic variants
    case 0x081A: case 0x041A: case 0x101A: case 0x141A: return "CP1250"; // Latin Serbian, Croatian
    case 0x042C: case 0x0443: return "CP1254";                        // Azeri and Uzbek, Latin
    case 0x082C: return "CP1251";                                     // Azeri, Cyrillic
    default: break;
    }
    switch (lcid & 0x3FF) {
    case 0x11: return "CP932";
    case 0x12: return "CP949";
    case 0x1E: return "CP874";
    case 0x0D: return "CP1255";
    case 0x01: case 0x29: case 0x20: return "CP1256";
    case 0x08: return "CP1253";
    case 0x1F: return "CP1254";
    case 0x25: case 0x26: case 0x27: return "CP1257";
    case 0x2A: return "CP1258";
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1B: case 0x24: case 0x1C: return "CP1250";
    case 0x19: case 0x02: case 0x22: case 0x23: case 0x2F: case 0x3F: case 0x40: case 0x44:
    case 0x50: return "CP1251";
    default: return "CP1252";
    }
}

namespace {

// ReadFileInto, opening `file` and naming `path` in its errors.
std::string_view ReadInto(const std::string& file, const std::string& path, std::string& buffer) {
    auto fail = [&path](const std::string& reason) {
        return EParvaneError("Cannot read \"" + path + "\": " + reason);
    };
    // Not blocking on open: a pipe would wait for a writer, and it is no file to read.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw fail(std::strerror(errno));
    struct TClose {
        int Fd;
        ~TClose() { ::close(Fd); }
    } closing{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw fail(S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file");
    // O_NONBLOCK is left set: it changes nothing for a regular file, and clearing it cost
    // two system calls per page read. The buffer is sized once from the file's size (one
    // byte more, to see the end in one read); a size the system only claims (kernel files
    // say 0, or terabytes) is not trusted further than a large page would go.
    constexpr std::size_t kTrustedSize = std::size_t{1} << 28;
    const std::size_t expected = std::min(static_cast<std::size_t>(st.st_size), kTrustedSize) + 1;
    if (buffer.size() < expected)
        buffer.resize(expected);
    std::size_t got = 0;
    for (;;) {
        if (got == buffer.size())
            buffer.resize(buffer.size() * 2);
        const std::size_t asked = buffer.size() - got;
        const ssize_t n = ::read(fd, buffer.data() + got, asked);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw fail(std::strerror(errno));
        }
        got += static_cast<std::size_t>(n);
        // A read that stops short at the size the file was given has met its end: no
        // second call to be told so.
        if (static_cast<std::size_t>(n) < asked && st.st_size > 0 &&
            got == static_cast<std::size_t>(st.st_size))
            break;
    }
    return std::string_view(buffer).substr(0, got);
}

} // namespace

std::string ReadFileBytes(const std::string& path) {
    std::string native = Paths::ToNative(path);
    if (const std::string resolved = Paths::ResolveExisting(native); !resolved.empty())
        native = resolved;
    std::string data;
    data.resize(ReadInto(native, path, data).size());
    return data;
}

std::string ReadFileBytesAsSpelled(const std::string& path) {
    std::string data;
    data.resize(ReadInto(path, path, data).size());
    return data;
}

std::string_view ReadFileInto(const std::string& path, std::string& buffer) {
    return ReadInto(path, path, buffer);
}

namespace {

constexpr int kMaxLinkHops = 40;

// The file a save really replaces: a symbolic link (or a chain of them) is followed to its
// target, so saving through a link updates the target and keeps the link. A dangling link
// gets its target created.
std::string SaveTarget(const std::string& native) {
    std::string path = native;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return path;
        target.resize(static_cast<std::size_t>(n));
        if (target.empty())
            return path;
        path = target[0] == '/' ? target : Paths::ExtractFilePath(path) + target;
    }
    throw EParvaneError("Cannot write \"" + native + "\": too many levels of symbolic links");
}

std::string FolderOf(const std::string& native) {
    const std::string folder = Paths::ExtractFilePath(native);
    return folder.empty() ? "./" : folder;
}

// The temporary name of a save: "." + name + "." + six characters, in the same folder.
std::string TemporaryPattern(const std::string& native) {
    return FolderOf(native) + "." + Paths::ExtractFileName(native) + ".XXXXXX";
}

bool WriteAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t w = ::write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    return true;
}

// Keep the permissions of the file being replaced; a new file gets the usual ones.
mode_t ModeFor(const std::string& native) {
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0)
        return (st.st_mode & 07777) | S_IWUSR;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

[[noreturn]] void WriteFailed(const std::string& path, int error) {
    throw EParvaneError("Cannot write \"" + path + "\": " + std::strerror(error));
}

void RenameInto(const std::string& tmp, const std::string& native, const std::string& path) {
    if (::rename(tmp.c_str(), native.c_str()) != 0) {
        const int error = errno;
        ::unlink(tmp.c_str());
        WriteFailed(path, error);
    }
}

} // namespace

// Where the file system offers unnamed files (O_TMPFILE), the bytes go into one, which the
// system removes by itself if the process dies before it is complete; only then is it
// given a temporary name and renamed over the target. Elsewhere they go into a temporary
// file with a name beside the target.
TAtomicFileWriter::TAtomicFileWriter(const std::string& path) : path_(path) {
    // A device or a pipe ("--output /dev/null", "/dev/stdout", a named pipe) is written
    // into, never replaced by a file. The system follows the links to it.
    const std::string native = Paths::ToNative(path);
    struct stat st {};
    if (::stat(native.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        fd_ = ::open(native.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0)
            WriteFailed(path_, errno);
        direct_ = true;
        return;
    }
    native_ = SaveTarget(native);
#ifdef O_TMPFILE
    fd_ = ::open(FolderOf(native_).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0)
        return;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
        WriteFailed(path_, errno);
#endif
    OpenNamed();
}

TAtomicFileWriter::~TAtomicFileWriter() {
    Discard();
}

void TAtomicFileWriter::OpenNamed() {
    std::string tmp = TemporaryPattern(native_);
    fd_ = mkstemp(tmp.data());
    if (fd_ < 0)
        WriteFailed(path_, errno);
    tmp_ = std::move(tmp);
}

void TAtomicFileWriter::Discard() noexcept {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tmp_.empty())
        ::unlink(tmp_.c_str());
    tmp_.clear();
}

void TAtomicFileWriter::Fail(int error) {
    Discard();
    WriteFailed(path_, error);
}

void TAtomicFileWriter::Write(std::string_view bytes) {
    if (fd_ < 0)
        throw EParvaneError("Cannot write \"" + path_ + "\": the file is closed");
    if (!WriteAll(fd_, bytes))
        Fail(errno);
}

// A named file is renamed over the target; an unnamed one first gets a fresh name
// (linkat refuses one that exists, so the name is only ever taken by a whole file, for the
// moment before the rename). No fsync: builds write thousands of files; the rename alone
// keeps a crash of the program from ever leaving a half-written file behind.
void TAtomicFileWriter::Commit() {
    if (fd_ < 0)
        throw EParvaneError("Cannot write \"" + path_ + "\": the file is closed");
    if (direct_) {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            WriteFailed(path_, errno);
        return;
    }
    if (::fchmod(fd_, ModeFor(native_)) != 0)
        Fail(errno);
    if (tmp_.empty() && !NameUnnamed())
        CopyIntoNamed(); // no /proc or no linkat here
    if (::close(fd_) != 0) {
        fd_ = -1;
        Fail(errno);
    }
    fd_ = -1;
    std::string tmp;
    tmp.swap(tmp_);
    RenameInto(tmp, native_, path_);
}

bool TAtomicFileWriter::NameUnnamed() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    static thread_local std::mt19937_64 random(std::random_device{}() ^
                                               static_cast<std::uint64_t>(::getpid()));
    static const char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string tmp = TemporaryPattern(native_);
        for (std::size_t i = tmp.size() - 6; i < tmp.size(); ++i)
            tmp[i] = kLetters[random() % (sizeof kLetters - 1)];
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, tmp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            tmp_ = std::move(tmp);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// The unnamed file's bytes into a named temporary file, which takes its place.
void TAtomicFileWriter::CopyIntoNamed() {
    const int unnamed = fd_;
    fd_ = -1;
    try {
        OpenNamed();
    } catch (...) {
        ::close(unnamed);
        throw;
    }
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(unnamed, buffer, sizeof buffer, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !WriteAll(fd_, std::string_view(buffer, static_cast<std::size_t>(n)))) {
            const int error = n == 0 ? 0 : errno;
            ::close(unnamed);
            if (n == 0)
                break;
            Fail(error);
        }
        at += n;
    }
    if (::fchmod(fd_, ModeFor(native_)) != 0)
        Fail(errno);
}

void WriteFileAtomic(const std::string& path, std::string_view bytes) {
    TAtomicFileWriter file(path);
    file.Write(bytes);
    file.Commit();
}

int RemoveStaleTemporaries(const std::string& path, int olderThanSeconds) {
    const std::string native = SaveTarget(Paths::ToNative(path));
    const std::string prefix = "." + Paths::ExtractFileName(native) + ".";
    const std::string folder = FolderOf(native);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view suffix = name.substr(prefix.size());
        const bool random = std::all_of(suffix.begin(), suffix.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
        if (!random)
            continue;
        const std::string file = folder + std::string(name);
        struct stat st {};
        // Only regular files old enough that no save can still be writing them.
        if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
            now - st.st_mtime < olderThanSeconds)
            continue;
        if (::unlink(file.c_str()) == 0)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

} // namespace parvane::TextCodec
