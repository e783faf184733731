#!/usr/bin/env bash
# Sets up what is missing, builds, and plays the built-in tour scenario. Arguments go to
# touchdown-sim (for example a scenario file, or --events run.jsonl).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default
exec build/default/bin/touchdown-sim "$@"
