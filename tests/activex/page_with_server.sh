#!/bin/sh
# Runs a page in the page host with the loopback servers: the page files given are joined in
# their order into one script (helpers such as tests/support/pages/page_bytes.js first, the page
# last); @HTTP_PORT@ and @FTP_PORT@ in it become the servers' ports, @WORK@ the work folder as
# Wine sees it (backslashes doubled for a script string), @ADDONS@ the folder LUMETTA_ADDON_FOLDER
# names, the same way; the run fails when the page fails or the server recorded no request
# (LUMETTA_PAGE_REQUESTS_OPTIONAL=1: a page that may make none).
#   page_with_server.sh WORKDIR PAGE... -- PAGEHOST-COMMAND...
set -e
work=$1
shift
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
while [ $# -gt 0 ] && [ "$1" != "--" ]; do cat "$1" >> "$work/page.js"; shift; done
[ $# -gt 0 ] && shift
. "$root/tests/support/loopback_servers.sh"
start_loopback_servers "$work/server"
wine_work=$(printf 'Z:%s' "$work" | sed 's|/|\\\\\\\\|g')
# @ADDONS@: the stand-in add-on libraries' folder named by LUMETTA_ADDON_FOLDER ("Z:/..."), if any.
addons=$(printf '%s' "${LUMETTA_ADDON_FOLDER:-}" | sed 's|/|\\\\\\\\|g')
sed -i -e "s/@HTTP_PORT@/$http_port/g" -e "s/@FTP_PORT@/$ftp_port/g" -e "s|@WORK@|$wine_work|g" \
  -e "s|@ADDONS@|$addons|g" "$work/page.js"
"$@" "Z:$work/page.js"
count=$(ls "$work/server/requests" | wc -l)
echo "server requests: $count"
[ "${LUMETTA_PAGE_REQUESTS_OPTIONAL:-0}" = 1 ] || test "$count" -gt 0
