// SPDX-License-Identifier: MIT
#pragma once

#include "app/editor/EditorController.h"
#include "app/editor/EditorView.h"

#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace tandrel::test {

// A view that keeps what the controller showed and, like the window, reports a change of the
// selected row back to the controller.
class RecordingEditorView final : public EditorView {
public:
    void attach(EditorController* controller) override { this->controller = controller; }
    void reloadRows(const QStringList& titles) override {
        rows = titles;
        ++reloads;
        changeSelection(-1);
    }
    void reloadRow(int row, const QString& title) override { rows[row] = title; }
    void selectRow(int row) override { changeSelection(row >= 0 && row < rows.size() ? row : -1); }
    void scrollToRow(int row) override { scrolledTo = row; }
    void setFields(const QString& newLabel, const QString& newBody) override {
        label = newLabel;
        body = newBody;
    }
    QString labelText() const override { return label; }
    QString bodyText() const override { return body; }
    void setControlStates(const EditorControlStates& newStates) override { states = newStates; }
    void focusLabel() override { ++labelFocused; }
    void setPermissionText(const QString& text) override { permission = text; }
    void showWindow() override {
        visible = true;
        ++shown;
    }
    void closeWindow() override { visible = false; }
    bool isWindowVisible() const override { return visible; }
    void showAlert(const QString& message, const QString& informativeText) override {
        alerts.emplace_back(message, informativeText);
    }
    int ask(const QString& message, const QString& informativeText,
            const QStringList& choices) override {
        questions.emplace_back(message, informativeText);
        lastChoices = choices;
        return answer;
    }
    std::optional<Rect> promptTextScreenRect() const override { return textArea; }

    // The user clicks a row (or the empty space below the rows, -1).
    void click(int row) { changeSelection(row); }

    EditorController* controller = nullptr;
    QStringList rows;
    int selectedRow = -1;
    int reloads = 0;
    int scrolledTo = -1;
    QString label;
    QString body;
    EditorControlStates states;
    int labelFocused = 0;
    QString permission;
    bool visible = false;
    int shown = 0;
    std::vector<std::pair<QString, QString>> alerts;
    std::vector<std::pair<QString, QString>> questions;
    QStringList lastChoices;
    int answer = -1; // what the user picks in the next question
    std::optional<Rect> textArea = Rect(300, 200, 458, 211);

private:
    void changeSelection(int row) {
        if (row == selectedRow)
            return;
        selectedRow = row;
        if (controller)
            controller->selectionDidChange(row);
    }
};

} // namespace tandrel::test
