// SPDX-License-Identifier: MIT
#include "app/editor/EditorController.h"
#include "app/identity/AppIdentity.h"
#include "platform/sim/SimDesktop.h"
#include "tests/editor/RecordingEditorView.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tandrel;
using tandrel::test::RecordingEditorView;

namespace {

Configuration configurationOf(const QStringList& titles) {
    Configuration configuration;
    for (const QString& title : titles)
        configuration.prompts.emplace_back(QUuid::createUuid(), title, title.toLower() + " text");
    return configuration;
}

QStringList titlesOf(const Configuration& configuration) {
    QStringList titles;
    for (const Prompt& prompt : configuration.prompts)
        titles.append(prompt.title);
    return titles;
}

class EditorControllerTest : public testing::Test {
protected:
    void open(const QStringList& titles) {
        shown = configurationOf(titles);
        editor.present(shown);
    }
    QUuid idOf(const QString& title) const {
        for (const Prompt& prompt : editor.draft().prompts) {
            if (prompt.title == title)
                return prompt.id;
        }
        return {};
    }
    DropProposal dragOf(const QString& title, int row,
                        DropPosition position = DropPosition::Above) const {
        return {.fromOwnList = true,
                .payload = idOf(title).toString(QUuid::WithoutBraces).toUpper(),
                .row = row,
                .position = position};
    }
    // The rows, the selection and the fields must always tell the same story.
    void expectConsistent() const {
        EXPECT_EQ(view.rows, titlesOf(editor.draft()));
        EXPECT_EQ(view.selectedRow, editor.selected());
        if (editor.selected() >= 0) {
            EXPECT_EQ(view.label, editor.draft().prompts[editor.selected()].title);
            EXPECT_EQ(view.body, editor.draft().prompts[editor.selected()].text);
        }
    }

    sim::SimDesktop desktop;
    RecordingEditorView view;
    EditorController editor{desktop.accessibility(), desktop.workspace(), view};
    Configuration shown;
};

} // namespace

TEST_F(EditorControllerTest, PresentingOpensOnTheFirstPromptAndKeepsUnsavedEditsWhileOpen) {
    open({"A", "B", "C"});
    EXPECT_TRUE(editor.isWindowVisible());
    EXPECT_EQ(editor.selected(), 0);
    expectConsistent();
    EXPECT_EQ(view.states, (EditorControlStates{true, true, false, true}));

    view.label = "A edited";
    view.click(2);
    EXPECT_EQ(view.rows[0], "A edited") << "the old row shows the captured title at once";
    editor.present(configurationOf({"X"}));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"A edited", "B", "C"}));
    EXPECT_EQ(editor.selected(), 2);
    EXPECT_EQ(view.shown, 2) << "a second present still brings the window to the front";

    // Closed, the next present starts afresh from what it is given.
    editor.cancelEdit();
    EXPECT_FALSE(editor.isWindowVisible());
    editor.present(configurationOf({"X"}));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"X"}));
    EXPECT_EQ(editor.selected(), 0);
    expectConsistent();
}

TEST_F(EditorControllerTest, AnEmptyListDisablesEverythingUntilAPromptIsAdded) {
    open({});
    EXPECT_EQ(editor.selected(), -1);
    EXPECT_EQ(view.label, "");
    EXPECT_EQ(view.body, "");
    EXPECT_EQ(view.states, EditorControlStates{});

    editor.addPrompt();
    ASSERT_EQ(editor.draft().prompts.size(), 1u);
    EXPECT_EQ(editor.draft().prompts[0].title, "New prompt");
    EXPECT_EQ(editor.draft().prompts[0].text, "");
    EXPECT_EQ(editor.selected(), 0);
    EXPECT_EQ(view.states, (EditorControlStates{true, true, false, false}));
    EXPECT_EQ(view.labelFocused, 1);
    expectConsistent();

    // A second one: the first keeps what was typed into it.
    view.body = "typed";
    editor.addPrompt();
    EXPECT_EQ(editor.draft().prompts[0].text, "typed");
    EXPECT_NE(editor.draft().prompts[1].id, editor.draft().prompts[0].id);
    EXPECT_EQ(editor.selected(), 1);
    EXPECT_EQ(view.scrolledTo, 1);
    expectConsistent();
}

TEST_F(EditorControllerTest, TheUserCannotLeaveTheListWithoutASelection) {
    open({"A", "B"});
    view.label = "typed";
    view.click(-1);
    EXPECT_EQ(view.selectedRow, 0);
    EXPECT_EQ(editor.selected(), 0);
    EXPECT_EQ(view.label, "typed") << "the fields keep what was typed";
}

TEST_F(EditorControllerTest, RemovingSelectsTheRowAboveOrTheNewFirstRow) {
    struct Case {
        int removed;
        QStringList left;
        int selected;
    };
    for (const Case& c : {Case{0, {"B", "C"}, 0}, Case{1, {"A", "C"}, 0}, Case{2, {"A", "B"}, 1}}) {
        SCOPED_TRACE(c.removed);
        editor.cancelEdit();
        open({"A", "B", "C"});
        view.click(c.removed);
        editor.removePrompt();
        EXPECT_EQ(titlesOf(editor.draft()), c.left);
        EXPECT_EQ(editor.selected(), c.selected);
        expectConsistent();
    }
}

TEST_F(EditorControllerTest, RemovingDropsOnlyTheRemovedPromptsEdits) {
    open({"A", "B"});
    view.label = "A kept";
    view.click(1);
    view.label = "B dropped";
    editor.removePrompt();
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"A kept"}));
    expectConsistent();

    editor.removePrompt();
    EXPECT_TRUE(editor.draft().prompts.empty());
    EXPECT_EQ(editor.selected(), -1);
    EXPECT_EQ(view.label, "");
    EXPECT_EQ(view.states, EditorControlStates{});
    editor.removePrompt(); // nothing left to remove
    EXPECT_TRUE(editor.draft().prompts.empty());
}

TEST_F(EditorControllerTest, MovesInsertBeforeARowOfTheListAsItWasBeforeTheMove) {
    struct Case {
        int beforeRow;
        bool changed;
        QStringList order;
    };
    const Case cases[] = {
        {0, true, {"B", "A", "C", "D"}},  {1, false, {"A", "B", "C", "D"}},
        {2, false, {"A", "B", "C", "D"}}, {3, true, {"A", "C", "B", "D"}},
        {4, true, {"A", "C", "D", "B"}},  {-1, false, {"A", "B", "C", "D"}},
        {5, false, {"A", "B", "C", "D"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.beforeRow);
        editor.cancelEdit();
        open({"A", "B", "C", "D"});
        const int reloads = view.reloads;
        EXPECT_EQ(editor.movePrompt(idOf("B"), c.beforeRow), c.changed);
        EXPECT_EQ(titlesOf(editor.draft()), c.order);
        if (!c.changed) {
            EXPECT_EQ(view.reloads, reloads) << "a move that changes nothing touches nothing";
        }
        expectConsistent();
    }
    EXPECT_FALSE(editor.movePrompt(QUuid::createUuid(), 0));
}

TEST_F(EditorControllerTest, ArrowButtonsMoveTheSelectedPromptWithItsUncapturedEdits) {
    open({"A", "B", "C", "D"});
    view.click(1);
    view.label = "B edited";
    editor.movePromptDown();
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"A", "C", "B edited", "D"}));
    EXPECT_EQ(editor.selected(), 2);
    expectConsistent();

    editor.movePromptUp();
    editor.movePromptUp();
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B edited", "A", "C", "D"}));
    EXPECT_EQ(view.states, (EditorControlStates{true, true, false, true}));
    editor.movePromptUp(); // already first
    EXPECT_EQ(editor.selected(), 0);

    view.click(3);
    editor.movePromptDown(); // already last
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B edited", "A", "C", "D"}));
    EXPECT_EQ(view.states, (EditorControlStates{true, true, true, false}));
}

TEST_F(EditorControllerTest, TheSelectionFollowsItsPromptWhenAnotherOneIsDragged) {
    open({"A", "B", "C", "D"});
    view.click(2);
    view.body = "C's new text";
    const DropTarget target = editor.validateDrop(dragOf("A", 4));
    ASSERT_TRUE(target.accepted);
    EXPECT_TRUE(editor.acceptDrop(dragOf("A", target.row)));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B", "C", "D", "A"}));
    EXPECT_EQ(editor.selected(), 1);
    EXPECT_EQ(view.label, "C");
    EXPECT_EQ(view.body, "C's new text");
    expectConsistent();
}

TEST_F(EditorControllerTest, DropsThatWouldNotMoveTheRowOrComeFromElsewhereAreRefused) {
    open({"A", "B", "C", "D"});
    const DropTarget refused{};
    // Directly above and below the dragged row, or on it.
    EXPECT_EQ(editor.validateDrop(dragOf("B", 1)), refused);
    EXPECT_EQ(editor.validateDrop(dragOf("B", 2)), refused);
    EXPECT_EQ(editor.validateDrop(dragOf("B", 1, DropPosition::On)), refused);
    // A drop on a row lands above it.
    EXPECT_EQ(editor.validateDrop(dragOf("B", 3, DropPosition::On)), (DropTarget{true, 3}));
    EXPECT_EQ(editor.validateDrop(dragOf("B", 4)), (DropTarget{true, 4}));
    EXPECT_EQ(editor.validateDrop(dragOf("B", 5)), refused);
    EXPECT_EQ(editor.validateDrop(dragOf("B", -1)), refused);

    DropProposal foreign = dragOf("B", 0);
    foreign.fromOwnList = false;
    DropProposal garbage = dragOf("B", 0);
    garbage.payload = "not an identifier";
    DropProposal unknown = dragOf("B", 0);
    unknown.payload = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    DropProposal empty = dragOf("B", 0);
    empty.payload.reset();
    for (const DropProposal& proposal : {foreign, garbage, unknown, empty}) {
        EXPECT_EQ(editor.validateDrop(proposal), refused);
        EXPECT_FALSE(editor.acceptDrop(proposal));
    }
    EXPECT_FALSE(editor.acceptDrop(dragOf("B", 0, DropPosition::On)));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"A", "B", "C", "D"}));

    EXPECT_EQ(editor.dragPayload(1), idOf("B").toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(editor.dragPayload(4), std::nullopt);
}

TEST_F(EditorControllerTest, SavingValidatesHandsOverTheWorkingCopyAndClosesOnlyOnSuccess) {
    std::vector<Configuration> saved;
    editor.onSave = [&](const Configuration& configuration) { saved.push_back(configuration); };
    open({"A", "B"});

    view.label = "  ";
    editor.savePrompts();
    EXPECT_TRUE(saved.empty());
    EXPECT_TRUE(editor.isWindowVisible());
    ASSERT_EQ(view.alerts.size(), 1u);
    EXPECT_EQ(view.alerts[0].first, "Could not save prompts");
    EXPECT_EQ(view.alerts[0].second, "Each prompt needs a button label and prompt text.");
    EXPECT_EQ(view.label, "  ") << "the window keeps the edits to correct";
    EXPECT_EQ(editor.selected(), 0);

    view.label = " A2 ";
    editor.savePrompts();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(titlesOf(saved[0]), (QStringList{" A2 ", "B"})) << "saved exactly as typed";
    EXPECT_EQ(saved[0].prompts[0].id, shown.prompts[0].id);
    EXPECT_FALSE(editor.isWindowVisible());
}

TEST_F(EditorControllerTest, AFailedSaveKeepsTheWindowAndSaysWhy) {
    open({"A"});
    const FileError failure("write", "/home/u/.local/share/Tandrel/prompts.json",
                            "Not a directory");
    editor.onSave = [&](const Configuration&) { throw failure; };
    view.label = "A edited";
    editor.savePrompts();
    EXPECT_TRUE(editor.isWindowVisible());
    ASSERT_EQ(view.alerts.size(), 1u);
    EXPECT_EQ(view.alerts[0].second, failure.errorDescription());
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"A edited"}));

    editor.onSave = [](const Configuration&) { throw std::runtime_error("disk on fire"); };
    editor.savePrompts();
    ASSERT_EQ(view.alerts.size(), 2u);
    EXPECT_EQ(view.alerts[1].second, "disk on fire");
    EXPECT_TRUE(editor.isWindowVisible());

    // Without an owner a save only closes the window; an empty list is valid.
    editor.onSave = nullptr;
    editor.removePrompt();
    editor.savePrompts();
    EXPECT_FALSE(editor.isWindowVisible());
    EXPECT_EQ(view.alerts.size(), 2u);
}

TEST_F(EditorControllerTest, PreviewShowsTheUnvalidatedWorkingCopyAtTheTextArea) {
    open({"A"});
    editor.previewButtons(); // no owner: nothing happens
    std::optional<std::pair<Configuration, Rect>> preview;
    editor.onPreview = [&](const Configuration& c, const Rect& r) { preview.emplace(c, r); };
    view.label = "";
    editor.previewButtons();
    ASSERT_TRUE(preview);
    EXPECT_EQ(titlesOf(preview->first), (QStringList{""}));
    EXPECT_EQ(preview->second, *view.textArea);
    EXPECT_TRUE(view.alerts.empty());

    preview.reset();
    view.textArea.reset();
    editor.previewButtons();
    EXPECT_FALSE(preview);
}

TEST_F(EditorControllerTest, PermissionGuidanceFollowsTrustAndTheSettingsButtonAsksForIt) {
    desktop.setTrusted(false);
    open({"A"});
    EXPECT_EQ(view.permission, "One-time setup: turn on accessibility for " + AppIdentity::name() +
                                   " with Accessibility Settings…, then restart your browser "
                                   "once. This lets it detect the chat input and insert your "
                                   "prompts.");
    editor.openAccessibility();
    EXPECT_EQ(desktop.ax().trustPrompts(), 1);
    EXPECT_EQ(desktop.ws().accessibilitySettingsOpened(), 1);

    desktop.setTrusted(true);
    editor.refreshPermission();
    EXPECT_EQ(view.permission,
              "Ready. Focus a chat input in a desktop app or browser to show your buttons.");
}
