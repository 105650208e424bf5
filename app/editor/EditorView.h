// SPDX-License-Identifier: MIT
#pragma once

#include "core/Geometry.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tandrel {

class EditorController;

// What the editor's list buttons and fields allow for the current selection.
struct EditorControlStates {
    bool fieldsEnabled = false; // the label field and the prompt text
    bool removeEnabled = false;
    bool moveUpEnabled = false;
    bool moveDownEnabled = false;
    friend bool operator==(const EditorControlStates&, const EditorControlStates&) = default;
};

// The editor's window as the controller sees it: a list of rows, two fields, a permission text,
// the enabled states of the list buttons, and the window itself. The window reports the user's
// actions to the attached controller (buttons, a changed row selection, drags inside the list).
// A view outlives the controller attached to it; the controller attaches itself when it is
// created and detaches when it is destroyed.
class EditorView {
public:
    virtual ~EditorView() = default;

    virtual void attach(EditorController* controller) = 0;

    // Replaces every row by the given titles; the selection is cleared.
    virtual void reloadRows(const QStringList& titles) = 0;
    virtual void reloadRow(int row, const QString& title) = 0;
    // Selects exactly this row, or none for -1. Like a click, a change of the selection is
    // reported to the controller's selectionDidChange() before this returns.
    virtual void selectRow(int row) = 0;
    virtual void scrollToRow(int row) = 0;

    virtual void setFields(const QString& label, const QString& body) = 0;
    virtual QString labelText() const = 0;
    virtual QString bodyText() const = 0;
    virtual void setControlStates(const EditorControlStates& states) = 0;
    // Puts the keyboard focus into the label field.
    virtual void focusLabel() = 0;
    virtual void setPermissionText(const QString& text) = 0;

    // Shows the window, brings it to the front and gives it the keyboard.
    virtual void showWindow() = 0;
    virtual void closeWindow() = 0;
    virtual bool isWindowVisible() const = 0;
    // A window-modal alert that leaves the window and its fields as they are.
    virtual void showAlert(const QString& message, const QString& informativeText) = 0;
    // A window-modal question offering the given choices and a way out (Cancel, Escape).
    // Returns once the user answered: the index of the choice, or -1 for the way out.
    virtual int ask(const QString& message, const QString& informativeText,
                    const QStringList& choices) = 0;
    // The prompt text area in the screens' coordinates (Qt's global, top-left ones); none while
    // the window does not exist on any screen.
    virtual std::optional<Rect> promptTextScreenRect() const = 0;
};

} // namespace tandrel
