#pragma once
// TfrmCompiler, "Build help file": the output to build and where it goes. Start checks
// the active page and asks before a folder is emptied; the dialog stays open on a
// failed check or a No.

#include "output/build_driver.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QPushButton;
class QTabWidget;

namespace parvane {

class IDialogs;

class TfrmCompiler : public QDialog {
    Q_OBJECT
public:
    TfrmCompiler(IDialogs& dialogs, const std::string& projectRoot,
                 const TBuildDialogValues& values, QWidget* parent = nullptr);

    TBuildDialogValues Values() const;
    void SetValues(const TBuildDialogValues& values);
    // The checks and questions of Start; true closes the dialog.
    bool TryStart();

    // Opens the project settings on a page (0 HTML Help, 1 Web Help, 2 Single HTML) with
    // the dialog's locations, taking them back on OK. Unset: the option buttons are off.
    std::function<bool(int page, TBuildDialogValues& values)> OpenProjectSettings;
    void UpdateOptionButtons();

    QTabWidget* pcOutput;
    QLineEdit* edtCompiledFile;
    QPushButton* btnCompiledFile;
    QCheckBox* cbDeleteProject;
    QLineEdit* edtHHPFolder;
    QPushButton* btnHHPFolder;
    QLineEdit* edtWebHelpFolder;
    QPushButton* btnWebHelpFolder;
    QLineEdit* edtSingleFolder;
    QPushButton* btnSingleFolder;
    QLineEdit* edtSingleFilename;
    QCheckBox* cbViewCompiledFile;
    QPushButton* btnHtmlHelpOptions;
    QPushButton* btnWebHelpOptions;
    QPushButton* btnSingleHtmlOptions;
    QLineEdit* edtPdfFile;
    QPushButton* btnPdfFile;
    QComboBox* cbPdfPageSize;
    QSpinBox* sePdfMargin;
    QLineEdit* edtEpubFile;
    QPushButton* btnEpubFile;
    QLineEdit* edtQtHelpFile;
    QPushButton* btnQtHelpFile;
    QPushButton* btnStart;
    QPushButton* btnCancel;

private:
    QLineEdit* EditOf(BuildField field) const;
    void ChooseFolder(QLineEdit* edit);
    void ChooseFile(QLineEdit* edit, const QString& filter, const QString& suffix);
    void UpdateHHPFolder();

    IDialogs& dialogs_;
    std::string projectRoot_;
};

} // namespace parvane
