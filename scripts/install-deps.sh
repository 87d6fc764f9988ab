#!/usr/bin/env bash
# Installs everything the build and the tests need on a fresh Debian 12 machine (run as root).
# Quick when everything is already there: it only calls apt-get for what is missing.
set -euo pipefail

need_pkgs=(
  cmake make g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-i686-win32
  g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  googletest
  wine wine64 xvfb x11-utils imagemagick
  gcab python3 python3-yaml
  osslsigncode openssl
  locales
)
need_i386=(wine32:i386)
locales_wanted=(de_DE.UTF-8 es_ES.UTF-8 fr_FR.UTF-8 it_IT.UTF-8 nl_NL.UTF-8
                da_DK.UTF-8 fi_FI.UTF-8 nb_NO.UTF-8 en_GB.UTF-8 sv_SE.UTF-8 en_US.UTF-8)

missing=()
for p in "${need_pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
missing_i386=()
for p in "${need_i386[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing_i386+=("$p")
done

if [ $((${#missing[@]} + ${#missing_i386[@]})) -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # A mirror caught mid-sync fails one index now and then; the install below still finds the
  # packages in the others, and fails by itself when it does not.
  apt-get update -qq || echo "apt-get update reported errors; installing from the indexes it has"
  [ ${#missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # 32-bit Wine runs only the i686 setup.exe, which scripts/test.sh then reports as not run:
  # everything else still builds and is tested without it.
  [ ${#missing_i386[@]} -eq 0 ] ||
    apt-get install -y -qq --no-install-recommends "${missing_i386[@]}" >/dev/null ||
    echo "WARNING: ${missing_i386[*]} could not be installed: the i686 setup.exe cannot run here"
fi

# Locales used by the language tests (Wine takes the user's UI language from LANG).
regen=0
for l in "${locales_wanted[@]}"; do
  short=$(echo "$l" | sed 's/UTF-8/utf8/')
  if ! locale -a 2>/dev/null | grep -qix "$short"; then
    grep -q "^$l UTF-8" /etc/locale.gen 2>/dev/null || echo "$l UTF-8" >> /etc/locale.gen
    regen=1
  fi
done
[ $regen -eq 0 ] || locale-gen >/dev/null

echo "dependencies ready"
