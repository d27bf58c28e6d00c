#pragma once
// Which file the help command opens. The guide ships twice in the program folder: compiled
// ("parvane.chm") and as a Web Help ("help/index.htm"). Most Linux desktops have no viewer
// for compiled help, so the Web Help stands in where nothing would show the compiled file.

#include <string>

namespace parvane {

inline constexpr const char* HelpFileName = "parvane.chm";
inline constexpr const char* WebHelpStartPage = "help/index.htm";

// The file to open, or "" when neither form of the guide is in the program folder.
// canShowCompiledHelp: the desktop has an application for compiled help files.
std::string ProgramHelpFile(const std::string& appDir, bool canShowCompiledHelp);

// True when a desktop entry declares one of the compiled-help MIME types.
bool DesktopShowsCompiledHelp();

} // namespace parvane
