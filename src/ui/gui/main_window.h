#pragma once
// TfrmMain, the program's window: it owns the topic tree and the project model, shows
// the tree on the left and the topic's property bar and tabs on the right, and hands the
// commands to TProjectCommands, TTreeCommands and TBuildCommands.

#include "model/project_file.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;

namespace parvane {

class IDialogs;
class TBuildCommands;
class TCheckCommands;
class TProjectCommands;
class TSettingsStore;
class TTopicEditorPane;
class TTopicTreeModel;
class TTopicTreeView;
class TTreeCommands;
class TTreeImages;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    TfrmMain(IDialogs& dialogs, TSettingsStore& store, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Opens the project named by the first argument, or shows the start dialog.
    void Start(const QStringList& arguments);
    void ShowStartDialog();

    TPvx& Project() { return *pvx_; }
    TTopicTree& Tree() { return tree_; }
    IDialogs& Dialogs() { return dialogs_; }
    TSettingsStore& Store() { return store_; }
    const TTreeImages& Images() const { return *images_; }
    TTopicTreeModel* TreeModel() const { return model_; }
    TTopicTreeView* TreeView() const { return tvLeft_; }
    TTopicEditorPane* EditorPane() const { return editor_; }
    TProjectCommands& ProjectCommands() const { return *projectCommands_; }
    TTreeCommands& TreeCommands() const { return *treeCommands_; }
    TBuildCommands& BuildCommands() const { return *buildCommands_; }
    TCheckCommands& CheckCommands() const { return *checkCommands_; }

    bool NoProject() const { return noProject_; }
    // The pause after the last key typed in the find box before the tree is narrowed (ms).
    static constexpr int FindDelay = 200;
    void SetNoProjectState(bool noProject);
    void UpdateCaption();
    void LoadWindowState();
    void SaveWindowState();
    void LoadRecentProjects();
    QStringList RecentEntries() const;
    // Enables the property bar and the pane's buttons for the tree's selection.
    void CheckMultiSelectionStatus();
    void ShowTopicProperties(TTopicNode* node);
    void ClearPropertyBar();
    // The URL box shows text without it counting as the author's edit.
    void SetUrlBoxText(const QString& text);
    // A topic's page link changed by a command (a new page saved): the tree and the
    // property bar show it.
    void TopicLinkChanged(TTopicNode* node);
    int NavWidth() const;
    // The idle-time monitor: enables the save buttons and writes the status hints.
    void MonitorUpdate();

    // "Project Settings..." on a page (a TSettingsPage); the tree shows changed images.
    void OpenProjectSettings(int page);
    // "Environment Options..." on a page (a TfrmOptions::TPage); the editor takes the result.
    void OpenEnvironmentOptions(int page);
    // The program's own help: the compiled help file, or its Web Help where the desktop has
    // nothing that shows compiled help.
    void ShowHelp();
    void ShowAbout();

    // Property bar.
    QComboBox* cbIcons;
    QLabel* lblTitle;
    QLineEdit* edtTitle;
    QLabel* lblUrl;
    QComboBox* cbUrl;
    QAction* tbLinkNew;
    QAction* tbLinkExistentPage;
    QAction* tbNoLink;
    // Window commands.
    QAction* actExit;
    QAction* actBuild;
    QAction* actBuildHtmlHelp;
    QAction* actBuildWebHelp;
    QAction* actBuildSingleHtml;
    QAction* actBuildPdf;
    QAction* actBuildEpub;
    QAction* actBuildQtHelp;
    QAction* actViewHtmlHelp;
    QAction* actViewWebHelp;
    QAction* actViewSingleHtml;
    QAction* actSettings;
    QAction* actOptions;
    QAction* actBrowse;
    QAction* actHelp;
    QAction* actAbout;
    QAction* actOpenSample;
    // Find in the tree, above it.
    QLineEdit* edtFind;
    QMenu* mnuRecent;
    QMenu* pmRecent;
    QToolBar* tbMain;
    QToolBar* tbNavigation;
    QToolBar* tbIcons;
    QLabel* sbHint;
    QLabel* sbRight;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateLayout();
    void UrlTyped(const QString& text);
    void UrlEdited();
    bool eventFilter(QObject* watched, QEvent* event) override;

    IDialogs& dialogs_;
    TSettingsStore& store_;
    TTopicTree tree_;
    std::unique_ptr<TPvx> pvx_;
    std::unique_ptr<TTreeImages> images_;
    TTopicTreeModel* model_ = nullptr;
    TTopicTreeView* tvLeft_ = nullptr;
    TTopicEditorPane* editor_ = nullptr;
    QSplitter* splitter_ = nullptr;
    TProjectCommands* projectCommands_ = nullptr;
    TTreeCommands* treeCommands_ = nullptr;
    TBuildCommands* buildCommands_ = nullptr;
    TCheckCommands* checkCommands_ = nullptr;
    bool noProject_ = true;
    bool fillingPropertyBar_ = false;
    // The bounds of the window while in its normal state: what is stored, so a window
    // closed maximised comes back at its normal size.
    QRect normalBounds_;
    void RememberNormalBounds();
};

} // namespace parvane
