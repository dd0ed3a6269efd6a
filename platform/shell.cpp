#include "platform/shell.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {

// xdg-mime answers at once; xdg-open returns when the document is opened, or,
// on desktops where it runs the viewer itself, only when the viewer closes:
// still running after this long, the document is open.
constexpr int kQueryLimitMs = 5000;
constexpr int kOpenLimitMs = 10000;

// xdg-open's exit status 2: the file does not exist; 3: no tool to open it.
constexpr int kXdgNoFile = 2;
constexpr int kXdgNoTool = 3;

struct ProcessRun {
    bool started = false;
    bool finished = false; // false: still running at the limit
    int exitCode = -1;
    QByteArray output;
    QByteArray error;
};

// Runs program and waits for its end while the event loop keeps running, so
// the windows stay responsive. At the limit the program is killed, or left to
// run on when keepRunning is set.
ProcessRun RunAndWait(const QString& program, const QStringList& args, int limitMs,
                      bool keepRunning) {
    ProcessRun run;
    auto* process = new QProcess;
    if (keepRunning)
        process->setProcessChannelMode(QProcess::ForwardedChannels);
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool done = false;
    auto stop = [&] {
        done = true;
        loop.quit();
    };
    QObject::connect(process, &QProcess::finished, &loop, stop);
    QObject::connect(process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            stop();
    });
    QObject::connect(&limit, &QTimer::timeout, &loop, stop);
    limit.start(limitMs);
    process->start(program, args);
    if (!done && process->state() != QProcess::NotRunning)
        loop.exec();

    run.started = process->error() != QProcess::FailedToStart;
    if (process->state() == QProcess::NotRunning) {
        run.finished = run.started;
        run.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
        if (!keepRunning) {
            run.output = process->readAllStandardOutput();
            run.error = process->readAllStandardError();
        }
        delete process;
    } else if (keepRunning) {
        QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    } else {
        process->kill();
        process->waitForFinished(1000);
        delete process;
    }
    return run;
}

// A native program or script: "open" runs it, as the shell runs a program file.
bool IsProgramFile(const QFileInfo& file) {
    if (!file.isFile() || !file.isExecutable())
        return false;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    for (const char* name : {"application/x-executable", "application/x-pie-executable",
                             "application/x-sharedlib", "application/x-shellscript"})
        if (type.inherits(QString::fromLatin1(name)))
            return true;
    return false;
}

// The freedesktop answers: xdg-mime names the default application of a MIME
// type, xdg-open opens a file, folder or address with it.
class CDesktopShell : public CShell {
public:
    int FindExecutable(const QString& file, QString& program) override {
        program.clear();
        if (!QFileInfo::exists(file))
            return SE_ERR_FNF;
        const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
        if (xdgMime.isEmpty())
            return SE_ERR_NOASSOC;
        const QString type = QMimeDatabase().mimeTypeForFile(file).name();
        const ProcessRun run =
            RunAndWait(xdgMime, {"query", "default", type}, kQueryLimitMs, false);
        if (!run.finished)
            return SE_ERR_NOASSOC;
        program = QString::fromUtf8(run.output).trimmed();
        return program.isEmpty() ? SE_ERR_NOASSOC : SHELL_OK;
    }

    int ShellExecute(const QString& verb, const QString& target) override {
        Q_UNUSED(verb); // "open" and "explore" both go to the desktop opener
        QString argument;
        if (const int missing = Argument(target, argument))
            return missing;
        const QString xdgOpen = QStandardPaths::findExecutable("xdg-open");
        if (xdgOpen.isEmpty())
            return SE_ERR_NOASSOC;
        const ProcessRun run = RunAndWait(xdgOpen, {argument}, kOpenLimitMs, true);
        if (!run.started)
            return SE_ERR_NOASSOC;
        if (!run.finished || run.exitCode == 0)
            return SHELL_OK;
        if (run.exitCode == kXdgNoFile)
            return SE_ERR_FNF;
        return run.exitCode == kXdgNoTool ? SE_ERR_NOASSOC : SE_ERR_ACCESSDENIED;
    }

    int ShellStart(const QString& verb, const QString& target, qint64& process) override {
        process = 0;
        QString argument;
        if (const int missing = Argument(target, argument))
            return missing;
        const QFileInfo file(argument);
        if (verb == QLatin1String("open") && IsProgramFile(file))
            return QProcess::startDetached(argument, {}, file.absolutePath(), &process)
                       ? SHELL_OK
                       : SE_ERR_ACCESSDENIED;
        const QString xdgOpen = QStandardPaths::findExecutable("xdg-open");
        if (xdgOpen.isEmpty())
            return SE_ERR_NOASSOC;
        return QProcess::startDetached(xdgOpen, {argument}, QString(), &process) ? SHELL_OK
                                                                                 : SE_ERR_NOASSOC;
    }

private:
    // The opener's argument for target: an address as it is, anything else a
    // file or folder, a relative one taken from the current working directory.
    // Returns SE_ERR_FNF for an empty target or a missing file, else 0.
    static int Argument(const QString& target, QString& argument) {
        if (target.isEmpty())
            return SE_ERR_FNF;
        if (IsShellAddress(target)) {
            argument = QUrl(target).toString();
            return 0;
        }
        argument = QFileInfo(target).absoluteFilePath();
        return QFileInfo::exists(argument) ? 0 : SE_ERR_FNF;
    }
};

CDesktopShell g_DesktopShell;
CShell* g_Shell = nullptr;

} // namespace

int CShell::RunProgram(const QString& program, const QStringList& arguments, QByteArray& output,
                       QByteArray& error, int limitMs) {
    const ProcessRun run = RunAndWait(program, arguments, limitMs, false);
    output = run.output;
    error = run.error;
    return run.finished ? run.exitCode : -1;
}

bool IsShellAddress(const QString& target) {
    return target.contains(QStringLiteral("://")) ||
           target.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive);
}

CShell& Shell() {
    return g_Shell ? *g_Shell : g_DesktopShell;
}

void SetShell(CShell* shell) {
    g_Shell = shell;
}
