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
// Bytes to UTF-8: the declared charset, else fallback, else UTF-8 when valid, else
// Windows-1252. Unknown charset names fall through to the next rule.
std::string DecodePage(std::string_view bytes, std::string_view fallback = "");
// Bytes in a known charset to UTF-8 (invalid sequences become U+FFFD).
std::string ToUtf8(std::string_view bytes, std::string_view charset);
// UTF-8 to charset (empty or blank: UTF-8); characters the charset cannot hold become
// decimal character references "&#233;". With htmlReferences false they become "?".
std::string FromUtf8(std::string_view utf8, std::string_view charset, bool htmlReferences = true);
// Windows code page of an HTML Help language identifier ("0x0419" -> "CP1251").
std::string CodePageOfLanguage(std::string_view language);

// Whole file as bytes; throws EParvaneError with a readable message on failure.
std::string ReadFileBytes(const std::string& path);
// Writes bytes to a temporary file in the same folder, then renames it over path.
void WriteFileAtomic(const std::string& path, std::string_view bytes);

} // namespace parvane::TextCodec
