#!/bin/sh
# The function-length check on a small tree of its own: among braces hidden in comments, literals
# and preprocessor lines, it measures each function from its first line to its closing brace,
# names the one of 121 lines and not the one of 120 nor the long one under tests/, and fails.
check="$1" fixture="$2"
out=$(python3 "$check" --all "$fixture")
status=$?
printf '%s\n' "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
expected='engine/measured.cpp:140: Holder (3 lines, nesting 0)
engine/measured.cpp:148: AtTheBound (120 lines, nesting 0)
engine/measured.cpp:15: TooLong (121 lines, more than 120)
engine/measured.cpp:15: TooLong (121 lines, nesting 0)'
found=$(printf '%s\n' "$out" | grep '^engine/\|^tests/' | LC_ALL=C sort)
[ "$found" = "$expected" ] || { echo "expected:"; echo "$expected"; exit 1; }
