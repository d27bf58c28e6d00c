#include "../support/test_project.h"
#include "model/folder_cache.h"
#include "model/link_scanner.h"
#include "model/paths.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

using namespace parvane;
using namespace parvane::testing;

namespace {

// A root with folders and files in several letter cases, a file where a folder is asked
// for, and a symbolic link to a folder.
struct CaseTree {
    TempDir dir;
    std::string root = dir.Folder() + "root/";
    CaseTree() {
        WriteFile(root + "a/Page.htm", "p");
        WriteFile(root + "a/other.HTM", "o");
        WriteFile(root + "a/deep/x.css", "x");
        WriteFile(root + "B/c.css", "c");
        WriteFile(root + "file.txt", "t");
        WriteFile(dir.Folder() + "outside.htm", "out");
        fs::create_symlink(root + "a", root + "linked");
    }
};

struct Answers {
    std::string resolved;
    bool file = false;
    bool folder = false;
    bool operator==(const Answers&) const = default;
};

Answers Ask(const std::string& path) {
    return {Paths::ResolveExisting(path), Paths::FileExists(path), Paths::FolderExists(path)};
}

} // namespace

TEST(FolderCache, AnswersEveryExistenceQuestionAsTheDiskDoes) {
    CaseTree t;
    const std::string& r = t.root;
    const std::vector<std::string> paths = {r + "a/Page.htm",
                                            r + "A/page.HTM",
                                            r + "a/OTHER.htm",
                                            r + "a/missing.htm",
                                            r + "nofolder/x.htm",
                                            r + "b/C.CSS",
                                            r + "a/deep/x.css",
                                            r + "A/DEEP/",
                                            r + "a/deep",
                                            r + "file.txt/inside",
                                            r + "file.txt",
                                            r,
                                            r.substr(0, r.size() - 1),
                                            r + "linked/Page.htm",
                                            r + "LINKED/page.htm",
                                            r + "linked",
                                            r + "a/../B/c.css",
                                            r + "a//Page.htm",
                                            t.dir.Folder() + "outside.htm",
                                            t.dir.Folder() + "ROOT/a/Page.htm"};
    std::vector<Answers> disk;
    for (const std::string& p : paths)
        disk.push_back(Ask(p));
    // The answers that matter most, spelled out.
    EXPECT_EQ(disk[1].resolved, r + "a/Page.htm");
    EXPECT_TRUE(disk[1].file);
    EXPECT_EQ(disk[3].resolved, "");
    EXPECT_EQ(disk[7].resolved, r + "a/deep/");
    EXPECT_TRUE(disk[7].folder);
    EXPECT_EQ(disk[9].resolved, "");

    TFolderCache cache(r);
    const TFolderCacheScope scope(&cache);
    for (std::size_t i = 0; i < paths.size(); ++i)
        EXPECT_EQ(Ask(paths[i]), disk[i]) << paths[i];
    EXPECT_GT(cache.FoldersRead(), 0u);
}

TEST(FolderCache, ManyPagesOfMissingAndMiscasedLinksReadEachFolderOnce) {
    TempDir dir;
    const std::string root = dir.Folder();
    // A folder of many pages, each linking missing pages and siblings in other letter case:
    // the checks of all pages together read the folder once, not once per page.
    const int pages = 200;
    for (int i = 0; i < pages; ++i)
        WriteFile(root + "ref/p" + std::to_string(i) + ".htm",
                  "<a href=\"P" + std::to_string((i + 1) % pages) +
                      ".htm\">next</a>"
                      "<a href=\"gone" +
                      std::to_string(i) +
                      ".htm\">gone</a>"
                      "<a href=\"../nowhere/x" +
                      std::to_string(i) + ".htm\">x</a>");
    TFolderCache cache(root);
    const TFolderCacheScope scope(&cache);
    THTMLRefer refer;
    std::size_t found = 0;
    for (int i = 0; i < pages; ++i) {
        std::vector<std::string> files;
        refer.GetLinkedFiles(root + "ref/p" + std::to_string(i) + ".htm", files);
        found += files.size();
        std::vector<std::string> pieces;
        refer.SplitFile(root + "ref/p" + std::to_string(i) + ".htm", pieces);
        ASSERT_EQ(pieces.size(), 3u) << i; // the miscased sibling is split out
    }
    EXPECT_EQ(found, 2u * pages);       // each page and its sibling
    EXPECT_LE(cache.FoldersRead(), 2u); // the root and "ref"
}

TEST(FolderCache, FoldersTheBuildWritesIntoAreAskedOfTheDisk) {
    TempDir dir;
    const std::string root = dir.Folder();
    WriteFile(root + "page.htm", "p");
    TFolderCache cache(root);
    const TFolderCacheScope scope(&cache);
    EXPECT_FALSE(Paths::FolderExists(root + "out"));
    EXPECT_FALSE(Paths::FileExists(root + "new.htm"));

    // The root's listing is forgotten with the output folder made in it.
    cache.Exclude(root + "out/");
    WriteFile(root + "out/copy.htm", "c");
    WriteFile(root + "new.htm", "n");
    EXPECT_TRUE(Paths::FolderExists(root + "out"));
    EXPECT_TRUE(Paths::FileExists(root + "out/copy.htm"));
    EXPECT_EQ(Paths::ResolveExisting(root + "OUT/Copy.htm"), root + "out/copy.htm");
    EXPECT_TRUE(Paths::FileExists(root + "new.htm"));
    fs::remove(root + "out/copy.htm");
    EXPECT_FALSE(Paths::FileExists(root + "out/copy.htm"));
}

TEST(FolderCache, ServesOnlyTheThreadThatInstalledIt) {
    TempDir dir;
    const std::string root = dir.Folder();
    TFolderCache cache(root);
    {
        const TFolderCacheScope scope(&cache);
        EXPECT_EQ(TFolderCache::Active(), &cache);
        EXPECT_FALSE(Paths::FileExists(root + "later.htm"));
        TFolderCache* seen = &cache;
        std::thread([&] { seen = TFolderCache::Active(); }).join();
        EXPECT_EQ(seen, nullptr);
    }
    EXPECT_EQ(TFolderCache::Active(), nullptr);
    // Once the scope has ended the disk answers again.
    WriteFile(root + "later.htm", "l");
    EXPECT_TRUE(Paths::FileExists(root + "later.htm"));
}

TEST(FolderCache, AmongNamesThatDifferOnlyInCaseTakesTheFirstInByteOrder) {
    TempDir dir;
    const std::string root = dir.Folder() + "root/";
    // Fifteen of the sixteen spellings of "abcd.htm": the missing one is asked for, and
    // the listing's own order would rarely put the smallest name first.
    std::vector<std::string> names;
    for (int mask = 1; mask < 16; ++mask) {
        std::string name = "abcd";
        for (int b = 0; b < 4; ++b)
            if (mask & (1 << b))
                name[b] = static_cast<char>(name[b] - 'a' + 'A');
        names.push_back(name + ".htm");
        WriteFile(root + "f/" + names.back(), name);
    }
    std::sort(names.begin(), names.end());
    const std::string asked = root + "f/abcd.htm";
    ASSERT_EQ(Paths::ResolveExisting(asked), root + "f/" + names.front());

    TFolderCache cache(root);
    const TFolderCacheScope scope(&cache);
    EXPECT_EQ(Paths::ResolveExisting(asked), root + "f/" + names.front());
}

TEST(FolderCache, NeverListsAFolderReachedThroughASymbolicLink) {
    TempDir dir;
    const std::string root = dir.Folder() + "root/";
    WriteFile(root + "page.htm", "p");
    WriteFile(dir.Folder() + "elsewhere/Doc.htm", "d");
    fs::create_symlink(dir.Folder() + "elsewhere", root + "linked");

    TFolderCache cache(root);
    const TFolderCacheScope scope(&cache);
    EXPECT_EQ(Paths::ResolveExisting(root + "page.htm"), root + "page.htm");
    const std::size_t before = cache.FoldersRead();
    // Still answered as the disk answers, but not from a listing of the linked folder.
    EXPECT_EQ(Paths::ResolveExisting(root + "linked/Doc.htm"), root + "linked/Doc.htm");
    EXPECT_TRUE(Paths::FileExists(root + "linked/Doc.htm"));
    EXPECT_FALSE(Paths::FileExists(root + "linked/none.htm"));
    EXPECT_EQ(cache.FoldersRead(), before);
}
