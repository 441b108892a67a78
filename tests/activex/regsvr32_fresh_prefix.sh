#!/usr/bin/env bash
# regsvr32 registers the built control in a prefix that has never seen it, and unregisters it
# again: the class keys come and go, HKCR\CLSID itself stays.
#   regsvr32_fresh_prefix.sh WINE_RUN PREFIX DLL
set -uo pipefail
wine_run="$1" prefix="$2" dll="$3"
"$wine_run" --prefix "$prefix" --stop >/dev/null 2>&1
rm -rf "$prefix" "$prefix".*
run() { "$wine_run" --prefix "$prefix" --bits 64 "$@"; }
fail() { echo "FAIL: $*"; run --stop >/dev/null 2>&1; "$wine_run" --prefix "$prefix" --stop >/dev/null 2>&1; exit 1; }
query() { run reg query "$1" ${2:+/v "$2"} 2>&1 | tr -d '\r'; }

clsid='{FA5D2356-83CB-4EC8-81E1-BAC71D9E94A2}'
cancel='{28953656-8102-41F8-90FF-4C1A368019CB}'
run regsvr32 /s "Z:$dll" || fail "regsvr32 answered $?"
query 'HKCR\LumettaCtrl.Lumetta.1\CLSID' | grep -qi "$clsid" || fail "ProgID without the CLSID"
query "HKCR\\CLSID\\$clsid\\InprocServer32" ThreadingModel | grep -q Apartment || fail "no ThreadingModel"
query "HKCR\\CLSID\\$clsid\\MiscStatus\\1" | grep -q 131473 || fail "no MiscStatus"
query 'HKCR\PallastraCtrl.Cancel.1\CLSID' | grep -qi "$cancel" || fail "Cancel ProgID missing"
query "HKCR\\CLSID\\$clsid\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}" >/dev/null ||
  fail "not safe for scripting"

run regsvr32 /u /s "Z:$dll" || fail "regsvr32 /u answered $?"
exists() { run reg query "$1" >/dev/null 2>&1; }
exists "HKCR\\CLSID\\$clsid" && fail "control key left behind"
exists "HKCR\\CLSID\\$cancel" && fail "Cancel key left behind"
exists 'HKCR\LumettaCtrl.Lumetta' && fail "ProgID left behind"
exists 'HKCR\CLSID' || fail "HKCR\\CLSID removed"
"$wine_run" --prefix "$prefix" --stop >/dev/null 2>&1
rm -rf "$prefix" "$prefix".*
echo "regsvr32 registered and unregistered LumettaCtrl in a fresh prefix"
