#pragma once
// What the WYSIWYG editor may leave in a page and must never reach the saved file: the
// editing switch on the body, spell-check marks on it, the attributes and class names the
// editor script uses to find elements, its display-option style sheet, and the empty style
// attributes that browser editing leaves behind. Removed from the HTML text itself so that
// every byte the author wrote elsewhere stays as it was.

#include <string>
#include <string_view>

namespace parvane {

// Prefix of every attribute ("data-parvane-...") and class name ("parvane-...") the editor
// script may add; the id of its style element.
inline constexpr std::string_view EditorAttributePrefix = "data-parvane-";
inline constexpr std::string_view EditorClassPrefix = "parvane-";
inline constexpr std::string_view EditorStyleId = "parvane-edit-style";

// The HTML without editor artefacts. Text, comments, script and style contents and every
// tag without an artefact are copied unchanged; malformed markup is copied as it is.
std::string RemoveEditorArtefacts(std::string_view html);

} // namespace parvane
