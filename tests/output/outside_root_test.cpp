// Nothing from outside the project's root reaches an output, and a build never reads
// outside it: symbolic links out of the root, a sibling folder whose name differs only in
// case, links that climb out, the HTML Help compiler's own link following, and roots
// that would hold the whole computer.

#include "../support/test_project.h"
#include "chm_listing.h"
#include "model/paths.h"
#include "output/build_driver.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <sys/inotify.h>
#include <unistd.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

class LinesHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    int CountContaining(const std::string& part) const {
        int n = 0;
        for (const auto& l : lines)
            n += l.find(part) != std::string::npos;
        return n;
    }
    std::vector<std::string> lines;
};

const char* const kNotCopied = "Not copied, it lies outside the project's root folder: ";

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Counts, through inotify, every open and read of a file or folder in the watched folders
// from its creation on: a build must not touch them at all.
class OpenCounter {
public:
    explicit OpenCounter(const std::vector<std::string>& folders) {
        fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        for (const std::string& folder : folders)
            if (fd_ >= 0 && ::inotify_add_watch(fd_, folder.c_str(), IN_OPEN | IN_ACCESS) < 0) {
                ::close(fd_);
                fd_ = -1;
            }
    }
    ~OpenCounter() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool Works() const { return fd_ >= 0; }
    // Events since the last call, with the names they concern.
    int Take(std::vector<std::string>& names) {
        int count = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0)
                return count;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                names.push_back(event->len ? event->name : "(the folder itself)");
                ++count;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int fd_ = -1;
};

std::string AllBytesBelow(const std::string& folder) {
    std::string all;
    for (const auto& [rel, bytes] : Snapshot(folder))
        all += rel + "\n" + bytes + "\n";
    return all;
}

// A project whose pages reach outside its root in every way a link can.
struct LeakyProject {
    TestProject p;
    std::string base;
    LeakyProject() : base(p.Dir().Folder()) {
        WriteFile(base + "secret.txt", "SECRET-BYTES");
        WriteFile(base + "other/page.htm", Page("Other", "OUTSIDE-PAGE <img src=\"deeper.gif\">"));
        WriteFile(base + "other/pic.gif", "OUTSIDE-PIC");
        WriteFile(base + "other/deeper.gif", "OUTSIDE-DEEPER");
        WriteFile(base + "outside.htm", Page("Out", "OUTSIDE-CLIMB"));
        fs::create_symlink(base + "secret.txt", p.Root() + "key.txt");
        fs::create_symlink(base + "other", p.Root() + "ext");
        fs::create_symlink(base + "other/page.htm", p.Root() + "leak.htm");
        p.Write("index.htm", Page("Index", "<a href=\"key.txt\">key</a>"
                                           "<a href=\"ext/page.htm\">page</a>"
                                           "<img src=\"ext/pic.gif\">"
                                           "<a href=\"../outside.htm\">climb</a>"
                                           "<a href=\"inner.htm\">inner</a>"));
        p.Write("inner.htm", Page("Inner", "INSIDE-PAGE"));
        p.Add("Index", "index.htm");
        p.Add("Leak", "leak.htm");
        TProjectSettings& s = p.Project().ProjectSettings;
        s.Title = "Leaky";
        s.DefaultTopic = "index.htm";
        s.SingleHtmlFilename = "single.htm";
        s.SingleHtmlOutputFolder = base + "single/";
        s.WebHelpOutputFolder = base + "web/";
        s.CompiledFile = base + "chm/leaky.chm";
    }
    TBuildResult Build(OutputKind kind, LinesHost& host, bool compile = false) {
        TBuildRequest request;
        request.Kind = kind;
        request.Compile = compile;
        if (kind == OutputKind::HtmlHelp && !compile)
            request.KeepProjectFolder = base + "keep/";
        return RunBuild(p.Project(), request, host);
    }
};

} // namespace

TEST(OutsideTheRoot, SymbolicLinksAndClimbingLinksReachNoOutput) {
    LeakyProject l;
    const std::pair<OutputKind, const char*> outputs[] = {{OutputKind::SingleHtml, "single/"},
                                                          {OutputKind::WebHelp, "web/"},
                                                          {OutputKind::HtmlHelp, "keep/"}};
    for (const auto& [kind, folder] : outputs) {
        LinesHost host;
        const TBuildResult result = l.Build(kind, host);
        ASSERT_TRUE(result.Ok) << folder << result.Message;
        const std::string all = AllBytesBelow(l.base + folder);
        EXPECT_NE(all.find("INSIDE-PAGE"), std::string::npos) << folder;
        for (const char* leaked :
             {"SECRET-BYTES", "OUTSIDE-PAGE", "OUTSIDE-PIC", "OUTSIDE-CLIMB", "OUTSIDE-DEEPER"})
            EXPECT_EQ(all.find(leaked), std::string::npos) << leaked << " reached " << folder;
        for (const std::string& file :
             {l.p.Root() + "key.txt", l.p.Root() + "ext/page.htm", l.p.Root() + "ext/pic.gif",
              l.base + "outside.htm", l.p.Root() + "leak.htm"})
            EXPECT_EQ(host.CountContaining(kNotCopied + file), 1) << file << " in " << folder;
        // What the outside page links to is never followed.
        EXPECT_EQ(host.CountContaining("deeper.gif"), 0) << folder;
    }
}

TEST(OutsideTheRoot, ASiblingFolderWhoseNameDiffersOnlyInCaseIsOutside) {
    TestProject p;
    // The root is ".../root/"; its sibling ".../ROOT/" is another folder.
    WriteFile(p.Dir().Folder() + "ROOT/x.htm", Page("X", "SIBLING-PAGE"));
    p.Write("index.htm", Page("Index", "<a href=\"../ROOT/x.htm\">x</a>"));
    p.Add("Index", "index.htm");
    p.Project().ProjectSettings.SingleHtmlFilename = "single.htm";
    p.Project().ProjectSettings.SingleHtmlOutputFolder = p.Dir().Folder() + "single/";
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;
    LinesHost host;
    ASSERT_TRUE(RunBuild(p.Project(), request, host).Ok);
    EXPECT_EQ(host.CountContaining(kNotCopied + p.Dir().Folder() + "ROOT/x.htm"), 1);
    EXPECT_EQ(AllBytesBelow(p.Dir().Folder() + "single/").find("SIBLING-PAGE"), std::string::npos);
}

TEST(OutsideTheRoot, TheHtmlHelpCompilerFollowsNoLinkOutOfTheWorkFolder) {
    if (!chmtest::HaveChmTools())
        GTEST_SKIP() << "chmcmd or chmls missing: install fp-utils";
    LeakyProject l;
    // Enough steps up to reach "/" from any work folder, and links with no extension.
    std::string up;
    for (int i = 0; i < 30; ++i)
        up += "../";
    l.p.Write("index.htm", Page("Index", "<a href=\"" + up +
                                             "etc/hostname\">h</a>"
                                             "<a href=\"" +
                                             up +
                                             "etc/passwd\">p</a>"
                                             "<a href=\"/etc/passwd\">abs</a>"
                                             "<a href=\"../outside.htm\">climb</a>"
                                             "<a href=\"key.txt\">key</a>"
                                             "<a href=\"ext/page.htm\">page</a>"
                                             "<img src=\"ext/pic.gif\">"
                                             "<a href=\"inner.htm\">inner</a>"));
    LinesHost host;
    const TBuildResult result = l.Build(OutputKind::HtmlHelp, host, true);
    ASSERT_TRUE(result.Ok) << result.Message;
    const std::set<std::string> names = chmtest::ChmNames(l.base + "chm/leaky.chm");
    ASSERT_TRUE(names.count("/inner.htm"));
    ASSERT_TRUE(names.count("/index.htm"));
    for (const std::string& name : names) {
        EXPECT_EQ(name.find(".."), std::string::npos) << name;
        EXPECT_EQ(name.find("etc/"), std::string::npos) << name;
        EXPECT_EQ(name.find("outside"), std::string::npos) << name;
        EXPECT_EQ(name.find("key.txt"), std::string::npos) << name;
        EXPECT_EQ(name.find("/ext/"), std::string::npos) << name;
        EXPECT_EQ(name.find("leak.htm"), std::string::npos) << name;
    }
}

TEST(OutsideTheRoot, ARootThatWouldHoldTheWholeComputerIsRefused) {
    TestProject p;
    p.Write("index.htm", Page("Index", "x"));
    p.Add("Index", "index.htm");
    TProjectSettings& s = p.Project().ProjectSettings;
    s.SingleHtmlFilename = "single.htm";
    s.SingleHtmlOutputFolder = p.Dir().Folder() + "single/";
    TBuildRequest request;
    request.Kind = OutputKind::SingleHtml;

    ScopedEnv home("HOME", p.Root());
    LinesHost host;
    TBuildResult result = RunBuild(p.Project(), request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("is your home folder"), std::string::npos) << result.Message;

    s.RootDir = "/";
    result = RunBuild(p.Project(), request, host);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("top of the file system"), std::string::npos) << result.Message;
    EXPECT_FALSE(fs::exists(p.Dir().Folder() + "single/"));
}

// ---- a build reads nothing outside the root -------------------------------------------------

TEST(OutsideTheRoot, CollectingReportsAnOutsideFileOnceAndNeverFollowsIt) {
    TestProject p;
    const std::string other = p.Dir().Folder() + "other/";
    WriteFile(other + "x0.htm", Page("x0", "<a href=\"x1.htm\">next</a>"));
    WriteFile(other + "x1.htm", Page("x1", "end"));
    p.Write("a.htm", Page("a", "<a href=\"../other/x0.htm\">x</a><a href=\"b.htm\">b</a>"));
    p.Write("b.htm", Page("b", "<a href=\"../other/x0.htm\">again</a>"));
    std::vector<std::string> lines;
    TContents contents(p.Project(), [&lines](const std::string& l) { lines.push_back(l); });
    CollectFiles(contents, p.Root() + "a.htm");
    CollectFiles(contents, p.Root() + "b.htm");
    CollectFiles(contents, other + "x0.htm");
    EXPECT_EQ(contents.Files, (std::set<std::string>{p.Root() + "a.htm", p.Root() + "b.htm"}));
    EXPECT_EQ(lines, (std::vector<std::string>{kNotCopied + other + "x0.htm"}));
}

TEST(OutsideTheRoot, NoBuildOpensAFileOfALargeFolderBesideTheRoot) {
    LeakyProject l;
    // A neighbouring manual of many pages that link each other; the project links into it
    // directly and through a linked folder, and has a link in the wrong case of its own.
    const std::string other = l.base + "manual/";
    const int pages = 300;
    for (int i = 0; i < pages; ++i)
        WriteFile(other + "x" + std::to_string(i) + ".htm",
                  Page("x", "<a href=\"x" + std::to_string((i + 1) % pages) +
                                ".htm\">next</a><img src=\"pic.gif\"><link href=\"s.css\">"));
    WriteFile(other + "pic.gif", "GIF");
    WriteFile(other + "s.css", "body { background: url(pic.gif) }");
    fs::create_symlink(other, l.p.Root() + "linked");
    l.p.Write("Inner.htm", Page("Inner", "INSIDE-PAGE"));
    fs::remove(l.p.Root() + "inner.htm");
    l.p.Write("index.htm", Page("Index", "<a href=\"../manual/x0.htm\">x0</a>"
                                         "<a href=\"linked/x7.htm\">x7</a>"
                                         "<img src=\"../manual/pic.gif\">"
                                         "<a href=\"inner.htm\">inner</a>"));

    OpenCounter counter({other});
    if (!counter.Works())
        GTEST_SKIP() << "inotify is not available here";
    for (OutputKind kind : {OutputKind::SingleHtml, OutputKind::WebHelp, OutputKind::HtmlHelp}) {
        LinesHost host;
        const TBuildResult result = l.Build(kind, host);
        ASSERT_TRUE(result.Ok) << result.Message;
        std::vector<std::string> touched;
        EXPECT_EQ(counter.Take(touched), 0)
            << "output " << static_cast<int>(kind) << " opened " << touched.front();
        EXPECT_EQ(host.CountContaining(kNotCopied + other + "x0.htm"), 1);
        EXPECT_EQ(host.CountContaining(kNotCopied + l.p.Root() + "linked/x7.htm"), 1);
        EXPECT_EQ(host.CountContaining("x1.htm"), 0) << "an outside page was followed";
    }
    // The counter does see a read of the folder.
    std::vector<std::string> touched;
    EXPECT_EQ(ReadFile(other + "pic.gif"), "GIF");
    EXPECT_GT(counter.Take(touched), 0);
}

TEST(OutsideTheRoot, ATemplateOutsideTheRootWrapsNoPage) {
    LeakyProject l;
    WriteFile(l.base + "evil.htm", "<html><body>EVIL-TEMPLATE ($content$)</body></html>");
    fs::create_symlink(l.base + "evil.htm", l.p.Root() + "tpl.htm");
    TProjectSettings& s = l.p.Project().ProjectSettings;
    s.HtmlHelpTemplate = "tpl.htm";
    s.WebHelpTemplateSame = true;

    LinesHost chm;
    ASSERT_TRUE(l.Build(OutputKind::HtmlHelp, chm).Ok);
    EXPECT_EQ(chm.CountContaining("\"tpl.htm\" lies outside the project's root folder; the pages "
                                  "are copied unchanged."),
              1);
    EXPECT_EQ(AllBytesBelow(l.base + "keep/").find("EVIL-TEMPLATE"), std::string::npos);

    LinesHost web;
    const TBuildResult result = l.Build(OutputKind::WebHelp, web);
    EXPECT_FALSE(result.Ok);
    EXPECT_NE(result.Message.find("lies outside the project's root folder"), std::string::npos)
        << result.Message;
}
