#pragma once
// The main window's identity texts, its caption, and the names proposed when a project
// is saved under a new name.

#include "model/project_file.h"

#include <string>

namespace parvane {

inline constexpr const char* ProductName = "Parvane";
inline constexpr const char* VersionText = "v3.2";

// "Parvane v3.2"
std::string ApplicationTitle();
// "Parvane v3.2 - manual.pvx" with a project open ("unnamed.pvx" while untitled), the
// application title alone without one.
std::string MainCaption(bool projectOpen, const TPvx& project);

// The file name the save dialog of "Save As..." proposes.
std::string ProposeSaveAsName(const TPvx& project);
// The compiled file after an untitled project is first saved as chosenPath: a title
// gives "<title>.chm", otherwise the chosen file's name with ".chm". An untitled project
// whose compiled file was changed from "unnamed.chm" keeps it.
std::string CompiledFileAfterSaveAs(const TPvx& project, const std::string& chosenPath);

} // namespace parvane
