#include "editor/gui/link_picture_dialogs.h"

#include "editor/address_rules.h"
#include "editor/gui/editor_dialog_support.h"
#include "editor/gui/html_edit_component.h"
#include "editor/gui/select_color_frame.h"
#include "editor/page_properties.h"
#include "model/errors.h"
#include "model/project_file.h"
#include "model/string_func.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/select_topic_dialog.h"
#include "ui/gui/tree_images.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace parvane {

namespace SF = StringFunc;

namespace {

std::string RootOf(const TEditorDialogHost& host) {
    return host.Project ? host.Project->RootFolder() : std::string();
}

std::string LastPictureFolderOf(const TEditorDialogHost& host) {
    return host.LastPictureFolder ? *host.LastPictureFolder : std::string();
}

QDialogButtonBox* NewOkCancel(QPushButton*& ok, QPushButton*& cancel) {
    auto* buttons = new QDialogButtonBox;
    ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    return buttons;
}

// The copy questions and the save dialog of a picture outside the root folder.
TPictureCopyDialogs CopyDialogs(IDialogs& dialogs, const char* question, const char* saveTitle) {
    TPictureCopyDialogs copy;
    copy.AskCopy = [&dialogs, question] {
        return dialogs.Ask(question, TButtons::YesNo) == TAnswer::Yes;
    };
    copy.SaveAs = [&dialogs, saveTitle](const std::string& proposed) -> std::optional<std::string> {
        const QString chosen =
            dialogs.SaveFile(saveTitle, Qs(proposed), QtFilter(AddressTexts::AllFilesFilter), {});
        if (chosen.isEmpty())
            return std::nullopt;
        return Ss(chosen);
    };
    return copy;
}

// A picture's element as written back into the page: its start tag with its attributes.
std::string PictureTag(const THtmlElement& picture) {
    std::string html = "<img";
    for (const auto& [name, value] : picture.Attributes())
        html += " " + name + "=\"" + SF::HtmlEncode(value) + "\"";
    return html + ">";
}

// The alignment buttons' glyphs: text lines and a picture placed as the entry places it.
QIcon AlignGlyph(int entry, const QPalette& palette) {
    QPixmap glyph(22, 18);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    const QColor text = palette.color(QPalette::WindowText);
    const QColor picture(70, 110, 190);
    const auto line = [&](int x, int y, int w) { p.fillRect(QRect(x, y, w, 2), text); };
    switch (entry) {
    case 1: // Left: the picture on the left, the text flowing on its right
        p.fillRect(QRect(1, 2, 8, 8), picture);
        for (int y = 2; y <= 14; y += 4)
            line(y < 10 ? 11 : 1, y, y < 10 ? 10 : 20);
        break;
    case 2: // Right
        p.fillRect(QRect(13, 2, 8, 8), picture);
        for (int y = 2; y <= 14; y += 4)
            line(1, y, y < 10 ? 10 : 20);
        break;
    default: {
        // One line of text whose baseline is at 12; the picture sits against it.
        line(1, 11, 7);
        line(15, 11, 6);
        int top = 4;
        switch (entry) {
        case 3:
            top = 6;
            break; // Top: with the top of the text
        case 5:
            top = 8;
            break; // Middle: its middle on the baseline
        case 6:
            top = 7;
            break; // Absmiddle: its middle on the middle of the line
        case 8:
            top = 4;
            break; // Bottom: on the baseline
        case 9:
            top = 6;
            break; // Absbottom: on the bottom of the line
        default:
            break;
        }
        if (entry == 9)
            line(1, 14, 20);
        p.fillRect(QRect(8, top, 7, 8), picture);
        break;
    }
    }
    p.end();
    return QIcon(glyph);
}

} // namespace

bool CheckFileDialogAllowed(const TEditorDialogHost& host) {
    if (FileDialogAllowed(host.TopicStatus))
        return true;
    host.Dialogs->Error(AddressTexts::UnsavedTopic);
    return false;
}

std::optional<std::string> BrowseForPicture(const TEditorDialogHost& host,
                                            const std::string& address, bool warnBlankSpaces) {
    if (!CheckFileDialogAllowed(host))
        return std::nullopt;
    IDialogs& dialogs = *host.Dialogs;
    const std::string root = RootOf(host);
    const std::string page = host.Editor->BaseURL();
    const TBrowseStart start = BrowseStart(address, page, LastPictureFolderOf(host), root);
    const QString file = dialogs.OpenFile(
        AddressTexts::SelectImageTitle, Qs(start.FileName.empty() ? start.Folder : start.FileName),
        QtFilter(AddressTexts::PictureFilter));
    if (file.isEmpty())
        return std::nullopt;
    std::optional<TBrowsedAddress> browsed;
    try {
        browsed = BrowsedPictureAddress(Ss(file), root, page,
                                        CopyDialogs(dialogs, AddressTexts::PictureOutsideRoot, ""));
    } catch (const EParvaneError& e) {
        dialogs.Error(Qs(e.what()));
        return std::nullopt;
    }
    if (!browsed)
        return std::nullopt;
    if (warnBlankSpaces && browsed->BlankSpaceWarning)
        dialogs.Error(AddressTexts::BlankSpacesSingular);
    return browsed->Address;
}

// ---- insert picture -------------------------------------------------------------------------

bool RunInsertPicture(const TEditorDialogHost& host) {
    if (!CheckFileDialogAllowed(host))
        return false;
    IDialogs& dialogs = *host.Dialogs;
    const std::string root = RootOf(host);
    const std::string last = LastPictureFolderOf(host);
    const QStringList chosen =
        dialogs.OpenFiles(AddressTexts::SelectPicturesTitle, Qs(last.empty() ? root : last),
                          QtFilter(AddressTexts::PictureFilter));
    if (chosen.isEmpty())
        return false;
    std::vector<std::string> files;
    for (const QString& file : chosen)
        files.push_back(Ss(file));

    TPictureInsertion insertion;
    try {
        insertion = InsertPictures(
            files, root, host.Editor->BaseURL(),
            CopyDialogs(dialogs, AddressTexts::PicturesOutsideRoot, AddressTexts::SaveAsTitle));
    } catch (const EParvaneError& e) {
        dialogs.Error(Qs(e.what()));
        return false;
    }
    if (insertion.BlankSpaceWarning)
        dialogs.Error(AddressTexts::BlankSpacesPlural);
    if (host.LastPictureFolder)
        *host.LastPictureFolder = insertion.LastPictureFolder;
    if (insertion.Html.empty())
        return false;
    DeleteEditorSelection(*host.Editor);
    host.Editor->PasteHtml(insertion.Html);
    return true;
}

// ---- TfrmPicture ----------------------------------------------------------------------------

TfrmPicture::TfrmPicture(const TEditorDialogHost& host, const THtmlElement& current)
    : QDialog(host.Parent), host_(host) {
    setObjectName("frmPicture");
    setWindowTitle(PictureTexts::Caption);

    auto* grid = new QGridLayout;
    edtPicSource = new QLineEdit;
    edtPicSource->setMinimumWidth(280);
    btnBrowser = new QPushButton("Browser");
    grid->addWidget(new QLabel("Picture Source:"), 0, 0);
    grid->addWidget(edtPicSource, 0, 1, 1, 3);
    grid->addWidget(btnBrowser, 0, 4);
    edtText = new QLineEdit;
    grid->addWidget(new QLabel("Alternative text:"), 1, 0);
    grid->addWidget(edtText, 1, 1, 1, 4);
    cbAlign = new QComboBox;
    for (const std::string& entry : PictureTexts::Alignments)
        cbAlign->addItem(Qs(entry));
    grid->addWidget(new QLabel("Alignment:"), 2, 0);
    grid->addWidget(cbAlign, 2, 1);
    seBorder = NewNumberBox(99999);
    seHspace = NewNumberBox(99999);
    seVspace = NewNumberBox(99999);
    grid->addWidget(new QLabel("Border thickness"), 2, 2);
    grid->addWidget(seBorder, 2, 3);
    grid->addWidget(new QLabel("Horizontal spacing:"), 3, 2);
    grid->addWidget(seHspace, 3, 3);
    grid->addWidget(new QLabel("Vertical spacing:"), 4, 2);
    grid->addWidget(seVspace, 4, 3);

    auto* alignRow = new QHBoxLayout;
    for (int entry : PictureTexts::ButtonEntries) {
        auto* button = new QToolButton;
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setIcon(AlignGlyph(entry, palette()));
        button->setIconSize(QSize(22, 18));
        button->setToolTip(Qs(PictureTexts::Alignments[static_cast<std::size_t>(entry)]));
        connect(button, &QToolButton::clicked, this, [this, entry] {
            cbAlign->setCurrentIndex(entry);
            cbAlignChange(); // a pressed button clicked again stays pressed
        });
        alignRow->addWidget(button);
        AlignButtons.push_back(button);
    }
    AlignButtons[0]->setToolTip(PictureTexts::LeftButtonHint);
    AlignButtons[1]->setToolTip(PictureTexts::RightButtonHint);
    alignRow->addStretch();
    grid->addLayout(alignRow, 3, 0, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(NewOkCancel(btnOK, btnCancel));

    if (current.TagName() == "IMG") {
        picture_ = current;
        const TPictureProperties loaded = LoadPictureProperties(AttributesOf(current));
        edtPicSource->setText(Qs(loaded.Source));
        edtText->setText(Qs(loaded.AltText));
        cbAlign->setCurrentIndex(loaded.Align);
        seBorder->setText(Qs(loaded.Border));
        seHspace->setText(Qs(loaded.Hspace));
        seVspace->setText(Qs(loaded.Vspace));
    }
    cbAlignChange();

    connect(cbAlign, &QComboBox::currentIndexChanged, this, &TfrmPicture::cbAlignChange);
    connect(btnBrowser, &QPushButton::clicked, this, &TfrmPicture::btnBrowserClick);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        ApplyToPicture();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPicture::cbAlignChange() {
    const int pressed = PressedAlignButton(cbAlign->currentIndex());
    for (int i = 0; i < static_cast<int>(AlignButtons.size()); ++i)
        AlignButtons[static_cast<std::size_t>(i)]->setChecked(i == pressed);
}

void TfrmPicture::btnBrowserClick() {
    if (const auto address = BrowseForPicture(host_, Ss(edtPicSource->text()), true))
        edtPicSource->setText(Qs(*address));
}

void TfrmPicture::ApplyToPicture() {
    if (!picture_)
        return;
    TPictureProperties properties;
    properties.Source = Ss(edtPicSource->text());
    properties.AltText = Ss(edtText->text());
    properties.Align = cbAlign->currentIndex();
    properties.Border = Ss(seBorder->text());
    properties.Hspace = Ss(seHspace->text());
    properties.Vspace = Ss(seVspace->text());
    ApplyOps(picture_, PictureApplyOps(properties));
}

bool RunPicturePropertiesDialog(const TEditorDialogHost& host) {
    TfrmPicture dialog(host, host.Editor->CurrentElement());
    return host.Dialogs->Exec(dialog) == QDialog::Accepted && dialog.HasPicture();
}

// ---- TfrmInsertHyperlink --------------------------------------------------------------------

TfrmInsertHyperlink::TfrmInsertHyperlink(const TEditorDialogHost& host, const THtmlElement& current)
    : QDialog(host.Parent), host_(host) {
    setObjectName("frmInsertHyperlink");
    setWindowTitle(AddressTexts::HyperlinkCaption);

    auto* grid = new QGridLayout;
    edtText = new QLineEdit;
    edtText->setMinimumWidth(320);
    grid->addWidget(new QLabel("Text:"), 0, 0);
    grid->addWidget(edtText, 0, 1);
    edtUrl = new QLineEdit;
    grid->addWidget(new QLabel("Address:"), 1, 0);
    grid->addWidget(edtUrl, 1, 1);
    auto* addressButtons = new QHBoxLayout;
    const auto addressButton = [&](const char* caption, const char* hint) {
        auto* button = new QToolButton;
        button->setText(caption);
        button->setToolTip(hint);
        addressButtons->addWidget(button);
        return button;
    };
    btnHtmlFile = addressButton("HTML...", "HTML file");
    btnEmail = addressButton("@", "Email address");
    btnInternet = addressButton("http://", "Internet address");
    btnInternalPage = addressButton("Topic...", "Internal page");
    addressButtons->addStretch();
    grid->addLayout(addressButtons, 2, 1);
    cbNewWin = new QCheckBox("Open address in new window");
    grid->addWidget(cbNewWin, 3, 1);

    auto* buttons = new QDialogButtonBox;
    btnOK = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    btnCancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    btnRemoveLink = buttons->addButton("Remove link", QDialogButtonBox::DestructiveRole);
    btnOK->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    if (current.TagName() == "IMG") {
        picture_ = current;
        edtText->setEnabled(false);
    }
    link_ = FindEnclosing(current, "A", true);
    if (link_) {
        linkText_ = link_.InnerText();
        if (!picture_)
            edtText->setText(Qs(linkText_));
        edtUrl->setText(Qs(link_.GetAttribute("href")));
        cbNewWin->setChecked(OpensInNewWindow(link_.GetAttribute("target")));
    } else if (!picture_) {
        edtText->setText(Qs(host_.Editor->SelectedText()));
    }

    connect(btnHtmlFile, &QToolButton::clicked, this, &TfrmInsertHyperlink::btnHtmlFileClick);
    connect(btnEmail, &QToolButton::clicked, this, &TfrmInsertHyperlink::btnEmailClick);
    connect(btnInternet, &QToolButton::clicked, this, &TfrmInsertHyperlink::btnInternetClick);
    connect(btnInternalPage, &QToolButton::clicked, this,
            &TfrmInsertHyperlink::btnInternalPageClick);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        ApplyLink();
        accept();
    });
    connect(btnRemoveLink, &QPushButton::clicked, this, [this] {
        edtUrl->clear();
        btnOK->click();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmInsertHyperlink::btnHtmlFileClick() {
    if (!CheckFileDialogAllowed(host_))
        return;
    const std::string root = RootOf(host_);
    const std::string page = host_.Editor->BaseURL();
    const TBrowseStart start =
        BrowseStart(Ss(edtUrl->text()), page, LastPictureFolderOf(host_), root);
    const QString file = host_.Dialogs->OpenFile(
        AddressTexts::SelectHtmlTitle, Qs(start.FileName.empty() ? start.Folder : start.FileName),
        QtFilter(AddressTexts::HtmlFileFilter));
    if (!file.isEmpty())
        edtUrl->setText(Qs(HyperlinkFileAddress(Ss(file), root, page)));
}

void TfrmInsertHyperlink::btnEmailClick() {
    const QString prefix = MailtoPrefix;
    edtUrl->setText(prefix + MailPlaceholder);
    edtUrl->setFocus();
    edtUrl->setSelection(static_cast<int>(prefix.size()), QString(MailPlaceholder).size());
}

void TfrmInsertHyperlink::btnInternetClick() {
    edtUrl->setText(InternetPrefix);
    edtUrl->setFocus();
    edtUrl->setCursorPosition(QString(InternetPrefix).size());
}

void TfrmInsertHyperlink::btnInternalPageClick() {
    if (!CheckFileDialogAllowed(host_) || !host_.Project)
        return;
    const std::string root = RootOf(host_);
    const std::string page = host_.Editor->BaseURL();
    const TTreeImages images;
    TfrmSelectTopic picker(*host_.Project, images, *host_.Dialogs,
                           Qs(AddressToPickerUrl(Ss(edtUrl->text()), root, page)), 1, this);
    if (host_.Dialogs->Exec(picker) != QDialog::Accepted)
        return;
    edtUrl->setText(Qs(PickerUrlToAddress(Ss(picker.Url()), root, page)));
    const QModelIndex topic = picker.tvTopics->currentIndex();
    if (edtText->text().isEmpty() && edtText->isEnabled() && topic.isValid() &&
        topic.parent().isValid())
        edtText->setText(topic.data(Qt::DisplayRole).toString());
}

void TfrmInsertHyperlink::ApplyLink() {
    const std::string address = Ss(edtUrl->text());
    const bool newWindow = cbNewWin->isChecked();
    if (link_) {
        if (AddressRemovesLink(address)) {
            // The link goes, its content stays; a link too large to be known stays too.
            if (!link_.OuterHtml().empty())
                link_.SetOuterHtml(link_.InnerHtml());
            return;
        }
        link_.SetAttribute("href", address);
        if (newWindow)
            link_.SetAttribute("target", "_blank");
        else
            RemoveAttributeIfPresent(link_, "target");
        // Rewriting an unchanged text would flatten the formatting inside the link.
        const std::string text = Ss(edtText->text());
        if (!picture_ && text != linkText_)
            link_.SetInnerText(text);
        return;
    }
    if (picture_) {
        picture_.SetAttribute("border", "0");
        picture_.SetOuterHtml(LinkAroundPictureHtml(address, newWindow, PictureTag(picture_)));
        return;
    }
    host_.Editor->PasteHtml(NewLinkHtml(address, Ss(edtText->text()), newWindow));
}

bool RunHyperlinkDialog(const TEditorDialogHost& host) {
    TfrmInsertHyperlink dialog(host, host.Editor->CurrentElement());
    return host.Dialogs->Exec(dialog) == QDialog::Accepted;
}

// ---- TfrmPageProperties ---------------------------------------------------------------------

TfrmPageProperties::TfrmPageProperties(const TEditorDialogHost& host)
    : QDialog(host.Parent), host_(host), body_(host.Editor->Body()) {
    setObjectName("frmPageProperties");
    setWindowTitle(PageTexts::Caption);

    auto* gbBackground = new QGroupBox("Background");
    auto* background = new QGridLayout(gbBackground);
    cbHasback = new QCheckBox("Has background picture");
    edtBackPic = new QLineEdit;
    edtBackPic->setMinimumWidth(240);
    btnBackPic = new QPushButton("...");
    btnBackPic->setMaximumWidth(32);
    cbFixed = new QCheckBox("Fixed");
    cbBackColor = new QCheckBox("Backcolor:");
    framBackColor = new TframSelectColor;
    background->addWidget(cbHasback, 0, 0, 1, 3);
    background->addWidget(edtBackPic, 1, 0, 1, 2);
    background->addWidget(btnBackPic, 1, 2);
    background->addWidget(cbFixed, 2, 0);
    background->addWidget(cbBackColor, 3, 0);
    background->addWidget(framBackColor, 3, 1);

    auto* gbText = new QGroupBox("Text color");
    auto* textColors = new QGridLayout(gbText);
    const auto colorRow = [&](int row, const char* caption, QCheckBox*& check,
                              TframSelectColor*& field) {
        check = new QCheckBox(caption);
        field = new TframSelectColor;
        textColors->addWidget(check, row, 0);
        textColors->addWidget(field, row, 1);
    };
    colorRow(0, "Text:", cbText, framText);
    colorRow(1, "Hyperlink:", cbHyperlink, framHyperlink);
    colorRow(2, "Visited hyperlink:", cbVisited, framVisited);
    colorRow(3, "Active hyperlink:", cbActive, framActive);

    auto* gbMargins = new QGroupBox("Margins");
    auto* margins = new QGridLayout(gbMargins);
    cbTopMargin = new QCheckBox("Specify top margin");
    seTop = NewNumberBox(99999);
    cbLeftMargin = new QCheckBox("Specify left margin");
    seLeft = NewNumberBox(99999);
    margins->addWidget(cbTopMargin, 0, 0);
    margins->addWidget(seTop, 0, 1);
    margins->addWidget(new QLabel("Pixels"), 0, 2);
    margins->addWidget(cbLeftMargin, 1, 0);
    margins->addWidget(seLeft, 1, 1);
    margins->addWidget(new QLabel("Pixels"), 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbBackground);
    layout->addWidget(gbText);
    layout->addWidget(gbMargins);
    layout->addWidget(NewOkCancel(btnOK, btnCancel));

    const TPageProperties page = LoadPageProperties(AttributesOf(body_));
    cbHasback->setChecked(page.HasBackground);
    edtBackPic->setText(Qs(page.BackgroundPicture));
    cbFixed->setChecked(page.Fixed);
    const auto showColor = [](const TColorSetting& setting, QCheckBox* check,
                              TframSelectColor* field) {
        check->setChecked(setting.Checked);
        field->SetText(Qs(setting.Color));
    };
    showColor(page.BackColor, cbBackColor, framBackColor);
    showColor(page.Text, cbText, framText);
    showColor(page.Link, cbHyperlink, framHyperlink);
    showColor(page.VisitedLink, cbVisited, framVisited);
    showColor(page.ActiveLink, cbActive, framActive);
    cbTopMargin->setChecked(page.SpecifyTop);
    seTop->setText(Qs(page.Top));
    cbLeftMargin->setChecked(page.SpecifyLeft);
    seLeft->setText(Qs(page.Left));
    FollowChecks();

    for (QCheckBox* check : {cbHasback, cbBackColor, cbText, cbHyperlink, cbVisited, cbActive,
                             cbTopMargin, cbLeftMargin})
        connect(check, &QCheckBox::toggled, this, &TfrmPageProperties::FollowChecks);
    connect(btnBackPic, &QPushButton::clicked, this, [this] {
        if (const auto address = BrowseForPicture(host_, Ss(edtBackPic->text()), false))
            edtBackPic->setText(Qs(*address));
    });
    connect(btnOK, &QPushButton::clicked, this, [this] {
        ApplyToBody();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmPageProperties::FollowChecks() {
    const bool background = cbHasback->isChecked();
    edtBackPic->setEnabled(background);
    btnBackPic->setEnabled(background);
    cbFixed->setEnabled(background);
    if (!background)
        edtBackPic->clear();
    framBackColor->SetFieldEnabled(cbBackColor->isChecked());
    framText->SetFieldEnabled(cbText->isChecked());
    framHyperlink->SetFieldEnabled(cbHyperlink->isChecked());
    framVisited->SetFieldEnabled(cbVisited->isChecked());
    framActive->SetFieldEnabled(cbActive->isChecked());
    seTop->setEnabled(cbTopMargin->isChecked());
    seLeft->setEnabled(cbLeftMargin->isChecked());
}

void TfrmPageProperties::ApplyToBody() {
    if (!body_)
        return;
    TPageProperties page;
    page.HasBackground = cbHasback->isChecked();
    page.BackgroundPicture = Ss(edtBackPic->text());
    page.Fixed = cbFixed->isChecked();
    page.BackColor = {cbBackColor->isChecked(), Ss(framBackColor->Text())};
    page.Text = {cbText->isChecked(), Ss(framText->Text())};
    page.Link = {cbHyperlink->isChecked(), Ss(framHyperlink->Text())};
    page.VisitedLink = {cbVisited->isChecked(), Ss(framVisited->Text())};
    page.ActiveLink = {cbActive->isChecked(), Ss(framActive->Text())};
    page.SpecifyTop = cbTopMargin->isChecked();
    page.Top = Ss(seTop->text());
    page.SpecifyLeft = cbLeftMargin->isChecked();
    page.Left = Ss(seLeft->text());
    ApplyOps(body_, PageApplyOps(page));
}

bool RunPagePropertiesDialog(const TEditorDialogHost& host) {
    TfrmPageProperties dialog(host);
    return host.Dialogs->Exec(dialog) == QDialog::Accepted;
}

} // namespace parvane
