#pragma once
// The "Environment Options" dialog: the source box's font and the preview switch, the font
// names the editor's font box offers, and the external HTML editors with the default one.
// It edits a copy of the options; RunEnvironmentOptions writes options.ini on OK.

#include "settings/app_options.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QFont;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;

namespace parvane {

class IDialogs;

class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    enum TPage { pgGeneral = 0, pgFontList = 1, pgEditors = 2 };

    // installed: the fonts of the "All fonts:" list (QFontDatabase's families when empty).
    TfrmOptions(const TAppOptions& options, IDialogs& dialogs, QWidget* parent = nullptr,
                std::vector<std::string> installed = {});

    void SetPage(TPage page);
    // The options as the dialog shows them now.
    TAppOptions Result() const;

    // Asks for a font, preset with the given one; false when cancelled. QFontDialog unless
    // replaced (tests).
    std::function<bool(QFont& font)> FontPrompt;

    // General.
    QTabWidget* pcOptions;
    QLineEdit* edtSourceFont;
    QPushButton* btnChangeFont;
    QCheckBox* cbPreviewWithTemplate;
    // Font list.
    QListWidget* lbAllFonts;
    QListWidget* lbCurrentFonts;
    QPushButton* btnSelect;
    QPushButton* btnSelectAll;
    QPushButton* btnUnselect;
    QPushButton* btnUnselectAll;
    QPushButton* btnFontUp;
    QPushButton* btnFontDown;
    QPushButton* btnSort;
    // External editors.
    QListWidget* lbEditors;
    QLabel* imgEditor;
    QLabel* lblDescription;
    QPushButton* btnAdd;
    QPushButton* btnDetect;
    QPushButton* btnClear;
    QPushButton* btnDelete;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QPushButton* btnDefault;
    QMenu* pmEditors;

    void btnChangeFontClick();
    void btnAddClick();
    void btnDetectClick();
    void btnDefaultClick();

private:
    void FillEditors(const TSelectableList& list);
    void ShowEditorInfo();
    void UpdateFontButtons();

    IDialogs& dialogs_;
    std::string defaultEditor_;
};

// Shows the dialog on a page; on OK writes the options to path (the user's options.ini)
// and hands them back in options. False when cancelled or when the file could not be
// written (the error is shown).
bool RunEnvironmentOptions(QWidget* parent, TAppOptions& options, IDialogs& dialogs,
                           TfrmOptions::TPage page = TfrmOptions::pgGeneral,
                           const std::string& path = UserOptionsFile());

} // namespace parvane
