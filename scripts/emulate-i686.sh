#!/usr/bin/env bash
# Lets a machine whose kernel runs no 32-bit x86 programs run them through qemu-user, slowly
# (about a minute per Windows process under Wine), so that the shipped i686 setup.exe can
# still be run:
#   emulate-i686.sh on    installs Debian's qemu-user-static, mounts binfmt_misc and registers
#                         qemu-i386 for 32-bit x86 programs; succeeds when one then runs
#   emulate-i686.sh off   takes back the registration that "on" made
# Needs root. binfmt_misc is asked before the kernel's own loader, so while the registration
# stands every 32-bit program of the machine runs emulated, also where it could run natively.
set -uo pipefail
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
mark=/run/setup-emulate-i686

case "${1:-}" in
  on)
    [ "$(id -u)" = 0 ] || { echo "emulate-i686.sh: needs root" >&2; exit 1; }
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
      DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null ||
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null; } ||
        exit 1
    fi
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || exit 1
    if [ ! -e "$entry" ]; then
      # 32-bit little-endian ELF executables and shared objects of machine 3 (x86); F: the
      # interpreter is opened now, so that it also works inside other mount namespaces.
      printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
        > "$binfmt/register" || exit 1
      touch "$mark"
    fi
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
    ;;
  off)
    if [ -e "$mark" ] && [ -e "$entry" ]; then echo -1 > "$entry"; fi
    rm -f "$mark"
    ;;
  *) echo "usage: emulate-i686.sh on|off" >&2; exit 2 ;;
esac
