#include "ui/topic_editing.h"

#include "model/errors.h"
#include "model/paths.h"
#include "model/string_func.h"
#include "model/text_file.h"
#include "templates/template_apply.h"

namespace parvane {

namespace SF = StringFunc;

// ---- texts -----------------------------------------------------------------------------------

namespace TopicTexts {

std::string SwitchQuestion(std::string_view title) {
    return "The topic \"" + std::string(title) + "\" has been changed, save it?";
}

std::string ExternalEditorQuestion(std::string_view title, bool unsaved) {
    return "The topic \"" + std::string(title) + "\" " +
           (unsaved ? "has not been saved" : "has been changed") +
           ". If you want to edit it using external editors, you should save it firstly. Save "
           "and continue?";
}

std::string TemplateTagQuestion(std::string_view missingTags, bool fromSource) {
    std::string text(missingTags);
    text += "\r\n";
    text += fromSource
                ? "These will likely make the template unable to work."
                : "These will likely make the template unable to work. You should keep the tags "
                  "whole in source code, not only look like whole in editor. When you format a "
                  "tag, you should select the whole tag not a part of it!";
    text += "\r\n\r\nWould you like to save the template?";
    return text;
}

} // namespace TopicTexts

// ---- pages and addresses ----------------------------------------------------------------------

std::string TopicPagePath(const std::string& rootFolder, const std::string& url) {
    return Paths::UrlToPath(rootFolder, url);
}

bool IsHtmlPagePath(std::string_view path) {
    const std::string ext = Paths::ExtractFileExt(path);
    return SF::SameText(ext, ".htm") || SF::SameText(ext, ".html");
}

std::string UrlBoxText(const TLeftTreeData& data) {
    switch (data.Status) {
    case tsUnsaved:
        return TopicTexts::Unsaved;
    case tsNoLink:
        return TopicTexts::NoLink;
    default:
        return data.Url;
    }
}

bool ApplyUrlBoxText(TLeftTreeData& data, std::string_view text) {
    if (text == UrlBoxText(data))
        return false;
    if (text == TopicTexts::Unsaved) {
        data.Status = tsUnsaved;
        data.Url.clear();
    } else if (text == TopicTexts::NoLink) {
        data.Status = tsNoLink;
        data.Url.clear();
    } else {
        data.Status = tsLinked;
        data.Url = std::string(text);
    }
    return true;
}

bool TopicOptionsEnabled(int loadedStatus, std::string_view urlBoxText) {
    return loadedStatus == tsLinked && !urlBoxText.empty() && !Paths::IsAbsolute(urlBoxText);
}

std::string DigitsOnly(std::string_view text) {
    std::string digits;
    for (const char c : text)
        if (c >= '0' && c <= '9')
            digits += c;
    return digits;
}

std::string KeywordsFromBox(std::string_view boxText) {
    std::string out;
    for (const char c : boxText) {
        if (c == '\n')
            out += "\r\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

std::string KeywordsToBox(std::string_view keywords) {
    std::string out;
    for (const char c : keywords)
        if (c != '\r')
            out += c;
    return out;
}

std::string ProposedPageFileName(std::string_view title) {
    if (SF::Trim(title).empty())
        return "untitled.htm";
    return SF::ValidFileName(title) + ".htm";
}

// ---- reading and writing pages -------------------------------------------------------------

namespace {

bool IsUtf8Name(std::string_view charset) {
    const std::string c = SF::AsciiLowerCase(SF::Trim(charset));
    return c == "utf-8" || c == "utf8";
}

// Whether iconv converts from this charset (the decoder passes over names it does not).
bool KnownCharset(std::string_view charset) {
    if (SF::Trim(charset).empty())
        return false;
    try {
        TextCodec::ToUtf8("", charset);
        return true;
    } catch (const EParvaneError&) {
        return false;
    }
}

// The charset TextCodec::DecodePage reads these bytes in, by the same rules.
std::string CharsetOfPage(std::string_view bytes, std::string_view fallback) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF" &&
        TextCodec::IsValidUtf8(bytes.substr(3)))
        return "UTF-8";
    const std::string declared = TextCodec::DeclaredCharset(bytes);
    for (const std::string_view charset : {std::string_view(declared), fallback}) {
        if (!KnownCharset(charset))
            continue;
        if (IsUtf8Name(charset) && !TextCodec::IsValidUtf8(bytes))
            break;
        return SF::Trim(charset);
    }
    return TextCodec::IsValidUtf8(bytes) ? "UTF-8" : "Windows-1252";
}

} // namespace

TPageFile ReadPageFile(const std::string& path, const std::string& projectEncoding) {
    std::string file = Paths::ResolveExisting(path);
    if (file.empty())
        file = Paths::ToNative(path);
    const std::string bytes = TextCodec::ReadFileBytes(file);
    TPageFile page;
    page.Charset = CharsetOfPage(bytes, projectEncoding);
    // Read through the one loader, so the text is exactly what every other reader sees.
    page.Text = SF::LoadTextFile(file, projectEncoding);
    return page;
}

std::string PageSaveCharset(std::string_view text, std::string_view readCharset,
                            std::string_view projectEncoding) {
    for (const std::string& charset :
         {TextCodec::DeclaredCharset(text), std::string(readCharset), std::string(projectEncoding)})
        if (KnownCharset(charset))
            return SF::Trim(charset);
    return "UTF-8";
}

std::string PageTextForSaving(std::string_view text, std::string_view title, bool isTemplate) {
    if (isTemplate)
        return std::string(text);
    // A title is plain text: "Q&A <draft>" must not turn into markup.
    return SF::SetHtmlTitle(text, SF::HtmlEncode(title));
}

std::optional<TFileTime> PageFileTime(const std::string& path) {
    const std::string file = Paths::ResolveExisting(path);
    if (file.empty())
        return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec))
        return std::nullopt;
    const TFileTime time = std::filesystem::last_write_time(file, ec);
    if (ec)
        return std::nullopt;
    return time;
}

TBlankPage BlankPageText(const TPvx& project, bool isTemplate, const std::string& appDir) {
    const std::string programFolder = Paths::IncludeTrailingSlash(appDir);
    const TProjectSettings& settings = project.ProjectSettings;
    TBlankPage page;
    if (isTemplate || settings.DefaultTemplate) {
        const std::string starter = programFolder + (isTemplate ? "newtemp.htm" : "new.htm");
        page.Text =
            SF::ReplaceTextW(SF::LoadTextFile(starter), "($CHARSET$)", OutputCharset(project));
        page.BaseFolder = programFolder;
        return page;
    }
    const std::string custom = SF::Trim(settings.CustomTemplate);
    if (custom.empty())
        throw EParvaneError("No custom page is set for new topics.");
    const std::string file = Paths::UrlToPath(project.RootFolder(), custom);
    page.Text = SF::LoadTextFile(file, settings.Encoding);
    page.BaseFolder = Paths::ExtractFilePath(file);
    return page;
}

// ---- the preview ------------------------------------------------------------------------------

bool PreviewUsesTemplate(bool previewWithTemplate, const TLeftTreeData& data, const TPvx& project) {
    return previewWithTemplate && data.Kind != 2 && !data.ApplyTemp &&
           !SF::Trim(project.ProjectSettings.HtmlHelpTemplate).empty();
}

std::string PageBodyText(std::string_view html) {
    const std::string lower = SF::AsciiLowerCase(html);
    const std::size_t body = lower.find("<body");
    if (body == std::string::npos)
        return {};
    const std::size_t gt = lower.find('>', body);
    const std::size_t close = lower.find("</body", body);
    if (gt == std::string::npos || close == std::string::npos || gt >= close)
        return {};
    return std::string(html.substr(gt + 1, close - gt - 1));
}

std::string PreviewWithTemplate(const TTemplate& htmlHelpTemplate, std::string_view pageText,
                                std::string_view title, const std::string& pageFolder) {
    return ApplyTemplate(htmlHelpTemplate.RebasedFor(pageFolder), title, PageBodyText(pageText));
}

// ---- previous and next topic ------------------------------------------------------------------

namespace {
TTopicNode* TopicOrNull(TTopicNode* node) {
    return node && !node->IsRoot() ? node : nullptr;
}
} // namespace

TTopicNode* PreviousTopic(const TTopicNode* node) {
    if (!node)
        return nullptr;
    TTopicNode* previous = node->PrevSibling();
    if (!previous)
        return TopicOrNull(node->Parent());
    while (previous->HasChildren())
        previous = previous->LastChild();
    return TopicOrNull(previous);
}

TTopicNode* NextTopic(const TTopicNode* node) {
    return node ? TopicOrNull(node->GetNext()) : nullptr;
}

// ---- the state of the open topic ----------------------------------------------------------

void TOpenTopic::Reset(int loadedStatus, std::string pagePath) {
    PageFileTime.reset();
    LoadedStatus = loadedStatus;
    PagePath = std::move(pagePath);
    PageCharset.clear();
    PageModified = false;
    SourceChanged = false;
    EditorModified = false;
    BodySnapshot.clear();
}

bool TOpenTopic::IsTopicModified(TEditorTab activeTab) const {
    return PageModified || (activeTab == TEditorTab::Edit && EditorModified) ||
           (activeTab == TEditorTab::Source && SourceChanged);
}

void TOpenTopic::TakeFromSource(std::string text) {
    PageText = std::move(text);
    if (SourceChanged)
        PageModified = true;
}

void TOpenTopic::TakeFromEditor(std::string documentHtml) {
    PageText = std::move(documentHtml);
    if (EditorModified)
        PageModified = true;
}

bool TOpenTopic::EntersTab(bool editorEnabled) const {
    return editorEnabled && LoadedStatus != tsNoLink;
}

void TOpenTopic::MarkSaved() {
    PageModified = false;
    SourceChanged = false;
}

void TOpenTopic::DocumentCompleted(std::string body) {
    BodySnapshot = std::move(body);
    EditorModified = false;
}

void TOpenTopic::DisplayChanged(bool editorBusy, const std::function<std::string()>& body) {
    if (EditorModified || editorBusy)
        return;
    if (body() != BodySnapshot)
        EditorModified = true;
}

TOpenTopic::TMonitorResult TOpenTopic::Monitor(TEditorTab activeTab, bool editorBusy) {
    // A busy editor's flag is not read; the Source box is never busy.
    if (!PageModified && ((activeTab == TEditorTab::Edit && EditorModified && !editorBusy) ||
                          (activeTab == TEditorTab::Source && SourceChanged)))
        PageModified = true;
    TMonitorResult result;
    if (PageModified || LoadedStatus == tsUnsaved) {
        result.SaveButtons = true;
        result.MarkProjectModified = PageModified;
    } else {
        PageModified = false;
    }
    return result;
}

std::string StatusHint(bool treeFocused, bool editorEnabled, bool editorBusy,
                       bool documentFocused) {
    if (treeFocused)
        return TopicTexts::TreeHint;
    if (editorEnabled && !editorBusy && documentFocused)
        return TopicTexts::EditorHint;
    return {};
}

bool ExternalEditorNeedsSave(int loadedStatus, bool topicModified) {
    return loadedStatus == tsUnsaved || topicModified;
}

bool TReloadWatch::Activated(const TOpenTopic& topic, bool editorEnabled,
                             const std::optional<TFileTime>& currentTime) {
    if (asked_ || topic.LoadedStatus != tsLinked || !editorEnabled || !topic.PageFileTime ||
        !currentTime || *currentTime == *topic.PageFileTime)
        return false;
    asked_ = true;
    return true;
}

} // namespace parvane
