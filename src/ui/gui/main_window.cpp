#include "ui/gui/main_window.h"

#include "editor/gui/html_edit_component.h"
#include "model/paths.h"
#include "output/gui/build_commands.h"
#include "settings/gui/options_dialog.h"
#include "settings/gui/settings_dialog.h"
#include "ui/gui/about_dialog.h"
#include "ui/gui/check_commands.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/project_commands.h"
#include "ui/gui/start_dialog.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/gui/tree_images.h"
#include "ui/program_help.h"
#include "ui/project_naming.h"
#include "ui/recent_projects.h"
#include "ui/sample_project.h"
#include "ui/toc_commands.h"
#include "ui/topic_editing.h"
#include "ui/user_settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TfrmMain::TfrmMain(IDialogs& dialogs, TSettingsStore& store, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), store_(store) {
    setObjectName("frmMain");
    // The three groups are created once; projects only replace what lies below them.
    tree_.CreateRootGroups();
    images_ = std::make_unique<TTreeImages>();
    pvx_ = std::make_unique<TPvx>(tree_);
    pvx_->ResetToDefaults();
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(Q(ApplicationTitle()));

    model_ = new TTopicTreeModel(*pvx_, *images_, this);
    tvLeft_ = new TTopicTreeView;
    tvLeft_->SetTopicModel(model_);
    tvLeft_->setContextMenuPolicy(Qt::CustomContextMenu);
    editor_ = new TTopicEditorPane(*this);
    editor_->EditEditorList = [this] { OpenEnvironmentOptions(TfrmOptions::pgEditors); };
    editor_->EditFontList = [this] { OpenEnvironmentOptions(TfrmOptions::pgFontList); };

    projectCommands_ = new TProjectCommands(*this);
    treeCommands_ = new TTreeCommands(*this);
    buildCommands_ = new TBuildCommands(this, *pvx_, dialogs_);
    checkCommands_ = new TCheckCommands(*this);
    buildCommands_->SaveChangedTopic = [this] { return projectCommands_->AskSaveTopic(); };
    buildCommands_->SetBusy = [this](bool busy) {
        menuBar()->setEnabled(!busy);
        centralWidget()->setEnabled(!busy);
        for (QToolBar* bar : findChildren<QToolBar*>())
            bar->setEnabled(!busy);
        if (!busy)
            SetNoProjectState(noProject_);
    };
    buildCommands_->OpenProjectSettings = [this](int page, TBuildDialogValues& values) {
        return RunProjectSettings(this, *pvx_, dialogs_, *images_, SettingsPageOfBuildPage(page),
                                  &values);
    };
    tvLeft_->CanLeaveTopic = [this] { return projectCommands_->AskSaveTopic(); };

    CreateActions();
    CreateMenus();
    CreateLayout();
    treeCommands_->AttachShortcuts(tvLeft_);
    // A title edited in place is a step of the tree's history.
    model_->Rename = [this](TTopicNode* node, const std::string& title) {
        return treeCommands_->Rename(node, title);
    };

    connect(tvLeft_, &TTopicTreeView::SelectionSynced, this, &TfrmMain::CheckMultiSelectionStatus);
    connect(tvLeft_, &TTopicTreeView::DropRequested, treeCommands_, &TTreeCommands::DropSelection);
    connect(tvLeft_, &TTopicTreeView::StatusHint, sbHint, &QLabel::setText);
    connect(tvLeft_, &QWidget::customContextMenuRequested, treeCommands_,
            &TTreeCommands::pmLeftPopup);
    connect(model_, &TTopicTreeModel::TitleEdited, this, [this](TTopicNode* node) {
        if (node == tree_.Selected()) {
            fillingPropertyBar_ = true;
            edtTitle->setText(Q(node->Text()));
            fillingPropertyBar_ = false;
        }
    });
    connect(qApp, &QApplication::focusChanged, this, [this] {
        // One Ctrl+S at a time: the page's while it has the focus, the project's otherwise.
        projectCommands_->actSave->setShortcut(editor_->PageHasFocus() ? QKeySequence()
                                                                       : QKeySequence::Save);
        MonitorUpdate();
    });
    // A page changed by another program is offered for reload when the author comes back.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    editor_->ApplicationActivated();
                else
                    editor_->ApplicationDeactivated();
            });

    LoadWindowState();
    LoadRecentProjects();
    SetNoProjectState(true);
    UpdateCaption();

    // The idle-time monitor: the Save button follows the project's modified flag.
    auto* monitor = new QTimer(this);
    monitor->setInterval(200);
    connect(monitor, &QTimer::timeout, this, &TfrmMain::MonitorUpdate);
    monitor->start();
}

TfrmMain::~TfrmMain() {
    disconnect(qApp, nullptr, this, nullptr);
    // The browser views go while the window is still whole: a view may still create its
    // drawing widget then, which must not find a window half taken apart.
    delete editor_;
    editor_ = nullptr;
    // The model observes the tree; it goes first.
    delete tvLeft_;
    tvLeft_ = nullptr;
    delete model_;
    model_ = nullptr;
}

void TfrmMain::CreateActions() {
    QStyle* s = style();
    const auto make = [this](const QString& text, const QString& hint,
                             QStyle::StandardPixmap icon) {
        auto* action = new QAction(style()->standardIcon(icon), text, this);
        if (!hint.isEmpty())
            action->setToolTip(hint);
        return action;
    };
    projectCommands_->actNew->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    projectCommands_->actOpen->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    projectCommands_->actSave->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));

    actExit = new QAction("Exit", this);
    actExit->setShortcut(QKeySequence::Quit);
    connect(actExit, &QAction::triggered, this, &QWidget::close);

    actBuild = make("Build Project", "Build Project", QStyle::SP_MediaPlay);
    actBuildHtmlHelp = new QAction("HTML Help...", this);
    actBuildWebHelp = new QAction("Web help...", this);
    actBuildSingleHtml = new QAction("Single HTML...", this);
    connect(actBuild, &QAction::triggered, this, [this] { buildCommands_->BuildOutput(0); });
    connect(actBuildHtmlHelp, &QAction::triggered, this,
            [this] { buildCommands_->BuildOutput(1); });
    connect(actBuildWebHelp, &QAction::triggered, this, [this] { buildCommands_->BuildOutput(2); });
    connect(actBuildSingleHtml, &QAction::triggered, this,
            [this] { buildCommands_->BuildOutput(3); });
    actBuildPdf = new QAction("PDF...", this);
    actBuildEpub = new QAction("EPUB...", this);
    actBuildQtHelp = new QAction("Qt Help...", this);
    connect(actBuildPdf, &QAction::triggered, this, [this] { buildCommands_->BuildOutput(4); });
    connect(actBuildEpub, &QAction::triggered, this, [this] { buildCommands_->BuildOutput(5); });
    connect(actBuildQtHelp, &QAction::triggered, this,
            [this] { buildCommands_->BuildOutput(6); });
    actViewHtmlHelp = new QAction("View HTML Help", this);
    actViewWebHelp = new QAction("View Web Help", this);
    actViewSingleHtml = new QAction("View Single HTML", this);
    connect(actViewHtmlHelp, &QAction::triggered, buildCommands_, &TBuildCommands::ViewHtmlHelp);
    connect(actViewWebHelp, &QAction::triggered, buildCommands_, &TBuildCommands::ViewWebHelp);
    connect(actViewSingleHtml, &QAction::triggered, buildCommands_,
            &TBuildCommands::ViewSingleHtml);

    actSettings = make("Project Settings...", "Settings", QStyle::SP_FileDialogInfoView);
    connect(actSettings, &QAction::triggered, this, [this] { OpenProjectSettings(spGeneral); });
    actOptions = new QAction("Environment Options...", this);
    actOptions->setObjectName("actOptions");
    connect(actOptions, &QAction::triggered, this,
            [this] { OpenEnvironmentOptions(TfrmOptions::pgGeneral); });
    actBrowse = make("Browser root folder", "Browser the root folder", QStyle::SP_DirOpenIcon);
    connect(actBrowse, &QAction::triggered, this, [this] {
        dialogs_.OpenWithDesktop(Q(Paths::ExcludeTrailingSlash(pvx_->RootFolder())));
    });
    actHelp = make("Help", "Help", QStyle::SP_MessageBoxQuestion);
    actHelp->setShortcut(QKeySequence::HelpContents);
    connect(actHelp, &QAction::triggered, this, &TfrmMain::ShowHelp);
    actAbout = new QAction("About", this);
    connect(actAbout, &QAction::triggered, this, &TfrmMain::ShowAbout);
    actOpenSample = new QAction("Open the sample project", this);
    actOpenSample->setObjectName("actOpenSample");
    connect(actOpenSample, &QAction::triggered, this,
            [this] { projectCommands_->OpenProjectFile(Q(SampleProjectPath())); });

    tbLinkNew = make("Link to a blank page", "Link to a blank page", QStyle::SP_FileIcon);
    tbLinkExistentPage =
        make("Link to an existing page", "Link to an existing page", QStyle::SP_DialogOpenButton);
    tbNoLink = make("No link", "No link", QStyle::SP_DialogCancelButton);
    connect(tbLinkNew, &QAction::triggered, treeCommands_, &TTreeCommands::tbLinkNewClick);
    connect(tbLinkExistentPage, &QAction::triggered, treeCommands_,
            &TTreeCommands::tbLinkExistentPageClick);
    connect(tbNoLink, &QAction::triggered, treeCommands_, &TTreeCommands::tbNoLinkClick);

    TTreeCommands& t = *treeCommands_;
    t.tbAdd->setIcon(s->standardIcon(QStyle::SP_FileDialogNewFolder));
    t.tbDelete->setIcon(s->standardIcon(QStyle::SP_TrashIcon));
    t.tbMoveUp->setIcon(s->standardIcon(QStyle::SP_ArrowUp));
    t.tbMoveDown->setIcon(s->standardIcon(QStyle::SP_ArrowDown));
    t.tbMoveLeft->setIcon(s->standardIcon(QStyle::SP_ArrowLeft));
    t.tbMoveRight->setIcon(s->standardIcon(QStyle::SP_ArrowRight));
    t.tbMoveRightAndAddHeading->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
}

void TfrmMain::CreateMenus() {
    TProjectCommands& p = *projectCommands_;
    QMenu* file = menuBar()->addMenu("&File");
    file->addActions({p.actNew, p.actOpen, p.actSave, p.actSaveAs, p.actClose});
    file->addSeparator();
    mnuRecent = file->addMenu("Recent projects");
    file->addSeparator();
    file->addAction(actExit);

    TTreeCommands& t = *treeCommands_;
    QMenu* topics = menuBar()->addMenu("&Topics");
    topics->addActions({t.actUndo, t.actRedo});
    topics->addSeparator();
    topics->addActions({t.tbAdd, t.tbDelete, t.mnuChangeTitle, t.actOpenInEditor});
    topics->addSeparator();
    topics->addActions(
        {t.tbMoveUp, t.tbMoveDown, t.tbMoveLeft, t.tbMoveRight, t.tbMoveRightAndAddHeading});

    QMenu* build = menuBar()->addMenu("&Build");
    build->addActions({actBuild, actBuildHtmlHelp, actBuildWebHelp, actBuildSingleHtml,
                       actBuildPdf, actBuildEpub, actBuildQtHelp});
    build->addSeparator();
    build->addActions({actViewHtmlHelp, actViewWebHelp, actViewSingleHtml});

    QMenu* tools = menuBar()->addMenu("T&ools");
    tools->addActions({actSettings, actBrowse});
    tools->addSeparator();
    tools->addAction(checkCommands_->actCheckProject);
    tools->addSeparator();
    tools->addAction(actOptions);
    QMenu* help = menuBar()->addMenu("&Help");
    help->addActions({actHelp, actOpenSample, actAbout});

    pmRecent = new QMenu(this);
    tbMain = addToolBar("Main");
    tbMain->setObjectName("tbMain");
    tbMain->addAction(p.actNew);
    auto* open = new QToolButton;
    open->setDefaultAction(p.actOpen);
    open->setMenu(pmRecent);
    open->setPopupMode(QToolButton::MenuButtonPopup);
    tbMain->addWidget(open);
    tbMain->addAction(p.actSave);
    tbMain->addSeparator();
    tbMain->addAction(actBuild);
    auto* view = new QToolButton;
    auto* viewMenu = new QMenu(view);
    viewMenu->addActions({actViewHtmlHelp, actViewWebHelp, actViewSingleHtml});
    view->setMenu(viewMenu);
    view->setPopupMode(QToolButton::InstantPopup);
    view->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    view->setToolTip("View");
    view->setObjectName("tbView");
    tbMain->addWidget(view);
    tbMain->addAction(actSettings);
    tbMain->addAction(actBrowse);
    tbMain->addSeparator();
    tbMain->addAction(actHelp);
    actBrowse->setIconText("Browse");
}

void TfrmMain::CreateLayout() {
    TTreeCommands& t = *treeCommands_;
    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    tbNavigation = new QToolBar("Navigation");
    tbNavigation->setObjectName("tbNavigation");
    tbNavigation->setIconSize(QSize(16, 16));
    tbNavigation->addActions({t.tbAdd, t.tbDelete});
    tbNavigation->addSeparator();
    tbNavigation->addActions(
        {t.tbMoveUp, t.tbMoveDown, t.tbMoveLeft, t.tbMoveRight, t.tbMoveRightAndAddHeading});
    leftLayout->addWidget(tbNavigation);
    edtFind = new QLineEdit;
    edtFind->setObjectName("edtFind");
    edtFind->setPlaceholderText("Find topics (title, file name, keyword)");
    edtFind->setClearButtonEnabled(true);
    leftLayout->addWidget(edtFind);
    leftLayout->addWidget(tvLeft_);
    // Narrowed as the author types; a pause first, so a large tree is not filtered for
    // every letter of a word.
    auto* findDelay = new QTimer(this);
    findDelay->setSingleShot(true);
    findDelay->setInterval(FindDelay);
    connect(edtFind, &QLineEdit::textChanged, findDelay, qOverload<>(&QTimer::start));
    connect(findDelay, &QTimer::timeout, this, [this] { tvLeft_->SetFilter(edtFind->text()); });

    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    tbIcons = new QToolBar("Topic");
    tbIcons->setObjectName("tbIcons");
    tbIcons->setIconSize(QSize(16, 16));
    cbIcons = new QComboBox;
    cbIcons->setObjectName("cbIcons");
    cbIcons->addItem("Auto");
    for (int i = 1; i <= 42; ++i)
        cbIcons->addItem(images_->Icon(i - 1), QString::number(i));
    cbIcons->setMaxVisibleItems(16);
    tbIcons->addWidget(cbIcons);
    lblTitle = new QLabel(" Title: ");
    tbIcons->addWidget(lblTitle);
    edtTitle = new QLineEdit;
    edtTitle->setObjectName("edtTitle");
    edtTitle->setMinimumWidth(160);
    tbIcons->addWidget(edtTitle);
    lblUrl = new QLabel(" URL:");
    tbIcons->addWidget(lblUrl);
    cbUrl = new QComboBox;
    cbUrl->setObjectName("cbUrl");
    cbUrl->setEditable(true);
    cbUrl->setMinimumWidth(200);
    cbUrl->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tbIcons->addWidget(cbUrl);
    tbIcons->addActions({tbLinkNew, tbLinkExistentPage, tbNoLink});
    rightLayout->addWidget(tbIcons);
    rightLayout->addWidget(editor_);

    connect(cbIcons, &QComboBox::activated, this, [this](int index) {
        if (!fillingPropertyBar_)
            treeCommands_->IconChosen(index);
    });
    connect(edtTitle, &QLineEdit::textEdited, this, [this](const QString& text) {
        TTopicNode* node = tree_.Selected();
        if (!fillingPropertyBar_ && node && tree_.Selections().size() == 1)
            treeCommands_->Rename(node, text.toStdString(), "title box");
    });
    connect(cbUrl->lineEdit(), &QLineEdit::textEdited, this, &TfrmMain::UrlTyped);
    connect(cbUrl->lineEdit(), &QLineEdit::editingFinished, this, &TfrmMain::UrlEdited);
    // Text dragged from the editor (or anywhere) and dropped on the title box becomes the
    // title.
    edtTitle->installEventFilter(this);

    splitter_ = new QSplitter;
    splitter_->addWidget(left);
    splitter_->addWidget(right);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({DesignNavWidth, DesignClientWidth - DesignNavWidth});
    setCentralWidget(splitter_);

    sbHint = new QLabel;
    sbRight = new QLabel;
    statusBar()->addWidget(sbHint, 1);
    statusBar()->addPermanentWidget(sbRight);
}

// ---- dialogs of the window ------------------------------------------------------------------

void TfrmMain::OpenProjectSettings(int page) {
    if (noProject_ || !projectCommands_->AskSaveTopic())
        return;
    if (!RunProjectSettings(this, *pvx_, dialogs_, *images_, page))
        return;
    // The root folder, the default images or the encoding may have changed.
    tvLeft_->viewport()->update();
    UpdateCaption();
    if (TTopicNode* shown = editor_->ShownTopic()) {
        editor_->ResetTopic();
        editor_->ShowTopic(shown);
    }
    MonitorUpdate();
}

void TfrmMain::OpenEnvironmentOptions(int page) {
    TAppOptions options = editor_->Options();
    if (RunEnvironmentOptions(this, options, dialogs_, static_cast<TfrmOptions::TPage>(page)))
        editor_->SetOptions(options);
}

void TfrmMain::ShowHelp() {
    const std::string file = ProgramHelpFile(Paths::AppDir(), DesktopShowsCompiledHelp());
    if (file.empty()) {
        dialogs_.Error("The help file \"" +
                       Q(Paths::IncludeTrailingSlash(Paths::AppDir()) + HelpFileName) +
                       "\" cannot be found.");
        return;
    }
    dialogs_.OpenWithDesktop(Q(file));
}

void TfrmMain::ShowAbout() {
    TfrmAbout about(this);
    dialogs_.Exec(about);
}

// ---- state ----------------------------------------------------------------------------------

void TfrmMain::SetNoProjectState(bool noProject) {
    noProject_ = noProject;
    const bool on = !noProject;
    TProjectCommands& p = *projectCommands_;
    for (QAction* action : {p.actSave, p.actSaveAs, p.actClose, actSettings, actBuild,
                            actBuildHtmlHelp, actBuildWebHelp, actBuildSingleHtml, actBuildPdf,
                            actBuildEpub, actBuildQtHelp, actViewHtmlHelp, actViewWebHelp,
                            actViewSingleHtml, actBrowse,
                            checkCommands_->actCheckProject})
        action->setEnabled(on);
    if (auto* view = tbMain->findChild<QToolButton*>("tbView"))
        view->setEnabled(on);
    tbIcons->setEnabled(on);
    tbNavigation->setEnabled(on);
    treeCommands_->SetProjectOpen(on);
    edtFind->setEnabled(on);
    if (noProject)
        edtFind->clear();
    tvLeft_->setEnabled(on);
    editor_->setEnabled(on);
    if (on)
        CheckMultiSelectionStatus();
    MonitorUpdate();
}

void TfrmMain::UpdateCaption() {
    setWindowTitle(Q(MainCaption(!noProject_, *pvx_)));
}

void TfrmMain::LoadWindowState() {
    const TWindowState state = parvane::LoadWindowState(store_);
    if (state.HasBounds) {
        setGeometry(state.Left, state.Top, std::max(state.Width, 100), std::max(state.Height, 100));
    } else {
        resize(DesignClientWidth, DesignClientHeight);
        if (const QScreen* screen = QApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    const int nav = state.HasNavWidth ? state.NavWidth : DesignNavWidth;
    splitter_->setSizes({nav, std::max(1, width() - nav)});
    editor_->SetShowBorders(state.HasShowBorder && state.ShowBorder);
    editor_->SetShowDetails(state.HasShowDetail && state.ShowDetail);
}

void TfrmMain::SaveWindowState() {
    // The normal bounds are kept, so the next start is never maximised.
    if (isMaximized() || isFullScreen())
        showNormal();
    QRect bounds = normalBounds_.isValid() ? normalBounds_ : geometry();
    TWindowState state;
    state.Left = bounds.x();
    state.Top = bounds.y();
    state.Width = bounds.width();
    state.Height = bounds.height();
    state.NavWidth = NavWidth();
    state.ShowBorder = editor_->edtHTML->ShowBorders();
    state.ShowDetail = editor_->edtHTML->ShowDetails();
    parvane::SaveWindowState(store_, state);
}

int TfrmMain::NavWidth() const {
    const QList<int> sizes = splitter_->sizes();
    return sizes.isEmpty() ? 0 : sizes.front();
}

QStringList TfrmMain::RecentEntries() const {
    QStringList entries;
    for (const std::string& path : RecentProjectEntries(store_, SampleProjectPath()))
        entries << Q(path);
    return entries;
}

void TfrmMain::LoadRecentProjects() {
    mnuRecent->clear();
    pmRecent->clear();
    for (const QString& path : RecentEntries()) {
        for (QMenu* menu : {mnuRecent, pmRecent}) {
            menu->addAction(path, this, [this, path] { projectCommands_->OpenProjectFile(path); });
        }
    }
}

// ---- start and shutdown ---------------------------------------------------------------------

void TfrmMain::Start(const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        SetNoProjectState(false);
        model_->BeginReset();
        pvx_->ResetToDefaults();
        QString failure;
        try {
            std::string path = arguments.front().toStdString();
            // The program's sample is shared and read-only: the author's copy opens.
            if (IsProgramSample(path, Paths::AppDir()))
                path = UserSampleProject(Paths::AppDir(), UserProjectsFolder());
            pvx_->LoadFromFile(path);
        } catch (const std::exception& e) {
            pvx_->ResetToDefaults();
            failure = Q(e.what());
        }
        model_->EndReset();
        UpdateCaption();
        show();
        if (!failure.isEmpty())
            dialogs_.Error(failure);
        return;
    }
    show();
    ShowStartDialog();
}

void TfrmMain::ShowStartDialog() {
    TfrmSelectWhenStart dialog(RecentEntries(), this);
    if (dialogs_.Exec(dialog) != QDialog::Accepted)
        return;
    switch (dialog.SelectedChoice()) {
    case TfrmSelectWhenStart::NewProject:
        projectCommands_->NewProject();
        break;
    case TfrmSelectWhenStart::ExistingProject:
        projectCommands_->OpenProject();
        break;
    case TfrmSelectWhenStart::RecentProject:
        projectCommands_->OpenProjectFile(dialog.SelectedProject());
        break;
    }
}

void TfrmMain::RememberNormalBounds() {
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)))
        normalBounds_ = geometry();
}

void TfrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    RememberNormalBounds();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    RememberNormalBounds();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // A running build reads the project on its own thread.
    if (buildCommands_->Running() || !projectCommands_->CloseProject()) {
        event->ignore();
        return;
    }
    SaveWindowState();
    event->accept();
}

// ---- the property bar and the pane's buttons ---------------------------------------------

void TfrmMain::CheckMultiSelectionStatus() {
    const TSelectionState state = parvane::CheckMultiSelectionStatus(tree_);
    TTreeCommands& t = *treeCommands_;
    for (QAction* a : {t.tbMoveUp, t.tbMoveDown, t.tbMoveLeft, t.tbMoveRight,
                       t.tbMoveRightAndAddHeading, t.tbDelete})
        a->setEnabled(state.MoveButtons && !noProject_);
    t.actOpenInEditor->setEnabled(state.ShowTopic && !noProject_);
    t.SelectionMoved();
    // Only a template topic has no topic options; anything else brings the tab back.
    editor_->setTabVisible(static_cast<int>(TEditorTab::TopicOptions),
                           !(state.ShowTopic && state.ShowTopic->Data().Kind == 2));
    edtTitle->setEnabled(state.TitleAndUrl);
    cbUrl->setEnabled(state.TitleAndUrl);
    lblTitle->setEnabled(!state.GreyLabels);
    lblUrl->setEnabled(!state.GreyLabels);
    for (QAction* a : {tbLinkNew, tbLinkExistentPage, tbNoLink})
        a->setEnabled(state.LinkButtons);
    editor_->LockEditor(state.LockEditor);
    editor_->SetPreviewBarEnabled(state.PreviewBar);
    cbIcons->setEnabled(state.IconBox);
    fillingPropertyBar_ = true;
    if (state.ClearTitleAndUrl) {
        edtTitle->clear();
        cbUrl->setEditText({});
    }
    cbIcons->setCurrentIndex(state.IconBox ? state.CommonIcon : -1);
    fillingPropertyBar_ = false;
    if (state.ShowTopic)
        ShowTopicProperties(state.ShowTopic);
    // No single topic selected: the pane forgets its page (after the switch question).
    editor_->ShowTopic(state.ShowTopic);
    t.UpdatePopup();
    MonitorUpdate();
}

void TfrmMain::ShowTopicProperties(TTopicNode* node) {
    if (!node)
        return;
    fillingPropertyBar_ = true;
    edtTitle->setText(Q(node->Text()));
    const TLeftTreeData& data = node->Data();
    if (cbIcons->isEnabled())
        cbIcons->setCurrentIndex(std::clamp(data.Icon, 0, 42));
    cbUrl->setEditText(Q(UrlBoxText(data)));
    editor_->LockEditor(data.Status == tsNoLink);
    editor_->FillTopicOptions(node);
    fillingPropertyBar_ = false;
}

void TfrmMain::ClearPropertyBar() {
    fillingPropertyBar_ = true;
    cbIcons->setCurrentIndex(-1);
    edtTitle->clear();
    cbUrl->setEditText({});
    fillingPropertyBar_ = false;
    // The topic options of a project left behind are not shown with the next one. The
    // pane shows no topic now, so clearing the boxes writes nowhere.
    editor_->mmKeywords->clear();
    editor_->edtContextNumber->clear();
    editor_->cbNoTemplate->setChecked(false);
}

void TfrmMain::SetUrlBoxText(const QString& text) {
    fillingPropertyBar_ = true;
    if (cbUrl->currentText() != text)
        cbUrl->setEditText(text);
    fillingPropertyBar_ = false;
}

void TfrmMain::TopicLinkChanged(TTopicNode* node) {
    pvx_->UpdateTopicImages();
    tvLeft_->viewport()->update();
    if (node == tree_.Selected())
        ShowTopicProperties(node);
}

void TfrmMain::UrlTyped(const QString& text) {
    // Every keystroke in the URL box goes into the topic; the page follows when the box
    // is left.
    TTopicNode* node = tree_.Selected();
    if (fillingPropertyBar_ || !node || node->IsRoot() || tree_.Selections().size() != 1 ||
        !cbUrl->lineEdit()->hasFocus())
        return;
    treeCommands_->ChangeUrl(node,
                             [&] { return ApplyUrlBoxText(node->Data(), text.toStdString()); });
}

void TfrmMain::UrlEdited() {
    TTopicNode* node = tree_.Selected();
    if (fillingPropertyBar_ || !node || node->IsRoot() || tree_.Selections().size() != 1)
        return;
    const std::string text = cbUrl->currentText().toStdString();
    treeCommands_->ChangeUrl(node, [&] { return ApplyUrlBoxText(node->Data(), text); });
    treeCommands_->SelectionMoved();
    ShowTopicProperties(node);
    editor_->ShowTopic(node);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtTitle && event->type() == QEvent::Drop) {
        const auto* drop = static_cast<QDropEvent*>(event);
        TTopicNode* node = tree_.Selected();
        const QString text = drop->mimeData()->text().simplified();
        if (edtTitle->isEnabled() && node && !node->IsRoot() && tree_.Selections().size() == 1 &&
            !text.isEmpty()) {
            edtTitle->setText(text);
            treeCommands_->Rename(node, text.toStdString());
        }
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::MonitorUpdate() {
    if (!tvLeft_ || !editor_)
        return;
    editor_->MonitorUpdate();
    projectCommands_->actSave->setEnabled(!noProject_ && pvx_->Modified);
    // Groups are never moved or deleted.
    const TTopicNode* focused = tree_.Selected();
    if (focused && focused->IsRoot()) {
        TTreeCommands& t = *treeCommands_;
        for (QAction* a : {t.tbMoveUp, t.tbMoveDown, t.tbMoveLeft, t.tbMoveRight,
                           t.tbMoveRightAndAddHeading, t.tbDelete})
            a->setEnabled(false);
    }
    if (cbUrl->isEnabled()) {
        tbLinkNew->setEnabled(cbUrl->currentText() != TopicTexts::Unsaved);
        tbNoLink->setEnabled(cbUrl->currentText() != TopicTexts::NoLink);
    }
    if (tvLeft_->Dragging())
        return;
    const THtmlEditComponent* edit = editor_->edtHTML;
    sbHint->setText(Q(StatusHint(tvLeft_->hasFocus(), !editor_->Locked(), edit->Busy(),
                                 edit->DocumentHasFocus())));
}

} // namespace parvane
