-- Wireshark/tshark dissector of the device management protocol: the 18-byte
-- header ("SWP12345", version 2, sender MAC, opcode, payload length) and the
-- payload of TLVs or 49-byte site-survey records, deciphered with the device
-- passwords listed in the preference swp.passwords (the built-in key is tried
-- as well). Keys are shown only when swp.show_keys is on.
--
-- Found on UDP 5432 and 5433, on the port a login reply names, and on any UDP
-- port by the header's magic. Malformed datagrams are marked with expert
-- info; nothing in a datagram can raise a Lua error.

local ok_proto, swp = pcall(Proto, "swp", "Setup wireless device protocol")
if not ok_proto then
    -- Loaded twice (installed plugin and -X lua_script): the first one serves.
    return
end

local bit = bit32

local MAGIC = "SWP12345"
local HEADER_SIZE = 18
local SURVEY_RECORD_SIZE = 49
local DEVICE_PORT = 5432
local HOST_PORT = 5433
local BUILT_IN_KEY = "qmvbtrpe8820hxcnwzya"

-- The catalogue: names as the engine uses them. A test compares these two
-- tables with the engine's own; keep one entry a line.
-- BEGIN OPCODES
local opcode_names = {
    [0] = "OP_DISCOVER",
    [1] = "OP_LOGIN",
    [2] = "OP_LOGOUT",
    [3] = "OP_GET_CONFIG",
    [4] = "OP_SET_CONFIG",
    [6] = "OP_EVENT",
    [7] = "OP_SITE_SURVEY",
    [8] = "OP_STA_GET_CONFIG",
    [9] = "OP_STA_SET_CONFIG",
}
-- END OPCODES
-- BEGIN TLVS
local tlv_names = {
    [0x00] = "DEVICE_MODE",
    [0x01] = "DEVICE_NAME",
    [0x02] = "DEVICE_MAC",
    [0x30] = "IP_MODE",
    [0x31] = "LAN_IP",
    [0x32] = "LAN_NETMASK",
    [0x33] = "LAN_GATEWAY",
    [0x50] = "WL_SSID",
    [0x51] = "WL_CH_LIST",
    [0x52] = "WL_EXT_CH",
    [0x53] = "WL_STD_CH",
    [0x54] = "WL_WIRELESS_MODE",
    [0x59] = "WL_STA_FLAG",
    [0x60] = "WL_SECURITY_MODE",
    [0x61] = "WL_AUTH_MODE",
    [0x62] = "WL_WEPKEY_LEN",
    [0x63] = "WL_WEPKEY",
    [0x67] = "WL_WEPKEY_INDEX",
    [0x68] = "WL_WPA_MODE",
    [0x69] = "WL_WPA_CIPHER",
    [0x6A] = "WL_WPA_PSK",
    [0x6B] = "WL_WPS_PBC",
    [0x6C] = "WL_WPS_PIN",
    [0x90] = "TLVTYPE_OTHER_AUTH_PHRASE",
    [0x91] = "TLVTYPE_OTHER_RESULT",
    [0x92] = "TLVTYPE_OTHER_PORT",
    [0x93] = "TLVTYPE_OTHER_GET_ALL",
    [0x95] = "TLVTYPE_OTHER_CONNECTTIMEOUT",
    [0x96] = "TLVTYPE_OTHER_WPS_STATUS",
}
-- END TLVS
-- The device's WPS states by the texts the wizard logs.
-- BEGIN WPS STATUS
local wps_status_texts = {
    [0] = "Not used",
    [1] = "Idle",
    [2] = "WSC Fail(Ignore this if Intel/Marvell registrar used)",
    [3] = "Start WSC Process",
    [4] = "Received EAPOL-Start",
    [5] = "Sending EAP-Req(ID)",
    [6] = "Receive EAP-Rsp(ID)",
    [7] = "Receive EAP-Req with wrong WSC SMI Vendor Id",
    [8] = "Receive EAPReq with wrong WSC Vendor Type",
    [9] = "Sending EAP-Req(WSC_START)",
    [10] = "Send M1",
    [11] = "Received M1",
    [12] = "Send M2",
    [13] = "Received M2",
    [14] = "Received M2D",
    [15] = "Send M3",
    [16] = "Received M3",
    [17] = "Send M4",
    [18] = "Received M4",
    [19] = "Send M5",
    [20] = "Received M5",
    [21] = "Send M6",
    [22] = "Received M6",
    [23] = "Send M7",
    [24] = "Received M7",
    [25] = "Send M8",
    [26] = "Received M8",
    [27] = "Processing EAP Response (ACK)",
    [28] = "Processing EAP Request (Done)",
    [29] = "Processing EAP Response (Done)",
    [30] = "Sending EAP-Fail",
    [31] = "WSC_ERROR_HASH_FAIL",
    [32] = "WSC_ERROR_HMAC_FAIL",
    [33] = "WSC_ERROR_DEV_PWD_AUTH_FAIL",
    [34] = "Configured",
    [35] = "SCAN AP",
    [36] = "EAPOL START SENT",
    [37] = "WSC_EAP_RSP_DONE_SENT",
    [38] = "WAIT PINCODE",
    [257] = "PBC:TOO MANY AP",
    [258] = "PBC:NO AP",
    [259] = "EAP_FAIL_RECEIVED",
    [260] = "EAP_NONCE_MISMATCH",
    [261] = "EAP_INVALID_DATA",
    [262] = "PASSWORD_MISMATCH",
    [263] = "EAP_REQ_WRONG_SMI",
    [264] = "EAP_REQ_WRONG_VENDOR_TYPE",
}
-- END WPS STATUS

local device_modes = {[1] = "DEVICE_AP (access point)", [2] = "DEVICE_WBRIDGE (wireless bridge)"}
local ip_modes = {[0] = "static address", [1] = "DHCP"}
local security_modes = {[0] = "none", [1] = "WEP", [2] = "WPA-PSK", [3] = "WPA"}
local auth_modes = {[0] = "open", [1] = "shared", [2] = "auto"}
local wepkey_lens = {[0] = "64-bit", [1] = "128-bit"}
local wpa_modes = {[0] = "WPA", [1] = "WPA2", [2] = "automatic"}
local wpa_ciphers = {[0] = "TKIP", [1] = "AES", [2] = "automatic"}
local wireless_modes = {
    [0] = "B/G", [1] = "B", [2] = "A", [3] = "A/B/G", [4] = "G",
    [5] = "A/B/G/N", [6] = "N", [7] = "G/N", [8] = "A/N", [9] = "B/G/N",
}
local survey_encryptions = {[0] = "none", [1] = "WEP", [2] = "TKIP", [3] = "AES", [4] = "TKIP and AES"}
local survey_authentications = {
    [0] = "open", [2] = "WPA-PSK", [3] = "WPA2-PSK", [4] = "WPA-PSK and WPA2-PSK",
    [5] = "WPA", [6] = "WPA2", [7] = "WPA and WPA2",
}
local survey_kinds = {[0] = "access point"}

local f = swp.fields
f.magic = ProtoField.string("swp.magic", "Magic")
f.version = ProtoField.uint8("swp.version", "Version")
f.sender = ProtoField.ether("swp.sender", "Sender MAC")
f.opcode = ProtoField.uint8("swp.opcode", "Opcode", base.DEC, opcode_names)
f.length = ProtoField.uint16("swp.length", "Payload length")
f.kind = ProtoField.string("swp.kind", "Kind")
f.payload = ProtoField.bytes("swp.payload", "Payload as sent")
f.key = ProtoField.string("swp.key", "Deciphered with")
f.request_in = ProtoField.framenum("swp.request_in", "Request in", base.NONE, frametype.REQUEST)
f.response_in = ProtoField.framenum("swp.response_in", "Response in", base.NONE, frametype.RESPONSE)
f.time = ProtoField.relative_time("swp.time", "Time since request")

f.tlv = ProtoField.none("swp.tlv", "TLV")
f.tlv_type = ProtoField.uint8("swp.tlv.type", "Type", base.HEX, tlv_names)
f.tlv_name = ProtoField.string("swp.tlv.name", "Name")
f.tlv_length = ProtoField.uint8("swp.tlv.length", "Length")
f.tlv_value = ProtoField.bytes("swp.tlv.value", "Value")

f.device_mode = ProtoField.uint8("swp.device_mode", "Device mode", base.DEC, device_modes)
f.device_name = ProtoField.string("swp.device_name", "Device name")
f.device_mac = ProtoField.ether("swp.device_mac", "Device MAC")
f.ip_mode = ProtoField.uint8("swp.ip_mode", "IP mode", base.DEC, ip_modes)
f.lan_ip = ProtoField.ipv4("swp.lan_ip", "IP address")
f.lan_netmask = ProtoField.ipv4("swp.lan_netmask", "Subnet mask")
f.lan_gateway = ProtoField.ipv4("swp.lan_gateway", "Gateway")
f.ssid = ProtoField.string("swp.ssid", "SSID")
f.channels = ProtoField.string("swp.channels", "Channel list")
f.ext_ch = ProtoField.uint8("swp.ext_ch", "Extension channel")
f.std_ch = ProtoField.uint8("swp.std_ch", "Channel")
f.wireless_mode = ProtoField.uint8("swp.wireless_mode", "Wireless mode", base.DEC, wireless_modes)
f.sta_flag = ProtoField.uint8("swp.sta_flag", "Station flag")
f.security_mode = ProtoField.uint8("swp.security_mode", "Security", base.DEC, security_modes)
f.auth_mode = ProtoField.uint8("swp.auth_mode", "WEP authentication", base.DEC, auth_modes)
f.wepkey_len = ProtoField.uint8("swp.wepkey_len", "WEP key length", base.DEC, wepkey_lens)
f.wep_key = ProtoField.string("swp.wep_key", "WEP key")
f.wepkey_index = ProtoField.uint8("swp.wepkey_index", "WEP key index")
f.wpa_mode = ProtoField.uint8("swp.wpa_mode", "WPA mode", base.DEC, wpa_modes)
f.wpa_cipher = ProtoField.uint8("swp.wpa_cipher", "WPA cipher", base.DEC, wpa_ciphers)
f.wpa_psk = ProtoField.string("swp.wpa_psk", "WPA pre-shared key")
f.wps_pbc = ProtoField.none("swp.wps_pbc", "WPS push button")
f.wps_pin = ProtoField.string("swp.wps_pin", "WPS PIN")
f.wps_pin_number = ProtoField.uint32("swp.wps_pin_number", "WPS PIN of the device", base.HEX)
f.auth_phrase = ProtoField.string("swp.auth_phrase", "Authentication phrase")
f.result = ProtoField.uint8("swp.result", "Result", base.DEC, {[0] = "failed", [1] = "succeeded"})
f.port = ProtoField.uint16("swp.port", "Port for further requests")
f.get_all = ProtoField.uint8("swp.get_all", "Get all")
f.connect_timeout = ProtoField.bytes("swp.connect_timeout", "Login timed out")
f.wps_status = ProtoField.int32("swp.wps_status", "WPS status", base.DEC, wps_status_texts)

f.survey = ProtoField.none("swp.survey", "Site survey")
f.record = ProtoField.none("swp.survey.record", "Access point")
f.rec_highlight = ProtoField.uint8("swp.survey.highlight", "Highlighted")
f.rec_ssid = ProtoField.string("swp.survey.ssid", "SSID")
f.rec_bssid = ProtoField.ether("swp.survey.bssid", "BSSID")
f.rec_signal = ProtoField.string("swp.survey.signal", "Signal (%)")
f.rec_channel = ProtoField.string("swp.survey.channel", "Channel")
f.rec_encryption = ProtoField.uint8("swp.survey.encryption", "Encryption", base.DEC, survey_encryptions)
f.rec_authentication = ProtoField.uint8("swp.survey.authentication", "Authentication", base.DEC,
                                        survey_authentications)
f.rec_kind = ProtoField.uint8("swp.survey.kind", "Network kind", base.DEC, survey_kinds)
f.rec_wps = ProtoField.uint8("swp.survey.wps", "WPS")

local e_length = ProtoExpert.new("swp.length_mismatch", "Payload length does not match the datagram",
                                 expert.group.MALFORMED, expert.severity.ERROR)
local e_overrun = ProtoExpert.new("swp.tlv_overrun", "TLV runs past the payload",
                                  expert.group.MALFORMED, expert.severity.ERROR)
local e_trailing = ProtoExpert.new("swp.trailing_byte", "Single trailing byte after the TLVs",
                                   expert.group.MALFORMED, expert.severity.WARN)
local e_tlv_size = ProtoExpert.new("swp.tlv_size", "TLV value has not its fixed size",
                                   expert.group.MALFORMED, expert.severity.WARN)
local e_short_record = ProtoExpert.new("swp.short_record", "Short site-survey record",
                                       expert.group.MALFORMED, expert.severity.ERROR)
local e_undeciphered = ProtoExpert.new("swp.undeciphered",
                                       "No password deciphers this payload into a valid TLV walk",
                                       expert.group.DECRYPTION, expert.severity.WARN)
local e_short = ProtoExpert.new("swp.short", "Datagram shorter than the header",
                                expert.group.MALFORMED, expert.severity.ERROR)
local e_version = ProtoExpert.new("swp.bad_version", "Unknown protocol version",
                                  expert.group.MALFORMED, expert.severity.WARN)
local e_failed = ProtoExpert.new("swp.failed", "The device answers: failed",
                                 expert.group.RESPONSE_CODE, expert.severity.NOTE)
local e_error = ProtoExpert.new("swp.dissector_error", "Dissector could not read this datagram",
                                expert.group.MALFORMED, expert.severity.ERROR)
swp.experts = {e_length, e_overrun, e_trailing, e_tlv_size, e_short_record, e_undeciphered,
               e_short, e_version, e_failed, e_error}

swp.prefs.passwords = Pref.string("Device passwords", "tosca",
    "Device passwords to decipher payloads with, separated by commas; the built-in key is tried too")
swp.prefs.show_keys = Pref.bool("Show wireless keys", false,
    "Show the WEP and WPA keys of wireless setting requests (otherwise they are masked)")

-- ---------------------------------------------------------------------------
-- Cipher: RC4 keyed by the password; every packet starts a fresh key stream,
-- so one key stream per key serves every packet.

local keystreams = {}

local function keystream(key, length)
    local cached = keystreams[key]
    if cached and #cached.bytes >= length then
        return cached.bytes
    end
    local s = {}
    for i = 0, 255 do s[i] = i end
    local j = 0
    local key_length = #key
    for i = 0, 255 do
        j = (j + s[i] + key:byte(i % key_length + 1)) % 256
        s[i], s[j] = s[j], s[i]
    end
    local out = {}
    local i = 0
    j = 0
    local want = math.max(length, 2048)
    for n = 1, want do
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out[n] = s[(s[i] + s[j]) % 256]
    end
    cached = {bytes = out}
    keystreams[key] = cached
    return out
end

local function crypt(key, data)
    if #key == 0 then key = BUILT_IN_KEY end
    local stream = keystream(key, #data)
    local out = {}
    for n = 1, #data do
        out[n] = string.char(bit.bxor(data:byte(n), stream[n]))
    end
    return table.concat(out)
end

-- The keys to try, in order: the listed passwords, then the built-in key.
local function candidate_keys()
    local keys = {}
    local list = swp.prefs.passwords or ""
    local index = 0
    for password in (list .. ","):gmatch("([^,]*),") do
        if #password > 0 then
            index = index + 1
            keys[#keys + 1] = {key = password, label = "listed password " .. index}
        end
    end
    keys[#keys + 1] = {key = BUILT_IN_KEY, label = "built-in key"}
    return keys
end

-- ---------------------------------------------------------------------------
-- Plausibility of a deciphered payload

-- How well a deciphered payload (a Lua string) reads as TLVs: 3 for a walk
-- that ends exactly (or one byte short) over known types only, 2 when some
-- types are unknown, 1 when known TLVs come before a TLV that runs past the
-- end, 0 for anything else. A wrong key gives 0 but by rare chance.
local function tlv_walk_score(data)
    local total = #data
    if total == 0 then return 3 end
    local offset, known, unknown = 0, 0, 0
    while total - offset >= 2 do
        local t = data:byte(offset + 1)
        local l = data:byte(offset + 2)
        if offset + l + 2 > total then
            return known > 0 and unknown == 0 and 1 or 0
        end
        if tlv_names[t] then known = known + 1 else unknown = unknown + 1 end
        offset = offset + l + 2
    end
    if known == 0 then return 0 end
    return unknown == 0 and 3 or 2
end

local function number_field_ok(data, at)
    for n = at, at + 2 do
        local c = data:byte(n + 1)
        if not (c == 0 or c == 32 or (c >= 48 and c <= 57)) then return false end
    end
    return true
end

local function valid_survey(data)
    local count = math.floor(#data / SURVEY_RECORD_SIZE)
    for r = 0, count - 1 do
        local base_at = r * SURVEY_RECORD_SIZE
        if not number_field_ok(data, base_at + 39) or not number_field_ok(data, base_at + 42) then
            return false
        end
    end
    return true
end

-- ---------------------------------------------------------------------------
-- Per-capture state: the chosen key per frame, the requests and their replies.

local decipher_cache = {}
local requests = {}   -- key -> list of {frame, secs} in frame order
local replies_of = {} -- request frame -> first reply frame
local request_of = {} -- reply frame -> {frame, secs}
local login_ports = {}

function swp.init()
    decipher_cache = {}
    requests = {}
    replies_of = {}
    request_of = {}
    keystreams = {}
end

function swp.prefs_changed()
    decipher_cache = {}
end

local function decipher(pinfo, opcode, enciphered)
    local cached = decipher_cache[pinfo.number]
    if cached then return cached.plain, cached.label end
    local plain, label, best = nil, nil, 0
    for _, candidate in ipairs(candidate_keys()) do
        local attempt = crypt(candidate.key, enciphered)
        local score
        if opcode == 7 then
            score = valid_survey(attempt) and 3 or 0
        else
            score = tlv_walk_score(attempt)
        end
        if score > best then
            plain, label, best = attempt, candidate.label, score
            if score == 3 then break end
        end
    end
    decipher_cache[pinfo.number] = {plain = plain, label = label}
    return plain, label
end

-- ---------------------------------------------------------------------------
-- Values

local function text_of(range)
    return range:raw()
end

local function mask_keys(data)
    -- Key values are replaced by '*' in what the deciphered tab shows.
    if swp.prefs.show_keys then return data end
    local parts = {}
    local offset = 0
    local total = #data
    while total - offset >= 2 do
        local t = data:byte(offset + 1)
        local l = data:byte(offset + 2)
        if offset + l + 2 > total then break end
        parts[#parts + 1] = data:sub(offset + 1, offset + 2)
        local value = data:sub(offset + 3, offset + 2 + l)
        if t == 0x63 or t == 0x6A then value = string.rep("*", l) end
        parts[#parts + 1] = value
        offset = offset + l + 2
    end
    parts[#parts + 1] = data:sub(offset + 1)
    return table.concat(parts)
end

local fixed_sizes = {
    [0x00] = 1, [0x02] = 6, [0x30] = 1, [0x31] = 4, [0x32] = 4, [0x33] = 4, [0x52] = 1,
    [0x53] = 1, [0x54] = 1, [0x59] = 1, [0x60] = 1, [0x61] = 1, [0x62] = 1, [0x67] = 1,
    [0x68] = 1, [0x69] = 1, [0x6B] = 0, [0x91] = 1, [0x92] = 2, [0x93] = 1, [0x96] = 4,
}

local byte_fields = {
    [0x00] = f.device_mode, [0x30] = f.ip_mode, [0x52] = f.ext_ch, [0x53] = f.std_ch,
    [0x54] = f.wireless_mode, [0x59] = f.sta_flag, [0x60] = f.security_mode,
    [0x61] = f.auth_mode, [0x62] = f.wepkey_len, [0x67] = f.wepkey_index, [0x68] = f.wpa_mode,
    [0x69] = f.wpa_cipher, [0x91] = f.result, [0x93] = f.get_all,
}
local address_fields = {[0x31] = f.lan_ip, [0x32] = f.lan_netmask, [0x33] = f.lan_gateway}
local text_fields = {[0x01] = f.device_name, [0x50] = f.ssid, [0x90] = f.auth_phrase}
local key_fields = {[0x63] = f.wep_key, [0x6A] = f.wpa_psk}

-- The TLV's value into the tree; returns a short text for the Info column.
local function add_value(item, t, l, value, opcode, kind, pinfo)
    local size = fixed_sizes[t]
    if size ~= nil and size ~= l then
        item:add_proto_expert_info(e_tlv_size, string.format("%s carries %d bytes instead of %d",
                                                              tlv_names[t], l, size))
        if l < size then return nil end
    end
    if byte_fields[t] then
        local v = value(0, 1)
        local sub = item:add(byte_fields[t], v)
        if t == 0x91 then
            local r = v:uint()
            if r ~= 0 and r ~= 1 then sub:append_text(" (succeeded)") end
            if r == 0 then sub:add_proto_expert_info(e_failed) end
            return r ~= 0 and "succeeded" or "failed"
        end
        if t == 0x00 and opcode == 3 and kind == "Request" then sub:append_text(" (selector: mode only)") end
        return tostring(v:uint())
    elseif address_fields[t] then
        item:add(address_fields[t], value(0, 4))
        return tostring(value(0, 4):ipv4())
    elseif text_fields[t] then
        if l == 0 then
            item:add(text_fields[t], value(0, 0), "")
            return '""'
        end
        item:add(text_fields[t], value(0, l))
        return '"' .. text_of(value(0, l)) .. '"'
    elseif key_fields[t] then
        if swp.prefs.show_keys then
            if l > 0 then item:add(key_fields[t], value(0, l)) else item:add(key_fields[t], value(0, 0), "") end
        else
            item:add(key_fields[t], value(0, l), string.rep("*", l)):append_text(
                " (hidden: turn on the preference swp.show_keys)")
        end
        return nil
    elseif t == 0x02 then
        item:add(f.device_mac, value(0, 6))
        return tostring(value(0, 6):ether())
    elseif t == 0x51 then
        local channels = {}
        for n = 0, l - 1 do channels[#channels + 1] = tostring(value(n, 1):uint()) end
        local text = table.concat(channels, " ")
        if l > 0 then item:add(f.channels, value(0, l), text) else item:add(f.channels, value(0, 0), "") end
        return text
    elseif t == 0x6B then
        item:add(f.wps_pbc, value(0, 0))
        return nil
    elseif t == 0x6C then
        if opcode == 3 and kind ~= "Request" and l == 4 then
            item:add(f.wps_pin_number, value(0, 4))
            return string.format("0x%08X", value(0, 4):uint())
        end
        if l > 0 then item:add(f.wps_pin, value(0, l)) else item:add(f.wps_pin, value(0, 0), "") end
        return '"' .. (l > 0 and text_of(value(0, l)) or "") .. '"'
    elseif t == 0x92 then
        local port = value(0, 2):uint()
        item:add(f.port, value(0, 2))
        if port ~= 0 and port ~= DEVICE_PORT and port ~= HOST_PORT and not login_ports[port] then
            -- Further requests go to this port: dissect it as this protocol.
            login_ports[port] = true
            pcall(function() DissectorTable.get("udp.port"):add(port, swp) end)
        end
        return tostring(port)
    elseif t == 0x95 then
        if l > 0 then item:add(f.connect_timeout, value(0, l)) else item:add(f.connect_timeout, value(0, 0)) end
        return nil
    elseif t == 0x96 then
        local status = value(0, 4):int()
        item:add(f.wps_status, value(0, 4))
        return string.format("%d %s", status, wps_status_texts[status] or "Unknown")
    end
    return nil
end

local function dissect_tlvs(range, tree, pinfo, opcode, kind, info)
    local total = range:len()
    local offset = 0
    while total - offset >= 2 do
        local t = range(offset, 1):uint()
        local l = range(offset + 1, 1):uint()
        local name = tlv_names[t] or string.format("0x%02X", t)
        if offset + l + 2 > total then
            local item = tree:add(f.tlv, range(offset, total - offset)):set_text(name .. " (cut short)")
            item:add(f.tlv_type, range(offset, 1))
            item:add(f.tlv_length, range(offset + 1, 1))
            item:add_proto_expert_info(e_overrun, string.format(
                "%s declares %d value bytes, %d remain", name, l, total - offset - 2))
            info[#info + 1] = name .. "?"
            return
        end
        local item = tree:add(f.tlv, range(offset, l + 2))
        item:set_text(name)
        item:add(f.tlv_type, range(offset, 1))
        item:add(f.tlv_name, range(offset, 1), name)
        item:add(f.tlv_length, range(offset + 1, 1))
        local value = function(at, size)
            -- An empty value is shown on the TLV's type and length bytes.
            if size == 0 then return range(offset, 2) end
            return range(offset + 2 + at, size)
        end
        local hidden_key = key_fields[t] and not swp.prefs.show_keys
        if l > 0 and not hidden_key then item:add(f.tlv_value, range(offset + 2, l)) end
        local shown = add_value(item, t, l, value, opcode, kind, pinfo)
        if shown then
            item:append_text(": " .. shown)
            info[#info + 1] = name .. "=" .. shown
        else
            info[#info + 1] = name
        end
        offset = offset + l + 2
    end
    if total - offset == 1 then
        tree:add_proto_expert_info(e_trailing)
    end
end

local function number_text(range)
    -- Like the C library's decimal conversion: blanks, digits, then anything.
    local s = range:raw()
    local digits = s:match("^%s*([+-]?%d+)")
    return digits and tostring(tonumber(digits)) or "0"
end

local function dissect_survey(range, tree, info)
    local total = range:len()
    local count = math.floor(total / SURVEY_RECORD_SIZE)
    local survey = tree:add(f.survey, range(0, total))
    survey:set_text(string.format("Site survey: %d access point(s)", count))
    for r = 0, count - 1 do
        local rec = range(r * SURVEY_RECORD_SIZE, SURVEY_RECORD_SIZE)
        local ssid = rec(1, 32):raw():match("^[^%z]*")
        local signal = number_text(rec(39, 3))
        local channel = number_text(rec(42, 3))
        local row = survey:add(f.record, rec)
        row:set_text(string.format("%2d  %-32s  %s  signal %3s%%  ch %3s  %s/%s%s", r + 1, ssid,
                                   tostring(rec(33, 6):ether()), signal, channel,
                                   survey_encryptions[rec(45, 1):uint()] or tostring(rec(45, 1):uint()),
                                   survey_authentications[rec(46, 1):uint()] or tostring(rec(46, 1):uint()),
                                   rec(48, 1):uint() ~= 0 and "  WPS" or ""))
        row:add(f.rec_highlight, rec(0, 1))
        row:add(f.rec_ssid, rec(1, 32), ssid)
        row:add(f.rec_bssid, rec(33, 6))
        row:add(f.rec_signal, rec(39, 3), signal)
        row:add(f.rec_channel, rec(42, 3), channel)
        row:add(f.rec_encryption, rec(45, 1))
        row:add(f.rec_authentication, rec(46, 1))
        local kind = row:add(f.rec_kind, rec(47, 1))
        if rec(47, 1):uint() ~= 0 then kind:append_text(" (station)") end
        row:add(f.rec_wps, rec(48, 1))
    end
    info[#info + 1] = string.format("%d access point(s)", count)
    local rest = total - count * SURVEY_RECORD_SIZE
    if rest > 0 then
        survey:add_proto_expert_info(e_short_record, string.format(
            "%d bytes after the last whole record, ignored", rest))
    end
end

-- ---------------------------------------------------------------------------
-- Requests and replies: no sequence numbers, so a reply belongs to the last
-- request of its opcode from the host it is sent to.

local function link(pinfo, tree, opcode, kind)
    if kind == "Event" then return end
    local secs = pinfo.abs_ts
    local host = kind == "Request" and tostring(pinfo.src) or tostring(pinfo.dst)
    local keys = {tostring(opcode)}
    if host ~= "255.255.255.255" then table.insert(keys, 1, host .. "/" .. opcode) end
    if not pinfo.visited then
        if kind == "Request" then
            for _, key in ipairs({host .. "/" .. opcode, tostring(opcode)}) do
                requests[key] = requests[key] or {}
                table.insert(requests[key], {frame = pinfo.number, secs = secs})
            end
        else
            for _, key in ipairs(keys) do
                local list = requests[key]
                if list and #list > 0 then
                    local request = list[#list]
                    request_of[pinfo.number] = request
                    if not replies_of[request.frame] then replies_of[request.frame] = pinfo.number end
                    break
                end
            end
        end
    end
    if kind == "Request" then
        local reply = replies_of[pinfo.number]
        if reply then tree:add(f.response_in, reply):set_generated() end
    else
        local request = request_of[pinfo.number]
        if request then
            tree:add(f.request_in, request.frame):set_generated()
            local delta = secs - request.secs
            local whole = math.floor(delta)
            local nanos = math.floor((delta - whole) * 1e9 + 0.5)
            tree:add(f.time, NSTime.new(whole, nanos)):set_generated()
        end
    end
end

-- ---------------------------------------------------------------------------

local function kind_of(pinfo, opcode)
    if opcode == 6 then return "Event" end
    if pinfo.dst_port == HOST_PORT then return "Reply" end
    if pinfo.src_port == HOST_PORT then return "Request" end
    if pinfo.dst_port == DEVICE_PORT or login_ports[pinfo.dst_port] then return "Request" end
    return "Reply"
end

local function dissect(tvb, pinfo, root)
    local total = tvb:len()
    pinfo.cols.protocol:set("SWP")
    local tree = root:add(swp, tvb())
    if total < HEADER_SIZE then
        tree:add_proto_expert_info(e_short, string.format("%d bytes, the header needs 18", total))
        pinfo.cols.info:set("Malformed: shorter than the header")
        return
    end
    tree:add(f.magic, tvb(0, 8))
    local version = tree:add(f.version, tvb(8, 1))
    if tvb(8, 1):uint() ~= 2 then version:add_proto_expert_info(e_version) end
    tree:add(f.sender, tvb(9, 6))
    local opcode = tvb(15, 1):uint()
    local opname = opcode_names[opcode] or string.format("opcode %d", opcode)
    tree:add(f.opcode, tvb(15, 1))
    local declared = tvb(16, 2):uint()
    local length_item = tree:add(f.length, tvb(16, 2))
    local kind = kind_of(pinfo, opcode)
    tree:add(f.kind, tvb(15, 1), kind):set_generated()
    tree:append_text(string.format(", %s %s", opname, kind))
    link(pinfo, tree, opcode, kind)

    local info = {}
    local available = total - HEADER_SIZE
    if declared ~= available then
        length_item:add_proto_expert_info(e_length, string.format(
            "the header declares %d payload bytes, the datagram holds %d", declared, available))
        info[#info + 1] = "[length mismatch]"
    end
    local size = math.min(declared, available)
    if size > 0 then
        local payload = tvb(HEADER_SIZE, size)
        tree:add(f.payload, payload)
        if opcode == 0 then
            -- Discovery travels plain.
            dissect_tlvs(payload, tree, pinfo, opcode, kind, info)
        else
            local plain, label = decipher(pinfo, opcode, payload:raw())
            if plain == nil then
                tree:add_proto_expert_info(e_undeciphered)
                info[#info + 1] = "[not deciphered]"
            else
                tree:add(f.key, payload, label):set_generated()
                local shown = mask_keys(plain)
                local deciphered = ByteArray.new(shown, true):tvb("Deciphered payload")
                if opcode == 7 then
                    dissect_survey(deciphered(), tree, info)
                else
                    dissect_tlvs(deciphered(), tree, pinfo, opcode, kind, info)
                end
            end
        end
    end
    pinfo.cols.info:set(string.format("%s %s %s", opname, kind, table.concat(info, " ")))
end

function swp.dissector(tvb, pinfo, root)
    if tvb:len() >= 8 and tvb(0, 8):raw() ~= MAGIC then return 0 end
    local ok, err = pcall(dissect, tvb, pinfo, root)
    if not ok then
        root:add_proto_expert_info(e_error, tostring(err))
    end
    return tvb:len()
end

local function heuristic(tvb, pinfo, root)
    if tvb:len() < HEADER_SIZE or tvb(0, 8):raw() ~= MAGIC then return false end
    swp.dissector(tvb, pinfo, root)
    return true
end

local udp_port = DissectorTable.get("udp.port")
udp_port:add(DEVICE_PORT, swp)
udp_port:add(HOST_PORT, swp)
swp:register_heuristic("udp", heuristic)
