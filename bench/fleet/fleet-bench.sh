#!/usr/bin/env bash
# rollvane-cli fleet against 100 kova-sim printers on 127.0.6.1 to 127.0.6.100: the time of one
# printer's change-settings of one item beside fleet apply of that item to all 100 at once (goal:
# at most twice as long), and of discover over the same range (goal: at most 2 s).
#
#     bench/fleet/fleet-bench.sh [BUILD_DIR]      (default build/)
#
# The last lines are for scripts: "ratio R" and "discover S" (empty when not measured).
set -u

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" 2>/dev/null && pwd) || {
    echo "fleet-bench.sh: ${1:-$root/build} is not a folder" >&2
    exit 2
}
cli=$build/bin/rollvane-cli
sim=$build/bin/kova-sim
for program in "$cli" "$sim"; do
    if [ ! -x "$program" ]; then
        echo "fleet-bench.sh: $program is not built" >&2
        exit 2
    fi
done
count=100
work=$(mktemp -d)
pids=()
stop() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap stop EXIT

# The fleet on .1 to .100; the single printer on .101 of its own, so both change the same item
# from the same state.
for n in $(seq 1 $((count + 1))); do
    mkdir -p "$work/$n"
    "$sim" --address "127.0.6.$n" --out "$work/$n" >"$work/$n/sim.log" 2>&1 &
    pids+=($!)
done
for n in $(seq 1 $((count + 1))); do
    for _ in $(seq 1 200); do
        grep -q "kova-sim ready" "$work/$n/sim.log" 2>/dev/null && break
        sleep 0.05
    done
    if ! grep -q "kova-sim ready" "$work/$n/sim.log"; then
        echo "fleet-bench.sh: kova-sim on 127.0.6.$n did not start:" >&2
        cat "$work/$n/sim.log" >&2
        exit 1
    fi
done

cd "$work" || exit 1
printf '[Properties settings]:\r\nKnife   =Disabled \r\n' >knife.txt
now() { date +%s.%N; }
seconds() { python3 -c "print('%.2f' % ($2 - $1))"; }

start=$(now)
"$cli" --port LAN --ip "127.0.6.$((count + 1))" change-settings knife.txt >single.out 2>&1
single_exit=$?
single=$(seconds "$start" "$(now)")

start=$(now)
"$cli" fleet apply knife.txt --range "127.0.6.1-127.0.6.$count" --parallel "$count" >fleet.out 2>&1
fleet_exit=$?
fleet=$(seconds "$start" "$(now)")
changed=$(grep -c ' changed ' fleet.out)

start=$(now)
"$cli" discover --range "127.0.6.1-127.0.6.$count" >discover.out 2>&1
discover_exit=$?
discover=$(seconds "$start" "$(now)")

ratio=""
if [ "$single_exit" -eq 0 ] && [ "$fleet_exit" -eq 0 ]; then
    ratio=$(python3 -c "print('%.2f' % ($fleet / $single))")
fi
met() { python3 -c "import sys; sys.exit(0 if $1 else 1)" && echo "met" || echo "not met"; }

printf '%-44s %8s s  (exit %d)\n' "one printer: change-settings of one item" "$single" "$single_exit"
printf '%-44s %8s s  (exit %d, %d of %d changed)\n' "fleet apply of that item to $count printers" "$fleet" \
    "$fleet_exit" "$changed" "$count"
if [ -n "$ratio" ]; then
    printf '%-44s %8s    goal <= 2: %s\n' "fleet / one printer" "$ratio" "$(met "$ratio <= 2")"
else
    printf '%-44s %8s\n' "fleet / one printer" "failed"
    tail -n 5 single.out fleet.out >&2
fi
if [ "$discover_exit" -eq 0 ]; then
    printf '%-44s %8s s  goal <= 2 s: %s (%d lines)\n' "discover over $count addresses" "$discover" \
        "$(met "$discover <= 2")" "$(wc -l <discover.out)"
else
    printf '%-44s %8s s  (exit %d: %s)\n' "discover over $count addresses" "$discover" "$discover_exit" \
        "$(head -n 1 discover.out)"
    discover=""
fi
echo "ratio $ratio"
echo "discover $discover"
