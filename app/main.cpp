// Setup: start-up of the wizard.

#include "platform/program.h"
#include "settings/debug.h"
#include "settings/globalvar.h"

int main(int argc, char* argv[]) {
    (void)argc;
    (void)argv;
    // Program initialisation: the debug log first, then the shared state reads
    // the product settings beside the program.
    CDebug debug(ProgramFilePath());
    CDebug::SetInstance(&debug);
    g_Var.Load();
    DebugLog("Setup: settings %s, short name %s", qUtf8Printable(g_Var.Ini->FileName()),
             qUtf8Printable(g_Var.ShortName));
    return 0;
}
