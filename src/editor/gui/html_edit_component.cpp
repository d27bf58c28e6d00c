#include "editor/gui/html_edit_component.h"

#include "editor/editor_artefacts.h"
#include "editor/font_family.h"
#include "editor/gui/html_edit_internal.h"
#include "editor/gui/scheme_replies.h"
#include "editor/page_merge.h"
#include "model/paths.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFontDialog>
#include <QJsonDocument>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineView>
#include <algorithm>

namespace parvane {

namespace {

constexpr char kScheme[] = "parvane-edit";
// The edited document's own name inside its folder; no page of a project is called so.
constexpr char kDocumentName[] = ".parvane-document.htm";
constexpr char kEmptyDocument[] = "<html><head></head><body></body></html>";

// The editor script, in the order its parts depend on each other.
constexpr const char* kScriptFiles[] = {
    ":/qtwebchannel/qwebchannel.js",   ":/parvane/editor/js/handles.js",
    ":/parvane/editor/js/display.js",  ":/parvane/editor/js/selection.js",
    ":/parvane/editor/js/insert.js",   ":/parvane/editor/js/undo.js",
    ":/parvane/editor/js/paste.js",    ":/parvane/editor/js/tables.js",
    ":/parvane/editor/js/commands.js", ":/parvane/editor/js/snapshot.js",
    ":/parvane/editor/js/bridge.js",
};

void RegisterEditScheme() {
    if (!QWebEngineUrlScheme::schemeByName(kScheme).name().isEmpty())
        return;
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local, so that pictures addressed as file:/// show too.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

QString EditorScript() {
    static const QString source = [] {
        QString text;
        for (const char* name : kScriptFiles) {
            QFile file(QString::fromLatin1(name));
            if (!file.open(QIODevice::ReadOnly))
                qCritical("editor script resource %s is missing", name);
            text += QString::fromUtf8(file.readAll()) + QStringLiteral("\n;\n");
        }
        return text;
    }();
    return source;
}

QUrl DocumentUrl(const std::string& folder, int generation) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    url.setPath(QString::fromStdString(folder) + QString::fromLatin1(kDocumentName));
    url.setQuery(QStringLiteral("g=%1").arg(generation));
    return url;
}

int GenerationOf(const QUrl& url) {
    return QUrlQuery(url).queryItemValue(QStringLiteral("g")).toInt();
}

std::string S(const QString& s) {
    return s.toStdString();
}

TSelectionType SelectionTypeOf(const QString& name) {
    if (name == QLatin1String("Text"))
        return TSelectionType::Text;
    if (name == QLatin1String("Control"))
        return TSelectionType::Control;
    return TSelectionType::None;
}

} // namespace

} // namespace parvane

// The scheme must be known before the web engine starts, which is after this.
static void RegisterParvaneEditScheme() {
    parvane::RegisterEditScheme();
}
Q_COREAPP_STARTUP_FUNCTION(RegisterParvaneEditScheme)

// The script resource lives in a static library: nothing registers it unless asked.
static void InitEditorResources() {
    Q_INIT_RESOURCE(editor);
}

namespace parvane {

// ---- the pieces behind the component ---------------------------------------------------------

TEditHost::TEditHost(THtmlEditComponent* owner) : QObject(owner), owner_(owner) {}

void TEditHost::ready(int generation, const QString& snapshotJson) {
    owner_->OnReady(generation, snapshotJson);
}

void TEditHost::reply(int generation, int callId, const QString& payloadJson) {
    owner_->OnReply(generation, callId, payloadJson);
}

void TEditHost::notify(int generation, bool content) {
    owner_->OnNotify(generation, content);
}

TEditPage::TEditPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {}

bool TEditPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) {
    return !isMainFrame || url == expected_;
}

void TEditPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                         const QString& message, int line, const QString& source) {
    if (level == ErrorMessageLevel)
        qWarning("editor script: %s (%s:%d)", qPrintable(message), qPrintable(source), line);
}

void TEditSchemeHandler::SetDocument(const QUrl& url, QByteArray bytes) {
    documentUrl_ = url;
    document_ = std::move(bytes);
}

void TEditSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QUrl url = job->requestUrl();
    if (url.path() == documentUrl_.path()) {
        if (url.query() != documentUrl_.query()) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound); // a page since replaced
            return;
        }
        ReplyWithPageText(job, document_);
        return;
    }
    ReplyWithLocalFile(job, url, rootFolder_);
}

// ---- construction ---------------------------------------------------------------------------

void THtmlEditComponent::RegisterUrlScheme() {
    RegisterEditScheme();
}

THtmlEditComponent::THtmlEditComponent(QWidget* parent) : QWidget(parent) {
    RegisterEditScheme();
    InitEditorResources();
    profile_ = new QWebEngineProfile(this); // off the record: nothing of the pages is kept
    scheme_ = new TEditSchemeHandler(profile_);
    profile_->installUrlSchemeHandler(kScheme, scheme_);

    page_ = new TEditPage(profile_, this);
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false); // the page's own
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);

    QWebEngineScript script;
    script.setName(QStringLiteral("parvane-editor"));
    script.setSourceCode(EditorScript());
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setRunsOnSubFrames(false);
    page_->scripts().insert(script);

    channel_ = new QWebChannel(this);
    host_ = new TEditHost(this);
    channel_->registerObject(QStringLiteral("editorHost"), host_);
    page_->setWebChannel(channel_, QWebEngineScript::ApplicationWorld);

    view_ = new QWebEngineView(this);
    view_->setPage(page_);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { RequestContextMenu(view_->mapToGlobal(pos)); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    setFocusProxy(view_);

    connect(page_, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                    OnLoadFailed(GenerationOf(info.url()));
            });

    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                if (status == QWebEnginePage::NormalTerminationStatus)
                    return;
                // Start again from the page as last reported: at most the last moment's
                // typing is lost, never the page.
                scriptAlive_ = false;
                if (ready_)
                    loadedHtml_ = DocumentHTML();
                if (ready_ || loading_)
                    ScheduleLoad();
            });

    snapshotTimer_ = new QTimer(this);
    snapshotTimer_->setSingleShot(true);
    connect(snapshotTimer_, &QTimer::timeout, this,
            [this] { Call(QStringLiteral("snapshot"), {}, TCallKind::Read); });

    menu_ = new QMenu(this);
    NewDocument();
}

THtmlEditComponent::~THtmlEditComponent() {
    DropCalls();
    // The page must go before its profile.
    delete view_;
    delete page_;
    delete profile_;
}

// ---- document and state ---------------------------------------------------------------------

std::string THtmlEditComponent::DocumentHTML() const {
    if (!cleanDocument_) {
        const bool edited = changed_ && ready_ && !serialised_.isEmpty();
        // The edits go into the page as it was written: everything else keeps its bytes.
        cleanDocument_ = edited && !loadedSerialised_.isEmpty()
                             ? MergePageEdits(RemoveEditorArtefacts(loadedHtml_),
                                              RemoveEditorArtefacts(S(loadedSerialised_)),
                                              RemoveEditorArtefacts(S(serialised_)))
                             : RemoveEditorArtefacts(edited ? S(serialised_) : loadedHtml_);
    }
    return *cleanDocument_;
}

void THtmlEditComponent::SetDocumentHTML(std::string html) {
    loadedHtml_ = std::move(html);
    ScheduleLoad();
}

std::string THtmlEditComponent::BaseURL() const {
    return baseFolder_;
}

void THtmlEditComponent::SetRootFolder(const std::string& folder) {
    scheme_->SetRootFolder(folder);
}

void THtmlEditComponent::SetBaseURL(std::string folder) {
    if (folder.starts_with("file:"))
        folder = S(QUrl(QString::fromStdString(folder)).toLocalFile());
    if (!folder.empty())
        folder = Paths::IncludeTrailingSlash(Paths::ToNative(folder));
    if (folder == baseFolder_)
        return;
    if (ready_)
        loadedHtml_ = DocumentHTML();
    baseFolder_ = std::move(folder);
    ScheduleLoad();
}

void THtmlEditComponent::NewDocument() {
    SetDocumentHTML(kEmptyDocument);
}

bool THtmlEditComponent::Busy() const {
    return loadScheduled_ || loading_ || pendingWrites_ > 0 || contentPending_ || !queue_.empty();
}

bool THtmlEditComponent::DocumentHasFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == view_ || view_->isAncestorOf(focus));
}

void THtmlEditComponent::FocusDocument() {
    view_->setFocus(Qt::OtherFocusReason);
}

THtmlElement THtmlEditComponent::Body() const {
    return ElementOf(state_.Body);
}

std::string THtmlEditComponent::BodyOuterHtml() const {
    if (bodyStart_ < 0 || loadScheduled_ || loading_)
        return {};
    if (!cleanBody_)
        cleanBody_ = RemoveEditorArtefacts(S(serialised_.mid(bodyStart_, bodyLength_)));
    return *cleanBody_;
}

void THtmlEditComponent::SetShowBorders(bool on) {
    showBorders_ = on;
    Call(QStringLiteral("setDisplayOptions"), {showBorders_, showDetails_}, TCallKind::Read);
}

void THtmlEditComponent::SetShowDetails(bool on) {
    showDetails_ = on;
    Call(QStringLiteral("setDisplayOptions"), {showBorders_, showDetails_}, TCallKind::Read);
}

void THtmlEditComponent::ScheduleLoad() {
    DropCalls(); // they were meant for the page being replaced
    ResetDocumentState();
    if (!loadScheduled_) {
        loadScheduled_ = true;
        QMetaObject::invokeMethod(this, &THtmlEditComponent::StartLoad, Qt::QueuedConnection);
    }
}

void THtmlEditComponent::ResetDocumentState() {
    ++generation_;
    loading_ = false;
    ready_ = false;
    changed_ = false;
    serialised_.clear();
    loadedSerialised_.clear();
    stepOpen_ = false;
    bodyStart_ = -1;
    bodyLength_ = 0;
    cleanDocument_.reset();
    cleanBody_.reset();
    state_ = TEditState();
    elements_.clear();
    contentPending_ = false;
    snapshotTimer_->stop();
}

void THtmlEditComponent::StartLoad() {
    if (!loadScheduled_)
        return;
    loadScheduled_ = false;
    loading_ = true;
    const QUrl url = DocumentUrl(baseFolder_.empty() ? "/" : baseFolder_, generation_);
    scheme_->SetDocument(url, QByteArray::fromStdString(loadedHtml_));
    page_->ExpectUrl(url);
    if (scriptAlive_) {
        // A navigation started by the page keeps its renderer process; one started here
        // would start a new process for every page.
        emit host_->call(
            0, QStringLiteral("navigate"),
            QString::fromUtf8(QJsonDocument(QJsonArray{url.toString(QUrl::FullyEncoded)})
                                  .toJson(QJsonDocument::Compact)));
    } else {
        page_->load(url);
    }
}

void THtmlEditComponent::OnReady(int generation, const QString& json) {
    if (generation != generation_ || !loading_)
        return;
    loading_ = false;
    ready_ = true;
    scriptAlive_ = true;
    ApplySnapshot(QJsonDocument::fromJson(json.toUtf8()).object());
    loadedSerialised_ = serialised_;
    changed_ = false;
    cleanDocument_.reset();
    Send({QStringLiteral("setDisplayOptions"), {showBorders_, showDetails_}, TCallKind::Read, {}});
    std::vector<TCall> queued;
    queued.swap(queue_);
    for (auto& call : queued)
        Send(std::move(call));
    const QPointer<THtmlEditComponent> self(this);
    emit DocumentComplete();
    if (self)
        CheckIdle();
}

void THtmlEditComponent::OnLoadFailed(int generation) {
    if (generation != generation_ || !loading_)
        return;
    // Nothing to edit; the text set stays what DocumentHTML answers.
    loading_ = false;
    scriptAlive_ = false;
    DropCalls();
    emit DocumentComplete();
    CheckIdle();
}

// ---- calls to the page ----------------------------------------------------------------------

void THtmlEditComponent::Call(const QString& name, QJsonArray arguments, TCallKind kind,
                              TCallDone done) {
    TCall call{name, std::move(arguments), kind, std::move(done)};
    if (ready_) {
        Send(std::move(call));
    } else if (loadScheduled_ || loading_) {
        queue_.push_back(std::move(call));
    } else if (call.Done) {
        call.Done(QJsonValue(), false);
    }
}

void THtmlEditComponent::Send(TCall call) {
    if (call.Kind == TCallKind::Write && !stepOpen_) {
        // A new undo step: it ends with this pass of the event loop unless held.
        stepOpen_ = true;
        emit host_->call(0, QStringLiteral("beginStep"), QStringLiteral("[]"));
        if (stepHolds_ == 0)
            QTimer::singleShot(0, this, [this] {
                if (stepHolds_ == 0)
                    stepOpen_ = false;
            });
    }
    const int id = nextCallId_++;
    pending_[id] = TPending{call.Kind, std::move(call.Done)};
    if (call.Kind == TCallKind::Write) {
        ++pendingWrites_;
        lastWriteCall_ = id;
    }
    emit host_->call(
        id, call.Name,
        QString::fromUtf8(QJsonDocument(call.Arguments).toJson(QJsonDocument::Compact)));
}

void THtmlEditComponent::DropCalls() {
    std::vector<TCallDone> dropped;
    for (auto& [id, pending] : pending_)
        if (pending.Done)
            dropped.push_back(std::move(pending.Done));
    for (auto& call : queue_)
        if (call.Done)
            dropped.push_back(std::move(call.Done));
    pending_.clear();
    queue_.clear();
    pendingWrites_ = 0;
    if (dropped.empty())
        return;
    // Told later, so that no caller's callback runs inside this one's call.
    QTimer::singleShot(0, this, [dropped = std::move(dropped)] {
        for (const auto& done : dropped)
            done(QJsonValue(), false);
    });
}

void THtmlEditComponent::OnReply(int generation, int callId, const QString& json) {
    if (generation != generation_)
        return;
    auto it = pending_.find(callId);
    if (it == pending_.end())
        return;
    TPending pending = std::move(it->second);
    pending_.erase(it);
    if (pending.Kind == TCallKind::Write)
        --pendingWrites_;
    const QJsonObject payload = QJsonDocument::fromJson(json.toUtf8()).object();
    // The page took its state while answering; a change after that is announced anew.
    contentPending_ = false;
    // A snapshot taken before a later write would undo what that write noted locally.
    const QJsonObject snapshot = payload.value(QLatin1String("snapshot")).toObject();
    if (callId >= lastWriteCall_)
        ApplySnapshot(snapshot);
    else
        ApplySerialised(snapshot); // the page text is never older than what we hold

    const bool ok = !payload.contains(QLatin1String("error"));
    if (!ok)
        qWarning("editor call failed: %s",
                 qPrintable(payload.value(QLatin1String("error")).toString()));
    const QPointer<THtmlEditComponent> self(this);
    emit DisplayChanged();
    if (self && pending.Done)
        pending.Done(payload.value(QLatin1String("result")), ok);
    if (self)
        CheckIdle();
}

void THtmlEditComponent::OnNotify(int generation, bool content) {
    if (generation != generation_ || !ready_)
        return;
    if (content)
        contentPending_ = true;
    if (!snapshotTimer_->isActive()) {
        // Large pages take longer to send; ask for them less often.
        const int interval =
            60 + static_cast<int>(std::min<qsizetype>(serialised_.size() / 20000, 440));
        snapshotTimer_->start(interval);
    }
}

void THtmlEditComponent::CheckIdle() {
    if (!Busy())
        emit Idle();
}

void THtmlEditComponent::Sync(std::function<void()> done) {
    Call(QStringLiteral("snapshot"), {}, TCallKind::Read,
         [done = std::move(done)](const QJsonValue&, bool) {
             if (done)
                 done();
         });
}

// ---- snapshots -------------------------------------------------------------------------------

void THtmlEditComponent::ApplySnapshot(const QJsonObject& snapshot) {
    if (snapshot.isEmpty())
        return;
    state_.Type = SelectionTypeOf(snapshot.value(QLatin1String("type")).toString());
    state_.Text = S(snapshot.value(QLatin1String("text")).toString());
    state_.Current = snapshot.value(QLatin1String("current")).toInt();
    state_.RangeParent = snapshot.value(QLatin1String("rangeParent")).toInt();
    state_.Start = snapshot.value(QLatin1String("start")).toInt();
    state_.End = snapshot.value(QLatin1String("end")).toInt();
    state_.FirstChar = snapshot.value(QLatin1String("firstChar")).toInt();
    state_.Body = snapshot.value(QLatin1String("body")).toInt();
    state_.Status.clear();
    const QJsonObject status = snapshot.value(QLatin1String("status")).toObject();
    for (auto it = status.begin(); it != status.end(); ++it)
        state_.Status[it.key().toInt()] = it.value().toInt();
    const QJsonObject values = snapshot.value(QLatin1String("values")).toObject();
    state_.BlockTag = S(values.value(QLatin1String("block")).toString());
    state_.BlockMixed = values.value(QLatin1String("blockMixed")).toBool();
    state_.FontName = S(values.value(QLatin1String("fontName")).toString());
    state_.FontSize = values.value(QLatin1String("fontSize")).toInt();
    const bool changed = snapshot.value(QLatin1String("changed")).toBool(changed_);
    if (changed != changed_) {
        changed_ = changed;
        cleanDocument_.reset();
    }
    ApplyElements(snapshot.value(QLatin1String("elements")).toObject());
    ApplySerialised(snapshot);
}

void THtmlEditComponent::ApplySerialised(const QJsonObject& snapshot) {
    if (!snapshot.contains(QLatin1String("html")))
        return;
    serialised_ = snapshot.value(QLatin1String("html")).toString();
    bodyStart_ = snapshot.value(QLatin1String("bodyStart")).toInteger(-1);
    bodyLength_ = snapshot.value(QLatin1String("bodyLength")).toInteger(0);
    if (bodyStart_ < 0 || bodyStart_ + bodyLength_ > serialised_.size())
        bodyStart_ = -1;
    cleanDocument_.reset();
    cleanBody_.reset();
}

void THtmlEditComponent::ApplyElements(const QJsonObject& elements) {
    for (auto it = elements.begin(); it != elements.end(); ++it) {
        const QJsonObject record = it.value().toObject();
        auto data = std::make_shared<TElementData>();
        data->Tag = S(record.value(QLatin1String("tag")).toString());
        data->Parent = record.value(QLatin1String("parent")).toInt();
        for (const QJsonValue& pair : record.value(QLatin1String("attrs")).toArray()) {
            const QJsonArray nameValue = pair.toArray();
            data->Attributes.emplace_back(S(nameValue.at(0).toString()),
                                          S(nameValue.at(1).toString()));
        }
        data->StyleWidth = S(record.value(QLatin1String("width")).toString());
        if (record.contains(QLatin1String("outer"))) {
            data->HasContent = true;
            data->Outer = RemoveEditorArtefacts(S(record.value(QLatin1String("outer")).toString()));
            data->Inner = RemoveEditorArtefacts(S(record.value(QLatin1String("inner")).toString()));
            data->Text = S(record.value(QLatin1String("text")).toString());
        }
        data->CellIndex = record.value(QLatin1String("cellIndex")).toInt(-1);
        if (record.contains(QLatin1String("rows"))) {
            data->HasRows = true;
            for (const QJsonValue& row : record.value(QLatin1String("rows")).toArray())
                data->Rows.push_back(row.toInt());
        }
        if (record.contains(QLatin1String("cells"))) {
            data->HasCells = true;
            for (const QJsonValue& cell : record.value(QLatin1String("cells")).toArray())
                data->Cells.push_back(cell.toInt());
        }
        elements_[it.key().toInt()] = std::move(data);
    }
}

// ---- commands --------------------------------------------------------------------------------

int THtmlEditComponent::QueryStatus(int cmdId) const {
    if (!EditCmd::IsComponentCommand(cmdId))
        return EditStatus::NotSupported;
    if (!ready_)
        return EditStatus::Disabled;
    const auto it = state_.Status.find(cmdId);
    return it == state_.Status.end() ? EditStatus::Disabled : it->second;
}

QVariant THtmlEditComponent::ExecCommand(int cmdId, int option, const QVariant& value) {
    switch (cmdId) {
    case EditCmd::GetBlockFormat:
        return QString::fromStdString(BlockFormatName(state_.BlockTag));
    case EditCmd::GetFontName:
        return QString::fromStdString(state_.FontName);
    case EditCmd::GetFontSize:
        return state_.FontSize;
    case EditCmd::GetBlockFormatNames: {
        if (auto* holder = value.value<TDEGetBlockFmtNamesParam*>())
            return ExecCommand(cmdId, option, *holder);
        QStringList names;
        for (const auto& format : BlockFormats())
            names << QString::fromUtf8(format.Name);
        return names;
    }
    case EditCmd::FontDialog:
        RunFontDialog(option, value);
        return true;
    default:
        break;
    }
    if (!EditCmd::IsComponentCommand(cmdId) || (!ready_ && !loadScheduled_ && !loading_))
        return false;
    QString argument = value.toString();
    if (cmdId == EditCmd::SetBlockFormat) {
        argument = QString::fromStdString(BlockFormatTag(S(argument)));
        if (argument.isEmpty())
            return false;
    }
    Call(QStringLiteral("exec"), {cmdId, argument}, TCallKind::Write,
         [this, cmdId](const QJsonValue& result, bool ok) {
             emit CommandFinished(cmdId, ok && result.toBool());
         });
    return true;
}

bool THtmlEditComponent::ExecCommand(int cmdId, int, TDEGetBlockFmtNamesParam& names) {
    if (cmdId != EditCmd::GetBlockFormatNames)
        return false;
    names.Names.clear();
    for (const auto& format : BlockFormats())
        names.Names.emplace_back(format.Name);
    return true;
}

void THtmlEditComponent::RunFontDialog(int option, const QVariant& value) {
    QFont font;
    if (value.typeId() == QMetaType::QFont) {
        font = value.value<QFont>();
    } else {
        if (option == 2)
            return; // nothing to ask, nothing given
        if (!state_.FontName.empty())
            font.setFamily(QString::fromStdString(state_.FontName));
        font.setPointSizeF(PointsFromHtmlFontSize(state_.FontSize > 0 ? state_.FontSize : 3));
        font.setBold(QueryStatus(EditCmd::Bold) == EditStatus::Latched);
        font.setItalic(QueryStatus(EditCmd::Italic) == EditStatus::Latched);
        font.setUnderline(QueryStatus(EditCmd::Underline) == EditStatus::Latched);
        bool accepted = false;
        if (fontPrompt_)
            accepted = fontPrompt_(font);
        else
            font = QFontDialog::getFont(&accepted, font, this);
        if (!accepted)
            return;
    }
    double points = font.pointSizeF();
    if (points <= 0)
        points = font.pixelSize() * 0.75;
    const QJsonObject choice{
        {QStringLiteral("family"), QString::fromStdString(CssFontFamily(S(font.family())))},
        {QStringLiteral("size"), HtmlFontSizeFromPoints(points)},
        {QStringLiteral("bold"), font.bold()},
        {QStringLiteral("italic"), font.italic()},
        {QStringLiteral("underline"), font.underline()},
        {QStringLiteral("strikeout"), font.strikeOut()},
    };
    Call(QStringLiteral("applyFont"), {choice}, TCallKind::Write,
         [this](const QJsonValue& result, bool ok) {
             emit CommandFinished(EditCmd::FontDialog, ok && result.toBool());
         });
}

void THtmlEditComponent::SetContextMenu(const QStringList& captions, const QList<int>& states) {
    menuCaptions_ = captions;
    menuStates_ = states;
}

void THtmlEditComponent::RequestContextMenu(const QPoint& globalPos) {
    // The right click may have moved the caret: ask for the state first.
    Call(QStringLiteral("snapshot"), {}, TCallKind::Read,
         [this, globalPos](const QJsonValue&, bool ok) {
             if (!ok)
                 return;
             menuCaptions_.clear();
             menuStates_.clear();
             emit ShowContextMenu(globalPos);
             if (!menuCaptions_.isEmpty())
                 ShowMenu(globalPos);
         });
}

void THtmlEditComponent::ShowMenu(const QPoint& globalPos) {
    menu_->clear();
    for (int i = 0; i < menuCaptions_.size(); ++i) {
        if (menuCaptions_[i].isEmpty()) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(menuCaptions_[i]);
        action->setEnabled(menuStates_.value(i, 0) != 2);
        connect(action, &QAction::triggered, this, [this, i] { emit ContextMenuAction(i); });
    }
    menu_->popup(globalPos);
}

// ---- selection and elements ------------------------------------------------------------------

TSelectionType THtmlEditComponent::SelectionType() const {
    return state_.Type;
}

std::string THtmlEditComponent::SelectionTypeName() const {
    switch (state_.Type) {
    case TSelectionType::Text:
        return "Text";
    case TSelectionType::Control:
        return "Control";
    default:
        return "None";
    }
}

THtmlTextRange THtmlEditComponent::CreateTextRange() const {
    if (!ready_ || state_.Type == TSelectionType::Control)
        return {};
    return THtmlTextRange(const_cast<THtmlEditComponent*>(this), generation_);
}

THtmlControlRange THtmlEditComponent::CreateControlRange() const {
    if (!ready_ || state_.Type != TSelectionType::Control)
        return {};
    return THtmlControlRange(ElementOf(state_.Current));
}

THtmlElement THtmlEditComponent::CurrentElement() const {
    return ElementOf(state_.Current);
}

std::string THtmlEditComponent::SelectedText() const {
    return state_.Text;
}

void THtmlEditComponent::PasteHtml(const std::string& html) {
    Call(QStringLiteral("pasteHtml"), {QStringLiteral("range"), QString::fromStdString(html)},
         TCallKind::Write);
}

void THtmlEditComponent::InsertText(const std::string& text) {
    Call(QStringLiteral("insertText"), {QString::fromStdString(text)}, TCallKind::Write);
}

void THtmlEditComponent::PasteAsPlainText() {
    const QString text = QGuiApplication::clipboard()->text();
    if (!text.isEmpty())
        Call(QStringLiteral("insertPlainText"), {text}, TCallKind::Write);
}

void THtmlEditComponent::PasteCleanHtml(const std::string& html) {
    Call(QStringLiteral("pasteCleanHtml"), {QString::fromStdString(html)}, TCallKind::Write);
}

void THtmlEditComponent::BeginUndoStep() {
    if (stepHolds_++ == 0)
        stepOpen_ = false; // what came before is a step of its own
}

void THtmlEditComponent::EndUndoStep() {
    if (stepHolds_ > 0 && --stepHolds_ == 0)
        stepOpen_ = false;
}

void THtmlEditComponent::SelectElement(const THtmlElement& element) {
    if (element.owner_ == this)
        ElementCall(element.generation_, QStringLiteral("select"),
                    {element.handle_, QStringLiteral("node")});
}

void THtmlEditComponent::SelectElementContents(const THtmlElement& element) {
    if (element.owner_ == this)
        ElementCall(element.generation_, QStringLiteral("select"),
                    {element.handle_, QStringLiteral("contents")});
}

void THtmlEditComponent::PlaceCaret(const THtmlElement& element, bool atEnd) {
    if (element.owner_ == this)
        ElementCall(element.generation_, QStringLiteral("select"),
                    {element.handle_, atEnd ? QStringLiteral("end") : QStringLiteral("start")});
}

void THtmlEditComponent::FindText(const std::string& text, std::function<void(bool)> done) {
    Call(QStringLiteral("findText"), {QString::fromStdString(text)}, TCallKind::Write,
         [done = std::move(done)](const QJsonValue& result, bool ok) {
             if (done)
                 done(ok && result.toBool());
         });
}

void THtmlEditComponent::ElementsByTagName(const std::string& tag,
                                           std::function<void(THtmlElementCollection)> done) {
    const int generation = generation_;
    Call(QStringLiteral("elementsByTagName"), {QString::fromStdString(tag)}, TCallKind::Read,
         [this, generation, done = std::move(done)](const QJsonValue& result, bool ok) {
             std::vector<THtmlElement> items;
             if (ok && generation == generation_) {
                 const QJsonObject found = result.toObject();
                 ApplyElements(found.value(QLatin1String("elements")).toObject());
                 for (const QJsonValue& handle : found.value(QLatin1String("handles")).toArray())
                     items.push_back(ElementOf(handle.toInt()));
             }
             if (done)
                 done(THtmlElementCollection(std::move(items)));
         });
}

THtmlElement THtmlEditComponent::ElementOf(int handle) const {
    if (handle == 0)
        return {};
    return THtmlElement(const_cast<THtmlEditComponent*>(this), generation_, handle);
}

const TElementData* THtmlEditComponent::ElementData(int generation, int handle) const {
    if (generation != generation_)
        return nullptr;
    const auto it = elements_.find(handle);
    return it == elements_.end() ? nullptr : it->second.get();
}

TElementData* THtmlEditComponent::MutableElementData(int generation, int handle) {
    return const_cast<TElementData*>(ElementData(generation, handle));
}

bool THtmlEditComponent::ElementCall(int generation, const QString& name, QJsonArray arguments) {
    if (generation != generation_)
        return false;
    Call(name, std::move(arguments), TCallKind::Write);
    return true;
}

void THtmlEditComponent::RangePaste(int generation, const char* where, std::string_view html) {
    if (generation != generation_)
        return;
    Call(QStringLiteral("pasteHtml"),
         {QString::fromLatin1(where),
          QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size()))},
         TCallKind::Write);
}

int THtmlEditComponent::RangeElement(int generation, int position) const {
    if (generation != generation_)
        return 0;
    switch (position) {
    case 1:
        return state_.Start;
    case 2:
        return state_.End;
    case 3:
        return state_.FirstChar;
    default:
        return state_.RangeParent;
    }
}

} // namespace parvane
