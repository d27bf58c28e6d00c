#pragma once
// TfrmDesigner, "Help window designer": a mock-up of the compiled help window. The dialog
// itself stands for the help window (moving and resizing it sets the window's rectangle),
// a splitter for the navigation pane's width, a tool bar, the navigation tabs with a
// sample tree and a sample index, and a panel of check boxes at the bottom. The state and
// the rules live in TDesignerModel; the widgets only show them.
//
// TfrmFont edits one of the two font strings ("face,size,charset").

#include "settings/designer_logic.h"

#include <QDialog>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace parvane {

class IDialogs;

class TfrmDesigner : public QDialog {
    Q_OBJECT
public:
    // Without dialogs the font dialogs run on their own (QDialog::exec).
    explicit TfrmDesigner(QWidget* parent = nullptr, IDialogs* dialogs = nullptr);

    // Loads every control, places and sizes the window, sets the pane width.
    void ClassToControl(const THelpWindowSettings& settings);
    // Writes every setting back; the rectangle is the last one captured.
    void ControlToClass(THelpWindowSettings& settings) const;

    // The capture timer's work: the window's rectangle (unless maximised) and the title.
    void CaptureRect();
    const TDesignerModel& Model() const { return model_; }

    // The check box that edits a setting (nullptr for none).
    QCheckBox* CheckOf(bool THelpWindowSettings::*setting) const;
    // The font buttons of the Nav page.
    void btnContentsFontClick();
    void btnIndexFontClick();

    QMenuBar* mnuMock;
    QToolBar* tbMock;
    std::vector<QToolButton*> tbButtons; // Hide/Show ... Jump 2, in tool bar order
    QSplitter* splPane;
    QTabWidget* pcNavigation; // Contents, Index, Search, Favorites
    QTreeWidget* tvSample;
    QListWidget* lbIndexSample;
    QPlainTextEdit* mmTopic;
    QTabWidget* pcPanel; // Interface, Toolbar, Nav, TOC, Other
    QComboBox* cbDefaultTab;
    QPushButton* btnContentsFont;
    QPushButton* btnIndexFont;
    QPushButton* btnOK;
    QPushButton* btnNo;
    QTimer* tmrCapture;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CheckChanged(const TDesignerCheck& check, bool checked);
    void UpdateMockup();
    void UpdateSampleImages();
    void UpdateSampleFonts();
    bool RunFont(const char* title, std::string& fontString);
    void SetPaneWidth(int width);

    IDialogs* dialogs_;
    std::vector<QAction*> tbActions_; // the tool bar's actions of tbButtons
    TDesignerModel model_;
    std::vector<QCheckBox*> checks_; // parallel to DesignerChecks()
    bool updating_ = false;
};

class TfrmFont : public QDialog {
    Q_OBJECT
public:
    TfrmFont(const QString& title, QWidget* parent = nullptr);

    // Opens on a stored string; parts it cannot read keep the dialog's defaults.
    void SetFontString(const std::string& text);
    // What OK stores: face + "," + size + "," + the character set's number.
    std::string FontString() const;
    TFontChoice Choice() const;

    QComboBox* cbFont;
    QSpinBox* edtSize;
    QComboBox* cbCharset;
    QLabel* lblSample;
    QPushButton* btnReset;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void SetChoice(const TFontChoice& choice);
    void UpdateSample();
};

} // namespace parvane
