#include "platform/program.h"
#include "platform/shell.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The desktop shell with its own xdg-open first on the PATH: it waits until
// the test's event loop has run (a file the test creates from a timer), then
// ends with the exit status the test chose.
class DesktopShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_Path = qgetenv("PATH");
        qputenv("PATH", m_Dir.path().toLocal8Bit() + ":" + m_Path);
        WriteScript("xdg-open", "#!/bin/sh\n"
                                "cd \"$(dirname \"$0\")\"\n"
                                "for i in $(seq 200); do [ -e events ] && exit $(cat status); "
                                "sleep 0.05; done\n"
                                "exit 99\n");
    }
    void TearDown() override { qputenv("PATH", m_Path); }

    void WriteScript(const QString& name, const QByteArray& text) const {
        QFile file(m_Dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    // Opens target with the opener ending in status, once events have flowed.
    int Open(const QString& target, int status) {
        QFile::remove(m_Dir.filePath("events"));
        WriteScript("status", QByteArray::number(status));
        QTimer::singleShot(0, [this] { WriteScript("events", ""); });
        return Shell().ShellExecute("open", target);
    }

    QTemporaryDir m_Dir;
    QByteArray m_Path;
};

} // namespace

TEST_F(DesktopShellTest, OpenerExitStatusIsTheResult) {
    const struct {
        int status;
        int result;
    } rows[] = {
        {0, SHELL_OK},
        {2, SE_ERR_FNF},
        {3, SE_ERR_NOASSOC},
        {4, SE_ERR_ACCESSDENIED},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.status);
        EXPECT_EQ(Open("https://example.com/register", row.status), row.result);
        EXPECT_EQ(Open(m_Dir.filePath("status"), row.status), row.result);
    }
    EXPECT_EQ(Shell().ShellExecute("explore", m_Dir.filePath("missing")), SE_ERR_FNF);
}

TEST_F(DesktopShellTest, AnInstallerProgramRunsAndIsFollowed) {
    WriteScript("Setup.sh", "#!/bin/sh\nexec sleep 60\n");
    qint64 process = 0;
    ASSERT_EQ(Shell().ShellStart("open", m_Dir.filePath("Setup.sh"), process), SHELL_OK);
    EXPECT_TRUE(ProcessRunning(process));
    ::kill(static_cast<pid_t>(process), SIGKILL);
    EXPECT_FALSE(ProcessRunning(0));
}
