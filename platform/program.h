#pragma once

#include <QString>

// Full path of the running program file (the executable), available before
// any application object exists.
QString ProgramFilePath();

// Whether the process with this id is still running (false for 0).
bool ProcessRunning(qint64 pid);
