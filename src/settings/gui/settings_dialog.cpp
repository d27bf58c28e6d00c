#include "settings/gui/settings_dialog.h"

#include "model/paths.h"
#include "model/project_file.h"
#include "output/build_driver.h"
#include "settings/gui/designer_dialog.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/select_topic_dialog.h"
#include "ui/gui/tree_images.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace parvane {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string S(const QString& s) {
    return s.toStdString();
}

QPushButton* SmallButton(const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption);
    button->setToolTip(hint);
    button->setFixedWidth(32);
    return button;
}

// An edit with the buttons that fill it.
QWidget* Row(QWidget* edit, std::initializer_list<QWidget*> buttons) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    for (QWidget* button : buttons)
        layout->addWidget(button);
    return row;
}

QComboBox* ImageList(const TTreeImages& images) {
    auto* box = new QComboBox;
    for (int i = 0; i < 42; ++i)
        box->addItem(images.Icon(i), QString::number(i + 1));
    return box;
}

QComboBox* List(const std::vector<std::string>& entries) {
    auto* box = new QComboBox;
    for (const std::string& entry : entries)
        box->addItem(Q(entry));
    box->setMaxVisibleItems(20);
    return box;
}

// The swatch of a colour button; an unreadable colour shows an empty frame.
QIcon Swatch(const QString& text) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QColor colour = QColor::fromString(text.trimmed());
    if (colour.isValid())
        painter.fillRect(pixmap.rect(), colour);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 15, 15);
    return QIcon(pixmap);
}

// "Same as ..." edits show the value they follow while the box is set and keep the
// author's own text for when it is cleared again.
void ShowFollowing(QLineEdit* edit, bool enabled, const std::string& shown) {
    if (!enabled && edit->isEnabled())
        edit->setProperty("ownText", edit->text());
    else if (enabled && !edit->isEnabled())
        edit->setText(edit->property("ownText").toString());
    edit->setEnabled(enabled);
    if (!enabled)
        edit->setText(Q(shown));
}

// The author's own text of a "Same as ..." edit.
std::string OwnText(const QLineEdit* edit) {
    return S(edit->isEnabled() ? edit->text() : edit->property("ownText").toString());
}

} // namespace

int SettingsPageOfBuildPage(int buildPage) {
    switch (buildPage) {
    case 1:
        return spWebHelp;
    case 2:
        return spSingleHtml;
    default:
        return spHtmlHelp;
    }
}

TfrmSettings::TfrmSettings(TPvx& project, IDialogs& dialogs, const TTreeImages& images, int page,
                           QWidget* parent)
    : QDialog(parent), project_(project), dialogs_(dialogs), images_(images) {
    setObjectName("frmSettings");
    setWindowTitle(SettingsTexts::Caption);
    auto* layout = new QVBoxLayout(this);
    pcSettings = new QTabWidget;
    layout->addWidget(pcSettings);

    // General
    auto* general = new QWidget;
    auto* generalForm = new QFormLayout(general);
    edtTitle = new QLineEdit;
    generalForm->addRow("Title:", edtTitle);
    edtRootDir = new QLineEdit;
    btnRootDir = SmallButton("...", "Select a folder");
    generalForm->addRow("Root folder:", Row(edtRootDir, {btnRootDir}));
    auto* icons = new QGroupBox("Default icon:");
    auto* iconRow = new QHBoxLayout(icons);
    cbHasChild = ImageList(images);
    cbNoChild = ImageList(images);
    iconRow->addWidget(new QLabel("Has child:"));
    iconRow->addWidget(cbHasChild);
    iconRow->addSpacing(16);
    iconRow->addWidget(new QLabel("No child:"));
    iconRow->addWidget(cbNoChild);
    iconRow->addStretch();
    generalForm->addRow(icons);
    cbEncoding = List(EncodingList());
    generalForm->addRow("Encoding:", cbEncoding);
    auto* newTopic = new QGroupBox("When create a new topic, use");
    auto* newTopicLayout = new QVBoxLayout(newTopic);
    rbDefaultTemplate = new QRadioButton("Default blank page");
    rbCustomTemplate = new QRadioButton("Custom page");
    newTopicLayout->addWidget(rbDefaultTemplate);
    newTopicLayout->addWidget(rbCustomTemplate);
    auto* customRow = new QHBoxLayout;
    customRow->setContentsMargins(20, 0, 0, 0);
    lblCustomTemplate = new QLabel("File name:");
    edtCustomTemplate = new QLineEdit;
    btnCustomTemplate = SmallButton("...", SettingsTexts::CustomPageTitle);
    customRow->addWidget(lblCustomTemplate);
    customRow->addWidget(edtCustomTemplate, 1);
    customRow->addWidget(btnCustomTemplate);
    newTopicLayout->addLayout(customRow);
    generalForm->addRow(newTopic);
    pcSettings->addTab(general, "General");

    // HTML Help
    auto* chm = new QWidget;
    auto* chmForm = new QFormLayout(chm);
    edtDefaultTopic = new QLineEdit;
    btnDefaultTopicFile = SmallButton("...", "Select a file");
    btnDefaultTopic = SmallButton("T", "Select a topic");
    chmForm->addRow("Default topic:", Row(edtDefaultTopic, {btnDefaultTopicFile, btnDefaultTopic}));
    cbLanguage = List(LanguageList());
    chmForm->addRow("Language:", cbLanguage);
    edtHtmlHelpTemplate = new QLineEdit;
    btnHtmlHelpTemplate = SmallButton("T", "Select a template");
    chmForm->addRow("Template:", Row(edtHtmlHelpTemplate, {btnHtmlHelpTemplate}));
    edtHtmlHelpTitle = new QLineEdit;
    cbHtmlHelpTitleSame = new QCheckBox("Same as project title");
    chmForm->addRow("Title:", Row(edtHtmlHelpTitle, {cbHtmlHelpTitleSame}));
    edtCompiledFile = new QLineEdit;
    btnCompiledFile = SmallButton("...", "Save the compiled file as");
    chmForm->addRow("Compiled file:", Row(edtCompiledFile, {btnCompiledFile}));
    btnDesign = new QPushButton("Design CHM style...");
    auto* designRow = new QHBoxLayout;
    designRow->addStretch();
    designRow->addWidget(btnDesign);
    chmForm->addRow(designRow);
    pcSettings->addTab(chm, "HTML Help");

    // Web Help
    auto* web = new QWidget;
    auto* webForm = new QFormLayout(web);
    edtWebHelpTemplate = new QLineEdit;
    btnWebHelpTemplate = SmallButton("T", "Select a template");
    cbWebHelpTemplateSame = new QCheckBox("Same as HTML Help");
    webForm->addRow("Template:",
                    Row(edtWebHelpTemplate, {btnWebHelpTemplate, cbWebHelpTemplateSame}));
    edtWebHelpTitle = new QLineEdit;
    cbWebHelpTitleSame = new QCheckBox("Same as project title");
    webForm->addRow("Title:", Row(edtWebHelpTitle, {cbWebHelpTitleSame}));
    edtWebHelpDefault = new QLineEdit;
    btnWebHelpDefault = SmallButton("T", "Select a topic");
    cbWebHelpDefaultSame = new QCheckBox("Same as HTML Help");
    webForm->addRow("Default topic:",
                    Row(edtWebHelpDefault, {btnWebHelpDefault, cbWebHelpDefaultSame}));
    edtWebHelpOutputFolder = new QLineEdit;
    btnWebHelpOutputFolder = SmallButton("...", "Select a folder");
    webForm->addRow("Output folder:", Row(edtWebHelpOutputFolder, {btnWebHelpOutputFolder}));
    auto* navigation = new QGroupBox("Navigation");
    auto* navForm = new QFormLayout(navigation);
    edtNavWidth = new QSpinBox;
    edtNavWidth->setRange(0, 9999);
    navForm->addRow("Navigation width:", edtNavWidth);
    cbStartFromRoot = new QCheckBox("Start line from the root");
    cbDrawLines = new QCheckBox("Draw lines");
    cbAutoCollapse = new QCheckBox("Auto collapse");
    cbRealColorIcon = new QCheckBox("Use real-color icons");
    for (QCheckBox* box : {cbStartFromRoot, cbDrawLines, cbAutoCollapse, cbRealColorIcon})
        navForm->addRow(box);
    auto* topFrame = new QGroupBox("Top frame");
    auto* topForm = new QFormLayout(topFrame);
    edtWebFontColor = new QLineEdit;
    btnWebFontColor = SmallButton("", "Choose a colour");
    topForm->addRow("Font color:", Row(edtWebFontColor, {btnWebFontColor}));
    edtWebBackColor = new QLineEdit;
    btnWebBackColor = SmallButton("", "Choose a colour");
    topForm->addRow("Backcolor:", Row(edtWebBackColor, {btnWebBackColor}));
    auto* groups = new QHBoxLayout;
    groups->addWidget(navigation);
    groups->addWidget(topFrame, 1);
    webForm->addRow(groups);
    cbShowIndex = new QCheckBox("Show Index");
    webForm->addRow(cbShowIndex);
    cbWebHelpSearch = new QCheckBox("Full-text search");
    webForm->addRow(cbWebHelpSearch);
    pcSettings->addTab(web, "Web Help");

    // Single HTML
    auto* single = new QWidget;
    auto* singleForm = new QFormLayout(single);
    edtSingleHtmlOutputFolder = new QLineEdit;
    btnSingleHtmlOutputFolder = SmallButton("...", "Select a folder");
    singleForm->addRow("Output folder:",
                       Row(edtSingleHtmlOutputFolder, {btnSingleHtmlOutputFolder}));
    edtSingleHtmlFilename = new QLineEdit;
    singleForm->addRow("Filename:", edtSingleHtmlFilename);
    edtSingleHtmlTitle = new QLineEdit;
    cbSingleHtmlSame = new QCheckBox("Same as project title");
    singleForm->addRow("Title:", Row(edtSingleHtmlTitle, {cbSingleHtmlSame}));
    cbSingleHtmlHasToc = new QCheckBox("With a TOC (only for web using)");
    singleForm->addRow(cbSingleHtmlHasToc);
    pcSettings->addTab(single, "Single HTML");

    // Where the head and body of a wrapped page come from, for every output.
    auto* properties = new QHBoxLayout;
    cbHeadProperties = List(SettingsTexts::PageSources);
    cbPageProperties = List(SettingsTexts::PageSources);
    properties->addWidget(new QLabel("Head properties:"));
    properties->addWidget(cbHeadProperties);
    properties->addSpacing(16);
    properties->addWidget(new QLabel("Page properties:"));
    properties->addWidget(cbPageProperties);
    properties->addStretch();
    layout->addLayout(properties);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    btnOK = new QPushButton("OK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel");
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnDesign, &QPushButton::clicked, this, &TfrmSettings::btnDesignClick);
    connect(btnRootDir, &QPushButton::clicked, this, [this] { ChooseFolder(edtRootDir); });
    connect(btnWebHelpOutputFolder, &QPushButton::clicked, this,
            [this] { ChooseFolder(edtWebHelpOutputFolder); });
    connect(btnSingleHtmlOutputFolder, &QPushButton::clicked, this,
            [this] { ChooseFolder(edtSingleHtmlOutputFolder); });
    connect(btnDefaultTopicFile, &QPushButton::clicked, this, [this] {
        const std::string root = project_.RootFolder();
        const QString file = dialogs_.OpenFile({}, Q(root), Filters::Html);
        if (!file.isEmpty())
            edtDefaultTopic->setText(Q(Paths::PathToUrl(root, S(file))));
    });
    connect(btnCustomTemplate, &QPushButton::clicked, this, [this] {
        QString folder = QFileInfo(edtCustomTemplate->text().trimmed()).absolutePath();
        if (edtCustomTemplate->text().trimmed().isEmpty() || !QFileInfo(folder).isDir())
            folder = Q(project_.RootFolder());
        const QString file =
            dialogs_.OpenFile(SettingsTexts::CustomPageTitle, folder, Filters::Html);
        if (!file.isEmpty())
            edtCustomTemplate->setText(file);
    });
    connect(btnCompiledFile, &QPushButton::clicked, this, [this] {
        const QString file =
            dialogs_.SaveFile({}, edtCompiledFile->text().trimmed(), Filters::Chm, "chm");
        if (!file.isEmpty())
            edtCompiledFile->setText(file);
    });
    connect(btnDefaultTopic, &QPushButton::clicked, this,
            [this] { ChooseTopic(edtDefaultTopic, 1); });
    connect(btnWebHelpDefault, &QPushButton::clicked, this,
            [this] { ChooseTopic(edtWebHelpDefault, 1); });
    connect(btnHtmlHelpTemplate, &QPushButton::clicked, this,
            [this] { ChooseTopic(edtHtmlHelpTemplate, 2); });
    connect(btnWebHelpTemplate, &QPushButton::clicked, this,
            [this] { ChooseTopic(edtWebHelpTemplate, 2); });
    connect(btnWebFontColor, &QPushButton::clicked, this,
            [this] { ChooseColour(edtWebFontColor); });
    connect(btnWebBackColor, &QPushButton::clicked, this,
            [this] { ChooseColour(edtWebBackColor); });
    connect(edtWebFontColor, &QLineEdit::textChanged, btnWebFontColor,
            [this](const QString& text) { btnWebFontColor->setIcon(Swatch(text)); });
    connect(edtWebBackColor, &QLineEdit::textChanged, btnWebBackColor,
            [this](const QString& text) { btnWebBackColor->setIcon(Swatch(text)); });

    // The enabling rules follow every edit their shown values depend on.
    for (QLineEdit* edit : {edtTitle, edtHtmlHelpTemplate, edtDefaultTopic})
        connect(edit, &QLineEdit::textChanged, this, &TfrmSettings::UpdateEnabling);
    for (QCheckBox* box : {cbHtmlHelpTitleSame, cbWebHelpTemplateSame, cbWebHelpTitleSame,
                           cbWebHelpDefaultSame, cbSingleHtmlSame})
        connect(box, &QCheckBox::toggled, this, &TfrmSettings::UpdateEnabling);
    connect(rbCustomTemplate, &QRadioButton::toggled, this, &TfrmSettings::UpdateEnabling);

    opened_ = SettingsToForm(project.ProjectSettings);
    windowSettings_.Assign(project.HelpWindowSettings);
    FormToControls(opened_);
    pcSettings->setCurrentIndex(std::clamp(page, 0, pcSettings->count() - 1));
    resize(620, sizeHint().height());
}

void TfrmSettings::FormToControls(const TSettingsForm& f) {
    updating_ = true;
    // Same-as edits are enabled while their own text is filled in.
    for (QLineEdit* edit : {edtHtmlHelpTitle, edtWebHelpTemplate, edtWebHelpTitle,
                            edtWebHelpDefault, edtSingleHtmlTitle})
        edit->setEnabled(true);
    edtTitle->setText(Q(f.Title));
    edtRootDir->setText(Q(f.RootDir));
    cbHasChild->setCurrentIndex(f.HasChild >= 0 && f.HasChild < 42 ? f.HasChild : -1);
    cbNoChild->setCurrentIndex(f.NoChild >= 0 && f.NoChild < 42 ? f.NoChild : -1);
    cbEncoding->setCurrentIndex(f.Encoding);
    rbDefaultTemplate->setChecked(f.DefaultTemplate);
    rbCustomTemplate->setChecked(!f.DefaultTemplate);
    edtCustomTemplate->setText(Q(f.CustomTemplate));
    edtDefaultTopic->setText(Q(f.DefaultTopic));
    cbLanguage->setCurrentIndex(f.Language);
    edtHtmlHelpTemplate->setText(Q(f.HtmlHelpTemplate));
    edtHtmlHelpTitle->setText(Q(f.HtmlHelpTitle));
    cbHtmlHelpTitleSame->setChecked(f.HtmlHelpTitleSame);
    edtCompiledFile->setText(Q(f.CompiledFile));
    edtWebHelpTemplate->setText(Q(f.WebHelpTemplate));
    cbWebHelpTemplateSame->setChecked(f.WebHelpTemplateSame);
    edtWebHelpTitle->setText(Q(f.WebHelpTitle));
    cbWebHelpTitleSame->setChecked(f.WebHelpTitleSame);
    edtWebHelpDefault->setText(Q(f.WebHelpDefault));
    cbWebHelpDefaultSame->setChecked(f.WebHelpDefaultSame);
    edtWebHelpOutputFolder->setText(Q(f.WebHelpOutputFolder));
    edtNavWidth->setValue(f.NavWidth);
    cbStartFromRoot->setChecked(f.StartFromRoot);
    cbDrawLines->setChecked(f.DrawLines);
    cbAutoCollapse->setChecked(f.AutoCollapse);
    cbRealColorIcon->setChecked(f.RealColorIcon);
    edtWebFontColor->setText(Q(f.WebFontColor));
    edtWebBackColor->setText(Q(f.WebBackColor));
    cbShowIndex->setChecked(f.ShowIndex);
    cbWebHelpSearch->setChecked(f.WebHelpSearch);
    edtSingleHtmlOutputFolder->setText(Q(f.SingleHtmlOutputFolder));
    edtSingleHtmlFilename->setText(Q(f.SingleHtmlFilename));
    edtSingleHtmlTitle->setText(Q(f.SingleHtmlTitle));
    cbSingleHtmlSame->setChecked(f.SingleHtmlSame);
    cbSingleHtmlHasToc->setChecked(f.SingleHtmlHasToc);
    cbHeadProperties->setCurrentIndex(f.HeadProperties == 0 ? 0 : 1);
    cbPageProperties->setCurrentIndex(f.PageProperties == 0 ? 0 : 1);
    updating_ = false;
    UpdateEnabling();
}

TSettingsForm TfrmSettings::Form() const {
    TSettingsForm f;
    f.Title = S(edtTitle->text());
    f.RootDir = S(edtRootDir->text());
    f.HasChild = std::max(cbHasChild->currentIndex(), 0);
    f.NoChild = std::max(cbNoChild->currentIndex(), 0);
    f.Encoding = cbEncoding->currentIndex();
    f.UnknownEncoding = opened_.UnknownEncoding;
    f.DefaultTemplate = rbDefaultTemplate->isChecked();
    f.CustomTemplate = S(edtCustomTemplate->text());
    f.DefaultTopic = S(edtDefaultTopic->text());
    f.Language = cbLanguage->currentIndex();
    f.UnknownLanguage = opened_.UnknownLanguage;
    f.HtmlHelpTemplate = S(edtHtmlHelpTemplate->text());
    f.HtmlHelpTitle = OwnText(edtHtmlHelpTitle);
    f.HtmlHelpTitleSame = cbHtmlHelpTitleSame->isChecked();
    f.CompiledFile = S(edtCompiledFile->text());
    f.WebHelpTemplate = OwnText(edtWebHelpTemplate);
    f.WebHelpTemplateSame = cbWebHelpTemplateSame->isChecked();
    f.WebHelpTitle = OwnText(edtWebHelpTitle);
    f.WebHelpTitleSame = cbWebHelpTitleSame->isChecked();
    f.WebHelpDefault = OwnText(edtWebHelpDefault);
    f.WebHelpDefaultSame = cbWebHelpDefaultSame->isChecked();
    f.WebHelpOutputFolder = S(edtWebHelpOutputFolder->text());
    f.NavWidth = edtNavWidth->value();
    f.StartFromRoot = cbStartFromRoot->isChecked();
    f.DrawLines = cbDrawLines->isChecked();
    f.AutoCollapse = cbAutoCollapse->isChecked();
    f.RealColorIcon = cbRealColorIcon->isChecked();
    f.WebFontColor = S(edtWebFontColor->text());
    f.WebBackColor = S(edtWebBackColor->text());
    f.ShowIndex = cbShowIndex->isChecked();
    f.WebHelpSearch = cbWebHelpSearch->isChecked();
    f.SingleHtmlOutputFolder = S(edtSingleHtmlOutputFolder->text());
    f.SingleHtmlFilename = S(edtSingleHtmlFilename->text());
    f.SingleHtmlTitle = OwnText(edtSingleHtmlTitle);
    f.SingleHtmlSame = cbSingleHtmlSame->isChecked();
    f.SingleHtmlHasToc = cbSingleHtmlHasToc->isChecked();
    f.HeadProperties = cbHeadProperties->currentIndex();
    f.PageProperties = cbPageProperties->currentIndex();
    return f;
}

void TfrmSettings::UpdateEnabling() {
    if (updating_)
        return;
    const TSettingsEnabling e = SettingsEnabling(Form());
    ShowFollowing(edtHtmlHelpTitle, e.HtmlHelpTitle, e.HtmlHelpTitleText);
    ShowFollowing(edtWebHelpTitle, e.WebHelpTitle, e.WebHelpTitleText);
    ShowFollowing(edtSingleHtmlTitle, e.SingleHtmlTitle, e.SingleHtmlTitleText);
    ShowFollowing(edtWebHelpTemplate, e.WebHelpTemplate, e.WebHelpTemplateText);
    btnWebHelpTemplate->setEnabled(e.WebHelpTemplate);
    ShowFollowing(edtWebHelpDefault, e.WebHelpDefault, e.WebHelpDefaultText);
    btnWebHelpDefault->setEnabled(e.WebHelpDefault);
    lblCustomTemplate->setEnabled(e.CustomPage);
    edtCustomTemplate->setEnabled(e.CustomPage);
    btnCustomTemplate->setEnabled(e.CustomPage);
}

void TfrmSettings::ChooseFolder(QLineEdit* edit) {
    QString start = edit->text().trimmed();
    if (start.startsWith("~/"))
        start = QDir::homePath() + start.mid(1);
    if (!QFileInfo(start).isDir())
        start = Q(project_.RootFolder());
    const QString folder = dialogs_.SelectFolder("Select a folder:", start);
    if (!folder.isEmpty())
        edit->setText(folder.endsWith('/') ? folder : folder + '/');
}

void TfrmSettings::ChooseTopic(QLineEdit* edit, int mode) {
    TfrmSelectTopic picker(project_, images_, dialogs_, edit->text().trimmed(), mode, this);
    if (dialogs_.Exec(picker) == QDialog::Accepted)
        edit->setText(picker.Url());
}

void TfrmSettings::ChooseColour(QLineEdit* edit) {
    QColor current = QColor::fromString(edit->text().trimmed());
    const QColor colour =
        QColorDialog::getColor(current.isValid() ? current : QColor(Qt::white), this);
    if (colour.isValid())
        edit->setText(colour.name());
}

void TfrmSettings::btnDesignClick() {
    TfrmDesigner designer(this, &dialogs_);
    designer.ClassToControl(windowSettings_);
    if (dialogs_.Exec(designer) == QDialog::Accepted)
        designer.ControlToClass(windowSettings_);
}

void TfrmSettings::TakeBuildEdits(const TBuildDialogValues& values) {
    edtCompiledFile->setText(Q(values.CompiledFile));
    edtWebHelpOutputFolder->setText(Q(values.WebHelpOutputFolder));
    edtSingleHtmlOutputFolder->setText(Q(values.SingleHtmlOutputFolder));
    edtSingleHtmlFilename->setText(Q(values.SingleHtmlFilename));
}

void TfrmSettings::GiveBuildEdits(TBuildDialogValues& values) const {
    values.CompiledFile = S(edtCompiledFile->text().trimmed());
    values.WebHelpOutputFolder = S(edtWebHelpOutputFolder->text().trimmed());
    values.SingleHtmlOutputFolder = S(edtSingleHtmlOutputFolder->text().trimmed());
    values.SingleHtmlFilename = S(edtSingleHtmlFilename->text().trimmed());
}

void TfrmSettings::WriteBack() {
    FormToSettings(Form(), project_.ProjectSettings);
    project_.HelpWindowSettings.Assign(windowSettings_);
    project_.Modified = true;
}

bool RunProjectSettings(QWidget* parent, TPvx& project, IDialogs& dialogs,
                        const TTreeImages& images, int page, TBuildDialogValues* edits) {
    TfrmSettings dialog(project, dialogs, images, page, parent);
    if (edits)
        dialog.TakeBuildEdits(*edits);
    if (dialogs.Exec(dialog) != QDialog::Accepted)
        return false;
    dialog.WriteBack();
    if (edits)
        dialog.GiveBuildEdits(*edits);
    project.UpdateTopicImages();
    return true;
}

} // namespace parvane
