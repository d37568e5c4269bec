#!/usr/bin/env bash
# Installs what is missing, builds, and starts the renderer in the run-time
# folder. Without a display it runs on a virtual one, saves a screenshot to
# build/screenshot.png and ends the program with Escape.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages
configure_and_build

cd "$BUILD_DIR/run"
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  exec "$BUILD_DIR/orbisk"
fi

trap stop_xvfb EXIT
start_xvfb "${ORBISK_SCREEN:-1024x768}"
log_file="$BUILD_DIR/run.log"
"$BUILD_DIR/orbisk" >"$log_file" 2>&1 &
pid=$!
for _ in $(seq 1 600); do
  grep -q "starting game loop!" "$log_file" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "starting game loop!" "$log_file"; then
  cat "$log_file"
  wait "$pid" || status=$?
  log "the program ended before its frame loop (status ${status:-0})"
  exit 1
fi
# The first frames of the software renderer take a while.
sleep "${ORBISK_SHOT_DELAY:-8}"
xwd -root -silent | /usr/bin/convert xwd:- "$BUILD_DIR/screenshot.png"
log "screenshot: $BUILD_DIR/screenshot.png"
xdotool key Escape
# A frame in flight finishes first; a program that never ends is reported.
for _ in $(seq 1 600); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  log "orbisk did not end within 60 s of Escape; stopping it"
  kill -9 "$pid" 2>/dev/null
fi
status=0
wait "$pid" || status=$?
cat "$log_file"
log "orbisk exited with status $status"
exit "$status"
