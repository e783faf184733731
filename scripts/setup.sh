#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing. Sourced by the
# other scripts; safe to run again.
set -euo pipefail

TD_PACKAGES=(
  cmake ninja-build g++ binutils valgrind
  libgtest-dev libgmock-dev libbenchmark-dev
  libtomlplusplus-dev libcli11-dev nlohmann-json3-dev libcpp-httplib-dev
)

td_missing_packages() {
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || echo "$pkg"
  done
}

td_install() {
  local missing
  missing=$(td_missing_packages "$@")
  [ -z "$missing" ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: $missing"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

td_install "${TD_PACKAGES[@]}"
