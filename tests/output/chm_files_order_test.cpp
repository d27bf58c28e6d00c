// The [FILES] list of the Workshop project: the same name order as the import, whatever
// order the file system lists the work folder in.

#include "chm_test_support.h"
#include "output/chm_project.h"

#include <gtest/gtest.h>

namespace parvane {
namespace {

using chmtest::TTempDir;
using chmtest::WriteBytes;

TEST(CHMFilesOrder, NumbersCountByValueAndFoldersMixWithFiles) {
    TTempDir dir;
    for (const char* name : {"page10.htm", "Page2.htm", "page1.htm", "img10/a.png", "img2/b.png",
                             "Img1.png", "zeta.htm", "Beta.htm", "alpha.htm"})
        WriteBytes(dir.Path() + name, "x");
    TCHMProject chm;
    chm.WorkFolder = dir.Path();
    chm.ScanFiles();
    EXPECT_EQ(chm.Files,
              (std::vector<std::string>{"alpha.htm", "Beta.htm", "Img1.png", "img2\\b.png",
                                        "img10\\a.png", "page1.htm", "Page2.htm", "page10.htm",
                                        "zeta.htm"}));
}

} // namespace
} // namespace parvane
