#pragma once
// The waits the wizard and swpctl fix, in milliseconds, as the device and the
// user see them (timers go through Timing::Interval). Request waits are how
// long the engine waits for the reply; pauses and limits are the callers' own.

namespace Waits {

// Request waits.
constexpr int Discover = 4000;
constexpr int Login = 5000;
constexpr int GetConfig = 15000;
constexpr int GetMode = 3000;
constexpr int StaGetConfig = 3000;
constexpr int SiteSurvey = 7000;
constexpr int WPS = 10000;
constexpr int SetMode = 28000;
constexpr int Setting = 32000; // IP, wireless and station settings

// Pauses.
constexpr int SettingPause = 3000;        // the device applies a setting or a mode switch
constexpr int WpsIdlePause = 25000;       // after WPS status 1, before the re-read
constexpr int WpsConfiguredPause = 10000; // after WPS status 34 on an access point

// Limits.
constexpr int WpsIdleWindow = 100000;  // status 1 counts as success this soon after status 3
constexpr int WpsStatusLimit = 180000; // no final WPS status this long after acceptance
constexpr int ProgressLimit = 300000;  // the progress dialog gives up (1500 ticks of 200 ms)
constexpr int SearchLimit = 10000;     // the device list's search ends, should no time-out come

// The launcher's watch of the reader installer it started.
constexpr int InstallerFirstLook = 10000; // after the start, the first look for its window
constexpr int InstallerPoll = 1000;       // while its window is there

} // namespace Waits
