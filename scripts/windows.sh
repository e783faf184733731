#!/usr/bin/env bash
# The Windows build under Wine: builds touchdown.dll, the terrain library and touchdown-sim.exe
# with MinGW-w64 (the `windows` preset), then runs them in a fresh, headless Wine prefix, where
# the library loader, the message boxes and the keyboard hook are the system's own:
#   - the plug-in exports exactly its four entry points and imports the host from the program;
#   - keystrokes reach a thread's keyboard hook with the platform's flag words, and message
#     boxes are recorded once with text, caption, owner and type (tests/windows);
#   - every example scenario gives the event log of its Linux run (same records in the same
#     order, numbers within 1e-9 relative); a long run is compared by a sparse trace;
#   - a missing terrain library and one without its function each give exactly one message;
#   - a scenario that wants no terrain library is refused in an installation that has one;
#   - a dorvak.dll in the current directory and on PATH, but not in modules\, is not loaded.
# Ends with "N passed, N failed"; exits non-zero when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
td_install g++-mingw-w64-x86-64 wine wine64 python3

# Scenarios too long for a full event log: their trace, one sample every 1000 steps.
TRACE_ONLY=(fleet.toml)
TRACE_EVERY=1000

echo "== build: default (Linux reference) and windows"
cmake --preset default >/dev/null
cmake --build --preset default --target touchdown-sim
cmake --preset windows >/dev/null
cmake --build --preset windows

ROOT=$PWD
LINUX_SIM=$ROOT/build/default/bin/touchdown-sim
WIN_BIN=$ROOT/build/windows/bin
WORK=$PWD/build/windows/wine-runs
rm -rf "$WORK"
mkdir -p "$WORK/linux" "$WORK/windows"

passed=0
failed=0
pass() {
  passed=$((passed + 1))
  echo "  ok: $*"
}
fail() {
  failed=$((failed + 1))
  echo "  FAILED: $*"
}

now() { date +%s.%N; }
seconds_since() { awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.2f", end - start }'; }
add() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }

# --- the prefix: new each run, no display, Wine's null graphics driver ---
export WINEPREFIX=$PWD/build/windows/wine-prefix
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and without them Wine offers to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
echo "== Wine prefix $WINEPREFIX"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
prefix_start=$(now)
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
# The driver setting takes effect with a new wineserver: without it no window can be made.
wineserver -k
echo "  ready in $(seconds_since "$prefix_start") s"
trap 'wineserver -k 2>/dev/null || true' EXIT

winpath() { # a Unix path as Wine's Z: drive shows it
  local unix
  unix=$(realpath -m "$1")
  echo "Z:${unix//\//\\}"
}

# --- installations: the program and the plug-in, with or without a terrain library ---
# The plug-in imports the host from "touchdown-sim.exe": every copy keeps that name.
install_to() { # DIR [terrain library to place in DIR\modules\]
  mkdir -p "$1/modules/plugin"
  cp "$WIN_BIN/touchdown-sim.exe" "$1/"
  cp "$WIN_BIN/modules/plugin/touchdown.dll" "$1/modules/plugin/"
  if [ $# -gt 1 ]; then cp "$2" "$1/modules/dorvak.dll"; fi
}
install_to "$WORK/present" "$WIN_BIN/modules/dorvak.dll"
install_to "$WORK/missing"
install_to "$WORK/no-function" "$WIN_BIN/modules/nofn/dorvak.dll"

installation_for() { # the installation a scenario's [terrain] library asks for
  if grep -Eq '^[[:space:]]*library[[:space:]]*=[[:space:]]*"missing"' "$1"; then
    echo missing
  elif grep -Eq '^[[:space:]]*library[[:space:]]*=[[:space:]]*"no-function"' "$1"; then
    echo no-function
  else
    echo present
  fi
}


# --- exports ---
echo "== exports"
exports_of() {
  x86_64-w64-mingw32-objdump -p "$1" |
    sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\]/ && !/Table/ {print $NF}' | sort |
    tr '\n' ' ' | sed 's/ $//'
}
check_exports() { # FILE EXPECTED...
  local file=$1 got want
  shift
  got=$(exports_of "$file")
  want="$(printf '%s\n' "$@" | sort | tr '\n' ' ' | sed 's/ $//')"
  if [ "$got" = "$want" ]; then pass "$(basename "$(dirname "$file")")/$(basename "$file") exports $want"; else fail "$file exports [$got], not [$want]"; fi
}
check_exports "$WIN_BIN/modules/plugin/touchdown.dll" ExitModule GetModuleVersion InitModule opcPostStep
check_exports "$WIN_BIN/modules/dorvak.dll" dorgetaltbyvec dorvakConfigure
check_exports "$WIN_BIN/modules/nofn/dorvak.dll" dorvakConfigure
# Read the whole listing first: grep -q stopping early would fail the pipe under pipefail.
imports=$(x86_64-w64-mingw32-objdump -p "$WIN_BIN/modules/plugin/touchdown.dll")
if grep -q 'DLL Name: touchdown-sim.exe' <<<"$imports"; then
  pass "touchdown.dll imports the host interface from touchdown-sim.exe"
else
  fail "touchdown.dll does not import from touchdown-sim.exe"
fi

# --- the desktop without the module: keystrokes and message boxes ---
echo "== the stand-in host's Windows desktop"
status=0
(cd "$WORK/windows" && wine "$(winpath "$WIN_BIN/desktop_check.exe")" >desktop_check.txt \
  2>desktop_check.err) || status=$?
if [ $status -eq 0 ]; then
  pass "desktop_check: $(tail -n 1 "$WORK/windows/desktop_check.txt")"
else
  fail "desktop_check (status $status): $(cat "$WORK/windows/desktop_check.txt")"
fi

# --- the example scenarios, Windows against Linux ---
echo "== scenarios under Wine against Linux"
wine_total=0
for scenario in scenarios/*.toml; do
  name=$(basename "$scenario" .toml)
  install=$(installation_for "$scenario")
  outputs=(--events "$name.jsonl")
  output=$name.jsonl
  if printf '%s\n' "${TRACE_ONLY[@]}" | grep -qx "$name.toml"; then
    outputs=(--trace "$name.csv" --trace-every "$TRACE_EVERY")
    output=$name.csv
  fi
  (cd "$WORK/linux" && "$LINUX_SIM" "$ROOT/$scenario" "${outputs[@]}" >"$name.txt")
  start=$(now)
  status=0
  (cd "$WORK/windows" && wine "$(winpath "$WORK/$install/touchdown-sim.exe")" \
    "$(winpath "$ROOT/$scenario")" "${outputs[@]}" >"$name.txt" 2>"$name.err") || status=$?
  took=$(seconds_since "$start")
  wine_total=$(add "$wine_total" "$took")
  if [ $status -ne 0 ]; then
    fail "$name: touchdown-sim.exe ended with status $status: $(head -c 300 "$WORK/windows/$name.err")"
    continue
  fi
  if verdict=$(python3 scripts/compare_runs.py "$WORK/linux/$output" "$WORK/windows/$output"); then
    pass "$name ($install, ${took} s under Wine): $verdict"
  else
    fail "$name ($install, ${took} s under Wine): $verdict"
  fi
done
echo "  Wine time for the scenarios: ${wine_total} s"

# --- the two start-up messages ---
echo "== message boxes"
check_single_message() { # LOG TEXT
  local boxes expected
  boxes=$(grep '"kind":"MessageBox"' "$1" || true)
  expected="{\"step\":0,\"t\":0,\"kind\":\"MessageBox\",\"text\":\"$2\",\"caption\":\"Error!\",\"owner\":false,\"type\":0}"
  if [ "$boxes" = "$expected" ]; then
    pass "$(basename "$1" .jsonl): one box, \"$2\" captioned \"Error!\", no owner, OK button only"
  else
    fail "$(basename "$1" .jsonl): expected only $expected, got: ${boxes:-no message box}"
  fi
}
check_single_message "$WORK/windows/missing_library.jsonl" "Dorvak module Not Found!"
check_single_message "$WORK/windows/no_function.jsonl" "Dorvak module error"

# --- an installation that does not match the scenario ---
echo "== installation against scenario"
status=0
(cd "$WORK/windows" && wine "$(winpath "$WORK/present/touchdown-sim.exe")" \
  "$(winpath "$ROOT/scenarios/missing_library.toml")" >mismatch.txt 2>mismatch.err) || status=$?
if [ $status -eq 1 ] && grep -q 'wants no terrain library.*modules\\dorvak.dll' "$WORK/windows/mismatch.err"; then
  pass "a scenario without a terrain library is refused beside one"
else
  fail "a scenario without a terrain library beside one: status $status, $(head -c 300 "$WORK/windows/mismatch.err")"
fi

# --- a terrain library where only the platform's search would find it ---
# Found by a relative "modules\dorvak.dll" in either place, as dorvak.dll by a bare name.
echo "== planted dorvak.dll"
planted=$WORK/planted
mkdir -p "$planted/cwd/modules" "$planted/path/modules" "$planted/elsewhere"
for dir in "$planted/cwd" "$planted/path"; do
  cp "$WIN_BIN/modules/dorvak.dll" "$dir/dorvak.dll"
  cp "$WIN_BIN/modules/dorvak.dll" "$dir/modules/dorvak.dll"
done
run_planted() { # NAME DIRECTORY [WINEPATH]
  local status=0
  (cd "$2" && WINEPATH="${3:-}" wine "$(winpath "$WORK/missing/touchdown-sim.exe")" \
    "$(winpath "$ROOT/scenarios/missing_library.toml")" --events "$1.jsonl" >"$1.txt" \
    2>"$1.err") || status=$?
  if [ $status -ne 0 ]; then
    fail "$1: touchdown-sim.exe ended with status $status: $(head -c 300 "$2/$1.err")"
  else
    check_single_message "$2/$1.jsonl" "Dorvak module Not Found!"
  fi
}
run_planted planted_in_current_directory "$planted/cwd"
run_planted planted_on_path "$planted/elsewhere" "$(winpath "$planted/path")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
