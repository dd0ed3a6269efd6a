#pragma once
// The request sequences the wizard and swpctl run, as plans for
// CRequestRunner. Each sends what the pages prepared in g_Var.

#include "requests/requestrunner.h"

namespace RequestPlans {

// g_Var.NewIP; pause, then the re-read.
RequestPlan IPSetting();
// g_Var.NewWl as access point settings or as station settings.
RequestPlan WirelessSetting(bool accessPoint);
// g_Var.DeviceMode; the re-read first, then the pause; no logout before the re-login.
RequestPlan SetMode();
// WPS by push button or PIN (g_Var.WpsMethod); the status events decide.
RequestPlan WPS(bool accessPoint);

} // namespace RequestPlans
