// SPDX-License-Identifier: MIT
#include "testing/TandrelProgram.h"

#include "core/ConfigurationStore.h"
#include "core/Prompt.h"

#include <QDir>
#include <QDirIterator>

#include <grp.h>
#include <unistd.h>

namespace tandrel::e2e {

namespace {

// The palette is a strip at most 64 points high; the editor is a 760 x 540 window.
constexpr int kPaletteMaxHeight = 140;
constexpr int kEditorMinWidth = 700;

bool runXdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    return xdotool.waitForFinished(10000) && xdotool.exitStatus() == QProcess::NormalExit &&
           xdotool.exitCode() == 0;
}

} // namespace

TandrelProgram::TandrelProgram() {
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

TandrelProgram::~TandrelProgram() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString TandrelProgram::homePath() const {
    return m_home.path();
}

QString TandrelProgram::promptsPath() const {
    return m_home.path() + QStringLiteral("/.local/share/Tandrel/prompts.json");
}

QString TandrelProgram::autostartFolder() const {
    return m_home.path() + QStringLiteral("/.config/autostart");
}

bool TandrelProgram::writeDefaultPrompts() const {
    try {
        ConfigurationStore(promptsPath()).save(Configuration(Prompt::defaults()));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QProcessEnvironment TandrelProgram::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = m_home.path();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    // Qt offers its widgets to the bus only while a screen reader runs, unless told otherwise.
    // It must then find the bus as on a user's desktop, through the session bus: given the
    // address directly, Qt 6.4 connects to it but never registers the application.
    if (m_exposeWidgets) {
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        env.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
    }
    env.insert(m_extraEnvironment);
    return env;
}

void TandrelProgram::exposeWidgets() {
    m_exposeWidgets = true;
}

void TandrelProgram::setEnvironment(const QString& name, const QString& value) {
    m_extraEnvironment.insert(name, value);
}

void TandrelProgram::runAs(uint uid, uint gid) {
    m_user = std::make_pair(uid, gid);
}

QString TandrelProgram::program() const {
    if (!m_user)
        return QStringLiteral(TANDREL_PATH);
    // Another user may not reach the build folder (a clone in root's home, say): that user runs
    // a copy in the home folder handed to it.
    const QString copy = m_home.filePath(QStringLiteral("tandrel-under-test"));
    if (!QFile::exists(copy))
        QFile::copy(QStringLiteral(TANDREL_PATH), copy);
    return copy;
}

void TandrelProgram::prepare(QProcess& process) const {
    process.setProcessEnvironment(environment());
    if (!m_user)
        return;
    program(); // the copy is handed over with the folder
    const auto [uid, gid] = *m_user;
    QDirIterator it(m_home.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const auto hand = [uid, gid](const QString& path) {
        return ::chown(QFile::encodeName(path).constData(), uid, gid) == 0;
    };
    hand(m_home.path());
    while (it.hasNext())
        hand(it.next());
    process.setChildProcessModifier([uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
            ::_exit(127);
    });
}

bool TandrelProgram::start(const QStringList& arguments, QString* error) {
    prepare(m_process);
    m_process.start(program(), arguments);
    if (!m_process.waitForStarted(10000)) {
        if (error)
            *error = m_process.errorString();
        return false;
    }
    return true;
}

TandrelProgram::Run TandrelProgram::runAgain(const QStringList& arguments, int timeoutMs) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    prepare(process);
    process.start(program(), arguments);
    Run run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAll());
    return run;
}

qint64 TandrelProgram::pid() const {
    return m_process.processId();
}

bool TandrelProgram::isRunning() const {
    return m_process.state() == QProcess::Running;
}

bool TandrelProgram::waitForExit(int timeoutMs) {
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
}

int TandrelProgram::exitCode() const {
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

QString TandrelProgram::output() {
    m_output += QString::fromUtf8(m_process.readAll());
    return m_output;
}

std::vector<WindowOnScreen> TandrelProgram::windows() const {
    return isRunning() ? visibleWindowsOf(pid()) : std::vector<WindowOnScreen>{};
}

std::optional<WindowOnScreen> TandrelProgram::palette() const {
    for (const WindowOnScreen& w : windows())
        if (w.height <= kPaletteMaxHeight && w.width >= 100)
            return w;
    return std::nullopt;
}

std::optional<WindowOnScreen> TandrelProgram::editor() const {
    // Above a wide composer the palette is as wide as the editor: the height tells them apart.
    for (const WindowOnScreen& w : windows())
        if (w.width >= kEditorMinWidth && w.height > kPaletteMaxHeight)
            return w;
    return std::nullopt;
}

std::optional<WindowOnScreen> TandrelProgram::otherWindow() const {
    const auto palette = this->palette();
    const auto editor = this->editor();
    for (const WindowOnScreen& w : windows())
        if ((!palette || w.id != palette->id) && (!editor || w.id != editor->id))
            return w;
    return std::nullopt;
}

bool clickAt(int x, int y, int clicks) {
    return runXdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                       QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(clicks),
                       QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("1")});
}

bool pressKey(unsigned long window, const QString& key) {
    // Events sent to a window are marked synthetic and some toolkits drop them: give the window
    // the focus and type.
    return runXdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                       QString::number(window), QStringLiteral("key"), key});
}

bool typeText(unsigned long window, const QString& text) {
    return runXdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                       QString::number(window), QStringLiteral("type"), QStringLiteral("--delay"),
                       QStringLiteral("40"), QStringLiteral("--"), text});
}

bool focusWindow(unsigned long window) {
    return runXdotool(
        {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)});
}

bool focusWindowOf(qint64 pid) {
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--pid"), QString::number(pid)});
    if (!search.waitForFinished(10000) || search.exitCode() != 0)
        return false;
    const QList<QByteArray> ids = search.readAllStandardOutput().split('\n');
    if (ids.isEmpty() || ids.front().trimmed().isEmpty())
        return false;
    return focusWindow(ids.front().trimmed().toULong());
}

} // namespace tandrel::e2e
