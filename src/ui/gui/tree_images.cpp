#include "ui/gui/tree_images.h"

#include "model/paths.h"
#include "model/topic_tree.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

// The resources of a static library are registered by hand.
static void InitTreeImageResources() {
    Q_INIT_RESOURCE(tree_images);
}

namespace parvane {

namespace {
// Stands in for a topic image missing from the program folder: a numbered tile, so the
// tree stays readable.
QIcon NumberedTile(int number) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor("#3b4656"));
    painter.setBrush(QColor("#eef2f7"));
    painter.drawRect(1, 1, 13, 13);
    QFont font = painter.font();
    font.setPixelSize(8);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QString::number(number));
    return QIcon(pixmap);
}
} // namespace

TTreeImages::TTreeImages() {
    InitTreeImageResources();
    const QString icons =
        QString::fromStdString(Paths::IncludeTrailingSlash(Paths::AppDir())) + "webhelp/icons/";
    for (int i = 0; i < TreeImageCount; ++i) {
        const QString file = i < imgRootClosed ? icons + QString::number(i + 1) + ".gif"
                                               : QStringLiteral(":/tree/%1.png").arg(i);
        icons_.push_back(QFile::exists(file) ? QIcon(QPixmap(file)) : NumberedTile(i + 1));
    }
}

QIcon TTreeImages::Icon(int index) const {
    if (index < 0 || index >= icons_.size())
        return {};
    return icons_[index];
}

} // namespace parvane
