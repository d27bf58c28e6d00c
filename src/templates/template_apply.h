#pragma once
// Topic templates: a template page holds "($title$)" and "($content$)"; at build time (and
// in the preview) a topic page is replaced by the template with both filled in.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace parvane {

class TPvx;

// Replaces every "($content$)" by content and every "($title$)" by the title, without
// regard to case. The title is plain text (a topic title) and is HTML-escaped here; the
// content is HTML and goes in as it is. Both are filled in one pass over the template, so
// a tag that happens to stand in the content or the title is left alone.
std::string ApplyTemplate(std::string_view templateText, std::string_view title,
                          std::string_view content);
// Empty when both tags are present; else one "Cannot find tag ..." line (CR LF) per tag.
std::string CheckTemplateTags(std::string_view text);

// A template file split into text and link pieces once, rebased for any page folder.
class TTemplate {
public:
    TTemplate() = default;
    explicit TTemplate(const std::string& templateFile);
    bool Empty() const { return pieces_.empty(); }
    const std::string& FileName() const { return fileName_; }
    // The template text with its links made relative to pageFolder (trailing "/").
    std::string RebasedFor(const std::string& pageFolder) const;

private:
    std::string fileName_;
    std::string folder_;
    std::vector<std::string> pieces_;
};

// ---- placeholders of the output page files --------------------------------------------
// Replaces every placeholder (matched without regard to case) by its value in one pass
// over text: values are never searched again, so a value holding a placeholder's text
// stays as it is.
std::string ReplacePlaceholders(std::string_view text,
                                const std::vector<std::pair<std::string, std::string>>& values);

// The charset named in generated pages: the project's Encoding, trimmed; "UTF-8" when it
// is blank (the pages are then written in UTF-8).
std::string OutputCharset(const TPvx& project);
// The project title of Web Help (Title or WebHelpTitle), HTML-escaped.
std::string WebHelpProjectTitle(const TPvx& project);
// The default page of Web Help (DefaultTopic or WebHelpDefault) with "/" separators and
// apostrophes written "\'".
std::string WebHelpDefaultPage(const TPvx& project);
// Removes every "<!--BEGINBAR-->" ... "<!--ENDBAR-->" span (the index bar).
std::string RemoveIndexBar(std::string_view text);
// "webhelp/scrollstyle.txt" filled: the scroll style text of the build.
std::string FillScrollStyle(std::string_view text, const TPvx& project);
// Puts the scroll style text in front of every "</head>" (any case).
std::string InsertScrollStyle(std::string_view page, std::string_view scrollStyle);
// Fills one of the Web Help frame page files; pageName is its file name ("index.htm",
// "webhelpframe.htm", "webhelptop.htm", "webhelpleft.htm" or "webhelpindex.htm", any case).
// navigation and indexList are used by the left and index pages, scrollStyle by both.
std::string FillWebHelpPage(std::string_view pageName, std::string_view text, const TPvx& project,
                            std::string_view navigation, std::string_view indexList,
                            std::string_view scrollStyle);
// Fills "singleb.htm" / "singlehtml.htm" with the assembled content, the project title
// (HTML-escaped) and the charset.
std::string FillSingleHtmlPage(std::string_view text, std::string_view allContent,
                               const TPvx& project);

} // namespace parvane
