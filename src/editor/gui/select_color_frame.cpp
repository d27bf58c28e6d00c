#include "editor/gui/select_color_frame.h"

#include "editor/gui/editor_dialog_support.h"
#include "editor/table_logic.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

namespace parvane {

TframSelectColor::TframSelectColor(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    edtColor = new QLineEdit;
    edtColor->setMaximumWidth(90);
    layout->addWidget(edtColor);
    btnColor = new QToolButton;
    btnColor->setIconSize(QSize(16, 16));
    btnColor->setToolTip("Select color");
    layout->addWidget(btnColor);
    layout->addStretch();

    connect(edtColor, &QLineEdit::textChanged, this, [this] {
        UpdateGlyph();
        emit TextChanged();
    });
    connect(edtColor, &QLineEdit::editingFinished, this, &TframSelectColor::UpdateGlyph);
    connect(btnColor, &QToolButton::clicked, this, &TframSelectColor::btnColorClick);
    UpdateGlyph();
}

QString TframSelectColor::Text() const {
    return edtColor->text();
}

void TframSelectColor::SetText(const QString& text) {
    edtColor->setText(text);
}

void TframSelectColor::SetFieldEnabled(bool enabled) {
    edtColor->setEnabled(enabled);
    btnColor->setEnabled(enabled);
    if (!enabled)
        edtColor->clear();
}

std::optional<QColor> TframSelectColor::Color() const {
    const std::optional<TRgb> rgb = ColorFieldToRgb(Ss(edtColor->text()));
    if (!rgb)
        return std::nullopt;
    return QColor(rgb->Red, rgb->Green, rgb->Blue);
}

void TframSelectColor::UpdateGlyph() {
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    if (const std::optional<QColor> color = Color()) {
        painter.fillRect(QRect(1, 1, 14, 14), *color);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(QRect(1, 1, 13, 13));
    } else {
        // No colour: an empty frame.
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(QRect(1, 1, 13, 13));
    }
    painter.end();
    btnColor->setIcon(QIcon(glyph));
}

void TframSelectColor::btnColorClick() {
    const QColor initial = Color().value_or(QColor(Qt::white));
    std::optional<QColor> chosen;
    if (prompt_) {
        chosen = prompt_(initial);
    } else {
        const QColor color = QColorDialog::getColor(initial, this);
        if (color.isValid())
            chosen = color;
    }
    if (!chosen)
        return;
    edtColor->setText(Qs(RgbToColorField({chosen->red(), chosen->green(), chosen->blue()})));
    UpdateGlyph();
}

} // namespace parvane
