// SPDX-License-Identifier: MIT
#include "core/ComposerPolicy.h"

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

bool acceptsURL(const char* url) {
    return ComposerPolicy::acceptsWebURL(QUrl(QString::fromUtf8(url)));
}

using a11y::Role;

bool accepts(Role role, const char* hints, std::optional<bool> editable = std::nullopt) {
    return ComposerPolicy::accepts(role, QString::fromUtf8(hints), editable);
}

} // namespace

TEST(ChatLists, HoldTheSupportedApplicationsAndHosts) {
    EXPECT_EQ(ComposerPolicy::desktopChatIDs().size(), 4);
    EXPECT_TRUE(ComposerPolicy::desktopChatIDs().contains("com.openai.chat"));
    EXPECT_FALSE(ComposerPolicy::desktopChatIDs().contains("com.openai.Chat"));
    EXPECT_EQ(ComposerPolicy::webChatHosts().size(), 10);
    for (const QString& host : ComposerPolicy::webChatHosts()) {
        EXPECT_EQ(host, host.toLower());
        EXPECT_TRUE(acceptsURL(("https://" + host + "/").toUtf8().constData()))
            << host.toStdString();
    }
}

TEST(WebChatAddress, AcceptsKnownHostsWhateverTheCaseTrailingDotPortOrPath) {
    EXPECT_TRUE(acceptsURL("https://chatgpt.com/c/123"));
    EXPECT_TRUE(acceptsURL("HTTPS://CLAUDE.AI/new"));
    EXPECT_TRUE(acceptsURL("http://claude.ai"));
    EXPECT_TRUE(acceptsURL("https://gemini.google.com./app"));
    EXPECT_TRUE(acceptsURL("https://user:pw@grok.com:8443/x?q=1#frag"));
    EXPECT_TRUE(acceptsURL("https://www.perplexity.ai/search"));
}

TEST(WebChatAddress, RefusesOtherSchemesHostsAndSubdomains) {
    EXPECT_FALSE(acceptsURL("https://www.chatgpt.com/"));
    EXPECT_FALSE(acceptsURL("https://www.claude.ai/"));
    EXPECT_FALSE(acceptsURL("https://eu.claude.ai/"));
    EXPECT_FALSE(acceptsURL("https://claude.ai.evil.com/"));
    EXPECT_FALSE(acceptsURL("https://openai.com/"));
    EXPECT_FALSE(acceptsURL("file:///claude.ai/index.html"));
    EXPECT_FALSE(acceptsURL("ftp://claude.ai/"));
    EXPECT_FALSE(acceptsURL("claude.ai"));
    EXPECT_FALSE(acceptsURL("https:///path"));
    EXPECT_FALSE(acceptsURL("https://.../"));
    EXPECT_FALSE(ComposerPolicy::acceptsWebURL(QUrl()));
}

TEST(ComposerAcceptance, PasswordFieldsAndReadOnlyElementsNeverQualify) {
    EXPECT_FALSE(accepts(Role::passwordField, "message"));
    EXPECT_FALSE(accepts(Role::textArea, "message", false));
    EXPECT_TRUE(accepts(Role::textArea, "message", true));
    EXPECT_TRUE(accepts(Role::textArea, "message", std::nullopt));
}

TEST(ComposerAcceptance, TextAreasQualifyUnlessTheirHintsRejectThem) {
    EXPECT_TRUE(accepts(Role::textArea, ""));
    EXPECT_FALSE(accepts(Role::textArea, "Search messages"));
    EXPECT_FALSE(accepts(Role::textArea, "Find in page"));
    EXPECT_FALSE(accepts(Role::textArea, "Rename conversation"));
    EXPECT_FALSE(accepts(Role::textArea, "subtitle")); // containment, not words
    EXPECT_FALSE(accepts(Role::textArea, "FILTER chats"));
    EXPECT_FALSE(accepts(Role::textArea, "Enter password"));
}

TEST(ComposerAcceptance, TextFieldsNeedAnAcceptingHint) {
    EXPECT_FALSE(accepts(Role::textField, ""));
    EXPECT_FALSE(accepts(Role::textField, "Name"));
    EXPECT_TRUE(accepts(Role::textField, "Reply to thread"));
    EXPECT_TRUE(accepts(Role::textField, "Task name")); // "ask"
    EXPECT_TRUE(accepts(Role::textField, "SEND A MESSAGE"));
    EXPECT_TRUE(accepts(Role::textField, "Ask a follow up"));
    EXPECT_TRUE(accepts(Role::textField, "Talk with Claude"));
    EXPECT_FALSE(accepts(Role::textField, "Search chats"));
}

TEST(ComposerAcceptance, OtherRolesNeverQualify) {
    for (const Role role : {Role::application, Role::window, Role::webDocument, Role::form,
                            Role::dialog, Role::other})
        EXPECT_FALSE(accepts(role, "message")) << a11y::nameOf(role).toStdString();
}
