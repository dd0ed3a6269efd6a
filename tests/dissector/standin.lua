-- A stand-in for the part of Wireshark's Lua API the dissector uses, so that
-- plain Lua interpreters (5.2 to 5.4, as Wireshark 4.x builds use) can load
-- it and dissect datagrams. Only behaviour the dissector relies on is modelled:
-- the tree keeps every item as {field, value, text, children, experts}.

local standin = {protos = {}, ports = {}, heuristics = {}, stat_commands = {}, menus = {},
                 listeners = {}, windows = {}, output = {}}

-- Wireshark loads the BitOp library as the global `bit`; 5.2 has bit32 with
-- the same functions, 5.3 and later the native operators.
if bit32 then
    bit = {bxor = bit32.bxor, band = bit32.band, bor = bit32.bor}
else
    bit = load([[return {
        bxor = function(a, b) return a ~ b end,
        band = function(a, b) return a & b end,
        bor = function(a, b) return a | b end }]])()
end

local function enum_table()
    return setmetatable({}, {__index = function(_, key) return key end})
end
base = enum_table()
frametype = enum_table()
expert = {group = enum_table(), severity = enum_table()}
MENU_STAT_UNSORTED = 2

-- Fields and experts are plain records of their arguments.
local function field_maker(kind)
    return function(abbr, name, ...)
        return {abbr = abbr, name = name, kind = kind, extra = {...}}
    end
end
ProtoField = setmetatable({}, {__index = function(_, kind) return field_maker(kind) end})
ProtoExpert = {new = function(abbr, text) return {abbr = abbr, text = text} end}
Pref = {
    string = function(label, default) return {default = default} end,
    bool = function(label, default) return {default = default} end,
}

function Proto(name, description)
    if standin.protos[name] then error("duplicate protocol " .. name) end
    local prefs = setmetatable({}, {__newindex = function(t, key, pref) rawset(t, key, pref.default) end})
    local proto = {name = name, description = description, fields = {}, prefs = prefs}
    function proto.register_heuristic(self, list, fn) standin.heuristics[list] = fn end
    standin.protos[name] = proto
    return proto
end

DissectorTable = {get = function(name)
    return {add = function(_, port, proto) standin.ports[port] = proto end}
end}

local current_direction = nil
Field = {new = function(name)
    return function()
        if name == "frame.packet_flags_direction" and current_direction then
            return {value = current_direction}
        end
        return nil
    end
end}

Address = {ether = function(text) return {ether = text} end}
NSTime = {new = function(secs, nanos) return {secs = secs, nanos = nanos} end}

-- Tvb and TvbRange over a Lua string.
local Range = {}
Range.__index = Range
local function new_range(data, offset, length)
    return setmetatable({data = data, offset = offset, length = length}, Range)
end
Range.__call = function(self, offset, length)
    offset = offset or 0
    length = length or (self.length - offset)
    if offset < 0 or length < 0 or offset + length > self.length then
        error("Range is out of bounds")
    end
    return new_range(self.data, self.offset + offset, length)
end
function Range:len() return self.length end
function Range:raw() return self.data:sub(self.offset + 1, self.offset + self.length) end
function Range:uint()
    local value = 0
    for n = 1, self.length do value = value * 256 + self.data:byte(self.offset + n) end
    return value
end
function Range:int()
    local value = self:uint()
    local limit = 2 ^ (8 * self.length - 1)
    if value >= limit then value = value - 2 * limit end
    return math.floor(value)
end
function Range:ipv4()
    local b = {self:raw():byte(1, 4)}
    return setmetatable({}, {__tostring = function()
        return string.format("%d.%d.%d.%d", b[1], b[2], b[3], b[4])
    end})
end
function Range:tvb() return new_range(self:raw(), 0, self.length) end

function standin.tvb(data) return new_range(data, 0, #data) end

ByteArray = {new = function(data, raw)
    assert(raw == true, "ByteArray.new is given raw bytes")
    return {tvb = function(_, name) return new_range(data, 0, #data) end}
end}

-- The tree.
local Item = {}
Item.__index = Item
local function new_item(field, value)
    return setmetatable({field = field, value = value, text = nil, children = {}, experts = {}}, Item)
end
function Item:add(field, range, value)
    local item = new_item(field, value ~= nil and value or range)
    self.children[#self.children + 1] = item
    return item
end
function Item:set_text(text) self.text = text; return self end
function Item:append_text(text) self.text = (self.text or "") .. text; return self end
function Item:set_generated() self.generated = true; return self end
function Item:add_proto_expert_info(e, text)
    self.experts[#self.experts + 1] = {abbr = e.abbr, text = text or e.text}
    return self
end

-- Every item of a tree, depth first.
function standin.items(item, out)
    out = out or {}
    out[#out + 1] = item
    for _, child in ipairs(item.children) do standin.items(child, out) end
    return out
end

-- The value of the first item of a field (by its abbreviation) in a tree.
function standin.value(tree, abbr)
    for _, item in ipairs(standin.items(tree)) do
        if type(item.field) == "table" and item.field.abbr == abbr then return item.value end
    end
    return nil
end

function standin.experts(tree)
    local names = {}
    for _, item in ipairs(standin.items(tree)) do
        for _, e in ipairs(item.experts) do names[#names + 1] = e.abbr end
    end
    return table.concat(names, " ")
end

-- Taps, statistics and menus.
function register_stat_cmd_arg(name, fn) standin.stat_commands[name] = fn end
function register_menu(name, fn, group) standin.menus[name] = fn end
function gui_enabled() return standin.gui end
Listener = {new = function(tap, filter)
    local listener = {filter = filter}
    function listener.remove() standin.listeners[listener] = nil end
    standin.listeners[listener] = true
    return listener
end}
TextWindow = {new = function(title)
    local window = {title = title, text = ""}
    function window.set(self, text) self.text = text end
    function window.set_atclose(self, fn) self.close = fn end
    standin.windows[#standin.windows + 1] = window
    return window
end}
function retap_packets() standin.run(true) end

io.write = function(...)
    for _, text in ipairs({...}) do standin.output[#standin.output + 1] = text end
end

-- The frames of a capture: {bytes, src, dst, src_port, dst_port, secs, direction}.
standin.frames = {}

local function address(text)
    return setmetatable({}, {__tostring = function() return text end})
end

-- Dissects one frame as Wireshark's UDP would: the port table, else the
-- heuristic. Returns the tree and the Info column.
function standin.dissect(number, frame, visited)
    local info, protocol = "", ""
    local pinfo = {number = number, visited = visited, abs_ts = frame.secs,
                   src = address(frame.src), dst = address(frame.dst),
                   src_port = frame.src_port, dst_port = frame.dst_port,
                   cols = {info = {set = function(_, text) info = text end},
                           protocol = {set = function(_, text) protocol = text end}}}
    local root = new_item(nil, nil)
    current_direction = frame.direction
    local tvb = standin.tvb(frame.bytes)
    local proto = standin.ports[frame.dst_port] or standin.ports[frame.src_port]
    if proto then
        proto.dissector(tvb, pinfo, root)
    else
        standin.heuristics.udp(tvb, pinfo, root)
    end
    for listener in pairs(standin.listeners) do
        if listener.packet then listener.packet(pinfo, tvb) end
    end
    return root, info, pinfo
end

-- Dissects every frame in order (a pass), the way a capture is read.
function standin.run(visited)
    for listener in pairs(standin.listeners) do if listener.reset then listener.reset() end end
    local results = {}
    for number, frame in ipairs(standin.frames) do
        local tree, info = standin.dissect(number, frame, visited)
        results[number] = {tree = tree, info = info}
    end
    for listener in pairs(standin.listeners) do if listener.draw then listener.draw() end end
    return results
end

return standin
