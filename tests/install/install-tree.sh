#!/usr/bin/env bash
# install-tree.sh BUILD_DIR SOURCE_DIR
# Installs the build into a temporary prefix and checks it as an installed program is used:
# the file list, the installed programs and library from outside the build tree, a C program
# built with pkg-config, and the desktop entry, udev rule, user unit and man pages.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  exit 1
}
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
libdir=${libdir:-lib}

# --- The file list: exactly these, nothing of the tests or static libraries besides. ---
expected=(
  bin/rollvane bin/rollvane-cli bin/kova-sim
  "$libdir/libqlnk.so" "$libdir/libqlnk.so.1" "$libdir/libqlnk.so.1.0.0" "$libdir/librollvane-core.so"
  include/qlnk.h "$libdir/pkgconfig/qlnk.pc"
  share/applications/rollvane.desktop libexec/rollvane/rollvane-desktop
  share/man/man1/rollvane.1 share/man/man1/rollvane-cli.1 share/man/man1/kova-sim.1
  share/bash-completion/completions/rollvane-cli share/zsh/vendor-completions/_rollvane-cli
  lib/udev/rules.d/60-rollvane.rules lib/systemd/user/kova-sim.service
)
icon_sizes=(16 22 24 32 48 64)
for size in "${icon_sizes[@]}"; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/rollvane.png")
done
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
(cd "$prefix" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) >"$work/installed"
if ! diff -u "$work/expected" "$work/installed" >"$work/list.diff"; then
  fail "installed files differ from the expected list:"
  cat "$work/list.diff" >&2
fi
for link in "$libdir/libqlnk.so" "$libdir/libqlnk.so.1"; do
  [ -L "$prefix/$link" ] || fail "$link is not a symbolic link"
done
for program in bin/rollvane bin/rollvane-cli bin/kova-sim libexec/rollvane/rollvane-desktop; do
  [ -x "$prefix/$program" ] || fail "$program is not executable"
done

# --- Icons: PNG pictures of the size their folder names (width and height from the header). ---
for size in "${icon_sizes[@]}"; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/rollvane.png
  [ -f "$png" ] || continue
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$(head -c4 "$png" | od -An -c | tr -d ' ')" = '211PNG' ] || fail "$png is not a PNG picture"
  [ "$w $h" = "$size $size" ] || fail "$png is $w x $h, not $size x $size"
done

# --- No build-tree or source-tree path in any installed file (ELF files without their debug
# information, which names the compiler's working folders by design). ---
while IFS= read -r -d '' file; do
  scanned=$file
  if [ "$(head -c4 "$file")" = $'\x7fELF' ]; then
    if command -v objcopy >/dev/null; then
      objcopy --strip-debug "$file" "$work/stripped" && scanned=$work/stripped
    fi
  fi
  for tree in "$build" "$source"; do
    if grep -q -a -F "$tree" "$scanned"; then
      fail "${file#"$prefix"/} holds the path $tree"
    fi
  done
done < <(find "$prefix" -type f -print0)

# --- RUNPATHs: relative to the program, never a folder of the build. ---
runpath() { readelf -d "$1" | sed -n 's/.*(\(RUNPATH\|RPATH\)).*\[\(.*\)\]/\1 \2/p'; }
while read -r file want; do
  got=$(runpath "$prefix/$file")
  [ "$got" = "$want" ] || fail "$file: '${got:-no RUNPATH}', expected '$want'"
done <<TABLE
bin/rollvane RUNPATH \$ORIGIN/../lib
bin/rollvane-cli RUNPATH \$ORIGIN/../lib
$libdir/librollvane-core.so RUNPATH \$ORIGIN
bin/kova-sim
$libdir/libqlnk.so.1.0.0
TABLE

# The programs' libraries resolve inside the prefix, with nothing pointing the loader elsewhere.
for program in bin/rollvane bin/rollvane-cli; do
  core=$(env -u LD_LIBRARY_PATH ldd "$prefix/$program" | awk '$1 == "librollvane-core.so" {print $3}')
  core=$(realpath -ms "${core:-nowhere}")
  [ "$core" = "$prefix/$libdir/librollvane-core.so" ] || fail "$program loads librollvane-core.so from '${core:-nowhere}'"
  if env -u LD_LIBRARY_PATH ldd "$prefix/$program" | grep -q 'not found'; then
    fail "$program has libraries not found: $(ldd "$prefix/$program" | grep 'not found' | tr -s ' \t' ' ')"
  fi
done

# --- The installed programs run from an empty folder. ---
mkdir "$work/run"
for program in rollvane-cli kova-sim; do
  if ! (cd "$work/run" && env -u LD_LIBRARY_PATH "$prefix/bin/$program" --help >"$work/$program.help" 2>&1); then
    fail "$program --help failed: $(head -3 "$work/$program.help")"
  elif ! grep -q "^Usage: $program" "$work/$program.help"; then
    fail "$program --help printed no usage line"
  fi
done

# --- pkg-config: the prefix given at install time, and a C program built and run with it. ---
pc=$prefix/$libdir/pkgconfig/qlnk.pc
[ "$(sed -n 's/^prefix=//p' "$pc")" = "$prefix" ] || fail "qlnk.pc: prefix is '$(sed -n 's/^prefix=//p' "$pc")', not $prefix"
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
flags=$(pkg-config --cflags --libs qlnk) || fail "pkg-config does not find qlnk"
case " $flags " in
  *" -I$prefix/include "*) ;;
  *) fail "pkg-config --cflags qlnk: '$flags' has no -I$prefix/include" ;;
esac
# shellcheck disable=SC2086  # the flags are words
if ${CC:-cc} -Wall -Werror -o "$work/qlnk-probe" "$here/qlnk-probe.c" $flags \
  -Wl,-rpath,"$(pkg-config --variable=libdir qlnk)" 2>"$work/cc.log"; then
  out=$(env -u LD_LIBRARY_PATH "$work/qlnk-probe" 2>&1) || fail "qlnk-probe failed: $out"
  lib=$(env -u LD_LIBRARY_PATH ldd "$work/qlnk-probe" | awk '$1 == "libqlnk.so.1" {print $3}')
  lib=$(realpath -ms "${lib:-nowhere}")
  [ "$lib" = "$prefix/$libdir/libqlnk.so.1" ] || fail "qlnk-probe loads libqlnk.so.1 from '${lib:-nowhere}'"
else
  fail "the C program does not build with pkg-config's flags: $(cat "$work/cc.log")"
fi
unset PKG_CONFIG_PATH

# --- Desktop entry: valid, and its Exec is the installed launcher. ---
desktop=$prefix/share/applications/rollvane.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 && ! [ -s "$work/desktop.log" ] ||
    fail "desktop-file-validate: $(cat "$work/desktop.log")"
else
  echo "note: desktop-file-validate not installed, the desktop entry is checked by hand only"
fi
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "\"$prefix/libexec/rollvane/rollvane-desktop\"" ] || fail "rollvane.desktop: Exec=$exec_line"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = rollvane ] || fail "rollvane.desktop: Icon is not the theme's rollvane"

# The launcher: the program's working folder for each XDG_DATA_HOME, through a stand-in program
# beside a copy of the launcher (the real one would open a window).
mkdir -p "$work/fake/bin" "$work/fake/libexec/rollvane" "$work/home"
cp "$prefix/libexec/rollvane/rollvane-desktop" "$work/fake/libexec/rollvane/"
printf '#!/bin/sh\necho "$PWD $*"\n' >"$work/fake/bin/rollvane"
chmod +x "$work/fake/bin/rollvane"
home=$work/home
while IFS='|' read -r setting want; do
  setting=${setting//@WORK@/$work}
  case $setting in
    unset) got=$(env -u XDG_DATA_HOME HOME="$home" "$work/fake/libexec/rollvane/rollvane-desktop" a) ;;
    *) got=$(env XDG_DATA_HOME="${setting#set:}" HOME="$home" "$work/fake/libexec/rollvane/rollvane-desktop" a) ;;
  esac
  want=${want//@HOME@/$home}
  want=${want//@WORK@/$work}
  [ "$got" = "$want a" ] || fail "launcher with XDG_DATA_HOME $setting: ran in '$got', expected '$want a'"
  [ -d "${want}" ] || fail "launcher with XDG_DATA_HOME $setting: $want was not created"
done <<'TABLE'
unset|@HOME@/.local/share/rollvane
set:|@HOME@/.local/share/rollvane
set:relative/data|@HOME@/.local/share/rollvane
set:@WORK@/data|@WORK@/data/rollvane
set:@WORK@/deep/er/data|@WORK@/deep/er/data/rollvane
TABLE

# --- udev rule: udevadm's own check where it has one, else the syntax checked here. ---
rules=$prefix/lib/udev/rules.d/60-rollvane.rules
if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
  udevadm verify "$rules" >"$work/udev.log" 2>&1 || fail "udevadm verify: $(cat "$work/udev.log")"
else
  out=$(bash "$here/check-udev-rules.sh" "$rules") || fail "udev rule: $out"
fi
while IFS='|' read -r match; do
  grep -E "^${match}.*TAG\+=\"uaccess\"" "$rules" >/dev/null || fail "60-rollvane.rules gives no uaccess for: $match"
done <<'TABLE'
SUBSYSTEM=="usbmisc", KERNEL=="lp\[0-9\]\*"
SUBSYSTEM=="hidraw"
SUBSYSTEM=="usb", ENV\{DEVTYPE\}=="usb_device"
TABLE
grep -q dialout "$rules" || fail "60-rollvane.rules says nothing of the dialout group"

# --- The user unit: the installed kova-sim, on 127.0.0.1, state under XDG_STATE_HOME. ---
unit=$prefix/lib/systemd/user/kova-sim.service
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
for want in "\"$prefix/bin/kova-sim\"" "--address 127.0.0.1" 'XDG_STATE_HOME' '--state' '--out'; do
  [[ $exec_start == *"$want"* ]] || fail "kova-sim.service: ExecStart has no $want"
done
# The unit's shell command as systemd hands it over ("$$" is "$", %h the home folder) makes the
# state folder and starts the program; a stand-in kova-sim shows its arguments.
command=$(sed -e "s/^\/bin\/sh -c '//; s/'\$//; s/\\\$\\\$/\$/g; s|%h|$home|g" <<<"$exec_start")
command=${command//"$prefix/bin/kova-sim"/$work/fake/bin/kova-sim}
printf '#!/bin/sh\nprintf "%%s\\n" "$@"\n' >"$work/fake/bin/kova-sim"
chmod +x "$work/fake/bin/kova-sim"
args=$(env XDG_STATE_HOME="$work/state" sh -c "$command") || fail "kova-sim.service: the command failed"
[ "$args" = "$(printf '%s\n' --address 127.0.0.1 --state "$work/state/kova-sim/printer-state.txt" --out "$work/state/kova-sim/receipts")" ] ||
  fail "kova-sim.service: the command ran kova-sim with: $args"
[ -d "$work/state/kova-sim/receipts" ] || fail "kova-sim.service: the receipt folder was not made"
args=$(env -u XDG_STATE_HOME sh -c "$command")
[[ $args == *"$home/.local/state/kova-sim/printer-state.txt"* ]] || fail "kova-sim.service without XDG_STATE_HOME: $args"
grep -q '^WantedBy=default.target' "$unit" || fail "kova-sim.service has no [Install] target"

# --- Man pages render without warnings and hold the programs' own help. ---
if command -v man >/dev/null; then
  for page in rollvane rollvane-cli kova-sim; do
    file=$prefix/share/man/man1/$page.1
    if ! MANWIDTH=100 man --warnings -l "$file" >"$work/$page.txt" 2>"$work/$page.warn" || [ -s "$work/$page.warn" ]; then
      fail "man -l $page.1: $(cat "$work/$page.warn")"
    fi
    grep -q '^NAME' "$work/$page.txt" || fail "man page $page(1) has no NAME section"
  done
  # Each command of the help text has its section, and the help lines appear as printed.
  for command in $(sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\).*/\1/p' "$work/rollvane-cli.help"); do
    grep -q "^   $command\$" "$work/rollvane-cli.txt" || fail "rollvane-cli(1) has no section for $command"
  done
  grep -q -- '--keep-receipts N' "$work/kova-sim.txt" || fail "kova-sim(1) lacks the --help text"
else
  echo "note: man not installed, the pages are not rendered"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "install tree: all checks passed"
