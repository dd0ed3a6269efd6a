#include "platform/program.h"
#include "platform/shell.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>

// The desktop shell with a stand-in xdg-open first on the PATH: it ends with
// the status the test wrote, but only once the test's event loop has run (a
// file that a zero timer creates), so a blocking wait would make it fail.
TEST(DesktopShell, OpenerExitStatusIsTheResultAndEventsFlowMeanwhile) {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    };
    write("xdg-open", "#!/bin/sh\ncd \"$(dirname \"$0\")\"\nfor i in $(seq 200); do\n"
                      "[ -e events ] && exit $(cat status); sleep 0.05; done\nexit 99\n");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ":" + path);
    const int rows[][2] = {
        {0, SHELL_OK}, {2, SE_ERR_FNF}, {3, SE_ERR_NOASSOC}, {4, SE_ERR_ACCESSDENIED}};
    for (const auto& row : rows) {
        for (const QString& target :
             {QString("https://example.com/reg"), dir.filePath("xdg-open")}) {
            QFile::remove(dir.filePath("events"));
            write("status", QByteArray::number(row[0]));
            QTimer::singleShot(0, [&] { write("events", ""); });
            EXPECT_EQ(Shell().ShellExecute("open", target), row[1]) << row[0];
        }
    }
    EXPECT_EQ(Shell().ShellExecute("explore", dir.filePath("missing")), SE_ERR_FNF);

    // An installer program is run, and its process can be followed.
    write("Setup.sh", "#!/bin/sh\nexec sleep 60\n");
    qint64 process = 0;
    EXPECT_EQ(Shell().ShellStart("open", dir.filePath("Setup.sh"), process), SHELL_OK);
    EXPECT_TRUE(ProcessRunning(process));
    ::kill(static_cast<pid_t>(process), SIGKILL);
    qputenv("PATH", path);
}

// A program run to its end: its exit code, what it printed on each channel;
// one still running at the limit is ended and counts as not run (-1).
TEST(DesktopShell, RunProgramGivesTheExitCodeAndBothOutputs) {
    const struct {
        const char* script;
        int limitMs;
        int code;
        const char* output;
        const char* error;
    } cases[] = {
        {"echo report; echo warning >&2; exit 12", 10000, 12, "report\n", "warning\n"},
        {"exec sleep 60", 200, -1, "", ""},
        {"kill -KILL $$", 10000, -1, "", ""},
    };
    for (const auto& c : cases) {
        QByteArray output;
        QByteArray error;
        EXPECT_EQ(c.code, Shell().RunProgram(QStringLiteral("/bin/sh"),
                                             {QStringLiteral("-c"), QLatin1String(c.script)},
                                             output, error, c.limitMs))
            << c.script;
        EXPECT_EQ(c.output, output.toStdString()) << c.script;
        EXPECT_EQ(c.error, error.toStdString()) << c.script;
    }
}
