#pragma once
// Whether a top-level window with exactly this title exists on the desktop.
// Searched on X11; where no search is possible the answer is no.

#include <QString>

bool TopLevelWindowExists(const QString& title);

// Tests replace the search (null restores the desktop's).
void SetWindowFinder(bool (*finder)(const QString& title));
