#pragma once
// Which program manages the firewall, and its own command for letting the
// devices' replies in. A rule written into a table that ufw, firewalld or
// iptables manage is gone at that program's next reload, and nft itself
// warns against touching such a table: the fix given first is always the
// manager's, a raw `nft insert` only where no manager owns the table.

#include "diagnosis/finding.h"
#include "diagnosis/nftruleset.h"

#include <QJsonDocument>
#include <QList>
#include <QString>
#include <QStringList>

namespace diag {

enum class Manager { Nftables, Ufw, Firewalld, IptablesNft, IptablesLegacy };

// What tells the managers apart, read by any user (/etc/ufw, the process
// table) and, when it could be listed, from the ruleset.
struct FirewallManagers {
    bool ufwEnabled = false;      // /etc/ufw/ufw.conf says ENABLED=yes
    bool ufwChains = false;       // ufw's chains are in the nftables ruleset
    bool ufwLegacyChains = false; // ... or in the legacy tables
    int firewalldPid = 0;         // the running firewalld; 0 when none runs
    bool firewalldTable = false;  // table inet firewalld is in the ruleset
    QList<ManagedTable> managed;  // tables nft says another program manages
    bool legacyTables = false;    // /proc/net/ip_tables_names is there (legacy tables may exist)

    // Reads what needs no ruleset: ufw's state, firewalld's process.
    static FirewallManagers Read(const QString& procRoot = QStringLiteral("/proc"),
                                 const QString& ufwConf = QStringLiteral("/etc/ufw/ufw.conf"));
    // Adds what the ruleset and nft's warnings (its standard error) show.
    void ReadRuleset(const QJsonDocument& ruleset, const QString& nftWarnings);
    // "ufw (enabled)", "firewalld (running, pid 812)" ...; empty when none.
    QStringList Seen() const;
    // The manager of the table family/table whose chain decided.
    Manager Of(const QString& family, const QString& table, const QString& chain,
               bool legacy) const;
};

// The fixes for a reply the firewall drops on adapters, the manager's first.
// baseChain and family/table are the verdict's.
void AddFirewallFixes(Finding& finding, Manager manager, const FirewallVerdict& verdict,
                      const QStringList& adapters);
const char* ManagerName(Manager manager);

} // namespace diag
