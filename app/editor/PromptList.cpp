// SPDX-License-Identifier: MIT
#include "app/editor/PromptList.h"

#include "app/editor/PromptListModel.h"

#include <QDragMoveEvent>
#include <QPainter>

namespace tandrel {

PromptList::PromptList(PromptListModel* model, QWidget* parent)
    : QListView(parent), m_model(model) {
    setModel(model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    setDragDropOverwriteMode(false);
    // Qt would outline a row under the mouse; the line in the gap says where the row lands.
    setDropIndicatorShown(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
    setUniformItemSizes(true);
}

void PromptList::dragMoveEvent(QDragMoveEvent* event) {
    QListView::dragMoveEvent(event);
    if (!event->isAccepted()) {
        setIndicatorRow(-1);
        return;
    }
    // The same question Qt put to the model, answered with the gap the controller chose.
    const QModelIndex index = indexAt(event->position().toPoint());
    int row = -1;
    QModelIndex parent;
    switch (dropIndicatorPosition()) {
    case AboveItem:
        row = index.row();
        break;
    case BelowItem:
        row = index.row() + 1;
        break;
    case OnItem:
        parent = index;
        break;
    case OnViewport:
        break;
    }
    const DropTarget target = m_model->dropTarget(event->mimeData(), row, parent);
    setIndicatorRow(target.accepted ? target.row : -1);
}

void PromptList::dragLeaveEvent(QDragLeaveEvent* event) {
    setIndicatorRow(-1);
    QListView::dragLeaveEvent(event);
}

void PromptList::dropEvent(QDropEvent* event) {
    setIndicatorRow(-1);
    QListView::dropEvent(event);
}

void PromptList::setIndicatorRow(int row) {
    if (row == m_indicatorRow)
        return;
    m_indicatorRow = row;
    viewport()->update();
}

void PromptList::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    const int rows = m_model->rowCount();
    if (m_indicatorRow < 0 || rows == 0)
        return;
    const int y = m_indicatorRow < rows ? visualRect(m_model->index(m_indicatorRow)).top()
                                        : visualRect(m_model->index(rows - 1)).bottom() + 1;
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(QPoint(8, y), QPoint(viewport()->width() - 4, y));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(QPoint(5, y), 3, 3);
}

} // namespace tandrel
