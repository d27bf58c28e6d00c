#include "editor/external_editor.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace parvane;
namespace fs = std::filesystem;

using Args = std::vector<std::string>;

TEST(ExternalEditor, BareProgramGetsThePagePathQuotedOnce) {
    EXPECT_EQ(EditorCommandLine("/usr/bin/ed", "/help/a b.htm"), "/usr/bin/ed \"/help/a b.htm\"");
    EXPECT_EQ(EditorArguments("/usr/bin/ed", "/help/a b.htm"),
              (Args{"/usr/bin/ed", "/help/a b.htm"}));
}

TEST(ExternalEditor, QuotedPlaceholderIsNotQuotedTwice) {
    const std::string entry = "\"/opt/My Editor/ed\" \"%1\"";
    EXPECT_EQ(EditorCommandLine(entry, "/help/a b.htm"), "\"/opt/My Editor/ed\" \"/help/a b.htm\"");
    EXPECT_EQ(EditorArguments(entry, "/help/a b.htm"),
              (Args{"/opt/My Editor/ed", "/help/a b.htm"}));
}

TEST(ExternalEditor, PlaceholderInsideAnOptionBecomesOneArgument) {
    EXPECT_EQ(EditorArguments("ed --file=%1 -n", "/help/a b.htm"),
              (Args{"ed", "--file=/help/a b.htm", "-n"}));
    EXPECT_EQ(EditorCommandLine("ed --file=%1 -n", "/p.htm"), "ed --file=\"/p.htm\" -n");
}

TEST(ExternalEditor, ThePagePathIsNeverSplitOrReinterpreted) {
    const std::string page = "/help/it's \"odd\" %1 ; rm -rf.htm";
    EXPECT_EQ(EditorArguments("/usr/bin/ed", page), (Args{"/usr/bin/ed", page}));
    EXPECT_TRUE(EditorArguments("", page).empty());
}

TEST(ExternalEditor, LaunchArgumentsNeedAnExistingProgram) {
    const std::string tmpl = (fs::temp_directory_path() / "pv-editor-XXXXXX").string();
    std::string dir = tmpl;
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    const std::string program = dir + "/my editor";
    std::ofstream(program) << "#!/bin/sh\n";
    fs::permissions(program, fs::perms::owner_all);

    EXPECT_EQ(EditorLaunchArguments("\"" + program + "\" -w \"%1\"", "/p.htm"),
              (Args{program, "-w", "/p.htm"}));
    EXPECT_TRUE(EditorLaunchArguments(dir + "/missing %1", "/p.htm").empty());
    fs::remove_all(dir);
}
