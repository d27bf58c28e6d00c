#pragma once
// The pieces behind THtmlEditComponent: the object the page script talks to over the web
// channel, the page that refuses to navigate away, and the scheme handler that serves the
// edited document and the files around it.

#include <string>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineUrlSchemeHandler>

namespace parvane {

class THtmlEditComponent;

// Registered on the web channel as "editorHost". Every message carries the document
// generation, so that messages of a page being replaced are dropped.
class TEditHost : public QObject {
    Q_OBJECT

public:
    explicit TEditHost(THtmlEditComponent* owner);

public slots:
    void ready(int generation, const QString& snapshotJson);
    void reply(int generation, int callId, const QString& payloadJson);
    void notify(int generation, bool content);

signals:
    // A call to the named function of the page script, with its arguments as a JSON array.
    void call(int callId, const QString& name, const QString& argumentsJson);

private:
    THtmlEditComponent* owner_;
};

// Lets the page load only the document the component asked for: links, redirects, forms
// and refreshes in the edited page go nowhere.
class TEditPage : public QWebEnginePage {
    Q_OBJECT

public:
    TEditPage(QWebEngineProfile* profile, QObject* parent);
    void ExpectUrl(const QUrl& url) { expected_ = url; }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int line, const QString& source) override;

private:
    QUrl expected_;
};

// Serves "parvane-edit:<folder>/<document name>?g=<generation>" from memory and every
// other "parvane-edit:<path>" from the file system (names that differ only in letter case
// are found too).
class TEditSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void SetDocument(const QUrl& url, QByteArray bytes);
    void SetRootFolder(std::string folder) { rootFolder_ = std::move(folder); }
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    QUrl documentUrl_;
    QByteArray document_;
    std::string rootFolder_;
};

} // namespace parvane
