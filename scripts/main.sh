#!/usr/bin/env bash
# Builds everything and runs setup.exe on the Orlavin sample (examples/orlavin) under Wine:
# the wizard (interactive when a display is set, else quiet under a private Xvfb, with
# screenshots), a report of what landed on the machine, the removal through the recorded
# Uninstall command lines with /quiet added, the report that it is gone, and the exit codes.
#
#   bash scripts/main.sh [setup.exe options...]     e.g. /lang:ger /style:0
#
# Everything it writes is under build/demo/ (the Wine prefix is build/wineprefix).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${SETUP_BUILD_DIR:-$top/build}
interactive=0
[ -n "${DISPLAY:-}" ] && interactive=1

bash "$top/scripts/build.sh" || exit 1
. "$top/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start

arch=x86_64
case "${SETUP_ARCHES:-i686 x86_64}" in
  *i686*) "$top/scripts/can-run-32bit" && arch=i686 ;;
esac
media="$out/$arch/examples/orlavin"
demo="$out/demo"
rm -rf "$demo" && mkdir -p "$demo/screens"
wine64=/usr/lib/wine/wine64
drive_c="$WINEPREFIX/drive_c"
steplog="$drive_c/windows/orlavin-steps.log"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
sample_keys="Orlavin OrlavinMachine OrlavinListener OrlavinVoices OrlavinFax OrlavinTools"

# The shell passes on only the low 8 bits of an exit code; setup.exe's codes differ in them.
exit_name() {
  case $1 in
    0) echo "0 (done)" ;; 194) echo "3010 (done, restart needed)" ;;
    105) echo "1641 (done, restart started)" ;; 66) echo "1602 (cancelled)" ;;
    67) echo "1603 (failed)" ;; 82) echo "1618 (another setup was running)" ;;
    84) echo "1620 (setup script not opened)" ;; *) echo "$1 (low 8 bits)" ;;
  esac
}

# Wine's reg says "Unable to find" on its standard output, with a failing exit code.
reg_query() {
  local text
  text=$("$wine64" reg query "$@" 2>/dev/null) || return 1
  printf '%s\n' "$text" | tr -d '\r' | sed '/^$/d'
}

# A shortcut's target as the link file stores it (the first Windows path in it).
link_target() { strings -n 6 "$1" | grep -m1 -E '^[A-Za-z]:\\' || echo '?'; }

report() {
  local target=$1
  echo "-- files in $target"
  local unix_target
  unix_target=$("$wine64" winepath -u "$target" 2>/dev/null | tr -d '\r')
  if [ -d "$unix_target" ]; then
    (cd "$unix_target" && find . -type f -printf '   %-28P %7s bytes\n' | sort)
  else
    echo "   (the folder is gone)"
  fi
  echo "-- Uninstall entries"
  local key any=0
  for key in $sample_keys; do
    if reg_query "$uninstall\\$key" >/dev/null; then
      any=1; echo "   $key"; reg_query "$uninstall\\$key" | grep -v '^HKEY' | sed 's/^ */      /'
    fi
  done
  [ $any = 1 ] || echo "   none of the sample's keys"
  echo "-- service OrlavinListener"
  if reg_query 'HKLM\System\CurrentControlSet\Services\OrlavinListener' >/dev/null; then
    reg_query 'HKLM\System\CurrentControlSet\Services\OrlavinListener' |
      grep -E 'DisplayName|ImagePath|Start |Type |ErrorControl|Group|DependOnService|ObjectName' |
      sed 's/^ */   /'
    "$wine64" sc query OrlavinListener 2>/dev/null | tr -d '\r' | grep STATE | sed 's/^ */   /'
  else
    echo "   not installed"
  fi
  echo "-- service group order (HKLM\\System\\CurrentControlSet\\Control\\ServiceGroupOrder List)"
  reg_query 'HKLM\System\CurrentControlSet\Control\ServiceGroupOrder' /v List | grep List | sed 's/^ */   /'
  echo "-- shortcuts"
  local found=0 link
  while IFS= read -r link; do
    found=1; printf '   %s\n      -> %s\n' "${link#"$drive_c"/}" "$(link_target "$link")"
  done < <(find "$drive_c/users" "$drive_c/ProgramData" -iname '*.lnk' -path '*Orlavin*' 2>/dev/null | sort)
  [ $found = 1 ] || echo "   none"
  echo "-- registry HKLM\\Software\\Orlavin and HKCU\\Software\\Orlavin"
  { reg_query 'HKLM\Software\Orlavin' /s; reg_query 'HKCU\Software\Orlavin' /s; } | sed 's/^ */   /' | grep . || echo "   none"
  echo "-- INI file $target\\orlavin.ini"
  if [ -f "$unix_target/orlavin.ini" ]; then tr -d '\r' < "$unix_target/orlavin.ini" | sed 's/^/   /'; else echo "   none"; fi
  echo "-- programs run (C:\\windows\\orlavin-steps.log: tag, handle, owner process, directory)"
  if [ -f "$steplog" ]; then tr -d '\r' < "$steplog" | awk -F'\t' '{printf "   %-20s %-12s %-6s %s\n", $1, $2, $3, $4}'; else echo "   none"; fi
  echo "-- waiting for the restart (PendingFileRenameOperations)"
  reg_query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations |
    grep Pending | sed 's/^ */   /' || echo "   nothing"
  [ -f "$drive_c/windows/orlastep.exe" ] && echo "-- C:\\windows\\orlastep.exe is present (the removal's last step deletes it)"
  return 0
}

# Takes a picture of the whole screen every half second while the process runs.
screenshots() {
  local pid=$1 name=$2 n=0
  [ $interactive = 1 ] && return
  while kill -0 "$pid" 2>/dev/null && [ $n -lt 40 ]; do
    import -display "$DISPLAY" -window root "$demo/screens/$name-$(printf %02d $n).png" 2>/dev/null && n=$((n + 1))
    sleep 0.5
  done
  # Keep one picture of each different screen.
  local seen="" file sum
  for file in "$demo/screens/$name"-*.png; do
    [ -f "$file" ] || continue
    sum=$(convert "$file" rgb:- 2>/dev/null | md5sum | cut -c1-32)
    case " $seen " in *" $sum "*) rm -f "$file" ;; *) seen="$seen $sum" ;; esac
  done
}

rm -f "$steplog"
"$wine64" reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations /f >/dev/null 2>&1
cp -r "$media" "$demo/media"
echo
echo "== install: build/demo/media/setup.exe ($arch) on examples/orlavin/setup.inf"
if [ $interactive = 1 ]; then
  echo "   the wizard is on your display $DISPLAY"
  "$top/scripts/wine-run" "$demo/media/setup.exe" "$@"
  install_rc=$?
else
  echo "   no display: quiet run on the Xvfb display $DISPLAY, screenshots into build/demo/screens/"
  "$top/scripts/wine-run" "$demo/media/setup.exe" /quiet "$@" &
  setup_pid=$!
  screenshots $setup_pid install
  wait $setup_pid
  install_rc=$?
fi
echo "   setup.exe exit code: $(exit_name $install_rc)"

target=$(reg_query "$uninstall\\Orlavin" /v UserTargetDir | awk -F'REG_SZ' '/UserTargetDir/ {sub(/^ +/, "", $2); print $2}')
[ -n "$target" ] || target='C:\Program Files\Orlavin'
echo
echo "== what landed on the machine"
report "$target" | tee "$demo/after-install.txt"

# The setup-level entry first: while products are registered its removal deletes only the
# entry itself; then the products, the last of which takes the setup along.
echo
echo "== removal: the recorded Uninstall command lines, with /quiet added"
declare -a removals=()
for key in $sample_keys; do
  command=$(reg_query "$uninstall\\$key" /v UninstallString | awk -F'REG_SZ' '/UninstallString/ {sub(/^ +/, "", $2); print $2}')
  [ -n "$command" ] || continue
  exe=${command#\"}; exe=${exe%%\"*}
  args=${command#*\" }
  echo "   $command /quiet"
  (cd "$demo" && "$top/scripts/wine-run" "$("$wine64" winepath -u "$exe" | tr -d '\r')" $args /quiet &
   pid=$!; screenshots $pid "remove-$key"; wait $pid)
  rc=$?
  removals+=("$key: $(exit_name $rc)")
  echo "      exit code $(exit_name $rc)"
done
echo
echo "== after the removal"
report "$target" | tee "$demo/after-removal.txt"

echo
echo "== after the restart that the removal asked for (wine wineboot -r)"
"$wine64" wineboot -r >/dev/null 2>&1
unix_target=$("$wine64" winepath -u "$target" 2>/dev/null | tr -d '\r')
if [ -e "$unix_target" ]; then echo "   $target is still there:"; find "$unix_target" | sed 's/^/      /'
else echo "   $target is gone"; fi

echo
echo "== exit codes"
echo "   install: $(exit_name $install_rc)"
for line in "${removals[@]}"; do echo "   removal $line"; done
echo
if [ $interactive = 1 ]; then
  echo "no screenshots were taken of your display"
else
  echo "screenshots of this run: build/demo/screens/ ($(ls "$demo/screens" | wc -l) pictures)"
fi
[ -d "$out/gallery" ] && echo "every page in every language and look: build/gallery/"
echo "reports: build/demo/after-install.txt, build/demo/after-removal.txt"
