#pragma once
// The project commands of the main window: New, Open, Save, Save As, Close, the recent
// projects, and the questions asked before a project is replaced. Each returns whether
// it completed; closing the window relies on that.

#include <QObject>
#include <QString>

class QAction;

namespace parvane {

class TfrmMain;

class TProjectCommands : public QObject {
    Q_OBJECT
public:
    explicit TProjectCommands(TfrmMain& main);

    // The handler the File menu and toolbar share: 1 New ... 5 Close.
    bool Execute(int number);
    bool NewProject();
    bool OpenProject();
    // The program's own sample opens as the author's copy of it (made the first time).
    bool OpenProjectFile(const QString& path);
    bool SaveProject();
    bool SaveProjectAs();
    bool CloseProject();

    void AddRecentProject(const QString& path);
    // "The topic ... has been changed, save it?": false when the author cancelled or the
    // page could not be saved.
    bool AskSaveTopic();

    QAction* actNew;
    QAction* actOpen;
    QAction* actSave;
    QAction* actSaveAs;
    QAction* actClose;

private:
    // "The project has changed." with Yes, No and Cancel.
    bool AskSaveProject();
    void LeaveProject();
    bool LoadProject(const QString& path);
    bool SaveTo(const std::string& path);

    TfrmMain& main_;
};

} // namespace parvane
