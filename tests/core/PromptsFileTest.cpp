// SPDX-License-Identifier: MIT
#include "core/PromptsFile.h"
#include "core/JsonWriter.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

using namespace tandrel;

namespace {

const QString path = QStringLiteral("/home/ana/prompts.json");

// The problem part of the DecodingError raised for `json`, or "" when it decodes.
QString decodingProblem(const QByteArray& json) {
    try {
        PromptsFile::decode(json, path);
    } catch (const DecodingError& error) {
        EXPECT_TRUE(error.errorDescription().contains(path)) << error.what();
        return error.problem();
    }
    return {};
}

QByteArray promptObject(const QByteArray& members) {
    return "{\"prompts\": [" + members + "]}";
}

} // namespace

TEST(PromptsFileWriting, UsesSortedKeysTwoSpaceIndentAndSpacedColons) {
    const Configuration configuration(
        {Prompt(QUuid("{3f2504e0-4f89-11d3-9a0c-0305e82c3301}"), "Hi", "Say hi")});
    EXPECT_EQ(PromptsFile::encode(configuration),
              "{\n"
              "  \"prompts\" : [\n"
              "    {\n"
              "      \"id\" : \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\",\n"
              "      \"text\" : \"Say hi\",\n"
              "      \"title\" : \"Hi\"\n"
              "    }\n"
              "  ]\n"
              "}\n");
}

TEST(PromptsFileWriting, EmptyListIsAnEmptyArray) {
    EXPECT_EQ(PromptsFile::encode(Configuration()), "{\n  \"prompts\" : []\n}\n");
}

TEST(PromptsFileWriting, EscapesOnlyWhatJsonNeedsPlusTheSolidus) {
    const QString text =
        QStringLiteral("a/b \"q\" back\\slash\n\t\r\b\f\x01\x1f caf\u00E9 \u65E5 \U0001F600");
    const QByteArray written = JsonWriter::write(QJsonValue(text));
    EXPECT_EQ(written,
              QStringLiteral("\"a\\/b \\\"q\\\" back\\\\slash\\n\\t\\r\\b\\f\\u0001\\u001f "
                             "caf\u00E9 \u65E5 \U0001F600\"\n")
                  .toUtf8());
}

TEST(PromptsFileWriting, SortsKeysAtEveryLevel) {
    const QJsonObject object{{"b", 1}, {"a", QJsonArray{QJsonObject{{"z", true}, {"y", false}}}}};
    EXPECT_EQ(JsonWriter::write(object), "{\n"
                                         "  \"a\" : [\n"
                                         "    {\n"
                                         "      \"y\" : false,\n"
                                         "      \"z\" : true\n"
                                         "    }\n"
                                         "  ],\n"
                                         "  \"b\" : 1\n"
                                         "}\n");
}

TEST(PromptsFileRoundTrip, AwkwardTextSurvivesUnchanged) {
    const Configuration configuration(
        {Prompt(QUuid::createUuid(), QStringLiteral(" Tab\there "),
                QStringLiteral("path/to \"x\"\nline\ttab \x07 bell \u00FC\u00DF \u4E2D \U0001F680 "
                               "\u2028 sep \\ end")),
         Prompt(QUuid::createUuid(), "second", "{\"not\": \"json\"}")});
    EXPECT_EQ(PromptsFile::decode(PromptsFile::encode(configuration), path), configuration);
}

TEST(PromptsFileRoundTrip, LoneSurrogatesAreKeptThroughTheirEscapes) {
    // Text pasted from a broken source can hold half of a surrogate pair. It has no UTF-8
    // form, so writing it raw would save a replacement character instead.
    const QString text = QStringLiteral("a") + QChar(0xD83D) + "b" + QChar(0xDE00) +
                         QStringLiteral("\U0001F600") + QChar(0xDE00) + QChar(0xD83D);
    const Configuration configuration({Prompt(QUuid::createUuid(), "t", text)});
    const QByteArray written = PromptsFile::encode(configuration);
    EXPECT_TRUE(written.contains("\"a\\ud83db\\ude00\xF0\x9F\x98\x80\\ude00\\ud83d\""))
        << written.data();
    const Configuration read = PromptsFile::decode(written, path);
    ASSERT_EQ(read.prompts.size(), 1u);
    EXPECT_EQ(read.prompts[0].text, text);
}

TEST(PromptsFileReading, AcceptsIdsInEitherCaseAndIgnoresUnknownKeys) {
    const Configuration configuration = PromptsFile::decode(
        "{\"version\": 2, \"prompts\": [{\"id\": \"3f2504e0-4f89-11d3-9a0c-0305e82c3301\", "
        "\"title\": \"t\", \"text\": \"x\", \"color\": \"red\"}]}",
        path);
    ASSERT_EQ(configuration.prompts.size(), 1u);
    EXPECT_EQ(configuration.prompts[0].id, QUuid("{3F2504E0-4F89-11D3-9A0C-0305E82C3301}"));
    EXPECT_EQ(PromptsFile::decode("{\"prompts\": []}", path), Configuration());
}

TEST(PromptsFileReading, RefusesAnythingButTheCanonicalUuidForm) {
    for (const char* id :
         {"{3F2504E0-4F89-11D3-9A0C-0305E82C3301}", "3F2504E04F8911D39A0C0305E82C3301",
          "3F2504E0-4F89-11D3-9A0C-0305E82C330", "3F2504E0-4F89-11D3-9A0C-0305E82C3301 ",
          "3F2504E0_4F89-11D3-9A0C-0305E82C3301", "GF2504E0-4F89-11D3-9A0C-0305E82C3301", ""}) {
        const QByteArray json =
            promptObject(QByteArray("{\"id\": \"") + id + "\", \"title\": \"t\", \"text\": \"x\"}");
        EXPECT_EQ(decodingProblem(json),
                  "\"id\" of prompt 1 is not a valid UUID (expected the form "
                  "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX)")
            << id;
    }
    // The nil UUID is well formed.
    EXPECT_EQ(decodingProblem(promptObject("{\"id\": \"00000000-0000-0000-0000-000000000000\", "
                                           "\"title\": \"t\", \"text\": \"x\"}")),
              "");
}

TEST(PromptsFileReading, SaysWhichPromptLacksWhichKey) {
    const QByteArray good =
        "{\"id\": \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\", \"title\": \"t\", \"text\": \"x\"}";
    EXPECT_EQ(
        decodingProblem(promptObject(good + "," + good + ", {\"title\": \"t\", \"text\": \"x\"}")),
        "prompt 3 has no \"id\"");
    EXPECT_EQ(decodingProblem(promptObject(
                  "{\"id\": \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\", \"text\": \"x\"}")),
              "prompt 1 has no \"title\"");
    EXPECT_EQ(decodingProblem(promptObject(
                  "{\"id\": \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\", \"title\": \"x\"}")),
              "prompt 1 has no \"text\"");
}

TEST(PromptsFileReading, RefusesWrongTypesAndNulls) {
    EXPECT_EQ(decodingProblem(promptObject("{\"id\": \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\", "
                                           "\"title\": null, \"text\": \"x\"}")),
              "\"title\" of prompt 1 is null, not a string");
    EXPECT_EQ(decodingProblem(promptObject("{\"id\": 7, \"title\": \"t\", \"text\": \"x\"}")),
              "\"id\" of prompt 1 is a number, not a string");
    EXPECT_EQ(decodingProblem(promptObject("{\"id\": \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\", "
                                           "\"title\": \"t\", \"text\": [\"x\"]}")),
              "\"text\" of prompt 1 is an array, not a string");
    EXPECT_EQ(decodingProblem(promptObject("42")), "prompt 1 is a number, not an object");
    EXPECT_EQ(decodingProblem("{\"prompts\": 3}"), "\"prompts\" is a number, not an array");
    EXPECT_EQ(decodingProblem("{\"prompts\": null}"), "\"prompts\" is null, not an array");
    EXPECT_EQ(decodingProblem("{\"items\": []}"), "there is no \"prompts\" list");
    EXPECT_EQ(decodingProblem("[{\"prompts\": []}]"),
              "the top level is an array; it must be an object holding \"prompts\"");
}

TEST(PromptsFileReading, SyntaxErrorsGiveLineAndColumn) {
    const QString problem = decodingProblem("{\n  \"prompts\" : [\n    {\n      \"id\" \"x\"\n");
    EXPECT_TRUE(problem.startsWith("line 4, column 14: ")) << problem.toStdString();
    // Columns count characters, so each two-byte "é" counts once.
    const QString accented = decodingProblem("{\"\xC3\xA9\xC3\xA9\" 1}");
    EXPECT_TRUE(accented.startsWith("line 1, column 7: ")) << accented.toStdString();
}

TEST(PromptsFileReading, TextThatIsNotJsonIsRefusedWithItsPosition) {
    // Each of these once loaded: a lenient reader turned "C:\\Users" into "C:Users", and the
    // next save would have written the damage back.
    const QByteArray id = "\"id\": \"3F2504E0-4F89-11D3-9A0C-0305E82C3301\", ";
    const struct {
        QByteArray json;
        const char* where;
    } cases[] = {
        {promptObject("{" + id + "\"title\": \"C:\\Users\", \"text\": \"x\"}"),
         "line 1, column 74"},
        {promptObject("{" + id + "\"title\": \"tab\there\", \"text\": \"x\"}"),
         "line 1, column 74"},
        {promptObject("{" + id + "\"title\": \"line\nbreak\", \"text\": \"x\"}"),
         "line 1, column 75"},
        {"{\"prompts\": [], \"version\": 01}", "line 1, column 29"},
        {"{\"prompts\": [], \"version\": 1.}", "line 1, column 30"},
        {"{\"prompts\": [], \"version\": .5}", "line 1, column 28"},
        {"{\"prompts\": [], \"version\": +1}", "line 1, column 28"},
        {"{\"prompts\": [],}", "line 1, column 16"},
        {"{\"prompts\": []} // comment", "line 1, column 17"},
        {"{'prompts': []}", "line 1, column 2"},
        {"{\"prompts\": []}\n{}", "line 2, column 1"},
    };
    for (const auto& c : cases) {
        const QString problem = decodingProblem(c.json);
        EXPECT_TRUE(problem.startsWith(QString(c.where) + ": "))
            << c.json.data() << " gave " << problem.toStdString();
    }
}

TEST(PromptsFileRoundTrip, ByteOrderMarkInsideTextIsKept) {
    // A text that starts with U+FEFF once lost it on reading, so a save could not be verified.
    const Configuration configuration(
        {Prompt(QUuid::createUuid(), QStringLiteral("\uFEFFTitle"), QStringLiteral("\uFEFF")),
         Prompt(QUuid::createUuid(), "t", QStringLiteral("a\uFEFFb\uFEFF"))});
    EXPECT_EQ(PromptsFile::decode(PromptsFile::encode(configuration), path), configuration);
}

TEST(PromptsFileReading, EmptyFileAndBrokenUtf8AreRefused) {
    EXPECT_EQ(decodingProblem(""), "the file is empty");
    EXPECT_EQ(decodingProblem("{\"prompts\": [\n\"\xC3\x28\"]}"),
              "line 2, column 2: the text is not valid UTF-8");
    // An encoded surrogate is not UTF-8 either, even though the bytes look well formed.
    EXPECT_EQ(decodingProblem("{\"x\": \"\xED\xA0\x80\"}"),
              "line 1, column 8: the text is not valid UTF-8");
}
