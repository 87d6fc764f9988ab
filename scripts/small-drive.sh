#!/usr/bin/env bash
# A small drive for the tests of a full disk: "mount" makes a 2 MiB tmpfs below the build
# folder and maps it to drive R: of the Wine prefix; "unmount" takes both away again. Mounting
# needs root (CI runs as root); without it the script says so and the tests skip their case.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
prefix=${WINEPREFIX:-$SETUP_BUILD_DIR/wineprefix}
folder=$SETUP_BUILD_DIR/small-drive
letter=$prefix/dosdevices/r:
case "${1:-}" in
  mount)
    mkdir -p "$folder" "$prefix/dosdevices"
    if ! mountpoint -q "$folder" && ! mount -t tmpfs -o size=2m setup-small-drive "$folder" 2>/dev/null; then
      echo "small-drive.sh: no small drive (mounting a tmpfs needs root): the full-disk case is skipped"
      exit 0
    fi
    ln -sfn "$folder" "$letter"
    echo "small-drive.sh: drive R: is a 2 MiB file system at $folder"
    ;;
  unmount)
    rm -f "$letter"
    if mountpoint -q "$folder"; then umount "$folder"; fi
    ;;
  *)
    echo "usage: $0 mount|unmount" >&2
    exit 2
    ;;
esac
