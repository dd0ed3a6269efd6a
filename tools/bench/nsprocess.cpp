#include "tools/bench/nsprocess.h"

#include <QElapsedTimer>
#include <QStandardPaths>

namespace bench {

QString IpCommand() {
    QString ip = QStandardPaths::findExecutable(QStringLiteral("ip"));
    if (ip.isEmpty())
        ip = QStandardPaths::findExecutable(QStringLiteral("ip"),
                                            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return ip.isEmpty() ? QStringLiteral("/usr/sbin/ip") : ip;
}

CNsProcess::~CNsProcess() {
    Stop();
}

bool CNsProcess::Start(const QString& ns, const QString& program, const QStringList& args,
                       const QByteArray& readyLine, int timeoutMs) {
    m_Process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_Process.start(IpCommand(),
                    QStringList{QStringLiteral("netns"), QStringLiteral("exec"), ns, program} +
                        args);
    if (!m_Process.waitForStarted(timeoutMs)) {
        m_Error =
            QStringLiteral("cannot start %1 in %2: %3").arg(program, ns, m_Process.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const QByteArray line = ReadLine(static_cast<int>(timeoutMs - clock.elapsed()));
        if (line.startsWith(readyLine))
            return true;
        if (m_Process.state() == QProcess::NotRunning)
            break;
    }
    m_Error = QStringLiteral("%1 in %2 did not get ready").arg(program, ns);
    Stop();
    return false;
}

bool CNsProcess::WriteLine(const QByteArray& line) {
    if (m_Process.state() != QProcess::Running)
        return false;
    m_Process.write(line + '\n');
    return m_Process.waitForBytesWritten(5000);
}

QByteArray CNsProcess::ReadLine(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!m_Process.canReadLine()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0 || m_Process.state() != QProcess::Running)
            return QByteArray();
        m_Process.waitForReadyRead(static_cast<int>(left));
    }
    return m_Process.readLine().trimmed();
}

void CNsProcess::Stop() {
    if (m_Process.state() == QProcess::NotRunning)
        return;
    m_Process.closeWriteChannel();
    m_Process.terminate();
    if (!m_Process.waitForFinished(5000)) {
        m_Process.kill();
        m_Process.waitForFinished(5000);
    }
}

} // namespace bench
