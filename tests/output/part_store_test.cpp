// The file the single page's topics wait in until the page's head is known.

#include "../support/test_project.h"
#include "output/part_store.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace parvane;
using parvane::testing::TempDir;
namespace fs = std::filesystem;

namespace {

bool IsEmptyFolder(const std::string& folder) {
    return fs::directory_iterator(folder) == fs::directory_iterator();
}

} // namespace

TEST(PartFile, GivesEveryPartBackFromAnyThreadAndLeavesNoNameBehind) {
    TempDir dir;
    // The output folder does not exist yet: the file goes to its nearest parent.
    TPartFile parts(dir / "out/single/");
    std::vector<std::string> written;
    for (int i = 0; i < 300; ++i) {
        // Empty parts, small ones and one larger than the file's buffer.
        std::string part = i % 7 == 0 ? std::string()
                                      : std::string(static_cast<std::size_t>(i * 37), 'a' + i % 26);
        if (i == 150)
            part = std::string((1u << 20) + 123, 'z');
        part += i % 7 == 0 ? "" : "\xFF" + std::to_string(i);
        written.push_back(part);
        parts.Add(part);
    }
    EXPECT_TRUE(IsEmptyFolder(dir.Folder())) << "no name appears while the parts are written";
    parts.Seal();
    std::vector<std::string> read(written.size());
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&, t] {
            for (std::size_t i = static_cast<std::size_t>(t); i < read.size(); i += 3)
                read[i] = parts.Take(i);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(read, written);
    EXPECT_TRUE(IsEmptyFolder(dir.Folder()));
}

TEST(PartFile, MemoryPartsGiveTheSameBack) {
    TMemoryParts parts;
    parts.Add("one");
    parts.Add("");
    parts.Add("three");
    parts.Seal();
    EXPECT_EQ(parts.Take(2), "three");
    EXPECT_EQ(parts.Take(1), "");
    EXPECT_EQ(parts.Take(0), "one");
}
