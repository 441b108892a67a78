#!/bin/sh
# The layering check on a small tree of its own: it must name exactly the two includes that reach
# up (one by folder, one by a relative path) and the one between sibling folders, and fail.
check="$1" fixture="$2"
out=$(python3 "$check" "$fixture")
status=$?
printf '%s\n' "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
expected='capture/reaches_up.h:3: capture/ includes engine/ (engine/up.h)
capture/reaches_up.h:4: capture/ includes engine/ (../engine/up.h)
plugin/sideways.h:2: plugin/ includes activex/ (activex/control.h)'
found=$(printf '%s\n' "$out" | grep ': [a-z]*/ includes ' | LC_ALL=C sort)
[ "$found" = "$expected" ] || { echo "expected:"; echo "$expected"; exit 1; }
