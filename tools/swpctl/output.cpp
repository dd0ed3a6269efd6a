#include "tools/swpctl/output.h"

#include "settings/textutil.h"
#include "tools/swpctl/exitcode.h"

#include <QJsonDocument>
#include <QStringList>
#include <cstdio>

namespace swpctl {

namespace {

struct Document {
    bool json = false;
    bool printed = false;
    bool set = false;
    QJsonObject object;
    QJsonArray list;
    QString listKey;
    QString lastError;
};

Document& State() {
    static Document state;
    return state;
}

// Each line made printable on its own, the line breaks kept.
QString PrintableLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = PrintableText(line);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

QString ExitCodeName(int code) {
    switch (code) {
    case kExitOk:
        return QStringLiteral("ok");
    case kExitOther:
        return QStringLiteral("other");
    case kExitInvalidArguments:
        return QStringLiteral("invalid-arguments");
    case kExitNoDevice:
        return QStringLiteral("no-device");
    case kExitLoginRefused:
        return QStringLiteral("login-refused");
    case kExitTimeout:
        return QStringLiteral("timeout");
    case kExitRefused:
        return QStringLiteral("refused");
    case kExitWpsFailed:
        return QStringLiteral("wps-failed");
    case kExitBadReply:
        return QStringLiteral("bad-reply");
    case kExitSomeFailed:
        return QStringLiteral("some-failed");
    case kExitNoAdapter:
        return QStringLiteral("no-adapter");
    case kExitPortInUse:
        return QStringLiteral("port-in-use");
    case kExitFirewall:
        return QStringLiteral("firewall");
    case kExitReversePath:
        return QStringLiteral("reverse-path-filter");
    case kExitReceiveBuffer:
        return QStringLiteral("receive-buffer");
    case kExitForeignSubnet:
        return QStringLiteral("foreign-address");
    case kExitAdapterDown:
        return QStringLiteral("adapter-down");
    case kExitDiffers:
        return QStringLiteral("differs");
    case kExitDeadline:
        return QStringLiteral("deadline");
    default:
        return QStringLiteral("exit-%1").arg(code);
    }
}

QJsonObject ErrorJson(int code, const QString& message) {
    return {{QStringLiteral("code"), code},
            {QStringLiteral("name"), ExitCodeName(code)},
            {QStringLiteral("message"), message}};
}

void SetJsonOutput(bool json) {
    State().json = json;
}

bool JsonOutput() {
    return State().json;
}

void Out(const QString& text) {
    const QByteArray bytes = PrintableLines(text).toUtf8();
    std::fputs(bytes.constData(), State().json ? stderr : stdout);
    std::fflush(State().json ? stderr : stdout);
}

void Err(const QString& text) {
    State().lastError = text;
    std::fprintf(stderr, "swpctl: %s\n", PrintableText(text).toUtf8().constData());
}

void NoteFailure(const QString& message) {
    State().lastError = message;
}

void SetDocument(const QJsonObject& document) {
    Document& state = State();
    state.set = true;
    state.object = document;
    state.list = {};
    state.listKey.clear();
}

void SetDocument(const QJsonArray& list, const QString& key) {
    Document& state = State();
    state.set = true;
    state.object = {};
    state.list = list;
    state.listKey = key;
}

bool HasDocument() {
    return State().set;
}

void PrintDocument(int code) {
    Document& state = State();
    if (!state.json || state.printed)
        return;
    state.printed = true;
    QJsonDocument document;
    if (code == kExitOk && !state.listKey.isEmpty()) {
        document.setArray(state.list);
    } else {
        QJsonObject object = state.object;
        if (!state.listKey.isEmpty())
            object.insert(state.listKey, state.list);
        if (code != kExitOk)
            object.insert(
                QStringLiteral("error"),
                ErrorJson(code, state.lastError.isEmpty() ? ExitCodeName(code) : state.lastError));
        document.setObject(object);
    }
    std::fputs(document.toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

} // namespace swpctl
