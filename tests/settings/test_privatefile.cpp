#include "settings/privatefile.h"

#include <QFile>
#include <QTemporaryDir>

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

TEST_F(PrivateFile, BoundsReadsOfFilesThatReportNoSize) {
    const privatefile::ReadResult environ =
        privatefile::Read(QStringLiteral("/proc/self/environ"), 4, privatefile::Owner::Anyone);
    EXPECT_FALSE(environ.ok);
    const privatefile::ReadResult pagemap =
        privatefile::Read(QStringLiteral("/proc/self/pagemap"), 4096, privatefile::Owner::Anyone);
    EXPECT_FALSE(pagemap.ok);
}

} // namespace
