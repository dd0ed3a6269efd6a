// swpctl apply and the Ansible collection against simulated devices in the
// namespace lab: one inventory over five devices on both adapters (access
// points and clients, one with the wrong password, one more in the file that
// is not there), --check first, then apply, then apply again; and the example
// playbooks over three sites on two "computers" (swp-host with dev1 and dev2,
// one computer on two sites' LANs; swp-host2 with dev3), with a vaulted key
// that must stay out of -vvv and of every process's command line. The
// devices' journals tell what was sent. Waits run five times faster
// (--speedup 5).

#include "tests/tools/swpctl/toolrun.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sys/file.h>

namespace {

constexpr int kRunLimitMs = 180000;
constexpr char kHotelKey[] = "welcome-guests";

// The simulated devices of the example sites (ansible/examples/lab-*.json).
// The lobby: AP-1 and Client-1 need changes (Client-1 its mode too), Spare is
// not in the file. The annex: AP-2 reports the SSID "old"; Client-2 is not in
// its file, and refuses the password the lobby file gives it. Devices that
// share a namespace ignore logins meant for another; Client-2 refuses them,
// so it comes last.
QByteArray Example(const char* name) {
    QFile file(QStringLiteral(SETUP_ANSIBLE_DIR "/examples/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The example site files plus the two devices only this test lists.
const char kMore[] = R"(  - mac: 02:5A:00:00:00:03
    password: {file: annex.pw}
    ip: dhcp
  - mac: 02:5A:00:00:00:04
    password: wrong
  - mac: 02:5A:00:00:00:09
)";

ToolRun Execute(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    return RunTool(program, args, env, kRunLimitMs);
}

QProcessEnvironment Environment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOTEL_KEY"), QLatin1String(kHotelKey));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home);
    return env;
}

// The example inventory files in a folder of their own, with the annex's password file.
bool CopyExamples(const QTemporaryDir& dir) {
    const QDir examples(QStringLiteral(SWPCTL_EXAMPLES_DIR));
    for (const QString& name : examples.entryList(QDir::Files))
        if (!QFile::copy(examples.filePath(name), dir.filePath(name)))
            return false;
    QFile password(dir.filePath(QStringLiteral("annex.pw")));
    return password.open(QIODevice::WriteOnly) && password.write("s3cret\n") == 7 &&
           password.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

// The settings the devices of a process took (every device there journals
// each request; the one logged in answers it).
QList<QJsonObject> SettingsTaken(const CLabDevice& device) {
    QList<QJsonObject> taken;
    for (const QJsonObject& line : device.Journal())
        if (line["dir"].toString() == QLatin1String("rx") &&
            line["action"].toString() == QLatin1String("answer") &&
            QStringList({"set_ip", "set_mode", "set_wireless", "set_station"})
                .contains(line["kind"].toString()))
            taken.append(line);
    return taken;
}

int SettingsReceived(const CLabDevice& device) {
    return static_cast<int>(SettingsTaken(device).size());
}

QMap<QString, QJsonObject> ByDevice(const QString& json) {
    QMap<QString, QJsonObject> devices;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8())["devices"].toArray())
        devices.insert(value["device"].toString(), value.toObject());
    return devices;
}

TEST(SwpctlApplyLab, ChecksThenConfiguresOnlyWhatDiffersAndAgainNothing) {
    SWP_REQUIRE_LAB();
    CLabDevice site1;
    CLabDevice site2;
    START(site1, "dev1", Example("lab-lobby.json"));
    // Here AP-2 is as the file wants it.
    START(site2, "dev2", Example("lab-annex.json").replace("\"old\"", "\"hotel\""));
    QTemporaryDir dir;
    ASSERT_TRUE(CopyExamples(dir));
    QFile lobby(dir.filePath(QStringLiteral("lobby.yml")));
    ASSERT_TRUE(lobby.open(QIODevice::Append));
    lobby.write(kMore);
    lobby.close();
    const QProcessEnvironment env = Environment(dir.path());
    auto apply = [&](QStringList args) {
        return Execute(QStringLiteral(SWPCTL_BINARY),
                       QStringList{QStringLiteral("apply"), lobby.fileName(),
                                   QStringLiteral("--speedup"), QStringLiteral("5")} +
                           args,
                       env);
    };

    // An error in the file's last device: not even a discovery goes out.
    QFile broken(dir.filePath(QStringLiteral("broken.yml")));
    ASSERT_TRUE(lobby.open(QIODevice::ReadOnly) && broken.open(QIODevice::WriteOnly));
    broken.write(lobby.readAll() + "  - mac: 02:5A:00:00:00:0Z\n");
    lobby.close();
    broken.close();
    const ToolRun invalid =
        Execute(QStringLiteral(SWPCTL_BINARY), {QStringLiteral("apply"), broken.fileName()}, env);
    EXPECT_RUN(invalid, 2);
    EXPECT_TRUE(invalid.err.contains(QStringLiteral("broken.yml:21: \"mac\"")) &&
                invalid.err.contains(QStringLiteral("nothing was sent")))
        << invalid.err.toStdString();
    EXPECT_TRUE(site1.Journal().isEmpty() && site2.Journal().isEmpty());

    const ToolRun check = apply({QStringLiteral("--check"), QStringLiteral("--json")});
    EXPECT_RUN(check, 9);
    QMap<QString, QJsonObject> devices = ByDevice(check.out);
    EXPECT_EQ("would_change", devices["02:5A:00:00:00:01"]["status"].toString());
    EXPECT_EQ("would_change", devices["Client-1"]["status"].toString());
    EXPECT_EQ("unchanged", devices["02:5A:00:00:00:03"]["status"].toString());
    EXPECT_EQ("failed", devices["02:5A:00:00:00:04"]["status"].toString());
    EXPECT_EQ(4, devices["02:5A:00:00:00:04"]["exit_code"].toInt());
    EXPECT_EQ("not_found", devices["02:5A:00:00:00:09"]["status"].toString());
    const QJsonArray unlisted = QJsonDocument::fromJson(check.out.toUtf8())["unlisted"].toArray();
    ASSERT_EQ(1, unlisted.size()) << check.out.toStdString();
    EXPECT_EQ("Spare", unlisted[0]["name"].toString());
    EXPECT_EQ(0, SettingsReceived(site1) + SettingsReceived(site2));

    const ToolRun first = apply({});
    EXPECT_RUN(first, 9);
    for (const char* line :
         {"02:5A:00:00:00:01 (AP-1): changed\n", "  address: 192.168.0.50 → 192.168.0.51\n",
          "  ssid: default → hotel\n", "  channel: 6 → 11\n", "  security: none → wpa-psk\n",
          "Client-1 (02:5A:00:00:00:02): changed\n", "  mode: ap → bridge\n",
          "02:5A:00:00:00:03 (AP-2): unchanged\n",
          "02:5A:00:00:00:04 (Client-2): failed (exit 4): ", "02:5A:00:00:00:09: not found\n",
          "  Spare (02:5A:00:00:00:05) at 10.91.1.2\n"})
        EXPECT_TRUE(first.out.contains(QString::fromUtf8(line))) << line << "\n"
                                                                 << first.out.toStdString();
    // set_mode, set_ip, set_wireless (AP-1), set_station (Client-1); nothing on site 2.
    EXPECT_EQ(4, SettingsReceived(site1));
    EXPECT_EQ(0, SettingsReceived(site2));
    QStringList keys;
    for (const QJsonObject& line : SettingsTaken(site1))
        if (line["tlvs"].toObject().contains(QLatin1String("WL_WPA_PSK")))
            keys.append(line["tlvs"]["WL_WPA_PSK"].toString());
    EXPECT_EQ(QStringList({kHotelKey, kHotelKey}), keys);

    const ToolRun again = apply({QStringLiteral("--json")});
    EXPECT_RUN(again, 9);
    devices = ByDevice(again.out);
    EXPECT_EQ("unchanged", devices["02:5A:00:00:00:01"]["status"].toString());
    EXPECT_EQ("unchanged", devices["Client-1"]["status"].toString());
    EXPECT_EQ(4, SettingsReceived(site1));
    EXPECT_EQ(0, SettingsReceived(site2));
}

// One device by MAC and by name: an error before any login, nothing sent.
// A key the device never reports is said not compared; --send-keys sends it.
TEST(SwpctlApplyLab, OneDeviceNamedTwiceGetsNothingAndSendKeysSendsTheKey) {
    SWP_REQUIRE_LAB();
    CLabDevice site;
    START(site, "dev1",
          Example("lab-lobby.json")
              .replace("\"std_ch\": 6}",
                       "\"std_ch\": 6, \"security\": 2, \"wpa_mode\": 2, \"cipher\": 2}"));
    QTemporaryDir dir;
    const QProcessEnvironment env = Environment(dir.path());
    auto apply = [&](const char* name, const char* text, QStringList args) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) > 0);
        file.close();
        return Execute(QStringLiteral(SWPCTL_BINARY),
                       QStringList{QStringLiteral("apply"), file.fileName(),
                                   QStringLiteral("--speedup"), QStringLiteral("5")} +
                           args,
                       env);
    };

    const ToolRun twice = apply("twice.yml",
                                "devices:\n  - mac: 02:5A:00:00:00:01\n    ip: dhcp\n"
                                "  - name: AP-1\n    mode: bridge\n",
                                {});
    EXPECT_RUN(twice, 2);
    EXPECT_TRUE(twice.err.contains(QStringLiteral(
                    "twice.yml:4: the entry of line 2 names the same device 02:5A:00:00:00:01")) &&
                twice.err.contains(QStringLiteral("nothing was sent")))
        << twice.err.toStdString();
    for (const QJsonObject& line : site.Journal())
        EXPECT_EQ("discover", line["kind"].toString().toStdString());

    // --check makes the real run's checks: a channel the device does not
    // list fails here as it would there. --only takes the file's names.
    const ToolRun check =
        apply("channel.yml",
              "devices:\n  - name: AP-1\n    access_point: {ssid: x, channel: 99, "
              "security: none}\n  - name: Spare\n    ip: dhcp\n",
              {QStringLiteral("--check"), QStringLiteral("--json"), QStringLiteral("--only"),
               QStringLiteral("AP-1")});
    EXPECT_RUN(check, 9);
    const QMap<QString, QJsonObject> checked = ByDevice(check.out);
    EXPECT_EQ("failed", checked["AP-1"]["status"].toString()) << check.out.toStdString();
    EXPECT_EQ(2, checked["AP-1"]["exit_code"].toInt());
    EXPECT_TRUE(
        checked["AP-1"]["reason"].toString().startsWith("channel 99 is not in the device's list"));
    EXPECT_FALSE(checked.contains("Spare"));

    // AP-1 already has the SSID, channel and security; only its key is unknown.
    const char keyed[] = "devices:\n  - name: AP-1\n    access_point: {ssid: default, channel: 6, "
                         "security: wpa-psk, key: {env: HOTEL_KEY}}\n";
    ToolRun run = apply("keyed.yml", keyed, {QStringLiteral("--json")});
    EXPECT_RUN(run, 0);
    QJsonObject ap = ByDevice(run.out)["AP-1"];
    EXPECT_EQ("unchanged", ap["status"].toString()) << run.out.toStdString();
    EXPECT_EQ(QJsonArray({"key"}), ap["not_compared"].toArray());
    EXPECT_EQ(0, SettingsReceived(site));

    run = apply("keyed.yml", keyed, {QStringLiteral("--send-keys")});
    EXPECT_RUN(run, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("AP-1 (02:5A:00:00:00:01): changed\n")) &&
                run.out.contains(QStringLiteral("  key sent (--send-keys)")))
        << run.out.toStdString();
    const QList<QJsonObject> taken = SettingsTaken(site);
    ASSERT_EQ(1, taken.size());
    EXPECT_EQ(kHotelKey, taken[0]["tlvs"]["WL_WPA_PSK"].toString().toStdString());
}

struct Recap {
    int changed = -1;
    int failed = -1;
};

// "lobby : ok=1 changed=1 unreachable=0 failed=0 ..." of the play recap.
QMap<QString, Recap> PlayRecap(const QString& out) {
    QMap<QString, Recap> recap;
    const QRegularExpression line(QStringLiteral("^(\\w+)\\s+: ok=\\d+\\s+changed=(\\d+)\\s+"
                                                 "unreachable=\\d+\\s+failed=(\\d+)"),
                                  QRegularExpression::MultilineOption);
    for (auto match = line.globalMatch(out); match.hasNext();) {
        const auto m = match.next();
        recap.insert(m.captured(1), {m.captured(2).toInt(), m.captured(3).toInt()});
    }
    return recap;
}

// A run of a program while the command line of every process of the machine
// is read again and again: none may hold a secret. swpctlSeen tells that
// "swpctl apply" ran while the lines were read.
struct WatchedRun {
    ToolRun run;
    QStringList secretLines;
    bool swpctlSeen = false;
};

void ReadCommandLines(const QStringList& secrets, WatchedRun& watched) {
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(proc.filePath(pid + QStringLiteral("/cmdline")));
        if (!pid.front().isDigit() || !file.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromUtf8(file.readAll().replace('\0', ' '));
        if (line.contains(QLatin1String("swpctl")) && line.contains(QLatin1String(" apply ")))
            watched.swpctlSeen = true;
        for (const QString& secret : secrets)
            if (line.contains(secret))
                watched.secretLines.append(line);
    }
}

WatchedRun RunWatched(const QString& program, const QStringList& args,
                      const QProcessEnvironment& env, const QStringList& secrets) {
    WatchedRun watched;
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    QElapsedTimer clock;
    clock.start();
    if (!process.waitForStarted(kRunLimitMs))
        return watched;
    while (!process.waitForFinished(5)) {
        ReadCommandLines(secrets, watched);
        if (clock.elapsed() > kRunLimitMs) {
            process.kill();
            process.waitForFinished();
            watched.run.err = program + QStringLiteral(" did not finish");
            return watched;
        }
    }
    watched.run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    watched.run.out = QString::fromUtf8(process.readAllStandardOutput());
    watched.run.err = QString::fromUtf8(process.readAllStandardError());
    return watched;
}

bool WritePrivate(const QString& path, const QByteArray& text, QFile::Permissions more = {}) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
           file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | more);
}

// The example playbooks and inventory copied into dir/examples, the examples'
// swpctl (a wrapper that runs the waits five times faster) first in PATH, the
// vault's password, and Ansible's folders in dir.
QProcessEnvironment PlaybookEnvironment(const QTemporaryDir& dir) {
    const QString examples = dir.filePath(QStringLiteral("examples"));
    EXPECT_RUN(
        Execute(QStringLiteral("cp"),
                {QStringLiteral("-r"), QStringLiteral(SETUP_ANSIBLE_DIR "/examples"), examples},
                QProcessEnvironment::systemEnvironment()),
        0);
    EXPECT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("bin")));
    EXPECT_TRUE(WritePrivate(dir.filePath(QStringLiteral("bin/swpctl")),
                             "#!/bin/sh\nexec " SWPCTL_BINARY " --speedup 5 \"$@\"\n",
                             QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    EXPECT_TRUE(WritePrivate(dir.filePath(QStringLiteral("vault-password")), "lab\n"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"),
               dir.filePath(QStringLiteral("bin:")) + env.value(QStringLiteral("PATH")));
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.path());
    env.insert(QStringLiteral("ANSIBLE_COLLECTIONS_PATH"), QStringLiteral(SETUP_ANSIBLE_DIR));
    env.insert(QStringLiteral("ANSIBLE_LOCAL_TEMP"), dir.filePath(QStringLiteral("tmp")));
    env.insert(QStringLiteral("ANSIBLE_REMOTE_TMP"), dir.filePath(QStringLiteral("remote")));
    // Where async jobs keep their results: "~" would be HOME for the job and
    // the password file's home for async_status.
    env.insert(QStringLiteral("ANSIBLE_ASYNC_DIR"), dir.filePath(QStringLiteral("async")));
    env.insert(QStringLiteral("ANSIBLE_NOCOLOR"), QStringLiteral("1"));
    env.insert(QStringLiteral("ANSIBLE_VAULT_PASSWORD_FILE"),
               dir.filePath(QStringLiteral("vault-password")));
    return env;
}

// The example playbooks over three sites as ansible/examples/lab-hosts.yml
// lays them out: the lobby (dev1) and the garden (dev2) are two LANs of one
// computer, swp-host; the annex (dev3) has its own, swp-host2. The sites'
// devices are in host_vars, the hotel key and the annex's password in the
// vault. The examples' swpctl is a wrapper that runs the waits five times
// faster; nothing in the examples knows of it.
TEST(SwpctlApplyLab, PlaybookOverThreeSitesWithAVaultKeepsSecretsOffCommandLinesAndLogs) {
    SWP_REQUIRE_LAB();
    const QString playbook = QStandardPaths::findExecutable(QStringLiteral("ansible-playbook"));
    if (playbook.isEmpty()) {
        if (InCI())
            FAIL() << "ansible-playbook is missing (scripts/deps installs ansible-core)";
        GTEST_SKIP() << "ansible-playbook is missing (scripts/deps installs ansible-core)";
    }
    CLabDevice lobby;
    CLabDevice garden;
    CLabDevice annex;
    START(lobby, "dev1", Example("lab-lobby.json"));
    START(garden, "dev2", Example("lab-garden.json"));
    START(annex, "dev3", Example("lab-annex.json"));
    QTemporaryDir dir;
    const QString examples = dir.filePath(QStringLiteral("examples"));
    const QProcessEnvironment env = PlaybookEnvironment(dir);
    const QStringList secrets = {QLatin1String(kHotelKey), QStringLiteral("s3cret")};
    auto play = [&](const char* file, QStringList args) {
        return RunWatched(playbook,
                          QStringList{QStringLiteral("-i"),
                                      examples + QStringLiteral("/lab-hosts.yml"),
                                      examples + QLatin1Char('/') + QLatin1String(file)} +
                              args,
                          env, secrets);
    };
    auto expectNoSecret = [&](const WatchedRun& watched) {
        EXPECT_TRUE(watched.secretLines.isEmpty())
            << watched.secretLines.join(QLatin1Char('\n')).toStdString();
        for (const QString& secret : secrets)
            EXPECT_FALSE(watched.run.out.contains(secret) || watched.run.err.contains(secret))
                << watched.run.out.toStdString();
    };
    auto changed = [](const WatchedRun& watched) {
        const QMap<QString, Recap> recap = PlayRecap(watched.run.out);
        return QList<int>{recap["lobby"].changed, recap["garden"].changed, recap["annex"].changed};
    };

    // Check and diff mode: each site would change, nothing is sent.
    const WatchedRun check = play(
        "sites.yml", {QStringLiteral("--check"), QStringLiteral("--diff"), QStringLiteral("-vvv")});
    EXPECT_RUN(check.run, 0);
    EXPECT_EQ(QList<int>({1, 1, 1}), changed(check)) << check.run.out.toStdString();
    EXPECT_TRUE(check.run.out.contains(QStringLiteral("+ssid: hotel")));
    // Warnings go to standard error.
    EXPECT_TRUE(
        check.run.err.contains(QStringLiteral("found but not listed: Spare (02:5A:00:00:00:05)")))
        << check.run.err.toStdString();
    EXPECT_TRUE(check.swpctlSeen);
    expectNoSecret(check);
    EXPECT_EQ(0, SettingsReceived(lobby) + SettingsReceived(garden) + SettingsReceived(annex));

    // The real run, at -vvv, while every command line is read: the key
    // reaches the devices and nothing else.
    const WatchedRun first = play("sites.yml", {QStringLiteral("-vvv")});
    EXPECT_RUN(first.run, 0);
    EXPECT_EQ(QList<int>({1, 1, 1}), changed(first)) << first.run.out.toStdString();
    EXPECT_TRUE(first.swpctlSeen);
    expectNoSecret(first);
    EXPECT_EQ(4, SettingsReceived(lobby));  // AP-1: address, profile; Client-1: mode, profile
    EXPECT_EQ(2, SettingsReceived(garden)); // AP-3: DHCP, profile
    EXPECT_EQ(1, SettingsReceived(annex));  // AP-2: profile
    QStringList keys;
    for (const CLabDevice* device : {&lobby, &garden, &annex})
        for (const QJsonObject& line : SettingsTaken(*device))
            if (line["tlvs"].toObject().contains(QLatin1String("WL_WPA_PSK")))
                keys.append(line["tlvs"]["WL_WPA_PSK"].toString());
    EXPECT_EQ(QStringList({kHotelKey, kHotelKey, kHotelKey, kHotelKey}), keys);

    const WatchedRun again = play("sites.yml", {});
    EXPECT_RUN(again.run, 0);
    EXPECT_EQ(QList<int>({0, 0, 0}), changed(again)) << again.run.out.toStdString();
    EXPECT_EQ(7, SettingsReceived(lobby) + SettingsReceived(garden) + SettingsReceived(annex));

    // A key the devices do not report is sent when asked for.
    const WatchedRun sendKeys =
        play("sites.yml", {QStringLiteral("-l"), QStringLiteral("annex"), QStringLiteral("-e"),
                           QStringLiteral("site_send_keys=true")});
    EXPECT_RUN(sendKeys.run, 0);
    EXPECT_EQ(1, PlayRecap(sendKeys.run.out)["annex"].changed) << sendKeys.run.out.toStdString();
    EXPECT_EQ(2, SettingsReceived(annex));

    // swp_info, in check mode: the lobby's devices, read with the vaulted password.
    const WatchedRun info = play(
        "devices.yml", {QStringLiteral("--check"), QStringLiteral("-l"), QStringLiteral("lobby")});
    EXPECT_RUN(info.run, 0);
    for (const char* text :
         {"\"mac\": \"02:5A:00:00:00:05\"", "\"name\": \"Spare\"", "\"adapter\": \"10.91.1.1\"",
          "\"ssid\": \"hotel\"", "\"mode\": \"bridge\"", "\"security\": \"wpa-psk\"",
          "\"channel\": 11"})
        EXPECT_TRUE(info.run.out.contains(QLatin1String(text))) << text << "\n"
                                                                << info.run.out.toStdString();

    // A MAC that YAML read as a number, and a device that refuses the login:
    // each fails its task, naming the entry.
    ASSERT_TRUE(WritePrivate(dir.filePath(QStringLiteral("trap.yml")),
                             "site_devices: [{mac: 10:20:30:40:50:59}]\n"));
    const WatchedRun trap =
        play("sites.yml", {QStringLiteral("-l"), QStringLiteral("garden"), QStringLiteral("-e"),
                           QStringLiteral("@") + dir.filePath(QStringLiteral("trap.yml"))});
    EXPECT_RUN(trap.run, 2);
    EXPECT_TRUE(
        trap.run.out.contains(QStringLiteral("devices[0]: \\\"mac\\\" is the number 8041827059")))
        << trap.run.out.toStdString();
    ASSERT_TRUE(
        WritePrivate(dir.filePath(QStringLiteral("refused.yml")),
                     "site_devices: [{mac: '02:5A:00:00:00:04', password: not-this-one}]\n"));
    const WatchedRun refused =
        play("sites.yml", {QStringLiteral("-l"), QStringLiteral("annex"), QStringLiteral("-e"),
                           QStringLiteral("@") + dir.filePath(QStringLiteral("refused.yml"))});
    EXPECT_RUN(refused.run, 2);
    EXPECT_EQ(1, PlayRecap(refused.run.out)["annex"].failed) << refused.run.out.toStdString();
    EXPECT_TRUE(
        refused.run.out.contains(QStringLiteral("02:5A:00:00:00:04: ")) &&
        refused.run.out.contains(QStringLiteral("refused the login (wrong password?) (exit 4)")))
        << refused.run.out.toStdString();
    EXPECT_EQ(8, SettingsReceived(lobby) + SettingsReceived(garden) + SettingsReceived(annex));
}

// swp_info reads the lobby and the annex in one discovery each, as an async
// job polled (the annex's access point with its own password from the site's
// devices, its client with the option password); the lobby's desired state,
// given back to swp_apply as a fire-and-forget job, changes nothing. Then
// swp_apply with swpctl's real waits runs out of the task's timeout, and of an
// async job's limit: each time swpctl and its process group end, the turn on
// UDP 5433 is free, no pipe is left, and no device took a setting.
const char kFlowPlay[] = R"yaml(
- name: Read, apply unchanged, run out of time
  hosts: lobby:annex
  gather_facts: false
  tasks:
    - name: Read the site in one discovery
      swp.setup.swp_info:
        adapter: "{{ site_adapter | default(omit) }}"
        command_prefix: "{{ swpctl_prefix }}"
        devices: "{{ site_devices if inventory_hostname == 'annex' else [] }}"
        password: "{{ 'right' if inventory_hostname == 'annex' else vault_device_password }}"
      async: 60
      poll: 1
      register: site
    - name: Every device was read
      ansible.builtin.assert:
        that:
          - site.devices | length == (3 if inventory_hostname == 'lobby' else 2)
          - site.devices | selectattr('error', 'defined') | list == []
          - site.desired | length == site.devices | length
    - name: The desired state back, fire and forget
      swp.setup.swp_apply:
        adapter: "{{ site_adapter }}"
        command_prefix: "{{ swpctl_prefix }}"
        devices: "{{ site.desired }}"
      async: 60
      poll: 0
      register: job
      when: inventory_hostname == 'lobby'
    - name: Its end
      ansible.builtin.async_status:
        jid: "{{ job.ansible_job_id }}"
      register: applied
      until: applied.finished
      retries: 60
      delay: 1
      when: inventory_hostname == 'lobby'
    - name: Nothing to change
      ansible.builtin.assert:
        that:
          - applied is not changed
          - applied.devices | map(attribute='status') | unique == ['unchanged']
      when: inventory_hostname == 'lobby'
    - name: Out of the task's time
      swp.setup.swp_apply:
        executable: "{{ slow_swpctl }}"
        adapter: "{{ site_adapter }}"
        command_prefix: "{{ swpctl_prefix }}"
        devices: "{{ site_devices }}"
        defaults: "{{ site_defaults }}"
      timeout: 5
      register: cut
      ignore_errors: true
      when: inventory_hostname == 'lobby'
    - name: Out of the async job's time
      swp.setup.swp_apply:
        executable: "{{ slow_swpctl }}"
        adapter: "{{ site_adapter }}"
        command_prefix: "{{ swpctl_prefix }}"
        devices: "{{ site_devices }}"
        defaults: "{{ site_defaults }}"
      async: 4
      poll: 0
      register: job
      when: inventory_hostname == 'lobby'
    - name: The job's end
      ansible.builtin.async_status:
        jid: "{{ job.ansible_job_id }}"
      register: ended
      until: ended.finished
      retries: 30
      delay: 1
      ignore_errors: true
      when: inventory_hostname == 'lobby'
    - name: Both stopped swpctl in time
      ansible.builtin.assert:
        that:
          - cut is failed and cut.timed_out and "within the task's time (2 s)" in cut.msg
          - ended is failed and ended.timed_out and "within the task's time (1 s)" in ended.msg
      when: inventory_hostname == 'lobby'
)yaml";

// The processes whose command line holds text.
QStringList ProcessesWith(const QString& text) {
    QStringList found;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(proc.filePath(pid + QStringLiteral("/cmdline")));
        if (pid.front().isDigit() && file.open(QIODevice::ReadOnly) &&
            QString::fromUtf8(file.readAll().replace('\0', ' ')).contains(text))
            found.append(pid);
    }
    return found;
}

// The requests of a kind the devices of a process answered.
int Answered(const CLabDevice& device, const char* kind) {
    int count = 0;
    for (const QJsonObject& line : device.Journal())
        count += line["dir"].toString() == QLatin1String("rx") &&
                 line["action"].toString() == QLatin1String("answer") &&
                 line["kind"].toString() == QLatin1String(kind);
    return count;
}

TEST(SwpctlApplyLab, PlaybookReadsInOneDiscoveryAppliesItUnchangedAndEndsSwpctlOnTime) {
    SWP_REQUIRE_LAB();
    const QString playbook = QStandardPaths::findExecutable(QStringLiteral("ansible-playbook"));
    if (playbook.isEmpty()) {
        if (InCI())
            FAIL() << "ansible-playbook is missing (scripts/deps installs ansible-core)";
        GTEST_SKIP() << "ansible-playbook is missing (scripts/deps installs ansible-core)";
    }
    CLabDevice lobby;
    CLabDevice annex;
    START(lobby, "dev1", Example("lab-lobby.json"));
    START(annex, "dev3", Example("lab-annex.json"));
    QTemporaryDir dir;
    const QProcessEnvironment env = PlaybookEnvironment(dir);
    ASSERT_TRUE(WritePrivate(dir.filePath(QStringLiteral("flow.yml")), kFlowPlay));
    const ToolRun play =
        RunTool(playbook,
                {QStringLiteral("-i"), dir.filePath(QStringLiteral("examples/lab-hosts.yml")),
                 dir.filePath(QStringLiteral("flow.yml")), QStringLiteral("-e"),
                 QStringLiteral("slow_swpctl=" SWPCTL_BINARY)},
                env, kRunLimitMs);
    EXPECT_RUN(play, 0);
    const QMap<QString, Recap> recap = PlayRecap(play.out);
    EXPECT_EQ(0, recap["lobby"].failed) << play.out.toStdString();
    EXPECT_EQ(0, recap["annex"].failed) << play.out.toStdString();

    // One discovery (each of the annex's two devices answered it once) read
    // both, each with its own password (the play checks that both were read).
    EXPECT_EQ(2, Answered(annex, "discover"));
    EXPECT_EQ(0, SettingsReceived(lobby) + SettingsReceived(annex));
    EXPECT_TRUE(ProcessesWith(QStringLiteral(SWPCTL_BINARY)).isEmpty());
    QFile lock(QDir(QStringLiteral("/run/lock")).exists()
                   ? QStringLiteral("/run/lock/swp-setup-udp5433.lock")
                   : QStringLiteral("/tmp/swp-setup-udp5433.lock"));
    ASSERT_TRUE(lock.open(QIODevice::ReadOnly));
    EXPECT_EQ(0, flock(lock.handle(), LOCK_EX | LOCK_NB)) << "the turn on UDP 5433 is still held";
    QStringList left;
    for (QDirIterator it(dir.filePath(QStringLiteral("remote")),
                         {QStringLiteral("desired.*"), QStringLiteral("read.*")},
                         QDir::AllEntries | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();)
        left.append(it.next());
    EXPECT_TRUE(left.isEmpty()) << left.join(QLatin1Char(' ')).toStdString();
}

// Every inventory the swp-lab package ships runs against the simulator
// configuration shipped beside it (NAME.yml on lab-NAME.json): it brings
// the devices to the file's state, and a second --check finds nothing to do.
TEST(SwpctlApplyLab, EveryShippedInventoryRunsAgainstItsSimulator) {
    SWP_REQUIRE_LAB();
    QTemporaryDir dir;
    ASSERT_TRUE(CopyExamples(dir));
    const QProcessEnvironment env = Environment(dir.path());
    const QStringList inventories = QDir(dir.path()).entryList({QStringLiteral("*.yml")});
    EXPECT_EQ(QStringList({QStringLiteral("annex.yml"), QStringLiteral("lobby.yml")}), inventories);
    for (const QString& inventory : inventories) {
        const QByteArray config =
            Example(qPrintable(QStringLiteral("lab-%1.json").arg(QFileInfo(inventory).baseName())));
        ASSERT_FALSE(config.isEmpty()) << inventory.toStdString();
        CLabDevice site;
        START(site, "dev1", config);
        const QString file = dir.filePath(inventory);
        for (const QStringList& args : {QStringList{}, QStringList{QStringLiteral("--check")}}) {
            const ToolRun run =
                Execute(QStringLiteral(SWPCTL_BINARY),
                        QStringList{QStringLiteral("apply"), file, QStringLiteral("--speedup"),
                                    QStringLiteral("5")} +
                            args,
                        env);
            EXPECT_RUN(run, 0) << inventory.toStdString() << " " << args.join(' ').toStdString();
        }
    }
}

} // namespace
