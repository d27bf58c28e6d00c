#pragma once
// The table dialogs of the WYSIWYG editor: TInsertTable (insert table, and table
// properties once loaded from a table) and TfrmCell (cell properties over four scopes).
// Their rules live in editor/table_logic.h; these forms show them and write the page.

#include "editor/gui/editor_dialog_support.h"
#include "editor/gui/html_edit_dom.h"
#include "editor/table_logic.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace parvane {

class IDialogs;
class THtmlEditComponent;
class TframSelectColor;

class TInsertTable : public QDialog {
    Q_OBJECT
public:
    // Insert mode: two columns without widths, border colour "#000000", "Apply" disabled.
    TInsertTable(THtmlEditComponent& editor, IDialogs& dialogs, QWidget* parent = nullptr);

    // Properties mode: the table at or around the element (nothing found leaves the
    // defaults, and OK and Apply write nothing).
    void LoadTable(const THtmlElement& current);
    bool PropertiesMode() const { return propertiesMode_; }
    bool HasTable() const { return static_cast<bool>(table_); }
    // Whether OK or Apply wrote into the page.
    bool Written() const { return written_; }
    const TColumnWidthList& Columns() const { return columns_; }
    // The boxes as the table logic takes them.
    TTableDialogValues Values() const;
    // OK in insert mode: the table's HTML pasted over the selection; false (after the
    // message) when the boxes hold no valid table.
    bool InsertIntoPage();
    // OK or Apply in properties mode.
    void ApplyToTable();

    QSpinBox* edtRows;
    QSpinBox* edtCol;
    QLineEdit* edtWidth;
    QComboBox* cbUnit;
    QLineEdit* edtBorder;
    QLineEdit* edtPadding;
    QLineEdit* edtSpacing;
    TframSelectColor* framBorderColor;
    TframSelectColor* framTableBack;
    QListWidget* lbCols;
    QGroupBox* gbCol;
    QLineEdit* seWidth;
    QRadioButton* rbPx;
    QRadioButton* rbPercent;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnApply;

private:
    void edtColChange();
    void lbColsClick();
    void ColumnBoxChange();
    void FillColumnList();
    void btnOKClick();

    THtmlEditComponent& editor_;
    IDialogs& dialogs_;
    TColumnWidthList columns_;
    bool propertiesMode_ = false;
    bool written_ = false;
    bool showing_ = false; // the column box is being filled by program
    THtmlElement table_;
};

class TScopePicture;

class TfrmCell : public QDialog {
    Q_OBJECT
public:
    // Loads the cell at the current element (or the cell around it) with the scope
    // "This cell".
    explicit TfrmCell(const THtmlElement& current, QWidget* parent = nullptr);

    int Scope() const { return scope_; }
    // Choosing a scope: the size controls, their check states, then the values.
    void SetScope(int scope);
    bool HasCell() const { return position_.has_value(); }
    // The controls as the cell logic takes them.
    TCellDialogState State() const;
    // OK or Apply: the values onto every cell of the scope.
    void ApplyToCells();
    bool Written() const { return written_; }

    QRadioButton* rbThisCell;
    QRadioButton* rbRow;
    QRadioButton* rbColumn;
    QRadioButton* rbAllCells;
    QComboBox* cbHalign;
    QComboBox* cbValign;
    TTriStateCheckBox* cbWidth;
    QLineEdit* seWidth;
    QComboBox* cbWidthUnit;
    TTriStateCheckBox* cbHeight;
    QLineEdit* seHeight;
    QComboBox* cbHeightUnit;
    TTriStateCheckBox* cbBackcolor;
    TframSelectColor* framBackcolor;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnApply;

private:
    void ShowState(const TCellDialogState& state);
    void FollowChecks();

    TLiveTable table_;
    std::optional<TCellPosition> position_;
    int scope_ = csThisCell;
    bool written_ = false;
    TScopePicture* picture_;
    QLabel* lblWidthUnit_ = nullptr;
};

} // namespace parvane
