#include "ui/gui/topic_tree_view.h"

#include "ui/gui/topic_tree_model.h"
#include "ui/topic_filter.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>

namespace parvane {

TTopicTreeView::TTopicTreeView(QWidget* parent) : QTreeView(parent) {
    setObjectName("tvLeft");
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setAutoScroll(false); // our own 80 ms scrolling while dragging
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setUniformRowHeights(true);
    scrollTimer_.setInterval(ScrollInterval);
    expandTimer_.setInterval(ExpandDelay);
    expandTimer_.setSingleShot(true);
    connect(&scrollTimer_, &QTimer::timeout, this, &TTopicTreeView::ScrollTick);
    connect(&expandTimer_, &QTimer::timeout, this, &TTopicTreeView::ExpandTick);
    // The author opening or closing a node: the tree moves its image within its pair.
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (TTopicNode* node = TTopicTreeModel::NodeOf(index); node && !syncing_)
            node->Expand();
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (TTopicNode* node = TTopicTreeModel::NodeOf(index); node && !syncing_)
            node->Collapse();
    });
}

void TTopicTreeView::SetTopicModel(TTopicTreeModel* model) {
    model_ = model;
    setModel(model);
    connect(model, &TTopicTreeModel::StructureRebuilt, this, [this] {
        SyncExpansion();
        if (!filter_.isEmpty())
            ApplyFilter();
        SyncSelectionFromTree();
    });
    connect(model, &TTopicTreeModel::TreeSelectionChanged, this,
            &TTopicTreeView::SyncSelectionFromTree);
    connect(model, &TTopicTreeModel::NodeExpansionChanged, this,
            [this](const QModelIndex& index, bool expanded) {
                if (isExpanded(index) != expanded) {
                    syncing_ = true;
                    setExpanded(index, expanded);
                    syncing_ = false;
                }
            });
    SyncExpansion();
}

TTopicNode* TTopicTreeView::NodeAt(const QPoint& viewportPos) const {
    return TTopicTreeModel::NodeOf(indexAt(viewportPos));
}

void TTopicTreeView::SyncExpansion() {
    if (!model_)
        return;
    syncing_ = true;
    model_->Tree().ForEach([this](TTopicNode* node) {
        if (!node->HasChildren())
            return;
        const QModelIndex index = model_->IndexOf(node);
        if (isExpanded(index) != node->Expanded())
            setExpanded(index, node->Expanded());
    });
    syncing_ = false;
}

void TTopicTreeView::SyncSelectionFromTree() {
    if (!model_ || syncing_)
        return;
    syncing_ = true;
    QItemSelection selection;
    for (TTopicNode* node : model_->Tree().Selections()) {
        const QModelIndex index = model_->IndexOf(node);
        selection.select(index, index);
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const QModelIndex focused = model_->IndexOf(model_->Tree().Selected());
    selectionModel()->setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
    if (focused.isValid())
        scrollTo(focused);
    syncing_ = false;
    emit SelectionSynced();
}

void TTopicTreeView::PushSelectionToTree() {
    if (!model_ || syncing_)
        return;
    syncing_ = true;
    std::vector<TTopicNode*> nodes;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        nodes.push_back(TTopicTreeModel::NodeOf(index));
    TTopicNode* focused = TTopicTreeModel::NodeOf(currentIndex());
    model_->Tree().SetSelections(nodes, focused);
    syncing_ = false;
    // A change of selection ends any drag state.
    dropTarget_ = nullptr;
    emit SelectionSynced();
}

void TTopicTreeView::selectionChanged(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    PushSelectionToTree();
}

void TTopicTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    PushSelectionToTree();
}

void TTopicTreeView::EditSelectedTitle() {
    const QModelIndex index = currentIndex();
    TTopicNode* node = TTopicTreeModel::NodeOf(index);
    if (node && !node->IsRoot())
        edit(index);
}

void TTopicTreeView::SetFilter(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == filter_)
        return;
    filter_ = trimmed;
    ApplyFilter();
}

void TTopicTreeView::ApplyFilter() {
    if (!model_)
        return;
    setUpdatesEnabled(false);
    for (const QPersistentModelIndex& index : std::as_const(hiddenRows_))
        if (index.isValid())
            setRowHidden(index.row(), index.parent(), false);
    hiddenRows_.clear();
    if (filter_.isEmpty()) {
        SyncExpansion();
        setUpdatesEnabled(true);
        return;
    }
    auto visible = VisibleForFind(model_->Tree(), filter_.toStdString());
    // What the author is working on stays in sight: a topic just added or moved while the
    // tree is narrowed does not vanish under the find.
    for (const TTopicNode* node : model_->Tree().Selections())
        for (const TTopicNode* n = node; n && visible.insert(n).second; n = n->Parent()) {
        }
    // The view alone opens the way to the matches; the topics' own expanded state (saved
    // with the project) is left as it is and comes back when the find is cleared.
    syncing_ = true;
    std::vector<TTopicNode*> pending;
    for (int i = model_->Tree().RootCount() - 1; i >= 0; --i)
        pending.push_back(model_->Tree().Root(i));
    while (!pending.empty()) {
        TTopicNode* node = pending.back();
        pending.pop_back();
        const QModelIndex index = model_->IndexOf(node);
        bool shown = false;
        for (int i = node->Count() - 1; i >= 0; --i) {
            TTopicNode* child = node->Child(i);
            if (visible.count(child)) {
                shown = true;
                pending.push_back(child);
            } else {
                setRowHidden(i, index, true);
                hiddenRows_.push_back(model_->IndexOf(child));
            }
        }
        if (shown && !isExpanded(index))
            setExpanded(index, true);
    }
    syncing_ = false;
    setUpdatesEnabled(true);
}

void TTopicTreeView::mouseReleaseEvent(QMouseEvent* event) {
    // A plain click on one topic of a multi-selection selects that topic alone; renaming
    // waits for a click on a topic that is the only one selected (or F2).
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool narrow = event->button() == Qt::LeftButton && index.isValid() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) &&
                        selectionModel()->isSelected(index) &&
                        selectionModel()->selectedIndexes().size() > 1 &&
                        state() != DraggingState && state() != EditingState;
    if (!narrow) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    const EditTriggers triggers = editTriggers();
    setEditTriggers(triggers & ~SelectedClicked);
    QTreeView::mouseReleaseEvent(event);
    setEditTriggers(triggers);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void TTopicTreeView::mousePressEvent(QMouseEvent* event) {
    // A plain click resets the drop state.
    dropMode_ = DropMode::AsChild;
    scrollTimer_.stop();
    expandTimer_.stop();
    const QModelIndex target = indexAt(event->position().toPoint());
    if (target.isValid() && target != currentIndex() && CanLeaveTopic && !CanLeaveTopic())
        return;
    QTreeView::mousePressEvent(event);
}

void TTopicTreeView::keyPressEvent(QKeyEvent* event) {
    if (CanLeaveTopic && state() != EditingState) {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            if (!CanLeaveTopic())
                return;
            break;
        default:
            break;
        }
    }
    QTreeView::keyPressEvent(event);
}

// ---- drag and drop -----------------------------------------------------------------------

void TTopicTreeView::startDrag(Qt::DropActions) {
    if (!model_)
        return;
    const auto selection = CollectMovableSelection(model_->Tree());
    if (selection.Movable.empty())
        return;
    auto* mime = new QMimeData;
    mime->setData(TopicMimeType, QByteArray::number(static_cast<int>(selection.Full.size())));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    // One page or a small stack of pages under the pointer.
    const bool several = selection.Full.size() > 1;
    QPixmap pixmap(several ? 24 : 18, several ? 24 : 18);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        const QIcon icon =
            model_->data(model_->IndexOf(selection.Movable.front()), Qt::DecorationRole)
                .value<QIcon>();
        if (several) {
            icon.paint(&painter, QRect(6, 6, 16, 16));
            icon.paint(&painter, QRect(3, 3, 16, 16));
        }
        icon.paint(&painter, QRect(0, 0, 16, 16));
    }
    drag->setPixmap(pixmap);
    drag->exec(Qt::MoveAction);
    EndDrag();
}

void TTopicTreeView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(TopicMimeType))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TTopicTreeView::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    // Auto-scroll in the direction of the nearby edge while the tree can go that way.
    const QScrollBar* v = verticalScrollBar();
    const QScrollBar* h = horizontalScrollBar();
    const TScrollRoom room{v->value() < v->maximum(), v->value() > v->minimum(),
                           h->value() > h->minimum(), h->value() < h->maximum()};
    scrollDirection_ =
        AutoScrollDirection(pos.x(), pos.y(), viewport()->width(), viewport()->height(), room);
    if (scrollDirection_ != sdNone && !scrollTimer_.isActive())
        scrollTimer_.start();
    else if (scrollDirection_ == sdNone)
        scrollTimer_.stop();

    const QModelIndex index = indexAt(pos);
    TTopicNode* target = TTopicTreeModel::NodeOf(index);
    if (!event->mimeData()->hasFormat(TopicMimeType) || !model_ ||
        !CanDropOn(model_->Tree(), target)) {
        event->ignore();
        dropTarget_ = nullptr;
        SetInsertionLine({});
        return;
    }
    const QRect row = visualRect(index);
    dropMode_ = DropModeAt(target, pos.y() - row.top(), row.height());
    dropTarget_ = target;
    static const char* const hints[] = {"Insert As a Child", "Insert Before", "Insert After"};
    emit StatusHint(hints[static_cast<int>(dropMode_)]);

    if (dropMode_ == DropMode::AsChild) {
        if (target != hovered_) {
            hovered_ = target;
            expandTimer_.start();
        }
        SetInsertionLine({});
    } else {
        const int x = target->Level() * indentation() + 3 - h->value();
        const int y = dropMode_ == DropMode::Before ? row.top() : row.bottom();
        SetInsertionLine(QRect(x, y - 1, 32, 2));
    }
    viewport()->update(row);
    event->setDropAction(Qt::MoveAction);
    event->accept();
}

void TTopicTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
    EndDrag();
    QTreeView::dragLeaveEvent(event);
}

void TTopicTreeView::dropEvent(QDropEvent* event) {
    expandTimer_.stop();
    const QPoint pos = event->position().toPoint();
    const QModelIndex index = indexAt(pos);
    TTopicNode* target = TTopicTreeModel::NodeOf(index);
    if (!event->mimeData()->hasFormat(TopicMimeType) || !model_ ||
        !CanDropOn(model_->Tree(), target)) {
        event->ignore();
        EndDrag();
        return;
    }
    const QRect row = visualRect(index);
    const DropMode mode = DropModeAt(target, pos.y() - row.top(), row.height());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    EndDrag();
    emit DropRequested(target, mode);
}

void TTopicTreeView::EndDrag() {
    scrollTimer_.stop();
    expandTimer_.stop();
    scrollDirection_ = sdNone;
    hovered_ = nullptr;
    dropTarget_ = nullptr;
    SetInsertionLine({});
    viewport()->update();
}

void TTopicTreeView::SetInsertionLine(const QRect& rect) {
    if (rect == lineRect_)
        return; // redrawn only when it moves
    const QRect old = lineRect_;
    lineRect_ = rect;
    viewport()->update(old.adjusted(-1, -1, 1, 1));
    viewport()->update(rect.adjusted(-1, -1, 1, 1));
}

void TTopicTreeView::ScrollTick() {
    switch (scrollDirection_) {
    case sdDown:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case sdUp:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case sdLeft:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case sdRight:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    default:
        scrollTimer_.stop();
        break;
    }
}

void TTopicTreeView::ExpandTick() {
    if (hovered_ && hovered_->HasChildren() && dropMode_ == DropMode::AsChild) {
        const QModelIndex index = model_->IndexOf(hovered_);
        if (!isExpanded(index))
            expand(index);
    }
}

void TTopicTreeView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    if (lineRect_.isNull())
        return;
    QPainter painter(viewport());
    painter.fillRect(lineRect_, Qt::red);
}

void TTopicTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    if (!dropTarget_ || TTopicTreeModel::NodeOf(index) != dropTarget_) {
        QTreeView::drawRow(painter, option, index);
        return;
    }
    // The drop target: highlighted as a future parent, plain where only the line marks
    // the place.
    QStyleOptionViewItem opt = option;
    if (dropMode_ == DropMode::AsChild)
        opt.state |= QStyle::State_Selected;
    else
        opt.state &= ~(QStyle::State_Selected | QStyle::State_MouseOver);
    QTreeView::drawRow(painter, opt, index);
}

} // namespace parvane
