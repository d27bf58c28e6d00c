// Loading a project file: topics behind gaps in their numbers, honest messages for what is
// not a readable project file, and a reader whose memory stays a small multiple of the file.

#include "model/errors.h"
#include "model/ini_file.h"
#include "model/project_file.h"
#include "model/topic_tree.h"

#include "../support/test_project.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace parvane;
using parvane::testing::ReadFile;
using parvane::testing::TempDir;
using parvane::testing::WriteFile;

namespace {

const std::string kProjects = std::string(PARVANE_TEST_DATA) + "/projects/";

std::vector<std::string> Outline(const TTopicTree& tree) {
    std::vector<std::string> out;
    tree.ForEach([&](TTopicNode* node) {
        out.push_back(node->IsRoot() ? "#" + node->Text()
                                     : node->Text() + "@" + std::to_string(node->Level()));
    });
    return out;
}

struct ProjectLoad : ::testing::Test {
    TTopicTree tree;
    TPvx project{tree};
    TempDir dir{"pv-load"};

    // The message LoadFromFile fails with, or "" when it loads.
    std::string LoadError(const std::string& path) {
        try {
            project.LoadFromFile(path);
        } catch (const EParvaneError& e) {
            return e.what();
        }
        return "";
    }

    // The same, in a child process that first applies `prepare` (drops rights, limits
    // memory): what the child saw comes back through a pipe.
    template <typename Prepare> std::string LoadErrorInChild(const std::string& path,
                                                             Prepare prepare) {
        int fds[2];
        if (::pipe(fds) != 0)
            return "<no pipe>";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            prepare();
            std::string message;
            try {
                TTopicTree childTree;
                TPvx childProject(childTree);
                childProject.LoadFromFile(path);
                message = "<loaded>";
            } catch (const EParvaneError& e) {
                message = e.what();
            } catch (const std::bad_alloc&) {
                message = "<bad_alloc escaped>";
            }
            (void)!::write(fds[1], message.data(), message.size());
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string message;
        char buffer[512];
        ssize_t n;
        while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
            message.append(buffer, static_cast<std::size_t>(n));
        ::close(fds[0]);
        int status = 0;
        ::waitpid(pid, &status, 0);
        return message;
    }
};

} // namespace

// ---- gaps in the topic numbers -----------------------------------------------------------

TEST_F(ProjectLoad, EveryTopicBehindAGapInTheNumbersIsReadAndSavedAgain) {
    // gaps.pvx: TitleList=6 with topics 0, 3, 2, 5 (1 and 4 gone, 2 and 3 swapped in the
    // file) and a topic 7 beyond the count.
    project.LoadFromFile(kProjects + "gaps.pvx");
    const std::vector<std::string> expected = {"#Table of contents", "First@1",  "Second@1",
                                               "Child of second@2",  "Last@1",   "#Non-contents pages",
                                               "#Templates"};
    EXPECT_EQ(Outline(tree), expected);
    EXPECT_EQ(tree.ContentsRoot()->Child(1)->Child(0)->Data().Url, "second\\child.htm");

    // The next save keeps them, numbered without gaps.
    const std::string saved = dir / "saved.pvx";
    project.SaveToFile(saved);
    EXPECT_NE(ReadFile(saved).find("TitleList=4\r\n"), std::string::npos);
    project.LoadFromFile(saved);
    EXPECT_EQ(Outline(tree), expected);
}

TEST_F(ProjectLoad, AHugeCountWithFewTopicsReadsOnlyThoseThatArePresent) {
    const std::string path = dir / "huge.pvx";
    WriteFile(path, "[TOPICS]\r\nTitleList=2147483647\r\nTitleList.Title.0=zero\r\n"
                    "TitleList.Title.2000000000=far away\r\nTitleList.Title.007=no leading zeros\r\n"
                    "TitleList.Title.-1=no signs\r\nTitleList.Title.x=no words\r\n");
    project.LoadFromFile(path);
    EXPECT_EQ(Outline(tree), (std::vector<std::string>{"#Table of contents", "zero@1", "far away@1",
                                                       "#Non-contents pages", "#Templates"}));
}

TEST_F(ProjectLoad, TopicLinesScatteredOverTheFileAreJoinedAndTheFirstOfEachKeyCounts) {
    // Topic 1 is split over two [TOPICS] sections with the count between them; keys in
    // other letter case are the same keys, so the earlier line counts.
    const std::string path = dir / "scattered.pvx";
    WriteFile(path, "[TOPICS]\r\n"
                    "TitleList.Title.1=one\r\n"
                    "TitleList.Title.0=zero\r\n"
                    "TITLELIST.TITLE.0=not zero\r\n"
                    "TitleList.Url.0=zero.htm\r\n"
                    "[GENERAL]\r\nTitle=T\r\n"
                    "[topics]\r\n"
                    "titlelist=3\r\n"
                    "TitleList=1\r\n"
                    "TitleList.Level.1=1\r\n"
                    "titlelist.url.1=one.htm\r\n"
                    "TitleList.Url.1=not one.htm\r\n"
                    "TitleList.Title.1=not one\r\n"
                    "TitleList.Title.2=two\r\n"
                    "TitleList.Title.3=beyond the count\r\n");
    project.LoadFromFile(path);
    EXPECT_EQ(Outline(tree), (std::vector<std::string>{"#Table of contents", "zero@1", "one@2",
                                                       "two@1", "#Non-contents pages",
                                                       "#Templates"}));
    EXPECT_EQ(tree.ContentsRoot()->Child(0)->Data().Url, "zero.htm");
    EXPECT_EQ(tree.ContentsRoot()->Child(0)->Child(0)->Data().Url, "one.htm");
}

// ---- honest load errors --------------------------------------------------------------------

TEST_F(ProjectLoad, EachKindOfUnloadableFileHasItsOwnMessage) {
    const std::string missing = dir / "missing.pvx";
    EXPECT_EQ(LoadError(missing), missing + " doesn't exist!");

    const std::string folder = dir / "folder.pvx";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(LoadError(folder), folder + " is a folder, not a project file.");

    // A pipe must be refused without waiting for someone to write into it.
    const std::string fifo = dir / "fifo.pvx";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(LoadError(fifo), fifo + " is a pipe or socket, not a project file.");

    EXPECT_EQ(LoadError("/dev/null"), "/dev/null is a device, not a project file.");

    // A project that was open stays as it was after each refusal.
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_TRUE(project.IsUntitled);
}

TEST_F(ProjectLoad, AnUnreadableFileSaysSoEvenWhenItExists) {
    const std::string path = dir / "locked.pvx";
    WriteFile(path, "[GENERAL]\r\nTitle=secret\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    // root reads any file: the child gives its rights up first.
    const std::string message = LoadErrorInChild(path, [] {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(1);
    });
    EXPECT_EQ(message, path + " cannot be read: Permission denied.");
}

TEST_F(ProjectLoad, RunningOutOfMemoryIsReportedNotCalledMissing) {
    const std::string path = dir / "big.pvx";
    WriteFile(path, "[GENERAL]\r\n" + std::string(64 << 20, 'x') + "\r\n");
    const std::string message = LoadErrorInChild(path, [] {
        // Room for what the process already maps, and not for the file.
        const std::string status = ReadFile("/proc/self/status");
        const std::size_t at = status.find("VmSize:");
        const std::size_t mapped = at == std::string::npos ? 0 : std::stoull(status.substr(at + 7)) * 1024;
        const rlimit limit{mapped + (24u << 20), mapped + (24u << 20)};
        ::setrlimit(RLIMIT_AS, &limit);
    });
    EXPECT_EQ(message, "There is not enough memory to load " + path + ".");
}

// ---- the reader's memory -------------------------------------------------------------------

namespace {

std::string Repeat(const std::string& line, std::size_t bytes) {
    std::string text = "[S]\r\n";
    text.reserve(bytes + line.size());
    while (text.size() < bytes)
        text += line;
    return text;
}

} // namespace

TEST(IniFileMemory, StaysASmallMultipleOfTheText) {
    constexpr std::size_t kSize = 6 << 20;
    // Lines without a key, and keys said again and again, cost nothing beyond the text.
    for (const std::string& line : {std::string("=\r\n"), std::string("=\n"),
                                    std::string("a=1\r\n"), std::string("a=\nb=\nc=\n")}) {
        const std::string text = Repeat(line, kSize);
        const TIniFile ini = TIniFile::FromText(text);
        EXPECT_LE(ini.MemoryUsed(), 2 * text.size()) << "lines of " << ::testing::PrintToString(line);
        if (line[0] == 'a') {
            EXPECT_EQ(ini.ReadString("S", "a", "-"), line == "a=1\r\n" ? "1" : "");
        }
    }
    // Every key different: each costs an entry and index slots, still a small multiple.
    std::string unique = "[S]\r\n";
    for (std::size_t i = 0; unique.size() < kSize; ++i)
        unique += "k" + std::to_string(i) + "=\r\n";
    const TIniFile ini = TIniFile::FromText(unique);
    EXPECT_LE(ini.MemoryUsed(), 8 * unique.size());
    EXPECT_EQ(ini.ReadString("S", "k12345", "-"), "");
    EXPECT_EQ(ini.ReadString("S", "K99", "-"), "");
}

TEST(IniFileMemory, AKeyRepeatedFarApartStillKeepsItsFirstValue) {
    std::string text = "[S]\r\nkey=first\r\n";
    for (int i = 0; i < 300000; ++i)
        text += "other" + std::to_string(i) + "=x\r\n";
    text += "KEY=second\r\n";
    const TIniFile ini = TIniFile::FromText(text);
    EXPECT_EQ(ini.ReadString("S", "key", "-"), "first");
    int keys = 0;
    ini.ForEachKey("S", [&](std::string_view) { ++keys; });
    EXPECT_EQ(keys, 300001);
}
