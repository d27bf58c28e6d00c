#pragma once
// TfrmNew, the "New project" wizard, and TfrmSearchHTML, the small "Searching" window
// shown while existing pages are imported.

#include "wizard/new_project.h"

#include <QDialog>
#include <atomic>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace parvane {

class IDialogs;

// The encodings the wizard offers: "<description>; <charset>".
const QStringList& EncodingEntries();

class TfrmNew : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNew(IDialogs& dialogs, QWidget* parent = nullptr);
    ~TfrmNew() override;

    TNewProjectOptions Options() const;
    // OK: the dialog closes only when the root folder can be made (it is made then);
    // otherwise it says why and the root folder box takes the focus.
    void accept() override;
    // A search of the root folder for pages is waiting for typing to pause or running.
    bool Scanning() const { return scanPending_; }
    // The pause after the last key before the root folder is searched (ms).
    static constexpr int ScanDelay = 400;

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
    void StartScan();
    void ScanFinished(quint64 generation, bool found);

    IDialogs& dialogs_;
    // The root folder search: after a pause, on a worker thread; a newer text drops an
    // older search (its flag is set and its answer ignored).
    QTimer* scanDelay_ = nullptr;
    std::shared_ptr<std::atomic<bool>> scanCancel_;
    quint64 scanGeneration_ = 0;
    bool scanPending_ = false;
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
