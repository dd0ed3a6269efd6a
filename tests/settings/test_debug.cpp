#include "settings/debug.h"
#include "tests/common/logcapture.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
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
