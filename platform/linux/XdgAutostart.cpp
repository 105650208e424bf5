// SPDX-License-Identifier: MIT
#include "platform/linux/XdgAutostart.h"

#include "core/AtomicFile.h"
#include "core/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <filesystem>
#include <map>
#include <system_error>

namespace tandrel::linuxdesktop {

namespace desktopentry {

namespace {

// Characters that must be escaped inside a quoted Exec argument.
bool needsArgumentEscape(QChar c) {
    return c == u'"' || c == u'`' || c == u'$' || c == u'\\';
}

// The escapes that desktop files use inside string values: \s \n \t \r \\.
QString escapeStringValue(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    // A leading space would be taken for the space around '='.
    if (out.startsWith(u' '))
        out.replace(0, 1, QStringLiteral("\\s"));
    return out;
}

} // namespace

QString unescapedValue(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[++i];
        switch (next.unicode()) {
        case u's':
            out += u' ';
            break;
        case u'n':
            out += u'\n';
            break;
        case u't':
            out += u'\t';
            break;
        case u'r':
            out += u'\r';
            break;
        case u'\\':
            out += u'\\';
            break;
        default:
            out += c;
            out += next; // unknown escapes are kept as written
        }
    }
    return out;
}

QString execValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (needsArgumentEscape(c))
            quoted += u'\\';
        quoted += c;
        if (c == u'%')
            quoted += u'%';
    }
    quoted += u'"';
    return escapeStringValue(quoted);
}

std::optional<QString> execProgram(const QString& value) {
    const QString command = unescapedValue(value);
    qsizetype i = 0;
    while (i < command.size() && (command[i] == u' ' || command[i] == u'\t'))
        ++i;
    if (i == command.size())
        return std::nullopt;

    QString program;
    if (command[i] == u'"') {
        for (++i; i < command.size(); ++i) {
            const QChar c = command[i];
            if (c == u'"')
                break;
            if (c == u'\\' && i + 1 < command.size() && needsArgumentEscape(command[i + 1]))
                program += command[++i];
            else
                program += c;
        }
        if (i == command.size())
            return std::nullopt; // no closing quote
    } else {
        for (; i < command.size() && command[i] != u' ' && command[i] != u'\t'; ++i)
            program += command[i];
    }
    program.replace(QStringLiteral("%%"), QStringLiteral("%"));
    if (program.isEmpty())
        return std::nullopt;
    return program;
}

std::optional<Command> startupSettingsCommand(const QString& currentDesktop,
                                              const std::function<QString(const QString&)>& find) {
    struct Candidate {
        QString desktop;
        QString program;
        QStringList arguments;
    };
    const std::vector<Candidate> candidates = {
        {QStringLiteral("KDE"),
         QStringLiteral("systemsettings"),
         {QStringLiteral("kcm_autostart")}},
        {QStringLiteral("GNOME"), QStringLiteral("gnome-session-properties"), {}},
        {QStringLiteral("GNOME"), QStringLiteral("gnome-tweaks"), {}},
        {QStringLiteral("XFCE"), QStringLiteral("xfce4-session-settings"), {}},
        {QStringLiteral("LXQt"), QStringLiteral("lxqt-config-session"), {}},
        {QStringLiteral("MATE"), QStringLiteral("mate-session-properties"), {}},
    };
    const QStringList desktops = currentDesktop.split(u':', Qt::SkipEmptyParts);
    auto first = [&](auto&& accepts) -> std::optional<Command> {
        for (const Candidate& candidate : candidates) {
            if (!accepts(candidate))
                continue;
            const QString path = find(candidate.program);
            if (!path.isEmpty())
                return Command{path, candidate.arguments};
        }
        return std::nullopt;
    };
    if (auto own = first(
            [&](const Candidate& c) { return desktops.contains(c.desktop, Qt::CaseInsensitive); }))
        return own;
    return first([](const Candidate&) { return true; });
}

} // namespace desktopentry

namespace {

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

QString autostartFolder() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart");
}

struct EntryFields {
    std::optional<QString> exec;
    bool hidden = false;
    bool switchedOff = false;
};

std::optional<EntryFields> readEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    EntryFields fields;
    bool inMainGroup = false;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QStringLiteral("Exec"))
            fields.exec = value;
        else if (key == QStringLiteral("Hidden"))
            fields.hidden = value == QStringLiteral("true");
        else if (key == QStringLiteral("X-GNOME-Autostart-enabled"))
            fields.switchedOff = value == QStringLiteral("false");
    }
    return fields;
}

// The file a program name or path stands for, with links resolved; empty when there is none.
QString resolvedExecutable(const QString& program) {
    const QString path =
        QDir::isAbsolutePath(program) ? program : QStandardPaths::findExecutable(program);
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

} // namespace

XdgAutostart::XdgAutostart(QString entryId, QString executablePath, QString displayName)
    : m_entryId(std::move(entryId)), m_executablePath(std::move(executablePath)),
      m_displayName(std::move(displayName)) {}

XdgAutostart XdgAutostart::forThisProgram() {
    const bool haveApp = QCoreApplication::instance() != nullptr;
    const QString name = haveApp ? QCoreApplication::applicationName() : QString();
    return XdgAutostart(QStringLiteral("tandrel"),
                        haveApp ? QCoreApplication::applicationFilePath() : QString(),
                        name.isEmpty() ? QStringLiteral("Tandrel") : name);
}

QString XdgAutostart::entryPath() const {
    return autostartFolder() + u'/' + m_entryId + QStringLiteral(".desktop");
}

XdgAutostart::Entry XdgAutostart::inspectEntry() const {
    Entry entry;
    const QString path = entryPath();
    if (!QFileInfo::exists(path))
        return entry;
    entry.present = true;
    entry.command = path; // what it starts cannot be read: the file itself is named
    const std::optional<EntryFields> fields = readEntry(path);
    if (!fields || !fields->exec)
        return entry;
    entry.command = desktopentry::unescapedValue(*fields->exec);
    const std::optional<QString> program = desktopentry::execProgram(*fields->exec);
    if (!program)
        return entry;
    entry.ours = *program == m_executablePath ||
                 (!resolvedExecutable(*program).isEmpty() &&
                  resolvedExecutable(*program) == resolvedExecutable(m_executablePath));
    entry.active = !fields->hidden && !fields->switchedOff;
    return entry;
}

LoginItemStatus XdgAutostart::status() {
    if (m_executablePath.isEmpty())
        return LoginItemStatus::NotFound;
    const Entry entry = inspectEntry();
    if (!entry.present)
        return LoginItemStatus::NotRegistered;
    if (!entry.ours)
        return LoginItemStatus::Taken;
    return entry.active ? LoginItemStatus::Enabled : LoginItemStatus::NotRegistered;
}

QString XdgAutostart::takenBy() {
    const Entry entry = inspectEntry();
    return entry.present && !entry.ours ? entry.command : QString();
}

void XdgAutostart::registerApp() {
    if (m_executablePath.isEmpty())
        throw Error(QStringLiteral("The program cannot tell where it is installed, so it cannot "
                                   "be started at login."));
    const QString folder = autostartFolder();
    std::error_code error;
    std::filesystem::create_directories(nativePath(folder), error);
    if (error)
        throw FileError(QStringLiteral("create the folder"), folder,
                        QString::fromStdString(error.message()));

    const QString path = entryPath();
    const QByteArray data =
        QStringLiteral("[Desktop Entry]\n"
                       "Type=Application\n"
                       "Name=%1\n"
                       "Exec=%2\n"
                       "Terminal=false\n"
                       "X-GNOME-Autostart-enabled=true\n")
            .arg(m_displayName.simplified(), desktopentry::execValue(m_executablePath))
            .toUtf8();
    atomicfile::removeLeftovers(path);
    atomicfile::write(path, data);
}

void XdgAutostart::unregisterApp() {
    if (!inspectEntry().ours)
        return;
    const QString path = entryPath();
    std::error_code error;
    std::filesystem::remove(nativePath(path), error);
    if (error)
        throw FileError(QStringLiteral("remove"), path, QString::fromStdString(error.message()));
}

void XdgAutostart::openSettings() {
    const auto command = desktopentry::startupSettingsCommand(
        qEnvironmentVariable("XDG_CURRENT_DESKTOP"),
        [](const QString& program) { return QStandardPaths::findExecutable(program); });
    if (command)
        QProcess::startDetached(command->program, command->arguments);
}

} // namespace tandrel::linuxdesktop
