#!/usr/bin/env python3
"""The Wireshark dissector on a capture of the driver's own traffic.

zr6180-host talks to zr6180-sim through a relay on loopback that records every
datagram as the driver sees it (its port <-> the gateway's port) into a pcap.
tshark with the dissector must then show what the other side understood: the
requests as the simulator decoded them, the answers as the driver decoded them
(the values and statuses zr6180-host printed), the sends the RUN log traced,
and the one answer with a bad checksum that the Err log rejected.

usage: dissector_test.py SIM HOST LUA SOURCE_DIR WORK_DIR
"""
import os
import re
import select
import shutil
import socket
import struct
import subprocess
import sys
import threading
import time

sim_path, host_path, lua, sources, work = sys.argv[1:6]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def loopback_socket():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    return s


class Relay(threading.Thread):
    """One listening socket per gateway; what the driver sends there goes on to
    the simulator, and its answers come back from the listening port."""

    def __init__(self, gateway_ports):
        super().__init__(daemon=True)
        self.pairs = []
        for port in gateway_ports:
            down, up = loopback_socket(), loopback_socket()
            up.connect(("127.0.0.1", port))
            self.pairs.append([down, up, None])
        self.datagrams = []  # (time, source address, destination address, payload)
        self.stopping = False

    def ports(self):
        return [p[0].getsockname()[1] for p in self.pairs]

    def run(self):
        sockets = {}
        for pair in self.pairs:
            sockets[pair[0]] = pair
            sockets[pair[1]] = pair
        while not self.stopping:
            ready, _, _ = select.select(list(sockets), [], [], 0.05)
            for s in ready:
                pair = sockets[s]
                down, up = pair[0], pair[1]
                if s is down:
                    data, driver = down.recvfrom(65535)
                    pair[2] = driver
                    self.datagrams.append((time.time(), driver, down.getsockname(), data))
                    up.send(data)
                else:
                    data = up.recv(65535)
                    if pair[2] is not None:
                        self.datagrams.append((time.time(), down.getsockname(), pair[2], data))
                        down.sendto(data, pair[2])


def write_pcap(path, datagrams):
    """Raw IPv4 frames (link type 228) carrying the UDP datagrams."""
    with open(path, "wb") as f:
        f.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 228))
        for t, (src, sport), (dst, dport), payload in datagrams:
            udp = struct.pack("!HHHH", sport, dport, 8 + len(payload), 0) + payload
            ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 0, 0, 64, 17, 0,
                             socket.inet_aton(src), socket.inet_aton(dst))
            frame = ip + udp
            f.write(struct.pack("<IIII", int(t), int((t % 1) * 1e6), len(frame), len(frame)) + frame)


FIELDS = ["udp.srcport", "udp.dstport", "zr6180.type", "zr6180.id", "zr6180.baud", "zr6180.serial_timeout",
          "zr6180.serial_retries", "zr6180.address", "zr6180.function", "zr6180.periphery", "zr6180.data",
          "zr6180.status", "zr6180.real", "zr6180.integer", "zr6180.bits", "zr6180.text", "zr6180.target",
          "zr6180.checksum.status", "zr6180.request_in", "zr6180.resent"]


def tshark(capture, *options):
    env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"))
    out = subprocess.run(["tshark", "-n", "-r", capture, "-X", "lua_script:" + lua, *options],
                         capture_output=True, text=True, env=env, timeout=120)
    check(out.returncode == 0 and "Lua" not in out.stderr, "tshark: " + out.stderr)
    return out.stdout


def decoded(capture, *options):
    rows = []
    for line in tshark(capture, "-T", "fields", "-E", "separator=\t", *[a for n in FIELDS for a in ("-e", n)],
                       *options).splitlines():
        rows.append(dict(zip((n.split(".", 1)[1] for n in FIELDS), line.split("\t"))))
    return rows


def host(*args):
    out = subprocess.run([host_path, "-p", ini, "--tsv", *args], capture_output=True, text=True, timeout=120,
                         env=dict(os.environ, RV_ZR6180_WINDOW="none"))
    # Channel -> (value, status) as the driver gave them (the last cycle's).
    lines = [l.split("\t") for l in out.stdout.splitlines()]
    table = [dict(zip(lines[0], l)) for l in lines[1:]] if lines else []
    return {int(r["Channel"]): (r["Value"], int(r["Status"])) for r in table}


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

# The dissector carries the driver's status texts: the same ones, in order.
header = open(os.path.join(sources, "config/StatusCodes.h"), encoding="utf-8").read()
driver_texts = re.findall(r'"([^"]*)"_cp', header.split("Status[] = {")[1].split("};")[0])
lua_text = open(lua, encoding="utf-8").read()
lua_texts = re.findall(r'"([^"]*)"', lua_text.split("local STATUS = {")[1].split("\n}")[0])
check(len(driver_texts) == 27 and lua_texts == driver_texts, "status texts differ: %s" % lua_texts)

# The first exchange with module 1 of gateway 1 gets a bad checksum; the driver
# drops it and sends again.
sim = subprocess.Popen([sim_path, "--verbose", "--plant", os.path.join(sources, "examples/rostlina.txt"), "0", "0",
                        "--fault", "1:1:bad-checksum,times=1"], stdout=subprocess.PIPE, text=True)
try:
    gateway_ports = []
    while len(gateway_ports) < 2:
        line = sim.stdout.readline()
        if not line:
            sys.exit("the simulator did not start")
        m = re.match(r"gateway \d+ listening on [\d.]+:(\d+)", line)
        if m:
            gateway_ports.append(int(m.group(1)))
    relay = Relay(gateway_ports)
    relay.start()
    ports = relay.ports()

    ini = os.path.join(work, "zr6180.ini")
    text = open(os.path.join(sources, "examples/zr6180.ini"), encoding="utf-8").read()
    text = text.replace("UDP port=47101", "UDP port=%d" % ports[0]).replace("UDP port=47102", "UDP port=%d" % ports[1])
    text = re.sub(r"(?m)^Adresář LOG souborů=.*$", "Adresář LOG souborů=" + os.path.join(work, "logs"), text)
    text = re.sub(r"(?m)^Povoleno=1", "Povoleno=0", text)
    open(ini, "w", encoding="utf-8").write(text)

    written = host("write", "3000=-42.5", "4000=-1234", "5000=1", "6000=ABCD")
    # Two cycles through one driver: the second requests are no repetitions.
    read = host("watch", "--interval", "10", "--count", "2", "100", "1000", "2000", "101", "102")
    reset = host("write", "99=100")
    relay.stopping = True
    relay.join()
finally:
    sim.terminate()
sim_lines = sim.communicate(timeout=60)[0].splitlines()

check(written == {3000: ("-42.5", 0), 4000: ("-1234", 0), 5000: ("1", 0), 6000: ('"ABCD"', 0)}, "write: %s" % written)
check(set(read) == {100, 1000, 2000, 101, 102} and read[102][1] == 5, "read: %s" % read)
check(reset == {99: ("100", 0)}, "reset: %s" % reset)

capture = os.path.join(work, "capture.pcap")
write_pcap(capture, relay.datagrams)
# The ports are the system's free ones; one that Wireshark gives to another
# protocol would win over a heuristic tried last.
rows = decoded(capture, "-o", "udp.try_heuristic_first:TRUE")
check(len(rows) == len(relay.datagrams) and all(r["type"] in ("0", "1") for r in rows),
      "not every datagram decoded as a request or an answer: %s" % [r["type"] for r in rows])
requests = [r for r in rows if r["type"] == "0"]
answers = [r for r in rows if r["type"] == "1"]
check(all(int(r["dstport"]) in ports for r in requests) and all(int(r["srcport"]) in ports for r in answers),
      "requests and answers told apart wrongly")

# Requests, gateway by gateway in order, as the simulator decoded them.
for g, port in enumerate(ports, 1):
    seen = [l for l in sim_lines if l.startswith("gw%d:" % g)]
    mine = [r for r in requests if int(r["dstport"]) == port]
    check(len(seen) == len(mine), "gateway %d: %d requests seen, %d captured" % (g, len(seen), len(mine)))
    for line, r in zip(seen, mine):
        f = dict(re.findall(r"(\w+)=(\S+)", line.split(" | ")[0]))
        got = {"id": r["id"], "fn": r["function"], "adr": r["address"], "per": r["periphery"],
               "data": r["data"].replace(" ", "").upper(), "baud": r["baud"], "to": r["serial_timeout"],
               "rep": r["serial_retries"]}
        check(got == {k: f[k] for k in got}, "request %s, simulator saw %s" % (got, f))

# One request per "KOM 2" the driver traced, channel by channel.
run_log = "".join(open(os.path.join(work, "logs", n), encoding="cp1250").read()
                  for n in sorted(os.listdir(os.path.join(work, "logs"))) if n.startswith("Rv_zr6180Run0"))
sends = sorted(int(k) for k in re.findall(r"KOM 2, K=(\d+),", run_log))
check(sends == sorted(int(r["id"]) for r in requests), "sends traced %s, captured %s" % (sends, requests))

# Values the driver wrote: decoded in the request and in the answer the gateway
# gave after storing them.
good = [r for r in answers if r["checksum.status"] == "1"]
last = {int(r["id"]): r for r in good}
first_request = {}
for r in requests:
    first_request.setdefault(int(r["id"]), r)
for r in (first_request[3000], last[3000]):
    check(float(r["real"]) == -42.5, "3000 decoded as %s" % r["real"])
for r in (first_request[4000], last[4000]):
    check(r["integer"] == "-1234", "4000 decoded as %s" % r["integer"])
for r in (first_request[5000], last[5000]):
    check(int(r["bits"], 16) & 1 == 1, "5000 decoded as %s" % r["bits"])
for r in (first_request[6000], last[6000]):
    check(r["text"] == "ABCD", "6000 decoded as %s" % r["text"])
check(first_request[99]["function"] == "101" and first_request[99]["target"] == "100" and
      first_request[99]["address"] == "1", "reset request decoded as %s" % first_request[99])

# Values read: the answer's decoding is the driver's (value and status as zr6180-host printed them).
for channel, (value, status) in read.items():
    r = last[channel]
    check(r["status"] == str(status), "%d: status %s, driver %d" % (channel, r["status"], status))
    if value == "":  # the tables show no value for a channel whose status is not 0
        continue
    if channel < 1000:
        ok = abs(float(r["real"]) - float(value)) < 1e-9
    elif channel < 2000:
        ok = r["integer"] == value
    else:  # bit 0 of the word: the channel's sub-periphery in the example file
        ok = int(r["bits"], 16) & 1 == int(value)
    check(ok, "%d: decoded %s, driver %s" % (channel, r, value))

# The bad checksum: the one answer the driver rejected, and flagged as an error.
bad = [i for i, r in enumerate(rows) if r["checksum.status"] != "1"]
check(len(bad) == 1 and rows[bad[0]]["type"] == "1", "bad checksums at %s" % bad)
flagged = tshark(capture, "-Y", "zr6180.checksum.bad && _ws.expert.severity == error", "-T", "fields", "-e",
                 "frame.number").split()
check(flagged == [str(i + 1) for i in bad], "flagged %s, bad %s" % (flagged, bad))
err_log = open(os.path.join(work, "logs", "Rv_zr6180Err1.log"), encoding="cp1250").read()
rejected = re.findall(r'Neplatná zpráva "([^"]*)", Ch=3000', err_log)
check(bad and rejected == [relay.datagrams[bad[0]][3].decode().rstrip("\r\n")],
      "Err log rejected %s" % rejected)

# Each valid answer names its request; the request sent again after the bad
# answer names the one before it.
check(all(r["request_in"].isdigit() and rows[int(r["request_in"]) - 1]["id"] == r["id"] for r in good), "answers matched wrongly")
resent = [(r["id"], rows[int(r["resent"]) - 1]["id"]) for r in requests if r["resent"]]
check(resent == [("3000", "3000")], "sent again: %s" % resent)

# The port preference decodes the same capture without the heuristic (the
# datagrams whose ports no other protocol of Wireshark claims).
by_port = decoded(capture, "--disable-heuristic", "zr6180_udp", "-o", "zr6180.ports:%d,%d" % tuple(ports))
without = tshark(capture, "--disable-heuristic", "zr6180_udp", "-T", "fields", "-e", "frame.protocols").split()
free = [i for i, p in enumerate(without) if p.endswith("udp:data")]
check(len(without) == len(rows) and len(free) >= len(rows) // 2, "decoded with neither heuristic nor port: %s" % without)
check(all(by_port[i]["type"] == rows[i]["type"] for i in free), "port preference: %s" % by_port)

print("%d datagrams, %d requests, %d answers" % (len(rows), len(requests), len(answers)))
sys.exit(1 if failures else 0)
