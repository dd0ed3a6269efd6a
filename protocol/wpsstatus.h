#pragma once
// The values of the device's WPS status event (TLVTYPE_OTHER_WPS_STATUS) and
// their log texts.

namespace swp {

enum WpsStatus : int {
    WPS_STATUS_IDLE = 1,       // pairing over (or never began)
    WPS_STATUS_FAIL = 2,       // WSC failure
    WPS_STATUS_START = 3,      // "Start WSC Process"
    WPS_STATUS_CONFIGURED = 34 // paired
};

// The log text of a status value; "Unknown" for values without one.
const char* WpsStatusText(int status);

} // namespace swp
