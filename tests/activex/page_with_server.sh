#!/bin/sh
# Runs a page in the page host with the loopback servers: @HTTP_PORT@ and @FTP_PORT@ in the page
# become the servers' ports, @WORK@ the work folder as Wine sees it (backslashes doubled for a
# script string), @ADDONS@ the folder LUMETTA_ADDON_FOLDER names, the same way; the run fails when
# the page fails or the server recorded no request (LUMETTA_PAGE_REQUESTS_OPTIONAL=1: a page that
# may make none).
#   page_with_server.sh WORKDIR PAGE -- PAGEHOST-COMMAND...
set -e
work=$1 page=$2
shift 3
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
# The system's Python has Debian's pyftpdlib and Pillow.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
servers="$root/testdoubles/loopback_servers/upload_servers.py"
"$python" "$servers" start "$work/server"
trap '"$python" "$servers" stop "$work/server"' EXIT
port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/server/ports")
ftp=$(sed -n 's/.*ftp=\([0-9]*\).*/\1/p' "$work/server/ports")
wine_work=$(printf 'Z:%s' "$work" | sed 's|/|\\\\\\\\|g')
# @ADDONS@: the stand-in add-on libraries' folder named by LUMETTA_ADDON_FOLDER ("Z:/..."), if any.
addons=$(printf '%s' "${LUMETTA_ADDON_FOLDER:-}" | sed 's|/|\\\\\\\\|g')
sed -e "s/@HTTP_PORT@/$port/g" -e "s/@FTP_PORT@/$ftp/g" -e "s|@WORK@|$wine_work|g" -e "s|@ADDONS@|$addons|g" \
  "$page" > "$work/page.js"
"$@" "Z:$work/page.js"
count=$(ls "$work/server/requests" | wc -l)
echo "server requests: $count"
[ "${LUMETTA_PAGE_REQUESTS_OPTIONAL:-0}" = 1 ] || test "$count" -gt 0
