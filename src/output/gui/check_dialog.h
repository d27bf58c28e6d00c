#pragma once
// "Check Project": the findings of the project check in a sortable list with a severity
// filter, a panel the main window docks below its editor. The check runs on a worker thread
// over a snapshot of the project, so the window stays usable; double-clicking a finding asks
// the owner to show where it is.

#include "output/project_check.h"

#include <QWidget>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace parvane {

class TPvx;

class TfrmCheckProject : public QWidget {
    Q_OBJECT
public:
    explicit TfrmCheckProject(QWidget* parent = nullptr);

    // Starts a check of the project as it is now; the list fills when it ends.
    void StartCheck(const TPvx& project);
    bool Running() const { return running_; }
    // Shows a report (also used when a check ends).
    void ShowReport(const TCheckReport& report);
    const TCheckReport& Report() const { return report_; }
    // Shows the findings of one severity only; -1 shows all.
    void SetSeverityFilter(int severity);

    QComboBox* cbSeverity;
    QTreeWidget* lvFindings;
    QLabel* lblSummary;
    QPushButton* btnCheckAgain;

signals:
    void CheckAgainRequested();
    void FindingActivated(const parvane::TCheckFinding& finding);
    void CheckFinished();

private:
    void ApplyFilter();
    void OnItemActivated(QTreeWidgetItem* item);

    TCheckReport report_;
    bool running_ = false;
};

// The project as a private copy that a worker thread may read while the author edits:
// written as the project file would be and read back, with the root folder kept.
struct TProjectSnapshot;
std::shared_ptr<TProjectSnapshot> SnapshotProject(const TPvx& project);
TCheckReport CheckSnapshot(const TProjectSnapshot& snapshot, const CheckProgress& progress);

} // namespace parvane

Q_DECLARE_METATYPE(parvane::TCheckFinding)
