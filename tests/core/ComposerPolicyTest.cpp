// SPDX-License-Identifier: MIT
#include "core/ComposerPolicy.h"

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

bool acceptsURL(const char* url) {
    return ComposerPolicy::acceptsWebURL(QUrl(QString::fromUtf8(url)));
}

bool accepts(const char* role, const char* subrole, const char* hints,
             std::optional<bool> editable = std::nullopt) {
    return ComposerPolicy::accepts(QString::fromUtf8(role), QString::fromUtf8(subrole),
                                   QString::fromUtf8(hints), editable);
}

} // namespace

TEST(ChatLists, HoldTheSupportedApplicationsAndHosts) {
    EXPECT_EQ(ComposerPolicy::bundleIDs().size(), 4);
    EXPECT_TRUE(ComposerPolicy::bundleIDs().contains("com.openai.chat"));
    EXPECT_FALSE(ComposerPolicy::bundleIDs().contains("com.openai.Chat"));
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
    EXPECT_FALSE(accepts("AXTextArea", "AXSecureTextField", "message"));
    EXPECT_FALSE(accepts("AXTextArea", "", "message", false));
    EXPECT_TRUE(accepts("AXTextArea", "", "message", true));
    EXPECT_TRUE(accepts("AXTextArea", "", "message", std::nullopt));
}

TEST(ComposerAcceptance, TextAreasQualifyUnlessTheirHintsRejectThem) {
    EXPECT_TRUE(accepts("AXTextArea", "", ""));
    EXPECT_FALSE(accepts("AXTextArea", "", "Search messages"));
    EXPECT_FALSE(accepts("AXTextArea", "", "Find in page"));
    EXPECT_FALSE(accepts("AXTextArea", "", "Rename conversation"));
    EXPECT_FALSE(accepts("AXTextArea", "", "subtitle")); // containment, not words
    EXPECT_FALSE(accepts("AXTextArea", "", "FILTER chats"));
    EXPECT_FALSE(accepts("AXTextArea", "", "Enter password"));
}

TEST(ComposerAcceptance, TextFieldsNeedAnAcceptingHint) {
    EXPECT_FALSE(accepts("AXTextField", "", ""));
    EXPECT_FALSE(accepts("AXTextField", "", "Name"));
    EXPECT_TRUE(accepts("AXTextField", "", "Reply to thread"));
    EXPECT_TRUE(accepts("AXTextField", "", "Task name")); // "ask"
    EXPECT_TRUE(accepts("AXTextField", "", "SEND A MESSAGE"));
    EXPECT_TRUE(accepts("AXTextField", "", "Ask a follow up"));
    EXPECT_TRUE(accepts("AXTextField", "", "Talk with Claude"));
    EXPECT_FALSE(accepts("AXTextField", "", "Search chats"));
}

TEST(ComposerAcceptance, OtherRolesNeverQualify) {
    for (const char* role : {"AXComboBox", "AXSearchField", "AXWebArea", "AXGroup", "axtextarea"})
        EXPECT_FALSE(accepts(role, "", "message")) << role;
}
