// swpctl: the command-line client of the device protocol. It runs the
// wizard's engine with the wizard's waits for people who configure many
// devices by script. See --help and the README section "Command-line client".

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
#include "tools/swpctl/session.h"
#include "tools/swpctl/tracefile.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {

// Messages the engine would show in a box go to standard error, one line each.
class CConsoleMessages : public CMessageBox {
public:
    void Information(const QString&, const QString& text) override {
        std::fprintf(stderr, "swpctl: %s\n", text.toUtf8().constData());
    }
    bool Question(const QString& caption, const QString& text) override {
        Information(caption, text);
        return false;
    }
};

// A password or key typed on the terminal, without echo.
std::optional<QString> AskWithoutEcho(const QString& question) {
    if (!::isatty(STDIN_FILENO))
        return std::nullopt;
    std::fputs(question.toUtf8().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
        --length;
    QString text;
    const bool usable =
        read && length > 0 && DecodeUtf8Strictly(QByteArrayView(line, length), text);
    ::explicit_bzero(line, sizeof line);
    return usable ? std::optional<QString>(text) : std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    // A command-line tool needs no GLib integration: Qt's own event loop
    // wakes up once for a burst of posted results instead of once per result.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    const QString program = QCoreApplication::applicationFilePath();
    g_Var.Load(program); // texts and labels from swpctl.ini beside the program, if any
    CConsoleMessages messages;
    SetMessageBoxes(&messages);

    swpctl::CtlOptions options;
    QString error;
    if (!swpctl::ParseOptions(QCoreApplication::arguments().mid(1), options, error,
                              AskWithoutEcho)) {
        std::fprintf(stderr, "swpctl: %s\n", error.toUtf8().constData());
        return swpctl::kExitInvalidArguments;
    }
    if (options.help) {
        std::fputs(swpctl::HelpText().toUtf8().constData(), stdout);
        return swpctl::kExitOk;
    }
    for (const QString& note : options.notes)
        std::fprintf(stderr, "swpctl: %s\n", note.toUtf8().constData());
    Timing::SetSpeedup(options.speedup);

    swpctl::CTraceFile trace(program, options.logFile);
    if (!trace.Error().isEmpty()) {
        std::fprintf(stderr, "swpctl: %s\n", trace.Error().toUtf8().constData());
        return swpctl::kExitOther;
    }
    CDebug::SetInstance(trace.Debug());
    std::unique_ptr<swp::CCaptureFile> capture;
    if (!options.captureFile.isEmpty()) {
        capture = swp::CCaptureFile::Create(options.captureFile, &error);
        if (!capture) {
            std::fprintf(stderr, "swpctl: cannot write the capture %s: %s\n",
                         options.captureFile.toUtf8().constData(), error.toUtf8().constData());
            CDebug::SetInstance(nullptr);
            return swpctl::kExitOther;
        }
        swp::CCaptureFile::SetInstance(capture.get());
    }

    int code = swpctl::kExitOther;
    if (options.command == swpctl::Command::Doctor) {
        code = swpctl::RunDoctor(options);
    } else if (options.command == swpctl::Command::Apply) {
        swpctl::CApplySession session(options);
        QObject::connect(
            &session, &swpctl::CApplySession::Finished, &app,
            [](int exitCode) { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
        QTimer::singleShot(0, &session, &swpctl::CApplySession::Start);
        code = app.exec();
    } else {
        swpctl::CSession session(options);
        // A key the profile needs that the command line did not give.
        session.SetKeySource([](const QString& question, bool mayAsk) -> std::optional<QString> {
            QString key;
            if (qEnvironmentVariableIsSet("SWP_KEY") && DecodeUtf8Strictly(qgetenv("SWP_KEY"), key))
                return key;
            return mayAsk ? AskWithoutEcho(question) : std::nullopt;
        });
        QObject::connect(
            &session, &swpctl::CSession::Finished, &app,
            [](int exitCode) { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
        QTimer::singleShot(0, &session, &swpctl::CSession::Start);
        code = app.exec();
    } // the engine logs out of the device as it goes

    swp::CCaptureFile::SetInstance(nullptr);
    CDebug::SetInstance(nullptr);
    SetMessageBoxes(nullptr);
    return code;
}
