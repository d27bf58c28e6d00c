#include "editor/gui/scheme_replies.h"

#include "model/paths.h"

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

void ReplyWithLocalFile(QWebEngineUrlRequestJob* job, const QUrl& url) {
    const std::string path = Paths::ResolveExisting(url.path(QUrl::FullyDecoded).toStdString());
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
