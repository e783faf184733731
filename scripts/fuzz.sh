#!/usr/bin/env bash
# Builds the fuzz preset (clang-14 with libFuzzer, AddressSanitizer and UndefinedBehavior-
# Sanitizer) and runs each fuzzer for the given number of seconds, one after the other.
#
#   scripts/fuzz.sh [seconds] [world|scenario|scn|live_input ...]   default: 60 s, all four
#
# Each fuzzer starts from its seeds in fuzz/corpus/<name>/ and keeps what it learns in
# build/fuzz/corpus/<name>/, so a later run goes on from there. A finding stops the script
# with a non-zero status and leaves the input that caused it in build/fuzz/findings/;
# replay it with build/fuzz/bin/fuzz_<name> <file> (TD_FUZZ_TRACE=1 lists the world
# fuzzer's actions).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
td_install clang-14 libclang-rt-14-dev libfuzzer-14-dev

seconds="${1:-60}"
[ $# -gt 0 ] && shift
fuzzers=("$@")
[ ${#fuzzers[@]} -eq 0 ] && fuzzers=(world scenario scn live_input)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p build/fuzz/findings
for name in "${fuzzers[@]}"; do
  case "$name" in
    world) options=(-max_len=2048 -len_control=0) ;;
    scenario) options=(-max_len=8192 -dict=fuzz/scenario.dict) ;;
    scn) options=(-max_len=8192 -dict=fuzz/scn.dict) ;;
    live_input) options=(-max_len=4096 -dict=fuzz/live_input.dict) ;;
    *) echo "fuzz.sh: no fuzzer named $name (world, scenario, scn, live_input)" >&2; exit 2 ;;
  esac
  work="build/fuzz/corpus/$name"
  mkdir -p "$work"
  echo "== fuzz_$name for $seconds s"
  "build/fuzz/bin/fuzz_$name" "${options[@]}" -max_total_time="$seconds" -timeout=10 \
    -print_final_stats=1 -artifact_prefix="build/fuzz/findings/$name-" \
    "$work" "fuzz/corpus/$name"
done
