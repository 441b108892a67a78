#!/bin/sh
# One page, two hosts: runs a page of pages/ (LUMETTA_PAGE, else shared_members.js) in the browser
# harness against NPLumetta and, when a page-host command is given, in the page host against
# LumettaCtrl, then compares the "= " result lines of both. Each run must also pass its own checks.
# With LUMETTA_UNTOUCHED set to a name pattern, nothing of that name may exist in the work folder
# afterwards (no file written, no folder made). With LUMETTA_SERVERS=1 the loopback servers run
# for both hosts and @HTTP_PORT@ and @FTP_PORT@ in the page become their ports.
#   two_hosts.sh WORKDIR FILES -- BROWSER-COMMAND... [-- PAGEHOST-COMMAND...]
set -e
work=$1 files=$2
shift 3
here=$(cd "$(dirname "$0")" && pwd)
page=${LUMETTA_PAGE:-shared_members.js}
browser_cmd=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do browser_cmd="$browser_cmd '$1'"; shift; done
[ $# -gt 0 ] && shift
rm -rf "$work" && mkdir -p "$work/plug-in" "$work/control"
http_port=0 ftp_port=0
if [ "${LUMETTA_SERVERS:-0}" = 1 ]; then
  root=$(cd "$here/../.." && pwd)
  . "$root/tests/support/loopback_servers.sh"
  start_loopback_servers "$work/server"
fi
wine_path() { printf 'Z:%s\\' "$1" | sed 's|/|\\\\\\\\|g; s|\\$|\\\\\\\\|'; }
make_page() {
  sed -e "s|@FILES@|$(wine_path "$files")|g" -e "s|@OUT@|$(wine_path "$2")|g" \
    -e "s/@HTTP_PORT@/$http_port/g" -e "s/@FTP_PORT@/$ftp_port/g" "$here/pages/$page" > "$1"
}
make_page "$work/plug-in/page.js" "$work/plug-in"
status=0
eval "$browser_cmd --script 'Z:$work/plug-in/page.js'" > "$work/plug-in.out" 2>&1 || status=1
tr -d '\r' < "$work/plug-in.out" | grep '^= ' > "$work/plug-in.results" || true
cat "$work/plug-in.out"
[ -s "$work/plug-in.results" ] || { echo "two hosts: the plug-in page printed no results"; exit 1; }
if [ $# -gt 0 ]; then
  make_page "$work/control/page.js" "$work/control"
  "$@" "Z:$work/control/page.js" > "$work/control.out" 2>&1 || status=1
  tr -d '\r' < "$work/control.out" | grep '^= ' > "$work/control.results" || true
  cat "$work/control.out"
  if ! diff -u "$work/control.results" "$work/plug-in.results"; then
    echo "two hosts: the control's results (-) and the plug-in's (+) differ"
    status=1
  else
    echo "two hosts: $(wc -l < "$work/plug-in.results") results equal"
  fi
fi
if [ -n "${LUMETTA_UNTOUCHED:-}" ]; then
  touched=$(find "$work" -name "$LUMETTA_UNTOUCHED" | head -5)
  if [ -n "$touched" ]; then
    echo "two hosts: the pages made what they must not make:"
    echo "$touched"
    status=1
  fi
fi
exit $status
