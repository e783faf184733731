#!/usr/bin/env bash
# The Windows builds under Wine: builds touchdown.dll, the terrain library and the stand-in
# host (orbiter.exe) with MinGW-w64 for 64-bit Windows (the `windows` preset) and for 32-bit
# Windows (`windows32`), then runs each width in a fresh, headless Wine prefix of its own,
# where the library loader, the message boxes and the keyboard hook are the system's:
#   - the plug-in exports exactly its five entry points (InitModule, ExitModule,
#     GetModuleVersion, opcPreStep, opcCloseRenderViewport) as undecorated C names, and
#     imports exactly the host's 27 functions from orbiter.exe under the host's names
#     (tests/windows/host_names.tsv), and otherwise only from KERNEL32, USER32 and msvcrt;
#     the stand-in host exports those names;
#   - keystrokes reach a thread's keyboard hook with the platform's flag words, and message
#     boxes are recorded once with text, caption, owner and type (tests/windows);
#   - every example scenario gives the event log of its Linux run (same records in the same
#     order, numbers within 1e-9 relative, forces asked for anchored vessels left out); a long
#     run is compared by a sparse trace;
#   - two scenarios run as two sessions of one host each give the event log of the scenario
#     run alone: the module forgets a session at its end;
#   - a missing terrain library and one without its function each give exactly one message;
#   - a scenario that wants no terrain library is refused in an installation that has one;
#   - a dorvak.dll in the current directory and on PATH, but not in modules\, is not loaded;
#   - each width's archive (touchdown-VERSION-x64.zip, -x86.zip; the preset's `package`
#     target) holds exactly the simulator's folder: the tested DLLs byte for byte, of its
#     width, with their exports, the carrier's class file, the scenarios and the read-me
#     (scripts/check_package.py).
# Ends with "N passed, N failed, N skipped"; exits non-zero when anything failed. A width whose
# Wine cannot run on this machine (a kernel without 32-bit support) is skipped, and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
# The 32-bit Wine comes from Debian's i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo dpkg --add-architecture i386
fi
td_install g++-mingw-w64-x86-64 g++-mingw-w64-i686 clang-14 llvm-14 wine wine64 wine32:i386 \
  python3

# Scenarios too long for a full event log: their trace, one sample every 1000 steps.
TRACE_ONLY=(fleet.toml)
TRACE_EVERY=1000

echo "== build: default (Linux reference), windows and windows32, and their archives"
cmake --preset default >/dev/null
cmake --build --preset default --target touchdown-sim
for preset in windows windows32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  cmake --build --preset "$preset" --target package
done

ROOT=$PWD
LINUX_SIM=$ROOT/build/default/bin/touchdown-sim
HOST_NAMES=$ROOT/tests/windows/host_names.tsv
LINUX_RUNS=$ROOT/build/windows/linux-runs

passed=0
failed=0
skipped=0
pass() {
  passed=$((passed + 1))
  echo "  ok: $*"
}
fail() {
  failed=$((failed + 1))
  echo "  FAILED: $*"
}
skip() {
  skipped=$((skipped + 1))
  echo "  SKIPPED: $*"
}

now() { date +%s.%N; }
seconds_since() { awk -v start="$1" -v end="$(now)" 'BEGIN { printf "%.2f", end - start }'; }
add() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }

winpath() { # a Unix path as Wine's Z: drive shows it
  local unix
  unix=$(realpath -m "$1")
  echo "Z:${unix//\//\\}"
}

export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and without them Wine offers to download them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
trap 'for p in build/windows/wine-prefix build/windows32/wine-prefix; do
  WINEPREFIX=$PWD/$p wineserver -k 2>/dev/null || true; done' EXIT

installation_for() { # the installation a scenario's [terrain] library asks for
  if grep -Eq '^[[:space:]]*library[[:space:]]*=[[:space:]]*"missing"' "$1"; then
    echo missing
  elif grep -Eq '^[[:space:]]*library[[:space:]]*=[[:space:]]*"no-function"' "$1"; then
    echo no-function
  else
    echo present
  fi
}

trace_only() { printf '%s\n' "${TRACE_ONLY[@]}" | grep -qx "$1"; }
outputs_of() { # the output options for a scenario's run, and its output file last
  if trace_only "$1.toml"; then
    echo "--trace $1.csv --trace-every $TRACE_EVERY $1.csv"
  else
    echo "--events $1.jsonl $1.jsonl"
  fi
}

# --- the Linux reference: once for both widths ---
echo "== Linux reference runs"
rm -rf "$LINUX_RUNS"
mkdir -p "$LINUX_RUNS"
for scenario in scenarios/*.toml; do
  name=$(basename "$scenario" .toml)
  read -ra outputs <<<"$(outputs_of "$name")"
  unset 'outputs[-1]'
  (cd "$LINUX_RUNS" && "$LINUX_SIM" "$ROOT/$scenario" "${outputs[@]}" >"$name.txt")
done

# --- export and import tables, read with objdump -p ---
exports_of() { # OBJDUMP FILE: its exported names, sorted, one per line
  "$1" -p "$2" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk '/\]/ && !/Table/ {print $NF}' | sort
}
imports_of() { # OBJDUMP FILE: "module name" per imported function
  "$1" -p "$2" | awk '
    /DLL Name:/ { module = tolower($3); next }
    /^$/ { module = "" }
    module != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ && NF == 3 { print module, $3 }'
}
# An event log without the AddForce records of vessels hung on a parent, which the host
# leaves out of its physics. The module still measures an anchored vessel every step, and
# one resting on the ground has a clearance of nothing but its coordinates' round-off, a few
# nanometres either side of zero on a Moon millions of metres out: which steps it then asks
# a force in follows the last bit of the two math libraries' sines, and moves nothing.
forces_that_act() { # LOG OUT
  python3 - "$1" "$2" <<'PY'
import json
import sys

hung = set()
with open(sys.argv[1]) as log, open(sys.argv[2], "w") as out:
    for line in log:
        record = json.loads(line)
        kind = record["kind"]
        if kind == "AttachChild" and record["result"]:
            hung.add(record["child"])
        elif kind == "DetachChild" and record["child"] is not None:
            hung.discard(record["child"])
        elif kind == "AddForce" and record["vessel"] in hung:
            continue
        out.write(line)
PY
}
same_runs() { # LABEL LINUX WINDOWS: passes when the two outputs agree (scripts/compare_runs.py)
  local linux=$2 windows=$3 verdict
  if [[ $linux == *.jsonl ]]; then
    linux=$2.acting windows=$3.acting
    if ! verdict=$(forces_that_act "$2" "$linux" 2>&1 && forces_that_act "$3" "$windows" 2>&1); then
      fail "$1: an event log does not read: $(tail -n 1 <<<"$verdict")"
      return 0
    fi
  fi
  if verdict=$(python3 scripts/compare_runs.py "$linux" "$windows"); then
    pass "$1: $verdict"
  else
    fail "$1: $verdict"
  fi
}
same_lines() { # LABEL GOT WANT: passes when the two sorted lists are equal, else shows both sides
  if [ "$2" = "$3" ]; then
    pass "$1"
  else
    fail "$1: only in the file: [$(comm -23 <(echo "$2") <(echo "$3") | tr '\n' ' ')]," \
      "missing: [$(comm -13 <(echo "$2") <(echo "$3") | tr '\n' ' ')]"
  fi
}

# The archive of one width, unpacked: its layout, the DLLs' width and bytes, the text files
# (scripts/check_package.py), then the DLLs' exports as the build's are read above.
check_archive() { # PRESET OBJDUMP WIDTH
  local build=$ROOT/build/$1 version verdict
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  local name=touchdown-$version-$3.zip unpacked=$build/package-check
  if verdict=$(python3 scripts/check_package.py "$build/$name" "$3" --same-as "$build/bin" \
    --unpack "$unpacked"); then
    pass "$name: $(tail -n 1 <<<"$verdict" | sed 's/^[^:]*: //')"
  else
    fail "$name: $(tr '\n' ' ' <<<"$verdict")"
    return 0
  fi
  same_lines "$name: Modules/Plugin/touchdown.dll exports the five entry points" \
    "$(exports_of "$2" "$unpacked/Modules/Plugin/touchdown.dll")" \
    "$(printf '%s\n' ExitModule GetModuleVersion InitModule opcCloseRenderViewport opcPreStep)"
  same_lines "$name: Modules/dorvak.dll exports dorgetaltbyvec and the host's three" \
    "$(exports_of "$2" "$unpacked/Modules/dorvak.dll")" \
    "$(printf '%s\n' dorgetaltbyvec dorvakConfigure dorvakHostRadius dorvakStepBegins)"
}

# Every check, for one width. PRESET: windows or windows32; COLUMN: the host's names for it;
# LOADER: Wine's loader of that width. Debian's `wine` picks the 32-bit loader whenever it is
# installed, even where the kernel cannot run it, so each width names its own. WIDTH: the
# archive's name for it.
check_width() { # PRESET OBJDUMP COLUMN WINEARCH LOADER WIDTH
  local preset=$1 objdump=$2 column=$3 wine=$5
  local bin=$ROOT/build/$preset/bin
  local work=$ROOT/build/$preset/wine-runs
  local host_names
  host_names=$(awk -v c="$column" -F'\t' '!/^#/ { print $c }' "$HOST_NAMES" | sort)
  rm -rf "$work"
  mkdir -p "$work/windows"

  echo "== $preset: exports and imports"
  # The host looks each one up by its bare name. Every entry point is __cdecl, which leaves
  # a 32-bit name as it is; a __stdcall one would be exported as opcPreStep@24 (the bytes of
  # its three doubles) and never be found, so the exact names also pin the convention.
  same_lines "touchdown.dll exports the five entry points, undecorated" \
    "$(exports_of "$objdump" "$bin/modules/plugin/touchdown.dll")" \
    "$(printf '%s\n' ExitModule GetModuleVersion InitModule opcCloseRenderViewport opcPreStep)"
  same_lines "modules/dorvak.dll exports dorgetaltbyvec and the host's three" \
    "$(exports_of "$objdump" "$bin/modules/dorvak.dll")" \
    "$(printf '%s\n' dorgetaltbyvec dorvakConfigure dorvakHostRadius dorvakStepBegins)"
  same_lines "modules/nofn/dorvak.dll exports dorvakConfigure only" \
    "$(exports_of "$objdump" "$bin/modules/nofn/dorvak.dll")" "dorvakConfigure"
  local imports
  imports=$(imports_of "$objdump" "$bin/modules/plugin/touchdown.dll")
  same_lines "touchdown.dll imports the host's $(wc -l <<<"$host_names") names from orbiter.exe" \
    "$(awk '$1 == "orbiter.exe" { print $2 }' <<<"$imports" | sort)" "$host_names"
  same_lines "touchdown.dll imports from nothing but orbiter.exe and the system" \
    "$(awk '{ print $1 }' <<<"$imports" | sort -u)" \
    "$(printf '%s\n' kernel32.dll msvcrt.dll orbiter.exe user32.dll)"
  same_lines "orbiter.exe (the stand-in host) exports the host's names" \
    "$(exports_of "$objdump" "$bin/orbiter.exe")" "$host_names"

  echo "== $preset: the archive a user installs"
  check_archive "$preset" "$objdump" "$6"

  # A kernel built without IA-32 emulation refuses every 32-bit program, Wine's included.
  if ! "$wine" --version >/dev/null 2>&1; then
    skip "$preset under Wine: this machine cannot run $wine ($("$wine" --version 2>&1 | tail -n 1))"
    return 0
  fi

  # --- the prefix: new each run, no display, Wine's null graphics driver ---
  export WINEPREFIX=$ROOT/build/$preset/wine-prefix
  export WINEARCH=$4
  export WINELOADER=$wine
  echo "== $preset: Wine prefix $WINEPREFIX ($WINEARCH)"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  local start
  start=$(now)
  "$wine" wineboot -i >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  # The driver setting takes effect with a new wineserver: without it no window can be made.
  wineserver -k
  echo "  ready in $(seconds_since "$start") s"

  # --- installations: the host and the plug-in, with or without a terrain library ---
  # The plug-in imports the host from "orbiter.exe": every copy keeps that name.
  install_to() { # DIR [terrain library to place in DIR\modules\]
    mkdir -p "$1/modules/plugin"
    cp "$bin/orbiter.exe" "$1/"
    cp "$bin/modules/plugin/touchdown.dll" "$1/modules/plugin/"
    if [ $# -gt 1 ]; then cp "$2" "$1/modules/dorvak.dll"; fi
  }
  install_to "$work/present" "$bin/modules/dorvak.dll"
  install_to "$work/missing"
  install_to "$work/no-function" "$bin/modules/nofn/dorvak.dll"

  # --- the desktop without the module: keystrokes and message boxes ---
  echo "== $preset: the stand-in host's Windows desktop"
  local status=0
  (cd "$work/windows" && "$wine" "$(winpath "$bin/desktop_check.exe")" >desktop_check.txt \
    2>desktop_check.err) || status=$?
  if [ $status -eq 0 ]; then
    pass "desktop_check: $(tail -n 1 "$work/windows/desktop_check.txt")"
  else
    fail "desktop_check (status $status): $(cat "$work/windows/desktop_check.txt")"
  fi

  # --- the example scenarios, Windows against Linux ---
  echo "== $preset: scenarios under Wine against Linux"
  local wine_total=0 scenario name install outputs output took
  for scenario in scenarios/*.toml; do
    name=$(basename "$scenario" .toml)
    install=$(installation_for "$scenario")
    read -ra outputs <<<"$(outputs_of "$name")"
    output=${outputs[-1]}
    unset 'outputs[-1]'
    start=$(now)
    status=0
    (cd "$work/windows" && "$wine" "$(winpath "$work/$install/orbiter.exe")" \
      "$(winpath "$ROOT/$scenario")" "${outputs[@]}" >"$name.txt" 2>"$name.err") || status=$?
    took=$(seconds_since "$start")
    wine_total=$(add "$wine_total" "$took")
    if [ $status -ne 0 ]; then
      fail "$name: orbiter.exe ended with status $status: $(head -c 300 "$work/windows/$name.err")"
      continue
    fi
    same_runs "$name ($install, ${took} s under Wine)" "$LINUX_RUNS/$output" "$work/windows/$output"
  done
  echo "  Wine time for the scenarios ($preset): ${wine_total} s"

  # --- two sessions in one run: the second reuses the first one's handles ---
  # The module must end the first session with nothing of it left: each session's log is
  # then that of its scenario run alone, with no call naming an object of the first.
  echo "== $preset: two sessions in one run"
  local sessions=(release_keys walker) i
  status=0
  (cd "$work/windows" && "$wine" "$(winpath "$work/present/orbiter.exe")" \
    "$(winpath "$ROOT/scenarios/${sessions[0]}.toml")" \
    "$(winpath "$ROOT/scenarios/${sessions[1]}.toml")" \
    --events sessions.jsonl >sessions.txt 2>sessions.err) || status=$?
  if [ $status -ne 0 ]; then
    fail "two sessions: orbiter.exe ended with status $status: $(head -c 300 "$work/windows/sessions.err")"
  else
    for i in 1 2; do
      name=${sessions[i - 1]}
      same_runs "session $i of 2 ($name) against $name alone on Linux" "$LINUX_RUNS/$name.jsonl" \
        "$work/windows/sessions-$i.jsonl"
    done
  fi

  # --- the two start-up messages ---
  echo "== $preset: message boxes"
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
  check_single_message "$work/windows/missing_library.jsonl" "Dorvak module Not Found!"
  check_single_message "$work/windows/no_function.jsonl" "Dorvak module error"

  # --- an installation that does not match the scenario ---
  echo "== $preset: installation against scenario"
  status=0
  (cd "$work/windows" && "$wine" "$(winpath "$work/present/orbiter.exe")" \
    "$(winpath "$ROOT/scenarios/missing_library.toml")" >mismatch.txt 2>mismatch.err) || status=$?
  if [ $status -eq 1 ] && grep -q 'wants no terrain library.*modules\\dorvak.dll' "$work/windows/mismatch.err"; then
    pass "a scenario without a terrain library is refused beside one"
  else
    fail "a scenario without a terrain library beside one: status $status, $(head -c 300 "$work/windows/mismatch.err")"
  fi

  # --- a terrain library where only the platform's search would find it ---
  # Found by a relative "modules\dorvak.dll" in either place, as dorvak.dll by a bare name.
  echo "== $preset: planted dorvak.dll"
  local planted=$work/planted dir
  mkdir -p "$planted/cwd/modules" "$planted/path/modules" "$planted/elsewhere"
  for dir in "$planted/cwd" "$planted/path"; do
    cp "$bin/modules/dorvak.dll" "$dir/dorvak.dll"
    cp "$bin/modules/dorvak.dll" "$dir/modules/dorvak.dll"
  done
  run_planted() { # NAME DIRECTORY [WINEPATH]
    local status=0
    (cd "$2" && WINEPATH="${3:-}" "$wine" "$(winpath "$work/missing/orbiter.exe")" \
      "$(winpath "$ROOT/scenarios/missing_library.toml")" --events "$1.jsonl" >"$1.txt" \
      2>"$1.err") || status=$?
    if [ $status -ne 0 ]; then
      fail "$1: orbiter.exe ended with status $status: $(head -c 300 "$2/$1.err")"
    else
      check_single_message "$2/$1.jsonl" "Dorvak module Not Found!"
    fi
  }
  run_planted planted_in_current_directory "$planted/cwd"
  run_planted planted_on_path "$planted/elsewhere" "$(winpath "$planted/path")"
  wineserver -k 2>/dev/null || true
}

check_width windows x86_64-w64-mingw32-objdump 2 win64 /usr/lib/wine/wine64 x64
check_width windows32 i686-w64-mingw32-objdump 3 win32 /usr/lib/wine/wine x86

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
