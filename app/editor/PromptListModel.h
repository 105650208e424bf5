// SPDX-License-Identifier: MIT
#pragma once

#include "app/editor/EditorController.h"

#include <QAbstractListModel>
#include <QStringList>

namespace tandrel {

// The editor's rows for Qt's item views: the prompt titles, and moving a row by dragging it
// inside the list. Every drop and every move is put to the editor controller, whose rules
// decide it; the controller then reloads the rows itself. Rows carry only their prompt's
// identifier, under a type nothing outside the application reads, and only rows that this model
// put into a drag can be dropped.
class PromptListModel final : public QAbstractListModel {
public:
    explicit PromptListModel(QObject* parent = nullptr);

    // Unset, nothing can be dragged or dropped.
    void setController(EditorController* controller) { m_controller = controller; }
    void setTitles(const QStringList& titles);
    void setTitle(int row, const QString& title);
    void setRowHeight(int height);

    // Where a drop at Qt's (row, parent) would land: the controller's answer.
    DropTarget dropTarget(const QMimeData* data, int row, const QModelIndex& parent) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // Qt's own move of a dragged row into the gap above destinationChild.
    bool moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                  const QModelIndex& destinationParent, int destinationChild) override;

private:
    DropProposal proposal(const QMimeData* data, int row, const QModelIndex& parent) const;

    EditorController* m_controller = nullptr;
    QStringList m_titles;
    int m_rowHeight = 38;
};

} // namespace tandrel
