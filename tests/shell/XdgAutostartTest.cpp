// SPDX-License-Identifier: MIT
#include "platform/linux/XdgAutostart.h"
#include "core/Errors.h"
#include "tests/support/QtPrinters.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::linuxdesktop;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class XdgAutostartTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        // A path that needs every kind of quoting the Exec key knows.
        executable = temp.filePath(R"(bin/My "Apps"/tan drel $HOME `x` 100% \q)");
        writeFile(executable, "#!/bin/sh\n");
        QFile::setPermissions(executable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString entry() const { return temp.filePath("config/autostart/tandrel.desktop"); }
    XdgAutostart autostart() const { return XdgAutostart("tandrel", executable, "Tandrel"); }

    QTemporaryDir temp;
    ScopedEnv config{"XDG_CONFIG_HOME", (temp.path() + "/config").toUtf8()};
    QString executable;
};

} // namespace

TEST(DesktopEntryExec, QuotedPathsComeBackUnchanged) {
    for (const QString& path :
         {QString("/usr/bin/tandrel"), QString("/opt/My App/tandrel"),
          QString(R"(/a "b" `c` $d \e %f %% g)"), QString("/tmp/new\nline\ttab")}) {
        const QString value = desktopentry::execValue(path);
        EXPECT_FALSE(value.contains('\n')) << value.toStdString();
        EXPECT_EQ(desktopentry::execProgram(value), path) << value.toStdString();
    }
}

TEST(DesktopEntryExec, ReadsTheProgramOfHandWrittenLines) {
    const std::pair<QString, std::optional<QString>> cases[] = {
        {"/usr/bin/tandrel", "/usr/bin/tandrel"},
        {"tandrel %U", "tandrel"},
        {R"("/opt/My App/tandrel" --hidden)", "/opt/My App/tandrel"},
        {R"("/opt/a\\\\b")", R"(/opt/a\b)"}, // string escape, then argument escape
        {R"("/opt/with\sspace")", "/opt/with space"},
        {R"(/opt/with\sspace)", "/opt/with"}, // an unquoted space still ends the argument
        {R"("/opt/unterminated)", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {R"("" --flag)", std::nullopt},
    };
    for (const auto& [value, program] : cases)
        EXPECT_EQ(desktopentry::execProgram(value), program) << value.toStdString();
}

TEST_F(XdgAutostartTest, RegisterAndUnregisterOurEntry) {
    XdgAutostart items = autostart();
    EXPECT_EQ(items.entryPath(), entry());
    EXPECT_EQ(items.status(), LoginItemStatus::NotRegistered);
    items.unregisterApp(); // nothing there: nothing to do

    items.registerApp(); // creates the autostart folder too
    EXPECT_EQ(items.status(), LoginItemStatus::Enabled);
    EXPECT_EQ(items.takenBy(), QString());

    // A registration killed halfway left its temporary file: the next one removes it, and nothing
    // of the user's that merely looks like it.
    const QString folder = temp.filePath("config/autostart/");
    for (const char* name : {".tandrel.desktop.tandrel-save-aB3dEf", "tandrel.desktop.before"}) {
        writeFile(folder + name, "partial");
        QFile file(folder + name);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                     QFileDevice::FileModificationTime));
    }
    items.registerApp();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"tandrel.desktop", "tandrel.desktop.before"}));
    const QString text = QString::fromUtf8(readFile(entry()));
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nExec=" + desktopentry::execValue(executable) + "\n"));

    items.unregisterApp();
    EXPECT_FALSE(QFile::exists(entry()));
    EXPECT_EQ(items.status(), LoginItemStatus::NotRegistered);
}

TEST_F(XdgAutostartTest, EnabledOnlyForOurActiveEntryAndAnotherProgramsEntryIsNamedAndKept) {
    const QString link = temp.filePath("bin/tandrel-link");
    ASSERT_TRUE(QFile::link(executable, link));
    const QByteArray ours = "Exec=" + desktopentry::execValue(executable).toUtf8() + "\n";
    struct Case {
        const char* name;
        QByteArray contents;
        LoginItemStatus status;
        bool isOurs;          // unregistering removes it
        QString takenBy = {}; // what another program's entry is reported to start
    };
    const Case cases[] = {
        {"ours", "[Desktop Entry]\n" + ours, LoginItemStatus::Enabled, true},
        {"ours through a link, spaces around =",
         "[Desktop Entry]\nExec = " + desktopentry::execValue(link).toUtf8() + " --x\n",
         LoginItemStatus::Enabled, true},
        {"hidden", "[Desktop Entry]\n" + ours + "Hidden=true\n", LoginItemStatus::NotRegistered,
         true},
        {"switched off", "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n" + ours,
         LoginItemStatus::NotRegistered, true},
        {"another program", "[Desktop Entry]\nExec=/usr/bin/env\\stan drel\n",
         LoginItemStatus::Taken, false, "/usr/bin/env tan drel"},
        {"another program, switched off",
         "[Desktop Entry]\nExec=/opt/old/tandrel\nX-GNOME-Autostart-enabled=false\n",
         LoginItemStatus::Taken, false, "/opt/old/tandrel"},
        {"our Exec in another group", "[Desktop Action x]\n" + ours, LoginItemStatus::Taken, false,
         entry()},
        {"no Exec", "[Desktop Entry]\nName=Tandrel\n", LoginItemStatus::Taken, false, entry()},
        {"broken quoting", "[Desktop Entry]\nExec=\"/usr/bin/tandrel\n", LoginItemStatus::Taken,
         false, "\"/usr/bin/tandrel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(entry(), c.contents);
        XdgAutostart items = autostart();
        EXPECT_EQ(items.status(), c.status);
        EXPECT_EQ(items.takenBy(), c.takenBy);

        // Someone else's entry is left byte for byte until the user turns the item on.
        items.unregisterApp();
        EXPECT_EQ(QFile::exists(entry()), !c.isOurs);
        if (!c.isOurs) {
            EXPECT_EQ(readFile(entry()), c.contents);
        }

        // Registering makes the entry ours and active, whatever was there.
        items.registerApp();
        EXPECT_EQ(items.status(), LoginItemStatus::Enabled);
        EXPECT_EQ(items.takenBy(), QString());
        QFile::remove(entry());
    }
}

TEST_F(XdgAutostartTest, UnknownExecutableIsNotFoundAndCannotRegister) {
    XdgAutostart items("tandrel", QString(), "Tandrel");
    EXPECT_EQ(items.status(), LoginItemStatus::NotFound);
    EXPECT_THROW(items.registerApp(), Error);
    EXPECT_FALSE(QFile::exists(entry()));
}

TEST_F(XdgAutostartTest, FileSystemRefusalsNameThePathAndTheReason) {
    XdgAutostart items = autostart();

    // A plain file where the autostart folder should be.
    const QString folder = temp.filePath("config/autostart");
    writeFile(folder, "not a folder");
    try {
        items.registerApp();
        FAIL() << "registering into a file succeeded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), folder);
        EXPECT_FALSE(error.reason().isEmpty());
        EXPECT_TRUE(error.errorDescription().startsWith("Could not create the folder \u201C" +
                                                        folder + "\u201D: "))
            << error.what();
    }
    EXPECT_EQ(items.status(), LoginItemStatus::NotRegistered);
    EXPECT_EQ(readFile(folder), "not a folder");

    // A folder where the entry should be.
    QFile::remove(folder);
    ASSERT_TRUE(QDir().mkpath(entry()));
    try {
        items.registerApp();
        FAIL() << "writing over a folder succeeded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), entry());
        EXPECT_TRUE(error.errorDescription().startsWith("Could not write")) << error.what();
    }
    EXPECT_TRUE(QFileInfo(entry()).isDir());
    // Nothing is left behind beside it.
    EXPECT_EQ(
        QDir(temp.filePath("config/autostart")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
        QStringList{"tandrel.desktop"});
}

TEST_F(XdgAutostartTest, ConfigFolderFallsBackToHomeWhenUnsetOrRelative) {
    ScopedEnv home("HOME", temp.filePath("home").toUtf8());
    for (const QByteArray& value : {QByteArray(), QByteArray("relative/config")}) {
        ScopedEnv config("XDG_CONFIG_HOME", value);
        EXPECT_EQ(autostart().entryPath(), temp.filePath("home/.config/autostart/tandrel.desktop"));
    }
}

TEST(StartupSettings, PrefersTheCurrentDesktopsOwnTool) {
    auto installed = [](QStringList programs) {
        return [programs](const QString& program) {
            return programs.contains(program) ? "/usr/bin/" + program : QString();
        };
    };
    const QStringList all = {"systemsettings", "gnome-tweaks", "xfce4-session-settings"};
    struct Case {
        QString desktop;
        QStringList programs;
        std::optional<QString> program;
        QStringList arguments;
    };
    const Case cases[] = {
        {"KDE", all, "/usr/bin/systemsettings", {"kcm_autostart"}},
        {"ubuntu:GNOME", all, "/usr/bin/gnome-tweaks", {}},
        {"GNOME", {"systemsettings"}, "/usr/bin/systemsettings", {"kcm_autostart"}},
        {"KDE", {}, std::nullopt, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.desktop.toStdString());
        const auto command = desktopentry::startupSettingsCommand(c.desktop, installed(c.programs));
        ASSERT_EQ(command.has_value(), c.program.has_value());
        if (command) {
            EXPECT_EQ(command->program, *c.program);
            EXPECT_EQ(command->arguments, c.arguments);
        }
    }
}
