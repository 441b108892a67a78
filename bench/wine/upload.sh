#!/usr/bin/env bash
# A 20 MB body uploaded by POST to the loopback server through the whole upload path (under
# wine64), against curl posting the same bytes as multipart/form-data to the same server (without
# its one-second wait for "100 Continue", which the server never sends). Two lines: with the
# "File Transfer..." dialog (the default) and without it.
#   bench/wine/upload.sh [ROOT]
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"
build=build/win64
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset win64 >/dev/null || exit 1
fi
cmake --build "$build" --target upload_bench >/dev/null || { echo "upload benchmark build failed"; exit 1; }
work=$(mktemp -d)
servers=testdoubles/loopback_servers/upload_servers.py
trap 'python3 "$servers" stop "$work/servers"; rm -rf "$work"' EXIT
python3 "$servers" start "$work/servers" || exit 1
port=$(sed 's/.*http=\([0-9]*\).*/\1/' "$work/servers/ports")
head -c $((20 * 1024 * 1024)) /dev/urandom >"$work/body.bin"
repeats=7

run_own() {
  tools/wine-run --prefix "$root/$build/wineprefix" --bits 64 "$build/bench/wine/upload_bench.exe" \
    "$port" "Z:${work//\//\\}\\body.bin" "$repeats" "$1" | tr -d '\r' | tail -n 1
}
own_dialog=$(run_own 1)
own_plain=$(run_own 0)
for v in "$own_dialog" "$own_plain"; do
  [[ "$v" =~ ^[0-9.]+$ ]] || { echo "upload benchmark failed: $v"; exit 1; }
done

times=()
for _ in $(seq "$repeats"); do
  start=$(date +%s%N)
  curl -s -o /dev/null -H 'Expect:' -F "RemoteFile=@$work/body.bin;filename=bench.bin" \
    "http://127.0.0.1:$port/empty" || exit 1
  times+=($(( ($(date +%s%N) - start) / 1000 )))
done
ref=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (repeats + 1) / 2 ))p")
awk -v dialog="$own_dialog" -v plain="$own_plain" -v ref_us="$ref" 'BEGIN {
  ref = ref_us / 1000.0
  printf "bench http_upload_20mb own_ms=%.1f ref_ms=%.1f ratio=%.2f\n", dialog, ref, dialog / ref
  printf "bench http_upload_20mb_no_dialog own_ms=%.1f ref_ms=%.1f ratio=%.2f\n", plain, ref, plain / ref
}'
