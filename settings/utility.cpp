#include "settings/utility.h"

#include "settings/globalvar.h"

QString GetText(const QString& section, const QString& key, const QString& def) {
    if (!g_Var.Ini)
        return def;
    return g_Var.Ini->ReadString(section, key, def);
}
