// SPDX-License-Identifier: MIT
#include "app/palette/PaletteWindow.h"
#include "app/identity/AppIdentity.h"
#include "app/palette/PaletteController.h"
#include "app/palette/PaletteIcons.h"
#include "platform/sim/SimScreens.h"
#include "tests/support/QtPrinters.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

using namespace tandrel;

namespace {

Prompt prompt(const QString& title, const QString& text) {
    return Prompt(QUuid::createUuid(), title, text);
}

// The real window driven by the real controller on the default simulated screen (1440 × 900).
class PaletteWindowTest : public ::testing::Test {
protected:
    PaletteWindowTest() {
        QObject::connect(&palette, &PaletteController::promptChosen,
                         [this](const Prompt& p) { sent.push_back(p.text); });
        palette.rebuild(Configuration({prompt("Summarise", "Summarise this."),
                                       prompt("Explain simply", "Explain it simply."),
                                       prompt("Translate to French", "Translate it.")}));
    }

    // Buttons of the 12-point font are wider than 66 points from about ten characters on; these
    // three stay at the minimum or close to it whatever the font.
    QPushButton* button(std::size_t i) const { return window->promptButtons().at(i); }

    sim::SimScreens screens;
    std::unique_ptr<PaletteWindow> window = createPaletteWindow();
    PaletteController palette{screens, *window};
    std::vector<QString> sent;
};

TEST_F(PaletteWindowTest, NeverTakesFocusAndIsNamedForScreenReaders) {
    const Qt::WindowFlags flags = window->windowFlags();
    for (Qt::WindowType flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                Qt::WindowDoesNotAcceptFocus, Qt::X11BypassWindowManagerHint})
        EXPECT_TRUE(flags.testFlag(flag)) << flag;
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(window->accessibleName(), AppIdentity::name());

    std::vector<QWidget*> controls{window->moreButton(), window->editButton(),
                                   window->dismissButton()};
    for (QPushButton* b : window->promptButtons())
        controls.push_back(b);
    for (QWidget* control : controls)
        EXPECT_EQ(control->focusPolicy(), Qt::NoFocus) << control->accessibleName().toStdString();

    EXPECT_EQ(button(1)->accessibleName(), "Explain simply");
    EXPECT_EQ(button(1)->accessibleDescription(),
              "Insert this prompt and press Return: Explain it simply.");
    EXPECT_EQ(button(1)->toolTip(), "Explain it simply.");
    EXPECT_EQ(window->editButton()->accessibleName(), "Edit prompts");
    EXPECT_EQ(window->dismissButton()->accessibleName(), "Dismiss prompts");
    EXPECT_EQ(window->dismissButton()->toolTip(), "Dismiss prompts");
    EXPECT_FALSE(window->moreButton()->accessibleName().isEmpty());
    EXPECT_FALSE(window->editButton()->icon().isNull());
    EXPECT_FALSE(window->dismissButton()->icon().isNull());
    EXPECT_FALSE(PaletteIcons::drawnPencil(Qt::black).pixmap(16).isNull());
    EXPECT_FALSE(PaletteIcons::drawnCross(Qt::black).pixmap(16).isNull());
}

TEST_F(PaletteWindowTest, FramesAndFlagsReachTheWidgetsTopDown) {
    palette.show(Rect(400, 700, 600, 80));
    const Rect frame = palette.frame();
    // The controller's frame as the window's geometry, to the nearest pixel: 10 points above.
    const QRect actual = window->geometry();
    EXPECT_LE(std::abs(actual.x() - frame.x()), 0.5);
    EXPECT_EQ(actual.y(), 700 - 10 - 44);
    EXPECT_LE(std::abs(actual.width() - frame.width()), 0.5);
    EXPECT_EQ(actual.height(), 44);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isActiveWindow());

    palette.layout(200); // a strip of 58 points: no button of the 12-point font fits
    EXPECT_EQ(window->size(), QSize(200, 44));
    EXPECT_EQ(window->strip()->geometry(), QRect(8, 8, 58, 28));
    for (QPushButton* b : window->promptButtons())
        EXPECT_TRUE(b->isHidden());
    EXPECT_FALSE(window->moreButton()->isHidden());
    EXPECT_EQ(window->moreButton()->geometry(), QRect(8, 8, 54, 28));
    EXPECT_EQ(window->moreButton()->text(), "More");
    EXPECT_EQ(window->editButton()->geometry(), QRect(134, 10, 24, 24));
    EXPECT_EQ(window->dismissButton()->geometry(), QRect(166, 10, 24, 24));
    EXPECT_TRUE(window->statusLabel()->isHidden());

    QMenu* menu = window->overflowMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(window->moreButton()->menu(), menu);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[2]->text(), "Translate to");
    EXPECT_EQ(menu->actions()[2]->toolTip(), "Translate it.");
    EXPECT_EQ(menu->actions()[2]->data().toInt(), 2);

    palette.layout(palette.preferredWidth());
    for (QPushButton* b : window->promptButtons())
        EXPECT_FALSE(b->isHidden());
    EXPECT_TRUE(window->moreButton()->isHidden());
    EXPECT_EQ(button(0)->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(button(0)->height(), 28);
}

TEST_F(PaletteWindowTest, StatusLineAndBusyState) {
    palette.layout(300);
    const QString message =
        QStringLiteral("Prompt inserted. Press Return to send. ") + QString(200, QLatin1Char('x'));
    palette.status(message, false);
    EXPECT_EQ(window->height(), 64);
    ElidingLabel* status = window->statusLabel();
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(status->geometry(), QRect(12, 64 - 7 - 16, 276, 16));
    EXPECT_EQ(status->toolTip(), message);
    EXPECT_TRUE(status->text().endsWith(QChar(0x2026))) << status->text().toStdString();
    EXPECT_EQ(window->editButton()->geometry().top(), 64 - 30 - 24);

    palette.layout(120);
    palette.status(std::nullopt, true);
    EXPECT_EQ(window->height(), 44);
    EXPECT_TRUE(status->isHidden());
    for (QPushButton* b : window->promptButtons())
        EXPECT_FALSE(b->isEnabled());
    EXPECT_FALSE(window->moreButton()->isEnabled());
    for (QAction* a : window->overflowMenu()->actions())
        EXPECT_FALSE(a->isEnabled());
}

TEST_F(PaletteWindowTest, PressesReachTheController) {
    palette.show(Rect(400, 700, 600, 80));
    button(1)->click();
    palette.layout(120);
    window->overflowMenu()->actions()[2]->trigger();
    EXPECT_EQ(sent, (std::vector<QString>{"Explain it simply.", "Translate it."}));

    int edits = 0;
    QObject::connect(&palette, &PaletteController::editChosen, [&] { ++edits; });
    window->editButton()->click();
    EXPECT_EQ(edits, 1);

    int dismissals = 0;
    QObject::connect(&palette, &PaletteController::dismissed, [&] { ++dismissals; });
    window->dismissButton()->click();
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(palette.isVisible());
}

TEST_F(PaletteWindowTest, LongTitlesEndInAnEllipsisAndNoPromptsShowTheHint) {
    palette.rebuild(Configuration(
        {prompt(QStringLiteral("Supercalifragilisticexpialidocious antidisestablishmentarianism"),
                QStringLiteral("Long."))}));
    EXPECT_EQ(button(0)->width(), 156);
    EXPECT_TRUE(button(0)->text().endsWith(QChar(0x2026))) << button(0)->text().toStdString();
    EXPECT_EQ(window->hintLabel(), nullptr);

    palette.rebuild(Configuration());
    EXPECT_TRUE(window->promptButtons().empty());
    ASSERT_NE(window->hintLabel(), nullptr);
    EXPECT_EQ(window->hintLabel()->text(), "Add a prompt →");
    EXPECT_EQ(window->hintLabel()->geometry(), QRect(4, 28 - 5 - 18, 118, 18));
}

TEST_F(PaletteWindowTest, CornersAreClippedWithoutACompositor) {
    palette.layout(300);
    const QRegion mask = window->mask();
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(299, 43)));
    EXPECT_TRUE(mask.contains(QPoint(150, 22)));
    EXPECT_TRUE(mask.contains(QPoint(0, 22)));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
