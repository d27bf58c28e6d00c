#include "settings/gui/options_dialog.h"

#include "model/errors.h"
#include "ui/gui/dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace parvane {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

TSelectableList FromList(const QListWidget* list) {
    TSelectableList result;
    for (int i = 0; i < list->count(); ++i) {
        result.Items.push_back(list->item(i)->text().toStdString());
        result.Selected.push_back(list->item(i)->isSelected());
    }
    return result;
}

void ToList(QListWidget* list, const TSelectableList& rows) {
    const QSignalBlocker block(list);
    list->clear();
    for (std::size_t i = 0; i < rows.Items.size(); ++i) {
        auto* item = new QListWidgetItem(Q(rows.Items[i]), list);
        item->setSelected(rows.IsSelected(i));
    }
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->isSelected()) {
            list->setCurrentItem(list->item(i), QItemSelectionModel::NoUpdate);
            list->scrollToItem(list->item(i));
            break;
        }
    }
}

std::vector<std::string> Items(const QListWidget* list) {
    return FromList(list).Items;
}

QFont ToQFont(const TSourceFont& font) {
    QFont result(Q(font.Name));
    result.setPointSize(font.Size > 0 ? font.Size : 10);
    result.setBold(font.Bold);
    result.setItalic(font.Italic);
    result.setUnderline(font.Underline);
    result.setStrikeOut(font.StrikeOut);
    return result;
}

QPushButton* Button(const QString& caption, const char* name, const QString& hint = {}) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}

QListWidget* MultiList(const char* name) {
    auto* list = new QListWidget;
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

} // namespace

TfrmOptions::TfrmOptions(const TAppOptions& options, IDialogs& dialogs, QWidget* parent,
                         std::vector<std::string> installed)
    : QDialog(parent), dialogs_(dialogs), defaultEditor_(options.DefaultEditor) {
    setObjectName("frmOptions");
    setWindowTitle(OptionsTexts::Caption);
    FontPrompt = [this](QFont& font) {
        bool ok = false;
        const QFont chosen = QFontDialog::getFont(&ok, font, this);
        if (ok)
            font = chosen;
        return ok;
    };

    pcOptions = new QTabWidget;
    pcOptions->setObjectName("pcOptions");

    // General.
    auto* general = new QWidget;
    edtSourceFont = new QLineEdit(Q(options.SourceFont));
    edtSourceFont->setObjectName("edtSourceFont");
    edtSourceFont->setReadOnly(true);
    btnChangeFont = Button("Change", "btnChangeFont");
    cbPreviewWithTemplate = new QCheckBox("Preview with template");
    cbPreviewWithTemplate->setObjectName("cbPreviewWithTemplate");
    cbPreviewWithTemplate->setChecked(options.PreviewWithTemplate);
    auto* generalLayout = new QGridLayout(general);
    generalLayout->addWidget(new QLabel("Source font:"), 0, 0);
    generalLayout->addWidget(edtSourceFont, 0, 1);
    generalLayout->addWidget(btnChangeFont, 0, 2);
    generalLayout->addWidget(cbPreviewWithTemplate, 1, 0, 1, 3);
    generalLayout->setRowStretch(2, 1);
    pcOptions->addTab(general, OptionsTexts::PageGeneral);

    // Font list.
    auto* fonts = new QWidget;
    lbAllFonts = MultiList("lbAllFonts");
    lbCurrentFonts = MultiList("lbCurrentFonts");
    btnSelect = Button(">", "btnSelect", "Select");
    btnSelectAll = Button(">>", "btnSelectAll", "Select all");
    btnUnselect = Button("<", "btnUnselect", "Unselect");
    btnUnselectAll = Button("<<", "btnUnselectAll", "Unselect all");
    btnFontUp = Button("Up", "btnFontUp");
    btnFontDown = Button("Down", "btnFontDown");
    btnSort = Button("Sort", "btnSort");
    if (installed.empty()) {
        for (const QString& family : QFontDatabase::families())
            installed.push_back(family.toStdString());
    }
    ToList(lbAllFonts, TSelectableList(AvailableFonts(std::move(installed), options.Fonts)));
    ToList(lbCurrentFonts, TSelectableList(options.Fonts));
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* b : {btnSelect, btnSelectAll, btnUnselect, btnUnselectAll})
        middle->addWidget(b);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    for (QPushButton* b : {btnFontUp, btnFontDown, btnSort})
        right->addWidget(b);
    right->addStretch();
    auto* fontLayout = new QGridLayout(fonts);
    fontLayout->addWidget(new QLabel("All fonts:"), 0, 0);
    fontLayout->addWidget(new QLabel("Current fonts:"), 0, 2);
    fontLayout->addWidget(lbAllFonts, 1, 0);
    fontLayout->addLayout(middle, 1, 1);
    fontLayout->addWidget(lbCurrentFonts, 1, 2);
    fontLayout->addLayout(right, 1, 3);
    pcOptions->addTab(fonts, OptionsTexts::PageFontList);

    // External editors.
    auto* editors = new QWidget;
    lbEditors = MultiList("lbEditors");
    lbEditors->setContextMenuPolicy(Qt::CustomContextMenu);
    imgEditor = new QLabel;
    imgEditor->setObjectName("imgEditor");
    imgEditor->setFixedSize(16, 16);
    lblDescription = new QLabel;
    lblDescription->setObjectName("lblDescription");
    lblDescription->setWordWrap(true);
    btnAdd = Button("Add", "btnAdd", "Add new editor");
    btnDetect = Button("Detect", "btnDetect", "Detect all html editors");
    btnClear = Button("Clear", "btnClear", "Delete all");
    btnDelete = Button("Delete", "btnDelete", "Delete selected editor");
    btnUp = Button("Up", "btnUp");
    btnDown = Button("Down", "btnDown");
    btnDefault = Button("Default", "btnDefault", "Set as default editor");
    pmEditors = new QMenu(this);
    pmEditors->setObjectName("pmEditors");
    QAction* mnuDefault = pmEditors->addAction("Default external editor");
    QAction* mnuDelete = pmEditors->addAction("Delete");
    FillEditors(TSelectableList(options.Editors));
    auto* info = new QHBoxLayout;
    info->addWidget(imgEditor);
    info->addWidget(lblDescription, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {btnAdd, btnDetect, btnClear, btnDelete, btnUp, btnDown, btnDefault})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* editorLayout = new QGridLayout(editors);
    editorLayout->addWidget(new QLabel("External editors:"), 0, 0);
    editorLayout->addWidget(lbEditors, 1, 0);
    editorLayout->addLayout(buttons, 1, 1);
    editorLayout->addLayout(info, 2, 0, 1, 2);
    pcOptions->addTab(editors, OptionsTexts::PageEditors);

    QDialogButtonBox* box = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pcOptions);
    layout->addWidget(box);
    resize(560, 420);

    connect(btnChangeFont, &QPushButton::clicked, this, &TfrmOptions::btnChangeFontClick);

    const auto moveFonts = [this](bool toCurrent, bool all) {
        TSelectableList left = FromList(lbAllFonts), rightList = FromList(lbCurrentFonts);
        if (toCurrent)
            MoveRows(left, rightList, all);
        else
            MoveRows(rightList, left, all, true);
        ToList(lbAllFonts, left);
        ToList(lbCurrentFonts, rightList);
        UpdateFontButtons();
    };
    connect(btnSelect, &QPushButton::clicked, this, [moveFonts] { moveFonts(true, false); });
    connect(btnSelectAll, &QPushButton::clicked, this, [moveFonts] { moveFonts(true, true); });
    connect(btnUnselect, &QPushButton::clicked, this, [moveFonts] { moveFonts(false, false); });
    connect(btnUnselectAll, &QPushButton::clicked, this, [moveFonts] { moveFonts(false, true); });
    const auto editFonts = [this](void (*change)(TSelectableList&)) {
        TSelectableList rows = FromList(lbCurrentFonts);
        change(rows);
        ToList(lbCurrentFonts, rows);
    };
    connect(btnFontUp, &QPushButton::clicked, this, [editFonts] { editFonts(MoveSelectedUp); });
    connect(btnFontDown, &QPushButton::clicked, this, [editFonts] { editFonts(MoveSelectedDown); });
    connect(btnSort, &QPushButton::clicked, this, [editFonts] { editFonts(SortItems); });

    const auto editEditors = [this](void (*change)(TSelectableList&)) {
        TSelectableList rows = FromList(lbEditors);
        change(rows);
        FillEditors(rows);
    };
    connect(btnUp, &QPushButton::clicked, this, [editEditors] { editEditors(MoveSelectedUp); });
    connect(btnDown, &QPushButton::clicked, this, [editEditors] { editEditors(MoveSelectedDown); });
    connect(btnDelete, &QPushButton::clicked, this, [editEditors] { editEditors(DeleteSelected); });
    connect(mnuDelete, &QAction::triggered, this, [editEditors] { editEditors(DeleteSelected); });
    connect(btnClear, &QPushButton::clicked, this, [this] { FillEditors(TSelectableList()); });
    connect(btnAdd, &QPushButton::clicked, this, &TfrmOptions::btnAddClick);
    connect(btnDetect, &QPushButton::clicked, this, &TfrmOptions::btnDetectClick);
    connect(btnDefault, &QPushButton::clicked, this, &TfrmOptions::btnDefaultClick);
    connect(mnuDefault, &QAction::triggered, this, &TfrmOptions::btnDefaultClick);
    connect(lbEditors, &QListWidget::itemSelectionChanged, this, &TfrmOptions::ShowEditorInfo);
    connect(lbEditors, &QListWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        pmEditors->popup(lbEditors->viewport()->mapToGlobal(pos));
    });
    UpdateFontButtons();
}

void TfrmOptions::SetPage(TPage page) {
    pcOptions->setCurrentIndex(page);
}

TAppOptions TfrmOptions::Result() const {
    TAppOptions options;
    options.SourceFont = edtSourceFont->text().toStdString();
    options.PreviewWithTemplate = cbPreviewWithTemplate->isChecked();
    options.Fonts = Items(lbCurrentFonts);
    options.DefaultEditor = defaultEditor_;
    options.Editors = Items(lbEditors);
    return options;
}

void TfrmOptions::btnChangeFontClick() {
    TSourceFont font;
    font.Name = "Monospace";
    ApplyFontString(edtSourceFont->text().toStdString(), font);
    QFont chosen = ToQFont(font);
    if (!FontPrompt || !FontPrompt(chosen))
        return;
    // The font dialog has no colour: the one of the string stays.
    font.Name = chosen.family().toStdString();
    if (chosen.pointSize() > 0)
        font.Size = chosen.pointSize();
    font.Bold = chosen.bold();
    font.Italic = chosen.italic();
    font.Underline = chosen.underline();
    font.StrikeOut = chosen.strikeOut();
    edtSourceFont->setText(Q(FontToString(font)));
}

void TfrmOptions::btnAddClick() {
    const QString file = dialogs_.OpenFile("Select a execute file", {}, "Execute File (*)");
    if (file.isEmpty())
        return;
    TSelectableList rows = FromList(lbEditors);
    rows.ClearSelection();
    rows.Items.push_back(file.toStdString());
    rows.Selected.push_back(true);
    FillEditors(rows);
}

void TfrmOptions::btnDetectClick() {
    std::vector<std::string> found;
    DetectHtmlEditors(".htm", found);
    DetectHtmlEditors(".html", found);
    TSelectableList rows = FromList(lbEditors);
    AppendDetectedEditors(rows.Items, found);
    rows.Selected.resize(rows.Items.size(), false);
    FillEditors(rows);
}

void TfrmOptions::btnDefaultClick() {
    QListWidgetItem* item = lbEditors->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QListWidgetItem*> selected = lbEditors->selectedItems();
        if (selected.isEmpty())
            return;
        item = selected.front();
    }
    defaultEditor_ = item->text().toStdString();
    FillEditors(FromList(lbEditors));
}

void TfrmOptions::FillEditors(const TSelectableList& list) {
    ToList(lbEditors, list);
    for (int i = 0; i < lbEditors->count(); ++i) {
        QListWidgetItem* item = lbEditors->item(i);
        QFont font = item->font();
        font.setBold(item->text().toStdString() == defaultEditor_);
        item->setFont(font);
    }
    ShowEditorInfo();
}

void TfrmOptions::ShowEditorInfo() {
    const QList<QListWidgetItem*> selected = lbEditors->selectedItems();
    if (selected.isEmpty()) {
        imgEditor->clear();
        lblDescription->clear();
        return;
    }
    const TEditorInfo info = DescribeEditor(selected.front()->text().toStdString());
    const QIcon icon = QIcon::fromTheme(Q(info.IconName));
    if (icon.isNull())
        imgEditor->clear();
    else
        imgEditor->setPixmap(icon.pixmap(16, 16));
    lblDescription->setText(Q(info.Description));
}

void TfrmOptions::UpdateFontButtons() {
    btnSelect->setEnabled(lbAllFonts->count() > 0);
    btnSelectAll->setEnabled(lbAllFonts->count() > 0);
    btnUnselect->setEnabled(lbCurrentFonts->count() > 0);
    btnUnselectAll->setEnabled(lbCurrentFonts->count() > 0);
}

bool RunEnvironmentOptions(QWidget* parent, TAppOptions& options, IDialogs& dialogs,
                           TfrmOptions::TPage page, const std::string& path) {
    TfrmOptions form(options, dialogs, parent);
    form.SetPage(page);
    if (dialogs.Exec(form) != QDialog::Accepted)
        return false;
    const TAppOptions result = form.Result();
    try {
        SaveOptions(result, path);
    } catch (const EParvaneError& e) {
        dialogs.Error(QString::fromStdString(e.what()));
        return false;
    }
    options = result;
    return true;
}

} // namespace parvane
