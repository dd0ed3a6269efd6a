#pragma once
// File names from the product settings. The settings files of a product were
// written for Windows: "Docs\EULA.rtf", "Manual\GUIDE.PDF", "QIG\", in any
// letter case. ResolveFileName turns such a value into the path of the file
// on this system.

#include <QString>

// The path that name stands for, relative names taken from folder (the
// program folder, or the picture folder for picture names). A backslash
// separates elements as a slash does; each element matches a file or folder
// of that name, the exact name first, else the first one (in name order) that
// differs only in letter case. Elements that match nothing are kept as written,
// so the result of a missing file does not exist. Empty values and addresses
// ("https://...", "mailto:...") are returned unchanged.
QString ResolveFileName(const QString& folder, const QString& name);
