// SPDX-License-Identifier: MIT
#include "app/editor/EditorController.h"

#include "app/identity/AppIdentity.h"
#include "core/Errors.h"

#include <algorithm>
#include <exception>

namespace tandrel {

namespace {

const QString kNilUuidText = QStringLiteral("00000000-0000-0000-0000-000000000000");

// Sets a flag for the lifetime of the scope, so that an early return cannot leave it set.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};

} // namespace

EditorController::EditorController(a11y::Accessibility& accessibility, Workspace& workspace,
                                   EditorView& view)
    : m_accessibility(accessibility), m_workspace(workspace), m_view(view),
      m_draft(Prompt::defaults()), m_opened(m_draft) {
    m_view.attach(this);
}

EditorController::~EditorController() {
    m_view.attach(nullptr);
}

QString EditorController::dragType() {
    return QStringLiteral("org.tandrel.Tandrel.prompt-row");
}

// MARK: presenting

void EditorController::present(const Configuration& configuration) {
    // An open editor keeps its unsaved edits; a hidden one starts afresh from what is in force.
    if (!m_view.isWindowVisible()) {
        m_draft = m_opened = configuration;
        restoreSelection(m_draft.prompts.empty() ? -1 : 0);
    }
    refreshPermission();
    m_view.showWindow();
}

void EditorController::refreshPermission() {
    if (m_accessibility.isTrusted()) {
        m_view.setPermissionText(
            tr("Ready. Focus a chat input in a desktop app or browser to show your buttons."));
        return;
    }
    m_view.setPermissionText(tr("One-time setup: turn on accessibility for %1 with Accessibility "
                                "Settings…, then restart your browser once. This lets it detect "
                                "the chat input and insert your prompts.")
                                 .arg(AppIdentity::name()));
}

bool EditorController::isWindowVisible() const {
    return m_view.isWindowVisible();
}

bool EditorController::hasUnsavedEdits() {
    captureSelection();
    return m_draft != m_opened;
}

void EditorController::reload(const Configuration& configuration) {
    if (!m_view.isWindowVisible())
        return;
    m_draft = m_opened = configuration;
    const int count = static_cast<int>(m_draft.prompts.size());
    restoreSelection(count == 0 ? -1 : std::clamp(m_selected, 0, count - 1));
}

// MARK: fields and selection

bool EditorController::isValidIndex(int index) const {
    return index >= 0 && index < static_cast<int>(m_draft.prompts.size());
}

int EditorController::indexOf(const QUuid& id) const {
    for (std::size_t i = 0; i < m_draft.prompts.size(); ++i) {
        if (m_draft.prompts[i].id == id)
            return static_cast<int>(i);
    }
    return -1;
}

QStringList EditorController::rowTitles() const {
    QStringList titles;
    titles.reserve(static_cast<qsizetype>(m_draft.prompts.size()));
    for (const Prompt& prompt : m_draft.prompts)
        titles.append(prompt.title);
    return titles;
}

void EditorController::loadSelection(int index) {
    m_selected = index;
    const int count = static_cast<int>(m_draft.prompts.size());
    const bool hasPrompt = isValidIndex(index);
    if (hasPrompt) {
        const Prompt& prompt = m_draft.prompts[static_cast<std::size_t>(index)];
        m_view.setFields(prompt.title, prompt.text);
    } else {
        m_view.setFields(QString(), QString());
    }
    m_view.setControlStates({.fieldsEnabled = hasPrompt,
                             .removeEnabled = hasPrompt,
                             .moveUpEnabled = hasPrompt && index > 0,
                             .moveDownEnabled = hasPrompt && index < count - 1});
}

void EditorController::captureSelection() {
    if (!isValidIndex(m_selected))
        return;
    Prompt& prompt = m_draft.prompts[static_cast<std::size_t>(m_selected)];
    // Exactly as typed: whether blanks are acceptable is decided when saving.
    prompt.title = m_view.labelText();
    prompt.text = m_view.bodyText();
}

void EditorController::restoreSelection(int index) {
    const FlagScope restoring(m_restoringSelection);
    m_view.reloadRows(rowTitles());
    m_view.selectRow(index < 0 ? -1 : index);
    loadSelection(index);
    if (index >= 0)
        m_view.scrollToRow(index);
}

void EditorController::selectionDidChange(int row) {
    if (m_restoringSelection)
        return;
    if (row < 0 && isValidIndex(m_selected)) {
        // The list always keeps a row selected; the fields, edits included, stay as they are.
        const FlagScope restoring(m_restoringSelection);
        m_view.selectRow(m_selected);
        return;
    }
    const int previous = m_selected;
    captureSelection();
    loadSelection(row);
    if (isValidIndex(previous))
        m_view.reloadRow(previous, m_draft.prompts[static_cast<std::size_t>(previous)].title);
}

// MARK: window actions

void EditorController::savePrompts() {
    captureSelection();
    try {
        m_draft.validate();
        if (!confirmOverwrite())
            return;
        if (onSave)
            onSave(m_draft);
        m_view.closeWindow();
    } catch (const Error& error) {
        m_view.showAlert(tr("Could not save prompts"), error.errorDescription());
    } catch (const std::exception& error) {
        // Not one of ours, but the user still learns that nothing was saved.
        m_view.showAlert(tr("Could not save prompts"), QString::fromLocal8Bit(error.what()));
    }
}

bool EditorController::confirmOverwrite() {
    if (!fileChangedSinceOpened || !fileChangedSinceOpened())
        return true;
    enum Answer { Overwrite, Reload };
    const int answer =
        m_view.ask(tr("Your prompts file changed"),
                   tr("The prompts file was changed outside %1 since you opened the editor. "
                      "Overwrite it with your edits, or reload it and lose your unsaved edits?")
                       .arg(AppIdentity::name()),
                   {tr("Overwrite"), tr("Reload")});
    if (answer == Overwrite)
        return true;
    if (answer == Reload && reloadFromFile) {
        try {
            reload(reloadFromFile());
        } catch (const Error& error) {
            m_view.showAlert(tr("Could not reload your prompts file"),
                             error.errorDescription() +
                                 tr("\n\nYour edits are still here; nothing was saved."));
        }
    }
    return false;
}

void EditorController::cancelEdit() {
    // The working copy is replaced by the next present().
    m_view.closeWindow();
}

void EditorController::previewButtons() {
    captureSelection();
    if (!onPreview)
        return;
    const std::optional<Rect> area = m_view.promptTextScreenRect();
    if (!area)
        return;
    // Deliberately not validated: a preview shows the buttons as they are being edited.
    onPreview(m_draft, *area);
}

void EditorController::openAccessibility() {
    m_accessibility.askForTrust();
    m_workspace.openAccessibilitySettings();
}

void EditorController::quitApplication() {
    if (onQuit)
        onQuit();
}

void EditorController::editPrompts() {
    if (onEditPrompts)
        onEditPrompts();
    else
        m_view.showWindow();
}

// MARK: list actions

void EditorController::addPrompt() {
    captureSelection();
    m_draft.prompts.emplace_back(QUuid::createUuid(), tr("New prompt"), QString());
    const int last = static_cast<int>(m_draft.prompts.size()) - 1;
    // The selection change below must not write the fields into whichever row they showed.
    m_selected = -1;
    m_view.reloadRows(rowTitles());
    m_view.selectRow(last);
    loadSelection(last);
    m_view.scrollToRow(last);
    m_view.focusLabel();
}

void EditorController::removePrompt() {
    if (!isValidIndex(m_selected))
        return;
    const int removed = m_selected;
    // The removed prompt's unsaved edits go with it.
    m_draft.prompts.erase(m_draft.prompts.begin() + removed);
    m_selected = -1;
    m_view.reloadRows(rowTitles());
    int next = -1;
    if (!m_draft.prompts.empty()) {
        next = removed == 0 ? 0 : removed - 1;
        m_view.selectRow(next);
        m_view.scrollToRow(next);
    }
    loadSelection(next);
}

void EditorController::movePromptUp() {
    if (m_selected < 1 || !isValidIndex(m_selected))
        return;
    movePrompt(m_draft.prompts[static_cast<std::size_t>(m_selected)].id, m_selected - 1);
}

void EditorController::movePromptDown() {
    if (m_selected < 0 || m_selected >= static_cast<int>(m_draft.prompts.size()) - 1)
        return;
    movePrompt(m_draft.prompts[static_cast<std::size_t>(m_selected)].id, m_selected + 2);
}

bool EditorController::movePrompt(const QUuid& id, int beforeRow) {
    const int count = static_cast<int>(m_draft.prompts.size());
    if (beforeRow < 0 || beforeRow > count)
        return false;
    const int source = indexOf(id);
    if (source < 0)
        return false;
    // Taking the prompt out first shifts the rows below it up by one.
    const int destination = source < beforeRow ? beforeRow - 1 : beforeRow;
    if (destination == source)
        return false;

    captureSelection();
    std::optional<QUuid> selectedId;
    if (isValidIndex(m_selected))
        selectedId = m_draft.prompts[static_cast<std::size_t>(m_selected)].id;

    Prompt moved = std::move(m_draft.prompts[static_cast<std::size_t>(source)]);
    m_draft.prompts.erase(m_draft.prompts.begin() + source);
    m_draft.prompts.insert(m_draft.prompts.begin() + destination, std::move(moved));

    // The selection follows the prompt that was selected, which need not be the moved one.
    const int followed = selectedId ? indexOf(*selectedId) : -1;
    restoreSelection(followed >= 0 ? followed : destination);
    return true;
}

// MARK: dragging rows

std::optional<QString> EditorController::dragPayload(int row) const {
    if (!isValidIndex(row))
        return std::nullopt;
    return m_draft.prompts[static_cast<std::size_t>(row)]
        .id.toString(QUuid::WithoutBraces)
        .toUpper();
}

std::optional<QUuid> EditorController::draggedPrompt(const DropProposal& proposal) const {
    if (!proposal.fromOwnList || !proposal.payload)
        return std::nullopt;
    const QString text = proposal.payload->trimmed();
    const QUuid id = QUuid::fromString(text);
    // fromString answers the nil identifier for text that is no identifier at all.
    if (id.isNull() && text != kNilUuidText)
        return std::nullopt;
    if (indexOf(id) < 0)
        return std::nullopt;
    return id;
}

DropTarget EditorController::validateDrop(const DropProposal& proposal) const {
    const int count = static_cast<int>(m_draft.prompts.size());
    const int row = proposal.row;
    if (row < 0 || row > count)
        return {};
    if (proposal.position == DropPosition::On && row == count)
        return {};
    const std::optional<QUuid> id = draggedPrompt(proposal);
    if (!id)
        return {};
    const int source = indexOf(*id);
    // Directly above or below the dragged row the prompt would stay where it is.
    if (row == source || row == source + 1)
        return {};
    // A drop on a row lands in the gap above it.
    return {.accepted = true, .row = row};
}

bool EditorController::acceptDrop(const DropProposal& proposal) {
    if (proposal.position != DropPosition::Above)
        return false;
    const std::optional<QUuid> id = draggedPrompt(proposal);
    if (!id)
        return false;
    return movePrompt(*id, proposal.row);
}

} // namespace tandrel
