#pragma once
// TPvx, the project model: project settings ([GENERAL]), help-window settings
// ([CHMSetting]) and the topic tree ([TOPICS]), read from and written to a .pvx file.

#include "model/help_window_settings.h"
#include "model/topic_tree.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace parvane {

class TIniFile;

inline constexpr const char* kDefaultPdfPageSize = "A4";
inline constexpr int kDefaultPdfMargin = 15;
inline constexpr int kMaxPdfMargin = 60;

// A PDF page size as written ("A4", "Letter") for any letter case, or "" when unknown.
std::string PdfPageSizeName(std::string_view text);

struct TProjectSettings {
    std::string Title;
    std::string RootDir; // in memory: absolute native folder with trailing "/"
    std::string DefaultTopic;
    std::string CompiledFile;
    std::string CustomTemplate;
    bool DefaultTemplate = true;
    std::string Encoding;
    std::string Language;
    bool DeleteProject = false; // true: keep the HTML Help Workshop project in HHPFolder
    bool ViewCompiledFile = true;
    int HasChild = 0;
    int NoChild = 10;
    std::string HtmlHelpTemplate;
    std::string HtmlHelpTitle;
    bool HtmlHelpTitleSame = true;
    std::string WebHelpDefault;
    std::string WebHelpOutputFolder;
    std::string WebHelpTemplate;
    std::string WebHelpTitle;
    bool WebHelpDefaultSame = true;
    bool WebHelpTemplateSame = true;
    bool WebHelpTilteSame = true;
    bool StartFromRoot = true;
    bool AutoCollapse = false;
    bool DrawLines = true;
    std::string SingleHtmlFilename;
    std::string SingleHtmlOutputFolder;
    std::string SingleHtmlTitle;
    bool SingleHtmlHasToc = false;
    bool SingleHtmlSame = true;
    int HeadProperties = 1;
    int PageProperties = 1;
    bool RealColorIcon = false;
    bool ShowIndex = true;
    int NavWidth = 250;
    std::string WebFontColor;
    std::string WebBackColor;
    std::string HHPFolder;
    // Web Help and HTML Help take every file below the root, not only what pages name (for
    // sites whose scripts load files no page links to).
    bool CopyAllFiles = false;

    bool WebHelpSearch = true; // Web Help offers full-text search

    // The one-file outputs. An empty file name follows the compiled help file's (help.chm
    // gives help.pdf); a relative one lies below the root folder, as CompiledFile does.
    std::string PdfFile;
    std::string PdfPageSize = kDefaultPdfPageSize; // "A4" or "Letter"
    int PdfMargin = kDefaultPdfMargin;             // millimetres, 0 to kMaxPdfMargin
    std::string EpubFile;
    std::string QtHelpFile;
};

class TPvx {
public:
    // The tree must already hold its three root groups (CreateRootGroups).
    explicit TPvx(TTopicTree& tree);

    bool Modified = false;
    std::string FileName = "unnamed.pvx";
    bool IsUntitled = true;
    TProjectSettings ProjectSettings;
    THelpWindowSettings HelpWindowSettings;

    TTopicTree& Tree() const { return tree_; }
    TTopicNode* ContentsRoot() const { return tree_.ContentsRoot(); }
    TTopicNode* NonContentsRoot() const { return tree_.NonContentsRoot(); }
    TTopicNode* TemplatesRoot() const { return tree_.TemplatesRoot(); }

    void ResetToDefaults();
    // Throws EParvaneError("<path> doesn't exist!") when there is no file; a malformed
    // file loads with defaults.
    void LoadFromFile(const std::string& path);
    // Writes the whole file atomically; on failure throws and leaves Modified, FileName
    // and IsUntitled as they were.
    void SaveToFile(const std::string& path);
    bool Save() { SaveToFile(FileName); return true; }
    // The exact text SaveToFile writes (UTF-8, CR LF).
    std::string SaveToText(const std::string& path) const;

    void ClearTopics();
    void UpdateTopicImages();
    int TopicImageIndex(const TTopicNode* node, int kind) const;

    // Helpers on topic addresses.
    std::string RootFolder() const { return ProjectSettings.RootDir; }
    std::string TopicFileName(const TTopicNode* node) const; // absolute native path of its page
    bool IsDefaultTopic(const TTopicNode* node) const;
    // The first topic in tree order with this Url, without regard to case ("/" and "\"
    // alike). One linear walk per call: callers looking up many addresses build a
    // TTopicUrlIndex instead.
    TTopicNode* FindTopicByUrl(const std::string& url) const;

private:
    void ReadTopics(const TIniFile& ini);

    TTopicTree& tree_;
};

// Topics by Url (without regard to case, "/" and "\" alike), for lookups in loops. A
// snapshot: rebuild it after the tree or a Url changes.
class TTopicUrlIndex {
public:
    explicit TTopicUrlIndex(const TTopicTree& tree);
    TTopicNode* Find(std::string_view url) const; // the first in tree order, or nullptr

private:
    std::unordered_map<std::string, TTopicNode*> byUrl_;
};

// The key form under which two topic addresses compare equal.
std::string UrlKey(std::string_view url);

} // namespace parvane
