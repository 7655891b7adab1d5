#!/usr/bin/env bash
# Speed and memory of a Release build fed over pipes, then start-up and
# memory of the static x86_64 archive's build beside it and beside a minimal C
# drill. Needs bash 5, awk, strace, GNU time and a C compiler, which
# `tools/deps bench` installs. Prints figures; asserts nothing.
# The cat before each program keeps its input a pipe, as its output is.
# shellcheck disable=SC2002
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset default -B build-bench >/dev/null
cmake --build build-bench >/dev/null
cmake --preset linux-x86_64 -B build-bench-static >/dev/null
cmake --build build-bench-static >/dev/null
bin=build-bench/iondrill
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cc -O2 -o "$tmp/minimal_drill" bench/minimal_drill.c

# A session of $1 questions, each answered "x", then the final Enter.
session() { awk -v n="$1" 'BEGIN { print n; for (i = 0; i < n; i++) print "x"; print "" }' >"$tmp/in-$1"; }
for n in 1000 200000 1000000; do session "$n"; done

n=200000
t0=$EPOCHREALTIME
cat "$tmp/in-$n" | "$bin" | cat >/dev/null
t1=$EPOCHREALTIME
awk -v n="$n" -v t0="$t0" -v t1="$t1" 'BEGIN {
    printf "questions:            %d over pipes\n", n
    printf "wall time:            %.3f s\n", t1 - t0
    printf "questions per second: %.0f\n", n / (t1 - t0) }'

cat "$tmp/in-$n" | strace -c -e trace=write -o "$tmp/strace" "$bin" | cat >/dev/null
awk -v n="$n" '$NF == "write" { printf "write(2) per question: %.4f (%d calls)\n", $4 / n, $4 }' "$tmp/strace"

for m in 1000 200000 1000000; do
    cat "$tmp/in-$m" | /usr/bin/time -f %M -o "$tmp/rss" "$bin" | cat >/dev/null
    printf 'peak RSS, %7d questions: %d KiB\n' "$m" "$(cat "$tmp/rss")"
done

# Start to prompt, by bench/startup.c: 300 starts of each program, taking
# turns; then peak memory over a session of 1000 questions.
cc -O2 -o "$tmp/startup" bench/startup.c
progs=("$tmp/minimal_drill" "$bin" build-bench-static/iondrill)
"$tmp/startup" 300 "${progs[@]}" >"$tmp/starts"
c=$(awk 'NR == 1 { print $2 }' "$tmp/starts")  # the minimal C drill's
printf '%-30s %9s %12s %14s\n' program 'start, ms' 'x minimal C' 'peak RSS, KiB'
while read -r b t; do
    cat "$tmp/in-1000" | /usr/bin/time -f %M -o "$tmp/rss" "$b" | cat >/dev/null
    awk -v b="${b#"$tmp"/}" -v t="$t" -v c="$c" -v m="$(cat "$tmp/rss")" \
        'BEGIN { printf "%-30s %9.3f %12.2f %14d\n", b, t, t / c, m }'
done <"$tmp/starts"
