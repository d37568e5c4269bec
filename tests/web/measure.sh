#!/usr/bin/env bash
# Frame times of the browser build in headless Chromium against orbisk-bench
# at the same size and preset, alternating, in one sitting; the page's size
# and its time to first frame. Needs a display for orbisk-bench.
#   tests/web/measure.sh [WxH] [rounds]
set -uo pipefail
source "$(dirname "$0")/../../scripts/webcommon.sh"
SIZE="${1:-256x192}"
ROUNDS="${2:-3}"
trap stop_web_server EXIT
start_web_server "$WEB_BUILD_DIR" || exit 1
echo "size $SIZE, rounds $ROUNDS, $(date -u +%Y-%m-%dT%H:%MZ)"
for f in orbisk.wasm orbisk.js orbisk.data index.html page.js; do
  echo "file $f $(stat -c %s "$WEB_BUILD_DIR/$f") bytes"
done
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }
for round in $(seq 1 "$ROUNDS"); do
  for quality in fast full; do
    frames=20; [ "$quality" = full ] && frames=6
    start=$(date +%s.%N)
    out=$(cdp --url "http://127.0.0.1:$WEB_PORT/index.html?quality=$quality" --size "$SIZE" \
      --wait "starting game loop!|ERROR" --timeout 120 --settle 1 --frames "$frames" \
)
    web=$(node -e 'const r = JSON.parse(process.argv[1]); console.log((r.frameMs || []).map((x) => x.toFixed(1)).join(" "))' "$out")
    webMedian=$(echo "$web" | median)
    bench=$(cd "$BUILD_DIR/run" && "$BUILD_DIR/orbisk-bench" --size "$SIZE" --frames "$frames" --quality "$quality" 2>/dev/null)
    deskMs=$(echo "$bench" | sed -n "s/^frame_ms_median: //p")
    echo "round $round $quality web_median_ms $webMedian web_frames [$web] desktop_median_ms $deskMs"
  done
done
# Time to first frame: from navigation to the first frame after start-up.
first=$(cdp --url "http://127.0.0.1:$WEB_PORT/index.html" --size "$SIZE" --wait "starting game loop!|ERROR" \
  --timeout 120 --frames 1 --eval "performance.now()")
echo "page opened to first frame drawn (fast): $(node -e 'const r = JSON.parse(process.argv[1]); console.log(Math.round(r.evaluated) + " ms")' "$first")"
