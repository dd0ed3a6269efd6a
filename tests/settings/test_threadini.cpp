#include "settings/processlock.h"
#include "settings/threadini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <latch>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

const QString LockName = QStringLiteral("AP200_Mutex");

class ThreadIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        // Lock files of named stores go to a runtime folder of this test only.
        m_OldRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
        m_HadRuntimeDir = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        QDir(dir.path()).mkdir("run");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.filePath("run")));
    }
    void TearDown() override {
        if (m_HadRuntimeDir)
            qputenv("XDG_RUNTIME_DIR", m_OldRuntimeDir);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }

    QString WriteFile(const QByteArray& bytes, const QString& name = QStringLiteral("Setup.ini")) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return dir.filePath(name);
    }

    QTemporaryDir dir;

private:
    QByteArray m_OldRuntimeDir;
    bool m_HadRuntimeDir = false;
};

// Whether another thread of this process could take the lock of that name now.
bool FreeForOtherThread(const QString& name) {
    bool taken = false;
    std::thread probe([&] {
        const auto lock = CProcessLock::Open(name);
        if (lock && lock->TryLock()) {
            taken = true;
            lock->Unlock();
        }
    });
    probe.join();
    return taken;
}

// --- Operations ---------------------------------------------------------------

TEST_F(ThreadIniTest, ReadsPassTheReaderRulesThrough) {
    CThreadIni store(WriteFile("[Product]\nShortName=\"AP200\"\n"
                               "[Setting]\nNonWorking=2\nCount=0x10\nFlag=yes\nBad=12abc\n"));
    EXPECT_EQ(store.ReadString(QStringLiteral("product"), QStringLiteral("shortname"), "x"),
              "AP200");
    EXPECT_EQ(store.ReadString("PRODUCT", "SHORTNAME", "x"), "AP200");
    EXPECT_EQ(store.ReadString("Product", "Missing", static_cast<const char*>(nullptr)), "");
    EXPECT_TRUE(store.ReadBool("Setting", "NonWorking", false));
    EXPECT_TRUE(store.ReadBool("Setting", "Flag", true));
    EXPECT_EQ(store.ReadInteger("Setting", "Count", 0), 16);
    EXPECT_EQ(store.ReadInteger("Setting", "Bad", -1), -1);
    QStringList list;
    store.ReadSectionValues("setting", list);
    EXPECT_EQ(list, QStringList({"NonWorking=2", "Count=0x10", "Flag=yes", "Bad=12abc"}));

    EXPECT_EQ(store.Named(), 0);
    EXPECT_TRUE(store.MutexName().isEmpty());
}

TEST_F(ThreadIniTest, SetFileNameRecreatesTheReaderOnlyForAnotherName) {
    const QString first = WriteFile("[S]\nK=old\n");
    const QString second = WriteFile("[S]\nK=second\n", "Other.ini");
    CThreadIni store(first);
    CIniFile* reader = store.Lock();
    store.Unlock();

    WriteFile("[S]\nK=changed on disk\n");
    store.SetFileName(first);
    EXPECT_EQ(store.ReadString("S", "K", ""), "old");

    store.SetFileName(second);
    EXPECT_EQ(store.FileName(), second);
    EXPECT_EQ(store.ReadString("S", "K", ""), "second");

    store.SetFileName(first);
    EXPECT_EQ(store.ReadString("S", "K", ""), "changed on disk");
    // A reader handed out earlier still reads the current file.
    EXPECT_EQ(reader->ReadString("S", "K", ""), "changed on disk");
}

TEST_F(ThreadIniTest, WideReadExpandsBackslashNOnRequest) {
    CThreadIni store(
        WriteFile("[Text]\nTwoLines=a\\nb\nEscaped=a\\\\nb\nLong=" + QByteArray(600, 'w') + "\n"));
    EXPECT_EQ(store.ReadWideString("Text", "TwoLines", "", true), "a\nb");
    EXPECT_EQ(store.ReadWideString("Text", "TwoLines", "", false), "a\\nb");
    EXPECT_EQ(store.ReadWideString("Text", "Escaped", "", true), "a\\\nb");
    EXPECT_EQ(store.ReadWideString("Text", "Missing", "x\\ny", true), "x\ny");
    EXPECT_EQ(store.ReadWideString("Text", "Long", "", false), QString(511, u'w'));
}

TEST_F(ThreadIniTest, WritesRoundTrip) {
    const QString path = dir.filePath("written.ini");
    CThreadIni store(path);
    store.WriteString(QStringLiteral("Product"), QStringLiteral("Title"),
                      QStringLiteral(" Setup "));
    store.WriteString("Product", "ShortName", "AP200");
    store.WriteBool("Setting", "NonWorking", true);
    store.WriteInteger("Setting", "Count", -7);
    store.WriteString("Product", "shortname", "AP300");

    CThreadIni reread(path);
    for (CThreadIni* view : {&store, &reread}) {
        EXPECT_EQ(view->ReadString("Product", "Title", ""), " Setup ");
        EXPECT_EQ(view->ReadString("Product", "ShortName", ""), "AP300");
        EXPECT_TRUE(view->ReadBool("Setting", "NonWorking", false));
        EXPECT_EQ(view->ReadInteger("Setting", "Count", 0), -7);
    }
}

// --- Lock between threads -----------------------------------------------------

// The holder changes the value after the other thread has started its read;
// the read can only return the new value when it waited for the holder.
TEST_F(ThreadIniTest, SecondThreadWaitsWhileTheFirstHoldsTheLock) {
    CThreadIni store(WriteFile("[S]\nK=before\n"));
    CIniFile* reader = store.Lock();

    std::latch started(1);
    std::atomic<bool> done{false};
    QString seen;
    std::thread other([&] {
        started.count_down();
        seen = store.ReadString("S", "K", "");
        done = true;
    });
    started.wait();
    EXPECT_FALSE(done);
    ASSERT_TRUE(reader->WriteString("S", "K", "after"));
    store.Unlock();
    other.join();
    EXPECT_EQ(seen, "after");
}

TEST_F(ThreadIniTest, LockIsReentrantForItsOwnThread) {
    CThreadIni store(WriteFile("[S]\nK=before\n"), LockName);
    CIniFile* reader = store.Lock();
    EXPECT_EQ(store.Lock(), reader);
    // The store's own operations do not wait for the lock this thread holds.
    EXPECT_EQ(store.ReadString("S", "K", ""), "before");

    store.Unlock();
    EXPECT_FALSE(FreeForOtherThread(LockName)); // held once more

    std::latch started(1);
    QString seen;
    std::thread other([&] {
        started.count_down();
        seen = store.ReadString("S", "K", "");
    });
    started.wait();
    ASSERT_TRUE(reader->WriteString("S", "K", "after"));
    store.Unlock();
    other.join();
    EXPECT_EQ(seen, "after");
    EXPECT_TRUE(FreeForOtherThread(LockName));
}

TEST_F(ThreadIniTest, UnlockWithoutHoldingTheLockIsIgnored) {
    CThreadIni store(WriteFile("[S]\nK=v\n"), LockName);
    store.Unlock(); // never locked
    EXPECT_EQ(store.ReadString("S", "K", ""), "v");

    store.Lock();
    std::thread stranger([&] { store.Unlock(); });
    stranger.join();
    EXPECT_FALSE(FreeForOtherThread(LockName));
    store.Unlock();
    EXPECT_TRUE(FreeForOtherThread(LockName));
}

TEST_F(ThreadIniTest, ScopeLockReleasesWhenAnExceptionPasses) {
    CThreadIni store(WriteFile("[S]\nK=v\n"), LockName);
    try {
        CIniLock lock(store);
        EXPECT_EQ(lock->ReadString("S", "K", ""), "v");
        EXPECT_FALSE(FreeForOtherThread(LockName));
        throw std::runtime_error("page failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(FreeForOtherThread(LockName));
}

TEST_F(ThreadIniTest, StoresOfOneNameShareOneLockInAProcess) {
    const QString path = WriteFile("[S]\nK=v\n");
    CThreadIni first(path, LockName);
    CThreadIni second(path, LockName);
    EXPECT_EQ(first.Named(), 1);
    EXPECT_EQ(first.MutexName(), LockName);

    first.Lock();
    second.Lock(); // same thread: taken again, as with one named mutex
    EXPECT_EQ(second.ReadString("S", "K", ""), "v");
    second.Unlock();
    EXPECT_FALSE(FreeForOtherThread(LockName));
    first.Unlock();
    EXPECT_TRUE(FreeForOtherThread(LockName));
}

TEST_F(ThreadIniTest, NamedStoreWithoutItsLockFileStillWorks) {
    // The lock file is refused when it is a symbolic link.
    const QString lockPath = CProcessLock::PathFor(LockName);
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), lockPath));
    EXPECT_EQ(CProcessLock::Open(LockName), nullptr);

    CThreadIni store(WriteFile("[S]\nK=v\n"), LockName);
    EXPECT_EQ(store.Named(), 1);
    {
        CIniLock lock(store);
        EXPECT_EQ(lock->ReadString("S", "K", ""), "v");
    }
    EXPECT_EQ(store.ReadString("S", "K", ""), "v");
}

// --- Lock between processes ---------------------------------------------------

bool ChildExitedWith(pid_t child, int code) {
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == code;
}

TEST_F(ThreadIniTest, NamedStoreLockIsSeenByAnotherProcess) {
    CThreadIni store(WriteFile("[S]\nK=v\n"), LockName);
    store.Lock();

    int toChild[2];
    int toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto lock = CProcessLock::Open(LockName);
        const char heldProbe = lock && !lock->TryLock() ? 'h' : 'f';
        char released = 0;
        if (write(toParent[1], &heldProbe, 1) != 1 || read(toChild[0], &released, 1) != 1)
            _exit(3);
        _exit(heldProbe == 'h' && lock->TryLock() ? 0 : 1);
    }
    char heldProbe = 0;
    ASSERT_EQ(read(toParent[0], &heldProbe, 1), 1);
    EXPECT_EQ(heldProbe, 'h') << "another process took the lock while this one held it";
    store.Unlock();
    const char released = 'u';
    ASSERT_EQ(write(toChild[1], &released, 1), 1);
    EXPECT_TRUE(ChildExitedWith(child, 0));
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        close(fd);
}

// Whether the kernel lists the process as waiting for an flock().
bool WaitsForFlock(pid_t pid) {
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return false;
    const QByteArray pidText = QByteArray::number(pid);
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        // "1: -> FLOCK  ADVISORY  WRITE <pid> <device:inode> 0 EOF"
        if (f.size() > 5 && f[1] == "->" && f[2] == "FLOCK" && f[5] == pidText)
            return true;
    }
    return false;
}

// A child blocks in the same store's Lock until the parent releases it; the
// parent changes the file while the child waits, and the child must see it.
TEST_F(ThreadIniTest, NamedStoreExcludesAnotherProcess) {
    if (!QFile::exists(QStringLiteral("/proc/locks")))
        GTEST_SKIP() << "the kernel does not list its locks";
    const QString path = WriteFile("[S]\nK=before\n");
    CThreadIni store(path, LockName);
    CIniFile* reader = store.Lock();

    int toParent[2];
    ASSERT_EQ(pipe(toParent), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(toParent[0]);
        CThreadIni other(path, LockName);
        const char ready = 'r';
        if (write(toParent[1], &ready, 1) != 1)
            _exit(3);
        other.Lock();
        const char seen = CIniFile(path).ReadString("S", "K", "") == "after" ? 'A' : 'B';
        other.Unlock();
        _exit(write(toParent[1], &seen, 1) == 1 ? 0 : 4);
    }
    close(toParent[1]);
    char byte = 0;
    ASSERT_EQ(read(toParent[0], &byte, 1), 1);

    // Polls until the child is seen waiting; the deadline only ends a broken run.
    bool childWaits = false;
    bool childGotLock = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!childWaits && !childGotLock && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{toParent[0], POLLIN, 0};
        childGotLock = poll(&pfd, 1, 1) > 0;
        childWaits = !childGotLock && WaitsForFlock(child);
    }
    EXPECT_FALSE(childGotLock) << "the child took the lock while the parent held it";
    EXPECT_TRUE(childWaits);

    EXPECT_TRUE(reader->WriteString("S", "K", "after"));
    store.Unlock();
    ASSERT_EQ(read(toParent[0], &byte, 1), 1);
    EXPECT_EQ(byte, 'A');
    close(toParent[0]);
    EXPECT_TRUE(ChildExitedWith(child, 0));
}

} // namespace
