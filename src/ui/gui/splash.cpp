#include "ui/gui/splash.h"

#include "ui/project_naming.h"

#include <QLinearGradient>
#include <QPainter>

namespace parvane {

namespace {
QPixmap SplashPicture() {
    QPixmap pixmap(360, 180);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, 0, 180);
    gradient.setColorAt(0, QColor("#2f6fba"));
    gradient.setColorAt(1, QColor("#1d4a80"));
    painter.fillRect(pixmap.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 40, 360, 60), Qt::AlignCenter, ProductName);
    font.setPixelSize(16);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(0, 100, 360, 30), Qt::AlignCenter, VersionText);
    return pixmap;
}
} // namespace

TfrmFlashScreen::TfrmFlashScreen() : QSplashScreen(SplashPicture()) {
    setObjectName("frmFlashScreen");
}

} // namespace parvane
