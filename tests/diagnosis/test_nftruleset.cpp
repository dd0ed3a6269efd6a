// Would the ruleset let a device's reply in: rulesets as `nft -j list ruleset`
// prints them, each with the verdict for a reply arriving on an adapter.

#include "diagnosis/nftruleset.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QHostAddress>
#include <QStringList>

using namespace diag;

namespace {

// policy drop, only established/related and loopback let in
const char kA[] =
    R"({"nftables":[{"table":{"family":"inet","name":"filter","handle":1}},{"chain":{"family":"inet","table":"filter","name":"input","handle":1,"type":"filter","hook":"input","prio":0,"policy":"drop"}},{"rule":{"family":"inet","table":"filter","chain":"input","handle":2,"expr":[{"match":{"op":"in","left":{"ct":{"key":"state"}},"right":["established","related"]}},{"accept":null}]}},{"rule":{"family":"inet","table":"filter","chain":"input","handle":3,"expr":[{"match":{"op":"==","left":{"meta":{"key":"iifname"}},"right":"lo"}},{"accept":null}]}}]})";
// policy drop, but UDP 5433 accepted
const char kB[] =
    R"({"nftables":[{"table":{"family":"inet","name":"filter","handle":1}},{"chain":{"family":"inet","table":"filter","name":"input","handle":1,"type":"filter","hook":"input","prio":0,"policy":"drop"}},{"rule":{"family":"inet","table":"filter","chain":"input","handle":3,"expr":[{"match":{"op":"==","left":{"ct":{"key":"state"}},"right":{"set":["established","related"]}}},{"accept":null}]}},{"rule":{"family":"inet","table":"filter","chain":"input","handle":4,"expr":[{"match":{"op":"==","left":{"payload":{"protocol":"udp","field":"dport"}},"right":5433}},{"accept":null}]}}]})";
// a TCP rule, a rule for another adapter, a rule for another subnet
const char kC[] =
    R"({"nftables":[{"table":{"family":"ip","name":"fw","handle":1}},{"chain":{"family":"ip","table":"fw","name":"input","handle":1,"type":"filter","hook":"input","prio":10,"policy":"accept"}},{"rule":{"family":"ip","table":"fw","chain":"input","handle":2,"expr":[{"match":{"op":"==","left":{"payload":{"protocol":"tcp","field":"dport"}},"right":5433}},{"drop":null}]}},{"rule":{"family":"ip","table":"fw","chain":"input","handle":3,"expr":[{"match":{"op":"==","left":{"meta":{"key":"iifname"}},"right":"eth9"}},{"match":{"op":"==","left":{"payload":{"protocol":"udp","field":"dport"}},"right":5433}},{"drop":null}]}},{"rule":{"family":"ip","table":"fw","chain":"input","handle":4,"expr":[{"match":{"op":"==","left":{"payload":{"protocol":"ip","field":"saddr"}},"right":{"prefix":{"addr":"192.168.0.0","len":16}}}},{"match":{"op":"==","left":{"payload":{"protocol":"udp","field":"dport"}},"right":5433}},{"reject":{"type":"icmp","expr":"port-unreachable"}}]}}]})";
// a named set accepts 5433; a second table jumps to a chain that rejects a range
const char kD[] =
    R"({"nftables":[{"table":{"family":"inet","name":"fw","handle":1}},{"set":{"family":"inet","name":"allowed","table":"fw","type":"inet_service","handle":2,"elem":[22,5433]}},{"chain":{"family":"inet","table":"fw","name":"input","handle":1,"type":"filter","hook":"input","prio":0,"policy":"drop"}},{"rule":{"family":"inet","table":"fw","chain":"input","handle":4,"expr":[{"vmap":{"key":{"ct":{"key":"state"}},"data":{"set":[["invalid",{"drop":null}],["established",{"accept":null}],["related",{"accept":null}]]}}}]}},{"rule":{"family":"inet","table":"fw","chain":"input","handle":5,"expr":[{"match":{"op":"==","left":{"payload":{"protocol":"udp","field":"dport"}},"right":"@allowed"}},{"accept":null}]}},{"table":{"family":"inet","name":"other","handle":2}},{"chain":{"family":"inet","table":"other","name":"input","handle":1,"type":"filter","hook":"input","prio":5,"policy":"accept"}},{"chain":{"family":"inet","table":"other","name":"sub","handle":2}},{"rule":{"family":"inet","table":"other","chain":"input","handle":3,"expr":[{"jump":{"target":"sub"}}]}},{"rule":{"family":"inet","table":"other","chain":"sub","handle":4,"expr":[{"match":{"op":"==","left":{"payload":{"protocol":"udp","field":"dport"}},"right":{"range":[5000,6000]}}},{"reject":{"type":"icmpx","expr":"port-unreachable"}}]}}]})";
// a match on a packet mark the model cannot know, then policy drop
const char kE[] =
    R"({"nftables":[{"table":{"family":"inet","name":"fw","handle":1}},{"chain":{"family":"inet","table":"fw","name":"input","handle":1,"type":"filter","hook":"input","prio":0,"policy":"drop"}},{"rule":{"family":"inet","table":"fw","chain":"input","handle":2,"expr":[{"match":{"op":"==","left":{"meta":{"key":"mark"}},"right":1}},{"accept":null}]}}]})";

ReplyPacket Reply(const char* interface, const char* address) {
    ReplyPacket packet;
    packet.interface = QString::fromLatin1(interface);
    packet.address = QHostAddress(QString::fromLatin1(address)).toIPv4Address();
    packet.mask = 0xFFFFFF00;
    return packet;
}

TEST(NftRuleset, VerdictForTheReply) {
    const struct {
        const char* name;
        const char* ruleset;
        const char* interface;
        const char* address;
        FirewallVerdict::Kind kind;
        bool certain;
        bool byPolicy;
        const char* table;
        const char* chain;
        qint64 handle;
    } cases[] = {
        {"established only", kA, "swpa0", "10.91.1.1", FirewallVerdict::Dropped, true, true,
         "filter", "input", -1},
        {"port accepted", kB, "swpa0", "10.91.1.1", FirewallVerdict::Accepted, true, false, "", "",
         -1},
        {"rules for others", kC, "swpa0", "10.91.1.1", FirewallVerdict::Accepted, true, false, "",
         "", -1},
        {"rule for the adapter", kC, "eth9", "10.91.1.1", FirewallVerdict::Dropped, true, false,
         "fw", "input", 3},
        {"rule for the subnet", kC, "swpa0", "192.168.1.10", FirewallVerdict::Rejected, true, false,
         "fw", "input", 4},
        {"jump in a second table", kD, "swpa0", "10.91.1.1", FirewallVerdict::Rejected, true, false,
         "other", "sub", 4},
        {"unknown match", kE, "swpa0", "10.91.1.1", FirewallVerdict::Dropped, false, true, "fw",
         "input", -1},
        {"no ruleset", "{}", "swpa0", "10.91.1.1", FirewallVerdict::Accepted, true, false, "", "",
         -1},
        {"not JSON", "table inet x", "swpa0", "10.91.1.1", FirewallVerdict::Accepted, true, false,
         "", "", -1},
    };
    for (const auto& c : cases) {
        const FirewallVerdict verdict =
            EvaluateRuleset(QJsonDocument::fromJson(c.ruleset), Reply(c.interface, c.address));
        EXPECT_EQ(c.kind, verdict.kind) << c.name;
        EXPECT_EQ(c.certain, verdict.certain) << c.name;
        if (c.kind == FirewallVerdict::Accepted)
            continue;
        EXPECT_EQ(c.byPolicy, verdict.byPolicy) << c.name;
        EXPECT_EQ(c.table, verdict.table.toStdString()) << c.name;
        EXPECT_EQ(c.chain, verdict.chain.toStdString()) << c.name;
        EXPECT_EQ(c.handle, verdict.handle) << c.name;
    }
}

// An input chain that jumps into 16 chains of 4 jumps each to the next, none
// deciding, then drops UDP 5433: 4^15 paths, each chain's verdict the same.
QJsonDocument FanOut() {
    const int chains = 16;
    const QString rule = QStringLiteral(
        R"({"rule":{"family":"inet","table":"fan","chain":"%1","handle":%2,"expr":[%3]}})");
    const QString jump = QStringLiteral(R"({"jump":{"target":"c%1"}})");
    QStringList items = {
        QStringLiteral(R"({"chain":{"family":"inet","table":"fan","name":"input","type":"filter",)"
                       R"("hook":"input","prio":0,"policy":"accept"}})"),
        rule.arg(QStringLiteral("input")).arg(1).arg(jump.arg(0)),
        rule.arg(QStringLiteral("input"))
            .arg(99)
            .arg(QStringLiteral(R"({"match":{"op":"==","left":{"payload":{"protocol":"udp",)"
                                R"("field":"dport"}},"right":5433}},{"drop":null})")),
    };
    int handle = 2;
    for (int n = 0; n < chains; ++n) {
        items << QStringLiteral(R"({"chain":{"family":"inet","table":"fan","name":"c%1"}})").arg(n);
        for (int k = 0; n + 1 < chains && k < 4; ++k)
            items << rule.arg(QStringLiteral("c%1").arg(n)).arg(handle++).arg(jump.arg(n + 1));
    }
    return QJsonDocument::fromJson(
        QStringLiteral(R"({"nftables":[%1]})").arg(items.join(QLatin1Char(','))).toUtf8());
}

TEST(NftRuleset, FanOutIsWalkedOncePerChainAndGivenUpAtTheDeadline) {
    const QJsonDocument ruleset = FanOut();
    const FirewallVerdict walked = EvaluateRuleset(ruleset, Reply("swpa0", "10.91.1.1"));
    EXPECT_TRUE(walked.complete);
    EXPECT_TRUE(walked.certain);
    EXPECT_EQ(FirewallVerdict::Dropped, walked.kind);
    EXPECT_EQ(99, walked.handle);

    const FirewallVerdict late =
        EvaluateRuleset(ruleset, Reply("swpa0", "10.91.1.1"), QDeadlineTimer(0));
    EXPECT_FALSE(late.complete);
    EXPECT_FALSE(late.certain);
}

QByteArray Captured(const char* name) {
    QFile file(QStringLiteral(RULESETS_DIR "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// What the managers write, as they wrote it in the lab (ufw enabled with its
// defaults, firewalld's default zone), and legacy tables as iptables-legacy-save
// prints them: the xtables matches of ufw's chains (address type, connection
// state, rate limits, logging) and firewalld's zone chains are understood,
// never taken for an uncertain drop.
TEST(NftRuleset, WhatTheManagersWriteIsUnderstood) {
    const QString legacyDrop =
        QStringLiteral("*filter\n:INPUT ACCEPT [0:0]\n:FORWARD ACCEPT [0:0]\n"
                       "-A INPUT -p udp -m udp --dport 5433 -j DROP\nCOMMIT\n");
    const QString legacyUfw = QStringLiteral(
        "*filter\n:INPUT DROP [0:0]\n:ufw-not-local - [0:0]\n:ufw-user-input - [0:0]\n"
        "-A INPUT -m conntrack --ctstate RELATED,ESTABLISHED -j ACCEPT\n"
        "-A INPUT -j ufw-not-local\n-A INPUT -j ufw-user-input\n"
        "-A ufw-not-local -m addrtype --dst-type LOCAL -j RETURN\n"
        "-A ufw-not-local -m limit --limit 3/min --limit-burst 10 -j LOG --log-prefix \"[UFW]\"\n"
        "-A ufw-not-local -j DROP\n"
        "-A ufw-user-input -i swpa0 -p udp -m udp --sport 5432 --dport 5433 -j ACCEPT\n"
        "-A ufw-user-input -p tcp -m multiport --dports 22,5000:6000 -j ACCEPT\nCOMMIT\n");
    const QString legacyUnknown = QStringLiteral(
        "*filter\n:INPUT DROP [0:0]\n-A INPUT -m recent --rcheck --name seen -j ACCEPT\nCOMMIT\n");
    const struct {
        const char* name;
        QJsonDocument rules;
        QString listing;
        const char* interface;
        FirewallVerdict::Kind kind;
        bool certain;
        const char* chain;
        qint64 handle;
    } cases[] = {
        {"ufw enabled", QJsonDocument::fromJson(Captured("ufw.json")),
         QString::fromUtf8(Captured("ufw.nft")), "swpa0", FirewallVerdict::Dropped, true, "INPUT",
         -1},
        {"ufw's address-type matches unread", QJsonDocument::fromJson(Captured("ufw.json")),
         QString(), "swpa0", FirewallVerdict::Dropped, false, "ufw-not-local", 72},
        {"firewalld's default zone", QJsonDocument::fromJson(Captured("firewalld.json")),
         QString::fromUtf8(Captured("firewalld.nft")), "swpa0", FirewallVerdict::Rejected, true,
         "filter_IN_public", 72},
        {"legacy drop", LegacyRuleset(legacyDrop), QString(), "swpa0", FirewallVerdict::Dropped,
         true, "INPUT", 4},
        {"legacy ufw, allowed adapter", LegacyRuleset(legacyUfw), QString(), "swpa0",
         FirewallVerdict::Accepted, true, "", -1},
        {"legacy ufw, other adapter", LegacyRuleset(legacyUfw), QString(), "swpb0",
         FirewallVerdict::Dropped, true, "INPUT", -1},
        {"legacy match not understood", LegacyRuleset(legacyUnknown), QString(), "swpa0",
         FirewallVerdict::Dropped, false, "INPUT", -1},
    };
    for (const auto& c : cases) {
        const FirewallVerdict verdict =
            EvaluateRuleset(c.rules, Reply(c.interface, "10.91.1.1"),
                            QDeadlineTimer(QDeadlineTimer::Forever), c.listing);
        EXPECT_EQ(c.kind, verdict.kind) << c.name;
        EXPECT_EQ(c.certain, verdict.certain) << c.name;
        EXPECT_EQ(c.chain, verdict.chain.toStdString()) << c.name;
        EXPECT_EQ(c.handle, verdict.handle) << c.name;
    }
    EXPECT_EQ("-A INPUT -p udp -m udp --dport 5433 -j DROP",
              LegacyRuleText(legacyDrop, 4).toStdString());
}

TEST(NftRuleset, TablesOtherProgramsManageAreKnownAndTheirWarningsLeftOut) {
    const QString output =
        QStringLiteral("# Warning: table ip filter is managed by iptables-nft, do not touch!\n"
                       "table inet own {\n}\n"
                       "# Warning: table ip6 filter is managed by iptables-nft, do not touch!\n");
    const QList<ManagedTable> managed = ManagedTables(output);
    ASSERT_EQ(2, managed.size());
    EXPECT_EQ("ip filter", managed[0].table.toStdString());
    EXPECT_EQ("iptables-nft", managed[0].manager.toStdString());
    EXPECT_EQ("table inet own {\n}\n", WithoutWarnings(output).toStdString());
}

TEST(NftRuleset, RuleTextIsFoundByTableChainAndHandle) {
    const QString listing =
        QStringLiteral("table ip fw { # handle 1\n"
                       "\tchain input { # handle 1\n"
                       "\t\ttype filter hook input priority filter + 10; policy accept;\n"
                       "\t\ttcp dport 5433 drop # handle 2\n"
                       "\t\tiifname \"eth9\" udp dport 5433 drop # handle 3\n"
                       "\t}\n"
                       "}\n"
                       "table inet fw { # handle 2\n"
                       "\tchain input { # handle 1\n"
                       "\t\tudp dport 5433 reject # handle 3\n"
                       "\t}\n"
                       "}\n");
    EXPECT_EQ("iifname \"eth9\" udp dport 5433 drop",
              RuleText(listing, "ip", "fw", "input", 3).toStdString());
    EXPECT_EQ("udp dport 5433 reject", RuleText(listing, "inet", "fw", "input", 3).toStdString());
    EXPECT_EQ("", RuleText(listing, "ip", "fw", "input", 9).toStdString());
}

} // namespace
