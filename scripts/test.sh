#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; the GL and
# end-to-end tests run under a virtual display. Then the unit and GL tests
# once more built with AddressSanitizer and UndefinedBehaviorSanitizer, and
# every fuzz target for a bounded time (both need clang).
#
#   ORBISK_SANITIZE_TESTS=0   skip the sanitizer build
#   ORBISK_FUZZ_SECONDS=N     seconds per fuzz target (default 20; 0 skips)
set -euo pipefail
source "$(dirname "$0")/common.sh"

SANITIZE_DIR="${ORBISK_SANITIZE_BUILD_DIR:-$ORBISK_ROOT/build-asan}"
FUZZ_DIR="${ORBISK_FUZZ_BUILD_DIR:-$ORBISK_ROOT/build-fuzz}"
FUZZ_SECONDS="${ORBISK_FUZZ_SECONDS:-20}"

have_clang() { command -v clang >/dev/null 2>&1 && command -v clang++ >/dev/null 2>&1; }

# Unit and GL tests built with ASan and UBSan. Mesa and the X libraries keep
# allocations until exit, so leak checking is on for the unit tests only.
run_sanitizer_tests() {
  local compilers=()
  if have_clang; then compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++); fi
  log "sanitizer build in $SANITIZE_DIR"
  cmake -S "$ORBISK_ROOT" -B "$SANITIZE_DIR" -G Ninja -DORBISK_SANITIZE=ON -DORBISK_ASSETS=OFF \
    "${compilers[@]}" >/dev/null || return 1
  cmake --build "$SANITIZE_DIR" -j"$(nproc)" --target unit_tests gl_tests || return 1
  local result=0
  log "unit tests under ASan+UBSan"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$SANITIZE_DIR/tests/unit_tests" --gtest_brief=1 || result=1
  log "GL tests under ASan+UBSan"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    "$SANITIZE_DIR/tests/gl_tests" --gtest_brief=1 || result=1
  return $result
}

# Each fuzz target from its seed corpus, in a scratch copy so that the
# repository's corpus only changes by hand. Findings land in $FUZZ_DIR/findings.
run_fuzzers() {
  log "fuzz build in $FUZZ_DIR"
  cmake -S "$ORBISK_ROOT" -B "$FUZZ_DIR" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DORBISK_FUZZ=ON -DORBISK_ASSETS=OFF >/dev/null || return 1
  cmake --build "$FUZZ_DIR" -j"$(nproc)" --target fuzzers || return 1
  mkdir -p "$FUZZ_DIR/findings"
  local result=0 target name scratch
  for target in "$FUZZ_DIR"/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name="$(basename "$target" _fuzz)"
    scratch="$(mktemp -d)"
    [ -d "$ORBISK_ROOT/fuzz/corpus/$name" ] && cp -R "$ORBISK_ROOT/fuzz/corpus/$name/." "$scratch/"
    log "fuzzing $name for ${FUZZ_SECONDS}s"
    if ! "$target" -max_total_time="$FUZZ_SECONDS" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$FUZZ_DIR/findings/${name}-" "$scratch" >"$FUZZ_DIR/findings/$name.log" 2>&1; then
      log "fuzz target $name failed; its log:"
      tail -n 60 "$FUZZ_DIR/findings/$name.log" >&2
      result=1
    else
      grep -E '^stat::number_of_executed_units' "$FUZZ_DIR/findings/$name.log" >&2 || true
    fi
    rm -rf "$scratch"
  done
  return $result
}

ensure_packages
# CI builds with warnings as errors; a local build only shows them.
if [ "${CI:-}" = true ]; then
  configure_and_build -DORBISK_WERROR=ON
else
  configure_and_build
fi

trap stop_xvfb EXIT
start_xvfb 640x480
passed=0
failed=0
stage() {
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
stage ctest --test-dir "$BUILD_DIR" --output-on-failure --timeout 900

if [ "${ORBISK_SANITIZE_TESTS:-1}" != 0 ]; then
  stage run_sanitizer_tests
fi
if [ "$FUZZ_SECONDS" != 0 ]; then
  if have_clang; then
    stage run_fuzzers
  else
    log "clang not found: fuzz targets skipped"
  fi
fi
# One line for the whole run: each stage (tests, sanitizer tests, fuzzing).
echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
