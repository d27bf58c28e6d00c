#pragma once
// The WYSIWYG editing component: a Qt WebEngine view that edits one HTML page, with the
// document, command, selection and element operations the editor's commands and the topic
// editing of the main window use.
//
// How it works. The page is served from memory through the "parvane-edit:" scheme under
// the page's folder, so relative pictures and links resolve from there and pages of any
// size load; the page's own scripts never run. The editor script (resource files, run in
// a separate script world) makes the document editable and reports the editing state as
// one JSON snapshot after every change; the queries below answer from the latest snapshot
// at once. Commands and writes are sent to the page in order and applied asynchronously:
// Busy() is true until they are, and Sync() calls back once everything sent so far is
// applied and reported. The editor script keeps the one undo history of the page: every
// change, typed or sent from here, is recorded as it happens and undone by the script.
//
// The enabled flag is QWidget's (setEnabled, isEnabled).

#include "editor/edit_command_ids.h"
#include "editor/gui/html_edit_dom.h"

#include <QFont>
#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QMenu;
class QTimer;
class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;

namespace parvane {

class TEditHost;
class TEditPage;
class TEditSchemeHandler;

class THtmlEditComponent : public QWidget {
    Q_OBJECT

public:
    explicit THtmlEditComponent(QWidget* parent = nullptr);
    ~THtmlEditComponent() override;

    // Registers the "parvane-edit:" scheme. Runs by itself when the application object is
    // created; call it earlier only if a web engine object is made before that.
    static void RegisterUrlScheme();

    // ---- document and state --------------------------------------------------------

    // The whole page as HTML, without editor artefacts: the text as it was set while the
    // page is unchanged, the browser's serialisation once it was edited.
    std::string DocumentHTML() const;
    // Loads a page (asynchronously; DocumentComplete follows).
    void SetDocumentHTML(std::string html);
    // The folder relative addresses resolve against (native path, trailing "/").
    std::string BaseURL() const;
    // Sets the folder; the page is loaded again under it.
    void SetBaseURL(std::string folder);
    // The project's root folder: the page sees no file outside it (nor outside the
    // program's own folder). Empty: no limit.
    void SetRootFolder(const std::string& folder);
    // Empties the document.
    void NewDocument();
    // Loading, or writes not yet applied, or a change not yet reported: leave the document
    // alone and do not take its HTML.
    bool Busy() const;
    bool DocumentLoaded() const { return ready_; }
    bool DocumentHasFocus() const;
    void FocusDocument();
    THtmlElement Body() const;
    // The body element's outer HTML as the browser serialises it, without artefacts.
    std::string BodyOuterHtml() const;
    bool ShowBorders() const { return showBorders_; }
    void SetShowBorders(bool on);
    bool ShowDetails() const { return showDetails_; }
    void SetShowDetails(bool on);

    // ---- commands (ids and statuses in editor/edit_command_ids.h) ---------------------

    int QueryStatus(int cmdId) const;
    // Performs a command on the selection. Queries answer at once: 5011 and 5013 a
    // QString, 5014 an int, 5012 a QStringList (or fills a TDEGetBlockFmtNamesParam*
    // passed as value). 5009 shows the font dialog (option 2 with a QFont value applies
    // that font without asking). 5020/5021 insert before the caret's column/row, or after
    // it with the value "right"/"below". Others answer whether the command was sent;
    // CommandFinished reports how it went.
    QVariant ExecCommand(int cmdId, int option = 0, const QVariant& value = {});
    bool ExecCommand(int cmdId, int option, TDEGetBlockFmtNamesParam& names);
    // The entries of the context menu about to be shown, while ShowContextMenu is handled:
    // an empty caption is a separator; state 0 enabled, 2 greyed.
    void SetContextMenu(const QStringList& captions, const QList<int>& states);
    // Shows the context menu for a position on the screen (right clicks do this).
    void RequestContextMenu(const QPoint& globalPos);
    QMenu* ContextMenu() const { return menu_; }
    // Replaces the font dialog (tests, or a dialog of the application's own).
    using TFontPrompt = std::function<bool(QFont& font)>;
    void SetFontPrompt(TFontPrompt prompt) { fontPrompt_ = std::move(prompt); }

    // ---- selection and elements -----------------------------------------------------

    TSelectionType SelectionType() const;
    std::string SelectionTypeName() const; // "None", "Text" or "Control"
    THtmlTextRange CreateTextRange() const;
    THtmlControlRange CreateControlRange() const;
    // The selected object, or the element holding the first selected character, or the
    // element at the caret.
    THtmlElement CurrentElement() const;
    std::string SelectedText() const;
    // Replaces the selection by an HTML fragment, as the browser's own paste does.
    void PasteHtml(const std::string& html);
    // Types text at the caret (as the keyboard does; undoable).
    void InsertText(const std::string& text);
    // Pastes the clipboard's text without its formatting: one line into the paragraph at
    // the caret, several lines as paragraphs.
    void PasteAsPlainText();
    // Pastes HTML as if it came from the clipboard: structure kept, foreign styles, classes,
    // fonts, word-processor markup and scripts dropped.
    void PasteCleanHtml(const std::string& html);
    // Selects an element as a whole (an object selection for a picture or a table), its
    // contents, or puts the caret at its start or end.
    void SelectElement(const THtmlElement& element);
    void SelectElementContents(const THtmlElement& element);
    void PlaceCaret(const THtmlElement& element, bool atEnd = false);
    // Selects the first occurrence of text in the page; done tells whether there was one.
    void FindText(const std::string& text, std::function<void(bool)> done = {});
    // Every element with the tag ("*" for all), with its ancestors and tables known.
    void ElementsByTagName(const std::string& tag,
                           std::function<void(THtmlElementCollection)> done);
    // Calls done once everything sent so far is applied and the state after it is known.
    void Sync(std::function<void()> done);

    // ---- the undo history -------------------------------------------------------------
    // Every change sent from here in one pass of the event loop is one undo step. Between
    // BeginUndoStep and EndUndoStep (nested pairs count once) all changes are one step,
    // however many passes they take (a dialog's Apply and OK).
    void BeginUndoStep();
    void EndUndoStep();
    class TUndoStep {
    public:
        explicit TUndoStep(THtmlEditComponent* edit) : edit_(edit) {
            if (edit_)
                edit_->BeginUndoStep();
        }
        ~TUndoStep() {
            if (edit_)
                edit_->EndUndoStep();
        }
        TUndoStep(const TUndoStep&) = delete;
        TUndoStep& operator=(const TUndoStep&) = delete;

    private:
        QPointer<THtmlEditComponent> edit_;
    };

    QWebEngineView* View() const { return view_; }

signals:
    // A page finished loading; its body, statuses and selection are known already. Also
    // sent when a page could not be loaded (DocumentLoaded() is then false).
    void DocumentComplete();
    // The selection, the caret or the page changed, and the state above says how.
    void DisplayChanged();
    // A context menu is about to be shown; a handler calls SetContextMenu.
    void ShowContextMenu(const QPoint& globalPos);
    // The entry at index of that menu was chosen.
    void ContextMenuAction(int index);
    // A command sent by ExecCommand ran (ok: it did something).
    void CommandFinished(int cmdId, bool ok);
    // Nothing is pending any more: Busy() is false.
    void Idle();

private:
    friend class THtmlElement;
    friend class THtmlTextRange;
    friend class TEditHost;

    enum class TCallKind { Read, Write };
    using TCallDone = std::function<void(const QJsonValue& result, bool ok)>;
    struct TCall {
        QString Name;
        QJsonArray Arguments;
        TCallKind Kind;
        TCallDone Done;
    };
    struct TPending {
        TCallKind Kind;
        TCallDone Done;
    };
    struct TEditState {
        TSelectionType Type = TSelectionType::None;
        std::string Text;
        int Current = 0, RangeParent = 0, Start = 0, End = 0, FirstChar = 0, Body = 0;
        std::map<int, int> Status;
        std::string BlockTag;
        bool BlockMixed = false;
        std::string FontName;
        int FontSize = 0;
    };

    // Page events, through the host object.
    void OnReady(int generation, const QString& json);
    void OnReply(int generation, int callId, const QString& json);
    void OnNotify(int generation, bool content);
    void OnLoadFailed(int generation);

    void ScheduleLoad();
    void StartLoad();
    void ResetDocumentState();
    void Call(const QString& name, QJsonArray arguments, TCallKind kind, TCallDone done = {});
    void Send(TCall call);
    void DropCalls();
    void ApplySnapshot(const QJsonObject& snapshot);
    void ApplySerialised(const QJsonObject& snapshot);
    void ApplyElements(const QJsonObject& elements);
    void CheckIdle();
    void RunFontDialog(int option, const QVariant& value);
    void ShowMenu(const QPoint& globalPos);
    THtmlElement ElementOf(int handle) const;

    // Element access for the DOM objects.
    const TElementData* ElementData(int generation, int handle) const;
    TElementData* MutableElementData(int generation, int handle);
    bool ElementCall(int generation, const QString& name, QJsonArray arguments);
    int NewHandle() { return nextNewHandle_--; }
    void RangePaste(int generation, const char* where, std::string_view html);
    int RangeElement(int generation, int position) const;

    QWebEngineProfile* profile_ = nullptr;
    TEditSchemeHandler* scheme_ = nullptr;
    TEditPage* page_ = nullptr;
    QWebEngineView* view_ = nullptr;
    QWebChannel* channel_ = nullptr;
    TEditHost* host_ = nullptr;
    QTimer* snapshotTimer_ = nullptr;
    QMenu* menu_ = nullptr;

    // The document.
    std::string loadedHtml_;
    std::string baseFolder_;
    int generation_ = 0;
    bool loadScheduled_ = false;
    bool loading_ = false;
    // The page shown has a working editor script, which can load the next page itself.
    bool scriptAlive_ = false;
    bool ready_ = false;
    bool changed_ = false; // edited since it was loaded
    QString serialised_;   // the page as last reported
    QString loadedSerialised_; // the page as the browser wrote it right after loading
    qsizetype bodyStart_ = -1, bodyLength_ = 0;
    mutable std::optional<std::string> cleanDocument_, cleanBody_;
    bool showBorders_ = false, showDetails_ = false;

    // The editing state.
    TEditState state_;
    std::unordered_map<int, std::shared_ptr<TElementData>> elements_;
    int nextNewHandle_ = -1;

    // Calls to the page.
    int nextCallId_ = 1;
    int lastWriteCall_ = 0;
    int pendingWrites_ = 0;
    std::map<int, TPending> pending_;
    std::vector<TCall> queue_; // waiting for the page to be ready
    bool contentPending_ = false;
    // The undo step the changes sent now belong to: open for this pass of the event loop,
    // or held open by BeginUndoStep.
    bool stepOpen_ = false;
    int stepHolds_ = 0;

    QStringList menuCaptions_;
    QList<int> menuStates_;
    TFontPrompt fontPrompt_;
};

} // namespace parvane
