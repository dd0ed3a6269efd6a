#include "platform/shell.h"

#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The freedesktop answers: xdg-mime names the default application of a MIME
// type, xdg-open opens a file, folder or address with it.
class CDesktopShell : public CShell {
public:
    int FindExecutable(const QString& file, QString& program) override {
        program.clear();
        if (!QFileInfo::exists(file))
            return SE_ERR_FNF;
        const QString xdgMime = QStandardPaths::findExecutable("xdg-mime");
        if (xdgMime.isEmpty())
            return SE_ERR_NOASSOC;
        const QString type = QMimeDatabase().mimeTypeForFile(file).name();
        QProcess query;
        query.start(xdgMime, {"query", "default", type});
        if (!query.waitForFinished(5000)) {
            query.kill();
            query.waitForFinished(1000);
            return SE_ERR_NOASSOC;
        }
        program = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
        return program.isEmpty() ? SE_ERR_NOASSOC : SHELL_OK;
    }

    int ShellExecute(const QString& verb, const QString& target) override {
        Q_UNUSED(verb); // "open" and "explore" both go to the desktop opener
        // An address with a scheme is opened as it is; anything else is a file
        // or folder, a relative one taken from the current working directory.
        const bool address = target.contains(QStringLiteral("://")) ||
                             target.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive);
        const QUrl url =
            address ? QUrl(target) : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
        if (target.isEmpty() || (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())))
            return SE_ERR_FNF;
        const QString xdgOpen = QStandardPaths::findExecutable("xdg-open");
        if (xdgOpen.isEmpty())
            return SE_ERR_NOASSOC;
        const QString arg = url.isLocalFile() ? url.toLocalFile() : url.toString();
        return QProcess::startDetached(xdgOpen, {arg}) ? SHELL_OK : SE_ERR_NOASSOC;
    }
};

CDesktopShell g_DesktopShell;
CShell* g_Shell = nullptr;

} // namespace

CShell& Shell() {
    return g_Shell ? *g_Shell : g_DesktopShell;
}

void SetShell(CShell* shell) {
    g_Shell = shell;
}
