#!/bin/bash
# A before/after sheet: the same views rendered by two builds, the first
# build's row on top, as docs/ keeps them for a change to the picture.
# usage: tools/shot/sheet.sh BEFORE_BUILD AFTER_BUILD OUT.png [VIEWS_FILE]
# VIEWS_FILE: orbisk-shot's options for one picture a line (size and
# quality included); without it, the light's views below at 320 x 240.
# Needs ImageMagick's montage.
set -euo pipefail
if [ $# -ne 3 ] && [ $# -ne 4 ]; then
  echo "usage: $0 BEFORE_BUILD AFTER_BUILD OUT.png [VIEWS_FILE]" >&2
  exit 2
fi
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
out=$(realpath -m "$3")
viewsFile=""
[ $# -eq 4 ] && viewsFile=$(realpath "$4")
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$before" "$after" "$out" $viewsFile
fi
command -v montage >/dev/null || { echo "$0: ImageMagick's montage is needed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The views: the noon limb, the terminator at dusk, the north pole from
# above, night lights over Europe, the glint at noon over the Atlantic, the
# Moon beside the Earth, the strongest blur of the flight.
views=(
  "--size 320x240 --eye 2.0,2.35,1.55 --at 0,0,0 --steps 8000"
  "--size 320x240 --eye 1.2,1.5,-2.3 --at 0,0,0 --steps 8000"
  "--size 320x240 --utc 2026-06-21T12:00:00Z --above 89.9,0,9000"
  "--size 320x240 --utc 2026-12-07T21:00:00Z --above 48,10,2500"
  "--size 320x240 --utc 2026-03-20T14:00:00Z --above 5,-30,9000"
  "--size 320x240 --eye 0.747,-0.808,-2.364 --at 1.782,0.086,-0.144"
  "--size 320x240 --path-time 40"
)
if [ -n "$viewsFile" ]; then
  mapfile -t views < <(grep -v '^[[:space:]]*\(#\|$\)' "$viewsFile")
fi
for side in before after; do
  build=$before
  [ "$side" = after ] && build=$after
  i=0
  for view in "${views[@]}"; do
    # shellcheck disable=SC2086  # each view is a list of options
    (cd "$build/run" && "$build/orbisk-shot" $view --seed 7 --out "$work/$side-$i.png" >/dev/null)
    i=$((i + 1))
  done
done
files=()
for side in before after; do
  for ((j = 0; j < ${#views[@]}; j++)); do files+=("$work/$side-$j.png"); done
done
montage "${files[@]}" -tile "${#views[@]}x2" -geometry +2+2 -background black "$out"
echo "$out"
