#include "app/editor/PromptList.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace tandrel {

namespace {

// How close to the top or bottom edge a dragged row makes the list scroll, in pixels.
constexpr int kAutoScrollMargin = 16;

} // namespace

PromptList::PromptList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setAcceptDrops(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
    setUniformItemSizes(true);
    m_autoScroll.setInterval(50);
    connect(&m_autoScroll, &QTimer::timeout, this, [this] { scrollTowardEdge(); });
}

DropProposal PromptList::proposalAt(const QPoint& position) const {
    DropProposal proposal;
    proposal.fromOwnList = true;
    proposal.payload = m_drag ? std::optional<QString>(m_drag->payload) : std::nullopt;
    const int rows = count();
    const QModelIndex index = indexAt(position);
    if (!index.isValid()) {
        // Outside every row: above the first one, or below the last one.
        const bool aboveFirst = rows > 0 && position.y() < visualItemRect(item(0)).top();
        proposal.row = aboveFirst ? 0 : rows;
        return proposal;
    }
    const QRect rect = visualRect(index);
    // The top and bottom quarters of a row are the gaps around it; the middle is the row itself.
    const int margin = std::max(2, rect.height() / 4);
    if (position.y() - rect.top() < margin) {
        proposal.row = index.row();
    } else if (rect.bottom() - position.y() < margin) {
        proposal.row = index.row() + 1;
    } else {
        proposal.row = index.row();
        proposal.position = DropPosition::On;
    }
    return proposal;
}

void PromptList::mousePressEvent(QMouseEvent* event) {
    endDrag();
    m_pressedRow = -1;
    if (event->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid()) {
            m_pressedRow = index.row();
            m_pressPosition = event->position().toPoint();
        }
    }
    QListWidget::mousePressEvent(event);
}

void PromptList::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton) || m_pressedRow < 0) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // A pressed row is dragged, never swept into a new selection.
    if (!m_drag) {
        if ((position - m_pressPosition).manhattanLength() < QApplication::startDragDistance())
            return;
        const std::optional<QString> payload =
            dragPayload ? dragPayload(m_pressedRow) : std::nullopt;
        if (!payload) {
            m_pressedRow = -1;
            return;
        }
        m_drag = Drag{*payload, {}};
        m_autoScroll.start();
    }
    updateDrag(position);
}

void PromptList::updateDrag(const QPoint& position) {
    m_lastPosition = position;
    const DropTarget target = validateDrop ? validateDrop(proposalAt(position)) : DropTarget{};
    if (!(target == m_drag->target)) {
        m_drag->target = target;
        viewport()->update();
    }
}

void PromptList::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_drag) {
        m_pressedRow = -1;
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    // Decided afresh at the release point; a move only into a gap the controller agrees to.
    updateDrag(event->position().toPoint());
    const DropTarget target = m_drag->target;
    const QString payload = m_drag->payload;
    endDrag();
    if (target.accepted && acceptDrop) {
        acceptDrop({.fromOwnList = true,
                    .payload = payload,
                    .row = target.row,
                    .position = DropPosition::Above});
    }
}

void PromptList::focusOutEvent(QFocusEvent* event) {
    endDrag();
    QListWidget::focusOutEvent(event);
}

void PromptList::endDrag() {
    m_autoScroll.stop();
    m_pressedRow = -1;
    if (m_drag) {
        m_drag.reset();
        viewport()->update();
    }
}

void PromptList::scrollTowardEdge() {
    if (!m_drag)
        return;
    QScrollBar* bar = verticalScrollBar();
    const int height = viewport()->height();
    if (m_lastPosition.y() < kAutoScrollMargin)
        bar->setValue(bar->value() - bar->singleStep());
    else if (m_lastPosition.y() > height - kAutoScrollMargin)
        bar->setValue(bar->value() + bar->singleStep());
    else
        return;
    updateDrag(m_lastPosition);
}

void PromptList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (!m_drag || !m_drag->target.accepted || count() == 0)
        return;
    const int row = m_drag->target.row;
    const int y = row < count() ? visualItemRect(item(row)).top()
                                : visualItemRect(item(count() - 1)).bottom() + 1;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = palette().color(QPalette::Highlight);
    painter.setPen(QPen(color, 2));
    painter.drawLine(QPoint(8, y), QPoint(viewport()->width() - 4, y));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(QPoint(5, y), 3, 3);
}

} // namespace tandrel
