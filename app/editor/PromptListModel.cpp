// SPDX-License-Identifier: MIT
#include "app/editor/PromptListModel.h"

#include <QMimeData>
#include <QPointer>
#include <QSize>

namespace tandrel {

namespace {

// The payload of a row dragged from the list, marked with the model that made it, so that a
// drop can tell the list's own rows from look-alike data brought in from elsewhere.
class PromptRowData final : public QMimeData {
public:
    explicit PromptRowData(const PromptListModel* origin) : m_origin(origin) {}
    const PromptListModel* origin() const { return m_origin; }

private:
    QPointer<const PromptListModel> m_origin;
};

} // namespace

PromptListModel::PromptListModel(QObject* parent) : QAbstractListModel(parent) {}

void PromptListModel::setTitles(const QStringList& titles) {
    beginResetModel();
    m_titles = titles;
    endResetModel();
}

void PromptListModel::setTitle(int row, const QString& title) {
    if (row < 0 || row >= m_titles.size())
        return;
    m_titles[row] = title;
    const QModelIndex changed = index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

void PromptListModel::setRowHeight(int height) {
    if (height == m_rowHeight)
        return;
    m_rowHeight = height;
    emit layoutAboutToBeChanged();
    emit layoutChanged();
}

int PromptListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
}

QVariant PromptListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_titles[index.row()];
    case Qt::SizeHintRole:
        return QSize(0, m_rowHeight);
    default:
        return {};
    }
}

Qt::ItemFlags PromptListModel::flags(const QModelIndex& index) const {
    // The gaps between rows take drops, and so do the rows themselves: a drop on a row is put to
    // the controller like any other.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
           Qt::ItemIsDropEnabled | Qt::ItemNeverHasChildren;
}

Qt::DropActions PromptListModel::supportedDragActions() const {
    return Qt::MoveAction;
}

Qt::DropActions PromptListModel::supportedDropActions() const {
    return Qt::MoveAction;
}

QStringList PromptListModel::mimeTypes() const {
    return {EditorController::dragType()};
}

QMimeData* PromptListModel::mimeData(const QModelIndexList& indexes) const {
    if (!m_controller || indexes.size() != 1)
        return nullptr;
    const std::optional<QString> payload = m_controller->dragPayload(indexes.first().row());
    if (!payload)
        return nullptr;
    auto* data = new PromptRowData(this);
    data->setData(EditorController::dragType(), payload->toUtf8());
    return data;
}

DropProposal PromptListModel::proposal(const QMimeData* data, int row,
                                       const QModelIndex& parent) const {
    DropProposal proposal;
    const auto* rows = dynamic_cast<const PromptRowData*>(data);
    proposal.fromOwnList = rows && rows->origin() == this;
    if (data && data->hasFormat(EditorController::dragType()))
        proposal.payload = QString::fromUtf8(data->data(EditorController::dragType()));
    if (parent.isValid()) {
        proposal.row = parent.row();
        proposal.position = DropPosition::On;
    } else {
        // Qt's row -1 is the empty space below the last row.
        proposal.row = row < 0 ? rowCount() : row;
    }
    return proposal;
}

DropTarget PromptListModel::dropTarget(const QMimeData* data, int row,
                                       const QModelIndex& parent) const {
    return m_controller ? m_controller->validateDrop(proposal(data, row, parent)) : DropTarget{};
}

bool PromptListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                      const QModelIndex& parent) const {
    return action == Qt::MoveAction && dropTarget(data, row, parent).accepted;
}

bool PromptListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                   const QModelIndex& parent) {
    if (action != Qt::MoveAction || !m_controller)
        return false;
    DropProposal drop = proposal(data, row, parent);
    const DropTarget target = m_controller->validateDrop(drop);
    if (!target.accepted)
        return false;
    drop.row = target.row;
    drop.position = DropPosition::Above;
    return m_controller->acceptDrop(drop);
}

bool PromptListModel::moveRows(const QModelIndex& sourceParent, int sourceRow, int count,
                               const QModelIndex& destinationParent, int destinationChild) {
    if (!m_controller || sourceParent.isValid() || destinationParent.isValid() || count != 1)
        return false;
    const DropProposal drop{.fromOwnList = true,
                            .payload = m_controller->dragPayload(sourceRow),
                            .row = destinationChild,
                            .position = DropPosition::Above};
    return m_controller->validateDrop(drop).accepted && m_controller->acceptDrop(drop);
}

} // namespace tandrel
