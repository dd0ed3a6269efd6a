// bench_discovery: the scale benchmark of the protocol engine, run inside the
// namespace lab by scripts/bench. It prints figures; it asserts nothing.
//
// 1. Discovery answered by N simulated devices at once (devsim "clones"):
//    sent, received, listed and lost per run, and the receive buffer the
//    system granted; a few runs with the system's default buffer to compare.
// 2. The rate at which the engine reads, validates, deciphers and dispatches
//    get-configuration replies (logging off), against a bare recvfrom loop on
//    the same queue of datagrams, and the ratio of the two: rounds of several
//    drains each (long enough to be steady), in series, the median of the
//    series' medians; and, in a build with step counters, the engine's time
//    per datagram split into receive, decipher, decode and dispatch.

#include "protocol/cudpsocket.h"
#include "protocol/formudp.h"
#include "protocol/iphelp.h"
#include "settings/globalvar.h"
#include "tools/bench/discoverybench.h"
#include "tools/bench/enginehooks.h"
#include "tools/bench/nsprocess.h"
#include "tools/bench/ratebench.h"
#include "tools/bench/replysender.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

QString LabValue(const char* name, const char* fallback) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString::fromLatin1(fallback) : value;
}

struct Options {
    QString devsim = qEnvironmentVariable("SWP_DEVSIM");
    int devices = 1000;
    int runs = 10;
    int contrastRuns = 3;
    int batch = 4000;
    int drains = 10;
    int rounds = 7;
    int series = 3;
    // The lab's first LAN: swp-host's swpa0 and the device namespace on it
    // (another lab than the default one names its own).
    QString adapter = LabValue("SWP_LAB_NET", "10.91") + QStringLiteral(".1.1");
    QString deviceNamespace = LabValue("SWP_LAB_PREFIX", "swp-") + QStringLiteral("dev1");
    QString password = QStringLiteral("tosca");
    // sender mode
    bool sender = false;
    QString target;
    int port = 5433;
};

const char kUsage[] =
    "usage: bench_discovery [--devsim PATH] [--devices N] [--runs N] [--contrast-runs N]\n"
    "                       [--batch K] [--drains D] [--rounds R] [--series S]\n"
    "Runs only inside the namespace lab (scripts/bench builds it and runs it there).\n"
    "  --devsim PATH       the simulator (default $SWP_DEVSIM)\n"
    "  --devices N         devices answering one discovery (default 1000)\n"
    "  --runs N            discovery runs (default 10)\n"
    "  --contrast-runs N   runs with the system's default receive buffer (default 3)\n"
    "  --batch K           replies queued per rate measurement (default 4000)\n"
    "  --drains D          drains of K replies per reader in a rate round (default 10)\n"
    "  --rounds R          rate rounds per series (default 7)\n"
    "  --series S          series of rounds; the figure is the median of their medians\n"
    "                      (default 3)\n";

bool ParseArgs(const QStringList& args, Options& options, QString& error) {
    for (qsizetype n = 0; n < args.size(); ++n) {
        const QString& arg = args[n];
        if (arg == QLatin1String("--sender")) {
            options.sender = true;
            continue;
        }
        if (n + 1 >= args.size()) {
            error = QStringLiteral("%1: unknown, or without its value").arg(arg);
            return false;
        }
        const QString value = args[++n];
        bool ok = true;
        if (arg == QLatin1String("--devsim"))
            options.devsim = value;
        else if (arg == QLatin1String("--devices"))
            options.devices = value.toInt(&ok);
        else if (arg == QLatin1String("--runs"))
            options.runs = value.toInt(&ok);
        else if (arg == QLatin1String("--contrast-runs"))
            options.contrastRuns = value.toInt(&ok);
        else if (arg == QLatin1String("--batch"))
            options.batch = value.toInt(&ok);
        else if (arg == QLatin1String("--rounds"))
            options.rounds = value.toInt(&ok);
        else if (arg == QLatin1String("--drains"))
            options.drains = value.toInt(&ok);
        else if (arg == QLatin1String("--series"))
            options.series = value.toInt(&ok);
        else if (arg == QLatin1String("--target"))
            options.target = value;
        else if (arg == QLatin1String("--port"))
            options.port = value.toInt(&ok);
        else if (arg == QLatin1String("--password"))
            options.password = value;
        else
            ok = false;
        if (!ok) {
            error = QStringLiteral("%1 %2: not understood").arg(arg, value);
            return false;
        }
    }
    const auto inRange = [](int v, int low, int high) { return v >= low && v <= high; };
    if (!inRange(options.devices, 1, 65536) || !inRange(options.runs, 0, 1000) ||
        !inRange(options.contrastRuns, 0, 100) || !inRange(options.batch, 1, 1000000) ||
        !inRange(options.rounds, 0, 100) || !inRange(options.drains, 1, 1000) ||
        !inRange(options.series, 1, 100) || !inRange(options.port, 1, 65535)) {
        error = QStringLiteral("a number is out of range");
        return false;
    }
    return true;
}

int ReadSysctl(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt() : 0;
}

// What a socket gets for the engine's request without SO_RCVBUFFORCE, that
// is what an unprivileged user is granted.
int UnprivilegedGrant() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0)
        return 0;
    int request = CUDPSocket::ReceiveBufferRequest;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &request, sizeof request);
    int granted = 0;
    socklen_t size = sizeof granted;
    ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &size);
    ::close(fd);
    return granted;
}

bool AdapterExists(const QString& address) {
    const auto adapters = CIPHelp().GetAdaptersList();
    if (adapters)
        for (const AdapterInfo& adapter : *adapters)
            for (const AdapterAddress& a : adapter.Addresses)
                if (a.IP == address)
                    return true;
    return false;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRun(const char* label, int number, const bench::DiscoveryResult& r) {
    std::printf("%s %2d: sent %4llu  received %4llu  listed %4llu  lost %4llu   "
                "(receive-buffer drops %llu, echo %llu, SO_RCVBUF %d%s)\n",
                label, number, static_cast<unsigned long long>(r.sent),
                static_cast<unsigned long long>(r.received),
                static_cast<unsigned long long>(r.listed), static_cast<unsigned long long>(r.lost),
                static_cast<unsigned long long>(r.bufferDrops),
                static_cast<unsigned long long>(r.echoes), r.receiveBuffer,
                r.completed ? "" : ", NO END OF WAIT");
    std::fflush(stdout);
}

int DiscoveryPart(const Options& options, TFormUDP& engine, bench::CMessageTarget& target) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("clones.json"));
    QFile file(config);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly))
        return 1;
    // Names as long as a real device's, so a reply is about 60 bytes.
    file.write(QStringLiteral("{\"name\": \"Bench-Device-Building-7-Floor-3-Room\", "
                              "\"mac\": \"02:5B:00:00:00:00\", \"clones\": %1}\n")
                   .arg(options.devices)
                   .toUtf8());
    file.close();
    bench::CNsProcess devsim;
    if (!devsim.Start(options.deviceNamespace, options.devsim, {QStringLiteral("--config"), config},
                      "devsim: ready", 10000)) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(devsim.Error()));
        return 1;
    }

    std::printf("== Discovery answered by %d simulated devices at once (wait 4000 ms)\n",
                options.devices);
    std::printf("receive buffer: the engine asks for %d; system default %d, rmem_max %d; "
                "without privileges a socket is granted %d\n",
                CUDPSocket::ReceiveBufferRequest, ReadSysctl("/proc/sys/net/core/rmem_default"),
                ReadSysctl("/proc/sys/net/core/rmem_max"), UnprivilegedGrant());
    std::printf("(SO_RCVBUF below is what getsockopt reports for the engine's socket, the value "
                "the engine logs as \"granted\"; Linux reports twice the size set)\n");
    bench::CDiscoveryBench discovery(engine, target, options.deviceNamespace);
    int complete = 0;
    uint64_t lost = 0;
    for (int n = 1; n <= options.runs; ++n) {
        const bench::DiscoveryResult r = discovery.Run();
        PrintRun("run", n, r);
        complete += r.listed == static_cast<uint64_t>(options.devices) ? 1 : 0;
        lost += r.lost;
    }
    std::printf("listed all %d devices in %d of %d runs; %llu lost in all\n", options.devices,
                complete, options.runs, static_cast<unsigned long long>(lost));

    if (options.contrastRuns > 0) {
        const int fallback = ReadSysctl("/proc/sys/net/core/rmem_default");
        std::printf("-- for comparison, the system's default receive buffer (%d) instead of the "
                    "engine's request\n",
                    fallback);
        for (int n = 1; n <= options.contrastRuns; ++n)
            PrintRun("default-buffer run", n, discovery.Run(std::max(fallback / 2, 1)));
    }
    engine.CloseInterfaces();
    devsim.Stop();
    return 0;
}

// A round's figures: each reader drains the same number of batches, in turn.
// Its ratio is the median of the ratios of the drains taken side by side, so
// that a drain another program cut into does not move it.
struct Round {
    bench::DrainResult bare, polled, engine;
    std::vector<double> ratios, cpuRatios;
    Round() { bare.drains = polled.drains = engine.drains = 0; }
};

// The engine's time per datagram by step, from the counted drains; what the
// timed rounds took beyond the steps is the event loop around them and the
// delivery of the results.
void PrintSplit(const std::vector<bench::DrainResult>& counted, double engineUs) {
#ifdef SWP_STEP_COUNTERS
    swp::steps::Totals sum;
    for (const bench::DrainResult& drain : counted) {
        for (int step = 0; step < swp::steps::StepCount; ++step)
            sum.ns[step] += drain.steps.ns[step];
        sum.datagrams += drain.steps.datagrams;
    }
    if (sum.datagrams == 0)
        return;
    const auto us = [&](double ns) { return ns / static_cast<double>(sum.datagrams) / 1e3; };
    double steps = 0;
    for (double ns : sum.ns)
        steps += us(ns);
    std::printf("engine time per datagram by step (counters of %zu drains): receive %.2f us, "
                "decipher %.2f us, decode %.2f us, dispatch %.2f us; around them (event loop, "
                "delivery of the results) %.2f us; %.2f us in all\n",
                counted.size(), us(sum.ns[swp::steps::Receive]), us(sum.ns[swp::steps::Decipher]),
                us(sum.ns[swp::steps::Decode]), us(sum.ns[swp::steps::Dispatch]),
                std::max(0.0, engineUs - steps), engineUs);
#else
    (void)counted;
    (void)engineUs;
    std::printf("(no split by step: this build has no step counters; scripts/bench configures "
                "SETUP_BENCH_COUNTERS=ON)\n");
#endif
}

int RatePart(const Options& options, TFormUDP& engine, bench::CMessageTarget& target) {
    if (options.rounds <= 0)
        return 0;
    bench::CNsProcess sender;
    if (!sender.Start(options.deviceNamespace, QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--sender"), QStringLiteral("--target"), options.adapter,
                       QStringLiteral("--port"), QString::number(options.port),
                       QStringLiteral("--password"), options.password},
                      "ready", 10000)) {
        std::fprintf(stderr, "bench: %s\n", qPrintable(sender.Error()));
        return 1;
    }
    const uint8_t mac[6] = {};
    std::printf("\n== Get-configuration replies (%zu bytes, enciphered) handled per second, "
                "logging off\n",
                bench::BuildConfigReply(mac, options.password).size());
    std::printf("each drain: %d replies are queued on the socket while nobody reads, then the "
                "reader drains them; a round is %d drains per reader, taken in turn, and its ratio "
                "the median of theirs; %d series of %d rounds\n",
                options.batch, options.drains, options.series, options.rounds);
    bench::CRateBench rate(engine, target, sender, options.adapter);
    const auto ratio = [](double a, double b) { return b > 0 ? a / b : 0; };
    const auto micro = [](double rate) { return rate > 0 ? 1e6 / rate : 0; };
    std::vector<double> seriesRatios, seriesCpuRatios, seriesEngine;
    std::vector<bench::DrainResult> counted;
    for (int series = 1; series <= options.series; ++series) {
        std::vector<double> bare, polled, handled, bareCpu, polledCpu, handledCpu, ratios,
            cpuRatios;
        for (int n = 1; n <= options.rounds; ++n) {
            Round round;
            for (int drain = 0; drain < options.drains; ++drain) {
                const bench::DrainResult b = rate.Bare(options.batch);
                round.bare.Add(b);
                round.polled.Add(rate.Bare(options.batch, true));
                const bench::DrainResult e = rate.Engine(options.batch);
                round.engine.Add(e);
                round.ratios.push_back(ratio(e.Rate(), b.Rate()));
                round.cpuRatios.push_back(ratio(e.CpuRate(), b.CpuRate()));
            }
            const bench::DrainResult& b = round.bare;
            const bench::DrainResult& p = round.polled;
            const bench::DrainResult& e = round.engine;
            if (!b.complete || !p.complete || !e.complete) {
                std::fprintf(stderr, "bench: round %d incomplete: %s\n", n,
                             qPrintable(rate.Error()));
                continue;
            }
            // One more drain with the engine's step counters on, untimed.
            if (const bench::DrainResult c = rate.Engine(options.batch, true); c.complete)
                counted.push_back(c);
            bare.push_back(b.Rate());
            polled.push_back(p.Rate());
            handled.push_back(e.Rate());
            bareCpu.push_back(b.CpuRate());
            polledCpu.push_back(p.CpuRate());
            handledCpu.push_back(e.CpuRate());
            ratios.push_back(Median(round.ratios));
            cpuRatios.push_back(Median(round.cpuRatios));
            std::printf(
                "series %d round %d: %llu each; per second (wall / CPU time): bare "
                "recvfrom %.0f / %.0f, poll+recvfrom %.0f / %.0f, engine %.0f / %.0f; "
                "ratio %.2f / %.2f%s\n",
                series, n, static_cast<unsigned long long>(e.handled), b.Rate(), b.CpuRate(),
                p.Rate(), p.CpuRate(), e.Rate(), e.CpuRate(), ratios.back(), cpuRatios.back(),
                b.bufferDrops + p.bufferDrops + e.bufferDrops ? "  (receive-buffer drops!)" : "");
            std::fflush(stdout);
        }
        std::printf("series %d median, wall time: bare recvfrom %.0f/s (%.2f us), poll+recvfrom "
                    "%.0f/s (%.2f us), engine %.0f/s (%.2f us): ratio engine/bare %.2f "
                    "(rounds %.2f to %.2f)\n",
                    series, Median(bare), micro(Median(bare)), Median(polled),
                    micro(Median(polled)), Median(handled), micro(Median(handled)), Median(ratios),
                    ratios.empty() ? 0 : *std::min_element(ratios.begin(), ratios.end()),
                    ratios.empty() ? 0 : *std::max_element(ratios.begin(), ratios.end()));
        std::printf("series %d median, CPU time:  bare recvfrom %.0f/s (%.2f us), poll+recvfrom "
                    "%.0f/s (%.2f us), engine %.0f/s (%.2f us): ratio engine/bare %.2f\n",
                    series, Median(bareCpu), micro(Median(bareCpu)), Median(polledCpu),
                    micro(Median(polledCpu)), Median(handledCpu), micro(Median(handledCpu)),
                    Median(cpuRatios));
        seriesRatios.push_back(Median(ratios));
        seriesCpuRatios.push_back(Median(cpuRatios));
        seriesEngine.push_back(micro(Median(handled)));
    }
    std::printf("median of the %d series' medians: ratio engine/bare %.2f wall time, %.2f CPU "
                "time; engine %.2f us per datagram\n",
                options.series, Median(seriesRatios), Median(seriesCpuRatios),
                Median(seriesEngine));
    PrintSplit(counted, Median(seriesEngine));
    std::printf("target: ratio engine/bare at least 0.8\n");
    sender.Stop();
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList args;
    for (int n = 1; n < argc; ++n)
        args.append(QString::fromLocal8Bit(argv[n]));
    Options options;
    QString error;
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!ParseArgs(args, options, error)) {
        std::fprintf(stderr, "bench: %s\n%s", qPrintable(error), kUsage);
        return 2;
    }
    if (options.sender)
        return bench::RunReplySender(options.target, static_cast<uint16_t>(options.port),
                                     options.password);

    // Never on a real network: only inside the lab, on its adapter.
    if (qEnvironmentVariableIsEmpty("SWP_LAB") || !AdapterExists(options.adapter)) {
        std::fprintf(stderr, "bench: runs only inside the namespace lab (use scripts/bench)\n");
        return 2;
    }
    if (options.devsim.isEmpty()) {
        std::fprintf(stderr, "bench: no simulator (--devsim or SWP_DEVSIM)\n");
        return 2;
    }

    // A command-line tool needs no GLib integration: Qt's own event loop
    // wakes up once for a burst of posted results instead of once per result.
    if (qEnvironmentVariableIsEmpty("QT_NO_GLIB"))
        qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    g_Var.Password = options.password; // the cipher key; no settings file, no debug log
    bench::CMessageTarget target;
    TFormUDP engine(&target);
    engine.SetAdapterFilter(options.adapter);

    int code = DiscoveryPart(options, engine, target);
    if (code == 0)
        code = RatePart(options, engine, target);
    return code;
}
