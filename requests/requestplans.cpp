#include "requests/requestplans.h"

#include "protocol/formudp.h"
#include "settings/debug.h"
#include "settings/globalvar.h"

namespace RequestPlans {

RequestPlan IPSetting() {
    RequestPlan plan;
    plan.code = WAIT_IP_SETTING;
    plan.wait = Waits::Setting;
    plan.send = [](TFormUDP& engine) { engine.SendIPSetting(Waits::Setting); };
    return plan;
}

RequestPlan WirelessSetting(bool accessPoint) {
    RequestPlan plan;
    plan.code = accessPoint ? WAIT_WL_SETTING : WAIT_WL_STA_SETTING;
    plan.wait = Waits::Setting;
    plan.send = [accessPoint](TFormUDP& engine) {
        if (accessPoint) {
            DebugLog("DEVICE_AP");
            engine.SendWlSetting(Waits::Setting);
        } else {
            DebugLog("not DEVICE_AP");
            engine.SendWlStationSetting(Waits::Setting);
        }
    };
    return plan;
}

RequestPlan SetMode() {
    RequestPlan plan;
    plan.code = WAIT_SET_MODE;
    plan.wait = Waits::SetMode;
    plan.send = [](TFormUDP& engine) { engine.SendSetMode(Waits::SetMode, g_Var.DeviceMode); };
    plan.logoutBeforeRelogin = false;
    plan.pauseBeforeReread = 0;
    plan.pauseAfterReread = Waits::SettingPause;
    return plan;
}

RequestPlan WPS(bool accessPoint) {
    const bool pbc = g_Var.WpsMethod == 1;
    RequestPlan plan;
    plan.code = pbc ? WAIT_WPS_PBC : WAIT_WPS_PIN;
    plan.wait = Waits::WPS;
    plan.send = [accessPoint, pbc](TFormUDP& engine) {
        if (accessPoint)
            pbc ? engine.SendWPSPBC(Waits::WPS) : engine.SendWPSPIN(Waits::WPS);
        else
            pbc ? engine.SendStaWPSPBC(Waits::WPS) : engine.SendStaWPSPIN(Waits::WPS);
    };
    plan.followWpsStatus = true;
    plan.rereadOnConfigured = accessPoint;
    return plan;
}

} // namespace RequestPlans
