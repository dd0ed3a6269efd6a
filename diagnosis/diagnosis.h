#pragma once
// One diagnosis: a discovery through the engine (with the discovery wait the
// caller gives) and, meanwhile, a look at the machine. While it runs the
// diagnosis is the engine's target; it gives the engine back when done. It
// ends within the discovery wait plus one second: the slow checks (the
// firewall ruleset) run during the wait and are given up, as not checked,
// when they have not answered by then.

#include "diagnosis/finding.h"
#include "diagnosis/firewallmanager.h"
#include "diagnosis/hostfacts.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <memory>
#include <optional>

class TFormUDP;

namespace diag {

class CDiagnosis : public QObject {
    Q_OBJECT

public:
    explicit CDiagnosis(TFormUDP& engine, QObject* parent = nullptr);
    ~CDiagnosis() override;

    // Starts the search and the checks; Finished follows, also when the
    // search could not start.
    void Start(int discoverWaitMs);
    bool Running() const { return m_Running; }
    const Report& Result() const { return m_Report; }

    // The time past the discovery wait the checks may take.
    static constexpr int GraceMs = 900;

signals:
    void Finished();

protected:
    bool event(QEvent* e) override;

private:
    struct Command {
        std::unique_ptr<QProcess> process;
        QByteArray output;
        QByteArray error;
        bool done = false;
        bool started = false;
        int exitCode = -1;
    };

    void StartCommand(Command& command, const QString& program, const QStringList& arguments);
    void SearchEnded();
    // Counters, devices and adapters as the search leaves them.
    void ReadAfterSearch();
    void MaybeComplete();
    void Complete();
    void ListAdapters();
    void CheckAdapters();
    void CheckPort();
    void CheckFirewall();
    // The legacy iptables tables: read when privileged, else not checked.
    bool CheckLegacy(FirewallManagers& managers, Finding& notChecked);
    // A drop or reject of the replies on adapters, the rule named and the
    // manager's fix first; contradicted where devices answered.
    void ReportDrop(const FirewallVerdict& verdict, const QStringList& adapters,
                    const QString& ruleText, Manager manager, bool legacy);
    void CheckReversePath();
    void CheckReceiveBuffer();
    void CheckAddresses();
    void CheckAnswered();
    bool Answered() const { return !m_Report.devices.empty(); }
    QStringList SearchedAdapters() const;
    QString AddressOf(const QString& interface) const;

    TFormUDP& m_Engine;
    QPointer<QObject> m_PreviousTarget;
    CHostFacts m_Facts;
    Report m_Report;
    bool m_Running = false;
    bool m_SearchEnded = false;
    QTimer m_Deadline;
    QDeadlineTimer m_ChecksDeadline; // the same end, for checks that run on their own
    Command m_RulesetJson;
    Command m_RulesetText;
    Command m_LegacySave;
    QString m_NftPath;
    std::optional<uint64_t> m_RcvbufBefore;
    std::optional<uint64_t> m_RcvbufAfter;
    std::optional<uint64_t> m_RpBefore;
    std::optional<uint64_t> m_RpAfter;
    int m_GrantedBuffer = 0; // smallest receive buffer the sockets got
};

} // namespace diag
