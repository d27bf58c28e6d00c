#pragma once
// tvLeft, the navigation pane: multi-selection kept in step with the topic tree's own
// selection, expand/collapse through the tree (so images switch), in-place renaming,
// and dragging topics with the three drop modes, auto-scroll, auto-expand and the red
// insertion line.

#include "ui/toc_commands.h"

#include <QTimer>
#include <QTreeView>
#include <functional>

namespace parvane {

class TTopicTreeModel;

class TTopicTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit TTopicTreeView(QWidget* parent = nullptr);

    void SetTopicModel(TTopicTreeModel* model);
    TTopicTreeModel* TopicModel() const { return model_; }
    TTopicNode* NodeAt(const QPoint& viewportPos) const;

    // Makes the view's expanded rows those of the tree.
    void SyncExpansion();
    // Makes the view's selection the tree's.
    void SyncSelectionFromTree();
    // Starts in-place editing of the focused topic (groups refuse).
    void EditSelectedTitle();

    // Find in the tree: shows only the topics that match text and their ancestors
    // (expanded so the matches are seen); an empty text shows the whole tree again.
    void SetFilter(const QString& text);
    const QString& Filter() const { return filter_; }

    // Asked before the selection leaves the shown topic (a changed page may be saved
    // first); false keeps the selection where it is.
    std::function<bool()> CanLeaveTopic;

    bool Dragging() const { return state() == DraggingState; }
    bool Editing() const { return state() == EditingState; }
    DropMode CurrentDropMode() const { return dropMode_; }
    const QRect& InsertionLine() const { return lineRect_; }
    static constexpr int ScrollInterval = 80;
    static constexpr int ExpandDelay = 1000;

signals:
    void SelectionSynced();
    void DropRequested(parvane::TTopicNode* target, parvane::DropMode mode);
    void StatusHint(const QString& text);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void PushSelectionToTree();
    void EndDrag();
    void SetInsertionLine(const QRect& rect);
    void ScrollTick();
    void ExpandTick();
    void ApplyFilter();

    TTopicTreeModel* model_ = nullptr;
    bool syncing_ = false;
    // Drop state of one drag.
    DropMode dropMode_ = DropMode::AsChild;
    TTopicNode* dropTarget_ = nullptr;
    TTopicNode* hovered_ = nullptr;
    int scrollDirection_ = sdNone;
    QRect lineRect_;
    QTimer scrollTimer_;
    QTimer expandTimer_;
    // Find in the tree.
    QString filter_;
    QList<QPersistentModelIndex> hiddenRows_;
};

} // namespace parvane
