#!/usr/bin/env bash
# Every speed goal of the programs as one table: a row each with the measure, its goal and
# whether it is met. Builds only the benchmark targets it runs, in the given build folder.
#
#     scripts/bench.sh [BUILD_DIR]      (default build/; configured with -DROLLVANE_BENCH=ON)
#
# Each figure is the best of several runs, measured on this machine in this one run.
set -u

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "bench.sh: $build is not a configured build folder" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A target that does not build leaves its rows "not built"; the others still run.
built() {
    cmake --build "$build" --target "$1" >"$work/build-$1.log" 2>&1
}

rows=()
# row MEASURE VALUE GOAL VERDICT
row() {
    rows+=("$1"$'\t'"$2"$'\t'"$3"$'\t'"$4")
}
# verdict VALUE OPERATOR LIMIT: "met" or "not met" (an empty value: "not measured").
verdict() {
    if [ -z "$1" ]; then
        echo "not measured"
    elif python3 -c "import sys; sys.exit(0 if $1 $2 $3 else 1)"; then
        echo "met"
    else
        echo "not met"
    fi
}

# kova-sim: ingest over TCP and the rendering of one long receipt.
if [ -f "$root/bench/kova-sim/ingest.py" ] && built kova-sim; then
    for kind in raster text; do
        goal=50
        mib=4
        if [ "$kind" = text ]; then
            goal=5
            mib=1
        fi
        rate=$(python3 "$root/bench/kova-sim/ingest.py" "$build/bin/kova-sim" --kind "$kind" --mib "$mib" 2>/dev/null |
            awk -v k="$kind" '$1 == k { print $NF }')
        row "kova-sim $kind receipts ingest" "${rate:-failed} MB/s" ">= $goal MB/s" "$(verdict "$rate" '>=' "$goal")"
    done
else
    row "kova-sim raster receipts ingest" "not built" ">= 50 MB/s" "not measured"
    row "kova-sim text receipts ingest" "not built" ">= 5 MB/s" "not measured"
fi
render=""
if built kova_sim_bench && "$build/bench/kova_sim_bench" --benchmark_list_tests | grep -q '^BM_RasterReceiptWritten/2000'; then
    render=$("$build/bench/kova_sim_bench" --benchmark_filter='^BM_RasterReceiptWritten/2000/' \
        --benchmark_repetitions=3 --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
runs = [b for b in json.load(sys.stdin)["benchmarks"] if b.get("run_type") == "iteration"]
scale = {"ns": 1e-6, "us": 1e-3, "ms": 1, "s": 1e3}
print("%.1f" % min(b["real_time"] * scale[b["time_unit"]] for b in runs))')
    row "kova-sim 576 x 2000 receipt rendered and written" "${render:-failed} ms" "<= 50 ms" "$(verdict "$render" '<=' 50)"
else
    row "kova-sim 576 x 2000 receipt rendered and written" "not built" "<= 50 ms" "not measured"
fi

# libqlnk: one load and release, as around every printer operation.
if built qlnk_load_bench; then
    load=$("$build/bench/qlnk_load_bench" --benchmark_repetitions=5 --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
runs = [b for b in json.load(sys.stdin)["benchmarks"] if b.get("run_type") == "iteration"]
best = min(runs, key=lambda b: b["real_time"])
print("%.2f %d" % (best["real_time"] / 1000, best["libraries"]))')
    ms=${load% *}
    row "libqlnk load and release (${load#* } libraries mapped)" "${ms:-failed} ms" "<= 1 ms" "$(verdict "$ms" '<=' 1)"
else
    row "libqlnk load and release" "not built" "<= 1 ms" "not measured"
fi

# rollvane-cli status over the network against a stand-in printer on a loopback address:
# the run without the status query's wait to the next whole second (from the trace's send and
# receive lines) and without the program's own start (a run of --version).
if built rollvane-cli && built qlnk; then
    status=$(python3 - "$build/bin/rollvane-cli" "$work" <<'EOF'
import os, socket, subprocess, sys, threading, time
cli, work = sys.argv[1], sys.argv[2]
address = "127.0.3.62"
udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
udp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
udp.bind((address, 3000))
def answer():
    while True:
        request, peer = udp.recvfrom(64)
        if request == b"\x00\x00\x00\x00\x1b\x68":
            udp.sendto(bytes(8), peer)
threading.Thread(target=answer, daemon=True).start()
ip = int.from_bytes(socket.inet_aton(address), "big")
with open(os.path.join(work, "inifile.inf"), "w") as f:
    f.write(f"[INITIAL]\nCOMPORT=LAN\nIP.ADDRESS={ip}\nCOMMUNICATION=4\n")
def seconds(line):
    h, m, s = line.split()[1].split(":")
    return int(h) * 3600 + int(m) * 60 + float(s)
def run(arguments):
    start = time.perf_counter()
    result = subprocess.run([cli] + arguments, cwd=work, capture_output=True, text=True)
    return time.perf_counter() - start, result
beyond, start = [], []
for _ in range(6):
    elapsed, result = run(["--trace", "status"])
    lines = (result.stdout + result.stderr).splitlines()
    sent = next((l for l in lines if "UDP status channel) send" in l), None)
    answered = next((l for l in lines if "UDP status channel) recv" in l), None)
    if result.returncode != 0 or not sent or not answered:
        sys.exit(1)
    beyond.append(elapsed - (seconds(answered) - seconds(sent)))
    start.append(run(["--version"])[0])
print("%.1f" % ((min(beyond) - min(start)) * 1000))
EOF
)
    row "rollvane-cli status beyond the status wait" "${status:-failed} ms" "<= 3 ms" "$(verdict "$status" '<=' 3)"
else
    row "rollvane-cli status beyond the status wait" "not built" "<= 3 ms" "not measured"
fi

# rollvane-cli fleet apply of one item to 100 kova-sim printers against one printer's change-settings.
if built rollvane-cli && built kova-sim && built qlnk; then
    ratio=$("$root/bench/fleet/fleet-bench.sh" "$build" 2>/dev/null | awk '$1 == "ratio" { print $2 }')
    row "fleet apply to 100 printers / one printer" "${ratio:-failed}" "<= 2" "$(verdict "${ratio:-}" '<=' 2)"
else
    row "fleet apply to 100 printers / one printer" "not built" "<= 2" "not measured"
fi

# The desktop program's first window against a Qt "hello" window.
if built first_window_bench; then
    "$build/bench/first_window_bench" --runs 10 >"$work/first-window.txt" 2>/dev/null
    read -r time memory < <(awk '$1 == "ratio" { print $2, $3 }' "$work/first-window.txt")
    row "desktop first window / hello window" "${time:-failed}" "<= 1.2" "$(verdict "${time:-}" '<=' 1.2)"
    row "desktop peak memory / hello window" "${memory:-failed}" "<= 1.2" "$(verdict "${memory:-}" '<=' 1.2)"
else
    row "desktop first window / hello window" "not built" "<= 1.2" "not measured"
    row "desktop peak memory / hello window" "not built" "<= 1.2" "not measured"
fi

# libqlnk's TCP send against a plain blocking send loop, both to a draining peer.
if built qlnk_bench; then
    "$build/bench/qlnk_bench" --benchmark_filter='^BM_(TcpSend|PlainSend)/' --benchmark_min_time=0.2 \
        --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true \
        --benchmark_format=json 2>/dev/null | python3 -c '
import json, sys
best = {}
for b in json.load(sys.stdin)["benchmarks"]:
    if b.get("run_type") == "iteration":
        name, size = b["run_name"].split("/")[:2]
        best[(name, size)] = max(best.get((name, size), 0), b["bytes_per_second"])
for size in ("1024", "65536", "16777216"):
    library, plain = best.get(("BM_TcpSend", size)), best.get(("BM_PlainSend", size))
    print(size, "%.2f" % (library / plain) if library and plain else "")' >"$work/send.txt"
    while read -r size ratio; do
        case $size in
            1024) label="1 KiB" ;;
            65536) label="64 KiB" ;;
            *) label="16 MiB" ;;
        esac
        row "libqlnk TCP send / plain send loop, $label blocks" "${ratio:-failed}" ">= 0.90" "$(verdict "${ratio:-}" '>=' 0.9)"
    done <"$work/send.txt"
else
    row "libqlnk TCP send / plain send loop" "not built" ">= 0.90" "not measured"
fi

printf '%-52s %14s %12s  %s\n' "measure" "value" "goal" "verdict"
for r in "${rows[@]}"; do
    IFS=$'\t' read -r measure value goal met <<<"$r"
    printf '%-52s %14s %12s  %s\n' "$measure" "$value" "$goal" "$met"
done
