#include "diagnosis/nftruleset.h"

#include <QHash>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <vector>

namespace diag {

namespace {

// Three-valued truth of one match.
enum class Truth { No, Yes, Unknown };

struct Chain {
    QString family;
    QString table;
    QString name;
    QString hook;
    int priority = 0;
    QString policy;
    bool base = false;
};

struct Rule {
    QString family;
    QString table;
    QString chain;
    qint64 handle = -1;
    QJsonArray expr;
};

QString Key(const QString& family, const QString& table, const QString& name) {
    return family + QLatin1Char('\x1f') + table + QLatin1Char('\x1f') + name;
}

class CEvaluator {
public:
    CEvaluator(const QJsonDocument& ruleset, const ReplyPacket& packet, QDeadlineTimer deadline,
               const QString& listing)
        : m_Packet(packet), m_Deadline(deadline) {
        ReadListing(listing);
        for (const QJsonValue& item :
             ruleset.object().value(QStringLiteral("nftables")).toArray()) {
            const QJsonObject object = item.toObject();
            if (object.contains(QStringLiteral("chain")))
                AddChain(object.value(QStringLiteral("chain")).toObject());
            else if (object.contains(QStringLiteral("rule")))
                AddRule(object.value(QStringLiteral("rule")).toObject());
            else if (object.contains(QStringLiteral("set")))
                AddSet(object.value(QStringLiteral("set")).toObject());
        }
        for (size_t n = 0; n < m_Chains.size(); ++n) {
            const QString key = Key(m_Chains[n].family, m_Chains[n].table, m_Chains[n].name);
            if (!m_ChainIndex.contains(key)) // the first of a name, as nft lists it
                m_ChainIndex.insert(key, n);
        }
    }

    FirewallVerdict Run() {
        std::vector<const Chain*> bases;
        for (const Chain& chain : m_Chains)
            if (chain.base &&
                (chain.family == QLatin1String("ip") || chain.family == QLatin1String("inet")) &&
                (chain.hook == QLatin1String("input") || chain.hook == QLatin1String("prerouting")))
                bases.push_back(&chain);
        std::stable_sort(bases.begin(), bases.end(), [](const Chain* a, const Chain* b) {
            const bool aPre = a->hook == QLatin1String("prerouting");
            const bool bPre = b->hook == QLatin1String("prerouting");
            if (aPre != bPre)
                return aPre;
            return a->priority < b->priority;
        });
        FirewallVerdict verdict;
        for (const Chain* base : bases) {
            FirewallVerdict step;
            step.family = base->family;
            step.table = base->table;
            step.baseChain = base->name;
            const Outcome outcome = Walk(*base, step, 0);
            if (m_OutOfTime) {
                verdict.certain = false;
                verdict.complete = false;
                return verdict;
            }
            verdict.certain = verdict.certain && step.certain;
            if (outcome == Outcome::Continue && base->policy == QLatin1String("drop")) {
                step.kind = FirewallVerdict::Dropped;
                step.byPolicy = true;
                step.chain = base->name;
                step.certain = verdict.certain;
                return step;
            }
            if (outcome == Outcome::Drop || outcome == Outcome::Reject) {
                step.kind =
                    outcome == Outcome::Drop ? FirewallVerdict::Dropped : FirewallVerdict::Rejected;
                step.certain = verdict.certain;
                return step;
            }
        }
        return verdict;
    }

private:
    enum class Outcome { Continue, Accept, Drop, Reject, Return };

    void AddChain(const QJsonObject& o) {
        Chain chain;
        chain.family = o.value(QStringLiteral("family")).toString();
        chain.table = o.value(QStringLiteral("table")).toString();
        chain.name = o.value(QStringLiteral("name")).toString();
        chain.base = o.contains(QStringLiteral("hook"));
        chain.hook = o.value(QStringLiteral("hook")).toString();
        chain.priority = o.value(QStringLiteral("prio")).toInt();
        chain.policy = o.value(QStringLiteral("policy")).toString(QStringLiteral("accept"));
        if (o.value(QStringLiteral("type")).toString(QStringLiteral("filter")) ==
            QLatin1String("filter"))
            m_Chains.push_back(chain);
        else if (!chain.base)
            m_Chains.push_back(chain);
    }

    void AddRule(const QJsonObject& o) {
        Rule rule;
        rule.family = o.value(QStringLiteral("family")).toString();
        rule.table = o.value(QStringLiteral("table")).toString();
        rule.chain = o.value(QStringLiteral("chain")).toString();
        rule.handle = o.value(QStringLiteral("handle")).toInteger(-1);
        rule.expr = o.value(QStringLiteral("expr")).toArray();
        m_Rules[Key(rule.family, rule.table, rule.chain)].push_back(rule);
    }

    void AddSet(const QJsonObject& o) {
        if (!o.contains(QStringLiteral("elem")))
            return;
        m_Sets.insert(Key(o.value(QStringLiteral("family")).toString(),
                          o.value(QStringLiteral("table")).toString(),
                          o.value(QStringLiteral("name")).toString()),
                      o.value(QStringLiteral("elem")).toArray());
    }

    // What a walk of one chain gave for the packet.
    struct Walked {
        Outcome outcome = Outcome::Continue;
        bool certain = true;
        QString chain; // of the deciding rule, when the outcome decides
        qint64 handle = -1;
    };

    static bool Decides(Outcome outcome) {
        return outcome == Outcome::Accept || outcome == Outcome::Drop || outcome == Outcome::Reject;
    }

    Outcome Walk(const Chain& chain, FirewallVerdict& step, int depth) {
        const QString key = Key(chain.family, chain.table, chain.name);
        if (const auto known = m_Walked.constFind(key); known != m_Walked.cend()) {
            step.certain = step.certain && known->certain;
            if (Decides(known->outcome)) {
                step.chain = known->chain;
                step.handle = known->handle;
            }
            return known->outcome;
        }
        // A loop (nft refuses one, a hostile listing may hold one) or a
        // very deep walk: not followed, and the verdict is uncertain.
        if (depth > 16 || m_Walking.contains(key)) {
            step.certain = false;
            return Outcome::Continue;
        }
        m_Walking.insert(key);
        const bool certainBefore = step.certain;
        step.certain = true;
        Outcome result = Outcome::Continue;
        const auto it = m_Rules.constFind(key);
        if (it != m_Rules.cend()) {
            for (const Rule& rule : *it) {
                if (m_OutOfTime || (m_OutOfTime = m_Deadline.hasExpired()))
                    break;
                const Outcome outcome = RunRule(chain, rule, step, depth);
                if (outcome != Outcome::Continue) {
                    result = outcome == Outcome::Return ? Outcome::Continue : outcome;
                    break;
                }
            }
        }
        m_Walking.remove(key);
        if (!m_OutOfTime)
            m_Walked.insert(key, {result, step.certain, Decides(result) ? step.chain : QString(),
                                  Decides(result) ? step.handle : -1});
        step.certain = certainBefore && step.certain;
        return result;
    }

    Outcome Decided(Outcome outcome, const Chain& chain, const Rule& rule, FirewallVerdict& step) {
        step.chain = chain.name;
        step.handle = rule.handle;
        return outcome;
    }

    Outcome RunRule(const Chain& chain, const Rule& rule, FirewallVerdict& step, int depth) {
        bool unsure = false;
        for (const QJsonValue& value : rule.expr) {
            const QJsonObject statement = value.toObject();
            const QString kind = statement.keys().value(0);
            const QJsonValue body = statement.value(kind);
            if (kind == QLatin1String("match")) {
                const Truth truth = Match(body.toObject(), chain);
                if (truth == Truth::No)
                    return Outcome::Continue;
                unsure = unsure || truth == Truth::Unknown;
                continue;
            }
            if (kind == QLatin1String("xt")) {
                const QJsonObject xt = body.toObject();
                const QString name = xt.value(QStringLiteral("name")).toString();
                if (xt.value(QStringLiteral("type")).toString() == QLatin1String("match")) {
                    const Truth truth = XtMatch(name, rule);
                    if (truth == Truth::No)
                        return Outcome::Continue;
                    unsure = unsure || truth == Truth::Unknown;
                    continue;
                }
                if (name == QLatin1String("REJECT"))
                    return Verdict(QJsonObject{{QStringLiteral("reject"), QJsonValue()}}, chain,
                                   rule, step, depth, unsure);
                // LOG and the like only look; another target may decide.
                unsure = unsure || name != QLatin1String("LOG");
                continue;
            }
            if (kind == QLatin1String("counter") || kind == QLatin1String("log") ||
                kind == QLatin1String("comment") || kind == QLatin1String("limit") ||
                kind == QLatin1String("mangle") || kind == QLatin1String("notrack"))
                continue;
            if (kind == QLatin1String("vmap")) {
                const QJsonObject map = body.toObject();
                const QJsonArray entries = map.value(QStringLiteral("data"))
                                               .toObject()
                                               .value(QStringLiteral("set"))
                                               .toArray();
                for (const QJsonValue& entry : entries) {
                    const QJsonArray pair = entry.toArray();
                    const Truth truth = Compare(map.value(QStringLiteral("key")).toObject(),
                                                QStringLiteral("=="), pair.at(0), chain);
                    if (truth == Truth::No)
                        continue;
                    if (truth == Truth::Unknown || unsure) {
                        step.certain = false;
                        continue;
                    }
                    return Verdict(pair.at(1).toObject(), chain, rule, step, depth);
                }
                return Outcome::Continue;
            }
            const Outcome outcome = Verdict(statement, chain, rule, step, depth, unsure);
            if (outcome != Outcome::Continue || IsVerdict(kind))
                return outcome;
            // A statement the model does not know: it may match or not.
            unsure = true;
        }
        return Outcome::Continue;
    }

    static bool IsVerdict(const QString& kind) {
        static const QStringList kVerdicts = {QStringLiteral("accept"),   QStringLiteral("drop"),
                                              QStringLiteral("reject"),   QStringLiteral("jump"),
                                              QStringLiteral("goto"),     QStringLiteral("return"),
                                              QStringLiteral("continue"), QStringLiteral("queue")};
        return kVerdicts.contains(kind);
    }

    Outcome Verdict(const QJsonObject& statement, const Chain& chain, const Rule& rule,
                    FirewallVerdict& step, int depth, bool unsure = false) {
        const QString kind = statement.keys().value(0);
        if (!IsVerdict(kind))
            return Outcome::Continue;
        if (unsure) {
            // The rule may or may not apply: go on as if it did not.
            step.certain = false;
            return Outcome::Continue;
        }
        if (kind == QLatin1String("accept"))
            return Decided(Outcome::Accept, chain, rule, step);
        if (kind == QLatin1String("drop") || kind == QLatin1String("queue"))
            return Decided(Outcome::Drop, chain, rule, step);
        if (kind == QLatin1String("reject"))
            return Decided(Outcome::Reject, chain, rule, step);
        if (kind == QLatin1String("return"))
            return Outcome::Return;
        if (kind == QLatin1String("continue"))
            return Outcome::Continue;
        const QString target =
            statement.value(kind).toObject().value(QStringLiteral("target")).toString();
        const auto other = m_ChainIndex.constFind(Key(chain.family, chain.table, target));
        if (other == m_ChainIndex.cend()) {
            step.certain = false;
            return Outcome::Continue;
        }
        const Outcome outcome = Walk(m_Chains[*other], step, depth + 1);
        if (kind == QLatin1String("goto") && outcome == Outcome::Continue)
            return Outcome::Return; // the calling chain ends there
        return outcome;
    }

    Truth Match(const QJsonObject& match, const Chain& chain) {
        return Compare(match.value(QStringLiteral("left")).toObject(),
                       match.value(QStringLiteral("op")).toString(QStringLiteral("==")),
                       match.value(QStringLiteral("right")), chain);
    }

    // What the packet has for a left-hand expression: numbers, texts or an
    // address; Unknown when the model does not know it.
    struct Field {
        bool known = false;
        bool isAddress = false; // a source address somewhere in the subnet
        QJsonValue value;
        bool wrongProtocol = false; // a TCP header field on a UDP packet: the rule cannot match
        bool noFlags = false;       // a flag set with none of the flags set
    };

    // The reply is addressed to the adapter (local) from a device (unicast).
    static QString AddressType(bool destination) {
        return destination ? QStringLiteral("local") : QStringLiteral("unicast");
    }

    // An xtables match read from the rule's text, as nft translates it.
    Truth XtMatch(const QString& name, const Rule& rule) const {
        if (name == QLatin1String("comment") || name == QLatin1String("limit"))
            return Truth::Yes;
        const QString text = m_Texts.value(Key(rule.family, rule.table, rule.chain) +
                                           QLatin1Char('\x1f') + QString::number(rule.handle));
        if (text.isEmpty())
            return Truth::Unknown;
        static const QRegularExpression kFib(
            QStringLiteral("\\bfib (daddr|saddr) type (!= )?(\\{[^}]*\\}|\\S+)"));
        static const QRegularExpression kState(
            QStringLiteral("\\bct state (!= )?(\\{[^}]*\\}|\\S+)"));
        static const QRegularExpression kPkttype(
            QStringLiteral("\\bpkttype (!= )?(\\{[^}]*\\}|\\S+)"));
        const auto in = [](const QString& list, const QString& value, bool negated) {
            QString items = list;
            items.remove(QLatin1Char('{'))
                .remove(QLatin1Char('}'))
                .replace(QLatin1Char(','), QLatin1Char(' '));
            const bool found = items.split(QLatin1Char(' '), Qt::SkipEmptyParts).contains(value);
            return found != negated ? Truth::Yes : Truth::No;
        };
        QRegularExpressionMatch match;
        if (name == QLatin1String("addrtype")) {
            Truth truth = Truth::Unknown;
            auto all = kFib.globalMatch(text);
            while (all.hasNext()) {
                match = all.next();
                const Truth one =
                    in(match.captured(3), AddressType(match.captured(1) == QLatin1String("daddr")),
                       !match.captured(2).isEmpty());
                if (one == Truth::No)
                    return Truth::No;
                truth = one;
            }
            return truth;
        }
        if ((name == QLatin1String("conntrack") || name == QLatin1String("state")) &&
            (match = kState.match(text)).hasMatch() && !text.contains(QLatin1String("ct status")) &&
            !text.contains(QLatin1String("ct direction")))
            return in(match.captured(2), QStringLiteral("new"), !match.captured(1).isEmpty());
        if (name == QLatin1String("pkttype") && (match = kPkttype.match(text)).hasMatch())
            return in(match.captured(2), QStringLiteral("host"), !match.captured(1).isEmpty());
        return Truth::Unknown;
    }

    // Rule texts of the listing by table, chain and handle.
    void ReadListing(const QString& listing) {
        QString table;
        QString chain;
        static const QRegularExpression kHandle(QStringLiteral("^(.*) # handle (\\d+)$"));
        for (const QString& raw : listing.split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.startsWith(QLatin1String("table "))) {
                const QStringList parts = line.split(QLatin1Char(' '));
                table = parts.size() >= 3 ? parts[1] + QLatin1Char('\x1f') + parts[2] : QString();
                chain.clear();
            } else if (line.startsWith(QLatin1String("chain "))) {
                chain = line.section(QLatin1Char(' '), 1, 1);
            } else if (!table.isEmpty() && !chain.isEmpty()) {
                const QRegularExpressionMatch match = kHandle.match(line);
                if (match.hasMatch())
                    m_Texts.insert(table + QLatin1Char('\x1f') + chain + QLatin1Char('\x1f') +
                                       match.captured(2),
                                   match.captured(1));
            }
        }
    }

    Field Lookup(const QJsonObject& left) const {
        Field field;
        if (left.contains(QStringLiteral("payload"))) {
            const QJsonObject p = left.value(QStringLiteral("payload")).toObject();
            const QString protocol = p.value(QStringLiteral("protocol")).toString();
            const QString name = p.value(QStringLiteral("field")).toString();
            if (protocol == QLatin1String("udp") || protocol == QLatin1String("th")) {
                if (name == QLatin1String("dport"))
                    return Known(m_Packet.port);
                if (name == QLatin1String("sport"))
                    return Known(m_Packet.sourcePort);
                return field;
            }
            if (protocol == QLatin1String("ip")) {
                if (name == QLatin1String("protocol"))
                    return Known(QStringLiteral("udp"));
                if (name == QLatin1String("daddr"))
                    return Known(QHostAddress(m_Packet.address).toString());
                if (name == QLatin1String("saddr")) {
                    field.isAddress = true;
                    field.known = true;
                }
                return field;
            }
            field.wrongProtocol =
                protocol == QLatin1String("tcp") || protocol == QLatin1String("icmp") ||
                protocol == QLatin1String("ip6") || protocol == QLatin1String("sctp") ||
                protocol == QLatin1String("icmpv6");
            return field;
        }
        if (left.contains(QStringLiteral("meta"))) {
            const QString key = left.value(QStringLiteral("meta"))
                                    .toObject()
                                    .value(QStringLiteral("key"))
                                    .toString();
            if (key == QLatin1String("l4proto"))
                return Known(QStringLiteral("udp"));
            if (key == QLatin1String("iifname") || key == QLatin1String("iif"))
                return Known(m_Packet.interface);
            if (key == QLatin1String("nfproto"))
                return Known(QStringLiteral("ipv4"));
            if (key == QLatin1String("protocol"))
                return Known(QStringLiteral("ip"));
            if (key == QLatin1String("pkttype"))
                return Known(QStringLiteral("host"));
            return field;
        }
        if (left.contains(QStringLiteral("fib"))) {
            const QJsonObject fib = left.value(QStringLiteral("fib")).toObject();
            const QString result = fib.value(QStringLiteral("result")).toString();
            const QJsonArray flags = fib.value(QStringLiteral("flags")).toArray();
            if (result == QLatin1String("type"))
                return Known(AddressType(flags.contains(QStringLiteral("daddr"))));
            // fib saddr . iif oif: the route back to a sender of the
            // adapter's own subnet leaves through the adapter.
            if (result == QLatin1String("oif") || result == QLatin1String("oifname"))
                return flags.contains(QStringLiteral("saddr")) ? Known(m_Packet.interface) : field;
            return field;
        }
        if (left.contains(QStringLiteral("ct"))) {
            const QString key =
                left.value(QStringLiteral("ct")).toObject().value(QStringLiteral("key")).toString();
            if (key == QLatin1String("state"))
                return Known(QStringLiteral("new"));
            if (key == QLatin1String("status")) {
                field.known = true;
                field.noFlags = true; // a new connection: not natted, not confirmed ...
            }
            return field;
        }
        return field;
    }

    static Field Known(const QJsonValue& value) {
        Field field;
        field.known = true;
        field.value = value;
        return field;
    }

    // Whether one right-hand element holds the field's value.
    Truth Holds(const Field& field, const QJsonValue& right) const {
        if (right.isArray()) { // flags: ct state { established, related } in list form
            Truth truth = Truth::No;
            for (const QJsonValue& element : right.toArray()) {
                const Truth one = Holds(field, element);
                if (one == Truth::Yes)
                    return Truth::Yes;
                if (one == Truth::Unknown)
                    truth = Truth::Unknown;
            }
            return truth;
        }
        const QJsonObject object = right.toObject();
        if (object.contains(QStringLiteral("set")))
            return Holds(field, object.value(QStringLiteral("set")));
        if (field.isAddress)
            return SubnetIn(right);
        if (object.contains(QStringLiteral("range"))) {
            const QJsonArray range = object.value(QStringLiteral("range")).toArray();
            if (!field.value.isDouble() || !range.at(0).isDouble() || !range.at(1).isDouble())
                return Truth::Unknown;
            const double v = field.value.toDouble();
            return v >= range.at(0).toDouble() && v <= range.at(1).toDouble() ? Truth::Yes
                                                                              : Truth::No;
        }
        if (!object.isEmpty())
            return Truth::Unknown;
        if (field.value.isDouble() && right.isDouble())
            return field.value.toDouble() == right.toDouble() ? Truth::Yes : Truth::No;
        if (field.value.isDouble() && right.isString()) {
            // a service name such as "domain": compare known ones only
            return Truth::Unknown;
        }
        if (field.value.isString() && right.isString()) {
            QString pattern = right.toString();
            if (pattern.endsWith(QLatin1Char('*')))
                return field.value.toString().startsWith(pattern.chopped(1)) ? Truth::Yes
                                                                             : Truth::No;
            return field.value.toString() == pattern ? Truth::Yes : Truth::No;
        }
        return Truth::Unknown;
    }

    // The source is somewhere in the adapter's subnet: inside a prefix that
    // covers the subnet, outside one disjoint from it, unknown otherwise.
    Truth SubnetIn(const QJsonValue& right) const {
        uint32_t address = 0;
        int length = 32;
        const QJsonObject object = right.toObject();
        if (right.isString()) {
            address = QHostAddress(right.toString()).toIPv4Address();
        } else if (object.contains(QStringLiteral("prefix"))) {
            const QJsonObject prefix = object.value(QStringLiteral("prefix")).toObject();
            address = QHostAddress(prefix.value(QStringLiteral("addr")).toString()).toIPv4Address();
            length = prefix.value(QStringLiteral("len")).toInt();
        } else {
            return Truth::Unknown;
        }
        const uint32_t ruleMask = length <= 0 ? 0 : ~uint32_t(0) << (32 - std::min(length, 32));
        const uint32_t subnet = m_Packet.address & m_Packet.mask;
        const uint32_t wider = ruleMask & m_Packet.mask; // the shorter of the two masks
        if ((subnet & wider) != (address & wider))
            return Truth::No;
        return ruleMask == wider ? Truth::Yes : Truth::Unknown;
    }

    Truth Compare(const QJsonObject& left, const QString& op, const QJsonValue& right,
                  const Chain& chain) const {
        const Field field = Lookup(left);
        if (field.wrongProtocol)
            return Truth::No;
        if (!field.known)
            return Truth::Unknown;
        if (field.noFlags)
            return op == QLatin1String("!=") ? Truth::Yes : Truth::No;
        QJsonValue wanted = right;
        if (right.isString() && right.toString().startsWith(QLatin1Char('@'))) {
            const auto set =
                m_Sets.constFind(Key(chain.family, chain.table, right.toString().mid(1)));
            if (set == m_Sets.cend())
                return Truth::Unknown;
            wanted = *set;
        }
        Truth truth = Holds(field, wanted);
        if (op == QLatin1String("!=")) {
            if (truth == Truth::Yes)
                truth = Truth::No;
            else if (truth == Truth::No)
                truth = Truth::Yes;
        } else if (op != QLatin1String("==") && op != QLatin1String("in")) {
            truth = Truth::Unknown;
        }
        return truth;
    }

    ReplyPacket m_Packet;
    QDeadlineTimer m_Deadline;
    bool m_OutOfTime = false;
    QHash<QString, Walked> m_Walked;
    QSet<QString> m_Walking;
    QHash<QString, size_t> m_ChainIndex;
    std::vector<Chain> m_Chains;
    QMap<QString, std::vector<Rule>> m_Rules;
    QMap<QString, QJsonArray> m_Sets;
    QHash<QString, QString> m_Texts;
};

// One iptables rule's options as nft JSON statements. Returns false for an
// option it cannot read: the rule then holds a match that cannot be decided.
class CLegacyRule {
public:
    explicit CLegacyRule(const QStringList& words) : m_Words(words) {}

    QJsonArray Statements() {
        QJsonArray expr;
        bool negate = false;
        for (m_At = 2; m_At < m_Words.size(); ++m_At) {
            const QString word = m_Words[m_At];
            if (word == QLatin1String("!")) {
                negate = true;
                continue;
            }
            const QString op = negate ? QStringLiteral("!=") : QStringLiteral("==");
            negate = false;
            if (word == QLatin1String("-j") || word == QLatin1String("-g")) {
                const QString target = Next();
                if (target == QLatin1String("ACCEPT"))
                    expr.append(QJsonObject{{QStringLiteral("accept"), QJsonValue()}});
                else if (target == QLatin1String("DROP"))
                    expr.append(QJsonObject{{QStringLiteral("drop"), QJsonValue()}});
                else if (target == QLatin1String("REJECT"))
                    expr.append(QJsonObject{{QStringLiteral("reject"), QJsonValue()}});
                else if (target == QLatin1String("RETURN"))
                    expr.append(QJsonObject{{QStringLiteral("return"), QJsonValue()}});
                else if (target == QLatin1String("LOG") || target == QLatin1String("NFLOG"))
                    expr.append(QJsonObject{{QStringLiteral("log"), QJsonObject()}});
                else if (!target.isEmpty() && target == target.toUpper() &&
                         !target.contains(QLatin1Char('-')))
                    expr.append(Xt(QStringLiteral("target"), target)); // MARK, NFQUEUE ...
                else
                    expr.append(QJsonObject{{word == QLatin1String("-j") ? QStringLiteral("jump")
                                                                         : QStringLiteral("goto"),
                                             QJsonObject{{QStringLiteral("target"), target}}}});
                break; // what follows belongs to the target
            }
            if (word == QLatin1String("-m")) {
                const QString module = Next();
                if (module != QLatin1String("udp") && module != QLatin1String("tcp") &&
                    module != QLatin1String("comment") && module != QLatin1String("limit") &&
                    module != QLatin1String("multiport") && module != QLatin1String("conntrack") &&
                    module != QLatin1String("state") && module != QLatin1String("addrtype") &&
                    module != QLatin1String("pkttype") && module != QLatin1String("icmp"))
                    expr.append(Xt(QStringLiteral("match"), module));
                continue;
            }
            if (word == QLatin1String("-i"))
                expr.append(Match(op, Meta(QStringLiteral("iifname")), Interface(Next())));
            else if (word == QLatin1String("-o"))
                Next(); // no output interface on the way in
            else if (word == QLatin1String("-p"))
                expr.append(Protocol(op, Next()));
            else if (word == QLatin1String("-s") || word == QLatin1String("-d"))
                expr.append(Match(op,
                                  Payload(QStringLiteral("ip"), word == QLatin1String("-s")
                                                                    ? QStringLiteral("saddr")
                                                                    : QStringLiteral("daddr")),
                                  Prefix(Next())));
            else if (word == QLatin1String("--dport") || word == QLatin1String("--sport"))
                expr.append(Match(op, Payload(m_Protocol, word.mid(2)), Ports(Next())));
            else if (word == QLatin1String("--dports") || word == QLatin1String("--sports"))
                expr.append(Match(op, Payload(m_Protocol, word.mid(2).chopped(1)), Ports(Next())));
            else if (word == QLatin1String("--ctstate") || word == QLatin1String("--state"))
                expr.append(Match(
                    op,
                    QJsonObject{{QStringLiteral("ct"),
                                 QJsonObject{{QStringLiteral("key"), QStringLiteral("state")}}}},
                    List(Next().toLower())));
            else if (word == QLatin1String("--dst-type") || word == QLatin1String("--src-type"))
                expr.append(Match(
                    op,
                    QJsonObject{{QStringLiteral("fib"),
                                 QJsonObject{{QStringLiteral("result"), QStringLiteral("type")},
                                             {QStringLiteral("flags"),
                                              QJsonArray{word == QLatin1String("--dst-type")
                                                             ? QStringLiteral("daddr")
                                                             : QStringLiteral("saddr")}}}}},
                    List(Next().toLower())));
            else if (word == QLatin1String("--pkt-type"))
                expr.append(Match(op, Meta(QStringLiteral("pkttype")), List(Next())));
            else if (word == QLatin1String("--comment"))
                SkipQuoted();
            else if (word == QLatin1String("--limit") || word == QLatin1String("--limit-burst") ||
                     word == QLatin1String("--icmp-type"))
                Next();
            else
                expr.append(Xt(QStringLiteral("match"), word));
        }
        return expr;
    }

private:
    QString Next() { return ++m_At < m_Words.size() ? m_Words[m_At] : QString(); }

    void SkipQuoted() {
        QString word = Next();
        if (!word.startsWith(QLatin1Char('"')))
            return;
        while (!(word.size() > 1 && word.endsWith(QLatin1Char('"'))) && m_At + 1 < m_Words.size())
            word = Next();
    }

    static QJsonObject Xt(const QString& type, const QString& name) {
        return QJsonObject{{QStringLiteral("xt"), QJsonObject{{QStringLiteral("type"), type},
                                                              {QStringLiteral("name"), name}}}};
    }
    static QJsonObject Match(const QString& op, const QJsonObject& left, const QJsonValue& right) {
        return QJsonObject{
            {QStringLiteral("match"), QJsonObject{{QStringLiteral("op"), op},
                                                  {QStringLiteral("left"), left},
                                                  {QStringLiteral("right"), right}}}};
    }
    static QJsonObject Meta(const QString& key) {
        return QJsonObject{{QStringLiteral("meta"), QJsonObject{{QStringLiteral("key"), key}}}};
    }
    static QJsonObject Payload(const QString& protocol, const QString& field) {
        return QJsonObject{
            {QStringLiteral("payload"), QJsonObject{{QStringLiteral("protocol"), protocol},
                                                    {QStringLiteral("field"), field}}}};
    }
    static QJsonValue Interface(QString name) {
        if (name.endsWith(QLatin1Char('+')))
            name = name.chopped(1) + QLatin1Char('*');
        return name;
    }
    static QJsonValue List(const QString& items) {
        QJsonArray list;
        for (const QString& item : items.split(QLatin1Char(','), Qt::SkipEmptyParts))
            list.append(item);
        return QJsonObject{{QStringLiteral("set"), list}};
    }
    static QJsonValue Prefix(const QString& text) {
        const QString address = text.section(QLatin1Char('/'), 0, 0);
        bool ok = false;
        const int length = text.section(QLatin1Char('/'), 1, 1).toInt(&ok);
        if (!ok)
            return address;
        return QJsonObject{
            {QStringLiteral("prefix"),
             QJsonObject{{QStringLiteral("addr"), address}, {QStringLiteral("len"), length}}}};
    }
    static QJsonValue Ports(const QString& text) {
        QJsonArray ports;
        for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const QStringList ends = item.split(QLatin1Char(':'));
            bool ok = false;
            const int first = ends[0].toInt(&ok);
            if (!ok)
                return QStringLiteral("%1").arg(item); // a service name: not decided
            if (ends.size() == 2)
                ports.append(
                    QJsonObject{{QStringLiteral("range"),
                                 QJsonArray{first, ends[1].isEmpty() ? 65535 : ends[1].toInt()}}});
            else
                ports.append(first);
        }
        return ports.size() == 1 ? ports.at(0)
                                 : QJsonValue(QJsonObject{{QStringLiteral("set"), ports}});
    }
    QJsonObject Protocol(const QString& op, const QString& name) {
        m_Protocol = name == QLatin1String("udp") || name == QLatin1String("tcp")
                         ? name
                         : QStringLiteral("th");
        if (name == QLatin1String("all") || name == QLatin1String("0"))
            return QJsonObject{{QStringLiteral("counter"), QJsonValue()}};
        return Match(op, Meta(QStringLiteral("l4proto")), name);
    }

    QStringList m_Words;
    qsizetype m_At = 0;
    QString m_Protocol = QStringLiteral("th");
};

} // namespace

QJsonDocument LegacyRuleset(const QString& save) {
    // The base chains of iptables, at their hooks and priorities.
    static const struct {
        const char* table;
        const char* chain;
        const char* hook;
        int priority;
    } kBases[] = {{"raw", "PREROUTING", "prerouting", -300},
                  {"mangle", "PREROUTING", "prerouting", -150},
                  {"mangle", "INPUT", "input", -150},
                  {"filter", "INPUT", "input", 0},
                  {"security", "INPUT", "input", 50}};
    QJsonArray items;
    QString table;
    const QStringList lines = save.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.startsWith(QLatin1Char('*'))) {
            table = line.mid(1);
        } else if (line.startsWith(QLatin1Char(':'))) {
            const QStringList words = line.mid(1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (words.isEmpty())
                continue;
            QJsonObject chain{{QStringLiteral("family"), QStringLiteral("ip")},
                              {QStringLiteral("table"), table},
                              {QStringLiteral("name"), words[0]}};
            for (const auto& base : kBases)
                if (table == QLatin1String(base.table) && words[0] == QLatin1String(base.chain)) {
                    chain.insert(QStringLiteral("type"), QStringLiteral("filter"));
                    chain.insert(QStringLiteral("hook"), QLatin1String(base.hook));
                    chain.insert(QStringLiteral("prio"), base.priority);
                    chain.insert(QStringLiteral("policy"), words.value(1).toLower());
                }
            items.append(QJsonObject{{QStringLiteral("chain"), chain}});
        } else if (line.startsWith(QLatin1String("-A "))) {
            const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            items.append(QJsonObject{
                {QStringLiteral("rule"),
                 QJsonObject{{QStringLiteral("family"), QStringLiteral("ip")},
                             {QStringLiteral("table"), table},
                             {QStringLiteral("chain"), words.value(1)},
                             {QStringLiteral("handle"), n + 1},
                             {QStringLiteral("expr"), CLegacyRule(words).Statements()}}}});
        }
    }
    return QJsonDocument(QJsonObject{{QStringLiteral("nftables"), items}});
}

QString LegacyRuleText(const QString& save, qint64 handle) {
    const QStringList lines = save.split(QLatin1Char('\n'));
    return handle >= 1 && handle <= lines.size() ? lines[handle - 1].trimmed() : QString();
}

QList<ManagedTable> ManagedTables(const QString& nftOutput) {
    static const QRegularExpression kWarning(
        QStringLiteral("^# Warning: table (\\S+ \\S+) is managed by (\\S+?),?\\s"),
        QRegularExpression::MultilineOption);
    QList<ManagedTable> tables;
    auto all = kWarning.globalMatch(nftOutput);
    while (all.hasNext()) {
        const QRegularExpressionMatch match = all.next();
        tables.append({match.captured(1), match.captured(2)});
    }
    return tables;
}

QString WithoutWarnings(const QString& nftOutput) {
    QStringList kept;
    for (const QString& line : nftOutput.split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1String("# Warning:")))
            kept.append(line);
    return kept.join(QLatin1Char('\n'));
}

FirewallVerdict EvaluateRuleset(const QJsonDocument& ruleset, const ReplyPacket& packet,
                                QDeadlineTimer deadline, const QString& listing) {
    return CEvaluator(ruleset, packet, deadline, listing).Run();
}

QString RuleText(const QString& listing, const QString& family, const QString& table,
                 const QString& chain, qint64 handle) {
    QString currentTable;
    QString currentChain;
    const QString handleMark = QStringLiteral("# handle %1").arg(handle);
    for (const QString& raw : listing.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1String("table "))) {
            const QStringList parts = line.split(QLatin1Char(' '));
            currentTable = parts.size() >= 3 ? parts[1] + QLatin1Char(' ') + parts[2] : QString();
            currentChain.clear();
        } else if (line.startsWith(QLatin1String("chain "))) {
            currentChain = line.section(QLatin1Char(' '), 1, 1);
        } else if (currentTable == family + QLatin1Char(' ') + table && currentChain == chain &&
                   line.endsWith(handleMark)) {
            return line.chopped(handleMark.size()).trimmed();
        }
    }
    return QString();
}

} // namespace diag
