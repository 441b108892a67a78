#!/usr/bin/env bash
# Grab latency of the webcam against the test camera, the engine beside a plain DirectShow
# client, in the win64 build's Wine prefix (see webcam_grab.cpp). The two sides run in processes
# of their own, in turns (engine first, then client first, ...); every grab's time is pooled per
# side, and each line gives the median with the fastest and slowest grab, then the 95th
# percentile as a line of its own. The slowest grab stays a field of the first line, not a ratio:
# one grab of several hundred that the scheduler delayed, on either side by turns, it would swing
# the ratio from a fifth to several times over between runs and say nothing of either side.
#   bench/wine/webcam_grab.sh [REPO]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 1
build=$root/build/win64
[ -f "$build/build.ninja" ] || cmake --preset win64 >/dev/null || exit 1
cmake --build "$build" --target bench_webcam_grab lumetta_test_camera >/dev/null || { echo "webcam bench build failed"; exit 1; }
tools/install-test-camera "$build/wineprefix" 64 "$build/testdoubles/camera/lumetta_test_camera.dll" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() {
  tools/wine-run --prefix "$build/wineprefix" --bits 64 "$build/bench/wine/bench_webcam_grab.exe" "$1" | tr -d '\r'
}
run check >"$work/check" || { echo "webcam bench: the engine and the client do not grab alike"; cat "$work/check"; exit 1; }
passes=4
for pass in $(seq "$passes"); do
  if [ $((pass % 2)) = 1 ]; then order="engine client"; else order="client engine"; fi
  for side in $order; do
    run "$side" | grep '^times ' | sed "s/^times /$side /" >>"$work/times" || { echo "webcam bench: the $side run failed"; exit 1; }
  done
done
# median, 95th percentile (nearest rank), min, max of the numbers on stdin.
stats() {
  tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 } END {
    if (NR == 0) exit 1
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    r = int((NR * 95 + 99) / 100)
    printf "%s %s %s %s %d\n", m, v[r], v[1], v[NR], NR }'
}
times_of() {  # side name what
  awk -v s="$1" -v n="$2" -v w="$3" '$1 == s && $2 == n && $3 == w { for (i = 4; i <= NF; ++i) printf "%s ", $i }' "$work/times"
}
status=0
for name in webcam_grab_320x240 webcam_grab_640x480; do
  own=$(times_of engine $name delivery | stats) && ref=$(times_of client $name delivery | stats) &&
    own_req=$(times_of engine $name request | stats) && ref_req=$(times_of client $name request | stats) ||
    { echo "webcam bench: no times for $name"; status=1; continue; }
  period=$(sed -n "s/^$name frame period \([0-9.]*\) ms$/\1/p" "$work/check")
  awk -v name="$name" -v own="$own" -v ref="$ref" -v ownr="$own_req" -v refr="$ref_req" -v period="$period" 'BEGIN {
    split(own, o, " "); split(ref, r, " "); split(ownr, oq, " "); split(refr, rq, " ")
    printf "%s request to DIB: engine median %.2f ms, client %.2f ms (frame period %s ms, %d grabs a side)\n",
      name, oq[1], rq[1], period, o[5]
    printf "bench %s own_ms=%.3f ref_ms=%.3f ratio=%.3f own_min=%.3f own_max=%.3f ref_min=%.3f ref_max=%.3f\n",
      name, o[1], r[1], o[1] / r[1], o[3], o[4], r[3], r[4]
    printf "bench %s_p95 own_ms=%.3f ref_ms=%.3f ratio=%.3f\n", name, o[2], r[2], o[2] / r[2]
  }'
done
exit $status
