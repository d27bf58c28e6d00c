#include "../support/test_project.h"
#include "model/string_func.h"
#include "output/build_driver.h"
#include "output/ordered_work.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

using namespace parvane;
using namespace parvane::testing;

namespace {

class LinesHost : public TBuildHost {
public:
    void Info(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

// Pages in three folders linking each other in every way a reference does: siblings,
// "../" paths, fragments, missing pages, other letter case, a shared style sheet and
// picture; ids and anchors that the fragments name, a script in every body; a page two
// topics share, a heading, an unsaved topic, a page in Latin-1, a page without a body tag
// and a linked page outside the contents.
struct MixedProject {
    TestProject p;
    MixedProject() {
        const char* const folders[] = {"guide/", "ref/", "ref/deep/"};
        p.Write("css/site.css", "body{background:url(../img/back.gif)}");
        p.Write("img/back.gif", "GIF");
        p.Write("img/logo.png", "PNG");
        p.Write("js/run.js", "var run = 1;");
        p.Write("tpl/page.htm", "<html><head><title>($title$)</title></head><body>"
                                "<img src=\"../img/logo.png\">($content$)</body></html>");
        p.Write("extra.htm", Page("Extra", "<a href=\"guide/p0.htm\">first</a>"));
        p.Write("nobody.htm", "<html>no body tag, <a href=\"extra.htm\">extra</a></html>");
        p.Write("latin.htm", "<html><head><meta charset=\"iso-8859-1\"><title>L</title></head>"
                             "<body>caf\xe9 <a href=\"ref/P1.htm\">p1</a></body></html>");
        TTopicNode* chapter = nullptr;
        for (int f = 0; f < 3; ++f) {
            const std::string folder = folders[f];
            const std::string up = f == 2 ? "../../" : "../";
            chapter = p.Add("Chapter " + std::to_string(f), "", nullptr, tsNoLink);
            for (int i = 0; i < 30; ++i) {
                const std::string other = folders[(f + 1) % 3];
                const std::string body = "<h1>Page " + std::to_string(i) +
                                         "</h1>"
                                         "<a href=\"p" +
                                         std::to_string((i + 1) % 30) +
                                         ".htm\">next</a> "
                                         "<a href=\"P" +
                                         std::to_string((i + 2) % 30) +
                                         ".HTM#x\">case</a> "
                                         "<a href=\"" +
                                         up + other + "p" + std::to_string(i) +
                                         ".htm#sec\">other</a> "
                                         "<a href=\"gone" +
                                         std::to_string(i) +
                                         ".htm\">gone</a> "
                                         "<a href=\"" +
                                         up +
                                         "extra.htm\">extra</a> "
                                         "<img src=\"" +
                                         up +
                                         "img/logo.png\"> caf\xc3\xa9"
                                         // Ids the other pages' fragments name, and a
                                         // script the single page keeps once.
                                         "<p id=\"x\">x</p><a name=\"sec\">s</a>"
                                         "<script src=\"" +
                                         up + "js/run.js\"></script>";
                p.Write(folder + "p" + std::to_string(i) + ".htm",
                        Page("Page " + std::to_string(i), body,
                             "<link rel=\"stylesheet\" href=\"" + up + "css/site.css\">"));
                TTopicNode* node = p.Add(
                    "Page " + std::to_string(i) + " <&>",
                    StringFunc::ToBackslashes(folder) + "p" + std::to_string(i) + ".htm", chapter);
                node->Data().Keywords =
                    "Key " + std::to_string(i % 7) + "\r\nPage " + std::to_string(i);
            }
        }
        p.Add("Shared again", "guide\\p3.htm");
        p.Add("Unsaved", "", nullptr, tsUnsaved);
        p.Add("Latin", "latin.htm");
        p.Add("No body", "nobody.htm");
        p.Add("Missing page", "ref\\not-there.htm");
        p.Tree().AddTopicNode(p.Project().NonContentsRoot(), "Extra", imLastChildOfReference,
                              tsLinked, 0, "extra.htm");
        TProjectSettings& s = p.Project().ProjectSettings;
        s.Title = "Mixed";
        s.DefaultTopic = "guide\\p0.htm";
        s.SingleHtmlFilename = "all.htm";
        s.SingleHtmlHasToc = true;
        p.Project().UpdateTopicImages();
    }

    // Builds with the given thread count into the same folder each time, so the outputs
    // can be compared byte for byte, and returns them with the progress lines.
    std::pair<std::map<std::string, std::string>, std::vector<std::string>> Build(OutputKind kind,
                                                                                  int threads) {
        TBuildRequest request;
        request.Kind = kind;
        request.Threads = threads;
        const std::string out = p.Dir().Folder() + "out/";
        if (kind == OutputKind::HtmlHelp) {
            request.OutputOverride = p.Dir().Folder() + "help.chm";
            request.KeepProjectFolder = out;
            request.Compile = false;
        } else {
            request.OutputOverride = out;
        }
        LinesHost host;
        const TBuildResult result = RunBuild(p.Project(), request, host);
        EXPECT_TRUE(result.Ok) << result.Message;
        return {Snapshot(out), host.lines};
    }
};

} // namespace

TEST(ParallelBuild, EveryOutputIsByteIdenticalWhateverTheNumberOfThreads) {
    MixedProject m;
    TProjectSettings& s = m.p.Project().ProjectSettings;
    struct Case {
        const char* name;
        OutputKind kind;
        std::string tpl;
    };
    const Case cases[] = {{"single html", OutputKind::SingleHtml, ""},
                          {"web help", OutputKind::WebHelp, ""},
                          {"web help, template", OutputKind::WebHelp, "tpl\\page.htm"},
                          {"html help, template", OutputKind::HtmlHelp, "tpl\\page.htm"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        s.HtmlHelpTemplate = c.tpl;
        s.WebHelpTemplateSame = true;
        const auto [files1, lines1] = m.Build(c.kind, 1);
        ASSERT_GT(files1.size(), 3u);
        for (const int threads : {2, 4, 7}) {
            const auto [files, lines] = m.Build(c.kind, threads);
            EXPECT_EQ(lines, lines1) << threads << " threads";
            ASSERT_EQ(files.size(), files1.size()) << threads << " threads";
            for (const auto& [name, bytes] : files1) {
                const auto it = files.find(name);
                ASSERT_NE(it, files.end()) << name;
                EXPECT_TRUE(it->second == bytes)
                    << name << " differs with " << threads << " threads";
            }
        }
    }
}

TEST(ParallelBuild, ManyPagesOfLittleWorkAreHandedOverWithoutEverStalling) {
    // The calling thread and the helpers wake each other only when one waits: a wake-up
    // lost between them would hang the build. Pages of no work at all, a calling thread
    // that sometimes falls behind (the helpers wait for room) and pages that sometimes
    // take long on a helper (the calling thread waits for them).
    bool finished = false;
    std::mutex mutex;
    std::condition_variable done;
    std::thread run([&] {
        for (const int threads : {2, 3, 8}) {
            std::size_t expected = 0;
            ForEachInOrderHelping<std::size_t>(
                200000, threads,
                [](std::size_t i) {
                    if (i % 5003 == 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(500));
                    return i;
                },
                [&](std::size_t i, std::size_t value) {
                    EXPECT_EQ(i, expected);
                    EXPECT_EQ(value, i);
                    ++expected;
                    if (i % 4999 == 0)
                        std::this_thread::sleep_for(std::chrono::microseconds(500));
                });
            EXPECT_EQ(expected, 200000u) << threads << " threads";
        }
        const std::lock_guard lock(mutex);
        finished = true;
        done.notify_one();
    });
    std::unique_lock lock(mutex);
    if (!done.wait_for(lock, std::chrono::seconds(90), [&] { return finished; })) {
        std::fprintf(stderr, "the pages stalled: a wake-up was lost\n");
        std::_Exit(1);
    }
    lock.unlock();
    run.join();
}
