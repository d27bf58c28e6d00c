// Unpacks a small project from the input (a project file, then pages), builds HTML Help
// (without the compiler), Web Help and Single HTML from it, and checks the promise every
// build makes: nothing is written outside its output folder.
//
// Input: the project file's text, then any number of files, each starting with a line
// "@@ NAME" (NAME below the root folder, "/" separated). The project's root folder is the
// unpacked one whatever the file says; its topics may still point anywhere.
#include "model/errors.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/project_root.h"
#include "model/topic_tree.h"
#include "output/build_driver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string g_base; // with trailing "/"

void RemoveBase() {
    std::error_code ec;
    fs::remove_all(g_base, ec);
}

void MakeBase() {
    std::string pattern = (fs::temp_directory_path() / "parvane-fuzz-build-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    g_base = pattern + "/";
    std::atexit(RemoveBase);
    // A temporary folder below a system folder (TMPDIR=/dev/shm) would have every build
    // refused before it starts, and the run would fuzz nothing but that refusal.
    const std::string root = g_base + "root";
    fs::create_directories(root);
    const std::string problem = parvane::RootFolderProblem(root);
    if (!problem.empty()) {
        std::fprintf(stderr, "fuzz_build: no project can live in %s: %s\n", root.c_str(),
                     problem.c_str());
        std::exit(1);
    }
    // The same for the program's own files (the Web Help pages and scripts), found beside
    // the program's folder or through PARVANE_DATA_DIR: a copy of this binary elsewhere
    // would have every Web Help build stop at their check.
    const std::string support = parvane::Paths::IncludeTrailingSlash(parvane::Paths::AppDir());
    std::error_code ec;
    if (!fs::is_regular_file(support + "webhelp/webhelp.js", ec)) {
        std::fprintf(stderr,
                     "fuzz_build: the program's files are not in %s (keep the binary in its "
                     "build folder, or set PARVANE_DATA_DIR to the support folder)\n",
                     support.c_str());
        std::exit(1);
    }
}

// A file name the input may give: letters, digits and ". _ -" in at most four levels, no
// "." or ".." level. Anything else is skipped (hostile paths belong in the project's
// topics and links, where the build must cope with them).
bool SafeName(std::string_view name) {
    if (name.empty() || name.size() > 80 || name.front() == '/' || name.back() == '/')
        return false;
    int levels = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '/') {
            const char c = name[i];
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                  c == '.' || c == '_' || c == '-'))
                return false;
            continue;
        }
        const std::string_view part = name.substr(start, i - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = i + 1;
        if (i < name.size() && ++levels > 4)
            return false;
    }
    return true;
}

struct TUnpacked {
    std::string Project;
    std::vector<std::pair<std::string, std::string>> Files;
};

TUnpacked Unpack(std::string_view input) {
    TUnpacked out;
    std::string* current = &out.Project;
    std::size_t pos = 0;
    while (pos < input.size() && out.Files.size() < 24) {
        std::size_t end = input.find('\n', pos);
        const std::size_t next = end == std::string_view::npos ? input.size() : end + 1;
        std::string_view line = input.substr(pos, next - pos);
        if (line.substr(0, 3) == "@@ ") {
            std::string_view name = line.substr(3);
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
                name.remove_suffix(1);
            out.Files.emplace_back(std::string(name), std::string());
            current = &out.Files.back().second;
        } else {
            current->append(line);
        }
        pos = next;
    }
    return out;
}

// Every path below the base except the output folder, with its bytes.
std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> files;
    std::error_code ec;
    const fs::path out = fs::path(g_base) / "out";
    for (auto it = fs::recursive_directory_iterator(g_base, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path() == out) {
            it.disable_recursion_pending();
            continue;
        }
        std::string bytes = "<other>";
        if (it->is_symlink(ec))
            bytes = "<link>";
        else if (it->is_directory(ec))
            bytes = "<dir>";
        else if (it->is_regular_file(ec)) {
            std::ifstream in(it->path(), std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        files[it->path().string()] = std::move(bytes);
    }
    return files;
}

class TQuietHost : public parvane::TBuildHost {
public:
    void Info(const std::string&) override {}
    // Output folders here are the harness's own: emptying them is always right.
    bool ConfirmEmptyForeignFolder(const std::string&) override { return true; }
};

} // namespace

// Undefined behaviour stops the run like a crash, so it leaves a reproducer behind.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace parvane;
    if (g_base.empty())
        MakeBase();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(g_base, ec))
        fs::remove_all(entry.path(), ec);

    const TUnpacked input = Unpack(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string root = g_base + "root/";
    fs::create_directories(root);
    for (const auto& [name, bytes] : input.Files) {
        if (!SafeName(name))
            continue;
        const fs::path path = fs::path(root) / name;
        fs::create_directories(path.parent_path(), ec);
        std::ofstream(path, std::ios::binary) << bytes;
    }
    const std::string projectFile = g_base + "project.pvx";
    std::ofstream(projectFile, std::ios::binary) << input.Project;

    TTopicTree tree;
    tree.CreateRootGroups();
    TPvx project(tree);
    try {
        project.LoadFromFile(projectFile);
    } catch (const EParvaneError&) {
        return 0;
    }
    project.ProjectSettings.RootDir = root;
    project.ProjectSettings.CompiledFile = g_base + "out/help.chm";

    const std::map<std::string, std::string> before = Snapshot();
    TQuietHost host;
    struct Run {
        OutputKind kind;
        const char* folder;
    };
    for (const Run run : {Run{OutputKind::HtmlHelp, "out/hhp/"}, Run{OutputKind::WebHelp, "out/web/"},
                          Run{OutputKind::SingleHtml, "out/single/"}}) {
        TBuildRequest request;
        request.Kind = run.kind;
        request.Compile = false;
        if (run.kind == OutputKind::HtmlHelp)
            request.KeepProjectFolder = g_base + run.folder;
        else
            request.OutputOverride = g_base + run.folder;
        RunBuild(project, request, host); // failures come back in the result
        if (Snapshot() != before) {
            std::fprintf(stderr, "a build wrote outside its output folder\n");
            std::abort();
        }
    }
    return 0;
}
