-- Wireshark dissector for the VUZIV2 packets that the Rv_zr6180 driver
-- exchanges with ZR-6180 gateways over UDP: one ASCII-hex packet per
-- datagram, opening with "[VUZIV2]".
--
-- Load it with   wireshark -X lua_script:/usr/share/rv_zr6180/wireshark/zr6180.lua
-- or copy it to  ~/.local/lib/wireshark/plugins/
--
-- It decodes on the UDP ports of its preference (47101-47102 by default, the
-- ports of the example plant) and, through the heuristic "zr6180_udp", on any
-- port where a datagram opens with the tag. Values are decoded as the driver
-- decodes them; the channel's kind follows from the identifier (the channel
-- number), as in the driver.

local zr = Proto("zr6180", "ZR-6180 VUZIV2")

local TAG = "[VUZIV2]"
local REQUEST_LENGTH = 42   -- tag, 32 hex digits and the checksum, before CR LF
local ANSWER_LENGTH = 68    -- the same for the answer; anything after it is not examined
local MIN_ANSWER = 70       -- the driver's minimum, CR LF included

local KIND_TEXT = {
    reset = "reset of a status register",
    real_in = "real input", int_in = "integer input", bit_in = "bit input",
    real_out = "real output", int_out = "integer output", bit_out = "bit output",
    text_out = "text output", service = "service channel", unknown = "no channel",
}

-- The channel map of the driver: the kind follows from the number alone.
local function channel_kind(c)
    if c == 99 then return "reset" end
    if c >= 100 and c <= 999 then return "real_in" end
    if c >= 1000 and c <= 1999 then return "int_in" end
    if c >= 2000 and c <= 2999 then return "bit_in" end
    if c >= 3000 and c <= 3999 then return "real_out" end
    if c >= 4000 and c <= 4999 then return "int_out" end
    if c >= 5000 and c <= 5999 then return "bit_out" end
    if c >= 6000 and c <= 6099 then return "text_out" end
    if c >= 1 and c < 99 then return "service" end
    return "unknown"
end

local TYPES = { [0] = "Request", [1] = "Answer" }
local BAUD = {
    [0] = "600 Bd", [1] = "1200 Bd", [2] = "2400 Bd", [3] = "4800 Bd", [4] = "9600 Bd",
    [5] = "19200 Bd", [6] = "38400 Bd", [7] = "57600 Bd", [8] = "115200 Bd",
}
local FUNCTIONS = { [0] = "read", [1] = "write", [101] = "reset status register" }
-- The driver's status texts (code page 1250 there, UTF-8 here).
local STATUS = {
    [0] = "V pořádku",
    "Chybný kód komunikační rychlosti",
    "Rozdílné timeouty nebo rychlosti linek",
    "Chyba při vysílání zprávy",
    "Timeout - nepřišla žádná odpověď",
    "Timeout - nepřišla správná odpověď",
    "Odpověď přerušena",
    "Chyba parity odpovědi",
    "Chybná hlavička odpovědi",
    "Chyba CRC odpovědi",
    "Chyba knihovny (nelze vytvořit datovou strukturu)",
    "Chyba knihovny (neplatný pointer)",
    "Chyba knihovny (neplatná data)",
    "Chybný parametrický soubor",
    "Modul nepoužit",
    "Kanál nepoužit",
    "Rozhraní nepoužito",
    "Kanál nedefinován",
    "Rozhraní nedefinováno",
    "Chyba přístupu na síť",
    "Chyba přijatého paketu (dekódování)",
    "Chyba spojení s modulem ZR-6180",
    "Chybná REAL hodnota kanálu",
    "Chybná STRING hodnota kanálu",
    "Chyba přijatého paketu (rozsah ID)",
    "Chyba přijatého paketu (hodnota ID)",
    "Timeout rozhraní",
}
-- Wireshark's own checksum states, so that the usual filters read the same.
local CHECKSUM_STATUS = { [0] = "Bad", [1] = "Good" }

local f = zr.fields
f.type = ProtoField.uint8("zr6180.type", "Packet", base.DEC, TYPES)
f.leading = ProtoField.string("zr6180.leading", "Leading characters (ignored)")
f.tag = ProtoField.string("zr6180.tag", "Tag")
f.id = ProtoField.uint32("zr6180.id", "Identifier (channel)", base.DEC)
f.kind = ProtoField.string("zr6180.kind", "Channel kind")
f.baud = ProtoField.uint8("zr6180.baud", "Baud code", base.DEC, BAUD)
f.serial_timeout = ProtoField.uint16("zr6180.serial_timeout", "Serial timeout [ms]", base.DEC)
f.serial_retries = ProtoField.uint8("zr6180.serial_retries", "Serial retries", base.DEC)
f.address = ProtoField.uint8("zr6180.address", "Module address", base.DEC)
f.func = ProtoField.uint8("zr6180.function", "Function", base.DEC, FUNCTIONS)
f.periphery = ProtoField.uint8("zr6180.periphery", "Periphery", base.DEC)
f.reserved = ProtoField.uint8("zr6180.reserved", "Reserved", base.HEX)
f.status = ProtoField.uint8("zr6180.status", "Status", base.DEC, STATUS)
f.serial_time = ProtoField.uint16("zr6180.serial_time", "Serial time [ms]", base.DEC)
f.answer_byte = ProtoField.uint8("zr6180.answer_byte", "Answer byte", base.HEX)
f.timestamp = ProtoField.uint32("zr6180.timestamp", "Time stamp [ms]", base.DEC)
f.status_register = ProtoField.uint8("zr6180.status_register", "Status register", base.HEX)
f.data = ProtoField.bytes("zr6180.data", "Data", base.SPACE)
f.real = ProtoField.double("zr6180.real", "Real value")
f.real_places = ProtoField.uint8("zr6180.real.places", "Decimal places", base.DEC)
f.integer = ProtoField.int32("zr6180.integer", "Integer value", base.DEC)
f.bits = ProtoField.uint32("zr6180.bits", "Bit word", base.HEX)
f.text = ProtoField.string("zr6180.text", "Text value")
f.target = ProtoField.uint16("zr6180.target", "Target channel", base.DEC)
f.checksum = ProtoField.uint8("zr6180.checksum", "Checksum", base.HEX)
f.checksum_computed = ProtoField.uint8("zr6180.checksum.computed", "Computed checksum", base.HEX)
f.checksum_status = ProtoField.uint8("zr6180.checksum.status", "Checksum status", base.DEC, CHECKSUM_STATUS)
f.rest = ProtoField.bytes("zr6180.rest", "Rest (not examined)")
f.request_in = ProtoField.framenum("zr6180.request_in", "Answer to the request in frame", base.NONE, frametype.REQUEST)
f.answer_time = ProtoField.double("zr6180.answer_time", "Answer time [ms]")
f.resent = ProtoField.framenum("zr6180.resent", "Sent again after the request in frame", base.NONE,
                               frametype.REQUEST)

local e_bad_checksum = ProtoExpert.new("zr6180.checksum.bad", "Bad checksum", expert.group.CHECKSUM,
                                       expert.severity.ERROR)
local e_malformed = ProtoExpert.new("zr6180.malformed", "Malformed VUZIV2 packet", expert.group.MALFORMED,
                                    expert.severity.ERROR)
local e_status = ProtoExpert.new("zr6180.status.error", "Gateway reports an error", expert.group.RESPONSE_CODE,
                                 expert.severity.WARN)
local e_resent = ProtoExpert.new("zr6180.resent.note", "Request sent again", expert.group.SEQUENCE,
                                 expert.severity.NOTE)
zr.experts = { e_bad_checksum, e_malformed, e_status, e_resent }

zr.prefs.ports = Pref.range("UDP ports", "47101-47102", "UDP ports of the ZR-6180 gateways", 65535)

-- The byte of two hex characters, or nil. Upper and lower case, as the driver reads fields.
local function hex_byte(s, pos)
    local t = s:sub(pos, pos + 1)
    if not t:match("^%x%x$") then return nil end
    return tonumber(t, 16)
end

local function hex_le(s, pos, count)
    local v = 0
    for i = 0, count - 1 do
        local b = hex_byte(s, pos + 2 * i)
        if b == nil then return nil end
        v = v + b * 256 ^ i
    end
    return math.floor(v)
end

-- The gateway's checksum: the two's complement of the sum of the hex
-- characters themselves, as two upper-case digits.
local function checksum(s, from, to)
    local sum = 0
    for i = from, to do sum = (sum + s:byte(i)) % 256 end
    return (256 - sum) % 256
end

-- As the driver's decoder: one division by ten per decimal place.
local function real_value(b0, b1, b2, b3)
    local v = (b2 % 128) * 65536 + b1 * 256 + b0
    if b2 >= 128 then v = -v end
    for _ = 1, b3 % 128 do v = v / 10 end
    return v, b3 % 128
end

local function int32_value(b0, b1, b2, b3)
    local v = b0 + b1 * 256 + b2 * 65536 + b3 * 16777216
    if v >= 2147483648 then v = v - 4294967296 end
    return v
end

-- One character of code page 1250 as UTF-8. Converted one at a time and
-- NUL-terminated: TvbRange:string() of Wireshark 4.0 cuts its result to
-- the byte length of the range, which loses the end of a text with
-- characters above 127.
local function cp1250_char(b)
    if b == 0 then return "\\0" end
    return ByteArray.new(string.format("%02X00", b)):tvb("VUZIV2 text"):range(0, 1):stringz(ENC_WINDOWS_1250)
end

-- Adds the value of data bytes 0..3 (characters at `pos`, 8 of them) as
-- the channel's kind has it; returns its text for the Info column.
local function add_value(tree, tvb, s, pos, offset, kind)
    local b = {}
    for i = 0, 3 do
        b[i] = hex_byte(s, pos + 2 * i)
        if b[i] == nil then return nil end
    end
    local range = tvb(offset + pos - 1, 8)
    if kind == "real_in" or kind == "real_out" then
        local v, places = real_value(b[0], b[1], b[2], b[3])
        local item = tree:add(f.real, range, v)
        item:add(f.real_places, tvb(offset + pos + 5, 2), places)
        return string.format("%.15g", v)
    elseif kind == "int_in" or kind == "int_out" then
        local v = int32_value(b[0], b[1], b[2], b[3])
        tree:add(f.integer, range, v)
        return tostring(v)
    elseif kind == "bit_in" or kind == "bit_out" then
        local v = b[0] + b[1] * 256 + b[2] * 65536 + b[3] * 16777216
        tree:add(f.bits, range, v)
        return string.format("0x%08X", v)
    elseif kind == "text_out" then
        local text = ""
        for i = 0, 3 do text = text .. cp1250_char(b[i]) end
        tree:add(f.text, range, text)
        return '"' .. text .. '"'
    elseif kind == "reset" then
        local v = b[0] + b[1] * 256
        tree:add(f.target, tvb(offset + pos - 1, 4), v)
        return "target " .. v
    end
    return nil
end

local function add_hex(tree, field, tvb, s, offset, pos, count)
    local v = count == 1 and hex_byte(s, pos) or hex_le(s, pos, count)
    if v == nil then return nil end
    tree:add(field, tvb(offset + pos - 1, 2 * count), v)
    return v
end

local function add_data(tree, tvb, s, offset, pos, count)
    local hex = s:sub(pos, pos + 2 * count - 1)
    if not hex:match("^%x+$") or #hex ~= 2 * count then return false end
    -- The bytes the characters stand for, in a data source of their own.
    tree:add(f.data, ByteArray.new(hex):tvb("VUZIV2 data")())
    return true
end

local function add_checksum(tree, tvb, pinfo, s, offset, last)
    local want = checksum(s, 9, last)
    local want_text = string.format("%02X", want)
    local got_text = s:sub(last + 1, last + 2)
    local got = hex_byte(s, last + 1)
    local range = tvb(offset + last, 2)
    local item = tree:add(f.checksum, range, got or 0)
    -- Compared as text, as the driver does: lower-case digits are wrong too.
    local good = got_text == want_text
    item:add(f.checksum_computed, range, want):set_generated()
    item:add(f.checksum_status, range, good and 1 or 0):set_generated()
    if good then
        item:append_text(" [correct]")
    else
        item:append_text(string.format(" [incorrect, should be %s]", want_text))
        item:add_proto_expert_info(e_bad_checksum,
            string.format("Bad checksum %q, should be %s", got_text, want_text))
    end
    return good
end

-- Requests and their answers, matched on the first pass as the driver
-- matches them: the same identifier between the same two endpoints; an
-- answer counts only when the driver would take it (checksum and fields
-- valid). Per frame: what that pass found.
local last_request = {}
local frame_links = {}

function zr.init()
    last_request = {}
    frame_links = {}
end

local function exchange_key(pinfo, is_request, id)
    local driver, gateway
    if is_request then
        driver = tostring(pinfo.src) .. ":" .. pinfo.src_port
        gateway = tostring(pinfo.dst) .. ":" .. pinfo.dst_port
    else
        driver = tostring(pinfo.dst) .. ":" .. pinfo.dst_port
        gateway = tostring(pinfo.src) .. ":" .. pinfo.src_port
    end
    return driver .. ">" .. gateway .. "#" .. id
end

local function link_frame(pinfo, is_request, id, valid)
    if pinfo.visited or id == nil then return end
    local key = exchange_key(pinfo, is_request, id)
    local previous = last_request[key]
    if is_request then
        if previous and not previous.answered then frame_links[pinfo.number] = { resent = previous.frame } end
        last_request[key] = { frame = pinfo.number, time = pinfo.abs_ts, answered = false }
    elseif valid and previous then
        frame_links[pinfo.number] = { request = previous.frame, ms = (pinfo.abs_ts - previous.time) * 1000 }
        previous.answered = true
    end
end

local function add_links(root, tvb, pinfo, offset)
    local l = frame_links[pinfo.number]
    if l == nil then return end
    if l.request then
        root:add(f.request_in, tvb(offset, 0), l.request):set_generated()
        root:add(f.answer_time, tvb(offset, 0), l.ms):set_generated()
    end
    if l.resent then
        local item = root:add(f.resent, tvb(offset, 0), l.resent)
        item:set_generated()
        item:add_proto_expert_info(e_resent, "Sent again: no valid answer to the request in frame " .. l.resent)
    end
end

local function dissect(tvb, pinfo, tree)
    local all = tvb:raw()
    -- The driver drops whatever stands before the first "[".
    local start = all:find("[", 1, true)
    pinfo.cols.protocol = "VUZIV2"
    local root = tree:add(zr, tvb())
    if start == nil then
        root:add_proto_expert_info(e_malformed, "No \"[\" in the datagram")
        pinfo.cols.info = "VUZIV2: no packet"
        return tvb:len()
    end
    local offset = start - 1
    if offset > 0 then root:add(f.leading, tvb(0, offset)) end
    local s = all:sub(start)
    local body = s:gsub("[\r\n]+$", "")

    local is_request = #body == REQUEST_LENGTH
    local is_answer = #body >= ANSWER_LENGTH
    if not (is_request or is_answer) then
        root:add_proto_expert_info(e_malformed,
            string.format("%d characters: neither a request (%d) nor an answer (%d or more)", #body,
                          REQUEST_LENGTH, ANSWER_LENGTH))
        pinfo.cols.info = "VUZIV2: too short"
        return tvb:len()
    end
    root:add(f.type, tvb(offset, 0), is_request and 0 or 1):set_generated()
    local tag_item = root:add(f.tag, tvb(offset, 8), s:sub(1, 8))
    if s:sub(1, 8) ~= TAG then
        tag_item:add_proto_expert_info(e_malformed, "The packet does not open with " .. TAG)
    end

    local id = add_hex(root, f.id, tvb, s, offset, 9, 4)
    local kind = id and channel_kind(id) or "unknown"
    if id then root:add(f.kind, tvb(offset + 8, 8), KIND_TEXT[kind]):set_generated() end
    local info, ok
    if is_request then
        local baud = add_hex(root, f.baud, tvb, s, offset, 17, 1)
        local timeout = add_hex(root, f.serial_timeout, tvb, s, offset, 19, 2)
        local retries = add_hex(root, f.serial_retries, tvb, s, offset, 23, 1)
        local address = add_hex(root, f.address, tvb, s, offset, 25, 1)
        local func = add_hex(root, f.func, tvb, s, offset, 27, 1)
        local periphery = add_hex(root, f.periphery, tvb, s, offset, 29, 1)
        local reserved = add_hex(root, f.reserved, tvb, s, offset, 31, 1)
        ok = baud and timeout and retries and address and func and periphery and reserved and
             add_data(root, tvb, s, offset, 33, 4)
        if not ok then root:add_proto_expert_info(e_malformed, "A field is not a hexadecimal byte") end
        info = string.format("Request ch=%s %s adr=%s per=%s", tostring(id),
                             FUNCTIONS[func] or ("function " .. tostring(func)), tostring(address),
                             tostring(periphery))
        -- The data field carries a value only for a write or a reset.
        if ok and (func == 1 or func == 101) then
            local v = add_value(root, tvb, s, 33, offset, func == 101 and "reset" or kind)
            if v then info = info .. " value " .. v end
        end
        ok = add_checksum(root, tvb, pinfo, s, offset, 40) and ok
    else
        local status = add_hex(root, f.status, tvb, s, offset, 17, 1)
        local time = add_hex(root, f.serial_time, tvb, s, offset, 19, 2)
        local answer_byte = add_hex(root, f.answer_byte, tvb, s, offset, 23, 1)
        local stamp = add_hex(root, f.timestamp, tvb, s, offset, 25, 4)
        local register = add_hex(root, f.status_register, tvb, s, offset, 33, 1)
        ok = status and time and answer_byte and stamp and register and add_data(root, tvb, s, offset, 35, 16)
        info = string.format("Answer ch=%s status=%s", tostring(id), tostring(status))
        if status and status ~= 0 then
            root:add_proto_expert_info(e_status, string.format("Status %d: %s", status, STATUS[status] or "?"))
        end
        if ok and kind ~= "reset" then
            local v = add_value(root, tvb, s, 35, offset, kind)
            if v then info = info .. " value " .. v end
        end
        local good = add_checksum(root, tvb, pinfo, s, offset, 66)
        if #s > ANSWER_LENGTH then root:add(f.rest, tvb(offset + ANSWER_LENGTH)) end
        if not ok then root:add_proto_expert_info(e_malformed, "A field is not a hexadecimal byte") end
        if #s < MIN_ANSWER then
            root:add_proto_expert_info(e_malformed,
                string.format("%d characters: the driver takes no answer shorter than %d", #s, MIN_ANSWER))
        end
        ok = ok and good and #s >= MIN_ANSWER and s:sub(1, 8) == TAG
    end
    link_frame(pinfo, is_request, id, ok)
    add_links(root, tvb, pinfo, offset)
    root:append_text(", " .. info)
    pinfo.cols.info = info
    return tvb:len()
end

function zr.dissector(tvb, pinfo, tree)
    return dissect(tvb, pinfo, tree)
end

-- Any port: a datagram whose first "[" opens the tag.
local function heuristic(tvb, pinfo, tree)
    local n = tvb:len()
    if n < #TAG then return false end
    local head = tvb(0, math.min(n, 64)):raw()
    local start = head:find("[", 1, true)
    if start == nil or head:sub(start, start + #TAG - 1) ~= TAG then return false end
    dissect(tvb, pinfo, tree)
    return true
end
zr:register_heuristic("udp", heuristic)

local udp_ports = DissectorTable.get("udp.port")
local registered = nil

local function register_ports()
    if registered then udp_ports:remove(registered, zr) end
    registered = zr.prefs.ports
    udp_ports:add(registered, zr)
end

function zr.prefs_changed()
    if zr.prefs.ports ~= registered then register_ports() end
end

register_ports()
