#pragma once
// The EPUB 3 output: one XHTML content document per page of the table of contents, the
// navigation document made from the contents, the keywords as an index page, and every
// picture and style sheet the pages use, packed into one .epub (libzip). The branch itself
// is BuildEpubBranch (build_driver.h).

#include "model/project_file.h"

#include <string>
#include <string_view>

namespace parvane {

// A language tag ("en-US") for the project's Language setting: an HTML Help language
// identifier ("0x0409") or already a tag. "en" when unknown or empty.
std::string EpubLanguage(std::string_view language);

// "urn:uuid:..." made from the project's file name and title: the same project keeps its
// identifier from build to build, two projects differ.
std::string EpubIdentifier(const TPvx& project);

// A package path segment with only letters, digits, ".", "-", "_" and non-ASCII letters;
// other characters (spaces, "#", "%", ...) become "_".
std::string EpubSafeName(std::string_view name);

// The relative reference from a document in folder fromFolder ("" or "a/b/") to path, both
// inside the package.
std::string EpubRelative(std::string_view fromFolder, std::string_view path);

} // namespace parvane
