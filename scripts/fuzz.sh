#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-2.0-or-later
# Builds the libFuzzer programs (clang, AddressSanitizer and UBSan) in build-fuzz/ and runs
# each fuzz target for SECONDS (default 600), nice'd, one at a time, starting from its seeds
# (fuzz/seeds/<target>/) and its own corpus (build-fuzz/corpus/<target>/). Crash inputs are
# kept in build-fuzz/crashes/<target>/; copy a mended one to fuzz/crashes/<target>/ so that
# the ordinary test run replays it. Prints runs and crashes per target.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail

seconds=${1:-600}
shift || true
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is needed (libFuzzer comes with it); installing clang" >&2
  if [ "$(id -u)" -eq 0 ]; then apt-get install -y -qq --no-install-recommends clang; else sudo apt-get install -y -qq --no-install-recommends clang; fi
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(xml_document settings text_table macro_file profile_files kbp_import report_descriptor macro_scan)
fi

CC=clang CXX=clang++ nice -n 19 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTASTOR_BUILD_FUZZ=ON -DTASTOR_BUILD_GUI=OFF -DTASTOR_BUILD_TESTS=OFF >/dev/null
nice -n 19 cmake --build "$build" --target $(printf 'fuzz_%s ' "${targets[@]}") >/dev/null


declare -A dict=([xml_document]=xml.dict [text_table]=xml.dict)
summary=()
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t crashes=$build/crashes/$t
  mkdir -p "$corpus" "$crashes"
  log=$build/fuzz_$t.log
  args=(-max_total_time="$seconds" -max_len=70000 -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$crashes/")
  [ -n "${dict[$t]:-}" ] && args+=(-dict="$root/fuzz/${dict[$t]}")
  echo "fuzz: $t for ${seconds}s" >&2
  set +e
  (cd "$build" && nice -n 19 "$build/bin/fuzz_$t" "${args[@]}" "$corpus" "$root/fuzz/seeds/$t") >"$log" 2>&1
  status=$?
  set -e
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
  # Crash, leak, time-out and out-of-memory inputs count; a slow unit (one run that took
  # long, often only because the machine was busy) is kept but not counted as a crash.
  found=$(find "$crashes" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  slow=$(find "$crashes" -type f -name 'slow-unit-*' | wc -l)
  summary+=("$t: ${runs:-?} runs, $found crash inputs, $slow slow units (exit $status)")
done
printf '%s\n' "${summary[@]}"
