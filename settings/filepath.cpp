#include "settings/filepath.h"

#include "platform/shell.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// The entry of folder whose name equals element ignoring letter case, or an
// empty text when there is none.
QString MatchIgnoringCase(const QString& folder, const QString& element) {
    const QStringList entries =
        QDir(folder.isEmpty() ? QStringLiteral(".") : folder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(element, Qt::CaseInsensitive) == 0)
            return entry;
    return QString();
}

} // namespace

QString ResolveFileName(const QString& folder, const QString& name) {
    if (name.isEmpty() || IsShellAddress(name))
        return name;
    QString path = name;
    path.replace(u'\\', u'/');

    QString resolved;
    if (path.startsWith(u'/'))
        resolved = QStringLiteral("/");
    else if (!folder.isEmpty())
        resolved = folder.endsWith(u'/') ? folder : folder + u'/';

    bool matching = true;
    const QStringList elements = path.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < elements.size(); ++i) {
        QString element = elements[i];
        if (matching && element != u"." && element != u"..") {
            if (!QFileInfo::exists(resolved + element)) {
                const QString match = MatchIgnoringCase(resolved, element);
                matching = !match.isEmpty();
                if (matching)
                    element = match;
            }
        }
        resolved += element;
        if (i + 1 < elements.size() || path.endsWith(u'/'))
            resolved += u'/';
    }
    return resolved;
}
