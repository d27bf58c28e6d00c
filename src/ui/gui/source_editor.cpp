#include "ui/gui/source_editor.h"

#include "settings/app_options.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

namespace parvane {

// ---- highlighting ----------------------------------------------------------------------------

namespace {

enum TScanState {
    ssText = 0,
    ssComment = 1,
    ssTag = 2,
    ssDoubleQuoted = 3,
    ssSingleQuoted = 4,
    ssDeclaration = 5
};

QTextCharFormat Format(const QColor& colour, bool bold = false, bool italic = false) {
    QTextCharFormat format;
    format.setForeground(colour);
    if (bold)
        format.setFontWeight(QFont::Bold);
    format.setFontItalic(italic);
    return format;
}

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == '-' || c == ':' || c == '_' || c == '.';
}

} // namespace

THtmlHighlighter::THtmlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    tag_ = Format(QColor(0x1a, 0x3c, 0x8c), true);
    attribute_ = Format(QColor(0x9c, 0x3d, 0x10));
    value_ = Format(QColor(0x1d, 0x7a, 0x2e));
    comment_ = Format(QColor(0x80, 0x80, 0x80), false, true);
    entity_ = Format(QColor(0x8b, 0x1e, 0x8b));
    doctype_ = Format(QColor(0x60, 0x60, 0x60), true);
}

void THtmlHighlighter::highlightBlock(const QString& text) {
    int state = previousBlockState() < 0 ? ssText : previousBlockState();
    const int n = static_cast<int>(text.size());
    int i = 0;
    // Runs to the end of the line, or to and including the end mark.
    auto runTo = [&](const QString& mark, const QTextCharFormat& format, int next) {
        const int end = static_cast<int>(text.indexOf(mark, i));
        if (end < 0) {
            setFormat(i, n - i, format);
            i = n;
            return;
        }
        const int stop = end + static_cast<int>(mark.size());
        setFormat(i, stop - i, format);
        i = stop;
        state = next;
    };
    while (i < n) {
        switch (state) {
        case ssComment:
            runTo(QStringLiteral("-->"), comment_, ssText);
            break;
        case ssDeclaration:
            runTo(QStringLiteral(">"), doctype_, ssText);
            break;
        case ssDoubleQuoted:
            runTo(QStringLiteral("\""), value_, ssTag);
            break;
        case ssSingleQuoted:
            runTo(QStringLiteral("'"), value_, ssTag);
            break;
        case ssTag: {
            const QChar c = text[i];
            if (c == '>' || (c == '/' && i + 1 < n && text[i + 1] == '>')) {
                const int length = c == '>' ? 1 : 2;
                setFormat(i, length, tag_);
                i += length;
                state = ssText;
            } else if (c == '"' || c == '\'') {
                state = c == '"' ? ssDoubleQuoted : ssSingleQuoted;
                setFormat(i, 1, value_);
                ++i;
            } else if (c == '=') {
                ++i;
                // An unquoted value runs to a blank or the tag's end.
                int j = i;
                while (j < n && !text[j].isSpace() && text[j] != '>' && text[j] != '"' &&
                       text[j] != '\'')
                    ++j;
                setFormat(i, j - i, value_);
                i = j;
            } else if (IsNameChar(c)) {
                int j = i;
                while (j < n && IsNameChar(text[j]))
                    ++j;
                setFormat(i, j - i, attribute_);
                i = j;
            } else {
                ++i;
            }
            break;
        }
        default: {
            const int lt = static_cast<int>(text.indexOf('<', i));
            const int amp = static_cast<int>(text.indexOf('&', i));
            if (amp >= 0 && (lt < 0 || amp < lt)) {
                int j = amp + 1;
                while (j < n && (text[j].isLetterOrNumber() || text[j] == '#'))
                    ++j;
                if (j < n && text[j] == ';' && j > amp + 1)
                    setFormat(amp, j - amp + 1, entity_);
                i = j;
                break;
            }
            if (lt < 0) {
                i = n;
                break;
            }
            i = lt;
            if (text.mid(lt, 4) == QLatin1String("<!--")) {
                setFormat(lt, 4, comment_);
                i = lt + 4;
                state = ssComment;
            } else if (lt + 1 < n && (text[lt + 1] == '!' || text[lt + 1] == '?')) {
                state = ssDeclaration;
            } else {
                int j = lt + 1;
                if (j < n && text[j] == '/')
                    ++j;
                if (j < n && text[j].isLetter()) {
                    while (j < n && IsNameChar(text[j]))
                        ++j;
                    setFormat(lt, j - lt, tag_);
                    state = ssTag;
                }
                i = j;
            }
            break;
        }
        }
    }
    setCurrentBlockState(state);
}

// ---- the text box -----------------------------------------------------------------------------

namespace {

class TLineNumberArea : public QWidget {
public:
    explicit TLineNumberArea(TSourceEdit* edit) : QWidget(edit), edit_(edit) {}
    QSize sizeHint() const override { return {edit_->LineNumberAreaWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { edit_->PaintLineNumbers(event); }

private:
    TSourceEdit* edit_;
};

} // namespace

TSourceEdit::TSourceEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("mmSource");
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    lineNumbers_ = new TLineNumberArea(this);
    highlighter_ = new THtmlHighlighter(document());
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
    connect(this, &QPlainTextEdit::updateRequest, this, &TSourceEdit::UpdateLineNumberArea);
    UpdateMargin();
}

void TSourceEdit::SetSource(const QString& text) {
    // Highlighting a huge page on every keystroke would make typing crawl.
    highlighter_->setDocument(text.size() > HighlightLimit ? nullptr : document());
    setPlainText(text);
}

bool TSourceEdit::Highlighted() const {
    return highlighter_->document() != nullptr;
}

int TSourceEdit::LineNumberAreaWidth() const {
    int digits = 1;
    for (int max = std::max(1, blockCount()); max >= 10; max /= 10)
        ++digits;
    return 8 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void TSourceEdit::UpdateMargin() {
    setViewportMargins(LineNumberAreaWidth(), 0, 0, 0);
}

void TSourceEdit::UpdateLineNumberArea(const QRect& rect, int dy) {
    if (dy != 0)
        lineNumbers_->scroll(0, dy);
    else
        lineNumbers_->update(0, rect.y(), lineNumbers_->width(), rect.height());
    if (rect.contains(viewport()->rect()))
        UpdateMargin();
}

void TSourceEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    lineNumbers_->setGeometry(QRect(area.left(), area.top(), LineNumberAreaWidth(), area.height()));
}

void TSourceEdit::PaintLineNumbers(QPaintEvent* event) {
    QPainter painter(lineNumbers_);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    QTextBlock block = firstVisibleBlock();
    int number = block.blockNumber();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + qRound(blockBoundingRect(block).height());
    const int width = lineNumbers_->width() - 4;
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top())
            painter.drawText(0, top, width, fontMetrics().height(), Qt::AlignRight,
                             QString::number(number + 1));
        block = block.next();
        top = bottom;
        bottom = top + qRound(blockBoundingRect(block).height());
        ++number;
    }
}

// ---- the view with its find bar ---------------------------------------------------------------

namespace {

// Enter finds the next occurrence, Shift+Enter the previous one, Escape closes the bar.
class TFindBox : public QLineEdit {
public:
    explicit TFindBox(TSourceView* view) : view_(view) { setObjectName("edtFind"); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            view_->FindNext(text(), event->modifiers() & Qt::ShiftModifier);
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            view_->HideFindBar();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }

private:
    TSourceView* view_;
};

} // namespace

TSourceView::TSourceView(QWidget* parent) : QWidget(parent) {
    mmSource_ = new TSourceEdit;
    findBar_ = new QWidget;
    findBar_->setObjectName("pnlFind");
    edtFind_ = new TFindBox(this);
    edtFind_->setPlaceholderText("Find");
    edtFind_->setClearButtonEnabled(true);
    auto* next = new QToolButton;
    next->setText("Next");
    next->setToolTip("Find next (Enter)");
    auto* previous = new QToolButton;
    previous->setText("Previous");
    previous->setToolTip("Find previous (Shift+Enter)");
    auto* close = new QToolButton;
    close->setText("Close");
    close->setToolTip("Close (Esc)");
    lblFound_ = new QLabel;
    auto* bar = new QHBoxLayout(findBar_);
    bar->setContentsMargins(2, 2, 2, 2);
    bar->addWidget(new QLabel("Find:"));
    bar->addWidget(edtFind_, 1);
    bar->addWidget(next);
    bar->addWidget(previous);
    bar->addWidget(lblFound_);
    bar->addStretch();
    bar->addWidget(close);
    findBar_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(mmSource_, 1);
    layout->addWidget(findBar_);

    connect(next, &QToolButton::clicked, this, [this] { FindNext(edtFind_->text()); });
    connect(previous, &QToolButton::clicked, this, [this] { FindNext(edtFind_->text(), true); });
    connect(close, &QToolButton::clicked, this, &TSourceView::HideFindBar);
    connect(edtFind_, &QLineEdit::textEdited, this, [this](const QString& text) {
        // Searching as one types starts again from where the current match begins.
        QTextCursor cursor = mmSource_->textCursor();
        cursor.setPosition(cursor.selectionStart());
        mmSource_->setTextCursor(cursor);
        if (!text.isEmpty())
            FindNext(text);
        else
            lblFound_->clear();
    });
    auto* shortcut = new QShortcut(QKeySequence::Find, this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, &TSourceView::ShowFindBar);
}

void TSourceView::SetSourceFont(const std::string& fontString) {
    TSourceFont options;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (ApplyFontString(fontString, options) && !options.Name.empty()) {
        font.setFamily(QString::fromStdString(options.Name));
        font.setPointSize(std::max(1, options.Size));
        font.setBold(options.Bold);
        font.setItalic(options.Italic);
        font.setUnderline(options.Underline);
        font.setStrikeOut(options.StrikeOut);
    }
    // A font the desktop lacks ("Courier New") falls back to a fixed-pitch one.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    mmSource_->setFont(font);
    mmSource_->setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 4);
    QPalette palette = mmSource_->palette();
    int red = 0, green = 0, blue = 0;
    if (!fontString.empty() && ColorValueToRgb(options.Color, red, green, blue))
        palette.setColor(QPalette::Text, QColor(red, green, blue));
    else
        palette.setColor(QPalette::Text, QWidget::palette().color(QPalette::Text));
    mmSource_->setPalette(palette);
}

void TSourceView::ShowFindBar() {
    findBar_->show();
    const QString selected = mmSource_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        edtFind_->setText(selected);
    edtFind_->selectAll();
    edtFind_->setFocus(Qt::ShortcutFocusReason);
}

void TSourceView::HideFindBar() {
    findBar_->hide();
    lblFound_->clear();
    mmSource_->setFocus(Qt::OtherFocusReason);
}

bool TSourceView::FindBarVisible() const {
    return findBar_->isVisible();
}

bool TSourceView::FindNext(const QString& text, bool backward) {
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextDocument* document = mmSource_->document();
    QTextCursor found = document->find(text, mmSource_->textCursor(), flags);
    if (found.isNull()) {
        // Wrap around to the other end.
        QTextCursor start(document);
        if (backward)
            start.movePosition(QTextCursor::End);
        found = document->find(text, start, flags);
    }
    const bool ok = !found.isNull();
    if (ok)
        mmSource_->setTextCursor(found);
    lblFound_->setText(ok ? QString() : QStringLiteral("Not found"));
    QPalette palette = edtFind_->palette();
    palette.setColor(QPalette::Base,
                     ok ? QWidget::palette().color(QPalette::Base) : QColor(0xff, 0xdd, 0xdd));
    edtFind_->setPalette(palette);
    return ok;
}

} // namespace parvane
