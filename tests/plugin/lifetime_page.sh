#!/bin/sh
# Runs a lifetime page (pages/lifetime/NAME.js after pages/lifetime/common.js) in a host, with
# the loopback servers running and Wine's heap checking on: @HTTP_PORT@ becomes the HTTP
# server's port, @WORK@ the work folder as Wine sees it (backslashes doubled for a script
# string). The run fails when the host fails (the page's checks, a crash) or Wine reports a
# damaged heap block (memory written after it was freed).
#   lifetime_page.sh WORKDIR NAME -- HOST-COMMAND...
set -e
work=$1 name=$2
shift 3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
rm -rf "$work" && mkdir -p "$work"
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
servers="$root/testdoubles/loopback_servers/upload_servers.py"
"$python" "$servers" start "$work/server"
trap '"$python" "$servers" stop "$work/server"' EXIT
port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$work/server/ports")
wine_work=$(printf 'Z:%s' "$work" | sed 's|/|\\\\\\\\|g')
cat "$here/pages/lifetime/common.js" "$here/pages/lifetime/$name.js" |
  sed -e "s/@HTTP_PORT@/$port/g" -e "s|@WORK@|$wine_work|g" > "$work/page.js"
status=0
WINEDEBUG=${LUMETTA_LIFETIME_WINEDEBUG:-warn+heap} "$@" "Z:$work/page.js" > "$work/out.txt" 2>&1 || status=$?
cat "$work/out.txt"
if grep -a 'err:heap\|warn:heap' "$work/out.txt" > /dev/null; then
  echo "lifetime page $name: Wine reports a damaged heap"
  exit 1
fi
grep -a "the page goes on after" "$work/out.txt" > /dev/null || { echo "lifetime page $name: the page did not go on"; exit 1; }
exit $status
