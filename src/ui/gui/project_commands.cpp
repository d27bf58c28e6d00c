#include "ui/gui/project_commands.h"

#include "model/errors.h"
#include "model/paths.h"
#include "ui/gui/dialogs.h"
#include "ui/gui/main_window.h"
#include "ui/gui/topic_editor_pane.h"
#include "ui/gui/topic_tree_model.h"
#include "ui/gui/topic_tree_view.h"
#include "ui/gui/tree_commands.h"
#include "ui/project_naming.h"
#include "ui/recent_projects.h"
#include "ui/sample_project.h"
#include "ui/topic_editing.h"
#include "wizard/gui/new_project_dialog.h"
#include "wizard/root_folder.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

TProjectCommands::TProjectCommands(TfrmMain& main) : QObject(&main), main_(main) {
    actNew = new QAction("New", this);
    actOpen = new QAction("Open", this);
    actSave = new QAction("Save", this);
    actSaveAs = new QAction("Save As...", this);
    actClose = new QAction("Close", this);
    actNew->setShortcut(QKeySequence::New);
    actOpen->setShortcut(QKeySequence::Open);
    actSave->setShortcut(QKeySequence::Save);
    actNew->setToolTip("New project");
    actOpen->setToolTip("Open project");
    actSave->setToolTip("Save project");
    const QAction* actions[] = {actNew, actOpen, actSave, actSaveAs, actClose};
    for (int i = 0; i < 5; ++i)
        connect(actions[i], &QAction::triggered, this, [this, i] { Execute(i + 1); });
}

bool TProjectCommands::Execute(int number) {
    switch (number) {
    case 1:
        return NewProject();
    case 2:
        return OpenProject();
    case 3:
        return SaveProject();
    case 4:
        return SaveProjectAs();
    case 5:
        return CloseProject();
    default:
        return false;
    }
}

bool TProjectCommands::AskSaveTopic() {
    TTopicEditorPane* editor = main_.EditorPane();
    // Typing not yet reported by the editor: the command is refused this once rather than
    // deciding on a page whose state is not known.
    if (editor->EditorChangesPending())
        return false;
    if (!editor->IsTopicModified() || !editor->ShownTopic())
        return true;
    TTopicNode* topic = editor->ShownTopic();
    main_.ShowTopicProperties(topic);
    const QString question = Q(TopicTexts::SwitchQuestion(topic->Text()));
    switch (main_.Dialogs().Ask(question, TButtons::YesNoCancel)) {
    case TAnswer::Yes:
        return editor->SavePage();
    case TAnswer::No:
        editor->DiscardChanges();
        return true;
    default:
        return false;
    }
}

bool TProjectCommands::AskSaveProject() {
    if (!main_.Project().Modified)
        return true;
    switch (main_.Dialogs().Ask("The project has changed.\nDo you want to save the changes?",
                                TButtons::YesNoCancel, "Confirm")) {
    case TAnswer::Yes:
        return SaveProject();
    case TAnswer::No:
        return true;
    default:
        return false;
    }
}

void TProjectCommands::LeaveProject() {
    TPvx& project = main_.Project();
    if (!project.IsUntitled)
        AddRecentProject(Q(project.FileName));
    main_.EditorPane()->ResetTopic();
    main_.EditorPane()->ProjectLeft();
    main_.ClearPropertyBar();
    main_.TreeCommands().ClearHistory();
    // A find typed for the old project does not narrow the next one.
    main_.edtFind->blockSignals(true);
    main_.edtFind->clear();
    main_.edtFind->blockSignals(false);
    main_.TreeView()->SetFilter({});
    TTopicTreeModel* model = main_.TreeModel();
    model->BeginReset();
    project.ResetToDefaults();
    model->EndReset();
}

bool TProjectCommands::NewProject() {
    if (!AskSaveTopic() || !AskSaveProject())
        return false;
    TfrmNew wizard(main_.Dialogs(), &main_);
    if (main_.Dialogs().Exec(wizard) != QDialog::Accepted)
        return false;
    TNewProjectOptions options = wizard.Options();
    // The project in hand is left only once the new one can be made.
    try {
        options.RootFolder = MakeRootFolder(options.RootFolder);
    } catch (const EParvaneError& e) {
        main_.Dialogs().Error(Q(e.what()));
        return false;
    }
    LeaveProject();

    TPvx& project = main_.Project();
    TTopicTreeModel* model = main_.TreeModel();
    TfrmSearchHTML searching(&main_);
    if (options.Import) {
        searching.show();
        searching.move(main_.geometry().center() - searching.rect().center());
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    model->BeginReset();
    try {
        parvane::NewProject(project, options,
                            [&searching](const std::string& file) { searching.ShowFile(Q(file)); });
    } catch (const EParvaneError& e) {
        model->EndReset();
        if (options.Import)
            QApplication::restoreOverrideCursor();
        main_.Dialogs().Error(Q(e.what()));
        main_.UpdateCaption();
        return false;
    }
    model->EndReset();
    if (options.Import) {
        searching.close();
        QApplication::restoreOverrideCursor();
    }
    main_.UpdateCaption();
    main_.SetNoProjectState(false);
    project.Modified = true;
    return true;
}

bool TProjectCommands::OpenProject() {
    if (!AskSaveTopic() || !AskSaveProject())
        return false;
    const QString folder = main_.Project().IsUntitled
                               ? QString()
                               : Q(Paths::ExtractFilePath(main_.Project().FileName));
    const QString path = main_.Dialogs().OpenFile("Open", folder, Filters::Project);
    if (path.isEmpty())
        return false;
    return LoadProject(path);
}

bool TProjectCommands::OpenProjectFile(const QString& requested) {
    // The program's sample is shared and read-only: the author works on an own copy.
    QString path = requested;
    if (IsProgramSample(requested.toStdString(), Paths::AppDir())) {
        try {
            path = Q(UserSampleProject(Paths::AppDir(), UserProjectsFolder()));
        } catch (const EParvaneError& e) {
            main_.Dialogs().Error(Q(e.what()));
            return false;
        }
    }
    if (!QFileInfo(path).isFile() && Paths::ResolveExisting(path.toStdString()).empty()) {
        main_.Dialogs().Error(path + " doesn't exist!");
        return false;
    }
    if (!AskSaveTopic() || !AskSaveProject())
        return false;
    return LoadProject(path);
}

bool TProjectCommands::LoadProject(const QString& path) {
    main_.SetNoProjectState(false);
    LeaveProject();
    TTopicTreeModel* model = main_.TreeModel();
    model->BeginReset();
    try {
        main_.Project().LoadFromFile(path.toStdString());
    } catch (const EParvaneError& e) {
        main_.Project().ResetToDefaults();
        model->EndReset();
        main_.UpdateCaption();
        main_.Dialogs().Error(Q(e.what()));
        return false;
    }
    model->EndReset();
    main_.UpdateCaption();
    return true;
}

bool TProjectCommands::SaveTo(const std::string& path) {
    try {
        main_.Project().SaveToFile(path);
    } catch (const EParvaneError& e) {
        main_.Dialogs().Error(Q(e.what()));
        return false;
    }
    return true;
}

bool TProjectCommands::SaveProject() {
    TPvx& project = main_.Project();
    if (project.IsUntitled)
        return SaveProjectAs();
    TTopicEditorPane* editor = main_.EditorPane();
    if (editor->IsTopicModified() && !editor->SavePage())
        return false;
    AddRecentProject(Q(project.FileName));
    return SaveTo(project.FileName);
}

bool TProjectCommands::SaveProjectAs() {
    if (!AskSaveTopic())
        return false;
    TPvx& project = main_.Project();
    // A new project is saved beside its pages unless the author goes elsewhere.
    QString proposal = Q(ProposeSaveAsName(project));
    if (project.IsUntitled && !project.RootFolder().empty())
        proposal = Q(Paths::IncludeTrailingSlash(project.RootFolder())) + proposal;
    const QString path = main_.Dialogs().SaveFile("Save As", proposal, Filters::Project, ".pvx");
    if (path.isEmpty())
        return false;
    const std::string previousCompiled = project.ProjectSettings.CompiledFile;
    project.ProjectSettings.CompiledFile = CompiledFileAfterSaveAs(project, path.toStdString());
    // SaveToFile sets FileName and IsUntitled only when the file was written.
    if (!SaveTo(path.toStdString())) {
        project.ProjectSettings.CompiledFile = previousCompiled;
        return false;
    }
    main_.UpdateCaption();
    return true;
}

bool TProjectCommands::CloseProject() {
    // The page first: closing must not drop its changes without asking.
    if (!AskSaveTopic() || !AskSaveProject())
        return false;
    LeaveProject();
    main_.ClearPropertyBar();
    main_.SetNoProjectState(true);
    main_.UpdateCaption();
    return true;
}

void TProjectCommands::AddRecentProject(const QString& path) {
    parvane::AddRecentProject(main_.Store(), path.toStdString());
    main_.LoadRecentProjects();
}

} // namespace parvane
