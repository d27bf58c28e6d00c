#include "output/gui/build_dialog.h"

#include "output/output_file.h"
#include "ui/gui/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace parvane {

namespace {
QWidget* Row(QLineEdit* edit, QPushButton* button) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    if (button) {
        button->setFixedWidth(32);
        layout->addWidget(button);
    }
    return row;
}

// The settings button of a page, at its right edge.
QWidget* OptionsRow(QPushButton* button) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 8, 0, 0);
    layout->addStretch();
    layout->addWidget(button);
    return row;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TfrmCompiler::TfrmCompiler(IDialogs& dialogs, const std::string& projectRoot,
                           const TBuildDialogValues& values, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), projectRoot_(projectRoot) {
    setObjectName("frmCompiler");
    setWindowTitle("Build help file");
    setMinimumWidth(560);
    auto* layout = new QVBoxLayout(this);
    pcOutput = new QTabWidget;
    layout->addWidget(pcOutput);

    // HTML Help
    auto* chmPage = new QWidget;
    auto* chmForm = new QFormLayout(chmPage);
    edtCompiledFile = new QLineEdit;
    btnCompiledFile = new QPushButton("...");
    chmForm->addRow("Compiled file:", Row(edtCompiledFile, btnCompiledFile));
    cbDeleteProject = new QCheckBox("Output Html Help Workshop project (hhp)");
    chmForm->addRow(cbDeleteProject);
    edtHHPFolder = new QLineEdit;
    btnHHPFolder = new QPushButton("...");
    chmForm->addRow("", Row(edtHHPFolder, btnHHPFolder));
    btnHtmlHelpOptions = new QPushButton("HTML Help Options...");
    chmForm->addRow(OptionsRow(btnHtmlHelpOptions));
    pcOutput->addTab(chmPage, "HTML Help (CHM)");

    // Web Help
    auto* webPage = new QWidget;
    auto* webForm = new QFormLayout(webPage);
    edtWebHelpFolder = new QLineEdit;
    btnWebHelpFolder = new QPushButton("...");
    webForm->addRow("Output folder:", Row(edtWebHelpFolder, btnWebHelpFolder));
    btnWebHelpOptions = new QPushButton("Web Help Options...");
    webForm->addRow(OptionsRow(btnWebHelpOptions));
    pcOutput->addTab(webPage, "Website Help");

    // Single HTML
    auto* singlePage = new QWidget;
    auto* singleForm = new QFormLayout(singlePage);
    edtSingleFolder = new QLineEdit;
    btnSingleFolder = new QPushButton("...");
    singleForm->addRow("Output folder:", Row(edtSingleFolder, btnSingleFolder));
    edtSingleFilename = new QLineEdit;
    singleForm->addRow("File name:", edtSingleFilename);
    btnSingleHtmlOptions = new QPushButton("Single HTML Options...");
    singleForm->addRow(OptionsRow(btnSingleHtmlOptions));
    pcOutput->addTab(singlePage, "Single HTML file");

    // PDF, EPUB and Qt Help: one file each.
    auto* pdfPage = new QWidget;
    auto* pdfForm = new QFormLayout(pdfPage);
    edtPdfFile = new QLineEdit;
    btnPdfFile = new QPushButton("...");
    pdfForm->addRow("PDF file:", Row(edtPdfFile, btnPdfFile));
    cbPdfPageSize = new QComboBox;
    cbPdfPageSize->addItems({"A4", "Letter"});
    pdfForm->addRow("Page size:", cbPdfPageSize);
    sePdfMargin = new QSpinBox;
    sePdfMargin->setRange(0, kMaxPdfMargin);
    sePdfMargin->setSuffix(" mm");
    pdfForm->addRow("Margins:", sePdfMargin);
    pcOutput->addTab(pdfPage, "PDF");

    auto* epubPage = new QWidget;
    auto* epubForm = new QFormLayout(epubPage);
    edtEpubFile = new QLineEdit;
    btnEpubFile = new QPushButton("...");
    epubForm->addRow("EPUB file:", Row(edtEpubFile, btnEpubFile));
    pcOutput->addTab(epubPage, "EPUB e-book");

    auto* qtHelpPage = new QWidget;
    auto* qtHelpForm = new QFormLayout(qtHelpPage);
    edtQtHelpFile = new QLineEdit;
    btnQtHelpFile = new QPushButton("...");
    qtHelpForm->addRow("Qt help file:", Row(edtQtHelpFile, btnQtHelpFile));
    pcOutput->addTab(qtHelpPage, "Qt Help");

    cbViewCompiledFile = new QCheckBox("View the compiled file when compilation is finished");
    cbViewCompiledFile->setChecked(true);
    layout->addWidget(cbViewCompiledFile);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnStart = new QPushButton("Start");
    btnStart->setDefault(true);
    btnCancel = new QPushButton("Cancel");
    buttons->addWidget(btnStart);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    connect(btnStart, &QPushButton::clicked, this, [this] {
        if (TryStart())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cbDeleteProject, &QCheckBox::toggled, this, &TfrmCompiler::UpdateHHPFolder);
    connect(btnHHPFolder, &QPushButton::clicked, this, [this] { ChooseFolder(edtHHPFolder); });
    connect(btnWebHelpFolder, &QPushButton::clicked, this,
            [this] { ChooseFolder(edtWebHelpFolder); });
    connect(btnSingleFolder, &QPushButton::clicked, this,
            [this] { ChooseFolder(edtSingleFolder); });
    connect(btnCompiledFile, &QPushButton::clicked, this, [this] {
        const QString file = dialogs_.SaveFile({}, edtCompiledFile->text(), Filters::Chm, "chm");
        if (!file.isEmpty())
            edtCompiledFile->setText(file);
    });
    connect(btnPdfFile, &QPushButton::clicked, this,
            [this] { ChooseFile(edtPdfFile, "PDF file (*.pdf)", "pdf"); });
    connect(btnEpubFile, &QPushButton::clicked, this,
            [this] { ChooseFile(edtEpubFile, "EPUB e-book (*.epub)", "epub"); });
    connect(btnQtHelpFile, &QPushButton::clicked, this,
            [this] { ChooseFile(edtQtHelpFile, "Qt compressed help (*.qch)", "qch"); });
    const auto options = [this](int page) {
        if (!OpenProjectSettings)
            return;
        TBuildDialogValues current = Values();
        if (OpenProjectSettings(page, current))
            SetValues(current);
    };
    connect(btnHtmlHelpOptions, &QPushButton::clicked, this, [options] { options(0); });
    connect(btnWebHelpOptions, &QPushButton::clicked, this, [options] { options(1); });
    connect(btnSingleHtmlOptions, &QPushButton::clicked, this, [options] { options(2); });

    SetValues(values);
    UpdateOptionButtons();
}

void TfrmCompiler::UpdateOptionButtons() {
    for (QPushButton* button : {btnHtmlHelpOptions, btnWebHelpOptions, btnSingleHtmlOptions})
        button->setEnabled(static_cast<bool>(OpenProjectSettings));
}

void TfrmCompiler::SetValues(const TBuildDialogValues& values) {
    pcOutput->setCurrentIndex(values.Page);
    edtCompiledFile->setText(Q(values.CompiledFile));
    cbDeleteProject->setChecked(values.DeleteProject);
    edtHHPFolder->setText(Q(values.HHPFolder));
    edtWebHelpFolder->setText(Q(values.WebHelpOutputFolder));
    edtSingleFolder->setText(Q(values.SingleHtmlOutputFolder));
    edtSingleFilename->setText(Q(values.SingleHtmlFilename));
    cbViewCompiledFile->setChecked(values.ViewCompiledFile);
    edtPdfFile->setText(Q(values.PdfFile));
    cbPdfPageSize->setCurrentIndex(PdfPageSizeName(values.PdfPageSize) == "Letter" ? 1 : 0);
    sePdfMargin->setValue(values.PdfMargin);
    edtEpubFile->setText(Q(values.EpubFile));
    edtQtHelpFile->setText(Q(values.QtHelpFile));
    UpdateHHPFolder();
}

TBuildDialogValues TfrmCompiler::Values() const {
    TBuildDialogValues values;
    values.Page = pcOutput->currentIndex();
    values.CompiledFile = edtCompiledFile->text().toStdString();
    values.DeleteProject = cbDeleteProject->isChecked();
    values.HHPFolder = edtHHPFolder->text().toStdString();
    values.WebHelpOutputFolder = edtWebHelpFolder->text().toStdString();
    values.SingleHtmlOutputFolder = edtSingleFolder->text().toStdString();
    values.SingleHtmlFilename = edtSingleFilename->text().toStdString();
    values.ViewCompiledFile = cbViewCompiledFile->isChecked();
    values.PdfFile = edtPdfFile->text().toStdString();
    values.PdfPageSize = cbPdfPageSize->currentText().toStdString();
    values.PdfMargin = sePdfMargin->value();
    values.EpubFile = edtEpubFile->text().toStdString();
    values.QtHelpFile = edtQtHelpFile->text().toStdString();
    return values;
}

void TfrmCompiler::UpdateHHPFolder() {
    // Disabled widgets take the palette's disabled (button-face) colours.
    const bool on = cbDeleteProject->isChecked();
    edtHHPFolder->setEnabled(on);
    btnHHPFolder->setEnabled(on);
}

QLineEdit* TfrmCompiler::EditOf(BuildField field) const {
    switch (field) {
    case BuildField::CompiledFile:
        return edtCompiledFile;
    case BuildField::HHPFolder:
        return edtHHPFolder;
    case BuildField::WebHelpOutputFolder:
        return edtWebHelpFolder;
    case BuildField::SingleHtmlOutputFolder:
        return edtSingleFolder;
    case BuildField::SingleHtmlFilename:
        return edtSingleFilename;
    case BuildField::PdfFile:
        return edtPdfFile;
    case BuildField::EpubFile:
        return edtEpubFile;
    case BuildField::QtHelpFile:
        return edtQtHelpFile;
    }
    return edtCompiledFile;
}

void TfrmCompiler::ChooseFolder(QLineEdit* edit) {
    QString start = edit->text().trimmed();
    if (start.startsWith("~/"))
        start = QDir::homePath() + start.mid(1);
    if (!QFileInfo(start).isDir())
        start = QDir::homePath();
    const QString folder = dialogs_.SelectFolder("Select a folder:", start);
    if (!folder.isEmpty())
        edit->setText(folder.endsWith('/') ? folder : folder + '/');
}

void TfrmCompiler::ChooseFile(QLineEdit* edit, const QString& filter, const QString& suffix) {
    const QString file = dialogs_.SaveFile({}, edit->text(), filter, suffix);
    if (!file.isEmpty())
        edit->setText(file);
}

bool TfrmCompiler::TryStart() {
    const TBuildDialogValues values = Values();
    if (const auto error = ValidateBuildDialog(values, projectRoot_)) {
        dialogs_.Error(Q(error->Message));
        QLineEdit* edit = EditOf(error->Field);
        edit->setFocus();
        return false;
    }
    const std::string folder = FolderToEmpty(values);
    for (const std::string& warning : FolderWarnings(folder)) {
        if (dialogs_.Ask(Q(warning), TButtons::YesNo) != TAnswer::Yes)
            return false;
    }
    const std::string replace = OutputFileWarning(values, projectRoot_);
    if (!replace.empty() && dialogs_.Ask(Q(replace), TButtons::YesNo) != TAnswer::Yes)
        return false;
    return true;
}

} // namespace parvane
