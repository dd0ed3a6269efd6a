#pragma once
// Test helper: puts the run state of g_Var (the user's choices, the password,
// the chosen device and access point, the device's mode, PIN and current and
// new configuration) back to how the program starts, so that no test inherits
// what an earlier one left. The product settings stay as loaded.

#include "settings/globalvar.h"

#include <algorithm>
#include <iterator>

inline void ResetGlobalVarState() {
    g_Var.LicenseAccepted = false;
    g_Var.Password.clear();
    g_Var.NonWorking = false;
    g_Var.Device = {};
    g_Var.SetupMethod = 0;
    g_Var.DeviceMode = 0;
    g_Var.WlMethod = 0;
    std::fill(std::begin(g_Var.ApClientPin), std::end(g_Var.ApClientPin), '\0');
    g_Var.WpsMethod = 0;
    g_Var.SelectedAP = {};
    g_Var.CurIP = {};
    g_Var.NewIP = {};
    g_Var.CurWl = {};
    g_Var.NewWl = {};
}
