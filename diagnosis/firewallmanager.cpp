#include "diagnosis/firewallmanager.h"

#include "diagnosis/hostfacts.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>

namespace diag {

namespace {

QString Sudo(const QString& program, const QString& arguments) {
    return QStringLiteral("sudo %1 %2").arg(SystemCommand(program), arguments);
}

// firewalld's zone from the chain that decided: filter_IN_public_deny -> public.
QString Zone(const QString& chain) {
    static const QRegularExpression kZone(QStringLiteral("^filter_IN_([A-Za-z0-9-]+)"));
    const QRegularExpressionMatch match = kZone.match(chain);
    return match.hasMatch() && match.captured(1) != QLatin1String("policy") ? match.captured(1)
                                                                            : QString();
}

} // namespace

const char* ManagerName(Manager manager) {
    switch (manager) {
    case Manager::Ufw:
        return "ufw";
    case Manager::Firewalld:
        return "firewalld";
    case Manager::IptablesNft:
        return "iptables";
    case Manager::IptablesLegacy:
        return "iptables-legacy";
    case Manager::Nftables:
        break;
    }
    return "nftables";
}

FirewallManagers FirewallManagers::Read(const QString& procRoot, const QString& ufwConf) {
    FirewallManagers managers;
    QFile ufw(ufwConf);
    if (ufw.open(QIODevice::ReadOnly)) {
        static const QRegularExpression kEnabled(QStringLiteral("^\\s*ENABLED\\s*=\\s*yes\\b"),
                                                 QRegularExpression::MultilineOption);
        managers.ufwEnabled = kEnabled.match(QString::fromUtf8(ufw.readAll())).hasMatch();
    }
    // firewalld is a Python program started by its own name: the kernel
    // names the process after the script.
    static const QRegularExpression kPid(QStringLiteral("^\\d+$"));
    const QDir proc(procRoot);
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!kPid.match(pid).hasMatch())
            continue;
        QFile comm(proc.filePath(pid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "firewalld") {
            managers.firewalldPid = pid.toInt();
            break;
        }
    }
    managers.legacyTables = QFile::exists(procRoot + QStringLiteral("/net/ip_tables_names"));
    return managers;
}

void FirewallManagers::ReadRuleset(const QJsonDocument& ruleset, const QString& nftWarnings) {
    managed = ManagedTables(nftWarnings);
    for (const QJsonValue& item : ruleset.object().value(QStringLiteral("nftables")).toArray()) {
        const QJsonObject object = item.toObject();
        if (object.contains(QStringLiteral("table"))) {
            const QJsonObject table = object.value(QStringLiteral("table")).toObject();
            if (table.value(QStringLiteral("family")).toString() == QLatin1String("inet") &&
                table.value(QStringLiteral("name")).toString() == QLatin1String("firewalld"))
                firewalldTable = true;
        } else if (object.contains(QStringLiteral("chain"))) {
            if (object.value(QStringLiteral("chain"))
                    .toObject()
                    .value(QStringLiteral("name"))
                    .toString()
                    .startsWith(QLatin1String("ufw-")))
                ufwChains = true;
        }
    }
}

QStringList FirewallManagers::Seen() const {
    QStringList seen;
    if (ufwEnabled || ufwChains || ufwLegacyChains)
        seen.append(QStringLiteral("ufw (%1)")
                        .arg(ufwChains || ufwLegacyChains
                                 ? QStringLiteral("its chains are in the ruleset")
                                 : QStringLiteral("enabled in /etc/ufw/ufw.conf")));
    if (firewalldPid != 0)
        seen.append(QStringLiteral("firewalld (running, pid %1)").arg(firewalldPid));
    else if (firewalldTable)
        seen.append(QStringLiteral("firewalld's table inet firewalld (firewalld is not running)"));
    for (const ManagedTable& table : managed)
        if (!(ufwChains && table.table == QLatin1String("ip filter")))
            seen.append(QStringLiteral("table %1 (managed by %2)").arg(table.table, table.manager));
    return seen;
}

Manager FirewallManagers::Of(const QString& family, const QString& table, const QString& chain,
                             bool legacy) const {
    const bool ufwChain = chain.startsWith(QLatin1String("ufw-"));
    // A table iptables writes (nft or legacy): ufw's when its chains are
    // there; else firewalld's while firewalld runs (its iptables back-end
    // writes such tables, and it writes them anew on its next reload).
    const auto iptables = [&](bool ufwTable, Manager plain) {
        if (ufwChain || (ufwTable && table == QLatin1String("filter")))
            return Manager::Ufw;
        return firewalldPid != 0 ? Manager::Firewalld : plain;
    };
    if (legacy)
        return iptables(ufwLegacyChains, Manager::IptablesLegacy);
    if (family == QLatin1String("inet") && table == QLatin1String("firewalld"))
        return Manager::Firewalld;
    const QString name = family + QLatin1Char(' ') + table;
    for (const ManagedTable& managedTable : managed)
        if (managedTable.table == name)
            return iptables(ufwChains, Manager::IptablesNft);
    return ufwChain ? Manager::Ufw : Manager::Nftables;
}

void AddFirewallFixes(Finding& f, Manager manager, const FirewallVerdict& verdict,
                      const QStringList& adapters) {
    const QString one = adapters.size() == 1 ? adapters.first() : QString();
    switch (manager) {
    case Manager::Ufw:
        f.AddFix(QStringLiteral("ufw"), QStringLiteral("let the replies in (ufw keeps the rule)"),
                 Sudo(QStringLiteral("ufw"),
                      one.isEmpty()
                          ? QStringLiteral("allow proto udp from any port 5432 to any port 5433")
                          : QStringLiteral(
                                "allow in on %1 proto udp from any port 5432 to any port 5433")
                                .arg(one)));
        return;
    case Manager::Firewalld: {
        const QString zone = Zone(verdict.chain);
        const QString where = zone.isEmpty() ? QString() : QStringLiteral("--zone=%1 ").arg(zone);
        f.AddFix(QStringLiteral("firewalld"), QStringLiteral("let the replies in now"),
                 Sudo(QStringLiteral("firewall-cmd"),
                      QStringLiteral("%1--add-port=5433/udp").arg(where)));
        f.AddFix(QStringLiteral("firewalld"), QStringLiteral("and keep it after a restart"),
                 Sudo(QStringLiteral("firewall-cmd"),
                      QStringLiteral("--permanent %1--add-port=5433/udp").arg(where)));
        return;
    }
    case Manager::IptablesNft:
    case Manager::IptablesLegacy: {
        const QString program = manager == Manager::IptablesLegacy
                                    ? QStringLiteral("iptables-legacy")
                                    : QStringLiteral("iptables-nft");
        const QString iif = one.isEmpty() ? QString() : QStringLiteral("-i %1 ").arg(one);
        f.AddFix(QStringLiteral("iptables"), QStringLiteral("let the replies in"),
                 Sudo(program, QStringLiteral("-I %1 %2-p udp --dport 5433 -j ACCEPT")
                                   .arg(verdict.baseChain, iif)));
        f.AddFix(QStringLiteral("iptables"),
                 QStringLiteral("keep it after a restart: save the rules the way this system "
                                "restores them (for example netfilter-persistent save)"));
        return;
    }
    case Manager::Nftables:
        break;
    }
    QStringList quoted;
    for (const QString& name : adapters)
        quoted.append(QLatin1Char('"') + name + QLatin1Char('"'));
    const QString iif =
        quoted.size() == 1
            ? quoted.first()
            : QStringLiteral("{ ") + quoted.join(QStringLiteral(", ")) + QStringLiteral(" }");
    f.AddFix(QStringLiteral("nftables"), QStringLiteral("let the replies in"),
             Sudo(QStringLiteral("nft"),
                  QStringLiteral("insert rule %1 %2 %3 iifname %4 udp dport 5433 accept")
                      .arg(verdict.family, verdict.table, verdict.baseChain, iif)));
    f.AddFix(QStringLiteral("nftables"),
             QStringLiteral("keep it after a restart: add the same rule to the ruleset file "
                            "loaded at start (/etc/nftables.conf)"));
}

} // namespace diag
