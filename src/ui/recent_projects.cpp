#include "ui/recent_projects.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>

namespace parvane {

std::vector<std::string> ReadRecentProjects(const TSettingsStore& store) {
    std::vector<std::string> entries;
    const int count = store.ReadInteger("RecentFilesCount").value_or(0);
    // A damaged count never makes the reading run away.
    for (int i = 1; i <= std::min(count, 1000); ++i) {
        if (auto value = store.Read("RecentFile" + std::to_string(i)); value && !value->empty())
            entries.push_back(std::move(*value));
    }
    return entries;
}

void AddRecentProject(TSettingsStore& store, const std::string& path) {
    std::vector<std::string> list{path};
    for (std::string& entry : ReadRecentProjects(store)) {
        const bool known = std::any_of(list.begin(), list.end(), [&](const std::string& e) {
            return StringFunc::SameText(e, entry);
        });
        if (!known)
            list.push_back(std::move(entry));
    }
    if (list.size() > static_cast<std::size_t>(MaxRecentProjects))
        list.resize(MaxRecentProjects);
    store.WriteInteger("RecentFilesCount", static_cast<int>(list.size()));
    for (std::size_t i = 0; i < list.size(); ++i)
        store.Write("RecentFile" + std::to_string(i + 1), list[i]);
}

std::vector<std::string> RecentProjectEntries(const TSettingsStore& store,
                                              const std::string& sampleProject) {
    if (store.ReadInteger("RecentFilesCount").value_or(0) <= 0)
        return {sampleProject};
    return ReadRecentProjects(store);
}

std::string SampleProjectPath() {
    return Paths::IncludeTrailingSlash(Paths::AppDir()) + "sample.pvx";
}

} // namespace parvane
