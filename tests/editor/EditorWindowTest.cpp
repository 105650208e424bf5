#include "app/editor/EditorWindow.h"
#include "app/editor/EditorController.h"
#include "app/editor/PromptList.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

QStringList titlesOf(const Configuration& configuration) {
    QStringList titles;
    for (const Prompt& prompt : configuration.prompts)
        titles.append(prompt.title);
    return titles;
}

class EditorWindowTest : public testing::Test {
protected:
    void SetUp() override {
        Configuration configuration;
        for (const char* title : {"A", "B", "C", "D"})
            configuration.prompts.emplace_back(QUuid::createUuid(), title, "text");
        editor.present(configuration);
        QApplication::setActiveWindow(&window);
        QCoreApplication::processEvents();
    }

    QWidget* rows() const { return window.promptList()->viewport(); }
    QPoint centreOf(int row) const {
        return window.promptList()->visualItemRect(window.promptList()->item(row)).center();
    }
    // The gap between two rows, just above `row`.
    QPoint gapAbove(int row) const {
        return window.promptList()->visualItemRect(window.promptList()->item(row)).topLeft() +
               QPoint(40, 1);
    }
    void drag(int row, const QPoint& to, const std::function<void()>& whileOver = {}) {
        const QPoint from = centreOf(row);
        QTest::mousePress(rows(), Qt::LeftButton, {}, from);
        QTest::mouseMove(rows(), from + QPoint(0, 3));
        QTest::mouseMove(rows(), to);
        if (whileOver)
            whileOver();
        QTest::mouseRelease(rows(), Qt::LeftButton, {}, to);
    }
    QMessageBox* alert() const { return window.findChild<QMessageBox*>("alert"); }

    sim::SimDesktop desktop;
    EditorWindow window;
    EditorController editor{desktop, window};
};

} // namespace

TEST_F(EditorWindowTest, DraggingARowWithTheMouseReordersTheWorkingCopy) {
    ASSERT_TRUE(window.isVisible());
    int indicator = -2;
    drag(0, gapAbove(3), [&] { indicator = window.promptList()->dropIndicatorRow(); });
    EXPECT_EQ(indicator, 3);
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B", "C", "A", "D"}));
    EXPECT_EQ(window.promptList()->item(2)->text(), "A");
    EXPECT_EQ(window.promptList()->currentRow(), 2) << "the pressed row stays selected";
    EXPECT_EQ(window.labelField()->text(), "A");

    // Onto the middle of a row: it lands above that row.
    drag(3, centreOf(1));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B", "D", "C", "A"}));

    // Just below itself nothing changes and no position is offered.
    drag(0, gapAbove(1), [&] { indicator = window.promptList()->dropIndicatorRow(); });
    EXPECT_EQ(indicator, -1);
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B", "D", "C", "A"}));
    EXPECT_FALSE(window.promptList()->isDraggingRow());
}

TEST_F(EditorWindowTest, ControlSSavesWhatWasTypedAndEscapeCancels) {
    std::vector<Configuration> saved;
    editor.onSave = [&](const Configuration& configuration) { saved.push_back(configuration); };
    ASSERT_TRUE(window.isActiveWindow());

    window.labelField()->clear();
    QTest::keyClicks(window.labelField(), "Summary ");
    window.labelField()->insert("✓ résumé"); // QTest types only ASCII
    QTest::keyClick(window.labelField(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].prompts[0].title, "Summary ✓ résumé");
    EXPECT_FALSE(window.isVisible());

    editor.present(saved[0]);
    QApplication::setActiveWindow(&window);
    QTest::keyClicks(window.promptTextField(), "more");
    QTest::keyClick(window.promptTextField(), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(saved.size(), 1u);
}

TEST_F(EditorWindowTest, TheTrayMenusShortcutsWorkInTheEditor) {
    int quits = 0;
    int edits = 0;
    editor.onQuit = [&] { ++quits; };
    editor.onEditPrompts = [&] { ++edits; };
    ASSERT_TRUE(window.isActiveWindow());
    window.promptTextField()->setPlainText("unsaved");

    QTest::keyClick(window.promptTextField(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(edits, 1);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.promptTextField()->toPlainText(), "unsaved");

    QTest::keyClick(window.labelField(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(edits, 1);
}

TEST_F(EditorWindowTest, AFailedSaveShowsAWindowModalAlertAndKeepsTheEdits) {
    const FileError failure("create the folder", "/home/u/.local/share/Tandrel", "File exists");
    editor.onSave = [&](const Configuration&) { throw failure; };
    window.promptTextField()->setPlainText("kept");
    QTest::keyClick(window.labelField(), Qt::Key_S, Qt::ControlModifier);
    QMessageBox* box = alert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Could not save prompts");
    EXPECT_EQ(box->informativeText(), failure.errorDescription());
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.promptTextField()->toPlainText(), "kept");
    box->close();
}

TEST_F(EditorWindowTest, PreviewGetsTheTextAreaInScreenCoordinates) {
    std::optional<Rect> area;
    editor.onPreview = [&](const Configuration&, const Rect& rect) { area = rect; };
    window.move(100, 50);
    QTest::mouseClick(window.findChild<QPushButton*>("previewButton"), Qt::LeftButton);
    ASSERT_TRUE(area);
    const QPlainTextEdit* text = window.promptTextField();
    const QPoint topLeft = window.mapToGlobal(text->geometry().topLeft());
    EXPECT_EQ(*area, Rect(topLeft.x(), topLeft.y(), text->width(), text->height()));
    EXPECT_GT(area->y(), 50) << "the text area is below the window's top edge";
}
