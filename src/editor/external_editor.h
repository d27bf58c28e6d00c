#pragma once
// Starting an external editor on the page being edited. An editor entry of the options is
// a program path, or a command line in which "%1" stands for the page's path. The program
// is started without a shell: the command line is split into arguments and the page path
// goes in as one argument, whatever blanks or quotes it holds.

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// The command line of an entry: a "%1" enclosed in double quotes loses its quotes, an
// entry without "%1" gets " %1" appended, then every "%1" becomes the page path in double
// quotes. So the path is quoted once, never twice.
std::string EditorCommandLine(std::string_view entry, std::string_view pagePath);

// The same command as the arguments to start (program first): the command line is split
// at blanks outside double quotes (quotes are dropped), and "%1" inside an argument is
// replaced by the page path. Empty when the entry names no program.
std::vector<std::string> EditorArguments(std::string_view entry, std::string_view pagePath);

// The arguments with the program resolved to its full path ($PATH lookup for a bare name);
// empty when the program cannot be found.
std::vector<std::string> EditorLaunchArguments(std::string_view entry, std::string_view pagePath);

} // namespace parvane
