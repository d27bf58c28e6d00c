#pragma once
// The Preview tab's browser: shows a page given as text as if it lay in a folder, so its
// relative pictures, style sheets and links resolve from there. The text is served from
// memory under the "parvane-preview:" scheme (pages of any size load; nothing is written
// next to the author's files); other files of the folder come from disk. The page's own
// scripts do not run and nothing in it can be edited.

#include <QByteArray>
#include <QUrl>
#include <QWidget>
#include <string>

class QWebEngineProfile;
class QWebEngineView;

namespace parvane {

class TPreviewSchemeHandler;

class TTopicPreview : public QWidget {
    Q_OBJECT
public:
    explicit TTopicPreview(QWidget* parent = nullptr);
    ~TTopicPreview() override;

    // Shows html (UTF-8) as the page named fileName in folder (native, trailing "/").
    void WritePreview(const std::string& html, const std::string& folder,
                      const std::string& fileName = "preview.htm");
    // Shows nothing.
    void Clear();
    // The project's root folder: the preview shows no file outside it (nor outside the
    // program's own folder). Empty: no limit.
    void SetRootFolder(const std::string& folder);
    // The text shown last and the address it was shown under.
    const std::string& Html() const { return html_; }
    QUrl DocumentUrl() const { return url_; }
    QWebEngineView* View() const { return view_; }

signals:
    void Loaded(bool ok);

private:
    QWebEngineProfile* profile_ = nullptr;
    TPreviewSchemeHandler* scheme_ = nullptr;
    QWebEngineView* view_ = nullptr;
    std::string html_;
    QUrl url_;
    int generation_ = 0;
};

} // namespace parvane
