// SPDX-License-Identifier: MIT
#include "app/identity/AppIdentity.h"
#include "app/shell/QtShellDialogs.h"
#include "app/shell/QtTray.h"
#include "app/shell/TandrelIcon.h"
#include "tests/support/QtPrinters.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

const QColor kInk(20, 20, 20);
const QColor kHalo(250, 250, 250);

// The pixel at (x, y) in points, sampled at the centre of that device pixel block.
QColor at(const QImage& image, qreal x, qreal y) {
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(int(x * scale), int(y * scale));
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

TEST(TandrelIcon, DrawsTheStripWithThreeHolesAboveTheInputAtBothScales) {
    for (const qreal scale : {1.0, 2.0}) {
        SCOPED_TRACE(scale);
        const QImage image = menuBarImage(scale, kInk, kHalo);
        ASSERT_EQ(image.size(), QSize(int(18 * scale), int(18 * scale)));
        EXPECT_EQ(image.devicePixelRatio(), scale);

        // Ink: the strip between and beside the holes, the input, the tail below the input.
        for (const QPointF p : {QPointF(6.2, 3.5), QPointF(11.2, 3.5), QPointF(9, 1.5),
                                QPointF(9, 12), QPointF(3.2, 15.5)})
            EXPECT_EQ(at(image, p.x(), p.y()), kInk) << p.x() << "," << p.y();
        // The holes' centres and the corner beside the tail are open.
        for (const QPointF p :
             {QPointF(4, 3.5), QPointF(9, 3.5), QPointF(14, 3.5), QPointF(12, 17)})
            EXPECT_EQ(at(image, p.x(), p.y()).alpha(), 0) << p.x() << "," << p.y();
        // The gap between strip and input is open or halo, never ink.
        const QColor gap = at(image, 9, 7.6);
        EXPECT_TRUE(gap.alpha() == 0 || qGray(gap.rgb()) > 200)
            << gap.name(QColor::HexArgb).toStdString();
    }
    // At 2x the halo is a whole device pixel: it rims the holes and the input on a dark panel.
    const QImage image = menuBarImage(2.0, kInk, kHalo);
    for (const QPoint device : {QPoint(4, 7) /* hole 1, left edge */, QPoint(1, 24),
                                QPoint(20, 17) /* gap, just above input */})
        EXPECT_GT(qGray(image.pixel(device)), 200) << device.x() << "," << device.y();
}

class QtTrayTest : public ::testing::Test {
protected:
    void TearDown() override { flushDeletes(); }

    // The menu's actions that are not separators.
    QList<QAction*> commands() const {
        QList<QAction*> out;
        for (QAction* action : tray.menu()->actions())
            if (!action->isSeparator())
                out << action;
        return out;
    }

    QtTray tray;
};

TEST_F(QtTrayTest, AppliesTheModelToTheMenu) {
    EXPECT_EQ(tray.icon()->toolTip(), AppIdentity::name());
    EXPECT_EQ(tray.icon()->icon().pixmap(QSize(18, 18), 2.0).size(), QSize(36, 36));
    EXPECT_EQ(tray.icon()->contextMenu(), tray.menu());
    EXPECT_FALSE(tray.isAvailable()); // no tray on the offscreen platform

    const auto model =
        buildStatusMenu(true, true, LoginItemStatus::Enabled, QUrl("https://example.org/"));
    tray.setMenu(model);
    const QList<QAction*> actions = tray.menu()->actions();
    ASSERT_EQ(actions.size(), qsizetype(model.size()));
    for (std::size_t i = 0; i < model.size(); ++i) {
        const MenuItem& item = model[i];
        const QAction* action = actions[qsizetype(i)];
        SCOPED_TRACE(item.title.toStdString());
        EXPECT_EQ(action->isSeparator(), item.separator);
        if (item.separator)
            continue;
        EXPECT_EQ(action->text(), item.title);
        EXPECT_EQ(action->isEnabled(), item.action != MenuAction::None);
        EXPECT_EQ(action->isCheckable(), item.action == MenuAction::ToggleLogin);
        EXPECT_EQ(action->isChecked(), item.action == MenuAction::ToggleLogin);
        EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), item.shortcut);
    }

    // A rebuild replaces everything; the mixed state shows unchecked with its own title.
    tray.setMenu(buildStatusMenu(false, false, LoginItemStatus::RequiresApproval, std::nullopt));
    flushDeletes();
    const QList<QAction*> rebuilt = commands();
    ASSERT_EQ(rebuilt.size(), 7);
    EXPECT_EQ(rebuilt[0]->text(), "Accessibility needed: turn it on, restart your browser");
    EXPECT_EQ(rebuilt[1]->text(), "Edit Prompts\u2026");
    EXPECT_EQ(rebuilt[2]->text(), "Launch at Login \u2014 Approval Needed\u2026");
    EXPECT_TRUE(rebuilt[2]->isCheckable());
    EXPECT_FALSE(rebuilt[2]->isChecked());
    EXPECT_EQ(rebuilt[3]->text(), "Pause");

    // Refreshing one item as the menu opens touches only that item.
    tray.updateItem(loginMenuItem(LoginItemStatus::Enabled));
    EXPECT_EQ(rebuilt[2]->text(), "Launch at Login");
    EXPECT_TRUE(rebuilt[2]->isChecked());
    EXPECT_EQ(rebuilt[3]->text(), "Pause");
}

TEST_F(QtTrayTest, ChoosingAnItemReportsItsActionAndLeavesTheStateToTheModel) {
    std::vector<MenuAction> chosen;
    int opened = 0;
    QObject::connect(&tray, &TrayView::actionChosen, [&](MenuAction action) {
        chosen.push_back(action);
        // The controller rebuilds the menu from inside the handler.
        tray.setMenu(buildStatusMenu(true, true, LoginItemStatus::NotRegistered, std::nullopt));
    });
    QObject::connect(&tray, &TrayView::menuAboutToShow, [&] { ++opened; });
    tray.setMenu(buildStatusMenu(true, false, LoginItemStatus::NotRegistered, std::nullopt));

    QAction* login = commands()[2];
    ASSERT_EQ(login->text(), "Launch at Login");
    login->trigger(); // Qt would tick it; the model says off until the status really changes
    EXPECT_FALSE(login->isChecked());
    flushDeletes();
    commands()[3]->trigger(); // "Resume" in the rebuilt menu
    flushDeletes();
    EXPECT_EQ(chosen, (std::vector<MenuAction>{MenuAction::ToggleLogin, MenuAction::TogglePause}));

    emit tray.menu()->aboutToShow();
    EXPECT_EQ(opened, 1);
}

TEST(QtShellDialogs, AboutBoxShowsNameVersionAndCreditsAsPlainText) {
    QtShellDialogs dialogs;
    dialogs.showAbout("Tandrel <b>", "1.2 & 3", aboutCredits());
    QMessageBox* box = dialogs.aboutBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), "About Tandrel <b>");
    EXPECT_EQ(box->text(), "Tandrel <b>");
    EXPECT_EQ(box->textFormat(), Qt::PlainText);

    // What the user reads, whatever markup the box uses to show it.
    QString shown;
    for (const QLabel* label : box->findChildren<QLabel*>())
        if (label->text() == box->informativeText()) {
            QTextDocument document;
            document.setHtml(label->text());
            shown = document.toPlainText();
        }
    // Paragraphs come back as single line breaks.
    EXPECT_EQ(shown, QString("Version 1.2 & 3\n\n" + aboutCredits()).replace("\n\n", "\n"));

    dialogs.showAbout("Tandrel", "2", aboutCredits()); // the same box, brought forward
    EXPECT_EQ(dialogs.aboutBox(), box);
    EXPECT_EQ(box->text(), "Tandrel");
    box->close();
    flushDeletes();
    EXPECT_EQ(dialogs.aboutBox(), nullptr);
}
