#include "../support/test_project.h"
#include "model/errors.h"
#include "model/ini_file.h"
#include "settings/app_options.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

using parvane::testing::TempDir;

// Sets an environment variable for one test and puts the old value back.
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

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

TSelectableList List(std::vector<std::string> items, std::vector<bool> selected) {
    TSelectableList list(std::move(items));
    list.Selected = std::move(selected);
    return list;
}

} // namespace

// ---- the font string ---------------------------------------------------------------------------

TEST(SourceFont, StringHoldsNameSizeColourAndStyleLetters) {
    TSourceFont font{"Courier New", 10, 0, true, true, false, false};
    EXPECT_EQ(FontToString(font), "Courier New,10,0,[BI]");
    font = {"Mono", 9, -16777208, true, true, true, true};
    EXPECT_EQ(FontToString(font), "Mono,9,-16777208,[BIUS]");
    font.Bold = font.Italic = font.Underline = font.StrikeOut = false;
    EXPECT_EQ(FontToString(font), "Mono,9,-16777208,[]");
}

TEST(SourceFont, OnlyFourPartsAreApplied) {
    TSourceFont font;
    ASSERT_TRUE(ApplyFontString("Courier New,12,255,[SxB]", font));
    EXPECT_EQ(font, (TSourceFont{"Courier New", 12, 255, true, false, false, true}));

    const TSourceFont before = font;
    // A face with a comma gives five parts and cannot be stored.
    EXPECT_FALSE(ApplyFontString("Foundry, Inc,10,0,[B]", font));
    EXPECT_FALSE(ApplyFontString("Arial,10,0", font));
    EXPECT_FALSE(ApplyFontString("", font));
    EXPECT_EQ(font, before);

    // A size or colour that is not a decimal integer keeps the font's own.
    ASSERT_TRUE(ApplyFontString("Serif,big,0x10,[I]", font));
    EXPECT_EQ(font, (TSourceFont{"Serif", 12, 255, false, true, false, false}));
}

TEST(SourceFont, ColourValuesKeepRedInTheLowByte) {
    EXPECT_EQ(ColorValueFromRgb(255, 0, 0), 0xFF);
    EXPECT_EQ(ColorValueFromRgb(0, 0, 255), 0xFF0000);
    int r = 0, g = 0, b = 0;
    ASSERT_TRUE(ColorValueToRgb(0x123456, r, g, b));
    EXPECT_EQ(r, 0x56);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x12);
    EXPECT_FALSE(ColorValueToRgb(-16777208, r, g, b));
}

// ---- options.ini -----------------------------------------------------------------------------

TEST(OptionsFile, WrittenWholeInItsOrderWithAnEmptyLineAfterEachSection) {
    TempDir dir;
    const std::string path = dir.Folder() + "options.ini";
    WriteAll(path, "[ExternalEditor]\r\nCount=1\r\nEditor0=/usr/bin/old\r\n[Other]\r\nA=1\r\n"
                   "[General]\r\nPreviewWithTemplate=0\r\n[Zzz]\r\n");
    TAppOptions options = ReadOptionsFile(path);
    EXPECT_FALSE(options.PreviewWithTemplate);
    EXPECT_EQ(options.Editors, (std::vector<std::string>{"/usr/bin/old"}));

    // What OK writes: the dialog's values, the old file's extra sections gone.
    options.SourceFont = "Courier New,10,0,[BI]";
    options.Fonts = {"Arial", "Verdana"};
    options.DefaultEditor = "/usr/bin/gedit";
    options.Editors = {"/usr/bin/gedit", "\"/opt/x y/ed\" \"%1\""};
    SaveOptions(options, path);
    EXPECT_EQ(ReadAll(path), "[General]\r\n"
                             "SourceFont=Courier New,10,0,[BI]\r\n"
                             "PreviewWithTemplate=0\r\n"
                             "\r\n"
                             "[FONTLIST]\r\n"
                             "Count=2\r\n"
                             "Font0=Arial\r\n"
                             "Font1=Verdana\r\n"
                             "\r\n"
                             "[ExternalEditor]\r\n"
                             "Default=/usr/bin/gedit\r\n"
                             "Count=2\r\n"
                             "Editor0=/usr/bin/gedit\r\n"
                             "Editor1=\"/opt/x y/ed\" \"%1\"\r\n"
                             "\r\n");
    EXPECT_EQ(ReadOptionsFile(path), options);
    // Written through a temporary file: nothing else is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Folder()), fs::directory_iterator()), 1);
}

TEST(OptionsFile, MissingOrDamagedFileGivesDefaults) {
    EXPECT_EQ(ReadOptionsFile("/no/such/options.ini"), TAppOptions());
    const TAppOptions defaults;
    EXPECT_TRUE(defaults.PreviewWithTemplate);

    // Counts that are not numbers count 0; a Count beyond the keys held is cut down; keys
    // match without regard to case; a missing key in the middle reads empty.
    const TIniFile ini = TIniFile::FromText("[general]\nsourcefont=X,1,0,[]\n"
                                            "[fontlist]\ncount=1000000000\nfont0=A\nFONT2=C\n"
                                            "[ExternalEditor]\nCount=abc\nEditor0=/x\n");
    const TAppOptions o = ParseOptions(ini);
    EXPECT_EQ(o.SourceFont, "X,1,0,[]");
    EXPECT_EQ(o.Fonts, (std::vector<std::string>{"A", "", "C"}));
    EXPECT_TRUE(o.Editors.empty());
    EXPECT_EQ(ParseOptions(TIniFile::FromText("[FONTLIST]\nCount=-4\n")).Fonts.size(), 0u);
}

TEST(OptionsFile, UserFileWinsOverTheProgramFolderCopy) {
    TempDir dir;
    ScopedEnv config("XDG_CONFIG_HOME", dir.Folder() + "config");
    ScopedEnv data("PARVANE_DATA_DIR", dir.Folder() + "program");
    WriteAll(dir.Folder() + "program/options.ini", "[FONTLIST]\nCount=1\nFont0=FromProgram\n");
    EXPECT_TRUE(IsFirstStart());
    EXPECT_EQ(LoadOptions().Fonts, (std::vector<std::string>{"FromProgram"}));

    TAppOptions mine;
    mine.Fonts = {"Mine"};
    SaveOptions(mine); // the user's folder is created
    EXPECT_EQ(UserOptionsFile(), dir.Folder() + "config/parvane/options.ini");
    EXPECT_FALSE(IsFirstStart());
    EXPECT_EQ(LoadOptions().Fonts, (std::vector<std::string>{"Mine"}));
    EXPECT_EQ(ReadAll(dir.Folder() + "program/options.ini"),
              "[FONTLIST]\nCount=1\nFont0=FromProgram\n");
}

TEST(OptionsFile, AFailedWriteIsReported) {
    TempDir dir;
    WriteAll(dir.Folder() + "file", "x");
    EXPECT_THROW(SaveOptions(TAppOptions(), dir.Folder() + "file/sub/options.ini"), EParvaneError);
}

TEST(OptionsFile, TheShippedCopyIsInTheLayoutTheProgramWrites) {
    const std::string path = std::string(PARVANE_SOURCE_DIR) + "/support/options.ini";
    const TAppOptions shipped = ReadOptionsFile(path);
    EXPECT_FALSE(shipped.Fonts.empty());
    EXPECT_TRUE(shipped.Editors.empty());
    TSourceFont font;
    EXPECT_TRUE(ApplyFontString(shipped.SourceFont, font));
    EXPECT_EQ(ReadAll(path), OptionsToText(shipped));
}

TEST(OptionsFile, FontBoxEndsWithEditList) {
    TAppOptions o;
    EXPECT_EQ(FontBoxItems(o), (std::vector<std::string>{"Edit list..."}));
    o.Fonts = {"Arial"};
    EXPECT_EQ(FontBoxItems(o), (std::vector<std::string>{"Arial", "Edit list..."}));
}

// ---- moving selected rows ----------------------------------------------------------------------

TEST(SelectedRows, UpMovesEachSelectedRowAboveAnUnselectedOne) {
    TSelectableList list = List({"a", "b", "c", "d"}, {true, false, true, true});
    MoveSelectedUp(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"a", "c", "d", "b"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{true, true, true, false}));
    MoveSelectedUp(list); // a selected block at the top stays
    EXPECT_EQ(list.Items, (std::vector<std::string>{"a", "c", "d", "b"}));

    list = List({"a", "b", "c"}, {false, false, true});
    MoveSelectedUp(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{false, true, false}));
}

TEST(SelectedRows, DownMovesEachSelectedRowBelowAnUnselectedOne) {
    TSelectableList list = List({"a", "b", "c", "d"}, {true, false, true, true});
    MoveSelectedDown(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"b", "a", "c", "d"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{false, true, true, true}));

    list = List({"a", "b", "c"}, {true, true, false});
    MoveSelectedDown(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{false, true, true}));
}

TEST(SelectedRows, DeleteSelectsTheRowAtTheFirstDeletedPosition) {
    TSelectableList list = List({"a", "b", "c", "d"}, {false, true, false, true});
    DeleteSelected(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{false, true}));

    list = List({"a", "b", "c"}, {false, true, true});
    DeleteSelected(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"a"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{true}));

    list = List({"a"}, {true});
    DeleteSelected(list);
    EXPECT_TRUE(list.Items.empty());
    list = List({"a"}, {false});
    DeleteSelected(list);
    EXPECT_EQ(list.Items.size(), 1u);
}

TEST(SelectedRows, SortIsAlphabeticalAndTheSelectionFollows) {
    TSelectableList list = List({"verdana", "Arial", "courier"}, {true, false, false});
    SortItems(list);
    EXPECT_EQ(list.Items, (std::vector<std::string>{"Arial", "courier", "verdana"}));
    EXPECT_EQ(list.Selected, (std::vector<bool>{false, false, true}));
}

TEST(FontLists, RowsMoveBetweenTheTwoLists) {
    TSelectableList all = List({"Arial", "Courier", "Times"}, {true, false, true});
    TSelectableList current = List({"Verdana"}, {true});
    MoveRows(all, current, false);
    EXPECT_EQ(all.Items, (std::vector<std::string>{"Courier"}));
    EXPECT_EQ(current.Items, (std::vector<std::string>{"Verdana", "Arial", "Times"}));
    EXPECT_EQ(current.Selected, (std::vector<bool>{false, true, true}));

    // Back into the sorted list of all fonts: in alphabetical order.
    MoveRows(current, all, true, true);
    EXPECT_EQ(all.Items, (std::vector<std::string>{"Arial", "Courier", "Times", "Verdana"}));
    EXPECT_TRUE(current.Items.empty());

    EXPECT_EQ(AvailableFonts({"Verdana", "arial", "Courier"}, {"ARIAL"}),
              (std::vector<std::string>{"Courier", "Verdana"}));
}

// ---- the program path of a command line ------------------------------------------------------

TEST(ExtractProgramPath, QuotesToggleAndABlankOutsideQuotesEndsThePath) {
    EXPECT_EQ(ExtractProgramPath("\"/opt/My Editor/ed\" \"%1\""), "/opt/My Editor/ed");
    EXPECT_EQ(ExtractProgramPath("/usr/bin/gedit %1"), "/usr/bin/gedit");
    EXPECT_EQ(ExtractProgramPath("/usr/bin/gedit"), "/usr/bin/gedit");
    EXPECT_EQ(ExtractProgramPath("/opt/\"My Editor\"/ed -x"), "/opt/My Editor/ed");
    EXPECT_EQ(ExtractProgramPath("  ed"), "ed");
    EXPECT_EQ(ExtractProgramPath(""), "");
}
