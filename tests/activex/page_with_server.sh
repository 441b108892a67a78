#!/bin/sh
# Runs a page in the page host with a loopback HTTP server: @HTTP_PORT@ in the page becomes the
# server's port; the run fails when the page fails or the server recorded no request.
#   page_with_server.sh WORKDIR PAGE -- PAGEHOST-COMMAND...
set -e
work=$1 page=$2
shift 3
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
python3 "$root/testdoubles/loopback_servers/upload_servers.py" start "$work/server"
trap 'python3 "$root/testdoubles/loopback_servers/upload_servers.py" stop "$work/server"' EXIT
port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/server/ports")
sed "s/@HTTP_PORT@/$port/g" "$page" > "$work/page.js"
"$@" "Z:$work/page.js"
count=$(ls "$work/server/requests" | wc -l)
echo "server requests: $count"
test "$count" -gt 0
