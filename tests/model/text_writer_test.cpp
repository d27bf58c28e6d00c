#include "../support/test_project.h"
#include "model/errors.h"
#include "model/string_func.h"
#include "model/text_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace parvane;
using namespace parvane::testing;

namespace {

// What SaveTextFile writes for the pieces joined.
std::string Whole(const std::vector<std::string>& pieces, const std::string& charset,
                  const std::string& file) {
    std::string joined;
    for (const std::string& p : pieces)
        joined += p;
    StringFunc::SaveTextFile(joined, file, charset);
    return ReadFile(file);
}

std::string Pieced(const std::vector<std::string>& pieces, const std::string& charset,
                   const std::string& file) {
    TTextFileWriter writer(file, charset);
    for (const std::string& p : pieces)
        writer.Append(p);
    writer.Commit();
    return ReadFile(file);
}

} // namespace

TEST(TextFileWriter, PiecesGiveTheBytesSaveTextFileGivesForTheWhole) {
    TempDir dir;
    // Line ends split between pieces, lone CR and LF, empty pieces, a last line without an
    // end, characters a charset cannot hold.
    const std::vector<std::vector<std::string>> cases = {
        {"a\r", "\nb", "c\n", "\r", "d"},
        {"line\r", "", "\r\n", "x\ry\nz\r\n"},
        {"caf\xc3\xa9\r", "\n\xe2\x82\xac \xe4\xb8\xad"},
        {"", ""},
        {"end\r"},
        {"only text"},
    };
    for (const std::string charset : {"", "UTF-8", "windows-1252", "UTF-16"}) {
        for (const auto& pieces : cases) {
            SCOPED_TRACE(charset + ": " + pieces.front());
            EXPECT_EQ(Pieced(pieces, charset, dir / "pieced.htm"),
                      Whole(pieces, charset, dir / "whole.htm"));
        }
    }
}

TEST(TextFileWriter, AnAbandonedWriterLeavesTheOldFileAndNoTemporaryOne) {
    TempDir dir;
    WriteFile(dir / "page.htm", "old");
    {
        TTextFileWriter writer(dir / "page.htm", "UTF-8");
        writer.Append(std::string(3 << 20, 'x')); // more than one flush
    }
    EXPECT_EQ(ReadFile(dir / "page.htm"), "old");
    EXPECT_EQ(Snapshot(dir.Folder()).size(), 1u);
}

TEST(SaveNewTextFile, WritesANewFileInPlaceAndReplacesAnOldOneLikeSaveTextFile) {
    TempDir dir;
    SaveNewTextFile("a\nb", dir / "new.htm", "windows-1252");
    StringFunc::SaveTextFile("a\nb", dir / "ref.htm", "windows-1252");
    EXPECT_EQ(ReadFile(dir / "new.htm"), ReadFile(dir / "ref.htm"));

    // A read-only file of that name is replaced, as the author asked for it to be written.
    WriteFile(dir / "old.htm", "old");
    ::chmod((dir / "old.htm").c_str(), 0444);
    SaveNewTextFile("new", dir / "old.htm", "UTF-8");
    EXPECT_EQ(ReadFile(dir / "old.htm"), "new\r\n");
    EXPECT_EQ(Snapshot(dir.Folder()).size(), 3u);

    EXPECT_THROW(SaveNewTextFile("x", dir / "no/such/folder.htm", "UTF-8"), EParvaneError);
}
