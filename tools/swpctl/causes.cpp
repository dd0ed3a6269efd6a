#include "tools/swpctl/causes.h"

#include "diagnosis/hostfacts.h"
#include "protocol/formudp.h"
#include "protocol/packet.h"

#include <QStringList>

namespace swpctl {

QString AdapterFailureMessage() {
    QStringList holders;
    for (const diag::SocketHolder& holder : diag::CHostFacts().PortHolders(swp::kHostPort))
        holders.append(diag::HolderText(holder));
    QString text = TFormUDP::AdapterFailureText();
    if (!holders.isEmpty())
        text += QStringLiteral(" UDP port %1 is held by %2.")
                    .arg(swp::kHostPort)
                    .arg(holders.join(QStringLiteral("; ")));
    return text + QStringLiteral(" swpctl doctor finds the cause and its fix.");
}

QString NoDeviceMessage() {
    return QStringLiteral("no device found (swpctl doctor looks for the cause)");
}

} // namespace swpctl
