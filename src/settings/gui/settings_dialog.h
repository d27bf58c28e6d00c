#pragma once
// TfrmSettings, "Project Settings": the project's general, HTML Help, Web Help and Single
// HTML settings on four pages. The controls and the stored values meet through
// TSettingsForm (settings/settings_lists.h); the help window settings are edited on a
// private copy that the designer works on, so nothing reaches the project before OK.

#include "model/help_window_settings.h"
#include "settings/settings_lists.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace parvane {

class IDialogs;
class TPvx;
class TTreeImages;
struct TBuildDialogValues;

class TfrmSettings : public QDialog {
    Q_OBJECT
public:
    // Filled from the project; page is a TSettingsPage.
    TfrmSettings(TPvx& project, IDialogs& dialogs, const TTreeImages& images, int page,
                 QWidget* parent = nullptr);

    // The build dialog's locations replace the project's in the four edits.
    void TakeBuildEdits(const TBuildDialogValues& values);
    // The four edits as they stand, for the build dialog.
    void GiveBuildEdits(TBuildDialogValues& values) const;

    // The controls as plain values (what OK stores).
    TSettingsForm Form() const;
    // The window settings being edited (the designer's working copy).
    const THelpWindowSettings& WindowSettings() const { return windowSettings_; }
    // OK: every control into the project, the window settings copied, modified set.
    void WriteBack();

    // The designer on the private copy ("Design CHM style...").
    void btnDesignClick();

    QTabWidget* pcSettings;
    // General
    QLineEdit* edtTitle;
    QLineEdit* edtRootDir;
    QPushButton* btnRootDir;
    QComboBox* cbHasChild;
    QComboBox* cbNoChild;
    QComboBox* cbEncoding;
    QRadioButton* rbDefaultTemplate;
    QRadioButton* rbCustomTemplate;
    QLabel* lblCustomTemplate;
    QLineEdit* edtCustomTemplate;
    QPushButton* btnCustomTemplate;
    // HTML Help
    QLineEdit* edtDefaultTopic;
    QPushButton* btnDefaultTopicFile;
    QPushButton* btnDefaultTopic;
    QComboBox* cbLanguage;
    QLineEdit* edtHtmlHelpTemplate;
    QPushButton* btnHtmlHelpTemplate;
    QLineEdit* edtHtmlHelpTitle;
    QCheckBox* cbHtmlHelpTitleSame;
    QLineEdit* edtCompiledFile;
    QPushButton* btnCompiledFile;
    QPushButton* btnDesign;
    // Web Help
    QLineEdit* edtWebHelpTemplate;
    QPushButton* btnWebHelpTemplate;
    QCheckBox* cbWebHelpTemplateSame;
    QLineEdit* edtWebHelpTitle;
    QCheckBox* cbWebHelpTitleSame;
    QLineEdit* edtWebHelpDefault;
    QPushButton* btnWebHelpDefault;
    QCheckBox* cbWebHelpDefaultSame;
    QLineEdit* edtWebHelpOutputFolder;
    QPushButton* btnWebHelpOutputFolder;
    QSpinBox* edtNavWidth;
    QCheckBox* cbStartFromRoot;
    QCheckBox* cbDrawLines;
    QCheckBox* cbAutoCollapse;
    QCheckBox* cbRealColorIcon;
    QLineEdit* edtWebFontColor;
    QPushButton* btnWebFontColor;
    QLineEdit* edtWebBackColor;
    QPushButton* btnWebBackColor;
    QCheckBox* cbShowIndex;
    QCheckBox* cbWebHelpSearch;
    // Single HTML
    QLineEdit* edtSingleHtmlOutputFolder;
    QPushButton* btnSingleHtmlOutputFolder;
    QLineEdit* edtSingleHtmlFilename;
    QLineEdit* edtSingleHtmlTitle;
    QCheckBox* cbSingleHtmlSame;
    QCheckBox* cbSingleHtmlHasToc;
    // Every page
    QComboBox* cbHeadProperties;
    QComboBox* cbPageProperties;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    void FormToControls(const TSettingsForm& form);
    void UpdateEnabling();
    void ChooseFolder(QLineEdit* edit);
    void ChooseTopic(QLineEdit* edit, int mode);
    void ChooseColour(QLineEdit* edit);

    TPvx& project_;
    IDialogs& dialogs_;
    const TTreeImages& images_;
    TSettingsForm opened_; // what the dialog opened with (unknown list values are kept)
    THelpWindowSettings windowSettings_;
    bool updating_ = false;
};

// Shows the project settings on a page. With edits (the build dialog's locations) the
// four shared edits start from them and take the chosen values back on OK. After OK the
// topic images are updated, so changed default icons show at once. True on OK.
bool RunProjectSettings(QWidget* parent, TPvx& project, IDialogs& dialogs,
                        const TTreeImages& images, int page, TBuildDialogValues* edits = nullptr);

// The settings page for a build dialog page (0 HTML Help, 1 Web Help, 2 Single HTML).
int SettingsPageOfBuildPage(int buildPage);

} // namespace parvane
