#!/bin/sh
# PREFIX/lib/stavelark/uninstall: removes the installation it belongs to. Every file the
# installation added goes, so do the folders it made (unless something else has been put in them
# since), and the desktop's caches it touched (the MIME database, the desktop database and an
# icon cache) are brought up to date, or removed with their folder where the installation made
# them and nothing else uses them. Run it as the one who installed (root for /usr/local).
set -u
case $0 in
  */*) cd -- "${0%/*}/../.." || exit 1 ;;
  *) cd ../.. || exit 1 ;;
esac
prefix=$PWD
list=lib/stavelark/installed-files
if [ ! -f "$list" ]; then
  echo "uninstall: $prefix/$list is missing: this is no installation of Stavelark; nothing was removed" >&2
  exit 1
fi
if [ ! -w lib/stavelark ]; then
  echo "uninstall: you may not change $prefix: run it as the one who installed Stavelark (root for a system folder)" >&2
  exit 1
fi
entries=$(cat "$list")

# Each cache tool is given five seconds at most, as at the installation; its notes are not
# for the one who uninstalls.
refresh() {
  command -v "$1" >/dev/null 2>&1 || return 0
  if command -v timeout >/dev/null 2>&1; then
    timeout -s KILL 5 "$@" >/dev/null 2>&1 || echo "uninstall: $1 failed" >&2
  else
    "$@" >/dev/null 2>&1 || echo "uninstall: $1 failed" >&2
  fi
}
made() {
  printf '%s\n' "$entries" | grep -qxF "d $1"
}

printf '%s\n' "$entries" | while read -r kind path; do
  case $kind:$path in
    f:/* | f:*..*) ;;
    f:?*) rm -f -- "$path" ;;
  esac
done

if [ -d share/mime ]; then
  if made share/mime && [ -z "$(ls -A share/mime/packages 2>/dev/null)" ]; then
    rm -rf share/mime  # only the caches built from the installation's type are left
  else
    refresh update-mime-database share/mime
  fi
fi
if [ -d share/applications ]; then
  if made share/applications && [ "$(ls -A share/applications)" = mimeinfo.cache ]; then
    rm -f share/applications/mimeinfo.cache
  else
    refresh update-desktop-database share/applications
  fi
fi
if [ -f share/icons/hicolor/icon-theme.cache ]; then
  refresh gtk-update-icon-cache -q -t -f share/icons/hicolor
fi

# The folders, each before the folders that hold it; one that is not empty stays.
printf '%s\n' "$entries" | while read -r kind path; do
  case $kind:$path in
    d:/* | d:*..*) ;;
    d:?*) rmdir -- "$path" 2>/dev/null ;;
  esac
done
# The prefix itself and the folders above it that the installation made.
ups=$(printf '%s\n' "$entries" | grep -cx u)
while [ "$ups" -gt 0 ]; do
  here=${PWD##*/}
  cd .. || break
  rmdir -- "$here" 2>/dev/null || break
  ups=$((ups - 1))
done
echo "Stavelark was removed from $prefix"
