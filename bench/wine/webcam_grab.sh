#!/usr/bin/env bash
# Grab latency of the webcam against the test camera, the engine beside a plain DirectShow
# client, in the win64 build's Wine prefix.
#   bench/wine/webcam_grab.sh [REPO]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 1
build=$root/build/win64
[ -f "$build/build.ninja" ] || cmake --preset win64 >/dev/null || exit 1
cmake --build "$build" --target bench_webcam_grab lumetta_test_camera >/dev/null || { echo "webcam bench build failed"; exit 1; }
tools/install-test-camera "$build/wineprefix" 64 "$build/testdoubles/camera/lumetta_test_camera.dll" || exit 1
tools/wine-run --prefix "$build/wineprefix" --bits 64 "$build/bench/wine/bench_webcam_grab.exe" | tr -d '\r' | grep -E '^(bench |webcam_grab_)'
