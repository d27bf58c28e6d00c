#include "ui/gui/add_topic_dialog.h"

#include "ui/gui/dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QVBoxLayout>

namespace parvane {

TfrmAddNewTopic::TfrmAddNewTopic(const TAddDialogPreset& preset, QWidget* parent,
                                 const std::string& libraryFolder)
    : QDialog(parent), homeKind_(preset.HomeKind), chosenMode_(preset.InsertMode),
      libraryFolder_(libraryFolder.empty() ? TemplateLibraryFolder() : libraryFolder) {
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
    rbPrebuilt = new QRadioButton(TemplateTexts::PrebuiltItem);
    rbBlank->setChecked(true);
    itemLayout->addWidget(rbBlank);
    itemLayout->addWidget(rbExisting);
    itemLayout->addWidget(rbNoLink);
    itemLayout->addWidget(rbPrebuilt);

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

    // The library: one name per row and the chosen template's preview.
    libraryPanel_ = new QWidget;
    auto* libraryLayout = new QHBoxLayout(libraryPanel_);
    libraryLayout->setContentsMargins(0, 0, 0, 0);
    lbTemplates = new QListWidget;
    lbTemplates->setMinimumWidth(140);
    libraryLayout->addWidget(lbTemplates);
    imgTemplate = new QLabel;
    imgTemplate->setFixedSize(322, 242);
    imgTemplate->setAlignment(Qt::AlignCenter);
    imgTemplate->setFrameShape(QFrame::StyledPanel);
    libraryLayout->addWidget(imgTemplate);
    layout->addWidget(libraryPanel_);
    library_ = LoadTemplateLibrary(libraryFolder_);
    for (const TTemplateEntry& entry : library_)
        lbTemplates->addItem(QString::fromStdString(entry.Name));
    lbTemplates->setCurrentRow(library_.empty() ? -1 : 0);
    TemplateChanged();

    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(new QLabel("Insert mode:"));
    cbInsertMode = new QComboBox;
    modeRow->addWidget(cbInsertMode);
    modeRow->addStretch();
    layout->addLayout(modeRow);

    layout->addWidget(OkCancelButtons(this));

    connect(rbBlank, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    connect(rbExisting, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    connect(rbNoLink, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    connect(rbPrebuilt, &QRadioButton::toggled, this, &TfrmAddNewTopic::ItemTypeChanged);
    // An existing template takes its title from the file name.
    connect(rbExisting, &QRadioButton::clicked, this, [this] {
        if (Page() == 2)
            cbTitleFrom->setCurrentIndex(1);
    });
    connect(lbTemplates, &QListWidget::currentRowChanged, this, &TfrmAddNewTopic::TemplateChanged);
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
    const bool templates = Page() == 2;
    rbBlank->setText(templates ? "A new template" : "Link to blank pages");
    rbExisting->setText(templates ? "An existing template" : "Link to existing HTML files");
    rbNoLink->setText(templates ? "No link topic" : "No link");
    rbPrebuilt->setVisible(templates);
    if (templates)
        rbPrebuilt->setChecked(true);
    else if (rbPrebuilt->isChecked())
        rbBlank->setChecked(true);
    ItemTypeChanged();
}

void TfrmAddNewTopic::ItemTypeChanged() {
    const bool existing = rbExisting->isChecked();
    const bool prebuilt = PrebuiltTemplate();
    countRow_->setVisible(!existing && !prebuilt);
    titleRow_->setVisible(existing);
    libraryPanel_->setVisible(prebuilt);
}

void TfrmAddNewTopic::TemplateChanged() {
    const TTemplateEntry* entry = ChosenTemplate();
    const std::string file = entry ? TemplatePreviewFile(libraryFolder_, *entry) : std::string();
    const QPixmap picture(QString::fromStdString(file));
    if (picture.isNull()) {
        imgTemplate->setPixmap({});
        imgTemplate->setText(entry ? "(no preview)" : QString());
    } else {
        imgTemplate->setPixmap(picture.scaled(imgTemplate->size() - QSize(2, 2),
                                              Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}

bool TfrmAddNewTopic::PrebuiltTemplate() const {
    return Page() == 2 && rbPrebuilt->isChecked();
}

const TTemplateEntry* TfrmAddNewTopic::ChosenTemplate() const {
    const int row = lbTemplates->currentRow();
    return row >= 0 && row < static_cast<int>(library_.size())
               ? &library_[static_cast<std::size_t>(row)]
               : nullptr;
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
