#include "output/kept_files.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace parvane;

TEST(KeptFiles, KeepsWhatFitsAndHandsEachFileOutOnce) {
    TKeptFiles kept;
    EXPECT_FALSE(kept.Wanted()) << "nothing is kept before a limit is set";
    kept.Keep("/r/a.htm", "aaaa");
    EXPECT_FALSE(kept.Take("/r/a.htm"));

    kept.SetLimit(10);
    EXPECT_TRUE(kept.Wanted());
    kept.Keep("/r/a.htm", "aaaa");
    kept.Keep("/r/a.htm", "other bytes"); // the first reading stays
    kept.Keep("/r/b.htm", "bbbbbb");      // exactly fills the room
    EXPECT_EQ(kept.KeptBytes(), 10u);
    EXPECT_TRUE(kept.Wanted());
    kept.Keep("/r/c.htm", "c");
    EXPECT_FALSE(kept.Wanted()) << "a file that no longer fits ends the keeping";
    EXPECT_EQ(kept.KeptBytes(), 10u);

    EXPECT_EQ(kept.Take("/r/a.htm").value_or("none"), "aaaa");
    EXPECT_FALSE(kept.Take("/r/a.htm")) << "handed out once; the next reader reads the file";
    EXPECT_EQ(kept.Take("/r/b.htm").value_or("none"), "bbbbbb");
    EXPECT_FALSE(kept.Take("/r/c.htm"));
    EXPECT_FALSE(kept.Take("/r/A.htm")) << "names are exact";

    kept.SetLimit(0);
    EXPECT_FALSE(kept.Wanted());
}

TEST(KeptFiles, ThreadsTakingTheSamePagesGetEachOneOnce) {
    // Two topics whose addresses reach one page are written on two threads at once.
    TKeptFiles kept;
    kept.SetLimit(std::size_t{1} << 20);
    const int pages = 2000;
    for (int i = 0; i < pages; ++i)
        kept.Keep("/r/p" + std::to_string(i) + ".htm",
                  std::string(100, static_cast<char>('a' + i % 26)));
    std::atomic<int> handed{0};
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < pages; ++i)
                if (auto bytes = kept.Take("/r/p" + std::to_string(i) + ".htm")) {
                    ++handed;
                    if (*bytes != std::string(100, static_cast<char>('a' + i % 26)))
                        ++wrong;
                }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(handed.load(), pages);
    EXPECT_EQ(wrong.load(), 0);
}
