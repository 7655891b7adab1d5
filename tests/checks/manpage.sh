#!/bin/sh
# The manual page must render without a single warning from man (groff), and
# pass mandoc's stricter lint.
# Usage: manpage.sh MAN MANDOC PAGE
set -eu
groff=$("$1" --warnings -l "$3" 2>&1 >/dev/null)
lint=$("$2" -Tlint -Wwarning "$3")
if [ -n "$groff$lint" ]; then
    printf '%s\n' "$groff$lint"
    echo "manpage: 0 passed, 1 failed"
    exit 1
fi
echo "manpage: 1 passed, 0 failed"
