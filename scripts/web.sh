#!/usr/bin/env bash
# Installs what is missing, builds the browser version into build-web/ and
# serves it on 127.0.0.1, printing the address. Without a display it opens
# the page in headless Chromium instead, saves build-web/screenshot.png and
# ends.
#
#   ORBISK_WEB_PORT=N      serve on this port (default: a free one)
#   ORBISK_WEB_QUERY=...   the address's settings for the headless run
#   ORBISK_SCREEN=WxH      the headless page's size (default 1024x768)
set -euo pipefail
source "$(dirname "$0")/webcommon.sh"

ensure_packages
ensure_web_packages
build_web

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  port="${ORBISK_WEB_PORT:-8080}"
  log "serving $WEB_BUILD_DIR"
  echo "open http://127.0.0.1:$port/ (Ctrl+C ends)"
  exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$WEB_BUILD_DIR"
fi

trap stop_web_server EXIT
start_web_server "$WEB_BUILD_DIR"
echo "serving http://127.0.0.1:$WEB_PORT/"
size="${ORBISK_SCREEN:-1024x768}"
query="${ORBISK_WEB_QUERY:-}"
# The first frames of a software renderer take a while.
cdp --url "http://127.0.0.1:$WEB_PORT/index.html${query:+?$query}" --size "$size" \
  --wait "starting game loop!|picture is complete|ERROR" --timeout 120 --settle "${ORBISK_SHOT_DELAY:-8}" \
  --screenshot "$WEB_BUILD_DIR/screenshot.png" --log "$WEB_BUILD_DIR/console.log" >/dev/null
cat "$WEB_BUILD_DIR/console.log"
log "screenshot: $WEB_BUILD_DIR/screenshot.png"
if grep -q "ERROR" "$WEB_BUILD_DIR/console.log"; then exit 1; fi
