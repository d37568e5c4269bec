#!/bin/bash
# Compares builds of orbisk-bench in one sitting, as this machine's speed
# drifts from run to run: the builds take turns, round after round, and the
# medians of each figure and the frame ratio of each round against the first
# build are printed.
#
#   bench/compare.sh ROUNDS BUILD_DIR BUILD_DIR... [-- orbisk-bench options]
#
# Each BUILD_DIR holds orbisk-bench and its run/ folder (a build of another
# commit: `git worktree add ../before HEAD~1`, then configure and build it
# beside this one). Without a display it starts a virtual one.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=../scripts/common.sh
source "$here/scripts/common.sh"

if [ $# -lt 3 ]; then
  sed -n '7,11p' "$0" >&2
  exit 2
fi
rounds="$1"
shift
builds=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  builds+=("$(cd "$1" && pwd)")
  shift
done
[ "${1:-}" = -- ] && shift
for build in "${builds[@]}"; do
  [ -x "$build/orbisk-bench" ] && [ -d "$build/run" ] || { echo "no orbisk-bench and run/ in $build" >&2; exit 2; }
done

started=0
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb 1280x1024 >/dev/null
  started=1
fi
figures="$(mktemp)"
trap 'rm -f "$figures"; [ $started = 1 ] && stop_xvfb' EXIT
for ((round = 1; round <= rounds; ++round)); do
  for build in "${builds[@]}"; do
    (cd "$build/run" && "$build/orbisk-bench" "$@" 2>/dev/null) | sed -n "s|^\([a-z_]*_ms[a-z_]*\): \([0-9.]*\)$|$build \1 \2|p" >>"$figures"
  done
done

python3 - "$figures" "${builds[@]}" <<'PY'
import collections, statistics, sys
path, builds = sys.argv[1], sys.argv[2:]
runs = collections.defaultdict(list)
for line in open(path):
    build, name, value = line.split()
    runs[(build, name)].append(float(value))
names = sorted({name for (_, name) in runs})
print("%-34s" % "median of the rounds" + "".join("%12s" % ("build %d" % (i + 1)) for i in range(len(builds))))
for name in names:
    print("%-34s" % name + "".join("%12.1f" % statistics.median(runs[(b, name)]) if runs[(b, name)] else "%12s" % "-" for b in builds))
first = runs[(builds[0], "frame_ms_median")]
for i, build in enumerate(builds[1:], 2):
    ratios = [a / b for a, b in zip(runs[(build, "frame_ms_median")], first)]
    if ratios:
        print("frame, build %d / build 1, each round: %s; median %.3f" % (i, " ".join("%.3f" % r for r in ratios), statistics.median(ratios)))
for i, build in enumerate(builds, 1):
    print("build %d: %s" % (i, build))
PY
