#pragma once
// Checking the HTML the editor gives for saving with libxml2's HTML parser, as another
// program reading the page would.

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>
#include <string>
#include <vector>

namespace parvane::testing {

// What an HTML parser finds wrong with a page: elements a parser would not leave where
// they are (a list or table inside a paragraph), and, inside the body, style attributes
// and non-breaking spaces and line breaks beyond those allowed.
struct THtmlFindings {
    std::vector<std::string> Misnested; // "p>ul" and the like
    int Styles = 0;
    int LineBreaks = 0;
    int NonBreakingSpaces = 0;
};

inline void CollectFindings(xmlNode* node, bool inParagraph, bool inBody, THtmlFindings& out) {
    static const char* const kBlocks[] = {"ul", "ol",  "table",      "div", "p",
                                          "h1", "h2",  "h3",         "h4",  "h5",
                                          "h6", "pre", "blockquote", "hr",  "dl"};
    for (xmlNode* child = node; child; child = child->next) {
        if (child->type == XML_TEXT_NODE && inBody && child->content) {
            const std::string text(reinterpret_cast<const char*>(child->content));
            for (std::size_t at = text.find("\xC2\xA0"); at != std::string::npos;
                 at = text.find("\xC2\xA0", at + 2))
                ++out.NonBreakingSpaces;
        }
        if (child->type != XML_ELEMENT_NODE)
            continue;
        const std::string name(reinterpret_cast<const char*>(child->name));
        if (inParagraph)
            for (const char* block : kBlocks)
                if (name == block)
                    out.Misnested.push_back("p>" + name);
        const bool body = inBody || name == "body";
        if (body && xmlHasProp(child, reinterpret_cast<const xmlChar*>("style")))
            ++out.Styles;
        if (body && name == "br")
            ++out.LineBreaks;
        const bool paragraph = name == "p" || (inParagraph && name != "td" && name != "th");
        CollectFindings(child->children, paragraph, body, out);
    }
}

// Parses html as libxml2 does for HTML: a misnested block shows as the parser's own
// correction, so the check runs on the tree the editor's text gives to a plain parser and
// compares element counts with what the browser saw.
inline THtmlFindings ParseFindings(const std::string& html) {
    THtmlFindings findings;
    htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return findings;
    CollectFindings(xmlDocGetRootElement(doc), false, false, findings);
    xmlFreeDoc(doc);
    return findings;
}

// Counts elements of a tag in html as libxml2 parses it.
inline int CountParsed(const std::string& html, const char* tag) {
    htmlDocPtr doc = htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                    HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc)
        return -1;
    int count = 0;
    std::vector<xmlNode*> todo{xmlDocGetRootElement(doc)};
    while (!todo.empty()) {
        xmlNode* node = todo.back();
        todo.pop_back();
        for (; node; node = node->next) {
            if (node->type == XML_ELEMENT_NODE &&
                std::string(reinterpret_cast<const char*>(node->name)) == tag)
                ++count;
            if (node->children)
                todo.push_back(node->children);
        }
    }
    xmlFreeDoc(doc);
    return count;
}

} // namespace parvane::testing
