// swpctl: the command-line client of the device protocol. It runs the
// wizard's engine with the wizard's waits for people who configure many
// devices by script. See swpctl --help and swpctl(1).

#include "protocol/capturefile.h"
#include "settings/debug.h"
#include "settings/globalvar.h"
#include "settings/messagebox.h"
#include "settings/textutil.h"
#include "settings/timing.h"
#include "tools/swpctl/apply.h"
#include "tools/swpctl/doctor.h"
#include "tools/swpctl/exitcode.h"
#include "tools/swpctl/options.h"
#include "tools/swpctl/output.h"
#include "tools/swpctl/session.h"
#include "tools/swpctl/tracefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Messages the engine would show in a box go to standard error, one line each.
class CConsoleMessages : public CMessageBox {
public:
    void Information(const QString&, const QString& text) override {
        std::fprintf(stderr, "swpctl: %s\n", PrintableText(text).toUtf8().constData());
    }
    bool Question(const QString& caption, const QString& text) override {
        Information(caption, text);
        return false;
    }
};

// --timeout: the time the run started and the milliseconds it may take (0: no limit).
QElapsedTimer g_Started;
int g_TimeoutMs = 0;

QString DeadlineMessage() {
    return QStringLiteral("the run was ended at its --timeout of %1 s")
        .arg(QString::number(g_TimeoutMs / 1000.0));
}

// Ends the run at the deadline from wherever it is (a prompt included).
[[noreturn]] void EndAtDeadline() {
    swpctl::Err(DeadlineMessage());
    swpctl::PrintDocument(swpctl::kExitDeadline);
    std::fflush(nullptr);
    std::_Exit(swpctl::kExitDeadline);
}

// The terminal's settings while a prompt has turned echo off, restored by
// the signal that ends the program at the prompt.
termios g_SavedTerminal{};
volatile std::sig_atomic_t g_EchoOff = 0;
const int kPromptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminalAndRaise(int signal) {
    if (g_EchoOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_SavedTerminal);
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, "\n", 1);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Echo off for the life of a prompt, on again on every way out: the answer,
// the end of input, the deadline, and a signal that ends the program.
class CSilentTerminal {
public:
    CSilentTerminal() {
        if (::tcgetattr(STDIN_FILENO, &g_SavedTerminal) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = RestoreTerminalAndRaise;
        sigemptyset(&action.sa_mask);
        // A signal ignored from the start (nohup) stays ignored.
        for (size_t n = 0; n < std::size(kPromptSignals); ++n)
            if (::sigaction(kPromptSignals[n], nullptr, &m_Previous[n]) == 0 &&
                m_Previous[n].sa_handler != SIG_IGN)
                ::sigaction(kPromptSignals[n], &action, nullptr);
        termios silent = g_SavedTerminal;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        g_EchoOff = 1;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
        m_Active = true;
    }
    ~CSilentTerminal() {
        if (!m_Active)
            return;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_SavedTerminal);
        g_EchoOff = 0;
        for (size_t n = 0; n < std::size(kPromptSignals); ++n)
            ::sigaction(kPromptSignals[n], &m_Previous[n], nullptr);
    }
    CSilentTerminal(const CSilentTerminal&) = delete;
    CSilentTerminal& operator=(const CSilentTerminal&) = delete;

private:
    bool m_Active = false;
    struct sigaction m_Previous[std::size(kPromptSignals)]{};
};

// Waits until a line can be read; false when the deadline comes first.
bool WaitForLine() {
    for (;;) {
        int wait = -1;
        if (g_TimeoutMs > 0) {
            wait = g_TimeoutMs - static_cast<int>(g_Started.elapsed());
            if (wait <= 0)
                return false;
        }
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, wait);
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            return true; // let the read report it
    }
}

// A password or key typed on the terminal, without echo.
std::optional<QString> AskWithoutEcho(const QString& question) {
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    char line[256] = {};
    bool read = false;
    bool late = false;
    {
        // Silent before the question, so that nothing typed after it is shown.
        CSilentTerminal silent;
        std::fputs(question.toUtf8().constData(), stderr);
        std::fflush(stderr);
        late = !WaitForLine();
        read = !late && std::fgets(line, sizeof line, stdin) != nullptr;
    }
    std::fputc('\n', stderr);
    if (late) {
        ::explicit_bzero(line, sizeof line);
        EndAtDeadline();
    }
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        --length;
    QString text;
    const bool usable =
        read && length > 0 && DecodeUtf8Strictly(QByteArrayView(line, length), text);
    ::explicit_bzero(line, sizeof line);
    return usable ? std::optional<QString>(text) : std::nullopt;
}

template <class Session>
int RunSession(QCoreApplication& app, const swpctl::CtlOptions& options,
               const std::function<void(Session&)>& prepare = {}) {
    Session session(options);
    if (prepare)
        prepare(session);
    QObject::connect(
        &session, &Session::Finished, &app, [](int exitCode) { QCoreApplication::exit(exitCode); },
        Qt::QueuedConnection);
    QTimer::singleShot(0, &session, &Session::Start);
    return app.exec();
} // the engine logs out of the device as it goes

} // namespace

int main(int argc, char* argv[]) {
    g_Started.start();
    // A command-line tool needs no GLib integration: Qt's own event loop
    // wakes up once for a burst of posted results instead of once per result.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    g_Var.Load(program); // texts and labels from swpctl.ini beside the program, if any
    CConsoleMessages messages;
    SetMessageBoxes(&messages);

    const QStringList args = QCoreApplication::arguments().mid(1);
    swpctl::SetJsonOutput(swpctl::WantsJson(args));
    swpctl::CtlOptions options;
    QString error;
    if (!swpctl::ParseOptions(args, options, error, AskWithoutEcho)) {
        swpctl::Err(error);
        swpctl::PrintDocument(swpctl::kExitInvalidArguments);
        return swpctl::kExitInvalidArguments;
    }
    if (options.version || options.help) {
        const QString text =
            options.version ? swpctl::VersionText() : swpctl::HelpFor(options.helpTopic);
        std::fputs(text.toUtf8().constData(), stdout);
        return swpctl::kExitOk;
    }
    for (const QString& note : options.notes)
        std::fprintf(stderr, "swpctl: %s\n", PrintableText(note).toUtf8().constData());
    Timing::SetSpeedup(options.speedup);
    g_TimeoutMs = options.timeoutMs;

    swpctl::CTraceFile trace(program, options.logFile);
    if (!trace.Error().isEmpty()) {
        swpctl::Err(trace.Error());
        swpctl::PrintDocument(swpctl::kExitOther);
        return swpctl::kExitOther;
    }
    CDebug::SetInstance(trace.Debug());
    std::unique_ptr<swp::CCaptureFile> capture;
    if (!options.captureFile.isEmpty()) {
        capture = swp::CCaptureFile::Create(options.captureFile, &error);
        if (!capture) {
            swpctl::Err(
                QStringLiteral("cannot write the capture %1: %2").arg(options.captureFile, error));
            swpctl::PrintDocument(swpctl::kExitOther);
            CDebug::SetInstance(nullptr);
            return swpctl::kExitOther;
        }
        swp::CCaptureFile::SetInstance(capture.get());
    }

    if (g_TimeoutMs > 0) {
        const int left = g_TimeoutMs - static_cast<int>(g_Started.elapsed());
        if (left <= 0)
            EndAtDeadline();
        QTimer::singleShot(left, &app, [] {
            swpctl::Err(DeadlineMessage());
            QCoreApplication::exit(swpctl::kExitDeadline);
        });
    }

    int code = swpctl::kExitOther;
    if (options.command == swpctl::Command::Doctor)
        code = swpctl::RunDoctor(options);
    else if (options.command == swpctl::Command::Apply)
        code = RunSession<swpctl::CApplySession>(app, options);
    else
        code = RunSession<swpctl::CSession>(app, options, [](swpctl::CSession& session) {
            // A key the profile needs that the command line did not give.
            session.SetKeySource([](const QString& question,
                                    bool mayAsk) -> std::optional<QString> {
                QString key;
                if (qEnvironmentVariableIsSet("SWP_KEY") &&
                    DecodeUtf8Strictly(qgetenv("SWP_KEY"), key))
                    return key;
                std::optional<QString> typed;
                QString error;
                if (mayAsk && !swpctl::AskNewKey(AskWithoutEcho, question, typed, error))
                    swpctl::Err(error);
                return typed;
            });
        });
    swpctl::PrintDocument(code);

    swp::CCaptureFile::SetInstance(nullptr);
    CDebug::SetInstance(nullptr);
    SetMessageBoxes(nullptr);
    return code;
}
