// SPDX-License-Identifier: MIT
#include "platform/linux/wayland/NativeRoute.h"
#include "platform/linux/wayland/KWinWindowReport.h"
#include "platform/linux/wayland/SwayTree.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tandrel::linuxdesktop;

namespace {

QByteArray recordedTree() {
    QFile file(QStringLiteral(TANDREL_TEST_DATA "/sway-tree-floating-chromium.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

// A floating native Chromium with sway's title bar and 2 px border, recorded from sway 1.7: the
// content starts inside the border and below the title bar, and an XWayland or empty focus is
// not a native window.
TEST(SwayTreeTest, FocusedWindowFromRecordedTree) {
    const QByteArray tree = recordedTree();
    const auto window = focusedWindowInSwayTree(tree);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->pid, 11280);
    EXPECT_EQ(window->appId, QStringLiteral("chrome-chatgpt.com__textarea.html-Default"));
    EXPECT_FALSE(window->xwayland);
    EXPECT_EQ(window->content, QRect(102, 75, 896, 573));

    QByteArray xwayland = tree;
    xwayland.replace("\"xdg_shell\"", "\"xwayland\"");
    EXPECT_TRUE(focusedWindowInSwayTree(xwayland)->xwayland);
    QByteArray emptyWorkspace = tree;
    emptyWorkspace.replace("\"focused\": true", "\"focused\": false");
    emptyWorkspace.replace("\"name\": \"1\",", "\"name\": \"1\", \"focused\": true,");
    EXPECT_FALSE(focusedWindowInSwayTree(emptyWorkspace));
    EXPECT_FALSE(focusedWindowInSwayTree("not json"));
}

// Replies arrive in pieces and back to back; a stream that is not sway's is refused.
TEST(SwayTreeTest, IpcFramingAcrossPieces) {
    QByteArray stream = swayipc::encode(swayipc::kGetTree, "{\"a\":1}") +
                        swayipc::encode(swayipc::kEventBit | 3, "{}");
    QByteArray buffer;
    bool broken = false;
    std::vector<swayipc::Message> messages;
    for (char byte : stream) {
        buffer.append(byte);
        while (auto message = swayipc::take(buffer, &broken))
            messages.push_back(*message);
        ASSERT_FALSE(broken);
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].type, swayipc::kGetTree);
    EXPECT_EQ(messages[0].payload, "{\"a\":1}");
    EXPECT_EQ(messages[1].type, swayipc::kEventBit | 3);
    EXPECT_TRUE(buffer.isEmpty());
    QByteArray garbage("HTTP/1.1 400");
    EXPECT_FALSE(swayipc::take(garbage, &broken));
    EXPECT_TRUE(broken);
}

TEST(NativeRouteTest, WhichPathServesTheWindowInFront) {
    const NativeWindow native{5, 42, QStringLiteral("chromium"), QRect(0, 0, 800, 600), {}, false};
    NativeWindow xwayland = native;
    xwayland.xwayland = true;
    const WaylandOffers all;
    const QString untold = QStringLiteral("does not tell Tandrel where it is");
    const QString noKeys = QStringLiteral("no virtual keyboard");
    const QString noClipboard = QStringLiteral("no clipboard control");
    const QString wayOut = QStringLiteral("--ozone-platform=x11");
    struct Case {
        const char* name;
        bool session;
        std::optional<NativeWindow> focused;
        WaylandOffers offers;
        bool x11SeesNone;
        bool native;
        QStringList problemSays; // empty: served
    };
    const Case cases[] = {
        {"X11 session", false, native, all, true, false, {}},
        {"native window", true, native, all, false, true, {}},
        {"XWayland window", true, xwayland, all, false, false, {}},
        {"empty workspace", true, std::nullopt, all, true, false, {}},
        {"no keys, no clipboard",
         true,
         native,
         {{}, noKeys, noClipboard, wayOut},
         false,
         true,
         {noKeys + QStringLiteral(" and ") + noClipboard + QStringLiteral(": ") + wayOut}},
        {"keys without their own way out",
         true,
         native,
         {{}, noKeys, {}, {}},
         false,
         true,
         {noKeys}},
        {"compositor that does not tell, X11 window",
         true,
         std::nullopt,
         {untold, {}, {}, {}},
         false,
         false,
         {}},
        {"compositor that does not tell, native window",
         true,
         std::nullopt,
         {untold, {}, {}, {}},
         true,
         true,
         {untold}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Route route = routeFor(c.session, c.focused, c.offers, c.x11SeesNone);
        EXPECT_EQ(route.native, c.native);
        if (c.problemSays.isEmpty()) {
            EXPECT_TRUE(route.problem.isEmpty()) << route.problem.toStdString();
        }
        for (const QString& said : c.problemSays)
            EXPECT_TRUE(route.problem.endsWith(said)) << route.problem.toStdString();
    }
}

TEST(NativeRouteTest, CompositorFromTheSessionEnvironment) {
    EXPECT_EQ(compositorOf(false, "/run/sway.sock", "sway"), Compositor::None);
    EXPECT_EQ(compositorOf(true, "/run/sway.sock", "KDE"), Compositor::Sway);
    EXPECT_EQ(compositorOf(true, {}, "KDE"), Compositor::KWin);
    EXPECT_EQ(compositorOf(true, {}, "ubuntu:GNOME"), Compositor::GnomeShell);
    EXPECT_EQ(compositorOf(true, {}, "Hyprland"), Compositor::Other);
}

// Window extents count from the buffer, which holds the client's shadow around the content.
TEST(NativeRouteTest, ContentInsetAndScreenPosition) {
    const QRect content(102, 75, 896, 573); // from the compositor
    struct Case {
        const char* name;
        std::vector<QRect> candidates; // frame first, then its first descendants
        std::optional<QPoint> inset;
    };
    const Case cases[] = {
        // Chromium with server-side decorations (measured): frame is the content.
        {"frame is the content", {{0, 0, 896, 573}, {0, 0, 896, 573}}, QPoint(0, 0)},
        // Firefox: its frame sits at its shadow's inset.
        {"frame at the shadow inset", {{26, 23, 896, 573}}, QPoint(26, 23)},
        // A frame as big as the buffer whose inner view is the content.
        {"inner view is the content", {{0, 0, 928, 615}, {16, 10, 896, 573}}, QPoint(16, 10)},
        {"rounding", {{26, 23, 895, 574}}, QPoint(26, 23)},
        // The shadow is not exposed anywhere: no position is trusted.
        {"nothing matches", {{0, 0, 928, 615}, {0, 0, 928, 615}}, std::nullopt},
        {"nothing read", {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(contentInsetInBuffer(c.candidates, content.size()), c.inset);
    }
    // The composer of the recorded page at 60,92 in the page: the page starts at the content.
    EXPECT_EQ(screenRectOf(QRect(60, 92, 720, 98), content.topLeft(), 1), QRect(162, 167, 720, 98));
    EXPECT_EQ(screenRectOf(QRect(86, 115, 720, 98), content.topLeft() - QPoint(26, 23), 1),
              QRect(162, 167, 720, 98));
    // Chromium's page at scale 2 (measured on sway 1.7: frame 1440 x 900, document 2880 x 1800,
    // its input at 390,206 in buffer pixels) and Firefox's, which counts points throughout.
    EXPECT_EQ(webContentScale(QSize(1440, 900), QSize(2880, 1800)), 2);
    EXPECT_EQ(webContentScale(QSize(1440, 900), QSize(2879, 1630)), 2); // below a toolbar
    EXPECT_EQ(webContentScale(QSize(1252, 852), QSize(1200, 715)), 1);
    EXPECT_EQ(webContentScale(QSize(1440, 900), QSize(1440, 900)), 1);
    EXPECT_EQ(screenRectOf(QRect(390, 206, 1038, 152), QPoint(0, 0), 2), QRect(195, 103, 519, 76));
}

// Reports of KWin's script, as recorded from KWin 5.27 over D-Bus (Chromium decorated by KWin,
// Firefox with its own shadow), and what does not parse.
TEST(NativeRouteTest, KWinReportsOfTheActiveWindow) {
    const QString chromium = QStringLiteral(
        R"({"active":true,"id":"{921aa7ec-4e7d-4927-93b2-42e4fdc320a2}","pid":6223,)"
        R"("resourceClass":"chromium","desktopFileName":"chrome-chatgpt.com__textarea.html-Default",)"
        R"("frame":[120,50,1200,800],"buffer":[120,50,1200,800],"x11":false})");
    const KWinReport served = parseKWinReport(chromium);
    ASSERT_TRUE(served.valid && served.window);
    EXPECT_EQ(served.window->pid, 6223);
    EXPECT_EQ(served.window->appId, QStringLiteral("chromium")); // the name the rules know
    EXPECT_EQ(served.window->content, QRect(120, 50, 1200, 800));
    EXPECT_EQ(served.window->bufferOrigin, QPoint(120, 50));
    EXPECT_FALSE(served.window->xwayland);

    const KWinReport firefox = parseKWinReport(QStringLiteral(
        R"({"active":true,"id":"a","pid":7,"resourceClass":"firefox-esr","desktopFileName":"",)"
        R"("frame":[120.4,50,1200,800],"buffer":[94,27,1252,852],"x11":false})"));
    ASSERT_TRUE(firefox.window);
    EXPECT_EQ(firefox.window->content, QRect(120, 50, 1200, 800));
    EXPECT_EQ(firefox.window->bufferOrigin, QPoint(94, 27));

    const KWinReport none = parseKWinReport(QStringLiteral(R"({"active":false})"));
    EXPECT_TRUE(none.valid);
    EXPECT_FALSE(none.window);
    for (const char* broken : {"", "[]", R"({"active":true,"frame":[1,2,3]})", "{}"})
        EXPECT_FALSE(parseKWinReport(QString::fromUtf8(broken)).valid) << broken;
}
