#pragma once
// How the editor's picture and hyperlink commands turn a chosen file into an address in
// the page, and back: files below the project's root folder are addressed relative to the
// page with "/" separators; files elsewhere by a "file:" address or, for pictures, after a
// copy into the project. The questions and file dialogs stay with the desktop, which hands
// them in as callbacks.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

namespace AddressTexts {
inline constexpr const char* UnsavedTopic = "This function is unavailable for unsaved topic!";
inline constexpr const char* PicturesOutsideRoot =
    "The pictures you selected are outside of the root folder. You should copy then into the "
    "root folder or its subfolders. \r\nWould you like to copy them there now?";
inline constexpr const char* PictureOutsideRoot =
    "The picture you selected is outside of the root folder. You should copy it into the root "
    "folder or its subfolders. \r\nWould you like to copy it there now?";
inline constexpr const char* BlankSpacesPlural =
    "Some picture filenames have blank spaces that may cause problems when printing the chm "
    "file! We don't recommend you to use this kind of filename.";
inline constexpr const char* BlankSpacesSingular =
    "Blank spaces in picture filename may cause problems when printing the chm file! We don't "
    "recommend you to use this kind of filename.";
inline constexpr const char* PictureFilter =
    "All (*.gif;*.jpg;*.jpeg;*.png;*.bmp)|*.gif;*.jpg;*.jpeg;*.png;*.bmp|CompuServe GIF Image "
    "(*.gif)|*.gif|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps "
    "(*.bmp)|*.bmp|PNG Image File (*.png)|*.png";
inline constexpr const char* AllFilesFilter = "All file(*.*)|*.*";
inline constexpr const char* HtmlFileFilter = "HTML file (*.html, *.htm)|*.html;*.htm";
inline constexpr const char* SelectPicturesTitle = "Select pictures";
inline constexpr const char* SelectImageTitle = "Select image";
inline constexpr const char* SaveAsTitle = "Save as";
inline constexpr const char* SelectHtmlTitle = "Select";
inline constexpr const char* HyperlinkCaption = "Insert Hyperlink";
} // namespace AddressTexts

// ---- the unsaved-topic guard ------------------------------------------------------------

// Whether a command may open a file dialog for the topic: not for an unsaved page (status
// 1), whose folder is not known yet. The desktop shows AddressTexts::UnsavedTopic otherwise.
bool FileDialogAllowed(int topicStatus);

// ---- address rules ----------------------------------------------------------------------

// The address of file from a page in pageFolder: relative, with "../" steps and "/".
std::string RelativeAddress(std::string_view file, std::string_view pageFolder);
// The file an address in a dialog stands for: resolved against the page folder with its
// ".." steps collapsed (native path). A "file:" address gives its path, an absolute path
// itself; other schemes ("http:", "mailto:") and empty addresses give "". A "#fragment"
// or "?query" is not part of the file.
std::string ResolveAddress(std::string_view address, std::string_view pageFolder);
// Whether file's full path begins with the root folder's path, with or without regard to
// case (the hyperlink and picture-properties dialogs compare with case, inserting
// pictures without).
bool LiesBelowRoot(std::string_view file, std::string_view rootFolder, bool caseSensitive);
// The "file:" address of a native absolute path, as chosen ("/home/a b.png" ->
// "file:///home/a b.png"); a path without a leading "/" gets "file:///" in front.
std::string FileUrl(std::string_view path);
bool HasBlankSpace(std::string_view address);

// Where a browse dialog opens: the file the address names when it exists, else the last
// picture folder, else the root folder.
struct TBrowseStart {
    std::string FileName; // "" when the address names no existing file
    std::string Folder;
};
TBrowseStart BrowseStart(std::string_view address, std::string_view pageFolder,
                         std::string_view lastPictureFolder, std::string_view rootFolder);

// ---- pictures ---------------------------------------------------------------------------

// The desktop's side of a picture choice outside the root folder.
struct TPictureCopyDialogs {
    // The question whether to copy (plural or singular text); true is Yes.
    std::function<bool()> AskCopy;
    // The save dialog, opened on proposedPath (the page folder and the file's name); the
    // chosen path, or nothing when cancelled.
    std::function<std::optional<std::string>(const std::string& proposedPath)> SaveAs;
};

struct TPictureInsertion {
    std::string Html;               // the picture elements side by side
    bool BlankSpaceWarning = false; // show AddressTexts::BlankSpacesPlural once
    std::string LastPictureFolder;  // the folder of the first chosen file
};
// Insert picture with the chosen files. The first file decides: below the root folder
// (without regard to case) every file is addressed relative to the page; otherwise the
// copy question is asked once: No addresses every file by "file:", Yes copies each file
// through the save dialog and addresses the copy. A file whose save dialog is cancelled
// is left out. Throws EParvaneError when a copy fails (nothing is inserted then).
TPictureInsertion InsertPictures(const std::vector<std::string>& files, std::string_view rootFolder,
                                 std::string_view pageFolder, const TPictureCopyDialogs& dialogs);

struct TBrowsedAddress {
    std::string Address;
    bool BlankSpaceWarning = false; // show AddressTexts::BlankSpacesSingular
};
// "Browser" of the picture dialog (and "..." of the page dialog, which shows no warning):
// below the root (with regard to case) the relative address; otherwise the singular
// question: No gives the "file:" address, Yes copies through the save dialog. Nothing when
// the save dialog is cancelled. Throws EParvaneError when the copy fails.
std::optional<TBrowsedAddress> BrowsedPictureAddress(std::string_view file,
                                                     std::string_view rootFolder,
                                                     std::string_view pageFolder,
                                                     const TPictureCopyDialogs& dialogs);

// <img src="address">
std::string PictureElementHtml(std::string_view address);

// ---- hyperlinks --------------------------------------------------------------------------

// "HTML file": the relative address below the root (with regard to case), else "file:".
std::string HyperlinkFileAddress(std::string_view file, std::string_view rootFolder,
                                 std::string_view pageFolder);
// "Email address": "mailto:" and a placeholder the box selects, so typing replaces it.
inline constexpr const char* MailtoPrefix = "mailto:";
inline constexpr const char* MailPlaceholder = "name@domain"; // eleven characters
// "Internet address": the caret goes after the prefix.
inline constexpr const char* InternetPrefix = "http://";

// "Internal page": the address handed to the topic picker (root-relative, "\"): an address
// with ":" only gets its "/" turned into "\"; another is resolved against the page folder
// and made relative to the root.
std::string AddressToPickerUrl(std::string_view address, std::string_view rootFolder,
                               std::string_view pageFolder);
// ...and back: an address with ":" stays; another is a topic Url below the root, made
// relative to the page folder with "/".
std::string PickerUrlToAddress(std::string_view url, std::string_view rootFolder,
                               std::string_view pageFolder);

// Whether a link's "target" opens a new window ("_blank" without regard to case).
bool OpensInNewWindow(std::string_view target);
// OK on an existing link with this address removes the link, keeping its content.
bool AddressRemovesLink(std::string_view address);
// The start tag of a new link: <a href="address"> or, for a new window,
// <a href="address" target="_blank" >. The address is HTML-encoded for the attribute, so
// a typed quote cannot end it early.
std::string NewLinkStartTag(std::string_view address, bool newWindow);
// A new text link: the start tag, the text (plain text, HTML-encoded as it is when an
// existing link's text is replaced) and "</a>".
std::string NewLinkHtml(std::string_view address, std::string_view text, bool newWindow);
// A new link around a picture: start tag, the picture (its border already "0"), "</a>".
std::string LinkAroundPictureHtml(std::string_view address, bool newWindow,
                                  std::string_view pictureOuterHtml);

} // namespace parvane
