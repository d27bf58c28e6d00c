#pragma once
// The Qt Help output: a Qt help project (.qhp) with the table of contents, the keywords
// (a topic's context number is the id of a keyword, so an application asks for help by
// number) and the files, compiled by Qt's qhelpgenerator into a .qch that Qt Assistant and
// any Qt application's QHelpEngine open. The branch is BuildQtHelpBranch (build_driver.h).

#include "output/contents.h"

#include <string>
#include <vector>

namespace parvane {

// The help namespace: "org.parvane." and the project's title (or file name) as a host name.
std::string QtHelpNamespace(const TPvx& project);

// The .qhp text. files: every file of the help, relative to the .qhp's folder with "/".
std::string BuildQtHelpProject(const TContents& contents, const std::string& helpNamespace,
                               const std::vector<std::string>& files);

// qhelpgenerator of Qt 6: $PARVANE_QHELPGENERATOR, Qt 6's libexec folder, or PATH. "" if
// none.
std::string FindQtHelpGenerator();

} // namespace parvane
