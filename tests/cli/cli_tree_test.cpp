// parvane-cli tree, run as a program on projects written the 8-bit platform's way.

#include "model/project_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

const std::string kData = PARVANE_TEST_DATA;
const std::string kProjects = kData + "/projects/";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

class CliTree : public ::testing::Test {
protected:
    void SetUp() override {
        temp = fs::temp_directory_path() /
               ("parvane-cli-tree-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(temp);
        fs::create_directories(temp / "appdata");
    }
    void TearDown() override { fs::remove_all(temp); }

    // Runs parvane-cli with the arguments (already quoted) from the working folder, with
    // the program folder pointed at an empty temporary one.
    Result Run(const std::string& args, const fs::path& workingFolder = fs::current_path()) {
        const fs::path out = temp / "stdout";
        const fs::path err = temp / "stderr";
        const std::string command = "cd " + Quote(workingFolder.string()) +
                                    " && PARVANE_DATA_DIR=" + Quote((temp / "appdata").string()) +
                                    " " + Quote(PARVANE_CLI) + " " + args + " >" +
                                    Quote(out.string()) + " 2>" + Quote(err.string());
        const int status = std::system(command.c_str());
        Result result;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadBytes(out);
        result.err = ReadBytes(err);
        return result;
    }

    fs::path temp;
};

} // namespace

TEST_F(CliTree, PrintsGroupsAndTopicsOfAWindows1252ProjectAsUtf8) {
    const Result r = Run("tree " + Quote(kProjects + "reference.pvx"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Table of contents\t\n"
                     "  Introduction\tintro.htm\n"
                     "  Caf\xC3\xA9 cr\xC3\xA8me\t(no-link)\n"
                     "    R\xC3\xA9sum\xC3\xA9\tsub\\r\xC3\xA9sum\xC3\xA9.htm\n"
                     "    New page\t(unsaved)\n"
                     "      Deep = deeper\tsub\\deep\\deep.htm\n"
                     "  Last\tlast.htm\n"
                     "Non-contents pages\t\n"
                     "  Glossary\tglossary.htm\n"
                     "Templates\t\n"
                     "  Main template\ttemplates\\main.htm\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliTree, ReadsAProjectBelowTheProgramFolderByARelativePath) {
    // RootDir is "$APPDIR$\templates"; the path is given relative to the working folder.
    const Result r = Run("tree projects/appdir.pvx", kData);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Table of contents\t\n"
                     "  Blue\tblue\\blue.htm\n"
                     "  Green\tgreen\\green.htm\n"
                     "Non-contents pages\t\n"
                     "Templates\t\n");
}

TEST_F(CliTree, PrintsADamagedProjectWithItsTopicsPlacedSanely) {
    const Result r = Run("tree " + Quote(kProjects + "damaged.pvx"));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Table of contents\t\n"
                     "  Orphan\torphan.htm\n"
                     "    Jump\tjump.htm\n"
                     "  Climb\tclimb.htm\n"
                     "  Stray\tstray.htm\n"
                     "Non-contents pages\t\n"
                     "  Odd\todd.htm\n"
                     "Templates\t\n");
}

TEST_F(CliTree, PrintsAProjectSavedHere) {
    TTopicTree tree;
    TPvx project(tree);
    TTopicNode* parent = project.ContentsRoot();
    for (int i = 0; i < 500; ++i) {
        TTopicNode* node = tree.AddTopicNode(parent, "Topic " + std::to_string(i), 0, tsLinked, 0,
                                             "p\\" + std::to_string(i) + ".htm");
        if (i % 50 == 0)
            parent = node;
    }
    const std::string path = (temp / "saved.pvx").string();
    project.SaveToFile(path);
    const Result r = Run("tree " + Quote(path));
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 503);
    const std::string deepest = std::string(2 * 11, ' ') + "Topic 499\tp\\499.htm\n";
    EXPECT_NE(r.out.find(deepest), std::string::npos);
}

TEST_F(CliTree, MissingOrUnreadableFileFailsWithTheMessage) {
    const std::string missing = (temp / "missing.pvx").string();
    Result r = Run("tree " + Quote(missing));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, missing + " doesn't exist!\n");

    r = Run("tree " + Quote(temp.string())); // a folder is no missing file
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, temp.string() + " is a folder, not a project file.\n");
}

TEST_F(CliTree, HelpAndWrongArguments) {
    Result r = Run("tree --help");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind("Usage: parvane-cli tree PROJECT.pvx\n", 0), 0u);
    r = Run("tree");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Usage: parvane-cli tree"), std::string::npos);
    r = Run("tree a.pvx b.pvx");
    EXPECT_EQ(r.code, 2);
}

TEST_F(CliTree, CommittedSampleProjectsMatchTheirWriter) {
    if (std::system("python3 --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    const fs::path out = temp / "written";
    const std::string command =
        "python3 " + Quote(kData + "/write_pvx.py") + " " + Quote(out.string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"reference.pvx", "appdir.pvx", "damaged.pvx"}) {
        const std::string written = ReadBytes(out / name);
        EXPECT_FALSE(written.empty()) << name;
        EXPECT_EQ(written, ReadBytes(kProjects + name)) << name;
    }
    // Written the 8-bit platform's way: CR LF and Windows-1252 (0xE9 for é).
    const std::string reference = ReadBytes(out / "reference.pvx");
    EXPECT_NE(reference.find("TitleList.Title.1=Caf\xE9 cr\xE8me\r\n"), std::string::npos);
}
