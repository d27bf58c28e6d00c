#pragma once
// The open topic: the state of the page shown on the right of the main window and the
// rules that need no widget. Its text travels between the Edit, Source and Preview tabs
// through one page-text buffer; it counts as changed by the rules below; it is saved with
// the topic's title and in its own charset; a new page starts from a starter file; the
// preview may wrap it in the HTML Help template; an outside change is offered for reload.
// The editor pane holds one TOpenTopic and asks these functions what to do.

#include "model/project_file.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace parvane {

class TTemplate;

// The questions, hints and fixed texts of topic editing, as the author reads them.
namespace TopicTexts {
inline constexpr const char* Unsaved = "(unsaved)";
inline constexpr const char* NoLink = "(no-link)";
inline constexpr const char* ReloadQuestion =
    "This file has been modified outside of this application. Do you want to reload it?";
inline constexpr const char* EditorHint = "For editor: Press Shift-Enter to insert a line break";
inline constexpr const char* TreeHint =
    "For table of Contents: Ctrl+Click to multi-select; Shift+Click to section-select";
inline constexpr const char* SaveDialogTitle = "Save";
inline constexpr const char* KeywordsLabel = "Keywords: (List the keywords to create Index)";
inline constexpr const char* ContextLabel = "Context sensitive number (Only numerals):";
inline constexpr const char* NoTemplateBox = "Don't apply template to this page";
// "The topic "<title>" has been changed, save it?"
std::string SwitchQuestion(std::string_view title);
// Asked before an external editor opens a page that is new (unsaved) or changed.
std::string ExternalEditorQuestion(std::string_view title, bool unsaved);
// The question after a template's tag check found tags missing: the check's lines, then
// the wording for the source view or the editing view, then "Would you like to save the
// template?".
std::string TemplateTagQuestion(std::string_view missingTags, bool fromSource);
} // namespace TopicTexts

// The four tabs, in their order.
enum class TEditorTab { Edit = 0, Source = 1, Preview = 2, TopicOptions = 3 };

using TFileTime = std::filesystem::file_time_type;

// ---- pages and addresses ------------------------------------------------------------------

// The page's full path: the root folder plus Url, or Url itself when it is absolute.
std::string TopicPagePath(const std::string& rootFolder, const std::string& url);
// ".htm" or ".html", letter case ignored.
bool IsHtmlPagePath(std::string_view path);
// What the URL box shows for a topic: its Url, "(unsaved)" or "(no-link)".
std::string UrlBoxText(const TLeftTreeData& data);
// Applies a text typed into the URL box: "(unsaved)" and "(no-link)" set that status and
// empty Url, anything else links the page. False when the text is what the box shows
// already (nothing changed).
bool ApplyUrlBoxText(TLeftTreeData& data, std::string_view text);
// The keywords box, the context-number box and "Don't apply template to this page" are
// enabled only for a linked page whose URL box holds a relative path (not "/...", "\\..."
// nor anything with ":").
bool TopicOptionsEnabled(int loadedStatus, std::string_view urlBoxText);
// Keeps only the digits 0-9: what the context-number box accepts.
std::string DigitsOnly(std::string_view text);
// Keywords: one per line in the box, CR LF separated in the record.
std::string KeywordsFromBox(std::string_view boxText);
std::string KeywordsToBox(std::string_view keywords);

// The file name the first save of a new page proposes: the title with \ / : * ? " < > |
// turned into "_", then ".htm" ("untitled.htm" for a blank title).
std::string ProposedPageFileName(std::string_view title);

// ---- reading and writing pages ------------------------------------------------------------

struct TPageFile {
    std::string Text;    // UTF-8, lines ended by CR LF
    std::string Charset; // the charset the bytes were read in
};
// Reads a page in the charset it declares, else the project's Encoding, else UTF-8 when
// the bytes are valid UTF-8, else Windows-1252. Throws EParvaneError when it cannot be read.
TPageFile ReadPageFile(const std::string& path, const std::string& projectEncoding);
// The charset a page is saved in: what its text declares now, else the charset it was read
// in, else the project's Encoding, else UTF-8. Unknown names are passed over.
std::string PageSaveCharset(std::string_view text, std::string_view readCharset,
                            std::string_view projectEncoding);
// The text written for a topic: its <title> becomes the topic's title, except in templates
// (whose title holds "($title$)") and in pages without both title tags. The title goes
// in HTML-escaped.
std::string PageTextForSaving(std::string_view text, std::string_view title, bool isTemplate);
// The file's last-write time, or nothing when there is no such file.
std::optional<TFileTime> PageFileTime(const std::string& path);

// The starting content of a new page, and the folder its relative addresses resolve from.
struct TBlankPage {
    std::string Text;
    std::string BaseFolder; // with trailing "/"
};
// A template starts from "newtemp.htm" of the program folder; an ordinary topic from
// "new.htm" when the project's DefaultTemplate is on, else from its CustomTemplate (a
// relative name is looked up below the root folder). "($CHARSET$)" in the starter files
// becomes the project's charset. Throws EParvaneError when the starter cannot be read.
TBlankPage BlankPageText(const TPvx& project, bool isTemplate, const std::string& appDir);

// ---- the preview ---------------------------------------------------------------------------

// Whether the preview wraps the page in the HTML Help template.
bool PreviewUsesTemplate(bool previewWithTemplate, const TLeftTreeData& data, const TPvx& project);
// The text between the body's start and end tags, line breaks kept: a line break is a
// space in HTML (and a line in <pre>), so taking it out would run words together.
std::string PageBodyText(std::string_view html);
// The template rebased for the page's folder with the page's body and the topic's title.
std::string PreviewWithTemplate(const TTemplate& htmlHelpTemplate, std::string_view pageText,
                                std::string_view title, const std::string& pageFolder);

// ---- previous and next topic ---------------------------------------------------------------

// The node just above or below in the whole tree (depth first), or nullptr when there is
// none or it is a group.
TTopicNode* PreviousTopic(const TTopicNode* node);
TTopicNode* NextTopic(const TTopicNode* node);

// ---- the state of the open topic -----------------------------------------------------------

class TOpenTopic {
public:
    std::string PageText;
    bool PageModified = false;
    bool SourceChanged = false;
    int LoadedStatus = tsNoLink;
    std::string PagePath;
    std::optional<TFileTime> PageFileTime; // nothing: unset
    std::string PageCharset;               // the charset the page was read in
    // The editor's own change tracking: the body as loaded, and whether the body has
    // differed from it since (undoing back to it leaves the flag set).
    bool EditorModified = false;
    std::string BodySnapshot;

    // Starts over for a topic being shown.
    void Reset(int loadedStatus, std::string pagePath);

    bool IsTopicModified(TEditorTab activeTab) const;
    // Leaving a tab (or saving from it) takes its text.
    void TakeFromSource(std::string text);
    void TakeFromEditor(std::string documentHtml);
    // Entering a tab puts the page text into it, unless the editor is disabled or the
    // topic has no page.
    bool EntersTab(bool editorEnabled) const;
    // A page written to disk: nothing is pending any more.
    void MarkSaved();

    // The editing view finished loading a document.
    void DocumentCompleted(std::string body);
    // The editing view changed its display: compares the body with the snapshot unless
    // the flag is set already or the view is busy. body is asked for only when needed.
    void DisplayChanged(bool editorBusy, const std::function<std::string()>& body);

    // The idle-time monitor's part: takes a change of the active tab into page modified
    // (the editor's flag not while it is busy); tells whether the save buttons are enabled
    // and whether the project is to be marked modified.
    struct TMonitorResult {
        bool SaveButtons = false;
        bool MarkProjectModified = false;
    };
    TMonitorResult Monitor(TEditorTab activeTab, bool editorBusy);
};

// The status bar's first panel.
std::string StatusHint(bool treeFocused, bool editorEnabled, bool editorBusy, bool documentFocused);

// Whether the external editor may start at once, or the page has to be saved first.
bool ExternalEditorNeedsSave(int loadedStatus, bool topicModified);

// The reload question after an outside change: asked when the application becomes
// active, at most once per activation, and only for a linked page whose file still exists
// and whose time stamp differs from the one it was loaded with.
class TReloadWatch {
public:
    bool Activated(const TOpenTopic& topic, bool editorEnabled,
                   const std::optional<TFileTime>& currentTime);
    void Deactivated() { asked_ = false; }

private:
    bool asked_ = false;
};

} // namespace parvane
