#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing.
#   scripts/install-deps.sh          what the programs need to build and run (scripts/start.sh)
#   scripts/install-deps.sh --tests  also GoogleTest, Google Benchmark, clang and the servers the
#                                    tests talk to (scripts/run-tests.sh)
#   scripts/install-deps.sh --package  also what builds and checks the Debian package
#                                    (scripts/package-check.sh)
# Safe to run again: when nothing is missing it does nothing, not even "apt-get update".
#
# LPRng conflicts with cups-bsd, so installing it can remove packages a desktop prints with. Where
# it would remove anything, LPRng is left out and run-tests.sh skips the LPD tests; with CI=true
# (a throw-away machine) it is installed all the same.
set -euo pipefail

programs=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libusb-1.0-0-dev libudev-dev libcurl4-openssl-dev zlib1g-dev
)
tests=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # The sanitizer and fuzz builds.
  clang libclang-rt-14-dev
  # Peers of the LPR and FTP tests.
  lprng python3-pyftpdlib
)
# The Debian package (cpack, dpkg-shlibdeps) and the checks of an installed tree.
packaging=(
  dpkg-dev desktop-file-utils man-db file
)

case "${1:-}" in
  "") packages=("${programs[@]}") ;;
  --tests) packages=("${programs[@]}" "${tests[@]}" "${packaging[@]}") ;;
  --package) packages=("${programs[@]}" "${packaging[@]}") ;;
  *)
    echo "usage: scripts/install-deps.sh [--tests|--package]" >&2
    exit 2
    ;;
esac

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# A fresh desktop may be running its automatic updates: wait for the package lock a while.
apt=(apt-get -o DPkg::Lock::Timeout=300)
"${sudo_cmd[@]}" "${apt[@]}" update -qq

if [[ " ${missing[*]} " == *" lprng "* ]] && [ "${CI:-}" != true ]; then
  # "Remv" lines of a dry run name the packages a real install would take away.
  removed=$("${apt[@]}" -s install lprng | awk '/^Remv /{printf "%s%s", sep, $2; sep = " "}')
  if [ -n "$removed" ]; then
    echo "install-deps: not installing lprng, it would remove: $removed. The LPD tests are skipped (CI=true installs it)."
    kept=()
    for p in "${missing[@]}"; do
      [ "$p" = lprng ] || kept+=("$p")
    done
    missing=("${kept[@]}")
    [ ${#missing[@]} -gt 0 ] || exit 0
  fi
fi

# Package scripts must not start system daemons here (lprng would start lpd on port 515), but the
# machine's own choice holds again afterwards: the policy file is ours only during the install,
# and one that was there before is put back as it was.
policy=/usr/sbin/policy-rc.d
saved=$("${sudo_cmd[@]}" mktemp -d)
had_policy=false
if [ -e "$policy" ] || [ -L "$policy" ]; then
  had_policy=true
  "${sudo_cmd[@]}" cp -a "$policy" "$saved/policy-rc.d"
fi
restore_policy() {
  "${sudo_cmd[@]}" rm -f "$policy"
  if $had_policy; then
    "${sudo_cmd[@]}" cp -a "$saved/policy-rc.d" "$policy"
  fi
  "${sudo_cmd[@]}" rm -rf "$saved"
}
trap restore_policy EXIT
# Interrupted: leave through the EXIT trap too.
trap 'exit 130' INT
trap 'exit 143' TERM HUP
printf '#!/bin/sh\n# Only while scripts/install-deps.sh installs packages.\nexit 101\n' |
  "${sudo_cmd[@]}" tee "$policy" >/dev/null
"${sudo_cmd[@]}" chmod 755 "$policy"

"${sudo_cmd[@]}" "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}"
