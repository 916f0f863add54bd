#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, then either builds the release
# and starts Stavelark ("run [PROJECT.msf]") or builds the dev preset and runs
# every test ("test").
set -euo pipefail
cd "$(dirname "$0")/.."

# fonts-dejavu-core: the proportional sans-serif font the windows' fonts fall back to (with
# the Liberation fonts alone, "sans-serif" is Liberation Mono). shared-mime-info and
# desktop-file-utils make the desktop's caches; gio (libglib2.0-bin) checks the desktop entry.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libfluidsynth-dev libpulse-dev
          timgm6mb-soundfont libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth poppler-utils
          fonts-liberation2 fonts-dejavu-core shared-mime-info desktop-file-utils libglib2.0-bin)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 && sudo=(sudo)
  fi
  if [ "$(id -u)" -ne 0 ] && [ ${#sudo[@]} -eq 0 ] ||
     ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
     ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"; then
    echo >&2
    echo "The packages Stavelark needs could not be installed from this account. As root (su -), run:" >&2
    echo "    apt-get update && apt-get install -y ${missing[*]}" >&2
    echo "then run $0 $action again." >&2
    exit 1
  fi
}

register_glidebar() {
  local dir=$1
  if [ -x "$dir/src/platform/com/stavelark-regsvr" ] && [ -f "$dir/src/glidebar/libglidebar.so" ]; then
    "$dir/src/platform/com/stavelark-regsvr" "$dir/src/glidebar/libglidebar.so" >/dev/null
  fi
}

action=${1:-}
case "$action" in
  run)
    shift
    install_missing
    cmake --preset release >/dev/null
    cmake --build --preset release --target stavelark  # with what it loads, not the benchmarks
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
