-- The dissector under a plain Lua interpreter with the stand-in of Wireshark's
-- API: it loads, dissects a login, a configuration and a cut-short key on the
-- first and second pass, and gives its statistics to tshark's -z and to the
-- Statistics menu. Run as: lua5.x test_lua.lua standin.lua swp.lua
-- Exit status 0 when every check holds.

local standin = dofile(arg[1])
standin.gui = true
dofile(arg[2])
local swp = standin.protos.swp

local failures, checks = 0, 0
local function check(ok, what)
    checks = checks + 1
    if not ok then
        failures = failures + 1
        print("FAIL: " .. what)
    end
end
local function equal(expected, got, what)
    check(expected == got, string.format("%s: expected %q, got %q", what, tostring(expected), tostring(got)))
end

-- RC4 as the devices use it, independent of the dissector's own.
local function rc4(key, data)
    local s = {}
    for i = 0, 255 do s[i] = i end
    local j = 0
    for i = 0, 255 do
        j = (j + s[i] + key:byte(i % #key + 1)) % 256
        s[i], s[j] = s[j], s[i]
    end
    local out, i = {}, 0
    j = 0
    for n = 1, #data do
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out[n] = string.char(bit.bxor(data:byte(n), s[(s[i] + s[j]) % 256]))
    end
    return table.concat(out)
end

local HOST_MAC = "\2\0\0\0\0\16"
local DEVICE_MAC = "\2\90\0\0\0\1"
local PHRASE = "ZOLA-4420 Client handshake is accepted. Greeting text by Corvanta Networks. Phrase is sent."

local function tlv(t, value) return string.char(t, #value) .. value end
local function datagram(sender, opcode, payload, key)
    if key then payload = rc4(key, payload) end
    return "SWP12345\2" .. sender .. string.char(opcode, math.floor(#payload / 256), #payload % 256) .. payload
end
local function request(opcode, payload, secs)
    return {bytes = datagram(HOST_MAC, opcode, payload, payload ~= "" and "tosca" or nil), src = "10.0.0.1",
            dst = "255.255.255.255", src_port = 5433, dst_port = 5432, secs = secs, direction = 2}
end
local function reply(opcode, payload, secs, key)
    return {bytes = datagram(DEVICE_MAC, opcode, payload, key), src = "10.0.0.2", dst = "10.0.0.1",
            src_port = 5432, dst_port = 5433, secs = secs, direction = 1}
end

swp.prefs.passwords = "other,tosca"
standin.frames = {
    request(0, "", 1.0),
    reply(0, tlv(0x01, "Lab\27[31mAP\r\n"), 1.01),
    request(1, tlv(0x02, DEVICE_MAC) .. tlv(0x90, PHRASE), 2.0),
    reply(1, tlv(0x91, "\1"), 2.25, "tosca"),
    request(3, tlv(0x93, "\0"), 3.0),
    reply(3, tlv(0x00, "\2") .. tlv(0x30, "\1") .. tlv(0x60, "\2"), 3.5, "tosca"),
    request(4, tlv(0x50, "lab") .. "\106\20psk-of-the", 4.0),
    -- Not an SWP port: found by the header's magic.
    {bytes = datagram(DEVICE_MAC, 2, tlv(0x91, "\1"), "tosca"), src = "10.0.0.2", dst = "10.0.0.1",
     src_port = 6000, dst_port = 6001, secs = 5.0},
}

-- tshark -z swp,stat: the statistics tap exists before the capture is read.
standin.stat_commands["swp,stat"]("swp,stat")
swp.init()
local first = standin.run(false)
local second = standin.run(true)

equal("OP_DISCOVER Reply DEVICE_NAME=\"Lab\\x1b[31mAP\\x0d\\x0a\"", first[2].info, "escaped name")
equal("OP_LOGIN Request DEVICE_MAC=02:5A:00:00:00:01 TLVTYPE_OTHER_AUTH_PHRASE=\"" .. PHRASE .. "\"",
      first[3].info, "login request")
equal("OP_LOGIN Reply TLVTYPE_OTHER_RESULT=succeeded", first[4].info, "login reply")
equal("OP_GET_CONFIG Reply DEVICE_MODE=DEVICE_WBRIDGE IP_MODE=DHCP WL_SECURITY_MODE=WPA-PSK",
      first[6].info, "enumeration names")
for number, result in ipairs(second) do
    check(not standin.experts(result.tree):find("swp.dissector_error"),
          "no Lua error in frame " .. number .. ": " .. standin.experts(result.tree))
end
equal(3, standin.value(second[4].tree, "swp.request_in"), "login reply pairs")
equal(4, standin.value(second[3].tree, "swp.response_in"), "login request pairs")
equal("listed password 2", standin.value(second[4].tree, "swp.key"), "key")
local cut = second[7]
equal("OP_SET_CONFIG Request [no reply] WL_SSID=\"lab\" WL_WPA_PSK?", cut.info, "cut-short key")
check(standin.experts(cut.tree):find("swp.tlv_overrun"), "cut-short key marked")
for _, item in ipairs(standin.items(cut.tree)) do
    local value = item.value
    if type(value) == "table" and value.raw then value = value:raw() end
    check(not tostring(value):find("psk"), "the cut-short key stays hidden")
end
equal("OP_LOGOUT Reply [no request] TLVTYPE_OTHER_RESULT=succeeded", second[8].info, "heuristic, unpaired")

local printed = table.concat(standin.output)
check(printed:find("02:5A:00:00:00:01  10.0.0.2         DEVICE_WBRIDGE  Lab\\x1b[31mAP\\x0d\\x0a", 1, true),
      "statistics name the device: " .. printed)
check(printed:find("OP_LOGIN               1         1    250.000    250.000    250.000", 1, true),
      "statistics time the login: " .. printed)
check(printed:find("Unanswered requests: 1 (frames 7)", 1, true), "statistics count the unanswered")
check(printed:find("Replies without a request: 1 (frames 8)", 1, true), "statistics count the unpaired")

-- Statistics › SWP Devices and Response Times
local menu = standin.menus["SWP Devices and Response Times"]
check(menu ~= nil, "a Statistics menu entry")
if menu then
    menu()
    local window = standin.windows[#standin.windows]
    check(window.text:find("OP_GET_CONFIG          1         1    500.000", 1, true), "the window: " .. window.text)
end

print(string.format("%s: %d checks, %d failed", _VERSION, checks, failures))
os.exit(failures == 0 and 0 or 1)
