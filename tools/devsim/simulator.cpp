#include "tools/devsim/simulator.h"
#include "settings/textutil.h"

#include "protocol/packet.h"
#include "settings/timing.h"
#include "tools/devsim/tlvjson.h"

#include <algorithm>
#include <cstring>

namespace devsim {

using namespace swp;

CSimulator::CSimulator(const SimConfig& config) {
    for (const DeviceConfig& device : config.devices) {
        m_Devices.push_back(std::make_unique<CSimDevice>(device, *this));
        for (int n = 0; n < device.clones; ++n)
            m_OwnMacs.insert(CloneMac(device.mac, n));
    }
}

void CSimulator::Receive(const uint8_t* data, size_t length, const Peer& from, int64_t now) {
    Advance(now);
    QJsonObject line;
    line.insert(QStringLiteral("dir"), QStringLiteral("rx"));
    line.insert(QStringLiteral("time_ms"), static_cast<qint64>(now));
    line.insert(QStringLiteral("from"),
                QStringLiteral("%1:%2").arg(DottedText(from.address)).arg(from.port));
    line.insert(QStringLiteral("port"), from.localPort);
    line.insert(QStringLiteral("length"), static_cast<qint64>(length));

    // The same checks as the host's, in the same order; a datagram failing one
    // gets no answer.
    const char* bad = nullptr;
    PacketHeader header{};
    if (data == nullptr || length < static_cast<size_t>(kHeaderSize)) {
        bad = "short";
    } else {
        ParseHeader(data, length, header);
        line.insert(QStringLiteral("mac"), FormatMAC(header.mac));
        line.insert(QStringLiteral("opcode"), header.opcode);
        line.insert(QStringLiteral("op"), OpcodeName(header.opcode));
        Mac sender{};
        std::memcpy(sender.data(), header.mac, 6);
        if (std::memcmp(data, kMagic, sizeof kMagic) != 0)
            bad = "bad magic";
        else if (data[8] != kVersion)
            bad = "bad version";
        else if (static_cast<size_t>(kHeaderSize) + header.payloadLength != length)
            bad = "length does not match";
        else if (m_OwnMacs.count(sender) != 0)
            bad = "sent by a simulated device";
    }
    if (bad != nullptr) {
        line.insert(QStringLiteral("action"), QStringLiteral("ignore"));
        line.insert(QStringLiteral("reason"), QLatin1String(bad));
        m_Journal.push_back(line);
        return;
    }
    for (const auto& device : m_Devices) {
        QJsonObject deviceLine = line;
        device->Handle(data, length, header, from, deviceLine);
        m_Journal.push_back(deviceLine);
    }
}

void CSimulator::Advance(int64_t now) {
    while (!m_Timers.empty() && m_Timers.begin()->first <= now) {
        auto first = m_Timers.begin();
        std::function<void()> action = std::move(first->second);
        // Timers set while this one runs count from its own due time.
        m_Now = std::max(m_Now, first->first);
        m_Timers.erase(first);
        action();
    }
    m_Now = std::max(m_Now, now);
}

std::optional<int64_t> CSimulator::NextDue() const {
    if (m_Timers.empty())
        return std::nullopt;
    return m_Timers.begin()->first;
}

std::vector<Outgoing> CSimulator::TakeOutgoing() {
    std::vector<Outgoing> ready;
    ready.swap(m_Ready);
    return ready;
}

std::vector<QJsonObject> CSimulator::TakeJournal() {
    std::vector<QJsonObject> lines;
    lines.swap(m_Journal);
    return lines;
}

std::vector<uint16_t> CSimulator::ListenPorts() const {
    std::vector<uint16_t> ports = {kDevicePort};
    for (const auto& device : m_Devices) {
        const uint16_t port = device->Config().loginPort;
        if (port != 0 && std::find(ports.begin(), ports.end(), port) == ports.end())
            ports.push_back(port);
    }
    return ports;
}

void CSimulator::Send(Outgoing out, int delayMs) {
    if (delayMs <= 0) {
        out.line.insert(QStringLiteral("time_ms"), static_cast<qint64>(m_Now));
        m_Ready.push_back(std::move(out));
        return;
    }
    After(delayMs, [this, out = std::move(out)]() mutable { Send(std::move(out), 0); });
}

void CSimulator::After(int delayMs, std::function<void()> action) {
    const int64_t due = m_Now + (delayMs > 0 ? Timing::Interval(delayMs) : 0);
    m_Timers.emplace(due, std::move(action));
}

} // namespace devsim
