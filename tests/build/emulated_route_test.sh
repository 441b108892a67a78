#!/usr/bin/env bash
# The emulated 32-bit route, on a machine that does not need it: a prefix of the kind machines
# without 32-bit support use (the 64-bit prefix with the 32-bit loader under qemu-i386) is made
# beside the native one, and a 32-bit test program runs in it to its clean report. Machines that
# run 32-bit programs natively check in this way that the other route still starts Wine and runs
# the engine.
#
#   emulated_route_test.sh WINE_RUN BUILD_DIR PROGRAM
set -uo pipefail
wine_run=$1 build=$2 program=$3
prefix="$build/wineprefix-emulated"
report="$build/test-results/emulated-route-$(basename "$program" .exe).xml"
mkdir -p "$(dirname "$report")"
rm -f "$report"
trap 'LUMETTA_WINE32_ROUTE=qemu "$wine_run" --prefix "$prefix" --bits 32 --stop' EXIT

export LUMETTA_WINE32_ROUTE=qemu
"$wine_run" --prefix "$prefix" --bits 32 --init || { echo "FAIL: the emulated route's prefix could not be made"; exit 1; }
"$wine_run" --prefix "$prefix" --bits 32 "$program" "--gtest_output=xml:Z:$report" >"$report.log" 2>&1
status=$?
tail -n 5 "$report.log"
[ $status -eq 0 ] || { echo "FAIL: $(basename "$program") under qemu-i386 ended with status $status"; exit 1; }
python3 - "$report" <<'PY' || { echo "FAIL: no clean report from the emulated run"; exit 1; }
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
sys.exit(0 if int(root.get("tests", 0)) > 0 and root.get("failures") == "0" and root.get("errors") == "0" else 1)
PY
echo "emulated 32-bit route: $(basename "$program") ran to a clean report under qemu-i386"
