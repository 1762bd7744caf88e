#!/usr/bin/env python3
"""How long `rollvane-cli demo-print` takes to send a 10 MiB demo file over the network, against
the time the same bytes take on the wire to the same peer.

The peer is a plain printer stand-in on a loopback address: it answers the status request on
UDP 3000 and drains TCP 9100 as fast as the socket delivers, so the wire time is the floor any
sender can reach. The fixed costs of a run (starting the program, reading and translating the
file) are measured apart with `demo-check`. kova-sim is measured too, for reference: there its
ingest and rendering set the pace, not the sender.

    bench/printouts/demo-print-network.py BUILD_BIN_DIR [--runs N] [--kova-sim]
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

ADDRESS = "127.0.3.61"
MIB = 1024 * 1024

RECEIPT = (
    '; Demo receipt\r\nESC "@" ESC "a" 1 0x1D "!" 0x11 "KOVA COFFEE HOUSE" 0x0A\r\n'
    '0x1D "!" 0 ESC "a" 0 "12 Harbour Street, Dock 4" 10\r\n'
    '"Espresso                    2.50" 0x0D 0x0A\r\n'
    '"Cappuccino x2               7.00" 13 10\r\n'
    '"Cheese sandwich             4.75" 0x0A ; toasted\r\n'
    'ESC "E" 1 "TOTAL                      14.25" ESC "E" 0 0x0A\r\n'
    'ESC "d" 3 0x1D 0x56 66 0 ; partial cut\r\n'
)


class DrainPrinter:
    """Answers status datagrams with a ready printer and counts what arrives on TCP."""

    def __init__(self, address):
        self.udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.udp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.udp.bind((address, 3000))
        self.tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.tcp.bind((address, 9100))
        self.tcp.listen(8)
        self.received = 0
        self.done = threading.Event()
        threading.Thread(target=self._status, daemon=True).start()
        threading.Thread(target=self._data, daemon=True).start()

    def close(self):
        self.udp.close()
        self.tcp.close()

    def _status(self):
        while True:
            try:
                request, peer = self.udp.recvfrom(64)
            except OSError:
                return
            if request == b"\x00\x00\x00\x00\x1b\x68":
                self.udp.sendto(b"\x00\x00\x00\x00\x00\x00\x00\x00", peer)

    def _data(self):
        while True:
            try:
                connection, _ = self.tcp.accept()
            except OSError:
                return
            with connection:
                buffer = bytearray(4 * MIB)
                while True:
                    n = connection.recv_into(buffer)
                    if n == 0:
                        break
                    self.received += n
            self.done.set()


def timed(command, cwd, output=None, must_succeed=True):
    start = time.perf_counter()
    result = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        if must_succeed:
            sys.exit(f"{' '.join(command)} failed: {result.stderr.strip()}")
        print(f"  {' '.join(os.path.basename(c) for c in command)} failed after {elapsed * 1000:.0f} ms: "
              + result.stderr.strip().replace("\n", " "))
        return None
    if output is not None:
        output.append(result.stdout + result.stderr)
    return elapsed


def status_wait(trace):
    """The status query's wait to the next whole second, from the trace's send and reply lines."""
    def seconds(line):
        h, m, s = line.split()[1].split(":")
        return int(h) * 3600 + int(m) * 60 + float(s)
    lines = trace.splitlines()
    sent = next(l for l in lines if "UDP status channel) send" in l)
    answered = next(l for l in lines if "UDP status channel) recv" in l)
    return seconds(answered) - seconds(sent)


def wire_time(address, size):
    payload = bytes(size)
    start = time.perf_counter()
    with socket.create_connection((address, 9100)) as connection:
        connection.sendall(payload)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin_dir")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--kova-sim", action="store_true", help="also time the run against kova-sim")
    options = parser.parse_args()
    cli = os.path.join(os.path.abspath(options.bin_dir), "rollvane-cli")

    work = tempfile.mkdtemp()
    try:
        text = (RECEIPT * (10 * MIB // len(RECEIPT) + 1))[: 10 * MIB]
        with open(os.path.join(work, "Demo1.txt"), "w", newline="") as f:
            f.write(text)
        ip = int.from_bytes(socket.inet_aton(ADDRESS), "big")
        with open(os.path.join(work, "inifile.inf"), "w") as f:
            f.write(f"[INITIAL]\nCOMPORT=LAN\nIP.ADDRESS={ip}\nCOMMUNICATION=4\n")

        peer = DrainPrinter(ADDRESS)
        runs = []
        for _ in range(options.runs):
            before = peer.received
            peer.done.clear()
            trace = []
            elapsed = timed([cli, "--trace", "demo-print", "1"], work, trace)
            peer.done.wait(5)
            runs.append((elapsed - status_wait(trace[0]), peer.received - before))
        sent = runs[0][1]
        # The status query waits for the next whole second; that wait is the printer protocol's,
        # so each run is counted without it.
        demo = min(r[0] for r in runs)
        fixed = min(timed([cli, "demo-check", "Demo1.txt"], work) for _ in range(options.runs))
        wire = min(wire_time(ADDRESS, sent) for _ in range(options.runs))

        print(f"demo file                 {len(text) / MIB:8.1f} MiB, {sent} bytes sent")
        print(f"demo-print (drain peer)   {demo * 1000:8.1f} ms  (without the status query's wait)")
        print(f"  bytes on the wire       {wire * 1000:8.1f} ms")
        print(f"  read and translate      {fixed * 1000:8.1f} ms  (demo-check: start, read, translate)")
        beyond = demo - wire - fixed
        print(f"  left over               {beyond * 1000:8.1f} ms")
        print(f"ratio to the wire         {demo / wire:8.2f}  (with the run's fixed costs taken out: "
              f"{(demo - fixed) / wire:.2f})")

        if options.kova_sim:
            sim_dir = os.path.join(work, "sim")
            os.mkdir(sim_dir)
            peer.close()
            sim = subprocess.Popen([os.path.join(os.path.dirname(cli), "kova-sim"), "--address", ADDRESS,
                                    "--out", sim_dir], stdout=subprocess.PIPE, text=True)
            try:
                sim.stdout.readline()
                print("demo-print (kova-sim)")
                elapsed = timed([cli, "demo-print", "1"], work, must_succeed=False)
                if elapsed is not None:
                    print(f"                          {elapsed * 1000:8.1f} ms  "
                          f"({sent / elapsed / 1e6:.2f} MB/s: kova-sim's ingest)")
            finally:
                sim.terminate()
                sim.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
