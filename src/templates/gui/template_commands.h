#pragma once
// The desktop side of the template library and the template commands: the folder question
// with its collision loop, copying a prebuilt template into the project, the question
// whether it becomes the HTML Help template, and the three context-menu commands with their
// refusals shown in a message box.

#include "templates/template_library.h"

#include <QString>

class QWidget;

namespace parvane {

class IDialogs;
class TPvx;
class TTopicNode;

// The "Folder" question, run through dialogs.Exec (a QInputDialog named "dlgTemplateFolder"):
// the name typed, or nothing on Cancel.
std::optional<std::string> AskFolderName(QWidget* parent, IDialogs& dialogs,
                                         const std::string& rootFolder,
                                         const std::string& proposal);

// The "Prebuilt  template" item of the add dialog: asks for the folder until no file would
// be overwritten, copies the entry into the project, adds and selects its topic in the
// "Templates" group, then asks whether it becomes the HTML Help template. insertMode is the
// dialog's (end, before, after, child). Returns the new topic, or nullptr when the author
// cancelled or the copy failed (the failure is shown).
TTopicNode* AddPrebuiltTemplateClick(QWidget* parent, TPvx& project, IDialogs& dialogs,
                                     const TTemplateEntry& entry, const std::string& libraryFolder,
                                     int insertMode);

// The context-menu commands on the selected template topic; a refusal is shown.
void mnuSetCHMTempClick(TPvx& project, IDialogs& dialogs);
void mnuSetWebTempClick(TPvx& project, IDialogs& dialogs);
void mnuDontuseClick(TPvx& project);

} // namespace parvane
