#pragma once
// The right side of the main window: the page of the one selected topic in four tabs,
// "Edit" (the WYSIWYG editor), "Source" (its HTML), "Preview" (as the help shows it) and
// "Topic options" (keywords, context number, template switch). The page's text travels
// between the tabs through one buffer (TOpenTopic); the pane loads it, tells whether it
// changed, saves it (a new page through a save dialog), previews it with or without the
// HTML Help template, hands it to an external editor and offers to reload it after it
// changed on disk.

#include "settings/app_options.h"
#include "ui/topic_editing.h"

#include <QStringList>
#include <QTabWidget>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QStackedWidget;
class QToolBar;
class QToolButton;

namespace parvane {

class TDHTMLEditOperation;
class TEditorToolbars;
class TfrmMain;
class THtmlEditComponent;
class TSourceView;
class TTopicNode;
class TTopicPreview;

class TTopicEditorPane : public QTabWidget {
    Q_OBJECT
public:
    explicit TTopicEditorPane(TfrmMain& main, QWidget* parent = nullptr);
    ~TTopicEditorPane() override;

    // ---- the shown topic -------------------------------------------------------------------

    // The tree's selection changed: node is the one selected topic, or nullptr. The page of
    // the topic already shown is kept as it is (with its edits) unless its link changed.
    void ShowTopic(TTopicNode* node);
    TTopicNode* ShownTopic() const { return shown_; }
    // Loads the shown topic's page into the active tab.
    void ShowSelectedTopic();
    // The "Topic options" tab from the topic (part of showing its properties).
    void FillTopicOptions(TTopicNode* node);
    // Forgets the shown page (a project is left).
    void ResetTopic();

    bool IsTopicModified() const;
    // True while typing in the editor has not been reported yet: what the page holds is
    // not known this moment, so a command that would leave it waits (and is repeated).
    bool EditorChangesPending() const;
    // Drops the changes of the shown page (the author answered No to saving them).
    void DiscardChanges();
    // Saves the page for another command; false when the author cancelled or it failed.
    bool SavePage();
    // The "Save the page" buttons (fromButton) and other commands (which get an EAbort
    // when the author cancels or the page cannot be written).
    void btnSaveHTMLClick(bool fromButton = true);

    // Locked: the three views show an empty area and their toolbars are disabled.
    void LockEditor(bool locked);
    bool Locked() const { return locked_; }

    void LoadBlankPage();
    void ShowPreview();
    void WritePreview(const std::string& html, const std::string& folder);

    void PreviousTopicClick();
    void NextTopicClick();
    void SetPreviewBarEnabled(bool enabled);

    // The external editor's hand-off before an editor starts: a changed page is saved
    // first (may raise the aborts "Canceled!" or "Edit List!" for the list entry).
    void btnExternalEditorClick(int entry);
    // The entry of the options' editor list the button starts (-1: none taken over yet).
    int CurrentExternalEditor() const;

    // The application became active (outside changes are checked) or inactive.
    void ApplicationActivated();
    void ApplicationDeactivated();

    // The idle-time monitor's part for the page: the save buttons, the project's modified
    // flag and the topic-option boxes.
    void MonitorUpdate();

    void SetOptions(const TAppOptions& options);
    const TAppOptions& Options() const { return options_; }
    void SetShowBorders(bool on);
    void SetShowDetails(bool on);
    // The project is left for another: pictures are looked for in the next one's folders.
    void ProjectLeft();

    TEditorTab ActiveTab() const { return static_cast<TEditorTab>(currentIndex()); }
    const TOpenTopic& OpenTopic() const { return topic_; }
    std::string PageFolder() const;
    // The editor or the source has the keyboard focus: Ctrl+S saves the page.
    bool PageHasFocus() const;
    // The full path of the shown page (for an external editor).
    const std::string& PagePath() const { return topic_.PagePath; }

    // Starts a program without waiting for it; false when it could not be started. Tests
    // replace it.
    std::function<bool(const QString& program, const QStringList& arguments)> StartProcess;
    // Open the options on the external-editor list and on the font list.
    std::function<void()> EditEditorList;
    std::function<void()> EditFontList;

    // Edit tab: the editor and its command set, whose controls are named here too.
    THtmlEditComponent* edtHTML;
    TDHTMLEditOperation* editOp;
    TEditorToolbars* tbEdit;
    QAction* btnSaveHTML;
    QToolButton* tbExternalEditor;
    QMenu* pmExternalEditor;
    QAction* tbShowBorders;
    QAction* tbShowDetails;
    // Source tab.
    TSourceView* mmSource;
    QToolBar* tbSource;
    QAction* btnSaveHTML2;
    QAction* tbFind;
    // Preview tab.
    TTopicPreview* wbPreview;
    QToolBar* tbPreview;
    QAction* tbPrevTopic;
    QAction* tbNextTopic;
    // Topic options tab.
    QPlainTextEdit* mmKeywords;
    QLineEdit* edtContextNumber;
    QCheckBox* cbNoTemplate;

private:
    struct TTabPage;
    QWidget* MakeTab(TTabPage& page, const QString& name, QWidget* toolbar, QWidget* view);
    void OnCurrentChanged(int index);
    bool LeaveTab(TEditorTab tab);
    void EnterTab(TEditorTab tab);
    void LoadIntoEditor(const std::string& html, const std::string& folder);
    void FillSource(const std::string& text);
    void HandleDocumentComplete();
    void UpdateEditorModified();
    void LockWithReason(const QString& reason);
    bool AskTemplateTags(const std::string& text, bool fromSource, bool fromButton);
    void WritePage(const std::string& path, bool fromButton, bool& written);
    void SelectTopic(TTopicNode* node);
    void ConnectEditOperation();
    bool ApplyingTopicOptions() const;

    TfrmMain& main_;
    TTopicNode* shown_ = nullptr;
    TOpenTopic topic_;
    TReloadWatch reloadWatch_;
    TAppOptions options_;
    std::string loadedUrl_;  // the Url the shown page was loaded from
    std::string baseFolder_; // the folder relative addresses of the page resolve from
    bool locked_ = true;
    bool lockedByPage_ = true; // what showing the topic decided
    bool fillingSource_ = false;
    bool fillingOptions_ = false;
    bool switchingTab_ = false;
    bool asking_ = false;
    int currentTab_ = 0;
    struct TTabPage {
        QStackedWidget* Stack = nullptr;
        QLabel* Reason = nullptr;
    };
    TTabPage pages_[3];
};

} // namespace parvane
