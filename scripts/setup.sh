#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, then either builds the release
# and starts Stavelark ("run [PROJECT.msf]") or builds the dev preset and runs
# every test ("test").
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ pkg-config qt6-base-dev libfluidsynth-dev libpulse-dev
          timgm6mb-soundfont libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth poppler-utils
          fonts-liberation2)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

register_glidebar() {
  local dir=$1
  if [ -x "$dir/src/platform/com/stavelark-regsvr" ] && [ -f "$dir/src/glidebar/libglidebar.so" ]; then
    "$dir/src/platform/com/stavelark-regsvr" "$dir/src/glidebar/libglidebar.so" >/dev/null
  fi
}

case "${1:-}" in
  run)
    shift
    install_missing
    cmake --preset release >/dev/null
    cmake --build --preset release
    register_glidebar build/release
    exec build/release/src/app/stavelark "$@"
    ;;
  test)
    install_missing
    cmake --preset dev >/dev/null
    cmake --build --preset dev
    ctest --preset dev
    ;;
  *)
    echo "usage: $0 run [PROJECT.msf] | $0 test" >&2
    exit 2
    ;;
esac
