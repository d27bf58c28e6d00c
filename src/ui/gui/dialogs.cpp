#include "ui/gui/dialogs.h"

#include "ui/project_naming.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace parvane {

namespace {
QString TitleOr(const QString& title) {
    return title.isEmpty() ? QString::fromStdString(ApplicationTitle()) : title;
}

// A folder that exists to start a dialog in: the given one, else the home folder.
QString StartFolder(const QString& folder) {
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    if (!folder.isEmpty() && QFileInfo(QFileInfo(folder).absolutePath()).isDir())
        return folder;
    return QDir::homePath();
}
} // namespace

TAnswer TQtDialogs::Ask(const QString& text, TButtons buttons, const QString& title) {
    QMessageBox box(QMessageBox::Question, TitleOr(title), text,
                    buttons == TButtons::YesNoCancel
                        ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                        : QMessageBox::Yes | QMessageBox::No,
                    parent_);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TAnswer::Yes;
    case QMessageBox::No:
        return TAnswer::No;
    default:
        return buttons == TButtons::YesNoCancel ? TAnswer::Cancel : TAnswer::No;
    }
}

void TQtDialogs::Error(const QString& text) {
    QMessageBox::critical(parent_, TitleOr({}), text, QMessageBox::Ok);
}

QString TQtDialogs::OpenFile(const QString& title, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, title, StartFolder(folder), filter);
}

QStringList TQtDialogs::OpenFiles(const QString& title, const QString& folder,
                                  const QString& filter) {
    return QFileDialog::getOpenFileNames(parent_, title, StartFolder(folder), filter);
}

QString TQtDialogs::SaveFile(const QString& title, const QString& proposed, const QString& filter,
                             const QString& suffix) {
    QFileDialog dialog(parent_, title, StartFolder(QFileInfo(proposed).absolutePath()), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix.startsWith('.') ? suffix.mid(1) : suffix);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString TQtDialogs::SelectFolder(const QString& caption, const QString& start) {
    return QFileDialog::getExistingDirectory(parent_, caption, StartFolder(start));
}

int TQtDialogs::Exec(QDialog& dialog) {
    return dialog.exec();
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    ok->setText("OK");
    ok->setObjectName("btnOK");
    cancel->setText("Cancel");
    cancel->setObjectName("btnCancel");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

void TQtDialogs::OpenWithDesktop(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace parvane
