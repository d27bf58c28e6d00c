#include "ui/gui/topic_editor_pane.h"

#include "editor/external_editor.h"
#include "editor/gui/edit_operation.h"
#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_component.h"
#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "templates/template_apply.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/source_editor.h"
#include "ui/gui/topic_preview.h"
#include "ui/gui/topic_tree_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace parvane {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// What stands in a tab while the editor is locked. It takes the focus when clicked, so a
// URL being typed is taken and its topic shown.
QWidget* EmptyPanel(QLabel*& reason) {
    auto* panel = new QWidget;
    panel->setObjectName("pnlEmpty");
    panel->setFocusPolicy(Qt::ClickFocus);
    panel->setAutoFillBackground(true);
    reason = new QLabel;
    reason->setObjectName("lblLocked");
    reason->setAlignment(Qt::AlignCenter);
    reason->setWordWrap(true);
    reason->setEnabled(false);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(reason);
    return panel;
}

QToolBar* MakeToolBar(const QString& name) {
    auto* bar = new QToolBar(name);
    bar->setObjectName(name);
    bar->setIconSize(QSize(16, 16));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return bar;
}

const char* const MinimalPage = "<html>\r\n<head>\r\n<title></title>\r\n</head>\r\n<body>\r\n"
                                "</body>\r\n</html>\r\n";

} // namespace

TTopicEditorPane::TTopicEditorPane(TfrmMain& main, QWidget* parent)
    : QTabWidget(parent), main_(main) {
    setObjectName("pcRight");
    StartProcess = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    QStyle* s = style();

    // Edit.
    edtHTML = new THtmlEditComponent;
    edtHTML->setObjectName("edtHTML");
    editOp = new TDHTMLEditOperation(edtHTML, &main_.Dialogs(), this);
    tbEdit = editOp->Toolbars();
    btnSaveHTML = editOp->actSavePage;
    btnSaveHTML->setObjectName("btnSaveHTML");
    tbExternalEditor = editOp->tbExternalEditor;
    pmExternalEditor = editOp->pmExternalEditor;
    tbShowBorders = editOp->actShowBorders;
    tbShowDetails = editOp->actShowDetails;
    tbShowBorders->setObjectName("tbShowBorders");
    tbShowDetails->setObjectName("tbShowDetails");
    addTab(MakeTab(pages_[0], "tsEdit", tbEdit, edtHTML), "Edit");
    ConnectEditOperation();

    // Source.
    mmSource = new TSourceView;
    tbSource = MakeToolBar("tbSource");
    btnSaveHTML2 =
        tbSource->addAction(s->standardIcon(QStyle::SP_DialogSaveButton), "Save the page");
    btnSaveHTML2->setObjectName("btnSaveHTML2");
    btnSaveHTML2->setToolTip("Save the page");
    tbSource->addSeparator();
    tbFind = tbSource->addAction(s->standardIcon(QStyle::SP_FileDialogContentsView), "Find");
    tbFind->setToolTip("Find (Ctrl+F)");
    addTab(MakeTab(pages_[1], "tsSource", tbSource, mmSource), "Source");

    // Preview.
    wbPreview = new TTopicPreview;
    tbPreview = MakeToolBar("tbPreview");
    tbPrevTopic = tbPreview->addAction(s->standardIcon(QStyle::SP_ArrowBack), "Previous topic");
    tbPrevTopic->setObjectName("tbPrevTopic");
    tbNextTopic = tbPreview->addAction(s->standardIcon(QStyle::SP_ArrowForward), "Next topic");
    tbNextTopic->setObjectName("tbNextTopic");
    addTab(MakeTab(pages_[2], "tsPreview", tbPreview, wbPreview), "Preview");

    // Topic options.
    auto* options = new QWidget;
    options->setObjectName("tsTopicOptions");
    mmKeywords = new QPlainTextEdit;
    mmKeywords->setObjectName("mmKeywords");
    edtContextNumber = new QLineEdit;
    edtContextNumber->setObjectName("edtContextNumber");
    edtContextNumber->setValidator(
        new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edtContextNumber));
    edtContextNumber->setMaximumWidth(160);
    cbNoTemplate = new QCheckBox(TopicTexts::NoTemplateBox);
    cbNoTemplate->setObjectName("cbNoTemplate");
    auto* form = new QVBoxLayout(options);
    form->addWidget(new QLabel(TopicTexts::KeywordsLabel));
    form->addWidget(mmKeywords, 1);
    form->addWidget(new QLabel(TopicTexts::ContextLabel));
    form->addWidget(edtContextNumber);
    form->addWidget(cbNoTemplate);
    addTab(options, "Topic options");

    connect(this, &QTabWidget::currentChanged, this, &TTopicEditorPane::OnCurrentChanged);
    connect(btnSaveHTML2, &QAction::triggered, this, [this] { btnSaveHTMLClick(true); });
    connect(tbFind, &QAction::triggered, mmSource, &TSourceView::ShowFindBar);
    // Ctrl+S in the source saves the page, as in the editor (the window's own Ctrl+S, which
    // saves the project, stands aside while the page has the focus: PageHasFocus).
    auto* saveSource = new QShortcut(QKeySequence::Save, mmSource, nullptr, nullptr,
                                     Qt::WidgetWithChildrenShortcut);
    connect(saveSource, &QShortcut::activated, this, [this] { btnSaveHTMLClick(true); });
    connect(tbPrevTopic, &QAction::triggered, this, &TTopicEditorPane::PreviousTopicClick);
    connect(tbNextTopic, &QAction::triggered, this, &TTopicEditorPane::NextTopicClick);
    connect(edtHTML, &THtmlEditComponent::DocumentComplete, this,
            &TTopicEditorPane::HandleDocumentComplete);
    connect(edtHTML, &THtmlEditComponent::DisplayChanged, this,
            &TTopicEditorPane::UpdateEditorModified);
    connect(edtHTML, &THtmlEditComponent::Idle, this, &TTopicEditorPane::UpdateEditorModified);
    connect(mmSource->Edit(), &QPlainTextEdit::textChanged, this, [this] {
        if (!fillingSource_)
            topic_.SourceChanged = true;
    });

    // The topic's own properties change only by the author's hand: while the box has focus.
    connect(mmKeywords, &QPlainTextEdit::textChanged, this, [this] {
        if (!ApplyingTopicOptions() || !mmKeywords->hasFocus())
            return;
        shown_->Data().Keywords = KeywordsFromBox(mmKeywords->toPlainText().toStdString());
        main_.Project().Modified = true;
    });
    connect(edtContextNumber, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (!ApplyingTopicOptions() || !edtContextNumber->hasFocus())
            return;
        shown_->Data().ContextNumber = DigitsOnly(text.toStdString());
        main_.Project().Modified = true;
    });
    connect(cbNoTemplate, &QCheckBox::clicked, this, [this](bool checked) {
        if (!ApplyingTopicOptions())
            return;
        shown_->Data().ApplyTemp = checked;
        main_.Project().Modified = true;
    });

    SetOptions(LoadOptions());
    LockWithReason({});
}

TTopicEditorPane::~TTopicEditorPane() = default;

void TTopicEditorPane::ConnectEditOperation() {
    connect(editOp, &TDHTMLEditOperation::SavePageRequested, this,
            [this] { btnSaveHTMLClick(true); });
    editOp->ExternalEditorHandler = [this](int entry) { btnExternalEditorClick(entry); };
    editOp->PagePath = [this] {
        return shown_ && topic_.LoadedStatus == tsLinked ? topic_.PagePath : std::string();
    };
    // Through the pane's own hook, which tests replace.
    editOp->StartProcess = [this](const QString& program, const QStringList& arguments) {
        return StartProcess(program, arguments);
    };
    editOp->EditFontList = [this] {
        if (EditFontList)
            EditFontList();
    };
    ConnectEditorDialogs(*editOp, [this] {
        TEditorDialogHost host;
        host.Parent = this;
        host.Dialogs = &main_.Dialogs();
        host.Project = &main_.Project();
        host.TopicStatus = shown_ ? topic_.LoadedStatus : tsNoLink;
        return host;
    });
}

QWidget* TTopicEditorPane::MakeTab(TTabPage& page, const QString& name, QWidget* toolbar,
                                   QWidget* view) {
    auto* tab = new QWidget;
    tab->setObjectName(name);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    page.Stack = new QStackedWidget;
    page.Stack->addWidget(view);
    page.Stack->addWidget(EmptyPanel(page.Reason));
    layout->addWidget(page.Stack, 1);
    return tab;
}

bool TTopicEditorPane::ApplyingTopicOptions() const {
    return !fillingOptions_ && shown_ && main_.Tree().Selected() == shown_ &&
           main_.Tree().Selections().size() == 1;
}

// ---- showing a topic ------------------------------------------------------------------------

void TTopicEditorPane::ShowTopic(TTopicNode* node) {
    if (node && node == shown_ && node->Data().Status == topic_.LoadedStatus &&
        node->Data().Url == loadedUrl_) {
        // The same page: it stays as it is, edits included.
        LockEditor(lockedByPage_);
        return;
    }
    if (shown_ && !asking_ && IsTopicModified()) {
        // A command moved the selection or changed the link without the switch question;
        // the edits are still offered to be kept.
        asking_ = true;
        const bool save = main_.Dialogs().Ask(Q(TopicTexts::SwitchQuestion(shown_->Text())),
                                              TButtons::YesNo) == TAnswer::Yes;
        asking_ = false;
        if (save)
            SavePage();
    }
    if (!node) {
        ResetTopic();
        return;
    }
    shown_ = node;
    ShowSelectedTopic();
}

void TTopicEditorPane::ShowSelectedTopic() {
    TTopicNode* node = shown_;
    if (!node || node->IsRoot())
        return;
    const TLeftTreeData& data = node->Data();
    const TPvx& project = main_.Project();
    topic_.Reset(data.Status, TopicPagePath(project.RootFolder(), data.Url));
    topic_.PageText.clear();
    loadedUrl_ = data.Url;
    baseFolder_ = Paths::ExtractFilePath(topic_.PagePath);
    if (baseFolder_.empty())
        baseFolder_ = project.RootFolder();

    switch (data.Status) {
    case tsLinked: {
        if (!IsHtmlPagePath(topic_.PagePath)) {
            edtHTML->NewDocument();
            LockWithReason("\"" + Q(data.Url) +
                           "\" is not an HTML page: it cannot be edited here.");
            return;
        }
        if (Paths::IsAbsolute(data.Url)) {
            edtHTML->NewDocument();
            LockWithReason("\"" + Q(data.Url) +
                           "\" lies outside the project's root folder: it is not edited here.");
            return;
        }
        // The time first: a change after it is then noticed as an outside change.
        const std::optional<TFileTime> time = PageFileTime(topic_.PagePath);
        TPageFile page;
        QString failure;
        try {
            page = ReadPageFile(topic_.PagePath, project.ProjectSettings.Encoding);
        } catch (const EParvaneError& e) {
            failure = Q(e.what());
        }
        if (page.Text.empty()) {
            edtHTML->NewDocument();
            LockWithReason(failure.isEmpty() ? "The page \"" + Q(data.Url) + "\" is empty."
                                             : failure);
            return;
        }
        LockEditor(false);
        lockedByPage_ = false;
        topic_.PageFileTime = time;
        topic_.PageText = page.Text;
        topic_.PageCharset = page.Charset;
        switch (ActiveTab()) {
        case TEditorTab::Edit:
            LoadIntoEditor(topic_.PageText, baseFolder_);
            break;
        case TEditorTab::Preview:
            edtHTML->NewDocument();
            ShowPreview();
            break;
        case TEditorTab::Source:
            edtHTML->NewDocument();
            FillSource(topic_.PageText);
            break;
        default:
            edtHTML->NewDocument();
            break;
        }
        main_.SetUrlBoxText(Q(data.Url));
        break;
    }
    case tsUnsaved:
        edtHTML->NewDocument();
        main_.SetUrlBoxText(TopicTexts::Unsaved);
        LockEditor(false);
        lockedByPage_ = false;
        LoadBlankPage();
        break;
    default:
        edtHTML->NewDocument();
        main_.SetUrlBoxText(TopicTexts::NoLink);
        LockWithReason("This topic has no page.");
        break;
    }
}

void TTopicEditorPane::FillTopicOptions(TTopicNode* node) {
    if (!node)
        return;
    fillingOptions_ = true;
    const TLeftTreeData& data = node->Data();
    mmKeywords->setPlainText(Q(KeywordsToBox(data.Keywords)));
    edtContextNumber->setText(Q(data.ContextNumber));
    cbNoTemplate->setChecked(data.ApplyTemp);
    setTabVisible(static_cast<int>(TEditorTab::TopicOptions), data.Kind != 2);
    fillingOptions_ = false;
}

void TTopicEditorPane::ResetTopic() {
    shown_ = nullptr;
    topic_.Reset(tsNoLink, "");
    topic_.PageText.clear();
    loadedUrl_.clear();
    baseFolder_.clear();
    edtHTML->NewDocument();
    FillSource({});
    wbPreview->Clear();
    LockWithReason({});
}

void TTopicEditorPane::LockWithReason(const QString& reason) {
    for (TTabPage& page : pages_)
        page.Reason->setText(reason);
    LockEditor(true);
    lockedByPage_ = true;
}

void TTopicEditorPane::LockEditor(bool locked) {
    locked_ = locked;
    for (TTabPage& page : pages_)
        page.Stack->setCurrentIndex(locked ? 1 : 0);
    edtHTML->setEnabled(!locked);
    tbEdit->setEnabled(!locked);
    for (int i = 0; i < 2; ++i)
        for (QToolBar* bar : widget(i)->findChildren<QToolBar*>())
            bar->setEnabled(!locked);
}

bool TTopicEditorPane::PageHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == edtHTML || edtHTML->isAncestorOf(focus) || focus == mmSource ||
                     mmSource->isAncestorOf(focus));
}

std::string TTopicEditorPane::PageFolder() const {
    return baseFolder_;
}

// ---- the tabs ---------------------------------------------------------------------------------

void TTopicEditorPane::OnCurrentChanged(int index) {
    if (switchingTab_ || index < 0)
        return;
    const int from = currentTab_;
    if (from == index)
        return;
    if (!LeaveTab(static_cast<TEditorTab>(from))) {
        switchingTab_ = true;
        setCurrentIndex(from);
        switchingTab_ = false;
        // Once the editor has caught up, the tab the author asked for is shown.
        QPointer<TTopicEditorPane> self(this);
        edtHTML->Sync([self, from, index] {
            if (self && self->currentIndex() == from)
                self->setCurrentIndex(index);
        });
        return;
    }
    currentTab_ = index;
    EnterTab(static_cast<TEditorTab>(index));
}

bool TTopicEditorPane::LeaveTab(TEditorTab tab) {
    if (!shown_ || locked_)
        return true;
    switch (tab) {
    case TEditorTab::Source:
        topic_.TakeFromSource(mmSource->Edit()->toPlainText().toStdString());
        return true;
    case TEditorTab::Edit:
        if (edtHTML->Busy())
            return false;
        topic_.TakeFromEditor(edtHTML->DocumentHTML());
        return true;
    default:
        return true;
    }
}

void TTopicEditorPane::EnterTab(TEditorTab tab) {
    if (!shown_ || !topic_.EntersTab(!locked_))
        return;
    switch (tab) {
    case TEditorTab::Edit:
        LoadIntoEditor(topic_.PageText, baseFolder_);
        break;
    case TEditorTab::Source:
        FillSource(topic_.PageText);
        break;
    case TEditorTab::Preview:
        ShowPreview();
        break;
    default:
        break;
    }
}

void TTopicEditorPane::LoadIntoEditor(const std::string& html, const std::string& folder) {
    topic_.EditorModified = false;
    edtHTML->SetRootFolder(main_.Project().RootFolder());
    edtHTML->SetBaseURL(folder);
    edtHTML->SetDocumentHTML(html);
}

void TTopicEditorPane::FillSource(const std::string& text) {
    fillingSource_ = true;
    mmSource->Edit()->SetSource(Q(text));
    fillingSource_ = false;
    topic_.SourceChanged = false;
}

// ---- the editor's change tracking -------------------------------------------------------------

void TTopicEditorPane::HandleDocumentComplete() {
    topic_.DocumentCompleted(edtHTML->BodyOuterHtml());
    // The display option survives new documents.
    edtHTML->SetShowDetails(edtHTML->ShowDetails());
}

void TTopicEditorPane::UpdateEditorModified() {
    if (!edtHTML->isEnabled() || !edtHTML->DocumentLoaded())
        return;
    topic_.DisplayChanged(edtHTML->Busy(), [this] { return edtHTML->BodyOuterHtml(); });
}

bool TTopicEditorPane::IsTopicModified() const {
    return shown_ && topic_.IsTopicModified(ActiveTab());
}

bool TTopicEditorPane::EditorChangesPending() const {
    return shown_ && !locked_ && ActiveTab() == TEditorTab::Edit && edtHTML->Busy() &&
           edtHTML->DocumentLoaded();
}

void TTopicEditorPane::DiscardChanges() {
    topic_.PageModified = false;
    topic_.SourceChanged = false;
    topic_.EditorModified = false;
}

// ---- saving -----------------------------------------------------------------------------------

bool TTopicEditorPane::SavePage() {
    try {
        btnSaveHTMLClick(false);
        return true;
    } catch (const EAbort&) {
        return false;
    }
}

bool TTopicEditorPane::AskTemplateTags(const std::string& text, bool fromSource, bool fromButton) {
    const std::string missing = CheckTemplateTags(text);
    if (missing.empty())
        return true;
    const QString question = Q(TopicTexts::TemplateTagQuestion(missing, fromSource));
    if (main_.Dialogs().Ask(question, TButtons::YesNo) == TAnswer::Yes)
        return true;
    if (!fromButton)
        throw EAbort("canceled!");
    return false;
}

void TTopicEditorPane::WritePage(const std::string& path, bool fromButton, bool& written) {
    written = false;
    const TPvx& project = main_.Project();
    const bool isTemplate = shown_->Data().Kind == 2;
    const std::string text = PageTextForSaving(topic_.PageText, shown_->Text(), isTemplate);
    // An existing file is written under the name it has on disk (letter case may differ).
    std::string file = Paths::ResolveExisting(path);
    if (file.empty())
        file = Paths::ToNative(path);
    try {
        StringFunc::SaveTextFile(
            text, file,
            PageSaveCharset(text, topic_.PageCharset, project.ProjectSettings.Encoding));
    } catch (const EParvaneError& e) {
        // Nothing is marked saved: the page stays changed and can be saved again.
        main_.Dialogs().Error(Q(e.what()));
        if (!fromButton)
            throw EAbort();
        return;
    }
    topic_.PageText = text;
    written = true;
}

void TTopicEditorPane::btnSaveHTMLClick(bool fromButton) {
    TTopicNode* node = shown_;
    if (!node || node->IsRoot() || lockedByPage_)
        return;
    const bool isTemplate = node->Data().Kind == 2;
    switch (ActiveTab()) {
    case TEditorTab::Source: {
        const std::string text = mmSource->Edit()->toPlainText().toStdString();
        if (isTemplate && !AskTemplateTags(text, true, fromButton))
            return;
        topic_.TakeFromSource(text);
        break;
    }
    case TEditorTab::Edit: {
        if (fromButton && EditorChangesPending()) {
            // The last keystrokes are not in yet: save once they are.
            QPointer<TTopicEditorPane> self(this);
            edtHTML->Sync([self] {
                if (self)
                    self->btnSaveHTMLClick(true);
            });
            return;
        }
        if (isTemplate) {
            const std::string body =
                edtHTML->Busy()
                    ? "<body>" + StringFunc::GetHtmlBody(edtHTML->DocumentHTML()) + "</body>"
                    : edtHTML->BodyOuterHtml();
            if (!AskTemplateTags(body, false, fromButton))
                return;
        }
        topic_.TakeFromEditor(edtHTML->DocumentHTML());
        break;
    }
    default:
        break;
    }

    TPvx& project = main_.Project();
    bool written = false;
    if (topic_.LoadedStatus != tsUnsaved) {
        WritePage(topic_.PagePath, fromButton, written);
        if (!written)
            return;
        topic_.MarkSaved();
        edtHTML->NewDocument();
        ShowSelectedTopic();
        return;
    }

    // The first save of a new page.
    const QString proposed =
        Q(Paths::IncludeTrailingSlash(project.RootFolder()) + ProposedPageFileName(node->Text()));
    const QString path =
        main_.Dialogs().SaveFile(TopicTexts::SaveDialogTitle, proposed, Filters::Html, ".htm");
    if (path.isEmpty()) {
        if (!fromButton)
            throw EAbort("Canceled!");
        return;
    }
    WritePage(path.toStdString(), fromButton, written);
    if (!written)
        return;
    topic_.MarkSaved();
    TLeftTreeData& data = node->Data();
    data.Status = tsLinked;
    data.Url = Paths::PathToUrl(project.RootFolder(), path.toStdString());
    project.Modified = true;
    main_.TopicLinkChanged(node);
    edtHTML->NewDocument();
    ShowSelectedTopic();
}

// ---- new pages and the preview ----------------------------------------------------------------

void TTopicEditorPane::LoadBlankPage() {
    if (!shown_)
        return;
    const TPvx& project = main_.Project();
    TBlankPage blank;
    try {
        blank = BlankPageText(project, shown_->Data().Kind == 2, Paths::AppDir());
    } catch (const EParvaneError& e) {
        // The topic can still be written; it just starts empty.
        main_.Dialogs().Error(Q(e.what()));
        blank.Text = MinimalPage;
        blank.BaseFolder = project.RootFolder();
    }
    baseFolder_ = blank.BaseFolder;
    topic_.PageText = blank.Text;
    topic_.PageModified = false;
    switch (ActiveTab()) {
    case TEditorTab::Edit:
        LoadIntoEditor(topic_.PageText, baseFolder_);
        break;
    case TEditorTab::Source:
        FillSource(topic_.PageText);
        break;
    case TEditorTab::Preview:
        WritePreview(topic_.PageText, baseFolder_);
        break;
    default:
        break;
    }
}

void TTopicEditorPane::ShowPreview() {
    if (!shown_)
        return;
    const TPvx& project = main_.Project();
    std::string html = topic_.PageText;
    if (PreviewUsesTemplate(options_.PreviewWithTemplate, shown_->Data(), project)) {
        try {
            const TTemplate htmlHelpTemplate(
                TopicPagePath(project.RootFolder(), project.ProjectSettings.HtmlHelpTemplate));
            html =
                PreviewWithTemplate(htmlHelpTemplate, topic_.PageText, shown_->Text(), baseFolder_);
        } catch (const EParvaneError&) {
            // A missing template: the bare page, as the build would warn about it anyway.
        }
    }
    WritePreview(html, baseFolder_);
}

void TTopicEditorPane::WritePreview(const std::string& html, const std::string& folder) {
    const std::string name =
        topic_.LoadedStatus == tsLinked ? Paths::ExtractFileName(topic_.PagePath) : "";
    wbPreview->SetRootFolder(main_.Project().RootFolder());
    wbPreview->WritePreview(html, folder, name);
}

void TTopicEditorPane::SetPreviewBarEnabled(bool enabled) {
    tbPrevTopic->setEnabled(enabled);
    tbNextTopic->setEnabled(enabled);
}

void TTopicEditorPane::SelectTopic(TTopicNode* node) {
    if (!node)
        return;
    TTopicTreeView* view = main_.TreeView();
    if (view->CanLeaveTopic && !view->CanLeaveTopic())
        return;
    main_.Tree().Select(node);
    view->SyncSelectionFromTree();
}

void TTopicEditorPane::PreviousTopicClick() {
    SelectTopic(PreviousTopic(main_.Tree().Selected()));
}

void TTopicEditorPane::NextTopicClick() {
    SelectTopic(NextTopic(main_.Tree().Selected()));
}

// ---- external editors ----------------------------------------------------------------------

void TTopicEditorPane::SetOptions(const TAppOptions& options) {
    options_ = options;
    mmSource->SetSourceFont(options_.SourceFont);
    editOp->SetOptions(options_);
}

int TTopicEditorPane::CurrentExternalEditor() const {
    const int id = editOp->actExternalEditor->data().toInt();
    return id >= 0 && id < static_cast<int>(options_.Editors.size()) ? id : -1;
}

void TTopicEditorPane::btnExternalEditorClick(int entry) {
    if (entry == OptionsTexts::EditListId) {
        if (EditEditorList)
            EditEditorList();
        throw EAbort("Edit List!");
    }
    if (!shown_)
        throw EAbort();
    if (!ExternalEditorNeedsSave(topic_.LoadedStatus, IsTopicModified()))
        return;
    const QString question =
        Q(TopicTexts::ExternalEditorQuestion(shown_->Text(), topic_.LoadedStatus == tsUnsaved));
    if (main_.Dialogs().Ask(question, TButtons::YesNo) != TAnswer::Yes)
        throw EAbort("Canceled!");
    // Saving reads the file's time again and shows the topic from the file.
    btnSaveHTMLClick(false);
}

// ---- outside changes and the monitor ---------------------------------------------------------

void TTopicEditorPane::ApplicationActivated() {
    if (!shown_ || asking_)
        return;
    if (!reloadWatch_.Activated(topic_, !locked_, PageFileTime(topic_.PagePath)))
        return;
    asking_ = true;
    const TAnswer answer = main_.Dialogs().Ask(TopicTexts::ReloadQuestion, TButtons::YesNo);
    asking_ = false;
    if (answer == TAnswer::Yes && shown_)
        ShowSelectedTopic();
}

void TTopicEditorPane::ApplicationDeactivated() {
    reloadWatch_.Deactivated();
}

void TTopicEditorPane::MonitorUpdate() {
    if (!shown_) {
        btnSaveHTML->setEnabled(false);
        btnSaveHTML2->setEnabled(false);
    } else if (!locked_) {
        const TOpenTopic::TMonitorResult result = topic_.Monitor(ActiveTab(), edtHTML->Busy());
        btnSaveHTML->setEnabled(result.SaveButtons);
        btnSaveHTML2->setEnabled(result.SaveButtons);
        if (result.MarkProjectModified)
            main_.Project().Modified = true;
    }
    const bool options = shown_ && TopicOptionsEnabled(topic_.LoadedStatus,
                                                       main_.cbUrl->currentText().toStdString());
    mmKeywords->setEnabled(options);
    edtContextNumber->setEnabled(options);
    cbNoTemplate->setEnabled(options);
}

void TTopicEditorPane::ProjectLeft() {
    editOp->LastPictureFolder.clear();
}

void TTopicEditorPane::SetShowBorders(bool on) {
    tbShowBorders->setChecked(on);
    edtHTML->SetShowBorders(on);
}

void TTopicEditorPane::SetShowDetails(bool on) {
    tbShowDetails->setChecked(on);
    edtHTML->SetShowDetails(on);
}

} // namespace parvane
