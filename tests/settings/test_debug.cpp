#include "settings/debug.h"
#include "tests/common/logcapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Touch(const QString& path, const QByteArray& content = {}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

const QRegularExpression kLine(R"(^\((\d\d):(\d\d):(\d\d):(\d\d\d) 0x([0-9A-F]+)\) (.*)$)");

} // namespace

TEST(DebugLog, OffWithoutLogFile) {
    QTemporaryDir dir;
    CDebug debug(dir.filePath("Setup"));
    EXPECT_FALSE(debug.IsOpen());
    debug.WriteLine("nothing");
    EXPECT_FALSE(QFile::exists(dir.filePath("Setup.Log")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

TEST(DebugLog, AppendsStartLineAndFormattedLines) {
    QTemporaryDir dir;
    Touch(dir.filePath("Setup.Log"), "earlier run\r\n");
    {
        CDebug debug(dir.filePath("Setup"));
        ASSERT_TRUE(debug.IsOpen());
        EXPECT_EQ(debug.LogFileName(), dir.filePath("Setup.Log"));
        CDebug::SetInstance(&debug);
        DebugLog("TFormUDP::SendDiscover()");
        DebugLog("  Result=%d", 1);
        CDebug::SetInstance(nullptr);
    }
    const QByteArray text = ReadAll(dir.filePath("Setup.Log"));
    ASSERT_TRUE(text.startsWith("earlier run\r\n\r\n("));
    ASSERT_TRUE(text.endsWith("\r\n"));
    const QList<QByteArray> lines = text.mid(15).chopped(2).split('\n');
    ASSERT_EQ(lines.size(), 3);
    const char* messages[] = {"== START LOG ==", "TFormUDP::SendDiscover()", "  Result=1"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(i == 2 || lines[i].endsWith('\r'));
        const QString line = QString::fromLatin1(lines[i]).remove('\r');
        const auto match = kLine.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        EXPECT_LT(match.captured(1).toInt(), 24);
        EXPECT_EQ(match.captured(5).toULong(nullptr, 16), static_cast<unsigned long>(gettid()));
        EXPECT_EQ(match.captured(6), messages[i]);
    }
}

TEST(DebugLog, FallsBackToFirstFreeNumberedFile) {
    QTemporaryDir dir;
    Touch(dir.filePath("Setup.Log"));
    Touch(dir.filePath("Setup_000.Log"), "kept");
    // Another running copy holds the main log.
    const int other = ::open(QFile::encodeName(dir.filePath("Setup.Log")).constData(), O_RDWR);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    CDebug debug(dir.filePath("Setup"));
    ASSERT_TRUE(debug.IsOpen());
    EXPECT_EQ(debug.LogFileName(), dir.filePath("Setup_001.Log"));
    debug.WriteLine("second copy");
    ::close(other);

    EXPECT_EQ(ReadAll(dir.filePath("Setup_000.Log")), "kept");
    EXPECT_TRUE(ReadAll(dir.filePath("Setup.Log")).isEmpty());
    EXPECT_TRUE(ReadAll(dir.filePath("Setup_001.Log")).endsWith(") second copy\r\n"));
}

TEST(DebugLog, OffWhenNoNumberedFileIsFree) {
    QTemporaryDir dir;
    Touch(dir.filePath("Setup.Log"));
    for (int n = 0; n < 100; ++n)
        Touch(dir.filePath(QString::asprintf("Setup_%03d.Log", n)));
    const int other = ::open(QFile::encodeName(dir.filePath("Setup.Log")).constData(), O_RDWR);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    CDebug debug(dir.filePath("Setup"));
    EXPECT_FALSE(debug.IsOpen());
    ::close(other);
}

TEST(DebugLog, LongMessagesAndDumps) {
    CLogCapture log;
    const std::string big(5000, 'z');
    DebugLog("%s!", big.c_str());
    const uint8_t bytes[18] = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02,
                               0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x00, 0xFF};
    DebugDump("[Tx] size=18", bytes, sizeof bytes);
    DebugDump("[Tx] size=0", bytes, 0);
    EXPECT_EQ(log.Lines(), QStringList({QString::fromStdString(big) + "!", "[Tx] size=18",
                                        "53 57 50 31 32 33 34 35 02 00 11 22 33 44 55 00 ",
                                        "00 FF ", "[Tx] size=0"}));
}

TEST(DebugLog, LinesFromManyThreadsStayWhole) {
    CLogCapture log;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                DebugLog("thread %d line %d %s", t, i, "................................");
        });
    for (auto& thread : threads)
        thread.join();
    const QStringList lines = log.Lines();
    ASSERT_EQ(lines.size(), 800);
    for (const QString& line : lines)
        EXPECT_TRUE(line.startsWith("thread ") && line.endsWith("....")) << line.toStdString();
}

TEST(DebugLog, HiddenBytesKeepTheLineLength) {
    CLogCapture log;
    const uint8_t bytes[18] = {0x6A, 0x03, 0x6B, 0x65, 0x79, 0, 0, 0,    0,
                               0,    0,    0,    0,    0,    0, 0, 0x71, 0x72};
    std::vector<bool> hidden(sizeof bytes, false);
    hidden[2] = hidden[3] = hidden[4] = hidden[17] = true;
    DebugDump("[Tx] size=18", bytes, sizeof bytes, hidden);
    EXPECT_EQ(log.Lines(),
              QStringList(
                  {"[Tx] size=18", "6A 03 ** ** ** 00 00 00 00 00 00 00 00 00 00 00 ", "71 ** "}));
}

// The trace may hold what a device reports: whatever the umask, every file it
// writes is its user's alone, and a link in its place is never written through.
TEST(DebugLog, HostileLogFilesAreNeverWrittenThrough) {
    struct Case {
        const char* name;
        std::function<int(const QDir&)> plant; // the descriptor of a lock it holds, or -1
        const char* written;                   // the file the trace goes to
    };
    const Case cases[] = {
        {"readable by others",
         [](const QDir& dir) {
             Touch(dir.filePath("Setup.Log"));
             return -1;
         },
         "Setup.Log"},
        {"a link to another file",
         [](const QDir& dir) {
             QFile::link(dir.filePath("victim"), dir.filePath("Setup.Log"));
             return -1;
         },
         "Setup_000.Log"},
        {"a link to nothing",
         [](const QDir& dir) {
             QFile::link(dir.filePath("made"), dir.filePath("Setup.Log"));
             return -1;
         },
         "Setup_000.Log"},
        {"a link in a numbered file's place",
         [](const QDir& dir) {
             Touch(dir.filePath("Setup.Log"));
             QFile::link(dir.filePath("victim"), dir.filePath("Setup_000.Log"));
             // Another running copy holds the main log.
             const int other =
                 ::open(QFile::encodeName(dir.filePath("Setup.Log")).constData(), O_RDWR);
             ::flock(other, LOCK_EX | LOCK_NB);
             return other;
         },
         "Setup_001.Log"},
    };
    const mode_t umaskBefore = ::umask(0);
    for (const Case& c : cases) {
        QTemporaryDir temporary;
        const QDir dir(temporary.path());
        Touch(dir.filePath("victim"), "victim");
        ::chmod(QFile::encodeName(dir.filePath("victim")).constData(), 0644);
        const int lock = c.plant(dir);
        {
            CDebug debug(dir.filePath("Setup"));
            EXPECT_TRUE(debug.IsOpen()) << c.name;
            EXPECT_EQ(debug.LogFileName(), dir.filePath(c.written)) << c.name;
            debug.WriteLine("traced");
        }
        if (lock >= 0)
            ::close(lock);
        struct stat info = {};
        EXPECT_EQ(::lstat(QFile::encodeName(dir.filePath(c.written)).constData(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode)) << c.name;
        EXPECT_EQ(info.st_mode & 0777, 0600u) << c.name;
        EXPECT_TRUE(ReadAll(dir.filePath(c.written)).endsWith(") traced\r\n")) << c.name;
        EXPECT_EQ(ReadAll(dir.filePath("victim")), "victim") << c.name;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("made"))) << c.name;
    }
    ::umask(umaskBefore);
}

// An installed program's folder cannot be written by its user: the trace is
// then looked for, and its numbered fall-backs written, in the user's state
// folder. Run as an unprivileged user, so that the folder is really closed.
TEST(DebugLog, UnwritableProgramFolderTracesIntoTheStateFolder) {
    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    ASSERT_TRUE(dir.mkpath("program") && dir.mkpath("state"));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(dir.filePath("program")).constData(), 0555);
    // The state folder is the user's own (nobody's, when run as root).
    ::chmod(QFile::encodeName(dir.filePath("state")).constData(), 0755);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(dir.filePath("state")).constData(), 65534, 65534), 0);
    }
    Touch(dir.filePath("program/Setup.Log"));
    ::chmod(QFile::encodeName(dir.filePath("program/Setup.Log")).constData(), 0666);
    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                std::_Exit(10);
            qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
            const QString state = dir.filePath("state/swp-setup");
            if (TraceFolder(dir.filePath("program")) != state)
                std::_Exit(11);
            if (CDebug(dir.filePath("program/Setup")).IsOpen())
                std::_Exit(12); // no trace in the state folder yet: off
            QDir().mkpath(state);
            Touch(state + "/Setup.Log");
            CDebug main(dir.filePath("program/Setup"));
            CDebug second(dir.filePath("program/Setup"));
            if (main.LogFileName() != state + "/Setup.Log" ||
                second.LogFileName() != state + "/Setup_000.Log" || !second.IsOpen())
                std::_Exit(13);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(ReadAll(dir.filePath("program/Setup.Log")).isEmpty());
    // Without XDG_STATE_HOME the state folder is in the home folder.
    const QByteArray before = qgetenv("XDG_STATE_HOME");
    qunsetenv("XDG_STATE_HOME");
    EXPECT_EQ(TraceFolder("/nonexistent/folder"), QDir::homePath() + "/.local/state/swp-setup");
    qputenv("XDG_STATE_HOME", "relative/is/ignored");
    EXPECT_EQ(TraceFolder("/nonexistent/folder"), QDir::homePath() + "/.local/state/swp-setup");
    qputenv("XDG_STATE_HOME", before);
    if (before.isEmpty())
        qunsetenv("XDG_STATE_HOME");
}

TEST(DebugLog, NamedFileIsCreatedPrivateAndRefusedThroughALink) {
    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    const mode_t umaskBefore = ::umask(0);
    {
        CDebug debug(dir.filePath("trace.txt"), CDebug::NamedFile{});
        ASSERT_TRUE(debug.IsOpen());
        EXPECT_EQ(debug.LogFileName(), dir.filePath("trace.txt"));
        CDebug again(dir.filePath("trace.txt"), CDebug::NamedFile{});
        EXPECT_FALSE(again.IsOpen());
        EXPECT_EQ(again.OpenError(), "is in use by another program");
    }
    ::umask(umaskBefore);
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("trace.txt")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    Touch(dir.filePath("victim"), "victim");
    QFile::link(dir.filePath("victim"), dir.filePath("link.txt"));
    CDebug linked(dir.filePath("link.txt"), CDebug::NamedFile{});
    EXPECT_FALSE(linked.IsOpen());
    EXPECT_EQ(linked.OpenError(), "is a symbolic link");
    EXPECT_EQ(ReadAll(dir.filePath("victim")), "victim");
}
