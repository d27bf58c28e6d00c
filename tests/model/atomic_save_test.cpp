// The shared save routine: a save killed at any moment leaves the old file or the new one
// and nothing else, and a save through a symbolic link replaces the link's target.

#include "model/project_file.h"
#include "model/text_file.h"
#include "model/topic_tree.h"

#include "../support/test_project.h"

#include <csignal>
#include <fcntl.h>
#include <ctime>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace parvane;
using parvane::testing::EntryNames;
using parvane::testing::ReadFile;
using parvane::testing::TempDir;
using parvane::testing::WriteFile;
namespace fs = std::filesystem;

namespace {

void Age(const std::string& path, int seconds) {
    const timespec past{std::time(nullptr) - seconds, 0};
    const timespec times[2] = {past, past};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

} // namespace

TEST(AtomicSave, SavesKilledAtAnyMomentLeaveNoTemporaryFiles) {
    TempDir dir("pv-kill");
    const std::string path = dir / "p.pvx";
    // Large enough that a kill mostly lands while the bytes are being written.
    const std::string first(8 << 20, 'a');
    const std::string second(8 << 20, 'b');
    TextCodec::WriteFileAtomic(path, first);
    std::mt19937 random(42);
    for (int round = 0; round < 25; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int i = 0;; ++i)
                TextCodec::WriteFileAtomic(path, i % 2 ? first : second);
        }
        ::usleep(2000 + random() % 20000);
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    // A kill can still land in the microseconds between naming the complete file and the
    // rename; the next save of the project clears such a leftover once it is stale.
    for (const std::string& name : EntryNames(dir.Folder()))
        if (name != "p.pvx")
            Age(dir / name, 120);
    TextCodec::RemoveStaleTemporaries(path);
    EXPECT_EQ(EntryNames(dir.Folder()), std::vector<std::string>{"p.pvx"});
    const std::string kept = ReadFile(path);
    EXPECT_TRUE(kept == first || kept == second) << "a half-written file of " << kept.size();
}

TEST(AtomicSave, SavingThroughASymbolicLinkReplacesItsTarget) {
    TempDir dir("pv-link");
    fs::create_directories(dir / "real");
    fs::create_directories(dir / "links");
    const std::string target = dir / "real/help.pvx";
    WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink("../real/help.pvx", dir / "links/relative.pvx");
    fs::create_symlink(dir / "links/relative.pvx", dir / "links/chain.pvx");

    TextCodec::WriteFileAtomic(dir / "links/chain.pvx", "new");
    EXPECT_TRUE(fs::is_symlink(dir / "links/chain.pvx"));
    EXPECT_TRUE(fs::is_symlink(dir / "links/relative.pvx"));
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntryNames(dir / "links"), (std::vector<std::string>{"chain.pvx", "relative.pvx"}));
    EXPECT_EQ(EntryNames(dir / "real"), std::vector<std::string>{"help.pvx"});

    // A project saved through its link keeps the link and its own file name.
    TTopicTree tree;
    TPvx project(tree);
    project.ProjectSettings.Title = "through the link";
    project.SaveToFile(dir / "links/relative.pvx");
    EXPECT_TRUE(fs::is_symlink(dir / "links/relative.pvx"));
    EXPECT_NE(ReadFile(target).find("Title=through the link\r\n"), std::string::npos);

    // A dangling link gets its target made.
    fs::create_symlink(dir / "real/later.pvx", dir / "links/dangling.pvx");
    TextCodec::WriteFileAtomic(dir / "links/dangling.pvx", "made");
    EXPECT_TRUE(fs::is_symlink(dir / "links/dangling.pvx"));
    EXPECT_EQ(ReadFile(dir / "real/later.pvx"), "made");

    // A loop of links is an error, not a hang.
    fs::create_symlink(dir / "links/loop2.pvx", dir / "links/loop1.pvx");
    fs::create_symlink(dir / "links/loop1.pvx", dir / "links/loop2.pvx");
    EXPECT_THROW(TextCodec::WriteFileAtomic(dir / "links/loop1.pvx", "x"), std::exception);
}

TEST(AtomicSave, TheNextSaveOfAProjectClearsItsOwnOldLeftovers) {
    TempDir dir("pv-stale");
    const std::string path = dir / "p.pvx";
    WriteFile(dir / ".p.pvx.Ab12Cd", "left by a killed save");
    Age(dir / ".p.pvx.Ab12Cd", 3600);
    WriteFile(dir / ".p.pvx.young1", "a save of another process may still write this");
    WriteFile(dir / ".q.pvx.Ab12Cd", "another project's");
    Age(dir / ".q.pvx.Ab12Cd", 3600);
    WriteFile(dir / ".p.pvx.notours", "not the temporary pattern");
    Age(dir / ".p.pvx.notours", 3600);
    WriteFile(dir / ".p.pvx.a-b.cd", "not the temporary pattern either");
    Age(dir / ".p.pvx.a-b.cd", 3600);

    TTopicTree tree;
    TPvx project(tree);
    project.SaveToFile(path);
    EXPECT_EQ(EntryNames(dir.Folder()),
              (std::vector<std::string>{".p.pvx.a-b.cd", ".p.pvx.notours", ".p.pvx.young1",
                                        ".q.pvx.Ab12Cd", "p.pvx"}));
}

// A file written in pieces replaces the old one only when complete; a writer given up
// half way (a failed report, an exception) leaves the old file and no temporary file.
TEST(AtomicSave, AFileWrittenInPiecesReplacesTheOldOneOnlyWhenComplete) {
    TempDir dir("pv-pieces");
    const std::string path = dir / "report.json";
    WriteFile(path, "earlier report");
    ::chmod(path.c_str(), 0640);
    {
        TextCodec::TAtomicFileWriter file(path);
        file.Write("new ");
        file.Write(std::string(1 << 20, 'x'));
        EXPECT_EQ(ReadFile(path), "earlier report");
        EXPECT_EQ(EntryNames(dir.Folder()), std::vector<std::string>{"report.json"});
        file.Commit();
        EXPECT_THROW(file.Write("after"), std::exception);
    }
    EXPECT_EQ(ReadFile(path), "new " + std::string(1 << 20, 'x'));
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        TextCodec::TAtomicFileWriter file(path);
        file.Write("half a report");
    } // given up without Commit
    EXPECT_EQ(ReadFile(path), "new " + std::string(1 << 20, 'x'));
    EXPECT_EQ(EntryNames(dir.Folder()), std::vector<std::string>{"report.json"});

    // A file that cannot be made at all is refused at once.
    EXPECT_THROW(TextCodec::TAtomicFileWriter(dir / "no/such/folder/report.json"),
                 std::exception);
}

// A write that fails half way (here the file size limit, as a full disk would) throws,
// removes what was written and keeps the old file.
TEST(AtomicSave, AFailedPieceKeepsTheOldFile) {
    TempDir dir("pv-pieces-fail");
    const std::string path = dir / "report.json";
    WriteFile(path, "earlier report");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 << 10, 64 << 10};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int code = 3;
        try {
            TextCodec::TAtomicFileWriter file(path);
            file.Write(std::string(40 << 10, 'a'));
            code = 4;
            file.Write(std::string(40 << 10, 'b'));
            code = 5;
            file.Commit();
        } catch (const std::exception&) {
            ::_exit(code == 4 ? 0 : code);
        }
        ::_exit(code);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: the first piece failed, 5: nothing failed";
    EXPECT_EQ(ReadFile(path), "earlier report");
    EXPECT_EQ(EntryNames(dir.Folder()), std::vector<std::string>{"report.json"});
}

// "--output /dev/null" and named pipes: what is there is written into, never replaced by a
// file of the same name.
TEST(AtomicSave, APipeIsWrittenIntoAndStaysAPipe) {
    TempDir dir("pv-pipe");
    const std::string path = dir / "report.fifo";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    {
        TextCodec::TAtomicFileWriter file(path);
        file.Write("first piece, ");
        file.Write("second piece");
        file.Commit();
    }
    char buffer[256];
    const ssize_t n = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0),
              "first piece, second piece");
    EXPECT_TRUE(fs::is_fifo(path));
    EXPECT_EQ(EntryNames(dir.Folder()), std::vector<std::string>{"report.fifo"});
}
