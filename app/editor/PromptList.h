// SPDX-License-Identifier: MIT
#pragma once

#include <QListView>

namespace tandrel {

class PromptListModel;

// The editor's list of prompt titles. A row is reordered by dragging it inside the list (Qt's
// internal move); the model puts each drop to the editor controller. While a row is dragged, the
// gap where the controller would put it is drawn as a line, also for a drop onto a row, which
// lands above it.
class PromptList final : public QListView {
public:
    explicit PromptList(PromptListModel* model, QWidget* parent = nullptr);

    PromptListModel* promptModel() const { return m_model; }
    // The gap shown as the drop position while a row is dragged over the list: above this row
    // (count = after the last one), or -1 when the row would not land here.
    int dropIndicatorRow() const { return m_indicatorRow; }

protected:
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setIndicatorRow(int row);

    PromptListModel* m_model;
    int m_indicatorRow = -1;
};

} // namespace tandrel
