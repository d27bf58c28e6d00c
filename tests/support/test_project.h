#pragma once
// Small helpers shared by the output, template, wizard and command-line tests: a private
// temporary folder, whole-file reads and writes, and a project built in memory.

#include "model/project_file.h"
#include "model/topic_tree.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace parvane::testing {

namespace fs = std::filesystem;

class TempDir {
public:
    explicit TempDir(const std::string& prefix = "pv-test") {
        std::string tmpl = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
        path_ = mkdtemp(tmpl.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // "name" below the folder, native, no trailing "/".
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // The folder itself with a trailing "/".
    std::string Folder() const { return path_.string() + "/"; }
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A page with a title and a body.
inline std::string Page(const std::string& title, const std::string& body,
                        const std::string& head = "") {
    return "<html><head><title>" + title + "</title>" + head + "</head>\r\n<body>\r\n" + body +
           "\r\n</body></html>\r\n";
}

// Every file below folder with its bytes, keyed by the relative path: a snapshot to prove
// that a build left a folder alone.
inline std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(folder);
         it != fs::recursive_directory_iterator(); ++it) {
        const std::string rel = fs::relative(it->path(), folder).string();
        files[rel] = it->is_regular_file() ? ReadFile(it->path().string()) : std::string("<dir>");
    }
    return files;
}

// The names of the entries of a folder (not below it), sorted: what a step left beside
// its output.
inline std::vector<std::string> EntryNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A project in memory whose root folder is a temporary folder.
class TestProject {
public:
    TestProject() : project_(MakeTree(tree_)) {
        project_.ProjectSettings.RootDir = dir_.Folder() + "root/";
        fs::create_directories(project_.ProjectSettings.RootDir);
        project_.ProjectSettings.Encoding = "UTF-8";
    }
    TPvx& Project() { return project_; }
    TTopicTree& Tree() { return tree_; }
    TempDir& Dir() { return dir_; }
    std::string Root() const { return project_.ProjectSettings.RootDir; }
    // Writes a file below the root ("/" separators in rel).
    void Write(const std::string& rel, const std::string& bytes) { WriteFile(Root() + rel, bytes); }
    // Adds a topic as last child of parent (the contents root when null).
    TTopicNode* Add(const std::string& title, const std::string& url, TTopicNode* parent = nullptr,
                    int status = tsLinked) {
        TTopicNode* p = parent ? parent : tree_.ContentsRoot();
        return tree_.AddTopicNode(p, title, imLastChildOfReference, status, 0, url);
    }

private:
    static TTopicTree& MakeTree(TTopicTree& tree) {
        tree.CreateRootGroups();
        return tree;
    }
    TempDir dir_;
    TTopicTree tree_;
    TPvx project_;
};

} // namespace parvane::testing
