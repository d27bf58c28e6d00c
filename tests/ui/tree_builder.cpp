#include "tree_builder.h"

namespace parvane::testing {

namespace {
void Parse(TTopicTree& tree, TTopicNode* parent, const std::string& outline, std::size_t& pos) {
    while (pos < outline.size()) {
        std::string title;
        while (pos < outline.size() && outline[pos] != '(' && outline[pos] != ')' && outline[pos] != ',')
            title += outline[pos++];
        TTopicNode* node =
            tree.AddTopicNode(parent, title, imLastChildOfReference, tsLinked, 0, title + ".htm");
        if (pos < outline.size() && outline[pos] == '(') {
            ++pos;
            Parse(tree, node, outline, pos);
            ++pos; // ')'
        }
        if (pos < outline.size() && outline[pos] == ',') {
            ++pos;
            continue;
        }
        return;
    }
}
} // namespace

void BuildTopics(TTopicTree& tree, TTopicNode* parent, const std::string& outline) {
    std::size_t pos = 0;
    if (!outline.empty())
        Parse(tree, parent, outline, pos);
}

std::string Shape(const TTopicNode* parent) {
    std::string out;
    for (int i = 0; i < parent->Count(); ++i) {
        if (i > 0)
            out += ",";
        const TTopicNode* child = parent->Child(i);
        out += child->Text();
        if (child->HasChildren())
            out += "(" + Shape(child) + ")";
    }
    return out;
}

TTopicNode* FindTopic(const TTopicTree& tree, const std::string& title) {
    TTopicNode* found = nullptr;
    tree.ForEach([&](TTopicNode* node) {
        if (!found && node->Text() == title)
            found = node;
    });
    return found;
}

void SelectTopics(TTopicTree& tree, const std::vector<std::string>& titles) {
    std::vector<TTopicNode*> nodes;
    for (const auto& title : titles)
        nodes.push_back(FindTopic(tree, title));
    tree.SetSelections(nodes, nodes.empty() ? nullptr : nodes.front());
}

std::vector<std::string> SelectedTitles(const TTopicTree& tree) {
    std::vector<std::string> titles;
    for (const TTopicNode* node : tree.Selections())
        titles.push_back(node->Text());
    return titles;
}

} // namespace parvane::testing
