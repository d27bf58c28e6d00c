#pragma once
// The editor's commands on tables, pictures, hyperlinks and the page, one call each, for
// the toolbar buttons, the table menu and the context menu of the WYSIWYG editor. Every
// dialog is created for one use and runs through IDialogs::Exec, so tests drive it.

#include <functional>
#include <string>

class QWidget;

namespace parvane {

class IDialogs;
class TDHTMLEditOperation;
class THtmlEditComponent;
class TPvx;

// What the editor's dialogs need from the window that opens them.
struct TEditorDialogHost {
    QWidget* Parent = nullptr;
    THtmlEditComponent* Editor = nullptr;
    IDialogs* Dialogs = nullptr;
    // The root folder, and the topics the hyperlink dialog's topic picker offers.
    const TPvx* Project = nullptr;
    // The status of the topic being edited: 1 (never saved) has no folder to browse from.
    int TopicStatus = 0;
    // The folder of the pictures inserted last; kept by the editor, cleared when a project
    // is opened. May be null.
    std::string* LastPictureFolder = nullptr;
};

// Each returns whether it wrote into the document.

// Insert table (button 4100): builds the table's HTML and pastes it over the selection.
bool RunInsertTableDialog(const TEditorDialogHost& host);
// Table properties (context menu): the table around the current element.
bool RunTablePropertiesDialog(const TEditorDialogHost& host);
// Cell properties (context menu): the cell at the current element and its four scopes.
bool RunCellPropertiesDialog(const TEditorDialogHost& host);
// Append row and append column (4109, 4110): no dialog, the table around the caret.
bool AppendTableRow(THtmlEditComponent& editor);
bool AppendTableColumn(THtmlEditComponent& editor);

// Insert picture (button 4107): the picture file dialog, then the pictures at the caret.
bool RunInsertPicture(const TEditorDialogHost& host);
// Image properties (context menu): the selected picture.
bool RunPicturePropertiesDialog(const TEditorDialogHost& host);
// Insert hyperlink (button 4108, context menu): a new link, or the link around the caret.
bool RunHyperlinkDialog(const TEditorDialogHost& host);
// Page properties (context menu): the body's background, colours and margins.
bool RunPagePropertiesDialog(const TEditorDialogHost& host);

// Points every dialog hook of the editing operations at the commands above. host() is
// asked at each command for the window, project and topic of the moment; an editor or
// last picture folder it leaves unset is the operations' own.
void ConnectEditorDialogs(TDHTMLEditOperation& operation, std::function<TEditorDialogHost()> host);

} // namespace parvane
