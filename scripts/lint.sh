#!/usr/bin/env bash
# Runs Debian's clang-tidy (14) with the repository's .clang-tidy over the project's own
# sources: the module, sim/, app/, terrain/, bench/, fuzz/ and tests/, with the headers they
# include. Any finding fails the run (.clang-tidy makes every warning an error).
#
#   scripts/lint.sh [folder or source ...]     default: every folder above
#
# The compile database comes from a configuration of its own in build/lint/ (nothing is
# built), with the fuzzers switched on so that fuzz/ is in it. Sources that only the Windows
# build compiles are not in it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
td_install clang-tidy-14 python3

folders=("$@")
[ ${#folders[@]} -eq 0 ] &&
  folders=(module contact anchor math host platform sim app terrain bench fuzz tests)

cmake -S . -B build/lint -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
  -DTD_BUILD_FUZZERS=ON >/dev/null

root=$(pwd)
# A folder stands for its own sources and those of its subfolders (tests/ mirrors the tree);
# a source file for itself.
parts=()
for f in "${folders[@]}"; do
  f=${f%/}
  if [[ $f == *.cpp ]]; then parts+=("${f//./\\.}"); else parts+=("$f/.+\\.cpp"); fi
done
pattern="^$root/($(IFS='|'; echo "${parts[*]}"))\$"
start=$(date +%s)
status=0
# run-clang-tidy-14 asks for colour whatever the output is; the log is for reading.
run-clang-tidy-14 -clang-tidy-binary clang-tidy-14 -p build/lint -j "$(nproc)" -quiet \
  "$pattern" 2>&1 | sed 's/\x1b\[[0-9;]*m//g' >build/lint/clang-tidy.log || status=$?
# Each finding once, though a header's findings come with every source that includes it.
grep -E '(warning|error): ' build/lint/clang-tidy.log | sort -u | sed "s|^$root/||" || true
echo "lint: $(grep -E '(warning|error): ' build/lint/clang-tidy.log | sort -u | wc -l) findings" \
  "in ${folders[*]} ($(($(date +%s) - start)) s)"
exit "$status"
