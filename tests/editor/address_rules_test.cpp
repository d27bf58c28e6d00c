#include "../support/test_project.h"
#include "editor/address_rules.h"
#include "model/errors.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

// The shared temporary folder, plus files made below it.
class TempDir : public parvane::testing::TempDir {
public:
    TempDir() : parvane::testing::TempDir("pv-address") {}
    // Creates a file (and its folders) below the temporary folder; returns its path.
    std::string Make(const std::string& relative, const std::string& bytes = "img") const {
        const fs::path p = Path() / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TPictureCopyDialogs
Answer(bool copy, std::vector<std::string>* proposals = nullptr,
       std::function<std::optional<std::string>(const std::string&)> save = {}) {
    TPictureCopyDialogs d;
    d.AskCopy = [copy] { return copy; };
    d.SaveAs = [proposals, save](const std::string& proposed) -> std::optional<std::string> {
        if (proposals)
            proposals->push_back(proposed);
        return save ? save(proposed) : std::optional<std::string>(proposed);
    };
    return d;
}

} // namespace

TEST(AddressRules, RelativeAddressToASiblingFolderGoesUpOneFolder) {
    EXPECT_EQ(RelativeAddress("/proj/img/a.png", "/proj/pages/"), "../img/a.png");
    EXPECT_EQ(RelativeAddress("/proj/pages/a.png", "/proj/pages/"), "a.png");
    EXPECT_EQ(RelativeAddress("/proj/a.png", "/proj/pages/deep/"), "../../a.png");
    EXPECT_EQ(RelativeAddress("/proj/pages/x/a.png", "/proj/pages"), "x/a.png");
}

TEST(AddressRules, AnAddressResolvesBackToTheFileItNames) {
    EXPECT_EQ(ResolveAddress("../img/a.png", "/proj/pages/"), "/proj/img/a.png");
    EXPECT_EQ(ResolveAddress("..\\img\\a.png", "/proj/pages/"), "/proj/img/a.png");
    EXPECT_EQ(ResolveAddress("b.htm#top", "/proj/pages/"), "/proj/pages/b.htm");
    EXPECT_EQ(ResolveAddress("file:///home/me/p.png", "/proj/pages/"), "/home/me/p.png");
    EXPECT_EQ(ResolveAddress("/abs/p.png", "/proj/pages/"), "/abs/p.png");
    EXPECT_EQ(ResolveAddress("http://example.org/a.png", "/proj/pages/"), "");
    EXPECT_EQ(ResolveAddress("mailto:a@b", "/proj/pages/"), "");
    EXPECT_EQ(ResolveAddress("   ", "/proj/pages/"), "");
}

TEST(AddressRules, BelowTheRootWithAndWithoutRegardToCase) {
    EXPECT_TRUE(LiesBelowRoot("/Proj/img/a.png", "/proj", false));
    EXPECT_FALSE(LiesBelowRoot("/Proj/img/a.png", "/proj", true));
    EXPECT_TRUE(LiesBelowRoot("/proj/img/a.png", "/proj/", true));
    EXPECT_FALSE(LiesBelowRoot("/project2/a.png", "/proj", false));
    EXPECT_FALSE(LiesBelowRoot("/proj/a.png", "", false));
}

TEST(AddressRules, FileDialogsAreRefusedForUnsavedTopics) {
    EXPECT_FALSE(FileDialogAllowed(1));
    EXPECT_TRUE(FileDialogAllowed(0));
    EXPECT_TRUE(FileDialogAllowed(2));
}

TEST(AddressRules, BrowseStartsAtTheNamedFileElseLastFolderElseRoot) {
    TempDir dir;
    dir.Make("pages/pic.png");
    const std::string page = dir.Folder() + "pages/";
    EXPECT_EQ(BrowseStart("pic.png", page, "/last/", dir.Folder()).FileName, page + "pic.png");
    const TBrowseStart missing = BrowseStart("nothing.png", page, "/last/", dir.Folder());
    EXPECT_EQ(missing.FileName, "");
    EXPECT_EQ(missing.Folder, "/last/");
    EXPECT_EQ(BrowseStart("", page, "", dir.Folder()).Folder, dir.Folder());
}

TEST(InsertPictures, FilesBelowTheRootGivePageRelativeElementsSideBySide) {
    const TPictureInsertion r = InsertPictures({"/proj/img/a.png", "/proj/pages/b.gif"}, "/proj/",
                                               "/proj/pages/", Answer(false));
    EXPECT_EQ(r.Html, "<img src=\"../img/a.png\"><img src=\"b.gif\">");
    EXPECT_FALSE(r.BlankSpaceWarning);
    EXPECT_EQ(r.LastPictureFolder, "/proj/img/");
}

TEST(InsertPictures, TheFirstFileDecidesWithoutRegardToCase) {
    bool asked = false;
    TPictureCopyDialogs d;
    d.AskCopy = [&] { return asked = true; };
    const TPictureInsertion r =
        InsertPictures({"/PROJ/img/a b.png", "/proj/img/c d.png"}, "/proj/", "/proj/", d);
    EXPECT_FALSE(asked);
    EXPECT_EQ(r.Html, "<img src=\"img/a b.png\"><img src=\"img/c d.png\">");
    EXPECT_TRUE(r.BlankSpaceWarning); // one flag, one warning, however many files
}

TEST(InsertPictures, OutsideTheRootAnsweringNoGivesFileAddresses) {
    std::vector<std::string> proposals;
    const TPictureInsertion r = InsertPictures({"/elsewhere/a b.png", "/elsewhere/c.png"}, "/proj/",
                                               "/proj/pages/", Answer(false, &proposals));
    EXPECT_EQ(r.Html,
              "<img src=\"file:///elsewhere/a b.png\"><img src=\"file:///elsewhere/c.png\">");
    EXPECT_FALSE(r.BlankSpaceWarning);
    EXPECT_TRUE(proposals.empty());
}

TEST(InsertPictures, AnsweringYesCopiesEachFileIntoThePageFolder) {
    TempDir dir;
    const std::string a = dir.Make("outside/a b.png", "AAA");
    const std::string c = dir.Make("outside/c.png", "CCC");
    const std::string root = dir.Folder() + "proj/";
    const std::string page = root + "pages/";
    fs::create_directories(page);
    dir.Make("proj/pages/c.png", "old");
    std::vector<std::string> proposals;
    const TPictureInsertion r = InsertPictures({a, c}, root, page, Answer(true, &proposals));
    EXPECT_EQ(proposals, (std::vector<std::string>{page + "a b.png", page + "c.png"}));
    EXPECT_EQ(r.Html, "<img src=\"a b.png\"><img src=\"c.png\">");
    EXPECT_TRUE(r.BlankSpaceWarning);
    EXPECT_EQ(ReadAll(page + "a b.png"), "AAA");
    EXPECT_EQ(ReadAll(page + "c.png"), "CCC"); // an existing file is replaced
}

TEST(InsertPictures, ACancelledSaveDialogLeavesThatPictureOut) {
    TempDir dir;
    const std::string a = dir.Make("outside/a.png");
    const std::string b = dir.Make("outside/b.png");
    const std::string page = dir.Folder() + "proj/";
    fs::create_directories(page);
    const auto save = [&](const std::string& proposed) -> std::optional<std::string> {
        if (proposed.ends_with("a.png"))
            return std::nullopt;
        return page + "renamed.png";
    };
    const TPictureInsertion r = InsertPictures({a, b}, page, page, Answer(true, nullptr, save));
    EXPECT_EQ(r.Html, "<img src=\"renamed.png\">");
    EXPECT_FALSE(fs::exists(page + "a.png"));
}

TEST(InsertPictures, AFailedCopyIsReportedAndNothingIsInserted) {
    TempDir dir;
    const std::string a = dir.Make("outside/a.png");
    const std::string page = dir.Folder() + "proj/";
    const auto save = [&](const std::string&) -> std::optional<std::string> {
        return page + "no-such-folder/a.png";
    };
    EXPECT_THROW(InsertPictures({a}, page, page, Answer(true, nullptr, save)), EParvaneError);
}

TEST(BrowsedPicture, ComparesWithCaseAndOffersTheCopy) {
    const auto below =
        BrowsedPictureAddress("/proj/img/my pic.png", "/proj/", "/proj/pages/", Answer(false));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->Address, "../img/my pic.png");
    EXPECT_TRUE(below->BlankSpaceWarning);

    const auto no =
        BrowsedPictureAddress("/PROJ/img/a.png", "/proj/", "/proj/pages/", Answer(false));
    ASSERT_TRUE(no);
    EXPECT_EQ(no->Address, "file:///PROJ/img/a.png");
    EXPECT_FALSE(no->BlankSpaceWarning);

    const auto cancelled = BrowsedPictureAddress(
        "/elsewhere/a.png", "/proj/", "/proj/pages/",
        Answer(true, nullptr, [](const std::string&) { return std::optional<std::string>(); }));
    EXPECT_FALSE(cancelled);
}

TEST(Hyperlinks, FileAddressesAreRelativeBelowTheRootElseFileUrls) {
    EXPECT_EQ(HyperlinkFileAddress("/proj/b/c.htm", "/proj/", "/proj/a/"), "../b/c.htm");
    EXPECT_EQ(HyperlinkFileAddress("/Proj/b/c.htm", "/proj/", "/proj/a/"), "file:///Proj/b/c.htm");
}

TEST(Hyperlinks, InternalPagesTravelThroughThePickerAsRootRelativeUrls) {
    EXPECT_EQ(AddressToPickerUrl("../b/c.htm", "/proj/", "/proj/a/"), "b\\c.htm");
    EXPECT_EQ(AddressToPickerUrl("c.htm#x", "/proj/", "/proj/a/"), "a\\c.htm");
    EXPECT_EQ(AddressToPickerUrl("http://x.org/y", "/proj/", "/proj/a/"), "http:\\\\x.org\\y");
    EXPECT_EQ(PickerUrlToAddress("b\\c.htm", "/proj/", "/proj/a/"), "../b/c.htm");
    EXPECT_EQ(PickerUrlToAddress("top.htm", "/proj/", "/proj/"), "top.htm");
    EXPECT_EQ(PickerUrlToAddress("http://x.org/y", "/proj/", "/proj/a/"), "http://x.org/y");
}

TEST(Hyperlinks, NewLinkStartTagCarriesTheTargetPieceWithItsBlanks) {
    EXPECT_EQ(NewLinkStartTag("b.htm", false), "<a href=\"b.htm\">");
    EXPECT_EQ(NewLinkStartTag("b.htm", true), "<a href=\"b.htm\" target=\"_blank\" >");
    EXPECT_EQ(NewLinkHtml("b.htm", "Tom & Jerry <3", false),
              "<a href=\"b.htm\">Tom &amp; Jerry &lt;3</a>");
    EXPECT_EQ(NewLinkStartTag("a\"b", false), "<a href=\"a&quot;b\">");
    EXPECT_EQ(LinkAroundPictureHtml("b.htm", false, "<img src=\"p.png\" border=\"0\">"),
              "<a href=\"b.htm\"><img src=\"p.png\" border=\"0\"></a>");
    EXPECT_TRUE(OpensInNewWindow("_BLANK"));
    EXPECT_FALSE(OpensInNewWindow("_self"));
    EXPECT_TRUE(AddressRemovesLink("  "));
    EXPECT_FALSE(AddressRemovesLink(" x "));
    EXPECT_EQ(std::string(MailPlaceholder).size(), 11u);
}
