#include "settings/settings_lists.h"

#include "model/paths.h"
#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace SF = StringFunc;

const std::vector<std::string>& LanguageList() {
    // clang-format off
    static const std::vector<std::string> list = {
    "0x0436 Afrikaans",
    "0x041C Albanian",
    "0x0001 Arabic",
    "0x0401 Arabic (Saudi Arabia)",
    "0x0801 Arabic (Iraq)",
    "0x0C01 Arabic (Egypt)",
    "0x1001 Arabic (Libya)",
    "0x1401 Arabic (Algeria)",
    "0x1801 Arabic (Morocco)",
    "0x1C01 Arabic (Tunisia)",
    "0x2001 Arabic (Oman)",
    "0x2401 Arabic (Yemen)",
    "0x2801 Arabic (Syria)",
    "0x2C01 Arabic (Jordan)",
    "0x3001 Arabic (Lebanon)",
    "0x3401 Arabic (Kuwait)",
    "0x3801 Arabic (U.A.E.)",
    "0x3C01 Arabic (Bahrain)",
    "0x4001 Arabic (Qatar)",
    "0x042D Basque",
    "0x0402 Bulgarian",
    "0x0423 Belarusian",
    "0x0403 Catalan",
    "0x0004 Chinese",
    "0x0404 Chinese (Taiwan)",
    "0x0804 Chinese (China)",
    "0x0C04 Chinese (Hong Kong SAR)",
    "0x1004 Chinese (Singapore)",
    "0x041A Croatian",
    "0x0405 Czech",
    "0x0406 Danish",
    "0x0413 Dutch (Netherlands)",
    "0x0813 Dutch (Belgium)",
    "0x0009 English",
    "0x0409 English (United States)",
    "0x0809 English (United Kingdom)",
    "0x0C09 English (Australia)",
    "0x1009 English (Canada)",
    "0x1409 English (New Zealand)",
    "0x1809 English (Ireland)",
    "0x1C09 English (South Africa)",
    "0x2009 English (Jamaica)",
    "0x2809 English (Belize)",
    "0x2C09 English (Trinidad)",
    "0x0425 Estonian",
    "0x0438 Faeroese",
    "0x0429 Farsi",
    "0x040B Finnish",
    "0x040C French (France)",
    "0x080C French (Belgium)",
    "0x0C0C French (Canada)",
    "0x100C French (Switzerland)",
    "0x140C French (Luxembourg)",
    "0x043C Gaelic",
    "0x0407 German (Germany)",
    "0x0807 German (Switzerland)",
    "0x0C07 German (Austria)",
    "0x1007 German (Luxembourg)",
    "0x1407 German (Liechtenstein)",
    "0x0408 Greek",
    "0x040D Hebrew",
    "0x0439 Hindi",
    "0x040E Hungarian",
    "0x040F Icelandic",
    "0x0421 Indonesian",
    "0x0410 Italian (Italy)",
    "0x0810 Italian (Switzerland)",
    "0x0411 Japanese",
    "0x0412 Korean",
    "0x0426 Latvian",
    "0x0427 Lithuanian",
    "0x042F FYRO Macedonian",
    "0x043E Malay (Malaysia)",
    "0x043A Maltese",
    "0x0414 Norwegian (Bokmal)",
    "0x0814 Norwegian (Nynorsk)",
    "0x0415 Polish",
    "0x0416 Portuguese (Brazil)",
    "0x0816 Portuguese (Portugal)",
    "0x0417 Rhaeto-Romanic",
    "0x0418 Romanian",
    "0x0818 Romanian (Moldova)",
    "0x0419 Russian",
    "0x0819 Russian (Moldova)",
    "0x0C1A Serbian (Cyrillic)",
    "0x081A Serbian (Latin)",
    "0x041B Slovak",
    "0x0424 Slovenian",
    "0x042E Sorbian",
    "0x040A Spanish (Traditional Sort)",
    "0x080A Spanish (Mexico)",
    "0x0C0A Spanish (International Sort)",
    "0x100A Spanish (Guatemala)",
    "0x140A Spanish (Costa Rica)",
    "0x180A Spanish (Panama)",
    "0x1C0A Spanish (Dominican Republic)",
    "0x200A Spanish (Venezuela)",
    "0x240A Spanish (Colombia)",
    "0x280A Spanish (Peru)",
    "0x2C0A Spanish (Argentina)",
    "0x300A Spanish (Ecuador)",
    "0x340A Spanish (Chile)",
    "0x380A Spanish (Uruguay)",
    "0x3C0A Spanish (Paraguay)",
    "0x400A Spanish (Bolivia)",
    "0x440A Spanish (El Salvador)",
    "0x480A Spanish (Honduras)",
    "0x4C0A Spanish (Nicaragua)",
    "0x500A Spanish (Puerto Rico)",
    "0x0430 Sutu",
    "0x041D Swedish",
    "0x081D Swedish (Finland)",
    "0x041E Thai",
    "0x0431 Tsonga",
    "0x0432 Tswana",
    "0x041F Turkish",
    "0x0422 Ukrainian",
    "0x0420 Urdu",
    "0x042A Vietnamese",
    "0x0434 Xhosa",
    "0x043D Yiddish",
    "0x0435 Zulu",
    };
    // clang-format on
    return list;
}

std::string LanguageOfEntry(std::string_view entry) {
    return std::string(entry.substr(0, entry.find(' ')));
}

int FindLanguageEntry(std::string_view language) {
    const std::string id = SF::Trim(language);
    if (id.empty())
        return -1;
    const auto& list = LanguageList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (SF::SameText(LanguageOfEntry(list[i]), id))
            return static_cast<int>(i);
    }
    return -1;
}

int DefaultLanguageIndex() {
    return FindLanguageEntry("0x0409");
}

const std::vector<std::string>& EncodingList() {
    // clang-format off
    static const std::vector<std::string> list = {
    "Arabic; Windows-1256",
    "Baltic (ISO); iso-8859-4",
    "Baltic (Windows); Windows-1257",
    "Central European (ISO); iso-8859-2",
    "Central European (Windows); Windows-1250",
    "Cyrillic (ISO); iso_8859-5",
    "Cyrillic (KOI8-R); koi8-r",
    "Cyrillic (Windows); Windows-1251",
    "Greek (ISO); iso-8859-7",
    "Greek (Windows); Windows-1253",
    "Hebrew (ISO-Visual); iso-8859-8",
    "Hebrew (ISO-logical); Windows-1255",
    "Japanese (EUC); x-euc-jp",
    "Japanese (JIS); iso-2022-jp",
    "Japanese (Shift-JIS); shift_jis",
    "Korean (ISO); ISO-2022-KR",
    "Korean (KSC5601); ks_c_5601-1987",
    "Simplified Chinese (GB2312); gb2312",
    "Traditional Chinese (BIG5); big5",
    "Thai; Windows-874",
    "Turkish (ISO); iso-8859-9",
    "Turkish (Windows); Windows-1254",
    "Unicode UTF-7; UNICODE-1-1-UTF-7",
    "Unicode UTF-8; UTF-8",
    "Vietnamese; Windows-1258",
    "Western(iso-8859-1); iso-8859-1",
    "Western(Windows-1252); Windows-1252",
    "<None>; ",
    };
    // clang-format on
    return list;
}

std::string EncodingOfEntry(std::string_view entry) {
    const std::size_t semicolon = entry.find(';');
    return semicolon == std::string_view::npos ? std::string()
                                               : std::string(entry.substr(semicolon + 1));
}

int FindEncodingEntry(std::string_view encoding) {
    std::string charset = SF::Trim(encoding);
    // Names that projects written with the first version of the list may hold.
    if (SF::SameText(charset, "iso-8869-4"))
        charset = "iso-8859-4";
    else if (SF::SameText(charset, "ks_c_5601"))
        charset = "ks_c_5601-1987";
    const auto& list = EncodingList();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (SF::SameText(SF::Trim(EncodingOfEntry(list[i])), charset))
            return static_cast<int>(i);
    }
    return -1;
}

int DefaultEncodingIndex() {
    return FindEncodingEntry("Windows-1252");
}

namespace {

std::string EntryOr(const std::vector<std::string>& list, int index,
                    std::string (*part)(std::string_view), const std::string& fallback) {
    if (index < 0 || index >= static_cast<int>(list.size()))
        return fallback;
    return part(list[static_cast<std::size_t>(index)]);
}

} // namespace

TSettingsForm SettingsToForm(const TProjectSettings& s) {
    TSettingsForm f;
    f.Title = s.Title;
    f.RootDir = s.RootDir;
    f.HasChild = s.HasChild;
    f.NoChild = s.NoChild;
    f.Encoding = FindEncodingEntry(s.Encoding);
    if (f.Encoding < 0)
        f.UnknownEncoding = s.Encoding;
    f.DefaultTemplate = s.DefaultTemplate;
    f.CustomTemplate = s.CustomTemplate;
    f.DefaultTopic = s.DefaultTopic;
    f.Language = FindLanguageEntry(s.Language);
    if (f.Language < 0)
        f.UnknownLanguage = s.Language;
    f.HtmlHelpTemplate = s.HtmlHelpTemplate;
    f.HtmlHelpTitle = s.HtmlHelpTitle;
    f.HtmlHelpTitleSame = s.HtmlHelpTitleSame;
    f.CompiledFile = s.CompiledFile;
    f.WebHelpTemplate = s.WebHelpTemplate;
    f.WebHelpTemplateSame = s.WebHelpTemplateSame;
    f.WebHelpTitle = s.WebHelpTitle;
    f.WebHelpTitleSame = s.WebHelpTilteSame;
    f.WebHelpDefault = s.WebHelpDefault;
    f.WebHelpDefaultSame = s.WebHelpDefaultSame;
    f.WebHelpOutputFolder = s.WebHelpOutputFolder;
    f.NavWidth = s.NavWidth;
    f.StartFromRoot = s.StartFromRoot;
    f.DrawLines = s.DrawLines;
    f.AutoCollapse = s.AutoCollapse;
    f.RealColorIcon = s.RealColorIcon;
    f.WebFontColor = s.WebFontColor;
    f.WebBackColor = s.WebBackColor;
    f.ShowIndex = s.ShowIndex;
    f.WebHelpSearch = s.WebHelpSearch;
    f.SingleHtmlOutputFolder = s.SingleHtmlOutputFolder;
    f.SingleHtmlFilename = s.SingleHtmlFilename;
    f.SingleHtmlTitle = s.SingleHtmlTitle;
    f.SingleHtmlSame = s.SingleHtmlSame;
    f.SingleHtmlHasToc = s.SingleHtmlHasToc;
    f.HeadProperties = s.HeadProperties;
    f.PageProperties = s.PageProperties;
    return f;
}

void FormToSettings(const TSettingsForm& f, TProjectSettings& s) {
    const TSettingsEnabling shown = SettingsEnabling(f);
    const auto trim = [](const std::string& text) { return SF::Trim(text); };
    s.Title = trim(f.Title);
    s.RootDir = Paths::IncludeTrailingSlash(Paths::ToNative(trim(f.RootDir)));
    s.HasChild = f.HasChild;
    s.NoChild = f.NoChild;
    s.Encoding = EntryOr(EncodingList(), f.Encoding, EncodingOfEntry, f.UnknownEncoding);
    s.DefaultTemplate = f.DefaultTemplate;
    s.CustomTemplate = trim(f.CustomTemplate);
    s.DefaultTopic = trim(f.DefaultTopic);
    s.Language = EntryOr(LanguageList(), f.Language, LanguageOfEntry, f.UnknownLanguage);
    s.HtmlHelpTemplate = trim(f.HtmlHelpTemplate);
    s.HtmlHelpTitle = trim(shown.HtmlHelpTitleText);
    s.HtmlHelpTitleSame = f.HtmlHelpTitleSame;
    s.CompiledFile = trim(f.CompiledFile);
    s.WebHelpTemplate = trim(shown.WebHelpTemplateText);
    s.WebHelpTemplateSame = f.WebHelpTemplateSame;
    s.WebHelpTitle = trim(shown.WebHelpTitleText);
    s.WebHelpTilteSame = f.WebHelpTitleSame;
    s.WebHelpDefault = trim(shown.WebHelpDefaultText);
    s.WebHelpDefaultSame = f.WebHelpDefaultSame;
    s.WebHelpOutputFolder = trim(f.WebHelpOutputFolder);
    s.NavWidth = f.NavWidth;
    s.StartFromRoot = f.StartFromRoot;
    s.DrawLines = f.DrawLines;
    s.AutoCollapse = f.AutoCollapse;
    s.RealColorIcon = f.RealColorIcon;
    s.WebFontColor = trim(f.WebFontColor);
    s.WebBackColor = trim(f.WebBackColor);
    s.ShowIndex = f.ShowIndex;
    s.WebHelpSearch = f.WebHelpSearch;
    s.SingleHtmlOutputFolder = trim(f.SingleHtmlOutputFolder);
    s.SingleHtmlFilename = trim(f.SingleHtmlFilename);
    s.SingleHtmlTitle = trim(shown.SingleHtmlTitleText);
    s.SingleHtmlSame = f.SingleHtmlSame;
    s.SingleHtmlHasToc = f.SingleHtmlHasToc;
    s.HeadProperties = f.HeadProperties;
    s.PageProperties = f.PageProperties;
}

TSettingsEnabling SettingsEnabling(const TSettingsForm& f) {
    TSettingsEnabling e;
    e.HtmlHelpTitle = !f.HtmlHelpTitleSame;
    e.HtmlHelpTitleText = f.HtmlHelpTitleSame ? f.Title : f.HtmlHelpTitle;
    e.WebHelpTitle = !f.WebHelpTitleSame;
    e.WebHelpTitleText = f.WebHelpTitleSame ? f.Title : f.WebHelpTitle;
    e.SingleHtmlTitle = !f.SingleHtmlSame;
    e.SingleHtmlTitleText = f.SingleHtmlSame ? f.Title : f.SingleHtmlTitle;
    e.WebHelpTemplate = !f.WebHelpTemplateSame;
    e.WebHelpTemplateText = f.WebHelpTemplateSame ? f.HtmlHelpTemplate : f.WebHelpTemplate;
    e.WebHelpDefault = !f.WebHelpDefaultSame;
    e.WebHelpDefaultText = f.WebHelpDefaultSame ? f.DefaultTopic : f.WebHelpDefault;
    e.CustomPage = !f.DefaultTemplate;
    return e;
}

} // namespace parvane
