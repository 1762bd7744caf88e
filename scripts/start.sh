#!/usr/bin/env bash
# Installs what is missing, builds, starts the virtual printer kova-sim on 127.0.0.1 and opens
# the desktop program pointed at it. Without a display it runs a short demo with rollvane-cli
# instead and says where the receipt pictures are.
#
# Everything of the run lives in run/: inifile.inf, the printer's state and its receipts.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target rollvane rollvane-cli kova-sim qlnk

mkdir -p run/receipts
cd run
if [ ! -e inifile.inf ]; then
  # The network link to the virtual printer: "LAN", 127.0.0.1 (2130706433), link type 4.
  printf '[INITIAL]\nCOMPORT=LAN\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\nF.CONTROL=Xon/Xoff\nIP.ADDRESS=2130706433\nCOMMUNICATION=4\n' > inifile.inf
fi

"$top/build/bin/kova-sim" --address 127.0.0.1 --state printer-state.txt --out receipts > kova-sim.log 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  grep -q "ready" kova-sim.log 2>/dev/null && break
  kill -0 $sim 2>/dev/null || { cat kova-sim.log; exit 1; }
  sleep 0.1
done
echo "kova-sim is listening on 127.0.0.1 (TCP 9100, UDP 3000); its log is run/kova-sim.log"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$top/build/bin/rollvane"
else
  echo "No display: a short demo with rollvane-cli instead."
  cli="$top/build/bin/rollvane-cli"
  run() { echo "\$ rollvane-cli $*"; "$cli" "$@" || true; }
  run status
  run load-printer -o printer-settings.txt && echo "(the printer's settings are in run/printer-settings.txt)"
  run print-config
  if "$cli" test-print --help >/dev/null 2>&1; then
    run test-print all-h
  fi
  sleep 1
  echo
  echo "Receipts the virtual printer printed (PNG pictures and the bytes it received):"
  ls -1 "$top/run/receipts"
fi
