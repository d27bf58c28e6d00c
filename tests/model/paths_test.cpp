#include "../support/test_project.h"
#include "model/paths.h"
#include "model/text_file.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace parvane;
namespace fs = std::filesystem;

namespace {

using parvane::testing::TempDir;

} // namespace

TEST(Paths, AbsoluteMeansRootUncOrColon) {
    EXPECT_TRUE(Paths::IsAbsolute("/home/x"));
    EXPECT_TRUE(Paths::IsAbsolute("\\\\server\\share"));
    EXPECT_TRUE(Paths::IsAbsolute("c:\\help"));
    EXPECT_TRUE(Paths::IsAbsolute("http://example.org/a.htm"));
    EXPECT_FALSE(Paths::IsAbsolute("sub\\page.htm"));
    EXPECT_FALSE(Paths::IsAbsolute(""));
}

TEST(Paths, FileNameParts) {
    EXPECT_EQ(Paths::ExtractFilePath("a\\b/c.htm"), "a\\b/");
    EXPECT_EQ(Paths::ExtractFilePath("c.htm"), "");
    EXPECT_EQ(Paths::ExtractFileName("a/b\\c.htm"), "c.htm");
    EXPECT_EQ(Paths::ExtractFileExt("a.b/c"), "");
    EXPECT_EQ(Paths::ExtractFileExt("a/c.HTML"), ".HTML");
    EXPECT_EQ(Paths::ChangeFileExt("a/c.htm", ".chm"), "a/c.chm");
    EXPECT_EQ(Paths::ChangeFileExt("a.d/c", ".chm"), "a.d/c.chm");
    EXPECT_EQ(Paths::IncludeTrailingSlash("a\\"), "a/");
    EXPECT_EQ(Paths::IncludeTrailingSlash("a"), "a/");
    EXPECT_EQ(Paths::IncludeTrailingSlash(""), "");
    EXPECT_EQ(Paths::ExcludeTrailingSlash("/a/b//"), "/a/b");
    EXPECT_EQ(Paths::ExcludeTrailingSlash("/"), "/");
}

TEST(Paths, RelativePathClimbsWithDotDot) {
    EXPECT_EQ(Paths::RelativePath("/p/tpl/img/a.gif", "/p/docs/sub/"), "../../tpl/img/a.gif");
    EXPECT_EQ(Paths::RelativePath("/p/img/a.gif", "/p/"), "img/a.gif");
    EXPECT_EQ(Paths::RelativePath("/p/sibling/a.htm", "/p/docs"), "../sibling/a.htm");
    EXPECT_EQ(Paths::RelativePath("/P/Docs/a.htm", "/p/docs/"), "a.htm") << "folders without case";
    EXPECT_EQ(Paths::RelativePath("/p/a.htm", "/p/a.htm/"), "../a.htm");
    EXPECT_EQ(Paths::RelativePath("/p/x/../a.htm", "/p/"), "a.htm");
}

TEST(Paths, UrlsAndRoots) {
    EXPECT_EQ(Paths::UrlToPath("/root/", "sub\\a.htm"), "/root/sub/a.htm");
    EXPECT_EQ(Paths::UrlToPath("/root", "a.htm"), "/root/a.htm");
    EXPECT_EQ(Paths::UrlToPath("/root/", "/elsewhere/a.htm"), "/elsewhere/a.htm");
    EXPECT_EQ(Paths::PathToUrl("/root/", "/ROOT/sub/a.htm"), "sub\\a.htm");
    EXPECT_EQ(Paths::PathToUrl("/root/", "/other/a.htm"), "/other/a.htm");
    EXPECT_TRUE(Paths::IsBelow("/Root/x", "/root"));
    EXPECT_FALSE(Paths::IsBelow("/rootx/y", "/root"));
}

TEST(Paths, ExistingFilesResolveWithoutRegardToCase) {
    TempDir dir;
    fs::create_directories(dir / "Images/Sub");
    std::ofstream(dir / "Images/Sub/Logo.GIF") << "x";
    EXPECT_EQ(Paths::ResolveExisting(dir / "images/sub/logo.gif"), dir / "Images/Sub/Logo.GIF");
    EXPECT_EQ(Paths::ResolveExisting(dir.Folder() + "IMAGES\\sub\\LOGO.gif"),
              dir / "Images/Sub/Logo.GIF");
    EXPECT_TRUE(Paths::FileExists(dir / "images/SUB/logo.gif"));
    EXPECT_FALSE(Paths::FileExists(dir / "images/sub"));
    EXPECT_TRUE(Paths::FolderExists(dir / "images/sub"));
    EXPECT_EQ(Paths::ResolveExisting(dir / "images/none.gif"), "");
    EXPECT_FALSE(Paths::FileExists(dir / "http:/example.org/a.htm"));
}

TEST(Paths, ProgramAndConfigFoldersFollowTheEnvironment) {
    const char* oldData = std::getenv("PARVANE_DATA_DIR");
    const std::string saved = oldData ? oldData : "";
    setenv("PARVANE_DATA_DIR", "/opt/pv/data/", 1);
    EXPECT_EQ(Paths::AppDir(), "/opt/pv/data");
    if (oldData)
        setenv("PARVANE_DATA_DIR", saved.c_str(), 1);
    else
        unsetenv("PARVANE_DATA_DIR");

    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(Paths::UserConfigDir(), "/tmp/cfg/parvane/");
    if (oldXdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(TextCodec, DeclaredCharsetOfBothMetaForms) {
    using TextCodec::DeclaredCharset;
    EXPECT_EQ(DeclaredCharset("<META charset=\"ISO-8859-2\">"), "ISO-8859-2");
    EXPECT_EQ(DeclaredCharset("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                              "charset=windows-1251\">"),
              "windows-1251");
    EXPECT_EQ(DeclaredCharset("<meta name=\"x\"><p>charset=utf-8</p>"), "");
}

TEST(TextCodec, DecodeAndEncodeRoundTrip) {
    using namespace TextCodec;
    EXPECT_EQ(ToUtf8("\xc0\xe1", "koi8-r"), "юА");
    EXPECT_EQ(FromUtf8("Привет", "Windows-1251"), "\xcf\xf0\xe8\xe2\xe5\xf2");
    EXPECT_EQ(FromUtf8("a€b", "iso-8859-2"), "a&#8364;b");
    EXPECT_EQ(FromUtf8("a€b", "iso-8859-2", false), "a?b");
    EXPECT_EQ(FromUtf8("日本語", "shift_jis"), "\x93\xfa\x96\x7b\x8c\xea");
    EXPECT_EQ(FromUtf8("é", " "), "é") << "a blank charset writes UTF-8";
    EXPECT_EQ(DecodePage("\xEF\xBB\xBFhi"), "hi");
    EXPECT_EQ(DecodePage("<meta charset=utf-8>caf\xe9"), "<meta charset=utf-8>café")
        << "a wrong UTF-8 declaration falls back to Windows-1252";
    EXPECT_EQ(DecodePage("caf\xe9", "no-such-charset"), "café");
    EXPECT_FALSE(IsValidUtf8("\xc0\x80")) << "overlong";
    EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80")) << "surrogate";
    EXPECT_TRUE(IsValidUtf8("ok ✓"));
}

TEST(TextCodec, CodePageOfLanguage) {
    using TextCodec::CodePageOfLanguage;
    EXPECT_EQ(CodePageOfLanguage("0x0409"), "CP1252");
    EXPECT_EQ(CodePageOfLanguage("0x0419"), "CP1251");
    EXPECT_EQ(CodePageOfLanguage("0x0411"), "CP932");
    EXPECT_EQ(CodePageOfLanguage("0x0804"), "CP936");
    EXPECT_EQ(CodePageOfLanguage("0x0404"), "CP950");
    EXPECT_EQ(CodePageOfLanguage("0x0405"), "CP1250");
    EXPECT_EQ(CodePageOfLanguage("garbage"), "CP1252");
    EXPECT_EQ(CodePageOfLanguage(""), "CP1252");
}
