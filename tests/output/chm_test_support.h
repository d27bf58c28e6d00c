#pragma once
// Small projects on disk for the HTML Help tests: a temporary root folder, a topic tree
// built in code, and file helpers.

#include "model/project_file.h"
#include "model/topic_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>

namespace parvane::chmtest {

namespace fs = std::filesystem;

class TTempDir {
public:
    TTempDir() {
        std::string templ = (fs::temp_directory_path() / "parvane-chmtest-XXXXXX").string();
        if (!::mkdtemp(templ.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = templ + "/";
    }
    ~TTempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    const std::string& Path() const { return path_; } // trailing "/"

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing " + path + ">";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A page with a title and a body, CR LF line ends.
inline std::string Page(const std::string& title, const std::string& body) {
    return "<html>\r\n<head>\r\n<title>" + title + "</title>\r\n</head>\r\n<body>\r\n" + body +
           "\r\n</body>\r\n</html>\r\n";
}

// A project whose root is a temporary folder.
struct TTestProject {
    TTempDir Dir;
    TTopicTree Tree;
    std::unique_ptr<TPvx> Pvx;

    TTestProject() {
        Tree.CreateRootGroups();
        Pvx = std::make_unique<TPvx>(Tree);
        Pvx->ResetToDefaults();
        Pvx->ProjectSettings.RootDir = Root();
        Pvx->FileName = Dir.Path() + "test.pvx";
        Pvx->IsUntitled = false;
    }

    std::string Root() const { return Dir.Path() + "root/"; }

    // Adds a topic as last child of parent; url uses "\" like a project file.
    TTopicNode* Add(TTopicNode* parent, const std::string& title, const std::string& url,
                    int status = tsLinked, const std::string& keywords = "",
                    const std::string& context = "") {
        TTopicNode* node = Tree.AddChild(parent, title);
        TLeftTreeData& data = node->Data();
        data.Url = url;
        data.Status = status;
        data.Keywords = keywords;
        data.ContextNumber = context;
        data.Kind = parent->RootGroup()->Data().Kind == -1   ? 0
                    : parent->RootGroup()->Data().Kind == -2 ? 1
                                                             : 2;
        return node;
    }

    void File(const std::string& relative, const std::string& bytes) const {
        WriteBytes(Root() + relative, bytes);
    }
};

} // namespace parvane::chmtest
