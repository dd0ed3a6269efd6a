// devsim (installed as swp-devsim): simulates one or many devices of the
// setup protocol on UDP port 5432, as described by a JSON file. The file's
// keys are in tools/devsim/README.md.

#include "settings/textutil.h"
#include "settings/timing.h"
#include "setupversion.h"
#include "tools/devsim/config.h"
#include "tools/devsim/journal.h"
#include "tools/devsim/simulator.h"
#include "tools/devsim/udpserver.h"

#include <QFile>
#include <QString>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

volatile std::sig_atomic_t g_Stop = 0;

void OnSignal(int) {
    g_Stop = 1;
}

const char kUsage[] =
    "usage: swp-devsim --config FILE [--journal FILE] [--bind ADDRESS] [--speedup N]\n"
    "       swp-devsim --help | --version\n"
    "\n"
    "Plays one or many wireless devices on UDP port 5432, so the setup wizard and\n"
    "swpctl can find, configure, survey and pair them without hardware. Run it in\n"
    "a network namespace of swp-lab, never on a real network.\n"
    "\n"
    "  --config FILE    the devices to simulate (JSON; examples, with the swpctl\n"
    "                   inventories that run against them, are in\n"
    "                   /usr/share/swp-lab/examples; the keys in swp-devsim(1))\n"
    "  --journal FILE   write every datagram received and sent, one JSON object a line\n"
    "  --bind ADDRESS   listen on this IPv4 address only (default 0.0.0.0; a socket\n"
    "                   bound to a unicast address hears no broadcast)\n"
    "  --speedup N      run every configured delay N times faster\n"
    "  --help           this text\n"
    "  --version        the version\n"
    "Prints \"devsim: ready\" once its sockets are bound; ends on SIGTERM or SIGINT.\n"
    "Example: sudo swp-lab run --user \"$USER\" --sim dev1=/usr/share/swp-lab/examples/ap.json \\\n"
    "           -- swpctl show\n";

int Fail(const QString& message, int code) {
    std::fprintf(stderr, "devsim: %s\n", message.toLocal8Bit().constData());
    return code;
}

} // namespace

int main(int argc, char** argv) {
    QString configPath;
    QString journalPath;
    uint32_t bindAddress = 0;
    for (int n = 1; n < argc; ++n) {
        const QString arg = QString::fromLocal8Bit(argv[n]);
        const bool hasValue = n + 1 < argc;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--version")) {
            std::printf("swp-devsim %s\n", SETUP_VERSION);
            return 0;
        }
        if (!hasValue)
            return Fail(QStringLiteral("%1 needs a value or is unknown\n").arg(arg) + kUsage, 2);
        const QString value = QString::fromLocal8Bit(argv[++n]);
        if (arg == QLatin1String("--config")) {
            configPath = value;
        } else if (arg == QLatin1String("--journal")) {
            journalPath = value;
        } else if (arg == QLatin1String("--bind")) {
            if (!ParseDotted(value, bindAddress))
                return Fail(QStringLiteral("--bind: not an IPv4 address: %1").arg(value), 2);
        } else if (arg == QLatin1String("--speedup")) {
            bool ok = false;
            const int factor = value.toInt(&ok);
            if (!ok || factor < 1)
                return Fail(QStringLiteral("--speedup: a whole number from 1 is expected"), 2);
            Timing::SetSpeedup(factor);
        } else {
            return Fail(QStringLiteral("unknown option %1\n").arg(arg) + kUsage, 2);
        }
    }
    if (configPath.isEmpty())
        return Fail(QStringLiteral("--config is required\n") + kUsage, 2);

    QFile file(configPath);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("cannot read %1: %2").arg(configPath, file.errorString()), 2);
    devsim::SimConfig config;
    QString error;
    if (!devsim::ParseConfig(file.readAll(), config, error))
        return Fail(QStringLiteral("%1: %2").arg(configPath, error), 2);

    devsim::CJournal journal;
    if (!journalPath.isEmpty() && !journal.Open(journalPath))
        return Fail(QStringLiteral("cannot write %1: %2")
                        .arg(journalPath, QString::fromLocal8Bit(std::strerror(errno))),
                    1);

    // SIGTERM and SIGINT are only let through while the loop waits, so a
    // datagram is always handled whole.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    devsim::CSimulator simulator(config);
    devsim::CUdpServer server(simulator, journal);
    if (!server.Open(bindAddress, error))
        return Fail(error, 1);
    std::fputs("devsim: ready\n", stdout);
    std::fflush(stdout);
    server.Run(g_Stop, waitMask);
    return 0;
}
