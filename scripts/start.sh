#!/usr/bin/env bash
# Installs what is missing, builds, starts the virtual printer kova-sim on a loopback address and
# opens the desktop program pointed at it. Without a display it runs a short demo with rollvane-cli
# instead and says where the receipt pictures are.
#
# kova-sim listens on 127.0.0.1 (TCP 9100, UDP 3000); where another program holds one of those
# ports there, it takes the next loopback address whose ports are free (127.0.0.2, 127.0.0.3, ...).
# Everything of the run lives in run/: inifile.inf, the printer's state and its receipts.
# ROLLVANE_BUILD_DIR=DIR builds in DIR instead of build/.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
build=${ROLLVANE_BUILD_DIR:-build}
[[ $build == /* ]] || build="$top/$build"

# Only what the programs need: the test packages and servers are for scripts/run-tests.sh.
bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROLLVANE_TESTS=OFF -DROLLVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target rollvane rollvane-cli kova-sim qlnk

mkdir -p run/receipts
cd run

sim=
stop_sim() {
  [ -z "$sim" ] || kill "$sim" 2>/dev/null || true
  [ -z "$sim" ] || wait "$sim" 2>/dev/null || true
}
trap stop_sim EXIT

# said LINE FILE: FILE has a line that is LINE or starts with LINE and a blank. kova-sim's exact
# ready line, not a word that an error message may contain as well ("Address already in use").
said() {
  local line
  while IFS= read -r line; do
    [[ $line == "$1" || $line == "$1 "* ]] && return 0
  done <"$2"
  return 1
}

# start_sim ADDRESS: returns 0 once kova-sim listens on ADDRESS, 1 when port 9100 or 3000 of
# ADDRESS is taken; any other failure ends the script with kova-sim's log shown.
start_sim() {
  local address=$1 ready
  ready="kova-sim ready: tcp $address:9100 udp $address:3000"
  # A log of its own until it is ready: a failed try must not cut off the log of a kova-sim that
  # may still run from an earlier start.
  "$build/bin/kova-sim" --address "$address" --state printer-state.txt --out receipts \
    </dev/null >kova-sim.log.new 2>&1 &
  sim=$!
  for _ in $(seq 100); do
    if said "$ready" kova-sim.log.new; then
      mv -f kova-sim.log.new kova-sim.log
      return 0
    fi
    if ! kill -0 "$sim" 2>/dev/null; then
      wait "$sim" 2>/dev/null || true
      sim=
      if grep -q ": Address already in use" kova-sim.log.new; then
        rm -f kova-sim.log.new
        return 1
      fi
      mv -f kova-sim.log.new kova-sim.log
      echo "kova-sim stopped before it was ready; its log (run/kova-sim.log):" >&2
      cat kova-sim.log >&2
      exit 1
    fi
    sleep 0.1
  done
  mv -f kova-sim.log.new kova-sim.log
  echo "kova-sim did not say it was ready within 10 seconds; its log (run/kova-sim.log):" >&2
  cat kova-sim.log >&2
  exit 1
}

address=
for last in $(seq 1 32); do
  if start_sim "127.0.0.$last"; then
    address=127.0.0.$last
    break
  fi
  echo "127.0.0.$last: TCP port 9100 or UDP port 3000 is taken by another program."
done
if [ -z "$address" ]; then
  echo "No loopback address from 127.0.0.1 to 127.0.0.32 has TCP port 9100 and UDP port 3000 free" \
    "(a program listening on all addresses? 'ss -ltnup' shows it)." >&2
  exit 1
fi
echo "kova-sim is listening on $address (TCP 9100, UDP 3000); its log is run/kova-sim.log"

# The program reaches the printer at inifile.inf's IP.ADDRESS: one number, first octet most
# significant (127.0.0.1 is 2130706433).
IFS=. read -r a b c d <<<"$address"
number=$(((a << 24) + (b << 16) + (c << 8) + d))
if [ ! -e inifile.inf ]; then
  # The network link ("LAN", link type 4) to the virtual printer.
  printf '[INITIAL]\nCOMPORT=LAN\nBAUDRATE=115200\nSTOPBITS=1\nPARITY=NONE\nF.CONTROL=Xon/Xoff\nIP.ADDRESS=%s\nCOMMUNICATION=4\n' \
    "$number" >inifile.inf
else
  # A file of an earlier start, perhaps changed in the program since: only the address follows
  # the printer. Names are read as the program reads them: the first [INITIAL] section, section
  # and key names in any case, blanks around them ignored, line ends kept.
  awk -v value="$number" '
    function trim(s) { gsub(/^[ \t\r\v\f]+|[ \t\r\v\f]+$/, "", s); return s }
    {
      eol = /\r$/ ? "\r" : ""
      if (eol != "") crlf = eol
      text = trim($0)
      if (text ~ /^\[/) {
        if (inside && !done) { print "IP.ADDRESS=" value eol; done = 1 }
        name = substr(text, 2)
        sub(/\][^\]]*$/, "", name)
        inside = !seen && toupper(trim(name)) == "INITIAL"
        if (inside) seen = 1
      } else if (inside && !done && index($0, "=") > 0 &&
                 toupper(trim(substr($0, 1, index($0, "=") - 1))) == "IP.ADDRESS") {
        print "IP.ADDRESS=" value eol
        done = 1
        next
      }
      print
    }
    END {
      if (!done) {
        if (!seen) print "[INITIAL]" crlf
        print "IP.ADDRESS=" value crlf
      }
    }' inifile.inf >inifile.inf.new
  if cmp -s inifile.inf inifile.inf.new; then
    rm -f inifile.inf.new
  else
    chmod --reference=inifile.inf inifile.inf.new
    mv -f inifile.inf.new inifile.inf
    echo "run/inifile.inf: IP.ADDRESS set to $number ($address)."
  fi
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$build/bin/rollvane"
else
  echo "No display: a short demo with rollvane-cli instead."
  cli="$build/bin/rollvane-cli"
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
