// Which finding is the main one, and the exit code it gives swpctl doctor.

#include "diagnosis/finding.h"

#include <gtest/gtest.h>

#include <QJsonArray>

using namespace diag;

namespace {

Finding Make(Cause cause, Severity severity) {
    Finding finding;
    finding.cause = cause;
    finding.severity = severity;
    finding.summary = QLatin1String(CauseName(cause));
    return finding;
}

TEST(Finding, MainFindingDecidesTheExitCode) {
    const DeviceRecord device{0x0A5B0101, 0xFFFFFF00, 0x0A5B0102, {2, 0x5A, 0, 0, 0, 1}, "AP"};
    const struct {
        const char* name;
        bool answered;
        std::vector<Finding> findings;
        int exitCode;
    } cases[] = {
        {"answered, nothing wrong", true, {}, 0},
        {"answered, only notes",
         true,
         {Make(Cause::AdapterExcluded, Severity::Info),
          Make(Cause::NotChecked, Severity::NotChecked)},
         0},
        {"answered from a foreign address",
         true,
         {Make(Cause::ForeignAddress, Severity::Warning)},
         15},
        {"nothing answered, nothing found", false, {}, 3},
        {"nothing answered, firewall not checked",
         false,
         {Make(Cause::NotChecked, Severity::NotChecked),
          Make(Cause::NothingAnswered, Severity::Warning)},
         3},
        {"an error beats a warning",
         false,
         {Make(Cause::AdapterDown, Severity::Warning), Make(Cause::Firewall, Severity::Error)},
         12},
        {"the earlier cause among errors",
         false,
         {Make(Cause::ReceiveBuffer, Severity::Error), Make(Cause::PortInUse, Severity::Error)},
         11},
        {"no adapter", false, {Make(Cause::NoAdapter, Severity::Error)}, 10},
        {"reverse path", false, {Make(Cause::ReversePath, Severity::Error)}, 13},
        {"adapter without link", false, {Make(Cause::NoCarrier, Severity::Warning)}, 16},
    };
    for (const auto& c : cases) {
        Report report;
        if (c.answered)
            report.devices.push_back(device);
        report.findings = c.findings;
        EXPECT_EQ(c.exitCode, report.ExitCode()) << c.name;
        EXPECT_EQ(c.exitCode, ReportJson(report)["exit_code"].toInt()) << c.name;
    }
}

TEST(Finding, TextAndJsonCarryEvidenceAndFixes) {
    Report report;
    Finding finding = Make(Cause::Firewall, Severity::Error);
    finding.adapter = QStringLiteral("eth0");
    finding.Add(QStringLiteral("rule"), QStringLiteral("rule"),
                QStringLiteral("udp dport 5433 drop"));
    finding.AddFix(QStringLiteral("nftables"), QStringLiteral("let the replies in"),
                   QStringLiteral("sudo nft insert rule inet t input udp dport 5433 accept"));
    finding.AddFix(QStringLiteral("ufw"), QStringLiteral("or"),
                   QStringLiteral("sudo ufw allow 5433/udp"));
    report.findings.push_back(finding);

    const QString text = ReportText(report);
    EXPECT_TRUE(text.contains(QStringLiteral("No device answered"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("rule: udp dport 5433 drop"))) << text.toStdString();
    EXPECT_EQ("sudo nft insert rule inet t input udp dport 5433 accept\nsudo ufw allow 5433/udp",
              FixCommands(finding).toStdString());

    const QJsonObject json = ReportJson(report);
    EXPECT_EQ("firewall", json["main_cause"].toString().toStdString());
    const QJsonObject first = json["findings"].toArray().first().toObject();
    EXPECT_EQ("error", first["severity"].toString().toStdString());
    EXPECT_EQ("udp dport 5433 drop", first["evidence"].toObject()["rule"].toString().toStdString());
    EXPECT_EQ(2, first["fixes"].toArray().size());
}

// Without administrator rights, what could not be checked comes first, with
// how to check it, before any advice about the device; as root no such hint.
TEST(Finding, WhatWasNotCheckedLeadsBeforeTheDevice) {
    for (const bool privileged : {false, true}) {
        Report report;
        report.privileged = privileged;
        report.findings = {Make(Cause::NothingAnswered, Severity::Info),
                           Make(Cause::AdapterExcluded, Severity::Info),
                           Make(Cause::NotChecked, Severity::NotChecked)};
        EXPECT_EQ(Cause::NotChecked, report.MainFinding()->cause);
        EXPECT_EQ(Cause::NotChecked, report.Ordered().front()->cause);
        const QString text = ReportText(report);
        EXPECT_LT(text.indexOf(QLatin1String("not-checked")),
                  text.indexOf(QLatin1String("no-answer")))
            << text.toStdString();
        EXPECT_EQ(!privileged, text.contains(QLatin1String("pkexec "))) << text.toStdString();
        EXPECT_EQ(!privileged, report.NeedsAdministrator());
        report.devices.push_back({});
        EXPECT_FALSE(report.NeedsAdministrator());
    }
}

} // namespace
