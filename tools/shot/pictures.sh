#!/bin/bash
# Renders the README's pictures into docs/ with orbisk-shot.
# usage: tools/shot/pictures.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
mkdir -p "$root/docs"
shot() {
  local name=$1
  shift
  (cd "$build/run" && "$build/orbisk-shot" "$@" --size 800x600 --seed 5 --out "$root/docs/$name.png" >/dev/null)
  echo "docs/$name.png"
}
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 800x600x24" "$0" "$build"
fi
shot dayside --eye 2.0,2.35,1.55 --at 0,0,0 --steps 8000
shot terminator --eye 1.2,1.5,-2.3 --at 0,0,0 --steps 8000
shot nightside --eye -1.7,1.4,-1.8 --at 0,0,0 --steps 17120
shot horizon --eye 0.6,0.6,0.6 --at 0.2,0.9,0.5
shot flare --eye 0.747,-0.808,-2.364 --at 1.782,0.086,-0.144
shot focus --eye 2.9,0.03,0.09 --at 0,0,0
# The sky of an instant: an evening's night side over Europe, and the 2024
# eclipse from the Sun's side (the camera over the subsolar point).
shot sky-tonight --utc 2026-12-07T21:00:00Z --above 40,15,12000
shot eclipse-2024 --utc 2024-04-08T18:17:16Z --above 7.5,-94.7,70000 --fov 16
