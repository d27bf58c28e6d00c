#pragma once
// Stateless helpers on strings, HTML text, paths and files shared by the whole program.
// All text is UTF-8. Positions are 1-based; 0 means "not found". Comparisons "without
// regard to case" fold ASCII and the common Latin, Greek and Cyrillic letters.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace parvane::StringFunc {

// ---- searching and replacing -------------------------------------------------------
std::size_t PosFrom(std::string_view sub, std::string_view s, std::size_t offset);
std::string ReplaceTextW(std::string_view s, std::string_view oldText, std::string_view newText);
// Case-sensitive replacement of every occurrence (left to right, no overlaps).
std::string ReplaceAll(std::string_view s, std::string_view oldText, std::string_view newText);
std::string RemoveBetween(std::string_view s, std::string_view startMark, std::string_view endMark);
std::vector<std::string> SplitTrimmed(std::string_view s, std::string_view separator);
// Trims characters with codes up to 32 at both ends.
std::string Trim(std::string_view s);

// ---- case ----------------------------------------------------------------------------
std::string LowerCase(std::string_view s);      // Unicode-aware for the common scripts
std::string AsciiLowerCase(std::string_view s); // same length as s: positions stay aligned
// The first (last) place at or after (before) `from` where s holds `lower` without regard
// to ASCII case, or npos; `lower` is written in lower case. Finds what AsciiLowerCase(s).find
// (rfind) would, without a lower-case copy of a whole page.
std::size_t FindAsciiNoCase(std::string_view s, std::string_view lower, std::size_t from = 0);
std::size_t RFindAsciiNoCase(std::string_view s, std::string_view lower);
// The first CR or LF at or after from, or npos (sixteen bytes at a time where SSE2 is).
std::size_t FindLineBreak(std::string_view s, std::size_t from = 0);

// AsciiLowerCase into a buffer the caller keeps (a scanner lowering page after page).
void AsciiLowerCase(std::string_view s, std::string& out);
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b); // <0, 0, >0 without regard to case
bool StartsWithText(std::string_view s, std::string_view prefix);

// ---- HTML text ---------------------------------------------------------------------
std::string HtmlEncode(std::string_view s);
std::string GetHtmlTitle(std::string_view html);
std::string SetHtmlTitle(std::string_view html, std::string_view title);
std::string GetHtmlBody(std::string_view html);
std::string InsertAfterBodyTag(std::string_view html, std::string_view text);
// Escapes a text for a JavaScript string in single quotes inside an HTML attribute:
// backslash and apostrophe get a backslash, then HtmlEncode.
std::string JsAttrEscape(std::string_view s);

// ---- paths and file names ------------------------------------------------------------
std::string ValidFileName(std::string_view s);
std::string ToForwardSlashes(std::string_view s);
std::string ToBackslashes(std::string_view s);
// Resolves ".." segments; accepts "/" and "\" and returns native "/" separators.
std::string CollapseDotDot(std::string_view path);
// CollapseDotDot(folder + path), walking only path when folder is already collapsed (an
// absolute folder with a trailing "/"): builds resolve each link from its page's folder.
std::string CollapseDotDot(std::string_view folder, std::string_view path);
// Whether CollapseDotDot returns path as it is: absolute, "/" separators only, and no
// empty, "." or ".." name (a trailing "/" is allowed).
bool IsCollapsed(std::string_view path);
std::string TempFolder();     // with trailing "/"
std::string SafeTempFolder(); // same here: no fixed shared folder is ever used

// ---- files (text is UTF-8 in memory; see text_file.h for charsets) -------------------
// Whole file as text, every line (the last included) ended by CR LF. charset: the
// fallback when the text declares none (empty: UTF-8 when valid, else Windows-1252).
std::string LoadTextFile(const std::string& fileName, const std::string& charset = "");
// The text LoadTextFile gives for a file of these bytes.
std::string TextOfBytes(std::string_view bytes, const std::string& charset = "");
// Text with every line (the last included) ended by CR LF, as LoadTextFile gives it.
std::string NormaliseLineEnds(std::string_view text);
// Writes text with CR LF line ends in charset (empty: UTF-8), atomically; clears a
// read-only permission first. Throws EParvaneError on failure.
bool SaveTextFile(std::string_view text, const std::string& fileName,
                  const std::string& charset = "");
bool DeleteFolder(const std::string& path);
bool CopyFolder(const std::string& from, const std::string& to);

} // namespace parvane::StringFunc
