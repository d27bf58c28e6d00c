// Loads arbitrary bytes as a project file and saves the result to text. A malformed file
// must load with defaults or be refused with a message, never crash.
#include "model/errors.h"
#include "model/project_file.h"
#include "model/topic_tree.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string g_path;

void RemoveFile() {
    std::remove(g_path.c_str());
}

// One scratch file for the whole run, rewritten for every input.
void MakeFile() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "parvane-fuzz-XXXXXX.pvx").string();
    const int fd = mkstemps(pattern.data(), 4);
    if (fd < 0)
        std::abort();
    close(fd);
    g_path = pattern;
    std::atexit(RemoveFile);
}

} // namespace

// Undefined behaviour stops the run like a crash, so it leaves a reproducer behind.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_path.empty())
        MakeFile();
    std::FILE* f = std::fopen(g_path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);

    parvane::TTopicTree tree;
    tree.CreateRootGroups();
    parvane::TPvx pvx(tree);
    try {
        pvx.LoadFromFile(g_path);
    } catch (const parvane::EParvaneError&) {
        return 0; // refused with a message
    }
    if (tree.RootCount() != 3)
        std::abort();
    const std::string saved = pvx.SaveToText(g_path);
    if (saved.empty())
        std::abort();
    return 0;
}
