#pragma once
// Tools > Check Project: runs the project check and shows where each finding is.

#include "output/project_check.h"

#include <QObject>

class QAction;
class QDockWidget;

namespace parvane {

class TfrmCheckProject;
class TfrmMain;

class TCheckCommands : public QObject {
    Q_OBJECT
public:
    explicit TCheckCommands(TfrmMain& main);

    QAction* actCheckProject;

    // Shows the findings panel below the editor and checks the project as it is on disk.
    void CheckProjectClick();
    // Selects the topic of a finding and, for one inside a page, shows that line of the
    // page in the Source tab. False when no topic shows the page.
    bool ShowFinding(const TCheckFinding& finding);
    TfrmCheckProject* Window() const { return frmCheck_; }

private:
    void GoToSourceLine(const std::string& pagePath, int line);

    TfrmMain& main_;
    QDockWidget* dock_ = nullptr;
    TfrmCheckProject* frmCheck_ = nullptr;
};

} // namespace parvane
