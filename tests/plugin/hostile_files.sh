#!/bin/sh
# The files of a hostile-file folder through both hosts: the page pages/hostile_files.js, made
# from the folder's expected.txt, runs in the browser harness against NPLumetta with GDI+ and
# without it (Wine's gdiplus switched off) and, when a page-host command is given, in the page
# host against LumettaCtrl; the loopback HTTP server serves the files for HTTPDownload. Every run
# must pass its checks, and every run must print the same results (with GDI+ and without it, in
# both hosts).
#   hostile_files.sh WORKDIR FOLDER -- BROWSER-COMMAND... [-- PAGEHOST-COMMAND...]
set -e
work=$1 folder=$(cd "$2" && pwd)
shift 3
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
browser_cmd=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do browser_cmd="$browser_cmd '$1'"; shift; done
[ $# -gt 0 ] && shift
rm -rf "$work" && mkdir -p "$work"
. "$root/tests/support/loopback_servers.sh"
start_loopback_servers "$work/server"
# The server reads its download folder at each request.
mkdir -p "$work/server/files"
"$python" - "$folder" "$here/pages/hostile_files.js" "$work/page.js" "$http_port" "$work/server/files" <<'PY'
import base64, json, os, shutil, sys
folder, page, out, port, served = sys.argv[1:6]
cases = []
for line in open(os.path.join(folder, "expected.txt")):
    words = line.split()
    if not words or words[0].startswith("#"):
        continue
    name, kind, value = words[0], words[1], int(words[2])
    from_bytes = int(words[3]) if len(words) > 3 else value
    data = open(os.path.join(folder, name), "rb").read()
    shutil.copy(os.path.join(folder, name), os.path.join(served, name))
    cases.append([name, kind, value, from_bytes, base64.b64encode(data).decode()])
wine = "Z:" + folder.replace("/", "\\\\") + "\\\\"
text = open(page).read().replace("@FILES@", wine).replace("@HTTP_PORT@", port)
open(out, "w").write(text.replace("@CASES@", json.dumps(cases)))
print("hostile files: %d files" % len(cases))
PY
status=0
run() {
  label=$1
  shift
  "$@" > "$work/$label.out" 2>&1 || status=1
  tr -d '\r' < "$work/$label.out" | grep '^= ' > "$work/$label.results" || true
  cat "$work/$label.out"
  [ -s "$work/$label.results" ] || { echo "hostile files: the $label page printed no results"; status=1; }
}
eval "run plug-in $browser_cmd --script 'Z:$work/page.js'"
eval "run plug-in-no-gdiplus env WINEDLLOVERRIDES=gdiplus=d $browser_cmd --script 'Z:$work/page.js'"
diff -u "$work/plug-in.results" "$work/plug-in-no-gdiplus.results" ||
  { echo "hostile files: the plug-in with and without GDI+ differ"; status=1; }
if [ $# -gt 0 ]; then
  run control "$@" "Z:$work/page.js"
  diff -u "$work/plug-in.results" "$work/control.results" || { echo "hostile files: plug-in and control differ"; status=1; }
fi
exit $status
