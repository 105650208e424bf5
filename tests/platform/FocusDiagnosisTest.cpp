// SPDX-License-Identifier: MIT
#include "tools/diagnose/FocusDiagnosis.h"
#include "tools/diagnose/FocusAnswer.h"

#include "platform/sim/SimDesktop.h"
#include "tests/support/WebChatScene.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace tandrel::diagnosis {
namespace {

using a11y::Role;

QJsonObject parse(const FocusAnswer& answer) {
    return QJsonDocument::fromJson(toJson(answer)).object();
}

TEST(FocusAnswerJson, ATargetCarriesExactlyTheDocumentedKeys) {
    FocusAnswer answer;
    answer.target = TargetSummary{42,
                                  "Chromium",
                                  "Chromium",
                                  "text area",
                                  Rect(8, 137, 1184, 78),
                                  1,
                                  QStringLiteral("https://chatgpt.com/c/1")};
    answer.decision = "composer detected";
    const QByteArray json = toJson(answer);
    EXPECT_FALSE(json.contains('\n')) << "one answer per line";
    const QJsonObject object = parse(answer);
    EXPECT_EQ(object.keys(), (QStringList{"decision", "target"}));
    const QJsonObject target = object["target"].toObject();
    EXPECT_EQ(target.keys(), (QStringList{"bundle", "frame", "panelCount", "pid", "role", "url"}));
    EXPECT_EQ(target["pid"].toInteger(), 42);
    EXPECT_EQ(target["frame"].toArray(), (QJsonArray{8, 137, 1184, 78}));
    EXPECT_EQ(target["panelCount"].toInteger(), 1);
    EXPECT_EQ(target["url"].toString(), "https://chatgpt.com/c/1");
}

TEST(FocusAnswerJson, DesktopChatsHaveANullAddressAndNoTargetIsNull) {
    FocusAnswer desktopChat;
    desktopChat.target = TargetSummary{
        7, "com.openai.chat", "ChatGPT", "text area", Rect(1, 2, 3, 4), -1, std::nullopt};
    const QJsonObject target = parse(desktopChat)["target"].toObject();
    EXPECT_TRUE(target["url"].isNull());
    EXPECT_EQ(target["panelCount"].toInteger(), -1);

    FocusAnswer none;
    none.decision = "no focused element";
    EXPECT_TRUE(parse(none)["target"].isNull());
    EXPECT_EQ(parse(none)["decision"].toString(), "no focused element");
}

TEST(FocusAnswerLine, SaysWhatWasFoundOrWhyNot) {
    FocusAnswer none;
    none.decision = "page is not a chat (https://example.com/)";
    EXPECT_EQ(toLine(none), "no composer: page is not a chat (https://example.com/)");

    FocusAnswer found;
    found.decision = "composer detected";
    found.target = TargetSummary{42,
                                 "Chromium",
                                 "Chromium",
                                 "text area",
                                 Rect(8, 137, 1184, 78),
                                 1,
                                 QStringLiteral("https://chatgpt.com/")};
    const QString line = toLine(found);
    EXPECT_TRUE(line.startsWith("composer detected")) << line.toStdString();
    for (const char* part :
         {"Chromium", "text area", "[8, 137, 1184, 78]", "1 panel", "https://chatgpt.com/"})
        EXPECT_TRUE(line.contains(QLatin1String(part))) << part << " in " << line.toStdString();
}

// The reasons a user reads when nothing is detected, on a simulated desktop.
class FocusDiagnosisReasons : public ::testing::Test {
protected:
    sim::SimDesktop desktop;
    FocusDiagnosis inspector{desktop};
};

TEST_F(FocusDiagnosisReasons, AWebChatComposerIsDetectedWithItsSurface) {
    test::buildWebChat(desktop);
    const FocusAnswer answer = inspector.evaluate();
    ASSERT_TRUE(answer.target);
    EXPECT_EQ(answer.decision, "composer detected");
    EXPECT_EQ(answer.target->role, "text area");
    EXPECT_EQ(answer.target->identity, "org.chromium.Chromium");
    EXPECT_EQ(answer.target->panelCount, 2);
    EXPECT_EQ(answer.target->url, QStringLiteral("https://chatgpt.com/c/123"));
}

TEST_F(FocusDiagnosisReasons, MissingTrustAndNoFrontApplicationAreNamed) {
    test::buildWebChat(desktop);
    desktop.setTrusted(false);
    EXPECT_EQ(inspector.evaluate().decision, "not trusted for accessibility");
    desktop.setTrusted(true);
    desktop.activateNone();
    EXPECT_EQ(inspector.evaluate().decision, "no frontmost application");
}

TEST_F(FocusDiagnosisReasons, AChatPageOnAnotherHostNamesTheAddress) {
    test::WebChatOptions options;
    options.address = QStringLiteral("https://example.com/textarea.html");
    test::buildWebChat(desktop, options);
    const FocusAnswer answer = inspector.evaluate();
    EXPECT_FALSE(answer.target);
    EXPECT_EQ(answer.decision, "page is not a chat (https://example.com/textarea.html)");
}

TEST_F(FocusDiagnosisReasons, ASearchFieldListsTheRolesThatWereRejected) {
    sim::SimApp& browser =
        desktop.addApp(77, QStringLiteral("Chromium"), QStringLiteral("Chromium"));
    const sim::SimElement window = browser.window(QStringLiteral("Chat"), Rect(0, 0, 800, 600));
    const sim::SimElement page =
        window.child(Role::webDocument).url("https://chatgpt.com/").frame(0, 0, 800, 600);
    const sim::SimElement group = page.child(Role::other).frame(0, 0, 800, 40);
    const sim::SimElement search =
        group.child(Role::textField).placeholder("Search chats").frame(10, 10, 200, 20);
    browser.focus(search);
    desktop.activate(browser);
    const FocusAnswer answer = inspector.evaluate();
    EXPECT_FALSE(answer.target);
    EXPECT_EQ(answer.decision,
              "no accepted input (roles: text field, other, web document, window)");
}

TEST_F(FocusDiagnosisReasons, NoFocusedElementInABrowser) {
    sim::SimApp& browser =
        desktop.addApp(78, QStringLiteral("Chromium"), QStringLiteral("Chromium"));
    browser.window(QStringLiteral("Blank"), Rect(0, 0, 800, 600));
    desktop.activate(browser);
    EXPECT_EQ(inspector.evaluate().decision, "no focused element");
}

TEST_F(FocusDiagnosisReasons, ABrowserWithThePageFocusedIsToldToRestartOrClick) {
    // Firefox started before accessibility was switched on reports the page, not its input, as
    // focused; so does any browser after a click on the page's background.
    auto isBrowser = [](const QString& bundle) { return bundle == QLatin1String("firefox-esr"); };
    for (const char* bundle : {"firefox-esr", "org.example.Viewer"}) {
        SCOPED_TRACE(bundle);
        sim::SimDesktop sim;
        FocusDiagnosis browserAware(sim, isBrowser);
        sim::SimApp& app = sim.addApp(90, QLatin1String(bundle), QStringLiteral("Browser"));
        const sim::SimElement window = app.window(QStringLiteral("Chat"), Rect(0, 0, 800, 600));
        const sim::SimElement page =
            window.child(Role::webDocument).url("https://chatgpt.com/").frame(0, 0, 800, 600);
        page.child(Role::textArea).frame(10, 500, 780, 60);
        app.focus(page);
        sim.activate(app);
        const QString decision = browserAware.evaluate().decision;
        EXPECT_TRUE(decision.startsWith("no accepted input (roles: web document"))
            << decision.toStdString();
        EXPECT_EQ(decision.contains("restart the browser once accessibility is on"),
                  QLatin1String(bundle) == QLatin1String("firefox-esr"))
            << decision.toStdString();
    }
    // A browser whose input has the focus is never told to restart.
    test::buildWebChat(desktop);
    FocusDiagnosis browserAware(desktop, [](const QString&) { return true; });
    EXPECT_EQ(browserAware.evaluate().decision, "composer detected");
}

TEST_F(FocusDiagnosisReasons, ADesktopChatReportsTheTrackersOwnDecision) {
    sim::SimApp& chat =
        desktop.addApp(79, QStringLiteral("com.openai.chat"), QStringLiteral("ChatGPT"));
    const sim::SimElement window = chat.window(QStringLiteral("ChatGPT"), Rect(0, 0, 800, 600));
    const sim::SimElement button = window.child(Role::other).name("Send").frame(1, 1, 10, 10);
    chat.focus(button);
    desktop.activate(chat);
    EXPECT_EQ(inspector.evaluate().decision,
              "no accepted input (roles: other, window, application)");
}

TEST_F(FocusDiagnosisReasons, ACodeInputIsNotExplainedByAnEarlierDetection) {
    sim::SimApp& chat =
        desktop.addApp(80, QStringLiteral("com.openai.chat"), QStringLiteral("ChatGPT"));
    const sim::SimElement chatWindow = chat.window(QStringLiteral("ChatGPT"), Rect(0, 0, 800, 600));
    chat.focus(chatWindow.child(Role::textArea).frame(10, 500, 780, 60));
    desktop.activate(chat);
    ASSERT_TRUE(inspector.evaluate().target);

    // OpenCode turns down its monospaced code inputs without recording a decision.
    sim::SimApp& openCode =
        desktop.addApp(81, QStringLiteral("ai.opencode.desktop"), QStringLiteral("OpenCode"));
    const sim::SimElement codeWindow =
        openCode.window(QStringLiteral("OpenCode"), Rect(0, 0, 800, 600));
    openCode.focus(codeWindow.child(Role::textArea)
                       .classes({QStringLiteral("font-mono")})
                       .frame(10, 10, 400, 300));
    desktop.activate(openCode);
    const FocusAnswer answer = inspector.evaluate();
    EXPECT_FALSE(answer.target);
    EXPECT_EQ(answer.decision, "a code input");
}

} // namespace
} // namespace tandrel::diagnosis
