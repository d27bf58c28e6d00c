#include "editor/address_rules.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"

#include <filesystem>
#include <system_error>

namespace parvane {

namespace SF = StringFunc;
namespace fs = std::filesystem;

namespace {

// Copies a picture over an existing file; a copy onto itself is no copy at all.
void CopyPicture(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::equivalent(Paths::ToNative(from), Paths::ToNative(to), ec))
        return;
    ec.clear();
    fs::copy_file(Paths::ToNative(from), Paths::ToNative(to), fs::copy_options::overwrite_existing,
                  ec);
    if (ec)
        throw EParvaneError("Cannot copy \"" + from + "\" to \"" + to + "\": " + ec.message());
}

std::string ProposedCopy(std::string_view file, std::string_view pageFolder) {
    return Paths::IncludeTrailingSlash(Paths::ToNative(pageFolder)) + Paths::ExtractFileName(file);
}

bool HasScheme(std::string_view address) {
    return address.find(':') != std::string_view::npos;
}

} // namespace

bool FileDialogAllowed(int topicStatus) {
    return topicStatus != 1;
}

std::string RelativeAddress(std::string_view file, std::string_view pageFolder) {
    return SF::ToForwardSlashes(Paths::RelativePath(file, pageFolder));
}

std::string ResolveAddress(std::string_view address, std::string_view pageFolder) {
    std::string a(address.substr(0, address.find_first_of("#?")));
    if (SF::Trim(a).empty())
        return {};
    if (SF::StartsWithText(a, "file:")) {
        a.erase(0, 5);
        std::size_t slashes = 0;
        while (slashes < a.size() && a[slashes] == '/')
            ++slashes;
        return slashes == 0 ? std::string() : SF::CollapseDotDot("/" + a.substr(slashes));
    }
    if (HasScheme(a))
        return {};
    if (a[0] == '/')
        return SF::CollapseDotDot(a);
    if (pageFolder.empty())
        return {};
    return SF::CollapseDotDot(Paths::IncludeTrailingSlash(Paths::ToNative(pageFolder)) +
                              Paths::ToNative(a));
}

bool LiesBelowRoot(std::string_view file, std::string_view rootFolder, bool caseSensitive) {
    const std::string root = Paths::IncludeTrailingSlash(Paths::ToNative(rootFolder));
    if (root.empty())
        return false;
    const std::string path = Paths::ToNative(file);
    return caseSensitive ? path.starts_with(root) : SF::StartsWithText(path, root);
}

std::string FileUrl(std::string_view path) {
    if (!path.empty() && path[0] == '/')
        return "file://" + std::string(path);
    return "file:///" + std::string(path);
}

bool HasBlankSpace(std::string_view address) {
    return address.find(' ') != std::string_view::npos;
}

TBrowseStart BrowseStart(std::string_view address, std::string_view pageFolder,
                         std::string_view lastPictureFolder, std::string_view rootFolder) {
    TBrowseStart start;
    const std::string file = ResolveAddress(address, pageFolder);
    if (!file.empty() && Paths::FileExists(file)) {
        start.FileName = Paths::ResolveExisting(file);
        start.Folder = Paths::ExtractFilePath(start.FileName);
    } else {
        start.Folder = std::string(lastPictureFolder.empty() ? rootFolder : lastPictureFolder);
    }
    return start;
}

std::string PictureElementHtml(std::string_view address) {
    return "<img src=\"" + SF::HtmlEncode(address) + "\">";
}

TPictureInsertion InsertPictures(const std::vector<std::string>& files, std::string_view rootFolder,
                                 std::string_view pageFolder, const TPictureCopyDialogs& dialogs) {
    TPictureInsertion result;
    if (files.empty())
        return result;
    result.LastPictureFolder = Paths::ExtractFilePath(files.front());
    const auto addRelative = [&](const std::string& file) {
        const std::string address = RelativeAddress(file, pageFolder);
        if (HasBlankSpace(address))
            result.BlankSpaceWarning = true;
        result.Html += PictureElementHtml(address);
    };
    if (LiesBelowRoot(files.front(), rootFolder, false)) {
        for (const std::string& file : files)
            addRelative(file);
        return result;
    }
    if (!dialogs.AskCopy || !dialogs.AskCopy()) {
        for (const std::string& file : files)
            result.Html += PictureElementHtml(FileUrl(file));
        return result;
    }
    // Copies first, so a failed one leaves the page untouched.
    std::vector<std::string> copies;
    for (const std::string& file : files) {
        const std::optional<std::string> target =
            dialogs.SaveAs ? dialogs.SaveAs(ProposedCopy(file, pageFolder)) : std::nullopt;
        if (!target)
            continue;
        CopyPicture(file, *target);
        copies.push_back(*target);
    }
    for (const std::string& copy : copies)
        addRelative(copy);
    return result;
}

std::optional<TBrowsedAddress> BrowsedPictureAddress(std::string_view file,
                                                     std::string_view rootFolder,
                                                     std::string_view pageFolder,
                                                     const TPictureCopyDialogs& dialogs) {
    std::string chosen(file);
    if (!LiesBelowRoot(file, rootFolder, true)) {
        if (!dialogs.AskCopy || !dialogs.AskCopy())
            return TBrowsedAddress{FileUrl(file), false};
        const std::optional<std::string> target =
            dialogs.SaveAs ? dialogs.SaveAs(ProposedCopy(file, pageFolder)) : std::nullopt;
        if (!target)
            return std::nullopt;
        CopyPicture(chosen, *target);
        chosen = *target;
    }
    TBrowsedAddress result;
    result.Address = RelativeAddress(chosen, pageFolder);
    result.BlankSpaceWarning = HasBlankSpace(result.Address);
    return result;
}

std::string HyperlinkFileAddress(std::string_view file, std::string_view rootFolder,
                                 std::string_view pageFolder) {
    if (LiesBelowRoot(file, rootFolder, true))
        return RelativeAddress(file, pageFolder);
    return FileUrl(file);
}

std::string AddressToPickerUrl(std::string_view address, std::string_view rootFolder,
                               std::string_view pageFolder) {
    if (SF::Trim(address).empty())
        return {};
    if (HasScheme(address))
        return SF::ToBackslashes(address);
    const std::string file = ResolveAddress(address, pageFolder);
    if (file.empty())
        return {};
    return Paths::PathToUrl(rootFolder, file);
}

std::string PickerUrlToAddress(std::string_view url, std::string_view rootFolder,
                               std::string_view pageFolder) {
    if (url.empty())
        return {};
    if (HasScheme(url))
        return std::string(url);
    return RelativeAddress(Paths::UrlToPath(Paths::ToNative(rootFolder), url), pageFolder);
}

bool OpensInNewWindow(std::string_view target) {
    return SF::SameText(target, "_blank");
}

bool AddressRemovesLink(std::string_view address) {
    return SF::Trim(address).empty();
}

std::string NewLinkStartTag(std::string_view address, bool newWindow) {
    return "<a href=\"" + SF::HtmlEncode(address) + "\"" +
           (newWindow ? " target=\"_blank\" " : "") + ">";
}

std::string NewLinkHtml(std::string_view address, std::string_view text, bool newWindow) {
    return NewLinkStartTag(address, newWindow) + SF::HtmlEncode(text) + "</a>";
}

std::string LinkAroundPictureHtml(std::string_view address, bool newWindow,
                                  std::string_view pictureOuterHtml) {
    return NewLinkStartTag(address, newWindow) + std::string(pictureOuterHtml) + "</a>";
}

} // namespace parvane
