// Feeds arbitrary text to the link scanner over a folder holding a few real files, and
// checks the one promise every caller relies on: the pieces join back to the text.
#include "model/link_scanner.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    std::string pattern = (fs::temp_directory_path() / "parvane-fuzz-links-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    g_base = pattern + "/";
    for (const char* name : {"a.htm", "img/b.gif", "style.css", "sub/c.html"}) {
        const fs::path path = fs::path(g_base) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }
    std::atexit(RemoveBase);
}

// The scanner finds files without regard to case; check the same way, folder by folder.
bool IsRegularFileAnyCase(const std::string& path) {
    const fs::path whole = path;
    fs::path current = whole.is_absolute() ? whole.root_path() : fs::path(".");
    for (const fs::path& part : whole.relative_path()) {
        std::error_code ec;
        if (part.empty() || part == "." || part == "..") {
            current /= part;
            continue;
        }
        fs::path match;
        for (const auto& entry : fs::directory_iterator(current, ec)) {
            std::string a = entry.path().filename().string(), b = part.string();
            if (a.size() == b.size() &&
                std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                    return std::tolower(static_cast<unsigned char>(x)) ==
                           std::tolower(static_cast<unsigned char>(y));
                })) {
                match = entry.path();
                break;
            }
        }
        if (match.empty())
            return false;
        current = match;
    }
    return fs::is_regular_file(current);
}

} // namespace

// Undefined behaviour stops the run like a crash, so it leaves a reproducer behind.
extern "C" const char* __ubsan_default_options() {
    return "halt_on_error=1:print_stacktrace=1";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (g_base.empty())
        MakeBase();
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    parvane::THTMLRefer refer;
    std::vector<std::string> pieces;
    refer.SplitText(text, g_base, pieces);

    if (pieces.size() % 2 != 1 || static_cast<int>(pieces.size() / 2) != refer.LinkCount())
        std::abort();
    std::string joined;
    joined.reserve(size);
    for (const std::string& piece : pieces)
        joined += piece;
    if (joined != text) {
        std::fprintf(stderr, "pieces do not join back to the text\n");
        std::abort();
    }
    for (std::size_t i = 1; i < pieces.size(); i += 2) {
        const auto [start, end] = refer.Links()[i / 2];
        if (pieces[i].empty() || text.substr(start - 1, end - start) != pieces[i])
            std::abort();
    }

    // Rewriting must not fail whatever the links hold.
    (void)parvane::RelocateLinks(pieces, g_base, g_base + "sub/");

    // The same text as a page on disk: the page comes first, then only existing files.
    const std::string page = g_base + "page.htm";
    std::ofstream(page, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(size));
    std::vector<std::string> files;
    refer.GetLinkedFiles(page, files);
    if (files.empty() || files[0] != page)
        std::abort();
    for (const std::string& file : files)
        if (!fs::is_regular_file(file) && !IsRegularFileAnyCase(file))
            std::abort();
    return 0;
}
