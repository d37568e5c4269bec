# Shared by web.sh and the browser stage of test.sh: the browser build's own
# packages (kept apart from ORBISK_PACKAGES so that the desktop build never
# pulls them), its build, and a static server.
# shellcheck shell=bash
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

WEB_BUILD_DIR="${ORBISK_WEB_BUILD_DIR:-$ORBISK_ROOT/build-web}"
ORBISK_WEB_PACKAGES=(emscripten chromium nodejs python3)

ensure_web_packages() {
  local saved=("${ORBISK_PACKAGES[@]}")
  ORBISK_PACKAGES=("${ORBISK_WEB_PACKAGES[@]}")
  ensure_packages
  local status=$?
  ORBISK_PACKAGES=("${saved[@]}")
  return $status
}

# The desktop build's asset generator makes the run-time folder the page
# packages; only that part of the desktop build is built here.
build_web() {
  log "run-time folder in $BUILD_DIR/run"
  cmake -S "$ORBISK_ROOT" -B "$BUILD_DIR" -G Ninja >/dev/null || return 1
  cmake --build "$BUILD_DIR" -j"$(nproc)" --target rundata runconfig assets || return 1
  log "browser build in $WEB_BUILD_DIR"
  # Debian's emscripten links only with its node modules on the path.
  export NODE_PATH=/usr/share/nodejs
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  emcmake cmake -S "$ORBISK_ROOT" -B "$WEB_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORBISK_WEB_RUN_DIR="$BUILD_DIR/run" "${launcher[@]}" >/dev/null || return 1
  cmake --build "$WEB_BUILD_DIR" -j"$(nproc)" || return 1
}

# Serves $1 on 127.0.0.1 at a free port; WEB_PORT and WEB_SERVER_PID are set.
start_web_server() {
  local dir="$1" tries
  for tries in $(seq 1 20); do
    WEB_PORT=$(( 20000 + RANDOM % 20000 ))
    python3 -m http.server "$WEB_PORT" --bind 127.0.0.1 --directory "$dir" >/dev/null 2>&1 &
    WEB_SERVER_PID=$!
    for _ in $(seq 1 50); do
      kill -0 "$WEB_SERVER_PID" 2>/dev/null || break
      if python3 -c "import urllib.request,sys; urllib.request.urlopen('http://127.0.0.1:$WEB_PORT/')" 2>/dev/null; then
        return 0
      fi
      sleep 0.1
    done
    kill "$WEB_SERVER_PID" 2>/dev/null
  done
  log "the web server did not start"
  return 1
}

# The server ends by the signal, so its status is never 0: under set -e that
# status must not become the caller's.
stop_web_server() {
  if [ -n "${WEB_SERVER_PID:-}" ]; then
    kill "$WEB_SERVER_PID" 2>/dev/null || true
    wait "$WEB_SERVER_PID" 2>/dev/null || true
  fi
  WEB_SERVER_PID=""
}

# The DevTools-protocol driver (tests/web/cdp.mjs) with Node's WebSocket.
cdp() { node --experimental-websocket "$ORBISK_ROOT/tests/web/cdp.mjs" "$@"; }
