#pragma once
// The Source tab's editor: a plain-text box for a page's HTML with line numbers, HTML
// syntax highlighting in a fixed-pitch font, and a find bar (Ctrl+F).

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QLabel;
class QLineEdit;
class QToolButton;

namespace parvane {

struct TSourceFont;

// Colours tags, attributes, their values, comments, entities and the doctype. A tag or a
// comment may run over several lines.
class THtmlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit THtmlHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextCharFormat tag_, attribute_, value_, comment_, entity_, doctype_;
};

// mmSource: the text box with a line-number margin.
class TSourceEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TSourceEdit(QWidget* parent = nullptr);

    // Replaces the text (no undo back to the previous page). Highlighting is left out for
    // very large pages, which it would slow down.
    void SetSource(const QString& text);
    int LineNumberAreaWidth() const;
    void PaintLineNumbers(QPaintEvent* event);
    bool Highlighted() const;

    static constexpr int HighlightLimit = 4 * 1024 * 1024;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateMargin();
    void UpdateLineNumberArea(const QRect& rect, int dy);

    QWidget* lineNumbers_;
    THtmlHighlighter* highlighter_;
};

// The source box with its find bar below.
class TSourceView : public QWidget {
    Q_OBJECT
public:
    explicit TSourceView(QWidget* parent = nullptr);

    TSourceEdit* Edit() const { return mmSource_; }
    // The font of the options ("Courier New,10,0,[]"); any fixed-pitch font stands in for
    // a missing one. An empty or unreadable string keeps the system's fixed font.
    void SetSourceFont(const std::string& fontString);

    void ShowFindBar();
    void HideFindBar();
    bool FindBarVisible() const;
    QLineEdit* FindBox() const { return edtFind_; }
    // Selects the next (or previous) occurrence after the cursor, wrapping around; letter
    // case ignored. False when the text does not occur.
    bool FindNext(const QString& text, bool backward = false);

private:
    TSourceEdit* mmSource_;
    QWidget* findBar_;
    QLineEdit* edtFind_;
    QLabel* lblFound_;
};

} // namespace parvane
