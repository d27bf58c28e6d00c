#include "settings/app_options.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string MakeTemp() {
    std::string tmpl = (fs::temp_directory_path() / "pv-detect-XXXXXX").string();
    return std::string(mkdtemp(tmpl.data())) + "/";
}

// A desktop with application entries in three data folders and programs in its own bin/.
class Desktop : public ::testing::Test {
protected:
    Desktop()
        : root_(MakeTemp()), home_("XDG_DATA_HOME", root_ + "home"),
          dirs_("XDG_DATA_DIRS", root_ + "sys1:" + root_ + "sys2"),
          path_("PATH", root_ + "bin:/usr/bin:/bin") {
        for (const char* program : {"htmled", "gedit", "kate", "bluefish", "text pad", "web"})
            Program(program);
        Entry("sys1", "htmled.desktop",
              "Name=HTML Ed\nIcon=htmled\nExec=htmled %U\n"
              "MimeType=text/html;text/plain;\n");
        Entry("sys1", "pad.desktop",
              "Name=Pad\nExec=\"" + Bin("text pad") + "\" --new-window %f\nMimeType=text/html\n");
        Entry("sys1", "web.desktop",
              "Name=Web\nExec=web %u\nCategories=Network;WebBrowser;\n"
              "MimeType=text/html;\n");
        Entry("sys1", "viewer.desktop", "Name=Viewer\nExec=htmled %f\nMimeType=image/png;\n");
        Entry("sys1", "ghost.desktop", "Name=Ghost\nExec=/no/such/ghost %u\nMimeType=text/html\n");
        Entry("sys1", "tryexec.desktop",
              "Name=Try\nTryExec=/no/such/try\nExec=gedit %U\n"
              "MimeType=text/html\n");
        Entry("sys1", "vendor/kate.desktop", "Name=Kate\nExec=kate -b %U\nMimeType=text/html\n");
        // The user's hidden entry hides the system's entry of the same id.
        Entry("home", "bluefish.desktop", "Name=Bluefish\nExec=bluefish %F\nHidden=true\n");
        Entry("sys2", "bluefish.desktop", "Name=Bluefish\nExec=bluefish %F\nMimeType=text/html\n");
        Entry("sys2", "gedit.desktop",
              "Name=Text Editor\nIcon=gedit\nExec=gedit %U\n"
              "MimeType=text/plain;text/html;\n");
        Entry("sys2", "htmled.desktop", "Name=Shadowed\nExec=htmled %U\nMimeType=text/html\n");
    }
    ~Desktop() override { fs::remove_all(root_); }

    std::string Bin(const std::string& name) const { return root_ + "bin/" + name; }
    void Program(const std::string& name) const {
        fs::create_directories(root_ + "bin");
        std::ofstream(Bin(name)) << "#!/bin/sh\n";
        fs::permissions(Bin(name), fs::perms::owner_all);
    }
    void Entry(const std::string& dataDir, const std::string& id, const std::string& body) const {
        const fs::path file = root_ + dataDir + "/applications/" + id;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "[Desktop Entry]\nType=Application\n"
                            << body << "\n[Desktop Action other]\nExec=never %u\n";
    }

    std::string root_;
    ScopedEnv home_, dirs_, path_;
};

} // namespace

TEST_F(Desktop, DetectionFindsHtmlHandlersButNoBrowsersOrHiddenEntries) {
    std::vector<std::string> found;
    DetectHtmlEditors(".htm", found);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"\"" + Bin("text pad") + "\" --new-window %1",
                                               "/no/such/ghost", Bin("gedit"), Bin("htmled"),
                                               Bin("kate") + " -b %1"}));
    std::vector<std::string> none;
    DetectHtmlEditors(".txt", none);
    EXPECT_TRUE(none.empty());
}

TEST_F(Desktop, EditorsFoundUnderHtmAndHtmlAreStoredOnce) {
    const std::string options = root_ + "config/options.ini";
    const TAppOptions stored = DetectAndStoreEditors(options);
    const std::vector<std::string> expected = {"\"" + Bin("text pad") + "\" --new-window %1",
                                               Bin("gedit"), Bin("htmled"), Bin("kate") + " -b %1"};
    EXPECT_EQ(stored.Editors, expected);
    EXPECT_EQ(stored.DefaultEditor, Bin("kate") + " -b %1"); // the last known text editor
    EXPECT_EQ(ReadOptionsFile(options), stored);
}

TEST_F(Desktop, AWellKnownHtmlEditorBecomesTheDefault) {
    const TDetectedEditors chosen =
        ChooseDetectedEditors({Bin("kate"), Bin("bluefish"), Bin("gedit"), Bin("gedit")});
    EXPECT_EQ(chosen.Editors,
              (std::vector<std::string>{Bin("bluefish"), Bin("gedit"), Bin("kate")}));
    EXPECT_EQ(chosen.Default, Bin("bluefish"));
    EXPECT_EQ(ChooseDetectedEditors({Bin("htmled")}).Default, "");
}

TEST_F(Desktop, DetectButtonAppendsOnlyNewEditorsThatExist) {
    std::vector<std::string> list = {Bin("gedit")};
    EXPECT_EQ(AppendDetectedEditors(
                  list, {Bin("gedit"), "/no/such/ghost %1", Bin("htmled"), Bin("htmled")}),
              1);
    EXPECT_EQ(list, (std::vector<std::string>{Bin("gedit"), Bin("htmled")}));
}

TEST_F(Desktop, ExecLinesBecomeEditorEntries) {
    EXPECT_EQ(DesktopExecToEntry("gedit %U", "Text Editor", "/x.desktop"), Bin("gedit"));
    EXPECT_EQ(DesktopExecToEntry("\"/opt/My Ed/ed\" --file=%f", "", ""),
              "\"/opt/My Ed/ed\" --file=%1");
    EXPECT_EQ(DesktopExecToEntry("myed %i --name %c --from %k %d 100%%", "My Ed", "/a.desktop"),
              "myed --name \"My Ed\" --from /a.desktop 100%");
    EXPECT_EQ(DesktopExecToEntry("myed\\s--x %u", "", ""), "myed --x %1");
    EXPECT_EQ(DesktopExecToEntry("sh -c \"echo \\\"x\\\"\" %f", "", ""), "");
    EXPECT_EQ(DesktopExecToEntry("", "", ""), "");
}

TEST_F(Desktop, DescriptionAndIconComeFromTheApplicationEntry) {
    EXPECT_EQ(GetProgramDescription(Bin("htmled")), "HTML Ed");
    EXPECT_EQ(GetProgramDescription("/usr/bin/nothing-like-it"), "");
    const TEditorInfo gedit = DescribeEditor(Bin("gedit"));
    EXPECT_EQ(gedit.Description, "Text Editor");
    EXPECT_EQ(gedit.IconName, "gedit");
    // An entry written by hand still finds the application that runs its program.
    EXPECT_EQ(DescribeEditor("\"" + Bin("gedit") + "\" --standalone \"%1\"").Description,
              "Text Editor");
    EXPECT_EQ(EditorMenuCaption(Bin("htmled"), "HTML Ed"), "Edit with HTML Ed");
    EXPECT_EQ(EditorMenuCaption(Bin("text pad") + " %1", ""), "Edit with text");
    EXPECT_EQ(EditorMenuCaption("\"" + Bin("text pad") + "\" %1", ""), "Edit with text pad");
}

TEST_F(Desktop, BareProgramNamesAreFoundOnThePath) {
    EXPECT_EQ(EditorProgramPath("gedit %1"), Bin("gedit"));
    EXPECT_TRUE(EditorProgramExists("gedit"));
    EXPECT_FALSE(EditorProgramExists("no-such-editor-anywhere"));
    EXPECT_EQ(EditorProgramPath(""), "");
}
