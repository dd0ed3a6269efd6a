#pragma once
// Helpers shared by the engine tests: the application object, a target that
// records the messages the engine posts, a bounded wait on the event loop and
// hand-assembled device datagrams.

#include "protocol/packet.h"
#include "protocol/rc4encry.h"
#include "settings/winmessage.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <vector>

// Readable gtest output for texts and trace lines.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using Bytes = std::vector<uint8_t>;

inline QCoreApplication* TestApp() {
    static int argc = 1;
    static char name[] = "enginetest";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? QCoreApplication::instance()
                                                                : new QCoreApplication(argc, argv);
    return app;
}

struct PostedMessage {
    int message;
    int code;
    int32_t value;
    bool operator==(const PostedMessage&) const = default;
};

inline void PrintTo(const PostedMessage& m, std::ostream* os) {
    *os << "{0x" << std::hex << m.message << std::dec << ", " << m.code << ", " << m.value << "}";
}

// Stands for the application's main window: keeps every message it receives.
class CMessageTarget : public QObject {
public:
    std::vector<PostedMessage> Messages;
    bool event(QEvent* e) override {
        if (const auto* message = dynamic_cast<const CUdpMessage*>(e)) {
            Messages.push_back({message->Message(), message->Code(), message->Value()});
            return true;
        }
        return QObject::event(e);
    }
    // Delivers what was posted to this target so far and returns all messages.
    std::vector<PostedMessage> Take() {
        QCoreApplication::sendPostedEvents(this);
        std::vector<PostedMessage> out;
        out.swap(Messages);
        return out;
    }
};

// Runs the event loop until done() or the bound (generous, only a guard
// against hanging) expires.
inline bool WaitFor(const std::function<bool()>& done, int boundMs = 10000) {
    QDeadlineTimer deadline(boundMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// "SWP12345", version 2, sender MAC, opcode, big-endian payload length, then
// the payload as given.
inline Bytes PlainDatagram(const uint8_t mac[6], uint8_t opcode, const Bytes& payload) {
    Bytes bytes = {0x53, 0x57, 0x50, 0x31, 0x32, 0x33, 0x34, 0x35, 0x02};
    bytes.insert(bytes.end(), mac, mac + 6);
    bytes.push_back(opcode);
    bytes.push_back(static_cast<uint8_t>(payload.size() >> 8));
    bytes.push_back(static_cast<uint8_t>(payload.size() & 0xFF));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

// The payload after the 18-byte header enciphered with key (RC4).
inline Bytes Enciphered(Bytes bytes, const QByteArray& key) {
    if (bytes.size() > 18)
        Crypt(reinterpret_cast<const uint8_t*>(key.constData()), static_cast<int>(key.size()),
              bytes.data() + 18, bytes.size() - 18);
    return bytes;
}

// A device's datagram as it travels: enciphered unless it is a discovery reply.
inline Bytes DeviceDatagram(const uint8_t mac[6], uint8_t opcode, const Bytes& payload,
                            const QByteArray& key) {
    const Bytes plain = PlainDatagram(mac, opcode, payload);
    return opcode == 0 ? plain : Enciphered(plain, key);
}

// The dump lines of the trace: "%02X " per byte, 16 to a line, the bytes of
// keys and WPS PINs as "** ".
inline QStringList DumpLines(const Bytes& bytes) {
    const std::vector<bool> secret = swp::SecretBytes(bytes.data(), bytes.size());
    QStringList lines;
    QString line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        line += i < secret.size() && secret[i] ? QStringLiteral("** ")
                                               : QString::asprintf("%02X ", bytes[i]);
        if ((i + 1) % 16 == 0) {
            lines << line;
            line.clear();
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}
