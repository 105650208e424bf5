// SPDX-License-Identifier: MIT
#include "app/editor/EditorWindow.h"
#include "app/editor/EditorController.h"
#include "app/editor/PromptList.h"
#include "app/editor/PromptListModel.h"
#include "platform/sim/SimDesktop.h"
#include "tests/support/QtPrinters.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
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

    PromptListModel& rows() const { return *window.promptList()->promptModel(); }
    QStringList shownTitles() const {
        QStringList titles;
        for (int row = 0; row < rows().rowCount(); ++row)
            titles.append(rows().index(row).data().toString());
        return titles;
    }
    // What a drag of this row carries, as Qt asks the model for it when the drag starts.
    std::unique_ptr<QMimeData> dragged(int row) const {
        return std::unique_ptr<QMimeData>(rows().mimeData({rows().index(row)}));
    }
    QMessageBox* alert() const { return window.findChild<QMessageBox*>("alert"); }

    sim::SimDesktop desktop;
    EditorWindow window;
    EditorController editor{desktop.accessibility(), desktop.workspace(), window};
};

} // namespace

// Qt's drop path for a dragged row (offscreen Qt runs no drag of its own): a drop between rows,
// on a row, below the last row and Qt's internal move each land where the controller says, and
// data that did not come from the list is refused whatever it carries.
TEST_F(EditorWindowTest, DroppedRowsLandWhereTheControllerSays) {
    std::unique_ptr<QMimeData> a = dragged(0);
    ASSERT_TRUE(a);
    EXPECT_TRUE(rows().canDropMimeData(a.get(), Qt::MoveAction, 3, 0, {}));
    EXPECT_TRUE(rows().dropMimeData(a.get(), Qt::MoveAction, 3, 0, {}));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B", "C", "A", "D"}));
    EXPECT_EQ(shownTitles(), titlesOf(editor.draft()));
    EXPECT_EQ(window.promptList()->currentIndex().row(), 2) << "the dragged row stays selected";
    EXPECT_EQ(window.labelField()->text(), "A");

    // Onto a row: above it.
    EXPECT_TRUE(rows().dropMimeData(dragged(3).get(), Qt::MoveAction, -1, -1, rows().index(1)));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"B", "D", "C", "A"}));
    // Below the last row.
    EXPECT_TRUE(rows().dropMimeData(dragged(0).get(), Qt::MoveAction, -1, -1, {}));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"D", "C", "A", "B"}));

    // Just below itself the row would stay: refused while hovering and on the drop.
    std::unique_ptr<QMimeData> c = dragged(1);
    EXPECT_FALSE(rows().canDropMimeData(c.get(), Qt::MoveAction, 2, 0, {}));
    EXPECT_FALSE(rows().dropMimeData(c.get(), Qt::MoveAction, 2, 0, {}));

    // The same bytes from anywhere but the list.
    QMimeData foreign;
    foreign.setData(EditorController::dragType(), c->data(EditorController::dragType()));
    EXPECT_FALSE(rows().canDropMimeData(&foreign, Qt::MoveAction, 0, 0, {}));
    EXPECT_FALSE(rows().dropMimeData(&foreign, Qt::MoveAction, 0, 0, {}));
    EXPECT_FALSE(rows().dropMimeData(c.get(), Qt::CopyAction, 0, 0, {}));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"D", "C", "A", "B"}));

    // Qt's own move of the dragged row.
    EXPECT_TRUE(rows().moveRow({}, 0, {}, 4));
    EXPECT_FALSE(rows().moveRow({}, 0, {}, 1));
    EXPECT_EQ(titlesOf(editor.draft()), (QStringList{"C", "A", "B", "D"}));
    EXPECT_EQ(shownTitles(), titlesOf(editor.draft()));
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

namespace {

// The application font for the life of the scope.
class ApplicationFont {
public:
    explicit ApplicationFont(double scale) : m_saved(QApplication::font()) {
        QFont font = m_saved;
        font.setPointSizeF(QFontInfo(m_saved).pointSizeF() * scale);
        QApplication::setFont(font);
        QCoreApplication::processEvents();
    }
    ~ApplicationFont() { QApplication::setFont(m_saved); }
    ApplicationFont(const ApplicationFont&) = delete;
    ApplicationFont& operator=(const ApplicationFont&) = delete;

private:
    QFont m_saved;
};

// Whether a label or button shows all of its text in the room it was given.
bool showsAllItsText(const QWidget& widget) {
    const auto* label = qobject_cast<const QLabel*>(&widget);
    if (label && label->wordWrap())
        return label->heightForWidth(label->width()) <= label->height();
    // A push button's title, with a little room for its bevel; the style's wish for a wider
    // button is not needed to read it.
    const auto* button = qobject_cast<const QPushButton*>(&widget);
    const int width = button ? widget.fontMetrics().horizontalAdvance(button->text()) + 8
                             : widget.sizeHint().width();
    return width <= widget.width() && widget.sizeHint().height() <= widget.height();
}

} // namespace

// The window keeps its design size and arrangement at the usual font; with a larger one every
// text still shows in full, in the same arrangement, and the window grows to hold it.
TEST_F(EditorWindowTest, ALargerFontGrowsTheWindowInsteadOfClippingItsTexts) {
    window.setPermissionText("One-time setup: turn on accessibility for Tandrel with "
                             "Accessibility Settings…, then restart your browser once. This lets "
                             "it detect the chat input and insert your prompts.");
    for (const double scale : {1.0, 1.6}) {
        SCOPED_TRACE(scale);
        ApplicationFont font(scale);
        if (scale == 1.0) {
            EXPECT_EQ(window.size(), QSize(760, 540));
        } else {
            EXPECT_GT(window.width() * window.height(), 760 * 540);
        }
        EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the user cannot resize it";

        for (const QWidget* widget : window.findChildren<QWidget*>()) {
            if ((qobject_cast<const QLabel*>(widget) || qobject_cast<const QPushButton*>(widget)) &&
                widget->isVisible()) {
                EXPECT_TRUE(showsAllItsText(*widget))
                    << widget->metaObject()->className() << " " << widget->width() << "x"
                    << widget->height() << " needs " << widget->sizeHint().width() << "x"
                    << widget->sizeHint().height();
            }
        }

        // Placed as designed: the list beside the fields, Cancel and Save at the bottom right.
        auto frame = [&](const char* name) {
            const auto* widget = window.findChild<QWidget*>(name);
            return QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        };
        EXPECT_LT(frame("promptList").right(), frame("labelField").left());
        EXPECT_LT(frame("permission").bottom(), frame("promptList").top());
        EXPECT_LT(frame("promptText").bottom(), frame("previewButton").top());
        EXPECT_LT(frame("cancelButton").right(), frame("saveButton").left());
        EXPECT_EQ(frame("saveButton").right(), window.width() - 25);
        EXPECT_EQ(frame("saveButton").bottom(), window.height() - 25);
        EXPECT_EQ(frame("promptList").left(), 24);
        if (scale == 1.0) {
            EXPECT_EQ(frame("promptList").width(), 230);
            EXPECT_EQ(frame("promptText").width(), 458);
        }
    }
}
