#pragma once
// Topic templates: a template page holds "($title$)" and "($content$)"; at build time (and
// in the preview) a topic page is replaced by the template with both filled in.

#include <string>
#include <string_view>
#include <vector>

namespace parvane {

// Replaces every "($content$)", then every "($title$)", without regard to case.
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

} // namespace parvane
