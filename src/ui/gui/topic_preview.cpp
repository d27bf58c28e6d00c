#include "ui/gui/topic_preview.h"

#include "editor/gui/scheme_replies.h"
#include "model/paths.h"

#include <QCoreApplication>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

namespace parvane {

namespace {

constexpr char kScheme[] = "parvane-preview";

void RegisterPreviewScheme() {
    if (!QWebEngineUrlScheme::schemeByName(kScheme).name().isEmpty())
        return;
    QWebEngineUrlScheme scheme(kScheme);
    // One host for every page: all previews are one site, so the browser keeps its page
    // (and its widget) from one preview to the next instead of starting a new one.
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

} // namespace

// Serves the previewed text at its address and the files of the disk at every other one.
class TPreviewSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void SetDocument(const QUrl& url, QByteArray bytes) {
        url_ = url;
        bytes_ = std::move(bytes);
    }
    void SetRootFolder(std::string folder) { rootFolder_ = std::move(folder); }

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        const QUrl url = job->requestUrl();
        if (url.path() == url_.path() && url.query() == url_.query()) {
            ReplyWithPageText(job, bytes_);
            return;
        }
        ReplyWithLocalFile(job, url, rootFolder_);
    }

private:
    QUrl url_;
    QByteArray bytes_;
    std::string rootFolder_;
};

} // namespace parvane

// The scheme must be known before the web engine starts.
static void RegisterParvanePreviewScheme() {
    parvane::RegisterPreviewScheme();
}
Q_COREAPP_STARTUP_FUNCTION(RegisterParvanePreviewScheme)

namespace parvane {

TTopicPreview::TTopicPreview(QWidget* parent) : QWidget(parent) {
    RegisterPreviewScheme();
    setObjectName("wbPreview");
    profile_ = new QWebEngineProfile(this); // off the record
    scheme_ = new TPreviewSchemeHandler(profile_);
    profile_->installUrlSchemeHandler(kScheme, scheme_);
    view_ = new QWebEngineView(this);
    // The view owns its page, so they go together and no page outlives its view.
    auto* page = new QWebEnginePage(profile_, view_);
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    view_->setPage(page);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(page, &QWebEnginePage::loadFinished, this, &TTopicPreview::Loaded);
}

TTopicPreview::~TTopicPreview() {
    // A load still under way is stopped first; view and page go before their profile.
    view_->page()->triggerAction(QWebEnginePage::Stop);
    delete view_;
    delete profile_;
}

void TTopicPreview::WritePreview(const std::string& html, const std::string& folder,
                                 const std::string& fileName) {
    html_ = html;
    std::string base = Paths::IncludeTrailingSlash(Paths::ToNative(folder));
    if (base.empty() || base.front() != '/')
        base = "/" + base;
    QUrl url;
    url.setScheme(QString::fromLatin1(kScheme));
    url.setHost(QStringLiteral("preview"));
    url.setPath(QString::fromStdString(base + (fileName.empty() ? "preview.htm" : fileName)));
    // A new address each time, so the browser never shows an old copy.
    url.setQuery(QStringLiteral("preview=%1").arg(++generation_));
    url_ = url;
    scheme_->SetDocument(url, QByteArray::fromStdString(html));
    view_->page()->load(url);
}

void TTopicPreview::SetRootFolder(const std::string& folder) {
    scheme_->SetRootFolder(folder);
}

void TTopicPreview::Clear() {
    // An empty page of the same site: the browser keeps its page and widget.
    WritePreview("<html><body></body></html>", "/", "blank.htm");
    html_.clear();
}

} // namespace parvane
