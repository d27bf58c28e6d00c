#pragma once
// The root folder a new project is made in: checked while the wizard is still open, and
// searched for pages in the background as the author types it.

#include <atomic>
#include <string>

namespace parvane {

// The folder the text names (home expanded, made absolute and normal), created with its
// missing parents. Throws EParvaneError with the message the wizard shows when the text is
// empty, names a file, or the folder cannot be created. Nothing is created for a refusal.
std::string MakeRootFolder(const std::string& text);

// Whether folder or a folder below it holds a .htm or .html file; gives up (false) as soon
// as cancel is set, so a search of a large tree can be dropped when the text changes.
bool ContainsHtmlFiles(const std::string& folder, const std::atomic<bool>& cancel);

} // namespace parvane
