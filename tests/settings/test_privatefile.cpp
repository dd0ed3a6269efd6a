#include "settings/debug.h"
#include "settings/privatefile.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

mode_t ModeOf(const QString& path) {
    struct stat info = {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void WriteFile(const QString& path, const QByteArray& data, mode_t mode) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

class PrivateFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_Dir.isValid());
        m_OldMask = ::umask(0);
    }
    void TearDown() override { ::umask(m_OldMask); }
    QString Path(const char* name) const { return m_Dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_Dir;
    mode_t m_OldMask = 0;
};

TEST_F(PrivateFile, CreatesOwnerOnlyFilesWhateverTheUmask) {
    const privatefile::WriteOpen opened = privatefile::OpenForWrite(Path("trace"), O_APPEND);
    ASSERT_TRUE(opened.Ok()) << qPrintable(opened.error);
    ::close(opened.fd);
    EXPECT_EQ(ModeOf(Path("trace")) & 0777, 0600u);

    WriteFile(Path("old"), "readable", 0644);
    ASSERT_TRUE(privatefile::Save(Path("old"), "secret"));
    EXPECT_EQ(ModeOf(Path("old")) & 0777, 0600u);
    EXPECT_EQ(Contents(Path("old")), "secret");
}

TEST_F(PrivateFile, NeverWritesThroughALink) {
    WriteFile(Path("victim"), "keep", 0644);
    ASSERT_EQ(::symlink(QFile::encodeName(Path("victim")).constData(),
                        QFile::encodeName(Path("link")).constData()),
              0);

    const privatefile::WriteOpen opened = privatefile::OpenForWrite(Path("link"));
    EXPECT_FALSE(opened.Ok());
    EXPECT_EQ(opened.error, QStringLiteral("is a symbolic link"));

    ASSERT_TRUE(privatefile::Save(Path("link"), "new"));
    EXPECT_EQ(Contents(Path("victim")), "keep");
    EXPECT_TRUE(S_ISREG(ModeOf(Path("link"))));
    EXPECT_EQ(Contents(Path("link")), "new");
}

TEST_F(PrivateFile, ReadsSecretsOnlyFromPrivateRegularFiles) {
    WriteFile(Path("secret"), "welcome", 0600);
    WriteFile(Path("open"), "welcome", 0640);
    ASSERT_EQ(::symlink(QFile::encodeName(Path("secret")).constData(),
                        QFile::encodeName(Path("link")).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("fifo")).constData(), 0600), 0);
    WriteFile(Path("long"), QByteArray(9, 'k'), 0600);

    const struct {
        const char* name;
        bool ok;
        const char* error;
    } cases[] = {
        {"secret", true, ""},
        {"open", false, "can be read by others than its owner (chmod 600 it)"},
        {"link", false, "is a symbolic link"},
        {"fifo", false, "is not a regular file"},
        {"long", false, "is longer than 8 bytes"},
    };
    for (const auto& c : cases) {
        const privatefile::ReadResult read =
            privatefile::Read(Path(c.name), 8, privatefile::Owner::PrivateToUser);
        EXPECT_EQ(read.ok, c.ok) << c.name;
        EXPECT_EQ(read.error, QString::fromLatin1(c.error)) << c.name;
        if (c.ok) {
            EXPECT_EQ(read.data, "welcome");
        }
    }
}

// Hostile places to write a private file (a capture, a trace, a cache): each
// is refused with its reason and nothing outside the test's own files
// changes. The cases that need a second user (nobody) are planted when the
// test runs as root, as it does in CI.
TEST_F(PrivateFile, RefusesHostileFilesAndFoldersOnTheWay) {
    const bool root = ::geteuid() == 0;
    const uid_t other = 65534;
    const auto folder = [this](const char* name, mode_t mode, bool theirs) {
        const QByteArray path = QFile::encodeName(Path(name));
        EXPECT_EQ(::mkdir(path.constData(), mode), 0) << name;
        EXPECT_EQ(::chmod(path.constData(), mode), 0) << name;
        if (theirs) {
            EXPECT_EQ(::chown(path.constData(), other, other), 0) << name;
        }
    };
    const auto link = [this](const char* target, const char* name, bool theirs) {
        const QByteArray path = QFile::encodeName(Path(name));
        EXPECT_EQ(::symlink(QFile::encodeName(Path(target)).constData(), path.constData()), 0);
        if (theirs) {
            EXPECT_EQ(::lchown(path.constData(), other, other), 0) << name;
        }
    };
    WriteFile(Path("victim"), "keep", 0600);
    folder("elsewhere", 0700, false);
    WriteFile(Path("elsewhere/capture"), "keep", 0600);

    const struct {
        const char* name;
        bool otherUser; // planted only as root
        std::function<QString()> plant;
        const char* error;
    } cases[] = {
        {"a hard link to a file of the user's", false,
         [&] {
             ::link(QFile::encodeName(Path("victim")).constData(),
                    QFile::encodeName(Path("hard")).constData());
             return Path("hard");
         },
         "has more than one name (a hard link)"},
        {"a folder others can write to, without the sticky bit", false,
         [&] {
             folder("open", 0777, false);
             return Path("open/capture");
         },
         "is in a folder that others can write to"},
        {"a link to elsewhere in such a folder", false,
         [&] {
             folder("open2", 0777, false);
             link("elsewhere", "open2/cache", false);
             return Path("open2/cache/capture");
         },
         "is in a folder that others can write to"},
        {"another user's folder", true,
         [&] {
             folder("theirs", 0755, true);
             return Path("theirs/capture");
         },
         "is in a folder of another user's"},
        {"another user's link in a shared folder with the sticky bit", true,
         [&] {
             folder("shared", 01777, false);
             link("elsewhere", "shared/cache", true);
             return Path("shared/cache/capture");
         },
         "is reached through a link in a folder that others can write to"},
        {"a link in a parent into another user's folder", true,
         [&] {
             folder("theirs2", 0755, true);
             link("theirs2", "cache", false);
             return Path("cache/capture");
         },
         "is in a folder of another user's"},
    };
    for (const auto& c : cases) {
        if (c.otherUser && !root)
            continue;
        const QString path = c.plant();
        const privatefile::WriteOpen opened = privatefile::OpenForWrite(path);
        EXPECT_FALSE(opened.Ok()) << c.name;
        if (opened.Ok())
            ::close(opened.fd);
        EXPECT_TRUE(opened.error.startsWith(QLatin1String(c.error)))
            << c.name << ": " << opened.error.toStdString();
        if (c.otherUser || QByteArray(c.error).contains("folder")) {
            QString error;
            EXPECT_FALSE(privatefile::Save(path, "new", &error)) << c.name;
            EXPECT_TRUE(error.startsWith(QLatin1String(c.error))) << c.name;
        }
        EXPECT_EQ(Contents(Path("victim")), "keep") << c.name;
        EXPECT_EQ(Contents(Path("elsewhere/capture")), "keep") << c.name;
    }
    // A hard link's name is replaced whole by Save: the other name keeps its text.
    ASSERT_TRUE(privatefile::Save(Path("hard"), "new"));
    EXPECT_EQ(Contents(Path("victim")), "keep");
    // A link in the user's own folder, into a folder of the user's, is followed.
    link("elsewhere", "mine", false);
    ASSERT_TRUE(privatefile::Save(Path("mine/capture"), "new"));
    EXPECT_EQ(Contents(Path("elsewhere/capture")), "new");
}

// The trace is on when its file exists: in a folder others may write to (a
// shared XDG_STATE_HOME, /tmp) no one else can turn it on.
TEST_F(PrivateFile, OnlyTheUsersOwnFolderKeepsATrace) {
    const QByteArray shared = QFile::encodeName(Path("shared"));
    ASSERT_EQ(::mkdir(shared.constData(), 01777), 0);
    WriteFile(Path("shared/Setup.Log"), "", 0600);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(Path("shared/Setup.Log")).constData(), 65534, 65534),
                  0);
    }
    EXPECT_FALSE(privatefile::CheckOwnFolder(Path("shared")).isEmpty());
    EXPECT_FALSE(CDebug(Path("shared/Setup")).IsOpen());
    EXPECT_FALSE(QFile::exists(Path("shared/Setup_000.Log")));
    EXPECT_EQ(privatefile::CheckOwnFolder(m_Dir.path()), QString());
}

TEST_F(PrivateFile, BoundsReadsOfFilesThatReportNoSize) {
    const privatefile::ReadResult environ =
        privatefile::Read(QStringLiteral("/proc/self/environ"), 4, privatefile::Owner::Anyone);
    EXPECT_FALSE(environ.ok);
    const privatefile::ReadResult pagemap =
        privatefile::Read(QStringLiteral("/proc/self/pagemap"), 4096, privatefile::Owner::Anyone);
    EXPECT_FALSE(pagemap.ok);
}

} // namespace
