#pragma once
// The list of recent projects in the per-user settings store: "RecentFilesCount" and
// "RecentFile1".."RecentFile10", most recent first, without two entries that differ only
// in letter case.

#include "ui/user_settings.h"

#include <string>
#include <vector>

namespace parvane {

inline constexpr int MaxRecentProjects = 10;

// The stored entries in order; values that are missing or unreadable are skipped.
std::vector<std::string> ReadRecentProjects(const TSettingsStore& store);
// Puts path first, keeps the other entries in order without case-insensitive duplicates,
// and writes back at most ten.
void AddRecentProject(TSettingsStore& store, const std::string& path);
// What the menus and the start dialog list: the stored entries, or the sample project
// when there are none.
std::vector<std::string> RecentProjectEntries(const TSettingsStore& store,
                                              const std::string& sampleProject);
// The program folder's sample project.
std::string SampleProjectPath();

} // namespace parvane
