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
    if (a.Tops != b.Tops || a.Starts != b.Starts || a.FirstChild != b.FirstChild ||
        a.ChildCount != b.ChildCount || a.Records.size() != b.Records.size())
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

// Copies the parts at tops (and the settings and selection): each top's record and, with
// children, the run of its children given by runs (all of them when runs is null) with their
// subtrees. nodes receives the node of each record, for matching the topics of two copies.
TTreeState Capture(const TPvx& project, const std::vector<TNodePath>& tops, bool withChildren,
                   std::vector<const TTopicNode*>* nodes, const TTreeState* runs = nullptr) {
    const TTopicTree& tree = project.Tree();
    TTreeState state;
    state.Tops = tops;
    for (std::size_t part = 0; part < tops.size(); ++part) {
        state.Starts.push_back(state.Records.size());
        const TTopicNode* top = NodeAtPath(tree, tops[part]);
        int first = 0;
        int count = top && withChildren ? top->Count() : 0;
        if (runs && withChildren) {
            first = runs->FirstChild[part];
            count = top ? std::clamp(top->Count() - first, 0, runs->ChildCount[part]) : 0;
        }
        state.FirstChild.push_back(first);
        state.ChildCount.push_back(count);
        if (!top)
            continue;
        state.Records.push_back(RecordOf(top, 0));
        if (nodes)
            nodes->push_back(top);
        // Pre-order without recursion: a deep outline must not exhaust the stack.
        std::vector<std::pair<const TTopicNode*, int>> pending;
        for (int i = first + count - 1; i >= first; --i)
            pending.emplace_back(top->Child(i), 1);
        while (!pending.empty()) {
            const auto [node, depth] = pending.back();
            pending.pop_back();
            state.Records.push_back(RecordOf(node, depth));
            if (nodes)
                nodes->push_back(node);
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

// Writes a copy back in place: the tops take their records, and with children the run of
// children the tree holds now (replaced, as the other side of the step describes it) is
// rebuilt from the copy.
void Apply(TPvx& project, const TTreeState& state, const std::vector<int>& replaced,
           bool withChildren) {
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
        const int first = std::min(state.FirstChild[part], top->Count());
        const int last = std::min(first + replaced[part], top->Count());
        if (first == 0 && last == top->Count()) {
            tree.DeleteChildren(top);
        } else {
            // From the back: the siblings in front keep their places (and their indexes).
            for (int i = last - 1; i >= first; --i)
                tree.DeleteNode(top->Child(i));
        }
        std::vector<TTopicNode*> parents{top};
        int at = first;
        for (std::size_t i = begin + 1; i < end; ++i) {
            const TNodeRecord& record = state.Records[i];
            parents.resize(static_cast<std::size_t>(record.Depth));
            TTopicNode* node = record.Depth == 1 ? tree.InsertChild(top, at++, record.Text)
                                                 : tree.AddChild(parents.back(), record.Text);
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
    tree.SetSelections(selection,
                       state.Focused.empty() ? nullptr : NodeAtPath(tree, state.Focused));
    tree.EndUpdate();
    project.Modified = true;
}

// Moves the tree from the state a step left (then) to the state it describes (target):
// edits made since, outside the stack, are carried into target first.
void Travel(TPvx& project, TTreeState& then, TTreeState& target,
            const std::vector<int>& thenToTarget, bool withChildren) {
    TTreeState now = Capture(project, then.Tops, withChildren, nullptr, &then);
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
    Apply(project, target, now.ChildCount, withChildren);
}

// The records of one part: its top's record, then one run of records per child subtree.
struct TPartChunks {
    std::size_t Self = 0;
    std::vector<std::pair<std::size_t, std::size_t>> Children; // [begin, end) per child
};

TPartChunks ChunksOf(const TTreeState& state, std::size_t part) {
    TPartChunks chunks;
    const std::size_t begin = state.Starts[part];
    const std::size_t end =
        part + 1 < state.Tops.size() ? state.Starts[part + 1] : state.Records.size();
    chunks.Self = begin;
    for (std::size_t i = begin + 1; i < end; ++i) {
        if (state.Records[i].Depth == 1)
            chunks.Children.emplace_back(i, i + 1);
        else if (!chunks.Children.empty())
            chunks.Children.back().second = i + 1;
    }
    if (!chunks.Children.empty())
        chunks.Children.back().second = end;
    return chunks;
}

bool SameChunk(const TTreeState& a, std::pair<std::size_t, std::size_t> ca, const TTreeState& b,
               std::pair<std::size_t, std::size_t> cb) {
    if (ca.second - ca.first != cb.second - cb.first)
        return false;
    for (std::size_t i = 0; i < ca.second - ca.first; ++i)
        if (!SameRecord(a.Records[ca.first + i], b.Records[cb.first + i]))
            return false;
    return true;
}

// Keeps of each part only the run of children between the first and the last that differ
// on the two sides; afterToBefore follows the records that stay.
void TrimToChangedRuns(TTreeState& before, TTreeState& after, std::vector<int>& afterToBefore) {
    // Everything but the records and where the parts start.
    const auto frame = [](TTreeState& from) {
        TTreeState kept;
        kept.Tops = std::move(from.Tops);
        kept.FirstChild = std::move(from.FirstChild);
        kept.ChildCount = std::move(from.ChildCount);
        kept.Settings = std::move(from.Settings);
        kept.Selection = std::move(from.Selection);
        kept.Focused = std::move(from.Focused);
        return kept;
    };
    TTreeState keptBefore = frame(before), keptAfter = frame(after);
    before.Tops = keptBefore.Tops;
    after.Tops = keptAfter.Tops;
    std::vector<int> newBefore(before.Records.size(), -1), newAfter(after.Records.size(), -1);
    const auto keep = [](const TTreeState& from, TTreeState& to, std::vector<int>& index,
                         std::pair<std::size_t, std::size_t> range) {
        for (std::size_t i = range.first; i < range.second; ++i) {
            index[i] = static_cast<int>(to.Records.size());
            to.Records.push_back(from.Records[i]);
        }
    };
    for (std::size_t part = 0; part < before.Tops.size(); ++part) {
        keptBefore.Starts.push_back(keptBefore.Records.size());
        keptAfter.Starts.push_back(keptAfter.Records.size());
        const std::size_t beforeEnd =
            part + 1 < before.Tops.size() ? before.Starts[part + 1] : before.Records.size();
        const std::size_t afterEnd =
            part + 1 < after.Tops.size() ? after.Starts[part + 1] : after.Records.size();
        if (before.Starts[part] == beforeEnd || after.Starts[part] == afterEnd)
            continue; // a top that is not there: nothing to keep
        const TPartChunks b = ChunksOf(before, part);
        const TPartChunks a = ChunksOf(after, part);
        const std::size_t nb = b.Children.size(), na = a.Children.size();
        std::size_t same = 0;
        while (same < nb && same < na &&
               SameChunk(before, b.Children[same], after, a.Children[same]))
            ++same;
        std::size_t tail = 0;
        while (tail < nb - same && tail < na - same &&
               SameChunk(before, b.Children[nb - 1 - tail], after, a.Children[na - 1 - tail]))
            ++tail;
        keep(before, keptBefore, newBefore, {b.Self, b.Self + 1});
        keep(after, keptAfter, newAfter, {a.Self, a.Self + 1});
        for (std::size_t i = same; i < nb - tail; ++i)
            keep(before, keptBefore, newBefore, b.Children[i]);
        for (std::size_t i = same; i < na - tail; ++i)
            keep(after, keptAfter, newAfter, a.Children[i]);
        keptBefore.FirstChild[part] += static_cast<int>(same);
        keptAfter.FirstChild[part] += static_cast<int>(same);
        keptBefore.ChildCount[part] = static_cast<int>(nb - same - tail);
        keptAfter.ChildCount[part] = static_cast<int>(na - same - tail);
    }
    std::vector<int> mapping(keptAfter.Records.size(), -1);
    for (std::size_t j = 0; j < afterToBefore.size(); ++j) {
        const int to = newAfter[j];
        const int from = afterToBefore[j];
        if (to >= 0 && from >= 0)
            mapping[static_cast<std::size_t>(to)] = newBefore[static_cast<std::size_t>(from)];
    }
    before = std::move(keptBefore);
    after = std::move(keptAfter);
    afterToBefore = std::move(mapping);
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

        if (withChildren)
            TrimToChangedRuns(before, after, afterToBefore);
        TUndoStep* last = position_ > 0 && position_ == steps_.size() ? &steps_.back() : nullptr;
        if (last && mergeOpen_ && !mergeKey.empty() && !withChildren &&
            last->MergeKey == mergeKey && !last->WithChildren && last->After.Tops == tops &&
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

std::size_t TTocUndoStack::RecordCount() const {
    std::size_t count = 0;
    for (const TUndoStep& step : steps_)
        count += step.Before.Records.size() + step.After.Records.size();
    return count;
}

void TTocUndoStack::Clear() {
    steps_.clear();
    position_ = 0;
    mergeOpen_ = false;
}

} // namespace parvane
