#include "templates/gui/template_commands.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "ui/gui/dialogs.h"

#include <QInputDialog>

namespace parvane {

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
} // namespace

std::optional<std::string> AskFolderName(QWidget* parent, IDialogs& dialogs,
                                         const std::string& rootFolder,
                                         const std::string& proposal) {
    QInputDialog question(parent);
    question.setObjectName("dlgTemplateFolder");
    question.setWindowTitle(TemplateTexts::FolderCaption);
    question.setLabelText(Q(CopyTemplatePrompt(rootFolder)));
    question.setTextValue(Q(proposal));
    question.setOkButtonText("OK");
    question.setCancelButtonText("Cancel");
    if (dialogs.Exec(question) != QDialog::Accepted)
        return std::nullopt;
    return question.textValue().toStdString();
}

TTopicNode* AddPrebuiltTemplateClick(QWidget* parent, TPvx& project, IDialogs& dialogs,
                                     const TTemplateEntry& entry, const std::string& libraryFolder,
                                     int insertMode) {
    const std::string root = project.RootFolder();
    // Files are only ever written inside a project: without a root folder of its own (no
    // project open) a relative target would land in the program's working folder.
    if (!Paths::IsAbsolute(root) || !Paths::FolderExists(root)) {
        dialogs.Error("Open or create a project first: the template is copied into its root "
                      "folder.");
        return nullptr;
    }
    const std::string source =
        Paths::IncludeTrailingSlash(libraryFolder) + Paths::ToNative(entry.Path);
    const std::optional<std::string> folder = AskTemplateFolder(
        source, root,
        [&](const std::string& proposal) { return AskFolderName(parent, dialogs, root, proposal); },
        [&](const std::string& message) { dialogs.Error(Q(message)); });
    if (!folder)
        return nullptr;
    TTopicNode* node = nullptr;
    try {
        node = AddPrebuiltTemplate(project, entry, libraryFolder, *folder, insertMode);
    } catch (const EParvaneError& e) {
        dialogs.Error(Q(e.what()));
        return nullptr;
    }
    project.Tree().Select(node);
    if (dialogs.Ask(TemplateTexts::AskSetDefault, TButtons::YesNo) == TAnswer::Yes)
        SetAsHtmlHelpTemplate(project, node);
    return node;
}

void mnuSetCHMTempClick(TPvx& project, IDialogs& dialogs) {
    try {
        SetAsHtmlHelpTemplate(project, project.Tree().Selected());
    } catch (const EParvaneError& e) {
        dialogs.Error(Q(e.what()));
    }
}

void mnuSetWebTempClick(TPvx& project, IDialogs& dialogs) {
    try {
        SetAsWebHelpTemplate(project, project.Tree().Selected());
    } catch (const EParvaneError& e) {
        dialogs.Error(Q(e.what()));
    }
}

void mnuDontuseClick(TPvx& project) {
    DontUseAnyTemplate(project);
}

} // namespace parvane
