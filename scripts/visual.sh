#!/usr/bin/env bash
# The pictures of a run. Installs what they need when it is missing (gnuplot, chromium, node
# and npm from Debian unless a node is already there, the web packages), builds, and then
#
#   ./scripts/visual.sh              runs the visual tests: the plots, the replay page, the
#                                    page played in chromium, and a live run driven by keys
#                                    in chromium (screenshots are left in build/default/visual/)
#   ./scripts/visual.sh --demo [DIR] draws the built-in tour instead: DIR/plots/ and
#                                    DIR/replay.html (DIR defaults to out)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh

demo_dir=""
case "${1:-}" in
  --demo) demo_dir="${2:-out}" ;;
  "") ;;
  *) echo "usage: $0 [--demo [DIR]]" >&2; exit 2 ;;
esac

packages=(gnuplot-nox)
[ -z "$demo_dir" ] && packages+=(chromium)  # only the browser test needs it
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi
td_install "${packages[@]}"
(cd web && npm ci --no-audit --no-fund --ignore-scripts)

cmake --preset default >/dev/null
cmake --build --preset default
if [ -n "$demo_dir" ]; then
  mkdir -p "$demo_dir"
  build/default/bin/touchdown-sim --plot "$demo_dir/plots" --replay "$demo_dir/replay.html"
else
  ctest --preset default -L visual --output-on-failure
fi
