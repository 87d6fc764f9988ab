#!/usr/bin/env bash
# Every setup.exe of the build imports only system DLLs.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|OLEAUT32|COMCTL32|SETUPAPI|msvcrt|SHLWAPI|COMDLG32)\.dll$'
status=0
for arch in $SETUP_ARCHES; do
  exe="$out/$arch/setup.exe"
  for dll in $("$arch-w64-mingw32-objdump" -p "$exe" | awk '/DLL Name/ {print $3}'); do
    if ! echo "$dll" | grep -qiE "$allowed"; then
      echo "FAIL: $exe imports $dll, which is not a system DLL"; status=1
    fi
  done
done
[ $status -eq 0 ] && echo "import tables: system DLLs only ($SETUP_ARCHES)"
exit $status
