#!/usr/bin/env bash
# Builds everything: setup.exe and the Windows tests for i686 and x86_64, and the native tests.
#   build/i686/setup.exe     the shipped program (32-bit, runs on 32- and 64-bit Windows)
#   build/x86_64/setup.exe   the 64-bit build
#   build/native/            native tests of the pure logic (AddressSanitizer + UBSan)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ "${SETUP_SKIP_DEPS:-0}" = 1 ] || bash "$top/scripts/install-deps.sh"
jobs=${SETUP_JOBS:-$(nproc)}

configure_and_build() {
  local dir=$1; shift
  cmake -S "$top" -B "$top/build/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$top/build/$dir" -j "$jobs" 2>&1 | grep -v -E '^\[ *[0-9]+%\]' || true
  test "${PIPESTATUS[0]}" -eq 0
}

configure_and_build native
configure_and_build i686 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686.cmake"
configure_and_build x86_64 -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-x86_64.cmake"

for arch in i686 x86_64; do
  exe="$top/build/$arch/setup.exe"
  dlls=$("$arch-w64-mingw32-objdump" -p "$exe" | awk '/DLL Name/ {print $3}' | tr '\n' ' ')
  printf 'built %-28s %7d bytes, imports: %s\n' "build/$arch/setup.exe" "$(stat -c %s "$exe")" "$dlls"
done
