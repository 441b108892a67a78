#!/usr/bin/env bash
# The 32-bit route of the test command: with the 32-bit loader replaced by one that fails the way
# a kernel without 32-bit support makes it fail, one that answers, and one that never answers,
# the probe and test-all's plan say the right thing, take the right route and exit as they should.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() { # description, command status, expected status
  if [ "$2" -ne "$3" ]; then echo "FAIL: $1 (status $2, expected $3)"; failures=$((failures + 1)); fi
}
expect_line() { # description, text, pattern
  if ! printf '%s\n' "$2" | grep -Eq "$3"; then
    echo "FAIL: $1: no line matching '$3' in:"; printf '%s\n' "$2" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

# A 32-bit ELF header for a machine no kernel runs: execve refuses it with ENOEXEC, which bash
# reports as "Exec format error" and timeout's fallback to sh as a shell error.
python3 - "$work/refused" <<'PY'
import struct, sys
header = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8) + struct.pack("<HHI", 2, 0x7777, 1) + bytes(28)
open(sys.argv[1], "wb").write(header)
PY
chmod +x "$work/refused"
printf '#!/bin/sh\necho "wine-8.0 (a loader that runs)"\n' >"$work/runs"
printf '#!/bin/sh\nexec sleep 60\n' >"$work/hangs"
chmod +x "$work/runs" "$work/hangs"

out=$(LUMETTA_LOADER32="$work/refused" "$root/tools/probe-32bit"); check "probe with a refused loader" $? 1
expect_line "probe with a refused loader" "$out" "cannot run them natively"

out=$(LUMETTA_LOADER32="$work/runs" "$root/tools/probe-32bit"); check "probe with a loader that runs" $? 0
expect_line "probe with a loader that runs" "$out" "this machine runs them"

start=$(date +%s)
out=$(LUMETTA_LOADER32="$work/hangs" "$root/tools/probe-32bit"); check "probe with a silent loader" $? 1
expect_line "probe with a silent loader" "$out" "no answer within 10 s"
[ $(( $(date +%s) - start )) -le 20 ] || { echo "FAIL: the probe waited more than 20 s"; failures=$((failures + 1)); }

out=$(LUMETTA_LOADER32="$work/missing" "$root/tools/probe-32bit"); check "probe with no loader" $? 1

out=$(LUMETTA_LOADER32="$work/refused" "$root/tools/test-all" --plan); check "plan with a refused loader" $? 0
expect_line "plan with a refused loader" "$out" "^win32 suite: this machine cannot run 32-bit programs natively; the 32-bit smoke runs under qemu-i386"
expect_line "plan with a refused loader" "$out" "^route: win32=qemu$"
expect_line "plan with a refused loader" "$out" "^win64 suite: wine64$"

out=$(LUMETTA_LOADER32="$work/runs" "$root/tools/test-all" --plan); check "plan with a loader that runs" $? 0
expect_line "plan with a loader that runs" "$out" "^win32 suite: wine32 "
expect_line "plan with a loader that runs" "$out" "^route: win32=native$"

[ $failures -eq 0 ] && echo "32-bit route selection: all checks passed"
exit $((failures > 0))
