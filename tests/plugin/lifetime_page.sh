#!/bin/sh
# Runs a lifetime page (pages/lifetime/NAME.js after ../support/pages/page_bytes.js and
# pages/lifetime/common.js) in a host through page_with_server.sh (the loopback servers,
# @HTTP_PORT@ and @WORK@), with Wine's heap checking on (LUMETTA_LIFETIME_WINEDEBUG gives other
# channels). The run fails when the host fails (the page's checks, a crash), when Wine reports a
# damaged heap block (memory written after it was freed), when the browser harness's guarded heap
# saw the plug-in use memory it had freed, or when the page did not go on to its end.
#   lifetime_page.sh WORKDIR NAME -- HOST-COMMAND...
set -e
work=$1 name=$2
shift 3
here=$(cd "$(dirname "$0")" && pwd)
status=0
LUMETTA_PAGE_REQUESTS_OPTIONAL=1 WINEDEBUG=${LUMETTA_LIFETIME_WINEDEBUG:-warn+heap} \
  "$here/../activex/page_with_server.sh" "$work" "$here/../support/pages/page_bytes.js" \
  "$here/pages/lifetime/common.js" "$here/pages/lifetime/$name.js" -- "$@" > "$work.out" 2>&1 || status=$?
cat "$work.out"
if grep -a 'err:heap' "$work.out" > /dev/null; then
  echo "lifetime page $name: Wine reports a damaged heap"
  exit 1
fi
if grep -a 'guarded heap: the plug-in' "$work.out" > /dev/null; then
  echo "lifetime page $name: the plug-in used memory it had freed"
  exit 1
fi
grep -a "the page goes on after" "$work.out" > /dev/null || { echo "lifetime page $name: the page did not go on"; exit 1; }
exit $status
