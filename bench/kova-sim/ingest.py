#!/usr/bin/env python3
"""kova-sim's ingest over TCP, as a table row: how fast it takes in a stream of receipts sent by a
client that writes as fast as the socket lets it, until the last receipt is written and announced.

    bench/kova-sim/ingest.py KOVA_SIM [--mib N] [--kind text|raster|both]

Text: short point-of-sale receipts of some 240 bytes, each cut. Raster: receipts of a 576 x 400
dot picture sent with GS v 0. Each run starts kova-sim on a fresh folder that keeps its default
thousand receipts.
"""
import argparse
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time

MIB = 1024 * 1024

TEXT = (b"\x1b@\x1ba\x01\x1d!\x11KOVA COFFEE HOUSE\n\x1d!\x00\x1ba\x00"
        b"12 Harbour Street, Dock 4\n"
        b"Espresso                    2.50\r\n"
        b"Cappuccino x2               7.00\r\n"
        b"Cheese sandwich             4.75\n"
        b"\x1bE\x01TOTAL                      14.25\x1bE\x00\n"
        b"\x1bd\x03\x1dV\x42\x00")

BAYER = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


def raster(rows):
    out = bytearray(b"\x1b@\x1dv0\x00\x48\x00" + bytes((rows % 256, rows // 256)))
    for y in range(rows):
        for b in range(72):
            v = 0
            for bit in range(8):
                x = b * 8 + bit
                if BAYER[y % 4][x % 4] < (x + y) * 16 // (576 + rows):
                    v |= 0x80 >> bit
            out.append(v)
    return bytes(out) + b"\x1bd\x03\x1dV\x42\x00"


def run(binary, receipt, size):
    count = max(1, size // len(receipt))
    payload = receipt * count
    work = tempfile.mkdtemp()
    # The log goes to a file, looked at now and then: a reader woken for every
    # line would take its share of the two threads' processors.
    log_path = os.path.join(work, "log")
    out = os.path.join(work, "out")
    os.mkdir(out)
    try:
        with open(log_path, "w") as log:
            sim = subprocess.Popen([binary, "--tcp-port", "0", "--udp-port", "0", "--out", out], stdout=log)
        try:
            port = 0
            while not port:
                time.sleep(0.01)
                with open(log_path) as log:
                    first = log.readline()
                if "tcp " in first:
                    port = int(first.split("tcp ")[1].split()[0].rsplit(":", 1)[1])
                elif sim.poll() is not None:
                    sys.exit("kova-sim did not start")
            last = f"receipt {count:04d}:".encode()
            start = time.perf_counter()
            with socket.create_connection(("127.0.0.1", port)) as c:
                c.sendall(payload)
                sent = time.perf_counter() - start
                with open(log_path, "rb") as log:
                    while True:
                        log.seek(max(0, os.path.getsize(log_path) - 4096))
                        if last in log.read():
                            break
                        if sim.poll() is not None:
                            sys.exit("kova-sim ended before the last receipt")
                        time.sleep(0.002)
            done = time.perf_counter() - start
        finally:
            sim.terminate()
            sim.wait()
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return len(payload), count, sent, done


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("kova_sim")
    parser.add_argument("--mib", type=float, default=10)
    parser.add_argument("--kind", choices=("text", "raster", "both"), default="both")
    options = parser.parse_args()
    kinds = ("text", "raster") if options.kind == "both" else (options.kind,)
    print(f"{'receipts':10} {'MiB':>6} {'count':>7} {'sent in':>9} {'written in':>11} {'MB/s':>8}")
    for kind in kinds:
        receipt = TEXT if kind == "text" else raster(400)
        size, count, sent, done = run(os.path.abspath(options.kova_sim), receipt, int(options.mib * MIB))
        print(f"{kind:10} {size / MIB:6.1f} {count:7d} {sent * 1000:7.0f} ms {done * 1000:8.0f} ms "
              f"{size / done / 1e6:8.2f}")


if __name__ == "__main__":
    main()
