#include "editor/gui/table_dialogs.h"

#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_component.h"
#include "editor/gui/select_color_frame.h"
#include "model/errors.h"
#include "ui/gui/dialogs.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace parvane {

namespace {

QSpinBox* NewCountBox() {
    auto* box = new QSpinBox;
    box->setRange(1, 999);
    box->setMaximumWidth(90);
    return box;
}

QDialogButtonBox* NewButtons(QPushButton*& ok, QPushButton*& cancel, QPushButton*& apply) {
    auto* buttons = new QDialogButtonBox;
    ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    cancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    apply = buttons->addButton("Apply", QDialogButtonBox::ApplyRole);
    ok->setDefault(true);
    // Each button does its own work; the box only lays them out.
    ok->setAutoDefault(true);
    return buttons;
}

} // namespace

// ---- TInsertTable ---------------------------------------------------------------------------

TInsertTable::TInsertTable(THtmlEditComponent& editor, IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), editor_(editor), dialogs_(dialogs) {
    setObjectName("InsertTable");
    setWindowTitle(TableTexts::InsertCaption);

    auto* grid = new QGridLayout;
    edtRows = NewCountBox();
    edtCol = NewCountBox();
    edtWidth = NewNumberBox(999);
    cbUnit = new QComboBox;
    cbUnit->addItems({TableTexts::UnitPercent, TableTexts::UnitPixels});
    edtBorder = NewNumberBox(999);
    edtPadding = NewNumberBox(999);
    edtSpacing = NewNumberBox(999);
    framBorderColor = new TframSelectColor;
    framTableBack = new TframSelectColor;

    grid->addWidget(new QLabel("Rows:"), 0, 0);
    grid->addWidget(edtRows, 0, 1);
    grid->addWidget(new QLabel("Columns:"), 1, 0);
    grid->addWidget(edtCol, 1, 1);
    grid->addWidget(new QLabel("Width:"), 2, 0);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(edtWidth);
    widthRow->addWidget(cbUnit);
    widthRow->addStretch();
    grid->addLayout(widthRow, 2, 1);
    grid->addWidget(new QLabel("Border:"), 0, 2);
    grid->addWidget(edtBorder, 0, 3);
    grid->addWidget(new QLabel("Cell Padding:"), 1, 2);
    grid->addWidget(edtPadding, 1, 3);
    grid->addWidget(new QLabel("Cell Spacing:"), 2, 2);
    grid->addWidget(edtSpacing, 2, 3);
    grid->addWidget(new QLabel("Border Color:"), 3, 0);
    grid->addWidget(framBorderColor, 3, 1);
    grid->addWidget(new QLabel("Table backcolor:"), 3, 2);
    grid->addWidget(framTableBack, 3, 3);

    auto* gbWidths = new QGroupBox("Width of columns");
    auto* widthsLayout = new QHBoxLayout(gbWidths);
    lbCols = new QListWidget;
    lbCols->setMinimumWidth(160);
    lbCols->setMaximumHeight(110);
    widthsLayout->addWidget(lbCols, 1);
    gbCol = new QGroupBox;
    auto* colLayout = new QVBoxLayout(gbCol);
    seWidth = NewNumberBox(999999);
    rbPx = new QRadioButton("Pixel (px)");
    rbPercent = new QRadioButton("Percent (%)");
    rbPx->setChecked(true);
    colLayout->addWidget(seWidth);
    colLayout->addWidget(rbPx);
    colLayout->addWidget(rbPercent);
    colLayout->addStretch();
    widthsLayout->addWidget(gbCol);

    auto* buttons = NewButtons(btnOK, btnCancel, btnApply);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(gbWidths);
    layout->addWidget(buttons);

    const TTableDialogValues defaults;
    edtRows->setValue(std::stoi(defaults.Rows));
    edtWidth->setText(Qs(defaults.Width));
    cbUnit->setCurrentText(Qs(defaults.Unit));
    edtBorder->setText(Qs(defaults.Border));
    edtPadding->setText(Qs(defaults.Padding));
    edtSpacing->setText(Qs(defaults.Spacing));
    framBorderColor->SetText(Qs(defaults.BorderColor));
    edtCol->setValue(std::stoi(defaults.Cols));
    edtColChange();
    btnApply->setEnabled(false);

    connect(edtCol, &QSpinBox::valueChanged, this, &TInsertTable::edtColChange);
    connect(lbCols, &QListWidget::currentRowChanged, this, &TInsertTable::lbColsClick);
    connect(seWidth, &QLineEdit::textChanged, this, &TInsertTable::ColumnBoxChange);
    connect(rbPx, &QRadioButton::toggled, this, &TInsertTable::ColumnBoxChange);
    connect(btnOK, &QPushButton::clicked, this, &TInsertTable::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply, &QPushButton::clicked, this, &TInsertTable::ApplyToTable);
}

void TInsertTable::edtColChange() {
    if (propertiesMode_)
        return;
    columns_.SetColumnCount(edtCol->value());
    FillColumnList();
}

void TInsertTable::FillColumnList() {
    const QSignalBlocker blocker(lbCols);
    lbCols->clear();
    for (const std::string& line : columns_.Lines())
        lbCols->addItem(Qs(line));
    lbCols->setCurrentRow(columns_.Selected());
    lbColsClick();
}

void TInsertTable::lbColsClick() {
    const int row = lbCols->currentRow();
    if (row < 0)
        return;
    columns_.Select(row);
    const TColumnWidthList::TColumnBox box = columns_.SelectedBox();
    showing_ = true;
    gbCol->setTitle(Qs(box.Caption));
    seWidth->setText(Qs(box.Number));
    (box.Percent ? rbPercent : rbPx)->setChecked(true);
    showing_ = false;
}

void TInsertTable::ColumnBoxChange() {
    if (showing_ || columns_.Selected() < 0)
        return;
    columns_.SetSelectedWidth(Ss(seWidth->text()), rbPercent->isChecked());
    const int selected = columns_.Selected();
    if (QListWidgetItem* item = lbCols->item(selected))
        item->setText(Qs(columns_.Lines()[static_cast<std::size_t>(selected)]));
}

TTableDialogValues TInsertTable::Values() const {
    TTableDialogValues values;
    values.Rows = std::to_string(edtRows->value());
    values.Cols = std::to_string(edtCol->value());
    values.Width = Ss(edtWidth->text());
    values.Unit = Ss(cbUnit->currentText());
    values.Border = Ss(edtBorder->text());
    values.Padding = Ss(edtPadding->text());
    values.Spacing = Ss(edtSpacing->text());
    values.BorderColor = Ss(framBorderColor->Text());
    values.BackColor = Ss(framTableBack->Text());
    return values;
}

void TInsertTable::LoadTable(const THtmlElement& current) {
    setWindowTitle(TableTexts::PropertiesCaption);
    edtRows->setEnabled(false);
    edtCol->setEnabled(false);
    propertiesMode_ = true;
    btnApply->setEnabled(true);
    table_ = current.TagName() == "TABLE" ? current : FindEnclosing(current, "TABLE", false);
    if (!table_)
        return;

    const TLiveTable live = ReadLiveTable(table_);
    const TTableProperties properties = LoadTableProperties(live.Model);
    const TTableDialogValues& v = properties.Values;
    edtRows->setValue(std::max(1, std::stoi(v.Rows)));
    edtCol->setValue(std::max(1, std::stoi(v.Cols)));
    columns_ = properties.Columns;
    FillColumnList();
    edtSpacing->setText(Qs(v.Spacing));
    edtPadding->setText(Qs(v.Padding));
    edtBorder->setText(Qs(v.Border));
    framBorderColor->SetText(Qs(v.BorderColor));
    framTableBack->SetText(Qs(v.BackColor));
    edtWidth->setText(Qs(v.Width));
    cbUnit->setCurrentText(Qs(v.Unit));
}

bool TInsertTable::InsertIntoPage() {
    std::string html;
    try {
        html = BuildInsertTableHtml(Values(), columns_);
    } catch (const EParvaneError& e) {
        dialogs_.Error(Qs(e.what()));
        return false;
    }
    DeleteEditorSelection(editor_);
    editor_.PasteHtml(html);
    written_ = true;
    return true;
}

void TInsertTable::ApplyToTable() {
    if (!propertiesMode_ || !table_)
        return;
    const TTableApply apply = TablePropertiesApply(Values(), columns_);
    ApplyOps(table_, apply.Table);
    if (apply.StyleWidth)
        table_.SetStyleWidth(*apply.StyleWidth);
    for (const THtmlElement& row : table_.Rows()) {
        const THtmlElementCollection cells = row.Cells();
        const int count = std::min(cells.Length(), static_cast<int>(apply.CellWidths.size()));
        for (int n = 0; n < count; ++n) {
            THtmlElement cell = cells.Item(n);
            ApplyOps(cell, {apply.CellWidths[static_cast<std::size_t>(n)]});
        }
    }
    written_ = true;
}

void TInsertTable::btnOKClick() {
    if (propertiesMode_)
        ApplyToTable();
    else if (!InsertIntoPage())
        return;
    accept();
}

// ---- TfrmCell -------------------------------------------------------------------------------

// The small table of four rows of three cells that shades what a scope covers.
class TScopePicture : public QWidget {
public:
    TScopePicture() { setFixedSize(64, 52); }
    void SetScope(int scope) {
        scope_ = scope;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int w = 20, h = 12;
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 3; ++column) {
                const QRect cell(1 + column * w, 1 + row * h, w, h);
                painter.fillRect(cell, ScopeCoversPictureCell(scope_, row, column)
                                           ? palette().color(QPalette::Highlight)
                                           : palette().color(QPalette::Base));
                painter.setPen(palette().color(QPalette::WindowText));
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
        }
    }

private:
    int scope_ = csThisCell;
};

TfrmCell::TfrmCell(const THtmlElement& current, QWidget* parent) : QDialog(parent) {
    setObjectName("frmCell");
    setWindowTitle(CellTexts::Caption);

    auto* gbCell = new QGroupBox("Cell");
    auto* cellLayout = new QHBoxLayout(gbCell);
    auto* scopes = new QVBoxLayout;
    rbThisCell = new QRadioButton(Qs(CellTexts::Scopes[0]));
    rbRow = new QRadioButton(Qs(CellTexts::Scopes[1]));
    rbColumn = new QRadioButton(Qs(CellTexts::Scopes[2]));
    rbAllCells = new QRadioButton(Qs(CellTexts::Scopes[3]));
    auto* scopeGroup = new QButtonGroup(this);
    int id = csThisCell;
    for (QRadioButton* rb : {rbThisCell, rbRow, rbColumn, rbAllCells}) {
        scopes->addWidget(rb);
        scopeGroup->addButton(rb, id++);
    }
    cellLayout->addLayout(scopes);
    picture_ = new TScopePicture;
    cellLayout->addWidget(picture_);

    auto* grid = new QGridLayout;
    cbHalign = new QComboBox;
    for (const std::string& entry : CellTexts::Halign)
        cbHalign->addItem(Qs(entry));
    cbValign = new QComboBox;
    for (const std::string& entry : CellTexts::Valign)
        cbValign->addItem(Qs(entry));
    grid->addWidget(new QLabel("Horizontal alignment:"), 0, 0);
    grid->addWidget(cbHalign, 0, 1, 1, 2);
    grid->addWidget(new QLabel("Vertical alignment:"), 1, 0);
    grid->addWidget(cbValign, 1, 1, 1, 2);

    const auto units = [] {
        auto* box = new QComboBox;
        for (const std::string& unit : CellTexts::Units)
            box->addItem(Qs(unit));
        return box;
    };
    cbWidth = new TTriStateCheckBox("Specify width:");
    seWidth = NewNumberBox(999999);
    cbWidthUnit = units();
    cbHeight = new TTriStateCheckBox("Specify height:");
    seHeight = NewNumberBox(999999);
    cbHeightUnit = units();
    grid->addWidget(cbWidth, 2, 0);
    grid->addWidget(seWidth, 2, 1);
    grid->addWidget(cbWidthUnit, 2, 2);
    grid->addWidget(cbHeight, 3, 0);
    grid->addWidget(seHeight, 3, 1);
    grid->addWidget(cbHeightUnit, 3, 2);
    cbBackcolor = new TTriStateCheckBox("Backcolor:");
    framBackcolor = new TframSelectColor;
    grid->addWidget(cbBackcolor, 4, 0);
    grid->addWidget(framBackcolor, 4, 1, 1, 2);

    auto* buttons = NewButtons(btnOK, btnCancel, btnApply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbCell);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    // The cell is the current element or, with the caret in text inside a cell, the cell
    // around it: writing cell attributes onto a bold or paragraph element would do nothing
    // useful.
    const THtmlElement cell = current.TagName() == "TD" || current.TagName() == "TH"
                                  ? current
                                  : FindEnclosing(current, "TD", false);
    if (cell) {
        table_ = ReadLiveTable(FindEnclosing(cell, "TABLE", false));
        position_ = table_.PositionOf(cell);
    }

    connect(scopeGroup, &QButtonGroup::idClicked, this, &TfrmCell::SetScope);
    for (QCheckBox* box : {static_cast<QCheckBox*>(cbWidth), static_cast<QCheckBox*>(cbHeight),
                           static_cast<QCheckBox*>(cbBackcolor)})
        connect(box, &QCheckBox::stateChanged, this, &TfrmCell::FollowChecks);
    connect(btnOK, &QPushButton::clicked, this, [this] {
        ApplyToCells();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnApply, &QPushButton::clicked, this, &TfrmCell::ApplyToCells);

    SetScope(csThisCell);
}

void TfrmCell::SetScope(int scope) {
    scope_ = scope;
    QRadioButton* buttons[] = {rbThisCell, rbRow, rbColumn, rbAllCells};
    if (scope >= csThisCell && scope <= csAllCells)
        buttons[scope - 1]->setChecked(true);
    picture_->SetScope(scope);
    ShowState(LoadCellDialog(table_.Model, position_, scope));
}

void TfrmCell::ShowState(const TCellDialogState& state) {
    cbHalign->setCurrentIndex(state.Halign);
    cbValign->setCurrentIndex(state.Valign);
    const auto showSize = [](const TSizeControl& size, TTriStateCheckBox* check, QLineEdit* box,
                             QComboBox* unit) {
        check->setVisible(size.Visible);
        box->setVisible(size.Visible);
        unit->setVisible(size.Visible);
        check->SetState(size.Check);
        box->setText(Qs(size.Number));
        unit->setCurrentIndex(size.Percent ? 1 : 0);
    };
    showSize(state.Width, cbWidth, seWidth, cbWidthUnit);
    showSize(state.Height, cbHeight, seHeight, cbHeightUnit);
    cbBackcolor->SetState(state.BackcolorCheck);
    framBackcolor->SetText(Qs(state.Backcolor));
    FollowChecks();
}

void TfrmCell::FollowChecks() {
    const auto followSize = [](TTriStateCheckBox* check, QLineEdit* box, QComboBox* unit) {
        const bool on = check->State() == TCheckState::Checked;
        box->setEnabled(on);
        unit->setEnabled(on);
        if (!on) {
            box->clear();
            unit->setCurrentIndex(0);
        }
    };
    followSize(cbWidth, seWidth, cbWidthUnit);
    followSize(cbHeight, seHeight, cbHeightUnit);
    framBackcolor->SetFieldEnabled(cbBackcolor->State() == TCheckState::Checked);
}

TCellDialogState TfrmCell::State() const {
    TCellDialogState state;
    state.Scope = scope_;
    state.Halign = cbHalign->currentIndex();
    state.Valign = cbValign->currentIndex();
    const auto readSize = [](TSizeControl& size, const TTriStateCheckBox* check,
                             const QLineEdit* box, const QComboBox* unit) {
        size.Visible = !check->isHidden();
        size.Check = check->State();
        size.Number = Ss(box->text());
        size.Percent = unit->currentIndex() == 1;
    };
    readSize(state.Width, cbWidth, seWidth, cbWidthUnit);
    readSize(state.Height, cbHeight, seHeight, cbHeightUnit);
    state.BackcolorCheck = cbBackcolor->State();
    state.Backcolor = Ss(framBackcolor->Text());
    return state;
}

void TfrmCell::ApplyToCells() {
    const TCellDialogState state = State();
    const TAttrOps ops = CellApplyOps(state);
    for (const TCellPosition& position : CellsInScope(table_.Model, position_, scope_)) {
        THtmlElement cell = table_.CellAt(position);
        ApplyOps(cell, ops);
    }
    // The dialog stays open after Apply: a scope chosen next reads the values written.
    ApplyCellProperties(table_.Model, position_, state);
    written_ = true;
}

// ---- entry points ---------------------------------------------------------------------------

bool RunInsertTableDialog(const TEditorDialogHost& host) {
    TInsertTable dialog(*host.Editor, *host.Dialogs, host.Parent);
    host.Dialogs->Exec(dialog);
    return dialog.Written();
}

bool RunTablePropertiesDialog(const TEditorDialogHost& host) {
    TInsertTable dialog(*host.Editor, *host.Dialogs, host.Parent);
    dialog.LoadTable(host.Editor->CurrentElement());
    host.Dialogs->Exec(dialog);
    return dialog.Written();
}

bool RunCellPropertiesDialog(const TEditorDialogHost& host) {
    TfrmCell dialog(host.Editor->CurrentElement(), host.Parent);
    host.Dialogs->Exec(dialog);
    return dialog.Written();
}

namespace {

THtmlElement TableAtCaret(THtmlEditComponent& editor) {
    const THtmlElement current = editor.CurrentElement();
    if (current.TagName() == "TABLE")
        return current;
    return FindAncestor(editor, current, "TABLE");
}

void CopyCellProperties(const THtmlElement& source, THtmlElement& target) {
    const THtmlAttributes copied = CopiedCellAttributes(AttributesOf(source));
    for (const auto& [name, value] : copied.Items())
        target.SetAttribute(name, value);
}

} // namespace

bool AppendTableRow(THtmlEditComponent& editor) {
    THtmlElement table = TableAtCaret(editor);
    if (!table)
        return false;
    const THtmlElementCollection rows = table.Rows();
    const THtmlElement source = rows.Item(rows.Length() - 1);
    THtmlElement row = table.InsertRow(-1);
    if (!row)
        return false;
    const THtmlElementCollection cells = source.Cells();
    for (int n = 0; n < cells.Length(); ++n) {
        THtmlElement cell = row.InsertCell(n);
        CopyCellProperties(cells.Item(n), cell);
    }
    return true;
}

bool AppendTableColumn(THtmlEditComponent& editor) {
    const THtmlElement table = TableAtCaret(editor);
    if (!table)
        return false;
    for (THtmlElement row : table.Rows()) {
        const THtmlElementCollection cells = row.Cells();
        THtmlElement cell = row.InsertCell(-1);
        if (cells.Length() > 0)
            CopyCellProperties(cells.Item(cells.Length() - 1), cell);
    }
    return true;
}

} // namespace parvane
