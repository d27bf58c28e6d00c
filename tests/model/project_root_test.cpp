// Where links lead on a case-sensitive file system, and what lies inside the project's
// root: exact names first, the case-blind fallback only when there is no exact file,
// "inside" decided on real paths.

#include "model/link_scanner.h"
#include "model/paths.h"
#include "model/project_root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <unistd.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

// A temporary folder with the project's root in it ("Docs/") and room beside it.
class ProjectRoot : public ::testing::Test {
protected:
    void SetUp() override {
        std::string templ = (fs::temp_directory_path() / "pv-root-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        base_ = templ + "/";
        root_ = base_ + "Docs/";
        fs::create_directories(root_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(base_, ec);
    }
    void Touch(const std::string& path, const std::string& bytes = "x") {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::string base_;
    std::string root_;
};

class ScopedHome {
public:
    explicit ScopedHome(const std::string& home) {
        if (const char* old = std::getenv("HOME"))
            old_ = old;
        ::setenv("HOME", home.c_str(), 1);
    }
    ~ScopedHome() {
        if (old_)
            ::setenv("HOME", old_->c_str(), 1);
        else
            ::unsetenv("HOME");
    }

private:
    std::optional<std::string> old_;
};

} // namespace

TEST_F(ProjectRoot, AnExactNameWinsAndTheCaseBlindLookUpIsOnlyTheFallback) {
    Touch(root_ + "FAQ.html", "upper");
    Touch(root_ + "faq.html", "lower");
    Touch(root_ + "Img/Logo.gif");
    TProjectRoot root(root_);

    const TResolvedTarget lower = root.ResolveLink(root_, "faq.html");
    EXPECT_EQ(lower.Match, TargetMatch::Exact);
    EXPECT_EQ(lower.Path, root_ + "faq.html");
    const TResolvedTarget upper = root.ResolveLink(root_, "FAQ.html");
    EXPECT_EQ(upper.Match, TargetMatch::Exact);
    EXPECT_EQ(upper.Path, root_ + "FAQ.html");
    // No exact file: the first of the candidates in byte order, whatever the folder lists.
    const TResolvedTarget mixed = root.ResolveLink(root_, "Faq.HTML");
    EXPECT_EQ(mixed.Match, TargetMatch::CaseFallback);
    EXPECT_EQ(mixed.Path, root_ + "FAQ.html");
    EXPECT_EQ(Paths::ResolveExisting(root_ + "Faq.HTML"), root_ + "FAQ.html");

    const TResolvedTarget logo = root.ResolveLink(root_ + "sub/", "../img/logo.GIF");
    EXPECT_EQ(logo.Match, TargetMatch::CaseFallback);
    EXPECT_EQ(logo.Path, root_ + "Img/Logo.gif");
    EXPECT_TRUE(logo.InsideRoot);
    EXPECT_EQ(root.Relative(logo), "Img/Logo.gif");

    EXPECT_FALSE(root.ResolveLink(root_, "nothing.htm").Found());
    EXPECT_FALSE(root.ResolveLink(root_, "Img").Found()) << "a folder is not a file";
    EXPECT_FALSE(root.ResolveLink(root_, "http://example.com/faq.html").Found());
}

TEST_F(ProjectRoot, RealLinksKeepTheirFormAndTakeTheNamesOnDisk) {
    Touch(root_ + "Img/Logo.gif");
    Touch(root_ + "b.htm");
    Touch(root_ + "Guide/Start.htm");
    Touch(base_ + "other/Pic.gif");
    TProjectRoot root(root_);

    EXPECT_EQ(root.RealLink(root_, "img/logo.gif"), "Img/Logo.gif");
    EXPECT_EQ(root.RealLink(root_, "B.HTM"), "b.htm");
    EXPECT_EQ(root.RealLink(root_, "./IMG\\LOGO.GIF"), "./Img\\Logo.gif");
    EXPECT_EQ(root.RealLink(root_ + "guide/", "../img/logo.gif"), "../Img/Logo.gif");
    EXPECT_EQ(root.RealLink(root_ + "Guide/", "../guide/../IMG/logo.gif"),
              "../Guide/../Img/Logo.gif");
    EXPECT_EQ(root.RealLink(root_, root_ + "img/logo.gif"), root_ + "Img/Logo.gif");
    // Right already, missing, or outside the root: left as written.
    EXPECT_EQ(root.RealLink(root_, "Img/Logo.gif"), "Img/Logo.gif");
    EXPECT_EQ(root.RealLink(root_, "img/missing.gif"), "img/missing.gif");
    EXPECT_EQ(root.RealLink(root_, "../other/Pic.gif"), "../other/Pic.gif");
    EXPECT_EQ(root.RealLink(root_, "../other/pic.gif"), "../other/pic.gif");
}

TEST_F(ProjectRoot, InsideIsDecidedOnRealPathsWithExactCase) {
    Touch(base_ + "secret.txt", "SECRET");
    Touch(base_ + "other/x.htm");
    Touch(base_ + "docs/x.htm", "the sibling");
    Touch(root_ + "inner/y.htm");
    fs::create_symlink(base_ + "secret.txt", root_ + "key.txt");
    fs::create_symlink(base_ + "other", root_ + "ext");
    fs::create_symlink(root_ + "inner/y.htm", root_ + "alias.htm");
    fs::create_symlink(root_ + "inner", root_ + "inner-too");
    TProjectRoot root(root_);

    const TResolvedTarget key = root.ResolveLink(root_, "key.txt");
    EXPECT_EQ(key.Match, TargetMatch::Exact);
    EXPECT_EQ(key.Path, root_ + "key.txt");
    EXPECT_FALSE(key.InsideRoot) << "a link inside the root that points outside";
    EXPECT_FALSE(root.ResolveLink(root_, "ext/x.htm").InsideRoot) << "a linked folder";
    EXPECT_TRUE(root.ResolveLink(root_, "ext/x.htm").Found());
    // A sibling whose name differs from the root's only in case is another folder.
    const TResolvedTarget sibling = root.ResolveLink(root_, "../docs/x.htm");
    EXPECT_TRUE(sibling.Found());
    EXPECT_FALSE(sibling.InsideRoot);
    // Links that stay inside are inside.
    EXPECT_TRUE(root.ResolveLink(root_, "alias.htm").InsideRoot);
    EXPECT_TRUE(root.ResolveLink(root_, "inner-too/y.htm").InsideRoot);
    EXPECT_TRUE(root.ResolveLink(root_ + "inner/", "../inner/y.htm").InsideRoot);
}

TEST_F(ProjectRoot, OutsideTheRootOnlyTheExactNameIsLookedAt) {
    Touch(base_ + "other/Page.htm");
    Touch(root_ + "Page.htm");
    fs::create_symlink(base_ + "other", root_ + "ext");
    TProjectRoot root(root_);
    // The case-blind look-up would have to list a folder outside the root: never done.
    EXPECT_FALSE(root.ResolveLink(root_, "../other/page.htm").Found());
    EXPECT_FALSE(root.ResolveLink(root_, "ext/page.htm").Found());
    EXPECT_TRUE(root.ResolveLink(root_, "../other/Page.htm").Found());
    EXPECT_TRUE(root.ResolveLink(root_, "page.htm").Found());
}

TEST_F(ProjectRoot, ARootSpelledInAnotherCaseIsFoundOnDisk) {
    Touch(root_ + "a.htm");
    TProjectRoot root(base_ + "DOCS/");
    ASSERT_TRUE(root.Exists());
    EXPECT_EQ(root.Folder(), root_);
    const TResolvedTarget page = root.Resolve(base_ + "DOCS/a.htm");
    EXPECT_EQ(page.Path, root_ + "a.htm");
    EXPECT_TRUE(page.InsideRoot);

    TProjectRoot missing(base_ + "nowhere/");
    EXPECT_FALSE(missing.Exists());
    EXPECT_FALSE(missing.Resolve(base_ + "nowhere/a.htm").Found());
}

TEST_F(ProjectRoot, TheTopTheHomeAndTheSystemFoldersCannotBeARoot) {
    const std::string home = base_ + "home/me";
    fs::create_directories(home + "/manual");
    ScopedHome scoped(home);
    EXPECT_NE(RootFolderProblem("/").find("top of the file system"), std::string::npos);
    EXPECT_NE(RootFolderProblem(home).find("your home folder"), std::string::npos);
    EXPECT_NE(RootFolderProblem(home + "/").find("your home folder"), std::string::npos);
    EXPECT_NE(RootFolderProblem(base_ + "home").find("holds your home folder"), std::string::npos);
    EXPECT_NE(RootFolderProblem(fs::temp_directory_path().string()), "");
    for (const char* system : {"/usr", "/etc", "/usr/share", "/usr/bin", "/var/lib"}) {
        if (fs::is_directory(system)) {
            EXPECT_NE(RootFolderProblem(system).find("a folder of the system"), std::string::npos)
                << system;
        }
    }
    EXPECT_EQ(RootFolderProblem(home + "/manual"), "");
    EXPECT_EQ(RootFolderProblem(root_), "");
    // A link to the home folder is the home folder.
    fs::create_symlink(home, base_ + "link-to-home");
    EXPECT_NE(RootFolderProblem(base_ + "link-to-home").find("your home folder"),
              std::string::npos);
}

TEST_F(ProjectRoot, LinkedPathsAreListedWithoutLookingAtTheDisk) {
    Touch(root_ + "index.htm", "<a href=\"FAQ.html\">1</a><a href=\"faq.html\">2</a>"
                               "<a href=\"faq.html#x\">3</a><img src=\"../../x/missing.gif\">"
                               "<a href=\"sub/../b.htm\">4</a>");
    THTMLRefer refer;
    std::vector<std::string> paths;
    refer.GetLinkedPaths(root_ + "index.htm", paths);
    // Links that differ only in case stay apart; none of these files exists.
    const std::string above = fs::path(base_).parent_path().parent_path().string();
    EXPECT_EQ(paths, (std::vector<std::string>{root_ + "FAQ.html", root_ + "faq.html",
                                               above + "/x/missing.gif", root_ + "b.htm"}));
}

TEST_F(ProjectRoot, AnswersGivenBeforeAreReadWithoutLookingAgain) {
    // Threads writing pages read the answers the file collection got, without changing
    // anything; only a path below the root by its spelling can need the name on disk.
    Touch(root_ + "Img/Logo.gif");
    Touch(base_ + "docs/x.htm");
    TProjectRoot root(base_ + "docs/../Docs");
    const std::string spelled = base_ + "docs/../Docs/sub/../img/logo.gif";
    EXPECT_EQ(root.Answered(spelled), nullptr) << "not looked up yet";
    const TResolvedTarget resolved = root.Resolve(spelled);
    ASSERT_EQ(resolved.Match, TargetMatch::CaseFallback);
    const TResolvedTarget* answered = root.Answered(root_ + "img/logo.gif");
    ASSERT_NE(answered, nullptr) << "the same file however the path is spelled";
    EXPECT_EQ(answered->Path, root_ + "Img/Logo.gif");
    EXPECT_TRUE(answered->InsideRoot);
    ASSERT_NE(root.Answered("relative/path.htm"), nullptr);
    EXPECT_FALSE(root.Answered("relative/path.htm")->Found());

    EXPECT_TRUE(root.SpelledBelowRoot(spelled));
    EXPECT_TRUE(root.SpelledBelowRoot(root_ + "missing.htm"));
    EXPECT_FALSE(root.SpelledBelowRoot(base_ + "docs/x.htm")) << "a sibling in other case";
    EXPECT_FALSE(root.SpelledBelowRoot(root_ + "../index.htm#page=scr/a.htm"));
    EXPECT_FALSE(root.SpelledBelowRoot("relative.htm"));
}
