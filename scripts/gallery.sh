#!/usr/bin/env bash
# Screenshot gallery: every page of an install and a removal of the Orlavin sample, in both
# looks (/style:0 classic, /style:1 header) and all nine languages, and of the minimal example,
# whose script brings its own title, welcome text and pictures (the "branded" rows, in English
# and, from its [Wizard.0407] section, German), under Xvfb and Wine; in each row also the
# components page of a product with a long name and description, and the ready page with its
# bar part-way through a copy of many files:
#   <build>/gallery/<language>-<look>-<n>-<page>.png   one picture per page
#   <build>/gallery/index.html                         all of them, a row per language and look
# Six languages are chosen with /lang:, Danish, Finnish and Norwegian through the
# user's locale. Build first (scripts/build.sh); SETUP_BUILD_DIR chooses the build folder as there.
# Takes a few minutes; the runs use a Wine prefix of their own (<build>/gallery-wineprefix).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/env.sh"
out=$SETUP_BUILD_DIR
tool=$(built_program "${SETUP_GALLERY_ARCH:-x86_64}/tests/tools/gallery/gallery.exe")
command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
export SETUP_WINEPREFIX=$out/gallery-wineprefix
export WINEPREFIX=$SETUP_WINEPREFIX
gallery="$out/gallery"
rm -rf "$gallery"
mkdir -p "$gallery"
start=$(date +%s)

# A screen of our own, so that no other window lies over the wizard, and one warm wineserver
# of the gallery's prefix for all the runs.
SETUP_OWN_DISPLAY=1
source "$top/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start || { echo "no free X display" >&2; exit 1; }

# name:how-chosen; /lang: codes where the program has one (under an English user locale), else
# the user's locale.
languages="english:/lang:eng german:/lang:ger french:/lang:fre italian:/lang:ita
  spanish:/lang:spa dutch:/lang:dut danish:da_DK.UTF-8 finnish:fi_FI.UTF-8
  norwegian:nb_NO.UTF-8 branded-english:/lang:eng branded-german:/lang:ger"
looks="0:classic 1:header"
pages=(welcome components target ready finish remove removed description progress)
failed=0

for entry in $languages; do
  name=${entry%%:*} how=${entry#*:}
  for look in $looks; do
    style=${look%%:*} lookname=${look#*:}
    prefix="$name-$lookname"
    if [ "${how#/lang:}" != "$how" ]; then
      locale=en_US.UTF-8 options="/style:$style $how"
    else
      locale=$how options="/style:$style"
    fi
    example= key=
    case $name in branded-*) example=minimal key=HelloSoftware.Hello ;; esac
    if ! GALLERY_DIR="Z:${gallery//\//\\}" GALLERY_NAME="$prefix" GALLERY_OPTIONS="$options" \
        GALLERY_EXAMPLE="$example" GALLERY_KEY="$key" \
        "$top/scripts/wine-run" --lang="$locale" "$tool" >"$gallery/$prefix.log" 2>&1; then
      echo "$prefix: not every page was pictured (see $gallery/$prefix.log)" >&2
      failed=1
    fi
    for bmp in "$gallery/$prefix"-*.bmp; do
      [ -e "$bmp" ] || continue
      convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
    echo "$prefix: $(ls "$gallery/$prefix"-*.png 2>/dev/null | wc -l) pages"
  done
done

# The index: one row per language and look, one column per page.
{
  echo '<!DOCTYPE html><html><head><meta charset="utf-8"><title>Setup wizard gallery</title>'
  echo '<style>body{font-family:sans-serif} td{vertical-align:top;padding:4px}'
  echo 'img{width:240px;border:1px solid #999}</style></head><body>'
  echo '<h1>Setup wizard: every page of an install and a removal</h1>'
  echo '<p>The Orlavin sample in the classic look (/style:0) and the header look (/style:1), nine'
  echo 'languages; in the branded rows the minimal example, whose script gives its own title,'
  echo 'welcome text and pictures. The last two columns show a product with a long name and'
  echo 'description, and the bar part-way through a copy of many files. Click a picture for its'
  echo 'full size.</p><table><tr><th></th>'
  for page in "${pages[@]}"; do echo "<th>$page</th>"; done
  echo '</tr>'
  for entry in $languages; do
    name=${entry%%:*}
    for look in $looks; do
      prefix="$name-${look#*:}"
      echo "<tr><th>$name<br>${look#*:}</th>"
      for i in "${!pages[@]}"; do
        file="$prefix-$((i + 1))-${pages[$i]}.png"
        if [ -e "$gallery/$file" ]; then
          echo "<td><a href=\"$file\"><img src=\"$file\" alt=\"$prefix ${pages[$i]}\"></a></td>"
        else
          echo "<td>missing</td>"
        fi
      done
      echo '</tr>'
    done
  done
  echo '</table></body></html>'
} >"$gallery/index.html"
echo "wrote $gallery/index.html in $(( $(date +%s) - start )) s"
exit $failed
