#include "ui/gui/start_dialog.h"

#include "ui/gui/dialogs.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace parvane {

TfrmSelectWhenStart::TfrmSelectWhenStart(const QStringList& recentProjects, QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmSelectWhenStart");
    setWindowTitle("Project");
    auto* layout = new QVBoxLayout(this);
    rbNew = new QRadioButton("Create a new project");
    rbRecent = new QRadioButton("Open a recent project:");
    rbExisting = new QRadioButton("Open an existing project");
    lbRecent = new QListWidget;
    lbRecent->addItems(recentProjects);
    lbRecent->setCurrentRow(0);
    lbRecent->setMinimumWidth(420);
    layout->addWidget(rbNew);
    layout->addWidget(rbRecent);
    layout->addWidget(lbRecent);
    layout->addWidget(rbExisting);
    layout->addWidget(OkCancelButtons(this));
    connect(rbRecent, &QRadioButton::toggled, lbRecent, &QWidget::setEnabled);
    connect(lbRecent, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    rbRecent->setChecked(true);
}

TfrmSelectWhenStart::Choice TfrmSelectWhenStart::SelectedChoice() const {
    if (rbNew->isChecked())
        return NewProject;
    if (rbExisting->isChecked())
        return ExistingProject;
    return RecentProject;
}

void TfrmSelectWhenStart::SetChoice(Choice choice) {
    (choice == NewProject        ? rbNew
     : choice == ExistingProject ? rbExisting
                                 : rbRecent)
        ->setChecked(true);
}

QString TfrmSelectWhenStart::SelectedProject() const {
    const QListWidgetItem* item = lbRecent->currentItem();
    return item ? item->text() : QString();
}

} // namespace parvane
