#include "wizard/gui/new_project_dialog.h"

#include "model/errors.h"
#include "model/paths.h"
#include "settings/settings_lists.h"
#include "ui/gui/dialogs.h"
#include "wizard/root_folder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

namespace parvane {

const QStringList& EncodingEntries() {
    // The project settings offer the same list; it names the charsets as browsers know them.
    static const QStringList entries = [] {
        QStringList list;
        for (const std::string& entry : EncodingList())
            list << QString::fromStdString(entry);
        return list;
    }();
    return entries;
}

TfrmNew::TfrmNew(IDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
    setObjectName("frmNew");
    setWindowTitle("New project");
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(
        "To convert exsiting html files into html help file(CHM), set the folder that contains "
        "all the html files as Root Folder.\n\nTo create a CHM file with nothing, just specify a "
        "blank folder.");
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* form = new QFormLayout;
    edtTitle = new QLineEdit;
    form->addRow("Title:", edtTitle);
    auto* rootRow = new QHBoxLayout;
    edtRootFolder = new QLineEdit;
    btnRootFolder = new QPushButton("...");
    rootRow->addWidget(edtRootFolder);
    rootRow->addWidget(btnRootFolder);
    form->addRow("Root Folder:", rootRow);
    cbEncoding = new QComboBox;
    cbEncoding->addItems(EncodingEntries());
    cbEncoding->setCurrentText("Western(Windows-1252); Windows-1252");
    form->addRow("Encoding:", cbEncoding);
    layout->addLayout(form);

    auto* pageGroup = new QGroupBox("When create a new topic, use");
    auto* pageLayout = new QVBoxLayout(pageGroup);
    rbDefaultPage = new QRadioButton("Default blank page");
    rbCustomPage = new QRadioButton("Custom page");
    rbDefaultPage->setChecked(true);
    pageLayout->addWidget(rbDefaultPage);
    pageLayout->addWidget(rbCustomPage);
    auto* fileRow = new QHBoxLayout;
    lblFileName = new QLabel("File name:");
    edtFileName = new QLineEdit;
    btnFileName = new QPushButton("...");
    fileRow->addWidget(lblFileName);
    fileRow->addWidget(edtFileName);
    fileRow->addWidget(btnFileName);
    pageLayout->addLayout(fileRow);
    layout->addWidget(pageGroup);

    cbSearch = new QCheckBox("Automatically search HTML files to create navigation");
    cbSearch->setChecked(true);
    layout->addWidget(cbSearch);
    cbKeepStructure = new QCheckBox("Keep structure");
    cbKeepStructure->setChecked(true);
    layout->addWidget(cbKeepStructure);
    cbFolderIndex = new QCheckBox("Use a folder's index page as its heading");
    layout->addWidget(cbFolderIndex);
    auto* titleRow = new QHBoxLayout;
    lblTitleFrom = new QLabel("Get title from:");
    cbTitleFrom = new QComboBox;
    cbTitleFrom->addItems({"Between <title> and </title> in source", "Filename without extension",
                           "Entire filename"});
    titleRow->addWidget(lblTitleFrom);
    titleRow->addWidget(cbTitleFrom);
    layout->addLayout(titleRow);

    layout->addWidget(OkCancelButtons(this));

    scanDelay_ = new QTimer(this);
    scanDelay_->setSingleShot(true);
    scanDelay_->setInterval(ScanDelay);
    connect(scanDelay_, &QTimer::timeout, this, &TfrmNew::StartScan);
    connect(edtRootFolder, &QLineEdit::textChanged, this, &TfrmNew::RootFolderChanged);
    connect(cbSearch, &QCheckBox::toggled, this, &TfrmNew::UpdateEnabling);
    connect(cbKeepStructure, &QCheckBox::toggled, this, &TfrmNew::UpdateEnabling);
    connect(rbCustomPage, &QRadioButton::toggled, this, &TfrmNew::UpdateEnabling);
    connect(btnRootFolder, &QPushButton::clicked, this, [this] {
        const QString folder = dialogs_.SelectFolder("Select a folder:", edtRootFolder->text());
        if (!folder.isEmpty())
            edtRootFolder->setText(folder);
    });
    connect(btnFileName, &QPushButton::clicked, this, [this] {
        const QString file =
            dialogs_.OpenFile("Select a HTML file as template", edtFileName->text(), Filters::Html);
        if (!file.isEmpty())
            edtFileName->setText(file);
    });

    edtTitle->setText("New HTML Help");
    // Setting the proposal counts as a change: a folder that does not exist yet leaves
    // the search off.
    edtRootFolder->setText(QString::fromStdString(SuggestProjectFolder()));
    RootFolderChanged();
    UpdateEnabling();
}

TfrmNew::~TfrmNew() {
    if (scanCancel_)
        *scanCancel_ = true;
}

void TfrmNew::RootFolderChanged() {
    // Whatever was being searched is no longer asked for.
    if (scanCancel_)
        *scanCancel_ = true;
    scanCancel_.reset();
    ++scanGeneration_;
    const std::string folder = Paths::ExpandHome(edtRootFolder->text().trimmed().toStdString());
    if (folder.empty() || !Paths::FolderExists(folder)) {
        scanDelay_->stop();
        scanPending_ = false;
        cbSearch->setChecked(false);
        return;
    }
    // A folder of the whole disk can take long to search: typing goes on undisturbed.
    scanPending_ = true;
    scanDelay_->start();
}

void TfrmNew::StartScan() {
    const std::string folder = Paths::ExpandHome(edtRootFolder->text().trimmed().toStdString());
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    scanCancel_ = cancel;
    const quint64 generation = scanGeneration_;
    QPointer<TfrmNew> self(this);
    QThreadPool::globalInstance()->start([self, cancel, folder, generation] {
        const bool found = ContainsHtmlFiles(folder, *cancel);
        if (cancel->load())
            return;
        QMetaObject::invokeMethod(
            qApp,
            [self, generation, found] {
                if (self)
                    self->ScanFinished(generation, found);
            },
            Qt::QueuedConnection);
    });
}

void TfrmNew::ScanFinished(quint64 generation, bool found) {
    if (generation != scanGeneration_)
        return;
    scanPending_ = false;
    scanCancel_.reset();
    cbSearch->setChecked(found);
}

void TfrmNew::accept() {
    try {
        MakeRootFolder(edtRootFolder->text().toStdString());
    } catch (const EParvaneError& e) {
        dialogs_.Error(QString::fromStdString(e.what()));
        edtRootFolder->setFocus(Qt::OtherFocusReason);
        edtRootFolder->selectAll();
        return;
    }
    QDialog::accept();
}

void TfrmNew::UpdateEnabling() {
    const bool search = cbSearch->isChecked();
    cbKeepStructure->setEnabled(search);
    cbFolderIndex->setEnabled(search && cbKeepStructure->isChecked());
    lblTitleFrom->setEnabled(search);
    cbTitleFrom->setEnabled(search);
    const bool custom = rbCustomPage->isChecked();
    lblFileName->setEnabled(custom);
    edtFileName->setEnabled(custom);
    btnFileName->setEnabled(custom);
}

TNewProjectOptions TfrmNew::Options() const {
    TNewProjectOptions options;
    options.Title = edtTitle->text().toStdString();
    options.RootFolder = edtRootFolder->text().toStdString();
    options.DefaultTemplate = rbDefaultPage->isChecked();
    options.CustomTemplate = edtFileName->text().toStdString();
    const QString entry = cbEncoding->currentText();
    const int semicolon = entry.indexOf(';');
    options.Encoding = semicolon < 0 ? std::string() : entry.mid(semicolon + 1).toStdString();
    options.Import = cbSearch->isChecked();
    options.KeepStructure = cbKeepStructure->isChecked();
    options.FolderIndex = cbKeepStructure->isChecked() && cbFolderIndex->isChecked();
    options.TitleMode = cbTitleFrom->currentIndex() + 1;
    return options;
}

TfrmSearchHTML::TfrmSearchHTML(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("frmSearchHTML");
    setWindowTitle("Searching");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    lblFile = new QLabel;
    lblFile->setMinimumWidth(420);
    layout->addWidget(lblFile);
}

void TfrmSearchHTML::ShowFile(const QString& path) {
    lblFile->setText(path);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace parvane
