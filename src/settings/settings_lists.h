#pragma once
// The lists and rules of the project settings dialog that need no widget: the language and
// encoding lists with the part of an entry that is stored, the dialog's controls as plain
// values (filled from the project, written back on OK), and the rules that enable them.

#include "model/project_file.h"

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

namespace SettingsTexts {
inline constexpr const char* Caption = "Project Settings";
inline constexpr const char* DefaultLanguage = "0x0409 English (United States)";
inline constexpr const char* DefaultEncoding = "Western(Windows-1252); Windows-1252";
inline constexpr const char* CompiledFileFilter = "Windows HTML help(*.CHM)|*.chm";
inline constexpr const char* HtmlFileFilter = "HTML file (*.html, *.htm)|*.html;*.htm";
inline constexpr const char* CustomPageTitle = "Select a HTML file as template";
inline const std::vector<std::string> PageSources = {"From topic page", "From template"};
} // namespace SettingsTexts

// ---- languages -----------------------------------------------------------------------------

// The 122 HTML Help languages: "0x" and four upper-case hexadecimal digits, a blank and the
// language name ("0x0409 English (United States)").
const std::vector<std::string>& LanguageList();
// What a project stores for an entry: the identifier before the first blank ("0x0409").
std::string LanguageOfEntry(std::string_view entry);
// The entry whose identifier equals language (without regard to case), or -1.
int FindLanguageEntry(std::string_view language);
int DefaultLanguageIndex();

// ---- encodings -------------------------------------------------------------------------------

// The 28 page encodings (shared with the new-project wizard): a description, ";" and a
// charset name ("Western(Windows-1252); Windows-1252", ..., "<None>; ").
const std::vector<std::string>& EncodingList();
// What a project stores for an entry: everything after the ";", with the blank that follows
// it (" Windows-1252"; a single blank for "<None>; ").
std::string EncodingOfEntry(std::string_view entry);
// The entry whose charset equals encoding, trimmed and without regard to case (a blank or
// empty encoding finds "<None>; "), or -1. Two misspelt names that older projects may hold
// ("iso-8869-4", "ks_c_5601") find the entries that now carry the names browsers know.
int FindEncodingEntry(std::string_view encoding);
int DefaultEncodingIndex();

// ---- the dialog's controls --------------------------------------------------------------------

enum TSettingsPage { spGeneral = 0, spHtmlHelp = 1, spWebHelp = 2, spSingleHtml = 3 };

// Every control of the dialog as a plain value. Lists hold indexes (-1: no entry).
struct TSettingsForm {
    // General
    std::string Title, RootDir;
    int HasChild = 0, NoChild = 10;
    int Encoding = -1;
    std::string UnknownEncoding; // a project's encoding the list does not hold, kept on OK
    bool DefaultTemplate = true; // "Default blank page", else "Custom page"
    std::string CustomTemplate;
    // HTML Help
    std::string DefaultTopic;
    int Language = -1;
    std::string UnknownLanguage; // likewise for the language
    std::string HtmlHelpTemplate, HtmlHelpTitle;
    bool HtmlHelpTitleSame = true;
    std::string CompiledFile;
    // Web Help
    std::string WebHelpTemplate;
    bool WebHelpTemplateSame = true;
    std::string WebHelpTitle;
    bool WebHelpTitleSame = true;
    std::string WebHelpDefault;
    bool WebHelpDefaultSame = true;
    std::string WebHelpOutputFolder;
    int NavWidth = 250;
    bool StartFromRoot = true, DrawLines = true, AutoCollapse = false, RealColorIcon = false;
    std::string WebFontColor, WebBackColor;
    bool ShowIndex = true;
    bool WebHelpSearch = true;
    // Single HTML
    std::string SingleHtmlOutputFolder, SingleHtmlFilename, SingleHtmlTitle;
    bool SingleHtmlSame = true;
    bool SingleHtmlHasToc = false;
    // Every page
    int HeadProperties = 1, PageProperties = 1;
};

// Opening: every control from the project's settings (the lists searched by identifier and
// by charset; a value the list does not hold selects nothing and is kept).
TSettingsForm SettingsToForm(const TProjectSettings& settings);
// OK: every control back into the settings, edits trimmed, the root folder with a trailing
// separator, the language identifier and the encoding part of the chosen entries. A title
// or field shown as "same as" stores what it shows.
void FormToSettings(const TSettingsForm& form, TProjectSettings& settings);

// The enabling rules, re-evaluated on every change; a disabled edit shows the text given.
struct TSettingsEnabling {
    bool HtmlHelpTitle = true;
    std::string HtmlHelpTitleText;
    bool WebHelpTitle = true;
    std::string WebHelpTitleText;
    bool SingleHtmlTitle = true;
    std::string SingleHtmlTitleText;
    bool WebHelpTemplate = true; // the edit and its topic button
    std::string WebHelpTemplateText;
    bool WebHelpDefault = true; // the edit and its topic button
    std::string WebHelpDefaultText;
    bool CustomPage = false; // "File name:", its edit and its button
};
TSettingsEnabling SettingsEnabling(const TSettingsForm& form);

} // namespace parvane
