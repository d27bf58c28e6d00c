#pragma once
// The sample project. The program's copy lives in its own folder, which is read-only once
// installed and shared by every user of the machine, so it is never edited there: opening
// the sample opens the user's own copy in their projects folder, made the first time.

#include <string>

namespace parvane {

// "<home>/Parvane Projects/": where the wizard proposes new projects.
std::string UserProjectsFolder();

// Whether path names the sample project of the program folder.
bool IsProgramSample(const std::string& path, const std::string& programFolder);

// The user's copy of the sample ("Parvane Sample/sample.pvx" below projectsFolder), made
// from the program's when it does not exist yet: its pages are copied and its project file
// is written with its root folder pointing at the copy. A half-made copy never stays
// behind. Throws EParvaneError when the copy cannot be made.
std::string UserSampleProject(const std::string& programFolder, const std::string& projectsFolder);

} // namespace parvane
