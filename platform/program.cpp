#include "platform/program.h"

#include <QFileInfo>

QString ProgramFilePath() {
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}
