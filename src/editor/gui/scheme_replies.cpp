#include "editor/gui/scheme_replies.h"

#include "model/paths.h"
#include "model/project_root.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <QWebEngineUrlRequestJob>

namespace parvane {

void ReplyWithPageText(QWebEngineUrlRequestJob* job, const QByteArray& bytes) {
    auto* buffer = new QBuffer(job);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    job->reply("text/html;charset=utf-8", buffer);
}

void ReplyWithLocalFile(QWebEngineUrlRequestJob* job, const QUrl& url,
                        const std::string& rootFolder) {
    bool refused = false;
    const std::string path = ServableFile(url.path(QUrl::FullyDecoded).toStdString(), rootFolder,
                                          Paths::AppDir(), &refused);
    if (refused) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QFileInfo info(QString::fromStdString(path));
    if (path.empty() || !info.isFile()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto* file = new QFile(info.filePath(), job);
    if (!file->open(QIODevice::ReadOnly)) {
        job->fail(QWebEngineUrlRequestJob::RequestDenied);
        return;
    }
    const QMimeDatabase types;
    job->reply(types.mimeTypeForFile(info, QMimeDatabase::MatchExtension).name().toUtf8(), file);
}

} // namespace parvane
