#!/usr/bin/env bash
# Checks what packaging/dist.sh made, as a learner would get it: lintian on the
# .deb, then install, play and remove it; the archive's program needs no
# shared libstdc++; the Windows program needs only system DLLs and plays under
# wine. The dialogue tests drive each of the three programs.
# Needs root (it installs the .deb), lintian, wine and the tests' tools.
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(iondrill VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
deb=dist/iondrill_${version}_amd64.deb
tgz=dist/iondrill-${version}-linux-x86_64.tar.gz
zip=dist/iondrill-${version}-windows-x86_64.zip
tmp=$(mktemp -d -p "$PWD" build-check.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
passed=0
pass() { passed=$((passed + 1)); echo "check-dist: $*: ok"; }
dialogue() { python3 tests/dialogue_test.py "$1"; }

lintian --fail-on error,warning "$deb"
pass "lintian"

apt-get install -y -q "./$deb" >/dev/null
dialogue /usr/games/iondrill
if ! out=$(man --warnings iondrill 2>&1 >/dev/null) || [ -n "$out" ]; then
    echo "check-dist: man iondrill: ${out:-no page}" >&2
    exit 1
fi
files=$(dpkg-query -L iondrill | while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done)
apt-get remove -y -q iondrill >/dev/null
status=$(dpkg-query -W -f '${db:Status-Status}' iondrill 2>/dev/null || echo not-installed)
for f in $files; do [ ! -e "$f" ] || { echo "check-dist: $f left behind" >&2; exit 1; }; done
[ "$status" = not-installed ] || { echo "check-dist: iondrill is still $status" >&2; exit 1; }
pass "the .deb installs, plays, has its manual page and is removed cleanly"

tar -xzf "$tgz" -C "$tmp"
bin=$tmp/iondrill-$version-linux-x86_64/bin/iondrill
if readelf -d "$bin" | grep -E 'NEEDED.*(libstdc\+\+|libgcc_s)'; then
    echo "check-dist: the archive's program needs the libraries above" >&2
    exit 1
fi
# The README promises the archive to systems with glibc 2.36 or later.
glibc=$(objdump -T "$bin" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -n 1)
if [ "$(printf '%s\n' GLIBC_2.36 "$glibc" | sort -V | tail -n 1)" != GLIBC_2.36 ]; then
    echo "check-dist: the archive's program needs $glibc" >&2
    exit 1
fi
dialogue "$bin"
pass "the archive's program needs no shared libstdc++ or libgcc, nor glibc newer than 2.36, and plays"

(cd "$tmp" && unzip -q "$OLDPWD/$zip")
win=$tmp/iondrill-$version-windows-x86_64
dlls=$(x86_64-w64-mingw32-objdump -p "$win/iondrill.exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
for dll in $dlls; do
    case $dll in
        kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll) ;;
        *) echo "check-dist: iondrill.exe needs $dll, which Windows does not have" >&2; exit 1 ;;
    esac
done
for text in "$win"/*.txt; do
    if grep -q $'[^\r]$\|^$' "$text"; then
        echo "check-dist: $text has a line break without CR" >&2
        exit 1
    fi
done
export WINEPREFIX=${WINEPREFIX:-$PWD/build-wine}
[ -d "$WINEPREFIX" ] || WINEDEBUG=-all wineboot --init >/dev/null 2>&1
dialogue "$win/iondrill.exe"
pass "iondrill.exe needs only system DLLs ($(echo $dlls)), its texts have CRLF, and it plays under wine"

echo "check-dist: $passed passed, 0 failed"
