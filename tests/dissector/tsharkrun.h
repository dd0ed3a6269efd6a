#pragma once
// What the dissector's tests share: tshark run over a capture with the
// dissector (tools/dissector/swp.lua), its preferences given in a private
// configuration folder (never on the command line), and the datagrams it
// shows, each reduced to one comparable line.

#include "settings/privatefile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

struct TsharkRun {
    int code = -1;
    QByteArray out;
    QString err;
    QJsonArray packets; // -T json, one object per frame
};

class CTshark {
public:
    // passwords: the value of swp.passwords (a comma-separated list);
    // passwordFile: the value of swp.password_file.
    CTshark(const QByteArray& passwords, bool showKeys, const QByteArray& passwordFile = {}) {
        const QByteArray prefs = "swp.passwords: " + passwords +
                                 "\nswp.show_keys: " + (showKeys ? "TRUE" : "FALSE") +
                                 "\nswp.password_file: " + passwordFile + "\n";
        m_Ready = m_Config.isValid() &&
                  privatefile::Save(m_Config.filePath(QStringLiteral("preferences")), prefs);
    }

    bool Ready() const { return m_Ready; }

    TsharkRun Json(const QString& capture) const {
        return Run({QStringLiteral("-r"), capture, QStringLiteral("-2"), QStringLiteral("-T"),
                    QStringLiteral("json"), QStringLiteral("--no-duplicate-keys")});
    }

    // tshark's text tree (-V) of a capture.
    TsharkRun Tree(const QString& capture) const {
        return Run({QStringLiteral("-r"), capture, QStringLiteral("-2"), QStringLiteral("-V"),
                    QStringLiteral("-Y"), QStringLiteral("swp")});
    }

    // One line a frame: the fields, separated by tabs.
    TsharkRun Fields(const QString& capture, const QStringList& fields) const {
        QStringList args{QStringLiteral("-r"), capture, QStringLiteral("-2"), QStringLiteral("-T"),
                         QStringLiteral("fields")};
        for (const QString& field : fields)
            args << QStringLiteral("-e") << field;
        return Run(args);
    }

    // The statistics tshark prints with -z swp,stat.
    TsharkRun Statistics(const QString& capture) const {
        return Run({QStringLiteral("-r"), capture, QStringLiteral("-2"), QStringLiteral("-q"),
                    QStringLiteral("-z"), QStringLiteral("swp,stat")});
    }

    // tshark with the dissector and these arguments.
    TsharkRun Run(QStringList args) const {
        args.prepend(QStringLiteral("lua_script:" SWP_DISSECTOR));
        args.prepend(QStringLiteral("-X"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("WIRESHARK_CONFIG_DIR"), m_Config.path());
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(SWP_TSHARK), args);
        TsharkRun run;
        if (!process.waitForStarted(60000) || !process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            run.err = QStringLiteral("tshark (" SWP_TSHARK ") did not run: ") +
                      process.errorString() + QStringLiteral(" (scripts/deps installs it)");
            return run;
        }
        run.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        run.out = process.readAllStandardOutput();
        run.err = QString::fromUtf8(process.readAllStandardError());
        if (args.contains(QStringLiteral("json")))
            run.packets = QJsonDocument::fromJson(run.out).array();
        return run;
    }

private:
    QTemporaryDir m_Config;
    bool m_Ready = false;
};

// The layer of a protocol in one frame of -T json output.
inline QJsonObject Layer(const QJsonValue& packet, const char* name) {
    return packet.toObject()["_source"]
        .toObject()["layers"]
        .toObject()[QLatin1String(name)]
        .toObject();
}

// A key whose value may be one object or, repeated, an array of them.
inline QJsonArray Repeated(const QJsonObject& object, const QString& key) {
    const QJsonValue value = object.value(key);
    if (value.isArray())
        return value.toArray();
    if (value.isUndefined())
        return {};
    return QJsonArray{value};
}

// The texts of tshark's expert items in one frame ("swp.tlv_overrun", ...).
inline QStringList ExpertNames(const QJsonValue& packet) {
    QStringList names;
    const QByteArray text = QJsonDocument(packet.toObject()).toJson(QJsonDocument::Compact);
    for (const char* name :
         {"swp.length_mismatch", "swp.tlv_overrun", "swp.trailing_byte", "swp.tlv_size",
          "swp.short_record", "swp.undeciphered", "swp.short", "swp.bad_version", "swp.failed",
          "swp.dissector_error", "_ws.lua.error"})
        if (text.contains(QByteArray("\"") + name + "\""))
            names << QLatin1String(name);
    return names;
}

// Each frame's fields (tshark -T fields) as one line: "name=value" for each
// one present, a true flag ("unanswered", "unpaired") by its name alone.
inline QStringList PairingLines(const TsharkRun& run, const QStringList& names) {
    QStringList lines;
    for (const QByteArray& row : run.out.split('\n')) {
        if (row.isEmpty())
            continue;
        const QList<QByteArray> values = row.split('\t');
        QStringList line;
        for (qsizetype n = 0; n < names.size() && n < values.size(); ++n)
            if (names[n] == QLatin1String("unanswered") || names[n] == QLatin1String("unpaired")) {
                if (values[n] == "1" || values[n] == "True")
                    line << names[n];
            } else if (!values[n].isEmpty()) {
                line << names[n] + QLatin1Char('=') + QString::fromUtf8(values[n]);
            }
        lines << line.join(QLatin1Char(' '));
    }
    return lines;
}
