#pragma once
// The navigation pane's item model: a view of the project's own topic tree, not a copy.
// Each index points at its TTopicNode; the tree's observer calls become Qt's row and
// layout signals, so the view follows every command without being rebuilt.

#include "model/project_file.h"

#include <QAbstractItemModel>
#include <functional>

namespace parvane {

class TTreeImages;

inline constexpr const char* TopicMimeType = "application/x-parvane-topics";

class TTopicTreeModel : public QAbstractItemModel, public TTreeObserver {
    Q_OBJECT
public:
    TTopicTreeModel(TPvx& project, const TTreeImages& images, QObject* parent = nullptr);
    ~TTopicTreeModel() override;

    TPvx& Project() const { return project_; }
    TTopicTree& Tree() const { return project_.Tree(); }
    QModelIndex IndexOf(const TTopicNode* node) const;
    static TTopicNode* NodeOf(const QModelIndex& index);

    // Renames a topic edited in place (the window keeps it in the undo history); without
    // it the title is set directly.
    std::function<bool(TTopicNode*, const std::string&)> Rename;

    // Around replacing the whole tree (loading, a new project): one reset instead of a
    // signal per topic.
    void BeginReset();
    void EndReset();

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override { return {TopicMimeType}; }

    // TTreeObserver
    void NodesAboutToBeInserted(TTopicNode* parent, int first, int last) override;
    void NodesInserted() override;
    void NodesAboutToBeRemoved(TTopicNode* parent, int first, int last) override;
    void NodesRemoved() override;
    void StructureAboutToChange() override;
    void StructureChanged() override;
    void NodeChanged(TTopicNode* node) override;
    void SelectionChanged() override;

signals:
    // The tree was rearranged or replaced: the view re-applies expansion and selection.
    void StructureRebuilt();
    void TreeSelectionChanged();
    void NodeExpansionChanged(const QModelIndex& index, bool expanded);
    // A title was edited in place.
    void TitleEdited(parvane::TTopicNode* node);

private:
    TPvx& project_;
    const TTreeImages& images_;
    bool resetting_ = false;
    bool layoutChanging_ = false;
    QModelIndexList layoutBefore_;
};

} // namespace parvane
