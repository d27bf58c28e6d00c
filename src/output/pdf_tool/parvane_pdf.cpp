// parvane-pdf: prints one local HTML page to PDF with Qt WebEngine, without a window.
// The build driver of the core runs it as a child process (the core and parvane-cli link
// no Qt) and adds the outline and page numbers afterwards.
//
//   parvane-pdf [--page-size A4|Letter] [--margin MM] INPUT.html OUTPUT.pdf [IN2 OUT2 ...]
//
// Several pairs are printed one after the other by the same engine: a long book is printed
// in parts, so no single document grows beyond what the engine handles well.
// Scripts are off and only file: URLs inside the input's folder load, so a page can
// neither reach the network nor read files beside the build's work folder.

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Lets the page load what lies in its own folder and nothing else.
class TFolderOnly : public QWebEngineUrlRequestInterceptor {
public:
    explicit TFolderOnly(const QString& folder) : folder_(QDir::cleanPath(folder) + '/') {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        const QUrl url = info.requestUrl();
        if (url.scheme() == "data")
            return;
        const bool inside =
            url.isLocalFile() && QDir::cleanPath(url.toLocalFile()).startsWith(folder_);
        if (!inside)
            info.block(true);
    }

private:
    QString folder_;
};

int Usage(const char* message) {
    std::fprintf(stderr,
                 "parvane-pdf: %s\nUsage: parvane-pdf [--page-size A4|Letter] [--margin MM] "
                 "INPUT.html OUTPUT.pdf [INPUT2.html OUTPUT2.pdf ...]\n",
                 message);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // A printer shows no window: the offscreen platform unless the caller chose one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Chromium refuses its sandbox for root; a build server often runs as root.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QString pageSize = "A4";
    double margin = 15;
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == "--page-size" && i + 1 < argc) {
            pageSize = QString::fromLocal8Bit(argv[++i]);
        } else if (a == "--margin" && i + 1 < argc) {
            bool ok = false;
            margin = QString::fromLocal8Bit(argv[++i]).toDouble(&ok);
            if (!ok || margin < 0 || margin > 60)
                return Usage("--margin takes millimetres from 0 to 60.");
        } else if (a.startsWith("--")) {
            return Usage("unknown option.");
        } else {
            files << a;
        }
    }
    if (files.size() < 2 || files.size() % 2 != 0)
        return Usage("name each input page and the PDF to write from it.");
    QPageSize size;
    if (pageSize.compare("A4", Qt::CaseInsensitive) == 0)
        size = QPageSize(QPageSize::A4);
    else if (pageSize.compare("Letter", Qt::CaseInsensitive) == 0)
        size = QPageSize(QPageSize::Letter);
    else
        return Usage("--page-size is A4 or Letter.");

    QGuiApplication app(argc, argv);
    for (int i = 0; i < files.size(); i += 2)
        if (!QFileInfo(files[i]).isFile())
            return Usage("an input page does not exist.");
    const QFileInfo first(files[0]);

    QWebEngineProfile profile; // off the record: nothing is kept on disk
    TFolderOnly interceptor(first.absolutePath());
    profile.setUrlRequestInterceptor(&interceptor);
    QWebEnginePage page(&profile);
    page.settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    page.settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    page.settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);

    int status = 1;
    int current = 0; // index of the input being printed
    QObject::connect(&page, &QWebEnginePage::loadFinished, &app, [&](bool ok) {
        if (!ok) {
            std::fprintf(stderr, "parvane-pdf: the page could not be loaded.\n");
            app.exit(1);
            return;
        }
        if (files.size() > 2)
            std::printf("Printing part %d of %d...\n", current / 2 + 1,
                        static_cast<int>(files.size() / 2));
        else
            std::printf("Printing...\n");
        std::fflush(stdout);
        const QPageLayout layout(size, QPageLayout::Portrait,
                                 QMarginsF(margin, margin, margin, margin + 5),
                                 QPageLayout::Millimeter);
        page.printToPdf(QFileInfo(files[current + 1]).absoluteFilePath(), layout);
    });
    QObject::connect(
        &page, &QWebEnginePage::pdfPrintingFinished, &app, [&](const QString&, bool ok) {
            if (!ok) {
                std::fprintf(stderr, "parvane-pdf: printing failed.\n");
                app.exit(1);
                return;
            }
            current += 2;
            if (current < files.size()) {
                page.load(QUrl::fromLocalFile(QFileInfo(files[current]).absoluteFilePath()));
                return;
            }
            status = 0;
            app.exit(0);
        });
    page.load(QUrl::fromLocalFile(first.absoluteFilePath()));
    app.exec();
    return status;
}
