#!/usr/bin/env bash
# Builds the programs and the sample media and runs setup.exe on the Orlavin sample (examples/orlavin) under Wine:
# the wizard (interactive when a display is set, else quiet under a private Xvfb, with
# screenshots), a report of what landed on the machine, the removal through the recorded
# Uninstall command lines with /quiet added, the report that it is gone, the restart that the
# removal asked for, and the exit codes. It ends with a check that nothing of the sample is
# left and exits non-zero, naming what stayed, when something is.
#
#   bash scripts/main.sh [setup.exe options...]     e.g. /lang:ger /style:0
#
# It runs the shipped i686 setup.exe where this machine runs 32-bit programs, else the x86_64
# one; SETUP_MAIN_ARCH=i686|x86_64 chooses. A 32-bit setup.exe on 64-bit Windows writes the
# 32-bit registry view and installs below "Program Files (x86)": the report and the check read
# the view and the folders of the build that ran. SETUP_MAIN_BUILD=0 uses the build that is
# there; SETUP_MAIN_SCREENSHOTS=0 takes no screenshots. SETUP_MAIN_PACKED=1 runs the sample
# packed into one file, build/<arch>/examples/OrlavinSetup.exe, in place of its media folder.
# Everything it writes is under build/demo/ (the Wine prefix is build/wineprefix).
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
interactive=0
[ -n "${DISPLAY:-}" ] && interactive=1
shots=${SETUP_MAIN_SCREENSHOTS:-1}
[ $interactive = 1 ] && shots=0

# Only what this command runs: setup.exe, the sample's media (packed too when it runs packed)
# and the Wine session's starter. The test command builds the test suite.
if [ "${SETUP_MAIN_BUILD:-1}" != 0 ]; then
  targets="setup orlavin_media noop"
  [ "${SETUP_MAIN_PACKED:-0}" = 1 ] && targets="$targets orlavin_packed"
  SETUP_BUILD_TARGETS=$targets bash "$top/scripts/build.sh" || exit 1
fi
. "$top/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start || { echo "main.sh: no X display could be started" >&2; exit 1; }

arch=${SETUP_MAIN_ARCH:-}
if [ -z "$arch" ]; then
  arch=x86_64
  case "$SETUP_ARCHES" in *i686*) "$top/scripts/can-run-32bit" && arch=i686 ;; esac
fi
# The registry view that this build's setup.exe writes HKLM\Software into.
case $arch in
  i686) view=/reg:32 ;;
  x86_64) view=/reg:64 ;;
  *) echo "main.sh: unknown SETUP_MAIN_ARCH $arch" >&2; exit 2 ;;
esac
media="$out/$arch/examples/orlavin"
[ -f "$media/setup.exe" ] || { echo "main.sh: no $media/setup.exe: build first" >&2; exit 1; }
packed="$out/$arch/examples/OrlavinSetup.exe"
if [ "${SETUP_MAIN_PACKED:-0}" = 1 ] && [ ! -f "$packed" ]; then
  echo "main.sh: no $packed: the build did not pack the sample (see scripts/build.sh)" >&2; exit 1
fi
demo="$out/demo"
rm -rf "$demo" && mkdir -p "$demo/screens"
drive_c="$WINEPREFIX/drive_c"
steplog="$drive_c/windows/orlavin-steps.log"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
sample_keys="Orlavin OrlavinMachine OrlavinListener OrlavinVoices OrlavinFax OrlavinTools"
sample_group="Orlavin Telephony"

# The shell passes on only the low 8 bits of an exit code; setup.exe's codes differ in them.
exit_name() {
  case $1 in
    0) echo "0 (done)" ;; 194) echo "3010 (done, restart needed)" ;;
    105) echo "1641 (done, restart started)" ;; 66) echo "1602 (cancelled)" ;;
    67) echo "1603 (failed)" ;; 69) echo "1605 (not installed)" ;;
    82) echo "1618 (another setup was running)" ;;
    84) echo "1620 (setup script not opened)" ;; 103) echo "1639 (invalid command line)" ;;
    102) echo "1638 (a newer version is installed)" ;; 112) echo "112 (disk full)" ;;
    *) echo "$1 (low 8 bits)" ;;
  esac
}

# Wine's reg says "Unable to find" on its standard output, with a failing exit code. The view
# of the build that ran, unless the caller names one.
reg_query() {
  local text
  case " $* " in *" /reg:"*) ;; *) set -- "$@" "$view" ;; esac
  text=$("$WINE64" reg query "$@" 2>/dev/null) || return 1
  printf '%s\n' "$text" | tr -d '\r' | sed '/^$/d'
}
reg_value() { reg_query "$1" /v "$2" | awk -F'REG_[A-Z_]+' -v v="$2" '$0 ~ "^ *" v " " {sub(/^ +/, "", $2); print $2}'; }
unix_path() { "$WINE64" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

# A shortcut's target as the link file stores it (the first Windows path in it).
link_target() { strings -n 6 "$1" | grep -m1 -E '^[A-Za-z]:\\' || echo '?'; }
sample_links() { find "$drive_c/users" "$drive_c/ProgramData" -ipath '*orlavin*' 2>/dev/null | sort; }

report() {
  echo "-- files in $target"
  local unix_target
  unix_target=$(unix_path "$target")
  if [ -d "$unix_target" ]; then
    (cd "$unix_target" && find . -type f -printf '   %-28P %7s bytes\n' | sort)
  else
    echo "   (the folder is gone)"
  fi
  echo "-- Uninstall entries ($view view)"
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
    "$WINE64" sc query OrlavinListener 2>/dev/null | tr -d '\r' | grep STATE | sed 's/^ */   /'
  else
    echo "   not installed"
  fi
  echo "-- service group order (HKLM\\System\\CurrentControlSet\\Control\\ServiceGroupOrder List)"
  reg_query 'HKLM\System\CurrentControlSet\Control\ServiceGroupOrder' /v List | grep List | sed 's/^ */   /'
  echo "-- shortcuts"
  local found=0 link
  while IFS= read -r link; do
    [ -f "$link" ] || continue
    found=1; printf '   %s\n      -> %s\n' "${link#"$drive_c"/}" "$(link_target "$link")"
  done < <(sample_links)
  [ $found = 1 ] || echo "   none"
  echo "-- registry HKLM\\Software\\Orlavin ($view view) and HKCU\\Software\\Orlavin"
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

# Everything of the sample that is still on the machine, one line each; nothing when it is
# all gone. The step log is the demonstration's own record of the programs run, not part of
# the product, and is not counted.
leftovers() {
  local unix_target v key link
  unix_target=$(unix_path "$target")
  [ -e "$unix_target" ] && find "$unix_target" | sed "s|^$unix_target|   $target|; s|/|\\\\|g; s|^|   left: |"
  for v in /reg:32 /reg:64; do
    for key in $sample_keys; do
      reg_query "$uninstall\\$key" "$v" >/dev/null && echo "   left: Uninstall entry $key ($v view)"
    done
    reg_query 'HKLM\Software\Orlavin' "$v" >/dev/null && echo "   left: HKLM\\Software\\Orlavin ($v view)"
  done
  reg_query 'HKCU\Software\Orlavin' >/dev/null && echo "   left: HKCU\\Software\\Orlavin"
  reg_query 'HKLM\System\CurrentControlSet\Services\OrlavinListener' >/dev/null &&
    echo "   left: the service OrlavinListener"
  reg_query 'HKLM\System\CurrentControlSet\Control\ServiceGroupOrder' /v List | grep -q "$sample_group" &&
    echo "   left: the group \"$sample_group\" in the service group order"
  while IFS= read -r link; do echo "   left: shortcut or folder ${link#"$drive_c"/}"; done < <(sample_links)
  [ -e "$drive_c/windows/orlastep.exe" ] && echo "   left: C:\\windows\\orlastep.exe"
  reg_query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations |
    grep -qi 'orla' && echo "   left: deletions of the sample still waiting for a restart"
  return 0
}

# Whether a window of setup.exe is on the screen: Wine names the class of its X windows after
# the program file, and the hidden host window is never mapped.
wizard_shown() {
  local id
  for id in $(xwininfo -display "$DISPLAY" -root -children 2>/dev/null |
              awk '/\("setup\.exe" / {print $1}'); do
    xwininfo -display "$DISPLAY" -id "$id" 2>/dev/null | grep -q 'IsViewable' && return 0
  done
  return 1
}

# Takes a picture of the whole screen every half second while the process runs, from the
# moment its wizard shows (an empty screen before that says nothing).
screenshots() {
  local pid=$1 name=$2 n=0 waited=0
  [ "$shots" = 1 ] || return 0
  while kill -0 "$pid" 2>/dev/null && ! wizard_shown && [ $waited -lt 300 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
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
"$WINE64" reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations /f >/dev/null 2>&1
cp -r "$media" "$demo/media"
program="$demo/media/setup.exe"
if [ "${SETUP_MAIN_PACKED:-0}" = 1 ]; then
  cp "$packed" "$demo/OrlavinSetup.exe"
  program="$demo/OrlavinSetup.exe"
fi
echo
echo "== install: build/demo/${program#"$demo/"} ($arch) on examples/orlavin/setup.inf"
if [ $interactive = 1 ]; then
  echo "   the wizard is on your display $DISPLAY"
  "$top/scripts/wine-run" "$program" "$@"
  install_rc=$?
else
  echo "   no display: quiet run on the Xvfb display $DISPLAY$([ "$shots" = 1 ] && echo ", screenshots into build/demo/screens/")"
  "$top/scripts/wine-run" "$program" /quiet "$@" &
  setup_pid=$!
  screenshots $setup_pid install
  wait $setup_pid
  install_rc=$?
fi
echo "   setup.exe exit code: $(exit_name $install_rc)"

target=$(reg_value "$uninstall\\Orlavin" UserTargetDir)
if [ -z "$target" ]; then
  target="$(reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion' ProgramFilesDir)\\Orlavin"
fi
echo
echo "== what landed on the machine"
report | tee "$demo/after-install.txt"

# The setup-level entry first: while products are registered its removal deletes only the
# entry itself; then the products, the last of which takes the setup along.
echo
echo "== removal: the recorded Uninstall command lines, with /quiet added"
declare -a removals=()
for key in $sample_keys; do
  command=$(reg_value "$uninstall\\$key" UninstallString)
  [ -n "$command" ] || continue
  if [ "${command#\"}" != "$command" ]; then
    exe=${command#\"}; exe=${exe%%\"*}; args=${command#\"*\"}
  else
    exe=${command%% *}; args=${command#"$exe"}
  fi
  read -ra argv <<<"$args"
  echo "   $command /quiet"
  # The program by the Windows path that the entry records, as Windows would start it.
  (cd "$demo" && "$top/scripts/wine-run" "$exe" "${argv[@]}" /quiet &
   pid=$!; screenshots $pid "remove-$key"; wait $pid)
  rc=$?
  removals+=("$key: $(exit_name $rc)")
  echo "      exit code $(exit_name $rc)"
done
echo
echo "== after the removal"
report | tee "$demo/after-removal.txt"

echo
echo "== after the restart that the removal asked for (wine wineboot -r)"
"$WINE64" wineboot -r >/dev/null 2>&1
left=$(leftovers)
if [ -n "$left" ]; then echo "$left"; else echo "   nothing of the sample is left"; fi

echo
echo "== exit codes"
echo "   install: $(exit_name $install_rc)"
for line in "${removals[@]}"; do echo "   removal $line"; done
echo
if [ $interactive = 1 ]; then
  echo "no screenshots were taken of your display"
elif [ "$shots" = 1 ]; then
  echo "screenshots of this run: build/demo/screens/ ($(ls "$demo/screens" | wc -l) pictures)"
fi
[ -d "$out/gallery" ] && echo "every page in every language and look: build/gallery/"
echo "reports: build/demo/after-install.txt, build/demo/after-removal.txt"
if [ -n "$left" ]; then
  echo "main.sh: something of the sample stayed on the machine (listed above)" >&2
  exit 1
fi
