#pragma once
// TframSelectColor: the colour field of the table, cell and page dialogs. A box holding a
// colour as text ("#" and six hexadecimal digits, or empty) and a button whose glyph shows
// that colour and opens the colour chooser.

#include <QColor>
#include <QWidget>
#include <functional>
#include <optional>

class QLineEdit;
class QToolButton;

namespace parvane {

class TframSelectColor : public QWidget {
    Q_OBJECT
public:
    explicit TframSelectColor(QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    // Disabling empties the box; the box shows the disabled face meanwhile.
    void SetFieldEnabled(bool enabled);

    // The chooser the button opens, preset to the colour of the text; nothing when the user
    // cancels. A QColorDialog unless replaced.
    using TColorPrompt = std::function<std::optional<QColor>(const QColor& initial)>;
    void SetColorPrompt(TColorPrompt prompt) { prompt_ = std::move(prompt); }
    // The colour the glyph shows, if the text names one.
    std::optional<QColor> Color() const;

    QLineEdit* edtColor;
    QToolButton* btnColor;

signals:
    void TextChanged();

private:
    void UpdateGlyph();
    void btnColorClick();

    TColorPrompt prompt_;
};

} // namespace parvane
