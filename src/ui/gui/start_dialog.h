#pragma once
// TfrmSelectWhenStart, the start dialog: a new project, a recent one, or another file.

#include <QDialog>

class QListWidget;
class QRadioButton;

namespace parvane {

class TfrmSelectWhenStart : public QDialog {
    Q_OBJECT
public:
    enum Choice { NewProject = 0, RecentProject = 1, ExistingProject = 2 };

    TfrmSelectWhenStart(const QStringList& recentProjects, QWidget* parent = nullptr);

    Choice SelectedChoice() const;
    void SetChoice(Choice choice);
    QString SelectedProject() const;

    QRadioButton* rbNew;
    QRadioButton* rbRecent;
    QRadioButton* rbExisting;
    QListWidget* lbRecent;
};

} // namespace parvane
