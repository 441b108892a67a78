#!/bin/sh
# Redirected POST uploads in both hosts, on both routes of the cookie: the page's SetCookie text
# (the plug-in in the browser harness without a browser runtime, and the control in the page
# host) and the browser's cookie store (the harness with the stand-in XPCOM runtime loaded).
# Each run makes the uploads of pages/redirect_cookies.js; check_redirect_requests.py then reads
# what the loopback servers recorded.
#   redirect_cookies.sh WORKDIR XPCOM-DLL -- BROWSER-COMMAND... [-- PAGEHOST-COMMAND...]
set -e
work=$1 xpcom=$2
shift 3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
browser_cmd=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do browser_cmd="$browser_cmd '$1'"; shift; done
[ $# -gt 0 ] && shift
rm -rf "$work" && mkdir -p "$work"
. "$root/tests/support/loopback_servers.sh"
start_loopback_servers "$work/server"
https_port=$(sed -n 's/.*https=\([0-9]*\).*/\1/p' "$work/server/ports")
other_port=$(sed -n 's/.*other=\([0-9]*\).*/\1/p' "$work/server/ports")
make_page() {
  cat "$root/tests/support/pages/page_bytes.js" "$here/pages/redirect_cookies.js" |
    sed -e "s/@HTTP_PORT@/$http_port/g" -e "s/@HTTPS_PORT@/$https_port/g" -e "s/@TAG@/$1/g" > "$work/$1.js"
}
status=0
runs="plugin-page:session=secret42:"
make_page plugin-page
eval "$browser_cmd --script 'Z:$work/plugin-page.js'" > "$work/plugin-page.out" 2>&1 || status=1
cat "$work/plugin-page.out"
# The browser's store: a cookie for each host; the page's text is not used while a store answers.
runs="$runs plugin-store:first=one:second=two"
make_page plugin-store
export LUMETTA_XPCOM_COOKIES="127.0.0.1,/,0,first,one|127.0.0.2,/,0,second,two"
eval "$browser_cmd --xpcom '$xpcom' --script 'Z:$work/plugin-store.js'" > "$work/plugin-store.out" 2>&1 || status=1
unset LUMETTA_XPCOM_COOKIES
cat "$work/plugin-store.out"
if [ $# -gt 0 ]; then
  runs="$runs control:session=secret42:"
  make_page control
  "$@" "Z:$work/control.js" > "$work/control.out" 2>&1 || status=1
  cat "$work/control.out"
fi
"$python" "$here/check_redirect_requests.py" "$work/server/requests" "$http_port" "$https_port" "$other_port" \
  $runs || status=1
exit $status
