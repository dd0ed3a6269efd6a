// Who manages the firewall, from what any user can see and what the ruleset
// shows, and the first fix: always the manager's own command, a raw nft
// insert only into a table no manager owns.

#include "diagnosis/firewallmanager.h"
#include "diagnosis/hostfacts.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace diag;

namespace {

TEST(FirewallManager, TheManagersOwnFixComesFirst) {
    FirewallManagers plain;
    FirewallManagers ufw;
    ufw.ufwEnabled = ufw.ufwChains = true;
    ufw.managed = {{QStringLiteral("ip filter"), QStringLiteral("iptables-nft")}};
    FirewallManagers iptables;
    iptables.managed = ufw.managed;
    FirewallManagers firewalld;
    firewalld.firewalldPid = 812;
    firewalld.firewalldTable = true;
    FirewallManagers firewalldIptables = iptables;
    firewalldIptables.firewalldPid = 812;
    const QString sudo = QStringLiteral("sudo ");
    const struct {
        const char* name;
        const FirewallManagers& managers;
        const char* family;
        const char* table;
        const char* chain;
        bool legacy;
        QStringList adapters;
        Manager manager;
        QString fix;
    } cases[] = {
        {"a table of its own",
         plain,
         "inet",
         "office",
         "input",
         false,
         {"swpa0"},
         Manager::Nftables,
         sudo + SystemCommand("nft") +
             " insert rule inet office input iifname \"swpa0\" udp dport 5433 accept"},
        {"ufw's chain",
         ufw,
         "ip",
         "filter",
         "ufw-not-local",
         false,
         {"swpa0", "swpb0"},
         Manager::Ufw,
         sudo + SystemCommand("ufw") + " allow proto udp from any port 5432 to any port 5433"},
        {"ufw's policy",
         ufw,
         "ip",
         "filter",
         "INPUT",
         false,
         {"swpa0"},
         Manager::Ufw,
         sudo + SystemCommand("ufw") +
             " allow in on swpa0 proto udp from any port 5432 to any port 5433"},
        {"firewalld's zone",
         firewalld,
         "inet",
         "firewalld",
         "filter_IN_public",
         false,
         {"swpa0"},
         Manager::Firewalld,
         sudo + SystemCommand("firewall-cmd") + " --zone=public --add-port=5433/udp"},
        {"firewalld on iptables",
         firewalldIptables,
         "ip",
         "filter",
         "INPUT",
         false,
         {"swpa0"},
         Manager::Firewalld,
         sudo + SystemCommand("firewall-cmd") + " --add-port=5433/udp"},
        {"iptables-nft",
         iptables,
         "ip",
         "filter",
         "INPUT",
         false,
         {"swpa0"},
         Manager::IptablesNft,
         sudo + SystemCommand("iptables-nft") + " -I INPUT -i swpa0 -p udp --dport 5433 -j ACCEPT"},
        {"legacy iptables",
         plain,
         "ip",
         "filter",
         "INPUT",
         true,
         {"swpa0", "swpb0"},
         Manager::IptablesLegacy,
         sudo + SystemCommand("iptables-legacy") + " -I INPUT -p udp --dport 5433 -j ACCEPT"},
    };
    for (const auto& c : cases) {
        FirewallVerdict verdict;
        verdict.family = QLatin1String(c.family);
        verdict.table = QLatin1String(c.table);
        verdict.chain = QLatin1String(c.chain);
        verdict.baseChain = c.legacy || QLatin1String(c.family) == QLatin1String("ip")
                                ? QStringLiteral("INPUT")
                                : QStringLiteral("input");
        const Manager manager =
            c.managers.Of(verdict.family, verdict.table, verdict.chain, c.legacy);
        EXPECT_EQ(c.manager, manager) << c.name;
        Finding finding;
        AddFirewallFixes(finding, manager, verdict, c.adapters);
        ASSERT_FALSE(finding.fixes.isEmpty()) << c.name;
        EXPECT_EQ(c.fix.toStdString(), finding.fixes.first().command.toStdString()) << c.name;
        for (const Fix& fix : finding.fixes) {
            if (!fix.command.isEmpty()) {
                EXPECT_EQ(manager == Manager::Nftables, fix.command.contains("nft insert"))
                    << c.name;
            }
        }
    }
}

// ufw is on by its configuration; firewalld runs when its process does (a
// folder it left in /run says nothing).
TEST(FirewallManager, UfwAndFirewalldAreSeenWithoutRoot) {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& text) {
        QDir(dir.path()).mkpath(QFileInfo(dir.filePath(name)).path());
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write("proc/41/comm", "bash\n");
    write("ufw.conf", "# comment\nENABLED=no\n");
    FirewallManagers none = FirewallManagers::Read(dir.filePath("proc"), dir.filePath("ufw.conf"));
    EXPECT_FALSE(none.ufwEnabled);
    EXPECT_EQ(0, none.firewalldPid);
    EXPECT_TRUE(none.Seen().isEmpty());

    write("proc/812/comm", "firewalld\n");
    write("proc/net/ip_tables_names", "");
    write("ufw.conf", "ENABLED=yes\n");
    FirewallManagers both = FirewallManagers::Read(dir.filePath("proc"), dir.filePath("ufw.conf"));
    EXPECT_TRUE(both.ufwEnabled);
    EXPECT_EQ(812, both.firewalldPid);
    EXPECT_TRUE(both.legacyTables);
    EXPECT_EQ(QStringList({"ufw (enabled in /etc/ufw/ufw.conf)", "firewalld (running, pid 812)"}),
              both.Seen());
}

} // namespace
