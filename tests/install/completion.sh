#!/usr/bin/env bash
# completion.sh ROLLVANE_CLI COMPLETION_DIR
# The shell completion of rollvane-cli against the program's own help texts (every command and
# option it names can be completed) and what bash offers for a table of command lines.
set -euo pipefail
cli=$1
dir=$2
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shellcheck source=/dev/null
source "$dir/rollvane-cli.bash"
# complete WORD...: what bash offers for the last word, one per line.
complete_line() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _rollvane_cli
  printf '%s\n' "${COMPREPLY[@]}"
}
# offers EXPECTED... -- WORD...: each expected word is among the offers.
offers() {
  local expected=() word
  while [ "$1" != -- ]; do expected+=("$1"); shift; done
  shift
  local got
  got=$(complete_line "$@")
  for word in "${expected[@]}"; do
    grep -qxF -- "$word" <<<"$got" || fail "'${*:2}': '$word' not offered (offered: $(tr '\n' ' ' <<<"$got"))"
  done
}

# --- Everything the help texts name. ---
usage=$("$cli" --help)
commands=$(sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\).*/\1/p' <<<"$usage")
[ -n "$commands" ] || fail "no commands found in rollvane-cli --help"
interface=$(sed -n '1,/^Commands:/s/^  \(--[a-z-]*\).*/\1/p' <<<"$usage")
# shellcheck disable=SC2086
offers $commands -- rollvane-cli ""
# shellcheck disable=SC2086
offers $interface -- rollvane-cli --
for command in $commands; do
  synopsis=$("$cli" "$command" --help | head -1)
  options=$(grep -o -E '(^| |\[)(--[a-z0-9-]+|-o)' <<<"${synopsis#*"$command"}" | tr -d ' [' | sort -u || true)
  [ -z "$options" ] || offers $options -- rollvane-cli --port LAN "$command" -
  grep -q -- "'$command:" "$dir/_rollvane-cli" || fail "zsh: no command $command"
  grep -q -E "^ *($command|[a-z -]*\| $command|$command \|.*)\)" "$dir/_rollvane-cli" ||
    fail "zsh: no arguments for $command"
  for option in $options; do
    grep -q -- "$option" "$dir/_rollvane-cli" || fail "zsh: no option $option ($command)"
  done
done
for option in $interface; do
  grep -q -- "'$option" "$dir/_rollvane-cli" || fail "zsh: no interface option $option"
done

if command -v zsh >/dev/null; then
  zsh -n "$dir/_rollvane-cli" || fail "zsh cannot parse _rollvane-cli"
fi

# Values the help texts list: ports, test names, message kinds.
# shellcheck disable=SC2046
offers COM1 COM2 COM10 COM20 LPT1 ORNUSB 'Printer\ Class' LAN -- rollvane-cli --port ""
tests=$("$cli" test-print --help | tr -s ' \n,' '\n' | sed 's/\.$//' | grep -E '^(all-h|rolling-ascii|duty-[0-9.]+[0-9]|config-printout)$')
[ "$(wc -l <<<"$tests")" -eq 8 ] || fail "test-print --help names $(wc -l <<<"$tests") tests, not 8"
# shellcheck disable=SC2086
offers $tests -- rollvane-cli test-print ""

# --- A table of command lines: the offers, exactly. ---
mkdir "$work/demos" && touch "$work/demos/Demo1.txt" "$work/demos/Demo3.txt" "$work/demos/notes.txt"
cd "$work/demos"
while IFS='|' read -r line want; do
  read -r -a words <<<"$line"
  [[ $line == *' ' ]] && words+=("")
  got=$(complete_line rollvane-cli "${words[@]}" | tr '\n' ' ' | sed 's/ $//')
  [ "$got" = "$want" ] || fail "'rollvane-cli $line': offered '$got', expected '$want'"
done <<'TABLE'
--port COM1|COM1 COM10 COM11 COM12 COM13 COM14 COM15 COM16 COM17 COM18 COM19
--port P|Printer\ Class
--baud 1|115200 19200 1200
--parity |NONE ODD EVEN
--flow D|DTR/DSR
--data-bits |7 8
--stop-bits |1 2
st|status
--port LAN --ip 127.0.0.1 st|status
--port LAN --ip 127.0.0.1 --baud 9600 de|define-message demo-print demo-check
--trace p|print-config print-image prepare-logo
test-print duty-1|duty-12.5 duty-100
test-print all-h --side |front back both
test-print all-h --paper |80 58
define-message |top bottom reprint
define-message top --underline |No\ Underline 1\ dot\ Underline 2\ dot\ Underline
define-message top --inverse |ON OFF
define-message top --color |Color Black
download-images --font |1 2
demo-print |1 3
status --|--raw --help --json --quiet --verbose --version
status --raw --port LAN --ip 127.0.0.1 --j|--json
print-config |
--ip 127|
--v|--verbose --version
di|diff discover
discover --|--timeout --range --subnet --identify --help --json --quiet --verbose --version
discover --range |
diff Demo1.txt --q|--quiet
diff Demo1.txt n|notes.txt
TABLE

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "completion: all checks passed"
