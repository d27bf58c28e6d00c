#include "wizard/root_folder.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace parvane {

std::string MakeRootFolder(const std::string& text) {
    std::string root = Paths::ToNative(Paths::ExpandHome(StringFunc::Trim(text)));
    if (root.empty())
        throw EParvaneError("Please specify the root folder of the project!");
    std::error_code ec;
    if (root[0] != '/')
        root = fs::absolute(fs::path(root), ec).string();
    root = fs::path(root).lexically_normal().string();
    if (fs::exists(fs::path(root), ec) && !fs::is_directory(fs::path(root), ec))
        throw EParvaneError("\"" + root + "\" is a file, not a folder.");
    fs::create_directories(fs::path(root), ec);
    if (ec || !fs::is_directory(fs::path(root)))
        throw EParvaneError("Cannot create the root folder \"" + root +
                            "\": " + (ec ? ec.message() : std::string("it is not a folder")));
    return Paths::IncludeTrailingSlash(root);
}

bool ContainsHtmlFiles(const std::string& folder, const std::atomic<bool>& cancel) {
    std::error_code ec;
    // Symbolic links to folders are not followed, so a loop of links cannot trap it.
    fs::recursive_directory_iterator it(fs::path(Paths::ToNative(folder)),
                                        fs::directory_options::skip_permission_denied, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        if (cancel.load(std::memory_order_relaxed))
            return false;
        const std::string ext = StringFunc::AsciiLowerCase(it->path().extension().string());
        std::error_code typeError;
        if ((ext == ".htm" || ext == ".html") && it->is_regular_file(typeError))
            return true;
    }
    return false;
}

} // namespace parvane
