#!/bin/sh
# The error-literal check on a small tree of its own: it must name exactly the lines below the
# marker of core/codes.cpp, each for its rule, pass the legitimate negatives above it, the list
# itself and the tests, and fail.
check="$1" fixture="$2"
out=$(python3 "$check" "$fixture")
status=$?
printf '%s\n' "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1, got $status"; exit 1; }
expected='core/codes.cpp:16: -1034 (an engine error code)
core/codes.cpp:17: 2 (stored by SetErrorCode)
core/codes.cpp:18: 1 (stored by SetAdapterError)
core/codes.cpp:19: 10 (stored by SetErrorCode)
core/codes.cpp:20: -3000 (an engine error code)
core/codes.cpp:21: -2121 (an engine error code)
core/codes.cpp:22: -1032 (an engine error code)
core/codes.cpp:23: -13 (a case label)
core/codes.cpp:23: -10 (a case label)
core/codes.cpp:24: -2 (a returned value)
core/codes.cpp:25: -3 (a returned value)
core/codes.cpp:26: -5 (given to m_errorCode)
core/codes.cpp:27: -8 (given to status)
core/codes.cpp:28: -9 (given to rc)
core/codes.cpp:29: -15000 (an engine error code)'
found=$(printf '%s\n' "$out" | grep '^[a-z]*/.*: -*[0-9]* (' )
[ "$found" = "$expected" ] || { echo "expected:"; echo "$expected"; exit 1; }
