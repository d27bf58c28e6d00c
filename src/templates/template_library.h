#pragma once
// The library of prebuilt templates shipped in the program folder ("templates", indexed by
// templates.ini), copying one into a project as a new template topic, and the commands that
// make a template topic the HTML Help or Web Help template or drop both.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TIniFile;
class TPvx;
class TTopicNode;

namespace TemplateTexts {
inline constexpr const char* NoName = "No name";
inline constexpr const char* DefaultFileName = "index.htm";
inline constexpr const char* PrebuiltItem = "Prebuilt  template"; // two blanks
inline constexpr const char* FolderCaption = "Folder";
inline constexpr const char* ProposedFolder = "template";
inline constexpr const char* Collision = "Filename collision! Please try another folder name.";
inline constexpr const char* FolderOutsideRoot =
    "Please enter the name of a folder inside the root folder.";
inline constexpr const char* AskSetDefault =
    "Set this template as default HTML help(CHM) template?";
inline constexpr const char* RefuseUnsaved = "Cannot set an unsaved topic as default.";
inline constexpr const char* RefuseNoLink = "Cannot set a no-link topic as default.";
} // namespace TemplateTexts

// ---- the library -----------------------------------------------------------------------------

struct TTemplateEntry {
    std::string Name = TemplateTexts::NoName;
    std::string Img;  // preview picture, relative to the library folder ("" for none)
    std::string Path; // the template's subfolder, relative to the library folder
    std::string FileName = TemplateTexts::DefaultFileName; // the main page in the subfolder
    bool operator==(const TTemplateEntry&) const = default;
};

// <program folder>/templates/ (with a trailing "/").
std::string TemplateLibraryFolder();
// Sections "Template1", "Template2", ... in number order, stopping at the first missing one.
std::vector<TTemplateEntry> ParseTemplateIndex(const TIniFile& ini);
// The entries of libraryFolder's templates.ini; none when it is missing or unreadable.
std::vector<TTemplateEntry> LoadTemplateLibrary(const std::string& libraryFolder);
// The preview picture of an entry (native path), or "" when it has none.
std::string TemplatePreviewFile(const std::string& libraryFolder, const TTemplateEntry& entry);

// ---- copying ---------------------------------------------------------------------------------

// The first file of the source tree that already exists at its place below target, or "".
// Only files count: an existing folder without clashing files is no collision.
std::string FindCopyCollision(const std::string& source, const std::string& target);
// Copies the source tree below target (created with its parents), overwriting files.
// Throws EParvaneError when a folder cannot be created or a file cannot be copied.
void CopyFolderTree(const std::string& source, const std::string& target);

// Replaces "($charset$)" (in any letter case) by the charset the page is written in: the
// encoding trimmed, or "UTF-8" when it is blank.
std::string ReplaceCharsetTag(std::string_view text, std::string_view encoding);

// The prompt of the folder question: "Copy template to:", a line break and the root.
std::string CopyTemplatePrompt(const std::string& rootFolder);
// Whether a folder name the author typed stays inside the root folder: not empty, not
// absolute, no ".." step.
bool IsFolderNameInsideRoot(std::string_view folderName);

// The folder question: shows the proposal and returns the name typed, or nothing on Cancel.
using TFolderQuestion = std::function<std::optional<std::string>(const std::string& proposal)>;
// Shows a message with an OK button.
using TMessageBox = std::function<void(const std::string& message)>;
// Asks for the folder to copy a template into, proposing "template", until the copy of
// source into root + name would overwrite no file. A refused name shows the collision
// message (or the message for a name outside the root) and is proposed again. Nothing
// when the author cancels.
std::optional<std::string> AskTemplateFolder(const std::string& source,
                                             const std::string& rootFolder,
                                             const TFolderQuestion& ask, const TMessageBox& show);

// Copies the entry's folder to root + folderName and writes its main page again with
// ReplaceCharsetTag applied and in the project's encoding; returns the new topic's Url
// (folderName "\" FileName). Throws EParvaneError on a failed copy or write.
std::string CopyTemplateToProject(const TTemplateEntry& entry, const std::string& libraryFolder,
                                  const std::string& rootFolder, const std::string& folderName,
                                  const std::string& encoding);
// The whole "Prebuilt  template" item after the folder question: copies the entry, adds
// the template topic to the "Templates" group (insertMode as AddTopicNode takes it; a mode
// relative to a selected topic outside the group appends to the group), updates the images
// and marks the project modified. Returns the new topic; the desktop selects it and asks
// TemplateTexts::AskSetDefault (Yes: SetAsHtmlHelpTemplate).
TTopicNode* AddPrebuiltTemplate(TPvx& project, const TTemplateEntry& entry,
                                const std::string& libraryFolder, const std::string& folderName,
                                int insertMode);

// ---- the template commands -------------------------------------------------------------------

// The refusal for making a topic a template: the message for an unsaved or a no-link
// topic, "" when it may be one.
std::string TemplateRefusal(const TTopicNode* node);
bool CanBeTemplate(const TTopicNode* node);
// "Set as HTML help template": HtmlHelpTemplate := the topic's Url. Throws EParvaneError
// with the refusal.
void SetAsHtmlHelpTemplate(TPvx& project, TTopicNode* node);
// "Set as Web help template": WebHelpTemplateSame := false, WebHelpTemplate := its Url.
void SetAsWebHelpTemplate(TPvx& project, TTopicNode* node);
// "Don't use any template": both settings emptied; topics and files stay.
void DontUseAnyTemplate(TPvx& project);

} // namespace parvane
