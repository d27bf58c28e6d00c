#pragma once
// The replies of the program's own URL schemes, which show a page held in memory and let
// its relative addresses reach the files beside it on disk (the editor's and the preview's).

#include <string>

class QByteArray;
class QUrl;
class QWebEngineUrlRequestJob;

namespace parvane {

// The page held in memory. It is UTF-8 whatever charset its <meta> names: this wins over it.
void ReplyWithPageText(QWebEngineUrlRequestJob* job, const QByteArray& bytes);
// The file of the disk the address's path names (found without regard to case where the
// exact name is missing), with its MIME type from the extension; fails when there is none.
// With a root folder, only files inside it (on real paths) and the program's own files are
// served: what lies outside the project never shows in the editor or the preview, as it
// never reaches an output.
void ReplyWithLocalFile(QWebEngineUrlRequestJob* job, const QUrl& url,
                        const std::string& rootFolder = {});

} // namespace parvane
