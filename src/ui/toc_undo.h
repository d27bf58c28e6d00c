#pragma once
// Undo and redo of the topic tree commands, without widgets.
//
// A step keeps the part of the tree a command may change, as it was before and after the
// command: the subtrees of the topmost parents whose children change (or, for a rename, an
// icon or a link, only the records of the topics themselves), the template and default-topic
// settings, and the selection. Of a parent's children only the run between the first and the
// last that differ is kept, so moving one chapter of a long book keeps two chapters. Undo writes
// the "before" copy back in place, redo the "after" copy. Parts are found again by their path of
// sibling indexes, which a command never changes for the parents it names, so no step holds a
// pointer to a node.
//
// Edits made between steps without going through the stack (keywords typed in the topic
// options, a new page saved, a topic expanded) are carried over: when the state found at
// undo differs from the state the step left, the differing fields are copied into the
// restored records of the same topics.

#include "model/project_file.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace parvane {

// One topic of a copied part: its place (depth below the part's top, 0 for the top
// itself, in pre-order), its title and its record.
struct TNodeRecord {
    int Depth = 0;
    std::string Text;
    TLeftTreeData Data;
    int Image = 0;
    bool Expanded = false;
};

// The settings a tree command may change.
struct TTreeSettings {
    std::string DefaultTopic;
    std::string HtmlHelpTemplate;
    std::string WebHelpTemplate;
    bool WebHelpTemplateSame = true;
};

using TNodePath = std::vector<int>;

struct TTreeState {
    // The tops of the copied parts and, per part, where its records start in Records.
    std::vector<TNodePath> Tops;
    std::vector<std::size_t> Starts;
    // Per part, the run of the top's children the copy holds (the top's own record comes
    // first, then those children with their subtrees): children before and after the run
    // are the same on both sides of a step and stay as they are.
    std::vector<int> FirstChild;
    std::vector<int> ChildCount;
    std::vector<TNodeRecord> Records;
    TTreeSettings Settings;
    std::vector<TNodePath> Selection;
    TNodePath Focused; // empty: nothing focused
};

struct TUndoStep {
    std::string Name;
    std::string MergeKey; // consecutive steps with the same key and parts become one
    bool WithChildren = true;
    TTreeState Before;
    TTreeState After;
    // For each record of After, the record of Before that is the same topic, or -1.
    std::vector<int> AfterToBefore;
};

// The path of sibling indexes from the top level down to node.
TNodePath PathOf(const TTopicNode* node);
// The node at a path, or nullptr.
TTopicNode* NodeAtPath(const TTopicTree& tree, const TNodePath& path);

// The parts a command changes, as the nodes to copy (nullptr stands for the whole tree).
// Parents of the movable selection: delete, move up, down, right, right with a heading.
std::vector<TTopicNode*> ParentsOfSelection(const TTopicTree& tree);
// Move left also changes the grandparents' children.
std::vector<TTopicNode*> GrandparentsOfSelection(const TTopicTree& tree);
// A drop changes the selection's parents and the target's parent (or the target).
std::vector<TTopicNode*> DropScope(const TTopicTree& tree, TTopicNode* target, bool asChild);
// Adding into group page: beside or below the selected topic when it lies in that group,
// else at the end of the group.
std::vector<TTopicNode*> AddScope(const TTopicTree& tree, int page);

class TTocUndoStack {
public:
    // Runs command and keeps a step named name for it, when it changed anything. scope is
    // the list of parts (see above); withChildren false copies only the records of the
    // nodes in scope (renames, icons, links). A step whose mergeKey equals the last step's
    // and covers the same parts is folded into it (typing a title is one step). Returns
    // whether a step was kept or extended. An exception from command is passed on after
    // whatever it changed has been kept.
    bool Record(TPvx& project, const std::string& name, const std::vector<TTopicNode*>& scope,
                bool withChildren, const std::function<void()>& command,
                const std::string& mergeKey = {});

    bool CanUndo() const { return position_ > 0; }
    bool CanRedo() const { return position_ < steps_.size(); }
    std::string UndoName() const;
    std::string RedoName() const;
    // Writes the previous state back (selection included) and marks the project
    // modified. False when there is nothing to undo.
    bool Undo(TPvx& project);
    bool Redo(TPvx& project);
    void Clear();
    std::size_t Count() const { return steps_.size(); }
    // The topic records the history holds, both sides of every step: what its memory
    // grows with.
    std::size_t RecordCount() const;
    std::size_t Position() const { return position_; }
    // A merge never reaches across this point (the author moved on to something else).
    void CloseMerge() { mergeOpen_ = false; }

private:
    std::vector<TUndoStep> steps_;
    std::size_t position_ = 0;
    bool mergeOpen_ = false;
};

} // namespace parvane
