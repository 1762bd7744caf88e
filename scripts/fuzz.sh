#!/usr/bin/env bash
# Builds every fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60), then prints a table: executions, executions per
# second and findings per target. Exits 1 when any target found something.
#   scripts/fuzz.sh [SECONDS] [TARGET ...]
# ROLLVANE_FUZZ_RUNS=N stops each target after N executions instead (SECONDS still bounds it),
# e.g. ROLLVANE_FUZZ_RUNS=10000000 scripts/fuzz.sh 7200 for one long run.
# Seeds come from fuzz/corpus/NAME (NAME is the target's name without "_fuzzer", with dashes
# for underscores); the corpus grows in BUILD/corpus/TARGET and findings land in
# BUILD/findings/, where BUILD is $ROLLVANE_FUZZ_DIR or build-fuzz. A finding is reproduced by
# running the target on its file; it then becomes a regression test with that input.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
[ $# -gt 0 ] && shift
build=${ROLLVANE_FUZZ_DIR:-build-fuzz}

bash scripts/install-deps.sh --tests
cmake -S . -B "$build" -DROLLVANE_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DROLLVANE_TESTS=OFF -DROLLVANE_BENCH=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

# Inputs longer than libFuzzer's default of 4096 bytes, where a target needs room to grow.
declare -A max_len=([kova_sim_engine_fuzzer]=65536 [kova_sim_parser_fuzzer]=65536 [printer_replies_fuzzer]=8192 [qlnk_status_fuzzer]=66000 [bmp_fuzzer]=16384)
# Seed folders whose name does not follow the rule.
declare -A seeds_of=([kova_sim_engine_fuzzer]=kova-sim [kova_sim_parser_fuzzer]=kova-sim [kova_sim_state_fuzzer]=kova-sim-state)

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/fuzz/*_fuzzer; do
    targets+=("$(basename "$program")")
  done
fi

mkdir -p "$build/findings"
found=0
printf '%-28s %14s %10s %9s\n' target executions "per second" findings
for target in "${targets[@]}"; do
  name=${target%_fuzzer}
  seeds=fuzz/corpus/${seeds_of[$target]:-${name//_/-}}
  work=$build/corpus/$target
  mkdir -p "$work"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/findings/$target-")
  [ -n "${max_len[$target]:-}" ] && options+=(-max_len="${max_len[$target]}")
  [ -n "${ROLLVANE_FUZZ_RUNS:-}" ] && options+=(-runs="$ROLLVANE_FUZZ_RUNS")
  log=$build/$target.log
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/$target" "${options[@]}" "$work" >"$log" 2>&1 || true
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  findings=$(find "$build/findings" -name "$target-*" | wc -l)
  printf '%-28s %14s %10s %9s\n' "$target" "${executions:-?}" "${rate:-?}" "$findings"
  [ "$findings" -eq 0 ] || found=1
done
exit $found
