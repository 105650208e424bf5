// SPDX-License-Identifier: MIT

// The tandrel-inspect program, run as a user would, against the browser on the fixture pages
// (built once for Chromium and once for Firefox).

#include "testing/Fixtures.h"
#include "tests/e2e/PrivateDesktopSuite.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <memory>

namespace tandrel::e2e {
namespace {

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QString output;
    QString errors;
};

ToolRun runTool(const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TANDREL_INSPECT_PATH), arguments);
    ToolRun run;
    // --once answers within about two seconds; this only keeps a hang from stalling the suite.
    run.finished = process.waitForFinished(30000);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The one JSON answer of `--once --json`: the last non-empty line of the output.
QJsonObject jsonAnswer(const ToolRun& run) {
    const QStringList lines = run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return {};
    return QJsonDocument::fromJson(lines.last().toUtf8()).object();
}

std::optional<Rect> frameOf(const QJsonObject& target) {
    const QJsonArray frame = target.value(QLatin1String("frame")).toArray();
    if (frame.size() != 4)
        return std::nullopt;
    return Rect(frame[0].toDouble(), frame[1].toDouble(), frame[2].toDouble(), frame[3].toDouble());
}

class CommandLineTool : public PrivateDesktopSuite<WindowManager::None, DesktopLayer::NotNeeded> {
protected:
    // Runs `--once --json` and checks the answer's shape, which every caller relies on.
    static QJsonObject inspectOnce() {
        const ToolRun run = runTool({QStringLiteral("--once"), QStringLiteral("--json")});
        EXPECT_TRUE(run.finished) << "tandrel-inspect --once did not finish";
        EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
        const QJsonObject answer = jsonAnswer(run);
        EXPECT_TRUE(answer.contains(QLatin1String("target")))
            << "no JSON answer in: " << run.output.toStdString();
        EXPECT_TRUE(answer.value(QLatin1String("decision")).isString()) << run.output.toStdString();
        return answer;
    }
};

TEST_F(CommandLineTool, DetectsTextareaComposerWithItsBodyAndRail) {
    const OpenedPage page = openPage(textareaPage());
    ASSERT_TRUE(page.body && page.rail) << "the fixture lost its composer body or rail";

    const QJsonObject answer = inspectOnce();
    const QJsonObject target = answer.value(QLatin1String("target")).toObject();
    ASSERT_FALSE(target.isEmpty())
        << "no target; decision: "
        << answer.value(QLatin1String("decision")).toString().toStdString();
    EXPECT_EQ(answer.value(QLatin1String("decision")).toString(),
              QStringLiteral("composer detected"));
    EXPECT_EQ(target.value(QLatin1String("pid")).toInteger(), page.pid);
    EXPECT_EQ(target.value(QLatin1String("role")).toString(), QStringLiteral("text area"));
    EXPECT_EQ(target.value(QLatin1String("url")).toString(), textareaPage());
    // The body and the rail beside it stay in both browsers' trees (they hold controls and have
    // ids; Chromium prunes only plain containers, Firefox prunes fewer), so the palette's anchor
    // is their union, with the rail as the one adjacent panel, in either browser.
    EXPECT_EQ(target.value(QLatin1String("panelCount")).toInteger(), 1);
    const std::optional<Rect> frame = frameOf(target);
    ASSERT_TRUE(frame) << "frame is not [x, y, width, height]";
    EXPECT_TRUE(nearlyEqual(*frame, *page.composerSurface()))
        << "frame " << describe(*frame).toStdString() << ", page says "
        << describe(*page.composerSurface()).toStdString();

    // The plain answer, as a user reads it.
    const ToolRun plain = runTool({QStringLiteral("--once")});
    EXPECT_EQ(plain.exitCode, 0) << plain.errors.toStdString();
    EXPECT_TRUE(plain.output.contains(QLatin1String("composer detected")))
        << plain.output.toStdString();
}

TEST_F(CommandLineTool, DetectsContenteditableComposerAtItsOwnFrame) {
    const OpenedPage page = openPage(contenteditablePage());

    const QJsonObject answer = inspectOnce();
    const QJsonObject target = answer.value(QLatin1String("target")).toObject();
    ASSERT_FALSE(target.isEmpty())
        << "no target; decision: "
        << answer.value(QLatin1String("decision")).toString().toStdString();
    EXPECT_EQ(target.value(QLatin1String("pid")).toInteger(), page.pid);
    EXPECT_EQ(target.value(QLatin1String("role")).toString(), QStringLiteral("text area"));
    EXPECT_EQ(target.value(QLatin1String("url")).toString(), contenteditablePage());
    // No composer body and no form around the editor in either browser's tree: the surface is
    // not exposed and the input's own frame is the anchor.
    EXPECT_EQ(target.value(QLatin1String("panelCount")).toInteger(), -1);
    const std::optional<Rect> frame = frameOf(target);
    ASSERT_TRUE(frame) << "frame is not [x, y, width, height]";
    EXPECT_TRUE(nearlyEqual(*frame, *page.input))
        << "frame " << describe(*frame).toStdString() << ", page says "
        << describe(*page.input).toStdString();
}

TEST_F(CommandLineTool, FindsNoComposerInSearchPasswordOrOtherHostPages) {
    struct Case {
        QString url;
        QString reasonMentions; // a word the "why not" answer must contain
    };
    const Case cases[] = {
        {searchPage(), QStringLiteral("no accepted input")},
        {passwordPage(), QStringLiteral("no accepted input")},
        {otherHostPage(), QStringLiteral("example.com")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const OpenedPage page = openPage(c.url);
        if (page.url.isEmpty())
            continue;
        const QJsonObject answer = inspectOnce();
        EXPECT_TRUE(answer.value(QLatin1String("target")).isNull())
            << QJsonDocument(answer).toJson(QJsonDocument::Compact).toStdString();
        const QString decision = answer.value(QLatin1String("decision")).toString();
        EXPECT_TRUE(decision.contains(c.reasonMentions)) << decision.toStdString();
    }
}

TEST_F(CommandLineTool, ExplainsAMissingAccessibilityBusAndFails) {
    // The display is there; the accessibility bus named in the environment is not.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    ASSERT_FALSE(environment.value(QStringLiteral("DISPLAY")).isEmpty());
    environment.insert(QStringLiteral("AT_SPI_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/tandrel-no-accessibility-bus"));
    const ToolRun run = runTool({QStringLiteral("--once")}, environment);
    ASSERT_TRUE(run.finished) << "tandrel-inspect hung without an accessibility bus";
    EXPECT_NE(run.exitCode, 0) << run.output.toStdString();
    EXPECT_TRUE(run.errors.contains(QLatin1String("No accessibility bus")))
        << "stderr: " << run.errors.toStdString();
}

TEST(CommandLineToolWithoutDesktop, DocumentsItsOptions) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    const ToolRun run = runTool({QStringLiteral("--help")}, environment);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.errors.toStdString();
    for (const char* option : {"--once", "--json", "--help"})
        EXPECT_TRUE(run.output.contains(QLatin1String(option))) << option;
}

TEST(CommandLineToolWithoutDesktop, ExplainsAMissingDisplayAndFails) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const ToolRun run = runTool({QStringLiteral("--once")}, environment);
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.errors.contains(QLatin1String("display"), Qt::CaseInsensitive))
        << "stderr: " << run.errors.toStdString();
}

} // namespace
} // namespace tandrel::e2e
