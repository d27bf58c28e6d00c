#pragma once
// The application's own options, shared by all projects: the source box's font, whether
// the preview wraps pages in the HTML Help template, the font names the editor offers and
// the external HTML editors with a default one. They live in options.ini: read from the
// user's configuration folder, else from the program folder's copy; always written to the
// user's folder (the program folder is read-only when installed).
//
// Also here: the rules of the "Environment Options" dialog that need no widget (moving
// selected rows, sorting, the font lists) and the detection of installed HTML editors from
// the desktop's application entries (.desktop files whose MimeType holds text/html).

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TIniFile;

namespace OptionsTexts {
inline constexpr const char* Caption = "Environment Options";
inline constexpr const char* PageGeneral = "General";
inline constexpr const char* PageFontList = "Font list";
inline constexpr const char* PageEditors = "External eidtors";
// The last item of the editor's font box; choosing it opens the "Font list" page.
inline constexpr const char* EditListItem = "Edit list...";
// The last entry of the external-editor drop-down, with its id.
inline constexpr const char* EditListEntry = "Edit List...";
inline constexpr int EditListId = 123;
inline constexpr const char* EditWith = "Edit with ";
} // namespace OptionsTexts

// ---- the source font ---------------------------------------------------------------------

// The source box's font. Color is the file's colour value: 0x00BBGGRR (red in the low
// byte); negative values name system colours, which the desktop shows as the default text
// colour.
struct TSourceFont {
    std::string Name;
    int Size = 10;
    int Color = 0;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    bool operator==(const TSourceFont&) const = default;
};

// "Courier New,10,0,[BI]": name, size, colour, and the style letters B I U S in brackets.
std::string FontToString(const TSourceFont& font);
// Applies a font string: only a string of exactly four comma-separated parts is applied
// (returns false and leaves font as it is otherwise). A size or colour that is not a
// decimal integer (or a size below 1) keeps the font's own; style letters count anywhere
// in the fourth part.
bool ApplyFontString(std::string_view text, TSourceFont& font);
// Colour values of the file from and to red, green, blue (0..255 each).
int ColorValueFromRgb(int red, int green, int blue);
// False for a system colour (a negative value); the channels are then left alone.
bool ColorValueToRgb(int value, int& red, int& green, int& blue);

// ---- options.ini -----------------------------------------------------------------------------

struct TAppOptions {
    std::string SourceFont;           // the font string as stored ("" when unset)
    bool PreviewWithTemplate = true;  // the preview wraps pages in the HTML Help template
    std::vector<std::string> Fonts;   // section FONTLIST, in file order
    std::string DefaultEditor;        // section ExternalEditor, key Default
    std::vector<std::string> Editors; // "Editor" + i: a program path or a command with "%1"
    bool operator==(const TAppOptions&) const = default;
};

// $XDG_CONFIG_HOME/parvane/options.ini, where the options are written.
std::string UserOptionsFile();
// <program folder>/options.ini, the copy read when the user has none.
std::string ProgramOptionsFile();
// True while the user has no options file: the program's first start, on which the
// installed editors are detected (DetectAndStoreEditors).
bool IsFirstStart();

// Values from a parsed file; a missing or malformed key gives its default, and a Count
// larger than the keys its section holds is cut down to them.
TAppOptions ParseOptions(const TIniFile& ini);
// The options of the file at path; a missing or unreadable file gives all defaults.
TAppOptions ReadOptionsFile(const std::string& path);
// The options the program runs with: the user's file, else the program folder's copy,
// else the defaults.
TAppOptions LoadOptions();
// The whole file: [General], [FONTLIST], [ExternalEditor] in this order, each followed by
// one empty line, lines ended by CR LF. Whatever else an old file held is gone.
std::string OptionsToText(const TAppOptions& options);
// Writes the whole file atomically, creating the folder; throws EParvaneError on failure.
void SaveOptions(const TAppOptions& options, const std::string& path = UserOptionsFile());

// The items of the editor's font box: the fonts, then "Edit list...".
std::vector<std::string> FontBoxItems(const TAppOptions& options);

// ---- lists with selected rows (the dialog's "Up", "Down", "Delete", ">", "<", "Sort") -----

struct TSelectableList {
    std::vector<std::string> Items;
    std::vector<bool> Selected; // one flag per item (missing flags count as unselected)

    TSelectableList() = default;
    explicit TSelectableList(std::vector<std::string> items);
    bool IsSelected(std::size_t i) const { return i < Selected.size() && Selected[i]; }
    void ClearSelection();
};

// Every selected row that is not the first and has no selected row above it changes place
// with that row, walking from the top; a selected block at the top stays.
void MoveSelectedUp(TSelectableList& list);
// The same downwards, walking from the bottom.
void MoveSelectedDown(TSelectableList& list);
// Deletes the selected rows, then selects the row at the first deleted position, or the
// last row when that position is past the end.
void DeleteSelected(TSelectableList& list);
// Sorts the rows alphabetically (without regard to case); the selection moves with them.
void SortItems(TSelectableList& list);
// ">" (all = false) and ">>" (all = true): the (selected) rows of from go to the end of to,
// selected there. With keepSorted the rows are placed in to's alphabetical order instead
// ("<" and "<<" back into the sorted list of all fonts).
void MoveRows(TSelectableList& from, TSelectableList& to, bool all, bool keepSorted = false);
// The "All fonts:" list: the installed fonts, sorted, without the current ones.
std::vector<std::string> AvailableFonts(std::vector<std::string> installed,
                                        const std::vector<std::string>& current);

// ---- external editors ---------------------------------------------------------------------

// The program file a command line names: a double quote toggles quoting and is dropped; a
// blank outside quotes ends the path. Leading blanks are skipped.
std::string ExtractProgramPath(std::string_view commandLine);

// The full path of an editor entry's program: as written when it holds a "/", else found
// on $PATH; "" when there is none.
std::string EditorProgramPath(std::string_view entry);
// Whether an entry's program file exists (entries without one get no drop-down entry).
bool EditorProgramExists(std::string_view entry);

// An application entry of the desktop (a .desktop file).
struct TDesktopApp {
    std::string Id;      // the desktop file id, e.g. "org.gnome.gedit.desktop"
    std::string File;    // the .desktop file
    std::string Name;    // "Name", the description shown for the editor
    std::string Icon;    // "Icon", a theme icon name or a path (QIcon::fromTheme)
    std::string Entry;   // its Exec as an editor entry: the program's full path alone, or a
                         // command line with "%1" where the file goes
    std::string Program; // the program's full path ("" when it cannot be found)
    std::vector<std::string> MimeTypes;
    std::vector<std::string> Categories;
};

// The folders searched for application entries, in precedence order:
// $XDG_DATA_HOME/applications (default ~/.local/share) and every
// $XDG_DATA_DIRS/applications (default /usr/local/share:/usr/share).
std::vector<std::string> DesktopApplicationDirs();
// The visible application entries (a file id found first hides later ones; Hidden entries,
// entries of another Type and entries whose TryExec is missing are left out). With a MIME
// type, only the entries that list it.
std::vector<TDesktopApp> ReadDesktopApps(std::string_view mimeType = {});
// The Exec line of a desktop entry as an editor entry: field codes %f %F %u %U become "%1"
// (at most one file is passed), %c the name, %k the file; %i and deprecated codes go.
// Returns "" for a line that cannot be written as an editor entry.
std::string DesktopExecToEntry(std::string_view exec, std::string_view name,
                               std::string_view desktopFile);

// Appends the editors registered for a file extension (".htm", ".html", ".xhtml" ...):
// the applications whose MimeType lists the extension's type, web browsers left out.
void DetectHtmlEditors(std::string_view extension, std::vector<std::string>& out);

// The editors DetectAndStoreEditors keeps from the detected entries: sorted, without
// duplicates and without entries whose program does not exist, and the automatic default:
// a well-known HTML editor, else a well-known text editor (the last one in sorted order).
struct TDetectedEditors {
    std::vector<std::string> Editors;
    std::string Default;
};
TDetectedEditors ChooseDetectedEditors(std::vector<std::string> detected);
// "Detect" of the dialog: appends every found entry whose program exists and that is not
// yet in list. Returns how many were added.
int AppendDetectedEditors(std::vector<std::string>& list, const std::vector<std::string>& found);
// Detects the editors for ".htm" and ".html" and replaces the ExternalEditor section of the
// options (the rest as LoadOptions reads it), written to the user's file. Returns them.
TAppOptions DetectAndStoreEditors(const std::string& path = UserOptionsFile());

// The description of a program: the Name of the application entry that runs it, or "".
std::string GetProgramDescription(std::string_view programPath);
// What the desktop shows for an editor entry: the application entry whose Exec gives this
// entry (else the first that runs its program) supplies the description and icon name.
struct TEditorInfo {
    std::string Description;
    std::string IconName;
};
TEditorInfo DescribeEditor(std::string_view entry);
// The same against entries read once (ReadDesktopApps()), for describing a whole list.
TEditorInfo DescribeEditor(std::string_view entry, const std::vector<TDesktopApp>& apps);
// The drop-down caption: "Edit with " and the description, or the program's file name when
// there is no description.
std::string EditorMenuCaption(std::string_view entry, std::string_view description);

} // namespace parvane
