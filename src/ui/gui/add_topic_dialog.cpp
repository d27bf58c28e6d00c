#include "ui/gui/add_topic_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

namespace parvane {

TfrmAddNewTopic::TfrmAddNewTopic(const TAddDialogPreset& preset, QWidget* parent)
    : QDialog(parent), homeKind_(preset.HomeKind), chosenMode_(preset.InsertMode) {
    setObjectName("frmAddNewTopic");
    setWindowTitle("Add new topic");
    auto* layout = new QVBoxLayout(this);

    pcPages = new QTabBar;
    pcPages->addTab("Table of Contents Page");
    pcPages->addTab("Non-contents Page");
    pcPages->addTab("Templates");
    layout->addWidget(pcPages);

    itemPanel_ = new QGroupBox("Item type");
    auto* itemLayout = new QVBoxLayout(itemPanel_);
    rbBlank = new QRadioButton("Link to blank pages");
    rbExisting = new QRadioButton("Link to existing HTML files");
    rbNoLink = new QRadioButton("No link");
    rbBlank->setChecked(true);
    itemLayout->addWidget(rbBlank);
    itemLayout->addWidget(rbExisting);
    itemLayout->addWidget(rbNoLink);

    countRow_ = new QWidget;
    auto* countLayout = new QHBoxLayout(countRow_);
    countLayout->setContentsMargins(0, 0, 0, 0);
    countLayout->addWidget(new QLabel("Count:"));
    edtCount = new QSpinBox;
    edtCount->setRange(1, 999);
    edtCount->setValue(1);
    countLayout->addWidget(edtCount);
    countLayout->addStretch();
    itemLayout->addWidget(countRow_);

    titleRow_ = new QWidget;
    auto* titleLayout = new QHBoxLayout(titleRow_);
    titleLayout->setContentsMargins(0, 0, 0, 0);
    titleLayout->addWidget(new QLabel("Get title from:"));
    cbTitleFrom = new QComboBox;
    cbTitleFrom->addItems({"Between <title> and </title> in source", "Filename without extension",
                           "Entire filename"});
    titleLayout->addWidget(cbTitleFrom);
    itemLayout->addWidget(titleRow_);
    layout->addWidget(itemPanel_);

    templatesNote_ = new QLabel("New template pages are added as blank pages.");
    layout->addWidget(templatesNote_);

    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel("Insert mode:"));
    cbInsertMode = new QComboBox;
    modeRow->addWidget(cbInsertMode);
    modeRow->addStretch();
    layout->addLayout(modeRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    buttons->button(QDialogButtonBox::Cancel)->setText("Cancel");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(rbBlank, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    connect(rbExisting, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    connect(rbNoLink, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    connect(cbInsertMode, &QComboBox::activated, this, [this](int index) {
        if (cbInsertMode->isEnabled())
            chosenMode_ = index;
    });
    connect(pcPages, &QTabBar::currentChanged, this, &TfrmAddNewTopic::PageChanged);
    pcPages->setCurrentIndex(preset.Page);
    PageChanged();
    ItemTypeChanged();
}

int TfrmAddNewTopic::Page() const {
    return pcPages->currentIndex();
}

void TfrmAddNewTopic::SetPage(int page) {
    pcPages->setCurrentIndex(page);
}

void TfrmAddNewTopic::PageChanged() {
    const bool own = AddModesEnabled(homeKind_, Page());
    cbInsertMode->clear();
    if (own) {
        cbInsertMode->addItems({"Insert end", "Insert before", "Insert after", "Insert child"});
        cbInsertMode->setCurrentIndex(chosenMode_);
    } else {
        cbInsertMode->addItems({"Insert end", "Insert before", "Insert after", "Append"});
        cbInsertMode->setCurrentIndex(aimChild);
    }
    cbInsertMode->setEnabled(own);
    // Choosing from the template library comes with the template commands; here the
    // Templates page adds blank template pages.
    const bool templates = Page() == 2;
    rbExisting->setEnabled(!templates);
    rbNoLink->setEnabled(!templates);
    if (templates)
        rbBlank->setChecked(true);
    templatesNote_->setVisible(templates);
}

void TfrmAddNewTopic::ItemTypeChanged() {
    const bool existing = rbExisting->isChecked();
    countRow_->setVisible(!existing);
    titleRow_->setVisible(existing);
}

TAddRequest TfrmAddNewTopic::Request() const {
    TAddRequest request;
    request.Page = Page();
    request.InsertMode = cbInsertMode->currentIndex();
    request.ItemType = rbExisting->isChecked() ? AddItemType::ExistingFiles
                       : rbNoLink->isChecked() ? AddItemType::NoLink
                                               : AddItemType::BlankPages;
    request.Count = edtCount->value();
    request.TitleMode = cbTitleFrom->currentIndex() + 1;
    return request;
}

} // namespace parvane
