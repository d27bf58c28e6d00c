#include "editor/editor_artefacts.h"

#include <cctype>
#include <vector>

namespace parvane {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string LowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Lower(c);
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(s[i]) != Lower(prefix[i]))
            return false;
    return true;
}

// Position of needle in s at or after from, letters compared without regard to case.
std::size_t FindNoCase(std::string_view s, std::string_view needle, std::size_t from) {
    if (needle.empty() || s.size() < needle.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + needle.size() <= s.size(); ++i)
        if (Lower(s[i]) == Lower(needle[0]) && StartsWithNoCase(s.substr(i), needle))
            return i;
    return std::string_view::npos;
}

struct TAttribute {
    std::string_view Text; // as written, with the whitespace before it
    std::string Name;      // lower case
    std::string Value;     // unquoted
    bool HasValue = false;
};

struct TStartTag {
    std::string Name; // lower case
    std::string_view NameText;
    std::vector<TAttribute> Attributes;
    std::string_view Tail; // whitespace and "/>" or ">" after the last attribute
    std::size_t End = 0;   // one past the ">"
};

// Parses the start tag at html[pos] == '<' followed by a letter. False when the tag never
// closes, in which case it is not a tag at all.
bool ParseStartTag(std::string_view html, std::size_t pos, TStartTag& tag) {
    std::size_t i = pos + 1;
    const std::size_t nameStart = i;
    while (i < html.size() && !IsSpace(html[i]) && html[i] != '>' && html[i] != '/')
        ++i;
    tag.NameText = html.substr(nameStart, i - nameStart);
    tag.Name = LowerCase(tag.NameText);
    while (true) {
        const std::size_t attrStart = i;
        while (i < html.size() && (IsSpace(html[i]) || html[i] == '/'))
            ++i;
        if (i >= html.size())
            return false;
        if (html[i] == '>') {
            tag.Tail = html.substr(attrStart, i + 1 - attrStart);
            tag.End = i + 1;
            return true;
        }
        TAttribute attr;
        const std::size_t nameBegin = i;
        while (i < html.size() && !IsSpace(html[i]) && html[i] != '>' && html[i] != '=' &&
               (html[i] != '/' || i == nameBegin))
            ++i;
        attr.Name = LowerCase(html.substr(nameBegin, i - nameBegin));
        std::size_t j = i;
        while (j < html.size() && IsSpace(html[j]))
            ++j;
        if (j < html.size() && html[j] == '=') {
            attr.HasValue = true;
            i = j + 1;
            while (i < html.size() && IsSpace(html[i]))
                ++i;
            if (i >= html.size())
                return false;
            if (html[i] == '"' || html[i] == '\'') {
                const char quote = html[i];
                const std::size_t close = html.find(quote, i + 1);
                if (close == std::string_view::npos)
                    return false;
                attr.Value = std::string(html.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < html.size() && !IsSpace(html[i]) && html[i] != '>')
                    ++i;
                attr.Value = std::string(html.substr(valueStart, i - valueStart));
            }
        }
        attr.Text = html.substr(attrStart, i - attrStart);
        tag.Attributes.push_back(std::move(attr));
    }
}

bool IsBlank(std::string_view s) {
    for (char c : s)
        if (!IsSpace(c))
            return false;
    return true;
}

// The class attribute's value without the editor's class names.
std::string WithoutEditorClasses(std::string_view value, bool& changed) {
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && IsSpace(value[i]))
            ++i;
        const std::size_t start = i;
        while (i < value.size() && !IsSpace(value[i]))
            ++i;
        const std::string_view token = value.substr(start, i - start);
        if (token.empty())
            continue;
        if (token.starts_with(EditorClassPrefix)) {
            changed = true;
            continue;
        }
        if (!out.empty())
            out += ' ';
        out += token;
    }
    return out;
}

std::string QuoteAttribute(std::string_view value) {
    if (value.find('"') == std::string_view::npos)
        return "\"" + std::string(value) + "\"";
    return "'" + std::string(value) + "'";
}

// The start tag without artefacts, or the tag unchanged when it holds none.
std::string CleanStartTag(std::string_view html, std::size_t pos, const TStartTag& tag) {
    bool changed = false;
    std::string attributes;
    for (const auto& attr : tag.Attributes) {
        const bool editorAttribute =
            attr.Name.starts_with(EditorAttributePrefix) ||
            (tag.Name == "body" && (attr.Name == "contenteditable" || attr.Name == "spellcheck")) ||
            (attr.Name == "style" && attr.HasValue && IsBlank(attr.Value));
        if (editorAttribute) {
            changed = true;
            continue;
        }
        if (attr.Name == "class" && attr.HasValue) {
            bool classChanged = false;
            const std::string rest = WithoutEditorClasses(attr.Value, classChanged);
            if (classChanged) {
                changed = true;
                if (!rest.empty())
                    attributes += " class=" + QuoteAttribute(rest);
                continue;
            }
        }
        attributes += attr.Text;
    }
    if (!changed)
        return std::string(html.substr(pos, tag.End - pos));
    return "<" + std::string(tag.NameText) + attributes + std::string(tag.Tail);
}

bool IsEditorStyle(const TStartTag& tag) {
    if (tag.Name != "style")
        return false;
    for (const auto& attr : tag.Attributes)
        if ((attr.Name == "id" && attr.Value == EditorStyleId) ||
            attr.Name.starts_with(EditorAttributePrefix))
            return true;
    return false;
}

// Elements whose content is text to the parser: a "<" inside them opens no tag.
bool IsRawText(std::string_view name) {
    return name == "script" || name == "style" || name == "textarea" || name == "title" ||
           name == "xmp" || name == "iframe" || name == "noembed" || name == "noframes";
}

} // namespace

std::string RemoveEditorArtefacts(std::string_view html) {
    std::string out;
    out.reserve(html.size());
    std::size_t i = 0;
    while (i < html.size()) {
        const std::size_t lt = html.find('<', i);
        if (lt == std::string_view::npos) {
            out.append(html.substr(i));
            break;
        }
        out.append(html.substr(i, lt - i));
        i = lt;
        const std::string_view rest = html.substr(i);
        if (rest.starts_with("<!--")) {
            const std::size_t end = html.find("-->", i + 4);
            const std::size_t stop = end == std::string_view::npos ? html.size() : end + 3;
            out.append(html.substr(i, stop - i));
            i = stop;
            continue;
        }
        if (rest.size() < 2 || !IsAlpha(rest[1])) {
            // End tags, declarations and stray "<" hold no artefacts.
            out += '<';
            ++i;
            continue;
        }
        TStartTag tag;
        if (!ParseStartTag(html, i, tag)) {
            out.append(rest);
            break;
        }
        std::size_t next = tag.End;
        std::size_t contentEnd = next;
        if (IsRawText(tag.Name)) {
            const std::size_t close = FindNoCase(html, "</" + tag.Name, next);
            contentEnd = close == std::string_view::npos ? html.size() : close;
        }
        if (IsEditorStyle(tag)) {
            const std::size_t closeEnd = html.find('>', contentEnd);
            i = closeEnd == std::string_view::npos ? html.size() : closeEnd + 1;
            continue;
        }
        out += CleanStartTag(html, i, tag);
        out.append(html.substr(next, contentEnd - next));
        i = contentEnd;
    }
    return out;
}

} // namespace parvane
