#pragma once
// A helper process in a device namespace of the lab (`ip netns exec`), spoken
// to line by line on its standard input and output. Always bounded: every
// wait has a limit, and the destructor ends the process.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace bench {

// The ip command of iproute2 (it lives in /usr/sbin, which PATH may lack).
QString IpCommand();

class CNsProcess {
public:
    CNsProcess() = default;
    ~CNsProcess();
    CNsProcess(const CNsProcess&) = delete;
    CNsProcess& operator=(const CNsProcess&) = delete;

    // Starts program with args in namespace ns and waits (at most timeoutMs)
    // for a line starting with readyLine.
    bool Start(const QString& ns, const QString& program, const QStringList& args,
               const QByteArray& readyLine, int timeoutMs);
    bool WriteLine(const QByteArray& line);
    // The next line of its output (without the newline); empty on time-out.
    QByteArray ReadLine(int timeoutMs);
    void Stop();
    QString Error() const { return m_Error; }

private:
    QProcess m_Process;
    QString m_Error;
};

} // namespace bench
