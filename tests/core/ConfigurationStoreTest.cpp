// SPDX-License-Identifier: MIT
#include "core/ConfigurationStore.h"
#include "core/PromptsFile.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tandrel;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

Configuration sample() {
    return Configuration({Prompt(QUuid::createUuid(), "First", "one"),
                          Prompt(QUuid::createUuid(), "Second", "two")});
}

// Every file in `dir`, so a test can see that nothing was left beside the prompts file.
QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

class ConfigurationStoreTest : public ::testing::Test {
protected:
    QTemporaryDir temp;
    QString file(const QString& relative) const { return temp.filePath(relative); }
};

} // namespace

TEST_F(ConfigurationStoreTest, LoadWithoutFileGivesDefaultsAndCreatesNothing) {
    const ConfigurationStore store(file("Tandrel/prompts.json"));
    EXPECT_EQ(store.load().prompts, Prompt::defaults());
    EXPECT_FALSE(QFileInfo::exists(file("Tandrel")));
}

TEST_F(ConfigurationStoreTest, SaveCreatesTheFolderAndLoadsBackEqual) {
    const ConfigurationStore store(file("a/b/prompts.json"));
    const Configuration saved = sample();
    store.save(saved);
    EXPECT_EQ(store.load(), saved);
    EXPECT_EQ(entries(file("a/b")), QStringList{"prompts.json"});
    EXPECT_EQ(readBytes(store.path()), PromptsFile::encode(saved));
}

TEST_F(ConfigurationStoreTest, EmptyListIsKeptAndNotReplacedByDefaults) {
    const ConfigurationStore store(file("prompts.json"));
    store.save(Configuration());
    EXPECT_TRUE(store.load().prompts.empty());
}

TEST_F(ConfigurationStoreTest, LowerCaseIdsLoadAndAreWrittenBackInUpperCase) {
    const ConfigurationStore store(file("prompts.json"));
    writeBytes(store.path(), "{\"prompts\": [{\"id\": \"a1b2c3d4-e5f6-4a0b-8c9d-0e1f2a3b4c5d\", "
                             "\"title\": \"t\", \"text\": \"x\", \"extra\": 1}]}");
    const Configuration loaded = store.load();
    store.save(loaded);
    const QByteArray written = readBytes(store.path());
    EXPECT_TRUE(written.contains("\"A1B2C3D4-E5F6-4A0B-8C9D-0E1F2A3B4C5D\"")) << written.data();
    EXPECT_FALSE(written.contains("extra"));
    EXPECT_EQ(store.load(), loaded);
}

TEST_F(ConfigurationStoreTest, UnusableFilesFailToLoadAndStayUntouched) {
    const ConfigurationStore store(file("prompts.json"));
    const QByteArray braced = "{\"prompts\": [{\"id\": \"{A1B2C3D4-E5F6-4A0B-8C9D-0E1F2A3B4C5D}\", "
                              "\"title\": \"t\", \"text\": \"x\"}]}";
    const QByteArray unknownEscape =
        "{\"prompts\": [{\"id\": \"A1B2C3D4-E5F6-4A0B-8C9D-0E1F2A3B4C5D\", "
        "\"title\": \"C:\\Users\", \"text\": \"x\"}]}";
    for (const QByteArray& content :
         {QByteArray(), braced, unknownEscape, QByteArray("{\"prompts\": [1]}"), QByteArray("[]"),
          QByteArray("{\"prompts\"")}) {
        writeBytes(store.path(), content);
        EXPECT_THROW(store.load(), DecodingError) << content.data();
        EXPECT_EQ(readBytes(store.path()), content);
    }
    EXPECT_EQ(entries(temp.path()), QStringList{"prompts.json"});
}

TEST_F(ConfigurationStoreTest, BlankPromptInTheFileFailsValidation) {
    const ConfigurationStore store(file("prompts.json"));
    writeBytes(store.path(), "{\"prompts\": [{\"id\": \"A1B2C3D4-E5F6-4A0B-8C9D-0E1F2A3B4C5D\", "
                             "\"title\": \" \", \"text\": \"x\"}]}");
    try {
        store.load();
        FAIL() << "a blank title loaded";
    } catch (const ValidationError& error) {
        EXPECT_EQ(error.errorDescription(), "Each prompt needs a button label and prompt text.");
    }
}

TEST_F(ConfigurationStoreTest, DirectoryAtTheFilePathIsAReadError) {
    ASSERT_TRUE(QDir(temp.path()).mkdir("prompts.json"));
    const ConfigurationStore store(file("prompts.json"));
    try {
        store.load();
        FAIL() << "a directory loaded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), store.path());
        EXPECT_TRUE(error.errorDescription().contains(store.path()));
        EXPECT_FALSE(error.reason().isEmpty());
    }
}

TEST_F(ConfigurationStoreTest, FileWhoseExistenceCannotBeCheckedIsAReadErrorNotTheDefaults) {
    // Offering the built-ins here would tell the user their prompts are gone.
    ASSERT_TRUE(QFile::link(file("loop"), file("prompts.json")));
    ASSERT_TRUE(QFile::link(file("prompts.json"), file("loop")));
    const ConfigurationStore looped(file("prompts.json"));
    try {
        looped.load();
        FAIL() << "a loop of links loaded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), looped.path());
        EXPECT_EQ(error.reason(), QString::fromLocal8Bit(strerror(ELOOP)));
    }
    EXPECT_TRUE(QFileInfo(looped.path()).isSymLink());

    // A folder that may not be searched hides the file the same way (root searches any folder,
    // so only other users can see this).
    if (geteuid() != 0) {
        const ConfigurationStore hidden(file("locked/prompts.json"));
        hidden.save(sample());
        QFile::setPermissions(file("locked"), QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_THROW(hidden.load(), FileError);
        QFile::setPermissions(file("locked"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(ConfigurationStoreTest, InvalidSaveChangesNothingOnDisk) {
    const ConfigurationStore store(file("prompts.json"));
    store.save(sample());
    const QByteArray before = readBytes(store.path());
    Configuration blank = sample();
    blank.prompts[1].title = "\t";
    EXPECT_THROW(store.save(blank), ValidationError);
    EXPECT_EQ(readBytes(store.path()), before);

    const ConfigurationStore fresh(file("new/prompts.json"));
    EXPECT_THROW(fresh.save(blank), ValidationError);
    EXPECT_FALSE(QFileInfo::exists(file("new")));
}

TEST_F(ConfigurationStoreTest, ParentThatIsAFileFailsWithTheSystemReason) {
    writeBytes(file("blocker"), "not a folder");
    const ConfigurationStore store(file("blocker/Tandrel/prompts.json"));
    try {
        store.save(sample());
        FAIL() << "saved below a regular file";
    } catch (const FileError& error) {
        EXPECT_EQ(error.path(), file("blocker/Tandrel"));
        EXPECT_EQ(error.reason(), QString::fromLocal8Bit(strerror(ENOTDIR)));
    }
    EXPECT_EQ(readBytes(file("blocker")), "not a folder");
    EXPECT_EQ(entries(temp.path()), QStringList{"blocker"});
}

// Limits the size of files this process may write, so a write fails even for root, which
// ignores permissions. The signal is ignored so that the write returns EFBIG instead.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(ConfigurationStoreTest, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    const ConfigurationStore store(file("prompts.json"));
    store.save(sample());
    const QByteArray before = readBytes(store.path());

    Configuration bigger = sample();
    bigger.prompts.emplace_back(QUuid::createUuid(), "Long", QString(4096, u'x'));
    {
        const FileSizeLimit limit(1024);
        try {
            store.save(bigger);
            FAIL() << "a write past the file size limit succeeded";
        } catch (const FileError& error) {
            EXPECT_EQ(error.path(), store.path());
            EXPECT_EQ(error.reason(), QString::fromLocal8Bit(strerror(EFBIG)));
        }
    }
    EXPECT_EQ(readBytes(store.path()), before);
    EXPECT_EQ(entries(temp.path()), QStringList{"prompts.json"});
}

TEST_F(ConfigurationStoreTest, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions; the file size limit test covers a "
                        "failing write instead";
    const ConfigurationStore store(file("locked/prompts.json"));
    store.save(sample());
    const QByteArray before = readBytes(store.path());
    QFile::setPermissions(file("locked"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(store.save(Configuration()), FileError);
    QFile::setPermissions(file("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readBytes(store.path()), before);
    EXPECT_EQ(entries(file("locked")), QStringList{"prompts.json"});
}

TEST_F(ConfigurationStoreTest, SaveWritesThroughASymbolicLink) {
    // Users who keep their prompts in a synced folder link the file; saving must not replace
    // the link with a plain file.
    const ConfigurationStore target(file("synced/prompts.json"));
    target.save(sample());
    ASSERT_TRUE(QDir().mkpath(file("Tandrel")));
    ASSERT_TRUE(QFile::link(target.path(), file("Tandrel/prompts.json")));
    const ConfigurationStore linked(file("Tandrel/prompts.json"));
    const Configuration updated({Prompt(QUuid::createUuid(), "Only", "one")});
    linked.save(updated);
    EXPECT_TRUE(QFileInfo(linked.path()).isSymLink());
    EXPECT_EQ(target.load(), updated);
}

TEST_F(ConfigurationStoreTest, NamedPipeAtTheFilePathIsRefusedWithoutBlocking) {
    // Reading would wait forever for a writer: the program would hang at launch.
    ASSERT_EQ(mkfifo(QFile::encodeName(file("prompts.json")).constData(), 0600), 0);
    const ConfigurationStore store(file("prompts.json"));
    try {
        store.load();
        FAIL() << "a named pipe loaded";
    } catch (const FileError& error) {
        EXPECT_EQ(error.reason(), "it is a named pipe, not a regular file");
    }
    try {
        store.save(sample());
        FAIL() << "a named pipe was replaced";
    } catch (const FileError& error) {
        EXPECT_EQ(error.reason(), "it is a named pipe, not a regular file");
    }
    EXPECT_FALSE(QFileInfo(store.path()).isFile());
}

TEST_F(ConfigurationStoreTest, LeftoversOfInterruptedSavesAreRemovedAndNothingElse) {
    const ConfigurationStore store(file("prompts.json"));
    store.save(sample());
    const QDateTime old = QDateTime::currentDateTime().addDays(-1);
    auto leftover = [&](const QString& name, const QDateTime& modified) {
        writeBytes(file(name), "partial");
        QFile handle(file(name));
        ASSERT_TRUE(handle.open(QIODevice::ReadWrite));
        ASSERT_TRUE(handle.setFileTime(modified, QFileDevice::FileModificationTime));
    };
    leftover(".prompts.json.tandrel-save-aBcxYz", old);
    leftover(".prompts.json.tandrel-save-Q1q2Q3", old);
    // Kept: the user's own files however much they look like a temporary name, a save under way
    // in another instance, other names, a link and what it points to, a folder, and a file with
    // a second link.
    const QStringList kept = {"prompts.json.backup",
                              "prompts.json.before",
                              "prompts.json.aBcxYz",
                              ".prompts.json.aBcxYz",
                              ".prompts.json.tandrel-save-aBcxY",
                              ".prompts.json.tandrel-save-aB3xY-",
                              ".other.json.tandrel-save-aB3xYz",
                              "target"};
    for (const QString& name : kept)
        leftover(name, old);
    leftover(".prompts.json.tandrel-save-FreshA", QDateTime::currentDateTime());
    ASSERT_TRUE(QFile::link(file("target"), file(".prompts.json.tandrel-save-LinkAb")));
    ASSERT_TRUE(QDir(temp.path()).mkdir(".prompts.json.tandrel-save-DirAbc"));
    leftover("shared", old);
    ASSERT_EQ(link(QFile::encodeName(file("shared")).constData(),
                   QFile::encodeName(file(".prompts.json.tandrel-save-HardAb")).constData()),
              0);

    EXPECT_EQ(store.load(), store.load());
    QStringList expected = kept;
    expected << "prompts.json"
             << ".prompts.json.tandrel-save-FreshA"
             << ".prompts.json.tandrel-save-LinkAb"
             << ".prompts.json.tandrel-save-DirAbc"
             << "shared"
             << ".prompts.json.tandrel-save-HardAb";
    expected.sort();
    QStringList found = entries(temp.path());
    found.sort();
    EXPECT_EQ(found.join(' ').toStdString(), expected.join(' ').toStdString());
    EXPECT_EQ(readBytes(file("prompts.json.backup")), "partial");

    // A save leaves none of its own files behind.
    store.save(sample());
    QStringList afterSave = entries(temp.path());
    afterSave.sort();
    EXPECT_EQ(afterSave.join(' ').toStdString(), expected.join(' ').toStdString());
}
