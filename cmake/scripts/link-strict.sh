#!/bin/sh
# link-strict.sh LINK-COMMAND...: runs the link and fails it, removing what it
# wrote, when the linker warns that the Asyncify list names a function the
# program lacks: the list would then miss the read, and the page would stop at
# its first question. Other warnings are passed on as they came.
out=$("$@" 2>&1)
status=$?
[ -z "$out" ] || printf '%s\n' "$out" >&2
if [ "$status" -eq 0 ] && printf '%s\n' "$out" | grep -q 'Asyncify onlylist contained a non-'; then
    while [ $# -gt 0 ]; do
        if [ "$1" = -o ] && [ $# -gt 1 ]; then rm -f "$2"; fi
        shift
    done
    echo "link-strict.sh: web/asyncify-only.json names a function the program does not have" >&2
    status=1
fi
exit "$status"
