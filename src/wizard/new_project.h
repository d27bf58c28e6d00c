#pragma once
// Creating a project without windows: what the new-project wizard collects, the folder
// import that turns existing pages into a table of contents, and the starter contents.

#include "model/project_file.h"

#include <functional>
#include <string>

namespace parvane {

// Title modes of the import.
enum TitleMode { tmHtmlTitle = 1, tmNameWithoutExtension = 2, tmFileName = 3 };

struct TNewProjectOptions {
    std::string Title = "New HTML Help";
    std::string RootFolder;
    bool DefaultTemplate = true;
    std::string CustomTemplate;
    std::string Encoding = " Windows-1252"; // the part of the list entry after ";"
    bool Import = false;
    bool KeepStructure = true;
    int TitleMode = tmHtmlTitle;
    // With KeepStructure: a sub-folder's index.htm or index.html becomes the page of the
    // folder's heading instead of a topic below it.
    bool FolderIndex = false;
};

// Called with each imported file's full path; the desktop shows it in "Searching".
using ImportProgress = std::function<void(const std::string&)>;

// The first free "Project<N>" folder below the user's projects folder, or "".
std::string SuggestProjectFolder();
std::string SuggestProjectFolder(const std::string& projectsFolder);
// True when folder or any folder below it holds a .htm or .html file.
bool ContainsHtmlFiles(const std::string& folder);
// Appends a topic for every page below folder to parent, in name order (natural_order.h),
// files and folders mixed. With keepStructure a sub-folder becomes a heading, made only
// when some page lies below it. Sets the project's default topic to the first imported
// page when it has none.
void ImportFolder(TPvx& project, TTopicNode* parent, const std::string& folder, int depth,
                  int titleMode, bool keepStructure, const ImportProgress& progress = {});
void ImportFolder(TPvx& project, TTopicNode* parent, const std::string& folder, int depth,
                  int titleMode, bool keepStructure, bool folderIndex,
                  const ImportProgress& progress = {});
// Resets the project, copies the options into it, creates the root folder, then imports
// or creates the starter table of contents. Leaves the project untitled and Modified.
void NewProject(TPvx& project, const TNewProjectOptions& options,
                const ImportProgress& progress = {});

} // namespace parvane
