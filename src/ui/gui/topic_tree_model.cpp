#include "ui/gui/topic_tree_model.h"

#include "ui/gui/tree_images.h"
#include "ui/toc_commands.h"

#include <QBrush>
#include <QFont>
#include <unordered_set>

namespace parvane {

TTopicTreeModel::TTopicTreeModel(TPvx& project, const TTreeImages& images, QObject* parent)
    : QAbstractItemModel(parent), project_(project), images_(images) {
    Tree().SetObserver(this);
}

TTopicTreeModel::~TTopicTreeModel() {
    if (Tree().Observer() == this)
        Tree().SetObserver(nullptr);
}

QModelIndex TTopicTreeModel::IndexOf(const TTopicNode* node) const {
    if (!node)
        return {};
    return createIndex(node->Index(), 0, const_cast<TTopicNode*>(node));
}

TTopicNode* TTopicTreeModel::NodeOf(const QModelIndex& index) {
    return index.isValid() ? static_cast<TTopicNode*>(index.internalPointer()) : nullptr;
}

void TTopicTreeModel::BeginReset() {
    if (resetting_)
        return;
    resetting_ = true;
    beginResetModel();
}

void TTopicTreeModel::EndReset() {
    if (!resetting_)
        return;
    resetting_ = false;
    endResetModel();
    emit StructureRebuilt();
    emit TreeSelectionChanged();
}

QModelIndex TTopicTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        if (row >= Tree().RootCount())
            return {};
        return createIndex(row, 0, Tree().Root(row));
    }
    TTopicNode* node = NodeOf(parent);
    if (row >= node->Count())
        return {};
    return createIndex(row, 0, node->Child(row));
}

QModelIndex TTopicTreeModel::parent(const QModelIndex& child) const {
    TTopicNode* node = NodeOf(child);
    if (!node || !node->Parent())
        return {};
    return IndexOf(node->Parent());
}

int TTopicTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    if (!parent.isValid())
        return Tree().RootCount();
    return NodeOf(parent)->Count();
}

int TTopicTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TTopicTreeModel::data(const QModelIndex& index, int role) const {
    const TTopicNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(node->Text());
    case Qt::DecorationRole:
        return images_.Icon(node->ImageIndex());
    case Qt::FontRole:
        if (node->IsRoot()) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::ForegroundRole:
        if (!node->IsRoot() && node->RootGroup()->Index() != 2 && project_.IsDefaultTopic(node))
            return QBrush(Qt::red);
        return {};
    case Qt::ToolTipRole: {
        const std::string hint = TemplateHint(node);
        return hint.empty() ? QVariant() : QVariant(QString::fromStdString(hint));
    }
    default:
        return {};
    }
}

bool TTopicTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TTopicNode* node = NodeOf(index);
    if (role != Qt::EditRole || !node)
        return false;
    const std::string title = value.toString().toStdString();
    if (!(Rename ? Rename(node, title) : RenameTopic(project_, node, title)))
        return false;
    emit TitleEdited(node);
    return true;
}

Qt::ItemFlags TTopicTreeModel::flags(const QModelIndex& index) const {
    const TTopicNode* node = NodeOf(index);
    if (!node)
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
    if (!node->IsRoot())
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return flags;
}

// ---- the tree's notifications ------------------------------------------------------------

void TTopicTreeModel::NodesAboutToBeInserted(TTopicNode* parent, int first, int last) {
    if (!resetting_)
        beginInsertRows(IndexOf(parent), first, last);
}

void TTopicTreeModel::NodesInserted() {
    if (!resetting_)
        endInsertRows();
}

void TTopicTreeModel::NodesAboutToBeRemoved(TTopicNode* parent, int first, int last) {
    if (!resetting_)
        beginRemoveRows(IndexOf(parent), first, last);
}

void TTopicTreeModel::NodesRemoved() {
    if (!resetting_)
        endRemoveRows();
}

void TTopicTreeModel::StructureAboutToChange() {
    if (resetting_ || layoutChanging_)
        return;
    layoutChanging_ = true;
    emit layoutAboutToBeChanged();
    layoutBefore_ = persistentIndexList();
}

void TTopicTreeModel::StructureChanged() {
    if (resetting_ || !layoutChanging_)
        return;
    // Persistent indexes (the view's expanded rows, its selection) follow their nodes to
    // the new places; those of deleted nodes become invalid. Only pointers of live nodes
    // are ever dereferenced.
    std::unordered_set<const void*> alive;
    alive.reserve(static_cast<std::size_t>(Tree().Count()));
    Tree().ForEach([&](TTopicNode* node) { alive.insert(node); });
    QModelIndexList after;
    after.reserve(layoutBefore_.size());
    for (const QModelIndex& old : layoutBefore_) {
        if (alive.count(old.internalPointer()))
            after.push_back(IndexOf(static_cast<TTopicNode*>(old.internalPointer())));
        else
            after.push_back(QModelIndex());
    }
    changePersistentIndexList(layoutBefore_, after);
    layoutBefore_.clear();
    layoutChanging_ = false;
    emit layoutChanged();
    emit StructureRebuilt();
}

void TTopicTreeModel::NodeChanged(TTopicNode* node) {
    if (resetting_ || layoutChanging_)
        return;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index);
    emit NodeExpansionChanged(index, node->Expanded());
}

void TTopicTreeModel::SelectionChanged() {
    if (!resetting_)
        emit TreeSelectionChanged();
}

} // namespace parvane
