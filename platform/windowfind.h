#pragma once
// Whether a top-level window with exactly this title exists on the desktop.
// Searched on X11; where no search is possible the answer is no.

#include <QString>

// Whether windows can be searched by title here: an X11 display is open to
// this program (not so in a Wayland session without X11), or a test set a
// search.
bool WindowSearchAvailable();
bool TopLevelWindowExists(const QString& title);

// Tests replace the search (null restores the desktop's).
void SetWindowFinder(bool (*finder)(const QString& title));
