#include "protocol/catalogue.h"

#include "protocol/packet.h"

namespace swp {

namespace {

const NamedCode kTlvNames[] = {
    {DEVICE_MODE, "DEVICE_MODE"},
    {DEVICE_NAME, "DEVICE_NAME"},
    {DEVICE_MAC, "DEVICE_MAC"},
    {IP_MODE, "IP_MODE"},
    {LAN_IP, "LAN_IP"},
    {LAN_NETMASK, "LAN_NETMASK"},
    {LAN_GATEWAY, "LAN_GATEWAY"},
    {WL_SSID, "WL_SSID"},
    {WL_CH_LIST, "WL_CH_LIST"},
    {WL_EXT_CH, "WL_EXT_CH"},
    {WL_STD_CH, "WL_STD_CH"},
    {WL_WIRELESS_MODE, "WL_WIRELESS_MODE"},
    {WL_STA_FLAG, "WL_STA_FLAG"},
    {WL_SECURITY_MODE, "WL_SECURITY_MODE"},
    {WL_AUTH_MODE, "WL_AUTH_MODE"},
    {WL_WEPKEY_LEN, "WL_WEPKEY_LEN"},
    {WL_WEPKEY, "WL_WEPKEY"},
    {WL_WEPKEY_INDEX, "WL_WEPKEY_INDEX"},
    {WL_WPA_MODE, "WL_WPA_MODE"},
    {WL_WPA_CIPHER, "WL_WPA_CIPHER"},
    {WL_WPA_PSK, "WL_WPA_PSK"},
    {WL_WPS_PBC, "WL_WPS_PBC"},
    {WL_WPS_PIN, "WL_WPS_PIN"},
    {TLVTYPE_OTHER_AUTH_PHRASE, "TLVTYPE_OTHER_AUTH_PHRASE"},
    {TLVTYPE_OTHER_RESULT, "TLVTYPE_OTHER_RESULT"},
    {TLVTYPE_OTHER_PORT, "TLVTYPE_OTHER_PORT"},
    {TLVTYPE_OTHER_GET_ALL, "TLVTYPE_OTHER_GET_ALL"},
    {TLVTYPE_OTHER_CONNECTTIMEOUT, "TLVTYPE_OTHER_CONNECTTIMEOUT"},
    {TLVTYPE_OTHER_WPS_STATUS, "TLVTYPE_OTHER_WPS_STATUS"},
};

const NamedCode kOpcodeNames[] = {
    {OP_DISCOVER, "OP_DISCOVER"},
    {OP_LOGIN, "OP_LOGIN"},
    {OP_LOGOUT, "OP_LOGOUT"},
    {OP_GET_CONFIG, "OP_GET_CONFIG"},
    {OP_SET_CONFIG, "OP_SET_CONFIG"},
    {OP_EVENT, "OP_EVENT"},
    {OP_SITE_SURVEY, "OP_SITE_SURVEY"},
    {OP_STA_GET_CONFIG, "OP_STA_GET_CONFIG"},
    {OP_STA_SET_CONFIG, "OP_STA_SET_CONFIG"},
};

const char* Find(std::span<const NamedCode> names, uint8_t code) {
    for (const NamedCode& named : names)
        if (named.code == code)
            return named.name;
    return nullptr;
}

} // namespace

std::span<const NamedCode> TlvCatalogue() {
    return kTlvNames;
}

std::span<const NamedCode> OpcodeCatalogue() {
    return kOpcodeNames;
}

const char* TlvTypeName(uint8_t type) {
    return Find(kTlvNames, type);
}

const char* OpcodeName(uint8_t opcode) {
    return Find(kOpcodeNames, opcode);
}

} // namespace swp
