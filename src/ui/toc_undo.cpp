#include "ui/toc_undo.h"

#include "ui/toc_commands.h"

#include <algorithm>
#include <exception>
#include <unordered_map>
#include <unordered_set>

namespace parvane {

namespace {

bool SameData(const TLeftTreeData& a, const TLeftTreeData& b) {
    return a.Level == b.Level && a.Url == b.Url && a.Icon == b.Icon && a.Status == b.Status &&
           a.Keywords == b.Keywords && a.ContextNumber == b.ContextNumber &&
           a.ApplyTemp == b.ApplyTemp && a.Expanded == b.Expanded && a.Kind == b.Kind;
}

bool SameRecord(const TNodeRecord& a, const TNodeRecord& b) {
    return a.Depth == b.Depth && a.Text == b.Text && a.Image == b.Image &&
           a.Expanded == b.Expanded && SameData(a.Data, b.Data);
}

bool SameSettings(const TTreeSettings& a, const TTreeSettings& b) {
    return a.DefaultTopic == b.DefaultTopic && a.HtmlHelpTemplate == b.HtmlHelpTemplate &&
           a.WebHelpTemplate == b.WebHelpTemplate && a.WebHelpTemplateSame == b.WebHelpTemplateSame;
}

// The same tops and the same outline: records correspond one to one.
bool SameShape(const TTreeState& a, const TTreeState& b) {
    if (a.Tops != b.Tops || a.Starts != b.Starts || a.Records.size() != b.Records.size())
        return false;
    for (std::size_t i = 0; i < a.Records.size(); ++i)
        if (a.Records[i].Depth != b.Records[i].Depth)
            return false;
    return true;
}

// Copies into target every field in which now differs from then.
template <typename T> void CarryField(const T& then, const T& now, T& target) {
    if (!(now == then))
        target = now;
}

void CarryRecord(const TNodeRecord& then, const TNodeRecord& now, TNodeRecord& target) {
    CarryField(then.Text, now.Text, target.Text);
    CarryField(then.Image, now.Image, target.Image);
    CarryField(then.Expanded, now.Expanded, target.Expanded);
    CarryField(then.Data.Url, now.Data.Url, target.Data.Url);
    CarryField(then.Data.Icon, now.Data.Icon, target.Data.Icon);
    CarryField(then.Data.Status, now.Data.Status, target.Data.Status);
    CarryField(then.Data.Keywords, now.Data.Keywords, target.Data.Keywords);
    CarryField(then.Data.ContextNumber, now.Data.ContextNumber, target.Data.ContextNumber);
    CarryField(then.Data.ApplyTemp, now.Data.ApplyTemp, target.Data.ApplyTemp);
    CarryField(then.Data.Expanded, now.Data.Expanded, target.Data.Expanded);
}

void CarrySettings(const TTreeSettings& then, const TTreeSettings& now, TTreeSettings& target) {
    CarryField(then.DefaultTopic, now.DefaultTopic, target.DefaultTopic);
    CarryField(then.HtmlHelpTemplate, now.HtmlHelpTemplate, target.HtmlHelpTemplate);
    CarryField(then.WebHelpTemplate, now.WebHelpTemplate, target.WebHelpTemplate);
    CarryField(then.WebHelpTemplateSame, now.WebHelpTemplateSame, target.WebHelpTemplateSame);
}

TNodeRecord RecordOf(const TTopicNode* node, int depth) {
    TNodeRecord record;
    record.Depth = depth;
    record.Text = node->Text();
    record.Data = node->Data();
    record.Image = node->ImageIndex();
    record.Expanded = node->Expanded();
    return record;
}

// The parts to copy: the whole tree for nullptr; with children only the topmost nodes
// (a part inside another is already in it); each node once; in tree order.
std::vector<TNodePath> TopsOf(const TTopicTree& tree, const std::vector<TTopicNode*>& scope,
                              bool withChildren) {
    std::vector<TNodePath> paths;
    const bool whole = std::find(scope.begin(), scope.end(), nullptr) != scope.end();
    if (whole) {
        for (int i = 0; i < tree.RootCount(); ++i)
            paths.push_back({i});
        return paths;
    }
    std::unordered_set<const TTopicNode*> seen;
    for (const TTopicNode* node : scope)
        if (seen.insert(node).second)
            paths.push_back(PathOf(node));
    std::sort(paths.begin(), paths.end());
    if (!withChildren)
        return paths;
    std::vector<TNodePath> topmost;
    for (TNodePath& path : paths) {
        const bool inside = !topmost.empty() && path.size() > topmost.back().size() &&
                            std::equal(topmost.back().begin(), topmost.back().end(), path.begin());
        if (!inside)
            topmost.push_back(std::move(path));
    }
    return topmost;
}

TTreeSettings SettingsOf(const TPvx& project) {
    const TProjectSettings& s = project.ProjectSettings;
    return {s.DefaultTopic, s.HtmlHelpTemplate, s.WebHelpTemplate, s.WebHelpTemplateSame};
}

// Copies the parts at tops (and the settings and selection); nodes receives the node of
// each record, for matching the topics of two copies.
TTreeState Capture(const TPvx& project, const std::vector<TNodePath>& tops, bool withChildren,
                   std::vector<const TTopicNode*>* nodes) {
    const TTopicTree& tree = project.Tree();
    TTreeState state;
    state.Tops = tops;
    for (const TNodePath& path : tops) {
        state.Starts.push_back(state.Records.size());
        const TTopicNode* top = NodeAtPath(tree, path);
        if (!top)
            continue;
        // Pre-order without recursion: a deep outline must not exhaust the stack.
        std::vector<std::pair<const TTopicNode*, int>> pending{{top, 0}};
        while (!pending.empty()) {
            const auto [node, depth] = pending.back();
            pending.pop_back();
            state.Records.push_back(RecordOf(node, depth));
            if (nodes)
                nodes->push_back(node);
            if (!withChildren)
                continue;
            for (int i = node->Count() - 1; i >= 0; --i)
                pending.emplace_back(node->Child(i), depth + 1);
        }
    }
    state.Settings = SettingsOf(project);
    for (const TTopicNode* node : tree.Selections())
        state.Selection.push_back(PathOf(node));
    if (tree.Selected())
        state.Focused = PathOf(tree.Selected());
    return state;
}

void WriteRecord(TTopicNode* node, const TNodeRecord& record) {
    if (node->Text() != record.Text)
        node->SetText(record.Text);
    node->Data() = record.Data;
    node->SetImage(record.Image);
    node->SetExpanded(record.Expanded);
}

// Writes a copy back in place: the tops take their records, and with children their
// subtrees are rebuilt from the copy.
void Apply(TPvx& project, const TTreeState& state, bool withChildren) {
    TTopicTree& tree = project.Tree();
    tree.BeginUpdate();
    for (std::size_t part = 0; part < state.Tops.size(); ++part) {
        TTopicNode* top = NodeAtPath(tree, state.Tops[part]);
        const std::size_t begin = state.Starts[part];
        const std::size_t end =
            part + 1 < state.Tops.size() ? state.Starts[part + 1] : state.Records.size();
        if (!top || begin >= end)
            continue;
        WriteRecord(top, state.Records[begin]);
        if (!withChildren)
            continue;
        tree.DeleteChildren(top);
        std::vector<TTopicNode*> parents{top};
        for (std::size_t i = begin + 1; i < end; ++i) {
            const TNodeRecord& record = state.Records[i];
            parents.resize(static_cast<std::size_t>(record.Depth));
            TTopicNode* node = tree.AddChild(parents.back(), record.Text);
            WriteRecord(node, record);
            parents.push_back(node);
        }
    }
    TProjectSettings& s = project.ProjectSettings;
    s.DefaultTopic = state.Settings.DefaultTopic;
    s.HtmlHelpTemplate = state.Settings.HtmlHelpTemplate;
    s.WebHelpTemplate = state.Settings.WebHelpTemplate;
    s.WebHelpTemplateSame = state.Settings.WebHelpTemplateSame;
    project.UpdateTopicImages();
    std::vector<TTopicNode*> selection;
    for (const TNodePath& path : state.Selection)
        if (TTopicNode* node = NodeAtPath(tree, path))
            selection.push_back(node);
    tree.SetSelections(selection, state.Focused.empty() ? nullptr : NodeAtPath(tree, state.Focused));
    tree.EndUpdate();
    project.Modified = true;
}

// Moves the tree from the state a step left (then) to the state it describes (target):
// edits made since, outside the stack, are carried into target first.
void Travel(TPvx& project, TTreeState& then, TTreeState& target, const std::vector<int>& thenToTarget,
            bool withChildren) {
    TTreeState now = Capture(project, then.Tops, withChildren, nullptr);
    if (SameShape(now, then)) {
        for (std::size_t j = 0; j < now.Records.size(); ++j) {
            const int i = thenToTarget[j];
            if (i >= 0 && !SameRecord(now.Records[j], then.Records[j]))
                CarryRecord(then.Records[j], now.Records[j],
                            target.Records[static_cast<std::size_t>(i)]);
        }
        then.Records = std::move(now.Records);
    }
    CarrySettings(then.Settings, now.Settings, target.Settings);
    then.Settings = now.Settings;
    Apply(project, target, withChildren);
}

} // namespace

TNodePath PathOf(const TTopicNode* node) {
    TNodePath path;
    for (; node; node = node->Parent())
        path.push_back(node->Index());
    std::reverse(path.begin(), path.end());
    return path;
}

TTopicNode* NodeAtPath(const TTopicTree& tree, const TNodePath& path) {
    if (path.empty() || path[0] < 0 || path[0] >= tree.RootCount())
        return nullptr;
    TTopicNode* node = tree.Root(path[0]);
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] < 0 || path[i] >= node->Count())
            return nullptr;
        node = node->Child(path[i]);
    }
    return node;
}

std::vector<TTopicNode*> ParentsOfSelection(const TTopicTree& tree) {
    std::vector<TTopicNode*> parents;
    for (TTopicNode* node : CollectMovableSelection(tree).Movable)
        parents.push_back(node->Parent());
    return parents;
}

std::vector<TTopicNode*> GrandparentsOfSelection(const TTopicTree& tree) {
    std::vector<TTopicNode*> scope;
    for (TTopicNode* node : CollectMovableSelection(tree).Movable) {
        TTopicNode* parent = node->Parent();
        scope.push_back(parent->Parent() ? parent->Parent() : parent);
    }
    return scope;
}

std::vector<TTopicNode*> DropScope(const TTopicTree& tree, TTopicNode* target, bool asChild) {
    std::vector<TTopicNode*> scope = ParentsOfSelection(tree);
    if (target)
        scope.push_back(asChild || target->IsRoot() ? target : target->Parent());
    return scope;
}

std::vector<TTopicNode*> AddScope(const TTopicTree& tree, int page) {
    TTopicNode* group = tree.Root(std::clamp(page, 0, tree.RootCount() - 1));
    TTopicNode* selected = tree.Selected();
    if (selected && !selected->IsRoot() && selected->RootGroup() == group)
        return {selected->Parent()};
    return {group};
}

bool TTocUndoStack::Record(TPvx& project, const std::string& name,
                           const std::vector<TTopicNode*>& scope, bool withChildren,
                           const std::function<void()>& command, const std::string& mergeKey) {
    std::vector<const TTopicNode*> beforeNodes;
    const std::vector<TNodePath> tops = TopsOf(project.Tree(), scope, withChildren);
    TTreeState before = Capture(project, tops, withChildren, &beforeNodes);
    std::exception_ptr failure;
    try {
        command();
    } catch (...) {
        failure = std::current_exception();
    }
    std::vector<const TTopicNode*> afterNodes;
    TTreeState after = Capture(project, tops, withChildren, &afterNodes);

    bool changed = !SameSettings(before.Settings, after.Settings) ||
                   before.Records.size() != after.Records.size();
    for (std::size_t i = 0; !changed && i < before.Records.size(); ++i)
        changed = !SameRecord(before.Records[i], after.Records[i]);
    if (changed) {
        std::unordered_map<const TTopicNode*, int> beforeIndex;
        beforeIndex.reserve(beforeNodes.size());
        for (std::size_t i = 0; i < beforeNodes.size(); ++i)
            beforeIndex.emplace(beforeNodes[i], static_cast<int>(i));
        std::vector<int> afterToBefore(afterNodes.size(), -1);
        for (std::size_t j = 0; j < afterNodes.size(); ++j)
            if (auto it = beforeIndex.find(afterNodes[j]); it != beforeIndex.end())
                afterToBefore[j] = it->second;

        TUndoStep* last = position_ > 0 && position_ == steps_.size() ? &steps_.back() : nullptr;
        if (last && mergeOpen_ && !mergeKey.empty() && last->MergeKey == mergeKey &&
            last->WithChildren == withChildren && last->After.Tops == tops &&
            last->After.Records.size() == before.Records.size()) {
            // The steps compose: a topic of the new state is the topic of the old "before"
            // that its previous self was.
            for (int& i : afterToBefore)
                if (i >= 0)
                    i = last->AfterToBefore[static_cast<std::size_t>(i)];
            last->After = std::move(after);
            last->AfterToBefore = std::move(afterToBefore);
        } else {
            steps_.resize(position_);
            steps_.push_back({name, mergeKey, withChildren, std::move(before), std::move(after),
                              std::move(afterToBefore)});
            position_ = steps_.size();
        }
        mergeOpen_ = !mergeKey.empty();
    }
    if (failure)
        std::rethrow_exception(failure);
    return changed;
}

std::string TTocUndoStack::UndoName() const {
    return CanUndo() ? steps_[position_ - 1].Name : std::string();
}

std::string TTocUndoStack::RedoName() const {
    return CanRedo() ? steps_[position_].Name : std::string();
}

bool TTocUndoStack::Undo(TPvx& project) {
    if (!CanUndo())
        return false;
    TUndoStep& step = steps_[position_ - 1];
    Travel(project, step.After, step.Before, step.AfterToBefore, step.WithChildren);
    --position_;
    mergeOpen_ = false;
    return true;
}

bool TTocUndoStack::Redo(TPvx& project) {
    if (!CanRedo())
        return false;
    TUndoStep& step = steps_[position_];
    std::vector<int> beforeToAfter(step.Before.Records.size(), -1);
    for (std::size_t j = 0; j < step.AfterToBefore.size(); ++j)
        if (const int i = step.AfterToBefore[j]; i >= 0)
            beforeToAfter[static_cast<std::size_t>(i)] = static_cast<int>(j);
    Travel(project, step.Before, step.After, beforeToAfter, step.WithChildren);
    ++position_;
    mergeOpen_ = false;
    return true;
}

void TTocUndoStack::Clear() {
    steps_.clear();
    position_ = 0;
    mergeOpen_ = false;
}

} // namespace parvane
