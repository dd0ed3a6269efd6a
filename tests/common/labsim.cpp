#include "tests/common/labsim.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int kReadyWaitMs = 10000;
constexpr int kStopWaitMs = 5000;
constexpr int kPollMs = 20;

} // namespace

bool InLab() {
    return !qEnvironmentVariableIsEmpty("SWP_LAB");
}

bool InCI() {
    return !qEnvironmentVariableIsEmpty("CI");
}

QList<QJsonObject> ReadJournal(const QString& path) {
    QList<QJsonObject> lines;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QList<QByteArray> texts = file.readAll().split('\n');
    for (const QByteArray& text : texts) {
        if (text.trimmed().isEmpty())
            continue;
        const QJsonDocument document = QJsonDocument::fromJson(text);
        if (document.isObject())
            lines.append(document.object());
    }
    return lines;
}

bool WaitForJournal(const QString& path, const std::function<bool(const QList<QJsonObject>&)>& done,
                    int timeoutMs, QList<QJsonObject>* journal) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const QList<QJsonObject> lines = ReadJournal(path);
        const bool ok = done(lines);
        if (ok || clock.elapsed() >= timeoutMs) {
            if (journal != nullptr)
                *journal = lines;
            return ok;
        }
        QThread::msleep(kPollMs);
    }
}

CLabDevice::CLabDevice() = default;

CLabDevice::~CLabDevice() {
    Stop();
}

bool CLabDevice::Start(const QString& ns, const QByteArray& jsonConfig) {
    Stop();
    m_Error.clear();
    m_Output.clear();
    const QString devsim = qEnvironmentVariable("SWP_DEVSIM");
    if (devsim.isEmpty()) {
        m_Error = QStringLiteral("SWP_DEVSIM is not set");
        return false;
    }
    if (!m_Dir.isValid()) {
        m_Error = QStringLiteral("no temporary folder");
        return false;
    }
    const QString configPath = m_Dir.filePath(QStringLiteral("config.json"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        config.write(jsonConfig) != jsonConfig.size()) {
        m_Error = QStringLiteral("cannot write %1").arg(configPath);
        return false;
    }
    config.close();
    QFile::remove(JournalPath());

    m_Process = std::make_unique<QProcess>();
    m_Process->setProcessChannelMode(QProcess::MergedChannels);
    // "ip" lives in /usr/sbin, which a test's PATH may lack.
    QString ip = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (ip.isEmpty())
        ip = QStandardPaths::findExecutable(QStringLiteral("ip"),
                                            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    if (ip.isEmpty()) {
        m_Error = QStringLiteral("the ip command (iproute2) is missing");
        return false;
    }
    m_Process->start(ip, {QStringLiteral("netns"), QStringLiteral("exec"),
                          QStringLiteral("swp-") + ns, devsim, QStringLiteral("--config"),
                          configPath, QStringLiteral("--journal"), JournalPath()});
    if (!m_Process->waitForStarted(kReadyWaitMs)) {
        m_Error = QStringLiteral("cannot start ip netns exec: %1").arg(m_Process->errorString());
        m_Process.reset();
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kReadyWaitMs) {
        m_Process->waitForReadyRead(kPollMs * 5);
        m_Output += m_Process->readAll();
        if (m_Output.contains("devsim: ready\n"))
            return true;
        if (m_Process->state() == QProcess::NotRunning)
            break;
    }
    m_Error = QStringLiteral("devsim in swp-%1 did not get ready: %2")
                  .arg(ns, QString::fromLocal8Bit(m_Output));
    Stop();
    return false;
}

void CLabDevice::Stop() {
    if (!m_Process)
        return;
    if (m_Process->state() != QProcess::NotRunning) {
        m_Process->terminate();
        if (!m_Process->waitForFinished(kStopWaitMs)) {
            m_Process->kill();
            m_Process->waitForFinished(kStopWaitMs);
        }
    }
    m_Output += m_Process->readAll();
    m_ExitCode = m_Process->exitStatus() == QProcess::NormalExit ? m_Process->exitCode() : -1;
    m_Process.reset();
}

bool CLabDevice::Running() const {
    return m_Process && m_Process->state() == QProcess::Running;
}

QList<QJsonObject> CLabDevice::Journal() const {
    return ReadJournal(JournalPath());
}

QString CLabDevice::JournalPath() const {
    return m_Dir.filePath(QStringLiteral("journal.jsonl"));
}

bool CLabDevice::WaitForJournal(const std::function<bool(const QList<QJsonObject>&)>& done,
                                int timeoutMs, QList<QJsonObject>* journal) const {
    return ::WaitForJournal(JournalPath(), done, timeoutMs, journal);
}

QByteArray CLabDevice::Output() {
    if (m_Process)
        m_Output += m_Process->readAll();
    return m_Output;
}

QList<QJsonObject> Received(const QList<QJsonObject>& journal, const QString& kind) {
    QList<QJsonObject> lines;
    for (const QJsonObject& line : journal)
        if (line.value(QLatin1String("dir")).toString() == QLatin1String("rx") &&
            (kind.isEmpty() || line.value(QLatin1String("kind")).toString() == kind))
            lines.append(line);
    return lines;
}

QList<QJsonObject> JournalAfterRun(const CLabDevice& device, int timeoutMs) {
    QList<QJsonObject> journal;
    device.WaitForJournal(
        [](const QList<QJsonObject>& lines) { return !Received(lines, "logout").isEmpty(); },
        timeoutMs, &journal);
    return journal;
}
