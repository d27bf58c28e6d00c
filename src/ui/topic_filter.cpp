#include "ui/topic_filter.h"

#include <algorithm>

namespace parvane {

namespace {

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether haystack holds the folded needle, folding haystack as it goes (no copy).
bool Holds(std::string_view haystack, std::string_view folded) {
    if (folded.empty())
        return true;
    if (haystack.size() < folded.size())
        return false;
    const auto it = std::search(haystack.begin(), haystack.end(), folded.begin(), folded.end(),
                                [](char a, char b) { return Fold(a) == b; });
    return it != haystack.end();
}

} // namespace

std::string FoldForFind(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), Fold);
    return folded;
}

bool TopicMatches(const TTopicNode& node, std::string_view foldedText) {
    const TLeftTreeData& data = node.Data();
    // Keywords are one per line: a match may not run across two of them.
    if (Holds(node.Text(), foldedText) || Holds(data.Url, foldedText))
        return true;
    std::string_view keywords = data.Keywords;
    while (!keywords.empty()) {
        const std::size_t end = keywords.find_first_of("\r\n");
        if (Holds(keywords.substr(0, end), foldedText))
            return true;
        if (end == std::string_view::npos)
            break;
        keywords.remove_prefix(end + 1);
    }
    return false;
}

std::unordered_set<const TTopicNode*> VisibleForFind(const TTopicTree& tree,
                                                     std::string_view text) {
    std::unordered_set<const TTopicNode*> visible;
    const std::string folded = FoldForFind(text);
    if (folded.empty())
        return visible;
    tree.ForEach([&](TTopicNode* node) {
        if (node->IsRoot() || !TopicMatches(*node, folded))
            return;
        // Up to the first ancestor already kept: every node is inserted once.
        for (const TTopicNode* n = node; n && visible.insert(n).second; n = n->Parent()) {
        }
    });
    return visible;
}

} // namespace parvane
