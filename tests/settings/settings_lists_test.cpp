#include "settings/settings_lists.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

using namespace parvane;

TEST(LanguageList, HoldsTheHundredAndTwentyTwoIdentifiersInOrder) {
    const auto& list = LanguageList();
    ASSERT_EQ(list.size(), 122u);
    EXPECT_EQ(list.front(), "0x0436 Afrikaans");
    EXPECT_EQ(list[34], "0x0409 English (United States)");
    EXPECT_EQ(list.back(), "0x0435 Zulu");
    const std::regex form("0x[0-9A-F]{4} .+");
    std::set<std::string> ids;
    for (const std::string& entry : list) {
        EXPECT_TRUE(std::regex_match(entry, form)) << entry;
        ids.insert(LanguageOfEntry(entry));
    }
    EXPECT_EQ(ids.size(), list.size());
}

TEST(LanguageList, StoresTheIdentifierAndFindsEntriesByIt) {
    EXPECT_EQ(LanguageOfEntry("0x0409 English (United States)"), "0x0409");
    EXPECT_EQ(LanguageList()[static_cast<std::size_t>(DefaultLanguageIndex())],
              SettingsTexts::DefaultLanguage);
    EXPECT_EQ(LanguageList()[static_cast<std::size_t>(FindLanguageEntry("0x040c"))],
              "0x040C French (France)");
    EXPECT_EQ(FindLanguageEntry("0x7777"), -1);
    EXPECT_EQ(FindLanguageEntry(""), -1);
}

TEST(EncodingList, StoresThePartAfterTheSemicolonWithItsBlank) {
    const auto& list = EncodingList();
    ASSERT_EQ(list.size(), 28u);
    EXPECT_EQ(list.front(), "Arabic; Windows-1256");
    EXPECT_EQ(list.back(), "<None>; ");
    EXPECT_EQ(EncodingOfEntry("Western(Windows-1252); Windows-1252"), " Windows-1252");
    EXPECT_EQ(EncodingOfEntry("<None>; "), " ");
    EXPECT_EQ(list[static_cast<std::size_t>(DefaultEncodingIndex())],
              SettingsTexts::DefaultEncoding);
}

TEST(EncodingList, FindsEntriesByTheirTrimmedCharset) {
    const int western = DefaultEncodingIndex();
    EXPECT_EQ(FindEncodingEntry(" Windows-1252"), western);
    EXPECT_EQ(FindEncodingEntry("windows-1252"), western); // as a reloaded project holds it
    EXPECT_EQ(FindEncodingEntry(""), 27);
    EXPECT_EQ(FindEncodingEntry(" "), 27);
    EXPECT_EQ(
        EncodingOfEntry(EncodingList()[static_cast<std::size_t>(FindEncodingEntry("iso-8869-4"))]),
        " iso-8859-4");
    EXPECT_EQ(FindEncodingEntry("ebcdic"), -1);
}

TEST(SettingsForm, OkStoresWhatTheControlsShow) {
    TProjectSettings settings;
    settings.Title = "Old";
    TSettingsForm form = SettingsToForm(settings);
    form.Title = "  Manual  ";
    form.RootDir = " /home/me/help ";
    form.Encoding = static_cast<int>(EncodingList().size()) - 1; // "<None>; "
    form.Language = FindLanguageEntry("0x0419");
    form.HtmlHelpTitleSame = true;
    form.HtmlHelpTitle = "ignored while same";
    form.WebHelpTitleSame = false;
    form.WebHelpTitle = " Web ";
    form.HtmlHelpTemplate = "tpl\\main.htm";
    form.WebHelpTemplateSame = true;
    form.DefaultTopic = "intro.htm";
    form.WebHelpDefaultSame = true;
    FormToSettings(form, settings);
    EXPECT_EQ(settings.Title, "Manual");
    EXPECT_EQ(settings.RootDir, "/home/me/help/");
    EXPECT_EQ(settings.Encoding, " ");
    EXPECT_EQ(settings.Language, "0x0419");
    EXPECT_EQ(settings.HtmlHelpTitle, "Manual");
    EXPECT_EQ(settings.WebHelpTitle, "Web");
    EXPECT_FALSE(settings.WebHelpTilteSame);
    EXPECT_EQ(settings.WebHelpTemplate, "tpl\\main.htm");
    EXPECT_EQ(settings.WebHelpDefault, "intro.htm");
}

TEST(SettingsForm, ValuesTheListsDoNotHoldAreKept) {
    TProjectSettings settings;
    settings.Language = "0x7777";
    settings.Encoding = "ebcdic";
    const TSettingsForm form = SettingsToForm(settings);
    EXPECT_EQ(form.Language, -1);
    EXPECT_EQ(form.Encoding, -1);
    TProjectSettings written;
    FormToSettings(form, written);
    EXPECT_EQ(written.Language, "0x7777");
    EXPECT_EQ(written.Encoding, "ebcdic");
}

TEST(SettingsForm, EnablingFollowsTheSameAsBoxesAndCustomPage) {
    TSettingsForm form;
    form.Title = "T";
    form.HtmlHelpTitle = "H";
    form.HtmlHelpTemplate = "h.htm";
    form.WebHelpTemplate = "w.htm";
    form.DefaultTopic = "d.htm";
    form.WebHelpDefault = "wd.htm";
    form.DefaultTemplate = true;
    TSettingsEnabling e = SettingsEnabling(form);
    EXPECT_FALSE(e.HtmlHelpTitle);
    EXPECT_EQ(e.HtmlHelpTitleText, "T");
    EXPECT_FALSE(e.WebHelpTemplate);
    EXPECT_EQ(e.WebHelpTemplateText, "h.htm");
    EXPECT_EQ(e.WebHelpDefaultText, "d.htm");
    EXPECT_FALSE(e.CustomPage);

    form.HtmlHelpTitleSame = form.WebHelpTemplateSame = form.WebHelpDefaultSame = false;
    form.DefaultTemplate = false;
    e = SettingsEnabling(form);
    EXPECT_TRUE(e.HtmlHelpTitle);
    EXPECT_EQ(e.HtmlHelpTitleText, "H");
    EXPECT_EQ(e.WebHelpTemplateText, "w.htm");
    EXPECT_EQ(e.WebHelpDefaultText, "wd.htm");
    EXPECT_TRUE(e.CustomPage);
}
