#include "model/errors.h"
#include "model/ini_file.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

using namespace parvane;

namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("parvane-ini-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const auto path = folder / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

} // namespace

TEST(IniFile, StripsBlanksAndControlCharactersAtBothEnds) {
    const TIniFile ini = TIniFile::FromText(" \t[ Sec ]\x01 \r\n"
                                            "\t Key \x1f=  value with  inner  blanks \x7f\t\r\n"
                                            "  Other=\r\n");
    ASSERT_TRUE(ini.HasSection("Sec"));
    EXPECT_EQ(ini.Sections(), std::vector<std::string>{"Sec"});
    EXPECT_EQ(ini.Value("Sec", "Key"), "value with  inner  blanks");
    EXPECT_EQ(ini.Value("Sec", "Other"), "");
    EXPECT_EQ(ini.Value("Sec", "Missing"), std::nullopt);
}

TEST(IniFile, SkipsCommentsEmptyLinesAndLinesBeforeTheFirstSection) {
    const TIniFile ini = TIniFile::FromText("Orphan=1\r\n"
                                            "; a comment=1\r\n"
                                            "\r\n"
                                            "[A]\r\n"
                                            "   ;Indented=1\r\n"
                                            "no equals sign here\r\n"
                                            "Key=1\r\n");
    EXPECT_EQ(ini.Sections(), std::vector<std::string>{"A"});
    EXPECT_EQ(ini.SectionValues("A"),
              (std::vector<std::pair<std::string, std::string>>{{"Key", "1"}}));
    EXPECT_FALSE(ini.Value("A", "Orphan"));
    EXPECT_FALSE(ini.Value("A", ";Indented"));
}

TEST(IniFile, MatchesWithoutCaseAndTheFirstKeyWins) {
    const TIniFile ini = TIniFile::FromText("[General]\nTitle=first\nTITLE=second\n"
                                            "[Other]\nTitle=other\n"
                                            "[GENERAL]\ntitle=third\nLate=yes\n");
    EXPECT_EQ(ini.ReadString("general", "title", "-"), "first");
    EXPECT_EQ(ini.ReadString("GENERAL", "TiTlE", "-"), "first");
    EXPECT_EQ(ini.ReadString("other", "TITLE", "-"), "other");
    // A section named twice continues the first one.
    EXPECT_EQ(ini.ReadString("General", "late", "-"), "yes");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"General", "Other"}));
    EXPECT_EQ(ini.SectionValues("general").front().first, "Title");
}

TEST(IniFile, LargeSectionsKeepTheFirstOfEachNameInFileOrder) {
    // Large enough for the index to be built in table order rather than file order.
    std::string text = "[Big]\n";
    for (int i = 0; i < 20000; ++i)
        text += "Key" + std::to_string(i) + "=first " + std::to_string(i) + "\n";
    for (int i = 19999; i >= 0; i -= 3)
        text += "KEY" + std::to_string(i) + "=second\n";
    text += "[Other]\nKey5=other\n[BIG]\nkey7=third\nLate=late\n";
    const TIniFile ini = TIniFile::FromText(text);
    for (int i : {0, 1, 7, 9999, 19999})
        EXPECT_EQ(ini.ReadString("big", "key" + std::to_string(i), ""),
                  "first " + std::to_string(i));
    EXPECT_EQ(ini.ReadString("big", "late", ""), "late");
    EXPECT_EQ(ini.ReadString("other", "key5", ""), "other");
    EXPECT_FALSE(ini.Value("big", "key20000"));
    const auto values = ini.SectionValues("Big");
    ASSERT_EQ(values.size(), 20001u);
    EXPECT_EQ(values[123], (std::pair<std::string, std::string>{"Key123", "first 123"}));
    EXPECT_EQ(values.back().first, "Late");

    // Reading in file order with a hint gives the same answers, duplicates skipped.
    std::size_t hint = 0;
    EXPECT_EQ(ini.FindNear("Big", "Key0", hint), "first 0");
    EXPECT_EQ(ini.FindNear("Big", "Key1", hint), "first 1");
    hint = 20000; // the first "KEY19999=second" line, a duplicate
    EXPECT_EQ(ini.FindNear("Big", "key19999", hint), "first 19999");
    hint = 999999;
    EXPECT_EQ(ini.FindNear("Big", "Key42", hint), "first 42");
}

TEST(IniFile, ValueSplitsAtTheFirstEqualsSign) {
    const TIniFile ini = TIniFile::FromText("[S]\nTitle= a = b =\n=empty key\n");
    EXPECT_EQ(ini.Value("S", "Title"), "a = b =");
    EXPECT_EQ(ini.Value("S", ""), "empty key");
}

TEST(IniFile, AcceptsEveryLineEnd) {
    const TIniFile ini = TIniFile::FromText("[S]\r\nA=1\rB=2\nC=3\r\n\r\rD=4");
    EXPECT_EQ(ini.ReadInteger("S", "A", 0), 1);
    EXPECT_EQ(ini.ReadInteger("S", "B", 0), 2);
    EXPECT_EQ(ini.ReadInteger("S", "C", 0), 3);
    EXPECT_EQ(ini.ReadInteger("S", "D", 0), 4);
    EXPECT_EQ(ini.SectionValues("S").size(), 4u);
}

TEST(IniFile, ReadsDecimalAndHexIntegersAndFallsBackOnAnythingElse) {
    const TIniFile ini = TIniFile::FromText("[S]\ndec=42\nneg=-7\nplus=+3\nhex=0x1F\nHEX=0X0a\n"
                                            "allbits=0xFFFFFFFF\nbig=2147483648\nmin=-2147483648\n"
                                            "junk=12abc\nhalf=0x\nempty=\nspace=1 2\nfloat=1.5\n"
                                            "dollar=$10\nlonghex=0x100000000\n"
                                            "int64min=-9223372036854775808\n"
                                            "beyond64=18446744073709551616\n");
    EXPECT_EQ(ini.ReadInteger("S", "dec", -1), 42);
    EXPECT_EQ(ini.ReadInteger("S", "neg", -1), -7);
    EXPECT_EQ(ini.ReadInteger("S", "plus", -1), 3);
    EXPECT_EQ(ini.ReadInteger("S", "hex", -1), 31);
    EXPECT_EQ(ini.ReadInteger("S", "allbits", 5), -1);
    EXPECT_EQ(ini.ReadInteger("S", "min", 5), INT32_MIN);
    for (const char* bad : {"big", "junk", "half", "empty", "space", "float", "dollar", "longhex",
                            "int64min", "beyond64", "missing"})
        EXPECT_EQ(ini.ReadInteger("S", bad, 99), 99) << bad;
    EXPECT_EQ(ParseIniInteger("0x0a"), 10);
    EXPECT_EQ(ParseIniInteger("--1"), std::nullopt);
    EXPECT_EQ(ParseIniInteger("0x-1"), std::nullopt);
}

TEST(IniFile, ReadsAnyNonZeroIntegerAsTrue) {
    const TIniFile ini =
        TIniFile::FromText("[S]\none=1\nzero=0\nminus=-1\nhex=0x10\nword=true\nblank=\n");
    EXPECT_TRUE(ini.ReadBool("S", "one", false));
    EXPECT_FALSE(ini.ReadBool("S", "zero", true));
    EXPECT_TRUE(ini.ReadBool("S", "minus", false));
    EXPECT_TRUE(ini.ReadBool("S", "hex", false));
    // Text that is no integer keeps the default, whichever it is.
    EXPECT_TRUE(ini.ReadBool("S", "word", true));
    EXPECT_FALSE(ini.ReadBool("S", "word", false));
    EXPECT_TRUE(ini.ReadBool("S", "blank", true));
    EXPECT_FALSE(ini.ReadBool("S", "missing", false));
}

TEST(IniFile, FromFileTakesLinesThatAreNotUtf8AsWindows1252) {
    // Lines in UTF-8 and in Windows-1252 (0xE9 = é, 0x80 = €) mixed, with every kind of
    // line end, a BOM first and an 8-bit last line without a line end.
    const std::string path = WriteTemp("mixed.ini", "\xEF\xBB\xBF[S]\r\n"
                                                    "Utf8=caf\xC3\xA9\r\n"
                                                    "Ansi=caf\xE9 \x80\r\n"
                                                    "Plain=ok\r"
                                                    "Lone=\xE9t\xE9\n"
                                                    "\xC9"
                                                    "cole=key\r\n"
                                                    "Last=fin\xE9");
    const TIniFile ini = TIniFile::FromFile(path);
    EXPECT_EQ(ini.ReadString("S", "Utf8", ""), "caf\xC3\xA9");
    EXPECT_EQ(ini.ReadString("S", "Ansi", ""), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(ini.ReadString("S", "Plain", ""), "ok");
    EXPECT_EQ(ini.ReadString("S", "Lone", ""), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(ini.ReadString("S",
                             "\xC3\x89"
                             "cole",
                             ""),
              "key");
    EXPECT_EQ(ini.ReadString("S", "Last", ""), "fin\xC3\xA9");
    EXPECT_EQ(ini.SectionValues("S").size(), 6u);
    std::filesystem::remove(path);
}

TEST(IniFile, FromFileFailsWithAMessageWhenTheFileCannotBeRead) {
    EXPECT_THROW(TIniFile::FromFile("/nonexistent/folder/options.ini"), EParvaneError);
}

TEST(IniFile, SurvivesBinaryAndOverlongInput) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary.push_back(static_cast<char>((i * 131 + 7) % 256));
    const TIniFile noise = TIniFile::FromText(binary);
    (void)noise.Sections();

    // A 10 MB line is read in one piece.
    std::string text = "[S]\nLong=";
    text.append(10 * 1024 * 1024, 'x');
    text.append("\nAfter=1\n");
    const TIniFile ini = TIniFile::FromText(text);
    EXPECT_EQ(ini.ReadString("S", "Long", "").size(), 10u * 1024 * 1024);
    EXPECT_EQ(ini.ReadInteger("S", "After", 0), 1);

    const TIniFile truncated = TIniFile::FromText("[S");
    EXPECT_TRUE(truncated.Sections().empty());
    const TIniFile emptyName = TIniFile::FromText("[]\nA=1\n");
    EXPECT_EQ(emptyName.ReadInteger("", "A", 0), 1);
}

TEST(IniFile, NamesFoldOnlyAsciiLettersWhateverTheirLength) {
    // Names are hashed eight bytes at a time: the letters at every place of a long name
    // fold, and nothing else does (0xC1 and 0xE1 differ by the bit that folds 'A' to 'a').
    const TIniFile ini = TIniFile::FromText("[S]\n"
                                            "A_Long_Key_Name_Of_Many_Words=1\n"
                                            "Key\xC1=upper byte\n"
                                            "Key@[`{=signs\n"
                                            "Caf\xC3\x89=accent\n");
    EXPECT_EQ(ini.ReadString("s", "a_long_key_name_of_many_words", "-"), "1");
    EXPECT_EQ(ini.ReadString("S", "A_LONG_KEY_NAME_OF_MANY_WORDS", "-"), "1");
    EXPECT_EQ(ini.ReadString("S", "A_Long_Key_Name_Of_Many_Word", "-"), "-");
    EXPECT_EQ(ini.ReadString("S", "KEY\xC1", "-"), "upper byte");
    EXPECT_EQ(ini.ReadString("S", "Key\xE1", "-"), "-");
    EXPECT_EQ(ini.ReadString("S", "KEY@[`{", "-"), "signs");
    EXPECT_EQ(ini.ReadString("S", "Key`{@[", "-"), "-");
    EXPECT_EQ(ini.ReadString("S", "CAF\xC3\x89", "-"), "accent");
    EXPECT_EQ(ini.ReadString("S", "caf\xC3\xA9", "-"), "-");
}

TEST(IniFile, LineEndsAreFoundAtEveryPlaceOfALongLine) {
    // Line ends are looked for eight bytes at a time: put each kind at every offset.
    for (const std::string end : {"\r\n", "\r", "\n"}) {
        std::string text = "[S]" + end;
        for (int i = 0; i < 20; ++i)
            text += "k" + std::to_string(i) + "=" + std::string(static_cast<std::size_t>(i), 'v') + end;
        text += "last=" + std::string(13, 'w'); // no line end at all
        const TIniFile ini = TIniFile::FromText(text);
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(ini.ReadString("S", "k" + std::to_string(i), "-"),
                      std::string(static_cast<std::size_t>(i), 'v'))
                << ::testing::PrintToString(end) << " " << i;
        EXPECT_EQ(ini.ReadString("S", "last", "-"), std::string(13, 'w'));
        EXPECT_EQ(ini.SectionValues("S").size(), 21u);
    }
}

TEST(IniFile, KeyLinesComeInFileOrderWithoutTheIndex) {
    const TIniFile ini = TIniFile::FromText("[S]\na=1\nb=2\n[T]\nc=3\n[s]\nA=4\nd=5\n");
    std::vector<std::string> lines;
    ini.ForEachKeyLine("s", [&](std::string_view key, std::string_view value) {
        lines.push_back(std::string(key) + "=" + std::string(value));
    });
    // The section named again continues. The later "A" may come too (after the first) or
    // may have been dropped while reading.
    std::vector<std::string> firsts = lines;
    std::erase(firsts, "A=4");
    EXPECT_EQ(firsts, (std::vector<std::string>{"a=1", "b=2", "d=5"}));
    EXPECT_TRUE(lines.size() == 3 || lines[2] == "A=4");
    bool called = false;
    const auto note = [&](std::string_view, std::string_view) { called = true; };
    ini.ForEachKeyLine("missing", note);
    EXPECT_FALSE(called);
    ini.ForEachKeyLine("T", note);
    EXPECT_TRUE(called);
    // Look-ups after the walk still keep the first of equal names.
    EXPECT_EQ(ini.ReadString("S", "a", "-"), "1");
    EXPECT_EQ(ini.SectionValues("S").size(), 3u);
}
