#!/bin/sh
# Whole sessions under valgrind, each way out once: any memory error or leak fails.
# Usage: memcheck.sh VALGRIND IONDRILL
set -eu
long=$(head -c 100000 /dev/zero | tr '\0' x)
for session in "3\nFe3+\nso42-\n$long\n\n" "5\nx\n\n" "4\nx" "0\n"; do
    printf %b "$session" | "$1" -q --error-exitcode=1 --leak-check=full --show-leak-kinds=all \
        --errors-for-leak-kinds=all "$2" >/dev/null
done
echo "memcheck: 4 passed, 0 failed"
