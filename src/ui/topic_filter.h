#pragma once
// Find in the tree: which topics stay visible while the author types into the find box
// above the navigation pane. A topic matches when its title, its page address or one of
// its keywords holds the text, without regard to case (ASCII letters; other characters
// compare as written); its ancestors stay with it so the match is seen in its place.

#include "model/topic_tree.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace parvane {

bool TopicMatches(const TTopicNode& node, std::string_view foldedText);
// The text as TopicMatches compares it.
std::string FoldForFind(std::string_view text);

// The matching topics and every ancestor of them (groups included); empty text keeps
// nothing (the caller shows the whole tree). One walk over the tree.
std::unordered_set<const TTopicNode*> VisibleForFind(const TTopicTree& tree, std::string_view text);

} // namespace parvane
