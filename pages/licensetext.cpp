#include "pages/licensetext.h"

#include "settings/textutil.h"

#include <QFile>
#include <vector>

namespace {

constexpr qint64 kMaxLicenseBytes = 8 * 1024 * 1024;

// Destinations whose text is never shown.
bool IsHiddenDestination(const QByteArray& word) {
    static const char* const hidden[] = {"fonttbl",
                                         "colortbl",
                                         "stylesheet",
                                         "info",
                                         "pict",
                                         "header",
                                         "footer",
                                         "headerl",
                                         "headerr",
                                         "footerl",
                                         "footerr",
                                         "object",
                                         "themedata",
                                         "datastore",
                                         "latentstyles",
                                         "listtable",
                                         "listoverridetable",
                                         "rsidtbl",
                                         "generator",
                                         "xmlnstbl",
                                         "mmathPr"};
    for (const char* name : hidden)
        if (word == name)
            return true;
    return false;
}

struct Group {
    bool hidden = false;
    int skipAfterUnicode = 1; // \ucN: characters that follow \uN as its fallback
};

} // namespace

QString RtfToText(const QByteArray& rtf) {
    QString out;
    std::vector<Group> stack{Group{}};
    int pendingSkip = 0; // fallback characters still to drop after a \uN
    const qsizetype n = rtf.size();
    qsizetype i = 0;
    auto put = [&](QChar c) {
        if (stack.back().hidden)
            return;
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        out += c;
    };
    while (i < n) {
        const char c = rtf[i];
        if (c == '{') {
            if (stack.size() < 1000)
                stack.push_back(stack.back());
            ++i;
            if (i + 1 < n && rtf[i] == '\\' && rtf[i + 1] == '*')
                stack.back().hidden = true;
            continue;
        }
        if (c == '}') {
            if (stack.size() > 1)
                stack.pop_back();
            ++i;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (c != '\\') {
            put(QChar::fromLatin1(c));
            ++i;
            continue;
        }
        // A control symbol or control word.
        ++i;
        if (i >= n)
            break;
        const char s = rtf[i];
        if (s == '\\' || s == '{' || s == '}') {
            put(QChar::fromLatin1(s));
            ++i;
            continue;
        }
        if (s == '\'') {
            const QByteArray hex = rtf.mid(i + 1, 2);
            bool ok = false;
            const int value = hex.toInt(&ok, 16);
            i += 3;
            if (ok && !stack.back().hidden) {
                if (pendingSkip > 0)
                    --pendingSkip;
                else
                    out += DecodeText(QByteArray(1, static_cast<char>(value)));
            }
            continue;
        }
        if (s == '~') {
            put(QChar(0xA0));
            ++i;
            continue;
        }
        if (s == '_') {
            put(QChar(0x2011));
            ++i;
            continue;
        }
        if (!((s >= 'a' && s <= 'z') || (s >= 'A' && s <= 'Z'))) {
            ++i; // other control symbols (\*, \-, \:) show nothing
            continue;
        }
        qsizetype start = i;
        while (i < n && ((rtf[i] >= 'a' && rtf[i] <= 'z') || (rtf[i] >= 'A' && rtf[i] <= 'Z')))
            ++i;
        const QByteArray word = rtf.mid(start, i - start);
        bool hasParam = false;
        long param = 0;
        bool negative = false;
        if (i < n && rtf[i] == '-') {
            negative = true;
            ++i;
        }
        int digits = 0;
        while (i < n && rtf[i] >= '0' && rtf[i] <= '9') {
            if (digits++ < 9)
                param = param * 10 + (rtf[i] - '0');
            hasParam = true;
            ++i;
        }
        if (negative)
            param = -param;
        if (i < n && rtf[i] == ' ')
            ++i; // the delimiter belongs to the control word

        if (IsHiddenDestination(word)) {
            stack.back().hidden = true;
        } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
            put(QLatin1Char('\n'));
        } else if (word == "tab") {
            put(QLatin1Char('\t'));
        } else if (word == "uc" && hasParam) {
            stack.back().skipAfterUnicode = static_cast<int>(qBound(0L, param, 10L));
        } else if (word == "u" && hasParam) {
            const long code = param < 0 ? param + 65536 : param;
            if (!stack.back().hidden && code > 0 && code < 65536)
                out += QChar(static_cast<char16_t>(code));
            pendingSkip = stack.back().skipAfterUnicode;
            continue;
        } else if (word == "emdash") {
            put(QChar(0x2014));
        } else if (word == "endash") {
            put(QChar(0x2013));
        } else if (word == "bullet") {
            put(QChar(0x2022));
        } else if (word == "lquote") {
            put(QChar(0x2018));
        } else if (word == "rquote") {
            put(QChar(0x2019));
        } else if (word == "ldblquote") {
            put(QChar(0x201C));
        } else if (word == "rdblquote") {
            put(QChar(0x201D));
        }
        pendingSkip = 0;
    }
    return out.trimmed();
}

QString ReadLicenseText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray bytes = file.read(kMaxLicenseBytes);
    if (bytes.startsWith("{\\rtf"))
        return RtfToText(bytes);
    return DecodeText(bytes);
}
