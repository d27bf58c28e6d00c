#pragma once
// Character sets. Text is UTF-8 inside the program; pages and generated files are
// converted at the file-system boundary with iconv.

#include <string>
#include <string_view>

namespace parvane::TextCodec {

// The charset a page declares in <meta charset=..> or <meta http-equiv content="..;
// charset=..">, or "" when it declares none.
std::string DeclaredCharset(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);
// Appends one code point as UTF-8; a surrogate or a value beyond U+10FFFF becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);
// Bytes to UTF-8: the declared charset, else fallback, else UTF-8 when valid, else
// Windows-1252. Unknown charset names fall through to the next rule.
std::string DecodePage(std::string_view bytes, std::string_view fallback = "");
// Whether charset names UTF-8 (an empty one does: it is the default).
bool NamesUtf8(std::string_view charset);
// Bytes in a known charset to UTF-8 (invalid sequences become U+FFFD).
std::string ToUtf8(std::string_view bytes, std::string_view charset);
// UTF-8 to charset (empty or blank: UTF-8); characters the charset cannot hold become
// decimal character references "&#233;". With htmlReferences false they become "?".
std::string FromUtf8(std::string_view utf8, std::string_view charset, bool htmlReferences = true);
// Windows code page of an HTML Help language identifier ("0x0419" -> "CP1251").
std::string CodePageOfLanguage(std::string_view language);

// Whole file as bytes; throws EParvaneError with a readable message on failure (a folder,
// a pipe or a device is refused without waiting on it).
std::string ReadFileBytes(const std::string& path);
// ReadFileBytes of a path that already names the file as it is on disk (an answer of the
// project's root): no look-up in other letter case, so no folder is listed or locked.
std::string ReadFileBytesAsSpelled(const std::string& path);
// Reads the regular file at path (as it is spelled, no look-up in other letter case) into
// buffer, grown as needed and kept by the caller for the next file, with one open and as
// few reads as its size needs; gives the bytes read. Throws as ReadFileBytes does.
std::string_view ReadFileInto(const std::string& path, std::string& buffer);
// Writes bytes to a temporary file in the same folder, then renames it over path. Where
// the file system offers unnamed temporary files the bytes are written into one first, so
// a process killed while saving leaves nothing behind. A symbolic link at path is
// followed: its target is replaced and the link stays.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

// A file written in pieces, the way WriteFileAtomic writes one: it replaces path only when
// Commit is called. Until then (and when Write or Commit fails, or the writer is destroyed
// without Commit) the file at path stays as it was and no temporary file is left. A device
// or a named pipe at path is written into directly and stays what it is.
class TAtomicFileWriter {
public:
    explicit TAtomicFileWriter(const std::string& path); // throws when nothing can be written
    ~TAtomicFileWriter();
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Commit();

private:
    void OpenNamed();
    bool NameUnnamed();
    void CopyIntoNamed();
    void Discard() noexcept;
    [[noreturn]] void Fail(int error);

    std::string path_;   // as given, for messages
    std::string native_; // the file replaced
    std::string tmp_;    // the temporary file's name; "" while it has none
    int fd_ = -1;
    bool direct_ = false; // a device or a pipe, written into as it is
};
// Removes the temporary files ".NAME.XXXXXX" that saves of path killed on a system
// without unnamed temporary files left beside it, when they are older than the given
// age (a save of another process may still be writing a younger one). Returns how many.
int RemoveStaleTemporaries(const std::string& path, int olderThanSeconds = 60);

} // namespace parvane::TextCodec
