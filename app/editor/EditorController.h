// SPDX-License-Identifier: MIT
#pragma once

#include "app/editor/EditorView.h"
#include "core/Configuration.h"
#include "core/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace tandrel {

// Where a dragged row would land: in the gap above a row, or on the row itself.
enum class DropPosition { Above, On };

// One proposed drop on the editor's list, as the list reports it while a row is dragged over it.
struct DropProposal {
    // The drag started in the editor's own list (and nowhere else).
    bool fromOwnList = false;
    // The string the drag carries under EditorController::dragType(), if any.
    std::optional<QString> payload;
    // The gap above this row (count = after the last row), or this row for DropPosition::On.
    int row = -1;
    DropPosition position = DropPosition::Above;
};

// The answer to a proposed drop: refused, or a move into the gap above `row`.
struct DropTarget {
    bool accepted = false;
    int row = -1;
    friend bool operator==(const DropTarget&, const DropTarget&) = default;
};

// Edits a private working copy of the prompts in the editor window. Nothing reaches the prompts
// file or the palette until a save succeeds. Main thread only.
class EditorController {
    Q_DECLARE_TR_FUNCTIONS(EditorController)

public:
    // The view, and the desktop's accessibility and workspace, outlive the controller.
    EditorController(a11y::Accessibility& accessibility, Workspace& workspace, EditorView& view);
    ~EditorController();
    EditorController(const EditorController&) = delete;
    EditorController& operator=(const EditorController&) = delete;

    // Persists and applies; throws tandrel::Error on failure, whose errorDescription() the
    // alert shows.
    std::function<void(const Configuration&)> onSave;
    // Asked before each save: whether someone else changed the prompts file since the editor's
    // prompts were read from it. Then the user chooses between overwriting the file and
    // reloading it. Unset: never.
    std::function<bool()> fileChangedSinceOpened;
    // "Reload" in that question: the file's prompts as they are now. Throws tandrel::Error when
    // the file cannot be read; the edits then stay.
    std::function<Configuration()> reloadFromFile;
    // The working copy and the prompt text area's rectangle in the screens' coordinates (top-left
    // origin, device-independent pixels).
    std::function<void(const Configuration&, const Rect&)> onPreview;

    // The application's own commands that the tray menu shows with their shortcuts, so that the
    // shortcuts work while the editor has the keyboard too. Unset, quitting does nothing and
    // Edit Prompts only brings the window to the front.
    std::function<void()> onQuit;
    std::function<void()> onEditPrompts;

    // Opens the editor on the configuration; while the window is open, its unsaved edits stay
    // and the window only comes to the front.
    void present(const Configuration& configuration);
    void refreshPermission();
    bool isWindowVisible() const;
    // Whether the working copy, with what the fields hold now, differs from the prompts the
    // editor was opened or last reloaded with.
    bool hasUnsavedEdits();
    // An open editor starts afresh from these prompts, keeping the selected row where it can;
    // a hidden one is left alone (present() starts afresh anyway).
    void reload(const Configuration& configuration);

    // The working copy and the index of the prompt shown in the fields (-1 = none). Edits in the
    // fields reach the working copy when the selection changes, on a move, save or preview.
    const Configuration& draft() const { return m_draft; }
    int selected() const { return m_selected; }

    // Window actions.
    void savePrompts();
    void cancelEdit();
    void previewButtons();
    void openAccessibility();
    void quitApplication();
    void editPrompts();

    // List actions.
    void addPrompt();
    void removePrompt();
    void movePromptUp();
    void movePromptDown();
    // Moves the prompt into the gap above `beforeRow` of the list as it is before the move
    // (count = after the last row). Returns whether the list changed.
    bool movePrompt(const QUuid& id, int beforeRow);

    // The user selected another row (-1 = none).
    void selectionDidChange(int row);

    // Dragging rows inside the list. The payload is the row's prompt identifier; none for a row
    // that does not exist.
    static QString dragType();
    std::optional<QString> dragPayload(int row) const;
    DropTarget validateDrop(const DropProposal& proposal) const;
    bool acceptDrop(const DropProposal& proposal);

private:
    // Whether the save may go ahead: asks first when the file changed since it was read, and
    // reloads it when the user chooses so.
    bool confirmOverwrite();
    void loadSelection(int index);
    void captureSelection();
    void restoreSelection(int index);
    bool isValidIndex(int index) const;
    int indexOf(const QUuid& id) const;
    std::optional<QUuid> draggedPrompt(const DropProposal& proposal) const;
    QStringList rowTitles() const;

    a11y::Accessibility& m_accessibility;
    Workspace& m_workspace;
    EditorView& m_view;
    Configuration m_draft;
    Configuration m_opened;
    int m_selected = -1;
    bool m_restoringSelection = false;
};

} // namespace tandrel
