#!/bin/sh
# The member glue check on a copy of the tables and the generated files: the copy as it is passes;
# a hand edit of one generated line, or a member table that moved on, makes it fail and name the
# file that no longer matches.
tool="$1" root="$2"
tree=$(mktemp -d) || exit 1
trap 'rm -rf "$tree"' EXIT
for dir in core plugin activex; do
    mkdir -p "$tree/$dir"
    cp "$root/$dir"/*.def "$root/$dir"/*_generated.* "$tree/$dir"/ 2>/dev/null
    cp "$root/$dir"/*.table "$tree/$dir"/ 2>/dev/null
done
python3 "$tool" --check "$tree" || { echo "an unchanged copy must pass"; exit 1; }

sed -i 's/kOpBrightness = /kOpBrightnes = /' "$tree/core/operation_ids_generated.h"
out=$(python3 "$tool" --check "$tree")
status=$?
printf '%s\n' "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1 for an edited line, got $status"; exit 1; }
[ "$out" = "core/operation_ids_generated.h: differs from what tools/gen-member-glue writes from the member tables" ] ||
    { echo "expected only core/operation_ids_generated.h to be named"; exit 1; }

python3 "$tool" "$tree" || exit 1
sed -i 's/^LUMETTA_PEER_GETSET(Brightness, /LUMETTA_PEER_GETSET(Brightness2, /' "$tree/plugin/xpcom_peer_members.def"
out=$(python3 "$tool" --check "$tree")
status=$?
printf '%s\n' "$out"
[ "$status" -eq 1 ] || { echo "expected exit status 1 for a changed table, got $status"; exit 1; }
printf '%s\n' "$out" | grep -q '^plugin/xpcom_peer_interface_generated.h: ' || { echo "the peer interface must be named"; exit 1; }
printf '%s\n' "$out" | grep -q '^plugin/xpcom_peer_tables_generated.inc: ' || { echo "the peer tables must be named"; exit 1; }
exit 0
