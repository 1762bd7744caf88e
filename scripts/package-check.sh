#!/usr/bin/env bash
# Builds the Debian package with CPack, installs it, uses what it installed and removes it again:
#   - rollvane-cli --help, kova-sim --help (and rollvane-cli --version where it has one);
#   - the installed kova-sim on a free loopback address and "rollvane-cli ... status" against it;
#   - a C program built with "pkg-config --cflags --libs qlnk" against the installed library;
#   - after "apt-get remove", nothing of the package left under /usr.
# Needs root (or sudo) for apt-get. Builds in build-package/ without the tests; with
# ROLLVANE_PACKAGE_BUILD_DIR=DIR it packs an optimised build already made there (the tests' own,
# in CI) as it is configured. Refuses to run where a rollvane package is installed already.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${ROLLVANE_PACKAGE_BUILD_DIR:-build-package}

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
apt=(apt-get -o DPkg::Lock::Timeout=300)

installed() {
  dpkg-query -W -f='${Status}' rollvane 2>/dev/null | grep -q "install ok installed"
}
if installed; then
  echo "package-check: a rollvane package is installed already; remove it first (apt-get remove rollvane)" >&2
  exit 1
fi

bash scripts/install-deps.sh --package

if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DROLLVANE_TESTS=OFF -DROLLVANE_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j2
rm -f "$build"/rollvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/rollvane_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
  echo "package-check: cpack made no single rollvane_*.deb in $build" >&2
  exit 1
}
deb=$(realpath "${debs[0]}")
echo "package-check: $(basename "$deb")"

work=$(mktemp -d)
kova_pid=""
we_installed=false
cleanup() {
  local status=$?
  if [ -n "$kova_pid" ]; then
    kill "$kova_pid" 2>/dev/null || true
    wait "$kova_pid" 2>/dev/null || true
  fi
  if $we_installed && installed; then
    "${sudo_cmd[@]}" "${apt[@]}" purge -y -qq rollvane >/dev/null || status=1
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# --- The package itself. ---
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = rollvane ] || fail "package name $(field Package)"
[ "$(field Maintainer)" = "Rollvane developers" ] || fail "maintainer $(field Maintainer)"
depends=$(field Depends)
for library in libqt6gui6 libqt6widgets6 libcurl4 libusb-1.0-0 libudev1 libc6; do
  [[ $depends == *"$library"* ]] || fail "Depends has no $library: $depends"
done
dpkg-deb -x "$deb" "$work/content"
if grep -r -l -a -F -e "$root" "$work/content" >"$work/paths"; then
  fail "files of the package hold the path $root: $(tr '\n' ' ' <"$work/paths")"
fi
[ -d "$work/content/usr/local" ] && fail "the package installs under /usr/local"

# --- Installed. ---
# What of the package's paths the machine has before: only those may be there after removal.
dpkg-deb -c "$deb" | awk '{print substr($6, 2)}' | sed 's|/$||' | grep -v '^$' >"$work/paths-in-package"
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || echo "$path"
done <"$work/paths-in-package" >"$work/new-paths"
"${sudo_cmd[@]}" "${apt[@]}" install -y -qq "$deb" >/dev/null
we_installed=true
for file in /usr/bin/rollvane /usr/bin/rollvane-cli /usr/bin/kova-sim /usr/include/qlnk.h \
  /usr/share/applications/rollvane.desktop /usr/lib/udev/rules.d/60-rollvane.rules \
  /usr/lib/systemd/user/kova-sim.service /usr/share/bash-completion/completions/rollvane-cli; do
  [ -e "$file" ] || fail "$file is not installed"
done
file -L /usr/bin/rollvane | grep -q 'not stripped' && fail "/usr/bin/rollvane is not stripped"
[ "$(pkg-config --variable=prefix qlnk)" = /usr ] || fail "qlnk.pc: prefix $(pkg-config --variable=prefix qlnk)"
man -w rollvane-cli >/dev/null || fail "man finds no rollvane-cli page"

cd "$work"
rollvane-cli --help >/dev/null || fail "rollvane-cli --help"
kova-sim --help >/dev/null || fail "kova-sim --help"
if rollvane-cli --help | grep -q -- '--version'; then
  rollvane-cli --version || fail "rollvane-cli --version"
fi

# The installed kova-sim on the first loopback address where its ports are free (the CLI talks
# to TCP 9100 and UDP 3000 of the address it is given, whatever else runs on the machine).
address=""
for n in $(seq 1 60); do
  candidate=127.0.9.$n
  mkdir -p "$work/kova"
  kova-sim --address "$candidate" --state "$work/kova/state.txt" --out "$work/kova" --restart-seconds 1 \
    </dev/null >"$work/kova.log" 2>&1 &
  kova_pid=$!
  for _ in $(seq 1 50); do
    grep -q '^kova-sim ready' "$work/kova.log" && break
    kill -0 "$kova_pid" 2>/dev/null || break
    sleep 0.1
  done
  if grep -q '^kova-sim ready' "$work/kova.log"; then
    address=$candidate
    break
  fi
  kill "$kova_pid" 2>/dev/null || true
  wait "$kova_pid" 2>/dev/null || true
  kova_pid=""
done
if [ -z "$address" ]; then
  fail "the installed kova-sim did not start on 127.0.9.1 to 127.0.9.60: $(tail -2 "$work/kova.log")"
else
  echo "package-check: kova-sim on $address"
  mkdir "$work/run"
  if out=$(cd "$work/run" && rollvane-cli --port LAN --ip "$address" status 2>&1); then
    [[ $out == *0x00* ]] || fail "rollvane-cli status printed: $out"
  else
    fail "rollvane-cli status against the installed kova-sim: $out"
  fi
  # shellcheck disable=SC2046  # pkg-config's flags are words
  if cc -Wall -Werror -o "$work/qlnk-probe" "$root/tests/install/qlnk-probe.c" $(pkg-config --cflags --libs qlnk); then
    "$work/qlnk-probe" "$address" || fail "the C program against the installed libqlnk"
    ldd "$work/qlnk-probe" | grep -q -E '=> /(usr/)?lib/libqlnk.so.1 ' || fail "the C program does not load the installed libqlnk: $(ldd "$work/qlnk-probe" | grep qlnk)"
  else
    fail "the C program does not build with pkg-config's flags"
  fi
  kill "$kova_pid" && wait "$kova_pid" 2>/dev/null || true
  kova_pid=""
fi
cd "$root"

# --- Removed: nothing of it left under /usr. ---
"${sudo_cmd[@]}" "${apt[@]}" remove -y -qq rollvane >/dev/null
we_installed=false
installed && fail "rollvane is still installed after apt-get remove"
# ldconfig's maintainer scripts keep the package's record until it is purged.
"${sudo_cmd[@]}" dpkg --purge rollvane >/dev/null
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] && fail "$path left behind"
done <"$work/new-paths"
for folder in /usr/libexec/rollvane /usr/share/doc/rollvane; do
  [ -e "$folder" ] && fail "$folder left behind"
done

if [ "$failures" -gt 0 ]; then
  echo "package-check: $failures check(s) failed" >&2
  exit 1
fi
echo "package-check: built, installed, used and removed $(basename "$deb")"
