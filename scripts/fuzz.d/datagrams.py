#!/usr/bin/env python3
"""Generated datagrams of the device protocol through tshark with the Wireshark
dissector (tools/dissector/swp.lua): hostile ones (random opcodes, lengths,
TLV runs cut anywhere, payloads enciphered with the listed password, another
one or none) must raise no Lua error, and a capture of large replies must not
make the dissector's memory grow with the number of frames.

Usage: datagrams.py DISSECTOR WORKDIR [SECONDS]
Prints what it ran and its figures; exits 1 on a finding."""

import os
import random
import struct
import subprocess
import sys
import time

PASSWORD = b"tosca"
HOST = bytes([10, 0, 0, 1])
DEVICE = bytes([10, 0, 0, 2])
HEADER = b"SWP12345"
PHRASE = (b"ZOLA-4420 Client handshake is accepted. Greeting text by Corvanta Networks. "
          b"Phrase is sent.")
TYPES = [0x00, 0x01, 0x02, 0x30, 0x31, 0x32, 0x33, 0x50, 0x51, 0x52, 0x53, 0x54, 0x59, 0x60,
         0x61, 0x62, 0x63, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x90, 0x91, 0x92, 0x93, 0x95, 0x96]
LARGE_FRAMES = 2000
# What the dissector may add to tshark's own peak for the large capture.
MEMORY_BOUND_MB = 160


def rc4(key, data):
    s = list(range(256))
    j = 0
    for i in range(256):
        j = (j + s[i] + key[i % len(key)]) % 256
        s[i], s[j] = s[j], s[i]
    out = bytearray(len(data))
    i = j = 0
    for n, byte in enumerate(data):
        i = (i + 1) % 256
        j = (j + s[i]) % 256
        s[i], s[j] = s[j], s[i]
        out[n] = byte ^ s[(s[i] + s[j]) % 256]
    return bytes(out)


def checksum(header):
    total = sum(struct.unpack("!10H", header))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return (~total) & 0xFFFF


def ip_udp(payload, sent, sport=None, dport=None):
    src, dst = (HOST, b"\xff\xff\xff\xff") if sent else (DEVICE, HOST)
    if sport is None:
        sport, dport = (5433, 5432) if sent else (5432, 5433)
    udp = struct.pack("!HHHH", sport, dport, 8 + len(payload), 0) + payload
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + len(udp), 1, 0x4000, 64, 17, 0, src, dst)
    return ip[:10] + struct.pack("!H", checksum(ip)) + ip[12:] + udp


class Pcap:
    def __init__(self, path):
        self.file = open(path, "wb")
        self.file.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 228))
        self.count = 0

    def add(self, packet):
        self.count += 1
        self.file.write(struct.pack("<IIII", self.count, 0, len(packet), len(packet)) + packet)

    def close(self):
        self.file.close()


def tlv_run(rng):
    parts = []
    for _ in range(rng.randint(0, 8)):
        kind = rng.choice(TYPES + [rng.randrange(256)])
        length = rng.choice([0, 1, 2, 4, 6, rng.randrange(256)])
        parts.append(bytes([kind, length]) + bytes(rng.randrange(256) for _ in range(length)))
    run = b"".join(parts)
    if run and rng.random() < 0.3:
        run = run[:rng.randrange(len(run))]  # cut anywhere
    return run


def survey(rng, records):
    out = bytearray()
    for _ in range(records):
        ssid = bytes(rng.randrange(256) for _ in range(rng.randint(0, 32))).ljust(32, b"\0")
        out += bytes([rng.randrange(2)]) + ssid + bytes(rng.randrange(256) for _ in range(6))
        out += b"%3d%3d" % (rng.randrange(101), rng.randrange(166))
        out += bytes(rng.randrange(8) for _ in range(4))
    return bytes(out)


def hostile(rng):
    opcode = rng.choice([0, 1, 2, 3, 4, 5, 6, 7, 8, 9, rng.randrange(256)])
    sent = rng.random() < 0.4
    if opcode == 7 and not sent:
        payload = survey(rng, rng.randint(0, 4)) + bytes(rng.randrange(256) for _ in range(rng.randrange(60)))
    elif opcode == 1 and sent and rng.random() < 0.5:
        payload = bytes([0x02, 6]) + bytes(rng.randrange(256) for _ in range(6)) + bytes([0x90, 91]) + PHRASE
    else:
        payload = tlv_run(rng)
    if opcode != 0:
        key = rng.choice([PASSWORD, PASSWORD, b"another", None])
        if key:
            payload = rc4(key, payload)
    mac = bytes(rng.randrange(256) for _ in range(6)) if rng.random() < 0.2 else b"\x02\x5a\0\0\0\x01"
    declared = len(payload) if rng.random() < 0.8 else rng.randrange(65536)
    data = HEADER + bytes([rng.choice([2, 2, 2, rng.randrange(256)])]) + mac + bytes([opcode])
    data += struct.pack("!H", declared) + payload
    if rng.random() < 0.05:
        data = data[:rng.randrange(len(data) + 1)]
    ports = (None, None) if rng.random() < 0.8 else (rng.randrange(1, 65536), rng.randrange(1, 65536))
    return ip_udp(data, sent, *ports)


def run_tshark(dissector, capture, config, extra):
    args = ["tshark", "-r", capture, "-2"] + extra
    if dissector:
        args[1:1] = ["-X", "lua_script:" + dissector]
    env = dict(os.environ, WIRESHARK_CONFIG_DIR=config)
    started = time.monotonic()
    with open(os.path.join(config, "out"), "w+b") as out, open(os.path.join(config, "err"), "w+b") as err:
        process = subprocess.Popen(args, env=env, stdout=out, stderr=err)
        _, status, usage = os.wait4(process.pid, 0)
        process.returncode = os.waitstatus_to_exitcode(status)
        out.seek(0)
        err.seek(0)
        process.stdout, process.stderr = out.read(), err.read()
    return process, time.monotonic() - started, usage.ru_maxrss


def main():
    dissector, work = sys.argv[1], sys.argv[2]
    seconds = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    os.makedirs(work, exist_ok=True)
    config = os.path.join(work, "config")
    os.makedirs(config, mode=0o700, exist_ok=True)
    with open(os.path.join(config, "preferences"), "w", encoding="ascii") as prefs:
        prefs.write("swp.passwords: tosca\nswp.show_keys: FALSE\n")
    failed = False

    # Hostile datagrams, in rounds of 2000, for about the time given.
    seed = int(time.time())
    deadline = time.monotonic() + seconds
    rounds = 0
    while rounds == 0 or time.monotonic() < deadline:
        rng = random.Random(seed + rounds)
        capture = os.path.join(work, "hostile.pcap")
        pcap = Pcap(capture)
        for _ in range(2000):
            pcap.add(hostile(rng))
        pcap.close()
        for extra in (["-V"], ["-q", "-z", "swp,stat"]):
            done, _, _ = run_tshark(dissector, capture, config, extra)
            output = done.stdout + done.stderr
            if done.returncode != 0 or b"Lua Error" in output or b"Dissector could not read" in output:
                kept = os.path.join(work, "finding-%d.pcap" % (seed + rounds))
                os.replace(capture, kept)
                print("dissector: Lua error or failure with %s (kept as %s)" % (" ".join(extra), kept))
                print(output.decode("utf-8", "replace")[-2000:])
                failed = True
                break
        if failed:
            break
        rounds += 1
    print("dissector: %d hostile datagrams in %d rounds (seed %d)" % (2000 * rounds, rounds, seed))

    # Large replies: the dissector keeps no more than a bounded cache.
    rng = random.Random(seed)
    capture = os.path.join(work, "large.pcap")
    pcap = Pcap(capture)
    texts = b"".join(bytes([0x50, 255]) + bytes(rng.randrange(32, 127) for _ in range(255))
                     for _ in range(254))
    deciphered = bytearray(rc4(PASSWORD, texts))  # deciphers into 254 SSIDs of 255 bytes
    undeciphered = bytes(rng.randrange(256) for _ in range(64)) * 1020
    for n in range(LARGE_FRAMES):
        if n % 2 == 0:
            deciphered[3 + 257 * (n % 254)] ^= 1  # each frame another plaintext
            payload = bytes(deciphered)
        else:
            payload = undeciphered
        data = HEADER + b"\x02\x02\x5a\0\0\0\x01\x03" + struct.pack("!H", len(payload)) + payload
        pcap.add(ip_udp(data, False))
    pcap.close()
    _, alone_seconds, alone_peak = run_tshark(None, capture, config, ["-q"])
    read, read_seconds, read_peak = run_tshark(dissector, capture, config, ["-q", "-z", "swp,stat"])
    extra_mb = (read_peak - alone_peak) / 1024
    print("dissector: %d frames of 65 KB: tshark alone %.0f MB in %.1f s, with the dissector %.0f MB in %.1f s "
          "(%+.0f MB, bound %d MB)" % (LARGE_FRAMES, alone_peak / 1024, alone_seconds, read_peak / 1024,
                                       read_seconds, extra_mb, MEMORY_BOUND_MB))
    if read.returncode != 0 or b"Lua Error" in read.stdout + read.stderr:
        print("dissector: the large capture failed: " + read.stderr.decode("utf-8", "replace")[-2000:])
        failed = True
    if extra_mb > MEMORY_BOUND_MB:
        print("dissector: memory grows with the capture")
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
