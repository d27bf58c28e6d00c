#pragma once
// The editor's command set over the WYSIWYG component: the two toolbar rows above it, their
// drop-downs (colours, special characters, table commands, external editors), the context
// menu, the keyboard shortcuts, and the states of all of them following the caret.
//
// Every control that issues a command carries its id (editor/edit_command_ids.h and the
// program's own ids below) as the QAction's data, or as the "Tag" property of a combo box;
// handlers read the id from the control, so a drop-down button that takes over a menu
// entry's id repeats that entry.

#include "editor/gui/html_edit_dom.h"
#include "settings/app_options.h"

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QToolBar;
class QToolButton;

namespace parvane {

class IDialogs;
class THtmlEditComponent;

// The program's own command ids (below 5000; the component's own are in EditCmd).
namespace EditId {
inline constexpr int Component = 4000;
inline constexpr int ImageList = 4001;
inline constexpr int ShowBorders = 4002;
inline constexpr int ShowDetails = 4003;
inline constexpr int InsertTable = 4100;
inline constexpr int InsertLine = 4102;
inline constexpr int InsertBreak = 4103;
inline constexpr int SpecialChars = 4104;
inline constexpr int TableCommands = 4105;
inline constexpr int ExternalEditor = 4106;
inline constexpr int InsertPicture = 4107;
inline constexpr int InsertHyperlink = 4108;
inline constexpr int AppendRow = 4109;
inline constexpr int AppendColumn = 4110;
inline constexpr int CustomColor = -1;
} // namespace EditId

// The hint of a control by its id; nullptr for ids that leave the hint alone.
const char* EditCommandHint(int id);

struct TColorEntry {
    const char* Name;
    unsigned Rgb; // 0xRRGGBB
};
// The 22 colours of the two colour drop-downs, in menu order.
const std::array<TColorEntry, 22>& EditorColors();

struct TSpecialChar {
    int Id; // 1..8, the menu entry's id
    const char* Caption;
    const char* Html;
    const char* Glyph; // what the entry's image shows
};
const std::array<TSpecialChar, 8>& SpecialChars();

// The commands whose dialogs live elsewhere; unset ones do nothing.
struct TEditorDialogHooks {
    std::function<void()> InsertTable;       // 4100
    std::function<void()> InsertPicture;     // 4107
    std::function<void()> PictureProperties; // "Image properties..."
    std::function<void()> InsertHyperlink;   // 4108, and "Hyperlink..."
    std::function<void()> AppendRow;         // 4109
    std::function<void()> AppendColumn;      // 4110
    std::function<void()> CellProperties;    // "Cell properties..."
    std::function<void()> TableProperties;   // "Table properties..."
    std::function<void()> PageProperties;    // "Page properties..."
};

// The two toolbar rows, placed by the editor pane above the component.
class TEditorToolbars : public QWidget {
    Q_OBJECT
public:
    explicit TEditorToolbars(QWidget* parent = nullptr);
    QToolBar* tbEditor1;
    QToolBar* tbEditor2;
};

class TDHTMLEditOperation : public QObject {
    Q_OBJECT
public:
    // dialogs reports an external editor that cannot be started (may be nullptr).
    TDHTMLEditOperation(THtmlEditComponent* edit, IDialogs* dialogs = nullptr,
                        QObject* parent = nullptr);
    ~TDHTMLEditOperation() override;

    THtmlEditComponent* Edit() const { return edit_; }
    // The toolbar rows; the caller places them (they belong to it once placed).
    TEditorToolbars* Toolbars() const { return toolbars_; }

    // ---- helpers of the dialogs --------------------------------------------------------

    THtmlElement GetCurrentElement() const;
    // The nearest enclosing element with the tag (upper or lower case), never the element
    // itself. StopAtHtml: none while the component is busy, and the search ends at HTML;
    // StopAtBody: ends at BODY whatever the component is doing (the tables' and links' form).
    enum class TAncestorStop { StopAtHtml, StopAtBody };
    THtmlElement FindAncestor(const THtmlElement& element, std::string_view tag,
                              TAncestorStop stop = TAncestorStop::StopAtHtml) const;
    void InsertHtml(const std::string& html);
    std::string GetSelectedText() const;
    bool IsControlSelection() const;
    static std::string ColorToHtml(const QColor& color);

    // ---- state ------------------------------------------------------------------------

    bool PageModified() const { return pageModified_; }
    bool DocumentLoaded() const { return documentLoaded_; }
    std::string LastPictureFolder;
    QColor ForeColor() const { return foreColor_; }
    QColor BackColor() const { return backColor_; }

    // The font box's entries and the external editors (rebuilds the editor drop-down).
    void SetOptions(const TAppOptions& options);

    // ---- commands -------------------------------------------------------------------

    void ExecuteTaggedCommand(QObject* sender);
    void InsertSpecialCharacter(QAction* sender);
    void InsertLineOrBreak(QAction* sender);
    void TableCommand(QAction* sender);
    void RunExternalEditor(QAction* sender);
    void FillBlockFormats();
    void UpdateCommandStates();
    void ShowEditorContextMenu();
    void ContextMenuAction(int index);
    void HandleDocumentComplete();

    // ---- hooks ----------------------------------------------------------------------

    TEditorDialogHooks Dialogs;
    // The editor pane's own handling of the external-editor button, run before an editor is
    // started (it saves a changed page first, and opens the editor list for "Edit List...").
    // Throwing EAbort or EParvaneError ends the command silently. entry: the list position,
    // 123 for "Edit List...", -1 before any editor took the button over.
    std::function<void(int entry)> ExternalEditorHandler;
    // The full path of the page being edited.
    std::function<std::string()> PagePath;
    // Starts a program without waiting; QProcess::startDetached unless replaced.
    std::function<bool(const QString& program, const QStringList& arguments)> StartProcess;
    // Asks for a colour ("Custom..."); QColorDialog unless replaced. False when cancelled.
    std::function<bool(QColor& color)> ColorPrompt;
    // "Edit list..." of the font box: opens the options on the font list.
    std::function<void()> EditFontList;

    // ---- controls -------------------------------------------------------------------

    QAction* actSavePage;
    QAction* actExternalEditor;
    QAction* actShowBorders;
    QAction* actShowDetails;
    QAction* actSpecialChar;
    QAction* actTable;
    QAction* actForeColor;
    QAction* actBackColor;
    QToolButton* tbExternalEditor;
    QToolButton* tbSpecialChar;
    QToolButton* tbTable;
    QToolButton* tbForeColor;
    QToolButton* tbBackColor;
    QComboBox* cbFontName;
    QComboBox* cbFontSize;
    QComboBox* cbStyle;
    QMenu* pmForeColor;
    QMenu* pmBackColor;
    QMenu* pmSpecialChar;
    QMenu* pmTable;
    QMenu* pmExternalEditor;
    // The action of a toolbar button or table menu entry by its current id.
    QAction* ActionById(int id) const;

signals:
    // Ctrl+S and the row's save button: the pane saves the page.
    void SavePageRequested();

private:
    QAction* AddCommand(QToolBar* bar, int id, const QString& text, const QString& icon,
                        bool checkable = false);
    QToolButton* AddDropDown(QToolBar* bar, QAction* action, QMenu* menu);
    QComboBox* AddCombo(QToolBar* bar, int id, bool editable, int width);
    void BuildColorMenu(QMenu* menu, bool fore);
    void ChooseColor(QAction* entry, bool fore);
    void BuildSpecialCharMenu();
    void BuildTableMenu();
    void BuildExternalEditorMenu();
    void TakeOver(QAction* button, const QAction* entry);
    void ToggleDisplayOption(QAction* sender);
    void OnFontBoxActivated(int index);
    void RunExternalEditorEntry(int entry, QAction* sender);
    bool CallExternalEditorHandler(int entry);
    void AddShortcuts();
    int Status(int id) const;

    QPointer<THtmlEditComponent> edit_;
    IDialogs* dialogs_;
    // The pane owns the toolbars once placed; they may go before this object.
    QPointer<TEditorToolbars> toolbars_;
    std::vector<QAction*> commands_; // toolbar buttons and table entries, by their ids
    QColor foreColor_{0xff, 0x00, 0x00};
    QColor backColor_{0xff, 0xff, 0x00};
    QIcon foreIcon_, backIcon_;
    bool pageModified_ = false;
    std::string bodySnapshot_;
    bool documentLoaded_ = false;
    bool updatingStates_ = false;
    std::vector<std::string> editors_;
    std::string defaultEditor_;
    bool optionsLoaded_ = false;
};

} // namespace parvane
