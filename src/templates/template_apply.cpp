// Template application and the placeholders of the output page files.

#include "templates/template_apply.h"

#include "model/errors.h"
#include "model/link_scanner.h"
#include "model/paths.h"
#include "model/project_file.h"
#include "model/project_root.h"
#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace SF = StringFunc;

std::string ReplacePlaceholders(std::string_view text,
                                const std::vector<std::pair<std::string, std::string>>& values) {
    // Placeholders are ASCII, so an ASCII lower-cased copy keeps byte positions aligned.
    const std::string lower = SF::AsciiLowerCase(text);
    std::vector<std::string> tags;
    tags.reserve(values.size());
    for (const auto& v : values)
        tags.push_back(SF::AsciiLowerCase(v.first));

    // Next occurrence of each tag at or after pos; refreshed only when passed, so the whole
    // pass stays linear in the text for a handful of tags.
    std::vector<std::size_t> next(tags.size());
    for (std::size_t t = 0; t < tags.size(); ++t)
        next[t] = tags[t].empty() ? std::string::npos : lower.find(tags[t]);

    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t best = std::string::npos;
        std::size_t bestTag = 0;
        for (std::size_t t = 0; t < tags.size(); ++t) {
            if (next[t] != std::string::npos && next[t] < pos)
                next[t] = lower.find(tags[t], pos);
            // The earliest match wins; at the same place the longer tag.
            if (next[t] != std::string::npos &&
                (best == std::string::npos || next[t] < best ||
                 (next[t] == best && tags[t].size() > tags[bestTag].size()))) {
                best = next[t];
                bestTag = t;
            }
        }
        if (best == std::string::npos)
            break;
        out.append(text.substr(pos, best - pos));
        out.append(values[bestTag].second);
        pos = best + tags[bestTag].size();
    }
    out.append(text.substr(pos));
    return out;
}

std::string ApplyTemplate(std::string_view templateText, std::string_view title,
                          std::string_view content) {
    return ReplacePlaceholders(templateText, {{"($content$)", std::string(content)},
                                              {"($title$)", SF::HtmlEncode(title)}});
}

std::string CheckTemplateTags(std::string_view text) {
    const std::string lower = SF::LowerCase(text);
    std::string message;
    if (lower.find("($title$)") == std::string::npos)
        message += "Cannot find tag \"($title$)\" in the template source code! (Body only)\r\n";
    if (lower.find("($content$)") == std::string::npos)
        message += "Cannot find tag \"($content$)\" in the template source code! (Body only)\r\n";
    return message;
}

TTemplate::TTemplate(const std::string& templateFile) : fileName_(templateFile) {
    const std::string file = Paths::ResolveExisting(templateFile);
    if (file.empty() || !Paths::FileExists(file))
        throw EParvaneError("The template page \"" + templateFile + "\" doesn't exist!");
    fileName_ = file;
    folder_ = Paths::ExtractFilePath(file);
    THTMLRefer refer;
    refer.SplitFile(file, pieces_);
}

std::string TTemplate::RebasedFor(const std::string& pageFolder) const {
    return RelocateLinks(pieces_, folder_, Paths::IncludeTrailingSlash(pageFolder));
}

// ---- output page files ------------------------------------------------------------------

std::string OutputCharset(const TPvx& project) {
    const std::string charset = SF::Trim(project.ProjectSettings.Encoding);
    return charset.empty() ? "UTF-8" : charset;
}

std::string WebHelpProjectTitle(const TPvx& project) {
    const TProjectSettings& s = project.ProjectSettings;
    return SF::HtmlEncode(s.WebHelpTilteSame ? s.Title : s.WebHelpTitle);
}

std::string WebHelpDefaultPage(const TPvx& project) {
    const TProjectSettings& s = project.ProjectSettings;
    std::string page = s.WebHelpDefaultSame ? s.DefaultTopic : s.WebHelpDefault;
    // The frames open the page by the name it has on disk, whatever case the setting uses.
    if (!page.empty()) {
        TProjectRoot root(project.RootFolder());
        page = root.RealLink(root.Folder(), page);
    }
    return SF::ReplaceAll(SF::ToForwardSlashes(page), "'", "\\'");
}

std::string RemoveIndexBar(std::string_view text) {
    return SF::RemoveBetween(text, "<!--BEGINBAR-->", "<!--ENDBAR-->");
}

std::string FillScrollStyle(std::string_view text, const TPvx& project) {
    return ReplacePlaceholders(text, {{"($BACKCOLOR$)", project.ProjectSettings.WebBackColor}});
}

std::string InsertScrollStyle(std::string_view page, std::string_view scrollStyle) {
    return ReplacePlaceholders(page, {{"</head>", std::string(scrollStyle) + "\n\r</head>"}});
}

std::string FillWebHelpPage(std::string_view pageName, std::string_view text, const TPvx& project,
                            std::string_view navigation, std::string_view indexList,
                            std::string_view scrollStyle) {
    const TProjectSettings& s = project.ProjectSettings;
    const std::string name = SF::AsciiLowerCase(Paths::ExtractFileName(pageName));
    std::vector<std::pair<std::string, std::string>> values = {
        {"($PROJECTTITLE$)", WebHelpProjectTitle(project)},
        {"($CHARSET$)", OutputCharset(project)},
    };
    std::string page(text);
    const auto headWithStyle = std::string(scrollStyle) + "\n\r</head>";
    if (name == "index.htm") {
        values.push_back({"($DEFAULTPAGE$)", WebHelpDefaultPage(project)});
    } else if (name == "webhelpframe.htm") {
        values.push_back({"($DEFAULTPAGE$)", WebHelpDefaultPage(project)});
        values.push_back({"($NAVWIDTH$)", std::to_string(s.NavWidth)});
        values.push_back({"($BACKCOLOR$)", s.WebBackColor});
    } else if (name == "webhelptop.htm") {
        values.push_back({"($BACKCOLOR$)", s.WebBackColor});
        values.push_back({"($FONTCOLOR$)", s.WebFontColor});
    } else if (name == "webhelpleft.htm" || name == "webhelpindex.htm") {
        if (!s.ShowIndex)
            page = RemoveIndexBar(page);
        if (name == "webhelpleft.htm")
            values.push_back({"($NAVIGATION$)", std::string(navigation)});
        else
            values.push_back({"($INDEXLIST$)", std::string(indexList)});
        values.push_back({"($BACKCOLOR$)", s.WebBackColor});
        values.push_back({"</head>", headWithStyle});
    }
    return ReplacePlaceholders(page, values);
}

std::string FillSingleHtmlPage(std::string_view text, std::string_view allContent,
                               const TPvx& project) {
    return ReplacePlaceholders(text,
                               {{"($ALLCONTENT$)", std::string(allContent)},
                                {"($PROJECTTITLE$)", SF::HtmlEncode(project.ProjectSettings.Title)},
                                {"($CHARSET$)", OutputCharset(project)}});
}

} // namespace parvane
