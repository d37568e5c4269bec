# Shared by run.sh and test.sh: packages, build, virtual display.
# shellcheck shell=bash

ORBISK_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${ORBISK_BUILD_DIR:-$ORBISK_ROOT/build}"

ORBISK_PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libglfw3-dev libglew-dev libglm-dev libdevil-dev libglu1-mesa-dev libgl1-mesa-dri
  xvfb xauth xdotool x11-apps imagemagick
  libgtest-dev libsquish-dev libfreetype-dev fonts-liberation xplanet-images marble-qt-data
  libtinyobjloader-dev libnvtt-bin clang libclang-rt-14-dev
  marble-qt-data
  libcli11-dev libavcodec-dev libavformat-dev libswscale-dev libavutil-dev ffmpeg x11-xkb-utils
  liberfa-dev
)

log() { printf '== %s\n' "$*" >&2; }

ensure_packages() {
  local missing=()
  for p in "${ORBISK_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then return 0; fi
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

configure_and_build() {
  log "building in $BUILD_DIR"
  cmake -S "$ORBISK_ROOT" -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
  cmake --build "$BUILD_DIR" -j"$(nproc)"
}

# Starts a private Xvfb and exports DISPLAY; XVFB_PID is set for stop_xvfb.
start_xvfb() {
  local size="${1:-1024x768}" n tries
  for tries in $(seq 1 40); do
    n=$(( 300 + RANDOM % 400 ))
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
      kill -0 "$XVFB_PID" 2>/dev/null || break
      if DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        log "virtual display $DISPLAY ($size)"
        return 0
      fi
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null
  done
  log "Xvfb did not start"
  return 1
}

stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}
