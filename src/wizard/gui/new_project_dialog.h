#pragma once
// TfrmNew, the "New project" wizard, and TfrmSearchHTML, the small "Searching" window
// shown while existing pages are imported.

#include "wizard/new_project.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace parvane {

class IDialogs;

// The encodings the wizard offers: "<description>; <charset>".
const QStringList& EncodingEntries();

class TfrmNew : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNew(IDialogs& dialogs, QWidget* parent = nullptr);

    TNewProjectOptions Options() const;

    QLineEdit* edtTitle;
    QLineEdit* edtRootFolder;
    QPushButton* btnRootFolder;
    QComboBox* cbEncoding;
    QRadioButton* rbDefaultPage;
    QRadioButton* rbCustomPage;
    QLabel* lblFileName;
    QLineEdit* edtFileName;
    QPushButton* btnFileName;
    QCheckBox* cbSearch;
    QCheckBox* cbKeepStructure;
    QCheckBox* cbFolderIndex;
    QLabel* lblTitleFrom;
    QComboBox* cbTitleFrom;

private:
    void RootFolderChanged();
    void UpdateEnabling();

    IDialogs& dialogs_;
};

class TfrmSearchHTML : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSearchHTML(QWidget* parent = nullptr);
    // Shows the file being imported and lets the window repaint.
    void ShowFile(const QString& path);

    QLabel* lblFile;
};

} // namespace parvane
