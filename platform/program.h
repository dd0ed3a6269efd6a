#pragma once

#include <QString>

// Full path of the running program file (the executable), available before
// any application object exists.
QString ProgramFilePath();
