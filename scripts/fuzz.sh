#!/usr/bin/env bash
# Runs every fuzz target (address and undefined-behaviour sanitizers, the
# fuzz preset) for SECONDS on its corpus, one after the other, and prints a
# table of executions and coverage per target.
#
# Usage: scripts/fuzz.sh SECONDS [--minimise] [TARGET...]
#
# The corpus of a target is tests/fuzz/corpus/<target>/; it is only read. What
# a run adds goes to build/fuzz/corpus/<target>/, so runs build on each other.
# With --minimise the tree's corpus is replaced afterwards by the smallest set
# of inputs (tree and run together) that covers as much. Inputs that crash,
# leak, hang or run out of memory are kept in build/fuzz/findings/<target>/;
# the exit code is 1 when there is any. Slow inputs libFuzzer notes beside
# them (slow-unit-*) are not counted.
#
# Run it niced on a shared machine: nice -n 19 scripts/fuzz.sh 600
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  sed -n '2,/^set/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}
[ $# -ge 1 ] || usage
seconds=$1
shift
[[ "$seconds" =~ ^[0-9]+$ ]] && [ "$seconds" -gt 0 ] || usage
minimise=0
targets=()
for arg in "$@"; do
  case "$arg" in
    --minimise | --minimize) minimise=1 ;;
    -*) usage ;;
    *) targets+=("$arg") ;;
  esac
done

./scripts/build.sh fuzz >/dev/null
bin=build/fuzz/fuzz
if [ ${#targets[@]} -eq 0 ]; then
  for target in "$bin"/*; do
    [ -x "$target" ] && [ -f "$target" ] && targets+=("$(basename "$target")")
  done
fi

# Any report of either sanitizer ends the input and keeps it as a finding.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

rows=()
status=0
for target in "${targets[@]}"; do
  [ -x "$bin/$target" ] || { echo "fuzz.sh: no fuzz target $target" >&2; exit 2; }
  tree=tests/fuzz/corpus/$target
  work=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  log=build/fuzz/logs/$target.log
  mkdir -p "$tree" "$work" "$findings" "$(dirname "$log")"
  # Targets that make their seeds from the program's own parts (the virtual
  # keyboard's replies, ...) write them here; the others ignore this.
  OMBREX_FUZZ_WRITE_SEEDS=$work "$bin/$target" -runs=0 "$work" >/dev/null 2>&1 || true

  echo "fuzz.sh: $target for $seconds s" >&2
  set +e
  "$bin/$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=2560 -artifact_prefix="$findings/" "$work" "$tree" >"$log" 2>&1
  set -e

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  # The last status line: "#N  REDUCE cov: C ft: F corp: U/S ..."
  last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
  coverage=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  features=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
  # libFuzzer also keeps slow-unit-* there: inputs that merely took long,
  # which are no finding (a real hang is a timeout-* file).
  found=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
  [ "$found" -eq 0 ] || status=1

  if [ "$minimise" -eq 1 ] && [ "$found" -eq 0 ]; then
    merged=$(mktemp -d)
    "$bin/$target" -merge=1 -timeout=10 -rss_limit_mb=2560 "$merged" "$tree" "$work" \
      >>"$log" 2>&1
    rm -rf "$tree"
    mkdir -p "$tree"
    # Named by content, as libFuzzer names them, so a rerun changes only what changed.
    cp "$merged"/* "$tree"/ 2>/dev/null || true
    rm -rf "$merged"
  fi
  kept=$(find "$tree" -type f | wc -l)
  rows+=("$target|$seconds|${executions:-?}|${coverage:-?}|${features:-?}|${corpus:-?}|$kept|$found")
done

printf '\n| %s | %s | %s | %s | %s | %s | %s | %s |\n' target seconds executions coverage \
  features "corpus (units/bytes)" "in tree" findings
printf '|---|---:|---:|---:|---:|---:|---:|---:|\n'
for row in "${rows[@]}"; do
  IFS='|' read -r t s e c f u k n <<<"$row"
  printf '| %s | %s | %s | %s | %s | %s | %s | %s |\n' "$t" "$s" "$e" "$c" "$f" "$u" "$k" "$n"
done
[ "$status" -eq 0 ] || echo "fuzz.sh: findings in build/fuzz/findings/ (logs in build/fuzz/logs/)" >&2
exit "$status"
