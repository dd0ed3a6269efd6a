-- Wireshark/tshark dissector of the device management protocol: the 18-byte
-- header ("SWP12345", version 2, sender MAC, opcode, payload length) and the
-- payload of TLVs or 49-byte site-survey records, deciphered with the device
-- passwords of the preferences swp.passwords and swp.password_file (the
-- built-in key is tried as well). Keys are shown only when swp.show_keys is on.
--
-- Found on UDP 5432 and 5433, on the port a login reply names, and on any UDP
-- port by the header's magic (the heuristic swp_udp). Requests and replies are
-- paired by host and addressed device; retransmissions, unanswered requests and
-- replies without a request are marked. Statistics: Statistics › SWP Devices
-- and Response Times, or tshark -z swp,stat. Malformed datagrams are marked
-- with expert info; nothing in a datagram can raise a Lua error.
--
-- Runs on the Lua of Wireshark 4.x (5.2 to 5.4): bit operations come from the
-- BitOp library Wireshark loads as the global `bit`.

local ok_proto, swp = pcall(Proto, "swp", "Setup wireless device protocol")
if not ok_proto then
    -- Loaded twice (installed plugin and -X lua_script): the first one serves.
    return
end

local bxor = bit.bxor

local MAGIC = "SWP12345"
local HEADER_SIZE = 18
local SURVEY_RECORD_SIZE = 49
local DEVICE_PORT = 5432
local HOST_PORT = 5433
local BUILT_IN_KEY = "qmvbtrpe8820hxcnwzya"
local OP_DISCOVER, OP_LOGIN, OP_LOGOUT, OP_SET_CONFIG, OP_EVENT, OP_SITE_SURVEY, OP_STA_SET_CONFIG =
    0, 1, 2, 4, 6, 7, 9
local BROADCAST = "255.255.255.255"

-- Bounds: the plaintexts kept for redrawing, the key streams kept, the
-- passwords read from the file, the requests of one host and opcode a reply
-- may belong to, and how long after its request a reply still pairs.
local PLAIN_CACHE_BYTES = 4 * 1024 * 1024
local STREAM_CACHE_KEYS = 8
local PASSWORD_FILE_BYTES = 1024 * 1024
local PASSWORD_FILE_LINES = 1000
local RECENT_REQUESTS = 8
local PAIR_WINDOW_SECONDS = 120
-- Copies of one request leave every adapter at once.
local COPY_WINDOW_SECONDS = 1
-- A request's payload as compared for retransmissions (requests fit 1024 bytes).
local SIGNATURE_BYTES = 1024

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

-- Enumerations: the tree shows the long text, the Info column the name.
local device_modes = {[1] = "DEVICE_AP (access point)", [2] = "DEVICE_WBRIDGE (wireless bridge)"}
local device_mode_names = {[1] = "DEVICE_AP", [2] = "DEVICE_WBRIDGE"}
local ip_modes = {[0] = "static address", [1] = "DHCP"}
local ip_mode_names = {[0] = "static", [1] = "DHCP"}
local security_modes = {[0] = "none", [1] = "WEP", [2] = "WPA-PSK", [3] = "WPA"}
local auth_modes = {[0] = "open", [1] = "shared", [2] = "auto"}
local wepkey_lens = {[0] = "64-bit", [1] = "128-bit"}
local wpa_modes = {[0] = "WPA", [1] = "WPA2", [2] = "automatic"}
local wpa_ciphers = {[0] = "TKIP", [1] = "AES", [2] = "automatic"}
local wireless_modes = {
    [0] = "B/G", [1] = "B", [2] = "A", [3] = "A/B/G", [4] = "G",
    [5] = "A/B/G/N", [6] = "N", [7] = "G/N", [8] = "A/N", [9] = "B/G/N",
}
local result_names = {[0] = "failed", [1] = "succeeded"}
local survey_encryptions = {[0] = "none", [1] = "WEP", [2] = "TKIP", [3] = "AES", [4] = "TKIP and AES"}
local survey_authentications = {
    [0] = "open", [2] = "WPA-PSK", [3] = "WPA2-PSK", [4] = "WPA-PSK and WPA2-PSK",
    [5] = "WPA", [6] = "WPA2", [7] = "WPA and WPA2",
}
local survey_kinds = {[0] = "access point"}

-- The name a one-byte value shows in the Info column, by TLV type.
local info_names = {
    [0x00] = device_mode_names, [0x30] = ip_mode_names, [0x54] = wireless_modes,
    [0x60] = security_modes, [0x61] = auth_modes, [0x62] = wepkey_lens, [0x68] = wpa_modes,
    [0x69] = wpa_ciphers,
}

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
f.addressed = ProtoField.ether("swp.addressed", "Addressed device")
f.retransmission_of = ProtoField.framenum("swp.retransmission_of", "Retransmission of", base.NONE,
                                          frametype.DUP_ACK)
f.copy_of = ProtoField.framenum("swp.copy_of", "Same request on another adapter as")
f.answered_in = ProtoField.framenum("swp.answered_in", "Answered (on another adapter or to a retransmission) in",
                                    base.NONE, frametype.RESPONSE)
f.unanswered = ProtoField.bool("swp.unanswered", "No reply")
f.unpaired = ProtoField.bool("swp.unpaired", "No request")

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
f.result = ProtoField.uint8("swp.result", "Result", base.DEC, result_names)
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
local e_retransmission = ProtoExpert.new("swp.retransmission", "Retransmitted request",
                                         expert.group.SEQUENCE, expert.severity.NOTE)
local e_unanswered = ProtoExpert.new("swp.no_reply", "No reply to this request",
                                     expert.group.SEQUENCE, expert.severity.WARN)
local e_unpaired = ProtoExpert.new("swp.no_request", "Reply without a request",
                                   expert.group.SEQUENCE, expert.severity.WARN)
swp.experts = {e_length, e_overrun, e_trailing, e_tlv_size, e_short_record, e_undeciphered,
               e_short, e_version, e_failed, e_error, e_retransmission, e_unanswered, e_unpaired}

-- Pref.filename came with Wireshark 4.2; before it the file is a plain text.
local ok_filename, file_pref = pcall(function() return Pref.filename end)
if not ok_filename or file_pref == nil then file_pref = Pref.string end

swp.prefs.passwords = Pref.string("Device passwords", "tosca",
    "Device passwords to decipher payloads with, separated by commas; the built-in key is tried too")
swp.prefs.password_file = file_pref("Device password file", "",
    "A file of device passwords, one a line, any characters (commas too); tried after the list. "
    .. "Keep it readable by you only")
swp.prefs.show_keys = Pref.bool("Show wireless keys", false,
    "Show the WEP and WPA keys of wireless setting requests (otherwise they are masked)")

-- ---------------------------------------------------------------------------
-- Text a device sent, made safe for the Info column and item labels: control
-- characters (C0, DEL, C1) and bytes that are not UTF-8 become \xHH; the
-- invisible format characters that reorder or hide text become \u{HHHH}.

local function hidden_code(cp)
    return cp < 0x20 or (cp >= 0x7F and cp < 0xA0) or cp == 0xAD or
        (cp >= 0x600 and cp <= 0x605) or cp == 0x61C or cp == 0x6DD or cp == 0x70F or
        cp == 0x180E or (cp >= 0x200B and cp <= 0x200F) or (cp >= 0x2028 and cp <= 0x202E) or
        (cp >= 0x2060 and cp <= 0x206F) or cp == 0xFEFF or (cp >= 0xFFF9 and cp <= 0xFFFB) or
        cp == 0x110BD or (cp >= 0x1BCA0 and cp <= 0x1BCA3) or (cp >= 0x1D173 and cp <= 0x1D17A) or
        cp == 0xE0001 or (cp >= 0xE0020 and cp <= 0xE007F)
end

-- The code point of the UTF-8 sequence at i and its length, or nil.
local function utf8_at(s, i)
    local c = s:byte(i)
    local length, cp, least
    if c < 0x80 then return c, 1
    elseif c >= 0xC2 and c <= 0xDF then length, cp, least = 2, c - 0xC0, 0x80
    elseif c >= 0xE0 and c <= 0xEF then length, cp, least = 3, c - 0xE0, 0x800
    elseif c >= 0xF0 and c <= 0xF4 then length, cp, least = 4, c - 0xF0, 0x10000
    else return nil end
    for k = 1, length - 1 do
        local cont = s:byte(i + k)
        if cont == nil or cont < 0x80 or cont > 0xBF then return nil end
        cp = cp * 64 + (cont - 0x80)
    end
    if cp < least or cp > 0x10FFFF or (cp >= 0xD800 and cp <= 0xDFFF) then return nil end
    return cp, length
end

local function printable(s)
    if not s:find("[%z\1-\31\127-\255]") then return s end
    local out = {}
    local i, n = 1, #s
    while i <= n do
        local cp, length = utf8_at(s, i)
        if cp == nil then
            out[#out + 1] = string.format("\\x%02x", s:byte(i))
            i = i + 1
        else
            if not hidden_code(cp) then
                out[#out + 1] = s:sub(i, i + length - 1)
            elseif cp < 0x100 then
                out[#out + 1] = string.format("\\x%02x", cp)
            else
                out[#out + 1] = string.format("\\u{%04x}", cp)
            end
            i = i + length
        end
    end
    return table.concat(out)
end

local function mac_text(raw)
    return string.format("%02X:%02X:%02X:%02X:%02X:%02X", raw:byte(1, 6))
end

-- ---------------------------------------------------------------------------
-- Cipher: RC4 keyed by the password; every packet starts a fresh key stream,
-- so one key stream per key serves every packet. A few streams are kept,
-- each generated only as far as a payload needed it.

local streams, stream_order = {}, {}

local function stream_of(key)
    local stream = streams[key]
    if stream then return stream end
    local s = {}
    for i = 0, 255 do s[i] = i end
    local j, key_length = 0, #key
    for i = 0, 255 do
        j = (j + s[i] + key:byte(i % key_length + 1)) % 256
        s[i], s[j] = s[j], s[i]
    end
    stream = {s = s, i = 0, j = 0, bytes = {}, length = 0}
    streams[key] = stream
    stream_order[#stream_order + 1] = key
    if #stream_order > STREAM_CACHE_KEYS then
        streams[table.remove(stream_order, 1)] = nil
    end
    return stream
end

-- The key stream bytes 1..length (at least) of a stream.
local function stream_bytes(stream, length)
    if stream.length >= length then return stream.bytes end
    local s, i, j, out = stream.s, stream.i, stream.j, stream.bytes
    for n = stream.length + 1, length do
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out[n] = s[(s[i] + s[j]) % 256]
    end
    stream.i, stream.j, stream.length = i, j, length
    return out
end

-- a XOR b at a * 256 + b: a table lookup is quicker than a call per byte.
local xor_table = nil

local function crypt(key, data)
    if not xor_table then
        xor_table = {}
        for a = 0, 255 do
            for b = 0, 255 do xor_table[a * 256 + b] = bxor(a, b) end
        end
    end
    local total = #data
    local ks = stream_bytes(stream_of(key), total)
    local out = {}
    for start = 1, total, 4096 do
        local chunk = {data:byte(start, math.min(start + 4095, total))}
        local at = start - 1
        for n = 1, #chunk do
            chunk[n] = xor_table[chunk[n] * 256 + ks[at + n]]
        end
        out[#out + 1] = string.char(table.unpack(chunk))
    end
    return table.concat(out)
end

-- A reader of the payload deciphered with key, byte by byte (1-based),
-- generating the key stream only as far as it is read.
local function reader(key, enciphered)
    local stream = stream_of(key)
    return function(k)
        local ks = stream.bytes
        if stream.length < k then ks = stream_bytes(stream, math.max(k, stream.length * 2, 64)) end
        return bxor(enciphered:byte(k), ks[k])
    end
end

-- ---------------------------------------------------------------------------
-- Passwords: the list, the file, then the built-in key.

local candidates = nil
local password_file_problem = nil

local function file_passwords(path)
    local list = {}
    if path == nil or path == "" then return list end
    local file = io.open(path, "rb")
    if not file then
        password_file_problem = "the password file cannot be read"
        return list
    end
    local data = file:read(PASSWORD_FILE_BYTES + 1) or ""
    file:close()
    if #data > PASSWORD_FILE_BYTES then
        data = data:sub(1, PASSWORD_FILE_BYTES)
        password_file_problem = "only the first MiB of the password file is read"
    end
    for line in (data .. "\n"):gmatch("([^\n]*)\n") do
        line = line:gsub("\r$", "")
        if #line > 0 then
            if #list == PASSWORD_FILE_LINES then
                password_file_problem = string.format(
                    "only the first %d passwords of the file are tried", PASSWORD_FILE_LINES)
                break
            end
            list[#list + 1] = line
        end
    end
    return list
end

local function candidate_keys()
    if candidates then return candidates end
    password_file_problem = nil
    candidates = {}
    local seen = {}
    local function add(key, label)
        if #key > 0 and not seen[key] then
            seen[key] = true
            candidates[#candidates + 1] = {key = key, label = label}
        end
    end
    local index = 0
    for password in ((swp.prefs.passwords or "") .. ","):gmatch("([^,]*),") do
        if #password > 0 then
            index = index + 1
            add(password, string.format("listed password %d", index))
        end
    end
    for n, password in ipairs(file_passwords(swp.prefs.password_file)) do
        add(password, string.format("password %d of the password file", n))
    end
    add(BUILT_IN_KEY, "built-in key")
    return candidates
end

-- ---------------------------------------------------------------------------
-- Which key deciphers a payload. A key counts only when the whole payload
-- reads as what the opcode carries: every TLV of a known type, the walk ending
-- at the payload's end (or one byte before it), or every survey record's
-- numbers made of digits. A device's datagram that none deciphers so is read
-- with the key of that device's other datagrams when it then starts with
-- well-formed TLVs: it was cut short or holds unknown types, not enciphered
-- with another password (a device has one).

local fixed_sizes = {
    [0x00] = 1, [0x02] = 6, [0x30] = 1, [0x31] = 4, [0x32] = 4, [0x33] = 4, [0x52] = 1,
    [0x53] = 1, [0x54] = 1, [0x59] = 1, [0x60] = 1, [0x61] = 1, [0x62] = 1, [0x67] = 1,
    [0x68] = 1, [0x69] = 1, [0x6B] = 0, [0x91] = 1, [0x92] = 2, [0x93] = 1, [0x96] = 4,
}
local key_types = {[0x63] = true, [0x6A] = true}

-- "whole" or "cut" or nil, and the number of fixed-size values of another size.
-- lenient: unknown types pass, and a cut needs one whole TLV before it.
local function read_tlvs(byte_at, total, lenient)
    local offset, count, odd = 0, 0, 0
    while total - offset >= 2 do
        local t, l = byte_at(offset + 1), byte_at(offset + 2)
        if not tlv_names[t] and not lenient then return nil end
        if offset + l + 2 > total then
            if lenient and count > 0 and odd == 0 then return "cut", odd end
            return nil
        end
        local size = fixed_sizes[t]
        if size and size ~= l then odd = odd + 1 end
        count = count + 1
        offset = offset + l + 2
    end
    if count == 0 then return nil end
    return "whole", odd
end

local function number_byte(c)
    return c == 0 or c == 32 or (c >= 48 and c <= 57)
end

local function read_survey(byte_at, total)
    local count = math.floor(total / SURVEY_RECORD_SIZE)
    if count == 0 then return nil end
    for r = 0, count - 1 do
        for at = 39, 44 do
            if not number_byte(byte_at(r * SURVEY_RECORD_SIZE + at + 1)) then return nil end
        end
    end
    return "whole", 0
end

local party_keys = {} -- "device MAC" or "host address" -> the candidate that deciphered its last datagram

local function choose_key(enciphered, is_survey, party)
    local total = #enciphered
    local read = is_survey and read_survey or read_tlvs
    local fallback = nil
    for _, candidate in ipairs(candidate_keys()) do
        local how, odd = read(reader(candidate.key, enciphered), total, false)
        if how == "whole" then
            if odd == 0 then return candidate, false end
            fallback = fallback or candidate
        end
    end
    if fallback then return fallback, false end
    local known = party and party_keys[party]
    if known and not is_survey and read_tlvs(reader(known.key, enciphered), total, true) then
        return known, true
    end
    return nil
end

-- ---------------------------------------------------------------------------
-- Per-capture state. Kept for every frame: the key that deciphered it and what
-- pairing and the statistics need (a few numbers and short texts). Plaintexts
-- are kept only in a bounded cache and deciphered again when it lost them.

local frames = {}       -- frame number -> facts (below)
local plain_cache, plain_order, plain_head, plain_tail, plain_bytes = {}, {}, 1, 0, 0
local recent = {}       -- host .. "/" .. opcode -> the last requests, newest last
local last_send = nil   -- the group of the last request: copies on other adapters join it
local logged_in = {}    -- host -> MAC of the device its login reached
local login_ports = {}

local function reset_state()
    frames = {}
    plain_cache, plain_order, plain_head, plain_tail, plain_bytes = {}, {}, 1, 0, 0
    recent = {}
    last_send = nil
    logged_in = {}
    party_keys = {}
    streams, stream_order = {}, {}
end

function swp.init()
    reset_state()
end

function swp.prefs_changed()
    candidates = nil
    reset_state()
end

local function cached_plain(number)
    return plain_cache[number]
end

local function keep_plain(number, plain)
    if plain_cache[number] or #plain > PLAIN_CACHE_BYTES then return end
    plain_cache[number] = plain
    plain_tail = plain_tail + 1
    plain_order[plain_tail] = number
    plain_bytes = plain_bytes + #plain
    while plain_bytes > PLAIN_CACHE_BYTES do
        local old = plain_order[plain_head]
        plain_order[plain_head] = nil
        plain_head = plain_head + 1
        plain_bytes = plain_bytes - #plain_cache[old]
        plain_cache[old] = nil
    end
end

-- ---------------------------------------------------------------------------
-- What pairing and the statistics read from a plaintext payload.

local function facts_of(plain, facts)
    local total, offset = #plain, 0
    while total - offset >= 2 do
        local t, l = plain:byte(offset + 1), plain:byte(offset + 2)
        if offset + l + 2 > total then return end
        local value = plain:sub(offset + 3, offset + 2 + l)
        if t == 0x91 and l >= 1 then facts.result = value:byte(1)
        elseif t == 0x02 and l == 6 then facts.addressed = value
        elseif t == 0x01 then facts.name = value
        elseif t == 0x00 and l >= 1 then facts.mode = value:byte(1)
        end
        offset = offset + l + 2
    end
end

-- ---------------------------------------------------------------------------
-- Requests and replies. There are no sequence numbers: a reply belongs to the
-- latest request of its opcode from the host it is sent to that addressed the
-- device it comes from (a login names its device; later requests go to the
-- device the host logged in to; a discovery to any). One request leaves every
-- adapter of the host at once: those copies are one exchange, answered when
-- one of them is, so an adapter that reaches no device adds no unanswered
-- request. A request sent again unchanged while the last one had no reply is
-- a retransmission, and part of the same exchange.

local function reply_opcodes(opcode)
    if opcode == OP_SET_CONFIG then return {OP_SET_CONFIG, OP_STA_SET_CONFIG} end
    if opcode == OP_STA_SET_CONFIG then return {OP_STA_SET_CONFIG, OP_SET_CONFIG} end
    return {opcode}
end

local function remember_request(facts, signature)
    local host, opcode = facts.src, facts.opcode
    if opcode == OP_DISCOVER then logged_in[host] = nil end
    local target = opcode == OP_LOGIN and facts.addressed or logged_in[host]
    local request = {frame = facts.number, secs = facts.secs, opcode = opcode, host = host,
                     target = target, signature = signature}
    facts.request = request
    for _, key in ipairs({host .. "/" .. opcode, "*/" .. opcode}) do
        local list = recent[key] or {}
        recent[key] = list
        local previous = list[#list]
        if key ~= "*/" .. opcode and previous and previous.signature == signature and not previous.group.reply then
            request.group = previous.group
            facts.retransmission_of = previous.frame
        end
        list[#list + 1] = request
        if #list > RECENT_REQUESTS then table.remove(list, 1) end
    end
    if not request.group then
        local send = last_send
        if send and send.opcode == opcode and send.signature == signature and not send.hosts[host] and
            facts.secs - send.secs <= COPY_WINDOW_SECONDS then
            request.group = send
            facts.copy_of = send.frame
        else
            request.group = {frame = facts.number, opcode = opcode, signature = signature,
                             secs = facts.secs, hosts = {}, reply = nil}
        end
    end
    request.group.hosts[host] = true
    last_send = request.group
end

local function pair_reply(facts)
    local host = facts.dst
    local scope = host == BROADCAST and "*" or host
    for _, opcode in ipairs(reply_opcodes(facts.opcode)) do
        local list = recent[scope .. "/" .. opcode]
        if list then
            for n = #list, 1, -1 do
                local request = list[n]
                if facts.secs - request.secs > PAIR_WINDOW_SECONDS then break end
                if request.frame < facts.number and (request.target == nil or request.target == facts.mac) then
                    facts.paired = request
                    request.reply = request.reply or facts.number
                    request.group.reply = request.group.reply or facts.number
                    if request.opcode == OP_LOGIN and facts.result and facts.result ~= 0 then
                        logged_in[request.host] = facts.mac
                    end
                    return
                end
            end
        end
    end
    facts.unpaired = true
end

-- The host sends every logout without waiting for its reply (and the engine
-- often closes its sockets before it comes): a logout without one is no fault.
local function awaits_reply(opcode)
    return opcode ~= OP_LOGOUT
end

local function show_pairing(pinfo, tree, facts, info)
    if facts.kind == "Request" then
        local request = facts.request
        if request.target then tree:add(f.addressed, Address.ether(mac_text(request.target))):set_generated() end
        if facts.retransmission_of then
            tree:add(f.retransmission_of, facts.retransmission_of):set_generated()
            tree:add_proto_expert_info(e_retransmission, string.format(
                "Retransmission of the request in frame %d", facts.retransmission_of))
            info[#info + 1] = "[retransmission]"
        end
        if facts.copy_of then tree:add(f.copy_of, facts.copy_of):set_generated() end
        if request.reply then
            tree:add(f.response_in, request.reply):set_generated()
        elseif request.group.reply then
            tree:add(f.answered_in, request.group.reply):set_generated()
        elseif pinfo.visited and request.group.frame == facts.number and awaits_reply(facts.opcode) then
            -- Known only once the whole capture has been read; marked on the
            -- exchange's first request, not on its copies and retransmissions.
            tree:add(f.unanswered, true):set_generated()
            tree:add_proto_expert_info(e_unanswered)
            info[#info + 1] = "[no reply]"
        end
    elseif facts.kind == "Reply" then
        local request = facts.paired
        if request then
            tree:add(f.request_in, request.frame):set_generated()
            local delta = facts.secs - request.secs
            local whole = math.floor(delta)
            local nanos = math.floor((delta - whole) * 1e9 + 0.5)
            if nanos >= 1000000000 then whole, nanos = whole + 1, nanos - 1000000000 end
            tree:add(f.time, NSTime.new(whole, nanos)):set_generated()
        else
            tree:add(f.unpaired, true):set_generated()
            tree:add_proto_expert_info(e_unpaired)
            info[#info + 1] = "[no request]"
        end
    end
end

-- ---------------------------------------------------------------------------
-- Values

-- Key values (whole or cut short) become '*' in the deciphered bytes shown.
local function mask_keys(data)
    if swp.prefs.show_keys then return data end
    local parts = {}
    local offset = 0
    local total = #data
    while total - offset >= 2 do
        local t = data:byte(offset + 1)
        local l = data:byte(offset + 2)
        parts[#parts + 1] = data:sub(offset + 1, offset + 2)
        if offset + l + 2 > total then
            local rest = data:sub(offset + 3)
            if key_types[t] then rest = string.rep("*", #rest) end
            parts[#parts + 1] = rest
            return table.concat(parts)
        end
        local value = data:sub(offset + 3, offset + 2 + l)
        if key_types[t] then value = string.rep("*", l) end
        parts[#parts + 1] = value
        offset = offset + l + 2
    end
    parts[#parts + 1] = data:sub(offset + 1)
    return table.concat(parts)
end

local byte_fields = {
    [0x00] = f.device_mode, [0x30] = f.ip_mode, [0x52] = f.ext_ch, [0x53] = f.std_ch,
    [0x54] = f.wireless_mode, [0x59] = f.sta_flag, [0x60] = f.security_mode,
    [0x61] = f.auth_mode, [0x62] = f.wepkey_len, [0x67] = f.wepkey_index, [0x68] = f.wpa_mode,
    [0x69] = f.wpa_cipher, [0x91] = f.result, [0x93] = f.get_all,
}
local address_fields = {[0x31] = f.lan_ip, [0x32] = f.lan_netmask, [0x33] = f.lan_gateway}
local text_fields = {[0x01] = f.device_name, [0x50] = f.ssid, [0x90] = f.auth_phrase}
local key_fields = {[0x63] = f.wep_key, [0x6A] = f.wpa_psk}

local function quoted(range, l)
    return '"' .. (l > 0 and printable(range:raw()) or "") .. '"'
end

-- The name or number a one-byte value shows in the Info column.
local function byte_text(t, v)
    if t == 0x30 and v ~= 0 then v = 1 end -- any non-zero byte means DHCP
    local names = info_names[t]
    local name = names and names[v]
    if name then return name end
    return string.format("%d", v)
end

-- The TLV's value into the tree; returns a short text for the Info column.
local function add_value(item, t, l, value, opcode, kind)
    local size = fixed_sizes[t]
    if size ~= nil and size ~= l then
        item:add_proto_expert_info(e_tlv_size, string.format("%s carries %d bytes instead of %d",
                                                              tlv_names[t], l, size))
        if l < size then return nil end
    end
    if byte_fields[t] then
        local v = value(0, 1)
        local sub = item:add(byte_fields[t], v)
        local number = v:uint()
        if t == 0x91 then
            if number ~= 0 and number ~= 1 then sub:append_text(" (succeeded)") end
            if number == 0 then sub:add_proto_expert_info(e_failed) end
            return number ~= 0 and "succeeded" or "failed"
        end
        if t == 0x00 and opcode == 3 and kind == "Request" then
            sub:append_text(" (selector: mode only)")
            return "selector"
        end
        return byte_text(t, number)
    elseif address_fields[t] then
        item:add(address_fields[t], value(0, 4))
        return tostring(value(0, 4):ipv4())
    elseif text_fields[t] then
        if l == 0 then
            item:add(text_fields[t], value(0, 0), "")
            return '""'
        end
        item:add(text_fields[t], value(0, l))
        return quoted(value(0, l), l)
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
        return mac_text(value(0, 6):raw())
    elseif t == 0x51 then
        local channels = {}
        for n = 0, l - 1 do channels[#channels + 1] = string.format("%d", value(n, 1):uint()) end
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
        return quoted(value(0, l), l)
    elseif t == 0x92 then
        local port = value(0, 2):uint()
        item:add(f.port, value(0, 2))
        if port ~= 0 and port ~= DEVICE_PORT and port ~= HOST_PORT and not login_ports[port] then
            -- Further requests go to this port: dissect it as this protocol.
            login_ports[port] = true
            pcall(function() DissectorTable.get("udp.port"):add(port, swp) end)
        end
        return string.format("%d", port)
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

local function dissect_tlvs(range, tree, opcode, kind, info)
    local total = range:len()
    local offset = 0
    while total - offset >= 2 do
        local t = range(offset, 1):uint()
        local l = range(offset + 1, 1):uint()
        local name = tlv_names[t] or string.format("0x%02X", t)
        if offset + l + 2 > total then
            local item = tree:add(f.tlv, range(offset, total - offset)):set_text(name .. " (cut short)")
            item:add(f.tlv_type, range(offset, 1))
            item:add(f.tlv_name, range(offset, 1), name)
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
        local shown = add_value(item, t, l, value, opcode, kind)
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

local function number_text(text)
    -- Like the C library's decimal conversion: blanks, digits, then anything.
    local digits = text:match("^%s*([+-]?%d+)")
    return digits and string.format("%d", tonumber(digits)) or "0"
end

local function dissect_survey(range, tree, info)
    local total = range:len()
    local bytes = range:raw()
    local count = math.floor(total / SURVEY_RECORD_SIZE)
    local survey = tree:add(f.survey, range(0, total))
    survey:set_text(string.format("Site survey: %d access point(s)", count))
    for r = 0, count - 1 do
        -- Values are read from the bytes; ranges only place the items.
        local at = r * SURVEY_RECORD_SIZE
        local ssid = bytes:sub(at + 2, at + 33):match("^[^%z]*")
        local signal = number_text(bytes:sub(at + 40, at + 42))
        local channel = number_text(bytes:sub(at + 43, at + 45))
        local encryption, authentication, kind, wps = bytes:byte(at + 46, at + 49)
        local row = survey:add(f.record, range(at, SURVEY_RECORD_SIZE))
        row:set_text(string.format("%2d  %-32s  %s  signal %3s%%  ch %3s  %s/%s%s", r + 1, printable(ssid),
                                   mac_text(bytes:sub(at + 34, at + 39)), signal, channel,
                                   survey_encryptions[encryption] or string.format("%d", encryption),
                                   survey_authentications[authentication] or string.format("%d", authentication),
                                   wps ~= 0 and "  WPS" or ""))
        row:add(f.rec_highlight, range(at, 1))
        row:add(f.rec_ssid, range(at + 1, 32), ssid)
        row:add(f.rec_bssid, range(at + 33, 6))
        row:add(f.rec_signal, range(at + 39, 3), signal)
        row:add(f.rec_channel, range(at + 42, 3), channel)
        row:add(f.rec_encryption, range(at + 45, 1))
        row:add(f.rec_authentication, range(at + 46, 1))
        local kind_item = row:add(f.rec_kind, range(at + 47, 1))
        if kind ~= 0 then kind_item:append_text(" (station)") end
        row:add(f.rec_wps, range(at + 48, 1))
    end
    info[#info + 1] = string.format("%d access point(s)", count)
    local rest = total - count * SURVEY_RECORD_SIZE
    if rest > 0 then
        survey:add_proto_expert_info(e_short_record, string.format(
            "%d bytes after the last whole record, ignored", rest))
    end
end

-- ---------------------------------------------------------------------------

-- The capture file's direction flags (a capture by swpctl or the wizard) tell
-- what the host sent; without them the ports do.
local has_direction, direction_field = pcall(Field.new, "frame.packet_flags_direction")

local function kind_of(pinfo, opcode)
    if opcode == OP_EVENT then return "Event" end
    local ok, direction = false, nil
    if has_direction then ok, direction = pcall(direction_field) end
    if ok and direction then
        if direction.value == 2 then return "Request" end
        if direction.value == 1 then return "Reply" end
    end
    if pinfo.dst_port == HOST_PORT then return "Reply" end
    if pinfo.src_port == HOST_PORT then return "Request" end
    if pinfo.dst_port == DEVICE_PORT or login_ports[pinfo.dst_port] then return "Request" end
    return "Reply"
end

-- The payload deciphered (and the candidate key), from the cache, with the
-- key chosen on the first pass, or by trying the keys.
local function decipher(pinfo, facts, enciphered, is_survey)
    local plain = cached_plain(pinfo.number)
    if plain then return plain end
    if facts.key == nil then
        local party = facts.kind == "Request" and ("host " .. facts.src) or facts.mac
        local candidate, by_party = choose_key(enciphered, is_survey, party)
        facts.key = candidate or false
        facts.by_party = by_party
        if candidate and not by_party then party_keys[party] = candidate end
    end
    if not facts.key then return nil end
    plain = crypt(facts.key.key, enciphered)
    keep_plain(pinfo.number, plain)
    return plain
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

    local facts = frames[pinfo.number]
    if facts == nil then
        facts = {number = pinfo.number, secs = pinfo.abs_ts, opcode = opcode, kind = kind_of(pinfo, opcode),
                 src = tostring(pinfo.src), dst = tostring(pinfo.dst), mac = tvb(9, 6):raw()}
        frames[pinfo.number] = facts
    end
    local kind = facts.kind
    tree:add(f.kind, tvb(15, 1), kind):set_generated()
    tree:append_text(string.format(", %s %s", opname, kind))

    local info = {}
    local available = total - HEADER_SIZE
    if declared ~= available then
        length_item:add_proto_expert_info(e_length, string.format(
            "the header declares %d payload bytes, the datagram holds %d", declared, available))
        info[#info + 1] = "[length mismatch]"
    end
    local size = math.min(declared, available)
    local payload = size > 0 and tvb(HEADER_SIZE, size) or nil
    local is_survey = opcode == OP_SITE_SURVEY and kind ~= "Request"
    local plain = nil
    if payload then
        tree:add(f.payload, payload)
        if opcode == OP_DISCOVER then
            plain = payload:raw() -- discovery travels plain
        else
            plain = decipher(pinfo, facts, payload:raw(), is_survey)
        end
    elseif facts.key == nil then
        facts.key = false
    end

    if not facts.paired_done then
        facts.paired_done = true
        if plain and not is_survey then facts_of(plain, facts) end
        if kind == "Request" then
            remember_request(facts, payload and payload:raw():sub(1, SIGNATURE_BYTES) or "")
        elseif kind == "Reply" then
            pair_reply(facts)
        end
    end
    show_pairing(pinfo, tree, facts, info)

    if payload then
        if plain == nil then
            if password_file_problem then
                tree:add_proto_expert_info(e_undeciphered, string.format(
                    "No password deciphers this payload into a valid TLV walk (%s)", password_file_problem))
            else
                tree:add_proto_expert_info(e_undeciphered)
            end
            info[#info + 1] = "[not deciphered]"
        else
            local shown
            if opcode ~= OP_DISCOVER then
                local label = facts.key.label
                if facts.by_party then label = label .. " (the key of this sender's other datagrams)" end
                tree:add(f.key, payload, label):set_generated()
            end
            if is_survey then
                -- Survey records are not TLVs: nothing in them is a key.
                shown = plain
            else
                shown = mask_keys(plain)
            end
            local range = payload
            if opcode ~= OP_DISCOVER then
                range = ByteArray.new(shown, true):tvb("Deciphered payload")()
            end
            if is_survey then
                dissect_survey(range, tree, info)
            else
                dissect_tlvs(range, tree, opcode, kind, info)
            end
        end
    end
    pinfo.cols.info:set(string.format("%s %s %s", opname, kind, table.concat(info, " ")))
end

local function dissector(tvb, pinfo, root)
    if tvb:len() >= 8 and tvb(0, 8):raw() ~= MAGIC then return 0 end
    local ok, err = pcall(dissect, tvb, pinfo, root)
    if not ok then
        root:add_proto_expert_info(e_error, tostring(err))
    end
    return tvb:len()
end
swp.dissector = dissector

-- Called directly, not through swp.dissector (a dissector handle): that would
-- add the protocol a second time to frame.protocols.
local function heuristic(tvb, pinfo, root)
    if tvb:len() < HEADER_SIZE or tvb(0, 8):raw() ~= MAGIC then return false end
    dissector(tvb, pinfo, root)
    return true
end

local udp_port = DissectorTable.get("udp.port")
udp_port:add(DEVICE_PORT, swp)
udp_port:add(HOST_PORT, swp)
swp:register_heuristic("udp", heuristic)

-- ---------------------------------------------------------------------------
-- Statistics of the frames a tap saw: the devices, the response time of each
-- kind of request, and the exchanges that went wrong. The same text goes to
-- Wireshark's window (Statistics › SWP Devices and Response Times) and to
-- tshark's standard output (-z swp,stat).

local function frame_list(numbers)
    if #numbers == 0 then return "" end
    local shown = {}
    for n = 1, math.min(#numbers, 20) do shown[n] = string.format("%d", numbers[n]) end
    return " (frames " .. table.concat(shown, ", ") .. (#numbers > 20 and ", ..." or "") .. ")"
end

local function milliseconds(secs)
    return string.format("%.3f", secs * 1000)
end

local function statistics_text(numbers)
    local devices, device_order = {}, {}
    local per_opcode = {}
    local groups_seen = {}
    local unanswered, refused, unpaired, retransmitted = {}, {}, {}, {}
    local count = 0
    table.sort(numbers)
    for _, number in ipairs(numbers) do
        local facts = frames[number]
        if facts then
            count = count + 1
            if facts.kind ~= "Request" then
                local device = devices[facts.mac]
                if not device then
                    device = {mac = mac_text(facts.mac)}
                    devices[facts.mac] = device
                    device_order[#device_order + 1] = facts.mac
                end
                device.address = facts.src
                if facts.name then device.name = facts.name end
                if facts.mode and facts.opcode == 3 then device.mode = facts.mode end
                if facts.result == 0 then refused[#refused + 1] = number end
                if facts.unpaired and facts.kind == "Reply" then unpaired[#unpaired + 1] = number end
            elseif facts.request then
                local request = facts.request
                local stats = per_opcode[facts.opcode]
                if not stats then
                    stats = {sent = 0, answered = 0, total = 0}
                    per_opcode[facts.opcode] = stats
                end
                if facts.retransmission_of then retransmitted[#retransmitted + 1] = number end
                local group = request.group
                if not groups_seen[group] then
                    groups_seen[group] = true
                    stats.sent = stats.sent + 1
                    if group.reply then
                        local reply = frames[group.reply]
                        local first = reply and reply.paired and frames[reply.paired.frame]
                        local delta = reply and first and reply.secs - first.secs
                        if delta then
                            stats.answered = stats.answered + 1
                            stats.total = stats.total + delta
                            stats.min = math.min(stats.min or delta, delta)
                            stats.max = math.max(stats.max or delta, delta)
                        end
                    elseif awaits_reply(facts.opcode) then
                        unanswered[#unanswered + 1] = group.frame
                    end
                end
            end
        end
    end

    local lines = {}
    local function line(text) lines[#lines + 1] = text end
    line(string.format("SWP statistics: %d datagram(s)", count))
    line("")
    line("Devices:")
    line(string.format("  %-17s  %-15s  %-14s  %s", "MAC", "Address", "Mode", "Name"))
    for _, key in ipairs(device_order) do
        local device = devices[key]
        local mode = device.mode and (device_mode_names[device.mode] or string.format("%d", device.mode)) or "-"
        line(string.format("  %-17s  %-15s  %-14s  %s", device.mac, device.address, mode,
                           device.name and printable(device.name) or "-"))
    end
    line("")
    line("Response times per request (ms):")
    line(string.format("  %-17s  %5s  %8s  %9s  %9s  %9s", "Request", "Sent", "Answered", "Min", "Avg", "Max"))
    for opcode = 0, 255 do
        local stats = per_opcode[opcode]
        if stats then
            local name = opcode_names[opcode] or string.format("opcode %d", opcode)
            if stats.answered > 0 then
                line(string.format("  %-17s  %5d  %8d  %9s  %9s  %9s", name, stats.sent, stats.answered,
                                   milliseconds(stats.min), milliseconds(stats.total / stats.answered),
                                   milliseconds(stats.max)))
            else
                line(string.format("  %-17s  %5d  %8d  %9s  %9s  %9s", name, stats.sent, 0, "-", "-", "-"))
            end
        end
    end
    line("")
    line(string.format("Unanswered requests: %d%s", #unanswered, frame_list(unanswered)))
    line(string.format("Refused (result failed): %d%s", #refused, frame_list(refused)))
    line(string.format("Replies without a request: %d%s", #unpaired, frame_list(unpaired)))
    line(string.format("Retransmitted requests: %d%s", #retransmitted, frame_list(retransmitted)))
    return table.concat(lines, "\n") .. "\n"
end

-- A tap on every SWP frame; show(text) gets the statistics at each redraw.
local function statistics_tap(show)
    local seen = {}
    local tap = Listener.new(nil, "swp")
    function tap.reset() seen = {} end
    function tap.packet(pinfo) seen[#seen + 1] = pinfo.number end
    function tap.draw() show(statistics_text(seen)) end
    return tap
end

local separator = string.rep("=", 78)

-- tshark -z swp,stat
if register_stat_cmd_arg then
    register_stat_cmd_arg("swp,stat", function()
        statistics_tap(function(text) io.write(separator, "\n", text, separator, "\n") end)
    end)
end

if gui_enabled() then
    register_menu("SWP Devices and Response Times", function()
        local window = TextWindow.new("SWP Devices and Response Times")
        local tap = statistics_tap(function(text) window:set(text) end)
        window:set_atclose(function() tap:remove() end)
        retap_packets()
    end, MENU_STAT_UNSORTED)
end
