#include "ui/gui/about_dialog.h"

#include "model/paths.h"
#include "settings/app_options.h"
#include "ui/project_naming.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QString("About ") + ProductName + " " + VersionText);

    auto* icon = new QLabel;
    const QIcon appIcon = QIcon::fromTheme("parvane", QApplication::windowIcon());
    if (!appIcon.isNull())
        icon->setPixmap(appIcon.pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop);

    lblProduct = new QLabel(QString("<b style=\"font-size:16pt\">") + ProductName + "</b>");
    lblProduct->setObjectName("lblProduct");
    lblVersion = new QLabel(QString(VersionText) + " (build " + PARVANE_VERSION + ", Qt " +
                            qVersion() + ")");
    lblVersion->setObjectName("lblVersion");
    auto* what = new QLabel("A help-authoring tool: arrange the topics of a help project, edit "
                            "their pages, and build compiled HTML Help, a Web Help site and a "
                            "single HTML page from one project.");
    what->setWordWrap(true);
    lblFolders = new QLabel("Program folder: " + Q(Paths::AppDir()).toHtmlEscaped() +
                            "<br>Options: " + Q(UserOptionsFile()).toHtmlEscaped());
    lblFolders->setObjectName("lblFolders");
    lblFolders->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFolders->setWordWrap(true);

    auto* text = new QVBoxLayout;
    text->addWidget(lblProduct);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(what);
    text->addSpacing(8);
    text->addWidget(lblFolders);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(440);
}

} // namespace parvane
