#!/usr/bin/env bash
# Builds everything: setup.exe and the Windows tests for i686 and x86_64, and the native tests.
#   build/i686/setup.exe     the shipped program (32-bit, runs on 32- and 64-bit Windows)
#   build/x86_64/setup.exe   the 64-bit build
#   build/native/            native tests of the pure logic (AddressSanitizer + UBSan)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
[ "${SETUP_SKIP_DEPS:-0}" = 1 ] || bash "$top/scripts/install-deps.sh"
jobs=${SETUP_JOBS:-$(nproc)}
# SETUP_BUILD_DIR puts the build elsewhere (default build/); SETUP_ARCHES limits the targets.
out=$SETUP_BUILD_DIR
arches=$SETUP_ARCHES
# SETUP_BUILD_TARGETS builds only these targets of each Windows build, and no native tests
# (the main command: its programs and the sample media, not the test suite).
targets=${SETUP_BUILD_TARGETS:-}

configure_and_build() {
  local dir=$1; shift
  cmake -S "$top" -B "$out/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  # The progress lines go; the compiler's messages stay. The filter never fails, so under
  # pipefail the pipeline's status is the build's own.
  if ! cmake --build "$out/$dir" -j "$jobs" ${targets:+--target $targets} 2>&1 | { grep -v -E '^\[ *[0-9]+%\]' || true; }; then
    echo "build.sh: the $dir build failed" >&2
    return 1
  fi
}

# Each build packs its sample into OrlavinSetup.exe by running its own setup.exe under Wine.
# Where 32-bit programs do not run, the x86_64 build comes first and its setup.exe packs the
# i686 media as well; without an x86_64 build there the i686 sample is not packed.
pack_args_i686=()
if [[ " $arches " == *" i686 "* ]] && ! "$top/scripts/can-run-32bit"; then
  if [[ " $arches " == *" x86_64 "* ]]; then
    arches="x86_64 ${arches//x86_64/}"
    pack_args_i686=(-DSETUP_PACK_PROGRAM="$out/x86_64/setup.exe")
  else
    pack_args_i686=(-DSETUP_PACK_PROGRAM=none)
  fi
else
  pack_args_i686=(-DSETUP_PACK_PROGRAM=)
fi

[ -n "$targets" ] || configure_and_build native
for arch in $arches; do
  extra=()
  [ "$arch" = i686 ] && extra=("${pack_args_i686[@]}")
  configure_and_build "$arch" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" "${extra[@]}"
done

for arch in $arches; do
  exe="$out/$arch/setup.exe"
  dlls=$("$arch-w64-mingw32-objdump" -p "$exe" | awk '/DLL Name/ {print $3}' | tr '\n' ' ')
  printf 'built %-28s %7d bytes, imports: %s\n' "build/$arch/setup.exe" "$(stat -c %s "$exe")" "$dlls"
done
