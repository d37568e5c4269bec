# Shared by web.sh and the browser stage of test.sh: the browser build's own
# packages (kept apart from ORBISK_PACKAGES so that the desktop build never
# pulls them), its build, and a static server.
# shellcheck shell=bash
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

WEB_BUILD_DIR="${ORBISK_WEB_BUILD_DIR:-$ORBISK_ROOT/build-web}"
ORBISK_WEB_PACKAGES=(emscripten chromium nodejs python3 dpkg-dev)

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
  fetch_erfa_sources || return 1
  local launcher=()
  command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  emcmake cmake -S "$ORBISK_ROOT" -B "$WEB_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORBISK_WEB_RUN_DIR="$BUILD_DIR/run" -DORBISK_ERFA_SOURCE_DIR="$ERFA_SOURCE_DIR" "${launcher[@]}" >/dev/null || return 1
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

# ERFA's C sources for the browser build, from Debian's source package, so
# that the page computes the sky with the very code the desktop links. apt
# gets a deb-src entry and a state of its own through its options: the
# machine's sources and lists stay untouched. Sets ERFA_SOURCE_DIR.
fetch_erfa_sources() {
  local dir="$WEB_BUILD_DIR/erfa"
  ERFA_SOURCE_DIR="$dir/source"
  if [ -f "$ERFA_SOURCE_DIR/src/erfa.h" ]; then return 0; fi
  mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/apt/parts" || return 1
  # The release the machine runs, so that the sources match liberfa-dev's.
  local codename signed=""
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || codename=bookworm
  [ -f /usr/share/keyrings/debian-archive-keyring.gpg ] &&
    signed=" [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]"
  echo "deb-src$signed http://deb.debian.org/debian $codename main" >"$dir/apt/sources.list" || return 1
  local apt_options=(-o "Dir::Etc::SourceList=$dir/apt/sources.list" -o "Dir::Etc::SourceParts=$dir/apt/parts"
    -o "Dir::State::Lists=$dir/apt/lists" -o "Dir::Cache=$dir/apt/cache" -o "Debug::NoLocking=1")
  # The private folders are not the _apt user's to write: download as the caller.
  [ "$(id -u)" -eq 0 ] && apt_options+=(-o "APT::Sandbox::User=root")
  log "ERFA's sources from Debian into $dir"
  apt-get "${apt_options[@]}" update -qq || return 1
  rm -rf "$dir/unpack" && mkdir -p "$dir/unpack" || return 1
  (cd "$dir/unpack" && apt-get "${apt_options[@]}" source -qq erfa >/dev/null) || return 1
  local unpacked
  unpacked=$(find "$dir/unpack" -mindepth 1 -maxdepth 1 -type d -name 'erfa-*' | head -n 1)
  if [ -z "$unpacked" ] || [ ! -f "$unpacked/src/erfa.h" ]; then
    log "apt-get source erfa gave no src/erfa.h"
    return 1
  fi
  rm -rf "$ERFA_SOURCE_DIR" && mv "$unpacked" "$ERFA_SOURCE_DIR"
}
