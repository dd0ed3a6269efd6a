#pragma once
// Keyed texts: every user-visible text is looked up by section and key in the
// product settings, with its English text as default.

#include <QString>

// The text of key in section, or def when the settings do not have it (or
// before g_Var has loaded its settings).
QString GetText(const QString& section, const QString& key, const QString& def);
