#pragma once
// Builds topic trees from a compact text ("A(B,C),D": A with children B and C, then D)
// and prints them back in the same form, so a test states a tree's shape in one line.

#include "model/topic_tree.h"

#include <string>
#include <vector>

namespace parvane::testing {

// Appends the described topics below parent (Status 0, Url "<title>.htm").
void BuildTopics(TTopicTree& tree, TTopicNode* parent, const std::string& outline);
// The children of parent in the same notation.
std::string Shape(const TTopicNode* parent);
// The first node in tree order with this title.
TTopicNode* FindTopic(const TTopicTree& tree, const std::string& title);
// Selects the named topics, focusing the first.
void SelectTopics(TTopicTree& tree, const std::vector<std::string>& titles);
// Titles of the selected nodes, in the order they were selected.
std::vector<std::string> SelectedTitles(const TTopicTree& tree);

} // namespace parvane::testing
