#include "editor/gui/edit_operation.h"

#include "editor/edit_command_ids.h"
#include "editor/external_editor.h"
#include "editor/font_family.h"
#include "editor/gui/html_edit_component.h"
#include "model/errors.h"
#include "model/string_func.h"
#include "ui/gui/dialogs.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QShortcut>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <map>

namespace parvane {

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

struct THint {
    int Id;
    const char* Text;
};

constexpr THint kHints[] = {
    {5000, "Bold(Ctrl-B)"},
    {5002, "Copy"},
    {5003, "Cut"},
    {5004, "Delete"},
    {5016, "Hyperlink"},
    {5017, "Insert image"},
    {5018, "Indent"},
    {5023, "Italic(Ctrl-I)"},
    {5024, "Justify center"},
    {5025, "Justify left"},
    {5026, "Justify right"},
    {5030, "Numbering"},
    {5031, "Outdent"},
    {5032, "Paste"},
    {5033, "Redo"},
    {5034, "Remove format"},
    {5042, "Font backcolor"},
    {5043, "Style"},
    {5044, "Font"},
    {5045, "Font size"},
    {5046, "Font color"},
    {5048, "Underline(Ctrl-U)"},
    {5049, "Undo"},
    {5051, "Bullets"},
    {4002, "Show borders"},
    {4003, "Show details"},
    {4100, "Insert table"},
    {4102, "Insert horizontal line"},
    {4103, "Insert Break line(Shift-Enter)"},
    {4106, "External editor"},
    {4107, "Insert picture"},
    {4108, "Insert hyperlink"},
};

constexpr std::array<TColorEntry, 22> kColors = {{
    {"Black", 0x000000},  {"Maroon", 0x800000},  {"Green", 0x008000},      {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080},  {"Teal", 0x008080},       {"Gray", 0x808080},
    {"Silver", 0xc0c0c0}, {"Red", 0xff0000},     {"Lime", 0x00ff00},       {"Yellow", 0xffff00},
    {"Blue", 0x0000ff},   {"Fuchsia", 0xff00ff}, {"Aqua", 0x00ffff},       {"LtGray", 0xc0c0c0},
    {"DkGray", 0x808080}, {"White", 0xffffff},   {"MoneyGreen", 0xc0dcc0}, {"SkyBlue", 0xa6caf0},
    {"Cream", 0xfffbf0},  {"MedGray", 0xa0a0a4},
}};

constexpr std::array<TSpecialChar, 8> kSpecialChars = {{
    {1, "Line break(Shift-Enter)", "<br>", "\u21b5"},
    {2, "Non-breaking space", "&nbsp;", "\u2423"},
    {3, "Copyright", "&copy;", "\u00a9"},
    {4, "Registered trademark", "&reg;", "\u00ae"},
    {5, "Trademark", "&#8482;", "\u2122"},
    {6, "Euro", "&#8364;", "\u20ac"},
    {7, "Pound", "&pound;", "\u00a3"},
    {8, "Yen", "&yen;", "\u00a5"},
}};

struct TTableEntry {
    const char* Caption;
    int Id;
    const char* Glyph;
};

constexpr TTableEntry kTableEntries[] = {
    {"Insert Row", EditCmd::InsertRow, "\u2261+"},
    {"Insert Column", EditCmd::InsertColumn, "\u2016+"},
    {"Append Row", EditId::AppendRow, "\u2261\u2193"},
    {"Append Column", EditId::AppendColumn, "\u2016\u2192"},
    {"-", 0, ""},
    {"Delete Rows", EditCmd::DeleteRows, "\u2261\u00d7"},
    {"Delete Columns", EditCmd::DeleteColumns, "\u2016\u00d7"},
};

int TagOf(const QObject* control) {
    if (const auto* action = qobject_cast<const QAction*>(control))
        return action->data().toInt();
    return control ? control->property("Tag").toInt() : 0;
}

// A 16 x 16 image with a short text, for commands the icon theme has no picture of.
QIcon GlyphIcon(const QString& glyph, bool bold = false, bool italic = false,
                bool underline = false) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(glyph.size() > 2 ? 7 : (glyph.size() > 1 ? 10 : 13));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    painter.setFont(font);
    painter.setPen(QColor("#20262e"));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

// Three or four lines of text aligned left, centred or right.
QIcon AlignIcon(Qt::Alignment align) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor("#20262e"));
    const int widths[] = {12, 8, 12, 6};
    for (int i = 0; i < 4; ++i) {
        const int w = widths[i];
        const int x = align == Qt::AlignLeft ? 2 : (align == Qt::AlignRight ? 14 - w : 8 - w / 2);
        painter.drawLine(x, 3 + i * 3, x + w - 1, 3 + i * 3);
    }
    return QIcon(pixmap);
}

// The picture of a command when the icon theme has none.
QIcon FallbackIcon(int id, const QString& text) {
    switch (id) {
    case EditCmd::JustifyLeft:
        return AlignIcon(Qt::AlignLeft);
    case EditCmd::JustifyCenter:
        return AlignIcon(Qt::AlignHCenter);
    case EditCmd::JustifyRight:
        return AlignIcon(Qt::AlignRight);
    case EditId::InsertHyperlink:
        return GlyphIcon("ab", false, false, true);
    default:
        break;
    }
    static const std::map<int, const char*> glyphs = {
        {EditCmd::Undo, "\u21b6"},         {EditCmd::Redo, "\u21b7"},
        {EditCmd::Cut, "\u2702"},          {EditCmd::Copy, "\u2750"},
        {EditCmd::Paste, "\u21e9"},        {EditCmd::Outdent, "\u21e4"},
        {EditCmd::Indent, "\u21e5"},       {EditCmd::RemoveFormat, "\u232b"},
        {EditId::InsertPicture, "\u25a3"},
    };
    const auto glyph = glyphs.find(id);
    return GlyphIcon(glyph != glyphs.end() ? QString::fromUtf8(glyph->second) : text.left(2));
}

QIcon ThemeIcon(const QString& name, const QIcon& fallback) {
    return name.isEmpty() ? fallback : QIcon::fromTheme(name, fallback);
}

QPixmap Swatch(const QColor& color) {
    QPixmap pixmap(32, 13);
    pixmap.fill(color);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 31, 12);
    return pixmap;
}

// The colour button's image: its icon on the button face, the bottom four rows of pixels
// in the colour it applies.
QIcon ColorButtonIcon(const QIcon& base, const QColor& color) {
    QPixmap pixmap(16, 16);
    pixmap.fill(QApplication::palette().color(QPalette::Button));
    QPainter painter(&pixmap);
    base.paint(&painter, QRect(0, 0, 16, 12));
    painter.fillRect(QRect(0, 12, 16, 4), color);
    return QIcon(pixmap);
}

bool SameTag(const std::string& tag, std::string_view wanted) {
    return StringFunc::SameText(tag, std::string(wanted));
}

} // namespace

const char* EditCommandHint(int id) {
    for (const THint& hint : kHints)
        if (hint.Id == id)
            return hint.Text;
    return nullptr;
}

const std::array<TColorEntry, 22>& EditorColors() {
    return kColors;
}

const std::array<TSpecialChar, 8>& SpecialChars() {
    return kSpecialChars;
}

TEditorToolbars::TEditorToolbars(QWidget* parent) : QWidget(parent) {
    setObjectName("EditorToolbars");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolBar** bar : {&tbEditor1, &tbEditor2}) {
        *bar = new QToolBar(this);
        (*bar)->setIconSize(QSize(16, 16));
        (*bar)->setToolButtonStyle(Qt::ToolButtonIconOnly);
        layout->addWidget(*bar);
    }
    tbEditor1->setObjectName("tbEditor1");
    tbEditor2->setObjectName("tbEditor2");
}

// ---- creation and wiring ----------------------------------------------------------------

TDHTMLEditOperation::TDHTMLEditOperation(THtmlEditComponent* edit, IDialogs* dialogs,
                                         QObject* parent)
    : QObject(parent), edit_(edit), dialogs_(dialogs), toolbars_(new TEditorToolbars) {
    edit->setProperty("Tag", EditId::Component);
    StartProcess = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    ColorPrompt = [this](QColor& color) {
        const QColor chosen = QColorDialog::getColor(color, edit_);
        if (!chosen.isValid())
            return false;
        color = chosen;
        return true;
    };
    QStyle* s = toolbars_->style();

    // First row.
    QToolBar* bar = toolbars_->tbEditor1;
    actSavePage = bar->addAction(s->standardIcon(QStyle::SP_DialogSaveButton), "Save the page");
    actSavePage->setObjectName("actSavePage");
    connect(actSavePage, &QAction::triggered, this, &TDHTMLEditOperation::SavePageRequested);
    pmExternalEditor = new QMenu(toolbars_);
    pmExternalEditor->setObjectName("pmExternalEditor");
    actExternalEditor = new QAction(ThemeIcon("accessories-text-editor", GlyphIcon("\u270e")),
                                    "External editor", this);
    actExternalEditor->setData(EditId::ExternalEditor);
    actExternalEditor->setToolTip(EditCommandHint(EditId::ExternalEditor));
    tbExternalEditor = AddDropDown(bar, actExternalEditor, pmExternalEditor);
    tbExternalEditor->setObjectName("tbExternalEditor");
    connect(actExternalEditor, &QAction::triggered, this, [this] { RunExternalEditor(nullptr); });
    bar->addSeparator();
    actShowBorders = AddCommand(bar, EditId::ShowBorders, "Borders", "", true);
    actShowDetails = AddCommand(bar, EditId::ShowDetails, "Details", "", true);
    actShowBorders->setIcon(GlyphIcon("\u25a2"));
    actShowDetails->setIcon(GlyphIcon("\u00b6"));
    bar->addSeparator();
    AddCommand(bar, EditCmd::Undo, "Undo", "edit-undo");
    AddCommand(bar, EditCmd::Redo, "Redo", "edit-redo");
    bar->addSeparator();
    AddCommand(bar, EditCmd::Cut, "Cut", "edit-cut");
    AddCommand(bar, EditCmd::Copy, "Copy", "edit-copy");
    AddCommand(bar, EditCmd::Paste, "Paste", "edit-paste");
    bar->addSeparator();
    AddCommand(bar, EditId::InsertPicture, "Picture", "insert-image");
    AddCommand(bar, EditId::InsertHyperlink, "Hyperlink", "insert-link");
    AddCommand(bar, EditId::InsertLine, "Line", "")->setIcon(GlyphIcon("\u2015"));
    AddCommand(bar, EditId::InsertBreak, "Break", "")->setIcon(GlyphIcon("\u21b5"));
    pmSpecialChar = new QMenu(toolbars_);
    pmSpecialChar->setObjectName("pmSpecialChar");
    actSpecialChar = new QAction(this);
    actSpecialChar->setData(EditId::SpecialChars);
    tbSpecialChar = AddDropDown(bar, actSpecialChar, pmSpecialChar);
    tbSpecialChar->setObjectName("tbSpecialChar");
    bar->addSeparator();
    AddCommand(bar, EditId::InsertTable, "Table", "insert-table")->setIcon(GlyphIcon("\u25a6"));
    pmTable = new QMenu(toolbars_);
    pmTable->setObjectName("pmTable");
    actTable = new QAction(this);
    actTable->setData(EditId::TableCommands);
    tbTable = AddDropDown(bar, actTable, pmTable);
    tbTable->setObjectName("tbTable");
    bar->addSeparator();
    AddCommand(bar, EditCmd::Outdent, "Outdent", "format-indent-less");
    AddCommand(bar, EditCmd::Indent, "Indent", "format-indent-more");

    // Second row.
    bar = toolbars_->tbEditor2;
    cbFontName = AddCombo(bar, EditCmd::SetFontName, true, 160);
    cbFontName->setObjectName("cbFontName");
    cbFontSize = AddCombo(bar, EditCmd::SetFontSize, true, 48);
    cbFontSize->setObjectName("cbFontSize");
    for (int size = 1; size <= 7; ++size)
        cbFontSize->addItem(QString::number(size));
    cbFontSize->setCurrentIndex(2);
    cbStyle = AddCombo(bar, EditCmd::SetBlockFormat, false, 120);
    cbStyle->setObjectName("cbStyle");
    cbStyle->setMaxVisibleItems(12);
    cbStyle->addItem("Normal");
    for (int level = 1; level <= 6; ++level)
        cbStyle->addItem(QStringLiteral("Heading %1").arg(level));
    AddCommand(bar, EditCmd::RemoveFormat, "Remove format", "edit-clear");
    bar->addSeparator();
    AddCommand(bar, EditCmd::Bold, "Bold", "")->setIcon(GlyphIcon("B", true));
    AddCommand(bar, EditCmd::Italic, "Italic", "")->setIcon(GlyphIcon("I", false, true));
    AddCommand(bar, EditCmd::Underline, "Underline", "")
        ->setIcon(GlyphIcon("U", false, false, true));
    for (int id : {EditCmd::Bold, EditCmd::Italic, EditCmd::Underline})
        ActionById(id)->setCheckable(true);
    bar->addSeparator();
    AddCommand(bar, EditCmd::JustifyLeft, "Left", "format-justify-left", true);
    AddCommand(bar, EditCmd::JustifyCenter, "Center", "format-justify-center", true);
    AddCommand(bar, EditCmd::JustifyRight, "Right", "format-justify-right", true);
    bar->addSeparator();
    AddCommand(bar, EditCmd::OrderList, "Numbering", "")->setIcon(GlyphIcon("1.\u2261"));
    AddCommand(bar, EditCmd::UnorderList, "Bullets", "")->setIcon(GlyphIcon("\u2022\u2261"));
    ActionById(EditCmd::OrderList)->setCheckable(true);
    ActionById(EditCmd::UnorderList)->setCheckable(true);
    bar->addSeparator();
    pmForeColor = new QMenu(toolbars_);
    pmForeColor->setObjectName("pmForeColor");
    pmBackColor = new QMenu(toolbars_);
    pmBackColor->setObjectName("pmBackColor");
    foreIcon_ = GlyphIcon("A", true);
    backIcon_ = GlyphIcon("\u270e");
    actForeColor = new QAction("Font color", this);
    actForeColor->setData(EditCmd::SetForeColor);
    actBackColor = new QAction("Font backcolor", this);
    actBackColor->setData(EditCmd::SetBackColor);
    for (QAction* action : {actForeColor, actBackColor}) {
        action->setToolTip(EditCommandHint(TagOf(action)));
        connect(action, &QAction::triggered, this,
                [this, action] { ExecuteTaggedCommand(action); });
        commands_.push_back(action);
    }
    tbForeColor = AddDropDown(bar, actForeColor, pmForeColor);
    tbForeColor->setObjectName("tbForeColor");
    tbBackColor = AddDropDown(bar, actBackColor, pmBackColor);
    tbBackColor->setObjectName("tbBackColor");
    actForeColor->setIcon(ColorButtonIcon(foreIcon_, foreColor_));
    actBackColor->setIcon(ColorButtonIcon(backIcon_, backColor_));
    BuildColorMenu(pmForeColor, true);
    BuildColorMenu(pmBackColor, false);

    BuildSpecialCharMenu();
    BuildTableMenu();
    BuildExternalEditorMenu();
    AddShortcuts();

    connect(edit, &THtmlEditComponent::DocumentComplete, this,
            &TDHTMLEditOperation::HandleDocumentComplete);
    connect(edit, &THtmlEditComponent::DisplayChanged, this,
            &TDHTMLEditOperation::UpdateCommandStates);
    connect(edit, &THtmlEditComponent::ShowContextMenu, this,
            &TDHTMLEditOperation::ShowEditorContextMenu);
    connect(edit, &THtmlEditComponent::ContextMenuAction, this,
            &TDHTMLEditOperation::ContextMenuAction);
}

TDHTMLEditOperation::~TDHTMLEditOperation() {
    // Toolbars nobody placed are ours to free.
    if (toolbars_ && !toolbars_->parent())
        delete toolbars_;
}

QAction* TDHTMLEditOperation::AddCommand(QToolBar* bar, int id, const QString& text,
                                         const QString& icon, bool checkable) {
    QAction* action = bar->addAction(ThemeIcon(icon, FallbackIcon(id, text)), text);
    action->setData(id);
    action->setCheckable(checkable);
    if (const char* hint = EditCommandHint(id))
        action->setToolTip(hint);
    commands_.push_back(action);
    if (id >= 5000) {
        connect(action, &QAction::triggered, this,
                [this, action] { ExecuteTaggedCommand(action); });
        return action;
    }
    switch (id) {
    case EditId::ShowBorders:
    case EditId::ShowDetails:
        action->setChecked(id == EditId::ShowBorders ? edit_->ShowBorders() : edit_->ShowDetails());
        connect(action, &QAction::triggered, this, [this, action] { ToggleDisplayOption(action); });
        break;
    case EditId::InsertLine:
    case EditId::InsertBreak:
        connect(action, &QAction::triggered, this, [this, action] { InsertLineOrBreak(action); });
        break;
    case EditId::InsertTable:
        connect(action, &QAction::triggered, this, [this] {
            if (Dialogs.InsertTable)
                Dialogs.InsertTable();
        });
        break;
    case EditId::InsertPicture:
        connect(action, &QAction::triggered, this, [this] {
            if (Dialogs.InsertPicture)
                Dialogs.InsertPicture();
        });
        break;
    case EditId::InsertHyperlink:
        connect(action, &QAction::triggered, this, [this] {
            if (Dialogs.InsertHyperlink)
                Dialogs.InsertHyperlink();
        });
        break;
    default:
        break;
    }
    return action;
}

QToolButton* TDHTMLEditOperation::AddDropDown(QToolBar* bar, QAction* action, QMenu* menu) {
    auto* button = new QToolButton;
    button->setDefaultAction(action);
    button->setMenu(menu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setIconSize(QSize(16, 16));
    bar->addWidget(button);
    return button;
}

QComboBox* TDHTMLEditOperation::AddCombo(QToolBar* bar, int id, bool editable, int width) {
    auto* box = new QComboBox;
    box->setProperty("Tag", id);
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumWidth(width);
    box->setToolTip(EditCommandHint(id));
    bar->addWidget(box);
    if (id == EditCmd::SetFontName)
        connect(box, &QComboBox::activated, this, &TDHTMLEditOperation::OnFontBoxActivated);
    else
        connect(box, &QComboBox::activated, this, [this, box] { ExecuteTaggedCommand(box); });
    return box;
}

void TDHTMLEditOperation::AddShortcuts() {
    // The page has the focus while the author types; the shortcuts belong to the component.
    const auto add = [this](const QKeySequence& keys, std::function<void()> run) {
        auto* shortcut =
            new QShortcut(keys, edit_, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, std::move(run));
    };
    for (int id :
         {EditCmd::Bold, EditCmd::Italic, EditCmd::Underline, EditCmd::Undo, EditCmd::Redo}) {
        static const std::map<int, QKeySequence> keys = {
            {EditCmd::Bold, QKeySequence(Qt::CTRL | Qt::Key_B)},
            {EditCmd::Italic, QKeySequence(Qt::CTRL | Qt::Key_I)},
            {EditCmd::Underline, QKeySequence(Qt::CTRL | Qt::Key_U)},
            {EditCmd::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
            {EditCmd::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)},
        };
        add(keys.at(id), [this, id] {
            if (QAction* action = ActionById(id))
                ExecuteTaggedCommand(action);
        });
    }
    add(QKeySequence(Qt::SHIFT | Qt::Key_Return), [this] {
        if (!IsControlSelection())
            InsertHtml("<br>");
    });
    add(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { emit SavePageRequested(); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), [this] {
        if (edit_ && Status(EditCmd::Paste) >= EditStatus::Enabled)
            edit_->PasteAsPlainText();
    });
}

QAction* TDHTMLEditOperation::ActionById(int id) const {
    if (!toolbars_)
        return nullptr; // the buttons went with the toolbars
    for (QAction* action : commands_)
        if (TagOf(action) == id)
            return action;
    return nullptr;
}

int TDHTMLEditOperation::Status(int id) const {
    return edit_ ? edit_->QueryStatus(id) : EditStatus::NotSupported;
}

// ---- issuing commands ----------------------------------------------------------------

void TDHTMLEditOperation::ExecuteTaggedCommand(QObject* sender) {
    const int id = TagOf(sender);
    if (!edit_ || Status(id) < EditStatus::Enabled)
        return;
    switch (id) {
    case EditCmd::SetBlockFormat:
    case EditCmd::SetFontName:
    case EditCmd::SetFontSize: {
        auto* box = qobject_cast<QComboBox*>(sender);
        if (!box)
            return;
        const int index = box->findText(box->currentText(), Qt::MatchExactly);
        if (index < 0)
            return;
        QString value = box->itemText(index);
        if (id == EditCmd::SetFontName)
            value = Q(CssFontFamily(value.toStdString()));
        edit_->ExecCommand(id, 0, value);
        break;
    }
    case EditCmd::SetForeColor:
        edit_->ExecCommand(id, 0, Q(ColorToHtml(foreColor_)));
        break;
    case EditCmd::SetBackColor:
        edit_->ExecCommand(id, 0, Q(ColorToHtml(backColor_)));
        break;
    default:
        edit_->ExecCommand(id, 0);
        break;
    }
}

void TDHTMLEditOperation::OnFontBoxActivated(int index) {
    if (index == cbFontName->count() - 1 &&
        cbFontName->itemText(index) == OptionsTexts::EditListItem) {
        // The list entry is no font: the box shows the caret's font again.
        cbFontName->setCurrentIndex(-1);
        UpdateCommandStates();
        if (EditFontList)
            EditFontList();
        return;
    }
    ExecuteTaggedCommand(cbFontName);
}

std::string TDHTMLEditOperation::ColorToHtml(const QColor& color) {
    return QString::asprintf("#%.2x%.2x%.2x", color.red(), color.green(), color.blue())
        .toStdString();
}

// ---- colours ---------------------------------------------------------------------------

void TDHTMLEditOperation::BuildColorMenu(QMenu* menu, bool fore) {
    for (std::size_t i = 0; i < kColors.size(); ++i) {
        const QColor color = QColor::fromRgb(kColors[i].Rgb);
        QAction* entry = menu->addAction(QIcon(Swatch(color)), kColors[i].Name);
        entry->setData(static_cast<int>(i));
        connect(entry, &QAction::triggered, this,
                [this, entry, fore] { ChooseColor(entry, fore); });
    }
    QAction* custom = menu->addAction("Custom...");
    custom->setData(EditId::CustomColor);
    connect(custom, &QAction::triggered, this, [this, custom, fore] { ChooseColor(custom, fore); });
}

void TDHTMLEditOperation::ChooseColor(QAction* entry, bool fore) {
    QColor& current = fore ? foreColor_ : backColor_;
    const int index = TagOf(entry);
    if (index >= 0 && index < static_cast<int>(kColors.size())) {
        current = QColor::fromRgb(kColors[static_cast<std::size_t>(index)].Rgb);
    } else {
        QColor chosen = current;
        if (!ColorPrompt || !ColorPrompt(chosen) || !chosen.isValid())
            return;
        current = chosen;
    }
    QAction* button = fore ? actForeColor : actBackColor;
    button->setIcon(ColorButtonIcon(fore ? foreIcon_ : backIcon_, current));
    ExecuteTaggedCommand(button);
}

// ---- special characters, line and break, tables ------------------------------------------

void TDHTMLEditOperation::BuildSpecialCharMenu() {
    pmSpecialChar->clear();
    for (const TSpecialChar& special : kSpecialChars) {
        QAction* entry =
            pmSpecialChar->addAction(GlyphIcon(QString::fromUtf8(special.Glyph)), special.Caption);
        entry->setData(special.Id);
        connect(entry, &QAction::triggered, this, [this, entry] { InsertSpecialCharacter(entry); });
    }
    // Before any choice the button inserts the copyright sign.
    TakeOver(actSpecialChar, pmSpecialChar->actions().at(2));
    connect(actSpecialChar, &QAction::triggered, this,
            [this] { InsertSpecialCharacter(actSpecialChar); });
}

void TDHTMLEditOperation::InsertSpecialCharacter(QAction* sender) {
    const int id = TagOf(sender);
    for (const TSpecialChar& special : kSpecialChars) {
        if (special.Id != id)
            continue;
        InsertHtml(special.Html);
        if (sender != actSpecialChar)
            TakeOver(actSpecialChar, sender);
        return;
    }
}

void TDHTMLEditOperation::InsertLineOrBreak(QAction* sender) {
    const int id = TagOf(sender);
    if (id == EditId::InsertLine)
        InsertHtml("<hr>");
    else if (id == EditId::InsertBreak)
        InsertHtml("<BR>");
}

void TDHTMLEditOperation::BuildTableMenu() {
    pmTable->clear();
    for (const TTableEntry& row : kTableEntries) {
        if (row.Id == 0) {
            pmTable->addSeparator();
            continue;
        }
        QAction* entry = pmTable->addAction(GlyphIcon(QString::fromUtf8(row.Glyph)), row.Caption);
        entry->setData(row.Id);
        commands_.push_back(entry);
        connect(entry, &QAction::triggered, this, [this, entry] { TableCommand(entry); });
    }
    // Before any choice the button inserts a row.
    TakeOver(actTable, pmTable->actions().at(0));
    connect(actTable, &QAction::triggered, this, [this] { TableCommand(actTable); });
    commands_.push_back(actTable);
}

void TDHTMLEditOperation::TableCommand(QAction* sender) {
    const int id = TagOf(sender);
    if (id == EditId::AppendRow) {
        if (Dialogs.AppendRow)
            Dialogs.AppendRow();
    } else if (id == EditId::AppendColumn) {
        if (Dialogs.AppendColumn)
            Dialogs.AppendColumn();
    } else {
        ExecuteTaggedCommand(sender);
    }
    if (sender != actTable)
        TakeOver(actTable, sender);
}

void TDHTMLEditOperation::TakeOver(QAction* button, const QAction* entry) {
    // An editor without an icon of its own keeps the button's: a caption would widen the row.
    if (!entry->icon().isNull())
        button->setIcon(entry->icon());
    button->setData(entry->data());
    button->setText(entry->text());
    button->setToolTip(entry->text());
}

void TDHTMLEditOperation::ToggleDisplayOption(QAction* sender) {
    const bool borders = TagOf(sender) == EditId::ShowBorders;
    const bool on = !(borders ? edit_->ShowBorders() : edit_->ShowDetails());
    if (borders)
        edit_->SetShowBorders(on);
    else
        edit_->SetShowDetails(on);
    sender->setChecked(on);
}

// ---- external editors ------------------------------------------------------------------

void TDHTMLEditOperation::SetOptions(const TAppOptions& options) {
    if (!toolbars_)
        return;
    {
        const QSignalBlocker block(cbFontName);
        const QString text = cbFontName->currentText();
        cbFontName->clear();
        // Only names the page's style can use, as it names them.
        std::vector<std::string> items = FontBoxItems(options);
        const std::string editList = items.back();
        items.pop_back();
        for (const std::string& item : ApplicableFontNames(items))
            cbFontName->addItem(Q(item));
        cbFontName->addItem(Q(editList));
        cbFontName->setCurrentIndex(-1);
        cbFontName->setEditText(text);
    }
    editors_ = options.Editors;
    defaultEditor_ = options.DefaultEditor;
    optionsLoaded_ = true;
    BuildExternalEditorMenu();
}

void TDHTMLEditOperation::BuildExternalEditorMenu() {
    pmExternalEditor->clear();
    actExternalEditor->setData(EditId::ExternalEditor);
    actExternalEditor->setToolTip(EditCommandHint(EditId::ExternalEditor));
    // Nothing to offer until the options have handed the list over.
    if (!optionsLoaded_)
        return;
    const std::vector<TDesktopApp> apps = ReadDesktopApps();
    for (std::size_t i = 0; i < editors_.size(); ++i) {
        const std::string& entry = editors_[i];
        if (!EditorProgramExists(entry))
            continue;
        const TEditorInfo info = DescribeEditor(entry, apps);
        QAction* item = pmExternalEditor->addAction(QIcon::fromTheme(Q(info.IconName)),
                                                    Q(EditorMenuCaption(entry, info.Description)));
        item->setData(static_cast<int>(i));
        connect(item, &QAction::triggered, this, [this, item] { RunExternalEditor(item); });
        if (entry == defaultEditor_)
            TakeOver(actExternalEditor, item);
    }
    QAction* list = pmExternalEditor->addAction(OptionsTexts::EditListEntry);
    list->setData(OptionsTexts::EditListId);
    connect(list, &QAction::triggered, this, [this, list] { RunExternalEditor(list); });
}

bool TDHTMLEditOperation::CallExternalEditorHandler(int entry) {
    if (!ExternalEditorHandler)
        return true;
    try {
        ExternalEditorHandler(entry);
    } catch (const EAbort&) {
        return false;
    } catch (const EParvaneError&) {
        return false;
    }
    return true;
}

void TDHTMLEditOperation::RunExternalEditor(QAction* sender) {
    if (!sender)
        sender = actExternalEditor;
    // Typing not yet reported would be missed by the save check: let it arrive first.
    if (edit_ && edit_->DocumentLoaded() && edit_->Busy()) {
        QPointer<TDHTMLEditOperation> self(this);
        QPointer<QAction> entry(sender);
        edit_->Sync([self, entry] {
            if (self && entry)
                self->RunExternalEditor(entry);
        });
        return;
    }
    const int id = TagOf(sender);
    // Until an editor entry took the button over, the button only runs the pane's handler.
    if (id == EditId::ExternalEditor) {
        CallExternalEditorHandler(-1);
        return;
    }
    RunExternalEditorEntry(id, sender);
}

void TDHTMLEditOperation::RunExternalEditorEntry(int entry, QAction* sender) {
    if (!CallExternalEditorHandler(entry))
        return;
    if (entry < 0 || entry >= static_cast<int>(editors_.size()))
        return;
    const std::string page = PagePath ? PagePath() : std::string();
    if (page.empty())
        return;
    const std::string& editor = editors_[static_cast<std::size_t>(entry)];
    const std::vector<std::string> arguments = EditorLaunchArguments(editor, page);
    if (arguments.empty()) {
        if (dialogs_)
            dialogs_->Error("Cannot find the program of the external editor \"" + Q(editor) +
                            "\".");
        return;
    }
    QStringList rest;
    for (std::size_t i = 1; i < arguments.size(); ++i)
        rest << Q(arguments[i]);
    if (!StartProcess || !StartProcess(Q(arguments.front()), rest)) {
        if (dialogs_)
            dialogs_->Error("Cannot start \"" + Q(arguments.front()) + "\".");
        return;
    }
    if (sender != actExternalEditor)
        TakeOver(actExternalEditor, sender);
}

// ---- the document and its elements ------------------------------------------------------

THtmlElement TDHTMLEditOperation::GetCurrentElement() const {
    if (!edit_)
        return {};
    switch (edit_->SelectionType()) {
    case TSelectionType::None:
    case TSelectionType::Text: {
        THtmlTextRange range = edit_->CreateTextRange();
        if (range.IsNull())
            return {};
        const bool hasText = !range.Text().empty();
        range.Collapse(true);
        if (hasText)
            range.MoveStart("character", 1);
        return range.ParentElement();
    }
    case TSelectionType::Control:
        return edit_->CreateControlRange().CommonParentElement();
    }
    return {};
}

THtmlElement TDHTMLEditOperation::FindAncestor(const THtmlElement& element, std::string_view tag,
                                               TAncestorStop stop) const {
    if (stop == TAncestorStop::StopAtHtml && (!edit_ || edit_->Busy()))
        return {};
    const char* end = stop == TAncestorStop::StopAtHtml ? "HTML" : "BODY";
    for (THtmlElement current = element.Parent(); current; current = current.Parent()) {
        const std::string name = current.TagName();
        if (SameTag(name, tag))
            return current;
        if (SameTag(name, end))
            return {};
    }
    return {};
}

void TDHTMLEditOperation::InsertHtml(const std::string& html) {
    if (edit_)
        edit_->PasteHtml(html);
}

std::string TDHTMLEditOperation::GetSelectedText() const {
    return edit_ ? edit_->SelectedText() : std::string();
}

bool TDHTMLEditOperation::IsControlSelection() const {
    return edit_ && !edit_->Busy() && edit_->SelectionType() == TSelectionType::Control;
}

void TDHTMLEditOperation::HandleDocumentComplete() {
    documentLoaded_ = edit_->DocumentLoaded();
    bodySnapshot_ = edit_->BodyOuterHtml();
    pageModified_ = false;
    FillBlockFormats();
    UpdateCommandStates();
}

void TDHTMLEditOperation::FillBlockFormats() {
    if (!toolbars_ || !edit_)
        return;
    const QSignalBlocker block(cbStyle);
    cbStyle->clear();
    if (Status(EditCmd::GetBlockFormatNames) < EditStatus::Enabled)
        return;
    TDEGetBlockFmtNamesParam names;
    if (!edit_->ExecCommand(EditCmd::GetBlockFormatNames, 0, names))
        return;
    for (const std::string& name : names.Names)
        cbStyle->addItem(Q(name));
}

void TDHTMLEditOperation::UpdateCommandStates() {
    if (!edit_ || !toolbars_ || !edit_->isEnabled() || updatingStates_)
        return;
    updatingStates_ = true;
    if (!pageModified_ && !edit_->Busy() && edit_->BodyOuterHtml() != bodySnapshot_)
        pageModified_ = true;
    // The selection's own type, not IsControlSelection: that reads false while commands are
    // still on their way, which would flash the buttons enabled.
    const bool control = edit_->SelectionType() == TSelectionType::Control;
    for (QAction* action : commands_) {
        const int id = TagOf(action);
        if (id >= 5000) {
            const int status = Status(id);
            action->setEnabled(status >= EditStatus::Enabled);
            if (action->isCheckable())
                action->setChecked(status == EditStatus::Latched);
        } else if (id >= 4101 && id <= 4105) {
            action->setEnabled(!control);
        } else if (id == EditId::AppendRow || id == EditId::AppendColumn) {
            action->setEnabled(Status(EditCmd::InsertRow) >= EditStatus::Enabled);
        }
    }
    {
        const QSignalBlocker block(cbStyle);
        const int status = Status(EditCmd::SetBlockFormat);
        if (status == EditStatus::Enabled || status == EditStatus::Latched) {
            const QString format = edit_->ExecCommand(EditCmd::GetBlockFormat, 2).toString();
            cbStyle->setCurrentIndex(cbStyle->findText(format, Qt::MatchExactly));
            cbStyle->setEnabled(true);
        } else {
            cbStyle->setCurrentIndex(cbStyle->count() > 0 ? 0 : -1);
            cbStyle->setEnabled(status == EditStatus::Indeterminate);
        }
    }
    const auto showValue = [this](QComboBox* box, int id, const QString& value) {
        const QSignalBlocker block(box);
        const int status = Status(id);
        const bool known = status == EditStatus::Enabled || status == EditStatus::Latched;
        box->setCurrentIndex(-1);
        box->setEditText(known ? value : QString());
        box->setEnabled(known || status == EditStatus::Indeterminate);
    };
    showValue(cbFontName, EditCmd::SetFontName,
              edit_->ExecCommand(EditCmd::GetFontName, 2).toString());
    const int size = edit_->ExecCommand(EditCmd::GetFontSize, 2).toInt();
    showValue(cbFontSize, EditCmd::SetFontSize, size > 1 ? QString::number(size) : QString());
    actSpecialChar->setEnabled(!control);
    updatingStates_ = false;
}

// ---- the context menu ------------------------------------------------------------------

void TDHTMLEditOperation::ShowEditorContextMenu() {
    const auto state = [this](int id) { return Status(id) >= EditStatus::Enabled ? 0 : 2; };
    const THtmlElement current = GetCurrentElement();
    const bool picture = SameTag(current.TagName(), "IMG");
    const bool cell = static_cast<bool>(FindAncestor(current, "TR"));
    const bool table =
        SameTag(current.TagName(), "TABLE") || static_cast<bool>(FindAncestor(current, "TABLE"));
    edit_->SetContextMenu({"Cut", "Copy", "Paste", "", "Select All", "Font...", "", "Hyperlink...",
                           "Image properties...", "Cell properties...", "Table properties...",
                           "Page properties..."},
                          {state(EditCmd::Cut), state(EditCmd::Copy), state(EditCmd::Paste), 0, 0,
                           0, 0, 0, picture ? 0 : 2, cell ? 0 : 2, table ? 0 : 2, 0});
}

void TDHTMLEditOperation::ContextMenuAction(int index) {
    const auto exec = [this](int id) {
        if (Status(id) >= EditStatus::Enabled)
            edit_->ExecCommand(id, 0);
    };
    const auto run = [](const std::function<void()>& hook) {
        if (hook)
            hook();
    };
    switch (index) {
    case 0:
        exec(EditCmd::Cut);
        break;
    case 1:
        exec(EditCmd::Copy);
        break;
    case 2:
        exec(EditCmd::Paste);
        break;
    case 4:
        exec(EditCmd::SelectAll);
        break;
    case 5:
        exec(EditCmd::FontDialog);
        break;
    case 7:
        run(Dialogs.InsertHyperlink);
        break;
    case 8:
        run(Dialogs.PictureProperties);
        break;
    case 9:
        run(Dialogs.CellProperties);
        break;
    case 10:
        run(Dialogs.TableProperties);
        break;
    case 11:
        run(Dialogs.PageProperties);
        break;
    default:
        break;
    }
}

} // namespace parvane
