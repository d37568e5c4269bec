#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; the GL and
# end-to-end tests run under a virtual display.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages
configure_and_build

trap stop_xvfb EXIT
start_xvfb 640x480
status=0
ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 900 || status=$?
exit $status
