#pragma once

#include "app/editor/EditorController.h"

#include <QListWidget>
#include <QTimer>

#include <functional>
#include <optional>

namespace tandrel {

// The editor's list of prompt titles. A row is reordered by dragging it with the mouse inside the
// list: the drag is the list's own, never the desktop's, so a row cannot be dragged out of the
// application and nothing from elsewhere can be dropped in. Where a row may land is decided by
// the callbacks, which the window connects to the editor controller.
class PromptList final : public QListWidget {
public:
    explicit PromptList(QWidget* parent = nullptr);

    // The string a row's drag carries (none: the row cannot be dragged).
    std::function<std::optional<QString>(int row)> dragPayload;
    std::function<DropTarget(const DropProposal&)> validateDrop;
    std::function<bool(const DropProposal&)> acceptDrop;

    // The gap shown as the drop position while a row is dragged: above this row (count = after
    // the last one), or -1 when the row would not land here.
    int dropIndicatorRow() const { return m_drag ? m_drag->target.row : -1; }
    bool isDraggingRow() const { return m_drag.has_value(); }
    // Drops the row being dragged where it came from.
    void cancelDrag() { endDrag(); }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Drag {
        QString payload;
        DropTarget target;
    };

    DropProposal proposalAt(const QPoint& position) const;
    void updateDrag(const QPoint& position);
    void endDrag();
    void scrollTowardEdge();

    // The row under the mouse press and where it was, until the mouse moves far enough to drag.
    int m_pressedRow = -1;
    QPoint m_pressPosition;
    std::optional<Drag> m_drag;
    QPoint m_lastPosition;
    QTimer m_autoScroll;
};

} // namespace tandrel
